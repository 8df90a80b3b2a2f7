#include "client/reports/image_report.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <memory>

#include "client/reports/record_print.h"
#include "platform/gfx/picture.h"
#include "print/page_canvas.h"

namespace image_report {

double ImageShare(int ImageSpace) { return std::clamp(ImageSpace / 100.0, 0.2, 0.8); }

TAreas SplitCell(TLayout Layout, const TRect& C, double Share) {
  const int H = static_cast<int>((C.Bottom - C.Top) * Share), W = static_cast<int>((C.Right - C.Left) * Share);
  switch (Layout) {
    case LayoutOne: return {TRect{C.Left, C.Top, C.Right, C.Top + H}, TRect{C.Left, C.Top + H, C.Right, C.Bottom}};
    case LayoutTwo: return {TRect{C.Left, C.Bottom - H, C.Right, C.Bottom}, TRect{C.Left, C.Top, C.Right, C.Bottom - H}};
    case LayoutThree: return {TRect{C.Right - W, C.Top, C.Right, C.Bottom}, TRect{C.Left, C.Top, C.Right - W, C.Bottom}};
    case LayoutFour: break;
  }
  return {TRect{C.Left, C.Top, C.Left + W, C.Bottom}, TRect{C.Left + W, C.Top, C.Right, C.Bottom}};
}

std::vector<TRect> ImageRects(const TRect& A, int Count, bool Horizontal) {
  std::vector<TRect> Out;
  for (int i = 0; i < Count; ++i) {
    if (Horizontal) {
      const int W = A.Right - A.Left;
      Out.push_back(TRect{A.Left + W * i / Count, A.Top, A.Left + W * (i + 1) / Count, A.Bottom});
    } else {
      const int H = A.Bottom - A.Top;
      Out.push_back(TRect{A.Left, A.Top + H * i / Count, A.Right, A.Top + H * (i + 1) / Count});
    }
  }
  return Out;
}

bool IsPlainFileName(const std::string& Name) {
  if (Name.empty() || Name.find("..") != std::string::npos) return false;
  for (unsigned char c : Name)
    if (c == '/' || c == '\\' || c == ':' || c < 0x20 || c == 0x7F) return false;
  return true;
}

std::string PrintCopyName(int Slot, const std::string& FileName) {
  return "print" + std::to_string(Slot) + "~" + FileName;
}

std::array<std::string, 3> HeaderCaptions(const std::array<std::string, 3>& Boxes, const std::string& PageNumber,
                                          const std::string& DatePosition, const std::string& Date) {
  std::array<std::string, 3> Pieces;
  auto Index = [](const std::string& P) { return P == "Left" ? 0 : P == "Center" ? 1 : P == "Right" ? 2 : -1; };
  if (const int i = Index(PageNumber); i >= 0) Pieces[static_cast<std::size_t>(i)] += " {PAGE}";
  if (const int i = Index(DatePosition); i >= 0) Pieces[static_cast<std::size_t>(i)] += " " + Date;
  std::array<std::string, 3> Out;
  for (std::size_t i = 0; i < 3; ++i) Out[i] = Boxes[i] + " " + Pieces[i];
  return Out;
}

bool RenderImage(const TRect& Part, TPgCanvas& Canvas, const std::string& FileName) {
  std::string Ext = std::filesystem::path(FileName).extension().string();
  for (char& c : Ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::unique_ptr<TGraphic> Graphic;
  if (Ext == ".gif" || Ext == ".pcx" || Ext == ".jpg") {
    Graphic = PicLibLoad(FileName, 0);
  } else {
    TPicture Picture;
    try {
      Picture.LoadFromFile(FileName);
    } catch (const std::exception&) {
      return false;  // a picture that cannot be loaded leaves its part empty
    }
    if (Picture.Graphic()) Graphic = Picture.Graphic()->Clone();
  }
  if (!Graphic || Graphic->Width() <= 0 || Graphic->Height() <= 0) return false;
  const TRect Fit = record_print::FitPicture(Graphic->Width(), Graphic->Height(), Part);
  if (Fit.Right <= Fit.Left || Fit.Bottom <= Fit.Top) return false;
  Canvas.Draw(Fit.Left / 1000.0, Fit.Top / 1000.0, Fit.Right / 1000.0, Fit.Bottom / 1000.0, *Graphic, gmInches);
  return true;
}

int DrawImages(TPgCanvas& Canvas, const TRect& Area, const std::vector<int>& Chosen, const std::array<TImageSlot, 6>& Slots,
               const std::string& ProgramFolder, bool Horizontal, bool Titles, const TFont* TitleFont) {
  const std::vector<TRect> Parts = ImageRects(Area, static_cast<int>(Chosen.size()), Horizontal);
  int Drawn = 0;
  for (std::size_t k = 0; k < Chosen.size(); ++k) {
    if (Chosen[k] < 0 || Chosen[k] > 5) continue;
    const TImageSlot& S = Slots[static_cast<std::size_t>(Chosen[k])];
    if (!IsPlainFileName(S.FileName)) continue;
    const std::string Path = ProgramFolder + S.FileName;
    std::error_code E;
    if (!std::filesystem::is_regular_file(Path, E)) continue;
    if (!RenderImage(Parts[k], Canvas, Path)) continue;
    ++Drawn;
    if (Titles && !S.Title.empty()) {
      if (TitleFont) Canvas.Font().Assign(*TitleFont);
      Canvas.Brush().SetStyle(bsClear);
      Canvas.TextOut(Parts[k].Left / 1000.0, Parts[k].Top / 1000.0, S.Title, gmInches);
    }
  }
  return Drawn;
}

void ReturnFieldValue(const TReportRecord& Record, int Code, std::vector<std::string>& Lines) {
  Lines.clear();
  if (const auto It = Record.Values.find(Code); It != Record.Values.end()) Lines = It->second;
}

int LineHeight(const TFont& ValueFont, const TFont& NameFont) {
  auto Thousandths = [](const TFont& F) {
    return static_cast<int>(std::lround(std::abs(F.Height()) * 1000.0 / std::max(1, F.PixelsPerInch())));
  };
  return std::max({1, Thousandths(ValueFont), Thousandths(NameFont)});
}

TRect ReturnFieldRect(const TRect& C, bool FieldNames) {
  if (!FieldNames) return TRect{C.Left, C.Top, C.Left, C.Bottom};
  return TRect{C.Left, C.Top, C.Left + (C.Right - C.Left) / 2, C.Bottom};
}

TRect ReturnValueRect(const TRect& C, bool FieldNames) {
  if (!FieldNames) return C;
  return TRect{C.Left + (C.Right - C.Left) / 2, C.Top, C.Right, C.Bottom};
}

std::vector<TTextPiece> LayoutText(const TRect& Area, const TTextOptions& Options, const TReportRecord& Record,
                                   const std::vector<TReportItem>& Fields, int Line) {
  std::vector<TTextPiece> Out;
  Line = std::max(1, Line);
  int Top = Area.Top;
  auto Fits = [&](int Y) { return Y + Line <= Area.Bottom; };
  if (Options.RecordName) {
    if (Fits(Top)) Out.push_back({Area.Left, Top, Record.Name, 2, Area});
    Top += Line;
  }
  const int Columns = std::clamp(Options.Columns, 1, 5);
  const int Count = static_cast<int>(Fields.size());
  const int Width = Area.Right - Area.Left;
  std::vector<std::string> Lines;
  int Item = 0;
  for (int c = 0; c < Columns && Item < Count; ++c) {
    const TRect Column{Area.Left + Width * c / Columns, Top, Area.Left + Width * (c + 1) / Columns, Area.Bottom};
    const TRect Names = ReturnFieldRect(Column, Options.FieldNames), Values = ReturnValueRect(Column, Options.FieldNames);
    const int Share = Count / Columns + (c < Count % Columns ? 1 : 0);
    int Y = Top;
    for (int k = 0; k < Share && Item < Count; ++k, ++Item) {
      const TReportItem& F = Fields[static_cast<std::size_t>(Item)];
      ReturnFieldValue(Record, F.Code, Lines);
      if (Options.FieldNames && Fits(Y)) Out.push_back({Names.Left, Y, F.Caption + ":", 3, Names});
      int LineY = Y;
      for (const std::string& L : Lines) {
        if (Fits(LineY) && !L.empty()) Out.push_back({Values.Left, LineY, L, 1, Values});
        LineY += Line;
      }
      Y += Line * std::max<int>(1, static_cast<int>(Lines.size()));  // an empty value keeps its line
    }
  }
  return Out;
}

void RenderText(TPgCanvas& Canvas, const std::vector<TTextPiece>& Pieces, const TFont* Fonts) {
  Canvas.Brush().SetStyle(bsClear);
  for (const TTextPiece& P : Pieces) {
    Canvas.Font().Assign(Fonts[std::clamp(P.Font, 1, 20) - 1]);
    Canvas.ClipRect(P.Clip.Left / 1000.0, P.Clip.Top / 1000.0, P.Clip.Right / 1000.0, P.Clip.Bottom / 1000.0, gmInches);
    Canvas.TextOut(P.Left / 1000.0, P.Top / 1000.0, P.Text, gmInches);
    Canvas.RemoveClip();
  }
}

}  // namespace image_report
