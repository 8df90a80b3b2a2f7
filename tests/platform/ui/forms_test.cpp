// Forms on the headless backend: modal runs, the scripted modal service, layout on resize,
// keyboard navigation, closing and releasing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/headless/event_loop_poll.h"
#include "platform/headless/headless_clipboard.h"
#include "platform/headless/headless_peer.h"
#include "platform/headless/modal_script_check.h"
#include "platform/ui/application.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/edits.h"
#include "platform/ui/forms.h"
#include "platform/ui/modal_service.h"
#include "platform/ui/screen.h"
#include "platform/ui/shell.h"
#include "platform/ui/std_buttons.h"
#include "tests/platform/headless/headless_application.h"

namespace {

// A push button as the standard controls make one: Enter presses the default one, Escape the
// cancel one, and a click hands its ModalResult to the form.
class TTestButton : public TCustomControl {
public:
  explicit TTestButton(TComponent* owner) : TCustomControl(owner) { SetTabStop(true); }
  bool Default = false;
  bool Cancel = false;
  TModalResult Result = mrNone;
  int Clicks = 0;

  void Click() override {
    ++Clicks;
    if (TCustomForm* f = GetParentForm(this); f && Result != mrNone) f->SetModalResult(Result);
    TCustomControl::Click();
  }
  void WndProc(TMessage& m) override {
    if (m.Msg == CM_DIALOGKEY && ((m.WParam == VK_RETURN && Default) || (m.WParam == VK_ESCAPE && Cancel)) &&
        CanFocus()) {
      Click();
      m.Result = 1;
      return;
    }
    TCustomControl::WndProc(m);
  }
};

// An edit-like control: takes the focus and keeps what it is told of keys.
class TTestEdit : public TCustomControl {
public:
  explicit TTestEdit(TComponent* owner) : TCustomControl(owner) { SetTabStop(true); }
  bool WantReturns = false;
  std::vector<WORD> Keys;

protected:
  void KeyDown(WORD& key, TShiftState shift) override {
    Keys.push_back(key);
    TCustomControl::KeyDown(key, shift);
  }
  void WndProc(TMessage& m) override {
    if (m.Msg == WM_GETDLGCODE) {
      m.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | (WantReturns ? static_cast<UINT>(DLGC_WANTALLKEYS) : 0u);
      return;
    }
    TCustomControl::WndProc(m);
  }
};

class FormsTest : public ::testing::Test {
protected:
  void SetUp() override {
    Loop = NewHeadlessApplication(App);
  }
  void TearDown() override { delete App; }

  TApplication* App = nullptr;
  TPollEventLoop* Loop = nullptr;
};

}  // namespace

TEST_F(FormsTest, ShowModalReturnsTheResultTheButtonSetAndDisablesTheOtherForms) {
  TForm main(nullptr);
  main.Show();
  auto* dialog = new TForm(nullptr);
  dialog->SetCaption("Confirm change");
  auto* ok = new TTestButton(dialog);
  ok->SetParent(dialog);
  ok->SetBounds(10, 10, 75, 25);
  ok->Result = mrOk;
  std::vector<std::string> log;
  dialog->OnShow = [&](TObject*) { log.push_back("show"); };
  dialog->OnActivate = [&](TObject*) { log.push_back("activate"); };
  dialog->OnClose = [&](TObject*, TCloseAction& a) {
    log.push_back("close " + std::to_string(a));
  };

  TCheckedModalScript script;
  bool mainDisabled = false;
  script.ExpectForm("Confirm", [&](TCustomForm& f) {
    mainDisabled = !main.Enabled();
    EXPECT_TRUE(f.FormState().Contains(fsModal));
    // The click comes through the loop, as a person's would.
    Loop->Post([ok] { HeadlessInput::Click(*ok, 5, 5); });
  });
  EXPECT_EQ(dialog->ShowModal(), mrOk);
  EXPECT_TRUE(mainDisabled);
  EXPECT_TRUE(main.Enabled());
  EXPECT_FALSE(dialog->Visible());
  EXPECT_EQ(ok->Clicks, 1);
  EXPECT_EQ(log, (std::vector<std::string>{"show", "activate", "close 1"}));
  EXPECT_EQ(Screen().ActiveForm(), &main);

  // A visible form cannot be made modal.
  dialog->Show();
  EXPECT_THROW(dialog->ShowModal(), EInvalidOperation);
  delete dialog;
}

