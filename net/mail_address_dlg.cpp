#include "net/mail_address_dlg.h"

#include "net/net_text.h"
#include "platform/ui/edits.h"
#include "platform/ui/std_buttons.h"
#include "platform/ui/std_painted.h"

TMailAddressDlg::TMailAddressDlg(TComponent* AOwner) : TForm(AOwner) {
  SetName("MailAddressDlg");
  SetCaption("Address");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetBounds(0, 0, 340, 150);
  auto place = [this](TControl* C, const std::string& Name, int Left, int Top, int Width, int Height) {
    C->SetName(Name);
    C->SetParent(this);
    C->SetBounds(Left, Top, Width, Height);
  };
  AddressLabel = new TLabel(this);
  place(AddressLabel, "AddressLabel", 12, 15, 60, 17);
  AddressLabel->SetCaption("Address");
  AddressEdit = new TEdit(this);
  place(AddressEdit, "AddressEdit", 78, 12, 240, 23);
  NameLabel = new TLabel(this);
  place(NameLabel, "NameLabel", 12, 47, 60, 17);
  NameLabel->SetCaption("Name");
  NameEdit = new TEdit(this);
  place(NameEdit, "NameEdit", 78, 44, 240, 23);
  AddressLabel->SetFocusControl(AddressEdit);
  NameLabel->SetFocusControl(NameEdit);
  OKButton = new TButton(this);
  place(OKButton, "OKButton", 162, 78, 75, 25);
  OKButton->SetCaption("OK");
  OKButton->SetDefault(true);
  OKButton->SetModalResult(mrOk);
  OKButton->OnClick = [this](TObject*) { OKButtonClick(); };
  CancelButton = new TButton(this);
  place(CancelButton, "CancelButton", 243, 78, 75, 25);
  CancelButton->SetCaption("Cancel");
  CancelButton->SetCancel(true);
  CancelButton->SetModalResult(mrCancel);
  FormCreate();
}

TMailAddressDlg::~TMailAddressDlg() { FormDestroy(); }

void TMailAddressDlg::FormCreate() { MailAddress = new TNetMailAddress; }

void TMailAddressDlg::FormDestroy() {
  delete MailAddress;
  MailAddress = nullptr;
}

void TMailAddressDlg::LoadAddress(const TNetMailAddress& Address) {
  MailAddress->Assign(&Address);
  NameEdit->SetText(MailAddress->Name());
  AddressEdit->SetText(MailAddress->Address());
}

void TMailAddressDlg::OKButtonClick() {
  MailAddress->SetName(Cut255(NameEdit->Text()));
  MailAddress->SetAddress(Cut255(AddressEdit->Text()));
}

bool TNetMailAddress::Edit() {
  TMailAddressDlg Dialog(nullptr);
  Dialog.LoadAddress(*this);
  if (Dialog.ShowModal() != mrOk) return false;
  Assign(Dialog.MailAddress);
  return true;
}
