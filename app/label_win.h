#pragma once

#include <windows.h>

#include "app/layout.h"

namespace vx::controls {

// Labels: text in one colour over whatever lies beneath. A one-line label
// fits itself to its text, also when the text changes, and never shrinks
// below `least`; a word-wrapped label keeps its size. A link label takes the
// hand cursor and reports clicks, mouse moves and the mouse leaving it; other
// labels let the mouse through to what lies beneath. `underlined` is the font
// a link shows while underlined (see set_label_underline).
HWND create_label_window(COLORREF colour, HFONT font, HFONT underlined, unsigned flags, SIZE least, const wchar_t* text,
                         DWORD style, const ScaledControl& at, HWND parent, int id, HINSTANCE instance);

} // namespace vx::controls
