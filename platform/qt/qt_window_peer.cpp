#include "platform/qt/qt_window_peer.h"

#include "platform/qt/qt_program.h"
#include "platform/qt/qt_pictures.h"

#include <clocale>
#include <QApplication>
#include <QCursor>
#include <QPointer>
#include <QFont>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QTimerEvent>
#include <QWheelEvent>
#include <QWindow>
#include <cstdio>
#include <cstdlib>

#include <QGuiApplication>
#include <QIconEngine>
#include <QPainter>
#include <QProxyStyle>
#include <QPixmap>
#include <QSignalBlocker>
#include <QStyleHints>
#include <string_view>

#include "platform/qt/qt_backend_parts.h"
#include "platform/qt/qt_event_loop.h"
#include "platform/qt/qt_input.h"
#include "platform/ui/application.h"
#include "platform/ui/screen.h"
#include "platform/ui/scroll_bars.h"
#include "platform/ui/std_painted.h"

namespace {

UINT ButtonMessage(Qt::MouseButton b, UINT left, UINT right, UINT middle) {
  return b == Qt::RightButton ? right : b == Qt::MiddleButton ? middle : left;
}

Qt::CursorShape CursorShape(TCursor c) {
  switch (c) {
    case crCross: return Qt::CrossCursor;
    case crIBeam: return Qt::IBeamCursor;
    case crSizeNS: case crVSplit: return Qt::SizeVerCursor;
    case crSizeWE: case crHSplit: return Qt::SizeHorCursor;
    case crSizeNESW: return Qt::SizeBDiagCursor;
    case crSizeNWSE: return Qt::SizeFDiagCursor;
    case crSizeAll: return Qt::SizeAllCursor;
    case crUpArrow: return Qt::UpArrowCursor;
    case crHourGlass: case crSQLWait: return Qt::WaitCursor;
    case crAppStart: return Qt::BusyCursor;
    case crDrag: return Qt::DragMoveCursor;
    case crNoDrop: case crNo: return Qt::ForbiddenCursor;
    case crHelp: return Qt::WhatsThisCursor;
    case crHandPoint: return Qt::PointingHandCursor;
    case crNone: return Qt::BlankCursor;
    default: return Qt::ArrowCursor;
  }
}

}  // namespace

QCursor QtCursor(TCursor cursor) {
  HCURSOR entry = Screen().Cursors(cursor);
  if (entry && entry->HasImage()) return QtCursor(entry);
  return QCursor(CursorShape(entry ? entry->Standard : cursor));
}

WORD VirtualKeyFromQt(int key) {
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<WORD>('A' + (key - Qt::Key_A));
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<WORD>('0' + (key - Qt::Key_0));
  if (key >= Qt::Key_F1 && key <= Qt::Key_F12) return static_cast<WORD>(VK_F1 + (key - Qt::Key_F1));
  switch (key) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab: case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Return: case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return VK_MENU;
    case Qt::Key_Pause: return VK_PAUSE;
    case Qt::Key_CapsLock: return VK_CAPITAL;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_Print: return VK_SNAPSHOT;
    case Qt::Key_Menu: return VK_APPS;
    case Qt::Key_NumLock: return VK_NUMLOCK;
    case Qt::Key_ScrollLock: return VK_SCROLL;
    case Qt::Key_Asterisk: return VK_MULTIPLY;
    case Qt::Key_Plus: return VK_ADD;
    case Qt::Key_Minus: return VK_SUBTRACT;
    case Qt::Key_Slash: return VK_DIVIDE;
    default: return 0;
  }
}

// ---- The widget -----------------------------------------------------------------------------

namespace {

// The widget that has the keyboard focus, as the last focus change left it: during a widget's
// focus-in it is still the one that had the focus before.
QPointer<QWidget> GFocused;

QWidget* FocusedWidget() { return GFocused.data(); }

void FollowFocus() {
  static bool Following = false;
  auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  if (Following || !app) return;
  Following = true;
  GFocused = QApplication::focusWidget();
  QObject::connect(app, &QApplication::focusChanged, app, [](QWidget*, QWidget* now) { GFocused = now; });
}

}  // namespace

