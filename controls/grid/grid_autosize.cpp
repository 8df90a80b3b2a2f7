// The selection as text, the selected-cell test, automatic column widths and row heights from
// the cell contents, the height of a row for a number of lines, and the exchange of two rows.
#include <algorithm>

#include "controls/grid/grid_utils.h"
#include "controls/grid/markup.h"
#include "controls/grid/qn_grid.h"
#include "controls/grid/rich_cell.h"
#include "platform/ui/rtf_reader.h"

std::string TQnStringGrid::SelectionToText() {
  const TGridRect s = Selection();
  int left = s.Left, right = s.Right;
  if (Options().Contains(goRowSelect) && OleEntireRows) {
    left = 0;
    right = ColCount() - 1;
  }
  std::vector<int> rows;
  if (FMouseActions->DisjunctRowSelect) {
    for (int r = TStringGrid::FixedRows(); r < RowCount(); ++r)
      if (RowSelect(r)) rows.push_back(r);
  } else {
    for (int r = s.Top; r <= s.Bottom; ++r) rows.push_back(r);
  }
  std::string out;
  for (int r : rows) {
    for (int c = left; c <= right; ++c) {
      if (c > left) out += '\t';
      const std::string& cell = Cells(RealColIndex(c), r);
      out += GetTextKind(cell, false) == 2 ? RichCellPlainText(cell) : cell;
    }
    out += "\r\n";
  }
  return out;
}

bool TQnStringGrid::IsCellSelected(int ACol, int ARow) {
  if (ACol < 0 || ARow < 0) return false;
  if (FMouseActions->DisjunctRowSelect) return RowSelect(ARow);
  const TGridRect s = Selection();
  return ACol >= s.Left && ACol <= s.Right && ARow >= s.Top && ARow <= s.Bottom;
}

void TQnStringGrid::AutoSizeColumn(int ACol, bool OnlyGrow) {
  if (ACol < 0 || ACol >= ColCount()) return;
  int widest = 0;
  for (int r = 0; r < RowCount(); ++r) widest = std::max(widest, CellTextSize(ACol, r).X);
  const int width = widest + 4;
  if (!OnlyGrow || width > ColWidths(ACol)) SetColWidths(ACol, width);
}

void TQnStringGrid::AutoSizeColumns(bool DoFixedCols, int Extra) {
  if (DoFixedCols) {
    for (int c = 0; c < TStringGrid::FixedCols(); ++c) {
      AutoSizeColumn(c);
      if (Extra != 0) SetColWidths(c, ColWidths(c) + Extra);
    }
  }
  for (int c = TStringGrid::FixedCols(); c < ColCount(); ++c) {
    AutoSizeColumn(c);
    if (Extra != 0) SetColWidths(c, ColWidths(c) + Extra);
  }
}

void TQnStringGrid::AutoSizeRow(int ARow) {
  if (ARow < 0 || ARow >= RowCount()) return;
  TCanvas& canvas = Canvas();
  int height = DefaultRowHeight();
  for (int c = 0; c < ColCount(); ++c) {
    CellFont(c, ARow, canvas);
    const std::string& text = Cells(RealColIndex(c), ARow);
    const int kind = GetTextKind(text, EnableHTML);
    int h = 0;
    const int width = std::max(ColWidths(c) - 4, 1);
    if (kind == 1) {
      std::string anchor, stripped;
      int xs = 0, ys = 0;
      RenderCellMarkup(canvas, text, Rect(0, 0, width, 0x7FFF), GridImages, -1, -1, false, true,
                       false, false, true, 1.0, FURLColor, anchor, stripped, xs, ys);
      h = ys;
    } else if (kind == 0 || kind == 2) {
      const std::string plain = kind == 2 ? RichCellPlainText(text) : text;
      TRect r = Rect(0, 0, width, 0);
      UINT flags = DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX;
      if (FWordWrap) flags |= DT_EDITCONTROL;
      if (!plain.empty()) h = canvas.DrawText(plain, r, flags);
    }
    if (h + 2 > height) height = h + 4;
  }
  SetRowHeights(ARow, height);
}

void TQnStringGrid::SetRowHeightForLines(int ARow, int Lines, int Extra) {
  TCanvas& canvas = Canvas();
  canvas.Font().Assign(Font());
  const int h = canvas.TextHeight("gh");
  SetRowHeights(ARow, (h + h / 4) * Lines + Extra);
}

void TQnStringGrid::SwapRows(int ARow1, int ARow2) {
  if (ARow1 == ARow2 || ARow1 < 0 || ARow2 < 0 || ARow1 >= RowCount() || ARow2 >= RowCount()) return;
  ExchangeStoreRows(ARow1, ARow2);
  InvalidateRow(ARow1);
  const int h1 = RowHeights(ARow1), h2 = RowHeights(ARow2);
  if (h1 != h2) {
    SetRowHeights(ARow1, h2);
    SetRowHeights(ARow2, h1);
  }
  if (FMouseActions->DisjunctRowSelect) {
    const bool s1 = RowSelect(ARow1), s2 = RowSelect(ARow2);
    SetRowSelect(ARow1, s2);
    SetRowSelect(ARow2, s1);
  }
  if (FSortRememberedRow == ARow1) FSortRememberedRow = ARow2;
  else if (FSortRememberedRow == ARow2) FSortRememberedRow = ARow1;
}

void TQnStringGrid::ClearAll() {
  ClearRect(0, 0, ColCount() - 1 + FNumHidden, RowCount() - 1);
}
