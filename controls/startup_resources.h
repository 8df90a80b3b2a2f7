// The start-up step of the client: registers its five cursors with the screen (numbers 1 to
// 5), loads three bitmaps and, on a display of 8 bits per pixel, builds the shared 256-colour
// palette. Everything is released when the step is freed (at shut-down).
#pragma once

#include <array>
#include <memory>

#include "platform/gfx/bitmap.h"
#include "platform/gfx/palette.h"
#include "platform/rtl/streams.h"
#include "platform/ui/controls.h"

// Screen cursor numbers of the program's own cursors.
enum : TCursor { crStartup1003 = 1, crStartup1006 = 2, crUpDown = 3, crUpOnly = 4, crDownOnly = 5 };

class TStartupResources {
public:
  TStartupResources();
  ~TStartupResources();
  TStartupResources(const TStartupResources&) = delete;
  TStartupResources& operator=(const TStartupResources&) = delete;

  // The colour depth class of the screen: 4, 8 or 24.
  int ColorDepth() const { return FDepth; }
  // The palette (8-bit displays only), else nullptr.
  HPALETTE Palette() const { return FPalette; }
  // The bitmaps of the resources 1002, 1001 and 1005, in that order.
  TBitmap& Bitmap(int index) { return *FBitmaps.at(static_cast<std::size_t>(index)); }
  TMemoryStream& Stream() { return *FStream; }

private:
  int FDepth = 24;
  HPALETTE FPalette = nullptr;
  std::array<std::unique_ptr<TBitmap>, 3> FBitmaps;
  std::unique_ptr<TMemoryStream> FStream;
};

// Bits per pixel times colour planes: below 5 counts as 4, above 8 as 24, else 8.
int ColorDepthClass(int bitsPerPixel, int planes);
// The shared palette: the system's entries, from entry 10 a 6 x 6 x 6 colour cube (blue
// outermost, red innermost, levels 55 115 165 205 235 255, white left out: entries 10..224),
// then 21 greys (225..245); entries 0..9 and 246..255 keep the system colours.
LOGPALETTE BuildStartupPalette(const PALETTEENTRY (&system)[256]);
