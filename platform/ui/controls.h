// The control framework: controls keep their state in their own fields; a window is a peer
// object that a backend makes when the window is first needed. Input and paint come back from
// the peer as messages, which the default WndProc turns into the virtual handlers.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/bitmap.h"
#include "platform/gfx/image_list.h"
#include "platform/gfx/enum_set.h"
#include "platform/gfx/graphics.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/win_types.h"
#include "platform/ui/messages.h"

class TControl;
class TWinControl;

enum TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateItem>;
enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
enum TBorderStyle { bsNone, bsSingle };

using TCursor = int;
enum : TCursor {
  crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4, crSize = -22,
  crSizeNESW = -6, crSizeNS = -7, crSizeNWSE = -8, crSizeWE = -9, crUpArrow = -10,
  crHourGlass = -11, crDrag = -12, crNoDrop = -13, crHSplit = -14, crVSplit = -15,
  crMultiDrag = -16, crSQLWait = -17, crNo = -18, crAppStart = -19, crHelp = -20,
  crHandPoint = -21, crSizeAll = -22
};

using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = std::function<void(TObject* Sender, WORD& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char32_t& Key)>;
using TMouseWheelEvent = std::function<void(TObject* Sender, TShiftState Shift, int WheelDelta,
                                            TPoint MousePos, bool& Handled)>;

// Shift state from the MK_ flags of a mouse message, and from the keyboard's modifiers.
TShiftState KeysToShiftState(UINT keys);
UINT ShiftStateToKeys(TShiftState shift);
// The keyboard's modifier keys as the backend last reported them (ssShift, ssCtrl, ssAlt).
TShiftState KeyboardShiftState();
void SetKeyboardShiftState(TShiftState shift);
// Negative when the key (VK_SHIFT, VK_CONTROL, VK_MENU) is down.
SHORT GetKeyState(int virtualKey);

// ---- The peer a backend supplies for a windowed control ---------------------------------
class TWindowPeer {
public:
  virtual ~TWindowPeer() = default;
  // Geometry relative to the parent's client area.
  virtual void SetBounds(const TRect& bounds) = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual void SetEnabled(bool) {}
  virtual void SetParent(TWinControl*) {}
  // Marks a client rectangle (all when null) for painting; Update paints what is marked now.
  virtual void Invalidate(const TRect* r) = 0;
  virtual void Update() = 0;
  virtual void SetFocus() = 0;
  virtual bool Focused() const = 0;
  virtual void SetCapture(bool capture) = 0;
  virtual bool HasCapture() const = 0;
  virtual void SetCursor(TCursor) {}
  // WM_TIMER with `id` every `ms` milliseconds while the loop runs.
  virtual bool SetTimer(UINT id, UINT ms) = 0;
  virtual bool KillTimer(UINT id) = 0;
  virtual TPoint ClientOrigin() const = 0;  // screen position of the client's top left
  // A painter for drawing on the window outside WM_PAINT; nullptr when it cannot.
  virtual TPainter* BeginDraw() { return nullptr; }
  virtual void EndDraw() {}
};

using TWindowPeerFactory = std::function<std::unique_ptr<TWindowPeer>(TWinControl& control)>;
// Installs the backend's peer maker; without one a control gets a null peer that keeps
// nothing of its own and paints into a scratch bitmap.
void SetWindowPeerFactory(TWindowPeerFactory factory);
// Makers for controls with a window class of their own (TWinControl::WindowClass: "EDIT",
// "BUTTON", "COMBOBOX", a form's "TForm", ...). A backend registers one per class it shows
// natively; a control whose class has no maker gets the peer of SetWindowPeerFactory.
void RegisterWindowClass(const std::string& className, TWindowPeerFactory factory);
// Forgets every class maker (a backend being replaced, tests).
void ClearWindowClasses();

// ---- TControl -----------------------------------------------------------------------------
class TControl : public TComponent {
public:
  explicit TControl(TComponent* AOwner);
  ~TControl() override;

  TWinControl* Parent() const { return FParent; }
  virtual void SetParent(TWinControl* parent);

