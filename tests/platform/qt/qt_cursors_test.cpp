// The screen's cursor table on the Qt backend (offscreen): program cursors kept as 32-bit
// images with alpha (the resource cursors) become Qt cursors that are clear where they are
// clear, on the widgets of the controls that use them.
#include <gtest/gtest.h>

#include <QCursor>
#include <QImage>
#include <QPixmap>
#include <QWidget>

#include "platform/qt/qt_window_peer.h"
#include "platform/ui/screen.h"

namespace {

TEST(QtCursors, ImageCursorsOfTheScreensTableKeepTheirAlphaAndHotSpot) {
  // A 16 x 16 cursor: a clear border round an opaque red square, alpha in the fourth byte.
  TCursorShape shape;
  shape.Image = std::make_shared<TBitmap>(16, 16, pf32bit);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      BYTE* p = shape.Image->ScanLine(y) + 4 * x;
      bool inside = x >= 4 && x < 12 && y >= 4 && y < 12;
      p[0] = 0, p[1] = 0, p[2] = inside ? 0xFF : 0, p[3] = inside ? 0xFF : 0;
    }
  shape.HotSpot = {5, 6};
  const TCursor id = 7;
  Screen().SetCursors(id, shape);
  QCursor cursor = QtCursor(id);
  ASSERT_EQ(cursor.shape(), Qt::BitmapCursor);
  EXPECT_EQ(cursor.hotSpot(), QPoint(5, 6));
  QImage image = cursor.pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
  ASSERT_EQ(image.width(), 16);
  EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
  EXPECT_EQ(image.pixel(8, 8), qRgba(0xFF, 0, 0, 0xFF));
  // A control with that cursor shows it on its widget.
  TCustomControl control(nullptr);
  control.SetCursor(id);
  control.HandleNeeded();
  EXPECT_EQ(QtPeer(control)->Widget()->cursor().shape(), Qt::BitmapCursor);
  EXPECT_EQ(QtPeer(control)->Widget()->cursor().hotSpot(), QPoint(5, 6));
  // A 32-bit image whose fourth bytes are all zero has no alpha: an opaque cursor.
  TCursorShape plain;
  plain.Image = std::make_shared<TBitmap>(16, 16, pf32bit);
  Screen().SetCursors(id + 1, plain);
  QImage opaque = QtCursor(id + 1).pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
  EXPECT_EQ(qAlpha(opaque.pixel(3, 3)), 255);
  // The standard ids keep Qt's shapes.
  EXPECT_EQ(QtCursor(crHandPoint).shape(), Qt::PointingHandCursor);
}

}  // namespace
