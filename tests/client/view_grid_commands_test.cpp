// The main window's grid page buttons, the grid print menu and pop-up, the relational select,
// the notes page's print, the item list's double click, the help key and the layout on resize,
// on the headless backend against the record server in-process.
#include <gtest/gtest.h>

#include "client/reports/quick_report_forms.h"
#include "client/reports/record_print_form.h"
#include "client/reports/search_list.h"
#include "client/small_dialogs.h"
#include "client/view.h"
#include "client/view_grid_commands.h"
#include "client/view_reports.h"
#include "controls/grid/qn_grid.h"
#include "controls/pick_dialog.h"
#include "platform/headless/headless_printing.h"
#include "platform/ui/messages.h"
#include "tests/client/view_fixture.h"

namespace {

class ViewGridCommandsTest : public LoggedInViewTest {
protected:
  ViewGridCommandsTest() : LoggedInViewTest("viewgridcommands") {}
  TGridPageCommands& Commands() { return *View->GridCommands; }
  // Grid 3 as a contact list: line ID, name, address, phone; Lines data lines and the empty row.
  void ContactGrid(TQnStringGrid& G) {
    G.SetColCount(4);
    G.SetRowCount(5);
    const char* Head[] = {"LINE ID", "Contact Name", "Home Address", "Phone"};
    for (int c = 0; c < 4; ++c) G.SetCells(c, 0, Head[c]);
    const char* Rows[][4] = {{"1", "Ann Example", "Harbour Street 4\rOstend", "555"},
                             {"2", "Bob Sample", "Mill Lane 9", "556"},
                             {"3", "Cy Person", "Hill Road 1\rLeuven", "557"}};
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 4; ++c) G.SetCells(c, r + 1, Rows[r][c]);
  }
  // Joins each entry's title and address lines with "/".
  static std::vector<std::string> Labels(const TRTFForm& F) {
    std::vector<std::string> Out;
    for (const auto& E : F.AddressList) {
      std::string L;
      for (const auto& Field : E->Fields) L += (L.empty() ? "" : "/") + Field;
      Out.push_back(E->Key + ":" + L);
    }
    return Out;
  }
};

std::string PrintedText(const TRecordedJob& Job) {
  std::string Out;
  for (const auto& Page : Job.Pages)
    for (const auto& Call : Page.Calls)
      if (!Call.Text.empty()) Out += Call.Text + "|";
  return Out;
}

}  // namespace

