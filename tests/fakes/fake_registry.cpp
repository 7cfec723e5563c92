#include "tests/fakes/fake_registry.h"

#include "services/text.h"

namespace vx::test {

namespace {
constexpr long kBadPathname = 161;
constexpr long kKeyDeleted = 1018;
} // namespace

RegistryValue dword_value(std::uint32_t n) {
    return {ValueType::dword,
            {static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n >> 16),
             static_cast<std::uint8_t>(n >> 24)}};
}

RegistryValue string_value(const std::wstring& text, ValueType type) { return {type, registry_string_bytes(text)}; }

FakeRegistry::FakeRegistry() {
    for (RootKey root : {RootKey::classes_root, RootKey::current_user, RootKey::local_machine})
        roots_.emplace(root_name(root), Node{root_name(root), {}, {}});
}

std::optional<std::vector<std::wstring>> FakeRegistry::split_path(const std::wstring& path) {
    std::vector<std::wstring> parts;
    if (path.empty()) return parts;
    for (auto& part : split(path, L'\\')) {
        // The registry API refuses empty components, a leading backslash included.
        if (part.empty()) return std::nullopt;
        parts.push_back(part);
    }
    return parts;
}

std::wstring FakeRegistry::root_name(RootKey root) {
    switch (root) {
    case RootKey::classes_root:
        return L"HKEY_CLASSES_ROOT";
    case RootKey::current_user:
        return L"HKEY_CURRENT_USER";
    case RootKey::local_machine:
        return L"HKEY_LOCAL_MACHINE";
    }
    return L"?";
}

std::wstring FakeRegistry::describe(const Path& path) {
    std::wstring text;
    for (const auto& part : path) {
        if (!text.empty()) text += L'\\';
        text += part;
    }
    return text;
}

FakeRegistry::Path FakeRegistry::path_of(RootKey root, const std::wstring& path) const {
    Path result{root_name(root)};
    if (auto parts = split_path(path))
        for (auto& p : *parts) result.push_back(to_lower(p));
    return result;
}

FakeRegistry::Node* FakeRegistry::find(const Path& path) {
    auto root = roots_.find(path.front());
    if (root == roots_.end()) return nullptr;
    Node* node = &root->second;
    for (std::size_t i = 1; i < path.size(); ++i) {
        auto child = node->children.find(path[i]);
        if (child == node->children.end()) return nullptr;
        node = &child->second;
    }
    return node;
}

const FakeRegistry::Node* FakeRegistry::find(const Path& path) const {
    return const_cast<FakeRegistry*>(this)->find(path);
}

std::optional<FakeRegistry::Path> FakeRegistry::resolve(RegKey handle) const {
    for (RootKey root : {RootKey::classes_root, RootKey::current_user, RootKey::local_machine})
        if (handle == root_handle(root)) return Path{root_name(root)};
    auto it = handles_.find(handle);
    if (it == handles_.end()) return std::nullopt;
    return it->second;
}

bool FakeRegistry::denied(const std::set<std::wstring>& set, const Path& path) const {
    return set.count(describe(path)) != 0;
}

long FakeRegistry::open(RegKey parent, const std::wstring& path, std::uint32_t access, bool create, RegKey& key) {
    key = 0;
    auto base = resolve(parent);
    if (!base) return status::invalid_handle;
    open_calls_.push_back({describe(*base) + (path.empty() ? L"" : L"\\" + path), access, create});
    auto parts = split_path(path);
    if (!parts) return kBadPathname;
    if (!find(*base)) return kKeyDeleted;

    Path target = *base;
    Node* node = find(target);
    for (const auto& part : *parts) {
        target.push_back(to_lower(part));
        auto child = node->children.find(target.back());
        if (child == node->children.end()) {
            if (!create) return status::file_not_found;
            // Creating a key below a locked key is a change of that key.
            Path parent_path(target.begin(), target.end() - 1);
            if (denied(deny_open_, target) || denied(deny_changes_, parent_path)) return status::access_denied;
            child = node->children.emplace(target.back(), Node{part, {}, {}}).first;
        }
        node = &child->second;
    }
    if (denied(deny_open_, target)) return status::access_denied;
    // Any right beyond reading (the 32/64-bit view flags aside) is refused.
    if (denied(read_only_, target) && (access & ~(kKeyRead | 0x300u)) != 0) return status::access_denied;
    key = next_handle_++;
    handles_[key] = target;
    handle_access_[key] = access;
    return status::ok;
}

