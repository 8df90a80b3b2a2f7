#include "platform/gfx/metafile.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "platform/gfx/bitmap.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"

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
  FMetafile.Changed();
}

// ---- The metafile ---------------------------------------------------------------------------

TMetafile::TMetafile() : FData(std::make_shared<TData>()) {}

void TMetafile::Unshare() {
  if (FData.use_count() > 1) FData = std::make_shared<TData>(*FData);
}

void TMetafile::Clear() {
  FData = std::make_shared<TData>();
  Changed();
}

void TMetafile::SetWidth(int value) {
  Unshare();
  FData->Width = std::max(0, value);
  FData->SizeSet = true;
  Changed();
}

void TMetafile::SetHeight(int value) {
  Unshare();
  FData->Height = std::max(0, value);
  FData->SizeSet = true;
  Changed();
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

// ---- As a graphic ---------------------------------------------------------------------------

TMetafile& TMetafile::operator=(const TMetafile& other) {
  if (FData != other.FData) {
    FData = other.FData;
    Changed();
  }
  return *this;
}

void TMetafile::Assign(const TPersistent* Source) {
  if (auto* other = dynamic_cast<const TMetafile*>(Source)) {
    *this = *other;
    return;
  }
  TGraphic::Assign(Source);
}

// ---- The stream format ----------------------------------------------------------------------

namespace {

constexpr char kMagic[4] = {'Q', 'N', 'M', 'F'};
constexpr std::uint32_t kVersion = 1;
// Ceilings of what a stream may hold, whatever its lengths say.
constexpr std::uint32_t kMaxBytes = 256u << 20;
constexpr int kMaxDpi = 100000;

class TMetaWriter {
public:
  std::string Out;
  void U8(unsigned v) { Out.push_back(static_cast<char>(v & 0xFF)); }
  void U32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) U8(v >> (8 * i));
  }
  void I32(int v) { U32(static_cast<std::uint32_t>(v)); }
  void F64(double v) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    U32(static_cast<std::uint32_t>(bits));
    U32(static_cast<std::uint32_t>(bits >> 32));
  }
  void Bytes(const std::string& s) {
    U32(static_cast<std::uint32_t>(s.size()));
    Out += s;
  }
  void Rect(const TRect& r) {
    I32(r.Left), I32(r.Top), I32(r.Right), I32(r.Bottom);
  }
  void Bitmap(const std::shared_ptr<const TBitmap>& b) {
    if (!b) return U8(0);
    U8(1);
    TMemoryStream m;
    b->SaveToStream(m);
    Bytes(std::string(m.Memory(), static_cast<std::size_t>(m.Size())));
  }
};

class TMetaReader {
public:
  TMetaReader(const char* data, std::size_t size) : FData(data), FSize(size) {}
  bool AtEnd() const { return FPos == FSize; }
  unsigned U8() {
    Need(1);
    return static_cast<unsigned char>(FData[FPos++]);
  }
  std::uint32_t U32() {
    Need(4);
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= std::uint32_t{static_cast<unsigned char>(FData[FPos + i])} << (8 * i);
    FPos += 4;
    return v;
  }
  int I32() { return static_cast<int>(U32()); }
  double F64() {
    std::uint64_t lo = U32(), hi = U32();
    std::uint64_t bits = lo | (hi << 32);
    double v;
    std::memcpy(&v, &bits, sizeof v);
    if (!std::isfinite(v)) Bad();
    return v;
  }
  // A count of items of at least `itemBytes` each: no more than the bytes left can hold.
  std::size_t Count(std::size_t itemBytes) {
    std::uint32_t n = U32();
    if (n > (FSize - FPos) / itemBytes) Bad();
    return n;
  }
  std::string Bytes() {
    std::size_t n = Count(1);
    std::string s(FData + FPos, n);
    FPos += n;
    return s;
  }
  TRect Rect() {
    TRect r;
    r.Left = I32(), r.Top = I32(), r.Right = I32(), r.Bottom = I32();
    return r;
  }
  template <typename E> E Enum(int last, int first = 0) {
    int v = I32();
    if (v < first || v > last) Bad();
    return static_cast<E>(v);
  }
  std::shared_ptr<const TBitmap> Bitmap() {
    unsigned present = U8();
    if (present > 1) Bad();
    if (!present) return nullptr;
    std::string bytes = Bytes();
    TMemoryStream m;
    m.WriteBuffer(bytes.data(), static_cast<long>(bytes.size()));
    m.SetPosition(0);
    auto b = std::make_shared<TBitmap>();
    b->LoadFromStream(m);  // EInvalidGraphic for bad data
    return b;
  }
  [[noreturn]] static void Bad() { throw EInvalidGraphic("Invalid metafile data"); }

private:
  void Need(std::size_t n) {
    if (FSize - FPos < n) Bad();
  }
  const char* FData;
  std::size_t FSize;
  std::size_t FPos = 0;
};

