// Forms on the Qt backend (offscreen): the top-level window with its caption, the menu bar of
// the main menu, a modal loop that returns, pop-up menus and the file dialog's filters.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTimer>
#include <QWindow>
#include <QtTest/QTest>

#include "platform/qt/qt_forms.h"
#include "platform/qt/qt_window_peer.h"
#include "platform/ui/application.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/std_buttons.h"
#include "platform/ui/menus.h"
#include "platform/ui/modal_service.h"
#include "platform/ui/scroll_bars.h"
#include "platform/ui/screen.h"
#include "platform/ui/tool_bar.h"
#include "tests/platform/qt/qt_event_counter.h"

namespace {

TQtFormPeer* FormPeerOf(TForm& form) { return dynamic_cast<TQtFormPeer*>(form.Handle()); }

TMenuItem* Item(const std::string& caption) {
  auto* i = new TMenuItem(nullptr);
  i->SetCaption(caption);
  return i;
}

// A control filling its form that notes each paint of its form by the form's caption.
class TPaintLog : public TCustomControl {
public:
  TPaintLog(TForm& form, std::vector<std::string>& log) : TCustomControl(&form), FLog(log) {
    SetParent(&form);
    SetAlign(alClient);
  }

protected:
  void Paint() override { FLog.push_back(GetParentForm(this)->Caption()); }

private:
  std::vector<std::string>& FLog;
};

// Runs the loop until Done holds or five seconds passed.
bool RunUntil(const std::function<bool()>& Done) {
  for (QElapsedTimer t; t.start(), true;) {
    while (!Done() && t.elapsed() < 5000) QApplication::processEvents(QEventLoop::AllEvents, 10);
    return Done();
  }
  return false;
}

}  // namespace

TEST(QtForms, AFormIsATopLevelWindowWithItsCaptionAndMenuBar) {
  TForm form(nullptr);
  form.SetCaption("Records — Ünïcode");
  form.SetBounds(50, 60, 400, 300);
  TMainMenu menu(&form);
  TMenuItem* file = Item("&File");
  menu.Items()->Add(file);
  file->Add(Item("&Open"));
  file->Insert(0, Item("&New"));
  menu.Items()->Add(Item("Save && Close"));
  form.SetMenu(&menu);
  auto* panel = new TCustomControl(&form);
  panel->SetParent(&form);
  panel->SetAlign(alClient);
  form.Show();
  QApplication::processEvents();

  TQtFormPeer* peer = FormPeerOf(form);
  ASSERT_NE(peer, nullptr);
  QWidget* window = peer->Window();
  EXPECT_TRUE(window->isWindow());
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->windowTitle(), QString::fromUtf8("Records — Ünïcode"));
  QMenuBar* bar = peer->MenuBar();
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(bar->actions().size(), 2);
  EXPECT_EQ(bar->actions()[0]->text(), "&File");
  EXPECT_EQ(bar->actions()[1]->text(), "Save && Close");
  QMenu* fileMenu = bar->actions()[0]->menu();
  ASSERT_NE(fileMenu, nullptr);
  ASSERT_EQ(fileMenu->actions().size(), 2);
  EXPECT_EQ(fileMenu->actions()[0]->text(), "&New");
  // The client area starts below the menu bar, and the aligned panel fills it.
  int menuHeight = peer->MenuBarHeight();
  EXPECT_GT(menuHeight, 0);
  EXPECT_EQ(form.ClientHeight(), 300 - menuHeight);
  EXPECT_EQ(panel->Height(), 300 - menuHeight);

  // A change of the items shows after the loop ran.
  file->Add(Item("E&xit"));
  QApplication::processEvents();
  EXPECT_EQ(peer->MenuBar()->actions()[0]->menu()->actions().size(), 3);
  // Triggering the action clicks the item.
  bool clicked = false;
  file->Items(2)->OnClick = [&](TObject*) { clicked = true; };
  peer->MenuBar()->actions()[0]->menu()->actions()[2]->trigger();
  EXPECT_TRUE(clicked);
}

