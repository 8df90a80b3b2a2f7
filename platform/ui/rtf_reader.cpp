#include "platform/ui/rtf_reader.h"

#include <array>
#include <cstring>
#include <map>
#include <vector>

#include "platform/ui/rtf_charset.h"

namespace {

constexpr int kMaxWordLetters = 32;
constexpr int kMaxParamDigits = 10;

enum TDestination { dText, dFontTable, dColorTable, dSkip, dPn };

struct TFontEntry {
  std::string Name;
  int Charset = 1;
  TFontPitch Pitch = fpDefault;
};

struct TGroupState {
  TDestination Dest = dText;
  int Font = -1;        // font number; -1 = the default font
  int HalfPoints = 24;  // RTF's default size
  int ColorIndex = 0;   // 0 = automatic
  TFontStyles Style;
  TRichParaFormat Para;
  int UnicodeSkip = 1;  // \ucN
};

class TRtfParser {
public:
  TRtfParser(const std::string& bytes, const TRtfLimits& limits) : FIn(bytes), FLimits(limits) {}

  TRichContent Run() {
    if (!IsRtfText(FIn)) throw ERtfError("Not a rich text document");
    FOut.Paragraphs.clear();
    FOut.Paragraphs.emplace_back();
    while (FAt < FIn.size()) {
      char c = FIn[FAt];
      if (c == '{') {
        ++FAt;
        if (static_cast<int>(FStack.size()) >= FLimits.MaxDepth)
          throw ERtfError("Rich text nested too deeply");
        FStack.push_back(FState);
        FGroupStart = true;
        continue;
      }
      if (c == '}') {
        ++FAt;
        EndGroup();
        if (FStack.size() <= 1) {
          // The document's group ends: what follows is not read.
          FDone = true;
          break;
        }
        FState = FStack.back();
        FStack.pop_back();
        FFormatDirty = true;
        continue;
      }
      if (c == '\\') {
        // "\*" keeps the group's start for the destination word after it.
        if (!ControlWord()) FGroupStart = false;
        continue;
      }
      FGroupStart = false;
      ++FAt;
      if (c == '\r' || c == '\n' || c == '\0') continue;
      Character(static_cast<unsigned char>(c));
    }
    FlushRun();
    // A paragraph end just before the document's end closes the last paragraph (the document
    // keeps its own last end), unless formats for one more paragraph followed it.
    if (FOut.Paragraphs.size() > 1 && FOut.Paragraphs.back().Runs.empty() && !FAfterEnd) {
      FOut.Paragraphs.pop_back();
      NormalizeContent(FOut);
      return std::move(FOut);
    }
    // The last paragraph has no end of its own: it takes the formats in force at the end.
    FOut.Paragraphs.back().Format = FState.Para;
    FOut.Paragraphs.back().EndFormat = ResolveFormat();
    NormalizeContent(FOut);
    return std::move(FOut);
  }

private:
  // ---- Tokens ----
  bool ControlWord() {
    ++FAt;  // the backslash
    if (FAt >= FIn.size()) return false;
    char c = FIn[FAt];
    if (!IsLetter(c)) {
      ++FAt;
      if (c == '*') {
        FStarred = FGroupStart;
        return FGroupStart;
      }
      ControlSymbol(c);
      return false;
    }
    std::size_t start = FAt;
    while (FAt < FIn.size() && IsLetter(FIn[FAt])) {
      if (static_cast<int>(FAt - start) >= kMaxWordLetters) throw ERtfError("Rich text control word too long");
      ++FAt;
    }
    std::string word = FIn.substr(start, FAt - start);
    bool hasParam = false;
    long long param = 0;
    bool negative = false;
    if (FAt < FIn.size() && FIn[FAt] == '-') {
      negative = true;
      ++FAt;
    }
    std::size_t digits = FAt;
    while (FAt < FIn.size() && FIn[FAt] >= '0' && FIn[FAt] <= '9') {
      if (static_cast<int>(FAt - digits) >= kMaxParamDigits) throw ERtfError("Rich text number too long");
      param = param * 10 + (FIn[FAt] - '0');
      ++FAt;
    }
    hasParam = FAt > digits;
    if (negative && !hasParam) --FAt;  // a lone '-' is text
    if (negative) param = -param;
    param = std::clamp<long long>(param, INT32_MIN, INT32_MAX);
    if (FAt < FIn.size() && FIn[FAt] == ' ') ++FAt;  // the delimiter belongs to the word
    Word(word, hasParam, static_cast<int>(param));
    return false;
  }

