// Qt backend: printers, the "PDF" printer and font enumeration.
#include "platform/qt/qt_backend_parts.h"

void InstallQtPrinting() {}
