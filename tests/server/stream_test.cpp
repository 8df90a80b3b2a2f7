#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "records/configuration.h"
#include "server/database_store.h"
#include "records/description_tree.h"
#include "records/item_record.h"
#include "records/value_stream.h"

namespace {

std::string Bytes(std::initializer_list<int> Values) {
  std::string Out;
  for (int V : Values) Out.push_back(static_cast<char>(V));
  return Out;
}

ItemRecord SampleRecord() {
  ItemRecord R;
  R.Code = "ABCD1234";
  R.ReadOnly = true;
  R.Name = "Sample";
  for (int i = 0; i < 10; ++i) {
    R.Details[i] = "detail " + std::to_string(i);
    R.Descriptions[i] = "desc " + std::to_string(i);
  }
  for (int i = 0; i < 6; ++i) R.Others[i] = "other " + std::to_string(i);
  R.ExtraStrings = {"x1", "x2", "x3"};
  R.ExtraIntegers = {1, -300, 100000};
  R.Images[2] = {"pic.jpg", "Front", true};
  R.Attachment = "manual.pdf";
  R.Checks = {true, false, true};
  R.Memos[0] = {"first line", "second"};
  R.Memos[2] = {"street 1", "town"};
  R.Lists[1] = {"a", "b"};
  R.ItemNames[4] = "Size";
  R.ItemValues[4] = "XL";
  R.ItemChecks[4] = true;
  R.Grid3 = "2,3\r\n1,1,cell\r\n";
  R.Grid4 = std::string(300, 'g');
  R.RichText = std::string("{\\rtf1 \x01\x00\xff}", 12);
  R.Grid3Rows = 3;
  R.Grid4Rows = 7;
  return R;
}

std::string RecordStream(const ItemRecord& R, TRecordForm Form = TRecordForm::Stream) {
  std::string Out;
  TValueWriter W(Out);
  WriteItemRecord(W, R, Form);
  return Out;
}

void ExpectSameRecord(const ItemRecord& A, const ItemRecord& B) {
  EXPECT_EQ(A.Code, B.Code);
  EXPECT_EQ(A.ReadOnly, B.ReadOnly);
  EXPECT_EQ(A.Name, B.Name);
  EXPECT_EQ(A.Details, B.Details);
  EXPECT_EQ(A.Descriptions, B.Descriptions);
  EXPECT_EQ(A.Others, B.Others);
  EXPECT_EQ(A.Images[2].FileName, B.Images[2].FileName);
  EXPECT_EQ(A.Images[2].Flag, B.Images[2].Flag);
  EXPECT_EQ(A.Attachment, B.Attachment);
  EXPECT_EQ(A.Checks, B.Checks);
  EXPECT_EQ(A.Memos, B.Memos);
  EXPECT_EQ(A.Lists, B.Lists);
  EXPECT_EQ(A.ItemNames, B.ItemNames);
  EXPECT_EQ(A.ItemValues, B.ItemValues);
  EXPECT_EQ(A.ItemChecks, B.ItemChecks);
  EXPECT_EQ(A.Grid3, B.Grid3);
  EXPECT_EQ(A.Grid4, B.Grid4);
  EXPECT_EQ(A.RichText, B.RichText);
  EXPECT_EQ(A.Grid3Rows, B.Grid3Rows);
  EXPECT_EQ(A.Grid4Rows, B.Grid4Rows);
}

}  // namespace

TEST(ValueStream, ForgedCharsCountIsRefusedBeforeAllocating) {
  // A Chars block that claims a billion Chars.
  TValueReader Chars(Bytes({4, 0, 0xCA, 0x9A, 0x3B, 6, 1, 'a'}));
  EXPECT_THROW(Chars.ReadChars(), EReadError);
}

