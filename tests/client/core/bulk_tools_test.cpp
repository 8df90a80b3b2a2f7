// Search and replace, data import and the relationship diagram against the real dispatcher
// in-process; the HTML table and catalogue page parsers; the CD player over the fake drive.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "client/core/cd_player.h"
#include "client/core/data_import.h"
#include "client/core/relationship.h"
#include "client/core/replace_logic.h"
#include "controls/grid/qn_grid.h"
#include "platform/headless/headless_peer.h"
#include "tests/client/core/client_fixture.h"
#include "tests/linear_time.h"

namespace {

class BulkTest : public ::testing::Test {
protected:
  void SetUp() override {
    InstallHeadlessBackend();
    Root = TestFolder("bulk");
    Served = std::make_unique<TServedDatabase>(Root);
    Window = std::make_unique<TRecordWindow>(Served->Session, View);
    ASSERT_TRUE(Window->OpenDatabase(nullptr));
  }
  void TearDown() override {
    Window.reset();
    Served.reset();
    fs::remove_all(Root);
  }
  // Every record as the server holds it, in order.
  std::vector<ItemRecord> All() {
    std::vector<ItemRecord> Out;
    TServerSession S(Served->Server);
    S.DatabaseName = Served->Session.DatabaseName;
    ItemRecord R;
    EXPECT_TRUE(ReadRecordStream(S.Get("F"), R));
    for (;;) {
      Out.push_back(R);
      ItemRecord N;
      if (!ReadRecordStream(S.Get("N" + R.Code), N) || N.Code == R.Code) break;
      R = N;
    }
    return Out;
  }
  // A new record with detail 0 and description 0 set.
  void AddRecord(const std::string& Name, const std::string& Detail0) {
    Window->NewRecordClick();
    View.Editors.Name = Name;
    Window->RecordChange();
    View.Editors.Details[0] = Detail0;
    Window->Detail8Change(0);
    ASSERT_TRUE(Window->SaveRecord(Window->Buffers.Current, true));
  }
  fs::path Root;
  std::unique_ptr<TServedDatabase> Served;
  TModelView View;
  std::unique_ptr<TRecordWindow> Window;
};

}  // namespace

// ---- Search and replace ------------------------------------------------------------------------------

TEST_F(BulkTest, ReplaceChecksAndCounts) {
  TConfiguration C;
  SetDefaultFieldNames(C);
  const auto List = ReplaceFieldList(C);
  ASSERT_EQ(List.size(), 26u);
  EXPECT_EQ(List[10].Code, 10);
  EXPECT_EQ(List[20].Code, 23);
  EXPECT_EQ(List[25].Code, 28);
  TReplaceChecks Checks(List);
  TReplaceChoice Choice;
  {
    TCheckedModalScript Script;
    Script.ExpectMessage("Please select a field from the field list.", mrOk);
    Script.ExpectMessage("Please enter default value.", mrOk);
    Script.ExpectMessage("Please select a load field from the field list.", mrOk);
    Script.ExpectMessage("Please enter a load value.", mrOk);
    Script.ExpectMessage("All occurrences of \"\" will be replaced by \"x\" in field Detail 1. Are you sure", mrNo);
    EXPECT_FALSE(Checks.OKBtnClick("No such field", "a", "b", Choice));
    EXPECT_FALSE(Checks.OKDefaultClick("Detail 1", "", Choice));
    EXPECT_FALSE(Checks.ConditionalOKClick("Detail 1", "nope", "a", "b", Choice));
    EXPECT_FALSE(Checks.ConditionalOKClick("Detail 1", "Other 1", "a", "", Choice));
    EXPECT_FALSE(Checks.OKBtnClick("Detail 1", "", "x", Choice));
  }
  EXPECT_FALSE(Choice.Accepted);
  EXPECT_EQ(ReplaceCountText("0", ""), " was not found.");
  EXPECT_EQ(ReplaceCountText("1", "a"), "1 replacement was made.");
  EXPECT_EQ(ReplaceCountText("12", "a"), "12 replacements were made.");
}

