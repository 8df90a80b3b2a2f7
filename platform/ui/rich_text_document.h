// Rich text as values (paragraphs of formatted runs) and the document interface a backend
// supplies for the rich edit: the Qt backend over its text document, the headless one over a
// plain run list.
//
// Positions and lengths count code points; a paragraph end counts 1, and the last paragraph has
// none.
#pragma once

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/graphics.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/utf8_text.h"
#include "platform/rtl/win_types.h"

// ---- Formats --------------------------------------------------------------------------------
struct TRichCharFormat {
  std::string Name = "Arial";
  int HalfPoints = 20;          // size in half points (RTF's \fs)
  TColor Color = clWindowText;  // clWindowText: the automatic colour
  TFontStyles Style;
  int Charset = 1;              // DEFAULT_CHARSET
  TFontPitch Pitch = fpDefault;
  friend bool operator==(const TRichCharFormat&, const TRichCharFormat&) = default;
};

// Which members of a character format a change sets.
enum TCharFormatPart { cfpName, cfpSize, cfpColor, cfpBold, cfpItalic, cfpUnderline, cfpStrikeOut, cfpCharset, cfpPitch };
using TCharFormatParts = TSet<TCharFormatPart>;
TCharFormatParts AllCharFormatParts();

enum TRichAlignment { raLeft, raRight, raCenter, raJustify };

struct TRichParaFormat {
  TRichAlignment Alignment = raLeft;
  bool Bullet = false;
  int FirstIndent = 0;  // twips, relative to the left indent
  int LeftIndent = 0;   // twips
  int RightIndent = 0;  // twips
  friend bool operator==(const TRichParaFormat&, const TRichParaFormat&) = default;
};

enum TParaFormatPart { pfpAlignment, pfpBullet, pfpFirstIndent, pfpLeftIndent, pfpRightIndent };
using TParaFormatParts = TSet<TParaFormatPart>;

// ---- Content --------------------------------------------------------------------------------
// A run's text holds no paragraph end; a tab is "\t" and a line break inside the paragraph is
// U+000B ("\v").
struct TRichRun {
  std::string Text;
  TRichCharFormat Format;
  friend bool operator==(const TRichRun&, const TRichRun&) = default;
};

struct TRichParagraph {
  TRichParaFormat Format;
  std::vector<TRichRun> Runs;
  // The format of the paragraph's end (and of text typed into an empty paragraph).
  TRichCharFormat EndFormat;
  friend bool operator==(const TRichParagraph&, const TRichParagraph&) = default;
};

// At least one paragraph.
struct TRichContent {
  std::vector<TRichParagraph> Paragraphs{TRichParagraph{}};
  friend bool operator==(const TRichContent&, const TRichContent&) = default;
};

// Code points of a UTF-8 text (continuation bytes are not counted).
int CodePointCount(const std::string& text);
// Byte offset of code point `index` (the length when past the end).
std::size_t CodePointOffset(const std::string& text, int index);
// The code point at `at` (advanced past it); U+FFFD for a malformed byte.
char32_t NextCodePoint(const std::string& text, std::size_t& at);

int ParagraphLength(const TRichParagraph& p);
int ContentLength(const TRichContent& c);
// The text with paragraph ends as `paragraphEnd` ("\r\n" for Text, "\r" for the document's
// own counting).
std::string ContentText(const TRichContent& c, const std::string& paragraphEnd);
// Content of plain text: paragraphs split at CR LF, CR or LF, all in one format.
TRichContent ContentFromText(const std::string& text, const TRichCharFormat& format,
                             const TRichParaFormat& para = {});
// Merges neighbouring runs of one format and drops empty runs.
void NormalizeContent(TRichContent& c);

