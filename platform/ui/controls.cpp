#include "platform/ui/controls.h"

#include <algorithm>
#include <map>

#include "platform/ui/null_peer.h"

namespace {

TWindowPeerFactory& PeerFactory() {
  static TWindowPeerFactory factory;
  return factory;
}

std::map<std::string, TWindowPeerFactory>& ClassFactories() {
  static std::map<std::string, TWindowPeerFactory> factories;
  return factories;
}

TWinControl* gFocus = nullptr;
TWinControl* gCapture = nullptr;
// The child without a window that holds the mouse while a button is down, and the one under it.
TControl* gCaptureControl = nullptr;
TControl* gMouseControl = nullptr;
TShiftState gKeyboard;

}  // namespace

void SetWindowPeerFactory(TWindowPeerFactory factory) { PeerFactory() = std::move(factory); }

void RegisterWindowClass(const std::string& className, TWindowPeerFactory factory) {
  ClassFactories()[className] = std::move(factory);
}

void ClearWindowClasses() { ClassFactories().clear(); }

TShiftState KeysToShiftState(UINT keys) {
  TShiftState s;
  if (keys & MK_SHIFT) s << ssShift;
  if (keys & MK_CONTROL) s << ssCtrl;
  if (keys & MK_LBUTTON) s << ssLeft;
  if (keys & MK_RBUTTON) s << ssRight;
  if (keys & MK_MBUTTON) s << ssMiddle;
  if (gKeyboard.Contains(ssAlt)) s << ssAlt;
  return s;
}

UINT ShiftStateToKeys(TShiftState shift) {
  UINT k = 0;
  if (shift.Contains(ssShift)) k |= MK_SHIFT;
  if (shift.Contains(ssCtrl)) k |= MK_CONTROL;
  if (shift.Contains(ssLeft)) k |= MK_LBUTTON;
  if (shift.Contains(ssRight)) k |= MK_RBUTTON;
  if (shift.Contains(ssMiddle)) k |= MK_MBUTTON;
  return k;
}

TShiftState KeyboardShiftState() { return gKeyboard * TShiftState{ssShift, ssCtrl, ssAlt}; }
void SetKeyboardShiftState(TShiftState shift) { gKeyboard = shift * TShiftState{ssShift, ssCtrl, ssAlt}; }

SHORT GetKeyState(int virtualKey) {
  bool down = false;
  switch (virtualKey) {
    case VK_SHIFT: down = gKeyboard.Contains(ssShift); break;
    case VK_CONTROL: down = gKeyboard.Contains(ssCtrl); break;
    case VK_MENU: down = gKeyboard.Contains(ssAlt); break;
    default: break;
  }
  return down ? static_cast<SHORT>(-32768) : 0;
}

TWinControl* GetCapture() { return gCapture; }
TWinControl* GetFocus() { return gFocus; }

// ---- TControl -------------------------------------------------------------------------------

TControl::TControl(TComponent* AOwner) : TComponent(AOwner) {
  FFont.OnChange = [this](TGraphicsObject*) {
    FParentFont = false;
    FontChanged();
  };
}

TControl::~TControl() {
  FFont.OnChange = nullptr;
  if (gCaptureControl == this) gCaptureControl = nullptr;
  if (gMouseControl == this) gMouseControl = nullptr;
  if (FParent) FParent->RemoveControl(this);
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == FParent) return;
  if (FParent) FParent->RemoveControl(this);
  if (parent) parent->InsertControl(this);
}

void TControl::SetBounds(int left, int top, int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (left == FLeft && top == FTop && width == FWidth && height == FHeight) return;
  bool resized = width != FWidth || height != FHeight;
  if (FParent && FVisible) Invalidate();
  FLeft = left;
  FTop = top;
  FWidth = width;
  FHeight = height;
  if (FParent && FVisible) Invalidate();
  if (resized) Resize();
  if (FParent && FAlign != alNone) FParent->AlignControls();
}

