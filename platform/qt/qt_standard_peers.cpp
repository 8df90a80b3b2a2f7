// Qt backend: the native peers of the standard controls. Each peer is the generic window peer
// (geometry, visibility, timers, parenting) with a Qt widget filling it. The control pushes its
// state with the widget's signals blocked; the user's signals come back as the control's Peer...
// reports. Keys go to the control first (WM_KEYDOWN, WM_CHAR per code point): what the control
// uses (all typing in edits) never reaches the widget, so editing is the control's own on both
// backends. Byte offsets of the UTF-8 text and QString indexes are converted here.
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QStyledItemDelegate>
#include <QTextBlock>
#include <climits>
#include <cmath>

#include "platform/qt/qt_backend_parts.h"
#include "platform/qt/qt_input.h"
#include "platform/qt/qt_painter.h"
#include "platform/qt/qt_window_peer.h"
#include "platform/rtl/date_time.h"
#include "platform/ui/application.h"
#include "platform/ui/date_time_picker.h"
#include "platform/ui/list_controls.h"
#include "platform/ui/spin_edit.h"
#include "platform/ui/std_buttons.h"

namespace {

// Runs Change with the widget's repaints (and its viewport's) dropped: for a change that the
// widget repaints for though it looks the same afterwards.
template <class Change>
void WithoutRepaint(QWidget* widget, QWidget* viewport, Change change) {
  QWidget* widgets[2] = {widget, viewport};
  bool blocked[2] = {};
  for (int i = 0; i < 2; ++i)
    if (widgets[i]) {
      blocked[i] = widgets[i]->testAttribute(Qt::WA_UpdatesDisabled);
      widgets[i]->setAttribute(Qt::WA_UpdatesDisabled, true);
    }
  change();
  for (int i = 0; i < 2; ++i)
    if (widgets[i]) widgets[i]->setAttribute(Qt::WA_UpdatesDisabled, blocked[i]);
}

// Read-only shows only in an edit's caret, which an edit without the focus does not draw: locking
// a window's edits repaints none of them.
template <class Edit>
void SetEditReadOnly(Edit* edit, QWidget* viewport, bool readOnly) {
  if (edit->isReadOnly() == readOnly) return;
  if (edit->hasFocus()) edit->setReadOnly(readOnly);
  else WithoutRepaint(edit, viewport, [&] { edit->setReadOnly(readOnly); });
}

QString Q(const std::string& s) { return QString::fromStdString(s); }
QStringList QStrings(const std::vector<std::string>& items) {
  QStringList texts;
  texts.reserve(static_cast<qsizetype>(items.size()));
  for (const auto& s : items) texts << Q(s);
  return texts;
}

// ---- Offsets ----------------------------------------------------------------------------------

// The QString index of a byte offset of `text`; CR LF counts as one character when `crlf`.
int IndexOfByte(const std::string& text, int bytes, bool crlf) {
  bytes = std::clamp(bytes, 0, static_cast<int>(text.size()));
  std::string prefix = text.substr(0, bytes);
  int index = QString::fromStdString(prefix).size();
  if (crlf)
    for (std::size_t p = prefix.find("\r\n"); p != std::string::npos; p = prefix.find("\r\n", p + 2)) --index;
  return index;
}

// The byte offset of a QString index of `text` (the Qt side's form of it).
int ByteOfIndex(const std::string& text, int index, bool crlf) {
  QString shown = QString::fromStdString(text);
  if (crlf) shown.replace("\r\n", "\n");
  index = std::clamp(index, 0, static_cast<int>(shown.size()));
  std::string prefix = shown.left(index).toStdString();
  int bytes = static_cast<int>(prefix.size());
  if (crlf) bytes += static_cast<int>(std::count(prefix.begin(), prefix.end(), '\n'));
  return bytes;
}

std::string FromQt(const QString& s, bool crlf) {
  std::string out = s.toStdString();
  if (!crlf) return out;
  std::string r;
  for (char c : out) {
    if (c == '\n') r += '\r';
    if (c != '\r') r += c;
  }
  return r;
}

// ---- TDateTime <-> QDateTime ---------------------------------------------------------------------

QDateTime ToQDateTime(double value) {
  double days = std::floor(value);
  long long ms = std::llround((value - days) * MSecsPerDay);
  QDate date = QDate(1899, 12, 30).addDays(static_cast<qint64>(days));
  return QDateTime(date, QTime(0, 0).addMSecs(static_cast<int>(std::min<long long>(ms, 86399999))));
}

double FromQDateTime(const QDateTime& dt) {
  double days = static_cast<double>(QDate(1899, 12, 30).daysTo(dt.date()));
  return days + dt.time().msecsSinceStartOfDay() / MSecsPerDay;
}

// Our format letters (d m y h n s, AMPM) as Qt's display format.
QString QtDateFormat(const std::string& f) {
  QString out;
  bool afterHour = false;
  for (std::size_t i = 0; i < f.size();) {
    char c = static_cast<char>(std::tolower(static_cast<unsigned char>(f[i])));
    std::size_t run = 1;
    while (i + run < f.size() && std::tolower(static_cast<unsigned char>(f[i + run])) == c) ++run;
    if (f.compare(i, 4, "AMPM") == 0 || f.compare(i, 4, "ampm") == 0) { out += "AP"; i += 4; continue; }
    if (f.compare(i, 5, "AM/PM") == 0 || f.compare(i, 5, "am/pm") == 0) { out += "AP"; i += 5; continue; }
    switch (c) {
      case 'd': out += QString(static_cast<int>(std::min<std::size_t>(run, 4)), 'd'); afterHour = false; break;
      case 'y': out += run <= 2 ? "yy" : "yyyy"; afterHour = false; break;
      case 'h': out += run >= 2 ? "hh" : "h"; afterHour = true; break;
      case 'n': out += run >= 2 ? "mm" : "m"; afterHour = false; break;
      case 's': out += run >= 2 ? "ss" : "s"; afterHour = false; break;
      case 'm':
        if (afterHour) out += run >= 2 ? "mm" : "m";
        else out += QString(static_cast<int>(std::min<std::size_t>(run, 4)), 'M');
        afterHour = false;
        break;
      case '\'': case '"': {
        std::size_t end = f.find(f[i], i + 1);
        if (end == std::string::npos) end = f.size();
        out += "'" + Q(f.substr(i + 1, end - i - 1)) + "'";
        i = end + 1;
        continue;
      }
      default: out += QString::fromStdString(f.substr(i, run)); break;
    }
    i += run;
  }
  return out;
}

// ---- Widgets that leave the focus chain to us -------------------------------------------------------

template <class W>
class TOurs : public W {
public:
  using W::W;

protected:
  bool focusNextPrevChild(bool) override { return false; }
};

class TNativeBase;

// Keys, mouse and focus of the native widget (and of its inner parts) go to the control first.
class TInputFilter : public QObject {
public:
  explicit TInputFilter(TNativeBase& peer) : FPeer(peer) {}

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  TNativeBase& FPeer;
};

// The generic window peer with a native widget filling it.
class TNativeBase : public TQtWindowPeer {
public:
  explicit TNativeBase(TWinControl& control) : TQtWindowPeer(control), FFilter(*this) {}
  ~TNativeBase() override {
    if (FNative) {
      FNative->blockSignals(true);
      delete FNative;
    }
  }

