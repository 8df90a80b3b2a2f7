// EM_FORMATRANGE for the run-list document: lines broken at blanks with the text metrics of the
// reference device, drawn onto the target canvas scaled from the reference device's resolution.
#include <algorithm>

#include "platform/rtl/sysutils.h"
#include "platform/ui/rich_text_document.h"

namespace {

constexpr int kTabTwips = 720;
const char* const kBullet = "\xE2\x80\xA2";

struct TPiece {
  std::string Text;
  const TRichCharFormat* Format = nullptr;
  int X = 0;  // reference device units from the line's left edge
  int Width = 0;
  bool Tab = false;
};

struct TLine {
  int End = 0;  // position after the line (after the paragraph end on a paragraph's last line)
  int Height = 0;
  int Ascent = 0;
  int Left = 0;   // indent, reference units
  int Width = 0;  // of its text
  int Room = 0;
  int Limit = 0;  // right edge of the text from the line's left edge
  TRichAlignment Alignment = raLeft;
  bool Bullet = false;  // first line of a bullet paragraph
  std::vector<TPiece> Pieces;
};

class TLayout {
public:
  TLayout(TCanvas& reference, int width) : FCanvas(reference), FWidth(width) {
    FDpiX = std::max(1, reference.Painter()->DpiX());
    FDpiY = std::max(1, reference.Painter()->DpiY());
  }

  void Select(const TRichCharFormat& f, int dpi) { SelectFont(FCanvas, f, dpi); }

  static void SelectFont(TCanvas& canvas, const TRichCharFormat& f, int dpi) {
    TFont& font = canvas.Font();
    font.SetPixelsPerInch(dpi);
    font.SetName(f.Name);
    font.SetHeight(-std::max(1, MulDiv(f.HalfPoints, dpi, 144)));
    font.SetStyle(f.Style);
    font.SetCharset(f.Charset);
    font.SetPitch(f.Pitch);
    font.SetColor(f.Color == clWindowText ? clBlack : f.Color);
  }

  int Measure(const TRichCharFormat& f, const std::string& text) {
    Select(f, FDpiY);
    return FCanvas.TextWidth(text);
  }

  void Metrics(const TRichCharFormat& f, int& height, int& ascent) {
    Select(f, FDpiY);
    TTextMetric tm = FCanvas.GetTextMetrics();
    height = std::max(height, tm.tmHeight + tm.tmExternalLeading);
    ascent = std::max(ascent, tm.tmAscent);
  }

