#include "controls/diagram.h"

#include <algorithm>
#include <cctype>

#include "platform/rtl/sysutils.h"
#include "platform/ui/forms.h"
#include "platform/ui/screen.h"
#include "platform/ui/scroll_bars.h"

namespace {

bool SameNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

bool IsIdentifier(const std::string& s) {
  if (s.empty() || !(std::isalpha(static_cast<unsigned char>(s[0])) || s[0] == '_')) return false;
  for (char c : s)
    if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_')) return false;
  return true;
}

// Rectangles meet unless one lies wholly beside the other; touching edges meet.
bool Meet(const TRect& a, const TRect& b) {
  return !(a.Left > b.Right || b.Left > a.Right || a.Top > b.Bottom || b.Top > a.Bottom);
}

}  // namespace

// ---- TDgDiagramItemPanel ----------------------------------------------------------------------

TDgDiagramItemPanel::TDgDiagramItemPanel(TDgCustomDiagram* Owner, TDgDiagramItem* Item)
    : TCustomControl(Owner), FItem(Item), FDiagram(Owner) {
  SetParentFont(true);
  SetTabStop(true);
  SetParent(Owner);
}

int TDgDiagramItemPanel::CaptionHeight() { return GetSystemMetrics(SM_CYBORDER) + GetSystemMetrics(SM_CYSMCAPTION); }

void TDgDiagramItemPanel::Paint() {
  TCanvas& c = Canvas();
  TRect r = ClientRect();
  // The frame and the small caption bar of a tool window.
  c.Brush().SetStyle(bsSolid);
  c.Brush().SetColor(clBtnFace);
  c.FillRect(r);
  TRect frame = r;
  c.DrawEdge(frame, EDGE_RAISED, BF_RECT);
  bool selected = FDiagram->SelectedItem() == FItem;
  TRect bar = Rect(2, 2, r.Right - 2, CaptionHeight());
  c.Brush().SetColor(selected ? clActiveCaption : clInactiveCaption);
  c.FillRect(bar);
  c.Brush().SetStyle(bsClear);
  c.Font().Assign(Font());
  c.Font().SetColor(selected ? clCaptionText : clInactiveCaptionText);
  TRect text = bar;
  text.Left += 3;
  c.DrawText(FItem->Caption(), text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  FDiagram->PaintItem(this);
}

void TDgDiagramItemPanel::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomControl::MouseDown(Button, Shift, X, Y);
  FDiagram->SetSelectedItem(FItem);
  if (CanFocus()) SetFocus();
  if (Button != mbLeft) return;
  FDragStart = ClientToScreen({X, Y});
  FStartBounds = BoundsRect();
  if (X >= Width() - 6 && Y >= Height() - 6) FDrag = dgSize;
  else if (Y < CaptionHeight()) FDrag = dgMove;
  else FDrag = dgNone;
  // A press in the client area drags the diagram (not the item) when the diagram drags itself.
  if (FDrag == dgNone && FDiagram->DragMode() == dmAutomatic && !Shift.Contains(ssShift) && !Shift.Contains(ssCtrl)) {
    FDiagram->BeginDrag(false);
    return;
  }
  if (FDrag != dgNone) SetCapture();
}

void TDgDiagramItemPanel::MouseMove(TShiftState Shift, int X, int Y) {
  TCustomControl::MouseMove(Shift, X, Y);
  if (FDrag == dgNone) {
    SetCursor(X >= Width() - 6 && Y >= Height() - 6 ? crSizeNWSE : crDefault);
    return;
  }
  TPoint now = ClientToScreen({X, Y});
  int dx = now.X - FDragStart.X, dy = now.Y - FDragStart.Y;
  if (FDrag == dgMove)
    SetBounds(FStartBounds.Left + dx, FStartBounds.Top + dy, FStartBounds.Width(), FStartBounds.Height());
  else
    SetBounds(FStartBounds.Left, FStartBounds.Top, std::max(20, FStartBounds.Width() + dx),
              std::max(CaptionHeight() + 4, FStartBounds.Height() + dy));
}

void TDgDiagramItemPanel::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomControl::MouseUp(Button, Shift, X, Y);
  if (FDrag != dgNone) ReleaseCapture();
  FDrag = dgNone;
}

void TDgDiagramItemPanel::BoundsChanged(bool resized) {
  TCustomControl::BoundsChanged(resized);
  if (FItem) FItem->SyncFromPanel();
}

void TDgDiagramItemPanel::DoEnter() {
  // The form's active control follows the focus here by itself; setting it to the diagram
  // would focus the diagram, which hands the focus back to this panel, without end.
  TCustomControl::DoEnter();
  Invalidate();
}

