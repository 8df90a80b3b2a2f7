// Qt backend: clipboard, drag and drop and the shell.
#include <QByteArray>
#include <QClipboard>
#include <QDesktopServices>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QPointer>
#include <QUrl>
#include <map>

#include "platform/qt/qt_backend_parts.h"
#include "platform/qt/qt_clipboard.h"
#include "platform/qt/qt_window_peer.h"
#include "platform/rtl/sysutils.h"
#include "platform/ui/application.h"
#include "platform/ui/shell.h"

namespace {

const char* const kTextMime = "text/plain";
const char* const kRtfMime = "text/rtf";
const char* const kRtfMimeOther = "application/rtf";
const char* const kUriListMime = "text/uri-list";
const char* const kPrivatePrefix = "application/x-qn-";

// "Grid Column" -> "grid-column".
std::string PrivateMimeName(const std::string& formatName) {
  std::string out = LowerCase(formatName);
  for (char& c : out)
    if (c == ' ' || c == '/' || c == ';' || c == '"') c = '-';
  return out;
}

QString MimeOfFormat(UINT format) {
  if (format == CF_TEXT) return kTextMime;
  if (format == CF_HDROP) return kUriListMime;
  std::string name = GetClipboardFormatName(format);
  if (name.empty()) return {};
  if (SameText(name, "Rich Text Format")) return kRtfMime;
  return QString::fromStdString(kPrivatePrefix + PrivateMimeName(name));
}

}  // namespace

