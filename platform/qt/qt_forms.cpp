// Qt backend: form windows (a frame with the menu bar above the painted client), hint
// windows, the modal service over Qt's dialogs, pop-up menus and the screen.
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontDialog>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <cstdlib>

#include "platform/qt/qt_backend_parts.h"
#include "platform/qt/qt_forms.h"
#include "platform/qt/qt_window_peer.h"
#include "platform/gfx/regions.h"
#include "platform/ui/application.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/menus.h"
#include "platform/ui/modal_service.h"
#include "platform/ui/screen.h"

namespace {

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }
std::string S(const QString& s) { return s.toUtf8().toStdString(); }

void Guarded(TObject* sender, const std::function<void()>& proc) {
  try {
    proc();
  } catch (...) {
    GetApplication().HandleException(sender);
  }
}

// The text Qt shows for an item: "&" stays the mnemonic marker ("&&" a literal "&"), the
// short cut follows a tab.
QString ItemText(const TMenuItem& item) {
  QString text = Q(item.Caption());
  if (item.ShortCut()) text += "\t" + Q(ShortCutToText(item.ShortCut()));
  return text;
}

// Gives an item's action the item's text, enabled, check and default state.
void ApplyItem(QAction* action, const TMenuItem& item) {
  action->setText(ItemText(item));
  action->setEnabled(item.Enabled());
  action->setCheckable(item.Checked() || item.RadioItem());
  action->setChecked(item.Checked());
  action->setVisible(item.Visible());
  QFont f = action->font();
  if (f.bold() != item.Default()) {
    f.setBold(item.Default());
    action->setFont(f);
  }
}

// Fills a Qt menu from the children of an item; Actions gets each item's action. A hidden item
// has a hidden action (shown again, it shows where it stands); a hidden line has none.
void FillMenu(QWidget* menu, TMenuItem& parent, const std::function<void(QAction*, TMenuItem&)>& wire,
              std::unordered_map<const TMenuItem*, QPointer<QAction>>* actions = nullptr) {
  for (int i = 0; i < parent.Count(); ++i) {
    TMenuItem& item = *parent.Items(i);
    if (item.IsLine()) {
      if (auto* m = dynamic_cast<QMenu*>(menu); m && item.Visible()) m->addSeparator();
      continue;
    }
    if (item.Count() > 0) {
      auto* sub = new QMenu(ItemText(item), menu);
      sub->setEnabled(item.Enabled());
      FillMenu(sub, item, wire, actions);
      QAction* a = sub->menuAction();
      a->setVisible(item.Visible());
      a->setData(static_cast<uint>(item.Command()));
      menu->addAction(a);
      if (actions) (*actions)[&item] = a;
      continue;
    }
    auto* action = new QAction(menu);
    action->setData(static_cast<uint>(item.Command()));
    ApplyItem(action, item);
    menu->addAction(action);
    if (actions) (*actions)[&item] = action;
    if (wire) wire(action, item);
  }
}

}  // namespace

// ---- The form window ------------------------------------------------------------------------

TQtFormFrame::TQtFormFrame(TQtFormPeer& peer) : QWidget(nullptr, Qt::Window), FPeer(peer) {
  setFocusPolicy(Qt::NoFocus);
}

void TQtFormFrame::closeEvent(QCloseEvent* e) {
  // The close box asks the form; the form hides or frees itself.
  e->ignore();
  FPeer.Send(WM_CLOSE, 0, 0);
}

namespace {

// The frame the program last asked Qt to activate: activation news about other windows that
// Qt delivers before that request took effect are stale and must not undo it.
QPointer<QWidget> gRequestedActive;

bool Offscreen() { return QGuiApplication::platformName() == "offscreen"; }

// A frame's state as a form's (a minimized window keeps its maximized flag for its restore).
TWindowState StateOf(Qt::WindowStates q) {
  return q & Qt::WindowMinimized ? wsMinimized : q & Qt::WindowMaximized ? wsMaximized : wsNormal;
}

}  // namespace

