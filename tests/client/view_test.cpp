// The record window on the headless backend against the record server in-process: the login
// (given up, refused, done), fitting the window to the definition, the first record, a detail
// that survives Next and Previous, a record shown again changing only what differs, the close and
// its order, the layout.
#include <gtest/gtest.h>
#include <sys/types.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <map>

#include "client/core/client_settings.h"
#include "client/core/definition_template.h"
#include "client/core/local_server.h"
#include "client/password_form.h"
#include "client/small_dialogs.h"
#include "client/view.h"
#include "controls/grid/qn_grid.h"
#include "platform/headless/event_loop_poll.h"
#include "platform/headless/headless_peer.h"
#include "platform/rtl/ascii_text.h"
#include "platform/rtl/date_time.h"
#include "platform/rtl/ini_files.h"
#include "platform/ui/application.h"
#include "tests/client/core/client_fixture.h"
#include "tests/client/login_script.h"
#include "tests/platform/headless/headless_application.h"

namespace {

class ViewTest : public ::testing::Test {
protected:
  void SetUp() override {
    Loop = NewHeadlessApplication(App);
    Root = TestFolder("view");
    setenv("XDG_CONFIG_HOME", (Root / "config").c_str(), 1);
    setenv("QN_PORT", "6777", 1);
    Db = std::make_unique<TServedDatabase>(Root);
    // A stand-in for the web server launcher: it writes its process id and waits.
    fs::create_directories(Root / "bin");
    std::ofstream(Root / "bin" / "hmserv") << "#!/bin/sh\necho $$ > \"$1/../hmserv.pid\"\nexec sleep 60\n";
    fs::permissions(Root / "bin" / "hmserv", fs::perms::owner_all);
    fs::create_directories(Db->Folder / "Temp");
    std::ofstream(Db->Folder / "Temp" / "REQ1.txt") << "waiting";
    Db->Recorder.Clear();
  }
  void TearDown() override {
    View.reset();
    delete App;
    Application = nullptr;
    fs::remove_all(Root);
  }
  void MakeView() {
    TViewOptions options;
    options.Transport = &Db->Recorder;
    options.ProgramFolder = Root.string() + "/";
    View = std::make_unique<TView>(nullptr, options);
  }
  // The launcher's process id once it has written it (0 when it never ran).
  pid_t LauncherPid() {
    for (int i = 0; i < 100; ++i) {
      std::ifstream in(Root / "hmserv.pid");
      pid_t pid = 0;
      if (in >> pid) return pid;
      Loop->ProcessMessages(20);
    }
    return 0;
  }
  std::vector<std::string> Verbs() { return Db->Recorder.Verbs(); }

  TApplication* App = nullptr;
  TPollEventLoop* Loop = nullptr;
  fs::path Root;
  std::unique_ptr<TServedDatabase> Db;
  std::unique_ptr<TView> View;
};

}  // namespace

TEST_F(ViewTest, GivingUpTheLoginEndsTheProgramWithoutSavingAndStopsTheServer) {
  MakeView();
  const pid_t launcher = LauncherPid();
  ASSERT_GT(launcher, 0) << "the window did not start the local web server";
  {
    TCheckedModalScript script;
    script.ExpectForm("Login", [](TCustomForm& f) { dynamic_cast<TPasswordForm&>(f).ExitBTN->Click(); });
    View->DatabaseLogin();
  }
  EXPECT_TRUE(App->QuitPending());
  EXPECT_FALSE(View->LoginFlag);
  // Nothing went to the server, the web server is gone and its hand-over folder is empty.
  EXPECT_TRUE(Db->Recorder.Requests.empty());
  EXPECT_NE(::kill(launcher, 0), 0);
  EXPECT_TRUE(fs::is_empty(Db->Folder / "Temp"));
  // A close that comes afterwards saves nothing from the freed buffers.
  bool canClose = false;
  View->FormCloseQuery(canClose);
  EXPECT_TRUE(canClose);
  EXPECT_TRUE(Db->Recorder.Requests.empty());
}

TEST_F(ViewTest, ANameTheServerCannotTakeIsRefusedUnsentAndTheWindowStaysOpen) {
  MakeView();
  TCheckedModalScript script;
  script.ExpectForm("Login", [&](TCustomForm& f) {
    auto& form = dynamic_cast<TPasswordForm&>(f);
    form.Database->SetText("a;b");
    form.LoginBtn->Click();
    EXPECT_EQ(form.ModalResult(), mrNone);
    form.Database->SetText("Nowhere");
    form.LoginBtn->Click();
    EXPECT_EQ(form.ModalResult(), mrNone);
    form.ExitBTN->Click();
  });
  script.ExpectMessage("may not hold", mrOk);
  script.ExpectMessage("The selected database could not be found.", mrOk);
  View->DatabaseLogin();
  EXPECT_EQ(Verbs(), (std::vector<std::string>{"HANDSHAKE"}));
  EXPECT_EQ(Db->Recorder.Requests[0].UserAgent, "HANDSHAKE:Nowhere");
}

