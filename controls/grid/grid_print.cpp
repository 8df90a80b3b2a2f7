// Printing and preview of TQnStringGrid: one page engine that counts pages or draws a range of
// them, in tenths of a millimetre with y growing upwards, the columns cut into bands that fit
// the page width.
#include <algorithm>
#include <cmath>

#include "controls/grid/grid_utils.h"
#include "controls/grid/markup.h"
#include "controls/grid/qn_grid.h"
#include "controls/grid/rich_cell.h"
#include "platform/gfx/mapping.h"
#include "platform/gfx/printer.h"
#include "platform/rtl/date_time.h"
#include "platform/ui/forms.h"
#include "platform/ui/screen.h"

namespace {

bool AtTop(TPrintPosition p) { return TPrintSlots::AtTop(p); }
bool AtBottom(TPrintPosition p) { return TPrintSlots::AtBottom(p); }

// A rich-text cell filled with its brush and drawn with the text's own fonts; false (the fill
// done) when the text is no readable RTF.
bool PrintRichCell(TCanvas& c, const std::string& text, const TRect& cell) {
  c.FillRect(cell);
  return DrawRichTextCell(c, text, cell);
}

// The next line break at or after `from` (npos when none): a plain scan, since most cells have
// none and a search for either of two characters costs a call per character.
std::size_t LineBreak(const std::string& text, std::size_t from) {
  for (std::size_t i = from; i < text.size(); ++i)
    if (text[i] == '\r' || text[i] == '\n') return i;
  return std::string::npos;
}

// The position after the line break at `e`; a CR LF pair is one break.
std::size_t AfterBreak(const std::string& text, std::size_t e) {
  return text[e] == '\r' && e + 1 < text.size() && text[e + 1] == '\n' ? e + 2 : e + 1;
}

int CountLines(const std::string& text) {
  int n = 1;
  for (std::size_t e = LineBreak(text, 0); e != std::string::npos; e = LineBreak(text, AfterBreak(text, e))) ++n;
  return n;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t p = 0;
  while (true) {
    const std::size_t e = LineBreak(text, p);
    lines.push_back(text.substr(p, e == std::string::npos ? std::string::npos : e - p));
    if (e == std::string::npos) break;
    p = AfterBreak(text, e);
  }
  return lines;
}

}  // namespace

TRotatedExtents RotatedExtents(int W, int H, int Angle) {
  const double a = Angle * 3.14159265358979323846 / 180.0;
  const double c = std::abs(std::cos(a)), s = std::abs(std::sin(a));
  return TRotatedExtents{static_cast<int>(std::lround(W * c + H * s)), static_cast<int>(std::lround(W * s + H * c))};
}

TPoint RotatedTextOrigin(const TRect& Cell, TAlignment Align, int Indent, int Top, int W, int H, int Angle) {
  if (Angle == 0) {
    if (Align == taRightJustify) return TPoint{Cell.Right - Indent - W, Top};
    if (Align == taCenter) return TPoint{Cell.Left + (Cell.Right - Cell.Left - W) / 2, Top};
    return TPoint{Cell.Left + Indent, Top};
  }
  // Units with y growing upwards; the text turns clockwise on the page by Angle around its start
  // point: its baseline runs along (cos a, -sin a), its top-to-bottom along (-sin a, -cos a).
  const double a = Angle * 3.14159265358979323846 / 180.0;
  const double ux = std::cos(a), uy = -std::sin(a), vx = -std::sin(a), vy = -std::cos(a);
  const double xs[4] = {0, W * ux, H * vx, W * ux + H * vx};
  const double ys[4] = {0, W * uy, H * vy, W * uy + H * vy};
  const double minX = *std::min_element(xs, xs + 4), maxX = *std::max_element(xs, xs + 4);
  const double maxY = *std::max_element(ys, ys + 4);
  const double width = maxX - minX;
  double left = Cell.Left + Indent;
  if (Align == taRightJustify) left = Cell.Right - Indent - width;
  else if (Align == taCenter) left = Cell.Left + (Cell.Right - Cell.Left - width) / 2;
  return TPoint{static_cast<int>(std::lround(left - minX)), static_cast<int>(std::lround(Top - maxY))};
}

void TPrintSlots::Add(TPrintPosition Position, const std::string& Item) {
  if (Position == ppNone) return;
  std::string& t = Text[Position];
  if (Position == ppTopLeft || Position == ppBottomLeft) t = t.empty() ? Item : Item + " " + t;
  else t = t.empty() ? Item : t + " " + Item;
}

void TPrintSlots::AddTimeDate(TPrintPosition TimePos, TPrintPosition DatePos, const std::string& DateFormat) {
  const TDateTime now = Now();
  Add(TimePos, FormatDateTime("hh:nn", now));
  Add(DatePos, FormatDateTime(DateFormat, now));
}

