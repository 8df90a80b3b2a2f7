// Qt backend: the native peers of the standard controls.
#include "platform/qt/qt_backend_parts.h"

void InstallQtStandardPeers() {}
