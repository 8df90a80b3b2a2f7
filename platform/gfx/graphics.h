// Fonts, pens, brushes and the canvas. The canvas keeps the drawing state and does all layout
// (line breaking, ellipsis, alignment, frames) itself; a backend's painter only draws runs,
// shapes and bitmaps in device pixels, so every backend lays text out alike.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/colors.h"
#include "platform/gfx/enum_set.h"
#include "platform/gfx/mapping.h"
#include "platform/gfx/painter.h"
#include "platform/gfx/paths.h"
#include "platform/gfx/regions.h"
#include "platform/rtl/sysutils.h"
#include "platform/rtl/win_types.h"

class TBitmap;
class TCanvas;
class TGraphic;
class TMetafile;

// ---- Rectangles -------------------------------------------------------------------------
inline void SetRect(TRect& r, int left, int top, int right, int bottom) { r = {left, top, right, bottom}; }
inline void OffsetRect(TRect& r, int dx, int dy) { r.Left += dx; r.Right += dx; r.Top += dy; r.Bottom += dy; }
inline void InflateRect(TRect& r, int dx, int dy) { r.Left -= dx; r.Right += dx; r.Top -= dy; r.Bottom += dy; }
inline bool IsRectEmpty(const TRect& r) { return r.Right <= r.Left || r.Bottom <= r.Top; }
inline bool PtInRect(const TRect& r, TPoint p) { return p.X >= r.Left && p.X < r.Right && p.Y >= r.Top && p.Y < r.Bottom; }
// The common part; false (and an empty rectangle) when there is none.
bool IntersectRect(TRect& dest, const TRect& a, const TRect& b);
bool UnionRect(TRect& dest, const TRect& a, const TRect& b);

// ---- Graphics objects ---------------------------------------------------------------------
class TGraphicsObject {
public:
  virtual ~TGraphicsObject() = default;
  std::function<void(TGraphicsObject* Sender)> OnChange;
  // Counts the changes, so what was derived from the object can tell it is still current.
  unsigned long Revision() const { return FRevision; }

protected:
  void Changed() {
    ++FRevision;
    if (OnChange) OnChange(this);
  }

private:
  unsigned long FRevision = 0;
};

class TFont : public TGraphicsObject {
public:
  TFont() = default;
  TFont(const TFont& other) : TGraphicsObject() { Assign(other); }
  TFont& operator=(const TFont& other) { Assign(other); return *this; }

  void Assign(const TFont& source);

  const std::string& Name() const { return FName; }
  void SetName(const std::string& value);
  // Size in points <-> Height = -MulDiv(Size, PixelsPerInch, 72).
  int Size() const;
  void SetSize(int value);
  int Height() const { return FHeight; }
  void SetHeight(int value);
  TColor Color() const { return FColor; }
  void SetColor(TColor value);
  TFontStyles Style() const { return FStyle; }
  void SetStyle(TFontStyles value);
  int Charset() const { return FCharset; }
  void SetCharset(int value);
  TFontPitch Pitch() const { return FPitch; }
  void SetPitch(TFontPitch value);
  // Escapement in tenths of a degree.
  int Orientation() const { return FOrientation; }
  void SetOrientation(int value);
  int PixelsPerInch() const { return FPixelsPerInch; }
  void SetPixelsPerInch(int value) { FPixelsPerInch = value > 0 ? value : 96; }

  // The device font at a resolution of `dpi` dots per inch.
  TPaintFont ToPaintFont(int dpi) const;

private:
  std::string FName = "Arial";
  int FHeight = -11;
  TColor FColor = clWindowText;
  TFontStyles FStyle;
  int FCharset = 1;  // DEFAULT_CHARSET
  TFontPitch FPitch = fpDefault;
  int FOrientation = 0;
  int FPixelsPerInch = 96;
};

class TPen : public TGraphicsObject {
public:
  void Assign(const TPen& source);
  TColor Color() const { return FColor; }
  void SetColor(TColor value);
  TPenStyle Style() const { return FStyle; }
  void SetStyle(TPenStyle value);
  int Width() const { return FWidth; }
  void SetWidth(int value);
  TPenMode Mode() const { return FMode; }
  void SetMode(TPenMode value);
  TPaintPen ToPaintPen() const;

private:
  TColor FColor = clBlack;
  TPenStyle FStyle = psSolid;
  int FWidth = 1;
  TPenMode FMode = pmCopy;
};

