// The painted list view and its header on the Qt backend (the environment of qt_backend_test
// makes the application): real pixels of the selection, the check box and the header.
#include <gtest/gtest.h>

#include <QImage>

#include "platform/qt/qt_window_peer.h"
#include "platform/ui/list_view.h"

namespace {

bool IsNavy(QRgb c) { return qRed(c) < 40 && qGreen(c) < 40 && qBlue(c) > 100; }
bool IsWhite(QRgb c) { return qRed(c) > 240 && qGreen(c) > 240 && qBlue(c) > 240; }
bool IsGrey(QRgb c) { return qRed(c) > 170 && qRed(c) < 210 && qRed(c) == qGreen(c) && qGreen(c) == qBlue(c); }

int Count(const QImage& img, const TRect& r, bool (*test)(QRgb)) {
  int n = 0;
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x) n += test(img.pixel(x, y));
  return n;
}

TEST(QtListView, SelectionCheckBoxAndHeaderArePaintedByOurCode) {
  TListView lv(nullptr);
  lv.SetBounds(0, 0, 240, 120);
  lv.SetCheckboxes(true);
  lv.SetHideSelection(false);
  for (const char* caption : {"Name", "Size"}) {
    TListColumn* c = lv.Columns().Add();
    c->SetCaption(caption);
    c->SetWidth(100);
  }
  for (const char* caption : {"first", "second", "third"}) lv.Items().Add()->SetCaption(caption);
  lv.Items()[0]->SetChecked(true);
  lv.SetFocus();
  lv.Items()[1]->SetSelected(true);

  QImage shot = QtPeer(lv)->Widget()->grab().toImage();
  ASSERT_EQ(shot.width(), 240);
  const int header = lv.HeaderHeight();
  ASSERT_GT(header, 10);
  // The header is a child window of its own, grey with the captions.
  EXPECT_GT(Count(shot, Rect(0, 0, 240, header), IsGrey), 240 * header / 2);
  // The selected caption is filled with the highlight colour; its row's sub-item is not.
  TRect label = lv.GetSubItemRect(1, 0, LVIR_LABEL);
  EXPECT_GT(Count(shot, label, IsNavy), label.Width() * label.Height() / 2);
  TRect other = lv.GetSubItemRect(1, 1, LVIR_BOUNDS);
  EXPECT_EQ(Count(shot, other, IsNavy), 0);
  // The checked box of the first row has a dark mark; the second row's box has none.
  TRect box0 = Rect(4, lv.GetSubItemRect(0, 0, LVIR_BOUNDS).Top + 4, 13, lv.GetSubItemRect(0, 0, LVIR_BOUNDS).Bottom - 4);
  auto dark = [](QRgb c) { return qRed(c) < 80 && qGreen(c) < 80 && qBlue(c) < 80; };
  int marks0 = 0, marks2 = 0;
  for (int y = box0.Top; y < box0.Bottom; ++y)
    for (int x = box0.Left; x < box0.Right; ++x) {
      marks0 += dark(shot.pixel(x, y));
      marks2 += dark(shot.pixel(x, y + 2 * lv.RowHeight()));
    }
  EXPECT_GT(marks0, 3);
  EXPECT_EQ(marks2, 0);
  // Below the last row the background is the window colour.
  EXPECT_TRUE(IsWhite(shot.pixel(120, 115)));
}

}  // namespace
