#include "platform/ui/header_control.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr UINT kFilterTimer = 0x1216;
constexpr int kDividerSlop = 4;
constexpr int kDragThreshold = 5;
constexpr int kFilterButton = 14;

}  // namespace

// ---- THeaderSection ---------------------------------------------------------------------------

void THeaderSection::Changed() {
  if (FHeader) FHeader->SectionsChanged();
}

void THeaderSection::SetText(const std::string& Value) {
  FText = Value;
  Changed();
}

void THeaderSection::SetWidth(int Value) {
  Value = std::clamp(Value, FMinWidth, std::max(FMinWidth, FMaxWidth));
  if (Value == FWidth) return;
  FWidth = Value;
  Changed();
}

void THeaderSection::SetMinWidth(int Value) {
  FMinWidth = std::max(Value, 0);
  if (FWidth < FMinWidth) SetWidth(FMinWidth);
}

void THeaderSection::SetMaxWidth(int Value) {
  FMaxWidth = std::max(Value, FMinWidth);
  if (FWidth > FMaxWidth) SetWidth(FMaxWidth);
}

void THeaderSection::SetAlignment(TAlignment Value) {
  FAlignment = Value;
  FFormat = (FFormat & ~HDF_JUSTIFYMASK) |
            (Value == taRightJustify ? HDF_RIGHT : Value == taCenter ? HDF_CENTER : HDF_LEFT);
  Changed();
}

void THeaderSection::SetImageIndex(int Value) {
  FImageIndex = Value;
  if (Value >= 0) FFormat |= HDF_IMAGE;
  else FFormat &= ~HDF_IMAGE;
  Changed();
}

void THeaderSection::SetBitmap(const TBitmap* Value) {
  if (Value && !Value->Empty()) {
    FBitmap = std::make_unique<TBitmap>();
    FBitmap->Assign(*Value);
    FFormat |= HDF_BITMAP;
  } else {
    FBitmap.reset();
    FFormat &= ~HDF_BITMAP;
  }
  Changed();
}

void THeaderSection::SetFormat(int Value) {
  FFormat = Value;
  int j = Value & HDF_JUSTIFYMASK;
  FAlignment = j == HDF_RIGHT ? taRightJustify : j == HDF_CENTER ? taCenter : taLeftJustify;
  Changed();
}

void THeaderSection::SetImageOnRight(bool Value) {
  if (Value) FFormat |= HDF_BITMAP_ON_RIGHT;
  else FFormat &= ~HDF_BITMAP_ON_RIGHT;
  Changed();
}

void THeaderSection::SetStyle(THeaderSectionStyle Value) {
  if (Value == hsOwnerDraw) FFormat |= HDF_OWNERDRAW;
  else FFormat &= ~HDF_OWNERDRAW;
  Changed();
}

void THeaderSection::SetFilterText(const std::string& Value) {
  FFilter = Value;
  Changed();
}

int THeaderSection::Index() const {
  const auto& v = FHeader->FSections;
  for (std::size_t i = 0; i < v.size(); ++i)
    if (v[i].get() == this) return static_cast<int>(i);
  return -1;
}

int THeaderSection::Order() const {
  int index = Index();
  const auto& o = FHeader->FOrder;
  auto it = std::find(o.begin(), o.end(), index);
  return it == o.end() ? -1 : static_cast<int>(it - o.begin());
}

int THeaderSection::Left() const {
  int x = -FHeader->FScrollOffset;
  for (int i : FHeader->FOrder) {
    if (FHeader->FSections[static_cast<std::size_t>(i)].get() == this) return x;
    x += FHeader->FSections[static_cast<std::size_t>(i)]->FWidth;
  }
  return x;
}

// ---- THeaderControl ---------------------------------------------------------------------------

THeaderControl::THeaderControl(TComponent* AOwner) : TCustomControl(AOwner) {
  SetBounds(0, 0, 200, 17);
  SetColor(clBtnFace);
}

THeaderControl::~THeaderControl() {
  FFilterEdit.reset();
  DestroyHandle();
}

THeaderSection* THeaderControl::Sections(int Index) const {
  if (Index < 0 || Index >= SectionCount()) throw EListError::OutOfBounds(Index);
  return FSections[static_cast<std::size_t>(Index)].get();
}

THeaderSection* THeaderControl::AddSection(const std::string& Text, int Width) {
  return InsertSection(SectionCount(), Text, Width);
}

