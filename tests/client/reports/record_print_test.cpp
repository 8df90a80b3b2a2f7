#include "client/reports/record_print.h"

#include <cstdio>

#include "client/reports/record_print_form.h"
#include "client/reports/report_windows.h"
#include "platform/headless/headless_modal.h"
#include "platform/ui/rich_edit.h"
#include "platform/ui/spin_edit.h"
#include "platform/ui/std_buttons.h"
#include "print/label_printer.h"
#include "reports_fixture.h"
#include "tests/outside_programs.h"

namespace {

using namespace record_print;

TEST(RecordPrint, LabelTextLinesFromTheItems) {
  auto Value = [](int Code) { return Code == RecordNameItem ? std::string("Vase") : Code == 300 ? "12" : Code == 500 ? "Blue" : "?"; };
  const auto Lines = GenerateLabelText({RecordNameItem, CommaItem, SpaceItem, 300, NewLineItem, 500}, Value);
  ASSERT_EQ(Lines.size(), 2u);
  EXPECT_EQ(Lines[0], "Vase , 12 ");
  EXPECT_EQ(Lines[1], "Blue ");
  EXPECT_EQ(GenerateLabelText({NewLineItem}, Value), (std::vector<std::string>{"", ""}));
}

TEST(RecordPrint, LabelsEntriesExportsAndFits) {
  EXPECT_EQ(TargetLabel(2, 3, 3), 6);
  EXPECT_TRUE(DrawsOnLabel(6, 6, false));
  EXPECT_FALSE(DrawsOnLabel(5, 6, false));
  EXPECT_TRUE(DrawsOnLabel(5, 6, true));
  const std::vector<std::string> Order = {"2", "0", "x", "9"};
  EXPECT_EQ(EntryOfLabel(Order, 1, 3), 2);
  EXPECT_EQ(EntryOfLabel(Order, 2, 3), 0);
  EXPECT_EQ(EntryOfLabel(Order, 3, 3), -1);  // no number
  EXPECT_EQ(EntryOfLabel(Order, 4, 3), -1);  // no such entry
  EXPECT_EQ(EntryOfLabel(Order, 5, 3), -1);
  EXPECT_EQ(ExportKind("a.RTF"), "rtf");
  EXPECT_EQ(ExportKind("b.Htm"), "htm");
  EXPECT_EQ(ExportKind("c.txt"), "");
  EXPECT_EQ(ExportedText("/t/x.rtf"), "Data exported to \"/t/x.rtf\".");
  EXPECT_EQ(FontSizeText("12"), "12");
  EXPECT_EQ(FontSizeText("1.5"), "10");
  // A square picture takes the full width; a tall one the full height, leaving room on the right.
  EXPECT_EQ(FitPicture(50, 50, TRect{10, 10, 110, 210}), (TRect{10, 10, 110, 110}));
  EXPECT_EQ(FitPicture(50, 100, TRect{0, 0, 400, 100}), (TRect{0, 0, 50, 100}));
  EXPECT_EQ(FitPicture(400, 100, TRect{0, 0, 100, 10}), (TRect{0, 0, 40, 10}));
  EXPECT_EQ(FitPicture(0, 100, TRect{0, 0, 100, 100}), (TRect{0, 0, 0, 0}));
}

class RecordPrintFormTest : public ReportsTest {};

TEST_F(RecordPrintFormTest, BarcodeLabelOnOneLabelOrOnEvery) {
  TReportWindows Windows(Host);
  TRTFForm Form(Windows);
  Form.PrintMode = 3;
  Form.FormActivate();
  TPgLabelTemplateInfo* T = Form.LabelPrint->CurrentTemplate();
  ASSERT_NE(T, nullptr);
  ASSERT_GE(T->Columns, 3);
  Form.PrintRow->SetValue(2);
  Form.PrintColumn->SetValue(3);
  Form.LabelSetup();
  EXPECT_EQ(Form.TargetLabel, T->Columns + 3);
  EXPECT_EQ(Form.LabelsDrawn(), 1);
  Form.AllPageBtn->SetChecked(true);
  Form.LabelSetup();
  EXPECT_EQ(Form.LabelsDrawn(), T->Columns * T->Rows);
}

TEST_F(RecordPrintFormTest, AddressLabelsFollowTheOrderList) {
  TReportWindows Windows(Host);
  TRTFForm Form(Windows);
  Form.PrintMode = 4;
  for (int i = 0; i < 3; ++i) {
    auto E = std::make_unique<PrintRecord>();
    E->Title = "Name " + std::to_string(i);
    E->Data = E->Title + "\r\nStreet " + std::to_string(i) + "\r\n";
    Form.AddressList.push_back(std::move(E));
  }
  Form.OrderList = {"2", "0"};
  Form.FormActivate();
  EXPECT_EQ(Form.LabelsDrawn(), 2);
  EXPECT_EQ(Form.PrintPreview->NumPages(), 1);
}

TEST_F(RecordPrintFormTest, ExportsReadBackAsRtfAndHtml) {
  TReportWindows Windows(Host);
  TRTFForm Form(Windows);
  Form.PrintMode = 2;
  Form.PlainLines = {"Harbour Street 4", "Ostend"};
  Form.FormActivate();
  EXPECT_GE(Form.PrintPreview->NumPages(), 1);
  fs::create_directories(Root);
  const std::string Rtf = (Root / "out.rtf").string(), Htm = (Root / "out.htm").string();
  {
    TCheckedModalScript Script;
    Script.ExpectMessage("Data exported to \"" + Rtf + "\".", mrOk);
    Script.ExpectMessage("Data exported to \"" + Htm + "\".", mrOk);
    EXPECT_TRUE(Form.ExportRTF(Rtf));
    EXPECT_TRUE(Form.ExportRTF(Htm));
    EXPECT_FALSE(Form.ExportRTF((Root / "out.txt").string()));
  }
  EXPECT_FALSE(fs::exists(Root / "out.txt"));
  const std::string Text = CaptureCommand("unrtf --text '" + Rtf + "' 2>/dev/null");
  EXPECT_NE(Text.find("Harbour Street 4"), std::string::npos) << Text;
  EXPECT_NE(Text.find("Ostend"), std::string::npos);
  const std::string Html = CaptureCommand("/usr/bin/python3 -c \"import html.parser,sys\n"
                               "class P(html.parser.HTMLParser):\n"
                               "    def handle_data(self, d): sys.stdout.write(d)\n"
                               "P().feed(open('" + Htm + "').read())\"");
  EXPECT_NE(Html.find("Harbour Street 4"), std::string::npos) << Html;
  EXPECT_NE(Html.find("Ostend"), std::string::npos);
}

}  // namespace
