#include "print/page_canvas.h"

#include <algorithm>

TPgCanvas::TPgCanvas(TPgResourceTable& table, TPgObjectSink& sink) : FTable(table), FSink(sink) {
  FBrush.SetStyle(bsClear);
  FFont.SetName("Arial");
  FFont.SetSize(10);
  FFont.SetColor(clBlack);
}

template <typename T>
T* TPgCanvas::Add(std::unique_ptr<T> object) {
  T* raw = object.get();
  FSink.AddObject(std::move(object), CoordsRelativeTo);
  FLastObject = raw;
  return raw;
}

void TPgCanvas::TakeStyle(TPgOutlineShape& shape, bool brush) {
  shape.SetPen(FTable.Pens.AddPen(FPen));
  if (brush)
    if (auto* solid = dynamic_cast<TPgSolidShape*>(&shape)) solid->SetBrush(FTable.Brushes.AddBrush(FBrush));
}

namespace {

double In(double v, TPgMeasurement unit) { return ConvertValue(v, unit, gmInches); }

TPgRectExt InRect(double x1, double y1, double x2, double y2, TPgMeasurement unit) {
  return {In(x1, unit), In(y1, unit), In(x2, unit), In(y2, unit)};
}

}  // namespace

TPgLineObject* TPgCanvas::Line(double x1, double y1, double x2, double y2, TPgMeasurement unit) {
  auto o = std::make_unique<TPgLineObject>(&FTable);
  o->SetBounds(InRect(x1, y1, x2, y2, unit));
  TakeStyle(*o, false);
  return Add(std::move(o));
}

TPgRectangleShape* TPgCanvas::Rectangle(double x1, double y1, double x2, double y2, TPgMeasurement unit) {
  auto o = std::make_unique<TPgRectangleShape>(&FTable);
  o->SetBounds(InRect(x1, y1, x2, y2, unit));
  TakeStyle(*o, true);
  return Add(std::move(o));
}

TPgEllipseShape* TPgCanvas::Ellipse(double x1, double y1, double x2, double y2, TPgMeasurement unit) {
  auto o = std::make_unique<TPgEllipseShape>(&FTable);
  o->SetBounds(InRect(x1, y1, x2, y2, unit));
  TakeStyle(*o, true);
  return Add(std::move(o));
}

TPgRoundRectShape* TPgCanvas::RoundRect(double x1, double y1, double x2, double y2, double cw, double ch,
                                        TPgMeasurement unit) {
  auto o = std::make_unique<TPgRoundRectShape>(&FTable);
  o->SetBounds(InRect(x1, y1, x2, y2, unit));
  o->SetThird({In(cw, unit), In(ch, unit)});
  TakeStyle(*o, true);
  return Add(std::move(o));
}

TPgTextObject* TPgCanvas::TextOut(double x, double y, const std::string& text, TPgMeasurement unit) {
  auto o = std::make_unique<TPgTextObject>(&FTable);
  TPgSizeExt e = MeasureText(text, FFont);
  o->SetBounds({In(x, unit), In(y, unit), In(x, unit) + e.Width, In(y, unit) + e.Height});
  o->SetCaption(text);
  TPgFont f;
  f.Assign(FFont);
  o->SetFont(FTable.Fonts.AddFont(f));
  TakeStyle(*o, true);
  return Add(std::move(o));
}

double TPgCanvas::CalcTextHeight(const std::string& text, double inset, double width) const {
  TPgTextLock lock;
  TCanvas& m = PgMeasureCanvas(600);
  m.Font().Assign(FFont);
  m.Font().SetPixelsPerInch(600);
  m.Font().SetSize(FFont.Size());
  TRect r = Rect(0, 0, std::max(1, static_cast<int>((width - 2 * inset) * 600)), 0);
  UINT flags = DT_CALCRECT | DT_NOPREFIX | DT_NOCLIP | DT_EXPANDTABS;
  if (WordWrap) flags |= DT_WORDBREAK;
  m.DrawText(text, r, flags);
  return r.Height() / 600.0 + 2 * inset;
}

TPgTextBoxObject* TPgCanvas::TextBox(double x1, double y1, double x2, double y2, const std::string& text,
                                     TAlignment alignment, TPgVertAlignment vertAlignment, double inset,
                                     TPgMeasurement unit) {
  auto o = std::make_unique<TPgTextBoxObject>(&FTable);
  double l = In(x1, unit), t = In(y1, unit), r = In(x2, unit), b = In(y2, unit), in = In(inset, unit);
  double textHeight;
  if (y2 != 0) {
    textHeight = b - t;
    if (vertAlignment != gmTop) textHeight = CalcTextHeight(text, in, r - l);
  } else {
    textHeight = CalcTextHeight(text, in, r - l);
    b = t + textHeight;
  }
  o->SetBounds({l, t, r, b});
  o->SetCaption(text);
  o->Inset = in;
  o->TextHeight = textHeight;
  o->Alignment = alignment;
  o->VertAlignment = vertAlignment;
  o->WordWrap = WordWrap;
  TPgFont f;
  f.Assign(FFont);
  o->SetFont(FTable.Fonts.AddFont(f));
  TakeStyle(*o, true);
  return Add(std::move(o));
}

TPgGraphicObject* TPgCanvas::Draw(double x1, double y1, double x2, double y2, const TGraphic& graphic,
                                  TPgMeasurement unit) {
  auto o = std::make_unique<TPgGraphicObject>(&FTable);
  o->SetBounds(InRect(x1, y1, x2, y2, unit));
  o->CopyMode = CopyMode;
  o->SetGraphic(graphic);
  return Add(std::move(o));
}

TPgClipRectObject* TPgCanvas::ClipRect(double x1, double y1, double x2, double y2, TPgMeasurement unit) {
  auto o = std::make_unique<TPgClipRectObject>(&FTable);
  o->ClipBounds = InRect(x1, y1, x2, y2, unit);
  return Add(std::move(o));
}

TPgClipEllipseObject* TPgCanvas::ClipEllipse(double x1, double y1, double x2, double y2, TPgMeasurement unit) {
  auto o = std::make_unique<TPgClipEllipseObject>(&FTable);
  o->ClipBounds = InRect(x1, y1, x2, y2, unit);
  return Add(std::move(o));
}

TPgClipRoundRectObject* TPgCanvas::ClipRoundRect(double x1, double y1, double x2, double y2, double cw, double ch,
                                                 TPgMeasurement unit) {
  auto o = std::make_unique<TPgClipRoundRectObject>(&FTable);
  o->ClipBounds = InRect(x1, y1, x2, y2, unit);
  o->Corner = {In(cw, unit), In(ch, unit)};
  return Add(std::move(o));
}

TPgRemoveClipObject* TPgCanvas::RemoveClip() { return Add(std::make_unique<TPgRemoveClipObject>(&FTable)); }

double TPgCanvas::TextWidth(const std::string& text) const { return MeasureText(text, FFont).Width; }
double TPgCanvas::TextHeight(const std::string& text) const { return MeasureText(text, FFont).Height; }

void TPgCanvas::Save() {
  FSaved = std::make_unique<TSaved>();
  FSaved->Coords = CoordsRelativeTo;
  FSaved->Brush.Assign(FBrush);
  FSaved->Font.Assign(FFont);
  FSaved->Pen.Assign(FPen);
}

void TPgCanvas::Restore() {
  if (!FSaved) return;
  CoordsRelativeTo = FSaved->Coords;
  FBrush.Assign(FSaved->Brush);
  FFont.Assign(FSaved->Font);
  FPen.Assign(FSaved->Pen);
}