THeaderSection* THeaderControl::InsertSection(int Index, const std::string& Text, int Width) {
  Index = std::clamp(Index, 0, SectionCount());
  std::unique_ptr<THeaderSection> s(new THeaderSection(this));
  s->FText = Text;
  s->FWidth = std::max(Width, 0);
  THeaderSection* raw = s.get();
  FSections.insert(FSections.begin() + Index, std::move(s));
  // Indexes at or after the new one move up; the new one takes the same display position.
  int position = static_cast<int>(FOrder.size());
  for (std::size_t p = 0; p < FOrder.size(); ++p) {
    if (FOrder[p] >= Index) {
      if (position == static_cast<int>(FOrder.size()) && FOrder[p] == Index) position = static_cast<int>(p);
      ++FOrder[p];
    }
  }
  FOrder.insert(FOrder.begin() + position, Index);
  SectionsChanged();
  return raw;
}

bool THeaderControl::DeleteSection(int Index) {
  if (Index < 0 || Index >= SectionCount()) return false;
  if (FEditingFilter == Index && FFilterEdit) {
    FEditingFilter = -1;
    FFilterEdit->SetVisible(false);
  } else if (FEditingFilter > Index) {
    --FEditingFilter;
  }
  if (FPendingFilter == Index) {
    KillTimer(kFilterTimer);
    FPendingFilter = -1;
  } else if (FPendingFilter > Index) {
    --FPendingFilter;
  }
  FSections.erase(FSections.begin() + Index);
  FOrder.erase(std::find(FOrder.begin(), FOrder.end(), Index));
  for (int& i : FOrder)
    if (i > Index) --i;
  FPressed = FHot = -1;
  SectionsChanged();
  return true;
}

void THeaderControl::ClearSections() {
  while (SectionCount() > 0) DeleteSection(SectionCount() - 1);
}

bool THeaderControl::SetOrder(const std::vector<int>& Order) {
  if (static_cast<int>(Order.size()) != SectionCount()) return false;
  std::vector<int> sorted = Order;
  std::sort(sorted.begin(), sorted.end());
  for (int i = 0; i < SectionCount(); ++i)
    if (sorted[static_cast<std::size_t>(i)] != i) return false;
  FOrder = Order;
  SectionsChanged();
  return true;
}

int THeaderControl::OrderToIndex(int Position) const {
  if (Position < 0 || Position >= static_cast<int>(FOrder.size())) return Position;
  return FOrder[static_cast<std::size_t>(Position)];
}

void THeaderControl::SectionsChanged() {
  Invalidate();
  if (OnSectionsChanged) OnSectionsChanged(this);
}

void THeaderControl::SetStyle(DWORD Value) {
  if (Value == FStyle) return;
  bool filterOff = (FStyle & HDS_FILTERBAR) && !(Value & HDS_FILTERBAR);
  FStyle = Value;
  if (filterOff && FFilterEdit) {
    FEditingFilter = -1;
    FFilterEdit->SetVisible(false);
  }
  Invalidate();
}

void THeaderControl::SetHotTrack(bool Value) { SetStyle(Value ? FStyle | HDS_HOTTRACK : FStyle & ~DWORD{HDS_HOTTRACK}); }
void THeaderControl::SetDragReorder(bool Value) { SetStyle(Value ? FStyle | HDS_DRAGDROP : FStyle & ~DWORD{HDS_DRAGDROP}); }
void THeaderControl::SetFullDrag(bool Value) { SetStyle(Value ? FStyle | HDS_FULLDRAG : FStyle & ~DWORD{HDS_FULLDRAG}); }
void THeaderControl::SetFlat(bool Value) { SetStyle(Value ? FStyle & ~DWORD{HDS_BUTTONS} : FStyle | HDS_BUTTONS); }
void THeaderControl::SetFilterBar(bool Value) { SetStyle(Value ? FStyle | HDS_FILTERBAR : FStyle & ~DWORD{HDS_FILTERBAR}); }

void THeaderControl::SetImages(TImageList* Value) {
  FImages = Value;
  Invalidate();
}

void THeaderControl::SetBitmapMargin(int Value) {
  FBitmapMargin = std::max(Value, 0);
  Invalidate();
}

void THeaderControl::SetScrollOffset(int Value) {
  if (Value == FScrollOffset) return;
  FScrollOffset = Value;
  Invalidate();
}

int THeaderControl::CaptionHeight() {
  Canvas().Font().Assign(Font());
  int h = Canvas().TextHeight("Wg") + 6;
  if (FImages) h = std::max(h, FImages->Height() + 4);
  return h;
}

int THeaderControl::PreferredHeight() {
  int h = CaptionHeight();
  if (FilterBar()) h += Canvas().TextHeight("Wg") + 6;
  return h;
}