TPoint TControl::ClientToScreen(TPoint p) const {
  TPoint origin{FLeft, FTop};
  if (FParent) origin = FParent->ClientToScreen(origin);
  if (const auto* w = dynamic_cast<const TWinControl*>(this); w && w->HandleAllocated() && !FParent)
    origin = w->FPeer->ClientOrigin();
  return {p.X + origin.X, p.Y + origin.Y};
}

TPoint TControl::ScreenToClient(TPoint p) const {
  TPoint origin = ClientToScreen({0, 0});
  return {p.X - origin.X, p.Y - origin.Y};
}

void TControl::SetVisible(bool value) {
  if (value == FVisible) return;
  if (FParent && FVisible) Invalidate();
  FVisible = value;
  if (FParent && FVisible) Invalidate();
  if (FParent && FAlign != alNone) FParent->AlignControls();
}

bool TControl::Showing() const {
  if (!FVisible) return false;
  return FParent ? FParent->Showing() : true;
}

void TControl::SetEnabled(bool value) {
  if (value == FEnabled) return;
  FEnabled = value;
  EnabledChanged();
}

void TControl::SetColor(TColor value) {
  FParentColor = false;
  if (value == FColor) return;
  FColor = value;
  ColorChanged();
}

void TControl::SetParentColor(bool value) {
  FParentColor = value;
  if (value && FParent && FParent->Color() != FColor) {
    FColor = FParent->Color();
    ColorChanged();
  }
}

void TControl::SetParentFont(bool value) {
  if (value && FParent) {
    auto handler = std::move(FFont.OnChange);
    FFont.Assign(FParent->Font());
    FFont.OnChange = std::move(handler);
    FontChanged();
  }
  FParentFont = value;
}

void TControl::SetText(const std::string& value) {
  if (value == FText) return;
  FText = value;
  Invalidate();
}

void TControl::SetCursor(TCursor value) {
  FCursor = value;
  Perform(CM_CURSORCHANGED);
}

void TControl::SetAlign(TAlign value) {
  if (value == FAlign) return;
  FAlign = value;
  if (FParent) FParent->AlignControls();
}

void TControl::Invalidate() {
  if (FParent && FVisible) FParent->InvalidateRect(BoundsRect());
}

void TControl::Update() {
  if (FParent) FParent->Update();
}

void TControl::Repaint() {
  Invalidate();
  Update();
}

LRESULT TControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
  TMessage m{msg, wParam, lParam, 0};
  WndProc(m);
  return m.Result;
}

void TControl::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN: case WM_LBUTTONUP: case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN: case WM_RBUTTONUP: case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN: case WM_MBUTTONUP: case WM_MBUTTONDBLCLK:
      if (FEnabled) MouseMessage(message);
      break;
    default:
      break;
  }
}

void TControl::MouseMessage(TMessage& message) {
  int x = GET_X_LPARAM(message.LParam);
  int y = GET_Y_LPARAM(message.LParam);
  TShiftState shift = KeysToShiftState(static_cast<UINT>(message.WParam)) + KeyboardShiftState();
  auto* win = dynamic_cast<TWinControl*>(this);
  switch (message.Msg) {
    case WM_MOUSEMOVE:
      MouseMove(shift, x, y);
      break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
      TMouseButton button = message.Msg == WM_LBUTTONDOWN ? mbLeft : message.Msg == WM_RBUTTONDOWN ? mbRight : mbMiddle;
      if (win && button == mbLeft) win->SetCapture();
      if (button == mbLeft) FClicked = true;
      MouseDown(button, shift, x, y);
      break;
    }
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK: {
      TMouseButton button = message.Msg == WM_LBUTTONDBLCLK ? mbLeft : message.Msg == WM_RBUTTONDBLCLK ? mbRight : mbMiddle;
      if (win && button == mbLeft) win->SetCapture();
      if (button == mbLeft) DblClick();  // the release after it is no click
      MouseDown(button, shift + TShiftState{ssDouble}, x, y);
      break;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
      TMouseButton button = message.Msg == WM_LBUTTONUP ? mbLeft : message.Msg == WM_RBUTTONUP ? mbRight : mbMiddle;
      bool click = button == mbLeft && FClicked;
      if (button == mbLeft) {
        FClicked = false;
        if (win) win->ReleaseCapture();
      }
      MouseUp(button, shift, x, y);
      if (click && x >= 0 && y >= 0 && x < FWidth && y < FHeight) Click();
      break;
    }
    default:
      break;
  }
}