QMimeData* MimeDataFromFormats(const TClipboardFormats& formats) {
  auto* mime = new QMimeData;
  for (const auto& [format, bytes] : formats) {
    if (format == CF_TEXT) {
      std::size_t nul = bytes.find('\0');
      mime->setText(QString::fromUtf8(bytes.data(), static_cast<qsizetype>(nul == std::string::npos ? bytes.size() : nul)));
    } else if (format == CF_HDROP) {
      QList<QUrl> urls;
      for (const std::string& f : DropFilesFromBytes(bytes)) urls.push_back(QUrl::fromLocalFile(QString::fromStdString(f)));
      mime->setUrls(urls);
    } else {
      QString type = MimeOfFormat(format);
      if (!type.isEmpty()) mime->setData(type, QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    }
  }
  return mime;
}

namespace {

bool MimeHas(const QMimeData* mime, UINT format) {
  if (!mime) return false;
  if (format == CF_TEXT) return mime->hasText();
  if (format == CF_HDROP) {
    for (const QUrl& u : mime->urls())
      if (u.isLocalFile()) return true;
    return false;
  }
  QString type = MimeOfFormat(format);
  if (type.isEmpty()) return false;
  if (type == kRtfMime) return mime->hasFormat(kRtfMime) || mime->hasFormat(kRtfMimeOther);
  return mime->hasFormat(type);
}

bool MimeGet(const QMimeData* mime, UINT format, std::string& out) {
  if (!MimeHas(mime, format)) return false;
  if (format == CF_TEXT) {
    out = mime->text().toStdString();
    out.push_back('\0');
    return true;
  }
  if (format == CF_HDROP) {
    std::vector<std::string> files;
    for (const QUrl& u : mime->urls())
      if (u.isLocalFile()) files.push_back(u.toLocalFile().toStdString());
    out = DropFilesBytes(files);
    return true;
  }
  QString type = MimeOfFormat(format);
  QByteArray data = mime->data(type);
  if (data.isEmpty() && type == kRtfMime) data = mime->data(kRtfMimeOther);
  out.assign(data.constData(), static_cast<std::size_t>(data.size()));
  return true;
}

// The formats a mime data offers: text, files, rich text and the private names registered here.
std::vector<UINT> MimeFormats(const QMimeData* mime) {
  std::vector<UINT> out;
  if (!mime) return out;
  if (MimeHas(mime, CF_TEXT)) out.push_back(CF_TEXT);
  if (MimeHas(mime, CF_HDROP)) out.push_back(CF_HDROP);
  for (UINT f = kFirstRegisteredFormat; !GetClipboardFormatName(f).empty(); ++f)
    if (MimeHas(mime, f)) out.push_back(f);
  return out;
}

}  // namespace

TClipboardFormats FormatsFromMimeData(const QMimeData* mime) {
  TClipboardFormats out;
  for (UINT f : MimeFormats(mime)) {
    std::string bytes;
    if (MimeGet(mime, f, bytes)) out[f] = std::move(bytes);
  }
  return out;
}

namespace {

class TQtClipboard : public TClipboardBackend {
public:
  bool Open() override { return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) && QGuiApplication::clipboard(); }
  void SetContent(const TClipboardFormats& formats) override {
    if (QClipboard* c = QGuiApplication::clipboard()) c->setMimeData(MimeDataFromFormats(formats));
  }
  bool HasFormat(UINT format) override { return MimeHas(Mime(), format); }
  bool GetFormat(UINT format, std::string& data) override { return MimeGet(Mime(), format, data); }
  std::vector<UINT> Formats() override { return MimeFormats(Mime()); }

private:
  static const QMimeData* Mime() {
    QClipboard* c = QGuiApplication::clipboard();
    return c ? c->mimeData() : nullptr;
  }
};

// ---- Drag and drop ----------------------------------------------------------------------------

Qt::DropActions ActionsOf(DWORD effects) {
  Qt::DropActions a;
  if (effects & DROPEFFECT_COPY) a |= Qt::CopyAction;
  if (effects & DROPEFFECT_MOVE) a |= Qt::MoveAction;
  if (effects & DROPEFFECT_LINK) a |= Qt::LinkAction;
  return a;
}

DWORD EffectsOf(Qt::DropActions a) {
  DWORD e = DROPEFFECT_NONE;
  if (a & Qt::CopyAction) e |= DROPEFFECT_COPY;
  if (a & Qt::MoveAction) e |= DROPEFFECT_MOVE;
  if (a & Qt::LinkAction) e |= DROPEFFECT_LINK;
  return e;
}

Qt::DropAction ActionOf(DWORD effect) {
  if (effect & DROPEFFECT_MOVE) return Qt::MoveAction;
  if (effect & DROPEFFECT_COPY) return Qt::CopyAction;
  if (effect & DROPEFFECT_LINK) return Qt::LinkAction;
  return Qt::IgnoreAction;
}

DWORD KeysOf(Qt::KeyboardModifiers mods, Qt::MouseButtons buttons) {
  DWORD k = 0;
  if (mods & Qt::ShiftModifier) k |= MK_SHIFT;
  if (mods & Qt::ControlModifier) k |= MK_CONTROL;
  if (buttons & Qt::LeftButton) k |= MK_LBUTTON;
  if (buttons & Qt::RightButton) k |= MK_RBUTTON;
  if (buttons & Qt::MiddleButton) k |= MK_MBUTTON;
  return k;
}

// Turns the drag events of widgets with a registered target into IDropTarget calls.
class TDropFilter : public QObject {
public:
  std::map<QObject*, TWinControl*> Controls;
  std::unique_ptr<TFormatDataObject> Entered;  // the data of the drag over a target now

  bool eventFilter(QObject* watched, QEvent* event) override {
    auto t = event->type();
    if (t != QEvent::DragEnter && t != QEvent::DragMove && t != QEvent::DragLeave && t != QEvent::Drop)
      return false;
    auto it = Controls.find(watched);
    if (it == Controls.end()) return false;
    TWinControl* control = it->second;
    IDropTarget* target = DropTargetOf(control);
    if (!target) return false;
    auto* widget = static_cast<QWidget*>(watched);
    try {
      if (t == QEvent::DragLeave) {
        target->DragLeave();
        Entered.reset();
        return true;
      }
      auto* e = static_cast<QDropEvent*>(event);
      DWORD keys = KeysOf(e->modifiers(), e->buttons());
      QPoint global = widget->mapToGlobal(e->position().toPoint());
      TPoint screen{global.x(), global.y()};
      DWORD effect = EffectsOf(e->possibleActions());
      if (t == QEvent::DragEnter) {
        Entered = std::make_unique<TFormatDataObject>(FormatsFromMimeData(e->mimeData()));
        target->DragEnter(Entered.get(), keys, screen, &effect);
      } else if (t == QEvent::DragMove) {
        target->DragOver(keys, screen, &effect);
      } else {
        TFormatDataObject data(FormatsFromMimeData(e->mimeData()));
        target->Drop(&data, keys, screen, &effect);
        Entered.reset();
      }
      Qt::DropAction action = ActionOf(effect & EffectsOf(e->possibleActions()));
      if (action == Qt::IgnoreAction) {
        e->ignore();
      } else {
        e->setDropAction(action);
        e->accept();
      }
    } catch (...) {
      GetApplication().HandleException(control);
    }
    return true;
  }
};

TDropFilter* Filter() {
  static QPointer<TDropFilter> filter;
  if (!filter) filter = new TDropFilter;
  return filter;
}

class TQtDragLoop : public TDragDropBackend {
public:
  HRESULT DoDragDrop(IDataObject& data, IDropSource&, DWORD allowed, DWORD& effect) override {
    // Qt runs the drag loop itself: the source's QueryContinueDrag and GiveFeedback are not
    // called; Escape ends with no action.
    auto* drag = new QDrag(Filter());
    drag->setMimeData(MimeDataFromFormats(DataObjectFormats(data)));
    Qt::DropAction defaultAction = (allowed & DROPEFFECT_MOVE) ? Qt::MoveAction : Qt::CopyAction;
    Qt::DropAction done = drag->exec(ActionsOf(allowed), defaultAction);
    effect = EffectsOf(done);
    return done == Qt::IgnoreAction ? DRAGDROP_S_CANCEL : DRAGDROP_S_DROP;
  }
};

}  // namespace

