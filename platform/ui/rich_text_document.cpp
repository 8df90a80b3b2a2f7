#include "platform/ui/rich_text_document.h"

#include <algorithm>
#include <cmath>

#include "platform/rtl/sysutils.h"
#include "platform/rtl/utf8_text.h"

// ---- UTF-8 ----------------------------------------------------------------------------------

int CodePointCount(const std::string& text) {
  int n = 0;
  for (unsigned char c : text)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

std::size_t CodePointOffset(const std::string& text, int index) {
  if (index <= 0) return 0;
  int n = 0;
  for (std::size_t i = 0; i < text.size(); ++i)
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && n++ == index) return i;
  return text.size();
}

char32_t NextCodePoint(const std::string& text, std::size_t& at) { return Utf8Decode(text, at); }

// ---- Content ---------------------------------------------------------------------------------

TCharFormatParts AllCharFormatParts() {
  return {cfpName, cfpSize, cfpColor, cfpBold, cfpItalic, cfpUnderline, cfpStrikeOut, cfpCharset, cfpPitch};
}

int ParagraphLength(const TRichParagraph& p) {
  int n = 0;
  for (const TRichRun& r : p.Runs) n += CodePointCount(r.Text);
  return n;
}

int ContentLength(const TRichContent& c) {
  int n = static_cast<int>(c.Paragraphs.size()) - 1;
  for (const TRichParagraph& p : c.Paragraphs) n += ParagraphLength(p);
  return std::max(n, 0);
}

std::string ContentText(const TRichContent& c, const std::string& paragraphEnd) {
  std::string out;
  for (std::size_t i = 0; i < c.Paragraphs.size(); ++i) {
    if (i) out += paragraphEnd;
    for (const TRichRun& r : c.Paragraphs[i].Runs) out += r.Text;
  }
  return out;
}

