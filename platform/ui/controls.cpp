#include "platform/ui/controls.h"
#include "platform/ui/modal_gate.h"

#include <algorithm>
#include <map>

#include "platform/ui/application.h"
#include "platform/ui/drag.h"
#include "platform/ui/forms.h"
#include "platform/ui/menus.h"
#include "platform/ui/mouse_tracking.h"
#include "platform/ui/null_peer.h"
#include "platform/ui/ole_drag.h"
#include "platform/ui/screen.h"

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

HWND SetFocus(HWND control) {
  HWND old = gFocus;
  if (control) control->SetFocus();
  return old;
}

HWND SetCapture(HWND control) {
  HWND old = gCapture;
  if (control) control->SetCapture();
  return old;
}

bool ReleaseCapture() {
  if (gCapture) gCapture->ReleaseCapture();
  return true;
}

void ReleaseEveryCapture() {
  gCaptureControl = nullptr;
  if (gCapture) gCapture->ReleaseCapture();
}

bool PostMessage(HWND control, UINT msg, WPARAM w, LPARAM l) {
  if (!control) return false;
  control->PostMessage(msg, w, l);
  return true;
}

TCustomForm* GetParentForm(const TControl* control) {
  const TControl* c = control;
  while (c && c->Parent()) c = c->Parent();
  return const_cast<TCustomForm*>(dynamic_cast<const TCustomForm*>(c));
}

namespace {

// The control at a screen point below `root` (root itself when no child is there).
TControl* ControlAtScreen(TWinControl* root, TPoint screen, bool allowDisabled, bool winOnly) {
  TWinControl* w = root;
  for (;;) {
    TPoint p = w->ScreenToClient(screen);
    TControl* c = w->ControlAtPos(p, allowDisabled, true);
    if (!c) return w;
    auto* cw = dynamic_cast<TWinControl*>(c);
    if (!cw) return winOnly ? w : c;
    w = cw;
  }
}

TWinControl* TopWindowAt(TPoint screen) {
  // The active form first, then the others from the newest.
  TScreen& scr = Screen();
  std::vector<TCustomForm*> order;
  if (scr.ActiveForm()) order.push_back(scr.ActiveForm());
  for (int i = scr.FormCount() - 1; i >= 0; --i)
    if (scr.Forms(i) != scr.ActiveForm()) order.push_back(scr.Forms(i));
  for (TCustomForm* f : order) {
    if (!f->Visible()) continue;
    TPoint p = f->ScreenToClient(screen);
    if (p.X >= 0 && p.Y >= 0 && p.X < f->ClientWidth() && p.Y < f->ClientHeight()) return f;
  }
  return nullptr;
}

}  // namespace

HWND WindowFromPoint(TPoint p) {
  TWinControl* top = TopWindowAt(p);
  if (!top) return nullptr;
  return static_cast<TWinControl*>(ControlAtScreen(top, p, true, true));
}

TControl* FindDragTarget(TPoint p, bool AllowDisabled) {
  TWinControl* top = TopWindowAt(p);
  if (!top) return nullptr;
  return ControlAtScreen(top, p, AllowDisabled, false);
}

int TSizeConstraints::ConstrainWidth(int w) const {
  if (FMaxWidth > 0 && w > FMaxWidth) w = FMaxWidth;
  if (w < FMinWidth) w = FMinWidth;
  return w;
}

int TSizeConstraints::ConstrainHeight(int h) const {
  if (FMaxHeight > 0 && h > FMaxHeight) h = FMaxHeight;
  if (h < FMinHeight) h = FMinHeight;
  return h;
}

// ---- TControl -------------------------------------------------------------------------------

TControl::TControl(TComponent* AOwner) : TComponent(AOwner) {
  FFont.OnChange = [this](TGraphicsObject*) {
    FParentFont = false;
    FontChanged();
  };
  FConstraints.OnChange = [this] { SetBounds(FLeft, FTop, FWidth, FHeight); };
}

