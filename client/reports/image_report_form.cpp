#include "client/reports/image_report_form.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "client/core/client_settings.h"
#include "client/core/server_requests.h"
#include "client/reports/form_parts.h"
#include "client/reports/report_windows.h"
#include "platform/rtl/date_time.h"
#include "platform/rtl/ini_files.h"
#include "platform/rtl/sysutils.h"
#include "platform/ui/application.h"
#include "platform/ui/containers.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/edits.h"
#include "platform/ui/grids.h"
#include "platform/ui/list_controls.h"
#include "platform/ui/menus.h"
#include "platform/ui/page_control.h"
#include "platform/ui/screen.h"
#include "platform/ui/spin_edit.h"
#include "platform/ui/std_buttons.h"
#include "platform/ui/std_painted.h"
#include "platform/ui/tool_bar.h"
#include "print/grid_print.h"
#include "print/preview.h"
#include "print/preview_companions.h"
#include "records/item_record.h"

using namespace form_parts;
using namespace image_report;

namespace {

const char* const kPositions[] = {"None", "Left", "Center", "Right"};
const char* const kImageNames[] = {"None", "Image One", "Image Two", "Image Three", "Image Four", "Image Five", "Image Six"};

TComboBox* Choice(TComponent* Owner, TWinControl* Parent, const std::string& Name, int Left, int Top, int Width,
                  std::initializer_list<const char*> Items, int Index = 0) {
  auto* Box = Make<TComboBox>(Owner, Parent, Name, Left, Top, Width, 21);
  Box->SetStyle(csDropDownList);
  for (const char* I : Items) Box->Items().Add(I);
  Box->SetItemIndex(Index);
  return Box;
}

TEdit* Number(TComponent* Owner, TWinControl* Parent, const std::string& Name, const std::string& Caption, int Left,
              int Top, const std::string& Value, int LabelWidth = 110) {
  MakeCaptioned<TLabel>(Owner, Parent, Name + "Label", Caption, Left, Top + 3, LabelWidth, 17);
  auto* E = Make<TEdit>(Owner, Parent, Name, Left + LabelWidth, Top, 60, 21);
  E->SetText(Value);
  return E;
}

// An inch value of an edit box, held within Low .. High (Fallback when it is no number).
double Inches(const TEdit* E, double Low, double High, double Fallback) {
  double V = Fallback;
  if (!TryStrToFloat(E->Text(), V) || !std::isfinite(V)) V = Fallback;
  return std::clamp(V, Low, High);
}

int Index(const TComboBox* Box) { return std::max(0, Box->ItemIndex()); }

std::string InchText(double V) { return FloatToStr(std::round(V * 1000) / 1000); }

}  // namespace

TImageReportForm::TImageReportForm(TReportWindows& Windows) : TForm(nullptr), FWindows(Windows) {
  SetName("ImageReportForm");
  SetCaption("Record Print");
  // FormCreate: the twenty fonts start as the main window's font; the size from the settings.
  const TFont& Base = GetApplication().MainForm() ? GetApplication().MainForm()->Font() : Font();
  for (TFont& F : FFonts.Fonts) F.Assign(Base);
  SetPosition(poScreenCenter);
  int W = 633, H = 480;
  if (auto Key = OpenSettingsKey()) ReadFormSize(*Key, "ImageReport", 633, 480, W, H);
  SetBounds(0, 0, W, H);

  ToolBar = MakeToolBar(this, this);
  LoadFormatBtn = AddToolButton(this, ToolBar, "LoadFormatBtn", "Open", "Open a Report Format", [this] { LoadFormatBtnClick(); });
  SaveFormatBtn = AddToolButton(this, ToolBar, "SaveFormatBtn", "Save", "Save the Report Format", [this] { SaveFormatBtnClick(); });
  CalculatorTBtn = AddToolButton(this, ToolBar, "CalculatorTBtn", "Calc", "Display Calculator", [this] {
    if (FWindows.Host.OpenTool) FWindows.Host.OpenTool("Calculator");
  });
  CalendarTBtn = AddToolButton(this, ToolBar, "CalendarTBtn", "Date", "Display Calendar", [this] {
    if (FWindows.Host.OpenTool) FWindows.Host.OpenTool("Calendar");
  });
  CloseTBtn = AddToolButton(this, ToolBar, "CloseTBtn", "Close", "Close", [this] { Close(); });

  ImageBook = Make<TPageControl>(this, this, "ImageBook", 0, 30, W, H - 30);
  ImageBook->SetAlign(alClient);
  auto Sheet = [this](const std::string& Name, const std::string& Caption) { return AddSheet(this, ImageBook, Name, Caption); };
  LayoutPage = Sheet("LayoutPage", "Layout");
  HeaderPage = Sheet("HeaderPage", "Header and Footer");
  TextPage = Sheet("TextPage", "Records and Text");
  ImagesPage = Sheet("ImagesPage", "Images");
  PreviewPage = Sheet("PreviewPage", "Preview");
  BuildLayoutPage();
  BuildHeaderPage();
  BuildTextPage();
  BuildImagesPage();
  BuildPreviewPage();
  ImageBook->OnChange = [this](TObject*) {
    if (ImageBook->ActivePage() == PreviewPage) PreviewBtnClick();
  };
  ImageBook->SetActivePage(LayoutPage);

  OnActivate = [this](TObject*) { FormActivate(); };
  OnDeactivate = [this](TObject*) { FormDeactivate(); };
  OnClose = [this](TObject*, TCloseAction& Action) {
    FormClose();
    Action = caHide;
  };
}

