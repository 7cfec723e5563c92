#pragma once

#include <windows.h>

#include <memory>

#include "app/layout.h"
#include "app/pictures_win.h"

namespace vx::controls {

// Pictures: a bitmap with transparency or an icon, over whatever lies
// beneath. A centred bitmap sits in the middle of the window, another at its
// top left; an icon fills the window. The mouse goes through to what lies
// beneath.
HWND create_picture_window(std::shared_ptr<const Bitmap> bitmap, std::shared_ptr<const Icon> icon, bool centred,
                           DWORD style, const ScaledControl& at, HWND parent, int id, HINSTANCE instance);

} // namespace vx::controls
