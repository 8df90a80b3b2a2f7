#include "client/reports/quick_report_forms.h"

#include "client/core/record_window.h"
#include "client/reports/form_parts.h"
#include "client/reports/report_windows.h"
#include "controls/grid/qn_grid.h"
#include "platform/ui/grids.h"
#include "platform/rtl/sysutils.h"
#include "platform/ui/containers.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/edits.h"
#include "platform/ui/list_controls.h"
#include "platform/ui/mask_edit.h"
#include "platform/ui/menus.h"
#include "platform/ui/modal_service.h"
#include "platform/ui/page_control.h"
#include "platform/ui/std_buttons.h"
#include "platform/ui/std_painted.h"
#include "print/grid_print.h"
#include "print/preview.h"
#include "print/preview_companions.h"

using namespace form_parts;

// ---- Setup -------------------------------------------------------------------------------------

TQuickReportSetupForm::TQuickReportSetupForm(TReportWindows& Windows)
    : TForm(nullptr), FWindows(Windows), FSetup(Windows.Host) {
  SetName("QuickReportSetupForm");
  SetCaption("Report Setup");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetBounds(0, 0, 420, 360);
  MakeCaptioned<TLabel>(this, this, "FieldsLabel", "Report Items", 8, 8, 200, 17);
  Fields = Make<TListBox>(this, this, "Fields", 8, 28, 250, 240);
  AddBtn = MakeCaptioned<TButton>(this, this, "AddBtn", "Add", 270, 28, 130, 25);
  AddBtn->SetHint("Add a new field to the Report");
  RemoveBtn = MakeCaptioned<TButton>(this, this, "RemoveBtn", "Remove", 270, 58, 130, 25);
  RemoveBtn->SetHint("Remove the Last added field");
  MoveUpBtn = MakeCaptioned<TButton>(this, this, "MoveUpBtn", "Move Up", 270, 92, 130, 25);
  MoveDownBtn = MakeCaptioned<TButton>(this, this, "MoveDownBtn", "Move Down", 270, 122, 130, 25);
  SaveBtn = MakeCaptioned<TButton>(this, this, "SaveBtn", "Save", 270, 160, 130, 25);
  LoadBtn = MakeCaptioned<TButton>(this, this, "LoadBtn", "Load", 270, 190, 130, 25);
  AllRecords = MakeCaptioned<TRadioButton>(this, this, "AllRecords", "All Records", 8, 280, 120, 17);
  SearchListRecords = MakeCaptioned<TRadioButton>(this, this, "SearchListRecords", "Search List Records", 130, 280, 150, 17);
  AllRecords->SetChecked(true);
  GenerateBtn = MakeCaptioned<TButton>(this, this, "GenerateBtn", "Generate", 240, 310, 80, 27);
  OKButton = MakeCaptioned<TButton>(this, this, "OKButton", "Cancel", 326, 310, 80, 27);
  OKButton->SetCancel(true);
  ritems = new TPopupMenu(this);
  ritems->SetName("ritems");
  for (const auto& Entry : FSetup.Menu) {
    TMenuItem* Item = AddItem(this, ritems->Items(), "", Entry.Caption, Entry.Code);
    const int Code = Entry.Code;
    Item->OnClick = [this, Code](TObject*) {
      FSetup.OnItemClick(Code);
      ShowList();
    };
  }
  AddBtn->OnClick = [this](TObject*) {
    const TPoint P = CursorPosition();
    ritems->Popup(P.X, P.Y);
  };
  RemoveBtn->OnClick = [this](TObject*) {
    FSetup.RemoveBtnClick(Selected());
    ShowList();
  };
  MoveUpBtn->OnClick = [this](TObject*) {
    const int I = Selected();
    FSetup.MoveUpBtnClick(I);
    ShowList();
    if (I > 0) Fields->SetItemIndex(I - 1);
  };
  MoveDownBtn->OnClick = [this](TObject*) {
    const int I = Selected();
    FSetup.MoveDownBtnClick(I);
    ShowList();
    if (I >= 0 && I + 1 < Fields->Items().Count()) Fields->SetItemIndex(I + 1);
  };
  SaveBtn->OnClick = [this](TObject*) {
    FSetup.SearchListRecords = SearchListRecords->Checked();
    FSetup.SaveQuickReportBtnClick();
  };
  LoadBtn->OnClick = [this](TObject*) {
    FSetup.LoadBtnClick();
    if (FSetup.SearchListRecords) SearchListRecords->SetChecked(true);
    ShowList();
  };
  GenerateBtn->OnClick = [this](TObject*) { GenerateBtnClick(); };
  OKButton->OnClick = [this](TObject*) { SetModalResult(mrCancel); };
  OnActivate = [this](TObject*) {
    FSetup.Activate();
    for (int i = 0; i < ritems->Items()->Count(); ++i) ritems->Items()->Items(i)->SetCaption(FSetup.Menu[i].Caption);
    ShowList();
  };
  ShowList();
}

