// The main window's help links, reminder entry, calculator, calendar and reset, on the headless
// backend against the record server in-process; and that no entry of the main menu, the date
// menu or the link menu is left without a command.
#include <gtest/gtest.h>

#include "client/core/client_settings.h"
#include "client/reports/reminder_report.h"
#include "client/reports/reminder_report_forms.h"
#include "client/reports/report_windows.h"
#include "client/reports/search_form.h"
#include "client/reports/search_results_form.h"
#include "client/small_dialogs.h"
#include "client/category_tree_editor.h"
#include "platform/rtl/sysutils.h"
#include "platform/ui/tree_view.h"
#include "platform/ui/edits.h"
#include "platform/ui/list_controls.h"
#include "client/view.h"
#include "client/view_reports.h"
#include "client/view_tools.h"
#include "controls/calendar_popup.h"
#include "platform/rtl/file_io.h"
#include "platform/sys/files.h"
#include "platform/rtl/ini_files.h"
#include "platform/ui/screen.h"
#include "platform/ui/shell.h"
#include "platform/ui/std_buttons.h"
#include "tests/client/view_fixture.h"

namespace {

class ViewToolsTest : public LoggedInViewTest {
protected:
  ViewToolsTest() : LoggedInViewTest("viewtools") {}
  void SetUp() override {
    LoggedInViewTest::SetUp();
    if (HasFatalFailure()) return;
    SetShellHandler([this](const TShellRequest& R) {
      Opened.push_back(R.File);
      return std::intptr_t{42};
    });
  }
  void TearDown() override {
    SetShellHandler(nullptr);
    LoggedInViewTest::TearDown();
  }
  std::string Page() const { return ReadFileBytes(View->Session->ScratchFolder + "go.htm"); }
  static void Choose(TComponent* Item) {
    auto* M = dynamic_cast<TMenuItem*>(Item);
    ASSERT_NE(M, nullptr);
    ASSERT_TRUE(M->OnClick);
    M->OnClick(M);
  }
  TConfiguration Stored() {
    TServerSession S(Db->Server);
    S.DatabaseName = "Demo";
    TConfiguration C;
    EXPECT_TRUE(ReadConfigurationStream(S.Get("CL"), C));
    return C;
  }
  std::vector<std::string> Opened;
};

}  // namespace

TEST_F(ViewToolsTest, HelpEntriesOpenTheHelpPageAndItsAnchorsThroughTheRedirectPage) {
  const std::string Go = View->Session->ScratchFolder + "go.htm";
  const std::pair<TMenuItem*, std::string> Entries[] = {
      {View->Contents1, TViewTools::HelpPage},
      {View->GettingStarted1, std::string(TViewTools::HelpPage) + "#GettingStarted"},
      {View->ContactHarrowmere1, std::string(TViewTools::HelpPage) + "#Contact"}};
  for (const auto& [Item, Url] : Entries) {
    Opened.clear();
    Choose(Item);
    ASSERT_EQ(Opened, std::vector<std::string>{Go}) << Url;
    EXPECT_NE(Page().find("\r\nURL=" + Url + "\">\r\n"), std::string::npos) << Page();
  }
  // The page written is the page the close deletes.
  View->FreeDatabase();
  EXPECT_FALSE(FileExists(Go));
}

