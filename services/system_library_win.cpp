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

HINSTANCE shell_execute(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                        const wchar_t* folder, int show) {
    using Fn = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
    static const auto call = system_function<Fn>(L"shell32.dll", "ShellExecuteW");
    if (!call) return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(SE_ERR_DLLNOTFOUND));
    return call(owner, verb, file, parameters, folder, show);
}

int shell_file_operation(SHFILEOPSTRUCTW* operation) {
    using Fn = int(WINAPI*)(LPSHFILEOPSTRUCTW);
    static const auto call = system_function<Fn>(L"shell32.dll", "SHFileOperationW");
    if (!call) return ERROR_PROC_NOT_FOUND;
    return call(operation);
}

HRESULT known_folder_path(REFKNOWNFOLDERID folder, DWORD flags, PWSTR* path) {
    *path = nullptr;
    using Fn = HRESULT(WINAPI*)(REFKNOWNFOLDERID, DWORD, HANDLE, PWSTR*);
    static const auto call = system_function<Fn>(L"shell32.dll", "SHGetKnownFolderPath");
    if (!call) return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    return call(folder, flags, nullptr, path);
}

BSTR sys_alloc_string(const wchar_t* text) {
    using Fn = BSTR(WINAPI*)(const OLECHAR*);
    static const auto call = system_function<Fn>(L"oleaut32.dll", "SysAllocString");
    return call ? call(text) : nullptr;
}

void sys_free_string(BSTR text) {
    if (!text) return;
    using Fn = void(WINAPI*)(BSTR);
    static const auto call = system_function<Fn>(L"oleaut32.dll", "SysFreeString");
    if (call) call(text);
}

UINT sys_string_length(BSTR text) {
    if (!text) return 0;
    using Fn = UINT(WINAPI*)(BSTR);
    static const auto call = system_function<Fn>(L"oleaut32.dll", "SysStringLen");
    return call ? call(text) : 0;
}

HRESULT variant_change_type(VARIANT* to, const VARIANT* from, USHORT flags, VARTYPE type) {
    using Fn = HRESULT(WINAPI*)(VARIANTARG*, const VARIANTARG*, USHORT, VARTYPE);
    static const auto call = system_function<Fn>(L"oleaut32.dll", "VariantChangeType");
    return call ? call(to, from, flags, type) : E_FAIL;
}

HRESULT variant_clear(VARIANT* variant) {
    // An empty variant holds nothing to free, so clearing one needs no DLL.
    if (variant->vt == VT_EMPTY) return S_OK;
    using Fn = HRESULT(WINAPI*)(VARIANTARG*);
    static const auto call = system_function<Fn>(L"oleaut32.dll", "VariantClear");
    return call ? call(variant) : E_FAIL;
}

} // namespace vx
