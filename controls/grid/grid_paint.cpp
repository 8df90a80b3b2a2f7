// Cell painting: colours, banding, selection, the background bitmap, markup, rich text, links,
// alignment, word wrap, ellipsis, sort glyphs, cell borders and the fixed cells' frames.
#include <algorithm>

#include "controls/grid/grid_utils.h"
#include "controls/grid/markup.h"
#include "controls/grid/grid_inplace.h"
#include "controls/grid/qn_grid.h"
#include "controls/grid/rich_cell.h"
#include "platform/ui/rtf_reader.h"

namespace {

// The text of a cell split at its line breaks (CR LF, CR or LF).
std::vector<std::string> TextLines(const std::string& text) {
  std::vector<std::string> lines(1);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      lines.emplace_back();
    } else {
      lines.back() += c;
    }
  }
  return lines;
}

bool SameFont(const TFont& a, const TFont& b) {
  return a.Height() == b.Height() && a.Color() == b.Color() && a.Style() == b.Style() &&
         a.Charset() == b.Charset() && a.Pitch() == b.Pitch() && a.Orientation() == b.Orientation() &&
         a.PixelsPerInch() == b.PixelsPerInch() && a.Name() == b.Name();
}

// Takes the font only when it differs: every change makes the device font anew.
void UseFont(TCanvas& canvas, const TFont& font) {
  if (!SameFont(canvas.Font(), font)) canvas.Font().Assign(font);
}

}  // namespace

// The text as painted: the password form, and the short form of links.
std::string TQnStringGrid::DisplayedText(int ACol, int ARow) {
  std::string text = Cells(ACol, ARow);
  bool password = false;
  IsPasswordCell(ARow, ACol, password);
  if (password) FillWithChar(text, PasswordChar);
  return text;
}

bool TQnStringGrid::SortGlyphCell(int ACol, int ARow) const {
  if (!FSortShow || ARow != 0 || RowCount() <= 2 || TStringGrid::FixedRows() < 1) return false;
  if (ACol < TStringGrid::FixedCols() && !SortFixedCols) return false;
  if (ACol == FSortColumn) return true;
  return FSortIndexShow && FSortIndexes->FindIndex(ACol) >= 0;
}

TRect TQnStringGrid::CellTextRect(int ACol, int ARow, const TRect& R) const {
  TRect r = Rect(R.Left + 2, R.Top + 2, R.Right, R.Bottom);
  if (SortGlyphCell(ACol, ARow)) r.Right -= 10;
  return r;
}

void TQnStringGrid::PaintBackground(TCanvas& Canvas, const TRect& R, int ACol, int ARow, bool Fixed) {
  TBitmap& bitmap = FBackGround->Bitmap();
  const int bw = bitmap.Width(), bh = bitmap.Height();
  if (FBackGround->Display() == bdFixed) {
    // The part of the bitmap lying under the cell; the rest keeps the brush.
    Canvas.FillRect(R);
    const TRect placed = Bounds(FBackGround->Left(), FBackGround->Top(), bw, bh);
    TRect part;
    if (IntersectRect(part, placed, R)) {
      TRect src = part;
      OffsetRect(src, -placed.Left, -placed.Top);
      Canvas.CopyRect(part, bitmap.Canvas(), src);
    }
    return;
  }
  // Tiled: the phase is the cell's offset from the first scrolling (or the corner's) cell.
  int x = 0, y = 0;
  const int firstCol = Fixed ? 0 : LeftCol(), firstRow = Fixed ? 0 : TopRow();
  for (int c = firstCol; c < ACol; ++c) x += ColWidths(c);
  for (int r = firstRow; r < ARow; ++r) y += RowHeights(r);
  const int phaseX = x % bw, phaseY = y % bh;
  const int saved = Canvas.SaveDC();
  Canvas.IntersectClipRect(R.Left, R.Top, R.Right, R.Bottom);
  for (int ty = R.Top - phaseY; ty < R.Bottom; ty += bh)
    for (int tx = R.Left - phaseX; tx < R.Right; tx += bw) Canvas.Draw(tx, ty, bitmap);
  Canvas.RestoreDC(saved);
}

