#include "client/view_tools.h"

#include "client/core/client_settings.h"
#include "client/core/record_window.h"
#include "client/reports/report_windows.h"
#include "client/reports/search_form.h"
#include "client/reports/search_results_form.h"
#include "client/view.h"
#include "client/view_fields.h"
#include "client/view_reports.h"
#include "controls/calculator.h"
#include "controls/calendar_popup.h"
#include "platform/rtl/ini_files.h"
#include "platform/ui/modal_service.h"
#include "platform/ui/screen.h"

TViewTools::TViewTools(TView& View) : V(View) {}

TViewTools::~TViewTools() = default;

// ---- Links --------------------------------------------------------------------------------------

bool TViewTools::OpenLink(const std::string& Url) { return V.Fields->Fields.JumpToURL(Url); }

std::string TViewTools::HelpTopicURL(const std::string& Topic) {
  std::string Anchor;
  for (const char C : Topic)
    if (C != ' ') Anchor += C;
  return std::string(HelpPage) + "#" + Anchor;
}

// ---- Tools --------------------------------------------------------------------------------------

void TViewTools::Calculator1Click() {
  if (!FCalculator) FCalculator = std::make_unique<TCalculator>(nullptr);
  V.Logic->BeginModal();
  FCalculator->Execute();
  V.Logic->EndModal();
}

void TViewTools::Calander1Click() {
  V.Calendar->SetCalLeft((Screen().Width() - 100) / 2);
  V.Calendar->SetCalTop((Screen().Height() - 200) / 2);
  V.Logic->BeginModal();
  V.Calendar->Execute();  // shown only: the chosen day goes nowhere
  V.Logic->EndModal();
}

bool TViewTools::ResetApplication1Click() {
  V.Logic->BeginModal();
  const int Answer = MessageDlg(ResetQuestion, mtInformation, TMsgDlgButtons{mbYes, mbNo});
  V.Logic->EndModal();
  if (Answer != mrYes) return false;
  V.Settings->SearchColumns.fill(-1);
  V.Settings->SpreadsheetSizes.fill(136);
  V.Settings->ShortDescriptionValues = false;
  V.Logic->SetShortDescriptionValues(false);
  V.ShortDescriptionValues1->SetChecked(false);
  V.SetBounds(V.Left(), V.Top(), 634, 482);
  TReportWindows& Windows = ReportWindowsOf(V);
  TSearch& Search = Windows.Search();
  Search.SetBounds(Search.Left(), Search.Top(), 581, 454);
  TSnapShot& Results = Windows.SnapShot();
  Results.Results().ColumnMap.fill(-1);
  Results.SetBounds(Results.Left(), Results.Top(), 640, 475);
  const TComponent* Panel = Results.FindComponent("TopPanel");
  const int PanelSize = Panel ? static_cast<const TControl*>(Panel)->Height() : 0;
  if (auto Key = OpenSettingsKey()) {
    TResetSizes Sizes;
    Sizes.ViewW = V.Width();
    Sizes.ViewH = V.Height();
    Sizes.SpreadsheetW = Results.Width();
    Sizes.SpreadsheetH = Results.Height();
    Sizes.SpreadsheetS = PanelSize;
    ResetSettings(*Key, *V.Settings, Sizes);
    Key->UpdateFile();
  }
  V.Logic->BeginModal();
  MessageDlg(ResetDoneText, mtInformation, TMsgDlgButtons{mbOK});
  V.Logic->EndModal();
  return true;
}

// ---- Wiring -------------------------------------------------------------------------------------

void WireToolCommands(TView& V) {
  V.Tools = std::make_unique<TViewTools>(V);
  TViewTools& T = *V.Tools;
  auto Item = [](TComponent* C, std::function<void()> F) {
    if (auto* M = dynamic_cast<TMenuItem*>(C)) M->OnClick = [F](TObject*) { F(); };
  };
  auto Click = [](TControl* C, std::function<void()> F) {
    if (C) C->OnClick = [F](TObject*) { F(); };
  };
  Item(V.Contents1, [&T] { T.Contents1Click(); });
  Item(V.GettingStarted1, [&T] { T.GettingStarted1Click(); });
  Item(V.ContactHarrowmere1, [&T] { T.ContactHarrowmere1Click(); });
  Item(V.Calculator1, [&T] { T.Calculator1Click(); });
  Click(V.CalculatorTBtn, [&T] { T.Calculator1Click(); });
  Item(V.Calander1, [&T] { T.Calander1Click(); });
  Click(V.CalendarTBtn, [&T] { T.Calander1Click(); });
  Item(V.ResetApplication1, [&T] { T.ResetApplication1Click(); });
}
