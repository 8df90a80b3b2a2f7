// Drag and drop between grids on the headless drag loop: drops of text, files and columns, the
// drag that a press on the selection starts, move and copy effects.
#include <gtest/gtest.h>

#include <string>

#include "controls/grid/grid_arrows.h"
#include "controls/grid/grid_drag.h"
#include "controls/grid/qn_grid.h"
#include "grid_test_support.h"
#include "platform/headless/headless_clipboard.h"
#include "platform/headless/headless_peer.h"
#include "platform/rtl/format_settings.h"
#include "tests/outside_programs.h"

namespace {

// Reaches the grid's mouse handlers as the window messages would.
struct MouseGrid : TQnStringGrid {
  using TQnStringGrid::TQnStringGrid;
  void Press(int X, int Y) { MouseDown(mbLeft, TShiftState(), X, Y); }
  void Move(int X, int Y) { MouseMove(TShiftState() << ssLeft, X, Y); }
  void Release(int X, int Y) { MouseUp(mbLeft, TShiftState(), X, Y); }
};

void FillGrid(TQnStringGrid& g, int cols, int rows) {
  g.SetColCount(cols);
  g.SetRowCount(rows);
  g.SetBounds(0, 0, 400, 300);
  for (int r = 1; r < rows; ++r)
    for (int c = 1; c < cols; ++c) g.SetCells(c, r, std::to_string(r) + "." + std::to_string(c));
}

TPoint CellCentre(TQnStringGrid& g, int c, int r) {
  const TRect rc = g.CellRect(c, r);
  return TPoint{(rc.Left + rc.Right) / 2, (rc.Top + rc.Bottom) / 2};
}

// Drops a data object on the grid's registered target at a cell.
void DropOn(TQnStringGrid& g, int c, int r, const TClipboardFormats& formats, DWORD keys = 0) {
  IDropTarget* target = DropTargetOf(&g);
  ASSERT_NE(target, nullptr);
  TFormatDataObject data(formats);
  const TPoint screen = g.ClientToScreen(CellCentre(g, c, r));
  DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
  target->DragEnter(&data, keys | MK_LBUTTON, screen, &effect);
  effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
  target->Drop(&data, keys, screen, &effect);
}

class GridDrag : public ::testing::Test {
protected:
  void SetUp() override {
    InstallHeadlessBackend();
    FillGrid(a, 4, 6);
    FillGrid(b, 4, 6);
    b.SetOleDropTarget(true);
    b.SetOptions(b.Options() + goEditing);
  }
  void TearDown() override { SetDropRTF(false); }
  MouseGrid a{nullptr}, b{nullptr};
};

TEST_F(GridDrag, DroppedFilesLoadOnlyOneCsvOrWorkbookFile) {
  const std::string csv = GridTempPath("drop", ".csv");
  WriteWholeFile(csv, "x,y\r\n1,2\r\n");
  int asked = 0;
  b.OnOleDrop = [&asked](TObject*, int, int, const std::string&, bool&) { ++asked; };
  DropOn(b, 1, 1, {{CF_HDROP, DropFilesBytes({csv, csv})}});
  DropOn(b, 1, 1, {{CF_HDROP, DropFilesBytes({GridTempPath("a", ".txt")})}});
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(b.Cells(1, 1), "1.1");
  DropOn(b, 1, 1, {{CF_HDROP, DropFilesBytes({csv})}});
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(b.Cells(0, 0), "x");
  EXPECT_EQ(b.Cells(1, 1), "2");
  // A name that holds .CSV before another extension counts too; a refusal loads nothing.
  const std::string odd = GridTempPath("drop", ".CSV.bak");
  WriteWholeFile(odd, "p,q\r\n3,4\r\n");
  b.OnOleDrop = [](TObject*, int, int, const std::string&, bool& accept) { accept = false; };
  DropOn(b, 1, 1, {{CF_HDROP, DropFilesBytes({odd})}});
  EXPECT_EQ(b.Cells(0, 0), "x");
  b.OnOleDrop = nullptr;
  DropOn(b, 1, 1, {{CF_HDROP, DropFilesBytes({odd})}});
  EXPECT_EQ(b.Cells(0, 0), "p");
}

// A workbook dropped on a grid brings its dates in the form the grid's owner asks for (the
// database's date format), whatever the format settings (a desktop with "." dates and a 24 hour
// clock here); an older binary .xls and an .xlsx alike, written by outside writers.
TEST_F(GridDrag, DroppedWorkbookDatesLandInTheOwnersDateFormat) {
  const std::string xls = GridTempPath("dates", ".xls"), xlsx = GridTempPath("dates", ".xlsx");
  const std::string script = GridTempPath("dates", ".py");
  WriteWholeFile(script,
                 "import sys, datetime, xlwt, openpyxl\n"
                 "wb=xlwt.Workbook(); ws=wb.add_sheet('Dates'); d=xlwt.easyxf(num_format_str='m/d/yy')\n"
                 "ws.write(0,0,'Since'); ws.write(1,0,datetime.date(2026,12,2),d)\n"
                 "ws.write(2,0,datetime.datetime(2026,1,9,13,5,9),xlwt.easyxf(num_format_str='m/d/yy h:mm:ss'))\n"
                 "ws.write(3,0,'12/2/2026'); ws.write(4,0,45366.5)\n"
                 "wb.save(sys.argv[1])\n"
                 "wb=openpyxl.Workbook(); ws=wb.active; ws['A1']='Since'; ws['A2']=datetime.date(2026,12,2)\n"
                 "wb.save(sys.argv[2]); print('ok')\n");
  ASSERT_EQ(CaptureCommand("/usr/bin/python3 " + script + " " + xls + " " + xlsx + " 2>&1"), "ok\n")
      << "scripts/setup installs the writers python3-xlwt and python3-openpyxl";
  TFormatSettings desktop = DefaultFormatSettings();
  desktop.ShortDateFormat = "d.m.yyyy";
  desktop.DateSeparator = '.';
  desktop.LongTimeFormat = "hh:nn:ss";
  desktop.DecimalSeparator = ',';
  TFormatSettingsScope scope(desktop);
  struct Case {
    const char* Format;
    const char* Date;
    const char* DateTime;
  };
  for (const Case& c : {Case{"mm/dd/yyyy", "12/02/2026", "01/09/2026 13:05:09"},
                        Case{"dd/mm/yyyy", "02/12/2026", "09/01/2026 13:05:09"},
                        Case{"yyyy/mm/dd", "2026/12/02", "2026/01/09 13:05:09"},
                        Case{"YYYY/MM/DD", "2026/12/02", "2026/01/09 13:05:09"}}) {
    SCOPED_TRACE(c.Format);
    b.WorkbookDateFormat = c.Format;
    DropOn(b, 1, 1, {{CF_HDROP, DropFilesBytes({xls})}});
    const int col = b.TStringGrid::FixedCols(), top = b.TStringGrid::FixedRows();
    EXPECT_EQ(b.Cells(col, top), "Since");
    EXPECT_EQ(b.Cells(col, top + 1), c.Date);
    EXPECT_EQ(b.Cells(col, top + 2), c.DateTime);
    EXPECT_EQ(b.Cells(col, top + 3), "12/2/2026");  // a text stays as typed
    EXPECT_EQ(b.Cells(col, top + 4), "45366,5");    // a number is no date
    DropOn(b, 1, 1, {{CF_HDROP, DropFilesBytes({xlsx})}});
    EXPECT_EQ(b.Cells(col, top + 1), c.Date);
  }
  // A grid whose owner names no format shows them in the short date format.
  b.WorkbookDateFormat.clear();
  DropOn(b, 1, 1, {{CF_HDROP, DropFilesBytes({xls})}});
  EXPECT_EQ(b.Cells(b.TStringGrid::FixedCols(), b.TStringGrid::FixedRows() + 1), "2.12.2026");
}

TEST_F(GridDrag, DroppedTextPastesOrInsertsRowsAndARefusalChangesNothing) {
  b.OnOleDrop = [](TObject*, int, int, const std::string&, bool& accept) { accept = false; };
  DropOn(b, 1, 3, {{CF_TEXT, "u\tv\r\nw\tz\r\n"}});
  EXPECT_EQ(b.Cells(1, 3), "3.1");
  b.OnOleDrop = nullptr;
  b.OleInsertRows = true;
  DropOn(b, 1, 3, {{CF_TEXT, "u\tv\r\nw\tz\r\n"}});
  EXPECT_EQ(b.RowCount(), 8);
  EXPECT_EQ(b.Cells(1, 3), "u");
  EXPECT_EQ(b.Cells(2, 4), "z");
  EXPECT_EQ(b.Cells(1, 5), "3.1");  // the old row 3 moved down
  EXPECT_EQ(b.Selection().Top, 3);
  EXPECT_EQ(b.Selection().Bottom, 4);
}

TEST_F(GridDrag, RichTextIsTakenOnlyWhileRichDropsAreOn) {
  DropOn(b, 2, 2, {{CF_TEXT, "plain"}, {CF_RTF(), std::string("{\\rtf1 r}") + '\0'}});
  EXPECT_EQ(b.Cells(2, 2), "plain");
  b.SetOleDropRTF(true);
  DropOn(b, 2, 2, {{CF_TEXT, "plain"}, {CF_RTF(), std::string("{\\rtf1 r}") + '\0'}});
  EXPECT_EQ(b.Cells(2, 2), "{\\rtf1 r}");
}

TEST_F(GridDrag, TheSourceObjectGivesOnlyWhatItOffers) {
  TSourceDataObject text("a\tb\r\n", "", -1);
  STGMEDIUM m;
  FORMATETC f;
  f.cfFormat = CF_TEXT;
  ASSERT_EQ(text.GetData(f, m), S_OK);
  EXPECT_EQ(GlobalBytes(m.hGlobal, true), "a\tb\r\n");
  ReleaseStgMedium(m);
  f.cfFormat = CF_GRIDCOLUMN();
  EXPECT_EQ(text.GetData(f, m), DV_E_FORMATETC);
  f.cfFormat = CF_TEXT;
  f.dwAspect = 4;
  EXPECT_EQ(text.QueryGetData(f), DV_E_DVASPECT);
  TSourceDataObject column("", "", 3);
  f = FORMATETC();
  f.cfFormat = CF_GRIDCOLUMN();
  ASSERT_EQ(column.GetData(f, m), S_OK);
  EXPECT_EQ(GridColumnFromBytes(GlobalBytes(m.hGlobal, false)), 3);
  ReleaseStgMedium(m);
  std::vector<FORMATETC> formats;
  EXPECT_EQ(column.EnumFormatEtc(DATADIR_SET, formats), E_NOTIMPL);
}

TEST_F(GridDrag, APressOnTheSelectionDragsAfterMoreThanThreePixels) {
  a.SetOleDropSource(true);
  a.SetSelection(TGridRect{1, 2, 2, 3});
  const TPoint p = CellCentre(a, 1, 2);
  ScriptDragDrop(THeadlessDrag{&b, CellCentre(b, 1, 1), MK_LBUTTON});
  a.Press(p.X, p.Y);
  a.Move(p.X + 3, p.Y);
  EXPECT_EQ(PendingDragDrops(), 1);  // no drag yet
  a.Move(p.X + 4, p.Y);
  EXPECT_EQ(PendingDragDrops(), 0);
  a.Release(p.X + 4, p.Y);
  // Plain drop moves: the target has the block, the source cells are empty.
  EXPECT_EQ(b.Cells(1, 1), "2.1");
  EXPECT_EQ(b.Cells(2, 2), "3.2");
  EXPECT_EQ(a.Cells(1, 2), "");
  EXPECT_EQ(a.Cells(2, 3), "");
  EXPECT_EQ(a.Cells(3, 2), "2.3");
}

TEST_F(GridDrag, ShiftCopiesAndRemovingRowsTakesTheMovedRowsAway) {
  a.SetOleDropSource(true);
  a.SetSelection(TGridRect{1, 2, 1, 2});
  int stops = 0, lastEffect = -1;
  a.OnOleDragStop = [&](TObject*, int effect) {
    ++stops;
    lastEffect = effect;
  };
  const TPoint p = CellCentre(a, 1, 2);
  ScriptDragDrop(THeadlessDrag{&b, CellCentre(b, 1, 4), MK_LBUTTON | MK_SHIFT});
  a.Press(p.X, p.Y);
  a.Move(p.X, p.Y + 6);
  a.Release(p.X, p.Y + 6);
  EXPECT_EQ(lastEffect, static_cast<int>(DROPEFFECT_COPY));
  EXPECT_EQ(a.Cells(1, 2), "2.1");
  EXPECT_EQ(b.Cells(1, 4), "2.1");

  a.SetOptions(a.Options() + goRowSelect);
  a.OleRemoveRows = true;
  a.SetSelection(TGridRect{1, 2, 3, 3});
  ScriptDragDrop(THeadlessDrag{&b, CellCentre(b, 1, 1), MK_LBUTTON});
  a.Press(p.X, p.Y);
  a.Move(p.X + 10, p.Y);
  a.Release(p.X + 10, p.Y);
  EXPECT_EQ(lastEffect, static_cast<int>(DROPEFFECT_MOVE));
  EXPECT_EQ(a.RowCount(), 4);
  EXPECT_EQ(a.Cells(1, 2), "4.1");
  EXPECT_EQ(stops, 2);

  // OnOleDrag refusing turns the press into a selection.
  a.OnOleDrag = [](TObject*, int, int, const std::string&, bool& allow) { allow = false; };
  a.SetSelection(TGridRect{1, 1, 3, 1});
  ScriptDragDrop(THeadlessDrag{&b, CellCentre(b, 1, 1), MK_LBUTTON});
  const TPoint q = CellCentre(a, 1, 1);
  a.Press(q.X, q.Y);
  a.Move(q.X + 10, q.Y);
  EXPECT_EQ(PendingDragDrops(), 1);
  EXPECT_EQ(a.GridState(), gsSelecting);
  a.Release(q.X + 10, q.Y);
}

TEST_F(GridDrag, AColumnDragMarksTheHeaderItWouldLandBeforeAndHidesTheMarksAfter) {
  b.HandleNeeded();
  IDropTarget* target = DropTargetOf(&b);
  ASSERT_NE(target, nullptr);
  TSourceDataObject column("", "", 1);
  TArrowWindow& below = *b.ArrowWindow(0);
  TArrowWindow& above = *b.ArrowWindow(1);
  DWORD effect = DROPEFFECT_MOVE;
  const TRect header = b.CellRect(2, 0);
  target->DragEnter(&column, MK_LBUTTON, b.ClientToScreen(CellCentre(b, 2, 0)), &effect);
  EXPECT_NE(effect, DROPEFFECT_NONE);
  ASSERT_TRUE(below.Visible());
  ASSERT_TRUE(above.Visible());
  EXPECT_EQ(below.Left(), b.ClientToScreen({header.Left, 0}).X - 5);
  EXPECT_EQ(below.Top(), b.ClientToScreen({0, header.Bottom}).Y);
  EXPECT_EQ(above.Top(), b.ClientToScreen({0, header.Top}).Y - 8);
  // Over a data row a column is refused and the marks go.
  effect = DROPEFFECT_MOVE;
  target->DragOver(MK_LBUTTON, b.ClientToScreen(CellCentre(b, 2, 3)), &effect);
  EXPECT_EQ(effect, DROPEFFECT_NONE);
  EXPECT_FALSE(below.Visible());
  target->DragOver(MK_LBUTTON, b.ClientToScreen(CellCentre(b, 3, 0)), &effect);
  EXPECT_TRUE(below.Visible());
  target->DragLeave();
  EXPECT_FALSE(below.Visible());
  EXPECT_FALSE(above.Visible());
  // The drop names the target and the dragged column and leaves no mark.
  int dropped = -1, on = -1;
  b.OnOleDropCol = [&](TObject*, int, int ACol, int DropCol) {
    on = ACol;
    dropped = DropCol;
  };
  target->DragEnter(&column, MK_LBUTTON, b.ClientToScreen(CellCentre(b, 3, 0)), &effect);
  effect = DROPEFFECT_MOVE;
  target->Drop(&column, 0, b.ClientToScreen(CellCentre(b, 3, 0)), &effect);
  EXPECT_EQ(on, 3);
  EXPECT_EQ(dropped, 1);
  EXPECT_FALSE(below.Visible());
}

}  // namespace