void TQnStringGrid::PaintSortGlyph(TCanvas& Canvas, const TRect& R, int RealCol) {
  const int x = R.Right - 8;
  int y = (R.Top + R.Bottom) / 2;
  if (FVAlignment == vtaTop) y = R.Top + 8;
  else if (FVAlignment == vtaBottom) y = R.Bottom - 8;
  if (FSortIndexShow) {
    const int position = FSortIndexes->FindIndex(RealCol);
    if (position < 0) return;
    const bool ascending = !TSortIndexList::Descending(FSortIndexes->Items(position));
    Canvas.Brush().SetColor(0x00FFFF);
    Canvas.Pen().SetColor(0x00FFFF);
    if (ascending) Canvas.Polygon({{x - 6, y + 8}, {x + 6, y + 8}, {x, y - 4}});
    else Canvas.Polygon({{x - 7, y - 5}, {x + 7, y - 5}, {x, y + 8}});
    const TFont saved = Canvas.Font();
    Canvas.Font().SetColor(clBlack);
    Canvas.Font().SetSize(5);
    Canvas.SetBkMode(TRANSPARENT);
    Canvas.TextOut(x - 2, y - 4, IntToStr(position + 1));
    Canvas.Font().Assign(saved);
    return;
  }
  if (RealCol != FSortColumn) return;
  Canvas.Pen().SetWidth(1);
  if (!FSortUpGlyph.Empty() && !FSortDownGlyph.Empty()) {
    TBitmap& glyph = SortDirection == sdAscending ? FSortUpGlyph : FSortDownGlyph;
    glyph.SetTransparent(true);
    Canvas.Draw(x - 4, y - 4, glyph);
    return;
  }
  if (SortDirection == sdAscending) {
    Canvas.Pen().SetColor(clWhite);
    Canvas.MoveTo(x - 4, y + 4);
    Canvas.LineTo(x + 4, y + 4);
    Canvas.LineTo(x, y - 4);
    Canvas.Pen().SetColor(0x808080);
    Canvas.LineTo(x - 4, y + 4);
  } else {
    Canvas.Pen().SetColor(clWhite);
    Canvas.MoveTo(x + 4, y - 4);
    Canvas.LineTo(x, y + 4);
    Canvas.Pen().SetColor(0x808080);
    Canvas.LineTo(x - 4, y - 4);
    Canvas.LineTo(x + 4, y - 4);
  }
}

void TQnStringGrid::PaintFixedFrame(TCanvas& Canvas, const TRect& R) {
  const bool vert = Options().Contains(goFixedVertLine);
  const bool horz = Options().Contains(goFixedHorzLine);
  if (!vert && !horz) return;
  if (!FFlat) {
    TRect r = R;
    UINT br = (vert ? BF_RIGHT : 0u) | (horz ? BF_BOTTOM : 0u);
    UINT tl = (vert ? BF_LEFT : 0u) | (horz ? BF_TOP : 0u);
    Canvas.DrawEdge(r, BDR_RAISEDINNER, br);
    r = R;
    Canvas.DrawEdge(r, BDR_RAISEDINNER, tl);
    return;
  }
  Canvas.Pen().SetColor(clBlack);
  Canvas.Pen().SetWidth(1);
  if (vert) {
    Canvas.MoveTo(R.Left - 1, R.Top - 1);
    Canvas.LineTo(R.Left - 1, R.Bottom);
    Canvas.MoveTo(R.Right, R.Top - 1);
    Canvas.LineTo(R.Right, R.Bottom);
  }
  if (horz) {
    Canvas.MoveTo(R.Left - 1, R.Top - 1);
    Canvas.LineTo(R.Right + 1, R.Top - 1);
    Canvas.MoveTo(R.Left - 1, R.Bottom);
    Canvas.LineTo(R.Right + 1, R.Bottom);
  }
}

