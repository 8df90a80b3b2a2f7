// A form of the client's own controls on a real X server, for the x11 test script: a picture
// as it is and through the effects control (grey scale and mosaic), an oval button that toggles,
// a scrolling panel with a child larger than itself, and an EAN-13 barcode drawn into an image.
// Events go to the log file, with the places the script clicks and looks at.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <fstream>
#include <string>

#include "controls/image_control.h"
#include "controls/oval_button.h"
#include "controls/scroll_panel.h"
#include "platform/qt/qt_window_peer.h"
#include "platform/ui/forms.h"
#include "platform/ui/image.h"
#include "print/barcode.h"
#include "tests/x11_program.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  TEventLog write(argv[1]);

  QApplication app(argc, argv);
  InstallQtBackend();

  TForm form(nullptr);
  form.SetCaption("Own controls");
  form.SetBorderStyle(bsSingle);
  form.SetBounds(40, 40, 520, 400);
  form.SetColor(clBtnFace);

  TBitmap picture(160, 120);
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 160; ++x)
      picture.SetPixelAt(x, y, RGB(x * 255 / 159, y * 255 / 119, (x / 20 + y / 20) % 2 ? 200 : 40));
  TImage plain(nullptr);
  plain.SetParent(&form);
  plain.SetBounds(10, 10, 160, 120);
  plain.Picture().SetGraphic(&picture);
  TEffectImage effects(nullptr);
  effects.SetParent(&form);
  effects.SetBounds(180, 10, 160, 120);
  TPicture source;
  source.SetGraphic(&picture);
  effects.SetPictureOriginal(&source);
  effects.SetPicGrayScale(true);
  effects.SetPicMosaic(10);

  TRoundButton round(nullptr);
  round.SetParent(&form);
  round.SetBounds(360, 20, 140, 70);
  round.SetColor(clRed);
  round.SetBevelWidth(3);
  round.SetGroupIndex(1);
  round.Font().SetColor(clWhite);
  round.SetCaption("&Toggle");
  round.OnClick = [&](TObject*) { write(std::string("round ") + (round.Down() ? "down" : "up")); };

  TScrollPanel panel(nullptr);
  panel.SetParent(&form);
  panel.SetBounds(360, 110, 140, 100);
  panel.SetBevelOuter(bvLowered);
  panel.SetBevelInner(bvRaised);
  panel.SetColor(clWhite);
  TPanel inner(nullptr);
  inner.SetParent(&panel);
  inner.SetBounds(10, 10, 100, 300);
  inner.SetColor(clNavy);
  inner.SetBevelOuter(bvNone);

  TBitmap code(300, 110);
  code.Canvas().Brush().SetColor(clWhite);
  code.Canvas().FillRect(Rect(0, 0, 300, 110));
  TBarcodeSymbol bc;
  bc.SetTyp(bcCodeEAN13);
  bc.SetText("400638133393");
  bc.SetChecksum(true);
  bc.SetModul(2);
  bc.SetHeight(70);
  bc.SetLeft(30);
  bc.SetTop(15);
  bc.DrawOnCanvas(code.Canvas());
  code.ReleaseCanvas();
  TImage barcode(nullptr);
  barcode.SetParent(&form);
  barcode.SetBounds(10, 150, 300, 110);
  barcode.Picture().SetGraphic(&code);

  form.Show();
  QWidget* window = QtPeer(form)->Widget()->window();
  QTimer::singleShot(500, [&] {
    TPoint client = form.ClientToScreen({0, 0});
    write("client " + std::to_string(client.X) + " " + std::to_string(client.Y) + " " +
          std::to_string(form.ClientWidth()) + " " + std::to_string(form.ClientHeight()));
    write(At("round", form.ClientToScreen({430, 55})));
    write(At("roundcorner", form.ClientToScreen({362, 22})));
    write("window " + std::to_string(window->width()));
    write("ready");
  });
  return app.exec();
}