  void SetBounds(const TRect& b) override {
    TQtWindowPeer::SetBounds(b);
    if (FNative) FNative->setGeometry(0, 0, std::max(b.Width(), 0), std::max(b.Height(), 0));
  }
  void SetFocus() override {
    if (FNative) FNative->setFocus(Qt::OtherFocusReason);
  }
  // The capture of a press stays with the widget, which tracks its own mouse.
  void SetCapture(bool capture) override { FCaptured = capture; }
  bool HasCapture() const override { return FCaptured; }

  QWidget* Native() const { return FNative; }

  // Sends a message to the control; an exception goes to the application, never into Qt, and
  // counts as handled.
  LRESULT Deliver(UINT msg, WPARAM w, LPARAM l) {
    try {
      return Control().Perform(msg, w, l);
    } catch (...) {
      GetApplication().HandleException(&Control());
      return 1;
    }
  }
  // Runs a report of the widget's signals under the same guard.
  template <class F>
  void Guard(F&& f) {
    try {
      f();
    } catch (...) {
      GetApplication().HandleException(&Control());
    }
  }
  bool Pushing() const { return FPushing > 0; }

protected:
  // Takes the widget: it fills the window, shows with it, and its input is filtered.
  void Adopt(QWidget* native) {
    FNative = native;
    native->setParent(Widget());
    native->setGeometry(Widget()->rect());
    native->setContextMenuPolicy(Qt::NoContextMenu);
    native->setFocusPolicy(Qt::StrongFocus);
    Widget()->setFocusProxy(native);
    Filter(native);
    // A disabled widget shows its text greyed in the system's grey text colour: the style's own
    // disabled grey is about the shade of the button face the windows are painted with, so a
    // disabled caption would vanish into it.
    QPalette p = native->palette();
    const QColor grey = ToQColor(ColorToRGB(clGrayText));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
      p.setColor(QPalette::Disabled, role, grey);
    native->setPalette(p);
    native->show();
  }
  void Filter(QObject* part) { part->installEventFilter(&FFilter); }

  // The font with its colour: the widget's text while enabled (a disabled one keeps its grey).
  void ApplyFont(const TFont& font) {
    if (!FNative) return;
    FNative->setFont(ToQFont(font.ToPaintFont(96)));
    QPalette p = FNative->palette();
    const QColor colour = ToQColor(ColorToRGB(font.Color()));
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
      for (QPalette::ColorRole role : {QPalette::Text, QPalette::ButtonText}) p.setColor(group, role, colour);
    FNative->setPalette(p);
  }
  void ApplyColor(TColor color, QPalette::ColorRole role) {
    if (!FNative) return;
    QPalette p = FNative->palette();
    p.setColor(role, ToQColor(ColorToRGB(color)));
    FNative->setPalette(p);
  }

