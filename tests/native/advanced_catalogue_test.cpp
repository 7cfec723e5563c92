#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "fixers/advanced/advanced_catalogue.h"
#include "services/error.h"
#include "tests/fakes/fake_system.h"

namespace vx {
namespace {

using test::FakeSystem;
using Kind = AdvancedRow::Kind;
constexpr auto HKCU = RootKey::current_user;
constexpr auto HKLM = RootKey::local_machine;

TEST(AdvancedCatalogue, HoldsTheHeadersAndRepairButtonsInPageOrder) {
    struct Expected {
        const wchar_t* component;
        const wchar_t* caption; // empty for a header
        int button_top;
    };
    const Expected page[] = {
        {L"Panel42", L"", 0},
        {L"btnFIXEXPLOREREXE", L"FIX", 8},
        {L"btnFIXDESKTOPICON", L"FIX", 8},
        {L"btnFIXRECYCLEBINICON", L"FIX", 8},
        {L"btnFIXICONRECYCLEBIN", L"FIX", 8},
        {L"btnFIXRECYLEBINCORRUPT", L"FIX", 8},
        {L"btnFIXTHUMBNAILSFOLDER", L"FIX", 8},
        {L"btnFIXFILEFOLDERPROPERTIES", L"FIX", 8},
        {L"btnFIXDRIVEICON", L"FIX", 8},
        {L"btnFIXFOLDERVIEWSETTINGS", L"Reset", 8},
        {L"Panel43", L"", 0},
        {L"btnFIXDNSCACHE", L"FIX", 8},
        {L"btnRenewIP", L"FIX", 8},
        {L"btnRESETFIREWALL", L"Reset", 8},
        {L"btnFIXFILEHOST", L"Reset", 9},
        {L"btnFIXTCPIP", L"Reset", 8},
        {L"btnFIXWINSOCK", L"Reset", 8},
        {L"btnRESETIESETTINGS", L"Reset", 8},
        {L"btnResetProxy", L"Reset", 8},
        {L"Panel44", L"", 0},
        {L"btnFIXWINSEARCH", L"FIX", 8},
        {L"btnFIXHIBERNATE", L"FIX", 8},
        {L"btnFIXPLUGPLAY", L"FIX", 8},
        {L"btnFIXWINSCRIPTHOST", L"FIX", 8},
        {L"btnFIXSYSRESTORE", L"FIX", 6},
        {L"btnResetGPedit", L"Reset", 6},
    };
    const auto rows = advanced_rows();
    ASSERT_EQ(rows.size(), std::size(page));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(to_utf8(page[i].component));
        const bool header = *page[i].caption == 0;
        EXPECT_EQ(rows[i].component, page[i].component);
        EXPECT_EQ(rows[i].kind, header ? Kind::header : Kind::repair);
        EXPECT_EQ(rows[i].button_caption, page[i].caption);
        EXPECT_EQ(rows[i].button_top, page[i].button_top);
        EXPECT_EQ(rows[i].repair == nullptr, header);
        EXPECT_FALSE(rows[i].text.empty());
        // Headers are 41 high, repair rows 40, except the first repair row.
        EXPECT_EQ(rows[i].height, header || i == 1 ? 41 : 40);
        EXPECT_EQ(find_advanced_row(page[i].component), &rows[i]);
    }
    EXPECT_EQ(find_advanced_row(L"btnFIXTXTFILE"), nullptr);
    EXPECT_EQ(click_handler_name(rows[1]), L"btnFIXEXPLOREREXEClick");
}

TEST(AdvancedCatalogue, KeepsTheFormTextsAsTheyAreShown) {
    const std::pair<const wchar_t*, const wchar_t*> texts[] = {
        {L"Panel42", L"Desktop && File Explorer"},
        {L"Panel43", L"Internet && Connections"},
        {L"Panel44", L"System"},
        {L"btnFIXRECYLEBINCORRUPT",
         L"Fix \"The Recycle Bin on x:\\ is corrupted. Do you want to empty the Recycle Bin for this drive?\"."},
        {L"btnFIXFILEFOLDERPROPERTIES",
         L"Security tab, Details, Previous Versions, etc are missing from the file/folder properties. "},
        {L"btnFIXWINSCRIPTHOST", L"Message appears \"Windows Script Host access is disabled on this machine\"."},
        {L"btnRenewIP", L"Can't connect to the internet. Renew IP Address."},
    };
    for (const auto& [component, text] : texts)
        EXPECT_EQ(find_advanced_row(component)->text, text);
    std::set<const void*> routines;
    for (const auto& row : advanced_rows())
        if (row.repair) routines.insert(reinterpret_cast<const void*>(row.repair));
    EXPECT_EQ(routines.size(), 23u); // one routine per button, none shared
}

// Each button runs its own repair: pressing it leaves that repair's mark.
TEST(AdvancedCatalogue, EachButtonRunsItsOwnRepair) {
    using Mark = std::function<bool(const FakeSystem&)>;
    auto first_command = [](const wchar_t* line) {
        return Mark([line](const FakeSystem& s) {
            return !s.runner.calls().empty() && s.runner.calls().front().command_line == line;
        });
    };
    auto dword = [](RootKey root, const wchar_t* key, const wchar_t* name, std::uint32_t value) {
        return Mark([=](const FakeSystem& s) { return s.registry.get_dword(root, key, name) == value; });
    };
    const std::pair<const wchar_t*, Mark> buttons[] = {
        {L"btnFIXEXPLOREREXE",
         [](const FakeSystem& s) {
             return s.registry.get_string(HKLM, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon",
                                          L"Shell") == L"explorer.exe";
         }},
        {L"btnFIXDESKTOPICON",
         [](const FakeSystem& s) {
             return !s.registry.get(HKCU, L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\NonEnum",
                                    L"{F02C1A0D-BE21-4350-88B0-7367FC96EF3C}");
         }},
        {L"btnFIXRECYCLEBINICON",
         [](const FakeSystem& s) {
             return !s.registry.get(
                 HKCU, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\HideDesktopIcons\\NewStartPanel",
                 L"{645FF040-5081-101B-9F08-00AA002F954E}");
         }},
        {L"btnFIXICONRECYCLEBIN",
         [](const FakeSystem& s) {
             return s.registry
                 .get_string(HKCU,
                             L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\CLSID\\{645FF040-5081-101B-9F08-"
                             L"00AA002F954E}\\DefaultIcon",
                             L"full")
                 .has_value();
         }},
        {L"btnFIXRECYLEBINCORRUPT",
         [](const FakeSystem& s) {
             return !s.ui.input_prompts.empty() && s.ui.input_prompts[0].first == L"Fix Corrupted Recycle Bin";
         }},
        {L"btnFIXTHUMBNAILSFOLDER",
         dword(HKCU, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced", L"IconsOnly", 0)},
        {L"btnFIXFILEFOLDERPROPERTIES",
         [](const FakeSystem& s) {
             return s.registry.has_key(RootKey::classes_root, L"Drive\\shellex\\PropertySheetHandlers\\Sharing");
         }},
        {L"btnFIXDRIVEICON",
         [](const FakeSystem& s) {
             return !s.registry.has_key(HKLM, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\DriveIcons");
         }},
        {L"btnFIXFOLDERVIEWSETTINGS",
         [](const FakeSystem& s) {
             return !s.runner.calls().empty() && s.runner.calls()[0].command_line.ends_with(L"tempbat.bat\"\"");
         }},
        {L"btnFIXDNSCACHE",
         first_command(
             L"C:\\Windows\\system32\\WindowsPowerShell\\v1.0\\powershell.exe -NoProfile /c ipconfig /flushdns")},
        {L"btnRenewIP", first_command(L"ipconfig /release")},
        {L"btnRESETFIREWALL", first_command(L"netsh advfirewall reset")},
        {L"btnFIXFILEHOST",
         [](const FakeSystem& s) {
             const auto text = s.files.content(L"C:\\Windows\\System32\\drivers\\etc\\hosts");
             return text && text->starts_with("# Copyright (c) 1993-2009 Microsoft Corp.\r\n");
         }},
        {L"btnFIXTCPIP", first_command(L"netsh int ip reset")},
        {L"btnFIXWINSOCK", first_command(L"netsh winsock reset")},
        {L"btnRESETIESETTINGS", first_command(L"rundll32.exe inetcpl.cpl,ResetIEtoDefaults")},
        {L"btnResetProxy", first_command(L"netsh winhttp reset proxy")},
        {L"btnFIXWINSEARCH", first_command(L"net stop WSearch /Y")},
        {L"btnFIXHIBERNATE", first_command(L"powercfg -h on")},
        {L"btnFIXPLUGPLAY", first_command(L"net Start PlugPlay")},
        {L"btnFIXWINSCRIPTHOST", dword(HKLM, L"SOFTWARE\\Microsoft\\Windows Script Host\\Settings", L"Enabled", 1)},
        {L"btnFIXSYSRESTORE", first_command(L"C:\\Windows\\system32\\wbem\\wmic.exe /namespace:\\\\root\\default path "
                                            L"SystemRestore Call enable \"C:\\\"")},
        {L"btnResetGPedit", first_command(L"gpupdate /force")},
    };
    ASSERT_EQ(std::size(buttons), 23u);
    for (const auto& [button, mark] : buttons) {
        SCOPED_TRACE(to_utf8(button));
        FakeSystem s;
        s.registry.create_key(HKLM, L"SYSTEM\\CurrentControlSet\\Services\\WSearch");
        s.registry.create_key(HKLM, L"SOFTWARE\\Microsoft\\Windows Search");
        s.registry.create_key(HKLM, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\DriveIcons\\C");
        s.files.add_directory(L"C:\\Windows\\System32\\drivers\\etc");
        s.files.add_directory(s.services.temp_path);
        const AdvancedRow* row = find_advanced_row(button);
        ASSERT_NE(row, nullptr);
        row->repair(s.services);
        EXPECT_TRUE(mark(s));
    }
}

} // namespace
} // namespace vx
