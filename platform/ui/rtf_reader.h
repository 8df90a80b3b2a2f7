// Our reader of rich text (RTF): the subset the rich edit keeps (fonts, sizes, colours, bold,
// italic, underline, strike-out, alignment, indents, bullets, tabs, line breaks, Windows-1252
// and Unicode characters). Unknown destinations and control words are skipped.
//
// The bytes may come from anywhere: nesting depth, control word and number lengths, binary
// runs and the size of the result are capped; a document past a cap or without the RTF header
// raises ERtfError, and nothing is changed by a failed read.
#pragma once

#include <string>

#include "platform/rtl/exceptions.h"
#include "platform/ui/rich_text_document.h"

QN_DECLARE_EXCEPTION(ERtfError, Exception);

struct TRtfLimits {
  int MaxDepth = 200;                       // nested groups
  std::size_t MaxTextBytes = 64u << 20;     // UTF-8 bytes of text read
  std::size_t MaxTableEntries = 16384;      // fonts, colours
};

// True when the text starts (after blanks) with "{\rtf".
bool IsRtfText(const std::string& bytes);
// Reads a whole document; `defaults` is the format before any control word (RTF's own default
// size, 12 points, unless the document sets one).
TRichContent ReadRtf(const std::string& bytes, const TRtfLimits& limits = {});
// The text of an RTF document without its formats, paragraphs ending CR LF.
std::string RtfToPlainText(const std::string& bytes);