TQtPaintedWidget::TQtPaintedWidget(TQtWindowPeer& peer, QWidget* parent) : QWidget(parent), FPeer(peer) {
  FollowFocus();
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  setFocusPolicy(Qt::ClickFocus);
}

void TQtPaintedWidget::paintEvent(QPaintEvent* event) {
  FPeer.PaintBacking(event->region());
  QPainter p(this);
  p.drawImage(event->rect(), FPeer.Backing(), event->rect());
}

namespace {

Qt::Edges SizingEdges(LRESULT hit) {
  switch (hit) {
    case HTLEFT: return Qt::LeftEdge;
    case HTRIGHT: return Qt::RightEdge;
    case HTTOP: return Qt::TopEdge;
    case HTBOTTOM: return Qt::BottomEdge;
    case HTTOPLEFT: return Qt::TopEdge | Qt::LeftEdge;
    case HTTOPRIGHT: return Qt::TopEdge | Qt::RightEdge;
    case HTBOTTOMLEFT: return Qt::BottomEdge | Qt::LeftEdge;
    case HTBOTTOMRIGHT: return Qt::BottomEdge | Qt::RightEdge;
    default: return {};
  }
}

}  // namespace

bool TQtPaintedWidget::StartSizing(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return false;
  QPoint global = e->globalPosition().toPoint();
  Qt::Edges edges = SizingEdges(FPeer.Send(WM_NCHITTEST, 0, MAKELPARAM(global.x(), global.y())));
  if (!edges) return false;
  TCustomForm* form = GetParentForm(&FPeer.Control());
  if (!form) return false;
  QWidget* top = window();
  if (top->windowHandle() && top->windowHandle()->startSystemResize(edges)) return true;
  FSizing = edges;
  FSizeFrom = global;
  FSizeStart = QRect(form->Left(), form->Top(), form->Width(), form->Height());
  return true;
}

void TQtPaintedWidget::mousePressEvent(QMouseEvent* e) {
  UpdateModifiers(e->modifiers());
  if (StartSizing(e)) return;
  QPoint pos = e->position().toPoint();
  FPeer.Send(ButtonMessage(e->button(), WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN),
             MouseKeys(e->buttons(), e->modifiers()), MAKELPARAM(pos.x(), pos.y()));
}

void TQtPaintedWidget::mouseReleaseEvent(QMouseEvent* e) {
  UpdateModifiers(e->modifiers());
  if (FSizing) {
    FSizing = {};
    return;
  }
  QPoint pos = e->position().toPoint();
  FPeer.Send(ButtonMessage(e->button(), WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP),
             MouseKeys(e->buttons(), e->modifiers()), MAKELPARAM(pos.x(), pos.y()));
}

void TQtPaintedWidget::mouseDoubleClickEvent(QMouseEvent* e) {
  UpdateModifiers(e->modifiers());
  QPoint pos = e->position().toPoint();
  FPeer.Send(ButtonMessage(e->button(), WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK, WM_MBUTTONDBLCLK),
             MouseKeys(e->buttons(), e->modifiers()), MAKELPARAM(pos.x(), pos.y()));
}

void TQtPaintedWidget::mouseMoveEvent(QMouseEvent* e) {
  UpdateModifiers(e->modifiers());
  if (FSizing) {
    QPoint d = e->globalPosition().toPoint() - FSizeFrom;
    QRect r = FSizeStart;
    if (FSizing & Qt::LeftEdge) r.setLeft(r.left() + d.x());
    if (FSizing & Qt::RightEdge) r.setRight(r.right() + d.x());
    if (FSizing & Qt::TopEdge) r.setTop(r.top() + d.y());
    if (FSizing & Qt::BottomEdge) r.setBottom(r.bottom() + d.y());
    // The form sizes its window and keeps to its own limits.
    TCustomForm* form = GetParentForm(&FPeer.Control());
    if (form && r.width() > 0 && r.height() > 0) {
      try {
        form->SetBounds(r.x(), r.y(), r.width(), r.height());
      } catch (...) {
        GetApplication().HandleException(form);
      }
    }
    return;
  }
  QPoint pos = e->position().toPoint();
  FPeer.Send(WM_MOUSEMOVE, MouseKeys(e->buttons(), e->modifiers()), MAKELPARAM(pos.x(), pos.y()));
}

