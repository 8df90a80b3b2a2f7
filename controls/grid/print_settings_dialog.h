// The print settings dialog of a grid: a modal form whose controls mirror the grid's print
// settings, with a live preview of the first printed page; Cancel puts the settings back.
#pragma once

#include <memory>
#include <string>

#include "controls/grid/cell_spin.h"
#include "controls/grid/qn_grid.h"
#include "platform/gfx/enum_set.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/edits.h"
#include "platform/ui/forms.h"
#include "platform/ui/list_controls.h"
#include "platform/ui/page_control.h"
#include "platform/ui/std_buttons.h"
#include "platform/ui/std_painted.h"

enum TPrintSettingsOption {
  psBorders, psGeneral, psFonts, psDateTime, psTitle, psPages, psMargins, psSpacing, psOrientation,
  psSaveSettings
};
using TPrintSettingsOptions = TSet<TPrintSettingsOption>;
enum TPrintDimensions { pdmm, pdinch };

class TQnGridPrintSettingsForm : public TForm {
public:
  explicit TQnGridPrintSettingsForm(TComponent* AOwner);

  TQnStringGrid* Grid = nullptr;
  bool PreviewEnabled = true;

  TPanel* PreviewPanel;
  TPaintBox* PreviewPaintBox;
  TPageControl* PageControl;
  TTabSheet *GeneralTab, *HeaderTab, *MarginsTab, *PreferencesTab;
  TPanel* ButtonPanel;
  TButton *OKButton, *CancelButton;
  TGroupBox *BordersGroupBox, *GeneralGroupBox, *FontGroupBox, *DateTimeGroupBox, *TitleGroupBox,
      *PageNumbersGroupBox, *MarginsGroupBox, *SpacingGroupBox, *OrientationGroupBox, *FileGroupBox;
  TComboBox *BorderComboBox, *BorderStyleComboBox, *FitToPageComboBox, *DatePositionComboBox,
      *TimePositionComboBox, *TitlePositionComboBox, *PagesPositionComboBox, *OrientationComboBox;
  TCheckBox *AutoSizeCheckBox, *CenterCheckBox, *RepeatRowsCheckBox, *RepeatColumnsCheckBox,
      *printgraphicscheckbox;
  TButton *HeaderFontButton, *FooterFontButton, *TableFontButton, *LoadSettings, *SaveSettings;
  TEdit *DateFormatEdit, *PagesPrefixEdit, *PagesSeparatorEdit, *PagesSuffixEdit;
  TMemo* TitleMemo;
  TQnSpinEdit *TopMarginSpinEdit, *BottomMarginSpinEdit, *LeftMarginSpinEdit, *RightMarginSpinEdit,
      *RowSpacingSpinEdit, *ColumnSpacingSpinEdit, *TitleMarginSpinEdit;
  TRadioButton *dimr1, *dimr2;
  TLabel* DimLabels[7];
  TFontDialog* FontDialog;
  TOpenDialog* OpenDialog1;
  TSaveDialog* SaveDialog1;

  // Settings to controls, controls to settings (and the preview), margins to the spin editors.
  void UpdateControls();
  void UpdatePreviewer();
  void UpdateDimensions();
  void UpdateDependentControls();
  // The preview box's paint: the first printed page into the box.
  void PaintPreview();
  // Loads (saves) the settings from (to) the INI file a file dialog gives; ".ini" is added to a
  // name without a point when the first filter is chosen.
  void LoadSettingsClick();
  void SaveSettingsClick();
  static std::string IniFileName(const std::string& Name, int FilterIndex);
  bool Updating() const { return FUpdating; }

private:
  double Unit() const;
  bool FUpdating = false;
  bool FInTransfer = false;
};

class TQnGridPrintSettingsDialog : public TCommonDialog {
public:
  explicit TQnGridPrintSettingsDialog(TComponent* AOwner);
  ~TQnGridPrintSettingsDialog() override;

  TQnStringGrid* Grid() const { return FGrid; }
  void SetGrid(TQnStringGrid* Value) { FGrid = Value; }
  TPrintSettingsOptions Options() const { return FOptions; }
  void SetOptions(TPrintSettingsOptions Value);
  bool PrintPreview() const { return FPrintPreview; }
  void SetPrintPreview(bool Value);
  TPrintDimensions PrintDimensions() const { return FPrintDimensions; }
  void SetPrintDimensions(TPrintDimensions Value);
  TQnGridPrintSettingsForm& Form() { return *FForm; }
  bool Busy() const { return FBusy; }

  // True when the person pressed OK; otherwise the grid's settings are as they were.
  bool Execute() override;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  TQnStringGrid* FGrid = nullptr;
  std::unique_ptr<TQnGridPrintSettingsForm> FForm;
  TPrintSettingsOptions FOptions;
  bool FPrintPreview = true;
  TPrintDimensions FPrintDimensions = pdmm;
  bool FBusy = false;
};
