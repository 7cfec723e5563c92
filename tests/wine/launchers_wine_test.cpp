// The Tools menu's launchers, System Restore and the web and mail links with
// the real shell: what they start must not be open to a user's override of an
// association or to a program planted in a searched folder.
#include <gtest/gtest.h>

#include <windows.h>

#include <objbase.h>

#include <string>
#include <vector>

#include "app/components.h"
#include "app/menu_win.h"
#include "app/menus.h"
#include "maintenance/restore_point_win.h"
#include "services/error.h"
#include "services/file_system_win.h"
#include "services/text.h"
#include "tests/wine/wine_support.h"

namespace vx {
namespace {

using namespace main_ids;

std::wstring system_folder() {
    wchar_t folder[MAX_PATH];
    return std::wstring(folder, GetSystemDirectoryW(folder, MAX_PATH));
}

// The text a stand-in program left as "<its path>.ran": its command line.
std::wstring marker_text(const std::wstring& program) {
    const std::string bytes = test::read_bytes(program + L".ran");
    if (bytes.size() < 2) return {};
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
}

bool wait_for(const std::wstring& path, DWORD timeout_ms) {
    for (DWORD waited = 0; waited < timeout_ms; waited += 100) {
        if (test::exists(path)) return true;
        test::pump_messages();
        Sleep(100);
    }
    return test::exists(path);
}

// A copy of the stand-in child program at a path of the test's choosing,
// removed with its marker at the end. Wine has no mmc.exe or rstrui.exe, so
// copies stand in for them in the system folder; a file already there is
// never replaced.
class StandIn {
public:
    explicit StandIn(std::wstring path) : path_(std::move(path)) {
        DeleteFileW((path_ + L".ran").c_str());
        placed_ = CopyFileW(test::child_program().c_str(), path_.c_str(), TRUE) != 0;
    }
    ~StandIn() {
        if (placed_) DeleteFileW(path_.c_str());
        DeleteFileW((path_ + L".ran").c_str());
    }
    StandIn(const StandIn&) = delete;
    StandIn& operator=(const StandIn&) = delete;
    bool placed() const { return placed_; }
    bool ran() const { return test::exists(path_ + L".ran"); }
    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
    bool placed_ = false;
};

void set_default_value(HKEY root, const std::wstring& path, const std::wstring& value) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr), ERROR_SUCCESS);
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

// A user takes over the "mscfile" association without elevation, through
// HKCU\Software\Classes: the well-known way to get a program run elevated by
// whoever opens a console through the shell. The console must open through
// mmc.exe by its full path instead, and the planted program never run.
TEST(ToolsMenuOnWine, ConsolesOpenThroughMmcNotThroughTheUsersMscAssociation) {
    test::ScratchFolder scratch(L"vx msc");
    StandIn hijack(scratch / L"hijack.exe");
    StandIn mmc(system_folder() + L"\\mmc.exe");
    // Wine has no services.msc; the shell opens only a file that exists.
    const std::wstring console = system_folder() + L"\\services.msc";
    const bool console_made = !test::exists(console);
    if (console_made) test::write_bytes(console, "<?xml version=\"1.0\"?>\r\n<MMC_ConsoleFile/>\r\n");
    ASSERT_TRUE(hijack.placed());
    ASSERT_TRUE(mmc.placed()) << "the prefix has an mmc.exe of its own";
    {
        // On Windows HKCU\Software\Classes takes precedence in HKCR; Wine's
        // HKCR is HKLM\Software\Classes alone, so the same keys go there as
        // well for Wine's shell to read them.
        test::RegistrySnapshot snapshot({{HKEY_CURRENT_USER, L"Software\\Classes\\.msc"},
                                         {HKEY_CURRENT_USER, L"Software\\Classes\\mscfile"},
                                         {HKEY_LOCAL_MACHINE, L"Software\\Classes\\.msc"},
                                         {HKEY_LOCAL_MACHINE, L"Software\\Classes\\mscfile"}});
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
            set_default_value(root, L"Software\\Classes\\.msc", L"mscfile");
            set_default_value(root, L"Software\\Classes\\mscfile\\shell\\open\\command",
                              L"\"" + hijack.path() + L"\" \"%1\"");
        }
        Win32Folders folders;
        shell_open(nullptr, launch_target(*find_launcher(mnuServices), folders));
        EXPECT_TRUE(wait_for(mmc.path() + L".ran", 10000)) << "mmc.exe did not start";
        Sleep(500);
    }
    if (console_made) DeleteFileW(console.c_str());
    EXPECT_FALSE(hijack.ran()) << "the program of the user's association ran";
    const std::wstring line = marker_text(mmc.path());
    EXPECT_NE(to_lower(line).find(to_lower(L"\"" + console + L"\"")), std::wstring::npos) << to_utf8(line);
}

// System Restore is named by its full path: an rstrui.exe beside the program
// or in the current folder, where a search would look, never runs. (Wine's
// shell looks in the system folder first even for a bare name, so under Wine
// this shows only that the system folder's program is the one started.)
TEST(SystemRestoreOnWine, OpensTheSystemFoldersRstruiNotOneASearchWouldFind) {
    test::ScratchFolder scratch(L"vx rstrui");
    StandIn planted(scratch / L"rstrui.exe");
    StandIn beside(test::program_folder() + L"\\rstrui.exe");
    StandIn system(system_folder() + L"\\rstrui.exe");
    ASSERT_TRUE(planted.placed());
    ASSERT_TRUE(beside.placed());
    ASSERT_TRUE(system.placed()) << "the prefix has an rstrui.exe of its own";
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(scratch.path().c_str()));
    open_system_restore(nullptr);
    const bool started = wait_for(system.path() + L".ran", 10000);
    SetCurrentDirectoryW(previous);
    Sleep(300);
    EXPECT_TRUE(started) << "the system folder's rstrui.exe did not start";
    EXPECT_FALSE(planted.ran()) << "the rstrui.exe in the current folder ran";
    EXPECT_FALSE(beside.ran()) << "the rstrui.exe beside the program ran";
}

// The web and mail links go to the desktop shell, which starts what opens
// them. Wine's desktop process offers the shell object through its desktop
// window, so the request reaches it and the program runs; that it then runs
// with the user's unelevated rights only Windows shows (Wine has no split
// tokens).
TEST(HelpLinksOnWine, OpenThroughTheDesktopShell) {
    test::ScratchFolder scratch(L"vx link");
    StandIn browser(scratch / L"browser.exe");
    ASSERT_TRUE(browser.placed());
    // COM as in the program's own window thread.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    EXPECT_TRUE(open_through_desktop_shell({browser.path(), L"https://vantrix.example.org"}));
    EXPECT_TRUE(wait_for(browser.path() + L".ran", 5000));
    EXPECT_NE(marker_text(browser.path()).find(L"https://vantrix.example.org"), std::wstring::npos);
    if (SUCCEEDED(com)) CoUninitialize();
}

} // namespace
} // namespace vx
