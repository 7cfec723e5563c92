// What the Tools and Help menus hand to the shell, and how menu captions are
// written for Win32 menus. (The menu tree itself is checked on a real Win32
// menu in the Wine tests.)
#include <gtest/gtest.h>

#include "app/components.h"
#include "app/icon_location.h"
#include "app/menus.h"
#include "services/error.h"
#include "tests/fakes/fake_system.h"

namespace vx {
namespace {

using namespace main_ids;

TEST(ToolsMenu, LaunchersOpenTheirToolFromTheWindowsFolderOrByName) {
    struct Case {
        int id;
        const wchar_t* file;
        const wchar_t* parameters;
    };
    const Case cases[] = {
        {mnuComponentServices, L"C:\\Windows\\system32\\comexp.msc", L""},
        {mnuComputerManagement, L"C:\\Windows\\system32\\compmgmt.msc", L"s"},
        {mnuDiskCleanup, L"C:\\Windows\\system32\\cleanmgr.exe", L""},
        {mnuDiskDefragmenter, L"C:\\Windows\\system32\\dfrgui.exe", L""},
        {mnuEventViewer, L"C:\\Windows\\system32\\eventvwr.msc", L"s"},
        {mnuLocalSecurityPolicy, L"C:\\Windows\\system32\\secpol.msc", L"s"},
        {mnuPerformanceMonitor, L"C:\\Windows\\system32\\perfmon.msc", L"s"},
        {mnuPrintManagement, L"C:\\Windows\\system32\\printmanagement.msc", L""},
        {mnuResourceMonitor, L"C:\\Windows\\system32\\perfmon.exe", L"/res"},
        {mnuServices, L"C:\\Windows\\system32\\services.msc", L""},
        {mnuTaskScheduler, L"C:\\Windows\\system32\\taskschd.msc", L"s"},
        {mnuSystemConfiguration, L"C:\\Windows\\system32\\msconfig.exe", L""},
        {mnuSystemInformation, L"C:\\Windows\\system32\\msinfo32.exe", L""},
        {mnuWindowsFirewall, L"C:\\Windows\\system32\\WF.msc", L""},
        {mnuWindowsMemoryDiagnostic, L"C:\\Windows\\system32\\MdSched.exe", L""},
        {mnuTASKMGR, L"taskmgr", L""},
        {mnuREGEDIT, L"regedit", L""},
        {mnuCMD, L"cmd", L""},
    };
    test::FakeFolders folders;
    ASSERT_EQ(launchers().size(), std::size(cases));
    for (const Case& c : cases) {
        SCOPED_TRACE(to_utf8(std::wstring(main_component_name(c.id))));
        const Launcher* launcher = find_launcher(c.id);
        ASSERT_NE(launcher, nullptr);
        const ShellTarget target = launch_target(*launcher, folders);
        EXPECT_EQ(target.file, c.file);
        EXPECT_EQ(target.parameters, c.parameters);
    }
    EXPECT_EQ(find_launcher(mnuABOUT), nullptr);
}

TEST(ToolsMenu, WindowsFolderAtADriveRootGivesNoDoubleBackslash) {
    test::FakeFolders folders;
    folders.windows = L"D:\\";
    EXPECT_EQ(launch_target(*find_launcher(mnuServices), folders).file, L"D:\\system32\\services.msc");
}

TEST(HelpMenu, HomepageAndEmailAreWebAndMailAddresses) {
    EXPECT_EQ(homepage_target().file, L"https://vantrix.example.org");
    EXPECT_EQ(email_target().file, L"mailto:support@vantrix.example.com");
    EXPECT_TRUE(homepage_target().parameters.empty());
    EXPECT_TRUE(email_target().parameters.empty());
}

TEST(MainMenu, AmpersandsInCaptionsShowAsThemselves) {
    EXPECT_EQ(menu_text(L"Restart \"explorer.exe\""), L"Restart \"explorer.exe\"");
    EXPECT_EQ(menu_text(L"Desktop & Explorer"), L"Desktop && Explorer");
    EXPECT_EQ(menu_text(L"&&"), L"&&&&");
    // No caption of the main menu marks an access key.
    for (const MenuItem& item : main_menu())
        EXPECT_EQ(item.caption.find(L'&'), std::wstring_view::npos);
}

TEST(IconLocation, SplitsFileAndIndex) {
    struct Case {
        const wchar_t* location;
        const wchar_t* file;
        int index;
    };
    const Case cases[] = {
        {L"%SystemRoot%\\System32\\shell32.dll,2", L"%SystemRoot%\\System32\\shell32.dll", 2},
        {L"%SystemRoot%\\System32\\imageres.dll,-5205", L"%SystemRoot%\\System32\\imageres.dll", -5205},
        {L"\"%systemroot%\\system32\\wusa.exe\",-101", L"%systemroot%\\system32\\wusa.exe", -101},
        {L"\"C:\\Odd, Name\\tool.exe\",3", L"C:\\Odd, Name\\tool.exe", 3},
        {L"%SystemRoot%\\system32\\zipfldr.dll", L"%SystemRoot%\\system32\\zipfldr.dll", 0},
        {L"  C:\\Windows\\regedit.exe , 1 ", L"C:\\Windows\\regedit.exe", 1},
        // A comma that is part of the file name, not followed by a number.
        {L"C:\\Tools,Old\\tool.exe", L"C:\\Tools,Old\\tool.exe", 0},
        {L"\"C:\\unterminated.dll", L"C:\\unterminated.dll", 0},
        {L"", L"", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(to_utf8(c.location));
        const IconLocation parsed = parse_icon_location(c.location);
        EXPECT_EQ(parsed.file, c.file);
        EXPECT_EQ(parsed.index, c.index);
    }
}

} // namespace
} // namespace vx
