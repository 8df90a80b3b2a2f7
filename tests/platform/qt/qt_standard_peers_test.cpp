// The native peers of the standard controls under the offscreen platform: state pushed into
// the Qt widgets, the widgets' user signals and keys coming back once, and a window holding
// every standard control grabbed into an image.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <utility>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include "platform/qt/qt_painter.h"
#include "platform/qt/qt_window_peer.h"
#include "platform/rtl/format_settings.h"
#include "platform/ui/date_time_picker.h"
#include "platform/ui/list_controls.h"
#include "platform/ui/mask_edit.h"
#include "platform/ui/spin_edit.h"
#include "platform/ui/std_buttons.h"
#include "tests/linear_time.h"
#include "tests/platform/qt/qt_event_counter.h"

namespace {

template <class W>
W* NativeOf(TWinControl& control) {
  W* w = QtPeer(control)->Widget()->findChild<W*>();
  EXPECT_NE(w, nullptr);
  return w;
}

void Press(QWidget* w, Qt::Key key, const QString& text, Qt::KeyboardModifiers m = Qt::NoModifier) {
  QKeyEvent down(QEvent::KeyPress, key, m, text);
  QApplication::sendEvent(w, &down);
  QKeyEvent up(QEvent::KeyRelease, key, m, text);
  QApplication::sendEvent(w, &up);
}

class QtStandardPeers : public ::testing::Test {
protected:
  void SetUp() override {
    form.SetBounds(0, 0, 560, 330);
    form.HandleNeeded();
    QtPeer(form)->Widget()->show();
  }
  // Gives the focus to the control's widget, as a click would.
  static void Focus(TWinControl& c) {
    c.SetFocus();
    QApplication::processEvents();
  }
  TCustomControl form{nullptr};
};

TEST_F(QtStandardPeers, EditShowsItsTextAndTypingComesBackOnce) {
  TEdit edit(nullptr);
  edit.SetParent(&form);
  edit.SetBounds(10, 10, 150, 24);
  int changes = 0;
  edit.OnChange = [&](TObject*) { ++changes; };
  edit.SetText("añb");
  QLineEdit* line = NativeOf<QLineEdit>(edit);
  EXPECT_EQ(line->text(), QString::fromUtf8("añb"));
  EXPECT_EQ(changes, 1);
  Focus(edit);
  EXPECT_EQ(line->selectedText(), QString::fromUtf8("añb"));  // AutoSelect on entering
  edit.SetSelStart(3);  // after ñ: byte 3 is character 2
  EXPECT_EQ(line->cursorPosition(), 2);
  Press(line, Qt::Key_X, "x");
  EXPECT_EQ(edit.Text(), "añxb");
  EXPECT_EQ(line->text(), QString::fromUtf8("añxb"));
  EXPECT_EQ(changes, 2);
  // The widget's own selection (a mouse drag) comes back in bytes.
  line->setSelection(1, 2);
  EXPECT_EQ(edit.SelStart(), 1);
  EXPECT_EQ(edit.SelText(), "ñx");
  Press(line, Qt::Key_Backspace, "\b");
  EXPECT_EQ(edit.Text(), "ab");
  EXPECT_EQ(line->text(), "ab");
  EXPECT_EQ(changes, 3);
  edit.SetPasswordChar('*');
  EXPECT_EQ(line->echoMode(), QLineEdit::Password);
  TRect r = Rect(20, 0, 120, 24);
  edit.Perform(EM_SETRECT, 0, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(line->textMargins().left(), 20);
}

TEST_F(QtStandardPeers, MaskEditFiltersKeysBeforeTheWidget) {
  TMaskEdit edit(nullptr);
  edit.SetParent(&form);
  edit.SetBounds(10, 40, 150, 24);
  edit.SetEditMask("!9090/90/00;1;_");
  QLineEdit* line = NativeOf<QLineEdit>(edit);
  EXPECT_EQ(line->text(), "____/__/__");
  Focus(edit);
  edit.SetSelStart(0);
  Press(line, Qt::Key_A, "a");
  Press(line, Qt::Key_2, "2");
  EXPECT_EQ(line->text(), "2___/__/__");
  EXPECT_EQ(edit.Text(), "2   /  /  ");
}

TEST_F(QtStandardPeers, MemoConvertsLineEndsAndOffsets) {
  TMemo memo(nullptr);
  memo.SetParent(&form);
  memo.SetBounds(10, 70, 200, 80);
  memo.SetText("añ\r\nb");
  auto* text = NativeOf<QPlainTextEdit>(memo);
  EXPECT_EQ(text->toPlainText(), QString::fromUtf8("añ\nb"));
  memo.SetSelStart(5);  // before b: bytes a ñ CR LF
  EXPECT_EQ(text->textCursor().position(), 3);
  Focus(memo);
  Press(text, Qt::Key_Return, "\r");
  EXPECT_EQ(memo.Text(), "añ\r\n\r\nb");
  EXPECT_EQ(text->toPlainText(), QString::fromUtf8("añ\n\nb"));
  memo.SetWordWrap(false);
  EXPECT_EQ(text->lineWrapMode(), QPlainTextEdit::NoWrap);
}

// Lines added one by one to a memo go into its widget as they come: the widget shows the memo's
// text, typing after them still works, and 20,000 lines take time that grows with their number.
TEST_F(QtStandardPeers, LinesAddedToAMemoGoIntoItsWidget) {
  TMemo memo(nullptr);
  memo.SetParent(&form);
  memo.SetBounds(10, 70, 200, 80);
  auto* text = NativeOf<QPlainTextEdit>(memo);
  memo.Lines().Add("first");
  EXPECT_EQ(text->toPlainText(), "first\n");
  memo.SetText("a\r\nb");
  memo.Lines().Add("c");
  EXPECT_EQ(text->toPlainText(), "a\nb\nc");
  // 2,500 lines against 20,000, each time into an emptied memo.
  const auto AddLines = [&](long n) {
    memo.SetText("");
    const double seconds = ThreadCpuSeconds([&] {
      for (long i = 0; i < n; ++i) memo.Lines().Add("line " + std::to_string(i));
    });
    QString expected;
    for (long i = 0; i < n; ++i) expected += QString("line %1\n").arg(i);
    EXPECT_TRUE(text->toPlainText() == expected);
    return seconds;
  };
  const double growth = Growth(AddLines, 2500, 8);
  std::printf("2,500 to 20,000 lines: %.1f times the processor time\n", growth);
  EXPECT_LT(growth, LinearGrowthBound(8));
  EXPECT_EQ(text->textCursor().position(), 0);
  Focus(memo);
  Press(text, Qt::Key_X, "x");
  EXPECT_EQ(memo.Lines()[0], "xline 0");
  EXPECT_EQ(text->toPlainText().left(8), "xline 0\n");
}

// A left press and release on a widget, as a person's click.
void ClickWidget(QWidget* w, QPoint at = {5, 5}) {
  const QPointF local(at), global(w->mapToGlobal(at));
  QMouseEvent down(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w, &down);
  QMouseEvent up(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(w, &up);
}

TEST_F(QtStandardPeers, EditsAndMemosHearAClickOnceAndButtonsStillOnce) {
  TEdit edit(nullptr);
  edit.SetParent(&form);
  edit.SetBounds(10, 10, 150, 24);
  TMemo memo(nullptr);
  memo.SetParent(&form);
  memo.SetBounds(10, 40, 150, 60);
  TButton ok(nullptr);
  ok.SetParent(&form);
  ok.SetBounds(10, 110, 80, 26);
  int edits = 0, memos = 0, presses = 0;
  edit.OnClick = [&](TObject*) { ++edits; };
  memo.OnClick = [&](TObject*) { ++memos; };
  ok.OnClick = [&](TObject*) { ++presses; };
  ClickWidget(NativeOf<QLineEdit>(edit));
  ClickWidget(NativeOf<QPlainTextEdit>(memo)->viewport());
  ClickWidget(NativeOf<QPushButton>(ok));
  EXPECT_EQ(edits, 1);
  EXPECT_EQ(memos, 1);
  EXPECT_EQ(presses, 1);
  // A release outside after a press inside is no click.
  QLineEdit* line = NativeOf<QLineEdit>(edit);
  QMouseEvent down(QEvent::MouseButtonPress, QPointF(5, 5), line->mapToGlobal(QPointF(5, 5)), Qt::LeftButton,
                   Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(line, &down);
  QMouseEvent up(QEvent::MouseButtonRelease, QPointF(400, 5), line->mapToGlobal(QPointF(400, 5)), Qt::LeftButton,
                 Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(line, &up);
  EXPECT_EQ(edits, 1);
  // A disabled edit hears none.
  edit.SetEnabled(false);
  ClickWidget(line);
  EXPECT_EQ(edits, 1);
}

TEST_F(QtStandardPeers, ButtonsReportClicksOnce) {
  TCheckBox box(nullptr);
  box.SetParent(&form);
  box.SetCaption("Uses product");
  int clicks = 0;
  box.OnClick = [&](TObject*) { ++clicks; };
  auto* check = NativeOf<QCheckBox>(box);
  EXPECT_EQ(check->text(), "Uses product");
  check->click();
  EXPECT_TRUE(box.Checked());
  EXPECT_EQ(check->checkState(), Qt::Checked);
  EXPECT_EQ(clicks, 1);
  box.SetChecked(false);
  EXPECT_EQ(check->checkState(), Qt::Unchecked);
  EXPECT_EQ(clicks, 2);

  TRadioButton add(nullptr), remove(nullptr);
  add.SetParent(&form);
  remove.SetParent(&form);
  add.SetChecked(true);
  auto* removeRadio = NativeOf<QRadioButton>(remove);
  removeRadio->click();
  EXPECT_TRUE(remove.Checked());
  EXPECT_FALSE(NativeOf<QRadioButton>(add)->isChecked());
  removeRadio->click();  // a click on the checked one leaves it checked
  EXPECT_TRUE(removeRadio->isChecked());

  TButton ok(nullptr);
  ok.SetParent(&form);
  ok.SetCaption("&OK");
  int presses = 0;
  ok.OnClick = [&](TObject*) { ++presses; };
  auto* push = NativeOf<QPushButton>(ok);
  push->click();
  Focus(ok);
  Press(push, Qt::Key_Space, " ");
  EXPECT_EQ(presses, 2);
}

TEST_F(QtStandardPeers, ComboAndListChoicesAndOwnerDraw) {
  TComboBox combo(nullptr);
  combo.SetParent(&form);
  combo.SetBounds(220, 10, 150, 24);
  for (const char* s : {"Apple", "Apricot"}) combo.Items().Add(s);
  std::vector<std::string> log;
  combo.OnChange = [&](TObject*) { log.push_back("change " + combo.Text()); };
  auto* box = NativeOf<QComboBox>(combo);
  ASSERT_EQ(box->count(), 2);
  emit box->activated(1);
  EXPECT_EQ(combo.ItemIndex(), 1);
  EXPECT_EQ(box->lineEdit()->text(), "Apricot");
  combo.Perform(CB_SETDROPPEDWIDTH, 260);
  EXPECT_EQ(box->view()->minimumWidth(), 260);
  Focus(combo);
  Press(box->lineEdit(), Qt::Key_S, "s");
  EXPECT_EQ(log, (std::vector<std::string>{"change Apricot", "change Apricots"}));

  TListBox list(nullptr);
  list.SetParent(&form);
  list.SetBounds(220, 40, 150, 80);
  list.SetStyle(lbOwnerDrawFixed);
  list.SetItemHeight(18);
  for (const char* s : {"red", "plain"}) list.Items().Add(s);
  std::vector<int> drawn;
  list.OnDrawItem = [&](TWinControl*, int index, TRect r, TOwnerDrawState) {
    drawn.push_back(index);
    list.Canvas().Brush().SetColor(index == 0 ? clRed : clWhite);
    list.Canvas().FillRect(r);
  };
  int clicks = 0;
  list.OnClick = [&](TObject*) { ++clicks; };
  auto* widget = NativeOf<QListWidget>(list);
  widget->setCurrentRow(1);
  EXPECT_EQ(list.ItemIndex(), 1);
  EXPECT_EQ(clicks, 1);
  list.SetItemIndex(0);
  EXPECT_EQ(widget->currentRow(), 0);
  EXPECT_EQ(clicks, 1);
  QImage shot = QtPeer(form)->Widget()->grab().toImage();
  EXPECT_FALSE(drawn.empty());
  TRect first = list.ItemRect(0);
  QColor c = shot.pixelColor(list.Left() + first.Left + 20, list.Top() + first.Top + first.Height() / 2);
  EXPECT_GT(c.red(), 200);
  EXPECT_LT(c.green(), 60);
}

// 100,000 items added one by one reach the widgets in time that grows with their number (the
// whole list handed over for each item took hours); items put in, taken out and replaced leave
// the widgets holding the control's items, and adding chooses none.
TEST_F(QtStandardPeers, LongListsFillTheWidgetsItemByItem) {
  const auto Fill = [&](long n) {
    auto list = std::make_unique<TListBox>(nullptr);
    list->SetParent(&form);
    auto combo = std::make_unique<TComboBox>(nullptr);
    combo->SetParent(&form);
    combo->SetStyle(csDropDownList);
    const double seconds = ThreadCpuSeconds([&] {
      for (long i = 0; i < n; ++i) {
        list->Items().Add("item " + std::to_string(i));
        combo->Items().Add("entry " + std::to_string(i));
      }
    });
    EXPECT_EQ(NativeOf<QListWidget>(*list)->count(), n);
    EXPECT_EQ(NativeOf<QComboBox>(*combo)->count(), n);
    return std::make_pair(seconds, std::make_pair(std::move(list), std::move(combo)));
  };
  const double growth = Growth([&](long n) { return Fill(n).first; }, 12500, 8, 2);
  std::printf("12,500 to 100,000 items: %.1f times the processor time\n", growth);
  EXPECT_LT(growth, LinearGrowthBound(8));

  const int n = 100000;
  auto filled = Fill(n).second;
  TListBox& list = *filled.first;
  TComboBox& combo = *filled.second;
  auto* listWidget = NativeOf<QListWidget>(list);
  auto* box = NativeOf<QComboBox>(combo);
  ASSERT_EQ(listWidget->count(), n);
  ASSERT_EQ(box->count(), n);
  EXPECT_EQ(listWidget->item(81234)->text(), "item 81234");
  EXPECT_EQ(box->itemText(n - 1), "entry 99999");
  EXPECT_EQ(box->currentIndex(), -1);
  EXPECT_EQ(listWidget->currentRow(), -1);

  list.SetItemIndex(5);
  list.Items().Insert(0, "first");
  list.Items().Delete(2);
  list.Items().SetStrings(3, "three");
  combo.Items().Delete(0);
  combo.Items().Insert(1, "second");
  for (int i : {0, 1, 2, 3, 4, 5, 500, n - 1}) {
    EXPECT_EQ(listWidget->item(i)->text().toStdString(), list.Items()[i]);
    EXPECT_EQ(box->itemText(i).toStdString(), combo.Items()[i]);
  }
  EXPECT_EQ(listWidget->currentRow(), list.ItemIndex());
}

// A closed owner-drawn drop-down list shows its chosen item as the control draws it.
TEST_F(QtStandardPeers, ClosedOwnerDrawnListShowsItsItemDrawn) {
  TComboBox combo(nullptr);
  combo.SetParent(&form);
  combo.SetStyle(csOwnerDrawFixed);
  combo.SetBounds(10, 10, 150, 24);
  for (const char* s : {"red", "blue"}) combo.Items().Add(s);
  combo.OnDrawItem = [&](TWinControl*, int index, TRect r, TOwnerDrawState) {
    combo.Canvas().Brush().SetColor(index == 0 ? clRed : clBlue);
    combo.Canvas().FillRect(r);
  };
  auto Coloured = [&](bool red) {
    QImage shot = QtPeer(form)->Widget()->grab().toImage();
    int n = 0;
    for (int y = 10; y < 34; ++y)
      for (int x = 10; x < 160; ++x) {
        const QColor c = shot.pixelColor(x, y);
        n += red ? (c.red() > 200 && c.blue() < 60) : (c.blue() > 200 && c.red() < 60);
      }
    return n;
  };
  combo.SetItemIndex(1);
  EXPECT_GT(Coloured(false), 300);
  EXPECT_EQ(Coloured(true), 0);
  combo.SetItemIndex(0);
  EXPECT_GT(Coloured(true), 300);
  EXPECT_EQ(Coloured(false), 0);
}

// Disabled check boxes and radio buttons show their captions greyed on the button face: darker
// than the face, lighter than an enabled caption.
TEST_F(QtStandardPeers, DisabledButtonsKeepTheirCaptionsGreyed) {
  form.SetColor(clBtnFace);
  TCheckBox check(nullptr), checkOff(nullptr);
  TRadioButton radio(nullptr), radioOff(nullptr);
  TWinControl* all[] = {&check, &checkOff, &radio, &radioOff};
  for (int i = 0; i < 4; ++i) {
    all[i]->SetParent(&form);
    all[i]->SetBounds(10, 10 + 30 * i, 150, 20);
    all[i]->SetCaption("Plain Paper");
  }
  checkOff.SetEnabled(false);
  radioOff.SetEnabled(false);
  radioOff.SetChecked(true);
  QApplication::processEvents();
  QImage shot = QtPeer(form)->Widget()->grab().toImage();
  const int face = qGray(ToQColor(ColorToRGB(clBtnFace)).rgb());
  // Pixels of the caption (right of the indicator) darker than the face by `by` or more.
  auto Inked = [&](int i, int by) {
    int n = 0;
    for (int y = 10 + 30 * i; y < 30 + 30 * i; ++y)
      for (int x = 34; x < 160; ++x) n += qGray(shot.pixel(x, y)) <= face - by;
    return n;
  };
  for (int i : {1, 3}) {
    SCOPED_TRACE(i);
    EXPECT_GT(Inked(i, 40), 20);   // the caption shows
    EXPECT_EQ(Inked(i, 150), 0);   // greyed, not black
  }
  for (int i : {0, 2}) EXPECT_GT(Inked(i, 150), 20);
}

// An edit's text is drawn in its font's colour, set before or after the widget exists; a
// disabled edit keeps its grey.
TEST_F(QtStandardPeers, EditTextTakesItsFontColour) {
  TEdit red(nullptr), later(nullptr), off(nullptr);
  TEdit* all[] = {&red, &later, &off};
  red.Font().SetColor(clRed);
  for (int i = 0; i < 3; ++i) {
    all[i]->SetParent(&form);
    all[i]->SetBounds(10, 10 + 30 * i, 150, 24);
    all[i]->SetText("Not Found");
  }
  later.Font().SetColor(clRed);
  off.Font().SetColor(clRed);
  off.SetEnabled(false);
  // The focus elsewhere: a focused edit shows its text selected.
  TEdit focused(nullptr);
  focused.SetParent(&form);
  focused.SetBounds(10, 100, 150, 24);
  Focus(focused);
  QApplication::processEvents();
  QImage shot = QtPeer(form)->Widget()->grab().toImage();
  auto Reds = [&](int i) {
    int n = 0;
    for (int y = 12 + 30 * i; y < 32 + 30 * i; ++y)
      for (int x = 12; x < 158; ++x) {
        const QColor c = shot.pixelColor(x, y);
        n += c.red() > 150 && c.green() < 90 && c.blue() < 90;
      }
    return n;
  };
  EXPECT_GT(Reds(0), 20);
  EXPECT_GT(Reds(1), 20);
  EXPECT_EQ(Reds(2), 0);
  EXPECT_EQ(NativeOf<QLineEdit>(red)->palette().color(QPalette::Active, QPalette::Text), QColor(255, 0, 0));
}

// Read-only changes an edit's look only by its caret: edits without the focus are not repainted
// for it and look as before, the focused one is; typing follows the state either way.
TEST_F(QtStandardPeers, ReadOnlyRepaintsOnlyTheFocusedEdit) {
  TEdit edit(nullptr), focused(nullptr);
  TMemo memo(nullptr);
  edit.SetParent(&form);
  edit.SetBounds(10, 10, 150, 24);
  edit.SetText("Record one");
  memo.SetParent(&form);
  memo.SetBounds(10, 40, 150, 60);
  memo.SetText("Line one\r\nLine two");
  focused.SetParent(&form);
  focused.SetBounds(10, 110, 150, 24);
  focused.SetText("Focused");
  Focus(focused);
  QLineEdit* line = NativeOf<QLineEdit>(edit);
  QPlainTextEdit* memoWidget = NativeOf<QPlainTextEdit>(memo);
  QLineEdit* focusedLine = NativeOf<QLineEdit>(focused);
  ASSERT_TRUE(focusedLine->hasFocus());
  const QImage lineBefore = line->grab().toImage(), memoBefore = memoWidget->grab().toImage();
  int paints = 0, focusedPaints = 0;
  TEventCounter counter(QEvent::Paint, paints), focusedCounter(QEvent::Paint, focusedPaints);
  line->installEventFilter(&counter);
  memoWidget->viewport()->installEventFilter(&counter);
  focusedLine->installEventFilter(&focusedCounter);
  QApplication::processEvents();
  paints = focusedPaints = 0;

  edit.SetReadOnly(true);
  memo.SetReadOnly(true);
  focused.SetReadOnly(true);
  QApplication::processEvents();
  EXPECT_EQ(paints, 0);
  EXPECT_GT(focusedPaints, 0);
  EXPECT_TRUE(line->isReadOnly());
  EXPECT_TRUE(memoWidget->isReadOnly());
  EXPECT_TRUE(focusedLine->isReadOnly());
  EXPECT_EQ(line->grab().toImage(), lineBefore);
  EXPECT_EQ(memoWidget->grab().toImage(), memoBefore);
  Press(focusedLine, Qt::Key_X, "x");
  EXPECT_EQ(focused.Text(), "Focused");

  // Their later changes still show, and back to writable they take typing again.
  edit.SetText("Record two");
  QApplication::processEvents();
  EXPECT_GT(paints, 0);
  edit.SetReadOnly(false);
  memo.SetReadOnly(false);
  EXPECT_FALSE(line->isReadOnly());
  EXPECT_FALSE(memoWidget->isReadOnly());
  Focus(edit);
  edit.SetSelStart(10);
  Press(line, Qt::Key_X, "x");
  EXPECT_EQ(edit.Text(), "Record twox");
}

TEST_F(QtStandardPeers, SpinAndPickerFollowTheirWidgets) {
  TSpinEdit spin(nullptr);
  spin.SetParent(&form);
  spin.SetMinValue(0);
  spin.SetMaxValue(10);
  spin.SetValue(9);
  int changes = 0;
  spin.OnChange = [&](TObject*) { ++changes; };
  auto* box = NativeOf<QSpinBox>(spin);
  box->stepUp();
  box->stepUp();
  EXPECT_EQ(spin.Value(), 10);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(box->text(), "10");

  TFormatSettingsScope scope;
  FormatSettings.ShortDateFormat = "dd/mm/yyyy";
  TDateTimePicker picker(nullptr);
  picker.SetParent(&form);
  picker.SetDate(EncodeDate(2000, 5, 12));
  int pickerChanges = 0;
  picker.OnChange = [&](TObject*) { ++pickerChanges; };
  auto* edit = NativeOf<QDateTimeEdit>(picker);
  EXPECT_EQ(edit->displayFormat(), "dd/MM/yyyy");
  EXPECT_EQ(edit->text(), "12/05/2000");
  EXPECT_TRUE(edit->calendarPopup());
  edit->setDate(QDate(2001, 2, 3));
  EXPECT_EQ(picker.Date(), EncodeDate(2001, 2, 3));
  EXPECT_EQ(pickerChanges, 1);
}

// Dark pixels (text, frames) inside a rectangle of the image.
int DarkPixels(const QImage& image, const TRect& r) {
  int n = 0;
  for (int y = std::max(r.Top, 0); y < std::min(r.Bottom, image.height()); ++y)
    for (int x = std::max(r.Left, 0); x < std::min(r.Right, image.width()); ++x)
      n += qGray(image.pixel(x, y)) < 100;
  return n;
}

TEST_F(QtStandardPeers, EveryStandardControlShowsAtItsPlaceWithItsCaption) {
  TFormatSettingsScope scope;
  TEdit edit(nullptr);
  TMaskEdit mask(nullptr);
  TMemo memo(nullptr);
  TListBox list(nullptr);
  TComboBox combo(nullptr);
  TCheckBox check(nullptr);
  TRadioButton radio(nullptr);
  TButton button(nullptr);
  TSpinEdit spin(nullptr);
  TDateTimePicker picker(nullptr);
  TGroupBox group(nullptr);
  TRadioGroup radios(nullptr);
  struct Placed {
    TWinControl* control;
    TRect bounds;
    const char* caption;
  };
  std::vector<Placed> placed = {
      {&edit, Rect(10, 10, 170, 34), "Edit text"},
      {&mask, Rect(10, 44, 170, 68), nullptr},
      {&memo, Rect(10, 78, 170, 158), "Memo line"},
      {&list, Rect(10, 168, 170, 248), nullptr},
      {&combo, Rect(190, 10, 350, 34), "Combo"},
      {&check, Rect(190, 44, 350, 64), "Check box"},
      {&radio, Rect(190, 74, 350, 94), "Radio button"},
      {&button, Rect(190, 104, 290, 134), "Button"},
      {&spin, Rect(190, 144, 290, 168), nullptr},
      {&picker, Rect(190, 178, 350, 202), nullptr},
      {&group, Rect(370, 10, 550, 110), "Group box"},
      {&radios, Rect(370, 120, 550, 240), "Radio group"},
  };
  for (const Placed& p : placed) {
    p.control->SetParent(&form);
    p.control->SetBounds(p.bounds.Left, p.bounds.Top, p.bounds.Width(), p.bounds.Height());
    if (p.caption) p.control->SetCaption(p.caption);
    p.control->HandleNeeded();
  }
  mask.SetEditMask("!9090/90/00;1;_");
  for (const char* s : {"First item", "Second item"}) list.Items().Add(s);
  list.SetItemIndex(1);
  for (const char* s : {"Add", "Remove"}) radios.Items().Add(s);
  radios.SetItemIndex(0);
  spin.SetValue(42);
  picker.SetDate(EncodeDate(2026, 12, 9));
  check.SetChecked(true);
  QWidget* window = QtPeer(form)->Widget();
  window->show();
  QApplication::processEvents();
  QImage shot = window->grab().toImage();
  shot.save(QString(QN_BINARY_DIR) + "/tests/platform/qt/standard_controls.png");

  for (const Placed& p : placed) {
    SCOPED_TRACE(p.caption ? p.caption : p.control->WindowClass());
    QWidget* w = QtPeer(*p.control)->Widget();
    EXPECT_EQ(w->geometry(), QRect(p.bounds.Left, p.bounds.Top, p.bounds.Width(), p.bounds.Height()));
    EXPECT_TRUE(w->isVisible());
    EXPECT_GT(DarkPixels(shot, p.bounds), 20);
  }
  EXPECT_EQ(NativeOf<QLineEdit>(edit)->text(), "Edit text");
  EXPECT_EQ(NativeOf<QPushButton>(button)->text(), "Button");
  EXPECT_EQ(NativeOf<QSpinBox>(spin)->text(), "42");
  EXPECT_EQ(NativeOf<QListWidget>(list)->currentRow(), 1);
  EXPECT_TRUE(QtPeer(*radios.Buttons(0))->Widget()->findChild<QRadioButton*>()->isChecked());
  // Between the controls the form's own background shows.
  EXPECT_EQ(DarkPixels(shot, Rect(175, 10, 185, 240)), 0);
}

}  // namespace
