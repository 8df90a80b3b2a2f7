// The main window's database commands against the real stack: the record window starts
// bin/hmserv on a free loopback port itself (the web server below it and the server program),
// logs in to a generated database, and its Select Date Format and Database Information entries
// change what the server keeps, as a second client then reads it.
#include <gtest/gtest.h>
#include <stdlib.h>

#include "client/core/local_server.h"
#include "client/core/login_logic.h"
#include "client/password_form.h"
#include "client/small_dialogs.h"
#include "client/view.h"
#include "platform/headless/event_loop_poll.h"
#include "platform/headless/headless_peer.h"
#include "platform/ui/application.h"
#include "platform/ui/std_buttons.h"
#include "tests/client/reports/e2e/stack_client.h"
#include "tests/client/reports/stack_install.h"
#include "tests/client/reports/test_database.h"
#include "tests/client/login_script.h"
#include "tests/platform/headless/headless_application.h"

namespace {

class CommandsStackTest : public ::testing::Test {
protected:
  void SetUp() override {
    NewHeadlessApplication(App);
    R = TestFolder("commands_e2e");
    InstallStack(R, "Test", MakeTestDatabase(20));
    Port = FreeLoopbackPort();
    ::setenv("QN_PORT", std::to_string(Port).c_str(), 1);
    TViewOptions Options;
    Options.ProgramFolder = R.string() + "/";
    View = std::make_unique<TView>(nullptr, Options);  // its creation starts the web server
    ASSERT_TRUE(TLocalServer::WaitUntilAnswering(Port, 5000));
    LogIn(*View, "Test");
  }
  void TearDown() override {
    if (View) View->ServerShutDown();
    View.reset();
    delete App;
    Application = nullptr;
    fs::remove_all(R);
  }
  // The configuration as another client reads it.
  TConfiguration Stored() {
    TStackClient Other;
    Other.Session.ServerURL = TLocalServer::ServerURL(Port);
    Other.Session.ScratchFolder = R.string() + "/Other/";
    TLoginLogic Login(Other.Session);
    EXPECT_EQ(Login.Login("Test"), 1);
    TConfiguration C;
    EXPECT_TRUE(ReadConfigurationStream(Other.Session.Get("CL"), C));
    return C;
  }
  TApplication* App = nullptr;
  fs::path R;
  int Port = 0;
  std::unique_ptr<TView> View;
};

void Choose(TMenuItem* Item) {
  ASSERT_TRUE(Item->OnClick);
  Item->OnClick(Item);
}

}  // namespace

TEST_F(CommandsStackTest, DateFormatAndDatabaseInformationReachTheServer) {
  ASSERT_EQ(Stored().DateFormat, "mm/dd/yyyy");
  {
    TCheckedModalScript Script;
    Script.ExpectForm("Select Date Format", [](TCustomForm& C) {
      auto& F = dynamic_cast<TSelectDateFormatForm&>(C);
      F.DayFirst->SetChecked(true);
      F.OKBtn->Click();
    });
    Choose(View->SetDateFormat1);
  }
  EXPECT_EQ(Stored().DateFormat, "dd/mm/yyyy");
  {
    TCheckedModalScript Script;
    Script.ExpectForm("Please enter database information:", [](TCustomForm& C) {
      auto& F = dynamic_cast<TDatabaseInformationForm&>(C);
      F.DatabaseName->SetText("Collection of Test");
      F.DatabaseAuthor->SetText("Ann Smith");
      F.DatabaseDescription->SetText("");
      if (F.DatabaseType->Text().empty()) F.DatabaseType->SetText("General");
      F.OKBtn->Click();
    });
    Choose(View->DatabaseInformation1);
  }
  const TConfiguration C = Stored();
  EXPECT_EQ(C.DatabaseInfo[diName], "Collection of Test");
  EXPECT_EQ(C.DatabaseInfo[diAuthor], "Ann Smith");
  EXPECT_EQ(C.DatabaseInfo[diDescription], "Collection of Test");  // an empty one becomes the name
  EXPECT_EQ(C.DateFormat, "dd/mm/yyyy");
  // Cancelled, the window changes nothing on the server.
  {
    TCheckedModalScript Script;
    Script.ExpectForm("Please enter database information:", [](TCustomForm& C) {
      auto& F = dynamic_cast<TDatabaseInformationForm&>(C);
      EXPECT_EQ(F.DatabaseAuthor->Text(), "Ann Smith");
      F.DatabaseAuthor->SetText("Somebody Else");
      F.CancelBtn->Click();
    });
    Choose(View->DatabaseInformation1);
  }
  EXPECT_EQ(Stored().DatabaseInfo[diAuthor], "Ann Smith");
}
