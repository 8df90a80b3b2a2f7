// Edits and memos: the text, the selection and the edit options live in fields; typing arrives
// as WM_KEYDOWN/WM_CHAR on both backends and is carried out here, so OnChange fires once for
// each change of the text, whether the user or the code made it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/utf8_text.h"
#include "platform/ui/grids.h"
#include "platform/ui/native_control.h"

enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };


class TCustomEdit : public TNativeControl {
public:
  explicit TCustomEdit(TComponent* AOwner);
  ~TCustomEdit() override;

  std::string WindowClass() const override { return "EDIT"; }
  // Edit styles (ES_...) of the window; subclasses add to them.
  virtual DWORD EditStyle() const;

  void SetText(const std::string& value) override;
  // SetText(Text() + tail) in the time of `tail`: the line starts already known are kept.
  void AppendText(const std::string& tail);
  void Clear() { SetText(""); }

  int MaxLength() const { return FMaxLength; }
  void SetMaxLength(int value);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool value);
  bool AutoSelect() const { return FAutoSelect; }
  void SetAutoSelect(bool value) { FAutoSelect = value; }
  char32_t PasswordChar() const { return FPasswordChar; }
  void SetPasswordChar(char32_t value);
  TEditCharCase CharCase() const { return FCharCase; }
  void SetCharCase(TEditCharCase value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);
  bool Modified() const { return FModified; }
  void SetModified(bool value) { FModified = value; }

  // The selection in bytes of the UTF-8 text, kept on code point boundaries.
  int SelStart() const;
  int SelLength() const;
  void SetSelStart(int value);
  void SetSelLength(int value);
  std::string SelText() const;
  // Replaces the selection (an undoable user-style change: Modified is set, OnChange fires).
  void SetSelText(const std::string& value);
  void SelectAll();
  void ClearSelection();
  // Caret and anchor: the selection runs from the anchor to the caret.
  int CaretPos() const { return FCaret; }
  int Anchor() const { return FAnchor; }
  void SetSelection(int anchor, int caret);

  // Through WM_CUT/WM_COPY/WM_PASTE, so that a subclass can stop them.
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();

  // The formatting rectangle (EM_GETRECT/EM_SETRECT).
  TRect FormatRect() const;

  void WndProc(TMessage& message) override;

  TNotifyEvent OnChange;

  // Reports of a native peer.
  // The user moved the caret or the selection with the mouse.
  void PeerSelectionChanged(int anchor, int caret);
  // The peer changed the text itself (input methods).
  void PeerTextEdited(const std::string& text, int caret);

protected:
  // The edit widget reports no clicks: OnClick comes from the released left button.
  bool PeerReportsClicks() const override { return false; }
  virtual void Change();
  void PushState() override;
  void DoEnter() override;
  // The text as the peer shows it (mask edits show blanks and literals).
  virtual std::string DisplayText() const { return Text(); }
  // Carries out a typed character after OnKeyPress; true when the edit used it.
  virtual bool EditChar(char32_t key);
  // Carries out an editing or moving key after OnKeyDown; true when the edit used it.
  virtual bool EditKey(WORD key, TShiftState shift);
  // Inserts typed text at the selection, within MaxLength and CharCase.
  virtual void TypeText(const std::string& text);
  virtual void DeleteBack();
  virtual void DeleteForward();
  virtual void DoCut();
  virtual void DoPaste();
  virtual void DoClear();
  virtual bool MultiLine() const { return false; }
  // The text and selection change together; OnChange fires when the text changed.
  void ReplaceText(const std::string& text, int anchor, int caret, bool byUser);
  std::string ApplyCharCase(const std::string& s) const;
  void PushSelection();
  // Moves for the arrow keys; multi-line edits add the vertical ones.
  virtual int MoveCaret(WORD key, TShiftState shift) const;
  int LineStart(int offset) const;
  int LineEnd(int offset) const;
  // Where each line starts (after each CR LF), worked out once for each text.
  const std::vector<int>& LineStarts() const;
  int LineCount() const;
  int LineOfOffset(int offset) const;
  int LineIndex(int line) const;
  int CharFromPoint(TPoint p);

  int FAnchor = 0;
  int FCaret = 0;

private:
  int FMaxLength = 0;
  bool FReadOnly = false;
  bool FAutoSelect = true;
  char32_t FPasswordChar = 0;
  TEditCharCase FCharCase = ecNormal;
  TAlignment FAlignment = taLeftJustify;
  bool FModified = false;
  bool FHasFormatRect = false;
  TRect FFormatRect;
  // Counts the changes of the text; the line starts are kept for the count they were made at.
  std::uint64_t FTextVersion = 0;
  mutable std::vector<int> FLineStarts;
  mutable std::uint64_t FLineStartsVersion = 0;
};

class TEdit : public TCustomEdit {
public:
  explicit TEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}
};

class TMemoStrings;

// A multi-line edit; its lines end with CR LF in the text.
class TCustomMemo : public TCustomEdit {
public:
  explicit TCustomMemo(TComponent* AOwner);
  ~TCustomMemo() override;

  std::string WindowClass() const override { return "MEMO"; }
  DWORD EditStyle() const override;

  // The lines, bound to the text: changing one changes the text (and fires OnChange).
  TStrings& Lines();
  void SetLines(const TStrings& value);
  // All the lines at once, as Lines holds them: one pass over the text, one change of it.
  std::vector<std::string> LineTexts() const;
  void SetLineTexts(const std::vector<std::string>& lines);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool value);
  TScrollStyle ScrollBars() const { return FScrollBars; }
  void SetScrollBars(TScrollStyle value);
  bool WantReturns() const { return FWantReturns; }
  void SetWantReturns(bool value) { FWantReturns = value; }
  bool WantTabs() const { return FWantTabs; }
  void SetWantTabs(bool value) { FWantTabs = value; }

protected:
  void PushState() override;
  bool EditChar(char32_t key) override;
  bool MultiLine() const override { return true; }
  int MoveCaret(WORD key, TShiftState shift) const override;

private:
  std::unique_ptr<TMemoStrings> FLines;
  bool FWordWrap = true;
  TScrollStyle FScrollBars = ssNone;
  bool FWantReturns = true;
  bool FWantTabs = false;
};

class TMemo : public TCustomMemo {
public:
  explicit TMemo(TComponent* AOwner) : TCustomMemo(AOwner) {}
};
