// Headless backend: the scripted modal service and the screen.
#include "platform/headless/headless_backend_parts.h"

void InstallHeadlessForms() {}
