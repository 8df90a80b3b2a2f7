// The small dialogs and the category tree editor on the headless backend, shown modally as
// their openers show them, with the scripted person filling them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <tuple>
#include <utility>

#include "client/category_tree_editor.h"
#include "client/small_dialogs.h"
#include "controls/html_label.h"
#include "client/tree_nodes.h"
#include "platform/headless/event_loop_poll.h"
#include "platform/headless/headless_peer.h"
#include "platform/rtl/ini_files.h"
#include "platform/ui/application.h"
#include "platform/ui/edits.h"
#include "platform/ui/std_buttons.h"
#include "platform/ui/std_painted.h"
#include "records/description_tree.h"
#include "tests/platform/headless/modal_script_check.h"
#include "tests/platform/headless/headless_application.h"

namespace fs = std::filesystem;

namespace {

class DialogsTest : public ::testing::Test {
protected:
  void SetUp() override {
    NewHeadlessApplication(App);
    Folder = fs::temp_directory_path() / ("qnclient_dialogs_" + std::to_string(::getpid()));
    fs::remove_all(Folder);
    fs::create_directories(Folder);
    setenv("XDG_CONFIG_HOME", Folder.c_str(), 1);
  }
  void TearDown() override {
    delete App;
    Application = nullptr;
    fs::remove_all(Folder);
  }
  // Shows the form modally; Fill runs once it is up (its FormActivate done).
  template <typename F>
  void Run(TForm& form, const std::string& caption, std::function<void(F&)> fill) {
    TCheckedModalScript script;
    script.ExpectForm(caption, [fill](TCustomForm& f) { fill(dynamic_cast<F&>(f)); });
    form.ShowModal();
  }
  TApplication* App = nullptr;
  fs::path Folder;
};

TDescriptionNode Node(const std::string& text, std::vector<TDescriptionNode> children = {}) {
  TDescriptionNode n;
  n.Text = text;
  n.Children = std::move(children);
  return n;
}

}  // namespace

TEST_F(DialogsTest, DateFormatPreselectsTheDatabasesOrderAndGivesTheChosenOne) {
  for (auto entry : {std::pair{"mm/dd/yyyy", true}, std::pair{"dd/mm/yyyy", false}, std::pair{"yyyy/mm/dd", false}}) {
    const std::string format = entry.first;
    const bool monthFirst = entry.second;
    TSelectDateFormatForm form(nullptr);
    form.DateFormat = format;
    Run<TSelectDateFormatForm>(form, "Select Date Format", [&](TSelectDateFormatForm& f) {
      EXPECT_EQ(f.MonthFirst->Checked(), monthFirst) << format;
      EXPECT_EQ(f.DayFirst->Checked(), !monthFirst) << format;
      f.MonthFirst->SetChecked(!monthFirst);
      f.OKBtn->Click();
    });
    EXPECT_EQ(form.DateFormat, monthFirst ? "dd/mm/yyyy" : "mm/dd/yyyy");
  }
}

TEST_F(DialogsTest, DatabaseInformationKeepsTheTypeOfMostDatabasesAndChecksItsBoxes) {
  for (auto entry : {std::pair{"General", true}, std::pair{"Blank", false}, std::pair{"Fitness", false},
                     std::pair{"", false}}) {
    const std::string type = entry.first;
    const bool readOnly = entry.second;
    TDatabaseInformationForm form(nullptr);
    form.Info.Type = type;
    form.Info.FileCode = "ABC";
    Run<TDatabaseInformationForm>(form, "Please enter database information:", [&](TDatabaseInformationForm& f) {
      EXPECT_EQ(f.DatabaseType->ReadOnly(), readOnly) << type;
      EXPECT_EQ(f.FileCode->Text(), "");
      f.CancelBtn->Click();
    });
    EXPECT_FALSE(form.Accepted);
  }
  // OK needs a name and a type; an empty description becomes the name.
  TDatabaseInformationForm form(nullptr);
  TCheckedModalScript script;
  script.ExpectForm("Please enter database information:", [](TCustomForm& c) {
    auto& f = dynamic_cast<TDatabaseInformationForm&>(c);
    f.OKBtn->Click();
    EXPECT_EQ(f.ModalResult(), mrNone);
    f.DatabaseName->SetText("Stamps");
    f.OKBtn->Click();
    EXPECT_EQ(f.ModalResult(), mrNone);
    f.DatabaseType->SetText("Collection");
    f.OKBtn->Click();
  });
  script.ExpectMessage("Please enter a name for your database.", mrOk);
  script.ExpectMessage("Please enter database type.", mrOk);
  form.ShowModal();
  EXPECT_TRUE(form.Accepted);
  EXPECT_EQ(form.Info.Name, "Stamps");
  EXPECT_EQ(form.Info.Description, "Stamps");
  EXPECT_EQ(form.Info.Type, "Collection");
}