  static bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

  void ControlSymbol(char c) {
    switch (c) {
      case '\\': case '{': case '}': Character(static_cast<unsigned char>(c)); break;
      case '\'': {
        if (FAt + 2 > FIn.size()) throw ERtfError("Rich text ends inside a character");
        int hi = HexValue(FIn[FAt]), lo = HexValue(FIn[FAt + 1]);
        if (hi < 0 || lo < 0) throw ERtfError("Bad character code in rich text");
        FAt += 2;
        Character(static_cast<unsigned char>(hi * 16 + lo));
        break;
      }
      case '~': Code(0xA0); break;
      case '_': Code(0x2011); break;
      case '-': Skipped(); break;  // optional hyphen
      case '\r': case '\n': Paragraph(); break;  // "\" + line end is \par
      case '\t': Code('\t'); break;
      default: Skipped(); break;
    }
    FStarred = false;
  }

  static int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }

  // ---- Control words ----
  void Word(const std::string& w, bool hasParam, int p) {
    bool starred = FStarred;
    FStarred = false;
    bool first = FGroupStart;
    if (first && Destination(w, starred)) return;
    if (FState.Dest == dSkip) {
      if (w == "bin" && hasParam) SkipBinary(p);
      return;
    }
    if (FState.Dest == dPn) {
      if (w == "pnlvlblt" && !FStack.empty()) FStack.back().Para.Bullet = true;
      return;
    }
    if (FState.Dest == dFontTable) {
      if (w == "f") FFont = p, FFontEntry = TFontEntry{};
      else if (w == "fcharset") FFontEntry.Charset = p;
      else if (w == "fprq") FFontEntry.Pitch = p == 1 ? fpFixed : p == 2 ? fpVariable : fpDefault;
      else if (w == "u") Unicode(p);
      else if (w == "uc") FState.UnicodeSkip = std::clamp(p, 0, 16);
      return;
    }
    if (FState.Dest == dColorTable) {
      int v = std::clamp(p, 0, 255);
      if (w == "red") FRed = v, FColorSet = true;
      else if (w == "green") FGreen = v, FColorSet = true;
      else if (w == "blue") FBlue = v, FColorSet = true;
      return;
    }
    // Text destination.
    auto on = [&] { return !hasParam || p != 0; };
    auto style = [&](TFontStyle s, bool value) {
      if (value) FState.Style.Include(s);
      else FState.Style.Exclude(s);
      FFormatDirty = true;
    };
    if (w != "par") FAfterEnd = true;
    if (w == "par") Paragraph();
    else if (w == "line") Code(0x0B);
    else if (w == "tab") Code('\t');
    else if (w == "plain") {
      FState.Font = -1;
      FState.HalfPoints = 24;
      FState.ColorIndex = 0;
      FState.Style = {};
      FFormatDirty = true;
    } else if (w == "b") style(fsBold, on());
    else if (w == "i") style(fsItalic, on());
    else if (w == "strike") style(fsStrikeOut, on());
    else if (w == "ul" || w == "uld" || w == "uldb" || w == "ulw" || w == "uldash" || w == "ulth" || w == "ulwave")
      style(fsUnderline, on());
    else if (w == "ulnone") style(fsUnderline, false);
    else if (w == "f") FState.Font = p, FFormatDirty = true;
    else if (w == "fs") FState.HalfPoints = hasParam ? std::clamp(p, 2, 3276) : 24, FFormatDirty = true;
    else if (w == "cf") FState.ColorIndex = std::max(p, 0), FFormatDirty = true;
    else if (w == "pard") FState.Para = TRichParaFormat{};
    else if (w == "ql") FState.Para.Alignment = raLeft;
    else if (w == "qr") FState.Para.Alignment = raRight;
    else if (w == "qc") FState.Para.Alignment = raCenter;
    else if (w == "qj") FState.Para.Alignment = raJustify;
    else if (w == "li") FState.Para.LeftIndent = Indent(p);
    else if (w == "ri") FState.Para.RightIndent = Indent(p);
    else if (w == "fi") FState.Para.FirstIndent = Indent(p);
    else if (w == "deff") FDefaultFont = p;
    else if (w == "uc") FState.UnicodeSkip = std::clamp(p, 0, 16);
    else if (w == "u") Unicode(p);
    else if (w == "bin" && hasParam) SkipBinary(p);
    else if (w == "bullet") Code(0x2022);
    else if (w == "endash") Code(0x2013);
    else if (w == "emdash") Code(0x2014);
    else if (w == "lquote") Code(0x2018);
    else if (w == "rquote") Code(0x2019);
    else if (w == "ldblquote") Code(0x201C);
    else if (w == "rdblquote") Code(0x201D);
    else if (w == "emspace" || w == "enspace" || w == "qmspace") Code(' ');
    else if (w == "cell") Code('\t');
    else if (w == "row") Paragraph();
  }

