#pragma once

#include <string>
#include <string_view>

#include "fixers/assoc/assoc_catalogue.h"
#include "fixers/undo/backup.h"

namespace vx {

// What an association row's FIX changes: every key its script writes or
// deletes, each saved whole (the EXE row's direct writes go to keys its
// script names too). Raises the reader's error when the stored script cannot
// be read.
BackupPlan association_backup_plan(const TextStore& texts, const AssociationEntry& entry);
BackupPlan script_backup_plan(const regscript::Script& script);

// What an Advanced repair changes and can be saved, and what of it cannot be
// taken back (empty when everything can).
struct AdvancedUndo {
    BackupPlan plan;
    std::wstring_view not_undone;
};
// For the repair button named; an empty plan for a name it does not know.
AdvancedUndo advanced_undo(std::wstring_view component, Services& services);

// A row's FIX as the button runs it: what it replaces is saved first. When
// that cannot be done (the backup cannot be written, or the stored script
// cannot be read to name its keys) an error box says why and nothing changes.
void fix_association_with_backup(Services& services, BackupFolders& backups, const std::wstring& time,
                                 const AssociationEntry& entry);

} // namespace vx
