#include "controls/grid/markup.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace {

constexpr UINT kMeasureFlags = DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS | DT_EXTERNALLEADING;        // 0xE40
constexpr UINT kDrawFlags = DT_BOTTOM | DT_SINGLELINE | DT_EXPANDTABS | DT_EXTERNALLEADING | DT_NOPREFIX;  // 0xA68
constexpr UINT kPenFlags = DT_CALCRECT | DT_EXPANDTABS | DT_NOPREFIX | DT_EDITCONTROL | DT_EXTERNALLEADING;  // 0x2E40
// A cap on the lines of one call, so no text can keep the renderer busy for ever.
constexpr int kMaxLines = 100000;

void UpperInto(std::string_view s, std::string& out) {
  out.assign(s);
  for (auto& ch : out) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
}

int LowerChar(char ch) { return std::tolower(static_cast<unsigned char>(ch)); }

// LowerChar(ch) == target, asked of the locale only when it can be: an ASCII byte whose ASCII
// lower case is not the ASCII `target` has no other lower case that is.
bool LowersTo(char ch, int target) {
  auto c = static_cast<unsigned char>(ch);
  if (c < 0x80 && target < 0x80) {
    int folded = (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
    if (folded != target) return false;
  }
  return LowerChar(ch) == target;
}

// Where `needle` first occurs in `hay`, letters matched without regard to case.
std::size_t FindNoCase(std::string_view hay, std::string_view needle) {
  if (needle.empty()) return 0;
  if (needle.size() > hay.size()) return std::string_view::npos;
  int first = LowerChar(needle[0]);
  for (std::size_t i = 0, last = hay.size() - needle.size(); i <= last; ++i) {
    if (!LowersTo(hay[i], first)) continue;
    std::size_t j = 1;
    while (j < needle.size() && LowersTo(hay[i + j], LowerChar(needle[j]))) ++j;
    if (j == needle.size()) return i;
  }
  return std::string_view::npos;
}

std::string Lower(std::string s) {
  for (auto& ch : s) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return s;
}

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

bool ParseInt(const std::string& s, int& value) {
  if (s.empty()) return false;
  char* end = nullptr;
  long v = std::strtol(s.c_str(), &end, 10);
  if (*end != '\0' || v < -1000000 || v > 1000000) return false;
  value = static_cast<int>(v);
  return true;
}

int IntOrZero(const std::string& s) {
  int v = 0;
  return ParseInt(s, v) ? v : 0;
}

std::string AttributeValue(const std::string& tag, const std::string& name, bool* found = nullptr) {
  return MarkupAttribute(tag, name, found);
}

// "&lt;", "&gt;", "&amp;" and "&quot;" decoded once, left to right; with `strayEnds` an
// ampersand that starts none of them ends the decoding.
std::string DecodeEntities(const std::string& s, bool strayEnds) {
  static const struct { const char* name; char ch; } kEntities[] = {
      {"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&quot;", '"'}};
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    bool replaced = false;
    if (s[i] == '&') {
      for (const auto& e : kEntities) {
        std::size_t n = std::char_traits<char>::length(e.name);
        if (Lower(s.substr(i, n)) == e.name) {
          out += e.ch;
          i += n;
          replaced = true;
          break;
        }
      }
    }
    if (!replaced && strayEnds && s[i] == '&') {
      out.append(s, i, std::string::npos);
      break;
    }
    if (!replaced) out += s[i++];
  }
  return out;
}

// A colour value of a tag: hex when it holds "#", a name when it holds "cl", else clNone.
TColor ColorValue(const std::string& value) {
  if (value.find('#') != std::string::npos) return ColorFromHex(value.substr(value.find('#')));
  if (value.find("cl") != std::string::npos) return ColorFromName(Lower(value));
  return clNone;
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

int HexDigit(char ch) {
  if (ch >= '0' && ch <= '9') return ch - '0';
  if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
  if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
  return 0;
}

// What a line's measuring gives the drawing pass.
struct TMarkupLine {
  int W = 0;
  int H = 0;
  int SubH = 0;
  int SupH = 0;
  int PicOffset = 0;
  bool HotSpot = false;
};
// The flags the drawing pass starts a line with, as the measuring pass did.
struct TMarkupFlags {
  bool InAnchor, Sub, Sup, Shadow, Hidden, OnAnchor, AnchorFromEarlierLine;
  std::string Link;
  int AnchorCount, ListLevel;
  TPoint AnchorStart;
};
// A font met in a call, with its figures once asked.
struct TMarkupFontKey {
  std::string Name;
  int Height;
  TFontStyles Style;
  int Orientation;
  int Charset;
  TFontPitch Pitch;
  int PixelsPerInch;
  int TextHeight = -1;
  int BlankWidth = -1;
};
// A word the layout placed on the line: where it starts in the line, its width (-1 when not
// measured) and its font.
struct TMarkupWord {
  std::size_t Offset;
  std::size_t Length;
  int Width;
  int Font;
};

}  // namespace

// A text's layout as one call made it, for the next call on the same text, canvas, font,
// rectangle and options that shape lines: the lines' texts, words, sizes and the flags the
// layout left after each, and what the layout added to the result.
struct TMarkupLayout::TData {
  struct TKeptLine {
    std::string Text;
    TMarkupLine Line;
    TMarkupFlags After;
    bool TouchesAnchor = false;  // an anchor opened or closed in it (the point's anchor ends)
    std::string Strip;
    std::vector<TMarkupWord> Words;
  };
  // The call's inputs that shape the lines.
  std::string Text;
  const TCanvas* Canvas = nullptr;
  TFont Font;
  TRect Rect;
  bool HiddenTags = true, StrayAmpersandEndsEntities = false, HoverStyle = false, Selected = false, Blink = true,
       Print = false;
  int HoverLink = -1;
  double ResFactor = 1.0;
  TImageList* Images = nullptr;
  // What was made.
  std::vector<TKeptLine> Lines;
  std::vector<TMarkupFontKey> Fonts;
  bool Valid = false;
  bool Complete = false;  // every line of the text, not only those above the rectangle's bottom

