#pragma once

#include <array>
#include <string>
#include <vector>

#include "fixers/assoc/assoc_health.h"

#include "services/services.h"

namespace vx {

// One row of the File Associations Fixer page.
struct AssociationEntry {
    const wchar_t* type_name;   // the extension label in bold, such as "TXT"
    const wchar_t* description; // the label under it, such as "Text Document"
    const wchar_t* button;      // the row's "FIX" button, such as btnFIXTXTFILE
    const wchar_t* memo;        // the stored script the row imports, such as mFIX_TXT_W10
    const wchar_t* import_name; // the base name of the temporary script file
    // Where the row's 32 x 32 picture comes from: an icon location as the
    // registry holds it ("<file>,<index>", environment variables unexpanded,
    // the file sometimes in quotation marks, a negative index naming a
    // resource identifier). Rows that share a picture share the location.
    const wchar_t* icon;
};

// The 26 rows in page order (SCR comes before MSU).
extern const std::array<AssociationEntry, 26> kAssociations;

// What a row's "FIX" button does: imports the row's stored script and shows
// "Done!" when the registry then holds it, else an error. The EXE row first writes the .exe keys directly, and
// when one of those writes fails its error propagates and nothing is imported.
void repair_association(Services& services, const AssociationEntry& entry);

// How one row's type compares with its stored script.
struct AssociationHealth {
    const AssociationEntry* entry = nullptr;
    std::vector<RegistryDifference> differences; // empty: intact
    bool intact() const { return differences.empty(); }
    // "intact", or the first difference in a person's words with how many
    // more there are: "extra command 'evil' (+1 more)".
    std::wstring summary() const;
};

// Compares the registry with the row's stored script; writes nothing.
AssociationHealth check_association(RegistryBackend& registry, const TextStore& texts, const AssociationEntry& entry);
// The same for every row, in page order.
std::vector<AssociationHealth> check_associations(RegistryBackend& registry, const TextStore& texts);

// The message of the help label under the rows, on how to start the program
// when .exe files no longer open.
void show_exe_help(Ui& ui);

} // namespace vx
