// A window with a grid on a real X server, for the x11 test script: the screen places of the
// cells, header borders and the scroll bar go to the log file, and so does the grid's state
// (cells, current cell, view, widths, sorting, the open editor) each time it changes, so that
// the script can use the grid as a person does and check what happened.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <fstream>
#include <string>

#include "controls/grid/grid_arrows.h"
#include "controls/grid/grid_cell_editors.h"
#include "controls/grid/grid_inplace.h"
#include "controls/grid/qn_grid.h"
#include "platform/qt/qt_window_peer.h"
#include "platform/rtl/sysutils.h"
#include "platform/ui/application.h"
#include "platform/ui/screen.h"
#include "platform/ui/scroll_bars.h"
#include "tests/x11_program.h"

namespace {

std::string Pt(TPoint p) { return std::to_string(p.X) + " " + std::to_string(p.Y); }

const char* kEditor[] = {"text", "combo", "spin", "date", "check", "button", "unit"};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  TEventLog write(argv[1]);

  QApplication app(argc, argv);
  InstallQtBackend();

  TCustomControl form(nullptr);
  form.SetBounds(0, 0, 700, 420);
  auto* grid = new TQnStringGrid(&form);
  grid->SetParent(&form);
  grid->SetBounds(10, 10, 680, 400);
  grid->SetColCount(8);
  grid->SetRowCount(200);
  grid->SetDefaultColWidth(80);
  grid->SetOptions(grid->Options() + goEditing + goColSizing);
  grid->Navigation().AdvanceOnEnter = true;
  grid->SetSortShow(true);
  grid->ScrollHints = shVertical;
  const char* headers[] = {"", "Text", "Combo", "Spin", "Date", "Check", "Button", "Unit"};
  for (int c = 0; c < 8; ++c) grid->SetCells(c, 0, headers[c]);
  for (int r = 1; r < 200; ++r) {
    grid->SetCells(0, r, IntToStr(r));
    grid->SetCells(1, r, "row " + IntToStr(1000 - r));
  }
  grid->SetCells(2, 1, "Apple");
  grid->SetCells(3, 1, "41");
  grid->SetCells(5, 1, "tick");
  grid->SetCells(7, 1, "5kg");
  grid->SetCells(3, 5, "a much longer text than fits");
  grid->OnGetEditorType = [](TObject*, int col, int, int& kind) {
    static const int kinds[] = {0, 0, edComboList, edSpinEdit, edDateEdit, edCheckBox, edEditBtn, edUnitEditBtn};
    kind = col >= 0 && col < 8 ? kinds[col] : 0;
  };
  grid->OnGetEditorProp = [grid](TObject*, int col, int, TEditLink*) {
    if (col == 2 && grid->Combo().Items().Count() == 0)
      for (const char* s : {"Apple", "Banana", "Cherry", "Damson"}) grid->Combo().Items().Add(s);
    if (col == 7 && grid->UnitEditBtn().Units().Count() == 0)
      for (const char* s : {"kg", "lb"}) grid->UnitEditBtn().Units().Add(s);
  };
  grid->OnEllipsClick = [](TObject*, int, int, std::string& s) { s = "picked"; };
  grid->CheckBox().OnClick = [&](TObject*) { write(std::string("check ") + (grid->CheckBox().Checked() ? "1" : "0")); };
  grid->OnClickSort = [&](TObject*, int col) {
    write("sort " + IntToStr(col) + " " + (grid->SortDirection == sdAscending ? "up" : "down"));
  };
  grid->OnEndColumnSize = [&](TObject*, int col) { write("sized " + IntToStr(col) + " " + IntToStr(grid->ColWidths(col))); };

  form.HandleNeeded();
  grid->HandleNeeded();
  QWidget* window = QtPeer(form)->Widget();
  window->setWindowTitle("Grid interaction");
  window->move(40, 40);
  window->show();