class TBrush : public TGraphicsObject {
public:
  void Assign(const TBrush& source);
  TColor Color() const { return FColor; }
  // clNone makes the brush clear; a real colour makes a clear brush solid again.
  void SetColor(TColor value);
  TBrushStyle Style() const { return FStyle; }
  void SetStyle(TBrushStyle value);
  const TBitmap* Bitmap() const { return FBitmap; }
  void SetBitmap(const TBitmap* value);
  TPaintBrush ToPaintBrush() const;

private:
  TColor FColor = clWhite;
  TBrushStyle FStyle = bsSolid;
  const TBitmap* FBitmap = nullptr;
};

using HDC = TCanvas*;

// ---- Text and frame flags -----------------------------------------------------------------
enum : UINT {
  DT_TOP = 0x0, DT_LEFT = 0x0, DT_CENTER = 0x1, DT_RIGHT = 0x2, DT_VCENTER = 0x4,
  DT_BOTTOM = 0x8, DT_WORDBREAK = 0x10, DT_SINGLELINE = 0x20, DT_EXPANDTABS = 0x40,
  DT_TABSTOP = 0x80, DT_NOCLIP = 0x100, DT_EXTERNALLEADING = 0x200, DT_CALCRECT = 0x400,
  DT_NOPREFIX = 0x800, DT_INTERNAL = 0x1000, DT_EDITCONTROL = 0x2000,
  DT_PATH_ELLIPSIS = 0x4000, DT_END_ELLIPSIS = 0x8000, DT_MODIFYSTRING = 0x10000,
  DT_RTLREADING = 0x20000, DT_WORD_ELLIPSIS = 0x40000
};

enum { TRANSPARENT = 1, OPAQUE = 2 };

enum : UINT {
  BDR_RAISEDOUTER = 0x1, BDR_SUNKENOUTER = 0x2, BDR_RAISEDINNER = 0x4, BDR_SUNKENINNER = 0x8,
  BDR_OUTER = 0x3, BDR_INNER = 0xC, BDR_RAISED = 0x5, BDR_SUNKEN = 0xA,
  EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER, EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER,
  EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER, EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER,
  BF_LEFT = 0x1, BF_TOP = 0x2, BF_RIGHT = 0x4, BF_BOTTOM = 0x8,
  BF_TOPLEFT = 0x3, BF_BOTTOMRIGHT = 0xC, BF_RECT = 0xF,
  BF_MIDDLE = 0x800, BF_SOFT = 0x1000, BF_ADJUST = 0x2000, BF_FLAT = 0x4000, BF_MONO = 0x8000
};

enum : UINT {
  DFC_CAPTION = 1, DFC_MENU = 2, DFC_SCROLL = 3, DFC_BUTTON = 4,
  DFCS_SCROLLUP = 0x0, DFCS_SCROLLDOWN = 0x1, DFCS_SCROLLLEFT = 0x2, DFCS_SCROLLRIGHT = 0x3,
  DFCS_SCROLLCOMBOBOX = 0x5,
  DFCS_BUTTONCHECK = 0x0, DFCS_BUTTONRADIO = 0x4, DFCS_BUTTONPUSH = 0x10,
  DFCS_INACTIVE = 0x100, DFCS_PUSHED = 0x200, DFCS_CHECKED = 0x400, DFCS_FLAT = 0x4000,
  DFCS_MONO = 0x8000
};

// ---- Canvas -------------------------------------------------------------------------------
class TCanvas {
public:
  TCanvas();
  virtual ~TCanvas();
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;
  virtual std::string ClassName() const { return "TCanvas"; }

  // The painter draws; a canvas without one asks CreateHandle for it when it first draws.
  HDC Handle() { RequirePainter(); return this; }
  bool HandleAllocated() const { return FPainter != nullptr; }
  TPainter* Painter() { RequirePainter(); return FPainter; }
  // Draw through `painter` (not owned) until it is replaced or released.
  void SetPainter(TPainter* painter);
  void SetOwnedPainter(std::unique_ptr<TPainter> painter);
  void ReleasePainter();

