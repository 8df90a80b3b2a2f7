#include "platform/ui/tab_control.h"
#include "platform/ui/std_painted.h"

#include <algorithm>

namespace {

constexpr int kTabPadding = 6;   // text to tab edge, each side
constexpr int kImageGap = 3;     // image to text
constexpr int kSelectedGrow = 2;  // a selected tab stands out this far
constexpr int kFrame = 4;        // display area inside the frame

}  // namespace

// ---- TTabStringsView --------------------------------------------------------------------------

std::string TTabStringsView::Get(int Index) const {
  if (Index < 0 || Index >= FControl.TabCount()) throw EListError::OutOfBounds(Index);
  return FControl.TabText(Index);
}
void TTabStringsView::Put(int Index, const std::string& S) {
  if (!FControl.SetTabText(Index, S)) throw EListError::OutOfBounds(Index);
}
TObject* TTabStringsView::GetObject(int Index) const {
  if (Index < 0 || Index >= FControl.TabCount()) throw EListError::OutOfBounds(Index);
  return reinterpret_cast<TObject*>(FControl.TabParam(Index));
}
void TTabStringsView::PutObject(int Index, TObject* AObject) {
  if (!FControl.SetTabParam(Index, reinterpret_cast<LPARAM>(AObject))) throw EListError::OutOfBounds(Index);
}
int TTabStringsView::GetCount() const { return FControl.TabCount(); }
void TTabStringsView::Insert(int Index, const std::string& S) {
  if (Index < 0 || Index > FControl.TabCount()) throw EListError::OutOfBounds(Index);
  FControl.InsertTab(Index, S);
}
void TTabStringsView::Delete(int Index) {
  if (!FControl.DeleteTab(Index)) throw EListError::OutOfBounds(Index);
}
void TTabStringsView::Clear() { FControl.DeleteAllTabs(); }
void TTabStringsView::Move(int CurIndex, int NewIndex) {
  if (CurIndex < 0 || CurIndex >= FControl.TabCount()) throw EListError::OutOfBounds(CurIndex);
  if (NewIndex < 0 || NewIndex >= FControl.TabCount()) throw EListError::OutOfBounds(NewIndex);
  FControl.MoveTab(CurIndex, NewIndex);
}

// ---- TCustomTabControl ------------------------------------------------------------------------

TCustomTabControl::TCustomTabControl(TComponent* AOwner) : TCustomControl(AOwner), FTabsView(*this) {
  SetBounds(0, 0, 289, 193);
  SetTabStop(true);
  SetColor(clBtnFace);
}

TCustomTabControl::~TCustomTabControl() = default;

void TCustomTabControl::SetStyle(DWORD Value) {
  if (Value == FStyle) return;
  FStyle = Value;
  InvalidateLayout();
}

void TCustomTabControl::SetExtendedStyle(DWORD Value) {
  FExStyle = Value;
  Invalidate();
}

void TCustomTabControl::InvalidateLayout() {
  FLayoutValid = false;
  Invalidate();
}

int TCustomTabControl::InsertTab(int Index, const std::string& Text, int ImageIndex, LPARAM Param) {
  if (Index < 0) return -1;
  Index = std::min(Index, TabCount());
  FTabs.insert(FTabs.begin() + Index, TTab{Text, ImageIndex, Param, 0});
  if (FTabIndex >= Index) ++FTabIndex;
  // The first tab of an empty control becomes the selected one.
  if (FTabIndex < 0 && TabCount() == 1) FTabIndex = 0;
  InvalidateLayout();
  TabsChanged();
  return Index;
}

bool TCustomTabControl::DeleteTab(int Index) {
  if (Index < 0 || Index >= TabCount()) return false;
  FTabs.erase(FTabs.begin() + Index);
  if (FTabIndex == Index) FTabIndex = -1;
  else if (FTabIndex > Index) --FTabIndex;
  if (FFocusIndex >= TabCount()) FFocusIndex = -1;
  if (FHotIndex >= TabCount()) FHotIndex = -1;
  FFirstVisible = std::min(FFirstVisible, std::max(0, TabCount() - 1));
  InvalidateLayout();
  TabsChanged();
  return true;
}

