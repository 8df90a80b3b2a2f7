#include "platform/headless/headless_modal.h"

#include <cstdio>

#include "platform/rtl/sysutils.h"
#include "platform/sys/files.h"
#include "platform/ui/application.h"
#include "platform/ui/menus.h"
#include "platform/ui/shell.h"

namespace {

THeadlessModalScript* gScript = nullptr;

bool Matches(const std::string& match, const std::string& caption, const std::string& text) {
  return match.empty() || caption.find(match) != std::string::npos || text.find(match) != std::string::npos;
}

std::string Describe(TModalKind kind, const std::string& caption, const std::string& text) {
  std::string s = std::string(ModalKindName(kind)) + " \"" + caption + "\"";
  if (!text.empty()) s += " \"" + text + "\"";
  return s;
}

bool Offered(TMsgDlgButtons buttons, TModalResult result) {
  switch (result) {
    case mrOk: return buttons.Contains(mbOK);
    case mrCancel: return buttons.Contains(mbCancel);
    case mrAbort: return buttons.Contains(mbAbort);
    case mrRetry: return buttons.Contains(mbRetry);
    case mrIgnore: return buttons.Contains(mbIgnore);
    case mrYes: return buttons.Contains(mbYes);
    case mrNo: return buttons.Contains(mbNo);
    case mrAll: return buttons.Contains(mbAll);
    case mrNoToAll: return buttons.Contains(mbNoToAll);
    case mrYesToAll: return buttons.Contains(mbYesToAll);
    default: return false;
  }
}

// The item at "A|B|C" below root, by captions without accelerator marks.
TMenuItem* ItemAtPath(TMenuItem* root, const std::string& path) {
  TMenuItem* at = root;
  std::size_t start = 0;
  while (at && start <= path.size()) {
    std::size_t bar = path.find('|', start);
    std::string part = path.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
    TMenuItem* next = nullptr;
    for (int i = 0; i < at->Count(); ++i)
      if (at->Items(i)->Visible() && StripHotkey(at->Items(i)->Caption()) == part) next = at->Items(i);
    at = next;
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  return at == root ? nullptr : at;
}

}  // namespace

THeadlessModalScript* CurrentModalScript() { return gScript; }

THeadlessModalScript::THeadlessModalScript() : FPrevious(gScript) { gScript = this; }

THeadlessModalScript::~THeadlessModalScript() {
  if (gScript == this) gScript = FPrevious;
  for (std::size_t i = FNext; i < FExpected.size(); ++i)
    Fail("expected " + std::string(ModalKindName(FExpected[i].Kind)) + " \"" + FExpected[i].Match +
         "\" never came");
}

THeadlessModalScript& THeadlessModalScript::Expect(TModalKind Kind, const std::string& Match, TModalAnswer Answer) {
  FExpected.push_back(TModalExpectation{Kind, Match, std::move(Answer)});
  return *this;
}

THeadlessModalScript& THeadlessModalScript::ExpectMessage(const std::string& Match, TModalResult Button) {
  TModalAnswer a;
  a.Result = Button;
  return Expect(mkMessage, Match, a);
}

THeadlessModalScript& THeadlessModalScript::ExpectInput(const std::string& Match, const std::string& Text) {
  TModalAnswer a;
  a.Text = Text;
  return Expect(mkInput, Match, a);
}

THeadlessModalScript& THeadlessModalScript::ExpectOpenFile(const std::string& Match, const std::string& FileName) {
  TModalAnswer a;
  a.Text = FileName;
  return Expect(mkOpenFile, Match, a);
}

THeadlessModalScript& THeadlessModalScript::ExpectSaveFile(const std::string& Match, const std::string& FileName) {
  TModalAnswer a;
  a.Text = FileName;
  return Expect(mkSaveFile, Match, a);
}

THeadlessModalScript& THeadlessModalScript::ExpectMenu(const std::string& Match, const std::string& MenuPath) {
  TModalAnswer a;
  a.MenuPath = MenuPath;
  return Expect(mkPopupMenu, Match, a);
}

THeadlessModalScript& THeadlessModalScript::ExpectForm(const std::string& Match, std::function<void(TCustomForm&)> Fill) {
  TModalAnswer a;
  a.Form = std::move(Fill);
  return Expect(mkForm, Match, a);
}

THeadlessModalScript& THeadlessModalScript::ExpectFind(const std::string& Match, std::function<void(TCustomForm&)> Fill) {
  TModalAnswer a;
  a.Form = std::move(Fill);
  return Expect(mkFind, Match, a);
}

THeadlessModalScript& THeadlessModalScript::ExpectShell(const std::string& Match, TModalResult Result) {
  TModalAnswer a;
  a.Result = Result;
  return Expect(mkShell, Match, a);
}

THeadlessModalScript& THeadlessModalScript::ExpectCancel(TModalKind Kind, const std::string& Match) {
  TModalAnswer a;
  a.Result = mrCancel;
  return Expect(Kind, Match, a);
}

void THeadlessModalScript::Fail(const std::string& Message) {
  FFailures.push_back(Message);
  if (OnFailure) OnFailure(Message);
  else std::fprintf(stderr, "modal script: %s\n", Message.c_str());
}

const TModalExpectation* THeadlessModalScript::Take(TModalKind Kind, const std::string& Caption, const std::string& Text) {
  FAsked.push_back(TModalRecord{Kind, Caption, Text, false});
  if (FNext >= FExpected.size()) {
    Fail("unscripted " + Describe(Kind, Caption, Text));
    return nullptr;
  }
  const TModalExpectation& e = FExpected[FNext];
  if (e.Kind != Kind || !Matches(e.Match, Caption, Text)) {
    Fail("expected " + std::string(ModalKindName(e.Kind)) + " \"" + e.Match + "\", got " + Describe(Kind, Caption, Text));
    return nullptr;
  }
  ++FNext;
  FAsked.back().Scripted = true;
  return &e;
}

// ---- The service ----------------------------------------------------------------------------

TModalResult THeadlessModalService::Message(const TMessageRequest& request) {
  if (!gScript) return FNobody.Message(request);
  const TModalExpectation* e = gScript->Take(mkMessage, request.Caption, request.Text);
  if (!e) return TStandardErrorModalService::CancelAnswer(request.Buttons);
  if (!Offered(request.Buttons, e->Answer.Result)) {
    gScript->Fail("answer " + std::to_string(e->Answer.Result) + " is not a button of \"" + request.Text + "\"");
    return TStandardErrorModalService::CancelAnswer(request.Buttons);
  }
  return e->Answer.Result;
}

bool THeadlessModalService::Input(const std::string& caption, const std::string& prompt, std::string& value) {
  if (!gScript) return FNobody.Input(caption, prompt, value);
  const TModalExpectation* e = gScript->Take(mkInput, caption, prompt);
  if (!e || e->Answer.Result != mrOk) return false;
  value = e->Answer.Text;
  return true;
}

bool THeadlessModalService::FileDialog(TFileDialogRequest& request) {
  if (!gScript) return FNobody.FileDialog(request);
  TModalKind kind = request.Save ? mkSaveFile : mkOpenFile;
  const TModalExpectation* e = gScript->Take(kind, request.Title, request.Filter);
  if (!e || e->Answer.Result != mrOk) return false;
  const TModalAnswer& a = e->Answer;
  if (a.Text.empty() && a.Files.empty()) {
    gScript->Fail("the " + std::string(ModalKindName(kind)) + " answer names no file");
    return false;
  }
  request.Files = a.Files;
  request.FileName = a.Text.empty() ? a.Files.front() : a.Text;
  if (a.FilterIndex > 0) request.FilterIndex = a.FilterIndex;
  // A real open dialog lets no one pick a file that is not there.
  if (!request.Save && request.Options.Contains(ofFileMustExist) && !FileExists(request.FileName)) {
    gScript->Fail("the open dialog wants an existing file, \"" + request.FileName + "\" is none");
    return false;
  }
  return true;
}

bool THeadlessModalService::FontDialog(TFontRequest& request) {
  if (!gScript) return FNobody.FontDialog(request);
  const TModalExpectation* e = gScript->Take(mkFont, "", request.Font ? request.Font->Name() : "");
  if (!e || e->Answer.Result != mrOk) return false;
  if (e->Answer.Font && request.Font) e->Answer.Font(*request.Font);
  return true;
}

bool THeadlessModalService::ColorDialog(TColorRequest& request) {
  if (!gScript) return FNobody.ColorDialog(request);
  const TModalExpectation* e = gScript->Take(mkColor, "", "");
  if (!e || e->Answer.Result != mrOk) return false;
  if (e->Answer.Color != clNone) request.Color = e->Answer.Color;
  return true;
}

bool THeadlessModalService::PrintLike(TModalKind kind, TPrintRequest& request) {
  const TModalExpectation* e = gScript->Take(kind, "", "");
  if (!e || e->Answer.Result != mrOk) return false;
  if (e->Answer.Print) e->Answer.Print(request);
  return true;
}

bool THeadlessModalService::PrintDialog(TPrintRequest& request) {
  if (!gScript) return FNobody.PrintDialog(request);
  return PrintLike(mkPrint, request);
}

bool THeadlessModalService::PrinterSetupDialog(TPrintRequest& request) {
  if (!gScript) return FNobody.PrinterSetupDialog(request);
  return PrintLike(mkPrinterSetup, request);
}

TMenuItem* THeadlessModalService::PopupMenu(const TMenuRequest& request) {
  if (!gScript) return FNobody.PopupMenu(request);
  std::string items;
  if (request.Items)
    for (int i = 0; i < request.Items->Count(); ++i)
      if (request.Items->Items(i)->Visible()) items += (items.empty() ? "" : "|") + StripHotkey(request.Items->Items(i)->Caption());
  const TModalExpectation* e = gScript->Take(mkPopupMenu, request.Caption, items);
  if (!e || !request.Items) return nullptr;
  const TModalAnswer& a = e->Answer;
  TMenuItem* item = nullptr;
  if (!a.MenuPath.empty()) item = ItemAtPath(request.Items, a.MenuPath);
  else if (a.MenuCommand) item = request.Items->FindByCommand(a.MenuCommand);
  else return nullptr;
  if (!item) {
    gScript->Fail("the menu has no item \"" + a.MenuPath + "\" (items: " + items + ")");
    return nullptr;
  }
  if (!item->Enabled() || item->IsLine() || item->Count() > 0) {
    gScript->Fail("the menu item \"" + a.MenuPath + "\" cannot be chosen");
    return nullptr;
  }
  return item;
}

void THeadlessModalService::BeginModal(TCustomForm& form) {
  FIdleRounds = 0;
  if (!gScript) {
    FNobody.BeginModal(form);
    return;
  }
  const TModalExpectation* e = gScript->Take(mkForm, form.Caption(), form.Name().empty() ? form.ClassName() : form.Name());
  if (!e) {
    form.SetModalResult(mrCancel);
    return;
  }
  if (e->Answer.Form) e->Answer.Form(form);
  else form.SetModalResult(e->Answer.Result);
}

void THeadlessModalService::DialogShown(TModalKind kind, TCustomForm& form) {
  // The form stays open beside the program: without a script nobody looks at it.
  if (!gScript) return;
  const TModalExpectation* e = gScript->Take(kind, form.Caption(), form.Name().empty() ? form.ClassName() : form.Name());
  if (e && e->Answer.Form) e->Answer.Form(form);
}

std::intptr_t THeadlessModalService::ShellOpen(const TShellRequest& request) {
  if (!gScript) return TModalService::ShellOpen(request);
  const TModalExpectation* e = gScript->Take(mkShell, request.Verb, request.File);
  if (!e || e->Answer.Result != mrOk) return SE_ERR_NOASSOC;
  return TModalService::ShellOpen(request);
}

void THeadlessModalService::ModalRound(TCustomForm& form) {
  // Nothing waits for a person here: a form left open with nothing to do fails.
  bool busy = false;
  TEventLoop& loop = GetApplication().Loop();
  GetApplication().RunGuarded([&] { busy = loop.ProcessMessages(10); });
  if (busy) {
    FIdleRounds = 0;
    return;
  }
  if (++FIdleRounds < 300) return;
  if (gScript) gScript->Fail("the modal form \"" + form.Caption() + "\" stayed open");
  form.SetModalResult(mrCancel);
}
