// The text coders of mail messages: base64, quoted-printable, header encoded words and uuencode.
#pragma once

#include <string>
#include <vector>

#include "platform/rtl/exceptions.h"

class TStream;
class TStrings;

// Base64 of a text, cut at 255 characters (credentials, header words).
std::string EncodeBase64(const std::string& text);
// Base64 of any number of bytes, uncut.
std::string EncodeBase64Data(const std::string& data);
// Groups of four characters into three bytes; an incomplete last group is ignored.  A character
// outside the alphabet and "=" raises EInOutError "Invalid Character".
std::string DecodeBase64(const std::string& text);

// Quoted-printable: stream to lines and lines to stream.  Paragraphs end at CR LF, CR or LF; a
// paragraph of 24576 bytes or more raises "Paragraph is too large".
class TQuotedPrintable {
public:
  TQuotedPrintable(TStream* stream, TStrings* lines) : FStream(stream), FLines(lines) {}
  void Encode();
  void Decode();
  bool Cancel = false;

  // The same over plain containers.
  static std::vector<std::string> EncodeText(const std::string& data);
  static std::string DecodeLines(const std::vector<std::string>& lines);

private:
  TStream* FStream;
  TStrings* FLines;
};

// One text: its first decoded line, cut at 255 characters.
std::string DecodeQuotedPrintableText(const std::string& text);

// A text that starts with ESC becomes one ISO-2022-JP encoded word; a text with bytes of 128 or
// more becomes UTF-8 encoded words; any other text is returned unchanged.
std::string EncodeHeaderWord(const std::string& text);
// Decodes the encoded words of a header text ("=?charset?B|Q?data?="); "_" stands for a blank
// only inside Q data.  The result is cut at 255 characters.
std::string DecodeHeaderText(const std::string& text);

// Uuencode, one line per block of at most 45 bytes.
std::string UuEncodeLine(const std::string& block);
std::string UuDecodeLine(const std::string& line);
bool IsUUBeginLine(const std::string& line);
std::string GetUUFileName(const std::string& line);

// Strips folders and ".." from a file name that came with a message, so that it can be used as
// a file name in a folder of our choice.  Gives "" when nothing usable is left.
std::string SafeAttachmentName(const std::string& name);