  // Lays out one paragraph from a code point offset; `position` is that offset's position.
  void Paragraph(const TRichParagraph& p, int offset, int position, std::vector<TLine>& lines) {
    const TRichParaFormat& pf = p.Format;
    int left = TwipsToDevice(pf.LeftIndent, FDpiX);
    int right = TwipsToDevice(pf.RightIndent, FDpiX);
    int first = offset == 0 ? TwipsToDevice(pf.FirstIndent, FDpiX) : 0;
    // The text of the paragraph from the offset, in pieces: words with their blanks, tabs, breaks.
    struct TToken {
      std::string Text;
      const TRichCharFormat* Format;
      int Count;  // code points
      int Width;
      char Kind;  // 'w' word, 't' tab, 'b' line break
    };
    std::vector<TToken> tokens;
    int skip = offset;
    for (const TRichRun& r : p.Runs) {
      std::size_t at = 0;
      while (at < r.Text.size()) {
        if (skip > 0) {
          NextCodePoint(r.Text, at);
          --skip;
          continue;
        }
        char c = r.Text[at];
        if (c == '\t' || c == '\v') {
          tokens.push_back({std::string(1, c), &r.Format, 1, 0, c == '\t' ? 't' : 'b'});
          ++at;
          continue;
        }
        std::size_t end = at;
        bool blanks = false;
        while (end < r.Text.size() && r.Text[end] != '\t' && r.Text[end] != '\v') {
          if (r.Text[end] == ' ') blanks = true;
          else if (blanks) break;
          ++end;
        }
        std::string word = r.Text.substr(at, end - at);
        tokens.push_back({word, &r.Format, CodePointCount(word), Measure(r.Format, word), 'w'});
        at = end;
      }
    }
    int pos = position;
    std::size_t i = 0;
    bool firstLine = true;
    do {
      TLine line;
      line.Left = std::max(0, left + (firstLine ? first : 0));
      line.Room = std::max(1, FWidth - line.Left - right);
      line.Alignment = pf.Alignment;
      line.Bullet = firstLine && offset == 0 && pf.Bullet;
      if (line.Bullet) {
        // The bullet sits at the first-line indent; the text starts at the left indent or a
        // tab stop after the bullet.
        int bulletWidth = Measure(p.Runs.empty() ? p.EndFormat : p.Runs.front().Format, kBullet);
        int textStart = std::max(left, line.Left + bulletWidth * 2);
        line.Room = std::max(1, FWidth - textStart - right);
        line.Width = textStart - line.Left;
      }
      int x = line.Width;
      line.Limit = line.Width + line.Room;
      bool broke = false;
      while (i < tokens.size()) {
        TToken& t = tokens[i];
        if (t.Kind == 'b') {
          Metrics(*t.Format, line.Height, line.Ascent);
          pos += 1;
          ++i;
          broke = true;
          break;
        }
        int w = t.Width;
        if (t.Kind == 't') {
          int tab = std::max(1, TwipsToDevice(kTabTwips, FDpiX));
          int absolute = line.Left + x;
          w = (absolute / tab + 1) * tab - absolute;
        }
        // The blanks at a word's end may hang past the right edge.
        int visible = w;
        if (t.Kind == 'w') {
          std::string trimmed = t.Text;
          while (!trimmed.empty() && trimmed.back() == ' ') trimmed.pop_back();
          if (trimmed.size() != t.Text.size()) visible = Measure(*t.Format, trimmed);
        }
        if (x + visible > line.Limit && !line.Pieces.empty() && x > 0) break;
        if (x + visible > line.Limit && t.Kind == 'w' && t.Count > 1) {
          // A word wider than the line: as many characters as fit (at least one).
          std::size_t at = 0, cut = 0;
          int n = 0;
          while (at < t.Text.size()) {
            std::size_t next = at;
            NextCodePoint(t.Text, next);
            if (n > 0 && x + Measure(*t.Format, t.Text.substr(0, next)) > line.Limit) break;
            at = next;
            cut = next;
            ++n;
          }
          std::string head = t.Text.substr(0, cut);
          int hw = Measure(*t.Format, head);
          line.Pieces.push_back({head, t.Format, x, hw, false});
          Metrics(*t.Format, line.Height, line.Ascent);
          x += hw;
          pos += n;
          t.Text.erase(0, cut);
          t.Count -= n;
          t.Width = Measure(*t.Format, t.Text);
          broke = true;
          break;
        }
        line.Pieces.push_back({t.Kind == 't' ? std::string() : t.Text, t.Format, x, w, t.Kind == 't'});
        Metrics(*t.Format, line.Height, line.Ascent);
        x += w;
        pos += t.Count;
        ++i;
      }
      line.Width = x;
      if (line.Height == 0) Metrics(tokens.empty() ? p.EndFormat : *tokens.back().Format, line.Height, line.Ascent);
      if (i >= tokens.size() && !broke) pos += 1;  // the paragraph end
      line.End = pos;
      lines.push_back(std::move(line));
      firstLine = false;
      if (i >= tokens.size() && !broke) break;
    } while (true);
  }

  int DpiX() const { return FDpiX; }
  int DpiY() const { return FDpiY; }

private:
  TCanvas& FCanvas;
  int FWidth;
  int FDpiX = 96, FDpiY = 96;
};

}  // namespace

