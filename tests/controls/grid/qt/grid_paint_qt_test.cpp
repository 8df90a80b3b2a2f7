// The grid's cells painted by the Qt backend (offscreen) and grabbed: right-aligned numbers,
// a bold markup run, a link colour, the sort triangle, banded rows, the selection colour and
// the 3D frame of fixed cells. The grab is saved as grid_painting.png in the build folder.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>

#include "controls/grid/grid_cell_editors.h"
#include "controls/grid/qn_grid.h"
#include "controls/grid/rich_cell.h"
#include "platform/gfx/bitmap.h"
#include "platform/gfx/mapping.h"
#include "tests/qt_test_app.h"

namespace {

const auto* const kEnvironment = UseQtBackend("grid_qt_tests");

COLORREF At(const QImage& img, int x, int y) {
  const QRgb p = img.pixel(x, y);
  return RGB(qRed(p), qGreen(p), qBlue(p));
}

int Count(const QImage& img, const TRect& r, bool (*match)(COLORREF)) {
  int n = 0;
  for (int y = std::max(r.Top, 0); y < std::min(r.Bottom, img.height()); ++y)
    for (int x = std::max(r.Left, 0); x < std::min(r.Right, img.width()); ++x) n += match(At(img, x, y));
  return n;
}

bool Dark(COLORREF c) { return GetRValue(c) < 90 && GetGValue(c) < 90 && GetBValue(c) < 90; }
bool Red(COLORREF c) { return GetRValue(c) > 170 && GetGValue(c) < 90 && GetBValue(c) < 90; }
bool White(COLORREF c) { return c == RGB(255, 255, 255); }
bool Grey(COLORREF c) { return c == RGB(128, 128, 128); }

// The columns (left to right) that hold dark pixels in a rectangle.
std::pair<int, int> DarkSpan(const QImage& img, const TRect& r) {
  int first = -1, last = -1;
  for (int x = r.Left; x < r.Right; ++x)
    for (int y = r.Top; y < r.Bottom; ++y)
      if (Dark(At(img, x, y))) {
        if (first < 0) first = x;
        last = x;
        break;
      }
  return {first, last};
}

struct TShownGrid {
  TQnStringGrid grid{nullptr};
  TShownGrid() {
    grid.SetBounds(0, 0, 420, 240);
    grid.SetColCount(5);
    grid.SetRowCount(6);
    grid.SetDefaultColWidth(80);
    grid.Font().SetSize(10);
    grid.FixedFont().SetSize(10);
    grid.HandleNeeded();
    QtPeer(grid)->Widget()->show();
  }
  QImage Grab() {
    grid.Invalidate();
    QApplication::processEvents();
    return QtPeer(grid)->Widget()->grab().toImage();
  }
  // A cell's inside, less its border lines.
  TRect Inside(int c, int r) {
    TRect cell = grid.CellRect(c, r);
    InflateRect(cell, -2, -2);
    return cell;
  }
};

TEST(GridPaintingQt, EveryPaintingCaseShowsInThePixels) {
  TShownGrid t;
  TQnStringGrid& g = t.grid;
  g.AutoNumAlign = true;
  g.SetCells(1, 1, "42");
  g.SetCells(2, 1, "ab");
  g.SetCells(1, 2, "<B>Bold</B>");
  g.SetCells(2, 2, "Bold");
  g.SetURLShow(true);
  g.SetURLColor(clRed);
  g.SetCells(3, 1, "http://qn.example/");
  g.SetSortShow(true);
  g.SetSortColumn(2);
  g.Bands().SetActive(true);
  g.Bands().SetPrimaryColor(RGB(255, 255, 0));
  g.Bands().SetSecondaryColor(RGB(0, 255, 255));
  g.SetSelectionColor(RGB(0, 0, 200));
  g.SetSelection({3, 4, 4, 5});
  g.Options();
  QImage img = t.Grab();
  img.save(QString::fromUtf8(QN_BINARY_DIR "/grid_painting.png"));

  // The number stands at the right of its cell, the text at the left.
  const auto number = DarkSpan(img, t.Inside(1, 1));
  const auto text = DarkSpan(img, t.Inside(2, 1));
  ASSERT_GE(number.first, 0);
  ASSERT_GE(text.first, 0);
  EXPECT_GT(number.first - g.CellRect(1, 1).Left, 40);
  EXPECT_GE(g.CellRect(1, 1).Right - number.second, 2);
  EXPECT_LT(text.first - g.CellRect(2, 1).Left, 8);
  // The bold markup run is heavier than the same word in plain text.
  EXPECT_GT(Count(img, t.Inside(1, 2), Dark), Count(img, t.Inside(2, 2), Dark) + 10);
  // The link is drawn in the link colour.
  EXPECT_GT(Count(img, t.Inside(3, 1), Red), 15);
  // The sort triangle: white and grey lines at the right of the sorted column's header only.
  const TRect header = g.CellRect(2, 0);
  const TRect glyph = Rect(header.Right - 14, header.Top + 2, header.Right - 2, header.Bottom - 2);
  EXPECT_GT(Count(img, glyph, Grey), 3);
  const TRect other = g.CellRect(1, 0);
  EXPECT_EQ(Count(img, Rect(other.Right - 14, other.Top + 2, other.Right - 2, other.Bottom - 2), Grey), 0);
  // Bands: the first data row in the primary colour, the second in the secondary one.
  EXPECT_EQ(At(img, g.CellRect(4, 1).Left + 40, g.CellRect(4, 1).Top + 3), RGB(255, 255, 0));
  EXPECT_EQ(At(img, g.CellRect(4, 2).Left + 40, g.CellRect(4, 2).Top + 3), RGB(0, 255, 255));
  // The selection colour on a selected cell that is not the current one.
  EXPECT_EQ(At(img, g.CellRect(3, 4).Left + 40, g.CellRect(3, 4).Top + 3), RGB(0, 0, 200));
  // A 3D fixed cell: a white edge at its top and left, a grey one at its right and bottom.
  const TRect fixed = g.CellRect(0, 3);
  EXPECT_TRUE(White(At(img, fixed.Left + 10, fixed.Top)));
  EXPECT_TRUE(White(At(img, fixed.Left, fixed.Top + 5)));
  EXPECT_TRUE(Grey(At(img, fixed.Left + 10, fixed.Bottom - 1)));
  EXPECT_TRUE(Grey(At(img, fixed.Right - 1, fixed.Top + 5)));

  // Flat fixed cells have no raised edges.
  g.SetFlat(true);
  img = t.Grab();
  EXPECT_FALSE(White(At(img, fixed.Left + 10, fixed.Top)));
}

}  // namespace

