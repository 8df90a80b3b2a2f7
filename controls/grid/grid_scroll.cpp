// Scrolling of the grid: the window scroll bars (plain, or the flat ones of "comctl32.dll"
// looked up by name), their 0..127 thumb, the scroll messages, the scroll hints and the wheel.
#include <algorithm>
#include <cmath>

#include "controls/grid/grid_inplace.h"
#include "controls/grid/qn_grid.h"
#include "platform/rtl/sysutils.h"
#include "platform/sys/libraries.h"
#include "platform/ui/hints.h"
#include "platform/ui/screen.h"
#include "platform/ui/scroll_bars.h"

namespace {

constexpr int kThumbMax = 127;

// The flat scroll bar entry points, looked up at every call in the loaded module.
template <class F>
F* FlatEntry(const char* name) {
  HMODULE module = LoadLibrary("comctl32.dll");
  if (!module) return nullptr;
  auto* entry = reinterpret_cast<F*>(GetProcAddress(module, name));
  FreeLibrary(module);  // the built-in module's entries stay valid
  return entry;
}

using TInitFlat = bool(HWND);
using TSetProp = bool(HWND, UINT, std::intptr_t, bool);
using TShowBar = bool(HWND, int, bool);
using TSetInfo = int(HWND, int, const SCROLLINFO*, bool);

int RoundedMulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  return static_cast<int>(std::llround(static_cast<double>(a) * b / c));
}

}  // namespace

// ---- the flat scroll bar state and look ----

void TQnStringGrid::SetScrollType(TScrollType Value) {
  ScrollType = Value;
  if (!FFlatOn || !HandleAllocated()) return;
  if (auto* setProp = FlatEntry<TSetProp>("FlatSB_SetScrollProp")) {
    const int mode = Value == ssFlat ? FSB_FLAT_MODE : Value == ssEncarta ? FSB_ENCARTA_MODE : FSB_REGULAR_MODE;
    setProp(this, WSB_PROP_VSTYLE, mode, true);
    setProp(this, WSB_PROP_HSTYLE, mode, true);
  }
}

void TQnStringGrid::SetScrollColor(TColor Value) {
  ScrollColor = Value;
  if (!FFlatOn || !HandleAllocated() || Value == clNone) return;
  if (auto* setProp = FlatEntry<TSetProp>("FlatSB_SetScrollProp")) {
    setProp(this, WSB_PROP_VBKGCOLOR, static_cast<std::intptr_t>(Value), true);
    setProp(this, WSB_PROP_HBKGCOLOR, static_cast<std::intptr_t>(Value), true);
  }
}

void TQnStringGrid::SetScrollWidth(int Value) {
  ScrollWidth = Value;
  if (!FFlatOn || !HandleAllocated()) return;
  if (auto* setProp = FlatEntry<TSetProp>("FlatSB_SetScrollProp")) {
    setProp(this, WSB_PROP_CXVSCROLL, Value, true);
    setProp(this, WSB_PROP_CYHSCROLL, Value, true);
  }
}

void TQnStringGrid::SetScrollProportional(bool Value) {
  ScrollProportional = Value;
  if (!HandleAllocated()) return;
  if (Value) {
    auto* init = FlatEntry<TInitFlat>("InitializeFlatSB");
    FFlatOn = init != nullptr;
    if (init) init(this);
    UpdateScrollBars();
  } else if (FFlatOn) {
    FFlatOn = false;
    if (auto* uninit = FlatEntry<TInitFlat>("UninitializeFlatSB")) uninit(this);
    SCROLLINFO info;
    info.fMask = SIF_RANGE;
    info.nMin = info.nMax = 0;
    SetScrollInfo(this, SB_VERT, info, true);
    SetScrollInfo(this, SB_HORZ, info, true);
    UpdateScrollBars();
  }
}

// ---- thumbs ----

int TQnStringGrid::ThumbPosition(bool Vertical) const {
  const int fixed = Vertical ? TStringGrid::FixedRows() : TStringGrid::FixedCols();
  const int count = Vertical ? RowCount() : ColCount();
  const int visible = Vertical ? VisibleRowCount() : VisibleColCount();
  const int first = Vertical ? TopRow() : LeftCol();
  const int span = count - visible - fixed;
  if (span <= 0) return 0;
  return std::clamp(RoundedMulDiv(first - fixed, kThumbMax, span), 0, kThumbMax);
}

