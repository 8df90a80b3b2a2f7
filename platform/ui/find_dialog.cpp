// The find dialog's form: a modeless window of ours that stays on top of the program.
#include "platform/ui/dialogs.h"

class TFindForm : public TForm {
public:
  explicit TFindForm(TFindDialog& dialog) : TForm(nullptr), FDialog(dialog) {
    SetCaption("Find");
    SetBorderStyle(bsDialog);
    SetBorderIcons(TBorderIcons{biSystemMenu});
    SetFormStyle(fsStayOnTop);
    SetBounds(0, 0, 351, 104);
    SetKeyPreview(true);
    OnClose = [this](TObject*, TCloseAction& action) {
      action = caHide;
      if (FDialog.OnClose) FDialog.OnClose(&FDialog);
    };
    OnKeyDown = [this](TObject*, WORD& key, TShiftState shift) {
      if (key == VK_ESCAPE && shift.Empty()) {
        key = 0;
        Close();
      } else if (key == VK_RETURN && shift.Empty()) {
        key = 0;
        FDialog.FindNext();
      }
    };
  }

private:
  TFindDialog& FDialog;
};

TFindDialog::TFindDialog(TComponent* AOwner) : TCommonDialog(AOwner) {}

TFindDialog::~TFindDialog() { delete FForm; }

void TFindDialog::SetFindText(const std::string& v) { FFindText = v; }

void TFindDialog::SetOptions(TFindOptions v) { FOptions = v; }

TCustomForm* TFindDialog::Form() const { return FForm; }

bool TFindDialog::Execute() {
  if (!FForm) FForm = new TFindForm(*this);
  if (FPosition.X >= 0 && FPosition.Y >= 0) {
    FForm->SetPosition(poDesigned);
    FForm->SetBounds(FPosition.X, FPosition.Y, FForm->Width(), FForm->Height());
  } else {
    FForm->SetPosition(poScreenCenter);
  }
  if (OnShow) OnShow(this);
  FForm->Show();
  return true;
}

void TFindDialog::CloseDialog() {
  if (FForm && FForm->Visible()) FForm->Close();
}

void TFindDialog::FindNext() {
  FOptions << frFindNext;
  if (OnFind) OnFind(this);
}
