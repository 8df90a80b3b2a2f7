#include "platform/ui/tree_view.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/rtl/string_list.h"
#include "platform/rtl/sysutils.h"
#include "platform/rtl/typed_stream.h"
#include "platform/ui/scroll_bars.h"
#include "platform/ui/std_painted.h"
#include "platform/ui/tree_node_data.h"

void RegisterTreeViewClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterPersistentClass<TTreeNodes>("TTreeNodes", "TPersistent");
    RegisterPersistentClass<TTreeView>(
        "TTreeView", "TComponent",
        {ObjectProperty<TTreeView>("Items", [](TTreeView& t) -> TPersistent* { return &t.Items(); })});
  });
}

namespace {
const bool kRegistered = (RegisterTreeViewClasses(), true);
}

// ---- TTreeNode --------------------------------------------------------------------------------

TTreeNode::~TTreeNode() = default;

TTreeView* TTreeNode::TreeView() const { return FOwner ? FOwner->Owner() : nullptr; }

void TTreeNode::SetText(const std::string& Value) {
  if (Value == FText) return;
  FText = Value;
  if (TTreeView* tv = TreeView()) {
    if (tv->SortType() == stText || tv->SortType() == stBoth) tv->SortNewNode(this);
    tv->Invalidate();
  }
}

void TTreeNode::SetImageIndex(int Value) {
  FImageIndex = Value;
  if (TTreeView* tv = TreeView()) tv->Invalidate();
}
void TTreeNode::SetSelectedIndex(int Value) {
  FSelectedIndex = Value;
  if (TTreeView* tv = TreeView()) tv->Invalidate();
}
void TTreeNode::SetStateIndex(int Value) {
  FStateIndex = Value;
  if (TTreeView* tv = TreeView()) tv->Invalidate();
}
void TTreeNode::SetOverlayIndex(int Value) {
  FOverlayIndex = Value;
  if (TTreeView* tv = TreeView()) tv->Invalidate();
}

int TTreeNode::Level() const {
  int n = 0;
  for (TTreeNode* p = FParent; p; p = p->FParent) ++n;
  return n;
}

TTreeNode* TTreeNode::Item(int Index) const {
  if (Index < 0 || Index >= FCount) throw EListError::OutOfBounds(Index);
  TTreeNode* c = FFirst;
  for (int i = 0; i < Index; ++i) c = c->FNext;
  return c;
}

int TTreeNode::Index() const {
  int n = 0;
  for (TTreeNode* p = FPrev; p; p = p->FPrev) ++n;
  return n;
}

int TTreeNode::AbsoluteIndex() const {
  const auto& flat = FOwner->Flat();
  auto it = std::find(flat.begin(), flat.end(), this);
  return it == flat.end() ? -1 : static_cast<int>(it - flat.begin());
}

void TTreeNode::SetExpanded(bool Value) {
  if (Value) Expand(false);
  else Collapse(false);
}

void TTreeNode::Expand(bool Recurse) {
  TTreeView* tv = TreeView();
  if (!FExpanded && HasChildren()) {
    if (!tv || tv->CanExpand(this)) {
      FExpanded = true;
      if (tv) {
        tv->NodesChanged();
        tv->Expand(this);
      }
    }
  }
  if (Recurse)
    for (TTreeNode* c = FFirst; c; c = c->FNext) c->Expand(true);
}

void TTreeNode::Collapse(bool Recurse) {
  TTreeView* tv = TreeView();
  if (FExpanded) {
    if (!tv || tv->CanCollapse(this)) {
      FExpanded = false;
      if (tv) {
        // A selection inside the collapsed part moves up to this node.
        if (tv->FSelected && tv->FSelected->HasAsParent(this)) tv->Select(this);
        tv->NodesChanged();
        tv->Collapse(this);
      }
    }
  }
  if (Recurse)
    for (TTreeNode* c = FFirst; c; c = c->FNext) c->Collapse(true);
}

void TTreeNode::SetHasChildren(bool Value) {
  FHasChildren = Value;
  if (TTreeView* tv = TreeView()) tv->Invalidate();
}

bool TTreeNode::Selected() const {
  TTreeView* tv = TreeView();
  return tv && tv->Selected() == this;
}

void TTreeNode::SetSelected(bool Value) {
  TTreeView* tv = TreeView();
  if (!tv) return;
  if (Value) tv->SetSelected(this);
  else if (tv->Selected() == this) tv->SetSelected(nullptr);
}

bool TTreeNode::DropTarget() const {
  TTreeView* tv = TreeView();
  return tv && tv->DropTarget() == this;
}

bool TTreeNode::IsVisible() const {
  for (TTreeNode* p = FParent; p; p = p->FParent)
    if (!p->FExpanded) return false;
  return true;
}

TTreeNode* TTreeNode::GetNext() const {
  if (FFirst) return FFirst;
  for (const TTreeNode* n = this; n; n = n->FParent)
    if (n->FNext) return n->FNext;
  return nullptr;
}

