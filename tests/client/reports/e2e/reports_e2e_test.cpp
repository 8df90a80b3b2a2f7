// The search and report windows' logic against the real stack: bin/hmserv on a free loopback
// port, the web server below it and the server program with its resident instance, over a
// generated database of 300 records of several kinds.  What the searches, the report and the
// graph give is checked against the records as "G" reads them, computed here on their own.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <set>
#include <thread>

#include "client/core/local_server.h"
#include "client/core/login_logic.h"
#include "client/reports/criterion_dialogs.h"
#include "client/reports/graph.h"
#include "client/reports/quick_report.h"
#include "client/reports/search_results.h"
#include "client/reports/search_terms.h"
#include "net/http_client.h"
#include "platform/headless/event_loop_poll.h"
#include "platform/rtl/sysutils.h"
#include "platform/ui/chart.h"
#include "tests/client/reports/reports_fixture.h"
#include "tests/client/reports/e2e/stack_client.h"
#include "tests/client/reports/stack_install.h"
#include "tests/outside_programs.h"

namespace {

constexpr int kRecords = 300;

std::string Lower(std::string S) {
  for (char& C : S) C = static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
  return S;
}

// The cells of column Col of a grid text stream, read line by line.
std::vector<std::string> StreamColumn(const std::string& Stream, int Col) {
  std::vector<std::string> Out;
  std::size_t At = Stream.find("\r\n");
  while (At != std::string::npos && At + 2 < Stream.size()) {
    const std::size_t End = Stream.find("\r\n", At + 2);
    const std::string Line = Stream.substr(At + 2, End - At - 2);
    const auto A = Line.find(','), B = Line.find(',', A + 1);
    if (A != std::string::npos && B != std::string::npos && std::atoi(Line.substr(0, A).c_str()) == Col &&
        std::atoi(Line.substr(A + 1, B - A - 1).c_str()) > 0)
      Out.push_back(Line.substr(B + 1));
    At = End;
  }
  return Out;
}

bool Numeric(const std::string& S, double& V) {
  char* End = nullptr;
  V = std::strtod(S.c_str(), &End);
  return !S.empty() && End && *End == 0;
}

class ReportsStackTest : public ::testing::Test, protected TStackClient {
protected:
  void SetUp() override {
    InstallHeadlessBackend();
    SetCurrentEventLoop(&Loop);
    R = TestFolder("reports_e2e");
    Folder = R.string() + "/";
    InstallStack(R, "Test", MakeTestDatabase(kRecords));
    Port = FreeLoopbackPort();
    ASSERT_NO_FATAL_FAILURE(StartAndLogIn(Folder, Port));
    ReadAllRecords();
  }
  void TearDown() override {
    Server.Stop();
    SetCurrentEventLoop(nullptr);
    fs::remove_all(R);
  }
  // Every record as "G" reads it, in list order (the report of codes gives the order).
  void ReadAllRecords() {
    TQuickReportSetup Setup(Host);
    Setup.OnItemClick(230);
    TQnStringGrid Codes(nullptr);
    ASSERT_TRUE(Setup.Generate(Codes));
    ASSERT_EQ(Codes.RowCount(), kRecords + 1);
    for (int r = 1; r < Codes.RowCount(); ++r) {
      ASSERT_TRUE(Window.GetRecord("G" + Codes.Cells(0, r)));
      Records.push_back(Window.Buffers.Current);
      ASSERT_EQ(Records.back().Code, Codes.Cells(0, r));
    }
  }
  std::set<std::string> Where(const std::function<bool(const ItemRecord&)>& Test) {
    std::set<std::string> Out;
    for (const auto& Rec : Records)
      if (Test(Rec)) Out.insert(Rec.Code);
    return Out;
  }
  std::set<std::string> Search(const std::function<void(TSearchTerms&)>& Build) {
    TSearchList List;
    TSearchTerms Terms(Host, List);
    Terms.BuildFieldMenu();
    Build(Terms);
    EXPECT_TRUE(Terms.PerformSearchBtnClick());
    std::set<std::string> Out;
    for (int r = 1; r <= List.Count(); ++r) Out.insert(List.Code(r));
    return Out;
  }
  static void Range(TSearchTerms& T, int Row, int Code, const std::string& From, const std::string& To) {
    while (static_cast<int>(T.Rows.size()) <= Row) T.AddTermBtnClick();
    T.SelectField(Row, Code);
    criterion::RangeOK(T.RowTerm(Row), T.Rows[Row].Value, From, To);
  }
  static bool InRange(const std::string& Value, const std::string& From, const std::string& To) {
    double V, A, B;
    if (Numeric(Value, V) && Numeric(From, A) && Numeric(To, B)) return A <= V && V <= B;
    const std::string L = Lower(Value);
    return L.substr(0, From.size()) >= Lower(From) && L.substr(0, To.size()) <= Lower(To);
  }

