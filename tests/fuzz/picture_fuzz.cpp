// The picture decoders: GIF, PCX, BMP, JPEG, icons and our metafiles, each directly and through
// the picture's own sniffing.  The first byte picks the decoder ('g' GIF, 'p' PCX, 'b' BMP, 'j'
// JPEG, 'i' icon, 'm' metafile, 's' sniffed by the picture); the rest is the file.  A picture
// that reads is drawn, written again and read back; a bitmap and a metafile come back the same.
#include "fuzz_support.h"
#include "platform/gfx/bitmap.h"
#include "platform/gfx/gif_image.h"
#include "platform/gfx/icon.h"
#include "platform/gfx/jpeg_image.h"
#include "platform/gfx/metafile.h"
#include "platform/gfx/pcx_image.h"
#include "platform/gfx/picture.h"
#include "platform/headless/headless_peer.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "server/engine/gif_writer.h"

namespace {

using TBytes = std::vector<BYTE>;

void Pattern(TBitmap& B, int Width, int Height, int Colours) {
  B.SetSize(Width, Height);
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x) {
      const int c = (x * 7 + y * 3) % Colours;
      B.SetPixelAt(x, y, RGB(c * 37 % 256, c * 91 % 256, c * 13 % 256));
    }
}

std::string Saved(const TGraphic& G) {
  TMemoryStream S;
  G.SaveToStream(S);
  return S.DataString();
}

std::string GifOf(const TBitmap& B, bool Interlaced, bool Transparent, bool TwoFrames) {
  TGifImageList List;
  TGifFrameOptions Frame;
  Frame.Bitmap = &B;
  Frame.Interlaced = Interlaced;
  Frame.Transparent = Transparent;
  Frame.TransparentColor = B.PixelAt(0, 0);
  Frame.Comment = "seed";
  List.Frames.push_back(Frame);
  if (TwoFrames) {
    Frame.Left = 2;
    Frame.Top = 1;
    List.Frames.push_back(Frame);
    List.GlobalPalette = true;
  }
  TMemoryStream S;
  WriteGifToStream(S, List);
  return S.DataString();
}

// PCX files as a painting program writes them (the tree has no PCX writer): the header, rows
// run-length encoded plane by plane, and the 256-colour palette at the end of an 8-bit file.
void PutRuns(std::string& Out, const std::vector<BYTE>& Row) {
  for (std::size_t i = 0; i < Row.size();) {
    std::size_t Run = 1;
    while (i + Run < Row.size() && Row[i + Run] == Row[i] && Run < 63) ++Run;
    if (Run > 1 || Row[i] >= 0xC0) Out.push_back(static_cast<char>(0xC0 | Run));
    Out.push_back(static_cast<char>(Row[i]));
    i += Run;
  }
}

std::string PcxOf(int Bits, int Planes, int Width, int Height) {
  const int BytesPerLine = ((Width * Bits + 7) / 8 + 1) & ~1;
  std::string Out(128, '\0');
  auto Put16 = [&Out](int At, int Value) {
    Out[At] = static_cast<char>(Value & 0xFF);
    Out[At + 1] = static_cast<char>(Value >> 8);
  };
  Out[0] = 0x0A;
  Out[1] = 5;
  Out[2] = 1;
  Out[3] = static_cast<char>(Bits);
  Put16(8, Width - 1);
  Put16(10, Height - 1);
  Put16(12, 72);
  Put16(14, 72);
  for (int i = 0; i < 48; ++i) Out[16 + i] = static_cast<char>(i * 5);
  Out[65] = static_cast<char>(Planes);
  Put16(66, BytesPerLine);
  Put16(68, 1);
  for (int y = 0; y < Height; ++y)
    for (int p = 0; p < Planes; ++p) {
      std::vector<BYTE> Row(static_cast<std::size_t>(BytesPerLine));
      for (int i = 0; i < BytesPerLine; ++i) Row[i] = static_cast<BYTE>((i / 3 + y * 5 + p * 40) % 256);
      PutRuns(Out, Row);
    }
  if (Bits == 8 && Planes == 1) {
    Out.push_back(0x0C);
    for (int i = 0; i < 768; ++i) Out.push_back(static_cast<char>(i * 7));
  }
  return Out;
}

std::string IconOf(int Side) {
  std::vector<std::uint32_t> Pixels;
  for (int i = 0; i < Side * Side; ++i) Pixels.push_back(0x80000000u * (i % 2) + 0x00FF00FFu * (i % 3) + 0x7F000000u);
  TIcon I;
  I.SetImage(Side, Side, Pixels);
  return Saved(I);
}

