// Small painted controls: the progress bar and the up-down buttons.
#pragma once

#include <functional>

#include "platform/ui/controls.h"

enum TProgressBarOrientation { pbHorizontal, pbVertical };

class TProgressBar : public TCustomControl {
public:
  explicit TProgressBar(TComponent* AOwner);
  int Min() const { return FMin; }
  void SetMin(int value);
  int Max() const { return FMax; }
  void SetMax(int value);
  // Kept within Min..Max.
  int Position() const { return FPosition; }
  void SetPosition(int value);
  int Step() const { return FStep; }
  void SetStep(int value) { FStep = value; }
  void StepIt() { SetPosition(FPosition + FStep); }
  void StepBy(int delta) { SetPosition(FPosition + delta); }
  TProgressBarOrientation Orientation() const { return FOrientation; }
  void SetOrientation(TProgressBarOrientation value);
  // A smooth bar instead of blocks.
  bool Smooth() const { return FSmooth; }
  void SetSmooth(bool value);
  // The filled part of the client area.
  TRect BarRect() const;

protected:
  void Paint() override;

private:
  int FMin = 0;
  int FMax = 100;
  int FPosition = 0;
  int FStep = 10;
  TProgressBarOrientation FOrientation = pbHorizontal;
  bool FSmooth = false;
};

enum TUDBtnType { btNext, btPrev };
enum TUDOrientation { udHorizontal, udVertical };
enum TUDAlignButton { udLeft, udRight };
using TUDClickEvent = std::function<void(TObject* Sender, TUDBtnType Button)>;
using TUDChangingEvent = std::function<void(TObject* Sender, bool& AllowChange)>;

// Two arrow buttons that step Position; with an Associate it sits at that control's side
// (which gives up the room) and shows the position as its text.
class TUpDown : public TCustomControl {
public:
  explicit TUpDown(TComponent* AOwner);
  TWinControl* Associate() const { return FAssociate; }
  void SetAssociate(TWinControl* value);
  int Min() const { return FMin; }
  void SetMin(int value);
  int Max() const { return FMax; }
  void SetMax(int value);
  // Within Min..Max (either order of the two).
  int Position() const { return FPosition; }
  void SetPosition(int value);
  int Increment() const { return FIncrement; }
  void SetIncrement(int value) { FIncrement = value; }
  // Stepping past one end goes on from the other.
  bool Wrap() const { return FWrap; }
  void SetWrap(bool value) { FWrap = value; }
  TUDOrientation Orientation() const { return FOrientation; }
  void SetOrientation(TUDOrientation value);
  TUDAlignButton AlignButton() const { return FAlignButton; }
  void SetAlignButton(TUDAlignButton value);
  // Thousands separators in the associate's text.
  bool Thousands() const { return FThousands; }
  void SetThousands(bool value);

  // One step as a click of a button does: OnChanging may refuse it; OnClick follows.
  using TCustomControl::Click;
  void Click(TUDBtnType Button);

  TUDClickEvent OnClick;
  TUDChangingEvent OnChanging;

  void WndProc(TMessage& message) override;

protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  TUDBtnType ButtonAt(int X, int Y) const;
  void PlaceAtAssociate();
  void UpdateAssociate();
  void ReadAssociate();
  TWinControl* FAssociate = nullptr;
  int FMin = 0;
  int FMax = 100;
  int FPosition = 0;
  int FIncrement = 1;
  bool FWrap = false;
  TUDOrientation FOrientation = udVertical;
  TUDAlignButton FAlignButton = udRight;
  bool FThousands = true;
  int FPressed = -1;  // the button held down, -1 for none
  bool FRepeating = false;
};
