// The rich edit on the Qt backend (offscreen): its document over QTextDocument keeps what the
// run list keeps, counts code points, and its QTextEdit peer shows the same text and selection.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTextEdit>
#include <string>
#include <vector>

#include "platform/gfx/bitmap.h"
#include "platform/qt/qt_clipboard.h"
#include "platform/ui/rich_edit.h"
#include "platform/ui/rtf_reader.h"

namespace {

const char* const kSample =
    "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fcharset0 Arial;}{\\f1\\fcharset0 Courier New;}}"
    "{\\colortbl ;\\red200\\green10\\blue20;}"
    "\\pard\\qc\\plain\\f0\\fs28\\b Title\\par"
    "\\pard\\li720\\fi-360\\ri144{\\*\\pn\\pnlvlblt}\\plain\\f1\\fs20\\cf1\\i item \\ul one\\par"
    "\\pard\\qr\\plain\\f0\\fs20 emoji \\u-10179?\\u-8704? and caf\\'e9\\line next}";

TEST(QtRichEdit, DocumentKeepsTextAndFormats) {
  TRichEdit edit(nullptr);
  edit.SetRichText(kSample);
  TRichContent expected = ReadRtf(kSample);
  TRichContent got = ReadRtf(edit.RichText());
  ASSERT_EQ(got.Paragraphs.size(), expected.Paragraphs.size());
  for (std::size_t i = 0; i < got.Paragraphs.size(); ++i) {
    EXPECT_EQ(got.Paragraphs[i].Format, expected.Paragraphs[i].Format) << i;
    EXPECT_EQ(got.Paragraphs[i].Runs, expected.Paragraphs[i].Runs) << i;
  }
  // Positions count code points: the emoji is one.
  EXPECT_EQ(edit.GetTextLen(), CodePointCount(ContentText(expected, "\r")));
  edit.SetSelStart(6 + 9 + 6);
  edit.SetSelLength(1);
  EXPECT_EQ(edit.SelText(), "\xF0\x9F\x98\x80");
  edit.SetSelLength(5);
  EXPECT_EQ(edit.SelText(), "\xF0\x9F\x98\x80 and");
  edit.SelAttributes().SetStyle({fsStrikeOut});
  edit.SetSelLength(1);
  EXPECT_EQ(edit.SelAttributes().Style(), TFontStyles{fsStrikeOut});
  EXPECT_EQ(edit.Lines()[1], "item one");
  EXPECT_EQ(edit.Lines().Count(), 3);
  edit.Lines().Delete(0);
  EXPECT_EQ(edit.Lines()[0], "item one");
  edit.SetSelStart(0);
  EXPECT_EQ(edit.Paragraph().Numbering(), nsBullet);
  EXPECT_EQ(edit.Paragraph().LeftIndent(), 36);
}

TEST(QtRichEdit, PeerShowsTheDocumentAndReportsTheSelection) {
  TRichEdit edit(nullptr);
  edit.SetBounds(0, 0, 300, 200);
  edit.SetText("first line\r\nsecond \xF0\x9F\x98\x80 line");
  edit.HandleNeeded();
  auto* view = qobject_cast<QTextEdit*>(DropWidgetOf(edit));
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->toPlainText().toStdString(), "first line\nsecond \xF0\x9F\x98\x80 line");
  edit.SetSelStart(11);
  edit.SetSelLength(8);
  EXPECT_EQ(view->textCursor().selectedText().toStdString(), "second \xF0\x9F\x98\x80");
  int selections = 0, changes = 0;
  edit.OnSelectionChange = [&](TObject*) { ++selections; };
  edit.OnChange = [&](TObject*) { ++changes; };
  // The user selects "line" at the end and types over it.
  QTextCursor c = view->textCursor();
  c.setPosition(view->toPlainText().size() - 4);
  c.setPosition(view->toPlainText().size(), QTextCursor::KeepAnchor);
  view->setTextCursor(c);
  EXPECT_EQ(edit.SelStart(), 20);
  EXPECT_EQ(edit.SelLength(), 4);
  EXPECT_GE(selections, 1);
  view->textCursor().insertText("end");
  EXPECT_EQ(edit.Text(), "first line\r\nsecond \xF0\x9F\x98\x80 end");
  EXPECT_GE(changes, 1);
}

TEST(QtRichEdit, TypedKeysReachTheControlsKeyEventsFirst) {
  TRichEdit edit(nullptr);
  edit.SetBounds(0, 0, 300, 200);
  edit.HandleNeeded();
  auto* view = qobject_cast<QTextEdit*>(DropWidgetOf(edit));
  ASSERT_NE(view, nullptr);
  std::vector<std::string> log;
  edit.OnKeyDown = [&](TObject*, WORD& key, TShiftState) {
    log.push_back("down " + std::to_string(key));
    if (key == VK_F2) key = 0;
  };
  edit.OnKeyUp = [&](TObject*, WORD& key, TShiftState) { log.push_back("up " + std::to_string(key)); };
  edit.OnKeyPress = [&](TObject*, char32_t& key) {
    log.push_back(std::string("press ") + static_cast<char>(key));
    if (key == 'x') key = 0;       // swallowed
    else if (key == 'a') key = 'A';  // replaced
  };
  auto type = [&](int qtKey, const QString& text) {
    QKeyEvent down(QEvent::KeyPress, qtKey, Qt::NoModifier, text);
    QApplication::sendEvent(view, &down);
    QKeyEvent up(QEvent::KeyRelease, qtKey, Qt::NoModifier, text);
    QApplication::sendEvent(view, &up);
  };
  type(Qt::Key_B, "b");
  type(Qt::Key_X, "x");
  type(Qt::Key_A, "a");
  type(Qt::Key_C, "c");
  // Each key once: the editor typed what the handlers left, and nothing twice.
  EXPECT_EQ(edit.Text(), "bAc");
  EXPECT_EQ(log, (std::vector<std::string>{"down 66", "press b", "up 66", "down 88", "press x", "up 88", "down 65",
                                           "press a", "up 65", "down 67", "press c", "up 67"}));
  // The editor still edits on its own: Backspace deletes; a key OnKeyDown zeroes does nothing.
  log.clear();
  type(Qt::Key_Backspace, "\b");
  EXPECT_EQ(edit.Text(), "bA");
  type(Qt::Key_F2, "");
  EXPECT_EQ(log.back(), "up 113");
  EXPECT_EQ(edit.Text(), "bA");
}

TEST(QtRichEdit, FormatRangeDrawsOnAQtCanvas) {
  TRichEdit edit(nullptr);
  edit.DefAttributes().SetSize(12);
  edit.SetText("Printed words on a page");
  TBitmap bmp;
  bmp.SetSize(400, 100);
  bmp.Canvas().Brush().SetColor(clWhite);
  bmp.Canvas().FillRect(Rect(0, 0, 400, 100));
  FORMATRANGE fr;
  fr.hdc = fr.hdcTarget = &bmp.Canvas();
  fr.rc = Rect(0, 0, 1440 * 4, 1440);
  fr.chrg = {0, -1};
  EXPECT_EQ(edit.Perform(EM_FORMATRANGE, 1, reinterpret_cast<LPARAM>(&fr)), edit.GetTextLen());
  int dark = 0, below = 0;
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 400; ++x) {
      COLORREF c = bmp.PixelAt(x, y);
      if (GetRValue(c) < 100 && GetGValue(c) < 100 && GetBValue(c) < 100) (y < 30 ? dark : below)++;
    }
  EXPECT_GT(dark, 100);  // one line of 12 point text at 96 dpi
  EXPECT_EQ(below, 0);
}

}  // namespace
