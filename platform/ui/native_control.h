// The standard controls' native peers: what a control pushes into its peer, and the base class
// that keeps every standard control's state in fields. A backend that shows a control natively
// registers a peer maker for its window class whose peer implements one of these interfaces;
// the peer reports what the user did by calling the control's Peer... methods, and the control
// fires its own events from the change of its state. Without such a peer (the headless
// backend) a control works from its fields alone. Byte offsets are UTF-8 offsets.
#pragma once

#include <string>
#include <vector>

#include "platform/gfx/enum_set.h"
#include "platform/ui/common_controls.h"
#include "platform/ui/controls.h"
#include "platform/ui/std_control_messages.h"

class TWinControl;
using TDrawItemEvent = std::function<void(TWinControl* Control, int Index, TRect Rect, TOwnerDrawState State)>;
using TMeasureItemEvent = std::function<void(TWinControl* Control, int Index, int& Height)>;

// What every native peer shows besides geometry. A backend's peer is a TWindowPeer that also
// implements one of these.
class TNativePeer {
public:
  virtual ~TNativePeer() = default;
  virtual void SetFont(const TFont& font) = 0;
  virtual void SetColor(TColor color) = 0;
  // The caption of buttons and group frames; the text of edits goes through SetEditText.
  virtual void SetCaption(const std::string&) {}
};

// Single- and multi-line edits (and the edit part of spin edits and combo boxes).
class TEditPeer : public TNativePeer {
public:
  virtual void SetEditText(const std::string& text) = 0;
  // The text grew at its end: the bytes from `from` on are new.
  virtual void AppendEditText(const std::string& text, std::size_t /*from*/) { SetEditText(text); }
  // The selection runs from the anchor to the caret.
  virtual void SetSelection(int anchor, int caret) = 0;
  virtual void SetReadOnly(bool readOnly) = 0;
  virtual void SetPasswordChar(char32_t passwordChar) = 0;
  virtual void SetAlignment(TAlignment alignment) = 0;
  // The formatting rectangle in client coordinates.
  virtual void SetFormatRect(const TRect& r) = 0;
  // The byte offset nearest to a client point; -1 when the peer cannot tell.
  virtual int CharFromPos(TPoint) const { return -1; }
  // Multi-line edits: wrapping and scroll bars (0 none, 1 horizontal, 2 vertical, 3 both).
  virtual void SetWordWrap(bool) {}
  virtual void SetScrollBars(int) {}
};

// List boxes.
class TListPeer : public TNativePeer {
public:
  virtual void SetItems(const std::vector<std::string>& items) = 0;
  // Items put in before `index` (at the end when it is the count), and items taken out.
  virtual void InsertItems(int index, const std::vector<std::string>& items) = 0;
  virtual void DeleteItems(int index, int count) = 0;
  virtual void SetItemIndex(int index) = 0;
  virtual void SetMultiSelect(bool multiSelect) = 0;
  virtual void SetSelected(const std::vector<bool>& selected) = 0;
  // Owner draw with a fixed item height (variable heights come from MeasureItem).
  virtual void SetOwnerDraw(bool ownerDraw, int itemHeight) = 0;
  virtual void SetTopIndex(int index) = 0;
  virtual int TopIndex() const = 0;
  // The item under a client point; -1 when none.
  virtual int ItemAtPos(TPoint p) const = 0;
  virtual TRect ItemRect(int index) const = 0;
};

// Combo boxes.
class TComboPeer : public TNativePeer {
public:
  virtual void SetItems(const std::vector<std::string>& items) = 0;
  virtual void InsertItems(int index, const std::vector<std::string>& items) = 0;
  virtual void DeleteItems(int index, int count) = 0;
  virtual void SetItemIndex(int index) = 0;
  virtual void SetEditText(const std::string& text) = 0;
  // The selection runs from the anchor to the caret.
  virtual void SetSelection(int anchor, int caret) = 0;
  // Style: 0 drop-down, 1 simple, 2 drop-down list, 3/4 owner-drawn lists.
  virtual void SetStyle(int style, int itemHeight) = 0;
  virtual void SetDropDownCount(int count) = 0;
  virtual void SetDroppedWidth(int width) = 0;
  virtual void SetDroppedDown(bool dropped) = 0;
};

// Push buttons, check boxes and radio buttons.
class TButtonPeer : public TNativePeer {
public:
  // 0 unchecked, 1 checked, 2 grayed.
  virtual void SetCheckState(int state) = 0;
  virtual void SetDefault(bool) {}
};

// Spin edits: an edit with a range of whole numbers.
class TSpinPeer : public TEditPeer {
public:
  virtual void SetRange(int minValue, int maxValue, int increment) = 0;
};

// Date and time pickers.
class TDatePickerPeer : public TNativePeer {
public:
  // kind 0 date, 1 time; calendar = the drop-down calendar; format in our date format letters.
  virtual void SetKind(int kind, bool calendar, const std::string& format) = 0;
  virtual void SetDateTime(double value) = 0;
  virtual void SetShowCheckbox(bool show, bool checked) = 0;
};

// A windowed standard control: its peer, made when needed, is pushed to from fields; a control
// with a native peer leaves mouse clicks to the peer, which reports them, unless the peer is one
// that reports none (an edit: there the click is the left button released inside).
class TNativeControl : public TWinControl {
public:
  explicit TNativeControl(TComponent* AOwner);

  // The native peer of the control when its window exists and is native; else null.
  template <class P>
  P* NativePeer() const {
    return HandleAllocated() ? dynamic_cast<P*>(const_cast<TNativeControl*>(this)->Handle()) : nullptr;
  }
  bool HasNativePeer() const { return NativePeer<TNativePeer>() != nullptr; }

  void WndProc(TMessage& message) override;
  TCanvas& Canvas() { return FCanvas; }

  // Owner draw from a peer: the item is drawn through Canvas on `painter`, whose device (0, 0)
  // lies at `deviceOrigin` of the control's client area.
  void PeerDrawItem(int index, TPainter& painter, const TRect& rect, TOwnerDrawState state,
                    TPoint deviceOrigin = {0, 0});
  // The height of an item of variable height.
  virtual int MeasureItem(int) { return 0; }

protected:
  void CreateWnd() override;
  // Pushes the whole state into a freshly made peer.
  virtual void PushState() {}
  void FontChanged() override;
  void ColorChanged() override;
  // The window's own area shows the control's colour (around and behind a native widget).
  void PaintHandler(TPainter& painter) override;
  // The user's click without a native peer, or with one that reports none: the left button went
  // up inside after going down inside. The default fires OnClick.
  virtual void UserClick() { Click(); }
  // Whether the native peer reports the user's clicks itself (buttons, boxes, lists do).
  virtual bool PeerReportsClicks() const { return true; }
  // Draws one item of an owner-drawn list on Canvas.
  virtual void DrawItem(int, const TRect&, TOwnerDrawState) {}
  bool MouseIsDown() const { return FPressed; }
  // A refused key or action: counted, and the backend beeps.
  void Refuse();

public:
  // Refusals since the program started (tests compare before and after).
  static int RefusedCount();

protected:

  TCanvas FCanvas;  // for owner draw and measuring

private:
  bool FPressed = false;
};