TEST_F(ViewGridCommandsTest, PrintButtonOffersAddressesOnlyForGridsWithNameAndAddress) {
  TQnStringGrid& G = *View->DirGrid;
  ContactGrid(G);
  EXPECT_EQ(TGridPageCommands::GridFieldFound("address", G), 2);
  EXPECT_EQ(TGridPageCommands::GridFieldFound("NAME", G), 1);
  EXPECT_EQ(TGridPageCommands::GridFieldFound("email", G), -1);
  G.SetRow(2);
  {
    // The selected line only; the address cell is split at its CRs.
    TCheckedModalScript Script;
    Script.ExpectMenu("", "Selected Address");
    Script.ExpectForm("Print Address", [&](TCustomForm& F) {
      auto& P = dynamic_cast<TRTFForm&>(F);
      EXPECT_EQ(P.PrintMode, 4);
      EXPECT_EQ(Labels(P), (std::vector<std::string>{"2:Bob Sample/Mill Lane 9"}));
      EXPECT_EQ(P.OrderList, (std::vector<std::string>{"0"}));
      F.SetModalResult(mrCancel);
    });
    View->Grid3Page.PrintBtn->Click();
    App->ProcessMessages();
  }
  EXPECT_EQ(Commands().PrintedGrid(), &G);
  {
    TCheckedModalScript Script;
    Script.ExpectMenu("", "All Addresses");
    Script.ExpectForm("Print Address", [&](TCustomForm& F) {
      auto& P = dynamic_cast<TRTFForm&>(F);
      EXPECT_EQ(Labels(P), (std::vector<std::string>{"1:Ann Example/Harbour Street 4/Ostend",
                                                     "2:Bob Sample/Mill Lane 9", "3:Cy Person/Hill Road 1/Leuven"}));
      EXPECT_EQ(P.OrderList, (std::vector<std::string>{"0", "1", "2"}));
      F.SetModalResult(mrCancel);
    });
    View->Grid3Page.PrintBtn->Click();
    App->ProcessMessages();
  }
  {
    // "List": the quick report over the header and the three lines (the empty row left out).
    TCheckedModalScript Script;
    Script.ExpectMenu("", "List");
    Script.ExpectForm("", [&](TCustomForm& F) {
      auto& Q = dynamic_cast<TQuickReportForm&>(F);
      EXPECT_EQ(Q.Report().DataGrid().RowCount(), 4);
      EXPECT_EQ(Q.Report().DataGrid().Cells(2, 3), "Cy Person");
      F.SetModalResult(mrCancel);
    });
    View->Grid3Page.PrintBtn->Click();
    App->ProcessMessages();
  }
  {
    // Grid 4 has no such columns: its quick report at once, no menu.
    TCheckedModalScript Script;
    Script.ExpectForm("", [&](TCustomForm& F) {
      EXPECT_NE(dynamic_cast<TQuickReportForm*>(&F), nullptr);
      F.SetModalResult(mrCancel);
    });
    View->Grid4Page.PrintBtn->Click();
    App->ProcessMessages();
  }
  EXPECT_EQ(Commands().PrintedGrid(), &G);
}

TEST_F(ViewGridCommandsTest, AddressMenuItemsTakeEveryLineOfTheirGrid) {
  ContactGrid(*View->Grid4);
  // A line with neither name nor address (only its phone) is listed but gets no label: it
  // would print as a blank one.
  View->Grid4->SetCells(1, 2, " ");
  View->Grid4->SetCells(2, 2, "");
  TMenuItem* Grid4Address = dynamic_cast<TMenuItem*>(View->Find("Grid4Address1"));
  ASSERT_TRUE(Grid4Address);
  {
    TCheckedModalScript Script;
    Script.ExpectForm("Print Address", [&](TCustomForm& F) {
      EXPECT_EQ(Labels(dynamic_cast<TRTFForm&>(F)).size(), 3u);
      EXPECT_EQ(dynamic_cast<TRTFForm&>(F).OrderList, (std::vector<std::string>{"0", "2"}));
      F.SetModalResult(mrCancel);
    });
    Grid4Address->Click();
  }
  EXPECT_EQ(Commands().PrintedGrid(), View->Grid4);
  // Grid 3 of the demonstration database has neither column: entries with the line IDs only,
  // which print no label, and none for a grid without lines.
  TQnStringGrid& G3 = *View->DirGrid;
  G3.SetRowCount(3);
  G3.SetCells(0, 1, "7");
  G3.SetCells(1, 1, "x");
  {
    TCheckedModalScript Script;
    Script.ExpectForm("Print Address", [&](TCustomForm& F) {
      EXPECT_EQ(Labels(dynamic_cast<TRTFForm&>(F)), (std::vector<std::string>{"7:"}));
      EXPECT_TRUE(dynamic_cast<TRTFForm&>(F).OrderList.empty());  // nothing to print on it
      F.SetModalResult(mrCancel);
    });
    View->Grid3Address1->Click();
  }
  G3.SetRowCount(2);
  {
    TCheckedModalScript Script;
    Script.ExpectForm("Print Address", [&](TCustomForm& F) {
      EXPECT_TRUE(dynamic_cast<TRTFForm&>(F).OrderList.empty());
      F.SetModalResult(mrCancel);
    });
    View->Grid3Address1->Click();
  }
}

