#include "app/pictures_win.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "app/icon_location.h"
#include "app/png_image.h"
#include "services/error.h"
#include "services/resources_win.h"
#include "services/system_library_win.h"

namespace vx {

namespace {

// The size that fits `natural` into width x height with its proportions kept.
SIZE fit(int natural_width, int natural_height, int width, int height) {
    if (natural_width == 0 || natural_height == 0) return {width, height};
    const double ratio =
        std::min(static_cast<double>(width) / natural_width, static_cast<double>(height) / natural_height);
    return {std::max(1, static_cast<int>(natural_width * ratio + 0.5)),
            std::max(1, static_cast<int>(natural_height * ratio + 0.5))};
}

} // namespace

std::shared_ptr<const Bitmap> load_picture(std::wstring_view resource, const DpiScale& scale, int width, int height) {
    const std::vector<std::uint8_t> bytes = load_resource(std::wstring(resource));
    Image image;
    try {
        image = decode_png(bytes);
        const SIZE size = width > 0 && height > 0 ? fit(image.width, image.height, width, height)
                                                  : SIZE{scale(image.width), scale(image.height)};
        if (size.cx != image.width || size.cy != image.height) image = resize_image(image, size.cx, size.cy);
    } catch (const Error& error) {
        throw Error(L"Cannot decode the picture " + std::wstring(resource) + L": " + error.message());
    }

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = image.width;
    info.bmiHeader.biHeight = -image.height; // rows from the top
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    auto bitmap = std::make_shared<Bitmap>();
    bitmap->handle.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap->handle || !bits) throw Error(L"Cannot make the picture " + std::wstring(resource));
    std::memcpy(bits, image.pixels.data(), image.pixels.size());
    bitmap->width = image.width;
    bitmap->height = image.height;
    return bitmap;
}

void draw_bitmap(HDC dc, const Bitmap& bitmap, int x, int y) {
    HDC memory = CreateCompatibleDC(dc);
    if (!memory) return;
    HGDIOBJ old = SelectObject(memory, bitmap.handle.get());
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    // msimg32 is not a known DLL, so it is loaded from the system folder at
    // run time rather than imported. Once loaded, a later load of the name by
    // a system DLL (Wine's comctl32 loads it when it first needs
    // TransparentBlt) finds this copy, not one beside the program.
    using AlphaBlendFn = BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, int, int, BLENDFUNCTION);
    static const auto alpha_blend = system_function<AlphaBlendFn>(L"msimg32.dll", "AlphaBlend");
    if (alpha_blend)
        alpha_blend(dc, x, y, bitmap.width, bitmap.height, memory, 0, 0, bitmap.width, bitmap.height, blend);
    SelectObject(memory, old);
    DeleteDC(memory);
}

std::shared_ptr<const Icon> load_location_icon(std::wstring_view location, int size) {
    const IconLocation parsed = parse_icon_location(location);
    if (parsed.file.empty()) return nullptr;
    wchar_t expanded[MAX_PATH];
    const DWORD length = ExpandEnvironmentStringsW(parsed.file.c_str(), expanded, MAX_PATH);
    if (length == 0 || length > MAX_PATH) return nullptr;
    HICON icon = nullptr;
    // A negative index names the icon by its resource identifier, as in the
    // registry's DefaultIcon values.
    const UINT count = PrivateExtractIconsW(expanded, parsed.index, size, size, &icon, nullptr, 1, LR_DEFAULTCOLOR);
    if (count == 0 || count == 0xFFFFFFFF || !icon) return nullptr;
    auto result = std::make_shared<Icon>();
    result->handle.reset(icon);
    return result;
}

} // namespace vx