void TQnStringGrid::UpdateThumb(bool Vertical) {
  if (!HandleAllocated()) return;
  const int bar = Vertical ? SB_VERT : SB_HORZ;
  const TScrollStyle style = ScrollBars();
  const bool wanted = style == ssBoth || style == (Vertical ? ssVertical : ssHorizontal);
  if (!wanted) return;
  SCROLLINFO info;
  info.fMask = SIF_ALL;
  GetScrollInfo(this, bar, &info);
  info.fMask = SIF_RANGE | SIF_POS | SIF_PAGE;
  info.nMin = 0;
  info.nMax = kThumbMax;
  info.nPos = ThumbPosition(Vertical);
  info.nPage = 0;
  if (FFlatOn && ScrollProportional) {
    const int count = Vertical ? RowCount() : ColCount();
    const int visible = Vertical ? VisibleRowCount() : VisibleColCount();
    if (info.nPos > kThumbMax || info.nPos < 0) info.nPos = 0;
    info.nPage = static_cast<UINT>(count > 0 ? std::lround(visible * 128.0 / count) : 0);
    if (auto* setInfo = FlatEntry<TSetInfo>("FlatSB_SetScrollInfo")) {
      setInfo(this, bar, &info, true);
      return;
    }
  }
  // Unchanged bars are left alone: every change repaints them.
  const TScrollBarState& now = ScrollBarState(bar);
  if (now.Min == info.nMin && now.Max == info.nMax && now.Page == info.nPage && now.Pos == info.nPos) return;
  SetScrollInfo(this, bar, info, true);
}

void TQnStringGrid::UpdateScrollBars() {
  if (!HandleAllocated()) return;
  if (FFlatOn) {
    SetScrollType(ScrollType);
    SetScrollColor(ScrollColor);
    SetScrollWidth(ScrollWidth);
  }
  const TScrollStyle style = ScrollBars();
  const bool vWanted = style == ssBoth || style == ssVertical;
  const bool hWanted = style == ssBoth || style == ssHorizontal;
  auto show = [this](int bar, bool on) {
    auto* flatShow = FFlatOn ? FlatEntry<TShowBar>("FlatSB_ShowScrollBar") : nullptr;
    if (flatShow) flatShow(this, bar, on);
    else ShowScrollBar(this, bar, on);
  };
  // Showing one bar narrows the other direction's view, so settle both twice.
  for (int pass = 0; pass < 2; ++pass) {
    const bool v = vWanted && TStringGrid::FixedRows() + VisibleRowCount() < RowCount();
    const bool h = hWanted && TStringGrid::FixedCols() + VisibleColCount() < ColCount();
    if (ScrollBarState(SB_VERT).Visible != v) show(SB_VERT, v);
    if (ScrollBarState(SB_HORZ).Visible != h) show(SB_HORZ, h);
  }
  if (ScrollBarState(SB_VERT).Visible) UpdateThumb(true);
  if (ScrollBarState(SB_HORZ).Visible) UpdateThumb(false);
}

void TQnStringGrid::TopLeftChanged() {
  TStringGrid::TopLeftChanged();
  if (ScrollBarState(SB_VERT).Visible) UpdateThumb(true);
  if (ScrollBarState(SB_HORZ).Visible) UpdateThumb(false);
  PlaceInplaceEdit();
}

// ---- scroll messages ----

void TQnStringGrid::ShowScrollHint(bool Vertical, int Pos) {
  const int fixed = Vertical ? TStringGrid::FixedRows() : TStringGrid::FixedCols();
  const int count = Vertical ? RowCount() : ColCount();
  const int visible = Vertical ? VisibleRowCount() : VisibleColCount();
  const int index = RoundedMulDiv(Pos, count - visible - fixed, kThumbMax) + fixed;
  std::string text = (Vertical ? "Row : " : "Col : ") + IntToStr(index);
  if (OnScrollHint) OnScrollHint(this, index, text);
  FScrollHintText = text;
  if (!FScrollHint) FScrollHint = std::make_unique<THintWindow>(nullptr);
  FScrollHint->SetColor(HintColor);
  TRect r = FScrollHint->CalcHintRect(100, text);
  TPoint cursor;
  GetCursorPos(&cursor);
  OffsetRect(r, cursor.X + 10, cursor.Y + 10);
  FScrollHint->ActivateHint(r, text);
  FScrollHintShowing = true;
}

