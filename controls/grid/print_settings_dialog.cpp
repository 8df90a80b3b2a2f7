// The grid's print settings dialog and its form.
#include "controls/grid/print_settings_dialog.h"

#include <cmath>

#include "platform/ui/std_painted.h"

namespace {

const char kIniFilter[] = "INI files (*.ini)|*.ini|All files (*.*)|*.*";
const char* const kPositions[] = {"(none)", "Top Left", "Top Right", "Top Center", "Bottom Left", "Bottom Right",
                                  "Bottom Center"};

template <typename T> T* Make(TComponent* Owner, TWinControl* Parent, int L, int Top, int W, int H) {
  T* c = new T(Owner);
  c->SetParent(Parent);
  c->SetBounds(L, Top, W, H);
  return c;
}

TComboBox* MakeCombo(TComponent* Owner, TWinControl* Parent, int L, int Top, int W,
                     std::initializer_list<const char*> Items) {
  TComboBox* c = Make<TComboBox>(Owner, Parent, L, Top, W, 21);
  c->SetStyle(csDropDownList);
  for (const char* i : Items) c->Items().Add(i);
  return c;
}

TComboBox* MakePositionCombo(TComponent* Owner, TWinControl* Parent, int L, int Top) {
  TComboBox* c = Make<TComboBox>(Owner, Parent, L, Top, 110, 21);
  c->SetStyle(csDropDownList);
  for (const char* i : kPositions) c->Items().Add(i);
  return c;
}

TCheckBox* MakeCheck(TComponent* Owner, TWinControl* Parent, int L, int Top, const char* Caption) {
  TCheckBox* c = Make<TCheckBox>(Owner, Parent, L, Top, 150, 17);
  c->SetCaption(Caption);
  return c;
}

TQnSpinEdit* MakeSpin(TComponent* Owner, TWinControl* Parent, int L, int Top, double Max) {
  TQnSpinEdit* s = Make<TQnSpinEdit>(Owner, Parent, L, Top, 70, 21);
  s->SetSpinType(sptFloat);
  s->SetPrecision(2);
  s->MinFloatValue = 0;
  s->MaxFloatValue = Max;
  s->IncrementFloat = 1;
  return s;
}

TGroupBox* MakeGroup(TComponent* Owner, TWinControl* Parent, int L, int Top, int W, int H, const char* Caption) {
  TGroupBox* g = Make<TGroupBox>(Owner, Parent, L, Top, W, H);
  g->SetCaption(Caption);
  return g;
}

TLabel* MakeLabel(TComponent* Owner, TWinControl* Parent, int L, int Top, const char* Caption) {
  TLabel* l = Make<TLabel>(Owner, Parent, L, Top, 60, 13);
  l->SetCaption(Caption);
  return l;
}

}  // namespace