// The dates show as the database writes its dates, and OK keeps them as stored.
TEST_F(DialogsTest, DatabaseInformationShowsItsDatesInTheDatabasesFormat) {
  for (auto entry : {std::pair{"mm/dd/yyyy", "12/02/2026"}, std::pair{"dd/mm/yyyy", "02/12/2026"},
                     std::pair{"", "2026/12/02"}}) {
    TDatabaseInformationForm form(nullptr);
    form.DateFormat = entry.first;
    form.Info = {"Stamps", "", "", "General", "2026/12/02", "2026/12/09", "3", ""};
    Run<TDatabaseInformationForm>(form, "Please enter database information:", [&](TDatabaseInformationForm& f) {
      EXPECT_EQ(f.DateCreated->Text(), entry.second) << entry.first;
      EXPECT_EQ(f.DateUpdated->Text().substr(0, 2), std::string(entry.first).empty() ? "20" : entry.first[0] == 'm' ? "12" : "09");
      f.OKBtn->Click();
    });
    EXPECT_TRUE(form.Accepted);
    EXPECT_EQ(form.Info.CDate, "2026/12/02");
    EXPECT_EQ(form.Info.UDate, "2026/12/09");
  }
}

// The notes of the field and drop-down dialogs wrap within the window, above what follows them.
TEST_F(DialogsTest, WrappedNotesStayInsideTheirDialogs) {
  TEditFieldForm Field(nullptr);
  TDropDownMenuForm Menu(nullptr);
  const std::tuple<TForm*, const char*, int> Cases[] = {{&Field, "Note", Field.OKBtn->Top()},
                                                        {&Menu, "Instructions", Menu.Choices->Top()}};
  for (const auto& [Form, Name, Below] : Cases) {
    auto* L = dynamic_cast<TLabel*>(Form->FindComponent(Name));
    ASSERT_NE(L, nullptr) << Name;
    EXPECT_LE(L->Left() + L->Width(), Form->ClientWidth()) << Name;
    EXPECT_GT(L->Height(), 20) << Name;  // more than one line
    EXPECT_LE(L->Top() + L->Height(), Below) << Name;
  }
}

TEST_F(DialogsTest, QuantityGivesASignedWholeNumberOrNothing) {
  for (auto entry : {std::tuple{"5", true, -5}, std::tuple{"5", false, 5}, std::tuple{"5.5", false, 0},
                     std::tuple{"x", true, 0}}) {
    const std::string text = std::get<0>(entry);
    const bool remove = std::get<1>(entry);
    const int amount = std::get<2>(entry);
    TEditQuantityForm form(nullptr);
    form.FieldName = "Quantity";
    Run<TEditQuantityForm>(form, "Edit Quantity", [&](TEditQuantityForm& f) {
      EXPECT_EQ(f.FieldLabel->Caption(), "Quantity");
      f.AmountBox->SetText(text);
      if (remove) f.RemoveBtn->SetChecked(true);
      f.OKBtn->Click();
    });
    EXPECT_EQ(form.Amount, amount) << text;
  }
}

TEST_F(DialogsTest, EmailSettingsStartFromTheMailComponentAndAreKept) {
  {
    TEmailSettingsForm form(nullptr);
    form.DefaultHost = "mail.example";
    form.DefaultPort = "2525";
    Run<TEmailSettingsForm>(form, "Email Settings", [](TEmailSettingsForm& f) {
      EXPECT_EQ(f.MailServer->Text(), "mail.example");
      EXPECT_EQ(f.MailPort->Text(), "2525");
      EXPECT_EQ(f.SenderName->Text(), "");
      f.SenderEmail->SetText("me@example.org");
      f.OKBtn->Click();
    });
  }
  TEmailSettingsForm again(nullptr);
  Run<TEmailSettingsForm>(again, "Email Settings", [](TEmailSettingsForm& f) {
    EXPECT_EQ(f.SenderEmail->Text(), "me@example.org");
    EXPECT_EQ(f.MailServer->Text(), "mail.example");
    f.CancelBtn->Click();
  });
  TIniFile key((Folder / "QuillonClient.ini").string());
  EXPECT_EQ(key.ReadString("SETTINGS", "SenderEmail", ""), "me@example.org");
}

