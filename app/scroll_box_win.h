#pragma once

#include <windows.h>

#include "app/layout.h"

namespace vx::controls {

// Scroll boxes: the rows sit in a content window as wide as the box, which
// moves up and down as the box scrolls. Only a vertical scroll bar exists; it
// shows when the rows are taller than the box. The thumb scrolls while it is
// dragged. A smooth box scrolls a tenth of its height a line, another `line`
// pixels; a flat one has a flat scroll bar where the system offers one. The
// content window paints `brush`; scroll_box_content gives it.
HWND create_scroll_box_window(bool smooth, bool flat, int line, HBRUSH brush, COLORREF colour, DWORD style,
                              const ScaledControl& at, HWND parent, int id, HINSTANCE instance);

// Sets the box's scroll range from the rows its content window holds.
void update_scroll_box(HWND box);

} // namespace vx::controls
