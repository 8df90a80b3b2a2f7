// The grid's own text editor: a single- or multi-line edit laid over the current cell that
// filters or re-cases what is typed by the cell's editor kind, completes from the lookup list,
// and hands Enter, Escape, Tab and the arrows back to the grid.
#pragma once

#include <string>

#include "platform/ui/mask_edit.h"

class TQnStringGrid;

// The whole text re-cased as names are written: "mcdonald" gives "McDonald", "john o'neil"
// "John O'Neil", "henry iii" "Henry III".
std::string MixedCaseText(const std::string& Text);

class TQnInplaceEdit : public TCustomMaskEdit {
public:
  explicit TQnInplaceEdit(TQnStringGrid* Grid);

  std::string WindowClass() const override;
  DWORD EditStyle() const override;

  // Right-aligned text when not 0.
  int VAlign() const { return FVAlign; }
  void SetVAlign(int Value);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);
  int LengthLimit() const { return FLengthLimit; }
  void SetLengthLimit(int Value) { FLengthLimit = Value; }

  TQnStringGrid* Grid() const { return FGrid; }
  bool CompletionDone() const { return FCompletionDone; }
  void WndProc(TMessage& Message) override;

protected:
  bool MultiLine() const override;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void KeyUp(WORD& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void DoEnter() override;
  void DoExit() override;
  void DoCut() override;
  void Change() override;
  void DoPaste() override;

private:
  // Ends the edit on a key the grid takes over.
  void HandBack(WORD Key, TShiftState Shift);
  void LookupCompletion();
  bool FilterChar(char32_t& Key);
  int Kind() const;

  TQnStringGrid* FGrid;
  int FVAlign = 0;
  bool FWordWrap = false;
  int FLengthLimit = 0;
  bool FCompletion = true;
  bool FCompletionDone = false;
};
