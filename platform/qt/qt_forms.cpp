// Qt backend: form windows, the modal service, menus, hints and the screen.
#include "platform/qt/qt_backend_parts.h"

void InstallQtForms() {}
