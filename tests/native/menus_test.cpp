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

// Every tool is named by its full path, and a console is opened by mmc.exe
// itself rather than through the "mscfile" association a user can override.
TEST(ToolsMenu, LaunchersStartTheirToolByFullPathAndConsolesThroughMmc) {
    struct Case {
        int id;
        const wchar_t* file;
        const wchar_t* parameters;
    };
    constexpr wchar_t kMmc[] = L"D:\\Win\\System32\\mmc.exe";
    const Case cases[] = {
        {mnuComponentServices, kMmc, L"\"D:\\Win\\System32\\comexp.msc\""},
        {mnuComputerManagement, kMmc, L"\"D:\\Win\\System32\\compmgmt.msc\" s"},
        {mnuDiskCleanup, L"D:\\Win\\System32\\cleanmgr.exe", L""},
        {mnuDiskDefragmenter, L"D:\\Win\\System32\\dfrgui.exe", L""},
        {mnuEventViewer, kMmc, L"\"D:\\Win\\System32\\eventvwr.msc\" s"},
        {mnuLocalSecurityPolicy, kMmc, L"\"D:\\Win\\System32\\secpol.msc\" s"},
        {mnuPerformanceMonitor, kMmc, L"\"D:\\Win\\System32\\perfmon.msc\" s"},
        {mnuPrintManagement, kMmc, L"\"D:\\Win\\System32\\printmanagement.msc\""},
        {mnuResourceMonitor, L"D:\\Win\\System32\\perfmon.exe", L"/res"},
        {mnuServices, kMmc, L"\"D:\\Win\\System32\\services.msc\""},
        {mnuTaskScheduler, kMmc, L"\"D:\\Win\\System32\\taskschd.msc\" s"},
        {mnuSystemConfiguration, L"D:\\Win\\System32\\msconfig.exe", L""},
        {mnuSystemInformation, L"D:\\Win\\System32\\msinfo32.exe", L""},
        {mnuWindowsFirewall, kMmc, L"\"D:\\Win\\System32\\WF.msc\""},
        {mnuWindowsMemoryDiagnostic, L"D:\\Win\\System32\\MdSched.exe", L""},
        {mnuTASKMGR, L"D:\\Win\\System32\\taskmgr.exe", L""},
        {mnuREGEDIT, L"D:\\Win\\regedit.exe", L""},
        {mnuCMD, L"D:\\Win\\System32\\cmd.exe", L""},
    };
    test::FakeFolders folders;
    folders.windows = L"D:\\Win";
    folders.system = L"D:\\Win\\System32";
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
    folders.system = L"D:\\system32";
    EXPECT_EQ(launch_target(*find_launcher(mnuREGEDIT), folders).file, L"D:\\regedit.exe");
    EXPECT_EQ(launch_target(*find_launcher(mnuServices), folders).parameters, L"\"D:\\system32\\services.msc\"");
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
