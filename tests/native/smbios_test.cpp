#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "services/smbios.h"

namespace vx {
namespace {

using Bytes = std::vector<std::uint8_t>;

// One structure: type, formatted area after the 4-byte header, then its strings.
Bytes structure(std::uint8_t type, Bytes formatted, std::initializer_list<const char*> strings) {
    Bytes out{type, static_cast<std::uint8_t>(4 + formatted.size()), 0x10, 0x00};
    out.insert(out.end(), formatted.begin(), formatted.end());
    for (const char* s : strings) {
        out.insert(out.end(), s, s + std::char_traits<char>::length(s));
        out.push_back(0);
    }
    if (strings.size() == 0) out.push_back(0);
    out.push_back(0);
    return out;
}

Bytes table(std::initializer_list<Bytes> structures, int cut = 0) {
    Bytes body;
    for (const auto& s : structures) body.insert(body.end(), s.begin(), s.end());
    body.resize(body.size() - static_cast<std::size_t>(cut));
    Bytes raw{0, 3, 2, 0};
    const auto n = static_cast<std::uint32_t>(body.size());
    for (int shift = 0; shift < 32; shift += 8) raw.push_back(static_cast<std::uint8_t>(n >> shift));
    raw.insert(raw.end(), body.begin(), body.end());
    return raw;
}

const Bytes kSystem = structure(1, {1, 2, 3, 4}, {"Maker", "Model", "1.0"});
// Manufacturer string 2, product string 1, version none.
const Bytes kBoard = structure(2, {2, 1, 0, 0}, {"PRIME B450M-A", "ASUSTeK COMPUTER INC."});
const Bytes kSecondBoard = structure(2, {1, 2}, {"Second maker", "Riser"});
const Bytes kBare = structure(2, {0, 0}, {});
const Bytes kEnd = structure(127, {}, {});

TEST(Smbios, TheBaseBoardIsReadFromItsOwnStringsWhereverItStands) {
    EXPECT_EQ(smbios_base_board(table({kSystem, kBoard, kEnd})),
              (BaseBoard{L"ASUSTeK COMPUTER INC.", L"PRIME B450M-A"}));
    // With several boards the last one is shown.
    EXPECT_EQ(smbios_base_board(table({kBoard, kSecondBoard, kEnd})), (BaseBoard{L"Second maker", L"Riser"}));
    // A board that names no strings has empty ones, and the table goes on after it.
    EXPECT_EQ(smbios_base_board(table({kBare, kEnd})), (BaseBoard{}));
    EXPECT_EQ(smbios_base_board(table({kBare, kSecondBoard})), (BaseBoard{L"Second maker", L"Riser"}));
}

TEST(Smbios, NoBoardOrDataCutShortAnswersNothingWithoutReadingBeyondIt) {
    EXPECT_EQ(smbios_base_board(table({kSystem, kEnd})), std::nullopt);
    EXPECT_EQ(smbios_base_board({}), std::nullopt);
    EXPECT_EQ(smbios_base_board(table({kSystem, kBoard}, 3)), std::nullopt) << "the board's strings are cut off";
    // Structures after the end-of-table marker do not count.
    EXPECT_EQ(smbios_base_board(table({kEnd, kBoard})), std::nullopt);
    // A length that claims more than the data holds is bounded by the data.
    Bytes raw = table({kBoard});
    raw[7] = 0x7F;
    EXPECT_EQ(smbios_base_board(raw), (BaseBoard{L"ASUSTeK COMPUTER INC.", L"PRIME B450M-A"}));
}

} // namespace
} // namespace vx
