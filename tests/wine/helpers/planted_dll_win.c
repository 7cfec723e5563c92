/* A DLL that tests plant beside a program under the names of the DLLs the
 * program imports or loads. When any process loads it, it leaves a file
 * "NAME.dll.loaded" beside itself, naming the process that loaded it, and
 * refuses to load. It exports nothing and imports only kernel32, so it needs
 * no C runtime: the tests plant it as msvcrt.dll as well. */
#include <windows.h>

BOOL WINAPI planted_entry(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t path[MAX_PATH + 16];
    const DWORD length = GetModuleFileNameW(instance, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return FALSE;
    lstrcatW(path, L".loaded");
    HANDLE mark = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (mark != INVALID_HANDLE_VALUE) {
        wchar_t process[MAX_PATH + 2];
        DWORD n = GetModuleFileNameW(NULL, process, MAX_PATH);
        process[n++] = L'\r';
        process[n++] = L'\n';
        DWORD written = 0;
        WriteFile(mark, process, n * (DWORD)sizeof(wchar_t), &written, NULL);
        CloseHandle(mark);
    }
    return FALSE;
}