TQnGridPrintSettingsForm::TQnGridPrintSettingsForm(TComponent* AOwner) : TForm(AOwner) {
  SetCaption("Print Settings");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetColor(clBtnFace);
  SetBounds(0, 0, 640, 400);

  PreviewPanel = Make<TPanel>(this, this, 0, 0, 240, 340);
  PreviewPaintBox = Make<TPaintBox>(this, PreviewPanel, 10, 10, 220, 311);
  PreviewPaintBox->OnPaint = [this](TObject*) { PaintPreview(); };
  PageControl = Make<TPageControl>(this, this, 240, 0, 400, 340);
  auto tab = [this](const char* caption) {
    TTabSheet* t = new TTabSheet(this);
    t->SetPageControl(PageControl);
    t->SetText(caption);
    return t;
  };
  GeneralTab = tab("General");
  HeaderTab = tab("Headers / Footers");
  MarginsTab = tab("Margins");
  PreferencesTab = tab("Preferences");
  ButtonPanel = Make<TPanel>(this, this, 0, 340, 640, 40);
  OKButton = Make<TButton>(this, ButtonPanel, 0, 8, 75, 25);
  OKButton->SetCaption("OK");
  OKButton->SetDefault(true);
  OKButton->SetModalResult(mrOk);
  OKButton->OnClick = [this](TObject*) { SetModalResult(mrOk); };
  CancelButton = Make<TButton>(this, ButtonPanel, 0, 8, 75, 25);
  CancelButton->SetCaption("Cancel");
  CancelButton->SetCancel(true);
  CancelButton->SetModalResult(mrCancel);
  CancelButton->OnClick = [this](TObject*) { SetModalResult(mrCancel); };

  // General.
  BordersGroupBox = MakeGroup(this, GeneralTab, 8, 8, 180, 80, "Borders");
  BorderComboBox = MakeCombo(this, BordersGroupBox, 8, 20, 160,
                             {"(none)", "Single", "Double", "Vertical", "Horizontal", "Around", "Around Vertical",
                              "Around Horizontal"});
  BorderStyleComboBox =
      MakeCombo(this, BordersGroupBox, 8, 48, 160, {"Solid", "Dash", "Dot", "Dash Dot", "Dash Dot Dot", "(none)"});
  GeneralGroupBox = MakeGroup(this, GeneralTab, 196, 8, 190, 170, "General");
  FitToPageComboBox = MakeCombo(this, GeneralGroupBox, 8, 20, 170, {"Never", "Grow to Fit", "Shrink to Fit", "Always"});
  AutoSizeCheckBox = MakeCheck(this, GeneralGroupBox, 8, 48, "&AutoSize Columns");
  CenterCheckBox = MakeCheck(this, GeneralGroupBox, 8, 70, "&Center on Page");
  RepeatRowsCheckBox = MakeCheck(this, GeneralGroupBox, 8, 92, "Repeat Fixed Ro&ws");
  RepeatColumnsCheckBox = MakeCheck(this, GeneralGroupBox, 8, 114, "Repeat Fi&xed Columns");
  printgraphicscheckbox = MakeCheck(this, GeneralGroupBox, 8, 136, "Print graphics");
  FontGroupBox = MakeGroup(this, GeneralTab, 8, 96, 180, 120, "Fonts");
  HeaderFontButton = Make<TButton>(this, FontGroupBox, 8, 20, 160, 25);
  HeaderFontButton->SetCaption("Header font");
  FooterFontButton = Make<TButton>(this, FontGroupBox, 8, 50, 160, 25);
  FooterFontButton->SetCaption("Footer font");
  TableFontButton = Make<TButton>(this, FontGroupBox, 8, 80, 160, 25);
  TableFontButton->SetCaption("Table font");

  // Headers and footers.
  DateTimeGroupBox = MakeGroup(this, HeaderTab, 8, 8, 380, 80, "Date / Time");
  DatePositionComboBox = MakePositionCombo(this, DateTimeGroupBox, 8, 20);
  DateFormatEdit = Make<TEdit>(this, DateTimeGroupBox, 130, 20, 120, 21);
  TimePositionComboBox = MakePositionCombo(this, DateTimeGroupBox, 8, 48);
  TitleGroupBox = MakeGroup(this, HeaderTab, 8, 92, 380, 110, "Title");
  TitlePositionComboBox = MakePositionCombo(this, TitleGroupBox, 8, 20);
  TitleMemo = Make<TMemo>(this, TitleGroupBox, 130, 20, 240, 80);
  PageNumbersGroupBox = MakeGroup(this, HeaderTab, 8, 206, 380, 80, "Page numbers");
  PagesPositionComboBox = MakePositionCombo(this, PageNumbersGroupBox, 8, 20);
  PagesPrefixEdit = Make<TEdit>(this, PageNumbersGroupBox, 130, 20, 70, 21);
  PagesSeparatorEdit = Make<TEdit>(this, PageNumbersGroupBox, 210, 20, 40, 21);
  PagesSuffixEdit = Make<TEdit>(this, PageNumbersGroupBox, 260, 20, 70, 21);

  // Margins, spacing and orientation.
  MarginsGroupBox = MakeGroup(this, MarginsTab, 8, 8, 200, 150, "Margins");
  TopMarginSpinEdit = MakeSpin(this, MarginsGroupBox, 60, 20, 500);
  BottomMarginSpinEdit = MakeSpin(this, MarginsGroupBox, 60, 48, 500);
  LeftMarginSpinEdit = MakeSpin(this, MarginsGroupBox, 60, 76, 500);
  RightMarginSpinEdit = MakeSpin(this, MarginsGroupBox, 60, 104, 500);
  dimr1 = Make<TRadioButton>(this, MarginsGroupBox, 140, 20, 50, 17);
  dimr1->SetCaption("mm");
  dimr1->SetChecked(true);
  dimr2 = Make<TRadioButton>(this, MarginsGroupBox, 140, 40, 50, 17);
  dimr2->SetCaption("inch");
  SpacingGroupBox = MakeGroup(this, MarginsTab, 216, 8, 170, 110, "Spacing");
  RowSpacingSpinEdit = MakeSpin(this, SpacingGroupBox, 60, 20, 100);
  ColumnSpacingSpinEdit = MakeSpin(this, SpacingGroupBox, 60, 48, 100);
  TitleMarginSpinEdit = MakeSpin(this, SpacingGroupBox, 60, 76, 100);
  TQnSpinEdit* spins[7] = {TopMarginSpinEdit, BottomMarginSpinEdit, LeftMarginSpinEdit, RightMarginSpinEdit,
                           RowSpacingSpinEdit, ColumnSpacingSpinEdit, TitleMarginSpinEdit};
  for (int i = 0; i < 7; ++i) {
    DimLabels[i] = MakeLabel(this, spins[i]->Parent(), 8, spins[i]->Top() + 4, "mm");
    spins[i]->OnChange = [this, s = spins[i]](TObject*) {
      if (FInTransfer || s->Text().empty() || s->FloatValue() > s->MaxFloatValue) return;
      UpdatePreviewer();
    };
  }
  OrientationGroupBox = MakeGroup(this, MarginsTab, 216, 124, 170, 56, "Orientation");
  OrientationComboBox = MakeCombo(this, OrientationGroupBox, 8, 20, 150, {"Portrait", "Landscape"});

  // Preferences.
  FileGroupBox = MakeGroup(this, PreferencesTab, 8, 8, 200, 90, "Save settings");
  LoadSettings = Make<TButton>(this, FileGroupBox, 8, 20, 180, 25);
  LoadSettings->SetCaption("&Load settings");
  SaveSettings = Make<TButton>(this, FileGroupBox, 8, 52, 180, 25);
  SaveSettings->SetCaption("&Save settings");
  FontDialog = new TFontDialog(this);
  OpenDialog1 = new TOpenDialog(this);
  OpenDialog1->SetFilter(kIniFilter);
  SaveDialog1 = new TSaveDialog(this);
  SaveDialog1->SetFilter(kIniFilter);

  // Every change takes the controls into the settings and repaints the preview.
  auto changed = [this](TObject*) {
    UpdateDependentControls();
    UpdatePreviewer();
  };
  for (TComboBox* c : {BorderComboBox, BorderStyleComboBox, FitToPageComboBox, DatePositionComboBox,
                       TimePositionComboBox, TitlePositionComboBox, PagesPositionComboBox, OrientationComboBox})
    c->OnChange = changed;
  for (TCheckBox* c : {AutoSizeCheckBox, CenterCheckBox, RepeatRowsCheckBox, RepeatColumnsCheckBox, printgraphicscheckbox})
    c->OnClick = changed;
  for (TEdit* e : {DateFormatEdit, PagesPrefixEdit, PagesSeparatorEdit, PagesSuffixEdit}) e->OnChange = changed;
  TitleMemo->OnChange = changed;
  auto unitChanged = [this](TObject*) {
    if (FUpdating) return;
    for (TLabel* l : DimLabels) l->SetCaption(dimr2->Checked() ? "inch" : "mm");
    UpdateDimensions();
  };
  dimr1->OnClick = unitChanged;
  dimr2->OnClick = unitChanged;
  auto fontButton = [this](TFont& (TPrintsettings::*font)()) {
    return [this, font](TObject*) {
      if (!Grid) return;
      TFont& f = (Grid->PrintSettings().*font)();
      FontDialog->Font().Assign(f);
      if (FontDialog->Execute()) {
        f.Assign(FontDialog->Font());
        UpdatePreviewer();
      }
    };
  };
  HeaderFontButton->OnClick = fontButton(&TPrintsettings::HeaderFont);
  FooterFontButton->OnClick = fontButton(&TPrintsettings::FooterFont);
  TableFontButton->OnClick = fontButton(&TPrintsettings::Font);
  LoadSettings->OnClick = [this](TObject*) { LoadSettingsClick(); };
  SaveSettings->OnClick = [this](TObject*) { SaveSettingsClick(); };
  OnShow = [this](TObject*) { UpdatePreviewer(); };
  AfterConstruction();
}

