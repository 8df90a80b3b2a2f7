// The record window's own wiring of field clicks, pictures, grid lines and tool windows, on the
// headless backend against the record server in-process: a grid 3 line inserted and edited in
// the row editor (its choice menu, its linked detail), the picture tabs, a relational diagram,
// search and replace, the import window, the CD player.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "client/bulk_forms.h"
#include "client/core/client_settings.h"
#include "client/link_label.h"
#include "client/cd_form.h"
#include "client/password_form.h"
#include "client/relationship_form.h"
#include "client/reports/barcode_forms.h"
#include "client/reports/data_summary_forms.h"
#include "client/row_editor.h"
#include "client/view.h"
#include "client/view_fields.h"
#include "controls/diagram.h"
#include "controls/grid/qn_grid.h"
#include "platform/headless/event_loop_poll.h"
#include "platform/headless/headless_peer.h"
#include "platform/rtl/date_time.h"
#include "platform/rtl/file_io.h"
#include "platform/ui/application.h"
#include "platform/ui/clipboard.h"
#include "platform/rtl/ini_files.h"
#include "platform/ui/edits.h"
#include "platform/ui/list_controls.h"
#include "platform/ui/list_view.h"
#include "platform/ui/menus.h"
#include "platform/ui/mask_edit.h"
#include "platform/ui/rich_edit.h"
#include "controls/rich_format_buttons.h"
#include "tests/client/core/client_fixture.h"
#include "tests/client/view_fixture.h"
#include "tests/net/net_test_support.h"

