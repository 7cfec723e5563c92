#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vx {

// Formats a byte count for the Home page: "%d bytes" below 1 KB, otherwise the
// count in KB, MB, GB or TB (binary multiples) with exactly one decimal,
// rounded, with the user's thousands and decimal separators.
std::wstring format_byte_size(std::uint64_t count, std::wstring_view thousands, std::wstring_view decimal);

} // namespace vx
