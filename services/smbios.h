#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vx {

// The base board as the firmware's SMBIOS tables describe it (structure type
// 2), the source the system's own management service reads it from.
struct BaseBoard {
    std::wstring manufacturer;
    std::wstring product;
    bool operator==(const BaseBoard&) const = default;
};

// Reads the raw SMBIOS data the system hands out (an 8-byte header, then the
// structure table). With several boards the last one is answered; nullopt
// when the data holds none or is cut short before one. A string a structure
// does not name is empty.
std::optional<BaseBoard> smbios_base_board(const std::vector<std::uint8_t>& raw);

} // namespace vx
