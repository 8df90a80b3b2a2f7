// The common dialogs: components whose Execute asks the modal service and keeps the answer in
// their properties (FileName stays after Execute). The find dialog is a modeless form of ours.
#pragma once

#include <memory>
#include <string>

#include "platform/rtl/string_list.h"
#include "platform/ui/modal_service.h"

class TCommonDialog : public TComponent {
public:
  explicit TCommonDialog(TComponent* AOwner) : TComponent(AOwner) {}
  // True when the person confirmed the dialog.
  virtual bool Execute() = 0;
  TNotifyEvent OnShow;
  TNotifyEvent OnClose;
  int HelpContext() const { return 0; }

protected:
  // OnShow, the request, OnClose, with the handlers guarded by nothing: the caller's guard.
  template <typename F> bool Run(F&& ask) {
    if (OnShow) OnShow(this);
    bool ok = ask();
    if (OnClose) OnClose(this);
    return ok;
  }
};

class TOpenDialog : public TCommonDialog {
public:
  explicit TOpenDialog(TComponent* AOwner);
  ~TOpenDialog() override;

  const std::string& FileName() const { return FFileName; }
  void SetFileName(const std::string& v) { FFileName = v; }
  // Every chosen file (ofAllowMultiSelect), else FileName alone.
  TStrings& Files() { return FFiles; }
  const std::string& Filter() const { return FFilter; }
  void SetFilter(const std::string& v) { FFilter = v; }
  int FilterIndex() const { return FFilterIndex; }
  void SetFilterIndex(int v) { FFilterIndex = v; }
  const std::string& DefaultExt() const { return FDefaultExt; }
  // Given with or without the dot; kept without it.
  void SetDefaultExt(const std::string& v);
  const std::string& InitialDir() const { return FInitialDir; }
  void SetInitialDir(const std::string& v) { FInitialDir = v; }
  const std::string& Title() const { return FTitle; }
  void SetTitle(const std::string& v) { FTitle = v; }
  TOpenOptions Options() const { return FOptions; }
  void SetOptions(TOpenOptions v) { FOptions = v; }

  bool Execute() override;

protected:
  virtual bool IsSave() const { return false; }

private:
  std::string FFileName;
  TStringList FFiles;
  std::string FFilter;
  int FFilterIndex = 1;
  std::string FDefaultExt;
  std::string FInitialDir;
  std::string FTitle;
  TOpenOptions FOptions{ofHideReadOnly};
};

class TSaveDialog : public TOpenDialog {
public:
  explicit TSaveDialog(TComponent* AOwner) : TOpenDialog(AOwner) {}

protected:
  bool IsSave() const override { return true; }
};

// A file name with the default extension added when it has none.
std::string AddDefaultExt(const std::string& fileName, const std::string& defaultExt);
// The save dialog of a print job that writes a file (the "PDF" printer): the person picks
// where "<title>" goes; a ".pdf" extension is added when the name has none. False: cancelled.
// The backends install it as the printer's file chooser.
bool AskPrintFile(const std::string& title, std::string& fileName);

class TFontDialog : public TCommonDialog {
public:
  explicit TFontDialog(TComponent* AOwner) : TCommonDialog(AOwner) {}
  TFont& Font() { return FFont; }
  int MinFontSize() const { return FMin; }
  void SetMinFontSize(int v) { FMin = v; }
  int MaxFontSize() const { return FMax; }
  void SetMaxFontSize(int v) { FMax = v; }
  bool Execute() override;

private:
  TFont FFont;
  int FMin = 0, FMax = 0;
};

class TColorDialog : public TCommonDialog {
public:
  explicit TColorDialog(TComponent* AOwner) : TCommonDialog(AOwner) {}
  TColor Color() const { return FColor; }
  void SetColor(TColor v) { FColor = v; }
  TColorDialogOptions Options() const { return FOptions; }
  void SetOptions(TColorDialogOptions v) { FOptions = v; }
  // "ColorA=RRGGBB" .. "ColorP=RRGGBB" lines, as the class library keeps them.
  TStrings& CustomColors() { return FCustomColors; }
  bool Execute() override;

private:
  TColor FColor = clBlack;
  TColorDialogOptions FOptions;
  TStringList FCustomColors;
};