TEST(ValueStream, CharsBlockTakesAnyCharForm) {
  // Two Chars, the second as a long string of length 1.
  TValueReader R(Bytes({2, 2, 6, 1, 'a', 12, 1, 0, 0, 0, 'b'}));
  EXPECT_EQ(R.ReadChars(), "ab");
  TValueReader Bad(Bytes({2, 1, 6, 2, 'a', 'b'}));
  EXPECT_THROW(Bad.ReadChars(), EReadError);
}

TEST(ValueStream, LongCharsBlocksReadBackWhateverFormBreaksThem) {
  // Blocks long enough for the sixteen-at-a-time path, with every byte value, and one Char in
  // another form (or a bad one) at each place of the block.
  std::string Text;
  for (int i = 0; i < 70; ++i) Text += static_cast<char>((i * 37 + 11) & 0xFF);
  std::string Plain;
  TValueWriter W(Plain);
  W.WriteChars(Text);
  TValueReader Same(Plain);
  EXPECT_EQ(Same.ReadChars(), Text);
  EXPECT_TRUE(Same.AtEnd());
  const std::size_t Head = 2;  // Int8 70
  for (std::size_t At = 0; At < Text.size(); ++At) {
    std::string Other = Plain;
    // The Char as a long string of length 1: 12, 1, 0, 0, 0, byte.
    Other.replace(Head + 3 * At, 3, Bytes({12, 1, 0, 0, 0}) + Text[At]);
    TValueReader R(Other);
    EXPECT_EQ(R.ReadChars(), Text) << At;
    EXPECT_TRUE(R.AtEnd()) << At;
    std::string Broken = Plain;
    Broken[Head + 3 * At + 1] = 2;  // a String of two bytes is no Char
    TValueReader B(Broken);
    EXPECT_THROW(B.ReadChars(), EReadError) << At;
  }
}

// What a read gives: its value and where it stopped, or the error it raised.
template <class Value>
struct TOutcome {
  bool Raised = false;
  std::string Error;
  Value Result{};
  std::size_t Position = 0;
  bool operator==(const TOutcome&) const = default;
};

template <class Value, class Read>
TOutcome<Value> Outcome(const std::string& Input, Read&& ReadOne) {
  TOutcome<Value> Out;
  TValueReader R(Input);
  try {
    Out.Result = ReadOne(R);
    Out.Position = R.Position();
  } catch (const EReadError& E) {
    Out.Raised = true;
    Out.Error = E.what();
  }
  return Out;
}

// Each input whole, cut short at every byte, and with every byte changed to a few other values.
std::vector<std::string> Mangled(const std::vector<std::string>& Inputs) {
  std::vector<std::string> All;
  for (const std::string& Input : Inputs) {
    for (std::size_t Length = 0; Length <= Input.size(); ++Length) All.push_back(Input.substr(0, Length));
    for (std::size_t At = 0; At < Input.size(); ++At)
      for (int Byte : {0, 1, 2, 6, 8, 9, 12, 18, 20, 0x7F, 0xFF}) {
        std::string Changed = Input;
        Changed[At] = static_cast<char>(Byte);
        All.push_back(Changed);
      }
  }
  return All;
}

// Values of every form a string can take, and some that are not strings.
std::vector<std::string> StringForms() {
  std::vector<std::string> Forms;
  for (const std::string& Text : {std::string(), std::string("abc"), std::string(255, 'x'), std::string(256, 'y')}) {
    std::string Out;
    TValueWriter W(Out);
    W.WriteString(Text);
    Forms.push_back(Out);
  }
  Forms.push_back(Bytes({12, 2, 0, 0, 0, 'l', 's'}));  // a long string of two bytes
  Forms.push_back(Bytes({20, 1, 0, 0, 0, 'u'}));       // UTF-8
  Forms.push_back(Bytes({18, 2, 0, 'h', 0, 'i', 0}));  // UTF-16
  Forms.push_back(Bytes({2, 5}));                      // an integer
  Forms.push_back(Bytes({9}));                         // a Boolean
  return Forms;
}

