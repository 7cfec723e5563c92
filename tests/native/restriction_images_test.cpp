#include <gtest/gtest.h>

#include <cstdint>

#include "fixers/restrict/restriction_images.h"

namespace vx {
namespace {

struct Pixel {
    std::uint32_t a, r, g, b;
};

Pixel at(const RestrictionImage& image, int x, int y) {
    const auto p = image[static_cast<std::size_t>(y * kRestrictionImageSize + x)];
    return {p >> 24, (p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF};
}

// Checks the colour of every painted pixel, the premultiplied form and that
// the ground stays clear; `on_stroke` names a pixel the shape must cover.
void expect_shape(const RestrictionImage& image, bool red, int on_x, int on_y) {
    int painted = 0;
    for (int y = 0; y < kRestrictionImageSize; ++y) {
        for (int x = 0; x < kRestrictionImageSize; ++x) {
            const auto p = at(image, x, y);
            EXPECT_TRUE(p.r <= p.a && p.g <= p.a && p.b <= p.a) << x << "," << y;
            if (p.a == 0) continue;
            ++painted;
            if (red)
                EXPECT_GT(p.r, p.g + p.b) << x << "," << y;
            else
                EXPECT_GT(p.g, p.r + p.b) << x << "," << y;
        }
    }
    EXPECT_EQ(at(image, on_x, on_y).a, 255u);
    EXPECT_EQ(at(image, 0, 0).a, 0u);
    EXPECT_EQ(at(image, 15, 15).a, 0u);
    EXPECT_GT(painted, 20);
    EXPECT_LT(painted, 150);
}

TEST(RestrictionImages, ARedCrossAndAGreenTickOnAClearGround) {
    const auto cross = cross_image();
    const auto tick = tick_image();
    expect_shape(cross, true, 7, 7);
    expect_shape(tick, false, 5, 11);
    EXPECT_EQ(at(cross, 7, 0).a, 0u); // the cross's arms leave the middle of each edge clear
    EXPECT_EQ(at(cross, 0, 7).a, 0u);
    EXPECT_NE(cross, tick);
}

} // namespace
} // namespace vx
