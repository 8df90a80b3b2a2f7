#include "platform/headless/headless_peer.h"

#include "platform/headless/event_loop_poll.h"
#include "platform/headless/headless_backend_parts.h"
#include "platform/sys/event_loop.h"

TRecordingPainter& THeadlessPeer::Recorder() {
  if (!FRecorder) FRecorder = std::make_unique<TRecordingPainter>(&Image());
  // The image follows the window's size; the painter keeps pointing at it.
  return *FRecorder;
}

void InstallHeadlessBackend() {
  SetWindowPeerFactory([](TWinControl& control) { return std::make_unique<THeadlessPeer>(control); });
  SetBitmapPainterFactory([](TBitmap& bitmap) { return std::make_unique<TRecordingPainter>(&bitmap); });
  if (!HasEventLoopFactory()) InstallHeadlessEventLoop();
  InstallHeadlessForms();
  InstallHeadlessRichEdit();
  InstallHeadlessClipboard();
  InstallHeadlessPrinting();
}

THeadlessPeer* HeadlessPeer(TWinControl& control) { return dynamic_cast<THeadlessPeer*>(control.Handle()); }

namespace {

UINT ButtonKeys(TMouseButton button) {
  return button == mbLeft ? MK_LBUTTON : button == mbRight ? MK_RBUTTON : MK_MBUTTON;
}

// The message goes to the control holding the capture, in its coordinates.
void SendMouse(TWinControl& control, UINT msg, int x, int y, UINT keys, TShiftState shift) {
  TWinControl* target = &control;
  if (TWinControl* capture = GetCapture(); capture && capture != &control) {
    TPoint screen = control.ClientToScreen({x, y});
    TPoint p = capture->ScreenToClient(screen);
    x = p.X;
    y = p.Y;
    target = capture;
  }
  SetKeyboardShiftState(shift);
  target->Perform(msg, keys | ShiftStateToKeys(shift * TShiftState{ssShift, ssCtrl}), MAKELPARAM(x, y));
}

}  // namespace

namespace HeadlessInput {

void MouseDown(TWinControl& control, int x, int y, TMouseButton button, TShiftState shift) {
  UINT msg = button == mbLeft ? WM_LBUTTONDOWN : button == mbRight ? WM_RBUTTONDOWN : WM_MBUTTONDOWN;
  SendMouse(control, msg, x, y, ButtonKeys(button), shift);
}

void MouseUp(TWinControl& control, int x, int y, TMouseButton button, TShiftState shift) {
  UINT msg = button == mbLeft ? WM_LBUTTONUP : button == mbRight ? WM_RBUTTONUP : WM_MBUTTONUP;
  SendMouse(control, msg, x, y, 0, shift);
}

void MouseMove(TWinControl& control, int x, int y, TShiftState shift) {
  UINT keys = 0;
  if (shift.Contains(ssLeft)) keys |= MK_LBUTTON;
  if (shift.Contains(ssRight)) keys |= MK_RBUTTON;
  if (shift.Contains(ssMiddle)) keys |= MK_MBUTTON;
  SendMouse(control, WM_MOUSEMOVE, x, y, keys, shift);
}

void Click(TWinControl& control, int x, int y, TShiftState shift) {
  MouseDown(control, x, y, mbLeft, shift);
  MouseUp(control, x, y, mbLeft, shift);
}

void DoubleClick(TWinControl& control, int x, int y, TShiftState shift) {
  Click(control, x, y, shift);
  SendMouse(control, WM_LBUTTONDBLCLK, x, y, MK_LBUTTON, shift);
  MouseUp(control, x, y, mbLeft, shift);
}

void Wheel(TWinControl& control, int x, int y, int delta, TShiftState shift) {
  SetKeyboardShiftState(shift);
  TPoint screen = control.ClientToScreen({x, y});
  control.Perform(WM_MOUSEWHEEL, MAKEWPARAM(static_cast<int>(ShiftStateToKeys(shift)), delta),
                  MAKELPARAM(screen.X, screen.Y));
}

void Key(TWinControl& control, WORD key, TShiftState shift) {
  SetKeyboardShiftState(shift);
  TMessage down{WM_KEYDOWN, key, 0, 0};
  control.WndProc(down);
  // Keys that type a character: Enter, Tab, Escape, Backspace.
  bool typed = key == VK_RETURN || key == VK_TAB || key == VK_ESCAPE || key == VK_BACK;
  if (typed && down.WParam != 0 && !shift.Contains(ssCtrl) && !shift.Contains(ssAlt))
    control.Perform(WM_CHAR, key, 0);
  control.Perform(WM_KEYUP, key, 0);
  SetKeyboardShiftState({});
}

void Type(TWinControl& control, const std::string& text) {
  for (std::size_t i = 0; i < text.size();) {
    unsigned char b = static_cast<unsigned char>(text[i]);
    int n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 1;
    char32_t cp = n == 1 ? b : b & (0x3F >> (n - 1));
    for (int k = 1; k < n && i + k < text.size(); ++k) cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    control.Perform(WM_CHAR, cp, 0);
    i += static_cast<std::size_t>(n);
  }
}

}  // namespace HeadlessInput
