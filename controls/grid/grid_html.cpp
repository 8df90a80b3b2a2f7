// HTML table export of TQnStringGrid: one table of the saved cells between optional header and
// footer files.
#include <cctype>

#include "controls/grid/grid_io.h"
#include "controls/grid/grid_utils.h"
#include "controls/grid/qn_grid.h"
#include "platform/gfx/colors.h"
#include "platform/rtl/streams.h"

namespace {

// The tags of the cells' own markup; anything else in a markup cell is written as text, so
// that record data cannot bring scripts or frames into the page.
bool IsCellMarkupTag(const std::string& name) {
  static const char* const kTags[] = {"A", "B", "I", "U", "S", "FONT", "BR", "P", "IMG", "HR",
                                      "SUB", "SUP", "LI", "UL", "Z", "IND", "BODY", "SHAD",
                                      "BLINK", "STRIKE", "EM", "STRONG"};
  for (const char* t : kTags)
    if (name == t) return true;
  return false;
}

std::string TagName(const std::string& text, std::size_t lt) {
  std::size_t i = lt + 1;
  if (i < text.size() && text[i] == '/') ++i;
  std::string name;
  while (i < text.size() && std::isalpha(static_cast<unsigned char>(text[i])))
    name += static_cast<char>(std::toupper(static_cast<unsigned char>(text[i++])));
  return name;
}

// Markup cells keep their own tags; any other "<" becomes text.
std::string GuardMarkup(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '<' && !IsCellMarkupTag(TagName(text, i)))
      out += "&lt;";
    else
      out += text[i];
  }
  return out;
}

std::string HexColor(TColor colour) {
  return "#" + ColorToHex(static_cast<int>(ColorToRGB(colour)));
}

}  // namespace

std::string HTMLEscape(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string MakeCellLink(const std::string& text) {
  if (!IsURL(text)) return text;
  const std::string escaped = HTMLEscape(text);
  return "<A HREF=\"" + escaped + "\">" + escaped + "</A>";
}

std::string TQnStringGrid::HTMLCellText(int RealCol, int ARow) {
  const std::string& text = Cells(RealCol, ARow);
  if (GetTextKind(text, EnableHTML) == 1) return CRToBR(GuardMarkup(text));
  // Links keep their text in the anchor; other texts are escaped whole.
  return CRToBR(IsURL(text) ? MakeCellLink(text) : HTMLEscape(text));
}

std::vector<std::string> TQnStringGrid::HTMLLines() {
  const THTMLSettings& s = *FHTMLSettings;
  std::vector<std::string> lines;
  if (!s.PrefixTag.empty()) lines.push_back(s.PrefixTag);
  std::string table = "<table border=\"" + std::to_string(s.BorderSize) + "\" cellspacing=\"" +
                      std::to_string(s.CellSpacing) + "\" cellpadding=\"" +
                      std::to_string(s.CellPadding) + "\" width=\"" + std::to_string(s.Width) + "%\"";
  if (!s.TableStyle.empty()) table += " " + s.TableStyle + " ";
  table += ">";
  lines.push_back(table);

  TBrush brush;
  TFont font;
  auto attributes = [&](int realCol, int row, bool fixed) {
    brush.SetColor(fixed ? FixedColor() : Color());
    font.Assign(fixed ? FFixedFont : Font());
    GetCellColor(realCol, row, TGridDrawState(), brush, font);
    std::string a;
    if (!FWordWrap) a += " nowrap";
    TAlignment align = taLeftJustify;
    GetCellAlign(realCol, row, align);
    if (align == taRightJustify) a += " align=\"right\"";
    else if (align == taCenter) a += " align=\"center\"";
    if (s.SaveColor) a += " BGCOLOR=\"" + HexColor(brush.Color()) + "\"";
    return a;
  };

  const int fixedRows = TStringGrid::FixedRows(), fixedCols = TStringGrid::FixedCols();
  const bool headerRow = StoreFixedCells && fixedRows > 0;
  if (headerRow) {
    std::string line = "<tr>";
    for (int c = 0; c < ColCount(); ++c) {
      const int rc = RealColIndex(c);
      const std::string text = HTMLCellText(rc, 0);
      line += "<td" + attributes(rc, 0, true) + "><B>" + (text.empty() ? "<br>" : text) + "</B></td>";
    }
    lines.push_back(line + "</tr>");
  }
  const int firstRow = headerRow ? 1 : fixedRows;
  const int firstCol = StoreFixedCells ? 0 : fixedCols;
  for (int r = firstRow; r < RowCount(); ++r) {
    std::string line = "<tr>";
    for (int c = firstCol; c < ColCount(); ++c) {
      const int rc = RealColIndex(c);
      const bool fixed = c < fixedCols || r < fixedRows;
      line += "<td" + attributes(rc, r, fixed) + ">";
      std::string text = HTMLCellText(rc, r);
      if (s.SaveFonts) {
        const TFontStyles st = font.Style();
        if (st.Contains(fsBold)) text = "<B>" + text + "</B>";
        if (st.Contains(fsItalic)) text = "<I>" + text + "</I>";
        if (st.Contains(fsUnderline)) text = "<U>" + text + "</U>";
        text = "<font color=\"" + HexColor(font.Color()) + "\">" + text + "</font>";
      }
      line += text + "</td>";
    }
    lines.push_back(line + "</tr>");
  }
  lines.push_back("</table><p>");
  if (!s.SuffixTag.empty()) lines.push_back(s.SuffixTag);
  return lines;
}

void TQnStringGrid::SaveToHTML(const std::string& FileName) {
  // The header and footer are read first, so that a missing one leaves no half-written page.
  const std::string header = FHTMLSettings->HeaderFile.empty() ? "" : ReadGridFile(FHTMLSettings->HeaderFile);
  const std::string footer = FHTMLSettings->FooterFile.empty() ? "" : ReadGridFile(FHTMLSettings->FooterFile);
  TMemoryStream out;
  auto put = [&out](const std::string& text) {
    if (!text.empty()) out.WriteBuffer(text.data(), static_cast<long>(text.size()));
  };
  auto copyLines = [&put](const std::string& text) {
    if (text.empty()) return;
    put(text);
    if (text.back() != '\n') put("\r\n");
  };
  copyLines(header);
  std::string body;
  for (const std::string& line : HTMLLines()) {
    body += line;
    body += "\r\n";
  }
  put(body);
  copyLines(footer);
  WriteGridFile(out, FileName, "Cannot create file " + FileName);
}
