#include "client/reports/barcode_forms.h"

#include "client/core/record_window.h"
#include "client/reports/form_parts.h"
#include "client/reports/record_print.h"
#include "client/reports/report_windows.h"
#include "controls/html_label.h"
#include "platform/gfx/bitmap.h"
#include "platform/ui/edits.h"
#include "platform/ui/image.h"
#include "platform/ui/list_controls.h"
#include "platform/ui/mask_edit.h"
#include "platform/ui/modal_service.h"
#include "platform/ui/spin_edit.h"
#include "platform/ui/std_buttons.h"
#include "platform/ui/std_painted.h"
#include "print/barcode.h"
#include "print/label_printer.h"

using namespace form_parts;

// ---- Scanner station -------------------------------------------------------------------------

TBarCodeForm::TBarCodeForm(TReportWindows& Windows) : TForm(nullptr), FWindows(Windows), FLogic(Windows.Host) {
  SetName("BarCodeForm");
  SetCaption("Scan Barcode");
  SetBorderStyle(bsSingle);
  SetPosition(poScreenCenter);
  SetClientWidth(341);
  SetClientHeight(427);
  MakeCaptioned<TLabel>(this, this, "ScanLabel", "Scan Barcode:", 16, 12, 200, 17);
  JumpToItemBtn = MakeCaptioned<TRadioButton>(this, this, "JumpToItemBtn", "Jump To Item", 24, 36, 200, 20);
  AddtoInventoryBtn = MakeCaptioned<TRadioButton>(this, this, "AddtoInventoryBtn", "Add to Inventory", 24, 60, 200, 20);
  RemoveFromInventoryBtn =
      MakeCaptioned<TRadioButton>(this, this, "RemoveFromInventoryBtn", "Remove From Inventory", 24, 84, 200, 20);
  MakeCaptioned<TLabel>(this, this, "CodeLabel", "Code", 16, 120, 60, 17);
  ScanCode = Make<TEdit>(this, this, "ScanCode", 80, 116, 240, 21);
  MakeCaptioned<TLabel>(this, this, "ItemLabel", "Item", 16, 150, 60, 17);
  ItemName = Make<TEdit>(this, this, "ItemName", 80, 146, 240, 21);
  MakeCaptioned<TLabel>(this, this, "StockLabel", "Stock", 16, 180, 60, 17);
  Quantity = Make<TEdit>(this, this, "Quantity", 80, 176, 100, 21);
  Instructions = Make<TMarkupLabel>(this, this, "Instructions", 16, 214, 310, 150);
  TStringList Html;
  Html.Add("<b><u>Instructions:</u></b><br>");
  Html.Add("1. Choose the activity: jump to the item, add to or remove from the inventory.<br>");
  Html.Add("2. Put the cursor into the Code box.<br>");
  Html.Add("3. Scan the barcode.");
  Instructions->SetHTMLText(Html);
  CloseForm = MakeCaptioned<TButton>(this, this, "CloseForm", "Close", 130, 384, 80, 27);

  auto Refocus = [this](TObject*) {
    if (ScanCode->CanFocus()) ScanCode->SetFocus();
  };
  JumpToItemBtn->OnClick = Refocus;
  AddtoInventoryBtn->OnClick = Refocus;
  RemoveFromInventoryBtn->OnClick = Refocus;
  CloseForm->OnClick = [this](TObject*) { Close(); };
  ScanCode->OnKeyDown = [this](TObject*, WORD& Key, TShiftState) { ScanCodeKeyDown(Key); };
  OnActivate = [this](TObject*) { FormActivate(); };
}

TBarCodeForm::~TBarCodeForm() = default;

void TBarCodeForm::FormActivate() {
  ItemName->SetColor(clYellow);
  JumpToItemBtn->SetChecked(true);
  if (ScanCode->CanFocus()) ScanCode->SetFocus();
  if (!FWindows.Host.Record || !FLogic.Setup(FWindows.Host.Record->Buffers.Configuration)) Close();
}