void TCustomTabControl::DeleteAllTabs() {
  FTabs.clear();
  FTabIndex = FFocusIndex = FHotIndex = -1;
  FFirstVisible = 0;
  InvalidateLayout();
  TabsChanged();
}

std::string TCustomTabControl::TabText(int Index) const {
  return Index >= 0 && Index < TabCount() ? FTabs[static_cast<std::size_t>(Index)].Text : std::string();
}

bool TCustomTabControl::SetTabText(int Index, const std::string& Text) {
  if (Index < 0 || Index >= TabCount()) return false;
  FTabs[static_cast<std::size_t>(Index)].Text = Text;
  InvalidateLayout();
  TabsChanged();
  return true;
}

int TCustomTabControl::TabImage(int Index) const {
  return Index >= 0 && Index < TabCount() ? FTabs[static_cast<std::size_t>(Index)].Image : -1;
}

bool TCustomTabControl::SetTabImage(int Index, int ImageIndex) {
  if (Index < 0 || Index >= TabCount()) return false;
  FTabs[static_cast<std::size_t>(Index)].Image = ImageIndex;
  InvalidateLayout();
  return true;
}

LPARAM TCustomTabControl::TabParam(int Index) const {
  return Index >= 0 && Index < TabCount() ? FTabs[static_cast<std::size_t>(Index)].Param : 0;
}

bool TCustomTabControl::SetTabParam(int Index, LPARAM Param) {
  if (Index < 0 || Index >= TabCount()) return false;
  FTabs[static_cast<std::size_t>(Index)].Param = Param;
  return true;
}

void TCustomTabControl::MoveTab(int CurIndex, int NewIndex) {
  if (CurIndex < 0 || CurIndex >= TabCount() || NewIndex < 0 || NewIndex >= TabCount() ||
      CurIndex == NewIndex)
    return;
  TTab tab = FTabs[static_cast<std::size_t>(CurIndex)];
  FTabs.erase(FTabs.begin() + CurIndex);
  FTabs.insert(FTabs.begin() + NewIndex, tab);
  auto follow = [&](int& i) {
    if (i == CurIndex) i = NewIndex;
    else if (CurIndex < i && i <= NewIndex) --i;
    else if (NewIndex <= i && i < CurIndex) ++i;
  };
  follow(FTabIndex);
  follow(FFocusIndex);
  InvalidateLayout();
  TabsChanged();
}

void TCustomTabControl::SetTabIndex(int Value) {
  if (Value < -1 || Value >= TabCount()) Value = -1;
  if (Value == FTabIndex) return;
  FTabIndex = Value;
  InvalidateLayout();
}

void TCustomTabControl::SetImages(TImageList* Value) {
  FImages = Value;
  InvalidateLayout();
}

void TCustomTabControl::SetTabSize(int Width, int Height) {
  FTabWidth = std::max(Width, 0);
  FTabHeight = std::max(Height, 0);
  InvalidateLayout();
}

void TCustomTabControl::Resize() {
  FLayoutValid = false;
  TCustomControl::Resize();
}

void TCustomTabControl::FontChanged() {
  FLayoutValid = false;
  TCustomControl::FontChanged();
}

// ---- layout ----

int TCustomTabControl::MeasureTab(const TTab& Tab, int& Height) {
  // Measured off screen: a measure before the first paint makes no native window.
  TCanvas& c = MeasureCanvas(Font());
  int textH = c.TextHeight("Wg");
  int imageW = 0, imageH = 0;
  if (FImages && Tab.Image >= 0) {
    imageW = FImages->Width() + kImageGap;
    imageH = FImages->Height();
  }
  Height = FTabHeight > 0 ? FTabHeight : std::max(textH, imageH) + kTabPadding;
  bool fixed = (FStyle & (TCS_FIXEDWIDTH | TCS_OWNERDRAWFIXED)) != 0;
  if (fixed && FTabWidth > 0) return FTabWidth;
  return c.TextWidth(Tab.Text) + imageW + 2 * kTabPadding;
}