// Over an item the drop target is the diagram itself.
void TDgDiagramItemPanel::DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) {
  TPoint p = FDiagram->ScreenToClient(ClientToScreen({X, Y}));
  FDiagram->DragOver(Source, p.X, p.Y, State, Accept);
}

void TDgDiagramItemPanel::DragDrop(TObject* Source, int X, int Y) {
  TPoint p = FDiagram->ScreenToClient(ClientToScreen({X, Y}));
  FDiagram->DragDrop(Source, p.X, p.Y);
}

void TDgDiagramItemPanel::KeyDown(WORD& Key, TShiftState Shift) {
  TCustomControl::KeyDown(Key, Shift);
  if (Key) FDiagram->KeyDown(Key, Shift);
}

void TDgDiagramItemPanel::WndProc(TMessage& Message) {
  if (Message.Msg == WM_GETDLGCODE) {
    Message.Result = DLGC_WANTTAB | DLGC_WANTARROWS;
    return;
  }
  if (Message.Msg == WM_LBUTTONDBLCLK) {
    FDiagram->DblClick();
    return;
  }
  TCustomControl::WndProc(Message);
}

// ---- TDgDiagramItem ----------------------------------------------------------------------------

TDgDiagramItem::TDgDiagramItem(TDgCustomDiagram& diagram) : FDiagram(diagram) {}

TDgDiagramItem::~TDgDiagramItem() {
  delete FPanel;
  FPanel = nullptr;
}

int TDgDiagramItem::Index() const { return FDiagram.Items().IndexOf(this); }

void TDgDiagramItem::Changed(TDgItemChange change) {
  FChanges << change;
  FDiagram.DoChange();
  FDiagram.Items().Update(this);
}

void TDgDiagramItem::SetBounds(int left, int top, int width, int height) {
  if (left == FLeft && top == FTop && width == FWidth && height == FHeight) return;
  FLeft = left;
  FTop = top;
  FWidth = width;
  FHeight = height;
  Changed(icBounds);
}

void TDgDiagramItem::SetName(const std::string& value) {
  if (value == FName) return;
  if (!value.empty() && !SameNoCase(value, FName)) {
    if (!IsIdentifier(value)) throw Exception("Invalid item name: " + value);
    if (FDiagram.Items().FindItem(value)) throw Exception("Item " + value + " already exist");
  }
  if (FCaption == FName) {
    FCaption = value;
    FChanges << icCaption;
  }
  FName = value;
  FDiagram.ResolveLinks();
  FDiagram.DoChange();
  FDiagram.Items().Update(this);
}

void TDgDiagramItem::SetCaption(const std::string& value) {
  if (value == FCaption) return;
  FCaption = value;
  Changed(icCaption);
}

void TDgDiagramItem::SetColor(TColor value) {
  if (value == FColor) return;
  FColor = value;
  Changed(icColor);
}

void TDgDiagramItem::SetVisible(bool value) {
  if (value == FVisible) return;
  if (!value && FDiagram.SelectedItem() == this) FDiagram.SetSelectedItem(nullptr);
  FVisible = value;
  Changed(icVisibility);
}

void TDgDiagramItem::ApplyToPanel(bool& Changed) {
  if (FVisible && !FPanel) {
    FChanges << icCreating;
    FPanel = new TDgDiagramItemPanel(&FDiagram, this);
    MarkAllChanged();
    FChanges >> icCreating;
  } else if (!FVisible && FPanel) {
    delete FPanel;
    FPanel = nullptr;
  }
  if (FPanel) {
    if (FChanges.Contains(icBounds)) {
      FChanges << icSyncing;
      FPanel->SetBounds(FLeft - FDiagram.HorzPos(), FTop - FDiagram.VertPos(), FWidth, FHeight);
      FChanges >> icSyncing;
    }
    if (FChanges.Contains(icCaption)) FPanel->SetCaption(FCaption);
    if (FChanges.Contains(icColor)) FPanel->SetColor(FColor);
    if (FChanges.Contains(icCaption) || FChanges.Contains(icColor)) FPanel->Invalidate();
  }
  Changed = Changed || FChanges.Contains(icBounds) || FChanges.Contains(icVisibility);
}

void TDgDiagramItem::SyncFromPanel() {
  if (!FPanel || FChanges.Contains(icSyncing) || FChanges.Contains(icCreating)) return;
  int left = FPanel->Left() + FDiagram.HorzPos(), top = FPanel->Top() + FDiagram.VertPos();
  if (left == FLeft && top == FTop && FPanel->Width() == FWidth && FPanel->Height() == FHeight) return;
  FLeft = left;
  FTop = top;
  FWidth = FPanel->Width();
  FHeight = FPanel->Height();
  Changed(icBounds);
}

