#pragma once

#include "model/Types.h"

#include <cstddef>
#include <cstdint>

// A 24-bit Windows bitmap file of the size, every pixel of the one grey.
inline lay::TBytes Bitmap24(int width, int height, std::uint8_t grey = 0x80) {
    lay::TBytes bmp(54, 0);
    auto put = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bmp[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    bmp[0] = 'B';
    bmp[1] = 'M';
    const std::uint32_t stride = (static_cast<std::uint32_t>(width) * 24 + 31) / 32 * 4;
    put(2, 54 + stride * static_cast<std::uint32_t>(height));
    put(10, 54);
    put(14, 40);
    put(18, static_cast<std::uint32_t>(width));
    put(22, static_cast<std::uint32_t>(height));
    bmp[26] = 1;
    bmp[28] = 24;
    bmp.resize(bmp.size() + stride * static_cast<std::uint32_t>(height), grey);
    return bmp;
}
