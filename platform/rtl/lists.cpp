#include "platform/rtl/lists.h"

#include <algorithm>

// ---- TList ----

TList::~TList() { TList::Clear(); }

void TList::CheckIndex(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError::OutOfBounds(Index);
}

int TList::Add(void* Item) {
  FList.push_back(Item);
  if (Item) Notify(Item, lnAdded);
  return Count() - 1;
}

void TList::Insert(int Index, void* Item) {
  if (Index < 0 || Index > Count()) throw EListError::OutOfBounds(Index);
  FList.insert(FList.begin() + Index, Item);
  if (Item) Notify(Item, lnAdded);
}

void TList::Delete(int Index) {
  CheckIndex(Index);
  void* item = FList[static_cast<std::size_t>(Index)];
  FList.erase(FList.begin() + Index);
  if (item) Notify(item, lnDeleted);
}

int TList::Remove(void* Item) {
  int index = IndexOf(Item);
  if (index >= 0) Delete(index);
  return index;
}

void* TList::Extract(void* Item) {
  int index = IndexOf(Item);
  if (index < 0) return nullptr;
  FList.erase(FList.begin() + index);
  if (Item) Notify(Item, lnExtracted);
  return Item;
}

int TList::IndexOf(const void* Item) const {
  auto it = std::find(FList.begin(), FList.end(), Item);
  return it == FList.end() ? -1 : static_cast<int>(it - FList.begin());
}

void TList::Exchange(int Index1, int Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  std::swap(FList[static_cast<std::size_t>(Index1)], FList[static_cast<std::size_t>(Index2)]);
}

void TList::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) return;
  CheckIndex(CurIndex);
  CheckIndex(NewIndex);
  void* item = FList[static_cast<std::size_t>(CurIndex)];
  FList.erase(FList.begin() + CurIndex);
  FList.insert(FList.begin() + NewIndex, item);
}

void TList::Sort(const TListSortCompare& Compare) {
  if (!Compare) return;
  std::stable_sort(FList.begin(), FList.end(),
                   [&](void* a, void* b) { return Compare(a, b) < 0; });
}

void TList::Pack() {
  FList.erase(std::remove(FList.begin(), FList.end(), nullptr), FList.end());
}

void TList::Clear() {
  // Items leave one by one from the end, so a Notify that looks at the list sees it consistent.
  while (!FList.empty()) Delete(Count() - 1);
  FList.shrink_to_fit();
}

void* TList::Items(int Index) const {
  CheckIndex(Index);
  return FList[static_cast<std::size_t>(Index)];
}

void TList::SetItems(int Index, void* Item) {
  CheckIndex(Index);
  void* old = FList[static_cast<std::size_t>(Index)];
  if (old == Item) return;
  FList[static_cast<std::size_t>(Index)] = Item;
  if (old) Notify(old, lnDeleted);
  if (Item) Notify(Item, lnAdded);
}

void TList::SetCount(int NewCount) {
  if (NewCount < 0) throw EListError("List count out of bounds (" + std::to_string(NewCount) + ")");
  while (Count() > NewCount) Delete(Count() - 1);
  FList.resize(static_cast<std::size_t>(NewCount), nullptr);
}

void TList::SetCapacity(int NewCapacity) {
  if (NewCapacity < Count())
    throw EListError("List capacity out of bounds (" + std::to_string(NewCapacity) + ")");
  FList.reserve(static_cast<std::size_t>(NewCapacity));
}

// ---- TObjectList ----

TObjectList::~TObjectList() { Clear(); }

void TObjectList::SetItems(int Index, TObject* AObject) { TList::SetItems(Index, AObject); }

void TObjectList::Notify(void* Ptr, TListNotification Action) {
  if (Action == lnDeleted && FOwnsObjects) delete static_cast<TObject*>(Ptr);
}

// ---- TIntegerList ----

void TIntegerList::CheckIndex(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError::OutOfBounds(Index);
}

void TIntegerList::Changed() {
  if (FUpdateCount > 0) {
    FChangedWhileUpdating = true;
    return;
  }
  if (OnChange) OnChange(this);
}

void TIntegerList::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0 && FChangedWhileUpdating) {
    FChangedWhileUpdating = false;
    Changed();
  }
}

int TIntegerList::Add(int Value) {
  FItems.push_back(Value);
  Changed();
  return Count() - 1;
}

void TIntegerList::Insert(int Index, int Value) {
  if (Index < 0 || Index > Count()) throw EListError::OutOfBounds(Index);
  FItems.insert(FItems.begin() + Index, Value);
  Changed();
}

void TIntegerList::Delete(int Index) {
  CheckIndex(Index);
  FItems.erase(FItems.begin() + Index);
  Changed();
}

void TIntegerList::Clear() {
  if (FItems.empty()) return;
  FItems.clear();
  Changed();
}

int TIntegerList::IndexOf(int Value) const {
  auto it = std::find(FItems.begin(), FItems.end(), Value);
  return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

void TIntegerList::Exchange(int Index1, int Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  std::swap(FItems[static_cast<std::size_t>(Index1)], FItems[static_cast<std::size_t>(Index2)]);
  Changed();
}

void TIntegerList::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) return;
  CheckIndex(CurIndex);
  CheckIndex(NewIndex);
  int v = FItems[static_cast<std::size_t>(CurIndex)];
  FItems.erase(FItems.begin() + CurIndex);
  FItems.insert(FItems.begin() + NewIndex, v);
  Changed();
}

