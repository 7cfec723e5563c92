#include "fixers/restrict/restriction_images.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace vx {

namespace {

struct Point {
    double x;
    double y;
};

struct Stroke {
    Point from;
    Point to;
};

double distance_to_stroke(Point p, const Stroke& s) {
    const double dx = s.to.x - s.from.x;
    const double dy = s.to.y - s.from.y;
    const double t = std::clamp(((p.x - s.from.x) * dx + (p.y - s.from.y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    return std::hypot(p.x - (s.from.x + t * dx), p.y - (s.from.y + t * dy));
}

// Paints round-ended strokes of one colour; a pixel's coverage falls off over
// one pixel at the stroke's edge, which gives the smooth outline.
RestrictionImage draw(std::initializer_list<Stroke> strokes, double width, std::uint8_t red, std::uint8_t green,
                      std::uint8_t blue) {
    RestrictionImage image{};
    for (int y = 0; y < kRestrictionImageSize; ++y) {
        for (int x = 0; x < kRestrictionImageSize; ++x) {
            const Point centre{x + 0.5, y + 0.5};
            double coverage = 0.0;
            for (const auto& stroke : strokes)
                coverage =
                    std::max(coverage, std::clamp(width / 2 + 0.5 - distance_to_stroke(centre, stroke), 0.0, 1.0));
            const auto scale = [coverage](std::uint8_t channel) {
                return static_cast<std::uint32_t>(std::lround(channel * coverage));
            };
            image[static_cast<std::size_t>(y * kRestrictionImageSize + x)] =
                scale(255) << 24 | scale(red) << 16 | scale(green) << 8 | scale(blue);
        }
    }
    return image;
}

} // namespace

RestrictionImage cross_image() {
    return draw({{{3.5, 3.5}, {12.5, 12.5}}, {{12.5, 3.5}, {3.5, 12.5}}}, 2.6, 0xD9, 0x1E, 0x18);
}

RestrictionImage tick_image() {
    return draw({{{2.5, 8.5}, {6.0, 12.0}}, {{6.0, 12.0}, {13.5, 3.5}}}, 2.6, 0x1E, 0x9E, 0x2C);
}

} // namespace vx
