#include "print/preview_art.h"

#include <functional>
#include <string>

#include "platform/gfx/bitmap.h"
#include "platform/gfx/resources.h"

namespace {

constexpr COLORREF kKey = 0xFF00FF;  // the transparent colour (bottom-left pixel)
constexpr COLORREF kInk = 0x000000;
constexpr COLORREF kPaper = 0xFFFFFF;
constexpr COLORREF kBlue = 0x800000;   // BGR: dark blue
constexpr COLORREF kGreen = 0x008000;
constexpr COLORREF kRed = 0x0000C0;
constexpr COLORREF kGrey = 0x808080;

struct TArt {
  TBitmap& B;
  void Bar(int x0, int y0, int x1, int y1, COLORREF c) {
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x)
        if (x >= 0 && y >= 0 && x < B.Width() && y < B.Height()) B.SetPixelAt(x, y, c);
  }
  void Frame(int x0, int y0, int x1, int y1, COLORREF c) {
    Bar(x0, y0, x1, y0, c);
    Bar(x0, y1, x1, y1, c);
    Bar(x0, y0, x0, y1, c);
    Bar(x1, y0, x1, y1, c);
  }
  // A solid triangle pointing left (dir -1) or right (dir 1) with its tip at x, centre y.
  void Arrow(int tipX, int y, int size, int dir, COLORREF c) {
    for (int i = 0; i < size; ++i) Bar(tipX - dir * i, y - i, tipX - dir * i, y + i, c);
  }
  void Page(int x0, int y0, int x1, int y1) {
    Bar(x0, y0, x1, y1, kPaper);
    Frame(x0, y0, x1, y1, kInk);
  }
  void Clear() { Bar(0, 0, B.Width() - 1, B.Height() - 1, kKey); }
};

void Register(const std::string& name, int w, int h, std::function<void(TArt&)> draw) {
  RegisterBitmapResource(name, [w, h, draw](TBitmap& bmp) {
    bmp.SetSize(w, h);
    TArt a{bmp};
    a.Clear();
    draw(a);
  });
}

void Magnifier(TArt& a) {
  a.Frame(2, 2, 10, 10, kInk);
  a.Bar(3, 3, 9, 9, kPaper);
  a.Bar(10, 10, 11, 11, kInk);
  a.Bar(11, 11, 14, 14, kInk);
  a.Bar(12, 11, 14, 13, kInk);
}

TCursorImage ZoomCursor(bool plus) {
  TCursorImage c;
  c.Width = c.Height = 32;
  c.HotSpot = {6, 6};
  c.Pixels.assign(32 * 32, 0);
  auto put = [&](int x0, int y0, int x1, int y1, std::uint32_t color) {
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) c.Pixels[static_cast<std::size_t>(y) * 32 + x] = color;
  };
  put(0, 0, 12, 12, 0xFF000000);
  put(1, 1, 11, 11, 0xFFFFFFFF);
  put(11, 11, 17, 17, 0xFF000000);
  put(3, 6, 9, 6, 0xFF000000);
  if (plus) put(6, 3, 6, 9, 0xFF000000);
  return c;
}

}  // namespace

