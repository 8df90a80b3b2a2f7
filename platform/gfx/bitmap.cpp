#include "platform/gfx/bitmap.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

#include "platform/gfx/resources.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"

namespace {

// Bitmaps larger than this many pixels are refused: a size read from a file cannot
// make us allocate gigabytes.
constexpr long long kMaxPixels = static_cast<long long>(kMaxPictureBytes / 4);

TPixelFormat Kept(TPixelFormat f) { return f == pf24bit ? pf24bit : pf32bit; }

}  // namespace

// The canvas of a bitmap makes its painter from the backend's factory when it first draws.
class TBitmapCanvas : public TCanvas {
public:
  explicit TBitmapCanvas(TBitmap& bitmap) : FBitmap(bitmap) {}

protected:
  void CreateHandle() override { SetOwnedPainter(CreateBitmapPainter(FBitmap)); }

private:
  TBitmap& FBitmap;
};

TBitmap::TBitmap() = default;

TBitmap::TBitmap(int width, int height, TPixelFormat format) {
  Reallocate(width, height, Kept(format));
}

TBitmap::~TBitmap() {
  if (FCanvas) FCanvas->ReleasePainter();
}

void TBitmap::Reallocate(int width, int height, TPixelFormat format) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (static_cast<long long>(width) * height > kMaxPixels) throw EOutOfResources("Out of system resources");
  int bpp = format == pf24bit ? 3 : 4;
  int stride = (width * bpp + 3) & ~3;
  std::vector<BYTE> pixels(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height), 0xFF);
  // Keep what stays inside.
  int rows = std::min(height, FHeight), cols = std::min(width, FWidth);
  for (int y = 0; y < rows; ++y)
    for (int x = 0; x < cols; ++x) {
      COLORREF c = PixelAt(x, y);
      BYTE* p = pixels.data() + static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x) * bpp;
      p[0] = GetBValue(c);
      p[1] = GetGValue(c);
      p[2] = GetRValue(c);
    }
  // A painter holds on to the old size: drop it, the next drawing makes a new one.
  if (FCanvas) FCanvas->ReleasePainter();
  FWidth = width;
  FHeight = height;
  FFormat = format;
  FStride = stride;
  FPixels = std::move(pixels);
  Changed();
}

void TBitmap::SetSize(int width, int height) {
  if (width == FWidth && height == FHeight) return;
  Reallocate(width, height, FFormat);
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
  format = Kept(format);
  if (format == FFormat) return;
  Reallocate(FWidth, FHeight, format);
}

void TBitmap::Assign(const TBitmap& source) {
  if (&source == this) return;
  if (FCanvas) FCanvas->ReleasePainter();
  FWidth = source.FWidth;
  FHeight = source.FHeight;
  FFormat = source.FFormat;
  FStride = source.FStride;
  FPixels = source.FPixels;
  FTransparentMode = source.FTransparentMode;
  FTransparentColor = source.FTransparentColor;
  if (Transparent() != source.Transparent()) TGraphic::SetTransparent(source.Transparent());
  Changed();
}

void TBitmap::Assign(TBitmap&& source) {
  if (&source == this) return;
  if (FCanvas) FCanvas->ReleasePainter();
  if (source.FCanvas) source.FCanvas->ReleasePainter();
  FWidth = std::exchange(source.FWidth, 0);
  FHeight = std::exchange(source.FHeight, 0);
  FFormat = source.FFormat;
  FStride = std::exchange(source.FStride, 0);
  FPixels = std::move(source.FPixels);
  source.FPixels.clear();
  FTransparentMode = source.FTransparentMode;
  FTransparentColor = source.FTransparentColor;
  if (Transparent() != source.Transparent()) TGraphic::SetTransparent(source.Transparent());
  Changed();
}

void TBitmap::Assign(const TPersistent* source) {
  if (auto* bitmap = dynamic_cast<const TBitmap*>(source)) {
    Assign(*bitmap);
    return;
  }
  TGraphic::Assign(source);
}

void TBitmap::Draw(TCanvas& canvas, const TRect& rect) const { canvas.StretchDraw(rect, *this); }

std::unique_ptr<TGraphic> TBitmap::Clone() const {
  auto copy = std::make_unique<TBitmap>();
  copy->Assign(*this);
  return copy;
}

BYTE* TBitmap::ScanLine(int row) {
  if (row < 0 || row >= FHeight) throw EInvalidGraphic("Scan line index out of range");
  return FPixels.data() + static_cast<std::size_t>(row) * FStride;
}

const BYTE* TBitmap::ScanLine(int row) const {
  if (row < 0 || row >= FHeight) throw EInvalidGraphic("Scan line index out of range");
  return FPixels.data() + static_cast<std::size_t>(row) * FStride;
}