int TPrintSlots::TextX(int Slot, int PageWidth, int LeftSize, int RightSize, int W) {
  if (Slot == ppTopRight || Slot == ppBottomRight) return PageWidth - 20 - RightSize - W;
  if (Slot == ppTopCenter || Slot == ppBottomCenter) return (PageWidth - W) / 2;
  return LeftSize;
}

double PrintFitFactor(TFitToPage Mode, long long TotalWidth, long long SpacingTotal, int Available,
                      const std::function<void(double& Factor, bool& Allow)>& Ask) {
  if (Mode == fpNever) return 1.0;
  double factor = TotalWidth != SpacingTotal ? static_cast<double>(Available - SpacingTotal) /
                                                   static_cast<double>(TotalWidth - SpacingTotal)
                                             : 1.0;
  if (factor > 1 && Mode == fpShrink) factor = 1.0;
  if (factor < 1 && Mode == fpGrow) factor = 1.0;
  if (factor != 1 && Mode == fpCustom) {
    bool allow = true;
    if (Ask) Ask(factor, allow);
    if (!allow) factor = 1.0;
  }
  return factor > 0 ? factor : 1.0;
}

void RunMetricPrintJob(const std::string& Title, const std::function<void(TCanvas& Canvas)>& Pages) {
  TPrinter& printer = Printer();
  printer.SetTitle(Title);
  printer.BeginDoc();
  if (!printer.Printing()) return;
  try {
    TCanvas& canvas = printer.Canvas();
    const int saved = canvas.MapMode();
    canvas.SetMapMode(MM_LOMETRIC);
    Pages(canvas);
    canvas.SetMapMode(saved);
  } catch (...) {
    printer.Abort();
    throw;
  }
  printer.EndDoc();
}

std::string PrintJobTitle(const std::string& JobName, const TControl& Control) {
  if (!JobName.empty()) return JobName;
  const TCustomForm* form = GetParentForm(&Control);
  return form ? form->Caption() : std::string();
}

int SelectPrintFont(TCanvas& Canvas, const TFont& Font, int Height) {
  Canvas.Font().Assign(Font);
  Canvas.Font().SetHeight(Height);
  return Canvas.TextHeight("gh");
}

// The working values of one engine run.
struct TQnStringGrid::TPrintRun {
  TCanvas* C = nullptr;
  int Mode = 0;
  int Total = -1;
  int LineGap = 0, Indent = 0, HeaderLine = 0, FooterLine = 0;
  int PageW = 0, PageH = 0;  // PageH is negative: the y of the page's bottom edge
  int Spacing = 0, HeaderH = 0, FooterH = 0;
  int Page = 0, PagesInBand = 0, Band = 0;
  bool SeveralBands = false;
  int Y = 0;
  double Factor = 1.0;
  double Ratio = 0;
  bool SheetUsed = false;  // the sheet the job (or the last NewPage) opened has been drawn on
  bool RepeatCols = false;
  int CacheRow = -1, CacheHeight = 0;
  TFont TableFont;
  bool Drawing() const { return Mode == 0 || Mode == 1; }
  // The height of "gh" in the canvas font, measured again only when the font changes.
  int TextHeight() {
    const TPaintFont f = C->Font().ToPaintFont(96);
    if (HeightValue < 0 || HeightMode != C->MapMode() || !(f == HeightFont)) {
      HeightFont = f;
      HeightMode = C->MapMode();
      HeightValue = C->TextHeight("gh");
    }
    return HeightValue;
  }

private:
  TPaintFont HeightFont;
  int HeightMode = 0, HeightValue = -1;
};

int TQnStringGrid::PrintAngle(int RealCol, int ARow) {
  int angle = 0;
  if (!IsRotated(RealCol, ARow, angle)) return 0;
  angle %= 360;
  return angle < 0 ? angle + 360 : angle;
}

int TQnStringGrid::PrintFontHeight(int Points) const {
  return -static_cast<int>(std::trunc(Points * 254.0 / 72.0 * FFontScale));
}

bool TQnStringGrid::PageInRange(int PageNumber) const {
  return PageNumber >= FromPage && PageNumber <= ToPage;
}

void TQnStringGrid::PrintCellFont(TPrintRun& Run, int RealCol, int ARow, TBrush& Brush) {
  TCanvas& c = *Run.C;
  c.Font().Assign(Run.TableFont);
  Brush.SetColor(clWhite);
  Brush.SetStyle(bsSolid);
  GetCellPrintColor(RealCol, ARow, TGridDrawState(), Brush, c.Font());
  const int size = c.Font().Size();
  c.Font().SetHeight(PrintFontHeight(size));
}

