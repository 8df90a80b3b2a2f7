// The tests' application is the program's: posted messages and titles go through it.
#pragma once

#include <memory>

#include "platform/headless/event_loop_poll.h"
#include "platform/headless/headless_peer.h"
#include "platform/ui/application.h"

// The headless backend installed and App made the program's application in place of any earlier
// one, on a poll loop of its own; gives the loop (App owns it). The test deletes App at its end.
inline TPollEventLoop* NewHeadlessApplication(TApplication*& App) {
  InstallHeadlessBackend();
  delete Application;
  App = new TApplication;
  auto Loop = std::make_unique<TPollEventLoop>(false);
  TPollEventLoop* Given = Loop.get();
  App->SetLoop(std::move(Loop));
  return Given;
}