void THeaderControl::Resize() {
  TCustomControl::Resize();
  if (FFilterEdit && FEditingFilter >= 0) {
    TRect r = SectionRect(FEditingFilter);
    r.Top = CaptionHeight();
    r.Right -= kFilterButton;
    FFilterEdit->SetBounds(r.Left, r.Top, std::max(0, r.Width()), std::max(0, r.Height()));
  }
}

// ---- geometry ----

TRect THeaderControl::SectionRect(int Index) {
  if (Index < 0 || Index >= SectionCount()) return {};
  THeaderSection* s = FSections[static_cast<std::size_t>(Index)].get();
  int left = s->Left();
  return Rect(left, 0, left + s->FWidth, ClientHeight());
}

TRect THeaderControl::FilterButtonRect(int Index) {
  TRect r = SectionRect(Index);
  if (IsRectEmpty(r) || !FilterBar()) return {};
  return Rect(std::max(r.Left, r.Right - kFilterButton), CaptionHeight(), r.Right, r.Bottom);
}

int THeaderControl::HitTest(int X, int Y, UINT* Flags) {
  UINT flags = 0;
  int item = -1;
  const int height = ClientHeight();
  if (Y < 0) flags |= HHT_ABOVE;
  if (Y >= height) flags |= HHT_BELOW;
  if (X < 0) flags |= HHT_TOLEFT;
  int x = -FScrollOffset;
  int right = x;
  for (int i : FOrder) right += FSections[static_cast<std::size_t>(i)]->FWidth;
  if (X >= right + kDividerSlop) flags |= HHT_TORIGHT;
  if (!flags) {
    const int caption = CaptionHeight();
    // A divider wins: the last section whose right edge is near the point.
    for (int i : FOrder) {
      int w = FSections[static_cast<std::size_t>(i)]->FWidth;
      if (std::abs(X - (x + w)) < kDividerSlop && (!FilterBar() || Y < caption)) {
        item = i;
        flags = w == 0 ? HHT_ONDIVOPEN : HHT_ONDIVIDER;
      }
      x += w;
    }
    if (!flags) {
      x = -FScrollOffset;
      for (int i : FOrder) {
        int w = FSections[static_cast<std::size_t>(i)]->FWidth;
        if (X >= x && X < x + w) {
          item = i;
          if (FilterBar() && Y >= caption) flags = X >= x + w - kFilterButton ? HHT_ONFILTERBUTTON : HHT_ONFILTER;
          else flags = HHT_ONHEADER;
          break;
        }
        x += w;
      }
    }
    if (!flags) flags = HHT_NOWHERE;
  }
  if (Flags) *Flags = flags;
  return item;
}

// ---- notifications ----

LRESULT THeaderControl::Notify(UINT Code, int Item, int Button, HDITEM* Changing) {
  NMHEADER n;
  n.hdr.code = Code;
  n.iItem = Item;
  n.iButton = Button;
  HDITEM item;
  if (!Changing && Item >= 0 && Item < SectionCount()) {
    item.mask = HDI_WIDTH | HDI_ORDER | HDI_FORMAT | HDI_LPARAM;
    GetItem(Item, item);
    Changing = &item;
  }
  n.pitem = Changing;
  return SendNotify(*this, n.hdr);
}

void THeaderControl::SectionClick(THeaderSection* Section) {
  if (OnSectionClick) OnSectionClick(this, Section);
}
void THeaderControl::SectionResize(THeaderSection* Section) {
  if (OnSectionResize) OnSectionResize(this, Section);
}
void THeaderControl::SectionTrack(THeaderSection* Section, int Width, TSectionTrackState State) {
  if (OnSectionTrack) OnSectionTrack(this, Section, Width, State);
}
void THeaderControl::DrawSection(THeaderSection* Section, const TRect& Rect, bool Pressed) {
  if (OnDrawSection) OnDrawSection(this, Section, Rect, Pressed);
}

// ---- filters ----

bool THeaderControl::EditFilter(int Index, bool DiscardChanges) {
  if (!FilterBar() || Index < 0 || Index >= SectionCount()) return false;
  if (FEditingFilter >= 0 && FEditingFilter != Index) FilterDone(!DiscardChanges);
  if (!FFilterEdit) {
    FFilterEdit = std::make_unique<TInplaceTextEdit>(nullptr);
    FFilterEdit->SetParent(this);
    FFilterEdit->OnChange = [this](TObject*) { FilterTyped(); };
    FFilterEdit->OnDone = [this](TInplaceTextEdit*, bool accept) { FilterDone(accept); };
  }
  FEditingFilter = Index;
  FFilterBefore = FSections[static_cast<std::size_t>(Index)]->FFilter;
  TRect r = SectionRect(Index);
  r.Top = CaptionHeight();
  r.Right -= kFilterButton;
  FFilterEdit->SetBounds(r.Left, r.Top, std::max(0, r.Width()), std::max(0, r.Height()));
  FFilterEdit->SetText(FFilterBefore);
  FFilterEdit->SelectAll();
  FFilterEdit->SetVisible(true);
  if (FFilterEdit->CanFocus()) FFilterEdit->SetFocus();
  return true;
}

