#include "platform/ui/native_control.h"

namespace {
int gRefused = 0;
}

TNativeControl::TNativeControl(TComponent* AOwner) : TWinControl(AOwner) { SetTabStop(true); }

void TNativeControl::CreateWnd() {
  TWinControl::CreateWnd();
  if (auto* peer = NativePeer<TNativePeer>()) {
    peer->SetFont(Font());
    peer->SetColor(Color());
    PushState();
  }
}

void TNativeControl::FontChanged() {
  TWinControl::FontChanged();
  if (auto* peer = NativePeer<TNativePeer>()) peer->SetFont(Font());
}

void TNativeControl::ColorChanged() {
  TWinControl::ColorChanged();
  if (auto* peer = NativePeer<TNativePeer>()) peer->SetColor(Color());
}

void TNativeControl::PaintHandler(TPainter& painter) {
  FCanvas.SetPainter(&painter);
  FCanvas.Brush().SetColor(Color());
  FCanvas.FillRect(ClientRect());
  FCanvas.ReleasePainter();
  TWinControl::PaintHandler(painter);
}

void TNativeControl::Refuse() { ++gRefused; }

int TNativeControl::RefusedCount() { return gRefused; }

void TNativeControl::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      FPressed = Enabled();
      TWinControl::WndProc(message);
      return;
    case WM_LBUTTONUP: {
      // The framework's click on release is the peer's business here: a native peer reports
      // its clicks itself, and without one the control decides what a click does.
      bool click = FPressed && Enabled();
      FPressed = false;
      int x = GET_X_LPARAM(message.LParam), y = GET_Y_LPARAM(message.LParam);
      MouseUp(mbLeft, KeysToShiftState(static_cast<UINT>(message.WParam)) + KeyboardShiftState(), x, y);
      ReleaseCapture();
      if (click && (!HasNativePeer() || !PeerReportsClicks()) && x >= 0 && y >= 0 && x < Width() && y < Height()) UserClick();
      return;
    }
    default:
      TWinControl::WndProc(message);
  }
}

void TNativeControl::PeerDrawItem(int index, TPainter& painter, const TRect& rect, TOwnerDrawState state,
                                  TPoint deviceOrigin) {
  FCanvas.SetPainter(&painter);
  FCanvas.SetOrigin({-deviceOrigin.X, -deviceOrigin.Y});
  FCanvas.Font().Assign(Font());
  FCanvas.Brush().SetColor(state.Contains(odSelected) ? clHighlight : Color());
  FCanvas.Font().SetColor(state.Contains(odSelected) ? clHighlightText : Font().Color());
  try {
    DrawItem(index, rect, state);
  } catch (...) {
    FCanvas.ReleasePainter();
    FCanvas.SetOrigin({0, 0});
    throw;
  }
  FCanvas.ReleasePainter();
  FCanvas.SetOrigin({0, 0});
}
