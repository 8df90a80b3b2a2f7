// A bitmap with its own pixel buffer: rows top-down, each padded to 4 bytes; pf24bit is
// B,G,R and pf32bit is B,G,R,X.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/graphics.h"
#include "platform/gfx/picture.h"
#include "platform/sys/libraries.h"

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum TTransparentMode { tmAuto, tmFixed };

class TBitmap : public TGraphic {
public:
  TBitmap();
  TBitmap(int width, int height, TPixelFormat format = pf24bit);
  ~TBitmap() override;

  void Assign(const TBitmap& source);
  // Takes over the pixels of `source`, which is left empty (a decoder's finished image).
  void Assign(TBitmap&& source);
  // A bitmap is copied; another graphic draws itself into this bitmap (AssignTo).
  void Assign(const TPersistent* source) override;

  int Width() const override { return FWidth; }
  int Height() const override { return FHeight; }
  void SetWidth(int value) override { SetSize(value, FHeight); }
  void SetHeight(int value) override { SetSize(FWidth, value); }
  // Resizes keeping the pixels that stay inside; new pixels are white.
  void SetSize(int width, int height);
  bool Empty() const override { return FWidth == 0 || FHeight == 0; }
  void Draw(TCanvas& canvas, const TRect& rect) const override;
  std::unique_ptr<TGraphic> Clone() const override;
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

  TTransparentMode TransparentMode() const { return FTransparentMode; }
  void SetTransparentMode(TTransparentMode value) { FTransparentMode = value; }
  // tmAuto: the bottom-left pixel.
  TColor TransparentColor() const;
  void SetTransparentColor(TColor value);

  // BMP files: 1, 4, 8, 24 and 32 bits, uncompressed or RLE; rows bottom-up or top-down.
  // LoadFromFile raises EInvalidGraphic for what it cannot read and then keeps the old image.
  void LoadFromFile(const std::string& fileName) override;
  bool TryLoadFromFile(const std::string& fileName);
  void LoadFromBmp(const std::vector<BYTE>& data);
  void LoadFromStream(TStream& stream) override;
  // Writes a 24-bit BMP file.
  void SaveToFile(const std::string& fileName) const override;
  void SaveToStream(TStream& stream) const override;
  std::vector<BYTE> SaveToBmp() const;

  // The bitmap resource of that name or number (resources.h); EResNotFound when there is none.
  void LoadFromResourceName(HINSTANCE instance, const std::string& name);
  void LoadFromResourceID(HINSTANCE instance, int id);

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
  TTransparentMode FTransparentMode = tmAuto;
  TColor FTransparentColor = clDefault;
  std::unique_ptr<TCanvas> FCanvas;
};
