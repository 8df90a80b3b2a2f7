#include "platform/gfx/colors.h"

#include <array>

namespace {

// The classic default scheme, as 0x00BBGGRR values.
constexpr std::array<COLORREF, COLOR_SYSTEM_COUNT> kClassicScheme = {
    RGB(0xC0, 0xC0, 0xC0),  // scroll bar
    RGB(0x00, 0x80, 0x80),  // background
    RGB(0x00, 0x00, 0x80),  // active caption
    RGB(0x80, 0x80, 0x80),  // inactive caption
    RGB(0xC0, 0xC0, 0xC0),  // menu
    RGB(0xFF, 0xFF, 0xFF),  // window
    RGB(0x00, 0x00, 0x00),  // window frame
    RGB(0x00, 0x00, 0x00),  // menu text
    RGB(0x00, 0x00, 0x00),  // window text
    RGB(0xFF, 0xFF, 0xFF),  // caption text
    RGB(0xC0, 0xC0, 0xC0),  // active border
    RGB(0xC0, 0xC0, 0xC0),  // inactive border
    RGB(0x80, 0x80, 0x80),  // application work space
    RGB(0x00, 0x00, 0x80),  // highlight
    RGB(0xFF, 0xFF, 0xFF),  // highlight text
    RGB(0xC0, 0xC0, 0xC0),  // button face
    RGB(0x80, 0x80, 0x80),  // button shadow
    RGB(0x80, 0x80, 0x80),  // grey text
    RGB(0x00, 0x00, 0x00),  // button text
    RGB(0xC0, 0xC0, 0xC0),  // inactive caption text
    RGB(0xFF, 0xFF, 0xFF),  // button highlight
    RGB(0x00, 0x00, 0x00),  // 3D dark shadow
    RGB(0xC0, 0xC0, 0xC0),  // 3D light
    RGB(0x00, 0x00, 0x00),  // info text
    RGB(0xFF, 0xFF, 0xE1),  // info background
};

std::array<COLORREF, COLOR_SYSTEM_COUNT>& Table() {
  static std::array<COLORREF, COLOR_SYSTEM_COUNT> table = kClassicScheme;
  return table;
}

}  // namespace

COLORREF GetSysColor(int index) {
  if (index < 0 || index >= COLOR_SYSTEM_COUNT) return 0;
  return Table()[static_cast<std::size_t>(index)];
}

void SetSysColor(int index, COLORREF value) {
  if (index < 0 || index >= COLOR_SYSTEM_COUNT) return;
  Table()[static_cast<std::size_t>(index)] = value & 0xFFFFFF;
}

void ResetSysColors() { Table() = kClassicScheme; }

COLORREF ColorToRGB(TColor color) {
  if (IsSystemColor(color)) return GetSysColor(static_cast<int>(static_cast<std::uint32_t>(color) & 0xFF));
  if (color == clNone || color == clDefault) return 0;
  return static_cast<COLORREF>(color) & 0xFFFFFF;
}

std::uint32_t ColorToArgb(TColor color) {
  COLORREF c = ColorToRGB(color);
  return 0xFF000000u | (std::uint32_t{GetRValue(c)} << 16) | (std::uint32_t{GetGValue(c)} << 8) | GetBValue(c);
}

TColor ArgbToColor(std::uint32_t argb) {
  return static_cast<TColor>(RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF));
}
