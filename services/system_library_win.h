#pragma once

// DLLs that are not on Windows' KnownDLLs list are never named in the
// program's import table: the loader would look for them beside the program
// first, before any code of the program has run. They are loaded here
// instead, from the system folder alone, once the search is restricted.

#include <windows.h>

#include <shellapi.h>
#include <shlobj.h>

namespace vx {

// Makes the system folder the only place later loads look in, for the
// program's own loads and for those the system DLLs make on its behalf.
// Called first thing at start-up.
void restrict_dll_search();

// The address of an export of a DLL, loaded from the system folder alone
// (LOAD_LIBRARY_SEARCH_SYSTEM32) and kept loaded; null when the DLL or the
// export is missing.
FARPROC system_procedure(const wchar_t* dll, const char* name);

// The same, cast to the function type the caller declares.
template <typename Function> Function system_function(const wchar_t* dll, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(system_procedure(dll, name)));
}

// The shell's calls the program makes, with shell32 loaded from the system
// folder when one is first made: shell32 and the DLLs it brings along cost
// start-up time and memory, and nothing before the first launch, log line or
// repair needs them. Each answers as the call itself does when shell32 or
// the export cannot be had (ShellExecuteW a code of 32 or less, the others a
// failure).
HINSTANCE shell_execute(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                        const wchar_t* folder, int show);
int shell_file_operation(SHFILEOPSTRUCTW* operation);
HRESULT known_folder_path(REFKNOWNFOLDERID folder, DWORD flags, PWSTR* path);

// Automation's strings and variants, with oleaut32 loaded from the system
// folder when first used: only the system information, the restore point and
// the desktop shell's launch need them, none of them at start-up. Each answers
// as the call itself does; where oleaut32 cannot be had, a string is null, a
// length 0 and a change of type E_FAIL.
BSTR sys_alloc_string(const wchar_t* text);
void sys_free_string(BSTR text);
UINT sys_string_length(BSTR text);
HRESULT variant_change_type(VARIANT* to, const VARIANT* from, USHORT flags, VARTYPE type);
HRESULT variant_clear(VARIANT* variant);

} // namespace vx
