#include "platform/ui/list_view.h"

#include <algorithm>

#include "platform/rtl/sysutils.h"
#include "platform/ui/scroll_bars.h"

namespace {

constexpr UINT kHoverTimer = 0x1047;
constexpr UINT kEditTimer = 0x1017;
constexpr unsigned kEditDelay = 500;  // the double-click time: a second click waits this long
constexpr int kCheckBox = 16;
constexpr int kTextMargin = 2;
constexpr int kHorzLine = 8;  // pixels a line of the horizontal scroll bar moves
constexpr UINT kUnchecked = INDEXTOSTATEIMAGEMASK(1);
constexpr UINT kChecked = INDEXTOSTATEIMAGEMASK(2);

}  // namespace

// ---- TListItem --------------------------------------------------------------------------------

TListItem::TListItem(TListItems* Owner) : FOwner(Owner), FSubItems(std::make_unique<TStringList>()) {
  FSubItems->OnChange = [this](TObject*) {
    if (TListView* lv = ListView()) {
      lv->NotifyItem(LVN_ITEMCHANGED, this, 0, 0, LVIF_TEXT);
      lv->Invalidate();
    }
  };
}

TListItem::~TListItem() { FSubItems->OnChange = nullptr; }

TListView* TListItem::ListView() const { return FOwner ? FOwner->Owner() : nullptr; }

UINT TListItem::StateBits() const {
  UINT s = (FSelected ? UINT{LVIS_SELECTED} : 0u) | (FFocused ? UINT{LVIS_FOCUSED} : 0u);
  TListView* lv = ListView();
  if (lv && lv->Checkboxes()) s |= FChecked ? kChecked : kUnchecked;
  else if (FChecked) s |= kChecked;
  return s;
}

void TListItem::SetCaption(const std::string& Value) {
  if (Value == FCaption) return;
  TListView* lv = ListView();
  if (!lv) {
    FCaption = Value;
    return;
  }
  if (lv->ChangeItem(this, LVIF_TEXT, [&] { FCaption = Value; }) &&
      (lv->FSortType == stText || lv->FSortType == stBoth))
    lv->ApplySort();
}

int TListItem::SubItemImages(int Index) const {
  return Index >= 0 && Index < static_cast<int>(FSubItemImages.size()) ? FSubItemImages[static_cast<std::size_t>(Index)] : -1;
}

void TListItem::SetSubItemImages(int Index, int Value) {
  if (Index < 0) return;
  if (Index >= static_cast<int>(FSubItemImages.size())) FSubItemImages.resize(static_cast<std::size_t>(Index) + 1, -1);
  FSubItemImages[static_cast<std::size_t>(Index)] = Value;
  if (TListView* lv = ListView()) lv->Invalidate();
}

void TListItem::SetImageIndex(int Value) {
  if (Value == FImageIndex) return;
  TListView* lv = ListView();
  if (!lv) {
    FImageIndex = Value;
    return;
  }
  lv->ChangeItem(this, LVIF_IMAGE, [&] { FImageIndex = Value; });
}

void TListItem::SetChecked(bool Value) {
  if (Value == FChecked) return;
  TListView* lv = ListView();
  if (!lv) {
    FChecked = Value;
    return;
  }
  lv->ChangeItemState(this, Value ? kChecked : kUnchecked, LVIS_STATEIMAGEMASK);
}

void TListItem::SetSelected(bool Value) {
  if (Value == FSelected) return;
  TListView* lv = ListView();
  if (!lv) {
    FSelected = Value;
    return;
  }
  if (Value && !lv->FMultiSelect) {
    for (auto& other : FOwner->FItems)
      if (other.get() != this && other->FSelected && !lv->ChangeItemState(other.get(), 0, LVIS_SELECTED)) return;
  }
  lv->ChangeItemState(this, Value ? UINT{LVIS_SELECTED} : 0u, LVIS_SELECTED);
}

void TListItem::SetFocused(bool Value) {
  if (Value == FFocused) return;
  TListView* lv = ListView();
  if (!lv) {
    FFocused = Value;
    return;
  }
  if (Value) {
    for (auto& other : FOwner->FItems)
      if (other.get() != this && other->FFocused && !lv->ChangeItemState(other.get(), 0, LVIS_FOCUSED)) return;
  }
  lv->ChangeItemState(this, Value ? UINT{LVIS_FOCUSED} : 0u, LVIS_FOCUSED);
}

void TListItem::Delete() { FOwner->Delete(FIndex); }

void TListItem::MakeVisible(bool PartialOK) {
  TListView* lv = ListView();
  if (!lv) return;
  int visible = std::max(1, lv->VisibleRowCount());
  if (FIndex < lv->FTopIndex) lv->SetTopIndex(FIndex);
  else if (FIndex >= lv->FTopIndex + visible + (PartialOK ? 1 : 0)) lv->SetTopIndex(FIndex - visible + 1);
}

TRect TListItem::DisplayRect(TDisplayCode Code) const {
  TListView* lv = ListView();
  if (!lv) return {};
  int code = Code == drBounds ? LVIR_BOUNDS : Code == drIcon ? LVIR_ICON : Code == drLabel ? LVIR_LABEL : LVIR_SELECTBOUNDS;
  return lv->GetItemRect(FIndex, code);
}

bool TListItem::EditCaption() {
  TListView* lv = ListView();
  return lv && lv->EditCaption(const_cast<TListItem*>(this));
}

void TListItem::Update() {
  if (TListView* lv = ListView()) lv->UpdateItems(FIndex, FIndex);
}

// ---- TListItems -------------------------------------------------------------------------------

TListItems::TListItems(TListView* Owner) : FOwner(Owner) {}

TListItems::~TListItems() {
  FOwner = nullptr;
  FItems.clear();
}

TListItem* TListItems::Add() { return Insert(Count()); }

TListItem* TListItems::Insert(int Index) {
  if (Index < 0) throw EListError::OutOfBounds(Index);
  Index = std::min(Index, Count());
  std::unique_ptr<TListItem> item(new TListItem(this));
  TListItem* raw = item.get();
  FItems.insert(FItems.begin() + Index, std::move(item));
  Renumber(Index);
  if (FOwner) FOwner->ItemInserted(raw);
  return raw;
}

void TListItems::Delete(int Index) {
  if (Index < 0 || Index >= Count()) throw EListError::OutOfBounds(Index);
  TListItem* item = FItems[static_cast<std::size_t>(Index)].get();
  if (FOwner) FOwner->ItemDeleting(item);
  FItems.erase(FItems.begin() + Index);
  Renumber(Index);
  if (FOwner) {
    FOwner->ClampTop();
    FOwner->Invalidate();
  }
}