TEST_F(DialogsTest, ServerSettingsBuildTheOnlineAddressFromTheEchoPage) {
  TServerSettingsForm form(nullptr);
  form.DatabaseName = "Demo";
  form.DatabaseType = "General";
  EXPECT_EQ(form.URLFromReply("<html>\r\n203.0.113.7\r\n"),
            "http://203.0.113.7:6777/database/qnserver.exe?IM=Yes&F=N&Database=Demo");
  // No address known: said plainly, with no address to copy.
  form.LocalAddresses = [] { return std::vector<std::string>{"127.0.1.1"}; };
  EXPECT_EQ(form.URLFromReply("one line only"), "Not Available");
  EXPECT_EQ(form.URLFromReply(""), "Not Available");
  // A reply whose second line is empty (it ends in a line break) or holds no address.
  EXPECT_EQ(form.URLFromReply("<html>\r\n"), "Not Available");
  EXPECT_EQ(form.URLFromReply("<html>\r\n<b>busy</b>\r\n"), "Not Available");
  EXPECT_EQ(form.URLFromReply("<html>\r\n 2001:db8::5 \r\n"),
            "http://[2001:db8::5]:6777/database/qnserver.exe?IM=Yes&F=N&Database=Demo");
  // Without a public address, the address of this machine that its network reaches.
  form.LocalAddresses = [] { return std::vector<std::string>{"127.0.1.1", "192.168.1.5"}; };
  EXPECT_EQ(form.URLFromReply("<html>\r\n"), "http://192.168.1.5:6777/database/qnserver.exe?IM=Yes&F=N&Database=Demo");
  form.DatabaseType = "Library";
  form.FetchPublicAddress = [](std::string& reply) {
    reply = "x\r\n198.51.100.2\x01\r\n";
    return true;
  };
  form.LocalAddresses = [] { return std::vector<std::string>{"192.168.1.5", "10.0.0.2"}; };
  Run<TServerSettingsForm>(form, "Server Settings", [](TServerSettingsForm& f) {
    EXPECT_EQ(f.URLLabel->Caption(), "Online Search URL:");
    EXPECT_EQ(f.URLBox->Text(), "http://198.51.100.2:6777/database/qnserver.exe?Catalog=Yes&Database=Demo");
    EXPECT_EQ(f.AddressList->Items().Count(), 2);
    f.OKBtn->Click();
  });
}

// The explanation says what is true of the listening address: the loopback address (the default)
// answers this computer only.
TEST_F(DialogsTest, ServerSettingsSayWhoCanReachTheServer) {
  for (const char* listen : {"", "127.0.0.1", "0.0.0.0", "192.168.1.5"}) {
    TServerSettingsForm form(nullptr);
    form.DatabaseName = "Demo";
    form.ListenAddress = listen;
    form.FetchPublicAddress = [](std::string&) { return false; };
    form.LocalAddresses = [] { return std::vector<std::string>{"192.168.1.5"}; };
    std::string text;
    bool boldHeading = false, plainText = false;
    Run<TServerSettingsForm>(form, "Server Settings", [&](TServerSettingsForm& f) {
      text = f.Explanation->HTMLText().Text();
      // The heading is drawn bold and larger (bold alone hardly shows at the small size), the
      // explanation under it plain.
      TRecordingPainter& painted = HeadlessPeer(f)->Recorder();
      painted.Clear();
      f.Repaint();
      for (const TPaintCall* c : painted.TextCalls()) {
        if (c->Text == "This " || c->Text == "Reaching ")
          boldHeading = c->Font.Style.Contains(fsBold) && c->Font.Height < f.Explanation->Font().Height();
        if (c->Text == "web ") plainText = !c->Font.Style.Contains(fsBold);
      }
      f.OKBtn->Click();
    });
    EXPECT_TRUE(boldHeading) << listen;
    EXPECT_TRUE(plainText) << listen;
    const bool loopback = std::string(listen).empty() || std::string(listen) == "127.0.0.1";
    EXPECT_EQ(text.find("other computers cannot reach it") != std::string::npos, loopback) << listen << ": " << text;
    EXPECT_EQ(text.find("Other computers on your network reach it") != std::string::npos, !loopback) << listen;
    EXPECT_NE(text.find("6777"), std::string::npos) << listen;
  }
}

