#include "client/reports/barcode_windows.h"

#include "client/core/record_window.h"
#include "platform/headless/headless_modal.h"
#include "print/barcode.h"
#include "reports_fixture.h"

namespace {

class BarcodeWindowsTest : public ReportsTest {
protected:
  // Detail 1 (the record's index) serves as barcode, detail 9 (the price) as quantity (in place
  // of the shipped definition's quantity field).
  void MarkFields() {
    Window->Buffers.Configuration.DetailKinds[0] = "Barcode";
    Window->Buffers.Configuration.DetailKinds[7].clear();
    Window->Buffers.Configuration.DetailKinds[8] = "Quantity";
  }
  int IndexOf(const std::string& Code) {
    const auto All = AllRecords();
    for (std::size_t i = 0; i < All.size(); ++i)
      if (All[i].first == Code) return static_cast<int>(i);
    return -1;
  }
};

TEST_F(BarcodeWindowsTest, MissingFieldsGiveBothMessagesInOrder) {
  // A definition with neither field.
  for (auto& K : Window->Buffers.Configuration.DetailKinds) K.clear();
  for (auto& K : Window->Buffers.Configuration.OtherKinds) K.clear();
  TBarcodeScan Scan(Host);
  TCheckedModalScript Script;
  Script.ExpectMessage(TBarcodeScan::NoBarcodeText, mrOk);
  Script.ExpectMessage(TBarcodeScan::NoQuantityText, mrOk);
  EXPECT_FALSE(Scan.Setup(Window->Buffers.Configuration));
}

TEST_F(BarcodeWindowsTest, JumpShowsTheRecordOfTheScannedCode) {
  MarkFields();
  TBarcodeScan Scan(Host);
  ASSERT_TRUE(Scan.Setup(Window->Buffers.Configuration));
  EXPECT_EQ(Scan.Enter("7"), TBarcodeScan::Jumped);
  EXPECT_EQ(IndexOf(Window->Number()), 7);
  EXPECT_NE(Recorder->Requests[0].URL.find("?Barcode=7&BarcodeField=0&Function=Jump"), std::string::npos);
  EXPECT_EQ(Scan.Enter("no such code"), TBarcodeScan::NotFound);
  EXPECT_EQ(Scan.ItemName, "Not Found");
  EXPECT_TRUE(Scan.ItemNameRed);
}

TEST_F(BarcodeWindowsTest, AddAndRemoveChangeTheStockAndAnEmptyCodeSendsNothing) {
  MarkFields();
  TBarcodeScan Scan(Host);
  ASSERT_TRUE(Scan.Setup(Window->Buffers.Configuration));
  Scan.Mode = TBarcodeScan::AddStock;
  const std::string Price = std::to_string((3 * 37) % 500);
  EXPECT_EQ(Scan.Enter("3"), TBarcodeScan::StockChanged);
  EXPECT_EQ(Scan.Quantity, std::to_string((3 * 37) % 500 + 1));
  Scan.Mode = TBarcodeScan::RemoveStock;
  EXPECT_EQ(Scan.Enter("3"), TBarcodeScan::StockChanged);
  EXPECT_EQ(Scan.Enter("3"), TBarcodeScan::StockChanged);
  EXPECT_EQ(Scan.Quantity, std::to_string((3 * 37) % 500 - 1));
  // The server holds the new stock.
  Window->GetRecord("G" + AllRecords()[3].first);
  EXPECT_EQ(Window->Buffers.Current.Details[8], std::to_string((3 * 37) % 500 - 1));
  EXPECT_EQ(Window->Buffers.Current.Details[8 - 8], "3");
  // Blank codes send nothing, in any mode; the first record keeps its stock.
  Recorder->Clear();
  EXPECT_EQ(Scan.Enter(""), TBarcodeScan::Nothing);
  EXPECT_EQ(Scan.Enter("  \t"), TBarcodeScan::Nothing);
  Scan.Mode = TBarcodeScan::Jump;
  EXPECT_EQ(Scan.Enter(" "), TBarcodeScan::Nothing);
  EXPECT_TRUE(Recorder->Requests.empty());
}

TEST_F(BarcodeWindowsTest, DuplicateTestKeepsTheBarcodeOnDuplicatesAndOnBadReplies) {
  MarkFields();
  TBarcodeSettings Db;
  TEditBarcode Edit(Host, Db);
  Edit.CurrentBarcode = "1";
  Edit.Value = "12";  // record 12 holds it
  {
    TCheckedModalScript Script;
    Script.ExpectMessage(TEditBarcode::InUseText, mrOk);
    EXPECT_TRUE(Edit.DuplicateBarCode());
  }
  EXPECT_EQ(Edit.Value, "1");
  Edit.Value = "unused value";
  EXPECT_FALSE(Edit.DuplicateBarCode());
  EXPECT_EQ(Edit.Value, "unused value");

  // A cut reply or a dead server: the problem message and the old value stays.
  TRecordingTransport Scripted;
  Scripted.Reply = [](const TClientRequest&) { return std::string("<HTML>\r"); };
  TServerSession S(Scripted);
  TReportHost H = Host;
  H.Session = &S;
  TEditBarcode Cut(H, Db);
  Cut.CurrentBarcode = "1";
  Cut.Value = "99";
  {
    TCheckedModalScript Script;
    Script.ExpectMessage(TEditBarcode::ProblemText, mrOk);
    Script.ExpectMessage(TEditBarcode::ProblemText, mrOk);
    Cut.OKBtnClick();
    EXPECT_EQ(Cut.CurrentBarcode, "1");
    Scripted.Fail = true;
    Cut.Value = "99";
    Cut.OKBtnClick();
    EXPECT_EQ(Cut.CurrentBarcode, "1");
  }
}

TEST_F(BarcodeWindowsTest, OkTakesValuesAndFlagsOnlySettingChanges) {
  MarkFields();
  TBarcodeSettings Db;
  TEditBarcode Edit(Host, Db);
  Edit.LoadSettings();
  Edit.CurrentBarcode = "5";
  Edit.Value = "5";
  Edit.OKBtnClick();  // the same value: no request
  EXPECT_TRUE(Recorder->Requests.empty());
  EXPECT_FALSE(Edit.SettingsChanged);
  Edit.Value = "new one";
  Edit.OKBtnClick();
  EXPECT_EQ(Edit.CurrentBarcode, "new one");
  EXPECT_FALSE(Edit.SettingsChanged);
  // Without the uniqueness test any value is taken without asking.
  Recorder->Clear();
  Edit.EnsureUnique = false;
  Edit.Value = "12";
  Edit.OKBtnClick();
  EXPECT_EQ(Edit.CurrentBarcode, "12");
  EXPECT_TRUE(Recorder->Requests.empty());
  Edit.Method = "csmModulo10";
  Edit.OKBtnClick();
  EXPECT_TRUE(Edit.SettingsChanged);
  EXPECT_EQ(Db.Method, "csmModulo10");
  Edit.OKBtnClick();
  EXPECT_FALSE(Edit.SettingsChanged);
}

TEST_F(BarcodeWindowsTest, InvalidValuesAreRefusedWhenDrawn) {
  TBarcodeSettings Db;
  TEditBarcode Edit(Host, Db);
  TBarcodeSymbol Symbol;
  Edit.Type = "bcCodeEAN13";
  Edit.Value = "letters";
  {
    TCheckedModalScript Script;
    Script.ExpectMessage(TEditBarcode::InvalidText, mrOk);
    EXPECT_FALSE(Edit.Configure(Symbol, 60));
  }
  Edit.Value = "400638133393";
  EXPECT_TRUE(Edit.Configure(Symbol, 60));
  EXPECT_EQ(Symbol.Typ(), bcCodeEAN13);
}

}  // namespace

