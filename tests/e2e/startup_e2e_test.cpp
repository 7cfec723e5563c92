// Start-up of the real program: the single-instance guard, the platform gate
// in prefixes set to each Windows version, and the Home page's information.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include <windows.h>

#include <sddl.h>

#include "app/components.h"
#include "services/byte_size.h"
#include "services/text.h"
#include "tests/e2e/driver.h"

namespace vx::e2e {
namespace {

using namespace main_ids;

std::wstring locale_text(LCTYPE type) {
    wchar_t buffer[16] = {};
    GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, 16);
    return buffer;
}

// The main window's caption and the four information labels, filled from
// the probes once the platform is accepted.
void expect_accepted(App& app, const std::wstring& os_name) {
    HWND main = app.main_window();
    ASSERT_NE(main, nullptr) << "no main window";
    EXPECT_EQ(window_text(main), L"Vantrix");
    EXPECT_EQ(window_text(find_control(main, lblWinName)), os_name);
    const std::wstring cpu = window_text(find_control(main, lblCPUName));
    EXPECT_NE(cpu, L"lblCPUName");
    EXPECT_FALSE(cpu.empty()); // Wine reports the host's processor
    // The whole installed memory, as this driver in the same prefix sees it:
    // the 32-bit program must not show the 2 GB that GlobalMemoryStatus caps
    // it at.
    MEMORYSTATUSEX memory{};
    memory.dwLength = sizeof(memory);
    ASSERT_TRUE(GlobalMemoryStatusEx(&memory));
    EXPECT_EQ(window_text(find_control(main, lblTOTALRAM)),
              format_byte_size(memory.ullTotalPhys, locale_text(LOCALE_STHOUSAND), locale_text(LOCALE_SDECIMAL)));
    // The board's maker and product from the firmware tables. Wine builds
    // those from the host's, with empty strings where the host tells nothing
    // (a container, say): there only the shape can be required.
    const std::wstring board = window_text(find_control(main, lblMBoard));
    EXPECT_NE(board.find(L", "), std::wstring::npos) << to_narrow(board);
    const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    if (!wine) {
        EXPECT_NE(board, L", ");
    }
    EXPECT_FALSE(wait_message_box(app.id(), 500)) << "a message box on an accepted platform";
}

TEST(StartupOnWin10, AcceptsWindows10AndFillsTheHomePage) {
    App app = App::launch();
    expect_accepted(app, L"Windows 10");
}

TEST(StartupOnWin81, AcceptsWindows81) {
    App app = App::launch();
    expect_accepted(app, L"Windows 8.1");
}

TEST(StartupOnWin8, AcceptsWindows8) {
    App app = App::launch();
    expect_accepted(app, L"Windows 8");
}

TEST(StartupOnWin10, ASecondCopyEndsSilentlyAndANewStartWorksOnceTheFirstHasEnded) {
    App first = App::launch();
    HWND main = first.main_window();
    ASSERT_NE(main, nullptr);

    App second = App::launch();
    EXPECT_EQ(second.wait_exit(20000), 0u);
    EXPECT_TRUE(top_windows(second.id()).empty());
    EXPECT_TRUE(first.running());

    // Closing the main window ends the program; then a new copy may start.
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(first.wait_exit(20000), 0u);
    App third = App::launch();
    EXPECT_NE(third.main_window(), nullptr);
}

// The single-instance semaphore under its plain name, made first by another
// process of the same user, as one that is not elevated would make it: owned
// by the user and open to everyone. Vantrix must start all the same. On
// Windows its marker lives in a private namespace that only an elevated
// process can create, so the plain name means nothing to it; Wine 8 has no
// private namespaces (CreateBoundaryDescriptorW answers nothing), and there
// the program takes an existing plain-named marker for another copy only
// when the Administrators group owns it.
TEST(StartupOnWin10, ASemaphoreOfTheSameNameMadeFirstByAnotherProcessDoesNotStopIt) {
    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
    std::vector<BYTE> user(256);
    DWORD size = 0;
    const BOOL got = GetTokenInformation(token, TokenUser, user.data(), static_cast<DWORD>(user.size()), &size);
    CloseHandle(token);
    ASSERT_TRUE(got);
    wchar_t* sid = nullptr;
    ASSERT_TRUE(ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &sid));
    const std::wstring sddl = L"O:" + std::wstring(sid) + L"D:(A;;GA;;;WD)";
    LocalFree(sid);
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), nullptr, FALSE};
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                                     &attributes.lpSecurityDescriptor, nullptr));
    HANDLE squatter = CreateSemaphoreW(&attributes, 0, 1, L"MyAppVantrix");
    const DWORD error = GetLastError();
    LocalFree(attributes.lpSecurityDescriptor);
    ASSERT_NE(squatter, nullptr);
    ASSERT_NE(error, static_cast<DWORD>(ERROR_ALREADY_EXISTS)) << "a copy of the program already runs";

    App app = App::launch();
    EXPECT_NE(app.main_window(), nullptr) << "the planted semaphore stopped the program";
    EXPECT_TRUE(app.running());
    app.terminate();
    CloseHandle(squatter);
}

