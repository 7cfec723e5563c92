#include "fixers/assoc/assoc_health.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>

#include "services/text.h"

namespace vx {

namespace {

using Kind = RegistryDifference::Kind;

constexpr wchar_t kFileExts[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\";

// A key as the comparison identifies it: the root and the folded path.
std::wstring identity(RootKey root, std::wstring_view path) { return to_lower(key_name(root, path)); }

bool is_within(const std::wstring& folded, const std::wstring& folded_top) {
    return folded == folded_top ||
           (folded.size() > folded_top.size() && folded.starts_with(folded_top) && folded[folded_top.size()] == L'\\');
}

// What the registry must hold at one key the script writes.
struct ExpectedKey {
    RootKey root = RootKey::classes_root;
    std::wstring path;
    // Folded value name -> the value's last line in the script (a set or a deletion).
    std::map<std::wstring, regscript::Value> values;
    std::vector<std::wstring> order; // folded value names in script order
};

// The state the script leaves: the keys it writes and the keys it deletes.
struct Expectation {
    std::map<std::wstring, ExpectedKey> keys;
    std::vector<std::wstring> key_order;
    std::vector<std::pair<RootKey, std::wstring>> deleted; // unique, in script order
};

Expectation expectation_of(const regscript::Script& script) {
    Expectation expected;
    std::set<std::wstring> deleted_seen;
    for (const auto& section : script.sections) {
        const std::wstring id = identity(section.root, section.path);
        if (section.deletion) {
            // The reader refuses a deletion after writes at or below the key,
            // so a deletion never undoes a key already expected.
            if (deleted_seen.insert(id).second) expected.deleted.emplace_back(section.root, section.path);
            continue;
        }
        auto [it, made] = expected.keys.try_emplace(id);
        if (made) {
            it->second.root = section.root;
            it->second.path = section.path;
            expected.key_order.push_back(id);
        }
        for (const auto& value : section.values) {
            const std::wstring name = to_lower(value.name);
            if (!it->second.values.count(name)) it->second.order.push_back(name);
            it->second.values.insert_or_assign(name, value);
        }
    }
    return expected;
}

bool same_value(const regscript::Value& want, const RegistryValue& got) {
    if (want.type == ValueType::sz || want.type == ValueType::expand_sz)
        return registry_string_text(want.data) == registry_string_text(got.data);
    return want.data == got.data;
}

class Comparison {
public:
    Comparison(RegistryBackend& backend, const regscript::Script& script, bool user_choice)
        : reg_(backend, kKeyRead, RootKey::classes_root), expected_(expectation_of(script)),
          user_choice_(user_choice) {}

    std::vector<RegistryDifference> run() {
        // The deletions go first: a per-user FileExts key found absent there
        // holds no choice, and the choice is not asked for.
        check_deletions();
        if (user_choice_) {
            std::vector<RegistryDifference> others = std::move(found_);
            found_.clear();
            check_user_choices();
            found_.insert(found_.end(), others.begin(), others.end());
        }
        for (const auto& id : expected_.key_order) check_key(expected_.keys.at(id));
        for (const auto& [root, path] : walks_) {
            const std::wstring id = identity(root, path);
            // A replaced key found missing (or below one) holds nothing extra.
            const bool gone = std::any_of(missing_.begin(), missing_.end(),
                                          [&](const std::wstring& top) { return is_within(id, top); });
            if (!gone) walk(root, path, id);
        }
        return std::move(found_);
    }

private:
    void report(Kind kind, RootKey root, const std::wstring& key, const std::wstring& name = {}) {
        found_.push_back({kind, root, key, name});
    }

    bool written_within(const std::wstring& folded_top) const {
        for (const auto& id : expected_.key_order)
            if (is_within(id, folded_top)) return true;
        return false;
    }

    // Keys deleted and not written again must be absent; keys deleted and
    // written again are compared whole by the walk (only the outermost).
    void check_deletions() {
        std::vector<std::wstring> replaced;
        for (const auto& [root, path] : expected_.deleted)
            if (written_within(identity(root, path))) replaced.push_back(identity(root, path));
        for (const auto& [root, path] : expected_.deleted) {
            const std::wstring id = identity(root, path);
            const bool inside_other = std::any_of(replaced.begin(), replaced.end(), [&](const std::wstring& top) {
                return top != id && is_within(id, top);
            });
            if (inside_other) continue; // the walk of the outer key covers it
            if (written_within(id)) {
                walks_.emplace_back(root, path);
                // Every written key below, and every key between it and the
                // replaced key, may be met.
                for (const auto& key : expected_.key_order) {
                    if (!is_within(key, id)) continue;
                    for (std::size_t end = id.size(); end < key.size(); end = key.find(L'\\', end + 1))
                        allowed_.insert(key.substr(0, end));
                    allowed_.insert(key);
                }
                continue;
            }
            if (open(root, path, id)) {
                reg_.close_key();
                report(Kind::key_present, root, path);
            }
        }
    }

    void check_key(const ExpectedKey& key) {
        const std::wstring id = identity(key.root, key.path);
        for (const auto& gone : missing_)
            if (is_within(id, gone)) return; // named once, at the highest missing key
        if (!open(key.root, key.path, id)) {
            missing_.push_back(id);
            report(Kind::key_missing, key.root, key.path);
            return;
        }
        // A key the walk below visits is read whole now, while it is open:
        // its values in one pass, and its listing kept, so the walk need not
        // open it a second time. Any other key has only the values the script
        // writes read, one call each: reading it whole would cost a call for
        // its sizes and one for every value it holds.
        std::optional<std::vector<std::pair<std::wstring, RegistryValue>>> all;
        std::map<std::wstring, const RegistryValue*> by_name;
        const bool walked = allowed_.count(id) != 0;
        if (walked) {
            Listing listing;
            if (auto contents = reg_.contents()) {
                all = std::move(contents->values);
                listing.values.emplace();
                for (const auto& named : *all) listing.values->push_back(named.first);
                listing.subkeys = std::move(contents->subkeys);
                known_subkeys(id, *listing.subkeys);
            }
            listings_[id] = std::move(listing);
        }
        if (all)
            for (const auto& [value_name, value] : *all) by_name.emplace(to_lower(value_name), &value);
        const auto read = [&](const std::wstring& value_name) -> std::optional<RegistryValue> {
            if (!all) return reg_.read_value(value_name);
            const auto found = by_name.find(to_lower(value_name));
            if (found == by_name.end()) return std::nullopt;
            return *found->second;
        };
        for (const auto& name : key.order) {
            const auto& want = key.values.at(name);
            const auto got = read(want.name);
            if (want.deletion) {
                if (got) report(Kind::value_present, key.root, key.path, want.name);
            } else if (!got) {
                report(Kind::value_missing, key.root, key.path, want.name);
            } else if (got->type != want.type) {
                report(Kind::other_type, key.root, key.path, want.name);
            } else if (!same_value(want, *got)) {
                report(Kind::other_data, key.root, key.path, want.name);
            }
        }
        reg_.close_key();
    }

    // Everything at or below a replaced key that the script does not write.
    void walk(RootKey root, const std::wstring& path, const std::wstring& id) {
        Listing listing;
        if (auto cached = listings_.find(id); cached != listings_.end()) {
            listing = std::move(cached->second);
        } else {
            if (!open(root, path, id)) return; // a missing expected key is reported by check_key
            if (auto contents = reg_.contents()) {
                listing.values.emplace();
                for (const auto& named : contents->values) listing.values->push_back(named.first);
                listing.subkeys = std::move(contents->subkeys);
            }
            reg_.close_key();
        }
        const auto& values = listing.values;
        const auto& subkeys = listing.subkeys;
        const auto expected = expected_.keys.find(id);
        for (const auto& name : values.value_or(std::vector<std::wstring>{})) {
            const bool written = expected != expected_.keys.end() && expected->second.values.count(to_lower(name)) &&
                                 !expected->second.values.at(to_lower(name)).deletion;
            // A value the script deletes is reported by check_key already.
            const bool deleted = expected != expected_.keys.end() && expected->second.values.count(to_lower(name)) &&
                                 expected->second.values.at(to_lower(name)).deletion;
            if (!written && !deleted) report(Kind::extra_value, root, path, name);
        }
        for (const auto& name : subkeys.value_or(std::vector<std::wstring>{})) {
            const std::wstring child = path + L"\\" + name;
            const std::wstring child_id = id + L"\\" + to_lower(name);
            if (allowed_.count(child_id))
                walk(root, child, child_id);
            else
                report(Kind::extra_key, root, path, name);
        }
    }

    // The choice a person made in "Open with" overrides the registration of
    // the extension, whatever the script puts back under HKEY_CLASSES_ROOT.
    void check_user_choices() {
        for (const auto& id : expected_.key_order) {
            const auto& key = expected_.keys.at(id);
            if (key.root != RootKey::classes_root || !key.path.starts_with(L".") ||
                key.path.find(L'\\') != std::wstring::npos)
                continue;
            const std::wstring choice = kFileExts + key.path + L"\\UserChoice";
            const std::wstring choice_id = identity(RootKey::current_user, choice);
            if (expected_.keys.count(choice_id)) continue; // compared as written
            if (!open(RootKey::current_user, choice, choice_id)) continue;
            report(Kind::user_choice, RootKey::current_user, choice, reg_.read_string(L"ProgId"));
            reg_.close_key();
        }
    }

    struct Listing {
        std::optional<std::vector<std::wstring>> values, subkeys;
    };

    // Opens a key for reading unless what was already read shows it absent:
    // a key below one found missing, or a name its parent's listing lacks.
    // Each open costs a call into the system, and most of the keys a damaged
    // type lacks sit below another it lacks.
    bool open(RootKey root, const std::wstring& path, const std::wstring& id) {
        for (const auto& gone : absent_)
            if (is_within(id, gone)) return false;
        if (const auto slash = id.find_last_of(L'\\'); slash != std::wstring::npos) {
            const auto parent = listed_.find(id.substr(0, slash));
            if (parent != listed_.end() && !parent->second.count(id.substr(slash + 1))) {
                absent_.push_back(id);
                return false;
            }
        }
        reg_.set_root(root);
        if (reg_.open_key(path, false)) return true;
        if (reg_.last_status() == status::file_not_found) absent_.push_back(id);
        return false;
    }

    void known_subkeys(const std::wstring& id, const std::vector<std::wstring>& names) {
        auto& folded = listed_[id];
        for (const auto& name : names) folded.insert(to_lower(name));
    }

    Registry reg_;
    Expectation expected_;
    bool user_choice_;
    std::map<std::wstring, Listing> listings_; // folded keys listed by check_key for the walk
    std::vector<std::pair<RootKey, std::wstring>> walks_;
    std::set<std::wstring> allowed_; // folded keys a walk may meet
    std::vector<std::wstring> missing_;
    std::vector<std::wstring> absent_;                  // folded keys known not to exist
    std::map<std::wstring, std::set<std::wstring>> listed_; // folded key -> its folded subkey names
    std::vector<RegistryDifference> found_;
};

// "shell\<verb>\command" at the end of a key path: the verb, else nothing.
std::optional<std::wstring> command_verb(const std::wstring& path) {
    const auto parts = split(path, L'\\');
    if (parts.size() < 3 || to_lower(parts.back()) != L"command" || to_lower(parts[parts.size() - 3]) != L"shell")
        return std::nullopt;
    return parts[parts.size() - 2];
}

bool last_name_is(const std::wstring& path, std::wstring_view name) {
    const auto slash = path.find_last_of(L'\\');
    return to_lower(slash == std::wstring::npos ? path : path.substr(slash + 1)) == name;
}

std::wstring describe(const RegistryDifference& d, bool full) {
    const std::wstring key = full || d.root != RootKey::classes_root ? key_name(d.root, d.key) : d.key;
    const std::wstring value = d.name.empty() ? std::wstring(L"(Default)") : L"'" + d.name + L"'";
    const auto verb = command_verb(d.key);
    const bool default_value = d.name.empty();
    switch (d.kind) {
    case Kind::key_missing:
        if (verb && !full) return *verb + L" command missing";
        return L"key " + key + L" missing";
    case Kind::key_present:
        return L"key " + key + L" should not be there";
    case Kind::value_missing:
        if (verb && default_value && !full) return *verb + L" command missing";
        return L"value " + value + L" of " + key + L" missing";
    case Kind::value_present:
        return L"value " + value + L" of " + key + L" should not be there";
    case Kind::other_type:
        if (verb && default_value && !full) return *verb + L" command changed";
        return L"value " + value + L" of " + key + L" has another type";
    case Kind::other_data:
        if (!full && default_value && verb) return *verb + L" command changed";
        if (!full && default_value && last_name_is(d.key, L"defaulticon")) return L"icon changed";
        return L"value " + value + L" of " + key + L" changed";
    case Kind::extra_key:
        if (last_name_is(d.key, L"shell")) {
            const std::wstring line = L"extra command '" + d.name + L"'";
            return full ? line + L" in " + key : line;
        }
        return L"extra key " + key + L"\\" + d.name;
    case Kind::extra_value:
        return L"extra value " + value + L" in " + key;
    case Kind::user_choice: {
        const std::wstring line =
            d.name.empty() ? std::wstring(L"per-user choice of program set") : L"per-user choice of program: " + d.name;
        return full ? line + L" (" + key + L")" : line;
    }
    case Kind::unreadable_script:
        return L"the stored script cannot be read: " + d.name;
    }
    return {};
}

} // namespace

std::vector<RegistryDifference> compare_with_script(RegistryBackend& backend, const regscript::Script& script,
                                                    bool user_choice) {
    return Comparison(backend, script, user_choice).run();
}

std::wstring difference_summary(const RegistryDifference& difference) { return describe(difference, false); }

std::wstring difference_detail(const RegistryDifference& difference) { return describe(difference, true); }

std::wstring difference_list(const std::vector<RegistryDifference>& differences, std::size_t limit) {
    std::wstring text;
    for (std::size_t i = 0; i < differences.size() && i < limit; ++i) {
        if (!text.empty()) text += L"\n";
        text += difference_detail(differences[i]);
    }
    if (differences.size() > limit)
        text += L"\n... and " + std::to_wstring(differences.size() - limit) + L" more";
    return text;
}

} // namespace vx
