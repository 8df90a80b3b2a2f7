// qnclient: the desktop client. Starts the application on the desktop backend, creates the
// main window (which starts the local web server and runs the login on its first activation)
// and runs the message loop until the main window closes.
#include <cstdio>
#include <cstdlib>

#include "client/view.h"
#include "platform/qt/qt_program.h"
#include "platform/sys/process.h"
#include "platform/ui/application.h"
#include "platform/ui/screen.h"

int main(int argc, char** argv) {
  const char* display = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  if ((!display || !*display) && (!wayland || !*wayland) && (!platform || !*platform)) {
    std::fprintf(stderr, "qnclient: no display to show its windows on (DISPLAY is not set)\n");
    return 1;
  }
  InitProcess(argc, argv);
  TQtProgram toolkit(argc, argv);
  TApplication& application = GetApplication();
  application.Initialize();
  application.SetTitle("Quillon Client");
  TView* view = nullptr;
  application.CreateForm(view);
  // The login window opens over the main window at once: it is drawn first.
  PaintAfterOtherWindow(*view);
  application.Run();
  // A quit from outside (the desktop's logout, SIGTERM) ends the loop without the window's close:
  // it runs here, so that the shown record is saved and the servers stop in order.
  for (int i = 0; i < Screen().FormCount(); ++i)
    if (auto* open = dynamic_cast<TView*>(Screen().Forms(i)); open && open->LoginFlag) {
      bool canClose = true;
      open->FormCloseQuery(canClose);
      break;
    }
  // The windows go while the desktop backend is still there.
  delete Application;
  Application = nullptr;
  return 0;
}
