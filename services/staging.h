#pragma once

#include <string>

namespace vx {

// Files handed to another program (a registry script, a batch, the Explorer
// restarter) are staged in the user's TEMP folder. Without TEMP there is no
// such folder, and the repair refuses rather than write somewhere else (a
// bare name would land in the root of the current drive).
inline constexpr wchar_t kTempNotSet[] =
    L"The TEMP variable is not set, so the temporary file this repair needs cannot be written. Nothing was changed.";

// The path of a file to stage in TEMP (given with or without its closing
// backslash); raises an error with kTempNotSet when TEMP is empty.
std::wstring staged_file_path(const std::wstring& temp, const std::wstring& name);

} // namespace vx
