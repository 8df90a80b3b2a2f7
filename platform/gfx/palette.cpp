#include "platform/gfx/palette.h"

namespace {

// The static colours of the system palette: the first ten and the last ten entries.
const BYTE kStatic[20][3] = {
    {0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
    {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
    {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
    {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255},
};

}  // namespace

UINT GetSystemPaletteEntries(HDC, UINT start, UINT count, PALETTEENTRY* entries) {
  if (!entries) return 0;
  UINT written = 0;
  for (UINT i = start; i < start + count && i < 256; ++i, ++written) {
    PALETTEENTRY e;
    int s = i < 10 ? static_cast<int>(i) : i >= 246 ? static_cast<int>(i) - 236 : -1;
    if (s >= 0) {
      e.peRed = kStatic[s][0];
      e.peGreen = kStatic[s][1];
      e.peBlue = kStatic[s][2];
    }
    entries[written] = e;
  }
  return written;
}

HPALETTE CreatePalette(const LOGPALETTE& palette) {
  if (palette.palPalEntry.empty()) return nullptr;
  return new TPaletteObject(palette.palPalEntry);
}

bool DeleteObject(HPALETTE palette) {
  if (!palette) return false;
  delete palette;
  return true;
}