double TQnGridPrintSettingsForm::Unit() const { return dimr2->Checked() ? 254.0 : 10.0; }

void TQnGridPrintSettingsForm::UpdateDimensions() {
  if (!Grid) return;
  const TPrintsettings& ps = Grid->PrintSettings();
  const bool was = FInTransfer;
  FInTransfer = true;
  const double u = Unit();
  TopMarginSpinEdit->SetFloatValue(ps.HeaderSize / u);
  BottomMarginSpinEdit->SetFloatValue(ps.FooterSize / u);
  LeftMarginSpinEdit->SetFloatValue(ps.LeftSize / u);
  RightMarginSpinEdit->SetFloatValue(ps.RightSize / u);
  RowSpacingSpinEdit->SetFloatValue(ps.RowSpacing / u);
  ColumnSpacingSpinEdit->SetFloatValue(ps.ColumnSpacing / u);
  TitleMarginSpinEdit->SetFloatValue(ps.TitleSpacing / u);
  FInTransfer = was;
}

void TQnGridPrintSettingsForm::UpdateDependentControls() {
  BorderStyleComboBox->SetEnabled(BorderComboBox->ItemIndex() > 0);
  DateFormatEdit->SetEnabled(DatePositionComboBox->ItemIndex() > 0);
  TitleMemo->SetEnabled(TitlePositionComboBox->ItemIndex() > 0);
  const bool pages = PagesPositionComboBox->ItemIndex() > 0;
  PagesPrefixEdit->SetEnabled(pages);
  PagesSeparatorEdit->SetEnabled(pages);
  PagesSuffixEdit->SetEnabled(pages);
}

