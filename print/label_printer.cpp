#include "print/label_printer.h"

#include "platform/rtl/ini_files.h"
#include "platform/rtl/path_text.h"
#include "platform/rtl/sysutils.h"

// ---- TPgLabelTemplateList -------------------------------------------------------------------

TPgLabelTemplateList::TPgLabelTemplateList() { AddBuiltIns(); }

void TPgLabelTemplateList::Clear() {
  FItems.clear();
  AddBuiltIns();
}

void TPgLabelTemplateList::AddBuiltIns() {
  struct Row {
    TPgLabelTemplate id;
    const char* name;
    TPgPaperSize paper;
    TPgOrientation orientation;
    double left, top, hpitch, vpitch, width, height;
    int columns, rows;
  };
  static const Row kRows[] = {
      {L7159_Address, "L7159_Address", A4, gmPortrait, 0.25, 0.54, 2.63, 1.33, 2.52, 1.33, 3, 8},
      {L7160_Address, "L7160_Address", A4, gmPortrait, 0.28, 0.63, 2.6, 1.5, 2.5, 1.5, 3, 7},
      {L7161_Address, "L7161_Address", A4, gmPortrait, 0.28, 0.38, 2.6, 1.83, 2.5, 1.83, 3, 6},
      {L7162_Address, "L7162_Address", A4, gmPortrait, 0.18, 0.54, 4.0, 1.33, 3.9, 1.33, 2, 8},
      {L7163_Address, "L7163_Address", A4, gmPortrait, 0.18, 0.63, 4.0, 1.5, 3.9, 1.5, 2, 7},
      {L7164_Address, "L7164_Address", A4, gmPortrait, 0.28, 0.21, 2.6, 2.83, 2.5, 2.83, 3, 4},
      {L7165_Parcel, "L7165_Parcel", A4, gmPortrait, 0.18, 0.54, 4.0, 2.67, 3.9, 2.67, 2, 4},
      {L7166_Parcel, "L7166_Parcel", A4, gmPortrait, 0.18, 0.38, 4.0, 3.67, 3.9, 3.67, 2, 3},
      {L7167_Shipping, "L7167_Shipping", A4, gmPortrait, 0.2, 0.18, 7.86, 11.38, 7.86, 11.38, 1, 1},
      {L7168_Shipping, "L7168_Shipping", A4, gmPortrait, 0.18, 0.22, 7.86, 5.65, 7.86, 5.65, 1, 2},
      {L7169_Parcel, "L7169_Parcel", A4, gmLandscape, 0.4, 0.18, 5.47, 4.0, 5.47, 3.9, 2, 2},
      {L7170_Eurofolio, "L7170_Eurofolio", A4, gmPortrait, 1.5, 0.68, 5.28, 0.43, 5.28, 0.43, 1, 24},
      {L7171_LeverArch, "L7171_LeverArch", A4, gmLandscape, 1.15, 0.2, 2.36, 7.88, 2.36, 7.88, 4, 1},
      {L7172_RingBinder, "L7172_RingBinder", A4, gmPortrait, 0.15, 0.56, 4.04, 1.18, 3.94, 1.18, 2, 9},
      {L7173_Shipping, "L7173_Shipping", A4, gmPortrait, 0.18, 0.26, 4.0, 2.24, 3.9, 2.24, 2, 5},
      {L7263_Address, "L7263_Address", A4, gmPortrait, 0.18, 0.63, 4.0, 1.5, 3.9, 1.5, 2, 7},
      {J8660_Diskette, "J8660_Diskette", A4, gmPortrait, 0.92, 0.76, 3.67, 2.05, 2.76, 2.05, 2, 5},
      {Avery_5160_Address, "Avery_5160_Address", Letter, gmPortrait, 0.19, 0.5, 2.75, 1.0, 2.63, 1.0, 3, 10},
  };
  for (const Row& r : kRows)
    AddTemplate(r.id, r.name, gmInches, lsRoundRect, r.orientation, r.paper, {}, r.top, r.left, r.hpitch, r.vpitch,
                r.width, r.height, r.rows, r.columns);
  // The sheet of 2 x 16 labels of 96 x 16.9 mm, kept under the id after Avery_8160_Address and
  // under that template's name: its measures are millimetres.
  AddTemplate(Herma_4209, "Avery_8160_Address", gmMillimeters, lsRoundRect, gmPortrait, A4, {}, 12, 8, 98, 16.9,
              96, 16.9, 16, 2);
  // Nothing is custom yet, so nothing is written.
  SaveToIniFile(kLabelTemplateFile);
}

