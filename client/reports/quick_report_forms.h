// The quick report's windows: TQuickReportSetupForm ("Report Setup"), TEditDateRangeForm
// ("Edit Date Range") and TQuickReportForm ("Report") with its filter grid, header and footer
// page, print preview, printing and exports.
#pragma once

#include <memory>

#include "client/reports/quick_report.h"
#include "platform/ui/forms.h"

class TReportWindows;
class TQnStringGrid;
class TStringGrid;
class TListBox;
class TButton;
class TRadioButton;
class TPopupMenu;
class TMaskEdit;
class TPageControl;
class TTabSheet;
class TComboBox;
class TCheckBox;
class TEdit;
class TLabel;
class TPgPreview;
class TPgGridPrint;
class TPgPageNavigator;
class TPgPropertyComboBox;
class TPgPropertyGraphic;

class TQuickReportSetupForm : public TForm {
public:
  explicit TQuickReportSetupForm(TReportWindows& Windows);
  ~TQuickReportSetupForm() override;

  TQuickReportSetup& Setup() { return FSetup; }
  void GenerateBtnClick();
  void ShowList();

  TListBox* Fields = nullptr;
  TButton* AddBtn = nullptr;
  TButton* RemoveBtn = nullptr;
  TButton* MoveUpBtn = nullptr;
  TButton* MoveDownBtn = nullptr;
  TButton* SaveBtn = nullptr;
  TButton* LoadBtn = nullptr;
  TButton* GenerateBtn = nullptr;
  TButton* OKButton = nullptr;  // "Cancel"
  TRadioButton* AllRecords = nullptr;
  TRadioButton* SearchListRecords = nullptr;
  TPopupMenu* ritems = nullptr;

private:
  int Selected() const;
  void SetRequestButtons(bool Enabled);
  TReportWindows& FWindows;
  TQuickReportSetup FSetup;
  bool FBusy = false;
};

class TEditDateRangeForm : public TForm {
public:
  TEditDateRangeForm(const std::string& Mask, const std::string& From, const std::string& To);
  TMaskEdit* FromDate = nullptr;
  TMaskEdit* ToDateE = nullptr;
  TButton* ClearBtn = nullptr;
  TButton* OKBtn = nullptr;
  TButton* CancelBtn = nullptr;
  TDateRange Result;

private:
  std::string FEmpty;
};

class TQuickReportForm : public TForm {
public:
  TQuickReportForm(TReportWindows& Windows, TSearchList* List);
  ~TQuickReportForm() override;

  TQuickReport& Report() { return FReport; }
  TReportLayout Layout;
  void FormActivate();
  void ShowFilters();
  void SelectGridMouseDown(int Row);
  void PreviewBtnClick();
  void UpdatePageLabel();
  // The layout from the header, footer and margin controls.
  void ReadLayoutControls();
  void Export(int Kind);  // 0 workbook, 1 CSV, 2 HTML

  TPageControl* Pages = nullptr;
  TTabSheet* SelectPage = nullptr;
  TTabSheet* HeaderPage = nullptr;
  TTabSheet* PreviewPage = nullptr;
  TStringGrid* SelectGrid = nullptr;
  TStringGrid* DisplayView = nullptr;  // the display grid, shown on the "Select Data" page
  // Header and footer controls: [0] header, [1] footer.
  TComboBox* Visible[2] = {};
  TCheckBox* ShowLine[2] = {};
  TEdit* HeightEdit[2] = {};
  TComboBox* PagePos[2] = {};
  TComboBox* DatePos[2] = {};
  TEdit* LeftText[2] = {};
  TEdit* CenterText[2] = {};
  TEdit* RightText[2] = {};
  TEdit* Margin[4] = {};  // left, right, top, bottom
  TPgPreview* Preview = nullptr;
  TPgGridPrint* GridPrint = nullptr;
  TPgPageNavigator* Navigator = nullptr;
  TPgPropertyComboBox* PrinterList = nullptr;
  TPgPropertyComboBox* PaperList = nullptr;
  TPgPropertyGraphic* Orientation = nullptr;
  TLabel* PageLabel = nullptr;
  TButton* PreviewBtn = nullptr;
  TButton* PrintBtn = nullptr;
  TButton* PrinterSetupBtn = nullptr;
  TButton* FontBtn = nullptr;
  TButton* HeaderFontBtn = nullptr;
  TButton* FooterFontBtn = nullptr;
  TButton* ExcelExportBtn = nullptr;
  TButton* CSVExportBtn = nullptr;
  TButton* SaveHTML = nullptr;
  TButton* UpdateBtn = nullptr;
  TButton* OKButton = nullptr;
  TPopupMenu* HeaderFontMenu = nullptr;
  TPopupMenu* FooterFontMenu = nullptr;

private:
  void ChooseFont(TFont& Font);
  TReportWindows& FWindows;
  TQuickReport FReport;
};