TEST_F(ViewGridCommandsTest, GridPopupPrintsTheGridItWasOpenedOver) {
  TRecordingPrinter& P = InstallRecordingPrinter();
  ContactGrid(*View->Grid4);
  TMenuItem* Print = dynamic_cast<TMenuItem*>(View->Find("Print1"));
  ASSERT_TRUE(Print);
  Commands().GridPopup->SetPopupComponent(View->Grid4);
  Print->Click();
  ASSERT_EQ(P.Jobs().size(), 1u);
  const std::string Text = PrintedText(P.Jobs()[0]);
  EXPECT_NE(Text.find("Bob Sample"), std::string::npos) << Text;
  EXPECT_NE(Text.find("Home Address"), std::string::npos) << Text;
  EXPECT_EQ(View->Grid4->PopupMenu(), Commands().GridPopup);
  EXPECT_EQ(View->DirGrid->PopupMenu(), Commands().GridPopup);
  RemovePrintDevices();
}

TEST_F(ViewGridCommandsTest, FindWalksTheGridFromTheCurrentCellAndSaysWhenNothingIsLeft) {
  TQnStringGrid& G = *View->DirGrid;
  ContactGrid(G);
  Db->Recorder.Clear();
  G.SetRow(1);
  G.SetCol(3);
  {
    TCheckedModalScript Script;
    Script.ExpectFind("", [](TCustomForm&) {});
    View->Grid3Page.FindBtn->Click();
  }
  TFindDialog& D = Commands().FindItem();
  D.SetFindText("LANE");
  D.SetOptions(TFindOptions{frDown});
  // From the last column of row 1 the search goes on at row 2 (case ignored).
  D.OnFind(&D);
  EXPECT_EQ(G.Row(), 2);
  EXPECT_EQ(G.Col(), 2);
  {
    TCheckedModalScript Script;
    Script.ExpectMessage("LANE not found.", mrOk);
    D.OnFind(&D);
  }
  // Whole word and match case: only the exact cell.
  G.SetRow(1);
  G.SetCol(1);
  {
    TCheckedModalScript Script;
    Script.ExpectFind("", [](TCustomForm&) {});
    View->Grid3Page.FindBtn->Click();
  }
  D.SetFindText("Cy Person");
  D.SetOptions(TFindOptions{frDown, frMatchCase, frWholeWord});
  D.OnFind(&D);
  EXPECT_EQ(G.Row(), 3);
  EXPECT_EQ(G.Col(), 1);
  EXPECT_TRUE(Db->Recorder.Requests.empty());  // no save, no request
}

TEST_F(ViewGridCommandsTest, RelationalSelectOffersOtherRecordsAndStoresNameAndCode) {
  TRecordWindow& W = *View->Logic;
  W.Buffers.Configuration.DescriptionKinds[0] = "Relational";
  W.Buffers.ConfigMask.Set(ConfigMask::Descriptions, 0);
  ASSERT_TRUE(W.SaveServerConfiguration());
  std::vector<std::string> Codes;
  for (const char* Name : {"Alpha", "Beta", "Gamma"}) {
    View->NewRecordTBtn->Click();
    View->RecordName->SetText(Name);
    Codes.push_back(View->number->Text());
  }
  ASSERT_TRUE(W.SaveRecord(W.Buffers.Current, true));  // "Gamma" is shown
  ViewSearchList(*View).Add(Codes[0], "Alpha");
  ViewSearchList(*View).Add(Codes[2], "Gamma");
  {
    TCheckedModalScript Script;
    Script.ExpectMenu("", "Select|From Entire Database");
    Script.ExpectForm("From Entire Database", [&](TCustomForm& F) {
      auto& S = dynamic_cast<TSelectForm&>(F);
      EXPECT_EQ(S.okbtn->Caption(), "Select");
      std::vector<std::string> Names;
      for (int i = 0; i < S.SelectList->Count(); ++i) Names.push_back(S.SelectList->Items()[i]);
      // Every record but the one shown.
      EXPECT_NE(std::find(Names.begin(), Names.end(), "Beta"), Names.end());
      EXPECT_EQ(std::find(Names.begin(), Names.end(), "Gamma"), Names.end());
      const auto It = std::find(Names.begin(), Names.end(), "Beta");
      S.SelectList->SetItemIndex(static_cast<int>(It - Names.begin()));
      S.okbtn->Click();
    });
    View->DescBtn[0]->Click();
    App->ProcessMessages();
  }
  EXPECT_EQ(W.DescriptionValue(0), "Beta : " + Codes[1]);
  EXPECT_EQ(View->DescEdit[0]->Text(), "Beta : " + Codes[1]);
  {
    // From the search list: Alpha only (Gamma is on the list but shown).
    TCheckedModalScript Script;
    Script.ExpectMenu("", "Select|From Search List");
    Script.ExpectForm("From Search List", [&](TCustomForm& F) {
      auto& S = dynamic_cast<TSelectForm&>(F);
      ASSERT_EQ(S.SelectList->Count(), 1);
      EXPECT_EQ(S.SelectList->Items()[0], "Alpha");
      S.cancelbtn->Click();
    });
    View->DescBtn[0]->Click();
    App->ProcessMessages();
  }
  EXPECT_EQ(W.DescriptionValue(0), "Beta : " + Codes[1]);  // cancelled: unchanged
  {
    // "Clear Field" empties the field and its value, and the record is saved so.
    TCheckedModalScript Script;
    Script.ExpectMenu("", "Clear Field");
    View->DescBtn[0]->Click();
    App->ProcessMessages();
  }
  EXPECT_EQ(View->DescEdit[0]->Text(), "");
  W.GetRecord("G" + Codes[2]);
  EXPECT_EQ(W.DescriptionValue(0), "");
}