TEST_F(ViewToolsTest, ServerAndDatabaseEntriesOpenTheirWindowsAndKeepWhatTheyGive) {
  // Select Date Format: the configuration fetched first and sent after, cancelled or not.
  Db->Recorder.Clear();
  {
    TCheckedModalScript Script;
    Script.ExpectForm("Select Date Format", [](TCustomForm& C) {
      auto& F = dynamic_cast<TSelectDateFormatForm&>(C);
      EXPECT_TRUE(F.MonthFirst->Checked());
      F.DayFirst->SetChecked(true);
      F.OKBtn->Click();
    });
    Choose(View->SetDateFormat1);
  }
  EXPECT_EQ(Db->Recorder.Verbs().front(), "CL");
  EXPECT_EQ(Db->Recorder.Verbs().back(), "CS");
  EXPECT_EQ(Stored().DateFormat, "dd/mm/yyyy");
  // Database Information: filled from the database, the author taken back.
  {
    TCheckedModalScript Script;
    Script.ExpectForm("Please enter database information:", [](TCustomForm& C) {
      auto& F = dynamic_cast<TDatabaseInformationForm&>(C);
      EXPECT_EQ(F.DatabaseName->Text(), "Demo");
      F.DatabaseAuthor->SetText("Ann Smith");
      if (F.DatabaseType->Text().empty()) F.DatabaseType->SetText("General");
      F.OKBtn->Click();
    });
    Choose(View->DatabaseInformation1);
  }
  EXPECT_EQ(Stored().DatabaseInfo[diAuthor], "Ann Smith");
  // Local Server Settings: the address of this database.
  {
    TCheckedModalScript Script;
    Script.ExpectForm("Server Settings", [](TCustomForm& C) {
      auto& F = dynamic_cast<TServerSettingsForm&>(C);
      const std::string Url = F.URLBox->Text();
      // A machine with no address other computers reach says so plainly.
      const std::string Query = "?IM=Yes&F=N&Database=Demo";
      if (Url != "Not Available")
        EXPECT_TRUE(Url.size() > Query.size() && Url.compare(Url.size() - Query.size(), Query.size(), Query) == 0) << Url;
      F.OKBtn->Click();
    });
    Choose(View->LocalServerSettings1);
  }
  // Email Account Settings: what OK leaves is in the key.
  {
    TCheckedModalScript Script;
    Script.ExpectForm("Email Settings", [](TCustomForm& C) {
      auto& F = dynamic_cast<TEmailSettingsForm&>(C);
      F.MailServer->SetText("mail.example.org");
      F.OKBtn->Click();
    });
    Choose(View->EmailSettings1);
  }
  EXPECT_EQ(OpenSettingsKey()->ReadString("SETTINGS", "MailServer", ""), "mail.example.org");
  // Set Server Name, then Database Login: the login reads the key again and the name stays.
  {
    TCheckedModalScript Script;
    Script.ExpectInput("Enter Server Name:", "Office");
    Choose(View->SetServerName1);
  }
  {
    TCheckedModalScript Script;
    Script.ExpectForm("Login", [](TCustomForm& F) { dynamic_cast<TPasswordForm&>(F).LoginBtn->Click(); });
    Choose(View->SelectServer1);
  }
  EXPECT_TRUE(View->LoginFlag);
  EXPECT_EQ(View->Settings->ServerName, "Office");
}

// What the session changed since the last login (the idle seconds on the tool bar) outlives
// another Database Login, which reads the settings key again.
TEST_F(ViewToolsTest, DatabaseLoginKeepsTheSessionsChangedSettings) {
  View->EditIdle->SetValue(121);
  ASSERT_EQ(View->Settings->EditIdle, 121);
  {
    TCheckedModalScript Script;
    Script.ExpectForm("Login", [](TCustomForm& F) { dynamic_cast<TPasswordForm&>(F).LoginBtn->Click(); });
    Choose(View->SelectServer1);
  }
  EXPECT_TRUE(View->LoginFlag);
  EXPECT_EQ(View->EditIdle->Value(), 121);
  EXPECT_EQ(View->Logic->EditIdle(), 121);
  EXPECT_EQ(OpenSettingsKey()->ReadInteger("SETTINGS", "IDLE SECONDS", 0), 121);
}