void TIntegerList::Sort() {
  std::sort(FItems.begin(), FItems.end());
  Changed();
}

int TIntegerList::Items(int Index) const {
  CheckIndex(Index);
  return FItems[static_cast<std::size_t>(Index)];
}

void TIntegerList::SetItems(int Index, int Value) {
  CheckIndex(Index);
  if (FItems[static_cast<std::size_t>(Index)] == Value) return;
  FItems[static_cast<std::size_t>(Index)] = Value;
  Changed();
}

void TIntegerList::SetCount(int NewCount) {
  if (NewCount < 0) throw EListError("List count out of bounds (" + std::to_string(NewCount) + ")");
  if (NewCount == Count()) return;
  FItems.resize(static_cast<std::size_t>(NewCount), 0);
  Changed();
}

void TIntegerList::Assign(const TIntegerList& Source) {
  if (&Source == this) return;
  FItems = Source.FItems;
  Changed();
}

// ---- TCollectionItem ----

TCollectionItem::TCollectionItem(TCollection* ACollection) { SetCollection(ACollection); }

TCollectionItem::~TCollectionItem() {
  if (FCollection) FCollection->RemoveItem(this);
}

void TCollectionItem::SetCollection(TCollection* Value) {
  if (FCollection == Value) return;
  if (FCollection) FCollection->RemoveItem(this);
  if (Value) Value->InsertItem(this);
}

int TCollectionItem::Index() const {
  if (!FCollection) return -1;
  auto& items = FCollection->FItems;
  auto it = std::find(items.begin(), items.end(), this);
  return it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

void TCollectionItem::SetIndex(int Value) {
  if (!FCollection) return;
  int cur = Index();
  if (Value < 0) Value = 0;
  if (Value >= FCollection->Count()) Value = FCollection->Count() - 1;
  if (cur >= 0 && cur != Value) {
    FCollection->MoveItem(this, Value);
    Changed(true);
  }
}

TPersistent* TCollectionItem::GetOwner() const { return FCollection; }

void TCollectionItem::Changed(bool AllItems) {
  if (FCollection && FCollection->FUpdateCount == 0)
    FCollection->ItemChanged(AllItems ? nullptr : this);
}

// ---- TCollection ----

TCollection::TCollection(TCollectionItemClass ItemClass) : FItemClass(std::move(ItemClass)) {}

TCollection::~TCollection() {
  FUpdateCount = 1;  // no change notices while dying
  while (!FItems.empty()) delete FItems.back();
}

TCollectionItem* TCollection::Add() {
  TCollectionItem* item = nullptr;
  if (FItemClass) {
    item = FItemClass(this);
    // A factory that did not pass the collection to the item still gets it added.
    if (item && item->FCollection != this) item->SetCollection(this);
  } else {
    item = new TCollectionItem(this);
  }
  return item;
}

TCollectionItem* TCollection::Insert(int Index) {
  if (Index < 0 || Index > Count()) throw EListError::OutOfBounds(Index);
  TCollectionItem* item = Add();
  item->SetIndex(Index);
  return item;
}

void TCollection::Delete(int Index) { delete Items(Index); }

void TCollection::Clear() {
  if (FItems.empty()) return;
  BeginUpdate();
  while (!FItems.empty()) delete FItems.back();
  EndUpdate();
}

TCollectionItem* TCollection::Items(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError::OutOfBounds(Index);
  return FItems[static_cast<std::size_t>(Index)];
}

TCollectionItem* TCollection::FindItemID(int ID) const {
  for (TCollectionItem* item : FItems)
    if (item->FID == ID) return item;
  return nullptr;
}

void TCollection::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0) Changed();
}

void TCollection::Assign(const TPersistent* Source) {
  auto* source = dynamic_cast<const TCollection*>(Source);
  if (!source) {
    TPersistent::Assign(Source);
    return;
  }
  if (source == this) return;
  TUpdateScope<TCollection> update(*this);
  Clear();
  for (TCollectionItem* item : source->FItems) Add()->Assign(item);
}

void TCollection::Changed() {
  if (FUpdateCount == 0) ItemChanged(nullptr);
}

void TCollection::ItemChanged(TCollectionItem* Item) {
  Update(Item);
  if (OnUpdate) OnUpdate(this, Item);
}

void TCollection::InsertItem(TCollectionItem* Item) {
  FItems.push_back(Item);
  Item->FCollection = this;
  Item->FID = FNextID++;
  Notify(Item, lnAdded);
  Changed();
}

void TCollection::RemoveItem(TCollectionItem* Item) {
  auto it = std::find(FItems.begin(), FItems.end(), Item);
  if (it == FItems.end()) return;
  Notify(Item, lnExtracted);
  FItems.erase(it);
  Item->FCollection = nullptr;
  Changed();
}

void TCollection::MoveItem(TCollectionItem* Item, int NewIndex) {
  auto it = std::find(FItems.begin(), FItems.end(), Item);
  if (it == FItems.end()) return;
  FItems.erase(it);
  FItems.insert(FItems.begin() + NewIndex, Item);
}
