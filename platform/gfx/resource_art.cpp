// The program's own pictures: cursors are black shapes with a white rim on 32 × 32 pixels,
// built from a few figures (triangles, bars, rings) and turned about the middle for their
// other directions; the small bitmaps are pixel art.
#include <algorithm>
#include <cmath>

#include "platform/gfx/bitmap.h"
#include "platform/gfx/resources.h"

namespace {

constexpr int kSize = 32;
constexpr int kMid = 15;  // figures turn about (15, 15)

// Which pixels a cursor's shape covers.
class TShape {
public:
  TShape() : FOn(kSize * kSize, false) {}

  bool On(int x, int y) const { return x >= 0 && y >= 0 && x < kSize && y < kSize && FOn[y * kSize + x]; }
  void Set(int x, int y) {
    if (x >= 0 && y >= 0 && x < kSize && y < kSize) FOn[y * kSize + x] = true;
  }
  void Bar(int left, int top, int right, int bottom) {  // inclusive
    for (int y = top; y <= bottom; ++y)
      for (int x = left; x <= right; ++x) Set(x, y);
  }
  void Triangle(TPoint a, TPoint b, TPoint c) {
    auto side = [](TPoint p, TPoint q, double x, double y) {
      return (q.X - p.X) * (y - p.Y) - (q.Y - p.Y) * (x - p.X);
    };
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x) {
        double s1 = side(a, b, x, y), s2 = side(b, c, x, y), s3 = side(c, a, x, y);
        bool neg = s1 < 0 || s2 < 0 || s3 < 0, pos = s1 > 0 || s2 > 0 || s3 > 0;
        if (!(neg && pos)) Set(x, y);
      }
  }
  // Pixels whose distance from the centre lies in [inner, outer].
  void Ring(double cx, double cy, double inner, double outer) {
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x) {
        double d = std::hypot(x - cx, y - cy);
        if (d >= inner && d <= outer) Set(x, y);
      }
  }
  // A line `width` pixels thick.
  void Line(TPoint a, TPoint b, double width) {
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x) {
        double dx = b.X - a.X, dy = b.Y - a.Y, len2 = dx * dx + dy * dy;
        double t = len2 > 0 ? std::clamp(((x - a.X) * dx + (y - a.Y) * dy) / len2, 0.0, 1.0) : 0.0;
        if (std::hypot(x - (a.X + t * dx), y - (a.Y + t * dy)) <= width / 2) Set(x, y);
      }
  }
  void Add(const TShape& other) {
    for (std::size_t i = 0; i < FOn.size(); ++i) FOn[i] = FOn[i] || other.FOn[i];
  }
  // A quarter turn clockwise about the middle, `times` times.
  TShape Turned(int times) const {
    TShape s = *this;
    for (int t = 0; t < (times % 4 + 4) % 4; ++t) {
      TShape r;
      for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
          if (s.On(x, y)) r.Set(2 * kMid - y, x);
      s = r;
    }
    return s;
  }

private:
  std::vector<bool> FOn;
};

TPoint TurnPoint(TPoint p, int times) {
  for (int t = 0; t < (times % 4 + 4) % 4; ++t) p = {2 * kMid - p.Y, p.X};
  return p;
}

// Black shape, white rim one pixel wide, clear elsewhere.
TCursorImage MakeCursor(const TShape& shape, TPoint hot) {
  TCursorImage c;
  c.Width = c.Height = kSize;
  c.HotSpot = hot;
  c.Pixels.assign(kSize * kSize, 0);
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      std::uint32_t& p = c.Pixels[y * kSize + x];
      if (shape.On(x, y)) {
        p = 0xFF000000u;
        continue;
      }
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
          if (shape.On(x + dx, y + dy)) p = 0xFFFFFFFFu;
    }
  return c;
}

// The image over a background colour, as a bitmap.
void PaintOver(const TCursorImage& image, COLORREF background, TBitmap& bmp) {
  bmp.SetSize(image.Width, image.Height);
  for (int y = 0; y < image.Height; ++y)
    for (int x = 0; x < image.Width; ++x) {
      std::uint32_t p = image.PixelAt(x, y);
      bmp.SetPixelAt(x, y, (p >> 24) ? RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF) : background);
    }
}

// ---- Panning -----------------------------------------------------------------------------

// The mark of the pan origin: a ring with a dot.
TShape PanRing() {
  TShape s;
  s.Ring(kMid, kMid, 2.6, 4.2);
  s.Bar(kMid, kMid, kMid, kMid);
  return s;
}

// Arrow heads pointing up and up-right; the others are turns of them.
TShape PanHead(int turns) {
  TShape s;
  s.Triangle({kMid, 3}, {kMid - 5, 8}, {kMid + 5, 8});
  return s.Turned(turns);
}
TShape PanDiagonalHead(int turns) {
  TShape s;
  s.Triangle({26, 4}, {19, 5}, {25, 11});
  return s.Turned(turns);
}

