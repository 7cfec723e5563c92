#pragma once

// DLLs that are not on Windows' KnownDLLs list are never named in the
// program's import table: the loader would look for them beside the program
// first, before any code of the program has run. They are loaded here
// instead, from the system folder alone, once the search is restricted.

#include <windows.h>

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

} // namespace vx
