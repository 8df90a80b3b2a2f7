// The list view in its details (report) form, painted by our own code: items with a caption,
// sub-items, sub-item images, a check box, selection and focus, and a header of columns whose
// order the user may change. The items live in fields, so a list view works without a window
// (a buffer of items nobody sees). Owner drawing (fixed row height, measured once), hit tests
// of items and sub-items, sorting, label editing, hover time, scrolling by lines, the extended
// styles and a background of no colour (the owner paints a wallpaper) are there for the list
// views built on this one, which draw their items themselves.
//
// Every change of an item's state, text or image asks the parent first (LVN_ITEMCHANGING, which
// may refuse it) and tells it after (LVN_ITEMCHANGED); the events OnChanging/OnChange and
// OnSelectItem come from those notifications.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/bitmap.h"
#include "platform/rtl/string_list.h"
#include "platform/ui/common_controls.h"
#include "platform/ui/header_control.h"

// Messages.
enum : UINT {
  LVM_FIRST = 0x1000,
  LVM_GETBKCOLOR = LVM_FIRST + 0, LVM_SETBKCOLOR = LVM_FIRST + 1,
  LVM_GETITEMCOUNT = LVM_FIRST + 4, LVM_DELETEITEM = LVM_FIRST + 8,
  LVM_DELETEALLITEMS = LVM_FIRST + 9, LVM_GETNEXTITEM = LVM_FIRST + 12,
  LVM_GETITEMRECT = LVM_FIRST + 14, LVM_HITTEST = LVM_FIRST + 18, LVM_ENSUREVISIBLE = LVM_FIRST + 19,
  LVM_SCROLL = LVM_FIRST + 20, LVM_REDRAWITEMS = LVM_FIRST + 21, LVM_EDITLABELA = LVM_FIRST + 23,
  LVM_GETEDITCONTROL = LVM_FIRST + 24, LVM_GETCOLUMNWIDTH = LVM_FIRST + 29,
  LVM_SETCOLUMNWIDTH = LVM_FIRST + 30, LVM_GETHEADER = LVM_FIRST + 31,
  LVM_GETTEXTBKCOLOR = LVM_FIRST + 37, LVM_SETTEXTBKCOLOR = LVM_FIRST + 38,
  LVM_GETTOPINDEX = LVM_FIRST + 39, LVM_GETCOUNTPERPAGE = LVM_FIRST + 40,
  LVM_SETITEMSTATE = LVM_FIRST + 43, LVM_GETITEMSTATE = LVM_FIRST + 44,
  LVM_SORTITEMS = LVM_FIRST + 48, LVM_GETSELECTEDCOUNT = LVM_FIRST + 50,
  LVM_SETEXTENDEDLISTVIEWSTYLE = LVM_FIRST + 54, LVM_GETEXTENDEDLISTVIEWSTYLE = LVM_FIRST + 55,
  LVM_GETSUBITEMRECT = LVM_FIRST + 56, LVM_SUBITEMHITTEST = LVM_FIRST + 57,
  LVM_SETCOLUMNORDERARRAY = LVM_FIRST + 58, LVM_GETCOLUMNORDERARRAY = LVM_FIRST + 59,
  LVM_SETHOVERTIME = LVM_FIRST + 71, LVM_GETHOVERTIME = LVM_FIRST + 72,
  LVM_EDITLABEL = LVM_EDITLABELA
};

// Extended styles.
enum : DWORD {
  LVS_EX_GRIDLINES = 0x1, LVS_EX_SUBITEMIMAGES = 0x2, LVS_EX_CHECKBOXES = 0x4,
  LVS_EX_TRACKSELECT = 0x8, LVS_EX_HEADERDRAGDROP = 0x10, LVS_EX_FULLROWSELECT = 0x20
};

