#include "app/png_image.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>
#include <string_view>

#include "services/error.h"

namespace vx {
namespace {

// Limits that keep a damaged or hostile header from asking for absurd memory:
// 2^24 pixels is 64 MB decoded, comfortable even for the 32-bit program.
constexpr int kMaxSide = 16384;
constexpr std::uint64_t kMaxPixels = std::uint64_t{1} << 24;

constexpr const wchar_t* kEndsEarly = L"it ends early";
constexpr const wchar_t* kDamaged = L"its compressed data is damaged";
constexpr const wchar_t* kWrongSize = L"its pixel data is the wrong size";

[[noreturn]] void fail(const wchar_t* what) {
    throw Error(std::wstring(L"The picture is not a PNG the program can read: ") + what + L".");
}

std::uint32_t read_be32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

constexpr auto kCrcTable = [] {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}();

std::uint32_t crc32(std::span<const std::uint8_t> data) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (const auto byte : data)
        c = kCrcTable[(c ^ byte) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

std::uint32_t adler32(std::span<const std::uint8_t> data) {
    std::uint32_t a = 1, b = 0;
    while (!data.empty()) {
        // 5552 bytes is the most that can be summed before b could overflow 32 bits.
        const auto n = std::min<std::size_t>(data.size(), 5552);
        for (const auto byte : data.first(n)) {
            a += byte;
            b += a;
        }
        a %= 65521;
        b %= 65521;
        data = data.subspan(n);
    }
    return b << 16 | a;
}

// Reads a deflate stream's bits, least significant first. Past the end of the
// input it supplies zero bytes, so a look-ahead never reads outside it; using
// any of those bits means the stream was cut short.
class BitReader {
public:
    explicit BitReader(std::span<const std::uint8_t> data) : data_(data) {}

    std::uint32_t peek(int count) {
        if (available_ < count) refill();
        return static_cast<std::uint32_t>(bits_ & ((std::uint64_t{1} << count) - 1));
    }

    void skip(int count) {
        bits_ >>= count;
        available_ -= count;
        if (available_ < padding_ * 8) fail(kEndsEarly);
    }

    std::uint32_t take(int count) {
        const auto value = peek(count);
        skip(count);
        return value;
    }

    void align() { skip(available_ % 8); }

    // Whole bytes at a byte boundary, for stored blocks and the checksum.
    std::span<const std::uint8_t> take_bytes(std::size_t count) {
        // Only whole bytes are buffered here: give the real ones back.
        pos_ -= static_cast<std::size_t>(available_ / 8 - padding_);
        bits_ = 0;
        available_ = 0;
        padding_ = 0;
        if (data_.size() - pos_ < count) fail(kEndsEarly);
        const auto bytes = data_.subspan(pos_, count);
        pos_ += count;
        return bytes;
    }

private:
    void refill() {
        while (available_ <= 56) {
            std::uint64_t byte = 0;
            if (pos_ < data_.size())
                byte = data_[pos_++];
            else
                ++padding_;
            bits_ |= byte << available_;
            available_ += 8;
        }
    }

    std::span<const std::uint8_t> data_;
    std::size_t pos_ = 0;
    std::uint64_t bits_ = 0;
    int available_ = 0; // bits in bits_
    int padding_ = 0;   // zero bytes in bits_ that lie past the end of the input
};

constexpr int kFastBits = 9;
constexpr unsigned kMaxCodeLength = 15;

// A canonical Huffman code. A code up to kFastBits long is found with one
// table look-up; a longer one is walked one bit at a time from the counts.
class Huffman {
public:
    void build(const std::uint8_t* lengths, std::size_t count) {
        counts_.fill(0);
        for (std::size_t s = 0; s < count; ++s)
            ++counts_[lengths[s]];
        counts_[0] = 0;
        // A length with more codes than the shorter ones leave room for would make the code ambiguous.
        int left = 1;
        for (std::size_t len = 1; len <= kMaxCodeLength; ++len) {
            left = (left << 1) - counts_[len];
            if (left < 0) fail(kDamaged);
        }
        std::array<std::uint16_t, kMaxCodeLength + 1> next{};
        for (std::size_t len = 1; len < kMaxCodeLength; ++len)
            next[len + 1] = static_cast<std::uint16_t>(next[len] + counts_[len]);
        for (std::size_t s = 0; s < count; ++s)
            if (lengths[s] != 0) symbols_[next[lengths[s]]++] = static_cast<std::uint16_t>(s);

        // The stream sends a code's first bit first, so the table is indexed by the code reversed.
        fast_.fill(0);
        unsigned code = 0;
        std::size_t index = 0;
        for (unsigned len = 1; len <= static_cast<unsigned>(kFastBits); ++len, code <<= 1) {
            for (unsigned i = 0; i < counts_[len]; ++i, ++code, ++index) {
                unsigned reversed = 0;
                for (unsigned b = 0; b < len; ++b)
                    reversed |= ((code >> b) & 1) << (len - 1 - b);
                const auto entry = static_cast<std::uint16_t>(unsigned{symbols_[index]} << 4 | len);
                for (unsigned k = reversed; k < fast_.size(); k += 1u << len)
                    fast_[k] = entry;
            }
        }
    }

    int decode(BitReader& in) const {
        const auto entry = fast_[in.peek(kFastBits)];
        if (entry != 0) {
            in.skip(entry & 15);
            return entry >> 4;
        }
        unsigned code = 0, first = 0;
        std::size_t index = 0;
        for (std::size_t len = 1; len <= kMaxCodeLength; ++len) {
            code |= in.take(1);
            const unsigned count = counts_[len];
            if (code - first < count) return symbols_[index + code - first];
            index += count;
            first = (first + count) << 1;
            code <<= 1;
        }
        fail(kDamaged); // a bit pattern the code does not use
    }

private:
    std::array<std::uint16_t, kMaxCodeLength + 1> counts_{};
    std::array<std::uint16_t, 288> symbols_{};                      // by code length, then by value
    std::array<std::uint16_t, std::size_t{1} << kFastBits> fast_{}; // symbol << 4 | length; 0 if longer
};

constexpr std::uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                           31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                           2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::uint16_t kDistanceBase[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                             33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                             1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                             6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

void fixed_codes(Huffman& literals, Huffman& distances) {
    std::array<std::uint8_t, 288> lengths{};
    std::fill(lengths.begin(), lengths.begin() + 144, std::uint8_t{8});
    std::fill(lengths.begin() + 144, lengths.begin() + 256, std::uint8_t{9});
    std::fill(lengths.begin() + 256, lengths.begin() + 280, std::uint8_t{7});
    std::fill(lengths.begin() + 280, lengths.end(), std::uint8_t{8});
    literals.build(lengths.data(), 288);
    // All 32 five-bit distance codes take part, though 30 and 31 never mean a distance.
    lengths.fill(5);
    distances.build(lengths.data(), 32);
}

void dynamic_codes(BitReader& in, Huffman& literals, Huffman& distances) {
    const std::size_t literal_count = in.take(5) + 257;
    const std::size_t distance_count = in.take(5) + 1;
    const std::size_t length_code_count = in.take(4) + 4;
    if (literal_count > 286 || distance_count > 30) fail(kDamaged);

    // The code lengths are themselves Huffman coded, their own lengths sent in this order.
    static constexpr std::uint8_t kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    std::array<std::uint8_t, 19> length_lengths{};
    for (std::size_t i = 0; i < length_code_count; ++i)
        length_lengths[kOrder[i]] = static_cast<std::uint8_t>(in.take(3));
    Huffman length_code;
    length_code.build(length_lengths.data(), 19);

    // 16 repeats the previous length, 17 and 18 repeat zero.
    std::array<std::uint8_t, 286 + 30> lengths{};
    const std::size_t total = literal_count + distance_count;
    for (std::size_t i = 0; i < total;) {
        const int symbol = length_code.decode(in);
        if (symbol < 16) {
            lengths[i++] = static_cast<std::uint8_t>(symbol);
            continue;
        }
        std::uint8_t value = 0;
        std::size_t repeat = 0;
        if (symbol == 16) {
            if (i == 0) fail(kDamaged);
            value = lengths[i - 1];
            repeat = 3 + in.take(2);
        } else if (symbol == 17) {
            repeat = 3 + in.take(3);
        } else {
            repeat = 11 + in.take(7);
        }
        if (repeat > total - i) fail(kDamaged);
        std::fill_n(lengths.begin() + static_cast<std::ptrdiff_t>(i), repeat, value);
        i += repeat;
    }
    if (lengths[256] == 0) fail(kDamaged); // a block that could never end
    literals.build(lengths.data(), literal_count);
    distances.build(lengths.data() + literal_count, distance_count);
}

// Decodes one Huffman-coded block into out from position `size`; returns the new size.
std::size_t inflate_block(BitReader& in, const Huffman& literals, const Huffman& distances, std::span<std::uint8_t> out,
                          std::size_t size) {
    for (;;) {
        int symbol = literals.decode(in);
        if (symbol < 256) {
            if (size == out.size()) fail(kWrongSize);
            out[size++] = static_cast<std::uint8_t>(symbol);
            continue;
        }
        if (symbol == 256) return size;
        symbol -= 257;
        if (symbol >= 29) fail(kDamaged);
        const std::size_t length = kLengthBase[symbol] + in.take(kLengthExtra[symbol]);
        const int code = distances.decode(in);
        if (code >= 30) fail(kDamaged);
        const std::size_t distance = kDistanceBase[code] + in.take(kDistanceExtra[code]);
        if (distance > size) fail(kDamaged);
        if (out.size() - size < length) fail(kWrongSize);
        // Byte by byte: the copy may overlap what it is writing.
        std::uint8_t* to = out.data() + size;
        const std::uint8_t* from = to - distance;
        for (std::size_t i = 0; i < length; ++i)
            to[i] = from[i];
        size += length;
    }
}

// Inflates a zlib stream into out, which it must fill exactly.
void inflate_zlib(std::span<const std::uint8_t> data, std::span<std::uint8_t> out) {
    if (data.size() < 2) fail(kEndsEarly);
    const unsigned method = data[0], flags = data[1];
    if ((method & 15) != 8 || (method >> 4) > 7 || (method << 8 | flags) % 31 != 0 || (flags & 0x20) != 0)
        fail(L"its compressed data is not in a form the program knows");

    BitReader in(data.subspan(2));
    Huffman literals, distances;
    std::size_t size = 0;
    bool last = false;
    while (!last) {
        last = in.take(1) != 0;
        const auto type = in.take(2);
        if (type == 0) {
            in.align();
            const auto length = in.take(16);
            if (in.take(16) != (length ^ 0xFFFF)) fail(kDamaged);
            if (out.size() - size < length) fail(kWrongSize);
            const auto stored = in.take_bytes(length);
            std::copy(stored.begin(), stored.end(), out.begin() + static_cast<std::ptrdiff_t>(size));
            size += length;
            continue;
        }
        if (type == 1)
            fixed_codes(literals, distances);
        else if (type == 2)
            dynamic_codes(in, literals, distances);
        else
            fail(kDamaged);
        size = inflate_block(in, literals, distances, out, size);
    }
    if (size != out.size()) fail(kWrongSize);
    in.align();
    if (read_be32(in.take_bytes(4).data()) != adler32(out)) fail(L"its pixel data does not match its checksum");
}

std::uint8_t paeth(int a, int b, int c) {
    // The neighbour nearest to a + b - c, ties going to the left, then the one above.
    const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
    return static_cast<std::uint8_t>(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// Undoes each row's filter in place. A row's first `unit` bytes have no left
// neighbour and the first row has no row above: both count as zeros.
void unfilter(std::span<std::uint8_t> raw, std::size_t stride, std::size_t unit, int height) {
    const std::vector<std::uint8_t> zeros(stride);
    const std::uint8_t* up = zeros.data();
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = raw.data() + static_cast<std::size_t>(y) * (stride + 1);
        const auto filter = *row++;
        const auto add = [&](std::size_t i, int value) { row[i] = static_cast<std::uint8_t>(row[i] + value); };
        switch (filter) {
        case 0:
            break;
        case 1:
            for (std::size_t i = unit; i < stride; ++i)
                add(i, row[i - unit]);
            break;
        case 2:
            for (std::size_t i = 0; i < stride; ++i)
                add(i, up[i]);
            break;
        case 3:
            for (std::size_t i = 0; i < unit; ++i)
                add(i, up[i] / 2);
            for (std::size_t i = unit; i < stride; ++i)
                add(i, (row[i - unit] + up[i]) / 2);
            break;
        case 4:
            for (std::size_t i = 0; i < unit; ++i)
                add(i, up[i]);
            for (std::size_t i = unit; i < stride; ++i)
                add(i, paeth(row[i - unit], up[i], up[i - unit]));
            break;
        default:
            fail(L"its pixel data is damaged");
        }
        up = row;
    }
}

void put_pixel(std::uint8_t* out, unsigned r, unsigned g, unsigned b, unsigned a) {
    out[0] = static_cast<std::uint8_t>((b * a + 127) / 255);
    out[1] = static_cast<std::uint8_t>((g * a + 127) / 255);
    out[2] = static_cast<std::uint8_t>((r * a + 127) / 255);
    out[3] = static_cast<std::uint8_t>(a);
}

struct Header {
    std::uint32_t width = 0, height = 0;
    int depth = 0, colour = 0;
};

Header read_header(std::span<const std::uint8_t> data) {
    if (data.size() != 13) fail(L"its header is damaged");
    Header h{read_be32(&data[0]), read_be32(&data[4]), data[8], data[9]};
    if (h.width == 0 || h.height == 0) fail(L"it has no pixels");
    if (h.width > kMaxSide || h.height > kMaxSide || std::uint64_t{h.width} * h.height > kMaxPixels)
        fail(L"it is too large");
    if (data[10] != 0 || data[11] != 0) fail(L"its compression or filter method is unknown");
    if (data[12] == 1) fail(L"interlaced pictures are not supported");
    if (data[12] != 0) fail(L"its header is damaged");
    if (h.depth == 16) fail(L"16 bits a channel is not supported");
    const bool palette_depth = h.depth == 1 || h.depth == 2 || h.depth == 4 || h.depth == 8;
    const bool supported = h.colour == 3
                               ? palette_depth
                               : h.depth == 8 && (h.colour == 0 || h.colour == 2 || h.colour == 4 || h.colour == 6);
    if (!supported) fail(L"its colour format is not supported");
    return h;
}

} // namespace

Image decode_png(std::span<const std::uint8_t> bytes) {
    static constexpr std::uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
    if (bytes.size() < 8 || !std::equal(std::begin(kSignature), std::end(kSignature), bytes.begin()))
        fail(L"it does not start as a PNG does");

    Header header;
    bool have_header = false, have_data = false;
    std::vector<std::uint8_t> compressed;
    std::array<std::uint8_t, 256 * 4> palette{}; // red, green, blue, alpha
    std::size_t palette_size = 0;
    int key[3] = {-1, -1, -1}; // the colour that tRNS makes transparent, for grey and RGB
    std::size_t pos = 8;
    for (;;) {
        if (bytes.size() - pos < 12) fail(kEndsEarly);
        const std::uint32_t length = read_be32(&bytes[pos]);
        if (length > 0x7FFFFFFF || bytes.size() - pos - 12 < length) fail(kEndsEarly);
        const auto typed = bytes.subspan(pos + 4, std::size_t{length} + 4);
        if (crc32(typed) != read_be32(&bytes[pos + 8 + length])) fail(L"a part of it is damaged");
        pos += std::size_t{length} + 12;
        const std::string_view type(reinterpret_cast<const char*>(typed.data()), 4);
        const auto data = typed.subspan(4);
        for (const char c : type)
            if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) fail(L"a part of it is damaged");
        if (have_header == (type == "IHDR")) fail(L"it does not begin with exactly one header");

        if (type == "IHDR") {
            header = read_header(data);
            have_header = true;
        } else if (type == "PLTE") {
            if (palette_size != 0 || have_data || length % 3 != 0 || length == 0 || length > 256 * 3)
                fail(L"its palette is damaged");
            palette_size = length / 3;
            for (std::size_t i = 0; i < palette_size; ++i) {
                std::copy_n(&data[i * 3], 3, &palette[i * 4]);
                palette[i * 4 + 3] = 255;
            }
        } else if (type == "tRNS") {
            if (have_data) fail(L"its transparency is damaged");
            if (header.colour == 3) {
                if (palette_size == 0 || length > palette_size) fail(L"its transparency is damaged");
                for (std::size_t i = 0; i < length; ++i)
                    palette[i * 4 + 3] = data[i];
            } else if (header.colour == 0 || header.colour == 2) {
                const std::size_t samples = header.colour == 0 ? 1 : 3;
                if (length != samples * 2) fail(L"its transparency is damaged");
                for (std::size_t i = 0; i < samples; ++i)
                    key[i] = data[i * 2] << 8 | data[i * 2 + 1];
            }
        } else if (type == "IDAT") {
            if (header.colour == 3 && palette_size == 0) fail(L"its palette is missing");
            compressed.insert(compressed.end(), data.begin(), data.end());
            have_data = true;
        } else if (type == "IEND") {
            break;
        } else if ((type[0] & 0x20) == 0) {
            // A lower-case first letter marks a part a reader may skip; any other part is needed to draw it.
            fail(L"it has a part the program does not know");
        }
    }
    if (!have_data) fail(L"it has no pixel data");

    static constexpr int kChannels[7] = {1, 0, 3, 1, 2, 0, 4};
    const auto bits_per_pixel = static_cast<std::size_t>(kChannels[header.colour] * header.depth);
    const std::size_t stride = (header.width * bits_per_pixel + 7) / 8;
    std::vector<std::uint8_t> raw((stride + 1) * header.height);
    inflate_zlib(compressed, raw);
    unfilter(raw, stride, std::max<std::size_t>(1, bits_per_pixel / 8), static_cast<int>(header.height));

    Image image;
    image.width = static_cast<int>(header.width);
    image.height = static_cast<int>(header.height);
    image.pixels.resize(std::size_t{header.width} * header.height * 4);
    const unsigned depth = static_cast<unsigned>(header.depth);
    for (std::size_t y = 0; y < header.height; ++y) {
        const std::uint8_t* row = &raw[y * (stride + 1) + 1];
        std::uint8_t* out = &image.pixels[y * header.width * 4];
        for (std::size_t x = 0; x < header.width; ++x, out += 4) {
            switch (header.colour) {
            case 0: {
                const unsigned v = row[x];
                put_pixel(out, v, v, v, static_cast<int>(v) == key[0] ? 0 : 255);
                break;
            }
            case 2: {
                const std::uint8_t* p = &row[x * 3];
                const bool keyed = p[0] == key[0] && p[1] == key[1] && p[2] == key[2];
                put_pixel(out, p[0], p[1], p[2], keyed ? 0 : 255);
                break;
            }
            case 3: {
                // Pixels narrower than a byte are packed from its high bits down.
                const std::size_t bit = x * depth;
                const unsigned index = (row[bit / 8] >> (8 - depth - bit % 8)) & ((1u << depth) - 1);
                if (index >= palette_size) fail(L"a pixel names a colour its palette does not have");
                const std::uint8_t* p = &palette[index * 4];
                put_pixel(out, p[0], p[1], p[2], p[3]);
                break;
            }
            case 4:
                put_pixel(out, row[x * 2], row[x * 2], row[x * 2], row[x * 2 + 1]);
                break;
            default:
                put_pixel(out, row[x * 4], row[x * 4 + 1], row[x * 4 + 2], row[x * 4 + 3]);
                break;
            }
        }
    }
    return image;
}

namespace {

// Which source pixels each destination pixel covers along one axis, and how
// much of each. Measured so that source pixel j spans [j*to, (j+1)*to) and
// destination pixel i spans [i*from, (i+1)*from): every overlap is a whole
// number, and each destination pixel's weights add up to `from`.
struct Coverage {
    std::vector<std::size_t> first; // the first source pixel of each destination pixel
    std::vector<std::size_t> start; // where its weights begin; one more entry ends the last
    std::vector<std::uint32_t> weights;
};

Coverage coverage(int from, int to) {
    const auto source = static_cast<std::uint32_t>(from), destination = static_cast<std::uint32_t>(to);
    Coverage c;
    c.weights.reserve(std::size_t{source} + destination);
    for (std::uint32_t i = 0; i < destination; ++i) {
        const std::uint32_t lo = i * source, hi = lo + source;
        c.first.push_back(lo / destination);
        c.start.push_back(c.weights.size());
        for (std::uint32_t j = lo / destination; j * destination < hi; ++j)
            c.weights.push_back(std::min(hi, (j + 1) * destination) - std::max(lo, j * destination));
    }
    c.start.push_back(c.weights.size());
    return c;
}

} // namespace

Image resize_image(const Image& image, int width, int height) {
    if (image.width < 1 || image.height < 1 ||
        image.pixels.size() !=
            std::size_t{static_cast<std::uint32_t>(image.width)} * static_cast<std::uint32_t>(image.height) * 4)
        throw Error(L"The picture to scale is empty or damaged.");
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide ||
        std::uint64_t{static_cast<std::uint32_t>(width)} * static_cast<std::uint32_t>(height) > kMaxPixels)
        throw Error(L"The picture cannot be scaled to " + std::to_wstring(width) + L" by " + std::to_wstring(height) +
                    L" pixels.");
    if (width == image.width && height == image.height) return image;

    const auto columns = coverage(image.width, width);
    const auto rows = coverage(image.height, height);
    const std::size_t source_width = static_cast<std::size_t>(image.width);
    // Every destination pixel's weights add up to this.
    const std::uint64_t total = std::uint64_t{source_width} * static_cast<std::uint32_t>(image.height);

    Image out;
    out.width = width;
    out.height = height;
    out.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    // One destination row at a time: first the source rows it covers, blended
    // column by column, then that line's columns blended into its pixels. The
    // colours are premultiplied, so a transparent pixel adds nothing to them.
    std::vector<std::uint32_t> line(source_width * 4);
    std::uint8_t* to = out.pixels.data();
    for (std::size_t y = 0; y < static_cast<std::size_t>(height); ++y) {
        std::fill(line.begin(), line.end(), 0u);
        for (std::size_t k = rows.start[y]; k < rows.start[y + 1]; ++k) {
            const std::uint32_t weight = rows.weights[k];
            const std::uint8_t* from = &image.pixels[(rows.first[y] + k - rows.start[y]) * source_width * 4];
            for (std::size_t i = 0; i < line.size(); ++i)
                line[i] += weight * from[i];
        }
        for (std::size_t x = 0; x < static_cast<std::size_t>(width); ++x, to += 4) {
            std::uint64_t sum[4] = {};
            for (std::size_t k = columns.start[x]; k < columns.start[x + 1]; ++k) {
                const std::uint32_t* p = &line[(columns.first[x] + k - columns.start[x]) * 4];
                for (int c = 0; c < 4; ++c)
                    sum[c] += std::uint64_t{columns.weights[k]} * p[c];
            }
            for (int c = 0; c < 4; ++c)
                to[c] = static_cast<std::uint8_t>((sum[c] + total / 2) / total);
        }
    }
    return out;
}

} // namespace vx
