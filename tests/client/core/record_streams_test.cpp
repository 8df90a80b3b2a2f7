#include "client/core/record_streams.h"

#include <gtest/gtest.h>

#include "controls/grid/qn_grid.h"
#include "platform/headless/headless_peer.h"
#include "tests/decimal_comma_locale.h"
#include "tests/sample_records.h"

using samples::SampleRecord;

TEST(RecordStreamTest, RoundTripThroughTheServersMerge) {
  TChangeMask Mask;
  Mask.Set(RecordMask::Details, 3);
  Mask.Set(RecordMask::Items, 100);
  const ItemRecord Sent = SampleRecord();
  const std::string Body = WriteRecordStream(Mask, Sent);
  // The server reads the mask, then the record, and merges only what is flagged.
  TValueReader R(Body);
  TChangeMask Read;
  Read.Read(R);
  ItemRecord In;
  ReadItemRecord(R, In, TRecordForm::Stream);
  EXPECT_TRUE(R.AtEnd());
  EXPECT_EQ(In, Sent);
  EXPECT_TRUE(Read.Get(RecordMask::Details, 3));
  EXPECT_FALSE(Read.Get(RecordMask::Details, 2));
  ItemRecord Stored;
  MergeItemRecord(std::move(In), Read, Stored);
  EXPECT_EQ(Stored.Details[3], "detail 4");
  EXPECT_EQ(Stored.ItemNames[99], "last");
  EXPECT_EQ(Stored.Name, "");
}

TEST(RecordStreamTest, ReplyIsTakenWholeOrNotAtAll) {
  std::string Reply;
  TValueWriter W(Reply);
  ItemRecord Long = SampleRecord();
  Long.Code = "ABCDEFGHIJ";
  WriteItemRecord(W, Long, TRecordForm::Stream);

  ItemRecord Current = SampleRecord();
  Current.Code = "OLDCODE1";
  Current.Name = "Old";
  ASSERT_TRUE(ReadRecordStream(Reply, Current));
  EXPECT_EQ(Current.Code, "ABCDEFGH");
  EXPECT_EQ(Current.Name, "Smith");

  // Cut anywhere, the buffer keeps the old record whole: no mix of two records.
  ItemRecord Other = SampleRecord();
  Other.Name = "Other";
  Other.Details[3] = "other detail";
  for (std::size_t Cut : {std::size_t{0}, std::size_t{1}, std::size_t{20}, Reply.size() / 2,
                          Reply.size() - 1}) {
    ItemRecord Keep = Other;
    EXPECT_FALSE(ReadRecordStream(Reply.substr(0, Cut), Keep)) << Cut;
    EXPECT_EQ(Keep, Other) << Cut;
  }
  ItemRecord Keep = Other;
  EXPECT_FALSE(ReadRecordStream("<HTML>Error in Delete</HTML>\r\n", Keep));
  EXPECT_EQ(Keep, Other);
}

TEST(RecordStreamTest, EmptyRichTextIsACountOfZero) {
  ItemRecord R;
  const std::string Body = WriteRecordStream(TChangeMask{}, R);
  // The rich text is the last value: Integer 0 (tag 2, byte 0) and no characters.
  ASSERT_GE(Body.size(), 2u);
  EXPECT_EQ(Body.substr(Body.size() - 2), std::string("\x02\x00", 2));
}

TEST(ConfigurationStreamTest, ClientWritesWhatTheServerMerges) {
  TConfiguration C;
  C.DetailNames[2] = "Phone";
  C.DescriptionNames[0] = "State";
  C.DescriptionKinds[0] = "Relational";
  C.DescriptionTrees[1].Nodes.push_back({"Colour", 0, 0, -1, -1, 0, {{"Red", 0, 0, -1, -1, 0, {}}}});
  C.DatabaseInfo[diRecords] = "17";
  C.DatabaseInfo[diFileCode] = "ABCDEFGHIJ";
  C.StatusWord = "Active";
  TChangeMask Mask;
  Mask.Set(ConfigMask::DetailNames, 2);
  Mask.Set(ConfigMask::Trees, 2);
  const std::string Body = WriteConfigurationStream(Mask, C);

  TValueReader R(Body);
  TChangeMask Read;
  Read.Read(R);
  TValueReader Lead = R;
  EXPECT_EQ(Lead.ReadString(), "1.05");
  EXPECT_EQ(Lead.ReadString(), "Quillon");
  TConfiguration Server;
  MergeConfiguration(R, Read, Server);
  EXPECT_TRUE(R.AtEnd());
  EXPECT_EQ(Server.DetailNames[2], "Phone");
  EXPECT_EQ(Server.DescriptionNames[0], "");  // not flagged
  ASSERT_EQ(Server.DescriptionTrees[1].Texts(), (std::vector<std::string>{"Colour", "Red"}));
  EXPECT_EQ(Server.DatabaseInfo[diFileCode], "ABCDEFGHIJ");
  EXPECT_EQ(Server.StatusWord, "Active");

  // The client reads a reply whole, with "mm/dd/yyyy" for an empty date format.
  TConfiguration Client;
  Client.Grid3Columns = 4;
  ASSERT_TRUE(ReadConfigurationStream(Body.substr(TChangeMask::Count), Client));
  EXPECT_EQ(Client.DescriptionKinds[0], "Relational");
  EXPECT_EQ(Client.DateFormat, "mm/dd/yyyy");
  EXPECT_EQ(Client.Grid3Columns, 4);
  TConfiguration Untouched = Client;
  Untouched.StatusWord = "kept";
  const std::string Reply = Body.substr(TChangeMask::Count);
  EXPECT_FALSE(ReadConfigurationStream(Reply.substr(0, Reply.size() - 3), Untouched));
  EXPECT_EQ(Untouched.StatusWord, "kept");
}

