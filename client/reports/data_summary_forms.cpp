#include "client/reports/data_summary_forms.h"

#include "client/core/record_window.h"
#include "client/reports/form_parts.h"
#include "client/reports/report_windows.h"
#include "controls/grid/qn_grid.h"
#include "platform/ui/containers.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/list_controls.h"
#include "platform/ui/mask_edit.h"
#include "platform/ui/modal_service.h"
#include "platform/ui/std_buttons.h"
#include "platform/ui/std_painted.h"

using namespace form_parts;

namespace {
void FillCombo(TComboBox& Box, const TDataSummary::TEntries& Entries) {
  Box.Items().Clear();
  for (const auto& E : Entries) Box.Items().Add(E.first);
  if (!Entries.empty()) Box.SetItemIndex(0);
}
}  // namespace

TDataSummaryForm::TDataSummaryForm(TReportWindows& Windows, TQnStringGrid& Source)
    : TForm(nullptr), FWindows(Windows), FLogic(Source) {
  SetName("DataSummaryForm");
  SetCaption("Data Summary");
  SetPosition(poScreenCenter);
  SetClientWidth(489);
  SetClientHeight(433);
  MakeCaptioned<TLabel>(this, this, "DateRangeLabel", "Date Range", 12, 12, 100, 17);
  DateField = Make<TComboBox>(this, this, "DateField", 120, 8, 160, 21);
  MakeCaptioned<TLabel>(this, this, "FromLabel", "From", 12, 40, 40, 17);
  FromDate = Make<TMaskEdit>(this, this, "FromDate", 60, 36, 100, 21);
  MakeCaptioned<TLabel>(this, this, "ToLabel", "To", 180, 40, 30, 17);
  ToDate = Make<TMaskEdit>(this, this, "ToDate", 210, 36, 100, 21);
  FromDate->SetReadOnly(true);
  ToDate->SetReadOnly(true);
  MakeCaptioned<TLabel>(this, this, "FilterLabel", "Filter", 12, 72, 100, 17);
  FilterField = Make<TComboBox>(this, this, "FilterField", 120, 68, 160, 21);
  MakeCaptioned<TLabel>(this, this, "SummarizeLabel", "Summarize", 12, 100, 100, 17);
  SummaryField = Make<TComboBox>(this, this, "SummaryField", 120, 96, 160, 21);
  SummaryGrid = Make<TQnStringGrid>(this, this, "SummaryGrid", 12, 132, 465, 250);
  SummaryGrid->SetColCount(6);
  SummaryGrid->SetRowCount(2);
  SummaryGrid->SetFixedRows(1);
  SummaryGrid->SetFixedCols(1);
  SummaryGrid->SetDefaultColWidth(70);
  for (int c = 0; c < 6; ++c) SummaryGrid->SetCells(c, 0, TDataSummary::Headers[static_cast<std::size_t>(c)]);
  GenerateBtn = MakeCaptioned<TButton>(this, this, "GenerateBtn", "Generate", 300, 396, 80, 27);
  OKBtn = MakeCaptioned<TButton>(this, this, "OKBtn", "OK", 396, 396, 80, 27);
  GenerateBtn->OnClick = [this](TObject*) { FillSummaryGrid(); };
  FilterField->OnChange = [this](TObject*) { FillSummaryGrid(); };
  SummaryField->OnChange = [this](TObject*) { FillSummaryGrid(); };
  OKBtn->OnClick = [this](TObject*) { Close(); };
  auto DateClick = [this](TMaskEdit* Box) {
    if (FWindows.Host.PopupDateMenu) FWindows.Host.PopupDateMenu(Box);
  };
  FromDate->OnClick = [this, DateClick](TObject*) { DateClick(FromDate); };
  ToDate->OnClick = [this, DateClick](TObject*) { DateClick(ToDate); };
  OnActivate = [this](TObject*) { FormActivate(); };
}

TDataSummaryForm::~TDataSummaryForm() = default;

void TDataSummaryForm::FormActivate() {
  // The window comes back active after the calendar of its date boxes: the choices stay.
  if (FSetUp) return;
  FSetUp = true;
  FLogic.FormActivate();
  FillCombo(*DateField, FLogic.DateFields);
  FillCombo(*FilterField, FLogic.FilterFields);
  FillCombo(*SummaryField, FLogic.SummaryFields);
}

void TDataSummaryForm::FillSummaryGrid() {
  FLogic.DateField = DateField->Text();
  FLogic.FilterField = FilterField->Text();
  FLogic.SummaryField = SummaryField->Text();
  FLogic.FromDate = FromDate->Text();
  FLogic.ToDate = ToDate->Text();
  if (FWindows.Host.Record) FLogic.DateFormat = FWindows.Host.Record->Buffers.Configuration.DateFormat;
  if (!FLogic.FillSummaryGrid()) return;
  SummaryGrid->SetRowCount(static_cast<int>(FLogic.Rows.size()) + 1);
  for (std::size_t r = 0; r < FLogic.Rows.size(); ++r)
    for (int c = 0; c < 6; ++c) SummaryGrid->SetCells(c, static_cast<int>(r) + 1, FLogic.Rows[r][static_cast<std::size_t>(c)]);
  // The filter column is as wide as its longest value, never narrower than the others.
  SummaryGrid->AutoSizeColumn(0);
  SummaryGrid->SetColWidths(0, std::max(SummaryGrid->DefaultColWidth(), SummaryGrid->ColWidths(0) + 8));
}

// ---- Grid data summary -----------------------------------------------------------------------

