// The font families a backend offers (font combo boxes, Screen.Fonts): each with its kind,
// pitch, character set and, for raster fonts, the point sizes it comes in.
#pragma once

#include <functional>
#include <string>
#include <vector>

enum { ANSI_CHARSET = 0, DEFAULT_CHARSET = 1, SYMBOL_CHARSET = 2, OEM_CHARSET = 255 };
enum { RASTER_FONTTYPE = 0x1, DEVICE_FONTTYPE = 0x2, TRUETYPE_FONTTYPE = 0x4 };

struct TFontFamily {
  std::string Name;
  bool TrueType = true;
  bool FixedPitch = false;
  int Charset = ANSI_CHARSET;
  std::vector<int> RasterSizes;  // points; empty for scalable fonts
  friend bool operator==(const TFontFamily&, const TFontFamily&) = default;
};

// The families in name order. A backend supplies them (once, or each time they are asked for).
using TFontFamilySource = std::function<std::vector<TFontFamily>()>;
void SetFontFamilySource(TFontFamilySource source);
std::vector<TFontFamily> FontFamilies();
// The family of that name (compared without ASCII case), or nullptr.
bool FindFontFamily(const std::string& name, TFontFamily* family);
// Names only, as Screen.Fonts lists them.
std::vector<std::string> FontNames();

// EnumFontFamilies: `callback` gets each family and its RASTER_/TRUETYPE_FONTTYPE kind until it
// returns 0; with a name, only that family. Returns the last callback result (1 when none ran).
using TFontEnumProc = std::function<int(const TFontFamily& family, int fontType)>;
int EnumFontFamilies(const std::string& name, const TFontEnumProc& callback);