void TCustomTabControl::Layout() {
  if (FLayoutValid) return;
  FLayoutValid = true;
  const int n = TabCount();
  FRects.assign(static_cast<std::size_t>(n), TRect{});
  const TRect client = ClientRect();
  const bool vertical = Vertical();
  const int extent = vertical ? client.Height() : client.Width();
  const int start = Buttons() ? 0 : kSelectedGrow;
  const bool multi = (FStyle & TCS_MULTILINE) != 0 || vertical;
  const int gap = Buttons() ? 3 : 0;

  // Tabs along a line: position in the line, length, row.
  std::vector<int> pos(static_cast<std::size_t>(n)), len(static_cast<std::size_t>(n)), row(static_cast<std::size_t>(n));
  int thickness = 0;
  for (int i = 0; i < n; ++i) {
    int h = 0;
    len[static_cast<std::size_t>(i)] = MeasureTab(FTabs[static_cast<std::size_t>(i)], h);
    thickness = std::max(thickness, h);
  }
  if (n == 0) {
    int h = 0;
    TTab none;
    MeasureTab(none, h);
    thickness = h;
  }
  FRows = n > 0 ? 1 : 0;
  if (multi) {
    int p = start, r = 0;
    for (int i = 0; i < n; ++i) {
      int l = len[static_cast<std::size_t>(i)];
      if (p > start && p + l > extent - start) {
        ++r;
        p = start;
      }
      pos[static_cast<std::size_t>(i)] = p;
      row[static_cast<std::size_t>(i)] = r;
      p += l + gap;
    }
    FRows = n > 0 ? r + 1 : 0;
    FFirstVisible = 0;
  } else {
    // One line: scroll so that the selected tab is shown.
    FFirstVisible = std::clamp(FFirstVisible, 0, std::max(0, n - 1));
    if (FTabIndex >= 0 && FTabIndex < FFirstVisible) FFirstVisible = FTabIndex;
    auto fits = [&](int first) {
      int p = start;
      for (int i = first; i <= FTabIndex; ++i) p += len[static_cast<std::size_t>(i)] + gap;
      return p - gap <= extent - start;
    };
    while (FTabIndex >= 0 && FFirstVisible < FTabIndex && !fits(FFirstVisible)) ++FFirstVisible;
    int p = start;
    for (int i = 0; i < n; ++i) {
      row[static_cast<std::size_t>(i)] = 0;
      if (i < FFirstVisible) {
        pos[static_cast<std::size_t>(i)] = -1;
        continue;
      }
      pos[static_cast<std::size_t>(i)] = p;
      p += len[static_cast<std::size_t>(i)] + gap;
    }
  }
  // In tab style the row holding the selected tab moves next to the display area.
  std::vector<int> rowOrder(static_cast<std::size_t>(std::max(FRows, 1)));
  for (int r = 0; r < FRows; ++r) rowOrder[static_cast<std::size_t>(r)] = r;
  if (!Buttons() && FRows > 1 && FTabIndex >= 0) {
    int sel = row[static_cast<std::size_t>(FTabIndex)];
    for (int r = 0; r < FRows; ++r)
      rowOrder[static_cast<std::size_t>(r)] = (r + (FRows - 1 - sel)) % FRows;
  }
  // rowOrder[r] = the band slot of row r, 0 farthest from the display area.
  const int band = std::max(FRows, 1) * (thickness + gap) + (Buttons() ? 0 : kSelectedGrow);
  for (int i = 0; i < n; ++i) {
    if (pos[static_cast<std::size_t>(i)] < 0) continue;
    int slot = rowOrder[static_cast<std::size_t>(row[static_cast<std::size_t>(i)])];
    int across = (Buttons() ? 0 : kSelectedGrow) + slot * (thickness + gap);
    int a0 = across, a1 = across + thickness;
    int l0 = pos[static_cast<std::size_t>(i)], l1 = l0 + len[static_cast<std::size_t>(i)];
    TRect r;
    if (!vertical) {
      r = Opposite() ? Rect(l0, client.Bottom - a1, l1, client.Bottom - a0) : Rect(l0, a0, l1, a1);
    } else {
      r = Opposite() ? Rect(client.Right - a1, l0, client.Right - a0, l1) : Rect(a0, l0, a1, l1);
    }
    FRects[static_cast<std::size_t>(i)] = r;
  }
  if (!vertical)
    FBand = Opposite() ? Rect(0, client.Bottom - band, client.Right, client.Bottom) : Rect(0, 0, client.Right, band);
  else
    FBand = Opposite() ? Rect(client.Right - band, 0, client.Right, client.Bottom) : Rect(0, 0, band, client.Bottom);
}

