#pragma once

#include <cstdint>
#include <vector>

#include "services/services.h"

namespace vx {

inline constexpr wchar_t kRestarterResource[] = L"RESTARTEXPLORER";
inline constexpr wchar_t kRestarterFile[] = L"RestartExp.exe";

// Writes the restarter program to TEMP as "RestartExp.exe" (replacing a copy
// left by an earlier run), runs it hidden, waits for it and deletes it.
// Raises an error naming the copy when it could not be started.
void restart_explorer(Services& services, const std::vector<std::uint8_t>& restarter);

} // namespace vx
