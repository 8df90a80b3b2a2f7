#include "records/configuration.h"

static constexpr std::int32_t MaxGridColumns = 100;

// Visits the field name lists of a configuration in their stream order.
template <class Configuration, class Visit>
static void VisitFieldNames(Configuration& C, Visit&& V) {
  V(C.DescriptionNames);
  V(C.DetailNames);
  V(C.OtherNames);
  V(C.DetailKinds);
  V(C.OtherKinds);
  V(C.ItemNames);
}

void WriteFieldNames(TValueWriter& W, const TConfiguration& C) {
  VisitFieldNames(C, [&W](const auto& Names) { WriteStringArray(W, Names); });
}

void ReadFieldNames(TValueReader& R, TConfiguration& C) {
  VisitFieldNames(C, [&R](auto& Names) { ReadStringArray(R, Names); });
}

void WriteConfiguration(TValueWriter& W, const TConfiguration& C, int RecordCount) {
  W.WriteString("");
  W.WriteString("");
  W.WriteString(C.ConfigString1);
  W.WriteString(C.ConfigString2);
  W.WriteBoolean(C.ConfigFlag);
  WriteFieldNames(W, C);
  for (const auto& Tree : C.DescriptionTrees) WriteDescriptionTree(W, Tree);
  WriteStringArray(W, C.DescriptionKinds);
  W.WriteString(C.StatusWord);
  W.WriteString(C.DateFormat);
  for (int i = 0; i < 8; ++i)
    W.WriteString(i == diRecords ? std::to_string(RecordCount) : C.DatabaseInfo[i]);
  WriteStringArray(W, C.DistinctValues);
  for (int i = 0; i < 20; ++i) W.WriteString("");
}

void MergeConfiguration(TValueReader& R, const TChangeMask& Mask, TConfiguration& Config) {
  TConfiguration In;
  R.SkipString();
  R.SkipString();
  In.ConfigString1 = R.ReadString();
  In.ConfigString2 = R.ReadString();
  In.ConfigFlag = R.ReadBoolean();
  ReadFieldNames(R, In);
  for (auto& Tree : In.DescriptionTrees) Tree = ReadDescriptionTree(R);
  ReadStringArray(R, In.DescriptionKinds);
  In.StatusWord = R.ReadString();
  In.DateFormat = R.ReadString();
  ReadStringArray(R, In.DatabaseInfo);
  ReadStringArray(R, In.DistinctValues);
  for (int i = 0; i < 20; ++i) R.SkipString();

  // The stream is complete: store.
  using namespace ConfigMask;
  for (int i = 0; i < 10; ++i) {
    if (Mask.Get(Descriptions, i)) {
      Config.DescriptionNames[i] = std::move(In.DescriptionNames[i]);
      Config.DescriptionKinds[i] = std::move(In.DescriptionKinds[i]);
    }
    if (Mask.Get(DetailNames, i)) Config.DetailNames[i] = std::move(In.DetailNames[i]);
    if (Mask.Get(DetailKinds, i)) Config.DetailKinds[i] = std::move(In.DetailKinds[i]);
    if (Mask.Get(Trees, i + 1)) Config.DescriptionTrees[i] = std::move(In.DescriptionTrees[i]);
  }
  for (int i = 0; i < 6; ++i) {
    if (Mask.Get(OtherNames, i)) Config.OtherNames[i] = std::move(In.OtherNames[i]);
    if (Mask.Get(OtherKinds, i)) Config.OtherKinds[i] = std::move(In.OtherKinds[i]);
  }
  for (int i = 0; i < 100; ++i)
    if (Mask.Get(ItemNames, i + 1)) Config.ItemNames[i] = std::move(In.ItemNames[i]);
  if (Mask.Get(ConfigStrings, 0)) {
    Config.ConfigString1 = std::move(In.ConfigString1);
    Config.ConfigString2 = std::move(In.ConfigString2);
    Config.ConfigFlag = In.ConfigFlag;
  }
  Config.StatusWord = std::move(In.StatusWord);
  Config.DateFormat = std::move(In.DateFormat);
  Config.DatabaseInfo = std::move(In.DatabaseInfo);
  Config.DistinctValues = std::move(In.DistinctValues);
}

void WriteAttributes(TValueWriter& W, const TAttributes& A) {
  WriteStringArray(W, A.First);
  WriteStringArray(W, A.Second);
  W.WriteInteger(A.Grid3Columns);
  for (const auto& Group : A.Grid3Texts) WriteStringArray(W, Group);
  for (const auto& Group : A.Grid4Texts) WriteStringArray(W, Group);
  W.WriteInteger(A.Grid4Columns);
  WriteStringArray(W, A.Last);
}

void LoadAttributes(const std::string& Bytes, TConfiguration& Config) {
  Config.Grid3Columns = 10;
  Config.Grid4Columns = 10;
  try {
    TValueReader R(Bytes);
    TAttributes A;
    ReadStringArray(R, A.First);
    ReadStringArray(R, A.Second);
    A.Grid3Columns = R.ReadInteger();
    for (auto& Group : A.Grid3Texts) ReadStringArray(R, Group);
    for (auto& Group : A.Grid4Texts) ReadStringArray(R, Group);
    A.Grid4Columns = R.ReadInteger();
    ReadStringArray(R, A.Last);
    // The counts size the work grid of a record's grids: refuse what no template holds.
    if (A.Grid3Columns < 1 || A.Grid3Columns > MaxGridColumns || A.Grid4Columns < 1 ||
        A.Grid4Columns > MaxGridColumns)
      throw EReadError("Invalid property value");
    Config.Attributes = std::move(A);
    Config.Grid3Columns = Config.Attributes.Grid3Columns;
    Config.Grid4Columns = Config.Attributes.Grid4Columns;
  } catch (const Exception&) {
    Config.Attributes = TAttributes{};
    Config.Grid3Columns = 10;
    Config.Grid4Columns = 10;
  }
}