TEST_F(ViewToolsTest, TheReminderEntryOpensTheReportOfThatField) {
  View->Logic->Buffers.Configuration.OtherKinds[0] = "Reminder Date";
  int FieldNo = -1;
  std::string Caption;
  {
    TCheckedModalScript Script;
    const std::string Name = View->Logic->Buffers.Configuration.OtherNames[0];
    Script.ExpectMenu("", "Find " + Name);
    Script.ExpectMessage("Select desired date range", mrOk);
    Script.ExpectForm("Find " + Name, [&](TCustomForm& C) {
      auto& F = dynamic_cast<TReminderForm&>(C);
      FieldNo = F.Logic().ReminderFieldNo;
      Caption = F.Caption();
      F.Close();
    });
    // A person's click in the field: the left button pressed and released over it.
    View->Other[0]->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    View->Other[0]->Perform(WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    App->ProcessMessages();
  }
  EXPECT_EQ(FieldNo, 21);
  EXPECT_EQ(Caption, "Find " + View->Logic->Buffers.Configuration.OtherNames[0]);
}

TEST_F(ViewToolsTest, CalculatorAndCalendarRunFromTheMenuAndTheToolBar) {
  for (TControl* Button : {static_cast<TControl*>(View->CalculatorTBtn), static_cast<TControl*>(nullptr)}) {
    bool Shown = false;
    TCheckedModalScript Script;
    Script.ExpectForm("Calculator", [&](TCustomForm& F) {
      Shown = F.Caption() == "Calculator";
      F.Close();
    });
    if (Button)
      Button->OnClick(Button);
    else
      Choose(View->Calculator1);
    EXPECT_TRUE(Shown);
  }
  for (TControl* Button : {static_cast<TControl*>(View->CalendarTBtn), static_cast<TControl*>(nullptr)}) {
    TPoint At{-1, -1};
    TCheckedModalScript Script;
    Script.ExpectForm("", [&](TCustomForm& F) {
      ASSERT_NE(dynamic_cast<TCalForm*>(&F), nullptr);
      At = {F.Left(), F.Top()};
      F.Close();
    });
    if (Button)
      Button->OnClick(Button);
    else
      Choose(View->Calander1);
    EXPECT_EQ(At.X, (Screen().Width() - 100) / 2);
    EXPECT_EQ(At.Y, (Screen().Height() - 200) / 2);
  }
}

// The tool bar's "Scan Barcode" opens the scanner station, which finds its barcode and quantity
// fields in the shipped definition.
TEST_F(ViewToolsTest, ScanBarcodeOpensFromTheToolBar) {
  EXPECT_EQ(View->BarcodeTBtn->Hint(), "Scan Barcode");
  TCheckedModalScript Script;
  std::string Shown;
  Script.ExpectForm("Scan Barcode", [&](TCustomForm& F) {
    Shown = F.Name();
    F.Close();
  });
  View->BarcodeTBtn->OnClick(View->BarcodeTBtn);
  EXPECT_EQ(Shown, "BarCodeForm");
}

TEST_F(ViewToolsTest, ResetAnsweredNoChangesNothingAndYesRestoresTheSizes) {
  View->SetBounds(0, 0, 900, 700);
  View->Settings->SearchColumns[3] = 7;
  View->ShortDescriptionValues1->SetChecked(true);
  const std::string Server = View->Settings->Server;
  SaveSettings(*OpenSettingsKey(), *View->Settings);
  const std::string Before = ReadFileBytes(OpenSettingsKey()->FileName());
  {
    TCheckedModalScript Script;
    Script.ExpectMessage(TViewTools::ResetQuestion, mrNo);
    Choose(View->ResetApplication1);
  }
  EXPECT_EQ(View->Width(), 900);
  EXPECT_EQ(View->Settings->SearchColumns[3], 7);
  EXPECT_TRUE(View->ShortDescriptionValues1->Checked());
  EXPECT_EQ(ReadFileBytes(OpenSettingsKey()->FileName()), Before);
  {
    TCheckedModalScript Script;
    Script.ExpectMessage(TViewTools::ResetQuestion, mrYes);
    Script.ExpectMessage(TViewTools::ResetDoneText, mrOk);
    Choose(View->ResetApplication1);
  }
  EXPECT_EQ(View->Width(), 634);
  EXPECT_EQ(View->Height(), 482);
  TReportWindows& W = ReportWindowsOf(*View);
  EXPECT_EQ(W.Search().Width(), 581);
  EXPECT_EQ(W.Search().Height(), 454);
  EXPECT_EQ(W.SnapShot().Width(), 640);
  EXPECT_EQ(W.SnapShot().Height(), 475);
  EXPECT_EQ(W.SnapShot().Results().ColumnMap[0], -1);
  EXPECT_EQ(View->Settings->SearchColumns[3], -1);
  EXPECT_FALSE(View->ShortDescriptionValues1->Checked());
  // The login's server stays for the save at the close.
  EXPECT_EQ(View->Settings->Server, Server);
  auto Key = OpenSettingsKey();
  const std::pair<const char*, int> Written[] = {
      {"ViewW:", 634},   {"ViewH:", 482},   {"SpreadsheetW:", 640}, {"SpreadSheetH:", 475},
      {"SearchW:", 581}, {"SearchH:", 454}, {"AlbumW:", 518},       {"AlbumH:", 437},
      {"GraphW:", 611},  {"GraphH:", 414},  {"ReportW:", 599},      {"ReportH:", 481}};
  for (const auto& [Name, Value] : Written) EXPECT_EQ(Key->ReadInteger("SETTINGS", Name, -99), Value) << Name;
  EXPECT_GT(Key->ReadInteger("SETTINGS", "SpreadSheetS:", -99), 0);
  EXPECT_EQ(Key->ReadInteger("SETTINGS", "SEARCHCOL:3", -99), -1);
}

TEST_F(ViewToolsTest, EveryEntryOfTheMainMenuAndTheFieldMenusHasACommand) {
  // The grid address entries belong to the grid print menu's commands.
  const std::set<std::string> Elsewhere = {"Grid3Address1", "Grid4Address1"};
  std::vector<std::string> Idle;
  std::function<void(TMenuItem*, const std::string&)> Walk = [&](TMenuItem* M, const std::string& Path) {
    for (int i = 0; i < M->Count(); ++i) {
      TMenuItem* Item = M->Items(i);
      const std::string Here = Path + "|" + Item->Caption();
      if (Item->Caption() == "-" || Elsewhere.count(Item->Name())) continue;
      if (Item->Count() > 0)
        Walk(Item, Here);
      else if (!Item->OnClick)
        Idle.push_back(Here);
    }
  };
  Walk(View->MainMenu->Items(), "");
  Walk(View->DateMenu->Items(), "Date");
  Walk(View->FieldMenu->Items(), "Link");
  EXPECT_EQ(Idle, std::vector<std::string>{});
  std::vector<std::string> IdleButtons;
  for (int i = 0; i < View->ToolBar->ButtonCount(); ++i)
    if (View->ToolBar->Buttons(i)->Style() != tbsSeparator && View->ToolBar->Buttons(i)->Style() != tbsDivider && !View->ToolBar->Buttons(i)->OnClick) IdleButtons.push_back(View->ToolBar->Buttons(i)->Caption());
  EXPECT_EQ(IdleButtons, std::vector<std::string>{});
}

// A database made from the shipped definition reaches the quick quantity report and the reminder
// report without a field's kind being set by hand, and its field editor offers every kind.
TEST_F(ViewToolsTest, TheShippedDefinitionReachesTheQuantityAndReminderReports) {
  EXPECT_GE(View->FindField("quantity", 1), 0);
  EXPECT_GE(View->FindField("desired quantity", 1), 0);
  EXPECT_GE(View->FindField("barcode", 1), 0);
  EXPECT_EQ(View->QuickOrderReport1->Caption(), "Quick Quantity Report");
  {
    TCheckedModalScript Script;
    Script.ExpectForm("Quick Quantity Report", [](TCustomForm& F) { F.Close(); });
    Choose(View->Find("QuickOrderAll1"));
  }
  // The reminder date field's click offers its report.
  const auto& C = View->Logic->Buffers.Configuration;
  int Reminder = -1;
  for (int i = 0; i < 6; ++i)
    if (C.OtherKinds[i].find("Reminder") != std::string::npos) Reminder = i;
  ASSERT_GE(Reminder, 0);
  {
    TCheckedModalScript Script;
    Script.ExpectMenu("", "Find " + C.OtherNames[Reminder]);
    Script.ExpectMessage("Select desired date range", mrOk);
    Script.ExpectForm("Find " + C.OtherNames[Reminder], [](TCustomForm& F) { F.Close(); });
    View->Other[Reminder]->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    View->Other[Reminder]->Perform(WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    App->ProcessMessages();
  }
  TEditFieldForm Editor(nullptr);
  std::vector<std::string> Kinds;
  for (int i = 0; i < Editor.TypeBox->Items().Count(); ++i) Kinds.push_back(LowerCase(Editor.TypeBox->Items()[i]));
  for (const char* Kind : {"date", "reminder date", "money", "quantity", "desired quantity", "barcode", "email address",
                           "url", "record counter"})
    EXPECT_NE(std::find(Kinds.begin(), Kinds.end(), Kind), Kinds.end()) << Kind;
}

// "Tree View" opens the category editor on the lines as typed, and the typed lines come back
// (with what the editor added) and reach the server; the editor's Help opens its topic.
TEST_F(ViewToolsTest, TheTreeViewOpensFromTheTypedLinesAndItsHelpOnItsTopic) {
  std::vector<std::string> InEditor;
  std::string AfterEditor;
  {
    TCheckedModalScript Script;
    Script.ExpectForm("Edit Drop Down Menu Options", [&](TCustomForm& F) {
      auto& D = dynamic_cast<TDropDownMenuForm&>(F);
      D.Choices->SetText("Typed\r\n\tUnder it\r\nSecond\r\n");
      D.TreeViewBtn->Click();
      AfterEditor = D.Choices->Text();
      D.CancelBtn->Click();
    });
    Script.ExpectForm("Category", [&](TCustomForm& F) {
      auto& E = dynamic_cast<TAddDescription&>(F);
      for (TTreeNode* N = E.DescriptionList->Items().GetFirstNode(); N; N = N->getNextSibling())
        InEditor.push_back(N->Text());
      E.DescriptionList->SetSelected(E.DescriptionList->Items().GetFirstNode());
      E.CategoryName->SetText("Added");
      E.AddChildBtn->Click();
      E.HelpBtn->Click();
      E.CloseFormBtn->Click();
    });
    Script.ExpectShell("go.htm");
    View->DescOneEnter(4);  // "Year Made": no values of its own
  }
  EXPECT_EQ(InEditor, (std::vector<std::string>{"Typed", "Second"}));
  EXPECT_NE(AfterEditor.find("Typed\r\n\tUnder it\r\n\tAdded\r\nSecond"), std::string::npos) << AfterEditor;
  EXPECT_NE(Page().find(std::string(TViewTools::HelpPage) + "#CustomizingtheSoftware\""), std::string::npos) << Page();
  // The tree the editor stored reached the server, though the list window was cancelled.
  const TConfiguration Config = Stored();
  const TDescriptionTree& Stored4 = Config.DescriptionTrees[3];
  ASSERT_EQ(Stored4.Nodes.size(), 2u);
  EXPECT_EQ(Stored4.Nodes[0].Text, "Typed");
  ASSERT_EQ(Stored4.Nodes[0].Children.size(), 2u);
  EXPECT_EQ(Stored4.Nodes[0].Children[1].Text, "Added");
  EXPECT_EQ(View->DescEdit[3]->Text(), "Added : Typed");
}

// The tool bar's "Search Records" saves the record and shows the search window; the close takes
// the search window down with the record window.
TEST_F(ViewToolsTest, SearchRecordsOpensTheSearchWindowAndTheCloseClosesIt) {
  TCheckedModalScript Script;
  ASSERT_NE(View->SearchRecordsTBtn, nullptr);
  EXPECT_EQ(View->SearchRecordsTBtn->Hint(), "Search Records");
  View->Detail[2]->SetText("typed before the search");
  View->SearchRecordsTBtn->OnClick(View->SearchRecordsTBtn);
  TSearch& Search = ReportWindowsOf(*View).Search();
  ASSERT_TRUE(Search.Visible());
  {
    TServerSession S(Db->Server);
    S.DatabaseName = "Demo";
    ItemRecord R;
    ASSERT_TRUE(ReadRecordStream(S.Get("G" + View->number->Text()), R));
    EXPECT_EQ(R.Details[2], "typed before the search");
  }
  bool CanClose = false;
  View->FormCloseQuery(CanClose);
  EXPECT_TRUE(CanClose);
  EXPECT_FALSE(Search.Visible());
}
