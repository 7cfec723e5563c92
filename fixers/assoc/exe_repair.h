#pragma once

#include "services/services.h"

namespace vx {

// Writes the main keys and values of the .exe registration one by one, so
// programs start again even before the EXE script is imported. The keys and
// values are read first; at the first write that fails, every earlier write is
// undone and the keys it made are deleted, and the error names the value and
// says that nothing was changed (or names what could not be put back).
void repair_exe_association(Services& services);

} // namespace vx
