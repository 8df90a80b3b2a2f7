// The tab control, painted by our own code: tabs with texts, images and a parameter each, the
// window styles of the common tab control (buttons, flat buttons, hot tracking, bottom, vertical,
// right, multi-line, fixed width, owner draw), and its messages, answered both as messages and
// as methods. A change of the selected tab by the user asks the parent first (TCN_SELCHANGING,
// which may veto) and tells it after (TCN_SELCHANGE).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/bitmap.h"
#include "platform/rtl/string_list.h"
#include "platform/ui/common_controls.h"

// Messages.
enum : UINT {
  TCM_FIRST = 0x1300,
  TCM_GETIMAGELIST = TCM_FIRST + 2, TCM_SETIMAGELIST = TCM_FIRST + 3,
  TCM_GETITEMCOUNT = TCM_FIRST + 4, TCM_GETITEMA = TCM_FIRST + 5, TCM_SETITEMA = TCM_FIRST + 6,
  TCM_INSERTITEMA = TCM_FIRST + 7, TCM_DELETEITEM = TCM_FIRST + 8,
  TCM_DELETEALLITEMS = TCM_FIRST + 9, TCM_GETITEMRECT = TCM_FIRST + 10,
  TCM_GETCURSEL = TCM_FIRST + 11, TCM_SETCURSEL = TCM_FIRST + 12, TCM_HITTEST = TCM_FIRST + 13,
  TCM_ADJUSTRECT = TCM_FIRST + 40, TCM_SETITEMSIZE = TCM_FIRST + 41,
  TCM_GETROWCOUNT = TCM_FIRST + 44, TCM_GETCURFOCUS = TCM_FIRST + 47,
  TCM_SETCURFOCUS = TCM_FIRST + 48, TCM_SETEXTENDEDSTYLE = TCM_FIRST + 52,
  TCM_GETEXTENDEDSTYLE = TCM_FIRST + 53,
  TCM_GETITEM = TCM_GETITEMA, TCM_SETITEM = TCM_SETITEMA, TCM_INSERTITEM = TCM_INSERTITEMA
};

// Window styles and the extended style.
enum : DWORD {
  TCS_SCROLLOPPOSITE = 0x0001, TCS_BOTTOM = 0x0002, TCS_RIGHT = 0x0002,
  TCS_MULTISELECT = 0x0004, TCS_FLATBUTTONS = 0x0008, TCS_FORCEICONLEFT = 0x0010,
  TCS_FORCELABELLEFT = 0x0020, TCS_HOTTRACK = 0x0040, TCS_VERTICAL = 0x0080, TCS_TABS = 0x0000,
  TCS_BUTTONS = 0x0100, TCS_SINGLELINE = 0x0000, TCS_MULTILINE = 0x0200,
  TCS_RIGHTJUSTIFY = 0x0000, TCS_FIXEDWIDTH = 0x0400, TCS_RAGGEDRIGHT = 0x0800,
  TCS_FOCUSONBUTTONDOWN = 0x1000, TCS_OWNERDRAWFIXED = 0x2000, TCS_TOOLTIPS = 0x4000,
  TCS_FOCUSNEVER = 0x8000
};
enum : DWORD { TCS_EX_FLATSEPARATORS = 0x1, TCS_EX_REGISTERDROP = 0x2 };

// Item fields.
enum : UINT { TCIF_TEXT = 0x1, TCIF_IMAGE = 0x2, TCIF_RTLREADING = 0x4, TCIF_PARAM = 0x8,
              TCIF_STATE = 0x10 };
enum : DWORD { TCIS_BUTTONPRESSED = 0x1, TCIS_HIGHLIGHTED = 0x2 };

struct TCITEM {
  UINT mask = 0;
  DWORD dwState = 0;
  DWORD dwStateMask = 0;
  char* pszText = nullptr;  // TCM_GETITEM fills at most cchTextMax bytes with the NUL
  int cchTextMax = 0;
  int iImage = -1;
  LPARAM lParam = 0;
};
using TCITEMA = TCITEM;

enum : UINT { TCHT_NOWHERE = 0x1, TCHT_ONITEMICON = 0x2, TCHT_ONITEMLABEL = 0x4,
              TCHT_ONITEM = TCHT_ONITEMICON | TCHT_ONITEMLABEL };
struct TCHITTESTINFO {
  TPoint pt;
  UINT flags = 0;
};

// Notifications (WM_NOTIFY codes).
enum : UINT { TCN_FIRST = static_cast<UINT>(-550), TCN_KEYDOWN = TCN_FIRST - 0, TCN_SELCHANGE = TCN_FIRST - 1,
             TCN_SELCHANGING = TCN_FIRST - 2 };

using TTabChangingEvent = std::function<void(TObject* Sender, bool& AllowChange)>;
using TDrawTabEvent = std::function<void(class TCustomTabControl* Control, int TabIndex,
                                         const TRect& Rect, bool Active)>;

class TCustomTabControl;