  static bool SameFont(const TFont& a, const TFont& b) {
    return a.Name() == b.Name() && a.Height() == b.Height() && a.Color() == b.Color() && a.Style() == b.Style() &&
           a.Charset() == b.Charset() && a.Pitch() == b.Pitch() && a.Orientation() == b.Orientation() &&
           a.PixelsPerInch() == b.PixelsPerInch();
  }
  bool Matches(const std::string& text, const TCanvas& canvas, const TFont& font, const TRect& rect,
               const TMarkupOptions& o) const {
    return Valid && Canvas == &canvas && Rect == rect && HiddenTags == o.HiddenTags &&
           StrayAmpersandEndsEntities == o.StrayAmpersandEndsEntities && HoverStyle == o.HoverStyle &&
           Selected == o.Selected && Blink == o.Blink && Print == o.Print && HoverLink == o.HoverLink &&
           ResFactor == o.ResFactor && Images == o.Images && SameFont(Font, font) && Text == text;
  }
  void Start(const std::string& text, const TCanvas& canvas, const TFont& font, const TRect& rect,
             const TMarkupOptions& o) {
    Text = text;
    Canvas = &canvas;
    Font.Assign(font);
    Rect = rect;
    HiddenTags = o.HiddenTags;
    StrayAmpersandEndsEntities = o.StrayAmpersandEndsEntities;
    HoverStyle = o.HoverStyle;
    Selected = o.Selected;
    Blink = o.Blink;
    Print = o.Print;
    HoverLink = o.HoverLink;
    ResFactor = o.ResFactor;
    Images = o.Images;
    Lines.clear();
    Fonts.clear();
    Valid = false;
    Complete = false;
  }
};

TMarkupLayout::TMarkupLayout() : Data(std::make_unique<TData>()) {}
TMarkupLayout::~TMarkupLayout() = default;
void TMarkupLayout::Clear() { Data->Valid = false; }

namespace {

// The renderer's state for one call.
class TMarkupRenderer {
public:
  TMarkupRenderer(TCanvas& canvas, const TRect& rect, const TMarkupOptions& options, TMarkupResult& result)
      : FCanvas(canvas), FRect(rect), FOpt(options), FResult(result) {}

  bool Run(const std::string& text);

private:
  using TLine = TMarkupLine;
  using TFlags = TMarkupFlags;
  using TFontKey = TMarkupFontKey;
  using TWord = TMarkupWord;

  enum class TPass { Layout, HitTest, Draw };

  TFlags SaveFlags() const {
    return {FInAnchor, FSub, FSup, FShadow, FHidden, FOnAnchor, FAnchorFromEarlierLine,
            FLink, FAnchorCount, FListLevel, FAnchorStart};
  }
  void RestoreFlags(const TFlags& f) {
    FInAnchor = f.InAnchor; FSub = f.Sub; FSup = f.Sup; FShadow = f.Shadow; FHidden = f.Hidden;
    FOnAnchor = f.OnAnchor; FAnchorFromEarlierLine = f.AnchorFromEarlierLine; FLink = f.Link;
    FAnchorCount = f.AnchorCount; FListLevel = f.ListLevel; FAnchorStart = f.AnchorStart;
  }

  bool Drawing() const { return FPass == TPass::Draw; }
  UINT DrawFlags() const { return kDrawFlags | (FOpt.NoClip ? UINT{DT_NOCLIP} : 0u); }
  // The line height of the current font, and the width of a blank in it.
  int GhHeight();
  int BlankWidth();
  int MeasureWord(const std::string& word, UINT flags);
  // A word's width: the layout's figure for the same word in the same font, else measured.
  int WordWidth(std::string_view word, const std::string& display, UINT flags);
  // The word with its entities decoded (in a buffer kept for the next word).
  const std::string& Decode(std::string_view word);
  // The canvas takes `font`, unchanged (and its figures kept) when it is the same already.
  void SetCanvasFont(const TFont& font) {
    TFont& f = FCanvas.Font();
    if (f.Name() == font.Name() && f.Height() == font.Height() && f.Color() == font.Color() &&
        f.Style() == font.Style() && f.Charset() == font.Charset() && f.Pitch() == font.Pitch() &&
        f.Orientation() == font.Orientation() && f.PixelsPerInch() == font.PixelsPerInch())
      return;
    f.Assign(font);
  }
  // The index of the current font's entry in FFonts; -1 when the list is full.
  int FontKey();
  void SetStyle(TFontStyle style, bool on) {
    TFontStyles s = FCanvas.Font().Style();
    if (on) s << style; else s >> style;
    FCanvas.Font().SetStyle(s);
  }
  TColor BrushColorOrNone() { return FCanvas.Brush().Style() == bsClear ? clNone : FCanvas.Brush().Color(); }
  void RestoreBrush(TColor color) {
    if (color == clNone) FCanvas.Brush().SetStyle(bsClear);
    else FCanvas.Brush().SetColor(color);
  }

  // Lays out (or draws) one line from text[pos]; pos ends past what the line took.
  void RenderLine(std::string& text, std::size_t& pos, TRect r, TLine& line);
  void ApplyTag(const std::string& tag, const TRect& r, TLine& line);
  void OpeningTag(const std::string& tag, const std::string& up, const TRect& r, TLine& line);
  void ClosingTag(const std::string& up, const TRect& r, TLine& line);
  void Picture(const std::string& tag, const TRect& r, TLine& line);
  void FillBand(int top, int bottom) {
    FCanvas.Pen().SetColor(FCanvas.Brush().Color());
    if (FCanvas.Brush().Style() != bsClear) FCanvas.FillRect({FRect.Left, top, FRect.Right, bottom});
  }
  void CloseFocusRect(int right, int bottom) {
    int gh = GhHeight();
    TRect f{FFocusStart - 1, bottom - gh, right + 1, bottom};
    if (Drawing()) FCanvas.DrawFocusRect(f);
  }

