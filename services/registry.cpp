#include "services/registry.h"

#include "services/error.h"

namespace vx {

namespace {

std::wstring strip_leading_backslash(std::wstring_view path) {
    while (!path.empty() && path.front() == L'\\') path.remove_prefix(1);
    return std::wstring(path);
}

[[noreturn]] void fail_write(const std::wstring& name) {
    throw Error(L"Failed to set data for '" + name + L"'");
}

} // namespace

long RegistryBackend::contents(RegKey key, std::vector<std::pair<std::wstring, RegistryValue>>& values,
                               std::vector<std::wstring>& subkeys) {
    values.clear();
    std::vector<std::wstring> names;
    if (const long listed = value_names(key, names); listed != status::ok) return listed;
    for (auto& name : names) {
        RegistryValue value;
        // A value deleted since it was listed is left out.
        if (query(key, name, value) == status::ok) values.emplace_back(std::move(name), std::move(value));
    }
    return subkey_names(key, subkeys);
}

std::wstring RegistryBackend::status_text(long status) {
    switch (status) {
    case status::file_not_found:
        return L"The system cannot find the file specified";
    case status::access_denied:
        return L"Access is denied";
    default:
        return L"System error code " + std::to_wstring(status);
    }
}

std::wstring key_name(RootKey root, std::wstring_view path) {
    std::wstring name;
    switch (root) {
    case RootKey::classes_root:
        name = L"HKEY_CLASSES_ROOT";
        break;
    case RootKey::current_user:
        name = L"HKEY_CURRENT_USER";
        break;
    case RootKey::local_machine:
        name = L"HKEY_LOCAL_MACHINE";
        break;
    }
    const auto rest = strip_leading_backslash(path);
    if (!rest.empty()) name += L"\\" + rest;
    return name;
}

std::vector<std::uint8_t> registry_string_bytes(std::wstring_view text) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve((text.size() + 1) * 2);
    for (wchar_t c : text) {
        const auto unit = static_cast<std::uint16_t>(c);
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

std::wstring registry_string_text(const std::vector<std::uint8_t>& data) {
    std::wstring text;
    for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
        const auto unit = static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
        if (unit == 0) break;
        text += unit;
    }
    return text;
}

Registry::Registry(RegistryBackend& backend, std::uint32_t access, RootKey root)
    : backend_(backend), access_(access), root_(root), current_name_(key_name(root, L"")) {}

Registry::~Registry() { close_key(); }

void Registry::set_root(RootKey root) {
    close_key();
    root_ = root;
    current_name_ = key_name(root, L"");
}

bool Registry::open_key(std::wstring_view path, bool can_create) {
    close_key();
    RegKey key = 0;
    current_name_ = key_name(root_, path);
    last_status_ = backend_.open(root_handle(root_), strip_leading_backslash(path), access_, can_create, key);
    if (last_status_ != status::ok) return false;
    current_ = key;
    return true;
}

void Registry::close_key() {
    if (current_ != 0) backend_.close(current_);
    current_ = 0;
}

RegKey Registry::base() const { return current_ != 0 ? current_ : root_handle(root_); }

std::optional<RegistryValue> Registry::read_value(const std::wstring& name) {
    if (current_ == 0) return std::nullopt;
    RegistryValue value;
    if (backend_.query(current_, name, value) != status::ok) return std::nullopt;
    return value;
}

std::optional<std::uint32_t> Registry::read_dword(const std::wstring& name) {
    const auto value = read_value(name);
    if (!value || value->type != ValueType::dword || value->data.size() != 4) return std::nullopt;
    const auto& d = value->data;
    return std::uint32_t{d[0]} | std::uint32_t{d[1]} << 8 | std::uint32_t{d[2]} << 16 | std::uint32_t{d[3]} << 24;
}

std::wstring Registry::read_string(const std::wstring& name) {
    const auto value = read_value(name);
    if (!value || (value->type != ValueType::sz && value->type != ValueType::expand_sz)) return {};
    return registry_string_text(value->data);
}

bool Registry::value_exists(const std::wstring& name) { return read_value(name).has_value(); }

void Registry::write_value(const std::wstring& name, const RegistryValue& value) {
    if (current_ == 0) fail_write(name);
    last_status_ = backend_.set(current_, name, value);
    if (last_status_ != status::ok) fail_write(name);
}

void Registry::write_string(const std::wstring& name, std::wstring_view text) {
    write_value(name, {ValueType::sz, registry_string_bytes(text)});
}

void Registry::write_expand_string(const std::wstring& name, std::wstring_view text) {
    write_value(name, {ValueType::expand_sz, registry_string_bytes(text)});
}

void Registry::write_dword(const std::wstring& name, std::uint32_t number) {
    write_value(name, {ValueType::dword,
                       {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
                        static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)}});
}

void Registry::write_binary(const std::wstring& name, const std::vector<std::uint8_t>& bytes) {
    write_value(name, {ValueType::binary, bytes});
}

bool Registry::delete_value(const std::wstring& name) {
    if (current_ == 0) return false;
    last_status_ = backend_.delete_value(current_, name);
    return last_status_ == status::ok;
}

void Registry::remove_value(const std::wstring& name) {
    if (current_ == 0 || delete_value(name) || last_status_ == status::file_not_found) return;
    throw Error(L"Cannot delete the value \"" + name + L"\" of the key \"" + current_name_ + L"\": " +
                backend_.status_text(last_status_));
}

std::optional<std::vector<std::wstring>> Registry::subkey_names() {
    std::vector<std::wstring> names;
    if (current_ == 0 || backend_.subkey_names(current_, names) != status::ok) return std::nullopt;
    return names;
}

std::optional<std::vector<std::wstring>> Registry::value_names() {
    std::vector<std::wstring> names;
    if (current_ == 0 || backend_.value_names(current_, names) != status::ok) return std::nullopt;
    return names;
}

std::optional<Registry::Contents> Registry::contents() {
    Contents all;
    if (current_ == 0 || backend_.contents(current_, all.values, all.subkeys) != status::ok) return std::nullopt;
    return all;
}

bool Registry::key_exists(std::wstring_view path) {
    RegKey key = 0;
    // Existence needs no rights on the key itself beyond opening it for reading.
    if (backend_.open(base(), strip_leading_backslash(path), kKeyRead, false, key) != status::ok) return false;
    backend_.close(key);
    return true;
}

bool Registry::delete_key(std::wstring_view path) {
    const auto subkey = strip_leading_backslash(path);
    if (subkey.empty()) return false;
    last_status_ = backend_.delete_tree(base(), subkey);
    return last_status_ == status::ok;
}

} // namespace vx
