#include "controls/grid/rich_cell.h"

#include <algorithm>
#include <cstdlib>

#include "platform/gfx/mapping.h"
#include "platform/ui/rich_text_document.h"
#include "platform/ui/rtf_reader.h"

bool DrawRichTextCell(TCanvas& Canvas, const std::string& Rtf, const TRect& R, TColor TextColor,
                      int TextColorLength) {
  TRichContent content;
  try {
    content = ReadRtf(Rtf);
  } catch (const ERtfError&) {
    return false;
  }
  if (!Canvas.Painter()) return true;
  if (TextColor != clNone) {
    TRichCharFormat f;
    // An RGB value: the automatic colour (clWindowText) would be drawn black.
    f.Color = static_cast<TColor>(ColorToRGB(TextColor));
    const int length = ContentLength(content);
    ApplyCharFormat(content, 0, TextColorLength < 0 ? length : std::min(TextColorLength, length), f,
                    TCharFormatParts{cfpColor});
  }
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

bool RichTextCellExtent(TCanvas& Canvas, const std::string& Rtf, TPoint& Extent) {
  if (!Canvas.Painter()) return false;
  TRunListDocument document;
  try {
    document.Replace(0, 0, ReadRtf(Rtf));
  } catch (const ERtfError&) {
    return false;
  }
  // Measured in device pixels, as it is drawn.
  const int saved = Canvas.SaveDC();
  Canvas.SetMapMode(MM_TEXT);
  const TPoint device = document.Extent(Canvas);
  Canvas.RestoreDC(saved);
  const TPoint a = Canvas.DPtoLP({0, 0}), b = Canvas.DPtoLP(device);
  Extent = TPoint{std::abs(b.X - a.X), std::abs(b.Y - a.Y)};
  return true;
}

std::string RichCellPlainText(const std::string& Rtf) {
  try {
    return RtfToPlainText(Rtf);
  } catch (const ERtfError&) {
    return Rtf;
  }
}
