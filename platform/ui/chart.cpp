#include "platform/ui/chart.h"

#include <algorithm>
#include <cmath>

#include "platform/gfx/printer.h"
#include "platform/ui/forms.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/float_text.h"

namespace {

const TColor kBarColors[] = {RGB(0, 0, 255), RGB(255, 0, 0), RGB(0, 160, 0), RGB(255, 192, 0),
                             RGB(160, 0, 160), RGB(0, 160, 160), RGB(128, 128, 0), RGB(255, 128, 192)};

// A round step for about `ticks` scale divisions up to `top`.
double ScaleStep(double top, int ticks) {
  double raw = top / std::max(1, ticks);
  double p = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 5.0, 10.0})
    if (raw <= m * p) return m * p;
  return 10 * p;
}

}  // namespace

TChartfx::TChartfx(TComponent* AOwner) : TCustomControl(AOwner) {
  SetColor(clWhite);
  SetBounds(0, 0, 320, 200);
}

void TChartfx::OpenData(short kind, int series, int points) {
  FCalls.push_back({64, {double(kind), double(series), double(points)}, {}});
  if (series < 1 || series > kMaxSeries || points < 0 || points > kMaxPoints)
    throw EInvalidOperation("Chart data size out of range (" + std::to_string(series) + " x " +
                            std::to_string(points) + ")");
  FKind = kind;
  FSeries = series;
  FValues.resize(static_cast<std::size_t>(points), 0.0);
  FLegends.resize(static_cast<std::size_t>(points));
  FOpen = true;
}

void TChartfx::CloseData(short kind) {
  FCalls.push_back({65, {double(kind)}, {}});
  FOpen = false;
  Invalidate();
}

void TChartfx::SetIndexedValue(short index, double value) {
  FCalls.push_back({88, {double(index), value}, {}});
  FIndexed[index] = value;
}

double TChartfx::IndexedValue(short index) const {
  auto it = FIndexed.find(index);
  return it == FIndexed.end() ? 0.0 : it->second;
}

void TChartfx::CheckPoint(short point) const {
  if (point < 0 || point >= Points())
    throw EInvalidOperation("Chart point index out of range (" + std::to_string(point) + ")");
}

void TChartfx::SetValue(short point, double value) {
  FCalls.push_back({82, {double(point), value}, {}});
  CheckPoint(point);
  FValues[static_cast<std::size_t>(point)] = value;
}

double TChartfx::Value(short point) const {
  CheckPoint(point);
  return FValues[static_cast<std::size_t>(point)];
}

void TChartfx::SetLegend(short point, const std::string& text) {
  FCalls.push_back({92, {double(point)}, text});
  CheckPoint(point);
  FLegends[static_cast<std::size_t>(point)] = text;
}

std::string TChartfx::Legend(short point) const {
  CheckPoint(point);
  return FLegends[static_cast<std::size_t>(point)];
}

void TChartfx::SetShortProperty(int index, short value) {
  FCalls.push_back({0, {double(index), double(value)}, {}});
  FShort[index] = value;
}

short TChartfx::ShortProperty(int index) const {
  auto it = FShort.find(index);
  return it == FShort.end() ? 0 : it->second;
}

double TChartfx::ScaleMaximum() const {
  double top = IndexedValue(1);
  if (top > 0) return top;
  for (double v : FValues) top = std::max(top, v);
  return top > 0 ? top : 1.0;
}

