#include "client/view_commands.h"

#include "client/reports/main_commands.h"
#include "client/reports/report_windows.h"
#include "client/view.h"
#include "client/view_reports.h"
#include "client/view_tools.h"
#include "platform/ui/menus.h"
#include "platform/ui/std_buttons.h"

namespace {

TMainCommands CommandsOf(TView& V) {
  TMainCommands C(ReportWindowsOf(V));
  C.QuantityWord = V.QuantityWord;
  C.EmailFields = V.EmailFields;
  return C;
}

// The children of a menu entry, each with its Tag (1 all records, 2 the search list's).
template <class F>
void EachChild(TMenuItem* Parent, F Bind) {
  if (!Parent) return;
  for (int i = 0; i < Parent->Count(); ++i) Bind(Parent->Items(i));
}

}  // namespace

void WireMainCommands(TView& V) {
  WireToolCommands(V);
  if (auto* Reminder = dynamic_cast<TMenuItem*>(V.Find("ReminderReport")))
    Reminder->OnClick = [&V, Reminder](TObject*) {
      CommandsOf(V).ReminderReportClick(Reminder->Caption(), static_cast<int>(Reminder->Tag()));
    };
  EachChild(V.QuickOrderReport1, [&V](TMenuItem* M) {
    M->OnClick = [&V, M](TObject*) { CommandsOf(V).QuickOrderReport1Click(static_cast<int>(M->Tag())); };
  });
  EachChild(V.QuickFinancialReport1, [&V](TMenuItem* M) {
    M->OnClick = [&V, M](TObject*) { CommandsOf(V).TotalMoneyClick(static_cast<int>(M->Tag())); };
  });
  EachChild(V.Grid3DataSummary, [&V](TMenuItem* M) {
    M->OnClick = [&V, M](TObject*) { CommandsOf(V).GridDSClick(true, M->Tag() == 1); };
  });
  EachChild(V.Grid4DataSummary, [&V](TMenuItem* M) {
    M->OnClick = [&V, M](TObject*) { CommandsOf(V).GridDSClick(false, M->Tag() == 1); };
  });
  TMenuItem* Emails[] = {V.Email1, V.Email2, V.Email3};
  for (int i = 0; i < 3; ++i)
    if (Emails[i]) Emails[i]->OnClick = [&V, i](TObject*) { CommandsOf(V).Email1Click(i); };
  for (TMenuItem* M : {V.AllRecords1, V.SearchListRecords1})
    if (M) M->OnClick = [&V, M](TObject*) { CommandsOf(V).AllRecords1Click(static_cast<int>(M->Tag()), M->Caption()); };
  if (V.BarcodeTBtn) V.BarcodeTBtn->OnClick = [&V](TObject*) { CommandsOf(V).BarcodeClick(); };
  if (V.ScanBarcode1) V.ScanBarcode1->OnClick = [&V](TObject*) { CommandsOf(V).BarcodeClick(); };
  if (V.PrintRTF1Btn) V.PrintRTF1Btn->OnClick = [&V](TObject*) { CommandsOf(V).PrintRTF1BtnClick(V.PrintRTF1Btn->Caption()); };
  if (V.PrintAddressBTN)
    V.PrintAddressBTN->OnClick = [&V](TObject*) { CommandsOf(V).PrintAddressBTNClick(V.PrintAddressBTN->Caption()); };
  for (TGridPage* Page : {&V.Grid3Page, &V.Grid4Page}) {
    const bool Three = Page == &V.Grid3Page;
    if (Page->SummaryBtn)
      Page->SummaryBtn->OnClick = [&V, Page, Three](TObject*) {
        if (!Page->Grid) return;
        TMainCommands C = CommandsOf(V);
        const TFieldCaptions& Captions = ReportWindowsOf(V).Host.Captions;
        C.GridSummaryBtnClick(*Page->Grid, Three ? Captions.Grid3Kinds : Captions.Grid4Kinds);
      };
    if (Page->EmailBtn)
      Page->EmailBtn->OnClick = [&V, Page](TObject*) {
        if (Page->Grid) CommandsOf(V).EmailGrid(*Page->Grid);
      };
  }
}
