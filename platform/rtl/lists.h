// Pointer lists, object lists, integer lists and collections.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/classes.h"

using TListSortCompare = std::function<int(void* Item1, void* Item2)>;

enum TListNotification { lnAdded, lnExtracted, lnDeleted };

// A list of untyped pointers.  Every bad index raises EListError "List index out of bounds (n)".
class TList : public TObject {
public:
  TList() = default;
  ~TList() override;

  int Add(void* Item);
  void Insert(int Index, void* Item);
  void Delete(int Index);
  // Removes the first occurrence; returns its former index or -1.
  int Remove(void* Item);
  // Takes the item out without the delete notice; returns it, or nullptr when absent.
  void* Extract(void* Item);
  int IndexOf(const void* Item) const;
  void Exchange(int Index1, int Index2);
  void Move(int CurIndex, int NewIndex);
  void Sort(const TListSortCompare& Compare);
  // Drops every nullptr entry.
  void Pack();
  virtual void Clear();

  void* Items(int Index) const;
  void SetItems(int Index, void* Item);
  void* operator[](int Index) const { return Items(Index); }
  void* First() const { return Items(0); }
  void* Last() const { return Items(Count() - 1); }

  int Count() const { return static_cast<int>(FList.size()); }
  // Growing fills with nullptr; shrinking deletes the items at the end.
  void SetCount(int NewCount);
  int Capacity() const { return static_cast<int>(FList.capacity()); }
  // Raises EListError when below Count.
  void SetCapacity(int NewCapacity);

  std::vector<void*>::const_iterator begin() const { return FList.begin(); }
  std::vector<void*>::const_iterator end() const { return FList.end(); }

protected:
  virtual void Notify(void* /*Ptr*/, TListNotification /*Action*/) {}
  void CheckIndex(int Index) const;

private:
  std::vector<void*> FList;
};

// A list of objects that frees them when they are deleted, unless OwnsObjects is false.
class TObjectList : public TList {
public:
  explicit TObjectList(bool AOwnsObjects = true) : FOwnsObjects(AOwnsObjects) {}
  ~TObjectList() override;

  int Add(TObject* AObject) { return TList::Add(AObject); }
  void Insert(int Index, TObject* AObject) { TList::Insert(Index, AObject); }
  int Remove(TObject* AObject) { return TList::Remove(AObject); }
  TObject* Extract(TObject* AObject) { return static_cast<TObject*>(TList::Extract(AObject)); }
  int IndexOf(const TObject* AObject) const { return TList::IndexOf(AObject); }
  TObject* Items(int Index) const { return static_cast<TObject*>(TList::Items(Index)); }
  void SetItems(int Index, TObject* AObject);
  TObject* operator[](int Index) const { return Items(Index); }

  bool OwnsObjects() const { return FOwnsObjects; }
  void SetOwnsObjects(bool Value) { FOwnsObjects = Value; }

protected:
  void Notify(void* Ptr, TListNotification Action) override;

private:
  bool FOwnsObjects;
};

// A list of integers that calls OnChange after every change (batched by BeginUpdate/EndUpdate).
class TIntegerList : public TObject {
public:
  int Add(int Value);
  void Insert(int Index, int Value);
  void Delete(int Index);
  void Clear();
  int IndexOf(int Value) const;
  void Exchange(int Index1, int Index2);
  void Move(int CurIndex, int NewIndex);
  void Sort();
  int Items(int Index) const;
  void SetItems(int Index, int Value);
  int operator[](int Index) const { return Items(Index); }
  int Count() const { return static_cast<int>(FItems.size()); }
  void SetCount(int NewCount);
  void Assign(const TIntegerList& Source);
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();

  TNotifyEvent OnChange;

private:
  void Changed();
  void CheckIndex(int Index) const;
  std::vector<int> FItems;
  int FUpdateCount = 0;
  bool FChangedWhileUpdating = false;
};

class TCollection;

// One item of a collection.  Creating it with a collection adds it there; freeing it removes it.
class TCollectionItem : public TPersistent {
public:
  explicit TCollectionItem(TCollection* ACollection = nullptr);
  ~TCollectionItem() override;

  TCollection* Collection() const { return FCollection; }
  // Moves the item into another collection (or out of any, with nullptr).
  void SetCollection(TCollection* Value);
  // The position in the collection; setting it moves the item.
  int Index() const;
  virtual void SetIndex(int Value);
  // A number unique within the collection, given when the item is added, never reused.
  int ID() const { return FID; }
  virtual std::string DisplayName() const { return ClassName(); }

  TPersistent* GetOwner() const override;

protected:
  // Tells the collection that this item changed (all items when AllItems).
  void Changed(bool AllItems);

private:
  friend class TCollection;
  TCollection* FCollection = nullptr;
  int FID = 0;
};

using TCollectionItemClass = std::function<TCollectionItem*(TCollection*)>;

// An owned, ordered set of items of one class.
class TCollection : public TPersistent {
public:
  explicit TCollection(TCollectionItemClass ItemClass);
  template <class T>
  static TCollectionItemClass ItemClassOf() {
    return [](TCollection* c) -> TCollectionItem* { return new T(c); };
  }
  ~TCollection() override;

  TCollectionItem* Add();
  TCollectionItem* Insert(int Index);
  void Delete(int Index);
  void Clear();
  TCollectionItem* Items(int Index) const;
  TCollectionItem* operator[](int Index) const { return Items(Index); }
  int Count() const { return static_cast<int>(FItems.size()); }
  TCollectionItem* FindItemID(int ID) const;

  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();
  int UpdateCount() const { return FUpdateCount; }

  // Copies the items of another collection: Clear, then Add and Assign each.
  void Assign(const TPersistent* Source) override;

  // Called with the item that changed, or nullptr for "everything"; not while updating.
  virtual void Update(TCollectionItem* /*Item*/) {}
  // Called when an item is added (lnAdded) or about to leave (lnExtracted/lnDeleted).
  virtual void Notify(TCollectionItem* /*Item*/, TListNotification /*Action*/) {}

  // Assigned: called after every Update with the same item.
  std::function<void(TCollection* Sender, TCollectionItem* Item)> OnUpdate;

protected:
  void Changed();

private:
  friend class TCollectionItem;
  void InsertItem(TCollectionItem* Item);
  void RemoveItem(TCollectionItem* Item);
  void MoveItem(TCollectionItem* Item, int NewIndex);
  void ItemChanged(TCollectionItem* Item);

  TCollectionItemClass FItemClass;
  std::vector<TCollectionItem*> FItems;
  int FUpdateCount = 0;
  int FNextID = 0;
};

// A collection that knows the object it belongs to.
class TOwnedCollection : public TCollection {
public:
  TOwnedCollection(TPersistent* AOwner, TCollectionItemClass ItemClass)
      : TCollection(std::move(ItemClass)), FOwner(AOwner) {}
  TPersistent* GetOwner() const override { return FOwner; }

private:
  TPersistent* FOwner;
};
