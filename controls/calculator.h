// TCalculator: an adding machine with a paper tape. The engine (TCalculatorEngine) takes key
// codes and keeps the tape; the window TTheCalculator shows its display, tape and keys and is
// built at every Execute, shown modally and freed before it returns.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "controls/oval_button.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/edits.h"
#include "platform/ui/forms.h"
#include "platform/ui/small_controls.h"
#include "platform/ui/std_buttons.h"
#include "platform/ui/std_painted.h"

// Key codes the buttons send (their Tag).
enum : int {
  ckUse = 1, ckMC = 2, ckMR = 3, ckMPlus = 4, ckMMinus = 5, ckPrint = 7, ckBack = 8, ckOpt = 9,
  ckClear = 12, ckEnter = 13, ckQuit = 27, ckPercent = 37
};

class TCalculatorEngine {
public:
  TCalculatorEngine();

  // One key: a character ('0'..'9', the decimal separator, + - * / = %) or a key code above.
  void Key(int key);

  double Shown() const { return FShown; }
  const std::string& Display() const { return FDisplay; }
  double Memory() const { return FMemory; }
  int Decimals() const { return FDecimals; }
  void SetDecimals(int value) { FDecimals = value < 0 ? 0 : value > 7 ? 7 : value; }
  const std::vector<std::string>& Tape() const { return FTape; }
  // 0 the display, 1 the decimals editor, 2 the help button.
  int OptionPanel() const { return FOption; }
  bool Used() const { return FUse; }
  bool Closed() const { return FClosed; }

  // The window's parts follow the engine through these.
  std::function<void()> OnPrint;            // key 7
  std::function<int()> OnLeaveDecimals;     // the decimals editor's number when leaving it

private:
  void Show(double value);
  void TapeLine(const std::string& text, bool rule = false);
  void NewNumber() { FNoDecimal = true; FTypedDecimals = 0; }
  void ReadEntry();
  static bool IsOperator(int key) { return key == '+' || key == '-' || key == '*' || key == '/' || key == '='; }

  std::string FTyped;
  double FEntry = 0, FLastEntry = 0, FAccumulator = 0, FMemory = 0, FShown = 0;
  char FOperator = ' ';
  int FMaxDigits = 14;
  int FDecimals = 2;
  std::string FDisplay;
  bool FNoDecimal = true;
  int FTypedDecimals = 0;
  int FKey = 0, FPreviousKey = 0;
  int FOption = 0;
  bool FUse = false;
  bool FClosed = false;
  std::vector<std::string> FTape;
};

class TTheCalculator : public TForm {
public:
  explicit TTheCalculator(TComponent* AOwner);
  TCalculatorEngine& Engine() { return FEngine; }

  TPanel* Display;
  TMemo* ScreenTicket;
  TLabel* Label1;
  TEdit* Edit1;
  TUpDown* UpDown1;
  TButton* Button1;
  // The keys are oval buttons; Button_Print shows a printer picture.
  TRoundButton* Button_Print;
  TRoundButton* Button_Use;
  TRoundButton* Button_MC;
  TRoundButton* Button_MR;
  TPrintDialog* PrintDialog;
  // The button sending a key, by its Tag (null when none).
  TRoundButton* ButtonFor(int key) const;

protected:
  void KeyPress(char32_t& Key) override;

private:
  void Send(int key);
  void Refresh();
  void PrintTape();

  TCalculatorEngine FEngine;
  std::vector<TRoundButton*> FButtons;
};

class TCalculator : public TComponent {
public:
  explicit TCalculator(TComponent* AOwner = nullptr) : TComponent(AOwner) {}
  double Value() const { return FValue; }
  // True when the window closed through "Use"; Value holds the shown value either way.
  bool Execute();
  TTheCalculator* Form() const { return FForm; }

private:
  double FValue = 0;
  TTheCalculator* FForm = nullptr;
};
