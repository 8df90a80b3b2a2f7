// The row editor of grids 3 and 4 ("Edit"): one row per column of the edited grid, the titles on
// the left and the line's values on the right, with a date menu, a choice menu or the
// multi-line text window for the columns that ask for them; and that text window ("Notes").
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "client/core/grid_lines.h"
#include "platform/ui/edits.h"
#include "platform/ui/forms.h"
#include "platform/ui/menus.h"
#include "platform/ui/std_buttons.h"

class TQnStringGrid;
class TCalendarPopup;

// "Notes": the lines of a multi-line value.
class TNotesForm : public TForm {
public:
  explicit TNotesForm(TComponent* AOwner);
  TMemo* Notes = nullptr;
  TButton* OKBtn = nullptr;
  // Shows Text modally under Title; the edited text, each line followed by a TAB.
  std::string Edit(const std::string& Text, const std::string& Title);
};

class TEditDirListingForm : public TForm {
public:
  // Commands sends the line; In is the edited grid; Row the edited row (-1 a new line).
  TEditDirListingForm(TComponent* AOwner, TGridLineCommands& Commands, TLineCommandInput In, int Row,
                      std::string DateFormat);
  ~TEditDirListingForm() override;

  TQnStringGrid* EditGrid = nullptr;
  TButton* OKButton = nullptr;
  TButton* CancelBtn = nullptr;
  TPopupMenu* DateMenu = nullptr;
  TPopupMenu* ChoiceMenu = nullptr;
  std::unique_ptr<TCalendarPopup> GetDate;

  // True once OK sent the line.
  bool Sent = false;

  void FormActivate();
  // A click in the value column at row Row (Screen the mouse position).
  void EditGridClickCell(int Row, TPoint Screen);
  void SelectDate2Click();
  void ClearDate2Click();
  void OKButtonClick();
  // Column 1 of the editor, rows 0..n.
  std::vector<std::string> Values() const;

protected:
  void Activate() override;

private:
  TGridLineCommands& FCommands;
  TLineCommandInput FIn;
  int FRow;
  std::string FDateFormat;
  int FClickedRow = -1;
  TPoint FClickPoint;
  bool FActivated = false;
};
