#include "client/reports/record_print_form.h"

#include <algorithm>

#include "client/core/record_window.h"
#include "client/reports/form_parts.h"
#include "client/reports/record_print.h"
#include "client/reports/report_windows.h"
#include "controls/font_combos.h"
#include "controls/html_convert.h"
#include "controls/rich_format_buttons.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/sysutils.h"
#include "platform/ui/containers.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/edits.h"
#include "platform/ui/image.h"
#include "platform/ui/list_controls.h"
#include "platform/ui/menus.h"
#include "platform/ui/modal_service.h"
#include "platform/ui/page_control.h"
#include "platform/ui/rich_edit.h"
#include "platform/ui/spin_edit.h"
#include "platform/ui/std_buttons.h"
#include "platform/ui/std_painted.h"
#include "print/label_printer.h"
#include "print/page_canvas.h"
#include "print/preview.h"
#include "print/preview_companions.h"
#include "print/rtf_preview.h"

bool PrintsNoAddress(const PrintRecord& Entry) {
  return std::all_of(Entry.Fields.begin(), Entry.Fields.end(), [](const std::string& F) { return Trim(F).empty(); }) &&
         Trim(Entry.Data).empty();
}

using namespace form_parts;
using namespace record_print;

TRTFForm::TRTFForm(TReportWindows& Windows) : TForm(nullptr), FWindows(Windows) {
  SetName("RTFForm");
  SetPosition(poScreenCenter);
  SetBounds(0, 0, 760, 560);
  ImageBook = Make<TPageControl>(this, this, "ImageBook", 0, 0, 760, 470);
  auto Sheet = [this](const std::string& Name, const std::string& Caption) {
    auto* S = new TTabSheet(this);
    S->SetName(Name);
    S->SetCaption(Caption);
    S->SetPageControl(ImageBook);
    return S;
  };
  TTabSheet* EditPage = Sheet("EditPage", "Edit");
  TTabSheet* PreviewPage = Sheet("PreviewPage", "Preview");

  RTFPanel = Make<TPanel>(this, EditPage, "RTFPanel", 0, 0, 750, 440);
  RTFPanel->SetCaption("");
  const char* MarginNames[] = {"LeftMargin", "RightMargin", "TopMargin", "BottomMargin"};
  const char* MarginCaptions[] = {"Left", "Right", "Top", "Bottom"};
  TEdit** Margins[] = {&LeftMargin, &RightMargin, &TopMargin, &BottomMargin};
  for (int i = 0; i < 4; ++i) {
    MakeCaptioned<TLabel>(this, RTFPanel, std::string(MarginNames[i]) + "Label", MarginCaptions[i], 8 + i * 110, 8, 44, 17);
    *Margins[i] = Make<TEdit>(this, RTFPanel, MarginNames[i], 52 + i * 110, 6, 50, 21);
    (*Margins[i])->SetText("1");
  }
  int X = 8;
  std::vector<TCustomRichButton*> FormatButtons;
  // The buttons draw their own glyphs.
  auto Fmt = [&](TCustomRichButton* B) {
    FormatButtons.push_back(B);
    B->SetParent(RTFPanel);
    B->SetBounds(X, 34, 26, 24);
    X += 28;
  };
  Fmt(new TBoldButton(this));
  Fmt(new TItalicButton(this));
  Fmt(new TUnderlineButton(this));
  Fmt(new TStrikeoutButton(this));
  Fmt(new TAlignLeftButton(this));
  Fmt(new TAlignCenterButton(this));
  Fmt(new TAlignRightButton(this));
  Fmt(new TBulletButton(this));
  FontBox = Make<TVcFontComboBox>(this, RTFPanel, "FontBox", X + 8, 34, 150, 21);
  FontSize = Make<TFontSizeComboBox>(this, RTFPanel, "FontSize", X + 164, 34, 50, 21);
  FontColor = Make<TVcColorComboBox>(this, RTFPanel, "FontColor", X + 220, 34, 100, 21);
  FillFontCombos(*FontBox, *FontSize, *FontColor);
  CopyBtn = MakeCaptioned<TButton>(this, RTFPanel, "CopyBtn", "Copy to Clipboard", 560, 4, 130, 25);
  ExportBtn = MakeCaptioned<TButton>(this, RTFPanel, "ExportBtn", "Export", 696, 4, 50, 25);
  RTFEdit = Make<TRichEdit>(this, RTFPanel, "RTFEdit", 8, 64, 734, 370);
  for (TCustomRichButton* B : FormatButtons) B->SetRichEdit(RTFEdit);
  FFormatButtons = FormatButtons;
  RTFEdit->OnSelectionChange = [this](TObject*) { RTFEditSelectionChange(); };
  RTFBuffer = Make<TRichEdit>(this, this, "RTFBuffer", 0, 0, 10, 10);
  RTFBuffer->SetVisible(false);
  ExportMenu = new TPopupMenu(this);
  TMenuItem* ToRtf = AddItem(this, ExportMenu->Items(), "ExporttoRTF1", "Export to RTF");
  TMenuItem* ToHtml = AddItem(this, ExportMenu->Items(), "ExportToHTML1", "Export To HTML");
  auto Export = [this](const std::string& Ext) {
    TSaveDialog Dialog(this);
    Dialog.SetDefaultExt(Ext);
    Dialog.SetFileName("");
    if (Dialog.Execute()) ExportRTF(Dialog.FileName());
  };
  ToRtf->OnClick = [Export](TObject*) { Export("RTF"); };
  ToHtml->OnClick = [Export](TObject*) { Export("HTM"); };
  ExportBtn->OnClick = [this](TObject*) {
    const TPoint P = CursorPosition();
    ExportMenu->Popup(P.X, P.Y);
  };
  CopyBtn->OnClick = [this](TObject*) {
    RTFEdit->SelectAll();
    RTFEdit->CopyToClipboard();
  };
  FontBox->OnChange = [this](TObject*) {
    if (FShowingSelection) return;
    RTFEdit->SelAttributes().SetName(FontBox->FontName());
    FontSize->SetFontName(FontBox->FontName());
  };
  FontSize->OnChange = [this](TObject*) {
    if (!FShowingSelection) RTFEdit->SelAttributes().SetSize(StrToIntDef(FontSizeText(FontSize->Text()), 10));
  };
  FontColor->OnChange = [this](TObject*) {
    if (!FShowingSelection) RTFEdit->SelAttributes().SetColor(FontColor->ColorValue());
  };

  BarcodePanel = Make<TPanel>(this, EditPage, "BarcodePanel", 0, 0, 750, 440);
  BarcodePanel->SetCaption("");
  BarcodePanel->SetVisible(false);
  MakeCaptioned<TLabel>(this, BarcodePanel, "TextFontLabel", "Text Font", 8, 8, 100, 17);
  BFontBox = Make<TVcFontComboBox>(this, BarcodePanel, "BFontBox", 8, 28, 150, 21);
  BFontColor = Make<TVcColorComboBox>(this, BarcodePanel, "BFontColor", 164, 28, 100, 21);
  BFontSize = Make<TFontSizeComboBox>(this, BarcodePanel, "BFontSize", 270, 28, 50, 21);
  FillFontCombos(*BFontBox, *BFontSize, *BFontColor);
  BFontBox->OnChange = [this](TObject*) { BFontSize->SetFontName(BFontBox->FontName()); };
  MakeCaptioned<TLabel>(this, BarcodePanel, "TextLineLabel", "Text Line", 8, 60, 100, 17);
  Fields = Make<TListBox>(this, BarcodePanel, "Fields", 8, 80, 300, 300);
  AddBtn = MakeCaptioned<TButton>(this, BarcodePanel, "AddBtn", "Add", 320, 80, 90, 25);
  RemoveBtn = MakeCaptioned<TButton>(this, BarcodePanel, "RemoveBtn", "Remove", 320, 110, 90, 25);
  RemoveBtn->SetEnabled(false);
  MoveUpBtn = MakeCaptioned<TButton>(this, BarcodePanel, "MoveUpBtn", "Move Up", 320, 140, 90, 25);
  MoveDownBtn = MakeCaptioned<TButton>(this, BarcodePanel, "MoveDownBtn", "Move Down", 320, 170, 90, 25);

  ritems = new TPopupMenu(this);
  ritems->SetName("ritems");
  const TFieldCaptions& C = Windows.Host.Captions;
  std::vector<std::pair<std::string, int>> Entries = {{C.RecordTitle, RecordNameItem}};
  for (int i = 0; i < 10; ++i) Entries.emplace_back(C.DescriptionNames[static_cast<std::size_t>(i)], 100 + 10 * i);
  for (int i = 0; i < 10; ++i) Entries.emplace_back(C.DetailNames[static_cast<std::size_t>(i)], 300 + 10 * i);
  for (int i = 0; i < 6; ++i) Entries.emplace_back(C.OtherNames[static_cast<std::size_t>(i)], 500 + 10 * i);
  Entries.emplace_back("Space", SpaceItem);
  Entries.emplace_back("Comma", CommaItem);
  Entries.emplace_back("New Line", NewLineItem);
  for (const auto& [Caption, Code] : Entries) {
    TMenuItem* Item = AddItem(this, ritems->Items(), "", Caption, Code);
    const std::string Cap = Caption;
    const int Cd = Code;
    Item->OnClick = [this, Cap, Cd](TObject*) {
      Fields->Items().Add(Cap);
      FieldCodes.push_back(Cd);
      RemoveBtn->SetEnabled(true);
      Rebuild();
    };
  }
  AddBtn->OnClick = [this](TObject*) {
    const TPoint P = CursorPosition();
    ritems->Popup(P.X, P.Y);
  };
  RemoveBtn->OnClick = [this](TObject*) {
    const int I = Fields->ItemIndex();
    if (I < 0 || I >= static_cast<int>(FieldCodes.size())) return;
    Fields->Items().Delete(I);
    FieldCodes.erase(FieldCodes.begin() + I);
    RemoveBtn->SetEnabled(!FieldCodes.empty());
    Rebuild();
  };
  auto Move = [this](int Step) {
    const int I = Fields->ItemIndex(), J = I + Step;
    if (I < 0 || J < 0 || J >= static_cast<int>(FieldCodes.size())) return;
    Fields->Items().Exchange(I, J);
    std::swap(FieldCodes[static_cast<std::size_t>(I)], FieldCodes[static_cast<std::size_t>(J)]);
    Fields->SetItemIndex(J);
    Rebuild();
  };
  MoveUpBtn->OnClick = [Move](TObject*) { Move(-1); };
  MoveDownBtn->OnClick = [Move](TObject*) { Move(1); };

  PrintPreview = Make<TPgPreview>(this, PreviewPage, "PrintPreview", 0, 34, 750, 400);
  Navigator = MakePageNavigator(this, PreviewPage, 4, 3, PrintPreview);
  PageNumber = MakeCaptioned<TLabel>(this, PreviewPage, "PageNumber", "", Navigator->Left() + Navigator->Width() + 6, 8,
                                     316 - (Navigator->Left() + Navigator->Width() + 6), 17);
  PrinterCombo = Make<TPgPropertyComboBox>(this, PreviewPage, "PgPropertyComboBox3", 320, 4, 150, 21);
  PrinterCombo->SetPreviewProperty(gmPrinterList);
  PrinterCombo->SetPreview(PrintPreview);
  PaperCombo = Make<TPgPropertyComboBox>(this, PreviewPage, "PgPropertyComboBox4", 476, 4, 120, 21);
  PaperCombo->SetPreviewProperty(gmPaperList);
  PaperCombo->SetPreview(PrintPreview);
  PrintBtn = MakeCaptioned<TButton>(this, PreviewPage, "BitBtn1", "Print", 602, 2, 60, 25);
  SetupBtn = MakeCaptioned<TButton>(this, PreviewPage, "BitBtn2", "Printer Setup", 666, 2, 84, 25);
  PrintBtn->OnClick = [this](TObject*) {
    TPrintDialog Dialog(this);
    if (Dialog.Execute()) PrintPreview->Print();
  };
  SetupBtn->OnClick = [this](TObject*) {
    TPrinterSetupDialog Dialog(this);
    Dialog.Execute();
  };
  PrintPreview->OnPageChanged = [this](TObject*) { UpdatePageNumber(); };
  RtfPreview = new TPgRtfPreview(this);
  RtfPreview->SetPreview(PrintPreview);
  LabelPrint = new TPgLabelPrinter(this);
  LabelPrint->SetPreview(PrintPreview);
  LabelPrint->OnDrawLabel = [this](TObject*, int N, TPgValueRect& R, TPgCanvas&) {
    DrawLabel(N, R.Left().AsInches(), R.Top().AsInches(), R.Right().AsInches(), R.Bottom().AsInches());
  };
  ConvertRTF = new TVcRichEditToHtml(this);

  OKPanel = Make<TPanel>(this, this, "OKPanel", 0, 474, 760, 80);
  OKPanel->SetCaption("");
  PlainPaperBtn = MakeCaptioned<TRadioButton>(this, OKPanel, "PlainPaperBtn", "Plain Paper", 8, 8, 100, 20);
  LabelBtn = MakeCaptioned<TRadioButton>(this, OKPanel, "LabelBtn", "Labels", 8, 32, 100, 20);
  PlainPaperBtn->SetChecked(true);
  SelectTemplateList = Make<TComboBox>(this, OKPanel, "SelectTemplateList", 120, 8, 220, 21);
  MakeCaptioned<TLabel>(this, OKPanel, "ColumnLabel", "Column", 350, 10, 50, 17);
  PrintColumn = Make<TSpinEdit>(this, OKPanel, "PrintColumn", 404, 6, 50, 21);
  MakeCaptioned<TLabel>(this, OKPanel, "RowLabel", "Row", 464, 10, 40, 17);
  PrintRow = Make<TSpinEdit>(this, OKPanel, "PrintRow", 504, 6, 50, 21);
  record_print::ResetLabelStart(*PrintColumn, *PrintRow);
  AllPageBtn = MakeCaptioned<TCheckBox>(this, OKPanel, "AllPageBtn", "Page", 570, 8, 60, 20);
  OKButton = MakeCaptioned<TButton>(this, OKPanel, "OKButton", "OK", 670, 40, 80, 27);
  OKButton->OnClick = [this](TObject*) { Close(); };
  auto Changed = [this](TObject*) { Rebuild(); };
  PlainPaperBtn->OnClick = Changed;
  LabelBtn->OnClick = Changed;
  PrintColumn->OnChange = Changed;
  PrintRow->OnChange = Changed;
  AllPageBtn->OnClick = [this](TObject*) {
    PrintColumn->SetEnabled(!AllPageBtn->Checked());
    PrintRow->SetEnabled(!AllPageBtn->Checked());
    Rebuild();
  };
  SelectTemplateList->OnChange = [this](TObject*) {
    LoadLabelInfo();
    Rebuild();
  };
  ImageBook->OnChange = [this](TObject*) { Rebuild(); };
  OnActivate = [this](TObject*) { FormActivate(); };
}

