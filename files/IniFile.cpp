#include "files/IniFile.h"

#include "files/FileUtils.h"
#include "model/Errors.h"
#include "model/Text.h"

#include <charconv>
#include <filesystem>
#include <iterator>
#include <limits>
#include <system_error>

namespace lay {

namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// Decimal, or hexadecimal after "0x" or "$", as the platform's INI reader takes numbers.
int StrToIntDef(std::string_view text, int fallback) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size() || text[i] == '+' || text[i] == '-')
        return fallback;
    long long value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data() + i, end, value, base);
    if (ec != std::errc() || ptr != end)
        return fallback;
    if (negative)
        value = -value;
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return fallback;
    return static_cast<int>(value);
}

} // namespace

void TIniFile::LoadFromText(std::string_view text) {
    FHead.clear();
    FSections.clear();
    std::size_t from = 0;
    while (from < text.size()) {
        std::size_t to = text.find_first_of("\r\n", from);
        if (to == std::string_view::npos)
            to = text.size();
        const std::string_view raw = text.substr(from, to - from);
        from = to + ((to + 1 < text.size() && text[to] == '\r' && text[to + 1] == '\n') ? 2 : 1);

        const std::string_view line = Trim(raw);
        if (line.size() >= 2 && line.front() == '[') {
            const std::size_t close = line.find(']');
            if (close != std::string_view::npos) {
                FSections.push_back({std::string(Trim(line.substr(1, close - 1))), {}});
                continue;
            }
        }
        if (FSections.empty()) {
            FHead.emplace_back(raw); // keys outside any section belong to none
            continue;
        }
        TLine entry;
        const std::size_t eq = line.find('=');
        if (!line.empty() && line.front() != ';' && eq != std::string_view::npos &&
            !Trim(line.substr(0, eq)).empty()) {
            entry.Key = std::string(Trim(line.substr(0, eq)));
            entry.Value = std::string(Trim(line.substr(eq + 1)));
        } else {
            entry.Raw = std::string(raw);
        }
        FSections.back().Lines.push_back(std::move(entry));
    }
}

std::string TIniFile::SaveToText() const {
    std::string out;
    for (const std::string& line : FHead)
        out += line + "\r\n";
    for (const TSection& section : FSections) {
        out += "[" + section.Name + "]\r\n";
        for (const TLine& line : section.Lines)
            out += (line.Key.empty() ? line.Raw : line.Key + "=" + line.Value) + "\r\n";
    }
    return out;
}

bool TIniFile::LoadFromFile(const std::string& fileName) {
    std::error_code ec;
    if (!std::filesystem::exists(ToPath(fileName), ec)) {
        LoadFromText({});
        return false;
    }
    LoadFromText(Cp1251ToUtf8(ReadFileBytes(fileName)));
    return true;
}

void TIniFile::SaveToFile(const std::string& fileName) const {
    WriteFileAtomically(fileName, Utf8ToCp1251(SaveToText()));
}

TIniFile::TSection* TIniFile::FindSection(std::string_view name) const {
    for (const TSection& section : FSections)
        if (AnsiSameText(section.Name, name))
            return const_cast<TSection*>(&section);
    return nullptr;
}

TIniFile::TLine* TIniFile::FindKey(std::string_view section, std::string_view key) const {
    TSection* s = FindSection(section);
    if (!s)
        return nullptr;
    for (TLine& line : s->Lines)
        if (!line.Key.empty() && AnsiSameText(line.Key, key))
            return &line;
    return nullptr;
}

bool TIniFile::SectionExists(std::string_view section) const {
    return FindSection(section) != nullptr;
}

std::vector<std::string> TIniFile::ReadSection(std::string_view section) const {
    std::vector<std::string> keys;
    if (const TSection* s = FindSection(section))
        for (const TLine& line : s->Lines)
            if (!line.Key.empty())
                keys.push_back(line.Key);
    return keys;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view fallback) const {
    const TLine* line = FindKey(section, key);
    return line ? line->Value : std::string(fallback);
}

int TIniFile::ReadInteger(std::string_view section, std::string_view key, int fallback) const {
    const TLine* line = FindKey(section, key);
    return line ? StrToIntDef(line->Value, fallback) : fallback;
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
    return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    // A line break would end the value early and turn the rest into lines of their own.
    if (value.find_first_of("\r\n") != std::string_view::npos)
        throw Exception("Значение параметра " + std::string(key) +
                        " содержит перевод строки и не может быть "
                        "записано в файл настроек");
    if (TLine* found = FindKey(section, key)) {
        found->Value = std::string(value);
        return;
    }
    if (!FindSection(section))
        FSections.push_back({std::string(section), {}});
    TSection* s = FindSection(section);
    TLine line;
    line.Key = std::string(key);
    line.Value = std::string(value);
    // New keys go after the section's last key, ahead of any blank lines that part it from the next.
    auto at = s->Lines.end();
    while (at != s->Lines.begin() && std::prev(at)->Key.empty() && Trim(std::prev(at)->Raw).empty())
        --at;
    s->Lines.insert(at, std::move(line));
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
    WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

} // namespace lay