namespace {

class ViewFieldsTest : public LoggedInViewTest {
protected:
  ViewFieldsTest() : LoggedInViewTest("viewfields") {}
  void TearDown() override {
    SetCdAudioDeviceFactory(nullptr);
    LoggedInViewTest::TearDown();
  }
  // A person's click in a field: the left button pressed and released over it.
  static void ClickField(TEdit* E) {
    E->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    E->Perform(WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
  }
  ItemRecord Stored() {
    TServerSession S(Db->Server);
    S.DatabaseName = "Demo";
    ItemRecord R;
    EXPECT_TRUE(ReadRecordStream(S.Get("G" + View->number->Text()), R));
    return R;
  }
};

}  // namespace

TEST_F(ViewFieldsTest, Grid3LinesGoThroughTheRowEditorAndMoveTheLinkedDetail) {
  // The value column adds to "Current Value"; the note column offers three choices.
  View->Grid3Columns[3] = {"Value", "money", "add", View->sn[9]->Caption()};
  View->Grid3Columns[4] = {"Note", "menu=[Red,Green,Blue]", "", ""};
  {
    TCheckedModalScript Script;
    Script.ExpectForm("Edit", [this](TCustomForm& F) {
      auto& E = dynamic_cast<TEditDirListingForm&>(F);
      EXPECT_EQ(E.EditGrid->Cells(1, 0), "NEW");
      EXPECT_EQ(E.EditGrid->Cells(0, 2), "Event");
      E.EditGrid->SetCells(1, 2, "Bought");
      E.EditGrid->SetCells(1, 4, "40");
      E.EditGridClickCell(5, {100, 100});
      App->ProcessMessages();  // the menu's choice comes from the loop
      EXPECT_EQ(E.EditGrid->Cells(1, 5), "Green");
      E.OKButton->Click();
    });
    Script.ExpectMenu("", "Green");
    View->Grid3Page.InsertBtn->Click();
  }
  ASSERT_EQ(View->DirGrid->RowCount(), 3);
  EXPECT_EQ(View->DirGrid->Cells(2, 1), "Bought");
  EXPECT_EQ(View->DirGrid->Cells(5, 1), "Green");
  EXPECT_EQ(View->Detail[9]->Text(), "40");
  EXPECT_EQ(Stored().Details[9], "40");
  // Edit the line: 40 -> 55 adds 15.
  View->DirGrid->SetRow(1);
  {
    TCheckedModalScript Script;
    Script.ExpectForm("Edit", [](TCustomForm& F) {
      auto& E = dynamic_cast<TEditDirListingForm&>(F);
      EXPECT_EQ(E.EditGrid->Cells(1, 4), "40");
      E.EditGrid->SetCells(1, 4, "55");
      E.OKButton->Click();
    });
    View->Grid3Page.EditBtn->Click();
  }
  EXPECT_EQ(View->DirGrid->Cells(4, 1), "55");
  EXPECT_EQ(View->Detail[9]->Text(), "55");
  // Cancelling the editor sends no line.
  Db->Recorder.Clear();
  {
    TCheckedModalScript Script;
    Script.ExpectForm("Edit", [](TCustomForm& F) { dynamic_cast<TEditDirListingForm&>(F).CancelBtn->Click(); });
    View->Grid3Page.EditBtn->Click();
  }
  for (const auto& V : Db->Recorder.Verbs()) EXPECT_NE(V.substr(0, 1), "X");
  EXPECT_EQ(View->Detail[9]->Text(), "55");
}

// Grid 3's "Summary": the money column is offered to summarise, and the range boxes take the
// date menu's date, not the record's date field that opened the menu before; the choices made
// stay when the window comes back active after the calendar.
TEST_F(ViewFieldsTest, GridSummaryOffersMoneyColumnsAndItsRangeTakesTheDateMenusDate) {
  View->Other[0]->SetText("01/02/2020");  // "Date Acquired", a date field
  {
    TCheckedModalScript Script;
    Script.ExpectMenu("", "");  // the record's date menu, left without a choice
    ClickField(View->Other[0]);
    App->ProcessMessages();
  }
  auto* Reminder = dynamic_cast<TMenuItem*>(View->Find("ReminderReport"));
  ASSERT_NE(Reminder, nullptr);
  Reminder->SetVisible(true);
  std::string From, Filter, Summarize, FilterItems;
  bool ReminderShown = true;
  {
    TCheckedModalScript Script;
    Script.ExpectForm("Data Summary", [&](TCustomForm& F) {
      auto& D = dynamic_cast<TDataSummaryForm&>(F);
      D.FormActivate();
      Summarize = D.SummaryField->Text();
      FilterItems = D.FilterField->Items().Text();
      D.FilterField->SetText("Event");
      TCheckedModalScript Menu;
      Menu.ExpectMenu("", "Select Date");
      Menu.ExpectForm("", [](TCustomForm& Calendar) { Calendar.SetModalResult(mrOk); });
      D.FromDate->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
      D.FromDate->Perform(WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
      ReminderShown = Reminder->Visible();
      App->ProcessMessages();
      D.FormActivate();  // active again once the calendar has closed
      From = D.FromDate->Text();
      Filter = D.FilterField->Text();
      D.OKBtn->Click();
    });
    View->Grid3Page.SummaryBtn->Click();
  }
  EXPECT_EQ(Summarize, "Value");
  EXPECT_NE(FilterItems.find("Event"), std::string::npos) << FilterItems;
  EXPECT_FALSE(ReminderShown);
  EXPECT_EQ(From, FormatDateTime("mm/dd/yyyy", Date()));
  EXPECT_EQ(Filter, "Event");
  EXPECT_EQ(View->Other[0]->Text(), "01/02/2020");
}

// "Utilities" > "Scan Barcode" opens the scanner station: a scanned code jumps to its record.
TEST_F(ViewFieldsTest, TheScannerStationOpensFromTheUtilitiesMenu) {
  auto& Config = View->Logic->Buffers.Configuration;
  Config.DetailKinds[7] = "Quantity";
  View->Logic->Buffers.ConfigMask.Set(ConfigMask::DetailKinds, 7);
  ASSERT_TRUE(View->Logic->SaveServerConfiguration());
  ASSERT_NE(View->ScanBarcode1, nullptr);
  View->Other[5]->SetText("4711");  // "Barcode"
  const std::string First = View->number->Text();
  View->NewRecordTBtn->Click();
  ASSERT_NE(View->number->Text(), First);
  {
    TCheckedModalScript Script;
    Script.ExpectForm("Scan Barcode", [](TCustomForm& F) {
      auto& S = dynamic_cast<TBarCodeForm&>(F);
      S.FormActivate();
      S.ScanCode->SetText("4711");
      S.ScanCodeKeyDown(13);
    });
    View->ScanBarcode1->Click();
  }
  EXPECT_EQ(View->number->Text(), First);
  EXPECT_EQ(View->Other[5]->Text(), "4711");
}

// The rich text's tool bar: strike-out, size and colour flag the text and apply to the selection
// and to what is typed next; the font name flags it too (it would not be saved otherwise); the
// clipboard buttons copy the whole text (no flag) and paste (flag).
TEST_F(ViewFieldsTest, TheRichTextToolBarFormatsFlagsAndUsesTheClipboard) {
  auto Flagged = [&] { return View->Logic->Buffers.RecordMask.Get(RecordMask::RichText, 0); };
  auto Clear = [&] { View->Logic->Buffers.RecordMask.Set(RecordMask::RichText, 0, false); };
  View->RecordBook->SetActivePageIndex(5);
  View->ItemDetails->SetText("one two");
  Clear();
  View->ItemDetails->SetSelStart(4);
  View->ItemDetails->SetSelLength(3);
  HeadlessInput::Click(*View->RichToolBar, View->StrikeOutBtn->Left() + 5, View->StrikeOutBtn->Top() + 5);
  EXPECT_TRUE(View->StrikeOutBtn->Down());
  EXPECT_TRUE(View->ItemDetails->SelAttributes().Style().Contains(fsStrikeOut));
  EXPECT_TRUE(Flagged());
  Clear();
  View->FontRTF1Size->SetText("14");
  View->FontRTF1Size->OnChange(View->FontRTF1Size);
  EXPECT_EQ(View->ItemDetails->SelAttributes().Size(), 14);
  EXPECT_EQ(View->ItemDetails->DefAttributes().Size(), 14);
  EXPECT_TRUE(Flagged());
  Clear();
  View->RTFColor1->SetColorValue(clRed);
  View->RTFColor1->OnChange(View->RTFColor1);
  EXPECT_EQ(View->ItemDetails->SelAttributes().Color(), clRed);
  EXPECT_EQ(View->ItemDetails->DefAttributes().Color(), clRed);
  EXPECT_TRUE(Flagged());
  Clear();
  View->RTF1Font->SetFontName("Courier New");
  View->RTF1Font->OnChange(View->RTF1Font);
  EXPECT_EQ(View->ItemDetails->SelAttributes().Name(), "Courier New");
  EXPECT_EQ(View->ItemDetails->DefAttributes().Name(), "Courier New");
  EXPECT_EQ(View->FontRTF1Size->FontName(), "Courier New");
  EXPECT_TRUE(Flagged());
  // The clipboard: Copy takes the whole text and flags nothing; Paste puts it at the caret.
  Clear();
  Clipboard().SetAsText("x");
  HeadlessInput::Click(*View->RichToolBar, View->CopyToClipboardBtn->Left() + 5, View->CopyToClipboardBtn->Top() + 5);
  EXPECT_EQ(Clipboard().AsText(), "one two");
  EXPECT_FALSE(Flagged());
  View->ItemDetails->SetSelStart(7);
  View->ItemDetails->SetSelLength(0);
  HeadlessInput::Click(*View->RichToolBar, View->PasteFromClipboardBtn->Left() + 5, View->PasteFromClipboardBtn->Top() + 5);
  EXPECT_EQ(View->ItemDetails->Text(), "one twoone two");
  EXPECT_TRUE(Flagged());
  // Every button of the bar lies inside it at the window's least width.
  View->SetBounds(0, 0, 620, 470);
  for (TControl* B : {static_cast<TControl*>(View->PasteFromClipboardBtn), static_cast<TControl*>(View->PrintRTF1Btn)})
    EXPECT_LE(B->Left() + B->Width(), View->RichToolBar->ClientWidth()) << B->Name();
}

// A record without rich text of its own shows an empty page whatever was shown before it (after
// New, Prev, Next and a jump to it), and its saves, a style clicked there included, carry none of
// the other record's text.
TEST_F(ViewFieldsTest, ARecordWithoutRichTextShowsAndSavesNoneOfAnothers) {
  View->RecordBook->SetActivePageIndex(5);
  View->ItemDetails->SetText("first record's words");
  View->Logic->DetailChangeClick();
  const std::string First = View->number->Text();
  View->Logic->NewRecordClick();
  const std::string Second = View->number->Text();
  ASSERT_NE(Second, First);
  EXPECT_EQ(View->ItemDetails->Text(), "") << "after New";
  View->Logic->PreviousClick();
  ASSERT_EQ(View->number->Text(), First);
  EXPECT_EQ(View->ItemDetails->Text(), "first record's words");
  View->Logic->nextClick();
  ASSERT_EQ(View->number->Text(), Second);
  EXPECT_EQ(View->ItemDetails->Text(), "") << "after Next";
  // A style clicked on the empty page flags the text, and the save carries no other record's.
  HeadlessInput::Click(*View->RichToolBar, View->BoldBtn->Left() + 5, View->BoldBtn->Top() + 5);
  ASSERT_TRUE(View->Logic->Buffers.RecordMask.Get(RecordMask::RichText, 0));
  View->Logic->PreviousClick();
  ASSERT_EQ(View->number->Text(), First);
  View->Logic->SetNumber(Second);
  ASSERT_TRUE(View->Logic->GetRecord("G" + Second));  // the scanner's jump
  EXPECT_EQ(View->ItemDetails->Text(), "") << "after a jump";
  EXPECT_EQ(Stored().RichText, "");
  // Text typed there is its own, and the first record keeps its own.
  View->ItemDetails->SetText("second's own");
  View->Logic->DetailChangeClick();
  View->Logic->PreviousClick();
  EXPECT_EQ(View->ItemDetails->Text(), "first record's words");
  EXPECT_NE(Stored().RichText.find("first record"), std::string::npos);
  View->Logic->nextClick();
  EXPECT_EQ(View->ItemDetails->Text(), "second's own");
  EXPECT_EQ(Stored().RichText.find("first record"), std::string::npos);
}

// The idle refresh: the "Idle Refresh" link saves and reloads at once; the idle seconds
// (30 to 720, 120 at first) decide when the timer does it, and are kept in the settings.
TEST_F(ViewFieldsTest, TheIdleSecondsAreSetOnTheToolBarAndKept) {
  EXPECT_NE(LinkLabelMarkup(View->IdleRefreshBtn).find(">Idle Refresh<"), std::string::npos);
  EXPECT_EQ(View->EditIdle->MinValue(), 30);
  EXPECT_EQ(View->EditIdle->MaxValue(), 720);
  EXPECT_EQ(View->EditIdle->Value(), 120);
  EXPECT_EQ(View->Logic->EditIdle(), 120);
  View->EditIdle->SetValue(45);
  EXPECT_EQ(View->Logic->EditIdle(), 45);
  // The link saves and reloads at once (the reload starts the idle count again).
  Db->Recorder.Clear();
  HeadlessInput::Click(*View->HeaderPanel, View->IdleRefreshBtn->Left() + 10, View->IdleRefreshBtn->Top() + 10);
  EXPECT_FALSE(Db->Recorder.Requests.empty());
  // 44 idle ticks do nothing, the 45th saves and reloads.
  Db->Recorder.Clear();
  for (int i = 0; i < 44; ++i) View->Logic->IdleRefreshTimer();
  EXPECT_TRUE(Db->Recorder.Requests.empty());
  View->Logic->IdleRefreshTimer();
  EXPECT_FALSE(Db->Recorder.Requests.empty());
  // Kept in the settings: written with them, read at the next login.
  SaveSettings(*OpenSettingsKey(), *View->Settings);
  TClientSettings Read;
  LoadSettings(*OpenSettingsKey(), Read);
  EXPECT_EQ(Read.EditIdle, 45);
}

// The rich text page's format buttons show the format where the caret is.
TEST_F(ViewFieldsTest, TheTextPagesFormatButtonsFollowTheCaret) {
  View->ItemDetails->SetText("plain bold");
  View->ItemDetails->SetSelStart(6);
  View->ItemDetails->SetSelLength(4);
  View->ItemDetails->SelAttributes().SetStyle(TFontStyles{fsBold});
  View->ItemDetails->SetSelStart(2);
  EXPECT_FALSE(View->BoldBtn->Down());
  View->ItemDetails->SetSelStart(8);
  EXPECT_TRUE(View->BoldBtn->Down());
  View->ItemDetails->SetSelStart(1);
  EXPECT_FALSE(View->BoldBtn->Down());
}

// After a move the buttons show the format at the caret of the record moved to, whatever was
// pressed on the record before, even when the caret stays at the same place.
TEST_F(ViewFieldsTest, TheFormatButtonsShowTheRecordMovedTo) {
  View->RecordBook->SetActivePageIndex(5);
  View->ItemDetails->SetText("plain words");
  View->Logic->DetailChangeClick();
  const std::string First = View->number->Text();
  View->Logic->NewRecordClick();
  ASSERT_NE(View->number->Text(), First);
  ASSERT_EQ(View->ItemDetails->SelStart(), 0);
  // B on the empty page is pressed for the text typed next; the plain record shows it up.
  HeadlessInput::Click(*View->RichToolBar, View->BoldBtn->Left() + 5, View->BoldBtn->Top() + 5);
  ASSERT_TRUE(View->BoldBtn->Down());
  View->Logic->PreviousClick();
  ASSERT_EQ(View->number->Text(), First);
  ASSERT_EQ(View->ItemDetails->SelStart(), 0);
  EXPECT_FALSE(View->BoldBtn->Down()) << "a plain record after a pressed B";
  // The first record now begins bold, and the caret is at its start.
  View->ItemDetails->SetSelStart(0);
  View->ItemDetails->SetSelLength(5);
  View->ItemDetails->SelAttributes().SetStyle(TFontStyles{fsBold});
  View->ItemDetails->SetSelStart(0);
  View->Logic->DetailChangeClick();
  ASSERT_TRUE(View->BoldBtn->Down());
  View->Logic->nextClick();
  ASSERT_NE(View->number->Text(), First);
  ASSERT_EQ(View->ItemDetails->Text(), "");
  EXPECT_FALSE(View->BoldBtn->Down()) << "an empty record after bold text";
  View->Logic->PreviousClick();
  ASSERT_EQ(View->number->Text(), First);
  EXPECT_TRUE(View->BoldBtn->Down()) << "bold text after an empty record";
  EXPECT_FALSE(View->ItalicBtn->Down());
}

TEST_F(ViewFieldsTest, PicturesFollowTheTabsAndADialogCancelDoesNothing) {
  const fs::path Pic = Root / "photo.png";
  ASSERT_EQ(std::system(("/usr/bin/python3 -c \"from PIL import Image; Image.new('RGB', (640, 320), (0, 90, 200)).save('" +
                         (Root / "photo.jpg").string() + "')\"").c_str()),
            0);
  View->RecordBook->SetActivePageIndex(6);
  View->SetBounds(0, 0, 800, 600);
  {
    TCheckedModalScript Script;
    Script.ExpectOpenFile("", (Root / "photo.jpg").string());
    View->SelectPicture->Click();
  }
  EXPECT_TRUE(View->RecordImage->Visible());
  EXPECT_FALSE(View->PicStat->Visible());
  EXPECT_EQ(View->RecordImage->Width(), View->ImageScroll->ClientWidth());
  EXPECT_EQ(Stored().Images[0].FileName, "photo.jpg");
  EXPECT_FALSE(View->ImageScroll->HorzScrollBar().IsScrollBarVisible());
  // With Fit off a picture wider than its panel shows at its own size, reached by scroll bars.
  View->SetBounds(0, 0, 620, 470);
  View->AutoSizeImage->SetChecked(false);
  ASSERT_LT(View->ImageScroll->ClientWidth(), 640);
  EXPECT_EQ(View->RecordImage->Width(), 640);
  EXPECT_TRUE(View->ImageScroll->HorzScrollBar().IsScrollBarVisible());
  EXPECT_EQ(View->ImageScroll->HorzScrollBar().Range(), 640);
  View->AutoSizeImage->SetChecked(true);
  EXPECT_FALSE(View->ImageScroll->HorzScrollBar().IsScrollBarVisible());
  View->SetBounds(0, 0, 800, 600);
  // Tab 3 has no picture.
  View->ImageBook->SetTabIndex(2);
  View->ImageBook->OnChange(View->ImageBook);
  EXPECT_FALSE(View->RecordImage->Visible());
  EXPECT_EQ(View->PicStat->Caption(), "No " + View->ImageWord + " File Selected");
  // A cancelled picture dialog sends nothing.
  Db->Recorder.Clear();
  {
    TCheckedModalScript Script;
    Script.ExpectCancel(mkOpenFile, "");
    View->SelectPicture->Click();
  }
  EXPECT_TRUE(Db->Recorder.Requests.empty());
  View->ImageBook->SetTabIndex(0);
  View->ImageBook->OnChange(View->ImageBook);
  EXPECT_TRUE(View->RecordImage->Visible());
}

TEST_F(ViewFieldsTest, BarcodeAndLinkFieldsFollowTheirKinds) {
  auto& Config = View->Logic->Buffers.Configuration;
  Config.DetailKinds[6] = "Barcode";
  Config.DetailKinds[7] = "Web URL";
  View->Logic->Buffers.ConfigMask.Set(ConfigMask::DetailKinds, 6);
  View->Logic->Buffers.ConfigMask.Set(ConfigMask::DetailKinds, 7);
  ASSERT_TRUE(View->Logic->SaveServerConfiguration());
  // Another record holds 777: the editor's duplicate test refuses it for this one.
  View->Detail[6]->SetText("7777");
  const std::string First = View->number->Text();
  View->NewRecordTBtn->Click();
  ASSERT_NE(View->number->Text(), First);
  ASSERT_EQ(View->Detail[6]->Text(), "");
  {
    TCheckedModalScript Script;
    Script.ExpectForm("Edit Barcode", [](TCustomForm& F) {
      auto& E = dynamic_cast<TEditBarcodeForm&>(F);
      E.FormActivate();
      E.BarCodeValue->SetText("7777");
      E.OKBtn->Click();
    });
    Script.ExpectMessage("already in use", mrOk);
    ClickField(View->Detail[6]);
  }
  EXPECT_EQ(View->Detail[6]->Text(), "");
  EXPECT_EQ(Stored().Details[6], "");
  // A free value and a changed checksum: the field and the configuration are stored.
  {
    TCheckedModalScript Script;
    Script.ExpectForm("Edit Barcode", [](TCustomForm& F) {
      auto& E = dynamic_cast<TEditBarcodeForm&>(F);
      E.FormActivate();
      EXPECT_EQ(E.Checksum->Text(), "No");
      E.BarCodeValue->SetText("123456");
      E.Checksum->SetText("Yes");
      E.BarcodeType->SetText("bcCode39");
      E.OKBtn->Click();
    });
    ClickField(View->Detail[6]);
  }
  EXPECT_EQ(View->Detail[6]->Text(), "123456");
  EXPECT_EQ(Stored().Details[6], "123456");
  ASSERT_TRUE(View->Logic->LoadServerConfiguration());
  EXPECT_TRUE(Config.ConfigFlag);
  EXPECT_EQ(Config.ConfigString1, "bcCode39");
  // The next editor starts from the stored settings.
  {
    TCheckedModalScript Script;
    Script.ExpectForm("Edit Barcode", [](TCustomForm& F) {
      auto& E = dynamic_cast<TEditBarcodeForm&>(F);
      E.FormActivate();
      EXPECT_EQ(E.Checksum->Text(), "Yes");
      EXPECT_EQ(E.BarcodeType->Text(), "bcCode39");
      E.CancelBtn->Click();
    });
    ClickField(View->Detail[6]);
  }

  // A URL field: "Set URL" through its input box, "Jump to URL" through the redirect page; a
  // scheme other than http, https or mailto never reaches the shell.
  {
    TCheckedModalScript Script;
    Script.ExpectMenu("", "Set URL");
    Script.ExpectInput("Enter URL", "https://example.org/shop");
    ClickField(View->Detail[7]);
    App->ProcessMessages();
  }
  EXPECT_EQ(View->Detail[7]->Text(), "https://example.org/shop");
  {
    TCheckedModalScript Script;
    Script.ExpectMenu("", "Jump to URL");
    Script.ExpectShell("go.htm");
    ClickField(View->Detail[7]);
    App->ProcessMessages();
  }
  EXPECT_NE(ReadFileBytes(View->Session->ScratchFolder + "go.htm").find("URL=https://example.org/shop\""),
            std::string::npos);
  View->Detail[7]->SetText("file:///etc/passwd");
  {
    TCheckedModalScript Script;
    Script.ExpectMenu("", "Jump to URL");
    Script.ExpectMessage(TRecordFields::URLRefusedText, mrOk);
    ClickField(View->Detail[7]);
    App->ProcessMessages();
  }
}

TEST_F(ViewFieldsTest, ReadOnlyRecordsKeepTheirGridBoxesPicturesAndItems) {
  ASSERT_GT(View->ItemList->Items().Count(), 0);
  View->ItemList->Items()[0]->SetSelected(true);
  auto Editable = [this](bool Expected) {
    // Grid cells are never typed in place: lines change through the row editor, which stores them.
    EXPECT_FALSE(View->DirGrid->Options().Contains(goEditing));
    EXPECT_FALSE(View->Grid4->Options().Contains(goEditing));
    for (TControl* C : std::initializer_list<TControl*>{View->CheckBox1, View->CheckBox2, View->CheckBox3,
                                                         View->SelectPicture, View->ClearPicture})
      EXPECT_EQ(C->Enabled(), Expected) << C->Name();
    // Description values and the attachment name are never typed.
    EXPECT_TRUE(View->DescEdit[0]->ReadOnly());
    EXPECT_TRUE(View->Memo2->ReadOnly());
    EXPECT_EQ(View->Memo1->ReadOnly(), !Expected);
    // A read-only record's fields are drawn as read-only (the button face), an editable one's
    // as edits; the description fields go with the record, though they are never typed in.
    const TColor Face = Expected ? clWindow : clBtnFace;
    for (TControl* C : std::initializer_list<TControl*>{View->RecordName, View->Detail[0], View->Detail[9],
                                                         View->DescEdit[0], View->Other[5], View->ImageTitle,
                                                         View->Memo1, View->Memo3, View->ItemDetails})
      EXPECT_EQ(C->Color(), Face) << C->Name();
  };
  Editable(true);
  {
    TCheckedModalScript Script;
    Script.ExpectForm("Edit Skill", [](TCustomForm& F) { F.SetModalResult(mrCancel); });
    View->ItemList->OnDblClick(View->ItemList);
  }
  View->ReadonlyBox->SetChecked(true);
  View->ReadonlyBoxClick();
  Editable(false);
  {
    TCheckedModalScript Script;  // no item editor opens
    View->ItemList->OnDblClick(View->ItemList);
  }
  // The state follows the stored flag when the record is shown again.
  ASSERT_TRUE(View->Logic->SaveRecord(View->Logic->Buffers.Current, true));
  ASSERT_TRUE(View->Logic->GetRecord("G" + View->number->Text()));
  Editable(false);
  View->ReadonlyBox->SetChecked(false);
  View->ReadonlyBoxClick();
  Editable(true);
}

// Nothing a read-only record shows takes a change: its description menus and relation stay shut,
// its item marks stay, its attachment, items and rich-text formatting buttons are off; the
// stored record is unchanged afterwards.
TEST_F(ViewFieldsTest, AReadOnlyRecordTakesNoValueMarkOrFormat) {
  TRecordWindow& W = *View->Logic;
  ASSERT_EQ(W.Buffers.Configuration.DescriptionKinds[6], "Relational");
  ASSERT_GT(View->ItemList->Items().Count(), 0);
  TListItem* Item = View->ItemList->Items()[0];
  const bool Mark = Item->Checked();
  View->ReadonlyBox->SetChecked(true);
  View->ReadonlyBoxClick();
  ASSERT_TRUE(W.SaveRecord(W.Buffers.Current, true));
  {
    TCheckedModalScript Script;  // no description menu pops up
    View->DescBtn[1]->Click();
    App->ProcessMessages();
  }
  {
    // The relation's menu still shows the diagram; choosing or clearing is off.
    TCheckedModalScript Script;
    Script.ExpectMenu("", "");
    View->DescBtn[6]->Click();
    App->ProcessMessages();
  }
  EXPECT_FALSE(dynamic_cast<TMenuItem*>(View->Find("SelectRelated1"))->Enabled());
  EXPECT_FALSE(dynamic_cast<TMenuItem*>(View->Find("ClearField1"))->Enabled());
  EXPECT_TRUE(dynamic_cast<TMenuItem*>(View->Find("Diagram1"))->Enabled());
  // A value from any menu, relation or the category editor is refused.
  W.ChooseDescriptionValue(1, "Mint:As new, never used");
  W.ChooseDescriptionValue(6, "Other : ABCDEFGH");
  EXPECT_EQ(View->DescEdit[1]->Text(), "");
  EXPECT_EQ(View->DescEdit[6]->Text(), "");
  // A mark ticked snaps back and flags nothing.
  Item->SetChecked(!Mark);
  EXPECT_EQ(Item->Checked(), Mark);
  EXPECT_FALSE(W.Buffers.RecordMask.Get(RecordMask::Items, 1));
  for (TControl* C : std::initializer_list<TControl*>{View->EditSkillBtn, View->SelectResumeBtn, View->ClearResumeBtn,
                                                       View->BoldBtn, View->LeftBtn, View->BulletBtn, View->RTF1Font,
                                                       View->FontRTF1Size, View->RTFColor1, View->StrikeOutBtn,
                                                       View->PasteFromClipboardBtn})
    EXPECT_FALSE(C->Enabled()) << C->Name();
  EXPECT_TRUE(View->CopyToClipboardBtn->Enabled());
  ASSERT_TRUE(W.SaveRecord(W.Buffers.Current, true));
  ItemRecord R = Stored();
  EXPECT_EQ(R.ItemChecks[0], Mark);
  EXPECT_EQ(R.Descriptions[1], "");
  EXPECT_EQ(R.Descriptions[6], "");

  // Editable again: the menu pops and its value, and a ticked mark, are kept.
  View->ReadonlyBox->SetChecked(false);
  View->ReadonlyBoxClick();
  {
    TCheckedModalScript Script;
    Script.ExpectMenu("", "Mint:As new, never used");
    View->DescBtn[1]->Click();
    App->ProcessMessages();
  }
  Item->SetChecked(!Mark);
  EXPECT_EQ(Item->Checked(), !Mark);
  EXPECT_TRUE(View->BoldBtn->Enabled());
  EXPECT_TRUE(View->StrikeOutBtn->Enabled());
  EXPECT_TRUE(View->PasteFromClipboardBtn->Enabled());
  ASSERT_TRUE(W.SaveRecord(W.Buffers.Current, true));
  R = Stored();
  EXPECT_EQ(R.ItemChecks[0], !Mark);
  EXPECT_EQ(R.Descriptions[1], "Mint:As new, never used");
}

TEST_F(ViewFieldsTest, BookImportFillsTheRecordFromACataloguePageOnLoopback) {
  const std::string Q = "\"";
  const std::string Row = "<TR><TH>";
  // The page as a catalogue serves it: CR LF lines, some of them URL-encoded.
  const std::string Page =
      "<HTML><BODY><TABLE>\r\n" + Row + "Title:</TH><TD dir=" + Q + "ltr" + Q +
      "> The Salt Road / by Ann Example</TD></TR>\r\n" + Row + "Edition Information:</TH><TD dir=" + Q + "ltr" + Q +
      "> 2nd%20ed.</TD></TR>\r\n" + Row + "Published/Created:</TH><TD dir=" + Q + "ltr" + Q +
      "> Ostend : Harbour Press, 1999.</TD></TR>\r\n" + Row + "Type of Material:</TH><TD>Text (Book)</TD></TR>\r\n" +
      Row + "Description:</TH><TD dir=" + Q + "ltr" + Q + "> 312 p. ; 24 cm.</TD></TR>\r\n" + Row + "ISBN:</TH><TD dir=" + Q +
      "ltr" + Q + "> 0123456789</TD></TR>\r\n</TABLE></BODY></HTML>\r\n";
  std::string Request;
  {
    nettest::ScriptedServer Server([&](int Fd) {
      Request = nettest::ReadUntil(Fd, "\r\n\r\n");
      nettest::SendAll(Fd, "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(Page.size()) +
                               "\r\n\r\n" + Page);
    });
    TCheckedModalScript Script;
    Script.ExpectInput("Library of Congress URL", "http://" + Server.Address() + "/record/42");
    View->Fields->ImportBTNClick();
  }
  EXPECT_EQ(Request.substr(0, Request.find("\r\n")), "GET /record/42 HTTP/1.1");
  EXPECT_EQ(View->RecordName->Text(), "The Salt Road / by Ann Example");
  EXPECT_EQ(View->Detail[0]->Text(), "Ann Example");
  EXPECT_EQ(View->Detail[1]->Text(), "Text (Book)");
  EXPECT_EQ(View->Detail[2]->Text(), "2nd ed.");
  EXPECT_EQ(View->Detail[3]->Text(), "Ostend : Harbour Press, 1999.");
  EXPECT_EQ(View->Detail[4]->Text(), "312 p. ; 24 cm.");
  EXPECT_EQ(View->Detail[5]->Text(), "0123456789");
  // The change handlers flagged them: the next save stores them.
  ASSERT_TRUE(View->Logic->SaveRecord(View->Logic->Buffers.Current, true));
  EXPECT_EQ(Stored().Name, "The Salt Road / by Ann Example");
  EXPECT_EQ(Stored().Details[5], "0123456789");
  // A page that is not there, and an empty answer, change nothing.
  {
    nettest::ScriptedServer Server([](int Fd) {
      nettest::ReadUntil(Fd, "\r\n\r\n");
      nettest::SendAll(Fd, "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found");
    });
    TCheckedModalScript Script;
    Script.ExpectInput("Library of Congress URL", "http://" + Server.Address() + "/none");
    Script.ExpectInput("Library of Congress URL", "");
    View->Fields->ImportBTNClick();
    View->Fields->ImportBTNClick();
  }
  EXPECT_EQ(View->RecordName->Text(), "The Salt Road / by Ann Example");
  EXPECT_EQ(View->Detail[0]->Text(), "Ann Example");
}

TEST_F(ViewFieldsTest, RelationalDiagramSearchReplaceImportAndCDPlayer) {
  // Description 1 relational; a child record refers to the first.
  View->Logic->Buffers.Configuration.DescriptionKinds[0] = "Relational";
  View->Logic->Buffers.ConfigMask.Set(ConfigMask::Descriptions, 0);
  ASSERT_TRUE(View->Logic->SaveServerConfiguration());
  const std::string First = View->number->Text();
  View->NewRecordTBtn->Click();
  View->RecordName->SetText("Child");
  View->Logic->ChooseDescriptionValue(0, "Untitled : " + First);
  const std::string Child = View->number->Text();
  {
    TCheckedModalScript Script;
    Script.ExpectMenu("", "Diagram");
    Script.ExpectForm("Relationship Diagram", [&](TCustomForm& F) {
      auto& R = dynamic_cast<TRelationshipForm&>(F);
      R.Activated(true);
      // The button panel sits in the middle under the diagram.
      EXPECT_GT(R.Panel->Left(), 0);
      EXPECT_LE(std::abs(R.Panel->Left() + R.Panel->Width() / 2 - R.ClientWidth() / 2), 1);
      EXPECT_GE(R.Panel->Top(), R.Diagram->Top() + R.Diagram->Height());
      EXPECT_EQ(R.Model().Boxes.size(), 2u);
      EXPECT_EQ(R.Diagram->Items().Count(), 2);
      ASSERT_TRUE(R.Diagram->Items().FindItem(First));
      R.Diagram->SetSelectedItem(R.Diagram->Items().FindItem(First));
      R.ViewBtn->Click();
    });
    View->DescBtn[0]->Click();
    App->ProcessMessages();
  }
  EXPECT_EQ(View->number->Text(), First);

  // Search and replace through its window (the menu entry stays hidden).
  View->Detail[2]->SetText("old model");
  {
    TCheckedModalScript Script;
    Script.ExpectForm("Search and Replace", [&](TCustomForm& F) {
      auto& R = dynamic_cast<TReplaceForm&>(F);
      R.Field->SetText(View->sn[2]->Caption());
      R.OldValue->SetText("old");
      R.NewValue->SetText("new");
      R.OKBtn->Click();
    });
    Script.ExpectMessage("will be replaced by", mrYes);
    Script.ExpectMessage("1 replacement was made.", mrOk);
    View->Fields->SearchandReplace1Click();
  }
  EXPECT_EQ(View->Detail[2]->Text(), "new model");

  // The import window: a file, a field for its column, one request.
  std::ofstream(Root / "names.csv") << "Imported one\r\nImported two\r\n";
  {
    TCheckedModalScript Script;
    Script.ExpectForm("Import Data", [&, this](TCustomForm& F) {
      auto& I = dynamic_cast<TImportForm&>(F);
      EXPECT_FALSE(I.PerformImportBtn->Enabled());
      ASSERT_TRUE(I.Logic->LoadFile((Root / "names.csv").string()));
      I.ImportGridClickCell(0, 0, {10, 10});
      App->ProcessMessages();
      EXPECT_EQ(I.ImportGrid->Cells(0, 0), View->RecordTitle->Caption());
      I.PerformImportBtn->SetEnabled(true);
      I.PerformImportBtn->Click();
      EXPECT_EQ(I.ImportGrid->RowCount(), 1);
      I.CloseImportDatabtn->Click();
    });
    Script.ExpectMenu("", View->RecordTitle->Caption());
    Script.ExpectMessage("Import Succesful !", mrOk);
    View->Fields->ImportData1Click();
  }
  int Imported = 0;
  TServerSession S(Db->Server);
  S.DatabaseName = "Demo";
  ItemRecord R;
  ASSERT_TRUE(ReadRecordStream(S.Get("F"), R));
  for (int i = 0; i < 10; ++i) {
    if (R.Name.rfind("Imported", 0) == 0) ++Imported;
    ItemRecord N;
    if (!ReadRecordStream(S.Get("N" + R.Code), N) || N.Code == R.Code) break;
    R = N;
  }
  EXPECT_EQ(Imported, 2);

  // The CD player on a disc of our own; one window at a time.
  TFakeCdAudioDevice* Drive = nullptr;
  SetCdAudioDeviceFactory([&] {
    auto D = std::make_unique<TFakeCdAudioDevice>(std::vector<int>{125, 60});
    Drive = D.get();
    return D;
  });
  View->CDTBtn->Click();
  TCDForm* CD = TCDForm::Current();
  ASSERT_TRUE(CD);
  View->CDTBtn->Click();
  EXPECT_EQ(TCDForm::Current(), CD);
  ASSERT_TRUE(Drive);
  CD->CD->ClickButton(TMPBtnType::btPlay);
  Drive->Advance(67);
  CD->Timer1->OnTimer(CD->Timer1);
  EXPECT_EQ(CD->lblTrack->Caption(), "1");
  EXPECT_EQ(CD->lblTime->Caption(), "01:07");
  EXPECT_EQ(CD->CDStatus->Caption(), " playing");
  EXPECT_EQ(CD->lblTime->Font().Color(), clGreen);
  CD->Close();
  App->ProcessMessages();
  EXPECT_EQ(TCDForm::Current(), nullptr);
}