TRTFForm::~TRTFForm() = default;

void TRTFForm::FormActivate() {
  SelectTemplateList->Items().Clear();
  LabelPrint->Templates().GetTemplateNames(SelectTemplateList->Items());
  if (!TemplateName.empty() && LabelPrint->Templates().FindByName(TemplateName)) {
    SelectTemplateList->SetText(TemplateName);
    LabelPrint->SetTemplate(LabelPrint->Templates().FindByName(TemplateName)->Id);
    PrintColumn->SetMaxValue(HandedColumns);
    PrintRow->SetMaxValue(HandedRows);
    PrintColumn->SetValue(HandedColumn);
    PrintRow->SetValue(HandedRow);
  } else {
    if (SelectTemplateList->Items().Count() > 0) SelectTemplateList->SetItemIndex(0);
    LoadLabelInfo();
  }
  if (PrintMode == 3) {
    BarcodePanel->SetVisible(true);
    RTFPanel->SetVisible(false);
    ImageBook->SetActivePageIndex(0);
    PlainPaperBtn->SetEnabled(false);
    LabelBtn->SetChecked(true);
    LabelSetup();
  } else if (PrintMode == 4) {
    RTFPanel->SetVisible(true);
    ImageBook->SetActivePageIndex(1);
    PlainPaperBtn->SetEnabled(false);
    LabelBtn->SetChecked(true);
    AllPageBtn->SetEnabled(false);
    PrintColumn->SetEnabled(false);
    PrintRow->SetEnabled(false);
    LabelSetup();
  } else {
    RTFPanel->SetVisible(true);
    if (PrintMode == 1 && !RichText.empty()) {
      TStringStream S(RichText);
      RTFEdit->Lines().LoadFromStream(S);
    } else {
      RTFEdit->Lines().Clear();
      for (const auto& L : PlainLines) RTFEdit->Lines().Add(L);
    }
    RTFEditSelectionChange();
    SetPageSetup();
  }
}

