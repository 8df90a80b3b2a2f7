// XML of the workbook parts: reading through expat with the byte span of every element, so a
// part can be rewritten in place around the elements we change, and escaping for writing.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct TXmlAttribute {
  std::string Name;  // as written, prefix included ("r:id")
  std::string Value;
};

struct TXmlElement {
  std::string Name;  // as written ("x:sheet")
  std::vector<TXmlAttribute> Attributes;
  std::size_t Begin = 0;     // offset of "<" of the start tag
  std::size_t StartEnd = 0;  // offset just after the start tag
  // The name without its prefix.
  std::string_view LocalName() const;
  // The value of the attribute whose name without prefix is `local`; empty when absent.
  const std::string* Find(std::string_view local) const;
  std::string Value(std::string_view local) const;
};

class TXmlHandler {
public:
  virtual ~TXmlHandler() = default;
  virtual void StartElement(const TXmlElement& element, int depth) = 0;
  // `end` is the offset just after the end tag (or after "/>").
  virtual void EndElement(const TXmlElement& element, std::size_t end, int depth) = 0;
  virtual void Text(const std::string&) {}
};

// Parses `xml`; malformed XML raises EOleException naming `part`.
void ParseXml(const std::string& xml, const std::string& part, TXmlHandler& handler);

// Text for element content and attribute values: &, <, >, " escaped; bytes that are not valid
// UTF-8 become U+FFFD. Characters XML cannot carry (controls other than tab, CR, LF) become
// U+FFFD too, except in a cell text, where they and a literal "_xHHHH_" are written as the
// workbook escape "_xHHHH_", which the reader undoes.
std::string XmlEscape(const std::string& text, bool cellText = false);
// XmlEscape appending to `out`.
void AppendXmlEscaped(std::string& out, const std::string& text, bool cellText = false);
// A cell text as a reader finds it after XmlEscape(text, true) went into a part: CR LF and a
// lone CR as LF (as any XML reader gives line breaks), bytes that are no UTF-8 as U+FFFD.
std::string XmlCellTextAsRead(const std::string& text);
// Undoes the workbook escape "_xHHHH_" of a cell text.
std::string XmlUnescapeCellText(const std::string& text);
