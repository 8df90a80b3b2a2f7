// Icons: a small image with an alpha channel. Read from .ico files (the largest BMP-encoded
// 16- or 32-pixel image of the file), made by the system icon lists, drawn blended.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gfx/picture.h"

class TIcon;
using HICON = TIcon*;

class TIcon : public TGraphic {
public:
  TIcon();
  ~TIcon() override;

  void Assign(const TPersistent* source) override;
  // Blends the icon into the canvas, stretched into `rect`.
  void Draw(TCanvas& canvas, const TRect& rect) const override;
  bool Empty() const override { return FWidth == 0; }
  int Width() const override { return FWidth; }
  int Height() const override { return FHeight; }
  // Keeps the bytes of a file it read; an icon made in memory is written as one 32-bit image.
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) const override;
  // Reads .ico data; PNG-encoded images are refused. EInvalidGraphic leaves the icon as it was.
  void LoadFromBytes(const std::vector<BYTE>& data);
  std::unique_ptr<TGraphic> Clone() const override;

  // The pixels as 0xAARRGGBB, rows top-down.
  void SetImage(int width, int height, std::vector<std::uint32_t> pixels);
  const std::vector<std::uint32_t>& Pixels() const { return FPixels; }
  std::uint32_t PixelAt(int x, int y) const;
  // The icon drawn over `background` into `dest` (pf24bit, the icon's size).
  void ToBitmap(TBitmap& dest, TColor background) const;
  HICON Handle() { return this; }

protected:
  // A bitmap receives the icon over white.
  void AssignTo(TPersistent* dest) const override;

private:
  int FWidth = 0;
  int FHeight = 0;
  std::vector<std::uint32_t> FPixels;
  std::vector<BYTE> FFile;  // the .ico bytes read, while the image is unchanged
};

// Blends 0xAARRGGBB over a colour.
COLORREF BlendArgb(std::uint32_t argb, COLORREF under);
