// The rich edit without a window (headless run-list document): text and selection, attributes,
// streams and their messages, the clipboard, events, and formatting ranges for a device.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/headless/headless_backend_parts.h"
#include "platform/headless/headless_clipboard.h"
#include "platform/headless/recording_painter.h"
#include "platform/rtl/streams.h"
#include "platform/ui/rich_edit.h"
#include "platform/ui/rtf_reader.h"

namespace {

class RichEditTest : public ::testing::Test {
protected:
  void SetUp() override {
    InstallHeadlessRichEdit();
    InstallHeadlessClipboard();
  }
  TRichEdit Edit{nullptr};
};

TEST_F(RichEditTest, TextLinesAndSelectionCountCodePoints) {
  Edit.SetText("h\xC3\xA9llo\r\nw\xC3\xB6rld\n\xE4\xB8\xAD");
  EXPECT_EQ(Edit.Text(), "h\xC3\xA9llo\r\nw\xC3\xB6rld\r\n\xE4\xB8\xAD");
  EXPECT_EQ(Edit.GetTextLen(), 13);
  ASSERT_EQ(Edit.Lines().Count(), 3);
  EXPECT_EQ(Edit.Lines()[1], "w\xC3\xB6rld");
  Edit.SetSelStart(6);
  Edit.SetSelLength(5);
  EXPECT_EQ(Edit.SelText(), "w\xC3\xB6rld");
  Edit.SetSelLength(6);
  EXPECT_EQ(Edit.SelText(), "w\xC3\xB6rld\r\n");
  Edit.SetSelLength(100);
  EXPECT_EQ(Edit.SelLength(), 7);

  GETTEXTLENGTHEX gtl;
  EXPECT_EQ(Edit.Perform(EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&gtl)), 13);
  gtl.flags = GTL_NUMCHARS | GTL_USECRLF;
  EXPECT_EQ(Edit.Perform(EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&gtl)), 15);
  gtl.flags = GTL_NUMBYTES | GTL_USECRLF;
  EXPECT_EQ(Edit.Perform(EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&gtl)), 19);

  CHARRANGE r{2, 8};
  EXPECT_EQ(Edit.Perform(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&r)), 8);
  EXPECT_EQ(Edit.SelText(), "llo\r\nw\xC3\xB6");
  CHARRANGE back{};
  Edit.Perform(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&back));
  EXPECT_EQ(back.cpMin, 2);
  EXPECT_EQ(back.cpMax, 8);
  r = {0, -1};
  Edit.Perform(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(Edit.SelLength(), 13);

  // Replacing the selection puts the caret after the new text.
  Edit.SetSelStart(1);
  Edit.SetSelLength(4);
  Edit.SetSelText("i\r\nx");
  EXPECT_EQ(Edit.Lines()[0], "hi");
  EXPECT_EQ(Edit.Lines()[1], "x");
  EXPECT_EQ(Edit.SelStart(), 4);

  // Lines: a text that ends with a paragraph end has no empty last line.
  Edit.SetText("a\r\nb\r\n");
  EXPECT_EQ(Edit.Lines().Count(), 2);
  Edit.Lines().Add("c");
  EXPECT_EQ(Edit.Text(), "a\r\nb\r\nc\r\n");
  Edit.Lines().Delete(0);
  Edit.Lines().Insert(1, "m");
  Edit.Lines().SetStrings(0, "B");
  EXPECT_EQ(Edit.Text(), "B\r\nm\r\nc\r\n");
  Edit.Clear();
  EXPECT_EQ(Edit.Lines().Count(), 0);
  Edit.Lines().Add("only");
  EXPECT_EQ(Edit.Text(), "only");
  EXPECT_THROW(Edit.Lines().Delete(3), EListError);
}

