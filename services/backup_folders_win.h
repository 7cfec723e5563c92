#pragma once

#include <string>

#include "fixers/undo/backup.h"
#include "services/log_store_win.h"

namespace vx {

// The backups in "%ProgramData%\Vantrix\Backups": the program's folder is
// made or checked as the log's, the Backups folder in it as a private folder
// that only Administrators and SYSTEM can open, and each backup inherits that.
class Win32BackupFolders : public BackupFolders {
public:
    // `program_folder` is the log's folder, such as "C:\ProgramData\Vantrix".
    explicit Win32BackupFolders(LaterFolder program_folder) : program_folder_(std::move(program_folder)) {}
    std::wstring root() override;

private:
    LaterFolder program_folder_;
};

} // namespace vx
