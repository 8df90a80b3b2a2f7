// The modal dialog that edits one mail address (its name and address), and the address's Edit.
#pragma once

#include "net/mail_message.h"
#include "platform/ui/forms.h"

class TButton;
class TEdit;
class TLabel;

class TMailAddressDlg : public TForm {
public:
  explicit TMailAddressDlg(TComponent* AOwner);
  ~TMailAddressDlg() override;

  // Copies the address into MailAddress and shows its name and address.
  void LoadAddress(const TNetMailAddress& Address);
  // The edits back into MailAddress, each cut to 255 characters.
  void OKButtonClick();

  TLabel* AddressLabel = nullptr;
  TLabel* NameLabel = nullptr;
  TEdit* AddressEdit = nullptr;
  TEdit* NameEdit = nullptr;
  TButton* OKButton = nullptr;
  TButton* CancelButton = nullptr;
  // The address being edited: the dialog's own, made with the form and freed with it.
  TNetMailAddress* MailAddress = nullptr;

private:
  void FormCreate();
  void FormDestroy();
};