void RegisterPreviewResources() {
  static bool done = false;
  if (done) return;
  done = true;
  Register("FIRST", 16, 16, [](TArt& a) {
    a.Bar(3, 3, 4, 12, kBlue);
    a.Arrow(5, 7, 6, -1, kBlue);
    a.Arrow(9, 7, 6, -1, kBlue);
  });
  Register("PREV", 16, 16, [](TArt& a) { a.Arrow(5, 7, 6, -1, kBlue); });
  Register("NEXT", 16, 16, [](TArt& a) { a.Arrow(10, 7, 6, 1, kBlue); });
  Register("LAST", 16, 16, [](TArt& a) {
    a.Arrow(6, 7, 6, 1, kBlue);
    a.Arrow(10, 7, 6, 1, kBlue);
    a.Bar(11, 3, 12, 12, kBlue);
  });
  Register("ADDPAGE", 16, 16, [](TArt& a) {
    a.Page(1, 1, 10, 13);
    a.Bar(8, 10, 15, 11, kGreen);
    a.Bar(11, 7, 12, 14, kGreen);
  });
  Register("DELETEPAGE", 16, 16, [](TArt& a) {
    a.Page(1, 1, 10, 13);
    a.Bar(8, 10, 15, 11, kRed);
  });
  Register("CLEAR", 16, 16, [](TArt& a) {
    a.Page(2, 1, 12, 14);
    for (int i = 0; i < 9; ++i) {
      a.Bar(3 + i, 3 + i, 4 + i, 3 + i, kRed);
      a.Bar(11 - i, 3 + i, 12 - i, 3 + i, kRed);
    }
  });
  Register("ZOOMIN", 16, 16, [](TArt& a) {
    Magnifier(a);
    a.Bar(4, 6, 8, 6, kInk);
    a.Bar(6, 4, 6, 8, kInk);
  });
  Register("ZOOMOUT", 16, 16, [](TArt& a) {
    Magnifier(a);
    a.Bar(4, 6, 8, 6, kInk);
  });
  Register("ACTUALSIZE", 16, 16, [](TArt& a) {
    a.Page(1, 1, 14, 14);
    a.Bar(4, 4, 5, 11, kInk);
    a.Bar(7, 6, 8, 7, kInk);
    a.Bar(7, 9, 8, 10, kInk);
    a.Bar(10, 4, 11, 11, kInk);
  });
  Register("FITWIDTH", 16, 16, [](TArt& a) {
    a.Page(3, 1, 12, 14);
    a.Bar(2, 7, 13, 8, kBlue);
    a.Arrow(1, 7, 3, -1, kBlue);
    a.Arrow(14, 7, 3, 1, kBlue);
  });
  Register("FITHEIGHT", 16, 16, [](TArt& a) {
    a.Page(3, 1, 12, 14);
    a.Bar(7, 2, 8, 13, kBlue);
    for (int i = 0; i < 3; ++i) {
      a.Bar(7 - i, 2 + i, 8 + i, 2 + i, kBlue);
      a.Bar(7 - i, 13 - i, 8 + i, 13 - i, kBlue);
    }
  });
  Register("FITWHOLEPAGE", 16, 16, [](TArt& a) {
    a.Page(3, 1, 12, 14);
    a.Frame(5, 3, 10, 12, kBlue);
  });
  Register("Portrait", 16, 16, [](TArt& a) { a.Page(3, 1, 12, 14); });
  Register("Landscape", 16, 16, [](TArt& a) { a.Page(1, 3, 14, 12); });
  Register("OnePage", 16, 16, [](TArt& a) { a.Page(3, 1, 12, 14); });
  Register("TwoPage", 16, 16, [](TArt& a) {
    a.Page(3, 1, 12, 14);
    a.Bar(3, 7, 12, 7, kInk);
  });
  Register("FourPage", 16, 16, [](TArt& a) {
    a.Page(3, 1, 12, 14);
    a.Bar(3, 7, 12, 7, kInk);
    a.Bar(7, 1, 7, 14, kInk);
  });
  Register("Envelope", 16, 16, [](TArt& a) {
    a.Page(1, 4, 14, 12);
    for (int i = 0; i < 7; ++i) {
      a.Bar(1 + i, 4 + i / 2 + (i > 3 ? 0 : 0), 1 + i, 4 + i / 2, kInk);
      a.Bar(14 - i, 4 + i / 2, 14 - i, 4 + i / 2, kInk);
    }
  });
  Register("Paper", 16, 16, [](TArt& a) {
    a.Page(3, 1, 12, 14);
    for (int y = 4; y <= 11; y += 2) a.Bar(5, y, 10, y, kGrey);
  });
  Register("Printer", 16, 16, [](TArt& a) {
    a.Page(4, 1, 11, 6);
    a.Bar(1, 6, 14, 11, kGrey);
    a.Frame(1, 6, 14, 11, kInk);
    a.Page(4, 10, 11, 14);
  });
  RegisterCursorResource(ResourceNumber(101), [] { return ZoomCursor(true); });
  RegisterCursorResource(ResourceNumber(102), [] { return ZoomCursor(false); });
  RegisterCursorResource("ZoomIn", [] { return ZoomCursor(true); });
  RegisterCursorResource("ZoomOut", [] { return ZoomCursor(false); });
}