TEST_F(RichEditTest, SelectionAttributesAndParagraphs) {
  Edit.SetText("abc def");
  Edit.SetSelStart(1);
  Edit.SetSelLength(1);
  Edit.SelAttributes().SetStyle({fsItalic});
  // Bold over three characters, one of them italic, keeps the italic one italic.
  for (int i = 0; i < 3; ++i) {
    Edit.SetSelStart(i);
    Edit.SetSelLength(1);
    Edit.SelAttributes().SetStyle(Edit.SelAttributes().Style() + TFontStyles{fsBold});
  }
  Edit.SetSelStart(0);
  Edit.SetSelLength(3);
  EXPECT_TRUE(Edit.SelAttributes().ConsistentAttributes().Contains(caBold));
  EXPECT_FALSE(Edit.SelAttributes().ConsistentAttributes().Contains(caItalic));
  EXPECT_TRUE(Edit.SelAttributes().Style().Contains(fsBold));
  Edit.SetSelStart(1);
  Edit.SetSelLength(1);
  EXPECT_EQ(Edit.SelAttributes().Style(), (TFontStyles{fsBold, fsItalic}));
  Edit.SetSelStart(0);
  Edit.SetSelLength(7);
  EXPECT_FALSE(Edit.SelAttributes().ConsistentAttributes().Contains(caBold));
  EXPECT_TRUE(Edit.SelAttributes().ConsistentAttributes().Contains(caFace));
  Edit.SelAttributes().SetSize(14);
  Edit.SelAttributes().SetColor(clBlue);
  Edit.SelAttributes().SetName("Courier New");
  EXPECT_EQ(Edit.SelAttributes().Size(), 14);
  EXPECT_EQ(Edit.SelAttributes().Name(), "Courier New");

  // Bold with no selection is for the text typed next.
  Edit.SetSelStart(7);
  CHARFORMAT cf;
  cf.dwMask = CFM_BOLD;
  cf.dwEffects = CFE_BOLD;
  EXPECT_EQ(Edit.Perform(EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf)), 1);
  Edit.SelAttributes().SetStyle({});  // typed after being switched off again
  Edit.Perform(EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
  for (char c : std::string("!?")) Edit.Perform(WM_CHAR, static_cast<WPARAM>(c));
  EXPECT_EQ(Edit.Text(), "abc def!?");
  Edit.SetSelStart(7);
  Edit.SetSelLength(2);
  EXPECT_EQ(Edit.SelAttributes().Style(), TFontStyles{fsBold});
  EXPECT_EQ(Edit.SelAttributes().Color(), clBlue);
  CHARFORMAT got;
  Edit.Perform(EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&got));
  EXPECT_TRUE(got.dwEffects & CFE_BOLD);
  EXPECT_EQ(got.yHeight, 280);

  Edit.SetText("one\r\ntwo\r\nthree");
  Edit.SetSelStart(5);
  Edit.SetSelLength(5);  // "two" and the start of "three"
  Edit.Paragraph().SetAlignment(taCenter);
  Edit.Paragraph().SetNumbering(nsBullet);
  Edit.Paragraph().SetLeftIndent(36);
  Edit.Paragraph().SetFirstIndent(-18);
  Edit.SetSelStart(0);
  EXPECT_EQ(Edit.Paragraph().Alignment(), taLeftJustify);
  Edit.SetSelStart(12);
  EXPECT_EQ(Edit.Paragraph().Alignment(), taCenter);
  EXPECT_EQ(Edit.Paragraph().Numbering(), nsBullet);
  EXPECT_EQ(Edit.Paragraph().LeftIndent(), 36);
  EXPECT_EQ(Edit.Paragraph().FirstIndent(), -18);
  std::string rtf = Edit.RichText();
  EXPECT_NE(rtf.find("\\qc\\li720\\fi-360"), std::string::npos) << rtf;
  EXPECT_NE(rtf.find("\\pnlvlblt"), std::string::npos);
}

TEST_F(RichEditTest, StreamsKeepFormatsAndPlainTextKeepsBytes) {
  Edit.SetText("Title\r\nbody text");
  Edit.SetSelStart(0);
  Edit.SetSelLength(5);
  Edit.SelAttributes().SetStyle({fsBold, fsUnderline});
  Edit.Paragraph().SetAlignment(taRightJustify);
  TMemoryStream stream;
  Edit.Lines().SaveToStream(stream);
  std::string saved(static_cast<const char*>(stream.Memory()), static_cast<std::size_t>(stream.Size()));
  EXPECT_TRUE(IsRtfText(saved));

  TRichEdit other(nullptr);
  stream.SetPosition(0);
  other.Lines().LoadFromStream(stream);
  EXPECT_EQ(other.Text(), Edit.Text());
  EXPECT_EQ(other.RichText(), Edit.RichText());

  TRichEdit plain(nullptr);
  plain.SetPlainText(true);
  stream.SetPosition(0);
  plain.Lines().LoadFromStream(stream);
  EXPECT_EQ(plain.Text().rfind("{\\rtf1", 0), 0u);
  TMemoryStream out;
  plain.SetText("caf\xC3\xA9\r\nline");
  plain.Lines().SaveToStream(out);
  EXPECT_EQ(std::string(static_cast<const char*>(out.Memory()), static_cast<std::size_t>(out.Size())),
            "caf\xC3\xA9\r\nline");
  // Bytes that are not UTF-8 are taken as Windows-1252, never lost.
  plain.SetText("caf\xE9 \x80");
  EXPECT_EQ(plain.Text(), "caf\xC3\xA9 \xE2\x82\xAC");
}

