// What the in-process X test programs of the record window share: where a control is on the
// screen ("at NAME X Y" lines of their logs), a web server launcher that does nothing, and a
// transport that writes every request and the size of its reply to standard error, for the log
// of a failed run.
#pragma once

#include <QApplication>

#include <cstdio>
#include <fstream>
#include <string>

#include "client/core/definition_template.h"
#include "client/view.h"
#include "platform/qt/qt_window_peer.h"
#include "tests/client/core/client_fixture.h"

namespace x11_probe {

// The program's command line (ROOT LOG: the installation folder and the log's name) and its Qt
// application with the desktop backend installed; Valid is false for a wrong command line.
struct TProgram {
  TProgram(int& argc, char** argv)
      : Valid(argc >= 3), Root(Valid ? argv[1] : ""), LogName(Valid ? argv[2] : ""), App(argc, argv) {
    InstallQtBackend();
  }
  const bool Valid;
  const fs::path Root;
  const std::string LogName;
  QApplication App;
};

inline std::string At(const std::string& Name, TPoint P) {
  return "at " + Name + " " + std::to_string(P.X) + " " + std::to_string(P.Y);
}
inline TPoint Centre(TControl* C) { return C->ClientToScreen({C->Width() / 2, C->Height() / 2}); }

// Replaces LOG.state whole by Text (the script reads it at any moment).
inline void WriteState(const std::string& LogName, const std::string& Text) {
  std::ofstream(LogName + ".state.new", std::ios::trunc) << Text;
  std::rename((LogName + ".state.new").c_str(), (LogName + ".state").c_str());
}

// bin/hmserv of the installation under Root: the client starts it, and it does nothing.
inline void InstallNullWebServer(const fs::path& Root) {
  fs::create_directories(Root / "bin");
  std::ofstream(Root / "bin" / "hmserv") << "#!/bin/sh\nexit 0\n";
  fs::permissions(Root / "bin" / "hmserv", fs::perms::owner_all);
}

struct TTrace : TServerTransport {
  TServerTransport& Inner;
  explicit TTrace(TServerTransport& I) : Inner(I) {}
  std::string Send(const TClientRequest& R) override {
    std::string Reply = Inner.Send(R);
    fprintf(stderr, "%s -> %zu bytes\n", R.UserAgent.c_str(), Reply.size());
    return Reply;
  }
};

// The record window over a database served in-process under Root (the shipped definition, a web
// server launcher that does nothing, every request traced), without its login window: Open
// opens the database and fits the window to the definition; false when that failed.
struct TServedView {
  explicit TServedView(const fs::path& Root)
      : Db(Root), Trace(Db.Recorder), Installed((InstallNullWebServer(Root), true)),
        View(nullptr, Options(Root, Trace)) {
    View.LoginFlag = true;
    View.Session->ServerURL = Db.Session.ServerURL;
    View.Session->DatabaseName = Db.Session.DatabaseName;
  }
  bool Open() {
    TTemplateData Definition(GetDatabaseFileName(View.ProgramFolder));
    return View.Logic->OpenDatabase([&] { View.FitWindow(Definition); });
  }
  static TViewOptions Options(const fs::path& Root, TServerTransport& Transport) {
    TViewOptions O;
    O.Transport = &Transport;
    O.ProgramFolder = Root.string() + "/";
    return O;
  }
  TServedDatabase Db;
  TTrace Trace;
  bool Installed;  // the launcher is there before the window starts it
  TView View;
};

}  // namespace x11_probe
