#pragma once

#include <windows.h>

#include <wincodec.h>

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

// Decodes PNGs stored as RCDATA resources of the program with WIC, all with
// one imaging factory, made at the first picture: making one is a lookup of
// its class, so a form keeps one decoder for all its pictures.
class PictureDecoder {
public:
    // With a size of 0 x 0 the picture keeps its own size, scaled by the DPI;
    // otherwise it is scaled to fit that size with its proportions kept.
    // Raises when the resource is missing or cannot be decoded.
    std::shared_ptr<const Bitmap> load(std::wstring_view resource, const DpiScale& scale, int width = 0,
                                       int height = 0);

private:
    ComPtr<IWICImagingFactory> factory_;
};

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