void THeaderControl::FilterTyped() {
  if (FEditingFilter < 0) return;
  FSections[static_cast<std::size_t>(FEditingFilter)]->FFilter = FFilterEdit->Text();
  // Every change starts the wait again.
  if (FPendingFilter >= 0 && FPendingFilter != FEditingFilter) FireFilterChange(FPendingFilter);
  FPendingFilter = FEditingFilter;
  SetTimer(kFilterTimer, FFilterTimeout);
  Invalidate();
}

void THeaderControl::FilterDone(bool Accept) {
  int index = FEditingFilter;
  if (index < 0) return;
  FEditingFilter = -1;
  THeaderSection* s = FSections[static_cast<std::size_t>(index)].get();
  bool changed;
  if (!Accept) {
    changed = s->FFilter != FFilterBefore || FPendingFilter == index;
    s->FFilter = FFilterBefore;
  } else {
    changed = FPendingFilter == index;
  }
  if (FPendingFilter == index) {
    KillTimer(kFilterTimer);
    FPendingFilter = -1;
  }
  if (FFilterEdit) FFilterEdit->SetVisible(false);
  Invalidate();
  if (changed) FireFilterChange(index);
}

void THeaderControl::FireFilterChange(int Index) { Notify(HDN_FILTERCHANGE, Index); }

void THeaderControl::ClearFilter(int Index) {
  if (Index < 0) {
    for (auto& s : FSections) s->FFilter.clear();
  } else if (Index < SectionCount()) {
    FSections[static_cast<std::size_t>(Index)]->FFilter.clear();
  } else {
    return;
  }
  if (FEditingFilter >= 0 && (Index < 0 || Index == FEditingFilter) && FFilterEdit) {
    FFilterBefore.clear();
    FFilterEdit->SetText("");
  }
  if (FPendingFilter >= 0 && (Index < 0 || Index == FPendingFilter)) {
    KillTimer(kFilterTimer);
    FPendingFilter = -1;
  }
  Invalidate();
  FireFilterChange(Index);
}

// ---- painting ----

void THeaderControl::PaintSection(TCanvas& C, int Index, const TRect& R) {
  THeaderSection* s = FSections[static_cast<std::size_t>(Index)].get();
  const bool pressed = Index == FPressed && !Flat();
  if (s->FFormat & HDF_OWNERDRAW) {
    DRAWITEMSTRUCT d;
    d.CtlType = ODT_HEADER;
    d.itemID = static_cast<UINT>(Index);
    d.itemState = pressed ? UINT{ODS_SELECTED} : 0u;
    d.hwndItem = this;
    d.hDC = &C;
    d.rcItem = R;
    d.itemData = static_cast<std::uintptr_t>(s->FData);
    NotifyParent(*this, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&d));
    return;
  }
  TRect r = R;
  C.Brush().SetColor(clBtnFace);
  C.FillRect(r);
  if (!Flat()) {
    TRect e = r;
    C.DrawEdge(e, pressed ? UINT{BDR_SUNKENOUTER} : UINT{EDGE_RAISED}, BF_RECT | (pressed ? BF_FLAT : 0u));
  } else {
    C.Pen().SetColor(clBtnShadow);
    C.MoveTo(r.Right - 1, r.Top + 2);
    C.LineTo(r.Right - 1, r.Bottom - 2);
  }
  TRect content = Rect(r.Left + FBitmapMargin, r.Top, r.Right - FBitmapMargin, r.Bottom);
  // With the filter bar the caption, its images and its marks keep to the caption line.
  if (FilterBar()) content.Bottom = std::min(content.Bottom, r.Top + CaptionHeight());
  if (pressed) OffsetRect(content, 1, 1);
  const bool onRight = (s->FFormat & HDF_BITMAP_ON_RIGHT) != 0;
  auto place = [&](int w, int h, const std::function<void(int, int)>& draw) {
    if (content.Width() < w) return;
    int y = content.Top + (content.Height() - h) / 2;
    if (onRight) {
      draw(content.Right - w, y);
      content.Right -= w + FBitmapMargin / 2;
    } else {
      draw(content.Left, y);
      content.Left += w + FBitmapMargin / 2;
    }
  };
  if ((s->FFormat & HDF_IMAGE) && FImages && s->FImageIndex >= 0)
    place(FImages->Width(), FImages->Height(),
          [&](int x, int y) { FImages->Draw(C, x, y, s->FImageIndex, Enabled()); });
  if ((s->FFormat & HDF_BITMAP) && s->FBitmap)
    place(s->FBitmap->Width(), s->FBitmap->Height(), [&](int x, int y) { C.Draw(x, y, *s->FBitmap); });
  if (s->FFormat & (HDF_SORTUP | HDF_SORTDOWN)) {
    // A small triangle at the right end.
    int cx = content.Right - 5, cy = content.Top + content.Height() / 2;
    if (content.Width() > 12) {
      C.Pen().SetColor(clBtnShadow);
      C.Brush().SetColor(clBtnShadow);
      if (s->FFormat & HDF_SORTUP) C.Polygon({{cx - 4, cy + 2}, {cx + 4, cy + 2}, {cx, cy - 2}});
      else C.Polygon({{cx - 4, cy - 2}, {cx + 4, cy - 2}, {cx, cy + 2}});
      content.Right -= 12;
    }
  }
  UINT align = s->FAlignment == taRightJustify ? UINT{DT_RIGHT} : s->FAlignment == taCenter ? UINT{DT_CENTER} : UINT{DT_LEFT};
  C.Font().Assign(Font());
  if (HotTrack() && Index == FHot) C.Font().SetColor(clHighlight);
  C.Brush().SetStyle(bsClear);
  TRect text = content;
  C.DrawText(s->FText, text, align | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
  C.Brush().SetStyle(bsSolid);
}