  TFont& Font() { return FFont; }
  TPen& Pen() { return FPen; }
  TBrush& Brush() { return FBrush; }
  TPoint PenPos() const { return FPenPos; }
  void SetPenPos(TPoint p) { FPenPos = p; }
  DWORD CopyMode() const { return FCopyMode; }
  void SetCopyMode(DWORD rop) { FCopyMode = rop; }

  // Background mode of text: TRANSPARENT or OPAQUE; the brush sets both when it changes.
  int BkMode() const { return FBkMode; }
  int SetBkMode(int mode);
  TColor BkColor() const { return FBkColor; }
  TColor SetBkColor(TColor color);

  // Shapes. Inside a path bracket (BeginPath .. EndPath) they add to the path instead.
  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  void Polyline(const std::vector<TPoint>& points);
  // Filled by the polygon fill mode (ALTERNATE unless SetPolyFillMode says WINDING).
  void Polygon(const std::vector<TPoint>& points);
  // Start point, then three points per Bézier; PolyBezierTo starts at the pen position.
  void PolyBezier(const std::vector<TPoint>& points);
  void PolyBezierTo(const std::vector<TPoint>& points);
  int PolyFillMode() const { return FPolyFillMode; }
  int SetPolyFillMode(int mode);
  void Rectangle(int x1, int y1, int x2, int y2);
  void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
  void RoundRect(int x1, int y1, int x2, int y2, int x3, int y3);
  void Ellipse(int x1, int y1, int x2, int y2);
  void Ellipse(const TRect& r) { Ellipse(r.Left, r.Top, r.Right, r.Bottom); }
  void FillRect(const TRect& r);
  void FrameRect(const TRect& r);
  void DrawFocusRect(const TRect& r);
  TColor Pixel(int x, int y);
  void SetPixel(int x, int y, TColor color);

  // Bitmaps.
  void Draw(int x, int y, const TBitmap& bitmap);
  void StretchDraw(const TRect& r, const TBitmap& bitmap);
  // Any graphic (JPEG image, icon, ...) draws itself.
  void Draw(int x, int y, const TGraphic& graphic);
  void StretchDraw(const TRect& r, const TGraphic& graphic);
  void CopyRect(const TRect& dest, TCanvas& source, const TRect& sourceRect);
  // Metafiles replay at their own size or stretched into the rectangle.
  void Draw(int x, int y, const TMetafile& metafile);
  void StretchDraw(const TRect& r, const TMetafile& metafile);

  // Text. TextOut and TextRect fill the background with the brush unless it is clear.
  void TextOut(int x, int y, const std::string& text);
  void TextRect(const TRect& r, int x, int y, const std::string& text);
  int TextWidth(const std::string& text);
  int TextHeight(const std::string& text);
  TPoint TextExtent(const std::string& text);
  TTextMetric GetTextMetrics();
  // Lays out and draws (or with DT_CALCRECT only measures) `text` in `r`. Returns the height
  // of the text; with DT_CALCRECT, `r` is widened or lowered to the text's size.
  int DrawText(const std::string& text, TRect& r, UINT flags);
  // Number of bytes of `text` that fit in `maxWidth`, and the extent of the whole text.
  int TextFit(const std::string& text, int maxWidth, TPoint* extent = nullptr);

  // Clipping. ClipRect is the clip box in logical units (the device when unclipped).
  TRect ClipRect();
  // Rectangles in logical units.
  int IntersectClipRect(int left, int top, int right, int bottom);
  int ExcludeClipRect(int left, int top, int right, int bottom);
  // Regions are in device pixels of the canvas. A copy of `region` becomes the clip; nullptr
  // removes the clip (RGN_COPY only). Returns the kind of the new clip region.
  int SelectClipRgn(const TRegion* region) { return ExtSelectClipRgn(region, RGN_COPY); }
  int ExtSelectClipRgn(const TRegion* region, int mode);
  bool Clipped() const { return FClipped; }
  // The clip region in device pixels of the canvas (the whole device when unclipped).
  TRegion ClipRegion();

