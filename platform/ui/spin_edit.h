// The spin edit: an edit of a whole number between MinValue and MaxValue (no limit when they
// are equal), stepped by Increment with the arrow keys or the peer's buttons.
#pragma once

#include "platform/ui/edits.h"

class TSpinEdit : public TCustomEdit {
public:
  explicit TSpinEdit(TComponent* AOwner);
  ~TSpinEdit() override;

  std::string WindowClass() const override { return "SPINEDIT"; }

  int MinValue() const { return FMinValue; }
  void SetMinValue(int value);
  int MaxValue() const { return FMaxValue; }
  void SetMaxValue(int value);
  int Increment() const { return FIncrement; }
  void SetIncrement(int value);
  // The text as a number (MinValue when it is none), kept in range.
  int Value() const;
  void SetValue(int value);
  bool EditorEnabled() const { return FEditorEnabled; }
  void SetEditorEnabled(bool value) { FEditorEnabled = value; }

  void UpClick();
  void DownClick();
  // Report of a native peer: its buttons stepped `steps` times (negative: down).
  void PeerStep(int steps);

protected:
  void PushState() override;
  bool EditChar(char32_t key) override;
  bool EditKey(WORD key, TShiftState shift) override;
  void DoExit() override;

private:
  int Limit(long long value) const;
  void PushRange();

  int FMinValue = 0;
  int FMaxValue = 0;
  int FIncrement = 1;
  bool FEditorEnabled = true;
};
