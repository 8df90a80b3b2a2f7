// The main window against the real stack: the window starts bin/hmserv on a free loopback port
// as the installed client does, logs in to a generated database of 300 records, and its
// relational select lists the records the server holds; the value chosen is stored by the
// server; the address labels of a grid are taken after the record was saved.
#include <gtest/gtest.h>

#include <algorithm>

#include "client/core/local_server.h"
#include "client/password_form.h"
#include "client/reports/record_print_form.h"
#include "client/reports/search_list.h"
#include "client/view.h"
#include "client/view_grid_commands.h"
#include "client/view_reports.h"
#include "controls/grid/qn_grid.h"
#include "controls/pick_dialog.h"
#include "net/http_client.h"
#include "platform/headless/event_loop_poll.h"
#include "platform/headless/headless_peer.h"
#include "platform/ui/application.h"
#include "tests/client/core/client_fixture.h"
#include "tests/client/reports/stack_install.h"
#include "tests/client/reports/test_database.h"
#include "tests/client/login_script.h"
#include "tests/platform/headless/headless_application.h"

namespace {

constexpr int kRecords = 300;

class ViewStackTest : public ::testing::Test {
protected:
  void SetUp() override {
    NewHeadlessApplication(App);
    R = TestFolder("view_e2e");
    // Description 7 holds references to other records.
    TDatabase D;
    D.LoadFromBytes(MakeTestDatabase(kRecords));
    D.Config.DescriptionKinds[6] = "Relational";
    InstallStack(R, "Test", D.SaveToBytes());
    for (int i = 0; i < D.Count(); ++i) Expected.emplace_back(D.Record(i).Code, D.Record(i).Name);
    Port = FreeLoopbackPort();
    setenv("QN_PORT", std::to_string(Port).c_str(), 1);
    TViewOptions Options;
    Options.ProgramFolder = R.string() + "/";
    View = std::make_unique<TView>(nullptr, Options);  // starts the stack
    ASSERT_TRUE(TLocalServer::WaitUntilAnswering(Port, 5000)) << "the web server did not start";
    View->Web->SetTimeOut(60);
    LogIn(*View, "Test");
  }
  void TearDown() override {
    View.reset();
    TLocalServer::WaitForServerProgramEnd(R.string() + "/", 5000);
    delete App;
    Application = nullptr;
    fs::remove_all(R);
  }
  // The names the select dialog offers for Path ("Select|...").
  std::vector<std::string> Offered(const std::string& Path, const std::string& Choose) {
    std::vector<std::string> Names;
    TCheckedModalScript Script;
    Script.ExpectMenu("", Path);
    Script.ExpectForm("", [&](TCustomForm& F) {
      auto& S = dynamic_cast<TSelectForm&>(F);
      for (int i = 0; i < S.SelectList->Count(); ++i) Names.push_back(S.SelectList->Items()[i]);
      const auto It = std::find(Names.begin(), Names.end(), Choose);
      if (It == Names.end()) {
        S.cancelbtn->Click();
        return;
      }
      S.SelectList->SetItemIndex(static_cast<int>(It - Names.begin()));
      S.okbtn->Click();
    });
    View->DescBtn[6]->Click();
    App->ProcessMessages();
    return Names;
  }
  // The record as a second client reads it from the server.
  ItemRecord ReadBack(const std::string& Code) {
    TNetHTTPClient Web;
    THttpTransport Transport(Web);
    TServerSession Other(Transport);
    Other.ServerURL = View->Session->ServerURL;
    Other.DatabaseName = "Test";
    ItemRecord Read;
    EXPECT_TRUE(ReadRecordStream(Other.Get("G" + Code), Read)) << Code;
    return Read;
  }
  TApplication* App = nullptr;
  fs::path R;
  int Port = 0;
  std::unique_ptr<TView> View;
  std::vector<std::pair<std::string, std::string>> Expected;  // code and name, in file order
};

}  // namespace

TEST_F(ViewStackTest, RelationalSelectListsTheServersRecordsAndTheServerStoresTheChoice) {
  const std::string Shown = View->number->Text();
  ASSERT_FALSE(Shown.empty());
  // Every record but the one shown, in the server's order, by name.
  std::vector<std::string> Want;
  for (const auto& [Code, Name] : Expected)
    if (Code != Shown) Want.push_back(Name);
  ASSERT_EQ(Want.size(), static_cast<std::size_t>(kRecords - 1));
  const auto& Target = Expected[Expected[0].first == Shown ? 1 : 0];
  EXPECT_EQ(Offered("Select|From Entire Database", Target.second), Want);
  EXPECT_EQ(View->Logic->DescriptionValue(6), Target.second + " : " + Target.first);
  // Saved with the record's next save; a second client reads it back from the server.
  ASSERT_TRUE(View->Logic->SaveRecord(View->Logic->Buffers.Current, true));
  EXPECT_EQ(ReadBack(Shown).Descriptions[6], Target.second + " : " + Target.first);

  // From the search list: its records only, never the one shown.
  TSearchList& List = ViewSearchList(*View);
  List.Add(Expected[10].first, Expected[10].second);
  List.Add(Expected[20].first, Expected[20].second);
  List.Add(Shown, "shown");
  std::vector<std::string> OnList;
  for (int i : {10, 20})
    if (Expected[static_cast<std::size_t>(i)].first != Shown) OnList.push_back(Expected[static_cast<std::size_t>(i)].second);
  EXPECT_EQ(Offered("Select|From Search List", ""), OnList);
}

TEST_F(ViewStackTest, GridAddressLabelsFollowTheSavedRecord) {
  TQnStringGrid& G = *View->Grid4;
  G.SetColCount(3);
  G.SetRowCount(4);
  G.SetCells(1, 0, "Supplier Name");
  G.SetCells(2, 0, "Street Address");
  G.SetCells(0, 1, "1");
  G.SetCells(1, 1, "Acme Works");
  G.SetCells(2, 1, "Dock Road 2\rAntwerp");
  G.SetCells(0, 2, "2");
  G.SetCells(1, 2, "Bolt Ltd");
  G.SetCells(2, 2, "Quay 5");
  View->Detail[3]->SetText("changed before the labels");
  std::vector<std::string> Titles;
  {
    TCheckedModalScript Script;
    Script.ExpectForm("Print Address", [&](TCustomForm& F) {
      for (const auto& E : dynamic_cast<TRTFForm&>(F).AddressList) Titles.push_back(E->Fields.front() + "/" + E->Fields.back());
      F.SetModalResult(mrCancel);
    });
    View->Grid4Address1->Click();
  }
  EXPECT_EQ(Titles, (std::vector<std::string>{"Acme Works/Antwerp", "Bolt Ltd/Quay 5"}));
  // The edit reached the server before the window opened.
  EXPECT_EQ(ReadBack(View->number->Text()).Details[3], "changed before the labels");
}