TEST_F(FormsTest, AButtonWithAModalResultEndsTheModalRunOfItsForm) {
  TForm dialog(nullptr);
  dialog.SetCaption("Save changes");
  TButton no(nullptr), yes(nullptr);
  no.SetParent(&dialog);
  yes.SetParent(&dialog);
  no.SetBounds(10, 10, 75, 25);
  yes.SetBounds(90, 10, 75, 25);
  no.SetModalResult(mrNo);
  yes.SetModalResult(mrYes);
  TCheckedModalScript script;
  script.ExpectForm("Save", [&](TCustomForm&) { Loop->Post([&] { HeadlessInput::Click(no, 5, 5); }); });
  script.ExpectForm("Save", [&](TCustomForm&) { Loop->Post([&] { yes.Perform(BM_CLICK, 0, 0); }); });
  EXPECT_EQ(dialog.ShowModal(), mrNo);
  EXPECT_FALSE(dialog.Visible());
  EXPECT_EQ(dialog.ShowModal(), mrYes);
}

TEST_F(FormsTest, ClosingAModalFormCancelsItAndCloseQueryCanRefuse) {
  TForm dialog(nullptr);
  dialog.SetCaption("Edit");
  int asked = 0;
  dialog.OnCloseQuery = [&](TObject*, bool& canClose) {
    canClose = ++asked > 1;
    // The first close is refused: the loop goes on until the next one.
    if (!canClose) Loop->Post([&] { dialog.Close(); });
  };
  TCheckedModalScript script;
  script.ExpectForm("Edit", [&](TCustomForm& f) { Loop->Post([&f] { f.Close(); }); });
  EXPECT_EQ(dialog.ShowModal(), mrCancel);
  EXPECT_EQ(asked, 2);
}

TEST_F(FormsTest, CloseActionsHideFreeOrKeepTheForm) {
  auto* form = new TForm(nullptr);
  bool destroyed = false;
  form->OnDestroy = [&](TObject*) { destroyed = true; };
  form->Show();
  TCloseAction wanted = caNone;
  form->OnClose = [&](TObject*, TCloseAction& a) { a = wanted; };
  form->Close();
  EXPECT_TRUE(form->Visible());
  wanted = caHide;
  form->Close();
  EXPECT_FALSE(form->Visible());
  wanted = caFree;
  form->Show();
  form->Close();
  // Freed only once the running handlers returned: from the loop.
  EXPECT_FALSE(destroyed);
  int before = Screen().FormCount();
  App->ProcessMessages();
  EXPECT_TRUE(destroyed);
  EXPECT_EQ(Screen().FormCount(), before - 1);
}

TEST_F(FormsTest, MainFormCloseEndsTheProgram) {
  TForm* main = nullptr;
  App->CreateForm(main);
  EXPECT_EQ(App->MainForm(), main);
  main->Show();
  main->Close();
  EXPECT_TRUE(App->Terminated());
}

TEST_F(FormsTest, ScriptAnswersMessageBoxesInputBoxesAndFileDialogs) {
  App->SetTitle("Records");
  TCheckedModalScript script;
  script.ExpectMessage("Delete the record?", mrYes)
      .ExpectMessage("Saved", mrOk)
      .ExpectInput("New name", "Ledger")
      .ExpectCancel(mkInput, "New name")
      .ExpectOpenFile("Import", "/tmp/data.csv")
      .ExpectSaveFile("Export", "/tmp/out");
  EXPECT_EQ(MessageDlg("Delete the record?", mtConfirmation, mbYesNo, 0), mrYes);
  EXPECT_EQ(MessageBox(nullptr, "Saved", "Done", MB_OK), IDOK);
  EXPECT_EQ(InputBox("Rename", "New name", "Old"), "Ledger");
  EXPECT_EQ(InputBox("Rename", "New name", "Old"), "Old");

  TOpenDialog open(nullptr);
  open.SetTitle("Import");
  open.SetFilter("Text|*.csv|All|*.*");
  ASSERT_TRUE(open.Execute());
  EXPECT_EQ(open.FileName(), "/tmp/data.csv");
  TSaveDialog save(nullptr);
  save.SetTitle("Export");
  save.SetDefaultExt(".htm");
  ASSERT_TRUE(save.Execute());
  EXPECT_EQ(save.FileName(), "/tmp/out.htm");
  EXPECT_EQ(script.Remaining(), 0);
  ASSERT_EQ(script.Asked().size(), 6u);
  EXPECT_EQ(script.Asked()[0].Caption, "Records");
}

