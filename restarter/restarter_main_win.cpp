// The Explorer restarter: ends every explorer.exe of the current session and
// starts Explorer again. The main program writes this program out of its
// resources, runs it hidden, waits for it and deletes it. It takes no
// arguments, writes nothing and always ends with exit code 0.

#include <windows.h>

#include <mbstring.h>
#include <psapi.h>
#include <shellapi.h>

namespace {

constexpr DWORD kMaxProcesses = 1024;
constexpr DWORD kNameLength = MAX_PATH;

class Handle {
public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() {
        if (h_) CloseHandle(h_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }

private:
    HANDLE h_;
};

DWORD windows_major_version() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(info);
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
    if (!GetVersionExA(&info)) return 0;
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    return info.dwMajorVersion;
}

// The image file name of a process, or false when it cannot be named.
bool image_name(DWORD id, char (&name)[kNameLength]) {
    name[0] = '\0';
    {
        Handle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id));
        if (process && GetModuleFileNameExA(process.get(), nullptr, name, kNameLength) > 0 && name[0] != '\0')
            return true;
    }
    Handle process(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, id));
    if (!process) return false;
    if (windows_major_version() >= 6) {
        using QueryFullProcessImageNameAFn = BOOL(WINAPI*)(HANDLE, DWORD, LPSTR, PDWORD);
        HMODULE kernel = LoadLibraryA("Kernel32.dll");
        if (kernel) {
            auto query = reinterpret_cast<QueryFullProcessImageNameAFn>(
                reinterpret_cast<void*>(GetProcAddress(kernel, "QueryFullProcessImageNameA")));
            DWORD size = kNameLength;
            const bool named = query && query(process.get(), 0, name, &size) && name[0] != '\0';
            FreeLibrary(kernel);
            if (named) return true;
        }
    }
    return GetProcessImageFileNameA(process.get(), name, kNameLength) > 0 && name[0] != '\0';
}

// True when the process runs in the restarter's own session: an elevated
// program can open other signed-in users' processes, and their Explorer must
// be left alone.
bool in_own_session(DWORD id) {
    DWORD own = 0, theirs = 0;
    return ProcessIdToSessionId(GetCurrentProcessId(), &own) && ProcessIdToSessionId(id, &theirs) && own == theirs;
}

void end_if_explorer(DWORD id) {
    char name[kNameLength];
    if (!image_name(id, name)) return;
    // The base name follows the last backslash, found character by character
    // so a trail byte of a double-byte character is never taken for one.
    const unsigned char* slash = _mbsrchr(reinterpret_cast<const unsigned char*>(name), '\\');
    if (!slash) return;
    if (_mbsicmp(slash + 1, reinterpret_cast<const unsigned char*>("explorer.exe")) != 0) return;
    if (!in_own_session(id)) return;
    Handle process(OpenProcess(PROCESS_TERMINATE, FALSE, id));
    if (process) TerminateProcess(process.get(), 0);
}

// The restarter runs from TEMP, where the user's other programs can write.
// Before it loads anything, DLLs are searched for in the system folder alone
// and the system folder becomes its current folder, so nothing beside it or
// in the folder it was started from is taken for a system file. Looked up at
// run time: the call is missing from systems without the KB2533623 update.
void restrict_search() {
    if (HMODULE kernel = GetModuleHandleA("kernel32.dll")) {
        using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
        auto set_directories = reinterpret_cast<SetDefaultDllDirectoriesFn>(
            reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
        if (set_directories) set_directories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    char system[MAX_PATH];
    const UINT length = GetSystemDirectoryA(system, MAX_PATH);
    if (length > 0 && length < MAX_PATH) SetCurrentDirectoryA(system);
}

// Starts Explorer from the Windows folder by its full path, never through a
// search that would look beside the restarter first.
void start_explorer() {
    char windows[MAX_PATH], system[MAX_PATH];
    const UINT windows_length = GetWindowsDirectoryA(windows, MAX_PATH);
    const UINT system_length = GetSystemDirectoryA(system, MAX_PATH);
    if (windows_length == 0 || windows_length + 14 > MAX_PATH || system_length == 0 || system_length >= MAX_PATH)
        return;
    lstrcatA(windows, "\\explorer.exe");
    ShellExecuteA(nullptr, "explore", windows, nullptr, system, SW_SHOW);
}

} // namespace

int main() {
    restrict_search();
    DWORD ids[kMaxProcesses];
    DWORD bytes = 0;
    if (!EnumProcesses(ids, sizeof(ids), &bytes)) return 0;
    for (DWORD i = 0; i < bytes / sizeof(DWORD); ++i) end_if_explorer(ids[i]);
    start_explorer();
    return 0;
}
