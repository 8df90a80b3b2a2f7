// The record window's logic against the real dispatcher in-process, with every request recorded:
// the order of the requests of each command, what the server stores, and what a failure keeps.
#include "client/core/record_window.h"

#include <gtest/gtest.h>

#include <set>

#include "client/core/login_logic.h"
#include "platform/headless/event_loop_poll.h"
#include "platform/headless/headless_peer.h"
#include "platform/rtl/date_time.h"
#include "tests/client/core/client_fixture.h"

namespace {

using Verbs = std::vector<std::string>;

class RecordWindowTest : public ::testing::Test {
protected:
  void SetUp() override {
    InstallHeadlessBackend();
    Root = TestFolder("window");
    Served = std::make_unique<TServedDatabase>(Root);
    Window = std::make_unique<TRecordWindow>(Served->Session, View);
  }
  void TearDown() override {
    Window.reset();
    Served.reset();
    fs::remove_all(Root);
  }
  TRecordingTransport& Recorder() { return Served->Recorder; }
  TServerSession& Session() { return Served->Session; }
  // Logs in and shows the first record; the recorder starts empty afterwards.
  void Open() {
    ASSERT_TRUE(Window->OpenDatabase(nullptr));
    Recorder().Clear();
  }
  // The record with this code as the server holds it now.
  ItemRecord Stored(const std::string& Code) {
    TServerSession S(Served->Server);
    S.DatabaseName = Session().DatabaseName;
    ItemRecord R;
    EXPECT_TRUE(ReadRecordStream(S.Get("G" + Code), R));
    return R;
  }
  // The user types into detail i.
  void TypeDetail(int i, const std::string& Text) {
    View.Editors.Details[i] = Text;
    Window->Detail8Change(i);
  }

  fs::path Root;
  std::unique_ptr<TServedDatabase> Served;
  TModelView View;
  std::unique_ptr<TRecordWindow> Window;
};

}  // namespace

TEST_F(RecordWindowTest, LoginAndFirstRecord) {
  TLoginLogic Login(Session());
  Session().DatabaseName.clear();
  {
    TCheckedModalScript Script;
    Script.ExpectMessage("The selected database could not be found.", mrOk);
    EXPECT_EQ(Login.Login("Nothing"), 0);
  }
  EXPECT_EQ(Recorder().Commands(), Verbs{"HANDSHAKE:Nothing"});
  EXPECT_EQ(Session().DatabaseName, "");
  Recorder().Clear();
  EXPECT_EQ(Login.Login("Demo"), 1);
  EXPECT_EQ(Recorder().Commands(), (Verbs{"HANDSHAKE:Demo", "HANDSHAKE:Demo", "USERLIST:Demo"}));
  EXPECT_EQ(Session().DatabaseName, "Demo");

  Recorder().Clear();
  int Fits = 0;
  ASSERT_TRUE(Window->OpenDatabase([&] {
    ++Fits;
    EXPECT_EQ(Recorder().Verbs(), Verbs{"CL"});  // the window is fitted after the first "CL"
  }));
  EXPECT_EQ(Fits, 1);
  EXPECT_EQ(Recorder().Verbs(), (Verbs{"CL", "CL", "CL", "F"}));
  EXPECT_TRUE(Window->LoggedIn());
  EXPECT_EQ(View.Shows, 1);
  EXPECT_EQ(View.Editors.Name, "Untitled");
  EXPECT_EQ(Window->Number().size(), 8u);
  EXPECT_FALSE(View.Shown.DetailNames[0].empty());  // the configuration reached the labels
  EXPECT_FALSE(View.Locked);
  EXPECT_EQ(View.Locks, 1);  // the four requests of the opening locked the window once
}

// The requests of one command keep the windows locked from the first to the last: Next's save,
// configuration and record lock them once.  A message of the command comes with them unlocked.
TEST_F(RecordWindowTest, RequestsOfOneCommandLockTheWindowsOnce) {
  Open();
  TypeDetail(3, "typed");
  std::vector<std::string> Log;
  const THeadlessModalScript* Script = nullptr;
  View.OnEnableForm = [&](bool Enable) {
    Log.push_back(std::string(Enable ? "unlock" : "lock") + " after " + std::to_string(Recorder().Requests.size()) +
                  (Script && Script->Remaining() > 0 ? " before the message" : ""));
  };
  auto NextTelling = [&](const std::string& Message) {
    Log.clear();
    Recorder().Clear();
    TCheckedModalScript Told;
    Script = &Told;
    Told.ExpectMessage(Message, mrOk);
    Window->nextClick();
    Script = nullptr;
  };
  const std::string Number = Window->Number();
  NextTelling("You are already viewing the last record.");
  EXPECT_EQ(Recorder().Verbs(), (Verbs{"S" + Number, "CL", "N" + Number}));
  EXPECT_EQ(Log, (std::vector<std::string>{"lock after 0 before the message", "unlock after 3 before the message"}));
  EXPECT_FALSE(View.Locked);
  // A failed save: unlocked before the message that says so.
  Recorder().Fail = true;
  NextTelling(TRecordWindow::RequestProblemText);
  EXPECT_EQ(Log, (std::vector<std::string>{"lock after 0 before the message", "unlock after 1 before the message"}));
  EXPECT_FALSE(View.Locked);
}

