#pragma once

#include <windows.h>

#include <string>

namespace vx {

// The system's text for an error code, without the trailing line end and full
// stop, so it can stand inside a sentence.
std::wstring system_error_text(DWORD code);
std::wstring last_error_text();

// The text of a failed COM call: the system's text of the HRESULT, or its
// number when the system has none.
std::wstring com_error_text(HRESULT hr);

} // namespace vx