TImageReportForm::~TImageReportForm() = default;

void TImageReportForm::BuildLayoutPage() {
  MakeCaptioned<TLabel>(this, LayoutPage, "LayoutLabel", "Layout", 8, 11, 110, 17);
  Layout = Choice(this, LayoutPage, "Layout", 118, 8, 100, {"One", "Two", "Three", "Four"}, 1);
  // Each layout's picture: the pictures' share shaded, the text's share white.
  const char* const Names[] = {"Panel8", "Panel10", "Panel12", "Panel14"};
  const char* const Captions[] = {"One", "Two", "Three", "Four"};
  for (int i = 0; i < 4; ++i) {
    auto* P = Make<TPanel>(this, LayoutPage, Names[i], 300 + (i % 2) * 130, 8 + (i / 2) * 130, 120, 120);
    P->SetCaption("");
    P->SetBevelOuter(bvRaised);
    const bool Stacked = i < 2, ImagesFirst = i == 0 || i == 3;
    const TRect First = Stacked ? TRect{4, 4, 116, 54} : TRect{4, 4, 58, 104};
    const TRect Second = Stacked ? TRect{4, 54, 116, 104} : TRect{58, 4, 116, 104};
    const TRect Pictures = ImagesFirst ? First : Second, Text = ImagesFirst ? Second : First;
    auto Part = [&](const std::string& Suffix, const TRect& R, const std::string& Caption, TColor Colour) {
      auto* C = MakeCaptioned<TPanel>(this, P, Names[i] + Suffix, Caption, R.Left, R.Top, R.Right - R.Left, R.Bottom - R.Top);
      C->SetBevelOuter(bvLowered);
      C->SetColor(Colour);
      C->OnClick = [this, i](TObject*) { Layout->SetItemIndex(i); };
    };
    Part("Pictures", Pictures, "Pictures", clSkyBlue);
    Part("Text", Text, "Text", clWhite);
    MakeCaptioned<TLabel>(this, P, Names[i] + std::string("Label"), Captions[i], 4, 104, 112, 15);
    P->OnClick = [this, i](TObject*) { Layout->SetItemIndex(i); };
    LayoutPanels[static_cast<std::size_t>(i)] = P;
  }
  ItemHeight = Number(this, LayoutPage, "ItemHeight", "Item Height", 8, 40, "1");
  CellSpacing = Number(this, LayoutPage, "CellSpacing", "Cell Spacing", 8, 72, "0");
  MakeCaptioned<TLabel>(this, LayoutPage, "PageFrameLabel", "Page Frame", 8, 107, 110, 17);
  PageFrame = Choice(this, LayoutPage, "PageFrame", 118, 104, 100, {"No", "Yes"});
  MakeCaptioned<TLabel>(this, LayoutPage, "CellBorderLabel", "Cell Border", 8, 139, 110, 17);
  CellBorder = Choice(this, LayoutPage, "CellBorder", 118, 136, 170,
                      {"None", "Horizontal", "Vertical", "Horizontal and Vertical"});
  SelectBorderColor = MakeCaptioned<TButton>(this, LayoutPage, "SelectBorderColor", "Border Color", 118, 168, 100, 25);
  SelectBorderColor->OnClick = [this](TObject*) {
    TColorDialog Dialog(this);
    Dialog.SetName("BorderColor");
    Dialog.SetColor(FFonts.BorderColor);
    if (Dialog.Execute()) FFonts.BorderColor = Dialog.Color();
  };
}

