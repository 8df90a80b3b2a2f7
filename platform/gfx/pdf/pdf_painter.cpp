#include "platform/gfx/pdf/pdf_painter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/gfx/bitmap.h"
#include "platform/gfx/jpeg_image.h"
#include "platform/gfx/paths.h"
#include "platform/rtl/utf8_text.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
// The control point distance of a quarter ellipse drawn as one cubic Bézier.
constexpr double kKappa = 0.5522847498;

void AppendColor(std::string& out, COLORREF c, const char* op) {
  const int parts[3] = {GetRValue(c), GetGValue(c), GetBValue(c)};
  for (int v : parts) {
    if (v == 0 || v == 255) {
      out.push_back(v ? '1' : '0');
    } else {
      AppendPdfNumber(out, v / 255.0);
    }
    out.push_back(' ');
  }
  out += op;
  out.push_back('\n');
}

}  // namespace

int PaintFontPixelSize(const TPaintFont& f) {
  const int height = f.Height == 0 ? -11 : f.Height;
  return std::max(1, height < 0 ? -height : std::max(1, height - height / 6));
}

TPdfPainter::TPdfPainter(TPdfDocument& document, TPdfFontSource& fonts, TPainter& metrics, const TPrinterCaps& caps)
    : TPaperPainter(caps), FDocument(document), FFonts(fonts), FMetrics(metrics), FOut(document.Content()) {
  // Device pixels with y downwards, from the sheet's top-left corner.
  const double scale = 72.0 / std::max(1, caps.DpiX), scaleY = 72.0 / std::max(1, caps.DpiY);
  const long long sheetHeight = std::lround(caps.PhysicalHeight * scaleY);
  FOut += "q ";
  AppendPdfNumber(FOut, scale);
  FOut += " 0 0 ";
  AppendPdfNumber(FOut, -scaleY);
  FOut += " 0 ";
  AppendPdfInt(FOut, sheetHeight);
  FOut += " cm\n0 J 0 j\n";
}

TPdfPainter::~TPdfPainter() { Finish(); }

void TPdfPainter::Finish() {
  if (FFinished) return;
  EndText();
  if (FClipOpen) FOut += "Q\n";
  FOut += "Q\n";
  FClipOpen = false;
  FFinished = true;
}

void TPdfPainter::EndText() {
  if (!FInText) return;
  FOut += "ET\n";
  FInText = false;
}

void TPdfPainter::SetFill(COLORREF color) {
  color &= 0xFFFFFF;
  if (FState.Fill == static_cast<long long>(color)) return;
  FState.Fill = color;
  AppendColor(FOut, color, "rg");
}

void TPdfPainter::SetStroke(const TPaintPen& pen) {
  const COLORREF color = pen.Color & 0xFFFFFF;
  if (FState.Stroke != static_cast<long long>(color)) {
    FState.Stroke = color;
    AppendColor(FOut, color, "RG");
  }
  // Widths 0 and 1 are the thinnest line the device draws.
  const int width = pen.Width <= 1 ? 0 : pen.Width;
  if (FState.LineWidth != width) {
    FState.LineWidth = width;
    AppendPdfInt(FOut, width);
    FOut += " w\n";
  }
  const int dash = pen.Style == psDash || pen.Style == psDot || pen.Style == psDashDot || pen.Style == psDashDotDot
                       ? static_cast<int>(pen.Style)
                       : 0;
  if (FState.Dash != dash * 1000 + width) {
    FState.Dash = dash * 1000 + width;
    const int u = std::max(1, width) * 3;
    std::string pattern;
    auto add = [&](int n) {
      AppendPdfInt(pattern, n);
      pattern.push_back(' ');
    };
    switch (pen.Style) {
      case psDash: add(4 * u); add(2 * u); break;
      case psDot: add(u); add(2 * u); break;
      case psDashDot: add(4 * u); add(2 * u); add(u); add(2 * u); break;
      case psDashDotDot: add(4 * u); add(2 * u); add(u); add(2 * u); add(u); add(2 * u); break;
      default: break;
    }
    if (!pattern.empty()) pattern.pop_back();
    FOut += "[" + pattern + "] 0 d\n";
  }
}

void TPdfPainter::Point(double x, double y, const char* op) {
  AppendPdfNumber(FOut, x);
  FOut.push_back(' ');
  AppendPdfNumber(FOut, y);
  FOut.push_back(' ');
  FOut += op;
  FOut.push_back('\n');
}

