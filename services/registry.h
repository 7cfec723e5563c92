#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vx {

// Registry handles as the Windows API numbers them; the predefined roots keep
// their API values, other keys are opaque numbers handed out by a backend.
using RegKey = std::uintptr_t;

enum class RootKey : std::uint32_t {
    classes_root = 0x80000000u,
    current_user = 0x80000001u,
    local_machine = 0x80000002u,
};

inline constexpr RegKey root_handle(RootKey root) { return static_cast<RegKey>(root); }

enum class ValueType : std::uint32_t {
    none = 0,
    sz = 1,
    expand_sz = 2,
    binary = 3,
    dword = 4,
    multi_sz = 7,
    qword = 11,
};

inline constexpr std::uint32_t kKeyAllAccess = 0xF003F;
inline constexpr std::uint32_t kKeyWrite = 0x20006;
inline constexpr std::uint32_t kKeyRead = 0x20019;
inline constexpr std::uint32_t kKeySetValue = 0x0002;

// Status codes with the values of the Windows API.
namespace status {
inline constexpr long ok = 0;
inline constexpr long file_not_found = 2;
inline constexpr long access_denied = 5;
inline constexpr long invalid_handle = 6;
inline constexpr long more_data = 234;
} // namespace status

struct RegistryValue {
    ValueType type = ValueType::none;
    std::vector<std::uint8_t> data;
    bool operator==(const RegistryValue&) const = default;
};

// The raw registry: the Win32 API in the product, an in-memory model in the
// native tests. Every call answers a Windows status code.
class RegistryBackend {
public:
    virtual ~RegistryBackend() = default;

    // Opens `path` below `parent` (a root or an open key). With `create`, a
    // missing key is made together with its missing parents.
    virtual long open(RegKey parent, const std::wstring& path, std::uint32_t access, bool create, RegKey& key) = 0;
    virtual void close(RegKey key) = 0;
    virtual long query(RegKey key, const std::wstring& name, RegistryValue& value) = 0;
    virtual long set(RegKey key, const std::wstring& name, const RegistryValue& value) = 0;
    virtual long delete_value(RegKey key, const std::wstring& name) = 0;
    // Deletes `subkey` of `parent` with everything below it.
    virtual long delete_tree(RegKey parent, const std::wstring& subkey) = 0;
    // The names of the key's subkeys / values, as spelled in the registry.
    virtual long subkey_names(RegKey key, std::vector<std::wstring>& names) = 0;
    virtual long value_names(RegKey key, std::vector<std::wstring>& names) = 0;
    // Every value of the key with its name, type and data, and every subkey
    // name. By default the names are listed and each value read; a backend
    // may read names and data in one pass and take the sizes once for both.
    virtual long contents(RegKey key, std::vector<std::pair<std::wstring, RegistryValue>>& values,
                          std::vector<std::wstring>& subkeys);
    // The system's text for a status code, to stand inside a sentence.
    virtual std::wstring status_text(long status);
};

// "HKEY_CURRENT_USER\<path>": how a key is named in an error.
std::wstring key_name(RootKey root, std::wstring_view path);

// Encodes text as the registry stores it: UTF-16LE with its terminating zero.
std::vector<std::uint8_t> registry_string_bytes(std::wstring_view text);
// Decodes REG_SZ / REG_EXPAND_SZ data, stopping at the first zero character.
std::wstring registry_string_text(const std::vector<std::uint8_t>& data);

// The registry object every registry access of the program goes through. It is
// made with an access mask and a root, holds at most one open key and closes
// it before the next open and when it is destroyed.
class Registry {
public:
    explicit Registry(RegistryBackend& backend, std::uint32_t access = kKeyAllAccess,
                      RootKey root = RootKey::current_user);
    ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    // Switching the root closes the current key.
    void set_root(RootKey root);
    RootKey root() const { return root_; }

    // Opens `path` relative to the root (a leading backslash is allowed and
    // means the same). A failed open raises nothing and leaves no key current.
    bool open_key(std::wstring_view path, bool can_create);
    void close_key();
    bool has_current_key() const { return current_ != 0; }

    // Reads succeed only for a value of the right type.
    std::optional<std::uint32_t> read_dword(const std::wstring& name);
    // The text of a REG_SZ or REG_EXPAND_SZ value; empty when it is missing.
    std::wstring read_string(const std::wstring& name);
    bool value_exists(const std::wstring& name);
    // The raw value, for callers that must put a value back as it was.
    std::optional<RegistryValue> read_value(const std::wstring& name);

    // Writes raise "Failed to set data for '<name>'" when they fail, also
    // when no key is current.
    void write_string(const std::wstring& name, std::wstring_view text);
    void write_expand_string(const std::wstring& name, std::wstring_view text);
    void write_dword(const std::wstring& name, std::uint32_t number);
    void write_binary(const std::wstring& name, const std::vector<std::uint8_t>& bytes);
    void write_value(const std::wstring& name, const RegistryValue& value);

    // Deleting a missing value is no error; answers whether a value went.
    bool delete_value(const std::wstring& name);
    // Deletes the value; raises an error naming the key and the value unless
    // it went or was not there.
    void remove_value(const std::wstring& name);

    // The names of the current key's subkeys / values; nullopt when no key
    // is current or the key cannot be listed.
    std::optional<std::vector<std::wstring>> subkey_names();
    std::optional<std::vector<std::wstring>> value_names();
    struct Contents {
        std::vector<std::pair<std::wstring, RegistryValue>> values;
        std::vector<std::wstring> subkeys;
    };
    // Every value and every subkey name of the current key, names as
    // spelled in the registry.
    std::optional<Contents> contents();

    // Relative to the current key, or to the root when no key is current.
    bool key_exists(std::wstring_view path);
    // Deletes the key with its whole subtree; answers whether it succeeded.
    bool delete_key(std::wstring_view path);

    // The status of the last open, delete or write.
    long last_status() const { return last_status_; }
    // The key last opened, named as in an error; the root alone when none was.
    const std::wstring& current_name() const { return current_name_; }

private:
    RegKey base() const;

    RegistryBackend& backend_;
    std::uint32_t access_;
    RootKey root_;
    RegKey current_ = 0;
    long last_status_ = 0;
    std::wstring current_name_;
};

} // namespace vx