TQuickReportSetupForm::~TQuickReportSetupForm() = default;

int TQuickReportSetupForm::Selected() const { return LastSelected(*Fields); }

void TQuickReportSetupForm::ShowList() {
  Fields->Items().Clear();
  for (const auto& Item : FSetup.Items) Fields->Items().Add(Item.Caption);
  for (int i = 0; i < ritems->Items()->Count(); ++i) ritems->Items()->Items(i)->SetEnabled(FSetup.Menu[i].Enabled);
  SetRequestButtons(!FBusy);
}

void TQuickReportSetupForm::SetRequestButtons(bool Enabled) {
  RemoveBtn->SetEnabled(Enabled && FSetup.RemoveEnabled);
  GenerateBtn->SetEnabled(Enabled && FSetup.GenerateEnabled);
  SaveBtn->SetEnabled(Enabled && FSetup.SaveEnabled);
  LoadBtn->SetEnabled(Enabled);
  AddBtn->SetEnabled(Enabled);
}

void TQuickReportSetupForm::GenerateBtnClick() {
  if (FBusy || FSetup.Items.empty()) return;
  // The report window is owned here and freed on every path.
  auto Report = std::make_unique<TQuickReportForm>(FWindows, &FWindows.List);
  FBusy = true;
  SetRequestButtons(false);
  const bool Ok = FSetup.Generate(Report->Report().DataGrid());
  FBusy = false;
  SetRequestButtons(true);
  if (!Ok) return;
  Report->Report().SearchListOnly = SearchListRecords->Checked();
  Report->FormActivate();
  Report->ShowModal();
  Report.reset();
  SetModalResult(mrOk);
}

// ---- Date range dialog -----------------------------------------------------------------------

TEditDateRangeForm::TEditDateRangeForm(const std::string& Mask, const std::string& From, const std::string& To)
    : TForm(nullptr) {
  SetName("EditDateRangeForm");
  SetCaption("Edit Date Range");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetBounds(0, 0, 300, 140);
  MakeCaptioned<TLabel>(this, this, "FromLabel", "From Date", 8, 12, 70, 17);
  FromDate = Make<TMaskEdit>(this, this, "FromDate", 84, 8, 100, 21);
  MakeCaptioned<TLabel>(this, this, "ToLabel", "To Date", 8, 44, 70, 17);
  ToDateE = Make<TMaskEdit>(this, this, "ToDateE", 84, 40, 100, 21);
  ClearBtn = MakeCaptioned<TButton>(this, this, "ClearBtn", "Clear", 200, 8, 80, 25);
  OKBtn = MakeCaptioned<TButton>(this, this, "OKBtn", "OK", 114, 80, 80, 25);
  CancelBtn = MakeCaptioned<TButton>(this, this, "CancelBtn", "Cancel", 200, 80, 80, 25);
  CancelBtn->SetCancel(true);
  const std::string EditMask = Mask.empty() ? "!9090/90/00;1;_" : Mask;
  for (TMaskEdit* E : {FromDate, ToDateE}) E->SetEditMask(EditMask);
  FEmpty = TEditMask(EditMask).EmptyEditText();
  FromDate->SetText(From);
  ToDateE->SetText(To);
  Result = DateRangeOK(FromDate->EditText(), ToDateE->EditText(), FEmpty);
  ClearBtn->OnClick = [this](TObject*) {
    FromDate->SetText("");
    ToDateE->SetText("");
  };
  OKBtn->OnClick = [this](TObject*) {
    Result = DateRangeOK(FromDate->EditText(), ToDateE->EditText(), FEmpty);
    SetModalResult(mrOk);
  };
  CancelBtn->OnClick = [this](TObject*) {
    Result.Range.clear();
    SetModalResult(mrCancel);
  };
}