class AddressEntryTest : public ::testing::Test {
protected:
  void SetUp() override { InstallHeadlessBackend(); }
};

TEST_F(AddressEntryTest, SplitFieldsKeepsEmptyPieces) {
  EXPECT_EQ(SplitFields("Main Street"), std::vector<std::string>{"Main Street"});
  EXPECT_EQ(SplitFields("A\rB"), (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(SplitFields("A\r\rB"), (std::vector<std::string>{"A", "", "B"}));
  EXPECT_EQ(SplitFields("A\tB\r\n"), (std::vector<std::string>{"A", "B", "\n"}));
  EXPECT_EQ(SplitFields("A\r"), (std::vector<std::string>{"A"}));
}

TEST_F(AddressEntryTest, BuildAddressListSkipsTheLastRow) {
  TQnStringGrid Grid(nullptr);
  Grid.SetColCount(3);
  Grid.SetRowCount(6);
  for (int r = 1; r < 6; ++r) {
    Grid.SetCells(0, r, "L" + std::to_string(r));
    Grid.SetCells(1, r, "Name " + std::to_string(r));
    Grid.SetCells(2, r, "Street\rTown");
  }
  TEntryList One;
  BuildAddressList(1, 2, One, Grid, 3);
  ASSERT_EQ(One.size(), 1u);
  EXPECT_EQ(One[0]->Key, "L3");
  EXPECT_EQ(One[0]->Fields, (std::vector<std::string>{"Name 3", "Street", "Town"}));
  EXPECT_EQ(One[0]->Data, "Street\r\nTown\r\n");
  TEntryList All;
  BuildAddressList(1, 2, All, Grid, -1);
  EXPECT_EQ(All.size(), 4u);
  Grid.SetRowCount(2);
  TEntryList None;
  BuildAddressList(1, 2, None, Grid, -1);
  EXPECT_TRUE(None.empty());

  // The grid stream wrapper carries the counts and the grid's own text.
  const std::string Wrapped = GridToStream(Grid);
  TValueReader R(Wrapped);
  EXPECT_EQ(R.ReadInteger(), 3);
  EXPECT_EQ(R.ReadInteger(), 2);
  EXPECT_EQ(R.ReadChars(), GridText(Grid));
  EXPECT_TRUE(R.AtEnd());
}

TEST_F(AddressEntryTest, AddressPrintStream) {
  std::string S;
  TValueWriter W(S);
  W.WriteInteger(2);
  W.WriteString("ABCDEFGH");
  W.WriteString("Smith");
  W.WriteChars("1 Main St\r\nTown\r\n");
  W.WriteString("BCDEFGHI");
  W.WriteString("");
  W.WriteChars("");
  TEntryList List;
  ReadEntryList(S, List);
  ASSERT_EQ(List.size(), 2u);
  EXPECT_EQ(List[0]->Fields, (std::vector<std::string>{"Smith", "1 Main St", "Town"}));
  EXPECT_EQ(List[1]->Fields, std::vector<std::string>{""});
  TEntryList Cut;
  EXPECT_THROW(ReadEntryList(S.substr(0, S.size() - 4), Cut), EReadError);
  FreeEntryList(List);
  EXPECT_TRUE(List.empty());
}

TEST(NumberTextTest, Arithmetic) {
  EXPECT_EQ(NumberTextOf("$1,234.50"), "1234.50");
  EXPECT_EQ(NumberTextOf("1.2.3"), "12.3");
  EXPECT_EQ(NumberTextOf("abc"), "0");
  EXPECT_EQ(DivideNumberText("10", "4"), "2.50");
  EXPECT_EQ(DivideNumberText("1", "0"), "NA");
  EXPECT_EQ(AddNumberText("$5", "2.5"), "7.50");
  EXPECT_EQ(SubtractNumberText("1", "3"), "-2.00");
  EXPECT_EQ(MaxNumberText("5", "x"), "5.00");
  EXPECT_EQ(MinNumberText("-1", "2"), "-1.00");
  EXPECT_EQ(RoundNumberText("2.5"), "2");
  EXPECT_EQ(RoundNumberText("3.5"), "4");
  EXPECT_EQ(RoundNumberText("-0.4"), "0");
  EXPECT_EQ(RoundNumberText("abc"), "0");
  EXPECT_EQ(SumNumberList({"1", "two", "$2.25", "-"}), "3.25");
}

// Amounts are read as the program writes numbers; a text that reads otherwise is no amount,
// whatever its digits (the old reading kept the digits: "99,95" gave 9995).
TEST(NumberTextTest, AmountsReadOnlyTheWayTheProgramWritesNumbers) {
  const std::pair<const char*, double> Amounts[] = {
      {"1234.50", 1234.5}, {"$1,234.50", 1234.5}, {"1,000", 1000},     {"12,345,678.9", 12345678.9},
      {"-5", -5},          {"-$5.25", -5.25},     {"$-5.25", -5.25},   {"5 EUR", 5},
      {" 7 ", 7},          {".5", 0.5},           {"3.", 3},           {"0", 0}};
  for (const auto& [Text, Want] : Amounts) {
    double Value = -1;
    EXPECT_TRUE(ReadAmountText(Text, Value)) << Text;
    EXPECT_DOUBLE_EQ(Value, Want) << Text;
  }
  for (const char* Text : {"99,95", "1.000,50", "1,5", "1,0000", ",500", "1.2.3", "1 2", "abc", "", "-", "$", "--5",
                           "1,234,56", "12,34.5"}) {
    double Value = 42;
    EXPECT_FALSE(ReadAmountText(Text, Value)) << Text;
    EXPECT_EQ(Value, 42) << Text;
  }
}

// Wherever money is typed the same refusal is given: blanks and amounts pass, anything else is
// named with its field and the way to write it.
TEST(NumberTextTest, ATypedAmountIsRefusedByOneMessage) {
  EXPECT_EQ(AmountRefusal("1,234.50", "Price Paid"), "");
  EXPECT_EQ(AmountRefusal("  ", "Price Paid"), "");
  EXPECT_EQ(AmountRefusal("", "Price Paid"), "");
  EXPECT_EQ(AmountRefusal("99,95", "Price Paid"),
            "The value \"99,95\" of Price Paid is not an amount as this program reads numbers: write it as "
            "1234.50 or 1,234.50.");
  EXPECT_NE(AmountRefusal("1.234,50", "Cost"), "");
  EXPECT_TRUE(IsMoneyKind("Money"));
  EXPECT_TRUE(IsMoneyKind("money"));
  EXPECT_FALSE(IsMoneyKind("Money Order"));
  // Only a money field whose text changed is held to it.
  TConfiguration Config;
  Config.DetailKinds[8] = "Money";
  Config.DetailNames[8] = "Price Paid";
  Config.OtherKinds[2] = "money";
  Config.OtherNames[2] = "Deposit";
  Config.DetailNames[1] = "Maker";
  ItemRecord Record;
  std::array<std::string, 10> Details = Record.Details;
  std::array<std::string, 6> Others = Record.Others;
  Record.Details[1] = "99,95";  // no money field
  EXPECT_EQ(TypedAmountRefusal(Config, Record, Details, Others), "");
  Record.Others[2] = "12,5";
  EXPECT_NE(TypedAmountRefusal(Config, Record, Details, Others).find("\"12,5\" of Deposit"), std::string::npos);
  Others[2] = "12,5";  // held before: the reports name it
  EXPECT_EQ(TypedAmountRefusal(Config, Record, Details, Others), "");
  Record.Details[8] = "1.234,50";
  EXPECT_NE(TypedAmountRefusal(Config, Record, Details, Others).find("of Price Paid"), std::string::npos);
}

// The desktop's locale (a decimal comma here, as the toolkit sets it at start) changes none of
// the figures: they are read and written with a point, rounded as under the C locale.
TEST(NumberTextTest, FiguresAreTheSameUnderADecimalCommaLocale) {
  auto figures = [] {
    return std::vector<std::string>{AddNumberText("5", "2.5"),        SubtractNumberText("1.25", "3"),
                                    DivideNumberText("10", "4"),      MaxNumberText("2.675", "1"),
                                    MinNumberText("-1.005", "2"),     RoundNumberText("2.5"),
                                    RoundNumberText("1234.7"),        RoundNumberText(" -7.5"),
                                    SumNumberList({"0.1", "0.2", "$1,000.35"}), AddNumberText("1e3", "0")};
  };
  const std::vector<std::string> plain = figures();
  EXPECT_EQ(plain, (std::vector<std::string>{"7.50", "-1.75", "2.50", "2.67", "-1.00", "2", "1235", "-8", "1000.65",
                                             "13.00"}));
  TDecimalCommaLocale comma;
  ASSERT_TRUE(comma.Active()) << "no decimal-comma locale could be made";
  EXPECT_EQ(figures(), plain);
  // Nor does it change what an amount is: "99,95" stays no amount under a decimal-comma locale.
  double Value = 0;
  EXPECT_TRUE(ReadAmountText("1,234.50", Value));
  EXPECT_DOUBLE_EQ(Value, 1234.5);
  EXPECT_FALSE(ReadAmountText("99,95", Value));
}
