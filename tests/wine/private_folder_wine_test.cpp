// The program's private folder under ProgramData and the log kept in it.
// Wine enforces share modes but not permissions, and it keeps no security on
// files at all (it reports the user as every file's owner), so these tests
// check the security the folder is given and the check of a folder's
// security on descriptors; on Windows a folder so made refuses a non-elevated
// write.
#include <gtest/gtest.h>

#include <windows.h>

#include <sddl.h>

#include "services/backup_folders_win.h"
#include "services/error.h"
#include "services/log_store_win.h"
#include "services/private_folder_win.h"
#include "tests/wine/wine_support.h"

namespace vx {
namespace {

// The check of a descriptor given in SDDL.
std::wstring problem_of(const wchar_t* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr))
        return L"(no descriptor)";
    std::wstring problem = private_security_problem(descriptor);
    LocalFree(descriptor);
    return problem;
}

TEST(PrivateFolderOnWine, TheSecurityGivenPassesAndWhatAUserCouldPlantIsRefused) {
    const std::wstring changed = L"accounts other than Administrators and SYSTEM may change it";
    const struct {
        const wchar_t* security;
        std::wstring problem;
    } cases[] = {
        {kPrivateFolderSecurity, L""},
        {kReadablePrivateFolderSecurity, L""},
        // A folder a user made first is theirs, or lets them change it.
        {L"O:S-1-5-21-1-2-3-1001D:P(A;OICI;FA;;;BA)",
         L"it is owned by someone other than Administrators or SYSTEM"},
        {L"O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;BU)", changed},
        {L"O:BAD:P(A;OICI;FA;;;BA)(A;OICI;0x2;;;WD)", changed},      // may add folders
        {L"O:BAD:P(A;OICI;FA;;;BA)(A;OICI;WD;;;S-1-5-11)", changed}, // may change the permissions
        {L"O:SYD:P(A;OICI;FA;;;SY)(A;OICIIO;FA;;;CO)(A;OICI;FR;;;WD)", L""},
        {L"O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;CO)", changed}, // CREATOR OWNER on the folder itself
        {L"O:BA", L"everyone may change it"},                   // no permissions at all
    };
    for (const auto& c : cases) EXPECT_EQ(problem_of(c.security), c.problem) << to_utf8(c.security);
}

TEST(PrivateFolderOnWine, AFolderIsMadeWithThatSecurityAndAFileIsNotTakenForIt) {
    test::ScratchFolder scratch;
    const std::wstring folder = scratch / L"Vantrix";
    const std::wstring problem = make_private_folder(folder);
    EXPECT_TRUE(test::exists(folder));
    // Wine reports the user as the owner of every file, whatever it was
    // given; that alone is not held against the folder there (Wine has no
    // file security to keep), so on both the folder is taken.
    EXPECT_EQ(problem, L"");

    const std::wstring file = scratch / L"file";
    test::write_bytes(file, "x");
    EXPECT_EQ(make_private_folder(file), L"it is not a folder");
    // The log then writes nothing there.
    Win32LogStore store(file);
    EXPECT_THROW(store.append("x\r\n"), Error);
    EXPECT_EQ(test::read_bytes(file), "x");
}

TEST(PrivateFolderOnWine, TheLogAppendsAndRollsOverToOnePreviousFile) {
    test::ScratchFolder scratch;
    // The folder's security is checked above; here it is a plain folder.
    Win32LogStore store(scratch.path(), [](const std::wstring&) { return std::wstring(); });
    EXPECT_EQ(store.size(), 0u);
    store.append("one\r\n");
    store.append("two\r\n");
    EXPECT_EQ(store.size(), 10u);
    EXPECT_EQ(test::read_bytes(store.file_path()), "one\r\ntwo\r\n");
    store.roll();
    EXPECT_EQ(store.size(), 0u);
    store.append("three\r\n");
    store.roll();
    EXPECT_EQ(test::read_bytes(store.previous_path()), "three\r\n") << "the older previous file is replaced";
    EXPECT_FALSE(test::exists(store.file_path()));
}

// Whether a process of the same user without its Administrators membership
// may create a file in the folder.
bool non_elevated_may_create_in(const std::wstring& folder) {
    HANDLE process_token = nullptr, restricted = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, &process_token)) return true;
    BYTE admins[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof(admins);
    CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &size);
    SID_AND_ATTRIBUTES disabled{admins, 0};
    const BOOL made = CreateRestrictedToken(process_token, 0, 1, &disabled, 0, nullptr, 0, nullptr, &restricted);
    CloseHandle(process_token);
    if (!made) return true;
    bool created = true;
    if (ImpersonateLoggedOnUser(restricted)) {
        const std::wstring path = folder + L"\\planted.reg";
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        created = file != INVALID_HANDLE_VALUE;
        if (created) CloseHandle(file);
        RevertToSelf();
        if (created) DeleteFileW(path.c_str());
    }
    CloseHandle(restricted);
    return created;
}

TEST(PrivateFolderOnWine, TheBackupsFolderIsMadePrivateInsideTheProgramFolderAndAFileIsRefused) {
    test::ScratchFolder scratch;
    Win32BackupFolders backups(scratch / L"Vantrix");
    const std::wstring root = backups.root();
    EXPECT_EQ(root, scratch / L"Vantrix\\Backups");
    EXPECT_TRUE(test::exists(root));
    if (test::running_on_wine()) {
        // Wine keeps no security on files, so the folder's permissions cannot
        // be read back or tried; the descriptor it is made with is checked above.
        EXPECT_EQ(problem_of(kPrivateFolderSecurity), L"");
    } else {
        EXPECT_FALSE(non_elevated_may_create_in(root)) << "a non-elevated process could plant a backup";
    }

    test::ScratchFolder other;
    CreateDirectoryW((other / L"Vantrix").c_str(), nullptr);
    test::write_bytes(other / L"Vantrix\\Backups", "x");
    Win32BackupFolders refused(other / L"Vantrix");
    try {
        refused.root();
        ADD_FAILURE() << "a file was taken for the backups' folder";
    } catch (const Error& e) {
        EXPECT_NE(e.message().find(L"it is not a folder"), std::wstring::npos) << to_utf8(e.message());
    }
}

} // namespace
} // namespace vx
