#include "print/page_objects.h"

#include <algorithm>
#include <cmath>

#include "platform/gfx/bitmap.h"
#include "platform/gfx/icon.h"
#include "platform/gfx/jpeg_image.h"
#include "platform/rtl/sysutils.h"

namespace {

template <typename T, typename L>
T* ReadEntry(const TPgValueList& list, const std::string& key, const L& entries) {
  long long i = list.ReadInteger(key, -1, -1, static_cast<long long>(entries.Count()) - 1);
  return entries.Get(static_cast<int>(i));
}

}  // namespace

void PgDrawTextIn(TCanvas& canvas, const TPgDrawInfo& info, const TRect& r,
                  const std::function<void(TCanvas& target, const TRect& local)>& draw) {
  if (!info.ScratchMetafile || IsPrinterCanvas(canvas) || r.Width() <= 0 || r.Height() <= 0) {
    draw(canvas, r);
    return;
  }
  TPgTextLock lock;
  TMetafile& mf = *info.ScratchMetafile;
  mf.Clear();
  mf.SetWidth(r.Width());
  mf.SetHeight(r.Height());
  {
    TMetafileCanvas mc(mf, &PgMeasureCanvas(info.PixelsPerInch));
    draw(mc, Rect(0, 0, r.Width(), r.Height()));
    mc.Finish();
  }
  canvas.StretchDraw(r, mf);
}

// ---- TPgBaseObject --------------------------------------------------------------------------

int TPgBaseObject::Px(double inches, int ppi) { return static_cast<int>(std::lround(inches * ppi)); }

void TPgBaseObject::SetVisible(bool value) {
  if (value == FVisible) return;
  FVisible = value;
  Changed();
}

void TPgBaseObject::Changed() {
  if (!FLoading && OnChange) OnChange(this);
}

void TPgBaseObject::Draw(TCanvas& canvas, const TPgDrawInfo& info) {
  if (!FVisible && IsPrinterCanvas(canvas)) return;
  DoDraw(canvas, info);
}

void TPgBaseObject::SaveToValueList(TPgValueList& list) const {
  list.Clear();
  list.WriteInteger("ID", GetObjectID());
  WriteKeys(list);
}

void TPgBaseObject::LoadFromValueList(const TPgValueList& list) {
  // A scratch object of the same class reads first, so a bad value changes nothing here.
  {
    std::unique_ptr<TPgBaseObject> probe = CreatePgObject(GetObjectID(), FTable);
    probe->FLoading = true;
    probe->ReadKeys(list);
  }
  FLoading = true;
  ReadKeys(list);
  FLoading = false;
}

void TPgBaseObject::LoadFromStream(TStream& stream) {
  TPgValueList list;
  list.LoadFromStream(stream);
  LoadFromValueList(list);
}

void TPgBaseObject::SaveToStream(TStream& stream) const {
  TPgWriter(stream).WriteInteger(GetObjectID());
  TPgValueList list;
  SaveToValueList(list);
  list.SaveToStream(stream);
}

void TPgBaseObject::Offset(double, double, TPgMeasurement) {}

// ---- Outline and solid shapes ---------------------------------------------------------------

TPgOutlineShape::~TPgOutlineShape() {
  if (FPen && FTable) FTable->ReleaseResource(FPen);
}

void TPgOutlineShape::SetPen(TPgPen* entry) {
  if (entry == FPen) {
    if (entry && FTable) FTable->ReleaseResource(entry);  // the caller's count is not needed twice
    return;
  }
  if (FPen && FTable) FTable->ReleaseResource(FPen);
  FPen = entry;
  Changed();
}

void TPgOutlineShape::WriteKeys(TPgValueList& list) const {
  list.WriteInteger("P", FTable ? FTable->Pens.IndexOfEntry(FPen) : -1);
}

void TPgOutlineShape::ReadKeys(const TPgValueList& list) {
  if (!FTable) return;
  TPgPen* pen = ReadEntry<TPgPen>(list, "P", FTable->Pens);
  if (pen) FTable->Pens.AddRef(pen);
  if (FPen) FTable->ReleaseResource(FPen);
  FPen = pen;
}