void TDgDiagramItem::AssignItem(const TDgDiagramItem& Source) {
  FLeft = Source.FLeft;
  FTop = Source.FTop;
  FWidth = Source.FWidth;
  FHeight = Source.FHeight;
  FCaption = Source.FCaption;
  FColor = Source.FColor;
  FVisible = Source.FVisible;
  MarkAllChanged();
  FDiagram.DoChange();
  FDiagram.Items().Update(this);
}

void TDgDiagramItem::SetSelected(bool Value) {
  if (!FPanel) return;
  if (Value) FPanel->BringToFront();
  FPanel->Invalidate();
  FPanel->Update();
}

void TDgDiagramItem::Focus() {
  if (FPanel && FPanel->CanFocus()) FPanel->SetFocus();
}

// ---- TDgDiagramLink -----------------------------------------------------------------------------

TDgDiagramLink::~TDgDiagramLink() = default;

int TDgDiagramLink::Index() const { return FDiagram.Links().IndexOf(this); }

void TDgDiagramLink::Resolve() {
  FBeginItem = FBeginItemName.empty() ? nullptr : FDiagram.Items().FindItem(FBeginItemName);
  FEndItem = FEndItemName.empty() ? nullptr : FDiagram.Items().FindItem(FEndItemName);
}

std::string TDgDiagramLink::DisplayName() const {
  if (FBeginItem || FEndItem) return "{" + FBeginItemName + "}-{" + FEndItemName + "}";
  return "TDgDiagramLink";
}

void TDgDiagramLink::SetBeginItemName(const std::string& value) {
  if (value == FBeginItemName) return;
  FBeginItemName = value;
  Resolve();
  FDiagram.DoChange();
  FDiagram.Links().Update();
}

void TDgDiagramLink::SetEndItemName(const std::string& value) {
  if (value == FEndItemName) return;
  FEndItemName = value;
  Resolve();
  FDiagram.DoChange();
  FDiagram.Links().Update();
}

void TDgDiagramLink::SetColor(TColor value) {
  if (value == FColor) return;
  FColor = value;
  FDiagram.DoChange();
  FDiagram.Links().Update();
}

void TDgDiagramLink::SetVisible(bool value) {
  if (value == FVisible) return;
  if (!value && FDiagram.SelectedLink() == this) FDiagram.SetSelectedLink(nullptr);
  FVisible = value;
  FDiagram.DoChange();
  FDiagram.Links().Update();
}

bool TDgDiagramLink::IsDrawable() const {
  return FBeginItem && FEndItem && FBeginItem->Panel() && FEndItem->Panel() && FBeginItem->Visible() &&
         FEndItem->Visible() && FVisible;
}

void TDgDiagramLink::AssignLink(const TDgDiagramLink& Source) {
  FEndItemName = Source.FEndItemName;
  FBeginItemName = Source.FBeginItemName;
  Resolve();
  FColor = Source.FColor;
  FVisible = Source.FVisible;
  FDiagram.DoChange();
  FDiagram.Links().Update();
}

// ---- Collections ------------------------------------------------------------------------------------

TDgDiagramItem* TDgDiagramItems::Add() {
  auto item = std::make_unique<TDgDiagramItem>(FDiagram);
  if (FDiagram.AutoItemPos) {
    TPoint p = FDiagram.FindFreePlace(item->FWidth, item->FHeight);
    item->FLeft = p.X;
    item->FTop = p.Y;
  }
  for (int n = 1;; ++n) {
    std::string name = "Item" + std::to_string(n);
    if (!FindItem(name)) {
      item->FName = name;
      item->FCaption = name;
      break;
    }
  }
  item->MarkAllChanged();
  TDgDiagramItem* raw = item.get();
  FEntries.push_back(std::move(item));
  FDiagram.DoInsertItem(raw);
  FDiagram.ResolveLinks();
  Update(raw);
  return raw;
}

void TDgDiagramItems::Delete(int index) {
  if (index < 0 || index >= Count()) throw EListError::OutOfBounds(index);
  TDgDiagramItem* item = Items(index);
  FDiagram.DoDeleteItem(item);
  item->FName.clear();
  FDiagram.ResolveLinks();
  if (FDiagram.SelectedItem() == item) FDiagram.SetSelectedItem(nullptr);
  FEntries.erase(FEntries.begin() + index);
  FDiagram.UpdateLinks();
}

TDgDiagramItem* TDgDiagramItems::FindItem(const std::string& name) const {
  for (const auto& i : FEntries)
    if (SameNoCase(i->FName, name)) return i.get();
  return nullptr;
}

void TDgDiagramItems::Update(TDgDiagramItem* item) {
  if (FUpdating > 0 || FDiagram.FDestroying) return;
  bool changed = false;
  if (item) {
    item->ApplyToPanel(changed);
    item->ClearChanges();
  } else {
    for (const auto& i : FEntries) {
      i->ApplyToPanel(changed);
      i->ClearChanges();
    }
  }
  if (changed) FDiagram.UpdateLinks();
}

