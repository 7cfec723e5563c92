#include <gtest/gtest.h>

#include "services/error.h"
#include "services/registry.h"
#include "tests/fakes/fake_registry.h"

namespace vx {
namespace {

using test::FakeRegistry;
constexpr auto HKCU = RootKey::current_user;
constexpr auto HKLM = RootKey::local_machine;

TEST(RegistryObject, WritesEachTypeAndReadsItBack) {
    FakeRegistry fake;
    {
        Registry reg(fake);
        ASSERT_TRUE(reg.open_key(L"Software\\Vantrix Test", true));
        reg.write_string(L"", L"default text");
        reg.write_string(L"Sz", L"plain");
        reg.write_expand_string(L"Expand", L"%SystemRoot%\\x");
        reg.write_dword(L"Number", 0x12345678);
        reg.write_binary(L"Bytes", {0x38, 0x07, 0x00, 0x00});
        EXPECT_EQ(reg.read_dword(L"number"), 0x12345678u); // value names ignore case
        EXPECT_EQ(reg.read_string(L"SZ"), L"plain");
        EXPECT_EQ(reg.read_string(L"Expand"), L"%SystemRoot%\\x");
    }
    EXPECT_EQ(fake.open_handles(), 0u);
    EXPECT_EQ(fake.get(HKCU, L"software\\vantrix test", L"Sz"),
              (RegistryValue{ValueType::sz, registry_string_bytes(L"plain")}));
    EXPECT_EQ(fake.get(HKCU, L"Software\\Vantrix Test", L"Expand")->type, ValueType::expand_sz);
    EXPECT_EQ(fake.get(HKCU, L"Software\\Vantrix Test", L"Bytes"),
              (RegistryValue{ValueType::binary, {0x38, 0x07, 0x00, 0x00}}));
    // REG_SZ data carries its terminating zero.
    EXPECT_EQ(fake.get(HKCU, L"Software\\Vantrix Test", L"")->data.size(), (12u + 1u) * 2u);
}

TEST(RegistryObject, ReadsIntegersOnlyFromDwords) {
    FakeRegistry fake;
    fake.put_string(HKCU, L"K", L"AsText", L"1");
    fake.put(HKCU, L"K", L"AsBinary", {ValueType::binary, {1, 0, 0, 0}});
    fake.put(HKCU, L"K", L"AsQword", {ValueType::qword, {1, 0, 0, 0, 0, 0, 0, 0}});
    fake.put_dword(HKCU, L"K", L"AsDword", 1);
    Registry reg(fake);
    ASSERT_TRUE(reg.open_key(L"K", false));
    EXPECT_EQ(reg.read_dword(L"AsText"), std::nullopt);
    EXPECT_EQ(reg.read_dword(L"AsBinary"), std::nullopt);
    EXPECT_EQ(reg.read_dword(L"AsQword"), std::nullopt);
    EXPECT_EQ(reg.read_dword(L"Missing"), std::nullopt);
    EXPECT_EQ(reg.read_dword(L"AsDword"), 1u);
}

TEST(RegistryObject, OpenOnlyCreatesNothingAndAFailedOpenMakesWritesFail) {
    FakeRegistry fake;
    Registry reg(fake, kKeyWrite, HKLM);
    EXPECT_FALSE(reg.open_key(L"SYSTEM\\CurrentControlSet\\Services\\WSearch", false));
    EXPECT_FALSE(fake.has_key(HKLM, L"SYSTEM"));
    EXPECT_FALSE(reg.has_current_key());
    try {
        reg.write_dword(L"Start", 2);
        FAIL() << "a write with no key open succeeded";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), L"Failed to set data for 'Start'");
    }
    EXPECT_FALSE(reg.delete_value(L"Start")); // a delete on no key fails quietly
    EXPECT_EQ(fake.open_handles(), 0u);
}

TEST(RegistryObject, DeniedKeysRaiseTheValueNameOnWrite) {
    FakeRegistry fake;
    fake.deny_open(RootKey::classes_root, L"exefile\\shell");
    Registry reg(fake, kKeyAllAccess, RootKey::classes_root);
    EXPECT_FALSE(reg.open_key(L"exefile\\shell\\open", true)); // creating below a denied key fails too
    try {
        reg.write_string(L"", L"x");
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), L"Failed to set data for ''");
    }
    fake.deny_changes(HKCU, L"Locked");
    fake.put_dword(HKCU, L"Locked", L"NoClose", 1);
    reg.set_root(HKCU);
    ASSERT_TRUE(reg.open_key(L"\\Locked", false)); // a leading backslash means the root
    EXPECT_FALSE(reg.delete_value(L"NoClose"));
    EXPECT_THROW(reg.write_dword(L"NoClose", 0), Error);
    EXPECT_EQ(fake.get_dword(HKCU, L"Locked", L"NoClose"), 1u);
}

TEST(RegistryObject, DeletesValuesAndWholeSubtrees) {
    FakeRegistry fake;
    fake.put_dword(HKLM, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\DriveIcons\\C\\DefaultIcon", L"", 1);
    fake.put_dword(HKLM, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer", L"Keep", 1);
    Registry reg(fake, kKeyAllAccess, HKLM);
    ASSERT_TRUE(reg.open_key(L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer", false));
    EXPECT_TRUE(reg.key_exists(L"driveicons"));
    EXPECT_TRUE(reg.delete_key(L"DriveIcons"));
    EXPECT_FALSE(reg.key_exists(L"DriveIcons"));
    EXPECT_FALSE(reg.delete_key(L"DriveIcons"));
    EXPECT_FALSE(reg.delete_value(L"Missing")); // no error for a missing value
    EXPECT_TRUE(reg.delete_value(L"keep"));
    reg.close_key();
    EXPECT_TRUE(fake.has_key(HKLM, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer"));
    EXPECT_TRUE(fake.value_names(HKLM, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer").empty());
    EXPECT_EQ(fake.open_handles(), 0u);
}

TEST(RegistryObject, ClosesItsKeyBeforeTheNextOpenAndOnDestruction) {
    FakeRegistry fake;
    {
        Registry reg(fake);
        for (int i = 0; i < 5; ++i) ASSERT_TRUE(reg.open_key(L"K" + std::to_wstring(i), true));
        EXPECT_EQ(fake.open_handles(), 1u);
        reg.set_root(HKLM);
        EXPECT_EQ(fake.open_handles(), 0u);
        ASSERT_TRUE(reg.open_key(L"K", true));
    }
    EXPECT_EQ(fake.open_handles(), 0u);
}

} // namespace
} // namespace vx
