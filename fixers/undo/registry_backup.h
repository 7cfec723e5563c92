#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "fixers/assoc/registry_script.h"
#include "services/registry.h"

namespace vx {

// One registry key a repair is about to change.
struct BackupKey {
    RootKey root = RootKey::current_user;
    std::wstring path;
    // The values the repair changes; empty: the key with everything below it.
    std::vector<std::wstring> values;
    bool operator==(const BackupKey&) const = default;
};

// The keys as they are now, as a registry script that puts them back when it
// is applied:
// - a key saved whole is deleted and then written again with every value and
//   subkey it holds, so that whatever a repair adds below it goes again;
// - a key saved for some values names each of them, with its data or as
//   deleted ("name"=-) when it is not there;
// - a key that does not exist is recorded as deleted, from the highest of
//   its parents that does not exist either, so that undo removes what the
//   repair creates.
// Text is written quoted where it can be read back exactly; any other data,
// and values of every other type, as byte lists wrapped as the Registry
// Editor wraps them. Keys below a key saved whole are not saved twice.
// Raises an Error naming the key when a key cannot be read, or a key or
// value whose name cannot be written in a script.
std::vector<std::wstring> export_registry(RegistryBackend& backend, const std::vector<BackupKey>& keys);

// Writes a script into the registry through the backend: deletions first as
// they stand, then keys and values. Goes on past a refused change and
// answers one line for each change the registry refused.
std::vector<std::wstring> apply_registry_script(RegistryBackend& backend, const regscript::Script& script);

// Text files as the Registry Editor writes them: UTF-16LE with a byte-order
// mark, each line ended by CR LF.
std::vector<std::uint8_t> utf16_file_bytes(const std::vector<std::wstring>& lines);
// The lines of such a file; raises an Error when it has no UTF-16LE mark.
std::vector<std::wstring> utf16_file_lines(const std::vector<std::uint8_t>& bytes);

} // namespace vx
