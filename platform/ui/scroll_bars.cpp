#include "platform/ui/scroll_bars.h"

#include <algorithm>

#include "platform/sys/libraries.h"

namespace {

bool ValidBar(int bar) { return bar == SB_HORZ || bar == SB_VERT; }

// The highest position the thumb can reach: Max - Page + 1 with a page, else Max.
int MaxPos(const TScrollBarState& s) {
  if (s.Page == 0) return s.Max;
  return std::max(s.Min, s.Max - static_cast<int>(s.Page) + 1);
}

int ApplyInfo(TScrollBarState& s, const SCROLLINFO& info) {
  if (info.fMask & SIF_RANGE) {
    s.Min = info.nMin;
    s.Max = std::max(info.nMin, info.nMax);
  }
  if (info.fMask & SIF_PAGE) s.Page = info.nPage;
  // The page never exceeds the range.
  unsigned range = static_cast<unsigned>(s.Max - s.Min + 1);
  if (s.Page > range) s.Page = range;
  if (info.fMask & SIF_POS) s.Pos = info.nPos;
  s.Pos = std::clamp(s.Pos, s.Min, MaxPos(s));
  return s.Pos;
}

void Changed(HWND wnd, int bar, bool redraw) {
  wnd->ScrollBarChanged(bar);
  if (redraw) wnd->Invalidate();
}

}  // namespace

int SetScrollBarContent(HWND wnd, int bar, int count, int page, int pos) {
  if (!wnd || !ValidBar(bar)) return 0;
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  si.nMin = 0;
  si.nMax = std::max(0, count - 1);
  si.nPage = static_cast<UINT>(std::max(0, page));
  si.nPos = pos;
  int kept = SetScrollInfo(wnd, bar, si, false);
  ShowScrollBar(wnd, bar, count > page);
  return kept;
}

int ScrollActionPos(HWND wnd, int bar, WPARAM wParam, int line) {
  if (!wnd || !ValidBar(bar)) return 0;
  const TScrollBarState& s = wnd->ScrollBarState(bar);
  const int page = std::max(1, static_cast<int>(s.Page));
  int pos = s.Pos;
  switch (LOWORD(wParam)) {
    case SB_LINEUP: pos -= line; break;
    case SB_LINEDOWN: pos += line; break;
    case SB_PAGEUP: pos -= page; break;
    case SB_PAGEDOWN: pos += page; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: pos = s.TrackPos; break;
    case SB_TOP: pos = s.Min; break;
    case SB_BOTTOM: pos = s.Max; break;
    default: break;
  }
  return std::clamp(pos, s.Min, MaxPos(s));
}

bool ShowScrollBar(HWND wnd, int bar, bool show) {
  if (!wnd) return false;
  for (int b : {SB_HORZ, SB_VERT}) {
    if (bar != SB_BOTH && bar != b) continue;
    TScrollBarState& s = wnd->ScrollBarState(b);
    if (s.Visible == show) continue;
    s.Visible = show;
    Changed(wnd, b, false);
  }
  return bar == SB_HORZ || bar == SB_VERT || bar == SB_BOTH;
}

int SetScrollInfo(HWND wnd, int bar, const SCROLLINFO& info, bool redraw) {
  if (!wnd || !ValidBar(bar)) return 0;
  int pos = ApplyInfo(wnd->ScrollBarState(bar), info);
  Changed(wnd, bar, redraw);
  return pos;
}

bool GetScrollInfo(HWND wnd, int bar, SCROLLINFO* info) {
  if (!wnd || !info || !ValidBar(bar)) return false;
  const TScrollBarState& s = wnd->ScrollBarState(bar);
  if (info->fMask & SIF_RANGE) {
    info->nMin = s.Min;
    info->nMax = s.Max;
  }
  if (info->fMask & SIF_PAGE) info->nPage = s.Page;
  if (info->fMask & SIF_POS) info->nPos = s.Pos;
  if (info->fMask & SIF_TRACKPOS) info->nTrackPos = s.TrackPos;
  return (info->fMask & SIF_ALL) != 0;
}