TEST_F(BulkTest, ReplaceChangesTheRecordsItShould) {
  AddRecord("one", "red apple");
  AddRecord("two", "green apple");
  AddRecord("three", "pear");
  const std::string Shown = Window->Number();
  TConfiguration C;
  SetDefaultFieldNames(C);
  TReplaceChecks Checks(ReplaceFieldList(C));
  {
    TCheckedModalScript Script;
    Script.ExpectMessage("All occurrences of \"apple\" will be replaced by \"plum\"", mrYes);
    Script.ExpectMessage("2 replacements were made.", mrOk);
    SearchandReplace(*Window, [&] {
      TReplaceChoice Choice;
      EXPECT_TRUE(Checks.OKBtnClick("Detail 1", "apple", "plum", Choice));
      return Choice;
    });
  }
  std::vector<std::string> Details;
  for (const auto& R : All()) Details.push_back(R.Details[0]);
  EXPECT_NE(std::find(Details.begin(), Details.end(), "red plum"), Details.end());
  EXPECT_NE(std::find(Details.begin(), Details.end(), "green plum"), Details.end());
  EXPECT_NE(std::find(Details.begin(), Details.end(), "pear"), Details.end());
  // A cancelled window still saves first and reloads after: S, then G, nothing else.
  Served->Recorder.Clear();
  SearchandReplace(*Window, [] { return TReplaceChoice{}; });
  const auto Verbs = Served->Recorder.Verbs();
  ASSERT_FALSE(Verbs.empty());
  EXPECT_EQ(Verbs.back(), "G" + Shown);
  for (const auto& V : Verbs) EXPECT_NE(V, "Z");
}

// ---- Data import -----------------------------------------------------------------------------------

TEST(ImportParsers, HtmlTablesListItemsAndBookPages) {
  const auto Csv = ParseImport({"<table><tr><td>A&nbsp;&amp;&nbsp;B</td><TD> x&ndash;y </TD></tr>",
                                "<tr><th>say \"hi\"</th></tr></table>"});
  ASSERT_EQ(Csv.size(), 2u);
  EXPECT_EQ(Csv[0], "\"A   B\",\"x-y\"");
  EXPECT_EQ(Csv[1], "\"say \"\"hi\"\"\"");
  const auto Li = ListItemImport({"<ul>", "<li><b>Tom</b> &amp; Jerry</li>"});
  EXPECT_EQ(Li[0], "<ul>");
  EXPECT_EQ(Li[1], "\"Tom\",\"&  Jerry\"");
  const std::string Q = "\"";
  const std::string Page = "<TR><TH>Title:</TH><TD dir=" + Q + "ltr" + Q + "> Moby Dick / by Herman Melville</TD>"
                           "<TH>ISBN:</TH><TD dir=" + Q + "ltr" + Q + "> 12345</TD>"
                           "<TH>Type of Material:</TH><TD>Book</TD>";
  const TBookFields B = ParseBookPage(Page);
  EXPECT_EQ(B.RecordName, "Moby Dick / by Herman Melville");
  EXPECT_EQ(B.Details[0], "Herman Melville");
  EXPECT_EQ(B.Details[5], "12345");
  EXPECT_EQ(B.Details[1], "Book");
  EXPECT_EQ(B.Details[2], "");
  EXPECT_EQ(ParseBookPage("Title:</TH><TD dir=" + Q + "ltr" + Q + "> Poems / Anon").Details[0], "Anon");
  EXPECT_EQ(BookPageText("a%20b\rc\x01" "d"), "a b\ncd\n");
}