void TControl::Click() { if (OnClick) OnClick(this); }
void TControl::DblClick() { if (OnDblClick) OnDblClick(this); }
void TControl::Resize() { if (OnResize) OnResize(this); }
void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}
void TControl::MouseMove(TShiftState Shift, int X, int Y) {
  if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}
void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

void TControl::FontChanged() {
  Perform(CM_FONTCHANGED);
  if (auto* win = dynamic_cast<TWinControl*>(this)) {
    for (TControl* child : win->FControls)
      if (child->FParentFont) child->SetParentFont(true);
  }
  Invalidate();
}

void TControl::ColorChanged() {
  Perform(CM_COLORCHANGED);
  if (auto* win = dynamic_cast<TWinControl*>(this)) {
    for (TControl* child : win->FControls)
      if (child->FParentColor) child->SetParentColor(true);
  }
  Invalidate();
}

void TControl::EnabledChanged() {
  Perform(CM_ENABLEDCHANGED);
  Invalidate();
}

void TControl::BringToFront() {
  if (!FParent) return;
  auto& v = FParent->FControls;
  v.erase(std::remove(v.begin(), v.end(), this), v.end());
  v.push_back(this);
  Invalidate();
}

void TControl::SendToBack() {
  if (!FParent) return;
  auto& v = FParent->FControls;
  v.erase(std::remove(v.begin(), v.end(), this), v.end());
  v.insert(v.begin(), this);
  Invalidate();
}

// ---- TWinControl ----------------------------------------------------------------------------

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {}

TWinControl::~TWinControl() {
  // Children are freed by their owners; here they only lose their parent.
  for (TControl* child : FControls) child->FParent = nullptr;
  FControls.clear();
  if (gFocus == this) gFocus = nullptr;
  if (gCapture == this) gCapture = nullptr;
  FPeer.reset();
}

TWindowPeer* TWinControl::Handle() {
  if (!FPeer) CreateWnd();
  return FPeer.get();
}

void TWinControl::CreateWnd() {
  if (FPeer) return;
  if (std::string cls = WindowClass(); !cls.empty()) {
    auto it = ClassFactories().find(cls);
    if (it != ClassFactories().end() && it->second) FPeer = it->second(*this);
  }
  if (!FPeer && PeerFactory()) FPeer = PeerFactory()(*this);
  if (!FPeer) FPeer = std::make_unique<TNullPeer>(*this);
  FPeer->SetParent(FParent);
  FPeer->SetBounds(BoundsRect());
  FPeer->SetEnabled(Enabled());
  FPeer->SetCursor(Cursor());
  FPeer->SetVisible(Visible());
  // Children whose windows outlived this one's take the new one as their parent.
  for (TControl* c : FControls)
    if (auto* w = dynamic_cast<TWinControl*>(c); w && w->FPeer) w->FPeer->SetParent(this);
}

void TWinControl::DestroyWnd() { DestroyHandle(); }

void TWinControl::DestroyHandle() {
  if (!FPeer) return;
  if (gCapture == this) gCapture = nullptr;
  FreeCanvasHandle();
  FPeer.reset();
}

