// Window scroll bars: the Win32 calls over the state each windowed control keeps for its two
// bars (TWinControl::ScrollBarState), and the flat scroll bars of the built-in "comctl32.dll".
// User actions come back to the control as WM_HSCROLL / WM_VSCROLL with an SB_ code in the low
// word of wParam (and the thumb position in the high word for SB_THUMBTRACK/SB_THUMBPOSITION).
#pragma once

#include "platform/ui/controls.h"

enum : int { SB_HORZ = 0, SB_VERT = 1, SB_CTL = 2, SB_BOTH = 3 };
enum : WORD {
  SB_LINEUP = 0, SB_LINELEFT = 0, SB_LINEDOWN = 1, SB_LINERIGHT = 1, SB_PAGEUP = 2,
  SB_PAGELEFT = 2, SB_PAGEDOWN = 3, SB_PAGERIGHT = 3, SB_THUMBPOSITION = 4, SB_THUMBTRACK = 5,
  SB_TOP = 6, SB_LEFT = 6, SB_BOTTOM = 7, SB_RIGHT = 7, SB_ENDSCROLL = 8
};
enum : UINT {
  SIF_RANGE = 0x1, SIF_PAGE = 0x2, SIF_POS = 0x4, SIF_DISABLENOSCROLL = 0x8,
  SIF_TRACKPOS = 0x10, SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS
};

struct SCROLLINFO {
  UINT cbSize = sizeof(SCROLLINFO);
  UINT fMask = 0;
  int nMin = 0;
  int nMax = 0;
  UINT nPage = 0;
  int nPos = 0;
  int nTrackPos = 0;
};
using LPSCROLLINFO = SCROLLINFO*;

// Shows or hides SB_HORZ, SB_VERT or SB_BOTH.
bool ShowScrollBar(HWND wnd, int bar, bool show);
// Sets what fMask names (a page larger than the range is cut to it, the position is kept
// within Min .. Max - Page + 1) and returns the new position.
int SetScrollInfo(HWND wnd, int bar, const SCROLLINFO& info, bool redraw);
bool GetScrollInfo(HWND wnd, int bar, SCROLLINFO* info);
// The old position.
int SetScrollPos(HWND wnd, int bar, int pos, bool redraw);
int GetScrollPos(HWND wnd, int bar);
bool SetScrollRange(HWND wnd, int bar, int minPos, int maxPos, bool redraw);
bool GetScrollRange(HWND wnd, int bar, int* minPos, int* maxPos);
// Reports a user action on a bar the way a backend does: sets TrackPos for SB_THUMBTRACK and
// sends WM_HSCROLL/WM_VSCROLL to the control.
void SendScrollAction(HWND wnd, int bar, WORD code, int pos = 0);

// For views that scroll by rows or pixels of their own: the bar covers Count units of which
// Page show from Pos; it is shown only while not everything fits. Returns the position kept.
int SetScrollBarContent(HWND wnd, int bar, int count, int page, int pos);
// The position a WM_HSCROLL / WM_VSCROLL action (its wParam) asks of the bar: Line units per
// line, the bar's page per page, the tracked position for the thumb, clamped to the range.
int ScrollActionPos(HWND wnd, int bar, WPARAM wParam, int line = 1);

// Moves the client contents and the children by dx, dy; the uncovered area is repainted.
bool ScrollWindow(HWND wnd, int dx, int dy, const TRect* scroll, const TRect* clip);
enum : UINT { SW_SCROLLCHILDREN = 0x1, SW_INVALIDATE = 0x2, SW_ERASE = 0x4 };
int ScrollWindowEx(HWND wnd, int dx, int dy, const TRect* scroll, const TRect* clip,
                   void* updateRegion, TRect* update, UINT flags);

// ---- Flat scroll bars ------------------------------------------------------------------
enum : int {
  WSB_PROP_CYVSCROLL = 0x1, WSB_PROP_CXHSCROLL = 0x2, WSB_PROP_CYHSCROLL = 0x4,
  WSB_PROP_CXVSCROLL = 0x8, WSB_PROP_CXHTHUMB = 0x10, WSB_PROP_CYVTHUMB = 0x20,
  WSB_PROP_VBKGCOLOR = 0x40, WSB_PROP_HBKGCOLOR = 0x80, WSB_PROP_VSTYLE = 0x100,
  WSB_PROP_HSTYLE = 0x200, WSB_PROP_WINSTYLE = 0x400, WSB_PROP_PALETTE = 0x800,
  WSB_PROP_MASK = 0xFFF
};
enum : int { FSB_FLAT_MODE = 2, FSB_ENCARTA_MODE = 1, FSB_REGULAR_MODE = 0 };

bool InitializeFlatSB(HWND wnd);
bool UninitializeFlatSB(HWND wnd);
bool FlatSB_ShowScrollBar(HWND wnd, int bar, bool show);
int FlatSB_SetScrollInfo(HWND wnd, int bar, const SCROLLINFO* info, bool redraw);
bool FlatSB_GetScrollInfo(HWND wnd, int bar, SCROLLINFO* info);
int FlatSB_SetScrollPos(HWND wnd, int bar, int pos, bool redraw);
int FlatSB_GetScrollPos(HWND wnd, int bar);
bool FlatSB_SetScrollRange(HWND wnd, int bar, int minPos, int maxPos, bool redraw);
// WSB_PROP_VSTYLE/HSTYLE take an FSB_ mode, the colours a TColor, the sizes pixels.
bool FlatSB_SetScrollProp(HWND wnd, UINT index, std::intptr_t newValue, bool redraw);
bool FlatSB_GetScrollProp(HWND wnd, int index, std::intptr_t* value);

// Registers "comctl32.dll" as a built-in module (the flat scroll bar entries, file version
// 5.81), so LoadLibrary/GetProcAddress find them. Idempotent; TApplication::Initialize calls it.
void RegisterCommonControlsModule();
