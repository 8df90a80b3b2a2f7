// The visual controls on a real X server, for the x11 test script: a window with the HTML
// label, the tab strip and the diagram, and buttons that open the calendar, the calculator and
// the pick list. Every event is a line in the log file, and so are the screen places the script
// clicks.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <fstream>
#include <string>

#include "controls/calculator.h"
#include "controls/calendar_popup.h"
#include "controls/diagram.h"
#include "controls/html_label.h"
#include "controls/pick_dialog.h"
#include "controls/tab_strip.h"
#include "platform/gfx/printer.h"
#include "platform/rtl/sysutils.h"
#include "platform/qt/qt_window_peer.h"
#include "platform/ui/forms.h"
#include "platform/ui/shell.h"
#include "platform/ui/std_buttons.h"
#include "tests/x11_program.h"

namespace {

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  TEventLog write(argv[1]);
  const std::string pdf = argv[2];

  QApplication app(argc, argv);
  InstallQtBackend();
  SetShellHandler([&](const TShellRequest& r) {
    write("shell " + r.Verb + " " + r.File);
    return std::intptr_t{42};
  });

  TForm form(nullptr);
  form.SetCaption("Visual controls");
  form.SetBorderStyle(bsSingle);
  form.SetBounds(30, 30, 660, 470);
  form.SetColor(clBtnFace);

  TPanel field(&form);
  field.SetParent(&form);
  field.SetBounds(20, 16, 140, 22);
  field.SetCaption("date field");
  field.SetBevelOuter(bvLowered);

  TMarkupLabel label(&form);
  label.SetParent(&form);
  label.SetBounds(20, 50, 300, 44);
  label.SetColor(clWhite);
  label.SetHover(true);
  label.HTMLText().SetText(
      "<B>Bold</B> plain <FONT color=\"clRed\">red</FONT> <I>italic</I><BR>Open <A href=\"showrecord\">this record</A> "
      "or <A href=\"http://example.org/\">the site</A>");
  label.OnAnchorClick = [&](TObject*, const std::string& a) { write("anchor " + a); };

  TTabStripControl tabs(&form);
  tabs.SetParent(&form);
  tabs.SetBounds(340, 16, 300, 80);
  for (const char* s : {"Doc One", "Doc Two", "Doc Three"}) tabs.Tabs().Add(s);
  tabs.SetTabIndex(0);
  tabs.SetHotTrack(true);
  tabs.OnChange = [&](TObject*) { write("tab " + std::to_string(tabs.TabIndex())); };

  TDgDiagram diagram(&form);
  diagram.SetParent(&form);
  diagram.SetBounds(20, 110, 620, 300);
  diagram.SetDiagramWidth(700);
  diagram.SetDiagramHeight(400);
  diagram.ThumbTrack = true;
  diagram.AutoItemPos = false;
  const struct { const char* Name; int X, Y; } kItems[] = {{"Parent", 20, 20}, {"Child", 300, 60}, {"Other", 150, 180}};
  for (const auto& it : kItems) {
    TDgDiagramItem* item = diagram.Items().Add();
    item->SetName(it.Name);
    item->SetBounds(it.X, it.Y, 110, 70);
  }
  for (const auto& [a, b] : {std::pair{"Parent", "Child"}, std::pair{"Child", "Other"}}) {
    TDgDiagramLink* l = diagram.Links().Add();
    l->SetBeginItemName(a);
    l->SetEndItemName(b);
  }
  diagram.OnChangeSelection = [&](TObject*) {
    if (diagram.SelectedItem()) write("selected item " + diagram.SelectedItem()->Name());
    else if (diagram.SelectedLink()) write("selected link " + diagram.SelectedLink()->DisplayName());
    else write("selected none");
  };

  TCalendarPopup calendar(&form);
  calendar.SetDate(EncodeDate(2024, 1, 31));
  calendar.Firstday = sdMonday;
  calendar.ShowWeeks = true;
  calendar.SetAlignControl(&field);
  calendar.SetShowMethod(smBottom);
  TCalculator calculator(&form);
  TPickDialog pick(&form);
  for (const char* s : {"Alpha", "Beta", "Gamma", "Delta"}) pick.PickItems().Add(s);
  pick.Caption = "Display Record";
  pick.OkCaption = "Display";
  pick.CancelCaption = "Close";
  pick.Sizeable = true;