TShape PanMark(bool up, bool right, bool down, bool left) {
  TShape s = PanRing();
  if (up) s.Add(PanHead(0));
  if (right) s.Add(PanHead(1));
  if (down) s.Add(PanHead(2));
  if (left) s.Add(PanHead(3));
  return s;
}

void RegisterPanCursor(int id, const TShape& shape) {
  RegisterCursorResource(ResourceNumber(id), [shape] { return MakeCursor(shape, {kMid, kMid}); });
}

void RegisterPanMark(const std::string& name, const TShape& shape) {
  // Magenta corners: the grid draws the mark with its top-left colour left out.
  RegisterBitmapResource(name, [shape](TBitmap& bmp) { PaintOver(MakeCursor(shape, {}), RGB(255, 0, 255), bmp); });
}

// ---- Header selection ----------------------------------------------------------------------

// A thick arrow pointing down with its tip at (15, 17).
TShape DownArrow() {
  TShape s;
  s.Bar(kMid - 1, 4, kMid + 1, 11);
  s.Triangle({kMid - 6, 11}, {kMid + 6, 11}, {kMid, 17});
  return s;
}

// ---- Vertical arrows (the start-up cursors) ------------------------------------------------

TShape UpHead() {
  TShape s;
  s.Triangle({kMid, 2}, {kMid - 6, 8}, {kMid + 6, 8});
  return s;
}

TShape UpOnly() {
  TShape s = UpHead();
  s.Bar(kMid - 1, 8, kMid + 1, 24);
  s.Bar(kMid - 5, 25, kMid + 5, 26);
  return s;
}

TShape UpDown() {
  TShape s = UpHead();
  s.Add(UpHead().Turned(2));
  s.Bar(kMid - 1, 8, kMid + 1, 22);
  return s;
}

// The common pointer, tip at (2, 2), with a mark beside it.
TShape Pointer() {
  TShape s;
  s.Triangle({2, 2}, {2, 18}, {13, 13});
  s.Line({6, 13}, {10, 21}, 3);
  return s;
}

// ---- Zoom ------------------------------------------------------------------------------------

TShape Magnifier(bool plus) {
  TShape s;
  s.Ring(11, 11, 6, 7.6);
  s.Line({16, 16}, {26, 26}, 3.5);
  s.Bar(8, 10, 14, 12);
  if (plus) s.Bar(10, 8, 12, 14);
  return s;
}

// ---- Pixel art -------------------------------------------------------------------------------
// Made when first used: a program that registers no art (the server's CGI process) builds none.

const TPixelArt& LinkHand() {
  static const TPixelArt art = {
      "X=000000 o=FFFFFF",
      {
          "......XX.........",
          ".....XooX........",
          ".....XooX........",
          ".....XooX........",
          ".....XooXXX......",
          ".....XooXooXXX...",
          ".....XooXooXooXX.",
          ".XX..XooXooXooXoX",
          "XooX.XooooooooooX",
          "XoooXXooooooooooX",
          ".XooXoooooooooooX",
          "..XoooooooooooooX",
          "...XooooooooooooX",
          "...XoooooooooooX.",
          "....XooooooooooX.",
          "....XoooooooooX..",
          ".....XooooooooX..",
          ".....XooooooooX..",
          ".....XXXXXXXXXX..",
      }};
  return art;
}

const TPixelArt& SpinUp() {
  static const TPixelArt art = {
      "B=C0C0C0 X=000000",
      {
          "BBBBBBBBB",
          "BBBBXBBBB",
          "BBBXXXBBB",
          "BBXXXXXBB",
          "BXXXXXXXB",
          "BBBBBBBBB",
      }};
  return art;
}

// A page with a folded corner and lines of text.
const TPixelArt& PageArt() {
  static const TPixelArt art = {
      "K=000000 W=FFFFFF G=808080 B=C0C0C0",
      {
          "BBKKKKKKKKKBBBBB",
          "BBKWWWWWWWKKBBBB",
          "BBKWWWWWWWKWKBBB",
          "BBKWGGGGWWKKKKBB",
          "BBKWWWWWWWWWWKBB",
          "BBKWGGGGGGGGWKBB",
          "BBKWWWWWWWWWWKBB",
          "BBKWGGGGGGGGWKBB",
          "BBKWWWWWWWWWWKBB",
          "BBKWGGGGGGGGWKBB",
          "BBKWWWWWWWWWWKBB",
          "BBKWGGGGGGWWWKBB",
          "BBKWWWWWWWWWWKBB",
          "BBKWWWWWWWWWWKBB",
          "BBKKKKKKKKKKKKBB",
          "BBBBBBBBBBBBBBBB",
      }};
  return art;
}

