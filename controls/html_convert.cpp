#include "controls/html_convert.h"

#include <algorithm>
#include <cctype>

#include "platform/gfx/colors.h"
#include "platform/rtl/sysutils.h"
#include "platform/rtl/utf8_text.h"
#include "platform/ui/application.h"

namespace {

struct TEntityRow {
  char32_t Character;
  std::string Html;
};

// The table, in its order: named rows, the two odd numeric ones, then Latin-1 characters as
// numeric references to their own codes. A character found twice takes its first row.
const std::vector<TEntityRow>& EntityTable() {
  static const std::vector<TEntityRow> table = [] {
    std::vector<TEntityRow> t = {
        {U'"', "&quot;"},   {0xE0, "&agrave;"}, {0xE7, "&ccedil;"}, {0xE9, "&eacute;"},
        {0xE8, "&egrave;"}, {0xEA, "&ecirc;"},  {0xF9, "&ugrave;"}, {0xEB, "&euml;"},
        {U'<', "&lt;"},     {U'>', "&gt;"},     {U'^', "&#136;"},   {U'~', "&#152;"}};
    auto add = [&](int from, int to) {
      for (int n = from; n <= to; ++n) t.push_back({static_cast<char32_t>(n), "&#" + std::to_string(n) + ";"});
    };
    for (int n : {163, 167, 176, 178, 179, 181, 183, 188, 189, 191}) add(n, n);
    add(192, 207);
    add(209, 214);
    add(217, 221);
    add(223, 223);
    add(224, 239);
    add(241, 247);
    add(249, 253);
    add(255, 255);
    return t;
  }();
  return table;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool SameNoCase(const std::string& s, std::size_t at, const std::string& what) {
  if (at + what.size() > s.size()) return false;
  for (std::size_t i = 0; i < what.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(s[at + i])) != std::tolower(static_cast<unsigned char>(what[i])))
      return false;
  return true;
}

}  // namespace

// ---- Colours ----------------------------------------------------------------------------------

void TVcRgbToHtml::SetRgbColor(TColor value) {
  FRgbColor = value;
  COLORREF rgb = ColorToRGB(value);
  FHtmlColor = Format("%.2X%.2X%.2X", {GetRValue(rgb), GetGValue(rgb), GetBValue(rgb)});
}

void TVcRgbToHtml::SetHtmlColor(const std::string& value) {
  if (value.size() != 6) return;
  int parts[3];
  for (int i = 0; i < 3; ++i) {
    int hi = HexValue(value[2 * i]), lo = HexValue(value[2 * i + 1]);
    if (hi < 0 || lo < 0) return;
    parts[i] = hi * 16 + lo;
  }
  FRgbColor = static_cast<TColor>(RGB(parts[0], parts[1], parts[2]));
  FHtmlColor = value;
}

// ---- Entities ---------------------------------------------------------------------------------

std::string TVcStrToHtml::TextToHtml(const std::string& text) const {
  std::string s = text;
  for (const TEntityRow& row : EntityTable()) {
    std::string ch = Utf8Encode(row.Character);
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
      if (s[i] == '&' && SameNoCase(s, i, row.Html)) {
        out += ch;
        i += row.Html.size();
      } else {
        out += s[i++];
      }
    }
    s.swap(out);
  }
  return s;
}

std::string TVcStrToHtml::CharToHtml(char32_t character) const {
  for (const TEntityRow& row : EntityTable())
    if (row.Character == character) return row.Html;
  return Utf8Encode(character);
}

std::string TVcStrToHtml::HtmlToText(const std::string& text) const {
  std::string out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    std::size_t start = at;
    char32_t c = NextCodePoint(text, at);
    if (c < 0x80 && c != U'"' && c != U'<' && c != U'>' && c != U'^' && c != U'~') out.append(text, start, at - start);
    else out += CharToHtml(c);
  }
  return out;
}

// ---- Rich text ----------------------------------------------------------------------------------

TVcRichEditToHtml::TVcRichEditToHtml(TComponent* AOwner)
    : TVcComponent(AOwner), FColor(new TVcRgbToHtml(this)), FStrings(new TVcStrToHtml(this)) {}