void TQnGridPrintSettingsForm::UpdateControls() {
  if (!Grid) return;
  TPrintsettings& ps = Grid->PrintSettings();
  FUpdating = true;
  BorderComboBox->SetItemIndex(ps.Borders <= pbAroundHorizontal ? static_cast<int>(ps.Borders) : -1);
  BorderStyleComboBox->SetItemIndex(static_cast<int>(ps.BorderStyle) <= 5 ? static_cast<int>(ps.BorderStyle) : -1);
  // fpCustom has no entry: no selection.
  FitToPageComboBox->SetItemIndex(ps.FitToPage == fpCustom ? -1 : static_cast<int>(ps.FitToPage));
  AutoSizeCheckBox->SetChecked(!ps.NoAutoSize);
  CenterCheckBox->SetChecked(ps.Centered);
  RepeatRowsCheckBox->SetChecked(ps.RepeatFixedRows);
  RepeatColumnsCheckBox->SetChecked(ps.RepeatFixedCols);
  printgraphicscheckbox->SetChecked(ps.PrintGraphics);
  DateFormatEdit->SetText(ps.DateFormat);
  DatePositionComboBox->SetItemIndex(ps.Date);
  TimePositionComboBox->SetItemIndex(ps.Time);
  if (!ps.TitleText.empty()) {
    ps.TitleLines().SetText(ps.TitleText);
    ps.TitleText.clear();
  }
  TitleMemo->Lines().Assign(&ps.TitleLines());
  TitlePositionComboBox->SetItemIndex(ps.Title);
  PagesPrefixEdit->SetText(ps.PagePrefix);
  PagesSeparatorEdit->SetText(ps.PageNumSep);
  PagesSuffixEdit->SetText(ps.PageSuffix);
  PagesPositionComboBox->SetItemIndex(ps.PageNr);
  OrientationComboBox->SetItemIndex(ps.Orientation == poLandscape ? 1 : 0);
  UpdateDimensions();
  UpdateDependentControls();
  FUpdating = false;
}