void TListItems::Clear() {
  if (FItems.empty()) return;
  if (FOwner) {
    NMHDR h;
    h.code = LVN_DELETEALLITEMS;
    // A non-zero answer asks to be spared the LVN_DELETEITEM of every item.
    bool each = SendNotify(*FOwner, h) == 0;
    if (FOwner->FEditItem) FOwner->EndEdit(false);
    for (auto& item : FItems)
      if (each) FOwner->NotifyItem(LVN_DELETEITEM, item.get());
  }
  FItems.clear();
  if (FOwner) {
    FOwner->FTopIndex = 0;
    FOwner->FAnchor = -1;
    FOwner->FEditCandidate = -1;
    FOwner->Invalidate();
  }
}

TListItem* TListItems::Item(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError::OutOfBounds(Index);
  return FItems[static_cast<std::size_t>(Index)].get();
}

int TListItems::IndexOf(const TListItem* Value) const {
  return Value && Value->FOwner == this ? Value->FIndex : -1;
}

void TListItems::BeginUpdate() { ++FUpdateCount; }

void TListItems::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0 && FOwner) {
    if (FOwner->FSortType == stText || FOwner->FSortType == stBoth) FOwner->ApplySort();
    FOwner->Invalidate();
  }
}

void TListItems::Renumber(int From) {
  for (std::size_t i = static_cast<std::size_t>(std::max(From, 0)); i < FItems.size(); ++i)
    FItems[i]->FIndex = static_cast<int>(i);
}

// ---- TListColumn / TListColumns ---------------------------------------------------------------

int TListColumn::Index() const {
  const auto& v = FView->FColumns->FColumns;
  for (std::size_t i = 0; i < v.size(); ++i)
    if (v[i].get() == this) return static_cast<int>(i);
  return -1;
}

void TListColumn::Changed() { FView->ColumnsChanged(); }

void TListColumn::SetCaption(const std::string& Value) {
  FCaption = Value;
  Changed();
}
void TListColumn::SetWidth(int Value) {
  FWidth = std::clamp(Value, FMinWidth, std::max(FMinWidth, FMaxWidth));
  Changed();
}
void TListColumn::SetAlignment(TAlignment Value) {
  FAlignment = Value;
  Changed();
}
void TListColumn::SetImageIndex(int Value) {
  FImageIndex = Value;
  Changed();
}
void TListColumn::SetMinWidth(int Value) {
  FMinWidth = std::max(Value, 0);
  if (FWidth < FMinWidth) FWidth = FMinWidth;
  Changed();
}
void TListColumn::SetMaxWidth(int Value) {
  FMaxWidth = std::max(Value, FMinWidth);
  if (FWidth > FMaxWidth) FWidth = FMaxWidth;
  Changed();
}

TListColumn* TListColumns::Add() {
  FColumns.push_back(std::unique_ptr<TListColumn>(new TListColumn(FOwner)));
  FOwner->FHeader->AddSection({}, 50);
  FOwner->ColumnsChanged();
  return FColumns.back().get();
}

void TListColumns::Delete(int Index) {
  if (Index < 0 || Index >= Count()) throw EListError::OutOfBounds(Index);
  FColumns.erase(FColumns.begin() + Index);
  FOwner->FHeader->DeleteSection(Index);
  FOwner->ColumnsChanged();
}

void TListColumns::Clear() {
  FColumns.clear();
  FOwner->FHeader->ClearSections();
  FOwner->ColumnsChanged();
}

TListColumn* TListColumns::Items(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError::OutOfBounds(Index);
  return FColumns[static_cast<std::size_t>(Index)].get();
}

// ---- TListView --------------------------------------------------------------------------------

TListView::TListView(TComponent* AOwner)
    : TCustomControl(AOwner),
      FItems(std::make_unique<TListItems>(this)),
      FColumns(std::make_unique<TListColumns>(this)),
      FHeader(std::make_unique<THeaderControl>(nullptr)) {
  SetBounds(0, 0, 250, 150);
  SetTabStop(true);
  SetColor(clWindow);
  FHeader->SetParent(this);
  FHeader->OnSectionsChanged = [this](TObject*) { HeaderChanged(); };
}

TListView::~TListView() {
  FEditItem = nullptr;
  FEdit.reset();
  FItems.reset();
  FHeader.reset();
  DestroyHandle();
}

// ---- columns and header ----

void TListView::ColumnsChanged() {
  if (FSyncingHeader) return;
  FSyncingHeader = true;
  for (int i = 0; i < FColumns->Count() && i < FHeader->SectionCount(); ++i) {
    TListColumn* c = FColumns->Items(i);
    THeaderSection* s = FHeader->Sections(i);
    s->SetText(c->FCaption);
    s->SetMinWidth(c->FMinWidth);
    s->SetMaxWidth(c->FMaxWidth);
    s->SetWidth(c->FWidth);
    s->SetAlignment(c->FAlignment);
    if (c->FImageIndex != s->ImageIndex()) s->SetImageIndex(c->FImageIndex);
  }
  FSyncingHeader = false;
  Invalidate();
}

void TListView::HeaderChanged() {
  if (FSyncingHeader) return;
  // Widths the user dragged come back to the columns.
  for (int i = 0; i < FColumns->Count() && i < FHeader->SectionCount(); ++i)
    FColumns->Items(i)->FWidth = FHeader->Sections(i)->Width();
  Invalidate();
}

std::vector<int> TListView::ColumnOrder() const {
  // Sections added to the header behind the columns' back have no column: they are left out.
  std::vector<int> order;
  for (int i : FHeader->Order())
    if (i < FColumns->Count()) order.push_back(i);
  return order;
}

bool TListView::SetColumnOrder(const std::vector<int>& Order) {
  bool ok = FHeader->SetOrder(Order);
  Invalidate();
  return ok;
}

int TListView::TotalColumnWidth() const {
  int w = 0;
  for (const auto& c : FColumns->FColumns) w += c->FWidth;
  return w;
}

int TListView::ColumnLeft(int Column) const {
  int x = -FHorzOffset;
  for (int i : ColumnOrder()) {
    if (i == Column) return x;
    x += FColumns->Items(i)->FWidth;
  }
  return x;
}

int TListView::HeaderHeight() {
  if (!FShowColumnHeaders || FViewStyle != vsReport) {
    if (FHeader->Visible()) FHeader->SetVisible(false);
    return 0;
  }
  int h = FHeader->PreferredHeight();
  if (!FHeader->Visible()) FHeader->SetVisible(true);
  if (FHeader->Height() != h || FHeader->Width() != ClientWidth() || FHeader->Left() != 0)
    FHeader->SetBounds(0, 0, ClientWidth(), h);
  FHeader->SetScrollOffset(FHorzOffset);
  return h;
}

int TListView::RowHeight() {
  if (FOwnerDraw) {
    if (FMeasuredHeight <= 0) {
      Canvas().Font().Assign(Font());
      MEASUREITEMSTRUCT m;
      m.CtlType = ODT_LISTVIEW;
      m.itemHeight = static_cast<UINT>(Canvas().TextHeight("Wg") + 4);
      m.itemWidth = static_cast<UINT>(ClientWidth());
      NotifyParent(*this, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&m));
      FMeasuredHeight = std::max<int>(1, static_cast<int>(m.itemHeight));
    }
    return FMeasuredHeight;
  }
  Canvas().Font().Assign(Font());
  int h = Canvas().TextHeight("Wg") + 4;
  if (FSmallImages) h = std::max(h, FSmallImages->Height() + 1);
  if (Checkboxes()) h = std::max(h, kCheckBox);
  return h;
}