void TQtFormFrame::changeEvent(QEvent* e) {
  QWidget::changeEvent(e);
  if (e->type() == QEvent::WindowStateChange) {
    FPeer.FrameStateChanged();
    return;
  }
  if (e->type() != QEvent::ActivationChange || !isActiveWindow()) return;
  // The form's deactivation follows from the activation of another form.
  if (gRequestedActive) {
    if (gRequestedActive == this) gRequestedActive = nullptr;
    return;
  }
  FPeer.Send(WM_ACTIVATE, WA_ACTIVE, 0);
}

void TQtFormFrame::resizeEvent(QResizeEvent*) { FPeer.FrameGeometryChanged(); }
void TQtFormFrame::moveEvent(QMoveEvent*) { FPeer.FrameGeometryChanged(); }

TQtFormPeer::TQtFormPeer(TWinControl& control) : TQtWindowPeer(control), FFrame(std::make_unique<TQtFormFrame>(*this)) {
  Widget()->setParent(FFrame.get());
  Widget()->show();
}

TQtFormPeer::~TQtFormPeer() {
  if (FMenu) FMenu->OnChange = nullptr;
  // The client widget belongs to the base peer.
  Widget()->setParent(nullptr);
}

void TQtFormPeer::SetBounds(const TRect& b) {
  FSetting = true;
  FFrame->setGeometry(b.Left, b.Top, std::max(b.Width(), 0), std::max(b.Height(), 0));
  if (FFixed) FFrame->setFixedSize(std::max(b.Width(), 1), std::max(b.Height(), 1));
  FSetting = false;
  LayOut();
}

void TQtFormPeer::LayOut() {
  int menu = MenuBarHeight();
  if (FMenuBar) FMenuBar->setGeometry(0, 0, FFrame->width(), menu);
  Widget()->setGeometry(0, menu, FFrame->width(), std::max(FFrame->height() - menu, 0));
  FitBacking();
}

void TQtFormPeer::FrameGeometryChanged() {
  LayOut();
  if (FSetting) return;
  // The window manager or the person moved or sized the window.
  QRect g = FFrame->geometry();
  TWinControl& c = Control();
  if (g.x() == c.Left() && g.y() == c.Top() && g.width() == c.Width() && g.height() == c.Height()) return;
  Guarded(&c, [&] { c.SetBounds(g.x(), g.y(), g.width(), g.height()); });
}

void TQtFormPeer::FrameStateChanged() {
  // The window manager or the person maximized, minimized or restored the window: the form
  // knows its state (asking the frame for the state it has changes nothing).
  const TWindowState state = StateOf(FFrame->windowState());
  auto& form = static_cast<TCustomForm&>(Control());
  if (form.WindowState() != state) Guarded(&form, [&] { form.SetWindowState(state); });
}

void TQtFormPeer::SetVisible(bool visible) {
  if (visible) {
    FollowModalWindow();
    FFrame->show();
    LayOut();
  } else {
    FFrame->hide();
  }
}

void TQtFormPeer::FollowModalWindow() {
  if (FFrame->windowModality() != Qt::NonModal) return;
  // A window shown while a modal window runs belongs to that window, as a window shown from a
  // modal one does on the desktop: Qt blocks every window that is not the modal window's own.
  // The windows shown before it are disabled by the modal run itself.
  QWidget* modal = QApplication::activeModalWidget();
  QWindow* owner = modal && modal != FFrame.get() ? modal->windowHandle() : nullptr;
  if (!owner && !FOwner) return;
  if (!FFrame->windowHandle()) FFrame->winId();
  QWindow* window = FFrame->windowHandle();
  if (!window) return;
  // An owner set here is dropped once no modal window runs; one Qt set itself is left alone.
  if (owner) window->setTransientParent(owner);
  else if (window->transientParent() == FOwner) window->setTransientParent(nullptr);
  FOwner = owner;
}

void TQtFormPeer::SetEnabled(bool enabled) { FFrame->setEnabled(enabled); }

void TQtFormPeer::SetParent(TWinControl*) {}

TPoint TQtFormPeer::ClientOrigin() const {
  QPoint p = Widget()->mapToGlobal(QPoint(0, 0));
  return {p.x(), p.y()};
}

void TQtFormPeer::SetCaption(const std::string& caption) { FFrame->setWindowTitle(Q(caption)); }