TTreeNode* TTreeNode::GetPrev() const {
  if (FPrev) {
    TTreeNode* n = FPrev;
    while (n->FLast) n = n->FLast;
    return n;
  }
  return FParent;
}

TTreeNode* TTreeNode::GetNextVisible() const {
  if (FExpanded && FFirst) return FFirst;
  for (const TTreeNode* n = this; n; n = n->FParent)
    if (n->FNext) return n->FNext;
  return nullptr;
}

TTreeNode* TTreeNode::GetPrevVisible() const {
  if (FPrev) {
    TTreeNode* n = FPrev;
    while (n->FExpanded && n->FLast) n = n->FLast;
    return n;
  }
  return FParent;
}

bool TTreeNode::HasAsParent(const TTreeNode* Value) const {
  if (!Value) return false;
  for (TTreeNode* p = FParent; p; p = p->FParent)
    if (p == Value) return true;
  return false;
}

void TTreeNode::Unlink() {
  TTreeNode*& head = FParent ? FParent->FFirst : FOwner->FFirst;
  TTreeNode*& tail = FParent ? FParent->FLast : FOwner->FLast;
  if (FPrev) FPrev->FNext = FNext;
  else head = FNext;
  if (FNext) FNext->FPrev = FPrev;
  else tail = FPrev;
  if (FParent) --FParent->FCount;
  else --FOwner->FTopCount;
  FPrev = FNext = nullptr;
  FParent = nullptr;
}

void TTreeNode::LinkAt(TTreeNode* Parent, TTreeNode* Before) {
  FParent = Parent;
  TTreeNode*& head = Parent ? Parent->FFirst : FOwner->FFirst;
  TTreeNode*& tail = Parent ? Parent->FLast : FOwner->FLast;
  if (Before) {
    FNext = Before;
    FPrev = Before->FPrev;
    Before->FPrev = this;
    if (FPrev) FPrev->FNext = this;
    else head = this;
  } else {
    FPrev = tail;
    FNext = nullptr;
    if (tail) tail->FNext = this;
    else head = this;
    tail = this;
  }
  if (Parent) ++Parent->FCount;
  else ++FOwner->FTopCount;
}

void TTreeNode::MoveTo(TTreeNode* Destination, TNodeAttachMode Mode) {
  TTreeNode* parent = nullptr;
  TTreeNode* before = nullptr;
  switch (Mode) {
    case naAdd: parent = Destination ? Destination->FParent : nullptr; break;
    case naAddFirst:
      parent = Destination ? Destination->FParent : nullptr;
      before = parent ? parent->FFirst : FOwner->FFirst;
      break;
    case naAddChild: parent = Destination; break;
    case naAddChildFirst:
      parent = Destination;
      before = parent ? parent->FFirst : FOwner->FFirst;
      break;
    case naInsert:
      parent = Destination ? Destination->FParent : nullptr;
      before = Destination;
      break;
  }
  if (parent == this || (parent && parent->HasAsParent(this)))
    throw ETreeViewError("Invalid node move");
  if (before == this) return;  // already there
  if (Destination && Destination->FOwner != FOwner) throw ETreeViewError("Invalid node move");
  Unlink();
  LinkAt(parent, before);
  if (TTreeView* tv = TreeView()) {
    if (tv->SortType() == stText || tv->SortType() == stBoth) tv->SortNewNode(this);
  }
  FOwner->Changed();
}

void TTreeNode::Delete() { FOwner->Delete(this); }

void TTreeNode::DeleteChildren() {
  while (FLast) FOwner->Delete(FLast);
  FHasChildren = false;
}

void TTreeNode::MakeVisible() {
  bool changed = false;
  for (TTreeNode* p = FParent; p; p = p->FParent)
    if (!p->FExpanded) {
      p->FExpanded = true;
      changed = true;
    }
  TTreeView* tv = TreeView();
  if (!tv) return;
  if (changed) tv->NodesChanged();
  int row = tv->RowOf(this);
  int top = tv->RowOf(tv->FTopItem);
  if (row < 0) return;
  if (top < 0 || row < top) {
    tv->FTopItem = this;
    tv->UpdateScrollBars();
  } else {
    int visible = std::max(1, tv->VisibleCount());
    if (row >= top + visible) tv->ScrollBy(row - (top + visible) + 1);
  }
  tv->Invalidate();
}

TRect TTreeNode::DisplayRect(bool TextOnly) const {
  TTreeView* tv = TreeView();
  if (!tv) return {};
  int row = tv->RowOf(this);
  int top = tv->RowOf(tv->FTopItem);
  if (row < 0 || top < 0) return {};
  int h = tv->ItemHeight();
  int y = (row - top) * h;
  if (!TextOnly) return Rect(0, y, tv->ClientWidth(), y + h);
  int x = tv->NodeLeft(this);
  if (tv->StateImages() && FStateIndex >= 0) x += tv->StateImages()->Width();
  if (tv->Images()) x += tv->Images()->Width() + 2;
  int w = MeasureCanvas(tv->Font()).TextWidth(FText) + 4;
  return Rect(x, y, x + w, y + h);
}

