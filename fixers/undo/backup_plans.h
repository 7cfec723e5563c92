#pragma once

#include <string>
#include <string_view>

#include "fixers/assoc/assoc_catalogue.h"
#include "fixers/undo/backup.h"

namespace vx {

// What an association row's FIX changes: every key its script writes or
// deletes, each saved whole, and for the EXE row the keys it writes first.
// Raises the reader's error when the stored script cannot be read.
BackupPlan association_backup_plan(const TextStore& texts, const AssociationEntry& entry);
BackupPlan script_backup_plan(const regscript::Script& script);

// What an Advanced repair changes and can be saved, and what of it cannot be
// taken back (empty when everything can).
struct AdvancedUndo {
    BackupPlan plan;
    std::wstring_view not_undone;
};
// For the repair button named; an empty plan for a name it does not know.
AdvancedUndo advanced_undo(std::wstring_view component, Folders& folders);

} // namespace vx