// Item states and fields.
enum : UINT {
  LVIS_FOCUSED = 0x1, LVIS_SELECTED = 0x2, LVIS_CUT = 0x4, LVIS_DROPHILITED = 0x8,
  LVIS_OVERLAYMASK = 0xF00, LVIS_STATEIMAGEMASK = 0xF000
};
constexpr UINT INDEXTOSTATEIMAGEMASK(UINT i) { return i << 12; }
enum : UINT { LVIF_TEXT = 0x1, LVIF_IMAGE = 0x2, LVIF_PARAM = 0x4, LVIF_STATE = 0x8 };
enum : UINT { LVNI_ALL = 0x0, LVNI_FOCUSED = 0x1, LVNI_SELECTED = 0x2 };
enum : int { LVIR_BOUNDS = 0, LVIR_ICON = 1, LVIR_LABEL = 2, LVIR_SELECTBOUNDS = 3 };
enum : UINT {
  LVHT_NOWHERE = 0x1, LVHT_ONITEMICON = 0x2, LVHT_ONITEMLABEL = 0x4, LVHT_ONITEMSTATEICON = 0x8,
  LVHT_ONITEM = LVHT_ONITEMICON | LVHT_ONITEMLABEL | LVHT_ONITEMSTATEICON, LVHT_ABOVE = 0x8,
  LVHT_BELOW = 0x10, LVHT_TORIGHT = 0x20, LVHT_TOLEFT = 0x40
};

struct LVITEM {
  UINT mask = 0;
  int iItem = 0;
  int iSubItem = 0;
  UINT state = 0;
  UINT stateMask = 0;
  char* pszText = nullptr;
  int cchTextMax = 0;
  int iImage = -1;
  LPARAM lParam = 0;
};
using LVITEMA = LVITEM;

struct LVHITTESTINFO {
  TPoint pt;
  UINT flags = 0;
  int iItem = -1;
  int iSubItem = -1;
};

// Notifications (WM_NOTIFY codes).
enum : UINT {
  LVN_FIRST = static_cast<UINT>(-100),
  LVN_ITEMCHANGING = LVN_FIRST - 0, LVN_ITEMCHANGED = LVN_FIRST - 1,
  LVN_INSERTITEM = LVN_FIRST - 2, LVN_DELETEITEM = LVN_FIRST - 3,
  LVN_DELETEALLITEMS = LVN_FIRST - 4, LVN_BEGINLABELEDITA = LVN_FIRST - 5,
  LVN_ENDLABELEDITA = LVN_FIRST - 6, LVN_COLUMNCLICK = LVN_FIRST - 8,
  LVN_BEGINDRAG = LVN_FIRST - 9, LVN_BEGINRDRAG = LVN_FIRST - 11,
  LVN_BEGINLABELEDIT = LVN_BEGINLABELEDITA, LVN_ENDLABELEDIT = LVN_ENDLABELEDITA
};

// LVN_ITEMCHANGING/CHANGED, LVN_INSERTITEM, LVN_DELETEITEM, LVN_COLUMNCLICK (iSubItem = the
// column). A non-zero answer to LVN_ITEMCHANGING refuses the change.
struct NMLISTVIEW {
  NMHDR hdr;
  int iItem = -1;
  int iSubItem = 0;
  UINT uNewState = 0;
  UINT uOldState = 0;
  UINT uChanged = 0;
  TPoint ptAction;
  LPARAM lParam = 0;  // the TListItem
};
// NM_CLICK, NM_DBLCLK, NM_RCLICK of the list view: the item and sub-item under the mouse.
struct NMITEMACTIVATE : NMLISTVIEW {
  UINT uKeyFlags = 0;
};
// LVN_BEGINLABELEDIT (a non-zero answer refuses the edit) and LVN_ENDLABELEDIT (item.pszText
// holds the new text, nullptr when the edit was cancelled).
struct NMLVDISPINFO {
  NMHDR hdr;
  LVITEM item;
};

using PFNLVCOMPARE = int (*)(LPARAM Item1, LPARAM Item2, LPARAM Sort);

class TListItems;
class TListView;

enum TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };
enum TItemChange { ctText, ctImage, ctState };
enum TDisplayCode { drBounds, drIcon, drLabel, drSelectBounds };

class TListItem {
public:
  ~TListItem();

  TListItems* Owner() const { return FOwner; }
  TListView* ListView() const;
  int Index() const { return FIndex; }

  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& Value);
  // The texts of columns 1, 2, ...; changing them repaints the item.
  TStrings& SubItems() { return *FSubItems; }
  const TStrings& SubItems() const { return *FSubItems; }
  // The image of sub-item Index (-1 for none, also past the sub-items).
  int SubItemImages(int Index) const;
  void SetSubItemImages(int Index, int Value);
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int Value);
  void* Data() const { return FData; }
  void SetData(void* Value) { FData = Value; }

  bool Checked() const { return FChecked; }
  void SetChecked(bool Value);
  bool Selected() const { return FSelected; }
  void SetSelected(bool Value);
  bool Focused() const { return FFocused; }
  void SetFocused(bool Value);

  void Delete();
  void MakeVisible(bool PartialOK);
  TRect DisplayRect(TDisplayCode Code) const;
  // Starts editing the caption; false when the list refuses.
  bool EditCaption();
  void Update();