void TTreeNode::SortChildren(const std::function<int(TTreeNode*, TTreeNode*)>& Compare,
                             bool Recurse) {
  std::vector<TTreeNode*> kids;
  for (TTreeNode* c = FFirst; c; c = c->FNext) kids.push_back(c);
  std::stable_sort(kids.begin(), kids.end(),
                   [&](TTreeNode* a, TTreeNode* b) { return Compare(a, b) < 0; });
  FFirst = FLast = nullptr;
  FCount = 0;
  for (TTreeNode* c : kids) c->LinkAt(this, nullptr);
  if (Recurse)
    for (TTreeNode* c : kids) c->SortChildren(Compare, true);
}

bool TTreeNode::AlphaSort(bool Recurse) {
  TTreeView* tv = TreeView();
  SortChildren([tv](TTreeNode* a, TTreeNode* b) {
    return tv ? tv->CompareNodes(a, b) : AnsiCompareStr(a->Text(), b->Text());
  }, Recurse);
  FOwner->Changed();
  return true;
}

bool TTreeNode::CustomSort(const std::function<int(TTreeNode*, TTreeNode*, LPARAM)>& SortProc,
                           LPARAM Data, bool Recurse) {
  if (!SortProc) return AlphaSort(Recurse);
  SortChildren([&](TTreeNode* a, TTreeNode* b) { return SortProc(a, b, Data); }, Recurse);
  FOwner->Changed();
  return true;
}

void TTreeNode::Assign(const TPersistent* Source) {
  auto* n = dynamic_cast<const TTreeNode*>(Source);
  if (!n) {
    TPersistent::Assign(Source);
    return;
  }
  FText = n->FText;
  FImageIndex = n->FImageIndex;
  FSelectedIndex = n->FSelectedIndex;
  FStateIndex = n->FStateIndex;
  FOverlayIndex = n->FOverlayIndex;
  FData = n->FData;
  if (TTreeView* tv = TreeView()) tv->Invalidate();
}

// ---- TTreeNodes -------------------------------------------------------------------------------

TTreeNodes::TTreeNodes(TTreeView* Owner) : FOwner(Owner) {}

TTreeNodes::~TTreeNodes() {
  FOwner = nullptr;  // no events while the tree goes
  Clear();
}

TTreeNode* TTreeNodes::AddNode(TTreeNode* Parent, TTreeNode* Before, const std::string& S, void* Ptr) {
  if (Parent && Parent->FOwner != this) throw ETreeViewError("Invalid node move");
  std::unique_ptr<TTreeNode> node(new TTreeNode(this));
  node->FText = S;
  node->FData = Ptr;
  node->LinkAt(Parent, Before);
  TTreeNode* n = node.release();
  ++FCount;
  if (FOwner && (FOwner->SortType() == stText || FOwner->SortType() == stBoth)) FOwner->SortNewNode(n);
  Changed();
  return n;
}

TTreeNode* TTreeNodes::Add(TTreeNode* Sibling, const std::string& S) { return AddObject(Sibling, S, nullptr); }
TTreeNode* TTreeNodes::AddObject(TTreeNode* Sibling, const std::string& S, void* Ptr) {
  return AddNode(Sibling ? Sibling->FParent : nullptr, nullptr, S, Ptr);
}
TTreeNode* TTreeNodes::AddFirst(TTreeNode* Sibling, const std::string& S) { return AddObjectFirst(Sibling, S, nullptr); }
TTreeNode* TTreeNodes::AddObjectFirst(TTreeNode* Sibling, const std::string& S, void* Ptr) {
  TTreeNode* parent = Sibling ? Sibling->FParent : nullptr;
  return AddNode(parent, parent ? parent->FFirst : FFirst, S, Ptr);
}
TTreeNode* TTreeNodes::AddChild(TTreeNode* Parent, const std::string& S) { return AddChildObject(Parent, S, nullptr); }
TTreeNode* TTreeNodes::AddChildObject(TTreeNode* Parent, const std::string& S, void* Ptr) {
  return AddNode(Parent, nullptr, S, Ptr);
}
TTreeNode* TTreeNodes::AddChildFirst(TTreeNode* Parent, const std::string& S) {
  return AddChildObjectFirst(Parent, S, nullptr);
}
TTreeNode* TTreeNodes::AddChildObjectFirst(TTreeNode* Parent, const std::string& S, void* Ptr) {
  return AddNode(Parent, Parent ? Parent->FFirst : FFirst, S, Ptr);
}
TTreeNode* TTreeNodes::Insert(TTreeNode* Sibling, const std::string& S) { return InsertObject(Sibling, S, nullptr); }
TTreeNode* TTreeNodes::InsertObject(TTreeNode* Sibling, const std::string& S, void* Ptr) {
  return AddNode(Sibling ? Sibling->FParent : nullptr, Sibling, S, Ptr);
}

void TTreeNodes::NodeRemoved(TTreeNode* Node) {
  --FCount;
  if (FOwner) FOwner->NodeDeleting(Node);
}

