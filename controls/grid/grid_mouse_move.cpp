// What TQnStringGrid does while the mouse moves over it: the drag that a press on the selection
// starts, the header cursors, the anchor enter and exit events and the selection rectangle.
#include <cstdlib>

#include "controls/grid/grid_utils.h"
#include "controls/grid/markup.h"
#include "controls/grid/qn_grid.h"
#include "platform/ui/application.h"

void TQnStringGrid::MouseMove(TShiftState Shift, int X, int Y) {
  const TGridCoord cell = MouseCoord(X, Y);
  const int fixedCols = TStringGrid::FixedCols(), fixedRows = TStringGrid::FixedRows();

  // A press on the selection becomes a drag once the mouse is more than 3 pixels away.
  if (FSelectionPending && (std::abs(X - FDownPos.X) > 3 || std::abs(Y - FDownPos.Y) > 3) && FOleDropSource &&
      GridState() != gsColSizing) {
    FSelectionPending = false;
    if (FOleDragStart) FOleDragStart(FDownCell.X, FDownCell.Y);
  }

  if (!HasState(csDesigning)) {
    // Moving a column or a row may be refused at its first step.
    if (GridState() == gsColMoving) {
      bool allow = true;
      if (OnColumnMove) OnColumnMove(this, FMoveSource, allow);
      if (!allow) SetGridState(gsNormal);
    } else if (GridState() == gsRowMoving) {
      bool allow = true;
      if (OnRowMove) OnRowMove(this, FMoveSource, allow);
      if (!allow) SetGridState(gsNormal);
    }
    if ((GridState() == gsColMoving || GridState() == gsRowMoving) && EnhRowColMove &&
        (X != FDownPos.X || Y != FDownPos.Y))
      MoveFeedback(X, Y, cell);
    // The header cursors.
    FCursorMode = 0;
    if (cell.X >= 0 && cell.Y >= 0) {
      if (cell.Y < fixedRows && cell.X < fixedCols && FMouseActions->AllSelect) FCursorMode = 3;
      else if (cell.Y < fixedRows && cell.X >= fixedCols && FMouseActions->ColSelect && !IsSizingEdge(X, Y))
        FCursorMode = 1;
      else if (cell.X < fixedCols && cell.Y >= fixedRows && FMouseActions->RowSelect && !IsSizingEdge(X, Y))
        FCursorMode = 2;
      if (FCursorMode != 0) FCursorGuard = true;
    }
  }

  // Links and markup anchors.
  bool link = false;
  if (cell.X >= 0 && cell.Y >= 0 && cell.X < ColCount() && cell.Y < RowCount()) {
    const std::string& text = Cells(RealColIndex(cell.X), cell.Y);
    const int kind = GetTextKind(text, EnableHTML);
    if (FURLShow && kind != 1 && IsURL(text)) link = true;
    if (kind == 1) {
      std::string anchor, stripped;
      int xs = 0, ys = 0;
      TRect r = CellRect(cell.X, cell.Y);
      OffsetRect(r, 2, 2);
      RenderCellMarkup(Canvas(), text, r, GridImages, X, Y, true, false, false, false, true, 1.0, FURLColor, anchor,
                       stripped, xs, ys);
      if (!anchor.empty()) {
        link = true;
        if (anchor != FLastAnchor) {
          if (OnAnchorEnter) OnAnchorEnter(this, cell.Y, cell.X, anchor);
          FLastAnchor = anchor;
        }
      } else if (!FLastAnchor.empty()) {
        if (OnAnchorExit) OnAnchorExit(this, cell.Y, cell.X, std::string());
        FLastAnchor.clear();
      }
    }
  }
  if (link) {
    if (Cursor() != crHandPoint) SetCursor(crHandPoint);
  } else if (FCursorMode == 0 && Cursor() == crHandPoint) {
    FCursorGuard = true;
    SetCursor(crDefault);
  }

  // A cell's hint goes when the mouse is over another cell.
  if (FHintCell.X >= 0 && !(cell == FHintCell)) {
    GetApplication().CancelHint();
    FHintCell = {-1, -1};
  }

  // The selection rectangle follows a range selection.
  if (GridState() == gsSelecting && FSelectionRectangle && !(Selection() == FLastSelection)) {
    InvalidateCellRange(Selection());
    FLastSelection = Selection();
  }
  if (RowCount() == 1 || ColCount() == 1) SetGridState(gsNormal);
  TStringGrid::MouseMove(Shift, X, Y);
}
