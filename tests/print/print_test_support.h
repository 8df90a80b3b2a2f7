// What the page engine's tests share: the headless backend with no printer, and a modal script
// that fails the test on any question it does not expect.
#pragma once

#include <gtest/gtest.h>

#include "platform/gfx/printer.h"
#include "platform/headless/headless_peer.h"
#include "platform/headless/headless_printing.h"
#include "platform/headless/headless_modal.h"

class TPrintTestScript : public THeadlessModalScript {
public:
  TPrintTestScript() {
    OnFailure = [](const std::string& message) { ADD_FAILURE() << "modal script: " << message; };
  }
};

class PrintTest : public ::testing::Test {
protected:
  void SetUp() override {
    InstallHeadlessBackend();
    RemovePrintDevices();
  }
  void TearDown() override { RemovePrintDevices(); }
};