void TImageReportForm::BuildHeaderPage() {
  LeftMargin = Number(this, HeaderPage, "LeftMargin", "Left Margin", 8, 8, "0.5", 80);
  RightMargin = Number(this, HeaderPage, "RightMargin", "Right Margin", 160, 8, "0.5", 80);
  TopMargin = Number(this, HeaderPage, "TopMargin", "Top Margin", 312, 8, "0.5", 80);
  BottomMargin = Number(this, HeaderPage, "BottomMargin", "Bottom Margin", 464, 8, "0.5", 80);
  FHeaderFontMenu = new TPopupMenu(this);
  FHeaderFontMenu->SetName("HeaderFontMenu");
  FFooterFontMenu = new TPopupMenu(this);
  FFooterFontMenu->SetName("FooterFontMenu");
  // Header: left 6, centre 5, right 7; footer: left 9, centre 8, right 10.
  const int FontOf[2][3] = {{6, 5, 7}, {9, 8, 10}};
  for (int b = 0; b < 2; ++b) {
    const std::string Part = b == 0 ? "Header" : "Footer";
    auto* Box = MakeCaptioned<TGroupBox>(this, HeaderPage, Part + "Box", Part, 8, 40 + b * 170, 600, 160);
    MakeCaptioned<TLabel>(this, Box, Part + "VisibleLabel", "Visible", 8, 24, 60, 17);
    BandVisible[b] = Choice(this, Box, Part + "Visible", 70, 20, 60, {"No", "Yes"});
    BandLine[b] = MakeCaptioned<TCheckBox>(this, Box, "Show" + Part + "Line", "Show Line", 150, 22, 90, 17);
    MakeCaptioned<TLabel>(this, Box, Part + "HeightLabel", "Height", 260, 24, 50, 17);
    BandHeight[b] = Make<TEdit>(this, Box, Part + "Height", 312, 20, 50, 21);
    BandHeight[b]->SetText("0.5");
    BandFontBtn[b] = MakeCaptioned<TButton>(this, Box, Part + "FontBtn", "Font", 380, 18, 70, 25);
    MakeCaptioned<TLabel>(this, Box, Part + "PageLabel", "Page Number", 8, 56, 80, 17);
    BandPageNumber[b] = Choice(this, Box, Part + "PageNumber", 90, 52, 80, {"None", "Left", "Center", "Right"});
    MakeCaptioned<TLabel>(this, Box, Part + "DateLabel", "Date", 190, 56, 40, 17);
    BandDate[b] = Choice(this, Box, Part + "Date", 232, 52, 80, {"None", "Left", "Center", "Right"});
    const char* const Pieces[] = {"Left", "Center", "Right"};
    TPopupMenu* Menu = b == 0 ? FHeaderFontMenu : FFooterFontMenu;
    for (int p = 0; p < 3; ++p) {
      BandText[b][p] = Make<TEdit>(this, Box, Part + Pieces[p], 8 + p * 196, 112, 188, 21);
      MakeCaptioned<TLabel>(this, Box, Part + Pieces[p] + "Label", Pieces[p], 8 + p * 196, 92, 100, 17);
      const int F = FontOf[b][p];
      AddItem(this, Menu->Items(), std::string(Pieces[p]) + (b == 0 ? "1" : "2"), Pieces[p])->OnClick =
          [this, F](TObject*) { ChooseFont(F); };
    }
    BandFontBtn[b]->OnClick = [this, Menu](TObject*) { PopupFonts(Menu); };
  }
}

