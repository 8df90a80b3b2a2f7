// The Qt backend's pictures (the program's Qt environment is set up by qt_backend_test.cpp):
// system icons from Qt for folders, files and kinds of file, and resource cursors as QCursors.
#include <gtest/gtest.h>

#include <QBitmap>
#include <QPixmap>
#include <unistd.h>

#include "platform/gfx/image_list.h"
#include "platform/qt/qt_pictures.h"
#include "tests/temp_path.h"

namespace {

int VisiblePixels(const TIcon& icon) {
  int n = 0;
  for (std::uint32_t p : icon.Pixels()) n += (p >> 24) > 0;
  return n;
}

TEST(QtPictures, SystemIconsComeFromQt) {
  std::string dir = TempPath("qn_icons_XXXXXX");
  ASSERT_TRUE(mkdtemp(dir.data()));
  SHFILEINFO folder, type;
  SHGetFileInfo(dir.c_str(), 0, &folder, sizeof folder, SHGFI_ICON | SHGFI_SMALLICON);
  SHGetFileInfo("letter.txt", FILE_ATTRIBUTE_NORMAL, &type, sizeof type, SHGFI_ICON | SHGFI_USEFILEATTRIBUTES);
  ASSERT_NE(folder.hIcon, nullptr);
  ASSERT_NE(type.hIcon, nullptr);
  EXPECT_EQ(folder.hIcon->Width(), 16);
  EXPECT_EQ(type.hIcon->Width(), 32);
  EXPECT_GT(VisiblePixels(*folder.hIcon), 16);
  EXPECT_GT(VisiblePixels(*type.hIcon), 16);
  DestroyIcon(folder.hIcon);
  DestroyIcon(type.hIcon);
  // The fixed icons by index: a closed folder (3) differs from the file (0).
  TImageList& large = SystemImageList(false);
  ASSERT_GT(large.Count(), 4);
  EXPECT_NE(large.Pixels(0), large.Pixels(3));
  rmdir(dir.c_str());
}

TEST(QtPictures, ResourceCursorsBecomeQtCursorsWithTheirHotSpot) {
  HCURSOR pan = LoadCursor(nullptr, 8000);
  ASSERT_NE(pan, nullptr);
  QCursor cursor = QtCursor(pan);
  EXPECT_EQ(cursor.shape(), Qt::BitmapCursor);
  EXPECT_EQ(cursor.hotSpot(), QPoint(pan->HotSpot.X, pan->HotSpot.Y));
  QImage image = cursor.pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
  ASSERT_EQ(image.width(), pan->Width);
  EXPECT_EQ(image.pixel(15, 15), pan->PixelAt(15, 15));
  EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
  EXPECT_EQ(QtCursor(nullptr).shape(), Qt::ArrowCursor);
}

}  // namespace
