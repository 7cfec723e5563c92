// The Advanced page's registry repairs against the real registry of the
// prefix. Their commands are only recorded: stopping and starting services
// would disturb the prefix the other tests share. Every key a repair touches
// is saved first and put back afterwards.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "fixers/advanced/registry_repairs.h"
#include "services/error.h"
#include "services/file_system_win.h"
#include "services/registry_win.h"
#include "services/resources_win.h"
#include "services/system_error_win.h"
#include "services/text.h"
#include "tests/fakes/fake_system.h"
#include "tests/wine/wine_support.h"

namespace vx {
namespace {

using Box = test::ScriptedUi::Box;
using Call = test::RecordingRunner::Call;
using Key = test::RegistrySnapshot::Key;

const Box kNotice{L"The problem has been fixed, restart the computer to see changes!", L"Vantrix ", 0x40};

constexpr wchar_t kNonEnum[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\NonEnum";
constexpr wchar_t kNewStartPanel[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\HideDesktopIcons\\NewStartPanel";
constexpr wchar_t kPoliciesExplorer[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
constexpr wchar_t kAppCompat[] = L"SOFTWARE\\Policies\\Microsoft\\Windows\\AppCompat";
constexpr wchar_t kExplorer[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer";
constexpr wchar_t kDriveIcons[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\DriveIcons";
constexpr wchar_t kWinlogon[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
constexpr wchar_t kWSearchService[] = L"SYSTEM\\CurrentControlSet\\Services\\WSearch";
constexpr wchar_t kWindowsSearch[] = L"SOFTWARE\\Microsoft\\Windows Search";
constexpr wchar_t kPlugPlay[] = L"SYSTEM\\CurrentControlSet\\Services\\PlugPlay";
constexpr wchar_t kFlyout[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FlyoutMenuSettings";
constexpr wchar_t kPower[] = L"SYSTEM\\CurrentControlSet\\Control\\Power";
constexpr wchar_t kScriptHost[] = L"SOFTWARE\\Microsoft\\Windows Script Host\\Settings";
constexpr wchar_t kExplorerAdvanced[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced";
constexpr wchar_t kRecycleBin[] = L"{645FF040-5081-101B-9F08-00AA002F954E}";
constexpr wchar_t kRecycleBinIcon[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\CLSID\\{645FF040-5081-101B-9F08-00AA002F954E}"
    L"\\DefaultIcon";
constexpr wchar_t kSummaryPage[] = L"*\\shellex\\PropertySheetHandlers\\{883373C3-BF89-11D1-BE35-080036B11A03}";
constexpr wchar_t kSharing[] = L"{f81e9010-6ea4-11ce-a7ff-00aa003ca9f6}";
constexpr const wchar_t* kDesktopIcons[] = {
    kRecycleBin, L"{20D04FE0-3AEA-1069-A2D8-08002B30309D}", L"{59031a47-3f72-44a7-89c5-5595fe6b30ee}",
    L"{5399E694-6CE5-4D6C-8FCE-1D8870FDCBA0}", L"{F02C1A0D-BE21-4350-88B0-7367FC96EF3C}"};

// The Previous Versions handler keys the property-sheet repair creates, empty.
std::vector<std::wstring> previous_versions_keys() {
    std::vector<std::wstring> keys;
    for (const wchar_t* owner :
         {L"AllFilesystemObjects", L"CLSID\\{450D8FBA-AD25-11D0-98A8-0800361B1103}", L"Directory", L"Drive"})
        for (const wchar_t* kind : {L"ContextMenuHandlers", L"PropertySheetHandlers"})
            keys.push_back(std::wstring(owner) + L"\\shellex\\" + kind + L"\\{596AB062-B4D2-4215-9F74-E9109B0A8153}");
    return keys;
}

// The sharing handler keys whose default value the property-sheet repair writes.
const std::vector<std::wstring> kSharingKeys = {
    L"*\\shellex\\ContextMenuHandlers\\Sharing",
    L"Directory\\Background\\shellex\\ContextMenuHandlers\\Sharing",
    L"Directory\\shellex\\ContextMenuHandlers\\Sharing",
    L"Drive\\shellex\\ContextMenuHandlers\\Sharing",
    L"LibraryFolder\\background\\shellex\\ContextMenuHandlers\\Sharing",
    L"UserLibraryFolder\\shellex\\ContextMenuHandlers\\Sharing",
    L"Directory\\shellex\\PropertySheetHandlers\\Sharing",
    L"Drive\\shellex\\PropertySheetHandlers\\Sharing",
};

// Every key the property-sheet repair touches.
std::vector<Key> property_sheet_keys() {
    std::vector<Key> keys = {
        {HKEY_CURRENT_USER, kPoliciesExplorer}, {HKEY_LOCAL_MACHINE, kAppCompat}, {HKEY_CLASSES_ROOT, kSummaryPage}};
    for (const auto& path : previous_versions_keys())
        keys.push_back({HKEY_CLASSES_ROOT, path});
    for (const auto& path : kSharingKeys)
        keys.push_back({HKEY_CLASSES_ROOT, path});
    return keys;
}

void put(HKEY root, const std::wstring& path, const std::wstring& name, const RegistryValue& value) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS)
        << to_utf8(path);
    RegSetValueExW(key, name.c_str(), 0, static_cast<DWORD>(value.type), value.data.data(),
                   static_cast<DWORD>(value.data.size()));
    RegCloseKey(key);
}

std::optional<RegistryValue> value_of(HKEY root, const std::wstring& path, const std::wstring& name) {
    const auto tree = test::read_registry_tree(root, path);
    for (const auto& [value_name, value] : tree.values)
        if (equals_ignore_case(value_name, name)) return value;
    return std::nullopt;
}

bool key_exists(HKEY root, const std::wstring& path) {
    return test::read_registry_tree(root, path).exists;
}

std::vector<std::wstring> value_names(HKEY root, const std::wstring& path) {
    std::vector<std::wstring> names;
    for (const auto& [name, value] : test::read_registry_tree(root, path).values)
        names.push_back(name);
    return names;
}

// The real registry with recorded commands and scripted boxes.
struct RealRegistrySystem {
    Win32Registry registry;
    test::RecordingRunner runner;
    Win32FileSystem files;
    Win32Folders folders;
    ResourceTextStore texts;
    test::ScriptedUi ui;
    Services services{registry, runner, files, folders, texts, ui, test::environment_variable(L"TEMP") + L"\\"};
};

std::wstring windows_folder() {
    wchar_t folder[MAX_PATH];
    return std::wstring(folder, GetWindowsDirectoryW(folder, MAX_PATH));
}

// A damaged machine, the repair, and what the machine must look like after it.
struct RegistryCase {
    const char* name;
    void (*repair)(Services&);
    std::vector<Key> keys; // every key the repair or the damage touches
    std::function<void()> damage;
    std::function<void()> check;
    std::vector<Call> commands; // what the repair runs or starts
};

void PrintTo(const RegistryCase& c, std::ostream* os) {
    *os << c.name;
}

const std::vector<RegistryCase>& registry_cases() {
    static const std::vector<RegistryCase> cases = {
        {"ExplorerShell",
         fix_explorer_shell,
         {{HKEY_LOCAL_MACHINE, kWinlogon}},
         [] { put(HKEY_LOCAL_MACHINE, kWinlogon, L"Shell", test::string_value(L"C:\\Users\\Public\\evil.exe")); },
         [] { EXPECT_EQ(value_of(HKEY_LOCAL_MACHINE, kWinlogon, L"Shell"), test::string_value(L"explorer.exe")); },
         {}},
        {"DesktopIconSettings",
         fix_desktop_icon_settings,
         {{HKEY_CURRENT_USER, kNonEnum}},
         [] {
             for (const wchar_t* name : kDesktopIcons)
                 put(HKEY_CURRENT_USER, kNonEnum, name, test::dword_value(1));
             put(HKEY_CURRENT_USER, kNonEnum, L"{031E4825-7B94-4dc3-B131-E946B44C8DD5}", test::dword_value(1));
         },
         [] {
             EXPECT_EQ(value_names(HKEY_CURRENT_USER, kNonEnum),
                       std::vector<std::wstring>{L"{031E4825-7B94-4dc3-B131-E946B44C8DD5}"});
         },
         {}},
        {"RecycleBinIconShown",
         show_recycle_bin_icon,
         {{HKEY_CURRENT_USER, kNonEnum}, {HKEY_CURRENT_USER, kNewStartPanel}},
         [] {
             put(HKEY_CURRENT_USER, kNonEnum, kRecycleBin, test::dword_value(1));
             put(HKEY_CURRENT_USER, kNewStartPanel, kRecycleBin, test::dword_value(1));
             put(HKEY_CURRENT_USER, kNewStartPanel, L"{20D04FE0-3AEA-1069-A2D8-08002B30309D}", test::dword_value(1));
         },
         [] {
             EXPECT_TRUE(value_names(HKEY_CURRENT_USER, kNonEnum).empty());
             EXPECT_EQ(value_names(HKEY_CURRENT_USER, kNewStartPanel),
                       std::vector<std::wstring>{L"{20D04FE0-3AEA-1069-A2D8-08002B30309D}"});
         },
         {}},
        {"RecycleBinIconImage",
         restore_recycle_bin_icon,
         {{HKEY_CURRENT_USER, kRecycleBinIcon}},
         [] {
             put(HKEY_CURRENT_USER, kRecycleBinIcon, L"", test::string_value(L"C:\\bad.ico"));
             put(HKEY_CURRENT_USER, kRecycleBinIcon, L"full", test::string_value(L"C:\\bad.ico", ValueType::expand_sz));
         },
         [] {
             // The prefix's own Windows folder, written out as plain REG_SZ.
             const std::wstring imageres = windows_folder() + L"\\System32\\imageres.dll";
             EXPECT_EQ(value_of(HKEY_CURRENT_USER, kRecycleBinIcon, L""), test::string_value(imageres + L",-55"));
             EXPECT_EQ(value_of(HKEY_CURRENT_USER, kRecycleBinIcon, L"empty"), test::string_value(imageres + L",-55"));
             EXPECT_EQ(value_of(HKEY_CURRENT_USER, kRecycleBinIcon, L"full"), test::string_value(imageres + L",-54"));
         },
         {}},
        {"Thumbnails",
         fix_thumbnails,
         {{HKEY_CURRENT_USER, kExplorerAdvanced}},
         [] { put(HKEY_CURRENT_USER, kExplorerAdvanced, L"IconsOnly", test::dword_value(1)); },
         [] { EXPECT_EQ(value_of(HKEY_CURRENT_USER, kExplorerAdvanced, L"IconsOnly"), test::dword_value(0)); },
         {}},
        {"PropertySheetPages",
         fix_property_sheet_pages,
         property_sheet_keys(),
         [] {
             put(HKEY_CURRENT_USER, kPoliciesExplorer, L"NoSecurityTab", test::dword_value(1));
             put(HKEY_CURRENT_USER, kPoliciesExplorer, L"NoCustomizeThisFolder", test::dword_value(1));
             put(HKEY_CURRENT_USER, kPoliciesExplorer, L"NoRun", test::dword_value(1));
             put(HKEY_LOCAL_MACHINE, kAppCompat, L"DisablePropPage", test::dword_value(1));
             put(HKEY_CLASSES_ROOT, L"Drive\\shellex\\ContextMenuHandlers\\Sharing", L"",
                 test::string_value(L"{00000000-0000-0000-0000-000000000000}"));
         },
         [] {
             EXPECT_EQ(value_names(HKEY_CURRENT_USER, kPoliciesExplorer), std::vector<std::wstring>{L"NoRun"});
             EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, kAppCompat));
             EXPECT_TRUE(value_names(HKEY_LOCAL_MACHINE, kAppCompat).empty());
             EXPECT_EQ(value_of(HKEY_CLASSES_ROOT, kSummaryPage, L""), test::string_value(L"Summary Properties Page"));
             for (const auto& path : previous_versions_keys()) {
                 EXPECT_TRUE(key_exists(HKEY_CLASSES_ROOT, path)) << to_utf8(path);
                 EXPECT_TRUE(value_names(HKEY_CLASSES_ROOT, path).empty()) << to_utf8(path);
             }
             for (const auto& path : kSharingKeys)
                 EXPECT_EQ(value_of(HKEY_CLASSES_ROOT, path, L""), test::string_value(kSharing)) << to_utf8(path);
         },
         {}},
        {"DriveIcons",
         fix_drive_icons,
         {{HKEY_LOCAL_MACHINE, kDriveIcons}},
         [] {
             put(HKEY_LOCAL_MACHINE, std::wstring(kDriveIcons) + L"\\C\\DefaultIcon", L"",
                 test::string_value(L"C:\\evil.ico"));
         },
         [] {
             EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, kDriveIcons));
             // Explorer's other keys stay.
             EXPECT_TRUE(key_exists(HKEY_LOCAL_MACHINE, std::wstring(kExplorer) + L"\\Shell Folders"));
         },
         {}},
        {"WindowsSearch",
         fix_windows_search,
         {{HKEY_LOCAL_MACHINE, kWSearchService}, {HKEY_LOCAL_MACHINE, kWindowsSearch}},
         [] {
             // Wine installs no Windows Search: the service keys are planted.
             put(HKEY_LOCAL_MACHINE, kWSearchService, L"Start", test::dword_value(4));
             put(HKEY_LOCAL_MACHINE, kWindowsSearch, L"SetupCompletedSuccessfully", test::dword_value(1));
         },
         [] {
             EXPECT_EQ(value_of(HKEY_LOCAL_MACHINE, kWSearchService, L"Start"), test::dword_value(2));
             EXPECT_EQ(value_of(HKEY_LOCAL_MACHINE, kWindowsSearch, L"SetupCompletedSuccessfully"),
                       test::dword_value(0));
         },
         {{L"net stop WSearch /Y", 1, true}, {L"net start WSearch", 1, true}}},
        {"Hibernate",
         fix_hibernate_option,
         {{HKEY_LOCAL_MACHINE, kFlyout}, {HKEY_LOCAL_MACHINE, kPower}},
         [] {
             put(HKEY_LOCAL_MACHINE, kFlyout, L"ShowHibernateOption", test::dword_value(0));
             // powercfg is only recorded here, so hibernation is on already,
             // as "powercfg -h on" would leave it; the check after the
             // repair reads it.
             put(HKEY_LOCAL_MACHINE, kPower, L"HibernateEnabled", test::dword_value(1));
         },
         [] { EXPECT_EQ(value_of(HKEY_LOCAL_MACHINE, kFlyout, L"ShowHibernateOption"), test::dword_value(1)); },
         {{L"powercfg -h on", 5, true}}},
        {"PlugAndPlay",
         fix_plug_and_play,
         {{HKEY_LOCAL_MACHINE, kPlugPlay}},
         [] { put(HKEY_LOCAL_MACHINE, kPlugPlay, L"Start", test::dword_value(4)); },
         [] {
             EXPECT_EQ(value_of(HKEY_LOCAL_MACHINE, kPlugPlay, L"Start"), test::dword_value(2));
             // The rest of the service's entry is left as it was.
             EXPECT_TRUE(value_of(HKEY_LOCAL_MACHINE, kPlugPlay, L"ImagePath"));
         },
         {{L"net Start PlugPlay", 5, true}}},
        {"WindowsScriptHost",
         fix_windows_script_host,
         {{HKEY_LOCAL_MACHINE, kScriptHost}},
         [] { put(HKEY_LOCAL_MACHINE, kScriptHost, L"Enabled", test::dword_value(0)); },
         [] { EXPECT_EQ(value_of(HKEY_LOCAL_MACHINE, kScriptHost, L"Enabled"), test::dword_value(1)); },
         {}},
    };
    return cases;
}

std::vector<test::RegistryTree> trees_of(const std::vector<Key>& keys) {
    std::vector<test::RegistryTree> trees;
    for (const auto& key : keys)
        trees.push_back(test::read_registry_tree(key.root, key.path));
    return trees;
}

class AdvancedRegistryRepairOnWine : public ::testing::TestWithParam<RegistryCase> {};

TEST_P(AdvancedRegistryRepairOnWine, RepairsTheRealRegistryAndASecondRunChangesNothing) {
    const auto& c = GetParam();
    test::RegistrySnapshot snapshot(c.keys);
    c.damage();
    if (HasFatalFailure()) return;

    RealRegistrySystem s;
    c.repair(s.services);
    c.check();
    EXPECT_EQ(s.ui.boxes, std::vector<Box>{kNotice});
    EXPECT_EQ(s.runner.calls(), c.commands);
    const auto once = trees_of(c.keys);

    c.repair(s.services);
    EXPECT_TRUE(trees_of(c.keys) == once) << "the second run changed the registry";
    EXPECT_EQ(s.ui.boxes, (std::vector<Box>{kNotice, kNotice}));
}

INSTANTIATE_TEST_SUITE_P(Advanced, AdvancedRegistryRepairOnWine, ::testing::ValuesIn(registry_cases()),
                         [](const auto& info) { return std::string(info.param.name); });

// The missing key is found before the service is stopped, so it is never
// stopped; the error names the key with the system's text (Wine's text for
// ERROR_FILE_NOT_FOUND differs from Windows').
TEST(WindowsSearchRepairOnWine, WithoutTheServiceKeyTheKeyIsNamedAndTheServiceIsNotStopped) {
    test::RegistrySnapshot snapshot({{HKEY_LOCAL_MACHINE, kWSearchService}, {HKEY_LOCAL_MACHINE, kWindowsSearch}});
    test::delete_registry_tree(HKEY_LOCAL_MACHINE, kWSearchService);
    put(HKEY_LOCAL_MACHINE, kWindowsSearch, L"SetupCompletedSuccessfully", test::dword_value(1));

    RealRegistrySystem s;
    try {
        fix_windows_search(s.services);
        ADD_FAILURE() << "no error raised";
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), L"Cannot open the key \"HKEY_LOCAL_MACHINE\\" + std::wstring(kWSearchService) + L"\": " +
                                   system_error_text(ERROR_FILE_NOT_FOUND));
    }
    EXPECT_TRUE(s.runner.lines().empty());
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, kWSearchService)); // opened only, never created
    EXPECT_EQ(value_of(HKEY_LOCAL_MACHINE, kWindowsSearch, L"SetupCompletedSuccessfully"), test::dword_value(1));
    EXPECT_TRUE(s.ui.boxes.empty());
    EXPECT_TRUE(s.ui.sleeps.empty());
}

TEST(PropertySheetRepairOnWine, AMissingAppCompatPolicyKeyIsNotCreatedAndTheRepairEndsWithTheNotice) {
    test::RegistrySnapshot snapshot(property_sheet_keys());
    test::delete_registry_tree(HKEY_LOCAL_MACHINE, kAppCompat);
    put(HKEY_CURRENT_USER, kPoliciesExplorer, L"NoCustomizeThisFolder", test::dword_value(1));

    RealRegistrySystem s;
    fix_property_sheet_pages(s.services);
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, kAppCompat));
    // The groups after it still ran.
    EXPECT_FALSE(value_of(HKEY_CURRENT_USER, kPoliciesExplorer, L"NoCustomizeThisFolder"));
    EXPECT_EQ(value_of(HKEY_CLASSES_ROOT, kSharingKeys.back(), L""), test::string_value(kSharing));
    EXPECT_EQ(s.ui.boxes, std::vector<Box>{kNotice});
}

TEST(DriveIconRepairOnWine, WithoutDriveIconsNothingIsDeletedAndTheNoticeAppears) {
    test::RegistrySnapshot snapshot({{HKEY_LOCAL_MACHINE, kDriveIcons}, {HKEY_LOCAL_MACHINE, L"DriveIcons"}});
    test::delete_registry_tree(HKEY_LOCAL_MACHINE, kDriveIcons);
    // A key of that name straight below the root is not Explorer's.
    put(HKEY_LOCAL_MACHINE, L"DriveIcons", L"Keep", test::dword_value(1));
    const auto explorer_before = test::read_registry_tree(HKEY_LOCAL_MACHINE, kExplorer);

    RealRegistrySystem s;
    fix_drive_icons(s.services);
    EXPECT_TRUE(test::read_registry_tree(HKEY_LOCAL_MACHINE, kExplorer) == explorer_before);
    EXPECT_EQ(value_of(HKEY_LOCAL_MACHINE, L"DriveIcons", L"Keep"), test::dword_value(1));
    EXPECT_EQ(s.ui.boxes, std::vector<Box>{kNotice});
}

} // namespace
} // namespace vx
