// What the painted common controls (list view, header, tree view, tab control) share: the
// notification header and codes, owner-draw records, and the way a control tells its parent.
//
// A control tells its parent with WM_NOTIFY (or WM_DRAWITEM / WM_MEASUREITEM); the parent hands
// the message back to the control as CN_NOTIFY (CN_DRAWITEM, CN_MEASUREITEM), where the control
// answers it itself. A parent may look at WM_NOTIFY first: the list view watches its header so.
#pragma once

#include <functional>
#include <string>

#include "platform/gfx/enum_set.h"
#include "platform/gfx/graphics.h"
#include "platform/ui/controls.h"

// ---- Until messages.h and controls.h carry them: owner drawing, notifications, drag ----
// (the same names, numbers and layouts as there; delete these when they arrive).
enum : UINT {
  WM_DRAWITEM = 0x002B,
  WM_MEASUREITEM = 0x002C,
  CN_DRAWITEM = CN_BASE + WM_DRAWITEM,
  CN_MEASUREITEM = CN_BASE + WM_MEASUREITEM
};

// Every notification starts with this header.
struct NMHDR {
  TWinControl* hwndFrom = nullptr;
  std::uintptr_t idFrom = 0;
  UINT code = 0;
};

// Notification codes every common control sends.
enum : UINT {
  NM_FIRST = 0, NM_CLICK = static_cast<UINT>(-2), NM_DBLCLK = static_cast<UINT>(-3),
  NM_RETURN = static_cast<UINT>(-4), NM_RCLICK = static_cast<UINT>(-5),
  NM_RDBLCLK = static_cast<UINT>(-6), NM_SETFOCUS = static_cast<UINT>(-7),
  NM_KILLFOCUS = static_cast<UINT>(-8), NM_CUSTOMDRAW = static_cast<UINT>(-12),
  NM_HOVER = static_cast<UINT>(-13)
};

struct DRAWITEMSTRUCT {
  UINT CtlType = 0;
  UINT CtlID = 0;
  UINT itemID = 0;
  UINT itemAction = 0;
  UINT itemState = 0;
  TWinControl* hwndItem = nullptr;
  TCanvas* hDC = nullptr;  // the canvas to draw on, in the control's client coordinates
  TRect rcItem;
  std::uintptr_t itemData = 0;
};

struct MEASUREITEMSTRUCT {
  UINT CtlType = 0;
  UINT CtlID = 0;
  UINT itemID = 0;
  UINT itemWidth = 0;
  UINT itemHeight = 0;
  std::uintptr_t itemData = 0;
};

enum : UINT {
  ODT_MENU = 1, ODT_LISTBOX = 2, ODT_COMBOBOX = 3, ODT_BUTTON = 4, ODT_STATIC = 5,
  ODT_HEADER = 100, ODT_TAB = 101, ODT_LISTVIEW = 102,
  ODA_DRAWENTIRE = 1, ODA_SELECT = 2, ODA_FOCUS = 4,
  ODS_SELECTED = 0x1, ODS_GRAYED = 0x2, ODS_DISABLED = 0x4, ODS_CHECKED = 0x8, ODS_FOCUS = 0x10
};

// (TDragMode, TDragState and the drag events come with the control framework, controls.h.)

// ---- The common controls' own ----
enum : UINT { ODS_DEFAULT = 0x20, ODS_HOTLIGHT = 0x40, ODS_INACTIVE = 0x80 };

// The class library's owner-draw state.
enum TOwnerDrawStateItem { odSelected, odGrayed, odDisabled, odChecked, odFocused, odDefault,
                           odHotLight, odInactive };
using TOwnerDrawState = TSet<TOwnerDrawStateItem>;
TOwnerDrawState OwnerDrawState(UINT itemState);
UINT OwnerDrawItemState(TOwnerDrawState state);

// Colours of the common controls: "no colour" (draw no background) and "the default".
inline constexpr TColor CLR_NONE = static_cast<TColor>(0xFFFFFFFF);
inline constexpr TColor CLR_DEFAULT = static_cast<TColor>(0xFF000000);

// How a list view or a tree view keeps its items sorted.
enum TSortType { stNone, stData, stText, stBoth };

// Sends Message (WM_NOTIFY, WM_DRAWITEM, WM_MEASUREITEM) about From to its parent. The parent
// reflects it to From as CN_BASE + Message; when the parent neither reflects it nor answers it
// (a non-zero result), this call hands it to From itself. Returns the answer.
LRESULT NotifyParent(TWinControl& From, UINT Message, WPARAM WParam, LPARAM LParam);
// WM_NOTIFY with Header, whose hwndFrom and idFrom are filled in here.
LRESULT SendNotify(TWinControl& From, NMHDR& Header);
// Called by a control when a reflected message arrives, so NotifyParent knows it was delivered.
void NoteReflected(const TMessage& Message);
// True for a CN_ message that a parent reflects back to its sender; parents that reflect call
// this before they pass WM_NOTIFY on.
bool IsReflectedMessage(UINT Msg);

// Text of a fixed buffer of a Win32 record: copies at most Size - 1 bytes and a NUL.
void CopyToBuffer(const std::string& Text, char* Buffer, int Size);

// A small in-place text editor painted by our own code (label edits of the list view, the
// header's filter edits): the keys it needs, and commit on Enter or leaving, cancel on Escape.
class TInplaceTextEdit : public TCustomControl {
public:
  explicit TInplaceTextEdit(TComponent* AOwner);

  void SetText(const std::string& value) override;
  int SelStart() const { return FCaret; }
  void SetSelStart(int value);
  void SelectAll();
  int MaxLength() const { return FMaxLength; }
  void SetMaxLength(int value) { FMaxLength = value; }

  // Called with true when the text is accepted (Enter, focus lost), false when dropped (Escape).
  std::function<void(TInplaceTextEdit* Sender, bool Accept)> OnDone;
  // Called after every change of the text by typing.
  TNotifyEvent OnChange;
  // Called with every new place of the edit (client coordinates of its parent), which the
  // handler may change: a list view's owner keeps the edit on a cell so.
  std::function<void(TInplaceTextEdit* Sender, TRect& Bounds)> OnPlacing;

  void SetBounds(int left, int top, int width, int height) override;

protected:
  void Paint() override;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void DoExit() override;

private:
  void Finish(bool accept);
  int FCaret = 0;
  int FSelAnchor = 0;
  int FMaxLength = 0;
  bool FFinishing = false;
};
