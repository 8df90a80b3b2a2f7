// The grid receiving the focus (the editor that AlwaysEdit opens, a grid that is only its
// fixed line), the masked text editor, the in-cell combo box's change event, and texts that
// look like rich text without being it, and cell hints, on the headless backend.
#include <gtest/gtest.h>

#include "controls/grid/grid_cell_editors.h"
#include "controls/grid/grid_inplace.h"
#include "controls/grid/qn_grid.h"
#include "controls/grid/rich_cell.h"
#include "platform/headless/headless_peer.h"
#include "platform/ui/application.h"
#include "platform/ui/forms.h"
#include "platform/ui/hints.h"
#include "platform/ui/std_buttons.h"

namespace {

struct TFocusGrid {
  TForm form{nullptr};
  TQnStringGrid* grid = nullptr;
  TButton* other = nullptr;
  TFocusGrid() {
    InstallHeadlessBackend();
    form.SetBounds(0, 0, 500, 300);
    other = new TButton(&form);
    other->SetParent(&form);
    other->SetBounds(0, 260, 80, 25);
    grid = new TQnStringGrid(&form);
    grid->SetParent(&form);
    grid->SetBounds(0, 0, 480, 250);
    grid->SetOptions(grid->Options() + goEditing);
    form.HandleNeeded();
    grid->HandleNeeded();
    form.Show();  // shown and active: its editors take the focus
    other->SetFocus();
  }
  TQnStringGrid& g() { return *grid; }
  bool editing() { return g().InplaceEditor() && g().InplaceEditor()->Visible(); }
};

TEST(GridFocus, AlwaysEditOpensTheEditorUnlessRefusedOrBackFromIt) {
  TFocusGrid t;
  t.g().Navigation().AlwaysEdit = true;
  t.g().SetCells(1, 1, "abc");
  t.g().SetFocus();
  ASSERT_TRUE(t.editing());
  EXPECT_EQ(t.g().InplaceEditor()->Text(), "abc");
  // Escape ends the edit and gives the grid the focus: the edit stays ended.
  t.g().InplaceEditor()->Perform(WM_KEYDOWN, VK_ESCAPE);
  t.g().InplaceEditor()->Perform(WM_CHAR, 27);
  EXPECT_TRUE(t.g().Focused());
  EXPECT_FALSE(t.editing());
  // Coming from another control it opens again, unless the cell refuses editing.
  t.other->SetFocus();
  t.g().SetFocus();
  EXPECT_TRUE(t.editing());
  t.other->SetFocus();
  t.g().HideInplaceEdit();
  t.other->SetFocus();
  t.g().OnCanEditCell = [](TObject*, int, int, bool& CanEdit) { CanEdit = false; };
  t.g().SetFocus();
  EXPECT_FALSE(t.editing());
}

TEST(GridFocus, AGridThatIsOnlyItsFixedLineShowsNoCurrentCell) {
  TFocusGrid t;
  t.g().FixedRowAlways = true;
  t.g().SetRowCount(1);
  t.g().Navigation().AlwaysEdit = true;
  ASSERT_EQ(t.g().FixedRows(), 1);
  t.g().SetFocus();
  EXPECT_FALSE(t.editing());
  EXPECT_EQ(t.g().Selection().Left, t.g().ColCount());
  EXPECT_EQ(t.g().Selection().Top, t.g().RowCount());
  // One column with FixedColAlways likewise; a grid with a data cell keeps its selection.
  TFocusGrid c;
  c.g().FixedColAlways = true;
  c.g().SetColCount(1);
  c.g().SetFocus();
  EXPECT_EQ(c.g().Selection().Left, c.g().ColCount());
  TFocusGrid d;
  d.g().FixedRowAlways = true;
  d.g().SetRowCount(3);
  d.g().SetFocus();
  EXPECT_EQ(d.g().Selection().Left, d.g().Col());
  EXPECT_EQ(d.g().Selection().Top, d.g().Row());
}

TEST(GridMask, AMaskedEditorStartsOnItsFirstPositionWithImproveMaskSel) {
  TFocusGrid t;
  t.g().SetCells(1, 1, "123-456");
  t.g().SetCells(2, 1, "plain");
  t.g().OnGetEditMask = [](TObject*, int ACol, int, std::string& Value) {
    if (ACol == 1) Value = "000-000;1;_";
  };
  t.g().Navigation().ImproveMaskSel = true;
  t.g().SetFocus();
  t.g().ShowInplaceEdit();
  TQnInplaceEdit& edit = *t.g().InplaceEditor();
  ASSERT_TRUE(edit.IsMasked());
  EXPECT_EQ(edit.EditText(), "123-456");
  EXPECT_EQ(edit.SelStart(), 0);
  EXPECT_EQ(edit.SelLength(), 1);
  edit.Perform(WM_CHAR, '9');
  EXPECT_EQ(t.g().Cells(1, 1), "923-456");
  edit.Perform(WM_KEYDOWN, VK_ESCAPE);
  edit.Perform(WM_CHAR, 27);
  EXPECT_EQ(t.g().Cells(1, 1), "123-456");
  // Without the option the whole text is selected; a cell without a mask is a plain edit.
  t.g().Navigation().ImproveMaskSel = false;
  t.g().ShowInplaceEdit();
  EXPECT_EQ(edit.SelLength(), 7);
  edit.Perform(WM_KEYDOWN, VK_ESCAPE);
  edit.Perform(WM_CHAR, 27);
  t.g().SetCol(2);
  t.g().Navigation().ImproveMaskSel = true;
  t.g().ShowInplaceEdit();
  EXPECT_FALSE(edit.IsMasked());
  EXPECT_EQ(edit.SelLength(), 5);
}

TEST(GridComboChange, TheEventNamesTheCellAndTheChosenItemOrTheTypedText) {
  TFocusGrid t;
  // A list to choose from in column 2, an edit part to type into in column 3.
  t.g().OnGetEditorType = [](TObject*, int ACol, int, int& Kind) { Kind = ACol == 2 ? edComboList : edComboEdit; };
  std::vector<std::string> seen;
  t.g().OnComboChange = [&seen](TObject*, int ACol, int ARow, int AItemIndex, const std::string& ASelection) {
    seen.push_back(std::to_string(ACol) + "," + std::to_string(ARow) + " " + std::to_string(AItemIndex) + " " +
                   ASelection);
  };
  t.g().SetFocus();
  t.g().SetCol(2);
  t.g().SetRow(3);
  t.g().ShowInplaceEdit();
  TGridCombo& combo = t.g().Combo();
  ASSERT_EQ(t.g().ActiveCellControl(), &combo);
  combo.Items().Add("Apple");
  combo.Items().Add("Banana");
  seen.clear();
  // An item chosen from the list, then text typed into the edit part.
  combo.Perform(WM_KEYDOWN, VK_DOWN);
  combo.Perform(WM_KEYUP, VK_DOWN);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back(), "2,3 0 Apple");
  t.g().HideCellControl();
  t.g().SetCol(3);
  t.g().ShowInplaceEdit();
  ASSERT_EQ(t.g().ActiveCellControl(), &combo);
  const std::size_t chosen = seen.size();
  combo.Perform(WM_CHAR, 'x');
  ASSERT_GT(seen.size(), chosen);
  EXPECT_EQ(seen.back().substr(0, 7), "3,3 -1 ");
  EXPECT_EQ(seen.back().substr(7), combo.Text());
  // Without a handler nothing is asked; a combo that is not showing tells nothing.
  t.g().HideCellControl();
  const std::size_t before = seen.size();
  combo.SetItemIndex(1);
  EXPECT_EQ(seen.size(), before);
}

