// The client's logic against the real server stack: the installation's bin/hmserv started by the
// client's own launcher on a free loopback port, the web server below it, and the server program
// with its resident instance; every request goes over HTTP through the client's HTTP client.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "client/core/local_server.h"
#include "client/core/data_import.h"
#include "client/core/grid_lines.h"
#include "client/core/login_logic.h"
#include "client/core/record_fields.h"
#include "client/core/replace_logic.h"
#include "controls/grid/qn_grid.h"
#include "platform/ui/shell.h"
#include "client/core/record_window.h"
#include "net/http_client.h"
#include "platform/headless/event_loop_poll.h"
#include "platform/headless/headless_peer.h"
#include "tests/client/core/client_fixture.h"
#include "tests/loopback_listener.h"

namespace {

int FreePort() {
  const TLoopbackListener L = OpenLoopbackListener();
  ::close(L.Fd);
  return L.Port;
}



// An installation folder R with the web server launcher, the server program and the shipped
// definition, and the HTTP client of a record window.
class ClientStackTest : public ::testing::Test {
protected:
  void SetUp() override {
    InstallHeadlessBackend();
    SetCurrentEventLoop(&Loop);
    R = TestFolder("e2e");
    Folder = R.string() + "/";
    fs::create_directories(R / "bin");
    fs::create_directories(R / "Data" / "database");
    fs::create_directories(R / "run");
    ::chmod((R / "run").c_str(), 0700);
    ::setenv("XDG_RUNTIME_DIR", (R / "run").c_str(), 1);
    fs::copy_file(fs::path(QN_SOURCE_DIR) / "bin" / "hmserv", R / "bin" / "hmserv");
    Program = (R / "Data" / "database" / "qnserver.exe").string();
    fs::copy_file(QN_SERVER_PROGRAM, Program);
    for (const char* Ext : {".set", ".atr"})
      fs::copy_file(DefinitionFolder() / (std::string("General") + Ext),
                    R / "Data" / "database" / (std::string("General") + Ext));
    Port = FreePort();
    StartServer();
  }
  void TearDown() override {
    Server.Stop();
    TLocalServer::WaitForServerProgramEnd(Folder, 5000);
    SetCurrentEventLoop(nullptr);
    fs::remove_all(R);
  }
  void StartServer() {
    ASSERT_TRUE(Server.Start(Folder, Port));
    ASSERT_TRUE(TLocalServer::WaitUntilAnswering(Port, 5000)) << "the web server did not start";
  }
  // A client of the stack: its HTTP client, transport, session and record window.
  struct TClient {
    explicit TClient(ClientStackTest& T) : Transport(Web), Session(Transport), Window(Session, View) {
      Web.SetTimeOut(30);
      Session.ServerURL = TLocalServer::ServerURL(T.Port);
      Session.ScratchFolder = T.Folder + "Work/";
    }
    TNetHTTPClient Web;
    THttpTransport Transport;
    TServerSession Session;
    TModelView View;
    TRecordWindow Window;
  };
  // Creates the database "Demo" from the shipped definition and logs the client in.
  void CreateAndLogIn(TClient& C) {
    TLoginLogic Login(C.Session);
    {
      TCheckedModalScript Script;
      Script.ExpectMessage("Demo database created.", mrOk);
      TNewDatabase New{"Demo", "Tester", "A demo", "General", "2026/12/01", "2026/12/09"};
      ASSERT_EQ(Login.CreateDatabase(New, Folder + "Data/database/General", Folder), "Demo");
    }
    LogIn(C);
  }
  void LogIn(TClient& C) {
    TLoginLogic Login(C.Session);
    ASSERT_EQ(Login.Login("Demo"), 1);
    ASSERT_TRUE(C.Window.OpenDatabase(nullptr));
  }

