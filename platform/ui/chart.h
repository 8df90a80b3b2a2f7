// The chart control behind `TChartfx`: one or more series of values drawn as bars with the
// legend beside them. Its members are reached by the numbers of its dispatch interface (the
// named methods below carry those numbers), and every call is recorded for tests.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/ui/controls.h"

struct TChartCall {
  int DispId;                   // 64, 65, 88, 82, 92, 70, or 0 for a short property put
  std::vector<double> Numbers;  // the numeric arguments in order
  std::string Text;
  friend bool operator==(const TChartCall&, const TChartCall&) = default;
};

class TChartfx : public TCustomControl {
public:
  static constexpr int kMaxSeries = 64;
  static constexpr int kMaxPoints = 100000;

  explicit TChartfx(TComponent* AOwner);

  // 64: opens the data of `kind` for writing, with this many series and points; the values and
  // legends of points that stay are kept. Counts beyond the caps raise EInvalidOperation.
  void OpenData(short kind, int series, int points);
  // 65: closes the data and repaints.
  void CloseData(short kind);
  // 88: an indexed setting; index 1 is the top of the value scale (0 = from the values).
  void SetIndexedValue(short index, double value);
  double IndexedValue(short index) const;
  // 82: a point's value in the first series. 92: a point's legend text. An index outside the
  // opened points raises EInvalidOperation.
  void SetValue(short point, double value);
  double Value(short point) const;
  void SetLegend(short point, const std::string& text);
  std::string Legend(short point) const;
  // 70: prints the chart on one page through the printer (nothing without a printer).
  void PrintChart();
  // The control's 16-bit properties by index (property 1 among them); stored only.
  void SetShortProperty(int index, short value);
  short ShortProperty(int index) const;

  bool DataOpen() const { return FOpen; }
  int Series() const { return FSeries; }
  int Points() const { return static_cast<int>(FValues.size()); }
  double ScaleMaximum() const;
  const std::vector<TChartCall>& Calls() const { return FCalls; }

  // Draws the chart into `r` of `canvas`: bars on the left, the legend on the right.
  void DrawChart(TCanvas& canvas, const TRect& r);

protected:
  void Paint() override;

private:
  void CheckPoint(short point) const;

  bool FOpen = false;
  short FKind = 0;
  int FSeries = 0;
  std::vector<double> FValues;
  std::vector<std::string> FLegends;
  std::map<int, double> FIndexed;
  std::map<int, short> FShort;
  std::vector<TChartCall> FCalls;
};
