// The registry object on the real registry of the Wine prefix.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "services/error.h"
#include "services/registry.h"
#include "services/registry_win.h"
#include "tests/wine/wine_support.h"

namespace vx {
namespace {

constexpr wchar_t kTestKey[] = L"Software\\Vantrix Tests\\Registry";

class RegistryOnWine : public ::testing::Test {
protected:
    void SetUp() override { test::delete_registry_tree(HKEY_CURRENT_USER, kTestKey); }
    void TearDown() override { test::delete_registry_tree(HKEY_CURRENT_USER, L"Software\\Vantrix Tests"); }

    // Type and bytes as the Windows API reports them.
    static std::pair<DWORD, std::string> raw(const std::wstring& path, const wchar_t* name) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return {0, "<no key>"};
        DWORD type = 0, size = 0;
        std::string bytes;
        if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
            bytes.resize(size);
            RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()), &size);
        } else {
            bytes = "<no value>";
        }
        RegCloseKey(key);
        return {type, bytes};
    }

    Win32Registry backend;
};

TEST_F(RegistryOnWine, WritesEachTypeAsTheApiStoresItAndReadsItBack) {
    Registry reg(backend);
    ASSERT_TRUE(reg.open_key(kTestKey, true));
    reg.write_string(L"", L"default");
    reg.write_string(L"Sz", L"ab");
    reg.write_expand_string(L"Expand", L"%SystemRoot%");
    reg.write_dword(L"Dword", 0x01020304);
    reg.write_binary(L"Binary", {0x38, 0x07, 0x00, 0x00});
    EXPECT_EQ(reg.read_string(L"sz"), L"ab");
    EXPECT_EQ(reg.read_string(L"Expand"), L"%SystemRoot%");
    EXPECT_EQ(reg.read_dword(L"DWORD"), 0x01020304u);
    EXPECT_EQ(reg.read_dword(L"Sz"), std::nullopt); // only a REG_DWORD reads as a number
    reg.close_key();

    EXPECT_EQ(raw(kTestKey, L"Sz"), (std::pair<DWORD, std::string>{REG_SZ, std::string("a\0b\0\0\0", 6)}));
    EXPECT_EQ(raw(kTestKey, L"Expand").first, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(raw(kTestKey, L"Dword"), (std::pair<DWORD, std::string>{REG_DWORD, std::string("\x04\x03\x02\x01", 4)}));
    EXPECT_EQ(raw(kTestKey, L"Binary"), (std::pair<DWORD, std::string>{REG_BINARY, std::string("\x38\x07\0\0", 4)}));
    EXPECT_EQ(raw(kTestKey, L"").first, static_cast<DWORD>(REG_SZ));
}

// Listing gives every name with its spelling, the default value as an empty
// name, and names longer than the ones first counted.
TEST_F(RegistryOnWine, ListsSubkeysAndValuesAsSpelled) {
    Registry reg(backend);
    const std::wstring long_name(300, L'v');
    for (const wchar_t* sub : {L"Shell", L" Blank first", L"evil"})
        ASSERT_TRUE(reg.open_key(std::wstring(kTestKey) + L"\\" + sub, true));
    ASSERT_TRUE(reg.open_key(kTestKey, false));
    reg.write_string(L"", L"default");
    reg.write_string(L"EditFlags", L"x");
    reg.write_string(long_name, L"y");

    auto subkeys = reg.subkey_names();
    auto values = reg.value_names();
    ASSERT_TRUE(subkeys && values);
    std::sort(subkeys->begin(), subkeys->end());
    std::sort(values->begin(), values->end());
    EXPECT_EQ(*subkeys, (std::vector<std::wstring>{L" Blank first", L"Shell", L"evil"}));
    EXPECT_EQ(*values, (std::vector<std::wstring>{L"", L"EditFlags", long_name}));

    ASSERT_TRUE(reg.open_key(std::wstring(kTestKey) + L"\\evil", false));
    EXPECT_EQ(reg.subkey_names(), std::vector<std::wstring>{});
    EXPECT_EQ(reg.value_names(), std::vector<std::wstring>{});
    reg.close_key();
    EXPECT_EQ(reg.subkey_names(), std::nullopt); // no key current
}

// Reading a key whole in one pass gives what reading its values one by one
// and listing its subkeys give, for values larger than a first small buffer
// and long names too.
TEST_F(RegistryOnWine, ReadsAKeyWholeInOnePassAsOneByOne) {
    Registry reg(backend);
    const std::wstring long_subkey(200, L's');
    for (const std::wstring& sub : {std::wstring(L"shell"), long_subkey})
        ASSERT_TRUE(reg.open_key(std::wstring(kTestKey) + L"\\" + sub, true));
    ASSERT_TRUE(reg.open_key(kTestKey, true));
    const std::wstring big(5000, L'x');
    reg.write_string(L"", L"default");
    reg.write_string(L"Big", big);
    reg.write_dword(L"Dword", 7);
    reg.write_binary(L"Empty", {});
    auto all = reg.contents();
    ASSERT_TRUE(all);
    auto& values = all->values;
    std::sort(values.begin(), values.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    ASSERT_EQ(values.size(), 4u);
    for (const auto& [name, value] : values) {
        SCOPED_TRACE(to_utf8(name));
        EXPECT_EQ(reg.read_value(name), value);
    }
    EXPECT_EQ(values[1].first, L"Big");
    EXPECT_EQ(registry_string_text(values[1].second.data), big);
    EXPECT_EQ(reg.read_string(L"Big"), big);

    auto subkeys = reg.subkey_names();
    ASSERT_TRUE(subkeys);
    std::sort(subkeys->begin(), subkeys->end());
    std::sort(all->subkeys.begin(), all->subkeys.end());
    EXPECT_EQ(all->subkeys, *subkeys);
    EXPECT_EQ(all->subkeys, (std::vector<std::wstring>{L"shell", long_subkey}));
}

TEST_F(RegistryOnWine, OpenOnlyCreatesNothingAndAWriteAfterAFailedOpenNamesTheValue) {
    Registry reg(backend, kKeyWrite);
    EXPECT_FALSE(reg.open_key(std::wstring(kTestKey) + L"\\Missing", false));
    EXPECT_EQ(raw(kTestKey, L"").second, "<no key>");
    try {
        reg.write_dword(L"Start", 2);
        FAIL() << "the write succeeded without a key";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), L"Failed to set data for 'Start'");
    }
}

TEST_F(RegistryOnWine, DeletesAWholeSubtreeAndMissingValuesQuietly) {
    {
        Registry reg(backend);
        ASSERT_TRUE(reg.open_key(std::wstring(kTestKey) + L"\\DriveIcons\\C\\DefaultIcon", true));
        reg.write_string(L"", L"x");
        ASSERT_TRUE(reg.open_key(std::wstring(kTestKey) + L"\\DriveIcons\\D", true));
        reg.write_dword(L"n", 1);
    }
    Registry reg(backend);
    ASSERT_TRUE(reg.open_key(kTestKey, false));
    EXPECT_TRUE(reg.key_exists(L"DriveIcons"));
    EXPECT_TRUE(reg.delete_key(L"DriveIcons"));
    EXPECT_FALSE(reg.key_exists(L"DriveIcons"));
    EXPECT_FALSE(reg.delete_value(L"NotThere"));
    reg.close_key();
    EXPECT_EQ(raw(std::wstring(kTestKey) + L"\\DriveIcons", L"").second, "<no key>");
    EXPECT_NE(raw(kTestKey, L"").second, "<no key>"); // the parent stays
}

} // namespace
} // namespace vx
