#include "files/XMLTokenizer.h"

#include "model/Errors.h"
#include "model/Utils.h"

#include <cctype>

namespace lay {

void RaiseXMLError(int line) {
    throw EParserError("Ошибка в XML файле, строка " + std::to_string(line));
}

namespace {

std::string ReplaceAll(std::string_view text, std::string_view what, std::string_view by) {
    return ReplaceText(text, what, by, rfReplaceAll).Text;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(text[i])) !=
            std::toupper(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

bool IsBlank(char c) {
    const auto b = static_cast<unsigned char>(c);
    return b >= 1 && b <= 32;
}

} // namespace

std::string NormalizeTokenText(std::string_view raw) {
    const std::string noPairs = ReplaceAll(ReplaceAll(raw, "\r\n", ""), "\n\r", "");
    std::string out;
    out.reserve(noPairs.size());
    for (char c : noPairs)
        if (c != ' ' || out.empty() || out.back() != ' ')
            out += c;
    return out;
}

TXMLTokenizer::TXMLTokenizer(std::string_view data) : FData(data) {
    Next();
}

void TXMLTokenizer::Consume(std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        if (FData[FPos + i] == '\n')
            ++FLine;
    FPos += count;
}

void TXMLTokenizer::SkipBlanks() {
    while (IsBlank(At(FPos)))
        Consume(1);
}

void TXMLTokenizer::Next() {
    SkipBlanks();
    FTokenLine = FLine;
    const char first = At(FPos);
    // A 0 byte has always marked the end of the data, also inside a file.
    if (first == '\0') {
        FKind = TXMLTokenKind::End;
        FText.clear();
        return;
    }
    if (first == '<') {
        // In a start tag a ">" inside a quoted value does not end the tag: values written by
        // earlier versions may hold "<br/>". Comments, declarations and end tags end at the
        // first ">" as they always have.
        const char second = At(FPos + 1);
        const bool quoted = second != '!' && second != '?' && second != '/';
        bool inQuotes = false;
        std::size_t end = FPos + 1;
        for (;; ++end) {
            const char c = At(end);
            if (c == '\0')
                RaiseXMLError(FTokenLine); // the tag never closes
            if (c == '"' && quoted)
                inQuotes = !inQuotes;
            else if (c == '>' && !inQuotes)
                break;
        }
        FText = NormalizeTokenText(FData.substr(FPos, end + 1 - FPos));
        Consume(end + 1 - FPos);
        if (StartsWithNoCase(FText, "<?xml"))
            FKind = TXMLTokenKind::Declaration;
        else if (StartsWithNoCase(FText, "<!--"))
            FKind = TXMLTokenKind::Comment;
        else if (FText.size() >= 2 && FText.compare(FText.size() - 2, 2, "/>") == 0)
            FKind = TXMLTokenKind::EmptyTag;
        else if (StartsWithNoCase(FText, "</"))
            FKind = TXMLTokenKind::EndTag;
        else
            FKind = TXMLTokenKind::StartTag;
        return;
    }
    std::size_t stop = FPos;
    while (stop < FData.size() && FData[stop] != '<' && FData[stop] != '\0')
        ++stop;
    std::size_t last = stop;
    while (last > FPos && IsBlank(FData[last - 1]))
        --last;
    FText = NormalizeTokenText(FData.substr(FPos, last - FPos));
    FKind = TXMLTokenKind::Text;
    Consume(last - FPos);
}

} // namespace lay
