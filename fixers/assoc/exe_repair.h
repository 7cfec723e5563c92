#pragma once

#include "services/services.h"

namespace vx {

// Writes the main keys and values of the .exe registration one by one, so
// programs start again even before the EXE script is imported. Raises
// "Failed to set data for '<name>'" at the first write that fails, leaving the
// keys of the earlier steps written.
void repair_exe_association(Services& services);

} // namespace vx