// ---- The report window -------------------------------------------------------------------------

namespace {
const char* const kPositions[] = {"None", "Left", "Center", "Right"};

TComboBox* PositionBox(TComponent* Owner, TWinControl* Parent, const std::string& Name, int Left, int Top) {
  auto* Box = Make<TComboBox>(Owner, Parent, Name, Left, Top, 80, 21);
  Box->SetStyle(csDropDownList);
  for (const char* P : kPositions) Box->Items().Add(P);
  Box->SetItemIndex(0);
  return Box;
}

double MarginValue(TEdit* Edit) {
  double V = 0;
  if (!TryStrToFloat(Edit->Text(), V)) V = 0.5;
  return std::min(4.0, std::max(0.0, V));
}
}  // namespace

TQuickReportForm::TQuickReportForm(TReportWindows& Windows, TSearchList* List)
    : TForm(nullptr), FWindows(Windows), FReport(List) {
  SetName("QuickReportForm");
  if (Windows.Host.Record && !Windows.Host.Record->Buffers.Configuration.DateFormat.empty())
    FReport.DateFormat = Windows.Host.Record->Buffers.Configuration.DateFormat;
  SetCaption("Report");
  SetPosition(poScreenCenter);
  SetBounds(0, 0, 760, 560);
  // A barcode column is text wherever the grid goes (a workbook keeps its leading zeros).
  FReport.DisplayGrid().OnGetFormat = [this](TObject*, int Col, TSortStyle& Style, std::string&, std::string&) {
    if (IsBarcodeColumn(FWindows.Host.Captions, FReport.DisplayGrid().Cells(Col, 0))) Style = sortText;
  };
  Layout.ReportFont.SetName("Arial");
  Layout.ReportFont.SetSize(8);
  auto* Bottom = Make<TPanel>(this, this, "ButtonPanel", 0, 520, 760, 40);
  Bottom->SetAlign(alBottom);
  Bottom->SetCaption("");
  FontBtn = MakeCaptioned<TButton>(this, Bottom, "FontBtn", "Report Font", 4, 6, 90, 27);
  HeaderFontBtn = MakeCaptioned<TButton>(this, Bottom, "HeaderFontBtn", "Header Font", 98, 6, 90, 27);
  FooterFontBtn = MakeCaptioned<TButton>(this, Bottom, "FooterFontBtn", "Footer Font", 192, 6, 90, 27);
  ExcelExportBtn = MakeCaptioned<TButton>(this, Bottom, "ExcelExportBtn", "Excel Export", 292, 6, 90, 27);
  CSVExportBtn = MakeCaptioned<TButton>(this, Bottom, "CSVExportBtn", "CSV Export", 386, 6, 90, 27);
  SaveHTML = MakeCaptioned<TButton>(this, Bottom, "SaveHTML", "HTML Export", 480, 6, 90, 27);
  UpdateBtn = MakeCaptioned<TButton>(this, Bottom, "UpdateBtn", "Update", 580, 6, 80, 27);
  OKButton = MakeCaptioned<TButton>(this, Bottom, "OKButton", "OK", 666, 6, 80, 27);

  Pages = Make<TPageControl>(this, this, "Pages", 0, 0, 760, 520);
  Pages->SetAlign(alClient);
  auto Sheet = [this](const std::string& Name, const std::string& Caption) {
    auto* S = new TTabSheet(this);
    S->SetName(Name);
    S->SetCaption(Caption);
    S->SetPageControl(Pages);
    return S;
  };
  SelectPage = Sheet("SelectPage", "Select Data");
  HeaderPage = Sheet("HeaderPage", "Header and Footer");
  PreviewPage = Sheet("PreviewPage", "Print Preview");

  SelectGrid = Make<TStringGrid>(this, SelectPage, "SelectGrid", 4, 4, 300, 460);
  SelectGrid->SetColCount(2);
  SelectGrid->SetFixedCols(0);
  SelectGrid->SetLeftCol(0);
  SelectGrid->SetDefaultColWidth(140);
  DisplayView = &AsStringGrid(FReport.DisplayGrid());
  DisplayView->SetParent(SelectPage);
  DisplayView->SetBounds(310, 4, 430, 460);

  for (int i = 0; i < 2; ++i) {
    const std::string Part = i == 0 ? "Header" : "Footer";
    auto* Box = MakeCaptioned<TGroupBox>(this, HeaderPage, Part + "Box", Part, 8, 8 + i * 170, 730, 160);
    MakeCaptioned<TLabel>(this, Box, Part + "VisibleLabel", "Visible", 8, 24, 60, 17);
    Visible[i] = Make<TComboBox>(this, Box, Part + "Visible", 70, 20, 60, 21);
    Visible[i]->SetStyle(csDropDownList);
    Visible[i]->Items().Add("No");
    Visible[i]->Items().Add("Yes");
    Visible[i]->SetItemIndex(0);
    ShowLine[i] = MakeCaptioned<TCheckBox>(this, Box, Part + "ShowLine", "Show Line", 150, 22, 90, 17);
    ShowLine[i]->SetChecked(true);
    MakeCaptioned<TLabel>(this, Box, Part + "HeightLabel", "Height", 260, 24, 50, 17);
    HeightEdit[i] = Make<TEdit>(this, Box, Part + "Height", 312, 20, 50, 21);
    HeightEdit[i]->SetText("0.5");
    MakeCaptioned<TLabel>(this, Box, Part + "PageLabel", "Page Number", 8, 56, 80, 17);
    PagePos[i] = PositionBox(this, Box, Part + "PagePos", 90, 52);
    MakeCaptioned<TLabel>(this, Box, Part + "DateLabel", "Date", 190, 56, 40, 17);
    DatePos[i] = PositionBox(this, Box, Part + "DatePos", 232, 52);
    MakeCaptioned<TLabel>(this, Box, Part + "TextsLabel", "Left / Center / Right", 8, 92, 140, 17);
    LeftText[i] = Make<TEdit>(this, Box, Part + "Left", 8, 112, 230, 21);
    CenterText[i] = Make<TEdit>(this, Box, Part + "Center", 246, 112, 230, 21);
    RightText[i] = Make<TEdit>(this, Box, Part + "Right", 484, 112, 230, 21);
  }
  const char* const MarginNames[] = {"Left", "Right", "Top", "Bottom"};
  for (int m = 0; m < 4; ++m) {
    MakeCaptioned<TLabel>(this, HeaderPage, std::string("Margin") + MarginNames[m] + "Label",
                          std::string(MarginNames[m]) + " Margin", 8 + m * 150, 356, 80, 17);
    Margin[m] = Make<TEdit>(this, HeaderPage, std::string("Margin") + MarginNames[m], 90 + m * 150, 352, 50, 21);
    Margin[m]->SetText("0.5");
  }

  auto* PreviewTop = Make<TPanel>(this, PreviewPage, "PreviewTools", 0, 0, 750, 34);
  PreviewTop->SetAlign(alTop);
  PreviewTop->SetCaption("");
  PreviewBtn = MakeCaptioned<TButton>(this, PreviewTop, "PreviewBtn", "Generate", 4, 4, 70, 25);
  PrintBtn = MakeCaptioned<TButton>(this, PreviewTop, "PrintBtn", "Print", 78, 4, 60, 25);
  PrinterSetupBtn = MakeCaptioned<TButton>(this, PreviewTop, "PrinterSetupBtn", "Printer Setup", 142, 4, 90, 25);
  Preview = Make<TPgPreview>(this, PreviewPage, "Preview", 0, 34, 750, 440);
  Preview->SetAlign(alClient);
  Navigator = MakePageNavigator(this, PreviewTop, 240, 3, Preview);
  const int LabelLeft = Navigator->Left() + Navigator->Width() + 6;
  PageLabel = MakeCaptioned<TLabel>(this, PreviewTop, "PageLabel", "", LabelLeft, 8, 634 - LabelLeft, 17);
  Orientation = Make<TPgPropertyGraphic>(this, PreviewTop, "Orientation", 640, 2, 60, 30);
  GridPrint = new TPgGridPrint(this);
  GridPrint->SetName("GridPrint");
  Orientation->SetPreview(Preview);
  Orientation->SetPreviewProperty(gmOrientationGraphic);
  Navigator->OnClickButton = [this](TObject*, TPgNavigateBtn) { UpdatePageLabel(); };

  HeaderFontMenu = new TPopupMenu(this);
  HeaderFontMenu->SetName("HeaderFontMenu");
  FooterFontMenu = new TPopupMenu(this);
  FooterFontMenu->SetName("FooterFontMenu");
  const char* const Positions[] = {"Left", "Center", "Right"};
  for (int p = 0; p < 3; ++p) {
    AddItem(this, HeaderFontMenu->Items(), std::string(Positions[p]) + "1", Positions[p])->OnClick =
        [this, p](TObject*) { ChooseFont(Layout.HeaderFonts[p]); };
    AddItem(this, FooterFontMenu->Items(), std::string(Positions[p]) + "2", Positions[p])->OnClick =
        [this, p](TObject*) { ChooseFont(Layout.FooterFonts[p]); };
  }
  FontBtn->OnClick = [this](TObject*) { ChooseFont(Layout.ReportFont); };
  HeaderFontBtn->OnClick = [this](TObject*) {
    const TPoint P = CursorPosition();
    HeaderFontMenu->Popup(P.X, P.Y);
  };
  FooterFontBtn->OnClick = [this](TObject*) {
    const TPoint P = CursorPosition();
    FooterFontMenu->Popup(P.X, P.Y);
  };
  ExcelExportBtn->OnClick = [this](TObject*) { Export(0); };
  CSVExportBtn->OnClick = [this](TObject*) { Export(1); };
  SaveHTML->OnClick = [this](TObject*) { Export(2); };
  OKButton->OnClick = [this](TObject*) { SetModalResult(mrOk); };
  PreviewBtn->OnClick = [this](TObject*) { PreviewBtnClick(); };
  PrintBtn->OnClick = [this](TObject*) {
    TPrintDialog Dialog(nullptr);
    Dialog.SetMinPage(1);
    Dialog.SetMaxPage(std::max(1, Preview->NumPages()));
    Dialog.SetFromPage(1);
    Dialog.SetToPage(std::max(1, Preview->NumPages()));
    if (Dialog.Execute()) Preview->Print();
  };
  PrinterSetupBtn->OnClick = [](TObject*) {
    TPrinterSetupDialog Dialog(nullptr);
    Dialog.Execute();
  };
  Pages->OnChange = [this](TObject*) {
    if (Pages->ActivePage() == PreviewPage) PreviewBtnClick();
  };
  SelectGrid->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int X, int Y) {
    int Col = -1, Row = -1;
    SelectGrid->MouseToCell(X, Y, Col, Row);
    if (Col == 1 && Row >= 0) SelectGridMouseDown(Row);
  };
  OnActivate = [this](TObject*) { FormActivate(); };
  Pages->SetActivePage(SelectPage);
}