  // A scope for pushing: the widget's signals are blocked and no report runs.
  struct TPush {
    explicit TPush(TNativeBase& peer) : FPeer(peer), FBlocker(peer.FNative) { ++peer.FPushing; }
    ~TPush() { --FPeer.FPushing; }
    TNativeBase& FPeer;
    QSignalBlocker FBlocker;
  };

private:
  QWidget* FNative = nullptr;
  TInputFilter FFilter;
  bool FCaptured = false;
  int FPushing = 0;
};

bool TInputFilter::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
      // A key reaches the control once: at the widget with the focus, not again where the
      // widget passes it on to (a combo box's edit to the box, a spin box to its edit).
      if (watched != QApplication::focusWidget()) return false;
      break;
    default:
      break;
  }
  switch (event->type()) {
    case QEvent::KeyPress: {
      auto* e = static_cast<QKeyEvent*>(event);
      UpdateModifiers(e->modifiers());
      bool used = false;
      if (WORD vk = VirtualKeyFromQt(e->key())) used = FPeer.Deliver(WM_KEYDOWN, vk, 0) != 0;
      if (used) return true;
      QString text = e->text();
      // Control characters of Ctrl+letter, which some platforms leave out of the text.
      if (text.isEmpty() && (e->modifiers() & Qt::ControlModifier) && e->key() >= Qt::Key_A && e->key() <= Qt::Key_Z)
        text = QChar(static_cast<char16_t>(e->key() - Qt::Key_A + 1));
      for (char32_t cp : text.toUcs4())
        if (cp != 0x7F) used = FPeer.Deliver(WM_CHAR, cp, 0) != 0 || used;
      return used;
    }
    case QEvent::KeyRelease: {
      auto* e = static_cast<QKeyEvent*>(event);
      UpdateModifiers(e->modifiers());
      WORD vk = VirtualKeyFromQt(e->key());
      return vk && FPeer.Deliver(WM_KEYUP, vk, 0) != 0;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
      // The control hears the mouse (OnMouseDown, OnDblClick); the widget handles it too.
      auto* e = static_cast<QMouseEvent*>(event);
      auto* w = qobject_cast<QWidget*>(watched);
      if (!w) return false;
      UpdateModifiers(e->modifiers());
      QPoint p = w->mapTo(FPeer.Widget(), e->position().toPoint());
      UINT msg = 0;
      bool right = e->button() == Qt::RightButton, middle = e->button() == Qt::MiddleButton;
      if (event->type() == QEvent::MouseButtonPress) msg = right ? WM_RBUTTONDOWN : middle ? WM_MBUTTONDOWN : WM_LBUTTONDOWN;
      else if (event->type() == QEvent::MouseButtonRelease) msg = right ? WM_RBUTTONUP : middle ? WM_MBUTTONUP : WM_LBUTTONUP;
      else msg = right ? WM_RBUTTONDBLCLK : middle ? WM_MBUTTONDBLCLK : WM_LBUTTONDBLCLK;
      FPeer.Deliver(msg, MouseKeys(e->buttons(), e->modifiers()), MAKELPARAM(p.x(), p.y()));
      return false;
    }
    case QEvent::FocusIn:
      if (GetFocus() != &FPeer.Control()) FPeer.Guard([&] { FPeer.Control().SetFocus(); });
      return false;
    default:
      return false;
  }
}

// ---- Owner draw -----------------------------------------------------------------------------------

// Paints item `row` of the peer's control through its owner drawing (OnDrawItem or DrawItem),
// on a canvas over an image of the item, into `target` of the painter; the target's corner is
// where the item lies in the control's client area.
void PaintOwnerItem(TNativeBase& peer, QPainter* painter, const QRect& target, int row, TOwnerDrawState state) {
  QImage image(target.size(), QImage::Format_RGB32);
  image.setDotsPerMeterX(3780);
  image.setDotsPerMeterY(3780);
  image.fill(Qt::white);
  QPoint origin = target.topLeft();
  TRect r = Bounds(origin.x(), origin.y(), target.width(), target.height());
  auto& control = static_cast<TNativeControl&>(peer.Control());
  {
    TQtPainter p(&image);
    peer.Guard([&] { control.PeerDrawItem(row, p, r, state, {origin.x(), origin.y()}); });
  }
  painter->drawImage(origin, image);
}

