// The collections of the grid's hidden rows (each with its texts) and of its filter conditions.
#pragma once

#include <memory>
#include <string>

#include "platform/rtl/lists.h"
#include "platform/rtl/string_list.h"

// A hidden row: its real row number and its cell texts, one line per real column.
class TGridItem : public TCollectionItem {
public:
  explicit TGridItem(TCollection* ACollection) : TCollectionItem(ACollection) {}
  int Idx = 0;
  TStringList& Items() { return FItems; }
  void Assign(const TPersistent* Source) override;

private:
  TStringList FItems;
};

class TGridItems : public TCollection {
public:
  TGridItems() : TCollection(ItemClassOf<TGridItem>()) {}
  TGridItem* Item(int Index) const { return static_cast<TGridItem*>(Items(Index)); }
};

// One condition: the column whose text is tested and the condition (see MatchFilter).
class TFilterData : public TCollectionItem {
public:
  explicit TFilterData(TCollection* ACollection) : TCollectionItem(ACollection) {}
  short Column = 0;
  std::string Condition;
  void Assign(const TPersistent* Source) override;
};

class TFilter : public TCollection {
public:
  TFilter() : TCollection(ItemClassOf<TFilterData>()) {}
  TFilterData* Add() { return static_cast<TFilterData*>(TCollection::Add()); }
  TFilterData* Item(int Index) const { return static_cast<TFilterData*>(Items(Index)); }
};
