#include "platform/gfx/icon.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/gfx/bitmap.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"

namespace {

[[noreturn]] void BadIcon(const char* why) { throw EInvalidGraphic(std::string("Icon image is not valid: ") + why); }

std::uint32_t Le32(const BYTE* p) {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
}
int Le16(const BYTE* p) { return p[0] | (p[1] << 8); }
void Put32(std::vector<BYTE>& d, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) d.push_back(static_cast<BYTE>(v >> (8 * i)));
}
void Put16(std::vector<BYTE>& d, int v) {
  d.push_back(static_cast<BYTE>(v));
  d.push_back(static_cast<BYTE>(v >> 8));
}

bool IsPng(const BYTE* p, std::size_t n) { return n >= 8 && std::memcmp(p, "\x89PNG\r\n\x1a\n", 8) == 0; }

// One image of an icon file: its device-independent bitmap (header, colours, XOR rows, AND mask).
struct TEntry {
  const BYTE* Dib;
  std::size_t Size;
  int Side;
  int Bits;
};

}  // namespace

COLORREF BlendArgb(std::uint32_t argb, COLORREF under) {
  unsigned a = argb >> 24;
  auto mix = [a](unsigned over, unsigned back) { return (over * a + back * (255 - a) + 127) / 255; };
  return RGB(mix((argb >> 16) & 0xFF, GetRValue(under)), mix((argb >> 8) & 0xFF, GetGValue(under)),
             mix(argb & 0xFF, GetBValue(under)));
}

TIcon::TIcon() = default;
TIcon::~TIcon() = default;

void TIcon::Assign(const TPersistent* source) {
  if (auto* icon = dynamic_cast<const TIcon*>(source)) {
    if (icon == this) return;
    FWidth = icon->FWidth;
    FHeight = icon->FHeight;
    FPixels = icon->FPixels;
    FFile = icon->FFile;
    Changed();
    return;
  }
  TGraphic::Assign(source);
}

void TIcon::AssignTo(TPersistent* dest) const {
  if (auto* bmp = dynamic_cast<TBitmap*>(dest)) {
    ToBitmap(*bmp, clWhite);
    return;
  }
  TGraphic::AssignTo(dest);
}

std::unique_ptr<TGraphic> TIcon::Clone() const {
  auto copy = std::make_unique<TIcon>();
  copy->Assign(this);
  return copy;
}