namespace {

std::map<TWinControl*, QPointer<QWidget>>& NativeWidgets() {
  static std::map<TWinControl*, QPointer<QWidget>> widgets;
  return widgets;
}

}  // namespace

void SetNativeWidget(TWinControl& control, QWidget* widget) {
  if (widget) NativeWidgets()[&control] = widget;
  else NativeWidgets().erase(&control);
}

QWidget* DropWidgetOf(TWinControl& control) {
  if (!control.HandleAllocated()) return nullptr;
  auto it = NativeWidgets().find(&control);
  if (it != NativeWidgets().end() && it->second) return it->second.data();
  if (TQtWindowPeer* peer = QtPeer(control)) return peer->Widget();
  return nullptr;
}

void AttachQtDropTarget(TWinControl& control, bool attach) {
  // A target needs the window; a revoke never makes one.
  if (attach) control.HandleNeeded();
  QWidget* w = DropWidgetOf(control);
  if (!w) return;
  TDropFilter* f = Filter();
  if (attach) {
    if (!f->Controls.count(w)) {
      f->Controls[w] = &control;
      w->installEventFilter(f);
      QObject::connect(w, &QObject::destroyed, f, [f, w] { f->Controls.erase(w); });
    }
    w->setAcceptDrops(true);
  } else {
    f->Controls.erase(w);
    w->removeEventFilter(f);
    w->setAcceptDrops(false);
  }
}

void InstallQtClipboard() {
  SetClipboardBackend(std::make_unique<TQtClipboard>());
  SetDragDropBackend(std::make_unique<TQtDragLoop>());
  SetDropTargetHook([](TWinControl& control, bool attach) { AttachQtDropTarget(control, attach); });
  SetShellHandler([](const TShellRequest& r) -> std::intptr_t {
    std::string verb = LowerCase(r.Verb);
    if (!verb.empty() && verb != "open") return SE_ERR_NOASSOC;
    QString target = QString::fromStdString(r.File);
    QUrl url(target);
    // A plain file name (or a relative one in the given folder) opens as a local file.
    if (url.scheme().size() <= 1) {
      QFileInfo info(target);
      if (info.isRelative() && !r.Directory.empty()) info = QFileInfo(QDir(QString::fromStdString(r.Directory)), target);
      if (!info.exists()) return SE_ERR_FNF;
      url = QUrl::fromLocalFile(info.absoluteFilePath());
    }
    return QDesktopServices::openUrl(url) ? std::intptr_t(42) : std::intptr_t(SE_ERR_NOASSOC);
  });
}
