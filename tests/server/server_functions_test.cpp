#include "server/server_functions.h"
#include "tests/server/handler_fixture.h"

namespace {

using Strings = std::vector<std::string>;

class FunctionsTest : public HandlerTest {
protected:
  void SetUp() override {
    Database.Config.Grid3Columns = 2;
    Database.Config.Grid4Columns = 2;
    ItemRecord& A = AddRecord("AAAAAAAA", "Anvil");
    A.Details[0] = "111";
    A.Details[1] = "4";
    A.Others[0] = "a+b%20";
    A.Descriptions[0] = "Red";
    A.Images[1].FileName = "a.jpg";
    A.Grid3 = GridText(3, 5, {{0, 1, "10"}, {1, 1, "x"}, {0, 2, "20"}, {1, 2, "y"}, {0, 3, "30"}, {1, 3, "z"}});
    A.Grid3Rows = 5;
    ItemRecord& B = AddRecord("BBBBBBBB", "Bolt");
    B.Details[0] = "222";
    B.Details[1] = "n/a";
    B.Descriptions[0] = "Blue";
    ItemRecord& C = AddRecord("CCCCCCCC", "Cog");
    C.Details[0] = "111";
    C.Descriptions[0] = "Red red";
    Database.Changed = false;
  }

  Strings Z(std::map<std::string, std::string> Fields) {
    return Lines(Run(ProcessHTMLRequest, {}, std::move(Fields)));
  }
  const ItemRecord& Rec(int i) { return std::as_const(Database).Record(i); }