TEST_F(FormsTest, UnscriptedOrMismatchedInteractionsFailAndGetTheCancelAnswer) {
  std::vector<std::string> failures;
  {
    THeadlessModalScript script;
    script.OnFailure = [&](const std::string& m) { failures.push_back(m); };
    script.ExpectMessage("Overwrite", mrYes);
    // A button the box does not offer is a failure too.
    EXPECT_EQ(MessageDlg("Overwrite the file?", mtWarning, mbOKCancel, 0), mrCancel);
    EXPECT_EQ(MessageDlg("Unexpected", mtError, mbYesNo, 0), mrNo);
    TOpenDialog open(nullptr);
    EXPECT_FALSE(open.Execute());
    script.ExpectInput("never asked", "x");
  }
  ASSERT_EQ(failures.size(), 4u);
  EXPECT_NE(failures[0].find("not a button"), std::string::npos);
  EXPECT_NE(failures[1].find("unscripted message"), std::string::npos);
  EXPECT_NE(failures[2].find("unscripted open file"), std::string::npos);
  EXPECT_NE(failures[3].find("never came"), std::string::npos);
}

template <typename T> T& Part(TCustomForm& form, const char* name) {
  auto* c = dynamic_cast<T*>(form.FindComponent(name));
  if (!c) throw Exception(std::string("no ") + name + " on the form");
  return *c;
}

TEST_F(FormsTest, TheFindDialogIsAFormThatTheScriptFillsAndPresses) {
  TForm main(nullptr);
  main.Show();
  TFindDialog find(nullptr);
  find.SetFindText("alpha");
  find.SetOptions(TFindOptions{frMatchCase});
  std::vector<std::string> log;
  find.OnShow = [&](TObject*) { log.push_back("show"); };
  find.OnClose = [&](TObject*) { log.push_back("close"); };
  find.OnFind = [&](TObject*) {
    TFindOptions o = find.Options();
    log.push_back("find " + find.FindText() + (o.Contains(frMatchCase) ? " case" : "") +
                  (o.Contains(frWholeWord) ? " word" : "") + (o.Contains(frDown) ? " down" : " up") +
                  (o.Contains(frFindNext) ? " next" : ""));
  };
  TCheckedModalScript script;
  script.ExpectFind("Find", [&](TCustomForm& f) {
    // The form shows what the program set.
    EXPECT_EQ(Part<TEdit>(f, "FindWhat").Text(), "alpha");
    EXPECT_TRUE(Part<TCheckBox>(f, "MatchCase").Checked());
    EXPECT_FALSE(Part<TCheckBox>(f, "WholeWord").Checked());
    EXPECT_TRUE(Part<TRadioButton>(f, "Up").Checked());
    EXPECT_EQ(GetFocus(), &Part<TEdit>(f, "FindWhat"));
    // A person types a new text, changes the options and presses Find Next.
    Part<TEdit>(f, "FindWhat").SetText("");
    EXPECT_FALSE(Part<TButton>(f, "FindNext").Enabled());
    HeadlessInput::Key(Part<TEdit>(f, "FindWhat"), VK_RETURN);  // nothing to find yet
    HeadlessInput::Type(Part<TEdit>(f, "FindWhat"), "beta");
    EXPECT_TRUE(Part<TButton>(f, "FindNext").Enabled());
    HeadlessInput::Click(Part<TCheckBox>(f, "MatchCase"), 4, 4);
    HeadlessInput::Click(Part<TCheckBox>(f, "WholeWord"), 4, 4);
    HeadlessInput::Click(Part<TRadioButton>(f, "Down"), 4, 4);
    HeadlessInput::Click(Part<TButton>(f, "FindNext"), 5, 5);
    // Enter presses Find Next again; Escape presses Cancel.
    HeadlessInput::Key(Part<TEdit>(f, "FindWhat"), VK_RETURN);
    HeadlessInput::Key(Part<TEdit>(f, "FindWhat"), VK_ESCAPE);
  });
  ASSERT_TRUE(find.Execute());
  EXPECT_EQ(log, (std::vector<std::string>{"show", "find beta word down next", "find beta word down next", "close"}));
  ASSERT_NE(find.Form(), nullptr);
  EXPECT_FALSE(find.Form()->Visible());
  EXPECT_TRUE(main.Visible());

  // Hidden and disabled options; the form opens again with what the last search used.
  find.SetOptions(TFindOptions{frHideMatchCase, frDisableUpDown, frWholeWord});
  script.ExpectFind("Find", [&](TCustomForm& f) {
    EXPECT_EQ(Part<TEdit>(f, "FindWhat").Text(), "beta");
    EXPECT_FALSE(Part<TCheckBox>(f, "MatchCase").Visible());
    EXPECT_TRUE(Part<TCheckBox>(f, "WholeWord").Checked());
    EXPECT_FALSE(Part<TRadioButton>(f, "Down").Enabled());
    HeadlessInput::Click(Part<TButton>(f, "Cancel"), 5, 5);
  });
  ASSERT_TRUE(find.Execute());
  EXPECT_EQ(log.back(), "close");
  EXPECT_FALSE(find.Form()->Visible());
  EXPECT_EQ(script.Remaining(), 0);
}