#include "client/reports/barcode_forms.h"
#include "client/reports/report_windows.h"
#include "platform/ui/edits.h"
#include "platform/ui/std_buttons.h"

namespace {

TEST_F(BarcodeWindowsTest, ScanWindowEmptiesTheCodeBoxAfterEveryEnter) {
  MarkFields();
  TReportWindows Windows(Host);
  TBarCodeForm Form(Windows);
  Form.FormActivate();
  ASSERT_TRUE(Form.JumpToItemBtn->Checked());
  Form.AddtoInventoryBtn->SetChecked(true);
  Form.ScanCode->SetText("   ");
  Form.ScanCodeKeyDown(13);
  EXPECT_TRUE(Recorder->Requests.empty());
  EXPECT_EQ(Form.ScanCode->Text(), "");
  Form.ScanCode->SetText("nothing like it");
  Form.ScanCodeKeyDown(13);
  EXPECT_EQ(Form.ScanCode->Text(), "");
  EXPECT_EQ(Form.ItemName->Text(), "Not Found");
  EXPECT_EQ(Form.ItemName->Font().Color(), clRed);
  Form.ScanCode->SetText("4");
  Form.ScanCodeKeyDown(13);
  EXPECT_EQ(Form.Quantity->Text(), std::to_string((4 * 37) % 500 + 1));
  // Keys other than Enter do nothing.
  Recorder->Clear();
  Form.ScanCode->SetText("4");
  Form.ScanCodeKeyDown(65);
  EXPECT_TRUE(Recorder->Requests.empty());
}

}  // namespace
