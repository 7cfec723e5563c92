// The Advanced page's file repairs with the real file layer: the hosts reset
// on a stand-in Windows folder, and the folder-view reset through the real
// command interpreter, which also ends and restarts Explorer.
#include <gtest/gtest.h>

#include <windows.h>

#include <psapi.h>

#include <set>
#include <string>
#include <vector>

#include "fixers/advanced/file_repairs.h"
#include "services/command_runner_win.h"
#include "services/error.h"
#include "services/file_system_win.h"
#include "services/registry_win.h"
#include "services/resources_win.h"
#include "services/text.h"
#include "tests/default_hosts.h"
#include "tests/fakes/fake_system.h"
#include "tests/wine/real_system.h"
#include "tests/wine/wine_support.h"

namespace vx {
namespace {

using Box = test::ScriptedUi::Box;
using test::kDefaultHosts;

const Box kNotice{L"The problem has been fixed, restart the computer to see changes!", L"Vantrix ", 0x40};

// The names in a folder, "." and ".." left out.
std::set<std::wstring> entries_of(const std::wstring& folder) {
    std::set<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") names.insert(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

// A Windows folder of the test's own, so the prefix's hosts file is never touched.
class StandInFolders : public Folders {
public:
    explicit StandInFolders(std::wstring windows) : windows_(std::move(windows)) {}
    std::wstring windows_folder() override { return windows_; }
    std::wstring system_folder() override { return windows_ + L"\\System32"; }
    std::wstring temp_folder() override { return real_.temp_folder(); }
    std::wstring system_drive() override { return real_.system_drive(); }

private:
    std::wstring windows_;
    Win32Folders real_;
};

struct HostsSystem {
    test::ScratchFolder windows{L"vx windows"};
    std::wstring etc = windows / L"System32\\drivers\\etc";
    std::wstring hosts = etc + L"\\hosts";
    test::FakeRegistry registry;
    test::RecordingRunner runner;
    Win32FileSystem files;
    StandInFolders folders{windows.path()};
    ResourceTextStore texts;
    test::ScriptedUi ui;
    Services services{registry, runner, files, folders, texts, ui, test::environment_variable(L"TEMP") + L"\\"};

    HostsSystem() {
        for (const wchar_t* part : {L"\\System32", L"\\System32\\drivers", L"\\System32\\drivers\\etc"})
            CreateDirectoryW((windows.path() + part).c_str(), nullptr);
    }
};

TEST(HostsResetOnWine, LeavesExactlyTheDefaultTextWhetherTheFileHeldExtraEntriesOrWasMissing) {
    const std::optional<std::string> before[] = {
        "127.0.0.1 localhost\r\n0.0.0.0 update.example.com\r\n10.1.1.1 bank.example.com\n" + kDefaultHosts,
        std::nullopt,
    };
    for (const auto& old : before) {
        SCOPED_TRACE(old ? "extra entries" : "no hosts file");
        HostsSystem s;
        if (old) test::write_bytes(s.hosts, *old);
        reset_hosts_file(s.services);
        EXPECT_EQ(test::read_bytes(s.hosts), kDefaultHosts);
        EXPECT_EQ(s.ui.boxes, std::vector<Box>{kNotice});
        // Nothing else is left beside it, such as the new text's own file.
        EXPECT_EQ(entries_of(s.etc), std::set<std::wstring>{L"hosts"});
    }
}

// Wine's MoveFileEx replaces a read-only file where Windows refuses with
// "Access is denied"; the file layer refuses it itself, so the old file stays
// here as it does on Windows.
TEST(HostsResetOnWine, AReadOnlyHostsFileKeepsItsContentByteForByteAndTheErrorReachesTheUser) {
    HostsSystem s;
    const std::string old = "127.0.0.1 localhost\r\n10.1.1.1 intranet\n\xe9\r\n";
    test::write_bytes(s.hosts, old);
    SetFileAttributesW(s.hosts.c_str(), FILE_ATTRIBUTE_READONLY);
    try {
        reset_hosts_file(s.services);
        ADD_FAILURE() << "no error raised";
    } catch (const Error& e) {
        const std::wstring text = standard_error_text(e.message());
        EXPECT_NE(text.find(L"\"" + s.hosts + L"\""), std::wstring::npos) << to_utf8(text);
        EXPECT_EQ(text.back(), L'.');
    }
    EXPECT_EQ(test::read_bytes(s.hosts), old);
    EXPECT_TRUE(GetFileAttributesW(s.hosts.c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(entries_of(s.etc), std::set<std::wstring>{L"hosts"});
    EXPECT_TRUE(s.ui.boxes.empty());
}

// Ends the Explorer processes that were not there before, once the script's
// "start explorer.exe" has had time to start one.
void end_new_explorers(const std::set<DWORD>& before) {
    std::set<DWORD> fresh;
    for (int i = 0; i < 50 && fresh.empty(); ++i) {
        for (DWORD id : test::explorer_processes())
            if (!before.count(id)) fresh.insert(id);
        if (fresh.empty()) Sleep(100);
    }
    for (DWORD id : fresh) {
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
        if (!process) continue;
        TerminateProcess(process, 0);
        WaitForSingleObject(process, 5000);
        CloseHandle(process);
    }
}

constexpr wchar_t kBagMru[] = L"Software\\Microsoft\\Windows\\Shell\\BagMRU";
constexpr wchar_t kSizer[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Modules\\GlobalSettings\\Sizer";

// Ends Explorer, Wine's desktop process among them: runs in a prefix of its
// own, reset before each test.
TEST(FolderViewResetOnWineExplorer, RunsTheScriptFromAnyTempFolderAndLeavesNoBatchFile) {
    // A plain folder, and one whose name holds a blank and characters the
    // command interpreter would otherwise take as its own.
    for (const wchar_t* hint : {L"vx-temp", L"vx R&D (old)"}) {
        SCOPED_TRACE(to_utf8(hint));
        test::ScratchFolder temp(hint);
        test::RegistrySnapshot snapshot({{HKEY_CURRENT_USER, kBagMru}, {HKEY_CURRENT_USER, kSizer}});
        // The first and the last key the script deletes: both going shows it ran to its end.
        HKEY key = nullptr;
        for (const wchar_t* path : {kBagMru, kSizer}) {
            ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (std::wstring(path) + L"\\0").c_str(), 0, nullptr, 0,
                                      KEY_ALL_ACCESS, nullptr, &key, nullptr),
                      ERROR_SUCCESS);
            const DWORD one = 1;
            RegSetValueExW(key, L"Planted", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof(one));
            RegCloseKey(key);
        }
        // A batch file left from an earlier run is replaced, never run.
        const std::wstring batch = temp / L"tempbat.bat";
        const std::wstring marker = temp / L"old script ran.txt";
        test::write_bytes(batch, "@echo off\r\necho ran> \"" + to_ansi(marker) + "\"\r\n");

        test::RealSystem real(temp.path());
        auto& services = real.services;
        auto& ui = real.ui;
        const auto explorers_before = test::explorer_processes();
        reset_folder_view_settings(services);
        end_new_explorers(explorers_before);

        EXPECT_FALSE(test::read_registry_tree(HKEY_CURRENT_USER, kBagMru).exists);
        EXPECT_FALSE(test::read_registry_tree(HKEY_CURRENT_USER, kSizer).exists);
        EXPECT_FALSE(test::exists(marker));
        EXPECT_FALSE(test::exists(batch));
        EXPECT_EQ(ui.boxes, std::vector<Box>{kNotice});
    }
}

// Copies of reg.exe, taskkill.exe and explorer.exe lie in the folder the
// program was started from, say Downloads. The batch names them bare, and cmd
// looks in its current folder first: none of them may run, and the batch
// still does its work with the system's own programs. Ends Explorer, as the
// test above does.
TEST(FolderViewResetOnWineExplorer, NeverRunsProgramsPlantedInTheFolderItWasStartedFrom) {
    test::ScratchFolder downloads(L"vx downloads");
    test::ScratchFolder temp(L"vx-temp");
    std::vector<std::wstring> planted;
    for (const wchar_t* name : {L"reg.exe", L"taskkill.exe", L"explorer.exe"}) {
        planted.push_back(downloads / name);
        ASSERT_TRUE(CopyFileW(test::child_program().c_str(), planted.back().c_str(), FALSE));
    }
    test::RegistrySnapshot snapshot({{HKEY_CURRENT_USER, kBagMru}});
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (std::wstring(kBagMru) + L"\\0").c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(downloads.path().c_str()));

    test::RealSystem real(temp.path());
    auto& services = real.services;
    auto& ui = real.ui;
    const auto explorers_before = test::explorer_processes();
    reset_folder_view_settings(services);
    SetCurrentDirectoryW(previous);
    end_new_explorers(explorers_before);

    for (const auto& program : planted)
        EXPECT_FALSE(test::exists(program + L".ran")) << to_utf8(program) << " ran";
    EXPECT_FALSE(test::read_registry_tree(HKEY_CURRENT_USER, kBagMru).exists) << "the system's reg.exe did not run";
    EXPECT_EQ(ui.boxes, std::vector<Box>{kNotice});
}

} // namespace
} // namespace vx
