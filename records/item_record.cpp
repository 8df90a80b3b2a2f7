#include "records/item_record.h"

#include <utility>

#include "platform/rtl/invariant.h"

void TChangeMask::Read(TValueReader& Reader) {
  for (bool& Flag : FFlags) Flag = Reader.ReadBooleanFast();
}

void TChangeMask::Write(TValueWriter& Writer) const {
  for (bool Flag : FFlags) Writer.WriteBoolean(Flag);
}

namespace {

// The bytes one record took read back, by the reader of that form, as that record and to their
// last byte: the writer and the reader keep the fields in the same order.
bool ReadsBackWhole(std::string_view Bytes, const ItemRecord& Written, TRecordForm Form) {
  TValueReader Rd(Bytes);
  ItemRecord Back;
  try {
    ReadItemRecord(Rd, Back, Form);
  } catch (const std::exception&) {
    return false;
  }
  if (Form == TRecordForm::File) {
    Back.ExtraStrings = Written.ExtraStrings;
    Back.ExtraIntegers = Written.ExtraIntegers;
  }
  return Rd.AtEnd() && Back == Written;
}

}  // namespace

void WriteItemRecord(TValueWriter& W, const ItemRecord& R, TRecordForm Form) {
  const std::size_t Start = W.Buffer().size();
  W.WriteBoolean(R.ReadOnly);
  W.WriteString(R.Name);
  W.WriteString(R.Code);
  for (const auto& S : R.Details) W.WriteString(S);
  for (const auto& S : R.Descriptions) W.WriteString(S);
  for (const auto& S : R.Others) W.WriteString(S);
  if (Form == TRecordForm::Stream) {
    for (const auto& S : R.ExtraStrings) W.WriteString(S);
    for (auto I : R.ExtraIntegers) W.WriteInteger(I);
  }
  W.WriteInteger(R.Grid3Rows);
  W.WriteChars(R.Grid3);
  W.WriteInteger(R.Grid4Rows);
  W.WriteChars(R.Grid4);
  for (const auto& M : R.Memos) W.WriteStrings(M);
  for (const auto& L : R.Lists) W.WriteStrings(L);
  for (const auto& Image : R.Images) {
    W.WriteString(Image.FileName);
    W.WriteString(Image.Title);
    W.WriteBoolean(Image.Flag);
  }
  W.WriteString(R.Attachment);
  for (bool B : R.Checks) W.WriteBoolean(B);
  for (int i = 0; i < 100; ++i) {
    W.WriteBoolean(R.ItemChecks[i]);
    W.WriteString(R.ItemNames[i]);
    W.WriteString(R.ItemValues[i]);
  }
  W.WriteChars(R.RichText);
  QN_ASSERT(ReadsBackWhole(std::string_view(W.Buffer()).substr(Start), R, Form));
}

