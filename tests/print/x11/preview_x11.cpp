// A print preview with its page navigator, orientation picture and paper list on a real X
// server, for preview_x11.sh: a three-page document whose pages differ by colour. The program
// writes where its buttons are, then every page, zoom, orientation and scroll change it sees.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <fstream>
#include <string>

#include "platform/qt/qt_window_peer.h"
#include "print/preview_companions.h"
#include "tests/x11_program.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  TEventLog write(argv[1]);

  QApplication app(argc, argv);
  InstallQtBackend();

  TCustomControl form(nullptr);
  form.SetBounds(0, 0, 900, 700);
  form.SetColor(clBtnFace);
  TPgPreview preview(nullptr);
  TPgPageNavigator nav(nullptr);
  TPgPropertyGraphic orientation(nullptr);
  TPgPropertyComboBox papers(nullptr);
  nav.SetParent(&form);
  nav.SetNavAutoSize(true);
  nav.SetBounds(0, 0, nav.Width(), nav.Height());
  orientation.SetParent(&form);
  orientation.SetBounds(6, nav.Height() + 6, 137, 105);
  papers.SetParent(&form);
  papers.SetBounds(6, nav.Height() + 120, 137, 24);
  preview.SetParent(&form);
  preview.SetBounds(150, nav.Height() + 4, 744, 700 - nav.Height() - 8);

  preview.Header().SetVisible(true);
  preview.Header().CaptionCenter.SetCaption("Page {PAGE} of {NUMPAGES}");
  preview.Footer().SetVisible(true);
  preview.Footer().CaptionRight.SetCaption("Preview on X");
  const TColor colours[] = {clRed, clLime, clBlue};
  for (int i = 0; i < 3; ++i) {
    if (i > 0) preview.NewPage();
    TPgCanvas& c = preview.Canvas();
    c.Brush().SetColor(colours[i]);
    c.Pen().SetColor(clBlack);
    c.Rectangle(1, 1.5, 7.26, 4, gmInches);
    c.Brush().SetStyle(bsClear);
    c.Font().SetSize(28);
    c.TextOut(1, 5, "Page body " + std::to_string(i + 1), gmInches);
    c.Font().SetSize(11);
    c.TextBox(1, 6, 7.26, 0,
              "The preview draws every page at 600 units per inch and scales it to the zoom; "
              "this paragraph wraps inside its box at every zoom alike.",
              taLeftJustify, gmTop, 0.05, gmInches);
  }
  preview.FirstPage();
  nav.SetPreview(&preview);
  orientation.SetPreview(&preview);
  papers.SetPreviewProperty(gmPaperList);
  papers.SetPreview(&preview);

  preview.OnPageChanged = [&](TObject*) { write("page " + std::to_string(preview.CurrentPage())); };
  nav.OnClickButton = [&](TObject*, TPgNavigateBtn) {
    write("zoom " + std::to_string(preview.Zoom()) + " page " + std::to_string(preview.CurrentPage()));
  };
  int lastOrientation = -1, lastV = -1, lastPaper = -1;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (preview.Orientation() != lastOrientation) {
      lastOrientation = preview.Orientation();
      write("orientation " + std::to_string(lastOrientation));
    }
    if (preview.VertScrollBar().Position() != lastV) {
      lastV = preview.VertScrollBar().Position();
      write("vpos " + std::to_string(lastV));
    }
    if (preview.PaperSize() != lastPaper) {
      lastPaper = preview.PaperSize();
      write("paper " + PaperSizeToString(preview.PaperSize()));
    }
  });
  poll.start(100);

  form.HandleNeeded();
  QWidget* window = QtPeer(form)->Widget();
  window->setWindowTitle("Page preview");
  window->move(20, 20);
  window->show();

  QTimer::singleShot(600, [&] {
    write(Box("window", form));
    auto at = [&](const std::string& name, TControl& c) { write(AtCentre(name, c)); };
    const char* names[] = {"first", "prev", "next", "last", "add", "delete", "clear",
                           "zoomin", "zoomout", "actual", "fitwidth", "fitheight", "fitwhole"};
    for (int i = 0; i < kPgNavButtonCount; ++i) at(names[i], nav.Button(static_cast<TPgNavigateBtn>(i)));
    at("landscape", orientation.Button(1));
    at("portrait", orientation.Button(0));
    at("papers", papers);
    at("preview", preview);
    TPoint pv = preview.ClientToScreen({0, 0});
    write("previewrect " + std::to_string(pv.X) + " " + std::to_string(pv.Y) + " " + std::to_string(preview.ClientWidth()) +
          " " + std::to_string(preview.ClientHeight()));
    write("ready");
  });
  return app.exec();
}