TEST_F(BulkTest, ImportCreatesTheRecordsAndRestoresTheWindow) {
  TQnStringGrid Grid(nullptr);
  TImportLogic Import(Served->Session, Grid);
  std::vector<int> TimeOuts;
  std::vector<bool> Enabled;
  Import.SetTimeOut = [&](int S) { TimeOuts.push_back(S); };
  Import.EnableForm = [&](bool E) { Enabled.push_back(E); };
  std::ofstream(Root / "in.csv") << "Alpha,10\r\nBeta,20\r\n";
  ASSERT_TRUE(Import.LoadFile((Root / "in.csv").string()));
  EXPECT_EQ(Grid.Cells(0, 0), "Not Assigned");
  EXPECT_EQ(Grid.Cells(0, 1), "Alpha");
  TConfiguration C;
  SetDefaultFieldNames(C);
  auto Menu = ImportFieldMenu(C, "Name");
  ASSERT_EQ(Menu.size(), 28u);
  EXPECT_EQ(Menu[21].Code, 210);
  Import.SelectField(0, Menu[21]);  // the record name
  Import.SelectField(1, Menu[11]);  // detail 1
  Import.SetFieldMenuEnableState(Menu);
  EXPECT_FALSE(Menu[11].Enabled);
  EXPECT_TRUE(Menu[12].Enabled);
  EXPECT_TRUE(Menu[0].Enabled);
  Import.SelectField(1, Menu[0]);  // "Not Assigned" gives detail 1 back
  Import.SetFieldMenuEnableState(Menu);
  EXPECT_TRUE(Menu[11].Enabled);
  Import.SelectField(1, Menu[11]);
  {
    TCheckedModalScript Script;
    Script.ExpectMessage("Import Succesful !", mrOk);
    EXPECT_TRUE(Import.PerformImport());
  }
  EXPECT_EQ(Grid.RowCount(), 1);
  std::map<std::string, std::string> Stored;
  for (const auto& R : All()) Stored[R.Name] = R.Details[0];
  EXPECT_EQ(Stored["Alpha"], "10");
  EXPECT_EQ(Stored["Beta"], "20");
  // An HTML table imports the same way.
  std::vector<std::string> Html{"<table><tr><td>Gamma</td></tr><tr><td>Delta</td></tr></table>"};
  ASSERT_TRUE(Import.LoadHtml(Html, Root.string() + "/"));
  EXPECT_EQ(Html, (std::vector<std::string>{"\"Gamma\"", "\"Delta\""}));
  Import.SelectField(0, Menu[21]);
  {
    TCheckedModalScript Script;
    Script.ExpectMessage("Import Succesful !", mrOk);
    EXPECT_TRUE(Import.PerformImport());
  }
  Stored.clear();
  for (const auto& R : All()) Stored[R.Name] = R.Details[0];
  EXPECT_TRUE(Stored.count("Gamma") && Stored.count("Delta"));
  // A transfer error: the message, and the time-out and the window come back all the same.
  ASSERT_TRUE(Import.LoadFile((Root / "in.csv").string()));
  Served->Recorder.Fail = true;
  TimeOuts.clear();
  Enabled.clear();
  {
    TCheckedModalScript Script;
    Script.ExpectMessage("There was a problem with the import.", mrOk);
    EXPECT_FALSE(Import.PerformImport());
  }
  EXPECT_EQ(TimeOuts, (std::vector<int>{1000, 360}));
  EXPECT_EQ(Enabled, (std::vector<bool>{false, true}));
  EXPECT_EQ(Grid.RowCount(), 3);  // nothing lost
  // A file without lines has nothing to import.
  std::ofstream(Root / "none.csv") << "";
  EXPECT_FALSE(Import.LoadFile((Root / "none.csv").string()));
  EXPECT_EQ(Grid.RowCount(), 1);
}

