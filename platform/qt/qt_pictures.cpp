// Qt backend: system icons, image lists and resource cursors.
#include "platform/qt/qt_backend_parts.h"

void InstallQtPictures() {}
