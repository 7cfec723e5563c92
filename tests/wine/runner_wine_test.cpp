// The command runner with real processes of the Wine prefix.
#include <gtest/gtest.h>

#include <windows.h>

#include <shellapi.h>

#include "services/command_runner_win.h"
#include "services/error.h"
#include "services/text.h"
#include "services/ui.h"
#include "tests/wine/wine_support.h"

namespace vx {
namespace {

using test::child_program;

// Folder paths compared without regard to case or a trailing backslash.
bool same_path(std::wstring a, std::wstring b) {
    while (!a.empty() && a.back() == L'\\')
        a.pop_back();
    while (!b.empty() && b.back() == L'\\')
        b.pop_back();
    return equals_ignore_case(a, b);
}

TEST(RunnerOnWine, ReturnsTheExitCodeAlsoOfAChildThatEndsAtOnce) {
    Win32CommandRunner runner(test::pump_messages);
    EXPECT_EQ(runner.run(child_program(), {L"exit", L"42"}, sw::hide), 42);
    EXPECT_EQ(runner.run(child_program(), {L"exit", L"0"}, sw::hide), 0);
    EXPECT_EQ(runner.run(child_program(), {L"sleep", L"300", L"7"}, sw::hide), 7);
    EXPECT_EQ(runner.run(child_program(), {L"exit", L"-5"}, sw::hide), -5);
}

TEST(RunnerOnWine, AnswersMinusOneForAProgramFoundNowhere) {
    Win32CommandRunner runner(test::pump_messages);
    EXPECT_EQ(runner.run(L"vantrix-no-such-program.exe /x", sw::hide), -1);
    EXPECT_EQ(runner.run(L"C:\\no\\such\\folder\\tool.exe", sw::hide), -1);
    EXPECT_FALSE(runner.start(L"vantrix-no-such-program", sw::hide));
}

TEST(RunnerOnWine, RefusesACommandLineOver512Units) {
    Win32CommandRunner runner(test::pump_messages);
    const std::wstring line = L"reg.exe query " + std::wstring(499, L'x'); // 513 units
    EXPECT_THROW(runner.run(line, sw::hide), Error);
}

// A window that counts the messages it is sent, so the test can tell whether
// the runner kept the messages flowing while it waited.
int g_handled = 0;
LRESULT CALLBACK counting_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_APP + 7) {
        ++g_handled;
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

TEST(RunnerOnWine, HandlesWindowMessagesWhileItWaits) {
    WNDCLASSW cls{};
    cls.lpfnWndProc = counting_proc;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = L"VantrixCountingWindow";
    RegisterClassW(&cls);
    HWND window = CreateWindowW(cls.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, cls.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    g_handled = 0;
    Win32CommandRunner runner(test::pump_messages);
    // The child posts to the window, then keeps running for a while: the
    // message is handled only if the runner pumps during the wait.
    const auto handle = std::to_wstring(reinterpret_cast<INT_PTR>(window));
    EXPECT_EQ(runner.run(child_program(), {L"post", handle, std::to_wstring(WM_APP + 7), L"600"}, sw::hide), 0);
    EXPECT_EQ(g_handled, 1);
    DestroyWindow(window);
}

// The runner sleeps until the child ends or a message comes: with no
// messages it handles the queue once or twice, not every few milliseconds.
// A quit request that the message handling passes on (as the program's own
// does) stays in the queue for the message loop and makes no busy wait.
TEST(RunnerOnWine, WaitsForTheChildWithoutPollingAndKeepsAQuitRequest) {
    int calls = 0;
    Win32CommandRunner runner([&calls] {
        ++calls;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(message.wParam));
                return;
            }
            DispatchMessageW(&message);
        }
    });
    test::pump_messages();
    EXPECT_EQ(runner.run(child_program(), {L"sleep", L"600", L"3"}, sw::hide), 3);
    EXPECT_LE(calls, 3) << "the runner polled while nothing happened";

    calls = 0;
    PostQuitMessage(9);
    EXPECT_EQ(runner.run(child_program(), {L"sleep", L"300", L"4"}, sw::hide), 4);
    EXPECT_LE(calls, 40) << "the runner spun on the quit request";
    MSG quit{};
    ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 9u);
}

TEST(RunnerOnWine, PassesQuotedArgumentsThroughUnchanged) {
    test::ScratchFolder scratch(L"vx runner");
    const std::vector<std::wstring> arguments = {L"args",
                                                 scratch / L"out.txt",
                                                 L"C:\\Users\\Ann Lee\\AppData\\Local\\Temp\\TXT.reg",
                                                 L"plain",
                                                 L"",
                                                 L"say \"hi\"",
                                                 L"C:\\trailing\\",
                                                 L"C:\\dir with blank\\",
                                                 L"a\\\\\"b",
                                                 L"tab\there"};
    Win32CommandRunner runner(test::pump_messages);
    ASSERT_EQ(runner.run(child_program(), arguments, sw::hide), 0);
    const std::string bytes = test::read_bytes(scratch / L"out.txt");
    ASSERT_GE(bytes.size(), 2u);
    std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    auto lines = split(text, L'\n');
    ASSERT_EQ(lines.size(), arguments.size() + 2); // the command line itself, then argv[0..]
    for (std::size_t i = 0; i < arguments.size(); ++i)
        EXPECT_EQ(lines[i + 2], arguments[i]) << i;

    // The same rules as CommandLineToArgvW, which the C runtime follows too.
    int count = 0;
    wchar_t** parsed = CommandLineToArgvW(build_command_line(L"prog", arguments).c_str(), &count);
    ASSERT_EQ(count, static_cast<int>(arguments.size()) + 1);
    for (int i = 1; i < count; ++i)
        EXPECT_EQ(parsed[i], arguments[static_cast<std::size_t>(i - 1)]);
    LocalFree(parsed);
}

