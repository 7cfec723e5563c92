#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "app/png_image.h"
#include "services/error.h"

namespace vx {
namespace {

using Bytes = std::vector<std::uint8_t>;

// --- A small PNG writer, independent of the decoder's own checksums ---------

std::uint32_t crc32(const Bytes& data) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (const auto byte : data) {
        c ^= byte;
        for (int k = 0; k < 8; ++k)
            c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
    }
    return ~c;
}

std::uint32_t adler32(const Bytes& data) {
    std::uint32_t a = 1, b = 0;
    for (const auto byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return b << 16 | a;
}

void put32(Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

struct Chunk {
    std::string type;
    Bytes data;
};

Bytes png(const std::vector<Chunk>& chunks) {
    Bytes out = {137, 80, 78, 71, 13, 10, 26, 10};
    for (const auto& chunk : chunks) {
        put32(out, static_cast<std::uint32_t>(chunk.data.size()));
        Bytes typed(chunk.type.begin(), chunk.type.end());
        typed.insert(typed.end(), chunk.data.begin(), chunk.data.end());
        out.insert(out.end(), typed.begin(), typed.end());
        put32(out, crc32(typed));
    }
    return out;
}

Chunk ihdr(std::uint32_t width, std::uint32_t height, int depth, int colour, int interlace = 0) {
    Chunk chunk{"IHDR", {}};
    put32(chunk.data, width);
    put32(chunk.data, height);
    chunk.data.insert(chunk.data.end(), {static_cast<std::uint8_t>(depth), static_cast<std::uint8_t>(colour), 0, 0,
                                         static_cast<std::uint8_t>(interlace)});
    return chunk;
}

const Chunk kIend{"IEND", {}};

// A zlib stream of stored blocks of at most `block` bytes.
Bytes zlib_stored(const Bytes& raw, std::size_t block = 65535) {
    Bytes out = {0x78, 0x01};
    std::size_t pos = 0;
    do {
        const auto n = std::min(block, raw.size() - pos);
        const bool last = pos + n == raw.size();
        out.insert(out.end(),
                   {static_cast<std::uint8_t>(last), static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8),
                    static_cast<std::uint8_t>(~n), static_cast<std::uint8_t>(~n >> 8)});
        out.insert(out.end(), raw.begin() + static_cast<std::ptrdiff_t>(pos),
                   raw.begin() + static_cast<std::ptrdiff_t>(pos + n));
        pos += n;
    } while (pos < raw.size());
    put32(out, adler32(raw));
    return out;
}

class BitWriter {
public:
    // `value`'s low bits, least significant first: how deflate sends numbers.
    void bits(std::uint32_t value, int count) {
        for (int i = 0; i < count; ++i)
            bit((value >> i) & 1);
    }
    // A Huffman code, most significant bit first.
    void code(std::uint32_t value, int length) {
        for (int i = length - 1; i >= 0; --i)
            bit((value >> i) & 1);
    }
    Bytes finish() {
        if (count_ != 0) bytes_.push_back(current_);
        count_ = 0;
        current_ = 0;
        return bytes_;
    }

private:
    void bit(std::uint32_t b) {
        current_ = static_cast<std::uint8_t>(current_ | b << count_);
        if (++count_ == 8) {
            bytes_.push_back(current_);
            current_ = 0;
            count_ = 0;
        }
    }
    Bytes bytes_;
    std::uint8_t current_ = 0;
    int count_ = 0;
};

void fixed_literal(BitWriter& out, unsigned value) {
    if (value < 144)
        out.code(0x30 + value, 8);
    else
        out.code(0x190 + value - 144, 9);
}

// One fixed-Huffman block: a repeat of 3 to 10 bytes at distance 1 or 4 goes
// as a back-reference (length codes 257-264, distance codes 0 and 3), the
// rest as literals.
Bytes zlib_fixed(const Bytes& raw) {
    BitWriter out;
    out.bits(1, 1);
    out.bits(1, 2);
    for (std::size_t i = 0; i < raw.size();) {
        std::size_t best = 0, best_distance = 0;
        for (const std::size_t distance : {1u, 4u}) {
            std::size_t n = 0;
            while (i >= distance && i + n < raw.size() && n < 10 && raw[i + n] == raw[i + n - distance])
                ++n;
            if (n > best) best = n, best_distance = distance;
        }
        if (best >= 3) {
            out.code(static_cast<std::uint32_t>(best - 2), 7);
            out.code(best_distance == 1 ? 0 : 3, 5);
            i += best;
        } else {
            fixed_literal(out, raw[i++]);
        }
    }
    out.code(0, 7);
    Bytes z = {0x78, 0x01};
    const auto body = out.finish();
    z.insert(z.end(), body.begin(), body.end());
    put32(z, adler32(raw));
    return z;
}

// A picture of one IDAT holding `raw` (scanlines with their filter bytes).
Bytes picture(const Chunk& header, const Bytes& raw, const std::vector<Chunk>& before_data = {}) {
    std::vector<Chunk> chunks = {header};
    chunks.insert(chunks.end(), before_data.begin(), before_data.end());
    chunks.push_back({"IDAT", zlib_stored(raw)});
    chunks.push_back(kIend);
    return png(chunks);
}

Bytes read_file(const std::string& name) {
    std::ifstream file(std::string(VANTRIX_SOURCE_DIR) + "/resources/images/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), {});
}

// The concatenated IDAT data of a PNG file.
Bytes image_data(const Bytes& file) {
    Bytes data;
    for (std::size_t pos = 8; pos + 12 <= file.size();) {
        const std::size_t length = std::size_t{file[pos]} << 24 | std::size_t{file[pos + 1]} << 16 |
                                   std::size_t{file[pos + 2]} << 8 | file[pos + 3];
        if (std::string(file.begin() + static_cast<std::ptrdiff_t>(pos + 4),
                        file.begin() + static_cast<std::ptrdiff_t>(pos + 8)) == "IDAT")
            data.insert(data.end(), file.begin() + static_cast<std::ptrdiff_t>(pos + 8),
                        file.begin() + static_cast<std::ptrdiff_t>(pos + 8 + length));
        pos += length + 12;
    }
    return data;
}

std::uint64_t fnv1a(const Bytes& data) {
    std::uint64_t h = 0xcbf29ce484222325u;
    for (const auto byte : data)
        h = (h ^ byte) * 0x100000001b3u;
    return h;
}

Bytes pixel_at(const Image& image, int x, int y) {
    const auto at = image.pixels.begin() + (y * image.width + x) * 4;
    return Bytes(at, at + 4);
}

// Opaque grey pixels as the decoder gives them.
Bytes grey_pixels(const Bytes& values) {
    Bytes out;
    for (const auto v : values)
        out.insert(out.end(), {v, v, v, 255});
    return out;
}

// --- The program's own pictures ---------------------------------------------

TEST(PngImage, DecodesTheProgramsPictures) {
    // The digests are of the premultiplied BGRA pixels, as worked out by an
    // independent decoder: the file checksums prove inflate, these the row
    // filters and the premultiplication.
    struct Case {
        const char* file;
        int width, height;
        std::uint64_t digest;
    };
    const Case cases[] = {
        {"generic_file.png", 32, 32, 0xf0cc325b1d2de579u},
        {"header_band.png", 733, 136, 0xcfadd250cd034b84u},
        {"logo.png", 512, 512, 0xf8055b2b834e073cu},
        {"menu_glyph.png", 30, 30, 0x3068a13e9d0957f5u},
        {"task_component_store.png", 32, 32, 0x3eb207c87b4c7510u},
        {"task_restore_point.png", 32, 32, 0x092ec59ac74aa112u},
        {"task_system_files.png", 32, 32, 0xe1df0041b10b88f8u},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const auto file = read_file(c.file);
        ASSERT_FALSE(file.empty());
        const auto image = decode_png(file);
        EXPECT_EQ(image.width, c.width);
        EXPECT_EQ(image.height, c.height);
        ASSERT_EQ(image.pixels.size(), std::size_t(c.width * c.height * 4));
        EXPECT_EQ(fnv1a(image.pixels), c.digest);
    }
    const auto logo = decode_png(read_file("logo.png"));
    EXPECT_EQ(pixel_at(logo, 0, 0), (Bytes{0, 0, 0, 0}));
    EXPECT_EQ(pixel_at(logo, 256, 256), (Bytes{219, 142, 31, 255}));
    const auto band = decode_png(read_file("header_band.png"));
    EXPECT_EQ(pixel_at(band, 0, 0), (Bytes{192, 101, 21, 255}));
}

// --- Colour types, filters and stream forms ---------------------------------

TEST(PngImage, ReadsEachColourTypePremultiplied) {
    struct Case {
        const char* name;
        Chunk header;
        std::vector<Chunk> before_data;
        Bytes row; // one row, without its filter byte
        Bytes expected;
    };
    const Case cases[] = {
        {"RGBA",
         ihdr(3, 1, 8, 6),
         {},
         {255, 128, 1, 128, 10, 20, 30, 0, 10, 20, 30, 255},
         {1, 64, 128, 128, 0, 0, 0, 0, 30, 20, 10, 255}},
        {"RGB", ihdr(2, 1, 8, 2), {}, {10, 20, 30, 40, 50, 60}, {30, 20, 10, 255, 60, 50, 40, 255}},
        {"RGB with a transparent colour",
         ihdr(2, 1, 8, 2),
         {{"tRNS", {0, 40, 0, 50, 0, 60}}},
         {10, 20, 30, 40, 50, 60},
         {30, 20, 10, 255, 0, 0, 0, 0}},
        {"grey", ihdr(2, 1, 8, 0), {}, {0, 200}, {0, 0, 0, 255, 200, 200, 200, 255}},
        {"grey with a transparent level", ihdr(2, 1, 8, 0), {{"tRNS", {0, 200}}}, {0, 200}, {0, 0, 0, 255, 0, 0, 0, 0}},
        {"grey and alpha", ihdr(2, 1, 8, 4), {}, {200, 100, 50, 255}, {78, 78, 78, 100, 50, 50, 50, 255}},
        {"palette with transparency",
         ihdr(3, 1, 8, 3),
         {{"PLTE", {10, 20, 30, 40, 50, 60, 70, 80, 90}}, {"tRNS", {0, 128}}},
         {2, 1, 0},
         {90, 80, 70, 255, 30, 25, 20, 128, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes raw = {0};
        raw.insert(raw.end(), c.row.begin(), c.row.end());
        const auto image = decode_png(picture(c.header, raw, c.before_data));
        EXPECT_EQ(image.pixels, c.expected);
    }
}

TEST(PngImage, UnpacksPaletteIndicesOfEveryDepth) {
    // The last byte of each row is padded with set bits; the 8-colour palette
    // makes a padding nibble of 0xF an index it does not have.
    struct Case {
        int depth, width;
        Bytes row;
        std::vector<int> indices;
    };
    const Case cases[] = {
        {1, 10, {0xB1, 0xBF}, {1, 0, 1, 1, 0, 0, 0, 1, 1, 0}},
        {2, 5, {0xE4, 0xFF}, {3, 2, 1, 0, 3}},
        {4, 3, {0x71, 0x6F}, {7, 1, 6}},
        {8, 3, {7, 0, 5}, {7, 0, 5}},
    };
    Chunk palette{"PLTE", {}};
    for (std::uint8_t i = 0; i < 8; ++i)
        palette.data.insert(palette.data.end(), {i, std::uint8_t(i + 100), 200});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.depth);
        const int entries = std::min(8, 1 << c.depth);
        Chunk plte{"PLTE", Bytes(palette.data.begin(), palette.data.begin() + entries * 3)};
        Bytes raw = {0};
        raw.insert(raw.end(), c.row.begin(), c.row.end());
        Bytes expected;
        for (const int i : c.indices)
            expected.insert(expected.end(), {200, std::uint8_t(i + 100), std::uint8_t(i), 255});
        EXPECT_EQ(decode_png(picture(ihdr(std::uint32_t(c.width), 1, c.depth, 3), raw, {plte})).pixels, expected);
    }
}

TEST(PngImage, UndoesEachRowFilter) {
    // Grey rows of three, one byte a pixel: filter byte, then the filtered bytes.
    // The first row and the first pixel see zeros above and to the left.
    struct Case {
        const char* name;
        int width;
        Bytes raw;
        Bytes expected;
    };
    const Case cases[] = {
        {"none, first row", 3, {0, 10, 20, 250}, {10, 20, 250}},
        {"sub, first row, wrapping", 3, {1, 10, 20, 250}, {10, 30, 24}},
        {"up, first row", 3, {2, 10, 20, 250}, {10, 20, 250}},
        {"average, first row", 3, {3, 10, 20, 250}, {10, 25, 6}},
        {"Paeth, first row", 3, {4, 10, 20, 250}, {10, 30, 24}},
        {"sub", 3, {0, 100, 200, 250, 1, 1, 2, 3}, {100, 200, 250, 1, 3, 6}},
        {"up", 3, {0, 100, 200, 250, 2, 1, 2, 3}, {100, 200, 250, 101, 202, 253}},
        // Sums of left and up beyond 255 must not wrap before halving.
        {"average", 3, {0, 100, 200, 250, 3, 0, 0, 0}, {100, 200, 250, 50, 125, 187}},
        {"average, wrapping", 3, {0, 100, 200, 250, 3, 200, 0, 100}, {100, 200, 250, 250, 225, 81}},
        // Ties between the neighbours go to the left one first, then the one above.
        {"Paeth, left and upper-left tie", 2, {0, 100, 110, 4, 236, 5}, {100, 110, 80, 85}},
        {"Paeth, above and upper-left tie", 2, {0, 100, 80, 4, 10, 5}, {100, 80, 110, 85}},
        {"Paeth, upper-left nearest", 2, {0, 100, 80, 4, 20, 5}, {100, 80, 120, 105}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto height = std::uint32_t(c.raw.size() / std::size_t(c.width + 1));
        EXPECT_EQ(decode_png(picture(ihdr(std::uint32_t(c.width), height, 8, 0), c.raw)).pixels,
                  grey_pixels(c.expected));
    }
}

TEST(PngImage, FiltersReachBackOneWholePixel) {
    struct Case {
        const char* name;
        Chunk header;
        Bytes raw;
        Bytes expected;
    };
    const Case cases[] = {
        {"RGBA, sub", ihdr(2, 1, 8, 6), {1, 1, 2, 3, 255, 5, 6, 7, 0}, {3, 2, 1, 255, 10, 8, 6, 255}},
        {"RGB, Paeth",
         ihdr(2, 2, 8, 2),
         {0, 1, 2, 3, 4, 5, 6, 4, 1, 1, 1, 1, 1, 1},
         {3, 2, 1, 255, 6, 5, 4, 255, 4, 3, 2, 255, 7, 6, 5, 255}},
        {"grey and alpha, average", ihdr(2, 1, 8, 4), {3, 10, 255, 20, 1}, {10, 10, 10, 255, 13, 13, 13, 128}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(decode_png(picture(c.header, c.raw)).pixels, c.expected);
    }
}

TEST(PngImage, ReadsTheDataHoweverItIsSplitOrCompressed) {
    // A 6x3 RGBA picture with runs, so the fixed-Huffman stream has back-references.
    const auto header = ihdr(6, 3, 8, 6);
    Bytes raw;
    for (int y = 0; y < 3; ++y) {
        raw.push_back(0);
        for (int x = 0; x < 6; ++x) {
            const auto v = static_cast<std::uint8_t>(x < 3 ? 7 : 150 + y);
            raw.insert(raw.end(), {v, v, std::uint8_t(x < 4 ? 40 : 200), 255});
        }
    }
    const auto plain = decode_png(picture(header, raw));
    ASSERT_EQ(pixel_at(plain, 5, 2), (Bytes{200, 152, 152, 255}));

    const auto fixed = zlib_fixed(raw);
    ASSERT_LT(fixed.size(), raw.size()); // it did use back-references
    const auto stored = zlib_stored(raw, 7);
    const Chunk text{"tEXt", {'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 'x'}};
    const Chunk unknown{"quUx", {1, 2, 3}};
    const auto idat = [](const Bytes& z, std::size_t from, std::size_t to) {
        return Chunk{"IDAT",
                     Bytes(z.begin() + static_cast<std::ptrdiff_t>(from), z.begin() + static_cast<std::ptrdiff_t>(to))};
    };
    const struct {
        const char* name;
        Bytes file;
    } cases[] = {
        {"fixed Huffman", png({header, {"IDAT", fixed}, kIend})},
        {"stored blocks of 7 bytes", png({header, {"IDAT", stored}, kIend})},
        {"IDAT in pieces, one empty",
         png({header, idat(fixed, 0, 1), idat(fixed, 1, 1), idat(fixed, 1, 9), idat(fixed, 9, fixed.size()), kIend})},
        {"ancillary chunks skipped", png({header, text, unknown, {"IDAT", stored}, text, kIend, {"JUNK", {}}})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(decode_png(c.file).pixels, plain.pixels);
    }
}

// --- Damaged and unsupported files ------------------------------------------

Bytes with_byte(Bytes file, std::size_t pos, std::uint8_t value) {
    file[pos] = value;
    return file;
}

TEST(PngImage, RejectsDamagedOrUnsupportedFiles) {
    const Bytes raw = {0, 1, 2, 3, 4, 5, 6, 7, 8, 0, 1, 2, 3, 4, 5, 6, 7, 8};
    auto one_more = raw;
    one_more.push_back(9);
    const auto header = ihdr(2, 2, 8, 6);
    const auto good = picture(header, raw);
    ASSERT_NO_THROW(decode_png(good));
    const auto z = zlib_stored(raw);
    const auto with_data = [&](const Bytes& data) { return png({header, {"IDAT", data}, kIend}); };
    // The stream with another header, its check bits right unless the case is about them.
    const auto zlib_header = [&](std::uint8_t method, std::uint8_t flags) {
        return with_byte(with_byte(z, 0, method), 1, flags);
    };
    auto bad_adler = z;
    bad_adler.back() ^= 1;
    auto bad_header_crc = good;
    bad_header_crc[8 + 8 + 13] ^= 1;
    auto bad_data_crc = good;
    bad_data_crc[good.size() - 12 - 1] ^= 1;
    auto bad_text_crc = picture(header, raw, {{"tEXt", {'a', 0, 'b'}}});
    bad_text_crc[8 + 25 + 8 + 3] ^= 1;
    const auto plte = Chunk{"PLTE", {1, 2, 3, 4, 5, 6}};
    const Bytes bad_filter = {5, 1, 2, 3, 4, 5, 6, 7, 8, 0, 1, 2, 3, 4, 5, 6, 7, 8};

    // Hand-made deflate streams that point outside the data or their tables.
    const auto deflate = [&](auto write) {
        BitWriter out;
        write(out);
        Bytes stream = {0x78, 0x01};
        const auto body = out.finish();
        stream.insert(stream.end(), body.begin(), body.end());
        put32(stream, adler32(raw));
        return with_data(stream);
    };
    const auto fixed_start = [](BitWriter& out) {
        out.bits(1, 1);
        out.bits(1, 2);
    };
    // A fixed block of one literal, then one match given by its length and
    // distance codes, then the end of the block.
    const auto literal_then_match = [&](unsigned length_code, int length_bits, unsigned distance_code) {
        return deflate([&](BitWriter& out) {
            fixed_start(out);
            fixed_literal(out, 1);
            out.code(length_code, length_bits);
            out.code(distance_code, 5);
            out.code(0, 7);
        });
    };
    const auto dynamic_start = [](BitWriter& out, unsigned length_codes) {
        out.bits(1, 1);
        out.bits(2, 2);
        out.bits(0, 5);
        out.bits(0, 5);
        out.bits(length_codes - 4, 4);
    };

    const struct {
        const char* name;
        Bytes file;
    } cases[] = {
        {"empty", {}},
        {"not a PNG", with_byte(good, 1, 'Q')},
        {"header checksum", bad_header_crc},
        {"data checksum", bad_data_crc},
        {"ancillary chunk checksum", bad_text_crc},
        {"zlib checksum", with_data(bad_adler)},
        {"a byte too few", picture(header, Bytes(raw.begin(), raw.end() - 1))},
        {"a byte too many", picture(header, one_more)},
        {"a literal too many", with_data(zlib_fixed(one_more))},
        {"no data", png({header, kIend})},
        {"data before the header", png({{"IDAT", z}, header, kIend})},
        {"two headers", png({header, header, {"IDAT", z}, kIend})},
        {"short header", png({{"IHDR", Bytes(12, 1)}, {"IDAT", z}, kIend})},
        {"16-bit", picture(ihdr(1, 2, 16, 6), raw)},
        {"interlaced", picture(ihdr(2, 2, 8, 6, 1), raw)},
        {"grey of 2 bits", picture(ihdr(8, 1, 2, 0), {0, 0})},
        {"RGB of 4 bits", picture(ihdr(1, 1, 4, 2), {0, 0, 0})},
        {"colour type 5", picture(ihdr(1, 1, 8, 5), {0, 0, 0})},
        {"zero width", picture(ihdr(0, 2, 8, 6), {0, 0})},
        {"zero height", picture(ihdr(2, 0, 8, 6), {})},
        {"too wide", picture(ihdr(16385, 1, 8, 0), Bytes(16386, 0))},
        {"too many pixels", picture(ihdr(16384, 16384, 8, 0), raw)},
        {"width of 2^32 - 1", picture(ihdr(0xFFFFFFFF, 1, 8, 0), raw)},
        {"unknown critical chunk", picture(header, raw, {{"ZZZZ", {}}})},
        {"chunk type not letters", picture(header, raw, {{"a1b2", {}}})},
        {"palette missing", picture(ihdr(2, 1, 8, 3), {0, 0, 1})},
        {"palette index beyond the palette", picture(ihdr(2, 1, 8, 3), {0, 1, 2}, {plte})},
        {"palette of 4 bits, index beyond it", picture(ihdr(2, 1, 4, 3), {0, 0x12}, {plte})},
        {"palette not whole colours", picture(ihdr(1, 1, 8, 3), {0, 0}, {{"PLTE", {1, 2, 3, 4}}})},
        {"transparency longer than the palette", picture(ihdr(1, 1, 8, 3), {0, 0}, {plte, {"tRNS", {1, 2, 3}}})},
        {"unknown filter", picture(header, bad_filter)},
        {"compression method 7", with_data(zlib_header(0x77, 0x09))},
        {"window beyond 32 KB", with_data(zlib_header(0x88, 0x1C))},
        {"zlib header check", with_data(zlib_header(0x78, 0x02))},
        {"preset dictionary", with_data(zlib_header(0x78, 0x20))},
        {"block type 3", with_data(with_byte(z, 2, 0x07))},
        {"stored length and its complement differ", with_data(with_byte(z, 5, 0x00))},
        {"back-reference before the start", literal_then_match(1, 7, 1)}, // length 3, distance 2
        {"distance code 30", literal_then_match(1, 7, 30)},
        {"length code 286", literal_then_match(0xC6, 8, 0)},
        {"over-subscribed code", deflate([&](BitWriter& out) {
             dynamic_start(out, 19);
             for (int i = 0; i < 19; ++i)
                 out.bits(1, 3);
         })},
        {"repeat with no length before it", deflate([&](BitWriter& out) {
             dynamic_start(out, 4); // lengths of the codes 16, 17, 18 and 0
             out.bits(1, 3);
             out.bits(0, 3);
             out.bits(0, 3);
             out.bits(1, 3);
             out.code(1, 1); // 16
             out.bits(0, 2);
         })},
        {"repeat past the last length", deflate([&](BitWriter& out) {
             dynamic_start(out, 4);
             out.bits(0, 3);
             out.bits(0, 3);
             out.bits(1, 3);
             out.bits(1, 3);
             // 18 repeats zero: 138, 119, then 138 times from the last of the 258 lengths due.
             for (const unsigned extra : {127u, 108u, 127u}) {
                 out.code(1, 1);
                 out.bits(extra, 7);
             }
         })},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_THROW(decode_png(c.file), Error);
    }
}

TEST(PngImage, RejectsEveryTruncation) {
    const auto file = read_file("menu_glyph.png");
    for (std::size_t n = 0; n < file.size(); ++n)
        EXPECT_THROW(decode_png(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(n))), Error) << n;

    // The compressed data cut short inside chunks whose checksums are right:
    // a real dynamic-Huffman stream and the hand-made fixed and stored ones.
    const auto header = ihdr(30, 30, 8, 6);
    Bytes raw(30 * 121); // runs of eight, each row's filter byte 0, 1 or 2
    for (std::size_t i = 0; i < raw.size(); ++i)
        raw[i] = static_cast<std::uint8_t>(i / 8 % 3);
    for (const auto& z : {image_data(file), zlib_fixed(raw), zlib_stored(raw, 1000)}) {
        ASSERT_NO_THROW(decode_png(png({header, {"IDAT", z}, kIend})));
        for (std::size_t n = 0; n < z.size(); ++n) {
            const auto cut =
                png({header, {"IDAT", Bytes(z.begin(), z.begin() + static_cast<std::ptrdiff_t>(n))}, kIend});
            EXPECT_THROW(decode_png(cut), Error) << n;
        }
    }
}

TEST(PngImage, RejectsCorruptedCompressedData) {
    // Damage the real stream a byte at a time, the chunk checksums made right
    // again: inflate itself must notice, and never step outside its buffers.
    const auto file = read_file("task_restore_point.png");
    const auto z = image_data(file);
    for (std::size_t pos = 0; pos < z.size(); pos += 3) {
        auto damaged = z;
        damaged[pos] ^= static_cast<std::uint8_t>(1u << (pos % 8));
        EXPECT_THROW(decode_png(png({ihdr(32, 32, 8, 6), {"IDAT", damaged}, kIend})), Error) << pos;
    }
}

// --- Scaling ----------------------------------------------------------------

Image make_image(int width, int height, Bytes pixels) {
    return Image{width, height, std::move(pixels)};
}

TEST(PngImageResize, AveragesTheAreaEachPixelCovers) {
    struct Case {
        const char* name;
        Image source;
        int width, height;
        Bytes expected;
    };
    const Case cases[] = {
        {"2x2 to 1x1",
         make_image(2, 2, {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120, 130, 140, 150, 161}),
         1,
         1,
         {70, 80, 90, 100}}, // 100.25 rounds down
        {"halves round up", make_image(2, 2, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 2, 2, 2}), 1, 1, {1, 1, 1, 1}},
        // Three to two: each new pixel is one old pixel and half of the middle one.
        {"3 to 2",
         make_image(3, 1, {0, 0, 0, 255, 90, 90, 90, 255, 255, 255, 255, 255}),
         2,
         1,
         {30, 30, 30, 255, 200, 200, 200, 255}},
        {"3 to 2 vertically",
         make_image(1, 3, {0, 0, 0, 255, 90, 90, 90, 255, 255, 255, 255, 255}),
         1,
         2,
         {30, 30, 30, 255, 200, 200, 200, 255}},
        // Two to three, the 1.5x of 144 DPI: the middle pixel is half of each.
        {"2 to 3",
         make_image(2, 1, {0, 0, 0, 255, 255, 255, 255, 255}),
         3,
         1,
         {0, 0, 0, 255, 128, 128, 128, 255, 255, 255, 255, 255}},
        {"column doubled", make_image(1, 2, {1, 2, 3, 4, 5, 6, 7, 8}), 2, 4, {1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3,
                                                                              4, 1, 2, 3, 4, 5, 6, 7, 8, 5, 6,
                                                                              7, 8, 5, 6, 7, 8, 5, 6, 7, 8}},
        // Premultiplied, a clear pixel adds no colour: half-covered red stays pure red.
        {"clear beside opaque", make_image(2, 1, {0, 0, 0, 0, 0, 0, 255, 255}), 1, 1, {0, 0, 128, 128}},
        {"same size", make_image(2, 1, {1, 2, 3, 4, 5, 6, 7, 8}), 2, 1, {1, 2, 3, 4, 5, 6, 7, 8}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto out = resize_image(c.source, c.width, c.height);
        EXPECT_EQ(out.width, c.width);
        EXPECT_EQ(out.height, c.height);
        EXPECT_EQ(out.pixels, c.expected);
    }
}

TEST(PngImageResize, KeepsAnEvenColourEvenAtAnySize) {
    // Every new pixel's weights must add up to exactly the area it covers.
    const Image source = make_image(7, 5, [] {
        Bytes p;
        for (int i = 0; i < 35; ++i)
            p.insert(p.end(), {10, 20, 30, 40});
        return p;
    }());
    const std::pair<int, int> sizes[] = {{3, 4}, {11, 9}, {1, 1}, {7, 13}, {150, 2}};
    for (const auto& [w, h] : sizes) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        const auto out = resize_image(source, w, h);
        ASSERT_EQ(out.pixels.size(), std::size_t(w * h * 4));
        for (std::size_t i = 0; i < out.pixels.size(); i += 4)
            ASSERT_EQ(Bytes(out.pixels.begin() + std::ptrdiff_t(i), out.pixels.begin() + std::ptrdiff_t(i + 4)),
                      (Bytes{10, 20, 30, 40}))
                << i / 4;
    }
}

TEST(PngImageResize, ShrinksTheLogoToItsBox) {
    const auto small = resize_image(decode_png(read_file("logo.png")), 150, 150);
    ASSERT_EQ(small.pixels.size(), std::size_t(150 * 150 * 4));
    EXPECT_EQ(pixel_at(small, 0, 0), (Bytes{0, 0, 0, 0}));
    EXPECT_EQ(pixel_at(small, 75, 75)[3], 255);
    for (std::size_t i = 0; i < small.pixels.size(); i += 4)
        for (std::size_t c = 0; c < 3; ++c)
            ASSERT_LE(small.pixels[i + c], small.pixels[i + 3]) << i / 4;
}

TEST(PngImageResize, RejectsSizesItCannotMake) {
    const auto source = make_image(2, 2, Bytes(16, 1));
    const std::pair<int, int> sizes[] = {{0, 1}, {1, 0}, {-1, 5}, {16385, 1}, {16384, 16384}};
    for (const auto& [w, h] : sizes)
        EXPECT_THROW(resize_image(source, w, h), Error) << w << "x" << h;
    EXPECT_THROW(resize_image(Image{}, 1, 1), Error);
    EXPECT_THROW(resize_image(make_image(2, 2, Bytes(15, 1)), 1, 1), Error);
}

} // namespace
} // namespace vx
