// Shell open: URLs, "mailto:" links and documents go to the desktop through the modal service
// (a test's script answers them) and its installed handler; a program started with the
// keep-handle flag goes to the process start of platform/sys.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/rtl/win_types.h"
#include "platform/sys/process.h"

class TWinControl;

enum : int { SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_SHOWMINIMIZED = 2, SW_SHOWMAXIMIZED = 3, SW_SHOW = 5 };
// Results of ShellExecute at or below 32 are failures.
enum : std::intptr_t {
  SE_ERR_FNF = 2, SE_ERR_PNF = 3, SE_ERR_ACCESSDENIED = 5, SE_ERR_OOM = 8,
  SE_ERR_NOASSOC = 31
};
enum : ULONG { SEE_MASK_NOCLOSEPROCESS = 0x00000040 };

struct TShellRequest {
  TWinControl* Owner = nullptr;
  std::string Verb;        // "open"; empty means the default verb
  std::string File;        // URL, "mailto:" link, document or program
  std::string Parameters;
  std::string Directory;
  int ShowCmd = SW_SHOWNORMAL;
};

// Where shell requests go: the backend's desktop opener, or a test's recorder. The result is
// ShellExecute's (> 32 on success).
using TShellHandler = std::function<std::intptr_t(const TShellRequest& Request)>;
// Installs the handler; without one every request fails with SE_ERR_NOASSOC.
void SetShellHandler(TShellHandler handler);

std::intptr_t ShellExecute(TWinControl* owner, const std::string& verb, const std::string& file,
                           const std::string& parameters, const std::string& directory, int showCmd);

// Opens a document or link as ShellExecute does, and tells the person when it could not be
// opened: "No program on this computer can open <what>." when the desktop has none for it, else
// "<What> could not be opened.". `what` names it for the person ("the link \"...\"", "the help");
// empty means the file itself. True when it opened.
bool ShellOpenOrTell(TWinControl* owner, const std::string& file, const std::string& what = "");

struct SHELLEXECUTEINFO {
  ULONG fMask = 0;
  TWinControl* hwnd = nullptr;
  std::string lpVerb;
  std::string lpFile;
  std::string lpParameters;
  std::string lpDirectory;
  int nShow = SW_SHOWNORMAL;
  std::intptr_t hInstApp = 0;                // the ShellExecute result
  std::unique_ptr<TProcessHandle> hProcess;  // with SEE_MASK_NOCLOSEPROCESS
};
// With SEE_MASK_NOCLOSEPROCESS the file is a program, started with a handle (its parameters
// split like a command line); otherwise the request goes to ShellExecute.
bool ShellExecuteEx(SHELLEXECUTEINFO& info);