COLORREF TBitmap::PixelAt(int x, int y) const {
  if (x < 0 || y < 0 || x >= FWidth || y >= FHeight) return 0;
  const BYTE* p = FPixels.data() + static_cast<std::size_t>(y) * FStride + static_cast<std::size_t>(x) * BytesPerPixel();
  return RGB(p[2], p[1], p[0]);
}

void TBitmap::SetPixelAt(int x, int y, COLORREF color) {
  if (x < 0 || y < 0 || x >= FWidth || y >= FHeight) return;
  BYTE* p = FPixels.data() + static_cast<std::size_t>(y) * FStride + static_cast<std::size_t>(x) * BytesPerPixel();
  p[0] = GetBValue(color);
  p[1] = GetGValue(color);
  p[2] = GetRValue(color);
  if (FFormat == pf32bit) p[3] = 0xFF;
}

TColor TBitmap::TransparentColor() const {
  if (FTransparentMode == tmFixed && FTransparentColor != clDefault) return FTransparentColor;
  if (Empty()) return clDefault;
  return static_cast<TColor>(PixelAt(0, FHeight - 1));
}

void TBitmap::SetTransparentColor(TColor value) {
  FTransparentColor = value;
  FTransparentMode = value == clDefault ? tmAuto : tmFixed;
}

TCanvas& TBitmap::Canvas() {
  if (!FCanvas) FCanvas = std::make_unique<TBitmapCanvas>(*this);
  return *FCanvas;
}

void TBitmap::ReleaseCanvas() {
  if (FCanvas) FCanvas->ReleasePainter();
}

// ---- BMP files ------------------------------------------------------------------------------

namespace {

std::uint32_t Le32(const std::vector<BYTE>& d, std::size_t at) {
  return std::uint32_t{d[at]} | (std::uint32_t{d[at + 1]} << 8) | (std::uint32_t{d[at + 2]} << 16) |
         (std::uint32_t{d[at + 3]} << 24);
}
std::uint16_t Le16(const std::vector<BYTE>& d, std::size_t at) {
  return static_cast<std::uint16_t>(d[at] | (d[at + 1] << 8));
}
void Put32(std::vector<BYTE>& d, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) d.push_back(static_cast<BYTE>(v >> (8 * i)));
}
void Put16(std::vector<BYTE>& d, std::uint16_t v) {
  d.push_back(static_cast<BYTE>(v));
  d.push_back(static_cast<BYTE>(v >> 8));
}

[[noreturn]] void BadBitmap() { throw EInvalidGraphic("Bitmap image is not valid"); }

// Expands RLE8/RLE4 data into one palette index per pixel, rows bottom-up.
std::vector<BYTE> DecodeRle(const std::vector<BYTE>& d, std::size_t at, int width, int height, bool rle4) {
  std::vector<BYTE> out(static_cast<std::size_t>(width) * height, 0);
  int x = 0, y = 0;
  while (at + 1 < d.size() && y < height) {
    BYTE n = d[at], v = d[at + 1];
    at += 2;
    if (n > 0) {
      for (int i = 0; i < n && x < width; ++i, ++x)
        out[static_cast<std::size_t>(y) * width + x] = rle4 ? ((i % 2 == 0) ? v >> 4 : v & 0xF) : v;
    } else if (v == 0) {
      x = 0;
      ++y;
    } else if (v == 1) {
      break;
    } else if (v == 2) {
      if (at + 1 >= d.size()) break;
      x += d[at];
      y += d[at + 1];
      at += 2;
    } else {
      std::size_t bytes = rle4 ? (v + 1) / 2 : v;
      if (at + bytes > d.size()) BadBitmap();
      for (int i = 0; i < v && x < width; ++i, ++x) {
        BYTE b = d[at + (rle4 ? i / 2 : i)];
        out[static_cast<std::size_t>(y) * width + x] = rle4 ? ((i % 2 == 0) ? b >> 4 : b & 0xF) : b;
      }
      at += (bytes + 1) & ~std::size_t{1};
    }
  }
  return out;
}

}  // namespace

