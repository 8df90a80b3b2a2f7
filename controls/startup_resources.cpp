#include "controls/startup_resources.h"

#include "platform/ui/screen.h"

int ColorDepthClass(int bitsPerPixel, int planes) {
  int bits = bitsPerPixel * planes;
  if (bits < 5) return 4;
  if (bits > 8) return 24;
  return 8;
}

LOGPALETTE BuildStartupPalette(const PALETTEENTRY (&system)[256]) {
  static const BYTE kLevels[6] = {55, 115, 165, 205, 235, 255};
  LOGPALETTE palette;
  palette.palVersion = 0x300;
  palette.palPalEntry.assign(system, system + 256);
  for (PALETTEENTRY& e : palette.palPalEntry) e.peFlags = 0;
  std::size_t i = 10;
  for (int b = 0; b < 6; ++b)
    for (int g = 0; g < 6; ++g)
      for (int r = 0; r < 6; ++r) {
        if (r == 5 && g == 5 && b == 5) continue;  // white is a system colour
        palette.palPalEntry[i++] = {kLevels[r], kLevels[g], kLevels[b], 0};
      }
  for (int k = 1; k <= 24; ++k) {
    if (k == 7 || k == 15 || k == 21) continue;  // 165, 205 and 235 are in the cube
    BYTE level = static_cast<BYTE>(5 * k + 130);
    palette.palPalEntry[i++] = {level, level, level, 0};
  }
  return palette;
}

TStartupResources::TStartupResources() {
  FDepth = ColorDepthClass(Screen().ColorDepth(), 1);
  if (FDepth == 8) {
    PALETTEENTRY system[256];
    GetSystemPaletteEntries(nullptr, 0, 256, system);
    FPalette = CreatePalette(BuildStartupPalette(system));
  }
  static const char* const kCursors[5] = {"#1003", "#1006", "UPDOWNCURSOR", "UPONLYCURSOR", "DOWNONLYCURSOR"};
  for (int i = 0; i < 5; ++i) Screen().SetCursors(i + 1, LoadCursor(nullptr, kCursors[i]));
  static const int kBitmaps[3] = {1002, 1001, 1005};
  for (int i = 0; i < 3; ++i) {
    FBitmaps[static_cast<std::size_t>(i)] = std::make_unique<TBitmap>();
    FBitmaps[static_cast<std::size_t>(i)]->LoadFromResourceID(nullptr, kBitmaps[i]);
  }
  FStream = std::make_unique<TMemoryStream>();
}

TStartupResources::~TStartupResources() {
  if (FPalette) DeleteObject(FPalette);
}