TEST(ValueStream, InPlaceReadsAcceptAndRefuseWhatTheGeneralReadsDo) {
  for (const std::string& Input : Mangled(StringForms())) {
    const auto General = Outcome<std::string>(Input, [](TValueReader& R) { return R.ReadString(); });
    const auto InPlace = Outcome<std::string>(Input, [](TValueReader& R) {
      std::string Value = "what the string held before";
      R.ReadStringInto(Value);
      return Value;
    });
    EXPECT_EQ(InPlace, General) << testing::PrintToString(Input);
    const auto GeneralFlag = Outcome<bool>(Input, [](TValueReader& R) { return R.ReadBoolean(); });
    const auto InPlaceFlag = Outcome<bool>(Input, [](TValueReader& R) { return R.ReadBooleanFast(); });
    EXPECT_EQ(InPlaceFlag, GeneralFlag) << testing::PrintToString(Input);
  }
  // Lists of strings: empty, every string form, and a list holding a value that is no string.
  std::vector<std::string> Lists = {Bytes({1, 0})};
  std::string AllForms = Bytes({1});
  for (const std::string& Form : StringForms()) AllForms += Form;
  Lists.push_back(AllForms + Bytes({0}));
  std::string Lines;
  TValueWriter W(Lines);
  W.WriteStrings({"one", "", std::string(300, 'z'), "four"});
  Lists.push_back(Lines);
  for (const std::string& Input : Mangled(Lists)) {
    const auto General = Outcome<std::vector<std::string>>(Input, [](TValueReader& R) { return R.ReadStrings(); });
    const auto InPlace = Outcome<std::vector<std::string>>(Input, [](TValueReader& R) {
      std::vector<std::string> Value = {"old", "lines", "left over"};
      R.ReadStringsInto(Value);
      return Value;
    });
    EXPECT_EQ(InPlace, General) << testing::PrintToString(Input);
  }
}

TEST(RecordStream, ReadIntoAUsedRecordLeavesNothingOfIt) {
  // The full record first, then one with shorter texts, fewer lines, other items and each string
  // in another form (long, UTF-8, UTF-16, a Char as a long string).
  ItemRecord Full = SampleRecord();
  Full.ItemNames[50] = "fifty";
  Full.Memos[1] = {"a", "b", "c"};
  ItemRecord Other;
  Other.Code = "ZZZZ0000";
  Other.Name = std::string(400, 'n');
  Other.Details[3] = "three";
  Other.Memos[0] = {"only"};
  Other.ItemNames[7] = "seven";
  Other.Grid3 = "g";
  Other.RichText = "r";
  const std::string Plain = RecordStream(Other);
  std::string Forms = Plain;
  // Name: tag 12, 400 bytes, at offset 1.  Code becomes UTF-8, Details[0] UTF-16.
  ASSERT_EQ(Forms.substr(1, 3), Bytes({12, 0x90, 1}));
  const std::size_t CodeAt = 1 + 5 + 400;
  ASSERT_EQ(Forms.substr(CodeAt, 2), Bytes({6, 8}));
  Forms.replace(CodeAt, 2, Bytes({20, 8, 0, 0, 0}));
  const std::size_t DetailAt = CodeAt + 5 + 8;
  ASSERT_EQ(Forms.substr(DetailAt, 2), Bytes({6, 0}));
  Forms.replace(DetailAt, 2, Bytes({18, 0, 0, 0, 0}));
  // The rich text's one Char as a long string: the last three bytes.
  ASSERT_EQ(Forms.substr(Forms.size() - 3), Bytes({6, 1, 'r'}));
  Forms.replace(Forms.size() - 3, 3, Bytes({12, 1, 0, 0, 0, 'r'}));
  for (const std::string& Stream : {Plain, Forms}) {
    ItemRecord Back = Full;
    TValueReader R(Stream);
    ReadItemRecord(R, Back, TRecordForm::Stream);
    EXPECT_TRUE(R.AtEnd());
    EXPECT_EQ(Back, Other);
  }
}

