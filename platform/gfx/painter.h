// What a backend supplies to draw: the canvas turns its state into device-pixel calls here.
// Rectangles keep the exclusive right and bottom edges everywhere.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/colors.h"
#include "platform/gfx/enum_set.h"
#include "platform/rtl/win_types.h"

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;
enum TFontPitch { fpDefault, fpVariable, fpFixed };

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
  pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
  pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor
};
enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

class TBitmap;
struct TPath;

// A font as the device sees it: Height in device pixels (negative = character height,
// positive = cell height), Orientation in tenths of a degree.
struct TPaintFont {
  std::string Name = "Arial";
  int Height = -11;
  TFontStyles Style;
  int Orientation = 0;
  int Charset = 1;
  TFontPitch Pitch = fpDefault;
  friend bool operator==(const TPaintFont&, const TPaintFont&) = default;
};

struct TPaintPen {
  COLORREF Color = 0;
  TPenStyle Style = psSolid;
  int Width = 1;
  TPenMode Mode = pmCopy;
  friend bool operator==(const TPaintPen&, const TPaintPen&) = default;
};

struct TPaintBrush {
  COLORREF Color = 0xFFFFFF;
  TBrushStyle Style = bsSolid;
  const TBitmap* Bitmap = nullptr;  // pattern, not owned
  friend bool operator==(const TPaintBrush&, const TPaintBrush&) = default;
};

struct TEXTMETRIC {
  int tmHeight = 0;
  int tmAscent = 0;
  int tmDescent = 0;
  int tmInternalLeading = 0;
  int tmExternalLeading = 0;
  int tmAveCharWidth = 0;
  int tmMaxCharWidth = 0;
};
using TTextMetric = TEXTMETRIC;

// Raster operations of bitmap copies.
enum : DWORD {
  SRCCOPY = 0x00CC0020, SRCPAINT = 0x00EE0086, SRCAND = 0x008800C6, SRCINVERT = 0x00660046,
  SRCERASE = 0x00440328, NOTSRCCOPY = 0x00330008, NOTSRCERASE = 0x001100A6,
  MERGECOPY = 0x00C000CA, MERGEPAINT = 0x00BB0226, PATCOPY = 0x00F00021,
  PATPAINT = 0x00FB0A09, PATINVERT = 0x005A0049, DSTINVERT = 0x00550009,
  BLACKNESS = 0x00000042, WHITENESS = 0x00FF0062
};

enum TFillMode { fmAlternate = 1, fmWinding = 2 };

class TPainter {
public:
  virtual ~TPainter() = default;

  // Device size in pixels and resolution in dots per inch.
  virtual int DeviceWidth() const = 0;
  virtual int DeviceHeight() const = 0;
  virtual int DpiX() const { return 96; }
  virtual int DpiY() const { return 96; }
  // The whole sheet and where the drawable area lies on it (printers); a screen or bitmap is
  // all drawable.
  virtual int PhysicalWidth() const { return DeviceWidth(); }
  virtual int PhysicalHeight() const { return DeviceHeight(); }
  virtual int PhysicalOffsetX() const { return 0; }
  virtual int PhysicalOffsetY() const { return 0; }
  virtual int BitsPerPixel() const { return 24; }

  // Clip to the union of these rectangles; an empty list with `clipped` false removes the clip.
  virtual void SetClip(const std::vector<TRect>& rects, bool clipped) = 0;

  // Shapes. A brush of style bsClear fills nothing, a pen of style psClear strokes nothing.
  virtual void Polyline(const std::vector<TPoint>& points, const TPaintPen& pen) = 0;
  virtual void Polygon(const std::vector<TPoint>& points, const TPaintPen& pen,
                       const TPaintBrush& brush, TFillMode mode) = 0;
  virtual void Rectangle(const TRect& r, const TPaintPen& pen, const TPaintBrush& brush) = 0;
  virtual void RoundRect(const TRect& r, int ellipseWidth, int ellipseHeight,
                         const TPaintPen& pen, const TPaintBrush& brush) = 0;
  virtual void Ellipse(const TRect& r, const TPaintPen& pen, const TPaintBrush& brush) = 0;
  virtual void FillRect(const TRect& r, const TPaintBrush& brush) = 0;
  // Inverts the pixels of a dotted rectangle outline (drawing it twice removes it).
  virtual void FocusRect(const TRect& r) = 0;