void TRTFForm::SetPageSetup() {
  TPgMargins& M = PrintPreview->Margins();
  auto Inches = [](TEdit* E) { return std::clamp(StrToFloatDef(E->Text(), 1.0), 0.0, 4.0); };
  M.Left().SetAsUnit(gmInches, Inches(LeftMargin));
  M.Right().SetAsUnit(gmInches, Inches(RightMargin));
  M.Top().SetAsUnit(gmInches, Inches(TopMargin));
  M.Bottom().SetAsUnit(gmInches, Inches(BottomMargin));
  // The text's own room above and below follows the margins as they are now.
  RtfPreview->TopSpace().SetAsInches(M.Top().AsInches() + PrintPreview->Header().GetHeight(gmInches));
  RtfPreview->BottomSpace().SetAsInches(M.Bottom().AsInches() + PrintPreview->Footer().GetHeight(gmInches));
  PrintPreview->Clear();
  RtfPreview->RichEditToPreview(*RTFEdit);
  PrintPreview->SetCurrentPage(1);
  PageNumber->SetVisible(true);
  UpdatePageNumber();
}

void TRTFForm::UpdatePageNumber() {
  PageNumber->SetCaption(std::to_string(PrintPreview->CurrentPage()) + " of " + std::to_string(PrintPreview->NumPages()));
}