void THeaderControl::PaintFilter(TCanvas& C, int Index, const TRect& R) {
  THeaderSection* s = FSections[static_cast<std::size_t>(Index)].get();
  const int top = CaptionHeight();
  TRect area = Rect(R.Left + 1, top, R.Right - kFilterButton, R.Bottom - 1);
  C.Brush().SetColor(clWindow);
  C.FillRect(area);
  C.Font().Assign(Font());
  C.Brush().SetStyle(bsClear);
  TRect text = Rect(area.Left + 2, area.Top, area.Right - 2, area.Bottom);
  C.DrawText(s->FFilter, text, DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
  C.Brush().SetStyle(bsSolid);
  TRect button = Rect(R.Right - kFilterButton, top, R.Right, R.Bottom);
  C.Brush().SetColor(clBtnFace);
  C.FillRect(button);
  TRect e = button;
  C.DrawEdge(e, Flat() ? UINT{BDR_RAISEDINNER} : UINT{EDGE_RAISED}, BF_RECT);
  // A funnel on the button.
  int cx = button.Left + button.Width() / 2, cy = button.Top + button.Height() / 2;
  C.Pen().SetColor(s->FFilter.empty() ? clBtnShadow : clBtnText);
  C.Brush().SetColor(s->FFilter.empty() ? clBtnShadow : clBtnText);
  C.Polygon({{cx - 3, cy - 3}, {cx + 3, cy - 3}, {cx, cy + 1}});
  C.MoveTo(cx, cy + 1);
  C.LineTo(cx, cy + 4);
}

void THeaderControl::Paint() {
  TCanvas& c = Canvas();
  TRect client = ClientRect();
  c.Brush().SetColor(clBtnFace);
  c.FillRect(client);
  for (int i : FOrder) {
    TRect r = SectionRect(i);
    if (r.Right <= 0 || r.Left >= client.Right || r.Width() <= 0) continue;
    PaintSection(c, i, r);
    if (FilterBar() && !(FSections[static_cast<std::size_t>(i)]->FFormat & HDF_OWNERDRAW)) PaintFilter(c, i, r);
  }
  if (FDrag == dkMove && FDropPosition >= 0) {
    // The place the dragged section goes to.
    int x = -FScrollOffset;
    for (int p = 0; p < FDropPosition && p < static_cast<int>(FOrder.size()); ++p)
      x += FSections[static_cast<std::size_t>(FOrder[static_cast<std::size_t>(p)])]->FWidth;
    c.Brush().SetColor(clHighlight);
    c.FillRect(Rect(x - 1, 0, x + 1, client.Bottom));
  }
}

// ---- input ----

void THeaderControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomControl::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft || Shift.Contains(ssDouble)) return;
  FLastDown = {X, Y};
  UINT flags = 0;
  int item = HitTest(X, Y, &flags);
  if (item < 0) return;
  THeaderSection* s = FSections[static_cast<std::size_t>(item)].get();
  if (flags & (HHT_ONDIVIDER | HHT_ONDIVOPEN)) {
    HDITEM changing;
    changing.mask = HDI_WIDTH;
    changing.cxy = s->FWidth;
    if (Notify(HDN_BEGINTRACK, item, 0, &changing) != 0) return;
    FDrag = dkTrack;
    FDragIndex = item;
    FDragStartX = X;
    FDragStartWidth = s->FWidth;
  } else if (flags & HHT_ONFILTERBUTTON) {
    NMHDFILTERBTNCLICK n;
    n.hdr.code = HDN_FILTERBTNCLICK;
    n.iItem = item;
    n.rc = FilterButtonRect(item);
    if (SendNotify(*this, n.hdr) != 0) FireFilterChange(item);
  } else if (flags & HHT_ONFILTER) {
    EditFilter(item);
  } else if (flags & HHT_ONHEADER) {
    FDrag = dkPress;
    FDragIndex = item;
    FDragStartX = X;
    FDropPosition = -1;
    if (!Flat() && s->FAllowClick) {
      FPressed = item;
      Invalidate();
    }
  }
}