TRichContent ContentFromText(const std::string& text, const TRichCharFormat& format, const TRichParaFormat& para) {
  TRichContent c;
  c.Paragraphs.clear();
  std::size_t start = 0;
  auto add = [&](std::size_t end) {
    TRichParagraph p;
    p.Format = para;
    p.EndFormat = format;
    if (end > start) p.Runs.push_back({text.substr(start, end - start), format});
    c.Paragraphs.push_back(std::move(p));
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    add(i);
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  add(text.size());
  return c;
}

void NormalizeContent(TRichContent& c) {
  if (c.Paragraphs.empty()) c.Paragraphs.emplace_back();
  for (TRichParagraph& p : c.Paragraphs) {
    std::vector<TRichRun> runs;
    for (TRichRun& r : p.Runs) {
      if (r.Text.empty()) continue;
      if (!runs.empty() && runs.back().Format == r.Format) runs.back().Text += r.Text;
      else runs.push_back(std::move(r));
    }
    p.Runs = std::move(runs);
  }
}

namespace {

// The runs of a paragraph between two of its code point offsets.
std::vector<TRichRun> SliceRuns(const std::vector<TRichRun>& runs, int from, int to) {
  std::vector<TRichRun> out;
  int pos = 0;
  for (const TRichRun& r : runs) {
    int n = CodePointCount(r.Text);
    int a = std::max(from, pos), b = std::min(to, pos + n);
    if (a < b) {
      std::size_t ba = CodePointOffset(r.Text, a - pos), bb = CodePointOffset(r.Text, b - pos);
      out.push_back({r.Text.substr(ba, bb - ba), r.Format});
    }
    pos += n;
    if (pos >= to) break;
  }
  return out;
}

struct TSpot {
  int Paragraph = 0;
  int Offset = 0;  // within the paragraph
};

TSpot SpotOf(const TRichContent& c, int position) {
  int pos = 0;
  for (std::size_t i = 0; i < c.Paragraphs.size(); ++i) {
    int n = ParagraphLength(c.Paragraphs[i]);
    if (position <= pos + n || i + 1 == c.Paragraphs.size())
      return {static_cast<int>(i), std::clamp(position - pos, 0, n)};
    pos += n + 1;
  }
  return {};
}

void Clamp(const TRichContent& c, int& start, int& length) {
  int total = ContentLength(c);
  start = std::clamp(start, 0, total);
  length = length < 0 ? total - start : std::clamp(length, 0, total - start);
}

}  // namespace

int ParagraphAt(const TRichContent& c, int position) { return SpotOf(c, position).Paragraph; }

TRichContent ExtractContent(const TRichContent& c, int start, int length) {
  Clamp(c, start, length);
  TSpot a = SpotOf(c, start), b = SpotOf(c, start + length);
  TRichContent out;
  out.Paragraphs.clear();
  for (int i = a.Paragraph; i <= b.Paragraph; ++i) {
    const TRichParagraph& src = c.Paragraphs[static_cast<std::size_t>(i)];
    int from = i == a.Paragraph ? a.Offset : 0;
    int to = i == b.Paragraph ? b.Offset : ParagraphLength(src);
    TRichParagraph p;
    p.Format = src.Format;
    p.EndFormat = src.EndFormat;
    p.Runs = SliceRuns(src.Runs, from, to);
    out.Paragraphs.push_back(std::move(p));
  }
  return out;
}

void ReplaceContent(TRichContent& c, int start, int length, const TRichContent& insert) {
  Clamp(c, start, length);
  TSpot a = SpotOf(c, start), b = SpotOf(c, start + length);
  const TRichParagraph& pa = c.Paragraphs[static_cast<std::size_t>(a.Paragraph)];
  const TRichParagraph& pb = c.Paragraphs[static_cast<std::size_t>(b.Paragraph)];
  std::vector<TRichRun> head = SliceRuns(pa.Runs, 0, a.Offset);
  std::vector<TRichRun> tail = SliceRuns(pb.Runs, b.Offset, ParagraphLength(pb));
  TRichParaFormat tailFormat = pb.Format;
  TRichCharFormat tailEnd = pb.EndFormat;

  std::vector<TRichParagraph> ins = insert.Paragraphs;
  if (ins.empty()) ins.emplace_back();
  std::vector<TRichParagraph> made;
  for (std::size_t i = 0; i < ins.size(); ++i) {
    TRichParagraph p = ins[i];
    bool first = i == 0, last = i + 1 == ins.size();
    if (first && !head.empty()) {
      // The paragraph that goes on before the insertion keeps its format.
      p.Format = pa.Format;
      p.Runs.insert(p.Runs.begin(), head.begin(), head.end());
    }
    if (last) {
      bool keepOwn = tail.empty() && (!first || head.empty());
      if (!keepOwn) {
        p.Format = tailFormat;
        p.EndFormat = tailEnd;
      }
      p.Runs.insert(p.Runs.end(), tail.begin(), tail.end());
    }
    made.push_back(std::move(p));
  }
  auto& ps = c.Paragraphs;
  ps.erase(ps.begin() + a.Paragraph, ps.begin() + b.Paragraph + 1);
  ps.insert(ps.begin() + a.Paragraph, made.begin(), made.end());
  NormalizeContent(c);
}

void SetCharFormatParts(TRichCharFormat& t, const TRichCharFormat& f, TCharFormatParts parts) {
  if (parts.Contains(cfpName)) t.Name = f.Name;
  if (parts.Contains(cfpSize)) t.HalfPoints = f.HalfPoints;
  if (parts.Contains(cfpColor)) t.Color = f.Color;
  if (parts.Contains(cfpCharset)) t.Charset = f.Charset;
  if (parts.Contains(cfpPitch)) t.Pitch = f.Pitch;
  const std::pair<TCharFormatPart, TFontStyle> styles[] = {
      {cfpBold, fsBold}, {cfpItalic, fsItalic}, {cfpUnderline, fsUnderline}, {cfpStrikeOut, fsStrikeOut}};
  for (auto [part, style] : styles)
    if (parts.Contains(part)) {
      if (f.Style.Contains(style)) t.Style.Include(style);
      else t.Style.Exclude(style);
    }
}

void ApplyCharFormat(TRichContent& c, int start, int length, const TRichCharFormat& f, TCharFormatParts parts) {
  Clamp(c, start, length);
  if (length == 0) return;
  TSpot a = SpotOf(c, start), b = SpotOf(c, start + length);
  for (int i = a.Paragraph; i <= b.Paragraph; ++i) {
    TRichParagraph& p = c.Paragraphs[static_cast<std::size_t>(i)];
    int n = ParagraphLength(p);
    int from = i == a.Paragraph ? a.Offset : 0;
    int to = i == b.Paragraph ? b.Offset : n;
    std::vector<TRichRun> runs = SliceRuns(p.Runs, 0, from);
    std::vector<TRichRun> mid = SliceRuns(p.Runs, from, to);
    for (TRichRun& r : mid) SetCharFormatParts(r.Format, f, parts);
    runs.insert(runs.end(), mid.begin(), mid.end());
    std::vector<TRichRun> rest = SliceRuns(p.Runs, to, n);
    runs.insert(runs.end(), rest.begin(), rest.end());
    p.Runs = std::move(runs);
    // The range takes in this paragraph's end, or the whole (empty) paragraph.
    if (i < b.Paragraph || n == 0) SetCharFormatParts(p.EndFormat, f, parts);
  }
  NormalizeContent(c);
}

void ApplyParaFormat(TRichContent& c, int start, int length, const TRichParaFormat& f, TParaFormatParts parts) {
  Clamp(c, start, length);
  int a = ParagraphAt(c, start), b = ParagraphAt(c, start + length);
  for (int i = a; i <= b; ++i) {
    TRichParaFormat& t = c.Paragraphs[static_cast<std::size_t>(i)].Format;
    if (parts.Contains(pfpAlignment)) t.Alignment = f.Alignment;
    if (parts.Contains(pfpBullet)) t.Bullet = f.Bullet;
    if (parts.Contains(pfpFirstIndent)) t.FirstIndent = f.FirstIndent;
    if (parts.Contains(pfpLeftIndent)) t.LeftIndent = f.LeftIndent;
    if (parts.Contains(pfpRightIndent)) t.RightIndent = f.RightIndent;
  }
}

TRichCharFormat CharFormatAt(const TRichContent& c, int position) {
  TSpot s = SpotOf(c, std::max(position, 0));
  const TRichParagraph& p = c.Paragraphs[static_cast<std::size_t>(s.Paragraph)];
  if (p.Runs.empty()) return p.EndFormat;
  int at = std::max(s.Offset - 1, 0), pos = 0;
  for (const TRichRun& r : p.Runs) {
    pos += CodePointCount(r.Text);
    if (at < pos) return r.Format;
  }
  return p.Runs.back().Format;
}

// ---- Documents ---------------------------------------------------------------------------------

int TRichTextDocument::ParagraphCount() const { return static_cast<int>(Content().Paragraphs.size()); }

namespace {

int StartOf(const TRichContent& c, int index) {
  int pos = 0;
  index = std::clamp(index, 0, static_cast<int>(c.Paragraphs.size()));
  for (int i = 0; i < index; ++i) pos += ParagraphLength(c.Paragraphs[static_cast<std::size_t>(i)]) + 1;
  return pos;
}

std::string TextOf(const TRichContent& c, int index) {
  if (index < 0 || index >= static_cast<int>(c.Paragraphs.size())) return {};
  std::string out;
  for (const TRichRun& r : c.Paragraphs[static_cast<std::size_t>(index)].Runs) out += r.Text;
  return out;
}

}  // namespace

int TRichTextDocument::ParagraphStart(int index) const { return StartOf(Content(), index); }
std::string TRichTextDocument::ParagraphText(int index) const { return TextOf(Content(), index); }
int TRunListDocument::ParagraphStart(int index) const {
  // Where each paragraph starts, summed once for each content: lines read or written one by one
  // do not add up the paragraphs before them each time.
  if (FStarts.empty()) {
    FStarts.reserve(FContent.Paragraphs.size() + 1);
    FStarts.push_back(0);
    for (const TRichParagraph& p : FContent.Paragraphs) FStarts.push_back(FStarts.back() + ParagraphLength(p) + 1);
  }
  return FStarts[static_cast<std::size_t>(std::clamp(index, 0, static_cast<int>(FContent.Paragraphs.size())))];
}
std::string TRunListDocument::ParagraphText(int index) const { return TextOf(FContent, index); }

// ---- The run-list document ---------------------------------------------------------------------

void TRunListDocument::Replace(int start, int length, const TRichContent& content) {
  FStarts.clear();
  ReplaceContent(FContent, start, length, content);
  Changed();
}

void TRunListDocument::SetCharFormat(int start, int length, const TRichCharFormat& f, TCharFormatParts parts) {
  FStarts.clear();
  ApplyCharFormat(FContent, start, length, f, parts);
  Changed();
}

void TRunListDocument::SetParaFormat(int start, int length, const TRichParaFormat& f, TParaFormatParts parts) {
  ApplyParaFormat(FContent, start, length, f, parts);
  Changed();
}

namespace {

TRichTextDocumentFactory& Factory() {
  static TRichTextDocumentFactory factory;
  return factory;
}

}  // namespace

void SetRichTextDocumentFactory(TRichTextDocumentFactory factory) { Factory() = std::move(factory); }

std::unique_ptr<TRichTextDocument> NewRichTextDocument() {
  if (Factory())
    if (auto doc = Factory()()) return doc;
  return std::make_unique<TRunListDocument>();
}

int TwipsToDevice(int twips, int dpi) { return MulDiv(twips, dpi, 1440); }
int DeviceToTwips(int device, int dpi) { return MulDiv(device, 1440, dpi); }
