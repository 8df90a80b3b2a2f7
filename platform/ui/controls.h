// The control framework: controls keep their state in their own fields; a window is a peer
// object that a backend makes when the window is first needed. Input and paint come back from
// the peer as messages, which the default WndProc turns into the virtual handlers.
#pragma once

#include <algorithm>
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
#include "platform/sys/event_loop.h"
#include "platform/ui/messages.h"

class TControl;
class TWinControl;
class TCustomForm;
class TPopupMenu;
class TDragObject;

// The state of one window scroll bar (SB_HORZ, SB_VERT); the Win32 calls in scroll_bars.h
// read and change it. Flat scroll bars add a look, a colour and a width.
struct TScrollBarState {
  int Min = 0;
  int Max = 100;
  unsigned Page = 0;
  int Pos = 0;
  int TrackPos = 0;
  bool Visible = false;
  int FlatStyle = 0;        // FSB_REGULAR_MODE 0, FSB_ENCARTA_MODE 1, FSB_FLAT_MODE 2
  bool Flat = false;        // FlatSB_ calls made this bar flat (InitializeFlatSB)
  TColor BkColor = clNone;  // WSB_PROP_VBKGCOLOR / HBKGCOLOR
  int Size = 0;             // WSB_PROP_CXVSCROLL / CYHSCROLL; 0 = the system's
};

// What a modal form or a message box ends with.
using TModalResult = int;
enum : TModalResult {
  mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6,
  mrNo = 7, mrAll = 8, mrNoToAll = 9, mrYesToAll = 10
};

enum TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateItem>;
enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
// Border styles; controls use bsNone and bsSingle, forms all of them.
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using TBorderStyle = TFormBorderStyle;
// The sides of its parent a control keeps its distance to when the parent is resized.
enum TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = TSet<TAnchorKind>;
enum TDragMode { dmManual, dmAutomatic };
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };

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
// In-program drag: Source is the control being dragged.
using TStartDragEvent = std::function<void(TObject* Sender, TDragObject*& DragObject)>;
using TDragOverEvent = std::function<void(TObject* Sender, TObject* Source, int X, int Y,
                                          TDragState State, bool& Accept)>;
using TDragDropEvent = std::function<void(TObject* Sender, TObject* Source, int X, int Y)>;
using TEndDragEvent = std::function<void(TObject* Sender, TObject* Target, int X, int Y)>;
using TContextPopupEvent = std::function<void(TObject* Sender, TPoint MousePos, bool& Handled)>;