void TQtFormPeer::ApplyFlags() {
  Qt::WindowFlags f = Qt::Window;
  switch (FBorder) {
    case bsNone: f |= Qt::FramelessWindowHint; break;
    case bsToolWindow: case bsSizeToolWin: f = Qt::Tool; break;
    case bsDialog: f |= Qt::Dialog; break;
    default: break;
  }
  if (FBorder != bsNone) {
    f |= Qt::WindowTitleHint | Qt::CustomizeWindowHint;
    if (FIcons.Contains(biSystemMenu)) f |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (FIcons.Contains(biMinimize) && FBorder != bsDialog) f |= Qt::WindowMinimizeButtonHint;
    if (FIcons.Contains(biMaximize) && (FBorder == bsSizeable || FBorder == bsSingle)) f |= Qt::WindowMaximizeButtonHint;
  }
  if (FOnTop) f |= Qt::WindowStaysOnTopHint;
  bool shown = FFrame->isVisible();
  FFrame->setWindowFlags(f);
  FFixed = FBorder == bsSingle || FBorder == bsDialog || FBorder == bsToolWindow;
  if (FFixed) FFrame->setFixedSize(std::max(FFrame->width(), 1), std::max(FFrame->height(), 1));
  else {
    FFrame->setMinimumSize(0, 0);
    FFrame->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  }
  if (shown) {
    FollowModalWindow();
    FFrame->show();
  }
}

void TQtFormPeer::SetBorder(TFormBorderStyle style, TBorderIcons icons) {
  FBorder = style;
  FIcons = icons;
  ApplyFlags();
}

void TQtFormPeer::SetStayOnTop(bool onTop) {
  if (onTop == FOnTop) return;
  FOnTop = onTop;
  ApplyFlags();
}

void TQtFormPeer::SetWindowState(TWindowState state) {
  // A state the frame reported itself is the frame's already (minimized keeps its maximized flag).
  if (state == StateOf(FFrame->windowState())) return;
  FFrame->setWindowState(state == wsMinimized ? Qt::WindowMinimized : state == wsMaximized ? Qt::WindowMaximized
                                                                                            : Qt::WindowNoState);
}

void TQtFormPeer::SetModal(bool modal) {
  bool shown = FFrame->isVisible();
  if (shown) FFrame->hide();
  FFrame->setWindowModality(modal ? Qt::ApplicationModal : Qt::NonModal);
  if (shown) FFrame->show();
}

void TQtFormPeer::SetMenu(TMainMenu* menu) {
  if (FMenu && FMenu != menu) FMenu->OnChange = nullptr;
  FMenu = menu;
  if (FMenu)
    FMenu->OnChange = [this](TMenu*, TMenuItem* item, bool rebuild) {
      if (FRebuildQueued) return;
      // An item's own change (its caption, enabled, check or shown state) is made to its action,
      // or to its submenu (whose action follows it).
      if (!rebuild && item) {
        const auto found = FMenuActions.find(item);
        if (found != FMenuActions.end() && found->second) {
          if (QMenu* sub = found->second->menu(); sub && item->Count() > 0) {
            sub->setTitle(ItemText(*item));
            sub->setEnabled(item->Enabled());
            found->second->setVisible(item->Visible());
            return;
          }
          if (!found->second->menu() && item->Count() == 0) {
            ApplyItem(found->second, *item);
            return;
          }
        }
      }
      // Changes of the items' order come in bursts while code builds a menu: one rebuild after them.
      FRebuildQueued = true;
      QMetaObject::invokeMethod(FFrame.get(), [this] {
        FRebuildQueued = false;
        RebuildMenuBar();
      }, Qt::QueuedConnection);
    };
  RebuildMenuBar();
}

void TQtFormPeer::RebuildMenuBar() {
  const int height = MenuBarHeight();
  FMenuActions.clear();
  if (!FMenu) {
    delete FMenuBar;
    FMenuBar = nullptr;
    LayOut();
    if (height != 0) Guarded(&Control(), [&] { static_cast<TCustomForm&>(Control()).ClientAreaChanged(); });
    return;
  }
  if (!FMenuBar) FMenuBar = new QMenuBar(FFrame.get());
  FMenuBar->clear();
  TMainMenu* menu = FMenu;
  FillMenu(FMenuBar, *menu->Items(), [menu](QAction* action, TMenuItem& item) {
    UINT command = item.Command();
    QObject::connect(action, &QAction::triggered, [menu, command] {
      Guarded(menu, [&] { menu->DispatchCommand(command); });
    });
  }, &FMenuActions);
  FMenuBar->show();
  LayOut();
  Guarded(&Control(), [&] {
    auto& form = static_cast<TCustomForm&>(Control());
    if (MenuBarHeight() != height) form.ClientAreaChanged();
    else form.Realign();
  });
}

