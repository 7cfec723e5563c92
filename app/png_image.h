#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace vx {

// A decoded picture: rows from the top, each pixel 4 bytes in the order blue,
// green, red, alpha, the colours premultiplied by alpha: what AlphaBlend takes
// from a 32-bit DIB.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels; // width * height * 4
};

// Decodes a non-interlaced PNG of bit depth 8 (grey, grey and alpha, RGB,
// RGBA) or a palette picture of bit depth 1, 2, 4 or 8. Damaged, truncated or
// unsupported data throws vx::Error; so does a picture larger than 16384
// pixels a side or 2^24 pixels in all.
Image decode_png(std::span<const std::uint8_t> bytes);

// Scales by area: each new pixel is the average of the part of the picture it
// covers, each old pixel weighted by how much of it lies inside. A size below
// one pixel, or beyond what decode_png accepts, throws vx::Error.
Image resize_image(const Image& image, int width, int height);

} // namespace vx