// Minimum and maximum sizes of a control (0 = no limit); SetBounds keeps to them.
class TSizeConstraints {
public:
  int MinWidth() const { return FMinWidth; }
  int MinHeight() const { return FMinHeight; }
  int MaxWidth() const { return FMaxWidth; }
  int MaxHeight() const { return FMaxHeight; }
  void SetMinWidth(int v) { FMinWidth = std::max(v, 0); Changed(); }
  void SetMinHeight(int v) { FMinHeight = std::max(v, 0); Changed(); }
  void SetMaxWidth(int v) { FMaxWidth = std::max(v, 0); Changed(); }
  void SetMaxHeight(int v) { FMaxHeight = std::max(v, 0); Changed(); }
  // A width or height within the limits.
  int ConstrainWidth(int w) const;
  int ConstrainHeight(int h) const;
  std::function<void()> OnChange;

private:
  void Changed() { if (OnChange) OnChange(); }
  int FMinWidth = 0, FMinHeight = 0, FMaxWidth = 0, FMaxHeight = 0;
};

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
  // The window's scroll bar (SB_HORZ or SB_VERT) changed: range, page, position, visibility
  // and look (flat scroll bars).
  virtual void ScrollBarChanged(int /*bar*/, const TScrollBarState& /*state*/) {}
  // Moves the pixels of the client area (ScrollWindow); children are moved by the control.
  virtual void Scroll(int /*dx*/, int /*dy*/, const TRect* /*area*/) { Invalidate(nullptr); }
  // Raises the window above its siblings (or the top-level window above the others).
  virtual void BringToFront() {}
  // Cuts the window to a region of its own pixels (SetWindowRgn); null gives the whole
  // rectangle back.
  virtual void SetShape(const struct TRegion* /*region*/) {}
  // Screen point to the client point of this window (top-level windows may differ from the
  // sum of the parents' offsets).
  virtual TPoint ScreenToClient(TPoint p) const {
    TPoint o = ClientOrigin();
    return {p.X - o.X, p.Y - o.Y};
  }
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
  // akLeft + akTop by default; a control anchored right (or bottom) keeps its distance to that
  // side of its parent when the parent is resized, and anchored on both sides it stretches.
  TAnchors Anchors() const { return FAnchors; }
  void SetAnchors(TAnchors value);
  TSizeConstraints& Constraints() { return FConstraints; }
  // With AutoSize the control takes the size CanAutoSize gives.
  bool AutoSize() const { return FAutoSize; }
  virtual void SetAutoSize(bool value);
  // Re-applies AutoSize (after a change of caption, font or children).
  void AdjustSize();
  TPopupMenu* PopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TPopupMenu* value);
  LPARAM Tag() const { return FTag; }
  void SetTag(LPARAM value) { FTag = value; }
  // ShowHint with ParentShowHint resolved through the parents.
  bool EffectiveShowHint() const;

  // In-program drag.
  TDragMode DragMode() const { return FDragMode; }
  void SetDragMode(TDragMode value) { FDragMode = value; }
  TCursor DragCursor() const { return FDragCursor; }
  void SetDragCursor(TCursor value) { FDragCursor = value; }
  // Starts dragging this control: at once, or after the mouse moved Threshold pixels (-1: the
  // system's 5) with the button down.
  void BeginDrag(bool Immediate, int Threshold = -1);
  // Ends the drag; with Drop the target under the mouse gets OnDragDrop when it accepts.
  void EndDrag(bool Drop);
  bool Dragging() const;
  // Asks this control whether it accepts Source at X, Y (OnDragOver; false without a handler).
  virtual void DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept);
  virtual void DragDrop(TObject* Source, int X, int Y);

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
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;
  TStartDragEvent OnStartDrag;
  TDragOverEvent OnDragOver;
  TDragDropEvent OnDragDrop;
  TEndDragEvent OnEndDrag;
  TContextPopupEvent OnContextPopup;

  // The drag machinery calls these (OnStartDrag, OnEndDrag).
  void DoStartDragPublic(TDragObject*& DragObject) { DoStartDrag(DragObject); }
  void DoEndDragPublic(TObject* Target, int X, int Y) { DoEndDrag(Target, X, Y); }

  // The size AutoSize gives; false keeps the size. The default keeps it for a control without
  // children; a windowed control fits its children (see TWinControl).
  virtual bool CanAutoSize(int& NewWidth, int& NewHeight);

protected:
  // Adds to the end of the text, as SetText with the longer text would, copying only `tail`.
  void AppendToText(const std::string& tail);
  virtual void Click();
  virtual void DblClick();
  // Whether the second press of a double click is a double click (OnDblClick, and its release is
  // no click) or one more press: a button that steps through something (a tool button, a speed
  // button) clicks on each press, so two quick clicks are two clicks.
  virtual bool HearsDoubleClicks() const { return true; }
  virtual void Resize();
  virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void MouseMove(TShiftState Shift, int X, int Y);
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void Changed() {}
  virtual void FontChanged();
  virtual void ColorChanged();
  virtual void EnabledChanged();
  virtual void DoStartDrag(TDragObject*& DragObject);
  virtual void DoEndDrag(TObject* Target, int X, int Y);
  // WM_CONTEXTMENU: OnContextPopup, then the PopupMenu at the screen point.
  virtual void DoContextPopup(TPoint MousePos, bool& Handled);
  void MouseMessage(TMessage& message);
  // Called by SetBounds of the parent's layout: the bounds the control is given, not yet
  // limited by its constraints.
  void ApplyBounds(int left, int top, int width, int height);
  void Notification(TComponent* AComponent, TOperation Operation) override;

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
  TAnchors FAnchors{akLeft, akTop};
  TSizeConstraints FConstraints;
  bool FAutoSize = false;
  bool FAutoSizing = false;
  TPopupMenu* FPopupMenu = nullptr;
  LPARAM FTag = 0;
  bool FClicked = false;
  TDragMode FDragMode = dmManual;
  TCursor FDragCursor = crDrag;
  // Distances kept by the anchors: the right and bottom gaps to the parent's client area, and
  // the parent's client size they were taken at.
  int FAnchorRight = 0, FAnchorBottom = 0;
  bool FAnchorsKnown = false;

  void UpdateAnchorRules();
  friend class TWinControl;
};

