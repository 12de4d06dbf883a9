#pragma once

#include <string>
#include <string_view>

namespace lay {

// The values are those the format has always used for its token kinds.
enum class TXMLTokenKind : int {
    End = 0,
    Comment = 6,
    Declaration = 8, // "<?xml" and "<?xml-stylesheet" alike
    Text = 9,
    StartTag = 10,
    EndTag = 11,
    EmptyTag = 12,
};

// Splits a document (already decoded to UTF-8, the whole of it) into tags and text runs.
// A token's text has CR LF and LF CR pairs deleted and runs of spaces collapsed, the way the
// layout files have always been read.
class TXMLTokenizer {
public:
    // Reads the first token at once. The data must outlive the tokenizer.
    explicit TXMLTokenizer(std::string_view data);

    void Next();
    TXMLTokenKind Kind() const { return FKind; }
    const std::string& Text() const { return FText; }
    // Line on which the current token starts, from 1.
    int Line() const { return FTokenLine; }
    // Line reached so far.
    int CurrentLine() const { return FLine; }

private:
    void SkipBlanks();
    char At(std::size_t pos) const { return pos < FData.size() ? FData[pos] : '\0'; }
    void Consume(std::size_t count);

    std::string_view FData;
    std::size_t FPos = 0;
    int FLine = 1;
    int FTokenLine = 1;
    TXMLTokenKind FKind = TXMLTokenKind::End;
    std::string FText;
};

// CR LF and LF CR pairs deleted, then no two spaces left standing together.
std::string NormalizeTokenText(std::string_view raw);

// "Ошибка в XML файле" with the line, as the parser error every malformed file gives.
[[noreturn]] void RaiseXMLError(int line);

} // namespace lay