TPoint TQnStringGrid::MeasurePrintCell(TPrintRun& Run, int RealCol, int ARow, bool Width) {
  TCanvas& c = *Run.C;
  std::string text = Cells(RealCol, ARow);
  const int kind = GetTextKind(text, EnableHTML);
  if (kind == 1) {
    // Measured by the markup renderer on device pixels, then taken back to tenths of a mm.
    const int saved = c.MapMode();
    c.SetMapMode(MM_TEXT);
    c.Font().Assign(Run.TableFont);
    std::string anchor, strip;
    int xs = 0, ys = 0;
    RenderCellMarkup(c, text, TRect{0, 0, 1000, 1000}, GridImages, 0, 0, false, true, true, false, false,
                     Run.Ratio, FURLColor, anchor, strip, xs, ys);
    c.SetMapMode(saved);
    const int dpiX = std::max(1, c.DeviceCaps(LOGPIXELSX)), dpiY = std::max(1, c.DeviceCaps(LOGPIXELSY));
    return TPoint{static_cast<int>(std::lround(xs * 254.0 / dpiX)), static_cast<int>(std::lround(ys * 254.0 / dpiY))};
  }
  if (kind == 2) text = RichCellPlainText(text);
  TBrush brush;
  PrintCellFont(Run, RealCol, ARow, brush);
  const int angle = PrintAngle(RealCol, ARow);
  if (angle != 0) c.Font().SetOrientation(-10 * angle);
  const auto& ps = *FPrintSettings;
  if (FWordWrap && ps.NoAutoSize) {
    const int w = FPrintColWidths.empty() ? 0 : FPrintColWidths[std::min<std::size_t>(DisplColIndex(RealCol), FPrintColWidths.size() - 1)];
    TRect r{0, 0, w, 0};
    const int h = c.DrawText(text, r, DT_CALCRECT | DT_WORDBREAK);
    return TPoint{w, std::abs(h)};
  }
  // A row's height needs no widths, unless the text is turned.
  if (!Width && angle == 0) return TPoint{0, Run.TextHeight() * CountLines(text)};
  const std::vector<std::string> lines = SplitLines(text);
  const int h = Run.TextHeight() * static_cast<int>(lines.size());
  int w = 0;
  for (std::string line : lines) {
    if (FURLShow && !FURLFull && IsURL(line)) StripURLProtocol(line);
    w = std::max(w, c.TextWidth(line));
  }
  if (angle == 0) return TPoint{w, h};
  const TRotatedExtents e = RotatedExtents(w, h, angle);
  return TPoint{e.Width, e.Height};
}

int TQnStringGrid::PrintRowHeight(TPrintRun& Run, int ARow) {
  if (Run.CacheRow == ARow) return Run.CacheHeight;
  const auto& ps = *FPrintSettings;
  const bool kept = ARow >= 0 && ARow < static_cast<int>(FKeptHeights.size());
  int h = 0;
  if (kept && FKeptHeights[static_cast<std::size_t>(ARow)] >= 0) {
    // Counted for this job on the same device.
    h = FKeptHeights[static_cast<std::size_t>(ARow)];
  } else if (ps.UseFixedHeight) {
    h = ps.FixedHeight;
  } else if (OnPrintSetRowHeight) {
    h = ps.FixedHeight;
    OnPrintSetRowHeight(this, ARow, h);
  } else {
    for (int c = PrintGridRect.Left; c <= PrintGridRect.Right; ++c)
      h = std::max(h, MeasurePrintCell(Run, RealColIndex(c), ARow, false).Y);
  }
  if (kept) FKeptHeights[static_cast<std::size_t>(ARow)] = h;
  Run.CacheRow = ARow;
  Run.CacheHeight = h;
  return h;
}

int TQnStringGrid::RowSpace(TPrintRun& Run, int ARow) {
  const int h = PrintRowHeight(Run, ARow);
  return h + h / 8 + 2 * Run.LineGap + FPrintSettings->RowSpacing;
}