TEST_F(FormsTest, UnscriptedShellOpensAndFindDialogsFail) {
  std::vector<std::string> failures;
  {
    THeadlessModalScript script;
    script.OnFailure = [&](const std::string& m) { failures.push_back(m); };
    script.ExpectShell("example.org").ExpectShell("missing.pdf", mrCancel);
    EXPECT_EQ(ShellExecute(nullptr, "open", "https://example.org/", "", "", SW_SHOWNORMAL), 42);
    EXPECT_EQ(ShellExecute(nullptr, "open", "/tmp/missing.pdf", "", "", SW_SHOWNORMAL), SE_ERR_NOASSOC);
    EXPECT_EQ(ShellExecute(nullptr, "open", "mailto:a@b.example", "", "", SW_SHOWNORMAL), SE_ERR_NOASSOC);
    TFindDialog find(nullptr);
    EXPECT_TRUE(find.Execute());
  }
  ASSERT_EQ(failures.size(), 2u);
  EXPECT_NE(failures[0].find("unscripted shell open \"open\" \"mailto:a@b.example\""), std::string::npos);
  EXPECT_NE(failures[1].find("unscripted find dialog \"Find\""), std::string::npos);
  // Without a script the request is only recorded, as the server needs.
  EXPECT_EQ(ShellExecute(nullptr, "open", "https://example.org/b", "", "", SW_SHOWNORMAL), 42);
  ASSERT_FALSE(HeadlessShellRequests().empty());
  EXPECT_EQ(HeadlessShellRequests().back().File, "https://example.org/b");
}

// A document or link that no program opens is not passed over in silence.
TEST_F(FormsTest, AShellOpenThatFailsTellsThePerson) {
  std::vector<std::string> failures;
  {
    THeadlessModalScript script;
    script.OnFailure = [&](const std::string& m) { failures.push_back(m); };
    script.ExpectShell("plan.pdf", mrCancel)
        .ExpectMessage("No program on this computer can open the file \"plan.pdf\".", mrOk)
        .ExpectShell("https://example.org/", mrCancel)
        .ExpectMessage("No program on this computer can open \"https://example.org/\".", mrOk)
        .ExpectShell("notes.txt", mrOk);
    EXPECT_FALSE(ShellOpenOrTell(nullptr, "/home/a/plan.pdf", "the file \"plan.pdf\""));
    EXPECT_FALSE(ShellOpenOrTell(nullptr, "https://example.org/"));
    EXPECT_TRUE(ShellOpenOrTell(nullptr, "/home/a/notes.txt"));  // opened: nothing to say
    EXPECT_EQ(script.Remaining(), 0);
  }
  EXPECT_TRUE(failures.empty()) << failures.front();
}

