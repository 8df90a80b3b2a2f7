// Qt backend: the rich edit peer and its document.
#include "platform/qt/qt_backend_parts.h"

void InstallQtRichEdit() {}
