// Ctrl+wheel zoom and middle-button panning of TQnStringGrid.
#include <algorithm>

#include "controls/grid/qn_grid.h"
#include "platform/ui/messages.h"
#include "platform/ui/screen.h"

namespace {
constexpr UINT kPanTimerId = 999;
constexpr UINT kPanTimerMs = 10;
// The pan cursors by vertical and horizontal step (-1, 0, +1).
TCursor PanCursor(int dy, int dx) {
  if (dy == 0 && dx == 0) return crSizeAll;
  if (dx == 0) return crSizeNS;
  if (dy == 0) return crSizeWE;
  return (dy < 0) == (dx < 0) ? crSizeNWSE : crSizeNESW;
}
}  // namespace

void TQnStringGrid::Zoom(int Step) {
  const int offset = FZoom + Step;
  if (offset < -10 || offset > 10) return;
  FZoom = offset;
  BeginUpdate();
  for (int c = 0; c < ColCount(); ++c)
    if (ColWidths(c) + Step > 0) SetColWidths(c, ColWidths(c) + Step);
  for (int r = 0; r < RowCount(); ++r)
    if (RowHeights(r) + Step > 0) SetRowHeights(r, RowHeights(r) + Step);
  EndUpdate();
  Invalidate();
}

void TQnStringGrid::PanStep() {
  TPoint screen{};
  GetCursorPos(&screen);
  const TPoint p = ScreenToClient(screen);
  int dx = p.X < FPanOrigin.X - 5 ? -1 : p.X > FPanOrigin.X + 5 ? 1 : 0;
  int dy = p.Y < FPanOrigin.Y - 5 ? -1 : p.Y > FPanOrigin.Y + 5 ? 1 : 0;
  if (IntelliPan == ipHorizontal) dy = 0;
  if (IntelliPan == ipVertical) dx = 0;
  const int fixedRows = TStringGrid::FixedRows(), fixedCols = TStringGrid::FixedCols();
  const int lastRow = RowCount() - FFixedFooters - 1, lastCol = ColCount() - FFixedRightCols - 1;
  if (lastRow < fixedRows || lastCol < fixedCols) return;
  if (Row() > lastRow) SetRow(lastRow);
  if (Row() < fixedRows) SetRow(fixedRows);
  if (Col() > lastCol) SetCol(lastCol);
  if (Col() < fixedCols) SetCol(fixedCols);
  if ((dx < 0 && Col() > fixedCols) || (dx > 0 && Col() < lastCol)) SetCol(Col() + dx);
  if ((dy < 0 && Row() > fixedRows) || (dy > 0 && Row() < lastRow)) SetRow(std::clamp(Row() + dy, 0, RowCount() - 1));
  SetCursor(PanCursor(dy, dx));
}

bool TQnStringGrid::PanMessage(TMessage& Message) {
  switch (Message.Msg) {
    case WM_TIMER:
      if (FPanning && IntelliPan != ipNone) {
        PanStep();
        return Message.WParam == kPanTimerId;
      }
      return false;
    case WM_MBUTTONDOWN:
      if (!FPanning) {
        if (IntelliPan == ipNone) return false;
        FPanCursor = Cursor();
        SetCursor(PanCursor(0, 0));
        FPanning = true;
        FPanOrigin = TPoint{static_cast<WORD>(GET_X_LPARAM(Message.LParam)), static_cast<WORD>(GET_Y_LPARAM(Message.LParam))};
        SetTimer(kPanTimerId, kPanTimerMs);
        SetCapture();
        SetShowHint(false);
        return false;
      }
      [[fallthrough]];
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_KEYDOWN:
      // Any press or key ends panning, and is then handled as usual.
      if (FPanning) EndPanning();
      return false;
    default:
      return false;
  }
}

void TQnStringGrid::EndPanning() {
  if (!FPanning) return;
  if (MouseCapture()) ReleaseCapture();
  KillTimer(kPanTimerId);
  SetCursor(FPanCursor);
  SetShowHint(true);
  FPanning = false;
  InvalidateRect(TRect{FPanOrigin.X, FPanOrigin.Y, FPanOrigin.X + 32, FPanOrigin.Y + 32});
}
