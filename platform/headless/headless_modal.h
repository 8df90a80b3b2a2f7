// The headless modal service: a script of expected interactions, answered in order. Each
// expectation names a kind and a text that the question's text or caption contains (empty:
// any). An interaction the script does not expect is a failure (OnFailure); without a script
// the service gives the cancel answer and writes the question to standard error, as a program
// without a person needs.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/ui/modal_service.h"

struct TModalAnswer {
  // The button of a message box; for the other dialogs mrOk confirms and mrCancel cancels.
  TModalResult Result = mrOk;
  // The typed text of an input box; the file name of a file dialog.
  std::string Text;
  std::vector<std::string> Files;  // multi-select file dialogs
  int FilterIndex = 0;             // 0 keeps the dialog's
  TColor Color = clNone;           // colour dialog
  // Pop-up menus: the chosen item by its captions from the menu's root ("Edit|Copy", without
  // the "&" marks), or by command id; neither chooses nothing.
  std::string MenuPath;
  UINT MenuCommand = 0;
  // Modal forms: fills the controls and sets ModalResult (or leaves that to the loop).
  std::function<void(TCustomForm& Form)> Form;
  std::function<void(TFont& Font)> Font;
  std::function<void(TPrintRequest& Request)> Print;
};

struct TModalExpectation {
  TModalKind Kind = mkMessage;
  std::string Match;
  TModalAnswer Answer;
};

// What was asked, scripted or not.
struct TModalRecord {
  TModalKind Kind = mkMessage;
  std::string Caption;
  std::string Text;
  bool Scripted = false;
};

class THeadlessModalScript {
public:
  // Becomes the script the headless service answers from (the newest one wins).
  THeadlessModalScript();
  // Stops answering; expectations left over are failures.
  virtual ~THeadlessModalScript();
  THeadlessModalScript(const THeadlessModalScript&) = delete;
  THeadlessModalScript& operator=(const THeadlessModalScript&) = delete;

  THeadlessModalScript& Expect(TModalKind Kind, const std::string& Match, TModalAnswer Answer);
  THeadlessModalScript& ExpectMessage(const std::string& Match, TModalResult Button);
  THeadlessModalScript& ExpectInput(const std::string& Match, const std::string& Text);
  THeadlessModalScript& ExpectOpenFile(const std::string& Match, const std::string& FileName);
  THeadlessModalScript& ExpectSaveFile(const std::string& Match, const std::string& FileName);
  THeadlessModalScript& ExpectMenu(const std::string& Match, const std::string& MenuPath);
  THeadlessModalScript& ExpectForm(const std::string& Match, std::function<void(TCustomForm&)> Fill);
  // The find dialog shows (Match: its caption); Fill may fill it and press its buttons.
  THeadlessModalScript& ExpectFind(const std::string& Match, std::function<void(TCustomForm&)> Fill);
  // ShellExecute of a file or URL containing Match; it opens (mrOk) or fails (mrCancel).
  THeadlessModalScript& ExpectShell(const std::string& Match, TModalResult Result = mrOk);
  // Any kind: the person cancels.
  THeadlessModalScript& ExpectCancel(TModalKind Kind, const std::string& Match);

  int Remaining() const { return static_cast<int>(FExpected.size() - FNext); }
  const std::vector<TModalRecord>& Asked() const { return FAsked; }
  const std::vector<std::string>& Failures() const { return FFailures; }

  // Told of every failure (unscripted or mismatched interactions, leftovers); the test's
  // helper makes it fail the test. Failures are also kept in Failures().
  std::function<void(const std::string& Message)> OnFailure;

  // Used by the service: the next expectation for a question, or null (a failure is told).
  const TModalExpectation* Take(TModalKind Kind, const std::string& Caption, const std::string& Text);
  void Fail(const std::string& Message);

private:
  std::vector<TModalExpectation> FExpected;
  std::size_t FNext = 0;
  std::vector<TModalRecord> FAsked;
  std::vector<std::string> FFailures;
  THeadlessModalScript* FPrevious = nullptr;
};

// The script the service answers from now (null: none).
THeadlessModalScript* CurrentModalScript();

class THeadlessModalService : public TModalService {
public:
  TModalResult Message(const TMessageRequest& request) override;
  bool Input(const std::string& caption, const std::string& prompt, std::string& value) override;
  bool FileDialog(TFileDialogRequest& request) override;
  bool FontDialog(TFontRequest& request) override;
  bool ColorDialog(TColorRequest& request) override;
  bool PrintDialog(TPrintRequest& request) override;
  bool PrinterSetupDialog(TPrintRequest& request) override;
  TMenuItem* PopupMenu(const TMenuRequest& request) override;
  void BeginModal(TCustomForm& form) override;
  void ModalRound(TCustomForm& form) override;
  void DialogShown(TModalKind kind, TCustomForm& form) override;
  std::intptr_t ShellOpen(const TShellRequest& request) override;

private:
  bool PrintLike(TModalKind kind, TPrintRequest& request);
  TStandardErrorModalService FNobody;
  int FIdleRounds = 0;
};
