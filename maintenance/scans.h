#pragma once

#include "services/services.h"

namespace vx {

inline constexpr wchar_t kSfcCommand[] = L"sfc /scannow";
inline constexpr wchar_t kDismCommand[] = L"DISM /Online /Cleanup-Image /RestoreHealth";

// Runs the tool in a console window of its own and waits for it. "Done!" only
// when its exit code says it succeeded; a failing code, or a tool that could
// not be started at all, is reported in an error box instead.
void run_sfc_scan(Services& services);
void run_dism_scan(Services& services);

} // namespace vx