void TPgOutlineShape::ApplyPen(TCanvas& canvas, const TPgDrawInfo& info) const {
  if (FPen) FPen->AssignToCanvas(canvas, info.PixelsPerInch);
  else canvas.Pen().SetStyle(psClear);
}

TPgSolidShape::~TPgSolidShape() {
  if (FBrush && FTable) FTable->ReleaseResource(FBrush);
}

void TPgSolidShape::SetBrush(TPgBrush* entry) {
  if (entry == FBrush) {
    if (entry && FTable) FTable->ReleaseResource(entry);
    return;
  }
  if (FBrush && FTable) FTable->ReleaseResource(FBrush);
  FBrush = entry;
  Changed();
}

void TPgSolidShape::WriteKeys(TPgValueList& list) const {
  TPgOutlineShape::WriteKeys(list);
  list.WriteInteger("B", FTable ? FTable->Brushes.IndexOfEntry(FBrush) : -1);
}

void TPgSolidShape::ReadKeys(const TPgValueList& list) {
  TPgOutlineShape::ReadKeys(list);
  if (!FTable) return;
  TPgBrush* brush = ReadEntry<TPgBrush>(list, "B", FTable->Brushes);
  if (brush) FTable->Brushes.AddRef(brush);
  if (FBrush) FTable->ReleaseResource(FBrush);
  FBrush = brush;
}

void TPgSolidShape::ApplyBrush(TCanvas& canvas) const {
  if (FBrush) FBrush->AssignToCanvas(canvas);
  else canvas.Brush().SetStyle(bsClear);
}

// ---- Bounded shapes -------------------------------------------------------------------------

void TPgBaseSolidShape::SetBounds(const TPgRectExt& b) {
  FBounds = b;
  Changed();
}

void TPgBaseSolidShape::Offset(double dx, double dy, TPgMeasurement unit) {
  double x = ConvertValue(dx, unit, gmInches), y = ConvertValue(dy, unit, gmInches);
  FBounds = OffsetRectExt(FBounds, x, y);
  Changed();
}

TRect TPgBaseSolidShape::DeviceBounds(int ppi) const {
  return Rect(Px(FBounds.Left, ppi), Px(FBounds.Top, ppi), Px(FBounds.Right, ppi), Px(FBounds.Bottom, ppi));
}

std::array<TPoint, 4> TPgBaseSolidShape::GetBoundingPoints(const TPgDrawInfo& info) const {
  TRect r = DeviceBounds(info.PixelsPerInch);
  return RectCorners(Rect(std::min(r.Left, r.Right), std::min(r.Top, r.Bottom), std::max(r.Left, r.Right),
                          std::max(r.Top, r.Bottom)));
}

void TPgSimpleSolidShape::WriteKeys(TPgValueList& list) const {
  TPgSolidShape::WriteKeys(list);
  list.WriteRect("XY", FBounds);
}

void TPgSimpleSolidShape::ReadKeys(const TPgValueList& list) {
  TPgSolidShape::ReadKeys(list);
  FBounds = list.ReadRect("XY", FBounds);
}

void TPgLineObject::DoDraw(TCanvas& canvas, const TPgDrawInfo& info) {
  ApplyPen(canvas, info);
  ApplyBrush(canvas);
  TRect r = DeviceBounds(info.PixelsPerInch);
  canvas.MoveTo(r.Left, r.Top);
  canvas.LineTo(r.Right, r.Bottom);
}

std::array<TPoint, 4> TPgLineObject::GetBoundingPoints(const TPgDrawInfo& info) const {
  std::array<TPoint, 4> c = TPgBaseSolidShape::GetBoundingPoints(info);
  TRect r = PointsToRect(c);
  InflateRect(r, 3, 3);
  return RectCorners(r);
}

void TPgRectangleShape::DoDraw(TCanvas& canvas, const TPgDrawInfo& info) {
  ApplyPen(canvas, info);
  ApplyBrush(canvas);
  PolygonRect(canvas, DeviceBounds(info.PixelsPerInch));
}

