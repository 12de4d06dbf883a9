#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace lay {

// Text inside the program is UTF-8. Files on disk are Windows-1251; these two functions are
// the only way across that boundary.
std::string Cp1251ToUtf8(std::string_view bytes);
// Raises EConvertError naming the first character the code page cannot hold, or the first
// malformed UTF-8 byte; nothing is ever replaced silently.
std::string Utf8ToCp1251(std::string_view text);
// The code point a Windows-1251 byte stands for, and back (-1 when it has no byte).
char32_t Cp1251ToUnicode(std::uint8_t byte);
int UnicodeToCp1251(char32_t cp);

// The length of the well-formed UTF-8 character at text[at], its code point in cp; 0 when the
// bytes there are not one.
std::size_t Utf8CharLength(std::string_view text, std::size_t at, char32_t& cp);
// UTF-8 decoding that never fails: a malformed byte becomes U+FFFD.
std::u32string DecodeUtf8(std::string_view text);
std::string EncodeUtf8(std::u32string_view text);
void AppendUtf8(std::string& out, char32_t cp);

// Case mapping that knows every letter of Windows-1251: Latin, Russian, Ё, and the Ukrainian,
// Belarusian, Serbian and Macedonian letters. Other characters are left as they are.
char32_t UpperChar(char32_t cp);
char32_t LowerChar(char32_t cp);
std::string AnsiUpperCase(std::string_view text);
std::string AnsiLowerCase(std::string_view text);
bool AnsiSameText(std::string_view a, std::string_view b);
// <0, 0 or >0, comparing upper-cased code points.
int AnsiCompareText(std::string_view a, std::string_view b);

} // namespace lay
