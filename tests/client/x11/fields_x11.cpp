// The record window on a real X server for the fields test script: the record server answers
// in-process; the window shows a record with two pictures, a grid 3 line and a relational
// description.  The program writes where its controls are ("at NAME X Y", screen pixels) and,
// five times a second, what they show and which widget takes the keys ("state" lines), so that
// the script can click as a person and check what the window did.
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QWidget>

#include <fstream>
#include <sstream>
#include <string>

#include "client/core/definition_template.h"
#include "client/reports/barcode_forms.h"
#include "client/relationship_form.h"
#include "client/row_editor.h"
#include "client/view.h"
#include "client/view_fields.h"
#include "controls/diagram.h"
#include "controls/grid/qn_grid.h"
#include "platform/qt/qt_window_peer.h"
#include "platform/ui/mask_edit.h"
#include "platform/ui/image.h"
#include "platform/ui/screen.h"
#include "platform/ui/shell.h"
#include "platform/ui/std_buttons.h"
#include "tests/client/core/client_fixture.h"
#include "tests/client/x11/x11_probe.h"

namespace {

using x11_probe::At;
using x11_probe::Centre;
TPoint TabCentre(TCustomTabControl* T, int I) {
  const TRect R = T->TabRect(I);
  return T->ClientToScreen({(R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2});
}
TPoint CellCentre(TQnStringGrid* G, int Col, int Row) {
  const TRect R = G->CellRect(Col, Row);
  return G->ClientToScreen({(R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2});
}

}  // namespace

int main(int argc, char** argv) {
  x11_probe::TProgram Program(argc, argv);
  if (!Program.Valid) return 2;

  x11_probe::TServedView Served(Program.Root);  // the login window is not part of this test
  TView& View = Served.View;
  if (!Served.Open()) return 3;
  View.SetBounds(20, 20, 820, 600);

  // Description 2 holds references; a second record refers to the first.
  TRecordWindow& W = *View.Logic;
  W.Buffers.Configuration.DescriptionKinds[1] = "Relational";
  W.Buffers.ConfigMask.Set(ConfigMask::Descriptions, 1);
  W.SaveServerConfiguration();
  const std::string First = W.Number();
  View.RecordName->SetText("Parent record");
  W.SaveRecord(W.Buffers.Current, true);
  W.NewRecordClick();
  View.RecordName->SetText("Child record");
  W.ChooseDescriptionValue(1, "Parent record : " + First);
  const std::string Child = W.Number();
  W.NewRecordClick();
  View.RecordName->SetText("Grandchild record of a long name");
  W.ChooseDescriptionValue(1, "Child record : " + Child);
  W.SaveRecord(W.Buffers.Current, true);
  W.GetRecord("G" + First);
  W.GetRecord("N" + First);
  // Detail 7 is a barcode field, detail 8 a URL field.
  W.Buffers.Configuration.DetailKinds[6] = "barcode";
  W.Buffers.Configuration.DetailKinds[7] = "Web URL";
  W.Buffers.ConfigMask.Set(ConfigMask::DetailKinds, 6);
  W.Buffers.ConfigMask.Set(ConfigMask::DetailKinds, 7);
  W.SaveServerConfiguration();
  // What the shell is asked to open (no browser starts here).
  std::string Opened;
  SetShellHandler([&Opened](const TShellRequest& R) {
    Opened = R.File;
    return std::intptr_t{42};
  });
  // Two pictures and one grid 3 line on the shown record (the child).
  View.Fields->Fields.SelectPicture(1, (Program.Root / "wide.jpg").string());
  View.Fields->Fields.SelectPicture(2, (Program.Root / "tall.gif").string());
  View.Fields->Lines.SendRowEditor(3, -1, {"NEW", "01/02/2026", "Bought", "Paris", "40", "first"});
  W.GetRecord("G" + W.Number());
  View.Show();

  std::ofstream Log(Program.LogName, std::ios::trunc);
  auto Write = [&](const std::string& Line) { Log << Line << '\n' << std::flush; };
  QTimer::singleShot(800, [&] {
    Write(At("descbtn0", Centre(View.DescBtn[0])));
    Write(At("descbtn1", Centre(View.DescBtn[1])));
    Write(At("desclabel2", Centre(View.Desc[2])));
    for (int p = 0; p < View.RecordBook->PageCount(); ++p)
      Write(At("page" + std::to_string(p), TabCentre(View.RecordBook, p)));
    for (QWidget* Top : QApplication::topLevelWidgets())
      for (QMenuBar* Bar : Top->findChildren<QMenuBar*>())
        for (QAction* A : Bar->actions())
          if (A->text().contains("Edit")) {
            const QPoint P = Bar->mapToGlobal(Bar->actionGeometry(A).center());
            Write(At("editmenu", {P.x(), P.y()}));
          }
    Write("ready");
  });
  // What the window shows, and where the controls of the page on top are.
  QTimer State;
  QObject::connect(&State, &QTimer::timeout, [&] {
    // Written whole and then renamed into place, so the script never reads a half-written file.
    std::ostringstream S;
    S << "desc0 " << View.DescEdit[0]->Text() << '\n';
    S << "value0 " << W.DescriptionValue(0) << '\n';
    S << "short " << W.ShortDescriptionValues() << '\n';
    S << "label2 " << View.Desc[2]->Caption() << '\n';
    S << "page " << View.RecordBook->ActivePageIndex() << '\n';
    S << "tab " << View.ImageBook->TabIndex() << '\n';
    S << "image " << View.RecordImage->Visible() << ' ' << View.RecordImage->Width() << ' '
      << View.RecordImage->Height() << '\n';
    S << "picstat " << View.PicStat->Visible() << ' ' << View.PicStat->Caption() << '\n';
    S << "grid3 " << View.DirGrid->RowCount() << ' ' << View.DirGrid->Cells(2, 1) << '\n';
    for (int t = 0; t < 6; ++t) S << At("imagetab" + std::to_string(t), TabCentre(View.ImageBook, t)) << '\n';
    S << At("gridrow1", CellCentre(View.DirGrid, 2, 1)) << '\n';
    S << "gridcur " << View.DirGrid->Col() << ' ' << View.DirGrid->Row() << '\n';
    S << At("editbtn", Centre(View.Grid3Page.EditBtn)) << '\n';
    if (TEditDirListingForm* E = View.Fields->RowEditor) {
      S << "editor open\n";
      S << At("editcell2", CellCentre(E->EditGrid, 1, 2)) << '\n';
      S << "editcell2 " << E->EditGrid->Cells(1, 2) << '\n';
      S << "editcur " << E->EditGrid->Col() << ' ' << E->EditGrid->Row() << ' ' << E->EditGrid->Focused() << '\n';
      S << At("editok", Centre(E->OKButton)) << '\n';
      S << At("editorwin", E->ClientToScreen({0, 0})) << ' ' << E->Width() << ' ' << E->Height() << '\n';
    }
    for (QWidget* Top : QApplication::topLevelWidgets())
      if (Top->isVisible() && Top->windowTitle() == "Relationship Diagram") {
        const QPoint P = Top->mapToGlobal(QPoint(0, 0));
        S << "diagram " << P.x() << ' ' << P.y() << ' ' << Top->width() << ' ' << Top->height() << '\n';
      }
    if (auto* R = dynamic_cast<TRelationshipForm*>(View.FindComponent("RelationshipForm"))) {
      S << "boxes " << R->Diagram->Items().Count() << ' ' << R->Diagram->Links().Count() << '\n';
      S << At("diagramclose", Centre(R->OKButton)) << '\n';
      // Each box where it is on the screen, with the width its title needs.
      const TPoint D = R->Diagram->ClientToScreen({0, 0});
      S << "diagramarea " << D.X << ' ' << D.Y << ' ' << R->Diagram->ClientWidth() << ' '
        << R->Diagram->ClientHeight() << '\n';
      for (int i = 0; i < R->Diagram->Items().Count(); ++i)
        if (TDgDiagramItemPanel* P = R->Diagram->Items().Items(i)->Panel()) {
          const TPoint B = P->ClientToScreen({0, 0});
          P->Canvas().Font().Assign(P->Font());
          S << "dbox " << B.X << ' ' << B.Y << ' ' << P->Width() << ' ' << P->Height() << ' '
            << P->Canvas().TextWidth(R->Diagram->Items().Items(i)->Caption()) << '\n';
        }
      S << At("diagrampanel", R->Panel->ClientToScreen({0, 0})) << ' ' << R->Panel->Width() << '\n';
    }
    // The entries of an open pop-up menu, by their text.
    for (QWidget* Top : QApplication::topLevelWidgets())
      if (auto* M = qobject_cast<QMenu*>(Top); M && M->isVisible())
        for (QAction* A : M->actions())
          if (!A->isSeparator() && A->isVisible()) {
            const QPoint P = M->mapToGlobal(M->actionGeometry(A).center());
            std::string Text = A->text().toStdString();
            for (char& C : Text)
              if (C == ' ') C = '_';
            S << At("menu:" + Text, {P.x(), P.y()}) << '\n';
          }
    // The widget that takes the keys, and its window's title (an input box's line, say).
    if (QWidget* K = QApplication::focusWidget())
      S << "keys " << K->window()->windowTitle().toStdString() << '|' << K->metaObject()->className() << '\n';
    S << "detail6 " << View.Detail[6]->Text() << '\n';
    S << "detail7 " << View.Detail[7]->Text() << '\n';
    S << At("detail6", Centre(View.Detail[6])) << '\n';
    S << At("detail7", Centre(View.Detail[7])) << '\n';
    S << "shell " << Opened << '\n';
    for (int f = 0; f < Screen().FormCount(); ++f)
      if (auto* B = dynamic_cast<TEditBarcodeForm*>(Screen().Forms(f)); B && B->Visible()) {
        S << "barcode open\n";
        S << At("barcodevalue", Centre(B->BarCodeValue)) << '\n';
        S << "barcodevaluekeys " << B->BarCodeValue->Focused() << '\n';
        S << At("barcodegenerate", Centre(B->GenerateBarCodeBtn)) << '\n';
        S << At("barcodeok", Centre(B->OKBtn)) << '\n';
        S << At("barcodewin", B->ClientToScreen({0, 0})) << ' ' << B->Width() << ' ' << B->Height() << '\n';
        S << At("barcodeimage", B->BarCodeImage->ClientToScreen({0, 0})) << ' ' << B->BarCodeImage->Width() << ' '
          << B->BarCodeImage->Height() << '\n';
      }
    S << "number " << W.Number() << '\n';
    S << At("window", View.ClientToScreen({0, 0})) << ' ' << View.Width() << ' ' << View.Height() << '\n';
    x11_probe::WriteState(Program.LogName, S.str());
  });
  State.start(200);
  return Program.App.exec();
}
