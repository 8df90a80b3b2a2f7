// Headless backend: the scripted modal service and the fixed screen.
#include "platform/headless/headless_backend_parts.h"
#include "platform/headless/headless_modal.h"
#include "platform/ui/scroll_bars.h"
#include "platform/ui/screen.h"

void InstallHeadlessForms() {
  SetModalService(std::make_unique<THeadlessModalService>());
  SetScreenService(std::make_unique<TScreenService>());
  RegisterCommonControlsModule();
}
