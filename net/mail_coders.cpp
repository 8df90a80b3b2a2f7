#include "net/mail_coders.h"

#include <cstdint>

#include "net/net_pump.h"
#include "net/net_text.h"
#include "platform/rtl/base64.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/string_list.h"

namespace {

constexpr std::size_t kParagraphLimit = 24576;
constexpr std::size_t kPieceLength = 65;

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

EInOutError InvalidCharacter() { return EInOutError("Invalid Character", 0); }

// Decodes "=XX" pairs of one line; an "=" at the end of the line and pairs that are not
// hexadecimal stay as they are.
std::string DecodeQPLine(const std::string& line) {
  std::string out;
  out.reserve(line.size());
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '=' && i + 2 < line.size()) {
      const int hi = HexValue(line[i + 1]);
      const int lo = HexValue(line[i + 2]);
      if (hi >= 0 && lo >= 0) {
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
        continue;
      }
    }
    out += line[i];
  }
  return out;
}

std::string CodePiece(const std::string& piece, bool soft) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(piece.size() + 8);
  for (std::size_t i = 0; i < piece.size(); ++i) {
    const auto b = static_cast<unsigned char>(piece[i]);
    // A blank that ends a line would be taken away by the reader's trimming: code it.
    const bool lastBlank = b == ' ' && i + 1 == piece.size();
    if (b < 32 || b == '=' || b >= 128 || lastBlank) {
      out += '=';
      out += kHex[b >> 4];
      out += kHex[b & 15];
    } else {
      out += static_cast<char>(b);
    }
  }
  if (soft) out += '=';
  return out;
}

// Cuts one paragraph into pieces of at most 65 characters, before the last blank when there is
// one after the first position, and codes them.
void EncodeParagraph(const std::string& para, std::vector<std::string>& out) {
  if (para.empty()) {
    out.emplace_back();
    return;
  }
  std::size_t start = 0;
  while (start < para.size()) {
    std::size_t len = para.size() - start;
    if (len > kPieceLength) {
      len = kPieceLength;
      // A blank just after the window may end the piece too: it then begins the next piece.
      for (std::size_t k = kPieceLength; k >= 1; --k) {
        if (para[start + k] == ' ') {
          len = k;
          break;
        }
      }
    }
    const bool last = start + len >= para.size();
    out.push_back(CodePiece(para.substr(start, len), !last));
    start += len;
  }
}

void AddDecodedParagraph(std::string& para, const std::string& decoded) {
  if (para.size() + decoded.size() >= kParagraphLimit) throw Exception("Paragraph is too large");
  para += decoded;
}

}  // namespace

std::string EncodeBase64Data(const std::string& data) { return Base64Encode(data); }

std::string EncodeBase64(const std::string& text) {
  NetPumpMessages();
  std::string out = EncodeBase64Data(text);
  if (out.size() > 255) out.resize(255);
  return out;
}

std::string DecodeBase64(const std::string& text) {
  NetPumpMessages();
  std::string out;
  if (!Base64Decode(text, out)) throw InvalidCharacter();
  return out;
}

std::vector<std::string> TQuotedPrintable::EncodeText(const std::string& data) {
  std::vector<std::string> out;
  std::string para;
  std::size_t i = 0;
  while (i < data.size()) {
    const char c = data[i++];
    if (c == '\r' || c == '\n') {
      // CR LF is one line end; every other CR or LF is one of its own, so empty lines survive.
      if (c == '\r' && i < data.size() && data[i] == '\n') ++i;
      EncodeParagraph(para, out);
      para.clear();
      continue;
    }
    para += c;
    if (para.size() >= kParagraphLimit) throw Exception("Paragraph is too large");
  }
  if (!para.empty()) {
    // No line end after the last line: a soft break keeps the reader from adding one.
    EncodeParagraph(para, out);
    out.back() += '=';
  }
  return out;
}

std::string TQuotedPrintable::DecodeLines(const std::vector<std::string>& lines) {
  std::string out;
  std::string para;
  for (const std::string& line : lines) {
    if (!line.empty() && line.back() == '=') {
      AddDecodedParagraph(para, DecodeQPLine(line.substr(0, line.size() - 1)));
      continue;
    }
    AddDecodedParagraph(para, DecodeQPLine(line));
    out += para;
    if (para.empty() || para.back() != 26) out += "\r\n";
    para.clear();
  }
  out += para;  // a soft break on the last line leaves the paragraph open
  return out;
}

void TQuotedPrintable::Encode() {
  const std::string data = ReadWholeStream(*FStream);
  for (const std::string& line : EncodeText(data)) {
    if (Cancel) break;
    FLines->Add(line);
  }
  NetPumpMessages();
}

void TQuotedPrintable::Decode() {
  std::vector<std::string> lines;
  lines.reserve(static_cast<std::size_t>(FLines->Count()));
  for (int i = 0; i < FLines->Count(); ++i) lines.push_back(FLines->Strings(i));
  const std::string data = DecodeLines(lines);
  if (!data.empty()) FStream->WriteBuffer(data.data(), static_cast<int>(data.size()));
  NetPumpMessages();
}

std::string DecodeQuotedPrintableText(const std::string& text) {
  std::string decoded = TQuotedPrintable::DecodeLines({text});
  if (const auto end = decoded.find("\r\n"); end != std::string::npos) decoded.resize(end);
  if (decoded.size() > 255) decoded.resize(255);
  return decoded;
}