  TPollEventLoop Loop{false};
  fs::path R;
  std::string Folder;
  std::string Program;
  int Port = 0;
  TLocalServer Server;
};

// Types a value into every kind of field the record window edits.
void FillRecord(TModelView& V, TRecordWindow& W, const std::string& Tag) {
  V.Editors.Name = "Name " + Tag;
  W.RecordChange();
  for (int i = 1; i < 10; ++i) {  // detail 1 counts the records
    V.Editors.Details[i] = "Detail " + std::to_string(i) + " " + Tag;
    W.Detail8Change(i);
  }
  for (int i = 0; i < 6; ++i) {
    V.Editors.Others[i] = "Other " + std::to_string(i) + " " + Tag;
    W.OtherChange(21 + i);
  }
  W.ChooseDescriptionValue(0, "NY:New York " + Tag);
  W.ChooseDescriptionValue(9, TRecordWindow::MenuPathValue({"Colour", "Red " + Tag}));
  V.Editors.Checks = {true, false, true};
  for (int i = 1; i <= 3; ++i) W.CheckBoxClick(i);
  V.Editors.Memos[0] = {"memo one " + Tag, "second line"};
  V.Editors.Memos[2] = {"memo three " + Tag};
  W.Memo1Change();
  W.Memo3Change();
  V.Editors.ItemNames[4] = "item " + Tag;
  V.Editors.ItemValues[4] = "value " + Tag;
  V.Editors.ItemChecks[4] = true;
  W.ItemListChange(4);
  V.Editors.RichText = "{\\rtf1\\ansi rich " + Tag + "}";
  W.DetailChangeClick();
}

void ExpectFilled(const ItemRecord& R, const std::string& Tag) {
  EXPECT_EQ(R.Name, "Name " + Tag);
  for (int i = 1; i < 10; ++i) EXPECT_EQ(R.Details[i], "Detail " + std::to_string(i) + " " + Tag);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(R.Others[i], "Other " + std::to_string(i) + " " + Tag);
  EXPECT_EQ(R.Descriptions[0], "NY:New York " + Tag);
  EXPECT_EQ(R.Descriptions[9], "Red " + Tag + " : Colour");
  EXPECT_EQ(R.Checks, (std::array<bool, 3>{true, false, true}));
  EXPECT_EQ(R.Memos[0], (std::vector<std::string>{"memo one " + Tag, "second line"}));
  EXPECT_EQ(R.Memos[2], std::vector<std::string>{"memo three " + Tag});
  EXPECT_EQ(R.ItemNames[4], "item " + Tag);
  EXPECT_EQ(R.ItemValues[4], "value " + Tag);
  EXPECT_TRUE(R.ItemChecks[4]);
  EXPECT_EQ(R.RichText, "{\\rtf1\\ansi rich " + Tag + "}");
}

}  // namespace

TEST_F(ClientStackTest, CreateEditStepCloseAndComeBack) {
  std::string First, Second;
  {
    TClient C(*this);
    CreateAndLogIn(C);
    First = C.Window.Number();
    FillRecord(C.View, C.Window, "one");
    C.Window.NewRecordClick();
    Second = C.Window.Number();
    ASSERT_NE(Second, First);
    FillRecord(C.View, C.Window, "two");
    C.Window.PreviousClick();
    EXPECT_EQ(C.Window.Number(), First);
    ExpectFilled(C.View.Editors, "one");
    {
      TCheckedModalScript Script;
      Script.ExpectMessage("You are already viewing the last record.", mrOk);
      C.Window.nextClick();
      C.Window.nextClick();
    }
    ExpectFilled(C.View.Editors, "two");
    // The server program answers through its resident instance, which the close must end.
    EXPECT_GE(TLocalServer::ServerProgramInstances(Folder), 1);
    bool Stopped = false;
    C.Window.CloseSequence({nullptr, nullptr, nullptr, [&] {
                              Server.Stop();
                              Stopped = true;
                            }});
    ASSERT_TRUE(Stopped);
  }
  // Nothing of the stack is left: no web server, no resident instance, no hand-over file.
  EXPECT_FALSE(Server.Running());
  EXPECT_FALSE(TLocalServer::Answers(Port));
  EXPECT_TRUE(TLocalServer::WaitForServerProgramEnd(Folder, 5000));
  const auto HandOver = TLocalServer::HandOverFolders(Folder);
  ASSERT_EQ(HandOver.size(), 1u);
  // No file of the hand-over is left; the owners' doorbell folder may stay, empty.
  for (const auto& Entry : fs::recursive_directory_iterator(HandOver[0]))
    EXPECT_TRUE(Entry.is_directory()) << Entry.path() << " was left behind";

  // Start again and log in: everything is there as typed.
  StartServer();
  TClient C(*this);
  LogIn(C);
  EXPECT_EQ(C.Window.Number(), First);
  ExpectFilled(C.View.Editors, "one");
  C.Window.nextClick();
  EXPECT_EQ(C.Window.Number(), Second);
  ExpectFilled(C.View.Editors, "two");
  EXPECT_EQ(C.Window.Buffers.Configuration.DatabaseInfo[diUDate].size(), 10u);
  EXPECT_EQ(C.Window.Buffers.Configuration.DatabaseInfo[diFileCode].size(), 10u);
}

