#include "controls/grid/grid_filter.h"

void TGridItem::Assign(const TPersistent* Source) {
  if (const auto* item = dynamic_cast<const TGridItem*>(Source)) {
    Idx = item->Idx;
    FItems.Assign(&item->FItems);
    return;
  }
  TCollectionItem::Assign(Source);
}

void TFilterData::Assign(const TPersistent* Source) {
  if (const auto* data = dynamic_cast<const TFilterData*>(Source)) {
    Column = data->Column;
    Condition = data->Condition;
    return;
  }
  TCollectionItem::Assign(Source);
}
