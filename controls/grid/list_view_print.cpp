// Printing of TQnListView: the captions row and the items in column bands, in tenths of a
// millimetre with y growing upwards.
#include <algorithm>
#include <cmath>

#include "controls/grid/grid_utils.h"
#include "controls/grid/markup.h"
#include "controls/grid/qn_list_view.h"
#include "controls/grid/rich_cell.h"
#include "platform/gfx/mapping.h"
#include "platform/gfx/printer.h"
#include "platform/rtl/date_time.h"
#include "platform/ui/screen.h"

struct TQnListView::TPrintRun {
  TCanvas* C = nullptr;
  int LineGap = 0, Indent = 0, HeaderLine = 0, FooterLine = 0;
  int PageW = 0, PageH = 0, Spacing = 0, HeaderH = 0, FooterH = 0;
  int Page = 0;
  double Ratio = 0;
  int CheckSize = 0;
};


namespace {

// A printed cell is rich text when it holds "{\" anywhere (the screen asks for it at the start).
bool IsPrintedRich(const std::string& Text) { return Text.find("{\\") != std::string::npos; }

}  // namespace

int TQnListView::PrintFontHeight(int Points) const {
  return -static_cast<int>(std::lround(Points * 254.0 / 72.0));
}

// Row -1 is the row of column captions.
TPoint TQnListView::MeasurePrintCell(TPrintRun& Run, int Row, int Column) {
  TCanvas& c = *Run.C;
  std::string text = Row < 0 ? (Column < Columns().Count() ? Columns()[Column]->Caption() : std::string())
                             : CellText(Row, Column);
  // Rich text takes the room of its own fonts (a plain measure would cut the larger ones).
  TPoint extent;
  if (IsPrintedRich(text) && RichTextCellExtent(c, text, extent)) return extent;
  if (text.find("</") != std::string::npos) {
    const int saved = c.MapMode();
    c.SetMapMode(MM_TEXT);
    c.Font().Assign(FPrintSettings->Font());
    std::string anchor, strip;
    int xs = 0, ys = 0;
    RenderCellMarkup(c, text, TRect{0, 0, 1000, 1000}, SmallImages(), 0, 0, false, true, false, false, false, 0,
                     URLColor, anchor, strip, xs, ys);
    c.SetMapMode(saved);
    const int dpi = std::max(1, c.DeviceCaps(LOGPIXELSX));
    return TPoint{static_cast<int>(std::lround(xs * 254.0 / dpi)), static_cast<int>(std::lround(ys * 254.0 / dpi))};
  }
  TBrush brush;
  c.Font().Assign(FPrintSettings->Font());
  DoDrawItemProp(Row, Column - 1, text, c.Font(), brush, TOwnerDrawState());
  c.Font().SetHeight(PrintFontHeight(c.Font().Size()));
  return TPoint{c.TextWidth(text), c.TextHeight("gh")};
}

int TQnListView::PrintRow(TPrintRun& Run, int Y, int First, int Last, int Row) {
  const auto& ps = *FPrintSettings;
  TCanvas& c = *Run.C;
  int h = 0;
  if (ps.UseFixedHeight) {
    h = ps.FixedHeight;
  } else {
    for (int col = 0; col < Columns().Count(); ++col) h = std::max(h, MeasurePrintCell(Run, Row, col).Y);
  }
  h += h / 8;
  const int occupied = h + 2 * Run.LineGap;
  TBrush brush;
  for (int col = First; col <= Last; ++col) {
    std::string text = Row < 0 ? Columns()[col]->Caption() : CellText(Row, col);
    c.Font().Assign(FPrintSettings->Font());
    brush.SetColor(clWhite);
    DoDrawItemProp(Row, col - 1, text, c.Font(), brush, TOwnerDrawState());
    c.Font().SetHeight(PrintFontHeight(c.Font().Size()));
    c.Brush().Assign(brush);
    const TRect cell{FPrintColPos[col], Y, FPrintColPos[col + 1], Y - occupied};
    // Rich text on the cell's brush, in its own fonts and colours; a text that is no RTF is
    // printed as it is.
    if (IsPrintedRich(text)) {
      c.FillRect(cell);
      if (DrawRichCellText(c, text, cell, clNone)) continue;
    }
    if (text.find("</") != std::string::npos) {
      const TPoint a = c.LPtoDP(TPoint{cell.Left, cell.Top}), b = c.LPtoDP(TPoint{cell.Right, cell.Bottom});
      const int saved = c.MapMode();
      c.SetMapMode(MM_TEXT);
      c.Font().Assign(FPrintSettings->Font());
      std::string anchor, strip;
      int xs = 0, ys = 0;
      RenderCellMarkup(c, text, TRect{a.X, a.Y, b.X, b.Y}, SmallImages(), 0, 0, false, false, true, false, false,
                       Run.Ratio, URLColor, anchor, strip, xs, ys);
      c.SetMapMode(saved);
      continue;
    }
    int x = cell.Left + Run.Indent;
    if (Row >= 0 && col == 0 && Checkboxes() && Run.CheckSize > 0) {
      const TRect box{cell.Left, Y, cell.Left + Run.CheckSize, Y - Run.CheckSize};
      c.DrawFrameControl(box, DFC_BUTTON,
                         DFCS_BUTTONCHECK | DFCS_FLAT | (Items()[Row]->Checked() ? UINT{DFCS_CHECKED} : 0u));
      x += Run.CheckSize;
    }
    const TAlignment align = Columns()[col]->Alignment();
    const int w = c.TextWidth(text);
    if (align == taRightJustify) x = cell.Right - Run.Indent - w;
    else if (align == taCenter) x = cell.Left + (cell.Right - cell.Left - w) / 2;
    c.SetBkMode(OPAQUE);
    c.TextRect(cell, x, Y - Run.LineGap, text);
  }
  if (ps.Borders == pbSingle || ps.Borders == pbDouble || ps.Borders == pbHorizontal) {
    c.MoveTo(FPrintColPos[First], Y - occupied);
    c.LineTo(FPrintColPos[Last + 1], Y - occupied);
  }
  if (ps.Borders == pbSingle || ps.Borders == pbDouble || ps.Borders == pbVertical) {
    for (int col = First; col <= Last + 1; ++col) {
      c.MoveTo(FPrintColPos[col], Y);
      c.LineTo(FPrintColPos[col], Y - occupied);
    }
  }
  return occupied;
}

