#pragma once

#include <cstdint>
#include <vector>

#include "services/services.h"

namespace vx {

inline constexpr wchar_t kRestarterResource[] = L"RESTARTEXPLORER";
inline constexpr wchar_t kRestarterFile[] = L"RestartExp.exe";

// The restarter's exit code when it found no way to start Explorer again
// without this program's administrator rights and so left it running.
inline constexpr int kRestarterLeftExplorerRunning = 2;
inline constexpr wchar_t kExplorerNotRestartedUnelevated[] =
    L"Explorer was not restarted: it could not be started again without administrator rights, so it was left running.";

// Writes the restarter program to TEMP as "RestartExp.exe" (replacing a copy
// left by an earlier run), runs it hidden, waits for it and deletes it.
// Raises an error naming the copy when it could not be started, and
// kExplorerNotRestartedUnelevated when it left Explorer running.
void restart_explorer(Services& services, const std::vector<std::uint8_t>& restarter);

} // namespace vx
