// Headless backend: the clipboard table, drag source and shell record.
#include "platform/headless/headless_backend_parts.h"

void InstallHeadlessClipboard() {}