// One row over the columns First..Last (display indices); returns the height it occupies.
int TQnStringGrid::PrintRow(TPrintRun& Run, int Y, int First, int Last, int ARow) {
  const auto& ps = *FPrintSettings;
  const int h = PrintRowHeight(Run, ARow);
  const int hh = h + h / 8;
  const int occupied = 2 * Run.LineGap + hh + ps.RowSpacing;
  if (!Run.Drawing() || !PageInRange(Run.Page + 1)) return occupied;
  TCanvas& c = *Run.C;
  FFontScale = Run.Factor;
  TBrush brush;
  for (int col = First; col <= Last; ++col) {
    const int rc = RealColIndex(col);
    const TRect cell{FPrintColPos[col], Y, FPrintColPos[col + 1], Y - occupied};
    std::string text = Cells(rc, ARow);
    const int kind = GetTextKind(text, EnableHTML);
    PrintCellFont(Run, rc, ARow, brush);
    c.Brush().Assign(brush);
    if (kind == 1) {
      c.FillRect(cell);
      const TPoint a = c.LPtoDP(TPoint{cell.Left, cell.Top}), b = c.LPtoDP(TPoint{cell.Right, cell.Bottom});
      const int saved = c.MapMode();
      const TFont font = c.Font();
      c.SetMapMode(MM_TEXT);
      c.Font().Assign(Run.TableFont);
      std::string anchor, strip;
      int xs = 0, ys = 0;
      RenderCellMarkup(c, text, TRect{a.X, a.Y, b.X, b.Y}, GridImages, 0, 0, false, false, true, false, false,
                       Run.Ratio, FURLColor, anchor, strip, xs, ys);
      c.SetMapMode(saved);
      c.Font().Assign(font);
    } else if (kind == 2 && PrintRichCell(c, text, cell)) {
      // Drawn with the text's own fonts, sizes and colours.
    } else {
      if (kind == 2) text = RichCellPlainText(text);
      TAlignment align = taLeftJustify;
      GetCellAlign(rc, ARow, align);
      if (FWordWrap && ps.NoAutoSize) {
        TRect r = cell;
        UINT flags = DT_EDITCONTROL | DT_NOPREFIX | DT_EXPANDTABS | DT_WORDBREAK;
        flags |= align == taRightJustify ? DT_RIGHT : align == taCenter ? DT_CENTER : DT_LEFT;
        c.FillRect(cell);
        c.DrawText(text, r, flags);
      } else {
        const int angle = PrintAngle(rc, ARow);
        if (angle != 0) c.Font().SetOrientation(-10 * angle);
        const int textH = Run.TextHeight();
        int lineH = textH + ps.RowSpacing;
        lineH += lineH / 8;
        std::vector<std::string> lines = SplitLines(text);
        std::vector<int> widths;
        int widest = 0;
        for (std::string& line : lines) {
          if (FURLShow && !FURLFull && IsURL(line)) StripURLProtocol(line);
          widths.push_back(line.empty() ? 0 : c.TextWidth(line));
          widest = std::max(widest, widths.back());
        }
        const int n = static_cast<int>(lines.size());
        // The pitch of the lines: the height a turned line takes.
        const int pitch = angle == 0 ? lineH : RotatedExtents(widest, lineH, angle).Height;
        int offset = 0;
        const int block = n == 1 ? occupied + ps.RowSpacing - pitch : occupied - pitch * n;
        if (FVAlignment == vtaCenter) offset = block / 2;
        else if (FVAlignment == vtaBottom) offset = block;
        // A white cell on the white sheet needs no fill of its own.
        if (brush.Color() != clWhite) c.FillRect(cell);
        // The cell is filled once: the lines are drawn over it, not each with a fill that would
        // wipe out the lines before it.
        c.Brush().SetStyle(bsClear);
        c.SetBkMode(TRANSPARENT);
        auto out = [&](int x, int y, const std::string& line, int w) {
          if (line.empty()) return;
          // A level line inside its cell needs no clip.
          if (angle == 0 && x >= cell.Left && x + w <= cell.Right && y <= cell.Top && y - textH >= cell.Bottom)
            c.TextOut(x, y, line);
          else
            c.TextRect(cell, x, y, line);
        };
        if (n == 1) {
          const TPoint at = RotatedTextOrigin(cell, align, Run.Indent, Y - offset, widths[0], textH, angle);
          out(at.X, at.Y, lines[0], widths[0]);
        } else {
          int y = Y - offset;
          for (int i = 0; i < n; ++i) {
            int x = cell.Left + Run.Indent;
            if (align == taRightJustify) x = cell.Right - Run.Indent - widths[static_cast<std::size_t>(i)];
            else if (align == taCenter) x = cell.Left + (cell.Right - cell.Left - widths[static_cast<std::size_t>(i)]) / 2;
            out(x, y, lines[static_cast<std::size_t>(i)], widths[static_cast<std::size_t>(i)]);
            y -= pitch;
          }
        }
        c.SetBkMode(OPAQUE);
        c.Brush().SetStyle(bsSolid);
      }
    }
    // Borders that OnGetCellPrintBorder asks for.
    TCellBorders borders;
    TPen pen;
    pen.Assign(c.Pen());
    GetCellPrintBorder(rc, ARow, pen, borders);
    if (!borders.Empty()) {
      const TPen saved = c.Pen();
      c.Pen().Assign(pen);
      const int half = pen.Width() / 2 + 1;
      if (borders.Contains(cbLeft)) { c.MoveTo(cell.Left, cell.Top); c.LineTo(cell.Left, cell.Bottom); }
      if (borders.Contains(cbRight)) { c.MoveTo(cell.Right - half, cell.Top); c.LineTo(cell.Right - half, cell.Bottom); }
      if (borders.Contains(cbTop)) { c.MoveTo(cell.Left, cell.Top); c.LineTo(cell.Right, cell.Top); }
      if (borders.Contains(cbBottom)) { c.MoveTo(cell.Left, cell.Bottom + half); c.LineTo(cell.Right, cell.Bottom + half); }
      c.Pen().Assign(saved);
    }
  }
  if (ps.Borders == pbSingle || ps.Borders == pbDouble || ps.Borders == pbHorizontal || ps.Borders == pbAroundHorizontal) {
    c.MoveTo(FPrintColPos[First], Y);
    c.LineTo(FPrintColPos[Last + 1], Y);
  }
  FFontScale = 1.0;
  return occupied;
}

