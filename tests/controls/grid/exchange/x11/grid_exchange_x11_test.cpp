// The grid's clipboard and drag and drop on a real X server (run under xvfb-run): xclip reads
// what a copy put there and feeds what a paste takes; xdotool drags rows from one grid window
// to another, moving them, or copying them with Shift; the list view's header with images, the
// sort mark and the filter bar. Screenshots go to the build folder.
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
#include "controls/grid/qn_list_view.h"
#include "platform/gfx/image_list.h"
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

// Pixels of a colour inside a screen box of a screenshot (python3 PIL reads the PNG).
int CountColour(const std::string& png, const TRect& box, int r, int g, int b) {
  const QByteArray out = RunProgram(
      "/usr/bin/python3",
      {"-c", QString::fromStdString("from PIL import Image\nim=Image.open('" + png + "').convert('RGB')\nn=0\n" +
                                    "for x in range(" + std::to_string(box.Left) + "," + std::to_string(box.Right) + "):\n" +
                                    " for y in range(" + std::to_string(box.Top) + "," + std::to_string(box.Bottom) + "):\n" +
                                    "  p=im.getpixel((x,y))\n  n+=abs(p[0]-" + std::to_string(r) + ")+abs(p[1]-" +
                                    std::to_string(g) + ")+abs(p[2]-" + std::to_string(b) + ")<30\nprint(n)\n")});
  return out.trimmed().isEmpty() ? -1 : out.trimmed().toInt();
}

TRect ScreenBox(TControl& c, const TRect& r) {
  const TPoint a = c.ClientToScreen(TPoint{r.Left, r.Top}), b = c.ClientToScreen(TPoint{r.Right, r.Bottom});
  return TRect{a.X, a.Y, b.X, b.Y};
}

// A list view whose header shows images, the sort mark and the filter bar: typing into a
// column's filter edit tells the list after the time-out; a click on another caption sorts by
// that column and moves the mark there.
TEST(GridExchangeX11, ListViewWithHeaderImagesSortMarkAndFilterBar) {
  TForm form(nullptr);
  form.SetCaption("List");
  form.SetBounds(40, 40, 470, 320);
  auto* lv = new TQnListView(&form);
  lv->SetParent(&form);
  lv->SetBounds(0, 0, 450, 280);
  for (const char* caption : {"Name", "Town", "Amount"}) {
    TListColumn* col = lv->Columns().Add();
    col->SetCaption(caption);
    col->SetWidth(140);
  }
  // Image 0 a green mark, image 1 a red one.
  TImageList images(12, 12);
  for (TColor colour : {TColor(0x00FF00), TColor(0x0000FF)}) {
    TBitmap b;
    b.SetSize(12, 12);
    b.Canvas().Brush().SetColor(clWhite);
    b.Canvas().FillRect(TRect{0, 0, 12, 12});
    b.Canvas().Brush().SetColor(colour);
    b.Canvas().FillRect(TRect{1, 3, 11, 9});
    b.ReleaseCanvas();
    images.AddMasked(b, clWhite);
  }
  lv->SetHeaderImages(&images);
  lv->SortShow = true;
  lv->SetFilterBar(true);
  lv->SetFilterTimeOut(200);
  const char* towns[] = {"Bern", "Agen", "Cork", "Dax", "Bonn", "Ely"};
  for (int i = 0; i < 6; ++i) {
    TListItem* item = lv->Items().Add();
    item->SetCaption("name" + std::to_string(i));
    item->SubItems().Add(towns[i]);
    item->SubItems().Add(std::to_string((i * 37) % 11));
  }
  lv->SetSortColumn(1);
  std::vector<std::string> filters;
  lv->OnFilterChange = [&filters, lv](TObject*, int c) {
    filters.push_back(std::to_string(c) + ":" + lv->Header().Sections(c)->FilterText());
  };
  form.Show();
  Pump(600);
  Screenshot("list_view_header");
  // The captions' line: the header above its filter line.
  TRect town = lv->Header().SectionRect(1), amount = lv->Header().SectionRect(2);
  const int captionLine = lv->Header().Height() / 2;
  town.Bottom = amount.Bottom = town.Top + captionLine;
  // The mark (a 10 x 6 image) shows whole on the caption line.
  EXPECT_GE(CountColour(ShotPath("list_view_header"), ScreenBox(lv->Header(), town), 0, 255, 0), 60);
  EXPECT_EQ(CountColour(ShotPath("list_view_header"), ScreenBox(lv->Header(), amount), 0, 255, 0), 0);
  EXPECT_EQ(lv->CellText(0, 1), "Agen");

  // Type into the filter edit of the first column (the line below the captions).
  const TRect name = lv->Header().SectionRect(0);
  const TPoint filter = lv->Header().ClientToScreen(TPoint{name.Left + 30, lv->Header().Height() - 5});
  RunProgram("xdotool", {"mousemove", QString::number(filter.X), QString::number(filter.Y), "sleep", "0.3", "click", "1",
                         "sleep", "0.3", "type", "--delay", "50", "na3"});
  Pump(800);
  EXPECT_EQ(filters, (std::vector<std::string>{"0:na3"}));
  Screenshot("list_view_filter");

  // A click on the "Amount" caption sorts by it; the mark moves there.
  const TPoint caption = lv->Header().ClientToScreen(TPoint{(amount.Left + amount.Right) / 2, amount.Top + 6});
  RunProgram("xdotool", {"mousemove", QString::number(caption.X), QString::number(caption.Y), "sleep", "0.3", "click", "1",
                         "sleep", "0.3"});
  Pump(600);
  EXPECT_EQ(lv->SortColumn(), 2);
  EXPECT_EQ(lv->Columns()[1]->ImageIndex(), -1);
  EXPECT_EQ(lv->Columns()[2]->ImageIndex(), 0);
  EXPECT_EQ(lv->CellText(0, 2), "0");
  EXPECT_EQ(lv->CellText(5, 2), "9");
  Screenshot("list_view_sorted");
  EXPECT_GE(CountColour(ShotPath("list_view_sorted"), ScreenBox(lv->Header(), amount), 0, 255, 0), 60);
  EXPECT_EQ(CountColour(ShotPath("list_view_sorted"), ScreenBox(lv->Header(), town), 0, 255, 0), 0);
}

}  // namespace
