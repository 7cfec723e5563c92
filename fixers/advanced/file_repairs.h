#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "services/services.h"

namespace vx {

// The Advanced page's repairs that work through files.

// The system's hosts file.
std::wstring hosts_file_path(Folders& folders);
// The keys below HKEY_CURRENT_USER that the stored folder-view batch deletes,
// in its order: one for each "Reg Delete "HKCU\<key>"" line.
std::vector<std::wstring> folder_view_keys(const TextStore& texts);

// Rewrites the system hosts file with the Windows default text.
void reset_hosts_file(Services& services);
// Asks for a drive and deletes its "$Recycle.Bin" folder, which Windows then builds anew.
void fix_corrupted_recycle_bin(Services& services);
// Runs the stored folder-view reset script, which also restarts Explorer.
void reset_folder_view_settings(Services& services);

// The drive letter named by typed text, in upper case: one letter A to Z in
// either case, alone or followed by ":" or ":\". Anything else names no drive.
std::optional<wchar_t> parse_drive_letter(std::wstring_view text);

// The command line that runs a batch file through the command interpreter.
std::wstring batch_command_line(const std::wstring& system_folder, const std::wstring& batch_path);

} // namespace vx