void TQtPaintedWidget::wheelEvent(QWheelEvent* e) {
  UpdateModifiers(e->modifiers());
  QPoint global = e->globalPosition().toPoint();
  int delta = e->angleDelta().y();
  if (delta == 0) return;
  FPeer.Send(WM_MOUSEWHEEL, MAKEWPARAM(static_cast<int>(MouseKeys(e->buttons(), e->modifiers())), delta),
             MAKELPARAM(global.x(), global.y()));
}

void TQtPaintedWidget::keyPressEvent(QKeyEvent* e) {
  UpdateModifiers(e->modifiers());
  WORD vk = VirtualKeyFromQt(e->key());
  // A key that the control, its form or a menu used types nothing.
  if (vk && FPeer.Send(WM_KEYDOWN, vk, 0) != 0) return;
  // One WM_CHAR per code point of the typed text.
  const QString text = e->text();
  for (char32_t cp : text.toUcs4())
    if (cp >= 0x20 || cp == '\r' || cp == '\t' || cp == 0x1B || cp == 0x08) FPeer.Send(WM_CHAR, cp, 0);
}

void TQtPaintedWidget::keyReleaseEvent(QKeyEvent* e) {
  UpdateModifiers(e->modifiers());
  WORD vk = VirtualKeyFromQt(e->key());
  if (vk) FPeer.Send(WM_KEYUP, vk, 0);
}

void TQtPaintedWidget::focusInEvent(QFocusEvent* e) {
  // A speed button (a control without a window of its own) takes no focus, nor does the panel that
  // holds it: a click on one leaves the focus with the widget that had it (the caret stays in its
  // editor).  A widget around or inside the one that had it is not concerned.
  QWidget* had = FocusedWidget();
  if (e->reason() == Qt::MouseFocusReason && dynamic_cast<TCustomPanel*>(&FPeer.Control()) &&
      !FPeer.Control().TabStop() && had && had != this && !had->isAncestorOf(this) && !isAncestorOf(had) &&
      had->isVisible() && had->isEnabled() && had->window() == window()) {
    const QPoint at = mapFromGlobal(QCursor::pos());
    TControl* hit = FPeer.Control().ControlAtPos({at.x(), at.y()}, false, true);
    if (hit && !dynamic_cast<TWinControl*>(hit)) {
      had->setFocus(Qt::OtherFocusReason);
      return;
    }
  }
  if (GetFocus() != &FPeer.Control()) {
    try {
      FPeer.Control().SetFocus();
    } catch (...) {
      GetApplication().HandleException(&FPeer.Control());
    }
  }
}

void TQtPaintedWidget::focusOutEvent(QFocusEvent*) {}

void TQtPaintedWidget::enterEvent(QEnterEvent*) { FPeer.Send(CM_MOUSEENTER, 0, 0); }
void TQtPaintedWidget::leaveEvent(QEvent*) { FPeer.Send(CM_MOUSELEAVE, 0, 0); }

void TQtPaintedWidget::resizeEvent(QResizeEvent*) {
  FPeer.FitBacking();
  FPeer.PlaceScrollBars();
}

void TQtPaintedWidget::timerEvent(QTimerEvent* e) {
  UINT id = FPeer.TimerIdOf(e->timerId());
  if (id) FPeer.Send(WM_TIMER, id, 0);
}

// ---- The peer -------------------------------------------------------------------------------

