#include "tests/wine/wine_support.h"

#include <psapi.h>
#include <shellapi.h>

#include "services/text.h"

namespace vx::test {

std::wstring program_folder() {
    wchar_t path[MAX_PATH * 2];
    std::wstring self(path, GetModuleFileNameW(nullptr, path, MAX_PATH * 2));
    return self.substr(0, self.find_last_of(L'\\'));
}

std::wstring child_program() { return program_folder() + L"\\" VANTRIX_CHILD_EXE; }

std::wstring environment_variable(const wchar_t* name) {
    const DWORD n = GetEnvironmentVariableW(name, nullptr, 0);
    if (n == 0) return {};
    std::wstring value(n, L'\0');
    value.resize(GetEnvironmentVariableW(name, value.data(), n));
    return value;
}

ScratchFolder::ScratchFolder(const std::wstring& name_hint) {
    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temp);
    static int counter = 0;
    path_ = std::wstring(temp) + name_hint + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter);
    remove_tree(path_);
    CreateDirectoryW(path_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() { remove_tree(path_); }

ScopedEnvironment::ScopedEnvironment(const wchar_t* name, const wchar_t* value) : name_(name) {
    had_old_ = GetEnvironmentVariableW(name, nullptr, 0) > 0;
    old_ = environment_variable(name);
    SetEnvironmentVariableW(name, value);
}

ScopedEnvironment::~ScopedEnvironment() { SetEnvironmentVariableW(name_.c_str(), had_old_ ? old_.c_str() : nullptr); }

std::string read_bytes(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string bytes;
    char buffer[65536];
    DWORD n = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &n, nullptr) && n > 0) bytes.append(buffer, n);
    CloseHandle(file);
    return bytes;
}

void write_bytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void remove_tree(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
        return;
    }
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name != L"." && name != L"..") remove_tree(path + L"\\" + name);
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(path.c_str());
}

void pump_messages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

std::set<DWORD> explorer_processes() {
    DWORD ids[2048];
    DWORD bytes = 0;
    std::set<DWORD> found;
    if (!EnumProcesses(ids, sizeof(ids), &bytes)) return found;
    for (DWORD i = 0; i < bytes / sizeof(DWORD); ++i) {
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, ids[i]);
        if (!process) continue;
        wchar_t name[MAX_PATH];
        DWORD size = MAX_PATH;
        if (QueryFullProcessImageNameW(process, 0, name, &size)) {
            const std::wstring path(name, size);
            if (equals_ignore_case(path.substr(path.find_last_of(L'\\') + 1), L"explorer.exe")) found.insert(ids[i]);
        }
        CloseHandle(process);
    }
    return found;
}

void delete_registry_tree(HKEY root, const std::wstring& path) {
    RegDeleteTreeW(root, path.c_str());
    RegDeleteKeyW(root, path.c_str());
}

namespace {

void write_registry_tree(HKEY root, const std::wstring& path, const RegistryTree& tree) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    for (const auto& [name, value] : tree.values)
        RegSetValueExW(key, name.c_str(), 0, static_cast<DWORD>(value.type), value.data.data(),
                       static_cast<DWORD>(value.data.size()));
    RegCloseKey(key);
    for (const auto& [name, subtree] : tree.subkeys)
        write_registry_tree(root, path + L"\\" + name, subtree);
}

bool registry_key_exists(HKEY root, const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

std::wstring parent_of(const std::wstring& path) {
    const auto slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

} // namespace

RegistryTree read_registry_tree(HKEY root, const std::wstring& path) {
    RegistryTree tree;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return tree;
    tree.exists = true;
    std::vector<wchar_t> name(32768);
    for (DWORD i = 0;; ++i) {
        DWORD name_size = static_cast<DWORD>(name.size()), type = 0, data_size = 0;
        if (RegEnumValueW(key, i, name.data(), &name_size, nullptr, &type, nullptr, &data_size) != ERROR_SUCCESS) break;
        RegistryValue value{static_cast<ValueType>(type), std::vector<std::uint8_t>(data_size)};
        name_size = static_cast<DWORD>(name.size());
        RegEnumValueW(key, i, name.data(), &name_size, nullptr, &type, value.data.data(), &data_size);
        value.data.resize(data_size);
        tree.values.emplace(std::wstring(name.data(), name_size), std::move(value));
    }
    std::vector<std::wstring> subkeys;
    for (DWORD i = 0;; ++i) {
        DWORD size = static_cast<DWORD>(name.size());
        if (RegEnumKeyExW(key, i, name.data(), &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        subkeys.emplace_back(name.data(), size);
    }
    RegCloseKey(key);
    for (const auto& sub : subkeys)
        tree.subkeys.emplace(sub, read_registry_tree(root, path + L"\\" + sub));
    return tree;
}

RegistrySnapshot::RegistrySnapshot(std::vector<Key> keys) {
    for (auto& key : keys) {
        Saved saved{key, read_registry_tree(key.root, key.path), {}};
        if (!saved.tree.exists) {
            saved.remove = key.path;
            for (auto up = parent_of(key.path); !up.empty() && !registry_key_exists(key.root, up); up = parent_of(up))
                saved.remove = up;
        }
        saved_.push_back(std::move(saved));
    }
}

RegistrySnapshot::~RegistrySnapshot() {
    for (const auto& saved : saved_) {
        delete_registry_tree(saved.key.root, saved.tree.exists ? saved.key.path : saved.remove);
        if (saved.tree.exists) write_registry_tree(saved.key.root, saved.key.path, saved.tree);
    }
}

} // namespace vx::test
