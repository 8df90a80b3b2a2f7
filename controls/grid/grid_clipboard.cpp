// Copy, cut and paste of grid cells as tab-separated text and, for single rich-text cells, as
// rich text; the text-to-cells routine that dropped text uses too.
#include <algorithm>
#include <cmath>

#include "controls/grid/grid_utils.h"
#include "controls/grid/markup.h"
#include "controls/grid/qn_grid.h"
#include "controls/grid/rich_cell.h"
#include "platform/rtl/date_time.h"
#include "platform/rtl/sysutils.h"
#include "platform/ui/clipboard.h"
#include "platform/ui/rtf_reader.h"

namespace {

const char kRtfFormatName[] = "Rich Text Format";

}  // namespace

std::vector<std::vector<std::string>> SplitTabbedLines(const std::string& text) {
  std::vector<std::vector<std::string>> lines;
  std::size_t p = 0;
  const std::size_t n = text.size();
  while (p < n) {
    std::size_t end = text.find_first_of("\r\n", p);
    const std::size_t stop = end == std::string::npos ? n : end;
    std::vector<std::string> fields;
    std::size_t q = p;
    while (true) {
      const std::size_t tab = text.find('\t', q);
      if (tab == std::string::npos || tab >= stop) {
        fields.push_back(text.substr(q, stop - q));
        break;
      }
      fields.push_back(text.substr(q, tab - q));
      q = tab + 1;
    }
    lines.push_back(std::move(fields));
    if (end == std::string::npos) break;
    p = end + 1;
    if (text[end] == '\r' && p < n && text[p] == '\n') ++p;
  }
  return lines;
}

bool TQnStringGrid::CellMayBeEdited(int ACol, int ARow) {
  const int realCol = RealColIndex(ACol);
  if (IsFixedCell(realCol, ARow) || ACol < TStringGrid::FixedCols() || ARow < TStringGrid::FixedRows())
    return false;
  bool editable = true;
  CanEditCell(ARow, realCol, editable);
  return editable;
}

std::string TQnStringGrid::ClipboardText(const TGridRect& R) {
  std::string out;
  for (int r = R.Top; r <= R.Bottom; ++r) {
    for (int c = R.Left; c <= R.Right; ++c) {
      if (c > R.Left) out += '\t';
      const std::string& cell = Cells(RealColIndex(c), r);
      if (!FNavigation->CopyHTMLTagsToClipboard && cell.find("</") != std::string::npos)
        out += StripMarkup(cell);
      else if (cell.find("{\\") != std::string::npos)
        out += RichCellPlainText(cell);
      else
        out += cell;
    }
    out += "\r\n";
  }
  return out;
}

void TQnStringGrid::CopyToClipBoard() {
  const TGridRect s = Selection();
  FCopyOrigin = TPoint{s.Left, s.Top};
  FCopied = true;
  const std::string text = ClipboardText(s);
  const std::string& first = Cells(RealColIndex(s.Left), s.Top);
  TClipboard& clipboard = Clipboard();
  clipboard.Open();
  try {
    clipboard.Clear();
    clipboard.SetAsText(text);
    if (FNavigation->AllowRTFClipboard && first.find("{\\") != std::string::npos)
      clipboard.SetAsHandle(RegisterClipboardFormat(kRtfFormatName), GlobalAllocBytes(first, true));
  } catch (...) {
    clipboard.Close();
    throw;
  }
  clipboard.Close();
}

void TQnStringGrid::CutToClipBoard() {
  CopyToClipBoard();
  const TGridRect s = Selection();
  for (int r = s.Top; r <= s.Bottom; ++r)
    for (int c = s.Left; c <= s.Right; ++c)
      if (FNavigation->AllowClipboardAlways || CellMayBeEdited(c, r)) SetCells(RealColIndex(c), r, std::string());
  FCopied = false;
}

int TQnStringGrid::PasteAtCell(int ACol, int ARow) {
  TClipboard& clipboard = Clipboard();
  const UINT rtf = RegisterClipboardFormat(kRtfFormatName);
  if (FNavigation->AllowRTFClipboard && clipboard.HasFormat(rtf)) {
    std::string data;
    clipboard.GetBuffer(rtf, data);
    const std::size_t nul = data.find('\0');
    if (nul != std::string::npos) data.resize(nul);
    if (ACol >= 0 && ARow >= 0 && ACol < ColCount() && ARow < RowCount() &&
        (CellMayBeEdited(ACol, ARow) || FNavigation->AllowClipboardAlways))
      SetCells(RealColIndex(ACol), ARow, data);
    return 0;
  }
  if (!clipboard.HasFormat(CF_TEXT)) return 0;
  return PasteText(ACol, ARow, clipboard.AsText());
}

