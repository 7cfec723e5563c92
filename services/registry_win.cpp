#include "services/registry_win.h"

#include <windows.h>

#include <algorithm>

#include "services/system_error_win.h"

namespace vx {

namespace {
HKEY to_hkey(RegKey key) { return reinterpret_cast<HKEY>(key); }
} // namespace

long Win32Registry::open(RegKey parent, const std::wstring& path, std::uint32_t access, bool create, RegKey& key) {
    HKEY result = nullptr;
    LSTATUS status;
    if (create) {
        status = RegCreateKeyExW(to_hkey(parent), path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                                 &result, nullptr);
    } else {
        status = RegOpenKeyExW(to_hkey(parent), path.c_str(), 0, access, &result);
    }
    key = status == ERROR_SUCCESS ? reinterpret_cast<RegKey>(result) : 0;
    return status;
}

void Win32Registry::close(RegKey key) { RegCloseKey(to_hkey(key)); }

long Win32Registry::query(RegKey key, const std::wstring& name, RegistryValue& value) {
    DWORD type = 0;
    // Most values fit a small buffer and are read in one call; a larger one
    // answers its size and is read again.
    value.data.resize(512);
    DWORD size = static_cast<DWORD>(value.data.size());
    LSTATUS status = RegQueryValueExW(to_hkey(key), name.c_str(), nullptr, &type, value.data.data(), &size);
    if (status == ERROR_SUCCESS) {
        value.data.resize(size);
        value.type = static_cast<ValueType>(type);
        return status;
    }
    // The value may grow between the two calls; ask again until it fits.
    for (int attempt = 0; status == ERROR_SUCCESS || status == ERROR_MORE_DATA; ++attempt) {
        value.data.resize(size);
        status = RegQueryValueExW(to_hkey(key), name.c_str(), nullptr, &type, value.data.empty() ? nullptr : value.data.data(),
                                  &size);
        if (status == ERROR_SUCCESS) {
            value.data.resize(size);
            value.type = static_cast<ValueType>(type);
            return status;
        }
        if (status != ERROR_MORE_DATA || attempt > 8) break;
    }
    return status;
}

long Win32Registry::set(RegKey key, const std::wstring& name, const RegistryValue& value) {
    return RegSetValueExW(to_hkey(key), name.c_str(), 0, static_cast<DWORD>(value.type),
                          value.data.empty() ? nullptr : value.data.data(), static_cast<DWORD>(value.data.size()));
}

long Win32Registry::delete_value(RegKey key, const std::wstring& name) {
    return RegDeleteValueW(to_hkey(key), name.c_str());
}

long Win32Registry::delete_tree(RegKey parent, const std::wstring& subkey) {
    // RegDeleteTreeW empties the key; the key itself then goes with RegDeleteKeyW.
    HKEY key = nullptr;
    LSTATUS status = RegOpenKeyExW(to_hkey(parent), subkey.c_str(), 0, KEY_ALL_ACCESS, &key);
    if (status != ERROR_SUCCESS) return status;
    status = RegDeleteTreeW(key, nullptr);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return status;
    return RegDeleteKeyW(to_hkey(parent), subkey.c_str());
}

namespace {

// Lists a key's subkey or value names: `count` and `longest` are the number
// of names and the longest name the key reports, `next` asks for the name at
// an index the way RegEnumKeyExW and RegEnumValueW do. Stopping at the count
// saves the call that would only answer "no more items"; a name removed
// since ends the list early.
template <typename Next> long list_names(DWORD count, DWORD longest, std::vector<std::wstring>& names, Next&& next) {
    std::wstring name(longest + 1, L'\0');
    for (DWORD i = 0; i < count; ++i) {
        DWORD size = static_cast<DWORD>(name.size());
        const LSTATUS status = next(i, name.data(), &size);
        if (status == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
        if (status == ERROR_MORE_DATA && name.size() < 32768) {
            // A longer name appeared since the length was taken; make room and ask again.
            name.resize(name.size() * 2);
            --i;
            continue;
        }
        if (status != ERROR_SUCCESS) return status;
        names.emplace_back(name.data(), size);
    }
    return ERROR_SUCCESS;
}

// Reads `count` values of the key, name and data together in one call each;
// `longest_name` and `longest_data` are the sizes the key reported.
long read_values(HKEY key, DWORD count, DWORD longest_name, DWORD longest_data,
                 std::vector<std::pair<std::wstring, RegistryValue>>& out) {
    out.clear();
    std::wstring name(longest_name + 1, L'\0');
    std::vector<std::uint8_t> data(std::max<DWORD>(longest_data, 1));
    for (DWORD i = 0; i < count; ++i) {
        DWORD name_size = static_cast<DWORD>(name.size()), data_size = static_cast<DWORD>(data.size()), type = 0;
        const LSTATUS status = RegEnumValueW(key, i, name.data(), &name_size, nullptr, &type, data.data(), &data_size);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status == ERROR_MORE_DATA && name.size() < 32768 && data.size() < (1u << 26)) {
            // A value grew since the sizes were taken; make room and ask again.
            name.resize(name.size() * 2);
            data.resize(data.size() * 2);
            --i;
            continue;
        }
        if (status != ERROR_SUCCESS) return status;
        out.emplace_back(std::wstring(name.data(), name_size),
                         RegistryValue{static_cast<ValueType>(type),
                                       std::vector<std::uint8_t>(data.data(), data.data() + data_size)});
    }
    return ERROR_SUCCESS;
}

long read_subkey_names(HKEY key, DWORD count, DWORD longest, std::vector<std::wstring>& names) {
    names.clear();
    return list_names(count, longest, names, [&](DWORD i, wchar_t* name, DWORD* size) {
        return RegEnumKeyExW(key, i, name, size, nullptr, nullptr, nullptr, nullptr);
    });
}

} // namespace

long Win32Registry::subkey_names(RegKey key, std::vector<std::wstring>& names) {
    names.clear();
    DWORD count = 0, longest = 0;
    const LSTATUS status = RegQueryInfoKeyW(to_hkey(key), nullptr, nullptr, nullptr, &count, &longest, nullptr,
                                            nullptr, nullptr, nullptr, nullptr, nullptr);
    if (status != ERROR_SUCCESS) return status;
    return read_subkey_names(to_hkey(key), count, longest, names);
}

long Win32Registry::value_names(RegKey key, std::vector<std::wstring>& names) {
    names.clear();
    DWORD count = 0, longest = 0;
    const LSTATUS status = RegQueryInfoKeyW(to_hkey(key), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                            &count, &longest, nullptr, nullptr, nullptr);
    if (status != ERROR_SUCCESS) return status;
    return list_names(count, longest, names, [&](DWORD i, wchar_t* name, DWORD* size) {
        return RegEnumValueW(to_hkey(key), i, name, size, nullptr, nullptr, nullptr, nullptr);
    });
}

long Win32Registry::contents(RegKey key, std::vector<std::pair<std::wstring, RegistryValue>>& values,
                             std::vector<std::wstring>& subkeys) {
    // One question for the sizes of both listings.
    values.clear();
    subkeys.clear();
    DWORD subkey_count = 0, longest_subkey = 0, value_count = 0, longest_name = 0, longest_data = 0;
    const LSTATUS status = RegQueryInfoKeyW(to_hkey(key), nullptr, nullptr, nullptr, &subkey_count, &longest_subkey,
                                            nullptr, &value_count, &longest_name, &longest_data, nullptr, nullptr);
    if (status != ERROR_SUCCESS) return status;
    if (const long read = read_values(to_hkey(key), value_count, longest_name, longest_data, values);
        read != ERROR_SUCCESS)
        return read;
    return read_subkey_names(to_hkey(key), subkey_count, longest_subkey, subkeys);
}

std::wstring Win32Registry::status_text(long status) {
    return system_error_text(static_cast<DWORD>(status));
}

} // namespace vx
