#include "platform/gfx/metafile.h"

#include <algorithm>
#include <cmath>

#include "platform/gfx/bitmap.h"

namespace {
std::shared_ptr<const TBitmap> CopyOf(const TBitmap& source) {
  auto copy = std::make_shared<TBitmap>();
  copy->Assign(source);
  return copy;
}
}  // namespace

// ---- Recording ------------------------------------------------------------------------------

// Records the canvas's device calls (the metafile's units) and measures on the reference.
class TMetafileCanvas::TRecorder : public TPainter {
public:
  TRecorder(TPainter* reference, std::unique_ptr<TPainter> ownReference, int width, int height)
      : FOwnReference(std::move(ownReference)), FReference(reference ? reference : FOwnReference.get()),
        FWidth(width), FHeight(height) {}

  std::vector<TMetaRecord> Records;
  TRect Extent;

  int DeviceWidth() const override { return FWidth; }
  int DeviceHeight() const override { return FHeight; }
  int DpiX() const override { return FReference->DpiX(); }
  int DpiY() const override { return FReference->DpiY(); }

  void SetClip(const std::vector<TRect>& rects, bool clipped) override {
    auto& r = Add(TMetaKind::Clip, {});
    r.Clip = rects;
    r.Clipped = clipped;
  }
  void Polyline(const std::vector<TPoint>& points, const TPaintPen& pen) override {
    auto& r = Add(TMetaKind::Polyline, PointsBox(points));
    r.Points = points;
    r.Pen = pen;
  }
  void Polygon(const std::vector<TPoint>& points, const TPaintPen& pen, const TPaintBrush& brush,
               TFillMode mode) override {
    auto& r = Add(TMetaKind::Polygon, PointsBox(points));
    r.Points = points;
    r.Pen = pen;
    r.Brush = Keep(brush);
    r.FillMode = mode;
  }
  void Rectangle(const TRect& rect, const TPaintPen& pen, const TPaintBrush& brush) override {
    auto& r = Add(TMetaKind::Rectangle, rect);
    r.Pen = pen;
    r.Brush = Keep(brush);
  }
  void RoundRect(const TRect& rect, int ew, int eh, const TPaintPen& pen, const TPaintBrush& brush) override {
    auto& r = Add(TMetaKind::RoundRect, rect);
    r.EllipseWidth = ew;
    r.EllipseHeight = eh;
    r.Pen = pen;
    r.Brush = Keep(brush);
  }
  void Ellipse(const TRect& rect, const TPaintPen& pen, const TPaintBrush& brush) override {
    auto& r = Add(TMetaKind::Ellipse, rect);
    r.Pen = pen;
    r.Brush = Keep(brush);
  }
  void FillRect(const TRect& rect, const TPaintBrush& brush) override { Add(TMetaKind::FillRect, rect).Brush = Keep(brush); }
  void FocusRect(const TRect& rect) override { Add(TMetaKind::FocusRect, rect); }
  void Path(const TPath& path, const TPaintPen& pen, const TPaintBrush& brush, TFillMode mode) override {
    auto& r = Add(TMetaKind::Path, path.Bounds());
    r.Path = path;
    r.Pen = pen;
    r.Brush = Keep(brush);
    r.FillMode = mode;
  }
  void TextPath(int x, int y, const std::string& text, const TPaintFont& font, TPath& path) override {
    FReference->TextPath(x, y, text, font, path);
  }
  void TextRun(int x, int y, const std::string& text, const TPaintFont& font, COLORREF color, bool opaque,
               COLORREF background) override {
    auto& r = Add(TMetaKind::Text, {x, y, x + FReference->TextWidth(font, text), y + FReference->Metrics(font).tmHeight});
    r.Text = text;
    r.Font = font;
    r.Color = color;
    r.Opaque = opaque;
    r.Background = background;
  }
  void Blit(const TRect& dest, const TBitmap& source, const TRect& sourceRect, DWORD rop) override {
    auto& r = Add(TMetaKind::Blit, dest);
    r.Bitmap = CopyOf(source);
    r.SourceRect = sourceRect;
    r.Rop = rop;
  }
  COLORREF GetPixel(int, int) override { return 0xFFFFFFFF; }
  void SetPixel(int x, int y, COLORREF color) override { Add(TMetaKind::Pixel, {x, y, x + 1, y + 1}).Color = color; }
  TTextMetric Metrics(const TPaintFont& font) override { return FReference->Metrics(font); }
  int TextWidth(const TPaintFont& font, const std::string& text) override { return FReference->TextWidth(font, text); }

private:
  static TRect PointsBox(const std::vector<TPoint>& points) {
    if (points.empty()) return {};
    TRect b{points[0].X, points[0].Y, points[0].X + 1, points[0].Y + 1};
    for (const auto& p : points) {
      b.Left = std::min(b.Left, p.X);
      b.Top = std::min(b.Top, p.Y);
      b.Right = std::max(b.Right, p.X + 1);
      b.Bottom = std::max(b.Bottom, p.Y + 1);
    }
    return b;
  }
  // A pattern bitmap is copied: the brush's own may be gone when the metafile plays.
  TPaintBrush Keep(TPaintBrush brush) {
    if (brush.Bitmap) {
      auto copy = CopyOf(*brush.Bitmap);
      brush.Bitmap = copy.get();
      Records.back().Pattern = std::move(copy);
    }
    return brush;
  }
  TMetaRecord& Add(TMetaKind kind, const TRect& extent) {
    TMetaRecord r;
    r.Kind = kind;
    r.Rect = extent;
    if (kind != TMetaKind::Clip) UnionRect(Extent, Extent, extent);
    Records.push_back(std::move(r));
    return Records.back();
  }