namespace {
// A loop that notes its paint holds and releases, with the requests made by then.
class THoldingLoop : public TPollEventLoop {
public:
  std::function<std::string()> Now;
  std::vector<std::string> Log;
  int Holds = 0;
  void HoldPaints(unsigned BoundMs) override {
    ++Holds;
    Log.push_back("hold " + std::to_string(BoundMs) + " after " + Now());
  }
  void ReleasePaints() override {
    --Holds;
    Log.push_back("release after " + Now());
  }
};
}  // namespace

// A command's screen is painted once, at its end: the paints stay held over its requests, and
// are let go before a question (whose window must show) or at the end.
TEST_F(RecordWindowTest, ACommandHoldsThePaintsOverItsRequestsUntilItEndsOrAsks) {
  Open();
  THoldingLoop Loop;
  TEventLoop* Before = CurrentEventLoop();
  SetCurrentEventLoop(&Loop);
  const THeadlessModalScript* Script = nullptr;
  Loop.Now = [&] {
    return std::to_string(Recorder().Requests.size()) +
           (Script && Script->Remaining() > 0 ? " before the message" : "");
  };
  // Asks: the paints are let go before the message, once.
  auto Telling = [&](const std::string& Message, const std::function<void()>& Command) {
    TCheckedModalScript Told;
    Script = &Told;
    Told.ExpectMessage(Message, mrOk);
    Loop.Log.clear();
    Recorder().Clear();
    Command();
    Script = nullptr;
  };
  Telling("You are already viewing the first record.", [&] { Window->PreviousClick(); });
  EXPECT_EQ(Loop.Log, (std::vector<std::string>{"hold 100 after 0 before the message", "release after 3 before the message"}));
  // Save, configuration, the new record: nothing asked, released at the end.
  Loop.Log.clear();
  Recorder().Clear();
  Window->NewRecordClick();
  EXPECT_EQ(Recorder().Verbs().size(), 3u);
  EXPECT_EQ(Loop.Log, (std::vector<std::string>{"hold 100 after 0", "release after 3"}));
  // A failed request: released before the message that says so.
  Recorder().Fail = true;
  Telling(TRecordWindow::RequestProblemText, [&] { Window->nextClick(); });
  Recorder().Fail = false;
  EXPECT_EQ(Loop.Log, (std::vector<std::string>{"hold 100 after 0 before the message", "release after 1 before the message"}));
  EXPECT_EQ(Loop.Holds, 0);
  SetCurrentEventLoop(Before);
}

TEST_F(RecordWindowTest, LoginRefusesBadNamesAndAbsentServers) {
  TLoginLogic Login(Session());
  TCheckedModalScript Script;
  Script.ExpectMessage("Please enter the name of a database.", mrOk);
  Script.ExpectMessage("may not hold", mrOk);
  Script.ExpectMessage("The selected server could not be located.", mrOk);
  EXPECT_EQ(Login.Login(""), 0);  // no name: a name is asked for, not its characters
  EXPECT_EQ(Login.Login("Demo;x"), 0);
  EXPECT_TRUE(Recorder().Requests.empty());
  Recorder().Fail = true;
  EXPECT_EQ(Login.Login("Demo"), 0);
  EXPECT_EQ(Recorder().Verbs(), (Verbs{"HANDSHAKE", "HANDSHAKE"}));
}

TEST_F(RecordWindowTest, NextAndPreviousSaveFirstAndTellTheEnds) {
  Open();
  const std::string First = Window->Number();
  TypeDetail(0, "ignored: record counter");  // flagged, the server may keep its own
  TypeDetail(3, "typed in the first");
  {
    TCheckedModalScript Script;
    Script.ExpectMessage("You are already viewing the last record.", mrOk);
    Window->nextClick();
  }
  EXPECT_EQ(Recorder().Commands(),
            (Verbs{"S" + First + ":Demo", "CL:Demo", "N" + First + ":Demo"}));
  EXPECT_EQ(Stored(First).Details[3], "typed in the first");

  Recorder().Clear();
  Window->NewRecordClick();
  EXPECT_EQ(Recorder().Verbs(), (Verbs{"S" + First, "CL", "E" + First}));
  const std::string Second = Window->Number();
  EXPECT_NE(Second, First);
  EXPECT_EQ(View.Editors.Details[3], "");
  TypeDetail(3, "typed in the second");
  Window->PreviousClick();
  EXPECT_EQ(Window->Number(), First);
  EXPECT_EQ(View.Editors.Details[3], "typed in the first");
  Window->nextClick();
  EXPECT_EQ(Window->Number(), Second);
  EXPECT_EQ(View.Editors.Details[3], "typed in the second");
  {
    TCheckedModalScript Script;
    Script.ExpectMessage("You are already viewing the first record.", mrOk);
    Window->PreviousClick();
    Window->PreviousClick();
  }
  // Only flagged fields reach the server: an unflagged editor change is not stored.
  View.Editors.Details[5] = "not flagged";
  Window->nextClick();
  EXPECT_EQ(Stored(First).Details[5], "");
}

TEST_F(RecordWindowTest, FailedSaveKeepsTheEditsAndDoesNotMove) {
  Open();
  const std::string First = Window->Number();
  Window->NewRecordClick();
  const std::string Second = Window->Number();
  TypeDetail(2, "precious");
  View.Editors.Name = "Renamed";
  Window->RecordChange();
  Recorder().Clear();
  Recorder().Fail = true;
  {
    TCheckedModalScript Script;
    Script.ExpectMessage(TRecordWindow::RequestProblemText, mrOk);
    Window->PreviousClick();
  }
  EXPECT_EQ(Recorder().Verbs(), Verbs{"S" + Second}) << "nothing after the failed save";
  EXPECT_EQ(Window->Number(), Second);
  EXPECT_EQ(View.Editors.Details[2], "precious");
  EXPECT_TRUE(Window->Buffers.RecordMask.Get(RecordMask::Details, 2));
  EXPECT_FALSE(View.Locked);

  // The server answers again: the same command saves everything typed.
  Recorder().Fail = false;
  Window->PreviousClick();
  EXPECT_EQ(Window->Number(), First);
  EXPECT_EQ(Stored(Second).Details[2], "precious");
  EXPECT_EQ(Stored(Second).Name, "Renamed");
}

