#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "fixers/restrict/restriction_catalogue.h"
#include "services/error.h"
#include "tests/fakes/fake_registry.h"

namespace vx {
namespace {

using test::FakeRegistry;
constexpr auto HKCU = RootKey::current_user;
constexpr auto HKLM = RootKey::local_machine;

constexpr wchar_t kSystem[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
constexpr wchar_t kExplorer[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
constexpr wchar_t kSystemRestore[] = L"SOFTWARE\\Policies\\Microsoft\\Windows NT\\SystemRestore";

const RestrictionEntry& entry_named(std::wstring_view caption) {
    for (const auto& entry : restriction_catalogue())
        if (entry.caption == caption) return entry;
    throw Error(L"no entry " + std::wstring(caption));
}

std::wstring describe(const RestrictionLocation& l) {
    return std::wstring(l.root == HKLM ? L"HKLM\\" : L"HKCU\\") + std::wstring(l.key_path) + L"\\" +
           std::wstring(l.value_name);
}

TEST(RestrictionCatalogue, HoldsTheRestrictionsInOrderWithTheirGroupsAndRoots) {
    const std::vector<std::wstring> captions{
        L"Task Manager",
        L"Registry Editor",
        L"Command Prompt",
        L"Taskbar Settings",
        L"Control Panel",
        L"Display Settings",
        L"Folder Options",
        L"Notification center",
        L"System tray icon",
        L"System Restore",
        L"Start Menu context menu",
        L"Taskbar context menu",
        L"Explorer context menu",
        L"This PC properties",
        L"Recycle Bin properties",
        L"Shutdown, Sleep, Restart, Hibernate command",
        L"Hidden Drive",
        L"Restricted Drive",
        L"Win hotkey",
        L"Restricted applications",
        L"Hardware tab",
        L"Control Panel item",
        L"Change password",
        L"Sign Out menu",
        L"Aero Shake",
        L"Run as Administrator",
        L"Programs and Features",
        L"Taskbar resize",
        L"Clock",
        L"Desktop Background",
        L"Desktop icon",
        L"Desktop theme",
        L"Color and appearance",
        L"Screen saver",
    };
    const auto catalogue = restriction_catalogue();
    ASSERT_EQ(catalogue.size(), captions.size());

    std::set<std::size_t> system_security, machine_wide, two_locations;
    for (std::size_t i = 0; i < catalogue.size(); ++i) {
        const auto& entry = catalogue[i];
        const auto number = i + 1;
        EXPECT_EQ(entry.caption, captions[i]) << number;
        EXPECT_FALSE(entry.description.empty()) << number;
        ASSERT_TRUE(entry.place_count == 1 || entry.place_count == 2) << number;
        if (entry.group == kGroupSystemSecurity)
            system_security.insert(number);
        else
            EXPECT_EQ(entry.group, kGroupDesktopExplorer) << number;
        for (const auto& location : entry.locations()) {
            if (location.root == HKLM)
                machine_wide.insert(number);
            else
                EXPECT_EQ(location.root, HKCU) << number;
            EXPECT_FALSE(location.key_path.empty() || location.key_path.front() == L'\\') << number;
            EXPECT_FALSE(location.value_name.empty()) << number;
        }
        if (entry.place_count == 2) two_locations.insert(number);
    }
    EXPECT_EQ(system_security, (std::set<std::size_t>{1, 2, 3, 10, 19, 23, 27}));
    EXPECT_EQ(machine_wide, (std::set<std::size_t>{6, 10}));
    EXPECT_EQ(two_locations, (std::set<std::size_t>{6, 10, 22, 24}));
    EXPECT_EQ(kRestrictionGroupHeaders[0], L"Desktop & Explorer");
    EXPECT_EQ(kRestrictionGroupHeaders[1], L"System & Security");
}

TEST(RestrictionCatalogue, LocationsAndTextsOfRepresentativeEntries) {
    struct Case {
        const wchar_t* caption;
        std::vector<std::wstring> locations;
        const wchar_t* description;
    };
    const Case cases[] = {
        {L"Task Manager",
         {L"HKCU\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System\\DisableTaskMgr"},
         L"Cannot open Task Manager, a message appears \"Task Manager has been disabled by your administrator\"."},
        {L"Command Prompt",
         {L"HKCU\\SOFTWARE\\Policies\\Microsoft\\Windows\\System\\DisableCMD"},
         L"Command Prompt cannot be used, the message appears \"The command prompt has been disabled by your "
         L"administrator\"."},
        {L"Taskbar Settings",
         {L"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\NoSetTaskbar"},
         L"Could not open the Taskbar Settings, a message appears \"This operation has been cancelled due to "
         L"restrictions in effect on this computer. Please contact your system administrator\"."},
        {L"Display Settings",
         {L"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System\\NoDispCPL",
          L"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System\\NoDispCPL"},
         L"Display Settings do not work."},
        {L"Notification center",
         {L"HKCU\\Software\\Policies\\Microsoft\\Windows\\Explorer\\DisableNotificationCenter"},
         L"The notification center does not appear on the taskbar."},
        {L"System Restore",
         {L"HKLM\\SOFTWARE\\Policies\\Microsoft\\Windows NT\\SystemRestore\\DisableSR",
          L"HKLM\\SOFTWARE\\Policies\\Microsoft\\Windows NT\\SystemRestore\\DisableConfig"},
         L"System Restore has been turned off by your administrator."},
        {L"Shutdown, Sleep, Restart, Hibernate command",
         {L"HKCU\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\NoClose"},
         L"Shutdown, Sleep, Restart, and Hibernate command is missing from the Start Menu."},
        {L"Control Panel item",
         {L"HKCU\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\DisallowCpl",
          L"HKCU\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\RestrictCpl"},
         L"Some items are missing from the Control Panel."},
        {L"Sign Out menu",
         {L"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\StartMenuLogOff",
          L"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\NoLogoff"},
         L"Sign Out is missing from the Start Menu."},
        {L"Aero Shake",
         {L"HKCU\\Software\\Policies\\Microsoft\\Windows\\Explorer\\NoWindowMinimizingShortcuts"},
         L"Aero Shake doesn't work."},
        {L"Programs and Features",
         {L"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Programs\\NoProgramsCPL"},
         L"Appears message \"Your system administrator has disabled Programs and Features\"."},
        {L"Desktop Background",
         {L"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\ActiveDesktop\\NoChangingWallPaper"},
         L"Can't change desktop background."},
    };
    for (const auto& c : cases) {
        const auto& entry = entry_named(c.caption);
        std::vector<std::wstring> locations;
        for (const auto& location : entry.locations())
            locations.push_back(describe(location));
        EXPECT_EQ(locations, c.locations) << to_utf8(c.caption);
        EXPECT_EQ(entry.description, c.description) << to_utf8(c.caption);
    }
}

TEST(RestrictionCatalogue, EveryLocationOnItsOwnRestrictsOnlyItsEntry) {
    for (const auto& entry : restriction_catalogue()) {
        for (const auto& location : entry.locations()) {
            FakeRegistry registry;
            registry.put_dword(location.root, std::wstring(location.key_path), std::wstring(location.value_name), 1);
            for (const auto& other : restriction_catalogue())
                EXPECT_EQ(is_restricted(registry, other), &other == &entry)
                    << to_utf8(describe(location)) << " restricts " << to_utf8(std::wstring(other.caption));
            EXPECT_EQ(registry.open_handles(), 0u);
        }
    }
}

TEST(RestrictionTest, OnlyANonZeroDwordIsARestriction) {
    struct Case {
        const char* what;
        std::optional<RegistryValue> value;
        bool restricted;
    };
    const Case cases[] = {
        {"dword 1", test::dword_value(1), true},
        {"dword 0", test::dword_value(0), false},
        {"bit mask of one hidden drive", test::dword_value(4), true},
        {"all bits", test::dword_value(0xFFFFFFFF), true},
        {"string \"1\"", test::string_value(L"1"), false},
        {"binary 1", RegistryValue{ValueType::binary, {1, 0, 0, 0}}, false},
        {"qword 1", RegistryValue{ValueType::qword, {1, 0, 0, 0, 0, 0, 0, 0}}, false},
        {"missing value", std::nullopt, false},
    };
    const RestrictionLocation drives{HKCU, kExplorer, L"NoDrives"};
    for (const auto& c : cases) {
        FakeRegistry registry;
        registry.create_key(HKCU, kExplorer);
        if (c.value) registry.put(HKCU, kExplorer, L"NoDrives", *c.value);
        EXPECT_EQ(test_location(registry, drives), c.restricted) << c.what;
        EXPECT_EQ(registry.open_handles(), 0u) << c.what;
    }
}

TEST(RestrictionTest, OpensForReadingCreatesNothingAndTreatsARefusalAsClear) {
    FakeRegistry registry;
    const RestrictionLocation task_manager{HKCU, kSystem, L"DisableTaskMgr"};
    EXPECT_FALSE(test_location(registry, task_manager));
    EXPECT_FALSE(registry.has_key(HKCU, L"SOFTWARE\\Microsoft"));
    ASSERT_EQ(registry.open_calls().size(), 1u);
    EXPECT_EQ(registry.open_calls()[0].access, kKeyRead);
    EXPECT_FALSE(registry.open_calls()[0].create);

    registry.put_dword(HKCU, kSystem, L"DisableTaskMgr", 1);
    registry.deny_open(HKCU, kSystem);
    EXPECT_FALSE(test_location(registry, task_manager));
    EXPECT_EQ(registry.open_handles(), 0u);
}

TEST(RestrictionTest, TwoRootEntryTestsTheMachineFirstAndTheUserOnlyWhenTheMachineIsClear) {
    const auto& display = entry_named(L"Display Settings");
    const std::wstring path = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
    {
        FakeRegistry registry;
        registry.put_dword(HKCU, path, L"NoDispCPL", 1);
        EXPECT_TRUE(is_restricted(registry, display));
        ASSERT_EQ(registry.open_calls().size(), 2u);
        EXPECT_EQ(registry.open_calls()[0].path, L"HKEY_LOCAL_MACHINE\\" + path);
        EXPECT_EQ(registry.open_calls()[1].path, L"HKEY_CURRENT_USER\\" + path);
    }
    {
        FakeRegistry registry;
        registry.put_dword(HKLM, path, L"NoDispCPL", 1);
        registry.put_dword(HKCU, path, L"NoDispCPL", 1);
        EXPECT_TRUE(is_restricted(registry, display));
        EXPECT_EQ(registry.open_calls().size(), 1u);
    }
    {
        // Without full access to the machine key, the user key still finds it.
        FakeRegistry registry;
        registry.put_dword(HKLM, path, L"NoDispCPL", 1);
        registry.put_dword(HKCU, path, L"NoDispCPL", 1);
        registry.deny_open(HKLM, path);
        EXPECT_TRUE(is_restricted(registry, display));
        EXPECT_EQ(registry.open_handles(), 0u);
    }
}

TEST(RestrictionTest, TwoValueEntriesAreFoundThroughTheirSecondValue) {
    struct Case {
        const wchar_t* caption;
        RootKey root;
        const wchar_t* path;
        const wchar_t* second_value;
    };
    const Case cases[] = {
        {L"System Restore", HKLM, kSystemRestore, L"DisableConfig"},
        {L"Control Panel item", HKCU, kExplorer, L"RestrictCpl"},
        {L"Sign Out menu", HKCU, kExplorer, L"NoLogoff"},
    };
    for (const auto& c : cases) {
        FakeRegistry registry;
        registry.put_dword(c.root, c.path, c.second_value, 1);
        EXPECT_TRUE(is_restricted(registry, entry_named(c.caption))) << to_utf8(c.caption);
    }
}

TEST(RestrictionRemoval, ClearsEveryLocationAndOnlyTheValues) {
    FakeRegistry registry;
    registry.put_dword(HKCU, kExplorer, L"DisallowCpl", 1);
    registry.put_dword(HKCU, kExplorer, L"NoClose", 1);
    registry.put_string(HKCU, std::wstring(kExplorer) + L"\\DisallowCpl", L"1", L"Microsoft.Mouse");
    remove(registry, entry_named(L"Control Panel item"));
    EXPECT_EQ(registry.get(HKCU, kExplorer, L"DisallowCpl"), std::nullopt);
    EXPECT_EQ(registry.get_dword(HKCU, kExplorer, L"NoClose"), 1u);
    EXPECT_EQ(registry.get_string(HKCU, std::wstring(kExplorer) + L"\\DisallowCpl", L"1"), L"Microsoft.Mouse");

    registry.put_dword(HKLM, kSystemRestore, L"DisableSR", 1);
    registry.put_dword(HKLM, kSystemRestore, L"DisableConfig", 1);
    remove(registry, entry_named(L"System Restore"));
    EXPECT_EQ(registry.value_names(HKLM, kSystemRestore), std::vector<std::wstring>{});
    EXPECT_EQ(registry.open_handles(), 0u);
}

TEST(RestrictionRemoval, ClearsBothRootsAndCreatesAMissingKey) {
    const std::wstring path = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
    FakeRegistry registry;
    registry.put_dword(HKCU, path, L"NoDispCPL", 1);
    remove(registry, entry_named(L"Display Settings"));
    EXPECT_EQ(registry.get(HKCU, path, L"NoDispCPL"), std::nullopt);
    // The machine key held nothing but is opened, and so made, all the same.
    EXPECT_TRUE(registry.has_key(HKLM, path));
    for (const auto& call : registry.open_calls()) {
        EXPECT_EQ(call.access, kKeySetValue);
        EXPECT_TRUE(call.create);
    }
    EXPECT_EQ(registry.open_handles(), 0u);
}

TEST(RestrictionRemoval, FailuresAreSilent) {
    FakeRegistry registry;
    registry.put_dword(HKLM, kSystemRestore, L"DisableSR", 1);
    registry.deny_changes(HKLM, kSystemRestore);
    registry.deny_open(HKCU, kSystem);
    EXPECT_NO_THROW(remove(registry, entry_named(L"System Restore")));
    EXPECT_NO_THROW(remove(registry, entry_named(L"Task Manager")));
    EXPECT_EQ(registry.get_dword(HKLM, kSystemRestore, L"DisableSR"), 1u);
    EXPECT_EQ(registry.open_handles(), 0u);
}

} // namespace
} // namespace vx