void TPgEllipseShape::DoDraw(TCanvas& canvas, const TPgDrawInfo& info) {
  ApplyPen(canvas, info);
  ApplyBrush(canvas);
  TRect r = DeviceBounds(info.PixelsPerInch);
  canvas.BeginPath();
  PgEllipse(canvas, r.Left, r.Top, r.Right, r.Bottom);
  canvas.CloseFigure();
  canvas.EndPath();
  canvas.StrokeAndFillPath();
}

void TPgSemiComplexShape::SetThird(const TPgPointExt& value) {
  FThird = value;
  Changed();
}

void TPgSemiComplexShape::Offset(double dx, double dy, TPgMeasurement unit) {
  TPgSimpleSolidShape::Offset(dx, dy, unit);
  if (ThirdIsPoint()) {
    FThird.X += ConvertValue(dx, unit, gmInches);
    FThird.Y += ConvertValue(dy, unit, gmInches);
  }
}

void TPgSemiComplexShape::WriteKeys(TPgValueList& list) const {
  TPgSimpleSolidShape::WriteKeys(list);
  list.WritePoint("XY3", FThird);
}

void TPgSemiComplexShape::ReadKeys(const TPgValueList& list) {
  TPgSimpleSolidShape::ReadKeys(list);
  FThird = list.ReadPoint("XY3", FThird);
}

void TPgRoundRectShape::DoDraw(TCanvas& canvas, const TPgDrawInfo& info) {
  ApplyPen(canvas, info);
  ApplyBrush(canvas);
  TRect r = DeviceBounds(info.PixelsPerInch);
  canvas.BeginPath();
  PgRoundRect(canvas, r.Left, r.Top, r.Right, r.Bottom, Px(FThird.X, info.PixelsPerInch), Px(FThird.Y, info.PixelsPerInch));
  canvas.EndPath();
  canvas.StrokeAndFillPath();
}

// ---- Text -----------------------------------------------------------------------------------

TPgBaseTextObject::~TPgBaseTextObject() {
  if (FFont && FTable) FTable->ReleaseResource(FFont);
}

void TPgBaseTextObject::SetCaption(const std::string& value) {
  if (value == FCaption) return;
  FCaption = value;
  Changed();
}

void TPgBaseTextObject::SetFont(TPgFont* entry) {
  if (entry == FFont) {
    if (entry && FTable) FTable->ReleaseResource(entry);
    return;
  }
  if (FFont && FTable) FTable->ReleaseResource(FFont);
  FFont = entry;
  Changed();
}

void TPgBaseTextObject::WriteKeys(TPgValueList& list) const {
  TPgSolidShape::WriteKeys(list);
  list.WriteString("T", FCaption);
  list.WritePoint("XY", {FBounds.Left, FBounds.Top});
  list.WriteInteger("F", FTable ? FTable->Fonts.IndexOfEntry(FFont) : -1);
}

void TPgBaseTextObject::ReadKeys(const TPgValueList& list) {
  TPgSolidShape::ReadKeys(list);
  FCaption = list.ReadString("T", FCaption);
  TPgPointExt p = list.ReadPoint("XY", {FBounds.Left, FBounds.Top});
  double w = FBounds.Right - FBounds.Left, h = FBounds.Bottom - FBounds.Top;
  FBounds = {p.X, p.Y, p.X + w, p.Y + h};
  if (!FTable) return;
  TPgFont* font = ReadEntry<TPgFont>(list, "F", FTable->Fonts);
  if (font) FTable->Fonts.AddRef(font);
  if (FFont) FTable->ReleaseResource(FFont);
  FFont = font;
}

void TPgBaseTextObject::ApplyFont(TCanvas& canvas, int ppi) const {
  if (FFont) FFont->AssignToCanvas(canvas, ppi);
  else canvas.Font().SetPixelsPerInch(ppi);
}

