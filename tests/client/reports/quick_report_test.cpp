// The quick report: its request, the format file and the refusal of files that do not hold a
// format, the filters over the received rows, the header and footer texts, the preview, and a
// failed generation that leaves no window behind.
#include "client/reports/quick_report.h"

#include "client/reports/quick_report_forms.h"
#include "client/reports/record_print_form.h"
#include "client/reports/report_windows.h"
#include "client/reports/search_form.h"
#include "client/reports/search_results_form.h"
#include "platform/rtl/format_settings.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/typed_stream.h"
#include "platform/ui/screen.h"
#include "platform/ui/std_buttons.h"
#include "platform/ui/std_painted.h"
#include "print/grid_print.h"
#include "print/preview.h"
#include "print/preview_companions.h"
#include "tests/client/reports/reports_fixture.h"
#include "tests/outside_programs.h"

namespace {

class QuickReportTest : public ReportsTest {
protected:
  void SetUp() override {
    ReportsTest::SetUp();
    Setup = std::make_unique<TQuickReportSetup>(Host);
  }
  std::unique_ptr<TQuickReportSetup> Setup;
};

// Fills a grid row by row; every row has the first row's length.
void FillGrid(TQnStringGrid& Grid, const std::vector<std::vector<std::string>>& Rows) {
  Grid.SetColCount(static_cast<int>(Rows.front().size()));
  Grid.SetRowCount(static_cast<int>(Rows.size()));
  for (size_t r = 0; r < Rows.size(); ++r)
    for (size_t c = 0; c < Rows[r].size(); ++c)
      Grid.SetCells(static_cast<int>(c), static_cast<int>(r), Rows[r][c]);
}

TEST_F(QuickReportTest, TheRequestStartsWithTheRecordIDAndTheReplyHoldsEveryRecord) {
  EXPECT_FALSE(Setup->GenerateEnabled);
  Setup->OnItemClick(230);
  Setup->OnItemClick(220);
  Setup->OnItemClick(10);
  Setup->OnItemClick(230);  // once only
  EXPECT_TRUE(Setup->GenerateEnabled);
  ASSERT_EQ(Setup->Items.size(), 3u);
  EXPECT_EQ(Setup->ReportRequest(), "4,2\r\n0,0,Record ID\r\n1,0," + Host.Captions.RecordTitle +
                                        "\r\n2,0,Record ID\r\n3,0," + Host.Captions.DescriptionNames[0] +
                                        "\r\n0,1,220\r\n1,1,230\r\n2,1,220\r\n3,1,10\r\n");
  TQnStringGrid Data(nullptr);
  ASSERT_TRUE(Setup->Generate(Data));
  EXPECT_EQ(Recorder->Requests.back().UserAgent, "3:Test");
  const auto All = AllRecords();
  ASSERT_EQ(Data.RowCount(), static_cast<int>(All.size()) + 1);
  EXPECT_EQ(Data.Cells(1, 0), Host.Captions.RecordTitle);
  EXPECT_EQ(Data.Cells(0, 5), All[4].first);
  EXPECT_EQ(Data.Cells(1, 5), All[4].second);
  EXPECT_EQ(Data.Cells(3, 5), "Art");  // the text before the colon
  Setup->RemoveBtnClick(0);
  Setup->MoveDownBtnClick(0);
  Setup->MoveDownBtnClick(1);  // not past the end
  EXPECT_EQ(Setup->Items[1].Code, 220);
  Setup->RemoveBtnClick(0);
  Setup->RemoveBtnClick(0);
  EXPECT_FALSE(Setup->GenerateEnabled || Setup->SaveEnabled || Setup->RemoveEnabled);
}

TEST_F(QuickReportTest, FormatFilesRoundTripAndAFalseScopeKeepsTheRadioChoice) {
  Setup->OnItemClick(110);
  Setup->OnItemClick(240);
  const auto Items = Setup->Items;
  {
    TCheckedModalScript Script;
    Script.ExpectSaveFile("", (Root / "layout").string());
    Script.ExpectMessage(TQuickReportSetup::SavedText, mrOk);
    Setup->SaveQuickReportBtnClick();
  }
  const std::string File = (Root / "layout.qrf").string();
  ASSERT_TRUE(fs::exists(File));
  TQuickReportSetup Other(Host);
  Other.SearchListRecords = true;
  {
    TCheckedModalScript Script;
    Script.ExpectOpenFile("", File);
    Script.ExpectMessage(TQuickReportSetup::LoadedText, mrOk);
    Other.LoadBtnClick();
  }
  EXPECT_EQ(Other.Items, Items);
  EXPECT_TRUE(Other.SearchListRecords);
  EXPECT_FALSE(Other.Menu[10].Enabled);
  EXPECT_TRUE(Other.GenerateEnabled);
  // The bytes: list begin, caption and code per entry, list end, the Boolean.
  const std::string Bytes = ReadFileBytes(File);
  ASSERT_GE(Bytes.size(), 4u);
  EXPECT_EQ(Bytes[0], '\x01');
  EXPECT_EQ(Bytes.substr(Bytes.size() - 2), std::string("\x00\x08", 2));
}

void Write(const std::string& File, const std::function<void(TWriter&)>& Values) {
  TFileStream Out(File, fmCreate);
  TWriter W(Out, 100);
  Values(W);
}

TEST_F(QuickReportTest, FormatFilesOutOfRangeChangeNothing) {
  Setup->OnItemClick(20);
  const auto Items = Setup->Items;
  const std::string File = (Root / "bad.qrf").string();
  const std::vector<std::function<void(TWriter&)>> Bad = {
      [](TWriter& W) {
        W.WriteListBegin();
        W.WriteString("x");
        W.WriteInteger(215);
        W.WriteListEnd();
        W.WriteBoolean(false);
      },
      [](TWriter& W) {
        W.WriteListBegin();
        for (int i = 0; i < 2; ++i) {
          W.WriteString("x");
          W.WriteInteger(30);
        }
        W.WriteListEnd();
        W.WriteBoolean(false);
      },
      [](TWriter& W) {
        W.WriteListBegin();
        W.WriteString("x");
        W.WriteInteger(30);
        W.WriteListEnd();
        W.WriteBoolean(false);
        W.WriteInteger(7);
      },
      [](TWriter& W) {
        W.WriteListBegin();
        W.WriteString("x");
      },
      [](TWriter& W) { W.WriteString("not a list"); },
  };
  for (const auto& Values : Bad) {
    Write(File, Values);
    TCheckedModalScript Script;
    Script.ExpectMessage(TQuickReportSetup::InvalidText, mrOk);
    EXPECT_FALSE(Setup->ReadFormatFile(File));
    EXPECT_EQ(Setup->Items, Items);
    EXPECT_FALSE(Setup->Menu[1].Enabled);
  }
}

// A report of three columns: code, a text column and a date column.
void FillReport(TQuickReport& R) {
  TQnStringGrid& D = R.DataGrid();
  D.SetColCount(3);
  D.SetRowCount(6);
  // Dates as the database keeps them (its date format, "mm/dd/yyyy" by default).
  const char* const Rows[][3] = {{"Record ID", "Maker", "Date Bought"}, {"A1", "Acme", "03/15/2020"},
                                 {"A2", "ACME", "06/02/2021"},          {"A3", "Bolt", ""},
                                 {"A4", "acme", "someday"},             {"A5", "Bolt", "05/31/2019"}};
  for (int r = 0; r < 6; ++r)
    for (int c = 0; c < 3; ++c) D.SetCells(c, r, Rows[r][c]);
  R.Today = [] { return EncodeDate(2026, 4, 10); };
  R.FormActivate();
}

std::vector<std::string> Column(TQnStringGrid& G, int Col) {
  std::vector<std::string> Out;
  for (int r = 0; r < G.RowCount(); ++r) Out.push_back(G.Cells(Col, r));
  return Out;
}

TEST(QuickReportRows, TextDateAndSearchListFilters) {
  InstallHeadlessBackend();
  TSearchList List;
  TQuickReport R(&List);
  FillReport(R);
  ASSERT_EQ(R.Filters.size(), 3u);
  EXPECT_EQ(R.Filters[2].Kind, 3);
  EXPECT_EQ(R.Filters[1].Kind, 1);
  EXPECT_EQ(Column(R.DisplayGrid(), 0), (std::vector<std::string>{"Maker", "Acme", "ACME", "Bolt", "acme", "Bolt"}));
  R.SetTextFilter(1, "acme");
  EXPECT_EQ(Column(R.DisplayGrid(), 1), (std::vector<std::string>{"Date Bought", "03/15/2020", "06/02/2021", "someday"}));
  R.SetTextFilter(1, "");
  // March to May, read with their own format; an empty cell is today (April 10); a cell that
  // holds no date is left out.
  const std::string Before = FormatSettings.ShortDateFormat;
  R.SetDateFilter(2, "03/01", "05/31", "03/01 to 05/31");
  EXPECT_EQ(Column(R.DisplayGrid(), 0), (std::vector<std::string>{"Maker", "Acme", "Bolt", "Bolt"}));
  EXPECT_EQ(FormatSettings.ShortDateFormat, Before);
  R.SetDateFilter(2, "13/01", "05/31", "bad");
  EXPECT_EQ(R.DisplayGrid().RowCount(), 2);  // the captions and one empty row
  EXPECT_EQ(R.DisplayGrid().Cells(0, 1), "");
  R.SetDateFilter(2, "", "", "");
  List.Add("A2", "");
  List.Add("A5", "");
  R.SearchListOnly = true;
  R.LoadReportRows();
  EXPECT_EQ(Column(R.DisplayGrid(), 0), (std::vector<std::string>{"Maker", "ACME", "Bolt"}));
}

// The filters the person set stay when the window is activated again (after each filter's
// dialog), and work together; dates are read in the database's own format.
TEST(QuickReportRows, FiltersStayOnActivationAndDatesFollowTheDatabaseFormat) {
  InstallHeadlessBackend();
  TQuickReport R(nullptr);
  FillReport(R);
  R.SetTextFilter(1, "bolt");
  R.FormActivate();
  EXPECT_EQ(R.Filters[1].Text, "bolt");
  R.SetDateFilter(2, "05/01", "05/31", "05/01 to 05/31");
  R.FormActivate();
  EXPECT_EQ(Column(R.DisplayGrid(), 1), (std::vector<std::string>{"Date Bought", "05/31/2019"}));
  // The same records in a database that keeps its dates day first.
  TQuickReport Day(nullptr);
  Day.DateFormat = "dd/mm/yyyy";
  FillReport(Day);
  TQnStringGrid& D = Day.DataGrid();
  D.SetCells(2, 1, "15/03/2020");
  D.SetCells(2, 2, "02/06/2021");
  D.SetCells(2, 5, "31/05/2019");
  Day.SetDateFilter(2, "03/01", "05/31", "03/01 to 05/31");
  EXPECT_EQ(Column(Day.DisplayGrid(), 0), (std::vector<std::string>{"Maker", "Acme", "Bolt", "Bolt"}));
  // A report of other columns starts with empty filters.
  D.SetCells(1, 0, "Make");
  Day.FormActivate();
  EXPECT_EQ(Day.Filters[2].Text, "");
  EXPECT_EQ(Day.DisplayGrid().RowCount(), 6);
}

TEST(QuickReportRows, HeaderFooterCaptionsAndTheDateRangeDialog) {
  THeaderFooterSettings S;
  S.Left = "Stock";
  S.Center = "Mid";
  S.PagePosition = rpRight;
  S.DatePosition = rpLeft;
  const auto C = HeaderFooterCaptions(S, "4/10/2026");
  EXPECT_EQ(C[0], "Stock 4/10/2026");
  EXPECT_EQ(C[1], "Mid");
  EXPECT_EQ(C[2], "  {PAGE}");
  const auto Full = DateRangeOK("03/01", "05/31", "  /  ");
  EXPECT_EQ(Full.Range, "03/01 to 05/31");
  const auto Half = DateRangeOK("03/01", "  /  ", "  /  ");
  EXPECT_EQ(Half.From + Half.To + Half.Range, "");
  InstallHeadlessBackend();
  TEditDateRangeForm Form("!90/00;1;_", "03/01", "");
  Form.OKBtn->Click();
  EXPECT_EQ(Form.Result.Range, "");
  TEditDateRangeForm Both("!90/00;1;_", "03/01", "04/30");
  Both.OKBtn->Click();
  EXPECT_EQ(Both.Result.Range, "03/01 to 04/30");
}

TEST(QuickReportPreview, PagesHeaderKeptWhenSwitchedOffAndPageOne) {
  InstallHeadlessBackend();
  TQuickReport R(nullptr);
  TQnStringGrid& D = R.DataGrid();
  D.SetColCount(3);
  D.SetRowCount(301);
  D.SetCells(1, 0, "Name");
  D.SetCells(2, 0, "Price");
  for (int r = 1; r <= 300; ++r) {
    D.SetCells(1, r, "Row " + std::to_string(r));
    D.SetCells(2, r, std::to_string(r * 3));
  }
  R.FormActivate();
  TPgPreview Preview(nullptr);
  TPgGridPrint Print(nullptr);
  TReportLayout L;
  L.Header.Visible = true;
  L.Header.Center = "Quick Report";
  L.Header.PagePosition = rpRight;
  BuildReportPreview(Preview, Print, AsStringGrid(R.DisplayGrid()), L, "4/10/2026");
  EXPECT_GT(Preview.NumPages(), 3);
  EXPECT_EQ(Preview.CurrentPage(), 1);
  EXPECT_TRUE(Preview.Header().Visible());
  EXPECT_EQ(Preview.Header().CaptionCenter.Caption(), "Quick Report");
  EXPECT_EQ(Preview.Header().CaptionRight.Caption(), "  {PAGE}");
  L.Header.Visible = false;
  L.Header.Center = "changed";
  BuildReportPreview(Preview, Print, AsStringGrid(R.DisplayGrid()), L, "4/10/2026");
  EXPECT_TRUE(Preview.Header().Visible());
  EXPECT_EQ(Preview.Header().CaptionCenter.Caption(), "Quick Report");
}

// Printed, the columns share the page by what they hold: a long name keeps the width of its
// text, short columns give up what they do not need.
TEST(QuickReportPreview, EveryColumnIsPrintedAsWideAsItsWidestText) {
  InstallHeadlessBackend();
  TQuickReport R(nullptr);
  TQnStringGrid& D = R.DataGrid();
  D.SetColCount(8);
  D.SetRowCount(4);
  const char* const Captions[] = {"Record ID", "Record Name", "Qty", "Day", "Lot", "Bin", "Row", "Tag"};
  for (int c = 0; c < 8; ++c) D.SetCells(c, 0, Captions[c]);
  for (int r = 1; r < 4; ++r) {
    D.SetCells(1, r, "Stamps of the Austro-Hungarian Empire, lot " + std::to_string(r));
    for (int c = 2; c < 8; ++c) D.SetCells(c, r, std::to_string(r * c));
  }
  R.FormActivate();
  TPgPreview Preview(nullptr);
  TPgGridPrint Print(nullptr);
  TReportLayout L;
  L.ReportFont.SetName("Arial");
  L.ReportFont.SetSize(8);
  TStringGrid& Display = AsStringGrid(R.DisplayGrid());
  BuildReportPreview(Preview, Print, Display, L, "4/10/2026");
  const TPgDecimalList& Widths = Print.ColumnWidths();
  ASSERT_EQ(Widths.Count(), 7);
  TCanvas& C = R.DisplayGrid().Canvas();
  C.Font().Assign(L.ReportFont);
  const double PPI = Screen().PixelsPerInch();
  for (int c = 0; c < 7; ++c) {
    int Widest = 0;
    for (int r = 0; r < Display.RowCount(); ++r) Widest = std::max(Widest, C.TextWidth(Display.Cells(c, r)));
    EXPECT_GE(Widths.Value(c), Widest / PPI) << c;
  }
  EXPECT_GT(Widths.Value(0), 3 * Widths.Value(1));
}

TEST_F(QuickReportTest, AFailedGenerationShowsNoWindowAndASucceededOneIsFreedAfterItCloses) {
  TReportWindows Windows(Host);
  TReportHost& Host = Windows.Host;
  auto Form = std::make_unique<TQuickReportSetupForm>(Windows);
  Form->Setup().OnItemClick(230);
  Form->ShowList();
  ASSERT_TRUE(Form->GenerateBtn->Enabled());
  TRecordingTransport Dead;
  Dead.Fail = true;
  TServerSession Gone(Dead);
  Host.Session = &Gone;
  {
    TCheckedModalScript Script;
    Script.ExpectMessage(TSearchTerms::RequestProblemText, mrOk);
    Form->GenerateBtnClick();  // no report window is asked for
  }
  EXPECT_TRUE(Form->GenerateBtn->Enabled());
  Host.Session = Session.get();
  int Rows = 0;
  {
    TCheckedModalScript Script;
    Script.ExpectForm("Report", [&](TCustomForm& F) {
      auto& Report = dynamic_cast<TQuickReportForm&>(F);
      Rows = Report.Report().DisplayGrid().RowCount();
      F.SetModalResult(mrOk);
    });
    Form->GenerateBtnClick();
  }
  EXPECT_EQ(Rows, RecordCount() + 1);
  EXPECT_EQ(Form->ModalResult(), mrOk);
}

// "Excel Export" offers .xlsx files and writes the workbook under an .xlsx name, also when the
// person typed the older ".xls" or no extension; prices stay numbers there.
TEST_F(QuickReportTest, ExcelExportWritesAnXlsxWorkbookUnderAnXlsxName) {
  TReportWindows Windows(Host);
  TQuickReportForm Report(Windows, nullptr);
  FillGrid(Report.Report().DisplayGrid(), {{"Name", "Price"}, {"Lamp", "12.50"}, {"Desk", "230.75"}});
  for (const std::string Typed : {"typed.xls", "bare"}) {
    const fs::path Written = Root / (Typed == "bare" ? "bare.xlsx" : "typed.xlsx");
    {
      TCheckedModalScript Script;
      Script.ExpectSaveFile("*.xlsx", (Root / Typed).string());
      Script.ExpectMessage("File exported to \"" + Written.string() + "\".", mrOk);
      Report.ExcelExportBtn->Click();
    }
    ASSERT_TRUE(fs::exists(Written)) << Typed;
    EXPECT_FALSE(fs::exists(Root / Typed)) << Typed;
    EXPECT_EQ(CaptureCommand("/usr/bin/python3 -c \"import openpyxl,sys; ws=openpyxl.load_workbook(sys.argv[1]).active;"
                             " print(sum(c.value for c in ws['B'][1:]))\" '" + Written.string() + "'"),
              "243.25\n");
  }
}

// A CSV or HTML export typed without an extension gets the one its filter names, as the
// workbook does; the files read back with Python's own readers.
TEST_F(QuickReportTest, CsvAndHtmlExportsTypedWithoutExtensionGetTheFiltersOne) {
  TReportWindows Windows(Host);
  TQuickReportForm Report(Windows, nullptr);
  FillGrid(Report.Report().DisplayGrid(), {{"Name", "Price"}, {"Lamp, \"big\"", "12.50"}});
  {
    TCheckedModalScript Script;
    Script.ExpectSaveFile("*.CSV", (Root / "sheet").string());
    Script.ExpectMessage("File exported to \"" + (Root / "sheet.csv").string() + "\".", mrOk);
    Report.CSVExportBtn->Click();
    Script.ExpectSaveFile("*.htm", (Root / "page").string());
    Script.ExpectMessage("File exported to \"" + (Root / "page.htm").string() + "\".", mrOk);
    Report.SaveHTML->Click();
    // A name with an extension of its own keeps it.
    Script.ExpectSaveFile("*.CSV", (Root / "kept.txt").string());
    Script.ExpectMessage("File exported.", mrOk);
    Report.CSVExportBtn->Click();
  }
  EXPECT_FALSE(fs::exists(Root / "sheet"));
  EXPECT_FALSE(fs::exists(Root / "page"));
  EXPECT_TRUE(fs::exists(Root / "kept.txt"));
  EXPECT_EQ(CaptureCommand("/usr/bin/python3 -c \"import csv,sys; print(list(csv.reader(open(sys.argv[1], newline=''))))\" '" +
                           (Root / "sheet.csv").string() + "'"),
            "[['Name', 'Price'], ['Lamp, \"big\"', '12.50']]\n");
  EXPECT_EQ(CaptureCommand("/usr/bin/python3 -c \"import html.parser,sys\n"
                           "class P(html.parser.HTMLParser):\n"
                           "    def handle_data(self, d): d.strip() and print(d.strip())\n"
                           "P().feed(open(sys.argv[1]).read())\" '" + (Root / "page.htm").string() + "'"),
            "Name\nPrice\nLamp, \"big\"\n12.50\n");
  EXPECT_EQ(ExportFileName("a.XLS", 0), "a.xlsx");
  EXPECT_EQ(ExportFileName("a.xls", 1), "a.xls");
  EXPECT_EQ(ExportFileName("/d.x/b", 2), "/d.x/b.htm");
}

// The HTML export is a page that declares its encoding, so that a browser reads accented
// letters as typed; a second export is the same page, not one with a second head.
TEST_F(QuickReportTest, HTMLExportDeclaresItsEncoding) {
  TReportWindows Windows(Host);
  TQuickReportForm Report(Windows, nullptr);
  FillGrid(Report.Report().DisplayGrid(), {{"Name", "Maker"}, {"Lampe \xC3\xA0 p\xC3\xA9trole", "M\xC3\xBCller & Co"}});
  const std::string Page = (Root / "page.htm").string();
  for (int Round = 0; Round < 2; ++Round) {
    TCheckedModalScript Script;
    Script.ExpectSaveFile("*.htm", Page);
    Script.ExpectMessage("File exported.", mrOk);
    Report.SaveHTML->Click();
  }
  // The checker reads the bytes as a browser does: the charset the page declares decides.
  const std::string Script =
      "import html.parser,sys\n"
      "raw=open(sys.argv[1],'rb').read()\n"
      "class Head(html.parser.HTMLParser):\n"
      "  def __init__(s): super().__init__(); s.charsets=[]\n"
      "  def handle_starttag(s,t,a):\n"
      "    if t=='meta' and dict(a).get('charset'): s.charsets.append(dict(a)['charset'])\n"
      "h=Head(); h.feed(raw.decode('latin-1'))\n"
      "print(h.charsets)\n"
      "class Cells(html.parser.HTMLParser):\n"
      "  def __init__(s): super().__init__(); s.cell=None\n"
      "  def handle_starttag(s,t,a):\n"
      "    if t=='td': s.cell=''\n"
      "  def handle_endtag(s,t):\n"
      "    if t=='td': print(s.cell); s.cell=None\n"
      "  def handle_data(s,d):\n"
      "    if s.cell is not None: s.cell+=d\n"
      "Cells().feed(raw.decode(h.charsets[0] if h.charsets else 'cp1252'))\n";
  AtomicWriteFile((Root / "read_page.py").string(), Script);
  EXPECT_EQ(CaptureCommand("/usr/bin/python3 '" + (Root / "read_page.py").string() + "' '" + Page + "'"),
            "['utf-8']\nName\nMaker\nLampe \xC3\xA0 p\xC3\xA9trole\nM\xC3\xBCller & Co\n");
}

// A barcode field's column goes into the workbook as text, digits and leading zeros as shown;
// another column of digits stays a number.
TEST_F(QuickReportTest, ExcelExportWritesBarcodesAsText) {
  Host.Captions.OtherNames[2] = "Barcode";
  Host.Captions.OtherKinds[2] = "Barcode";
  TReportWindows Windows(Host);
  TQuickReportForm Report(Windows, nullptr);
  FillGrid(Report.Report().DisplayGrid(),
           {{"Name", "Barcode", "Price"}, {"Drill", "4006381333931", "12"}, {"Saw", "0012345", "7"}});
  {
    TCheckedModalScript Script;
    Script.ExpectSaveFile("*.xlsx", (Root / "codes").string());
    Script.ExpectMessage("File exported to \"" + (Root / "codes.xlsx").string() + "\".", mrOk);
    Report.ExcelExportBtn->Click();
  }
  EXPECT_EQ(CaptureCommand("/usr/bin/python3 -c \"import openpyxl,sys; ws=openpyxl.load_workbook(sys.argv[1]).active;"
                           " print([(c.value, c.data_type) for c in ws['B'][1:] + ws['C'][1:]])\" '" +
                           (Root / "codes.xlsx").string() + "'"),
            "[('4006381333931', 's'), ('0012345', 's'), (12, 'n'), (7, 'n')]\n");
}

TEST_F(QuickReportTest, TheReportPrintAndSearchWindowsOpenCentredOnTheScreen) {
  TReportWindows Windows(Host);
  TQuickReportForm Report(Windows, nullptr);
  TRTFForm Print(Windows);
  for (TForm* F : std::initializer_list<TForm*>{&Report, &Print, &Windows.Search(), &Windows.SnapShot()}) {
    F->Show();
    const TRect R = F->BoundsRect();
    F->Hide();
    EXPECT_EQ(R.Left, (Screen().Width() - R.Width()) / 2) << F->Name();
    EXPECT_EQ(R.Top, (Screen().Height() - R.Height()) / 2) << F->Name();
    EXPECT_GT(R.Left, 0) << F->Name();
  }
}

// The page navigator of the report window shows its page and zoom buttons whole, within its
// row of tools, before the page label and the orientation picture.
TEST_F(QuickReportTest, PreviewToolsFitTheirRow) {
  TReportWindows Windows(Host);
  TQuickReportForm Report(Windows, nullptr);
  TPgPageNavigator& N = *Report.Navigator;
  for (TPgNavigateBtn B : {gmFirstPage, gmLastPage, gmZoomIn, gmFitWholePage}) {
    TPgNavButton& Button = N.Button(B);
    EXPECT_TRUE(Button.Visible());
    EXPECT_LE(Button.Left() + Button.Width(), N.Width());
    EXPECT_LE(Button.Top() + Button.Height(), N.Height());
  }
  EXPECT_LE(N.Top() + N.Height(), N.Parent()->Height());
  EXPECT_LE(N.Left() + N.Width(), Report.PageLabel->Left());
  EXPECT_GT(Report.PageLabel->Width(), 60);
  EXPECT_LE(Report.PageLabel->Left() + Report.PageLabel->Width(), Report.Orientation->Left());
}

}  // namespace