// The item editor names its parts as the item list names its columns: the check mark belongs to
// the first column, the two texts to the second and third.
TEST_F(DialogsTest, TheItemEditorsLabelsAreTheItemListsColumns) {
  TEditSkillForm form(nullptr);
  form.ItemName = "Drill";
  form.Value1 = "X200";
  form.Value2 = "two speeds";
  form.Flag = true;
  form.ColumnCaptions = {"Tool", "Model", "Remarks"};
  Run<TEditSkillForm>(form, "Edit Skill", [](TEditSkillForm& f) {
    EXPECT_EQ(f.Value1Label->Caption(), "Model");
    EXPECT_EQ(f.Value1Box->Text(), "X200");
    EXPECT_EQ(f.Value2Label->Caption(), "Remarks");
    EXPECT_EQ(f.FlagBox->Caption(), "Select Tool");
    EXPECT_TRUE(f.FlagBox->Checked());
    f.Value1Box->SetText("X300");
    f.OKBtn->Click();
  });
  EXPECT_EQ(form.Value1, "X300");
}

TEST_F(DialogsTest, TreeLinesKeepTheNestingAndMendAJumpOfTwoLevels) {
  TDescriptionTree tree;
  tree.Nodes = {Node("Europe", {Node("France"), Node("Italy", {Node("Rome")})}), Node("Asia")};
  const std::string lines = TreeToLines(tree);
  EXPECT_EQ(lines, "Europe\r\n\tFrance\r\n\tItaly\r\n\t\tRome\r\nAsia\r\n");
  EXPECT_EQ(TreeToLines(TreeFromLines(lines)), lines);
  // A line two levels deeper than the one before it becomes its child; blank lines go.
  TDescriptionTree mended = TreeFromLines("A\r\n\t\tB\r\n\r\n   \r\nC");
  ASSERT_EQ(mended.Nodes.size(), 2u);
  ASSERT_EQ(mended.Nodes[0].Children.size(), 1u);
  EXPECT_EQ(mended.Nodes[0].Children[0].Text, "B");
  EXPECT_EQ(mended.Nodes[1].Text, "C");
}

TEST_F(DialogsTest, TheCategoryEditorAddsMovesAndStoresTheTree) {
  TDescriptionTree tree;
  tree.Nodes = {Node("Colour", {Node("Blue")}), Node("Size")};
  TAddDescription editor(nullptr);
  editor.Description = 3;
  editor.DescriptionCaption = "Look";
  editor.Tree = &tree;
  std::vector<std::string> values;
  editor.OnUpdateRecord = [&](const std::string& v) { values.push_back(v); };
  TCheckedModalScript script;
  script.ExpectForm("Add Look Category", [&](TCustomForm&) {
    TTreeView& list = *editor.DescriptionList;
    ASSERT_EQ(list.Items().Count(), 3);
    TTreeNode* colour = list.Items().GetFirstNode();
    TTreeNode* blue = colour->getFirstChild();
    TTreeNode* size = colour->getNextSibling();
    // An empty name adds nothing.
    list.SetSelected(colour);
    editor.CategoryName->SetText("");
    editor.AddChildBtn->Click();
    editor.InsertBtn->Click();
    EXPECT_EQ(list.Items().Count(), 3);
    EXPECT_TRUE(values.empty());
    // Red as a child of Colour: the field gets its full name.
    editor.CategoryName->SetText("Red");
    editor.AddChildBtn->Click();
    EXPECT_EQ(values, (std::vector<std::string>{"Red : Colour"}));
    EXPECT_EQ(colour->Count(), 2);
    // A node drops only among nodes of its own level, in front of the target.
    list.SetSelected(blue);
    EXPECT_FALSE(editor.CanDrop(size));
    EXPECT_FALSE(editor.CanDrop(blue));
    list.SetSelected(size);
    EXPECT_TRUE(editor.CanDrop(colour));
    editor.DropOn(colour);
    EXPECT_EQ(list.Items().GetFirstNode()->Text(), "Size");
    editor.CloseFormBtn->Click();
  });
  editor.ShowModal();
  editor.FormDeactivate(&editor);
  // The closed editor left its tree in the description's value tree.
  ASSERT_EQ(tree.Nodes.size(), 2u);
  EXPECT_EQ(tree.Nodes[0].Text, "Size");
  ASSERT_EQ(tree.Nodes[1].Children.size(), 2u);
  EXPECT_EQ(tree.Nodes[1].Children[1].Text, "Red");
  EXPECT_EQ(editor.LastValue, "Red : Colour");
}
