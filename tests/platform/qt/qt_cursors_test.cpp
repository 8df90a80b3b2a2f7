// The screen's cursor table on the Qt backend (offscreen): program cursors, images with alpha
// (the resource cursors among them), become Qt cursors that are clear where they are clear, on
// the widgets of the controls that use them; standard shapes stay Qt's own.
#include <gtest/gtest.h>

#include <QCursor>
#include <QImage>
#include <QPixmap>
#include <QWidget>

#include "platform/qt/qt_window_peer.h"
#include "platform/ui/screen.h"

namespace {

TEST(QtCursors, ImageCursorsOfTheScreensTableKeepTheirAlphaAndHotSpot) {
  // A 16 x 16 cursor: a clear border round an opaque red square.
  TCursorImage image;
  image.Width = image.Height = 16;
  image.Pixels.assign(256, 0);
  for (int y = 4; y < 12; ++y)
    for (int x = 4; x < 12; ++x) image.Pixels[static_cast<std::size_t>(y) * 16 + x] = 0xFFFF0000u;
  image.HotSpot = {5, 6};
  const TCursor id = 7;
  Screen().SetCursors(id, &image);
  image.Pixels.assign(256, 0xFF00FF00u);  // the table holds its own copy
  QCursor cursor = QtCursor(id);
  ASSERT_EQ(cursor.shape(), Qt::BitmapCursor);
  EXPECT_EQ(cursor.hotSpot(), QPoint(5, 6));
  QImage shown = cursor.pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
  ASSERT_EQ(shown.width(), 16);
  EXPECT_EQ(qAlpha(shown.pixel(0, 0)), 0);
  EXPECT_EQ(shown.pixel(8, 8), qRgba(0xFF, 0, 0, 0xFF));
  // A control with that cursor shows it on its widget.
  TCustomControl control(nullptr);
  control.SetCursor(id);
  control.HandleNeeded();
  EXPECT_EQ(QtPeer(control)->Widget()->cursor().shape(), Qt::BitmapCursor);
  EXPECT_EQ(QtPeer(control)->Widget()->cursor().hotSpot(), QPoint(5, 6));
  // A resource cursor set into the table shows as itself.
  Screen().SetCursors(id + 1, LoadCursor(nullptr, 8000));
  EXPECT_EQ(QtCursor(id + 1).shape(), Qt::BitmapCursor);
  // A standard shape set under another id keeps its shape; an empty entry is the default.
  Screen().SetCursors(id + 2, Screen().Cursors(crHandPoint));
  EXPECT_EQ(QtCursor(id + 2).shape(), Qt::PointingHandCursor);
  Screen().SetCursors(id + 3, nullptr);
  EXPECT_EQ(QtCursor(id + 3).shape(), Qt::ArrowCursor);
  // The standard ids keep Qt's shapes.
  EXPECT_EQ(QtCursor(crHandPoint).shape(), Qt::PointingHandCursor);
}

}  // namespace
