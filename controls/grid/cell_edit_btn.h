// Edit controls with a push button inside their right edge: the button part on its own, an
// edit box with that button (typically an ellipsis that opens a chooser), and an edit box for
// a value followed by a unit, whose button drops down the list of units.
#pragma once

#include <memory>
#include <string>

#include "platform/rtl/string_list.h"
#include "platform/ui/edits.h"
#include "platform/ui/speed_button.h"

class TCellEditButton : public TCustomControl {
public:
  explicit TCellEditButton(TComponent* AOwner);
  ~TCellEditButton() override;

  TBitmap& Glyph() { return FButton->Glyph(); }
  void SetGlyph(const TBitmap& Value) { FButton->SetGlyph(Value); }
  const std::string& ButtonCaption() const { return FButton->Caption(); }
  void SetButtonCaption(const std::string& Value) { FButton->SetCaption(Value); }
  int NumGlyphs() const { return FButton->NumGlyphs(); }
  void SetNumGlyphs(int Value) { FButton->SetNumGlyphs(std::clamp(Value, 1, 4)); }
  TWinControl* FocusControl() const { return FFocusControl; }
  void SetFocusControl(TWinControl* Value);
  TSpeedButton& Button() { return *FButton; }

  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  void Loaded() override;

  TNotifyEvent OnClick;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // The button part never keeps the focus: it goes back to the focus control.
  void DoEnter() override;

private:
  void ButtonReleased();
  std::unique_ptr<TSpeedButton> FButton;
  TWinControl* FFocusControl = nullptr;
};

class TCellEditBtn : public TCustomEdit {
public:
  explicit TCellEditBtn(TComponent* AOwner);
  ~TCellEditBtn() override;

  DWORD EditStyle() const override;
  bool EditorEnabled = true;
  bool RightAlign() const { return FRightAlign; }
  void SetRightAlign(bool Value);
  TBitmap& Glyph() { return FButton->Glyph(); }
  const std::string& ButtonCaption() const { return FButton->ButtonCaption(); }
  void SetButtonCaption(const std::string& Value) { FButton->SetButtonCaption(Value); }
  TCellEditButton& Button() { return *FButton; }
  // The typing area: the formatting rectangle left of the unit and the button.
  void SetEditRect();
  int ButtonWidth() const { return FButton->Width(); }

  void WndProc(TMessage& Message) override;

  TNotifyEvent OnClickBtn;

  // Fires OnClickBtn; the unit edit shows its units instead.
  virtual void ClickButton();

protected:
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void DoEnter() override;
  void DoCut() override;
  void DoPaste() override;
  void BoundsChanged(bool resized) override;
  virtual int UnitWidth() const { return 0; }
  void PlaceButton();

private:
  std::unique_ptr<TCellEditButton> FButton;
  bool FRightAlign = false;
};

class TCellUnitEditBtn : public TCellEditBtn {
public:
  explicit TCellUnitEditBtn(TComponent* AOwner);
  ~TCellUnitEditBtn() override;

  TStringList& Units() { return *FUnits; }
  void SetUnits(const TStrings& Value) { FUnits->Assign(&Value); }
  const std::string& UnitID() const { return FUnitID; }
  void SetUnitID(const std::string& Value);
  int UnitSpace() const { return FUnitSpace; }
  void SetUnitSpace(int Value);
  // The rectangle the unit text is drawn in.
  TRect UnitRect() const;

  void ClickButton() override;
  void WndProc(TMessage& Message) override;

protected:
  int UnitWidth() const override { return FUnitSpace; }

private:
  std::unique_ptr<TStringList> FUnits;
  std::string FUnitID;
  int FUnitSpace = 20;
};