TEST_F(RecordWindowTest, SaveNeedsTheServersConfirmation) {
  Open();
  TypeDetail(1, "kept");
  // A server that answers the save with an error text (or anything but "<HTML>index</HTML>").
  TRecordingTransport Refusing;
  Refusing.Reply = [](const TClientRequest& R) {
    return R.UserAgent[0] == 'S' ? std::string("<HTML>Error in record save.</HTML>\r\n")
                                 : std::string();
  };
  TServerSession S(Refusing);
  TRecordWindow W(S, View);
  W.SetNumber(Window->Number());
  W.Detail8Change(1);
  {
    TCheckedModalScript Script;
    Script.ExpectMessage(TRecordWindow::RequestProblemText, mrOk);
    W.nextClick();
  }
  // A refused save asks whether the record is still there; this server does not say.
  EXPECT_EQ(Refusing.Verbs(), (Verbs{"S" + Window->Number(), "G" + Window->Number()}));
  EXPECT_TRUE(W.Buffers.RecordMask.Get(RecordMask::Details, 1));
  EXPECT_EQ(View.Editors.Details[1], "kept");

  // With no record shown nothing is saved under an empty code (the server would make one).
  Refusing.Clear();
  TRecordWindow Empty(S, View);
  EXPECT_FALSE(Empty.SaveToServer());
  EXPECT_TRUE(Refusing.Requests.empty());
}

TEST_F(RecordWindowTest, FailedFetchKeepsTheScreen) {
  // The save gets through; then the configuration, or the record, does not.
  bool RecordFails = false;
  TRecordingTransport Flaky;
  Flaky.Reply = [&](const TClientRequest& R) -> std::string {
    if (R.UserAgent[0] == 'S') return "<HTML>0</HTML>";
    if (R.UserAgent.rfind("CL:", 0) == 0 && RecordFails) return Served->Server.Send(R);
    return "<HTML>Error Local Mode in Request</HTML>";  // no stream
  };
  TServerSession S(Flaky);
  S.DatabaseName = "Demo";
  TRecordWindow W(S, View);
  W.SetNumber("ABCDEFGH");
  View.Editors.Details[4] = "edit";
  W.Detail8Change(4);
  for (bool Fetch : {false, true}) {
    RecordFails = Fetch;
    Flaky.Clear();
    const int Shows = View.Shows;
    {
      TCheckedModalScript Script;
      Script.ExpectMessage(TRecordWindow::RequestProblemText, mrOk);
      W.nextClick();
    }
    EXPECT_EQ(Flaky.Verbs(), Fetch ? (Verbs{"SABCDEFGH", "CL", "NABCDEFGH"})
                                   : (Verbs{"SABCDEFGH", "CL"}));
    EXPECT_EQ(View.Shows, Shows);
    EXPECT_EQ(W.Number(), "ABCDEFGH");
    EXPECT_EQ(View.Editors.Details[4], "edit");
    EXPECT_TRUE(W.Buffers.RecordMask.Get(RecordMask::Details, 4));
    EXPECT_FALSE(View.Locked);
  }
}

