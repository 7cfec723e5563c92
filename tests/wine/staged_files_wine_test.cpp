// Files staged in TEMP for another program, with the real file layer: held
// against every other writer while the program reads them, and a second
// process that keeps trying to swap them never gets its own bytes imported
// or run.
#include <gtest/gtest.h>

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <set>
#include <string>

#include "fixers/advanced/file_repairs.h"
#include "fixers/assoc/script_import.h"
#include "services/error.h"
#include "services/explorer_restarter_win.h"
#include "services/file_system_win.h"
#include "services/text.h"
#include "tests/wine/real_system.h"
#include "tests/wine/wine_support.h"

namespace vx {
namespace {

constexpr wchar_t kPlantedKey[] = L"Software\\Vantrix tests\\Planted";
constexpr wchar_t kStagedKey[] = L"Software\\Vantrix tests\\Staged";

// A process that keeps trying to overwrite, rename and delete a file, putting
// its own bytes in its place whenever it gets the name.
class Tamperer {
public:
    Tamperer(const std::wstring& target, const std::wstring& source) {
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info{};
        const std::wstring program = test::child_program();
        std::wstring line = L"\"" + program + L"\" tamper \"" + target + L"\" \"" + source + L"\"";
        if (CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                           &startup, &info)) {
            CloseHandle(info.hThread);
            process_ = info.hProcess;
        }
        // Gives it time to plant its first copy.
        Sleep(300);
    }
    ~Tamperer() {
        if (!process_) return;
        TerminateProcess(process_, 0);
        WaitForSingleObject(process_, 5000);
        CloseHandle(process_);
    }
    Tamperer(const Tamperer&) = delete;
    Tamperer& operator=(const Tamperer&) = delete;
    bool running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

private:
    HANDLE process_ = nullptr;
};

void end_new_explorers(const std::set<DWORD>& before) {
    Sleep(500);
    for (DWORD id : test::explorer_processes()) {
        if (before.count(id)) continue;
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
        if (!process) continue;
        TerminateProcess(process, 0);
        WaitForSingleObject(process, 5000);
        CloseHandle(process);
    }
}

TEST(StagedFileOnWine, IsReadableButCannotBeWrittenRenamedOrDeletedUntilReleasedAndThenIsGone) {
    test::ScratchFolder temp(L"vx staged");
    const std::wstring path = temp / L"TXT.reg";
    Win32FileSystem files;
    {
        const auto staged = files.stage_text_file(path, {L"Windows Registry Editor Version 5.00", L""});
        EXPECT_EQ(test::read_bytes(path), "Windows Registry Editor Version 5.00\r\n\r\n");
        // Readers such as reg.exe and cmd, which share reading and writing.
        HANDLE reader = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(reader, INVALID_HANDLE_VALUE);
        if (reader != INVALID_HANDLE_VALUE) CloseHandle(reader);
        HANDLE writer = CreateFileW(path.c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                                    nullptr);
        EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
        if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
        EXPECT_FALSE(MoveFileExW(path.c_str(), (path + L".moved").c_str(), MOVEFILE_REPLACE_EXISTING));
        EXPECT_FALSE(DeleteFileW(path.c_str()));
        EXPECT_EQ(test::read_bytes(path), "Windows Registry Editor Version 5.00\r\n\r\n");
    }
    EXPECT_FALSE(test::exists(path));
}

// Wine keeps only a file's Unix mode bits and makes up its security from
// them, so what a staged file is given cannot be read back there (nor is it
// enforced). The descriptor it is created with is checked instead: only
// Administrators and SYSTEM may open the file, and nothing is inherited from
// the user's TEMP. Only Windows shows the file carrying it.
TEST(StagedFileOnWine, IsCreatedWithSecurityOpenOnlyToAdministratorsAndSystem) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(kStagedFileSecurity, SDDL_REVISION_1,
                                                                     &descriptor, nullptr));
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    GetSecurityDescriptorControl(descriptor, &control, &revision);
    EXPECT_TRUE(control & SE_DACL_PROTECTED);
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted));
    ASSERT_TRUE(present);
    ASSERT_NE(dacl, nullptr);
    std::set<std::wstring> allowed;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        ASSERT_TRUE(GetAce(dacl, i, &ace));
        auto* header = static_cast<ACE_HEADER*>(ace);
        ASSERT_EQ(header->AceType, ACCESS_ALLOWED_ACE_TYPE);
        EXPECT_EQ(header->AceFlags & INHERITED_ACE, 0);
        auto* allow = static_cast<ACCESS_ALLOWED_ACE*>(ace);
        wchar_t* sid = nullptr;
        ASSERT_TRUE(ConvertSidToStringSidW(&allow->SidStart, &sid));
        allowed.insert(sid);
        LocalFree(sid);
    }
    LocalFree(descriptor);
    EXPECT_EQ(allowed, (std::set<std::wstring>{L"S-1-5-32-544", L"S-1-5-18"}));
}