  int Left() const { return FLeft; }
  int Top() const { return FTop; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  void SetLeft(int v) { SetBounds(v, FTop, FWidth, FHeight); }
  void SetTop(int v) { SetBounds(FLeft, v, FWidth, FHeight); }
  void SetWidth(int v) { SetBounds(FLeft, FTop, v, FHeight); }
  void SetHeight(int v) { SetBounds(FLeft, FTop, FWidth, v); }
  virtual void SetBounds(int left, int top, int width, int height);
  TRect BoundsRect() const { return Bounds(FLeft, FTop, FWidth, FHeight); }
  virtual TRect ClientRect() const { return Rect(0, 0, FWidth, FHeight); }
  int ClientWidth() const { return ClientRect().Width(); }
  int ClientHeight() const { return ClientRect().Height(); }
  TPoint ClientToScreen(TPoint p) const;
  TPoint ScreenToClient(TPoint p) const;

  bool Visible() const { return FVisible; }
  virtual void SetVisible(bool value);
  // Visible with every parent visible.
  bool Showing() const;
  bool Enabled() const { return FEnabled; }
  virtual void SetEnabled(bool value);
  TColor Color() const { return FColor; }
  void SetColor(TColor value);
  bool ParentColor() const { return FParentColor; }
  void SetParentColor(bool value);
  TFont& Font() { return FFont; }
  const TFont& Font() const { return FFont; }
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool value);
  const std::string& Caption() const { return FText; }
  void SetCaption(const std::string& value) { SetText(value); }
  const std::string& Text() const { return FText; }
  virtual void SetText(const std::string& value);
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& value) { FHint = value; }
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool value) { FShowHint = value; FParentShowHint = false; }
  bool ParentShowHint() const { return FParentShowHint; }
  void SetParentShowHint(bool value) { FParentShowHint = value; }
  TCursor Cursor() const { return FCursor; }
  virtual void SetCursor(TCursor value);
  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign value);
  LPARAM Tag() const { return FTag; }
  void SetTag(LPARAM value) { FTag = value; }

  // Painting.
  virtual void Invalidate();
  virtual void Update();
  virtual void Repaint();
  void Refresh() { Repaint(); }

  // Messages: Perform runs WndProc synchronously.
  LRESULT Perform(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
  virtual void WndProc(TMessage& message);

  void BringToFront();
  void SendToBack();

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TNotifyEvent OnResize;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;

protected:
  virtual void Click();
  virtual void DblClick();
  virtual void Resize();
  virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void MouseMove(TShiftState Shift, int X, int Y);
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void Changed() {}
  virtual void FontChanged();
  virtual void ColorChanged();
  virtual void EnabledChanged();
  void MouseMessage(TMessage& message);

  TWinControl* FParent = nullptr;
  int FLeft = 0;
  int FTop = 0;
  int FWidth = 0;
  int FHeight = 0;

private:
  bool FVisible = true;
  bool FEnabled = true;
  TColor FColor = clWindow;
  bool FParentColor = false;
  TFont FFont;
  bool FParentFont = true;
  std::string FText;
  std::string FHint;
  bool FShowHint = false;
  bool FParentShowHint = true;
  TCursor FCursor = crDefault;
  TAlign FAlign = alNone;
  LPARAM FTag = 0;
  bool FClicked = false;

  friend class TWinControl;
};

// ---- TWinControl --------------------------------------------------------------------------
class TWinControl : public TControl {
public:
  explicit TWinControl(TComponent* AOwner);
  ~TWinControl() override;

  // The peer, made when first needed.
  TWindowPeer* Handle();
  // The window class that picks the backend's peer; empty for a control painted by our own
  // code (the generic peer of the backend).
  virtual std::string WindowClass() const { return {}; }
  bool HandleAllocated() const { return FPeer != nullptr; }
  void HandleNeeded() { Handle(); }
  void RecreateWnd();

  void SetBounds(int left, int top, int width, int height) override;
  void SetVisible(bool value) override;
  void SetEnabled(bool value) override;
  void SetParent(TWinControl* parent) override;
  void SetCursor(TCursor value) override;

