// The print paths of the report windows on the Qt backend, as a person prints into a file:
// the print dialog's "Print to File" choice is the only question and its file is the one
// written; pdfinfo shows the window's name as the document's title, pdftotext finds the text
// inside the margins set, and no page is left blank.
#include <gtest/gtest.h>

#include <QApplication>
#include <filesystem>
#include <sstream>
#include <string>
#include <unistd.h>

#include "client/reports/image_report_form.h"
#include "client/reports/main_commands.h"
#include "client/reports/quick_report_forms.h"
#include "client/reports/record_print_form.h"
#include "client/reports/reminder_report_forms.h"
#include "client/reports/report_windows.h"
#include "controls/grid/qn_grid.h"
#include "platform/gfx/printer.h"
#include "platform/ui/chart.h"
#include "platform/ui/edits.h"
#include "platform/ui/image.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/modal_service.h"
#include "platform/ui/std_buttons.h"
#include "print/preview.h"
#include "tests/outside_programs.h"
#include "tests/qt_test_app.h"

namespace fs = std::filesystem;

namespace {

// The Qt backend of this test program is set up by record_print_pdf_test.cpp.

// The person's answers: the print dialog says "Print to File" with a file name; every other
// question is counted (none is expected) and answered with OK or cancel.
class TPrintToFileAnswers : public TModalService {
public:
  std::string File;
  int PrintDialogs = 0, OtherQuestions = 0;
  TModalResult Message(const TMessageRequest&) override { return mrOk; }
  bool Input(const std::string&, const std::string&, std::string&) override { return Other(); }
  bool FileDialog(TFileDialogRequest&) override { return Other(); }
  bool FontDialog(TFontRequest&) override { return Other(); }
  bool ColorDialog(TColorRequest&) override { return Other(); }
  bool PrintDialog(TPrintRequest& r) override {
    ++PrintDialogs;
    r.OutputFile = File;
    return true;
  }
  bool PrinterSetupDialog(TPrintRequest&) override { return Other(); }
  TMenuItem* PopupMenu(const TMenuRequest&) override { return nullptr; }
  void BeginModal(TCustomForm&) override {}
  void ModalRound(TCustomForm&) override {}

private:
  bool Other() {
    ++OtherQuestions;
    return false;
  }
};

struct PrintPathsPdf : ::testing::Test {
  void SetUp() override {
    Dir = fs::temp_directory_path() / ("qn_print_paths_" + std::to_string(::getpid()));
    fs::create_directories(Dir);
    auto Service = std::make_unique<TPrintToFileAnswers>();
    Answers = Service.get();
    SetModalService(std::move(Service));
    Printer().SetPrinterIndex(-1);  // a printer that is no file printer, if the system has one
  }
  void TearDown() override { fs::remove_all(Dir); }
  std::string Pdf(const std::string& Name) {
    Answers->File = (Dir / (Name + ".pdf")).string();
    return Answers->File;
  }
  // For a path that prints without a dialog of its own: the file chosen as the dialog chooses.
  std::string ChosenPdf(const std::string& Name) {
    TPrintRequest Choice;
    Choice.OutputFile = Pdf(Name);
    UsePrintChoice(Choice);
    return Choice.OutputFile;
  }
  // pdfinfo's value of a field.
  static std::string Info(const std::string& File, const std::string& Field) {
    std::istringstream Lines(CaptureCommand("pdfinfo '" + File + "'"));
    for (std::string L; std::getline(Lines, L);)
      if (L.rfind(Field + ":", 0) == 0) return L.substr(L.find_first_not_of(' ', Field.size() + 1));
    return "";
  }
  // The smallest and largest x and y of the words on every page, in points, and the pages
  // without a word.
  struct TInk {
    double Left = 1e9, Top = 1e9, Right = 0, Bottom = 0, PageWidth = 0, PageHeight = 0;
    int BlankPages = 0, Pages = 0;
  };
  static TInk Ink(const std::string& File) {
    const std::string Out = CaptureCommand(
        "pdftotext -bbox '" + File + "' - | /usr/bin/python3 -c \"import re,sys\n"
        "t=sys.stdin.read()\n"
        "for p in re.findall(r'<page width=\\\"([\\d.]+)\\\" height=\\\"([\\d.]+)\\\">(.*?)</page>', t, re.S):\n"
        "  w=[tuple(map(float,m)) for m in re.findall(r'xMin=\\\"([\\d.]+)\\\" yMin=\\\"([\\d.]+)\\\" xMax=\\\"([\\d.]+)\\\" yMax=\\\"([\\d.]+)\\\"', p[2])]\n"
        "  print(p[0], p[1], len(w), min([a[0] for a in w] or [0]), min([a[1] for a in w] or [0]), max([a[2] for a in w] or [0]), max([a[3] for a in w] or [0]))\n"
        "\"");
    TInk Ink;
    std::istringstream Lines(Out);
    for (std::string L; std::getline(Lines, L);) {
      std::istringstream W(L);
      double PW, PH, X0, Y0, X1, Y1;
      int Words;
      if (!(W >> PW >> PH >> Words >> X0 >> Y0 >> X1 >> Y1)) continue;
      ++Ink.Pages;
      Ink.PageWidth = PW;
      Ink.PageHeight = PH;
      if (Words == 0) {
        ++Ink.BlankPages;
        continue;
      }
      Ink.Left = std::min(Ink.Left, X0);
      Ink.Top = std::min(Ink.Top, Y0);
      Ink.Right = std::max(Ink.Right, X1);
      Ink.Bottom = std::max(Ink.Bottom, Y1);
    }
    return Ink;
  }
  // Words keep Points of paper free on every side.
  static void ExpectMargins(const TInk& I, double Points) {
    EXPECT_GE(I.Left, Points) << I.Left;
    EXPECT_GE(I.Top, Points) << I.Top;
    EXPECT_LE(I.Right, I.PageWidth - Points) << I.Right;
    EXPECT_LE(I.Bottom, I.PageHeight - Points) << I.Bottom;
  }
  fs::path Dir;
  TPrintToFileAnswers* Answers = nullptr;
  TReportHost Host;
  TReportWindows Windows{Host};
};

TEST_F(PrintPathsPdf, TheQuickReportAsksOnceAndWritesTheChosenFileUnderItsName) {
  TQuickReportForm Report(Windows, nullptr);
  TQnStringGrid& D = Report.Report().DisplayGrid();
  D.SetColCount(2);
  D.SetRowCount(4);
  const char* Rows[4][2] = {{"Name", "Price"}, {"Lamp", "12.50"}, {"Desk", "230.75"}, {"Chair", "40.00"}};
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 2; ++c) D.SetCells(c, r, Rows[r][c]);
  Report.PreviewBtnClick();
  const std::string File = Pdf("quick");
  Report.PrintBtn->Click();
  EXPECT_EQ(Answers->PrintDialogs, 1);
  EXPECT_EQ(Answers->OtherQuestions, 0);  // no second question for the file
  ASSERT_TRUE(fs::exists(File));
  EXPECT_EQ(Info(File, "Title"), "Report");
  const TInk I = Ink(File);
  EXPECT_EQ(I.BlankPages, 0);
  EXPECT_GE(I.Left, 36 - 2) << "the half-inch left margin";
  EXPECT_GE(I.Top, 36 - 2);
  // The choice served that job only: the next print asks again.
  Answers->File.clear();
  EXPECT_TRUE(Printer().OutputFile().empty());
}

