// The program's pictures, decoded by its own decoder, against the system's
// imaging components (WIC) decoding the same resources, and the bitmaps the
// windows draw made from them.
#include <gtest/gtest.h>

#include <windows.h>

#include <wincodec.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/dpi.h"
#include "app/pictures_win.h"
#include "app/png_image.h"
#include "services/error.h"
#include "services/handles_win.h"
#include "services/resources_win.h"

namespace vx {
namespace {

const wchar_t* const kPictures[] = {L"HEADER_BAND",       L"LOGO",          L"MENU_GLYPH",  L"TASK_RESTORE_POINT",
                                    L"TASK_SYSTEM_FILES", L"TASK_COMPONENT_STORE", L"GENERIC_FILE"};

// The resource decoded by WIC at its own size, as 32-bit premultiplied BGRA;
// a step that fails ends the test there.
void decode_with_wic(const std::vector<std::uint8_t>& bytes, Image& image) {
    ComPtr<IWICImagingFactory> factory;
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                              IID_IWICImagingFactory, factory.put_void()));
    ComPtr<IWICStream> stream;
    ASSERT_HRESULT_SUCCEEDED(factory->CreateStream(stream.put()));
    ASSERT_HRESULT_SUCCEEDED(
        stream->InitializeFromMemory(const_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size())));
    ComPtr<IWICBitmapDecoder> decoder;
    ASSERT_HRESULT_SUCCEEDED(
        factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand, decoder.put()));
    ComPtr<IWICBitmapFrameDecode> frame;
    ASSERT_HRESULT_SUCCEEDED(decoder->GetFrame(0, frame.put()));
    ComPtr<IWICFormatConverter> converter;
    ASSERT_HRESULT_SUCCEEDED(factory->CreateFormatConverter(converter.put()));
    ASSERT_HRESULT_SUCCEEDED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppPBGRA,
                                                   WICBitmapDitherTypeNone, nullptr, 0.0,
                                                   WICBitmapPaletteTypeCustom));
    UINT width = 0, height = 0;
    ASSERT_HRESULT_SUCCEEDED(converter->GetSize(&width, &height));
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    image.pixels.resize(std::size_t{width} * height * 4);
    ASSERT_HRESULT_SUCCEEDED(converter->CopyPixels(nullptr, width * 4, static_cast<UINT>(image.pixels.size()),
                                                   image.pixels.data()));
}

// The pixels of a 32-bit top-down DIB section.
std::vector<std::uint8_t> dib_pixels(const Bitmap& bitmap) {
    DIBSECTION section{};
    if (GetObjectW(bitmap.handle.get(), sizeof(section), &section) != sizeof(section) || !section.dsBm.bmBits)
        return {};
    const auto* bits = static_cast<const std::uint8_t*>(section.dsBm.bmBits);
    return {bits, bits + static_cast<std::size_t>(bitmap.width * bitmap.height) * 4};
}

class PicturesOnWine : public ::testing::Test {
protected:
    void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    void TearDown() override { CoUninitialize(); }
};

// Premultiplying may round a channel the other way, so one step either way
// is the same picture; a fault of decoding (a filter, a palette, the order of
// the channels) is off by far more, and in many pixels.
TEST_F(PicturesOnWine, EveryPictureDecodesAsTheSystemsImagingComponentsDecodeIt) {
    for (const wchar_t* name : kPictures) {
        SCOPED_TRACE(to_utf8(name));
        const std::vector<std::uint8_t> bytes = load_resource(name);
        const Image ours = decode_png(bytes);
        Image theirs;
        ASSERT_NO_FATAL_FAILURE(decode_with_wic(bytes, theirs));
        ASSERT_EQ(ours.width, theirs.width);
        ASSERT_EQ(ours.height, theirs.height);
        ASSERT_EQ(ours.pixels.size(), theirs.pixels.size());
        std::size_t differing = 0;
        for (std::size_t i = 0; i < ours.pixels.size(); ++i)
            if (std::abs(int(ours.pixels[i]) - int(theirs.pixels[i])) > 1) ++differing;
        EXPECT_EQ(differing, 0u);
    }
}

// A picture keeps its own size scaled by the DPI, or fits the box it is
// given with its proportions kept; the bitmap holds what the resampler made.
TEST_F(PicturesOnWine, ABitmapHasTheSizeItIsDrawnAtAndTheResampledPixels) {
    struct Case {
        const wchar_t* name;
        int dpi, box_width, box_height;
        int width, height;
    };
    const Case cases[] = {
        {L"TASK_RESTORE_POINT", 96, 0, 0, 32, 32},
        {L"TASK_RESTORE_POINT", 144, 0, 0, 48, 48},
        {L"LOGO", 96, 70, 70, 70, 70},
        {L"LOGO", 144, 105, 105, 105, 105},
        {L"HEADER_BAND", 96, 100, 200, 100, 19}, // 733 x 136 into 100 x 200
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(to_utf8(c.name) + " at " + std::to_string(c.dpi));
        const auto bitmap = load_picture(c.name, DpiScale(c.dpi), c.box_width, c.box_height);
        ASSERT_EQ(bitmap->width, c.width);
        ASSERT_EQ(bitmap->height, c.height);
        const Image decoded = decode_png(load_resource(c.name));
        const Image expected = c.width == decoded.width ? decoded : resize_image(decoded, c.width, c.height);
        EXPECT_EQ(dib_pixels(*bitmap), expected.pixels);
    }
    EXPECT_THROW(load_picture(L"NO_SUCH_PICTURE", DpiScale(96)), Error);
}

} // namespace
} // namespace vx
