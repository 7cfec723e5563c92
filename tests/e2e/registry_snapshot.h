#pragma once

// Registry snapshots for the end-to-end tests: a key's whole subtree read
// into memory and compared, written back or deleted, and keys saved before a
// test and put back after it.

#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "tests/e2e/driver.h"

namespace vx::e2e {

struct Value {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    bool operator==(const Value&) const = default;
};

// Failure messages show the type and the data as UTF-16 text, zeros as "\0".
inline void PrintTo(const Value& value, std::ostream* out) {
    *out << "type " << value.type << " \"";
    for (std::size_t i = 0; i + 1 < value.data.size(); i += 2) {
        const wchar_t c = static_cast<wchar_t>(value.data[i] | (value.data[i + 1] << 8));
        if (c == 0)
            *out << "\\0";
        else
            *out << to_narrow(std::wstring(1, c));
    }
    *out << "\" (" << value.data.size() << " bytes)";
}

struct Tree {
    std::vector<std::pair<std::wstring, Value>> values;
    std::vector<std::pair<std::wstring, Tree>> subkeys;
    bool operator==(const Tree&) const = default;
};

class Key {
public:
    Key(HKEY root, const std::wstring& path, REGSAM access = KEY_READ) {
        if (RegOpenKeyExW(root, path.c_str(), 0, access, &key_) != ERROR_SUCCESS) key_ = nullptr;
    }
    ~Key() {
        if (key_) RegCloseKey(key_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    explicit operator bool() const { return key_ != nullptr; }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

inline bool key_exists(HKEY root, const std::wstring& path) {
    return static_cast<bool>(Key(root, path));
}

inline std::optional<Value> read_value(HKEY root, const std::wstring& path, const std::wstring& name) {
    Key key(root, path);
    if (!key) return std::nullopt;
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    Value value{type, std::vector<BYTE>(size)};
    RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, value.data.data(), &size);
    value.data.resize(size);
    return value;
}

inline void write_value(HKEY root, const std::wstring& path, const std::wstring& name, const Value& value) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS)
        << to_narrow(path);
    RegSetValueExW(key, name.c_str(), 0, value.type, value.data.data(), static_cast<DWORD>(value.data.size()));
    RegCloseKey(key);
}

inline Tree read_tree(HKEY root, const std::wstring& path) {
    Tree tree;
    Key key(root, path);
    if (!key) return tree;
    for (DWORD i = 0;; ++i) {
        wchar_t name[16384];
        DWORD name_size = 16384, type = 0, size = 0;
        if (RegEnumValueW(key.get(), i, name, &name_size, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
        Value value{type, std::vector<BYTE>(size)};
        name_size = 16384;
        RegEnumValueW(key.get(), i, name, &name_size, nullptr, &type, value.data.data(), &size);
        value.data.resize(size);
        tree.values.emplace_back(std::wstring(name, name_size), std::move(value));
    }
    std::vector<std::wstring> names;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD size = 256;
        if (RegEnumKeyExW(key.get(), i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, size);
    }
    for (const auto& name : names)
        tree.subkeys.emplace_back(name, read_tree(root, path + L"\\" + name));
    return tree;
}

inline void write_tree(HKEY root, const std::wstring& path, const Tree& tree) {
    for (const auto& [name, value] : tree.values)
        write_value(root, path, name, value);
    if (tree.values.empty()) {
        HKEY key = nullptr;
        if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS)
            RegCloseKey(key);
    }
    for (const auto& [name, subtree] : tree.subkeys)
        write_tree(root, path + L"\\" + name, subtree);
}

inline void delete_tree(HKEY root, const std::wstring& path) {
    RegDeleteTreeW(root, path.c_str());
    RegDeleteKeyW(root, path.c_str());
}

inline std::wstring parent_of(const std::wstring& path) {
    const auto slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

// Saves keys with their subtrees and puts them back when it goes: a key that
// was there is rewritten exactly, and for a key that was missing its highest
// missing parent is deleted, so whatever was made there goes again. Keys are
// restored in reverse order, so a key listed before one inside it wins.
class SavedKeys {
public:
    void save(HKEY root, const std::wstring& path) {
        Saved saved{root, path, key_exists(root, path), {}};
        if (saved.existed) {
            saved.tree = read_tree(root, path);
        } else {
            for (auto up = parent_of(path); !up.empty() && !key_exists(root, up); up = parent_of(up))
                saved.path = up;
        }
        saved_.push_back(std::move(saved));
    }
    void restore() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            delete_tree(it->root, it->path);
            if (it->existed) write_tree(it->root, it->path, it->tree);
        }
        saved_.clear();
    }
    ~SavedKeys() { restore(); }

private:
    struct Saved {
        HKEY root;
        std::wstring path;
        bool existed;
        Tree tree;
    };
    std::vector<Saved> saved_;
};

} // namespace vx::e2e