void THeaderControl::MouseMove(TShiftState Shift, int X, int Y) {
  TCustomControl::MouseMove(Shift, X, Y);
  if (FDrag == dkTrack) {
    THeaderSection* s = FSections[static_cast<std::size_t>(FDragIndex)].get();
    int w = std::clamp(FDragStartWidth + X - FDragStartX, s->FMinWidth, std::max(s->FMinWidth, s->FMaxWidth));
    if (w == s->FWidth) return;
    HDITEM changing;
    changing.mask = HDI_WIDTH;
    changing.cxy = w;
    if (Notify(HDN_TRACK, FDragIndex, 0, &changing) != 0) return;
    s->FWidth = w;
    SectionsChanged();
    if (FFilterEdit && FEditingFilter >= 0) Resize();
    return;
  }
  if (FDrag == dkPress && DragReorder() && std::abs(X - FDragStartX) >= kDragThreshold) {
    if (Notify(HDN_BEGINDRAG, FDragIndex) != 0) {
      FDrag = dkNone;
    } else {
      FDrag = dkMove;
      FPressed = -1;
    }
  }
  if (FDrag == dkMove) {
    // The drop position: before the section whose middle lies right of the point.
    int x = -FScrollOffset, position = static_cast<int>(FOrder.size());
    for (std::size_t p = 0; p < FOrder.size(); ++p) {
      int w = FSections[static_cast<std::size_t>(FOrder[p])]->FWidth;
      if (X < x + w / 2) {
        position = static_cast<int>(p);
        break;
      }
      x += w;
    }
    FDropPosition = position;
    Invalidate();
    return;
  }
  if (HotTrack()) {
    UINT flags = 0;
    int item = HitTest(X, Y, &flags);
    if (!(flags & HHT_ONHEADER)) item = -1;
    if (item != FHot) {
      FHot = item;
      Invalidate();
    }
  }
}

void THeaderControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomControl::MouseUp(Button, Shift, X, Y);
  if (Button == mbRight) {
    NMHDR h;
    h.code = NM_RCLICK;
    SendNotify(*this, h);
    return;
  }
  if (Button != mbLeft) return;
  TDragKind drag = FDrag;
  int index = FDragIndex;
  FDrag = dkNone;
  FDragIndex = -1;
  if (FPressed >= 0) {
    FPressed = -1;
    Invalidate();
  }
  if (drag == dkTrack) {
    HDITEM done;
    done.mask = HDI_WIDTH;
    done.cxy = FSections[static_cast<std::size_t>(index)]->FWidth;
    Notify(HDN_ENDTRACK, index, 0, &done);
    Notify(HDN_ITEMCHANGED, index, 0, &done);
  } else if (drag == dkPress) {
    UINT flags = 0;
    if (HitTest(X, Y, &flags) == index && (flags & HHT_ONHEADER) &&
        FSections[static_cast<std::size_t>(index)]->FAllowClick)
      Notify(HDN_ITEMCLICK, index, 0);
  } else if (drag == dkMove) {
    int from = FSections[static_cast<std::size_t>(index)]->Order();
    int to = FDropPosition > from ? FDropPosition - 1 : FDropPosition;
    FDropPosition = -1;
    Invalidate();
    if (to < 0 || to == from) return;
    HDITEM moved;
    moved.mask = HDI_ORDER;
    moved.iOrder = to;
    if (Notify(HDN_ENDDRAG, index, 0, &moved) != 0) return;
    FOrder.erase(FOrder.begin() + from);
    FOrder.insert(FOrder.begin() + to, index);
    SectionsChanged();
    if (OnSectionEndDrag) OnSectionEndDrag(this);
  }
}