std::string TVcRichEditToHtml::FontOpening(const TRichCharFormat& font) {
  FFontClosing = "</FONT>";
  FColor->SetRgbColor(font.Color);
  std::string out = "<FONT COLOR=#" + FColor->HtmlColor() + " SIZE=" + std::to_string(font.HalfPoints / 2 % 8 + 2) +
                    " FACE=\"" + font.Name + "\">";
  const struct { TFontStyle Style; const char* Open; const char* Close; } kStyles[] = {
      {fsBold, "<B>", "</B>"}, {fsItalic, "<I>", "</I>"}, {fsStrikeOut, "<STRIKE>", "</STRIKE>"},
      {fsUnderline, "<U>", "</U>"}};
  for (const auto& s : kStyles) {
    if (!font.Style.Contains(s.Style)) continue;
    FFontClosing = s.Close + FFontClosing;
    out += s.Open;
  }
  return out;
}

std::string TVcRichEditToHtml::ParagraphOpening(TRichAlignment alignment, bool bullet) {
  FParagraphClosing = "</P>";
  std::string out = alignment == raRight ? "<P ALIGN=\"RIGHT\">"
                    : alignment == raCenter ? "<P ALIGN=\"CENTER\">"
                                            : "<P ALIGN=\"LEFT\">";
  if (bullet) {
    out = "<LI>" + out;
    FParagraphClosing += "</LI>";
  }
  return out;
}

namespace {

bool SameFont(const TRichCharFormat& a, const TRichCharFormat& b) {
  return a.Color == b.Color && a.Style == b.Style && a.Name == b.Name && a.HalfPoints / 2 == b.HalfPoints / 2;
}

}  // namespace

void TVcRichEditToHtml::ConvertToHtmlStrings(TCustomRichEdit& richEdit, TStrings& lines) {
  lines.BeginUpdate();
  try {
    lines.Clear();
    lines.Add("<HTML>");
    lines.Add(Format("<TITLE>%s</TITLE>", {FTitle}));
    lines.Add("<BODY>");
    TRichCharFormat def = richEdit.DefAttributes().Get();
    lines.Add(FontOpening(def));
    std::string defaultClosing = FFontClosing;
    TRichCharFormat last = def;
    FFontClosing.clear();
    FParagraphClosing.clear();
    TRichAlignment lastAlignment = raLeft;
    bool lastBullet = false;
    // The characters and their formats are read from the document paragraph by paragraph, as
    // selecting each character alone would give them, without moving the selection.
    TRichContent content = richEdit.Document().Content();
    std::size_t count = std::min<std::size_t>(static_cast<std::size_t>(richEdit.Lines().Count()),
                                              content.Paragraphs.size());
    {
      for (std::size_t i = 0; i < count; ++i) {
        const TRichParagraph& para = content.Paragraphs[i];
        std::string out;
        lastBullet = false;
        TRichAlignment alignment = para.Format.Alignment == raJustify ? raLeft : para.Format.Alignment;
        for (const TRichRun& run : para.Runs) {
          for (std::size_t at = 0; at < run.Text.size();) {
            char32_t c = NextCodePoint(run.Text, at);
            if (!SameFont(run.Format, last)) {
              out += FFontClosing;
              last = run.Format;
              out += FontOpening(run.Format);
            }
            if (alignment != lastAlignment || para.Format.Bullet != lastBullet) {
              out += FParagraphClosing;
              lastAlignment = alignment;
              lastBullet = para.Format.Bullet;
              out += ParagraphOpening(alignment, lastBullet);
            }
            out += FStrings->CharToHtml(c);
          }
        }
        lines.Add("<BR>" + out);
        if (Application) Application->ProcessMessages();
      }
    }
    lines.Add(FFontClosing);
    lines.Add(FParagraphClosing);
    lines.Add(defaultClosing);
    lines.Add("</BODY>");
    lines.Add("</HTML>");
  } catch (...) {
    lines.EndUpdate();
    throw;
  }
  lines.EndUpdate();
}

void TVcRichEditToHtml::ConvertToHtml(TCustomRichEdit& richEdit, const std::string& fileName) {
  TStringList lines;
  ConvertToHtmlStrings(richEdit, lines);
  lines.SaveToFile(fileName);
}