void TPdfPainter::RectPath(const TRect& r) {
  AppendPdfInt(FOut, r.Left);
  FOut.push_back(' ');
  AppendPdfInt(FOut, r.Top);
  FOut.push_back(' ');
  AppendPdfInt(FOut, r.Right - r.Left);
  FOut.push_back(' ');
  AppendPdfInt(FOut, r.Bottom - r.Top);
  FOut += " re\n";
}

void TPdfPainter::SetClip(const std::vector<TRect>& rects, bool clipped) {
  EndText();
  if (FClipOpen) {
    FOut += "Q\n";
    FState = FBeforeClip;
    FClipOpen = false;
  }
  if (!clipped) return;
  FBeforeClip = FState;
  FOut += "q\n";
  FClipOpen = true;
  bool any = false;
  for (const TRect& r : rects)
    if (r.Right > r.Left && r.Bottom > r.Top) {
      RectPath(r);
      any = true;
    }
  if (!any) FOut += "0 0 0 0 re\n";
  // Rectangles of one direction: their union under the non-zero rule.
  FOut += "W n\n";
}

void TPdfPainter::Hatch(const TRect& b, const TPaintBrush& brush) {
  // Lines every 1/12 inch across the bounds, inside the clip of the path before.
  const int step = std::max(4, FCaps.DpiX / 12);
  const int w = b.Right - b.Left, h = b.Bottom - b.Top;
  TPaintPen pen;
  pen.Color = brush.Color;
  SetStroke(pen);
  const bool level = brush.Style == bsHorizontal || brush.Style == bsCross;
  const bool upright = brush.Style == bsVertical || brush.Style == bsCross;
  const bool down = brush.Style == bsFDiagonal || brush.Style == bsDiagCross;
  const bool up = brush.Style == bsBDiagonal || brush.Style == bsDiagCross;
  if (level)
    for (int y = b.Top; y < b.Bottom; y += step) {
      Point(b.Left, y, "m");
      Point(b.Right, y, "l");
    }
  if (upright)
    for (int x = b.Left; x < b.Right; x += step) {
      Point(x, b.Top, "m");
      Point(x, b.Bottom, "l");
    }
  for (int d = -h; d < w && (down || up); d += step) {
    if (down) {
      Point(b.Left + d, b.Top, "m");
      Point(b.Left + d + h, b.Bottom, "l");
    }
    if (up) {
      Point(b.Left + d, b.Bottom, "m");
      Point(b.Left + d + h, b.Top, "l");
    }
  }
  FOut += "S\n";
}

void TPdfPainter::PaintPath(const std::string& path, const TRect& bounds, const TPaintPen& pen,
                            const TPaintBrush& brush, bool evenOdd) {
  const bool fill = brush.Style != bsClear, stroke = pen.Style != psClear;
  if (!fill && !stroke) return;
  EndText();
  if (fill && brush.Style != bsSolid) {
    // A hatched fill: its lines clipped to the path.
    const TState saved = FState;
    FOut += "q\n" + path + (evenOdd ? "W* n\n" : "W n\n");
    Hatch(bounds, brush);
    FOut += "Q\n";
    FState = saved;
    if (!stroke) return;
    SetStroke(pen);
    FOut += path + "S\n";
    return;
  }
  if (fill) SetFill(brush.Color);
  if (stroke) SetStroke(pen);
  FOut += path;
  FOut += fill && stroke ? (evenOdd ? "B*\n" : "B\n") : fill ? (evenOdd ? "f*\n" : "f\n") : "S\n";
}

void TPdfPainter::Polyline(const std::vector<TPoint>& points, const TPaintPen& pen) {
  if (points.size() < 2 || pen.Style == psClear) return;
  EndText();
  SetStroke(pen);
  // Lines leave out their last point.
  TPoint last = points.back();
  const TPoint prev = points[points.size() - 2];
  if (last.X != prev.X) last.X += last.X > prev.X ? -1 : 1;
  if (last.Y != prev.Y) last.Y += last.Y > prev.Y ? -1 : 1;
  for (std::size_t i = 0; i + 1 < points.size(); ++i) Point(points[i].X, points[i].Y, i == 0 ? "m" : "l");
  Point(last.X, last.Y, "l");
  FOut += "S\n";
}

