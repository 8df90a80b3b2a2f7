#include <gtest/gtest.h>
#include <stdlib.h>

#include "client/core/client_settings.h"
#include "client/core/definition_template.h"
#include "platform/rtl/ini_files.h"
#include "tests/client/core/client_fixture.h"

class SettingsKeyTest : public ::testing::Test {
protected:
  void SetUp() override {
    Root = TestFolder("settings");
    const char* Old = ::getenv("XDG_CONFIG_HOME");
    if (Old) Saved = Old;
    HadOld = Old != nullptr;
    ::setenv("XDG_CONFIG_HOME", Root.c_str(), 1);
  }
  void TearDown() override {
    if (HadOld)
      ::setenv("XDG_CONFIG_HOME", Saved.c_str(), 1);
    else
      ::unsetenv("XDG_CONFIG_HOME");
    fs::remove_all(Root);
  }
  fs::path Root;
  std::string Saved;
  bool HadOld = false;
};

TEST_F(SettingsKeyTest, FirstStartGivesTheDefaults) {
  auto Key = OpenSettingsKey();
  int W = 0, H = 0;
  ReadWindowSize(*Key, W, H);
  EXPECT_EQ(W, 634);
  EXPECT_EQ(H, 482);
  TClientSettings S;
  LoadSettings(*Key, S);
  EXPECT_EQ(S.Server, "");
  EXPECT_EQ(S.Database, "");
  EXPECT_EQ(S.SearchColumns[0], -1);
  EXPECT_EQ(S.SearchColumns[50], -1);
  EXPECT_EQ(S.SpreadsheetSizes[50], 136);
  EXPECT_FALSE(S.ShortDescriptionValues);
  EXPECT_EQ(LastFileQuestion(S), "");
  EXPECT_FALSE(fs::exists(Root / "QuillonClient.ini"));
}

TEST_F(SettingsKeyTest, SavedValuesComeBackFromTheKeyFile) {
  TClientSettings S;
  S.ViewW = 900;
  S.ViewH = 700;
  S.Server = "http://host:6777/database/qnserver.exe";
  S.Database = "Demo";
  S.LastFile = "old.qnd";
  S.SearchColumns[7] = 3;
  S.SpreadsheetSizes[50] = 99;
  S.ShortDescriptionValues = true;
  {
    auto Key = OpenSettingsKey();
    SaveSettings(*Key, S);
  }
  const std::string Text = ReadWholeFile(Root / "QuillonClient.ini");
  EXPECT_NE(Text.find("[SETTINGS]"), std::string::npos);
  EXPECT_NE(Text.find("SERVER=http://host:6777/database/qnserver.exe"), std::string::npos);
  EXPECT_NE(Text.find("SEARCHCOL:7=3"), std::string::npos);
  EXPECT_NE(Text.find("SPREADSHEET SIZE:50=99"), std::string::npos);

  auto Key = OpenSettingsKey();
  TClientSettings Back;
  LoadSettings(*Key, Back);
  int W = 0, H = 0;
  ReadWindowSize(*Key, W, H);
  EXPECT_EQ(W, 900);
  EXPECT_EQ(H, 700);
  EXPECT_EQ(Back.Server, S.Server);
  EXPECT_EQ(Back.Database, "Demo");
  EXPECT_EQ(Back.SearchColumns, S.SearchColumns);
  EXPECT_EQ(Back.SpreadsheetSizes, S.SpreadsheetSizes);
  EXPECT_TRUE(Back.ShortDescriptionValues);
  EXPECT_EQ(LastFileQuestion(Back), "Would you like to open the file old.qnd ?");

  ResetSettings(*Key, Back);
  TClientSettings Reset;
  LoadSettings(*Key, Reset);
  EXPECT_EQ(Reset.SearchColumns[7], -1);
  EXPECT_EQ(Reset.SpreadsheetSizes[50], 136);
  EXPECT_FALSE(Reset.ShortDescriptionValues);
  EXPECT_EQ(Reset.Server, S.Server);  // the reset leaves the server alone
  ReadWindowSize(*Key, W, H);
  EXPECT_EQ(W, 634);
}

class TemplateTest : public ::testing::Test {
protected:
  void SetUp() override { Root = TestFolder("template"); }
  void TearDown() override { fs::remove_all(Root); }
  fs::path Root;
};