void TPgTextObject::DoDraw(TCanvas& canvas, const TPgDrawInfo& info) {
  std::string text = ReplaceHeaderTokens(FCaption, info.PageNumber, info.PageCount, PgDateFormat, PgTimeFormat);
  int ppi = info.PixelsPerInch;
  TPoint extent;
  {
    TPgTextLock lock;
    TCanvas& m = PgMeasureCanvas(ppi);
    ApplyFont(m, ppi);
    extent = m.TextExtent(text);
  }
  int x = Px(FBounds.Left, ppi), y = Px(FBounds.Top, ppi);
  PgDrawTextIn(canvas, info, Rect(x, y, x + std::max(extent.X, 1), y + std::max(extent.Y, 1)),
               [&](TCanvas& c, const TRect& r) {
                 ApplyBrush(c);
                 ApplyFont(c, ppi);
                 if (c.Brush().Style() == bsClear) c.SetBkMode(TRANSPARENT);
                 c.TextOut(r.Left, r.Top, text);
               });
}

std::array<TPoint, 4> TPgTextObject::GetBoundingPoints(const TPgDrawInfo& info) const {
  int ppi = info.PixelsPerInch;
  std::string text = ReplaceHeaderTokens(FCaption, info.PageNumber, info.PageCount, PgDateFormat, PgTimeFormat);
  TPgTextLock lock;
  TCanvas& m = PgMeasureCanvas(ppi);
  ApplyFont(m, ppi);
  TPoint e = m.TextExtent(text);
  int x = Px(FBounds.Left, ppi), y = Px(FBounds.Top, ppi);
  return RectCorners(Rect(x, y, x + e.X, y + e.Y));
}

TPgRectExt TPgTextBoxObject::TextRect() const {
  TPgRectExt r = {std::min(FBounds.Left, FBounds.Right), std::min(FBounds.Top, FBounds.Bottom),
                  std::max(FBounds.Left, FBounds.Right), std::max(FBounds.Top, FBounds.Bottom)};
  double boxHeight = r.Bottom - r.Top;
  if (VertAlignment == gmMiddle) r.Top += (boxHeight - TextHeight) / 2;
  else if (VertAlignment == gmBottom) r.Top = r.Bottom - TextHeight;
  return {r.Left + Inset, r.Top + Inset, r.Right - Inset, r.Bottom - Inset};
}

void TPgTextBoxObject::DoDraw(TCanvas& canvas, const TPgDrawInfo& info) {
  int ppi = info.PixelsPerInch;
  ApplyPen(canvas, info);
  ApplyBrush(canvas);
  TRect box = DeviceBounds(ppi);
  PolygonRect(canvas, box);
  if (FCaption.empty()) return;
  std::string text = ReplaceHeaderTokens(FCaption, info.PageNumber, info.PageCount, PgDateFormat, PgTimeFormat);
  TPgRectExt t = TextRect();
  TRect tr = Rect(Px(t.Left, ppi), Px(t.Top, ppi), Px(t.Right, ppi), Px(t.Bottom, ppi));
  UINT flags = DT_NOPREFIX | DT_EXPANDTABS;
  if (Alignment == taCenter) flags |= DT_CENTER;
  else if (Alignment == taRightJustify) flags |= DT_RIGHT;
  if (WordWrap) flags |= DT_WORDBREAK;
  if (!ClipText) flags |= DT_NOCLIP;
  // The text is laid out in the box; without clipping it may run past the box's bottom.
  TRect area = tr;
  if (!ClipText) area.Bottom = std::max(area.Bottom, area.Top + Px(TextHeight, ppi) * 4 + ppi);
  PgDrawTextIn(canvas, info, area, [&](TCanvas& c, const TRect& r) {
    ApplyFont(c, ppi);
    c.Brush().SetStyle(bsClear);
    c.SetBkMode(TRANSPARENT);
    TRect local = Rect(r.Left, r.Top, r.Left + tr.Width(), r.Top + tr.Height());
    c.DrawText(text, local, flags);
  });
}

void TPgTextBoxObject::WriteKeys(TPgValueList& list) const {
  TPgBaseTextObject::WriteKeys(list);
  list.WritePoint("XY2", {FBounds.Right, FBounds.Bottom});
  list.WriteFloat("TP", Inset);
  list.WriteFloat("TH", TextHeight);
  list.WriteString("T", FCaption);
  if (Alignment != taLeftJustify) list.WriteEnum("TA", Alignment);
  if (VertAlignment != gmTop) list.WriteEnum("VA", VertAlignment);
  if (!ClipText) list.WriteBool("CT", false);
  if (!WordWrap) list.WriteBool("WB", false);
  list.WriteInteger("F", FTable ? FTable->Fonts.IndexOfEntry(FFont) : -1);
}