TPgLabelTemplateInfo* TPgLabelTemplateList::AddTemplate(TPgLabelTemplate id, const std::string& name,
                                                        TPgMeasurement unit, int labelShape,
                                                        TPgOrientation orientation, TPgPaperSize paperSize,
                                                        TPgSizeExt paperDimensions, double topOffset,
                                                        double leftOffset, double horzPitch, double vertPitch,
                                                        double labelWidth, double labelHeight, int rows,
                                                        int columns) {
  auto t = std::make_unique<TPgLabelTemplateInfo>();
  auto inches = [unit](double v) { return ConvertValue(v, unit, gmInches); };
  t->Id = id;
  t->Name = name;
  t->Columns = columns;
  t->Rows = rows;
  t->LabelHeight = inches(labelHeight);
  t->LabelWidth = inches(labelWidth);
  t->HorzPitch = inches(horzPitch);
  t->VertPitch = inches(vertPitch);
  t->LeftOffset = inches(leftOffset);
  t->TopOffset = inches(topOffset);
  t->PaperSize = paperSize;
  t->Orientation = orientation;
  t->LabelShape = labelShape;
  TPgSizeExt paper = GetPaperDimensions(paperSize == Custom ? A4 : paperSize);
  if (paperSize == Custom && paperDimensions.Width > 0 && paperDimensions.Height > 0)
    paper = {inches(paperDimensions.Width), inches(paperDimensions.Height)};
  t->PaperWidth = paper.Width;
  t->PaperHeight = paper.Height;
  FItems.push_back(std::move(t));
  return FItems.back().get();
}

TPgLabelTemplateInfo* TPgLabelTemplateList::GetTemplate(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return FItems[static_cast<std::size_t>(index)].get();
}

TPgLabelTemplateInfo* TPgLabelTemplateList::FindByName(const std::string& name) const {
  TPgLabelTemplateInfo* found = nullptr;
  const std::string wanted = LowerCase(name);
  for (const auto& t : FItems)
    if (LowerCase(t->Name) == wanted) found = t.get();
  return found;
}

TPgLabelTemplateInfo* TPgLabelTemplateList::FindById(TPgLabelTemplate id) const {
  TPgLabelTemplateInfo* found = nullptr;
  for (const auto& t : FItems)
    if (t->Id == id) found = t.get();
  return found;
}

void TPgLabelTemplateList::GetTemplateNames(TStrings& strings) const {
  strings.BeginUpdate();
  strings.Clear();
  for (const auto& t : FItems) strings.Add(t->Name);
  strings.EndUpdate();
}

void TPgLabelTemplateList::SaveToIniFile(const std::string& fileName) const {
  bool any = false;
  for (const auto& t : FItems) any = any || t->Id == Custom_Template;
  if (!any) return;
  TMemIniFile ini(IniFilePath(fileName));
  for (const auto& t : FItems) {
    if (t->Id != Custom_Template) continue;
    const std::string& s = t->Name;
    ini.WriteInteger(s, "nh", t->Columns);
    ini.WriteInteger(s, "nv", t->Rows);
    ini.WriteFloat(s, "lh", t->LabelHeight);
    ini.WriteFloat(s, "lw", t->LabelWidth);
    ini.WriteFloat(s, "sh", t->HorzPitch);
    ini.WriteFloat(s, "sv", t->VertPitch);
    ini.WriteFloat(s, "ox", t->LeftOffset);
    ini.WriteFloat(s, "oy", t->TopOffset);
    ini.WriteFloat(s, "pw", t->PaperWidth);
    ini.WriteFloat(s, "ph", t->PaperHeight);
    ini.WriteString(s, "ps", PaperSizeToString(t->PaperSize));
    ini.WriteInteger(s, "o", static_cast<int>(t->Orientation));
    ini.WriteInteger(s, "ls", t->LabelShape);
  }
  ForceConfigFolder(ExtractFilePath(ini.FileName()));
  ini.UpdateFile();
}

// ---- TPgCustomLabelPrinter ------------------------------------------------------------------

TPgCustomLabelPrinter::TPgCustomLabelPrinter(TComponent* AOwner) : TComponent(AOwner) {
  FLabelBrush.SetStyle(bsSolid);
  FLabelBrush.SetColor(static_cast<TColor>(0xEFEFEF));
  FLabelPen.SetColor(static_cast<TColor>(0xC0C0C0));
  FCurrent = FTemplates.GetTemplate(0);
  if (FCurrent) FTemplate = FCurrent->Id;
}

TPgCustomLabelPrinter::~TPgCustomLabelPrinter() { SetPreview(nullptr); }

int TPgCustomLabelPrinter::LabelsPerPage() const { return FCurrent ? FCurrent->Columns * FCurrent->Rows : 0; }

void TPgCustomLabelPrinter::SetPreview(TPgPreview* value) {
  if (value == FPreview) return;
  if (FPreview) FPreview->RemoveAssociatedComponent(this);
  FPreview = value;
  if (FPreview) FPreview->AddAssociatedComponent(this);
}

