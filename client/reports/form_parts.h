// Small helpers that build the controls of the search and report windows in code.
#pragma once

#include <functional>
#include <string>

#include "platform/ui/controls.h"
#include "platform/ui/menus.h"

namespace form_parts {

// A control owned by Owner, named, placed on Parent.
template <typename T>
T* Make(TComponent* Owner, TWinControl* Parent, const std::string& Name, int Left, int Top, int Width,
        int Height) {
  auto* C = new T(Owner);
  if (!Name.empty()) C->SetName(Name);
  C->SetParent(Parent);
  C->SetBounds(Left, Top, Width, Height);
  return C;
}

template <typename T>
T* MakeCaptioned(TComponent* Owner, TWinControl* Parent, const std::string& Name, const std::string& Caption,
                 int Left, int Top, int Width, int Height) {
  T* C = Make<T>(Owner, Parent, Name, Left, Top, Width, Height);
  C->SetCaption(Caption);
  return C;
}

inline TMenuItem* AddItem(TComponent* Owner, TMenuItem* Parent, const std::string& Name,
                          const std::string& Caption, int Tag = 0) {
  auto* Item = new TMenuItem(Owner);
  if (!Name.empty()) Item->SetName(Name);
  Item->SetCaption(Caption);
  Item->SetTag(Tag);
  Parent->Add(Item);
  return Item;
}

}  // namespace form_parts

class TToolBar;
class TToolButton;
class TPgPageNavigator;
class TPgPreview;
class TListBox;
class TTabSheet;
class TPageControl;
struct TReportHost;

namespace form_parts {

// A tool bar along the top of Form, with caption buttons.
TToolBar* MakeToolBar(TComponent* Owner, TWinControl* Form);
// A button of the bar (Caption shown, Hint the button's name for a person), placed after the
// last one.
TToolButton* AddToolButton(TComponent* Owner, TToolBar* Bar, const std::string& Name, const std::string& Caption,
                           const std::string& Hint, std::function<void()> Click);

// The record window's tools on a bar: calculator, calendar and CD player.
struct TToolButtons {
  TToolButton* Calculator = nullptr;
  TToolButton* Calendar = nullptr;
  TToolButton* CD = nullptr;
};
TToolButtons AddRecordTools(TComponent* Owner, TToolBar* Bar, TReportHost& Host);
// The selected entry of a list box (the last one when several are selected), -1 when none.
int LastSelected(TListBox& List);

// A progress bar (its header stays out of the files that hold grids: both name enumerators
// alike) and its position.
TControl* MakeProgressBar(TComponent* Owner, TWinControl* Parent, const std::string& Name, int Left, int Top,
                          int Width, int Height);
void SetProgressPosition(TControl* Bar, int Position);

// The pointer position on the screen.
TPoint CursorPosition();

// The page and zoom buttons of a preview window, 22 pixels square and sized to fit them, with
// Left and Top their place on Parent (28 pixels high: a row of 34 holds them).
TPgPageNavigator* MakePageNavigator(TComponent* Owner, TWinControl* Parent, int Left, int Top, TPgPreview* Preview);
// A sheet of Book, named and captioned, owned by Owner.
TTabSheet* AddSheet(TComponent* Owner, TPageControl* Book, const std::string& Name, const std::string& Caption);

}  // namespace form_parts
