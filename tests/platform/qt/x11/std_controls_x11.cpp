// A window of standard controls on a real X server, for the x11 test script: every event the
// controls fire is written to the log file (one line each), and so are the screen positions of
// the controls, so that the script can click them and check what the events saw.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <fstream>
#include <string>

#include "platform/qt/qt_window_peer.h"
#include "platform/ui/edits.h"
#include "platform/ui/list_controls.h"
#include "platform/ui/std_buttons.h"

namespace {

std::string OneLine(std::string s) {
  for (std::size_t p = s.find("\r\n"); p != std::string::npos; p = s.find("\r\n", p)) s.replace(p, 2, "|");
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::ofstream log(argv[1], std::ios::trunc);
  auto write = [&](const std::string& line) { log << line << '\n' << std::flush; };

  QApplication app(argc, argv);
  InstallQtBackend();

  TCustomControl form(nullptr);
  form.SetBounds(0, 0, 420, 250);
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

  form.HandleNeeded();
  for (const Placed& p : placed) p.control->HandleNeeded();
  QWidget* window = QtPeer(form)->Widget();
  window->setWindowTitle("Standard controls");
  window->move(40, 40);
  window->show();

  QTimer::singleShot(500, [&] {
    TPoint origin = form.ClientToScreen({0, 0});
    write("window " + std::to_string(origin.X) + " " + std::to_string(origin.Y) + " " +
          std::to_string(form.Width()) + " " + std::to_string(form.Height()));
    for (const Placed& p : placed) {
      TPoint c = p.control->ClientToScreen({p.control->Width() / 2, p.control->Height() / 2});
      if (p.control == &edit) c = edit.ClientToScreen({20, edit.Height() / 2});
      if (p.control == &check) c = check.ClientToScreen({8, check.Height() / 2});
      write(std::string("at ") + p.name + " " + std::to_string(c.X) + " " + std::to_string(c.Y));
    }
    write("ready");
  });
  return app.exec();
}
