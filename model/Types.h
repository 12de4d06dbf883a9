#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lay {

// Scan codes, device images and frames are bytes, never text.
using TBytes = std::vector<std::uint8_t>;

struct TPoint {
    int X = 0;
    int Y = 0;
    bool operator==(const TPoint&) const = default;
};

struct TSize {
    int cx = 0;
    int cy = 0;
    bool operator==(const TSize&) const = default;
};

struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    bool operator==(const TRect&) const = default;
};

inline TRect Rect(int left, int top, int right, int bottom) {
    return TRect{left, top, right, bottom};
}
inline int RectWidth(const TRect& r) {
    return r.Right - r.Left;
}
inline int RectHeight(const TRect& r) {
    return r.Bottom - r.Top;
}

// Colours are 32-bit values: red in the lowest byte, then green, then blue.
using TColor = std::int32_t;
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clRed = 0x0000FF;

} // namespace lay

namespace lay {

// The root of the objects that are passed around as a notification's sender.
class TObject {
public:
    virtual ~TObject() = default;
};

} // namespace lay