  int ControlCount() const { return static_cast<int>(FControls.size()); }
  TControl* Controls(int index) const { return FControls.at(static_cast<std::size_t>(index)); }

  void Invalidate() override;
  void InvalidateRect(const TRect& r, bool erase = false);
  void Update() override;
  void Repaint() override;

  bool CanFocus() const;
  virtual void SetFocus();
  bool Focused() const;
  bool TabStop() const { return FTabStop; }
  void SetTabStop(bool value) { FTabStop = value; }
  int TabOrder() const { return FTabOrder; }
  void SetTabOrder(int value) { FTabOrder = value; }

  void SetCapture();
  void ReleaseCapture();
  bool MouseCapture() const { return FPeer && FPeer->HasCapture(); }
  bool SetTimer(UINT id, UINT ms);
  bool KillTimer(UINT id);

  void WndProc(TMessage& message) override;
  // Lays out the aligned children again.
  void Realign() { AlignControls(); }
  // The part of the client area aligned children share (a panel leaves out its frame).
  virtual void AdjustClientRect(TRect& /*rect*/) const {}

  // Called by a peer: runs WM_PAINT with `painter` drawing the window's client area.
  void PaintWindow(TPainter& painter);
  // Ends drawing outside a paint, so the peer may drop the painter it gave out.
  virtual void FreeCanvasHandle() {}

  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TKeyPressEvent OnKeyPress;
  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  TMouseWheelEvent OnMouseWheel;

protected:
  virtual void CreateWnd();
  virtual void DestroyWnd();
  virtual void PaintHandler(TPainter& painter);
  virtual void KeyDown(WORD& Key, TShiftState Shift);
  virtual void KeyUp(WORD& Key, TShiftState Shift);
  virtual void KeyPress(char32_t& Key);
  virtual void DoEnter();
  virtual void DoExit();
  virtual bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos);
  virtual bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos);
  virtual bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos);
  void DestroyHandle();
  // Mouse messages over a child without a window go to that child (and, while a button is
  // down, to the child it went down on); true when a child took the message.
  bool MouseToGraphicChild(TMessage& message);

private:
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);
  void AlignControls();

  std::unique_ptr<TWindowPeer> FPeer;
  std::vector<TControl*> FControls;
  bool FTabStop = false;
  int FTabOrder = -1;

  friend class TControl;
};

// ---- A canvas on a control ----------------------------------------------------------------
class TControlCanvas : public TCanvas {
public:
  explicit TControlCanvas(TWinControl& control) : FControl(control) {}
  ~TControlCanvas() override;
  // Ends drawing outside a paint.
  void FreeHandle();

protected:
  void CreateHandle() override;

private:
  TWinControl& FControl;
  bool FFromPeer = false;
};

// A windowed control that paints itself.
class TCustomControl : public TWinControl {
public:
  explicit TCustomControl(TComponent* AOwner);
  ~TCustomControl() override;
  TCanvas& Canvas() { return *FCanvas; }
  void FreeCanvasHandle() override { FCanvas->FreeHandle(); }

protected:
  virtual void Paint() {}
  void PaintHandler(TPainter& painter) override;

private:
  std::unique_ptr<TControlCanvas> FCanvas;
};

// A control without a window, painted by its parent's paint.
class TGraphicControl : public TControl {
public:
  explicit TGraphicControl(TComponent* AOwner);
  ~TGraphicControl() override;
  TCanvas& Canvas() { return FCanvas; }
  void Invalidate() override;
  // Draws into `painter` (the parent's), shifted to the control's position.
  void PaintOnParent(TPainter& painter);

protected:
  virtual void Paint() {}

private:
  TCanvas FCanvas;
};

// Free functions of the Win32 style over controls.
inline LRESULT SendMessage(TControl* control, UINT msg, WPARAM w, LPARAM l) {
  return control ? control->Perform(msg, w, l) : 0;
}
TWinControl* GetCapture();
TWinControl* GetFocus();