void TImageReportForm::BuildTextPage() {
  Fields = Make<TListBox>(this, TextPage, "Fields", 8, 8, 260, 300);
  AddItemBtn = MakeCaptioned<TButton>(this, TextPage, "AddItemBtn", "Add", 276, 8, 90, 25);
  RemoveBtn = MakeCaptioned<TButton>(this, TextPage, "RemoveBtn", "Remove", 276, 38, 90, 25);
  RemoveBtn->SetEnabled(false);
  MoveUpBtn = MakeCaptioned<TButton>(this, TextPage, "MoveUpBtn", "Move Up", 276, 68, 90, 25);
  MoveDownBtn = MakeCaptioned<TButton>(this, TextPage, "MoveDownBtn", "Move Down", 276, 98, 90, 25);
  FontBtn = MakeCaptioned<TButton>(this, TextPage, "FontBtn", "Font", 276, 128, 90, 25);
  MakeCaptioned<TLabel>(this, TextPage, "TextColumnsLabel", "Text Columns", 380, 12, 90, 17);
  TextColumns = Make<TSpinEdit>(this, TextPage, "TextColumns", 476, 8, 50, 21);
  TextColumns->SetMinValue(1);
  TextColumns->SetMaxValue(5);
  TextColumns->SetValue(1);
  IncludeFieldNamesBtn = MakeCaptioned<TCheckBox>(this, TextPage, "IncludeFieldNamesBtn", "Include Field Names", 380, 40, 200, 17);
  IncludeRecordNameBtn =
      MakeCaptioned<TCheckBox>(this, TextPage, "IncludeRecordNameBtn", "Include Record Name as Title", 380, 64, 220, 17);
  ritems = new TPopupMenu(this);
  ritems->SetName("ritems");
  FFieldFontMenu = new TPopupMenu(this);
  FFieldFontMenu->SetName("FieldFontMenu");
  AddItem(this, FFieldFontMenu->Items(), "SelectFieldNameFont1", "Field Names")->OnClick = [this](TObject*) { ChooseFont(3); };
  AddItem(this, FFieldFontMenu->Items(), "SelectFieldNameFont2", "Record Name")->OnClick = [this](TObject*) { ChooseFont(2); };
  AddItem(this, FFieldFontMenu->Items(), "SelectFieldValueFont1", "Field Values")->OnClick = [this](TObject*) { ChooseFont(1); };
  AddItemBtn->OnClick = [this](TObject*) {
    TPoint P = AddItemBtn->ClientToScreen(TPoint{0, AddItemBtn->Height()});
    ritems->Popup(P.X, P.Y);
  };
  RemoveBtn->OnClick = [this](TObject*) { RemoveBtnClick(); };
  MoveUpBtn->OnClick = [this](TObject*) { MoveUpBtnClick(); };
  MoveDownBtn->OnClick = [this](TObject*) { MoveDownBtnClick(); };
  FontBtn->OnClick = [this](TObject*) { PopupFonts(FFieldFontMenu); };
}

void TImageReportForm::BuildImagesPage() {
  for (int i = 0; i < 6; ++i) {
    MakeCaptioned<TLabel>(this, ImagesPage, "Image" + std::to_string(i + 1) + "Label", "Image " + std::to_string(i + 1), 8,
                          11 + i * 30, 60, 17);
    auto* Box = Make<TComboBox>(this, ImagesPage, "Image" + std::to_string(i + 1), 70, 8 + i * 30, 120, 21);
    Box->SetStyle(csDropDownList);
    for (const char* N : kImageNames) Box->Items().Add(N);
    Box->SetItemIndex(0);
    Image[static_cast<std::size_t>(i)] = Box;
  }
  MakeCaptioned<TLabel>(this, ImagesPage, "ImageOrientationLabel", "Arrange", 220, 11, 120, 17);
  ImageOrientation = Choice(this, ImagesPage, "ImageOrientation", 350, 8, 100, {"Horizontal", "Vertical"});
  MakeCaptioned<TLabel>(this, ImagesPage, "ImageSpaceLabel", "Image Space (Percent)", 220, 43, 130, 17);
  ImageSpace = Make<TSpinEdit>(this, ImagesPage, "ImageSpace", 350, 40, 60, 21);
  ImageSpace->SetMinValue(0);
  ImageSpace->SetMaxValue(100);
  ImageSpace->SetValue(50);
  IncludeImageTitle = MakeCaptioned<TCheckBox>(this, ImagesPage, "IncludeImageTitle", "Include Image Title", 220, 72, 160, 17);
  ImageFontBtn = MakeCaptioned<TButton>(this, ImagesPage, "ImageFontBtn", "Font", 390, 68, 70, 25);
  ImageFontBtn->OnClick = [this](TObject*) { ChooseFont(4); };
}

