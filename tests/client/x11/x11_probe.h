// What the in-process X test programs of the record window share: where a control is on the
// screen ("at NAME X Y" lines of their logs), a web server launcher that does nothing, and a
// transport that writes every request and the size of its reply to standard error, for the log
// of a failed run.
#pragma once

#include <cstdio>
#include <fstream>
#include <string>

#include "tests/client/core/client_fixture.h"

namespace x11_probe {

inline std::string At(const std::string& Name, TPoint P) {
  return "at " + Name + " " + std::to_string(P.X) + " " + std::to_string(P.Y);
}
inline TPoint Centre(TControl* C) { return C->ClientToScreen({C->Width() / 2, C->Height() / 2}); }

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

}  // namespace x11_probe