  std::unique_ptr<TPainter> FOwnReference;
  TPainter* FReference;
  int FWidth;
  int FHeight;
};

namespace {

// Without a reference canvas: the screen's resolution with a backend's bitmap metrics.
std::unique_ptr<TPainter> ScreenReference() {
  static TBitmap scratch(1, 1, pf32bit);
  return CreateBitmapPainter(scratch);
}

}  // namespace

TMetafileCanvas::TMetafileCanvas(TMetafile& metafile, TCanvas* reference) : FMetafile(metafile) {
  // The drawing surface is the metafile's size when it is set, else as large as coordinates go.
  int w = metafile.FData->SizeSet ? metafile.Width() : 32767, h = metafile.FData->SizeSet ? metafile.Height() : 32767;
  if (reference) FRecorder = std::make_unique<TRecorder>(reference->Painter(), nullptr, w, h);
  else FRecorder = std::make_unique<TRecorder>(nullptr, ScreenReference(), w, h);
  SetPainter(FRecorder.get());
  Font().SetPixelsPerInch(FRecorder->DpiY());
}

TMetafileCanvas::~TMetafileCanvas() { Finish(); }

void TMetafileCanvas::Finish() {
  if (FFinished) return;
  FFinished = true;
  auto data = std::make_shared<TMetafile::TData>();
  data->DpiX = FRecorder->DpiX();
  data->DpiY = FRecorder->DpiY();
  data->SizeSet = FMetafile.FData->SizeSet;
  data->Width = data->SizeSet ? FMetafile.FData->Width : std::max(0, FRecorder->Extent.Right);
  data->Height = data->SizeSet ? FMetafile.FData->Height : std::max(0, FRecorder->Extent.Bottom);
  data->Records = std::move(FRecorder->Records);
  FMetafile.FData = std::move(data);
  ReleasePainter();
}

// ---- The metafile ---------------------------------------------------------------------------

TMetafile::TMetafile() : FData(std::make_shared<TData>()) {}

void TMetafile::Unshare() {
  if (FData.use_count() > 1) FData = std::make_shared<TData>(*FData);
}

void TMetafile::Clear() { FData = std::make_shared<TData>(); }

void TMetafile::SetWidth(int value) {
  Unshare();
  FData->Width = std::max(0, value);
  FData->SizeSet = true;
}

void TMetafile::SetHeight(int value) {
  Unshare();
  FData->Height = std::max(0, value);
  FData->SizeSet = true;
}

int TMetafile::MMWidth() const { return static_cast<int>(std::lround(FData->Width * 2540.0 / FData->DpiX)); }
int TMetafile::MMHeight() const { return static_cast<int>(std::lround(FData->Height * 2540.0 / FData->DpiY)); }
void TMetafile::SetMMWidth(int value) { SetWidth(static_cast<int>(std::lround(value * FData->DpiX / 2540.0))); }
void TMetafile::SetMMHeight(int value) { SetHeight(static_cast<int>(std::lround(value * FData->DpiY / 2540.0))); }

