#include "app/pictures_win.h"

#include <wincodec.h>

#include <algorithm>
#include <string>

#include "app/icon_location.h"
#include "services/error.h"
#include "services/resources_win.h"
#include "services/system_library_win.h"

namespace vx {

namespace {

void check(HRESULT result, std::wstring_view resource) {
    if (FAILED(result)) throw Error(L"Cannot decode the picture " + std::wstring(resource));
}

// The size that fits `natural` into width x height with its proportions kept.
SIZE fit(UINT natural_width, UINT natural_height, int width, int height) {
    if (natural_width == 0 || natural_height == 0) return {width, height};
    const double ratio =
        std::min(static_cast<double>(width) / natural_width, static_cast<double>(height) / natural_height);
    return {std::max(1, static_cast<int>(natural_width * ratio + 0.5)),
            std::max(1, static_cast<int>(natural_height * ratio + 0.5))};
}

} // namespace

std::shared_ptr<const Bitmap> PictureDecoder::load(std::wstring_view resource, const DpiScale& scale, int width,
                                                   int height) {
    const std::vector<std::uint8_t> bytes = load_resource(std::wstring(resource));

    if (!factory_)
        check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                               factory_.put_void()),
              resource);
    IWICImagingFactory* factory = factory_.get();
    ComPtr<IWICStream> stream;
    check(factory->CreateStream(stream.put()), resource);
    check(stream->InitializeFromMemory(const_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size())), resource);
    ComPtr<IWICBitmapDecoder> decoder;
    check(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand, decoder.put()),
          resource);
    ComPtr<IWICBitmapFrameDecode> frame;
    check(decoder->GetFrame(0, frame.put()), resource);
    UINT natural_width = 0, natural_height = 0;
    check(frame->GetSize(&natural_width, &natural_height), resource);

    const SIZE size = width > 0 && height > 0
                          ? fit(natural_width, natural_height, width, height)
                          : SIZE{scale(static_cast<int>(natural_width)), scale(static_cast<int>(natural_height))};

    IWICBitmapSource* source = frame.get();
    ComPtr<IWICBitmapScaler> scaler;
    if (static_cast<UINT>(size.cx) != natural_width || static_cast<UINT>(size.cy) != natural_height) {
        check(factory->CreateBitmapScaler(scaler.put()), resource);
        check(scaler->Initialize(frame.get(), static_cast<UINT>(size.cx), static_cast<UINT>(size.cy),
                                 WICBitmapInterpolationModeFant),
              resource);
        source = scaler.get();
    }
    ComPtr<IWICFormatConverter> converter;
    check(factory->CreateFormatConverter(converter.put()), resource);
    check(converter->Initialize(source, GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                WICBitmapPaletteTypeCustom),
          resource);

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = size.cx;
    info.bmiHeader.biHeight = -size.cy; // rows from the top
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    auto bitmap = std::make_shared<Bitmap>();
    bitmap->handle.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap->handle || !bits) throw Error(L"Cannot make the picture " + std::wstring(resource));
    const UINT stride = static_cast<UINT>(size.cx) * 4;
    check(converter->CopyPixels(nullptr, stride, stride * static_cast<UINT>(size.cy), static_cast<BYTE*>(bits)),
          resource);
    bitmap->width = size.cx;
    bitmap->height = size.cy;
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