TQtWindowPeer::TQtWindowPeer(TWinControl& control) : FControl(control) {
  QWidget* parent = nullptr;
  if (TWinControl* p = control.Parent()) {
    if (auto* peer = dynamic_cast<TQtWindowPeer*>(p->Handle())) parent = peer->Widget();
  }
  FWidget = std::make_unique<TQtPaintedWidget>(*this, parent);
}

TQtWindowPeer::~TQtWindowPeer() {
  FDrawPainter.reset();
  // Child windows belong to their own peers: Qt must not free them with this widget.
  for (QObject* child : FWidget->children())
    if (auto* w = dynamic_cast<TQtPaintedWidget*>(child)) {
      w->hide();
      w->setParent(nullptr);
    }
  for (const auto& [id, qtId] : FTimers) FWidget->killTimer(qtId);
  if (FCapture) FWidget->releaseMouse();
}

void TQtWindowPeer::SetBounds(const TRect& b) {
  FWidget->setGeometry(b.Left, b.Top, std::max(b.Width(), 0), std::max(b.Height(), 0));
  FitBacking();
}

void TQtWindowPeer::FitBacking() {
  if (FBacking.isNull() || FBacking.size() == FWidget->size()) return;
  FControl.FreeCanvasHandle();
  FDrawPainter.reset();
  FBacking = QImage();
}

bool TQtWindowPeer::EnsureBacking() {
  if (!FBacking.isNull()) return true;
  if (FWidget->width() <= 0 || FWidget->height() <= 0) return false;
  QImage next(FWidget->size(), QImage::Format_RGB32);
  next.setDotsPerMeterX(3780);  // 96 dots per inch
  next.setDotsPerMeterY(3780);
  next.fill(Qt::white);
  FBacking = next;
  return true;
}

void TQtWindowPeer::SetVisible(bool visible) {
  // A child shows with its parent; a window without a parent is shown by the form layer.
  if (FWidget->parentWidget() || !visible) FWidget->setVisible(visible);
}

void TQtWindowPeer::SetEnabled(bool enabled) { FWidget->setEnabled(enabled); }

void TQtWindowPeer::SetParent(TWinControl* parent) {
  QWidget* w = nullptr;
  if (parent)
    if (auto* peer = dynamic_cast<TQtWindowPeer*>(parent->Handle())) w = peer->Widget();
  if (FWidget->parentWidget() == w) return;
  FWidget->setParent(w);
  // A widget given a parent is hidden by Qt: a control whose window was made before its
  // parent's (its canvas measured text early) shows with its new parent all the same.
  if (w && FControl.Visible()) FWidget->show();
}

void TQtWindowPeer::Invalidate(const TRect* r) {
  if (r) FWidget->update(QRect(r->Left, r->Top, r->Width(), r->Height()));
  else FWidget->update();
}

void TQtWindowPeer::Update() {
  if (FWidget->isVisible()) FWidget->repaint();
  else PaintBacking(QRegion(FWidget->rect()));
}

void TQtWindowPeer::SetFocus() { FWidget->setFocus(Qt::OtherFocusReason); }

bool TQtWindowPeer::Focused() const { return FControl.Focused(); }

void TQtWindowPeer::SetCapture(bool capture) {
  if (capture == FCapture) return;
  FCapture = capture;
  if (capture) {
    if (FWidget->isVisible()) FWidget->grabMouse();
    return;
  }
  // A grab outlives the widget's hiding (a click that closes its window ends it while hidden):
  // it is let go whenever this widget holds it, or every later click goes to the hidden widget.
  if (QWidget::mouseGrabber() == FWidget.get()) FWidget->releaseMouse();
}

void TQtWindowPeer::SetCursor(TCursor cursor) { FWidget->setCursor(QtCursor(cursor)); }

bool TQtWindowPeer::SetTimer(UINT id, UINT ms) {
  KillTimer(id);
  int qtId = FWidget->startTimer(static_cast<int>(ms), ms < 20 ? Qt::PreciseTimer : Qt::CoarseTimer);
  if (qtId == 0) return false;
  FTimers[id] = qtId;
  return true;
}