void TImageReportForm::BuildPreviewPage() {
  auto* Top = Make<TPanel>(this, PreviewPage, "PreviewTools", 0, 0, 620, 34);
  Top->SetAlign(alTop);
  Top->SetCaption("");
  PreviewBtn = MakeCaptioned<TButton>(this, Top, "PreviewBtn", "Generate", 4, 4, 70, 25);
  PrintBtn = MakeCaptioned<TButton>(this, Top, "PrintBtn", "Print", 78, 4, 60, 25);
  PrinterSetupBtn = MakeCaptioned<TButton>(this, Top, "PrinterSetupBtn", "Printer Setup", 142, 4, 90, 25);
  PageLabel = MakeCaptioned<TLabel>(this, Top, "PageLabel", "", 240, 9, 70, 17);
  PrintPreview = Make<TPgPreview>(this, PreviewPage, "PrintPreview", 0, 34, 620, 380);
  PrintPreview->SetAlign(alClient);
  PgPropertyComboBox1 = Make<TPgPropertyComboBox>(this, Top, "PgPropertyComboBox1", 316, 5, 150, 21);
  PgPropertyComboBox1->SetPreviewProperty(gmPrinterList);
  PgPropertyComboBox1->SetPreview(PrintPreview);
  PgPropertyComboBox2 = Make<TPgPropertyComboBox>(this, Top, "PgPropertyComboBox2", 470, 5, 130, 21);
  PgPropertyComboBox2->SetPreviewProperty(gmPaperList);
  PgPropertyComboBox2->SetPreview(PrintPreview);
  GridPrint = new TPgGridPrint(this);
  GridPrint->SetName("GridPrint");
  pGrid = Make<TStringGrid>(this, PreviewPage, "pGrid", 0, 0, 10, 10);
  pGrid->SetVisible(false);
  pGrid->SetFixedRows(0);
  pGrid->SetFixedCols(0);
  pGrid->SetRowCount(1);
  pGrid->SetColCount(1);
  GridPrint->SetGrid(pGrid);
  GridPrint->SetPreview(PrintPreview);
  GridPrint->OnDrawCell = [this](TObject*, int, int, TPgValueRect& R, TPgCanvas& C) { GridPrintDrawCell(R, C); };
  // After the last row the grid printer gets no more cells: their height is 0.
  GridPrint->OnGetRowHeight = [this](TObject*, int, TPgValue& H) {
    if (FLastRowDone) H.SetAsInches(0);
  };
  GridPrint->AfterDrawRow = [this](TObject*, int Row) {
    if (Row >= pGrid->RowCount() - 1) FLastRowDone = true;
  };
  PreviewBtn->OnClick = [this](TObject*) { PreviewBtnClick(); };
  PrintBtn->OnClick = [this](TObject*) { PrintBtnClick(); };
  PrinterSetupBtn->OnClick = [](TObject*) {
    TPrinterSetupDialog Dialog(nullptr);
    Dialog.Execute();
  };
  PgPropertyComboBox1->OnChange = [this](TObject*) { PreviewBtnClick(); };
  PgPropertyComboBox2->OnChange = [this](TObject*) {
    PreviewBtnClick();
    UpdateItemHeight();
  };
  PrintPreview->OnPageChanged = [this](TObject*) { UpdatePageLabel(); };
}

void TImageReportForm::FormActivate() {
  // The window starts its choices when it is first shown, not each time it gets the focus back
  // (after a font or colour dialog, or from another window).
  if (FActivated) return;
  FActivated = true;
  if (ProgramFolder.empty() && FWindows.Host.Session) {
    ProgramFolder = FWindows.Host.Session->ScratchFolder;
    if (!ProgramFolder.empty() && ProgramFolder.back() != '/') ProgramFolder += '/';
  }
  FItems.Rebuild(FWindows.Host.Captions);
  ShowItems();
  Layout->SetItemIndex(1);
  ImageOrientation->SetItemIndex(0);
  for (TComboBox* B : Image) B->SetItemIndex(0);
  ImageSpace->SetValue(100);
  pGrid->SetRowCount(1);
  pGrid->SetColCount(1);
  ImageBook->SetActivePage(LayoutPage);
  SetCaption("Record Print");
  PreviewBtnClick();
  UpdateItemHeight();
}

void TImageReportForm::UpdateItemHeight() {
  const double Spacing = Inches(CellSpacing, 0, 1, 0);
  const double W = PrintPreview->AvailablePageWidth(gmInches) - Spacing;
  ItemHeight->SetText(FormatFloat("0.0", std::round(W * 10) / 10));
}

void TImageReportForm::FormDeactivate() {
  if (auto Key = OpenSettingsKey()) WriteFormSize(*Key, "ImageReport", Width(), Height());
}

void TImageReportForm::FormClose() {
  if (ProgramFolder.empty()) return;
  std::error_code E;
  std::filesystem::create_directories(ProgramFolder, E);
  SaveImageReport(1, CurrentFormat(), ProgramFolder);
}

void TImageReportForm::ShowItems() {
  ritems->Items()->Clear();
  for (const TFieldMenuItem& E : FItems.Menu) {
    TMenuItem* Item = AddItem(this, ritems->Items(), "", E.Caption, E.Code);
    Item->SetEnabled(E.Enabled);
    const int Code = E.Code;
    Item->OnClick = [this, Code](TObject*) { AddReportItemClick(Code); };
  }
  const int Selected = Fields->ItemIndex();
  Fields->Items().Clear();
  for (const TReportItem& F : FItems.Fields) Fields->Items().Add(F.Caption);
  if (Selected >= 0 && Selected < Fields->Items().Count()) Fields->SetItemIndex(Selected);
  RemoveBtn->SetEnabled(FItems.RemoveEnabled && !FItems.Fields.empty());
}