void TQnStringGrid::DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) {
  TCanvas& canvas = Canvas();
  const int realCol = RealColIndex(ACol);
  const bool fixedArea = ACol < TStringGrid::FixedCols() || ARow < TStringGrid::FixedRows();
  const bool fixedTest = IsFixedCell(realCol, ARow);
  const bool fixed = fixedArea || fixedTest;
  UseFont(canvas, fixedArea ? FFixedFont : Font());
  canvas.Brush().SetStyle(bsSolid);
  canvas.Brush().SetColor(fixed ? FixedColor() : Color());
  GetCellColor(realCol, ARow, AState, canvas.Brush(), canvas.Font());
  const bool hasFocus = Focused() || (FInplaceEdit && FInplaceEdit->Focused()) || ActiveCellControl();
  if (AState.Contains(gdSelected) && !hasFocus && FSelectionColor == clNone)
    canvas.Brush().SetColor(clHighlight);
  if (FZoom != 0) canvas.Font().SetSize(std::max(1, canvas.Font().Size() + FZoom));

  if (!DefaultDrawing()) {
    TCustomDrawGrid::DrawCell(ACol, ARow, ARect, AState);
    return;
  }

  // Colours of a selected cell.
  bool selected = !fixed && (AState.Contains(gdSelected) ||
                             (Options().Contains(goRowSelect) && ARow >= Selection().Top &&
                              ARow <= Selection().Bottom));
  if (AState.Contains(gdFocused) && !Options().Contains(goDrawFocusSelected) &&
      !Options().Contains(goRowSelect))
    selected = false;
  if (selected && !hasFocus && !FShowSelection) selected = false;
  TColor linkColor = FURLColor;
  if (selected) {
    if (FSelectionColor != clNone) canvas.Brush().SetColor(FSelectionColor);
    if (FSelectionTextColor != clNone) canvas.Font().SetColor(FSelectionTextColor);
    linkColor = FSelectionTextColor;
  }

  // Background.
  const bool bitmapCell = !FBackGround->Bitmap().Empty() &&
                          ((FBackGround->Cells() == bcNormal && !fixed) ||
                           (FBackGround->Cells() == bcFixed && fixed)) &&
                          !(selected && FShowSelection);
  // The base grid has filled the cell with its plain colour already.
  const TColor baseFill = fixedArea ? FixedColor() : AState.Contains(gdSelected) ? clHighlight : Color();
  if (bitmapCell) PaintBackground(canvas, ARect, ACol, ARow, fixed);
  else if (canvas.Brush().Color() != baseFill) canvas.FillRect(ARect);

  // The selection rectangle's edges.
  if (FSelectionRectangle && selected) {
    const TGridRect sel = Selection();
    const TColor saved = canvas.Brush().Color();
    canvas.Brush().SetColor(clBlack);
    if (ARow == sel.Top) canvas.FillRect(Rect(ARect.Left, ARect.Top, ARect.Right, ARect.Top + 2));
    if (ARow == sel.Bottom) canvas.FillRect(Rect(ARect.Left, ARect.Bottom - 2, ARect.Right, ARect.Bottom));
    if (ACol == sel.Left) canvas.FillRect(Rect(ARect.Left, ARect.Top, ARect.Left + 2, ARect.Bottom));
    if (ACol == sel.Right) canvas.FillRect(Rect(ARect.Right - 2, ARect.Top, ARect.Right, ARect.Bottom));
    canvas.Brush().SetColor(saved);
  }

  // The text.
  TRect textRect = CellTextRect(realCol, ARow, ARect);
  const std::string text = DisplayedText(realCol, ARow);
  const int kind = GetTextKind(text, EnableHTML);
  canvas.SetBkMode(TRANSPARENT);
  if (kind == 1) {
    std::string anchor, stripped;
    int xs = 0, ys = 0;
    RenderCellMarkup(canvas, text, textRect, GridImages, -1, -1, false, false, false, selected,
                     FBlinkOn, 1.0, linkColor, anchor, stripped, xs, ys);
  } else if (kind == 2 && DrawRichTextCell(canvas, text, textRect)) {
    // Drawn with its own fonts, colours and paragraph alignment.
  } else if (!text.empty()) {
    std::string shown = kind == 2 ? RichCellPlainText(text) : text;
    if (FURLShow && IsURL(shown)) {
      canvas.Font().SetStyle(canvas.Font().Style() + TFontStyles{fsUnderline});
      canvas.Font().SetColor(linkColor);
      if (!FURLFull) StripURLProtocol(shown);
    }
    if (EnhTextSize && canvas.TextWidth(shown) > textRect.Width()) {
      while (!shown.empty() && canvas.TextWidth(shown + "...") > textRect.Width()) shown.pop_back();
      shown += "...";
    }
    TAlignment align = taLeftJustify;
    if (AutoNumAlign && IsNumericText(shown) != 2) align = taRightJustify;
    GetCellAlign(realCol, ARow, align);
    UINT flags = DT_NOPREFIX | DT_EXPANDTABS;
    if (FWordWrap) flags |= DT_WORDBREAK | DT_EDITCONTROL;
    else if (!Multilinecells) flags |= DT_SINGLELINE;
    if (align == taRightJustify) flags |= DT_RIGHT;
    else if (align == taCenter) flags |= DT_CENTER;
    if (FVAlignment == vtaCenter) flags |= DT_VCENTER;
    else if (FVAlignment == vtaBottom) flags |= DT_BOTTOM;
    if (align == taRightJustify) textRect.Right -= 2;
    // A single line at the top that fits needs no layout and no clipping.
    const bool plainLine = (flags & DT_SINGLELINE) && FVAlignment == vtaTop &&
                           shown.find('\t') == std::string::npos;
    if (plainLine && align == taLeftJustify) {
      // Left-aligned: no need to measure, the clip cuts what does not fit.
      const int saved = canvas.SaveDC();
      canvas.IntersectClipRect(textRect.Left, textRect.Top, textRect.Right, textRect.Bottom);
      canvas.TextOut(textRect.Left, textRect.Top, shown);
      canvas.RestoreDC(saved);
    } else if (const int width = plainLine ? canvas.TextWidth(shown) : 0;
               plainLine && width <= textRect.Width() && canvas.TextHeight("gh") <= textRect.Height()) {
      int x = textRect.Left;
      if (align == taRightJustify) x = textRect.Right - width;
      else if (align == taCenter) x = textRect.Left + (textRect.Width() - width) / 2;
      canvas.TextOut(x, textRect.Top, shown);
    } else {
      canvas.DrawText(shown, textRect, flags);
    }
  }
  if (SortGlyphCell(realCol, ARow)) PaintSortGlyph(canvas, ARect, realCol);

  // Borders asked of the application.
  TPen pen;
  pen.Assign(canvas.Pen());
  TCellBorders borders;
  GetCellBorder(realCol, ARow, pen, borders);
  if (!borders.Empty()) {
    canvas.Pen().Assign(pen);
    const int h = pen.Width() / 2;
    if (borders.Contains(cbTop)) { canvas.MoveTo(ARect.Left, ARect.Top + h); canvas.LineTo(ARect.Right, ARect.Top + h); }
    if (borders.Contains(cbBottom)) { canvas.MoveTo(ARect.Left, ARect.Bottom - 1 - h); canvas.LineTo(ARect.Right, ARect.Bottom - 1 - h); }
    if (borders.Contains(cbLeft)) { canvas.MoveTo(ARect.Left + h, ARect.Top); canvas.LineTo(ARect.Left + h, ARect.Bottom); }
    if (borders.Contains(cbRight)) { canvas.MoveTo(ARect.Right - 1 - h, ARect.Top); canvas.LineTo(ARect.Right - 1 - h, ARect.Bottom); }
  }
  if (fixed) PaintFixedFrame(canvas, ARect);

  TCustomDrawGrid::DrawCell(ACol, ARow, ARect, AState);
  if (HideFocusRect && AState.Contains(gdFocused) && !Options().Contains(goRowSelect))
    canvas.DrawFocusRect(ARect);
}

