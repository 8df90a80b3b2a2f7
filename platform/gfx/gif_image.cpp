#include "platform/gfx/gif_image.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "platform/gfx/bitmap.h"
#include "platform/gfx/picture.h"
#include "platform/rtl/exceptions.h"

std::vector<int> GifRowOrder(int height, bool interlaced) {
  std::vector<int> rows;
  rows.reserve(static_cast<std::size_t>(std::max(height, 0)));
  if (!interlaced) {
    for (int y = 0; y < height; ++y) rows.push_back(y);
    return rows;
  }
  static const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass)
    for (int y = start[pass]; y < height; y += step[pass]) rows.push_back(y);
  return rows;
}

namespace {

[[noreturn]] void BadGif(const char* why) { throw EInvalidGraphic(std::string("GIF image is not valid: ") + why); }

class TGifReader {
public:
  TGifReader(const BYTE* data, std::size_t size) : FData(data), FSize(size) {}
  std::size_t Left() const { return FSize - FAt; }
  void Need(std::size_t n) const {
    if (n > Left()) BadGif("unexpected end of data");
  }
  int Byte() {
    Need(1);
    return FData[FAt++];
  }
  int Word() {
    Need(2);
    int w = FData[FAt] | (FData[FAt + 1] << 8);
    FAt += 2;
    return w;
  }
  const BYTE* Take(std::size_t n) {
    Need(n);
    const BYTE* p = FData + FAt;
    FAt += n;
    return p;
  }
  // Sub-blocks up to the zero-length one, appended to `out` (when given).
  void SubBlocks(std::vector<BYTE>* out) {
    for (;;) {
      int n = Byte();
      if (n == 0) return;
      const BYTE* p = Take(static_cast<std::size_t>(n));
      if (out) out->insert(out->end(), p, p + n);
    }
  }

private:
  const BYTE* FData;
  std::size_t FSize;
  std::size_t FAt = 0;
};

using TColorTable = std::vector<COLORREF>;

TColorTable ReadColorTable(TGifReader& in, int packed) {
  std::size_t count = std::size_t{1} << ((packed & 7) + 1);
  const BYTE* p = in.Take(count * 3);
  TColorTable table(count);
  for (std::size_t i = 0; i < count; ++i) table[i] = RGB(p[3 * i], p[3 * i + 1], p[3 * i + 2]);
  return table;
}

// GIF's variable-width LZW: codes packed least-significant bit first, up to 12 bits.
void DecodeLzw(const std::vector<BYTE>& data, int minCodeSize, std::vector<BYTE>& out) {
  constexpr int kMaxCodes = 4096;
  std::array<std::uint16_t, kMaxCodes> prefix{};
  std::array<BYTE, kMaxCodes> suffix{};
  std::array<BYTE, kMaxCodes> first{};
  std::array<std::uint16_t, kMaxCodes> length{};
  const int clear = 1 << minCodeSize, end = clear + 1;
  for (int c = 0; c < clear; ++c) {
    suffix[c] = first[c] = static_cast<BYTE>(c);
    length[c] = 1;
  }
  int codeSize = minCodeSize + 1, next = clear + 2, prev = -1;
  std::size_t total = out.size(), written = 0, at = 0;
  std::uint32_t bits = 0;
  int bitCount = 0;

  // Writes the string of `code` at the output position; what goes past the frame is dropped.
  auto emit = [&](int code) {
    std::size_t n = length[static_cast<std::size_t>(code)];
    for (std::size_t i = n; i-- > 0;) {
      if (written + i < total) out[written + i] = suffix[static_cast<std::size_t>(code)];
      code = prefix[static_cast<std::size_t>(code)];
    }
    written += n;
  };

  while (written < total) {
    while (bitCount < codeSize) {
      if (at >= data.size()) BadGif("image data ends early");
      bits |= static_cast<std::uint32_t>(data[at++]) << bitCount;
      bitCount += 8;
    }
    int code = static_cast<int>(bits & ((1u << codeSize) - 1));
    bits >>= codeSize;
    bitCount -= codeSize;

    if (code == clear) {
      codeSize = minCodeSize + 1;
      next = clear + 2;
      prev = -1;
      continue;
    }
    if (code == end) break;
    if (prev < 0) {
      if (code >= clear) BadGif("bad LZW code");
      emit(code);
      prev = code;
      continue;
    }
    BYTE head;
    if (code < next) {
      head = first[static_cast<std::size_t>(code)];
    } else if (code == next && next < kMaxCodes) {
      head = first[static_cast<std::size_t>(prev)];
    } else {
      BadGif("bad LZW code");
    }
    if (next < kMaxCodes) {
      auto n = static_cast<std::size_t>(next);
      prefix[n] = static_cast<std::uint16_t>(prev);
      suffix[n] = head;
      first[n] = first[static_cast<std::size_t>(prev)];
      length[n] = static_cast<std::uint16_t>(length[static_cast<std::size_t>(prev)] + 1);
      ++next;
      if (next == (1 << codeSize) && codeSize < 12) ++codeSize;
    }
    emit(code);
    prev = code;
  }
  if (written < total) BadGif("image data ends early");
}

// A colour that none of `used` is, near `wanted`.
COLORREF FreeColor(COLORREF wanted, const std::vector<COLORREF>& used) {
  COLORREF c = wanted;
  for (std::uint32_t step = 0; std::find(used.begin(), used.end(), c) != used.end(); ++step)
    c = (wanted ^ (step * 0x010101u + 0x000001u)) & 0xFFFFFF;
  return c;
}

}  // namespace