void TPgTextBoxObject::ReadKeys(const TPgValueList& list) {
  TPgBaseTextObject::ReadKeys(list);
  TPgPointExt p2 = list.ReadPoint("XY2", {FBounds.Right, FBounds.Bottom});
  FBounds.Right = p2.X;
  FBounds.Bottom = p2.Y;
  Inset = list.ReadFloat("TP", 0);
  TextHeight = list.ReadFloat("TH", 0);
  if (std::fabs(Inset) > 1000 || std::fabs(TextHeight) > 100000) throw EPgStreamError("Invalid text box size");
  Alignment = static_cast<TAlignment>(list.ReadEnum("TA", taLeftJustify, 3));
  VertAlignment = static_cast<TPgVertAlignment>(list.ReadEnum("VA", gmTop, 3));
  ClipText = list.ReadBool("CT", true);
  WordWrap = list.ReadBool("WB", true);
}

// ---- Pictures -------------------------------------------------------------------------------

TPgGraphicObject::~TPgGraphicObject() {
  if (FGraphic && FTable) FTable->ReleaseResource(FGraphic);
}

void TPgGraphicObject::TakeGraphic(TPgPicture* entry) {
  if (FGraphic && FTable) FTable->ReleaseResource(FGraphic);
  FGraphic = entry;
  Changed();
}

void TPgGraphicObject::SetGraphic(const TGraphic& graphic) {
  if (!FTable) return;
  if (dynamic_cast<const TBitmap*>(&graphic) || dynamic_cast<const TJPEGImage*>(&graphic) ||
      dynamic_cast<const TMetafile*>(&graphic)) {
    TakeGraphic(FTable->Graphics.AddGraphic(graphic));
  } else if (dynamic_cast<const TIcon*>(&graphic)) {
    std::unique_ptr<TBitmap> bmp = GraphicToBitmap(graphic);
    TakeGraphic(FTable->Graphics.AddGraphic(*bmp));
  } else {
    std::unique_ptr<TJPEGImage> jpeg = GraphicToJpeg(graphic);
    TakeGraphic(FTable->Graphics.AddGraphic(*jpeg));
  }
}

void TPgGraphicObject::DoDraw(TCanvas& canvas, const TPgDrawInfo& info) {
  if (!FGraphic) return;
  TRect r = DeviceBounds(info.PixelsPerInch);
  DWORD saved = canvas.CopyMode();
  canvas.SetCopyMode(CopyMode);
  if (FGraphic->Kind == 1) {
    FGraphic->Draw(canvas, r);
  } else if (IsPrinterCanvas(canvas)) {
    std::unique_ptr<TBitmap> bmp = FGraphic->ToBitmap();
    if (bmp) PrintBitmap(canvas, r, *bmp);
  } else {
    FGraphic->Draw(canvas, r);
  }
  canvas.SetCopyMode(saved);
}

void TPgGraphicObject::WriteKeys(TPgValueList& list) const {
  TPgSimpleSolidShape::WriteKeys(list);
  list.WriteInteger("CM", static_cast<long long>(CopyMode));
  list.WriteInteger("PF", PixelFormat);
  list.WriteInteger("G", FTable ? FTable->Graphics.IndexOfGraphic(FGraphic) : -1);
}

void TPgGraphicObject::ReadKeys(const TPgValueList& list) {
  TPgSimpleSolidShape::ReadKeys(list);
  CopyMode = static_cast<DWORD>(list.ReadInteger("CM", SRCCOPY, 0, 0xFFFFFFFFLL));
  PixelFormat = static_cast<int>(list.ReadInteger("PF", 3, 0, 8));
  if (!FTable) return;
  TPgPicture* g = ReadEntry<TPgPicture>(list, "G", FTable->Graphics);
  if (g) FTable->Graphics.AddRef(g);
  if (FGraphic) FTable->ReleaseResource(FGraphic);
  FGraphic = g;
}