void WriteRecord(TMetaWriter& w, const TMetaRecord& r) {
  w.U8(static_cast<unsigned>(r.Kind));
  w.Rect(r.Rect);
  w.U32(static_cast<std::uint32_t>(r.Points.size()));
  for (const TPoint& p : r.Points) w.I32(p.X), w.I32(p.Y);
  w.U32(static_cast<std::uint32_t>(r.Path.Points.size()));
  for (std::size_t i = 0; i < r.Path.Points.size(); ++i) {
    w.F64(r.Path.Points[i].X), w.F64(r.Path.Points[i].Y);
    w.U8(i < r.Path.Types.size() ? r.Path.Types[i] : 0);
  }
  w.U32(static_cast<std::uint32_t>(r.Clip.size()));
  for (const TRect& c : r.Clip) w.Rect(c);
  w.U8(r.Clipped);
  w.Bytes(r.Text);
  w.Bytes(r.Font.Name);
  w.I32(r.Font.Height), w.U32(static_cast<std::uint32_t>(r.Font.Style.Bits()));
  w.I32(r.Font.Orientation), w.I32(r.Font.Charset), w.I32(r.Font.Pitch);
  w.U32(r.Color), w.U8(r.Opaque), w.U32(r.Background);
  w.U32(r.Pen.Color), w.I32(r.Pen.Style), w.I32(r.Pen.Width), w.I32(r.Pen.Mode);
  w.U32(r.Brush.Color), w.I32(r.Brush.Style), w.U8(r.Brush.Bitmap != nullptr);
  w.I32(r.FillMode), w.I32(r.EllipseWidth), w.I32(r.EllipseHeight);
  w.Bitmap(r.Bitmap);
  w.Bitmap(r.Pattern);
  w.Rect(r.SourceRect);
  w.U32(r.Rop);
}

TMetaRecord ReadRecord(TMetaReader& in) {
  TMetaRecord r;
  unsigned kind = in.U8();
  if (kind > static_cast<unsigned>(TMetaKind::Clip)) TMetaReader::Bad();
  r.Kind = static_cast<TMetaKind>(kind);
  r.Rect = in.Rect();
  r.Points.resize(in.Count(8));
  for (TPoint& p : r.Points) p.X = in.I32(), p.Y = in.I32();
  std::size_t n = in.Count(17);
  r.Path.Points.resize(n);
  r.Path.Types.resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    r.Path.Points[i].X = in.F64(), r.Path.Points[i].Y = in.F64();
    r.Path.Types[i] = static_cast<BYTE>(in.U8());
  }
  r.Clip.resize(in.Count(16));
  for (TRect& c : r.Clip) c = in.Rect();
  r.Clipped = in.U8() != 0;
  r.Text = in.Bytes();
  r.Font.Name = in.Bytes();
  r.Font.Height = in.I32();
  std::uint32_t style = in.U32();
  if (style >= 1u << (fsStrikeOut + 1)) TMetaReader::Bad();
  r.Font.Style = TFontStyles::FromBits(style);
  r.Font.Orientation = in.I32();
  r.Font.Charset = in.I32();
  r.Font.Pitch = in.Enum<TFontPitch>(fpFixed);
  r.Color = in.U32() & 0xFFFFFF;
  r.Opaque = in.U8() != 0;
  r.Background = in.U32() & 0xFFFFFF;
  r.Pen.Color = in.U32() & 0xFFFFFF;
  r.Pen.Style = in.Enum<TPenStyle>(psInsideFrame);
  r.Pen.Width = in.I32();
  r.Pen.Mode = in.Enum<TPenMode>(pmNotXor);
  r.Brush.Color = in.U32() & 0xFFFFFF;
  r.Brush.Style = in.Enum<TBrushStyle>(bsDiagCross);
  bool patterned = in.U8() != 0;
  r.FillMode = in.Enum<TFillMode>(fmWinding, fmAlternate);
  r.EllipseWidth = in.I32();
  r.EllipseHeight = in.I32();
  r.Bitmap = in.Bitmap();
  r.Pattern = in.Bitmap();
  if (patterned != (r.Pattern != nullptr)) TMetaReader::Bad();
  r.Brush.Bitmap = r.Pattern.get();
  r.SourceRect = in.Rect();
  r.Rop = in.U32();
  return r;
}

}  // namespace

void TMetafile::SaveToStream(TStream& stream) const {
  TMetaWriter w;
  w.I32(FData->Width), w.I32(FData->Height), w.I32(FData->DpiX), w.I32(FData->DpiY), w.U8(FData->SizeSet);
  w.U32(static_cast<std::uint32_t>(FData->Records.size()));
  for (const TMetaRecord& r : FData->Records) WriteRecord(w, r);
  TMetaWriter head;
  head.Out.assign(kMagic, sizeof kMagic);
  head.U32(kVersion);
  head.U32(static_cast<std::uint32_t>(w.Out.size()));
  stream.WriteBuffer(head.Out.data(), static_cast<long>(head.Out.size()));
  stream.WriteBuffer(w.Out.data(), static_cast<long>(w.Out.size()));
}

void TMetafile::LoadFromStream(TStream& stream) {
  char head[12];
  if (stream.Read(head, sizeof head) != static_cast<long>(sizeof head) || std::memcmp(head, kMagic, 4) != 0)
    throw EInvalidGraphic("Invalid metafile data");
  TMetaReader h(head + 4, 8);
  if (h.U32() != kVersion) throw EInvalidGraphic("Unsupported metafile version");
  std::uint32_t length = h.U32();
  if (length > kMaxBytes || length > stream.Size() - stream.Position()) throw EInvalidGraphic("Invalid metafile data");
  std::string body(length, '\0');
  stream.ReadBuffer(body.data(), static_cast<long>(length));
  TMetaReader in(body.data(), body.size());
  auto data = std::make_shared<TData>();
  data->Width = in.I32();
  data->Height = in.I32();
  data->DpiX = in.I32();
  data->DpiY = in.I32();
  data->SizeSet = in.U8() != 0;
  if (data->Width < 0 || data->Height < 0 || data->DpiX < 1 || data->DpiY < 1 || data->DpiX > kMaxDpi ||
      data->DpiY > kMaxDpi)
    TMetaReader::Bad();
  data->Records.resize(in.Count(64));
  for (TMetaRecord& r : data->Records) r = ReadRecord(in);
  if (!in.AtEnd()) TMetaReader::Bad();
  FData = std::move(data);
  Changed();
}
