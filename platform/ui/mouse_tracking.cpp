#include "platform/ui/mouse_tracking.h"

#include <cstdlib>

#include "platform/ui/application.h"
#include "platform/ui/controls.h"
#include "platform/ui/messages.h"
#include "platform/ui/screen.h"

namespace {

struct TTracking {
  TWinControl* Control = nullptr;
  bool Hover = false;
  bool Leave = false;
  DWORD HoverTime = 400;
  TPoint Anchor;  // client point the hover rectangle is centred on
  TEventLoop::TTimerId Timer = 0;
  TEventLoop* TimerLoop = nullptr;
};

TTracking gTrack;

void StopTimer() {
  if (gTrack.Timer && gTrack.TimerLoop) gTrack.TimerLoop->RemoveTimer(gTrack.Timer);
  gTrack.Timer = 0;
  gTrack.TimerLoop = nullptr;
}

void Forget() {
  StopTimer();
  gTrack = TTracking{};
}

void StartHoverTimer() {
  StopTimer();
  gTrack.TimerLoop = &GetApplication().Loop();
  gTrack.Timer = gTrack.TimerLoop->AddTimer(gTrack.HoverTime, false, [] {
    gTrack.Timer = 0;
    gTrack.TimerLoop = nullptr;
    TWinControl* c = gTrack.Control;
    if (!c || !gTrack.Hover) return;
    gTrack.Hover = false;
    TPoint p = gTrack.Anchor;
    if (!gTrack.Leave) gTrack.Control = nullptr;
    PostMessage(c, WM_MOUSEHOVER, ShiftStateToKeys(KeyboardShiftState()), MAKELPARAM(p.X, p.Y));
  });
}

bool OutsideHoverRect(TPoint p) {
  UINT w = 4, h = 4;
  SystemParametersInfo(SPI_GETMOUSEHOVERWIDTH, 0, &w, 0);
  SystemParametersInfo(SPI_GETMOUSEHOVERHEIGHT, 0, &h, 0);
  return std::abs(p.X - gTrack.Anchor.X) > static_cast<int>(w / 2) ||
         std::abs(p.Y - gTrack.Anchor.Y) > static_cast<int>(h / 2);
}

void PostLeave() {
  TWinControl* c = gTrack.Control;
  Forget();
  PostMessage(c, WM_MOUSELEAVE, 0, 0);
}

}  // namespace

bool TrackMouseEvent(TRACKMOUSEEVENT& r) {
  if (r.dwFlags & TME_QUERY) {
    r.hwndTrack = gTrack.Control;
    r.dwFlags = (gTrack.Hover ? DWORD{TME_HOVER} : 0u) | (gTrack.Leave ? DWORD{TME_LEAVE} : 0u);
    r.dwHoverTime = gTrack.HoverTime;
    return true;
  }
  if (!r.hwndTrack) return false;
  if (r.dwFlags & TME_CANCEL) {
    if (gTrack.Control != r.hwndTrack) return true;
    if (r.dwFlags & TME_HOVER) {
      gTrack.Hover = false;
      StopTimer();
    }
    if (r.dwFlags & TME_LEAVE) gTrack.Leave = false;
    if (!gTrack.Hover && !gTrack.Leave) Forget();
    return true;
  }
  TWinControl* c = r.hwndTrack;
  if (gTrack.Control != c) Forget();
  gTrack.Control = c;
  TPoint cursor;
  GetCursorPos(&cursor);
  TPoint p = c->ScreenToClient(cursor);
  // A mouse that is not on the control has left it already.
  if ((r.dwFlags & TME_LEAVE) && (p.X < 0 || p.Y < 0 || p.X >= c->Width() || p.Y >= c->Height())) {
    PostLeave();
    return true;
  }
  if (r.dwFlags & TME_LEAVE) gTrack.Leave = true;
  if (r.dwFlags & TME_HOVER) {
    gTrack.Hover = true;
    UINT standard = 400;
    SystemParametersInfo(SPI_GETMOUSEHOVERTIME, 0, &standard, 0);
    gTrack.HoverTime = r.dwHoverTime == HOVER_DEFAULT ? standard : r.dwHoverTime;
    gTrack.Anchor = p;
    StartHoverTimer();
  }
  if (!gTrack.Hover && !gTrack.Leave) Forget();
  return true;
}

void MouseTrackingMessage(TWinControl& control, UINT msg, LPARAM lParam) {
  if (!gTrack.Control) return;
  if (msg == CM_MOUSELEAVE) {
    if (&control == gTrack.Control && gTrack.Leave) PostLeave();
    return;
  }
  if (msg != WM_MOUSEMOVE) return;
  if (&control != gTrack.Control) {
    // The mouse is on another window now.
    if (gTrack.Leave) PostLeave();
    else Forget();
    return;
  }
  TPoint p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  if (gTrack.Leave && (p.X < 0 || p.Y < 0 || p.X >= control.Width() || p.Y >= control.Height())) {
    PostLeave();  // outside, heard through the capture
    return;
  }
  if (gTrack.Hover && OutsideHoverRect(p)) {
    gTrack.Anchor = p;
    StartHoverTimer();
  }
}

void StopMouseTracking(TWinControl* control) {
  if (control && gTrack.Control == control) Forget();
}
