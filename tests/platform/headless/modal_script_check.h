// A headless modal script whose surprises fail the running test: an unscripted or mismatched
// interaction, or an expectation that never came, is an ADD_FAILURE with its description.
#pragma once

#include <gtest/gtest.h>

#include "platform/headless/headless_modal.h"

class TCheckedModalScript : public THeadlessModalScript {
public:
  TCheckedModalScript() {
    OnFailure = [](const std::string& message) { ADD_FAILURE() << "modal script: " << message; };
  }
};