void TQnStringGrid::Paint() {
  if (UpdateCount() > 0) return;
  TStringGrid::Paint();
  const int anyRow = TStringGrid::FixedRows() > 0 ? 0 : TopRow();
  const int anyCol = TStringGrid::FixedCols() > 0 ? 0 : LeftCol();
  int right = 0, bottom = 0;
  for (int c = LeftCol(); c < ColCount(); ++c) {
    const TRect r = CellRect(c, anyRow);
    if (r.Width() <= 0 && r.Right == 0) break;
    right = r.Right + GridLineWidth();
  }
  if (TStringGrid::FixedCols() > 0 && right == 0) right = CellRect(TStringGrid::FixedCols() - 1, anyRow).Right + GridLineWidth();
  for (int r = TopRow(); r < RowCount(); ++r) {
    const TRect rc = CellRect(anyCol, r);
    if (rc.Height() <= 0 && rc.Bottom == 0) break;
    bottom = rc.Bottom + GridLineWidth();
  }
  if (TStringGrid::FixedRows() > 0 && bottom == 0) bottom = CellRect(anyCol, TStringGrid::FixedRows() - 1).Bottom + GridLineWidth();
  TCanvas& canvas = Canvas();
  canvas.Brush().SetStyle(bsSolid);
  canvas.Brush().SetColor(Color());
  if (right < ClientWidth()) canvas.FillRect(Rect(right, 0, ClientWidth(), ClientHeight()));
  if (bottom < ClientHeight()) canvas.FillRect(Rect(0, bottom, std::min(right, ClientWidth()), ClientHeight()));
  // While panning its origin mark stays on top of what is painted.
  if (FPanning) DrawPanMark();
}

