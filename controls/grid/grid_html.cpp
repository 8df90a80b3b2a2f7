// HTML table export of TQnStringGrid: one table of the saved cells between optional header and
// footer files.
#include <algorithm>
#include <cctype>
#include <memory>

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

// Appends the text with & < > " as entities (and CR as <br> when asked), copying the runs
// between them whole.
void AppendHTMLEscaped(std::string& out, const std::string& text, bool breaks) {
  std::size_t from = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char* entity;
    switch (text[i]) {
      case '&': entity = "&amp;"; break;
      case '<': entity = "&lt;"; break;
      case '>': entity = "&gt;"; break;
      case '"': entity = "&quot;"; break;
      case '\r':
        if (!breaks) continue;
        entity = "<br>";
        break;
      default: continue;
    }
    out.append(text, from, i - from);
    out += entity;
    from = i + 1;
  }
  out.append(text, from, std::string::npos);
}

std::string HexColor(TColor colour) {
  return "#" + ColorToHex(static_cast<int>(ColorToRGB(colour)));
}

}  // namespace

std::string HTMLEscape(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  AppendHTMLEscaped(out, text, false);
  return out;
}

namespace {
// A link cell as an anchor: the whole text as the reference, the text shown as painting shows it.
void AppendCellLink(std::string& out, const std::string& text, bool full) {
  std::string shown = text;
  if (!full) StripURLProtocol(shown);
  if (shown.size() > 255) shown.resize(255);
  out += "<A HREF=\"";
  AppendHTMLEscaped(out, text, true);
  out += "\">";
  AppendHTMLEscaped(out, shown, true);
  out += "</A>";
}
}  // namespace

std::string MakeCellLink(const std::string& text, bool urlShow, bool urlFull) {
  std::string out;
  if (urlShow && text.find("</") == std::string::npos && IsURL(text))
    AppendCellLink(out, text, urlFull);
  else
    AppendHTMLEscaped(out, text, true);
  return out;
}

void TQnStringGrid::AppendHTMLCellText(std::string& Out, int RealCol, int ARow) {
  const std::string& text = Cells(RealCol, ARow);
  // Plain texts (the most) go straight in, escaped, with their line breaks as <br>. Markup
  // needs a "<" and a link a ":", so most texts skip both tests.
  if (text.find('<') != std::string::npos && GetTextKind(text, EnableHTML) == 1) {
    Out += CRToBR(GuardMarkup(text));
    return;
  }
  if (FURLShow && text.find(':') != std::string::npos && IsURL(text)) {
    AppendCellLink(Out, text, FURLFull);
    return;
  }
  AppendHTMLEscaped(Out, text, true);
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
  std::string lines;
  WriteHTMLLines(lines, [&] {
    lines.resize(lines.size() - 2);
    Put(lines);
    lines.clear();
  });
}

void TQnStringGrid::WriteHTMLLines(std::string& Out, const std::function<void()>& LineDone) {
  const THTMLSettings& s = *FHTMLSettings;
  // Each line goes straight onto the output, ended by CR LF.
  auto endLine = [&] {
    Out += "\r\n";
    LineDone();
  };
  auto put = [&](const std::string& text) {
    Out += text;
    endLine();
  };
  if (!s.PrefixTag.empty()) put(s.PrefixTag);
  std::string table = "<table border=\"" + std::to_string(s.BorderSize) + "\" cellspacing=\"" +
                      std::to_string(s.CellSpacing) + "\" cellpadding=\"" +
                      std::to_string(s.CellPadding) + "\" width=\"" + std::to_string(s.Width) + "%\"";
  if (!s.TableStyle.empty()) table += " " + s.TableStyle + " ";
  table += ">";
  put(table);

  TBrush brush;
  TFont font;
  // The last background and font colours written and their texts: neighbouring cells mostly
  // share their colours, so each is turned into text once per run of equal colours.
  struct TColorText {
    TColor Color = clNone;
    std::string Text;
    const std::string& Of(TColor c) {
      if (c != Color || Text.empty()) {
        Color = c;
        Text = HexColor(c);
      }
      return Text;
    }
  } cellHex, fontHex;
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
      out += cellHex.Of(brush.Color());
      out += '"';
    }
  };

  const int fixedRows = TStringGrid::FixedRows(), fixedCols = TStringGrid::FixedCols();
  const bool headerRow = StoreFixedCells && fixedRows > 0;
  std::vector<int> realCols(static_cast<std::size_t>(std::max(ColCount(), 0)));
  for (int c = 0; c < ColCount(); ++c) realCols[static_cast<std::size_t>(c)] = RealColIndex(c);
  std::string& line = Out;
  if (headerRow) {
    line += "<tr>";
    for (int c = 0; c < ColCount(); ++c) {
      const int rc = realCols[static_cast<std::size_t>(c)];
      line += "<td";
      attributes(line, rc, 0, true);
      line += "><B>";
      const std::size_t at = line.size();
      AppendHTMLCellText(line, rc, 0);
      if (line.size() == at) line += "<br>";
      line += "</B></td>";
    }
    line += "</tr>";
    endLine();
  }
  const int firstRow = headerRow ? 1 : fixedRows;
  const int firstCol = StoreFixedCells ? 0 : fixedCols;
  for (int r = firstRow; r < RowCount(); ++r) {
    line += "<tr>";
    for (int c = firstCol; c < ColCount(); ++c) {
      const int rc = realCols[static_cast<std::size_t>(c)];
      const bool fixed = c < fixedCols || r < fixedRows;
      line += "<td";
      attributes(line, rc, r, fixed);
      line += '>';
      if (!s.SaveFonts) {
        AppendHTMLCellText(line, rc, r);
      } else {
        const TFontStyles st = font.Style();
        line += "<font color=\"";
        line += fontHex.Of(font.Color());
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
    endLine();
  }
  put("</table><p>");
  if (!s.SuffixTag.empty()) put(s.SuffixTag);
}

void TQnStringGrid::SaveToHTML(const std::string& FileName) {
  // The header and footer are read first, so that a missing one leaves no half-written page.
  const std::string header = FHTMLSettings->HeaderFile.empty() ? "" : ReadGridFile(FHTMLSettings->HeaderFile);
  const std::string footer = FHTMLSettings->FooterFile.empty() ? "" : ReadGridFile(FHTMLSettings->FooterFile);
  const std::string message = "Cannot create file " + FileName;
  // The page goes out in pieces of a few hundred kilobytes through one buffer, so a page of
  // many megabytes is never held whole.
  constexpr std::size_t kPiece = 256 * 1024;
  std::unique_ptr<TFileStream> out;
  try {
    out = std::make_unique<TFileStream>(FileName, fmCreate);
  } catch (const Exception&) {
    throw EQnGridError(message);
  }
  std::string piece;
  piece.reserve(kPiece + 4096);
  auto flush = [&] {
    try {
      if (!piece.empty()) out->WriteBuffer(piece.data(), static_cast<long>(piece.size()));
    } catch (const Exception&) {
      throw EQnGridError(message);
    }
    piece.clear();
  };
  auto copyLines = [&piece](const std::string& text) {
    if (text.empty()) return;
    piece += text;
    if (text.back() != '\n') piece += "\r\n";
  };
  copyLines(header);
  WriteHTMLLines(piece, [&] {
    if (piece.size() >= kPiece) flush();
  });
  copyLines(footer);
  flush();
}
