#pragma once

#include <windows.h>

#include <memory>

#include "app/layout.h"
#include "app/pictures_win.h"

namespace vx::controls {

// Speed buttons: a glyph without a frame until the mouse is over it; hand
// cursor; a click is reported like a button's.
HWND create_speed_button_window(std::shared_ptr<const Bitmap> glyph, DWORD style, const ScaledControl& at, HWND parent,
                                int id, HINSTANCE instance);

} // namespace vx::controls