void TQnListView::PrintHeaderFooter(TPrintRun& Run) {
  const auto& ps = *FPrintSettings;
  TCanvas& c = *Run.C;
  TPrintSlots slots;
  slots.AddTimeDate(ps.Time, ps.Date, ps.DateFormat);
  slots.Add(ps.PageNr, ps.PagePrefix + " " + std::to_string(Run.Page + 1) + " " + ps.PageSuffix);
  if (!ps.TitleText.empty()) slots.Add(ps.Title, ps.TitleText);
  for (int p = ppTopLeft; p <= ppBottomCenter; ++p) {
    if (slots.Text[p].empty()) continue;
    const bool top = p <= ppTopCenter;
    TFont& f = top ? FPrintSettings->HeaderFont() : FPrintSettings->FooterFont();
    c.Font().Assign(f);
    c.Font().SetHeight(PrintFontHeight(f.Size()));
    const int y = top ? -ps.HeaderSize : Run.PageH + Run.FooterLine + Run.LineGap + ps.FooterSize;
    const int x = TPrintSlots::TextX(p, Run.PageW, ps.LeftSize, ps.RightSize, c.TextWidth(slots.Text[p]));
    c.SetBkMode(TRANSPARENT);
    c.TextOut(x, y, slots.Text[p]);
  }
}

