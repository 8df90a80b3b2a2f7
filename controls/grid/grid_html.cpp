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

// Replaces the file with the text in one write; EQnGridError with the message on failure.
void WriteGridText(const std::string& Text, const std::string& FileName, const std::string& Message) {
  try {
    TFileStream out(FileName, fmCreate);
    if (!Text.empty()) out.WriteBuffer(Text.data(), static_cast<long>(Text.size()));
  } catch (const Exception&) {
    throw EQnGridError(Message);
  }
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

void TQnStringGrid::AppendHTMLCellText(std::string& Out, int RealCol, int ARow) {
  const std::string& text = Cells(RealCol, ARow);
  // Plain texts (the most) go straight in, escaped, with their line breaks as <br>.
  auto escaped = [&Out](const std::string& t) {
    for (char c : t) {
      switch (c) {
        case '&': Out += "&amp;"; break;
        case '<': Out += "&lt;"; break;
        case '>': Out += "&gt;"; break;
        case '"': Out += "&quot;"; break;
        case '\r': Out += "<br>"; break;
        default: Out += c;
      }
    }
  };
  if (GetTextKind(text, EnableHTML) == 1) {
    Out += CRToBR(GuardMarkup(text));
    return;
  }
  if (IsURL(text)) {
    Out += "<A HREF=\"";
    escaped(text);
    Out += "\">";
    escaped(text);
    Out += "</A>";
    return;
  }
  escaped(text);
}

std::string TQnStringGrid::HTMLCellText(int RealCol, int ARow) {
  std::string out;
  AppendHTMLCellText(out, RealCol, ARow);
  return out;
}

std::vector<std::string> TQnStringGrid::HTMLLines() {
  std::vector<std::string> lines;
  BuildHTML([&lines](const std::string& line) { lines.push_back(line); });
  return lines;
}

void TQnStringGrid::BuildHTML(const std::function<void(const std::string& Line)>& Put) {
  const THTMLSettings& s = *FHTMLSettings;
  if (!s.PrefixTag.empty()) Put(s.PrefixTag);
  std::string table = "<table border=\"" + std::to_string(s.BorderSize) + "\" cellspacing=\"" +
                      std::to_string(s.CellSpacing) + "\" cellpadding=\"" +
                      std::to_string(s.CellPadding) + "\" width=\"" + std::to_string(s.Width) + "%\"";
  if (!s.TableStyle.empty()) table += " " + s.TableStyle + " ";
  table += ">";
  Put(table);

  TBrush brush;
  TFont font;
  // The last colour written and its text: neighbouring cells mostly share their colours.
  TColor lastColor = clNone;
  std::string lastHex;
  auto hex = [&lastColor, &lastHex](TColor c) -> const std::string& {
    if (c != lastColor || lastHex.empty()) {
      lastColor = c;
      lastHex = HexColor(c);
    }
    return lastHex;
  };
  auto attributes = [&](std::string& out, int realCol, int row, bool fixed) {
    brush.SetColor(fixed ? FixedColor() : Color());
    font.Assign(fixed ? FFixedFont : Font());
    GetCellColor(realCol, row, TGridDrawState(), brush, font);
    if (!FWordWrap) out += " nowrap";
    TAlignment align = taLeftJustify;
    GetCellAlign(realCol, row, align);
    if (align == taRightJustify) out += " align=\"right\"";
    else if (align == taCenter) out += " align=\"center\"";
    if (s.SaveColor) {
      out += " BGCOLOR=\"";
      out += hex(brush.Color());
      out += '"';
    }
  };

  const int fixedRows = TStringGrid::FixedRows(), fixedCols = TStringGrid::FixedCols();
  const bool headerRow = StoreFixedCells && fixedRows > 0;
  if (headerRow) {
    std::string line = "<tr>";
    for (int c = 0; c < ColCount(); ++c) {
      const int rc = RealColIndex(c);
      line += "<td";
      attributes(line, rc, 0, true);
      line += "><B>";
      const std::size_t at = line.size();
      AppendHTMLCellText(line, rc, 0);
      if (line.size() == at) line += "<br>";
      line += "</B></td>";
    }
    Put(line + "</tr>");
  }
  const int firstRow = headerRow ? 1 : fixedRows;
  const int firstCol = StoreFixedCells ? 0 : fixedCols;
  std::string line;
  for (int r = firstRow; r < RowCount(); ++r) {
    line.clear();
    line += "<tr>";
    for (int c = firstCol; c < ColCount(); ++c) {
      const int rc = RealColIndex(c);
      const bool fixed = c < fixedCols || r < fixedRows;
      line += "<td";
      attributes(line, rc, r, fixed);
      line += '>';
      if (!s.SaveFonts) {
        AppendHTMLCellText(line, rc, r);
      } else {
        const TFontStyles st = font.Style();
        line += "<font color=\"";
        line += hex(font.Color());
        line += "\">";
        if (st.Contains(fsUnderline)) line += "<U>";
        if (st.Contains(fsItalic)) line += "<I>";
        if (st.Contains(fsBold)) line += "<B>";
        AppendHTMLCellText(line, rc, r);
        if (st.Contains(fsBold)) line += "</B>";
        if (st.Contains(fsItalic)) line += "</I>";
        if (st.Contains(fsUnderline)) line += "</U>";
        line += "</font>";
      }
      line += "</td>";
    }
    line += "</tr>";
    Put(line);
  }
  Put("</table><p>");
  if (!s.SuffixTag.empty()) Put(s.SuffixTag);
}

void TQnStringGrid::SaveToHTML(const std::string& FileName) {
  // The header and footer are read first, so that a missing one leaves no half-written page.
  const std::string header = FHTMLSettings->HeaderFile.empty() ? "" : ReadGridFile(FHTMLSettings->HeaderFile);
  const std::string footer = FHTMLSettings->FooterFile.empty() ? "" : ReadGridFile(FHTMLSettings->FooterFile);
  std::string page;
  page.reserve(static_cast<std::size_t>(RowCount()) * static_cast<std::size_t>(ColCount()) * 64 + header.size() +
               footer.size() + 256);
  auto copyLines = [&page](const std::string& text) {
    if (text.empty()) return;
    page += text;
    if (text.back() != '\n') page += "\r\n";
  };
  copyLines(header);
  BuildHTML([&page](const std::string& line) {
    page += line;
    page += "\r\n";
  });
  copyLines(footer);
  WriteGridText(page, FileName, "Cannot create file " + FileName);
}
