// The list view's items painted by the Qt backend (offscreen) and grabbed: rich-text items in
// their own fonts and colours, and selected rich-text items in the selection's colours or, with
// SelectionRTFKeep, in their own. The grabs are saved as list_view_*.png in the build folder.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <string>

#include "controls/grid/qn_list_view.h"
#include "tests/qt_test_app.h"

namespace {

// The program's Qt environment is set up by grid_pdf_test.cpp.

const TColor kNavy = RGB(0, 0, 128), kYellow = RGB(255, 255, 0);
const std::string kRedBold = "{\\rtf1{\\colortbl ;\\red255\\green0\\blue0;}\\fs20\\cf1\\b Wide words}";
const std::string kPlainRich = "{\\rtf1\\fs20 Wide words}";

bool Red(QRgb p) { return qRed(p) > 170 && qGreen(p) < 90 && qBlue(p) < 90; }
bool Dark(QRgb p) { return qRed(p) < 90 && qGreen(p) < 90 && qBlue(p) < 90; }
bool Yellow(QRgb p) { return qRed(p) > 200 && qGreen(p) > 200 && qBlue(p) < 90; }
bool Navy(QRgb p) { return qRed(p) < 40 && qGreen(p) < 40 && qBlue(p) > 100 && qBlue(p) < 160; }

struct TShownList {
  TQnListView lv{nullptr};
  TShownList() {
    lv.SetBounds(0, 0, 400, 200);
    lv.Font().SetSize(10);
    lv.SetColor(clWhite);
    lv.SelectionColor = kNavy;
    lv.SelectionTextColor = kYellow;
    for (const char* c : {"Name", "Note"}) {
      TListColumn* column = lv.Columns().Add();
      column->SetCaption(c);
      column->SetWidth(180);
    }
    lv.SetItemHeight(24);
    lv.HandleNeeded();
    QtPeer(lv)->Widget()->show();
  }
  void Add(const std::string& caption, const std::string& note = "") {
    TListItem* item = lv.Items().Add();
    item->SetCaption(caption);
    item->SubItems().Add(note);
  }
  QImage Grab(const std::string& name) {
    lv.Invalidate();
    QApplication::processEvents();
    QImage img = QtPeer(lv)->Widget()->grab().toImage();
    img.save(QString::fromStdString(std::string(QN_BINARY_DIR) + "/list_view_" + name + ".png"));
    return img;
  }
  // A cell's rectangle, less a pixel on each side.
  TRect Cell(int item, int column) {
    TRect r = lv.GetSubItemRect(item, column, LVIR_BOUNDS);
    if (column == 0) r.Right = r.Left + lv.Columns()[0]->Width();
    return Rect(r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1);
  }
};

int Count(const QImage& img, const TRect& r, bool (*match)(QRgb)) {
  int n = 0;
  for (int y = std::max(r.Top, 0); y < std::min(r.Bottom, img.height()); ++y)
    for (int x = std::max(r.Left, 0); x < std::min(r.Right, img.width()); ++x) n += match(img.pixel(x, y));
  return n;
}

// The width of the pixels that match, first to last column.
int Span(const QImage& img, const TRect& r, bool (*match)(QRgb)) {
  int first = -1, last = -1;
  for (int x = r.Left; x < std::min(r.Right, img.width()); ++x)
    for (int y = r.Top; y < std::min(r.Bottom, img.height()); ++y)
      if (match(img.pixel(x, y))) {
        if (first < 0) first = x;
        last = x;
        break;
      }
  return first < 0 ? 0 : last - first + 1;
}

TEST(ListViewRichTextQt, RichItemsShowTheirOwnColoursAndWeights) {
  TShownList t;
  t.Add(kRedBold, kRedBold);
  t.Add(kPlainRich, "{\\x not rich, shown as it is}");
  const QImage img = t.Grab("rich");
  // The bold run is red and wider than the same words in the regular weight; no control word
  // reaches the screen (the RTF source would be far wider than either).
  const int bold = Span(img, t.Cell(0, 0), Red), plain = Span(img, t.Cell(1, 0), Dark);
  EXPECT_GT(Count(img, t.Cell(0, 0), Red), 30);
  EXPECT_EQ(Count(img, t.Cell(0, 0), Dark), 0);
  EXPECT_GT(plain, 30);
  EXPECT_GT(bold, plain + 2) << "bold " << bold << " regular " << plain;
  EXPECT_LT(bold, 130);
  // A sub-item draws as rich text too; a text that only looks like RTF is shown as it is.
  EXPECT_GT(Count(img, t.Cell(0, 1), Red), 30);
  EXPECT_GT(Span(img, t.Cell(1, 1), Dark), plain + 40);
}

TEST(ListViewRichTextQt, SelectedRichItemsTakeTheSelectionColoursUnlessKept) {
  TShownList t;
  t.Add(kRedBold, kRedBold);
  t.lv.Items()[0]->SetSelected(true);

  // Without RowSelect only the caption shows the selection: yellow words on navy, no red; the
  // sub-item beside it keeps its own colours on the list's colour.
  QImage img = t.Grab("selected");
  EXPECT_EQ(Count(img, t.Cell(0, 0), Red), 0);
  EXPECT_GT(Count(img, t.Cell(0, 0), Yellow), 30);
  EXPECT_GT(Count(img, t.Cell(0, 0), Navy), 500);
  EXPECT_GT(Count(img, t.Cell(0, 1), Red), 30);
  EXPECT_EQ(Count(img, t.Cell(0, 1), Navy), 0);

  // With RowSelect every cell of the item shows it.
  t.lv.SetRowSelect(true);
  img = t.Grab("row_select");
  EXPECT_EQ(Count(img, t.Cell(0, 1), Red), 0);
  EXPECT_GT(Count(img, t.Cell(0, 1), Yellow), 30);

  // SelectionRTFKeep: the run's own red on the selection's fill, in every selected cell.
  t.lv.SelectionRTFKeep = true;
  img = t.Grab("kept");
  for (int column : {0, 1}) {
    EXPECT_GT(Count(img, t.Cell(0, column), Red), 30) << column;
    EXPECT_EQ(Count(img, t.Cell(0, column), Yellow), 0) << column;
    EXPECT_GT(Count(img, t.Cell(0, column), Navy), 500) << column;
  }
}

}  // namespace