TEST_F(ViewTest, CreateDemoStartsFromTheNameTypedInTheLoginWindow) {
  MakeView();
  std::string Shown, Created, Updated;
  TCheckedModalScript script;
  script.ExpectForm("Login", [&](TCustomForm& f) {
    auto& form = dynamic_cast<TPasswordForm&>(f);
    form.Today = [] { return EncodeDate(2026, 12, 11); };
    form.Database->SetText("  Stamps ");
    // (The oval button's click by the mouse is the X test's.)
    form.CreateBtnClick(nullptr);
    form.ExitBTN->Click();
  });
  script.ExpectForm("Please enter database information:", [&](TCustomForm& f) {
    auto& info = dynamic_cast<TDatabaseInformationForm&>(f);
    Shown = info.DatabaseName->Text();
    Created = info.DateCreated->Text();
    Updated = info.DateUpdated->Text();
    info.CancelBtn->Click();
  });
  View->DatabaseLogin();
  EXPECT_EQ(Shown, "Stamps");
  // The dates are in the records' format, not as they are stored.
  EXPECT_EQ(Created, "12/11/2026");
  EXPECT_EQ(Updated, "12/11/2026");
  EXPECT_EQ(script.Remaining(), 0);
}

TEST_F(ViewTest, TheLoginFitsTheWindowToTheDefinitionAndShowsTheFirstRecord) {
  MakeView();
  {
    TCheckedModalScript script;
    ExpectLogin(script, "Demo");
    View->DatabaseLogin();
  }
  ASSERT_TRUE(View->LoginFlag);
  EXPECT_EQ(Verbs(), (std::vector<std::string>{"HANDSHAKE", "HANDSHAKE", "USERLIST", "CL", "CL", "CL", "F"}));
  EXPECT_EQ(App->Title(), "Quillon Server");
  EXPECT_EQ(View->Caption(), "Quillon Server");
  EXPECT_EQ(View->Session->DatabaseName, "Demo");
  // Captions, labels and the grid columns come from the definition.
  TTemplateData definition(GetDatabaseFileName(Root.string() + "/"));
  for (int page = 0; page < 7; ++page)
    EXPECT_EQ(View->RecordBook->Pages(page)->Caption(), definition.AttributeA(page + 2));
  EXPECT_EQ(View->CheckBox1->Caption(), definition.CheckBoxCaptions()[0]);
  EXPECT_EQ(View->sn[1]->Caption(), "Maker");
  EXPECT_EQ(View->OtherC[3]->Caption(), "E-mail");
  EXPECT_EQ(View->DirGrid->ColCount(), definition.Grid3ColumnCount() + 1);
  EXPECT_EQ(View->DirGrid->Cells(0, 0), "LINE ID");
  EXPECT_EQ(View->DirGrid->Cells(1, 0), definition.Grid3Columns()[0][0]);
  EXPECT_EQ(View->Grid3DataSummary->Caption(), View->RecordBook->Pages(2)->Caption() + " Summary");
  // No grid column names an e-mail address; one other field is of the kind "email address".
  EXPECT_FALSE(View->EmailGrid3Btn->Visible());
  EXPECT_FALSE(View->EmailGrid4Btn->Visible());
  EXPECT_TRUE(View->Email1->Visible());
  EXPECT_EQ(View->Email1->Caption(), "Generate E-mail");
  EXPECT_FALSE(View->Email2->Visible());
  EXPECT_FALSE(View->Email3->Visible());
  EXPECT_EQ(View->EmailFields[0], 24);
  // Date fields are read-only (the date picker edits them), the others editable.
  EXPECT_TRUE(View->Other[0]->ReadOnly());
  EXPECT_FALSE(View->Other[2]->ReadOnly());
  EXPECT_FALSE(View->Detail[1]->ReadOnly());
  EXPECT_FALSE(View->InsertRecordTBtn->Enabled());
  EXPECT_FALSE(View->SearchandReplace1->Visible());
  EXPECT_FALSE(View->ImportData1->Visible());
  // The first record is on the screen.
  EXPECT_FALSE(View->number->Text().empty());
  EXPECT_EQ(View->number->Text(), View->Logic->Number());
  EXPECT_EQ(View->RecordName->Text(), "Untitled");
  EXPECT_EQ(View->ItemList->Items().Count(), 100);
  EXPECT_EQ(View->ItemList->Items()[0]->Caption(), "Box");
  // The description menus hold the definition's values under their two commands.
  TMenuItem* menu = View->DescMenu[0]->Items();
  ASSERT_GE(menu->Count(), 3);
  EXPECT_EQ(menu->Items(0)->Caption(), "ADD NEW " + UpperCase(View->Desc[0]->Caption()) + " CATEGORY");
  EXPECT_EQ(menu->Items(1)->Caption(), "CLEAR FIELD");
  EXPECT_EQ(menu->Items(2)->Caption(), "Art:Paintings, prints and sculpture");
  // Choosing a nested value puts its full name into the field, the entry first.
  TMenuItem* countries = View->DescMenu[2]->Items();
  ASSERT_GE(countries->Count(), 3);
  ASSERT_GE(countries->Items(2)->Count(), 1);
  countries->Items(2)->Items(0)->Click();
  EXPECT_EQ(View->Logic->DescriptionValue(2), "France:France : Europe:Europe");
  EXPECT_EQ(View->DescEdit[2]->Text(), View->Logic->ReturnDescriptionValue("France:France : Europe:Europe"));
}