  fs::path R;
  std::string Folder;
  int Port = 0;
  std::vector<ItemRecord> Records;
};

TEST_F(ReportsStackTest, SearchesOfEveryTermKindGiveWhatTheRecordsHold) {
  // A description excluded.
  EXPECT_EQ(Search([](TSearchTerms& T) {
              T.SelectField(1, 0);
              T.DescClick(1, {"Books:Books and printed matter"});
              T.Includes1Click(1, "Does Not Include");
            }),
            Where([](const ItemRecord& Rec) { return Rec.Descriptions[0].find("Books:Books and printed matter") == std::string::npos; }));
  // A detail range, an other text range, a status: three terms together.
  EXPECT_EQ(Search([](TSearchTerms& T) {
              Range(T, 1, 180, "100", "250");
              Range(T, 2, 260, "b", "d");
              T.AddTermBtnClick();
              T.SelectField(3, 200);
              T.StatusClick(3, 1);
            }),
            Where([](const ItemRecord& Rec) {
              return InRange(Rec.Details[8], "100", "250") && InRange(Rec.Others[0], "b", "d") && Rec.Checks[0];
            }));
  // A memo line, the record name, grid 3 "All" and a grid 3 column.
  EXPECT_EQ(Search([](TSearchTerms& T) {
              T.SelectField(1, 220);
              T.CellValidate(1, 2, "Velvet");
              T.AddTermBtnClick();
              T.SelectField(2, 210);
              T.CellValidate(2, 2, "Gold");
            }),
            Where([](const ItemRecord& Rec) {
              bool Memo = false;
              for (const auto& Line : Rec.Memos[0]) Memo = Memo || Lower(Line).find("velvet") != std::string::npos;
              return Memo && Lower(Rec.Name).find("gold") != std::string::npos;
            }));
  EXPECT_EQ(Search([](TSearchTerms& T) { Range(T, 1, 400, "10", "14"); }), Where([](const ItemRecord& Rec) {
              for (const auto& V : StreamColumn(Rec.Grid3, 1))
                if (InRange(V, "10", "14")) return true;
              return false;
            }));
  EXPECT_EQ(Search([](TSearchTerms& T) {
              T.SelectField(1, 250);
              T.CellValidate(1, 2, "Part 4");
            }),
            Where([](const ItemRecord& Rec) { return Rec.Grid3.find("Part 4") != std::string::npos; }));
  // A skill with a proficiency range and notes.
  EXPECT_EQ(Search([&](TSearchTerms& T) {
              T.SelectField(1, 197);
              criterion::SkillsOK(T.RowTerm(1), T.Rows[1].Value, Host.Captions.ItemNames, "Driving", "2", "7", "van", false);
            }),
            Where([](const ItemRecord& Rec) {
              double P = 0;
              return Rec.ItemChecks[0] && Numeric(Rec.ItemNames[0], P) && P >= 2 && P <= 7 && Rec.ItemValues[0] == "van";
            }));
}

TEST_F(ReportsStackTest, TheSearchListMergesCountsAndMarks) {
  TSearchList List;
  TSearchTerms Terms(Host, List);
  Terms.BuildFieldMenu();
  Terms.SelectField(1, 210);
  Terms.CellValidate(1, 2, "Gold");
  ASSERT_TRUE(Terms.PerformSearchBtnClick());
  const auto Gold = Where([](const ItemRecord& Rec) { return Rec.Name.find("Gold") != std::string::npos; });
  EXPECT_EQ(Terms.SearchResult(), std::to_string(Gold.size()) + " new records were found in the last search.");
  Terms.CellValidate(1, 2, "Record 1");  // 1, 10-19, 100-199: some are Gold already
  ASSERT_TRUE(Terms.PerformSearchBtnClick());
  const auto Ones = Where([](const ItemRecord& Rec) { return Rec.Name.find("Record 1") != std::string::npos; });
  std::set<std::string> Both = Gold;
  Both.insert(Ones.begin(), Ones.end());
  EXPECT_EQ(Terms.SearchResult(), std::to_string(Both.size() - Gold.size()) + " new records were found in the last search.");
  EXPECT_EQ(List.Count(), static_cast<int>(Both.size()));
  EXPECT_EQ(List.CountText(), std::to_string(Both.size()) + " records are on the search list.");
  // The display of the list, marked by the last search.
  TQnStringGrid Display(nullptr);
  TSearchResults Results(Host, List, Display);
  Results.ColumnMap[0] = 28;
  Results.ColumnMap[1] = 21;
  ASSERT_TRUE(Results.LoadSearchDisplay());
  ASSERT_EQ(Display.RowCount(), List.Count() + 1);
  int Green = 0;
  for (int r = 1; r < Display.RowCount(); ++r) {
    EXPECT_EQ(Display.Cells(0, r), List.Code(Results.ListRow(r)));
    const bool Found = Ones.count(Display.Cells(0, r)) != 0;
    EXPECT_EQ(Results.RowColor(r, Terms.ListGrid()), Found ? TSearchResults::FoundColor : TSearchResults::OlderColor);
    Green += Found;
  }
  EXPECT_EQ(Green, static_cast<int>(Ones.size()));
}

TEST_F(ReportsStackTest, AQuickReportOfTenColumnsAndItsExports) {
  TQuickReportSetup Setup(Host);
  for (int Code : {230, 10, 20, 30, 110, 120, 190, 240, 250, 210}) Setup.OnItemClick(Code);
  ASSERT_EQ(Setup.Items.size(), 10u);
  TSearchList List;
  TQuickReport Report(&List);
  ASSERT_TRUE(Setup.Generate(Report.DataGrid()));
  Report.FormActivate();
  TQnStringGrid& D = Report.DisplayGrid();
  ASSERT_EQ(D.ColCount(), 10);
  ASSERT_EQ(D.RowCount(), kRecords + 1);
  for (int r = 1; r <= kRecords; r += 37) {
    const ItemRecord& Rec = Records[r - 1];
    EXPECT_EQ(D.Cells(0, r), Rec.Name);
    EXPECT_EQ(D.Cells(1, r), Rec.Descriptions[0].substr(0, Rec.Descriptions[0].find(':')));
    EXPECT_EQ(D.Cells(6, r), Rec.Details[8]);
    EXPECT_EQ(D.Cells(9, r), Rec.Memos[0].front());
  }
  const std::string File = Folder + "report.csv";
  ExportGrid(D, 1, File);
  const std::string Out = CaptureCommand("/usr/bin/python3 -c \"import csv,sys; rows=list(csv.reader(open(sys.argv[1], newline='')));"
                                  " print(len(rows)); print(rows[0][0]); print(rows[5][0]); print(rows[5][6])\" '" +
                                  File + "'");
  EXPECT_EQ(Out, std::to_string(kRecords + 1) + "\n" + Host.Captions.RecordTitle + "\n" + Records[4].Name + "\n" +
                     Records[4].Details[8] + "\n");
  // The workbook and the HTML table, read back by their own readers.
  const std::string Book = Folder + "report.xlsx";
  ExportGrid(D, 0, Book);
  EXPECT_EQ(CaptureCommand("/usr/bin/python3 -c \"import openpyxl,sys; ws=openpyxl.load_workbook(sys.argv[1]).active;"
                    " print(ws.max_row); print(ws.cell(1,1).value); print(ws.cell(6,1).value); print(ws.cell(6,10).value)\" '" +
                    Book + "'"),
            std::to_string(kRecords + 1) + "\n" + Host.Captions.RecordTitle + "\n" + Records[4].Name + "\n" +
                Records[4].Memos[0].front() + "\n");
  const std::string Page = Folder + "report.htm";
  ExportGrid(D, 2, Page);
  const std::string Script =
      "import sys\n"
      "from html.parser import HTMLParser\n"
      "class P(HTMLParser):\n"
      "  def __init__(s):\n"
      "    super().__init__(); s.rows=[]; s.cell=None\n"
      "  def handle_starttag(s,t,a):\n"
      "    if t=='tr': s.rows.append([])\n"
      "    if t in ('td','th'): s.cell=''\n"
      "  def handle_endtag(s,t):\n"
      "    if t in ('td','th'): s.rows[-1].append(s.cell.strip()); s.cell=None\n"
      "  def handle_data(s,d):\n"
      "    if s.cell is not None: s.cell+=d\n"
      "p=P(); p.feed(open(sys.argv[1],encoding='utf-8',errors='replace').read())\n"
      "print(len(p.rows)); print(p.rows[0][0]); print(p.rows[5][0]); print(p.rows[5][6])\n";
  AtomicWriteFile(Folder + "read_html.py", Script);
  EXPECT_EQ(CaptureCommand("/usr/bin/python3 '" + Folder + "read_html.py' '" + Page + "'"),
            std::to_string(kRecords + 1) + "\n" + Host.Captions.RecordTitle + "\n" + Records[4].Name + "\n" +
                Records[4].Details[8] + "\n");
}

TEST_F(ReportsStackTest, TheGraphsBarsAreTheServersCounts) {
  TGraphLogic Logic(Host);
  TChartfx Chart(nullptr);
  std::vector<std::string> Categories;
  for (const auto& Node : Host.Captions.Trees[0].Nodes) Categories.push_back(Node.Text);
  ASSERT_TRUE(Logic.DrawGraph({1, {Host.Captions.DescriptionNames[0]}, Categories}, Chart));
  EXPECT_EQ(Chart.ScaleMaximum(), kRecords);
  for (std::size_t k = 0; k < Categories.size(); ++k) {
    const auto Count = Where([&](const ItemRecord& Rec) { return Lower(Rec.Descriptions[0]) == Lower(Categories[k]); }).size();
    EXPECT_EQ(Chart.Value(static_cast<short>(k)), static_cast<double>(Count)) << Categories[k];
  }
}

}  // namespace