int TQnListView::PrintPages(TCanvas& Canvas) {
  const auto& ps = *FPrintSettings;
  TPrintRun run;
  run.C = &Canvas;
  TCanvas& c = Canvas;
  const int screenDpi = Screen().PixelsPerInch();
  const int saved = c.MapMode();
  c.SetMapMode(MM_TEXT);
  run.Ratio = screenDpi > 0 ? static_cast<double>(c.DeviceCaps(LOGPIXELSX)) / screenDpi : 0.0;
  c.SetMapMode(saved == MM_TEXT ? MM_LOMETRIC : saved);
  run.CheckSize = Checkboxes() ? static_cast<int>(std::lround(16 * run.Ratio)) : 0;
  c.Pen().SetColor(clBlack);
  c.Pen().SetStyle(ps.BorderStyle);
  c.Pen().SetWidth(ps.Borders == pbDouble ? 10 : 2);
  run.HeaderLine = SelectPrintFont(c, FPrintSettings->HeaderFont(), PrintFontHeight(FPrintSettings->HeaderFont().Size()));
  run.FooterLine = SelectPrintFont(c, FPrintSettings->FooterFont(), PrintFontHeight(FPrintSettings->FooterFont().Size()));
  run.LineGap = SelectPrintFont(c, FPrintSettings->Font(), PrintFontHeight(FPrintSettings->Font().Size())) / 8;
  run.Indent = c.TextWidth("a");
  const TRect clip = c.ClipRect();
  run.PageW = std::abs(clip.Right - clip.Left);
  run.PageH = std::min(clip.Top, clip.Bottom);
  run.Spacing = ps.UseFixedWidth ? 0 : ps.ColumnSpacing + 20;

  const int cols = Columns().Count();
  FPrintColWidths.assign(static_cast<std::size_t>(cols), 0);
  FPrintColPos.assign(static_cast<std::size_t>(cols) + 1, 0);
  for (int col = 0; col < cols; ++col) {
    if (ps.UseFixedWidth) {
      FPrintColWidths[col] = ps.FixedWidth;
      continue;
    }
    for (int row = -1; row < Items().Count(); ++row)
      FPrintColWidths[col] = std::max(FPrintColWidths[col], MeasurePrintCell(run, row, col).X + run.Indent);
  }
  long long total = 0;
  for (int w : FPrintColWidths) total += w + run.Spacing;
  if (cols > 0) {
    const long long spacingTotal = static_cast<long long>(cols) * run.Spacing;
    const double factor = PrintFitFactor(ps.FitToPage, total, spacingTotal, run.PageW - ps.RightSize - ps.LeftSize,
                                         [this](double& f, bool& allow) { if (OnFitToPage) OnFitToPage(this, f, allow); });
    if (factor != 1)
      for (int& w : FPrintColWidths) w = static_cast<int>(std::trunc(w * factor));
  }
  if (OnPrintSetColumnWidth)
    for (int col = 0; col < cols; ++col) OnPrintSetColumnWidth(this, col, FPrintColWidths[col]);

  const bool anyTop = TPrintSlots::AtTop(ps.Time) || TPrintSlots::AtTop(ps.Date) || TPrintSlots::AtTop(ps.PageNr) || TPrintSlots::AtTop(ps.Title);
  const bool anyBottom = TPrintSlots::AtBottom(ps.Time) || TPrintSlots::AtBottom(ps.Date) || TPrintSlots::AtBottom(ps.PageNr) || TPrintSlots::AtBottom(ps.Title);
  run.HeaderH = anyTop ? run.LineGap + run.HeaderLine + ps.HeaderSize : ps.HeaderSize;
  run.FooterH = anyBottom ? (run.LineGap + run.FooterLine) * 2 + ps.FooterSize
                          : run.LineGap + run.FooterLine + ps.FooterSize;

  auto newPage = [&]() {
    if (&c == &Printer().Canvas() && Printer().Printing()) {
      Printer().NewPage();
      c.SetMapMode(MM_LOMETRIC);
    }
    ++run.Page;
    if (OnPrintPage) OnPrintPage(this, c, run.Page + 1, run.PageW, run.PageH);
  };
  // The height a row would take, for the page break test.
  auto rowHeight = [&](int row) {
    int h = 0;
    if (ps.UseFixedHeight) h = ps.FixedHeight;
    else
      for (int col = 0; col < cols; ++col) h = std::max(h, MeasurePrintCell(run, row, col).Y);
    return h + h / 8 + 2 * run.LineGap;
  };

  int first = 0;
  while (first < cols) {
    if (OnPrintPage) OnPrintPage(this, c, 0, run.PageW, run.PageH);
    long long width = FPrintColWidths[first] + run.Spacing;
    int last = first;
    while (last + 1 < cols && width + FPrintColWidths[last + 1] + run.Spacing <= run.PageW - ps.RightSize) {
      ++last;
      width += FPrintColWidths[last] + run.Spacing;
    }
    FPrintedWidth = static_cast<int>(width);
    FPrintColPos[first] = ps.Centered ? 0 : ps.LeftSize;
    for (int col = first + 1; col <= last + 1; ++col)
      FPrintColPos[col] = FPrintColPos[col - 1] + FPrintColWidths[col - 1] + run.Spacing;
    if (ps.Centered && FPrintedWidth < run.PageW)
      for (int col = first; col <= last + 1; ++col) FPrintColPos[col] += (run.PageW - FPrintedWidth) / 2;

    int row = -1;
    bool pageStart = true;
    int y = 0;
    while (row < Items().Count()) {
      if (pageStart) {
        y = -run.HeaderH;
        PrintHeaderFooter(run);
        if (row >= 0 && ps.RepeatHeaders) y -= PrintRow(run, y, first, last, -1);
        pageStart = false;
      }
      y -= PrintRow(run, y, first, last, row);
      ++row;
      bool force = false;
      if (OnPrintNewPage) OnPrintNewPage(this, row, force);
      if (row < Items().Count() && (force || y - rowHeight(row) < run.PageH + run.FooterH)) {
        newPage();
        pageStart = true;
      }
    }
    first = last + 1;
    if (first < cols) newPage();
  }
  return run.Page + 1;
}

void TQnListView::Print() {
  Printer().SetOrientation(FPrintSettings->Orientation);
  RunMetricPrintJob(PrintJobTitle(FPrintSettings->JobName, *this), [this](TCanvas& canvas) { PrintPages(canvas); });
}
