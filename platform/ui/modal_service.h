// The modal service: every interaction that waits for a person (message boxes, input boxes,
// the common dialogs, pop-up menus shown at a point, modal forms) goes through one
// object that the backend supplies, so a test answers each from a script. Without a backend
// the service gives the cancel answer and writes the question to standard error.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/enum_set.h"
#include "platform/gfx/graphics.h"
#include "platform/ui/forms.h"

class TMenuItem;
struct TShellRequest;

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll,
                  mbYesToAll, mbHelp };
using TMsgDlgButtons = TSet<TMsgDlgBtn>;
inline const TMsgDlgButtons mbYesNoCancel{mbYes, mbNo, mbCancel};
inline const TMsgDlgButtons mbYesNo{mbYes, mbNo};
inline const TMsgDlgButtons mbOKCancel{mbOK, mbCancel};
inline const TMsgDlgButtons mbAbortRetryIgnore{mbAbort, mbRetry, mbIgnore};

// MessageBox flags and answers.
enum : UINT {
  MB_OK = 0x0, MB_OKCANCEL = 0x1, MB_ABORTRETRYIGNORE = 0x2, MB_YESNOCANCEL = 0x3,
  MB_YESNO = 0x4, MB_RETRYCANCEL = 0x5, MB_TYPEMASK = 0xF,
  MB_ICONHAND = 0x10, MB_ICONERROR = 0x10, MB_ICONSTOP = 0x10, MB_ICONQUESTION = 0x20,
  MB_ICONEXCLAMATION = 0x30, MB_ICONWARNING = 0x30, MB_ICONASTERISK = 0x40,
  MB_ICONINFORMATION = 0x40, MB_ICONMASK = 0xF0,
  MB_DEFBUTTON1 = 0x0, MB_DEFBUTTON2 = 0x100, MB_DEFBUTTON3 = 0x200, MB_DEFMASK = 0xF00,
  MB_APPLMODAL = 0x0, MB_SYSTEMMODAL = 0x1000, MB_TASKMODAL = 0x2000, MB_SETFOREGROUND = 0x10000,
  MB_TOPMOST = 0x40000
};
enum : int { IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7 };

// ---- What each interaction asks and answers ------------------------------------------------
enum TModalKind {
  mkMessage, mkInput, mkOpenFile, mkSaveFile, mkFont, mkColor, mkPrint, mkPrinterSetup,
  mkPopupMenu, mkForm, mkFind, mkShell
};
// The name of a kind ("message", "input", "open file", ...), for diagnostics.
const char* ModalKindName(TModalKind kind);

struct TMessageRequest {
  std::string Caption;  // Application.Title unless the caller gave one
  std::string Text;
  TMsgDlgType Type = mtInformation;
  TMsgDlgButtons Buttons{mbOK};
  TMsgDlgBtn Default = mbOK;
};

// The options of the file dialogs that change what they do.
enum TOpenOption {
  ofReadOnly, ofOverwritePrompt, ofHideReadOnly, ofNoChangeDir, ofShowHelp, ofNoValidate,
  ofAllowMultiSelect, ofExtensionDifferent, ofPathMustExist, ofFileMustExist, ofCreatePrompt,
  ofShareAware, ofNoReadOnlyReturn, ofNoTestFileCreate, ofNoNetworkButton, ofNoLongNames,
  ofOldStyleDialog, ofNoDereferenceLinks, ofEnableIncludeNotify, ofEnableSizing
};
using TOpenOptions = TSet<TOpenOption>;

struct TFileDialogRequest {
  bool Save = false;
  std::string Title;
  std::string Filter;  // "Text files|*.txt|All|*.*"
  int FilterIndex = 1;  // 1-based, as the dialogs count
  std::string FileName;
  std::string InitialDir;
  std::string DefaultExt;
  TOpenOptions Options;
  // Answers: FileName (and Files with ofAllowMultiSelect), FilterIndex.
  std::vector<std::string> Files;
};

struct TFontRequest {
  TFont* Font = nullptr;  // in and out
  int MinFontSize = 0;
  int MaxFontSize = 0;
};