void TImageReportForm::AddReportItemClick(int Code) {
  if (FItems.Add(Code)) ShowItems();
}

void TImageReportForm::RemoveBtnClick() {
  const int I = Fields->ItemIndex();
  if (I < 0) return;
  FItems.Remove(I);
  Fields->SetItemIndex(std::min(I, static_cast<int>(FItems.Fields.size()) - 1));
  ShowItems();
}

void TImageReportForm::MoveUpBtnClick() {
  const int I = Fields->ItemIndex();
  if (I <= 0) return;
  FItems.MoveUp(I);
  Fields->SetItemIndex(I - 1);
  ShowItems();
}

void TImageReportForm::MoveDownBtnClick() {
  const int I = Fields->ItemIndex();
  if (I < 0 || I + 1 >= static_cast<int>(FItems.Fields.size())) return;
  FItems.MoveDown(I);
  Fields->SetItemIndex(I + 1);
  ShowItems();
}

void TImageReportForm::ChooseFont(int Index) {
  TFont& F = FFonts.Fonts[static_cast<std::size_t>(std::clamp(Index, 1, kReportFonts) - 1)];
  TFontDialog Dialog(this);
  Dialog.Font().Assign(F);
  if (Dialog.Execute()) F.Assign(Dialog.Font());
}

void TImageReportForm::PopupFonts(TPopupMenu* Menu) {
  const TPoint P = CursorPosition();
  Menu->Popup(P.X, P.Y);
}

TImageReportFormat TImageReportForm::CurrentFormat() const {
  TImageReportFormat F = FFonts;
  F.Fields = FItems.Fields;
  F.IncludeRecordName = IncludeRecordNameBtn->Checked();
  F.IncludeFieldNames = IncludeFieldNamesBtn->Checked();
  F.Layout = Index(Layout);
  F.ItemHeight = Inches(ItemHeight, 0, 11, 1);
  F.CellSpacing = Inches(CellSpacing, 0, 1, 0);
  F.PageFrame = Index(PageFrame);
  F.CellBorder = Index(CellBorder);
  F.LeftMargin = Inches(LeftMargin, 0, 4, 0.5);
  F.RightMargin = Inches(RightMargin, 0, 4, 0.5);
  F.TopMargin = Inches(TopMargin, 0, 4, 0.5);
  F.BottomMargin = Inches(BottomMargin, 0, 4, 0.5);
  for (int b = 0; b < 2; ++b) {
    TBandSettings& S = b == 0 ? F.Header : F.Footer;
    S.Visible = Index(BandVisible[b]);
    S.Left = BandText[b][0]->Text();
    S.Center = BandText[b][1]->Text();
    S.Right = BandText[b][2]->Text();
    S.ShowLine = BandLine[b]->Checked();
    S.Height = Inches(BandHeight[b], 0, 4, 0.5);
    S.PageNumber = Index(BandPageNumber[b]);
    S.Date = Index(BandDate[b]);
  }
  for (std::size_t i = 0; i < 6; ++i) F.Images[i] = Index(Image[i]);
  F.IncludeImageTitle = IncludeImageTitle->Checked();
  F.ImageOrientation = Index(ImageOrientation);
  F.ImageSpace = std::clamp(ImageSpace->Value(), 0, 100);
  return F;
}

void TImageReportForm::ShowFormat(const TImageReportFormat& F) {
  FFonts = F;
  FItems.Assign(F.Fields);
  FItems.RemoveEnabled = !F.Fields.empty();
  Fields->SetItemIndex(-1);
  ShowItems();
  IncludeRecordNameBtn->SetChecked(F.IncludeRecordName);
  IncludeFieldNamesBtn->SetChecked(F.IncludeFieldNames);
  Layout->SetItemIndex(F.Layout);
  ItemHeight->SetText(InchText(F.ItemHeight));
  CellSpacing->SetText(InchText(F.CellSpacing));
  PageFrame->SetItemIndex(F.PageFrame);
  CellBorder->SetItemIndex(F.CellBorder);
  LeftMargin->SetText(InchText(F.LeftMargin));
  RightMargin->SetText(InchText(F.RightMargin));
  TopMargin->SetText(InchText(F.TopMargin));
  BottomMargin->SetText(InchText(F.BottomMargin));
  for (int b = 0; b < 2; ++b) {
    const TBandSettings& S = b == 0 ? F.Header : F.Footer;
    BandVisible[b]->SetItemIndex(S.Visible);
    BandText[b][0]->SetText(S.Left);
    BandText[b][1]->SetText(S.Center);
    BandText[b][2]->SetText(S.Right);
    BandLine[b]->SetChecked(S.ShowLine);
    BandHeight[b]->SetText(InchText(S.Height));
    BandPageNumber[b]->SetItemIndex(S.PageNumber);
    BandDate[b]->SetItemIndex(S.Date);
  }
  for (std::size_t i = 0; i < 6; ++i) Image[i]->SetItemIndex(F.Images[i]);
  IncludeImageTitle->SetChecked(F.IncludeImageTitle);
  ImageOrientation->SetItemIndex(F.ImageOrientation);
  ImageSpace->SetValue(F.ImageSpace);
}