int TListView::VisibleRowCount() {
  return std::max(0, (ClientHeight() - HeaderHeight()) / RowHeight());
}

void TListView::ClampTop() {
  FTopIndex = std::clamp(FTopIndex, 0, std::max(0, FItems->Count() - 1));
  UpdateScrollBars();
}

void TListView::UpdateScrollBars() {
  // Without a window there are no bars (and nothing is measured).
  if (FUpdatingBars || !HandleAllocated()) return;
  FUpdatingBars = true;
  // Twice: a bar that shows narrows the room the other one measures.
  for (int round = 0; round < 2; ++round) {
    const bool report = FViewStyle == vsReport;
    SetScrollBarContent(this, SB_VERT, FItems->Count(), VisibleRowCount(), FTopIndex);
    SetScrollBarContent(this, SB_HORZ, report ? TotalColumnWidth() : 0, ClientWidth(), FHorzOffset);
  }
  FUpdatingBars = false;
}

void TListView::SetTopIndex(int Value) {
  int visible = std::max(1, VisibleRowCount());
  int last = std::max(0, FItems->Count() - visible);
  Value = std::clamp(Value, 0, last);
  if (Value == FTopIndex) return;
  FTopIndex = Value;
  UpdateScrollBars();
  Invalidate();
}

TListItem* TListView::TopItem() const {
  return FTopIndex >= 0 && FTopIndex < FItems->Count() ? FItems->Item(FTopIndex) : nullptr;
}

void TListView::Scroll(int DX, int DY) {
  if (DY != 0) {
    int h = RowHeight();
    int rows = (std::abs(DY) + h - 1) / h;
    SetTopIndex(FTopIndex + (DY < 0 ? -rows : rows));
  }
  if (DX != 0) {
    int most = std::max(0, TotalColumnWidth() - ClientWidth());
    int x = std::clamp(FHorzOffset + DX, 0, most);
    if (x != FHorzOffset) {
      FHorzOffset = x;
      FHeader->SetScrollOffset(x);
      UpdateScrollBars();
      Invalidate();
    }
  }
}

TRect TListView::GetItemRect(int Item, int Code) { return GetSubItemRect(Item, 0, Code); }

TRect TListView::GetSubItemRect(int Item, int SubItem, int Code) {
  if (Item < 0 || Item >= FItems->Count() || SubItem < 0 || (SubItem > 0 && SubItem >= FColumns->Count()))
    return {};
  const int top = HeaderHeight() + (Item - FTopIndex) * RowHeight();
  const int bottom = top + RowHeight();
  TRect cell;
  if (FColumns->Count() == 0) {
    cell = Rect(-FHorzOffset, top, ClientWidth() - FHorzOffset, bottom);
  } else {
    int left = ColumnLeft(SubItem);
    cell = Rect(left, top, left + FColumns->Items(SubItem)->FWidth, bottom);
  }
  const bool hasSubImages = (FExStyle & LVS_EX_SUBITEMIMAGES) && FSmallImages;
  int stateW = SubItem == 0 && Checkboxes() ? kCheckBox + 2 : 0;
  int iconW = FSmallImages && (SubItem == 0 || hasSubImages) ? FSmallImages->Width() : 0;
  switch (Code) {
    case LVIR_BOUNDS:
      if (SubItem == 0) {
        int left = -FHorzOffset;
        return Rect(left, top, left + std::max(TotalColumnWidth(), cell.Width()), bottom);
      }
      return cell;
    case LVIR_ICON:
      return Rect(cell.Left + stateW, top, std::min(cell.Right, cell.Left + stateW + iconW), bottom);
    case LVIR_LABEL:
      return Rect(std::min(cell.Right, cell.Left + stateW + iconW), top, cell.Right, bottom);
    case LVIR_SELECTBOUNDS:
      if (RowSelect()) return GetSubItemRect(Item, 0, LVIR_BOUNDS);
      return Rect(cell.Left + stateW, top, cell.Right, bottom);
    default:
      return {};
  }
}

int TListView::SubItemHitTest(int X, int Y, int* SubItem, UINT* Flags) {
  UINT flags = 0;
  int item = -1, sub = -1;
  const int header = HeaderHeight();
  if (Y < header) flags = LVHT_ABOVE;
  else if (X < 0) flags = LVHT_TOLEFT;
  else if (X >= ClientWidth()) flags = LVHT_TORIGHT;
  else {
    int row = FTopIndex + (Y - header) / RowHeight();
    if (row >= FItems->Count()) {
      flags = LVHT_BELOW;
    } else {
      int x = -FHorzOffset;
      for (int c : ColumnOrder()) {
        int w = FColumns->Items(c)->FWidth;
        if (X >= x && X < x + w) {
          sub = c;
          break;
        }
        x += w;
      }
      if (FColumns->Count() == 0) sub = 0;
      if (sub < 0) {
        flags = LVHT_NOWHERE;
      } else {
        item = row;
        TRect icon = GetSubItemRect(row, sub, LVIR_ICON);
        int cellLeft = FColumns->Count() ? ColumnLeft(sub) : -FHorzOffset;
        if (sub == 0 && Checkboxes() && X < cellLeft + kCheckBox + 2) flags = LVHT_ONITEMSTATEICON;
        else if (icon.Width() > 0 && X >= icon.Left && X < icon.Right) flags = LVHT_ONITEMICON;
        else flags = LVHT_ONITEMLABEL;
      }
    }
  }
  if (SubItem) *SubItem = sub;
  if (Flags) *Flags = flags;
  return item;
}

TListItem* TListView::GetItemAt(int X, int Y) {
  int sub = -1;
  UINT flags = 0;
  int item = SubItemHitTest(X, Y, &sub, &flags);
  if (item < 0 || !(flags & LVHT_ONITEM)) return nullptr;
  if (sub != 0 && !RowSelect()) return nullptr;
  return FItems->Item(item);
}

// ---- look ----

void TListView::SetViewStyle(TViewStyle Value) {
  FViewStyle = Value;
  Invalidate();
}

void TListView::SetExtendedStyle(DWORD Value) {
  FExStyle = Value;
  FHeader->SetDragReorder((Value & LVS_EX_HEADERDRAGDROP) != 0);
  FMeasuredHeight = 0;
  Invalidate();
}

