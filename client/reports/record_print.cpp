#include "client/reports/record_print.h"

#include <algorithm>

#include "platform/rtl/path_text.h"
#include "platform/rtl/sysutils.h"
#include "platform/ui/spin_edit.h"
#include "print/label_printer.h"
#include "print/page_canvas.h"

namespace record_print {

std::vector<std::string> GenerateLabelText(const std::vector<int>& Items, const std::function<std::string(int)>& Value) {
  std::vector<std::string> Out;
  std::string Line;
  for (int Code : Items) {
    if (Code == SpaceItem) Line += " ";
    else if (Code == CommaItem) Line += ",";
    else if (Code == NewLineItem) {
      Out.push_back(Line);
      Line.clear();
    } else Line += (Value ? Value(Code) : std::string()) + " ";
  }
  Out.push_back(Line);
  return Out;
}

int EntryOfLabel(const std::vector<std::string>& Order, int LabelNum, int EntryCount) {
  if (LabelNum < 1 || LabelNum > static_cast<int>(Order.size())) return -1;
  int Index = -1;
  if (!TryStrToInt(Order[static_cast<std::size_t>(LabelNum - 1)], Index)) return -1;
  return Index >= 0 && Index < EntryCount ? Index : -1;
}

void ResetLabelStart(TSpinEdit& Column, TSpinEdit& Row) {
  Column.SetMinValue(1);
  Column.SetMaxValue(5);
  Column.SetValue(1);
  Row.SetMinValue(1);
  Row.SetMaxValue(30);
  Row.SetValue(1);
}

void LoadLabelInfo(TPgLabelPrinter& Printer, const std::string& Name, TSpinEdit& Column, TSpinEdit& Row) {
  TPgLabelTemplateInfo* T = Printer.Templates().FindByName(Name);
  if (!T) T = Printer.Templates().GetTemplate(0);
  if (!T) return;
  Printer.SetTemplate(T->Id);
  Column.SetValue(1);
  Row.SetValue(1);
  Column.SetMaxValue(std::max(1, T->Columns));
  Row.SetMaxValue(std::max(1, T->Rows));
}

std::string ExportKind(const std::string& FileName) {
  const std::string Ext = LowerCase(ExtractFileExt(FileName));
  if (Ext == ".rtf") return "rtf";
  if (Ext == ".htm" || Ext == ".html") return "htm";
  return "";
}

std::string ExportedText(const std::string& FileName) { return "Data exported to \"" + FileName + "\"."; }

std::string NotExportedText(const std::string& FileName) {
  return "Nothing was exported to \"" + FileName + "\": the name must end in .rtf (rich text), .htm or .html (HTML).";
}

std::string FontSizeText(const std::string& Text) {
  int V = 0;
  return TryStrToInt(Text, V) ? Text : "10";
}

TRect FitPicture(int W, int H, const TRect& Space) {
  const int SW = Space.Right - Space.Left, SH = Space.Bottom - Space.Top;
  if (W <= 0 || H <= 0 || SW <= 0 || SH <= 0) return TRect{Space.Left, Space.Top, Space.Left, Space.Top};
  int FW, FH;
  if (W >= H) {
    FW = SW;
    FH = static_cast<int>(static_cast<long long>(H) * SW / W);
    if (FH > SH) {
      FH = SH;
      FW = static_cast<int>(static_cast<long long>(W) * SH / H);
    }
  } else {
    FH = SH;
    FW = static_cast<int>(static_cast<long long>(W) * SH / H);
    if (FW > SW) {
      FW = SW;
      FH = static_cast<int>(static_cast<long long>(H) * SW / W);
    }
  }
  return TRect{Space.Left, Space.Top, Space.Left + FW, Space.Top + FH};
}

void DrawRichText(TPgCanvas& Canvas, const TRichContent& Content, double Left, double Top, double Right, double Bottom) {
  double Y = Top;
  const bool Wrap = Canvas.WordWrap;
  Canvas.WordWrap = false;
  for (const TRichParagraph& P : Content.Paragraphs) {
    if (Y >= Bottom) break;
    double X = Left, Tallest = 0;
    auto Use = [&](const TRichCharFormat& F) {
      Canvas.Font().SetName(F.Name);
      Canvas.Font().SetSize(std::max(1, F.HalfPoints / 2));
      Canvas.Font().SetColor(F.Color == clWindowText ? clBlack : F.Color);
      Canvas.Font().SetStyle(F.Style);
    };
    for (const TRichRun& R : P.Runs) {
      if (R.Text.empty() || X >= Right) continue;
      Use(R.Format);
      Canvas.TextOut(X, Y, R.Text, gmInches);
      X += Canvas.TextWidth(R.Text);
      Tallest = std::max(Tallest, Canvas.TextHeight(R.Text));
    }
    if (Tallest == 0) {
      Use(P.EndFormat);
      Tallest = Canvas.TextHeight("X");
    }
    Y += Tallest;
  }
  Canvas.WordWrap = Wrap;
}

}  // namespace record_print
