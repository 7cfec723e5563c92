#pragma once

#include <windows.h>

#include <memory>
#include <string_view>

#include "app/dpi.h"
#include "services/handles_win.h"

namespace vx {

// A picture ready to draw: a 32-bit top-down DIB whose colours are
// premultiplied by their alpha, as AlphaBlend takes them.
struct Bitmap {
    UniqueGdiObject handle;
    int width = 0, height = 0;
};

// A PNG stored as an RCDATA resource of the program, decoded by the program's
// own decoder: no codec, COM or DLL is loaded for the pictures. With a size of
// 0 x 0 the picture keeps its own size, scaled by the DPI; otherwise it is
// scaled to fit that size with its proportions kept. Raises when the resource
// is missing or cannot be decoded.
std::shared_ptr<const Bitmap> load_picture(std::wstring_view resource, const DpiScale& scale, int width = 0,
                                           int height = 0);

// Draws the bitmap with its transparency at (x, y), at its own size.
void draw_bitmap(HDC dc, const Bitmap& bitmap, int x, int y);

// An icon owned by the pictures that show it.
struct Icon {
    UniqueIcon handle;
};

// The icon at an icon location ("<file>,<index>", as DefaultIcon values hold
// it), at size x size pixels; null when it cannot be loaded.
std::shared_ptr<const Icon> load_location_icon(std::wstring_view location, int size);

} // namespace vx