void LoadGifBitmap(const BYTE* data, std::size_t size, TBitmap& dest) {
  TGifReader in(data, size);
  const BYTE* sig = in.Take(6);
  if (std::memcmp(sig, "GIF87a", 6) != 0 && std::memcmp(sig, "GIF89a", 6) != 0) BadGif("no GIF signature");
  int screenW = in.Word(), screenH = in.Word();
  int packed = in.Byte();
  int background = in.Byte();
  in.Byte();  // aspect ratio
  TColorTable global;
  if (packed & 0x80) global = ReadColorTable(in, packed);

  int transparentIndex = -1;
  for (;;) {
    int block = in.Byte();
    if (block == 0x21) {
      int label = in.Byte();
      if (label == 0xF9) {
        int n = in.Byte();
        const BYTE* p = in.Take(static_cast<std::size_t>(n));
        if (n >= 4) transparentIndex = (p[0] & 1) ? p[3] : -1;
      }
      in.SubBlocks(nullptr);
      continue;
    }
    if (block == 0x3B) BadGif("no image");
    if (block != 0x2C) BadGif("unknown block");

    int left = in.Word(), top = in.Word(), w = in.Word(), h = in.Word();
    int flags = in.Byte();
    TColorTable local;
    if (flags & 0x80) local = ReadColorTable(in, flags);
    const TColorTable& table = (flags & 0x80) ? local : global;
    bool interlaced = (flags & 0x40) != 0;
    int minCodeSize = in.Byte();
    if (minCodeSize < 1 || minCodeSize > 8) BadGif("bad LZW code size");
    CheckPictureSize(w, h);
    int width = std::max(screenW, left + w), height = std::max(screenH, top + h);
    CheckPictureSize(width, height);

    std::vector<BYTE> lzw;
    in.SubBlocks(&lzw);
    // Each code (at least minCodeSize + 1 bits) gives at most 4096 pixels: a frame larger than
    // its data could hold is refused before anything is allocated for it.
    std::size_t codes = lzw.size() * 8 / static_cast<std::size_t>(minCodeSize + 1) + 1;
    if (static_cast<std::size_t>(w) * static_cast<std::size_t>(h) / 4096 > codes) BadGif("image data ends early");
    std::vector<BYTE> indices(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    DecodeLzw(lzw, minCodeSize, indices);

    // The key colour of transparent pixels: one that no visible pixel has.
    std::array<bool, 256> seen{};
    for (BYTE i : indices) seen[i] = true;
    std::vector<COLORREF> used;
    for (int i = 0; i < 256; ++i)
      if (seen[static_cast<std::size_t>(i)] && i != transparentIndex)
        used.push_back(i < static_cast<int>(table.size()) ? table[static_cast<std::size_t>(i)] : 0);
    bool transparent = transparentIndex >= 0;
    COLORREF key = 0;
    if (transparent) {
      COLORREF wanted = transparentIndex < static_cast<int>(table.size())
                            ? table[static_cast<std::size_t>(transparentIndex)]
                            : RGB(255, 0, 255);
      key = FreeColor(wanted, used);
    }
    COLORREF fill = transparent ? key
                    : background < static_cast<int>(global.size()) ? global[static_cast<std::size_t>(background)]
                                                                   : RGB(255, 255, 255);

    std::array<COLORREF, 256> colors{};
    for (std::size_t i = 0; i < 256; ++i) colors[i] = i < table.size() ? table[i] : 0;
    if (transparent) colors[static_cast<std::size_t>(transparentIndex)] = key;

    TBitmap image(width, height, pf24bit);
    for (int y = 0; y < height; ++y) {
      BYTE* p = image.ScanLine(y);
      for (int x = 0; x < width; ++x, p += 3) {
        p[0] = GetBValue(fill);
        p[1] = GetGValue(fill);
        p[2] = GetRValue(fill);
      }
    }
    std::vector<int> rows = GifRowOrder(h, interlaced);
    for (int r = 0; r < h; ++r) {
      BYTE* p = image.ScanLine(top + rows[static_cast<std::size_t>(r)]) + 3 * left;
      const BYTE* src = indices.data() + static_cast<std::size_t>(r) * w;
      for (int x = 0; x < w; ++x, p += 3) {
        COLORREF c = colors[src[x]];
        p[0] = GetBValue(c);
        p[1] = GetGValue(c);
        p[2] = GetRValue(c);
      }
    }
    if (transparent) image.SetTransparentColor(static_cast<TColor>(key));
    image.SetTransparent(transparent);
    dest.Assign(std::move(image));
    return;
  }
}
