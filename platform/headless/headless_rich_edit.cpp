// Headless backend: the run-list rich-text document.
#include "platform/headless/headless_backend_parts.h"

void InstallHeadlessRichEdit() {}