int SetScrollPos(HWND wnd, int bar, int pos, bool redraw) {
  if (!wnd || !ValidBar(bar)) return 0;
  int old = wnd->ScrollBarState(bar).Pos;
  SCROLLINFO info;
  info.fMask = SIF_POS;
  info.nPos = pos;
  SetScrollInfo(wnd, bar, info, redraw);
  return old;
}

int GetScrollPos(HWND wnd, int bar) {
  if (!wnd || !ValidBar(bar)) return 0;
  return wnd->ScrollBarState(bar).Pos;
}

bool SetScrollRange(HWND wnd, int bar, int minPos, int maxPos, bool redraw) {
  if (!wnd || !ValidBar(bar)) return false;
  SCROLLINFO info;
  info.fMask = SIF_RANGE;
  info.nMin = minPos;
  info.nMax = maxPos;
  SetScrollInfo(wnd, bar, info, redraw);
  return true;
}

bool GetScrollRange(HWND wnd, int bar, int* minPos, int* maxPos) {
  if (!wnd || !ValidBar(bar)) return false;
  const TScrollBarState& s = wnd->ScrollBarState(bar);
  if (minPos) *minPos = s.Min;
  if (maxPos) *maxPos = s.Max;
  return true;
}

void SendScrollAction(HWND wnd, int bar, WORD code, int pos) {
  if (!wnd || !ValidBar(bar)) return;
  if (code == SB_THUMBTRACK || code == SB_THUMBPOSITION) wnd->ScrollBarState(bar).TrackPos = pos;
  wnd->Perform(bar == SB_VERT ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(code, pos), 0);
}

bool ScrollWindow(HWND wnd, int dx, int dy, const TRect*, const TRect*) {
  if (!wnd) return false;
  wnd->ScrollBy(dx, dy);
  return true;
}

int ScrollWindowEx(HWND wnd, int dx, int dy, const TRect* scroll, const TRect* clip, void*, TRect* update, UINT flags) {
  if (!wnd) return 0;
  if (flags & SW_SCROLLCHILDREN) wnd->ScrollBy(dx, dy);
  else if (wnd->HandleAllocated()) wnd->Handle()->Scroll(dx, dy, scroll);
  (void)clip;
  if (update) {
    // The strip the move uncovered.
    TRect r = wnd->ClientRect();
    if (dx > 0) r.Right = r.Left + dx;
    else if (dx < 0) r.Left = r.Right + dx;
    if (dy > 0) r.Bottom = r.Top + dy;
    else if (dy < 0) r.Top = r.Bottom + dy;
    *update = r;
  }
  if (flags & SW_INVALIDATE) wnd->Invalidate();
  return SIMPLEREGION;
}

// ---- Flat scroll bars -----------------------------------------------------------------------

bool InitializeFlatSB(HWND wnd) {
  if (!wnd) return false;
  for (int b : {SB_HORZ, SB_VERT}) {
    TScrollBarState& s = wnd->ScrollBarState(b);
    s.Flat = true;
    s.FlatStyle = FSB_REGULAR_MODE;
    Changed(wnd, b, false);
  }
  return true;
}

bool UninitializeFlatSB(HWND wnd) {
  if (!wnd) return false;
  for (int b : {SB_HORZ, SB_VERT}) {
    TScrollBarState& s = wnd->ScrollBarState(b);
    s.Flat = false;
    s.FlatStyle = FSB_REGULAR_MODE;
    s.BkColor = clNone;
    s.Size = 0;
    Changed(wnd, b, false);
  }
  return true;
}

bool FlatSB_ShowScrollBar(HWND wnd, int bar, bool show) { return ShowScrollBar(wnd, bar, show); }

int FlatSB_SetScrollInfo(HWND wnd, int bar, const SCROLLINFO* info, bool redraw) {
  return info ? SetScrollInfo(wnd, bar, *info, redraw) : 0;
}