TEST(RecordStream, EveryCutOrBrokenRecordIsRefused) {
  for (TRecordForm Form : {TRecordForm::Stream, TRecordForm::File}) {
    const std::string Stream = RecordStream(SampleRecord(), Form);
    for (std::size_t Length = 0; Length < Stream.size(); ++Length) {
      TValueReader R(std::string_view(Stream).substr(0, Length));
      ItemRecord Back;
      try {
        ReadItemRecord(R, Back, Form);
        ADD_FAILURE() << "a record cut at " << Length << " was read";
      } catch (const EReadError& E) {
        EXPECT_STREQ(E.what(), "Stream read error") << Length;
      }
    }
  }
  // A value of the wrong kind where a Boolean, a string, an item's string, a memo line or a
  // Char is due.
  const std::string Stream = RecordStream(SampleRecord());
  const auto Broken = [&](std::size_t At, int Byte) {
    std::string Out = Stream;
    Out[At] = static_cast<char>(Byte);
    return Out;
  };
  const std::size_t MemoLine = Stream.find(Bytes({1, 6, 10}) + "first line") + 1;
  const std::size_t ItemName = Stream.find(Bytes({9, 6, 4}) + "Size") + 1;
  const std::size_t RichChar = Stream.size() - 3;
  for (const std::string& Input : {Broken(0, 2), Broken(1, 9), Broken(MemoLine, 4), Broken(ItemName, 8),
                                   Broken(ItemName - 1, 6), Broken(RichChar, 2)}) {
    TValueReader R(Input);
    ItemRecord Back;
    try {
      ReadItemRecord(R, Back, TRecordForm::Stream);
      ADD_FAILURE() << "a broken record was read";
    } catch (const EReadError& E) {
      EXPECT_STREQ(E.what(), "Invalid property value");
    }
  }
}

TEST(RecordStream, RoundTripsEveryField) {
  const ItemRecord R = SampleRecord();
  const std::string Stream = RecordStream(R);
  TValueReader Reader(Stream);
  ItemRecord Back;
  ReadItemRecord(Reader, Back, TRecordForm::Stream);
  EXPECT_TRUE(Reader.AtEnd());
  ExpectSameRecord(R, Back);
  EXPECT_EQ(Back.ExtraStrings, R.ExtraStrings);
  EXPECT_EQ(Back.ExtraIntegers, R.ExtraIntegers);
}

TEST(RecordStream, StartsWithFlagNameAndCode) {
  const std::string Stream = RecordStream(SampleRecord());
  EXPECT_EQ(Stream.substr(0, 18), Bytes({9, 6, 6, 'S', 'a', 'm', 'p', 'l', 'e', 6, 8, 'A', 'B', 'C', 'D', '1', '2', '3'}));
}

TEST(RecordStream, FileFormHoldsNoExtras) {
  const ItemRecord R = SampleRecord();
  const std::string File = RecordStream(R, TRecordForm::File);
  EXPECT_LT(File.size(), RecordStream(R).size());
  TValueReader Reader(File);
  ItemRecord Back;
  ReadItemRecord(Reader, Back, TRecordForm::File);
  ExpectSameRecord(R, Back);
  EXPECT_EQ(Back.ExtraStrings[0], "");
  EXPECT_EQ(Back.ExtraIntegers[2], 0);
}

