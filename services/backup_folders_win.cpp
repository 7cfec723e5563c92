#include "services/backup_folders_win.h"

#include "services/error.h"
#include "services/log_store_win.h"
#include "services/private_folder_win.h"

namespace vx {

std::wstring Win32BackupFolders::root() {
    const std::wstring& program_folder = program_folder_.get();
    if (program_folder.empty()) throw Error(L"The ProgramData folder is not known");
    // Both folders are checked each time: a backup is written and put back
    // elevated, so neither may be one that someone else made or can change.
    if (const auto problem = make_log_folder(program_folder); !problem.empty())
        throw Error(L"The folder \"" + program_folder + L"\" cannot hold backups: " + problem);
    const std::wstring backups = program_folder + L"\\Backups";
    if (const auto problem = make_private_folder(backups); !problem.empty())
        throw Error(L"The folder \"" + backups + L"\" cannot hold backups: " + problem);
    return backups;
}

} // namespace vx