bool TQtWindowPeer::KillTimer(UINT id) {
  auto it = FTimers.find(id);
  if (it == FTimers.end()) return false;
  FWidget->killTimer(it->second);
  FTimers.erase(it);
  return true;
}

UINT TQtWindowPeer::TimerIdOf(int qtTimer) const {
  for (const auto& [id, qtId] : FTimers)
    if (qtId == qtTimer) return id;
  return 0;
}

TPoint TQtWindowPeer::ClientOrigin() const {
  QPoint p = FWidget->mapToGlobal(QPoint(0, 0));
  return {p.x(), p.y()};
}

TPainter* TQtWindowPeer::BeginDraw() {
  // A widget not on the screen that has not been painted yet (its text measured while its form
  // is built) draws on a pixel of its own: what it draws is not seen, and its first paint draws
  // it whole.  Its backing image is made at that paint, at the size it then has.
  const bool scratch = FBacking.isNull() && !FWidget->isVisible();
  if (!FDrawPainter) {
    if (scratch) {
      if (FWidget->width() <= 0 || FWidget->height() <= 0) return nullptr;
      if (FScratch.isNull()) {
        FScratch = QImage(1, 1, QImage::Format_RGB32);
        FScratch.setDotsPerMeterX(3780);
        FScratch.setDotsPerMeterY(3780);
      }
    } else if (!EnsureBacking()) {
      return nullptr;
    }
    FDrawPainter = std::make_unique<TQtPainter>(scratch ? &FScratch : &FBacking, FFontCache);
  }
  return FDrawPainter.get();
}

void TQtWindowPeer::EndDraw() {
  FDrawPainter.reset();
  if (FPainting) return;
  // What was drawn outside a paint shows at once.
  FWidget->update();
}

void TQtWindowPeer::PaintBacking(const QRegion& region) {
  if (!EnsureBacking()) return;
  // The control's canvas lets go of the painter it drew with outside a paint first.
  FPainting = true;
  FControl.FreeCanvasHandle();
  FDrawPainter.reset();
  TQtPainter painter(&FBacking, FFontCache);
  std::vector<TRect> clip;
  for (const QRect& r : region) clip.push_back(Bounds(r.x(), r.y(), r.width(), r.height()));
  painter.SetClip(clip, true);
  try {
    FControl.PaintWindow(painter);
  } catch (...) {
    GetApplication().HandleException(&FControl);
  }
  FPainting = false;
}

LRESULT TQtWindowPeer::Send(UINT msg, WPARAM w, LPARAM l) {
  try {
    return FControl.Perform(msg, w, l);
  } catch (...) {
    GetApplication().HandleException(&FControl);
  }
  return 0;
}

// ---- Scroll bars ----------------------------------------------------------------------------

QScrollBar* TQtWindowPeer::ScrollBar(int bar) {
  int i = bar == SB_VERT ? 1 : 0;
  if (FBars[i]) return FBars[i];
  auto* sb = new QScrollBar(bar == SB_VERT ? Qt::Vertical : Qt::Horizontal, FWidget.get());
  sb->setFocusPolicy(Qt::NoFocus);
  sb->hide();
  UINT msg = bar == SB_VERT ? WM_VSCROLL : WM_HSCROLL;
  QObject::connect(sb, &QAbstractSlider::actionTriggered, [this, sb, msg, i](int action) {
    WORD code = 0xFFFF;
    switch (action) {
      case QAbstractSlider::SliderSingleStepAdd: code = SB_LINEDOWN; break;
      case QAbstractSlider::SliderSingleStepSub: code = SB_LINEUP; break;
      case QAbstractSlider::SliderPageStepAdd: code = SB_PAGEDOWN; break;
      case QAbstractSlider::SliderPageStepSub: code = SB_PAGEUP; break;
      case QAbstractSlider::SliderToMinimum: code = SB_TOP; break;
      case QAbstractSlider::SliderToMaximum: code = SB_BOTTOM; break;
      default: return;  // moves of the thumb come as sliderMoved
    }
    // The control sets the position itself, from the message.
    sb->setSliderPosition(sb->value());
    Send(msg, MAKEWPARAM(code, 0), 0);
    if (!FBarTracking[i]) Send(msg, MAKEWPARAM(SB_ENDSCROLL, 0), 0);
  });
  QObject::connect(sb, &QAbstractSlider::sliderPressed, [this, i] { FBarTracking[i] = true; });
  QObject::connect(sb, &QAbstractSlider::sliderMoved, [this, msg, i](int pos) {
    FControl.ScrollBarState(i).TrackPos = pos;
    Send(msg, MAKEWPARAM(SB_THUMBTRACK, pos), 0);
  });
  QObject::connect(sb, &QAbstractSlider::sliderReleased, [this, sb, msg, i] {
    FBarTracking[i] = false;
    int pos = sb->sliderPosition();
    FControl.ScrollBarState(i).TrackPos = pos;
    Send(msg, MAKEWPARAM(SB_THUMBPOSITION, pos), 0);
    Send(msg, MAKEWPARAM(SB_ENDSCROLL, 0), 0);
  });
  FBars[i] = sb;
  return sb;
}

