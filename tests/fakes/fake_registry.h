#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "services/registry.h"

namespace vx::test {

// An in-memory registry that behaves like the real one where the repairs can
// tell: key and value names compare without regard to case but keep their
// spelling, values keep their types, deleting a key takes its subtree, and
// chosen keys can refuse access. The three roots are separate trees.
class FakeRegistry : public RegistryBackend {
public:
    FakeRegistry();

    // RegistryBackend
    long open(RegKey parent, const std::wstring& path, std::uint32_t access, bool create, RegKey& key) override;
    void close(RegKey key) override;
    long query(RegKey key, const std::wstring& name, RegistryValue& value) override;
    long set(RegKey key, const std::wstring& name, const RegistryValue& value) override;
    long delete_value(RegKey key, const std::wstring& name) override;
    long delete_tree(RegKey parent, const std::wstring& subkey) override;
    long subkey_names(RegKey key, std::vector<std::wstring>& names) override;
    long value_names(RegKey key, std::vector<std::wstring>& names) override;

    // Arranging and inspecting, by root and path ("A\B\C").
    void create_key(RootKey root, const std::wstring& path);
    void put(RootKey root, const std::wstring& path, const std::wstring& name, const RegistryValue& value);
    void put_dword(RootKey root, const std::wstring& path, const std::wstring& name, std::uint32_t number);
    void put_string(RootKey root, const std::wstring& path, const std::wstring& name, const std::wstring& text);
    void remove_key(RootKey root, const std::wstring& path);
    bool has_key(RootKey root, const std::wstring& path) const;
    std::optional<RegistryValue> get(RootKey root, const std::wstring& path, const std::wstring& name) const;
    std::optional<std::uint32_t> get_dword(RootKey root, const std::wstring& path, const std::wstring& name) const;
    std::optional<std::wstring> get_string(RootKey root, const std::wstring& path, const std::wstring& name) const;
    // Names as spelled when created, in case-insensitive order.
    std::vector<std::wstring> subkeys(RootKey root, const std::wstring& path) const;
    std::vector<std::wstring> value_names(RootKey root, const std::wstring& path) const;
    // Total number of keys under a root, the root itself not counted.
    std::size_t key_count(RootKey root) const;

    // Access control: opening (or creating) the key, or changing its values
    // and subkeys, answers "access denied". Deleting a tree that holds such a
    // key deletes the rest and answers "access denied".
    void deny_open(RootKey root, const std::wstring& path);
    void deny_changes(RootKey root, const std::wstring& path);
    // As a key that administrators may only read: opening it for anything
    // more than reading answers "access denied".
    void read_only(RootKey root, const std::wstring& path);

    // Keys handed out and not yet closed: 0 after every well-behaved operation.
    std::size_t open_handles() const { return handles_.size(); }
    // Every open() call, as "ROOT\path" with the access mask and create flag.
    struct OpenCall {
        std::wstring path;
        std::uint32_t access;
        bool create;
    };
    const std::vector<OpenCall>& open_calls() const { return open_calls_; }

    bool operator==(const FakeRegistry& other) const { return roots_ == other.roots_; }

private:
    struct Node {
        std::wstring name;
        std::map<std::wstring, std::pair<std::wstring, RegistryValue>> values; // folded name -> (name, value)
        std::map<std::wstring, Node> children;                                  // folded name -> node
        bool operator==(const Node&) const = default;
    };
    using Path = std::vector<std::wstring>; // root name first, then folded names

    static std::optional<std::vector<std::wstring>> split_path(const std::wstring& path);
    static std::wstring root_name(RootKey root);
    Node* find(const Path& path);
    const Node* find(const Path& path) const;
    std::optional<Path> resolve(RegKey handle) const;
    static std::wstring describe(const Path& path);
    bool denied(const std::set<std::wstring>& set, const Path& path) const;
    bool may_set(RegKey key) const;
    // Deletes what may go below `node`; answers whether a locked key kept it.
    bool prune(const Path& path, Node& node);
    Path path_of(RootKey root, const std::wstring& path) const;

    std::map<std::wstring, Node> roots_;
    std::map<RegKey, Path> handles_;
    std::map<RegKey, std::uint32_t> handle_access_;
    RegKey next_handle_ = 0x1000;
    std::set<std::wstring> deny_open_;
    std::set<std::wstring> deny_changes_;
    std::set<std::wstring> read_only_;
    std::vector<OpenCall> open_calls_;
};

RegistryValue dword_value(std::uint32_t number);
RegistryValue string_value(const std::wstring& text, ValueType type = ValueType::sz);

} // namespace vx::test
