#include "platform/ui/page_control.h"

#include <algorithm>

// ---- TTabSheet --------------------------------------------------------------------------------

TTabSheet::TTabSheet(TComponent* AOwner) : TCustomControl(AOwner) {
  SetVisible(false);
  SetColor(clBtnFace);
}

TTabSheet::~TTabSheet() {
  if (FPageControl) FPageControl->RemovePage(this);
}

void TTabSheet::SetPageControl(TPageControl* Value) {
  if (Value == FPageControl) return;
  if (FPageControl) FPageControl->RemovePage(this);
  SetParent(Value);
  if (Value) Value->InsertPage(this);
}

int TTabSheet::PageIndex() const {
  if (!FPageControl) return -1;
  const auto& pages = FPageControl->FPages;
  return static_cast<int>(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

void TTabSheet::SetPageIndex(int Value) {
  if (FPageControl) FPageControl->MovePage(this, Value);
}

int TTabSheet::TabIndex() const {
  if (!FPageControl || !FTabVisible) return -1;
  int n = 0;
  for (TTabSheet* p : FPageControl->FPages) {
    if (p == this) return n;
    if (p->FTabVisible) ++n;
  }
  return -1;
}

void TTabSheet::SetTabVisible(bool Value) {
  if (Value == FTabVisible) return;
  FTabVisible = Value;
  if (FPageControl) FPageControl->UpdateTabs();
}

void TTabSheet::SetImageIndex(int Value) {
  FImageIndex = Value;
  if (FPageControl) FPageControl->UpdateTabs();
}

void TTabSheet::SetText(const std::string& Value) {
  TCustomControl::SetText(Value);
  if (FPageControl) FPageControl->UpdateTabs();
}

void TTabSheet::Paint() {
  Canvas().Brush().SetColor(Color());
  Canvas().FillRect(ClientRect());
}

// ---- TPageControl -----------------------------------------------------------------------------

TPageControl::TPageControl(TComponent* AOwner) : TCustomTabControl(AOwner) {}

TPageControl::~TPageControl() {
  for (TTabSheet* p : FPages) p->FPageControl = nullptr;
  FPages.clear();
  FActivePage = nullptr;
}

TTabSheet* TPageControl::Pages(int Index) const {
  if (Index < 0 || Index >= PageCount()) throw EListError::OutOfBounds(Index);
  return FPages[static_cast<std::size_t>(Index)];
}

void TPageControl::InsertPage(TTabSheet* Page) {
  Page->FPageControl = this;
  FPages.push_back(Page);
  UpdateTabs();
  PlacePages();
  if (!FActivePage) SetActivePage(Page);
}

void TPageControl::RemovePage(TTabSheet* Page) {
  auto it = std::find(FPages.begin(), FPages.end(), Page);
  if (it == FPages.end()) return;
  TTabSheet* next = nullptr;
  if (Page == FActivePage) {
    next = FindNextPage(Page, true, true);
    if (next == Page) next = nullptr;
  } else {
    next = FActivePage;
  }
  FPages.erase(std::find(FPages.begin(), FPages.end(), Page));
  Page->FPageControl = nullptr;
  if (Page == FActivePage) {
    FActivePage = nullptr;
    Page->SetVisible(false);
  }
  UpdateTabs();
  if (!HasState(csDestroying)) SetActivePage(next);
}

void TPageControl::MovePage(TTabSheet* Page, int NewIndex) {
  auto it = std::find(FPages.begin(), FPages.end(), Page);
  if (it == FPages.end()) return;
  FPages.erase(it);
  NewIndex = std::clamp(NewIndex, 0, PageCount());
  FPages.insert(FPages.begin() + NewIndex, Page);
  UpdateTabs();
}

void TPageControl::UpdateTabs() {
  FUpdatingTabs = true;
  DeleteAllTabs();
  for (TTabSheet* p : FPages)
    if (p->FTabVisible) InsertTab(TabCount(), p->Caption(), p->FImageIndex, reinterpret_cast<LPARAM>(p));
  SetTabIndex(FActivePage ? FActivePage->TabIndex() : -1);
  FUpdatingTabs = false;
  PlacePages();
}

TTabSheet* TPageControl::PageForTab(int TabIndex) const {
  if (TabIndex < 0) return nullptr;
  int n = 0;
  for (TTabSheet* p : FPages)
    if (p->FTabVisible && n++ == TabIndex) return p;
  return nullptr;
}

void TPageControl::PlacePages() {
  TRect r = DisplayRect();
  for (TTabSheet* p : FPages) p->SetBounds(r.Left, r.Top, r.Width(), r.Height());
}

void TPageControl::SetActivePage(TTabSheet* Page) {
  if (Page && Page->FPageControl != this) return;
  if (Page == FActivePage) {
    SetTabIndex(Page ? Page->TabIndex() : -1);
    return;
  }
  TTabSheet* old = FActivePage;
  FActivePage = Page;
  SetTabIndex(Page ? Page->TabIndex() : -1);
  if (Page) {
    PlacePages();
    Page->SetVisible(true);
    Page->BringToFront();
    if (Page->OnShow) Page->OnShow(Page);
  }
  if (old) {
    old->SetVisible(false);
    if (old->OnHide) old->OnHide(old);
  }
  Invalidate();
}

int TPageControl::ActivePageIndex() const { return FActivePage ? FActivePage->PageIndex() : -1; }

void TPageControl::SetActivePageIndex(int Value) {
  SetActivePage(Value >= 0 && Value < PageCount() ? FPages[static_cast<std::size_t>(Value)] : nullptr);
}

TTabSheet* TPageControl::FindNextPage(TTabSheet* CurPage, bool GoForward, bool CheckTabVisible) {
  const int n = PageCount();
  if (n == 0) return nullptr;
  int start = -1;
  if (CurPage) start = CurPage->PageIndex();
  if (start < 0 || start >= n) start = GoForward ? n - 1 : 0;
  int i = start;
  for (int k = 0; k < n; ++k) {
    i = GoForward ? (i + 1) % n : (i + n - 1) % n;
    TTabSheet* p = FPages[static_cast<std::size_t>(i)];
    if (!CheckTabVisible || p->FTabVisible) return p;
  }
  return nullptr;
}

void TPageControl::SelectNextPage(bool GoForward, bool CheckTabVisible) {
  TTabSheet* page = FindNextPage(FActivePage, GoForward, CheckTabVisible);
  if (!page || page == FActivePage) return;
  if (page->TabIndex() >= 0) {
    SelectTabByUser(page->TabIndex());
  } else if (CanChange()) {
    SetActivePage(page);
    TCustomTabControl::Change();
  }
}

bool TPageControl::CanChange() { return TCustomTabControl::CanChange(); }

void TPageControl::Change() {
  if (!FUpdatingTabs) {
    TTabSheet* page = PageForTab(TabIndex());
    if (page) SetActivePage(page);
  }
  TCustomTabControl::Change();
}

void TPageControl::Resize() {
  TCustomTabControl::Resize();
  PlacePages();
}

void TPageControl::KeyDown(WORD& Key, TShiftState Shift) {
  if (Key == VK_TAB && Shift.Contains(ssCtrl)) {
    SelectNextPage(!Shift.Contains(ssShift));
    Key = 0;
    return;
  }
  TCustomTabControl::KeyDown(Key, Shift);
}
