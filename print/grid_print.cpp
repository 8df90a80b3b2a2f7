#include "print/grid_print.h"

#include "platform/rtl/sysutils.h"
#include "platform/ui/screen.h"

// ---- TPgDecimalList -------------------------------------------------------------------------

void TPgDecimalList::AddValue(double value) { Add(FloatToStr(value)); }
double TPgDecimalList::Value(int index) const { return StrToFloat(Get(index)); }
double TPgDecimalList::Sum() const {
  double s = 0;
  for (int i = 0; i < Count(); ++i) s += Value(i);
  return s;
}

// ---- TPgAbstractGridPrint -------------------------------------------------------------------

TPgAbstractGridPrint::TPgAbstractGridPrint(TComponent* AOwner) : TComponent(AOwner) {
  FFont.SetName("Arial");
  FFont.SetSize(8);
  FFont.SetColor(clBlack);
  FFixedCellFont.Assign(FFont);
}

TPgAbstractGridPrint::~TPgAbstractGridPrint() { SetPreview(nullptr); }

void TPgAbstractGridPrint::SetPreview(TPgPreview* value) {
  if (value == FPreview) return;
  if (FPreview) FPreview->RemoveAssociatedComponent(this);
  FPreview = value;
  if (FPreview) {
    FPreview->AddAssociatedComponent(this);
    FBottomMargin.SetAsInches(FPreview->Margins().Bottom().AsInches() + FPreview->Footer().GetHeight(gmInches));
  }
}

void TPgAbstractGridPrint::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FPreview) FPreview = nullptr;
}

bool TPgAbstractGridPrint::CanPrint() {
  if (!FPreview) {
    ShowPgError(this, "The \"Preview\" property must be set to a TPgPreview component");
    return false;
  }
  return true;
}

double TPgAbstractGridPrint::RowHeight(int row) {
  double h = GetRowHeight(row);
  if (OnGetRowHeight) {
    TPgValue v(h, gmInches);
    OnGetRowHeight(this, row, v);
    h = v.AsInches();
  }
  return h;
}

void TPgAbstractGridPrint::PrepareColumns() {
  FWidths.Clear();
  for (int c = 0; c < GetColCount(); ++c) {
    double w = GetColWidth(c) * FScale;
    if (OnGetColWidth) {
      TPgValue v(w, gmInches);
      OnGetColWidth(this, c, v);
      w = v.AsInches();
    }
    FWidths.AddValue(w);
  }
}

void TPgAbstractGridPrint::Print(TPgMeasurement unit, double x, double y, double width) {
  if (!CanPrint()) return;
  ResetRowCount();
  FScale = 1;
  if (width != 0) {
    double total = 0;
    for (int c = 0; c < GetColCount(); ++c) total += GetColWidth(c);
    double wanted = ConvertValue(width, unit, gmInches);
    if (total > 0) FScale = wanted / total;
  }
  FPreview->BeginUpdate();
  PrepareColumns();
  FGridWidth = FWidths.Sum();
  FX = FStartX = ConvertValue(x, unit, gmInches);
  FY = ConvertValue(y, unit, gmInches);
  FPageStart = {FX, FY};
  FTopMargin.SetAsInches(FY);
  FLastRow = {FX, FY, FX + FGridWidth, FY};
  int rows = CachedRowCount();
  for (int r = 0; r < rows; ++r) {
    double h = RowHeight(r);
    if (BeforeDrawRow) BeforeDrawRow(this, r);
    TPgPage* page = FPreview->GetPage(FPreview->CurrentPage());
    double limit = (page ? page->Height : 11.69) - FPreview->Footer().GetHeight(gmInches) - FBottomMargin.AsInches();
    // The first row starts the grid wherever it is; later rows break to a new page.
    if (r > 0 && FY + h > limit) NewPage();
    FLastRow = {FX, FY, FX + FGridWidth, FY + h};
    DrawRow(FLastRow, r);
    FY += h;
    if (AfterDrawRow) AfterDrawRow(this, r);
    if (OnDrawProgress) OnDrawProgress(this, (r + 1) * 100.0 / rows);
    RowDrawn(r);
  }
  DrawBorder(FLastRow);
  FPreview->EndUpdate();
}

void TPgAbstractGridPrint::NewPage() {
  DrawBorder(FLastRow);
  if (FPreview->CurrentPage() == FPreview->NumPages()) FPreview->NewPage();
  else FPreview->NextPage();
  if (OnGridNewPage) OnGridNewPage(this, FTopMargin, FBottomMargin);
  FX = FStartX;
  FY = FTopMargin.AsInches();
  FPageStart = {FX, FY};
  double h0 = RowHeight(0);
  FLastRow = {FX, FY, FX + FGridWidth, FY + h0};
  DrawRow(FLastRow, 0);
  FY += h0;
}