void TWinControl::RecreateWnd() {
  if (!FPeer) return;
  DestroyWnd();
  CreateWnd();
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
  bool resized = std::max(width, 0) != FWidth || std::max(height, 0) != FHeight;
  TControl::SetBounds(left, top, width, height);
  if (FPeer) FPeer->SetBounds(BoundsRect());
  if (resized) {
    Perform(WM_SIZE, 0, MAKELPARAM(FWidth, FHeight));
    AlignControls();
  }
}

void TWinControl::SetVisible(bool value) {
  TControl::SetVisible(value);
  if (FPeer) FPeer->SetVisible(value);
  if (!value && gFocus == this) gFocus = nullptr;
}

void TWinControl::SetEnabled(bool value) {
  TControl::SetEnabled(value);
  if (FPeer) FPeer->SetEnabled(value);
}

void TWinControl::SetParent(TWinControl* parent) {
  TControl::SetParent(parent);
  if (FPeer) FPeer->SetParent(parent);
}

void TWinControl::SetCursor(TCursor value) {
  TControl::SetCursor(value);
  if (FPeer) FPeer->SetCursor(value);
}

void TWinControl::InsertControl(TControl* control) {
  FControls.push_back(control);
  control->FParent = this;
  if (control->FParentFont) control->SetParentFont(true);
  if (control->FParentColor) control->SetParentColor(true);
  if (control->FAlign != alNone) AlignControls();
  control->Invalidate();
  Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(control), 1);
}

void TWinControl::RemoveControl(TControl* control) {
  control->Invalidate();
  FControls.erase(std::remove(FControls.begin(), FControls.end(), control), FControls.end());
  control->FParent = nullptr;
  if (gCaptureControl == control) gCaptureControl = nullptr;
  if (gMouseControl == control) gMouseControl = nullptr;
  if (control->FAlign != alNone) AlignControls();
  Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(control), 0);
}

void TWinControl::AlignControls() {
  TRect r = ClientRect();
  AdjustClientRect(r);
  auto place = [&](TAlign align) {
    for (TControl* c : FControls) {
      if (c->FAlign != align || !c->FVisible) continue;
      switch (align) {
        case alTop: c->SetBounds(r.Left, r.Top, r.Width(), c->FHeight); r.Top += c->FHeight; break;
        case alBottom: c->SetBounds(r.Left, r.Bottom - c->FHeight, r.Width(), c->FHeight); r.Bottom -= c->FHeight; break;
        case alLeft: c->SetBounds(r.Left, r.Top, c->FWidth, r.Height()); r.Left += c->FWidth; break;
        case alRight: c->SetBounds(r.Right - c->FWidth, r.Top, c->FWidth, r.Height()); r.Right -= c->FWidth; break;
        case alClient: c->SetBounds(r.Left, r.Top, std::max(r.Width(), 0), std::max(r.Height(), 0)); break;
        default: break;
      }
    }
  };
  place(alTop);
  place(alBottom);
  place(alLeft);
  place(alRight);
  place(alClient);
}

void TWinControl::Invalidate() {
  if (FPeer) FPeer->Invalidate(nullptr);
}

void TWinControl::InvalidateRect(const TRect& r, bool) {
  if (FPeer) FPeer->Invalidate(&r);
}

void TWinControl::Update() {
  if (FPeer) FPeer->Update();
}

void TWinControl::Repaint() {
  HandleNeeded();
  Invalidate();
  Update();
}

bool TWinControl::CanFocus() const {
  for (const TControl* c = this; c; c = c->FParent)
    if (!c->Visible() || !c->Enabled()) return false;
  return true;
}

void TWinControl::SetFocus() {
  if (gFocus == this) return;
  TWinControl* old = gFocus;
  gFocus = this;
  if (old) old->Perform(WM_KILLFOCUS);
  if (gFocus != this) return;  // the old control's handler moved the focus on
  Handle()->SetFocus();
  Perform(WM_SETFOCUS);
}

bool TWinControl::Focused() const { return gFocus == this; }

