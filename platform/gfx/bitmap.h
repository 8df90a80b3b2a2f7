// A bitmap with its own pixel buffer: rows top-down, each padded to 4 bytes; pf24bit is
// B,G,R and pf32bit is B,G,R,X.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/graphics.h"

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum TTransparentMode { tmAuto, tmFixed };

class TBitmap {
public:
  TBitmap();
  TBitmap(int width, int height, TPixelFormat format = pf24bit);
  ~TBitmap();
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;

  void Assign(const TBitmap& source);

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  void SetWidth(int value) { SetSize(value, FHeight); }
  void SetHeight(int value) { SetSize(FWidth, value); }
  // Resizes keeping the pixels that stay inside; new pixels are white.
  void SetSize(int width, int height);
  bool Empty() const { return FWidth == 0 || FHeight == 0; }
  // pfDevice and the other formats become pf32bit; only pf24bit and pf32bit are kept.
  TPixelFormat PixelFormat() const { return FFormat; }
  void SetPixelFormat(TPixelFormat format);
  int BytesPerPixel() const { return FFormat == pf24bit ? 3 : 4; }
  int BytesPerLine() const { return FStride; }

  BYTE* ScanLine(int row);
  const BYTE* ScanLine(int row) const;
  BYTE* Bits() { return FPixels.data(); }
  const BYTE* Bits() const { return FPixels.data(); }

  COLORREF PixelAt(int x, int y) const;
  void SetPixelAt(int x, int y, COLORREF color);

  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool value) { FTransparent = value; }
  TTransparentMode TransparentMode() const { return FTransparentMode; }
  void SetTransparentMode(TTransparentMode value) { FTransparentMode = value; }
  // tmAuto: the bottom-left pixel.
  TColor TransparentColor() const;
  void SetTransparentColor(TColor value);

  // BMP files: 1, 4, 8, 24 and 32 bits, uncompressed or RLE; rows bottom-up or top-down.
  // LoadFromFile raises EInvalidGraphic for what it cannot read and then keeps the old image.
  void LoadFromFile(const std::string& fileName);
  bool TryLoadFromFile(const std::string& fileName);
  void LoadFromBmp(const std::vector<BYTE>& data);
  // Writes a 24-bit BMP file.
  void SaveToFile(const std::string& fileName) const;
  std::vector<BYTE> SaveToBmp() const;

  // The canvas draws into the pixels; its painter is made when first needed.
  TCanvas& Canvas();
  // Ends drawing: the painter is flushed and dropped (the pixels stay).
  void ReleaseCanvas();
  void Dormant() {}
  void FreeImage() {}

private:
  void Reallocate(int width, int height, TPixelFormat format);

  int FWidth = 0;
  int FHeight = 0;
  TPixelFormat FFormat = pf24bit;
  int FStride = 0;
  std::vector<BYTE> FPixels;
  bool FTransparent = false;
  TTransparentMode FTransparentMode = tmAuto;
  TColor FTransparentColor = clDefault;
  std::unique_ptr<TCanvas> FCanvas;
};

class TImageList {
public:
  TImageList(int width = 16, int height = 16);
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  // Changing the size drops the images.
  void SetWidth(int value);
  void SetHeight(int value);
  int Count() const { return static_cast<int>(FImages.size()); }
  // Adds the bitmap cut into images of the list's size; `mask` (may be null) marks with
  // black the pixels that show. Returns the index of the first image added, -1 for none.
  int Add(const TBitmap& image, const TBitmap* mask);
  // As Add, the pixels of `maskColor` left transparent.
  int AddMasked(const TBitmap& image, TColor maskColor);
  void Delete(int index);
  void Clear() { FImages.clear(); }
  // Draws image `index` at x, y; a disabled image is drawn greyed. Out of range draws nothing.
  void Draw(TCanvas& canvas, int x, int y, int index, bool enabled = true) const;
  bool GetBitmap(int index, TBitmap& dest) const;

private:
  struct TImage {
    std::vector<COLORREF> Pixels;
    std::vector<bool> Visible;
  };
  void AddImages(const TBitmap& image, const std::function<bool(int, int)>& visible);
  int FWidth;
  int FHeight;
  std::vector<TImage> FImages;
};
using TCustomImageList = TImageList;