// A link planted at the path is removed, not followed: the file it points to
// keeps its bytes, and the staged file is a plain file of its own.
TEST(StagedFileOnWine, ALinkPlantedAtThePathIsRemovedAndItsTargetLeftAlone) {
    test::ScratchFolder temp(L"vx staged");
    test::ScratchFolder elsewhere(L"vx elsewhere");
    const std::wstring path = temp / L"RestartExp.exe";
    const std::wstring target = elsewhere / L"precious.txt";
    test::write_bytes(target, "precious");
    if (!CreateSymbolicLinkW(path.c_str(), target.c_str(), 0))
        GTEST_SKIP() << "this Wine cannot create symbolic links (error " << GetLastError() << ")";
    Win32FileSystem files;
    {
        const auto staged = files.stage_binary_file(path, {'M', 'Z'});
        EXPECT_EQ(test::read_bytes(path), "MZ");
        EXPECT_EQ(GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT, 0u);
    }
    EXPECT_EQ(test::read_bytes(target), "precious");
    EXPECT_FALSE(test::exists(path));
}

TEST(StagedFileOnWine, ALeftoverHeldOpenByAnotherProgramIsRefusedAndNothingIsStaged) {
    test::ScratchFolder temp(L"vx staged");
    const std::wstring path = temp / L"tempbat.bat";
    test::write_bytes(path, "@echo planted");
    // Held without delete sharing, as a program that wants it to stay would.
    HANDLE holder =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    Win32FileSystem files;
    try {
        files.stage_text_file(path, {L"@echo off"});
        ADD_FAILURE() << "staged over a file that cannot be removed";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().starts_with(L"Cannot create file \"" + path + L"\". A file of that name is there"))
            << to_utf8(e.message());
    }
    CloseHandle(holder);
    EXPECT_EQ(test::read_bytes(path), "@echo planted");
}

// The attack itself: while reg.exe imports the script, another process keeps
// trying to put a script of its own in its place. Its key never appears, and
// the import still does its work.
TEST(StagedFileOnWine, AScriptSwappedWhileRegImportsItIsNeverImported) {
    test::ScratchFolder temp(L"vx staged");
    test::ScratchFolder attacker(L"vx attacker");
    test::RegistrySnapshot snapshot({{HKEY_CURRENT_USER, L"Software\\Vantrix tests"}});
    const std::wstring planted = attacker / L"planted.reg";
    test::write_bytes(planted, "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\" +
                                   to_ansi(L"Software\\Vantrix tests\\Planted") + "]\r\n\"Ran\"=\"yes\"\r\n");
    const std::vector<std::wstring> script = {L"Windows Registry Editor Version 5.00", L"",
                                              L"[HKEY_CURRENT_USER\\Software\\Vantrix tests\\Staged]",
                                              L"\"Ok\"=\"yes\"", L""};
    test::RealSystem real(temp.path());
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        Tamperer tamperer(temp / L"TXT.reg", planted);
        ASSERT_TRUE(tamperer.running());
        real.ui.boxes.clear();
        test::delete_registry_tree(HKEY_CURRENT_USER, kStagedKey);
        import_registry_script(real.services, script, L"TXT");
        ASSERT_EQ(real.ui.boxes.size(), 1u);
        EXPECT_EQ(real.ui.boxes[0].text, L"Done!");
        EXPECT_TRUE(test::read_registry_tree(HKEY_CURRENT_USER, kStagedKey).exists);
        EXPECT_FALSE(test::read_registry_tree(HKEY_CURRENT_USER, kPlantedKey).exists) << "the planted script ran";
    }
}

// The same for the folder-view batch, which cmd reads line by line while it
// runs. Ends Explorer: runs in a prefix of its own.
TEST(StagedFileOnWineExplorer, ABatchSwappedWhileCmdRunsItNeverRuns) {
    test::ScratchFolder temp(L"vx staged");
    test::ScratchFolder attacker(L"vx attacker");
    const std::wstring marker = attacker / L"planted batch ran.txt";
    const std::wstring planted = attacker / L"planted.bat";
    test::write_bytes(planted, "@echo off\r\necho ran> \"" + to_ansi(marker) + "\"\r\n");
    test::RealSystem real(temp.path());
    Tamperer tamperer(temp / L"tempbat.bat", planted);
    ASSERT_TRUE(tamperer.running());
    const auto before = test::explorer_processes();
    reset_folder_view_settings(real.services);
    end_new_explorers(before);
    EXPECT_FALSE(test::exists(marker)) << "the planted batch ran";
    ASSERT_EQ(real.ui.boxes.size(), 1u);
    EXPECT_EQ(real.ui.boxes[0].text, L"The problem has been fixed, restart the computer to see changes!");
}

// And for the restarter: a program put in its place would run elevated. The
// planted stand-in leaves "RestartExp.exe.ran" beside itself when it runs.
// Ends Explorer: runs in a prefix of its own.
TEST(StagedFileOnWineExplorer, ARestarterSwappedBeforeItStartsNeverRuns) {
    const std::wstring temp = test::environment_variable(L"TEMP");
    const std::wstring marker = temp + L"\\RestartExp.exe.ran";
    DeleteFileW(marker.c_str());
    test::RealSystem real(temp);
    {
        Tamperer tamperer(temp + L"\\RestartExp.exe", test::child_program());
        ASSERT_TRUE(tamperer.running());
        const auto before = test::explorer_processes();
        restart_explorer(real.services);
        end_new_explorers(before);
    }
    Sleep(300);
    EXPECT_FALSE(test::exists(marker)) << "the planted restarter ran";
    EXPECT_TRUE(real.ui.boxes.empty());
    DeleteFileW((temp + L"\\RestartExp.exe").c_str());
    DeleteFileW((temp + L"\\RestartExp.exe.moved").c_str());
    DeleteFileW(marker.c_str());
}

} // namespace
} // namespace vx