// An item's own change is made to its action where it stands (the bar is not built again), and
// the action shows the item's new state and still clicks it; a new item still rebuilds the bar.
TEST(QtForms, AMenuItemChangedInPlaceShowsItsNewState) {
  TForm form(nullptr);
  form.SetBounds(50, 60, 400, 300);
  TMainMenu menu(&form);
  TMenuItem* edit = Item("&Edit");
  menu.Items()->Add(edit);
  TMenuItem* lock = Item("&Lock");
  TMenuItem* view = Item("&View");
  edit->Add(lock);
  edit->Add(view);
  TMenuItem* save = Item("&Save");
  menu.Items()->Add(save);
  form.SetMenu(&menu);
  form.Show();
  QApplication::processEvents();
  TQtFormPeer* peer = FormPeerOf(form);
  ASSERT_NE(peer, nullptr);
  QAction* saveAction = peer->MenuBar()->actions()[1];
  QAction* lockAction = peer->MenuBar()->actions()[0]->menu()->actions()[0];
  ASSERT_EQ(saveAction->text(), "&Save");

  int clicks = 0;
  lock->OnClick = [&](TObject*) { ++clicks; };
  lock->SetCaption("&Unlock");
  lock->SetShortCut(ShortCut('U', TShiftState{ssCtrl}));
  lock->SetChecked(true);
  save->SetEnabled(false);
  QApplication::processEvents();
  ASSERT_EQ(peer->MenuBar()->actions()[1], saveAction);
  ASSERT_EQ(peer->MenuBar()->actions()[0]->menu()->actions()[0], lockAction);
  EXPECT_EQ(lockAction->text(), "&Unlock\t" + QString::fromStdString(ShortCutToText(lock->ShortCut())));
  EXPECT_TRUE(lockAction->isCheckable());
  EXPECT_TRUE(lockAction->isChecked());
  EXPECT_FALSE(saveAction->isEnabled());
  lockAction->trigger();
  EXPECT_EQ(clicks, 1);
  lock->SetChecked(false);
  lock->SetEnabled(false);
  save->SetEnabled(true);
  EXPECT_FALSE(lockAction->isChecked());
  EXPECT_FALSE(lockAction->isCheckable());
  EXPECT_FALSE(lockAction->isEnabled());
  EXPECT_TRUE(saveAction->isEnabled());
  lockAction->trigger();  // a disabled item does not click
  EXPECT_EQ(clicks, 1);

  // A hidden item's action is hidden where it stands: shown again, and changed, it shows its
  // state; the bar is not built again for it (the client's login window waits on no rebuild).
  QAction* viewAction = peer->MenuBar()->actions()[0]->menu()->actions()[1];
  view->SetVisible(false);
  EXPECT_FALSE(viewAction->isVisible());
  QApplication::processEvents();
  ASSERT_EQ(peer->MenuBar()->actions()[1], saveAction);
  view->SetCaption("&Look");
  view->SetVisible(true);
  QApplication::processEvents();
  ASSERT_EQ(peer->MenuBar()->actions()[0]->menu()->actions().size(), 2);
  ASSERT_EQ(peer->MenuBar()->actions()[0]->menu()->actions()[1], viewAction);
  EXPECT_TRUE(viewAction->isVisible());
  EXPECT_EQ(viewAction->text(), "&Look");
  // So is a hidden submenu's.
  edit->SetVisible(false);
  EXPECT_FALSE(peer->MenuBar()->actions()[0]->isVisible());
  edit->SetVisible(true);
  EXPECT_TRUE(peer->MenuBar()->actions()[0]->isVisible());
  // A submenu's item changes in place too, its items kept.
  QAction* editAction = peer->MenuBar()->actions()[0];
  QAction* lookAction = editAction->menu()->actions()[1];
  edit->SetCaption("&Change");
  edit->SetEnabled(false);
  QApplication::processEvents();
  ASSERT_EQ(peer->MenuBar()->actions()[0], editAction);
  EXPECT_EQ(editAction->text(), "&Change");
  EXPECT_FALSE(editAction->isEnabled());
  EXPECT_EQ(editAction->menu()->actions()[1], lookAction);
  edit->SetEnabled(true);
  EXPECT_TRUE(editAction->isEnabled());
  EXPECT_TRUE(editAction->menu()->isEnabled());
  // An item built hidden has its hidden action, shown when the item is.
  TMenuItem* server = Item("&Server");
  server->SetVisible(false);
  edit->Add(server);
  QApplication::processEvents();
  editAction = peer->MenuBar()->actions()[0];
  ASSERT_EQ(editAction->menu()->actions().size(), 3);
  QAction* serverAction = editAction->menu()->actions()[2];
  EXPECT_FALSE(serverAction->isVisible());
  server->SetVisible(true);
  QApplication::processEvents();
  ASSERT_EQ(peer->MenuBar()->actions()[0], editAction);
  EXPECT_EQ(editAction->menu()->actions()[2], serverAction);
  EXPECT_TRUE(serverAction->isVisible());
}

