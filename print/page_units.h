// The page engine's shared vocabulary: its enumerations, small geometric records, unit
// conversion (every length inside the engine is inches), the paper-size table, header and footer
// tokens, text measuring and the Bézier outlines the drawing code records into paths.
#pragma once

#include <array>
#include <string>

#include "platform/gfx/graphics.h"
#include "platform/rtl/classes.h"

class TBitmap;
class TGraphic;
class TJPEGImage;

enum TPgMeasurement { pgUnits, gmPixels, gmMillimeters, gmCentimeters, gmInches, gmTwips };
enum TPgOrientation { gmPortrait, gmLandscape };
enum TPgPagesPerSheet { gmOnePage, gmTwoPage, gmFourPage };
enum TPgPrintColor { gmColor, gmMonochrome };
enum TPgPrintQuality { gmDraft, gmLow, gmMedium, gmHigh };
enum TPgDitherType { gmNone, gmCourse, gmFine, gmLineArt, gmGrayScale };
enum TPgDuplexType { gmSimplex, gmHorzDuplex, gmVertDuplex };
enum TPgGridStyle { gmNoGrid, gmDots, gmLines };
enum TPgVertAlignment { gmTop, gmMiddle, gmBottom };
enum TPgZoomStyle { gmFixedZoom, gmVariableZoom };
enum TPgCoordsRelative { gmFromPage, gmFromPrinterMargins, gmFromUserMargins, gmFromHeaderLine };
enum TPgPaperSize {
  A3, A4, A5, A6, B5, C5, Legal, Letter, Custom, B4, Envelope_09, Envelope_10, Envelope_11,
  Envelope_12, Envelope_14, Tabloid, Ledger, Executive
};
inline constexpr int kPgPaperSizeCount = 18;

struct TPgPointExt {
  double X = 0;
  double Y = 0;
};
struct TPgSizeExt {
  double Width = 0;
  double Height = 0;
};
struct TPgRectExt {
  double Left = 0;
  double Top = 0;
  double Right = 0;
  double Bottom = 0;
};

// ---- Records and rectangles -----------------------------------------------------------------
inline TPgPointExt PgPointExt(double x, double y) { return {x, y}; }
inline TPgSizeExt PgSizeExt(double w, double h) { return {w, h}; }
inline TPgRectExt PgRectExt(double l, double t, double r, double b) { return {l, t, r, b}; }
// Each side rounded to the nearest integer.
TRect RoundRectExt(const TPgRectExt& r);
// Top-left, top-right, bottom-left, bottom-right.
std::array<TPoint, 4> RectCorners(const TRect& r);
TRect PointsToRect(const std::array<TPoint, 4>& corners);
TPgRectExt OffsetRectExt(const TPgRectExt& r, double dx, double dy);
TRect ScaleRect(const TRect& r, double factor);
TPgRectExt ScaleRectExt(const TPgRectExt& r, double factor);
inline int RectWidth(const TRect& r) { return r.Right - r.Left; }
inline int RectHeight(const TRect& r) { return r.Bottom - r.Top; }
inline int MinInteger(int a, int b) { return a < b ? a : b; }
inline int MaxInteger(int a, int b) { return a > b ? a : b; }
inline double MinExtended(double a, double b) { return a < b ? a : b; }
inline double MaxExtended(double a, double b) { return a > b ? a : b; }
inline void SwapExtended(double& a, double& b) { double t = a; a = b; b = t; }
inline bool PointsEqual(TPoint a, TPoint b) { return a.X == b.X && a.Y == b.Y; }

// ---- Conversion -----------------------------------------------------------------------------
double ConvertValue(double value, TPgMeasurement fromUnit, TPgMeasurement toUnit);
TPgPointExt ConvertPointExt(const TPgPointExt& p, TPgMeasurement fromUnit, TPgMeasurement toUnit);
TPgSizeExt ConvertSizeExt(const TPgSizeExt& s, TPgMeasurement fromUnit, TPgMeasurement toUnit);
TPgRectExt ConvertRectExt(const TPgRectExt& r, TPgMeasurement fromUnit, TPgMeasurement toUnit);

// ---- Paper sizes ----------------------------------------------------------------------------
// Inches; Custom has no size of its own (the page list keeps it) and gives 0 x 0.
TPgSizeExt GetPaperDimensions(TPgPaperSize paperSize);
bool IsEnvelopeStylePaper(TPgPaperSize paperSize);
std::string PaperSizeToString(TPgPaperSize paperSize);
// Exact, case-sensitive; Custom when no name matches.
TPgPaperSize StringToPaperSize(const std::string& name);

// ---- Text and fonts -------------------------------------------------------------------------
// Comma text of "b", "i", "u" (strike-out is not kept).
std::string FontStylesToString(TFontStyles styles);
TFontStyles StringToFontStyles(const std::string& text);
// Extent of a single line in inches, measured at 1440 dots per inch.
TPgSizeExt MeasureText(const std::string& text, const TFont& font);
// The font's cell height in inches, measured at 600 dots per inch.
double FontHeightInches(const TFont& font);
// The date and time formats of the header and footer tokens.
extern std::string PgDateFormat;
extern std::string PgTimeFormat;
// "{DATE}", "{TIME}", "{PAGE}" and "{NUMPAGES}" replaced, in that order.
std::string ReplaceHeaderTokens(const std::string& text, int page, int pageCount,
                                const std::string& dateFormat, const std::string& timeFormat);
// Every occurrence of `find` replaced in one left-to-right pass; a replacement that holds
// `find` is not scanned again.
std::string ReplaceAll(const std::string& text, const std::string& find, const std::string& replacement);

// The engine's error box: "<class> Error!", two line breaks, the message.
void ShowPgError(const TObject* component, const std::string& message);
// "<class> v2.92".
std::string GetAboutText(const TObject* component);

// ---- Graphics -------------------------------------------------------------------------------
bool IsPrinterCanvas(TCanvas& canvas);
// A 24-bit bitmap of the graphic's size with the graphic drawn at 0,0 (the caller owns it).
std::unique_ptr<TBitmap> GraphicToBitmap(const TGraphic& graphic);
std::unique_ptr<TJPEGImage> GraphicToJpeg(const TGraphic& graphic);
// A bitmap stretched into `r`, with the canvas copy mode when it is a standard raster
// operation and SRCCOPY otherwise; nothing for an empty bitmap.
void PrintBitmap(TCanvas& canvas, const TRect& r, const TBitmap& bitmap);
// The rectangle as a closed five-point polygon, filled with the brush and outlined by the pen.
void PolygonRect(TCanvas& canvas, const TRect& r);
// Four Bézier quarters from the middle of the top edge; inside a path bracket they are recorded.
void PgEllipse(TCanvas& canvas, int left, int top, int right, int bottom);
// Straight sides joined by four Bézier corners of the given corner size.
void PgRoundRect(TCanvas& canvas, int left, int top, int right, int bottom, int cornerWidth, int cornerHeight);

// The scratch canvases that measure and draw text are shared; this guards them.
class TPgTextLock {
public:
  TPgTextLock();
  ~TPgTextLock();
  TPgTextLock(const TPgTextLock&) = delete;
  TPgTextLock& operator=(const TPgTextLock&) = delete;
};
// A canvas that measures at `dpi` dots per inch and draws nothing (hold a TPgTextLock).
TCanvas& PgMeasureCanvas(int dpi);