TEST_F(RecordWindowTest, CopyAndInsertMakeNumberedCopies) {
  Open();
  const std::string Original = Window->Number();
  View.Editors.Name = "Smith";
  Window->RecordChange();
  TypeDetail(3, "555-1234");
  Window->ChooseDescriptionValue(0, "NY:New York");
  View.Editors.Memos[0] = {"note"};
  Window->Memo1Change();
  View.Editors.Memos[1] = {"original.pdf"};
  Window->Memo2Change();
  // Pictures in slots 1 and 3, and an attached file, stored on the server under the code.
  const std::string Picture1 = std::string("\x89PNG first\0picture", 20);
  const std::string Picture3 = "third picture";
  ASSERT_FALSE(IsErrorReply(Session().Post("IS1" + Original, Picture1)));
  ASSERT_FALSE(IsErrorReply(Session().Post("IS3" + Original, Picture3)));
  ASSERT_FALSE(IsErrorReply(Session().Post("RS" + Original, "the letter")));
  Window->Buffers.Current.Images[0] = {"original.jpg", "Front view", false};
  Window->ImageTitleChange(0);
  Window->Buffers.Current.Images[2] = {"side.png", "Side view", false};
  Window->ImageTitleChange(2);
  Window->Buffers.Current.ExtraStrings[1] = "kept";
  ASSERT_TRUE(Window->SaveRecord(Window->Buffers.Current, true));
  ASSERT_EQ(Stored(Original).Memos[1], std::vector<std::string>{"original.pdf"});
  const std::string Counter = Stored(Original).Details[0];  // "Item Number" counts records
  ASSERT_FALSE(Counter.empty());
  Recorder().Clear();
  Window->CopyRecordClick();
  // The copy takes the record's files as they are now.
  EXPECT_EQ(Recorder().Verbs(), (Verbs{"IR1" + Original, "IR3" + Original}));
  EXPECT_TRUE(View.InsertButton);
  // The copy is of what was shown when copied: a change afterwards is not in it.
  ASSERT_FALSE(IsErrorReply(Session().Post("IS1" + Original, "replaced later")));
  Recorder().Clear();
  {
    TCheckedModalScript Script;
    Script.ExpectInput("Number of Copies (1-20)", "21");
    Script.ExpectMessage("Please enter a number less then 20.", mrOk);
    Script.ExpectInput("Number of Copies (1-20)", "x");
    Script.ExpectMessage("Please enter a valid number.", mrOk);
    Script.ExpectInput("Number of Copies (1-20)", "3");
    Window->InsertRecordClick();
  }
  const auto V = Recorder().Verbs();
  ASSERT_EQ(V.size(), 1u + 3 * 5 + 2);
  // The last copy is shown as stored, with nothing flagged: a later save sends only new edits.
  EXPECT_EQ(V[16], "CL");
  EXPECT_EQ(V[17], "G" + Window->Number());
  for (int r = 1; r <= 20; ++r)
    for (int c = 0; c <= 100; ++c) ASSERT_FALSE(Window->Buffers.RecordMask.Get(r, c)) << r << "," << c;
  EXPECT_EQ(V[0], "S" + Original);
  std::set<std::string> Numbers{Counter};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(V[1 + 5 * i], "CL");
    EXPECT_EQ(V[2 + 5 * i][0], 'E');
    const std::string Code = V[5 + 5 * i].substr(1);
    EXPECT_EQ(V[3 + 5 * i], "IS1" + Code);
    EXPECT_EQ(V[4 + 5 * i], "IS3" + Code);
    EXPECT_EQ(V[5 + 5 * i], "S" + Code);
    const ItemRecord Copy = Stored(Code);
    EXPECT_EQ(Copy.Name, "Smith (" + std::to_string(i + 1) + ")");
    EXPECT_EQ(Copy.Details[3], "555-1234");
    EXPECT_EQ(Copy.Descriptions[0], "NY:New York");
    EXPECT_EQ(Copy.Memos[0], std::vector<std::string>{"note"});
    EXPECT_EQ(Copy.Code, Code);
    EXPECT_EQ(Copy.ExtraStrings[1], "kept");
    // Each copy has its own number and its own files, with the names and titles.
    EXPECT_TRUE(Numbers.insert(Copy.Details[0]).second) << Copy.Details[0];
    EXPECT_EQ(Copy.Details[0], std::to_string(std::stoi(Counter) + i + 1));
    EXPECT_EQ(Copy.Images[0].FileName, "original.jpg");
    EXPECT_EQ(Copy.Images[0].Title, "Front view");
    EXPECT_EQ(Copy.Images[2].FileName, "side.png");
    EXPECT_EQ(Copy.Images[2].Title, "Side view");
    // The attached file stays the original's own.
    EXPECT_TRUE(Copy.Memos[1].empty());
    EXPECT_EQ(Session().Get("IR1" + Code), Picture1);
    EXPECT_EQ(Session().Get("IR3" + Code), Picture3);
    EXPECT_TRUE(fs::exists(Served->Folder / (Code + ".im1")));
  }
  EXPECT_EQ(View.Editors.Details[0], std::to_string(std::stoi(Counter) + 3));
  EXPECT_EQ(Stored(Original).Name, "Smith");
  EXPECT_TRUE(View.InsertMenu);
  EXPECT_FALSE(View.InsertButton);

  // "0" (or a cancelled box) inserts nothing after the save.
  Recorder().Clear();
  {
    TCheckedModalScript Script;
    Script.ExpectCancel(mkInput, "Number of Copies");
    Window->InsertRecordClick();
  }
  EXPECT_EQ(Recorder().Verbs().size(), 1u);
}

TEST_F(RecordWindowTest, ARecordDeletedElsewhereIsKeptWholeAsANewRecordOrLeft) {
  Open();
  const std::string First = Window->Number();
  // Another client of the same database.
  TServerSession Other(Served->Server);
  Other.DatabaseName = Session().DatabaseName;
  auto Count = [this] { return Served->Server.Form.Database()->Count(); };
  auto Codes = [this] {
    std::vector<std::string> C;
    for (int i = 0; i < Served->Server.Form.Database()->Count(); ++i)
      C.push_back(std::as_const(*Served->Server.Form.Database()).Record(i).Code);
    return C;
  };

  // The record on the screen holds saved fields and a picture and attachment of its own.
  Window->NewRecordClick();
  const std::string Doomed = Window->Number();
  View.Editors.Name = "Shown";
  Window->RecordChange();
  TypeDetail(5, "saved before");
  Window->Buffers.Current.Images[0].FileName = "photo.jpg";
  Window->ImageTitleChange(0);
  View.Editors.Memos[1] = {"letter.txt"};
  Window->Memo2Change();
  ASSERT_TRUE(Window->SaveRecord(Window->Buffers.Current, true));
  Other.Get("D" + Doomed);
  ASSERT_EQ(Count(), 1);
  // Typed after the other client deleted it.
  TypeDetail(2, "typed after");
  Recorder().Clear();
  {
    TCheckedModalScript Script;
    Script.ExpectMessage("deleted by another user", mrYes);
    Window->nextClick();
  }
  ASSERT_EQ(Count(), 2);
  const std::string Kept = Window->Number();
  EXPECT_NE(Kept, Doomed);
  EXPECT_EQ(Codes(), (std::vector<std::string>{First, Kept}));
  const ItemRecord K = Stored(Kept);
  EXPECT_EQ(K.Name, "Shown");
  EXPECT_EQ(K.Details[5], "saved before");
  EXPECT_EQ(K.Details[2], "typed after");
  // Its picture and attachment were files of the deleted record: the new one lists none.
  EXPECT_EQ(K.Images[0].FileName, "");
  EXPECT_TRUE(K.Memos[1].empty());
  EXPECT_EQ(View.Editors.Details[2], "typed after");
  EXPECT_FALSE(Window->Buffers.RecordMask.Get(RecordMask::Details, 2));

  // Declined: nothing is stored, the first record shows.
  Other.Get("D" + Kept);
  ASSERT_EQ(Count(), 1);
  TypeDetail(2, "let go");
  {
    TCheckedModalScript Script;
    Script.ExpectMessage("deleted by another user", mrNo);
    Window->nextClick();
  }
  EXPECT_EQ(Codes(), std::vector<std::string>{First});
  EXPECT_EQ(Window->Number(), First);
  EXPECT_NE(Stored(First).Details[2], "let go");

  // The close asks the same.
  Window->NewRecordClick();
  const std::string Last = Window->Number();
  Other.Get("D" + Last);
  TypeDetail(7, "at the close");
  {
    TCheckedModalScript Script;
    Script.ExpectMessage("deleted by another user", mrYes);
    Window->CloseSequence({});
  }
  ASSERT_EQ(Count(), 2);
  EXPECT_EQ(std::as_const(*Served->Server.Form.Database()).Record(1).Details[7], "at the close");
}