// Paints the items of a list or drop-down list through the control's owner drawing.
class TOwnerDrawDelegate : public QStyledItemDelegate {
public:
  TOwnerDrawDelegate(TNativeBase& peer, QAbstractItemView* view, int itemHeight)
      : QStyledItemDelegate(view), FPeer(peer), FView(view), FItemHeight(itemHeight) {}
  void SetItemHeight(int h) { FItemHeight = h; }

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    TOwnerDrawState state;
    if (option.state & QStyle::State_Selected) state << odSelected;
    if (option.state & QStyle::State_HasFocus) state << odFocused;
    if (!(option.state & QStyle::State_Enabled)) state << odDisabled;
    PaintOwnerItem(FPeer, painter, option.rect, index.row(), state);
  }
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    int h = FItemHeight;
    FPeer.Guard([&] { h = static_cast<TNativeControl&>(FPeer.Control()).MeasureItem(index.row()); });
    return QSize(std::max(option.rect.width(), FView->viewport()->width()), std::max(h, 1));
  }

private:
  TNativeBase& FPeer;
  QAbstractItemView* FView;
  int FItemHeight;
};

// ---- Edits ------------------------------------------------------------------------------------

class TQtEditPeer : public TNativeBase, public TEditPeer {
public:
  explicit TQtEditPeer(TWinControl& control) : TNativeBase(control) {
    FEdit = new TOurs<QLineEdit>();
    FEdit->setFrame(true);
    Adopt(FEdit);
    QObject::connect(FEdit, &QLineEdit::selectionChanged, FEdit, [this] { ReportSelection(); });
    QObject::connect(FEdit, &QLineEdit::cursorPositionChanged, FEdit, [this](int, int) { ReportSelection(); });
    QObject::connect(FEdit, &QLineEdit::textEdited, FEdit, [this](const QString& text) {
      if (Pushing()) return;
      FText = text.toStdString();
      Guard([&] { Edit().PeerTextEdited(FText, ByteOfIndex(FText, FEdit->cursorPosition(), false)); });
    });
  }

  void SetFont(const TFont& font) override { ApplyFont(font); }
  void SetColor(TColor color) override { ApplyColor(color, QPalette::Base); }
  void SetEditText(const std::string& text) override {
    TPush push(*this);
    FText = text;
    FEdit->setText(Q(text));
  }
  void SetSelection(int anchor, int caret) override {
    TPush push(*this);
    int a = IndexOfByte(FText, anchor, false), c = IndexOfByte(FText, caret, false);
    if (a == c) FEdit->setCursorPosition(c);
    else FEdit->setSelection(a, c - a);
  }
  void SetReadOnly(bool readOnly) override { SetEditReadOnly(FEdit, nullptr, readOnly); }
  void SetPasswordChar(char32_t ch) override { FEdit->setEchoMode(ch ? QLineEdit::Password : QLineEdit::Normal); }
  void SetAlignment(TAlignment a) override {
    FEdit->setAlignment((a == taRightJustify ? Qt::AlignRight : a == taCenter ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter);
  }
  void SetFormatRect(const TRect& r) override {
    QSize s = FEdit->size();
    FEdit->setTextMargins(std::max(r.Left, 0), std::max(r.Top, 0), std::max(s.width() - r.Right, 0),
                          std::max(s.height() - r.Bottom, 0));
  }
  int CharFromPos(TPoint p) const override {
    return ByteOfIndex(FText, FEdit->cursorPositionAt(QPoint(p.X, p.Y)), false);
  }

  QLineEdit* LineEdit() const { return FEdit; }

protected:
  TCustomEdit& Edit() { return static_cast<TCustomEdit&>(Control()); }
  void ReportSelection() {
    if (Pushing()) return;
    int caret = FEdit->cursorPosition();
    int anchor = caret;
    if (FEdit->hasSelectedText()) {
      int start = FEdit->selectionStart();
      anchor = caret == start ? start + static_cast<int>(FEdit->selectedText().size()) : start;
    }
    Guard([&] { Edit().PeerSelectionChanged(ByteOfIndex(FText, anchor, false), ByteOfIndex(FText, caret, false)); });
  }

  QLineEdit* FEdit = nullptr;
  std::string FText;
};

class TQtMemoPeer : public TNativeBase, public TEditPeer {
public:
  explicit TQtMemoPeer(TWinControl& control) : TNativeBase(control) {
    FMemo = new TMemoWidget();
    Adopt(FMemo);
    Filter(FMemo->viewport());
    auto report = [this] {
      if (Pushing()) return;
      QTextCursor c = FMemo->textCursor();
      Guard([&] { Memo().PeerSelectionChanged(ByteOfIndex(FText, c.anchor(), true), ByteOfIndex(FText, c.position(), true)); });
    };
    QObject::connect(FMemo, &QPlainTextEdit::cursorPositionChanged, FMemo, report);
    QObject::connect(FMemo, &QPlainTextEdit::selectionChanged, FMemo, report);
    QObject::connect(FMemo, &QPlainTextEdit::textChanged, FMemo, [this] {
      if (Pushing()) return;
      FText = FromQt(FMemo->toPlainText(), true);
      Guard([&] { Memo().PeerTextEdited(FText, ByteOfIndex(FText, FMemo->textCursor().position(), true)); });
    });
  }

