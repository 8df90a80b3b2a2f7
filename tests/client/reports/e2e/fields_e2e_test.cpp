// A barcode field and a URL field of the record window against the real stack (bin/hmserv on a
// free loopback port, the web server, the server program): the barcode editor's duplicate test
// asks the server, a free value and changed settings are stored, and a jump hands only a web
// address to the shell.
#include <gtest/gtest.h>

#include "client/core/login_logic.h"
#include "client/core/record_fields.h"
#include "client/reports/barcode_windows.h"
#include "platform/rtl/file_io.h"
#include "platform/ui/shell.h"
#include "tests/client/reports/e2e/stack_client.h"
#include "tests/client/reports/stack_install.h"

namespace {

class FieldsStackTest : public ::testing::Test, protected TStackClient {
protected:
  void SetUp() override {
    InstallHeadlessBackend();
    SetCurrentEventLoop(&Loop);
    R = TestFolder("fields_e2e");
    InstallStack(R, "Test", MakeTestDatabase(4));
    Port = FreeLoopbackPort();
    ASSERT_NO_FATAL_FAILURE(StartAndLogIn(R.string() + "/", Port));
  }
  void TearDown() override {
    SetShellHandler(nullptr);
    Server.Stop();
    SetCurrentEventLoop(nullptr);
    fs::remove_all(R);
  }
  // The barcode editor's logic as its window runs it: the settings loaded, the value typed, OK.
  TBarcodeEditor Editor(const std::string& Typed, const std::string& Checksum) {
    return [this, Typed, Checksum](const std::string& Value, TConfiguration& Config) {
      TBarcodeSettings Settings{Config.ConfigFlag, Config.ConfigString2, Config.ConfigString1};
      TEditBarcode E(Host, Settings);
      E.CurrentBarcode = Value;
      E.LoadSettings();
      E.Value = Typed;
      E.Checksum = Checksum;
      E.OKBtnClick();
      Config.ConfigFlag = Settings.Checksum;
      Config.ConfigString1 = Settings.Type;
      Config.ConfigString2 = Settings.Method;
      return TBarcodeEdit{E.CurrentBarcode, E.SettingsChanged};
    };
  }
  ItemRecord Stored(const std::string& Code) {
    TServerSession S(Transport);
    S.ServerURL = Session.ServerURL;
    S.DatabaseName = Session.DatabaseName;
    ItemRecord Out;
    EXPECT_TRUE(ReadRecordStream(S.Get("G" + Code), Out));
    return Out;
  }

  fs::path R;
  int Port = 0;
};

}  // namespace

TEST_F(FieldsStackTest, BarcodeValuesAreCheckedOnTheServerAndURLsOpenOnlyWhenSafe) {
  Window.Buffers.Configuration.DetailKinds[6] = "barcode";
  Window.Buffers.ConfigMask.Set(ConfigMask::DetailKinds, 6);
  ASSERT_TRUE(Window.SaveServerConfiguration());
  auto SetDetail6 = [this](const std::string& Value) {
    View.Editors.Details[6] = Value;
    Window.Detail8Change(6);
  };
  // The first record holds 7777.
  const std::string First = Window.Number();
  TRecordFields Fields(Window);
  EXPECT_TRUE(Fields.EditBarcode(View.Editors.Details[6], SetDetail6, Editor("7777", "No")));
  EXPECT_EQ(Stored(First).Details[6], "7777");
  // The next record may not take it: the server finds it on the first.
  ASSERT_TRUE(Window.GetRecord("N" + First));
  const std::string Second = Window.Number();
  ASSERT_NE(Second, First);
  const std::string Before = Stored(Second).Details[6];
  {
    TCheckedModalScript Script;
    Script.ExpectMessage("already in use", mrOk);
    EXPECT_FALSE(Fields.EditBarcode(View.Editors.Details[6], SetDetail6, Editor("7777", "No")));
  }
  EXPECT_EQ(Stored(Second).Details[6], Before);
  // A free value with the checksum switched on: both are stored.
  EXPECT_TRUE(Fields.EditBarcode(View.Editors.Details[6], SetDetail6, Editor("8888", "Yes")));
  EXPECT_EQ(Stored(Second).Details[6], "8888");
  ASSERT_TRUE(Window.LoadServerConfiguration());
  EXPECT_TRUE(Window.Buffers.Configuration.ConfigFlag);
  EXPECT_EQ(Window.Buffers.Configuration.DetailKinds[6], "barcode");

  // A stored URL field's address goes to the shell through the redirect page; a file address
  // never does.
  std::vector<std::string> Opened;
  SetShellHandler([&](const TShellRequest& Request) {
    Opened.push_back(Request.File);
    return std::intptr_t{42};
  });
  View.Editors.Details[7] = "https://example.org/item?id=8888";
  Window.Detail8Change(7);
  ASSERT_TRUE(Window.SaveRecord(Window.Buffers.Current, true));
  EXPECT_TRUE(Fields.JumpToURL(Stored(Second).Details[7]));
  ASSERT_EQ(Opened.size(), 1u);
  EXPECT_NE(ReadFileBytes(Opened[0]).find("URL=https://example.org/item?id=8888\""), std::string::npos);
  {
    TCheckedModalScript Script;
    Script.ExpectMessage(TRecordFields::URLRefusedText, mrOk);
    EXPECT_FALSE(Fields.JumpToURL("file:///etc/passwd"));
  }
  EXPECT_EQ(Opened.size(), 1u);
}