TControl::~TControl() {
  FFont.OnChange = nullptr;
  if (gCaptureControl == this) gCaptureControl = nullptr;
  if (gMouseControl == this) gMouseControl = nullptr;
  FConstraints.OnChange = nullptr;
  ForgetDragControl(*this);
  if (Application) Application->CancelHintFor(this);
  if (FParent) FParent->RemoveControl(this);
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == FParent) return;
  if (FParent) FParent->RemoveControl(this);
  if (parent) parent->InsertControl(this);
}

void TControl::SetBounds(int left, int top, int width, int height) {
  if (FAutoSize && !FAutoSizing) {
    int w = width, h = height;
    FAutoSizing = true;
    bool fit = CanAutoSize(w, h);
    FAutoSizing = false;
    if (fit) {
      width = w;
      height = h;
    }
  }
  ApplyBounds(left, top, width, height);
  // Bounds set from outside the parent's layout are the new anchor distances.
  if (FParent && !FParent->FAligning) {
    UpdateAnchorRules();
    if (FAlign != alNone) FParent->AlignControls();
    else FParent->ControlBoundsChanged(this);
  }
}

void TControl::ApplyBounds(int left, int top, int width, int height) {
  width = FConstraints.ConstrainWidth(std::max(width, 0));
  height = FConstraints.ConstrainHeight(std::max(height, 0));
  if (left == FLeft && top == FTop && width == FWidth && height == FHeight) return;
  bool resized = width != FWidth || height != FHeight;
  if (FParent && FVisible) Invalidate();
  FLeft = left;
  FTop = top;
  FWidth = width;
  FHeight = height;
  if (FParent && FVisible) Invalidate();
  if (auto* w = dynamic_cast<TWinControl*>(this)) w->BoundsChanged(resized);
  if (resized) Resize();
}

void TControl::UpdateAnchorRules() {
  if (!FParent) {
    FAnchorsKnown = false;
    return;
  }
  TRect r = FParent->ClientRect();
  FAnchorRight = r.Width() - (FLeft + FWidth);
  FAnchorBottom = r.Height() - (FTop + FHeight);
  FAnchorsKnown = true;
}

void TControl::SetAnchors(TAnchors value) {
  FAnchors = value;
  UpdateAnchorRules();
}

bool TControl::CanAutoSize(int&, int&) { return false; }

void TControl::SetAutoSize(bool value) {
  if (value == FAutoSize) return;
  FAutoSize = value;
  if (value) AdjustSize();
}

void TControl::AdjustSize() {
  if (FAutoSize) SetBounds(FLeft, FTop, FWidth, FHeight);
}

void TControl::SetPopupMenu(TPopupMenu* value) {
  if (FPopupMenu == value) return;
  FPopupMenu = value;
  if (value) value->FreeNotification(this);
}

void TControl::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FPopupMenu) FPopupMenu = nullptr;
}

bool TControl::EffectiveShowHint() const {
  const TControl* c = this;
  while (c && c->FParentShowHint && c->FParent) c = c->FParent;
  if (c && c->FParentShowHint && !c->FParent) return Application ? Application->ShowHint() : false;
  return c && c->FShowHint;
}

void TControl::BeginDrag(bool Immediate, int Threshold) { StartDragOf(*this, Immediate, Threshold); }
void TControl::EndDrag(bool Drop) { EndDragOf(*this, Drop); }
bool TControl::Dragging() const { return DragControl() == this; }

void TControl::DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) {
  Accept = false;
  if (OnDragOver) {
    Accept = true;
    OnDragOver(this, Source, X, Y, State, Accept);
  }
}

void TControl::DragDrop(TObject* Source, int X, int Y) {
  if (OnDragDrop) OnDragDrop(this, Source, X, Y);
}

void TControl::DoStartDrag(TDragObject*& DragObject) {
  if (OnStartDrag) OnStartDrag(this, DragObject);
}

void TControl::DoEndDrag(TObject* Target, int X, int Y) {
  if (OnEndDrag) OnEndDrag(this, Target, X, Y);
}

