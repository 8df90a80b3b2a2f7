// Sort styles and the sort index list of the grid's sorting.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/rtl/classes.h"

enum TSortStyle : std::uint8_t {
  sortAuto, sortText, sortNumber, sortDateTime, sortTextNoCase, sortTextCase, sortDateDMY,
  sortDateMDY, sortCustom, sortNumberGrouped, sortLocaleCase, sortLocaleNoCase, sortRaw,
  sortMarkupText, sortGraphicIndex
};

// The style an automatic column takes for a cell: sortNumber for an integer or number text,
// sortDateTime for a text with "/" after one or two digits and before a digit, else sortText.
TSortStyle AutoSortStyle(const std::string& text);

// The grid's day-month-year (or month-day-year) reader: "d-m-y" with "-", "/" or "." between
// the parts; a year below 100 is placed in the century window. 0 when the text does not read.
double ReadGridDate(const std::string& text, bool dayFirst);

class TIntList;
using TIntListChangeEvent = std::function<void(TIntList* Sender, int Param1, int Param2)>;

// A list of 32-bit integers that carries two integers given at creation and calls OnChange
// with them after each Add and each replacement of an element.
class TIntList : public TObject {
public:
  TIntList(int Param1, int Param2) : FParam1(Param1), FParam2(Param2) {}
  int Add(std::int32_t Value);
  std::int32_t Items(int Index) const { return FItems.at(static_cast<std::size_t>(Index)); }
  void SetItems(int Index, std::int32_t Value);
  int Count() const { return static_cast<int>(FItems.size()); }
  void Clear() { FItems.clear(); }
  TIntListChangeEvent OnChange;

private:
  void Changed();
  std::vector<std::int32_t> FItems;
  int FParam1, FParam2;
};

// Sort columns in order: bits 0-30 a real column, bit 31 set for descending.
class TSortIndexList : public TIntList {
public:
  TSortIndexList() : TIntList(0, 0) {}
  static constexpr std::uint32_t kDescending = 0x80000000u;
  void AddIndex(int ACol, bool Ascending);
  // The position of the first entry for the column, or -1.
  int FindIndex(int ACol) const;
  // Flips the direction of the first entry for the column.
  void ToggleIndex(int ACol);
  static int Column(std::int32_t Entry) { return static_cast<int>(static_cast<std::uint32_t>(Entry) & 0x7FFFFFFFu); }
  static bool Descending(std::int32_t Entry) { return (static_cast<std::uint32_t>(Entry) & kDescending) != 0; }
};