void TBitmap::LoadFromBmp(const std::vector<BYTE>& d) {
  if (d.size() < 54 || d[0] != 'B' || d[1] != 'M') BadBitmap();
  std::uint32_t offset = Le32(d, 10);
  std::uint32_t headerSize = Le32(d, 14);
  if (headerSize < 40 || 14 + headerSize > d.size()) BadBitmap();
  std::int32_t width = static_cast<std::int32_t>(Le32(d, 18));
  std::int32_t rawHeight = static_cast<std::int32_t>(Le32(d, 22));
  int bits = Le16(d, 28);
  std::uint32_t compression = Le32(d, 30);
  std::uint32_t colorsUsed = Le32(d, 46);
  bool topDown = rawHeight < 0;
  long long height = topDown ? -static_cast<long long>(rawHeight) : rawHeight;
  if (width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide ||
      width * height > kMaxPixels)
    BadBitmap();
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) BadBitmap();
  if (compression != 0 && !(compression == 1 && bits == 8) && !(compression == 2 && bits == 4) &&
      !(compression == 3 && bits == 32))
    BadBitmap();
  std::vector<COLORREF> palette;
  if (bits <= 8) {
    std::size_t count = colorsUsed ? colorsUsed : (1u << bits);
    if (count > 256) BadBitmap();
    std::size_t at = 14 + headerSize;
    if (at + count * 4 > d.size()) BadBitmap();
    for (std::size_t i = 0; i < count; ++i) palette.push_back(RGB(d[at + 4 * i + 2], d[at + 4 * i + 1], d[at + 4 * i]));
  }
  if (offset >= d.size()) BadBitmap();
  int h = static_cast<int>(height);
  TBitmap image(width, h, bits == 32 ? pf32bit : pf24bit);
  auto paletteColor = [&](unsigned index) { return index < palette.size() ? palette[index] : 0; };
  if (compression == 1 || compression == 2) {
    std::vector<BYTE> indexes = DecodeRle(d, offset, width, h, compression == 2);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < width; ++x)
        image.SetPixelAt(x, h - 1 - y, paletteColor(indexes[static_cast<std::size_t>(y) * width + x]));
  } else {
    std::size_t stride = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
    if (offset + stride * h > d.size()) BadBitmap();
    for (int row = 0; row < h; ++row) {
      const BYTE* p = d.data() + offset + stride * row;
      int y = topDown ? row : h - 1 - row;
      for (int x = 0; x < width; ++x) {
        COLORREF c = 0;
        switch (bits) {
          case 1: c = paletteColor((p[x / 8] >> (7 - x % 8)) & 1); break;
          case 4: c = paletteColor((x % 2 == 0) ? p[x / 2] >> 4 : p[x / 2] & 0xF); break;
          case 8: c = paletteColor(p[x]); break;
          case 24: c = RGB(p[3 * x + 2], p[3 * x + 1], p[3 * x]); break;
          default: c = RGB(p[4 * x + 2], p[4 * x + 1], p[4 * x]); break;
        }
        image.SetPixelAt(x, y, c);
      }
    }
  }
  Assign(std::move(image));
}

void TBitmap::LoadFromFile(const std::string& fileName) { LoadFromBmp(ReadPictureFile(fileName)); }

void TBitmap::LoadFromStream(TStream& stream) { LoadFromBmp(ReadPictureStream(stream)); }

void TBitmap::SaveToStream(TStream& stream) const {
  std::vector<BYTE> d = SaveToBmp();
  stream.WriteBuffer(d.data(), static_cast<long>(d.size()));
}

void TBitmap::LoadFromResourceName(HINSTANCE, const std::string& name) {
  const TBitmap* resource = FindBitmapResource(name);
  if (!resource) throw EResNotFound("Resource " + name + " not found");
  Assign(*resource);
}

void TBitmap::LoadFromResourceID(HINSTANCE instance, int id) {
  const TBitmap* resource = FindBitmapResource(id);
  if (!resource) throw EResNotFound("Resource " + std::to_string(id) + " not found");
  LoadFromResourceName(instance, ResourceNumber(id));
}

bool TBitmap::TryLoadFromFile(const std::string& fileName) {
  try {
    LoadFromFile(fileName);
    return true;
  } catch (const Exception&) {
    return false;
  }
}

std::vector<BYTE> TBitmap::SaveToBmp() const {
  std::uint32_t stride = (static_cast<std::uint32_t>(FWidth) * 3 + 3) & ~3u;
  std::uint32_t imageSize = stride * static_cast<std::uint32_t>(FHeight);
  std::vector<BYTE> d;
  d.reserve(54 + imageSize);
  d.push_back('B');
  d.push_back('M');
  Put32(d, 54 + imageSize);
  Put32(d, 0);
  Put32(d, 54);
  Put32(d, 40);
  Put32(d, static_cast<std::uint32_t>(FWidth));
  Put32(d, static_cast<std::uint32_t>(FHeight));
  Put16(d, 1);
  Put16(d, 24);
  Put32(d, 0);
  Put32(d, imageSize);
  Put32(d, 3780);
  Put32(d, 3780);
  Put32(d, 0);
  Put32(d, 0);
  for (int y = FHeight - 1; y >= 0; --y) {
    for (int x = 0; x < FWidth; ++x) {
      COLORREF c = PixelAt(x, y);
      d.push_back(GetBValue(c));
      d.push_back(GetGValue(c));
      d.push_back(GetRValue(c));
    }
    for (std::uint32_t pad = static_cast<std::uint32_t>(FWidth) * 3; pad < stride; ++pad) d.push_back(0);
  }
  return d;
}

void TBitmap::SaveToFile(const std::string& fileName) const { WritePictureFile(fileName, SaveToBmp()); }
