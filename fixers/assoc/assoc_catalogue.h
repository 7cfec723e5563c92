#pragma once

#include <array>

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
// "Done!" or "Error!". The EXE row first writes the .exe keys directly, and
// when one of those writes fails its error propagates and nothing is imported.
void repair_association(Services& services, const AssociationEntry& entry);

// The message of the help label under the rows, on how to start the program
// when .exe files no longer open.
void show_exe_help(Ui& ui);

} // namespace vx
