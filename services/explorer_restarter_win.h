#pragma once

#include "services/services.h"

namespace vx {

// Writes the embedded restarter program to TEMP as "RestartExp.exe", runs it
// hidden, waits for it and deletes it. Raises when the resource is missing or
// the file cannot be written.
void restart_explorer(Services& services);

} // namespace vx