void TListView::SetCheckboxes(bool Value) {
  SetExtendedStyle(Value ? FExStyle | LVS_EX_CHECKBOXES : FExStyle & ~DWORD{LVS_EX_CHECKBOXES});
}
void TListView::SetRowSelect(bool Value) {
  SetExtendedStyle(Value ? FExStyle | LVS_EX_FULLROWSELECT : FExStyle & ~DWORD{LVS_EX_FULLROWSELECT});
}
void TListView::SetGridLines(bool Value) {
  SetExtendedStyle(Value ? FExStyle | LVS_EX_GRIDLINES : FExStyle & ~DWORD{LVS_EX_GRIDLINES});
}

void TListView::SetMultiSelect(bool Value) {
  FMultiSelect = Value;
  if (!Value) {
    // One selected item at most: the focused one, else the first.
    TListItem* keep = ItemFocused() && ItemFocused()->Selected() ? ItemFocused() : Selected();
    for (auto& i : FItems->FItems)
      if (i.get() != keep && i->FSelected) ChangeItemState(i.get(), 0, LVIS_SELECTED);
  }
}

void TListView::SetHideSelection(bool Value) {
  FHideSelection = Value;
  Invalidate();
}

void TListView::SetShowColumnHeaders(bool Value) {
  FShowColumnHeaders = Value;
  Invalidate();
}

void TListView::SetOwnerDraw(bool Value) {
  FOwnerDraw = Value;
  FMeasuredHeight = 0;
  Invalidate();
}

void TListView::SetSmallImages(TImageList* Value) {
  FSmallImages = Value;
  Invalidate();
}

void TListView::SetBkColor(TColor Value) {
  FBkColor = Value;
  Invalidate();
}

void TListView::SetTextBkColor(TColor Value) {
  FTextBkColor = Value;
  Invalidate();
}

void TListView::SetSortType(TSortType Value) {
  FSortType = Value;
  if (Value == stText || Value == stBoth) ApplySort();
}

void TListView::Resize() {
  // A new size measures owner-drawn items again.
  FMeasuredHeight = 0;
  TCustomControl::Resize();
  if (FHeader && HandleAllocated()) HeaderHeight();
  // The bars follow at the next paint (measuring now would measure once per step of a drag).
  Invalidate();
}

void TListView::FontChanged() {
  FMeasuredHeight = 0;
  TCustomControl::FontChanged();
}

void TListView::Invalidate() {
  if (FItems && FItems->UpdateCount() > 0) return;
  TCustomControl::Invalidate();
}

void TListView::UpdateItems(int FirstIndex, int LastIndex) {
  if (FItems->UpdateCount() > 0 || !HandleAllocated()) return;
  TRect a = GetItemRect(std::max(FirstIndex, 0), LVIR_BOUNDS);
  TRect b = GetItemRect(std::min(LastIndex, FItems->Count() - 1), LVIR_BOUNDS);
  TRect r = Rect(0, a.Top, ClientWidth(), b.Bottom);
  InvalidateRect(r);
}

// ---- notifications and state ----

LRESULT TListView::NotifyItem(UINT Code, TListItem* Item, UINT NewState, UINT OldState, UINT Changed, int SubItem) {
  NMLISTVIEW n;
  n.hdr.code = Code;
  n.iItem = Item ? Item->FIndex : -1;
  n.iSubItem = SubItem;
  n.uNewState = NewState;
  n.uOldState = OldState;
  n.uChanged = Changed;
  n.lParam = reinterpret_cast<LPARAM>(Item);
  return SendNotify(*this, n.hdr);
}

bool TListView::ChangeItemState(TListItem* Item, UINT NewState, UINT Mask) {
  const UINT old = Item->StateBits();
  UINT wanted = (old & ~Mask) | (NewState & Mask);
  if (!Checkboxes() && !(Mask & LVIS_STATEIMAGEMASK)) wanted = (wanted & ~LVIS_STATEIMAGEMASK) | (old & LVIS_STATEIMAGEMASK);
  if (wanted == old) return true;
  if (NotifyItem(LVN_ITEMCHANGING, Item, wanted, old, LVIF_STATE) != 0) return false;
  Item->FSelected = (wanted & LVIS_SELECTED) != 0;
  Item->FFocused = (wanted & LVIS_FOCUSED) != 0;
  if (Mask & LVIS_STATEIMAGEMASK) Item->FChecked = (wanted & LVIS_STATEIMAGEMASK) == kChecked;
  UpdateItems(Item->FIndex, Item->FIndex);
  NotifyItem(LVN_ITEMCHANGED, Item, wanted, old, LVIF_STATE);
  return true;
}

bool TListView::ChangeItem(TListItem* Item, UINT Changed, const std::function<void()>& Apply) {
  if (NotifyItem(LVN_ITEMCHANGING, Item, 0, 0, Changed) != 0) return false;
  Apply();
  UpdateItems(Item->FIndex, Item->FIndex);
  NotifyItem(LVN_ITEMCHANGED, Item, 0, 0, Changed);
  return true;
}

void TListView::ItemInserted(TListItem* Item) {
  if (FAnchor >= Item->FIndex) ++FAnchor;
  NotifyItem(LVN_INSERTITEM, Item);
  if (FItems->UpdateCount() == 0 && (FSortType == stText || FSortType == stBoth)) ApplySort();
  Invalidate();
}

void TListView::ItemDeleting(TListItem* Item) {
  if (FEditItem == Item) EndEdit(false);
  if (FAnchor == Item->FIndex) FAnchor = -1;
  else if (FAnchor > Item->FIndex) --FAnchor;
  FEditCandidate = -1;
  NotifyItem(LVN_DELETEITEM, Item);
}

bool TListView::CanChange(TListItem* Item, UINT Changed) {
  bool allow = true;
  if (OnChanging) {
    TItemChange change = (Changed & LVIF_TEXT) ? ctText : (Changed & LVIF_IMAGE) ? ctImage : ctState;
    OnChanging(this, Item, change, allow);
  }
  return allow;
}

void TListView::Change(TListItem* Item, UINT Changed) {
  if (OnChange) {
    TItemChange change = (Changed & LVIF_TEXT) ? ctText : (Changed & LVIF_IMAGE) ? ctImage : ctState;
    OnChange(this, Item, change);
  }
}

bool TListView::CanEdit(TListItem* Item) {
  bool allow = !FReadOnly;
  if (OnEditing) OnEditing(this, Item, allow);
  return allow;
}

void TListView::Edit(TListItem* Item, std::string& S) {
  if (OnEdited) OnEdited(this, Item, S);
  if (Item) Item->SetCaption(S);
}

void TListView::ColClick(TListColumn* Column) {
  if (OnColumnClick) OnColumnClick(this, Column);
}

void TListView::Delete(TListItem* Item) {
  if (OnDeletion && !HasState(csDestroying)) OnDeletion(this, Item);
}

void TListView::InsertItem(TListItem* Item) {
  if (OnInsert) OnInsert(this, Item);
}

// ---- selection ----

TListItem* TListView::Selected() const {
  for (auto& i : FItems->FItems)
    if (i->FSelected) return i.get();
  return nullptr;
}