TEST_F(FormsTest, WithoutAScriptTheCancelAnswerComesAndTheTextGoesToStandardError) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(MessageDlg("Database is locked", mtError, mbYesNoCancel, 0), mrCancel);
  EXPECT_EQ(InputBox("Find", "Text to find", "abc"), "abc");
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("Database is locked"), std::string::npos);
  EXPECT_NE(err.find("Text to find"), std::string::npos);
}

TEST_F(FormsTest, AlignAndAnchorsRelayTheFormOnResize) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 400, 300);
  auto make = [&](TAlign align, int size) {
    auto* c = new TTestEdit(&form);
    c->SetParent(&form);
    c->SetBounds(0, 0, size, size);
    c->SetAlign(align);
    return c;
  };
  TControl* top1 = make(alTop, 30);
  TControl* top2 = make(alTop, 20);  // set last at Top 0: goes above the first
  TControl* bottom = make(alBottom, 25);
  TControl* left = make(alLeft, 50);
  TControl* client = make(alClient, 10);
  auto* ok = new TTestButton(&form);
  ok->SetParent(&form);
  ok->SetBounds(300, 250, 80, 20);  // 20 from the right, 30 from the bottom
  ok->SetAnchors(TAnchors{akRight, akBottom});
  auto* wide = new TTestEdit(&form);
  wide->SetParent(&form);
  wide->SetBounds(60, 100, 320, 20);
  wide->SetAnchors(TAnchors{akLeft, akTop, akRight});
  wide->Constraints().SetMinWidth(200);

  EXPECT_EQ(top2->BoundsRect(), Rect(0, 0, 400, 20));
  EXPECT_EQ(top1->BoundsRect(), Rect(0, 20, 400, 50));
  EXPECT_EQ(bottom->BoundsRect(), Rect(0, 275, 400, 300));
  EXPECT_EQ(left->BoundsRect(), Rect(0, 50, 50, 275));
  EXPECT_EQ(client->BoundsRect(), Rect(50, 50, 400, 275));

  form.SetBounds(0, 0, 500, 400);
  EXPECT_EQ(top2->BoundsRect(), Rect(0, 0, 500, 20));
  EXPECT_EQ(bottom->BoundsRect(), Rect(0, 375, 500, 400));
  EXPECT_EQ(client->BoundsRect(), Rect(50, 50, 500, 375));
  EXPECT_EQ(ok->BoundsRect(), Rect(400, 350, 480, 370));
  EXPECT_EQ(wide->BoundsRect(), Rect(60, 100, 480, 120));
  // Smaller than its minimum width the anchored edit stops shrinking.
  form.SetBounds(0, 0, 200, 300);
  EXPECT_EQ(wide->Width(), 200);
  EXPECT_EQ(ok->Left(), 100);
  // Hiding an aligned control gives its room to the others.
  top1->SetVisible(false);
  EXPECT_EQ(left->Top(), 20);
}