TGridDataSummaryForm::TGridDataSummaryForm(TReportWindows& Windows, bool Grid3, const std::string& Scope)
    : TForm(nullptr), FWindows(Windows) {
  SetName("GridDataSummaryForm");
  SetPosition(poScreenCenter);
  SetBounds(0, 0, 640, 440);
  GridSummary = Make<TQnStringGrid>(this, this, "GridSummary", 0, 0, 640, 330);
  GridSummary->SetAlign(alTop);
  GridSummary->SetFixedRows(1);
  GridSummary->SetFixedCols(0);
  GridSummary->SetLeftCol(0);
  GridSummary->SetDefaultColWidth(85);
  GridSummary->SetOptions(GridSummary->Options() + goRowSelect);
  FLogic = std::make_unique<TGridDataSummary>(Windows.Host, Windows.List, *GridSummary);
  FLogic->Grid3 = Grid3;
  FLogic->Scope = Scope;
  Panel1 = Make<TPanel>(this, this, "Panel1", 120, 350, 400, 70);
  Panel1->SetCaption("");
  MakeCaptioned<TLabel>(this, Panel1, "HintLabel", "Double click record to view complete details", 8, 6, 380, 17);
  Grid3SummaryBtn = MakeCaptioned<TButton>(this, Panel1, "Grid3SummaryBtn", "Summary", 8, 32, 80, 27);
  FindBtn = MakeCaptioned<TButton>(this, Panel1, "FindBtn", "Find", 104, 32, 80, 27);
  PrintBtn = MakeCaptioned<TButton>(this, Panel1, "PrintBtn", "Print", 200, 32, 80, 27);
  CloseBtn = MakeCaptioned<TButton>(this, Panel1, "CloseBtn", "Close", 296, 32, 80, 27);
  FindItem = new TFindDialog(this);
  Grid3SummaryBtn->OnClick = [this](TObject*) { GridSummaryBtnClick(); };
  FindBtn->OnClick = [this](TObject*) { FindBtnClick(); };
  PrintBtn->OnClick = [this](TObject*) { FWindows.PrintGrid(*GridSummary); };
  CloseBtn->OnClick = [this](TObject*) { Close(); };
  GridSummary->OnDblClickCell = [this](TObject*, int Row, int) { GridSummaryDblClickCell(Row); };
  FindItem->OnFind = [this](TObject*) {
    const TFindOptions O = FindItem->Options();
    const bool Found = FLogic->Find(FindItem->FindText(), O.Contains(frDown), O.Contains(frMatchCase), O.Contains(frWholeWord));
    GridSummary->Invalidate();
    if (!Found) {
      MessageDlg(FindItem->FindText() + " not found.", mtInformation, TMsgDlgButtons{mbOK});
      FindItem->CloseDialog();
    }
  };
  OnActivate = [this](TObject*) { FormActivate(); };
  OnResize = [this](TObject*) {
    Panel1->SetTop(Height() - 88);
    Panel1->SetLeft((Width() - Panel1->Width()) / 2);
  };
}

TGridDataSummaryForm::~TGridDataSummaryForm() = default;

void TGridDataSummaryForm::FormActivate() {
  // Once: the window comes back active after its data summary, with the lines it gathered.
  if (FSetUp) return;
  FSetUp = true;
  const TFieldCaptions& C = FWindows.Host.Captions;
  const bool G3 = FLogic->Grid3;
  SetCaption(C.PageCaptions[G3 ? 2 : 3] + (FLogic->Scope == "All" ? " (All Records)" : " (Search List Records)"));
  FLogic->SourceHeaders = G3 ? C.Grid3Headers : C.Grid4Headers;
  FLogic->RecordTitle = C.RecordTitle;
  ClearCells(AsStringGrid(*GridSummary));
  GridSummary->SetRowCount(2);
  GridSummary->SetColCount(std::max<int>(2, static_cast<int>(FLogic->SourceHeaders.size())));
  FLogic->GetData();
  FitColumnsToText(*GridSummary, true);
}

void TGridDataSummaryForm::EnableForm(bool Enable) {
  for (TControl* C : {static_cast<TControl*>(GridSummary), static_cast<TControl*>(CloseBtn), static_cast<TControl*>(PrintBtn),
                      static_cast<TControl*>(FindBtn), static_cast<TControl*>(Grid3SummaryBtn)})
    C->SetEnabled(Enable);
}

void TGridDataSummaryForm::GridSummaryDblClickCell(int Row) {
  if (Row < 1 || Row >= GridSummary->RowCount() - 1) return;
  const std::string Code = GridSummary->Cells(0, Row);
  EnableForm(false);
  if (FWindows.Host.Record) FWindows.Host.Record->GetRecord("G" + Code);
  EnableForm(true);
  Close();
}

void TGridDataSummaryForm::GridSummaryBtnClick() {
  TDataSummaryForm Summary(FWindows, *GridSummary);
  const std::vector<std::string>& Kinds = FLogic->Grid3 ? FWindows.Host.Captions.Grid3Kinds : FWindows.Host.Captions.Grid4Kinds;
  // Column 1 holds the record name and column k + 1 the grid's column k (column 0, the record
  // code, is never offered).
  Summary.Logic().ColumnKinds[1] = "text";
  for (std::size_t k = 1; k <= 10; ++k)
    if (k < Kinds.size()) Summary.Logic().ColumnKinds[k + 1] = Kinds[k];
  Summary.ShowModal();
}

void TGridDataSummaryForm::FindBtnClick() {
  FLogic->FindCol = GridSummary->Col();
  FLogic->FindRow = GridSummary->Row();
  FindItem->Execute();
}
