// The checks of the Advanced page's repairs: what each row's mark says about
// a machine, and the closing message of each repair, which is the notice only
// when the check then finds the state the repair sets.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>

#include "fixers/advanced/advanced_catalogue.h"
#include "fixers/advanced/advanced_health.h"
#include "services/error.h"
#include "tests/fakes/fake_system.h"

namespace vx {
namespace {

using test::FakeSystem;
using test::ScriptedUi;
constexpr auto HKCU = RootKey::current_user;
constexpr auto HKLM = RootKey::local_machine;

constexpr wchar_t kWinlogon[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
constexpr wchar_t kAdvanced[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced";
constexpr wchar_t kRecycleBin[] = L"{645FF040-5081-101B-9F08-00AA002F954E}";
constexpr wchar_t kRecycleBinIcon[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\CLSID\\{645FF040-5081-101B-9F08-00AA002F954E}"
    L"\\DefaultIcon";
constexpr wchar_t kHideDesktopIcons[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\HideDesktopIcons\\NewStartPanel";
constexpr wchar_t kHosts[] = L"C:\\Windows\\System32\\drivers\\etc\\hosts";
constexpr wchar_t kScriptHost[] = L"SOFTWARE\\Microsoft\\Windows Script Host\\Settings";

const ScriptedUi::Box kNotice{L"The problem has been fixed, restart the computer to see changes!", L"Vantrix ", 0x40};

void run(FakeSystem& s, std::wstring_view button) {
    const AdvancedRow* row = find_advanced_row(button);
    ASSERT_NE(row, nullptr);
    try {
        row->repair(s.services);
    } catch (const Error& e) {
        s.ui.show_error(e.message());
    }
}

// What the machine needs before every repair can run: the keys of an
// installed Windows Search, and the hosts file's folder.
void prepare(FakeSystem& s) {
    s.registry.put_dword(HKLM, L"SYSTEM\\CurrentControlSet\\Services\\WSearch", L"Start", 2);
    s.registry.create_key(HKLM, L"SOFTWARE\\Microsoft\\Windows Search");
    s.files.add_directory(L"C:\\Windows\\System32\\drivers\\etc");
}

struct DamageCase {
    const wchar_t* button;
    std::function<void(FakeSystem&)> damage;
    const wchar_t* mark; // the row's summary after the damage
    bool repaired;       // whether the repair puts it right
};

// Each readable row: intact after its repair, damaged with a line that names
// what differs, and intact again after the repair ends with the notice.
TEST(AdvancedHealth, EachRowNamesItsDamageAndItsRepairEndsWithTheNoticeOnlyOnceItIsGone) {
    const DamageCase cases[] = {
        {L"btnFIXEXPLOREREXE", [](FakeSystem& s) { s.registry.put_string(HKLM, kWinlogon, L"Shell", L"evil.exe"); },
         L"Winlogon Shell is \"evil.exe\", not \"explorer.exe\"", true},
        {L"btnFIXDESKTOPICON",
         [](FakeSystem& s) {
             s.registry.put_dword(HKCU, L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\NonEnum",
                                  L"{20D04FE0-3AEA-1069-A2D8-08002B30309D}", 1);
             s.registry.put_dword(HKCU, L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\NonEnum",
                                  L"{F02C1A0D-BE21-4350-88B0-7367FC96EF3C}", 1);
         },
         L"This PC icon hidden by policy (NonEnum) (+1 more)", true},
        {L"btnFIXRECYCLEBINICON", [](FakeSystem& s) { s.registry.put_dword(HKCU, kHideDesktopIcons, kRecycleBin, 1); },
         L"Recycle Bin icon hidden from the desktop (HideDesktopIcons)", true},
        {L"btnFIXICONRECYCLEBIN",
         [](FakeSystem& s) { s.registry.put_string(HKCU, kRecycleBinIcon, L"full", L"C:\\evil.ico"); },
         L"full Recycle Bin icon is \"C:\\evil.ico\", not \"C:\\Windows\\System32\\imageres.dll,-54\"", true},
        {L"btnFIXTHUMBNAILSFOLDER", [](FakeSystem& s) { s.registry.put_dword(HKCU, kAdvanced, L"IconsOnly", 1); },
         L"IconsOnly (icons instead of thumbnails) is 1, not 0", true},
        {L"btnFIXFILEFOLDERPROPERTIES",
         [](FakeSystem& s) {
             s.registry.put_dword(HKCU, L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer",
                                  L"NoSecurityTab", 1);
             s.registry.remove_key(RootKey::classes_root, L"Drive\\shellex\\PropertySheetHandlers\\Sharing");
         },
         L"Security tab hidden by policy (NoSecurityTab) (+1 more)", true},
        {L"btnFIXDRIVEICON",
         [](FakeSystem& s) {
             s.registry.put_string(HKLM,
                                   L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\DriveIcons\\C\\"
                                   L"DefaultIcon",
                                   L"", L"C:\\evil.ico");
         },
         L"drive icons replaced (DriveIcons key present)", true},
        {L"btnFIXFILEHOST",
         [](FakeSystem& s) {
             s.files.add_file(kHosts, s.files.content(kHosts).value_or("") +
                                          "10.0.0.1 bank.example\r\n10.0.0.1 mail.example\r\n");
         },
         L"hosts file maps 2 names of its own", true},
        {L"btnFIXWINSEARCH",
         [](FakeSystem& s) {
             s.registry.put_dword(HKLM, L"SYSTEM\\CurrentControlSet\\Services\\WSearch", L"Start", 4);
         },
         L"Windows Search service: disabled start, not automatic", true},
        {L"btnFIXHIBERNATE",
         [](FakeSystem& s) {
             s.registry.put_dword(HKLM, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FlyoutMenuSettings",
                                  L"ShowHibernateOption", 0);
         },
         L"ShowHibernateOption is 0, not 1", true},
        {L"btnFIXPLUGPLAY",
         [](FakeSystem& s) {
             s.registry.put_dword(HKLM, L"SYSTEM\\CurrentControlSet\\Services\\PlugPlay", L"Start", 3);
         },
         L"Plug and Play service: manual start, not automatic", true},
        {L"btnFIXWINSCRIPTHOST", [](FakeSystem& s) { s.registry.put_dword(HKLM, kScriptHost, L"Enabled", 0); },
         L"Windows Script Host disabled (Enabled)", true},
        // The repair starts the services but leaves the policy alone: it
        // says so rather than claim System Restore works.
        {L"btnFIXSYSRESTORE",
         [](FakeSystem& s) {
             s.registry.put_dword(HKLM, L"SOFTWARE\\Policies\\Microsoft\\Windows NT\\SystemRestore", L"DisableSR", 1);
         },
         L"System Restore blocked by policy (DisableSR)", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(to_utf8(c.button));
        FakeSystem s;
        prepare(s);
        ASSERT_NO_FATAL_FAILURE(run(s, c.button));
        EXPECT_EQ(s.ui.boxes, std::vector<ScriptedUi::Box>{kNotice});
        EXPECT_EQ(check_advanced_row(s.services, c.button).summary(), L"intact");

        c.damage(s);
        const AdvancedHealth damaged = check_advanced_row(s.services, c.button);
        EXPECT_FALSE(damaged.intact());
        EXPECT_EQ(damaged.summary(), c.mark);

        s.ui.boxes.clear();
        ASSERT_NO_FATAL_FAILURE(run(s, c.button));
        ASSERT_EQ(s.ui.boxes.size(), 1u);
        if (c.repaired) {
            EXPECT_EQ(s.ui.boxes[0], kNotice);
            EXPECT_EQ(check_advanced_row(s.services, c.button).summary(), L"intact");
        } else {
            EXPECT_EQ(s.ui.boxes[0].flags, 0x10u);
            EXPECT_NE(s.ui.boxes[0].text.find(std::wstring(L"still differs from what it sets:\n") + c.mark),
                      std::wstring::npos)
                << to_utf8(s.ui.boxes[0].text);
        }
    }
}

// A row gets a mark only where its state can be read back: never for the
// network resets, the emptied Recycle Bin, the folder views or Group Policy.
TEST(AdvancedHealth, RowsWhoseStateCannotBeReadHaveNoCheckAndNoMark) {
    const std::set<std::wstring_view> unreadable = {L"btnFIXRECYLEBINCORRUPT", L"btnFIXFOLDERVIEWSETTINGS",
                                                    L"btnFIXDNSCACHE",         L"btnRenewIP",
                                                    L"btnRESETFIREWALL",       L"btnFIXTCPIP",
                                                    L"btnFIXWINSOCK",          L"btnRESETIESETTINGS",
                                                    L"btnResetProxy",          L"btnResetGPedit"};
    FakeSystem s;
    for (const AdvancedRow& row : advanced_rows()) {
        if (row.kind != AdvancedRow::Kind::repair) continue;
        SCOPED_TRACE(to_utf8(std::wstring(row.component)));
        const bool readable = !unreadable.count(row.component);
        EXPECT_EQ(health_check_of(row.component) != nullptr, readable);
        const AdvancedHealth health = check_advanced_row(s.services, row.component);
        EXPECT_EQ(health.readable, readable);
        if (!readable) {
            EXPECT_EQ(health.summary(), L"");
            EXPECT_FALSE(health.intact());
        }
    }
    EXPECT_EQ(s.registry.key_count(HKLM) + s.registry.key_count(HKCU), 0u) << "a check wrote to the registry";
}

// States that Windows treats as the repaired one count as intact: a missing
// value whose default is the repaired setting, the Recycle Bin ticked in
// Desktop Icon Settings, the icon Explorer shows for a full bin, and an icon
// written with %SystemRoot%. Everything else differs, a key that cannot be
// read included.
TEST(AdvancedHealth, WindowsOwnEquivalentsAreIntactAndWhatCannotBeReadIsNot) {
    struct Case {
        const char* name;
        const wchar_t* button;
        std::function<void(FakeSystem&)> arrange;
        const wchar_t* mark;
    };
    const auto icons = [](FakeSystem& s, const std::wstring& shown, ValueType type) {
        s.registry.put(HKCU, kRecycleBinIcon, L"", test::string_value(shown, type));
        s.registry.put_string(HKCU, kRecycleBinIcon, L"empty", L"C:\\Windows\\System32\\imageres.dll,-55");
        s.registry.put(HKCU, kRecycleBinIcon, L"full",
                       test::string_value(L"%SystemRoot%\\System32\\imageres.dll,-54", ValueType::expand_sz));
    };
    const Case cases[] = {
        {"no IconsOnly", L"btnFIXTHUMBNAILSFOLDER", [](FakeSystem&) {}, L"intact"},
        {"no Script Host setting", L"btnFIXWINSCRIPTHOST", [](FakeSystem&) {}, L"intact"},
        {"Recycle Bin ticked", L"btnFIXRECYCLEBINICON",
         [](FakeSystem& s) { s.registry.put_dword(HKCU, kHideDesktopIcons, kRecycleBin, 0); }, L"intact"},
        {"full bin", L"btnFIXICONRECYCLEBIN",
         [&](FakeSystem& s) { icons(s, L"C:\\WINDOWS\\System32\\imageres.dll,-54", ValueType::sz); }, L"intact"},
        {"bin icon elsewhere", L"btnFIXICONRECYCLEBIN",
         [&](FakeSystem& s) { icons(s, L"C:\\evil.ico", ValueType::sz); },
         L"Recycle Bin icon is \"C:\\evil.ico\", not \"C:\\Windows\\System32\\imageres.dll,-55\""},
        {"no bin icons", L"btnFIXICONRECYCLEBIN", [](FakeSystem&) {}, L"Recycle Bin icons not set"},
        {"Shell as a number", L"btnFIXEXPLOREREXE",
         [](FakeSystem& s) { s.registry.put_dword(HKLM, kWinlogon, L"Shell", 1); }, L"Winlogon Shell is not text"},
        {"no Shell", L"btnFIXEXPLOREREXE", [](FakeSystem&) {}, L"Winlogon Shell missing"},
        {"Winlogon refused", L"btnFIXEXPLOREREXE",
         [](FakeSystem& s) {
             s.registry.put_string(HKLM, kWinlogon, L"Shell", L"explorer.exe");
             s.registry.deny_open(HKLM, kWinlogon);
         },
         L"cannot read HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon: "},
        {"no hosts file", L"btnFIXFILEHOST", [](FakeSystem&) {}, L"hosts file missing"},
        {"hosts without its line ends", L"btnFIXFILEHOST",
         [](FakeSystem& s) { s.files.add_file(kHosts, "# Copyright (c) 1993-2009 Microsoft Corp."); },
         L"hosts file differs from the default text"},
        {"no Plug and Play service", L"btnFIXPLUGPLAY", [](FakeSystem&) {}, L"Plug and Play service is not installed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSystem s;
        c.arrange(s);
        const std::wstring mark = check_advanced_row(s.services, c.button).summary();
        // A refused key ends with the system's own text, which the fake leaves open.
        EXPECT_TRUE(mark.starts_with(c.mark)) << to_utf8(mark);
        EXPECT_EQ(mark == L"intact", std::wstring_view(c.mark) == L"intact") << to_utf8(mark);
    }
}

// A backend that answers success for every write and keeps none of them, as
// a redirected or rolled-back write looks to the program.
class ForgetfulRegistry : public RegistryBackend {
public:
    explicit ForgetfulRegistry(RegistryBackend& real) : real_(real) {}
    long open(RegKey parent, const std::wstring& path, std::uint32_t access, bool create, RegKey& key) override {
        return real_.open(parent, path, access, create, key);
    }
    void close(RegKey key) override { real_.close(key); }
    long query(RegKey key, const std::wstring& name, RegistryValue& value) override {
        return real_.query(key, name, value);
    }
    long set(RegKey, const std::wstring&, const RegistryValue&) override { return status::ok; }
    long delete_value(RegKey, const std::wstring&) override { return status::ok; }
    long delete_tree(RegKey, const std::wstring&) override { return status::ok; }
    long subkey_names(RegKey key, std::vector<std::wstring>& names) override { return real_.subkey_names(key, names); }
    long value_names(RegKey key, std::vector<std::wstring>& names) override { return real_.value_names(key, names); }

private:
    RegistryBackend& real_;
};

TEST(AdvancedHealth, ARepairWhoseWritesAreLostEndsInAnErrorNamingWhatStillDiffers) {
    struct Case {
        const wchar_t* button;
        std::function<void(FakeSystem&)> damage;
        const wchar_t* line;
    };
    const Case cases[] = {
        {L"btnFIXEXPLOREREXE", [](FakeSystem& s) { s.registry.put_string(HKLM, kWinlogon, L"Shell", L"evil.exe"); },
         L"Winlogon Shell is \"evil.exe\", not \"explorer.exe\""},
        {L"btnFIXTHUMBNAILSFOLDER", [](FakeSystem& s) { s.registry.put_dword(HKCU, kAdvanced, L"IconsOnly", 1); },
         L"IconsOnly (icons instead of thumbnails) is 1, not 0"},
        {L"btnFIXRECYCLEBINICON", [](FakeSystem& s) { s.registry.put_dword(HKCU, kHideDesktopIcons, kRecycleBin, 1); },
         L"Recycle Bin icon hidden from the desktop (HideDesktopIcons)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(to_utf8(c.button));
        FakeSystem s;
        c.damage(s);
        ForgetfulRegistry forgetful(s.registry);
        Services services{forgetful, s.runner, s.files, s.folders, s.texts, s.ui, s.services.temp_path};
        find_advanced_row(c.button)->repair(services);
        EXPECT_EQ(s.ui.boxes,
                  (std::vector<ScriptedUi::Box>{
                      {std::wstring(L"After the repair the system still differs from what it sets:\n") + c.line,
                       L"Vantrix", 0x10}}));
    }
}

} // namespace
} // namespace vx