// A long delimited file and a long HTML table load in time that grows with their length
// (100,000 lines in well under a second; a rescan of the text for each line took minutes):
// 12,500 lines against 100,000.
TEST_F(BulkTest, ALongImportLoadsInLinearTime) {
  TQnStringGrid Grid(nullptr);
  TImportLogic Import(Served->Session, Grid);
  const auto LoadCsv = [&](long n) {
    {
      std::ofstream Csv(Root / "long.csv", std::ios::binary);
      for (long i = 0; i < n; ++i) Csv << "Name " << i << "," << i << ",\"a, quoted cell\"\r\n";
    }
    Import.ClearImportGrid();  // what the run before left is not this run's work
    bool Loaded = false;
    const double Seconds = ThreadCpuSeconds([&] { Loaded = Import.LoadFile((Root / "long.csv").string()); });
    EXPECT_TRUE(Loaded);
    EXPECT_EQ(Grid.RowCount(), n + 1);
    EXPECT_EQ(Grid.Cells(0, static_cast<int>(n)), "Name " + std::to_string(n - 1));
    EXPECT_EQ(Grid.Cells(2, static_cast<int>(n)), "a, quoted cell");
    return Seconds;
  };
  double Times = Growth(LoadCsv, 12500, 8);
  std::printf("delimited, 12,500 to 100,000 lines: %.1f times the processor time\n", Times);
  EXPECT_LT(Times, LinearGrowthBound(8));
  const auto LoadHtml = [&](long n) {
    std::vector<std::string> Html{"<table>"};
    for (long i = 0; i < n; ++i) Html.push_back("<tr><td>Row " + std::to_string(i) + "</td><td>" + std::to_string(i) + "</td></tr>");
    Html.push_back("</table>");
    Import.ClearImportGrid();
    bool Loaded = false;
    const double Seconds = ThreadCpuSeconds([&] { Loaded = Import.LoadHtml(Html, Root.string() + "/"); });
    EXPECT_TRUE(Loaded);
    EXPECT_EQ(Grid.Cells(0, static_cast<int>(n)), "Row " + std::to_string(n - 1));
    return Seconds;
  };
  Times = Growth(LoadHtml, 12500, 8);
  std::printf("HTML, 12,500 to 100,000 rows: %.1f times the processor time\n", Times);
  EXPECT_LT(Times, LinearGrowthBound(8));
}

// ---- Relationship diagram -----------------------------------------------------------------------------

TEST(RelationshipModel, ParseAndLayout) {
  // A is the parent of B and C; C refers back to B's code in its second value.
  const std::vector<std::string> Reply{"<HTML>", "*** Relate List Begin ***",
                                       "A", "Alpha", "*** Start ***", "", "", "*** Finish ***",
                                       "B", "Beta", "*** Start ***", "Alpha : A", "", "*** Finish ***",
                                       "C", "Gamma", "*** Start ***", "Alpha : A", "Beta : B", "*** Finish ***",
                                       "D", "Delta", "*** Start ***", "", "", "*** Finish ***",
                                       "*** Relate List End ***", "</HTML>"};
  const TRelateData D = ParseRelateReply(Reply);
  ASSERT_EQ(D.Codes, (std::vector<std::string>{"A", "B", "C", "D"}));
  EXPECT_EQ(D.RelationCount, 2);
  EXPECT_EQ(D.Relations[0], (std::vector<std::string>{"", "A", "A", ""}));
  EXPECT_EQ(D.Relations[1], (std::vector<std::string>{"", "", "B", ""}));
  // Depth 1 around A: A alone in the top row, centred, and its two children side by side in the row
  // below, the pair centred too.
  const TDiagramModel M = GenerateDiagram(D, "A", 1, 600, 400);
  ASSERT_EQ(M.Boxes.size(), 3u);
  EXPECT_EQ(M.Box("A")->Top, kDiagramMargin);
  EXPECT_EQ(M.Box("A")->Left, (600 - 75) / 2);
  EXPECT_EQ(M.Box("B")->Top, kDiagramMargin + 50 + kDiagramRowGap);
  EXPECT_EQ(M.Box("C")->Top, M.Box("B")->Top);
  EXPECT_EQ(M.Box("B")->Left, (600 - 2 * 75 - kDiagramGap) / 2);
  EXPECT_EQ(M.Box("C")->Left, M.Box("B")->Left + 75 + kDiagramGap);
  EXPECT_EQ(M.Height, 400);
  EXPECT_EQ(M.Links.size(), 2u);
  // Around C at depth 2: parents A and B above; the relation B-A reached twice is drawn twice.
  const TDiagramModel MC = GenerateDiagram(D, "C", 2, 600, 400);
  EXPECT_EQ(MC.Boxes.size(), 3u);
  EXPECT_EQ(MC.Box("A")->Top, kDiagramMargin);
  EXPECT_GT(MC.Box("C")->Top, MC.Box("A")->Top);
  EXPECT_GE(MC.Links.size(), 4u);
  // A record nobody refers to and that refers to nobody: one box; an unknown centre: none.
  EXPECT_EQ(GenerateDiagram(D, "D", 5, 600, 400).Boxes.size(), 1u);
  EXPECT_TRUE(GenerateDiagram(D, "ZZ", 3, 600, 400).Boxes.empty());
  // Records referring to each other end by depth.
  const TRelateData Loop = ParseRelateReply({"<HTML>", "*** Relate List Begin ***", "A", "a", "*** Start ***",
                                             "b : B", "*** Finish ***", "B", "b", "*** Start ***", "a : A",
                                             "*** Finish ***", "*** Relate List End ***", "</HTML>"});
  EXPECT_EQ(GenerateDiagram(Loop, "A", 5, 600, 400).Boxes.size(), 2u);
}

