// A quick report of ten columns over the record server's dispatcher, laid out in the preview on
// the Qt backend and printed to the "PDF" printer; pdftotext reads its rows, header and footer.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdio>
#include <filesystem>
#include <unistd.h>

#include "client/core/server_requests.h"
#include "client/reports/quick_report.h"
#include "controls/grid/qn_grid.h"
#include "platform/gfx/printer.h"
#include "print/grid_print.h"
#include "print/preview.h"
#include "server/qnserver_form.h"
#include "server/server_request.h"
#include "tests/client/reports/test_database.h"
#include "tests/qt_test_app.h"
#include "tests/outside_programs.h"
#include "tests/print/print_to_pdf.h"

namespace fs = std::filesystem;

namespace {

const auto* const kEnvironment = UseQtBackend("client_reports_qt");

// Runs of blanks as one blank (the layout of pdftotext spaces the columns out).
std::string Squeeze(const std::string& Text) {
  std::string Out;
  for (char C : Text)
    if (C != ' ' || Out.empty() || Out.back() != ' ') Out += C;
  return Out;
}

// The dispatcher answering in-process.
class TDispatcher : public TServerTransport {
public:
  explicit TDispatcher(const fs::path& Folder) : Form(Folder.string()) { Form.ESStaffFirstExecRequest(nullptr); }
  std::string Send(const TClientRequest& Request) override {
    TMemoryRequest M(Request.UserAgent, Request.Body);
    Form.ExecRequest(M);
    return M.Reply;
  }
  TQNServerForm Form;
};

TEST(QuickReportPdf, TenColumnsWithHeaderAndFooterOnEveryPage) {
  const fs::path Root = fs::temp_directory_path() / ("qn_reports_pdf_" + std::to_string(::getpid()));
  fs::remove_all(Root);
  fs::create_directories(Root);
  constexpr int kRecords = 120;
  const TTestDatabase Database = MakeTestDatabaseWithConfig(kRecords);
  AtomicWriteFile((Root / "Test.qnd").string(), Database.Bytes);
  TDispatcher Server(Root);
  TServerSession Session(Server);
  Session.DatabaseName = "Test";
  TReportHost Host;
  Host.Session = &Session;
  Host.Captions = CaptionsFromConfiguration(Database.Config);

  TQuickReportSetup Setup(Host);
  for (int Code : {230, 10, 20, 30, 110, 120, 190, 240, 250, 210}) Setup.OnItemClick(Code);
  TQuickReport Report(nullptr);
  ASSERT_TRUE(Setup.Generate(Report.DataGrid()));
  Report.FormActivate();
  ASSERT_EQ(Report.DisplayGrid().ColCount(), 10);

  TPgPreview Preview(nullptr);
  TPgGridPrint Print(nullptr);
  TReportLayout Layout;
  Layout.ReportFont.SetName("Arial");
  Layout.ReportFont.SetSize(8);
  Layout.Header.Visible = true;
  Layout.Header.Center = "Collection Report";
  Layout.Footer.Visible = true;
  Layout.Footer.Left = "Quillon";
  Layout.Footer.PagePosition = rpRight;
  Layout.Footer.Right = "Page";
  BuildReportPreview(Preview, Print, AsStringGrid(Report.DisplayGrid()), Layout, "12/9/2026");
  const int Pages = Preview.NumPages();
  ASSERT_GE(Pages, 2);

  const std::string File = (fs::path(QN_BINARY_DIR) / "tests" / "client" / "reports" / "quick_report.pdf").string();
  fs::create_directories(fs::path(File).parent_path());
  PrintPreviewToPdf(Preview, File);
  const std::string Info = Squeeze(CaptureCommand("pdfinfo '" + File + "'"));
  EXPECT_NE(Info.find("Pages: " + std::to_string(Pages) + "\n"), std::string::npos) << Info;
  const std::string First = Squeeze(CaptureCommand("pdftotext -layout -f 1 -l 1 '" + File + "' -"));
  EXPECT_NE(First.find("Collection Report"), std::string::npos) << First;
  EXPECT_NE(First.find("Quillon"), std::string::npos);
  EXPECT_NE(First.find("Page 1\n"), std::string::npos) << First;
  EXPECT_NE(First.find(Host.Captions.RecordTitle), std::string::npos);
  EXPECT_NE(First.find(Host.Captions.DescriptionNames[0]), std::string::npos);
  EXPECT_NE(First.find("Record 0 Gold"), std::string::npos) << First;
  EXPECT_NE(First.find("First memo line 0"), std::string::npos);
  const std::string Last = Squeeze(CaptureCommand("pdftotext -layout -f " + std::to_string(Pages) + " -l " + std::to_string(Pages) +
                                   " '" + File + "' -"));
  EXPECT_NE(Last.find("Record " + std::to_string(kRecords - 1)), std::string::npos) << Last;
  EXPECT_NE(Last.find("Page " + std::to_string(Pages) + "\n"), std::string::npos) << Last;
  EXPECT_NE(Last.find(Host.Captions.RecordTitle), std::string::npos);  // the caption row on every page
  const std::string All = CaptureCommand("pdftotext -layout '" + File + "' -");
  for (int i = 0; i < kRecords; i += 11) EXPECT_NE(All.find("Record " + std::to_string(i) + " "), std::string::npos) << i;
  fs::remove_all(Root);
}

}  // namespace
