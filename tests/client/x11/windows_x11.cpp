// The record window's smaller windows on a real X server for the windows test script: the search
// results, the database information, the server settings and the CD player, opened from the
// record window's tool bar and menus, and the record window itself under a window manager.  The
// record server answers in-process.  The program writes where the controls are ("at NAME X Y",
// screen pixels) and, five times a second, what the windows show (the state file).
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QWidget>

#include <fstream>
#include <sstream>
#include <string>

#include "client/cd_form.h"
#include "client/reports/report_windows.h"
#include "client/reports/search_results_form.h"
#include "client/small_dialogs.h"
#include "client/view.h"
#include "client/view_reports.h"
#include "controls/grid/qn_grid.h"
#include "platform/gfx/bitmap.h"
#include "platform/qt/qt_window_peer.h"
#include "platform/ui/screen.h"
#include "platform/ui/std_buttons.h"
#include "tests/client/core/client_fixture.h"
#include "tests/client/x11/x11_probe.h"

namespace {

using x11_probe::At;
using x11_probe::Centre;

TPoint CellCentre(TQnStringGrid* G, int Col, int Row) {
  const TRect R = G->CellRect(Col, Row);
  return G->ClientToScreen({(R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2});
}
std::string Spaced(std::string Text) {
  for (char& C : Text)
    if (C == ' ') C = '_';
  return Text;
}
std::string Place(TControl* C) {
  const TPoint P = C->ClientToScreen({0, 0});
  return std::to_string(P.X) + " " + std::to_string(P.Y) + " " + std::to_string(C->Width()) + " " +
         std::to_string(C->Height());
}

// Where the label's text puts the middle of the blank after `Before` (the words of one of its
// lines, from the line's start, laid word after word as the label lays them), from the label's
// left edge; and the width of a blank in the label's font.
std::pair<int, int> BlankAfter(TControl* Label, const std::string& Before) {
  TBitmap Measure(1, 1);
  TCanvas& C = Measure.Canvas();
  C.Font().Assign(Label->Font());
  int X = 0;
  for (std::size_t At = 0; At < Before.size();) {
    const std::size_t Blank = Before.find(' ', At);
    const std::size_t End = Blank == std::string::npos ? Before.size() : Blank + 1;
    X += C.TextWidth(Before.substr(At, End - At));
    At = End;
  }
  const int Width = C.TextWidth(" ");
  return {X + Width / 2, Width};
}

template <class T>
T* Shown() {
  for (int f = 0; f < Screen().FormCount(); ++f)
    if (auto* F = dynamic_cast<T*>(Screen().Forms(f)); F && F->Visible()) return F;
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  x11_probe::TProgram Program(argc, argv);
  if (!Program.Valid) return 2;

  x11_probe::TServedView Served(Program.Root);  // the login window is not part of this test
  TView* View = &Served.View;
  // The window hides at its close (the test's window is not freed); the script ends the program.
  View->OnClose = [](TObject*, TCloseAction& Action) { Action = caHide; };
  if (!Served.Open()) return 3;
  TRecordWindow& W = *View->Logic;
  // Two records; the first is shown.
  View->RecordName->SetText("Item 06 Hammer drill");
  W.SaveRecord(W.Buffers.Current, true);
  const std::string First = W.Number();
  W.NewRecordClick();
  View->RecordName->SetText("Item 07 Saw");
  W.SaveRecord(W.Buffers.Current, true);
  W.GetRecord("G" + First);
  // The database was made on 2 December and last closed on 9 December; it writes its dates
  // month first.
  auto& Info = W.Buffers.Configuration.DatabaseInfo;
  Info[diCDate] = "2026/12/02";
  Info[diUDate] = "2026/12/09";
  W.Buffers.Configuration.DateFormat = "mm/dd/yyyy";
  W.SaveServerConfiguration();
  View->Show();

  std::ofstream Log(Program.LogName, std::ios::trunc);
  auto Write = [&](const std::string& Line) { Log << Line << '\n' << std::flush; };
  QTimer::singleShot(800, [&] {
    Write(At("searchlistbox", Centre(View->SearchListBox)));
    Write(At("searchlisttool", Centre(View->SearchListTBtn)));
    Write(At("cdtool", Centre(View->CDTBtn)));
    Write(At("nexttool", Centre(View->NextTBtn)));
    Write(At("closetool", Centre(View->CloseTBtn)));
    for (QWidget* Top : QApplication::topLevelWidgets())
      for (QMenuBar* Bar : Top->findChildren<QMenuBar*>())
        for (QAction* A : Bar->actions()) {
          if (!A->isVisible()) continue;
          const QPoint P = Bar->mapToGlobal(Bar->actionGeometry(A).center());
          Write(At("bar:" + Spaced(A->text().remove('&').toStdString()), {P.x(), P.y()}));
        }
    Write("code " + W.Number());
    Write("ready");
  });
  QTimer State;
  QObject::connect(&State, &QTimer::timeout, [&] {
    if (!Screen().FormCount()) return;
    // Written whole and then renamed into place, so the script never reads a half-written file.
    std::ostringstream S;
    for (int f = 0; f < Screen().FormCount(); ++f)
      if (TCustomForm* F = Screen().Forms(f); F->Visible())
        S << "form " << Spaced(F->Caption()) << ' ' << Place(F) << ' ' << F->WindowState() << '\n';
    if (View->Visible()) S << "main " << Place(View) << ' ' << View->WindowState() << '\n';
    S << At("closetool", Centre(View->CloseTBtn)) << '\n';
    S << "onlist " << View->SearchListBox->Checked() << '\n';
    S << "shown " << W.Number() << '\n';
    if (auto* R = Shown<TSnapShot>()) {
      TQnStringGrid* G = R->SearchDisplay;
      S << "results " << G->RowCount() << ' ' << G->ColCount() << '\n';
      S << "header " << G->Cells(0, 0) << '|' << G->Cells(1, 0) << '\n';
      S << "resultsgrid " << Place(G) << '\n';
      if (G->RowCount() > 1) S << At("resultrow1", CellCentre(G, 0, 1)) << '\n';
      S << "selected " << G->Selection().Top << '\n';
    }
    if (auto* I = Shown<TDatabaseInformationForm>()) {
      S << "created " << I->DateCreated->Text() << '\n';
      S << "updated " << I->DateUpdated->Text() << '\n';
      S << At("infocancel", Centre(I->CancelBtn)) << '\n';
    }
    if (auto* E = Shown<TServerSettingsForm>()) {
      if (auto* Text = dynamic_cast<TControl*>(E->FindComponent("Explanation"))) {
        S << "explanation " << Place(Text) << '\n';
        // The third line of the text begins "reach it."; the blank between "program" and "with".
        const auto [Gap, Blank] = BlankAfter(Text, "reach it.  To open it to your network, start the program");
        S << "programgap " << Gap << ' ' << Blank << '\n';
      }
      S << At("settingsok", Centre(E->OKBtn)) << '\n';
    }
    if (TCDForm* C = TCDForm::Current(); C && C->Visible()) S << "cd " << Place(C) << '\n';
    // The entries of an open menu, by their text.
    for (QWidget* Top : QApplication::topLevelWidgets())
      if (auto* M = qobject_cast<QMenu*>(Top); M && M->isVisible())
        for (QAction* A : M->actions())
          if (!A->isSeparator() && A->isVisible()) {
            const QPoint P = M->mapToGlobal(M->actionGeometry(A).center());
            S << At("menu:" + Spaced(A->text().remove('&').toStdString()), {P.x(), P.y()}) << '\n';
          }
    x11_probe::WriteState(Program.LogName, S.str());
  });
  State.start(200);
  return Program.App.exec();
}