TEST(RelationshipModel, BoxesFitTheirNamesAndNeverOverlap) {
  // One parent with six children named at length, and a grandparent: three rows, the children's
  // row wider than the window.
  std::vector<std::string> Reply{"<HTML>", "*** Relate List Begin ***", "G", "Grandparent", "*** Start ***", "",
                                 "*** Finish ***", "P", "Parent", "*** Start ***", "Grandparent : G", "*** Finish ***"};
  for (int i = 1; i <= 6; ++i)
    for (const std::string& L : {std::string("C") + char('0' + i), "Item 0" + std::to_string(i) + " Hammer drill set",
                                 std::string("*** Start ***"), std::string("Parent : P"), std::string("*** Finish ***")})
      Reply.push_back(L);
  Reply.push_back("*** Relate List End ***");
  Reply.push_back("</HTML>");
  const TRelateData D = ParseRelateReply(Reply);
  const auto Width = [](const std::string& Name) { return static_cast<int>(Name.size()) * 7 + 16; };
  const TDiagramModel M = GenerateDiagram(D, "P", 3, 600, 400, Width);
  ASSERT_EQ(M.Boxes.size(), 8u);
  for (const TDiagramBox& B : M.Boxes) {
    // Each name has its room, and every box lies in the diagram, clear of the others.
    EXPECT_EQ(B.Width, std::clamp(Width(B.Caption), 75, kDiagramMaxBoxWidth)) << B.Caption;
    EXPECT_GE(B.Left, kDiagramMargin) << B.Caption;
    EXPECT_LE(B.Left + B.Width, M.Width - kDiagramMargin) << B.Caption;
    EXPECT_LE(B.Top + B.Height, M.Height) << B.Caption;
    for (const TDiagramBox& O : M.Boxes) {
      if (&O == &B) continue;
      EXPECT_TRUE(B.Left + B.Width <= O.Left || O.Left + O.Width <= B.Left || B.Top + B.Height <= O.Top ||
                  O.Top + O.Height <= B.Top)
          << B.Caption << " overlaps " << O.Caption;
    }
  }
  // The diagram grows to the children's row; the rows start at the top and follow the relations.
  EXPECT_GT(M.Width, 600);
  EXPECT_EQ(M.Box("G")->Top, kDiagramMargin);
  EXPECT_LT(M.Box("P")->Top, M.Box("C1")->Top);
  EXPECT_EQ(M.Box("C1")->Top, M.Box("C6")->Top);
  // The parent stands in the middle over its children.
  EXPECT_LE(std::abs(M.Box("P")->Left * 2 + M.Box("P")->Width - M.Width), 1);
  // A name too long for any box is cut at the widest box.
  const TDiagramModel Wide = GenerateDiagram(D, "P", 1, 600, 400, [](const std::string&) { return 5000; });
  EXPECT_EQ(Wide.Box("P")->Width, kDiagramMaxBoxWidth);
}