TQuickReportForm::~TQuickReportForm() {
  // The display grid belongs to the report, not to the page it is shown on.
  DisplayView->SetParent(nullptr);
}

void TQuickReportForm::FormActivate() {
  FReport.FormActivate();
  ShowFilters();
}

void TQuickReportForm::ShowFilters() {
  SelectGrid->SetRowCount(std::max(1, static_cast<int>(FReport.Filters.size())));
  for (int r = 0; r < static_cast<int>(FReport.Filters.size()); ++r) {
    SelectGrid->SetCells(0, r, FReport.Filters[r].Caption);
    SelectGrid->SetCells(1, r, FReport.Filters[r].Text);
  }
}

void TQuickReportForm::SelectGridMouseDown(int Row) {
  if (Row < 0 || Row >= static_cast<int>(FReport.Filters.size())) return;
  auto& F = FReport.Filters[Row];
  if (F.Kind == 3) {
    auto Dialog = std::make_unique<TEditDateRangeForm>("!90/00;1;_", F.From, F.To);
    Dialog->ShowModal();
    const TDateRange R = Dialog->Result;
    FReport.SetDateFilter(Row, R.From, R.To, R.Range);
  } else {
    FReport.SetTextFilter(Row, InputBox("Enter Value", "Enter Value", F.Text));
  }
  ShowFilters();
}

