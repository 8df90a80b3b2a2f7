// The scanner station window and the barcode editor window, over their logic.
#pragma once

#include <functional>
#include <memory>

#include "client/reports/barcode_windows.h"
#include "platform/ui/forms.h"

class TReportWindows;
class TEdit;
class TLabel;
class TButton;
class TRadioButton;
class TComboBox;
class TMaskEdit;
class TImage;
class TCheckBox;
class TSpinEdit;
class TMarkupLabel;
class TBarcodeSymbol;
class TPgLabelPrinter;

class TBarCodeForm : public TForm {
public:
  explicit TBarCodeForm(TReportWindows& Windows);
  ~TBarCodeForm() override;
  TBarcodeScan& Logic() { return FLogic; }

  void FormActivate();
  void ScanCodeKeyDown(WORD Key);

  TEdit* ScanCode = nullptr;
  TEdit* ItemName = nullptr;
  TEdit* Quantity = nullptr;
  TRadioButton* JumpToItemBtn = nullptr;
  TRadioButton* AddtoInventoryBtn = nullptr;
  TRadioButton* RemoveFromInventoryBtn = nullptr;
  TMarkupLabel* Instructions = nullptr;
  TButton* CloseForm = nullptr;

private:
  TReportWindows& FWindows;
  TBarcodeScan FLogic;
};

class TEditBarcodeForm : public TForm {
public:
  TEditBarcodeForm(TReportWindows& Windows, TBarcodeSettings& Database);
  ~TEditBarcodeForm() override;
  TEditBarcode& Logic() { return FLogic; }

  void FormActivate();
  void LoadLabelInfo();
  void DisplayBarcode(const std::string& Value);
  void GenerateBarCodeBtnClick();
  void OKBtnClick();
  void PrintBarCodeBtnClick();
  // The label print of the drawn code (the rich-text print window), set by the opener.
  std::function<void(TEditBarcodeForm&)> OnPrintLabel;

  TComboBox* BarcodeType = nullptr;
  TComboBox* Checksum = nullptr;
  TComboBox* CheckSumMethod = nullptr;
  TMaskEdit* BarCodeValue = nullptr;
  TImage* BarCodeImage = nullptr;
  TCheckBox* EnsureUnique = nullptr;
  TComboBox* SelectTemplateList = nullptr;
  TSpinEdit* PrintColumn = nullptr;
  TSpinEdit* PrintRow = nullptr;
  TButton* GenerateBarCodeBtn = nullptr;
  TButton* BarCodeScanbtn = nullptr;
  TButton* PrintBarCodeBtn = nullptr;
  TButton* OKBtn = nullptr;
  TButton* CancelBtn = nullptr;
  TBarcodeSymbol* Barcode1 = nullptr;
  TPgLabelPrinter* LabelPrint = nullptr;

private:
  void ReadControls();
  TReportWindows& FWindows;
  TEditBarcode FLogic;
  bool FSetUp = false;
};