void FakeRegistry::close(RegKey key) {
    handles_.erase(key);
    handle_access_.erase(key);
}

void FakeRegistry::read_only(RootKey root, const std::wstring& path) {
    read_only_.insert(describe(path_of(root, path)));
}

bool FakeRegistry::may_set(RegKey key) const {
    // A key opened without the right to set values cannot change them, as in
    // the registry; the roots are always open with full access.
    auto it = handle_access_.find(key);
    return it == handle_access_.end() || (it->second & kKeySetValue) != 0;
}

long FakeRegistry::query(RegKey key, const std::wstring& name, RegistryValue& value) {
    auto path = resolve(key);
    if (!path) return status::invalid_handle;
    const Node* node = find(*path);
    if (!node) return kKeyDeleted;
    auto it = node->values.find(to_lower(name));
    if (it == node->values.end()) return status::file_not_found;
    value = it->second.second;
    return status::ok;
}

long FakeRegistry::set(RegKey key, const std::wstring& name, const RegistryValue& value) {
    auto path = resolve(key);
    if (!path) return status::invalid_handle;
    Node* node = find(*path);
    if (!node) return kKeyDeleted;
    if (denied(deny_changes_, *path) || !may_set(key)) return status::access_denied;
    auto& slot = node->values[to_lower(name)];
    // A value keeps the spelling of its first creation, as in the registry.
    if (slot.first.empty()) slot.first = name;
    slot.second = value;
    return status::ok;
}

long FakeRegistry::delete_value(RegKey key, const std::wstring& name) {
    auto path = resolve(key);
    if (!path) return status::invalid_handle;
    Node* node = find(*path);
    if (!node) return kKeyDeleted;
    if (denied(deny_changes_, *path) || !may_set(key)) return status::access_denied;
    return node->values.erase(to_lower(name)) ? status::ok : status::file_not_found;
}

long FakeRegistry::delete_tree(RegKey parent, const std::wstring& subkey) {
    auto base = resolve(parent);
    if (!base) return status::invalid_handle;
    auto parts = split_path(subkey);
    if (!parts || parts->empty()) return kBadPathname;
    Path target = *base;
    for (auto& p : *parts) target.push_back(to_lower(p));
    Node* node = find(target);
    if (!node) return status::file_not_found;
    Path parent_path(target.begin(), target.end() - 1);
    if (denied(deny_changes_, parent_path) || denied(deny_changes_, target)) return status::access_denied;
    // As RegDeleteTree: everything that may go goes; a locked key below stays
    // with the keys above it (emptied of their values), and the call fails.
    if (prune(target, *node)) return status::access_denied;
    find(parent_path)->children.erase(target.back());
    return status::ok;
}

bool FakeRegistry::prune(const Path& path, Node& node) {
    if (denied(deny_changes_, path) || denied(deny_open_, path)) return true;
    bool kept = false;
    for (auto it = node.children.begin(); it != node.children.end();) {
        Path child = path;
        child.push_back(it->first);
        if (prune(child, it->second)) {
            kept = true;
            ++it;
        } else {
            it = node.children.erase(it);
        }
    }
    if (kept) node.values.clear();
    return kept;
}

long FakeRegistry::subkey_names(RegKey key, std::vector<std::wstring>& names) {
    names.clear();
    auto path = resolve(key);
    if (!path) return status::invalid_handle;
    const Node* node = find(*path);
    if (!node) return kKeyDeleted;
    for (const auto& [folded, child] : node->children) names.push_back(child.name);
    return status::ok;
}

long FakeRegistry::value_names(RegKey key, std::vector<std::wstring>& names) {
    names.clear();
    auto path = resolve(key);
    if (!path) return status::invalid_handle;
    const Node* node = find(*path);
    if (!node) return kKeyDeleted;
    for (const auto& [folded, value] : node->values) names.push_back(value.first);
    return status::ok;
}