TEST(QtForms, ShowModalRunsANestedLoopThatReturnsTheResult) {
  TForm main(nullptr);
  main.Show();
  TForm dialog(nullptr);
  dialog.SetCaption("Question");
  dialog.SetBorderStyle(bsDialog);
  bool mainDisabled = false;
  QTimer::singleShot(20, [&] {
    mainDisabled = !FormPeerOf(main)->Window()->isEnabled();
    dialog.SetModalResult(mrYes);
  });
  // The window shows once: it is not shown again on its way out of the modal run.
  dialog.HandleNeeded();
  int shows = 0;
  TEventCounter counter(QEvent::Show, shows);
  FormPeerOf(dialog)->Window()->installEventFilter(&counter);
  EXPECT_EQ(dialog.ShowModal(), mrYes);
  EXPECT_TRUE(mainDisabled);
  EXPECT_TRUE(FormPeerOf(main)->Window()->isEnabled());
  EXPECT_FALSE(FormPeerOf(dialog)->Window()->isVisible());
  EXPECT_EQ(FormPeerOf(dialog)->Window()->windowModality(), Qt::NonModal);
  EXPECT_EQ(shows, 1);
}

TEST(QtForms, TheCloseBoxAsksTheForm) {
  TForm form(nullptr);
  int queries = 0;
  form.OnCloseQuery = [&](TObject*, bool& canClose) {
    canClose = ++queries > 1;
  };
  form.Show();
  QWidget* window = FormPeerOf(form)->Window();
  window->close();
  EXPECT_TRUE(form.Visible());
  window->close();
  EXPECT_FALSE(form.Visible());
  EXPECT_EQ(queries, 2);
}

TEST(QtForms, FileDialogFiltersTakeEachPatternInThreeCases) {
  QStringList f = QtNameFilters("Text files|*.txt;*.Csv|All|*.*");
  ASSERT_EQ(f.size(), 2);
  EXPECT_EQ(f[0], "Text files (*.txt *.TXT *.Csv *.CSV *.csv)");
  EXPECT_EQ(f[1], "All (*)");
}

TEST(QtForms, ScrollBarsFollowTheScrollInfo) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 200, 150);
  auto* c = new TCustomControl(&form);
  c->SetParent(&form);
  c->SetBounds(0, 0, 120, 100);
  form.Show();
  SCROLLINFO si;
  si.fMask = SIF_ALL;
  si.nMin = 0;
  si.nMax = 49;
  si.nPage = 10;
  si.nPos = 7;
  SetScrollInfo(c, SB_VERT, si, true);
  ShowScrollBar(c, SB_VERT, true);
  QScrollBar* bar = nullptr;
  for (QObject* o : QtPeer(*c)->Widget()->children())
    if (auto* sb = qobject_cast<QScrollBar*>(o); sb && sb->orientation() == Qt::Vertical) bar = sb;
  ASSERT_NE(bar, nullptr);
  EXPECT_TRUE(bar->isVisibleTo(QtPeer(*c)->Widget()));
  EXPECT_EQ(bar->maximum(), 40);
  EXPECT_EQ(bar->pageStep(), 10);
  EXPECT_EQ(bar->value(), 7);
  EXPECT_EQ(c->ClientWidth(), 120 - GetSystemMetrics(SM_CXVSCROLL));
  EXPECT_EQ(bar->geometry(), QRect(120 - 16, 0, 16, 100));
}

