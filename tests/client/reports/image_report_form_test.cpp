// The image report window on the headless backend: the quick print's downloads (plain names only,
// deleted and the window unlocked on every path), the controls kept through a format file, and
// Generate with its header, grid options, page label and text layout.
#include "client/reports/image_report_form.h"

#include "client/core/record_fields.h"
#include "client/core/record_window.h"
#include "client/core/server_requests.h"
#include "client/reports/report_windows.h"
#include "platform/gfx/bitmap.h"
#include "platform/gfx/picture.h"
#include "platform/rtl/date_time.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/sysutils.h"
#include "platform/rtl/streams.h"
#include "platform/ui/application.h"
#include "platform/ui/edits.h"
#include "platform/ui/list_controls.h"
#include "platform/ui/menus.h"
#include "platform/ui/spin_edit.h"
#include "platform/ui/std_buttons.h"
#include "platform/ui/std_painted.h"
#include "print/grid_print.h"
#include "print/preview.h"
#include "tests/platform/headless/modal_script_check.h"
#include "tests/client/reports/reports_fixture.h"

namespace {

using namespace image_report;

void WriteBitmap(const fs::path& File, int W, int H, TColor Colour) {
  TBitmap B(W, H);
  B.Canvas().Brush().SetColor(Colour);
  B.Canvas().FillRect(TRect{0, 0, W, H});
  TPicture P;
  P.SetGraphic(&B);
  P.SaveToFile(File.string());
}

std::string FormatBytes(const TImageReportFormat& F) {
  TMemoryStream S;
  WriteImageReportFormat(S, F);
  return std::string(static_cast<const char*>(S.Memory()), static_cast<std::size_t>(S.Size()));
}

class ImageReportForm : public ReportsTest {
protected:
  void SetUp() override {
    ReportsTest::SetUp();
    Windows = std::make_unique<TReportWindows>(Host);
    Folder = Root / "Data" / "database";
    Code = Window->Buffers.Current.Code;
  }
  void TearDown() override {
    Windows.reset();
    ReportsTest::TearDown();
  }
  std::unique_ptr<TReportWindows> Windows;
  fs::path Folder;
  std::string Code;
};

TEST_F(ImageReportForm, QuickPrintDownloadsPlainNamesDrawsThemAndDeletesThemOnEveryPath) {
  ItemRecord& R = Window->Buffers.Current;
  R.Images[0] = {"front.bmp", "Front view", false};
  R.Images[2] = {"../escape.bmp", "", false};  // from record data: never asked for
  R.Images[3] = {"side.bmp", "Side", false};
  R.Images[5] = {"gone.bmp", "", false};  // the server has no file
  WriteBitmap(Folder / (Code + ".im1"), 60, 30, clRed);
  WriteBitmap(Folder / (Code + ".im4"), 20, 40, clBlue);
  std::vector<bool> Locks;
  Session->OnEnableForm = [&Locks](bool E) { Locks.push_back(E); };
  TReportRecord Text;
  Text.Name = "Blue vase";
  std::string Seen;
  QuickPrintClick(*Windows, R, Text, [&](TImageReportForm& F) {
    EXPECT_EQ(F.ImageSlots[0].Title, "Front view");
    EXPECT_EQ(F.ImageSlots[3].FileName, "print4~side.bmp");
    EXPECT_TRUE(F.ImageSlots[2].FileName.empty());
    EXPECT_TRUE(F.ImageSlots[5].FileName.empty());
    Seen = F.ProgramFolder;
    EXPECT_TRUE(fs::exists(F.ProgramFolder + "print1~front.bmp"));
    // The main window's refresh fetches and deletes its own copies meanwhile: the window's stay.
    TRecordFields Fields(*Window);
    EXPECT_EQ(Fields.DisplayPicture(1, false, 100, 100).State, TPictureShow::Shown);
    EXPECT_EQ(Fields.DisplayPicture(4, true, 100, 100).State, TPictureShow::Shown);
    EXPECT_FALSE(fs::exists(F.ProgramFolder + "front.bmp"));
    EXPECT_TRUE(fs::exists(F.ProgramFolder + "print1~front.bmp"));
    F.FormActivate();
    for (int i = 0; i < 6; ++i) F.Image[static_cast<std::size_t>(i)]->SetItemIndex(i + 1);
    F.PreviewBtnClick();
    EXPECT_EQ(F.CellsDrawn(), 1);
    EXPECT_EQ(F.ImagesDrawn(), 2);
  });
  const std::vector<std::string> Verbs = Recorder->Verbs();
  EXPECT_EQ(Verbs, (std::vector<std::string>{"IR1" + Code, "IR4" + Code, "IR6" + Code, "IR1" + Code, "IR4" + Code}));
  EXPECT_FALSE(fs::exists(Seen + "print1~front.bmp"));
  EXPECT_FALSE(fs::exists(Seen + "print4~side.bmp"));
  EXPECT_FALSE(fs::exists(Seen + "side.bmp"));
  ASSERT_FALSE(Locks.empty());
  EXPECT_TRUE(Locks.back());

  // The window raises: the downloads still go, and a failed transfer leaves the window unlocked.
  Recorder->Clear();
  EXPECT_THROW(QuickPrintClick(*Windows, R, Text, [](TImageReportForm&) { throw Exception("boom"); }), Exception);
  EXPECT_FALSE(fs::exists(Seen + "print1~front.bmp"));
  Locks.clear();
  Recorder->Fail = true;
  int Shown = 0;
  QuickPrintClick(*Windows, R, Text, [&](TImageReportForm& F) {
    ++Shown;
    EXPECT_TRUE(F.ImageSlots[0].FileName.empty());
  });
  Recorder->Fail = false;
  EXPECT_EQ(Shown, 1);
  ASSERT_FALSE(Locks.empty());
  EXPECT_TRUE(Locks.back());

  // A click that comes in while a request waits for its reply opens no window without pictures.
  Shown = 0;
  Session->OnEnableForm = [&](bool Enable) {
    if (!Enable) QuickPrintClick(*Windows, R, Text, [&](TImageReportForm&) { ++Shown; });
  };
  Session->Get("F");
  Session->OnEnableForm = nullptr;
  EXPECT_EQ(Shown, 0);
}

TEST_F(ImageReportForm, ControlsSurviveTheFormatFileAndItemsAreChosenOnce) {
  TImageReportForm A(*Windows);
  A.FormActivate();
  A.AddReportItemClick(110);
  A.AddReportItemClick(500);
  A.AddReportItemClick(110);  // already chosen
  ASSERT_EQ(A.Fields->Items().Count(), 2);
  EXPECT_FALSE(A.ritems->Items()->Items(0)->Enabled());  // 500 is the first entry
  A.Fields->SetItemIndex(1);
  A.MoveUpBtnClick();
  EXPECT_EQ(A.CurrentFormat().Fields.front().Code, 500);
  A.Fields->SetItemIndex(0);
  A.RemoveBtnClick();
  EXPECT_TRUE(A.ritems->Items()->Items(0)->Enabled());
  A.AddReportItemClick(600);
  A.IncludeFieldNamesBtn->SetChecked(true);
  A.Layout->SetItemIndex(3);
  A.CellSpacing->SetText("0.25");
  A.PageFrame->SetItemIndex(1);
  A.CellBorder->SetItemIndex(2);
  A.TopMargin->SetText("1.5");
  A.BandVisible[1]->SetItemIndex(1);
  A.BandText[1][2]->SetText("right foot");
  A.BandDate[1]->SetItemIndex(3);
  A.BandLine[0]->SetChecked(true);
  A.BandHeight[0]->SetText("0.75");
  A.Image[4]->SetItemIndex(6);
  A.ImageOrientation->SetItemIndex(1);
  A.ImageSpace->SetValue(35);
  A.IncludeImageTitle->SetChecked(true);
  A.Fonts().Fonts[3].SetName("Courier");
  A.Fonts().BorderColor = clGreen;
  const TImageReportFormat Before = A.CurrentFormat();
  const std::string File = (Root / "kept.irp").string();
  SaveImageReportFile(File, Before);

  TImageReportForm B(*Windows);
  B.FormActivate();
  TImageReportFormat Loaded;
  ASSERT_TRUE(LoadImageReportFile(File, Loaded));
  B.ShowFormat(Loaded);
  EXPECT_EQ(FormatBytes(B.CurrentFormat()), FormatBytes(Before));
  EXPECT_EQ(B.Fields->Items().Count(), 2);
  EXPECT_TRUE(B.RemoveBtn->Enabled());
  EXPECT_EQ(B.ImageSpace->Value(), 35);
  EXPECT_EQ(B.BandText[1][2]->Text(), "right foot");
  EXPECT_EQ(B.CurrentFormat().Fonts[3].Name(), "Courier");
  // The loaded items stay chosen: their menu entries are disabled.
  int Disabled = 0;
  for (int i = 0; i < B.ritems->Items()->Count(); ++i) Disabled += B.ritems->Items()->Items(i)->Enabled() ? 0 : 1;
  EXPECT_EQ(Disabled, 2);

  // The open button: a refused file changes no control; a good one replaces the item list.
  AtomicWriteFile((Root / "bad.irp").string(), "not a format");
  {
    TCheckedModalScript Script;
    Script.ExpectOpenFile("", (Root / "bad.irp").string());
    Script.ExpectMessage(kInvalidText, mrOk);
    B.LoadFormatBtnClick();
  }
  EXPECT_EQ(FormatBytes(B.CurrentFormat()), FormatBytes(Before));
  B.AddReportItemClick(700);
  B.Layout->SetItemIndex(0);
  {
    TCheckedModalScript Script;
    Script.ExpectOpenFile("", File);
    Script.ExpectMessage(kLoadedText, mrOk);
    B.LoadFormatBtnClick();
  }
  EXPECT_EQ(FormatBytes(B.CurrentFormat()), FormatBytes(Before));

  // Closing writes "LastReport.rp1" into the window's folder, made when missing.
  B.ProgramFolder = (Root / "Work" / "New").string() + "/";
  B.FormClose();
  TImageReportFormat Last;
  ASSERT_TRUE(LoadImageReportFile(B.ProgramFolder + kLastReportFile, Last));
  EXPECT_EQ(FormatBytes(Last), FormatBytes(Before));
}

TEST_F(ImageReportForm, GenerateSetsHeaderFooterGridOptionsAndPageLabel) {
  TImageReportForm F(*Windows);
  F.FormActivate();
  EXPECT_EQ(F.Layout->ItemIndex(), 1);
  EXPECT_EQ(F.ImageSpace->Value(), 100);
  EXPECT_EQ(F.Caption(), "Record Print");
  // ItemHeight: the usable page width less the spacing, in tenths.
  const double Usable = F.PrintPreview->AvailablePageWidth(gmInches);
  EXPECT_EQ(F.ItemHeight->Text(), FormatFloat("0.0", std::round(Usable * 10) / 10));
  F.BandVisible[0]->SetItemIndex(1);
  F.BandText[0][1]->SetText("Catalogue");
  F.BandPageNumber[0]->SetItemIndex(2);
  F.BandDate[0]->SetItemIndex(2);
  F.BandHeight[0]->SetText("0.8");
  F.PageFrame->SetItemIndex(1);
  F.CellBorder->SetItemIndex(1);
  F.PreviewBtnClick();
  EXPECT_EQ(F.PrintPreview->Header().CaptionCenter.Caption(), "Catalogue  {PAGE} " + DateToStr(Date()));
  EXPECT_TRUE(F.PrintPreview->Header().Visible());
  EXPECT_FALSE(F.PrintPreview->Footer().Visible());
  EXPECT_TRUE(F.GridPrint->GridOptions.Contains(gmGridBorder));
  EXPECT_TRUE(F.GridPrint->GridOptions.Contains(gmHorzLine));
  EXPECT_FALSE(F.GridPrint->GridOptions.Contains(gmVertLine));
  EXPECT_EQ(F.PrintPreview->NumPages(), 1);
  EXPECT_EQ(F.PageLabel->Caption(), "1 of 1");
  EXPECT_EQ(F.CellsDrawn(), 1);
  // A header that goes away again is hidden.
  F.BandVisible[0]->SetItemIndex(0);
  F.PreviewBtnClick();
  EXPECT_FALSE(F.PrintPreview->Header().Visible());
  EXPECT_EQ(F.PrintPreview->NumPages(), 1);
}

TEST_F(ImageReportForm, FontButtonsReachTheirFontsAndTheBorderColourItsDialog) {
  TImageReportForm F(*Windows);
  F.FormActivate();
  auto Choose = [&F](TButton* Button, const std::string& Entry, const std::string& Name) {
    TCheckedModalScript Script;
    if (!Entry.empty()) {
      TModalAnswer Pick;
      Pick.MenuPath = Entry;
      Script.Expect(mkPopupMenu, "", Pick);
    }
    TModalAnswer Font;
    Font.Font = [Name](TFont& Chosen) { Chosen.SetName(Name); };
    Script.Expect(mkFont, "", Font);
    Button->Click();
    GetApplication().ProcessMessages();  // a menu's choice arrives as a message
  };
  Choose(F.FontBtn, "Field Names", "F3");
  Choose(F.FontBtn, "Record Name", "F2");
  Choose(F.FontBtn, "Field Values", "F1");
  Choose(F.ImageFontBtn, "", "F4");
  Choose(F.BandFontBtn[0], "Center", "F5");
  Choose(F.BandFontBtn[0], "Left", "F6");
  Choose(F.BandFontBtn[0], "Right", "F7");
  Choose(F.BandFontBtn[1], "Center", "F8");
  Choose(F.BandFontBtn[1], "Left", "F9");
  Choose(F.BandFontBtn[1], "Right", "F10");
  const TImageReportFormat Format = F.CurrentFormat();
  for (int k = 1; k <= 10; ++k) EXPECT_EQ(Format.Fonts[static_cast<std::size_t>(k - 1)].Name(), "F" + std::to_string(k));
  {
    TCheckedModalScript Script;
    TModalAnswer Colour;
    Colour.Color = clMaroon;
    Script.Expect(mkColor, "", Colour);
    F.SelectBorderColor->Click();
  }
  EXPECT_EQ(F.CurrentFormat().BorderColor, clMaroon);
  // Generate hands the header and footer their fonts and the grid printer the border colour.
  F.BandVisible[0]->SetItemIndex(1);
  F.BandVisible[1]->SetItemIndex(1);
  F.PreviewBtnClick();
  EXPECT_EQ(F.PrintPreview->Header().CaptionLeft.Font().Name(), "F6");
  EXPECT_EQ(F.PrintPreview->Header().CaptionCenter.Font().Name(), "F5");
  EXPECT_EQ(F.PrintPreview->Footer().CaptionRight.Font().Name(), "F10");
  EXPECT_EQ(F.GridPrint->CellPenColor, clMaroon);
}

TEST(ImageReportText, ColumnsNamesTitleAndClipping) {
  TReportRecord R;
  R.Name = "Blue vase";
  R.Values[110] = {"12"};
  R.Values[610] = {"line one", "line two"};
  R.Values[700] = {""};
  const std::vector<TReportItem> Items = {{"Number", 110}, {"Notes", 610}, {"Items", 700}, {"Unknown", 999}};
  TTextOptions O;
  O.RecordName = true;
  O.FieldNames = true;
  O.Columns = 2;
  const TRect Area{1000, 2000, 5000, 9000};
  const auto P = LayoutText(Area, O, R, Items, 200);
  // The title, then column 1 (two items) and column 2 (two items) side by side.
  ASSERT_GE(P.size(), 6u);
  EXPECT_EQ(P[0], (TTextPiece{1000, 2000, "Blue vase", 2, Area}));
  EXPECT_EQ(P[1].Text, "Number:");
  EXPECT_EQ(P[1].Font, 3);
  EXPECT_EQ(P[1].Top, 2200);
  EXPECT_EQ(P[2].Text, "12");
  EXPECT_EQ(P[2].Left, 2000);  // values start at the column's middle
  EXPECT_EQ(P[3].Text, "Notes:");
  EXPECT_EQ(P[3].Top, 2400);
  EXPECT_EQ(P[5].Text, "line two");
  EXPECT_EQ(P[5].Top, 2600);
  EXPECT_EQ(P[6].Text, "Items:");
  EXPECT_EQ(P[6].Left, 3000);  // the second column
  EXPECT_EQ(P[6].Top, 2200);
  EXPECT_EQ(P.back().Text, "Unknown:");  // an unknown code prints its name and no value
  EXPECT_EQ(P.back().Top, 2400);
  // Without names the values take the whole column; lines below the area are left out.
  O.FieldNames = false;
  O.RecordName = false;
  O.Columns = 1;
  const auto Q = LayoutText(TRect{0, 0, 3000, 500}, O, R, Items, 200);
  ASSERT_EQ(Q.size(), 2u);
  EXPECT_EQ(Q[0], (TTextPiece{0, 0, "12", 1, TRect{0, 0, 3000, 500}}));
  EXPECT_EQ(Q[1].Text, "line one");
  // The line height follows the larger font.
  TFont Small, Big;
  Small.SetSize(8);
  Big.SetSize(36);
  EXPECT_EQ(LineHeight(Small, Big), 500);
  EXPECT_EQ(LineHeight(Big, Small), 500);
}

}  // namespace