void TQnStringGrid::ScrollBy(bool Vertical, WORD Code, int Pos) {
  const int fixed = Vertical ? TStringGrid::FixedRows() : TStringGrid::FixedCols();
  const int count = Vertical ? RowCount() : ColCount();
  const int visible = std::max(1, Vertical ? VisibleRowCount() : VisibleColCount());
  const int first = Vertical ? TopRow() : LeftCol();
  // The last first row (column) that still fills the view.
  int last = count - 1;
  {
    const int room = (Vertical ? ClientHeight() : ClientWidth()) -
                     [&] {
                       int s = 0;
                       for (int i = 0; i < fixed; ++i)
                         s += (Vertical ? RowHeights(i) : ColWidths(i)) + GridLineWidth();
                       return s;
                     }();
    int used = 0;
    for (int i = count - 1; i >= fixed; --i) {
      used += (Vertical ? RowHeights(i) : ColWidths(i)) + GridLineWidth();
      if (used > room) break;
      last = i;
    }
    last = std::max(last, fixed);
  }
  int target = first;
  switch (Code) {
    case SB_LINEUP: target = first - 1; break;
    case SB_LINEDOWN: target = first + 1; break;
    case SB_PAGEUP: target = first - visible; break;
    case SB_PAGEDOWN: target = first + visible; break;
    case SB_TOP: target = fixed; break;
    case SB_BOTTOM: target = last; break;
    case SB_THUMBTRACK:
      if (!Options().Contains(goThumbTracking)) return;
      [[fallthrough]];
    case SB_THUMBPOSITION:
      target = fixed + RoundedMulDiv(std::clamp(Pos, 0, kThumbMax), last - fixed, kThumbMax);
      break;
    default: return;
  }
  target = std::clamp(target, fixed, last);
  if (Vertical) SetTopRow(target);
  else SetLeftCol(target);
}

void TQnStringGrid::WMScroll(TMessage& Message, bool Vertical) {
  const WORD code = LOWORD(Message.WParam);
  const int pos = static_cast<SHORT>(HIWORD(Message.WParam));
  const bool hints = ScrollHints == shBoth || ScrollHints == (Vertical ? shVertical : shHorizontal);
  if (hints) {
    if (code == SB_ENDSCROLL) {
      if (FScrollHint) FScrollHint->ReleaseHandle();
      FScrollHintShowing = false;
    } else if (code == SB_THUMBTRACK) {
      ShowScrollHint(Vertical, pos);
    }
  }
  if (code == SB_THUMBTRACK && ScrollSynch) {
    const int fixed = Vertical ? TStringGrid::FixedRows() : TStringGrid::FixedCols();
    const int count = Vertical ? RowCount() : ColCount();
    const int visible = Vertical ? VisibleRowCount() : VisibleColCount();
    const int index = RoundedMulDiv(pos, count - visible - fixed, kThumbMax) + fixed;
    if (Vertical) SetTopRow(index);
    else SetLeftCol(index);
  }
  ScrollBy(Vertical, code, pos);
  UpdateThumb(Vertical);
}

// ---- the wheel moves the current row by the lines per notch ----

void TQnStringGrid::WheelStep(int Delta) {
  if (!EnableWheel) return;
  UINT lines = 3;
  SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
  const int fixedRows = TStringGrid::FixedRows();
  const int lastRow = RowCount() - FFixedFooters - 1;
  if (lastRow < fixedRows) return;
  const int col = std::clamp(Col(), TStringGrid::FixedCols(), ColCount() - 1);
  const int row = std::clamp(Row() + Delta * static_cast<int>(lines), fixedRows, lastRow);
  if (InplaceEditor() || ActiveCellControl()) HideInplaceEdit();
  if (col != Col()) SetCol(col);
  if (row != Row()) SetRow(row);
}

bool TQnStringGrid::DoMouseWheelDown(TShiftState Shift, TPoint) {
  if (FPanning) return true;
  if (Shift.Contains(ssCtrl) && IntelliZoom) {
    // Towards the user (down) enlarges by the lines per notch.
    UINT lines = 3;
    SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    Zoom(1 * static_cast<int>(lines));
    return true;
  }
  WheelStep(1);
  return true;
}

bool TQnStringGrid::DoMouseWheelUp(TShiftState Shift, TPoint) {
  if (FPanning) return true;
  if (Shift.Contains(ssCtrl) && IntelliZoom) {
    // Towards the user (down) enlarges by the lines per notch.
    UINT lines = 3;
    SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    Zoom(-1 * static_cast<int>(lines));
    return true;
  }
  WheelStep(-1);
  return true;
}
