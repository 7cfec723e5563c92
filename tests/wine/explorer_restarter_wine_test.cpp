// The Explorer restarter with real processes: stand-ins named like Explorer
// and like programs that merely resemble it.
#include <gtest/gtest.h>

#include <windows.h>

#include <psapi.h>

#include <set>

#include "services/command_runner_win.h"
#include "services/explorer_restarter_win.h"
#include "services/file_system_win.h"
#include "services/registry_win.h"
#include "services/resources_win.h"
#include "services/text.h"
#include "tests/fakes/fake_system.h"
#include "tests/wine/real_system.h"
#include "tests/wine/wine_support.h"

namespace vx {
namespace {

struct Started {
    HANDLE process = nullptr;
    DWORD id = 0;
};

Started start(const std::wstring& program) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    std::wstring line = L"\"" + program + L"\"";
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &info))
        return {};
    CloseHandle(info.hThread);
    return {info.hProcess, info.dwProcessId};
}

// Runs in a prefix of its own: ending Explorer also ends the desktop process
// of Wine's display, which the other tests need.
TEST(RestarterOnWineExplorer, EndsOnlyExplorerStartsItAgainAndLeavesNoCopyInTemp) {
    test::ScratchFolder scratch(L"vx restarter");
    test::ScopedEnvironment sleep_long(L"VX_CHILD_SLEEP", L"60000");
    const std::wstring names[] = {L"EXPLORER.EXE", L"iexplore.exe", L"explorer.exe.bak"};
    Started children[3];
    for (int i = 0; i < 3; ++i) {
        const std::wstring copy = scratch / names[i];
        ASSERT_TRUE(CopyFileW(test::child_program().c_str(), copy.c_str(), FALSE));
        children[i] = start(copy);
        ASSERT_NE(children[i].process, nullptr) << i;
    }
    const std::wstring temp = test::environment_variable(L"TEMP");
    test::write_bytes(temp + L"\\RestartExp.exe", "left over from an earlier run");
    const auto before = test::explorer_processes();

    test::RealSystem real(temp);
    auto& services = real.services;
    auto& ui = real.ui;
    restart_explorer(services);

    EXPECT_EQ(WaitForSingleObject(children[0].process, 10000), WAIT_OBJECT_0) << "EXPLORER.EXE still runs";
    DWORD code = 1;
    GetExitCodeProcess(children[0].process, &code);
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(WaitForSingleObject(children[1].process, 0), static_cast<DWORD>(WAIT_TIMEOUT))
        << "iexplore.exe was ended";
    EXPECT_EQ(WaitForSingleObject(children[2].process, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "a .bak was ended";
    EXPECT_FALSE(test::exists(temp + L"\\RestartExp.exe"));
    EXPECT_TRUE(ui.boxes.empty()); // the restarter says nothing

    // Explorer was started again: a new explorer.exe process appears.
    std::set<DWORD> fresh;
    for (int i = 0; i < 100 && fresh.empty(); ++i) {
        for (DWORD id : test::explorer_processes())
            if (!before.count(id) && id != children[0].id) fresh.insert(id);
        if (fresh.empty()) Sleep(100);
    }
    EXPECT_FALSE(fresh.empty());

    for (DWORD id : fresh) {
        HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, id);
        if (process) {
            TerminateProcess(process, 0);
            CloseHandle(process);
        }
    }
    for (auto& child : children) {
        TerminateProcess(child.process, 0);
        WaitForSingleObject(child.process, 5000);
        CloseHandle(child.process);
    }
}

// The restarter runs from TEMP, where the user's programs can write: an
// explorer.exe planted beside it, or in the folder it was started from, must
// never be what it starts. Windows' ShellExecute looks for a bare
// "explorer.exe" beside the calling program and in its current folder first;
// Wine's finds its own Explorer whatever the name, so under Wine this test
// guards the start by full path from the system folder rather than showing
// the search that Windows would make.
TEST(RestarterOnWineExplorer, AnExplorerPlantedBesideItOrInItsCurrentFolderNeverRuns) {
    test::ScratchFolder beside(L"vx restarter beside");
    test::ScratchFolder current(L"vx restarter current");
    const std::wstring restarter = beside / L"RestartExp.exe";
    ASSERT_TRUE(
        CopyFileW((test::program_folder() + L"\\..\\restarter\\RestartExp.exe").c_str(), restarter.c_str(), FALSE));
    for (const auto* folder : {&beside, &current})
        ASSERT_TRUE(CopyFileW(test::child_program().c_str(), (*folder / L"explorer.exe").c_str(), FALSE));
    const auto before = test::explorer_processes();

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    std::wstring line = L"\"" + restarter + L"\"";
    ASSERT_TRUE(CreateProcessW(restarter.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                               current.path().c_str(), &startup, &info));
    EXPECT_EQ(WaitForSingleObject(info.hProcess, 20000), WAIT_OBJECT_0);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);

    // The real Explorer was started instead.
    std::set<DWORD> fresh;
    for (int i = 0; i < 100 && fresh.empty(); ++i) {
        for (DWORD id : test::explorer_processes())
            if (!before.count(id)) fresh.insert(id);
        if (fresh.empty()) Sleep(100);
    }
    EXPECT_FALSE(fresh.empty());
    Sleep(500);
    EXPECT_FALSE(test::exists(beside / L"explorer.exe.ran")) << "the explorer.exe beside the restarter ran";
    EXPECT_FALSE(test::exists(current / L"explorer.exe.ran")) << "the explorer.exe of its current folder ran";
    for (DWORD id : fresh) {
        HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, id);
        if (process) {
            TerminateProcess(process, 0);
            CloseHandle(process);
        }
    }
}

} // namespace
} // namespace vx