void TWinControl::SetCapture() {
  if (gCapture && gCapture != this && gCapture->FPeer) gCapture->FPeer->SetCapture(false);
  gCapture = this;
  Handle()->SetCapture(true);
}

void TWinControl::ReleaseCapture() {
  if (gCapture != this) return;
  gCapture = nullptr;
  if (FPeer) FPeer->SetCapture(false);
}

bool TWinControl::SetTimer(UINT id, UINT ms) { return Handle()->SetTimer(id, ms); }
bool TWinControl::KillTimer(UINT id) { return FPeer && FPeer->KillTimer(id); }

void TWinControl::PaintWindow(TPainter& painter) {
  Perform(WM_PAINT, reinterpret_cast<WPARAM>(&painter), 0);
}

void TWinControl::PaintHandler(TPainter& painter) {
  // Children without a window are painted over the control.
  for (TControl* c : FControls)
    if (auto* g = dynamic_cast<TGraphicControl*>(c); g && g->Visible()) g->PaintOnParent(painter);
}

bool TWinControl::MouseToGraphicChild(TMessage& message) {
  if (message.Msg == CM_MOUSELEAVE) {
    if (gMouseControl && gMouseControl->FParent == this) {
      TControl* left = gMouseControl;
      gMouseControl = nullptr;
      left->Perform(CM_MOUSELEAVE);
    }
    return false;
  }
  if (message.Msg < WM_MOUSEMOVE || message.Msg > WM_MBUTTONDBLCLK) return false;
  TPoint p{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)};
  TControl* target = nullptr;
  if (gCaptureControl && gCaptureControl->FParent == this) {
    target = gCaptureControl;
  } else {
    for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
      TControl* c = *it;
      if (dynamic_cast<TWinControl*>(c) || !c->FVisible || !c->FEnabled) continue;
      if (PtInRect(c->BoundsRect(), p)) {
        target = c;
        break;
      }
    }
  }
  if (message.Msg == WM_MOUSEMOVE && !gCaptureControl && target != gMouseControl) {
    TControl* left = gMouseControl;
    gMouseControl = target;
    if (left) left->Perform(CM_MOUSELEAVE);
    if (target) target->Perform(CM_MOUSEENTER);
  }
  if (!target) return false;
  bool down = message.Msg == WM_LBUTTONDOWN || message.Msg == WM_RBUTTONDOWN || message.Msg == WM_MBUTTONDOWN ||
              message.Msg == WM_LBUTTONDBLCLK || message.Msg == WM_RBUTTONDBLCLK || message.Msg == WM_MBUTTONDBLCLK;
  bool up = message.Msg == WM_LBUTTONUP || message.Msg == WM_RBUTTONUP || message.Msg == WM_MBUTTONUP;
  if (down) {
    gCaptureControl = target;
    SetCapture();
  }
  message.Result = target->Perform(message.Msg, message.WParam, MAKELPARAM(p.X - target->FLeft, p.Y - target->FTop));
  if (up && !(message.WParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON))) {
    gCaptureControl = nullptr;
    ReleaseCapture();
    // The child under the mouse now.
    if (!PtInRect(target->BoundsRect(), p) && gMouseControl == target) {
      gMouseControl = nullptr;
      target->Perform(CM_MOUSELEAVE);
    }
  }
  return true;
}