TDgDiagramLink* TDgDiagramLinks::Add() {
  FEntries.push_back(std::make_unique<TDgDiagramLink>(FDiagram));
  TDgDiagramLink* link = FEntries.back().get();
  FDiagram.DoInsertLink(link);
  Update();
  return link;
}

void TDgDiagramLinks::Delete(int index) {
  if (index < 0 || index >= Count()) throw EListError::OutOfBounds(index);
  TDgDiagramLink* link = Items(index);
  FDiagram.DoDeleteLink(link);
  if (FDiagram.SelectedLink() == link) FDiagram.SetSelectedLink(nullptr);
  FDiagram.LinkGone(link);
  FEntries.erase(FEntries.begin() + index);
  Update();
}

TDgDiagramLink* TDgDiagramLinks::LinkAt(int X, int Y) const {
  const auto* cache = FDiagram.LinkDrawCache();
  for (const auto& l : FEntries) {
    if (!cache || l->FDrawIndex < 0 || l->FDrawIndex >= static_cast<int>(cache->size())) continue;
    const auto& record = (*cache)[static_cast<std::size_t>(l->FDrawIndex)];
    if (record.Link == l.get() && FDiagram.IsOnLink(record.DrawInfo.get(), X, Y)) return l.get();
  }
  return nullptr;
}

void TDgDiagramLinks::Update() {
  if (FUpdating > 0 || FDiagram.FDestroying) return;
  FDiagram.UpdateLinks();
}

// ---- TDgCustomDiagram ---------------------------------------------------------------------------------

TDgCustomDiagram::TDgCustomDiagram(TComponent* AOwner)
    : TCustomPanel(AOwner), FItems(std::make_unique<TDgDiagramItems>(*this)),
      FLinks(std::make_unique<TDgDiagramLinks>(*this)) {
  SetBounds(Left(), Top(), 185, 89);
  SetBevelOuter(bvNone);
  SetBorderStyle(bsSingle);
  SetTabStop(true);
  SetColor(clWindow);
}

TDgCustomDiagram::~TDgCustomDiagram() {
  FSelectedItem = nullptr;
  FSelectedLink = nullptr;
  FDestroying = true;
  FLinks.reset();
  FItems.reset();
  FCache.reset();
}

void TDgCustomDiagram::SetItems(const TDgDiagramItems& value) {
  if (&value == FItems.get()) return;
  FItems->BeginUpdate();
  FItems->Clear();
  for (int i = 0; i < value.Count(); ++i) {
    TDgDiagramItem* item = FItems->Add();
    item->AssignItem(*value.Items(i));
    item->SetName(value.Items(i)->Name());
  }
  FItems->EndUpdate();
}

void TDgCustomDiagram::SetLinks(const TDgDiagramLinks& value) {
  if (&value == FLinks.get()) return;
  FLinks->BeginUpdate();
  FLinks->Clear();
  for (int i = 0; i < value.Count(); ++i) FLinks->Add()->AssignLink(*value.Items(i));
  FLinks->EndUpdate();
}

void TDgCustomDiagram::CreateWnd() {
  TCustomPanel::CreateWnd();
  UpdateScrollBars();
}

void TDgCustomDiagram::SetDiagramWidth(int value) {
  if (value == FDiagramWidth) return;
  FDiagramWidth = value;
  UpdateScrollBars();
  DoChange();
}

void TDgCustomDiagram::SetDiagramHeight(int value) {
  if (value == FDiagramHeight) return;
  FDiagramHeight = value;
  UpdateScrollBars();
  DoChange();
}

void TDgCustomDiagram::SetScrollBars(TScrollStyle value) {
  FScrollBars = value;
  if (HandleAllocated()) {
    ShowScrollBar(this, SB_HORZ, value == ssHorizontal || value == ssBoth);
    ShowScrollBar(this, SB_VERT, value == ssVertical || value == ssBoth);
  }
  UpdateScrollBars();
}

void TDgCustomDiagram::UpdateScrollBars() {
  if (!HandleAllocated()) return;
  auto set = [&](int bar, int max, int page, int pos) {
    SCROLLINFO info;
    info.fMask = SIF_ALL;
    info.nMin = 0;
    info.nMax = max;
    info.nPage = static_cast<UINT>(std::max(page, 0));
    info.nPos = pos;
    SetScrollInfo(this, bar, info, true);
  };
  bool h = FScrollBars == ssHorizontal || FScrollBars == ssBoth;
  bool v = FScrollBars == ssVertical || FScrollBars == ssBoth;
  ShowScrollBar(this, SB_HORZ, h);
  ShowScrollBar(this, SB_VERT, v);
  if (h) set(SB_HORZ, FDiagramWidth, ClientWidth(), FHorzPos);
  if (v) set(SB_VERT, FDiagramHeight, ClientHeight(), FVertPos);
}