void TQuickReportForm::ReadLayoutControls() {
  for (int i = 0; i < 2; ++i) {
    THeaderFooterSettings& S = i == 0 ? Layout.Header : Layout.Footer;
    S.Visible = Visible[i]->ItemIndex() == 1;
    S.ShowLine = ShowLine[i]->Checked();
    double H = 0.5;
    if (!TryStrToFloat(HeightEdit[i]->Text(), H)) H = 0.5;
    S.Height = std::min(4.0, std::max(0.0, H));
    S.PagePosition = static_cast<TReportPosition>(std::max(0, PagePos[i]->ItemIndex()));
    S.DatePosition = static_cast<TReportPosition>(std::max(0, DatePos[i]->ItemIndex()));
    S.Left = LeftText[i]->Text();
    S.Center = CenterText[i]->Text();
    S.Right = RightText[i]->Text();
  }
  Layout.MarginLeft = MarginValue(Margin[0]);
  Layout.MarginRight = MarginValue(Margin[1]);
  Layout.MarginTop = MarginValue(Margin[2]);
  Layout.MarginBottom = MarginValue(Margin[3]);
}

void TQuickReportForm::PreviewBtnClick() {
  ReadLayoutControls();
  BuildReportPreview(*Preview, *GridPrint, AsStringGrid(FReport.DisplayGrid()), Layout, DateToStr(FReport.Today()));
  UpdatePageLabel();
}

