#!/usr/bin/env python3
"""Writes sample pictures with PIL for the picture tests, and reads pictures we wrote.

  picture_samples.py make DIR   writes the samples into DIR, each with DIR/<name>.rgb: PIL's own
                                reading of it ("W H\n" then R,G,B bytes; GIF adds a fourth byte,
                                255 where the pixel shows, 0 where it is transparent)
  picture_samples.py dump FILE OUT   writes PIL's reading of FILE as above
"""
import struct
import sys

from PIL import Image


def pattern(w, h):
    im = Image.new("RGB", (w, h))
    for y in range(h):
        for x in range(w):
            im.putpixel((x, y), ((x * 37 + y * 3) % 256, (y * 23 + x) % 256, ((x ^ y) * 11) % 256))
    return im


def smooth(w, h):
    im = Image.new("RGB", (w, h))
    for y in range(h):
        for x in range(w):
            im.putpixel((x, y), (x * 255 // (w - 1), y * 255 // (h - 1), (x + y) * 255 // (w + h - 2)))
    return im


def dump(im, out, mask=None):
    rgb = im.convert("RGB")
    w, h = rgb.size
    data = bytearray()
    for y in range(h):
        for x in range(w):
            data += bytes(rgb.getpixel((x, y)))
            if mask is not None:
                data.append(255 if mask(x, y) else 0)
    with open(out, "wb") as f:
        f.write(b"%d %d\n" % (w, h))
        f.write(data)


def rle(rows):
    """PCX run-length coding of each row (runs never cross a row)."""
    out = bytearray()
    for row in rows:
        i = 0
        while i < len(row):
            v, n = row[i], 1
            while i + n < len(row) and row[i + n] == v and n < 63:
                n += 1
            if n > 1 or v >= 0xC0:
                out += bytes([0xC0 | n, v])
            else:
                out.append(v)
            i += n
    return bytes(out)


def pcx16(path, w, h, planar):
    """A 16-colour PCX: 4 bits packed in one plane, or 1 bit in each of 4 planes."""
    palette = [(i * 16, 255 - i * 16, (i * 80) % 256) for i in range(16)]
    index = [[(x * 3 + y * 5) % 16 for x in range(w)] for y in range(h)]
    if planar:
        bpl = (w + 7) // 8
        bpl += bpl % 2
        rows = []
        for y in range(h):
            line = bytearray()
            for plane in range(4):
                b = bytearray(bpl)
                for x in range(w):
                    if (index[y][x] >> plane) & 1:
                        b[x // 8] |= 0x80 >> (x % 8)
                line += b
            rows.append(bytes(line))
        bits, planes = 1, 4
    else:
        bpl = (w + 1) // 2
        bpl += bpl % 2
        rows = []
        for y in range(h):
            b = bytearray(bpl)
            for x in range(w):
                b[x // 2] |= index[y][x] << (4 if x % 2 == 0 else 0)
            rows.append(bytes(b))
        bits, planes = 4, 1
    header = struct.pack("<BBBBHHHHHH", 10, 5, 1, bits, 0, 0, w - 1, h - 1, 72, 72)
    header += bytes(c for rgb in palette for c in rgb)
    header += struct.pack("<BBHH", 0, planes, bpl, 1)
    header += bytes(128 - len(header))
    with open(path, "wb") as f:
        f.write(header + rle(rows))
    im = Image.new("RGB", (w, h))
    for y in range(h):
        for x in range(w):
            im.putpixel((x, y), palette[index[y][x]])
    return im


def make(d):
    src = pattern(37, 23)
    pal = src.convert("P", palette=Image.ADAPTIVE, colors=200)

    # GIF: plain, interlaced, transparent (index 0 clear).
    for name, opts in (("plain", {"interlace": False}), ("interlaced", {"interlace": True}),
                       ("transparent", {"interlace": True, "transparency": 0})):
        path = "%s/%s.gif" % (d, name)
        pal.save(path, "GIF", **opts)
        back = Image.open(path)
        clear = back.info.get("transparency")
        idx = back.convert("P") if back.mode != "P" else back
        dump(back, path + ".rgb", mask=lambda x, y: clear is None or idx.getpixel((x, y)) != clear)

    # PCX at 1, 4 (packed and planar), 8 (palette and grey) and 24 bits.
    for name, im in (("mono", src.convert("1")), ("palette", pal), ("grey", src.convert("L")), ("rgb", src)):
        path = "%s/%s.pcx" % (d, name)
        im.save(path, "PCX")
        dump(Image.open(path), path + ".rgb")
    for name, planar in (("nibbles", False), ("planes", True)):
        path = "%s/%s.pcx" % (d, name)
        dump(pcx16(path, 21, 9, planar), path + ".rgb")

    # BMP at 1, 8 and 24 bits.
    for name, im in (("mono", src.convert("1")), ("palette", pal), ("rgb", src)):
        path = "%s/%s.bmp" % (d, name)
        im.save(path, "BMP")
        dump(Image.open(path), path + ".rgb")

    # ICO: BMP-encoded 16 and 32 pixel images with alpha; one with PNG images only.
    icon = Image.new("RGBA", (32, 32), (0, 0, 0, 0))
    for y in range(32):
        for x in range(32):
            if (x - 16) ** 2 + (y - 16) ** 2 < 150:
                icon.putpixel((x, y), (x * 8, 255 - y * 8, 90, 255))
    icon.save("%s/bmp.ico" % d, "ICO", sizes=[(16, 16), (32, 32)], bitmap_format="bmp")
    icon.save("%s/png.ico" % d, "ICO", sizes=[(16, 16), (32, 32)])
    with open("%s/bmp.ico.rgb" % d, "wb") as f:  # the 32 pixel image with its alpha
        f.write(b"32 32\n" + bytes(c for y in range(32) for x in range(32) for c in icon.getpixel((x, y))))

    # JPEG: baseline and progressive.
    jpeg = smooth(64, 48)
    for name, opts in (("baseline", {}), ("progressive", {"progressive": True})):
        path = "%s/%s.jpg" % (d, name)
        jpeg.save(path, "JPEG", quality=92, **opts)
        dump(Image.open(path), path + ".rgb")


if __name__ == "__main__":
    if sys.argv[1] == "make":
        make(sys.argv[2])
    else:
        im = Image.open(sys.argv[2])
        im.load()
        dump(im, sys.argv[3])