std::string MetafileOf() {
  TMetafile M;
  TBitmap Picture;
  Pattern(Picture, 5, 4, 6);
  {
    TMetafileCanvas C(M, nullptr);
    C.Pen().SetColor(clRed);
    C.Pen().SetWidth(2);
    C.MoveTo(1, 1);
    C.LineTo(30, 20);
    C.Brush().SetColor(clBlue);
    C.Rectangle(2, 2, 20, 12);
    C.Ellipse(5, 5, 25, 18);
    C.RoundRect(0, 0, 16, 16, 4, 4);
    C.Polygon({{0, 0}, {10, 3}, {4, 9}});
    C.Font().SetName("Arial");
    C.Font().SetSize(9);
    C.TextOut(3, 4, "Text \xc3\xa9");
    C.TextRect(TRect{0, 0, 12, 8}, 1, 1, "clipped");
    C.StretchDraw(TRect{10, 10, 20, 18}, Picture);
    C.SetPixel(7, 7, clGreen);
    C.DrawFocusRect(TRect{1, 1, 9, 9});
  }
  return Saved(M);
}

template <class G>
std::unique_ptr<G> Read(std::string_view Bytes) {
  auto Graphic = std::make_unique<G>();
  TStringStream In{std::string(Bytes)};
  Graphic->LoadFromStream(In);
  return Graphic;
}

// Draws the graphic small, then writes it and reads what it wrote.  Pictures of millions of
// pixels (which a few bytes of a compressed format may declare) are only decoded: writing them
// again would spend the run's time on the writer.
void Exercise(const TGraphic& Graphic) {
  const bool Recording = dynamic_cast<const TMetafile*>(&Graphic) != nullptr;
  if (!Recording && static_cast<long long>(Graphic.Width()) * Graphic.Height() > 1000000) return;
  TBitmap Target(24, 16);
  Target.Canvas().StretchDraw(TRect{0, 0, 24, 16}, Graphic);
  Target.ReleaseCanvas();
  const std::string Again = Saved(Graphic);
  TStringStream In(Again);
  TPicture Back;
  Back.LoadFromStream(In);
}

void SetUp() { InstallHeadlessBackend(); }

}  // namespace

std::vector<std::string> FuzzSeeds() {
  TBitmap Small, Many;
  Pattern(Small, 9, 7, 5);
  Pattern(Many, 20, 11, 200);
  std::vector<std::string> Seeds{
      "g" + GifOf(Small, false, false, false), "g" + GifOf(Many, true, true, false),
      "g" + GifOf(Small, false, true, true),   "b" + Saved(Small),
      "s" + Saved(Many),                       "p" + PcxOf(8, 1, 13, 6),
      "p" + PcxOf(8, 3, 7, 5),                 "p" + PcxOf(1, 1, 19, 4),
      "p" + PcxOf(1, 4, 9, 3),                 "s" + PcxOf(8, 1, 4, 4),
      "i" + IconOf(16),                        "s" + IconOf(4),
      "m" + MetafileOf(),                      "s" + MetafileOf()};
  for (bool Progressive : {false, true}) {
    TJPEGImage J;
    J.Assign(&Many);
    J.SetProgressiveEncoding(Progressive);
    J.SetCompressionQuality(Progressive ? 40 : 90);
    J.Compress();
    Seeds.push_back("j" + Saved(J));
    Seeds.push_back("s" + Saved(J));
  }
  return Seeds;
}

QN_FUZZ_SET_UP_THEN_SEEDS(SetUp)

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  if (Size == 0) return 0;
  const std::string_view Bytes = fuzz::AsView(Data + 1, Size - 1);
  const TBytes Raw(Data + 1, Data + Size);
  try {
    switch (Data[0]) {
      case 'g': {
        TBitmap B;
        LoadGifBitmap(Raw.data(), Raw.size(), B);
        Exercise(B);
        break;
      }
      case 'p': {
        TBitmap B;
        LoadPcxBitmap(Raw.data(), Raw.size(), B);
        Exercise(B);
        break;
      }
      case 'b': {
        TBitmap B;
        B.LoadFromBmp(Raw);
        if (static_cast<long long>(B.Width()) * B.Height() > 1000000) break;
        // What the bitmap writes reads back to the same pixels.
        TBitmap Back;
        Back.LoadFromBmp(B.SaveToBmp());
        if (Back.Width() != B.Width() || Back.Height() != B.Height()) __builtin_trap();
        for (int y = 0; y < B.Height(); ++y)
          for (int x = 0; x < B.Width(); ++x)
            if (Back.PixelAt(x, y) != B.PixelAt(x, y)) __builtin_trap();
        break;
      }
      case 'j': {
        TJPEGImage J;
        J.LoadFromBytes(Raw);
        Exercise(J);
        J.SetScale(jsQuarter);
        J.SetGrayscale(true);
        J.Bitmap();
        break;
      }
      case 'i':
        Exercise(*Read<TIcon>(Bytes));
        break;
      case 'm': {
        const auto M = Read<TMetafile>(Bytes);
        Exercise(*M);
        // A metafile read writes the same stream it reads back from.
        const std::string Once = Saved(*M);
        if (Saved(*Read<TMetafile>(Once)) != Once) __builtin_trap();
        break;
      }
      case 's': {
        TPicture P;
        TStringStream In{std::string(Bytes)};
        P.LoadFromStream(In);
        if (P.Graphic()) Exercise(*P.Graphic());
        break;
      }
      default:
        break;
    }
  } catch (const Exception&) {
  }
  return 0;
}