TEST_F(FormsTest, TabAndShiftTabFollowTheTabOrderAndSkipWhatCannotTakeTheFocus) {
  TForm form(nullptr);
  auto* a = new TTestEdit(&form);
  auto* b = new TTestEdit(&form);
  auto* c = new TTestEdit(&form);
  auto* d = new TTestEdit(&form);
  for (TWinControl* w : {static_cast<TWinControl*>(a), static_cast<TWinControl*>(b), static_cast<TWinControl*>(c),
                         static_cast<TWinControl*>(d)})
    w->SetParent(&form);
  c->SetEnabled(false);
  d->SetTabOrder(0);  // d, a, b, c
  EXPECT_EQ(a->TabOrder(), 1);
  form.Show();
  EXPECT_EQ(GetFocus(), d);
  EXPECT_EQ(form.ActiveControl(), d);
  HeadlessInput::Key(*d, VK_TAB);
  EXPECT_EQ(GetFocus(), a);
  HeadlessInput::Key(*a, VK_TAB);
  EXPECT_EQ(GetFocus(), b);
  HeadlessInput::Key(*b, VK_TAB);  // c is disabled: round to d
  EXPECT_EQ(GetFocus(), d);
  HeadlessInput::Key(*d, VK_TAB, TShiftState{ssShift});
  EXPECT_EQ(GetFocus(), b);
  // The Tab never reached the controls' own handlers.
  EXPECT_TRUE(a->Keys.empty());
}

TEST_F(FormsTest, EnterAndEscapePressTheDefaultAndCancelButtonsUnlessTheControlWantsThem) {
  TForm form(nullptr);
  auto* edit = new TTestEdit(&form);
  edit->SetParent(&form);
  auto* ok = new TTestButton(&form);
  ok->SetParent(&form);
  ok->Default = true;
  ok->Result = mrOk;
  auto* cancel = new TTestButton(&form);
  cancel->SetParent(&form);
  cancel->Cancel = true;
  cancel->Result = mrCancel;
  form.Show();
  ASSERT_EQ(GetFocus(), edit);
  int chars = 0;
  edit->OnKeyPress = [&](TObject*, char32_t&) { ++chars; };
  HeadlessInput::Key(*edit, VK_RETURN);
  EXPECT_EQ(ok->Clicks, 1);
  EXPECT_EQ(form.ModalResult(), mrOk);
  EXPECT_EQ(chars, 0);  // the pressed key types nothing
  HeadlessInput::Key(*edit, VK_ESCAPE);
  EXPECT_EQ(cancel->Clicks, 1);
  EXPECT_EQ(form.ModalResult(), mrCancel);
  // A control that wants Enter keeps it.
  edit->WantReturns = true;
  HeadlessInput::Key(*edit, VK_RETURN);
  EXPECT_EQ(ok->Clicks, 1);
  EXPECT_EQ(edit->Keys.back(), VK_RETURN);
  EXPECT_EQ(chars, 1);
}

TEST_F(FormsTest, KeyPreviewGivesTheFormTheKeysFirst) {
  TForm form(nullptr);
  auto* edit = new TTestEdit(&form);
  edit->SetParent(&form);
  std::vector<std::string> log;
  form.OnKeyDown = [&](TObject*, WORD& key, TShiftState) {
    log.push_back("form " + std::to_string(key));
    if (key == VK_F2) key = 0;
  };
  form.OnKeyPress = [&](TObject*, char32_t& ch) {
    log.push_back(std::string("form char ") + static_cast<char>(ch));
    if (ch == 'x') ch = 0;
  };
  edit->OnKeyPress = [&](TObject*, char32_t& ch) { log.push_back(std::string("edit char ") + static_cast<char>(ch)); };
  form.Show();
  HeadlessInput::Key(*edit, VK_F3);
  EXPECT_EQ(log, std::vector<std::string>{});  // without KeyPreview the form hears nothing
  form.SetKeyPreview(true);
  HeadlessInput::Key(*edit, VK_F2);  // eaten by the form
  HeadlessInput::Key(*edit, VK_F3);
  HeadlessInput::Type(*edit, "xy");
  EXPECT_EQ(log, (std::vector<std::string>{"form 113", "form 114", "form char x", "form char y", "edit char y"}));
  EXPECT_EQ(edit->Keys, (std::vector<WORD>{VK_F3, VK_F3}));
}