void TRTFForm::LoadLabelInfo() {
  record_print::LoadLabelInfo(*LabelPrint, SelectTemplateList->Text(), *PrintColumn, *PrintRow);
}

void TRTFForm::LabelSetup() {
  TPgLabelTemplateInfo* T = LabelPrint->CurrentTemplate();
  TargetLabel = record_print::TargetLabel(PrintRow->Value(), PrintColumn->Value(), T ? T->Columns : 1);
  SetLabelSetup();
  PageNumber->SetVisible(false);
}

void TRTFForm::SetLabelSetup() {
  TPgLabelTemplateInfo* T = LabelPrint->Templates().FindByName(SelectTemplateList->Text());
  if (!T) T = LabelPrint->Templates().GetTemplate(0);
  if (T) LabelPrint->SetTemplate(T->Id);
  TStringStream S;
  RTFEdit->Lines().SaveToStream(S);
  S.SetPosition(0);
  RTFBuffer->Lines().LoadFromStream(S);
  FLabelsDrawn = 0;
  PrintPreview->Clear();
  T = LabelPrint->CurrentTemplate();
  const int Count = PrintMode == 4 ? static_cast<int>(OrderList.size()) : (T ? T->Columns * T->Rows : 1);
  if (Count > 0) LabelPrint->DrawLabels(Count);
  PrintPreview->SetCurrentPage(1);
}

