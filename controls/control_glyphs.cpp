#include "controls/control_glyphs.h"

#include "platform/gfx/bitmap.h"
#include "platform/gfx/colors.h"
#include "platform/gfx/resources.h"

namespace {

void RegisterFontBitmaps() {
  static const bool done = [] {
    auto paint = [](TColor colour, bool letterT) {
      return [colour, letterT](TBitmap& bmp) {
        bmp.SetPixelFormat(pf24bit);
        bmp.SetSize(12, 12);
        TCanvas& c = bmp.Canvas();
        c.Brush().SetColor(clFuchsia);
        c.FillRect(Rect(0, 0, 12, 12));
        c.Brush().SetColor(colour);
        if (letterT) {
          c.FillRect(Rect(1, 1, 11, 3));
          c.FillRect(Rect(5, 3, 7, 11));
        } else {
          c.FillRect(Rect(2, 1, 4, 11));
          c.FillRect(Rect(4, 1, 10, 3));
          c.FillRect(Rect(4, 5, 8, 7));
        }
      };
    };
    RegisterBitmapResource("TTF_FONT", paint(RGB(0, 0, 128), true));
    RegisterBitmapResource("FIX_FONT", paint(RGB(0, 0, 0), false));
    RegisterBitmapResource("PRN_FONT", paint(RGB(128, 0, 0), false));
    return true;
  }();
  (void)done;
}

}  // namespace

const TBitmap* ControlGlyph(const std::string& name) {
  RegisterFontBitmaps();
  return FindBitmapResource(name);
}