  static constexpr std::size_t kMaxFonts = 64;

  TCanvas& FCanvas;
  TRect FRect;
  const TMarkupOptions& FOpt;
  TMarkupResult& FResult;
  TPass FPass = TPass::Layout;

  TFont FBaseFont;
  TColor FEntryBrush = clNone;
  TColor FEntryBrushColor = clWhite;

  // Line-wide working values of RenderLine.
  TRect FPen;
  bool FLineBreak = false;
  bool FLineFull = false;
  bool FFirstBullet = false;

  bool FSub = false, FSup = false, FShadow = false, FHidden = false;
  int FListLevel = 0;
  bool FInAnchor = false;
  std::string FLink;
  int FAnchorCount = 0;
  bool FOnAnchor = false;
  TPoint FAnchorStart;
  bool FAnchorFromEarlierLine = false;
  bool FParagraphFill = false;
  TColor FParagraphBrush = clNone;
  TColor FParagraphPen = clBlack;
  TColor FFontBrush = clNone;
  TFont FRotationFont;
  bool FRotated = false;
  enum { alignLeft, alignRight, alignCenter } FAlign = alignLeft;
  bool FFocusOn = false;
  int FFocusStart = 0;
  TColor FAnchorSavedBrush = clNone;
  TColor FAnchorSavedFontColor = clBlack;