private:
  friend class TListItems;
  friend class TListView;
  explicit TListItem(TListItems* Owner);
  // The state bits of the item (LVIS_SELECTED, LVIS_FOCUSED, the check state image).
  UINT StateBits() const;

  TListItems* FOwner;
  int FIndex = -1;
  std::string FCaption;
  std::unique_ptr<TStringList> FSubItems;
  std::vector<int> FSubItemImages;
  int FImageIndex = -1;
  void* FData = nullptr;
  bool FChecked = false;
  bool FSelected = false;
  bool FFocused = false;
};

class TListItems {
public:
  explicit TListItems(TListView* Owner);
  ~TListItems();

  TListView* Owner() const { return FOwner; }
  TListItem* Add();
  // A new item before Index (at the end from the count on); EListError for a negative Index.
  TListItem* Insert(int Index);
  void Delete(int Index);
  void Clear();
  int Count() const { return static_cast<int>(FItems.size()); }
  // EListError "List index out of bounds (n)" for a bad index.
  TListItem* Item(int Index) const;
  TListItem* operator[](int Index) const { return Item(Index); }
  int IndexOf(const TListItem* Value) const;
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return FUpdateCount; }

private:
  friend class TListItem;
  friend class TListView;
  void Renumber(int From);

  TListView* FOwner;
  std::vector<std::unique_ptr<TListItem>> FItems;
  int FUpdateCount = 0;
};

class TListColumn {
public:
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& Value);
  int Width() const { return FWidth; }
  void SetWidth(int Value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int Value);
  int MinWidth() const { return FMinWidth; }
  void SetMinWidth(int Value);
  int MaxWidth() const { return FMaxWidth; }
  void SetMaxWidth(int Value);
  LPARAM Tag() const { return FTag; }
  void SetTag(LPARAM Value) { FTag = Value; }
  int Index() const;

private:
  friend class TListColumns;
  friend class TListView;
  explicit TListColumn(TListView* View) : FView(View) {}
  void Changed();
  TListView* FView;
  std::string FCaption;
  int FWidth = 50;
  TAlignment FAlignment = taLeftJustify;
  int FImageIndex = -1;
  int FMinWidth = 0;
  int FMaxWidth = 10000;
  LPARAM FTag = 0;
};

class TListColumns {
public:
  explicit TListColumns(TListView* Owner) : FOwner(Owner) {}
  TListColumn* Add();
  void Delete(int Index);
  void Clear();
  int Count() const { return static_cast<int>(FColumns.size()); }
  // EListError for a bad index.
  TListColumn* Items(int Index) const;
  TListColumn* operator[](int Index) const { return Items(Index); }

private:
  friend class TListColumn;
  friend class TListView;
  TListView* FOwner;
  std::vector<std::unique_ptr<TListColumn>> FColumns;
};

using TLVChangeEvent = std::function<void(TObject* Sender, TListItem* Item, TItemChange Change)>;
using TLVChangingEvent =
    std::function<void(TObject* Sender, TListItem* Item, TItemChange Change, bool& AllowChange)>;
using TLVColumnClickEvent = std::function<void(TObject* Sender, TListColumn* Column)>;
using TLVCompareEvent =
    std::function<void(TObject* Sender, TListItem* Item1, TListItem* Item2, LPARAM Data, int& Compare)>;
using TLVEditingEvent = std::function<void(TObject* Sender, TListItem* Item, bool& AllowEdit)>;
using TLVEditedEvent = std::function<void(TObject* Sender, TListItem* Item, std::string& S)>;
using TLVSelectItemEvent = std::function<void(TObject* Sender, TListItem* Item, bool Selected)>;
using TLVDeletedEvent = std::function<void(TObject* Sender, TListItem* Item)>;
using TLVDrawItemEvent =
    std::function<void(TListView* Sender, TListItem* Item, const TRect& Rect, TOwnerDrawState State)>;
