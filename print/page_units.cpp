#include "print/page_units.h"

#include <cmath>
#include <memory>

#include "platform/gfx/bitmap.h"
#include "platform/gfx/jpeg_image.h"
#include "platform/gfx/printer.h"
#include "platform/rtl/date_time.h"
#include "platform/rtl/string_list.h"
#include "platform/rtl/sysutils.h"
#include "platform/sys/threads.h"
#include "platform/ui/modal_service.h"

std::string PgDateFormat = "dd/mm/yyyy";
std::string PgTimeFormat = "hh/mm";

// ---- Records --------------------------------------------------------------------------------

TRect RoundRectExt(const TPgRectExt& r) {
  return {static_cast<int>(std::lround(r.Left)), static_cast<int>(std::lround(r.Top)),
          static_cast<int>(std::lround(r.Right)), static_cast<int>(std::lround(r.Bottom))};
}

std::array<TPoint, 4> RectCorners(const TRect& r) {
  return {TPoint{r.Left, r.Top}, TPoint{r.Right, r.Top}, TPoint{r.Left, r.Bottom}, TPoint{r.Right, r.Bottom}};
}

TRect PointsToRect(const std::array<TPoint, 4>& c) { return {c[0].X, c[0].Y, c[3].X, c[3].Y}; }