void TDgCustomDiagram::Resize() {
  TCustomPanel::Resize();
  UpdateScrollBars();
}

void TDgCustomDiagram::ScrollDiagram(int DX, int DY) {
  // Within 0 .. size less the client area, and never below 0 when the diagram is the smaller.
  int x = std::max(0, std::min(FHorzPos + DX, FDiagramWidth - ClientWidth()));
  int y = std::max(0, std::min(FVertPos + DY, FDiagramHeight - ClientHeight()));
  if (x == FHorzPos && y == FVertPos) {
    DoChange();
    return;
  }
  int dx = x - FHorzPos, dy = y - FVertPos;
  FHorzPos = x;
  FVertPos = y;
  ScrollBy(-dx, -dy);
  UpdateScrollBars();
  DoChange();
}

void TDgCustomDiagram::Scroll(int bar, int code, int track) {
  bool horz = bar == SB_HORZ;
  int pos = horz ? FHorzPos : FVertPos;
  int page = horz ? ClientWidth() : ClientHeight();
  int size = horz ? FDiagramWidth : FDiagramHeight;
  int target = pos;
  switch (code) {
    case SB_LINEUP: target = pos - 10; break;
    case SB_LINEDOWN: target = pos + 10; break;
    case SB_PAGEUP: target = pos - page; break;
    case SB_PAGEDOWN: target = pos + page; break;
    case SB_THUMBPOSITION: target = track; break;
    case SB_THUMBTRACK: if (ThumbTrack) target = track; break;
    case SB_TOP: target = 0; break;
    case SB_BOTTOM: target = size - page; break;
    default: break;
  }
  if (horz) ScrollDiagram(target - FHorzPos, 0);
  else ScrollDiagram(0, target - FVertPos);
}

void TDgCustomDiagram::ScrollInView(TDgDiagramItem* item) {
  if (!item) return;
  int x = FHorzPos, y = FVertPos;
  if (item->Left() + item->Width() > FHorzPos + ClientWidth()) x = item->Left() + item->Width() - ClientWidth();
  if (item->Top() + item->Height() > FVertPos + ClientHeight()) y = item->Top() + item->Height() - ClientHeight();
  if (FHorzPos > item->Left()) x = item->Left();
  if (FVertPos > item->Top()) y = item->Top();
  ScrollDiagram(x - FHorzPos, y - FVertPos);
}

TPoint TDgCustomDiagram::FindFreePlace(int W, int H) const {
  int v = Width();
  if (FScrollBars == ssHorizontal || FScrollBars == ssBoth) v -= GetSystemMetrics(SM_CYHSCROLL);
  const TRect regions[] = {
      Rect(FHorzPos, FVertPos, FHorzPos + v - W, FDiagramHeight - H),
      Rect(FHorzPos + v - W, FVertPos, FDiagramWidth - W, FDiagramHeight - H),
      Rect(FHorzPos, 0, FDiagramWidth - W, FVertPos - H),
      Rect(0, 0, FHorzPos - W, FDiagramHeight - H)};
  for (const TRect& region : regions) {
    for (int y = region.Top; y <= region.Bottom; y += 20) {
      for (int x = region.Left; x <= region.Right; x += 20) {
        TRect candidate = Rect(x, y, x + W, y + H);
        bool free = true;
        for (int i = 0; i < FItems->Count() && free; ++i) {
          const TDgDiagramItem* it = FItems->Items(i);
          if (it->Visible() && Meet(candidate, Rect(it->Left(), it->Top(), it->Left() + it->Width(), it->Top() + it->Height())))
            free = false;
        }
        if (free) return {x, y};
      }
    }
  }
  return {FHorzPos, FVertPos};
}

bool TDgCustomDiagram::FocusInside() const {
  TWinControl* focused = GetFocus();
  return focused && (focused == this || ContainsControl(focused));
}

void TDgCustomDiagram::SetSelectedItem(TDgDiagramItem* value) {
  if (value == FSelectedItem) return;
  if (value && !value->Visible()) throw EDgDiagram("Can not select invisible item");
  ChangeSelection([&] {
    SetSelectedLink(nullptr);
    TDgDiagramItem* old = FSelectedItem;
    FSelectedItem = value;
    if (old) old->SetSelected(false);
    if (value) {
      value->SetSelected(true);
      if (FocusInside()) value->Focus();
    } else if (FocusInside() && CanFocus()) {
      SetFocus();
    }
  });
}

