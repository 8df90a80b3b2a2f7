// The find dialog's form: a modeless window of ours that stays on top of the program, with the
// text to find, two match options, the direction and the Find Next / Cancel buttons. Its
// controls carry names ("FindWhat", "WholeWord", "MatchCase", "Up", "Down", "FindNext",
// "Cancel"), so a test's script finds them on the form it is handed.
#include "platform/ui/dialogs.h"

#include "platform/ui/edits.h"
#include "platform/ui/std_buttons.h"
#include "platform/ui/std_painted.h"

class TFindForm : public TForm {
public:
  explicit TFindForm(TFindDialog& dialog) : TForm(nullptr), FDialog(dialog) {
    SetName("FindDialog");
    SetCaption("Find");
    SetBorderStyle(bsDialog);
    SetBorderIcons(TBorderIcons{biSystemMenu});
    SetFormStyle(fsStayOnTop);
    SetBounds(0, 0, 351, 104);
    Label = Make<TLabel>(this, "FindWhatLabel", Rect(6, 12, 64, 25), "Fi&nd what:");
    FindWhat = Make<TEdit>(this, "FindWhat", Rect(68, 8, 262, 29), "");
    Label->SetFocusControl(FindWhat);
    WholeWord = Make<TCheckBox>(this, "WholeWord", Rect(6, 40, 156, 57), "Match &whole word only");
    MatchCase = Make<TCheckBox>(this, "MatchCase", Rect(6, 66, 156, 83), "Match &case");
    Direction = Make<TGroupBox>(this, "Direction", Rect(162, 34, 262, 84), "Direction");
    Up = Make<TRadioButton>(Direction, "Up", Rect(8, 20, 46, 37), "&Up");
    Down = Make<TRadioButton>(Direction, "Down", Rect(48, 20, 96, 37), "&Down");
    FindNextButton = Make<TButton>(this, "FindNext", Rect(270, 8, 345, 31), "&Find Next");
    FindNextButton->SetDefault(true);
    CancelButton = Make<TButton>(this, "Cancel", Rect(270, 37, 345, 60), "Cancel");
    CancelButton->SetCancel(true);

    FindWhat->OnChange = [this](TObject*) { FindNextButton->SetEnabled(!FindWhat->Text().empty()); };
    FindNextButton->OnClick = [this](TObject*) { FDialog.FindNext(); };
    CancelButton->OnClick = [this](TObject*) { Close(); };
    OnClose = [this](TObject*, TCloseAction& action) {
      action = caHide;
      if (FDialog.OnClose) FDialog.OnClose(&FDialog);
    };
  }

  // The dialog's text and options into the controls.
  void Load() {
    FindWhat->SetText(FDialog.FFindText);
    FindWhat->SelectAll();
    FindNextButton->SetEnabled(!FDialog.FFindText.empty());
    TFindOptions o = FDialog.FOptions;
    Place(WholeWord, o.Contains(frWholeWord), o.Contains(frHideWholeWord), o.Contains(frDisableWholeWord));
    Place(MatchCase, o.Contains(frMatchCase), o.Contains(frHideMatchCase), o.Contains(frDisableMatchCase));
    Direction->SetVisible(!o.Contains(frHideUpDown));
    Direction->SetEnabled(!o.Contains(frDisableUpDown));
    Up->SetEnabled(!o.Contains(frDisableUpDown));
    Down->SetEnabled(!o.Contains(frDisableUpDown));
    (o.Contains(frDown) ? Down : Up)->SetChecked(true);
    SetActiveControl(FindWhat);
  }

  // The controls into the dialog's text and options.
  void Store() {
    FDialog.FFindText = FindWhat->Text();
    TFindOptions& o = FDialog.FOptions;
    o >> frWholeWord >> frMatchCase >> frDown;
    if (WholeWord->Checked()) o << frWholeWord;
    if (MatchCase->Checked()) o << frMatchCase;
    if (Down->Checked()) o << frDown;
  }

  TLabel* Label;
  TEdit* FindWhat;
  TCheckBox* WholeWord;
  TCheckBox* MatchCase;
  TGroupBox* Direction;
  TRadioButton* Up;
  TRadioButton* Down;
  TButton* FindNextButton;
  TButton* CancelButton;

private:
  template <typename T> T* Make(TWinControl* parent, const char* name, TRect r, const char* caption) {
    T* c = new T(this);
    c->SetName(name);
    c->SetParent(parent);
    c->SetBounds(r.Left, r.Top, r.Width(), r.Height());
    if (*caption) c->SetCaption(caption);
    return c;
  }
  static void Place(TCheckBox* box, bool checked, bool hidden, bool disabled) {
    box->SetChecked(checked);
    box->SetVisible(!hidden);
    box->SetEnabled(!disabled);
  }

  TFindDialog& FDialog;
};

TFindDialog::TFindDialog(TComponent* AOwner) : TCommonDialog(AOwner) {}

TFindDialog::~TFindDialog() { delete FForm; }

void TFindDialog::SetFindText(const std::string& v) {
  FFindText = v;
  if (FForm) FForm->FindWhat->SetText(v);
}

void TFindDialog::SetOptions(TFindOptions v) {
  FOptions = v;
  if (FForm) FForm->Load();
}

TCustomForm* TFindDialog::Form() const { return FForm; }

bool TFindDialog::Execute() {
  if (!FForm) FForm = new TFindForm(*this);
  if (FPosition.X >= 0 && FPosition.Y >= 0) {
    FForm->SetPosition(poDesigned);
    FForm->SetBounds(FPosition.X, FPosition.Y, FForm->Width(), FForm->Height());
  } else {
    FForm->SetPosition(poScreenCenter);
  }
  FForm->Load();
  if (OnShow) OnShow(this);
  FForm->Show();
  ModalService().DialogShown(mkFind, *FForm);
  return true;
}

void TFindDialog::CloseDialog() {
  if (FForm && FForm->Visible()) FForm->Close();
}

void TFindDialog::FindNext() {
  if (FForm) FForm->Store();
  FOptions << frFindNext;
  if (OnFind) OnFind(this);
}