TEST(RunnerOnWine, NeverRunsAProgramPlantedBesideItOrInTheCurrentFolder) {
    test::ScratchFolder scratch(L"vx planted");
    const std::wstring beside = test::program_folder() + L"\\reg.exe";
    const std::wstring in_current = scratch / L"reg.exe";
    ASSERT_TRUE(CopyFileW(child_program().c_str(), beside.c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(child_program().c_str(), in_current.c_str(), FALSE));
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    SetCurrentDirectoryW(scratch.path().c_str());
    // "." on PATH would make the current folder a search folder too.
    test::ScopedEnvironment path(L"PATH", (L".;" + test::environment_variable(L"PATH")).c_str());

    Win32CommandRunner runner(test::pump_messages);
    const int code = runner.run(L"reg.exe query HKCU\\Software", sw::hide);
    SetCurrentDirectoryW(previous);
    const bool ran_beside = test::exists(beside + L".ran"), ran_current = test::exists(in_current + L".ran");
    DeleteFileW(beside.c_str());
    DeleteFileW((beside + L".ran").c_str());

    EXPECT_FALSE(ran_beside);
    EXPECT_FALSE(ran_current);
    EXPECT_EQ(code, 0); // the system's reg.exe ran
    EXPECT_TRUE(equals_ignore_case(Win32CommandRunner::resolve(L"reg.exe"),
                                   test::environment_variable(L"SystemRoot") + L"\\system32\\reg.exe"));
}

// Started from an elevated Command Prompt, the program's current folder is the
// system folder; a folder the user can write to is on PATH and holds a reg.exe.
// The lookup never leaves the system folder out and never searches PATH.
TEST(RunnerOnWine, StartedFromTheSystemFolderNeverRunsAProgramFoundOnPath) {
    test::ScratchFolder scratch(L"vx path");
    const std::wstring system = test::environment_variable(L"SystemRoot") + L"\\system32";
    const std::wstring planted_reg = scratch / L"reg.exe", planted_wmic = scratch / L"wmic.exe";
    ASSERT_TRUE(CopyFileW(child_program().c_str(), planted_reg.c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(child_program().c_str(), planted_wmic.c_str(), FALSE));
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(system.c_str()));
    test::ScopedEnvironment path(L"PATH", (test::environment_variable(L"PATH") + L";" + scratch.path()).c_str());

    Win32CommandRunner runner(test::pump_messages);
    const int code = runner.run(L"reg.exe query HKCU\\Software", sw::hide);
    const bool started_wmic = runner.start(L"wmic os get caption", sw::hide);
    const std::wstring resolved = Win32CommandRunner::resolve(L"reg");
    SetCurrentDirectoryW(previous);

    EXPECT_FALSE(test::exists(planted_reg + L".ran")) << "the reg.exe on PATH ran";
    EXPECT_EQ(code, 0); // the system's reg.exe ran
    EXPECT_TRUE(equals_ignore_case(resolved, system + L"\\reg.exe")) << to_utf8(resolved);
    // wmic lives below the system folder, in wbem: a bare name does not reach
    // it, and the one on PATH never runs.
    EXPECT_FALSE(started_wmic);
    EXPECT_FALSE(test::exists(planted_wmic + L".ran")) << "the wmic.exe on PATH ran";
}

// Every child starts in the system folder, whatever the folder this program
// was started from, and with NoDefaultCurrentDirectoryInExePath set, so that
// cmd never looks in a current folder for a bare command name.
TEST(RunnerOnWine, StartsEveryChildInTheSystemFolderWithoutACurrentFolderSearch) {
    test::ScratchFolder scratch(L"vx where");
    const std::wstring system = test::environment_variable(L"SystemRoot") + L"\\system32";
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(scratch.path().c_str()));
    Win32CommandRunner runner(test::pump_messages);
    const int code = runner.run(child_program(), {L"where", scratch / L"where.txt"}, sw::hide);
    SetCurrentDirectoryW(previous);
    ASSERT_EQ(code, 0);
    const std::string bytes = test::read_bytes(scratch / L"where.txt");
    ASSERT_GE(bytes.size(), 2u);
    const auto lines =
        split(std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2), L'\n');
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(same_path(lines[0], system)) << to_utf8(lines[0]);
    EXPECT_NE(lines[1], L"(unset)");
}

TEST(RunnerOnWine, StartsWithoutWaiting) {
    Win32CommandRunner runner(test::pump_messages);
    const DWORD before = GetTickCount();
    EXPECT_TRUE(runner.start(build_command_line(child_program(), {L"sleep", L"3000"}), sw::hide));
    EXPECT_LT(GetTickCount() - before, 2500u);
}

} // namespace
} // namespace vx