void TDgCustomDiagram::SetSelectedLink(TDgDiagramLink* value) {
  if (value == FSelectedLink) return;
  if (value && !value->Visible()) throw EDgDiagram("Can not select invisible link");
  ChangeSelection([&] {
    SetSelectedItem(nullptr);
    FSelectedLink = value;
    UpdateLinks();
  });
}

void TDgCustomDiagram::ChangeSelection(const std::function<void()>& Change) {
  const bool outer = !FState.Contains(dsSelecting);
  FState << dsSelecting;
  try {
    Change();
  } catch (...) {
    if (outer) FState >> dsSelecting;
    throw;
  }
  if (outer) {
    FState >> dsSelecting;
    DoChangeSelection();
  }
}

void TDgCustomDiagram::DoChangeSelection() {
  if (OnChangeSelection) OnChangeSelection(this);
}

void TDgCustomDiagram::DoChange() {
  if (!FDestroying && OnChange) OnChange(this);
}

void TDgCustomDiagram::ResolveLinks() {
  if (!FLinks) return;
  FLinks->BeginUpdate();
  for (const auto& l : FLinks->FEntries) l->Resolve();
  FLinks->EndUpdate();
}

void TDgCustomDiagram::LinkGone(TDgDiagramLink* link) {
  if (!FCache) return;
  for (auto& r : *FCache)
    if (r.Link == link) r.Link = nullptr;
}

std::unique_ptr<TDgLinkDrawInfo> TDgCustomDiagram::CreateLinkDrawInfo(TDgDiagramLink* ALink) {
  if (!ALink || !ALink->IsDrawable()) return nullptr;
  const TDgDiagramItem* b = ALink->BeginItem();
  const TDgDiagramItem* e = ALink->EndItem();
  auto info = std::make_unique<TDgStdLinkDrawInfo>();
  info->LeftToRight = (b->Left() * 2 + b->Width()) / 2 < (e->Left() * 2 + e->Width()) / 2;
  const int stub = 14;
  const bool sideBySide = b->Left() + b->Width() + 2 * stub <= e->Left() || e->Left() + e->Width() + 2 * stub <= b->Left();
  if (sideBySide || b->Top() == e->Top()) {
    // Items side by side: from the caption bar's side to the other's.
    int lift = GetSystemMetrics(SM_CYBORDER) + GetSystemMetrics(SM_CYSMCAPTION) / 2;
    info->BeginPoint = {info->LeftToRight ? b->Left() + b->Width() : b->Left(), b->Top() + lift};
    info->EndPoint = {info->LeftToRight ? e->Left() : e->Left() + e->Width(), e->Top() + lift};
    int d = info->LeftToRight ? stub : -stub;
    info->BeginBend = {info->BeginPoint.X + d, info->BeginPoint.Y};
    info->EndBend = {info->EndPoint.X - d, info->EndPoint.Y};
  } else {
    // Items one above the other, with no room for the side bars between them: from the middle of
    // the upper one's bottom edge to the middle of the lower one's top edge, which no item hides.
    const bool down = b->Top() < e->Top();
    info->BeginPoint = {b->Left() + b->Width() / 2, down ? b->Top() + b->Height() : b->Top()};
    info->EndPoint = {e->Left() + e->Width() / 2, down ? e->Top() : e->Top() + e->Height()};
    int d = down ? stub : -stub;
    info->BeginBend = {info->BeginPoint.X, info->BeginPoint.Y + d};
    info->EndBend = {info->EndPoint.X, info->EndPoint.Y - d};
  }
  info->Color = ALink->Color();
  info->Selected = ALink == FSelectedLink;
  return info;
}

bool TDgCustomDiagram::IsEqualDrawInfos(const TDgLinkDrawInfo* A, const TDgLinkDrawInfo* B) {
  const auto* a = dynamic_cast<const TDgStdLinkDrawInfo*>(A);
  const auto* b = dynamic_cast<const TDgStdLinkDrawInfo*>(B);
  if (!a || !b) return false;
  return a->BeginPoint == b->BeginPoint && a->EndPoint == b->EndPoint && a->LeftToRight == b->LeftToRight &&
         a->Color == b->Color && a->Selected == b->Selected;
}

bool TDgCustomDiagram::IsOnLink(const TDgLinkDrawInfo* Info, int X, int Y) {
  const auto* s = dynamic_cast<const TDgStdLinkDrawInfo*>(Info);
  if (!s) return false;
  double x1 = s->BeginBend.X - FHorzPos, y1 = s->BeginBend.Y - FVertPos;
  double x2 = s->EndBend.X - FHorzPos, y2 = s->EndBend.Y - FVertPos;
  if (!(std::max(y1, y2) >= Y - 3 && std::min(y1, y2) <= Y + 3 && std::max(x1, x2) >= X - 3 && std::min(x1, x2) <= X + 3))
    return false;
  if (x1 == x2 || y1 == y2) return true;
  double k = (y1 - y2) / (x1 - x2);
  double b = y1 - x1 * k;
  double A = k * k + 1, B = 2 * k * b - 2 * X - 2 * k * Y;
  double C = b * b + static_cast<double>(X) * X - 2 * b * Y + static_cast<double>(Y) * Y - 9;
  return B * B - 4 * A * C >= 0;
}