TEST_F(PrintPathsPdf, TheReminderPrintoutKeepsItsMarginsAndIsNamedAfterTheWindow) {
  TReminderForm Reminders(Windows);
  for (int i = 0; i < 70; ++i)
    Reminders.Logic().View.push_back({std::to_string(1000 + i), "A rather long record name number " + std::to_string(i),
                                      "12/" + std::to_string(1 + i % 28) + "/2026", true});
  const std::string File = ChosenPdf("reminders");
  Reminders.PrintReminderClick();
  ASSERT_TRUE(fs::exists(File));
  EXPECT_EQ(Info(File, "Title"), "Upcoming Reminders");
  const TInk I = Ink(File);
  EXPECT_GE(I.Pages, 2);
  EXPECT_EQ(I.BlankPages, 0);
  // Half an inch (36 points) of paper on every side.
  ExpectMargins(I, 34);
}

TEST_F(PrintPathsPdf, AddressLabelsForAllRecordsLeaveOutRecordsWithoutAddress) {
  TRTFForm Labels(Windows);
  Labels.PrintMode = 4;
  for (int i = 0; i < 60; ++i) {
    auto E = std::make_unique<PrintRecord>();
    if (i % 6 == 0) {  // ten records with a name and an address
      E->Title = "Customer " + std::to_string(i);
      E->Data = "Road " + std::to_string(i) + "\r\n";
      E->Fields = {E->Title, "Road " + std::to_string(i)};
    } else {
      E->Fields = {""};
    }
    E->Key = std::to_string(i);
    Labels.AddressList.push_back(std::move(E));
  }
  TMainCommands Commands(Windows);
  Labels.OrderList = Commands.AddressOrder(Labels.AddressList, 1);
  EXPECT_EQ(Labels.OrderList.size(), 10u);
  Labels.SetCaption("Print Address Labels");
  Labels.FormActivate();
  const std::string File = Pdf("labels");
  Labels.PrintBtn->Click();
  EXPECT_EQ(Answers->OtherQuestions, 0);
  ASSERT_TRUE(fs::exists(File));
  EXPECT_EQ(Info(File, "Title"), "Print Address Labels");
  EXPECT_EQ(Info(File, "Pages"), "1");
  const std::string Text = CaptureCommand("pdftotext '" + File + "' -");
  EXPECT_NE(Text.find("Customer 54"), std::string::npos) << Text;
  EXPECT_EQ(Ink(File).BlankPages, 0);
}

