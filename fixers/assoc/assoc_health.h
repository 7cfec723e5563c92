#pragma once

#include <string>
#include <vector>

#include "fixers/assoc/registry_script.h"
#include "services/registry.h"

namespace vx {

// One way the registry differs from what a stored script writes.
struct RegistryDifference {
    enum class Kind {
        key_missing,   // a key the script writes is not there
        key_present,   // a key the script deletes is still there
        value_missing, // a value the script writes is not there
        value_present, // a value the script deletes is still there
        other_type,    // the value is there with another type
        other_data,    // the value is there with other data
        extra_key,     // a subkey the script does not write, under a key it replaces whole
        extra_value,   // a value the script does not write, under a key it replaces whole
        user_choice,   // the person's own choice of program overrides the type's registration
        unreadable_script, // the script itself cannot be read (name: the reader's message)
    };
    Kind kind = Kind::key_missing;
    RootKey root = RootKey::classes_root;
    std::wstring key;  // below the root
    std::wstring name; // the value, the extra subkey, or the chosen program; empty for a default value
    bool operator==(const RegistryDifference&) const = default;
};

// Compares the registry with a stored script, as reg.exe would leave it
// after importing the script:
// - every value the script writes must be there with its type and data
//   (text compared up to its terminating zero, everything else byte for byte);
// - every key and value the script deletes must be absent;
// - under a key the script deletes and then writes again, nothing else may
//   be there: no other subkey, no other value;
// - for an extension the script registers, a per-user choice of program
//   (HKCU\...\Explorer\FileExts\.ext\UserChoice) that the script does not
//   write itself is reported.
// A key that cannot be read counts as missing. Nothing is written.
// `user_choice` false leaves the per-user choice out: a backup of a type's
// keys says nothing about the person's choice beside them.
std::vector<RegistryDifference> compare_with_script(RegistryBackend& backend, const regscript::Script& script,
                                                    bool user_choice = true);

// A line a person understands: "open command changed", "extra command
// 'evil'", "key txtfile\shell missing".
std::wstring difference_summary(const RegistryDifference& difference);
// The same with the full key named, for an error box.
std::wstring difference_detail(const RegistryDifference& difference);

// The lines of an error box: at most `limit` details, then how many more.
std::wstring difference_list(const std::vector<RegistryDifference>& differences, std::size_t limit = 20);

} // namespace vx
