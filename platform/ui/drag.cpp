#include "platform/ui/drag.h"

#include <cstdlib>

#include "platform/ui/screen.h"

namespace {

struct TDragRun {
  TControl* Source = nullptr;
  bool Started = false;
  int Threshold = 5;
  TPoint Start;
  TControl* Target = nullptr;
  bool Accepted = false;
  TDragObject* Object = nullptr;
  TCursor SavedCursor = crDefault;
  TPoint Last;  // the last screen point the mouse was seen at
};
TDragRun gDrag;

void SetDragCursor(bool accept) {
  Screen().SetCursor(accept ? gDrag.Source->DragCursor() : crNoDrop);
}

// Asks the control under the point; tells the one left behind.
void DragTo(TPoint screen) {
  TControl* target = FindDragTarget(screen, false);
  if (target != gDrag.Target) {
    if (gDrag.Target) {
      bool ignored = false;
      TPoint p = gDrag.Target->ScreenToClient(screen);
      gDrag.Target->DragOver(gDrag.Source, p.X, p.Y, dsDragLeave, ignored);
    }
    gDrag.Target = target;
    gDrag.Accepted = false;
    if (target) {
      TPoint p = target->ScreenToClient(screen);
      target->DragOver(gDrag.Source, p.X, p.Y, dsDragEnter, gDrag.Accepted);
    }
  } else if (target) {
    TPoint p = target->ScreenToClient(screen);
    gDrag.Accepted = false;
    target->DragOver(gDrag.Source, p.X, p.Y, dsDragMove, gDrag.Accepted);
  }
  if (gDrag.Object) {
    gDrag.Object->DragPos = screen;
    gDrag.Object->DragTarget = gDrag.Target;
  }
  SetDragCursor(gDrag.Accepted);
}

void StartNow(TPoint screen) {
  gDrag.Started = true;
  gDrag.SavedCursor = Screen().Cursor();
  TDragObject* object = nullptr;
  gDrag.Source->DoStartDragPublic(object);
  gDrag.Object = object;
  if (gDrag.Object) gDrag.Object->Control = gDrag.Source;
  DragTo(screen);
}

void Finish(bool drop, TPoint screen) {
  TDragRun s = gDrag;
  gDrag = TDragRun{};
  if (!s.Source) return;
  if (!s.Started) return;
  Screen().SetCursor(s.SavedCursor);
  TControl* target = drop && s.Accepted ? s.Target : nullptr;
  TPoint p = target ? target->ScreenToClient(screen) : TPoint{0, 0};
  if (s.Object) s.Object->Dropped = target != nullptr;
  if (target) target->DragDrop(s.Source, p.X, p.Y);
  else if (s.Target) {
    bool ignored = false;
    TPoint q = s.Target->ScreenToClient(screen);
    s.Target->DragOver(s.Source, q.X, q.Y, dsDragLeave, ignored);
  }
  s.Source->DoEndDragPublic(target, p.X, p.Y);
}

TPoint MessagePoint(TControl& control, const TMessage& m) {
  return control.ClientToScreen({GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)});
}

}  // namespace

TControl* DragControl() { return gDrag.Started ? gDrag.Source : nullptr; }
TControl* DragSource() { return gDrag.Source; }

void CancelDrag() {
  if (!gDrag.Source) return;
  TPoint p = gDrag.Last;
  if (auto* w = dynamic_cast<TWinControl*>(gDrag.Source)) w->ReleaseCapture();
  Finish(false, p);
}

void StartDragOf(TControl& control, bool immediate, int threshold) {
  StartDragAt(control, immediate, threshold, ScreenService().CursorPos());
}

void StartDragAt(TControl& control, bool immediate, int threshold, TPoint start) {
  if (gDrag.Source) return;
  gDrag = TDragRun{};
  gDrag.Source = &control;
  gDrag.Threshold = threshold < 0 ? GetSystemMetrics(SM_CXDRAG) + 1 : threshold;
  gDrag.Start = start;
  gDrag.Last = start;
  // The source keeps the mouse while the drag lasts.
  TWinControl* capture = dynamic_cast<TWinControl*>(&control);
  if (!capture) capture = control.Parent();
  if (capture) capture->SetCapture();
  if (immediate) StartNow(gDrag.Start);
}

void EndDragOf(TControl& control, bool drop) {
  if (gDrag.Source != &control) return;
  Finish(drop, gDrag.Last);
}

void ForgetDragControl(TControl& control) {
  if (gDrag.Source == &control) {
    gDrag = TDragRun{};
    Screen().SetCursor(crDefault);
  } else if (gDrag.Target == &control) {
    gDrag.Target = nullptr;
    gDrag.Accepted = false;
  }
}

bool DragMouseMessage(TControl& control, const TMessage& message) {
  if (!gDrag.Source) return false;
  switch (message.Msg) {
    case WM_LBUTTONDOWN:
      // The press that starts an automatic drag belongs to the control.
      if (!gDrag.Started) gDrag.Start = gDrag.Last = MessagePoint(control, message);
      return false;
    case WM_MOUSEMOVE: {
      TPoint p = MessagePoint(control, message);
      gDrag.Last = p;
      if (!gDrag.Started) {
        if (std::abs(p.X - gDrag.Start.X) < gDrag.Threshold && std::abs(p.Y - gDrag.Start.Y) < gDrag.Threshold) return false;
        StartNow(p);
        return true;
      }
      DragTo(p);
      return true;
    }
    case WM_LBUTTONUP: {
      TPoint p = MessagePoint(control, message);
      gDrag.Last = p;
      bool started = gDrag.Started;
      if (auto* w = dynamic_cast<TWinControl*>(&control)) w->ReleaseCapture();
      if (!started) {
        // A press and release without moving is a click, not a drag.
        gDrag = TDragRun{};
        return false;
      }
      Finish(true, p);
      return true;
    }
    case WM_RBUTTONDOWN:
      if (gDrag.Started) {
        CancelDrag();
        return true;
      }
      return false;
    default:
      return gDrag.Started;
  }
}