void TIcon::SetImage(int width, int height, std::vector<std::uint32_t> pixels) {
  if (width < 0 || height < 0 || pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
    throw EInvalidGraphic("Icon image is not valid");
  FWidth = height == 0 ? 0 : width;
  FHeight = width == 0 ? 0 : height;
  FPixels = std::move(pixels);
  FFile.clear();
  Changed();
}

std::uint32_t TIcon::PixelAt(int x, int y) const {
  if (x < 0 || y < 0 || x >= FWidth || y >= FHeight) return 0;
  return FPixels[static_cast<std::size_t>(y) * FWidth + x];
}

void TIcon::Draw(TCanvas& canvas, const TRect& rect) const {
  if (Empty() || IsRectEmpty(rect)) return;
  for (int y = rect.Top; y < rect.Bottom; ++y) {
    int sy = static_cast<int>(static_cast<long long>(y - rect.Top) * FHeight / rect.Height());
    for (int x = rect.Left; x < rect.Right; ++x) {
      int sx = static_cast<int>(static_cast<long long>(x - rect.Left) * FWidth / rect.Width());
      std::uint32_t p = PixelAt(sx, sy);
      unsigned a = p >> 24;
      if (a == 0) continue;
      COLORREF under = a == 255 ? 0 : static_cast<COLORREF>(canvas.Pixel(x, y));
      canvas.SetPixel(x, y, static_cast<TColor>(BlendArgb(p, under & 0xFFFFFF)));
    }
  }
}

void TIcon::ToBitmap(TBitmap& dest, TColor background) const {
  COLORREF back = ColorToRGB(background);
  TBitmap image(FWidth, FHeight, pf24bit);
  for (int y = 0; y < FHeight; ++y)
    for (int x = 0; x < FWidth; ++x) image.SetPixelAt(x, y, BlendArgb(PixelAt(x, y), back));
  dest.Assign(std::move(image));
}

void TIcon::LoadFromStream(TStream& stream) { LoadFromBytes(ReadPictureStream(stream)); }

void TIcon::LoadFromBytes(const std::vector<BYTE>& data) {
  const BYTE* d = data.data();
  std::size_t size = data.size();
  if (size < 6 || Le16(d) != 0 || Le16(d + 2) != 1) BadIcon("no icon header");
  std::size_t count = static_cast<std::size_t>(Le16(d + 4));
  if (count == 0 || 6 + 16 * count > size) BadIcon("bad image count");

  // The largest BMP-encoded image of 16 or 32 pixels, the most colours first among equals.
  bool sawPng = false;
  TEntry best{nullptr, 0, 0, 0};
  for (std::size_t i = 0; i < count; ++i) {
    const BYTE* e = d + 6 + 16 * i;
    int side = e[0] ? e[0] : 256;
    std::uint64_t bytes = Le32(e + 8), offset = Le32(e + 12);
    if (offset > size || bytes > size - offset) BadIcon("image outside the file");
    const BYTE* dib = d + offset;
    if (IsPng(dib, bytes)) {
      sawPng = true;
      continue;
    }
    if ((side != 16 && side != 32) || (e[1] ? e[1] : 256) != side || bytes < 40) continue;
    int bits = Le16(dib + 14);
    if (side > best.Side || (side == best.Side && bits > best.Bits))
      best = {dib, static_cast<std::size_t>(bytes), side, bits};
  }
  if (!best.Dib) BadIcon(sawPng ? "PNG images are not supported" : "no 16 or 32 pixel image");

  const BYTE* dib = best.Dib;
  std::uint32_t headerSize = Le32(dib);
  if (headerSize < 40 || headerSize > best.Size) BadIcon("bad bitmap header");
  auto width = static_cast<std::int32_t>(Le32(dib + 4));
  auto fullHeight = static_cast<std::int32_t>(Le32(dib + 8));
  int bits = best.Bits;
  int side = best.Side;
  if (width != side || (fullHeight != 2 * side && fullHeight != side)) BadIcon("sizes do not agree");
  if (Le32(dib + 16) != 0) BadIcon("compressed bitmap");
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) BadIcon("bad colour depth");
  std::size_t colors = bits <= 8 ? (Le32(dib + 32) ? Le32(dib + 32) : (1u << bits)) : 0;
  if (colors > 256) BadIcon("bad colour count");
  std::size_t pixelsAt = headerSize + colors * 4;
  std::size_t stride = ((static_cast<std::size_t>(side) * bits + 31) / 32) * 4;
  std::size_t maskStride = ((static_cast<std::size_t>(side) + 31) / 32) * 4;
  std::size_t maskAt = pixelsAt + stride * side;
  // The AND mask follows the colours; 32-bit images carry their alpha and may leave it out.
  bool hasMask = fullHeight == 2 * side && maskAt + maskStride * side <= best.Size;
  if (maskAt > best.Size || (!hasMask && fullHeight == 2 * side && bits != 32)) BadIcon("data ends early");

  // The colours through the bitmap reader: a file header in front, the height of one image.
  std::vector<BYTE> bmp = {'B', 'M'};
  Put32(bmp, static_cast<std::uint32_t>(14 + maskAt));
  Put32(bmp, 0);
  Put32(bmp, static_cast<std::uint32_t>(14 + pixelsAt));
  bmp.insert(bmp.end(), dib, dib + maskAt);
  for (int i = 0; i < 4; ++i) bmp[14 + 8 + i] = static_cast<BYTE>(static_cast<std::uint32_t>(side) >> (8 * i));
  TBitmap colorsImage;
  colorsImage.LoadFromBmp(bmp);

  bool alpha = false;
  if (bits == 32)
    for (int y = 0; y < side && !alpha; ++y)
      for (int x = 0; x < side && !alpha; ++x) alpha = dib[pixelsAt + stride * y + 4 * x + 3] != 0;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(side) * side);
  for (int y = 0; y < side; ++y) {
    int row = side - 1 - y;  // rows are stored bottom-up
    for (int x = 0; x < side; ++x) {
      unsigned a = 255;
      if (alpha) a = dib[pixelsAt + stride * row + 4 * x + 3];
      else if (hasMask && ((dib[maskAt + maskStride * row + x / 8] >> (7 - x % 8)) & 1)) a = 0;
      COLORREF c = colorsImage.PixelAt(x, y);
      pixels[static_cast<std::size_t>(y) * side + x] =
          (a << 24) | (std::uint32_t{GetRValue(c)} << 16) | (std::uint32_t{GetGValue(c)} << 8) | GetBValue(c);
    }
  }
  SetImage(side, side, std::move(pixels));
  FFile = data;
}

void TIcon::SaveToStream(TStream& stream) const {
  if (Empty()) return;
  if (!FFile.empty()) {
    stream.WriteBuffer(FFile.data(), static_cast<long>(FFile.size()));
    return;
  }
  std::size_t maskStride = ((static_cast<std::size_t>(FWidth) + 31) / 32) * 4;
  std::size_t bytes = 40 + static_cast<std::size_t>(FWidth) * FHeight * 4 + maskStride * FHeight;
  std::vector<BYTE> d;
  Put16(d, 0);
  Put16(d, 1);
  Put16(d, 1);
  d.push_back(static_cast<BYTE>(FWidth >= 256 ? 0 : FWidth));
  d.push_back(static_cast<BYTE>(FHeight >= 256 ? 0 : FHeight));
  d.push_back(0);
  d.push_back(0);
  Put16(d, 1);
  Put16(d, 32);
  Put32(d, static_cast<std::uint32_t>(bytes));
  Put32(d, 22);
  Put32(d, 40);
  Put32(d, static_cast<std::uint32_t>(FWidth));
  Put32(d, static_cast<std::uint32_t>(2 * FHeight));
  Put16(d, 1);
  Put16(d, 32);
  for (int i = 0; i < 6; ++i) Put32(d, 0);
  for (int y = FHeight - 1; y >= 0; --y)
    for (int x = 0; x < FWidth; ++x) Put32(d, PixelAt(x, y));
  for (int y = FHeight - 1; y >= 0; --y) {
    std::vector<BYTE> row(maskStride, 0);
    for (int x = 0; x < FWidth; ++x)
      if ((PixelAt(x, y) >> 24) < 128) row[static_cast<std::size_t>(x / 8)] |= static_cast<BYTE>(0x80 >> (x % 8));
    d.insert(d.end(), row.begin(), row.end());
  }
  stream.WriteBuffer(d.data(), static_cast<long>(d.size()));
}
