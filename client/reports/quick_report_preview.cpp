#include "client/reports/quick_report.h"
#include "print/grid_print.h"
#include "print/preview.h"

void BuildReportPreview(TPgPreview& Preview, TPgGridPrint& GridPrint, TStringGrid& Display, TReportLayout& L,
                        const std::string& DateText) {
  TPgMargins& M = Preview.Margins();
  M.Left().SetAsUnit(gmInches, L.MarginLeft);
  M.Right().SetAsUnit(gmInches, L.MarginRight);
  M.Top().SetAsUnit(gmInches, L.MarginTop);
  M.Bottom().SetAsUnit(gmInches, L.MarginBottom);
  Preview.Clear();
  auto Apply = [&](TPgHeaderFooter& Part, const THeaderFooterSettings& S, std::array<TFont, 3>& Fonts) {
    if (!S.Visible) return;
    Part.SetVisible(true);
    Part.SetShowLine(S.ShowLine);
    Part.SetHeight(S.Height, gmInches);
    Part.CaptionLeft.Font().Assign(Fonts[0]);
    Part.CaptionCenter.Font().Assign(Fonts[1]);
    Part.CaptionRight.Font().Assign(Fonts[2]);
    const auto Captions = HeaderFooterCaptions(S, DateText);
    Part.CaptionLeft.SetCaption(Captions[0]);
    Part.CaptionCenter.SetCaption(Captions[1]);
    Part.CaptionRight.SetCaption(Captions[2]);
  };
  Apply(Preview.Header(), L.Header, L.HeaderFonts);
  Apply(Preview.Footer(), L.Footer, L.FooterFonts);
  Display.Font().Assign(L.ReportFont);
  // The columns share the page by what they hold.
  FitColumnsToText(Display, false);
  GridPrint.SetFont(L.ReportFont);
  GridPrint.SetFixedCellFont(L.ReportFont);
  GridPrint.SetGrid(&Display);
  GridPrint.SetPreview(&Preview);
  double Top = L.MarginTop;
  if (Preview.Header().Visible()) Top += Preview.Header().GetHeight(gmInches);
  GridPrint.Print(pgUnits, ConvertValue(L.MarginLeft, gmInches, pgUnits), ConvertValue(Top, gmInches, pgUnits),
                  Preview.AvailablePageWidth(pgUnits));
  Preview.SetCurrentPage(1);
}