void TPdfPainter::Polygon(const std::vector<TPoint>& points, const TPaintPen& pen, const TPaintBrush& brush,
                          TFillMode mode) {
  if (points.size() < 2) return;
  std::string path;
  TRect bounds{points[0].X, points[0].Y, points[0].X, points[0].Y};
  for (std::size_t i = 0; i < points.size(); ++i) {
    AppendPdfInt(path, points[i].X);
    path.push_back(' ');
    AppendPdfInt(path, points[i].Y);
    path += i == 0 ? " m\n" : " l\n";
    bounds.Left = std::min(bounds.Left, points[i].X);
    bounds.Top = std::min(bounds.Top, points[i].Y);
    bounds.Right = std::max(bounds.Right, points[i].X);
    bounds.Bottom = std::max(bounds.Bottom, points[i].Y);
  }
  path += "h\n";
  PaintPath(path, bounds, pen, brush, mode != fmWinding);
}

void TPdfPainter::Rectangle(const TRect& r, const TPaintPen& pen, const TPaintBrush& brush) {
  if (r.Right <= r.Left || r.Bottom <= r.Top) return;
  FillRect(r, brush);
  if (pen.Style == psClear) return;
  EndText();
  SetStroke(pen);
  RectPath(TRect{r.Left, r.Top, r.Right - 1, r.Bottom - 1});
  FOut += "S\n";
}

std::string TPdfPainter::EllipsePath(double l, double t, double r, double b) {
  const double cx = (l + r) / 2, cy = (t + b) / 2, rx = (r - l) / 2, ry = (b - t) / 2;
  const double kx = rx * kKappa, ky = ry * kKappa;
  std::string p;
  auto pt = [&p](double x, double y) {
    AppendPdfNumber(p, x);
    p.push_back(' ');
    AppendPdfNumber(p, y);
    p.push_back(' ');
  };
  pt(cx + rx, cy);
  p += "m\n";
  pt(cx + rx, cy + ky); pt(cx + kx, cy + ry); pt(cx, cy + ry); p += "c\n";
  pt(cx - kx, cy + ry); pt(cx - rx, cy + ky); pt(cx - rx, cy); p += "c\n";
  pt(cx - rx, cy - ky); pt(cx - kx, cy - ry); pt(cx, cy - ry); p += "c\n";
  pt(cx + kx, cy - ry); pt(cx + rx, cy - ky); pt(cx + rx, cy); p += "c\nh\n";
  return p;
}

void TPdfPainter::RoundRect(const TRect& r, int ellipseWidth, int ellipseHeight, const TPaintPen& pen,
                            const TPaintBrush& brush) {
  if (r.Right <= r.Left || r.Bottom <= r.Top) return;
  const double l = r.Left, t = r.Top, rr = r.Right - 1, b = r.Bottom - 1;
  const double rx = std::min(std::abs(ellipseWidth) / 2.0, (rr - l) / 2), ry = std::min(std::abs(ellipseHeight) / 2.0, (b - t) / 2);
  const double kx = rx * (1 - kKappa), ky = ry * (1 - kKappa);
  std::string p;
  auto pt = [&p](double x, double y) {
    AppendPdfNumber(p, x);
    p.push_back(' ');
    AppendPdfNumber(p, y);
    p.push_back(' ');
  };
  pt(l + rx, t); p += "m\n";
  pt(rr - rx, t); p += "l\n";
  pt(rr - kx, t); pt(rr, t + ky); pt(rr, t + ry); p += "c\n";
  pt(rr, b - ry); p += "l\n";
  pt(rr, b - ky); pt(rr - kx, b); pt(rr - rx, b); p += "c\n";
  pt(l + rx, b); p += "l\n";
  pt(l + kx, b); pt(l, b - ky); pt(l, b - ry); p += "c\n";
  pt(l, t + ry); p += "l\n";
  pt(l, t + ky); pt(l + kx, t); pt(l + rx, t); p += "c\nh\n";
  PaintPath(p, r, pen, brush, false);
}

void TPdfPainter::Ellipse(const TRect& r, const TPaintPen& pen, const TPaintBrush& brush) {
  if (r.Right <= r.Left || r.Bottom <= r.Top) return;
  PaintPath(EllipsePath(r.Left, r.Top, r.Right - 1, r.Bottom - 1), r, pen, brush, false);
}

