// The base grid: TCustomGrid (counts, sizes, view, current cell and selection, options,
// painting per cell, sizing and moving), TCustomDrawGrid/TDrawGrid (the cell events) and
// TStringGrid (the cell store of texts and objects, with live row and column string lists).
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/enum_set.h"
#include "platform/rtl/string_list.h"
#include "platform/ui/controls.h"

enum TGridOption {
  goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect, goDrawFocusSelected,
  goRowSizing, goColSizing, goRowMoving, goColMoving, goEditing, goTabs, goRowSelect,
  goAlwaysShowEditor, goThumbTracking
};
using TGridOptions = TSet<TGridOption>;

enum TGridDrawStateItem { gdSelected, gdFocused, gdFixed };
using TGridDrawState = TSet<TGridDrawStateItem>;

enum TGridState { gsNormal, gsSelecting, gsRowSizing, gsColSizing, gsRowMoving, gsColMoving };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

struct TGridCoord {
  int X = 0;
  int Y = 0;
  friend bool operator==(const TGridCoord&, const TGridCoord&) = default;
};

struct TGridRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  friend bool operator==(const TGridRect&, const TGridRect&) = default;
};

class TCustomGrid : public TCustomControl {
public:
  explicit TCustomGrid(TComponent* AOwner);
  ~TCustomGrid() override;

  // ---- counts ----
  int ColCount() const { return FColCount; }
  virtual void SetColCount(int Value);
  int RowCount() const { return FRowCount; }
  virtual void SetRowCount(int Value);
  virtual int FixedCols() const { return FFixedCols; }
  // Raises EInvalidGridOperation "Fixed column count must be less than column count".
  virtual void SetFixedCols(int Value);
  virtual int FixedRows() const { return FFixedRows; }
  // Raises EInvalidGridOperation "Fixed row count must be less than row count".
  virtual void SetFixedRows(int Value);

  // ---- sizes (each stays with its index when the counts change) ----
  int DefaultColWidth() const { return FDefaultColWidth; }
  void SetDefaultColWidth(int Value);
  int DefaultRowHeight() const { return FDefaultRowHeight; }
  void SetDefaultRowHeight(int Value);
  int ColWidths(int Index) const;
  void SetColWidths(int Index, int Value);
  int RowHeights(int Index) const;
  void SetRowHeights(int Index, int Value);
  int GridLineWidth() const { return FGridLineWidth; }
  void SetGridLineWidth(int Value);

  // ---- options and look ----
  TGridOptions Options() const { return FOptions; }
  virtual void SetOptions(TGridOptions Value);
  bool DefaultDrawing() const { return FDefaultDrawing; }
  void SetDefaultDrawing(bool Value) { FDefaultDrawing = Value; }
  TColor FixedColor() const { return FFixedColor; }
  void SetFixedColor(TColor Value);
  TScrollStyle ScrollBars() const { return FScrollBars; }
  void SetScrollBars(TScrollStyle Value) { FScrollBars = Value; }

  // ---- current cell, selection and view ----
  int Col() const { return FCurrent.X; }
  void SetCol(int Value);
  int Row() const { return FCurrent.Y; }
  void SetRow(int Value);
  // The selection rectangle; with goRowSelect it spans the normal columns.
  TGridRect Selection() const;
  void SetSelection(const TGridRect& Value);
  int TopRow() const { return FTopLeft.Y; }
  void SetTopRow(int Value);
  int LeftCol() const { return FTopLeft.X; }
  void SetLeftCol(int Value);
  // Normal columns (rows) fully visible from LeftCol (TopRow); at least 1 while any exists.
  int VisibleColCount() const;
  int VisibleRowCount() const;
  // The cell's rectangle in client coordinates; empty when the cell is out of view.
  TRect CellRect(int ACol, int ARow) const;
  // The cell under a client point; (-1, -1) when there is none.
  TGridCoord MouseCoord(int X, int Y) const;
  void MouseToCell(int X, int Y, int& ACol, int& ARow) const;

