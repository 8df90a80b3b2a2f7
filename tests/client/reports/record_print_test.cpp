#include "client/reports/record_print.h"

#include <cstdio>

#include "client/reports/record_print_form.h"
#include "controls/font_combos.h"
#include "controls/rich_format_buttons.h"
#include "client/reports/report_windows.h"
#include "controls/font_combos.h"
#include "platform/headless/headless_modal.h"
#include "platform/ui/rich_edit.h"
#include "platform/ui/spin_edit.h"
#include "platform/ui/std_buttons.h"
#include "print/label_printer.h"
#include "print/preview_companions.h"
#include "platform/ui/std_painted.h"
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
  EXPECT_EQ(ExportKind("d.html"), "htm");
  EXPECT_EQ(ExportKind("html"), "");
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

// The boxes name the selection's face and colour (the colour names the forms store), a pick in
// a box formats the selection, and the label text's boxes start at Arial, 10 and Black.
TEST_F(RecordPrintFormTest, FontBoxesNameTheSelectionAndFormatIt) {
  TReportWindows Windows(Host);
  TRTFForm Form(Windows);
  Form.PrintMode = 1;
  Form.RichText = "{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1 Courier New;}}{\\colortbl;\\red255\\green0\\blue0;}"
                  "\\f0\\fs20 plain \\f1\\fs28\\cf1 big red\\par}";
  Form.FormActivate();
  EXPECT_EQ(Form.FontBox->Text(), "Arial");
  EXPECT_EQ(Form.FontColor->Text(), "Black");
  EXPECT_EQ(Form.FontColor->Items()[16], "Money Green");
  Form.RTFEdit->SetSelStart(7);
  Form.RTFEdit->SetSelLength(3);
  EXPECT_EQ(Form.FontBox->Text(), "Courier New");
  EXPECT_EQ(Form.FontSize->Text(), "14");
  EXPECT_EQ(Form.FontColor->Text(), "Red");
  Form.FontColor->SetColorValue(clBlue);
  EXPECT_EQ(Form.RTFEdit->SelAttributes().Color(), clBlue);
  Form.RTFEdit->SetSelStart(1);
  Form.RTFEdit->SetSelLength(2);
  EXPECT_EQ(Form.FontBox->Text(), "Arial");
  EXPECT_EQ(Form.FontColor->Text(), "Black");

  TRTFForm Label(Windows);
  Label.PrintMode = 3;
  Label.FormActivate();
  EXPECT_EQ(Label.BFontBox->Text(), "Arial");
  EXPECT_EQ(Label.BFontSize->Text(), "10");
  EXPECT_EQ(Label.BFontColor->Text(), "Black");
  EXPECT_FALSE(Label.PlainPaperBtn->Enabled());
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

// The address memos in the editor (print mode 2); their second line starts at SecondLine.
constexpr int SecondLine = 17;
void OpenAddress(TRTFForm& Form) {
  Form.PrintMode = 2;
  Form.PlainLines = {"Harbour Street 4", "Ostend"};
  Form.FormActivate();
}

TEST_F(RecordPrintFormTest, ExportsReadBackAsRtfAndHtml) {
  TReportWindows Windows(Host);
  TRTFForm Form(Windows);
  OpenAddress(Form);
  EXPECT_GE(Form.PrintPreview->NumPages(), 1);
  // "Ostend" in bold: the RTF file keeps the format, not only the text.
  Form.RTFEdit->SetSelStart(SecondLine);
  Form.RTFEdit->SetSelLength(6);
  Form.RTFEdit->SelAttributes().SetStyle(TFontStyles{fsBold});
  fs::create_directories(Root);
  const std::string Rtf = (Root / "out.rtf").string(), Htm = (Root / "out.htm").string();
  const std::string Html5 = (Root / "out.HTML").string(), Txt = (Root / "out.txt").string();
  {
    TCheckedModalScript Script;
    Script.ExpectMessage("Data exported to \"" + Rtf + "\".", mrOk);
    Script.ExpectMessage("Data exported to \"" + Htm + "\".", mrOk);
    Script.ExpectMessage("Data exported to \"" + Html5 + "\".", mrOk);
    // A name that names no format writes nothing, and the person is told so.
    Script.ExpectMessage("Nothing was exported to \"" + Txt + "\": the name must end in .rtf (rich text), .htm or "
                         ".html (HTML).", mrOk);
    EXPECT_TRUE(Form.ExportRTF(Rtf));
    EXPECT_TRUE(Form.ExportRTF(Htm));
    EXPECT_TRUE(Form.ExportRTF(Html5));
    EXPECT_FALSE(Form.ExportRTF(Txt));
  }
  EXPECT_FALSE(fs::exists(Root / "out.txt"));
  EXPECT_EQ(ReadFileBytes(Html5), ReadFileBytes(Htm));
  const std::string Text = CaptureCommand("unrtf --text '" + Rtf + "' 2>/dev/null");
  EXPECT_NE(Text.find("Harbour Street 4"), std::string::npos) << Text;
  EXPECT_NE(Text.find("Ostend"), std::string::npos);
  EXPECT_EQ(ReadFileBytes(Rtf).rfind("{\\rtf", 0), 0u);
  const std::string Marked = CaptureCommand("unrtf --html '" + Rtf + "' 2>/dev/null");
  EXPECT_NE(Marked.find("<b>Ostend"), std::string::npos) << Marked;
  const std::string Html = CaptureCommand("/usr/bin/python3 -c \"import html.parser,sys\n"
                               "class P(html.parser.HTMLParser):\n"
                               "    def handle_data(self, d): sys.stdout.write(d)\n"
                               "P().feed(open('" + Htm + "').read())\"");
  EXPECT_NE(Html.find("Harbour Street 4"), std::string::npos) << Html;
  EXPECT_NE(Html.find("Ostend"), std::string::npos);
}

// The editor's font combos are filled and show the format where the caret is; the format
// buttons follow it; the barcode label's font combos start filled too.
TEST_F(RecordPrintFormTest, FontCombosAndFormatButtonsFollowTheSelection) {
  TReportWindows Windows(Host);
  TRTFForm Form(Windows);
  OpenAddress(Form);
  EXPECT_GT(Form.FontBox->Items().Count(), 0);
  EXPECT_GT(Form.FontColor->Items().Count(), 0);
  EXPECT_GT(Form.BFontBox->Items().Count(), 0);
  EXPECT_FALSE(Form.FontBox->FontName().empty());
  EXPECT_FALSE(Form.BFontBox->FontName().empty());
  Form.RTFEdit->SetSelStart(SecondLine);
  Form.RTFEdit->SetSelLength(6);
  Form.RTFEdit->SelAttributes().SetStyle(TFontStyles{fsBold});
  Form.RTFEdit->SelAttributes().SetSize(18);
  Form.RTFEdit->SelAttributes().SetColor(clRed);
  TBoldButton* Bold = nullptr;
  for (int i = 0; i < Form.RTFPanel->ControlCount(); ++i)
    if (auto* B = dynamic_cast<TBoldButton*>(Form.RTFPanel->Controls(i))) Bold = B;
  ASSERT_NE(Bold, nullptr);
  Form.RTFEdit->SetSelStart(2);
  Form.RTFEdit->SetSelLength(0);
  EXPECT_FALSE(Bold->Down());
  Form.RTFEdit->SetSelStart(SecondLine + 2);
  EXPECT_TRUE(Bold->Down());
  EXPECT_EQ(Form.FontSize->Text(), "18");
  EXPECT_EQ(Form.FontColor->ColorValue(), clRed);
  // Showing the selection's format changes nothing in the text.
  Form.RTFEdit->SetSelStart(2);
  EXPECT_FALSE(Form.RTFEdit->SelAttributes().Style().Contains(fsBold));
  EXPECT_EQ(Form.FontSize->Text(), std::to_string(Form.RTFEdit->SelAttributes().Size()));
  EXPECT_NE(Form.FontSize->Text(), "18");
}

// The preview page's navigator shows its page and zoom buttons whole and leaves the page label,
// the printer and paper combos and the buttons their room.
TEST_F(RecordPrintFormTest, PreviewToolsFitTheirRow) {
  TReportWindows Windows(Host);
  TRTFForm Form(Windows);
  TPgPageNavigator& N = *Form.Navigator;
  for (TPgNavigateBtn B : {gmFirstPage, gmLastPage, gmZoomIn, gmFitWholePage}) {
    TPgNavButton& Button = N.Button(B);
    EXPECT_TRUE(Button.Visible());
    EXPECT_LE(Button.Left() + Button.Width(), N.Width());
    EXPECT_LE(Button.Top() + Button.Height(), N.Height());
  }
  EXPECT_LE(N.Left() + N.Width(), Form.PageNumber->Left());
  EXPECT_LE(Form.PageNumber->Left() + Form.PageNumber->Width(), Form.PrinterCombo->Left());
  EXPECT_LE(N.Top() + N.Height(), Form.PrintPreview->Top());
}

}  // namespace