std::string TQnStringGrid::PageNumberText(const TPrintRun& Run) const {
  const auto& ps = *FPrintSettings;
  if (Run.SeveralBands) return std::to_string(Run.PagesInBand + 1) + "-" + std::to_string(Run.Band);
  if (!ps.PageNumSep.empty() && Run.Total > 1)
    return std::to_string(Run.Page + 1) + ps.PageNumSep + std::to_string(Run.Total);
  return std::to_string(Run.Page + 1);
}

void TQnStringGrid::PrintHeaderFooter(TPrintRun& Run) {
  if (!Run.Drawing() || !PageInRange(Run.Page + 1)) return;
  const auto& ps = *FPrintSettings;
  TCanvas& c = *Run.C;
  TPrintSlots slots;
  slots.AddTimeDate(ps.Time, ps.Date, ps.DateFormat);
  slots.Add(ps.PageNr, ps.PagePrefix + " " + PageNumberText(Run) + " " + ps.PageSuffix);
  const std::string title = !ps.TitleText.empty() ? ps.TitleText
                            : FPrintSettings->TitleLines().Count() > 0 ? FPrintSettings->TitleLines()[0]
                                                                        : std::string();
  if (!title.empty()) slots.Add(ps.Title, title);
  const TFont saved = c.Font();
  for (int p = ppTopLeft; p <= ppBottomCenter; ++p) {
    const bool top = p <= ppTopCenter;
    TFont& f = top ? FPrintSettings->HeaderFont() : FPrintSettings->FooterFont();
    c.Font().Assign(f);
    c.Font().SetHeight(PrintFontHeight(f.Size()));
    const int y = top ? -ps.HeaderSize : Run.PageH + Run.FooterLine + Run.LineGap + ps.FooterSize;
    auto place = [&](const std::string& text, int yy) {
      const int x = TPrintSlots::TextX(p, Run.PageW, ps.LeftSize, ps.RightSize, c.TextWidth(text));
      c.SetBkMode(TRANSPARENT);
      c.TextOut(x, yy, text);
    };
    if (!slots.Text[p].empty()) place(slots.Text[p], y);
    if (static_cast<int>(ps.Title) == p && ps.TitleText.empty()) {
      const int step = c.TextHeight("gh");
      for (int i = 1; i < FPrintSettings->TitleLines().Count(); ++i)
        place(FPrintSettings->TitleLines()[i], y - i * step);
    }
  }
  c.Font().Assign(saved);
}

void TQnStringGrid::PrintBorders(TPrintRun& Run, int First, int Last) {
  if (!Run.Drawing() || !PageInRange(Run.Page + 1)) return;
  const auto& ps = *FPrintSettings;
  TCanvas& c = *Run.C;
  const int top = -Run.HeaderH - ps.TitleSpacing;
  const int bottom = Run.Y + Run.LineGap / 2;
  const int left = Run.RepeatCols ? FPrintColPos[0] : FPrintColPos[First];
  const int right = FPrintColPos[Last + 1];
  const TPrintBorders b = ps.Borders;
  if (b == pbAround || b == pbAroundVertical || b == pbAroundHorizontal) {
    c.MoveTo(left, top);
    c.LineTo(right, top);
    c.LineTo(right, bottom);
    c.LineTo(left, bottom);
    c.LineTo(left, top);
  }
  if (b == pbSingle || b == pbDouble || b == pbHorizontal || b == pbAroundHorizontal) {
    c.MoveTo(left, bottom);
    c.LineTo(right, bottom);
  }
  if (b == pbSingle || b == pbDouble || b == pbVertical || b == pbAroundVertical) {
    auto vline = [&](int x) { c.MoveTo(x, top); c.LineTo(x, bottom); };
    if (Run.RepeatCols)
      for (int i = 0; i < TStringGrid::FixedCols(); ++i) vline(FPrintColPos[i]);
    for (int i = First; i <= Last + 1; ++i) vline(FPrintColPos[i]);
  }
}

