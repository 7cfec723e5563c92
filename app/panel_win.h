#pragma once

#include <windows.h>

#include "app/layout.h"

namespace vx::controls {

// Containers: pages, row panels, raised category headers, a scroll box's
// content. They paint their background colour, answer their children's
// colour requests with it, and pass their children's commands and
// notifications on to the top-level window, where the handlers are. A raised
// panel draws a raised edge and its caption centred.
HWND create_panel_window(HBRUSH brush, COLORREF colour, bool raised, DWORD ex_style, const wchar_t* caption,
                         DWORD style, const ScaledControl& at, HWND parent, int id, HINSTANCE instance);

} // namespace vx::controls