void TPdfPainter::FillRect(const TRect& r, const TPaintBrush& brush) {
  if (brush.Style == bsClear || r.Right <= r.Left || r.Bottom <= r.Top) return;
  EndText();
  if (brush.Style != bsSolid) {
    std::string path;
    for (int v : {r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top}) {
      AppendPdfInt(path, v);
      path.push_back(' ');
    }
    path += "re\n";
    PaintPath(path, r, TPaintPen{0, psClear, 1, pmCopy}, brush, false);
    return;
  }
  SetFill(brush.Color);
  RectPath(r);
  FOut += "f\n";
}

void TPdfPainter::SetPixel(int x, int y, COLORREF color) {
  FillRect(TRect{x, y, x + 1, y + 1}, TPaintBrush{color, bsSolid, nullptr});
}

// Nothing to invert on paper.
void TPdfPainter::FocusRect(const TRect&) {}

// Paper cannot be read back.
COLORREF TPdfPainter::GetPixel(int, int) { return 0xFFFFFFFF; }

TTextMetric TPdfPainter::Metrics(const TPaintFont& font) { return FMetrics.Metrics(font); }

int TPdfPainter::TextWidth(const TPaintFont& font, const std::string& text) { return FMetrics.TextWidth(font, text); }

void TPdfPainter::Path(const TPath& path, const TPaintPen& pen, const TPaintBrush& brush, TFillMode mode) {
  if (path.Empty()) return;
  std::string p;
  double minX = path.Points[0].X, minY = path.Points[0].Y, maxX = minX, maxY = minY;
  auto pt = [&](const TPointD& q) {
    AppendPdfNumber(p, q.X);
    p.push_back(' ');
    AppendPdfNumber(p, q.Y);
    p.push_back(' ');
    minX = std::min(minX, q.X);
    minY = std::min(minY, q.Y);
    maxX = std::max(maxX, q.X);
    maxY = std::max(maxY, q.Y);
  };
  for (std::size_t i = 0; i < path.Points.size(); ++i) {
    const BYTE kind = path.Types[i] & ~PT_CLOSEFIGURE;
    if (kind == PT_MOVETO) {
      pt(path.Points[i]);
      p += "m\n";
    } else if (kind == PT_BEZIERTO && i + 2 < path.Points.size()) {
      pt(path.Points[i]);
      pt(path.Points[i + 1]);
      pt(path.Points[i + 2]);
      p += "c\n";
      i += 2;
    } else {
      pt(path.Points[i]);
      p += "l\n";
    }
    if (path.Types[i] & PT_CLOSEFIGURE) p += "h\n";
  }
  const TRect bounds{static_cast<int>(std::floor(minX)), static_cast<int>(std::floor(minY)),
                     static_cast<int>(std::ceil(maxX)) + 1, static_cast<int>(std::ceil(maxY)) + 1};
  PaintPath(p, bounds, pen, brush, mode != fmWinding);
}

void TPdfPainter::TextPath(int x, int y, const std::string& text, const TPaintFont& font, TPath& path) {
  FMetrics.TextPath(x, y, text, font, path);
}

TPdfFontUse* TPdfPainter::FallbackUse(const TPaintFont& font, char32_t cp) {
  std::shared_ptr<TPdfFace> face = FFonts.Fallback(font, cp);
  return face && face->Embeddable() && face->Glyph(cp) != 0 ? &FDocument.Font(face) : nullptr;
}

TPdfFontUse* TPdfPainter::FontUse(const TPaintFont& font) {
  if (FHaveLast && FLastFont == font) return FLastUse;
  std::shared_ptr<TPdfFace> face = FFonts.Face(font);
  FLastUse = face && face->Embeddable() ? &FDocument.Font(face) : nullptr;
  FLastMetric = FMetrics.Metrics(font);
  FLastFont = font;
  FHaveLast = true;
  return FLastUse;
}

