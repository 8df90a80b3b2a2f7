// Picture effects on 24-bit bitmaps: the area effects that change a bitmap in place (emboss,
// mosaic, split blur, gaussian blur, anti-alias, trace, tile), the noise layer, and the
// per-pixel colour transform that turns a source bitmap into the shown one.
#pragma once

#include "platform/gfx/bitmap.h"

// Each channel against the pixel three columns right of it one row down.
void EmbossBitmap(TBitmap& bitmap);
// Blocks of `block` x `block` pixels take the colour of their top-left pixel.
void MosaicBitmap(TBitmap& bitmap, int block);
// Each channel the mean of the four samples `distance` pixels away diagonally (in place, top
// to bottom); samples that would leave the picture are taken inside it.
void SplitBlurBitmap(TBitmap& bitmap, int distance);
// Split blur with distance 3, strength + 1 times.
void GaussianBlurBitmap(TBitmap& bitmap, int strength);
// Inner pixels the mean of their four neighbours, `passes` times (in place).
void AntiAliasBitmap(TBitmap& bitmap, int passes);
// Marks (black) the pixels where the 8-bit palette index of the picture changes.
void TraceBitmap(TBitmap& bitmap, int passes);
// The bitmap covered with tiles of `source` resampled to its width and height divided by
// `tiles` (at least 10 pixels); when both sides would be under 10 pixels, `tiles` is lowered
// to max(width, height) div 10.
void TileBitmap(TBitmap& bitmap, const TBitmap& source, int& tiles);
// `target` (its size kept, made 24-bit) filled from `source` by bilinear resampling in fixed
// point with 15 fraction bits.
void BilinearResample(const TBitmap& source, TBitmap& target);
// The palette index a colour gets in the 8-bit copy that tracing compares (3 bits of red, 3 of
// green, 2 of blue).
int TracePaletteIndex(BYTE red, BYTE green, BYTE blue);

// The noise layer: a 24-bit bitmap of the size given whose channels are
// clamp(r - amplitude div 2), r uniform in 0..amplitude - 1, drawn per channel (colour) or once
// for all three (mono); the draws come from a generator seeded by the run-time generator.
void FillNoise(TBitmap& noise, int width, int height, int amplitude, bool mono);

// The per-pixel transform, in the order posterize or solarize, noise, contrast, lightness,
// darkness, brightness, split light, grey scale or saturation, invert.
struct TPixelEffects {
  int Brightness = 0;
  int Contrast = 0;
  int Lightness = 0;
  int Darkness = 0;
  int Saturation = 0;
  int Splitlight = 0;
  int Posterize = 0;
  int Solorize = 0;
  bool GrayScale = false;
  bool Invert = false;
};
// `target` takes the size of `source` and its transformed pixels; `noise` (or nullptr) is
// added where it covers the picture. Both bitmaps are 24-bit.
void ApplyPixelEffects(const TBitmap& source, const TBitmap* noise, const TPixelEffects& effects, TBitmap& target);
