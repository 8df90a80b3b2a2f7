// TRTFForm, the print window for text: a record's rich text on plain paper or labels, address
// labels for many records, and one barcode label.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "client/core/record_streams.h"
#include "platform/ui/forms.h"

class TReportWindows;
class TPageControl;
class TTabSheet;
class TPanel;
class TEdit;
class TRichEdit;
class TButton;
class TRadioButton;
class TCheckBox;
class TComboBox;
class TSpinEdit;
class TListBox;
class TLabel;
class TPopupMenu;
class TImage;
class TPgPreview;
class TPgRtfPreview;
class TPgLabelPrinter;
class TVcRichEditToHtml;

// An entry with neither name nor address: its address label would print blank.
bool PrintsNoAddress(const PrintRecord& Entry);
class TVcFontComboBox;
class TFontSizeComboBox;
class TVcColorComboBox;
class TPgPageNavigator;
class TPgPropertyComboBox;
class TCustomRichButton;

class TRTFForm : public TForm {
public:
  explicit TRTFForm(TReportWindows& Windows);
  ~TRTFForm() override;

  // ---- Inputs of the openers ----
  int PrintMode = 1;           // 1 rich text, 2 address memos, 3 barcode label, 4 address labels
  std::string TemplateName;    // mode 3: the barcode editor's template, column and row
  int HandedColumn = 1, HandedRow = 1, HandedColumns = 1, HandedRows = 1;
  TImage* BarcodeImage = nullptr;  // mode 3: the drawn code (not owned)
  TEntryList AddressList;          // mode 4: the entries
  std::vector<std::string> OrderList;  // mode 4: one entry index per label
  // Modes 1 and 2: the text the editor starts with (rich text, or plain lines).
  std::string RichText;
  std::vector<std::string> PlainLines;
  // Mode 3: the values of the label text items (item code -> text).
  std::function<std::string(int Code)> ItemValue;
  // Mode 3: the label text items chosen, in order (codes).
  std::vector<int> FieldCodes;

  int TargetLabel = 1;

  void FormActivate();
  void SetPageSetup();
  void LoadLabelInfo();
  void LabelSetup();
  void SetLabelSetup();
  // The label printer's call for each label.
  void DrawLabel(int LabelNum, double Left, double Top, double Right, double Bottom);
  // "Export to RTF" (Kind "RTF") / "Export To HTML" (Kind "HTM") into FileName.
  bool ExportRTF(const std::string& FileName);
  int LabelsDrawn() const { return FLabelsDrawn; }

  TPageControl* ImageBook = nullptr;
  TPanel* RTFPanel = nullptr;
  TPanel* BarcodePanel = nullptr;
  TEdit* LeftMargin = nullptr;
  TEdit* RightMargin = nullptr;
  TEdit* TopMargin = nullptr;
  TEdit* BottomMargin = nullptr;
  TRichEdit* RTFEdit = nullptr;
  TRichEdit* RTFBuffer = nullptr;
  TVcFontComboBox* FontBox = nullptr;
  TFontSizeComboBox* FontSize = nullptr;
  TVcColorComboBox* FontColor = nullptr;
  TVcFontComboBox* BFontBox = nullptr;
  TVcColorComboBox* BFontColor = nullptr;
  TFontSizeComboBox* BFontSize = nullptr;
  TListBox* Fields = nullptr;
  TButton* AddBtn = nullptr;
  TButton* RemoveBtn = nullptr;
  TButton* MoveUpBtn = nullptr;
  TButton* MoveDownBtn = nullptr;
  TButton* CopyBtn = nullptr;
  TButton* ExportBtn = nullptr;
  TPopupMenu* ExportMenu = nullptr;
  TPopupMenu* ritems = nullptr;
  TPgPreview* PrintPreview = nullptr;
  TPgPageNavigator* Navigator = nullptr;
  TPgPropertyComboBox* PrinterCombo = nullptr;
  TPgPropertyComboBox* PaperCombo = nullptr;
  TLabel* PageNumber = nullptr;
  TButton* PrintBtn = nullptr;
  TButton* SetupBtn = nullptr;
  TPanel* OKPanel = nullptr;
  TRadioButton* PlainPaperBtn = nullptr;
  TRadioButton* LabelBtn = nullptr;
  TComboBox* SelectTemplateList = nullptr;
  TSpinEdit* PrintColumn = nullptr;
  TSpinEdit* PrintRow = nullptr;
  TCheckBox* AllPageBtn = nullptr;
  TButton* OKButton = nullptr;
  TPgRtfPreview* RtfPreview = nullptr;
  TPgLabelPrinter* LabelPrint = nullptr;
  TVcRichEditToHtml* ConvertRTF = nullptr;

  // A change of the editor's selection: the font combos and format buttons show its format.
  void RTFEditSelectionChange();

private:
  static void FillFontCombos(TVcFontComboBox& Font, TFontSizeComboBox& Size, TVcColorComboBox& Colour);
  void Rebuild();
  void UpdatePageNumber();
  TReportWindows& FWindows;
  int FLabelsDrawn = 0;
  bool FShowingSelection = false;
  std::vector<TCustomRichButton*> FFormatButtons;
};