void TDgCustomDiagram::PaintLink(TCanvas& c, const TDgLinkDrawInfo* Info, bool Clear) {
  const auto* s = dynamic_cast<const TDgStdLinkDrawInfo*>(Info);
  if (!s) return;
  TColor color = Clear ? Color() : s->Color;
  auto at = [&](TPoint p) { return TPoint{p.X - FHorzPos, p.Y - FVertPos}; };
  TPoint bp = at(s->BeginPoint), ep = at(s->EndPoint), bb = at(s->BeginBend), eb = at(s->EndBend);
  c.Pen().SetColor(color);
  c.Brush().SetStyle(bsSolid);
  c.Brush().SetColor(color);
  c.Pen().SetWidth(s->Selected ? 2 : 1);
  c.MoveTo(bb.X, bb.Y);
  c.LineTo(eb.X, eb.Y);
  c.Pen().SetWidth(1);
  // A 3-pixel bar from each item to its bend, across or down as the bend lies.
  auto bar = [&](TPoint p, TPoint q) {
    if (p.Y == q.Y)
      c.FillRect(Rect(std::min(p.X, q.X), p.Y - 1, std::max(p.X, q.X), p.Y + 2));
    else
      c.FillRect(Rect(p.X - 1, std::min(p.Y, q.Y), p.X + 2, std::max(p.Y, q.Y)));
  };
  bar(bp, bb);
  bar(ep, eb);
}

void TDgCustomDiagram::PaintItem(TDgDiagramItemPanel* Panel) {
  TCanvas& c = Panel->Canvas();
  TRect client = Rect(2, TDgDiagramItemPanel::CaptionHeight(), Panel->Width() - 2, Panel->Height() - 2);
  c.Brush().SetStyle(bsSolid);
  c.Brush().SetColor(Panel->Item()->Color());
  c.FillRect(client);
  if (Panel->Focused()) {
    TRect f = client;
    InflateRect(f, -2, -2);
    c.DrawFocusRect(f);
  }
}

void TDgCustomDiagram::Paint() {
  TCanvas& c = Canvas();
  if (!FState.Contains(dsPaintChanges)) {
    c.Brush().SetStyle(bsSolid);
    c.Brush().SetColor(Color());
    c.FillRect(ClientRect());
    if (FCache && !FState.Contains(dsRebuildLinks)) {
      for (const auto& r : *FCache) PaintLink(c, r.DrawInfo.get(), false);
      return;
    }
  }
  auto fresh = std::make_unique<std::vector<TDrawRecord>>();
  fresh->reserve(static_cast<std::size_t>(FLinks->Count()));
  for (const auto& l : FLinks->FEntries) {
    std::unique_ptr<TDgLinkDrawInfo> info = FState.Contains(dsHideLinks) ? nullptr : CreateLinkDrawInfo(l.get());
    int old = l->FDrawIndex;
    if (!info) {
      l->FDrawIndex = -1;
      continue;
    }
    TDrawRecord r;
    r.Link = l.get();
    r.DrawInfo = std::move(info);
    if (FCache && old >= 0 && old < static_cast<int>(FCache->size()) && (*FCache)[static_cast<std::size_t>(old)].Link == l.get())
      r.Previous = (*FCache)[static_cast<std::size_t>(old)].DrawInfo.get();
    l->FDrawIndex = static_cast<int>(fresh->size());
    fresh->push_back(std::move(r));
  }
  std::vector<const TDgLinkDrawInfo*> clear;
  if (FCache) {
    for (const auto& r : *FCache)
      if (!r.Link || r.Link->FDrawIndex < 0) clear.push_back(r.DrawInfo.get());
  }
  for (auto& r : *fresh) {
    if (r.Previous && !IsEqualDrawInfos(r.DrawInfo.get(), r.Previous)) clear.push_back(r.Previous);
    r.Previous = nullptr;
  }
  if (FState.Contains(dsPaintChanges))
    for (const TDgLinkDrawInfo* info : clear) PaintLink(c, info, true);
  for (const auto& r : *fresh) PaintLink(c, r.DrawInfo.get(), false);
  FCache = std::move(fresh);
  FState >> dsRebuildLinks;
}

