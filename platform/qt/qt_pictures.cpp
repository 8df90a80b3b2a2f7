// Qt backend: system icons (QFileIconProvider; QMimeDatabase with the icon theme for kinds of
// file; fixed style pixmaps by index) and resource cursors.
#include "platform/qt/qt_pictures.h"

#include <QApplication>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QIcon>
#include <QMimeDatabase>
#include <QPixmap>
#include <QStyle>
#include <cstring>

#include "platform/gfx/image_list.h"
#include "platform/qt/qt_backend_parts.h"

namespace {

// The fixed icons by index, in the order of the shell's own list: unknown file, document,
// program, closed and open folder, drives, the computer, the desktop, the bin.
const QStyle::StandardPixmap kStandard[] = {
    QStyle::SP_FileIcon,       QStyle::SP_FileIcon,      QStyle::SP_ComputerIcon, QStyle::SP_DirClosedIcon,
    QStyle::SP_DirOpenIcon,    QStyle::SP_DriveFDIcon,   QStyle::SP_DriveFDIcon,  QStyle::SP_DriveHDIcon,
    QStyle::SP_DriveNetIcon,   QStyle::SP_DriveNetIcon,  QStyle::SP_DriveCDIcon,  QStyle::SP_DriveHDIcon,
    QStyle::SP_DesktopIcon,    QStyle::SP_DirIcon,       QStyle::SP_ComputerIcon, QStyle::SP_ComputerIcon,
    QStyle::SP_DesktopIcon,    QStyle::SP_TrashIcon,
};

bool FromIcon(const QIcon& qicon, int size, TIcon& icon) {
  if (qicon.isNull()) return false;
  QPixmap pixmap = qicon.pixmap(size, size);
  if (pixmap.isNull()) return false;
  IconFromImage(pixmap.toImage(), size, icon);
  return !icon.Empty();
}

class TQtSystemIcons : public TSystemIconSource {
public:
  int StandardCount() override { return static_cast<int>(std::size(kStandard)); }

  bool StandardIcon(int index, int size, TIcon& icon) override {
    if (index < 0 || index >= StandardCount() || !QApplication::style()) return false;
    return FromIcon(QApplication::style()->standardIcon(kStandard[index]), size, icon);
  }

  bool FileIcon(const std::string& path, int size, TIcon& icon) override {
    return FromIcon(FProvider.icon(QFileInfo(QString::fromStdString(path))), size, icon);
  }

  bool TypeIcon(const std::string& name, bool folder, int size, TIcon& icon) override {
    if (folder) return FromIcon(FProvider.icon(QAbstractFileIconProvider::Folder), size, icon);
    QMimeType mime = FMimes.mimeTypeForFile(QString::fromStdString(name), QMimeDatabase::MatchExtension);
    QIcon themed = QIcon::fromTheme(mime.iconName(), QIcon::fromTheme(mime.genericIconName()));
    if (FromIcon(themed, size, icon)) return true;
    return FromIcon(FProvider.icon(QAbstractFileIconProvider::File), size, icon);
  }

private:
  QFileIconProvider FProvider;
  QMimeDatabase FMimes;
};

}  // namespace

void IconFromImage(const QImage& image, int size, TIcon& icon) {
  QImage argb = image.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                    .convertToFormat(QImage::Format_ARGB32);
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(size) * size);
  for (int y = 0; y < size; ++y)
    std::memcpy(pixels.data() + static_cast<std::size_t>(y) * size, argb.constScanLine(y),
                static_cast<std::size_t>(size) * 4);
  icon.SetImage(size, size, std::move(pixels));
}

QCursor QtCursor(HCURSOR cursor) {
  if (!cursor || cursor->Width <= 0 || cursor->Height <= 0) return QCursor(Qt::ArrowCursor);
  QImage image(cursor->Width, cursor->Height, QImage::Format_ARGB32);
  for (int y = 0; y < cursor->Height; ++y)
    std::memcpy(image.scanLine(y), cursor->Pixels.data() + static_cast<std::size_t>(y) * cursor->Width,
                static_cast<std::size_t>(cursor->Width) * 4);
  return QCursor(QPixmap::fromImage(image), cursor->HotSpot.X, cursor->HotSpot.Y);
}

void InstallQtPictures() { SetSystemIconSource(std::make_unique<TQtSystemIcons>()); }