void TImageReportForm::SaveFormatBtnClick() { SaveImageReport(2, CurrentFormat(), ProgramFolder); }

void TImageReportForm::LoadFormatBtnClick() {
  // Loading starts from an empty item list; a refused file leaves everything as it was.
  TImageReportFormat F = CurrentFormat();
  F.Fields.clear();
  if (LoadReportFormat(2, F)) ShowFormat(F);
}

std::vector<int> TImageReportForm::ReturnImageRects() const {
  std::vector<int> Chosen;
  for (const TComboBox* B : Image)
    if (B->ItemIndex() >= 1 && B->ItemIndex() <= 6) Chosen.push_back(B->ItemIndex() - 1);
  return Chosen;
}

void TImageReportForm::SetHeaderText() { SetBandText(0); }
void TImageReportForm::SetFooterTExt() { SetBandText(1); }

void TImageReportForm::SetBandText(int B) {
  const auto C = HeaderCaptions({BandText[B][0]->Text(), BandText[B][1]->Text(), BandText[B][2]->Text()},
                                kPositions[Index(BandPageNumber[B]) % 4], kPositions[Index(BandDate[B]) % 4],
                                DateToStr(::Date()));
  TPgHeaderFooter& Part = B == 0 ? static_cast<TPgHeaderFooter&>(PrintPreview->Header()) : PrintPreview->Footer();
  Part.CaptionLeft.SetCaption(C[0]);
  Part.CaptionCenter.SetCaption(C[1]);
  Part.CaptionRight.SetCaption(C[2]);
}

void TImageReportForm::PreviewBtnClick() {
  const TImageReportFormat F = CurrentFormat();
  PrintPreview->Clear();
  TPgMargins& M = PrintPreview->Margins();
  M.Left().SetAsUnit(gmInches, F.LeftMargin);
  M.Right().SetAsUnit(gmInches, F.RightMargin);
  M.Top().SetAsUnit(gmInches, F.TopMargin);
  M.Bottom().SetAsUnit(gmInches, F.BottomMargin);
  TPgGridOptions Options;
  if (F.PageFrame == 1) Options.Include(gmGridBorder);
  if (F.CellBorder == 1 || F.CellBorder == 3) Options.Include(gmHorzLine);
  if (F.CellBorder == 2 || F.CellBorder == 3) Options.Include(gmVertLine);
  GridPrint->GridOptions = Options;
  GridPrint->CellPenColor = F.BorderColor;
  pGrid->SetRowCount(1);
  pGrid->SetColCount(1);
  auto Band = [&](TPgHeaderFooter& Part, const TBandSettings& S, int Left, int Center, int Right) {
    Part.SetVisible(S.Visible == 1);
    if (S.Visible != 1) return false;
    Part.SetShowLine(S.ShowLine);
    Part.SetHeight(S.Height, gmInches);
    Part.CaptionLeft.Font().Assign(F.Fonts[static_cast<std::size_t>(Left - 1)]);
    Part.CaptionCenter.Font().Assign(F.Fonts[static_cast<std::size_t>(Center - 1)]);
    Part.CaptionRight.Font().Assign(F.Fonts[static_cast<std::size_t>(Right - 1)]);
    return true;
  };
  if (Band(PrintPreview->Header(), F.Header, 6, 5, 7)) SetHeaderText();
  if (Band(PrintPreview->Footer(), F.Footer, 9, 8, 10)) SetFooterTExt();
  // The one cell fills the usable page less the spacing.
  const int PPI = Screen().PixelsPerInch();
  const double UsableW = PrintPreview->AvailablePageWidth(gmInches), UsableH = PrintPreview->AvailablePageHeight(gmInches);
  pGrid->SetDefaultColWidth(std::max(1, static_cast<int>(std::lround((UsableW - F.CellSpacing) * PPI))));
  pGrid->SetDefaultRowHeight(std::max(1, static_cast<int>(std::lround((UsableH - F.CellSpacing) * PPI))));
  double Top = F.TopMargin;
  if (F.Header.Visible == 1) Top += F.Header.Height;
  FLastRowDone = false;
  FImagesDrawn = 0;
  FCellsDrawn = 0;
  // The grid printer re-reads the preview's bottom margin when it is attached.
  GridPrint->SetPreview(nullptr);
  GridPrint->SetPreview(PrintPreview);
  GridPrint->Print(gmInches, F.LeftMargin, Top, 0);
  PrintPreview->SetCurrentPage(1);
  UpdatePageLabel();
}

