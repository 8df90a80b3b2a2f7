// The grid's clipboard and drag and drop on a real X server (run under xvfb-run): xclip reads
// what a copy put there and feeds what a paste takes; xdotool drags rows from one grid window
// to another, moving them, or copying them with Shift. Screenshots go to the build folder.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>
#include <vector>

#include "controls/grid/qn_grid.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/forms.h"
#include "tests/qt_test_app.h"

namespace {

const bool kOnDisplay = RunUnderXvfb();

const auto* const kEnvironment = UseQtBackend("grid_exchange_x11_tests", &kOnDisplay);

void Pump(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// Runs a program while our event loop goes on (selection requests, drags).
QByteArray RunProgram(const QString& program, const QStringList& args, const QByteArray& input = {}) {
  QProcess p;
  p.start(program, args);
  if (!p.waitForStarted(5000)) return "<did not start>";
  if (!input.isEmpty()) p.write(input);
  p.closeWriteChannel();
  QElapsedTimer t;
  t.start();
  while (p.state() != QProcess::NotRunning && t.elapsed() < 15000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    p.waitForFinished(5);
  }
  return p.readAllStandardOutput();
}

std::string ShotPath(const std::string& name) {
  const auto dir = std::filesystem::path(QN_BINARY_DIR) / "tests" / "controls" / "grid" / "x11";
  std::filesystem::create_directories(dir);
  return (dir / (name + ".png")).string();
}

void Screenshot(const std::string& name) {
  Pump(200);
  RunProgram("/usr/bin/python3", {"-c", QString::fromStdString("from PIL import ImageGrab; ImageGrab.grab().save('" +
                                                        ShotPath(name) + "')")});
}

// A form with a grid of rows "r<row>c<col>" at a screen position.
struct GridWindow {
  explicit GridWindow(int left, const char* caption) : form(nullptr), grid(&form) {
    form.SetCaption(caption);
    form.SetBounds(left, 20, 420, 300);
    grid.SetParent(&form);
    grid.SetBounds(0, 0, 400, 260);
    grid.SetColCount(4);
    grid.SetRowCount(8);
    for (int r = 1; r < 8; ++r)
      for (int c = 1; c < 4; ++c) grid.SetCells(c, r, std::string(caption) + std::to_string(r) + "." + std::to_string(c));
    form.Show();
  }
  TPoint Screen(int c, int r) {
    const TRect rc = grid.CellRect(c, r);
    return grid.ClientToScreen(TPoint{(rc.Left + rc.Right) / 2, (rc.Top + rc.Bottom) / 2});
  }
  TForm form;
  TQnStringGrid grid;
};

TEST(GridExchangeX11, CopiesAreReadByXclipAndXclipTextIsPasted) {
  GridWindow w(20, "A");
  Pump(300);
  w.grid.SetSelection(TGridRect{1, 2, 2, 3});
  w.grid.CopyToClipBoard();
  EXPECT_EQ(RunProgram("xclip", {"-selection", "clipboard", "-o", "-t", "text/plain"}).toStdString(),
            "A2.1\tA2.2\r\nA3.1\tA3.2\r\n");
  w.grid.SetCells(3, 1, "{\\rtf1\\ansi {\\b bold} cell}");
  w.grid.Navigation().AllowRTFClipboard = true;
  w.grid.SetSelection(TGridRect{3, 1, 3, 1});
  w.grid.CopyToClipBoard();
  const QByteArray rtf = RunProgram("xclip", {"-selection", "clipboard", "-o", "-t", "text/rtf"});
  EXPECT_TRUE(rtf.startsWith("{\\rtf1\\ansi {\\b bold} cell}")) << rtf.toStdString();

  // A text without a final line break, fed by xclip, pastes whole.
  QProcess::execute("sh", {"-c", "printf 'x1\\ty1\\nx2\\ty2' | xclip -selection clipboard -t UTF8_STRING -i"});
  Pump(300);
  w.grid.SetOptions(w.grid.Options() + goEditing);
  w.grid.Navigation().AllowRTFClipboard = false;
  w.grid.SetSelection(TGridRect{1, 4, 1, 4});
  w.grid.PasteFromClipBoard();
  EXPECT_EQ(w.grid.Cells(1, 4), "x1");
  EXPECT_EQ(w.grid.Cells(2, 4), "y1");
  EXPECT_EQ(w.grid.Cells(1, 5), "x2");
  EXPECT_EQ(w.grid.Cells(2, 5), "y2");
  Screenshot("grid_clipboard");
}

// Drags the selected rows of `from` onto a cell of `to` with xdotool (Shift held when asked).
void DragRows(GridWindow& from, GridWindow& to, int toRow, bool shift) {
  const TPoint a = from.Screen(1, 2), b = to.Screen(1, toRow);
  QStringList args{"mousemove", QString::number(a.X), QString::number(a.Y), "sleep", "0.3", "mousedown", "1",
                   "sleep", "0.2"};
  for (int step = 1; step <= 8; ++step) {
    args << "mousemove" << QString::number(a.X + (b.X - a.X) * step / 8) << QString::number(a.Y + (b.Y - a.Y) * step / 8)
         << "sleep" << "0.1";
  }
  if (shift) args << "keydown" << "shift" << "mousemove" << QString::number(b.X + 2) << QString::number(b.Y) << "sleep" << "0.3";
  args << "mouseup" << "1" << "sleep" << "0.2";
  if (shift) args << "keyup" << "shift";
  RunProgram("xdotool", args);
  Pump(500);
}

TEST(GridExchangeX11, RowsDraggedBetweenGridWindowsMoveOrWithShiftCopy) {
  GridWindow a(20, "A"), b(500, "B");
  for (GridWindow* w : {&a, &b}) {
    w->grid.SetOptions(w->grid.Options() + goRowSelect);
    w->grid.OleEntireRows = true;
  }
  a.grid.SetOleDropSource(true);
  b.grid.SetOleDropTarget(true);
  b.grid.SetOptions(b.grid.Options() + goEditing);
  b.grid.OleInsertRows = true;
  Pump(500);
  a.grid.SetSelection(TGridRect{1, 2, 3, 3});
  Pump(100);
  DragRows(a, b, 1, true);
  Screenshot("grid_drag_copy");
  EXPECT_EQ(b.grid.Cells(1, 1), "A2.1");
  EXPECT_EQ(b.grid.Cells(3, 2), "A3.3");
  EXPECT_EQ(b.grid.Cells(1, 3), "B1.1");  // the old first row moved down
  EXPECT_EQ(a.grid.Cells(1, 2), "A2.1");  // copied: the source keeps its rows

  a.grid.OleRemoveRows = true;
  a.grid.SetSelection(TGridRect{1, 2, 3, 3});
  Pump(100);
  DragRows(a, b, 1, false);
  Screenshot("grid_drag_move");
  EXPECT_EQ(b.grid.Cells(1, 1), "A2.1");
  EXPECT_EQ(a.grid.RowCount(), 6);
  EXPECT_EQ(a.grid.Cells(1, 2), "A4.1");  // moved: rows 2 and 3 left the source
}

}  // namespace