TEST_F(RecordWindowTest, DeleteAsksAndKeepsTheRecordForInsertion) {
  Open();
  Window->NewRecordClick();
  const std::string Doomed = Window->Number();
  View.Editors.Name = "Doomed";
  Window->RecordChange();
  ASSERT_FALSE(IsErrorReply(Session().Post("IS2" + Doomed, "cut picture")));
  Window->Buffers.Current.Images[1] = {"cut.jpg", "Cut", false};
  Window->ImageTitleChange(1);
  ASSERT_TRUE(Window->SaveRecord(Window->Buffers.Current, true));
  View.Editors.ReadOnly = true;
  {
    TCheckedModalScript Script;
    Script.ExpectMessage("You may not delete read only records.", mrOk);
    Window->CutClick();
  }
  View.Editors.ReadOnly = false;
  Recorder().Clear();
  {
    TCheckedModalScript Script;
    Script.ExpectMessage("Are you sure you want to delete the current record ?", mrNo);
    Script.ExpectMessage("Are you sure you want to delete the current record ?", mrYes);
    Window->CutClick();
    Window->CutClick();
  }
  EXPECT_EQ(Recorder().Verbs(), (Verbs{"IR2" + Doomed, "CL", "D" + Doomed}));
  EXPECT_NE(Window->Number(), Doomed);
  EXPECT_EQ(Window->Buffers.Spare.Name, "Doomed");
  EXPECT_TRUE(View.InsertButton);
  // The server deleted the picture with the record; the inserted copy has it again.
  EXPECT_FALSE(fs::exists(Served->Folder / (Doomed + ".im2")));
  {
    TCheckedModalScript Script;
    Script.ExpectInput("Number of Copies", "1");
    Window->InsertRecordClick();
  }
  const std::string Copy = Window->Number();
  EXPECT_EQ(Stored(Copy).Images[1], (ImageRecord{"cut.jpg", "Cut", false}));
  EXPECT_EQ(Session().Get("IR2" + Copy), "cut picture");
}

TEST_F(RecordWindowTest, DescriptionValuesSurviveShortDisplay) {
  Open();
  const std::string Code = Window->Number();
  Window->ChooseDescriptionValue(2, TRecordWindow::MenuPathValue({"Colour", "Red"}));
  EXPECT_EQ(Window->DescriptionValue(2), "Red : Colour");
  Window->ChooseDescriptionValue(0, "NY:New York");
  Window->IdleRefreshBtnClick();
  EXPECT_EQ(Stored(Code).Descriptions[0], "NY:New York");

  Window->ShortDescriptionValues1Click();
  EXPECT_TRUE(Window->ShortDescriptionValues());
  EXPECT_EQ(View.DescriptionTexts[0], "NY");
  // The window setting the shown text raises its change event: only the flag follows.
  Window->DescChange(1);
  EXPECT_EQ(Window->DescriptionValue(0), "NY:New York");
  Window->nextClick();  // saves with the flag set
  EXPECT_EQ(Stored(Code).Descriptions[0], "NY:New York");
  // Copy and insert carry the full value too.
  Window->CopyRecordClick();
  {
    TCheckedModalScript Script;
    Script.ExpectInput("Number of Copies", "1");
    Window->InsertRecordClick();
  }
  EXPECT_EQ(Stored(Window->Number()).Descriptions[0], "NY:New York");
  EXPECT_EQ(View.DescriptionTexts[0], "NY");
  // CLEAR FIELD empties the value and saves.
  Window->ClearFieldClick(0);
  EXPECT_EQ(Stored(Window->Number()).Descriptions[0], "");
  EXPECT_EQ(View.DescriptionTexts[0], "");
}

