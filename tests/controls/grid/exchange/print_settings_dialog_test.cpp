// The grid's print settings dialog on the headless backend: controls and settings both ways,
// units, tabs by options, Cancel, the preview's flag, INI names.
#include <gtest/gtest.h>

#include "controls/grid/print_settings_dialog.h"
#include "grid_test_support.h"
#include "platform/headless/headless_modal.h"
#include "platform/headless/headless_peer.h"
#include "platform/headless/headless_printing.h"

namespace {

class PrintDialog : public ::testing::Test {
protected:
  void SetUp() override {
    InstallHeadlessBackend();
    RemovePrintDevices();
    rec = &InstallRecordingPrinter();
    Printer().SetPrinterIndex(-1);
    g.SetColCount(3);
    g.SetRowCount(200);
    for (int r = 0; r < 200; ++r) g.SetCells(1, r, "cell " + std::to_string(r));
    dialog.SetGrid(&g);
  }
  void TearDown() override { RemovePrintDevices(); }
  TQnStringGrid g{nullptr};
  TQnGridPrintSettingsDialog dialog{nullptr};
  TRecordingPrinter* rec = nullptr;
};

TEST_F(PrintDialog, MarginsInMillimetresAndInchesAndTheTitleText) {
  TQnGridPrintSettingsForm& f = dialog.Form();
  g.PrintSettings().TitleText = "Report title";
  g.PrintSettings().TitleLines().Add("ignored line");
  g.PrintSettings().FitToPage = fpCustom;
  THeadlessModalScript script;
  script.ExpectForm("Print Settings", [&f](TCustomForm& form) {
    EXPECT_EQ(f.TitleMemo->Lines().Count(), 1);
    EXPECT_EQ(f.TitleMemo->Lines()[0], "Report title");
    EXPECT_EQ(f.FitToPageComboBox->ItemIndex(), -1);  // fpCustom has no entry
    f.LeftMarginSpinEdit->SetText("25.4");
    f.UpdatePreviewer();
    EXPECT_EQ(f.Grid->PrintSettings().LeftSize, 254);
    f.dimr2->SetChecked(true);
    EXPECT_EQ(f.LeftMarginSpinEdit->Text(), "1.00");
    EXPECT_EQ(f.DimLabels[0]->Caption(), "inch");
    f.BorderComboBox->SetItemIndex(2);
    f.UpdatePreviewer();
    form.SetModalResult(mrOk);
  });
  EXPECT_TRUE(dialog.Execute());
  EXPECT_EQ(g.PrintSettings().LeftSize, 254);
  EXPECT_EQ(g.PrintSettings().Borders, pbDouble);
  EXPECT_TRUE(g.PrintSettings().TitleText.empty());
  EXPECT_EQ(g.PrintSettings().TitleLines()[0], "Report title");
}

TEST_F(PrintDialog, CancelPutsEverySettingBackAndTheGridIsRequired) {
  g.PrintSettings().HeaderFont().SetSize(14);
  g.PrintSettings().TitleLines().Add("kept");
  THeadlessModalScript script;
  script.ExpectForm("Print Settings", [this](TCustomForm& form) {
    TQnGridPrintSettingsForm& f = dialog.Form();
    f.CenterCheckBox->SetChecked(true);
    f.TitleMemo->Lines().Clear();
    f.UpdatePreviewer();
    g.PrintSettings().HeaderFont().SetSize(30);
    EXPECT_TRUE(g.PrintSettings().Centered);
    form.SetModalResult(mrCancel);
  });
  EXPECT_FALSE(dialog.Execute());
  EXPECT_FALSE(g.PrintSettings().Centered);
  EXPECT_EQ(g.PrintSettings().HeaderFont().Size(), 14);
  ASSERT_EQ(g.PrintSettings().TitleLines().Count(), 1);
  EXPECT_EQ(g.PrintSettings().TitleLines()[0], "kept");

  TQnGridPrintSettingsDialog lonely(nullptr);
  try {
    lonely.Execute();
    ADD_FAILURE() << "no error";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "The dialog does not have a grid component.");
  }
}

TEST_F(PrintDialog, AfterThePreviewPaintAPrintCountsAndPrintsEveryPage) {
  g.Print();
  const std::size_t all = rec->Jobs().back().Pages.size();
  ASSERT_GT(all, 1u);
  bool painted = false;
  THeadlessModalScript script;
  script.ExpectForm("Print Settings", [this, &painted](TCustomForm& form) {
    TQnGridPrintSettingsForm& f = dialog.Form();
    f.PreviewPaintBox->OnPaint = [&f, &painted](TObject*) {
      f.PaintPreview();
      painted = true;
    };
    f.PreviewPaintBox->Repaint();
    form.SetModalResult(mrOk);
  });
  EXPECT_TRUE(dialog.Execute());
  EXPECT_TRUE(painted);
  EXPECT_FALSE(g.PreviewFirstPageOnly);
  g.Print();
  EXPECT_EQ(rec->Jobs().back().Pages.size(), all);
}

TEST_F(PrintDialog, OptionsHideTabsWithoutEnabledGroupsAndThePreviewSetsTheWidth) {
  TQnGridPrintSettingsForm& f = dialog.Form();
  EXPECT_TRUE(f.MarginsTab->TabVisible());
  dialog.SetOptions(TPrintSettingsOptions{psBorders, psGeneral, psFonts, psDateTime, psTitle, psPages, psOrientation,
                                          psSaveSettings});
  EXPECT_TRUE(f.MarginsTab->TabVisible());  // orientation still enabled there
  dialog.SetOptions(TPrintSettingsOptions{psBorders, psGeneral, psFonts, psDateTime, psTitle, psPages, psSaveSettings});
  EXPECT_FALSE(f.MarginsTab->TabVisible());
  EXPECT_FALSE(f.LeftMarginSpinEdit->Enabled());
  EXPECT_TRUE(f.GeneralTab->TabVisible());
  dialog.SetPrintPreview(false);
  EXPECT_FALSE(f.PreviewPanel->Visible());
  EXPECT_EQ(f.ClientWidth(), f.PageControl->Width());
  EXPECT_EQ(f.CancelButton->Left(), f.ClientWidth() / 2 + 8);
}

TEST_F(PrintDialog, IniNamesAndLoadingSettings) {
  EXPECT_EQ(TQnGridPrintSettingsForm::IniFileName("report", 1), "report.ini");
  EXPECT_EQ(TQnGridPrintSettingsForm::IniFileName("report.cfg", 1), "report.cfg");
  EXPECT_EQ(TQnGridPrintSettingsForm::IniFileName("report", 2), "report");
  const std::string ini = GridTempPath("printsettings", ".ini");
  TQnStringGrid other(nullptr);
  other.PrintSettings().LeftSize = 333;
  other.PrintSettings().PageNr = ppBottomLeft;
  other.PrintSettings().SaveToIni(ini, "PRINTSETTINGS");
  THeadlessModalScript script;
  script.ExpectForm("Print Settings", [this, &ini, &script](TCustomForm& form) {
    script.ExpectOpenFile("", ini);
    dialog.Form().LoadSettingsClick();
    EXPECT_EQ(dialog.Form().PagesPositionComboBox->ItemIndex(), static_cast<int>(ppBottomLeft));
    form.SetModalResult(mrOk);
  });
  EXPECT_TRUE(dialog.Execute());
  EXPECT_EQ(g.PrintSettings().LeftSize, 333);
}

}  // namespace