// A grid printed from a window (the search results, the data summary, the record window's
// grids) is named after that window, and its pages carry text.
TEST_F(PrintPathsPdf, AGridPrintIsNamedAfterItsWindow) {
  TForm Window(nullptr);
  Window.SetCaption("Search Results");
  auto* Grid = new TQnStringGrid(&Window);
  Grid->SetParent(&Window);
  Grid->SetColCount(2);
  Grid->SetRowCount(3);
  Grid->SetCells(0, 1, "Lamp");
  Grid->SetCells(1, 1, "12.50");
  // Its print settings' margins: two centimetres (57 points) on every side.
  TPrintsettings& Settings = Grid->PrintSettings();
  Settings.LeftSize = Settings.RightSize = Settings.HeaderSize = Settings.FooterSize = 200;
  const std::string File = ChosenPdf("grid");
  Grid->Print();
  ASSERT_TRUE(fs::exists(File));
  EXPECT_EQ(Info(File, "Title"), "Search Results");
  const TInk I = Ink(File);
  EXPECT_EQ(I.Pages, 1);
  EXPECT_EQ(I.BlankPages, 0);
  ExpectMargins(I, 57 - 2);
  EXPECT_TRUE(Printer().OutputFile().empty());
}

// The graph window's "Print a screenshot": the chart on one page named after the window, the
// half inch of paper kept on every side, whatever the job before it was called.
TEST_F(PrintPathsPdf, TheGraphPrintsItsChartUnderTheWindowsNameWithinMargins) {
  TForm Window(nullptr);
  Window.SetCaption("Graph Function");
  auto* Chart = new TChartfx(&Window);
  Chart->SetParent(&Window);
  Chart->SetBounds(0, 0, 400, 300);
  const char* Legends[3] = {"Europe", "Asia", "Africa"};
  Chart->OpenData(1, 1, 3);
  Chart->SetIndexedValue(1, 20);
  for (short k = 0; k < 3; ++k) {
    Chart->SetValue(k, 5 + 4 * k);
    Chart->SetLegend(k, Legends[k]);
  }
  Chart->CloseData(1);
  Printer().SetTitle("Upcoming Reminders");  // the name of an earlier job
  const std::string File = ChosenPdf("graph");
  Chart->PrintChart();
  ASSERT_TRUE(fs::exists(File));
  EXPECT_EQ(Info(File, "Title"), "Graph Function");
  const std::string Text = CaptureCommand("pdftotext '" + File + "' -");
  for (const char* L : Legends) EXPECT_NE(Text.find(L), std::string::npos) << Text;
  const TInk I = Ink(File);
  EXPECT_EQ(I.Pages, 1);
  EXPECT_EQ(I.BlankPages, 0);
  ExpectMargins(I, 34);
  EXPECT_TRUE(Printer().OutputFile().empty());
}

// Plain text printed line by line (the record's detail, the calculator's tape): named as the
// job says, the half inch of paper kept on every side, a new page only for lines left over.
TEST_F(PrintPathsPdf, TextLinesPrintUnderTheirNameWithinMarginsOnFullPages) {
  std::vector<std::string> Lines;
  for (int i = 0; i < 130; ++i) Lines.push_back("Line " + std::to_string(i) + " of the record's detail, long enough to show");
  const std::string File = ChosenPdf("detail");
  ASSERT_TRUE(PrintTextLines(Printer(), "Book Detail", Lines));
  ASSERT_TRUE(fs::exists(File));
  EXPECT_EQ(Info(File, "Title"), "Book Detail");
  const std::string Text = CaptureCommand("pdftotext '" + File + "' -");
  EXPECT_NE(Text.find("Line 129 of"), std::string::npos);
  const TInk I = Ink(File);
  EXPECT_GE(I.Pages, 2);
  EXPECT_EQ(I.BlankPages, 0);
  ExpectMargins(I, 34);
}

