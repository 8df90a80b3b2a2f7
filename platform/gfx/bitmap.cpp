#include "platform/gfx/bitmap.h"

#include <algorithm>
#include <cstring>

#include "platform/rtl/exceptions.h"

namespace {

// Bitmaps larger than this many pixels are refused: a size read from a file cannot
// make us allocate gigabytes.
constexpr long long kMaxPixels = 64LL * 1024 * 1024;

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
  FTransparent = source.FTransparent;
  FTransparentMode = source.FTransparentMode;
  FTransparentColor = source.FTransparentColor;
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

// ---- TImageList -----------------------------------------------------------------------------

TImageList::TImageList(int width, int height) : FWidth(std::max(width, 1)), FHeight(std::max(height, 1)) {}

void TImageList::SetWidth(int value) {
  if (value < 1 || value == FWidth) return;
  FWidth = value;
  FImages.clear();
}

void TImageList::SetHeight(int value) {
  if (value < 1 || value == FHeight) return;
  FHeight = value;
  FImages.clear();
}

void TImageList::AddImages(const TBitmap& image, const std::function<bool(int, int)>& visible) {
  int count = std::max(1, image.Width() / FWidth);
  for (int i = 0; i < count; ++i) {
    TImage img;
    img.Pixels.resize(static_cast<std::size_t>(FWidth) * FHeight);
    img.Visible.resize(img.Pixels.size());
    for (int y = 0; y < FHeight; ++y)
      for (int x = 0; x < FWidth; ++x) {
        int sx = i * FWidth + x;
        std::size_t k = static_cast<std::size_t>(y) * FWidth + x;
        bool inside = sx < image.Width() && y < image.Height();
        img.Pixels[k] = inside ? image.PixelAt(sx, y) : 0;
        img.Visible[k] = inside && visible(sx, y);
      }
    FImages.push_back(std::move(img));
  }
}

int TImageList::Add(const TBitmap& image, const TBitmap* mask) {
  if (image.Empty()) return -1;
  int first = Count();
  AddImages(image, [mask](int x, int y) { return !mask || mask->PixelAt(x, y) == 0; });
  return first;
}

int TImageList::AddMasked(const TBitmap& image, TColor maskColor) {
  if (image.Empty()) return -1;
  int first = Count();
  COLORREF key = ColorToRGB(maskColor);
  AddImages(image, [&image, key](int x, int y) { return image.PixelAt(x, y) != key; });
  return first;
}

void TImageList::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  FImages.erase(FImages.begin() + index);
}

void TImageList::Draw(TCanvas& canvas, int x, int y, int index, bool enabled) const {
  if (index < 0 || index >= Count()) return;
  const TImage& img = FImages[static_cast<std::size_t>(index)];
  for (int py = 0; py < FHeight; ++py)
    for (int px = 0; px < FWidth; ++px) {
      std::size_t k = static_cast<std::size_t>(py) * FWidth + px;
      if (!img.Visible[k]) continue;
      COLORREF c = img.Pixels[k];
      if (!enabled) {
        // Greyed: dark pixels in the shadow colour, light ones left out.
        int lum = (GetRValue(c) * 30 + GetGValue(c) * 59 + GetBValue(c) * 11) / 100;
        if (lum >= 192) continue;
        c = ColorToRGB(clBtnShadow);
      }
      canvas.SetPixel(x + px, y + py, static_cast<TColor>(c));
    }
}

bool TImageList::GetBitmap(int index, TBitmap& dest) const {
  if (index < 0 || index >= Count()) return false;
  const TImage& img = FImages[static_cast<std::size_t>(index)];
  dest.SetPixelFormat(pf24bit);
  dest.SetSize(FWidth, FHeight);
  for (int y = 0; y < FHeight; ++y)
    for (int x = 0; x < FWidth; ++x) dest.SetPixelAt(x, y, img.Pixels[static_cast<std::size_t>(y) * FWidth + x]);
  return true;
}
