#include "services/byte_size.h"

namespace vx {

namespace {

std::wstring group_thousands(std::uint64_t whole, std::wstring_view thousands) {
    const auto digits = std::to_wstring(whole);
    std::wstring out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += thousands;
        out += digits[i];
    }
    return out;
}

} // namespace

std::wstring format_byte_size(std::uint64_t count, std::wstring_view thousands, std::wstring_view decimal) {
    struct Unit {
        std::uint64_t divisor;
        const wchar_t* suffix;
    };
    static constexpr Unit units[] = {
        {1ull << 40, L" TB"},
        {1ull << 30, L" GB"},
        {1ull << 20, L" MB"},
        {1ull << 10, L" KB"},
    };
    for (const auto& unit : units) {
        if (count < unit.divisor) continue;
        // Exact integer rounding to one decimal, half up: no precision is lost
        // for counts of 2^63 and above.
        std::uint64_t whole = count / unit.divisor;
        const std::uint64_t remainder = count % unit.divisor;
        std::uint64_t tenths = (remainder * 10 + unit.divisor / 2) / unit.divisor;
        if (tenths == 10) {
            ++whole;
            tenths = 0;
        }
        return group_thousands(whole, thousands) + std::wstring(decimal) + std::to_wstring(tenths) + unit.suffix;
    }
    return std::to_wstring(count) + L" bytes";
}

} // namespace vx