TEST_F(ViewGridCommandsTest, RelatedChoicesStopAtTheEndMarkerOrACutPair) {
  ViewSearchList(*View).Add("B", "on list");
  const std::vector<std::string> Reply = {"<begin>", "*** Record List Begin ***", "A", "First", "B", "Second", "C",
                                          "Third", "*** Record List End ***", "<end>"};
  using C = std::vector<TRelatedChoice>;
  EXPECT_EQ(Commands().RelatedChoices(Reply, "C", false), (C{{"A", "First"}, {"B", "Second"}}));
  EXPECT_EQ(Commands().RelatedChoices(Reply, "", true), (C{{"B", "Second"}}));
  // A reply cut after a code: the whole pairs before it stay, the lone code is not offered.
  const std::vector<std::string> Cut = {"<begin>", "*** Record List Begin ***", "A", "First", "B", "<end>"};
  EXPECT_EQ(Commands().RelatedChoices(Cut, "", false), (C{{"A", "First"}}));
}

TEST_F(ViewGridCommandsTest, PrintDetailPrintsTheThreeMemosInOrder) {
  View->Memo1->Lines().SetText("Note one\r\nNote two");
  View->Memo2->Lines().SetText("attachment.doc");
  View->Memo3->Lines().SetText("Harbour Street 4\r\nOstend");
  {
    // No printer: no job, and nothing is reported as sent.
    TCheckedModalScript Script;
    View->PrintDetail->Click();
  }
  TRecordingPrinter& P = InstallRecordingPrinter();
  {
    TCheckedModalScript Script;
    Script.ExpectMessage("Book Detail sent to Printer.", mrOk);
    View->PrintDetail->Click();
  }
  ASSERT_EQ(P.Jobs().size(), 1u);
  EXPECT_TRUE(P.Jobs()[0].Ended);
  EXPECT_EQ(PrintedText(P.Jobs()[0]), "Note one|Note two|attachment.doc|Harbour Street 4|Ostend|");
  // A long text goes on over further pages, every line once.
  std::string Many;
  for (int i = 0; i < 200; ++i) Many += "Line " + std::to_string(i) + "\r\n";
  View->Memo1->Lines().SetText(Many);
  {
    TCheckedModalScript Script;
    Script.ExpectMessage("Book Detail sent to Printer.", mrOk);
    View->PrintDetailClick();
  }
  ASSERT_EQ(P.Jobs().size(), 2u);
  EXPECT_GT(P.Jobs()[1].Pages.size(), 1u);
  const std::string Text = PrintedText(P.Jobs()[1]);
  EXPECT_NE(Text.find("|Line 199|attachment.doc|"), std::string::npos);
  RemovePrintDevices();
}

