#include "platform/ui/rtf_writer.h"

#include <algorithm>
#include <map>
#include <vector>

#include "platform/ui/rtf_charset.h"

namespace {

struct TFontKey {
  std::string Name;
  int Charset = 1;
  TFontPitch Pitch = fpDefault;
  friend bool operator<(const TFontKey& a, const TFontKey& b) {
    return std::tie(a.Name, a.Charset, a.Pitch) < std::tie(b.Name, b.Charset, b.Pitch);
  }
};

constexpr const char* kBulletFont = "Symbol";

class TRtfWriter {
public:
  explicit TRtfWriter(const TRichContent& c) : FIn(c) {}

  std::string Run() {
    CollectTables();
    std::string body;
    body.reserve(ContentText(FIn, "\r\n").size() * 11 / 10 + 64);
    for (std::size_t i = 0; i < FIn.Paragraphs.size(); ++i) {
      const TRichParagraph& p = FIn.Paragraphs[i];
      Paragraph(body, p.Format);
      for (const TRichRun& r : p.Runs) {
        Format(body, r.Format);
        Text(body, r.Text);
      }
      Format(body, p.EndFormat);
      if (i + 1 < FIn.Paragraphs.size()) body += "\\par\r\n";
    }
    std::string out = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl";
    for (std::size_t i = 0; i < FFontList.size(); ++i) {
      const TFontKey& f = FFontList[i];
      out += "{\\f" + std::to_string(i) + (f.Pitch == fpFixed ? "\\fmodern" : "\\fnil");
      if (f.Pitch != fpDefault) out += f.Pitch == fpFixed ? "\\fprq1" : "\\fprq2";
      out += "\\fcharset" + std::to_string(f.Charset) + ' ';
      Text(out, f.Name);
      out += ";}";
    }
    out += "}\r\n{\\colortbl ;";
    for (COLORREF c : FColorList)
      out += "\\red" + std::to_string(GetRValue(c)) + "\\green" + std::to_string(GetGValue(c)) + "\\blue" +
             std::to_string(GetBValue(c)) + ';';
    out += "}\r\n";
    out += body;
    out += "}\r\n";
    return out;
  }

private:
  static COLORREF Rgb(TColor c) { return ColorToRGB(c); }

  void CollectTables() {
    auto font = [&](const TRichCharFormat& f) {
      TFontKey k{f.Name, f.Charset, f.Pitch};
      if (FFonts.emplace(k, static_cast<int>(FFontList.size())).second) FFontList.push_back(k);
    };
    auto color = [&](const TRichCharFormat& f) {
      if (f.Color == clWindowText) return;
      COLORREF c = Rgb(f.Color);
      if (FColors.emplace(c, static_cast<int>(FColorList.size()) + 1).second) FColorList.push_back(c);
    };
    bool bullets = false;
    for (const TRichParagraph& p : FIn.Paragraphs) {
      for (const TRichRun& r : p.Runs) font(r.Format), color(r.Format);
      font(p.EndFormat);
      color(p.EndFormat);
      bullets = bullets || p.Format.Bullet;
    }
    if (bullets) {
      TFontKey k{kBulletFont, 2, fpDefault};
      auto [it, added] = FFonts.emplace(k, static_cast<int>(FFontList.size()));
      if (added) FFontList.push_back(k);
      FBulletFont = it->second;
    }
  }

  void Paragraph(std::string& out, const TRichParaFormat& f) {
    out += "\\pard";
    if (f.Alignment == raCenter) out += "\\qc";
    else if (f.Alignment == raRight) out += "\\qr";
    else if (f.Alignment == raJustify) out += "\\qj";
    if (f.LeftIndent) out += "\\li" + std::to_string(f.LeftIndent);
    if (f.RightIndent) out += "\\ri" + std::to_string(f.RightIndent);
    if (f.FirstIndent) out += "\\fi" + std::to_string(f.FirstIndent);
    if (f.Bullet) {
      std::string bf = "\\f" + std::to_string(FBulletFont);
      out += "{\\pntext" + bf + "\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf" + std::to_string(FBulletFont) +
             "\\pnindent0{\\pntxtb\\'B7}}";
    }
    // The character format follows as control words, so no delimiter is needed here.
    FHave = false;
  }

  void Format(std::string& out, const TRichCharFormat& f) {
    if (FHave && f == FLast) return;
    out += "\\plain\\f" + std::to_string(FFonts.at(TFontKey{f.Name, f.Charset, f.Pitch}));
    out += "\\fs" + std::to_string(f.HalfPoints);
    if (f.Color != clWindowText) out += "\\cf" + std::to_string(FColors.at(Rgb(f.Color)));
    if (f.Style.Contains(fsBold)) out += "\\b";
    if (f.Style.Contains(fsItalic)) out += "\\i";
    if (f.Style.Contains(fsUnderline)) out += "\\ul";
    if (f.Style.Contains(fsStrikeOut)) out += "\\strike";
    out += ' ';
    FLast = f;
    FHave = true;
  }

  static void Unit(std::string& out, unsigned u) {
    out += "\\u" + std::to_string(static_cast<int>(static_cast<std::int16_t>(u))) + '?';
  }

  static void Text(std::string& out, const std::string& text) {
    std::size_t at = 0;
    while (at < text.size()) {
      unsigned char b = static_cast<unsigned char>(text[at]);
      if (b >= 0x20 && b < 0x80) {
        ++at;
        if (b == '\\' || b == '{' || b == '}') out += '\\';
        out += static_cast<char>(b);
        continue;
      }
      char32_t cp = NextCodePoint(text, at);
      if (cp == '\t') out += "\\tab ";
      else if (cp == 0x0B) out += "\\line ";
      else if (cp < 0x20) continue;
      else if (int w = UnicodeToWindows1252(cp); w >= 0) {
        static const char* const kHex = "0123456789abcdef";
        out += "\\'";
        out += kHex[w >> 4];
        out += kHex[w & 15];
      } else if (cp >= 0x10000) {
        char32_t v = cp - 0x10000;
        Unit(out, 0xD800 + (v >> 10));
        Unit(out, 0xDC00 + (v & 0x3FF));
      } else {
        Unit(out, cp);
      }
    }
  }

  const TRichContent& FIn;
  std::map<TFontKey, int> FFonts;
  std::vector<TFontKey> FFontList;
  std::map<COLORREF, int> FColors;
  std::vector<COLORREF> FColorList;
  int FBulletFont = 0;
  TRichCharFormat FLast;
  bool FHave = false;
};

}  // namespace

std::string WriteRtf(const TRichContent& content) { return TRtfWriter(content).Run(); }
