#include "platform/ui/containers.h"

#include <algorithm>

#include "platform/rtl/exceptions.h"
#include "platform/ui/std_painted.h"

// ---- TSplitter ------------------------------------------------------------------------------

TSplitter::TSplitter(TComponent* AOwner) : TGraphicControl(AOwner) {
  SetBounds(0, 0, 3, 100);
  SetAlign(alLeft);
  SetCursor(crHSplit);
  SetParentColor(true);
}

bool TSplitter::Horizontal() const { return Align() == alTop || Align() == alBottom; }

void TSplitter::AlignChanged() {
  if (Align() == FLastAlign) return;
  FLastAlign = Align();
  SetCursor(Horizontal() ? crVSplit : crHSplit);
}

void TSplitter::SetBeveled(bool value) {
  if (value == FBeveled) return;
  FBeveled = value;
  Invalidate();
}

TControl* TSplitter::ResizedControl() const {
  if (!FParent) return nullptr;
  // The neighbour aligned the same way whose edge touches the splitter's near edge.
  for (int i = 0; i < FParent->ControlCount(); ++i) {
    TControl* c = FParent->Controls(i);
    if (c == this || !c->Visible() || c->Align() != Align()) continue;
    switch (Align()) {
      case alLeft: if (c->Left() + c->Width() == Left()) return c; break;
      case alRight: if (c->Left() == Left() + Width()) return c; break;
      case alTop: if (c->Top() + c->Height() == Top()) return c; break;
      case alBottom: if (c->Top() == Top() + Height()) return c; break;
      default: break;
    }
  }
  return nullptr;
}

int TSplitter::MaxSize(const TControl* target) const {
  // What the client-aligned rest may give up: the parent's room less every other control
  // aligned across the same axis, and MinSize for the rest.
  bool vertical = Horizontal();
  int room = vertical ? FParent->ClientHeight() : FParent->ClientWidth();
  for (int i = 0; i < FParent->ControlCount(); ++i) {
    TControl* c = FParent->Controls(i);
    if (c == target || !c->Visible()) continue;
    TAlign a = c->Align();
    if (vertical ? (a == alTop || a == alBottom) : (a == alLeft || a == alRight))
      room -= vertical ? c->Height() : c->Width();
  }
  return std::max(room - FMinSize, FMinSize);
}

void TSplitter::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TGraphicControl::MouseDown(Button, Shift, X, Y);
  AlignChanged();
  if (Button != mbLeft) return;
  FTarget = ResizedControl();
  if (!FTarget) return;
  FDownAt = ClientToScreen({X, Y});
  FStartSize = Horizontal() ? FTarget->Height() : FTarget->Width();
  FMoved = false;
}

void TSplitter::MouseMove(TShiftState Shift, int X, int Y) {
  TGraphicControl::MouseMove(Shift, X, Y);
  if (!FTarget) return;
  TPoint p = ClientToScreen({X, Y});
  int delta = Horizontal() ? p.Y - FDownAt.Y : p.X - FDownAt.X;
  // Dragging towards the neighbour makes it smaller.
  if (Align() == alRight || Align() == alBottom) delta = -delta;
  int size = std::clamp(FStartSize + delta, FMinSize, MaxSize(FTarget));
  int current = Horizontal() ? FTarget->Height() : FTarget->Width();
  if (size == current) return;
  FMoved = true;
  switch (Align()) {
    case alLeft: FTarget->SetWidth(size); break;
    case alRight: FTarget->SetBounds(FTarget->Left() + FTarget->Width() - size, FTarget->Top(), size, FTarget->Height()); break;
    case alTop: FTarget->SetHeight(size); break;
    case alBottom: FTarget->SetBounds(FTarget->Left(), FTarget->Top() + FTarget->Height() - size, FTarget->Width(), size); break;
    default: break;
  }
}

void TSplitter::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TGraphicControl::MouseUp(Button, Shift, X, Y);
  if (Button != mbLeft || !FTarget) return;
  FTarget = nullptr;
  if (FMoved && OnMoved) OnMoved(this);
}