// ---- the size a cell's text needs ----

TPoint TQnStringGrid::CellTextSize(int ACol, int ARow) {
  TCanvas& canvas = Canvas();
  CellFont(ACol, ARow, canvas);
  const int realCol = RealColIndex(ACol);
  std::string text = Cells(realCol, ARow);
  const int kind = GetTextKind(text, EnableHTML);
  if (kind == 1) {
    std::string anchor, stripped;
    int xs = 0, ys = 0;
    RenderCellMarkup(canvas, text, Rect(0, 0, 0x7FFF, 0x7FFF), GridImages, -1, -1, false, true,
                     false, false, true, 1.0, FURLColor, anchor, stripped, xs, ys);
    return {xs, ys};
  }
  if (kind == 2) text = RichCellPlainText(text);
  std::vector<std::string> lines = Multilinecells ? TextLines(text) : std::vector<std::string>{text};
  int width = 0;
  for (std::string& line : lines) {
    if (FURLShow && !FURLFull && IsURL(line)) StripURLProtocol(line);
    width = std::max(width, canvas.TextWidth(line));
  }
  return {width, canvas.TextHeight("gh") * static_cast<int>(lines.size())};
}

// The font a cell is measured in: the fixed font for fixed cells, the grid's otherwise, as
// the cell colour query and the zoom leave it.
void TQnStringGrid::CellFont(int ACol, int ARow, TCanvas& Canvas) {
  const bool fixed = ACol < TStringGrid::FixedCols() || ARow < TStringGrid::FixedRows();
  Canvas.Font().Assign(fixed ? FFixedFont : Font());
  GetCellColor(RealColIndex(ACol), ARow, TGridDrawState(), Canvas.Brush(), Canvas.Font());
  if (FZoom != 0) Canvas.Font().SetSize(std::max(1, Canvas.Font().Size() + FZoom));
}

void TQnStringGrid::InvalidateCellRange(const TGridRect& Cells) {
  TRect a = CellRect(Cells.Left, Cells.Top), b = CellRect(Cells.Right, Cells.Bottom);
  TRect u;
  UnionRect(u, a, b);
  if (HandleAllocated() && u.Width() > 0) InvalidateRect(u, false);
}