void THeaderControl::DblClick() {
  TCustomControl::DblClick();
  UINT flags = 0;
  int item = HitTest(FLastDown.X, FLastDown.Y, &flags);
  if (item < 0) return;
  Notify((flags & (HHT_ONDIVIDER | HHT_ONDIVOPEN)) ? HDN_DIVIDERDBLCLICK : HDN_ITEMDBLCLICK, item);
}

// ---- messages ----

bool THeaderControl::GetItem(int Index, HDITEM& Item) const {
  if (Index < 0 || Index >= SectionCount()) return false;
  const THeaderSection* s = FSections[static_cast<std::size_t>(Index)].get();
  if (Item.mask & HDI_WIDTH) Item.cxy = s->FWidth;
  if (Item.mask & HDI_TEXT) CopyToBuffer(s->FText, Item.pszText, Item.cchTextMax);
  if (Item.mask & HDI_FORMAT) Item.fmt = s->FFormat;
  if (Item.mask & HDI_LPARAM) Item.lParam = s->FData;
  if (Item.mask & HDI_BITMAP) Item.hbm = s->FBitmap.get();
  if (Item.mask & HDI_IMAGE) Item.iImage = s->FImageIndex;
  if (Item.mask & HDI_ORDER) Item.iOrder = s->Order();
  if (Item.mask & HDI_FILTER) {
    Item.type = HDFT_ISSTRING;
    if (auto* f = static_cast<HDTEXTFILTER*>(Item.pvFilter)) CopyToBuffer(s->FFilter, f->pszText, f->cchTextMax);
  }
  return true;
}

bool THeaderControl::SetItem(int Index, const HDITEM& Item) {
  if (Index < 0 || Index >= SectionCount()) return false;
  THeaderSection* s = FSections[static_cast<std::size_t>(Index)].get();
  if (Item.mask & HDI_WIDTH) s->FWidth = std::max(Item.cxy, 0);
  if (Item.mask & HDI_TEXT) s->FText = Item.pszText ? Item.pszText : "";
  if (Item.mask & HDI_FORMAT) s->SetFormat(Item.fmt);
  if (Item.mask & HDI_LPARAM) s->FData = Item.lParam;
  if (Item.mask & HDI_BITMAP) {
    int keep = s->FFormat;
    s->SetBitmap(Item.hbm);
    if (Item.mask & HDI_FORMAT) s->FFormat = keep;
  }
  if (Item.mask & HDI_IMAGE) s->FImageIndex = Item.iImage;
  if (Item.mask & HDI_ORDER) {
    int from = s->Order();
    int to = std::clamp(Item.iOrder, 0, SectionCount() - 1);
    FOrder.erase(FOrder.begin() + from);
    FOrder.insert(FOrder.begin() + to, Index);
  }
  if ((Item.mask & HDI_FILTER) && Item.type == HDFT_ISSTRING) {
    auto* f = static_cast<const HDTEXTFILTER*>(Item.pvFilter);
    s->FFilter = f && f->pszText ? f->pszText : "";
  }
  SectionsChanged();
  return true;
}