// The server address of the last login is offered at the next start when it is another
// machine's (an address of this machine gives way to the local web server's: the unit test of
// the login address).
TEST_F(ViewTest, TheLoginWindowOffersTheRememberedServerOfAnotherMachine) {
  MakeView();
  const std::string Other = "http://files.example.org:6777/database/qnserver.exe";
  OpenSettingsKey()->WriteString("SETTINGS", "SERVER", Other);
  std::string Offered;
  TCheckedModalScript script;
  script.ExpectForm("Login", [&](TCustomForm& f) {
    Offered = dynamic_cast<TPasswordForm&>(f).Server->Text();
    dynamic_cast<TPasswordForm&>(f).ExitBTN->Click();
  });
  View->DatabaseLogin();
  EXPECT_EQ(Offered, Other);
}

TEST_F(ViewTest, TheActivationThatFollowsTheLoginWindowStartsNoSecondLogin) {
  MakeView();
  TCheckedModalScript script;
  // The main window is activated again while the login window closes.
  ExpectLogin(script, "Demo", [this](TPasswordForm&) { View->Activated(true); });
  View->Show();
  View->Activated(true);
  View->Activated(true);
  for (int i = 0; i < 5; ++i) Loop->ProcessMessages(0);
  EXPECT_TRUE(View->LoginFlag);
  EXPECT_EQ(script.Remaining(), 0);
  const std::vector<std::string> verbs = Verbs();
  EXPECT_EQ(std::count(verbs.begin(), verbs.end(), "HANDSHAKE"), 2);
}

TEST_F(ViewTest, ADetailTypedSurvivesNewPreviousAndNextAndTheCloseRunsInOrder) {
  MakeView();
  const pid_t launcher = LauncherPid();
  {
    TCheckedModalScript script;
    ExpectLogin(script, "Demo");
    View->DatabaseLogin();
  }
  ASSERT_TRUE(View->LoginFlag);
  View->Detail[1]->SetText("Alpha");
  const std::string first = View->number->Text();
  View->NewRecordTBtn->Click();
  const std::string second = View->number->Text();
  ASSERT_NE(first, second);
  EXPECT_EQ(View->Detail[1]->Text(), "");
  View->Detail[1]->SetText("Beta");
  View->Other[2]->SetText("Someone");
  View->PreviousTBtn->Click();
  EXPECT_EQ(View->number->Text(), first);
  EXPECT_EQ(View->Detail[1]->Text(), "Alpha");
  View->NextTBtn->Click();
  EXPECT_EQ(View->number->Text(), second);
  EXPECT_EQ(View->Detail[1]->Text(), "Beta");
  EXPECT_EQ(View->Other[2]->Text(), "Someone");

  // The close: the record saved, the configuration sent, the index rebuilt, the server stopped.
  Db->Recorder.Clear();
  View->Detail[1]->SetText("Gamma");
  View->Close();
  EXPECT_EQ(Verbs(), (std::vector<std::string>{"S" + second, "CS", "Y"}));
  EXPECT_NE(::kill(launcher, 0), 0);
  EXPECT_TRUE(fs::is_empty(Db->Folder / "Temp"));
  // What was typed last is on the server.
  TClientRequest get;
  get.UserAgent = "G" + second + ":Demo";
  get.URL = "http://127.0.0.1:6777/database/qnserver.exe";
  ItemRecord stored;
  ASSERT_TRUE(ReadRecordStream(Db->Server.Send(get), stored));
  EXPECT_EQ(stored.Details[1], "Gamma");
  EXPECT_EQ(stored.Others[2], "Someone");
}

