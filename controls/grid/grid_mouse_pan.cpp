// Ctrl+wheel zoom and middle-button panning of TQnStringGrid.
#include <algorithm>

#include "controls/grid/qn_grid.h"
#include "platform/ui/messages.h"
#include "platform/gfx/resources.h"
#include "platform/ui/screen.h"

namespace {
constexpr UINT kPanTimerId = 999;
constexpr UINT kPanTimerMs = 10;
// The program's pan cursors by vertical and horizontal step (-1, 0, +1).
TCursor PanCursor(int dy, int dx) {
  static const TCursor kCursors[3][3] = {
      // left, none, right
      {8006, 8004, 8005},  // up
      {8002, 8000, 8003},  // no vertical step
      {8008, 8001, 8007},  // down
  };
  return kCursors[dy + 1][dx + 1];
}

// The origin mark of the pan kind.
const char* PanMarkName(TIntelliPan Pan) {
  switch (Pan) {
    case ipVertical: return "INTLI3";
    case ipHorizontal: return "INTLI2";
    case ipBoth: return "INTLI1";
    default: return nullptr;
  }
}
}  // namespace

void EnsureGridCursors() {
  static bool loaded = false;
  if (loaded) return;
  loaded = true;
  for (TCursor id : {8000, 8001, 8002, 8003, 8004, 8005, 8006, 8007, 8008, 8010, 8011, 8012})
    if (HCURSOR cursor = LoadCursor(nullptr, id)) Screen().SetCursors(id, cursor);
}

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
  if ((dx < 0 && Col() > fixedCols) || (dx > 0 && Col() < lastCol)) {
    // A step that scrolls moves the mark's pixels: its place is painted afresh first.
    const int to = Col() + dx;
    if (to < LeftCol() || to >= LeftCol() + VisibleColCount()) InvalidatePanMark();
    SetCol(to);
  }
  if ((dy < 0 && Row() > fixedRows) || (dy > 0 && Row() < lastRow)) {
    const int to = std::clamp(Row() + dy, 0, RowCount() - 1);
    if (to < TopRow() || to >= TopRow() + VisibleRowCount()) InvalidatePanMark();
    SetRow(to);
  }
  SetCursor(PanCursor(dy, dx));
  DrawPanMark();
}

void TQnStringGrid::DrawPanMark() {
  const char* name = PanMarkName(IntelliPan);
  const TBitmap* art = name ? FindBitmapResource(name) : nullptr;
  if (!art || art->Empty()) return;
  // The top-left pixel's colour is the transparent one: it shows white.
  TBitmap mark;
  mark.Assign(*art);
  const COLORREF clear = mark.PixelAt(0, 0);
  for (int y = 0; y < mark.Height(); ++y)
    for (int x = 0; x < mark.Width(); ++x)
      if (mark.PixelAt(x, y) == clear) mark.SetPixelAt(x, y, RGB(255, 255, 255));
  Canvas().Draw(FPanOrigin.X, FPanOrigin.Y, mark);
}

void TQnStringGrid::InvalidatePanMark() {
  InvalidateRect(TRect{FPanOrigin.X, FPanOrigin.Y, FPanOrigin.X + 32, FPanOrigin.Y + 32});
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
        EnsureGridCursors();
        FPanCursor = Cursor();
        SetCursor(PanCursor(0, 0));
        FPanning = true;
        FPanOrigin = TPoint{static_cast<WORD>(GET_X_LPARAM(Message.LParam)), static_cast<WORD>(GET_Y_LPARAM(Message.LParam))};
        SetTimer(kPanTimerId, kPanTimerMs);
        SetCapture();
        SetShowHint(false);
        DrawPanMark();
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
  InvalidatePanMark();
}
