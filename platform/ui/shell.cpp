#include "platform/ui/shell.h"

#include "platform/ui/modal_service.h"

namespace {

TShellHandler& Handler() {
  static TShellHandler handler;
  return handler;
}

}  // namespace

void SetShellHandler(TShellHandler handler) { Handler() = std::move(handler); }

std::intptr_t ShellExecute(TWinControl* owner, const std::string& verb, const std::string& file,
                           const std::string& parameters, const std::string& directory, int showCmd) {
  if (file.empty()) return SE_ERR_FNF;
  // What reaches the desktop goes through the modal service, so a test's script answers it.
  TShellRequest r{owner, verb, file, parameters, directory, showCmd};
  return ModalService().ShellOpen(r);
}

std::intptr_t TModalService::ShellOpen(const TShellRequest& request) {
  if (!Handler()) return SE_ERR_NOASSOC;
  return Handler()(request);
}

bool ShellOpenOrTell(TWinControl* owner, const std::string& file, const std::string& what) {
  const std::intptr_t result = ShellExecute(owner, "open", file, "", "", SW_SHOWNORMAL);
  if (result > 32) return true;
  const std::string name = what.empty() ? "\"" + file + "\"" : what;
  if (result == SE_ERR_NOASSOC) {
    MessageDlg("No program on this computer can open " + name + ".", mtInformation, TMsgDlgButtons{mbOK});
  } else {
    std::string text = name + " could not be opened.";
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') text[0] = static_cast<char>(text[0] - 'a' + 'A');
    MessageDlg(text, mtInformation, TMsgDlgButtons{mbOK});
  }
  return false;
}

bool ShellExecuteEx(SHELLEXECUTEINFO& info) {
  if (info.fMask & SEE_MASK_NOCLOSEPROCESS) {
    info.hProcess = StartProcess(info.lpFile, SplitCommandLine(info.lpParameters));
    info.hInstApp = info.hProcess ? std::intptr_t(42) : std::intptr_t(SE_ERR_FNF);
    return info.hProcess != nullptr;
  }
  info.hInstApp = ShellExecute(info.hwnd, info.lpVerb, info.lpFile, info.lpParameters,
                               info.lpDirectory, info.nShow);
  return info.hInstApp > 32;
}