void TControl::DoContextPopup(TPoint MousePos, bool& Handled) {
  if (OnContextPopup) OnContextPopup(this, MousePos, Handled);
  if (Handled) return;
  if (FPopupMenu && FPopupMenu->AutoPopup()) {
    TPoint screen = MousePos;
    if (screen.X == -1 && screen.Y == -1) screen = ClientToScreen({0, 0});
    FPopupMenu->SetPopupComponent(this);
    FPopupMenu->Popup(screen.X, screen.Y);
    Handled = true;
  }
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
  Perform(CM_VISIBLECHANGED, value ? 1 : 0);
  if (FParent && FAlign != alNone) FParent->AlignControls();
  else if (FParent) FParent->ControlBoundsChanged(this);
  if (FParent && FParent->AutoSize()) FParent->AdjustSize();
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
  Perform(CM_TEXTCHANGED);
  Invalidate();
  AdjustSize();
}

void TControl::AppendToText(const std::string& tail) {
  if (tail.empty()) return;
  FText += tail;
  Perform(CM_TEXTCHANGED);
  Invalidate();
  AdjustSize();
}

void TControl::SetCursor(TCursor value) {
  FCursor = value;
  Perform(CM_CURSORCHANGED);
}

void TControl::SetAlign(TAlign value) {
  if (value == FAlign) return;
  FAlign = value;
  if (FParent) FParent->AlignControls(this);
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

namespace {

UINT DoubleClickAsPress(UINT msg) {
  switch (msg) {
    case WM_LBUTTONDBLCLK: return WM_LBUTTONDOWN;
    case WM_RBUTTONDBLCLK: return WM_RBUTTONDOWN;
    case WM_MBUTTONDBLCLK: return WM_MBUTTONDOWN;
    default: return msg;
  }
}

}  // namespace

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
      if (DragMouseMessage(*this, message)) break;
      if (Application && message.Msg == WM_MOUSEMOVE) Application->HintMouseMessage(this, message);
      if (!HearsDoubleClicks()) message.Msg = DoubleClickAsPress(message.Msg);
      if (FEnabled) MouseMessage(message);
      if (FEnabled && message.Msg == WM_RBUTTONUP) {
        TPoint screen = ClientToScreen({GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)});
        Perform(WM_CONTEXTMENU, 0, MAKELPARAM(screen.X, screen.Y));
      }
      break;
    case WM_CONTEXTMENU: {
      bool handled = false;
      TPoint screen{GET_X_LPARAM(message.LParam), GET_Y_LPARAM(message.LParam)};
      TPoint local = (screen.X == -1 && screen.Y == -1) ? TPoint{-1, -1} : ScreenToClient(screen);
      DoContextPopup(local.X == -1 && local.Y == -1 ? local : screen, handled);
      if (handled) message.Result = 1;
      else if (FParent) message.Result = FParent->Perform(WM_CONTEXTMENU, message.WParam, message.LParam);
      break;
    }
    case CM_MOUSEENTER:
      if (Application) Application->HintMouseMessage(this, message);
      if (OnMouseEnter) OnMouseEnter(this);
      break;
    case CM_MOUSELEAVE:
      if (Application) Application->HintMouseMessage(this, message);
      if (OnMouseLeave) OnMouseLeave(this);
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
      if (Application) Application->CancelHint();
      if (win && button == mbLeft) win->SetCapture();
      if (button == mbLeft) FClicked = true;
      if (button == mbLeft && FDragMode == dmAutomatic) StartDragAt(*this, false, -1, ClientToScreen({x, y}));
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
  if (auto* w = dynamic_cast<TWinControl*>(this); w && w->HandleAllocated()) w->Handle()->BringToFront();
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
  FTabList.clear();
  if (gFocus == this) gFocus = nullptr;
  if (gCapture == this) gCapture = nullptr;
  StopMouseTracking(this);
  if (TCustomForm* form = GetParentForm(this); form && form != this && form->FActiveControl == this)
    form->FActiveControl = nullptr;
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
  // A control asked for its window while its window's are held makes only its own.
  if (FParent && FParent->FChildWindowsDeferred) FChildWindowsDeferred = true;
  FPeer->SetBounds(BoundsRect());
  FPeer->SetEnabled(Enabled());
  FPeer->SetCursor(Cursor());
  FPeer->SetVisible(Visible());
  // Children whose windows outlived this one's take the new one as their parent; the shown
  // others get their windows now, so the whole shown tree shows.  A hidden child gets its
  // window when it is shown (or asked for it): the pages of a notebook behind its first are
  // neither built nor laid out nor painted before they are needed.
  for (TControl* c : FControls)
    if (auto* w = dynamic_cast<TWinControl*>(c)) {
      if (w->FPeer) w->FPeer->SetParent(this);
      else if (w->Visible() && !FChildWindowsDeferred) w->CreateWnd();
    }
  for (int b = 0; b < 2; ++b)
    if (FScrollBars[b].Visible || FScrollBars[b].Flat) FPeer->ScrollBarChanged(b, FScrollBars[b]);
  DropTargetWindowCreated(*this);
}