void TListView::SetSelected(TListItem* Item) {
  for (auto& i : FItems->FItems)
    if (i.get() != Item && i->FSelected) ChangeItemState(i.get(), 0, LVIS_SELECTED);
  if (Item) ChangeItemState(Item, LVIS_SELECTED, LVIS_SELECTED);
}

TListItem* TListView::ItemFocused() const {
  for (auto& i : FItems->FItems)
    if (i->FFocused) return i.get();
  return nullptr;
}

void TListView::SetItemFocused(TListItem* Item) {
  if (Item) Item->SetFocused(true);
  else if (TListItem* f = ItemFocused()) f->SetFocused(false);
}

int TListView::SelCount() const {
  int n = 0;
  for (auto& i : FItems->FItems) n += i->FSelected ? 1 : 0;
  return n;
}

void TListView::ClearSelection() {
  for (auto& i : FItems->FItems)
    if (i->FSelected) ChangeItemState(i.get(), 0, LVIS_SELECTED);
}

void TListView::SelectAll() {
  if (!FMultiSelect) return;
  for (auto& i : FItems->FItems)
    if (!i->FSelected) ChangeItemState(i.get(), LVIS_SELECTED, LVIS_SELECTED);
}

void TListView::SelectRange(int From, int To, bool Keep) {
  int lo = std::min(From, To), hi = std::max(From, To);
  for (auto& i : FItems->FItems) {
    bool in = i->FIndex >= lo && i->FIndex <= hi;
    if (in && !i->FSelected) ChangeItemState(i.get(), LVIS_SELECTED, LVIS_SELECTED);
    else if (!in && i->FSelected && !Keep) ChangeItemState(i.get(), 0, LVIS_SELECTED);
  }
}

void TListView::FocusAndSelect(int Index, TShiftState Shift) {
  if (Index < 0 || Index >= FItems->Count()) return;
  TListItem* item = FItems->Item(Index);
  if (FMultiSelect && Shift.Contains(ssShift)) {
    if (FAnchor < 0) FAnchor = ItemFocused() ? ItemFocused()->FIndex : Index;
    SelectRange(FAnchor, Index, Shift.Contains(ssCtrl));
  } else if (FMultiSelect && Shift.Contains(ssCtrl)) {
    FAnchor = Index;
  } else {
    FAnchor = Index;
    for (auto& i : FItems->FItems)
      if (i.get() != item && i->FSelected) ChangeItemState(i.get(), 0, LVIS_SELECTED);
    ChangeItemState(item, LVIS_SELECTED, LVIS_SELECTED);
  }
  item->SetFocused(true);
  item->MakeVisible(false);
}

// ---- sorting ----

bool TListView::CustomSort(const TLVCompare& SortProc, LPARAM Data) {
  if (FEditItem) EndEdit(true);
  auto compare = [&](const std::unique_ptr<TListItem>& a, const std::unique_ptr<TListItem>& b) {
    int c;
    if (SortProc) {
      c = SortProc(a.get(), b.get(), Data);
    } else if (OnCompare) {
      c = 0;
      OnCompare(this, a.get(), b.get(), Data, c);
    } else {
      c = AnsiCompareStr(a->FCaption, b->FCaption);
    }
    return c < 0;
  };
  std::stable_sort(FItems->FItems.begin(), FItems->FItems.end(), compare);
  FItems->Renumber(0);
  FAnchor = -1;
  FEditCandidate = -1;
  Invalidate();
  return true;
}

bool TListView::AlphaSort() { return CustomSort(nullptr, 0); }

void TListView::ApplySort() {
  if (FItems->UpdateCount() == 0) AlphaSort();
}

// ---- label editing ----

bool TListView::EditCaption(TListItem* Item) {
  if (!Item || Item->FOwner != FItems.get()) return false;
  if (FEditItem) EndEdit(true);
  NMLVDISPINFO info;
  info.hdr.code = LVN_BEGINLABELEDIT;
  info.item.mask = LVIF_TEXT | LVIF_PARAM;
  info.item.iItem = Item->FIndex;
  info.item.lParam = reinterpret_cast<LPARAM>(Item);
  std::string caption = Item->FCaption;
  info.item.pszText = caption.data();
  info.item.cchTextMax = static_cast<int>(caption.size()) + 1;
  if (SendNotify(*this, info.hdr) != 0) return false;
  if (!FEdit) {
    FEdit = std::make_unique<TInplaceTextEdit>(nullptr);
    FEdit->SetParent(this);
    FEdit->OnDone = [this](TInplaceTextEdit*, bool accept) { EndEdit(accept); };
  }
  Item->MakeVisible(false);
  FEditItem = Item;
  TRect r = GetSubItemRect(Item->FIndex, 0, LVIR_LABEL);
  FEdit->SetBounds(r.Left, r.Top, std::max(r.Width(), 20), r.Height());
  FEdit->SetText(Item->FCaption);
  FEdit->SelectAll();
  FEdit->SetVisible(true);
  if (FEdit->CanFocus()) FEdit->SetFocus();
  return true;
}

void TListView::EndEdit(bool Accept) {
  TListItem* item = FEditItem;
  if (!item || FEndingEdit) return;
  // The edit control stays reachable (LVM_GETEDITCONTROL) while the end is told.
  FEndingEdit = true;
  std::string text = FEdit->Text();
  NMLVDISPINFO info;
  info.hdr.code = LVN_ENDLABELEDIT;
  info.item.mask = LVIF_TEXT | LVIF_PARAM;
  info.item.iItem = item->FIndex;
  info.item.lParam = reinterpret_cast<LPARAM>(item);
  info.item.pszText = Accept ? text.data() : nullptr;
  info.item.cchTextMax = static_cast<int>(text.size()) + 1;
  try {
    SendNotify(*this, info.hdr);
  } catch (...) {
    FEndingEdit = false;
    FEditItem = nullptr;
    FEdit->SetVisible(false);
    throw;
  }
  FEndingEdit = false;
  FEditItem = nullptr;
  bool hadFocus = FEdit->Focused();
  FEdit->SetVisible(false);
  if (hadFocus && CanFocus()) SetFocus();
  Invalidate();
}

// ---- painting ----

