#include <gtest/gtest.h>

#include "services/byte_size.h"
#include "services/error.h"

namespace vx {
namespace {

TEST(ByteSize, PicksTheUnitAndRoundsToOneDecimal) {
    struct Case {
        std::uint64_t count;
        const wchar_t* text;
    };
    const Case cases[] = {
        {0, L"0 bytes"},
        {1023, L"1023 bytes"},
        {1024, L"1.0 KB"},
        {1536, L"1.5 KB"},
        {1048575, L"1,024.0 KB"}, // just below a boundary rounds up to 1,024.0 of the smaller unit
        {1048576, L"1.0 MB"},
        {1073741823, L"1,024.0 MB"},
        {1073741824, L"1.0 GB"},
        {4294967295ull, L"4.0 GB"},           // the largest 32-bit dwTotalPhys
        {3221225472ull, L"3.0 GB"},
        {2147352576ull, L"2.0 GB"},           // what a 32-bit process is told on a 4 GB machine
        {1099511627776ull, L"1.0 TB"},
        {1ull << 63, L"8,388,608.0 TB"},      // stays positive at 2^63
        {~0ull, L"16,777,216.0 TB"},
        {1126, L"1.1 KB"},                    // 1.0996 rounds up
        {1075, L"1.0 KB"},                    // 1.0498 rounds down
    };
    for (const auto& c : cases) EXPECT_EQ(format_byte_size(c.count, L",", L"."), c.text) << c.count;
}

TEST(ByteSize, UsesTheSeparatorsItIsGiven) {
    EXPECT_EQ(format_byte_size(1048575, L".", L","), L"1.024,0 KB");
    EXPECT_EQ(format_byte_size(5ull << 40 | 0x1999999999ull, L".", L","), L"5,1 TB");
    EXPECT_EQ(format_byte_size(1023ull << 30, L"\u00a0", L","), L"1\u00a0023,0 GB");
    EXPECT_EQ(format_byte_size(1000, L".", L","), L"1000 bytes"); // whole bytes carry no separators
}

} // namespace
} // namespace vx
