#include "server/item_record.h"

#include <utility>

#include "platform/rtl/invariant.h"

void TChangeMask::Read(TValueReader& Reader) {
  for (bool& Flag : FFlags) Flag = Reader.ReadBoolean();
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
  R.ReadOnly = Rd.ReadBoolean();
  R.Name = Rd.ReadString();
  R.Code = Rd.ReadString();
  for (auto& S : R.Details) S = Rd.ReadString();
  for (auto& S : R.Descriptions) S = Rd.ReadString();
  for (auto& S : R.Others) S = Rd.ReadString();
  if (Form == TRecordForm::Stream) {
    for (auto& S : R.ExtraStrings) S = Rd.ReadString();
    for (auto& I : R.ExtraIntegers) I = Rd.ReadInteger();
  } else {
    R.ExtraStrings = {};
    R.ExtraIntegers = {};
  }
  R.Grid3Rows = Rd.ReadInteger();
  R.Grid3 = Rd.ReadChars();
  R.Grid4Rows = Rd.ReadInteger();
  R.Grid4 = Rd.ReadChars();
  for (auto& M : R.Memos) M = Rd.ReadStrings();
  for (auto& L : R.Lists) L = Rd.ReadStrings();
  for (auto& Image : R.Images) {
    Image.FileName = Rd.ReadString();
    Image.Title = Rd.ReadString();
    Image.Flag = Rd.ReadBoolean();
  }
  R.Attachment = Rd.ReadString();
  for (bool& B : R.Checks) B = Rd.ReadBoolean();
  R.ItemNames.Clear();
  R.ItemValues.Clear();
  for (std::size_t i = 0; i < 100; ++i) {
    R.ItemChecks[i] = Rd.ReadBoolean();
    R.ItemNames.Put(i, Rd.ReadString());
    R.ItemValues.Put(i, Rd.ReadString());
  }
  R.RichText = Rd.ReadChars();
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
