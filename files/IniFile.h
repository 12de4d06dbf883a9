#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lay {

// An INI file held in memory: sections in brackets, "key=value" lines. Section and key names
// compare without letter case; the first of two equal names wins. Lines it does not understand
// (comments among them) are kept, so that writing the file back loses nothing of the user's.
class TIniFile {
public:
    // text: UTF-8, any line ends.
    void LoadFromText(std::string_view text);
    // UTF-8 with CR LF line ends.
    std::string SaveToText() const;
    // Reads the file (Windows-1251); a missing file reads as empty and returns false.
    bool LoadFromFile(const std::string& fileName);
    // Writes the whole file in Windows-1251, replacing the old one only when complete.
    void SaveToFile(const std::string& fileName) const;

    bool SectionExists(std::string_view section) const;
    // Key names of the section in file order.
    std::vector<std::string> ReadSection(std::string_view section) const;
    std::string ReadString(std::string_view section, std::string_view key, std::string_view fallback) const;
    // Decimal (or "0x" hexadecimal); a value that does not convert gives the fallback.
    int ReadInteger(std::string_view section, std::string_view key, int fallback) const;
    // 0 is false, any other integer true.
    bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;

    // Replaces the key's value in place, or appends the key to its section (and the section to
    // the file) when it is new. A value with a line break cannot be kept and raises.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int value);
    void WriteBool(std::string_view section, std::string_view key, bool value);

private:
    struct TLine {
        std::string Key; // empty: Raw is kept as it stands
        std::string Value;
        std::string Raw;
    };
    struct TSection {
        std::string Name;
        std::vector<TLine> Lines;
    };
    // Both serve the writers as well as the readers.
    TSection* FindSection(std::string_view name) const;
    TLine* FindKey(std::string_view section, std::string_view key) const;

    std::vector<std::string> FHead; // lines before the first section
    std::vector<TSection> FSections;
};

} // namespace lay