  Strings GridColumn0(int i) {
    TQnStringGrid G(nullptr);
    PrepareWorkGrid(G);
    LoadRecordGrid(Database, Rec(i), TRecordGrid::Grid3, G);
    Strings Out;
    for (int r = 1; r < G.RowCount(); ++r) Out.push_back(G.Cells(0, r));
    return Out;
  }
};

TEST_F(FunctionsTest, AddByBarcodeOrRecordCode) {
  EXPECT_EQ(Z({{"Function", "Add"}, {"BarcodeField", "0"}, {"Barcode", "222"}, {"Amount", "3"},
               {"QuantityField", "1"}}),
            (Strings{"<HTML>", "Quantity Field: 1", "AT FIELD", "AT ADD n/a", "SUCCESS</HTML>"}));
  EXPECT_EQ(Rec(1).Details[1], "3");  // not a number: the amount itself
  EXPECT_EQ(Saves, 1);
  EXPECT_EQ(Z({{"Function", "Add"}, {"Record", "AAAAAAAA"}, {"Amount", "abc"}, {"QuantityField", "1"}}),
            (Strings{"<HTML>", "Quantity Field: 1", "AT FIELD", "AT ADD 4", "SUCCESS</HTML>"}));
  EXPECT_EQ(Rec(0).Details[1], "4");
  // Barcode 111 is held by A and C: the later record changes.
  Z({{"Function", "Add"}, {"BarcodeField", "0"}, {"Barcode", "111"}, {"Amount", "-2"}, {"QuantityField", "1"}});
  EXPECT_EQ(Rec(2).Details[1], "-2");
  EXPECT_EQ(Rec(0).Details[1], "4");
  // A quantity field that is no number changes nothing but still saves.
  EXPECT_EQ(Z({{"Function", "Add"}, {"Record", "AAAAAAAA"}, {"Amount", "1"}, {"QuantityField", "q"}}),
            (Strings{"<HTML>", "Quantity Field: q", "SUCCESS</HTML>"}));
}

TEST_F(FunctionsTest, AddThatFindsNoRecordChangesAndSavesNothing) {
  EXPECT_EQ(Z({{"Function", "Add"}, {"Record", "ZZZZZZZZ"}, {"Amount", "5"}, {"QuantityField", "1"}}),
            (Strings{"<HTML>", "FAILURE</HTML>"}));
  EXPECT_EQ(Z({{"Function", "Add"}, {"BarcodeField", "0"}, {"Barcode", "999"}, {"Amount", "5"}, {"QuantityField", "1"}}),
            (Strings{"<HTML>", "FAILURE</HTML>"}));
  EXPECT_EQ(Rec(0).Details[1], "4");
  EXPECT_EQ(Saves, 0);
}

TEST_F(FunctionsTest, AddWhoseSaveFailsNeverReportsSuccess) {
  FailSave = true;
  EXPECT_EQ(Z({{"Function", "Add"}, {"Record", "AAAAAAAA"}, {"Amount", "1"}, {"QuantityField", "1"}}),
            (Strings{"<HTML>", "Quantity Field: 1", "AT FIELD", "AT ADD 4", "<HTML>AAAAAAAA", "Failure</HTML>"}));
}

TEST_F(FunctionsTest, BarcodeLookups) {
  EXPECT_EQ(Z({{"Function", "Jump"}, {"BarcodeField", "0"}, {"Barcode", "111"}}),
            (Strings{"<HTML>", "Barcode Field: 0", "SUCCESS", "CCCCCCCC", "</HTML>"}));
  EXPECT_EQ(Z({{"Function", "Jump"}, {"BarcodeField", "0"}, {"Barcode", "9"}}),
            (Strings{"<HTML>", "Barcode Field: 0", "FAILURE", "</HTML>"}));
  EXPECT_EQ(Z({{"Function", "Jump"}, {"BarcodeField", "zero"}, {"Barcode", "111"}}),
            (Strings{"<HTML>", "Barcode Field: zero", "</HTML>"}));
  EXPECT_EQ(Z({{"Function", "BarcodeRequest"}, {"BarcodeField", "0"}, {"Barcode", "222"},
               {"Field1", "27"}, {"Field3", "28"}, {"Field4", "41"}, {"Field10", "x"}}),
            (Strings{"<HTML>", "Barcode Field: 0", "SUCCESS", "BBBBBBBB", "Bolt", "BBBBBBBB", "Blue",
                     "*** Error ***", "</HTML>"}));
  EXPECT_EQ(Z({{"Function", "DuplicateBarcode"}, {"BarcodeField", "0"}, {"BarcodeValue", "111"},
               {"Record", "CCCCCCCC"}}),
            (Strings{"<HTML>", "Barcode Field: 0", "Duplicate", "1", "</HTML>"}));
  EXPECT_EQ(Z({{"Function", "DuplicateBarcode"}, {"BarcodeField", "0"}, {"BarcodeValue", "222"},
               {"Record", "BBBBBBBB"}}),
            (Strings{"<HTML>", "Barcode Field: 0", "Okay", "-1", "</HTML>"}));
}

TEST_F(FunctionsTest, ListsForTheClientReports) {
  Database.Config.DescriptionKinds[0] = "Relational";
  EXPECT_EQ(Z({{"Function", "ListRecords"}}),
            (Strings{"<HTML>", "*** Record List Begin ***", "AAAAAAAA", "Anvil", "BBBBBBBB", "Bolt",
                     "CCCCCCCC", "Cog", "*** Record List End ***", "</HTML>"}));
  const Strings Email = Z({{"Function", "EmailList"}, {"NameField", "-1"}, {"EmailField", "21"}});
  ASSERT_EQ(Email.size(), 13u);
  EXPECT_EQ(Email[1], "*** Email Data Begin ***");
  EXPECT_EQ((Strings{Email[2], Email[3], Email[4]}), (Strings{"AAAAAAAA", "Anvil", "a+b%20"}));
  EXPECT_EQ(Z({{"Function", "EmailList"}, {"NameField", "0"}, {"EmailField", "1"}})[3], "111");
  EXPECT_EQ(Z({{"Function", "ReminderReport"}, {"ReminderField", "1"}})[4], "4");
  const Strings Relate = Z({{"Function", "RelateRecords"}});
  EXPECT_EQ((Strings(Relate.begin() + 2, Relate.begin() + 7)),
            (Strings{"AAAAAAAA", "Anvil", "*** Start ***", "Red", "*** Finish ***"}));
  EXPECT_EQ(Z({{"Function", "QuantityReport"}, {"QuantityField", "1"}, {"DesiredField", "27"},
               {"BarcodeField", "0"}})[4],
            "111");
  const Strings Values = Z({{"Function", "ValueReport"}, {"Value1Field", "0"}, {"Value2Field", "-1"},
                            {"Value3Field", "21"}, {"Value4Field", "-1"}, {"Value5Field", "92"}});
  EXPECT_EQ((Strings(Values.begin() + 2, Values.begin() + 7)),
            (Strings{"AAAAAAAA", "Anvil", "111", "a+b%20", ""}));  // 92 is not read here
  EXPECT_EQ(Values.size(), 2u + 3 * 5 + 2);
}

TEST_F(FunctionsTest, BulkChanges) {
  EXPECT_EQ(Z({{"Function", "Replace"}, {"field", "0"}, {"oldvalue", "Red"}, {"newvalue", "Pink"}}),
            (Strings{"<HTML>", "success", "2", "</HTML>"}));
  EXPECT_EQ(Rec(2).Descriptions[0], "Pink red");  // only the first occurrence
  EXPECT_EQ(Rec(1).Descriptions[0], "Blue");
  EXPECT_EQ(Database.Config.DistinctValues[0], "Blue Pink Pink red ");
  EXPECT_EQ(Z({{"Function", "Replace"}, {"field", "24"}, {"oldvalue", ""}, {"newvalue", "v"}})[2], "3");
  EXPECT_EQ(Rec(1).Others[1], "v");
  EXPECT_EQ(Z({{"Function", "SetConditional"}, {"cfield", "10"}, {"field", "30"}, {"oldvalue", "111"},
               {"newvalue", "Same"}}),
            (Strings{"<HTML>", "success", "2", "</HTML>"}));
  EXPECT_EQ(Rec(0).Name, "Same");
  EXPECT_EQ(Rec(1).Name, "Bolt");
  EXPECT_EQ(Z({{"Function", "SetDefault"}, {"field", "11"}, {"oldvalue", "x"}, {"newvalue", "0"}})[2], "3");
  EXPECT_EQ(Rec(1).Details[1], "0");
  // Codes 20-22 and 29 name no field: nothing changes, the count is still every record.
  EXPECT_EQ(Z({{"Function", "SetDefault"}, {"field", "20"}, {"newvalue", "z"}})[2], "3");
  EXPECT_EQ(Rec(0).Name, "Same");
  EXPECT_EQ(Z({{"Function", "Replace"}, {"field", "29"}, {"oldvalue", ""}, {"newvalue", "z"}})[2], "0");
  EXPECT_EQ(Saves, 6);
  EXPECT_EQ(Z({{"Function", "Replace"}, {"field", "one"}, {"oldvalue", ""}, {"newvalue", "v"}}),
            (Strings{"<HTML>not found", "Failure</HTML>"}));
  EXPECT_EQ(Saves, 6);
  // A failed save is never reported as a success.
  FailSave = true;
  EXPECT_EQ(Z({{"Function", "SetDefault"}, {"field", "11"}, {"newvalue", "1"}, {"Record", "R"}}),
            (Strings{"<HTML>R", "Failure</HTML>"}));
  EXPECT_EQ(Z({{"Function", "Replace"}, {"field", "11"}, {"oldvalue", ""}, {"newvalue", "1"}}),
            (Strings{"<HTML>not found", "Failure</HTML>"}));
}

TEST_F(FunctionsTest, GridLineMoves) {
  EXPECT_TRUE(Z({{"Function", "MoveUpLine"}, {"Record", "AAAAAAAA"}, {"GridID", "3"}, {"LineID", "20"}}).empty());
  EXPECT_EQ(GridColumn0(0), (Strings{"20", "10", "30", ""}));
  EXPECT_EQ(Saves, 1);
  // The first line cannot go up: nothing moves, but the grid is stored and saved.
  Z({{"Function", "MoveUpLine"}, {"Record", "AAAAAAAA"}, {"GridID", "3"}, {"LineID", "20"}});
  EXPECT_EQ(GridColumn0(0), (Strings{"20", "10", "30", ""}));
  EXPECT_EQ(Saves, 2);
  Z({{"Function", "MoveDownLine"}, {"Record", "AAAAAAAA"}, {"GridID", "3"}, {"LineID", "10"}});
  EXPECT_EQ(GridColumn0(0), (Strings{"20", "30", "10", ""}));
  Z({{"Function", "MoveDownLine"}, {"Record", "AAAAAAAA"}, {"GridID", "3"}, {"LineID", "10"}});
  EXPECT_EQ(GridColumn0(0), (Strings{"20", "30", "10", ""}));
  Z({{"Function", "RemoveLine"}, {"Record", "AAAAAAAA"}, {"GridID", "3"}, {"LineID", "30"}});
  EXPECT_EQ(GridColumn0(0), (Strings{"20", "10", ""}));
  EXPECT_EQ(Rec(0).Grid3Rows, 4);
  EXPECT_EQ(Saves, 5);
  // An unknown line changes and saves nothing; so does an unknown record, which is answered.
  Z({{"Function", "RemoveLine"}, {"Record", "AAAAAAAA"}, {"GridID", "3"}, {"LineID", "99"}});
  EXPECT_EQ(Z({{"Function", "RemoveLine"}, {"Record", "ZZZZZZZZ"}, {"GridID", "3"}, {"LineID", "20"}}),
            (Strings{"<HTML>ZZZZZZZZ", "Failure</HTML>"}));
  EXPECT_EQ(GridColumn0(0), (Strings{"20", "10", ""}));
  EXPECT_EQ(Saves, 5);
}

TEST_F(FunctionsTest, UnknownFunction) {
  EXPECT_EQ(Z({{"Function", "add"}}), (Strings{"<HTML>Function not defined</HTML>"}));
}

TEST(RecordFieldCodes, ReadAndWrite) {
  ItemRecord R;
  UpdateValue(R, 9, "d10");
  UpdateValue(R, 26, "o6");
  UpdateValue(R, 27, "Name");
  UpdateValue(R, 33, "e3");
  UpdateValue(R, 35, "-17");
  UpdateValue(R, 41, "On");
  UpdateValue(R, 43, "ignored");
  R.Descriptions[9] = "desc10";
  EXPECT_EQ(ReturnValue(R, 9), "d10");
  EXPECT_EQ(ReturnValue(R, 40), "d10");
  EXPECT_EQ(ReturnValue(R, 26), "o6");
  EXPECT_EQ(ReturnValue(R, 27), "Name");
  EXPECT_EQ(ReturnValue(R, 33), "e3");
  EXPECT_EQ(ReturnValue(R, 35), "-17");
  EXPECT_EQ(ReturnValue(R, 50), "desc10");
  EXPECT_EQ(ReturnValue(R, 28), "");
  EXPECT_EQ(ReturnValue(R, 20), "");
  EXPECT_TRUE(R.Checks[1]);
  UpdateValue(R, 41, "maybe");
  EXPECT_TRUE(R.Checks[1]);
  UpdateValue(R, 41, "Off");
  EXPECT_FALSE(R.Checks[1]);
  EXPECT_THROW(UpdateValue(R, 34, "ten"), EConvertError);
}

}  // namespace

namespace {

TEST_F(FunctionsTest, AddAmountOnIntegersAndOtherTexts) {
  std::string Result;
  auto Add = [&](const std::string& Current, int Amount) {
    const std::string Reply = Run([&](const THandlerContext& C) { Result = AddAmount(C, Current, Amount); });
    EXPECT_EQ(Reply, "AT ADD " + Current + "\r\n");
    return Result;
  };
  EXPECT_EQ(Add("12", 30), "42");
  EXPECT_EQ(Add("-5", 2), "-3");
  EXPECT_EQ(Add("2147483647", 1), "2147483648");
  EXPECT_EQ(Add("99999999999", 2), "2");  // beyond an Integer: not a number
  EXPECT_EQ(Add("1.5", 2), "2");
  EXPECT_EQ(Add("", 7), "7");
}

}  // namespace
