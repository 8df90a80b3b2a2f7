#include "platform/sys/workbook/xml_text.h"

#include <expat.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>

#include "platform/rtl/exceptions.h"

std::string_view TXmlElement::LocalName() const {
  std::size_t colon = Name.rfind(':');
  return colon == std::string::npos ? std::string_view(Name) : std::string_view(Name).substr(colon + 1);
}

const std::string* TXmlElement::Find(std::string_view local) const {
  for (const TXmlAttribute& a : Attributes) {
    std::size_t colon = a.Name.rfind(':');
    std::string_view name(a.Name);
    if (colon != std::string::npos) name.remove_prefix(colon + 1);
    if (name == local && a.Name.rfind("xmlns", 0) != 0) return &a.Value;
  }
  return nullptr;
}

std::string TXmlElement::Value(std::string_view local) const {
  const std::string* v = Find(local);
  return v ? *v : std::string();
}

namespace {

struct TParseState {
  XML_Parser Parser = nullptr;
  TXmlHandler* Handler = nullptr;
  // The open elements are Open[0 .. Depth - 1]; the entries beyond stay allocated, so the
  // elements of a large part reuse their names' and attributes' storage.
  std::vector<TXmlElement> Open;
  std::size_t Depth = 0;
  std::string Text;
  std::exception_ptr Failure;
};

void FlushText(TParseState& s) {
  if (s.Text.empty()) return;
  s.Handler->Text(s.Text);
  s.Text.clear();
}

void XMLCALL OnStart(void* data, const XML_Char* name, const XML_Char** attrs) {
  auto& s = *static_cast<TParseState*>(data);
  if (s.Failure) return;
  try {
    FlushText(s);
    if (s.Depth == s.Open.size()) s.Open.emplace_back();
    TXmlElement& e = s.Open[s.Depth++];
    e.Name.assign(name);
    std::size_t count = 0;
    while (attrs[2 * count]) ++count;
    e.Attributes.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
      e.Attributes[i].Name.assign(attrs[2 * i]);
      e.Attributes[i].Value.assign(attrs[2 * i + 1]);
    }
    e.Begin = static_cast<std::size_t>(XML_GetCurrentByteIndex(s.Parser));
    e.StartEnd = e.Begin + static_cast<std::size_t>(XML_GetCurrentByteCount(s.Parser));
    s.Handler->StartElement(e, static_cast<int>(s.Depth) - 1);
  } catch (...) {
    s.Failure = std::current_exception();
    XML_StopParser(s.Parser, XML_FALSE);
  }
}

void XMLCALL OnEnd(void* data, const XML_Char*) {
  auto& s = *static_cast<TParseState*>(data);
  if (s.Failure || s.Depth == 0) return;
  try {
    FlushText(s);
    const TXmlElement& e = s.Open[--s.Depth];
    int count = XML_GetCurrentByteCount(s.Parser);
    // An empty element ("<c/>") ends where its start tag ends.
    std::size_t end = count > 0 ? static_cast<std::size_t>(XML_GetCurrentByteIndex(s.Parser)) + count
                                : e.StartEnd;
    s.Handler->EndElement(e, end, static_cast<int>(s.Depth));
  } catch (...) {
    s.Failure = std::current_exception();
    XML_StopParser(s.Parser, XML_FALSE);
  }
}

void XMLCALL OnText(void* data, const XML_Char* text, int len) {
  auto& s = *static_cast<TParseState*>(data);
  if (!s.Failure) s.Text.append(text, static_cast<std::size_t>(len));
}

// Length of the valid UTF-8 sequence at s[i], or 0.
std::size_t Utf8Length(const std::string& s, std::size_t i, std::uint32_t& cp) {
  auto b = static_cast<unsigned char>(s[i]);
  std::size_t n;
  if (b < 0x80) { cp = b; return 1; }
  if (b >= 0xC2 && b <= 0xDF) { n = 2; cp = b & 0x1F; }
  else if (b >= 0xE0 && b <= 0xEF) { n = 3; cp = b & 0x0F; }
  else if (b >= 0xF0 && b <= 0xF4) { n = 4; cp = b & 0x07; }
  else return 0;
  if (i + n > s.size()) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    auto c = static_cast<unsigned char>(s[i + k]);
    if ((c & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (c & 0x3F);
  }
  if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
      (cp >= 0xD800 && cp <= 0xDFFF) || cp == 0xFFFE || cp == 0xFFFF)
    return 0;
  return n;
}

bool IsHex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// A "_xHHHH_" escape at text[i].
bool IsCellEscape(const std::string& text, std::size_t i) {
  if (i + 7 > text.size() || text[i] != '_' || text[i + 1] != 'x' || text[i + 6] != '_') return false;
  for (std::size_t k = 2; k < 6; ++k)
    if (!IsHex(text[i + k])) return false;
  return true;
}

