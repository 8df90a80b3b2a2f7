// TrackMouseEvent: a windowed control asks to hear when the mouse rests on it (WM_MOUSEHOVER,
// posted once the mouse stayed within the hover rectangle for the hover time) and when it
// leaves (WM_MOUSELEAVE, posted when the mouse moves to another window or out of the
// program's windows). Each request ends with its message; one control is tracked at a time.
#pragma once

#include "platform/rtl/win_types.h"

class TWinControl;

enum : DWORD { TME_HOVER = 0x1, TME_LEAVE = 0x2, TME_QUERY = 0x40000000, TME_CANCEL = 0x80000000 };
inline constexpr DWORD HOVER_DEFAULT = 0xFFFFFFFF;

struct TRACKMOUSEEVENT {
  DWORD cbSize = sizeof(TRACKMOUSEEVENT);
  DWORD dwFlags = 0;
  TWinControl* hwndTrack = nullptr;
  DWORD dwHoverTime = HOVER_DEFAULT;  // milliseconds; HOVER_DEFAULT is the system's hover time
};
using TTrackMouseEvent = TRACKMOUSEEVENT;

// Starts (or with TME_CANCEL stops) tracking; TME_QUERY fills the request with what is being
// tracked. False without a control. The hover rectangle is centred on the cursor's position
// at the call (and re-centred whenever the mouse leaves it).
bool TrackMouseEvent(TRACKMOUSEEVENT& request);

// Told by the controls: every mouse message a windowed control receives, and its end.
void MouseTrackingMessage(TWinControl& control, UINT msg, LPARAM lParam);
void StopMouseTracking(TWinControl* control);