// The part from `start` for `length` positions (clamped). A range that ends just after a
// paragraph end gives an empty last paragraph.
TRichContent ExtractContent(const TRichContent& c, int start, int length);
// Replaces the range with `insert`: its first paragraph joins the text before the range, its
// last one the text after it.
void ReplaceContent(TRichContent& c, int start, int length, const TRichContent& insert);
void ApplyCharFormat(TRichContent& c, int start, int length, const TRichCharFormat& f, TCharFormatParts parts);
// Every paragraph touched by the range (the one holding `start` when the range is empty).
void ApplyParaFormat(TRichContent& c, int start, int length, const TRichParaFormat& f, TParaFormatParts parts);
void SetCharFormatParts(TRichCharFormat& target, const TRichCharFormat& f, TCharFormatParts parts);
// The format at a position: of the character before it, or of the first one at the start of a
// paragraph (its end format when empty).
TRichCharFormat CharFormatAt(const TRichContent& c, int position);
// The paragraph index holding a position.
int ParagraphAt(const TRichContent& c, int position);

// ---- Formatting a range for a device ----------------------------------------------------------
// Twips: 1440 per inch.
struct TFormatRange {
  TCanvas* hdc = nullptr;        // where it is drawn
  TCanvas* hdcTarget = nullptr;  // the reference device it is formatted for (hdc when null)
  TRect rc;                      // where it goes, twips
  TRect rcPage;                  // the whole page, twips
  int cpMin = 0;                 // the range, positions; cpMax -1 = to the end
  int cpMax = -1;
};

// ---- The document interface ---------------------------------------------------------------------
class TRichTextDocument {
public:
  virtual ~TRichTextDocument() = default;
  virtual int Length() const = 0;
  virtual TRichContent Extract(int start, int length) const = 0;
  virtual void Replace(int start, int length, const TRichContent& content) = 0;
  virtual void SetCharFormat(int start, int length, const TRichCharFormat& f, TCharFormatParts parts) = 0;
  virtual void SetParaFormat(int start, int length, const TRichParaFormat& f, TParaFormatParts parts) = 0;
  // Measure (render false) or draw (render true) the range into rc: the first position that
  // did not fit (the range's end when all did).
  virtual int FormatRange(const TFormatRange& range, bool render) = 0;
  // Drops what FormatRange kept between calls.
  virtual void ClearFormatCache() {}

  TRichContent Content() const { return Extract(0, Length()); }
  // Paragraphs: how many, where each starts, and its text (without its end).
  virtual int ParagraphCount() const;
  virtual int ParagraphStart(int index) const;
  virtual std::string ParagraphText(int index) const;
  // Called after every change of text or format, by code or by the user.
  std::function<void()> OnChange;

protected:
  void Changed() { if (OnChange) OnChange(); }
};

// The run-list document: content in memory, laid out for EM_FORMATRANGE with the reference
// device's text metrics, breaking lines at blanks.
class TRunListDocument : public TRichTextDocument {
public:
  int Length() const override { return std::max(ParagraphStart(ParagraphCount()) - 1, 0); }
  TRichContent Extract(int start, int length) const override { return ExtractContent(FContent, start, length); }
  void Replace(int start, int length, const TRichContent& content) override;
  void SetCharFormat(int start, int length, const TRichCharFormat& f, TCharFormatParts parts) override;
  void SetParaFormat(int start, int length, const TRichParaFormat& f, TParaFormatParts parts) override;
  int FormatRange(const TFormatRange& range, bool render) override;
  // The width of the widest line and the height of all lines, in the reference device's
  // units, with lines broken only where the text breaks them.
  TPoint Extent(TCanvas& Reference) const;
  int ParagraphCount() const override { return static_cast<int>(FContent.Paragraphs.size()); }
  int ParagraphStart(int index) const override;
  std::string ParagraphText(int index) const override;
  const TRichContent& Data() const { return FContent; }

private:
  TRichContent FContent;
  mutable std::vector<int> FStarts;  // of each paragraph, and the end; empty after a change
};

using TRichTextDocumentFactory = std::function<std::unique_ptr<TRichTextDocument>()>;
// The backend's document maker; without one the run-list document is used.
void SetRichTextDocumentFactory(TRichTextDocumentFactory factory);
std::unique_ptr<TRichTextDocument> NewRichTextDocument();

// Twips <-> device units of a canvas.
int TwipsToDevice(int twips, int dpi);
int DeviceToTwips(int device, int dpi);