  static int Indent(int twips) { return std::clamp(twips, -31680, 31680); }

  // A destination word at the start of a group; true when it was one.
  bool Destination(const std::string& w, bool starred) {
    static const char* const kSkipped[] = {
        "stylesheet", "info", "pict", "object", "header", "headerl", "headerr", "headerf",
        "footer", "footerl", "footerr", "footerf", "footnote", "fldinst", "pntext", "pntxta",
        "pntxtb", "listtable", "listoverridetable", "rsidtbl", "generator", "themedata",
        "colorschememapping", "latentstyles", "datastore", "xmlnstbl", "filetbl", "revtbl",
        "annotation", "atnid", "atnauthor", "bkmkstart", "bkmkend"};
    if (w == "fonttbl" && FState.Dest == dText) {
      FState.Dest = dFontTable;
      FFont = -1;
      return true;
    }
    if (w == "colortbl" && FState.Dest == dText) {
      FState.Dest = dColorTable;
      FColors.clear();
      FRed = FGreen = FBlue = 0;
      FColorSet = false;
      return true;
    }
    if ((w == "pn" || w == "pnseclvl") && FState.Dest == dText) {
      FState.Dest = dPn;
      return true;
    }
    if (FState.Dest == dFontTable && w == "f") return false;  // a font's own group
    for (const char* s : kSkipped)
      if (w == s) {
        FState.Dest = dSkip;
        return true;
      }
    if (starred) {
      FState.Dest = dSkip;
      return true;
    }
    return false;
  }

  void SkipBinary(int count) {
    if (count < 0 || static_cast<std::size_t>(count) > FIn.size() - FAt)
      throw ERtfError("Rich text binary data runs past the end");
    FAt += static_cast<std::size_t>(count);
  }

  // ---- Text ----
  void EndGroup() {
    if (FState.Dest == dFontTable) EndFontEntry();
  }

  void EndFontEntry() {
    if (FFont < 0) return;
    while (!FFontEntry.Name.empty() && FFontEntry.Name.back() == ' ') FFontEntry.Name.pop_back();
    if (!FFontEntry.Name.empty()) {
      if (FFonts.size() >= FLimits.MaxTableEntries) throw ERtfError("Too many fonts in rich text");
      FFonts[FFont] = FFontEntry;
    }
    FFont = -1;
    FFontEntry = TFontEntry{};
  }

  // One byte of text (literal, or from \'hh: Windows-1252).
  void Character(unsigned char c) {
    if (FState.Dest == dFontTable) {
      if (Skipped()) return;  // the fallback of a \uN in the name
      if (c == ';') EndFontEntry();
      else FontNameCharacter(c < 0x80 ? c : Windows1252ToUnicode(c));
      return;
    }
    if (FState.Dest == dColorTable) {
      if (c == ';') {
        if (FColors.size() >= FLimits.MaxTableEntries) throw ERtfError("Too many colours in rich text");
        FColors.push_back(FColorSet ? static_cast<TColor>(RGB(FRed, FGreen, FBlue)) : clWindowText);
        FRed = FGreen = FBlue = 0;
        FColorSet = false;
      }
      return;
    }
    if (FState.Dest != dText) return;
    if (Skipped()) return;
    Code(c < 0x80 ? c : Windows1252ToUnicode(c));
  }

  // The fallback characters after \uN are dropped; true when this one was.
  bool Skipped() {
    if (FFallback == 0) return false;
    --FFallback;
    return true;
  }

  void Unicode(int n) {
    char32_t u = static_cast<char32_t>(n < 0 ? n + 65536 : n) & 0xFFFF;
    FFallback = 0;
    if (u >= 0xD800 && u < 0xDC00) {
      FHighSurrogate = u;
    } else if (u >= 0xDC00 && u < 0xE000) {
      if (FHighSurrogate) Code(0x10000 + ((FHighSurrogate - 0xD800) << 10) + (u - 0xDC00));
      FHighSurrogate = 0;
    } else {
      Code(u);
    }
    FFallback = FState.UnicodeSkip;
  }