void TRTFForm::DrawLabel(int LabelNum, double Left, double Top, double Right, double Bottom) {
  TPgCanvas& Canvas = PrintPreview->Canvas();
  // The label clips what is drawn to its shape: text keeps clear of rounded corners.
  const TPgLabelTemplateInfo* T = LabelPrint->CurrentTemplate();
  const double Inset = LabelTextInset(T ? T->CornerRadius : 0);
  Left += Inset;
  Top += Inset;
  Right -= Inset;
  Bottom -= Inset;
  if (PrintMode == 4) {
    const int E = EntryOfLabel(OrderList, LabelNum, static_cast<int>(AddressList.size()));
    if (E < 0) return;
    TRichContent Content;
    Content.Paragraphs.clear();
    const PrintRecord& Entry = *AddressList[static_cast<std::size_t>(E)];
    // The entry's lines: its title, then its address lines.
    const std::vector<std::string> Lines = Entry.Fields.empty() ? SplitFields(Entry.Data) : Entry.Fields;
    for (const auto& Line : Lines) {
      TRichParagraph P;
      P.Runs.push_back(TRichRun{Line, TRichCharFormat{}});
      Content.Paragraphs.push_back(P);
    }
    if (Content.Paragraphs.empty()) return;
    DrawRichText(Canvas, Content, Left, Top, Right, Bottom);
    ++FLabelsDrawn;
    return;
  }
  if (!DrawsOnLabel(LabelNum, TargetLabel, AllPageBtn->Checked())) return;
  ++FLabelsDrawn;
  if (PrintMode != 3) {
    DrawRichText(Canvas, RTFBuffer->Document().Content(), Left, Top, Right, Bottom);
    return;
  }
  auto Value = ItemValue ? ItemValue : [this](int Code) -> std::string {
    if (!FWindows.Host.Record) return "";
    const ItemRecord& R = FWindows.Host.Record->Buffers.Current;
    if (Code == RecordNameItem) return R.Name;
    if (Code >= 100 && Code <= 190) return R.Descriptions[static_cast<std::size_t>((Code - 100) / 10)];
    if (Code >= 300 && Code <= 390) return R.Details[static_cast<std::size_t>((Code - 300) / 10)];
    if (Code >= 500 && Code <= 550) return R.Others[static_cast<std::size_t>((Code - 500) / 10)];
    return "";
  };
  const std::vector<std::string> Lines = GenerateLabelText(FieldCodes, Value);
  Canvas.Font().SetName(BFontBox->FontName().empty() ? "Arial" : BFontBox->FontName());
  Canvas.Font().SetColor(BFontColor->ColorValue());
  Canvas.Font().SetSize(StrToIntDef(FontSizeText(BFontSize->Text()), 10));
  double Y = Top;
  for (const auto& L : Lines) {
    if (!L.empty()) Canvas.TextOut(Left, Y, L, gmInches);
    Y += Canvas.TextHeight("Xg");
  }
  if (!BarcodeImage || !BarcodeImage->Picture().Graphic()) return;
  const TGraphic& G = *BarcodeImage->Picture().Graphic();
  // The space below the text (the label already inset), in thousandths of an inch.
  const double Gap = 0.05;
  const TRect Space{static_cast<int>(Left * 1000), static_cast<int>((Y + Gap) * 1000), static_cast<int>(Right * 1000),
                    static_cast<int>(Bottom * 1000)};
  const TRect Fit = FitPicture(G.Width(), G.Height(), Space);
  if (Fit.Right > Fit.Left && Fit.Bottom > Fit.Top)
    Canvas.Draw(Fit.Left / 1000.0, Fit.Top / 1000.0, Fit.Right / 1000.0, Fit.Bottom / 1000.0, G, gmInches);
}