void TQtWindowPeer::ScrollBarChanged(int bar, const TScrollBarState& s) {
  if (bar != SB_HORZ && bar != SB_VERT) return;
  QScrollBar* sb = ScrollBar(bar);
  {
    QSignalBlocker block(sb);
    int page = static_cast<int>(s.Page);
    sb->setRange(s.Min, page > 0 ? std::max(s.Min, s.Max - page + 1) : s.Max);
    sb->setPageStep(std::max(page, 1));
    sb->setSingleStep(1);
    sb->setValue(s.Pos);
  }
  if (s.Flat) {
    QString css = QString("QScrollBar { border: none; background: %1; }")
                      .arg(s.BkColor == clNone ? QString("palette(button)") : ToQColor(ColorToRGB(s.BkColor)).name());
    if (s.FlatStyle == FSB_FLAT_MODE) css += " QScrollBar::handle { background: palette(mid); border: none; }";
    sb->setStyleSheet(css);
  } else {
    sb->setStyleSheet(QString());
  }
  sb->setVisible(s.Visible);
  PlaceScrollBars();
}

void TQtWindowPeer::PlaceScrollBars() {
  const TScrollBarState& v = FControl.ScrollBarState(SB_VERT);
  const TScrollBarState& h = FControl.ScrollBarState(SB_HORZ);
  int vw = v.Visible ? (v.Size > 0 && v.Flat ? v.Size : GetSystemMetrics(SM_CXVSCROLL)) : 0;
  int hh = h.Visible ? (h.Size > 0 && h.Flat ? h.Size : GetSystemMetrics(SM_CYHSCROLL)) : 0;
  int w = FWidget->width(), ht = FWidget->height();
  if (FBars[1]) FBars[1]->setGeometry(w - vw, 0, vw, ht - hh);
  if (FBars[0]) FBars[0]->setGeometry(0, ht - hh, w - vw, hh);
}

void TQtWindowPeer::Scroll(int dx, int dy, const TRect* area) {
  // The backing image moves with the contents; the uncovered strip is painted anew.
  if (!FBacking.isNull()) {
    QRect r = area ? QRect(area->Left, area->Top, area->Width(), area->Height()) : FBacking.rect();
    QImage copy = FBacking.copy(r);
    QPainter p(&FBacking);
    p.setClipRect(r);
    p.drawImage(r.topLeft() + QPoint(dx, dy), copy);
  }
  FWidget->update();
}

void TQtWindowPeer::BringToFront() {
  // The offscreen platform cannot raise a window and says so each time; a child rises among its
  // siblings on any platform.
  if (Window()->parentWidget() || QGuiApplication::platformName() != "offscreen") Window()->raise();
}

// ---- Installation ---------------------------------------------------------------------------