// ---- Replay ---------------------------------------------------------------------------------

namespace {

struct TPlayTransform {
  double Sx, Sy, Dx, Dy;
  int X(double x) const { return static_cast<int>(std::lround(Dx + x * Sx)); }
  int Y(double y) const { return static_cast<int>(std::lround(Dy + y * Sy)); }
  TPoint P(TPoint p) const { return {X(p.X), Y(p.Y)}; }
  TRect R(const TRect& r) const { return {X(r.Left), Y(r.Top), X(r.Right), Y(r.Bottom)}; }
  int Len(int v, double s) const {
    if (v == 0) return 0;
    return (v < 0 ? -1 : 1) * std::max(1, static_cast<int>(std::lround(std::abs(v * s))));
  }
  TPaintPen Pen(TPaintPen p) const {
    if (p.Width >= 1) p.Width = Len(p.Width, (Sx + Sy) / 2);
    return p;
  }
  TPaintFont Font(TPaintFont f) const {
    f.Height = Len(f.Height, Sy);
    return f;
  }
};

}  // namespace

void TMetafile::Draw(TCanvas& canvas, const TRect& dest) const {
  if (FData->Records.empty() || FData->Width <= 0 || FData->Height <= 0) return;
  TRect d = canvas.DevRect(dest.Left, dest.Top, dest.Right, dest.Bottom);
  if (IsRectEmpty(d)) return;
  TPainter* painter = canvas.Painter();
  TPlayTransform t{double(d.Width()) / FData->Width, double(d.Height()) / FData->Height, double(d.Left),
                   double(d.Top)};
  // Clips of the recording apply inside the canvas's own clip.
  const TRegion base = canvas.FClipped ? canvas.FClip : TRegion::FromRect(canvas.DeviceBox());
  for (const auto& r : FData->Records) {
    switch (r.Kind) {
      case TMetaKind::Clip: {
        if (!r.Clipped) {
          painter->SetClip(base.Rects, canvas.FClipped);
          break;
        }
        std::vector<TRect> rects;
        for (const auto& c : r.Clip) rects.push_back(t.R(c));
        painter->SetClip(CombineRegions(base, TRegion::FromRects(rects), RGN_AND).Rects, true);
        break;
      }
      case TMetaKind::Polyline:
      case TMetaKind::Polygon: {
        std::vector<TPoint> points;
        for (const auto& p : r.Points) points.push_back(t.P(p));
        if (r.Kind == TMetaKind::Polyline) painter->Polyline(points, t.Pen(r.Pen));
        else painter->Polygon(points, t.Pen(r.Pen), r.Brush, r.FillMode);
        break;
      }
      case TMetaKind::Rectangle: painter->Rectangle(t.R(r.Rect), t.Pen(r.Pen), r.Brush); break;
      case TMetaKind::RoundRect:
        painter->RoundRect(t.R(r.Rect), t.Len(r.EllipseWidth, t.Sx), t.Len(r.EllipseHeight, t.Sy), t.Pen(r.Pen), r.Brush);
        break;
      case TMetaKind::Ellipse: painter->Ellipse(t.R(r.Rect), t.Pen(r.Pen), r.Brush); break;
      case TMetaKind::FillRect: painter->FillRect(t.R(r.Rect), r.Brush); break;
      case TMetaKind::FocusRect: painter->FocusRect(t.R(r.Rect)); break;
      case TMetaKind::Pixel: {
        TPaintBrush b;
        b.Color = r.Color;
        painter->FillRect(t.R(r.Rect), b);
        break;
      }
      case TMetaKind::Path: {
        TPath path = r.Path;
        path.Transform(t.Sx, t.Sy, t.Dx, t.Dy);
        painter->Path(path, t.Pen(r.Pen), r.Brush, r.FillMode);
        break;
      }
      case TMetaKind::Text:
        painter->TextRun(t.X(r.Rect.Left), t.Y(r.Rect.Top), r.Text, t.Font(r.Font), r.Color, r.Opaque, r.Background);
        break;
      case TMetaKind::Blit:
        if (r.Bitmap) painter->Blit(t.R(r.Rect), *r.Bitmap, r.SourceRect, r.Rop);
        break;
    }
  }
  canvas.ApplyClip();
}