void TImageReportForm::GridPrintDrawCell(TPgValueRect& Rect, TPgCanvas& Canvas) {
  if (FLastRowDone) return;
  const TImageReportFormat F = CurrentFormat();
  const TRect Cell{static_cast<int>(std::lround(Rect.Left().AsInches() * 1000)),
                   static_cast<int>(std::lround(Rect.Top().AsInches() * 1000)),
                   static_cast<int>(std::lround(Rect.Right().AsInches() * 1000)),
                   static_cast<int>(std::lround(Rect.Bottom().AsInches() * 1000))};
  const TAreas Areas = SplitCell(static_cast<TLayout>(std::clamp(F.Layout, 0, 3)), Cell, ImageShare(F.ImageSpace));
  TTextOptions Options;
  Options.RecordName = F.IncludeRecordName;
  Options.FieldNames = F.IncludeFieldNames;
  Options.Columns = TextColumns->Value();
  const int Line = LineHeight(F.Fonts[0], F.Fonts[2]);
  RenderText(Canvas, LayoutText(Areas.Text, Options, Record, F.Fields, Line), F.Fonts.data());
  FImagesDrawn += DrawImages(Canvas, Areas.Image, ReturnImageRects(), ImageSlots, ProgramFolder, F.ImageOrientation == 0,
                             F.IncludeImageTitle, &F.Fonts[3]);
  ++FCellsDrawn;
}

void TImageReportForm::UpdatePageLabel() {
  PageLabel->SetCaption(std::to_string(PrintPreview->CurrentPage()) + " of " + std::to_string(PrintPreview->NumPages()));
}

void TImageReportForm::PrintBtnClick() {
  TPrintDialog Dialog(nullptr);
  Dialog.SetOptions(TPrintDialogOptions{poPageNums, poSelection});
  Dialog.SetMinPage(1);
  Dialog.SetMaxPage(std::max(1, PrintPreview->NumPages()));
  Dialog.SetFromPage(1);
  Dialog.SetToPage(std::max(1, PrintPreview->NumPages()));
  if (Dialog.Execute()) PrintPreview->Print();
}

// ---- The main window's quick print ----------------------------------------------------------

void QuickPrintClick(TReportWindows& Windows, const ItemRecord& Shown, const TReportRecord& Text,
                     const std::function<void(TImageReportForm&)>& Show) {
  TServerSession* Session = Windows.Host.Session;
  // A click that arrives while a request waits for its reply starts nothing: the pictures could
  // not be fetched and the window would open without them.
  if (Session && Session->Busy()) return;
  std::vector<std::string> Fetched;
  // The downloads go on every path, also when the window or a transfer raises.
  struct TCleanup {
    TServerSession* Session;
    std::vector<std::string>& Names;
    ~TCleanup() {
      for (const std::string& N : Names)
        if (Session) Session->DeleteDownload(N);
    }
  } Cleanup{Session, Fetched};
  auto Form = std::make_unique<TImageReportForm>(Windows);
  Form->Record = Text;
  for (std::size_t s = 0; s < 6; ++s) {
    const ImageRecord& Slot = Shown.Images[s];
    Form->ImageSlots[s] = {};
    if (Slot.FileName.empty() || !IsPlainFileName(Slot.FileName) || !Session) continue;
    // The window keeps copies of its own while it is open, one per slot: the main window fetches
    // and deletes its pictures under their plain names at every refresh.
    const std::string Local = PrintCopyName(static_cast<int>(s) + 1, Slot.FileName);
    const std::string Path = Session->RetreiveFile(Local, "IR" + std::to_string(s + 1), Shown.Code);
    if (Path.empty()) continue;
    Fetched.push_back(Local);
    Form->ImageSlots[s] = {std::filesystem::path(Path).filename().string(), Slot.Title};
    if (Form->ProgramFolder.empty()) Form->ProgramFolder = std::filesystem::path(Path).parent_path().string() + "/";
  }
  if (Show) Show(*Form);
  else Form->ShowModal();
}