TEST(QtForms, TheFindDialogShowsItsControlsOnATopLevelWindow) {
  TFindDialog find(nullptr);
  find.SetFindText("Ledger");
  find.SetOptions(TFindOptions{frDown, frMatchCase});
  find.SetPosition({30, 40});
  int found = 0;
  find.OnFind = [&](TObject*) { ++found; };
  ASSERT_TRUE(find.Execute());
  QApplication::processEvents();
  auto* peer = dynamic_cast<TQtFormPeer*>(find.Form()->Handle());
  ASSERT_NE(peer, nullptr);
  QWidget* window = peer->Window();
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->windowTitle(), "Find");
  EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
  QImage shot = window->grab().toImage().convertToFormat(QImage::Format_RGB32);
  shot.save(QString(QN_BINARY_DIR) + "/tests/platform/qt/find_dialog.png");
  auto dark = [&](int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += qGray(shot.pixel(x, y)) < 100;
    return n;
  };
  // The label, the edit's text, the check box captions and the buttons' captions are drawn.
  EXPECT_GT(dark(6, 12, 64, 25), 20);
  int selected = 0;  // the edit's text shows selected
  for (int y = 10; y < 27; ++y)
    for (int x = 70; x < 200; ++x) selected += qBlue(shot.pixel(x, y)) - qRed(shot.pixel(x, y)) > 60;
  EXPECT_GT(selected, 100);
  EXPECT_GT(dark(24, 66, 156, 83), 20);
  EXPECT_GT(dark(272, 10, 343, 29), 20);
  EXPECT_GT(dark(272, 39, 343, 58), 20);
  // The blank band below the edit is the form's own colour.
  for (int x = 162; x < 262; ++x) EXPECT_EQ(QColor(shot.pixel(x, 31)), QColor(192, 192, 192)) << x;
  // The native button presses Find Next.
  auto* button = dynamic_cast<TButton*>(find.Form()->FindComponent("FindNext"));
  ASSERT_NE(button, nullptr);
  QWidget* native = QtPeer(*button)->Widget();
  QAbstractButton* push = native->findChild<QAbstractButton*>();
  if (!push) push = qobject_cast<QAbstractButton*>(native);
  ASSERT_NE(push, nullptr);
  push->click();
  EXPECT_EQ(found, 1);
  EXPECT_EQ(find.FindText(), "Ledger");
  find.CloseDialog();
  EXPECT_FALSE(window->isVisible());
}

namespace {

// A form that is sized from its bottom-right corner (the last 10 pixels of both ways) and
// from its left edge (the first 5 pixels), and counts the presses it gets.
class TCornerForm : public TForm {
public:
  TCornerForm() : TForm(nullptr) { OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) { ++Presses; }; }
  int Presses = 0;

protected:
  void WndProc(TMessage& m) override {
    if (m.Msg == WM_NCHITTEST) {
      TPoint p = ScreenToClient({GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)});
      if (p.X >= ClientWidth() - 10 && p.Y >= ClientHeight() - 10) {
        m.Result = HTBOTTOMRIGHT;
        return;
      }
      if (p.X < 5) {
        m.Result = HTLEFT;
        return;
      }
    }
    TForm::WndProc(m);
  }
};

// The mouse at `at` of the client area as it was placed when the press began (the screen
// point is what a real mouse reports, wherever the window has moved since).
QPoint gOrigin;
void SendMouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
  QMouseEvent e(type, QPointF(at), QPointF(gOrigin + at), Qt::LeftButton, buttons, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

}  // namespace

