#include "client/reports/main_commands.h"

#include "client/core/record_window.h"
#include "client/reports/report_windows.h"
#include "platform/headless/headless_modal.h"
#include "reports_fixture.h"

namespace {

class MainCommandsTest : public ReportsTest {};

TEST_F(MainCommandsTest, MissingFieldsAreReportedAndNothingOpens) {
  TReportWindows Windows(Host);
  TMainCommands Commands(Windows);
  Commands.QuantityWord = "Stock";
  TConfiguration& C = Window->Buffers.Configuration;
  // A definition without the shipped one's quantity fields.
  for (auto& K : C.DetailKinds) K.clear();
  for (auto& K : C.OtherKinds) K.clear();
  {
    TCheckedModalScript Script;
    Script.ExpectMessage("Stock field is not defined.", mrOk);
    EXPECT_FALSE(Commands.QuickOrderReport1Click(1));
  }
  C.DetailKinds[3] = "Quantity";
  {
    TCheckedModalScript Script;
    Script.ExpectMessage("Desired Stock field is not defined.", mrOk);
    EXPECT_FALSE(Commands.QuickOrderReport1Click(2));
  }
  {
    TCheckedModalScript Script;
    Script.ExpectMessage(TMainCommands::EmailFieldMissing, mrOk);
    EXPECT_FALSE(Commands.Email1Click(1));
  }
}

TEST_F(MainCommandsTest, NameFieldMoneyFieldsAndGridRecipients) {
  TReportWindows Windows(Host);
  TMainCommands Commands(Windows);
  TConfiguration& C = Window->Buffers.Configuration;
  C.DetailNames[4] = "Contact NAME";
  C.DetailNames[9] = "Notes";
  EXPECT_EQ(Commands.NameFieldBefore(5), 4);
  EXPECT_EQ(Commands.NameFieldBefore(21), -1);  // before other 1 comes detail 10
  C.DetailNames[9] = "Full name";
  EXPECT_EQ(Commands.NameFieldBefore(21), 9);
  EXPECT_EQ(Commands.NameFieldBefore(0), -1);

  C.DetailKinds = {};
  C.OtherKinds = {};
  C.DetailKinds[2] = "Money";
  C.OtherKinds[1] = "money";
  EXPECT_EQ(Commands.MoneyFields(), (std::vector<std::string>{"2", "22"}));

  TQnStringGrid Grid(nullptr);
  Grid.SetColCount(3);
  Grid.SetRowCount(4);
  Grid.SetCells(1, 0, "Price");
  Grid.SetCells(0, 1, "11");
  Grid.SetCells(0, 2, "12");
  auto R = TMainCommands::GridRecipients(Grid);
  ASSERT_EQ(R.size(), 2u);
  EXPECT_EQ(R[1].Code, "12");
  EXPECT_EQ(R[1].Name, "");
  EXPECT_EQ(R[1].Address, "");
  EXPECT_TRUE(R[1].Checked);
  Grid.SetCells(1, 0, "Email");
  Grid.SetCells(2, 0, "Customer Name");
  Grid.SetCells(1, 1, "a@example.com");
  Grid.SetCells(2, 1, "Ann");
  R = TMainCommands::GridRecipients(Grid);
  EXPECT_EQ(R[0].Name, "Ann");
  EXPECT_EQ(R[0].Address, "a@example.com");
}

TEST_F(MainCommandsTest, AddressOrderFollowsTheScope) {
  TReportWindows Windows(Host);
  TMainCommands Commands(Windows);
  TEntryList Entries;
  ReadEntryList(Session->Get("A"), Entries);
  ASSERT_EQ(Entries.size(), 40u);
  EXPECT_EQ(Commands.AddressOrder(Entries, 1).size(), 40u);
  EXPECT_TRUE(Commands.AddressOrder(Entries, 2).empty());  // an empty search list
  Windows.List.Add(Entries[7]->Key, "x");
  EXPECT_EQ(Commands.AddressOrder(Entries, 2), (std::vector<std::string>{"7"}));
}

}  // namespace

#include "client/reports/barcode_forms.h"
#include "client/reports/record_print_form.h"
#include "platform/ui/mask_edit.h"
#include "platform/ui/std_buttons.h"

namespace {

TEST_F(MainCommandsTest, BarcodeEditorTakesAUniqueValueAndPrintsItsLabel) {
  Window->Buffers.Configuration.DetailKinds[0] = "Barcode";
  TReportWindows Windows(Host);
  TMainCommands Commands(Windows);
  TCheckedModalScript Script;
  int Drawn = -1;
  Script.ExpectForm("Edit Barcode", [](TCustomForm& C) {
    auto& F = dynamic_cast<TEditBarcodeForm&>(C);
    F.BarCodeValue->SetText("40063813");
    F.PrintBarCodeBtn->Click();
    F.OKBtn->Click();
  });
  Script.ExpectForm("Print Selected Barcode", [&](TCustomForm& C) {
    auto& F = dynamic_cast<TRTFForm&>(C);
    EXPECT_EQ(F.PrintMode, 3);
    Drawn = F.LabelsDrawn();
    F.OKButton->Click();
  });
  bool Changed = true;
  EXPECT_EQ(Commands.EditBarcode("1", Changed), "40063813");
  EXPECT_FALSE(Changed);
  EXPECT_EQ(Drawn, 1);  // the one label at column 1, row 1
}

}  // namespace