void TQuickReportForm::UpdatePageLabel() {
  PageLabel->SetCaption(std::to_string(Preview->CurrentPage()) + " of " + std::to_string(Preview->NumPages()));
}

void TQuickReportForm::ChooseFont(TFont& Font) {
  TFontDialog Dialog(nullptr);
  Dialog.Font().Assign(Font);
  if (Dialog.Execute()) Font.Assign(Dialog.Font());
}

void TQuickReportForm::Export(int Kind) {
  static const char* const Filters[] = {"Excel File|*.xlsx", "Comma Delimited File|*.CSV", "HTML File|*.htm"};
  TSaveDialog Dialog(nullptr);
  Dialog.SetFilter(Filters[Kind]);
  Dialog.SetFileName("");
  if (!Dialog.Execute() || Dialog.FileName().empty()) return;
  const std::string Name = ExportFileName(Dialog.FileName(), Kind);
  try {
    ExportGrid(FReport.DisplayGrid(), Kind, Name);
  } catch (const std::exception& E) {
    MessageDlg(E.what(), mtError, TMsgDlgButtons{mbOK});
    return;
  }
  // A name that was given its extension is told, so that the file is found.
  MessageDlg(Name == Dialog.FileName() ? std::string("File exported.") : "File exported to \"" + Name + "\".",
             mtInformation, TMsgDlgButtons{mbOK});
}