TEST_F(BulkTest, DiagramOfRelatedRecordsFromTheServer) {
  // Make description 1 relational and point the second record at the first.
  Window->Buffers.Configuration.DescriptionKinds[0] = "Relational";
  Window->Buffers.ConfigMask.Set(ConfigMask::Descriptions, 0);
  ASSERT_TRUE(Window->SaveServerConfiguration());
  const std::string First = Window->Number();
  AddRecord("child", "");
  Window->ChooseDescriptionValue(0, View.Editors.Name + " : " + First);
  ASSERT_TRUE(Window->SaveRecord(Window->Buffers.Current, true));
  const std::string Child = Window->Number();
  std::string Chosen;
  RelationshipDiagram(*Window, [&](const TRelateData& D) {
    const TDiagramModel M = GenerateDiagram(D, Child, 3, 600, 400);
    EXPECT_EQ(M.Boxes.size(), 2u);
    EXPECT_TRUE(M.Box(First));
    // The one relation is found from both ends and again on the way back: three lines.
    EXPECT_EQ(M.Links.size(), 3u);
    for (const auto& L : M.Links) EXPECT_TRUE((L.Begin == Child) != (L.End == Child) || L.Begin == First);
    EXPECT_LT(M.Box(First)->Top, M.Box(Child)->Top);
    return Chosen = First;
  });
  EXPECT_EQ(Window->Number(), First);
}

// ---- CD player --------------------------------------------------------------------------------------

TEST(CDPlayer, TracksPositionRepeatAndEject) {
  TFakeCdAudioDevice Drive({200, 190, 300});
  ASSERT_TRUE(Drive.Open());
  TCdDevicePort Port(Drive);
  TCDPlayerLogic P(Port);
  P.Timer1Timer();
  EXPECT_TRUE(P.Loaded());
  EXPECT_EQ(P.PositionOf(3, 1, 5), 200 + 190 + 65);
  Port.Play();
  P.CDPostClick(TCdButton::Play);
  EXPECT_EQ(P.Colour, TCdLabelColour::Green);
  Drive.Advance(187);
  P.Timer1Timer();
  EXPECT_EQ(P.Track, "1");
  EXPECT_EQ(P.Time, "03:07");
  EXPECT_EQ(P.Status, " playing");
  // Repeat: two seconds before the end of track 1 play goes back to its start.
  P.RepeatCurrentSong = true;
  P.mnuOptionsRepeatClick();
  EXPECT_EQ(P.RepeatEnd(), 198);
  Drive.Advance(12);
  P.Timer1Timer();
  EXPECT_EQ(Drive.Position().Track, 1);
  EXPECT_LT(Drive.Position().Time.TotalFrames(), 75 * 2);
  Drive.Pause();
  P.CDPostClick(TCdButton::Pause);
  EXPECT_EQ(P.Status, " Paused");
  EXPECT_EQ(P.Colour, TCdLabelColour::Yellow);
  // Continuous play starts again from track 1 once the disc has stopped.
  Drive.Resume();
  P.CDPostClick(TCdButton::Pause);
  P.ContinuousPlay = true;
  P.RepeatCurrentSong = false;
  Drive.Stop();
  P.Timer1Timer();
  EXPECT_EQ(Drive.Mode(), cdPlaying);
  EXPECT_EQ(Drive.Position().Track, 1);
  // Eject, another disc: the table reloads at the next stop.
  Drive.Eject();
  P.CDPostClick(TCdButton::Eject);
  EXPECT_FALSE(P.Loaded());
  EXPECT_EQ(P.Track, "0");
  EXPECT_EQ(P.Time, "00:00");
  Drive.InsertDisc({100});
  P.Timer1Timer();
  EXPECT_TRUE(P.Loaded());
  EXPECT_EQ(P.PositionOf(2, 0, 0), 100);
  // No drive at all: "not ready", nothing raised.
  auto None = CreateNoCdAudioDevice();
  TCdDevicePort NonePort(*None);
  TCDPlayerLogic Q(NonePort);
  Q.CDPostClick(TCdButton::Play);
  Q.Timer1Timer();
  EXPECT_FALSE(Q.Loaded());
  EXPECT_EQ(Q.Status, " not ready");
}
