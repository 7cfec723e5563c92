#pragma once

namespace vx {

// Geometry is designed at 96 dots per inch; the program declares itself
// system-DPI aware and scales every position, size and font itself.
class DpiScale {
public:
    explicit DpiScale(int dpi = 96) : dpi_(dpi > 0 ? dpi : 96) {}
    int dpi() const { return dpi_; }
    // As MulDiv(value, dpi, 96): rounded to nearest, halves away from zero.
    int operator()(int value) const {
        const long long product = static_cast<long long>(value) * dpi_;
        const long long half = 48;
        return static_cast<int>(product >= 0 ? (product + half) / 96 : -((-product + half) / 96));
    }

private:
    int dpi_;
};

} // namespace vx