TRect TCustomTabControl::TabRect(int Index) {
  Layout();
  if (Index < 0 || Index >= TabCount()) return {};
  return FRects[static_cast<std::size_t>(Index)];
}

int TCustomTabControl::IndexOfTabAt(int X, int Y, UINT* Flags) {
  Layout();
  for (int i = 0; i < TabCount(); ++i) {
    TRect r = FRects[static_cast<std::size_t>(i)];
    if (i == FTabIndex && !Buttons()) InflateRect(r, kSelectedGrow, kSelectedGrow);
    if (!IsRectEmpty(r) && PtInRect(r, {X, Y})) {
      if (Flags) {
        int imageRight = r.Left + kTabPadding + (FImages && TabImage(i) >= 0 ? FImages->Width() : 0);
        *Flags = FImages && TabImage(i) >= 0 && X < imageRight && !Vertical() ? TCHT_ONITEMICON : TCHT_ONITEMLABEL;
      }
      return i;
    }
  }
  if (Flags) *Flags = TCHT_NOWHERE;
  return -1;
}

void TCustomTabControl::AdjustRect(bool Larger, TRect& R) {
  Layout();
  const int band = Vertical() ? FBand.Width() : FBand.Height();
  const int frame = Buttons() ? 0 : kFrame;
  const int bandGap = Buttons() ? 3 : 0;
  int l = frame, t = frame, r = frame, b = frame;
  int& side = !Vertical() ? (Opposite() ? b : t) : (Opposite() ? r : l);
  side = band + bandGap + (Buttons() ? 0 : 0);
  if (Larger) {
    R.Left -= l;
    R.Top -= t;
    R.Right += r;
    R.Bottom += b;
  } else {
    R.Left += l;
    R.Top += t;
    R.Right -= r;
    R.Bottom -= b;
    if (R.Right < R.Left) R.Right = R.Left;
    if (R.Bottom < R.Top) R.Bottom = R.Top;
  }
}

TRect TCustomTabControl::DisplayRect() {
  TRect r = ClientRect();
  AdjustRect(false, r);
  return r;
}

int TCustomTabControl::RowCount() {
  Layout();
  return FRows;
}

// ---- selection ----

bool TCustomTabControl::SelectTabByUser(int Index) {
  if (Index < 0 || Index >= TabCount()) return false;
  if (Index == FTabIndex) return true;
  NMHDR h;
  h.code = TCN_SELCHANGING;
  if (SendNotify(*this, h) != 0) return false;
  SetTabIndex(Index);
  FFocusIndex = Index;
  h = NMHDR{};
  h.code = TCN_SELCHANGE;
  SendNotify(*this, h);
  return FTabIndex == Index;
}

bool TCustomTabControl::CanChange() {
  bool allow = true;
  if (OnChanging) OnChanging(this, allow);
  return allow;
}

void TCustomTabControl::Change() {
  if (OnChange) OnChange(this);
}

void TCustomTabControl::DrawTab(int TabIndex, const TRect& Rect, bool Active) {
  if (OnDrawTab) OnDrawTab(this, TabIndex, Rect, Active);
}

// ---- painting ----