// A record shown again sets only the editors whose text differs: one that keeps its text is not
// emptied and filled again (each change would be painted).
TEST_F(ViewTest, ShowingARecordChangesOnlyTheEditorsWhoseTextDiffers) {
  MakeView();
  {
    TCheckedModalScript script;
    ExpectLogin(script, "Demo");
    View->DatabaseLogin();
  }
  ASSERT_TRUE(View->LoginFlag);
  View->RecordName->SetText("Kept name");
  View->Detail[1]->SetText("Kept");
  View->Detail[2]->SetText("Old");
  View->CheckBox1->SetChecked(true);
  ASSERT_TRUE(View->Logic->SaveRecord(View->Logic->Buffers.Current, true));
  View->Detail[2]->SetText("Typed, not saved");
  std::map<std::string, int> Changes;
  auto Count = [&](TEdit* Edit, const std::string& Name) {
    Edit->OnChange = [&Changes, Name](TObject*) { ++Changes[Name]; };
  };
  Count(View->RecordName, "name");
  Count(View->Detail[1], "detail 1");
  Count(View->Detail[2], "detail 2");
  ASSERT_TRUE(View->Logic->GetRecord("G" + View->number->Text()));
  EXPECT_EQ((std::map<std::string, int>{{"detail 2", 1}}), Changes);
  EXPECT_EQ(View->RecordName->Text(), "Kept name");
  EXPECT_EQ(View->Detail[1]->Text(), "Kept");
  EXPECT_EQ(View->Detail[2]->Text(), "Old");
  EXPECT_TRUE(View->CheckBox1->Checked());
}

TEST_F(ViewTest, AFailedSaveKeepsTheEditAndTheRecordOnTheScreen) {
  MakeView();
  {
    TCheckedModalScript script;
    ExpectLogin(script, "Demo");
    View->DatabaseLogin();
  }
  const std::string first = View->number->Text();
  View->Detail[1]->SetText("Kept");
  Db->Recorder.Fail = true;
  {
    TCheckedModalScript script;
    script.ExpectMessage("There was a problem with the request.", mrOk);
    View->NextTBtn->Click();
  }
  EXPECT_EQ(View->number->Text(), first);
  EXPECT_EQ(View->Detail[1]->Text(), "Kept");
  EXPECT_EQ(View->Status->Caption(), "Ready");
}

TEST_F(ViewTest, EveryControlStaysInsideTheWindowAtEverySize) {
  MakeView();
  // The smallest size asked for gives the window its least size, where everything still fits.
  for (auto [w, h] : {std::pair{634, 482}, std::pair{900, 700}, std::pair{300, 200}}) {
    View->SetBounds(0, 0, w, h);
    EXPECT_GE(View->Width(), 620);
    EXPECT_GE(View->Height(), 470);
    const TRect client = View->ClientRect();
    // Each visible control lies inside its parent, up to the window.
    for (int i = 0; i < View->ComponentCount(); ++i) {
      auto* c = dynamic_cast<TControl*>(View->Components(i));
      if (!c || !c->Visible() || !c->Parent() || c == View->DescriptionTree) continue;
      const TWinControl* parent = c->Parent();
      if (dynamic_cast<const TTabSheet*>(parent) && !dynamic_cast<const TTabSheet*>(parent)->Visible()) continue;
      const TRect p = parent->ClientRect();
      EXPECT_GE(c->Left(), 0) << c->Name() << " at " << w << "x" << h;
      EXPECT_GE(c->Top(), 0) << c->Name() << " at " << w << "x" << h;
      EXPECT_LE(c->Left() + c->Width(), p.Width() + 1) << c->Name() << " at " << w << "x" << h;
      EXPECT_LE(c->Top() + c->Height(), p.Height() + 1) << c->Name() << " at " << w << "x" << h;
    }
    EXPECT_LE(View->RecordBook->Top() + View->RecordBook->Height(), View->StatusPanel->Top());
    EXPECT_EQ(View->RecordBook->Width(), std::max(200, client.Width() - 17));
  }
}
