#include <gtest/gtest.h>

#include <functional>

#include "fixers/advanced/registry_repairs.h"
#include "services/error.h"
#include "tests/fakes/fake_system.h"

namespace vx {
namespace {

using test::FakeSystem;
using test::ScriptedUi;
constexpr auto HKCR = RootKey::classes_root;
constexpr auto HKCU = RootKey::current_user;
constexpr auto HKLM = RootKey::local_machine;

constexpr wchar_t kNonEnum[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\NonEnum";
constexpr wchar_t kNewStartPanel[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\HideDesktopIcons\\NewStartPanel";
constexpr wchar_t kPoliciesExplorer[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
constexpr wchar_t kAppCompat[] = L"SOFTWARE\\Policies\\Microsoft\\Windows\\AppCompat";
constexpr wchar_t kExplorer[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer";
constexpr wchar_t kWSearchService[] = L"SYSTEM\\CurrentControlSet\\Services\\WSearch";
constexpr wchar_t kWindowsSearch[] = L"SOFTWARE\\Microsoft\\Windows Search";
constexpr wchar_t kRecycleBin[] = L"{645FF040-5081-101B-9F08-00AA002F954E}";
constexpr wchar_t kRecycleBinIcon[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\CLSID\\{645FF040-5081-101B-9F08-00AA002F954E}"
    L"\\DefaultIcon";
constexpr wchar_t kSharing[] = L"{f81e9010-6ea4-11ce-a7ff-00aa003ca9f6}";

const ScriptedUi::Box kNotice{L"The problem has been fixed, restart the computer to see changes!", L"Vantrix ", 0x40};

// A damaged machine, the repair, and what the machine must look like after it.
struct RegistryCase {
    const char* name;
    void (*repair)(Services&);
    std::uint32_t access; // the mask of every key the repair opens
    std::function<void(FakeSystem&)> damage;
    std::function<void(const FakeSystem&)> check;
};

const std::vector<RegistryCase>& registry_cases() {
    static const std::vector<RegistryCase> cases = {
        {"ExplorerShell", fix_explorer_shell, kKeyAllAccess,
         [](FakeSystem& s) {
             s.registry.put_string(HKLM, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", L"Shell",
                                   L"C:\\Users\\Public\\evil.exe");
         },
         [](const FakeSystem& s) {
             EXPECT_EQ(s.registry.get(HKLM, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", L"Shell"),
                       test::string_value(L"explorer.exe"));
         }},
        {"DesktopIconSettings", fix_desktop_icon_settings, kKeyAllAccess,
         [](FakeSystem& s) {
             for (const wchar_t* name :
                  {kRecycleBin, L"{20D04FE0-3AEA-1069-A2D8-08002B30309D}", L"{59031a47-3f72-44a7-89c5-5595fe6b30ee}",
                   L"{5399E694-6CE5-4D6C-8FCE-1D8870FDCBA0}", L"{F02C1A0D-BE21-4350-88B0-7367FC96EF3C}"})
                 s.registry.put_dword(HKCU, kNonEnum, name, 1);
             s.registry.put_dword(HKCU, kNonEnum, L"{031E4825-7B94-4dc3-B131-E946B44C8DD5}", 1);
         },
         [](const FakeSystem& s) {
             // Only the five desktop icons are released; other NonEnum entries stay.
             EXPECT_EQ(s.registry.value_names(HKCU, kNonEnum),
                       std::vector<std::wstring>{L"{031E4825-7B94-4dc3-B131-E946B44C8DD5}"});
         }},
        {"RecycleBinIconShown", show_recycle_bin_icon, kKeyWrite,
         [](FakeSystem& s) {
             s.registry.put_dword(HKCU, kNonEnum, kRecycleBin, 1);
             s.registry.put_dword(HKCU, kNewStartPanel, kRecycleBin, 1);
             s.registry.put_dword(HKCU, kNewStartPanel, L"{20D04FE0-3AEA-1069-A2D8-08002B30309D}", 1);
         },
         [](const FakeSystem& s) {
             EXPECT_TRUE(s.registry.value_names(HKCU, kNonEnum).empty());
             EXPECT_EQ(s.registry.value_names(HKCU, kNewStartPanel),
                       std::vector<std::wstring>{L"{20D04FE0-3AEA-1069-A2D8-08002B30309D}"});
         }},
        {"RecycleBinIconImage", restore_recycle_bin_icon, kKeyWrite,
         [](FakeSystem& s) {
             // Windows installed elsewhere: the paths follow the Windows folder.
             s.folders.windows = L"D:\\WinNT";
             s.registry.put_string(HKCU, kRecycleBinIcon, L"", L"C:\\bad.ico");
             s.registry.put_string(HKCU, kRecycleBinIcon, L"full", L"C:\\bad.ico");
         },
         [](const FakeSystem& s) {
             EXPECT_EQ(s.registry.get(HKCU, kRecycleBinIcon, L""),
                       test::string_value(L"D:\\WinNT\\System32\\imageres.dll,-55"));
             EXPECT_EQ(s.registry.get(HKCU, kRecycleBinIcon, L"empty"),
                       test::string_value(L"D:\\WinNT\\System32\\imageres.dll,-55"));
             EXPECT_EQ(s.registry.get(HKCU, kRecycleBinIcon, L"full"),
                       test::string_value(L"D:\\WinNT\\System32\\imageres.dll,-54"));
         }},
        {"Thumbnails", fix_thumbnails, kKeyWrite,
         [](FakeSystem& s) {
             s.registry.put_dword(HKCU, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced",
                                  L"IconsOnly", 1);
         },
         [](const FakeSystem& s) {
             EXPECT_EQ(s.registry.get(HKCU, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced",
                                      L"IconsOnly"),
                       test::dword_value(0));
         }},
        {"PropertySheetPages", fix_property_sheet_pages, kKeyAllAccess,
         [](FakeSystem& s) {
             s.registry.put_dword(HKCU, kPoliciesExplorer, L"NoSecurityTab", 1);
             s.registry.put_dword(HKCU, kPoliciesExplorer, L"NoCustomizeThisFolder", 1);
             s.registry.put_dword(HKCU, kPoliciesExplorer, L"NoRun", 1);
             s.registry.put_dword(HKLM, kAppCompat, L"DisablePropPage", 1);
         },
         [](const FakeSystem& s) {
             EXPECT_EQ(s.registry.value_names(HKCU, kPoliciesExplorer), std::vector<std::wstring>{L"NoRun"});
             EXPECT_TRUE(s.registry.value_names(HKLM, kAppCompat).empty());
             EXPECT_EQ(s.registry.get_string(
                           HKCR, L"*\\shellex\\PropertySheetHandlers\\{883373C3-BF89-11D1-BE35-080036B11A03}", L""),
                       L"Summary Properties Page");
             for (const wchar_t* owner :
                  {L"AllFilesystemObjects", L"CLSID\\{450D8FBA-AD25-11D0-98A8-0800361B1103}", L"Directory", L"Drive"})
                 for (const wchar_t* kind : {L"ContextMenuHandlers", L"PropertySheetHandlers"}) {
                     const std::wstring key =
                         std::wstring(owner) + L"\\shellex\\" + kind + L"\\{596AB062-B4D2-4215-9F74-E9109B0A8153}";
                     EXPECT_TRUE(s.registry.has_key(HKCR, key)) << to_utf8(key);
                     EXPECT_TRUE(s.registry.value_names(HKCR, key).empty()) << to_utf8(key);
                 }
             for (const wchar_t* key :
                  {L"*\\shellex\\ContextMenuHandlers\\Sharing",
                   L"Directory\\Background\\shellex\\ContextMenuHandlers\\Sharing",
                   L"Directory\\shellex\\ContextMenuHandlers\\Sharing", L"Drive\\shellex\\ContextMenuHandlers\\Sharing",
                   L"LibraryFolder\\background\\shellex\\ContextMenuHandlers\\Sharing",
                   L"UserLibraryFolder\\shellex\\ContextMenuHandlers\\Sharing",
                   L"Directory\\shellex\\PropertySheetHandlers\\Sharing",
                   L"Drive\\shellex\\PropertySheetHandlers\\Sharing"})
                 EXPECT_EQ(s.registry.get(HKCR, key, L""), test::string_value(kSharing)) << to_utf8(key);
         }},
        {"DriveIcons", fix_drive_icons, kKeyAllAccess,
         [](FakeSystem& s) {
             s.registry.put_string(HKLM, std::wstring(kExplorer) + L"\\DriveIcons\\C\\DefaultIcon", L"",
                                   L"C:\\evil.ico");
             s.registry.put_dword(HKLM, kExplorer, L"Keep", 1);
         },
         [](const FakeSystem& s) {
             EXPECT_FALSE(s.registry.has_key(HKLM, std::wstring(kExplorer) + L"\\DriveIcons"));
             EXPECT_EQ(s.registry.get_dword(HKLM, kExplorer, L"Keep"), 1u);
         }},
        {"WindowsSearch", fix_windows_search, kKeyWrite,
         [](FakeSystem& s) {
             s.registry.put_dword(HKLM, kWSearchService, L"Start", 4);
             s.registry.put_dword(HKLM, kWindowsSearch, L"SetupCompletedSuccessfully", 1);
         },
         [](const FakeSystem& s) {
             EXPECT_EQ(s.registry.get(HKLM, kWSearchService, L"Start"), test::dword_value(2));
             EXPECT_EQ(s.registry.get(HKLM, kWindowsSearch, L"SetupCompletedSuccessfully"), test::dword_value(0));
         }},
        {"Hibernate", fix_hibernate_option, kKeyWrite, [](FakeSystem&) {},
         [](const FakeSystem& s) {
             EXPECT_EQ(s.registry.get(HKLM,
                                      L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FlyoutMenuSettings",
                                      L"ShowHibernateOption"),
                       test::dword_value(1));
         }},
        {"PlugAndPlay", fix_plug_and_play, kKeyWrite,
         [](FakeSystem& s) {
             s.registry.put_dword(HKLM, L"SYSTEM\\CurrentControlSet\\Services\\PlugPlay", L"Start", 4);
         },
         [](const FakeSystem& s) {
             EXPECT_EQ(s.registry.get(HKLM, L"SYSTEM\\CurrentControlSet\\Services\\PlugPlay", L"Start"),
                       test::dword_value(2));
         }},
        {"WindowsScriptHost", fix_windows_script_host, kKeyAllAccess,
         [](FakeSystem& s) {
             s.registry.put_dword(HKLM, L"SOFTWARE\\Microsoft\\Windows Script Host\\Settings", L"Enabled", 0);
         },
         [](const FakeSystem& s) {
             EXPECT_EQ(s.registry.get(HKLM, L"SOFTWARE\\Microsoft\\Windows Script Host\\Settings", L"Enabled"),
                       test::dword_value(1));
         }},
    };
    return cases;
}

void PrintTo(const RegistryCase& c, std::ostream* os) {
    *os << c.name;
}

class RegistryRepair : public ::testing::TestWithParam<RegistryCase> {};

TEST_P(RegistryRepair, RepairsTheDamageClosesEveryKeyAndEndsWithTheNotice) {
    const auto& c = GetParam();
    FakeSystem s;
    c.damage(s);
    c.repair(s.services);
    c.check(s);
    EXPECT_EQ(s.ui.boxes, std::vector<ScriptedUi::Box>{kNotice});
    EXPECT_EQ(s.registry.open_handles(), 0u);
    // Existence checks open for reading; every other open uses the repair's mask.
    for (const auto& call : s.registry.open_calls()) {
        if (call.access != kKeyRead) {
            EXPECT_EQ(call.access, c.access) << to_utf8(call.path);
        }
    }
}

TEST_P(RegistryRepair, RunningItTwiceLeavesTheStateOfRunningItOnce) {
    const auto& c = GetParam();
    FakeSystem once;
    FakeSystem twice;
    c.damage(once);
    c.damage(twice);
    c.repair(once.services);
    c.repair(twice.services);
    c.repair(twice.services);
    EXPECT_TRUE(once.registry == twice.registry);
    EXPECT_EQ(twice.ui.boxes, (std::vector<ScriptedUi::Box>{kNotice, kNotice}));
    EXPECT_EQ(twice.registry.open_handles(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Advanced, RegistryRepair, ::testing::ValuesIn(registry_cases()),
                         [](const auto& info) { return std::string(info.param.name); });

// Repairs without a trap: a write that fails stops the repair at that step and
// the error reaches the standard error box; no notice, and no later command.
TEST(RegistryRepairFailure, AFailedWriteRaisesAndStopsTheRepair) {
    struct Case {
        void (*repair)(Services&);
        RootKey root;
        const wchar_t* key;
        const wchar_t* message;
    };
    const Case cases[] = {
        {fix_explorer_shell, HKLM, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon",
         L"Failed to set data for 'Shell'"},
        {restore_recycle_bin_icon, HKCU, kRecycleBinIcon, L"Failed to set data for ''"},
        {fix_thumbnails, HKCU, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced",
         L"Failed to set data for 'IconsOnly'"},
        {fix_hibernate_option, HKLM, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FlyoutMenuSettings",
         L"Failed to set data for 'ShowHibernateOption'"},
        {fix_plug_and_play, HKLM, L"SYSTEM\\CurrentControlSet\\Services\\PlugPlay", L"Failed to set data for 'Start'"},
        {fix_windows_script_host, HKLM, L"SOFTWARE\\Microsoft\\Windows Script Host\\Settings",
         L"Failed to set data for 'Enabled'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(to_utf8(c.key));
        FakeSystem s;
        s.registry.create_key(c.root, c.key);
        s.registry.deny_changes(c.root, c.key);
        try {
            c.repair(s.services);
            ADD_FAILURE() << "no error raised";
        } catch (const Error& e) {
            EXPECT_EQ(e.message(), c.message);
        }
        EXPECT_TRUE(s.ui.boxes.empty());
        EXPECT_TRUE(s.runner.calls().empty());
        EXPECT_EQ(s.registry.open_handles(), 0u);
    }
}

TEST(WindowsSearchRepair, StopsWritesWaitsAndStartsTheServiceInThatOrder) {
    FakeSystem s;
    s.registry.create_key(HKLM, kWSearchService);
    s.registry.create_key(HKLM, kWindowsSearch);
    std::vector<std::size_t> sleeps_before;
    std::vector<bool> written_before;
    s.runner.on_run = [&](const std::wstring&) {
        sleeps_before.push_back(s.ui.sleeps.size());
        written_before.push_back(s.registry.get_dword(HKLM, kWSearchService, L"Start").has_value());
    };
    fix_windows_search(s.services);
    using Call = test::RecordingRunner::Call;
    EXPECT_EQ(s.runner.calls(),
              (std::vector<Call>{{L"net stop WSearch /Y", 1, true}, {L"net start WSearch", 1, true}}));
    EXPECT_EQ(sleeps_before, (std::vector<std::size_t>{0, 1}));
    EXPECT_EQ(written_before, (std::vector<bool>{false, true}));
    EXPECT_EQ(s.ui.pumps, 1);
    EXPECT_EQ(s.ui.sleeps, std::vector<unsigned>{4000});
}

// A missing key (Windows Search not installed) is found before the service is
// stopped: it keeps running, and the error names the key.
TEST(WindowsSearchRepair, AMissingKeyIsNamedBeforeTheServiceIsStopped) {
    const wchar_t* const keys[] = {kWSearchService, kWindowsSearch};
    for (const wchar_t* missing : keys) {
        SCOPED_TRACE(to_utf8(missing));
        FakeSystem s;
        for (const wchar_t* key : keys)
            if (key != missing) s.registry.put_dword(HKLM, key, L"Start", 4);
        EXPECT_EQ(s.boxes_after(fix_windows_search),
                  (std::vector<ScriptedUi::Box>{{L"Cannot open the key \"HKEY_LOCAL_MACHINE\\" + std::wstring(missing) +
                                                     L"\": The system cannot find the file specified.",
                                                 L"Vantrix", 0x10}}));
        EXPECT_TRUE(s.runner.calls().empty());
        EXPECT_FALSE(s.registry.has_key(HKLM, missing)); // open only: not created
        EXPECT_EQ(s.registry.open_handles(), 0u);
    }
}

// A write refused after the stop: the service is started again all the same.
TEST(WindowsSearchRepair, AFailedWriteAfterTheStopStillStartsTheService) {
    FakeSystem s;
    s.registry.create_key(HKLM, kWSearchService);
    s.registry.create_key(HKLM, kWindowsSearch);
    s.registry.deny_changes(HKLM, kWindowsSearch);
    EXPECT_EQ(
        s.boxes_after(fix_windows_search),
        (std::vector<ScriptedUi::Box>{{L"Failed to set data for 'SetupCompletedSuccessfully'.", L"Vantrix", 0x10}}));
    EXPECT_EQ(s.runner.lines(), (std::vector<std::wstring>{L"net stop WSearch /Y", L"net start WSearch"}));
    EXPECT_EQ(s.ui.sleeps, std::vector<unsigned>{4000});
    EXPECT_EQ(s.registry.open_handles(), 0u);
}

TEST(WaitedCommandRepairs, RunTheirCommandAfterTheWriteAndPauseAndWaitForIt) {
    using Call = test::RecordingRunner::Call;
    {
        FakeSystem s;
        fix_hibernate_option(s.services);
        EXPECT_EQ(s.runner.calls(), (std::vector<Call>{{L"powercfg -h on", 5, true}}));
        EXPECT_TRUE(s.ui.sleeps.empty());
    }
    {
        FakeSystem s;
        fix_plug_and_play(s.services);
        EXPECT_EQ(s.runner.calls(), (std::vector<Call>{{L"net Start PlugPlay", 5, true}}));
        EXPECT_EQ(s.ui.pumps, 1);
        EXPECT_EQ(s.ui.sleeps, std::vector<unsigned>{200});
    }
}

// A command that cannot be started at all is named in an error box in place of
// the notice; the registry part of the repair is still done.
TEST(RegistryRepairCommands, ACommandThatCannotStartIsReportedInsteadOfTheNotice) {
    {
        FakeSystem s;
        s.runner.missing(L"powercfg");
        fix_hibernate_option(s.services);
        // Hibernation stays off, and the box says so too.
        EXPECT_EQ(s.ui.boxes, (std::vector<ScriptedUi::Box>{
                                  {L"This command could not be started:\npowercfg -h on\n\n"
                                   L"After the repair the system still differs from what it sets:\n"
                                   L"hibernation is off (HibernateEnabled)",
                                   L"Vantrix", 0x10}}));
        EXPECT_TRUE(s.registry.get_dword(HKLM,
                                         L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FlyoutMenuSettings",
                                         L"ShowHibernateOption"));
    }
    {
        FakeSystem s;
        s.runner.missing(L"net");
        fix_plug_and_play(s.services);
        EXPECT_EQ(s.ui.boxes, (std::vector<ScriptedUi::Box>{
                                  {L"This command could not be started:\nnet Start PlugPlay", L"Vantrix", 0x10}}));
    }
    {
        FakeSystem s;
        s.registry.create_key(HKLM, kWSearchService);
        s.registry.create_key(HKLM, kWindowsSearch);
        s.runner.missing(L"net");
        fix_windows_search(s.services);
        EXPECT_EQ(s.ui.boxes, (std::vector<ScriptedUi::Box>{
                                  {L"These commands could not be started:\nnet stop WSearch /Y\nnet start WSearch",
                                   L"Vantrix", 0x10}}));
        EXPECT_EQ(s.registry.get_dword(HKLM, kWSearchService, L"Start"), 2u);
    }
}

// A command that ran and failed is named with its exit code in place of the
// notice; the benign codes of net give the notice.
TEST(RegistryRepairCommands, AFailingExitCodeIsReportedInsteadOfTheNotice) {
    struct Case {
        void (*repair)(Services&);
        const wchar_t* program;
        int code;
        std::vector<ScriptedUi::Box> boxes;
    };
    const auto failed = [](const wchar_t* text) { return std::vector<ScriptedUi::Box>{{text, L"Vantrix", 0x10}}; };
    const Case cases[] = {
        // powercfg exits 1 where the firmware has no hibernation.
        {fix_hibernate_option, L"powercfg", 1, failed(L"This command failed:\npowercfg -h on (exit code 1)")},
        // 2 is "already running" on Windows (Plug and Play always runs).
        {fix_plug_and_play, L"net", 2, {kNotice}},
        {fix_plug_and_play, L"net", 5, failed(L"This command failed:\nnet Start PlugPlay (exit code 5)")},
        // The stop's code is not examined (an already stopped service gives 2);
        // the start decides. Under Wine, net answers 1 where Windows gives 2.
        {fix_windows_search, L"net", 2, {kNotice}},
        {fix_windows_search, L"net", 1, failed(L"This command failed:\nnet start WSearch (exit code 1)")},
    };
    for (const auto& c : cases) {
        FakeSystem s;
        s.registry.create_key(HKLM, kWSearchService);
        s.registry.create_key(HKLM, kWindowsSearch);
        s.runner.exit_code(c.program, c.code);
        EXPECT_EQ(s.boxes_after(c.repair), c.boxes) << to_utf8(c.program) << " " << c.code;
    }
}

// A value or key that is already absent is success; a delete that is refused
// is named with its key and value, and no notice follows.
TEST(RegistryRepairDeletes, ARefusedDeleteIsNamedAndAnAbsentOneIsSuccess) {
    const std::wstring non_enum = L"HKEY_CURRENT_USER\\" + std::wstring(kNonEnum);
    const std::wstring bin = kRecycleBin;
    struct Case {
        void (*repair)(Services&);
        std::function<void(FakeSystem&)> arrange;
        std::wstring text;
    };
    const Case cases[] = {
        {fix_desktop_icon_settings, [](FakeSystem&) {}, L""},
        {show_recycle_bin_icon, [](FakeSystem&) {}, L""},
        {fix_drive_icons, [](FakeSystem&) {}, L""},
        {fix_desktop_icon_settings,
         [](FakeSystem& s) {
             s.registry.put_dword(HKCU, kNonEnum, kRecycleBin, 1);
             s.registry.deny_changes(HKCU, kNonEnum);
         },
         L"Cannot delete the value \"" + bin + L"\" of the key \"" + non_enum + L"\": Access is denied."},
        {show_recycle_bin_icon,
         [](FakeSystem& s) {
             s.registry.put_dword(HKCU, kNonEnum, kRecycleBin, 1);
             s.registry.deny_changes(HKCU, kNonEnum);
         },
         L"Cannot delete the value \"" + bin + L"\" of the key \"" + non_enum + L"\": Access is denied."},
        {show_recycle_bin_icon,
         [](FakeSystem& s) {
             s.registry.put_dword(HKCU, kNewStartPanel, kRecycleBin, 1);
             s.registry.deny_open(HKCU, kNewStartPanel);
         },
         L"Cannot delete the value \"" + bin + L"\" of the key \"HKEY_CURRENT_USER\\" + kNewStartPanel +
             L"\": Access is denied."},
        {fix_drive_icons,
         [](FakeSystem& s) {
             s.registry.put_string(HKLM, std::wstring(kExplorer) + L"\\DriveIcons\\C\\DefaultIcon", L"", L"x.ico");
             s.registry.deny_changes(HKLM, kExplorer);
         },
         L"Cannot delete the key \"HKEY_LOCAL_MACHINE\\" + std::wstring(kExplorer) +
             L"\\DriveIcons\": Access is denied."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(to_utf8(c.text));
        FakeSystem s;
        c.arrange(s);
        const auto boxes = s.boxes_after(c.repair);
        if (c.text.empty())
            EXPECT_EQ(boxes, std::vector<ScriptedUi::Box>{kNotice});
        else
            EXPECT_EQ(boxes, (std::vector<ScriptedUi::Box>{{c.text, L"Vantrix", 0x10}}));
        EXPECT_EQ(s.registry.open_handles(), 0u);
    }
}

TEST(PropertySheetRepair, AMissingAppCompatPolicyKeyIsNotCreatedAndTheRestRuns) {
    FakeSystem s;
    s.registry.put_dword(HKCU, kPoliciesExplorer, L"NoCustomizeThisFolder", 1);
    fix_property_sheet_pages(s.services);
    EXPECT_FALSE(s.registry.has_key(HKLM, kAppCompat));
    EXPECT_FALSE(s.registry.get(HKCU, kPoliciesExplorer, L"NoCustomizeThisFolder"));
    EXPECT_EQ(s.registry.get(HKCR, L"Drive\\shellex\\PropertySheetHandlers\\Sharing", L""),
              test::string_value(kSharing));
    EXPECT_EQ(s.ui.boxes, std::vector<ScriptedUi::Box>{kNotice});
    EXPECT_EQ(s.registry.open_handles(), 0u);
}

TEST(PropertySheetRepair, AFailedWriteIsShownInsteadOfTheNoticeKeepingWhatWasDone) {
    FakeSystem s;
    const wchar_t* summary = L"*\\shellex\\PropertySheetHandlers\\{883373C3-BF89-11D1-BE35-080036B11A03}";
    s.registry.put_dword(HKCU, kPoliciesExplorer, L"NoSecurityTab", 1);
    s.registry.put_dword(HKCU, kPoliciesExplorer, L"NoCustomizeThisFolder", 1);
    s.registry.create_key(HKCR, summary);
    s.registry.deny_changes(HKCR, summary);
    EXPECT_EQ(s.boxes_after(fix_property_sheet_pages),
              (std::vector<ScriptedUi::Box>{{L"Failed to set data for ''.", L"Vantrix", 0x10}}));
    EXPECT_FALSE(s.registry.get(HKCU, kPoliciesExplorer, L"NoSecurityTab"));        // done before the failure
    EXPECT_TRUE(s.registry.get(HKCU, kPoliciesExplorer, L"NoCustomizeThisFolder")); // never reached
    EXPECT_FALSE(s.registry.has_key(HKCR, L"Drive\\shellex\\PropertySheetHandlers\\Sharing"));
    EXPECT_EQ(s.registry.open_handles(), 0u);
}

TEST(DriveIconRepair, WithoutDriveIconsNothingIsDeletedAndTheNoticeAppears) {
    FakeSystem s;
    s.registry.put_dword(HKLM, kExplorer, L"Keep", 1);
    // A key of that name elsewhere is not the one this repair deletes, even
    // when Explorer's key itself is missing.
    s.registry.create_key(HKLM, L"DriveIcons");
    fix_drive_icons(s.services);
    EXPECT_TRUE(s.registry.has_key(HKLM, L"DriveIcons"));
    EXPECT_EQ(s.registry.get_dword(HKLM, kExplorer, L"Keep"), 1u);
    EXPECT_EQ(s.ui.boxes, std::vector<ScriptedUi::Box>{kNotice});

    FakeSystem bare;
    bare.registry.create_key(HKLM, L"DriveIcons");
    fix_drive_icons(bare.services);
    EXPECT_TRUE(bare.registry.has_key(HKLM, L"DriveIcons"));
    EXPECT_FALSE(bare.registry.has_key(HKLM, kExplorer)); // open only
    EXPECT_EQ(bare.ui.boxes, std::vector<ScriptedUi::Box>{kNotice});
    EXPECT_EQ(bare.registry.open_handles(), 0u);
}

} // namespace
} // namespace vx
