// TImageReportForm, the image report window ("Record Print"): the shown record on one page, its
// pictures and chosen fields arranged by one of four layouts, composed by the grid printer over a
// one-cell grid and shown in the preview; the layout kept in report format files.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "client/reports/image_report.h"
#include "client/reports/image_report_format.h"
#include "client/reports/image_report_items.h"
#include "platform/ui/forms.h"

class TReportWindows;
class TToolBar;
class TToolButton;
class TPageControl;
class TTabSheet;
class TPanel;
class TComboBox;
class TEdit;
class TButton;
class TCheckBox;
class TListBox;
class TSpinEdit;
class TLabel;
class TPopupMenu;
class TMenuItem;
class TStringGrid;
class TPgPreview;
class TPgGridPrint;
class TPgPropertyComboBox;
class TPgValueRect;
class TPgCanvas;
struct ItemRecord;

class TImageReportForm : public TForm {
public:
  explicit TImageReportForm(TReportWindows& Windows);
  ~TImageReportForm() override;

  // ---- Inputs of the opener ----
  std::array<image_report::TImageSlot, 6> ImageSlots;
  image_report::TReportRecord Record;
  // Where the pictures were downloaded to and "LastReport.rp1" is written (ends with "/").
  std::string ProgramFolder;

  void FormActivate();
  void FormClose();
  void FormDeactivate();
  // Generate.
  void PreviewBtnClick();
  void PrintBtnClick();
  void UpdatePageLabel();
  void SetHeaderText();
  void SetFooterTExt();
  void GridPrintDrawCell(TPgValueRect& Rect, TPgCanvas& Canvas);
  // The chosen image slots (0-5) in combo order, "None" left out.
  std::vector<int> ReturnImageRects() const;
  std::string ReturnFieldTitle(int Code) const { return FItems.FieldTitle(Code); }
  // The report item menu's entry of Code chosen (as its menu click does).
  void AddReportItemClick(int Code);
  void RemoveBtnClick();
  void MoveUpBtnClick();
  void MoveDownBtnClick();
  // The controls as a format, and a format shown in the controls.
  image_report::TImageReportFormat CurrentFormat() const;
  void ShowFormat(const image_report::TImageReportFormat& Format);
  void SaveFormatBtnClick();
  void LoadFormatBtnClick();
  // Sets ItemHeight to the usable page width less the cell spacing, in tenths.
  void UpdateItemHeight();
  int ImagesDrawn() const { return FImagesDrawn; }
  int CellsDrawn() const { return FCellsDrawn; }
  image_report::TImageReportFormat& Fonts() { return FFonts; }

  TToolBar* ToolBar = nullptr;
  TToolButton* LoadFormatBtn = nullptr;
  TToolButton* SaveFormatBtn = nullptr;
  TToolButton* CalculatorTBtn = nullptr;
  TToolButton* CalendarTBtn = nullptr;
  TToolButton* CloseTBtn = nullptr;
  TPageControl* ImageBook = nullptr;
  TTabSheet* LayoutPage = nullptr;
  TTabSheet* HeaderPage = nullptr;
  TTabSheet* TextPage = nullptr;
  TTabSheet* ImagesPage = nullptr;
  TTabSheet* PreviewPage = nullptr;
  // Layout
  TComboBox* Layout = nullptr;
  std::array<TPanel*, 4> LayoutPanels{};  // Panel8, Panel10, Panel12, Panel14
  TEdit* ItemHeight = nullptr;
  TEdit* CellSpacing = nullptr;
  TComboBox* PageFrame = nullptr;
  TComboBox* CellBorder = nullptr;
  TButton* SelectBorderColor = nullptr;
  // Header and Footer: [0] header, [1] footer
  TEdit* LeftMargin = nullptr;
  TEdit* RightMargin = nullptr;
  TEdit* TopMargin = nullptr;
  TEdit* BottomMargin = nullptr;
  std::array<TComboBox*, 2> BandVisible{};
  std::array<std::array<TEdit*, 3>, 2> BandText{};  // left, centre, right
  std::array<TEdit*, 2> BandHeight{};
  std::array<TComboBox*, 2> BandPageNumber{};
  std::array<TComboBox*, 2> BandDate{};
  std::array<TCheckBox*, 2> BandLine{};
  std::array<TButton*, 2> BandFontBtn{};
  // Records and Text
  TListBox* Fields = nullptr;
  TButton* AddItemBtn = nullptr;
  TButton* RemoveBtn = nullptr;
  TButton* MoveUpBtn = nullptr;
  TButton* MoveDownBtn = nullptr;
  TButton* FontBtn = nullptr;
  TSpinEdit* TextColumns = nullptr;
  TCheckBox* IncludeFieldNamesBtn = nullptr;
  TCheckBox* IncludeRecordNameBtn = nullptr;
  TPopupMenu* ritems = nullptr;
  // Images
  std::array<TComboBox*, 6> Image{};
  TComboBox* ImageOrientation = nullptr;
  TSpinEdit* ImageSpace = nullptr;
  TCheckBox* IncludeImageTitle = nullptr;
  TButton* ImageFontBtn = nullptr;
  // Preview
  TPgPreview* PrintPreview = nullptr;
  TPgGridPrint* GridPrint = nullptr;
  TStringGrid* pGrid = nullptr;
  TLabel* PageLabel = nullptr;
  TPgPropertyComboBox* PgPropertyComboBox1 = nullptr;  // printers
  TPgPropertyComboBox* PgPropertyComboBox2 = nullptr;  // paper
  TButton* PreviewBtn = nullptr;
  TButton* PrintBtn = nullptr;
  TButton* PrinterSetupBtn = nullptr;

private:
  void BuildLayoutPage();
  void BuildHeaderPage();
  void BuildTextPage();
  void BuildImagesPage();
  void BuildPreviewPage();
  void ShowItems();
  // The header's (0) or footer's (1) captions.
  void SetBandText(int Band);
  // Font k (1..20) through the font dialog.
  void ChooseFont(int Index);
  void PopupFonts(TPopupMenu* Menu);
  TReportWindows& FWindows;
  image_report::TReportItems FItems;
  // Fonts and the border colour live here between the dialogs and the format file.
  image_report::TImageReportFormat FFonts;
  TPopupMenu* FFieldFontMenu = nullptr;
  TPopupMenu* FHeaderFontMenu = nullptr;
  TPopupMenu* FFooterFontMenu = nullptr;
  bool FLastRowDone = false;
  bool FActivated = false;
  int FImagesDrawn = 0;
  int FCellsDrawn = 0;
};

// The main window's quick print: creates the window, downloads each slot's picture ("IR" + slot
// digit + record code; only plain file names), hands names and titles over, shows the window
// (Show; modal by default), frees it and deletes the downloads, on every path.
void QuickPrintClick(TReportWindows& Windows, const ItemRecord& Shown, const image_report::TReportRecord& Text,
                     const std::function<void(TImageReportForm&)>& Show = nullptr);