  std::vector<TFontKey> FFonts;
  int FKey = -1;
  unsigned long FKeyRevision = 0;
  bool FKeyValid = false;
  std::vector<TWord> FWords;
  std::size_t FWordIndex = 0;
  const std::string* FLayoutText = nullptr;
  std::size_t FLayoutStart = 0;
  // Where the line's text ends (an unfinished tag at its end is not part of it).
  std::size_t FLineEnd = 0;
  std::string FLineText;
  // This call's layout goes to the caller's kept layout; false again when a tag makes it unfit.
  bool FRecording = false;
  bool FRecordable = false;
  bool FTouchesAnchor = false;  // the line's layout opened or closed an anchor
  std::string FTag;
  std::string FUpper;
  std::string FDisplay;
};

bool TMarkupRenderer::Run(const std::string& source) {
  bool hit = false;
  FEntryBrush = BrushColorOrNone();
  FEntryBrushColor = FCanvas.Brush().Color();
  FCanvas.Brush().SetColor(clNone);
  FBaseFont.Assign(FCanvas.Font());
  TFont layoutFont, drawFont;
  layoutFont.Assign(FBaseFont);
  drawFont.Assign(FBaseFont);
  TColor entryPen = FCanvas.Pen().Color();
  int entryBkMode = FCanvas.SetBkMode(TRANSPARENT);

  FResult.XSize = FResult.YSize = FResult.HyperLinks = 0;
  FResult.StripVal.clear();
  FResult.FocusAnchor.clear();
  FResult.MouseLink = -1;

  TRect r = FRect;
  r.Left += 1;
  // A layout kept by the caller for this text serves instead of laying the lines out again;
  // else this call's layout is kept there, unless the text holds tags whose layout changes what
  // the drawing finds (paragraphs, rotation, pictures) or the anchors are coloured or focused.
  TMarkupLayout::TData* kept = FOpt.Layout ? FOpt.Layout->Data.get() : nullptr;
  const bool replay = kept && kept->Matches(source, FCanvas, FBaseFont, FRect, FOpt) &&
                      (kept->Complete || !FOpt.MeasureOnly);
  FRecording = kept && !replay && FOpt.HoverColor == clNone && FOpt.HoverFontColor == clNone && FOpt.FocusLink < 0;
  if (kept && !replay) kept->Start(source, FCanvas, FBaseFont, FRect, FOpt);
  FRecordable = FRecording;
  if (replay) FFonts = kept->Fonts;
  bool complete = true;
  // The text is read from `pos` on; only "<#" tags ahead of it change it.
  std::string text = replay ? std::string() : source;
  std::size_t pos = 0;
  std::size_t keptIndex = 0;
  int lines = 0;
  while (replay ? keptIndex < kept->Lines.size() : (pos < text.size() && lines++ < kMaxLines)) {
    // Layout: the line's words and tags are text[lineStart, pos) afterwards.
    TFlags start = SaveFlags();
    TLine line;
    TFlags after;
    const std::string* lineText = &FLineText;
    std::size_t layoutStart = pos;
    if (replay) {
      const TMarkupLayout::TData::TKeptLine& k = kept->Lines[keptIndex++];
      line = k.Line;
      after = k.After;
      after.OnAnchor = !k.TouchesAnchor && start.OnAnchor;
      FResult.StripVal += k.Strip;
      FResult.XSize = std::max(FResult.XSize, line.W);
      FWords = k.Words;
      lineText = &k.Text;
      layoutStart = 0;
      RestoreFlags(after);
    } else {
      SetCanvasFont(layoutFont);
      std::size_t lineStart = pos;
      std::size_t before = text.size();
      std::size_t stripBefore = FResult.StripVal.size();
      FPass = TPass::Layout;
      FWords.clear();
      FLayoutText = &text;
      FLayoutStart = lineStart;
      FTouchesAnchor = false;
      RenderLine(text, pos, r, line);
      std::size_t lineEnd = FLineEnd;
      layoutFont.Assign(FCanvas.Font());
      // Nothing placed: never loop on the same text.
      if (pos == lineStart && text.size() == before) ++pos;
      after = SaveFlags();
      FLineText.assign(text, lineStart, lineEnd - lineStart);
      if (FRecording && FRecordable)
        kept->Lines.push_back({FLineText, line, after, FTouchesAnchor, FResult.StripVal.substr(stripBefore), FWords});
    }

    TRect d = r;
    if (FAlign == alignRight) d.Left = r.Right - line.W;
    else if (FAlign == alignCenter) d.Left = r.Left + (r.Right - r.Left - line.W) / 2;
    d.Bottom = r.Top + line.H + line.SubH + line.SupH;

    if (!FOpt.MeasureOnly) {
      RestoreFlags(start);
      SetCanvasFont(drawFont);
      FPass = FOpt.CheckHotSpot ? TPass::HitTest : TPass::Draw;
      TLine second = line;
      second.HotSpot = false;
      // The drawing pass reads a copy of the line (its "<#" tags may change it) and finds the
      // layout's words in the line as the layout left it (in the text, or as it was kept).
      if (replay) {
        FLineText = *lineText;
        FLayoutText = lineText;
      }
      FLayoutStart = layoutStart;
      std::size_t linePos = 0;
      FWordIndex = 0;
      RenderLine(FLineText, linePos, d, second);
      drawFont.Assign(FCanvas.Font());
      bool onAnchor = FOnAnchor;
      RestoreFlags(after);
      FOnAnchor = onAnchor || FOnAnchor;
      int gh = GhHeight();
      if (second.HotSpot && d.Bottom - line.PicOffset - gh < FOpt.YPos && FOpt.YPos < d.Bottom - line.PicOffset)
        hit = true;
    }
    int step = line.H + line.SubH + line.SupH;
    r.Top += step;
    FResult.YSize += step;
    if (!FOpt.MeasureOnly && r.Top + line.H > FRect.Bottom) {
      complete = false;
      break;
    }
  }
  if (FRecording && FRecordable) {
    kept->Fonts = FFonts;
    kept->Complete = complete;
    kept->Valid = true;
  }

  if (FResult.YSize == 0) FResult.YSize = GhHeight();
  FResult.HyperLinks = FAnchorCount;
  RestoreBrush(FEntryBrush);
  FCanvas.SetBkMode(entryBkMode);
  FCanvas.Pen().SetColor(entryPen);
  SetCanvasFont(FBaseFont);
  return hit;
}

int TMarkupRenderer::FontKey() {
  const TFont& f = FCanvas.Font();
  if (FKeyRevision == f.Revision() && FKeyValid) return FKey;
  FKeyRevision = f.Revision();
  FKeyValid = true;
  for (std::size_t i = 0; i < FFonts.size(); ++i) {
    const TFontKey& k = FFonts[i];
    if (k.Height == f.Height() && k.Style == f.Style() && k.Orientation == f.Orientation() &&
        k.Charset == f.Charset() && k.Pitch == f.Pitch() && k.PixelsPerInch == f.PixelsPerInch() && k.Name == f.Name())
      return FKey = static_cast<int>(i);
  }
  if (FFonts.size() >= kMaxFonts) return FKey = -1;
  FFonts.push_back({f.Name(), f.Height(), f.Style(), f.Orientation(), f.Charset(), f.Pitch(), f.PixelsPerInch()});
  return FKey = static_cast<int>(FFonts.size() - 1);
}

int TMarkupRenderer::GhHeight() {
  int key = FontKey();
  if (key < 0) return FCanvas.TextHeight("gh");
  int& h = FFonts[static_cast<std::size_t>(key)].TextHeight;
  if (h < 0) h = FCanvas.TextHeight("gh");
  return h;
}

int TMarkupRenderer::BlankWidth() {
  int key = FontKey();
  if (key < 0) return MeasureWord(" ", kMeasureFlags);
  int& w = FFonts[static_cast<std::size_t>(key)].BlankWidth;
  if (w < 0) w = MeasureWord(" ", kMeasureFlags);
  return w;
}

int TMarkupRenderer::MeasureWord(const std::string& word, UINT flags) {
  // Without line ends and tabs the measure is the text's width.
  if (word.find_first_of("\r\n\t") == std::string::npos) return FCanvas.TextWidth(word);
  TRect r{0, 0, 0, 0};
  FCanvas.DrawText(word, r, flags);
  return r.Width();
}

int TMarkupRenderer::WordWidth(std::string_view word, const std::string& display, UINT flags) {
  // The later passes of a line take the layout's width of the same word in the same font.
  if (FPass != TPass::Layout && FWordIndex < FWords.size()) {
    const TWord& w = FWords[FWordIndex];
    if (w.Width >= 0 && w.Font >= 0 && w.Font == FontKey() && w.Length == word.size() &&
        FLayoutText->compare(FLayoutStart + w.Offset, w.Length, word) == 0)
      return w.Width;
  }
  return MeasureWord(display, flags);
}

void TMarkupRenderer::RenderLine(std::string& text, std::size_t& pos, TRect r, TLine& line) {
  r.Bottom -= FPass == TPass::Layout ? 0 : line.SubH;
  FPen = r;
  line.W = 0;
  line.H = GhHeight();
  if (FPass == TPass::Layout) {
    line.SubH = line.SupH = 0;
    line.PicOffset = 0;
  }
  FLineBreak = FLineFull = FFirstBullet = false;
  line.HotSpot = false;
  int trailingBlank = 0;
  int lineWidth = r.Right - r.Left;
  // Where the next "<#" is; found again only when the text changed.
  std::size_t nextHash = text.find("<#", pos);
  bool unfinished = false;

  if (FAnchorCount > 0 && FInAnchor) FAnchorFromEarlierLine = true;
  if (FFocusOn) FFocusStart = r.Left + 1;
  if (Drawing() && FParagraphFill) FillBand(r.Top, r.Top + line.H);

  while (pos < text.size() && !FLineBreak && !FLineFull) {
    std::string_view rest(text.data() + pos, text.size() - pos);
    std::size_t lt = rest.find('<');
    std::size_t sp = rest.substr(0, lt).find(' ');
    std::string_view word;
    if (sp != std::string_view::npos) word = rest.substr(0, sp + 1);
    else if (lt != std::string_view::npos) word = rest.substr(0, lt);
    else word = rest;

    if (!word.empty()) {
      const std::string& display = Decode(word);
      int th = GhHeight();
      if (FSub) line.SubH = std::max(line.SubH, th / 4);
      if (FSup) line.SupH = std::max(line.SupH, th / 4);
      line.H = std::max(line.H, th);
      int tw = 0;
      bool measured = false;
      if (!FHidden) {
        if (!Drawing()) {
          tw = WordWidth(word, display, kMeasureFlags);
          measured = true;
          line.W += tw;
          if (FPass == TPass::HitTest && FInAnchor) {
            int x = FOpt.XPos - r.Left;
            if (line.W - tw <= x && x <= line.W) {
              line.HotSpot = true;
              if (r.Top < FOpt.YPos && FOpt.YPos < r.Bottom) {
                FResult.AnchorVal = FLink;
                FOnAnchor = true;
              }
            }
          }
        } else {
          TRect tr = FPen;
          if (FSup) tr.Bottom -= line.SupH;
          if (FSub) tr.Bottom += line.SubH;
          tr.Bottom -= line.PicOffset;
          if (FShadow) {
            TRect sr = tr;
            OffsetRect(sr, FOpt.ShadowOffset, FOpt.ShadowOffset);
            TColor color = FCanvas.Font().Color();
            FCanvas.Font().SetColor(FOpt.ShadowColor);
            FCanvas.DrawText(display, sr, DrawFlags());
            FCanvas.Font().SetColor(color);
          }
          FCanvas.DrawText(display, tr, DrawFlags());
          tw = WordWidth(word, display, kPenFlags);
          line.W += tw;
          FPen.Left += tw;
          FPen.Right = r.Right;
          FPen.Top = r.Top;
          FPen.Bottom = r.Bottom;
          if (FInAnchor && FAnchorCount - 1 == FOpt.FocusLink) FResult.FocusAnchor = FLink;
        }
      }
      // Fit: only the layout decides; the later passes get exactly the line's text.
      bool fits = FPass != TPass::Layout || !(lineWidth <= line.W && lineWidth > tw);
      if (fits) {
        if (FPass == TPass::Layout) {
          FWords.push_back({pos - FLayoutStart, word.size(), measured ? tw : -1, measured ? FontKey() : -1});
          FResult.StripVal += display;
        } else {
          ++FWordIndex;
        }
        trailingBlank = (!FHidden && word.back() == ' ') ? BlankWidth() : 0;
        pos += word.size();
      } else {
        line.W -= tw;
        FLineBreak = true;
      }
    }

    // "<#12>" shows as "#12".
    if (nextHash != std::string::npos && nextHash < pos) nextHash = text.find("<#", pos);
    if (nextHash != std::string::npos) {
      std::size_t hash = nextHash;
      text.erase(hash, 1);
      std::size_t gt = text.find('>', hash);
      if (gt != std::string::npos) text.erase(gt, 1);
      nextHash = text.find("<#", pos);
    }

    if (!FLineBreak && pos < text.size() && text[pos] == '<') {
      std::size_t gt = text.find('>', pos);
      if (gt == std::string::npos) {
        FLineEnd = pos;
        pos = text.size();
        unfinished = true;
        break;
      }
      std::string_view tag(text.data() + pos, gt + 1 - pos);
      FTag.assign(tag);
      ApplyTag(FTag, r, line);
      if (!FLineFull) pos = gt + 1;
    }
  }

  if (!unfinished) FLineEnd = pos;
  line.W -= trailingBlank;
  FResult.XSize = std::max(FResult.XSize, line.W);

  if (FFocusOn && Drawing()) CloseFocusRect(FPen.Left, r.Bottom);
}

const std::string& TMarkupRenderer::Decode(std::string_view word) {
  if (word.find('&') == std::string_view::npos) {
    FDisplay.assign(word);
    return FDisplay;
  }
  FDisplay = DecodeEntities(std::string(word), FOpt.StrayAmpersandEndsEntities);
  return FDisplay;
}

void TMarkupRenderer::ApplyTag(const std::string& tag, const TRect& r, TLine& line) {
  UpperInto(tag, FUpper);
  const std::string& up = FUpper;
  if (FPass == TPass::Layout) {
    bool closing = up.size() >= 3 && up[1] == '/';
    char kind = closing ? up[2] : up.size() >= 2 ? up[1] : '\0';
    // Paragraphs and rotation change state the drawing pass reads, pictures may differ from
    // call to call: such a text is laid out by every call.
    if (kind == 'P' || kind == 'R' || (!closing && StartsWith(up, "<IMG"))) FRecordable = false;
    if (kind == 'A' && (closing || up.find("HREF") != std::string::npos)) FTouchesAnchor = true;
  }
  if (up.size() >= 2 && up[1] == '/') ClosingTag(up, r, line);
  else OpeningTag(tag, up, r, line);
}

void TMarkupRenderer::OpeningTag(const std::string& tag, const std::string& up, const TRect& r, TLine& line) {
  if (up.size() < 2) return;
  TFont& font = FCanvas.Font();
  switch (up[1]) {
    case 'A': {
      if (up.find("HREF") == std::string::npos) break;
      std::string href = AttributeValue(tag, "href");
      if (Drawing() && FAnchorCount == FOpt.FocusLink) {
        FFocusOn = true;
        FFocusStart = FPen.Left;
      }
      ++FAnchorCount;
      bool hovered = FAnchorCount == FOpt.HoverLink;
      if (!(FOpt.HoverStyle && !hovered)) {
        SetStyle(fsUnderline, true);
        if (FOpt.HoverColor != clNone) {
          FAnchorSavedBrush = BrushColorOrNone();
          FCanvas.Brush().SetColor(FOpt.HoverColor);
        }
        if (FOpt.HoverFontColor != clNone) {
          FAnchorSavedFontColor = font.Color();
          font.SetColor(FOpt.HoverFontColor);
        }
      }
      if (!FOpt.Selected && !(FOpt.HoverFontColor != clNone && FOpt.HoverStyle && hovered))
        font.SetColor(FOpt.URLColor);
      FLink = href;
      FInAnchor = true;
      FOnAnchor = false;
      FAnchorFromEarlierLine = false;
      FAnchorStart = {r.Left + line.W, r.Top};
      break;
    }
    case 'B':
      if (StartsWith(up, "<BR")) {
        FLineBreak = true;
        if (FPass == TPass::Layout) FResult.StripVal += '\r';
      } else if (StartsWith(up, "<BLINK")) {
        if (!FOpt.Blink) font.SetColor(FEntryBrushColor);
      } else if (StartsWith(up, "<BODY")) {
        if (!Drawing()) break;
        std::string background = AttributeValue(tag, "background");
        if (FOpt.BackgroundSource) {
          const TGraphic* picture = background.empty() ? nullptr : FOpt.BackgroundSource(background);
          if (picture && !picture->Empty() && picture->Width() > 0 && picture->Height() > 0) {
            FCanvas.SaveDC();
            FCanvas.IntersectClipRect(FRect.Left, FRect.Top, FRect.Right, FRect.Bottom);
            for (int y = FRect.Top; y < FRect.Bottom; y += picture->Height())
              for (int x = FRect.Left; x < FRect.Right; x += picture->Width())
                FCanvas.StretchDraw(Bounds(x, y, picture->Width(), picture->Height()), *picture);
            FCanvas.RestoreDC(-1);
          }
        } else if (StartsWith(Lower(background), "file://")) {
          std::string path = background.substr(7);
          TBitmap picture;
          if (FileExists(path) && picture.TryLoadFromFile(path) && !picture.Empty()) {
            FCanvas.SaveDC();
            FCanvas.IntersectClipRect(FRect.Left, FRect.Top, FRect.Right, FRect.Bottom);
            for (int y = FRect.Top; y < FRect.Bottom; y += picture.Height())
              for (int x = FRect.Left; x < FRect.Right; x += picture.Width()) FCanvas.Draw(x, y, picture);
            FCanvas.RestoreDC(-1);
          }
        }
        bool hasColor = false;
        std::string bg = AttributeValue(tag, "bgcolor", &hasColor);
        if (hasColor) {
          TColor color = ColorValue(bg);
          if (color != clNone) {
            FCanvas.Brush().SetColor(color);
            FCanvas.FillRect(FRect);
          }
        }
      } else if (up == "<B>" || StartsWith(up, "<B ")) {
        SetStyle(fsBold, true);
      }
      break;
    case 'F':
      if (StartsWith(up, "<FONT")) {
        bool has = false;
        std::string face = AttributeValue(tag, "face", &has);
        if (has && !face.empty()) font.SetName(face);
        std::string color = AttributeValue(tag, " color", &has);
        if (has && !FOpt.Selected) {
          TColor c = ColorValue(color);
          if (c != clNone) font.SetColor(c);
        }
        std::string bg = AttributeValue(tag, "bgcolor", &has);
        if (has && Drawing() && !FOpt.Selected) {
          FFontBrush = BrushColorOrNone();
          TColor c = ColorValue(bg);
          if (c != clNone) FCanvas.Brush().SetColor(c);
        }
        std::string size = AttributeValue(tag, "size", &has);
        if (has) font.SetSize(IntOrZero(size));
      }
      break;
    case 'H':
      FLineBreak = true;
      if (Drawing()) {
        TColor pen = FCanvas.Pen().Color();
        FCanvas.Pen().SetColor(clBlack);
        int y = r.Bottom;
        FCanvas.MoveTo(r.Left, y);
        FCanvas.LineTo(r.Right, y);
        FCanvas.Pen().SetColor(pen);
      }
      break;
    case 'I':
      if (up == "<I>") {
        SetStyle(fsItalic, true);
      } else if (StartsWith(up, "<IND")) {
        int n = 0;
        if (ParseInt(AttributeValue(tag, "x"), n) && line.W < n) {
          line.W = n;
          FPen.Left = r.Left + n;
        }
      } else if (StartsWith(up, "<IMG")) {
        Picture(tag, r, line);
      }
      break;
    case 'L': {
      if (FFirstBullet) {
        FLineFull = true;
        break;
      }
      FFirstBullet = true;
      line.W += 12 * FListLevel;
      FPen.Left += 12 * std::max(FListLevel - 1, 0);
      if (Drawing()) {
        std::string name = font.Name();
        font.SetName("Symbol");
        // Odd levels get a bullet, even ones a circle.
        TRect br = FPen;
        FCanvas.DrawText(FListLevel % 2 == 1 ? "\xE2\x80\xA2" : "o", br, DrawFlags());
        font.SetName(name);
      }
      FPen.Left += 12;
      break;
    }
    case 'P': {
      bool has = false;
      std::string align = Lower(AttributeValue(tag, "align", &has));
      if (has) {
        if (align.find("right") != std::string::npos) FAlign = alignRight;
        if (align.find("left") != std::string::npos) FAlign = alignLeft;
        if (align.find("center") != std::string::npos) FAlign = alignCenter;
      }
      std::string bg = AttributeValue(tag, "bgcolor", &has);
      if (has && Drawing()) {
        FParagraphFill = true;
        FParagraphBrush = BrushColorOrNone();
        FParagraphPen = FCanvas.Pen().Color();
        TColor c = ColorValue(bg);
        FCanvas.Brush().SetColor(c);
        if (c != clNone) FCanvas.Pen().SetColor(c);
        FillBand(r.Top, r.Bottom);
      }
      break;
    }
    case 'R': {
      int degrees = IntOrZero(AttributeValue(tag, "a"));
      if (!FRotated) {
        FRotationFont.Assign(font);
        FRotated = true;
      }
      font.SetOrientation(degrees * 10);
      break;
    }
    case 'S':
      if (up == "<S>") SetStyle(fsStrikeOut, true);
      else if (StartsWith(up, "<SUB")) FSub = true;
      else if (StartsWith(up, "<SUP")) FSup = true;
      else if (StartsWith(up, "<SHAD")) FShadow = true;
      break;
    case 'U':
      if (up == "<UL>") ++FListLevel;
      else SetStyle(fsUnderline, true);
      break;
    case 'Z':
      if (FOpt.HiddenTags) FHidden = true;
      break;
    default:
      break;
  }
}

void TMarkupRenderer::ClosingTag(const std::string& up, const TRect& r, TLine& line) {
  if (up.size() < 3) return;
  TFont& font = FCanvas.Font();
  switch (up[2]) {
    case 'A': {
      bool hovered = FAnchorCount == FOpt.HoverLink;
      if (!(FOpt.HoverStyle && !hovered)) {
        SetStyle(fsUnderline, false);
        if (FOpt.HoverColor != clNone) RestoreBrush(FAnchorSavedBrush);
        if (FOpt.HoverFontColor != clNone) font.SetColor(FAnchorSavedFontColor);
      }
      if (!FOpt.Selected) font.SetColor(FBaseFont.Color());
      FInAnchor = false;
      if (FOnAnchor) {
        TPoint start = FAnchorFromEarlierLine ? TPoint{r.Left, r.Top} : FAnchorStart;
        FResult.HoverRect = {start.X, start.Y, r.Left + line.W, r.Bottom};
        FResult.MouseLink = FAnchorCount;
        FOnAnchor = false;
      }
      if (FFocusOn && FAnchorCount - 1 == FOpt.FocusLink) {
        CloseFocusRect(FPen.Left, r.Bottom);
        FFocusOn = false;
      }
      break;
    }
    case 'B':
      if (StartsWith(up, "</BL")) font.SetColor(FBaseFont.Color());
      else SetStyle(fsBold, false);
      break;
    case 'F':
      font.SetName(FBaseFont.Name());
      font.SetHeight(FBaseFont.Height());
      if (Drawing() && !FOpt.Selected) {
        font.SetColor(FBaseFont.Color());
        RestoreBrush(FFontBrush);
      }
      break;
    case 'I':
      SetStyle(fsItalic, false);
      break;
    case 'P':
      FLineBreak = true;
      if (Drawing()) {
        RestoreBrush(FParagraphBrush);
        FCanvas.Pen().SetColor(FParagraphPen);
      }
      FParagraphFill = false;
      break;
    case 'R':
      if (FRotated) {
        font.Assign(FRotationFont);
        FRotated = false;
      }
      break;
    case 'S':
      if (StartsWith(up, "</SU")) FSub = FSup = false;
      else if (StartsWith(up, "</SH")) FShadow = false;
      else SetStyle(fsStrikeOut, false);
      break;
    case 'U':
      if (up == "</UL>") {
        if (FListLevel > 0) --FListLevel;
      } else {
        SetStyle(fsUnderline, false);
      }
      break;
    case 'Z':
      if (FOpt.HiddenTags) FHidden = false;
      break;
    default:
      break;
  }
}

void TMarkupRenderer::Picture(const std::string& tag, const TRect& r, TLine& line) {
  int pw = 0, ph = 0;
  int attrW = 0, attrH = 0;
  if (tag.find("width") != std::string::npos) ParseInt(AttributeValue(tag, "width"), attrW);
  if (tag.find("height") != std::string::npos) ParseInt(AttributeValue(tag, "height"), attrH);
  std::string src = AttributeValue(tag, "src");
  std::string lsrc = Lower(src);
  double factor = FOpt.Print ? FOpt.ResFactor : 1.0;
  auto scaled = [factor](int v) { return static_cast<int>(std::lround(v * factor)); };

  // What to draw: an image list picture or a bitmap, drawn at the pen when the line keeps it.
  int imageIndex = -1;
  TBitmap bitmap;
  bool stretch = false;
  const TGraphic* graphic = nullptr;
  if (FOpt.PictureSource && !StartsWith(lsrc, "idx:")) {
    TMarkupOptions::TPicture p;
    if (FOpt.PictureSource(src, attrW, attrH, p)) {
      graphic = p.Graphic;
      pw = std::max(p.Width, 0);
      ph = std::max(p.Height, 0);
    }
  } else if (StartsWith(lsrc, "idx:")) {
    int n = -1;
    if (FOpt.Images && ParseInt(src.substr(4), n) && n >= 0 && n < FOpt.Images->Count()) {
      imageIndex = n;
      pw = FOpt.Images->Width();
      ph = FOpt.Images->Height();
    }
  } else if (StartsWith(lsrc, "ssys:") || StartsWith(lsrc, "lsys:")) {
    // System icons are blank here: they take their place in the layout.
    pw = ph = StartsWith(lsrc, "ssys:") ? 16 : 32;
  } else if (StartsWith(lsrc, "file://")) {
    std::string path = src.substr(7);
    if (FileExists(path) && bitmap.TryLoadFromFile(path) && !bitmap.Empty()) {
      if (attrW >= 1 && attrH >= 1) {
        pw = attrW;
        ph = attrH;
        stretch = true;
      } else {
        pw = bitmap.Width();
        ph = bitmap.Height();
      }
    }
  }
  // Bitmap resources of the program ("res://") are not part of this build: left out.
  if (FOpt.Print) {
    pw = scaled(pw);
    ph = scaled(ph);
  }

  if (FPass == TPass::HitTest && FInAnchor) {
    int x = FOpt.XPos - r.Left;
    if (line.W < x && x < line.W + pw && FPen.Top < FOpt.YPos && FOpt.YPos < r.Bottom) {
      line.HotSpot = true;
      FResult.AnchorVal = FLink;
    }
  }

  int lineWidth = r.Right - r.Left;
  if (line.W + pw > lineWidth && lineWidth > pw) {
    FLineFull = true;
    return;
  }
  if (Drawing() && pw > 0) {
    TRect dest = Bounds(FPen.Left, FPen.Top, pw, ph);
    if (imageIndex >= 0) {
      if (!FOpt.Print) {
        FOpt.Images->Draw(FCanvas, FPen.Left, FPen.Top, imageIndex, true);
      } else {
        TBitmap copy;
        FOpt.Images->GetBitmap(imageIndex, copy);
        FCanvas.StretchDraw(dest, copy);
      }
    } else if (graphic) {
      FCanvas.StretchDraw(dest, *graphic);
    } else if (!bitmap.Empty()) {
      if (stretch || FOpt.Print) FCanvas.StretchDraw(dest, bitmap);
      else FCanvas.Draw(FPen.Left, FPen.Top, bitmap);
    }
  }
  line.W += pw;
  FPen.Left += pw;
  line.H = std::max(line.H, ph);
  int gh = GhHeight();
  if (tag.find("\"top") != std::string::npos) line.PicOffset = line.H - gh;
  else if (tag.find("\"middle") != std::string::npos) line.PicOffset = (line.H - gh) / 2;
}

}  // namespace