int TQnStringGrid::PasteText(int ACol, int ARow, const std::string& Text) {
  if (ACol < 0 || ARow < 0) return 0;
  if (!Options().Contains(goEditing) && !FNavigation->AllowClipboardAlways) return 0;
  const auto lines = SplitTabbedLines(Text);
  int count = 0, lastCol = ACol, lastRow = ARow;
  int r = ARow;
  BeginUpdate();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    int c = ACol;
    for (const std::string& field : lines[i]) {
      if (c >= ColCount() && FNavigation->AllowClipboardColGrow) SetColCount(c + 1);
      if (c < ColCount() && r < RowCount() &&
          (FNavigation->AllowClipboardAlways || CellMayBeEdited(c, r)))
        SetCells(RealColIndex(c), r, field);
      ++count;
      lastCol = std::max(lastCol, c);
      ++c;
    }
    lastRow = r;
    ++r;
    if (i + 1 < lines.size() && r == RowCount() && FNavigation->AllowClipboardRowGrow) SetRowCount(r + 1);
  }
  EndUpdate();
  PasteNotify(FCopyOrigin, TRect{ACol, ARow, lastCol, lastRow}, FCopied);
  return count;
}

TPoint TQnStringGrid::PasteSize(const std::string& Text) {
  const auto lines = SplitTabbedLines(Text);
  int cols = 0;
  for (const auto& line : lines) cols = std::max(cols, static_cast<int>(line.size()));
  return TPoint{cols, static_cast<int>(lines.size())};
}

void TQnStringGrid::PasteFromClipBoard() {
  const TGridRect s = Selection();
  const int pasted = PasteAtCell(s.Left, s.Top);
  if (!FNavigation->AllowSmartClipboard) return;
  const int cells = (s.Right - s.Left + 1) * (s.Bottom - s.Top + 1);
  if (pasted == 0 || cells <= pasted) return;
  const std::string v0 = Cells(RealColIndex(s.Left), s.Top);
  auto store = [this](int c, int r, const std::string& text) {
    if (FNavigation->AllowClipboardAlways || CellMayBeEdited(c, r)) SetCells(RealColIndex(c), r, text);
  };
  if (pasted == 1) {
    for (int r = s.Top; r <= s.Bottom; ++r)
      for (int c = s.Left; c <= s.Right; ++c)
        if (r != s.Top || c != s.Left) store(c, r, v0);
    return;
  }
  if (pasted != 2) return;
  const TPoint size = PasteSize(Clipboard().AsText());
  const bool alongRow = size.Y == 1;
  if (alongRow ? s.Right == s.Left : s.Bottom == s.Top) return;
  const std::string v1 = alongRow ? Cells(RealColIndex(s.Left + 1), s.Top) : Cells(RealColIndex(s.Left), s.Top + 1);

  // The value of step k of the series, as text.
  std::function<std::string(int)> value;
  const char dateSep = FormatSettings.DateSeparator, timeSep = FormatSettings.TimeSeparator;
  TDateTime d0 = 0, d1 = 0;
  int i0 = 0, i1 = 0;
  double f0 = 0, f1 = 0;
  if (v0.find(dateSep) != std::string::npos && TryStrToDate(v0, d0) && TryStrToDate(v1, d1)) {
    WORD y0, m0, dd0, y1, m1, dd1;
    DecodeDate(d0, y0, m0, dd0);
    DecodeDate(d1, y1, m1, dd1);
    const int years = y1 - y0, months = m1 - m0, days = dd1 - dd0;
    const double step = d1 - d0;
    value = [=](int k) {
      double d = d0;
      for (int i = 0; i < k; ++i) d = IncDateParts(years, months, days, step, d);
      return DateToStr(d);
    };
  } else if (v0.find(timeSep) != std::string::npos && TryStrToTime(v0, d0) && TryStrToTime(v1, d1)) {
    value = [=](int k) { return TimeToStr(d0 + k * (d1 - d0)); };
  } else if (TryStrToInt(v0, i0) && TryStrToInt(v1, i1)) {
    value = [=](int k) { return std::to_string(static_cast<long long>(i0) + static_cast<long long>(k) * (i1 - i0)); };
  } else if (TryStrToFloat(v0, f0) && TryStrToFloat(v1, f1)) {
    value = [=](int k) { return FloatToStr(f0 + k * (f1 - f0)); };
  } else {
    return;
  }
  if (alongRow) {
    for (int r = s.Top; r <= s.Bottom; ++r)
      for (int c = s.Left; c <= s.Right; ++c)
        if (r != s.Top || c > s.Left + 1) store(c, r, value(c - s.Left));
  } else {
    for (int c = s.Left; c <= s.Right; ++c)
      for (int r = s.Top; r <= s.Bottom; ++r)
        if (c != s.Left || r > s.Top + 1) store(c, r, value(r - s.Top));
  }
}