TEST_F(ClientStackTest, IdleRefreshBringsTheOtherClientsChange) {
  TClient A(*this);
  CreateAndLogIn(A);
  TClient B(*this);
  LogIn(B);
  ASSERT_EQ(A.Window.Number(), B.Window.Number());
  B.Window.SetEditIdle(30);
  B.View.Editors.Details[7] = "B, not saved yet";
  B.Window.Detail8Change(7);
  A.View.Editors.Details[6] = "from A";
  A.Window.Detail8Change(6);
  A.Window.IdleRefreshBtnClick();
  for (int i = 0; i < 29; ++i) B.Window.IdleRefreshTimer();
  EXPECT_EQ(B.View.Editors.Details[6], "");
  B.Window.IdleRefreshTimer();
  EXPECT_EQ(B.View.Editors.Details[6], "from A");
  EXPECT_EQ(B.View.Editors.Details[7], "B, not saved yet");
  A.Window.IdleRefreshBtnClick();
  EXPECT_EQ(A.View.Editors.Details[7], "B, not saved yet");
  EXPECT_EQ(A.View.Editors.Details[6], "from A");
}

TEST_F(ClientStackTest, ServerGoneInTheMiddleOfAnEdit) {
  TClient C(*this);
  CreateAndLogIn(C);
  const std::string Code = C.Window.Number();
  C.View.Editors.Details[2] = "typed while the server was away";
  C.Window.Detail8Change(2);
  Server.Stop();
  {
    TCheckedModalScript Script;
    Script.ExpectMessage(TRecordWindow::RequestProblemText, mrOk);
    C.Window.NewRecordClick();
  }
  EXPECT_EQ(C.Window.Number(), Code);
  EXPECT_EQ(C.View.Editors.Details[2], "typed while the server was away");
  StartServer();
  C.Window.NewRecordClick();
  EXPECT_NE(C.Window.Number(), Code);
  C.Window.PreviousClick();
  EXPECT_EQ(C.Window.Number(), Code);
  EXPECT_EQ(C.View.Editors.Details[2], "typed while the server was away");
}