  // A second window: a grid whose columns and rows move by their headers with its own feedback.
  TCustomControl moveForm(nullptr);
  moveForm.SetBounds(0, 0, 520, 300);
  auto* moving = new TQnStringGrid(&moveForm);
  moving->SetParent(&moveForm);
  moving->SetBounds(10, 10, 500, 280);
  moving->SetColCount(10);
  moving->SetRowCount(30);
  moving->SetDefaultColWidth(70);
  moving->EnhRowColMove = true;
  moving->SetOptions(moving->Options() + goColMoving + goRowMoving);
  for (int c = 1; c < 10; ++c) moving->SetCells(c, 0, "Head " + IntToStr(c));
  for (int r = 1; r < 30; ++r) {
    moving->SetCells(0, r, "R" + IntToStr(r));
    for (int c = 1; c < 10; ++c) moving->SetCells(c, r, IntToStr(c) + "." + IntToStr(r));
  }
  moveForm.HandleNeeded();
  moving->HandleNeeded();
  QWidget* moveWindow = QtPeer(moveForm)->Widget();
  moveWindow->setWindowTitle("Grid moves");
  moveWindow->move(780, 40);
  moveWindow->show();
  auto moveState = [&] {
    std::string s = "mstate headers=";
    for (int c = 1; c < 6; ++c) s += moving->Cells(c, 0) + ",";
    s += " rows=" + moving->Cells(0, 1) + "," + moving->Cells(0, 2) + "," + moving->Cells(0, 3);
    s += " left=" + IntToStr(moving->LeftCol());
    s += " caption=" + std::string(moving->DragImage()->Visible() ? moving->DragImage()->Caption() : "-");
    s += " arrows=";
    for (int d = 0; d < 4; ++d) s += moving->ArrowWindow(d)->Visible() ? "1" : "0";
    // Where the up arrow stands, so the script knows which column the arrows mark.
    s += " arrow=" + IntToStr(moving->ArrowWindow(0)->Left()) + "," + IntToStr(moving->ArrowWindow(0)->Top());
    return s + " |";
  };
  auto movePlaces = [&] {
    for (int c = 1; c <= 3; ++c) {
      const TRect rc = moving->CellRect(c, 0);
      write("at mh" + IntToStr(c) + " " + Pt(moving->ClientToScreen({rc.Left + 20, rc.Top + rc.Height() / 2})));
    }
    for (int r = 1; r <= 3; r += 2) {
      const TRect rc = moving->CellRect(0, r);
      write("at mr" + IntToStr(r) + " " + Pt(moving->ClientToScreen({rc.Left + 20, rc.Top + rc.Height() / 2})));
    }
    const TRect h3 = moving->CellRect(3, 0);
    write("at marrow " + Pt(moving->ClientToScreen({h3.Left, h3.Bottom})));
    write("mgrid " + Pt(moving->ClientToScreen({0, 0})) + " " + IntToStr(moving->Width()) + " " +
          IntToStr(moving->Height()));
  };
  std::string lastMove;

  // The screen places of what the script clicks; written again whenever the layout changes.
  auto places = [&] {
    for (int c = 1; c <= 7; ++c)
      for (int r = 0; r <= 3; ++r) {
        const TRect rc = grid->CellRect(c, r);
        write("at c" + IntToStr(c) + "r" + IntToStr(r) + " " + Pt(grid->ClientToScreen({rc.Left + 20, rc.Top + rc.Height() / 2})));
      }
    const TRect h1 = grid->CellRect(1, 0), h3 = grid->CellRect(3, 0), b6 = grid->CellRect(6, 1);
    write("at border1 " + Pt(grid->ClientToScreen({h1.Right - 1, h1.Top + h1.Height() / 2})));
    write("at border3 " + Pt(grid->ClientToScreen({h3.Right - 1, h3.Top + h3.Height() / 2})));
    write("at ellipsis " + Pt(grid->ClientToScreen({b6.Right - 8, b6.Top + b6.Height() / 2})));
    const int bar = GetSystemMetrics(SM_CXVSCROLL);
    const int bottom = grid->Height() - (grid->ScrollBarState(SB_HORZ).Visible ? bar : 0);
    write("at scrolldown " + Pt(grid->ClientToScreen({grid->Width() - bar / 2 - 1, bottom - bar / 2 - 1})));
  };
  auto layout = [&] {
    std::string s;
    for (int c = 0; c < 8; ++c) s += IntToStr(grid->ColWidths(c)) + ",";
    return s + IntToStr(grid->TopRow()) + "," + IntToStr(grid->LeftCol());
  };
  std::string last, lastLayout;
  bool ready = false;
  QTimer state;
  QObject::connect(&state, &QTimer::timeout, [&] {
    // The script ends the program with SIGTERM, which the platform turns into a quit request.
    if (GetApplication().QuitPending()) {
      state.stop();
      QCoreApplication::exit(0);
      return;
    }
    if (ready && layout() != lastLayout) {
      lastLayout = layout();
      places();
    }
    std::string s = "state row=" + IntToStr(grid->Row()) + " col=" + IntToStr(grid->Col()) +
                    " top=" + IntToStr(grid->TopRow()) + " w1=" + IntToStr(grid->ColWidths(1)) +
                    " w3=" + IntToStr(grid->ColWidths(3));
    std::string editor = "none";
    if (grid->InplaceEditor() && grid->InplaceEditor()->Visible()) editor = "text";
    else if (TWinControl* c = grid->ActiveCellControl(); c && c->Visible())
      editor = kEditor[grid->Col() >= 1 && grid->Col() <= 7 ? grid->Col() - 1 : 0];
    s += " editor=" + editor;
    for (int c = 1; c <= 7; ++c) s += " | c" + IntToStr(c) + "r1=" + grid->Cells(c, 1);
    s += " | c1r2=" + grid->Cells(1, 2) + " | c1r3=" + grid->Cells(1, 3) + " |";
    if (s != last) write(s);
    last = s;
    if (ready && moveState() != lastMove) write(lastMove = moveState());
  });
  state.start(100);

  QTimer::singleShot(600, [&] {
    write(Box("window", form));
    places();
    movePlaces();
    lastLayout = layout();
    ready = true;
    write(Box("grid", *grid));
    write("ready");
  });

  const int result = app.exec();
  write("closed");
  return result;
}
