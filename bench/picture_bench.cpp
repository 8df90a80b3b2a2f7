// Figures of the picture readers: a 1920 × 1080 picture as JPEG (baseline and progressive),
// GIF and 24-bit PCX, decoded again and again from memory. Reference: the JPEG within 25 ms.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "platform/gfx/bitmap.h"
#include "platform/gfx/gif_image.h"
#include "platform/gfx/jpeg_image.h"
#include "platform/gfx/pcx_image.h"
#include "server/engine/gif_writer.h"

namespace {

constexpr int kWidth = 1920, kHeight = 1080;

// Median milliseconds of `decode` over at least 5 rounds and about a second.
double Median(const std::function<void()>& decode) {
  std::vector<double> times;
  double total = 0;
  while (times.size() < 5 || (total < 1000 && times.size() < 200)) {
    auto start = std::chrono::steady_clock::now();
    decode();
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    times.push_back(ms);
    total += ms;
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

void Report(const char* name, std::size_t bytes, double ms, const char* reference) {
  std::printf("%-26s %4dx%-4d %9zu bytes %8.2f ms %7.1f Mpixel/s   %s\n", name, kWidth, kHeight, bytes, ms,
              kWidth * static_cast<double>(kHeight) / ms / 1000.0, reference);
}

// A 24-bit PCX of the bitmap, run-length coded row by row and plane by plane.
std::vector<BYTE> EncodePcx(const TBitmap& bmp) {
  std::vector<BYTE> d(128, 0);
  int bpl = (bmp.Width() + 1) & ~1;
  d[0] = 10; d[1] = 5; d[2] = 1; d[3] = 8;
  d[8] = static_cast<BYTE>(bmp.Width() - 1); d[9] = static_cast<BYTE>((bmp.Width() - 1) >> 8);
  d[10] = static_cast<BYTE>(bmp.Height() - 1); d[11] = static_cast<BYTE>((bmp.Height() - 1) >> 8);
  d[65] = 3; d[66] = static_cast<BYTE>(bpl); d[67] = static_cast<BYTE>(bpl >> 8); d[68] = 1;
  std::vector<BYTE> line(static_cast<std::size_t>(bpl));
  for (int y = 0; y < bmp.Height(); ++y)
    for (int plane = 0; plane < 3; ++plane) {
      for (int x = 0; x < bpl; ++x) {
        COLORREF c = bmp.PixelAt(std::min(x, bmp.Width() - 1), y);
        line[static_cast<std::size_t>(x)] = plane == 0 ? GetRValue(c) : plane == 1 ? GetGValue(c) : GetBValue(c);
      }
      for (int x = 0; x < bpl;) {
        int n = 1;
        while (x + n < bpl && n < 63 && line[x + n] == line[x]) ++n;
        if (n > 1 || line[x] >= 0xC0) d.push_back(static_cast<BYTE>(0xC0 | n));
        d.push_back(line[x]);
        x += n;
      }
    }
  return d;
}

}  // namespace

int main() {
  // A photograph-like picture: smooth gradients with some texture.
  TBitmap photo(kWidth, kHeight);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      photo.SetPixelAt(x, y, RGB((x * 255 / kWidth + (x * y) % 7) & 0xFF, (y * 255 / kHeight + (x ^ y) % 5) & 0xFF,
                                 ((x + y) * 255 / (kWidth + kHeight)) & 0xFF));
  for (bool progressive : {false, true}) {
    TJPEGImage jpeg;
    jpeg.Assign(&photo);
    jpeg.SetCompressionQuality(90);
    jpeg.SetProgressiveEncoding(progressive);
    jpeg.Compress();
    std::vector<BYTE> data = jpeg.Data();
    double ms = Median([&] {
      TJPEGImage decoded;
      decoded.LoadFromBytes(data);
    });
    Report(progressive ? "JPEG progressive, q 90" : "JPEG baseline, q 90", data.size(), ms,
           progressive ? "(no reference)" : "(reference: <= 25 ms)");
  }

  // A picture of 200 colours in bands and blocks for the GIF and PCX readers.
  TBitmap bands(kWidth, kHeight);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      int k = ((x / 24) * 7 + (y / 18) * 3) % 200;
      bands.SetPixelAt(x, y, RGB(k, 255 - k, (k * 5) & 0xFF));
    }
  for (bool interlaced : {false, true}) {
    TGifImageList list;
    list.Frames.push_back({});
    list.Frames[0].Bitmap = &bands;
    list.Frames[0].Interlaced = interlaced;
    TMemoryStream out;
    WriteGifToStream(out, list);
    std::vector<BYTE> data(reinterpret_cast<const BYTE*>(out.Memory()), reinterpret_cast<const BYTE*>(out.Memory()) + out.Size());
    double ms = Median([&] {
      TBitmap decoded;
      LoadGifBitmap(data.data(), data.size(), decoded);
    });
    Report(interlaced ? "GIF interlaced, 200 colours" : "GIF, 200 colours", data.size(), ms, "(no reference)");
  }
  std::vector<BYTE> pcx = EncodePcx(bands);
  double ms = Median([&] {
    TBitmap decoded;
    LoadPcxBitmap(pcx.data(), pcx.size(), decoded);
  });
  Report("PCX 24 bits", pcx.size(), ms, "(no reference)");
  return 0;
}