void TWinControl::MakeChildWindows() {
  FChildWindowsDeferred = false;
  if (!FPeer) return;
  for (TControl* c : FControls)
    if (auto* w = dynamic_cast<TWinControl*>(c)) {
      if (!w->FPeer) {
        if (w->Visible()) w->CreateWnd();
      } else if (w->FChildWindowsDeferred) {
        w->MakeChildWindows();
      }
    }
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
  TControl::SetBounds(left, top, width, height);
}

void TWinControl::BoundsChanged(bool resized) {
  if (FPeer) FPeer->SetBounds(BoundsRect());
  if (resized) {
    Perform(WM_SIZE, 0, MAKELPARAM(FWidth, FHeight));
    AlignControls();
  }
}

void TWinControl::SetVisible(bool value) {
  TControl::SetVisible(value);
  if (FPeer) FPeer->SetVisible(value);
  else if (value && FParent && FParent->FPeer) {
    // Its window was left for when it shows: made now, under the siblings above it.
    CreateWnd();
    bool above = false;
    for (TControl* c : FParent->FControls) {
      above |= c == this;
      if (auto* w = dynamic_cast<TWinControl*>(c); above && w != this && w && w->FPeer) w->FPeer->BringToFront();
    }
  }
  if (!value && gFocus == this) gFocus = nullptr;
}

void TWinControl::SetEnabled(bool value) {
  TControl::SetEnabled(value);
  if (FPeer) FPeer->SetEnabled(value);
  // A disabled control hears nothing more of the mouse, not even the release of the button
  // held on it: it lets go of the mouse, so the next click reaches what it is meant for.
  if (!value && gCapture && ContainsControl(gCapture)) gCapture->ReleaseCapture();
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
  if (auto* w = dynamic_cast<TWinControl*>(control)) FTabList.push_back(w);
  if (control->FParentFont) control->SetParentFont(true);
  if (control->FParentColor) control->SetParentColor(true);
  control->UpdateAnchorRules();
  if (FPeer)
    if (auto* w = dynamic_cast<TWinControl*>(control); w && !w->FPeer && w->Visible()) w->CreateWnd();
  if (control->FAlign != alNone) AlignControls(control);
  control->Invalidate();
  Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(control), 1);
  if (AutoSize()) AdjustSize();
}

void TWinControl::RemoveControl(TControl* control) {
  control->Invalidate();
  FControls.erase(std::remove(FControls.begin(), FControls.end(), control), FControls.end());
  FTabList.erase(std::remove(FTabList.begin(), FTabList.end(), control), FTabList.end());
  if (gFocus && (gFocus == control || (dynamic_cast<TWinControl*>(control) &&
                                       static_cast<TWinControl*>(control)->ContainsControl(gFocus))))
    gFocus = nullptr;
  if (TCustomForm* form = GetParentForm(this); form && form->FActiveControl &&
      (form->FActiveControl == control ||
       (dynamic_cast<TWinControl*>(control) && static_cast<TWinControl*>(control)->ContainsControl(form->FActiveControl))))
    form->FActiveControl = nullptr;
  control->FParent = nullptr;
  if (gCaptureControl == control) gCaptureControl = nullptr;
  if (gMouseControl == control) gMouseControl = nullptr;
  if (control->FAlign != alNone) AlignControls();
  Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(control), 0);
  if (AutoSize()) AdjustSize();
}