void TListView::DrawDefaultItem(TCanvas& C, TListItem* Item, const TRect& Row) {
  const bool focusedCtl = Focused();
  const bool showSel = Item->FSelected && (focusedCtl || !FHideSelection);
  const TColor selBrush = focusedCtl ? clHighlight : clBtnFace;
  const TColor selText = focusedCtl ? clHighlightText : clWindowText;
  const int index = Item->FIndex;
  std::vector<int> order = ColumnOrder();
  if (FColumns->Count() == 0) order = {0};
  if (showSel && RowSelect()) {
    C.Brush().SetColor(selBrush);
    C.FillRect(GetSubItemRect(index, 0, LVIR_BOUNDS));
  }
  for (int col : order) {
    TRect cell = FColumns->Count() ? Rect(ColumnLeft(col), Row.Top, ColumnLeft(col) + FColumns->Items(col)->FWidth, Row.Bottom)
                                   : Row;
    if (cell.Right <= 0 || cell.Left >= ClientWidth()) continue;
    const std::string text = col == 0 ? Item->FCaption
                             : col - 1 < Item->FSubItems->Count() ? Item->FSubItems->Get(col - 1) : std::string();
    TRect label = GetSubItemRect(index, col, LVIR_LABEL);
    if (FColumns->Count() == 0) label.Left = std::max(label.Left, cell.Left);
    C.Font().Assign(Font());
    const bool cellSel = showSel && (RowSelect() || col == 0);
    if (cellSel) {
      C.Font().SetColor(selText);
      if (!RowSelect()) {
        C.Brush().SetColor(selBrush);
        C.FillRect(label);
      }
    } else if (FTextBkColor != CLR_NONE && FTextBkColor != CLR_DEFAULT) {
      C.Brush().SetColor(FTextBkColor);
      C.FillRect(label);
    }
    if (col == 0 && Checkboxes()) {
      TRect box = Rect(cell.Left + 2, cell.Top + (cell.Height() - 13) / 2, cell.Left + 15, cell.Top + (cell.Height() - 13) / 2 + 13);
      C.DrawFrameControl(box, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_FLAT | (Item->FChecked ? UINT{DFCS_CHECKED} : 0u));
    }
    if (FSmallImages) {
      int image = col == 0 ? Item->FImageIndex : (FExStyle & LVS_EX_SUBITEMIMAGES) ? Item->SubItemImages(col - 1) : -1;
      TRect icon = GetSubItemRect(index, col, LVIR_ICON);
      if (image >= 0 && icon.Width() > 0)
        FSmallImages->Draw(C, icon.Left, icon.Top + (icon.Height() - FSmallImages->Height()) / 2, image, Enabled());
    }
    TRect t = Rect(label.Left + kTextMargin, label.Top, label.Right - kTextMargin, label.Bottom);
    TAlignment a = FColumns->Count() ? FColumns->Items(col)->FAlignment : taLeftJustify;
    UINT align = a == taRightJustify ? UINT{DT_RIGHT} : a == taCenter ? UINT{DT_CENTER} : UINT{DT_LEFT};
    C.Brush().SetStyle(bsClear);
    C.DrawText(text, t, align | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
    C.Brush().SetStyle(bsSolid);
  }
  if (Item->FFocused && focusedCtl) {
    TRect f = GetSubItemRect(index, 0, RowSelect() ? LVIR_BOUNDS : LVIR_LABEL);
    C.DrawFocusRect(f);
  }
}

void TListView::DrawItem(TListItem* Item, const TRect& Rect, TOwnerDrawState State) {
  if (OnDrawItem) OnDrawItem(this, Item, Rect, State);
  else DrawDefaultItem(Canvas(), Item, Rect);
}

void TListView::Paint() {
  UpdateScrollBars();
  TCanvas& c = Canvas();
  const TRect client = ClientRect();
  const int header = HeaderHeight();
  if (FBkColor == CLR_NONE) {
    if (FBrush.Bitmap()) {
      c.Brush().Assign(FBrush);
      c.FillRect(client);
      c.Brush().SetStyle(bsSolid);
    }
  } else {
    c.Brush().SetColor(FBkColor == CLR_DEFAULT ? Color() : FBkColor);
    c.FillRect(client);
  }
  const int h = RowHeight();
  for (int i = FTopIndex, y = header; i < FItems->Count() && y < client.Bottom; ++i, y += h) {
    TListItem* item = FItems->Item(i);
    TRect row = GetSubItemRect(i, 0, LVIR_BOUNDS);
    if (FOwnerDraw) {
      DRAWITEMSTRUCT d;
      d.CtlType = ODT_LISTVIEW;
      d.itemID = static_cast<UINT>(i);
      d.itemState = (item->FSelected ? UINT{ODS_SELECTED} : 0u) | (item->FFocused && Focused() ? UINT{ODS_FOCUS} : 0u);
      d.hwndItem = this;
      d.hDC = &c;
      d.rcItem = row;
      d.itemData = reinterpret_cast<std::uintptr_t>(item->FData);
      c.Font().Assign(Font());
      c.Brush().SetColor(Color());
      NotifyParent(*this, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&d));
    } else {
      DrawDefaultItem(c, item, row);
    }
  }
  if (GridLines()) {
    c.Pen().SetColor(clBtnFace);
    int bottom = std::min(client.Bottom, header + (FItems->Count() - FTopIndex) * h);
    for (int y = header + h - 1; y < client.Bottom; y += h) {
      c.MoveTo(0, y);
      c.LineTo(std::min(client.Right, TotalColumnWidth() - FHorzOffset), y);
    }
    int x = -FHorzOffset;
    for (int col : ColumnOrder()) {
      x += FColumns->Items(col)->FWidth;
      c.MoveTo(x - 1, header);
      c.LineTo(x - 1, std::max(bottom, client.Bottom));
    }
  }
}

// ---- input ----

void TListView::NotifyActivate(UINT Code, int X, int Y) {
  NMITEMACTIVATE n;
  n.hdr.code = Code;
  int sub = -1;
  n.iItem = SubItemHitTest(X, Y, &sub);
  n.iSubItem = std::max(sub, 0);
  n.ptAction = {X, Y};
  n.uKeyFlags = ShiftStateToKeys(KeyboardShiftState());
  SendNotify(*this, n.hdr);
}

void TListView::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (FEditItem) EndEdit(true);
  if (CanFocus() && !Focused()) SetFocus();
  if (!Shift.Contains(ssDouble) && (Button == mbLeft || Button == mbRight)) {
    int sub = -1;
    UINT flags = 0;
    int index = SubItemHitTest(X, Y, &sub, &flags);
    TListItem* item = index >= 0 ? FItems->Item(index) : nullptr;
    bool onItem = item && (RowSelect() || sub == 0);
    KillTimer(kEditTimer);
    if (item && Button == mbLeft && (flags & LVHT_ONITEMSTATEICON)) {
      item->SetChecked(!item->Checked());
    } else if (onItem) {
      // A second click on the focused, selected caption edits it once the double-click time
      // has passed without another click.
      FEditCandidate = Button == mbLeft && item->FSelected && item->FFocused && SelCount() == 1 &&
                               !FReadOnly && sub == 0 && Shift * TShiftState{ssShift, ssCtrl} == TShiftState{}
                           ? index
                           : -1;
      if (Button == mbRight && item->FSelected) item->SetFocused(true);
      else FocusAndSelect(index, Button == mbLeft ? Shift : TShiftState{});
      if (FMultiSelect && Button == mbLeft && Shift.Contains(ssCtrl) && !Shift.Contains(ssShift))
        item->SetSelected(!item->FSelected);
    } else if (!Shift.Contains(ssCtrl) && !Shift.Contains(ssShift)) {
      ClearSelection();
      FEditCandidate = -1;
    }
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TListView::MouseMove(TShiftState Shift, int X, int Y) {
  if (FHoverTime > 0 && HandleAllocated()) SetTimer(kHoverTimer, FHoverTime);
  TCustomControl::MouseMove(Shift, X, Y);
}

void TListView::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomControl::MouseUp(Button, Shift, X, Y);
  if (Button == mbLeft) {
    if (FEditCandidate >= 0) SetTimer(kEditTimer, kEditDelay);
    NotifyActivate(NM_CLICK, X, Y);
  } else if (Button == mbRight) {
    NotifyActivate(NM_RCLICK, X, Y);
  }
}