  std::vector<TButton*> buttons;
  auto button = [&](const char* caption, int left, std::function<void()> run) {
    auto* b = new TButton(&form);
    b->SetParent(&form);
    b->SetBounds(left, 425, 110, 28);
    b->SetCaption(caption);
    b->OnClick = [run](TObject*) { run(); };
    buttons.push_back(b);
  };
  button("Calendar", 20, [&] {
    QTimer::singleShot(400, [&] {
      if (TCalForm* f = calendar.Form()) {
        write(Box("calendar", *f));
        int offset = 0;
        for (int row = 0; row < 6; ++row)
          for (int col = 0; col < 7; ++col)
            if (f->CellDay(col, row, offset) == 15 && offset == 0) {
              TRect r = f->DayCell(col, row);
              write(At("day15", f->ClientToScreen({(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2})));
            }
        write("calendar shown");
      }
    });
    bool ok = calendar.Execute();
    write(std::string("calendar ") + (ok ? "ok " : "cancel ") + std::to_string(calendar.Year()) + "-" +
          std::to_string(calendar.Month()) + "-" + std::to_string(calendar.Day()));
  });
  button("Calculator", 140, [&] {
    Printer().SetPrinterIndex(static_cast<int>(Printer().Printers().size()) - 1);  // "PDF", the last
    Printer().SetOutputFile(pdf);
    QTimer::singleShot(400, [&] {
      if (TTheCalculator* f = calculator.Form()) {
        write(Box("calculator", *f));
        for (int key : {int(ckPrint), int(ckQuit), int(ckUse), int('+')}) {
          TRoundButton* b = f->ButtonFor(key);
          if (b) write(AtCentre("key" + std::to_string(key), *b));
        }
        write("calculator shown");
      }
    });
    bool used = calculator.Execute();
    write("calculator value " + FloatToStrF(calculator.Value(), ffFixed, 15, 2) + (used ? " used" : " quit"));
  });
  button("Pick", 260, [&] {
    QTimer::singleShot(400, [&] {
      if (TSelectForm* f = pick.Form()) {
        write(Box("pick", *f));
        TRect r = f->SelectList->ItemRect(2);
        write(At("gamma", f->SelectList->ClientToScreen({r.Left + 20, (r.Top + r.Bottom) / 2})));
        write(AtCentre("ok", *f->okbtn));
        TRect grip = f->GripRect();
        write(At("grip", f->ClientToScreen({(grip.Left + grip.Right) / 2, (grip.Top + grip.Bottom) / 2})));
        // Logged once the form has laid out its buttons for the new size.
        f->OnResize = [&pick, &write](TObject*) {
          QTimer::singleShot(0, [&pick, &write] {
            TSelectForm* g = pick.Form();
            if (!g) return;
            write(Box("pick", *g));
            write(AtCentre("ok", *g->okbtn));
            write("pick sized " + std::to_string(g->Width()) + " " + std::to_string(g->Height()));
          });
        };
        write("pick shown");
      }
    });
    TModalResult r = pick.Execute();
    write("pick " + std::to_string(r) + " " + std::to_string(pick.ItemIndex) + " " + pick.SelectedText());
  });

  form.Show();
  QTimer::singleShot(600, [&] {
    write(Box("window", form));
    write(Box("diagram", diagram));
    write(At("field", field.ClientToScreen({0, 0})) + " " + std::to_string(field.Height()));
    TRect anchor;
    // The anchor "this record": its rectangle as the label finds it.
    for (int x = 0; x < label.Width(); x += 2)
      if (label.AnchorAt(x, 22, &anchor) == "showrecord") break;
    write(At("record", label.ClientToScreen({(anchor.Left + anchor.Right) / 2, (anchor.Top + anchor.Bottom) / 2})));
    for (int x = label.Width() - 1; x > 0; x -= 2)
      if (label.AnchorAt(x, 22, &anchor) == "http://example.org/") break;
    write(At("site", label.ClientToScreen({(anchor.Left + anchor.Right) / 2, (anchor.Top + anchor.Bottom) / 2})));
    TRect t = tabs.TabRect(2);
    write(At("tab2", tabs.ClientToScreen({(t.Left + t.Right) / 2, (t.Top + t.Bottom) / 2})));
    for (int i = 0; i < diagram.Items().Count(); ++i) {
      TDgDiagramItemPanel* p = diagram.Items().Items(i)->Panel();
      std::string n = diagram.Items().Items(i)->Name();
      write(At(n + "-caption", p->ClientToScreen({30, 7})));
      write(At(n + "-body", p->ClientToScreen({p->Width() / 2, p->Height() / 2 + 8})));
    }
    // The middle of the first link's line, between its bends.
    if (auto* info = dynamic_cast<TDgStdLinkDrawInfo*>((*diagram.LinkDrawCache())[0].DrawInfo.get()))
      write(At("link0", diagram.ClientToScreen({(info->BeginBend.X + info->EndBend.X) / 2 - diagram.HorzPos(),
                                               (info->BeginBend.Y + info->EndBend.Y) / 2 - diagram.VertPos()})));
    for (TButton* b : buttons) write(AtCentre(b->Caption(), *b));
    write("ready");
  });
  diagram.OnChange = [&](TObject*) {};
  QTimer dump;
  QObject::connect(&dump, &QTimer::timeout, [&] {
    static std::string last;
    std::string now;
    for (int i = 0; i < diagram.Items().Count(); ++i) {
      TDgDiagramItem* it = diagram.Items().Items(i);
      now += it->Name() + "=" + std::to_string(it->Left()) + "," + std::to_string(it->Top()) + " ";
    }
    if (now != last) write("items " + now);
    last = now;
  });
  dump.start(200);
  return app.exec();
}