void AppendHex4(std::string& out, unsigned v) {
  static const char digits[] = "0123456789ABCDEF";
  out += "_x";
  for (int shift = 12; shift >= 0; shift -= 4) out += digits[(v >> shift) & 0xF];
  out += '_';
}

}  // namespace

void ParseXml(const std::string& xml, const std::string& part, TXmlHandler& handler) {
  std::unique_ptr<std::remove_pointer_t<XML_Parser>, decltype(&XML_ParserFree)> parser(
      XML_ParserCreate("UTF-8"), &XML_ParserFree);
  if (!parser) throw std::bad_alloc();
  TParseState state;
  state.Parser = parser.get();
  state.Handler = &handler;
  XML_SetUserData(parser.get(), &state);
  XML_SetElementHandler(parser.get(), OnStart, OnEnd);
  XML_SetCharacterDataHandler(parser.get(), OnText);
  if (xml.size() > static_cast<std::size_t>(INT32_MAX))
    throw EOleException("The workbook part " + part + " is too large");
  // The text goes to the parser a piece at a time through the parser's own buffer, which so
  // stays small (handing it the whole part would make it copy all of it first). Offsets stay
  // those of the whole text.
  constexpr std::size_t kPiece = 1u << 20;
  std::size_t at = 0;
  XML_Status status = XML_STATUS_OK;
  do {
    const std::size_t n = std::min(kPiece, xml.size() - at);
    // An empty part takes no buffer (the parser gives none of size 0): it ends the text at once.
    if (n) {
      void* buffer = XML_GetBuffer(parser.get(), static_cast<int>(n));
      if (!buffer) throw std::bad_alloc();
      std::memcpy(buffer, xml.data() + at, n);
    }
    at += n;
    status = XML_ParseBuffer(parser.get(), static_cast<int>(n), at == xml.size() ? XML_TRUE : XML_FALSE);
    if (state.Failure) std::rethrow_exception(state.Failure);
  } while (status == XML_STATUS_OK && at < xml.size());
  if (status != XML_STATUS_OK)
    throw EOleException("The workbook part " + part + " is not well-formed XML (line " +
                        std::to_string(XML_GetCurrentLineNumber(parser.get())) + ": " +
                        XML_ErrorString(XML_GetErrorCode(parser.get())) + ")");
}

void AppendXmlEscaped(std::string& out, const std::string& text, bool cellText) {
  // Runs of plain ASCII are copied whole; everything else is looked at byte by byte.
  std::size_t run = 0;
  auto flush = [&](std::size_t i) {
    out.append(text, run, i - run);
  };
  for (std::size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b >= 0x20 && b < 0x80 && b != '&' && b != '<' && b != '>' && b != '"' && b != '_') {
      ++i;
      continue;
    }
    flush(i);
    std::uint32_t cp = 0;
    std::size_t n = Utf8Length(text, i, cp);
    if (n == 0) {
      out += "\xEF\xBF\xBD";
      ++i;
    } else if (n == 1) {
      char c = text[i];
      switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '_':
          if (cellText && IsCellEscape(text, i)) AppendHex4(out, '_');
          else out += c;
          break;
        default:
          if (cp < 0x20 && c != '\t' && c != '\n' && c != '\r') {
            if (cellText) AppendHex4(out, cp);
            else out += "\xEF\xBF\xBD";
          }
          else out += c;
      }
      ++i;
    } else {
      out.append(text, i, n);
      i += n;
    }
    run = i;
  }
  flush(text.size());
}

std::string XmlEscape(const std::string& text, bool cellText) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  AppendXmlEscaped(out, text, cellText);
  return out;
}

std::string XmlCellTextAsRead(const std::string& text) {
  bool plain = true;
  for (char c : text)
    if (c == '\r' || static_cast<unsigned char>(c) >= 0x80) plain = false;
  if (plain) return text;
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    std::uint32_t cp = 0;
    std::size_t n = Utf8Length(text, i, cp);
    if (n == 0) {
      out += "\xEF\xBF\xBD";
      ++i;
    } else if (text[i] == '\r') {
      out += '\n';
      i += i + 1 < text.size() && text[i + 1] == '\n' ? 2 : 1;
    } else {
      out.append(text, i, n);
      i += n;
    }
  }
  return out;
}

std::string XmlUnescapeCellText(const std::string& text) {
  if (text.find("_x") == std::string::npos) return text;
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    if (IsCellEscape(text, i)) {
      unsigned v = static_cast<unsigned>(std::stoul(text.substr(i + 2, 4), nullptr, 16));
      // Only the characters an XML text cannot hold come escaped; others stay as written.
      if (v < 0x80) {
        out += static_cast<char>(v);
        i += 7;
        continue;
      }
    }
    out += text[i++];
  }
  return out;
}