// The print dialog's choice becomes the printer of the next job: the chosen printer, or, when
// the person chose to print into a file, the "PDF" printer writing that file (so the job asks
// nothing more).
void UsePrintChoice(const TPrintRequest& r);

class TPrintDialog : public TCommonDialog {
public:
  explicit TPrintDialog(TComponent* AOwner) : TCommonDialog(AOwner) {}
  int FromPage() const { return FRequest.FromPage; }
  void SetFromPage(int v) { FRequest.FromPage = v; }
  int ToPage() const { return FRequest.ToPage; }
  void SetToPage(int v) { FRequest.ToPage = v; }
  int MinPage() const { return FRequest.MinPage; }
  void SetMinPage(int v) { FRequest.MinPage = v; }
  int MaxPage() const { return FRequest.MaxPage; }
  void SetMaxPage(int v) { FRequest.MaxPage = v; }
  int Copies() const { return FRequest.Copies; }
  void SetCopies(int v) { FRequest.Copies = v; }
  bool Collate() const { return FRequest.Collate; }
  void SetCollate(bool v) { FRequest.Collate = v; }
  TPrintRange PrintRange() const { return FRequest.PrintRange; }
  void SetPrintRange(TPrintRange v) { FRequest.PrintRange = v; }
  TPrintDialogOptions Options() const { return FRequest.Options; }
  void SetOptions(TPrintDialogOptions v) { FRequest.Options = v; }
  // The printer chosen in the last Execute (empty when the dialog did not change it).
  const std::string& PrinterName() const { return FRequest.PrinterName; }
  // EInvalidOperation "Invalid page range" unless MinPage <= FromPage <= ToPage <= MaxPage when
  // page numbers are enabled.
  bool Execute() override;

private:
  TPrintRequest FRequest;
};

class TPrinterSetupDialog : public TCommonDialog {
public:
  explicit TPrinterSetupDialog(TComponent* AOwner) : TCommonDialog(AOwner) {}
  const std::string& PrinterName() const { return FRequest.PrinterName; }
  bool Execute() override;

private:
  TPrintRequest FRequest;
};

enum TFindOption {
  frDown, frFindNext, frHideMatchCase, frHideWholeWord, frHideUpDown, frMatchCase,
  frDisableMatchCase, frDisableUpDown, frDisableWholeWord, frReplace, frReplaceAll,
  frWholeWord, frShowHelp
};
using TFindOptions = TSet<TFindOption>;

class TFindForm;

// The find dialog: a modeless form of ours with the text to find, "Match whole word only",
// "Match case", the direction and "Find Next" / "Cancel". Find Next sets FindText and Options
// (frFindNext added) and calls OnFind; Cancel, Escape or the close box hide it (OnClose).
// The modal service is told when it shows (kind mkFind), so a test's script can fill it.
class TFindDialog : public TCommonDialog {
public:
  explicit TFindDialog(TComponent* AOwner);
  ~TFindDialog() override;

  const std::string& FindText() const { return FFindText; }
  void SetFindText(const std::string& v);
  TFindOptions Options() const { return FOptions; }
  void SetOptions(TFindOptions v);
  // Where the form shows (screen coordinates); -1 centres it.
  TPoint Position() const { return FPosition; }
  void SetPosition(TPoint p) { FPosition = p; }
  int Left() const { return FPosition.X; }
  int Top() const { return FPosition.Y; }

  // Shows the form (OnShow) and returns true at once.
  bool Execute() override;
  // Hides the form (OnClose).
  void CloseDialog();
  // The form, made by the first Execute (null before).
  TCustomForm* Form() const;
  // What the form's "Find Next" does: takes the form's fields and calls OnFind.
  void FindNext();

  TNotifyEvent OnFind;

private:
  friend class TFindForm;
  std::string FFindText;
  TFindOptions FOptions{frDown};
  TPoint FPosition{-1, -1};
  TFindForm* FForm = nullptr;
};