TEST(StartupOnWin7, RefusesWindows7AndASecondCopyEndsSilentlyMeanwhile) {
    App app = App::launch();
    auto box = wait_message_box(app.id());
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, L"Your system is not supported, only for Windows 8/10!");
    EXPECT_EQ(box->caption, L"Vantrix");
    EXPECT_EQ(box->icon, IconKind::error) << icon_name(box->icon);
    ASSERT_EQ(box->buttons.size(), 1u);
    EXPECT_EQ(box->buttons[0].first, IDOK);

    // The first copy holds the guard even while it shows its refusal.
    App second = App::launch();
    EXPECT_EQ(second.wait_exit(20000), 0u);
    EXPECT_TRUE(top_windows(second.id()).empty());

    answer(*box, IDOK);
    EXPECT_FALSE(wait_message_box(app.id(), 1000));
    EXPECT_EQ(app.wait_exit(20000), 0u);
}

#ifndef _WIN64
// The 32-bit program on 64-bit Windows. The 64-bit program's own start-up is
// the suites above, run in 64-bit prefixes.
TEST(StartupOnWin64, WarnsAbout64BitWindowsAndEndsWithoutAnotherMessage) {
    App app = App::launch();
    auto box = wait_message_box(app.id());
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, L"You are using a 64-Bit system, please use the 64-Bit version of the program.");
    EXPECT_EQ(box->caption, L"Vantrix");
    EXPECT_EQ(box->icon, IconKind::warning) << icon_name(box->icon);
    answer(*box, IDOK);
    // Windows 10 is a supported version: no second message follows.
    EXPECT_FALSE(wait_message_box(app.id(), 3000));
    EXPECT_EQ(app.wait_exit(20000), 0u);
}

// Both builds hold the same single-instance object: neither starts while the
// other runs, whichever came first.
TEST(StartupOnWin64, NeitherBuildStartsWhileTheOtherRuns) {
    const char* peer = std::getenv("VANTRIX_PEER_PROGRAM");
    if (!peer || !*peer) GTEST_SKIP() << "the 64-bit program's path is not set (VANTRIX_PEER_PROGRAM)";
    App::Options options64;
    options64.program = full_path(test_folder() + L"\\" + widen_ascii(peer));
    ASSERT_NE(GetFileAttributesW(options64.program.c_str()), INVALID_FILE_ATTRIBUTES) << to_narrow(options64.program);

    {
        App program64 = App::launch(options64);
        ASSERT_NE(program64.main_window(), nullptr) << "Vantrix64.exe did not start";
        App program32 = App::launch();
        EXPECT_EQ(program32.wait_exit(20000), 0u);
        EXPECT_TRUE(top_windows(program32.id()).empty());
        EXPECT_TRUE(program64.running());
        PostMessageW(program64.main_window(), WM_CLOSE, 0, 0);
        EXPECT_EQ(program64.wait_exit(20000), 0u);
    }

    // The 32-bit program holds the object even while it shows its warning.
    App program32 = App::launch();
    auto box = wait_message_box(program32.id());
    ASSERT_TRUE(box);
    App program64 = App::launch(options64);
    EXPECT_EQ(program64.wait_exit(20000), 0u);
    EXPECT_TRUE(top_windows(program64.id()).empty());
    answer(*box, IDOK);
    EXPECT_EQ(program32.wait_exit(20000), 0u);
}
#endif

} // namespace
} // namespace vx::e2e
