#pragma once

#include <cstdint>
#include <vector>

// A picture as packed 24-bit RGB rows, top row first, three bytes per pixel, no padding.
struct RgbBitmap {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;

    std::uint8_t* pixel(int x, int y) { return pixels.data() + (std::size_t(y) * width + x) * 3; }
    const std::uint8_t* pixel(int x, int y) const
    {
        return pixels.data() + (std::size_t(y) * width + x) * 3;
    }
};