namespace {

// Every child editor shown over its cell on the Qt backend and closed again; the window, the
// grid and its editors then go away together.
TEST(GridEditorsQt, EachKindOpensWritesBackAndIsFreedWithTheGrid) {
  auto form = std::make_unique<TCustomControl>(nullptr);
  form->SetBounds(0, 0, 600, 300);
  auto* grid = new TQnStringGrid(form.get());
  grid->SetParent(form.get());
  grid->SetBounds(0, 0, 580, 280);
  grid->SetColCount(8);
  grid->SetOptions(grid->Options() + goEditing);
  static const int kinds[] = {0, 0, edComboList, edSpinEdit, edDateEdit, edCheckBox, edEditBtn, edUnitEditBtn};
  grid->OnGetEditorType = [](TObject*, int col, int, int& kind) { kind = kinds[col]; };
  grid->Combo().Items().Add("one");
  grid->Combo().Items().Add("two");
  form->HandleNeeded();
  QtPeer(*form)->Widget()->show();
  grid->SetCells(3, 1, "7");
  grid->SetCells(7, 1, "3kg");
  for (int c = 2; c <= 7; ++c) {
    grid->SetCol(c);
    grid->SetRow(1);
    grid->Perform(WM_CHAR, 13);
    QApplication::processEvents();
    TWinControl* control = grid->ActiveCellControl();
    ASSERT_NE(control, nullptr) << "column " << c;
    EXPECT_TRUE(control->Visible());
    EXPECT_EQ(control->Left(), grid->CellRect(c, 1).Left);
    if (c == 2) grid->Combo().SetItemIndex(1);
    grid->HideCellControl();
    QApplication::processEvents();
    EXPECT_FALSE(control->Visible());
  }
  EXPECT_EQ(grid->Cells(3, 1), "7");
  EXPECT_EQ(grid->Cells(7, 1), "3kg");
  form.reset();
  QApplication::processEvents();
}

}  // namespace

