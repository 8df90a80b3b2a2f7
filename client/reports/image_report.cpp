#include "client/reports/image_report.h"

#include <algorithm>
#include <filesystem>

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

int DrawImages(TPgCanvas& Canvas, const TRect& Area, const std::vector<int>& Chosen, const std::array<TImageSlot, 6>& Slots,
               const std::string& ProgramFolder, bool Horizontal, bool Titles) {
  const std::vector<TRect> Parts = ImageRects(Area, static_cast<int>(Chosen.size()), Horizontal);
  int Drawn = 0;
  for (std::size_t k = 0; k < Chosen.size(); ++k) {
    if (Chosen[k] < 0 || Chosen[k] > 5) continue;
    const TImageSlot& S = Slots[static_cast<std::size_t>(Chosen[k])];
    if (!IsPlainFileName(S.FileName)) continue;
    const std::string Path = ProgramFolder + S.FileName;
    std::error_code E;
    if (!std::filesystem::is_regular_file(Path, E)) continue;
    TPicture Picture;
    try {
      Picture.LoadFromFile(Path);
    } catch (const std::exception&) {
      continue;  // a picture that cannot be loaded leaves its part empty
    }
    if (!Picture.Graphic() || Picture.Width() <= 0 || Picture.Height() <= 0) continue;
    const TRect Fit = record_print::FitPicture(Picture.Width(), Picture.Height(), Parts[k]);
    if (Fit.Right <= Fit.Left || Fit.Bottom <= Fit.Top) continue;
    Canvas.Draw(Fit.Left / 1000.0, Fit.Top / 1000.0, Fit.Right / 1000.0, Fit.Bottom / 1000.0, *Picture.Graphic(), gmInches);
    ++Drawn;
    if (Titles && !S.Title.empty()) Canvas.TextOut(Parts[k].Left / 1000.0, Parts[k].Top / 1000.0, S.Title, gmInches);
  }
  return Drawn;
}

}  // namespace image_report
