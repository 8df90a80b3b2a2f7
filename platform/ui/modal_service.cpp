#include "platform/ui/modal_service.h"

#include <cstdio>

#include "platform/ui/application.h"
#include "platform/ui/controls.h"
#include "platform/ui/modal_gate.h"
#include "platform/ui/menus.h"

namespace {

std::unique_ptr<TModalService>& ServiceSlot() {
  static std::unique_ptr<TModalService> service = std::make_unique<TStandardErrorModalService>();
  return service;
}

// What the program calls: it lets go of every mouse capture before a modal run starts, however
// the run was started (a message box from a tool button's release would otherwise find the
// mouse still held by the tool bar and take no clicks), then hands the run to the installed
// service.
class TModalGate final : public TModalService {
public:
  TModalResult Message(const TMessageRequest& request) override {
    ReleaseEveryCapture();
    return Installed().Message(request);
  }
  bool Input(const std::string& caption, const std::string& prompt, std::string& value) override {
    ReleaseEveryCapture();
    return Installed().Input(caption, prompt, value);
  }
  bool FileDialog(TFileDialogRequest& request) override {
    ReleaseEveryCapture();
    return Installed().FileDialog(request);
  }
  bool FontDialog(TFontRequest& request) override {
    ReleaseEveryCapture();
    return Installed().FontDialog(request);
  }
  bool ColorDialog(TColorRequest& request) override {
    ReleaseEveryCapture();
    return Installed().ColorDialog(request);
  }
  bool PrintDialog(TPrintRequest& request) override {
    ReleaseEveryCapture();
    return Installed().PrintDialog(request);
  }
  bool PrinterSetupDialog(TPrintRequest& request) override {
    ReleaseEveryCapture();
    return Installed().PrinterSetupDialog(request);
  }
  TMenuItem* PopupMenu(const TMenuRequest& request) override {
    ReleaseEveryCapture();
    return Installed().PopupMenu(request);
  }
  void BeginModal(TCustomForm& form) override {
    ReleaseEveryCapture();
    Installed().BeginModal(form);
  }
  // A round of a modal form's own loop: the form's controls may hold the mouse between rounds.
  void ModalRound(TCustomForm& form) override { Installed().ModalRound(form); }
  void DialogShown(TModalKind kind, TCustomForm& form) override { Installed().DialogShown(kind, form); }
  std::intptr_t ShellOpen(const TShellRequest& request) override { return Installed().ShellOpen(request); }

private:
  static TModalService& Installed() { return *ServiceSlot(); }
};

}  // namespace

TModalService& ModalService() {
  static TModalGate gate;
  return gate;
}

TModalService& InstalledModalService() { return *ServiceSlot(); }

void SetModalService(std::unique_ptr<TModalService> service) {
  ServiceSlot() = service ? std::move(service) : std::make_unique<TStandardErrorModalService>();
}

const char* ModalKindName(TModalKind kind) {
  switch (kind) {
    case mkMessage: return "message";
    case mkInput: return "input";
    case mkOpenFile: return "open file";
    case mkSaveFile: return "save file";
    case mkFont: return "font";
    case mkColor: return "color";
    case mkPrint: return "print";
    case mkPrinterSetup: return "printer setup";
    case mkPopupMenu: return "popup menu";
    case mkForm: return "form";
    case mkFind: return "find dialog";
    case mkShell: return "shell open";
  }
  return "?";
}

// ---- The service without a person -----------------------------------------------------------

void TStandardErrorModalService::Report(TModalKind kind, const std::string& text) {
  std::fprintf(stderr, "%s: %s\n", ModalKindName(kind), text.c_str());
  std::fflush(stderr);
}

TModalResult TStandardErrorModalService::CancelAnswer(TMsgDlgButtons buttons) {
  if (buttons.Contains(mbCancel)) return mrCancel;
  if (buttons.Contains(mbNo)) return mrNo;
  if (buttons.Contains(mbAbort)) return mrAbort;
  if (buttons.Contains(mbIgnore)) return mrIgnore;
  if (buttons.Contains(mbOK)) return mrOk;
  return mrCancel;
}

TModalResult TStandardErrorModalService::Message(const TMessageRequest& request) {
  Report(mkMessage, request.Caption.empty() ? request.Text : request.Caption + ": " + request.Text);
  return CancelAnswer(request.Buttons);
}

bool TStandardErrorModalService::Input(const std::string& caption, const std::string& prompt, std::string&) {
  Report(mkInput, caption + ": " + prompt);
  return false;
}

bool TStandardErrorModalService::FileDialog(TFileDialogRequest& request) {
  Report(request.Save ? mkSaveFile : mkOpenFile, request.Title);
  return false;
}