TEST_F(TemplateTest, DefinitionFolderComesFirst) {
  EXPECT_EQ(GetDatabaseFileName(Root.string() + "/"), "");
  fs::create_directories(Root / "Data" / "database");
  WriteWholeFile(Root / "b.set", "");
  EXPECT_EQ(GetDatabaseFileName(Root.string() + "/"), Root.string() + "/b");
  WriteWholeFile(Root / "Data" / "database" / "a.v2.set", "");
  EXPECT_EQ(GetDatabaseFileName(Root.string() + "/"), Root.string() + "/Data/database/a");
}

TEST_F(TemplateTest, ShippedDefinitionLoads) {
  TTemplateData T((DefinitionFolder() / "General").string());
  EXPECT_EQ(T.DefinitionName(), "General");
  EXPECT_FALSE(T.AttributeA(1).empty());  // the database type
  EXPECT_GT(T.Grid3ColumnCount(), 0);
  EXPECT_LE(T.Grid3ColumnCount(), 100);
  EXPECT_EQ(T.AttributeA(0), "");
  EXPECT_EQ(T.AttributeA(101), "");
  for (const auto& Kind : T.Configuration().DescriptionKinds) EXPECT_FALSE(Kind.empty());
  EXPECT_FALSE(T.Configuration().StatusWord.empty());
}

TEST_F(TemplateTest, EmptyValuesTakeTheirDefaults) {
  TConfiguration C;
  C.DescriptionKinds[3] = "";
  C.DescriptionKinds[4] = "Relational";
  std::string Set;
  TValueWriter W(Set);
  WriteConfiguration(W, C, 0);
  WriteWholeFile(Root / "x.set", Set);
  TTemplateData T((Root / "x").string());
  EXPECT_EQ(T.Configuration().DescriptionKinds[3], "Drop Down");
  EXPECT_EQ(T.Configuration().DescriptionKinds[4], "Relational");
  EXPECT_EQ(T.Configuration().StatusWord, "Status");
  EXPECT_EQ(T.Configuration().DateFormat, "mm/dd/yyyy");
  EXPECT_EQ(T.Grid3ColumnCount(), 0);  // no attribute file
  EXPECT_EQ(T.AttributeA(2), "");

  // A bad ".set" leaves everything empty and says so.
  WriteWholeFile(Root / "y.set", "garbage");
  TTemplateData Bad((Root / "y").string());
  EXPECT_FALSE(Bad.Load());
  EXPECT_EQ(Bad.Configuration().DetailNames[0], "");
}

TEST_F(TemplateTest, CreateDatabaseRequestAndReplies) {
  TRecordingTransport T;
  TServerSession S(T);
  TTemplateData Template("");
  std::string Reply;
  T.Reply = [&](const TClientRequest&) { return Reply; };
  auto Create = [&](const std::string& Name) {
    return Template.CreateDatabaseOnServer(S, Name, "General", "ABC", "2026/12/09", "2026/12/01",
                                           "A b", "Me", "General", "http://h/database/qnserver.exe");
  };
  Reply = "<HTML>database created</HTML>\r\n";
  EXPECT_EQ(Create("Demo"), 0);
  ASSERT_EQ(T.Requests.size(), 1u);
  EXPECT_EQ(T.Requests[0].UserAgent, "CreateDB:Demo;General");
  EXPECT_EQ(T.Requests[0].URL,
            "http://h/database/qnserver.exe?Author=Me&Name=Demo&Type=General&Description=A+b"
            "&CDate=2026%2F12%2F01&UDate=2026%2F12%2F09&FileCode=ABC");
  Reply = "<HTML>configuration not found</HTML>";
  EXPECT_EQ(Create("Demo"), 1);
  Reply = "<HTML>database already exists</html>";
  EXPECT_EQ(Create("Demo"), 2);
  Reply = "<HTML>Invalid Request</HTML>";
  EXPECT_EQ(Create("Demo"), 3);
  T.Fail = true;
  EXPECT_EQ(Create("Demo"), 3);
  T.Fail = false;
  T.Clear();
  EXPECT_EQ(Create("x;Other"), 3);
  EXPECT_EQ(Create("../x"), 3);
  EXPECT_TRUE(T.Requests.empty());

  int Draw = 0;
  const std::string Code = NewFileCode([&](int Range) {
    EXPECT_EQ(Range, 36);
    return (Draw++ * 7) % 36;
  });
  EXPECT_EQ(Code, "AHOV29GNU1");
}
