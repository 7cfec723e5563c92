#pragma once

#include <functional>
#include <string>
#include <vector>

#include "fixers/undo/registry_backup.h"
#include "services/services.h"

namespace vx {

// What a repair is about to change, saved before it changes anything.
struct BackupPlan {
    std::vector<BackupKey> keys;
    std::vector<std::wstring> files;   // full paths, each copied as it is
    std::vector<std::wstring> folders; // full paths, each copied with everything in it
    bool firewall = false;             // the firewall's rules, exported by netsh
    bool empty() const { return keys.empty() && files.empty() && folders.empty() && !firewall; }
};

// Where the backups are kept: one folder that only Administrators and SYSTEM
// can change, since a backup is put back elevated.
class BackupFolders {
public:
    virtual ~BackupFolders() = default;
    // The folder holding every backup, made when it is missing. Raises an
    // Error saying why when it cannot be made or is not such a folder.
    virtual std::wstring root() = 0;
};

// The names inside one backup's folder.
inline constexpr wchar_t kBackupManifest[] = L"backup.txt";
inline constexpr wchar_t kBackupRegistry[] = L"registry.reg";
inline constexpr wchar_t kBackupFirewall[] = L"firewall.wfw";

// Saves what the plan names into a new folder below the root, named by the
// time and the repair ("2026-12-11 02.30.05 btnFIXFILEHOST"), and answers the
// folder's path. The list of what it holds is written last, so a folder
// without it is no backup. Raises an Error saying what could not be saved;
// the unfinished folder is removed then.
std::wstring write_backup(Services& services, BackupFolders& backups, const std::wstring& time,
                          const std::wstring& repair, const std::wstring& folder_word, const BackupPlan& plan);

// One backup as the Undo window lists it.
struct BackupSummary {
    std::wstring folder;   // its full path
    std::wstring time;     // "2026-12-11 02:30:05"
    std::wstring repair;   // as the person knows it
    std::wstring contents; // "registry: 2 keys, file: C:\...\hosts"
};

// Every backup, newest first. Folders that hold no complete backup are left out.
std::vector<BackupSummary> list_backups(Services& services, BackupFolders& backups);

// Puts back what one backup holds, exactly as it was, and then checks it with
// the same comparison the repairs use. Answers what could not be put back or
// still differs; empty when everything is as it was. Putting the same backup
// back twice changes nothing the second time.
std::vector<std::wstring> restore_backup(Services& services, const std::wstring& folder);

// The texts the person is shown.
inline constexpr wchar_t kBackupFailedText[] = L"The repair did not run, because its backup could not be written:\n";
inline constexpr wchar_t kRestoredText[] = L"Done! Everything in the backup is back as it was.";
inline constexpr wchar_t kNotRestoredText[] = L"The backup could not be put back whole:\n";

// Saves the plan; when it cannot, an error box says why and the answer is
// false. A plan with nothing to save needs no backup and answers true.
bool back_up(Services& services, BackupFolders& backups, const std::wstring& time, const std::wstring& repair,
             const std::wstring& folder_word, const BackupPlan& plan);

// Saves the plan and then runs the repair. When the backup cannot be written
// the repair does not run, and an error box says why. A plan with nothing to
// save runs the repair at once.
void run_with_backup(Services& services, BackupFolders& backups, const std::wstring& time, const std::wstring& repair,
                     const std::wstring& folder_word, const BackupPlan& plan, const std::function<void()>& run);

// Asks, puts one backup back and reports the outcome in a box.
void undo_backup(Services& services, const BackupSummary& backup);

} // namespace vx
