#!/usr/bin/env python3
"""Packs a picture into a Windows icon file with ten images.

16 x 16, 32 x 32 and 48 x 48 each at 4, 8 and 32 bits per pixel, as BMP
entries with their AND masks, plus 256 x 256 at 32 bits per pixel as a PNG
entry. The palettes of the 4- and 8-bit images are chosen from the picture's
own colours (median cut); a pixel less than half opaque is transparent there.

    ico.py PICTURE.png OUTPUT.ico

The scaled pixels come from ImageMagick's `convert`.
"""

import struct
import subprocess
import sys

SIZES = (16, 32, 48)


def rgba_pixels(picture, size):
    """Rows from the top, each pixel (r, g, b, a)."""
    raw = subprocess.run(
        ["convert", picture, "-resize", f"{size}x{size}", "-depth", "8", "rgba:-"],
        check=True, capture_output=True).stdout
    if len(raw) != size * size * 4:
        raise SystemExit(f"unexpected pixel data for {size} x {size}")
    return [tuple(raw[i:i + 4]) for i in range(0, len(raw), 4)]


def png_bytes(picture, size):
    return subprocess.run(
        ["convert", picture, "-resize", f"{size}x{size}", "-strip",
         "-define", "png:exclude-chunk=date,time,text,ztxt,itxt", "png32:-"],
        check=True, capture_output=True).stdout


def median_cut(colours, count):
    """A palette of at most `count` colours for the given (r, g, b) list."""
    boxes = [sorted(set(colours))] if colours else [[(0, 0, 0)]]
    while len(boxes) < count:
        # Split the box with the widest channel range.
        best, best_range, best_channel = None, -1, 0
        for index, box in enumerate(boxes):
            if len(box) < 2:
                continue
            for channel in range(3):
                values = [c[channel] for c in box]
                spread = max(values) - min(values)
                if spread > best_range:
                    best, best_range, best_channel = index, spread, channel
        if best is None:
            break
        box = sorted(boxes.pop(best), key=lambda c: c[best_channel])
        middle = len(box) // 2
        boxes += [box[:middle], box[middle:]]
    palette = []
    for box in boxes:
        n = len(box)
        palette.append(tuple(round(sum(c[i] for c in box) / n) for i in range(3)))
    return palette


def nearest(palette, colour, cache):
    found = cache.get(colour)
    if found is None:
        found = min(range(len(palette)),
                    key=lambda i: sum((palette[i][k] - colour[k]) ** 2 for k in range(3)))
        cache[colour] = found
    return found


def and_mask(pixels, size):
    """1 bit per pixel, rows from the bottom, each row padded to 32 bits: 1 = transparent."""
    row_bytes = ((size + 31) // 32) * 4
    data = bytearray()
    for y in reversed(range(size)):
        row = bytearray(row_bytes)
        for x in range(size):
            if pixels[y * size + x][3] < 128:
                row[x // 8] |= 0x80 >> (x % 8)
        data += row
    return bytes(data)


def bitmap_header(size, bits, colours_used):
    # The height counts the colour image and the mask together.
    return struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, 0, 0, 0, colours_used, 0)


def true_colour_entry(pixels, size):
    data = bytearray()
    for y in reversed(range(size)):
        for x in range(size):
            r, g, b, a = pixels[y * size + x]
            data += bytes((b, g, r, a))
    return bitmap_header(size, 32, 0) + bytes(data) + and_mask(pixels, size)


def palette_entry(pixels, size, bits):
    count = 1 << bits
    opaque = [p[:3] for p in pixels if p[3] >= 128]
    # Index 0 stays black: transparent pixels draw it through their mask bit,
    # which leaves the background as it is.
    palette = [(0, 0, 0)] + median_cut(opaque, count - 1)
    palette += [(0, 0, 0)] * (count - len(palette))
    cache = {}
    indices = [nearest(palette[1:], p[:3], cache) + 1 if p[3] >= 128 else 0 for p in pixels]
    row_bytes = ((size * bits + 31) // 32) * 4
    data = bytearray()
    for y in reversed(range(size)):
        row = bytearray(row_bytes)
        for x in range(size):
            index = indices[y * size + x]
            if bits == 8:
                row[x] = index
            else:
                row[x // 2] |= index << (4 if x % 2 == 0 else 0)
        data += row
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    return bitmap_header(size, bits, count) + table + bytes(data) + and_mask(pixels, size)


def main():
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    picture, output = sys.argv[1:]
    entries = [(256, 32, 0, png_bytes(picture, 256))]
    for bits in (32, 8, 4):
        for size in reversed(SIZES):
            pixels = rgba_pixels(picture, size)
            if bits == 32:
                entries.append((size, 32, 0, true_colour_entry(pixels, size)))
            else:
                entries.append((size, bits, 16 if bits == 4 else 0, palette_entry(pixels, size, bits)))

    directory = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    images = b""
    for size, bits, colour_count, data in entries:
        dimension = 0 if size == 256 else size
        directory += struct.pack("<BBBBHHII", dimension, dimension, colour_count, 0, 1, bits, len(data), offset)
        offset += len(data)
        images += data
    with open(output, "wb") as file:
        file.write(directory + images)


if __name__ == "__main__":
    main()