std::string EncodeHeaderWord(const std::string& text) {
  if (!text.empty() && text[0] == 27) return "=?ISO-2022-JP?B?" + EncodeBase64Data(text) + "?=";
  bool plain = true;
  for (unsigned char c : text)
    if (c >= 128) plain = false;
  if (plain) return text;
  // Words of at most 45 bytes, cut between UTF-8 sequences; the reader joins them again.
  std::string out;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = std::min(text.size(), start + 45);
    while (end < text.size() && end > start + 1 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    if (!out.empty()) out += ' ';
    out += "=?UTF-8?B?" + EncodeBase64Data(text.substr(start, end - start)) + "?=";
    start = end;
  }
  return out;
}

std::string DecodeHeaderText(const std::string& text) {
  std::string s = text;
  std::size_t from = 0;
  for (int guard = 0; guard < 10000; ++guard) {
    const std::size_t open = s.find("=?", from);
    if (open == std::string::npos) break;
    // The end "?=" is the first one that is not the "?B?=" / "?Q?=" of the kind itself.
    std::size_t end = s.find("?=", open + 2);
    while (end != std::string::npos && end >= 2 &&
           (s.compare(end - 2, 2, "?B") == 0 || s.compare(end - 2, 2, "?Q") == 0 ||
            s.compare(end - 2, 2, "?b") == 0 || s.compare(end - 2, 2, "?q") == 0) &&
           end - 2 >= open + 2) {
      end = s.find("?=", end + 1);
    }
    if (end == std::string::npos) break;
    const std::string inner = s.substr(open + 2, end - open - 2);
    const std::size_t q1 = inner.find('?');
    const std::size_t q2 = q1 == std::string::npos ? q1 : inner.find('?', q1 + 1);
    std::string decoded;
    if (q2 != std::string::npos) {
      const std::string kind = inner.substr(q1 + 1, q2 - q1 - 1);
      std::string data = inner.substr(q2 + 1);
      if (kind == "B" || kind == "b") {
        // A word whose data is not base64 is no encoded word: it stays as written.
        if (!Base64Decode(data, decoded)) {
          from = end + 2;
          continue;
        }
      } else if (kind == "Q" || kind == "q") {
        for (char& c : data)
          if (c == '_') c = ' ';
        decoded = DecodeQuotedPrintableText(data);
      }
    }
    std::string after = s.substr(end + 2);
    const std::size_t a = after.find_first_not_of(" \t");
    after = a == std::string::npos ? std::string() : after.substr(a);
    std::string before = s.substr(0, open);
    s = before + decoded + after;
    from = before.size() + decoded.size();
  }
  if (s.size() > 255) s.resize(255);
  return s;
}

namespace {

char UuChar(unsigned v) { return v == 0 ? '`' : static_cast<char>(32 + v); }

int UuValue(char c) {
  const auto b = static_cast<unsigned char>(c);
  if (b == '`' || b == ' ') return 0;
  if (b >= '!' && b <= '_') return b - 32;
  return -1;
}

}  // namespace

std::string UuEncodeLine(const std::string& block) {
  const std::size_t n = std::min<std::size_t>(block.size(), 45);
  const std::size_t count = n == 45 ? 60 : n * 4 / 3 + 1;
  std::string line(1, UuChar(static_cast<unsigned>(n)));
  for (std::size_t k = 0; k < count; ++k) {
    // Value k covers bits 6k .. 6k+5 of the block, most significant bit of each byte first.
    unsigned v = 0;
    for (int b = 0; b < 6; ++b) {
      const std::size_t bit = k * 6 + static_cast<std::size_t>(b);
      const std::size_t byte = bit / 8;
      const unsigned set = byte < n ? (static_cast<unsigned char>(block[byte]) >> (7 - bit % 8)) & 1 : 0;
      v = (v << 1) | set;
    }
    line += UuChar(v);
  }
  return line;
}

std::string UuDecodeLine(const std::string& line) {
  if (line.empty()) return {};
  const int count = UuValue(line[0]);
  if (count < 0) throw InvalidCharacter();
  std::string out;
  std::uint32_t acc = 0;
  int bits = 0;
  for (std::size_t i = 1; i < line.size() && static_cast<int>(out.size()) < count; ++i) {
    const int v = UuValue(line[i]);
    if (v < 0) throw InvalidCharacter();
    acc = (acc << 6) | static_cast<std::uint32_t>(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out += static_cast<char>((acc >> bits) & 0xFF);
    }
  }
  return out;
}

bool IsUUBeginLine(const std::string& line) {
  if (line.size() < 9) return false;
  if (UpperCaseAscii(line.substr(0, 5)) != "BEGIN") return false;
  const std::string mode = TrimBlanks(line.substr(5, 4));
  if (mode.empty()) return false;
  for (char c : mode)
    if (c < '0' || c > '9') return false;
  return true;
}

std::string GetUUFileName(const std::string& line) {
  if (line.size() <= 10) return {};
  std::string name = line.substr(10);
  if (!name.empty() && name[0] == '"') {
    const std::size_t close = name.find('"', 1);
    name = name.substr(1, close == std::string::npos ? std::string::npos : close - 1);
  }
  return name;
}

std::string SafeAttachmentName(const std::string& name) {
  std::string base = name;
  if (const auto slash = base.find_last_of("/\\:"); slash != std::string::npos) base = base.substr(slash + 1);
  std::string out;
  for (char c : base)
    if (static_cast<unsigned char>(c) >= 32) out += c;
  while (out.find("..") != std::string::npos) out.erase(out.find(".."), 2);
  out = TrimBlanks(out);
  return out;
}