TEST_F(RecordWindowTest, ChangeHandlersFlagOneCellEach) {
  Open();
  struct Case {
    std::function<void()> Handler;
    int Row, Col;
  };
  const std::vector<Case> Cases = {
      {[&] { Window->DescChange(10); }, 1, 10},      {[&] { Window->Detail8Change(9); }, 2, 9},
      {[&] { Window->OtherChange(21); }, 3, 0},      {[&] { Window->OtherChange(26); }, 3, 5},
      {[&] { Window->ItemListChange(99); }, 4, 100}, {[&] { Window->RecordChange(); }, 6, 0},
      {[&] { Window->Memo1Change(); }, 7, 0},        {[&] { Window->Memo2Change(); }, 7, 1},
      {[&] { Window->Memo3Change(); }, 7, 2},        {[&] { Window->ImageTitleChange(5); }, 8, 6},
      {[&] { Window->CheckBoxClick(3); }, 12, 3},    {[&] { Window->DetailChangeClick(); }, 13, 0},
  };
  for (const Case& C : Cases) {
    Window->Buffers.RecordMask.SetAll(false);
    C.Handler();
    int Set = 0;
    for (int r = 1; r <= 20; ++r)
      for (int c = 0; c <= 100; ++c) Set += Window->Buffers.RecordMask.Get(r, c);
    EXPECT_EQ(Set, 1) << C.Row << "," << C.Col;
    EXPECT_TRUE(Window->Buffers.RecordMask.Get(C.Row, C.Col)) << C.Row << "," << C.Col;
  }
  // Out-of-range tags flag nothing.
  Window->Buffers.RecordMask.SetAll(false);
  Window->DescChange(0);
  Window->OtherChange(20);
  Window->ItemListChange(100);
  Window->CheckBoxClick(0);
  for (int r = 1; r <= 20; ++r)
    for (int c = 0; c <= 100; ++c) EXPECT_FALSE(Window->Buffers.RecordMask.Get(r, c));

  const TConfiguration& C = Window->Buffers.Configuration;
  EXPECT_EQ(Window->ReturnFieldString(C.DetailNames[4]), "4");
  EXPECT_EQ(Window->ReturnFieldString(C.OtherNames[1]), "22");
  EXPECT_EQ(Window->ReturnFieldString("no such label"), "-1");
}

TEST_F(RecordWindowTest, AttachmentNameClearedAndDownloadsRemoved) {
  Open();
  const std::string Code = Window->Number();
  View.Editors.Memos[1] = {"cv.doc"};
  Window->Memo2Change();
  Window->IdleRefreshBtnClick();
  ASSERT_EQ(Stored(Code).Memos[1], std::vector<std::string>{"cv.doc"});
  // A local file of the same name that this client did not download stays.
  fs::create_directories(Root / "Work");
  WriteWholeFile(Root / "Work" / "cv.doc", "someone else's");
  Window->IdleRefreshBtnClick();
  EXPECT_TRUE(fs::exists(Root / "Work" / "cv.doc"));
  // A downloaded copy goes with the next save.
  fs::remove(Root / "Work" / "cv.doc");
  WriteWholeFile(Served->Folder / (Code + ".res"), "attached bytes");
  const std::string Path = Session().RetreiveFile("cv.doc", "RR", Code);
  ASSERT_FALSE(Path.empty());
  EXPECT_EQ(ReadWholeFile(Path), "attached bytes");
  Window->IdleRefreshBtnClick();
  EXPECT_FALSE(fs::exists(Path));

  {
    TCheckedModalScript Script;
    Script.ExpectMessage("Are you sure you want to remove the Resume ?", mrYes);
    Window->ClearResumeBtnClick("cv.doc", "Resume");
  }
  EXPECT_TRUE(Stored(Code).Memos[1].empty());
  EXPECT_TRUE(View.Editors.Memos[1].empty());
}

TEST_F(RecordWindowTest, IdleRefreshCountsTicksOfEditIdle) {
  Open();
  Window->SetEditIdle(5);
  EXPECT_EQ(Window->EditIdle(), 30);
  Window->SetEditIdle(100000);
  EXPECT_EQ(Window->EditIdle(), 720);
  Window->SetEditIdle(30);
  for (int i = 0; i < 29; ++i) Window->IdleRefreshTimer();
  EXPECT_TRUE(Recorder().Requests.empty());
  Window->UserActivity();
  for (int i = 0; i < 29; ++i) Window->IdleRefreshTimer();
  EXPECT_TRUE(Recorder().Requests.empty());
  Window->IdleRefreshTimer();
  const std::string Code = Window->Number();
  EXPECT_EQ(Recorder().Verbs(), (Verbs{"S" + Code, "CL", "G" + Code}));
  EXPECT_EQ(Window->IdleCounter(), 0);

  // A modal window holds the counter; a due refresh waits while a command runs.
  Recorder().Clear();
  Window->BeginModal();
  for (int i = 0; i < 60; ++i) Window->IdleRefreshTimer();
  Window->EndModal();
  EXPECT_TRUE(Recorder().Requests.empty());
  EXPECT_EQ(Window->IdleCounter(), 0);

  // The other user's change comes in, this client's unsaved edit stays.
  TServerSession Other(Served->Server);
  Other.DatabaseName = "Demo";
  TModelView OtherView;
  TRecordWindow OtherWindow(Other, OtherView);
  ASSERT_TRUE(OtherWindow.OpenDatabase(nullptr));
  OtherView.Editors.Details[6] = "from the other client";
  OtherWindow.Detail8Change(6);
  OtherWindow.IdleRefreshBtnClick();
  TypeDetail(7, "mine, unsaved");
  for (int i = 0; i < 30; ++i) Window->IdleRefreshTimer();
  EXPECT_EQ(View.Editors.Details[6], "from the other client");
  EXPECT_EQ(View.Editors.Details[7], "mine, unsaved");
  EXPECT_EQ(Stored(Code).Details[7], "mine, unsaved");
}