LRESULT THeaderControl::HandleHeaderMessage(TMessage& M, bool& Handled) {
  Handled = true;
  const int index = static_cast<int>(M.WParam);
  switch (M.Msg) {
    case HDM_GETITEMCOUNT: return SectionCount();
    case HDM_INSERTITEMA: {
      auto* item = reinterpret_cast<const HDITEM*>(M.LParam);
      if (!item || index < 0) return -1;
      int at = std::min(index, SectionCount());
      InsertSection(at);
      HDITEM copy = *item;
      copy.mask &= ~UINT{HDI_ORDER};
      SetItem(at, copy);
      if (item->mask & HDI_ORDER) {
        HDITEM order;
        order.mask = HDI_ORDER;
        order.iOrder = item->iOrder;
        SetItem(at, order);
      }
      return at;
    }
    case HDM_DELETEITEM: return DeleteSection(index) ? TRUE : FALSE;
    case HDM_GETITEMA: {
      auto* item = reinterpret_cast<HDITEM*>(M.LParam);
      return item && GetItem(index, *item) ? TRUE : FALSE;
    }
    case HDM_SETITEMA: {
      auto* item = reinterpret_cast<const HDITEM*>(M.LParam);
      return item && SetItem(index, *item) ? TRUE : FALSE;
    }
    case HDM_HITTEST: {
      auto* info = reinterpret_cast<HDHITTESTINFO*>(M.LParam);
      if (!info) return -1;
      info->iItem = HitTest(info->pt.X, info->pt.Y, &info->flags);
      return info->iItem;
    }
    case HDM_GETITEMRECT: {
      auto* r = reinterpret_cast<TRect*>(M.LParam);
      if (!r || index < 0 || index >= SectionCount()) return FALSE;
      *r = SectionRect(index);
      return TRUE;
    }
    case HDM_SETIMAGELIST: {
      TImageList* old = FImages;
      SetImages(reinterpret_cast<TImageList*>(M.LParam));
      return reinterpret_cast<LRESULT>(old);
    }
    case HDM_GETIMAGELIST: return reinterpret_cast<LRESULT>(FImages);
    case HDM_ORDERTOINDEX: return OrderToIndex(index);
    case HDM_GETORDERARRAY: {
      auto* out = reinterpret_cast<int*>(M.LParam);
      if (!out || index != SectionCount()) return FALSE;
      std::copy(FOrder.begin(), FOrder.end(), out);
      return TRUE;
    }
    case HDM_SETORDERARRAY: {
      auto* in = reinterpret_cast<const int*>(M.LParam);
      if (!in || index != SectionCount()) return FALSE;
      return SetOrder(std::vector<int>(in, in + index)) ? TRUE : FALSE;
    }
    case HDM_SETBITMAPMARGIN: {
      int old = FBitmapMargin;
      SetBitmapMargin(index);
      return old;
    }
    case HDM_GETBITMAPMARGIN: return FBitmapMargin;
    case HDM_SETFILTERCHANGETIMEOUT: {
      LRESULT old = static_cast<LRESULT>(FFilterTimeout);
      SetFilterChangeTimeout(static_cast<unsigned>(std::max<LPARAM>(M.LParam, 0)));
      return old;
    }
    case HDM_EDITFILTER: return EditFilter(index, M.LParam != 0) ? TRUE : FALSE;
    case HDM_CLEARFILTER: ClearFilter(index); return TRUE;
    default:
      Handled = false;
      return 0;
  }
}

void THeaderControl::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case CN_NOTIFY: {
      NoteReflected(Message);
      auto* h = reinterpret_cast<NMHDR*>(Message.LParam);
      if (!h || h->hwndFrom != this) return;
      auto* n = reinterpret_cast<NMHEADER*>(h);
      THeaderSection* s = nullptr;
      if (h->code != NM_RCLICK && h->code != HDN_FILTERBTNCLICK && n->iItem >= 0 && n->iItem < SectionCount())
        s = FSections[static_cast<std::size_t>(n->iItem)].get();
      switch (h->code) {
        case HDN_ITEMCLICK: if (s) SectionClick(s); break;
        case HDN_ITEMCHANGED: if (s) SectionResize(s); break;
        case HDN_BEGINTRACK: if (s) SectionTrack(s, s->FWidth, tsTrackBegin); break;
        case HDN_TRACK: if (s && n->pitem) SectionTrack(s, n->pitem->cxy, tsTrackMove); break;
        case HDN_ENDTRACK: if (s) SectionTrack(s, s->FWidth, tsTrackEnd); break;
        case HDN_ENDDRAG:
          if (s && n->pitem && OnSectionDrag) {
            bool allow = true;
            int to = n->pitem->iOrder;
            THeaderSection* target = to >= 0 && to < SectionCount() ? Sections(OrderToIndex(to)) : nullptr;
            OnSectionDrag(this, s, target, allow);
            Message.Result = allow ? 0 : 1;
          }
          break;
        default: break;
      }
      return;
    }
    case CN_DRAWITEM: {
      NoteReflected(Message);
      auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam);
      if (d && d->hwndItem == this && static_cast<int>(d->itemID) < SectionCount()) {
        DrawSection(Sections(static_cast<int>(d->itemID)), d->rcItem, (d->itemState & ODS_SELECTED) != 0);
        Message.Result = 1;
      }
      return;
    }
    case WM_TIMER:
      if (Message.WParam == kFilterTimer) {
        KillTimer(kFilterTimer);
        int index = FPendingFilter;
        FPendingFilter = -1;
        if (index >= 0) FireFilterChange(index);
        return;
      }
      break;
    case CM_MOUSELEAVE:
      if (FHot >= 0) {
        FHot = -1;
        Invalidate();
      }
      break;
    default: {
      bool handled = false;
      LRESULT r = HandleHeaderMessage(Message, handled);
      if (handled) {
        Message.Result = r;
        return;
      }
    }
  }
  TCustomControl::WndProc(Message);
}
