// The record window on a real X server for record_data_x11.sh: the record server answers
// in-process over a database folder that holds only the shipped definition, so that the login
// window's "Create Demo" makes the database.  Another client of the same server deletes the shown
// record when the script asks (a file "delete.request" appears in the root folder).
//
// Five times a second the program writes what the windows show and where their controls are
// ("at WINDOW.CONTROL X Y", screen pixels; WINDOW is the window's caption with "_" for blanks),
// the entries of an open pop-up menu ("at menu:TEXT X Y ENABLED") and the buttons of Qt's message
// and input boxes ("at box:TEXT X Y"), so that the script clicks as a person and checks what the
// windows did.
#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>

#include "client/category_tree_editor.h"
#include "client/small_dialogs.h"
#include "client/view.h"
#include "controls/grid/qn_grid.h"
#include "platform/qt/qt_window_peer.h"
#include "platform/ui/list_view.h"
#include "platform/ui/screen.h"
#include "platform/ui/shell.h"
#include "platform/ui/tree_view.h"
#include "tests/client/core/client_fixture.h"
#include "tests/client/x11/x11_probe.h"

namespace {

std::string Blanks(std::string Text) {
  for (char& C : Text)
    if (C == ' ' || C == '\r' || C == '\n' || C == '\t') C = '_';
  return Text;
}
using x11_probe::At;
using x11_probe::Centre;
bool Showing(TControl* C) {
  for (; C; C = C->Parent())
    if (!C->Visible()) return false;
  return true;
}
// Every control of a window that shows, by its name.
void Controls(std::ostringstream& S, const std::string& Window, TWinControl* Parent) {
  for (int i = 0; i < Parent->ControlCount(); ++i) {
    TControl* C = Parent->Controls(i);
    if (!C->Visible()) continue;
    if (!C->Name().empty() && C->Width() > 0 && C->Height() > 0)
      S << At(Window + "." + C->Name(), Centre(C)) << ' ' << C->Enabled() << '\n';
    if (auto* W = dynamic_cast<TWinControl*>(C)) Controls(S, Window, W);
  }
}
std::string Lines(TStrings& L) {
  std::string Out;
  for (int i = 0; i < L.Count(); ++i) Out += (i ? "|" : "") + L[i];
  return Out;
}

}  // namespace