int TQtFormPeer::MenuBarHeight() const { return FMenuBar ? FMenuBar->sizeHint().height() : 0; }

void TQtFormPeer::Activate() {
  if (FFrame->isActiveWindow()) return;
  gRequestedActive = FFrame.get();
  if (!Offscreen()) FFrame->raise();
  FFrame->activateWindow();
}

void TQtFormPeer::BringToFront() {
  if (!Offscreen()) FFrame->raise();
}

// ---- A window painted after the one that opens over it ----------------------------------

namespace {

// Holds a window's painting until another window has painted (or a second has passed), then
// makes the windows of the window's controls and lets it paint in the next round of the message
// loop.
class TPaintAfterOther : public QObject {
public:
  TPaintAfterOther(TCustomForm& form, QWidget* held) : QObject(held), FForm(form), FHeld(held) {
    FHeld->setUpdatesEnabled(false);
    qApp->installEventFilter(this);
    QTimer::singleShot(1000, this, [this] { Release(); });
  }

private:
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() == QEvent::Paint && watched->isWidgetType() && static_cast<QWidget*>(watched)->window() != FHeld &&
        !FReleasing) {
      // The other window's paint is flushed to the screen before queued calls run.
      FReleasing = true;
      QMetaObject::invokeMethod(this, [this] { Release(); }, Qt::QueuedConnection);
    }
    return false;
  }
  void Release() {
    if (FDone) return;
    FDone = true;
    qApp->removeEventFilter(this);
    Guarded(&FForm, [&] { FForm.MakeChildWindows(); });
    FHeld->setUpdatesEnabled(true);
    deleteLater();
  }

  TCustomForm& FForm;
  QWidget* FHeld;
  bool FReleasing = false, FDone = false;
};

}  // namespace

void PaintAfterOtherWindow(TCustomForm& form) {
  form.DeferChildWindows();
  if (auto* peer = dynamic_cast<TQtFormPeer*>(form.Handle())) new TPaintAfterOther(form, peer->Window());
  else form.MakeChildWindows();
}

// ---- Hint windows ---------------------------------------------------------------------------

namespace {

class TQtHintPeer : public TQtWindowPeer {
public:
  explicit TQtHintPeer(TWinControl& control) : TQtWindowPeer(control) {
    Widget()->setParent(nullptr, Qt::ToolTip | Qt::FramelessWindowHint);
    Widget()->setAttribute(Qt::WA_ShowWithoutActivating);
    Widget()->setFocusPolicy(Qt::NoFocus);
  }
  void SetVisible(bool visible) override { Widget()->setVisible(visible); }
  void SetParent(TWinControl*) override {}
  void SetShape(const TRegion* region) override {
    if (!region) {
      Widget()->clearMask();
      return;
    }
    QRegion mask;
    for (const TRect& r : region->Rects) mask += QRect(r.Left, r.Top, r.Width(), r.Height());
    Widget()->setMask(mask);
  }
};

// ---- The modal service ------------------------------------------------------------------------

QMessageBox::StandardButton QtButton(TMsgDlgBtn b) {
  switch (b) {
    case mbYes: return QMessageBox::Yes;
    case mbNo: return QMessageBox::No;
    case mbOK: return QMessageBox::Ok;
    case mbCancel: return QMessageBox::Cancel;
    case mbAbort: return QMessageBox::Abort;
    case mbRetry: return QMessageBox::Retry;
    case mbIgnore: return QMessageBox::Ignore;
    case mbAll: return QMessageBox::SaveAll;
    case mbNoToAll: return QMessageBox::NoToAll;
    case mbYesToAll: return QMessageBox::YesToAll;
    case mbHelp: return QMessageBox::Help;
  }
  return QMessageBox::Ok;
}

TModalResult ResultOf(int button) {
  switch (button) {
    case QMessageBox::Yes: return mrYes;
    case QMessageBox::No: return mrNo;
    case QMessageBox::Ok: return mrOk;
    case QMessageBox::Cancel: return mrCancel;
    case QMessageBox::Abort: return mrAbort;
    case QMessageBox::Retry: return mrRetry;
    case QMessageBox::Ignore: return mrIgnore;
    case QMessageBox::SaveAll: return mrAll;
    case QMessageBox::NoToAll: return mrNoToAll;
    case QMessageBox::YesToAll: return mrYesToAll;
    default: return mrCancel;
  }
}

QWidget* ActiveWindow() {
  TCustomForm* f = Screen().ActiveForm();
  if (!f || !f->HandleAllocated()) return nullptr;
  auto* peer = dynamic_cast<TQtWindowPeer*>(f->Handle());
  return peer ? peer->Window() : nullptr;
}

QFont ToQtFont(const TFont& font) {
  QFont f(Q(font.Name()));
  f.setPointSize(std::max(font.Size(), 1));
  f.setBold(font.Style().Contains(fsBold));
  f.setItalic(font.Style().Contains(fsItalic));
  f.setUnderline(font.Style().Contains(fsUnderline));
  f.setStrikeOut(font.Style().Contains(fsStrikeOut));
  return f;
}

}  // namespace