bool RenderMarkup(TCanvas& canvas, const std::string& text, const TRect& rect,
                  const TMarkupOptions& options, TMarkupResult& result) {
  TMarkupRenderer renderer(canvas, rect, options, result);
  return renderer.Run(text);
}

bool RenderCellMarkup(TCanvas& canvas, const std::string& text, const TRect& rect, TImageList* images,
                      int XPos, int YPos, bool CheckHotSpot, bool MeasureOnly, bool Print,
                      bool Selected, bool Blink, double ResFactor, TColor URLColor,
                      std::string& AnchorVal, std::string& StripVal, int& XSize, int& YSize) {
  TMarkupOptions o;
  o.Images = images;
  o.XPos = XPos;
  o.YPos = YPos;
  o.FocusLink = -1;
  o.HoverLink = -1;
  o.ShadowOffset = 1;
  o.CheckHotSpot = CheckHotSpot;
  o.MeasureOnly = MeasureOnly;
  o.Print = Print;
  o.Selected = Selected;
  o.Blink = Blink;
  o.HoverStyle = false;
  o.ResFactor = ResFactor;
  o.URLColor = URLColor;
  o.HoverColor = clNone;
  o.HoverFontColor = clNone;
  o.ShadowColor = 0x808080;
  TMarkupResult r;
  r.AnchorVal = AnchorVal;
  bool hit = RenderMarkup(canvas, text, rect, o, r);
  AnchorVal = r.AnchorVal;
  StripVal = r.StripVal;
  XSize = r.XSize;
  YSize = r.YSize;
  return hit;
}

