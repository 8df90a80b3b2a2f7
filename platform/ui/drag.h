// In-program drag (the class library's drag, not OLE): a control starts dragging (BeginDrag,
// or DragMode dmAutomatic on a left press); while the button is down the controls under the
// mouse are asked (OnDragOver) whether they accept, the cursor shows crDrag or crNoDrop, and
// the release drops on an accepting target (OnDragDrop) and ends the drag (OnEndDrag).
#pragma once

#include "platform/ui/controls.h"

class TDragObject {
public:
  virtual ~TDragObject() = default;
  TControl* Control = nullptr;  // the source
  TPoint DragPos;                // screen point of the mouse
  TControl* DragTarget = nullptr;
  bool Dropped = false;
};

// The control being dragged (after the threshold was passed, or a drag started at once);
// null when none.
TControl* DragControl();
// The control the drag is pending or running for, null when none.
TControl* DragSource();
// Cancels a drag in progress (Escape); the source gets OnEndDrag with no target.
void CancelDrag();

// Called by the control framework for every mouse message while a drag is pending; true when
// the drag took the message.
bool DragMouseMessage(TControl& control, const TMessage& message);
// Starts and ends drags (TControl::BeginDrag/EndDrag).
void StartDragOf(TControl& control, bool immediate, int threshold);
// Starts (or arms) a drag from a known screen point (a left press).
void StartDragAt(TControl& control, bool immediate, int threshold, TPoint start);
void EndDragOf(TControl& control, bool drop);
// The source is being freed.
void ForgetDragControl(TControl& control);
