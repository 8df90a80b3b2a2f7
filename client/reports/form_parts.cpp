#include "client/reports/form_parts.h"

#include "client/reports/report_common.h"
#include "print/preview.h"
#include "print/preview_companions.h"
#include "platform/ui/list_controls.h"
#include "platform/ui/page_control.h"
#include "platform/ui/screen.h"
#include "platform/ui/small_controls.h"
#include "platform/ui/tool_bar.h"

namespace form_parts {

TToolBar* MakeToolBar(TComponent* Owner, TWinControl* Form) {
  auto* Bar = new TToolBar(Owner);
  Bar->SetName("ToolBar");
  Bar->SetParent(Form);
  Bar->SetAlign(alTop);
  Bar->SetFlat(true);
  Bar->SetShowCaptions(true);
  Bar->SetButtonHeight(24);
  Bar->SetButtonWidth(40);
  Bar->SetHeight(28);
  return Bar;
}

TToolButton* AddToolButton(TComponent* Owner, TToolBar* Bar, const std::string& Name, const std::string& Caption,
                           const std::string& Hint, std::function<void()> Click) {
  auto* B = new TToolButton(Owner);
  B->SetName(Name);
  B->SetCaption(Caption);
  B->SetHint(Hint);
  B->SetShowHint(true);
  B->SetLeft(Bar->ControlCount() * 100);
  B->SetParent(Bar);
  if (Click) B->OnClick = [Click](TObject*) { Click(); };
  return B;
}

TToolButtons AddRecordTools(TComponent* Owner, TToolBar* Bar, TReportHost& Host) {
  auto Tool = [&Host](const char* Name) {
    return [&Host, Name] {
      if (Host.OpenTool) Host.OpenTool(Name);
    };
  };
  TToolButtons B;
  B.Calculator = AddToolButton(Owner, Bar, "CalculatorTBtn", "Calc", "Display Calculator", Tool("Calculator"));
  B.Calendar = AddToolButton(Owner, Bar, "CalendarTBtn", "Date", "Display Calendar", Tool("Calendar"));
  B.CD = AddToolButton(Owner, Bar, "CDTBtn", "CD", "Display CD Player", Tool("CD Player"));
  return B;
}

int LastSelected(TListBox& List) {
  int Last = List.ItemIndex();
  if (List.MultiSelect())
    for (int i = 0; i < List.Items().Count(); ++i)
      if (List.Selected(i)) Last = i;
  return Last;
}

TControl* MakeProgressBar(TComponent* Owner, TWinControl* Parent, const std::string& Name, int Left, int Top,
                          int Width, int Height) {
  auto* Bar = new TProgressBar(Owner);
  Bar->SetName(Name);
  Bar->SetParent(Parent);
  Bar->SetBounds(Left, Top, Width, Height);
  return Bar;
}

void SetProgressPosition(TControl* Bar, int Position) {
  if (auto* P = dynamic_cast<TProgressBar*>(Bar)) P->SetPosition(Position);
}

TPoint CursorPosition() {
  TPoint P{0, 0};
  GetCursorPos(&P);
  return P;
}

}  // namespace form_parts

namespace form_parts {

TTabSheet* AddSheet(TComponent* Owner, TPageControl* Book, const std::string& Name, const std::string& Caption) {
  auto* S = new TTabSheet(Owner);
  S->SetName(Name);
  S->SetCaption(Caption);
  S->SetPageControl(Book);
  return S;
}

TPgPageNavigator* MakePageNavigator(TComponent* Owner, TWinControl* Parent, int Left, int Top, TPgPreview* Preview) {
  // Small buttons leave the window's other tools their room; printing has buttons of its own.
  auto* Navigator = Make<TPgPageNavigator>(Owner, Parent, "Navigator", Left, Top, 232, 28);
  Navigator->SetButtonWidth(22);
  Navigator->SetButtonHeight(22);
  Navigator->SetBorderWidth(3);
  Navigator->SetGroupSpacing(4);
  TPgNavigateBtns Shown;
  for (TPgNavigateBtn B : {gmFirstPage, gmPrevPage, gmNextPage, gmLastPage, gmZoomIn, gmZoomOut, gmActualSize,
                           gmFitWidth, gmFitHeight, gmFitWholePage})
    Shown.Include(B);
  Navigator->SetVisibleButtons(Shown);
  Navigator->SetNavAutoSize(true);
  Navigator->SetPreview(Preview);
  return Navigator;
}

}  // namespace form_parts
