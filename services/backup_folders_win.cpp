#include "services/backup_folders_win.h"

#include <windows.h>

#include "services/error.h"
#include "services/log_store_win.h"
#include "services/private_folder_win.h"

namespace vx {

namespace {

constexpr wchar_t kOwnerProblem[] = L"it is owned by someone other than Administrators or SYSTEM";

// Wine keeps no security on files: every process of a prefix may change every
// file there, and it names the user as the owner of every folder. There is no
// boundary between elevated and other processes to keep, so under Wine the
// folder's reported owner is not held against it. On Windows it always is.
bool owner_is_unknowable() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

std::wstring check(const std::wstring& problem) {
    return problem == kOwnerProblem && owner_is_unknowable() ? std::wstring() : problem;
}

} // namespace

std::wstring Win32BackupFolders::root() {
    if (program_folder_.empty()) throw Error(L"The ProgramData folder is not known");
    // Both folders are checked each time: a backup is written and put back
    // elevated, so neither may be one that someone else made or can change.
    if (const auto problem = check(make_log_folder(program_folder_)); !problem.empty())
        throw Error(L"The folder \"" + program_folder_ + L"\" cannot hold backups: " + problem);
    const std::wstring backups = program_folder_ + L"\\Backups";
    if (const auto problem = check(make_private_folder(backups)); !problem.empty())
        throw Error(L"The folder \"" + backups + L"\" cannot hold backups: " + problem);
    return backups;
}

} // namespace vx