void TQnGridPrintSettingsForm::UpdatePreviewer() {
  if (FUpdating || !Grid) return;
  TPrintsettings& ps = Grid->PrintSettings();
  FInTransfer = true;
  if (BorderComboBox->ItemIndex() >= 0) ps.Borders = static_cast<TPrintBorders>(BorderComboBox->ItemIndex());
  if (BorderStyleComboBox->ItemIndex() >= 0) ps.BorderStyle = static_cast<TPenStyle>(BorderStyleComboBox->ItemIndex());
  if (FitToPageComboBox->ItemIndex() >= 0) ps.FitToPage = static_cast<TFitToPage>(FitToPageComboBox->ItemIndex());
  ps.NoAutoSize = !AutoSizeCheckBox->Checked();
  ps.Centered = CenterCheckBox->Checked();
  ps.RepeatFixedRows = RepeatRowsCheckBox->Checked();
  ps.RepeatFixedCols = RepeatColumnsCheckBox->Checked();
  ps.PrintGraphics = printgraphicscheckbox->Checked();
  ps.DateFormat = DateFormatEdit->Text();
  auto position = [](TComboBox* c) { return static_cast<TPrintPosition>(std::max(0, c->ItemIndex())); };
  ps.Date = position(DatePositionComboBox);
  ps.Time = position(TimePositionComboBox);
  ps.Title = position(TitlePositionComboBox);
  ps.TitleLines().Assign(&TitleMemo->Lines());
  ps.PageNr = position(PagesPositionComboBox);
  ps.PagePrefix = PagesPrefixEdit->Text();
  ps.PageNumSep = PagesSeparatorEdit->Text();
  ps.PageSuffix = PagesSuffixEdit->Text();
  ps.Orientation = OrientationComboBox->ItemIndex() == 1 ? poLandscape : poPortrait;
  const double u = Unit();
  auto stored = [u](TQnSpinEdit* s) { return static_cast<int>(std::lround(s->FloatValue() * u)); };
  ps.HeaderSize = stored(TopMarginSpinEdit);
  ps.FooterSize = stored(BottomMarginSpinEdit);
  ps.LeftSize = stored(LeftMarginSpinEdit);
  ps.RightSize = stored(RightMarginSpinEdit);
  ps.RowSpacing = stored(RowSpacingSpinEdit);
  ps.ColumnSpacing = stored(ColumnSpacingSpinEdit);
  ps.TitleSpacing = stored(TitleMarginSpinEdit);
  FInTransfer = false;
  if (PreviewEnabled) PreviewPaintBox->Invalidate();
}

void TQnGridPrintSettingsForm::PaintPreview() {
  if (FUpdating || !Grid || !PreviewEnabled) return;
  TCanvas& c = PreviewPaintBox->Canvas();
  const TRect r = PreviewPaintBox->ClientRect();
  c.Brush().SetColor(clWhite);
  c.Brush().SetStyle(bsSolid);
  c.FillRect(r);
  Grid->PreviewFirstPageOnly = true;
  Grid->SetPreviewPage(1);
  try {
    Grid->PrintPreview(c, r);
  } catch (...) {
    Grid->PreviewFirstPageOnly = false;
    throw;
  }
  // The flag is the preview's only: a later Print of the grid counts and prints every page.
  Grid->PreviewFirstPageOnly = false;
}

std::string TQnGridPrintSettingsForm::IniFileName(const std::string& Name, int FilterIndex) {
  if (FilterIndex == 1 && Name.find('.') == std::string::npos) return Name + ".ini";
  return Name;
}

void TQnGridPrintSettingsForm::LoadSettingsClick() {
  if (!Grid || !OpenDialog1->Execute()) return;
  const std::string name = IniFileName(OpenDialog1->FileName(), OpenDialog1->FilterIndex());
  Grid->PrintSettings().LoadFromIni(name, "PRINTSETTINGS");
  UpdateControls();
  UpdatePreviewer();
  PreviewPaintBox->Invalidate();
}

