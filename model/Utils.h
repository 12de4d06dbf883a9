#pragma once

#include "model/Types.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lay {

// Hexadecimal text of byte strings. Only 0-9 and upper-case A-F are digits: the files and the
// code-entry window have always written upper case, and anything else reads as a separator.
// Two adjacent digits make one byte; a lone digit makes a byte of its own («1 2C» is 01 2C).
TBytes HexToBytes(std::string_view text);
std::string BytesToHex(std::span<const std::uint8_t> bytes);
// Every byte followed by one space, the last one too: the keyboard test window appends lines.
std::string BytesToHexSpaced(std::span<const std::uint8_t> bytes);
// One hexadecimal number of up to 32 bits (either letter case); eight digits above 7FFFFFFF
// wrap to negative values, which is how colours such as FF000008 are stored.
std::int32_t HexToInt(std::string_view text);
// A decimal integer: optional leading spaces, an optional sign, digits and nothing else.
int StrToInt(std::string_view text);

enum : int {
    rfReplaceAll = 1,
    rfIgnoreCase = 2,
};

struct TReplaceResult {
    std::string Text;
    int Count = 0;
};

// Replaces the first occurrence of find, or every one with rfReplaceAll; occurrences do not
// overlap and an empty find matches nothing. rfIgnoreCase compares upper-cased characters
// (Cyrillic included) while the untouched characters of the text go into the result.
TReplaceResult ReplaceText(std::string_view text, std::string_view find, std::string_view replacement,
                           int flags);

// Reads integers out of text by a pattern whose only directive is %d, storing them in order;
// returns how many were stored. Other pattern characters are looked for in the text from the
// current place on; spaces in the pattern are skipped. The pattern's last character is never
// looked for, so message patterns may end with a full stop the message may lack.
int ScanText(std::string_view text, std::string_view pattern, std::span<int> destinations);

// The rectangle a key picture's graphic is drawn in: 10 pixels inside the cell, scaled down with
// its aspect ratio kept when it does not fit, centred.
TRect FitGraphic(TSize graphic, const TRect& cell);

// The name without its extension, or an empty text when the name has no extension.
std::string FileNameWithoutExt(std::string_view fileName);
// The extension a graphic of this class is saved with: "bmp", "ico", "wmf", or empty.
std::string GraphicExtension(std::string_view graphicClass);
// How layers are named in lists: index 0 is "Слой 1".
std::string LayerCaption(int index);

// Bits 0 to 31 of an integer; any other bit number reads as clear and sets nothing.
bool TestBit(std::uint32_t value, int bit);
std::uint32_t SetBit(std::uint32_t value, int bit, bool state = true);

// A set kept in 1, 2 or 4 bytes of memory, read or written as one integer; any other size is a
// fault of the caller and raises "Invalid size of set".
std::uint32_t GetSetValue(const void* set, int size);
void SetSetValue(void* set, int size, std::uint32_t value);

// Two lists of owned items that are equal item by item, in order.
template <class T>
bool ItemsEqual(const std::vector<std::unique_ptr<T>>& a, const std::vector<std::unique_ptr<T>>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const auto& x, const auto& y) { return x->Equals(*y); });
}

} // namespace lay