void TPgAbstractGridPrint::DrawCell(int col, int row, const TPgRectExt& cell) {
  TPgCanvas& c = FPreview->Canvas();
  bool fixed = IsFixedCell(col, row);
  c.Font().Assign(fixed ? FFixedCellFont : FFont);
  c.Brush().SetStyle(bsSolid);
  c.Brush().SetColor(fixed ? GetFixedColor() : clWhite);
  if (HasDrawCellEvent()) {
    TPgValueRect r(cell);
    DrawCellEvent(col, row, r);
    return;
  }
  TColor brush = c.Brush().Color();
  if (!Monochrome && c.Brush().Style() != bsClear && ColorToRGB(brush) != 0xFFFFFF) {
    c.Pen().SetStyle(psClear);
    c.Rectangle(cell.Left, cell.Top, cell.Right, cell.Bottom, gmInches);
    c.Pen().SetStyle(psSolid);
  }
  std::string text = GetCellText(col, row);
  if (text.empty()) return;
  TAlignment align = DefaultCellAlignment;
  TPgVertAlignment valign = DefaultCellVertAlignment;
  if (OnGetCellAlignment) OnGetCellAlignment(this, col, row, align, valign);
  c.Pen().SetStyle(psClear);
  c.Brush().SetStyle(bsClear);
  c.WordWrap = WordWrap;
  c.TextBox(cell.Left, cell.Top, cell.Right, cell.Bottom, text, align, valign, 0.025, gmInches);
  c.Pen().SetStyle(psSolid);
}

void TPgAbstractGridPrint::DrawRow(const TPgRectExt& rect, int row) {
  double x = rect.Left;
  for (int col = 0; col < FWidths.Count(); ++col) {
    double w = FWidths.Value(col);
    DrawCell(col, row, {x, rect.Top, x + w, rect.Bottom});
    x += w;
  }
  TPgCanvas& c = FPreview->Canvas();
  c.Pen().SetStyle(psSolid);
  c.Pen().SetColor(CellPenColor);
  if (GridOptions.Contains(gmHorzLine) && row > 0) c.Line(rect.Left, rect.Top, rect.Right, rect.Top, gmInches);
  if (GridOptions.Contains(gmVertLine)) {
    x = rect.Left;
    for (int col = 0; col < FWidths.Count(); ++col) {
      if (col > 0) c.Line(x, rect.Top, x, rect.Bottom, gmInches);
      x += FWidths.Value(col);
    }
  }
}

void TPgAbstractGridPrint::DrawBorder(const TPgRectExt& rect) {
  if (!GridOptions.Contains(gmGridBorder)) return;
  TPgCanvas& c = FPreview->Canvas();
  c.Pen().SetStyle(psSolid);
  c.Pen().SetColor(CellPenColor);
  c.Brush().SetStyle(bsClear);
  c.Rectangle(FPageStart.X, FPageStart.Y, rect.Right, rect.Bottom, gmInches);
}

// ---- TPgGridPrint ---------------------------------------------------------------------------

TPgGridPrint::~TPgGridPrint() { SetGrid(nullptr); }

void TPgGridPrint::SetGrid(TStringGrid* value) {
  if (value == FGrid) return;
  if (FGrid) FGrid->RemoveFreeNotification(this);
  FGrid = value;
  if (FGrid) FGrid->FreeNotification(this);
}

void TPgGridPrint::Notification(TComponent* AComponent, TOperation Operation) {
  TPgCustomGridPrint::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FGrid) FGrid = nullptr;
}

bool TPgGridPrint::CanPrint() {
  if (!TPgCustomGridPrint::CanPrint()) return false;
  if (!FGrid) {
    ShowPgError(this, "The \"Grid\" property must be set to a valid grid component\"");
    return false;
  }
  return true;
}

std::string TPgGridPrint::GetCellText(int col, int row) { return FGrid->Cells(col, row); }
int TPgGridPrint::GetColCount() { return FGrid->ColCount(); }
double TPgGridPrint::GetColWidth(int col) { return FGrid->ColWidths(col) / static_cast<double>(Screen().PixelsPerInch()); }
double TPgGridPrint::GetRowHeight(int row) { return FGrid->RowHeights(row) / static_cast<double>(Screen().PixelsPerInch()); }
TColor TPgGridPrint::GetFixedColor() { return FGrid->FixedColor(); }
int TPgGridPrint::GetRowCount() { return FGrid->RowCount(); }
bool TPgGridPrint::IsFixedCell(int col, int row) { return col < FGrid->FixedCols() || row < FGrid->FixedRows(); }

void TPgGridPrint::DrawCellEvent(int col, int row, TPgValueRect& rect) {
  OnDrawCell(this, col, row, rect, FPreview->Canvas());
}