void TDgCustomDiagram::UpdateLinks() {
  if (FDestroying) return;
  FState << dsRebuildLinks;
  if (!HandleAllocated()) return;
  FState << dsPaintChanges;
  try {
    Repaint();
  } catch (...) {
    FState >> dsPaintChanges;
    throw;
  }
  FState >> dsPaintChanges;
}

void TDgCustomDiagram::HideLinks() {
  FState << dsHideLinks;
  UpdateLinks();
  FState >> dsHideLinks;
}

void TDgCustomDiagram::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomPanel::MouseDown(Button, Shift, X, Y);
  SetSelectedLink(FLinks->LinkAt(X, Y));
  SetSelectedItem(nullptr);
  if (CanFocus()) SetFocus();
}

void TDgCustomDiagram::TabTo(bool forward) {
  int n = FItems->Count();
  if (n == 0) return;
  int current = FSelectedItem ? FSelectedItem->Index() : -1;
  TDgDiagramItem* found = nullptr;
  auto visible = [&](int i) { return FItems->Items(i)->Visible() ? FItems->Items(i) : nullptr; };
  if (current < 0) {
    for (int i = 0; i < n && !found; ++i) found = visible(i);
  } else if (forward) {
    for (int i = current + 1; i < n && !found; ++i) found = visible(i);
    for (int i = 0; i <= current && !found; ++i) found = visible(i);
  } else {
    for (int i = current - 1; i >= 0 && !found; --i) found = visible(i);
    for (int i = n - 1; i >= current && !found; --i) found = visible(i);
  }
  SetSelectedItem(found);
  if (found) ScrollInView(found);
}

void TDgCustomDiagram::KeyDown(WORD& Key, TShiftState Shift) {
  TCustomPanel::KeyDown(Key, Shift);
  if (Key == VK_TAB) TabTo(!Shift.Contains(ssShift));
}

void TDgCustomDiagram::DoEnter() {
  TCustomPanel::DoEnter();
  if (FSelectedItem) FSelectedItem->Focus();
}

void TDgCustomDiagram::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_HSCROLL:
    case WM_VSCROLL: {
      int code = LOWORD(static_cast<DWORD>(Message.WParam));
      int track = static_cast<SHORT>(HIWORD(static_cast<DWORD>(Message.WParam)));
      Scroll(Message.Msg == WM_HSCROLL ? SB_HORZ : SB_VERT, code, track);
      Message.Result = 0;
      return;
    }
    case WM_GETDLGCODE:
      Message.Result = DLGC_WANTTAB | DLGC_WANTARROWS;
      return;
    default:
      break;
  }
  TCustomPanel::WndProc(Message);
}

// ---- TDgDiagram ---------------------------------------------------------------------------------

void TDgDiagram::SetCustomDrawItems(bool value) {
  FCustomDrawItems = value;
  for (int i = 0; i < Items().Count(); ++i)
    if (Items().Items(i)->Panel()) Items().Items(i)->Panel()->Invalidate();
}

void TDgDiagram::SetCustomDrawLinks(bool value) {
  TDgCustomDiagram::HideLinks();
  FCustomDrawLinks = value;
  UpdateLinks();
}

std::unique_ptr<TDgLinkDrawInfo> TDgDiagram::CreateLinkDrawInfo(TDgDiagramLink* ALink) {
  if (!FCustomDrawLinks) return TDgCustomDiagram::CreateLinkDrawInfo(ALink);
  std::unique_ptr<TDgLinkDrawInfo> info;
  if (OnCreateLinkDrawInfo) OnCreateLinkDrawInfo(this, ALink, info);
  return info;
}

bool TDgDiagram::IsEqualDrawInfos(const TDgLinkDrawInfo* A, const TDgLinkDrawInfo* B) {
  if (!FCustomDrawLinks) return TDgCustomDiagram::IsEqualDrawInfos(A, B);
  bool equal = false;
  if (OnIsEqualDrawInfos) OnIsEqualDrawInfos(this, A, B, equal);
  return equal;
}

bool TDgDiagram::IsOnLink(const TDgLinkDrawInfo* Info, int X, int Y) {
  if (!FCustomDrawLinks) return TDgCustomDiagram::IsOnLink(Info, X, Y);
  bool on = false;
  if (OnIsOnLink) OnIsOnLink(this, Info, X, Y, on);
  return on;
}

void TDgDiagram::PaintLink(TCanvas& Canvas, const TDgLinkDrawInfo* Info, bool Clear) {
  if (!FCustomDrawLinks) return TDgCustomDiagram::PaintLink(Canvas, Info, Clear);
  if (OnPaintLink) OnPaintLink(this, Info, Clear);
}

void TDgDiagram::PaintItem(TDgDiagramItemPanel* Panel) {
  if (!FCustomDrawItems) return TDgCustomDiagram::PaintItem(Panel);
  if (OnPaintItem) OnPaintItem(this, Panel);
}