TEST(GridRichText, TextsThatAreNoRichTextAreTakenAsTheyAre) {
  TFocusGrid t;
  t.g().SetCells(1, 1, "{\\rtf1 \\b bold\\b0  text}");
  t.g().SetCells(2, 1, "{\\x not rich}");
  t.g().SetCells(3, 1, "path a{\\b}");
  t.g().SetSelection({1, 1, 3, 1});
  // The selection text reads rich cells as their text and takes the others whole.
  EXPECT_EQ(t.g().SelectionToText(), "bold text\t{\\x not rich}\tpath a{\\b}\r\n");
  EXPECT_EQ(RichCellPlainText("{\\x not rich}"), "{\\x not rich}");
  // Measuring and painting such a cell raise nothing.
  EXPECT_GT(t.g().CellTextSize(2, 1).X, 0);
  t.g().AutoSizeRow(1);
  t.g().Repaint();
}

TEST(GridHints, ACellHintGoesWhenTheMouseMovesToAnotherCell) {
  TFocusGrid t;
  t.g().HintShowCells = true;
  t.g().SetShowHint(true);
  t.g().SetCells(1, 1, "hello");
  const TRect r = t.g().CellRect(1, 1);
  GetApplication().ActivateHint(t.g().ClientToScreen({r.Left + 5, r.Top + 5}));
  THintWindow* hint = GetApplication().HintWindow();
  ASSERT_NE(hint, nullptr);
  ASSERT_TRUE(hint->Active());
  EXPECT_EQ(hint->Caption(), "hello");
  // Moving within the cell keeps it; moving to the next cell cancels it.
  HeadlessInput::MouseMove(t.g(), r.Left + 8, r.Top + 6);
  EXPECT_TRUE(hint->Active());
  const TRect next = t.g().CellRect(2, 2);
  HeadlessInput::MouseMove(t.g(), next.Left + 5, next.Top + 5);
  EXPECT_FALSE(hint->Active());
}

}  // namespace