TEST(ChangeMask, NoFlagsStoresOnlyTheAlwaysStoredFields) {
  ItemRecord Target;
  Target.Name = "Kept";
  Target.Details[0] = "kept";
  ItemRecord In = SampleRecord();
  In.Code = "NEWCODE99";
  TChangeMask Mask;
  MergeItemRecord(std::move(In), Mask, Target);
  EXPECT_EQ(Target.Name, "Kept");
  EXPECT_EQ(Target.Details[0], "kept");
  EXPECT_EQ(Target.Memos[0].size(), 0u);
  EXPECT_EQ(Target.RichText, "");
  EXPECT_TRUE(Target.ReadOnly);
  EXPECT_EQ(Target.Code, "NEWCODE9");  // the first 8 characters
  EXPECT_EQ(Target.Lists[1], (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(Target.Attachment, "manual.pdf");
}

TEST(ChangeMask, FlagsSelectSingleFields) {
  ItemRecord Target;
  ItemRecord In = SampleRecord();
  In.ItemNames[3] = "other row";
  TChangeMask Mask;
  Mask.Set(RecordMask::Items, 5);          // item row 5 only
  Mask.Set(RecordMask::Descriptions, 0);   // ignored: descriptions start at column 1
  Mask.Set(RecordMask::Descriptions, 2);   // description 2
  Mask.Set(RecordMask::Details, 0);        // detail 1
  Mask.Set(RecordMask::Grid4, 0);
  Mask.Set(RecordMask::Extras, 5);         // extra integer 2
  const auto Changed = MergeItemRecord(std::move(In), Mask, Target);
  EXPECT_EQ(Changed, std::vector<int>{1});
  EXPECT_EQ(Target.ItemNames[4], "Size");
  EXPECT_EQ(Target.ItemValues[4], "XL");
  EXPECT_TRUE(Target.ItemChecks[4]);
  EXPECT_EQ(Target.ItemNames[3], "");
  EXPECT_EQ(Target.Descriptions[0], "");
  EXPECT_EQ(Target.Descriptions[1], "desc 1");
  EXPECT_EQ(Target.Details[0], "detail 0");
  EXPECT_EQ(Target.Details[1], "");
  EXPECT_EQ(Target.Grid4Rows, 7);
  EXPECT_EQ(Target.Grid3Rows, 0);
  EXPECT_EQ(Target.ExtraIntegers[1], -300);
  EXPECT_EQ(Target.ExtraIntegers[0], 0);
}

TEST(DescriptionTree, RoundTripsNestingAndNodeValues) {
  TDescriptionTree Tree;
  TDescriptionNode Europe{"Europe", 1, 2, 3, 4, 5, {}};
  Europe.Children.push_back({"France:FR", 0, 0, -1, -1, 0, {}});
  Europe.Children.push_back({std::string(300, 'L'), 0, 0, -1, -1, 0, {}});
  Tree.Nodes.push_back(Europe);
  Tree.Nodes.push_back({"Asia", 0, 0, -1, -1, 0, {}});
  std::string Out;
  TValueWriter W(Out);
  WriteDescriptionTree(W, Tree);
  EXPECT_EQ(Out.substr(0, 4), "TPF0");
  TValueReader R(Out);
  const TDescriptionTree Back = ReadDescriptionTree(R);
  EXPECT_TRUE(R.AtEnd());
  ASSERT_EQ(Back.Nodes.size(), 2u);
  ASSERT_EQ(Back.Nodes[0].Children.size(), 2u);
  EXPECT_EQ(Back.Nodes[0].Children[0].Text, "France:FR");
  EXPECT_EQ(Back.Nodes[0].Children[1].Text, std::string(255, 'L'));  // cut when written
  EXPECT_EQ(Back.Nodes[0].Data, 5);
  EXPECT_EQ(Back.Nodes[0].OverlayIndex, 4);
  EXPECT_EQ(Back.Nodes[1].Text, "Asia");
}

TEST(DescriptionTree, RefusesForgedCounts) {
  std::string Data;
  TValueWriter W(Data);
  W.WriteInt32Raw(1000000);  // a million top-level nodes in 4 bytes
  EXPECT_THROW(DecodeTreeNodes(Data), EReadError);
  // A node claiming children that are not there.
  TDescriptionTree Tree;
  Tree.Nodes.push_back({"x", 0, 0, 0, 0, 0, {}});
  std::string Good = EncodeTreeNodes(Tree);
  Good[4 + 24] = 3;  // child count of the node
  EXPECT_THROW(DecodeTreeNodes(Good), EReadError);
}

TEST(DescriptionTree, SkipsOtherProperties) {
  std::string Out;
  TValueWriter W(Out);
  W.WriteSignature();
  W.WriteStr("TTreeView");
  W.WriteStr("DescriptionTree");
  W.WriteStr("Left");
  W.WriteInteger(8);
  W.WriteStr("Font.Style");
  W.WriteRaw("\x0b\x06" "fsBold\x00", 9);
  W.WriteStr("Items.Data");
  TDescriptionTree Tree;
  Tree.Nodes.push_back({"Red", 0, 0, -1, -1, 0, {}});
  W.WriteBinary(EncodeTreeNodes(Tree));
  W.WriteListEnd();
  W.WriteListEnd();
  TValueReader R(Out);
  EXPECT_EQ(ReadDescriptionTree(R).Texts(), std::vector<std::string>{"Red"});
}

TEST(ConfigurationStream, MaskStoresFlaggedItemsAndAlwaysTheInformation) {
  TConfiguration Source;
  for (int i = 0; i < 10; ++i) {
    Source.DescriptionNames[i] = "DN" + std::to_string(i);
    Source.DescriptionKinds[i] = "DK" + std::to_string(i);
    Source.DetailNames[i] = "N" + std::to_string(i);
  }
  Source.ItemNames[99] = "last item";
  Source.StatusWord = "Status";
  Source.DateFormat = "mm/dd/yyyy";
  Source.DatabaseInfo[diName] = "Books";
  Source.DatabaseInfo[diRecords] = "999";
  Source.DistinctValues[3] = "a b ";
  Source.DescriptionTrees[3].Nodes.push_back({"Tree", 0, 0, -1, -1, 0, {}});
  std::string Out;
  TValueWriter W(Out);
  WriteConfiguration(W, Source, 7);

  TConfiguration Target;
  TChangeMask Mask;
  Mask.Set(ConfigMask::Descriptions, 3);
  Mask.Set(ConfigMask::ItemNames, 100);
  TValueReader R(Out);
  MergeConfiguration(R, Mask, Target);
  EXPECT_TRUE(R.AtEnd());
  EXPECT_EQ(Target.DescriptionNames[3], "DN3");
  EXPECT_EQ(Target.DescriptionKinds[3], "DK3");
  EXPECT_EQ(Target.DescriptionNames[2], "");
  EXPECT_EQ(Target.DetailNames[0], "");
  EXPECT_EQ(Target.ItemNames[99], "last item");
  EXPECT_TRUE(Target.DescriptionTrees[3].Empty());  // tree 4 is row 5, column 4: not flagged
  EXPECT_EQ(Target.StatusWord, "Status");
  EXPECT_EQ(Target.DateFormat, "mm/dd/yyyy");
  EXPECT_EQ(Target.DatabaseInfo[diName], "Books");
  EXPECT_EQ(Target.DatabaseInfo[diRecords], "7");  // the writer's record count
  EXPECT_EQ(Target.DistinctValues[3], "a b ");
}

TEST(ConfigurationStream, ShortStreamStoresNothing) {
  TConfiguration Source;
  Source.StatusWord = "new";
  Source.DescriptionNames[0] = "new";
  std::string Out;
  TValueWriter W(Out);
  WriteConfiguration(W, Source, 0);
  Out.resize(Out.size() - 5);
  TConfiguration Target;
  Target.StatusWord = "old";
  TChangeMask Mask;
  Mask.SetAll(true);
  TValueReader R(Out);
  EXPECT_THROW(MergeConfiguration(R, Mask, Target), EReadError);
  EXPECT_EQ(Target.StatusWord, "old");
  EXPECT_EQ(Target.DescriptionNames[0], "");
}

TEST(AttributeFile, GivesTheColumnCountsOrTen) {
  TAttributes A;
  A.Grid3Columns = 4;
  A.Grid4Columns = 7;
  std::string Out;
  TValueWriter W(Out);
  WriteAttributes(W, A);
  TConfiguration C;
  LoadAttributes(Out, C);
  EXPECT_EQ(C.Grid3Columns, 4);
  EXPECT_EQ(C.Grid4Columns, 7);
  LoadAttributes(Out.substr(0, Out.size() / 2), C);
  EXPECT_EQ(C.Grid3Columns, 10);
  EXPECT_EQ(C.Grid4Columns, 10);
  A.Grid3Columns = 100000;  // no template has that many
  Out.clear();
  WriteAttributes(W, A);
  LoadAttributes(Out, C);
  EXPECT_EQ(C.Grid3Columns, 10);
}

TEST(DatabaseFile, UntouchedRecordsSaveAsTheirOwnBytes) {
  TDatabase Source;
  TRecordCodeGenerator Codes(3);
  for (int i = 0; i < 5; ++i) Source.Record(Source.NewRecord(Codes)).Name = "R" + std::to_string(i);
  Source.Record(2).ExtraStrings[0] = "memory only";
  const std::string File = Source.SaveToBytes();

  TDatabase D;
  D.LoadFromBytes(File);
  ASSERT_TRUE(D.Loaded());
  EXPECT_EQ(D.SaveToBytes(), File);
  EXPECT_EQ(std::as_const(D).Record(2).ExtraStrings[0], "");

  // Change one, drop one, add one: the rest keep their bytes and their order.
  D.Record(1).Name = "changed";
  D.DeleteRecord(3);
  const int Added = D.NewRecord(Codes);
  D.Record(Added).Name = "added";
  TDatabase Back;
  Back.LoadFromBytes(D.SaveToBytes());
  ASSERT_TRUE(Back.Loaded());
  ASSERT_EQ(Back.Count(), 5);
  const char* Names[] = {"R0", "changed", "R2", "R4", "added"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(Back.Record(i).Name, Names[i]);
  EXPECT_EQ(Back.FindRecordIndex(std::as_const(D).Record(3).Code), 3);
}

TEST(DatabaseFile, FailedLoadKeepsWhatWasReadAndRefusesChanges) {
  TDatabase Source;
  TRecordCodeGenerator Codes(4);
  for (int i = 0; i < 3; ++i) Source.NewRecord(Codes);
  std::string File = Source.SaveToBytes();
  File.resize(File.size() - 20);
  TDatabase D;
  D.LoadFromBytes(File);
  EXPECT_FALSE(D.Loaded());
  EXPECT_FALSE(D.Writable());
  EXPECT_EQ(D.Count(), 2);
  EXPECT_THROW(D.CheckWritable(), Exception);
  // A record count no file can hold is a corrupt file, not an allocation.
  TDatabase Empty;
  std::string Forged = Empty.SaveToBytes();  // ends with the record count, Integer 0
  ASSERT_EQ(Forged.substr(Forged.size() - 2), Bytes({2, 0}));
  Forged.resize(Forged.size() - 2);
  Forged += Bytes({4, 0xFF, 0xFF, 0xFF, 0x7F});
  TDatabase Huge;
  Huge.LoadFromBytes(Forged);
  EXPECT_FALSE(Huge.Writable());
  EXPECT_EQ(Huge.Count(), 0);
  // Nine million records (below the ceiling) in a few bytes: the count is measured against the
  // bytes left, so nothing is reserved or read for it.
  Forged.resize(Forged.size() - 5);
  Forged += Bytes({4, 0x40, 0x54, 0x89, 0x00});
  Forged += std::string(5000, '\0');
  TDatabase Nine;
  Nine.LoadFromBytes(Forged);
  EXPECT_FALSE(Nine.Writable());
  EXPECT_EQ(Nine.Count(), 0);
}

TEST(DatabaseFile, RecordCountIsBelievedOnlyAsFarAsTheBytesGo) {
  TDatabase Source;
  TRecordCodeGenerator Codes(6);
  for (int i = 0; i < 3; ++i) Source.NewRecord(Codes);
  std::string File = Source.SaveToBytes();
  // Claim a fourth record that is not there: refused before any record is decoded (before, the
  // three were read and the fourth failed).
  TDatabase Exact;
  Exact.LoadFromBytes(File);
  ASSERT_TRUE(Exact.Loaded());
  std::string Records;
  TValueWriter W(Records);
  for (int i = 0; i < 3; ++i) WriteItemRecord(W, std::as_const(Source).Record(i), TRecordForm::File);
  const std::size_t CountAt = File.size() - Records.size() - 2;
  ASSERT_EQ(File.substr(CountAt, 2), Bytes({2, 3}));
  File[CountAt + 1] = 4;
  TDatabase Claimed;
  Claimed.LoadFromBytes(File);
  EXPECT_FALSE(Claimed.Loaded());
  EXPECT_EQ(Claimed.Count(), 0);
}

TEST(DatabaseFile, CodesAreUniqueAndWellFormed) {
  TRecordCodeGenerator Codes(5);
  TDatabase D;
  for (int i = 0; i < 2000; ++i) D.NewRecord(Codes);
  std::set<std::string> Seen;
  for (int i = 0; i < D.Count(); ++i) {
    const std::string& Code = std::as_const(D).Record(i).Code;
    ASSERT_EQ(Code.size(), 8u);
    EXPECT_TRUE(Code[0] >= 'A' && Code[0] <= 'Y') << Code;
    for (char C : Code.substr(1)) EXPECT_TRUE((C >= 'A' && C <= 'Z') || (C >= '0' && C <= '9')) << Code;
    Seen.insert(Code);
    EXPECT_EQ(D.FindRecordIndex(Code), i);
  }
  EXPECT_EQ(Seen.size(), 2000u);
}

TEST(DatabaseFile, ACodeGivenAgainByTheGeneratorIsPassedOver) {
  // The file's records took the first codes of this sequence; a generator seeded alike (a
  // resident started again with the same seed) gives those codes again, in the same order.
  TDatabase Source;
  TRecordCodeGenerator First(11);
  for (int i = 0; i < 3; ++i) Source.Record(Source.NewRecord(First)).Name = "old " + std::to_string(i);
  TDatabase D;
  D.LoadFromBytes(Source.SaveToBytes());
  ASSERT_TRUE(D.Loaded());
  TRecordCodeGenerator Again(11);
  for (int i = 0; i < 3; ++i) D.Record(D.NewRecord(Again)).Name = "new " + std::to_string(i);
  std::set<std::string> Seen;
  for (int i = 0; i < D.Count(); ++i) {
    const std::string& Code = std::as_const(D).Record(i).Code;
    EXPECT_TRUE(Seen.insert(Code).second) << "code " << Code << " given twice";
    EXPECT_EQ(D.FindRecordIndex(Code), i) << Code;
  }
  EXPECT_EQ(Seen.size(), 6u);
  // The old records are still found by their codes after a save and a load.
  TDatabase Back;
  Back.LoadFromBytes(D.SaveToBytes());
  ASSERT_TRUE(Back.Loaded());
  for (int i = 0; i < 3; ++i) {
    const int At = Back.FindRecordIndex(std::as_const(Source).Record(i).Code);
    ASSERT_GE(At, 0);
    EXPECT_EQ(std::as_const(Back).Record(At).Name, "old " + std::to_string(i));
  }
  // Within one database a generator that repeats itself at once is passed over too.
  TDatabase Twice;
  TRecordCodeGenerator A(12), B(12);
  const int AtA = Twice.NewRecord(A), AtB = Twice.NewRecord(B);
  EXPECT_NE(std::as_const(Twice).Record(AtA).Code, std::as_const(Twice).Record(AtB).Code);
}
