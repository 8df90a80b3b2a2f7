#include "server/engine/gif_writer.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "platform/gfx/bitmap.h"
#include "platform/gfx/gif_image.h"
#include "server/engine/request_api.h"

std::atomic<int> GifWriterStatus{gsDone};

namespace {

constexpr int kMaxColors = 256;

// A frame's colours in order of first appearance, with a small hash for the look-up.
class TGifPalette {
public:
  TGifPalette() { FSlots.fill(-1); }

  // The index of Color, appended when new; -1 when the palette is full.
  int IndexOf(COLORREF Color) {
    unsigned h = Hash(Color);
    while (FSlots[h] >= 0) {
      if (FColors[FSlots[h]] == Color) return FSlots[h];
      h = (h + 1) & (kSlots - 1);
    }
    if (static_cast<int>(FColors.size()) == kMaxColors) return -1;
    FSlots[h] = static_cast<int>(FColors.size());
    FColors.push_back(Color);
    return FSlots[h];
  }

  int Count() const { return static_cast<int>(FColors.size()); }
  const std::vector<COLORREF>& Colors() const { return FColors; }

  // Smallest power of two that holds the colours: 1 to 8 bits.
  int Bits() const {
    int bits = 1;
    while ((1 << bits) < Count()) ++bits;
    return bits;
  }

  int Find(COLORREF Color) const {
    for (int i = 0; i < Count(); ++i)
      if (FColors[i] == Color) return i;
    return -1;
  }

private:
  static constexpr unsigned kSlots = 1024;
  static unsigned Hash(COLORREF c) { return (c * 2654435761u) >> 22; }
  std::array<int, kSlots> FSlots;
  std::vector<COLORREF> FColors;
};

// Maps every pixel of the frame, in writing order, to its palette index; false when the
// palette overflows.
bool IndexFrame(const TGifFrameOptions& Frame, TGifPalette& Palette, std::vector<BYTE>& Indices) {
  const TBitmap& bmp = *Frame.Bitmap;
  const int w = bmp.Width(), h = bmp.Height(), bpp = bmp.BytesPerPixel();
  Indices.clear();
  Indices.reserve(static_cast<std::size_t>(w) * h);
  COLORREF last = 0;
  int lastIndex = -1;
  for (int y : GifRowOrder(h, Frame.Interlaced)) {
    const BYTE* p = bmp.ScanLine(y);
    for (int x = 0; x < w; ++x, p += bpp) {
      COLORREF c = RGB(p[2], p[1], p[0]);
      if (lastIndex < 0 || c != last) {
        lastIndex = Palette.IndexOf(c);
        if (lastIndex < 0) return false;
        last = c;
      }
      Indices.push_back(static_cast<BYTE>(lastIndex));
    }
  }
  return true;
}

class TByteWriter {
public:
  void Byte(int b) { Out.push_back(static_cast<char>(b)); }
  void Word(int w) {
    Byte(w & 0xFF);
    Byte((w >> 8) & 0xFF);
  }
  void Text(const std::string& s) { Out += s; }
  void ColorTable(const TGifPalette& Palette) {
    const int entries = 1 << Palette.Bits();
    for (int i = 0; i < entries; ++i) {
      COLORREF c = i < Palette.Count() ? Palette.Colors()[i] : 0;
      Byte(GetRValue(c));
      Byte(GetGValue(c));
      Byte(GetBValue(c));
    }
  }
  // Data in sub-blocks of at most 255 bytes and the zero-length terminator.
  void SubBlocks(const std::string& Data) {
    for (std::size_t at = 0; at < Data.size(); at += 255) {
      std::size_t n = std::min<std::size_t>(255, Data.size() - at);
      Byte(static_cast<int>(n));
      Out.append(Data, at, n);
    }
    Byte(0);
  }
  std::string Out;
};

// GIF's variable-width LZW, codes packed least-significant bit first.
class TLzwEncoder {
public:
  explicit TLzwEncoder(int MinCodeSize)
      : FMinCodeSize(MinCodeSize), FClear(1 << MinCodeSize), FEnd(FClear + 1) {}

  std::string Encode(const std::vector<BYTE>& Pixels) {
    Reset();
    Put(FClear);
    if (!Pixels.empty()) {
      int prefix = Pixels[0];
      for (std::size_t i = 1; i < Pixels.size(); ++i) {
        const int c = Pixels[i];
        const int key = (prefix << 8) | c;
        unsigned h = Hash(key);
        int code = -1;
        while (FKeys[h] >= 0) {
          if (FKeys[h] == key) {
            code = FCodes[h];
            break;
          }
          h = (h + 1) % kTableSize;
        }
        if (code >= 0) {
          prefix = code;
          continue;
        }
        Put(prefix);
        if (FNext < kMaxCode) {
          FKeys[h] = key;
          FCodes[h] = FNext++;
          if (FNext > (1 << FCodeSize) && FCodeSize < 12) ++FCodeSize;
        } else {
          Put(FClear);
          Reset();
        }
        prefix = c;
      }
      Put(prefix);
    }
    Put(FEnd);
    if (FBitCount > 0) FOut.push_back(static_cast<char>(FBits & 0xFF));
    return std::move(FOut);
  }

private:
  static constexpr int kTableSize = 5120;
  static constexpr int kMaxCode = 4096;
  static unsigned Hash(int key) { return (static_cast<unsigned>(key) * 2654435761u) % kTableSize; }

