// The generic window peer of painted controls: a QWidget with a backing image. Paint events
// run WM_PAINT into the image through the QPainter painter; mouse, keys, focus and timers come
// back to the control as messages.
#pragma once

#include <QCursor>
#include <QImage>
#include <QPointer>
#include <QScrollBar>
#include <QWidget>
#include <map>
#include <memory>

#include "platform/qt/qt_painter.h"
#include "platform/ui/controls.h"

class TQtWindowPeer;

class TQtPaintedWidget : public QWidget {
public:
  TQtPaintedWidget(TQtWindowPeer& peer, QWidget* parent);

protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void timerEvent(QTimerEvent* event) override;
  bool focusNextPrevChild(bool) override { return false; }

private:
  // A left press where the control answers WM_NCHITTEST with a border code sizes the window
  // from that border: by the window manager when it can, else by following the mouse here.
  bool StartSizing(QMouseEvent* event);
  TQtWindowPeer& FPeer;
  Qt::Edges FSizing;
  QPoint FSizeFrom;
  QRect FSizeStart;
};

class TQtWindowPeer : public TWindowPeer {
public:
  explicit TQtWindowPeer(TWinControl& control);
  ~TQtWindowPeer() override;

  void SetBounds(const TRect& bounds) override;
  void SetVisible(bool visible) override;
  void SetEnabled(bool enabled) override;
  void SetParent(TWinControl* parent) override;
  void Invalidate(const TRect* r) override;
  void Update() override;
  void SetFocus() override;
  bool Focused() const override;
  void SetCapture(bool capture) override;
  bool HasCapture() const override { return FCapture; }
  void SetCursor(TCursor cursor) override;
  bool SetTimer(UINT id, UINT ms) override;
  bool KillTimer(UINT id) override;
  TPoint ClientOrigin() const override;
  TPainter* BeginDraw() override;
  void EndDraw() override;
  void ScrollBarChanged(int bar, const TScrollBarState& state) override;
  void Scroll(int dx, int dy, const TRect* area) override;
  void BringToFront() override;

  TWinControl& Control() const { return FControl; }
  QWidget* Widget() const { return FWidget.get(); }
  QImage& Backing() {
    EnsureBacking();
    return FBacking;
  }
  // Lets the backing image go when the widget's size changed: a new one of the widget's size
  // (its pixels white) is made when the control is next painted or drawn on, so that a control
  // laid out many times before it shows, or never shown, makes none.
  void FitBacking();
  // Makes the backing image when there is none; false for a widget of no area.
  bool EnsureBacking();
  // Paints the marked area into the backing image now (what a paint event does first).
  void PaintBacking(const QRegion& region);
  // Sends a message to the control; an exception goes to the application, never into Qt.
  // Returns the message's result.
  LRESULT Send(UINT msg, WPARAM w, LPARAM l);
  UINT TimerIdOf(int qtTimer) const;
  // The window Qt shows for the control (the form's frame for a form).
  virtual QWidget* Window() const { return FWidget.get(); }
  // Lays the scroll bars along the right and bottom edges.
  void PlaceScrollBars();

private:
  QScrollBar* ScrollBar(int bar);
  QPointer<QScrollBar> FBars[2];
  bool FBarTracking[2] = {false, false};

  TWinControl& FControl;
  std::unique_ptr<TQtPaintedWidget> FWidget;
  QImage FBacking;
  std::unique_ptr<TQtPainter> FDrawPainter;
  QImage FScratch;  // what a widget not shown yet draws on (see BeginDraw)
  // Kept across paints: a repaint draws what it drew before without laying the texts out again.
  std::shared_ptr<TQtFontCache> FFontCache = TQtFontCache::Make();
  std::map<UINT, int> FTimers;  // our id -> Qt timer id
  bool FCapture = false;
  bool FPainting = false;
};

// Installs the Qt peers, the QPainter bitmap painters and the font substitutions
// ("Arial" -> "Liberation Sans" and kin). Call after the QApplication exists.
void InstallQtBackend();
// The Qt peer of a control, made when needed; null when another backend made it.
TQtWindowPeer* QtPeer(TWinControl& control);
// Windows virtual key of a Qt key (0 for none).
WORD VirtualKeyFromQt(int qtKey);
// The Qt cursor of a cursor id: a standard shape, or the image of Screen.Cursors[id].
QCursor QtCursor(TCursor cursor);