int TRunListDocument::FormatRange(const TFormatRange& range, bool render) {
  TCanvas* reference = range.hdcTarget ? range.hdcTarget : range.hdc;
  int total = Length();
  int last = range.cpMax < 0 || range.cpMax > total ? total : range.cpMax;
  int first = std::clamp(range.cpMin, 0, last);
  if (!reference || first >= last) return last;
  TFont saved;
  saved.Assign(reference->Font());
  int result = first;
  {
    int dpiX = std::max(1, reference->Painter()->DpiX()), dpiY = std::max(1, reference->Painter()->DpiY());
    int top = TwipsToDevice(range.rc.Top, dpiY), bottom = TwipsToDevice(range.rc.Bottom, dpiY);
    int left = TwipsToDevice(range.rc.Left, dpiX), width = TwipsToDevice(range.rc.Right, dpiX) - left;
    TLayout layout(*reference, std::max(1, width));

    // Lay out the lines that fit.
    struct TPlaced {
      TLine Line;
      int Y;
    };
    std::vector<TPlaced> placed;
    int y = top;
    int position = first;
    bool full = false;
    int paragraphStart = 0;
    for (std::size_t pi = 0; pi < Data().Paragraphs.size() && !full && position < last; ++pi) {
      const TRichParagraph& p = Data().Paragraphs[pi];
      int length = ParagraphLength(p);
      int paragraphEnd = paragraphStart + length;
      if (position <= paragraphEnd) {
        std::vector<TLine> lines;
        layout.Paragraph(p, position - paragraphStart, position, lines);
        for (TLine& line : lines) {
          // Every page takes at least one line, so paging always moves on.
          if (y + line.Height > bottom && !placed.empty()) {
            full = true;
            break;
          }
          int end = std::min(line.End, last);
          placed.push_back({std::move(line), y});
          y += placed.back().Line.Height;
          position = end;
          if (position >= last) break;
        }
      }
      paragraphStart = paragraphEnd + 1;
    }
    result = position;

    if (render && range.hdc) {
      TCanvas& canvas = *range.hdc;
      int cdx = std::max(1, canvas.Painter()->DpiX()), cdy = std::max(1, canvas.Painter()->DpiY());
      auto sx = [&](int v) { return MulDiv(v, cdx, dpiX); };
      auto sy = [&](int v) { return MulDiv(v, cdy, dpiY); };
      TFont canvasSaved;
      canvasSaved.Assign(canvas.Font());
      int bkMode = canvas.SetBkMode(TRANSPARENT);
      int dc = canvas.SaveDC();
      TRect clip = Rect(TwipsToDevice(range.rc.Left, cdx), TwipsToDevice(range.rc.Top, cdy),
                        TwipsToDevice(range.rc.Right, cdx), TwipsToDevice(range.rc.Bottom, cdy));
      canvas.IntersectClipRect(clip.Left, clip.Top, clip.Right, clip.Bottom);
      for (const TPlaced& pl : placed) {
        const TLine& line = pl.Line;
        int shift = 0;
        if (line.Alignment == raRight) shift = std::max(0, line.Limit - line.Width);
        else if (line.Alignment == raCenter) shift = std::max(0, (line.Limit - line.Width) / 2);
        int lineLeft = left + line.Left + shift;
        if (line.Bullet && !line.Pieces.empty()) {
          TLayout::SelectFont(canvas, *line.Pieces.front().Format, cdy);
          canvas.TextOut(sx(left + line.Left), sy(pl.Y), kBullet);
        }
        for (const TPiece& piece : line.Pieces) {
          if (piece.Tab || piece.Text.empty()) continue;
          TLayout::SelectFont(canvas, *piece.Format, cdy);
          int ascent = canvas.GetTextMetrics().tmAscent;
          int baseline = sy(pl.Y + line.Ascent);
          canvas.TextOut(sx(lineLeft + piece.X), baseline - ascent, piece.Text);
        }
      }
      canvas.RestoreDC(dc);
      canvas.SetBkMode(bkMode);
      canvas.Font().Assign(canvasSaved);
    }
  }
  reference->Font().Assign(saved);
  return result;
}

TPoint TRunListDocument::Extent(TCanvas& Reference) const {
  if (!Reference.Painter()) return TPoint{0, 0};
  TFont saved;
  saved.Assign(Reference.Font());
  // Wide enough that no line breaks at a blank.
  TLayout layout(Reference, 1 << 28);
  TPoint extent{0, 0};
  int start = 0;
  for (const TRichParagraph& p : Data().Paragraphs) {
    std::vector<TLine> lines;
    layout.Paragraph(p, 0, start, lines);
    for (const TLine& line : lines) {
      extent.X = std::max(extent.X, line.Left + line.Width);
      extent.Y += line.Height;
    }
    start += ParagraphLength(p) + 1;
  }
  Reference.Font().Assign(saved);
  return extent;
}