void TQnGridPrintSettingsForm::SaveSettingsClick() {
  if (!Grid || !SaveDialog1->Execute()) return;
  UpdatePreviewer();
  Grid->PrintSettings().SaveToIni(IniFileName(SaveDialog1->FileName(), SaveDialog1->FilterIndex()), "PRINTSETTINGS");
}

// ---- the dialog ----

TQnGridPrintSettingsDialog::TQnGridPrintSettingsDialog(TComponent* AOwner)
    : TCommonDialog(AOwner), FForm(std::make_unique<TQnGridPrintSettingsForm>(nullptr)) {
  SetOptions(TPrintSettingsOptions{psBorders, psGeneral, psFonts, psDateTime, psTitle, psPages, psMargins, psSpacing,
                                   psOrientation, psSaveSettings});
  SetPrintPreview(true);
}

TQnGridPrintSettingsDialog::~TQnGridPrintSettingsDialog() = default;

void TQnGridPrintSettingsDialog::Notification(TComponent* AComponent, TOperation Operation) {
  TCommonDialog::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FGrid) FGrid = nullptr;
}

void TQnGridPrintSettingsDialog::SetOptions(TPrintSettingsOptions Value) {
  FOptions = Value;
  TQnGridPrintSettingsForm& f = *FForm;
  TGroupBox* groups[10] = {f.BordersGroupBox, f.GeneralGroupBox, f.FontGroupBox, f.DateTimeGroupBox,
                           f.TitleGroupBox, f.PageNumbersGroupBox, f.MarginsGroupBox, f.SpacingGroupBox,
                           f.OrientationGroupBox, f.FileGroupBox};
  for (int i = 0; i < 10; ++i) {
    const bool on = Value.Contains(static_cast<TPrintSettingsOption>(i));
    groups[i]->SetEnabled(on);
    for (int k = 0; k < groups[i]->ControlCount(); ++k) groups[i]->Controls(k)->SetEnabled(on);
  }
  // Tabs after the first show only when one of their group boxes is enabled.
  TTabSheet* tabs[3] = {f.HeaderTab, f.MarginsTab, f.PreferencesTab};
  for (TTabSheet* t : tabs) {
    bool any = false;
    for (TGroupBox* g : groups)
      if (g->Parent() == t && g->Enabled()) any = true;
    t->SetTabVisible(any);
  }
}

void TQnGridPrintSettingsDialog::SetPrintPreview(bool Value) {
  FPrintPreview = Value;
  TQnGridPrintSettingsForm& f = *FForm;
  f.PreviewPanel->SetVisible(Value);
  const int width = (Value ? f.PreviewPanel->Width() : 0) + f.PageControl->Width();
  f.SetClientWidth(width);
  f.PageControl->SetLeft(Value ? f.PreviewPanel->Width() : 0);
  f.ButtonPanel->SetWidth(width);
  f.OKButton->SetLeft(static_cast<int>(std::lround(width / 2.0 - f.OKButton->Width() - 8)));
  f.CancelButton->SetLeft(static_cast<int>(std::lround(width / 2.0 + 8)));
}

void TQnGridPrintSettingsDialog::SetPrintDimensions(TPrintDimensions Value) {
  FPrintDimensions = Value;
  if (Value == pdinch) FForm->dimr2->SetChecked(true);
  else FForm->dimr1->SetChecked(true);
}

bool TQnGridPrintSettingsDialog::Execute() {
  if (!FGrid) throw Exception("The dialog does not have a grid component.");
  FBusy = true;
  TQnGridPrintSettingsForm& f = *FForm;
  f.Grid = FGrid;
  f.PreviewEnabled = FPrintPreview;
  TPrintsettings backup;
  backup.Assign(&FGrid->PrintSettings());
  bool ok = false;
  try {
    f.UpdateControls();
    ok = Run([&f] { return f.ShowModal() == mrOk; });
  } catch (...) {
    FGrid->PrintSettings().Assign(&backup);
    FGrid->PreviewFirstPageOnly = false;
    FBusy = false;
    throw;
  }
  if (!ok) FGrid->PrintSettings().Assign(&backup);
  FGrid->PreviewFirstPageOnly = false;
  FBusy = false;
  return ok;
}