void TChartfx::DrawChart(TCanvas& canvas, const TRect& r) {
  canvas.Brush().SetStyle(bsSolid);
  canvas.Brush().SetColor(Color());
  canvas.FillRect(r);
  int line = canvas.TextHeight("gh");
  int pad = std::max(2, line / 2);
  // Legend: a colour box and the text for each point, as wide as its longest text.
  int legendWidth = 0;
  for (const auto& l : FLegends) legendWidth = std::max(legendWidth, canvas.TextWidth(l));
  legendWidth = FLegends.empty() ? 0 : std::min(legendWidth + line + 3 * pad, r.Width() / 2);
  TRect plot{r.Left + pad, r.Top + pad, r.Right - legendWidth - pad, r.Bottom - pad};
  double top = ScaleMaximum();
  // Value axis with its labels.
  double step = ScaleStep(top, std::max(1, plot.Height() / std::max(1, 3 * line)));
  int labelWidth = canvas.TextWidth(FloatToStr(top)) + pad;
  for (double v = step; v <= top + step / 2; v += step) labelWidth = std::max(labelWidth, canvas.TextWidth(FloatToStr(v)) + pad);
  TRect bars{plot.Left + labelWidth, plot.Top + line / 2, plot.Right, plot.Bottom - line / 2};
  if (bars.Width() <= 0 || bars.Height() <= 0) return;
  canvas.Pen().SetColor(clBlack);
  canvas.Pen().SetStyle(psSolid);
  canvas.Brush().SetStyle(bsClear);
  for (double v = 0; v <= top + step / 2; v += step) {
    int y = bars.Bottom - static_cast<int>(std::lround(v / top * bars.Height()));
    std::string label = FloatToStr(v);
    canvas.TextOut(bars.Left - pad - canvas.TextWidth(label), y - line / 2, label);
    canvas.Pen().SetColor(clSilver);
    canvas.MoveTo(bars.Left, y);
    canvas.LineTo(bars.Right, y);
    canvas.Pen().SetColor(clBlack);
  }
  canvas.MoveTo(bars.Left, bars.Top);
  canvas.LineTo(bars.Left, bars.Bottom);
  canvas.LineTo(bars.Right, bars.Bottom);
  // Bars, one slot per point, each in its legend colour.
  int n = Points();
  for (int i = 0; i < n; ++i) {
    double v = std::clamp(FValues[static_cast<std::size_t>(i)], 0.0, top);
    int left = bars.Left + (bars.Width() * i) / n, right = bars.Left + (bars.Width() * (i + 1)) / n;
    int gap = (right - left) / 5;
    int h = static_cast<int>(std::lround(v / top * bars.Height()));
    canvas.Brush().SetColor(kBarColors[i % 8]);
    canvas.Rectangle(left + gap, bars.Bottom - h, right - gap, bars.Bottom + 1);
  }
  int y = plot.Top;
  for (int i = 0; i < n && legendWidth > 0; ++i) {
    int x = plot.Right + pad;
    canvas.Brush().SetColor(kBarColors[i % 8]);
    canvas.Rectangle(x, y + line / 6, x + line * 2 / 3, y + line * 5 / 6);
    canvas.Brush().SetStyle(bsClear);
    canvas.TextOut(x + line, y, FLegends[static_cast<std::size_t>(i)]);
    y += line;
  }
}

void TChartfx::Paint() {
  Canvas().Font().Assign(Font());
  DrawChart(Canvas(), ClientRect());
}

void TChartfx::PrintChart() {
  FCalls.push_back({70, {}, {}});
  TPrinter& printer = Printer();
  // The job is named after the chart's window.
  if (const TCustomForm* form = GetParentForm(this)) printer.SetTitle(form->Caption());
  printer.BeginDoc();
  if (!printer.Printing()) return;
  try {
    TCanvas& c = printer.Canvas();
    c.Font().Assign(Font());
    // The chart keeps its on-screen proportions, as wide as the page inside its margins.
    const TRect area = PrintMarginRect(printer, 0.5);
    const int w = area.Width();
    const int h = Width() > 0 ? std::min(area.Height(), MulDiv(w, std::max(1, Height()), Width())) : area.Height();
    DrawChart(c, Rect(area.Left, area.Top, area.Left + w, area.Top + h));
  } catch (...) {
    printer.Abort();
    throw;
  }
  printer.EndDoc();
}