int main(int argc, char** argv) {
  x11_probe::TProgram Program(argc, argv);
  if (!Program.Valid) return 2;

  // The installation: the shipped definition and a web server launcher that does nothing.
  const fs::path Folder = Program.Root / "Data" / "database";
  fs::create_directories(Folder);
  for (const char* Ext : {".set", ".atr"})
    fs::copy_file(DefinitionFolder() / (std::string("General") + Ext), Folder / (std::string("General") + Ext),
                  fs::copy_options::overwrite_existing);
  x11_probe::InstallNullWebServer(Program.Root);
  TInProcessServer Server(Folder);
  x11_probe::TTrace Trace(Server);
  TViewOptions Options;
  Options.Transport = &Trace;
  Options.ProgramFolder = Program.Root.string() + "/";
  // The window frees itself when it closes, as the program's does.
  TView& View = *new TView(nullptr, Options);
  View.SetBounds(20, 20, 820, 600);
  bool Closed = false;
  // What the shell is asked to open (no browser starts here).
  std::string Opened;
  SetShellHandler([&Opened](const TShellRequest& R) {
    Opened = R.File;
    return std::intptr_t{42};
  });
  std::string Deleted;

  std::ofstream Log(Program.LogName, std::ios::trunc);
  QTimer::singleShot(300, [&] {
    View.Show();
    Log << "ready\n" << std::flush;
  });
  QTimer State;
  TCloseEvent WindowClose = View.OnClose;
  View.OnClose = [&, WindowClose](TObject* Sender, TCloseAction& Action) {
    if (WindowClose) WindowClose(Sender, Action);
    Closed = true;
    State.stop();
  };
  QObject::connect(&State, &QTimer::timeout, [&] {
    if (Closed) return;
    // Another client deletes the shown record when asked.
    if (fs::exists(Program.Root / "delete.request") && View.LoginFlag) {
      TServerSession Other(Server);
      Other.DatabaseName = View.Session->DatabaseName;
      try {
        Other.Get("D" + View.Logic->Number());
        Deleted = View.Logic->Number();
      } catch (const std::exception&) {
      }
      fs::remove(Program.Root / "delete.request");
    }
    // Written whole and then renamed into place, so the script never reads a half-written file.
    std::ostringstream S;
    S << "login " << View.LoginFlag << '\n';
    S << "deleted " << Deleted << '\n';
    S << "shell " << Opened << '\n';
    if (const TDatabase* D = Server.Form.Database()) S << "records " << D->Count() << '\n';
    if (View.LoginFlag) {
      TRecordWindow& W = *View.Logic;
      S << "number " << W.Number() << '\n';
      S << "name " << View.RecordName->Text() << '\n';
      S << "readonly " << View.ReadonlyBox->Checked() << '\n';
      for (int i = 0; i < 10; ++i) S << "detail" << i << ' ' << View.Detail[i]->Text() << '\n';
      for (int i = 0; i < 6; ++i) S << "other" << i + 1 << ' ' << View.Other[i]->Text() << '\n';
      for (int i = 0; i < 10; ++i) S << "desc" << i + 1 << ' ' << View.DescEdit[i]->Text() << '\n';
      S << "memo2 " << Lines(View.Memo2->Lines()) << '\n';
      S << "page " << View.RecordBook->ActivePageIndex() << '\n';
      for (int p = 0; p < View.RecordBook->PageCount(); ++p) {
        const TRect R = View.RecordBook->TabRect(p);
        S << At("page" + std::to_string(p),
                View.RecordBook->ClientToScreen({(R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2}))
          << '\n';
      }
      if (View.ItemList->Items().Count() > 0) {
        TListItem* Item = View.ItemList->Items()[0];
        S << "item0 " << Item->Checked() << '\n';
        const TRect R = Item->DisplayRect(drBounds);
        if (Showing(View.ItemList)) S << At("item0mark", View.ItemList->ClientToScreen({R.Left + 8, (R.Top + R.Bottom) / 2})) << '\n';
      }
      TQnStringGrid* G = View.DirGrid;
      S << "grid3 " << G->RowCount() << ' ' << G->Cells(1, 1) << '\n';
      S << "grid3editor " << G->EditorMode() << '\n';
      if (Showing(G)) {
        const TRect R = G->CellRect(1, 1);
        S << At("grid3cell", G->ClientToScreen({(R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2})) << '\n';
      }
      for (QWidget* Top : QApplication::topLevelWidgets())
        for (QMenuBar* Bar : Top->findChildren<QMenuBar*>())
          for (QAction* A : Bar->actions()) {
            if (!A->isVisible()) continue;
            const QPoint P = Bar->mapToGlobal(Bar->actionGeometry(A).center());
            std::string Text = A->text().toStdString();
            Text.erase(std::remove(Text.begin(), Text.end(), '&'), Text.end());
            S << At("menubar:" + Blanks(Text), {P.x(), P.y()}) << '\n';
          }
    }
    // The windows of the client that show, and their controls.
    for (int f = 0; f < Screen().FormCount(); ++f) {
      TCustomForm* F = Screen().Forms(f);
      if (!F->Visible()) continue;
      const std::string Window = Blanks(F->Caption());
      S << "window " << Window << '\n';
      S << At("window:" + Window, F->ClientToScreen({0, 0})) << ' ' << F->Width() << ' ' << F->Height() << '\n';
      Controls(S, Window, F);
      if (auto* D = dynamic_cast<TDropDownMenuForm*>(F)) S << "choices " << Lines(D->Choices->Lines()) << '\n';
      if (auto* A = dynamic_cast<TAddDescription*>(F)) {
        S << "tree";
        for (TTreeNode* N = A->DescriptionList->Items().GetFirstNode(); N; N = N->getNextSibling()) S << ' ' << N->Text();
        S << '\n';
      }
    }
    // Qt's message and input boxes, and the open pop-up menu.
    for (QWidget* Top : QApplication::topLevelWidgets()) {
      if (!Top->isVisible()) continue;
      if (auto* D = qobject_cast<QDialog*>(Top)) {
        std::string Text;
        for (QLabel* L : D->findChildren<QLabel*>())
          if (L->isVisible()) Text += L->text().toStdString() + " ";
        S << "box " << D->windowTitle().toStdString() << "|" << Text << '\n';
        const QPoint P = D->mapToGlobal(QPoint(0, 0));
        S << "at boxwin " << P.x() << ' ' << P.y() << ' ' << D->width() << ' ' << D->height() << '\n';
        for (QAbstractButton* B : D->findChildren<QAbstractButton*>())
          if (B->isVisible()) {
            std::string T = B->text().toStdString();
            T.erase(std::remove(T.begin(), T.end(), '&'), T.end());
            const QPoint C = B->mapToGlobal(B->rect().center());
            S << At("box:" + Blanks(T), {C.x(), C.y()}) << '\n';
          }
        for (QLineEdit* E : D->findChildren<QLineEdit*>())
          if (E->isVisible()) {
            const QPoint C = E->mapToGlobal(E->rect().center());
            S << At("box:edit", {C.x(), C.y()}) << '\n';
          }
      }
      if (auto* M = qobject_cast<QMenu*>(Top))
        for (QAction* A : M->actions())
          if (!A->isSeparator() && A->isVisible()) {
            const QPoint P = M->mapToGlobal(M->actionGeometry(A).center());
            std::string Text = A->text().toStdString();
            Text.erase(std::remove(Text.begin(), Text.end(), '&'), Text.end());
            S << At("menu:" + Blanks(Text), {P.x(), P.y()}) << ' ' << A->isEnabled() << '\n';
          }
    }
    // The widget that takes the keys (in the active window), and its window's title.
    if (QWidget* K = QApplication::focusWidget())
      S << "keys " << K->window()->windowTitle().toStdString() << '|' << K->metaObject()->className() << '\n';
    x11_probe::WriteState(Program.LogName, S.str());
  });
  State.start(200);
  return Program.App.exec();
}