// The web server ends on its own (its program killed): the client that started it starts it again
// at its next request, which is answered; a second client's start on the same port, which cannot
// take the port, leaves the running web server whole, and that client's first command through it
// is answered.  A stopped server stays stopped.
TEST_F(ClientStackTest, AWebServerThatWentIsStartedAgainAtTheNextRequest) {
  TClient C(*this);
  C.Session.BeforeSend = [this](const std::string& URL) { Server.Revive(URL); };
  CreateAndLogIn(C);
  const std::string First = C.Window.Number();
  C.Window.NewRecordClick();
  const std::string Second = C.Window.Number();
  ASSERT_NE(Second, First);
  // The web server itself goes (the launcher goes with it).
  const std::string Run = (R / "run").string();
  int Killed = 0;
  for (const auto& Entry : fs::directory_iterator("/proc")) {
    std::ifstream In(Entry.path() / "cmdline");
    std::string Cmd((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
    const std::string Program = Cmd.substr(0, Cmd.find('\0'));
    if (fs::path(Program).filename() == "lighttpd" && Cmd.find(Run) != std::string::npos) {
      ::kill(std::stoi(Entry.path().filename().string()), SIGKILL);
      ++Killed;
    }
  }
  ASSERT_EQ(Killed, 1);
  for (int i = 0; i < 200 && Server.Running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(25));
  ASSERT_FALSE(Server.Running());
  ASSERT_FALSE(TLocalServer::Answers(Port));
  C.View.Editors.Details[2] = "typed after the web server went";
  C.Window.Detail8Change(2);
  {
    TCheckedModalScript Script;  // no box: the save and the fetch are answered
    C.Window.PreviousClick();
  }
  EXPECT_EQ(C.Window.Number(), First);
  EXPECT_TRUE(Server.Running());
  // A second client starts its own web server on the taken port, which ends, and logs in through
  // the running one; that one still takes a save.
  TLocalServer Other;
  ASSERT_TRUE(Other.Start(Folder, Port));
  for (int i = 0; i < 400 && Other.Running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(25));
  ASSERT_FALSE(Other.Running());
  {
    TClient B(*this);
    B.Session.BeforeSend = [&Other](const std::string& URL) { Other.Revive(URL); };
    TCheckedModalScript Script;
    LogIn(B);
    EXPECT_EQ(B.Window.Number(), First);
    EXPECT_FALSE(Other.Running()) << "a second web server was started over the running one";
  }
  // An upload large enough to be spooled by the web server still goes through.
  const std::string Big = (R / "big.txt").string();
  std::ofstream(Big) << std::string(900000, 'x');
  EXPECT_TRUE(C.Session.SendFile(Big, "RS", C.Window.Number()));
  {
    TCheckedModalScript Script;
    C.Window.nextClick();
  }
  EXPECT_EQ(C.Window.Number(), Second);
  EXPECT_EQ(C.View.Editors.Details[2], "typed after the web server went");
  // Stopped at the close: the next request does not bring it back.
  Server.Stop();
  EXPECT_FALSE(Server.Revive(TLocalServer::ServerURL(Port)));
  EXPECT_FALSE(Server.Running());
  Other.Stop();
}

// Fields, pictures, the attachment, a linked grid 3 line, search and replace and the import over
// HTTP through the real web server and server program.
TEST_F(ClientStackTest, FieldsPicturesLinesReplaceAndImport) {
  TClient C(*this);
  CreateAndLogIn(C);
  TRecordWindow& W = C.Window;
  TRecordFields Fields(W);
  // A quantity click adds through "Add"; the field shows what the server stored.
  C.View.Editors.Details[7] = "4";
  W.Detail8Change(7);
  ASSERT_TRUE(W.SaveRecord(W.Buffers.Current, true));
  ASSERT_TRUE(Fields.AddQuantity(7, 6));
  EXPECT_EQ(C.View.Editors.Details[7], "10");
  // 1,000,000 bytes upload; 1,000,001 are refused with the message.
  fs::create_directories(R / "pics");
  std::ofstream(R / "pics" / "exact.bin", std::ios::binary) << std::string(1000000, 'a');
  std::ofstream(R / "pics" / "over.bin", std::ios::binary) << std::string(1000001, 'a');
  EXPECT_TRUE(Fields.SelectPicture(4, (R / "pics" / "exact.bin").string()));
  {
    TCheckedModalScript Script;
    Script.ExpectMessage("Sorry, the selected image is too large.", mrOk);
    EXPECT_FALSE(Fields.SelectPicture(5, (R / "pics" / "over.bin").string()));
  }
  // A JPEG, a GIF and a PCX come back, show and fit.
  const std::string Make = "/usr/bin/python3 -c \"from PIL import Image\nfor f, s in (('a.jpg', (600, 300)), "
                           "('b.gif', (300, 600)), ('c.pcx', (400, 400))): Image.new('RGB', s, (10, 200, 90)).save('" +
                           (R / "pics").string() + "/' + f)\"";
  ASSERT_EQ(std::system(Make.c_str()), 0);
  const char* Names[] = {"a.jpg", "b.gif", "c.pcx"};
  const int Sizes[][2] = {{400, 200}, {100, 200}, {200, 200}};
  for (int n = 0; n < 3; ++n) {
    ASSERT_TRUE(Fields.SelectPicture(n + 1, (R / "pics" / Names[n]).string())) << Names[n];
    TPictureShow S = Fields.DisplayPicture(n + 1, true, 400, 200);
    ASSERT_EQ(S.State, TPictureShow::Shown) << Names[n];
    EXPECT_EQ(S.Bitmap->Width(), Sizes[n][0]) << Names[n];
    EXPECT_EQ(S.Bitmap->Height(), Sizes[n][1]) << Names[n];
  }
  // An attached file opens through the shell.
  std::ofstream(R / "pics" / "notes.txt") << "attached";
  ASSERT_TRUE(Fields.SelectResume((R / "pics" / "notes.txt").string(), "Notes"));
  {
    TCheckedModalScript Script;
    Script.ExpectShell("notes.txt", mrOk);
    EXPECT_TRUE(Fields.ViewResume("notes.txt", true, "Notes"));
  }
  // A grid 3 line with an "add" column changes its linked detail on the server.
  TGridLineCommands Lines(W);
  TLineCommandInput In;
  In.RecordCode = W.Number();
  In.GridNumber = 3;
  In.Grid = {{"LINE ID", "Date", "Event", "Place", "Value", "Note"}, {"", "", "", "", "", ""}};
  In.Defs[3] = {"Value", "money", "add", W.Buffers.Configuration.DetailNames[9]};
  In.FieldNumber = [&](const std::string& Caption) { return W.ReturnFieldString(Caption); };
  Lines.GridInput = [&](int) { return In; };
  ASSERT_TRUE(Lines.SendRowEditor(3, -1, {"NEW", "", "Bought", "", "25", ""}));
  ASSERT_TRUE(W.GetRecord("G" + W.Number()));
  EXPECT_EQ(C.View.Editors.Details[9], "25");
  EXPECT_EQ(C.View.Editors.Grid3Rows, 3);
  // Search and replace changes the records it should (checked with "G").
  C.View.Editors.Details[2] = "grey box";
  W.Detail8Change(2);
  TReplaceChecks Checks(ReplaceFieldList(W.Buffers.Configuration));
  {
    TCheckedModalScript Script;
    Script.ExpectMessage("will be replaced by", mrYes);
    Script.ExpectMessage("1 replacement was made.", mrOk);
    SearchandReplace(W, [&] {
      TReplaceChoice Choice;
      Checks.OKBtnClick(W.Buffers.Configuration.DetailNames[2], "grey", "red", Choice);
      return Choice;
    });
  }
  EXPECT_EQ(C.View.Editors.Details[2], "red box");
  // A CSV and an HTML table create their records.
  std::ofstream(R / "pics" / "in.csv") << "From CSV\r\n";
  TQnStringGrid Grid(nullptr);
  TImportLogic Import(C.Session, Grid);
  const auto Menu = ImportFieldMenu(W.Buffers.Configuration, "Name");
  {
    TCheckedModalScript Script;
    Script.ExpectMessage("Import Succesful !", mrOk);
    Script.ExpectMessage("Import Succesful !", mrOk);
    ASSERT_TRUE(Import.LoadFile((R / "pics" / "in.csv").string()));
    Import.SelectField(0, Menu[21]);
    EXPECT_TRUE(Import.PerformImport());
    std::vector<std::string> Html{"<table><tr><td>From HTML</td></tr></table>"};
    ASSERT_TRUE(Import.LoadHtml(Html, Folder));
    Import.SelectField(0, Menu[21]);
    EXPECT_TRUE(Import.PerformImport());
  }
  std::vector<std::string> Names2;
  ASSERT_TRUE(W.GetRecord("F"));
  for (int i = 0; i < 10; ++i) {
    Names2.push_back(C.View.Editors.Name);
    const std::string Code = W.Number();
    W.nextClick();
    if (W.Number() == Code) break;
  }
  EXPECT_NE(std::find(Names2.begin(), Names2.end(), "From CSV"), Names2.end());
  EXPECT_NE(std::find(Names2.begin(), Names2.end(), "From HTML"), Names2.end());
}
