// The Explorer restarter: ends every explorer.exe of the current session and
// starts Explorer again with the rights the user's shell had. The main program
// writes this program out of its resources, runs it hidden, waits for it and
// deletes it. It takes no arguments and writes nothing. It ends with exit code
// 0, or 2 when it left Explorer running because it found no way to start it
// again without this program's administrator rights.

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

// A primary token with the rights of the process, for starting a program as
// it runs; nullptr when the process cannot be opened.
HANDLE primary_token_of(DWORD id) {
    Handle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
    if (!process) return nullptr;
    HANDLE token = nullptr;
    if (!OpenProcessToken(process.get(), TOKEN_DUPLICATE | TOKEN_QUERY, &token)) return nullptr;
    Handle own(token);
    HANDLE primary = nullptr;
    if (!DuplicateTokenEx(token,
                          TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_ASSIGN_PRIMARY | TOKEN_ADJUST_DEFAULT |
                              TOKEN_ADJUST_SESSIONID,
                          nullptr, SecurityImpersonation, TokenPrimary, &primary))
        return nullptr;
    return primary;
}

TOKEN_ELEVATION_TYPE elevation_type(HANDLE token) {
    TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
    DWORD size = 0;
    if (!GetTokenInformation(token, TokenElevationType, &type, sizeof(type), &size)) return TokenElevationTypeDefault;
    return type;
}

// Whether the token belongs to the same user as this program.
bool same_user(HANDLE token) {
    HANDLE own_token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &own_token)) return false;
    Handle own(own_token);
    union User {
        TOKEN_USER user;
        BYTE bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    } mine{}, theirs{};
    DWORD size = 0;
    return GetTokenInformation(own_token, TokenUser, &mine, sizeof(mine), &size) &&
           GetTokenInformation(token, TokenUser, &theirs, sizeof(theirs), &size) &&
           EqualSid(mine.user.User.Sid, theirs.user.User.Sid);
}

// The rights to start the new Explorer with, taken before any Explorer is
// ended. First choice is the token of the user's desktop shell, so the new
// shell runs as the old one did. Without a shell, another process of the same
// user in this session that runs without elevation will do. Where this
// program's own token is not a split one (UAC off, the built-in
// Administrator, or Wine, which has no split tokens), starting Explorer the
// plain way gives it the same rights as the user's own programs: `plain` is
// set and no token is needed. Otherwise nullptr with `plain` false: there is
// no way to start Explorer unelevated, and it is left running.
HANDLE explorer_token(const DWORD* ids, DWORD count, bool& plain) {
    plain = false;
    if (HWND shell = GetShellWindow()) {
        DWORD id = 0;
        GetWindowThreadProcessId(shell, &id);
        if (id != 0 && in_own_session(id))
            if (HANDLE token = primary_token_of(id)) return token;
    }
    HANDLE own_token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &own_token)) return nullptr;
    const TOKEN_ELEVATION_TYPE own_type = elevation_type(own_token);
    CloseHandle(own_token);
    if (own_type != TokenElevationTypeFull) {
        plain = true;
        return nullptr;
    }
    for (DWORD i = 0; i < count; ++i) {
        if (ids[i] == 0 || !in_own_session(ids[i])) continue;
        HANDLE token = primary_token_of(ids[i]);
        if (!token) continue;
        if (elevation_type(token) == TokenElevationTypeLimited && same_user(token)) return token;
        CloseHandle(token);
    }
    // Last, the limited token linked to this program's own. Windows hands it
    // to a program like this one only for identification, which cannot start
    // a process, so there this gives nothing; Wine hands out a usable one.
    own_token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &own_token)) return nullptr;
    Handle own(own_token);
    TOKEN_LINKED_TOKEN linked{};
    DWORD size = 0;
    if (!GetTokenInformation(own_token, TokenLinkedToken, &linked, sizeof(linked), &size) || !linked.LinkedToken)
        return nullptr;
    Handle limited(linked.LinkedToken);
    HANDLE primary = nullptr;
    if (!DuplicateTokenEx(linked.LinkedToken,
                          TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_ASSIGN_PRIMARY | TOKEN_ADJUST_DEFAULT |
                              TOKEN_ADJUST_SESSIONID,
                          nullptr, SecurityImpersonation, TokenPrimary, &primary))
        return nullptr;
    return primary;
}

// Starts Explorer by its full path with the given rights, in the system folder.
void start_explorer_as(HANDLE token) {
    wchar_t windows[MAX_PATH], system[MAX_PATH];
    const UINT windows_length = GetWindowsDirectoryW(windows, MAX_PATH);
    const UINT system_length = GetSystemDirectoryW(system, MAX_PATH);
    if (windows_length == 0 || windows_length + 14 > MAX_PATH || system_length == 0 || system_length >= MAX_PATH)
        return;
    lstrcatW(windows, L"\\explorer.exe");
    wchar_t line[MAX_PATH + 2];
    lstrcpyW(line, L"\"");
    lstrcatW(line, windows);
    lstrcatW(line, L"\"");
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (CreateProcessWithTokenW(token, 0, windows, line, 0, nullptr, system, &startup, &info)) {
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
}

} // namespace

int main() {
    restrict_search();
    DWORD ids[kMaxProcesses];
    DWORD bytes = 0;
    if (!EnumProcesses(ids, sizeof(ids), &bytes)) return 0;
    const DWORD count = bytes / sizeof(DWORD);
    // An Explorer started from this elevated program would run elevated, and
    // so would everything the user starts from it.
    bool plain = false;
    HANDLE token = explorer_token(ids, count, plain);
    if (!token && !plain) return 2;
    for (DWORD i = 0; i < count; ++i) end_if_explorer(ids[i]);
    if (token) {
        start_explorer_as(token);
        CloseHandle(token);
    } else {
        start_explorer();
    }
    return 0;
}