namespace {

// Whether a goes before b among the controls of one alignment (by position, as laid out).
bool AlignsBefore(const TControl* a, const TControl* b, TAlign align) {
  switch (align) {
    case alTop: return a->Top() < b->Top();
    case alBottom: return a->Top() + a->Height() > b->Top() + b->Height();
    case alLeft: return a->Left() < b->Left();
    case alRight: return a->Left() + a->Width() > b->Left() + b->Width();
    default: return false;
  }
}

}  // namespace

void TWinControl::AlignControls(TControl* changed) {
  if (FAligning) return;
  FAligning = true;
  TRect r = ClientRect();
  AdjustClientRect(r);
  auto place = [&](TAlign align) {
    // The control being changed wins ties; the others keep their order by position.
    std::vector<TControl*> list;
    if (changed && changed->FAlign == align && changed->FVisible) list.push_back(changed);
    for (TControl* c : FControls) {
      if (c == changed || c->FAlign != align || !c->FVisible) continue;
      auto at = list.begin();
      while (at != list.end() && !AlignsBefore(c, *at, align)) ++at;
      list.insert(at, c);
    }
    for (TControl* c : list) {
      switch (align) {
        case alTop: c->ApplyBounds(r.Left, r.Top, r.Width(), c->FHeight); r.Top += c->FHeight; break;
        case alBottom: c->ApplyBounds(r.Left, r.Bottom - c->FHeight, r.Width(), c->FHeight); r.Bottom -= c->FHeight; break;
        case alLeft: c->ApplyBounds(r.Left, r.Top, c->FWidth, r.Height()); r.Left += c->FWidth; break;
        case alRight: c->ApplyBounds(r.Right - c->FWidth, r.Top, c->FWidth, r.Height()); r.Right -= c->FWidth; break;
        case alClient: c->ApplyBounds(r.Left, r.Top, std::max(r.Width(), 0), std::max(r.Height(), 0)); break;
        default: break;
      }
    }
  };
  place(alTop);
  place(alBottom);
  place(alLeft);
  place(alRight);
  place(alClient);
  // Anchored controls keep their distances to the right and bottom sides.
  TRect client = ClientRect();
  for (TControl* c : FControls) {
    if (c->FAlign != alNone || !c->FAnchorsKnown) continue;
    TAnchors a = c->FAnchors;
    int left = c->FLeft, top = c->FTop, width = c->FWidth, height = c->FHeight;
    if (a.Contains(akRight)) {
      if (a.Contains(akLeft)) width = client.Width() - c->FAnchorRight - left;
      else left = client.Width() - c->FAnchorRight - width;
    }
    if (a.Contains(akBottom)) {
      if (a.Contains(akTop)) height = client.Height() - c->FAnchorBottom - top;
      else top = client.Height() - c->FAnchorBottom - height;
    }
    c->ApplyBounds(left, top, width, height);
  }
  FAligning = false;
}

bool TWinControl::CanAutoSize(int& NewWidth, int& NewHeight) {
  // Fits the children that are shown, keeping the top-left margin the first one leaves.
  bool any = false;
  int right = 0, bottom = 0;
  for (TControl* c : FControls) {
    if (!c->FVisible || c->FAlign == alClient) continue;
    any = true;
    right = std::max(right, c->FLeft + c->FWidth);
    bottom = std::max(bottom, c->FTop + c->FHeight);
  }
  if (!any) return false;
  TRect client = ClientRect();
  NewWidth = right + (FWidth - client.Width());
  NewHeight = bottom + (FHeight - client.Height());
  return true;
}