void TPgCustomLabelPrinter::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FPreview) FPreview = nullptr;
}

void TPgCustomLabelPrinter::SetTemplate(TPgLabelTemplate value) {
  FTemplate = value;
  FCurrent = FTemplates.FindById(value);
}

void TPgCustomLabelPrinter::DrawOutline(TPgCanvas& canvas, const TPgLabelTemplateInfo& t, const TPgRectExt& r) {
  TBrush brush;
  brush.Assign(canvas.Brush());
  TPen pen;
  pen.Assign(canvas.Pen());
  canvas.Brush().Assign(FLabelBrush);
  canvas.Pen().Assign(FLabelPen);
  TPgBaseObject* outline = nullptr;
  switch (t.LabelShape) {
    case lsRectangle: outline = canvas.Rectangle(r.Left, r.Top, r.Right, r.Bottom, gmInches); break;
    case lsEllipse: outline = canvas.Ellipse(r.Left, r.Top, r.Right, r.Bottom, gmInches); break;
    default:
      outline = canvas.RoundRect(r.Left, r.Top, r.Right, r.Bottom, 2 * t.CornerRadius, 2 * t.CornerRadius, gmInches);
      break;
  }
  // Seen in the preview, never printed.
  if (outline) outline->SetVisible(false);
  canvas.Brush().Assign(brush);
  canvas.Pen().Assign(pen);
}

void TPgCustomLabelPrinter::AddClip(TPgCanvas& canvas, const TPgLabelTemplateInfo& t, const TPgRectExt& r) {
  switch (t.LabelShape) {
    case lsRectangle: canvas.ClipRect(r.Left, r.Top, r.Right, r.Bottom, gmInches); break;
    case lsEllipse: canvas.ClipEllipse(r.Left, r.Top, r.Right, r.Bottom, gmInches); break;
    default:
      canvas.ClipRoundRect(r.Left, r.Top, r.Right, r.Bottom, 2 * t.CornerRadius, 2 * t.CornerRadius, gmInches);
      break;
  }
}

void TPgCustomLabelPrinter::DrawLabels(int count) {
  if (!FPreview) {
    ShowPgError(this, "The \"Preview\" property must be set to a TPgPreview component");
    return;
  }
  if (!FCurrent) return;
  const TPgLabelTemplateInfo& t = *FCurrent;
  TPgCanvas& canvas = FPreview->Canvas();
  canvas.Save();
  FPreview->BeginUpdate();
  canvas.CoordsRelativeTo = gmFromPage;
  canvas.RemoveClip();
  if (t.Columns > 0 && t.Rows > 0) {
    if (BeforeDrawLabels) BeforeDrawLabels(this);
    if (t.PaperSize == Custom) {
      FPreview->SetPageSize(t.PaperWidth, t.PaperHeight, gmInches);
    } else {
      FPreview->SetPaperSize(t.PaperSize);
      FPreview->SetOrientation(t.Orientation);
    }
    double x = t.LeftOffset, y = t.TopOffset;
    int col = 1, row = 1, drawn = 0, position = 0;
    while (drawn < count) {
      ++position;
      double height = t.LabelHeight, spacing = t.VertPitch;
      if (OnGetLabelHeight && DrawOrder == gmColumns) {
        TPgValue h(height, gmInches), s(spacing, gmInches);
        OnGetLabelHeight(this, drawn + 1, col, row, h, s);
        height = h.AsInches();
        spacing = s.AsInches();
      }
      const TPgRectExt r{x, y, x + t.LabelWidth, y + height};
      if (position >= StartLabel) {
        DrawOutline(canvas, t, r);
        if (ClipLabels) AddClip(canvas, t, r);
        ++drawn;
        if (OnDrawLabel) {
          TPgValueRect rect(r);
          OnDrawLabel(this, drawn, rect, canvas);
        }
        canvas.RemoveClip();
      }
      if (col != t.Columns || row != t.Rows) {
        if (DrawOrder == gmColumns) {
          if (row < t.Rows) {
            y += spacing;
            ++row;
          } else {
            y = t.TopOffset;
            x += t.HorzPitch;
            ++col;
            row = 1;
          }
        } else if (col < t.Columns) {
          x += t.HorzPitch;
          ++col;
        } else {
          x = t.LeftOffset;
          y += t.VertPitch;
          col = 1;
          ++row;
        }
      } else {
        // The sheet is full: a new one only for a label still to come.
        if (drawn < count) FPreview->NewPage();
        x = t.LeftOffset;
        y = t.TopOffset;
        col = row = 1;
      }
    }
  }
  canvas.Restore();
  FPreview->EndUpdate();
}