TPgRectExt OffsetRectExt(const TPgRectExt& r, double dx, double dy) {
  return {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
}

TRect ScaleRect(const TRect& r, double f) {
  return RoundRectExt({r.Left * f, r.Top * f, r.Right * f, r.Bottom * f});
}

TPgRectExt ScaleRectExt(const TPgRectExt& r, double f) { return {r.Left * f, r.Top * f, r.Right * f, r.Bottom * f}; }

// ---- Conversion -----------------------------------------------------------------------------

double ConvertValue(double value, TPgMeasurement fromUnit, TPgMeasurement toUnit) {
  if (fromUnit == toUnit) return value;
  double inches = value;
  switch (fromUnit) {
    case pgUnits: inches = value / 100 / 25.4; break;
    case gmPixels: inches = value / 96; break;
    case gmMillimeters: inches = value / 25.4; break;
    case gmCentimeters: inches = value * 10 / 25.4; break;
    case gmInches: break;
    case gmTwips: inches = value / 1440; break;
  }
  switch (toUnit) {
    case pgUnits: return inches * 25.4 * 100;
    case gmPixels: return inches * 96;
    case gmMillimeters: return inches * 25.4;
    case gmCentimeters: return inches * 25.4 / 10;
    case gmInches: return inches;
    case gmTwips: return inches * 1440;
  }
  return inches;
}

TPgPointExt ConvertPointExt(const TPgPointExt& p, TPgMeasurement f, TPgMeasurement t) {
  return {ConvertValue(p.X, f, t), ConvertValue(p.Y, f, t)};
}

TPgSizeExt ConvertSizeExt(const TPgSizeExt& s, TPgMeasurement f, TPgMeasurement t) {
  return {ConvertValue(s.Width, f, t), ConvertValue(s.Height, f, t)};
}

TPgRectExt ConvertRectExt(const TPgRectExt& r, TPgMeasurement f, TPgMeasurement t) {
  return {ConvertValue(r.Left, f, t), ConvertValue(r.Top, f, t), ConvertValue(r.Right, f, t),
          ConvertValue(r.Bottom, f, t)};
}

// ---- Paper sizes ----------------------------------------------------------------------------

namespace {

struct TPaperRow {
  const char* Name;
  bool Inches;
  double Width;
  double Height;
};

// In enumeration order; Custom has no size.
const TPaperRow kPapers[kPgPaperSizeCount] = {
    {"A3", false, 297, 420},           {"A4", false, 210, 297},          {"A5", false, 148.5, 210},
    {"A6", false, 105, 148},           {"B5", true, 6.92, 9.84},         {"C5", true, 6.38, 9.02},
    {"Legal", true, 8.5, 14},          {"Letter", true, 8.5, 11},        {"Custom", true, 0, 0},
    {"B4", false, 250, 354},           {"Envelope_09", true, 3.78, 8.78}, {"Envelope_10", true, 4.18, 9.12},
    {"Envelope_11", true, 4.12, 10.38}, {"Envelope_12", true, 12.44, 11}, {"Envelope_14", true, 14.5, 11.12},
    {"Tabloid", true, 11, 17},         {"Ledger", true, 17, 11},         {"Executive", true, 7.14, 10.12},
};

}  // namespace

TPgSizeExt GetPaperDimensions(TPgPaperSize paperSize) {
  int i = static_cast<int>(paperSize);
  if (i < 0 || i >= kPgPaperSizeCount) return {};
  const TPaperRow& row = kPapers[i];
  if (row.Inches) return {row.Width, row.Height};
  return {ConvertValue(row.Width, gmMillimeters, gmInches), ConvertValue(row.Height, gmMillimeters, gmInches)};
}

bool IsEnvelopeStylePaper(TPgPaperSize p) {
  return p == B5 || p == C5 || p == B4 || (p >= Envelope_09 && p <= Envelope_14);
}

std::string PaperSizeToString(TPgPaperSize p) {
  int i = static_cast<int>(p);
  return i >= 0 && i < kPgPaperSizeCount ? kPapers[i].Name : "Custom";
}

TPgPaperSize StringToPaperSize(const std::string& name) {
  for (int i = 0; i < kPgPaperSizeCount; ++i)
    if (name == kPapers[i].Name) return static_cast<TPgPaperSize>(i);
  return Custom;
}

// ---- Text -----------------------------------------------------------------------------------

std::string FontStylesToString(TFontStyles styles) {
  TStringList list;
  if (styles.Contains(fsBold)) list.Add("b");
  if (styles.Contains(fsItalic)) list.Add("i");
  if (styles.Contains(fsUnderline)) list.Add("u");
  return list.CommaText();
}

TFontStyles StringToFontStyles(const std::string& text) {
  TStringList list;
  list.SetCommaText(text);
  TFontStyles styles;
  if (list.IndexOf("b") >= 0) styles.Include(fsBold);
  if (list.IndexOf("i") >= 0) styles.Include(fsItalic);
  if (list.IndexOf("u") >= 0) styles.Include(fsUnderline);
  return styles;
}

namespace {

TCriticalSection& TextSection() {
  static TCriticalSection section;
  return section;
}

}  // namespace

TPgTextLock::TPgTextLock() { TextSection().Enter(); }
TPgTextLock::~TPgTextLock() { TextSection().Leave(); }

TCanvas& PgMeasureCanvas(int dpi) {
  struct TEntry {
    int Dpi;
    std::unique_ptr<TBitmap> Scratch;
    std::unique_ptr<TCanvas> Canvas;
  };
  static std::vector<TEntry> canvases;
  for (TEntry& e : canvases)
    if (e.Dpi == dpi) return *e.Canvas;
  TEntry e{dpi, std::make_unique<TBitmap>(1, 1, pf32bit), std::make_unique<TCanvas>()};
  TPrinterCaps caps;
  caps.DpiX = caps.DpiY = dpi;
  caps.Width = caps.PhysicalWidth = dpi * 20;
  caps.Height = caps.PhysicalHeight = dpi * 20;
  caps.OffsetX = caps.OffsetY = 0;
  e.Canvas->SetOwnedPainter(std::make_unique<TMeasurePainter>(caps, CreateBitmapPainter(*e.Scratch)));
  canvases.push_back(std::move(e));
  return *canvases.back().Canvas;
}

TPgSizeExt MeasureText(const std::string& text, const TFont& font) {
  TPgTextLock lock;
  TCanvas& c = PgMeasureCanvas(1440);
  c.Font().Assign(font);
  c.Font().SetPixelsPerInch(1440);
  c.Font().SetSize(font.Size());
  TPoint e = c.TextExtent(text);
  return {e.X / 1440.0, e.Y / 1440.0};
}

double FontHeightInches(const TFont& font) {
  TPgTextLock lock;
  TCanvas& c = PgMeasureCanvas(600);
  c.Font().Assign(font);
  c.Font().SetPixelsPerInch(600);
  c.Font().SetSize(font.Size());
  return c.GetTextMetrics().tmHeight / 600.0;
}

std::string ReplaceAll(const std::string& text, const std::string& find, const std::string& replacement) {
  if (find.empty()) return text;
  std::string out;
  std::size_t at = 0;
  while (true) {
    std::size_t hit = text.find(find, at);
    if (hit == std::string::npos) break;
    out.append(text, at, hit - at);
    out += replacement;
    at = hit + find.size();
  }
  out.append(text, at, std::string::npos);
  return out;
}

std::string ReplaceHeaderTokens(const std::string& text, int page, int pageCount, const std::string& dateFormat,
                                const std::string& timeFormat) {
  if (text.find('{') == std::string::npos) return text;
  std::string s = text;
  TDateTime now = Now();
  if (s.find("{DATE}") != std::string::npos) s = ReplaceAll(s, "{DATE}", FormatDateTime(dateFormat, now));
  if (s.find("{TIME}") != std::string::npos) s = ReplaceAll(s, "{TIME}", FormatDateTime(timeFormat, now));
  s = ReplaceAll(s, "{PAGE}", IntToStr(page));
  return ReplaceAll(s, "{NUMPAGES}", IntToStr(pageCount));
}

void ShowPgError(const TObject* component, const std::string& message) {
  std::string name = component ? component->ClassName() : "TPgComponent";
  ShowMessage(name + " Error!\r\r" + message);
}

std::string GetAboutText(const TObject* component) {
  return (component ? component->ClassName() : std::string("TPgComponent")) + " v" + FormatFloat("0.00", 2.92);
}

// ---- Graphics -------------------------------------------------------------------------------

bool IsPrinterCanvas(TCanvas& canvas) { return canvas.ClassName() == "TPrinterCanvas"; }

std::unique_ptr<TBitmap> GraphicToBitmap(const TGraphic& graphic) {
  auto bmp = std::make_unique<TBitmap>(std::max(graphic.Width(), 1), std::max(graphic.Height(), 1));
  graphic.Draw(bmp->Canvas(), Rect(0, 0, graphic.Width(), graphic.Height()));
  bmp->ReleaseCanvas();
  return bmp;
}

std::unique_ptr<TJPEGImage> GraphicToJpeg(const TGraphic& graphic) {
  auto jpeg = std::make_unique<TJPEGImage>();
  if (dynamic_cast<const TBitmap*>(&graphic) || dynamic_cast<const TJPEGImage*>(&graphic)) {
    jpeg->Assign(&graphic);
  } else {
    std::unique_ptr<TBitmap> bmp = GraphicToBitmap(graphic);
    jpeg->Assign(bmp.get());
  }
  return jpeg;
}

void PrintBitmap(TCanvas& canvas, const TRect& r, const TBitmap& bitmap) {
  if (bitmap.Empty()) return;
  DWORD rop = canvas.CopyMode();
  switch (rop) {
    case SRCCOPY: case SRCPAINT: case SRCAND: case SRCINVERT: case SRCERASE: case NOTSRCCOPY:
    case NOTSRCERASE: case MERGECOPY: case MERGEPAINT: case PATCOPY: case PATPAINT: case PATINVERT:
    case DSTINVERT: case BLACKNESS: case WHITENESS: break;
    default: rop = SRCCOPY;
  }
  DWORD saved = canvas.CopyMode();
  canvas.SetCopyMode(rop);
  canvas.StretchDraw(r, bitmap);
  canvas.SetCopyMode(saved);
}

void PolygonRect(TCanvas& canvas, const TRect& r) {
  canvas.Polygon({{r.Left, r.Top}, {r.Right, r.Top}, {r.Right, r.Bottom}, {r.Left, r.Bottom}, {r.Left, r.Top}});
}

void PgEllipse(TCanvas& canvas, int left, int top, int right, int bottom) {
  int w = right - left, h = bottom - top;
  int cx = left + w / 2, cy = top + h / 2;
  int dx = static_cast<int>(std::lround(w / 4.45)), dy = static_cast<int>(std::lround(h / 4.45));
  canvas.PolyBezier({{cx, top},
                     {right - dx, top}, {right, top + dy}, {right, cy},
                     {right, bottom - dy}, {right - dx, bottom}, {cx, bottom},
                     {left + dx, bottom}, {left, bottom - dy}, {left, cy},
                     {left, top + dy}, {left + dx, top}, {cx, top}});
}

void PgRoundRect(TCanvas& canvas, int left, int top, int right, int bottom, int cornerWidth, int cornerHeight) {
  int w = right - left, h = bottom - top;
  int rx = std::min(std::abs(cornerWidth), std::abs(w)) / 2, ry = std::min(std::abs(cornerHeight), std::abs(h)) / 2;
  int cx = std::max(rx / 2 - 1, 0), cy = std::max(ry / 2 - 1, 0);
  canvas.MoveTo(left + rx, top);
  canvas.LineTo(right - rx, top);
  canvas.PolyBezierTo({{right - cx, top}, {right, top + cy}, {right, top + ry}});
  canvas.LineTo(right, bottom - ry);
  canvas.PolyBezierTo({{right, bottom - cy}, {right - cx, bottom}, {right - rx, bottom}});
  canvas.LineTo(left + rx, bottom);
  canvas.PolyBezierTo({{left + cx, bottom}, {left, bottom - cy}, {left, bottom - ry}});
  canvas.LineTo(left, top + ry);
  canvas.PolyBezierTo({{left, top + cy}, {left + cx, top}, {left + rx, top}});
  if (canvas.InPath()) canvas.CloseFigure();
}