void TCustomTabControl::PaintTab(TCanvas& C, int Index, TRect R) {
  const TTab& tab = FTabs[static_cast<std::size_t>(Index)];
  const bool active = Index == FTabIndex;
  const bool hot = (FStyle & TCS_HOTTRACK) && Index == FHotIndex;
  if (FStyle & TCS_OWNERDRAWFIXED) {
    DRAWITEMSTRUCT d;
    d.CtlType = ODT_TAB;
    d.itemID = static_cast<UINT>(Index);
    d.itemState = active ? UINT{ODS_SELECTED} : 0u;
    d.hwndItem = this;
    d.hDC = &C;
    d.rcItem = R;
    d.itemData = static_cast<std::uintptr_t>(tab.Param);
    NotifyParent(*this, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&d));
    return;
  }
  TRect text = R;
  if (Vertical()) {
    C.Font().Assign(Font());
    C.Font().SetOrientation(Opposite() ? 2700 : 900);
  }
  C.Font().SetColor(hot ? clHighlight : clBtnText);
  C.Brush().SetStyle(bsClear);
  int x = text.Left + kTabPadding, y = text.Top;
  if (!Vertical()) {
    if (FImages && tab.Image >= 0) {
      FImages->Draw(C, x, text.Top + (text.Height() - FImages->Height()) / 2, tab.Image, Enabled());
      x += FImages->Width() + kImageGap;
    }
    int th = C.TextHeight("Wg");
    y = text.Top + (text.Height() - th) / 2;
    C.TextOut(x, y, tab.Text);
  } else {
    int th = C.TextHeight("Wg");
    int tw = C.TextWidth(tab.Text);
    if (!Opposite())
      C.TextOut(text.Left + (text.Width() - th) / 2, text.Top + (text.Height() + tw) / 2, tab.Text);
    else
      C.TextOut(text.Right - (text.Width() - th) / 2, text.Top + (text.Height() - tw) / 2, tab.Text);
    C.Font().SetOrientation(0);
  }
  C.Brush().SetStyle(bsSolid);
  if (active && Focused()) {
    TRect f = R;
    InflateRect(f, -3, -3);
    C.DrawFocusRect(f);
  }
}

void TCustomTabControl::Paint() {
  Layout();
  TCanvas& c = Canvas();
  const TRect client = ClientRect();
  c.Brush().SetColor(Color());
  c.FillRect(client);
  if (!Buttons()) {
    TRect frame = client;
    if (!Vertical()) (Opposite() ? frame.Bottom : frame.Top) = Opposite() ? FBand.Top : FBand.Bottom;
    else (Opposite() ? frame.Right : frame.Left) = Opposite() ? FBand.Left : FBand.Right;
    c.DrawEdge(frame, EDGE_RAISED, BF_RECT);
  }
  for (int i = 0; i < TabCount(); ++i) {
    TRect r = FRects[static_cast<std::size_t>(i)];
    if (IsRectEmpty(r)) continue;
    const bool active = i == FTabIndex;
    c.Brush().SetColor(Color());
    if (Buttons()) {
      if (active) {
        TRect e = r;
        c.DrawEdge(e, EDGE_SUNKEN, BF_RECT);
      } else if (!(FStyle & TCS_FLATBUTTONS) || ((FStyle & TCS_HOTTRACK) && i == FHotIndex)) {
        TRect e = r;
        c.DrawEdge(e, (FStyle & TCS_FLATBUTTONS) ? BDR_RAISEDINNER : EDGE_RAISED, BF_RECT);
      }
      if ((FStyle & TCS_FLATBUTTONS) && (FExStyle & TCS_EX_FLATSEPARATORS) && i + 1 < TabCount()) {
        TRect sep = Rect(r.Right + 1, r.Top + 2, r.Right + 3, r.Bottom - 2);
        c.DrawEdge(sep, EDGE_ETCHED, BF_LEFT);
      }
    } else {
      if (active) {
        InflateRect(r, kSelectedGrow, 0);
        if (!Vertical()) (Opposite() ? r.Bottom : r.Top) += Opposite() ? kSelectedGrow : -kSelectedGrow;
        else (Opposite() ? r.Right : r.Left) += Opposite() ? kSelectedGrow : -kSelectedGrow;
        // The selected tab joins the display area: it covers the frame line beside it.
        TRect join = r;
        if (!Vertical()) { if (Opposite()) join.Top -= 2; else join.Bottom += 2; }
        else { if (Opposite()) join.Left -= 2; else join.Right += 2; }
        c.FillRect(join);
      } else {
        c.FillRect(r);
      }
      UINT sides = !Vertical() ? (Opposite() ? (BF_LEFT | BF_BOTTOM | BF_RIGHT) : (BF_LEFT | BF_TOP | BF_RIGHT))
                               : (Opposite() ? (BF_TOP | BF_RIGHT | BF_BOTTOM) : (BF_TOP | BF_LEFT | BF_BOTTOM));
      TRect e = r;
      c.DrawEdge(e, EDGE_RAISED, sides);
    }
    PaintTab(c, i, r);
  }
}

