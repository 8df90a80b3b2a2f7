#include "platform/gfx/pcx_image.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "platform/gfx/bitmap.h"
#include "platform/gfx/picture.h"
#include "platform/rtl/exceptions.h"

namespace {

constexpr std::size_t kHeaderSize = 128;
constexpr std::size_t kPaletteSize = 769;  // 0x0C and 256 RGB entries at the end of the file

[[noreturn]] void BadPcx(const char* why) { throw EInvalidGraphic(std::string("PCX image is not valid: ") + why); }

int Word(const BYTE* d, std::size_t at) { return d[at] | (d[at + 1] << 8); }

}  // namespace

void LoadPcxBitmap(const BYTE* d, std::size_t size, TBitmap& dest) {
  if (size < kHeaderSize || d[0] != 0x0A) BadPcx("no PCX header");
  if (d[2] != 1) BadPcx("unknown encoding");
  int bits = d[3], planes = d[65];
  int xmin = Word(d, 4), ymin = Word(d, 6), xmax = Word(d, 8), ymax = Word(d, 10);
  if (xmax < xmin || ymax < ymin) BadPcx("bad image size");
  int width = xmax - xmin + 1, height = ymax - ymin + 1;
  CheckPictureSize(width, height);
  int bytesPerLine = Word(d, 66);
  bool mono = bits == 1 && planes == 1, planar16 = bits == 1 && planes >= 2 && planes <= 4;
  bool packed16 = bits == 4 && planes == 1, indexed = bits == 8 && planes == 1, rgb = bits == 8 && planes == 3;
  if (!mono && !planar16 && !packed16 && !indexed && !rgb) BadPcx("unsupported colour format");
  long long needed = (static_cast<long long>(width) * bits + 7) / 8;
  if (bytesPerLine < needed) BadPcx("bad bytes per line");

  // The colours of an indexed image.
  std::array<COLORREF, 256> palette{};
  std::size_t end = size;
  bool greyWithoutPalette = false;
  if (mono) {
    palette[0] = RGB(0, 0, 0);
    palette[1] = RGB(255, 255, 255);
  } else if (planar16 || packed16) {
    for (std::size_t i = 0; i < 16; ++i) palette[i] = RGB(d[16 + 3 * i], d[17 + 3 * i], d[18 + 3 * i]);
  } else if (indexed) {
    if (size >= kHeaderSize + kPaletteSize && d[size - kPaletteSize] == 0x0C) {
      const BYTE* p = d + size - kPaletteSize + 1;
      for (std::size_t i = 0; i < 256; ++i) palette[i] = RGB(p[3 * i], p[3 * i + 1], p[3 * i + 2]);
      end = size - kPaletteSize;
    } else {
      for (std::size_t i = 0; i < 256; ++i) palette[i] = RGB(i, i, i);
      greyWithoutPalette = true;
    }
  }

  // The run-length data of every plane of every row, as one stream.
  std::size_t lineBytes = static_cast<std::size_t>(bytesPerLine) * static_cast<std::size_t>(planes);
  std::size_t total = lineBytes * static_cast<std::size_t>(height);
  if (total > kMaxPictureBytes) BadPcx("image too large");
  // Every two bytes of data give at most 63 bytes of image: a short file cannot claim more.
  if (total / 63 > end - kHeaderSize) BadPcx("data ends early");
  // One decoded line at a time; a run may go on into the next line.
  std::vector<BYTE> line(lineBytes);
  std::size_t at = kHeaderSize, runLeft = 0, done = 0;
  BYTE runValue = 0;
  TBitmap image(width, height, pf24bit);
  for (int y = 0; y < height; ++y) {
    for (std::size_t n = 0; n < lineBytes;) {
      if (runLeft > 0) {
        std::size_t k = std::min(runLeft, lineBytes - n);
        std::fill_n(line.data() + n, k, runValue);
        n += k;
        runLeft -= k;
        continue;
      }
      if (at >= end) BadPcx("data ends early");
      BYTE b = d[at++];
      if ((b & 0xC0) == 0xC0) {
        if (at >= end) BadPcx("data ends early");
        runLeft = b & 0x3F;
        runValue = d[at++];
        if (runLeft > total - done - n) BadPcx("run past the end of the image");
      } else {
        line[n++] = b;
      }
    }
    done += lineBytes;
    BYTE* p = image.ScanLine(y);
    for (int x = 0; x < width; ++x, p += 3) {
      COLORREF c;
      if (rgb) {
        p[2] = line[static_cast<std::size_t>(x)];
        p[1] = line[static_cast<std::size_t>(bytesPerLine + x)];
        p[0] = line[static_cast<std::size_t>(2 * bytesPerLine + x)];
        continue;
      }
      if (indexed) {
        c = palette[line[static_cast<std::size_t>(x)]];
      } else if (packed16) {
        c = palette[(x % 2 == 0) ? line[static_cast<std::size_t>(x / 2)] >> 4 : line[static_cast<std::size_t>(x / 2)] & 0xF];
      } else {
        unsigned index = 0;
        for (int plane = 0; plane < planes; ++plane)
          index |= ((line[static_cast<std::size_t>(plane * bytesPerLine + x / 8)] >> (7 - x % 8)) & 1u) << plane;
        c = palette[index];
      }
      p[0] = GetBValue(c);
      p[1] = GetGValue(c);
      p[2] = GetRValue(c);
    }
  }
  // Bytes after the image that are no palette: the palette was cut off.
  if (greyWithoutPalette && at < end) BadPcx("palette ends early");

  dest.Assign(std::move(image));
}