TEST(QtForms, APressWhereTheFormAnswersABorderSizesTheWindow) {
  TCornerForm form;
  form.SetBorderStyle(bsSizeable);
  form.SetBounds(100, 100, 300, 200);
  form.Show();
  QApplication::processEvents();
  QWidget* client = FormPeerOf(form)->Widget();
  int cw = form.ClientWidth(), ch = form.ClientHeight();
  int left = form.Left(), top = form.Top();
  gOrigin = client->mapToGlobal(QPoint(0, 0));

  // The corner: the window follows the mouse, and the press is no click in the client area.
  QPoint corner(cw - 3, ch - 3);
  SendMouse(client, QEvent::MouseButtonPress, corner, Qt::LeftButton);
  SendMouse(client, QEvent::MouseMove, corner + QPoint(40, 25), Qt::LeftButton);
  SendMouse(client, QEvent::MouseMove, corner + QPoint(60, 30), Qt::LeftButton);
  SendMouse(client, QEvent::MouseButtonRelease, corner + QPoint(60, 30), Qt::NoButton);
  QApplication::processEvents();
  EXPECT_EQ(form.Width(), 360);
  EXPECT_EQ(form.Height(), 230);
  EXPECT_EQ(form.Left(), left);
  EXPECT_EQ(form.Top(), top);
  EXPECT_EQ(form.Presses, 0);
  // After the release moving the mouse sizes nothing.
  SendMouse(client, QEvent::MouseMove, corner + QPoint(90, 90), Qt::NoButton);
  EXPECT_EQ(form.Width(), 360);

  // The left edge moves the left side only.
  gOrigin = client->mapToGlobal(QPoint(0, 0));
  SendMouse(client, QEvent::MouseButtonPress, QPoint(2, 50), Qt::LeftButton);
  SendMouse(client, QEvent::MouseMove, QPoint(22, 80), Qt::LeftButton);
  SendMouse(client, QEvent::MouseButtonRelease, QPoint(22, 80), Qt::NoButton);
  QApplication::processEvents();
  EXPECT_EQ(form.Left(), left + 20);
  EXPECT_EQ(form.Width(), 340);
  EXPECT_EQ(form.Height(), 230);

  // Elsewhere a press is the client area's, and the right button never sizes.
  SendMouse(client, QEvent::MouseButtonPress, QPoint(100, 50), Qt::LeftButton);
  SendMouse(client, QEvent::MouseButtonRelease, QPoint(100, 50), Qt::NoButton);
  EXPECT_EQ(form.Presses, 1);
  QMouseEvent right(QEvent::MouseButtonPress, QPointF(corner), client->mapToGlobal(QPointF(corner)), Qt::RightButton,
                    Qt::RightButton, Qt::NoModifier);
  QApplication::sendEvent(client, &right);
  EXPECT_EQ(form.Presses, 2);
  form.Hide();
}

// A tool button whose click closes its form: the press captured the mouse for the tool bar,
// and the form is hidden before the release has been handled. The mouse must be free after
// it, or every later press (on any window, a modal one too) goes to the hidden tool bar.
TEST(QtForms, AClickThatClosesItsFormLeavesTheMouseFreeForTheOtherWindows) {
  TCornerForm other;
  other.SetBounds(400, 100, 300, 200);
  other.Show();
  TForm results(nullptr);
  results.SetBounds(50, 50, 300, 200);
  auto* bar = new TToolBar(&results);
  bar->SetParent(&results);
  bar->SetAlign(alTop);
  auto* close = new TToolButton(&results);
  close->SetParent(bar);
  close->SetCaption("Close");
  int clicks = 0;
  close->OnClick = [&](TObject*) {
    ++clicks;
    results.Close();
  };
  results.Show();
  QApplication::processEvents();
  QWidget* barWidget = QtPeer(*bar)->Widget();
  const QPoint at(close->Left() + close->Width() / 2, close->Top() + close->Height() / 2);
  gOrigin = barWidget->mapToGlobal(QPoint(0, 0));
  SendMouse(barWidget, QEvent::MouseButtonPress, at, Qt::LeftButton);
  EXPECT_EQ(QWidget::mouseGrabber(), barWidget);  // the press holds the mouse
  SendMouse(barWidget, QEvent::MouseButtonRelease, at, Qt::NoButton);
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(results.Visible());
  EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
  EXPECT_EQ(GetCapture(), nullptr);

  // A press on the other window, as the window system delivers it, reaches that window.
  QWindow* window = FormPeerOf(other)->Window()->windowHandle();
  ASSERT_NE(window, nullptr);
  const QPoint inside(100, 100);
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(inside), window->mapToGlobal(QPointF(inside)), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, QPointF(inside), window->mapToGlobal(QPointF(inside)),
                      Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(window, &release);
  EXPECT_EQ(other.Presses, 1);
}

namespace {

// A click of the left button at `at` of a control, as the window system delivers it.
void ClickAsTheWindowSystem(TWinControl& control, QPoint at) {
  QWidget* widget = QtPeer(control)->Widget();
  QTest::mouseClick(widget->window()->windowHandle(), Qt::LeftButton, Qt::NoModifier, widget->mapTo(widget->window(), at));
}

}  // namespace