using TLVCompare = std::function<int(TListItem* Item1, TListItem* Item2, LPARAM Data)>;

class TListView : public TCustomControl {
public:
  explicit TListView(TComponent* AOwner);
  ~TListView() override;

  TListItems& Items() { return *FItems; }
  const TListItems& Items() const { return *FItems; }
  TListColumns& Columns() { return *FColumns; }
  const TListColumns& Columns() const { return *FColumns; }
  THeaderControl& Header() { return *FHeader; }
  const THeaderControl& Header() const { return *FHeader; }

  // ---- look and behaviour ----
  TViewStyle ViewStyle() const { return FViewStyle; }
  void SetViewStyle(TViewStyle Value);
  DWORD ExtendedStyle() const { return FExStyle; }
  void SetExtendedStyle(DWORD Value);
  bool Checkboxes() const { return (FExStyle & LVS_EX_CHECKBOXES) != 0; }
  void SetCheckboxes(bool Value);
  bool RowSelect() const { return (FExStyle & LVS_EX_FULLROWSELECT) != 0; }
  void SetRowSelect(bool Value);
  bool GridLines() const { return (FExStyle & LVS_EX_GRIDLINES) != 0; }
  void SetGridLines(bool Value);
  bool MultiSelect() const { return FMultiSelect; }
  void SetMultiSelect(bool Value);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value) { FReadOnly = Value; }
  bool HideSelection() const { return FHideSelection; }
  void SetHideSelection(bool Value);
  bool ShowColumnHeaders() const { return FShowColumnHeaders; }
  void SetShowColumnHeaders(bool Value);
  bool ColumnClick() const { return FColumnClick; }
  void SetColumnClick(bool Value) { FColumnClick = Value; }
  // Items drawn by OnDrawItem (through CN_DRAWITEM) at the measured fixed height.
  bool OwnerDraw() const { return FOwnerDraw; }
  void SetOwnerDraw(bool Value);
  TImageList* SmallImages() const { return FSmallImages; }
  void SetSmallImages(TImageList* Value);
  // The background: CLR_DEFAULT uses Color, CLR_NONE paints none (Brush's bitmap when it has one).
  TColor BkColor() const { return FBkColor; }
  void SetBkColor(TColor Value);
  TColor TextBkColor() const { return FTextBkColor; }
  void SetTextBkColor(TColor Value);
  TBrush& Brush() { return FBrush; }
  unsigned HoverTime() const { return FHoverTime; }
  void SetHoverTime(unsigned Value) { FHoverTime = Value; }
  TSortType SortType() const { return FSortType; }
  void SetSortType(TSortType Value);

  // ---- selection and view ----
  TListItem* Selected() const;
  void SetSelected(TListItem* Item);
  TListItem* ItemFocused() const;
  void SetItemFocused(TListItem* Item);
  int SelCount() const;
  void ClearSelection();
  void SelectAll();
  TListItem* TopItem() const;
  int TopIndex() const { return FTopIndex; }
  void SetTopIndex(int Value);
  // Rows that show fully.
  int VisibleRowCount();
  // Scrolls by pixels: dy is rounded to whole rows (away from zero), dx moves the columns.
  void Scroll(int DX, int DY);
  int HorzScrollPos() const { return FHorzOffset; }

  // ---- geometry and hit tests ----
  int RowHeight();
  int HeaderHeight();
  // The item on the row under a client point: with RowSelect anywhere in the columns, else in
  // the caption's column; nullptr elsewhere.
  TListItem* GetItemAt(int X, int Y);
  // The item and sub-item (column index) under a point; -1 when none. Flags gets LVHT_.
  int SubItemHitTest(int X, int Y, int* SubItem, UINT* Flags = nullptr);
  // Sub-item 0 with LVIR_BOUNDS is the whole row, as the common list view has it.
  TRect GetSubItemRect(int Item, int SubItem, int Code);
  TRect GetItemRect(int Item, int Code);
  // Display position -> column index.
  std::vector<int> ColumnOrder() const;
  bool SetColumnOrder(const std::vector<int>& Order);

  // ---- sorting ----
  bool CustomSort(const TLVCompare& SortProc, LPARAM Data);
  bool AlphaSort();

  // ---- label editing ----
  bool EditCaption(TListItem* Item);
  bool IsEditing() const { return FEditItem != nullptr; }
  TInplaceTextEdit* EditControl() const { return FEditItem ? FEdit.get() : nullptr; }
  // Ends the edit: accepted (the text becomes the caption, through OnEdited) or cancelled.
  void EndEdit(bool Accept);

  // ---- updates ----
  void BeginUpdate() { FItems->BeginUpdate(); }
  void EndUpdate() { FItems->EndUpdate(); }
  void Invalidate() override;
  void UpdateItems(int FirstIndex, int LastIndex);

  TLVChangeEvent OnChange;
  TLVChangingEvent OnChanging;
  TLVColumnClickEvent OnColumnClick;
  TLVCompareEvent OnCompare;
  TLVEditingEvent OnEditing;
  TLVEditedEvent OnEdited;
  TLVSelectItemEvent OnSelectItem;
  TLVDeletedEvent OnDeletion;
  TLVDeletedEvent OnInsert;
  TLVDrawItemEvent OnDrawItem;

protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void DblClick() override;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
  bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;
  void Resize() override;
  void FontChanged() override;
  void WndProc(TMessage& Message) override;

  // The handlers of the reflected notifications.
  virtual bool CanChange(TListItem* Item, UINT Changed);
  virtual void Change(TListItem* Item, UINT Changed);
  virtual bool CanEdit(TListItem* Item);
  virtual void Edit(TListItem* Item, std::string& S);
  virtual void ColClick(TListColumn* Column);
  virtual void Delete(TListItem* Item);
  virtual void InsertItem(TListItem* Item);
  // Owner drawing of one item (CN_DRAWITEM); the default calls OnDrawItem, or draws the item
  // as a plain list view does when there is no handler.
  virtual void DrawItem(TListItem* Item, const TRect& Rect, TOwnerDrawState State);
  // The default drawing of one row.
  void DrawDefaultItem(TCanvas& C, TListItem* Item, const TRect& Row);

private:
  friend class TListItem;
  friend class TListItems;
  friend class TListColumn;
  friend class TListColumns;
  // Asks and applies a change of an item's state bits under Mask; false when refused.
  bool ChangeItemState(TListItem* Item, UINT NewState, UINT Mask);
  // Asks, applies (Apply) and tells a change of a text or image.
  bool ChangeItem(TListItem* Item, UINT Changed, const std::function<void()>& Apply);
  LRESULT NotifyItem(UINT Code, TListItem* Item, UINT NewState = 0, UINT OldState = 0, UINT Changed = 0,
                     int SubItem = 0);
  void NotifyActivate(UINT Code, int X, int Y);
  void ItemInserted(TListItem* Item);
  void ItemDeleting(TListItem* Item);
  void ColumnsChanged();
  void HeaderChanged();
  void ClampTop();
  // The window scroll bars show the rows (one unit a row) and the columns (in pixels).
  void UpdateScrollBars();
  int ColumnLeft(int Column) const;  // client x of a column's left edge
  int TotalColumnWidth() const;
  void SelectRange(int From, int To, bool Keep);
  void FocusAndSelect(int Index, TShiftState Shift);
  void ApplySort();
  LRESULT HandleListMessage(TMessage& Message, bool& Handled);

  std::unique_ptr<TListItems> FItems;
  std::unique_ptr<TListColumns> FColumns;
  std::unique_ptr<THeaderControl> FHeader;
  std::unique_ptr<TInplaceTextEdit> FEdit;
  TListItem* FEditItem = nullptr;
  bool FEndingEdit = false;
  TViewStyle FViewStyle = vsReport;
  DWORD FExStyle = 0;
  bool FMultiSelect = false;
  bool FReadOnly = false;
  bool FHideSelection = true;
  bool FShowColumnHeaders = true;
  bool FColumnClick = true;
  bool FOwnerDraw = false;
  TImageList* FSmallImages = nullptr;
  TColor FBkColor = CLR_DEFAULT;
  TColor FTextBkColor = CLR_DEFAULT;
  TBrush FBrush;
  unsigned FHoverTime = 400;
  TSortType FSortType = stNone;
  int FTopIndex = 0;
  int FHorzOffset = 0;
  bool FUpdatingBars = false;
  int FMeasuredHeight = 0;  // the owner's row height, 0 until measured
  int FAnchor = -1;
  int FEditCandidate = -1;  // the item a second click on starts an edit of
  bool FSyncingHeader = false;
};
