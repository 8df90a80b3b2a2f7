// Spin editors: an edit box with a two-button spinner at its right edge that steps an integer,
// a float, a date, a time or (the second family) a hexadecimal value, by click, by a held
// button that repeats, or by the arrow keys. TCellSpinEdit is the grid's in-cell spin editor;
// TQnSpinEdit serves the print settings and the report windows.
#pragma once

#include <memory>
#include <string>

#include "platform/rtl/date_time.h"
#include "platform/ui/mask_edit.h"
#include "platform/ui/speed_button.h"
#include "platform/ui/timer.h"

enum TQnSpinType { sptNormal, sptFloat, sptDate, sptTime, sptHex };
using TCellSpinType = TQnSpinType;
enum TSpinDirection { spVertical, spHorizontal };
enum TTimeBtnStateItem { tbFocusRect, tbAllowTimer };
using TTimeBtnState = TSet<TTimeBtnStateItem>;

// A speed button that clicks again after 400 ms held down, then every 100 ms.
class TQnTimerSpeedButton : public TSpeedButton {
public:
  explicit TQnTimerSpeedButton(TComponent* AOwner);
  ~TQnTimerSpeedButton() override;

  TTimeBtnState TimeBtnState;
  // 0 left arrow, 1 right arrow, 2 up glyph, 3 down glyph.
  int ArrowKind = 2;
  TTimer* RepeatTimer() const { return FTimer.get(); }
  // One tick of the repeat timer (the timer calls it).
  void TimerExpired();

protected:
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void Paint() override;

private:
  std::unique_ptr<TTimer> FTimer;
};

// The spinner: an up and a down button stacked (or side by side).
class TSpinButtonCore : public TWinControl {
public:
  TSpinButtonCore(TComponent* AOwner, bool QnFamily);
  ~TSpinButtonCore() override;

  TQnTimerSpeedButton& UpButton() { return *FUpButton; }
  TQnTimerSpeedButton& DownButton() { return *FDownButton; }
  TQnTimerSpeedButton* FocusedButton() const { return FFocusedButton; }
  TWinControl* FocusControl() const { return FFocusControl; }
  void SetFocusControl(TWinControl* Value);
  TSpinDirection Direction() const { return FDirection; }
  void SetDirection(TSpinDirection Value);
  // A null glyph loads the family's default bitmap.
  void SetUpGlyph(const TBitmap* Value);
  void SetDownGlyph(const TBitmap* Value);

  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  void WndProc(TMessage& Message) override;

  TNotifyEvent OnUpClick, OnDownClick;

protected:
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void DoEnter() override;
  void DoExit() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  void BtnClick(TQnTimerSpeedButton* Button);
  void BtnMouseDown(TQnTimerSpeedButton* Button);
  void Layout();
  std::unique_ptr<TQnTimerSpeedButton> FUpButton, FDownButton;
  TQnTimerSpeedButton* FFocusedButton = nullptr;
  TWinControl* FFocusControl = nullptr;
  TSpinDirection FDirection = spVertical;
  bool FQnFamily;
};

class TCellSpinButton : public TSpinButtonCore {
public:
  explicit TCellSpinButton(TComponent* AOwner) : TSpinButtonCore(AOwner, false) {}
};
class TQnSpinButton : public TSpinButtonCore {
public:
  explicit TQnSpinButton(TComponent* AOwner) : TSpinButtonCore(AOwner, true) {}
};

class TSpinEditCore : public TCustomMaskEdit {
public:
  TSpinEditCore(TComponent* AOwner, bool QnFamily);
  ~TSpinEditCore() override;

  DWORD EditStyle() const override;

  int MinValue = 0, MaxValue = 0;
  double MinFloatValue = 0, MaxFloatValue = 0;
  TDateTime MinDateValue = 0, MaxDateValue = 0;
  int Increment = 1;
  double IncrementFloat = 0;
  bool EditorEnabled = true;
  bool ReturnIsTab = false;

  TQnSpinType SpinType() const { return FSpinType; }
  void SetSpinType(TQnSpinType Value);
  int Precision() const { return FPrecision; }
  void SetPrecision(int Value);
  TSpinDirection Direction() const { return FButton->Direction(); }
  void SetDirection(TSpinDirection Value);

  int Value() const;
  void SetValue(int NewValue);
  double FloatValue() const;
  void SetFloatValue(double NewValue);
  TDateTime DateValue() const;
  void SetDateValue(TDateTime NewValue);
  TDateTime TimeValue() const;
  void SetTimeValue(TDateTime NewValue);
  int HexValue() const;
  void SetHexValue(int NewValue);

  TSpinButtonCore& Button() { return *FButton; }
  bool Loading = false;
  void Loaded() override;

  virtual bool IsValidChar(char32_t Key);
  virtual void UpClick(TObject* Sender);
  virtual void DownClick(TObject* Sender);

  void WndProc(TMessage& Message) override;

protected:
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void DoEnter() override;
  void DoExit() override;
  void DoCut() override;
  void DoPaste() override;
  void BoundsChanged(bool resized) override;
  void SetEditRect();
  // One step up (+1) or down (-1).
  void Step(int Sign);

private:
  std::unique_ptr<TSpinButtonCore> FButton;
  TQnSpinType FSpinType = sptNormal;
  int FPrecision = 0;
  TDateTime FDateValue = 0, FTimeValue = 0;
  int FHexValue = 0;
  bool FQnFamily;
};

class TCellSpinEdit : public TSpinEditCore {
public:
  explicit TCellSpinEdit(TComponent* AOwner) : TSpinEditCore(AOwner, false) {}
};
class TQnSpinEdit : public TSpinEditCore {
public:
  explicit TQnSpinEdit(TComponent* AOwner) : TSpinEditCore(AOwner, true) {}
};

// The date one year on (or back) from a date: 29 February becomes 28 February in a year
// without it.
TDateTime StepYear(TDateTime Date, int Years);
// A time moved by a step, kept within the day (a step below midnight wraps to the day's end).
TDateTime StepTime(TDateTime Time, double Step);
