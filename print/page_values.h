// Lengths of the engine's public interfaces: kept in inches, read and written in any unit.
// Every change calls the owner's change callback.
#pragma once

#include <functional>

#include "platform/rtl/classes.h"
#include "print/page_units.h"

class TPgValue : public TPersistent {
public:
  TPgValue() = default;
  TPgValue(double value, TPgMeasurement unit) : FValue(ConvertValue(value, unit, gmInches)) {}
  double AsUnit(TPgMeasurement unit) const { return ConvertValue(FValue, gmInches, unit); }
  double AsInches() const { return FValue; }
  double AsMillimeters() const { return AsUnit(gmMillimeters); }
  int AsPgUnits() const;
  int AsTwips() const;
  // Stores and notifies only when the value differs.
  void SetAsInches(double value);
  void SetAsUnit(TPgMeasurement unit, double value) { SetAsInches(ConvertValue(value, unit, gmInches)); }
  void SetAsMillimeters(double value) { SetAsUnit(gmMillimeters, value); }
  void SetAsPgUnits(int value) { SetAsUnit(pgUnits, value); }
  void SetAsTwips(int value) { SetAsUnit(gmTwips, value); }
  // Copies the value and notifies.
  void Assign(const TPersistent* source) override;
  std::function<void()> OnChange;

private:
  double FValue = 0;
};

class TPgCustomValueSize : public TPersistent {
public:
  TPgCustomValueSize();
  void Assign(const TPersistent* source) override;
  std::function<void()> OnChange;

protected:
  TPgValue FFirst;
  TPgValue FSecond;
};

class TPgValueSize : public TPgCustomValueSize {
public:
  TPgValue& Width() { return FFirst; }
  TPgValue& Height() { return FSecond; }
  const TPgValue& Width() const { return FFirst; }
  const TPgValue& Height() const { return FSecond; }
};

class TPgValuePoint : public TPgCustomValueSize {
public:
  TPgValue& X() { return FFirst; }
  TPgValue& Y() { return FSecond; }
  const TPgValue& X() const { return FFirst; }
  const TPgValue& Y() const { return FSecond; }
};

class TPgValueRect : public TPersistent {
public:
  TPgValueRect();
  TPgValueRect(const TPgRectExt& inches) : TPgValueRect() { SetRectExt(inches); }
  TPgValuePoint& TopLeft() { return FTopLeft; }
  TPgValuePoint& BottomRight() { return FBottomRight; }
  TPgValue& Left() { return FTopLeft.X(); }
  TPgValue& Top() { return FTopLeft.Y(); }
  TPgValue& Right() { return FBottomRight.X(); }
  TPgValue& Bottom() { return FBottomRight.Y(); }
  // 1 left, 2 top, 3 right, 4 bottom; nullptr otherwise.
  TPgValue* GetValue(int index);
  TPgRectExt GetRectExt() const;
  void SetRectExt(const TPgRectExt& r);
  void Assign(const TPersistent* source) override;
  std::function<void()> OnChange;

private:
  TPgValuePoint FTopLeft;
  TPgValuePoint FBottomRight;
};