TEST_F(ViewGridCommandsTest, ItemListDoubleClickEditsOnlyWhileEditable) {
  View->ItemList->Items()[0]->SetSelected(true);
  View->ReadonlyBox->SetChecked(true);
  {
    TCheckedModalScript Script;  // read-only: nothing opens
    View->ItemList->OnDblClick(View->ItemList);
  }
  View->ReadonlyBox->SetChecked(false);
  {
    TCheckedModalScript Script;
    Script.ExpectForm("Edit Skill", [](TCustomForm& F) { F.SetModalResult(mrCancel); });
    View->ItemList->OnDblClick(View->ItemList);
  }
}

TEST_F(ViewGridCommandsTest, HelpKeyAndCommandsOpenTheHelpPages) {
  std::vector<std::string> Opened;
  View->Contents1->OnClick = [&](TObject*) { Opened.push_back("contents"); };
  View->GettingStarted1->OnClick = [&](TObject*) { Opened.push_back("started"); };
  WORD Key = VK_F1;
  View->OnKeyDown(View.get(), Key, TShiftState{});
  EXPECT_EQ(Key, 0);
  Key = 'A';
  View->OnKeyDown(View.get(), Key, TShiftState{});  // other keys: only activity
  View->TableofContents1Click();
  View->ReferenceManual1Click();
  EXPECT_EQ(Opened, (std::vector<std::string>{"started", "contents", "contents"}));
}

TEST_F(ViewGridCommandsTest, EveryControlStaysVisibleAsTheWindowIsResized) {
  for (const auto& [W, H] : std::vector<std::pair<int, int>>{{634, 482}, {1000, 700}, {620, 470}, {1400, 1000}}) {
    View->SetBounds(0, 0, W, H);
    const TRect Client = View->ClientRect();
    EXPECT_EQ(View->RecordBook->Width(), Client.Width() - 17) << W;
    EXPECT_LE(View->RecordBook->Top() + View->RecordBook->Height(), View->StatusPanel->Top()) << W << "x" << H;
    for (int p = 0; p < View->RecordBook->PageCount(); ++p) {
      View->RecordBook->SetActivePageIndex(p);
      TTabSheet* Page = View->RecordBook->Pages(p);
      // Every control of the page lies inside its parent.
      std::function<void(TWinControl*)> Check = [&](TWinControl* Parent) {
        for (int i = 0; i < Parent->ControlCount(); ++i) {
          TControl* C = Parent->Controls(i);
          if (!C->Visible()) continue;
          EXPECT_GE(C->Left(), 0) << C->Name() << " at " << W << "x" << H;
          EXPECT_GE(C->Top(), 0) << C->Name() << " at " << W << "x" << H;
          EXPECT_LE(C->Left() + C->Width(), Parent->ClientWidth()) << C->Name() << " at " << W << "x" << H;
          EXPECT_LE(C->Top() + C->Height(), Parent->ClientHeight()) << C->Name() << " at " << W << "x" << H;
          if (auto* WC = dynamic_cast<TWinControl*>(C)) Check(WC);
        }
      };
      Check(Page);
    }
  }
  // The item list's third column takes what the first two leave.
  TListColumns& Cols = View->ItemList->Columns();
  EXPECT_EQ(Cols[2]->Width(), View->ItemList->Width() - Cols[0]->Width() - Cols[1]->Width() - 24);
}

TEST_F(ViewGridCommandsTest, ViewRecordBringsTheWindowBack) {
  View->Hide();
  ViewSearchList(*View);  // the report windows' host reaches the record window through it
  ReportWindowsOf(*View).Host.ShowRecordWindow();
  EXPECT_TRUE(View->Visible());
}
