#include "services/system_library_win.h"

namespace vx {

void restrict_dll_search() {
    // Looked up at run time: the call is missing from systems without the
    // KB2533623 update, where the program must still load to refuse them.
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    if (!kernel) return;
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    auto set_directories = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (set_directories) set_directories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

FARPROC system_procedure(const wchar_t* dll, const char* name) {
    // The flag is honoured by LoadLibraryExW itself, whether or not the
    // default search was restricted; the module stays loaded for the life of
    // the process, as an imported one would.
    HMODULE module = LoadLibraryExW(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return module ? GetProcAddress(module, name) : nullptr;
}

} // namespace vx
