#include "print/page_values.h"

#include "platform/rtl/sysutils.h"

int TPgValue::AsPgUnits() const { return static_cast<int>(Round(AsUnit(pgUnits))); }
int TPgValue::AsTwips() const { return static_cast<int>(Round(AsUnit(gmTwips))); }

void TPgValue::SetAsInches(double value) {
  if (value == FValue) return;
  FValue = value;
  if (OnChange) OnChange();
}

void TPgValue::Assign(const TPersistent* source) {
  auto* v = dynamic_cast<const TPgValue*>(source);
  if (!v) {
    TPersistent::Assign(source);
    return;
  }
  FValue = v->FValue;
  if (OnChange) OnChange();
}

TPgCustomValueSize::TPgCustomValueSize() {
  FFirst.OnChange = [this] { if (OnChange) OnChange(); };
  FSecond.OnChange = [this] { if (OnChange) OnChange(); };
}

void TPgCustomValueSize::Assign(const TPersistent* source) {
  auto* v = dynamic_cast<const TPgCustomValueSize*>(source);
  if (!v) {
    TPersistent::Assign(source);
    return;
  }
  FFirst.Assign(&v->FFirst);
  FSecond.Assign(&v->FSecond);
}

TPgValueRect::TPgValueRect() {
  FTopLeft.OnChange = [this] { if (OnChange) OnChange(); };
  FBottomRight.OnChange = [this] { if (OnChange) OnChange(); };
}

TPgValue* TPgValueRect::GetValue(int index) {
  switch (index) {
    case 1: return &Left();
    case 2: return &Top();
    case 3: return &Right();
    case 4: return &Bottom();
    default: return nullptr;
  }
}

TPgRectExt TPgValueRect::GetRectExt() const {
  return {FTopLeft.X().AsInches(), FTopLeft.Y().AsInches(), FBottomRight.X().AsInches(), FBottomRight.Y().AsInches()};
}

void TPgValueRect::SetRectExt(const TPgRectExt& r) {
  Left().SetAsInches(r.Left);
  Top().SetAsInches(r.Top);
  Right().SetAsInches(r.Right);
  Bottom().SetAsInches(r.Bottom);
}

void TPgValueRect::Assign(const TPersistent* source) {
  auto* v = dynamic_cast<const TPgValueRect*>(source);
  if (!v) {
    TPersistent::Assign(source);
    return;
  }
  FTopLeft.Assign(&v->FTopLeft);
  FBottomRight.Assign(&v->FBottomRight);
}
