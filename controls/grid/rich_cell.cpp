#include "controls/grid/rich_cell.h"

#include <algorithm>

#include "platform/gfx/mapping.h"
#include "platform/ui/rich_text_document.h"
#include "platform/ui/rtf_reader.h"

bool DrawRichTextCell(TCanvas& Canvas, const std::string& Rtf, const TRect& R) {
  TRichContent content;
  try {
    content = ReadRtf(Rtf);
  } catch (const ERtfError&) {
    return false;
  }
  if (!Canvas.Painter()) return true;
  // The layout works in device pixels: a page in a metric mapping is drawn in its device
  // units for the time of the call.
  const int saved = Canvas.SaveDC();
  TRect device = R;
  if (Canvas.MapMode() != MM_TEXT) {
    const TPoint a = Canvas.LPtoDP({R.Left, R.Top}), b = Canvas.LPtoDP({R.Right, R.Bottom});
    Canvas.SetMapMode(MM_TEXT);
    const TPoint la = Canvas.DPtoLP({std::min(a.X, b.X), std::min(a.Y, b.Y)});
    const TPoint lb = Canvas.DPtoLP({std::max(a.X, b.X), std::max(a.Y, b.Y)});
    device = Rect(la.X, la.Y, lb.X, lb.Y);
  }
  TRunListDocument document;
  document.Replace(0, document.Length(), content);
  const int dpiX = std::max(1, Canvas.Painter()->DpiX()), dpiY = std::max(1, Canvas.Painter()->DpiY());
  TFormatRange range;
  range.hdc = &Canvas;
  range.rc = Rect(DeviceToTwips(device.Left, dpiX), DeviceToTwips(device.Top, dpiY),
                  DeviceToTwips(device.Right, dpiX), DeviceToTwips(device.Bottom, dpiY));
  range.rcPage = range.rc;
  document.FormatRange(range, true);
  Canvas.RestoreDC(saved);
  return true;
}

std::string RichCellPlainText(const std::string& Rtf) {
  try {
    return RtfToPlainText(Rtf);
  } catch (const ERtfError&) {
    return Rtf;
  }
}
