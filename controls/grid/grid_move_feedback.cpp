// The feedback of TQnStringGrid while a row or column is moved with EnhRowColMove: the caption
// window that follows the mouse, the arrows at the drop place, scrolling at the grid's edges,
// and the drop at the release. The column drags of drag and drop use the same windows.
#include "controls/grid/grid_arrows.h"
#include "controls/grid/qn_grid.h"
#include "platform/ui/screen.h"

namespace {

void PlaceAt(TPopupWindow& Window, int Left, int Top) {
  if (Window.Left() != Left || Window.Top() != Top) Window.SetBounds(Left, Top, Window.Width(), Window.Height());
}

// The scroll step of a move at Pos: -1 over the fixed part while scrolled, +1 past the far
// edge while columns (rows) lie beyond the view, else 0; only while not all are visible.
int EdgeStep(int Pos, int FixedExtent, int Extent, int First, int Fixed, int Visible, int Count) {
  if (Visible + Fixed >= Count) return 0;
  if (Pos < FixedExtent && First > Fixed) return -1;
  if (Pos > Extent && First + Visible < Count) return 1;
  return 0;
}

}  // namespace

void TQnStringGrid::ShowColumnArrows(int ACol) {
  if (!FArrows[0] || !FArrows[1]) return;
  const TRect cell = CellRect(ACol, 0);
  const TPoint topLeft = ClientToScreen({cell.Left, cell.Top});
  const TPoint bottomLeft = ClientToScreen({cell.Left, cell.Bottom});
  PlaceAt(*FArrows[0], bottomLeft.X - 5, bottomLeft.Y);
  PlaceAt(*FArrows[1], topLeft.X - 5, topLeft.Y - 8);
  FArrows[0]->SetVisible(true);
  FArrows[1]->SetVisible(true);
}

void TQnStringGrid::ShowRowArrows(int ARow) {
  if (!FArrows[2] || !FArrows[3]) return;
  const TRect cell = CellRect(0, ARow);
  const TPoint bottomLeft = ClientToScreen({cell.Left, cell.Bottom});
  const TPoint bottomRight = ClientToScreen({cell.Right, cell.Bottom});
  PlaceAt(*FArrows[2], bottomLeft.X - 10, bottomLeft.Y - 5);
  PlaceAt(*FArrows[3], bottomRight.X, bottomRight.Y - 5);
  FArrows[2]->SetVisible(true);
  FArrows[3]->SetVisible(true);
}

void TQnStringGrid::HideArrows(int First, int Last) {
  for (int d = std::max(First, 0); d <= std::min(Last, 3); ++d)
    if (FArrows[d]) FArrows[d]->SetVisible(false);
}

void TQnStringGrid::ShowDragImage(TPoint ScreenPos, int Width, int Height, const std::string& Caption) {
  if (!FDragImage) return;
  TPopupButton& image = *FDragImage;
  const bool changed = image.Caption() != Caption || image.Width() != Width || image.Height() != Height;
  if (changed) image.SetCaption(Caption);
  if (changed || image.Left() != ScreenPos.X || image.Top() != ScreenPos.Y)
    image.SetBounds(ScreenPos.X, ScreenPos.Y, Width, Height);
  if (!image.Visible()) {
    image.SetVisible(true);
    image.BringToFront();
  }
  if (changed) image.Invalidate();
}

void TQnStringGrid::HideDragImage() {
  if (FDragImage) FDragImage->SetVisible(false);
}

void TQnStringGrid::MoveFeedback(int X, int Y, TGridCoord Cell) {
  const bool columns = GridState() == gsColMoving;
  const int fixedCols = TStringGrid::FixedCols(), fixedRows = TStringGrid::FixedRows();
  // The caption window shows the moved header and keeps the offset the press had in it.
  std::string caption;
  int width = FDragImage ? FDragImage->Width() : 0, height = FDragImage ? FDragImage->Height() : 0;
  if (columns && FMoveSource >= fixedCols && FMoveSource < ColCount()) {
    caption = Cells(RealColIndex(FMoveSource), 0);
    width = ColWidths(FMoveSource);
    height = RowHeights(0);
  } else if (!columns && FMoveSource >= fixedRows && FMoveSource < RowCount()) {
    caption = Cells(0, FMoveSource);
    width = ColWidths(0);
    height = RowHeights(FMoveSource);
  } else if (FDragImage) {
    caption = FDragImage->Caption();
  }
  const TPoint at = ClientToScreen({X - FDownOffset.X, Y - FDownOffset.Y});
  // The arrows mark the column (row) that was under the mouse at the previous move.
  if (columns) {
    const int c = FLastMoveCell.X;
    if (c >= fixedCols && c - LeftCol() < VisibleColCount()) ShowColumnArrows(c);
    else HideArrows(0, 1);
  } else {
    const int r = FLastMoveCell.Y;
    if (r >= fixedRows && r - TopRow() < VisibleRowCount()) ShowRowArrows(r);
    else HideArrows(2, 3);
  }
  FLastMoveCell = Cell;
  // Past the fixed part or the far edge the view scrolls one column (row) per move.
  if (columns) {
    int fixedWidth = 0;
    for (int c = 0; c < fixedCols; ++c) fixedWidth += ColWidths(c) + GridLineWidth();
    const int step = EdgeStep(X, fixedWidth, Width(), LeftCol(), fixedCols, VisibleColCount(), ColCount());
    if (step != 0) {
      SetLeftCol(LeftCol() + step);
      Repaint();
    }
  } else {
    int fixedHeight = 0;
    for (int r = 0; r < fixedRows; ++r) fixedHeight += RowHeights(r) + GridLineWidth();
    const int step = EdgeStep(Y, fixedHeight, Height(), TopRow(), fixedRows, VisibleRowCount(), RowCount());
    if (step != 0) {
      SetTopRow(TopRow() + step);
      Repaint();
    }
  }
  ShowDragImage(at, width, height, caption);
  if (Screen().Cursor() != crDrag) Screen().SetCursor(crDrag);
}

bool TQnStringGrid::DropMoved(TGridCoord Cell) {
  const bool columns = GridState() == gsColMoving;
  if (!(columns || GridState() == gsRowMoving) || !EnhRowColMove || Screen().Cursor() != crDrag) return false;
  Screen().SetCursor(crDefault);
  HideDragImage();
  const int source = FMoveSource;
  SetGridState(gsNormal);
  KillTimer(1);
  if (columns && source >= TStringGrid::FixedCols() && Cell.X >= TStringGrid::FixedCols() && Cell.X != source)
    MoveColumn(source, Cell.X);
  else if (!columns && source >= TStringGrid::FixedRows() && Cell.Y >= TStringGrid::FixedRows() && Cell.Y != source)
    MoveRow(source, Cell.Y);
  return true;
}