namespace {

// Clicks, as the window system delivers it, the button of the box that runs modally now, then
// ends the box if the click was not taken (the test fails on that).
void ClickTheBoxButton(const QString& text, bool& taken) {
  QWidget* box = QApplication::activeModalWidget();
  ASSERT_NE(box, nullptr);
  QAbstractButton* target = nullptr;
  for (QAbstractButton* b : box->findChildren<QAbstractButton*>())
    if (b->text().remove('&') == text) target = b;
  ASSERT_NE(target, nullptr) << text.toStdString();
  QTest::mouseClick(box->windowHandle(), Qt::LeftButton, Qt::NoModifier, target->mapTo(box, target->rect().center()));
  QApplication::processEvents();
  taken = !box->isVisible();
  if (!taken) QMetaObject::invokeMethod(box, "reject", Qt::QueuedConnection);
}

}  // namespace

// A tool button runs its click inside the release of the press that captured the mouse for the
// tool bar; the message and input boxes it opens take the mouse all the same.
TEST(QtForms, BoxesOpenedFromAToolButtonTakeMouseClicks) {
  TForm form(nullptr);
  form.SetBounds(50, 50, 300, 200);
  auto* bar = new TToolBar(&form);
  bar->SetParent(&form);
  bar->SetAlign(alTop);
  auto* button = new TToolButton(&form);
  button->SetParent(bar);
  button->SetCaption("Ask");
  int answer = 0;
  std::string typed;
  bool asked = false;
  button->OnClick = [&](TObject*) {
    answer = MessageDlg("Delete this record?", mtConfirmation, mbYesNo);
    typed = "1";
    asked = InputQuery("Copies", "Number of copies:", typed);
  };
  form.Show();
  QApplication::processEvents();
  bool yesTaken = false, okTaken = false;
  QTimer::singleShot(20, [&] {
    ClickTheBoxButton("Yes", yesTaken);
    QTimer::singleShot(20, [&] { ClickTheBoxButton("OK", okTaken); });
  });
  ClickAsTheWindowSystem(*bar, QPoint(button->Left() + button->Width() / 2, button->Top() + button->Height() / 2));
  EXPECT_TRUE(yesTaken);
  EXPECT_EQ(answer, mrYes);
  EXPECT_TRUE(okTaken);
  EXPECT_TRUE(asked);
  EXPECT_EQ(typed, "1");
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
  form.Hide();
}

// The find dialog shown from a running modal window takes typing and clicks, as a window of the
// program shown beside a modal one does on the desktop; the windows shown before stay blocked.
TEST(QtForms, AModelessWindowShownFromAModalWindowTakesInput) {
  TCornerForm main;
  main.SetBounds(400, 100, 300, 200);
  main.Show();
  TForm dialog(nullptr);
  dialog.SetCaption("Summary");
  dialog.SetBorderStyle(bsDialog);
  dialog.SetBounds(50, 50, 300, 200);
  TFindDialog find(nullptr);
  std::string searched;
  find.OnFind = [&](TObject*) { searched = find.FindText(); };
  bool hiddenByCancel = false;
  QTimer::singleShot(20, [&] {
    find.Execute();
    QApplication::processEvents();
    QWindow* window = dynamic_cast<TQtFormPeer*>(find.Form()->Handle())->Window()->windowHandle();
    QTest::keyClick(window, 'a');
    QTest::keyClick(window, 'b');
    auto* next = dynamic_cast<TButton*>(find.Form()->FindComponent("FindNext"));
    auto* cancel = dynamic_cast<TButton*>(find.Form()->FindComponent("Cancel"));
    if (next && cancel) {
      ClickAsTheWindowSystem(*next, {next->Width() / 2, next->Height() / 2});
      ClickAsTheWindowSystem(*cancel, {cancel->Width() / 2, cancel->Height() / 2});
      QApplication::processEvents();
      hiddenByCancel = !find.Form()->Visible();
    }
    ClickAsTheWindowSystem(main, {100, 100});
    dialog.SetModalResult(mrOk);
  });
  EXPECT_EQ(dialog.ShowModal(), mrOk);
  EXPECT_EQ(searched, "ab");
  EXPECT_TRUE(hiddenByCancel);
  EXPECT_EQ(main.Presses, 0);
  find.CloseDialog();
}