  void SetFont(const TFont& font) override { ApplyFont(font); }
  void SetColor(TColor color) override { ApplyColor(color, QPalette::Base); }
  void SetEditText(const std::string& text) override {
    TPush push(*this);
    QSignalBlocker document(FMemo->document());
    FText = text;
    QString shown = Q(text);
    shown.replace("\r\n", "\n");
    FMemo->setPlainText(shown);
  }
  void AppendEditText(const std::string& text, std::size_t from) override {
    // A line end split between the old text and the new is shown afresh.
    if (from != FText.size() || from > text.size() || (from > 0 && FText.back() == '\r')) return SetEditText(text);
    TPush push(*this);
    QSignalBlocker document(FMemo->document());
    QString shown = Q(text.substr(from));
    shown.replace("\r\n", "\n");
    FText.append(text, from, std::string::npos);
    QTextCursor end(FMemo->document());
    end.movePosition(QTextCursor::End);
    end.insertText(shown);
  }
  void SetSelection(int anchor, int caret) override {
    TPush push(*this);
    QTextCursor c = FMemo->textCursor();
    c.setPosition(IndexOfByte(FText, anchor, true));
    c.setPosition(IndexOfByte(FText, caret, true), QTextCursor::KeepAnchor);
    FMemo->setTextCursor(c);
  }
  void SetReadOnly(bool readOnly) override { SetEditReadOnly(FMemo, FMemo->viewport(), readOnly); }
  void SetPasswordChar(char32_t) override {}
  void SetAlignment(TAlignment a) override {
    QTextOption option = FMemo->document()->defaultTextOption();
    option.setAlignment(a == taRightJustify ? Qt::AlignRight : a == taCenter ? Qt::AlignHCenter : Qt::AlignLeft);
    FMemo->document()->setDefaultTextOption(option);
  }
  void SetFormatRect(const TRect& r) override { FMemo->SetMargins(r); }
  int CharFromPos(TPoint p) const override {
    QPoint v = FMemo->viewport()->mapFrom(FMemo, QPoint(p.X, p.Y));
    return ByteOfIndex(FText, FMemo->cursorForPosition(v).position(), true);
  }
  void SetWordWrap(bool wrap) override {
    FMemo->setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
  }
  void SetScrollBars(int bars) override {
    FMemo->setHorizontalScrollBarPolicy((bars & 1) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    FMemo->setVerticalScrollBarPolicy((bars & 2) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  }

private:
  class TMemoWidget : public TOurs<QPlainTextEdit> {
  public:
    void SetMargins(const TRect& r) {
      QSize s = size();
      setViewportMargins(std::max(r.Left, 0), std::max(r.Top, 0), std::max(s.width() - r.Right, 0),
                         std::max(s.height() - r.Bottom, 0));
    }
  };
  TCustomEdit& Memo() { return static_cast<TCustomEdit&>(Control()); }
  TMemoWidget* FMemo = nullptr;
  std::string FText;
};

// ---- Spin edit --------------------------------------------------------------------------------------

class TQtSpinPeer : public TNativeBase, public TSpinPeer {
public:
  explicit TQtSpinPeer(TWinControl& control) : TNativeBase(control) {
    FSpin = new TSpinWidget(*this);
    Adopt(FSpin);
    Filter(FSpin->Line());
    QLineEdit* line = FSpin->Line();
    QObject::connect(line, &QLineEdit::cursorPositionChanged, line, [this](int, int) {
      if (Pushing()) return;
      int caret = ByteOfIndex(FText, FSpin->Line()->cursorPosition(), false);
      Guard([&] { Spin().PeerSelectionChanged(caret, caret); });
    });
  }

  void SetFont(const TFont& font) override { ApplyFont(font); }
  void SetColor(TColor color) override { ApplyColor(color, QPalette::Base); }
  void SetEditText(const std::string& text) override {
    TPush push(*this);
    QSignalBlocker line(FSpin->Line());
    FText = text;
    bool ok = false;
    int v = Q(text).trimmed().toInt(&ok);
    if (ok && v >= FSpin->minimum() && v <= FSpin->maximum()) FSpin->setValue(v);
    FSpin->Line()->setText(Q(text));
  }
  void SetSelection(int anchor, int caret) override {
    TPush push(*this);
    QSignalBlocker line(FSpin->Line());
    int a = IndexOfByte(FText, anchor, false), c = IndexOfByte(FText, caret, false);
    if (a == c) FSpin->Line()->setCursorPosition(c);
    else FSpin->Line()->setSelection(a, c - a);
  }
  void SetReadOnly(bool readOnly) override { FSpin->setReadOnly(readOnly); }
  void SetPasswordChar(char32_t) override {}
  void SetAlignment(TAlignment a) override {
    FSpin->setAlignment((a == taRightJustify ? Qt::AlignRight : a == taCenter ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter);
  }
  void SetFormatRect(const TRect&) override {}
  void SetRange(int minValue, int maxValue, int increment) override {
    TPush push(*this);
    FSpin->setRange(minValue, maxValue);
    FSpin->setSingleStep(increment);
  }

private:
  class TSpinWidget : public TOurs<QSpinBox> {
  public:
    explicit TSpinWidget(TQtSpinPeer& peer) : FPeer(peer) {}
    QLineEdit* Line() const { return lineEdit(); }
    // The buttons and the wheel step the control, which keeps the value.
    void stepBy(int steps) override {
      FPeer.Guard([&] { static_cast<TSpinEdit&>(FPeer.Control()).PeerStep(steps); });
    }

  protected:
    StepEnabled stepEnabled() const override { return StepUpEnabled | StepDownEnabled; }

  private:
    TQtSpinPeer& FPeer;
  };
  TSpinEdit& Spin() { return static_cast<TSpinEdit&>(Control()); }
  TSpinWidget* FSpin = nullptr;
  std::string FText;
};

// ---- List box -----------------------------------------------------------------------------------

class TQtListPeer : public TNativeBase, public TListPeer {
public:
  explicit TQtListPeer(TWinControl& control) : TNativeBase(control) {
    FList = new TOurs<QListWidget>();
    Adopt(FList);
    Filter(FList->viewport());
    FList->setUniformItemSizes(false);
    QObject::connect(FList, &QListWidget::currentRowChanged, FList, [this](int row) {
      if (Pushing() || FList->selectionMode() != QAbstractItemView::SingleSelection) return;
      Guard([&] { List().PeerItemChosen(row); });
    });
    QObject::connect(FList, &QListWidget::itemSelectionChanged, FList, [this] {
      if (Pushing() || FList->selectionMode() == QAbstractItemView::SingleSelection) return;
      std::vector<bool> selected(static_cast<std::size_t>(FList->count()), false);
      for (int i = 0; i < FList->count(); ++i) selected[static_cast<std::size_t>(i)] = FList->item(i)->isSelected();
      Guard([&] { List().PeerSelectionChanged(selected, FList->currentRow()); });
    });
    QObject::connect(FList->verticalScrollBar(), &QScrollBar::valueChanged, FList, [this](int) {
      if (!Pushing()) Guard([&] { List().PeerTopIndexChanged(TopIndex()); });
    });
  }

  void SetFont(const TFont& font) override { ApplyFont(font); }
  void SetColor(TColor color) override { ApplyColor(color, QPalette::Base); }
  void SetItems(const std::vector<std::string>& items) override {
    TPush push(*this);
    FList->clear();
    for (const auto& s : items) FList->addItem(Q(s));
  }
  void InsertItems(int index, const std::vector<std::string>& items) override {
    TPush push(*this);
    FList->insertItems(index, QStrings(items));
  }
  void DeleteItems(int index, int count) override {
    TPush push(*this);
    for (int i = 0; i < count; ++i) delete FList->takeItem(index);
  }
  void SetItemIndex(int index) override {
    TPush push(*this);
    if (FList->selectionMode() == QAbstractItemView::SingleSelection) {
      FList->clearSelection();
      if (index >= 0 && index < FList->count()) FList->item(index)->setSelected(true);
    }
    FList->setCurrentRow(index, QItemSelectionModel::NoUpdate);
  }
  void SetMultiSelect(bool multi) override {
    TPush push(*this);
    FList->setSelectionMode(multi ? QAbstractItemView::MultiSelection : QAbstractItemView::SingleSelection);
  }
  void SetSelected(const std::vector<bool>& selected) override {
    TPush push(*this);
    for (int i = 0; i < FList->count() && i < static_cast<int>(selected.size()); ++i)
      FList->item(i)->setSelected(selected[static_cast<std::size_t>(i)]);
  }
  void SetOwnerDraw(bool ownerDraw, int itemHeight) override {
    if (!ownerDraw) {
      if (FDelegate) {
        FList->setItemDelegate(nullptr);
        delete FDelegate;
        FDelegate = nullptr;
      }
      return;
    }
    if (!FDelegate) {
      FDelegate = new TOwnerDrawDelegate(*this, FList, itemHeight);
      FList->setItemDelegate(FDelegate);
    }
    FDelegate->SetItemHeight(itemHeight);
    FList->doItemsLayout();
  }
  void SetTopIndex(int index) override {
    TPush push(*this);
    if (QListWidgetItem* item = FList->item(index)) FList->scrollToItem(item, QAbstractItemView::PositionAtTop);
  }
  int TopIndex() const override {
    QModelIndex i = FList->indexAt(QPoint(1, 1));
    return i.isValid() ? i.row() : 0;
  }
  int ItemAtPos(TPoint p) const override {
    QModelIndex i = FList->indexAt(FList->viewport()->mapFrom(Widget(), QPoint(p.X, p.Y)));
    return i.isValid() ? i.row() : -1;
  }
  TRect ItemRect(int index) const override {
    QListWidgetItem* item = FList->item(index);
    if (!item) return {};
    QRect r = FList->visualItemRect(item);
    r.moveTopLeft(FList->viewport()->mapTo(Widget(), r.topLeft()));
    return Bounds(r.x(), r.y(), r.width(), r.height());
  }

private:
  TCustomListBox& List() { return static_cast<TCustomListBox&>(Control()); }
  QListWidget* FList = nullptr;
  TOwnerDrawDelegate* FDelegate = nullptr;
};

// ---- Combo box ----------------------------------------------------------------------------------

class TQtComboPeer : public TNativeBase, public TComboPeer {
public:
  explicit TQtComboPeer(TWinControl& control) : TNativeBase(control) {
    FCombo = new TComboWidget(*this);
    Adopt(FCombo);
    QObject::connect(FCombo, QOverload<int>::of(&QComboBox::activated), FCombo, [this](int index) {
      if (!Pushing()) Guard([&] { Combo().PeerItemChosen(index); });
    });
  }

  void SetFont(const TFont& font) override { ApplyFont(font); }
  void SetColor(TColor color) override { ApplyColor(color, QPalette::Base); }
  void SetItems(const std::vector<std::string>& items) override {
    TPush push(*this);
    FCombo->clear();
    for (const auto& s : items) FCombo->addItem(Q(s));
  }
  void InsertItems(int index, const std::vector<std::string>& items) override {
    TPush push(*this);
    FCombo->insertItems(index, QStrings(items));
  }
  void DeleteItems(int index, int count) override {
    TPush push(*this);
    for (int i = 0; i < count; ++i) FCombo->removeItem(index);
  }
  void SetItemIndex(int index) override {
    TPush push(*this);
    FCombo->setCurrentIndex(index);
    if (FCombo->lineEdit()) {
      QSignalBlocker line(FCombo->lineEdit());
      FCombo->lineEdit()->setText(Q(FText));
    }
  }
  void SetEditText(const std::string& text) override {
    TPush push(*this);
    FText = text;
    if (QLineEdit* line = FCombo->lineEdit()) {
      QSignalBlocker blocker(line);
      line->setText(Q(text));
    }
  }
  void SetSelection(int anchor, int caret) override {
    QLineEdit* line = FCombo->lineEdit();
    if (!line) return;
    TPush push(*this);
    QSignalBlocker blocker(line);
    int a = IndexOfByte(FText, anchor, false), c = IndexOfByte(FText, caret, false);
    if (a == c) line->setCursorPosition(c);
    else line->setSelection(a, c - a);
  }
  void SetStyle(int style, int itemHeight) override {
    TPush push(*this);
    bool editable = style == csDropDown || style == csSimple;
    if (editable != FCombo->isEditable()) {
      FCombo->setEditable(editable);
      if (QLineEdit* line = FCombo->lineEdit()) {
        Filter(line);
        line->setContextMenuPolicy(Qt::NoContextMenu);
        QObject::connect(line, &QLineEdit::textEdited, line, [this](const QString& text) {
          if (Pushing()) return;
          FText = text.toStdString();
          Guard([&] { Combo().PeerTextEdited(FText, ByteOfIndex(FText, FCombo->lineEdit()->cursorPosition(), false)); });
        });
        QObject::connect(line, &QLineEdit::cursorPositionChanged, line, [this](int, int) {
          if (Pushing()) return;
          int caret = ByteOfIndex(FText, FCombo->lineEdit()->cursorPosition(), false);
          Guard([&] { Combo().PeerSelectionChanged(caret, caret); });
        });
      }
    }
    bool ownerDraw = style == csOwnerDrawFixed || style == csOwnerDrawVariable;
    if (ownerDraw && !FDelegate) {
      FDelegate = new TOwnerDrawDelegate(*this, FCombo->view(), itemHeight);
      FCombo->setItemDelegate(FDelegate);
    } else if (!ownerDraw && FDelegate) {
      FCombo->setItemDelegate(new QStyledItemDelegate(FCombo));
      FDelegate = nullptr;
    }
    if (FDelegate) FDelegate->SetItemHeight(itemHeight);
  }
  void SetDropDownCount(int count) override { FCombo->setMaxVisibleItems(count); }
  void SetDroppedWidth(int width) override { FCombo->view()->setMinimumWidth(width); }
  void SetDroppedDown(bool dropped) override {
    TPush push(*this);
    if (dropped) FCombo->showPopup();
    else FCombo->hidePopup();
  }

private:
  class TComboWidget : public TOurs<QComboBox> {
  public:
    explicit TComboWidget(TQtComboPeer& peer) : FPeer(peer) {}
    void showPopup() override {
      QComboBox::showPopup();
      if (!FPeer.Pushing()) FPeer.Guard([&] { FPeer.Combo().PeerDroppedDown(true); });
    }
    void hidePopup() override {
      QComboBox::hidePopup();
      if (!FPeer.Pushing()) FPeer.Guard([&] { FPeer.Combo().PeerDroppedDown(false); });
    }

  protected:
    // A closed owner-drawn list shows its chosen item as the control draws it (a colour box its
    // swatch and name, a font box its glyph and name), selected while the box has the focus.
    void paintEvent(QPaintEvent* event) override {
      if (!FPeer.FDelegate || isEditable() || currentIndex() < 0) {
        QComboBox::paintEvent(event);
        return;
      }
      QStylePainter painter(this);
      QStyleOptionComboBox option;
      initStyleOption(&option);
      option.currentText.clear();
      option.currentIcon = QIcon();
      painter.drawComplexControl(QStyle::CC_ComboBox, option);
      const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
      if (field.isEmpty()) return;
      TOwnerDrawState state;
      if (hasFocus()) state << odSelected << odFocused;
      if (!isEnabled()) state << odDisabled;
      PaintOwnerItem(FPeer, &painter, field, currentIndex(), state);
    }

  private:
    TQtComboPeer& FPeer;
  };
  TCustomComboBox& Combo() { return static_cast<TCustomComboBox&>(Control()); }
  TComboWidget* FCombo = nullptr;
  TOwnerDrawDelegate* FDelegate = nullptr;
  std::string FText;
};

// ---- Buttons ----------------------------------------------------------------------------------

class TQtButtonPeer : public TNativeBase, public TButtonPeer {
public:
  TQtButtonPeer(TWinControl& control, QAbstractButton* button) : TNativeBase(control), FButton(button) {
    Adopt(button);
    if (auto* radio = qobject_cast<QRadioButton*>(button)) radio->setAutoExclusive(false);
    if (auto* box = qobject_cast<QCheckBox*>(button)) box->setTristate(true);
    QObject::connect(button, &QAbstractButton::clicked, button, [this] {
      if (!Pushing()) Guard([&] { static_cast<TButtonControl&>(Control()).PeerClicked(); });
    });
  }

  void SetFont(const TFont& font) override { ApplyFont(font); }
  void SetColor(TColor color) override { ApplyColor(color, QPalette::Button); }
  void SetCaption(const std::string& caption) override { FButton->setText(Q(caption)); }
  void SetCheckState(int state) override {
    TPush push(*this);
    if (auto* box = qobject_cast<QCheckBox*>(FButton))
      box->setCheckState(state == 2 ? Qt::PartiallyChecked : state == 1 ? Qt::Checked : Qt::Unchecked);
    else if (FButton->isCheckable())
      FButton->setChecked(state != 0);
  }
  void SetDefault(bool value) override {
    if (auto* push = qobject_cast<QPushButton*>(FButton)) push->setDefault(value);
  }

private:
  QAbstractButton* FButton;
};

// ---- Date and time picker -----------------------------------------------------------------------

class TQtDatePeer : public TNativeBase, public TDatePickerPeer {
public:
  explicit TQtDatePeer(TWinControl& control) : TNativeBase(control) {
    FEdit = new TOurs<QDateTimeEdit>();
    FEdit->setDateRange(QDate(100, 1, 1), QDate(9999, 12, 31));
    Adopt(FEdit);
    QObject::connect(FEdit, &QDateTimeEdit::dateTimeChanged, FEdit, [this](const QDateTime& dt) {
      if (!Pushing()) Guard([&] { static_cast<TDateTimePicker&>(Control()).PeerDateTimeChanged(FromQDateTime(dt)); });
    });
  }

  void SetFont(const TFont& font) override { ApplyFont(font); }
  void SetColor(TColor color) override { ApplyColor(color, QPalette::Base); }
  void SetKind(int, bool calendar, const std::string& format) override {
    TPush push(*this);
    FEdit->setDisplayFormat(QtDateFormat(format));
    FEdit->setCalendarPopup(calendar);
  }
  void SetDateTime(double value) override {
    TPush push(*this);
    FEdit->setDateTime(ToQDateTime(value));
  }
  // The widget has no check box of its own: an unchecked value is shown disabled.
  void SetShowCheckbox(bool show, bool checked) override { FEdit->setEnabled(!show || checked); }

private:
  QDateTimeEdit* FEdit = nullptr;
};

template <class P>
void Register(const char* windowClass) {
  RegisterWindowClass(windowClass, [](TWinControl& c) { return std::make_unique<P>(c); });
}

}  // namespace

void InstallQtStandardPeers() {
  Register<TQtEditPeer>("EDIT");
  Register<TQtMemoPeer>("MEMO");
  Register<TQtSpinPeer>("SPINEDIT");
  Register<TQtListPeer>("LISTBOX");
  Register<TQtComboPeer>("COMBOBOX");
  Register<TQtDatePeer>("DATETIMEPICKER");
  RegisterWindowClass("BUTTON", [](TWinControl& c) {
    return std::make_unique<TQtButtonPeer>(c, new TOurs<QPushButton>());
  });
  RegisterWindowClass("CHECKBOX", [](TWinControl& c) {
    return std::make_unique<TQtButtonPeer>(c, new TOurs<QCheckBox>());
  });
  RegisterWindowClass("RADIOBUTTON", [](TWinControl& c) {
    return std::make_unique<TQtButtonPeer>(c, new TOurs<QRadioButton>());
  });
}
