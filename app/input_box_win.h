#pragma once

#include <windows.h>

#include <string>

namespace vx {

// A small modal input box: caption, prompt, an edit field, OK and Cancel.
// Returns the text entered, or `initial` when the box is cancelled.
std::wstring show_input_box(HWND owner, const std::wstring& caption, const std::wstring& prompt,
                            const std::wstring& initial);

} // namespace vx