void TPdfPainter::TextRun(int x, int y, const std::string& text, const TPaintFont& font, COLORREF color, bool opaque,
                          COLORREF background) {
  if (text.empty()) return;
  TPdfFontUse* use = FontUse(font);
  const TTextMetric tm = FLastMetric;
  const bool turned = font.Orientation % 3600 != 0;
  const double angle = font.Orientation / 10.0 * kPi / 180.0;
  const double cs = turned ? std::cos(angle) : 1.0, sn = turned ? std::sin(angle) : 0.0;
  if (!use) {
    // A face that cannot be embedded: its outlines, filled.
    if (opaque) {
      TPath box;
      const double w = FMetrics.TextWidth(font, text), h = tm.tmHeight;
      box.MoveTo({static_cast<double>(x), static_cast<double>(y)});
      box.LineTo({x + w * cs, y - w * sn});
      box.LineTo({x + w * cs + h * sn, y - w * sn + h * cs});
      box.LineTo({x + h * sn, y + h * cs});
      box.CloseFigure();
      Path(box, TPaintPen{0, psClear, 1, pmCopy}, TPaintBrush{background, bsSolid, nullptr}, fmWinding);
    }
    TPath outline;
    FMetrics.TextPath(x, y, text, font, outline);
    Path(outline, TPaintPen{0, psClear, 1, pmCopy}, TPaintBrush{color, bsSolid, nullptr}, fmWinding);
    return;
  }
  const int size = PaintFontPixelSize(font);
  // The glyphs as hex, four digits each (at most one glyph a byte of the text), in pieces of one
  // face: a character the font lacks comes from the face that the font falls back to.
  static const char digits[] = "0123456789ABCDEF";
  FGlyphs.resize(text.size() * 4);
  FPieces.clear();
  char* const begin = FGlyphs.data();
  char* out = begin;
  double advance = 0;  // pixels
  TPdfFontUse* current = nullptr;
  for (std::size_t i = 0; i < text.size();) {
    char32_t cp = Utf8Decode(text, i);
    // Control characters (a tab, say) leave a space, not the missing-glyph box.
    const bool control = cp < 0x20 || cp == 0x7F;
    if (control) cp = ' ';
    TPdfFontUse* u = use;
    std::uint16_t g = use->Face->Glyph(cp);
    if (g == 0 && cp >= 0x20)
      if (TPdfFontUse* other = FallbackUse(font, cp)) {
        u = other;
        g = other->Face->Glyph(cp);
      }
    if (u != current) {
      FPieces.push_back(TPiece{u, static_cast<std::size_t>(out - begin), 0, advance});
      current = u;
    }
    u->Mark(g, cp);
    advance += static_cast<double>(u->Face->Advance(g)) * size / u->Face->UnitsPerEm();
    out[0] = digits[g >> 12 & 0xF];
    out[1] = digits[g >> 8 & 0xF];
    out[2] = digits[g >> 4 & 0xF];
    out[3] = digits[g & 0xF];
    out += 4;
    FPieces.back().End = static_cast<std::size_t>(out - begin);
    if (control) {
      // The text after it goes on where the measure puts it (a tab's width), as on the screen.
      advance = FMetrics.TextWidth(font, text.substr(0, i));
      current = nullptr;
    }
  }
  // Each piece with its font, placed at its offset along the baseline (x, baseline y).
  auto pieces = [&](double x0, double y0) {
    for (const TPiece& piece : FPieces) {
      if (FState.Font != piece.Use->Index || FState.FontSize != size) {
        FState.Font = piece.Use->Index;
        FState.FontSize = size;
        FOut += "/F";
        AppendPdfInt(FOut, piece.Use->Index);
        FOut.push_back(' ');
        AppendPdfInt(FOut, size);
        FOut += " Tf\n";
      }
      FOut += "1 0 0 -1 ";
      AppendPdfNumber(FOut, x0 + piece.Offset);
      FOut.push_back(' ');
      AppendPdfNumber(FOut, y0);
      FOut += " Tm<";
      FOut.append(begin + piece.Begin, piece.End - piece.Begin);
      FOut += ">Tj\n";
    }
  };
  const bool underline = font.Style.Contains(fsUnderline), strike = font.Style.Contains(fsStrikeOut);
  if (!turned && !opaque && !underline && !strike) {
    // The common case, run after run inside one text object.
    if (!FInText) {
      FOut += "BT\n";
      FInText = true;
    }
    SetFill(color);
    pieces(x, y + tm.tmAscent);
    return;
  }
  // Turned about its start point, with its background and lines: drawn in its own frame.
  EndText();
  const TState saved = FState;
  FOut += "q ";
  AppendPdfNumber(FOut, cs);
  FOut.push_back(' ');
  AppendPdfNumber(FOut, -sn);
  FOut.push_back(' ');
  AppendPdfNumber(FOut, sn);
  FOut.push_back(' ');
  AppendPdfNumber(FOut, cs);
  FOut.push_back(' ');
  AppendPdfInt(FOut, x);
  FOut.push_back(' ');
  AppendPdfInt(FOut, y);
  FOut += " cm\n";
  const TPdfFace& face = *use->Face;
  const double em = static_cast<double>(size) / face.UnitsPerEm();
  if (opaque) {
    SetFill(background);
    FOut += "0 0 ";
    AppendPdfNumber(FOut, advance);
    FOut.push_back(' ');
    AppendPdfInt(FOut, tm.tmHeight);
    FOut += " re f\n";
  }
  SetFill(color);
  FOut += "BT\n";
  FState.Font = -1;
  pieces(0, tm.tmAscent);
  FOut += "ET\n";
  auto line = [&](double top, int thickness) {
    FOut += "0 ";
    AppendPdfNumber(FOut, tm.tmAscent + top);
    FOut.push_back(' ');
    AppendPdfNumber(FOut, advance);
    FOut.push_back(' ');
    AppendPdfNumber(FOut, std::max(1.0, thickness * em));
    FOut += " re f\n";
  };
  if (underline) line(face.UnderlineTop() * em, face.UnderlineThickness());
  if (strike) line(-face.StrikeOutTop() * em, face.StrikeOutThickness());
  FOut += "Q\n";
  FState = saved;
}

