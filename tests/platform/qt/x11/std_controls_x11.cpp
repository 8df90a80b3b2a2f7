// A form of standard controls with a main menu on a real X server, for the x11 test script:
// every event the controls and the menu fire is written to the log file (one line each), and so
// are the screen positions of the controls and of the menu entries, so that the script can
// click them and check what the events saw.
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QWidget>
#include <cctype>
#include <fstream>
#include <string>

#include "platform/qt/qt_window_peer.h"
#include "platform/ui/edits.h"
#include "platform/ui/forms.h"
#include "platform/ui/list_controls.h"
#include "platform/ui/menus.h"
#include "platform/ui/std_buttons.h"
#include "tests/x11_program.h"

namespace {

std::string OneLine(std::string s) {
  for (std::size_t p = s.find("\r\n"); p != std::string::npos; p = s.find("\r\n", p)) s.replace(p, 2, "|");
  return s;
}

std::string At(const char* name, QPoint p) { return At(name, TPoint{p.x(), p.y()}); }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  TEventLog write(argv[1]);

  QApplication app(argc, argv);
  InstallQtBackend();

  TForm form(nullptr);
  form.SetCaption("Standard controls");
  form.SetBorderStyle(bsSingle);
  form.SetBounds(40, 40, 420, 250);
  TMainMenu menu(nullptr);
  auto* text = new TMenuItem(nullptr);
  text->SetCaption("&Text");
  auto* upper = new TMenuItem(nullptr);
  upper->SetCaption("&Upper case");
  auto* lower = new TMenuItem(nullptr);
  lower->SetCaption("&Lower case");
  text->Add({upper, lower});
  menu.Items()->Add(text);
  form.SetMenu(&menu);

  TEdit edit(nullptr);
  TMemo memo(nullptr);
  TComboBox combo(nullptr);
  TCheckBox check(nullptr);
  TButton button(nullptr);
  struct Placed {
    TWinControl* control;
    const char* name;
    TRect bounds;
  };
  const Placed placed[] = {
      {&edit, "edit", Rect(10, 10, 200, 34)},  {&memo, "memo", Rect(10, 44, 200, 140)},
      {&combo, "combo", Rect(220, 10, 400, 34)}, {&check, "check", Rect(220, 50, 400, 70)},
      {&button, "button", Rect(220, 100, 320, 130)},
  };
  for (const Placed& p : placed) {
    p.control->SetParent(&form);
    p.control->SetBounds(p.bounds.Left, p.bounds.Top, p.bounds.Width(), p.bounds.Height());
  }
  check.SetCaption("Uses product");
  button.SetCaption("&Apply");
  for (const char* s : {"First", "Second", "Third"}) combo.Items().Add(s);
  combo.SetStyle(csDropDownList);
  combo.SetItemIndex(0);

  edit.OnChange = [&](TObject*) { write("edit " + edit.Text()); };
  memo.OnChange = [&](TObject*) { write("memo " + OneLine(memo.Text())); };
  combo.OnChange = [&](TObject*) { write("combo " + combo.Text()); };
  check.OnClick = [&](TObject*) { write(std::string("check ") + (check.Checked() ? "1" : "0")); };
  button.OnClick = [&](TObject*) { write("button " + edit.Text()); };
  upper->OnClick = [&](TObject*) {
    write("menu upper");
    std::string s = edit.Text();
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    edit.SetText(s);
  };
  lower->OnClick = [&](TObject*) { write("menu lower"); };

  form.Show();
  QWidget* window = QtPeer(form)->Widget()->window();
  auto* bar = window->findChild<QMenuBar*>();
  if (!bar || bar->actions().isEmpty()) {
    write("no menu bar");
    return 1;
  }
  // The item's position is known once its drop-down is open.
  QMenu* drop = bar->actions().first()->menu();
  QObject::connect(drop, &QMenu::aboutToShow, [&] {
    QTimer::singleShot(300, [&] {
      QAction* first = drop->actions().first();
      write(At("upper", drop->mapToGlobal(drop->actionGeometry(first).center())));
    });
  });

  QTimer::singleShot(500, [&] {
    QPoint frame = window->mapToGlobal(QPoint(0, 0));
    write("window " + std::to_string(frame.x()) + " " + std::to_string(frame.y()) + " " +
          std::to_string(window->width()) + " " + std::to_string(window->height()));
    TPoint client = form.ClientToScreen({0, 0});
    write("client " + std::to_string(client.X - frame.x()) + " " + std::to_string(client.Y - frame.y()));
    for (const Placed& p : placed) {
      if (p.control == &edit)
        write(At(p.name, edit.ClientToScreen({20, edit.Height() / 2})));
      else if (p.control == &check)
        write(At(p.name, check.ClientToScreen({8, check.Height() / 2})));
      else
        write(AtCentre(p.name, *p.control));
    }
    write(At("menu", bar->mapToGlobal(bar->actionGeometry(bar->actions().first()).center())));
    write("ready");
  });
  return app.exec();
}