namespace {
// Passes requests on to the server; runs During (once) while the next request is under way.
class TTickingTransport : public TServerTransport {
public:
  explicit TTickingTransport(TServerTransport& Inner) : FInner(Inner) {}
  std::function<void()> During;
  std::string Send(const TClientRequest& R) override {
    if (During) {
      auto F = std::move(During);
      During = nullptr;
      F();
    }
    return FInner.Send(R);
  }

private:
  TServerTransport& FInner;
};
}  // namespace

TEST_F(RecordWindowTest, DueRefreshWaitsForTheRequestUnderWay) {
  TTickingTransport Ticking(Served->Server);
  TRecordingTransport Rec(Ticking);
  TServerSession S(Rec);
  S.DatabaseName = "Demo";
  TRecordWindow W(S, View);
  ASSERT_TRUE(W.OpenDatabase(nullptr));
  W.SetEditIdle(30);
  for (int i = 0; i < 29; ++i) W.IdleRefreshTimer();
  Rec.Clear();
  // The 30th tick comes while a server function request pumps the message loop.
  Ticking.During = [&] { W.IdleRefreshTimer(); };
  S.InitializeRequest();
  S.SetParameter("Function", "x", true);
  EXPECT_TRUE(S.GetServerPath());
  EXPECT_EQ(Rec.Verbs(), Verbs{"Z"});
  // The next tick runs the refresh that was due.
  W.IdleRefreshTimer();
  const std::string Code = W.Number();
  EXPECT_EQ(Rec.Verbs(), (Verbs{"Z", "S" + Code, "CL", "G" + Code}));
}

TEST_F(RecordWindowTest, CloseRunsInOrder) {
  Open();
  TFixedClock Clock(EncodeDate(2026, 12, 9));
  Window->RandomDraw = [](int) { return 27; };  // "1"
  Window->Buffers.Configuration.DatabaseInfo[diFileCode] = "";
  TypeDetail(3, "last words");
  std::vector<std::string> Steps;
  auto Step = [&](const char* Name) {
    return [&Steps, Name] { Steps.push_back(Name); };
  };
  const std::string Code = Window->Number();
  Window->CloseSequence({Step("search"), Step("settings"), Step("free"), Step("stop")});
  EXPECT_EQ(Recorder().Verbs(), (Verbs{"S" + Code, "CS", "Y"}));
  EXPECT_EQ(Steps, (std::vector<std::string>{"search", "settings", "free", "stop"}));
  EXPECT_FALSE(Window->LoggedIn());
  EXPECT_EQ(Stored(Code).Details[3], "last words");
  // The configuration carried today's date and a new file code.
  TConfiguration Sent;
  ASSERT_TRUE(ReadConfigurationStream(Recorder().Requests[1].Body.substr(TChangeMask::Count), Sent));
  EXPECT_EQ(Sent.DatabaseInfo[diUDate], "2026/12/09");
  EXPECT_EQ(Sent.DatabaseInfo[diFileCode], "1111111111");

  // Without a login only the local server is stopped.
  Recorder().Clear();
  Steps.clear();
  Window->CloseSequence({Step("search"), Step("settings"), Step("free"), Step("stop")});
  EXPECT_TRUE(Recorder().Requests.empty());
  EXPECT_EQ(Steps, std::vector<std::string>{"stop"});
}

TEST_F(RecordWindowTest, CloseKeepsAFileCodeAndFailsSilently) {
  Open();
  Window->Buffers.Configuration.DatabaseInfo[diFileCode] = "KEEPTHIS10";
  Recorder().Fail = true;
  bool Stopped = false;
  Window->CloseSequence({nullptr, nullptr, nullptr, [&] { Stopped = true; }});
  EXPECT_TRUE(Stopped);
  EXPECT_EQ(Recorder().Verbs(), (Verbs{"S" + Window->Number(), "CS", "Y"}));
  TConfiguration Sent;
  ASSERT_TRUE(ReadConfigurationStream(Recorder().Requests[1].Body.substr(TChangeMask::Count), Sent));
  EXPECT_EQ(Sent.DatabaseInfo[diFileCode], "KEEPTHIS10");
}

