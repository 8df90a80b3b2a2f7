#include "platform/gfx/fonts.h"

#include <algorithm>

#include "platform/rtl/sysutils.h"

namespace {
TFontFamilySource& Source() {
  static TFontFamilySource source;
  return source;
}
}  // namespace

void SetFontFamilySource(TFontFamilySource source) { Source() = std::move(source); }

std::vector<TFontFamily> FontFamilies() {
  std::vector<TFontFamily> families = Source() ? Source()() : std::vector<TFontFamily>{};
  std::stable_sort(families.begin(), families.end(),
                   [](const TFontFamily& a, const TFontFamily& b) { return CompareText(a.Name, b.Name) < 0; });
  return families;
}

bool FindFontFamily(const std::string& name, TFontFamily* family) {
  for (auto& f : FontFamilies()) {
    if (!SameText(f.Name, name)) continue;
    if (family) *family = f;
    return true;
  }
  return false;
}

std::vector<std::string> FontNames() {
  std::vector<std::string> names;
  for (const auto& f : FontFamilies()) names.push_back(f.Name);
  return names;
}

int EnumFontFamilies(const std::string& name, const TFontEnumProc& callback) {
  int result = 1;
  for (const auto& f : FontFamilies()) {
    if (!name.empty() && !SameText(f.Name, name)) continue;
    result = callback(f, f.TrueType ? TRUETYPE_FONTTYPE : RASTER_FONTTYPE);
    if (result == 0) break;
  }
  return result;
}