void TQnStringGrid::PrintNewPage(TPrintRun& Run) {
  const int next = Run.Page + 2;
  if (!PageInRange(next)) return;
  if (Run.Mode == 1) {
    // The sheet that the job opened takes the first page of the range: no empty sheet first.
    if (Run.SheetUsed) {
      Printer().NewPage();
      Run.C->SetMapMode(MM_LOMETRIC);
    }
  }
  Run.SheetUsed = true;
  if (Run.Drawing() && OnPrintPage) OnPrintPage(this, *Run.C, next, Run.PageW, Run.PageH);
}

int TQnStringGrid::PrintPages(TCanvas& Canvas, int Mode, int Total) {
  const auto& ps = *FPrintSettings;
  TPrintRun run;
  run.C = &Canvas;
  run.Mode = Mode;
  run.Total = Total;
  TCanvas& c = Canvas;
  c.SetMapMode(MM_TEXT);
  const int screenDpi = Screen().PixelsPerInch();
  run.Ratio = screenDpi > 0 ? static_cast<double>(c.DeviceCaps(LOGPIXELSX)) / screenDpi : 0.0;
  c.SetMapMode(MM_LOMETRIC);
  FFontScale = 1.0;
  c.Pen().SetColor(clBlack);
  c.Pen().SetStyle(ps.BorderStyle);
  c.Pen().SetWidth(ps.Borders == pbDouble ? 10 : 2);
  c.Brush().SetStyle(bsSolid);
  run.HeaderLine = SelectPrintFont(c, FPrintSettings->HeaderFont(), PrintFontHeight(FPrintSettings->HeaderFont().Size()));
  run.FooterLine = SelectPrintFont(c, FPrintSettings->FooterFont(), PrintFontHeight(FPrintSettings->FooterFont().Size()));
  run.TableFont.Assign(FPrintSettings->Font());
  run.LineGap = SelectPrintFont(c, run.TableFont, PrintFontHeight(run.TableFont.Size())) / 8;
  run.Indent = c.TextWidth("a");

  if (Mode == 1) {
    // The clip box in logical units: x from the left edge, y from 0 down to the bottom edge.
    const TRect clip = c.ClipRect();
    run.PageW = std::abs(clip.Right - clip.Left);
    run.PageH = std::min(clip.Top, clip.Bottom);
  } else if (Mode == 2) {
    run.PageW = PageArea.Right - PageArea.Left;
    run.PageH = -PageArea.Bottom - PageArea.Top;
  } else {
    const TPoint a = c.DPtoLP(TPoint{PageArea.Left, PageArea.Top});
    const TPoint b = c.DPtoLP(TPoint{PageArea.Right, PageArea.Bottom});
    run.PageW = b.X - a.X;
    run.PageH = b.Y - a.Y;
  }
  FPageRect = TRect{0, 0, run.PageW, run.PageH};
  run.SheetUsed = FromPage <= 1;

  const TGridRect g = PrintGridRect;
  const int fixedCols = TStringGrid::FixedCols(), fixedRows = TStringGrid::FixedRows();
  run.Spacing = ps.UseFixedWidth ? 0 : ps.ColumnSpacing + 20;
  FPrintColWidths.assign(ColCount() + 1, 0);
  FPrintColPos.assign(ColCount() + 2, 0);
  // The row heights this run measures are kept for the print run after it; that run takes
  // them as they are.
  if (!(FKeepPrintWidths && FKeptHeights.size() == static_cast<std::size_t>(RowCount())))
    FKeptHeights.assign(FKeepPrintWidths || Mode == 2 ? static_cast<std::size_t>(RowCount()) : 0, -1);
  if (FKeepPrintWidths && FKeptWidths.size() == FPrintColWidths.size()) {
    // The print run after its counting run on the same device: the widths are those counted.
    FPrintColWidths = FKeptWidths;
    run.Factor = FKeptFactor;
  } else if (ps.NoAutoSize) {
    const double factor = 254.0 / std::max(1, screenDpi);
    for (int col = g.Left; col <= g.Right; ++col)
      FPrintColWidths[col] = static_cast<int>(std::lround((ColWidths(col) - 4) * factor));
  } else {
    for (int row = g.Top; row <= g.Bottom; ++row)
      for (int col = g.Left; col <= g.Right; ++col) {
        const int w = ps.UseFixedWidth ? ps.FixedWidth : MeasurePrintCell(run, RealColIndex(col), row).X;
        FPrintColWidths[col] = std::max(FPrintColWidths[col], w);
      }
  }
  long long totalWidth = 0;
  for (int col = g.Left; col <= g.Right; ++col) totalWidth += FPrintColWidths[col] + run.Spacing;
  if (!(FKeepPrintWidths && FKeptWidths.size() == FPrintColWidths.size())) {

  {
    const long long spacingTotal = static_cast<long long>(g.Right - g.Left + 1) * run.Spacing;
    const double factor = PrintFitFactor(ps.FitToPage, totalWidth, spacingTotal, run.PageW - ps.RightSize - ps.LeftSize,
                                         [this](double& f, bool& allow) { if (OnFitToPage) OnFitToPage(this, f, allow); });
    if (factor != 1) {
      for (int col = g.Left; col <= g.Right; ++col)
        FPrintColWidths[col] = static_cast<int>(std::trunc(FPrintColWidths[col] * factor));
      run.Factor = factor;
    }
  }
  if (OnPrintSetColumnWidth)
    for (int col = g.Left; col <= g.Right; ++col) OnPrintSetColumnWidth(this, col, FPrintColWidths[col]);
  }
  FKeptWidths = FPrintColWidths;
  FKeptFactor = run.Factor;

  const TStringList& titles = FPrintSettings->TitleLines();
  const bool anyTop = AtTop(ps.Time) || AtTop(ps.Date) || AtTop(ps.PageNr) || AtTop(ps.Title);
  const bool anyBottom = AtBottom(ps.Time) || AtBottom(ps.Date) || AtBottom(ps.PageNr) || AtBottom(ps.Title);
  run.HeaderH = anyTop ? run.LineGap + run.HeaderLine + ps.HeaderSize : ps.HeaderSize;
  if (anyTop && titles.Count() > 0 && AtTop(ps.Title)) run.HeaderH += (titles.Count() - 1) * run.HeaderLine;
  run.FooterH = anyBottom ? (run.LineGap + run.FooterLine) * 2 + ps.FooterSize
                          : run.LineGap + run.FooterLine + ps.FooterSize;
  if (anyBottom && titles.Count() > 0 && AtBottom(ps.Title)) run.FooterH += (titles.Count() - 1) * run.FooterLine;

  if (run.Drawing() && OnPrintPage) OnPrintPage(this, c, 1, run.PageW, run.PageH);

  int first = g.Left;
  bool pagesCompleted = false;
  while (first <= g.Right) {
    ++run.Band;
    run.PagesInBand = 0;
    run.RepeatCols = first > g.Left && fixedCols > 0 && ps.RepeatFixedCols;
    long long width = 0;
    if (run.RepeatCols)
      for (int col = 0; col < fixedCols; ++col) width += FPrintColWidths[col] + run.Spacing;
    const long long repeatedWidth = width;
    const long long limit = run.PageW - ps.RightSize;
    int last = first;
    width += FPrintColWidths[first] + run.Spacing;
    while (last + 1 <= g.Right && width + FPrintColWidths[last + 1] + run.Spacing <= limit) {
      ++last;
      width += FPrintColWidths[last] + run.Spacing;
    }
    if (last < g.Right) run.SeveralBands = true;
    FPrintedWidth = static_cast<int>(width);
    FPageFirstCol = first;
    FPageLastCol = last;
    const int start = ps.Centered ? 0 : ps.LeftSize;
    FPrintColPos[first] = start;
    FPrintColPos[0] = start;
    for (int col = first + 1; col <= last + 1; ++col)
      FPrintColPos[col] = FPrintColPos[col - 1] + FPrintColWidths[col - 1] + run.Spacing;
    if (run.RepeatCols)
      for (int col = 1; col <= fixedCols; ++col)
        FPrintColPos[col] = FPrintColPos[col - 1] + FPrintColWidths[col - 1] + run.Spacing;
    if (ps.Centered && FPrintedWidth < run.PageW) {
      const int shift = (run.PageW - FPrintedWidth) / 2;
      for (int col = first; col <= last + 1; ++col) FPrintColPos[col] += shift;
      if (run.RepeatCols)
        for (int col = 0; col <= fixedCols; ++col) FPrintColPos[col] += shift;
    }
    for (int col = first; col <= last + 1; ++col) FPrintColPos[col] += static_cast<int>(repeatedWidth);

    auto printRow = [&](int row) {
      int h = PrintRow(run, run.Y, first, last, row);
      if (run.RepeatCols) PrintRow(run, run.Y, 0, fixedCols - 1, row);
      run.Y -= h;
    };
    int row = g.Top;
    int rowsOnPage = 0;
    int lastBreak = -1;
    bool stop = false;
    while (row <= g.Bottom && !stop) {
      if (rowsOnPage == 0) {
        run.Y = -run.HeaderH;
        PrintHeaderFooter(run);
        run.Y -= ps.TitleSpacing;
        if (row > 0 && ps.RepeatFixedRows && fixedRows > 0 && (pagesCompleted || fixedRows <= g.Top)) {
          for (int fr = 0; fr < fixedRows; ++fr) printRow(fr);
          ++rowsOnPage;
        }
      }
      printRow(row);
      ++row;
      ++rowsOnPage;
      bool newPage = false;
      if (OnPrintNewPage) OnPrintNewPage(this, row, newPage);
      if (row <= g.Bottom && (newPage || run.Y - RowSpace(run, row) < run.PageH + run.FooterH)) {
        PrintBorders(run, first, last);
        rowsOnPage = 0;
        lastBreak = row;
        if (PreviewFirstPageOnly && run.Page + 1 >= FromPage) stop = true;
        PrintNewPage(run);
        pagesCompleted = true;
        ++run.Page;
        ++run.PagesInBand;
      }
    }
    if (lastBreak != row) PrintBorders(run, first, last);
    first = last + 1;
    if (PreviewFirstPageOnly && stop) break;
    if (first <= g.Right) {
      PrintNewPage(run);
      pagesCompleted = true;
      ++run.Page;
    }
  }
  return run.Page + 1;
}

