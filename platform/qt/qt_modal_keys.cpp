// Keys typed while a modal window opens.  The X server gives a key to the window that has the
// keyboard when it is pressed; a window that opens takes the keyboard a moment after it shows.
// The keys pressed in between come to the window under it, which the modal window blocks, and
// Qt drops them.  Here they are held, in order, until the keyboard has come to a window that
// takes keys, and then handed to it, followed by whatever was typed meanwhile: a person who
// clicks and types at once loses no key.
#include "platform/qt/qt_backend_parts.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QTimer>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <deque>

namespace {

class TModalKeyRelay : public QAbstractNativeEventFilter {
public:
  explicit TModalKeyRelay(xcb_connection_t* connection) : FConnection(connection) {
    QObject::connect(qGuiApp, &QGuiApplication::focusWindowChanged, qGuiApp, [this] { HandOn(); });
    FGiveUp.setSingleShot(true);
    QObject::connect(&FGiveUp, &QTimer::timeout, qGuiApp, [this] { GiveUp(); });
  }

  bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
    if (type != "xcb_generic_event_t") return false;
    auto* event = static_cast<xcb_generic_event_t*>(message);
    const int kind = event->response_type & 0x7f;
    if (kind != XCB_KEY_PRESS && kind != XCB_KEY_RELEASE) return false;
    auto* key = reinterpret_cast<xcb_key_press_event_t*>(event);
    // A key handed on comes back from the X server marked: it goes its way now.
    if ((event->response_type & 0x80) && key->pad0 == Mark && FUnderWay > 0) {
      --FUnderWay;
      return false;
    }
    const bool waiting = Waiting() != nullptr;
    if (!waiting && FHeld.empty() && FUnderWay == 0) return false;
    // Behind the keys held or under way: a key never overtakes one typed before it.
    FHeld.push_back(*key);
    if (waiting) {
      if (!FGiveUp.isActive()) FGiveUp.start(GiveUpMs);
    } else {
      HandOn();
    }
    return true;
  }

private:
  static constexpr quint8 Mark = 0x51;
  // A modal window that never gets the keyboard (a desktop that does not give it) does not keep
  // the keys for ever: they go where they would have gone.
  static constexpr int GiveUpMs = 3000;

  // The modal window that has not got the keyboard yet; nullptr when the keys reach it (or no
  // modal window is shown).
  static QWindow* Waiting() {
    QWindow* modal = QGuiApplication::modalWindow();
    if (!modal || !modal->isVisible()) return nullptr;
    QWindow* focus = QGuiApplication::focusWindow();
    if (!focus) return modal;
    if (focus->type() == Qt::Popup || focus->type() == Qt::ToolTip) return nullptr;
    for (QWindow* w = focus; w; w = w->transientParent())
      if (w == modal) return nullptr;
    return modal;
  }

  // The keys held go to the window that has the keyboard now, through the X server, so that
  // they come in order before any key typed afterwards.
  void HandOn() {
    if (FHeld.empty() || Waiting()) return;
    FGiveUp.stop();
    QWindow* target = QGuiApplication::focusWindow();
    if (!target) target = QGuiApplication::modalWindow();
    if (!target) return Drop();
    const auto window = static_cast<xcb_window_t>(target->winId());
    for (xcb_key_press_event_t key : FHeld) {
      key.event = window;
      key.child = XCB_NONE;
      key.pad0 = Mark;
      xcb_send_event(FConnection, false, window, XCB_EVENT_MASK_NO_EVENT,
                     reinterpret_cast<const char*>(&key));
      ++FUnderWay;
    }
    FHeld.clear();
    xcb_flush(FConnection);
  }

  void GiveUp() {
    if (Waiting()) Drop();
    else HandOn();
  }
  void Drop() {
    FHeld.clear();
    FGiveUp.stop();
  }

  xcb_connection_t* FConnection;
  std::deque<xcb_key_press_event_t> FHeld;
  int FUnderWay = 0;  // keys handed on that have not come back yet
  QTimer FGiveUp;
};

}  // namespace

void InstallQtModalKeys() {
  static TModalKeyRelay* Relay = nullptr;
  if (Relay || QGuiApplication::platformName() != "xcb") return;
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (!x11 || !x11->connection()) return;
  Relay = new TModalKeyRelay(x11->connection());
  qGuiApp->installNativeEventFilter(Relay);
}