// A stream callback over a byte string, a few bytes at a time; it reports failure when fewer
// bytes arrive than asked for, as a reader of a block of known length does.
struct TSource {
  std::string Bytes;
  std::size_t At = 0;
  std::size_t Step = 3;
};

DWORD ReadSome(std::uintptr_t cookie, BYTE* buffer, LONG cb, LONG* pcb) {
  auto* s = reinterpret_cast<TSource*>(cookie);
  std::size_t n = std::min<std::size_t>({static_cast<std::size_t>(cb), s->Step, s->Bytes.size() - s->At});
  std::memcpy(buffer, s->Bytes.data() + s->At, n);
  s->At += n;
  *pcb = static_cast<LONG>(n);
  return n < s->Step ? 0x80004005u : 0;
}

TEST_F(RichEditTest, StreamMessagesInsertAtTheSelectionAndRefuseBadDocuments) {
  Edit.SetText("[]");
  Edit.SetSelStart(1);
  int changes = 0;
  Edit.OnChange = [&](TObject*) { ++changes; };
  TSource source{"{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 in{\\b se}rt}"};
  EDITSTREAM es;
  es.dwCookie = reinterpret_cast<std::uintptr_t>(&source);
  es.pfnCallback = ReadSome;
  EXPECT_EQ(Edit.Perform(EM_STREAMIN, SF_RTF | SFF_SELECTION, reinterpret_cast<LPARAM>(&es)), 6);
  EXPECT_EQ(es.dwError, 0x80004005u);  // the short last read; what came before it counts
  EXPECT_EQ(Edit.Text(), "[insert]");
  EXPECT_EQ(changes, 1);
  Edit.SetSelStart(3);
  Edit.SetSelLength(2);
  EXPECT_EQ(Edit.SelAttributes().Style(), TFontStyles{fsBold});

  // Out in pieces.
  std::string collected;
  EDITSTREAM out;
  out.dwCookie = reinterpret_cast<std::uintptr_t>(&collected);
  out.pfnCallback = [](std::uintptr_t cookie, BYTE* buffer, LONG cb, LONG* pcb) -> DWORD {
    reinterpret_cast<std::string*>(cookie)->append(reinterpret_cast<char*>(buffer), static_cast<std::size_t>(cb));
    *pcb = cb;
    return 0;
  };
  LRESULT n = Edit.Perform(EM_STREAMOUT, SF_RTF, reinterpret_cast<LPARAM>(&out));
  EXPECT_EQ(collected, Edit.RichText());
  EXPECT_EQ(n, static_cast<LRESULT>(collected.size()));
  collected.clear();
  Edit.Perform(EM_STREAMOUT, SF_TEXT | SFF_SELECTION, reinterpret_cast<LPARAM>(&out));
  EXPECT_EQ(collected, "se");

  // A bad document changes nothing and fires nothing.
  std::string before = Edit.RichText();
  TSource bad{"{\\rtf1 " + std::string(500, '{') + "x"};
  bad.Step = 4096;
  es.dwCookie = reinterpret_cast<std::uintptr_t>(&bad);
  EXPECT_EQ(Edit.Perform(EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&es)), 0);
  EXPECT_NE(es.dwError, 0u);
  EXPECT_EQ(Edit.RichText(), before);
  EXPECT_EQ(changes, 1);
  EXPECT_THROW(Edit.SetRichText("{\\rtf1 \\'zz}"), ERtfError);
  EXPECT_EQ(Edit.RichText(), before);
}

