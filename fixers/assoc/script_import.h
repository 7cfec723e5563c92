#pragma once

#include <string>
#include <vector>

#include "services/services.h"

namespace vx {

// Applies a stored registry script: writes it to "<temp path><import name>.reg",
// has the system's reg.exe import that file, deletes the file, compares the
// registry with the script and shows "Done!" when it holds the script's data.
// "Error!" is shown instead when the file cannot be written, when the
// Registry Editor is missing from the Windows folder, or when reg.exe cannot
// start or reports a failure; an error box naming what still differs when
// reg.exe answered 0 but the registry does not hold the data. Nothing is
// raised to the caller, and the temporary file never outlives the call.
void import_registry_script(Services& services, const std::vector<std::wstring>& script,
                            const std::wstring& import_name);

} // namespace vx