void ReadItemRecord(TValueReader& Rd, ItemRecord& R, TRecordForm Form) {
  R.ReadOnly = Rd.ReadBooleanFast();
  Rd.ReadStringInto(R.Name);
  Rd.ReadStringInto(R.Code);
  ReadStringArray(Rd, R.Details);
  ReadStringArray(Rd, R.Descriptions);
  ReadStringArray(Rd, R.Others);
  if (Form == TRecordForm::Stream) {
    ReadStringArray(Rd, R.ExtraStrings);
    for (auto& I : R.ExtraIntegers) I = Rd.ReadInteger();
  } else {
    R.ExtraStrings = {};
    R.ExtraIntegers = {};
  }
  R.Grid3Rows = Rd.ReadInteger();
  Rd.ReadCharsInto(R.Grid3);
  R.Grid4Rows = Rd.ReadInteger();
  Rd.ReadCharsInto(R.Grid4);
  for (auto& M : R.Memos) Rd.ReadStringsInto(M);
  for (auto& L : R.Lists) Rd.ReadStringsInto(L);
  for (auto& Image : R.Images) {
    Rd.ReadStringInto(Image.FileName);
    Rd.ReadStringInto(Image.Title);
    Image.Flag = Rd.ReadBooleanFast();
  }
  Rd.ReadStringInto(R.Attachment);
  for (bool& B : R.Checks) B = Rd.ReadBooleanFast();
  // Most items are empty: an empty one leaves the sparse sets unmade.
  R.ItemNames.Clear();
  R.ItemValues.Clear();
  auto ReadItem = [&Rd](TSparseStrings<100>& Set, std::size_t Index) {
    std::string_view Bytes;
    if (!Rd.TakeShortString(Bytes))
      Set.Put(Index, Rd.ReadString());
    else if (!Bytes.empty())
      Set.Put(Index, std::string(Bytes));
  };
  // An unused item as it is written: not checked, no name, no value.
  static constexpr char UnusedItem[] = {vaFalse, vaString, 0, vaString, 0};
  for (std::size_t i = 0; i < 100; ++i) {
    if (Rd.TakeExactly(std::string_view(UnusedItem, sizeof UnusedItem))) {
      R.ItemChecks[i] = false;
      continue;
    }
    R.ItemChecks[i] = Rd.ReadBooleanFast();
    ReadItem(R.ItemNames, i);
    ReadItem(R.ItemValues, i);
  }
  Rd.ReadCharsInto(R.RichText);
}

std::vector<int> MergeItemRecord(ItemRecord&& In, const TChangeMask& Mask, ItemRecord& R) {
  using namespace RecordMask;
  R.ReadOnly = In.ReadOnly;
  R.Code = In.Code.substr(0, 8);
  R.Lists = std::move(In.Lists);
  R.Attachment = std::move(In.Attachment);

  std::vector<int> ChangedDescriptions;
  for (int i = 0; i < 10; ++i) {
    if (Mask.Get(Descriptions, i + 1)) {
      R.Descriptions[i] = std::move(In.Descriptions[i]);
      ChangedDescriptions.push_back(i);
    }
    if (Mask.Get(Details, i)) R.Details[i] = std::move(In.Details[i]);
  }
  for (int i = 0; i < 6; ++i)
    if (Mask.Get(Others, i)) R.Others[i] = std::move(In.Others[i]);
  for (int i = 0; i < 100; ++i) {
    if (!Mask.Get(Items, i + 1)) continue;
    R.ItemChecks[i] = In.ItemChecks[i];
    R.ItemNames.Put(i, std::string(std::as_const(In.ItemNames)[i]));
    R.ItemValues.Put(i, std::string(std::as_const(In.ItemValues)[i]));
  }
  if (Mask.Get(Name, 0)) R.Name = std::move(In.Name);
  for (int i = 0; i < 3; ++i)
    if (Mask.Get(Memos, i)) R.Memos[i] = std::move(In.Memos[i]);
  for (int i = 0; i < 6; ++i)
    if (Mask.Get(Images, i + 1)) R.Images[i] = std::move(In.Images[i]);
  if (Mask.Get(Grid3, 0)) {
    R.Grid3Rows = In.Grid3Rows;
    R.Grid3 = std::move(In.Grid3);
  }
  for (int i = 0; i < 3; ++i)
    if (Mask.Get(Checks, i + 1)) R.Checks[i] = In.Checks[i];
  if (Mask.Get(RichText, 0)) R.RichText = std::move(In.RichText);
  if (Mask.Get(Grid4, 0)) {
    R.Grid4Rows = In.Grid4Rows;
    R.Grid4 = std::move(In.Grid4);
  }
  for (int i = 0; i < 3; ++i) {
    if (Mask.Get(Extras, i + 1)) R.ExtraStrings[i] = std::move(In.ExtraStrings[i]);
    if (Mask.Get(Extras, i + 4)) R.ExtraIntegers[i] = In.ExtraIntegers[i];
  }
  return ChangedDescriptions;
}