void TQnStringGrid::PrintRange(const TGridRect& Range) {
  PrintGridRect = Range;
  TPrinter& printer = Printer();
  printer.SetOrientation(FPrintSettings->Orientation);
  const TPrinterCaps caps = printer.Caps();
  PageArea = TRect{0, 0, static_cast<int>(std::lround(caps.Width * 254.0 / caps.DpiX)),
                   static_cast<int>(std::lround(caps.Height * 254.0 / caps.DpiY))};
  // Pages are counted on the printer's own measures, so that the count is that of the print.
  const int n = PreviewFirstPageOnly ? 1 : PrintPages(printer.Canvas(), 2, -1);
  FromPage = 1;
  ToPage = n;
  TotalPages = n;
  struct TForgetCount {
    TQnStringGrid& G;
    ~TForgetCount() {
      G.FKeepPrintWidths = false;
      G.FKeptHeights = std::vector<int>();
    }
  } forget{*this};
  if (OnPrintStart) OnPrintStart(this, n, FromPage, ToPage);
  if (FromPage == 0 || ToPage == 0 || FromPage > ToPage) return;
  TotalPages = ToPage;
  // A counted job prints with the widths and heights its count laid out (the same device
  // measures both).
  FKeepPrintWidths = !PreviewFirstPageOnly;
  RunMetricPrintJob(PrintJobTitle(FPrintSettings->JobName, *this), [this, n](TCanvas& canvas) { PrintPages(canvas, 1, n); });
}