// "Text files|*.txt;*.text|All|*.*" -> "Text files (*.txt *.TXT *.text *.TEXT)", "All (*)".
QStringList QtNameFilters(const std::string& filter) {
  QStringList out;
  QStringList parts = Q(filter).split('|');
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns;
    for (const QString& p : parts[i + 1].split(';', Qt::SkipEmptyParts)) {
      QString t = p.trimmed();
      if (t == "*.*") t = "*";
      for (const QString& v : {t, t.toUpper(), t.toLower()})
        if (!patterns.contains(v)) patterns << v;
    }
    out << parts[i].trimmed() + " (" + patterns.join(' ') + ")";
  }
  return out;
}

class TQtModalService : public TModalService {
public:
  TModalResult Message(const TMessageRequest& r) override {
    // Once a quit came from outside no box waits for an answer: the caller takes its cancel.
    if (GetApplication().QuitPending()) return TStandardErrorModalService::CancelAnswer(r.Buttons);
    QMessageBox box(ActiveWindow());
    box.setWindowTitle(Q(r.Caption.empty() ? GetApplication().Title() : r.Caption));
    box.setText(Q(r.Text));
    switch (r.Type) {
      case mtWarning: box.setIcon(QMessageBox::Warning); break;
      case mtError: box.setIcon(QMessageBox::Critical); break;
      case mtInformation: box.setIcon(QMessageBox::Information); break;
      case mtConfirmation: box.setIcon(QMessageBox::Question); break;
      default: break;
    }
    QMessageBox::StandardButtons buttons;
    for (TMsgDlgBtn b : {mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp})
      if (r.Buttons.Contains(b)) buttons |= QtButton(b);
    box.setStandardButtons(buttons);
    box.setDefaultButton(QtButton(r.Default));
    TModalResult cancel = TStandardErrorModalService::CancelAnswer(r.Buttons);
    for (TMsgDlgBtn b : {mbCancel, mbNo, mbAbort, mbIgnore, mbOK})
      if (r.Buttons.Contains(b) && ResultOf(QtButton(b)) == cancel) {
        box.setEscapeButton(QtButton(b));
        break;
      }
    int answer = box.exec();
    if (GetApplication().QuitPending()) return cancel;
    return ResultOf(answer);
  }

  bool Input(const std::string& caption, const std::string& prompt, std::string& value) override {
    bool ok = false;
    QString text = QInputDialog::getText(ActiveWindow(), Q(caption), Q(prompt), QLineEdit::Normal, Q(value), &ok);
    if (ok) value = S(text);
    return ok;
  }