  // A character of a font's name; a control character is none (nor could it be written back).
  void FontNameCharacter(char32_t cp) {
    if (FFont >= 0 && cp >= 0x20 && FFontEntry.Name.size() < 256) AppendUtf8(FFontEntry.Name, cp);
  }

  void Code(char32_t cp) {
    if (FState.Dest == dFontTable) {
      FontNameCharacter(cp);
      return;
    }
    if (FState.Dest != dText) return;
    if (cp != 0xD800 && FHighSurrogate && (cp < 0xDC00 || cp >= 0xE000)) FHighSurrogate = 0;
    if (FFormatDirty) {
      TRichCharFormat f = ResolveFormat();
      if (!(f == FRunFormat)) {
        FlushRun();
        FRunFormat = f;
      }
      FFormatDirty = false;
    }
    // Control characters other than the tab and the line break are no text of a document.
    if (cp < 0x20 && cp != '\t' && cp != 0x0B) return;
    FAfterEnd = true;
    AppendUtf8(FRun, cp);
    if (++FTextCheck >= 4096) {
      FTextCheck = 0;
      if (FTextBytes + FRun.size() > FLimits.MaxTextBytes) throw ERtfError("Rich text too large");
    }
  }

  void FlushRun() {
    if (FRun.empty()) return;
    FTextBytes += FRun.size();
    if (FTextBytes > FLimits.MaxTextBytes) throw ERtfError("Rich text too large");
    FOut.Paragraphs.back().Runs.push_back({std::move(FRun), FRunFormat});
    FRun.clear();
  }

  void Paragraph() {
    if (FState.Dest != dText) return;
    if (FFormatDirty) Code(0);  // the paragraph end takes the format in force
    FlushRun();
    TRichParagraph& p = FOut.Paragraphs.back();
    p.Format = FState.Para;
    p.EndFormat = ResolveFormat();
    if (FOut.Paragraphs.size() >= FLimits.MaxTextBytes) throw ERtfError("Rich text too large");
    FOut.Paragraphs.emplace_back();
    FAfterEnd = false;
  }

  TRichCharFormat ResolveFormat() const {
    TRichCharFormat f;
    int number = FState.Font >= 0 ? FState.Font : FDefaultFont;
    auto it = FFonts.find(number);
    if (it == FFonts.end()) it = FFonts.find(FDefaultFont);
    if (it != FFonts.end()) {
      f.Name = it->second.Name;
      f.Charset = it->second.Charset;
      f.Pitch = it->second.Pitch;
    }
    f.HalfPoints = FState.HalfPoints;
    f.Style = FState.Style;
    std::size_t ci = static_cast<std::size_t>(FState.ColorIndex);
    f.Color = ci < FColors.size() ? FColors[ci] : clWindowText;
    return f;
  }

  const std::string& FIn;
  TRtfLimits FLimits;
  std::size_t FAt = 0;
  TGroupState FState;
  std::vector<TGroupState> FStack;
  bool FGroupStart = false;
  bool FStarred = false;
  bool FDone = false;
  // Tables.
  std::map<int, TFontEntry> FFonts;
  int FDefaultFont = 0;
  int FFont = -1;
  TFontEntry FFontEntry;
  std::vector<TColor> FColors;
  int FRed = 0, FGreen = 0, FBlue = 0;
  bool FColorSet = false;
  // Text.
  TRichContent FOut;
  std::string FRun;
  TRichCharFormat FRunFormat;
  bool FFormatDirty = true;
  bool FAfterEnd = false;  // something came after the last paragraph end
  int FFallback = 0;
  char32_t FHighSurrogate = 0;
  std::size_t FTextBytes = 0;
  int FTextCheck = 0;
};

}  // namespace

bool IsRtfText(const std::string& bytes) {
  std::size_t i = 0;
  while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\r' || bytes[i] == '\n' || bytes[i] == '\t')) ++i;
  return bytes.compare(i, 5, "{\\rtf") == 0;
}

TRichContent ReadRtf(const std::string& bytes, const TRtfLimits& limits) {
  return TRtfParser(bytes, limits).Run();
}

std::string RtfToPlainText(const std::string& bytes) { return ContentText(ReadRtf(bytes), "\r\n"); }
