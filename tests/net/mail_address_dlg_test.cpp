// The mail address dialog and TNetMailAddress::Edit on the headless backend, used as a person
// would: typing into its edits, clicking its buttons, Enter and Escape.
#include "net/mail_address_dlg.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/headless/event_loop_poll.h"
#include "platform/headless/headless_peer.h"
#include "platform/headless/modal_script_check.h"
#include "platform/ui/application.h"
#include "platform/ui/edits.h"
#include "platform/ui/std_buttons.h"
#include "platform/ui/std_painted.h"
#include "tests/platform/headless/headless_application.h"

namespace {

class MailAddressDlgTest : public ::testing::Test {
protected:
  void SetUp() override {
    Loop = NewHeadlessApplication(App);
    Address.SetName("Ann Smith");
    Address.SetAddress("ann@example.com");
  }
  void TearDown() override { delete App; }

  // Edits the address; `Use` works the dialog through the loop, as a person's input arrives.
  bool EditWith(std::function<void(TMailAddressDlg&)> Use) {
    TCheckedModalScript Script;
    Script.ExpectForm("Address", [&](TCustomForm& F) {
      auto& D = dynamic_cast<TMailAddressDlg&>(F);
      Shown = {D.NameEdit->Text(), D.AddressEdit->Text()};
      Loop->Post([&D, Use] { Use(D); });
    });
    return Address.Edit();
  }
  static void Retype(TEdit& Edit, const std::string& Text) {
    Edit.SelectAll();
    HeadlessInput::Type(Edit, Text);
  }

  TApplication* App = nullptr;
  TPollEventLoop* Loop = nullptr;
  TNetMailAddress Address;
  std::pair<std::string, std::string> Shown;
};

TEST_F(MailAddressDlgTest, TheDialogAsBuilt) {
  TMailAddressDlg D(nullptr);
  EXPECT_EQ(D.Caption(), "Address");
  EXPECT_EQ(D.BorderStyle(), bsDialog);
  EXPECT_EQ(D.AddressLabel->Caption(), "Address");
  EXPECT_EQ(D.NameLabel->Caption(), "Name");
  EXPECT_EQ(D.OKButton->Caption(), "OK");
  EXPECT_TRUE(D.OKButton->Default());
  EXPECT_EQ(D.OKButton->ModalResult(), 1);
  EXPECT_EQ(D.CancelButton->Caption(), "Cancel");
  EXPECT_TRUE(D.CancelButton->Cancel());
  EXPECT_EQ(D.CancelButton->ModalResult(), 2);
  ASSERT_NE(D.MailAddress, nullptr);
  // Loading copies: the dialog's address is its own.
  D.LoadAddress(Address);
  EXPECT_NE(D.MailAddress, &Address);
  EXPECT_EQ(D.NameEdit->Text(), "Ann Smith");
  EXPECT_EQ(D.AddressEdit->Text(), "ann@example.com");
  D.NameEdit->SetText(std::string(300, 'n'));
  D.OKButtonClick();
  EXPECT_EQ(D.MailAddress->Name(), std::string(255, 'n'));
  EXPECT_EQ(Address.Name(), "Ann Smith");
}

TEST_F(MailAddressDlgTest, OKTakesTheEditsBackAndCancelLeavesTheAddress) {
  EXPECT_TRUE(EditWith([](TMailAddressDlg& D) {
    Retype(*D.NameEdit, "Bob Jones");
    Retype(*D.AddressEdit, "bob@example.org");
    HeadlessInput::Click(*D.OKButton, 10, 10);
  }));
  EXPECT_EQ(Shown, (std::pair<std::string, std::string>{"Ann Smith", "ann@example.com"}));
  EXPECT_EQ(Address.Name(), "Bob Jones");
  EXPECT_EQ(Address.Address(), "bob@example.org");

  EXPECT_FALSE(EditWith([](TMailAddressDlg& D) {
    Retype(*D.NameEdit, "Nobody");
    HeadlessInput::Click(*D.CancelButton, 10, 10);
  }));
  EXPECT_EQ(Address.Name(), "Bob Jones");
  EXPECT_EQ(Address.Address(), "bob@example.org");
}

TEST_F(MailAddressDlgTest, EnterIsOKAndEscapeIsCancel) {
  EXPECT_TRUE(EditWith([](TMailAddressDlg& D) {
    Retype(*D.AddressEdit, "carol@example.net");
    HeadlessInput::Key(*D.AddressEdit, VK_RETURN);
  }));
  EXPECT_EQ(Address.Address(), "carol@example.net");
  EXPECT_EQ(Address.Name(), "Ann Smith");
  EXPECT_FALSE(EditWith([](TMailAddressDlg& D) {
    Retype(*D.NameEdit, "Dan");
    HeadlessInput::Key(*D.NameEdit, VK_ESCAPE);
  }));
  EXPECT_EQ(Address.Name(), "Ann Smith");
}

}  // namespace
