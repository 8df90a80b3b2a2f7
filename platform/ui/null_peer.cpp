#include "platform/ui/null_peer.h"

#include "platform/sys/event_loop.h"

TNullPeer::TNullPeer(TWinControl& control) : FControl(control) {}

TNullPeer::~TNullPeer() {
  TEventLoop* loop = CurrentEventLoop();
  for (const auto& [id, timer] : FLoopTimers)
    if (loop) loop->RemoveTimer(timer);
}

void TNullPeer::SetBounds(const TRect& bounds) {
  FBounds = bounds;
  if (FImage.Width() != bounds.Width() || FImage.Height() != bounds.Height()) {
    FImage.SetSize(bounds.Width(), bounds.Height());
    FInvalid = Rect(0, 0, bounds.Width(), bounds.Height());
  }
}

void TNullPeer::Invalidate(const TRect* r) {
  TRect all = Rect(0, 0, FBounds.Width(), FBounds.Height());
  TRect add = all;
  if (r) IntersectRect(add, *r, all);
  UnionRect(FInvalid, FInvalid, add);
}

void TNullPeer::Update() {
  if (IsRectEmpty(FInvalid)) return;
  TPainter& painter = Painter();
  painter.SetClip({FInvalid}, true);
  FInvalid = TRect{};
  ++FPaintCount;
  FControl.PaintWindow(painter);
}

void TNullPeer::SetFocus() {}

bool TNullPeer::Focused() const { return FControl.Focused(); }

bool TNullPeer::SetTimer(UINT id, UINT ms) {
  // Setting a timer again restarts its period.
  KillTimer(id);
  FTimers[id] = ms;
  if (TEventLoop* loop = CurrentEventLoop())
    FLoopTimers[id] = loop->AddTimer(ms, true, [this, id] { FControl.Perform(WM_TIMER, id, 0); });
  return true;
}

bool TNullPeer::KillTimer(UINT id) {
  auto it = FLoopTimers.find(id);
  if (it != FLoopTimers.end()) {
    if (TEventLoop* loop = CurrentEventLoop()) loop->RemoveTimer(it->second);
    FLoopTimers.erase(it);
  }
  return FTimers.erase(id) > 0;
}

bool TNullPeer::FireTimer(UINT id) {
  if (!FTimers.count(id)) return false;
  FControl.Perform(WM_TIMER, id, 0);
  return true;
}

TPoint TNullPeer::ClientOrigin() const { return {FBounds.Left, FBounds.Top}; }

TPainter* TNullPeer::BeginDraw() { return &Painter(); }

TPainter& TNullPeer::Painter() {
  if (!FPainter) FPainter = std::make_unique<TRasterPainter>(FImage);
  return *FPainter;
}