void TTreeNodes::Delete(TTreeNode* Node) {
  if (!Node || Node->FOwner != this) return;
  while (Node->FLast) Delete(Node->FLast);
  NodeRemoved(Node);
  Node->Unlink();
  delete Node;
  Changed();
}

void TTreeNodes::Clear() {
  BeginUpdate();
  try {
    while (FLast) Delete(FLast);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TTreeNodes::BeginUpdate() { ++FUpdateCount; }

void TTreeNodes::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0) Changed();
}

void TTreeNodes::Changed() {
  FFlatValid = false;
  if (FOwner && FUpdateCount == 0) FOwner->NodesChanged();
}

const std::vector<TTreeNode*>& TTreeNodes::Flat() const {
  if (!FFlatValid) {
    FFlat.clear();
    FFlat.reserve(static_cast<std::size_t>(FCount));
    for (TTreeNode* n = FFirst; n; n = n->GetNext()) FFlat.push_back(n);
    FFlatValid = true;
  }
  return FFlat;
}

TTreeNode* TTreeNodes::Item(int Index) const {
  const auto& flat = Flat();
  if (Index < 0 || Index >= static_cast<int>(flat.size())) throw EListError::OutOfBounds(Index);
  return flat[static_cast<std::size_t>(Index)];
}

void TTreeNodes::Assign(const TPersistent* Source) {
  auto* other = dynamic_cast<const TTreeNodes*>(Source);
  if (!other) {
    TPersistent::Assign(Source);
    return;
  }
  if (other == this) return;
  // A copy node by node: Data keeps its whole pointer (the stream form holds 32 bits of it).
  TUpdateScope<TTreeNodes> update(*this);
  Clear();
  std::vector<std::pair<const TTreeNode*, TTreeNode*>> stack;  // source, new parent
  for (const TTreeNode* n = other->FLast; n; n = n->FPrev) stack.emplace_back(n, nullptr);
  while (!stack.empty()) {
    auto [from, parent] = stack.back();
    stack.pop_back();
    TTreeNode* to = AddNode(parent, nullptr, from->FText, from->FData);
    to->FImageIndex = from->FImageIndex;
    to->FSelectedIndex = from->FSelectedIndex;
    to->FStateIndex = from->FStateIndex;
    to->FOverlayIndex = from->FOverlayIndex;
    to->FHasChildren = from->FHasChildren;
    to->FExpanded = from->FExpanded;
    for (const TTreeNode* c = from->FLast; c; c = c->FPrev) stack.emplace_back(c, to);
  }
}

void TTreeNodes::DefineProperties(TFiler& Filer) {
  Filer.DefineBinaryProperty(
      "Data", [this](TStream& s) { ReadData(s); }, [this](TStream& s) { WriteData(s); }, FCount > 0);
}

void TTreeNodes::WriteData(TStream& Stream) const {
  // The records mirror the nodes, filled parent first without recursion: a record's children
  // are sized before any of them is queued, so the pointers into them stay valid.
  std::vector<TTreeNodeRecord> top(static_cast<std::size_t>(FTopCount));
  std::vector<std::pair<const TTreeNode*, TTreeNodeRecord*>> work;
  std::size_t k = 0;
  for (const TTreeNode* n = FFirst; n && k < top.size(); n = n->FNext) work.emplace_back(n, &top[k++]);
  while (!work.empty()) {
    auto [n, r] = work.back();
    work.pop_back();
    r->Text = n->FText;
    r->ImageIndex = n->FImageIndex;
    r->SelectedIndex = n->FSelectedIndex;
    r->StateIndex = n->FStateIndex;
    r->OverlayIndex = n->FOverlayIndex;
    r->Data = static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(n->FData));
    r->Children.resize(static_cast<std::size_t>(n->FCount));
    std::size_t i = 0;
    for (const TTreeNode* c = n->FFirst; c && i < r->Children.size(); c = c->FNext) work.emplace_back(c, &r->Children[i++]);
  }
  Stream.WriteString(EncodeTreeNodeData(top));
}