// A close whose save of typed changes fails asks: No keeps the window (no other step, no other
// request) and a later close that reaches the server saves the edit; Yes closes knowingly; a quit
// from outside (no asking) closes at once.
TEST_F(RecordWindowTest, ACloseThatCannotSaveTheEditAsksWhetherToStay) {
  Open();
  Window->SetIdleEnabled(true);
  TypeDetail(3, "typed before the server went");
  const std::string Code = Window->Number();
  std::vector<std::string> Steps;
  const TCloseSteps All{[&] { Steps.push_back("search"); }, [&] { Steps.push_back("settings"); },
                        [&] { Steps.push_back("free"); }, [&] { Steps.push_back("stop"); }};
  Recorder().Fail = true;
  {
    TCheckedModalScript Script;
    Script.ExpectMessage("could not be saved", mrNo);
    EXPECT_FALSE(Window->CloseSequence(All));
  }
  EXPECT_TRUE(Steps.empty());
  EXPECT_EQ(Recorder().Verbs(), Verbs{"S" + Code});
  EXPECT_TRUE(Window->LoggedIn());
  EXPECT_TRUE(Window->IdleEnabled());
  // The server is back: the next close saves what was typed, without a question.
  Recorder().Fail = false;
  Recorder().Clear();
  EXPECT_TRUE(Window->CloseSequence(All));
  EXPECT_EQ(Stored(Code).Details[3], "typed before the server went");
  EXPECT_EQ(Steps, (std::vector<std::string>{"search", "settings", "free", "stop"}));

  // Yes: the window closes, every step runs.
  Steps.clear();
  Open();
  TypeDetail(3, "given up");
  Recorder().Fail = true;
  {
    TCheckedModalScript Script;
    Script.ExpectMessage("could not be saved", mrYes);
    EXPECT_TRUE(Window->CloseSequence(All));
  }
  EXPECT_EQ(Steps, (std::vector<std::string>{"search", "settings", "free", "stop"}));
  EXPECT_FALSE(Window->LoggedIn());

  // A quit from outside: no question (the script expects none), the close runs whole.
  Steps.clear();
  Recorder().Fail = false;
  Open();
  TypeDetail(3, "at logout");
  Recorder().Fail = true;
  {
    TCheckedModalScript Script;
    EXPECT_TRUE(Window->CloseSequence(All, false));
  }
  EXPECT_EQ(Steps, (std::vector<std::string>{"search", "settings", "free", "stop"}));
}

TEST_F(RecordWindowTest, DatabaseCreationFromTheLoginWindow) {
  TLoginLogic Login(Session());
  Login.RandomDraw = [](int) { return 0; };
  Recorder().Clear();
  {
    TCheckedModalScript Script;
    Script.ExpectMessage("Demo database created. Press \"Login\" to start.", mrOk);
    Script.ExpectMessage("A database with the selected name already exists.", mrOk);
    Script.ExpectMessage("may not hold", mrOk);
    TNewDatabase New{"Second", "Me", "About", "General", "2026/12/01", "2026/12/09"};
    EXPECT_EQ(Login.CreateDatabase(New, (Served->Folder / "General").string(), Root.string() + "/"),
              "Second");
    EXPECT_EQ(Login.CreateDatabase(New, (Served->Folder / "General").string(), Root.string() + "/"),
              "");
    New.Name = "bad/name";
    EXPECT_EQ(Login.CreateDatabase(New, (Served->Folder / "General").string(), Root.string() + "/"),
              "");
  }
  ASSERT_EQ(Recorder().Requests.size(), 2u);
  EXPECT_EQ(Recorder().Requests[0].UserAgent, "CreateDB:Second;General");
  EXPECT_NE(Recorder().Requests[0].URL.find("&FileCode=AAAAAAAAAA"), std::string::npos);
  EXPECT_TRUE(fs::exists(Served->Folder / "Second.qnd"));
}

// A money field (the shipped definition's "Price Paid", detail 9) takes no typed value that a
// total cannot read: the save is refused with the row editor's message, the record stays and the
// editor keeps the value to be mended; a value the record held before is not held against it.
TEST_F(RecordWindowTest, ATypedAmountNoTotalReadsIsRefusedAtTheSave) {
  Open();
  ASSERT_TRUE(IsMoneyKind(Window->Buffers.Configuration.DetailKinds[8]));
  const std::string& PriceName = Window->Buffers.Configuration.DetailNames[8];
  const std::string First = Window->Number();
  Window->NewRecordClick();
  const std::string Second = Window->Number();
  ASSERT_NE(Second, First);
  Recorder().Clear();
  TypeDetail(8, "99,95");
  {
    TCheckedModalScript Script;
    Script.ExpectMessage(AmountRefusal("99,95", PriceName), mrOk);
    Window->PreviousClick();
  }
  EXPECT_TRUE(Recorder().Verbs().empty()) << "nothing sent";
  EXPECT_EQ(Window->Number(), Second);
  EXPECT_EQ(View.Editors.Details[8], "99,95");
  // Asked again, it is refused again: the refused text did not become the record's own.
  {
    TCheckedModalScript Script;
    Script.ExpectMessage("is not an amount", mrOk);
    Window->IdleRefreshBtnClick();
  }
  EXPECT_TRUE(Recorder().Verbs().empty());
  // A close the person may call off stays for it too.
  {
    TCheckedModalScript Script;
    Script.ExpectMessage("is not an amount", mrOk);
    EXPECT_FALSE(Window->CloseSequence({}));
  }
  EXPECT_TRUE(Window->LoggedIn());
  // Mended, it is saved and the window moves on.
  TypeDetail(8, "1,234.50");
  Window->PreviousClick();
  EXPECT_EQ(Window->Number(), First);
  EXPECT_EQ(Stored(Second).Details[8], "1,234.50");

  // A value stored before (by another program) does not stop the record being saved or left.
  ItemRecord Old = Stored(Second);
  Old.Details[8] = "1.000,50";
  TChangeMask All;
  All.SetAll(true);
  ASSERT_TRUE(IsSaveReply(Session().Post("S" + Second, WriteRecordStream(All, Old))));
  Window->nextClick();
  ASSERT_EQ(Window->Number(), Second);
  EXPECT_EQ(View.Editors.Details[8], "1.000,50");
  TypeDetail(2, "other field");
  Window->PreviousClick();
  EXPECT_EQ(Window->Number(), First);
  EXPECT_EQ(Stored(Second).Details[2], "other field");
  EXPECT_EQ(Stored(Second).Details[8], "1.000,50");
}