  // Paths, in device pixels of the canvas. StrokePath, FillPath, StrokeAndFillPath,
  // SelectClipPath and PathToRegion use up the path; they fail (false, nullptr) without one.
  bool BeginPath();
  bool EndPath();
  bool AbortPath();
  bool CloseFigure();
  bool InPath() const { return FPathOpen; }
  const TPath& CurrentPath() const { return FPath; }
  bool StrokePath();
  bool FillPath();
  bool StrokeAndFillPath();
  bool SelectClipPath(int mode);
  // The closed path as a new region that the caller frees.
  HRGN PathToRegion();

  // Mapping of logical units to device pixels; the painter always sees device pixels.
  TMapping& Mapping() { RequirePainter(); return FMapping; }
  int MapMode() const { return FMapping.Mode(); }
  int SetMapMode(int mode);
  TPoint LPtoDP(TPoint p) const;
  TPoint DPtoLP(TPoint p) const;

  // GetDeviceCaps of the canvas's device.
  int DeviceCaps(int index);

  int SaveDC();
  bool RestoreDC(int saved);
  void Lock() {}
  void Unlock() {}

  // Frames, drawn from the system colours by our own code.
  bool DrawEdge(TRect& r, UINT edge, UINT flags);
  bool DrawFrameControl(const TRect& r, UINT type, UINT state);

  // Logical (0, 0) lies at `origin` of the device; the painter sees device pixels.
  TPoint Origin() const { return FOrigin; }
  void SetOrigin(TPoint origin) { FOrigin = origin; }

  int DeviceWidth() { return Painter()->DeviceWidth(); }
  int DeviceHeight() { return Painter()->DeviceHeight(); }

protected:
  // Supplies a painter when the canvas draws without one; the default raises.
  virtual void CreateHandle();

private:
  friend class TMetafile;
  void RequirePainter();
  const TPaintFont& PaintFont();
  void ApplyClip();
  void BrushChanged();
  void SolidFill(const TRect& r, TColor color);
  void DrawLine(int x, int y, const std::string& line, UINT flags, int tabWidth);
  int LineWidth(const std::string& line, UINT flags, int tabWidth);

  TPoint Dev(int x, int y) const;
  TRect DevRect(int x1, int y1, int x2, int y2) const;
  TPaintPen PaintPen();
  TPaintBrush PaintBrush() { return FBrush.ToPaintBrush(); }
  TFillMode FillRule() const { return FPolyFillMode == WINDING ? fmWinding : fmAlternate; }
  TRect DeviceBox();
  void SetClipRegion(TRegion region);
  bool TakePath(TPath& path);
  void AddPathPoints(const std::vector<TPoint>& points, bool closed);

  struct TSavedState {
    TRegion Clip;
    bool Clipped;
    int BkMode;
    TColor BkColor;
    TPoint PenPos;
    TMapping Mapping;
    int PolyFillMode;
  };

  TPainter* FPainter = nullptr;
  std::unique_ptr<TPainter> FOwnedPainter;
  TFont FFont;
  TPen FPen;
  TBrush FBrush;
  TPoint FPenPos;
  TPoint FOrigin;
  DWORD FCopyMode = SRCCOPY;
  int FBkMode = OPAQUE;
  TColor FBkColor = clWhite;
  TRegion FClip;
  bool FClipped = false;
  std::vector<TSavedState> FSaved;
  TMapping FMapping;
  int FPolyFillMode = 1;  // ALTERNATE
  TPath FPath;
  bool FPathOpen = false;
  bool FPathDone = false;
  // The device font of FFont and its metrics, kept while the font, the mapping's vertical scale
  // and the painter stay: text is measured and drawn word after word in the same font.
  struct TFontCache {
    bool Valid = false;
    unsigned long Revision = 0;
    int Mode = 0, ViewportY = 0, WindowY = 0;
    TPaintFont Font;
    bool HaveMetric = false;
    TTextMetric Metric;
  } FFontCache;
};

