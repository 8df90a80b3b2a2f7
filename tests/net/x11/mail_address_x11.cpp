// The mail address dialog on a real X server, for mail_address_x11.sh: an address is edited
// twice through TNetMailAddress::Edit. The program writes where the dialog's edits and buttons
// are each time it shows, every change of the edits' texts, and what each edit gave back.
#include <QApplication>
#include <QTimer>
#include <string>

#include "net/mail_address_dlg.h"
#include "platform/qt/qt_window_peer.h"
#include "platform/ui/edits.h"
#include "platform/ui/screen.h"
#include "platform/ui/std_buttons.h"
#include "tests/x11_program.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  TEventLog write(argv[1]);
  QApplication app(argc, argv);
  InstallQtBackend();

  TNetMailAddress address;
  address.SetName("Ann Smith");
  address.SetAddress("ann@example.com");

  // Watches for the dialog: its places when it shows, its texts when they change.
  int shown = 0;
  std::string texts;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    TMailAddressDlg* dialog = nullptr;
    for (int i = 0; i < Screen().FormCount(); ++i)
      if (auto* d = dynamic_cast<TMailAddressDlg*>(Screen().Forms(i)); d && d->Visible()) dialog = d;
    if (!dialog) return;
    // A dialog not seen before (each Edit makes its own) is marked by its tag.
    if (dialog->Tag() == 0) {
      dialog->SetTag(1);
      texts.clear();
      write(Box("dialog", *dialog));
      write(AtCentre("name", *dialog->NameEdit));
      write(AtCentre("address", *dialog->AddressEdit));
      write(AtCentre("ok", *dialog->OKButton));
      write(AtCentre("cancel", *dialog->CancelButton));
      write("shown " + std::to_string(++shown));
    }
    const std::string now = "name=" + dialog->NameEdit->Text() + " address=" + dialog->AddressEdit->Text();
    if (now != texts) write("texts " + (texts = now));
  });
  poll.start(50);

  QTimer::singleShot(0, [&] {
    write("ready");
    for (int round = 1; round <= 2; ++round) {
      const bool ok = address.Edit();
      write("edit" + std::to_string(round) + " " + (ok ? "ok" : "cancel") + " name=" + address.Name() +
            " address=" + address.Address());
    }
    QTimer::singleShot(200, [&] { app.quit(); });
  });
  return app.exec();
}
