// The main window's notebook page change, the field menu of the rich text and the item list's
// in-place editing.
#include <string>

#include "client/view.h"
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