void TQnStringGrid::Print() { PrintRange(TGridRect{0, 0, ColCount() - 1, RowCount() - 1}); }

void TQnStringGrid::PreviewRange(TCanvas& Canvas, const TRect& Target, const TGridRect& Range) {
  PrintGridRect = Range;
  const int saved = Canvas.MapMode();
  const TPoint origin = Canvas.Origin();
  // Logical (0, 0) is the top-left corner of the target.
  Canvas.SetOrigin(TPoint{origin.X + Target.Left, origin.Y + Target.Top});
  Canvas.SetMapMode(MM_LOMETRIC);
  const TRect area{0, 0, Target.Right - Target.Left, Target.Bottom - Target.Top};
  PageArea = area;
  if (!PreviewFirstPageOnly) TotalPages = PrintPages(Canvas, 3, -1);
  PageArea = area;
  Canvas.IntersectClipRect(Canvas.DPtoLP(TPoint{0, 0}).X, Canvas.DPtoLP(TPoint{0, 0}).Y,
                           Canvas.DPtoLP(TPoint{area.Right, area.Bottom}).X,
                           Canvas.DPtoLP(TPoint{area.Right, area.Bottom}).Y);
  PrintPages(Canvas, 0, PreviewFirstPageOnly ? 1 : TotalPages);
  Canvas.SelectClipRgn(nullptr);
  Canvas.SetMapMode(saved);
  Canvas.SetOrigin(origin);
}

void TQnStringGrid::PrintPreview(TCanvas& Canvas, const TRect& Target) {
  PreviewRange(Canvas, Target, TGridRect{0, 0, ColCount() - 1, RowCount() - 1});
}

void TQnStringGrid::SetPreviewPage(int Page) {
  FromPage = Page;
  ToPage = Page;
}

int TQnStringGrid::MaxCellLines(int ARow) {
  if (!Multilinecells || ColCount() == 0) return 1;
  int most = 1;
  for (int c = 0; c < ColCount(); ++c) most = std::max(most, LineCount(Cells(RealColIndex(c), ARow), true));
  return most;
}