int TWinControl::TabOrder() const {
  if (!FParent) return -1;
  const auto& list = FParent->FTabList;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(int value) {
  if (!FParent) return;
  auto& list = FParent->FTabList;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  int at = std::clamp(value, 0, static_cast<int>(list.size()));
  list.insert(list.begin() + at, this);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) const {
  for (TWinControl* c : FTabList) {
    list.push_back(c);
    c->GetTabOrderList(list);
  }
}

bool TWinControl::ContainsControl(const TControl* control) const {
  for (const TControl* c = control; c; c = c->FParent)
    if (c == this) return true;
  return false;
}

TWinControl* TWinControl::FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop,
                                          bool CheckParent) const {
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  if (list.empty()) return nullptr;
  int n = static_cast<int>(list.size());
  int start = -1;
  for (int i = 0; i < n; ++i)
    if (list[static_cast<std::size_t>(i)] == CurControl) start = i;
  if (start < 0) start = GoForward ? n - 1 : 0;
  int i = start;
  for (int step = 0; step < n; ++step) {
    i = GoForward ? (i + 1) % n : (i - 1 + n) % n;
    TWinControl* c = list[static_cast<std::size_t>(i)];
    if (c == CurControl && step != n - 1) continue;
    if (c->CanFocus() && (c->FTabStop || !CheckTabStop) && (!CheckParent || c->FParent == this)) return c;
  }
  return nullptr;
}

void TWinControl::SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop) {
  TWinControl* next = FindNextControl(CurControl, GoForward, CheckTabStop, !CheckTabStop);
  if (next) next->SetFocus();
}

TControl* TWinControl::ControlAtPos(TPoint p, bool AllowDisabled, bool AllowWinControls) const {
  for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
    TControl* c = *it;
    if (!c->FVisible || (!AllowDisabled && !c->FEnabled)) continue;
    if (!AllowWinControls && dynamic_cast<TWinControl*>(c)) continue;
    if (p.X >= c->FLeft && p.Y >= c->FTop && p.X < c->FLeft + c->FWidth && p.Y < c->FTop + c->FHeight) return c;
  }
  return nullptr;
}

void TWinControl::Broadcast(TMessage& message) {
  std::vector<TControl*> children = FControls;
  for (TControl* c : children) {
    c->WndProc(message);
    if (message.Result != 0) return;
  }
}

void TWinControl::PostMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  TEventLoop& loop = GetApplication().Loop();
  loop.PostMessage(this, msg, wParam, lParam);
}

void TWinControl::HandlePostedMessage(UINT Msg, WPARAM WParam, LPARAM LParam) {
  Perform(Msg, WParam, LParam);
}

TScrollBarState& TWinControl::ScrollBarState(int bar) { return FScrollBars[bar == 1 ? 1 : 0]; }

void TWinControl::ScrollBarChanged(int bar) {
  bool resized = false;
  // A bar shown or hidden changes the client area.
  TScrollBarState& s = ScrollBarState(bar);
  if (s.Visible != FBarShown[bar == 1 ? 1 : 0]) {
    FBarShown[bar == 1 ? 1 : 0] = s.Visible;
    resized = true;
  }
  if (FPeer) FPeer->ScrollBarChanged(bar, s);
  if (resized) AlignControls(nullptr);
}

TRect TWinControl::ClientRect() const {
  TRect r = Rect(0, 0, FWidth, FHeight);
  auto size = [](const TScrollBarState& s, int metric) { return s.Flat && s.Size > 0 ? s.Size : GetSystemMetrics(metric); };
  if (FScrollBars[1].Visible) r.Right = std::max(0, r.Right - size(FScrollBars[1], SM_CXVSCROLL));
  if (FScrollBars[0].Visible) r.Bottom = std::max(0, r.Bottom - size(FScrollBars[0], SM_CYHSCROLL));
  return r;
}