TEST(QtForms, AWindowHeldForTheOneOpeningOverItPaintsAfterIt) {
  std::vector<std::string> log;
  TForm behind(nullptr);
  behind.SetCaption("behind");
  behind.SetBounds(0, 0, 300, 200);
  auto* behindLog = new TPaintLog(behind, log);
  PaintAfterOtherWindow(behind);
  behind.Show();
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
  EXPECT_TRUE(log.empty()) << "the window painted before the one over it";
  TForm over(nullptr);
  over.SetCaption("over");
  over.SetBounds(50, 50, 120, 80);
  new TPaintLog(over, log);
  over.Show();
  ASSERT_TRUE(RunUntil([&] { return std::find(log.begin(), log.end(), "behind") != log.end(); }))
      << "the held window never painted";
  EXPECT_EQ(log.front(), "over");
  // Held no more: a later change paints it at once.
  log.clear();
  behindLog->Invalidate();
  EXPECT_TRUE(RunUntil([&] { return !log.empty(); }));
}

// A held window shows with its menu bar (it is sized for it before it shows) but none of its
// controls' windows: they are made once the window over it has painted. A control asked for its
// window meanwhile makes it at once (and its parent's), not its siblings'. The menu bar's coming
// lays the form out for its client area, as a resize.
TEST(QtForms, AWindowHeldMakesItsControlsAndMenuBarOnceTheWindowOverItPainted) {
  std::vector<std::string> log;
  TForm behind(nullptr);
  behind.SetCaption("behind");
  behind.SetBounds(0, 0, 300, 200);
  TMainMenu menu(&behind);
  menu.Items()->Add(Item("&File"));
  behind.SetMenu(&menu);
  auto* panel = new TCustomControl(&behind);
  panel->SetParent(&behind);
  panel->SetAlign(alTop);
  panel->SetHeight(60);
  auto* asked = new TCustomControl(&behind);
  asked->SetParent(panel);
  auto* sibling = new TCustomControl(&behind);
  sibling->SetParent(panel);
  auto* fill = new TPaintLog(behind, log);
  int resizes = 0;
  behind.OnResize = [&](TObject*) { ++resizes; };
  PaintAfterOtherWindow(behind);
  behind.Show();
  QApplication::processEvents();
  TQtFormPeer* peer = FormPeerOf(behind);
  ASSERT_NE(peer->MenuBar(), nullptr);
  ASSERT_EQ(peer->MenuBar()->actions().size(), 1);
  const int bar = peer->MenuBarHeight();
  EXPECT_GT(bar, 0);
  EXPECT_GT(resizes, 0);
  EXPECT_EQ(behind.ClientHeight(), 200 - bar);
  EXPECT_FALSE(panel->HandleAllocated());
  EXPECT_FALSE(fill->HandleAllocated());
  asked->HandleNeeded();
  EXPECT_TRUE(panel->HandleAllocated());
  EXPECT_FALSE(sibling->HandleAllocated());
  EXPECT_FALSE(fill->HandleAllocated());

  TForm over(nullptr);
  over.SetCaption("over");
  over.SetBounds(50, 50, 120, 80);
  new TPaintLog(over, log);
  over.Show();
  ASSERT_TRUE(RunUntil([&] { return std::find(log.begin(), log.end(), "behind") != log.end(); }));
  EXPECT_TRUE(sibling->HandleAllocated());
  EXPECT_TRUE(fill->HandleAllocated());
  EXPECT_EQ(QtPeer(*fill)->Widget()->geometry(), QRect(0, 60, 300, 200 - bar - 60));
  EXPECT_EQ(fill->Top(), 60);
  EXPECT_EQ(fill->Height(), 200 - bar - 60);
}

TEST(QtForms, AWindowHeldForAWindowThatNeverOpensPaintsAllTheSame) {
  std::vector<std::string> log;
  TForm alone(nullptr);
  alone.SetCaption("alone");
  alone.SetBounds(0, 0, 200, 100);
  new TPaintLog(alone, log);
  PaintAfterOtherWindow(alone);
  alone.Show();
  EXPECT_TRUE(RunUntil([&] { return !log.empty(); }));
}