// ---- TWinControl --------------------------------------------------------------------------
class TWinControl : public TControl, public TMessageTarget {
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
  // Until MakeChildWindows(), this control's window is made without its children's (each child
  // asked for its window makes it): a window that shows before it paints (the record window,
  // under the login window that opens over it) makes them once the other window has painted.
  void DeferChildWindows() { FChildWindowsDeferred = true; }
  void MakeChildWindows();

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
  // The position among the windowed children of the parent in Tab order (-1 without a parent);
  // setting it moves the control there (clamped to the list).
  int TabOrder() const;
  void SetTabOrder(int value);
  // The windowed descendants in Tab order, depth first.
  void GetTabOrderList(std::vector<TWinControl*>& list) const;
  // The next (or previous) descendant after CurControl that can take the focus; with
  // CheckTabStop only TabStop controls, with CheckParent only children of this control.
  TWinControl* FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop,
                               bool CheckParent) const;
  // Moves the focus to that control.
  void SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop);
  // True when this control or one of its descendants holds the focus.
  bool ContainsControl(const TControl* control) const;
  // The child (windowed or not) at a client point, topmost first; null when none.
  TControl* ControlAtPos(TPoint p, bool AllowDisabled = false, bool AllowWinControls = true) const;
  // Sends a message to every child until one answers non-zero.
  void Broadcast(TMessage& message);

  // Posts a message to this control: it arrives through the loop (dropped if freed first).
  void PostMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
  void HandlePostedMessage(UINT Msg, WPARAM WParam, LPARAM LParam) override;

  // Window scroll bars (SB_HORZ / SB_VERT); see scroll_bars.h for the Win32 calls.
  TScrollBarState& ScrollBarState(int bar);
  // Tells the peer the bar changed.
  void ScrollBarChanged(int bar);
  // Moves the children and the client pixels by dx, dy (ScrollWindow).
  void ScrollBy(int dx, int dy);

  void SetCapture();
  void ReleaseCapture();
  bool MouseCapture() const { return FPeer && FPeer->HasCapture(); }
  bool SetTimer(UINT id, UINT ms);
  bool KillTimer(UINT id);

  void WndProc(TMessage& message) override;
  // The window less the scroll bars that are shown.
  TRect ClientRect() const override;
  bool CanAutoSize(int& NewWidth, int& NewHeight) override;
  // Lays out the children that have an Align or anchors to the right or bottom.
  void Realign() { AlignControls(nullptr); }
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
  // The form's preview (KeyPreview) and this control's handler; true when the key was eaten.
  bool DoKeyDown(WORD& Key, TShiftState Shift);
  bool DoKeyPress(char32_t& Key);
  // Tab, arrows, Enter and Escape that the control does not want go to its form as
  // CM_DIALOGKEY; true when the form used it.
  bool DialogKey(WORD Key, TShiftState Shift);
  virtual void AlignControls(TControl* changed = nullptr);
  // A child that no alignment places was moved, sized, shown or hidden by the program.
  virtual void ControlBoundsChanged(TControl*) {}
  // The bounds changed (the peer follows, WM_SIZE and the layout of the children on a resize).
  virtual void BoundsChanged(bool resized);

private:
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);

  std::unique_ptr<TWindowPeer> FPeer;
  std::vector<TControl*> FControls;
  std::vector<TWinControl*> FTabList;
  TScrollBarState FScrollBars[2];
  bool FBarShown[2] = {false, false};
  bool FTabStop = false;
  bool FChildWindowsDeferred = false;
  bool FAligning = false;

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
HWND SetFocus(HWND control);
HWND SetCapture(HWND control);
bool ReleaseCapture();
// Queues a message for the control; false when there is no control.
bool PostMessage(HWND control, UINT msg, WPARAM w, LPARAM l);
// The windowed control under a screen point (the topmost shown one), or null.
HWND WindowFromPoint(TPoint p);
// The control (windowed or not) under a screen point, for drag targets.
TControl* FindDragTarget(TPoint p, bool AllowDisabled);
// The form a control sits on (the control itself for a form); null when none.
TCustomForm* GetParentForm(const TControl* control);