void TListView::DblClick() {
  KillTimer(kEditTimer);
  FEditCandidate = -1;
  TCustomControl::DblClick();
}

void TListView::KeyDown(WORD& Key, TShiftState Shift) {
  TCustomControl::KeyDown(Key, Shift);
  if (Key == 0 || FItems->Count() == 0) return;
  TListItem* focused = ItemFocused();
  int cur = focused ? focused->FIndex : -1;
  int page = std::max(1, VisibleRowCount() - 1);
  int to = -1;
  switch (Key) {
    case VK_UP: to = std::max(cur - 1, 0); break;
    case VK_DOWN: to = std::min(cur + 1, FItems->Count() - 1); break;
    case VK_HOME: to = 0; break;
    case VK_END: to = FItems->Count() - 1; break;
    case VK_PRIOR: to = std::max(cur - page, 0); break;
    case VK_NEXT: to = std::min(std::max(cur, 0) + page, FItems->Count() - 1); break;
    case VK_SPACE:
      if (focused && Checkboxes()) focused->SetChecked(!focused->Checked());
      else if (focused && FMultiSelect && Shift.Contains(ssCtrl)) focused->SetSelected(!focused->Selected());
      else if (focused) FocusAndSelect(cur, {});
      Key = 0;
      return;
    case VK_F2:
      if (focused && !FReadOnly) EditCaption(focused);
      Key = 0;
      return;
    default:
      if (Key == 'A' && Shift.Contains(ssCtrl) && FMultiSelect) {
        SelectAll();
        Key = 0;
      }
      return;
  }
  if (Shift.Contains(ssCtrl) && !Shift.Contains(ssShift) && FMultiSelect) {
    FItems->Item(to)->SetFocused(true);
    FItems->Item(to)->MakeVisible(false);
  } else {
    FocusAndSelect(to, Shift);
  }
  Key = 0;
}

bool TListView::DoMouseWheelDown(TShiftState, TPoint) {
  SetTopIndex(FTopIndex + 3);
  return true;
}

bool TListView::DoMouseWheelUp(TShiftState, TPoint) {
  SetTopIndex(FTopIndex - 3);
  return true;
}

// ---- messages ----

LRESULT TListView::HandleListMessage(TMessage& M, bool& Handled) {
  Handled = true;
  const int index = static_cast<int>(M.WParam);
  switch (M.Msg) {
    case LVM_GETITEMCOUNT: return FItems->Count();
    case LVM_DELETEITEM:
      if (index < 0 || index >= FItems->Count()) return FALSE;
      FItems->Delete(index);
      return TRUE;
    case LVM_DELETEALLITEMS: FItems->Clear(); return TRUE;
    case LVM_GETBKCOLOR: return static_cast<LRESULT>(FBkColor);
    case LVM_SETBKCOLOR: SetBkColor(static_cast<TColor>(M.LParam)); return TRUE;
    case LVM_GETTEXTBKCOLOR: return static_cast<LRESULT>(FTextBkColor);
    case LVM_SETTEXTBKCOLOR: SetTextBkColor(static_cast<TColor>(M.LParam)); return TRUE;
    case LVM_GETNEXTITEM: {
      UINT flags = static_cast<UINT>(M.LParam);
      for (int i = std::max(index + 1, 0); i < FItems->Count(); ++i) {
        TListItem* it = FItems->Item(i);
        if ((!(flags & LVNI_SELECTED) || it->FSelected) && (!(flags & LVNI_FOCUSED) || it->FFocused)) return i;
      }
      return -1;
    }
    case LVM_GETITEMRECT: {
      auto* r = reinterpret_cast<TRect*>(M.LParam);
      if (!r || index < 0 || index >= FItems->Count()) return FALSE;
      *r = GetItemRect(index, r->Left);
      return TRUE;
    }
    case LVM_GETSUBITEMRECT: {
      auto* r = reinterpret_cast<TRect*>(M.LParam);
      if (!r || index < 0 || index >= FItems->Count()) return FALSE;
      int sub = r->Top, code = r->Left;
      if (sub < 0 || (sub > 0 && sub >= FColumns->Count())) return FALSE;
      *r = GetSubItemRect(index, sub, code);
      return TRUE;
    }
    case LVM_HITTEST:
    case LVM_SUBITEMHITTEST: {
      auto* info = reinterpret_cast<LVHITTESTINFO*>(M.LParam);
      if (!info) return -1;
      info->iItem = SubItemHitTest(info->pt.X, info->pt.Y, &info->iSubItem, &info->flags);
      if (M.Msg == LVM_HITTEST && info->iSubItem != 0 && !RowSelect()) {
        info->iItem = -1;
        info->flags = LVHT_NOWHERE;
      }
      return info->iItem;
    }
    case LVM_ENSUREVISIBLE:
      if (index < 0 || index >= FItems->Count()) return FALSE;
      FItems->Item(index)->MakeVisible(M.LParam != 0);
      return TRUE;
    case LVM_SCROLL:
      Scroll(static_cast<int>(M.WParam), static_cast<int>(M.LParam));
      return TRUE;
    case LVM_REDRAWITEMS: UpdateItems(index, static_cast<int>(M.LParam)); return TRUE;
    case LVM_EDITLABELA:
      if (index < 0) {
        EndEdit(false);
        return 0;
      }
      if (index >= FItems->Count() || !EditCaption(FItems->Item(index))) return 0;
      return reinterpret_cast<LRESULT>(FEdit.get());
    case LVM_GETEDITCONTROL: return reinterpret_cast<LRESULT>(EditControl());
    case LVM_GETCOLUMNWIDTH:
      return index >= 0 && index < FColumns->Count() ? FColumns->Items(index)->FWidth : 0;
    case LVM_SETCOLUMNWIDTH:
      if (index < 0 || index >= FColumns->Count()) return FALSE;
      FColumns->Items(index)->SetWidth(static_cast<int>(M.LParam));
      return TRUE;
    case LVM_GETHEADER: return reinterpret_cast<LRESULT>(FHeader.get());
    case LVM_GETTOPINDEX: return FTopIndex;
    case LVM_GETCOUNTPERPAGE: return VisibleRowCount();
    case LVM_GETITEMSTATE:
      return index >= 0 && index < FItems->Count() ? static_cast<LRESULT>(FItems->Item(index)->StateBits() & static_cast<UINT>(M.LParam)) : 0;
    case LVM_SETITEMSTATE: {
      auto* item = reinterpret_cast<const LVITEM*>(M.LParam);
      if (!item || index >= FItems->Count()) return FALSE;
      bool ok = true;
      if (index < 0) {
        for (auto& i : FItems->FItems) ok = ChangeItemState(i.get(), item->state, item->stateMask) && ok;
      } else {
        ok = ChangeItemState(FItems->Item(index), item->state, item->stateMask);
      }
      return ok ? TRUE : FALSE;
    }
    case LVM_SORTITEMS: {
      auto compare = reinterpret_cast<PFNLVCOMPARE>(M.LParam);
      if (!compare) return FALSE;
      LPARAM sort = static_cast<LPARAM>(M.WParam);
      return CustomSort([compare, sort](TListItem* a, TListItem* b, LPARAM) {
        return compare(reinterpret_cast<LPARAM>(a), reinterpret_cast<LPARAM>(b), sort);
      }, 0) ? TRUE : FALSE;
    }
    case LVM_GETSELECTEDCOUNT: return SelCount();
    case LVM_SETEXTENDEDLISTVIEWSTYLE: {
      DWORD old = FExStyle;
      DWORD mask = M.WParam ? static_cast<DWORD>(M.WParam) : 0xFFFFFFFFu;
      SetExtendedStyle((FExStyle & ~mask) | (static_cast<DWORD>(M.LParam) & mask));
      return old;
    }
    case LVM_GETEXTENDEDLISTVIEWSTYLE: return FExStyle;
    case LVM_SETCOLUMNORDERARRAY: {
      auto* in = reinterpret_cast<const int*>(M.LParam);
      if (!in || index != FColumns->Count()) return FALSE;
      return SetColumnOrder(std::vector<int>(in, in + index)) ? TRUE : FALSE;
    }
    case LVM_GETCOLUMNORDERARRAY: {
      auto* out = reinterpret_cast<int*>(M.LParam);
      if (!out || index != FColumns->Count()) return FALSE;
      std::vector<int> order = ColumnOrder();
      std::copy(order.begin(), order.end(), out);
      return TRUE;
    }
    case LVM_SETHOVERTIME: {
      LRESULT old = FHoverTime;
      SetHoverTime(static_cast<unsigned>(M.LParam));
      return old;
    }
    case LVM_GETHOVERTIME: return FHoverTime;
    default:
      Handled = false;
      return 0;
  }
}