// The record print window's own paths from its Print button (the record's rich text, the
// address on plain paper, a barcode label): one question, the window's name as the title, the
// paper set in its margin boxes kept free, and no blank page.
TEST_F(PrintPathsPdf, TheRecordPrintWindowsPathsAreNamedAfterTheWindowWithTheirMargins) {
  struct TPath {
    int Mode;
    const char* Caption;
    const char* Word;
    const char* Left;  // the margin boxes, in inches
    const char* Top;
  };
  for (const TPath& P : {TPath{1, "Print Record", "Harbour", "1", "1"}, TPath{2, "Print Address", "Ostend", "1.5", "2"},
                         TPath{3, "Print Barcode Label", "Blue vase", "1", "1"}}) {
    SCOPED_TRACE(P.Caption);
    TImage Image(nullptr);
    TRTFForm Form(Windows);
    Form.SetCaption(P.Caption);
    Form.PrintMode = P.Mode;
    Form.RichText = "{\\rtf1\\ansi {\\fonttbl{\\f0 Arial;}}\\f0\\fs24 Ann Example\\par Harbour Street 4\\par}";
    Form.PlainLines = {"Ann Example", "Harbour Street 4", "Ostend"};
    if (P.Mode == 3) {
      Image.Picture().Bitmap().SetSize(200, 60);
      Form.BarcodeImage = &Image;
      Form.ItemValue = [](int) { return std::string("Blue vase"); };
      Form.FieldCodes = {700};
    }
    Form.LeftMargin->SetText(P.Left);
    Form.TopMargin->SetText(P.Top);
    Form.FormActivate();
    const std::string File = Pdf("record_" + std::to_string(P.Mode));
    const int Asked = Answers->PrintDialogs;
    Form.PrintBtn->Click();
    EXPECT_EQ(Answers->PrintDialogs, Asked + 1);
    EXPECT_EQ(Answers->OtherQuestions, 0);
    ASSERT_TRUE(fs::exists(File));
    EXPECT_EQ(Info(File, "Title"), P.Caption);
    EXPECT_NE(CaptureCommand("pdftotext '" + File + "' -").find(P.Word), std::string::npos);
    const TInk I = Ink(File);
    EXPECT_EQ(I.Pages, 1);
    EXPECT_EQ(I.BlankPages, 0);
    if (P.Mode != 3) {
      ExpectMargins(I, 72 - 2);  // an inch at least on every side
      EXPECT_GE(I.Left, 72 * std::stod(P.Left) - 2) << I.Left;
      EXPECT_GE(I.Top, 72 * std::stod(P.Top) - 2) << I.Top;
      EXPECT_LT(I.Top, 72 * std::stod(P.Top) + 24) << I.Top;  // the first line right under the margin
    }
  }
}

// The image report's Print button (also the main window's quick print, which opens this
// window): one question, the window's name, the half inch it leaves around the page.
TEST_F(PrintPathsPdf, TheImageReportPrintsUnderItsNameWithinItsMargins) {
  Host.Captions.DetailNames[0] = "Height";
  TImageReportForm Form(Windows);
  Form.Record.Name = "Blue vase";
  Form.Record.Values[110] = {"Thirty centimetres"};
  Form.FormActivate();
  Form.IncludeRecordNameBtn->SetChecked(true);
  Form.IncludeFieldNamesBtn->SetChecked(true);
  Form.AddReportItemClick(110);
  Form.PreviewBtnClick();
  const std::string File = Pdf("image_report");
  Form.PrintBtn->Click();
  EXPECT_EQ(Answers->PrintDialogs, 1);
  EXPECT_EQ(Answers->OtherQuestions, 0);
  ASSERT_TRUE(fs::exists(File));
  EXPECT_EQ(Info(File, "Title"), Form.Caption());
  const std::string Text = CaptureCommand("pdftotext '" + File + "' -");
  EXPECT_NE(Text.find("Blue vase"), std::string::npos) << Text;
  EXPECT_NE(Text.find("Thirty centimetres"), std::string::npos) << Text;
  const TInk I = Ink(File);
  EXPECT_EQ(I.Pages, 1);
  EXPECT_EQ(I.BlankPages, 0);
  ExpectMargins(I, 34);
}

}  // namespace