namespace {

bool Blue(COLORREF c) { return GetBValue(c) > 170 && GetRValue(c) < 90 && GetGValue(c) < 90; }

// A rich-text cell shows its own colours and sizes, not its RTF source as plain text; the
// same drawing on a bitmap in the metric mapping of printed pages lands inside its rectangle.
TEST(GridRichTextQt, RichCellsArePaintedAsRichText) {
  TShownGrid t;
  TQnStringGrid& g = t.grid;
  g.SetColWidths(1, 160);
  g.SetRowHeights(1, 40);
  g.SetCells(1, 1, "{\\rtf1{\\colortbl ;\\red0\\green0\\blue255;}\\cf1 blue \\cf0\\fs40 Big}");
  g.SetCells(2, 1, "{\\rtf1\\fs40 Big}");
  g.SetCells(3, 1, "{\\rtf1\\fs16 Big}");
  g.SetCells(1, 2, "{\\x not rich}");  // no RTF: shown as it is
  QImage img = t.Grab();
  img.save(QString::fromUtf8(QN_BINARY_DIR "/grid_rich_text.png"));
  EXPECT_GT(Count(img, t.Inside(1, 1), Blue), 15);
  // The 20-point word is taller than the 8-point one.
  auto height = [&](int c) {
    const TRect r = t.Inside(c, 1);
    int top = -1, bottom = -1;
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x)
        if (Dark(At(img, x, y))) {
          if (top < 0) top = y;
          bottom = y;
          break;
        }
    return top < 0 ? 0 : bottom - top + 1;
  };
  EXPECT_GT(height(2), height(3) + 5);
  EXPECT_GT(height(3), 3);
  // No control words in sight: the cell's text starts with the blue word, not "{\rtf1".
  EXPECT_EQ(Count(img, Rect(t.Inside(1, 1).Left, t.Inside(1, 1).Top, t.Inside(1, 1).Left + 8, t.Inside(1, 1).Bottom), Dark), 0);
  EXPECT_GT(Count(img, t.Inside(1, 2), Dark), 10);

  // On a page in tenths of a millimetre (y upwards), as grid printing draws.
  TBitmap page(400, 300);
  TCanvas& c = page.Canvas();
  c.Brush().SetColor(clWhite);
  c.FillRect(Rect(0, 0, 400, 300));
  c.SetMapMode(MM_LOMETRIC);
  const TPoint topLeft = c.DPtoLP({100, 100}), bottomRight = c.DPtoLP({300, 160});
  ASSERT_TRUE(DrawRichTextCell(c, "{\\rtf1{\\colortbl ;\\red0\\green0\\blue255;}\\cf1\\fs28 blue text}",
                               Rect(topLeft.X, topLeft.Y, bottomRight.X, bottomRight.Y)));
  c.SetMapMode(MM_TEXT);
  page.ReleaseCanvas();
  int inside = 0, outside = 0;
  for (int y = 0; y < 300; ++y)
    for (int x = 0; x < 400; ++x)
      if (Blue(page.PixelAt(x, y))) (x >= 100 && x < 300 && y >= 100 && y < 160 ? inside : outside)++;
  EXPECT_GT(inside, 20);
  EXPECT_EQ(outside, 0);
  EXPECT_FALSE(DrawRichTextCell(c, "no rich text", Rect(0, 0, 10, 10)));
}

}  // namespace

namespace {

// Middle-button panning draws its origin mark at the press point and paints it away at the end.
TEST(GridPanQt, TheOriginMarkShowsWhilePanning) {
  TShownGrid t;
  t.grid.IntelliPan = ipBoth;
  const QImage before = t.Grab();
  const TRect mark = Rect(200, 100, 232, 132);
  auto changed = [&](const QImage& img) {
    int n = 0;
    for (int y = mark.Top; y < mark.Bottom; ++y)
      for (int x = mark.Left; x < mark.Right; ++x) n += img.pixel(x, y) != before.pixel(x, y);
    return n;
  };
  t.grid.Perform(WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(200, 100));
  QApplication::processEvents();
  QImage during = QtPeer(t.grid)->Widget()->grab().toImage();
  during.save(QString::fromUtf8(QN_BINARY_DIR "/grid_pan_mark.png"));
  EXPECT_GT(changed(during), 40);
  t.grid.Perform(WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(changed(t.Grab()), 0);
}

}  // namespace