bool TRTFForm::ExportRTF(const std::string& FileName) {
  const std::string Kind = ExportKind(FileName);
  if (Kind.empty()) {
    MessageDlg(NotExportedText(FileName), mtWarning, TMsgDlgButtons{mbOK});
    return false;
  }
  try {
    if (Kind == "rtf") RTFEdit->Lines().SaveToFile(FileName);
    else ConvertRTF->ConvertToHtml(*RTFEdit, FileName);
  } catch (const std::exception& E) {
    MessageDlg(E.what(), mtError, TMsgDlgButtons{mbOK});
    return false;
  }
  MessageDlg(ExportedText(FileName), mtInformation, TMsgDlgButtons{mbOK});
  return true;
}

void TRTFForm::FillFontCombos(TVcFontComboBox& Font, TFontSizeComboBox& Size, TVcColorComboBox& Colour) {
  // "Arial" is the rich text's own font (the desktop stands a like face in for it).
  Font.SetOptions(TFontComboOptions{foDisableVerify});
  Font.Loaded();
  Font.SetFontName("Arial");
  Size.SetFontName("Arial");
  Size.SetText("10");
  LoadFormColorBox(Colour, clBlack);
}

void TRTFForm::RTFEditSelectionChange() {
  FShowingSelection = true;
  TTextAttributes& A = RTFEdit->SelAttributes();
  if (!A.Name().empty()) {
    FontBox->SetFontName(A.Name());
    FontSize->SetFontName(A.Name());
  }
  FontSize->SetText(std::to_string(A.Size()));
  FontColor->SetColorValue(A.Color() == clWindowText ? clBlack : A.Color());
  FShowingSelection = false;
  for (TCustomRichButton* B : FFormatButtons) B->UpdateState();
}

void TRTFForm::Rebuild() {
  if (ImageBook->ActivePageIndex() != 1 && PrintMode != 3) return;
  // Column and row keep what the user chose: only a new template starts them at 1.
  if (LabelBtn->Checked()) LabelSetup();
  else SetPageSetup();
}