  void InvalidateCell(int ACol, int ARow);
  void InvalidateRow(int ARow);
  void InvalidateCol(int ACol);
  void InvalidateGrid() { Invalidate(); }

  // ---- state ----
  TGridState GridState() const { return FGridState; }
  void SetGridState(TGridState Value) { FGridState = Value; }
  bool EditorMode() const { return FEditorMode; }
  virtual void SetEditorMode(bool Value);

  // ---- updates: painting waits while the count is above 0 ----
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();
  int UpdateCount() const { return FUpdateCount; }
  void Invalidate() override;

  // ---- moving rows and columns (cells, sizes and the current cell move along) ----
  void MoveColumn(int FromIndex, int ToIndex);
  void MoveRow(int FromIndex, int ToIndex);
  void DeleteColumn(int ACol);
  void DeleteRow(int ARow);

protected:
  // WM_GETDLGCODE: the arrows always, Tab with goTabs and characters with goEditing (not with
  // goRowSelect), so a form's keyboard navigation leaves them to the grid.
  void WndProc(TMessage& Message) override;
  // After every count change, with the counts before it.
  virtual void SizeChanged(int OldColCount, int OldRowCount);
  virtual void ColWidthsChanged();
  virtual void RowHeightsChanged();
  virtual void TopLeftChanged();
  // May veto moving the current cell to (ACol, ARow).
  virtual bool SelectCell(int ACol, int ARow);
  virtual void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState);
  virtual bool CanEditShow();
  virtual void ColumnMoved(int FromIndex, int ToIndex);
  virtual void RowMoved(int FromIndex, int ToIndex);
  // May refuse sizing at a point: sets State to gsNormal.
  virtual void CalcSizingState(int X, int Y, TGridState& State, int& Index);

  // The store of a derived grid follows the counts and the moves through these.
  virtual void StoreResized() {}
  virtual void StoreMoveColumn(int /*FromIndex*/, int /*ToIndex*/) {}
  virtual void StoreMoveRow(int /*FromIndex*/, int /*ToIndex*/) {}

  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void KeyDown(WORD& Key, TShiftState Shift) override;

  // Moves the current cell through SelectCell; with MoveAnchor the selection collapses to it.
  void FocusCell(int ACol, int ARow, bool MoveAnchor);
  // Sets the current cell without asking SelectCell.
  void MoveCurrentRaw(int ACol, int ARow, bool MoveAnchor);
  void ScrollToCurrent();
  void SetSelectionAnchor(TGridCoord Anchor) { FAnchor = Anchor; }

private:
  void ChangeSize(int NewColCount, int NewRowCount);
  void ClampView();
  int ColLeft(int ACol) const;  // client x of a visible column's left edge, or -1
  int RowTop(int ARow) const;
  void PaintLines(const TRect& r, bool fixed);

  int FColCount = 5;
  int FRowCount = 5;
  int FFixedCols = 1;
  int FFixedRows = 1;
  int FDefaultColWidth = 64;
  int FDefaultRowHeight = 24;
  int FGridLineWidth = 1;
  std::vector<int> FColWidths;
  std::vector<int> FRowHeights;
  TGridOptions FOptions{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect};
  bool FDefaultDrawing = true;
  TColor FFixedColor = clBtnFace;
  TScrollStyle FScrollBars = ssBoth;
  TGridCoord FCurrent{1, 1};
  TGridCoord FAnchor{1, 1};
  TGridCoord FTopLeft{1, 1};
  TGridState FGridState = gsNormal;
  bool FEditorMode = false;
  int FUpdateCount = 0;
  bool FPaintPending = false;
  int FSizingIndex = -1;
  int FSizingPos = 0;
  int FMoveIndex = -1;
};

using TDrawCellEvent =
    std::function<void(TObject* Sender, int ACol, int ARow, TRect Rect, TGridDrawState State)>;
