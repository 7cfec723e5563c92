#pragma once

// Helpers shared by the Win32 tests that run under Wine.

#include <windows.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "services/registry.h"

namespace vx::test {

inline bool running_on_wine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// The folder of the running test program.
std::wstring program_folder();
// The full path of the stand-in child program built beside the tests.
std::wstring child_program();

std::wstring environment_variable(const wchar_t* name);

// A folder of its own under TEMP, deleted with everything in it at the end.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::wstring& name_hint = L"vx");
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::wstring& path() const { return path_; }
    std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

// Sets an environment variable for the life of the object (nullptr unsets it).
class ScopedEnvironment {
public:
    ScopedEnvironment(const wchar_t* name, const wchar_t* value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::wstring name_;
    std::wstring old_;
    bool had_old_;
};

std::string read_bytes(const std::wstring& path);
void write_bytes(const std::wstring& path, const std::string& bytes);
bool exists(const std::wstring& path);
void remove_tree(const std::wstring& path);

// Handles this test process's waiting window messages: the runner's pump.
void pump_messages();
// The ids of the running processes whose image is explorer.exe.
std::set<DWORD> explorer_processes();

// Deletes a registry key with its subtree; no error when it is missing.
void delete_registry_tree(HKEY root, const std::wstring& path);

// A registry key with its values and subkeys, as read through the API.
struct RegistryTree {
    bool exists = false;
    std::map<std::wstring, RegistryValue> values;
    std::map<std::wstring, RegistryTree> subkeys;
    bool operator==(const RegistryTree&) const = default;
};
RegistryTree read_registry_tree(HKEY root, const std::wstring& path);

// Puts registry keys back as they were when the object was made: a key that
// existed comes back with exactly its values and subkeys; for a key that was
// missing, its highest missing parent is deleted, so whatever a test created
// there goes again.
class RegistrySnapshot {
public:
    struct Key {
        HKEY root;
        std::wstring path;
    };
    explicit RegistrySnapshot(std::vector<Key> keys);
    ~RegistrySnapshot();
    RegistrySnapshot(const RegistrySnapshot&) = delete;
    RegistrySnapshot& operator=(const RegistrySnapshot&) = delete;

private:
    struct Saved {
        Key key;
        RegistryTree tree;
        std::wstring remove; // the highest missing parent, for a key that was missing
    };
    std::vector<Saved> saved_;
};

} // namespace vx::test