bool FlatSB_GetScrollInfo(HWND wnd, int bar, SCROLLINFO* info) { return GetScrollInfo(wnd, bar, info); }
int FlatSB_SetScrollPos(HWND wnd, int bar, int pos, bool redraw) { return SetScrollPos(wnd, bar, pos, redraw); }
int FlatSB_GetScrollPos(HWND wnd, int bar) { return GetScrollPos(wnd, bar); }
bool FlatSB_SetScrollRange(HWND wnd, int bar, int minPos, int maxPos, bool redraw) {
  return SetScrollRange(wnd, bar, minPos, maxPos, redraw);
}

bool FlatSB_SetScrollProp(HWND wnd, UINT index, std::intptr_t newValue, bool redraw) {
  if (!wnd) return false;
  TScrollBarState& v = wnd->ScrollBarState(SB_VERT);
  TScrollBarState& h = wnd->ScrollBarState(SB_HORZ);
  switch (index) {
    case WSB_PROP_VSTYLE: v.FlatStyle = static_cast<int>(newValue); break;
    case WSB_PROP_HSTYLE: h.FlatStyle = static_cast<int>(newValue); break;
    case WSB_PROP_VBKGCOLOR: v.BkColor = static_cast<TColor>(newValue); break;
    case WSB_PROP_HBKGCOLOR: h.BkColor = static_cast<TColor>(newValue); break;
    case WSB_PROP_CXVSCROLL: v.Size = static_cast<int>(newValue); break;
    case WSB_PROP_CYHSCROLL: h.Size = static_cast<int>(newValue); break;
    case WSB_PROP_CYVSCROLL: case WSB_PROP_CXHSCROLL: case WSB_PROP_CXHTHUMB: case WSB_PROP_CYVTHUMB:
    case WSB_PROP_WINSTYLE: case WSB_PROP_PALETTE:
      return true;  // kept by nobody: the look comes from the style, colour and width
    default:
      return false;
  }
  Changed(wnd, SB_VERT, redraw);
  Changed(wnd, SB_HORZ, redraw);
  return true;
}

bool FlatSB_GetScrollProp(HWND wnd, int index, std::intptr_t* value) {
  if (!wnd || !value) return false;
  const TScrollBarState& v = wnd->ScrollBarState(SB_VERT);
  const TScrollBarState& h = wnd->ScrollBarState(SB_HORZ);
  switch (index) {
    case WSB_PROP_VSTYLE: *value = v.FlatStyle; return true;
    case WSB_PROP_HSTYLE: *value = h.FlatStyle; return true;
    case WSB_PROP_VBKGCOLOR: *value = static_cast<std::intptr_t>(v.BkColor); return true;
    case WSB_PROP_HBKGCOLOR: *value = static_cast<std::intptr_t>(h.BkColor); return true;
    case WSB_PROP_CXVSCROLL: *value = v.Size ? v.Size : 16; return true;
    case WSB_PROP_CYHSCROLL: *value = h.Size ? h.Size : 16; return true;
    default: return false;
  }
}

void RegisterCommonControlsModule() {
  static bool done = false;
  if (done) return;
  done = true;
  auto proc = [](auto f) { return reinterpret_cast<FARPROC>(f); };
  RegisterBuiltinModule("comctl32.dll",
                        {{"InitializeFlatSB", proc(&InitializeFlatSB)},
                         {"UninitializeFlatSB", proc(&UninitializeFlatSB)},
                         {"FlatSB_ShowScrollBar", proc(&FlatSB_ShowScrollBar)},
                         {"FlatSB_SetScrollInfo", proc(&FlatSB_SetScrollInfo)},
                         {"FlatSB_GetScrollInfo", proc(&FlatSB_GetScrollInfo)},
                         {"FlatSB_SetScrollPos", proc(&FlatSB_SetScrollPos)},
                         {"FlatSB_GetScrollPos", proc(&FlatSB_GetScrollPos)},
                         {"FlatSB_SetScrollRange", proc(&FlatSB_SetScrollRange)},
                         {"FlatSB_SetScrollProp", proc(&FlatSB_SetScrollProp)},
                         {"FlatSB_GetScrollProp", proc(&FlatSB_GetScrollProp)}},
                        (5u << 16) | 81u, 0);
}