  bool FileDialog(TFileDialogRequest& r) override {
    QFileDialog dlg(ActiveWindow(), Q(r.Title));
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    dlg.setAcceptMode(r.Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (r.Save) {
      dlg.setFileMode(QFileDialog::AnyFile);
      if (!r.Options.Contains(ofOverwritePrompt)) dlg.setOption(QFileDialog::DontConfirmOverwrite);
    } else if (r.Options.Contains(ofAllowMultiSelect)) {
      dlg.setFileMode(QFileDialog::ExistingFiles);
    } else {
      dlg.setFileMode(r.Options.Contains(ofFileMustExist) ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    }
    QStringList filters = QtNameFilters(r.Filter);
    if (!filters.isEmpty()) {
      dlg.setNameFilters(filters);
      int i = std::clamp(r.FilterIndex, 1, static_cast<int>(filters.size())) - 1;
      dlg.selectNameFilter(filters[i]);
    }
    if (!r.DefaultExt.empty()) dlg.setDefaultSuffix(Q(r.DefaultExt));
    QString dir = Q(r.InitialDir);
    QFileInfo given(Q(r.FileName));
    if (dir.isEmpty() && !r.FileName.empty() && given.isAbsolute()) dir = given.absolutePath();
    if (!dir.isEmpty()) dlg.setDirectory(dir);
    if (!r.FileName.empty()) dlg.selectFile(given.fileName());
    if (dlg.exec() != QDialog::Accepted) return false;
    QStringList files = dlg.selectedFiles();
    if (files.isEmpty()) return false;
    r.FileName = S(files.front());
    r.Files.clear();
    for (const QString& f : files) r.Files.push_back(S(f));
    int index = filters.indexOf(dlg.selectedNameFilter());
    if (index >= 0) r.FilterIndex = index + 1;
    return true;
  }

  bool FontDialog(TFontRequest& r) override {
    if (!r.Font) return false;
    bool ok = false;
    QFont chosen = QFontDialog::getFont(&ok, ToQtFont(*r.Font), ActiveWindow());
    if (!ok) return false;
    r.Font->SetName(S(chosen.family()));
    int size = chosen.pointSize();
    if (r.MinFontSize > 0) size = std::max(size, r.MinFontSize);
    if (r.MaxFontSize > 0) size = std::min(size, r.MaxFontSize);
    r.Font->SetSize(size);
    TFontStyles style;
    if (chosen.bold()) style << fsBold;
    if (chosen.italic()) style << fsItalic;
    if (chosen.underline()) style << fsUnderline;
    if (chosen.strikeOut()) style << fsStrikeOut;
    r.Font->SetStyle(style);
    return true;
  }

  bool ColorDialog(TColorRequest& r) override {
    for (std::size_t i = 0; i < r.CustomColors.size() && i < static_cast<std::size_t>(QColorDialog::customCount()); ++i)
      QColorDialog::setCustomColor(static_cast<int>(i), ToQColor(ColorToRGB(r.CustomColors[i])));
    QColor c = QColorDialog::getColor(ToQColor(ColorToRGB(r.Color)), ActiveWindow());
    for (std::size_t i = 0; i < r.CustomColors.size() && i < static_cast<std::size_t>(QColorDialog::customCount()); ++i) {
      QColor cc = QColorDialog::customColor(static_cast<int>(i));
      r.CustomColors[i] = RGB(cc.red(), cc.green(), cc.blue());
    }
    if (!c.isValid()) return false;
    r.Color = RGB(c.red(), c.green(), c.blue());
    return true;
  }

  bool PrintDialog(TPrintRequest& r) override {
    QPrinter printer;
    printer.setCopyCount(std::max(r.Copies, 1));
    printer.setCollateCopies(r.Collate);
    QPrintDialog dlg(&printer, ActiveWindow());
    QAbstractPrintDialog::PrintDialogOptions options = QAbstractPrintDialog::PrintToFile;
    if (r.Options.Contains(poPageNums)) options |= QAbstractPrintDialog::PrintPageRange;
    if (r.Options.Contains(poSelection)) options |= QAbstractPrintDialog::PrintSelection;
    if (r.Options.Contains(poDisablePrintToFile)) options &= ~QAbstractPrintDialog::PrintToFile;
    options |= QAbstractPrintDialog::PrintCollateCopies;
    dlg.setOptions(options);
    if (r.MaxPage > 0) dlg.setMinMax(r.MinPage, r.MaxPage);
    if (r.FromPage > 0 && r.ToPage >= r.FromPage) dlg.setFromTo(r.FromPage, r.ToPage);
    dlg.setPrintRange(r.PrintRange == prSelection ? QAbstractPrintDialog::Selection
                      : r.PrintRange == prPageNums ? QAbstractPrintDialog::PageRange
                                                   : QAbstractPrintDialog::AllPages);
    if (dlg.exec() != QDialog::Accepted) return false;
    r.PrintRange = dlg.printRange() == QAbstractPrintDialog::Selection   ? prSelection
                   : dlg.printRange() == QAbstractPrintDialog::PageRange ? prPageNums
                                                                         : prAllPages;
    r.FromPage = dlg.fromPage();
    r.ToPage = dlg.toPage();
    r.Copies = printer.copyCount();
    r.Collate = printer.collateCopies();
    r.PrinterName = S(printer.printerName());
    // "Print to File": the file named in the dialog is where the job goes.
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty()) {
      r.OutputFile = AddDefaultExt(S(printer.outputFileName()), "pdf");
      r.PrinterName.clear();
    }
    return true;
  }

  bool PrinterSetupDialog(TPrintRequest& r) override {
    QPrinter printer;
    QPageSetupDialog dlg(&printer, ActiveWindow());
    if (dlg.exec() != QDialog::Accepted) return false;
    r.PrinterName = S(printer.printerName());
    return true;
  }

  TMenuItem* PopupMenu(const TMenuRequest& r) override {
    if (!r.Items) return nullptr;
    QMenu menu(ActiveWindow());
    FillMenu(&menu, *r.Items, nullptr);
    QAction* chosen = menu.exec(QPoint(r.Screen.X, r.Screen.Y));
    if (!chosen) return nullptr;
    return r.Items->FindByCommand(chosen->data().toUInt());
  }

  void BeginModal(TCustomForm&) override {}

  void ModalRound(TCustomForm&) override { GetApplication().HandleMessage(); }
};

// ---- The screen -----------------------------------------------------------------------------

class TQtScreenService : public TScreenService {
public:
  TRect Bounds() const override {
    QScreen* s = QGuiApplication::primaryScreen();
    if (!s) return TScreenService::Bounds();
    QRect g = s->geometry();
    return Bounds(g);
  }
  TRect WorkArea() const override {
    QScreen* s = QGuiApplication::primaryScreen();
    if (!s) return TScreenService::WorkArea();
    return Bounds(s->availableGeometry());
  }
  int PixelsPerInch() const override {
    // Tests run offscreen and count on 96.
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    QScreen* s = QGuiApplication::primaryScreen();
    if (!s || (platform && std::string(platform) == "offscreen")) return 96;
    return static_cast<int>(s->logicalDotsPerInch() + 0.5);
  }
  int ColorDepth() const override {
    QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->depth() : 24;
  }
  TPoint CursorPos() const override {
    QPoint p = QCursor::pos();
    return {p.x(), p.y()};
  }
  void SetCursorPos(TPoint p) override { QCursor::setPos(p.X, p.Y); }
  void SetOverrideCursor(TCursor cursor) override {
    if (FOverride) QGuiApplication::restoreOverrideCursor();
    FOverride = cursor != crDefault;
    if (FOverride) QGuiApplication::setOverrideCursor(QtCursor(cursor));
  }
  void Beep() override {
    TScreenService::Beep();
    QApplication::beep();
  }
  std::vector<std::string> FontNames() const override {
    std::vector<std::string> out;
    for (const QString& f : QFontDatabase::families()) out.push_back(S(f));
    return out;
  }

private:
  static TRect Bounds(const QRect& g) { return Rect(g.x(), g.y(), g.x() + g.width(), g.y() + g.height()); }
  bool FOverride = false;
};

void InstallQtForms() {
  RegisterWindowClass("TForm", [](TWinControl& c) { return std::make_unique<TQtFormPeer>(c); });
  RegisterWindowClass("THintWindow", [](TWinControl& c) { return std::make_unique<TQtHintPeer>(c); });
  // Pop-up windows (move arrows, drag captions) are shown as hints are: on top, never active.
  RegisterWindowClass("TPopupWindow", [](TWinControl& c) { return std::make_unique<TQtHintPeer>(c); });
  SetModalService(std::make_unique<TQtModalService>());
  SetScreenService(std::make_unique<TQtScreenService>());
}