void TTreeNodes::ReadData(TStream& Stream) {
  const std::int64_t start = Stream.Position();
  std::string bytes(static_cast<std::size_t>(std::max<std::int64_t>(0, Stream.Size() - start)), '\0');
  if (bytes.empty()) throw EReadError();
  Stream.ReadBuffer(bytes.data(), static_cast<long>(bytes.size()));
  std::size_t used = 0;
  const std::vector<TTreeNodeRecord> records = DecodeTreeNodeData(bytes.data(), bytes.size(), &used);
  Stream.SetPosition(start + static_cast<std::int64_t>(used));
  // Everything read: now the tree changes.
  BeginUpdate();
  try {
    Clear();
    std::function<void(TTreeNode*, const std::vector<TTreeNodeRecord>&)> build =
        [&](TTreeNode* parent, const std::vector<TTreeNodeRecord>& list) {
          for (const TTreeNodeRecord& r : list) {
            std::unique_ptr<TTreeNode> node(new TTreeNode(this));
            node->FText = r.Text;
            node->FImageIndex = r.ImageIndex;
            node->FSelectedIndex = r.SelectedIndex;
            node->FStateIndex = r.StateIndex;
            node->FOverlayIndex = r.OverlayIndex;
            node->FData = reinterpret_cast<void*>(static_cast<std::intptr_t>(r.Data));
            node->LinkAt(parent, nullptr);
            TTreeNode* n = node.release();
            ++FCount;
            build(n, r.Children);
          }
        };
    build(nullptr, records);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

// ---- TTreeView --------------------------------------------------------------------------------

TTreeView::TTreeView(TComponent* AOwner)
    : TCustomControl(AOwner), FItems(std::make_unique<TTreeNodes>(this)) {
  RegisterTreeViewClasses();
  SetBounds(0, 0, 121, 97);
  SetTabStop(true);
  SetColor(clWindow);
}

TTreeView::~TTreeView() {
  FItems.reset();
  DestroyHandle();
}

void TTreeView::NodeDeleting(TTreeNode* Node) {
  if (FSelected == Node) FSelected = nullptr;
  if (FDropTarget == Node) FDropTarget = nullptr;
  if (FTopItem == Node) FTopItem = nullptr;
  Delete(Node);
}

void TTreeView::NodesChanged() {
  // The top row stays on a shown node.
  if (FTopItem) {
    TTreeNode* t = FTopItem;
    for (TTreeNode* p = t->Parent(); p; p = p->Parent())
      if (!p->Expanded()) t = p;
    FTopItem = t;
  }
  if (!FTopItem) FTopItem = FItems->GetFirstNode();
  UpdateScrollBars();
  Invalidate();
}

void TTreeView::SetSelected(TTreeNode* Node) { Select(Node); }

void TTreeView::Select(TTreeNode* Node) {
  if (Node == FSelected) return;
  if (!CanChange(Node)) return;
  FSelected = Node;
  if (Node) Node->MakeVisible();
  Invalidate();
  Change(Node);
}

void TTreeView::SetDropTarget(TTreeNode* Node) {
  if (Node == FDropTarget) return;
  FDropTarget = Node;
  Invalidate();
}

void TTreeView::SetTopItem(TTreeNode* Node) {
  if (Node && !Node->IsVisible()) return;
  FTopItem = Node ? Node : FItems->GetFirstNode();
  UpdateScrollBars();
  Invalidate();
}

bool TTreeView::CanChange(TTreeNode* Node) {
  bool allow = true;
  if (OnChanging) OnChanging(this, Node, allow);
  return allow;
}
void TTreeView::Change(TTreeNode* Node) {
  if (OnChange) OnChange(this, Node);
}
bool TTreeView::CanExpand(TTreeNode* Node) {
  bool allow = true;
  if (OnExpanding) OnExpanding(this, Node, allow);
  return allow;
}
void TTreeView::Expand(TTreeNode* Node) {
  if (OnExpanded) OnExpanded(this, Node);
}
bool TTreeView::CanCollapse(TTreeNode* Node) {
  bool allow = true;
  if (OnCollapsing) OnCollapsing(this, Node, allow);
  return allow;
}
void TTreeView::Collapse(TTreeNode* Node) {
  if (OnCollapsed) OnCollapsed(this, Node);
}
void TTreeView::Delete(TTreeNode* Node) {
  if (OnDeletion && !HasState(csDestroying)) OnDeletion(this, Node);
}

void TTreeView::SetImages(TImageList* Value) {
  FImages = Value;
  Invalidate();
}
void TTreeView::SetStateImages(TImageList* Value) {
  FStateImages = Value;
  Invalidate();
}
void TTreeView::SetIndent(int Value) {
  FIndent = std::max(Value, 0);
  Invalidate();
}
void TTreeView::SetShowButtons(bool Value) {
  FShowButtons = Value;
  Invalidate();
}
void TTreeView::SetShowLines(bool Value) {
  FShowLines = Value;
  Invalidate();
}
void TTreeView::SetShowRoot(bool Value) {
  FShowRoot = Value;
  Invalidate();
}
void TTreeView::SetHideSelection(bool Value) {
  FHideSelection = Value;
  Invalidate();
}
void TTreeView::SetRowSelect(bool Value) {
  FRowSelect = Value;
  Invalidate();
}

int TTreeView::ItemHeight() {
  // Measured off screen: a hidden tree's measure makes no native window.
  int h = MeasureCanvas(Font()).TextHeight("Wg") + 3;
  if (FImages) h = std::max(h, FImages->Height() + 1);
  if (FStateImages) h = std::max(h, FStateImages->Height() + 1);
  return std::max(h, 1);
}

std::vector<TTreeNode*> TTreeView::VisibleNodes() const {
  std::vector<TTreeNode*> rows;
  for (TTreeNode* n = FItems->GetFirstNode(); n; n = n->GetNextVisible()) rows.push_back(n);
  return rows;
}

int TTreeView::RowOf(const TTreeNode* Node) const {
  if (!Node || !Node->IsVisible()) return -1;
  int row = 0;
  for (TTreeNode* n = FItems->GetFirstNode(); n; n = n->GetNextVisible(), ++row)
    if (n == Node) return row;
  return -1;
}

int TTreeView::NodeLeft(const TTreeNode* Node) const {
  return (Node->Level() + (FShowRoot ? 1 : 0)) * FIndent + 2;
}

int TTreeView::VisibleCount() const {
  auto* self = const_cast<TTreeView*>(this);
  return ClientHeight() / self->ItemHeight();
}

TTreeNode* TTreeView::GetNodeAt(int X, int Y) const {
  if (X < 0 || Y < 0 || X >= ClientWidth() || Y >= ClientHeight()) return nullptr;
  auto* self = const_cast<TTreeView*>(this);
  int h = self->ItemHeight();
  int row = RowOf(FTopItem ? FTopItem : FItems->GetFirstNode());
  if (row < 0) return nullptr;
  row += Y / h;
  auto rows = VisibleNodes();
  return row < static_cast<int>(rows.size()) ? rows[static_cast<std::size_t>(row)] : nullptr;
}

void TTreeView::ScrollBy(int Rows) {
  auto rows = VisibleNodes();
  if (rows.empty()) return;
  int top = std::max(0, RowOf(FTopItem));
  int last = std::max(0, static_cast<int>(rows.size()) - std::max(1, VisibleCount()));
  top = std::clamp(top + Rows, 0, last);
  FTopItem = rows[static_cast<std::size_t>(top)];
  UpdateScrollBars();
  Invalidate();
}

void TTreeView::UpdateScrollBars() {
  const int count = static_cast<int>(VisibleNodes().size());
  SetScrollBarContent(this, SB_VERT, count, VisibleCount(), std::max(0, RowOf(FTopItem)));
}

void TTreeView::Resize() {
  TCustomControl::Resize();
  UpdateScrollBars();
}

int TTreeView::CompareNodes(TTreeNode* A, TTreeNode* B) {
  if (OnCompare) {
    int c = 0;
    OnCompare(this, A, B, 0, c);
    return c;
  }
  if (FSortType == stData) {
    auto a = reinterpret_cast<std::intptr_t>(A->Data()), b = reinterpret_cast<std::intptr_t>(B->Data());
    return a < b ? -1 : a > b ? 1 : 0;
  }
  int c = AnsiCompareStr(A->Text(), B->Text());
  if (c == 0 && FSortType == stBoth) {
    auto a = reinterpret_cast<std::intptr_t>(A->Data()), b = reinterpret_cast<std::intptr_t>(B->Data());
    c = a < b ? -1 : a > b ? 1 : 0;
  }
  return c;
}

void TTreeView::SortNewNode(TTreeNode* Node) {
  // Moves the node to its place among its siblings (after equal ones).
  TTreeNode* parent = Node->Parent();
  TTreeNode* first = parent ? parent->getFirstChild() : FItems->GetFirstNode();
  TTreeNode* before = nullptr;
  for (TTreeNode* s = first; s; s = s->getNextSibling()) {
    if (s == Node) continue;
    if (CompareNodes(Node, s) < 0) {
      before = s;
      break;
    }
  }
  if (before == Node->getNextSibling()) return;  // already in place
  Node->Unlink();
  Node->LinkAt(parent, before);
  FItems->FFlatValid = false;
}

void TTreeView::SetSortType(TSortType Value) {
  if (Value == FSortType) return;
  FSortType = Value;
  if (Value == stText || Value == stBoth || Value == stData) AlphaSort(true);
}

bool TTreeView::AlphaSort(bool Recurse) {
  return CustomSort(nullptr, 0, Recurse);
}

bool TTreeView::CustomSort(const std::function<int(TTreeNode*, TTreeNode*, LPARAM)>& SortProc,
                           LPARAM Data, bool Recurse) {
  std::function<int(TTreeNode*, TTreeNode*)> compare;
  if (SortProc) compare = [&](TTreeNode* a, TTreeNode* b) { return SortProc(a, b, Data); };
  else compare = [this](TTreeNode* a, TTreeNode* b) { return CompareNodes(a, b); };
  std::vector<TTreeNode*> tops;
  for (TTreeNode* n = FItems->GetFirstNode(); n; n = n->getNextSibling()) tops.push_back(n);
  std::stable_sort(tops.begin(), tops.end(), [&](TTreeNode* a, TTreeNode* b) { return compare(a, b) < 0; });
  FItems->FFirst = FItems->FLast = nullptr;
  FItems->FTopCount = 0;
  for (TTreeNode* n : tops) n->LinkAt(nullptr, nullptr);
  if (Recurse)
    for (TTreeNode* n : tops) n->SortChildren(compare, true);
  FItems->Changed();
  return true;
}

void TTreeView::FullExpand() {
  for (TTreeNode* n = FItems->GetFirstNode(); n; n = n->getNextSibling()) n->Expand(true);
}

void TTreeView::FullCollapse() {
  for (TTreeNode* n = FItems->GetFirstNode(); n; n = n->getNextSibling()) n->Collapse(true);
}

bool TTreeView::ToggleNode(TTreeNode* Node) {
  if (!Node || !Node->HasChildren()) return false;
  Node->SetExpanded(!Node->Expanded());
  return true;
}

// ---- painting ----

void TTreeView::Paint() {
  TCanvas& c = Canvas();
  TRect client = ClientRect();
  c.Brush().SetStyle(bsSolid);
  c.Brush().SetColor(Color());
  c.FillRect(client);
  const int h = ItemHeight();
  auto rows = VisibleNodes();
  int top = std::max(0, RowOf(FTopItem));
  const bool focused = Focused();
  for (int row = top, y = 0; row < static_cast<int>(rows.size()) && y < client.Bottom; ++row, y += h) {
    TTreeNode* n = rows[static_cast<std::size_t>(row)];
    const int left = NodeLeft(n);
    const int mid = y + h / 2;
    const int level = n->Level();
    // Lines: a vertical line for each ancestor that has a sibling below, and the stub.
    if (FShowLines) {
      c.Pen().SetColor(clGrayText);
      c.Pen().SetStyle(psDot);
      int x = left - FIndent / 2 - 2;
      if (level > 0 || FShowRoot) {
        c.MoveTo(x, mid);
        c.LineTo(left - 2, mid);
        c.MoveTo(x, n->getPrevSibling() || n->Parent() ? y : mid);
        c.LineTo(x, n->getNextSibling() ? y + h : mid);
      }
      int ax = x - FIndent;
      for (TTreeNode* p = n->Parent(); p && (p->Parent() || FShowRoot); p = p->Parent(), ax -= FIndent) {
        if (p->getNextSibling()) {
          c.MoveTo(ax, y);
          c.LineTo(ax, y + h);
        }
      }
      c.Pen().SetStyle(psSolid);
    }
    if (FShowButtons && n->HasChildren() && (level > 0 || FShowRoot)) {
      int bx = left - FIndent / 2 - 2;
      TRect b = Rect(bx - 4, mid - 4, bx + 5, mid + 5);
      c.Brush().SetColor(clWindow);
      c.FillRect(b);
      c.Brush().SetColor(clGrayText);
      c.FrameRect(b);
      c.Pen().SetColor(clWindowText);
      c.MoveTo(bx - 2, mid);
      c.LineTo(bx + 3, mid);
      if (!n->Expanded()) {
        c.MoveTo(bx, mid - 2);
        c.LineTo(bx, mid + 3);
      }
    }
    int x = left;
    if (FStateImages && n->StateIndex() >= 0) {
      FStateImages->Draw(c, x, y + (h - FStateImages->Height()) / 2, n->StateIndex(), Enabled());
      x += FStateImages->Width();
    }
    if (FImages) {
      int index = n == FSelected ? n->SelectedIndex() : n->ImageIndex();
      FImages->Draw(c, x, y + (h - FImages->Height()) / 2, index, Enabled());
      if (n->OverlayIndex() >= 0) FImages->Draw(c, x, y + (h - FImages->Height()) / 2, n->OverlayIndex(), Enabled());
      x += FImages->Width() + 2;
    }
    c.Font().Assign(Font());
    TRect text = Rect(x, y, x + c.TextWidth(n->Text()) + 4, y + h);
    if (FRowSelect) text.Right = client.Right;
    const bool showSel = (n == FSelected && (focused || !FHideSelection)) || n == FDropTarget;
    c.Brush().SetStyle(bsSolid);
    if (showSel) {
      c.Brush().SetColor(focused || n == FDropTarget ? clHighlight : clBtnFace);
      c.Font().SetColor(focused || n == FDropTarget ? clHighlightText : clWindowText);
    } else {
      c.Brush().SetColor(Color());
    }
    c.FillRect(text);
    c.Brush().SetStyle(bsClear);
    c.TextOut(x + 2, y + (h - c.TextHeight("Wg")) / 2, n->Text());
    c.Brush().SetStyle(bsSolid);
    if (n == FSelected && focused) c.DrawFocusRect(text);
  }
}

// ---- input ----

void TTreeView::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (CanFocus() && !Focused()) SetFocus();
  if (Button == mbLeft && !Shift.Contains(ssDouble)) {
    if (TTreeNode* n = GetNodeAt(X, Y)) {
      int left = NodeLeft(n);
      bool onButton = FShowButtons && n->HasChildren() && X >= left - FIndent && X < left &&
                      (n->Level() > 0 || FShowRoot);
      if (onButton) {
        ToggleNode(n);
      } else {
        Select(n);
        if (FAutoExpand && n == FSelected) n->Expand(false);
      }
    }
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TTreeView::DblClick() {
  TCustomControl::DblClick();
  if (FSelected) ToggleNode(FSelected);
}

void TTreeView::DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) {
  SetDropTarget(State == dsDragLeave ? nullptr : GetNodeAt(X, Y));
  TCustomControl::DragOver(Source, X, Y, State, Accept);
}

bool TTreeView::DragOver(TObject* Source, int X, int Y, TDragState State) {
  bool accept = false;
  DragOver(Source, X, Y, State, accept);
  return accept;
}

void TTreeView::DragDrop(TObject* Source, int X, int Y) {
  TCustomControl::DragDrop(Source, X, Y);
  SetDropTarget(nullptr);
}

void TTreeView::DoEndDrag(TObject* Target, int X, int Y) {
  SetDropTarget(nullptr);
  TCustomControl::DoEndDrag(Target, X, Y);
}

void TTreeView::KeyDown(WORD& Key, TShiftState Shift) {
  TCustomControl::KeyDown(Key, Shift);
  if (Key == 0) return;
  TTreeNode* cur = FSelected;
  auto rows = VisibleNodes();
  if (rows.empty()) return;
  switch (Key) {
    case VK_ESCAPE: return;  // a drag in progress was cancelled before the key came here
    case VK_UP: Select(cur ? (cur->GetPrevVisible() ? cur->GetPrevVisible() : cur) : rows.front()); break;
    case VK_DOWN: Select(cur ? (cur->GetNextVisible() ? cur->GetNextVisible() : cur) : rows.front()); break;
    case VK_HOME: Select(rows.front()); break;
    case VK_END: Select(rows.back()); break;
    case VK_PRIOR:
    case VK_NEXT: {
      int row = cur ? RowOf(cur) : 0;
      int page = std::max(1, VisibleCount() - 1);
      row = std::clamp(row + (Key == VK_NEXT ? page : -page), 0, static_cast<int>(rows.size()) - 1);
      Select(rows[static_cast<std::size_t>(row)]);
      break;
    }
    case VK_LEFT:
      if (!cur) return;
      if (cur->Expanded()) cur->Collapse(false);
      else if (cur->Parent()) Select(cur->Parent());
      break;
    case VK_RIGHT:
      if (!cur) return;
      if (cur->HasChildren() && !cur->Expanded()) cur->Expand(false);
      else if (cur->getFirstChild()) Select(cur->getFirstChild());
      break;
    case VK_ADD:
      if (cur) cur->Expand(false);
      break;
    case VK_SUBTRACT:
      if (cur) cur->Collapse(false);
      break;
    case VK_MULTIPLY:
      if (cur) cur->Expand(true);
      break;
    default:
      return;
  }
  Key = 0;
}

bool TTreeView::DoMouseWheelDown(TShiftState, TPoint) {
  ScrollBy(3);
  return true;
}

bool TTreeView::DoMouseWheelUp(TShiftState, TPoint) {
  ScrollBy(-3);
  return true;
}

void TTreeView::WndProc(TMessage& Message) {
  if (Message.Msg == WM_GETDLGCODE) {
    Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
    return;
  }
  if (Message.Msg == WM_VSCROLL) {
    UpdateScrollBars();
    ScrollBy(ScrollActionPos(this, SB_VERT, Message.WParam) - std::max(0, RowOf(FTopItem)));
    return;
  }
  TCustomControl::WndProc(Message);
}

// ---- text form ----

void TTreeView::SaveToStream(TStream& Stream) const {
  TStringList lines;
  for (TTreeNode* n = FItems->GetFirstNode(); n; n = n->GetNext())
    lines.Add(std::string(static_cast<std::size_t>(n->Level()), '\t') + n->Text());
  lines.SaveToStream(Stream);
}

void TTreeView::SaveToFile(const std::string& FileName) const {
  TMemoryStream data;
  SaveToStream(data);
  data.SaveToFile(FileName);
}

void TTreeView::LoadFromStream(TStream& Stream) {
  TStringList lines;
  lines.LoadFromStream(Stream);
  // Check and shape everything first: a bad line leaves the tree as it was.
  std::vector<std::pair<int, std::string>> shaped;
  int previous = -1;
  for (int i = 0; i < lines.Count(); ++i) {
    const std::string& line = lines[i];
    std::size_t tabs = 0;
    while (tabs < line.size() && line[tabs] == '\t') ++tabs;
    int level = static_cast<int>(tabs);
    std::string text = line.substr(tabs);
    if (previous < 0) level = 0;  // the first line starts the tree, however indented
    else if (level > previous + 1)
      throw ETreeViewError("Invalid level (" + std::to_string(level) + ") for item \"" + text + "\"");
    shaped.emplace_back(level, std::move(text));
    previous = level;
  }
  TUpdateScope<TTreeNodes> update(*FItems);
  FItems->Clear();
  std::vector<TTreeNode*> parents;  // parents[l] = the last node at level l
  for (auto& [level, text] : shaped) {
    parents.resize(static_cast<std::size_t>(level));
    TTreeNode* parent = level > 0 ? parents[static_cast<std::size_t>(level) - 1] : nullptr;
    parents.push_back(FItems->AddChild(parent, text));
  }
}

void TTreeView::LoadFromFile(const std::string& FileName) {
  TMemoryStream data;
  data.LoadFromFile(FileName);
  LoadFromStream(data);
}