void TBarCodeForm::ScanCodeKeyDown(WORD Key) {
  if (Key != 13) return;
  FLogic.Mode = JumpToItemBtn->Checked()         ? TBarcodeScan::Jump
                : AddtoInventoryBtn->Checked()     ? TBarcodeScan::AddStock
                : RemoveFromInventoryBtn->Checked() ? TBarcodeScan::RemoveStock
                                                    : TBarcodeScan::NoMode;
  const TBarcodeScan::TResult R = FLogic.Enter(ScanCode->Text());
  ScanCode->SetText("");
  if (R == TBarcodeScan::Jumped) {
    Close();
    return;
  }
  if (R == TBarcodeScan::Nothing) return;
  ItemName->SetText(FLogic.ItemName);
  ItemName->Font().SetColor(FLogic.ItemNameRed ? clRed : clBlack);
  if (R == TBarcodeScan::StockChanged) Quantity->SetText(FLogic.Quantity);
}

// ---- Barcode editor --------------------------------------------------------------------------

TEditBarcodeForm::TEditBarcodeForm(TReportWindows& Windows, TBarcodeSettings& Database)
    : TForm(nullptr), FWindows(Windows), FLogic(Windows.Host, Database) {
  SetName("EditBarcodeForm");
  SetCaption("Edit Barcode");
  SetPosition(poScreenCenter);
  SetClientWidth(632);
  SetClientHeight(354);
  MakeCaptioned<TLabel>(this, this, "TypeLabel", "Barcode Type", 12, 12, 120, 17);
  BarcodeType = Make<TComboBox>(this, this, "BarcodeType", 140, 8, 200, 21);
  for (const char* N : TEditBarcode::TypeNames) BarcodeType->Items().Add(N);
  BarcodeType->SetText("bcCode_2_5_interleaved");
  MakeCaptioned<TLabel>(this, this, "ChecksumLabel", "Checksum", 12, 40, 120, 17);
  Checksum = Make<TComboBox>(this, this, "Checksum", 140, 36, 200, 21);
  Checksum->Items().Add("Yes");
  Checksum->Items().Add("No");
  Checksum->SetText("No");
  MakeCaptioned<TLabel>(this, this, "MethodLabel", "Checksum method", 12, 68, 120, 17);
  CheckSumMethod = Make<TComboBox>(this, this, "CheckSumMethod", 140, 64, 200, 21);
  CheckSumMethod->Items().Add("csmModulo10");
  CheckSumMethod->Items().Add("None");
  CheckSumMethod->SetText("None");
  MakeCaptioned<TLabel>(this, this, "ValueLabel", "Barcode", 12, 100, 120, 17);
  BarCodeValue = Make<TMaskEdit>(this, this, "BarCodeValue", 140, 96, 200, 21);
  EnsureUnique = MakeCaptioned<TCheckBox>(this, this, "EnsureUnique", "Ensure Unique Barcode", 140, 124, 200, 20);
  EnsureUnique->SetChecked(true);
  MakeCaptioned<TLabel>(this, this, "ImageLabel", "Image", 360, 12, 120, 17);
  BarCodeImage = Make<TImage>(this, this, "BarCodeImage", 360, 32, 260, 120);
  MakeCaptioned<TLabel>(this, this, "PrintLabel", "Print Selected", 12, 172, 120, 17);
  MakeCaptioned<TLabel>(this, this, "LabelTypeLabel", "Label Type", 12, 200, 120, 17);
  SelectTemplateList = Make<TComboBox>(this, this, "SelectTemplateList", 140, 196, 200, 21);
  MakeCaptioned<TLabel>(this, this, "ColumnLabel", "Print Column", 12, 228, 120, 17);
  PrintColumn = Make<TSpinEdit>(this, this, "PrintColumn", 140, 224, 60, 21);
  MakeCaptioned<TLabel>(this, this, "RowLabel", "Print Row", 12, 256, 120, 17);
  PrintRow = Make<TSpinEdit>(this, this, "PrintRow", 140, 252, 60, 21);
  record_print::ResetLabelStart(*PrintColumn, *PrintRow);
  GenerateBarCodeBtn = MakeCaptioned<TButton>(this, this, "GenerateBarCodeBtn", "Generate", 360, 164, 120, 27);
  BarCodeScanbtn = MakeCaptioned<TButton>(this, this, "BarCodeScanbtn", "Scan Barcode", 490, 164, 120, 27);
  PrintBarCodeBtn = MakeCaptioned<TButton>(this, this, "PrintBarCodeBtn", "Print Selected Barcode", 360, 224, 250, 27);
  OKBtn = MakeCaptioned<TButton>(this, this, "OKBtn", "OK", 440, 312, 80, 27);
  CancelBtn = MakeCaptioned<TButton>(this, this, "CancelBtn", "Cancel", 530, 312, 80, 27);
  Barcode1 = new TBarcodeSymbol(this);
  Barcode1->SetModul(1);
  Barcode1->SetRatio(2);
  LabelPrint = new TPgLabelPrinter(this);

  GenerateBarCodeBtn->OnClick = [this](TObject*) { GenerateBarCodeBtnClick(); };
  BarCodeScanbtn->OnClick = [this](TObject*) {
    const std::string Code = InputBox("Scan Code", "Scan Code", "");
    if (Code.empty()) return;
    BarCodeValue->SetText(Code);
    ReadControls();
    FLogic.DuplicateBarCode();
    BarCodeValue->SetText(FLogic.Value);
  };
  PrintBarCodeBtn->OnClick = [this](TObject*) { PrintBarCodeBtnClick(); };
  OKBtn->OnClick = [this](TObject*) { OKBtnClick(); };
  CancelBtn->OnClick = [this](TObject*) { Close(); };
  SelectTemplateList->OnChange = [this](TObject*) { LoadLabelInfo(); };
  auto Redraw = [this](TObject*) { DisplayBarcode(BarCodeValue->Text()); };
  BarcodeType->OnChange = Redraw;
  Checksum->OnChange = Redraw;
  CheckSumMethod->OnChange = Redraw;
  OnActivate = [this](TObject*) { FormActivate(); };
}