  // Fills (unless the brush is clear) and strokes (unless the pen is clear) a path; open
  // figures are closed for the fill only. The default fills the path's region pixel by pixel
  // rectangle and strokes its flattened figures.
  virtual void Path(const TPath& path, const TPaintPen& pen, const TPaintBrush& brush, TFillMode mode);
  // Appends the outlines of a text run (placed as TextRun places it) to `path`. The default
  // gives each character its cell as a rectangle.
  virtual void TextPath(int x, int y, const std::string& text, const TPaintFont& font, TPath& path);

  // One run of text whose top-left corner (before rotation) is at x, y. With `opaque`, the
  // run's extent is filled with `background` first.
  virtual void TextRun(int x, int y, const std::string& text, const TPaintFont& font,
                       COLORREF color, bool opaque, COLORREF background) = 0;

  // Copies `source` (part `sourceRect`) stretched into `dest`.
  virtual void Blit(const TRect& dest, const TBitmap& source, const TRect& sourceRect, DWORD rop) = 0;

  virtual COLORREF GetPixel(int x, int y) = 0;
  virtual void SetPixel(int x, int y, COLORREF color) = 0;

  // Font measurement at this device's resolution.
  virtual TTextMetric Metrics(const TPaintFont& font) = 0;
  virtual int TextWidth(const TPaintFont& font, const std::string& text) = 0;

  // Called when the canvas stops drawing (end of a paint, bitmap released).
  virtual void Flush() {}
};

// The operations a device painter implements, declared once for every painter: a painter's class
// names QN_PAINTER_DRAWS for the clip, shapes, text runs, bitmap copies and pixels it draws, and
// QN_PAINTER_READS when it also reads its pixels back and measures text itself.
#define QN_PAINTER_DRAWS                                                                           \
  void SetClip(const std::vector<TRect>& rects, bool clipped) override;                            \
  void Polyline(const std::vector<TPoint>& points, const TPaintPen& pen) override;                 \
  void Polygon(const std::vector<TPoint>& points, const TPaintPen& pen, const TPaintBrush& brush,  \
               TFillMode mode) override;                                                           \
  void Rectangle(const TRect& r, const TPaintPen& pen, const TPaintBrush& brush) override;         \
  void RoundRect(const TRect& r, int ellipseWidth, int ellipseHeight, const TPaintPen& pen,        \
                 const TPaintBrush& brush) override;                                               \
  void Ellipse(const TRect& r, const TPaintPen& pen, const TPaintBrush& brush) override;           \
  void FillRect(const TRect& r, const TPaintBrush& brush) override;                                \
  void FocusRect(const TRect& r) override;                                                         \
  void TextRun(int x, int y, const std::string& text, const TPaintFont& font, COLORREF color,      \
               bool opaque, COLORREF background) override;                                         \
  void Blit(const TRect& dest, const TBitmap& source, const TRect& sourceRect, DWORD rop) override; \
  void SetPixel(int x, int y, COLORREF color) override
#define QN_PAINTER_READS                                                                           \
  COLORREF GetPixel(int x, int y) override;                                                        \
  TTextMetric Metrics(const TPaintFont& font) override;                                            \
  int TextWidth(const TPaintFont& font, const std::string& text) override

// The metrics every measuring painter of the headless backend uses: exact numbers for tests.
TTextMetric FixedTextMetrics(int height);
int FixedTextWidth(int height, const std::string& text);

// Number of code points of a UTF-8 text (bytes that are not continuation bytes).
int Utf8CodePoints(const std::string& text);