TEST_F(RichEditTest, EventsFireOncePerChange) {
  int changes = 0, selections = 0;
  Edit.OnChange = [&](TObject* sender) {
    EXPECT_EQ(sender, &Edit);
    ++changes;
  };
  Edit.OnSelectionChange = [&](TObject*) { ++selections; };
  Edit.SetText("abc");
  EXPECT_EQ(changes, 1);
  Edit.Lines().Add("d");
  EXPECT_EQ(changes, 2);
  Edit.SetSelStart(1);
  Edit.SetSelStart(1);
  EXPECT_EQ(selections, 1);
  Edit.SetSelLength(2);
  Edit.SelAttributes().SetStyle({fsBold});
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(selections, 2);
  EXPECT_TRUE(Edit.Modified());
  // Shortening the text pulls the selection in.
  Edit.SetText("");
  EXPECT_EQ(Edit.SelStart(), 0);
  EXPECT_EQ(Edit.SelLength(), 0);

  Edit.SetMaxLength(5);
  Edit.SetText("1234567");
  EXPECT_EQ(Edit.Text(), "12345");
  Edit.SetReadOnly(true);
  Edit.Perform(WM_CHAR, 'x');
  EXPECT_EQ(Edit.Text(), "12345");
}

TEST_F(RichEditTest, CopyAndPasteCarryRichText) {
  Edit.SetText("plain BOLD");
  Edit.SetSelStart(6);
  Edit.SetSelLength(4);
  Edit.SelAttributes().SetStyle({fsBold});
  Edit.SetSelStart(4);
  Edit.SetSelLength(6);
  Edit.CopyToClipboard();
  EXPECT_EQ(Clipboard().AsText(), "n BOLD");
  ASSERT_TRUE(Clipboard().HasFormat(CF_RTF()));

  TRichEdit target(nullptr);
  target.SetText("<>");
  target.SetSelStart(1);
  target.Perform(WM_PASTE);
  EXPECT_EQ(target.Text(), "<n BOLD>");
  EXPECT_EQ(target.SelStart(), 7);
  target.SetSelStart(3);
  target.SetSelLength(4);
  EXPECT_EQ(target.SelAttributes().Style(), TFontStyles{fsBold});

  TRichEdit plain(nullptr);
  plain.SetPlainText(true);
  plain.PasteFromClipboard();
  EXPECT_EQ(plain.Text(), "n BOLD");

  // Unreadable rich text on the clipboard: the text is pasted.
  Clipboard().Open();
  Clipboard().SetAsText("fallback");
  Clipboard().SetAsHandle(CF_RTF(), GlobalAllocBytes("{\\rtf1 \\bin999 x}", true));
  Clipboard().Close();
  TRichEdit third(nullptr);
  third.PasteFromClipboard();
  EXPECT_EQ(third.Text(), "fallback");

  Edit.SetSelStart(0);
  Edit.SetSelLength(6);
  Edit.CutToClipboard();
  EXPECT_EQ(Edit.Text(), "BOLD");
  EXPECT_EQ(Clipboard().AsText(), "plain ");
}

// ---- Formatting ranges -------------------------------------------------------------------