// A folder.
const TPixelArt& FolderArt() {
  static const TPixelArt art = {
      "K=000000 Y=FFFF80 D=C0A000 B=C0C0C0",
      {
          "BBBBBBBBBBBBBBBB",
          "BBBBBBBBBBBBBBBB",
          "BKKKKKBBBBBBBBBB",
          "KYYYYYKBBBBBBBBB",
          "KYYYYYYKKKKKKKKB",
          "KYYYYYYYYYYYYYKB",
          "KYKKKKKKKKKKKKKK",
          "KYKDDDDDDDDDDDDK",
          "KYKDDDDDDDDDDDKB",
          "KKDDDDDDDDDDDDKB",
          "KKDDDDDDDDDDDKBB",
          "KDDDDDDDDDDDDKBB",
          "KKKKKKKKKKKKKBBB",
          "BBBBBBBBBBBBBBBB",
          "BBBBBBBBBBBBBBBB",
          "BBBBBBBBBBBBBBBB",
      }};
  return art;
}

void RegisterArt(const std::string& name, const TPixelArt& art, bool upsideDown = false) {
  RegisterBitmapResource(name, [&art, upsideDown](TBitmap& bmp) {
    TPixelArt a = art;
    if (upsideDown) std::reverse(a.Rows.begin(), a.Rows.end());
    PaintOver(PaintPixelArt(a), 0, bmp);
  });
}

// A small table: a header row and cells.
void PaintTable(TBitmap& bmp) {
  bmp.SetSize(16, 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      COLORREF c = RGB(192, 192, 192);
      if (x >= 1 && x <= 14 && y >= 2 && y <= 13) {
        bool line = x == 1 || x == 14 || y == 2 || y == 13 || x == 6 || y % 3 == 2;
        c = line ? RGB(0, 0, 0) : (y < 5 ? RGB(0, 0, 128) : RGB(255, 255, 255));
      }
      bmp.SetPixelAt(x, y, c);
    }
}

}  // namespace

void RegisterProgramArt() {
  // Pan cursors by direction, and the origin marks.
  RegisterPanCursor(8000, PanMark(true, true, true, true));
  RegisterPanCursor(8001, PanMark(false, false, true, false));
  RegisterPanCursor(8002, PanMark(false, false, false, true));
  RegisterPanCursor(8003, PanMark(false, true, false, false));
  RegisterPanCursor(8004, PanMark(true, false, false, false));
  const int diagonal[4][2] = {{8005, 0}, {8007, 1}, {8008, 2}, {8006, 3}};  // up-right, clockwise
  for (const auto& d : diagonal) {
    TShape s = PanRing();
    s.Add(PanDiagonalHead(d[1]));
    RegisterPanCursor(d[0], s);
  }
  RegisterPanMark("INTLI1", PanMark(true, true, true, true));
  RegisterPanMark("INTLI2", PanMark(false, true, false, true));
  RegisterPanMark("INTLI3", PanMark(true, false, true, false));

  // Whole column (down), whole row (right), whole grid (diagonal, into the corner).
  RegisterCursorResource(ResourceNumber(8011), [] { return MakeCursor(DownArrow(), {kMid, 17}); });
  RegisterCursorResource(ResourceNumber(8010), [] { return MakeCursor(DownArrow().Turned(3), TurnPoint({kMid, 17}, 3)); });
  RegisterCursorResource(ResourceNumber(8012), [] {
    TShape s;
    s.Line({7, 7}, {14, 14}, 3);
    s.Triangle({18, 18}, {9, 17}, {17, 9});
    return MakeCursor(s, {18, 18});
  });

  RegisterCursorResource(ResourceNumber(8019), [] { return PaintPixelArt(LinkHand(), {6, 1}); });

  // Start-up cursors: drag with copy (a plus) and with move (a box); the vertical arrows.
  RegisterCursorResource(ResourceNumber(1003), [] {
    TShape s = Pointer();
    s.Bar(20, 16, 28, 18);
    s.Bar(23, 13, 25, 21);
    return MakeCursor(s, {2, 2});
  });
  RegisterCursorResource(ResourceNumber(1006), [] {
    TShape s = Pointer();
    s.Bar(18, 18, 28, 19);
    s.Bar(18, 26, 28, 27);
    s.Bar(18, 18, 19, 27);
    s.Bar(27, 18, 28, 27);
    return MakeCursor(s, {2, 2});
  });
  RegisterCursorResource("UPDOWNCURSOR", [] { return MakeCursor(UpDown(), {kMid, kMid}); });
  RegisterCursorResource("UPONLYCURSOR", [] { return MakeCursor(UpOnly(), {kMid, kMid}); });
  RegisterCursorResource("DOWNONLYCURSOR", [] { return MakeCursor(UpOnly().Turned(2), {kMid, kMid}); });
  RegisterCursorResource("ZoomIn", [] { return MakeCursor(Magnifier(true), {11, 11}); });
  RegisterCursorResource("ZoomOut", [] { return MakeCursor(Magnifier(false), {11, 11}); });

  // Spin button glyphs.
  RegisterArt("CellSpinUp", SpinUp());
  RegisterArt("CellSpinDown", SpinUp(), true);
  RegisterArt("QnSpinUp", SpinUp());
  RegisterArt("QnSpinDown", SpinUp(), true);

  // The start-up bitmaps.
  RegisterArt(ResourceNumber(1001), PageArt());
  RegisterArt(ResourceNumber(1002), FolderArt());
  RegisterBitmapResource(ResourceNumber(1005), PaintTable);
}
