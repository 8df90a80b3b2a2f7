// The print window's output on the "PDF" printer of the Qt backend (offscreen), read back with
// poppler and zbarimg: a rich text record print, address labels, and a barcode label whose code
// zbarimg reads off the rendered page.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "client/reports/record_print_form.h"
#include "client/reports/report_windows.h"
#include "platform/gfx/bitmap.h"
#include "platform/ui/image.h"
#include "platform/gfx/printer.h"
#include "platform/ui/spin_edit.h"
#include "print/barcode.h"
#include "print/preview.h"
#include "tests/qt_test_app.h"
#include "tests/outside_programs.h"
#include "tests/print/print_to_pdf.h"

namespace {

const auto* const kEnvironment = UseQtBackend("client_reports_qt_test");

std::string OutFile(const std::string& Name) {
  const auto Dir = std::filesystem::temp_directory_path() / ("qn_record_print_" + std::to_string(getpid()));
  std::filesystem::create_directories(Dir);
  return (Dir / (Name + ".pdf")).string();
}

struct RecordPrintPdf : ::testing::Test {
  TReportHost Host;
  TReportWindows Windows{Host};
};

TEST_F(RecordPrintPdf, PlainPaperAndAddressLabelsCarryTheirText) {
  TRTFForm Plain(Windows);
  Plain.PrintMode = 2;
  Plain.PlainLines = {"Ann Example", "Harbour Street 4", "Ostend"};
  Plain.FormActivate();
  const std::string A = OutFile("plain");
  PrintPreviewToPdf(*Plain.PrintPreview, A);
  const std::string Text = CaptureCommand("pdftotext -layout '" + A + "' -");
  EXPECT_LT(Text.find("Ann Example"), Text.find("Harbour Street 4")) << Text;
  EXPECT_LT(Text.find("Harbour Street 4"), Text.find("Ostend"));

  TRTFForm Labels(Windows);
  Labels.PrintMode = 4;
  for (int i = 0; i < 3; ++i) {
    auto E = std::make_unique<PrintRecord>();
    E->Title = "Customer " + std::to_string(i);
    E->Fields = {E->Title, "Road " + std::to_string(i)};
    Labels.AddressList.push_back(std::move(E));
  }
  Labels.OrderList = {"2", "0"};
  Labels.FormActivate();
  const std::string B = OutFile("labels");
  PrintPreviewToPdf(*Labels.PrintPreview, B);
  const std::string L = CaptureCommand("pdftotext '" + B + "' -");
  EXPECT_NE(L.find("Customer 2"), std::string::npos) << L;
  EXPECT_NE(L.find("Road 0"), std::string::npos);
  EXPECT_EQ(L.find("Customer 1"), std::string::npos);  // not on the order list
}

// The labels clip to their rounded shape: the first letter of a label keeps its top-left corner
// (the left stem of the first "H" is as tall as the right stem of the last one).
TEST_F(RecordPrintPdf, LabelTextKeepsClearOfTheRoundedCorners) {
  TRTFForm Labels(Windows);
  Labels.PrintMode = 4;
  auto E = std::make_unique<PrintRecord>();
  E->Title = "HHHH";
  E->Fields = {E->Title};
  Labels.AddressList.push_back(std::move(E));
  Labels.OrderList = {"0"};
  Labels.FormActivate();
  const std::string F = OutFile("corner");
  PrintPreviewToPdf(*Labels.PrintPreview, F);
  const std::string Png = F + "-page";
  CaptureCommand("pdftoppm -r 300 -png -singlefile '" + F + "' '" + Png + "'");
  const std::string Stems = CaptureCommand(
      "/usr/bin/python3 -c \"from PIL import Image; import sys\n"
      "im = Image.open(sys.argv[1]).convert('L'); w, h = im.size; px = im.load()\n"
      "cols = [x for x in range(w) if any(px[x, y] < 128 for y in range(h // 4))]\n"
      "ink = lambda xs: max(sum(1 for y in range(h // 4) if px[x, y] < 128) for x in xs)\n"
      "print(ink(cols[:3]), ink(cols[-3:]))\" '" + Png + ".png'");
  int Left = 0, Right = 0;
  ASSERT_EQ(std::sscanf(Stems.c_str(), "%d %d", &Left, &Right), 2) << Stems;
  EXPECT_GT(Right, 10);
  EXPECT_GE(Left, Right - 1) << Stems;
}

TEST_F(RecordPrintPdf, BarcodeLabelIsReadBack) {
  TImage Image(nullptr);
  TBarcodeSymbol Symbol;
  Symbol.SetTyp(bcCode128B);
  Symbol.SetText("QN-20417");
  Symbol.SetModul(2);
  Symbol.SetHeight(80);
  TBitmap& Bmp = Image.Picture().Bitmap();
  Bmp.SetSize(Symbol.Width() + 40, 80);
  Bmp.Canvas().FillRect(TRect{0, 0, Bmp.Width(), Bmp.Height()});
  Symbol.SetLeft(20);
  Symbol.DrawOnCanvas(Bmp.Canvas());

  TRTFForm Form(Windows);
  Form.PrintMode = 3;
  Form.BarcodeImage = &Image;
  Form.ItemValue = [](int) { return std::string("Blue vase"); };
  Form.FieldCodes = {700};
  Form.FormActivate();
  Form.PrintRow->SetValue(2);
  Form.PrintColumn->SetValue(2);
  Form.LabelSetup();
  ASSERT_EQ(Form.LabelsDrawn(), 1);
  const std::string F = OutFile("barcode");
  PrintPreviewToPdf(*Form.PrintPreview, F);
  EXPECT_NE(CaptureCommand("pdftotext '" + F + "' -").find("Blue vase"), std::string::npos);
  const std::string Png = F + "-page";
  CaptureCommand("pdftoppm -r 300 -png -singlefile '" + F + "' '" + Png + "'");
  const std::string Read = CaptureCommand("zbarimg -q '" + Png + ".png' 2>/dev/null");
  EXPECT_NE(Read.find("CODE-128:QN-20417"), std::string::npos) << Read;
}

}  // namespace