void TWinControl::ScrollBy(int dx, int dy) {
  if (dx == 0 && dy == 0) return;
  FAligning = true;
  for (TControl* c : FControls) c->ApplyBounds(c->FLeft + dx, c->FTop + dy, c->FWidth, c->FHeight);
  FAligning = false;
  if (FPeer) FPeer->Scroll(dx, dy, nullptr);
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
  if (TCustomForm* form = GetParentForm(this); form && form != this) {
    form->FActiveControl = this;
    if (!form->Active() && form->Visible() && Screen().ActiveForm() != form) {
      // The focus comes when the form is activated.
      return;
    }
  }
  if (gFocus == this) return;
  TWinControl* old = gFocus;
  gFocus = this;
  if (old) old->Perform(WM_KILLFOCUS);
  if (gFocus != this) return;  // the old control's handler moved the focus on
  Handle()->SetFocus();
  Perform(WM_SETFOCUS);
  if (Screen().OnActiveControlChange) Screen().OnActiveControlChange(&Screen());
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
  if (message.Msg == WM_MOUSEMOVE || message.Msg == CM_MOUSELEAVE) MouseTrackingMessage(*this, message.Msg, message.LParam);
  if (MouseToGraphicChild(message)) return;
  switch (message.Msg) {
    case WM_PAINT:
      if (message.WParam) PaintHandler(*reinterpret_cast<TPainter*>(message.WParam));
      return;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      WORD key = static_cast<WORD>(message.WParam);
      TShiftState shift = KeyboardShiftState();
      // Menu short cuts, then the keys of dialog navigation, then the form's preview and the
      // control's own handler.
      if (TCustomForm* form = GetParentForm(this); form && form->IsShortCut(key, shift)) {
        message.WParam = 0;
        message.Result = 1;
        return;
      }
      if (key == VK_ESCAPE && DragControl()) {
        CancelDrag();
        key = 0;
      } else if (DialogKey(key, shift) || DoKeyDown(key, shift)) {
        key = 0;
      }
      message.WParam = key;
      if (key == 0) message.Result = 1;
      return;
    }
    case WM_KEYUP:
    case WM_SYSKEYUP: {
      WORD key = static_cast<WORD>(message.WParam);
      TShiftState shift = KeyboardShiftState();
      TCustomForm* form = GetParentForm(this);
      if (form && form != this && form->KeyPreview()) form->KeyUp(key, shift);
      if (key) KeyUp(key, shift);
      message.WParam = key;
      return;
    }
    case WM_CHAR: {
      char32_t key = static_cast<char32_t>(message.WParam);
      DoKeyPress(key);
      message.WParam = key;
      if (key == 0) message.Result = 1;
      return;
    }
    case CM_DIALOGKEY:
    case CM_DIALOGCHAR:
      Broadcast(message);
      return;
    case WM_GETDLGCODE:
      // A control painted by our own code moves its own selection with the arrows.
      if (dynamic_cast<TCustomControl*>(this)) message.Result = DLGC_WANTARROWS;
      return;
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

bool TWinControl::DoKeyDown(WORD& Key, TShiftState Shift) {
  TCustomForm* form = GetParentForm(this);
  if (form && form != this && form->KeyPreview()) {
    form->KeyDown(Key, Shift);
    if (Key == 0) return true;
  }
  KeyDown(Key, Shift);
  return Key == 0;
}

bool TWinControl::DoKeyPress(char32_t& Key) {
  TCustomForm* form = GetParentForm(this);
  if (form && form != this && form->KeyPreview()) {
    form->KeyPress(Key);
    if (Key == 0) return true;
  }
  KeyPress(Key);
  return Key == 0;
}

bool TWinControl::DialogKey(WORD Key, TShiftState Shift) {
  UINT mask = 0;
  switch (Key) {
    case VK_TAB: mask = DLGC_WANTTAB; break;
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: mask = DLGC_WANTARROWS; break;
    case VK_RETURN: case VK_EXECUTE: case VK_ESCAPE: case VK_CANCEL: mask = DLGC_WANTALLKEYS; break;
    default: return false;
  }
  if (Perform(CM_WANTSPECIALKEY, Key) != 0) return false;
  if (static_cast<UINT>(Perform(WM_GETDLGCODE)) & mask) return false;
  TCustomForm* form = GetParentForm(this);
  if (!form) return false;
  return form->Perform(CM_DIALOGKEY, Key, static_cast<LPARAM>(ShiftStateToKeys(Shift))) != 0;
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