// A press holds the mouse for its control until the release; a form hidden before the
// release came (closed by the press, by a timer, by a modal result) takes that hold with it.
TEST_F(FormsTest, HidingAFormEndsTheMouseCaptureOfItsControls) {
  TForm main(nullptr);
  main.Show();
  auto* mainButton = new TTestButton(&main);
  mainButton->SetParent(&main);
  mainButton->SetBounds(10, 10, 75, 25);
  TForm results(nullptr);
  auto* button = new TTestButton(&results);
  button->SetParent(&results);
  button->SetBounds(10, 10, 75, 25);
  results.Show();
  HeadlessInput::MouseDown(*button, 5, 5);
  ASSERT_EQ(GetCapture(), button);
  results.Hide();
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_FALSE(button->MouseCapture());
  // A capture elsewhere stays when another form hides.
  results.Show();
  HeadlessInput::MouseDown(*mainButton, 5, 5);
  results.Hide();
  EXPECT_EQ(GetCapture(), mainButton);
  HeadlessInput::MouseUp(*mainButton, 5, 5);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(mainButton->Clicks, 1);
}

// Where a centred form shows on the 1024 x 768 screen: at the size it has when shown, within
// the screen, over the main form while that is shown.
TEST_F(FormsTest, CentredFormsAreCentredAtTheirShownSizeAndKeptOnTheScreen) {
  auto ShownAt = [](TPosition Position, TRect Designed, TNotifyEvent OnShow = nullptr) {
    TForm f(nullptr);
    f.SetPosition(Position);
    f.SetBounds(Designed.Left, Designed.Top, Designed.Width(), Designed.Height());
    f.OnShow = std::move(OnShow);
    f.Show();
    TRect r = f.BoundsRect();
    f.Hide();
    return r;
  };
  EXPECT_EQ(ShownAt(poDesigned, Bounds(0, 0, 760, 560)), Bounds(0, 0, 760, 560));
  EXPECT_EQ(ShownAt(poScreenCenter, Bounds(0, 0, 760, 560)), Bounds(132, 104, 760, 560));
  // A size set while showing is the size centred.
  EXPECT_EQ(ShownAt(poScreenCenter, Bounds(0, 0, 200, 100),
                    [&](TObject* f) { static_cast<TForm*>(f)->SetBounds(0, 0, 400, 300); }),
            Bounds(312, 234, 400, 300));
  // Larger than the screen: its top-left corner at the screen's.
  EXPECT_EQ(ShownAt(poScreenCenter, Bounds(0, 0, 1200, 900)), Bounds(0, 0, 1200, 900));

  TForm main(nullptr);
  main.SetBounds(100, 100, 500, 400);
  App->SetMainForm(&main);
  main.Show();
  EXPECT_EQ(ShownAt(poMainFormCenter, Bounds(0, 0, 200, 100)), Bounds(250, 250, 200, 100));
  // Near the screen's bottom-right corner the form stays whole on the screen.
  main.SetBounds(900, 650, 300, 200);
  EXPECT_EQ(ShownAt(poMainFormCenter, Bounds(0, 0, 200, 100)), Bounds(824, 668, 200, 100));
  // A hidden main form: the screen's centre.
  main.Hide();
  EXPECT_EQ(ShownAt(poMainFormCenter, Bounds(0, 0, 200, 100)), Bounds(412, 334, 200, 100));
  App->SetMainForm(nullptr);
}

TEST_F(FormsTest, ActivationFollowsShowHideAndTheScreenKeepsFormsInCreationOrder) {
  int before = Screen().FormCount();
  TForm a(nullptr), b(nullptr);
  a.SetPosition(poScreenCenter);
  a.SetBounds(0, 0, 200, 100);
  EXPECT_EQ(Screen().FormCount(), before + 2);
  EXPECT_EQ(Screen().Forms(before), &a);
  EXPECT_EQ(Screen().Forms(before + 1), &b);
  std::vector<std::string> log;
  a.OnActivate = [&](TObject*) { log.push_back("a on"); };
  a.OnDeactivate = [&](TObject*) { log.push_back("a off"); };
  b.OnActivate = [&](TObject*) { log.push_back("b on"); };
  a.Show();
  EXPECT_EQ(a.BoundsRect(), Rect(412, 334, 612, 434));  // centred on the 1024 x 768 screen
  b.Show();
  b.Hide();
  EXPECT_EQ(log, (std::vector<std::string>{"a on", "a off", "b on", "a on"}));
  EXPECT_EQ(Screen().ActiveForm(), &a);
}
