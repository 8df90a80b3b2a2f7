// The login window answered as a person does: the database's name typed, then Login.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "client/password_form.h"
#include "client/view.h"
#include "tests/platform/headless/modal_script_check.h"

// The script's next window is the login window: Database typed, Also done in it (if given), then
// Login clicked.
inline void ExpectLogin(TCheckedModalScript& Script, const std::string& Database,
                        std::function<void(TPasswordForm&)> Also = nullptr) {
  Script.ExpectForm("Login", [Database, Also](TCustomForm& F) {
    auto& Form = dynamic_cast<TPasswordForm&>(F);
    Form.Database->SetText(Database);
    if (Also) Also(Form);
    Form.LoginBtn->Click();
  });
}

// The view's Database Login through its login window; a fatal failure unless it logged in.
inline void LogIn(TView& View, const std::string& Database) {
  TCheckedModalScript Script;
  ExpectLogin(Script, Database);
  View.DatabaseLogin();
  ASSERT_TRUE(View.LoginFlag);
}