enum TColorDialogOption { cdFullOpen, cdPreventFullOpen, cdShowHelp, cdSolidColor, cdAnyColor };
using TColorDialogOptions = TSet<TColorDialogOption>;
struct TColorRequest {
  TColor Color = clBlack;  // in and out
  TColorDialogOptions Options;
  std::vector<TColor> CustomColors;  // in and out (16 at most)
};

enum TPrintRange { prAllPages, prSelection, prPageNums };
enum TPrintDialogOption { poPrintToFile, poPageNums, poSelection, poWarning, poHelp, poDisablePrintToFile };
using TPrintDialogOptions = TSet<TPrintDialogOption>;
struct TPrintRequest {
  int FromPage = 0, ToPage = 0, MinPage = 0, MaxPage = 0;
  int Copies = 1;
  bool Collate = false;
  TPrintRange PrintRange = prAllPages;
  TPrintDialogOptions Options;
  std::string PrinterName;  // out: the chosen printer (empty: unchanged)
  std::string OutputFile;   // out: the file chosen to print into instead of a printer
};

struct TMenuRequest {
  TMenuItem* Items = nullptr;  // the menu's root item; its visible children are shown
  TPoint Screen;               // where the menu shows
  std::string Caption;         // the menu's name, for scripts
};

class TModalService {
public:
  virtual ~TModalService() = default;
  // The button pressed, as a modal result (mrOk, mrYes, ...).
  virtual TModalResult Message(const TMessageRequest& request) = 0;
  // True with OK; Value holds the default in and the typed text out.
  virtual bool Input(const std::string& caption, const std::string& prompt, std::string& value) = 0;
  virtual bool FileDialog(TFileDialogRequest& request) = 0;
  virtual bool FontDialog(TFontRequest& request) = 0;
  virtual bool ColorDialog(TColorRequest& request) = 0;
  virtual bool PrintDialog(TPrintRequest& request) = 0;
  virtual bool PrinterSetupDialog(TPrintRequest& request) = 0;
  // Shows a pop-up menu and returns the chosen item (null when none was chosen).
  virtual TMenuItem* PopupMenu(const TMenuRequest& request) = 0;
  // A form starts its modal loop; a script may fill it and set its ModalResult.
  virtual void BeginModal(TCustomForm& form) = 0;
  // One round of a modal form's loop (waits for input on a real backend).
  virtual void ModalRound(TCustomForm& form) = 0;
  // A dialog form that stays open beside the program (the find dialog) was shown; a script
  // may fill it and press its buttons.
  virtual void DialogShown(TModalKind kind, TCustomForm& form) { (void)kind, (void)form; }
  // Opens a document, URL or link with the desktop (ShellExecute); the result is
  // ShellExecute's. This one hands the request to the installed shell handler.
  virtual std::intptr_t ShellOpen(const TShellRequest& request);
};

// Gives the cancel answer to everything and writes the question to standard error: the
// service of a program without a person (the server) and without a backend.
class TStandardErrorModalService : public TModalService {
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

  // The cancel answer of a message box with these buttons.
  static TModalResult CancelAnswer(TMsgDlgButtons buttons);

protected:
  // Writes "<what>: <text>" to standard error.
  virtual void Report(TModalKind kind, const std::string& text);
};

TModalService& ModalService();
void SetModalService(std::unique_ptr<TModalService> service);

// ---- The calls the program makes -----------------------------------------------------------
int MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx = 0);
// MessageDlg with the default button given.
int MessageDlgDef(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, TMsgDlgBtn Default);
void ShowMessage(const std::string& Msg);
// Win32 MessageBox: MB_ flags in, ID answers out. A null caption means "Error".
int MessageBox(HWND Owner, const std::string& Text, const std::string& Caption, UINT Flags);
// The typed text, or Default on Cancel.
std::string InputBox(const std::string& Caption, const std::string& Prompt, const std::string& Default);
bool InputQuery(const std::string& Caption, const std::string& Prompt, std::string& Value);