void TSplitter::Paint() {
  AlignChanged();
  TCanvas& c = Canvas();
  TRect r = ClientRect();
  c.Brush().SetStyle(bsSolid);
  c.Brush().SetColor(Color());
  c.FillRect(r);
  if (FBeveled) {
    if (Horizontal()) InflateRect(r, 0, -1);
    else InflateRect(r, -1, 0);
    Frame3D(c, r, clBtnHighlight, clBtnShadow, 1);
  }
}

// ---- TNotebook ------------------------------------------------------------------------------

class TNotebook::TPageNames : public TStrings {
public:
  explicit TPageNames(TNotebook& book) : FBook(book) {}
  std::string Get(int index) const override { return Page(index)->Caption(); }
  void Put(int index, const std::string& s) override { Page(index)->SetCaption(s); }
  TObject* GetObject(int index) const override { return Page(index); }
  int GetCount() const override { return FBook.PageCount(); }
  void Insert(int index, const std::string& s) override {
    if (index < 0 || index > GetCount()) throw EListError::OutOfBounds(index);
    auto* page = new TPage(FBook);  // owned by the notebook
    page->SetCaption(s);
    FBook.FPageList.insert(FBook.FPageList.begin() + index, page);
    page->SetVisible(false);
    page->SetParent(&FBook);
    if (FBook.FPageIndex >= index && FBook.FPageIndex >= 0) ++FBook.FPageIndex;
    if (FBook.FPageIndex < 0) FBook.SetPageIndex(0);
  }
  void Delete(int index) override {
    TPage* page = Page(index);
    FBook.FPageList.erase(FBook.FPageList.begin() + index);
    int shown = FBook.FPageIndex;
    delete page;
    FBook.FPageIndex = -1;
    if (!FBook.FPageList.empty()) {
      int next = shown > index ? shown - 1 : std::min(shown, FBook.PageCount() - 1);
      FBook.SetPageIndex(shown == index ? std::min(index, FBook.PageCount() - 1) : next);
    }
  }
  void Clear() override {
    while (GetCount() > 0) Delete(GetCount() - 1);
  }

private:
  TPage* Page(int index) const {
    if (index < 0 || index >= GetCount()) throw EListError::OutOfBounds(index);
    return FBook.FPageList[static_cast<std::size_t>(index)];
  }
  TNotebook& FBook;
};

TPage::TPage(TNotebook& notebook) : TCustomControl(&notebook) {
  SetAlign(alClient);
  SetParentColor(true);
}

void TPage::Paint() {
  Canvas().Brush().SetStyle(bsSolid);
  Canvas().Brush().SetColor(Color());
  Canvas().FillRect(ClientRect());
}

TNotebook::TNotebook(TComponent* AOwner) : TCustomControl(AOwner), FPages(std::make_unique<TPageNames>(*this)) {
  SetBounds(0, 0, 150, 150);
  SetColor(clBtnFace);
  FPages->Add("Default");
}

TNotebook::~TNotebook() {
  // The pages go with the other owned components; the list only forgets them.
  FPageList.clear();
}

TStrings& TNotebook::Pages() { return *FPages; }

TPage* TNotebook::Page(int index) const {
  if (index < 0 || index >= PageCount()) return nullptr;
  return FPageList[static_cast<std::size_t>(index)];
}

void TNotebook::SetPageIndex(int value) {
  if (value < -1 || value >= PageCount() || value == FPageIndex) return;
  if (TPage* old = Page(FPageIndex)) old->SetVisible(false);
  FPageIndex = value;
  if (TPage* page = Page(value)) {
    page->SetVisible(true);
    page->BringToFront();
  }
  if (OnPageChanged) OnPageChanged(this);
}

std::string TNotebook::ActivePage() const {
  TPage* page = Page(FPageIndex);
  return page ? page->Caption() : std::string();
}

void TNotebook::SetActivePage(const std::string& name) {
  for (int i = 0; i < PageCount(); ++i)
    if (SameText(FPageList[static_cast<std::size_t>(i)]->Caption(), name)) {
      SetPageIndex(i);
      return;
    }
}

void TNotebook::Paint() {
  Canvas().Brush().SetStyle(bsSolid);
  Canvas().Brush().SetColor(Color());
  Canvas().FillRect(ClientRect());
}