// ---- Clipping -------------------------------------------------------------------------------

void TPgRemoveClipObject::DoDraw(TCanvas& canvas, const TPgDrawInfo& info) { canvas.SelectClipRgn(info.BaseClip); }

void TPgBaseClipObject::Offset(double dx, double dy, TPgMeasurement unit) {
  ClipBounds = OffsetRectExt(ClipBounds, ConvertValue(dx, unit, gmInches), ConvertValue(dy, unit, gmInches));
  Changed();
}

void TPgBaseClipObject::DoDraw(TCanvas& canvas, const TPgDrawInfo& info) {
  int ppi = info.PixelsPerInch;
  TRect r = Rect(Px(ClipBounds.Left, ppi), Px(ClipBounds.Top, ppi), Px(ClipBounds.Right, ppi), Px(ClipBounds.Bottom, ppi));
  canvas.SelectClipRgn(info.BaseClip);
  canvas.BeginPath();
  AddShape(canvas, r, ppi);
  canvas.CloseFigure();
  canvas.EndPath();
  canvas.SelectClipPath(RGN_AND);
}

void TPgBaseClipObject::WriteKeys(TPgValueList& list) const { list.WriteRect("XY", ClipBounds); }
void TPgBaseClipObject::ReadKeys(const TPgValueList& list) { ClipBounds = list.ReadRect("XY", ClipBounds); }

void TPgClipRectObject::AddShape(TCanvas& canvas, const TRect& r, int) {
  canvas.Polygon({{r.Left, r.Top}, {r.Right, r.Top}, {r.Right, r.Bottom}, {r.Left, r.Bottom}});
}

void TPgClipRoundRectObject::AddShape(TCanvas& canvas, const TRect& r, int ppi) {
  PgRoundRect(canvas, r.Left, r.Top, r.Right, r.Bottom, Px(Corner.X, ppi), Px(Corner.Y, ppi));
}

void TPgClipRoundRectObject::WriteKeys(TPgValueList& list) const {
  TPgClipRectObject::WriteKeys(list);
  list.WritePoint("XY3", Corner);
}

void TPgClipRoundRectObject::ReadKeys(const TPgValueList& list) {
  TPgClipRectObject::ReadKeys(list);
  Corner = list.ReadPoint("XY3", Corner);
}

void TPgClipEllipseObject::AddShape(TCanvas& canvas, const TRect& r, int) { PgEllipse(canvas, r.Left, r.Top, r.Right, r.Bottom); }

// ---- Factory --------------------------------------------------------------------------------

std::unique_ptr<TPgBaseObject> CreatePgObject(int id, TPgResourceTable* table) {
  switch (id) {
    case kPgTextObjectID: return std::make_unique<TPgTextObject>(table);
    case kPgLineObjectID: return std::make_unique<TPgLineObject>(table);
    case kPgRectangleID: return std::make_unique<TPgRectangleShape>(table);
    case kPgEllipseID: return std::make_unique<TPgEllipseShape>(table);
    case kPgRoundRectID: return std::make_unique<TPgRoundRectShape>(table);
    case kPgRemoveClipID: return std::make_unique<TPgRemoveClipObject>(table);
    case kPgClipRectID: return std::make_unique<TPgClipRectObject>(table);
    case kPgClipRoundRectID: return std::make_unique<TPgClipRoundRectObject>(table);
    case kPgClipEllipseID: return std::make_unique<TPgClipEllipseObject>(table);
    case kPgGraphicID: return std::make_unique<TPgGraphicObject>(table);
    case kPgTextBoxID: return std::make_unique<TPgTextBoxObject>(table);
    default: return nullptr;
  }
}

std::unique_ptr<TPgBaseObject> ReadPgObject(TStream& stream, TPgResourceTable* table) {
  int id = TPgReader(stream).ReadInteger();
  std::unique_ptr<TPgBaseObject> object = CreatePgObject(id, table);
  if (!object) throw EPgStreamError("Unknown object type " + IntToStr(id));
  object->LoadFromStream(stream);
  return object;
}
