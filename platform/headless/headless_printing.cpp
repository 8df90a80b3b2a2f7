// Headless backend: the fixed font list and the recording printer.
#include "platform/headless/headless_backend_parts.h"

void InstallHeadlessPrinting() {}