// ---- The Win32 calls over a device context ------------------------------------------------
int DrawText(HDC dc, const std::string& text, int count, TRect* r, UINT flags);
inline int DrawTextA(HDC dc, const std::string& text, int count, TRect* r, UINT flags) {
  return DrawText(dc, text, count, r, flags);
}
int SetBkMode(HDC dc, int mode);
int GetBkMode(HDC dc);
TColor SetBkColor(HDC dc, TColor color);
int SelectClipRgn(HDC dc, HRGN region);
int ExtSelectClipRgn(HDC dc, HRGN region, int mode);
int IntersectClipRect(HDC dc, int left, int top, int right, int bottom);
int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom);
int GetClipBox(HDC dc, TRect* box);
// 1 when a clip region was copied into `region` (which must exist), 0 when there is none.
int GetClipRgn(HDC dc, HRGN region);
bool BeginPath(HDC dc);
bool EndPath(HDC dc);
bool AbortPath(HDC dc);
bool CloseFigure(HDC dc);
bool StrokePath(HDC dc);
bool FillPath(HDC dc);
bool StrokeAndFillPath(HDC dc);
bool SelectClipPath(HDC dc, int mode);
HRGN PathToRegion(HDC dc);
int SetPolyFillMode(HDC dc, int mode);
bool PolyBezier(HDC dc, const TPoint* points, int count);
bool PolyBezierTo(HDC dc, const TPoint* points, int count);
bool MoveToEx(HDC dc, int x, int y, TPoint* old);
bool LineTo(HDC dc, int x, int y);
bool Polygon(HDC dc, const TPoint* points, int count);
bool Polyline(HDC dc, const TPoint* points, int count);
bool TextOut(HDC dc, int x, int y, const std::string& text, int count);

// Mapping. Extents and origins come back through `old` when it is given.
int SetMapMode(HDC dc, int mode);
int GetMapMode(HDC dc);
bool SetWindowExtEx(HDC dc, int x, int y, TPoint* old);
bool SetViewportExtEx(HDC dc, int x, int y, TPoint* old);
bool SetWindowOrgEx(HDC dc, int x, int y, TPoint* old);
bool SetViewportOrgEx(HDC dc, int x, int y, TPoint* old);
bool GetWindowExtEx(HDC dc, TPoint* e);
bool GetViewportExtEx(HDC dc, TPoint* e);
bool GetWindowOrgEx(HDC dc, TPoint* p);
bool GetViewportOrgEx(HDC dc, TPoint* p);
bool DPtoLP(HDC dc, TPoint* points, int count);
bool LPtoDP(HDC dc, TPoint* points, int count);

// Device caps.
enum {
  HORZSIZE = 4, VERTSIZE = 6, HORZRES = 8, VERTRES = 10, BITSPIXEL = 12, PLANES = 14,
  LOGPIXELSX = 88, LOGPIXELSY = 90, PHYSICALWIDTH = 110, PHYSICALHEIGHT = 111,
  PHYSICALOFFSETX = 112, PHYSICALOFFSETY = 113
};
int GetDeviceCaps(HDC dc, int index);
bool DrawEdge(HDC dc, TRect* r, UINT edge, UINT flags);
bool DrawFrameControl(HDC dc, TRect* r, UINT type, UINT state);
bool DrawFocusRect(HDC dc, const TRect* r);
// Fit count of `text` in `maxExtent` (when `fit` is given) and its extent.
bool GetTextExtentExPoint(HDC dc, const std::string& text, int count, int maxExtent, int* fit,
                          int* partialExtents, TPoint* size);
inline bool GetTextExtentExPointA(HDC dc, const std::string& text, int count, int maxExtent,
                                  int* fit, int* partialExtents, TPoint* size) {
  return GetTextExtentExPoint(dc, text, count, maxExtent, fit, partialExtents, size);
}
bool GetTextExtentPoint32(HDC dc, const std::string& text, int count, TPoint* size);
bool GetTextMetrics(HDC dc, TTextMetric* tm);

// ---- Backend hook -------------------------------------------------------------------------
// Makes the painter of a bitmap's canvas. The default draws into the bitmap's pixels with the
// fixed text metrics; the backends replace it.
using TBitmapPainterFactory = std::function<std::unique_ptr<TPainter>(TBitmap&)>;
void SetBitmapPainterFactory(TBitmapPainterFactory factory);
std::unique_ptr<TPainter> CreateBitmapPainter(TBitmap& bitmap);
