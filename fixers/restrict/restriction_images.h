#pragma once

#include <array>
#include <cstdint>

namespace vx {

inline constexpr int kRestrictionImageSize = 16;

// A 16 x 16 picture, rows from the top, each pixel 0xAARRGGBB with its colour
// premultiplied by its alpha, as 32-bit image lists draw them.
using RestrictionImage = std::array<std::uint32_t, kRestrictionImageSize * kRestrictionImageSize>;

// The two small images of the found list, drawn with smooth edges on a
// transparent ground: a red cross (restriction present) and a green tick
// (restriction removed).
RestrictionImage cross_image();
RestrictionImage tick_image();

} // namespace vx
