// The main window's notebook page change, the field menu of the rich text, the notes page's
// print, the help commands and showing the window again.
#include <string>

#include "client/view.h"
#include "client/view_grid_commands.h"
#include "platform/gfx/printer.h"
#include "platform/ui/application.h"
#include "platform/ui/messages.h"
#include "platform/ui/modal_service.h"
#include "platform/ui/screen.h"

void TView::RecordBookChange() {
  TTabSheet* Page = RecordBook->ActivePage();
  if (Page && Page->Caption() == "HTML" && ritems) {
    // The fields a page template can take: descriptions, details, status, number, name.
    std::vector<std::string> Captions;
    for (int i = 0; i < 10; ++i) Captions.push_back(Desc[i]->Caption());
    for (int i = 0; i < 10; ++i) Captions.push_back(sn[i]->Caption());
    Captions.push_back(boxname->Caption());
    Captions.push_back("Record #");
    Captions.push_back(RecordTitle->Caption());
    TMenuItem* Items = ritems->Items();
    for (int i = 0; i < static_cast<int>(Captions.size()) && i < Items->Count(); ++i) {
      Items->Items(i)->SetCaption(Captions[static_cast<std::size_t>(i)]);
      Items->Items(i)->SetTag((i + 1) * 10);
    }
  }
}

void TView::AddBtnClick() {
  TPoint P{0, 0};
  GetCursorPos(&P);
  ritems->Popup(P.X, P.Y);
}

void TView::PrintDetailClick() {
  std::vector<std::string> Lines;
  for (TMemo* M : {Memo1, Memo2, Memo3})
    for (int i = 0; i < M->Lines().Count(); ++i) Lines.push_back(M->Lines()[i]);
  // Nothing is reported as sent when no job started (no printer, or no file chosen).
  if (!PrintTextLines(Printer(), "Book Detail", Lines)) return;
  MessageDlg("Book Detail sent to Printer.", mtInformation, TMsgDlgButtons{mbOK});
}

void TView::ViewRecordClick() {
  Show();
  BringToFront();
}

namespace {

// The help topics open as the help menu's pages: "Getting Started" its anchor, the others the
// contents.
void OpenHelpTopic(TView& V, const std::string& Topic) {
  GetApplication().SetHelpFile(V.ProgramFolder + "Vellumry.hlp");
  TMenuItem* Page = Topic == "Getting Started" ? V.GettingStarted1 : V.Contents1;
  if (Page && Page->OnClick) Page->OnClick(Page);
}

}  // namespace

void TView::HelpBtnClick() { OpenHelpTopic(*this, "Getting Started"); }

void TView::TableofContents1Click() { OpenHelpTopic(*this, "Introduction"); }

void TView::ReferenceManual1Click() { OpenHelpTopic(*this, ""); }

void TView::WirePageCommands() {
  PrintDetail->OnClick = [this](TObject*) { PrintDetailClick(); };
  // F1 opens the help; every key still counts as activity.
  TKeyEvent Keys = OnKeyDown;
  OnKeyDown = [this, Keys](TObject* Sender, WORD& Key, TShiftState Shift) {
    if (Keys) Keys(Sender, Key, Shift);
    if (Key == VK_F1 && Shift.Empty()) {
      Key = 0;
      HelpBtnClick();
    }
  };
  GridCommands = std::make_unique<TGridPageCommands>(*this);
}