std::string StripMarkup(const std::string& text) {
  // Line tags first, then every tag dropped; a "<" without ">" drops the rest.
  std::string s;
  s.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    std::string_view four = std::string_view(text).substr(i, 4);
    if (FindNoCase(four, "<BR>") == 0 || FindNoCase(four, "<HR>") == 0) {
      s += "\r\n";
      i += 4;
    } else {
      s += text[i++];
    }
  }
  std::string out;
  out.reserve(s.size());
  std::size_t pos = 0;
  for (;;) {
    std::size_t lt = s.find('<', pos);
    if (lt == std::string::npos) {
      out.append(s, pos, std::string::npos);
      break;
    }
    out.append(s, pos, lt - pos);
    std::size_t gt = s.find('>', lt);
    if (gt == std::string::npos) break;
    pos = gt + 1;
  }
  return out;
}

TColor ColorFromName(const std::string& name) {
  static const struct { const char* name; TColor color; } kColors[] = {
      {"clred", 0x0000FF}, {"clblack", 0x000000}, {"clblue", 0xFF0000}, {"clgreen", 0x008000},
      {"claqua", 0xFFFF00}, {"clyellow", 0x00FFFF}, {"clfuchsia", 0xFF00FF}, {"clwhite", 0xFFFFFF},
      {"cllime", 0x00FF00}, {"clsilver", 0xC0C0C0}, {"clgray", 0x808080}, {"clolive", 0x008080},
      {"clnavy", 0x800000}, {"clpurple", 0x800080}, {"clteal", 0x808000}, {"clmaroon", 0x000080},
      {"clbackground", SysColor(1)}, {"clactivecaption", SysColor(2)},
      {"clinactivecaption", SysColor(3)}, {"clmenu", SysColor(4)}, {"clwindow", SysColor(5)},
      {"clwindowframe", SysColor(6)}, {"clmenutext", SysColor(7)}, {"clwindowtext", SysColor(8)},
      {"clcaptiontext", SysColor(9)}, {"clactiveborder", SysColor(10)},
      {"clinactiveborder", SysColor(11)}, {"clappworkspace", SysColor(12)},
      {"clhighlight", SysColor(13)}, {"clhighlighttext", SysColor(14)}, {"clbtnface", SysColor(15)},
      {"clbtnshadow", SysColor(16)}, {"clgraytext", SysColor(17)}, {"clbtntext", SysColor(18)},
      {"clinactivecaptiontext", SysColor(19)}, {"clbtnhighlight", SysColor(20)},
      {"cl3ddkshadow", SysColor(21)}, {"cl3dlight", SysColor(22)}, {"clinfotext", SysColor(23)},
      {"clinfobk", SysColor(24)}};
  for (const auto& c : kColors)
    if (name == c.name) return c.color;
  return clBlack;
}

TColor ColorFromHex(const std::string& text) {
  std::string s = text.size() > 1 ? text.substr(1) : "";
  auto pair = [&](std::size_t at) {
    int hi = at < s.size() ? HexDigit(s[at]) : 0;
    int lo = at + 1 < s.size() ? HexDigit(s[at + 1]) : 0;
    return hi * 16 + lo;
  };
  return static_cast<TColor>(RGB(pair(0), pair(2), pair(4)));
}

std::string MarkupAttribute(const std::string& tag, const std::string& name, bool* found) {
  std::size_t at = FindNoCase(tag, name);
  if (found) *found = false;
  if (at == std::string::npos) return "";
  std::size_t open = tag.find('"', at + name.size());
  if (open == std::string::npos) return "";
  std::size_t close = tag.find('"', open + 1);
  if (close == std::string::npos) return "";
  if (found) *found = true;
  return tag.substr(open + 1, close - open - 1);
}

int QueryFileVersion(const std::string&) {
  // Program files here carry no version resource.
  return -1;
}