// The tab texts as a string list; an object stands in each tab's parameter.
class TTabStringsView : public TStrings {
public:
  explicit TTabStringsView(TCustomTabControl& Control) : FControl(Control) {}
  std::string Get(int Index) const override;
  void Put(int Index, const std::string& S) override;
  TObject* GetObject(int Index) const override;
  void PutObject(int Index, TObject* AObject) override;
  int GetCount() const override;
  void Insert(int Index, const std::string& S) override;
  void Delete(int Index) override;
  void Clear() override;
  // Moves the whole tab (text, image, parameter); the selected tab stays selected.
  void Move(int CurIndex, int NewIndex) override;

private:
  TCustomTabControl& FControl;
};

class TCustomTabControl : public TCustomControl {
public:
  explicit TCustomTabControl(TComponent* AOwner);
  ~TCustomTabControl() override;

  // The window style bits (TCS_); setting them lays the tabs out again.
  DWORD Style() const { return FStyle; }
  void SetStyle(DWORD Value);
  DWORD ExtendedStyle() const { return FExStyle; }
  void SetExtendedStyle(DWORD Value);

  // ---- tabs ----
  int TabCount() const { return static_cast<int>(FTabs.size()); }
  // Inserts before Index (at the end when Index is the count or more); the new tab's index, or
  // -1 for a negative Index.
  int InsertTab(int Index, const std::string& Text, int ImageIndex = -1, LPARAM Param = 0);
  bool DeleteTab(int Index);
  void DeleteAllTabs();
  // Texts, images and parameters; reads out of range give "", -1 and 0, writes are ignored
  // (false).
  std::string TabText(int Index) const;
  bool SetTabText(int Index, const std::string& Text);
  int TabImage(int Index) const;
  bool SetTabImage(int Index, int ImageIndex);
  LPARAM TabParam(int Index) const;
  bool SetTabParam(int Index, LPARAM Param);
  // Moves a tab (the selected one stays selected).
  void MoveTab(int CurIndex, int NewIndex);
  TStrings& Tabs() { return FTabsView; }

  // The selected tab, -1 for none. Setting it asks nobody and tells nobody.
  int TabIndex() const { return FTabIndex; }
  void SetTabIndex(int Value);
  // The tab with the focus in button style.
  int TabFocus() const { return FFocusIndex; }

  TImageList* Images() const { return FImages; }
  void SetImages(TImageList* Value);
  // Fixed tab size (TCM_SETITEMSIZE); 0 keeps the measured size.
  int TabWidth() const { return FTabWidth; }
  int TabHeight() const { return FTabHeight; }
  void SetTabSize(int Width, int Height);

  // Geometry.
  TRect TabRect(int Index);
  // The tab at a client point, -1 for none; Flags gets the TCHT_ answer.
  int IndexOfTabAt(int X, int Y, UINT* Flags = nullptr);
  // The area inside the tabs and the frame, where pages go (TCM_ADJUSTRECT without larger).
  TRect DisplayRect();
  // TCM_ADJUSTRECT: with Larger the window rectangle for a display rectangle, else the
  // display rectangle of a window rectangle.
  void AdjustRect(bool Larger, TRect& R);
  int RowCount();
  int HotIndex() const { return FHotIndex; }

  // Selects the tab as a user's click does: TCN_SELCHANGING (a veto stops here), then
  // TCN_SELCHANGE. Returns true when the tab is selected afterwards.
  bool SelectTabByUser(int Index);

  TTabChangingEvent OnChanging;
  TNotifyEvent OnChange;
  TDrawTabEvent OnDrawTab;

protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void Resize() override;
  void WndProc(TMessage& Message) override;
  void FontChanged() override;

  // Asked on TCN_SELCHANGING; the default asks OnChanging.
  virtual bool CanChange();
  // Called on TCN_SELCHANGE; the default calls OnChange.
  virtual void Change();
  // Draws an owner-drawn tab (CN_DRAWITEM); the default calls OnDrawTab.
  virtual void DrawTab(int TabIndex, const TRect& Rect, bool Active);
  // Called after the tabs changed (inserted, deleted, texts), before the repaint.
  virtual void TabsChanged() {}

private:
  struct TTab {
    std::string Text;
    int Image = -1;
    LPARAM Param = 0;
    DWORD State = 0;
  };
  void Layout();
  void InvalidateLayout();
  bool Vertical() const { return (FStyle & TCS_VERTICAL) != 0; }
  bool Opposite() const { return (FStyle & TCS_BOTTOM) != 0; }
  bool Buttons() const { return (FStyle & TCS_BUTTONS) != 0; }
  int MeasureTab(const TTab& Tab, int& Height);
  void PaintTab(TCanvas& C, int Index, TRect R);
  LRESULT HandleTabMessage(TMessage& Message, bool& Handled);

  std::vector<TTab> FTabs;
  TTabStringsView FTabsView;
  DWORD FStyle = TCS_TABS | TCS_SINGLELINE;
  DWORD FExStyle = 0;
  int FTabIndex = -1;
  int FFocusIndex = -1;
  int FHotIndex = -1;
  TImageList* FImages = nullptr;
  int FTabWidth = 0;
  int FTabHeight = 0;
  // Layout: each tab's rectangle, the band of tabs, the rows.
  bool FLayoutValid = false;
  std::vector<TRect> FRects;
  TRect FBand;
  int FRows = 0;
  int FFirstVisible = 0;  // single line: the first tab shown
};

class TTabControl : public TCustomTabControl {
public:
  using TCustomTabControl::TCustomTabControl;
};