void TListView::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_NOTIFY: {
      // From the header: clicks become column clicks, drags and tracking repaint the items.
      auto* h = reinterpret_cast<NMHDR*>(Message.LParam);
      if (h && h->hwndFrom == FHeader.get()) {
        auto* n = reinterpret_cast<NMHEADER*>(h);
        if (h->code == HDN_ITEMCLICK && FColumnClick && n->iItem >= 0 && n->iItem < FColumns->Count())
          NotifyItem(LVN_COLUMNCLICK, nullptr, 0, 0, 0, n->iItem);
        else if (h->code == HDN_ENDDRAG && !(FExStyle & LVS_EX_HEADERDRAGDROP))
          Message.Result = 1;
        Invalidate();
        return;
      }
      break;
    }
    case CN_NOTIFY: {
      NoteReflected(Message);
      auto* h = reinterpret_cast<NMHDR*>(Message.LParam);
      if (!h || h->hwndFrom != this) return;
      switch (h->code) {
        case LVN_ITEMCHANGING: {
          auto* n = reinterpret_cast<NMLISTVIEW*>(h);
          Message.Result = CanChange(reinterpret_cast<TListItem*>(n->lParam), n->uChanged) ? 0 : 1;
          break;
        }
        case LVN_ITEMCHANGED: {
          auto* n = reinterpret_cast<NMLISTVIEW*>(h);
          auto* item = reinterpret_cast<TListItem*>(n->lParam);
          Change(item, n->uChanged);
          if ((n->uChanged & LVIF_STATE) && ((n->uNewState ^ n->uOldState) & LVIS_SELECTED) && OnSelectItem)
            OnSelectItem(this, item, (n->uNewState & LVIS_SELECTED) != 0);
          break;
        }
        case LVN_INSERTITEM: InsertItem(reinterpret_cast<TListItem*>(reinterpret_cast<NMLISTVIEW*>(h)->lParam)); break;
        case LVN_DELETEITEM: Delete(reinterpret_cast<TListItem*>(reinterpret_cast<NMLISTVIEW*>(h)->lParam)); break;
        case LVN_COLUMNCLICK: {
          int col = reinterpret_cast<NMLISTVIEW*>(h)->iSubItem;
          if (col >= 0 && col < FColumns->Count()) ColClick(FColumns->Items(col));
          break;
        }
        case LVN_BEGINLABELEDIT: {
          auto* d = reinterpret_cast<NMLVDISPINFO*>(h);
          Message.Result = CanEdit(reinterpret_cast<TListItem*>(d->item.lParam)) ? 0 : 1;
          break;
        }
        case LVN_ENDLABELEDIT: {
          auto* d = reinterpret_cast<NMLVDISPINFO*>(h);
          if (d->item.pszText) {
            std::string s = d->item.pszText;
            Edit(reinterpret_cast<TListItem*>(d->item.lParam), s);
          }
          break;
        }
        default: break;
      }
      return;
    }
    case CN_DRAWITEM: {
      NoteReflected(Message);
      auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam);
      if (d && d->hwndItem == this && static_cast<int>(d->itemID) < FItems->Count()) {
        DrawItem(FItems->Item(static_cast<int>(d->itemID)), d->rcItem, OwnerDrawState(d->itemState));
        Message.Result = 1;
      }
      return;
    }
    case CN_MEASUREITEM:
      NoteReflected(Message);
      return;
    case WM_TIMER:
      if (Message.WParam == kHoverTimer) {
        KillTimer(kHoverTimer);
        NMHDR h;
        h.code = NM_HOVER;
        SendNotify(*this, h);
        return;
      }
      if (Message.WParam == kEditTimer) {
        KillTimer(kEditTimer);
        int index = FEditCandidate;
        FEditCandidate = -1;
        if (index >= 0 && index < FItems->Count()) EditCaption(FItems->Item(index));
        return;
      }
      break;
    case WM_GETDLGCODE:
      Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
      return;
    case WM_VSCROLL:
      UpdateScrollBars();
      SetTopIndex(ScrollActionPos(this, SB_VERT, Message.WParam));
      return;
    case WM_HSCROLL:
      UpdateScrollBars();
      Scroll(ScrollActionPos(this, SB_HORZ, Message.WParam, kHorzLine) - FHorzOffset, 0);
      return;
    case CM_MOUSELEAVE:
      KillTimer(kHoverTimer);
      break;
    default: {
      bool handled = false;
      LRESULT r = HandleListMessage(Message, handled);
      if (handled) {
        Message.Result = r;
        return;
      }
    }
  }
  TCustomControl::WndProc(Message);
}
