#include "platform/ui/null_peer.h"

TNullPeer::TNullPeer(TWinControl& control) : FControl(control) {}

TNullPeer::~TNullPeer() = default;

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
  FTimers[id] = ms;
  return true;
}

bool TNullPeer::KillTimer(UINT id) { return FTimers.erase(id) > 0; }

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