bool TStandardErrorModalService::FontDialog(TFontRequest&) {
  Report(mkFont, "");
  return false;
}

bool TStandardErrorModalService::ColorDialog(TColorRequest&) {
  Report(mkColor, "");
  return false;
}

bool TStandardErrorModalService::PrintDialog(TPrintRequest&) {
  Report(mkPrint, "");
  return false;
}

bool TStandardErrorModalService::PrinterSetupDialog(TPrintRequest&) {
  Report(mkPrinterSetup, "");
  return false;
}

TMenuItem* TStandardErrorModalService::PopupMenu(const TMenuRequest& request) {
  Report(mkPopupMenu, request.Caption);
  return nullptr;
}

void TStandardErrorModalService::BeginModal(TCustomForm& form) {
  Report(mkForm, form.Caption());
  form.SetModalResult(mrCancel);
}

void TStandardErrorModalService::ModalRound(TCustomForm&) { GetApplication().HandleMessage(); }

// ---- The calls ------------------------------------------------------------------------------

namespace {

std::string DefaultCaption(TMsgDlgType type) {
  std::string title = Application ? Application->Title() : std::string();
  if (!title.empty()) return title;
  switch (type) {
    case mtWarning: return "Warning";
    case mtError: return "Error";
    case mtInformation: return "Information";
    case mtConfirmation: return "Confirm";
    default: return {};
  }
}

TMsgDlgBtn FirstButton(TMsgDlgButtons buttons) {
  for (TMsgDlgBtn b : {mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp})
    if (buttons.Contains(b)) return b;
  return mbOK;
}

}  // namespace

int MessageDlgDef(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, TMsgDlgBtn Default) {
  if (Buttons.Empty()) Buttons = TMsgDlgButtons{mbOK};
  TMessageRequest r;
  r.Caption = DefaultCaption(DlgType);
  r.Text = Msg;
  r.Type = DlgType;
  r.Buttons = Buttons;
  r.Default = Buttons.Contains(Default) ? Default : FirstButton(Buttons);
  return ModalService().Message(r);
}

int MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int) {
  return MessageDlgDef(Msg, DlgType, Buttons, FirstButton(Buttons.Empty() ? TMsgDlgButtons{mbOK} : Buttons));
}

void ShowMessage(const std::string& Msg) {
  TMessageRequest r;
  r.Caption = Application ? Application->Title() : std::string();
  r.Text = Msg;
  r.Type = mtCustom;
  ModalService().Message(r);
}

int MessageBox(HWND, const std::string& Text, const std::string& Caption, UINT Flags) {
  TMessageRequest r;
  r.Caption = Caption;
  r.Text = Text;
  switch (Flags & MB_ICONMASK) {
    case MB_ICONERROR: r.Type = mtError; break;
    case MB_ICONQUESTION: r.Type = mtConfirmation; break;
    case MB_ICONWARNING: r.Type = mtWarning; break;
    case MB_ICONINFORMATION: r.Type = mtInformation; break;
    default: r.Type = mtCustom; break;
  }
  switch (Flags & MB_TYPEMASK) {
    case MB_OKCANCEL: r.Buttons = mbOKCancel; break;
    case MB_ABORTRETRYIGNORE: r.Buttons = mbAbortRetryIgnore; break;
    case MB_YESNOCANCEL: r.Buttons = mbYesNoCancel; break;
    case MB_YESNO: r.Buttons = mbYesNo; break;
    case MB_RETRYCANCEL: r.Buttons = TMsgDlgButtons{mbRetry, mbCancel}; break;
    default: r.Buttons = TMsgDlgButtons{mbOK}; break;
  }
  // The default button by its place among the buttons shown.
  std::vector<TMsgDlgBtn> order;
  for (TMsgDlgBtn b : {mbAbort, mbRetry, mbIgnore, mbYes, mbNo, mbOK, mbCancel})
    if (r.Buttons.Contains(b)) order.push_back(b);
  if ((Flags & MB_TYPEMASK) == MB_OKCANCEL) order = {mbOK, mbCancel};
  if ((Flags & MB_TYPEMASK) == MB_RETRYCANCEL) order = {mbRetry, mbCancel};
  std::size_t def = (Flags & MB_DEFMASK) >> 8;
  r.Default = def < order.size() ? order[def] : order.front();
  // Modal results and the ID answers share their numbers.
  return ModalService().Message(r);
}

bool InputQuery(const std::string& Caption, const std::string& Prompt, std::string& Value) {
  std::string v = Value;
  if (!ModalService().Input(Caption, Prompt, v)) return false;
  Value = v;
  return true;
}

std::string InputBox(const std::string& Caption, const std::string& Prompt, const std::string& Default) {
  std::string v = Default;
  return InputQuery(Caption, Prompt, v) ? v : Default;
}
