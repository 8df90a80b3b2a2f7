// Logical palettes: the fixed 20-colour system palette of an 8-bit display and palette objects
// made from a palette description. Screens here are 24-bit, so a palette only matters to
// programs that build one for an 8-bit display.
#pragma once

#include <vector>

#include "platform/gfx/graphics.h"
#include "platform/rtl/win_types.h"

struct PALETTEENTRY {
  BYTE peRed = 0;
  BYTE peGreen = 0;
  BYTE peBlue = 0;
  BYTE peFlags = 0;
};

// A palette description: its version (0x300) and entries.
struct LOGPALETTE {
  WORD palVersion = 0x300;
  std::vector<PALETTEENTRY> palPalEntry;
};

class TPaletteObject {
public:
  explicit TPaletteObject(std::vector<PALETTEENTRY> entries) : FEntries(std::move(entries)) {}
  const std::vector<PALETTEENTRY>& Entries() const { return FEntries; }

private:
  std::vector<PALETTEENTRY> FEntries;
};
using HPALETTE = TPaletteObject*;

// Entries start .. start + count - 1 of the system palette of 256 entries: the 20 static
// colours at 0..9 and 246..255, black elsewhere. Returns the number of entries written.
UINT GetSystemPaletteEntries(HDC dc, UINT start, UINT count, PALETTEENTRY* entries);
// A new palette object (freed by DeleteObject); nullptr for an empty description.
HPALETTE CreatePalette(const LOGPALETTE& palette);
bool DeleteObject(HPALETTE palette);
