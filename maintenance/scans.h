#pragma once

#include "services/services.h"

namespace vx {

inline constexpr wchar_t kSfcCommand[] = L"sfc /scannow";
inline constexpr wchar_t kDismCommand[] = L"DISM /Online /Cleanup-Image /RestoreHealth";

// Runs the tool in a console window of its own, waits for it, then says
// "Done!". A tool that could not be started at all is reported instead.
void run_sfc_scan(Services& services);
void run_dism_scan(Services& services);

} // namespace vx