TEST_F(RichEditTest, FormatRangePagesEveryCharacterOnce) {
  std::string words;
  for (int i = 0; i < 60; ++i) words += "word" + std::to_string(i) + (i % 17 == 16 ? "\r\n" : " ");
  Edit.DefAttributes().SetSize(10);
  Edit.SetText(words);
  int length = Edit.GetTextLen();
  // A 300 dpi printer: a 10 point font is 42 pixels, its cells 50 high and 25 wide.
  TCanvas printer;
  printer.SetOwnedPainter(std::make_unique<TRecordingPainter>(nullptr, 2400, 3300, 300));
  FORMATRANGE fr;
  fr.hdc = fr.hdcTarget = &printer;
  fr.rc = Rect(0, 0, 1440 * 2, 720);  // 600 x 150 pixels: 24 characters a line, 3 lines
  fr.rcPage = Rect(0, 0, 1440 * 8, 1440 * 11);
  Edit.Perform(EM_FORMATRANGE, 0, 0);
  std::vector<int> starts;
  int at = 0;
  while (at < length) {
    starts.push_back(at);
    fr.chrg = {at, -1};
    int next = static_cast<int>(Edit.Perform(EM_FORMATRANGE, 0, reinterpret_cast<LPARAM>(&fr)));
    ASSERT_GT(next, at);
    at = next;
  }
  EXPECT_EQ(at, length);
  ASSERT_GT(starts.size(), 3u);
  // Pages break between words: every page but the first starts a word.
  std::string text = Edit.Text();
  for (std::size_t i = 1; i < starts.size(); ++i) {
    Edit.SetSelStart(starts[i] - 1);
    Edit.SetSelLength(1);
    std::string before = Edit.SelText();
    EXPECT_TRUE(before == " " || before == "\r\n") << i << " '" << before << "' " << starts[i];
  }

  // Render the second page on a 96 dpi screen canvas formatted for the printer.
  TCanvas screen;
  auto recorder = std::make_unique<TRecordingPainter>(nullptr, 800, 600, 96);
  TRecordingPainter* rec = recorder.get();
  screen.SetOwnedPainter(std::move(recorder));
  fr.hdc = &screen;
  fr.rc = Rect(1440, 720, 1440 * 3, 1440 + 720);
  fr.chrg = {starts[1], starts[2]};
  EXPECT_EQ(Edit.Perform(EM_FORMATRANGE, 1, reinterpret_cast<LPARAM>(&fr)), starts[2]);
  std::vector<const TPaintCall*> runs = rec->TextCalls();
  ASSERT_FALSE(runs.empty());
  std::string drawn;
  for (const TPaintCall* c : runs) {
    EXPECT_GE(c->Rect.Left, 96);
    EXPECT_LE(c->Rect.Right, 96 * 3 + 1);
    EXPECT_GE(c->Rect.Top, 48);
    EXPECT_LE(c->Rect.Bottom, 48 + 96 + 1);
    EXPECT_EQ(c->Font.Height, -13);  // 10 points at 96 dpi
    drawn += c->Text;
  }
  Edit.SetSelStart(starts[1]);
  Edit.SetSelLength(starts[2] - starts[1]);
  std::string expected;
  for (char c : Edit.SelText())
    if (c != ' ' && c != '\r' && c != '\n') expected += c;
  std::string got;
  for (char c : drawn)
    if (c != ' ') got += c;
  EXPECT_EQ(got, expected);
  EXPECT_EQ(runs.front()->Rect.Left, 96);  // left aligned at the rectangle's edge
  // On the printer's baseline: its ascent (40 of 300 dpi) less the screen font's (12).
  EXPECT_EQ(runs.front()->Rect.Top, 48 + 13 - 12);

  // A line too tall for the rectangle still goes on the page, so paging moves on.
  fr.hdc = &printer;
  fr.rc = Rect(0, 0, 1440, 10);
  fr.chrg = {0, -1};
  EXPECT_GT(Edit.Perform(EM_FORMATRANGE, 0, reinterpret_cast<LPARAM>(&fr)), 0);
  TRichEdit empty(nullptr);
  fr.chrg = {0, -1};
  EXPECT_EQ(empty.Perform(EM_FORMATRANGE, 0, reinterpret_cast<LPARAM>(&fr)), 0);
}

TEST_F(RichEditTest, FormatRangeAlignsAndIndents) {
  Edit.DefAttributes().SetSize(10);
  Edit.SetText("ab\r\ncd\r\nef");
  Edit.SetSelStart(3);
  Edit.Paragraph().SetAlignment(taRightJustify);
  Edit.SetSelStart(6);
  Edit.Paragraph().SetAlignment(taCenter);
  Edit.Paragraph().SetLeftIndent(72);  // one inch
  TCanvas canvas;
  auto recorder = std::make_unique<TRecordingPainter>(nullptr, 2000, 2000, 96);
  TRecordingPainter* rec = recorder.get();
  canvas.SetOwnedPainter(std::move(recorder));
  FORMATRANGE fr;
  fr.hdc = &canvas;
  fr.rc = Rect(0, 0, 1440 * 4, 1440 * 4);  // 384 pixels wide
  fr.chrg = {0, -1};
  EXPECT_EQ(Edit.Perform(EM_FORMATRANGE, 1, reinterpret_cast<LPARAM>(&fr)), Edit.GetTextLen());
  std::vector<const TPaintCall*> runs = rec->TextCalls();
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0]->Rect.Left, 0);
  EXPECT_EQ(runs[1]->Rect.Right, 384);                       // right aligned
  // Centred between the indent and the edge: cells 15 high, characters 8 wide.
  EXPECT_EQ(runs[2]->Rect.Left, 96 + (384 - 96 - 16) / 2);
  EXPECT_EQ(runs[1]->Rect.Top, 15);
}

}  // namespace
