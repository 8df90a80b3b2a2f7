// The masked edit: an edit mask such as "!9090/90/00;1;_" fixes what each position takes.
// Mask characters: 0 digit, 9 digit or blank, # digit, sign or blank, L letter, l letter or
// blank, A letter or digit, a the same or blank, C any character, c any or blank; > upper case
// and < lower case for what follows (<> neither); \ makes the next character a literal; / and
// : are the date and time separators; _ is a blank literal; ! keeps optional blanks leading.
// After the first ';' comes the save-literals flag ('0' = Text leaves the literals out), after
// the second the blank character (default '_').
// EditText is what the edit shows: literals and blank characters. Text reads the entered
// characters with blanks as spaces, with the literals when they are saved.
#pragma once

#include <string>
#include <vector>

#include "platform/ui/edits.h"

class TEditMask {
public:
  struct TPosition {
    bool Literal = true;
    char Kind = 0;       // the mask character of an input position
    bool Required = false;
    int CaseMode = 0;    // 1 upper, -1 lower
    std::string Text;    // a literal's character
  };

  TEditMask() = default;
  explicit TEditMask(const std::string& mask);

  bool Empty() const { return FPositions.empty(); }
  const std::vector<TPosition>& Positions() const { return FPositions; }
  bool SaveLiterals() const { return FSaveLiterals; }
  char Blank() const { return FBlank; }

  // The edit text of nothing entered: literals and blanks.
  std::string EmptyEditText() const;
  // Fits a value into the mask: with saved literals the value is read position by position,
  // otherwise its characters fill the input positions one after the other. Characters a
  // position does not take leave it blank.
  std::vector<std::string> Fit(const std::string& value, bool withLiterals) const;
  // The character as an input position takes it (case applied), or empty when refused.
  std::string Accept(std::size_t position, char32_t ch) const;

private:
  std::vector<TPosition> FPositions;
  bool FSaveLiterals = true;
  char FBlank = '_';
};

// The class library's FormatMaskText: a value put through a mask, as the edit text shows it.
std::string FormatMaskText(const std::string& editMask, const std::string& value);

class TCustomMaskEdit : public TCustomEdit {
public:
  explicit TCustomMaskEdit(TComponent* AOwner);

  const std::string& EditMask() const { return FMaskText; }
  void SetEditMask(const std::string& value);
  bool IsMasked() const { return !FMask.Empty(); }

  // What the edit shows (literals and blank characters when masked).
  const std::string& EditText() const { return TCustomEdit::Text(); }
  void SetEditText(const std::string& value);
  // The value: entered characters, blanks read as spaces, literals when saved.
  std::string Text() const;
  void SetText(const std::string& value) override;

protected:
  bool EditChar(char32_t key) override;
  void TypeText(const std::string& text) override;
  void DeleteBack() override;
  void DeleteForward() override;
  void DoClear() override;

private:
  // Position index of a byte offset of the edit text, and back.
  int PositionAt(int offset) const;
  int OffsetOf(int position) const;
  int NextInput(int position) const;  // this or the next input position; -1 when none
  int PrevInput(int position) const;  // the input position before; -1 when none
  void Blank(int fromPosition, int toPosition, std::vector<std::string>& cells) const;
  std::vector<std::string> Cells() const;
  void SetCells(const std::vector<std::string>& cells, int caretPosition);

  std::string FMaskText;
  TEditMask FMask;
};

class TMaskEdit : public TCustomMaskEdit {
public:
  explicit TMaskEdit(TComponent* AOwner) : TCustomMaskEdit(AOwner) {}
};