namespace {

// An icon of the style read when it is first drawn or measured.
class TLazyStandardIcon : public QIconEngine {
public:
  TLazyStandardIcon(const QProxyStyle& style, QStyle::StandardPixmap which) : FStyle(style), FWhich(which) {}
  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
    Icon().paint(painter, rect, Qt::AlignCenter, mode, state);
  }
  QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    return Icon().actualSize(size, mode, state);
  }
  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    return Icon().pixmap(size, mode, state);
  }
  QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override {
    return Icon().pixmap(size, scale, mode, state);
  }
  QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override { return Icon().availableSizes(mode, state); }
  bool isNull() override { return Icon().isNull(); }
  QString key() const override { return QStringLiteral("qn_lazy_standard"); }
  QIconEngine* clone() const override { return new TLazyStandardIcon(*this); }

private:
  const QIcon& Icon() {
    if (!FRead) {
      FIcon = FStyle.baseStyle()->standardIcon(FWhich);
      FRead = true;
    }
    return FIcon;
  }
  const QProxyStyle& FStyle;
  QStyle::StandardPixmap FWhich;
  QIcon FIcon;
  bool FRead = false;
};

// The toolkit's own style, but for the icons of the extension buttons that a menu bar or a tool
// bar makes in advance for when its items do not fit: read when first drawn (reading one loads
// every picture format's plugin, some milliseconds of a window's first show).
class TQtStyle : public QProxyStyle {
public:
  using QProxyStyle::QProxyStyle;
  QIcon standardIcon(StandardPixmap which, const QStyleOption* option, const QWidget* widget) const override {
    if (!option && (which == SP_ToolBarHorizontalExtensionButton || which == SP_ToolBarVerticalExtensionButton))
      return QIcon(new TLazyStandardIcon(*this, which));
    return QProxyStyle::standardIcon(which, option, widget);
  }
};

}  // namespace

void InstallQtBackend() {
  // The toolkit set the C library to the desktop's locale when it started: numbers stay plain
  // ('.' as the point) for every routine and library of the process that reads or writes them.
  std::setlocale(LC_NUMERIC, "C");
  InstallQtEventLoop();
  // An exit while the toolkit still runs comes from the toolkit itself (the X server went away):
  // its widgets cannot be destroyed any more, so the windows are left to the process's end.
  // (The program's own end frees the application before the toolkit goes.)
  static const bool AtExit = std::atexit([] {
    if (QCoreApplication::instance()) AbandonApplicationAtExit();
  }) == 0;
  (void)AtExit;
  if (!dynamic_cast<TQtStyle*>(QApplication::style())) QApplication::setStyle(new TQtStyle(QApplication::style()->name()));
  // QN_STILL_CARET=1 (the X tests set it) shows the text caret without blinking: a test that
  // waits for a window to hold still before it looks at it would otherwise wait on the blink.
  if (const char* still = std::getenv("QN_STILL_CARET"); still && std::string_view(still) == "1")
    QGuiApplication::styleHints()->setCursorFlashTime(0);
  QFont::insertSubstitution("Arial", "Liberation Sans");
  QFont::insertSubstitution("Times New Roman", "Liberation Serif");
  QFont::insertSubstitution("Courier New", "Liberation Mono");
  SetWindowPeerFactory([](TWinControl& control) { return std::make_unique<TQtWindowPeer>(control); });
  SetBitmapPainterFactory([](TBitmap& bitmap) { return std::make_unique<TQtPainter>(bitmap); });
  InstallQtForms();
  InstallQtStandardPeers();
  InstallQtRichEdit();
  InstallQtClipboard();
  InstallQtPrinting();
  InstallQtPictures();
  InstallQtModalKeys();
}

struct TQtProgram::TToolkit {
  TToolkit(int& argc, char** argv) : App(argc, argv) {}
  QApplication App;
};

TQtProgram::TQtProgram(int& argc, char** argv) : FToolkit(std::make_unique<TToolkit>(argc, argv)) {
  InstallQtBackend();
}

TQtProgram::~TQtProgram() = default;

TQtWindowPeer* QtPeer(TWinControl& control) { return dynamic_cast<TQtWindowPeer*>(control.Handle()); }