  void Reset() {
    FKeys.fill(-1);
    FCodeSize = FMinCodeSize + 1;
    FNext = FEnd + 1;
  }
  void Put(int Code) {
    FBits |= static_cast<std::uint32_t>(Code) << FBitCount;
    FBitCount += FCodeSize;
    while (FBitCount >= 8) {
      FOut.push_back(static_cast<char>(FBits & 0xFF));
      FBits >>= 8;
      FBitCount -= 8;
    }
  }

  const int FMinCodeSize, FClear, FEnd;
  int FCodeSize = 0, FNext = 0;
  std::array<int, kTableSize> FKeys;
  std::array<int, kTableSize> FCodes;
  std::uint32_t FBits = 0;
  int FBitCount = 0;
  std::string FOut;
};

// Ends at "done" unless a frame was refused, which stays visible as the status.
struct TStatusGuard {
  ~TStatusGuard() {
    if (GifWriterStatus != gsTooManyColors) GifWriterStatus = gsDone;
  }
};

}  // namespace

bool WriteGifToStream(TStream& Stream, const TGifImageList& ImageList) {
  GifWriterStatus = gsBuildingPalette;
  TStatusGuard done;
  const auto& frames = ImageList.Frames;
  const std::size_t count = frames.size();
  for (const auto& f : frames)
    if (!f.Bitmap) return false;

  // Palettes first, so that a refused list writes nothing.
  bool global = count == 1 || ImageList.GlobalPalette;
  std::vector<TGifPalette> palettes(global ? 1 : count);
  std::vector<std::vector<BYTE>> indices(count);
  for (std::size_t i = 0; i < count; ++i) {
    if (IndexFrame(frames[i], palettes[global ? 0 : i], indices[i])) continue;
    if (!global || i == 0 || count == 1) {
      GifWriterStatus = gsTooManyColors;
      return false;
    }
    // The shared palette overflowed: every frame gets its own instead.
    global = false;
    palettes.assign(count, TGifPalette());
    for (std::size_t j = 0; j < count; ++j)
      if (!IndexFrame(frames[j], palettes[j], indices[j])) {
        GifWriterStatus = gsTooManyColors;
        return false;
      }
    break;
  }

  GifWriterStatus = gsWriting;
  TByteWriter out;
  out.Text("GIF89a");
  int screenW = 0, screenH = 0;
  for (const auto& f : frames) {
    screenW = std::max(screenW, std::max(f.Left, 0) + f.Bitmap->Width());
    screenH = std::max(screenH, std::max(f.Top, 0) + f.Bitmap->Height());
  }
  out.Word(screenW);
  out.Word(screenH);
  if (global) {
    out.Byte(0x80 + palettes[0].Bits() - 1);
    out.Byte(0);
    out.Byte(0);
    out.ColorTable(palettes[0]);
  } else {
    out.Text(std::string(3, '\0'));
  }
  if (count > 1) {
    out.Byte(0x21);
    out.Byte(0xFF);
    out.Byte(11);
    out.Text("NETSCAPE2.0");
    out.Byte(3);
    out.Byte(1);
    out.Word(ImageList.LoopCount);
    out.Byte(0);
  }
  for (std::size_t i = 0; i < count; ++i) {
    const TGifFrameOptions& f = frames[i];
    const TGifPalette& palette = palettes[global ? 0 : i];
    if (!f.Comment.empty()) {
      out.Byte(0x21);
      out.Byte(0xFE);
      out.SubBlocks(f.Comment);
    }
    const int transparentIndex = f.Transparent ? palette.Find(f.TransparentColor) : -1;
    out.Byte(0x21);
    out.Byte(0xF9);
    out.Byte(4);
    out.Byte((std::clamp(f.Disposal, 0, 3) << 2) | (transparentIndex >= 0 ? 1 : 0));
    out.Word(std::clamp(f.DelayMs / 10, 0, 0xFFFF));
    out.Byte(std::max(transparentIndex, 0));
    out.Byte(0);

    out.Byte(0x2C);
    out.Word(std::max(f.Left, 0));
    out.Word(std::max(f.Top, 0));
    out.Word(f.Bitmap->Width());
    out.Word(f.Bitmap->Height());
    int packed = global ? 0 : 0x80 + palette.Bits() - 1;
    if (f.Interlaced) packed |= 0x40;
    out.Byte(packed);
    if (!global) out.ColorTable(palette);

    const int minCodeSize = std::max(2, palette.Bits());
    out.Byte(minCodeSize);
    out.SubBlocks(TLzwEncoder(minCodeSize).Encode(indices[i]));
  }
  out.Byte(0x3B);
  Stream.WriteBuffer(out.Out.data(), static_cast<long>(out.Out.size()));
  return true;
}

long THttpStream::Write(const void* Buffer, long Count) {
  if (Count > 0) HttpHooks.WriteBytes(Buffer, static_cast<int>(Count));
  return Count;
}

void SendBitmapAsGif(const TBitmap& Bitmap) {
  HttpHooks.SetPictureKind(2);
  TGifImageList list;
  list.Frames.push_back(TGifFrameOptions{});
  list.Frames[0].Bitmap = &Bitmap;
  THttpStream stream;
  WriteGifToStream(stream, list);
}
