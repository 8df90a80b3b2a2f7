// The rich text reader, and a rich edit fed with rich text and turned into an HTML page.  The
// first byte picks the target: 'r' the reader alone (what it read is written and read back, and
// the writer is stable), 'e' a rich edit taking the document whole and over a selection, then
// the HTML converter of its text.
#include "controls/html_convert.h"
#include "fuzz_support.h"
#include "platform/headless/headless_peer.h"
#include "platform/rtl/string_list.h"
#include "platform/ui/rich_edit.h"
#include "platform/ui/rtf_reader.h"
#include "platform/ui/rtf_writer.h"

namespace {

// Paragraphs of text with tabs, line breaks and characters beyond Windows-1252, bulleted and
// indented, in a struck-out coloured font.
TRichContent Sample() {
  TRichCharFormat Format;
  Format.Name = "Courier New";
  Format.HalfPoints = 29;
  Format.Style = {fsUnderline, fsStrikeOut};
  Format.Color = static_cast<TColor>(RGB(1, 2, 3));
  TRichParaFormat Para;
  Para.Bullet = true;
  Para.LeftIndent = 720;
  Para.FirstIndent = -360;
  Para.Alignment = raRight;
  return ContentFromText("under\\{x}\r\ncaf\xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD \xF0\x9F\x98\x80\tx\vy\r\n", Format, Para);
}

std::string EditedDocument() {
  TRichEdit Edit(nullptr);
  Edit.SetText("First line\r\nsecond <b>&amp; line\r\nthird");
  Edit.SetSelStart(2);
  Edit.SetSelLength(8);
  Edit.SelAttributes().SetStyle({fsBold, fsItalic});
  Edit.SelAttributes().SetColor(clBlue);
  Edit.Paragraph().SetAlignment(taCenter);
  Edit.SetSelStart(14);
  Edit.SetSelLength(4);
  Edit.Paragraph().SetNumbering(nsBullet);
  return Edit.RichText();
}

void SetUp() { InstallHeadlessBackend(); }

}  // namespace

std::vector<std::string> FuzzSeeds() {
  const std::string Written = WriteRtf(Sample());
  const std::string Edited = EditedDocument();
  return {"r" + Written, "e" + Written, "r" + Edited, "e" + Edited,
          "r{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red255\\green0\\blue0;}"
          "{\\*\\unknown skipped}\\f0\\fs24\\cf1 a\\'e9\\u8364?\\par\\pard\\qc\\b b\\tab c\\line d}"};
}

QN_FUZZ_SET_UP_THEN_SEEDS(SetUp)

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  if (Size == 0) return 0;
  const std::string Bytes(fuzz::AsView(Data + 1, Size - 1));
  try {
    switch (Data[0]) {
      case 'r': {
        IsRtfText(Bytes);
        RtfToPlainText(Bytes);
        const TRichContent Read = ReadRtf(Bytes);
        const std::string Once = WriteRtf(Read);
        // What the writer writes is read back, and written again the same.
        if (const std::string Twice = WriteRtf(ReadRtf(Once)); Twice != Once) {
          std::fprintf(stderr, "written once:\n%s\nwritten again:\n%s\n", Once.c_str(), Twice.c_str());
          __builtin_trap();
        }
        break;
      }
      case 'e': {
        TRichEdit Edit(nullptr);
        Edit.SetText("one\r\ntwo three\r\nfour");
        Edit.SetSelStart(5);
        Edit.SetSelLength(6);
        try {
          Edit.SetRichText(Bytes, true);
        } catch (const ERtfError&) {
        }
        try {
          Edit.SetRichText(Bytes);
        } catch (const ERtfError&) {
        }
        Edit.RichText();
        TVcRichEditToHtml Converter(nullptr);
        Converter.SetTitle("<title>");
        TStringList Lines;
        Converter.ConvertToHtmlStrings(Edit, Lines);
        break;
      }
      default:
        break;
    }
  } catch (const Exception&) {
  }
  return 0;
}
