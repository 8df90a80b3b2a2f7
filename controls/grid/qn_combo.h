// A combo box that can paint itself flat: a thin frame and a flat drop-down button that turn
// three-dimensional while the mouse is over the control or it has the focus.
#pragma once

#include "platform/ui/list_controls.h"

class TQnCustomCombo : public TCustomComboBox {
public:
  explicit TQnCustomCombo(TComponent* AOwner);

  bool Flat() const { return FFlat; }
  void SetFlat(bool Value);
  bool Etched() const { return FEtched; }
  void SetEtched(bool Value);
  bool FocusBorder = false;
  bool AutoFocus = false;
  int ButtonWidth() const { return FButtonWidth; }
  // Only 14 to 32 are taken.
  void SetButtonWidth(int Value);
  int DropWidth() const { return FDropWidth; }
  void SetDropWidth(int Value);
  bool Ctl3D() const { return FCtl3D; }
  bool MouseInControl() const { return FMouseInControl; }

  bool NeedDraw3DBorder() const;
  bool NeedDraw3DButton() const;
  // Draws the flat frame and, unless the style is simple, the button, on a canvas of the
  // whole window.
  void DrawFlat(TCanvas& Canvas);

  void WndProc(TMessage& Message) override;

protected:
  void DoEnter() override;
  void DoExit() override;
  void DropDown() override;
  void CloseUp() override;
  void EnabledChanged() override;
  void Redraw();

private:
  void DrawBorder(TCanvas& Canvas);
  void DrawButton(TCanvas& Canvas);

  bool FFlat = true;
  bool FCtl3D = false;
  bool FEtched = false;
  int FButtonWidth = 18;
  int FDropWidth = 0;
  bool FMouseInControl = false;
  TColor FSavedColor = clWindow;
  bool FSavedParentColor = false;
};

class TQnComboBox : public TQnCustomCombo {
public:
  explicit TQnComboBox(TComponent* AOwner) : TQnCustomCombo(AOwner) {}
};
