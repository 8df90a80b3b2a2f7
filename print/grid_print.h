// A grid laid out over the pages of a preview: rows from a start point, columns side by side,
// cell backgrounds, texts in text boxes, grid lines and a border, with a page break whenever the
// next row does not fit and the first row repeated at the top of every new page.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/gfx/enum_set.h"
#include "platform/ui/grids.h"
#include "print/preview.h"

enum TPgGridOption { gmVertLine, gmHorzLine, gmFixedRowPerPage, gmFixedCells3D, gmGridBorder };
using TPgGridOptions = TSet<TPgGridOption>;

using TPgDrawRowEvent = std::function<void(TObject* Sender, int Row)>;
using TPgGridProgressEvent = std::function<void(TObject* Sender, double Percent)>;
using TPgGetCellAlignmentEvent = std::function<void(TObject* Sender, int Col, int Row, TAlignment& Alignment,
                                                    TPgVertAlignment& VertAlignment)>;
using TPgGetColumnWidthEvent = std::function<void(TObject* Sender, int Col, TPgValue& ColWidth)>;
using TPgGetRowHeightEvent = std::function<void(TObject* Sender, int Row, TPgValue& RowHeight)>;
using TPgNewPageEvent = std::function<void(TObject* Sender, TPgValue& ATopMargin, TPgValue& ABottomMargin)>;
using TPgDrawCellEvent =
    std::function<void(TObject* Sender, int Col, int Row, TPgValueRect& ARect, TPgCanvas& ACanvas)>;

// A list of numbers kept as text (the default float-to-text form) and read back as numbers.
class TPgDecimalList : public TStringList {
public:
  void AddValue(double value);
  double Value(int index) const;
  double Sum() const;
};

class TPgAbstractGridPrint : public TComponent {
public:
  explicit TPgAbstractGridPrint(TComponent* AOwner = nullptr);
  ~TPgAbstractGridPrint() override;

  std::string About() const { return GetAboutText(this); }
  TColor CellPenColor = clBlack;
  TAlignment DefaultCellAlignment = taLeftJustify;
  TPgVertAlignment DefaultCellVertAlignment = gmTop;
  TFont& Font() { return FFont; }
  void SetFont(const TFont& font) { FFont.Assign(font); }
  TFont& FixedCellFont() { return FFixedCellFont; }
  void SetFixedCellFont(const TFont& font) { FFixedCellFont.Assign(font); }
  TPgGridOptions GridOptions{gmVertLine, gmHorzLine, gmFixedRowPerPage, gmGridBorder};
  bool Monochrome = false;
  bool ScaleText = false;
  bool WordWrap = false;
  TPgPreview* Preview() const { return FPreview; }
  void SetPreview(TPgPreview* value);

  TPgDrawRowEvent BeforeDrawRow;
  TPgDrawRowEvent AfterDrawRow;
  TPgGridProgressEvent OnDrawProgress;
  TPgGetCellAlignmentEvent OnGetCellAlignment;
  TPgGetColumnWidthEvent OnGetColWidth;
  TPgGetRowHeightEvent OnGetRowHeight;
  TPgNewPageEvent OnGridNewPage;

  // Lays the grid out from (x, y) of the preview's current page; width 0 prints at the grid's
  // own size, another width scales the columns to it (all in `unit`).
  void Print(TPgMeasurement unit, double x, double y, double width);
  const TPgDecimalList& ColumnWidths() const { return FWidths; }

protected:
  virtual std::string GetCellText(int col, int row) = 0;
  virtual int GetColCount() = 0;
  // Inches.
  virtual double GetColWidth(int col) = 0;
  virtual double GetRowHeight(int row) = 0;
  virtual TColor GetFixedColor() = 0;
  virtual int GetRowCount() = 0;
  virtual double RowHeight(int row);
  virtual bool IsFixedCell(int col, int row) = 0;
  virtual void RowDrawn(int) {}
  virtual bool HasDrawCellEvent() = 0;
  virtual void PrepareColumns();
  virtual void DrawCellEvent(int col, int row, TPgValueRect& rect) = 0;
  virtual void DrawBorder(const TPgRectExt& rect);
  virtual void DrawRow(const TPgRectExt& rect, int row);
  virtual void NewPage();
  // Checks before printing; false (after the engine's error) stops it.
  virtual bool CanPrint();
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void ResetRowCount() { FRowCount = -1; }
  int CachedRowCount() { return FRowCount >= 0 ? FRowCount : (FRowCount = GetRowCount()); }

  TPgPreview* FPreview = nullptr;

private:
  void DrawCell(int col, int row, const TPgRectExt& cell);

  TFont FFont;
  TFont FFixedCellFont;
  TPgDecimalList FWidths;
  double FScale = 1;
  double FX = 0, FY = 0;
  double FStartX = 0;
  TPgPointExt FPageStart;
  TPgRectExt FLastRow;
  double FGridWidth = 0;
  TPgValue FTopMargin;
  TPgValue FBottomMargin;
  int FRowCount = -1;
};

class TPgCustomGridPrint : public TPgAbstractGridPrint {
public:
  using TPgAbstractGridPrint::TPgAbstractGridPrint;
};

class TPgGridPrint : public TPgCustomGridPrint {
public:
  using TPgCustomGridPrint::TPgCustomGridPrint;
  ~TPgGridPrint() override;
  TStringGrid* Grid() const { return FGrid; }
  void SetGrid(TStringGrid* value);
  TPgDrawCellEvent OnDrawCell;

protected:
  std::string GetCellText(int col, int row) override;
  int GetColCount() override;
  double GetColWidth(int col) override;
  double GetRowHeight(int row) override;
  TColor GetFixedColor() override;
  int GetRowCount() override;
  bool IsFixedCell(int col, int row) override;
  bool HasDrawCellEvent() override { return static_cast<bool>(OnDrawCell); }
  void DrawCellEvent(int col, int row, TPgValueRect& rect) override;
  bool CanPrint() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  TStringGrid* FGrid = nullptr;
};