TEditBarcodeForm::~TEditBarcodeForm() = default;

void TEditBarcodeForm::ReadControls() {
  FLogic.Value = BarCodeValue->Text();
  FLogic.EnsureUnique = EnsureUnique->Checked();
  FLogic.Checksum = Checksum->Text();
  FLogic.Type = BarcodeType->Text();
  FLogic.Method = CheckSumMethod->Text();
}

void TEditBarcodeForm::FormActivate() {
  if (FSetUp) return;
  FSetUp = true;
  FLogic.LoadSettings();
  Checksum->SetText(FLogic.Checksum);
  BarcodeType->SetText(FLogic.Type);
  CheckSumMethod->SetText(FLogic.Method);
  SelectTemplateList->Items().Clear();
  LabelPrint->Templates().GetTemplateNames(SelectTemplateList->Items());
  if (SelectTemplateList->Items().Count() > 0) SelectTemplateList->SetItemIndex(0);
  LoadLabelInfo();
  BarCodeValue->SetText(FLogic.CurrentBarcode);
  DisplayBarcode(FLogic.CurrentBarcode);
}

void TEditBarcodeForm::LoadLabelInfo() {
  record_print::LoadLabelInfo(*LabelPrint, SelectTemplateList->Text(), *PrintColumn, *PrintRow);
}

void TEditBarcodeForm::DisplayBarcode(const std::string& Value) {
  if (Value.empty()) return;
  ReadControls();
  FLogic.Value = Value;
  TBitmap& B = BarCodeImage->Picture().Bitmap();
  B.SetSize(0, 0);
  if (!FLogic.Configure(*Barcode1, BarCodeImage->Height())) return;
  B.SetSize(std::max(1, Barcode1->Width()), BarCodeImage->Height());
  B.Canvas().FillRect(TRect{0, 0, B.Width(), B.Height()});
  Barcode1->DrawOnCanvas(B.Canvas());
  BarCodeImage->Invalidate();
}

void TEditBarcodeForm::GenerateBarCodeBtnClick() {
  ReadControls();
  if (FLogic.Value.empty()) return;
  if (FLogic.EnsureUnique) FLogic.DuplicateBarCode();
  BarCodeValue->SetText(FLogic.Value);
  DisplayBarcode(FLogic.Value);
}

void TEditBarcodeForm::OKBtnClick() {
  ReadControls();
  FLogic.OKBtnClick();
  Close();
}

void TEditBarcodeForm::PrintBarCodeBtnClick() {
  ReadControls();
  if (FLogic.Value.empty()) {
    MessageDlg(TEditBarcode::EnterFirstText, mtError, TMsgDlgButtons{mbOK});
    return;
  }
  DisplayBarcode(FLogic.Value);
  if (OnPrintLabel) OnPrintLabel(*this);
}