void FakeRegistry::create_key(RootKey root, const std::wstring& path) {
    RegKey key = 0;
    auto saved_open = deny_open_;
    auto saved_changes = deny_changes_;
    deny_open_.clear();
    deny_changes_.clear();
    open(root_handle(root), path, kKeyAllAccess, true, key);
    open_calls_.pop_back();
    close(key);
    deny_open_ = saved_open;
    deny_changes_ = saved_changes;
}

void FakeRegistry::put(RootKey root, const std::wstring& path, const std::wstring& name, const RegistryValue& value) {
    create_key(root, path);
    auto& slot = find(path_of(root, path))->values[to_lower(name)];
    slot.first = name;
    slot.second = value;
}

void FakeRegistry::put_dword(RootKey root, const std::wstring& path, const std::wstring& name, std::uint32_t n) {
    put(root, path, name, dword_value(n));
}

void FakeRegistry::put_string(RootKey root, const std::wstring& path, const std::wstring& name,
                              const std::wstring& text) {
    put(root, path, name, string_value(text));
}

void FakeRegistry::remove_key(RootKey root, const std::wstring& path) {
    auto target = path_of(root, path);
    if (target.size() < 2 || !find(target)) return;
    Path parent(target.begin(), target.end() - 1);
    find(parent)->children.erase(target.back());
}

bool FakeRegistry::has_key(RootKey root, const std::wstring& path) const {
    return find(path_of(root, path)) != nullptr;
}

std::optional<RegistryValue> FakeRegistry::get(RootKey root, const std::wstring& path, const std::wstring& name) const {
    const Node* node = find(path_of(root, path));
    if (!node) return std::nullopt;
    auto it = node->values.find(to_lower(name));
    if (it == node->values.end()) return std::nullopt;
    return it->second.second;
}

std::optional<std::uint32_t> FakeRegistry::get_dword(RootKey root, const std::wstring& path,
                                                     const std::wstring& name) const {
    auto v = get(root, path, name);
    if (!v || v->type != ValueType::dword || v->data.size() != 4) return std::nullopt;
    const auto& d = v->data;
    return std::uint32_t{d[0]} | std::uint32_t{d[1]} << 8 | std::uint32_t{d[2]} << 16 | std::uint32_t{d[3]} << 24;
}

std::optional<std::wstring> FakeRegistry::get_string(RootKey root, const std::wstring& path,
                                                     const std::wstring& name) const {
    auto v = get(root, path, name);
    if (!v || (v->type != ValueType::sz && v->type != ValueType::expand_sz)) return std::nullopt;
    return registry_string_text(v->data);
}

std::vector<std::wstring> FakeRegistry::subkeys(RootKey root, const std::wstring& path) const {
    std::vector<std::wstring> names;
    if (const Node* node = find(path_of(root, path)))
        for (const auto& [folded, child] : node->children) names.push_back(child.name);
    return names;
}

std::vector<std::wstring> FakeRegistry::value_names(RootKey root, const std::wstring& path) const {
    std::vector<std::wstring> names;
    if (const Node* node = find(path_of(root, path)))
        for (const auto& [folded, value] : node->values) names.push_back(value.first);
    return names;
}

std::size_t FakeRegistry::key_count(RootKey root) const {
    const Node* node = find(Path{root_name(root)});
    if (!node) return 0;
    std::size_t count = 0;
    std::vector<const Node*> stack{node};
    while (!stack.empty()) {
        const Node* n = stack.back();
        stack.pop_back();
        for (const auto& [k, child] : n->children) {
            ++count;
            stack.push_back(&child);
        }
    }
    return count;
}

void FakeRegistry::deny_open(RootKey root, const std::wstring& path) { deny_open_.insert(describe(path_of(root, path))); }

void FakeRegistry::deny_changes(RootKey root, const std::wstring& path) {
    deny_changes_.insert(describe(path_of(root, path)));
}

} // namespace vx::test
