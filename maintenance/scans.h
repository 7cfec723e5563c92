#pragma once

#include <string>

#include "services/services.h"

namespace vx {

inline constexpr wchar_t kSfcCommand[] = L"sfc /scannow";
inline constexpr wchar_t kDismCommand[] = L"DISM /Online /Cleanup-Image /RestoreHealth";

// The line the tool's console shows once the tool has ended, above its pause.
inline constexpr wchar_t kReadTheResult[] = L"Read the result above, then press any key to close this window.";

// Runs the tool in a console window of its own and waits for it. The console
// stays open after the tool has ended, until the person presses a key, so
// that the tool's own verdict can be read. "Done!" only when its exit code
// says it succeeded; a failing code, a tool stopped before it ended, or a tool
// that could not be started at all, is reported in an error box instead.
void run_sfc_scan(Services& services);
void run_dism_scan(Services& services);

// The command line that runs the program (a full path) with its arguments in
// cmd, pauses under kReadTheResult when it has ended, and ends with the
// program's own exit code.
std::wstring console_kept_open(const std::wstring& system_folder, const std::wstring& program,
                               const std::wstring& arguments);

} // namespace vx
