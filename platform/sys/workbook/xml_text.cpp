#include "platform/sys/workbook/xml_text.h"

#include <expat.h>

#include <cstdint>
#include <memory>
#include <new>
#include <string_view>

#include "platform/rtl/exceptions.h"

std::string TXmlElement::LocalName() const {
  std::size_t colon = Name.rfind(':');
  return colon == std::string::npos ? Name : Name.substr(colon + 1);
}

const std::string* TXmlElement::Find(const std::string& local) const {
  for (const TXmlAttribute& a : Attributes) {
    std::size_t colon = a.Name.rfind(':');
    std::string_view name(a.Name);
    if (colon != std::string::npos) name.remove_prefix(colon + 1);
    if (name == local && a.Name.rfind("xmlns", 0) != 0) return &a.Value;
  }
  return nullptr;
}

std::string TXmlElement::Value(const std::string& local) const {
  const std::string* v = Find(local);
  return v ? *v : std::string();
}

namespace {

struct TParseState {
  XML_Parser Parser = nullptr;
  TXmlHandler* Handler = nullptr;
  std::vector<TXmlElement> Open;
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
    TXmlElement e;
    e.Name = name;
    for (const XML_Char** a = attrs; *a; a += 2) e.Attributes.push_back({a[0], a[1]});
    e.Begin = static_cast<std::size_t>(XML_GetCurrentByteIndex(s.Parser));
    e.StartEnd = e.Begin + static_cast<std::size_t>(XML_GetCurrentByteCount(s.Parser));
    s.Open.push_back(std::move(e));
    s.Handler->StartElement(s.Open.back(), static_cast<int>(s.Open.size()) - 1);
  } catch (...) {
    s.Failure = std::current_exception();
    XML_StopParser(s.Parser, XML_FALSE);
  }
}

void XMLCALL OnEnd(void* data, const XML_Char*) {
  auto& s = *static_cast<TParseState*>(data);
  if (s.Failure || s.Open.empty()) return;
  try {
    FlushText(s);
    int count = XML_GetCurrentByteCount(s.Parser);
    // An empty element ("<c/>") ends where its start tag ends.
    std::size_t end = count > 0 ? static_cast<std::size_t>(XML_GetCurrentByteIndex(s.Parser)) + count
                                : s.Open.back().StartEnd;
    TXmlElement e = std::move(s.Open.back());
    s.Open.pop_back();
    s.Handler->EndElement(e, end, static_cast<int>(s.Open.size()));
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
  XML_Status status = XML_Parse(parser.get(), xml.data(), static_cast<int>(xml.size()), XML_TRUE);
  if (state.Failure) std::rethrow_exception(state.Failure);
  if (status != XML_STATUS_OK)
    throw EOleException("The workbook part " + part + " is not well-formed XML (line " +
                        std::to_string(XML_GetCurrentLineNumber(parser.get())) + ": " +
                        XML_ErrorString(XML_GetErrorCode(parser.get())) + ")");
}

std::string XmlEscape(const std::string& text, bool cellText) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  for (std::size_t i = 0; i < text.size();) {
    std::uint32_t cp = 0;
    std::size_t n = Utf8Length(text, i, cp);
    if (n == 0) {
      out += "\xEF\xBF\xBD";
      ++i;
      continue;
    }
    if (n == 1) {
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
    } else {
      out.append(text, i, n);
    }
    i += n;
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