void TWinControl::WndProc(TMessage& message) {
  if (MouseToGraphicChild(message)) return;
  switch (message.Msg) {
    case WM_PAINT:
      if (message.WParam) PaintHandler(*reinterpret_cast<TPainter*>(message.WParam));
      return;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      WORD key = static_cast<WORD>(message.WParam);
      KeyDown(key, KeyboardShiftState());
      message.WParam = key;
      if (key == 0) message.Result = 1;
      return;
    }
    case WM_KEYUP:
    case WM_SYSKEYUP: {
      WORD key = static_cast<WORD>(message.WParam);
      KeyUp(key, KeyboardShiftState());
      message.WParam = key;
      return;
    }
    case WM_CHAR: {
      char32_t key = static_cast<char32_t>(message.WParam);
      KeyPress(key);
      message.WParam = key;
      if (key == 0) message.Result = 1;
      return;
    }
    case WM_SETFOCUS:
      DoEnter();
      return;
    case WM_KILLFOCUS:
      DoExit();
      return;
    case WM_MOUSEWHEEL: {
      TShiftState shift = KeysToShiftState(LOWORD(message.WParam)) + KeyboardShiftState();
      TPoint p = ScreenToClient({GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)});
      message.Result = DoMouseWheel(shift, GET_WHEEL_DELTA_WPARAM(message.WParam), p) ? 1 : 0;
      return;
    }
    default:
      TControl::WndProc(message);
  }
}

void TWinControl::KeyDown(WORD& Key, TShiftState Shift) { if (OnKeyDown) OnKeyDown(this, Key, Shift); }
void TWinControl::KeyUp(WORD& Key, TShiftState Shift) { if (OnKeyUp) OnKeyUp(this, Key, Shift); }
void TWinControl::KeyPress(char32_t& Key) { if (OnKeyPress) OnKeyPress(this, Key); }
void TWinControl::DoEnter() { if (OnEnter) OnEnter(this); }
void TWinControl::DoExit() { if (OnExit) OnExit(this); }

bool TWinControl::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
  bool handled = false;
  if (OnMouseWheel) OnMouseWheel(this, Shift, WheelDelta, MousePos, handled);
  if (handled) return true;
  // Only the sign counts.
  if (WheelDelta < 0) return DoMouseWheelDown(Shift, MousePos);
  if (WheelDelta > 0) return DoMouseWheelUp(Shift, MousePos);
  return false;
}

bool TWinControl::DoMouseWheelDown(TShiftState, TPoint) { return false; }
bool TWinControl::DoMouseWheelUp(TShiftState, TPoint) { return false; }

// ---- Canvases -------------------------------------------------------------------------------

TControlCanvas::~TControlCanvas() { FreeHandle(); }

void TControlCanvas::CreateHandle() {
  TPainter* p = FControl.Handle()->BeginDraw();
  if (!p) return;
  SetPainter(p);
  FFromPeer = true;
}

void TControlCanvas::FreeHandle() {
  if (!FFromPeer) return;
  FFromPeer = false;
  ReleasePainter();
  if (FControl.HandleAllocated()) FControl.Handle()->EndDraw();
}

TCustomControl::TCustomControl(TComponent* AOwner)
    : TWinControl(AOwner), FCanvas(std::make_unique<TControlCanvas>(*this)) {}

TCustomControl::~TCustomControl() {
  DestroyHandle();
  FCanvas.reset();
}

void TCustomControl::PaintHandler(TPainter& painter) {
  FCanvas->FreeHandle();
  FCanvas->SetPainter(&painter);
  FCanvas->Font().Assign(Font());
  FCanvas->Brush().SetColor(Color());
  FCanvas->Pen().SetColor(clBlack);
  try {
    Paint();
  } catch (...) {
    FCanvas->ReleasePainter();
    throw;
  }
  FCanvas->ReleasePainter();
  TWinControl::PaintHandler(painter);
}

TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner) {}

TGraphicControl::~TGraphicControl() = default;

void TGraphicControl::Invalidate() { TControl::Invalidate(); }

void TGraphicControl::PaintOnParent(TPainter& painter) {
  FCanvas.SetPainter(&painter);
  FCanvas.SetOrigin({FLeft, FTop});
  FCanvas.IntersectClipRect(0, 0, FWidth, FHeight);
  FCanvas.Font().Assign(Font());
  FCanvas.Brush().SetColor(Color());
  try {
    Paint();
  } catch (...) {
    FCanvas.ReleasePainter();
    throw;
  }
  FCanvas.ReleasePainter();
}