void TPdfPainter::Blit(const TRect& dest, const TBitmap& source, const TRect& sourceRect, DWORD) {
  if (source.Empty() || dest.Right == dest.Left || dest.Bottom == dest.Top) return;
  const int l = std::clamp(std::min(sourceRect.Left, sourceRect.Right), 0, source.Width());
  const int r = std::clamp(std::max(sourceRect.Left, sourceRect.Right), 0, source.Width());
  const int t = std::clamp(std::min(sourceRect.Top, sourceRect.Bottom), 0, source.Height());
  const int b = std::clamp(std::max(sourceRect.Top, sourceRect.Bottom), 0, source.Height());
  if (r <= l || b <= t) return;
  const int w = r - l, h = b - t;
  const int bytes = source.PixelFormat() == pf24bit ? 3 : 4;
  std::string rgb(static_cast<std::size_t>(w) * h * 3, '\0');
  std::size_t at = 0;
  for (int y = t; y < b; ++y) {
    const BYTE* row = source.Bits() + static_cast<std::size_t>(y) * source.BytesPerLine();
    for (int x = l; x < r; ++x) {
      const BYTE* p = row + static_cast<std::size_t>(x) * bytes;
      rgb[at++] = static_cast<char>(p[2]);
      rgb[at++] = static_cast<char>(p[1]);
      rgb[at++] = static_cast<char>(p[0]);
    }
  }
  // A photograph goes in as JPEG (at the quality a print keeps it sharp at).
  auto jpeg = [&]() -> std::vector<unsigned char> {
    TJPEGImage picture;
    picture.SetCompressionQuality(94);
    try {
      if (l == 0 && t == 0 && w == source.Width() && h == source.Height()) {
        picture.Assign(&source);
      } else {
        TBitmap part(w, h, source.PixelFormat());
        for (int y = 0; y < h; ++y)
          std::memcpy(part.ScanLine(y), source.Bits() + static_cast<std::size_t>(t + y) * source.BytesPerLine() + l * bytes,
                      static_cast<std::size_t>(w) * bytes);
        picture.Assign(&part);
      }
      return picture.Data();
    } catch (const Exception&) {
      return {};
    }
  };
  const int image = FDocument.Image(w, h, rgb, jpeg);
  EndText();
  FOut += "q ";
  AppendPdfInt(FOut, dest.Right - dest.Left);
  FOut += " 0 0 ";
  AppendPdfInt(FOut, -(dest.Bottom - dest.Top));
  FOut.push_back(' ');
  AppendPdfInt(FOut, dest.Left);
  FOut.push_back(' ');
  AppendPdfInt(FOut, dest.Bottom);
  FOut += " cm /Im";
  AppendPdfInt(FOut, image);
  FOut += " Do Q\n";
}