// ---- input ----

void TCustomTabControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbLeft) {
    int i = IndexOfTabAt(X, Y);
    if (!(FStyle & TCS_FOCUSNEVER) && CanFocus() && !Focused()) SetFocus();
    if (i >= 0) SelectTabByUser(i);
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TCustomTabControl::MouseMove(TShiftState Shift, int X, int Y) {
  if (FStyle & TCS_HOTTRACK) {
    int i = IndexOfTabAt(X, Y);
    if (i != FHotIndex) {
      FHotIndex = i;
      Invalidate();
    }
  }
  TCustomControl::MouseMove(Shift, X, Y);
}

void TCustomTabControl::KeyDown(WORD& Key, TShiftState Shift) {
  TCustomControl::KeyDown(Key, Shift);
  if (TabCount() == 0) return;
  int step = 0;
  if (Key == VK_LEFT || Key == VK_UP) step = -1;
  else if (Key == VK_RIGHT || Key == VK_DOWN) step = 1;
  else return;
  int from = FTabIndex < 0 ? 0 : FTabIndex;
  int to = std::clamp(from + step, 0, TabCount() - 1);
  if (to != FTabIndex) SelectTabByUser(to);
  Key = 0;
}

// ---- messages ----

LRESULT TCustomTabControl::HandleTabMessage(TMessage& M, bool& Handled) {
  Handled = true;
  const int index = static_cast<int>(M.WParam);
  switch (M.Msg) {
    case TCM_GETITEMCOUNT: return TabCount();
    case TCM_GETITEMA: {
      auto* item = reinterpret_cast<TCITEM*>(M.LParam);
      if (!item || index < 0 || index >= TabCount()) return FALSE;
      const TTab& t = FTabs[static_cast<std::size_t>(index)];
      if (item->mask & TCIF_TEXT) CopyToBuffer(t.Text, item->pszText, item->cchTextMax);
      if (item->mask & TCIF_IMAGE) item->iImage = t.Image;
      if (item->mask & TCIF_PARAM) item->lParam = t.Param;
      if (item->mask & TCIF_STATE) {
        DWORD state = t.State | (index == FTabIndex && Buttons() ? DWORD{TCIS_BUTTONPRESSED} : 0u);
        item->dwState = state & item->dwStateMask;
      }
      return TRUE;
    }
    case TCM_SETITEMA: {
      auto* item = reinterpret_cast<const TCITEM*>(M.LParam);
      if (!item || index < 0 || index >= TabCount()) return FALSE;
      TTab& t = FTabs[static_cast<std::size_t>(index)];
      if (item->mask & TCIF_TEXT) t.Text = item->pszText ? item->pszText : "";
      if (item->mask & TCIF_IMAGE) t.Image = item->iImage;
      if (item->mask & TCIF_PARAM) t.Param = item->lParam;
      if (item->mask & TCIF_STATE) t.State = (t.State & ~item->dwStateMask) | (item->dwState & item->dwStateMask);
      InvalidateLayout();
      if (item->mask & TCIF_TEXT) TabsChanged();
      return TRUE;
    }
    case TCM_INSERTITEMA: {
      auto* item = reinterpret_cast<const TCITEM*>(M.LParam);
      if (!item) return -1;
      std::string text = (item->mask & TCIF_TEXT) && item->pszText ? item->pszText : "";
      int image = (item->mask & TCIF_IMAGE) ? item->iImage : -1;
      LPARAM param = (item->mask & TCIF_PARAM) ? item->lParam : 0;
      return InsertTab(index, text, image, param);
    }
    case TCM_DELETEITEM: return DeleteTab(index) ? TRUE : FALSE;
    case TCM_DELETEALLITEMS: DeleteAllTabs(); return TRUE;
    case TCM_GETITEMRECT: {
      auto* r = reinterpret_cast<TRect*>(M.LParam);
      if (!r || index < 0 || index >= TabCount()) return FALSE;
      *r = TabRect(index);
      return TRUE;
    }
    case TCM_GETCURSEL: return FTabIndex;
    case TCM_SETCURSEL: {
      int old = FTabIndex;
      if (index < 0 || index >= TabCount()) return -1;
      SetTabIndex(index);
      return old;
    }
    case TCM_GETCURFOCUS: return FFocusIndex >= 0 ? FFocusIndex : FTabIndex;
    case TCM_SETCURFOCUS:
      if (index >= 0 && index < TabCount()) {
        FFocusIndex = index;
        if (!Buttons()) SelectTabByUser(index);
        Invalidate();
      }
      return 0;
    case TCM_HITTEST: {
      auto* info = reinterpret_cast<TCHITTESTINFO*>(M.LParam);
      if (!info) return -1;
      return IndexOfTabAt(info->pt.X, info->pt.Y, &info->flags);
    }
    case TCM_ADJUSTRECT: {
      auto* r = reinterpret_cast<TRect*>(M.LParam);
      if (r) AdjustRect(M.WParam != 0, *r);
      return 0;
    }
    case TCM_SETITEMSIZE: {
      LRESULT old = MAKELPARAM(FTabWidth, FTabHeight);
      SetTabSize(static_cast<SHORT>(LOWORD(static_cast<std::uintptr_t>(M.LParam))),
                 static_cast<SHORT>(HIWORD(static_cast<std::uintptr_t>(M.LParam))));
      return old;
    }
    case TCM_SETIMAGELIST: {
      TImageList* old = FImages;
      SetImages(reinterpret_cast<TImageList*>(M.LParam));
      return reinterpret_cast<LRESULT>(old);
    }
    case TCM_GETIMAGELIST: return reinterpret_cast<LRESULT>(FImages);
    case TCM_GETROWCOUNT: return RowCount();
    case TCM_SETEXTENDEDSTYLE: {
      DWORD old = FExStyle;
      DWORD mask = M.WParam ? static_cast<DWORD>(M.WParam) : 0xFFFFFFFFu;
      SetExtendedStyle((FExStyle & ~mask) | (static_cast<DWORD>(M.LParam) & mask));
      return old;
    }
    case TCM_GETEXTENDEDSTYLE: return FExStyle;
    default:
      Handled = false;
      return 0;
  }
}

void TCustomTabControl::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case CN_NOTIFY: {
      NoteReflected(Message);
      auto* h = reinterpret_cast<NMHDR*>(Message.LParam);
      if (h && h->hwndFrom == this) {
        if (h->code == TCN_SELCHANGING) Message.Result = CanChange() ? 0 : 1;
        else if (h->code == TCN_SELCHANGE) Change();
      }
      return;
    }
    case CN_DRAWITEM: {
      NoteReflected(Message);
      auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam);
      if (d && d->hwndItem == this) {
        DrawTab(static_cast<int>(d->itemID), d->rcItem, (d->itemState & ODS_SELECTED) != 0);
        Message.Result = 1;
      }
      return;
    }
    case WM_GETDLGCODE:
      Message.Result = DLGC_WANTARROWS;
      return;
    case CM_MOUSELEAVE:
      if (FHotIndex >= 0) {
        FHotIndex = -1;
        Invalidate();
      }
      break;
    default: {
      bool handled = false;
      LRESULT r = HandleTabMessage(Message, handled);
      if (handled) {
        Message.Result = r;
        return;
      }
    }
  }
  TCustomControl::WndProc(Message);
}
