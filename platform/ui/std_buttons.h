// Push buttons, check boxes, radio buttons, group boxes and radio groups. A check box fires
// OnClick for every change of its state, from the user or from code; a radio button fires it
// when it becomes checked, and turns off the radio buttons beside it on the same parent.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/string_list.h"
#include "platform/ui/native_control.h"

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

// What the buttons share: the caption goes to the peer, space clicks, BM_CLICK clicks.
class TButtonControl : public TNativeControl {
public:
  explicit TButtonControl(TComponent* AOwner);
  void SetText(const std::string& value) override;
  void WndProc(TMessage& message) override;

  // Report of a native peer: the user clicked the button.
  void PeerClicked() { UserClick(); }

protected:
  void PushState() override;
  virtual int CheckState() const { return 0; }
};

class TButton : public TButtonControl {
public:
  explicit TButton(TComponent* AOwner);
  ~TButton() override;

  std::string WindowClass() const override { return "BUTTON"; }

  bool Default() const { return FDefault; }
  void SetDefault(bool value);
  bool Cancel() const { return FCancel; }
  void SetCancel(bool value) { FCancel = value; }
  // Clicking a button with a ModalResult sets it on the button's form (ending a modal run).
  TModalResult ModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult value) { FModalResult = value; }

  void Click() override;
  void WndProc(TMessage& message) override;

protected:
  void PushState() override;

private:
  bool FDefault = false;
  bool FCancel = false;
  TModalResult FModalResult = mrNone;
};

class TCustomCheckBox : public TButtonControl {
public:
  explicit TCustomCheckBox(TComponent* AOwner);
  ~TCustomCheckBox() override;

  std::string WindowClass() const override { return "CHECKBOX"; }

  TCheckBoxState State() const { return FState; }
  void SetState(TCheckBoxState value);
  bool Checked() const { return FState == cbChecked; }
  void SetChecked(bool value) { SetState(value ? cbChecked : cbUnchecked); }
  bool AllowGrayed() const { return FAllowGrayed; }
  void SetAllowGrayed(bool value) { FAllowGrayed = value; }
  // The next state a click gives.
  virtual void Toggle();

protected:
  void UserClick() override { Toggle(); }
  int CheckState() const override { return static_cast<int>(FState); }

private:
  TCheckBoxState FState = cbUnchecked;
  bool FAllowGrayed = false;
};

class TCheckBox : public TCustomCheckBox {
public:
  explicit TCheckBox(TComponent* AOwner) : TCustomCheckBox(AOwner) {}
};

class TRadioButton : public TButtonControl {
public:
  explicit TRadioButton(TComponent* AOwner);
  ~TRadioButton() override;

  std::string WindowClass() const override { return "RADIOBUTTON"; }

  bool Checked() const { return FChecked; }
  void SetChecked(bool value);

protected:
  void UserClick() override { SetChecked(true); }
  int CheckState() const override { return FChecked ? 1 : 0; }

private:
  bool FChecked = false;
};

// A frame with a caption around other controls; painted by our own code.
class TCustomGroupBox : public TCustomControl {
public:
  explicit TCustomGroupBox(TComponent* AOwner);
  // The area inside the frame, below the caption.
  TRect InnerRect();

protected:
  void Paint() override;
};

class TGroupBox : public TCustomGroupBox {
public:
  explicit TGroupBox(TComponent* AOwner) : TCustomGroupBox(AOwner) {}
};

// A group box holding one radio button per item; ItemIndex is the checked one. OnClick fires
// for every change of ItemIndex.
class TCustomRadioGroup : public TCustomGroupBox {
public:
  explicit TCustomRadioGroup(TComponent* AOwner);
  ~TCustomRadioGroup() override;

  TStrings& Items() { return *FItems; }
  void SetItems(const TStrings& value) { FItems->Assign(&value); }
  int ItemIndex() const { return FItemIndex; }
  void SetItemIndex(int value);
  int Columns() const { return FColumns; }
  void SetColumns(int value);
  TRadioButton* Buttons(int index) const;
  int ButtonCount() const { return static_cast<int>(FButtons.size()); }

protected:
  void Resize() override;
  // The buttons' windows come with the group's.
  void CreateWnd() override;

private:
  void ItemsChanged();
  void ArrangeButtons();
  void ButtonClicked(TRadioButton* button);

  std::unique_ptr<TStringList> FItems;
  std::vector<TRadioButton*> FButtons;  // owned by the group as components
  int FItemIndex = -1;
  int FColumns = 1;
  bool FUpdating = false;
};

class TRadioGroup : public TCustomRadioGroup {
public:
  explicit TRadioGroup(TComponent* AOwner) : TCustomRadioGroup(AOwner) {}
};
