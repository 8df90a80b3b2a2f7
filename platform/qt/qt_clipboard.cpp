// Qt backend: clipboard, drag and drop and the shell.
#include "platform/qt/qt_backend_parts.h"

void InstallQtClipboard() {}