using TSelectCellEvent = std::function<void(TObject* Sender, int ACol, int ARow, bool& CanSelect)>;
using TMovedEvent = std::function<void(TObject* Sender, int FromIndex, int ToIndex)>;

class TCustomDrawGrid : public TCustomGrid {
public:
  using TCustomGrid::TCustomGrid;

  TDrawCellEvent OnDrawCell;
  TSelectCellEvent OnSelectCell;
  TNotifyEvent OnTopLeftChanged;
  TMovedEvent OnColumnMoved;
  TMovedEvent OnRowMoved;

protected:
  bool SelectCell(int ACol, int ARow) override;
  void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) override;
  void TopLeftChanged() override;
  void ColumnMoved(int FromIndex, int ToIndex) override;
  void RowMoved(int FromIndex, int ToIndex) override;
};

class TDrawGrid : public TCustomDrawGrid {
public:
  using TCustomDrawGrid::TCustomDrawGrid;
};

class TStringGrid;

// A live view of one row or one column of a string grid.  Add fills the first empty cell,
// Clear empties every cell, Assign copies position by position; Insert and Delete raise.
class TStringGridStrings : public TStrings {
public:
  TStringGridStrings(TStringGrid& Grid, int Index, bool IsRow)
      : FGrid(Grid), FIndex(Index), FIsRow(IsRow) {}
  std::string Get(int Index) const override;
  void Put(int Index, const std::string& S) override;
  TObject* GetObject(int Index) const override;
  void PutObject(int Index, TObject* AObject) override;
  int GetCount() const override;
  void Insert(int Index, const std::string& S) override;
  void Delete(int Index) override;
  void Clear() override;
  int AddObject(const std::string& S, TObject* AObject) override;
  int Add(const std::string& S) override { return AddObject(S, nullptr); }
  void Assign(const TPersistent* Source) override;

private:
  TStringGrid& FGrid;
  int FIndex;
  bool FIsRow;
};

// The cell store: ColCount + StoreExtraCols() columns by RowCount rows.  Lowering a count drops
// what lies beyond it, raising it adds empty cells.  Reads outside the store give "" (and
// nullptr); writes outside it are ignored.
class TStringGrid : public TDrawGrid {
public:
  explicit TStringGrid(TComponent* AOwner);
  ~TStringGrid() override;

  const std::string& Cells(int ACol, int ARow) const;
  void SetCells(int ACol, int ARow, const std::string& Value);
  TObject* Objects(int ACol, int ARow) const;
  void SetObjects(int ACol, int ARow, TObject* Value);
  TStrings* Rows(int Index);
  TStrings* Cols(int Index);
  void SetRows(int Index, const TStrings& Value) { Rows(Index)->Assign(&Value); }
  void SetCols(int Index, const TStrings& Value) { Cols(Index)->Assign(&Value); }

  // The stored columns (ColCount plus those kept beyond it).
  int StoreColCount() const { return FStoreCols; }
  // Swaps two whole rows of the store (texts and objects) in constant time.
  void ExchangeStoreRows(int ARow1, int ARow2);

protected:
  void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) override;
  // Columns that the store keeps beyond ColCount (a derived grid's hidden columns).
  virtual int StoreExtraCols() const { return 0; }
  void StoreResized() override;
  void StoreMoveColumn(int FromIndex, int ToIndex) override;
  void StoreMoveRow(int FromIndex, int ToIndex) override;
  // Called after a cell's text was set through SetCells.
  virtual void CellChanged(int /*ACol*/, int /*ARow*/) {}

private:
  struct TRowStore {
    std::vector<std::string> Texts;
    std::vector<TObject*> Objects;
  };
  std::vector<TRowStore> FStore;
  int FStoreCols = 0;
  std::map<int, std::unique_ptr<TStringGridStrings>> FRowViews;
  std::map<int, std::unique_ptr<TStringGridStrings>> FColViews;
};
