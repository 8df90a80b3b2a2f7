// Figures of the GIF writer: pictures of the sizes the server sends, in their typical colour
// counts, written again and again into memory.
#include <chrono>
#include <cstdio>
#include <random>

#include "platform/gfx/bitmap.h"
#include "server/engine/gif_writer.h"

namespace {

void Measure(const char* Name, const TBitmap& Bitmap, bool Interlaced) {
  TGifImageList list;
  list.Frames.push_back({});
  list.Frames[0].Bitmap = &Bitmap;
  list.Frames[0].Interlaced = Interlaced;
  TMemoryStream out;
  int rounds = 0;
  const auto start = std::chrono::steady_clock::now();
  double seconds = 0;
  while (seconds < 1.0 && rounds < 10000) {
    out.Clear();
    WriteGifToStream(out, list);
    ++rounds;
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  const double pixels = static_cast<double>(Bitmap.Width()) * Bitmap.Height();
  std::printf("%-34s %4dx%-4d %8.2f ms/picture %7.1f Mpixel/s  %8lld bytes\n", Name, Bitmap.Width(),
              Bitmap.Height(), 1000.0 * seconds / rounds, pixels * rounds / seconds / 1e6,
              static_cast<long long>(out.Size()));
}

}  // namespace

int main() {
  std::mt19937 random(7);
  TBitmap noise(640, 480), bands(1024, 768), icon(32, 32);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) {
      const int k = static_cast<int>(random() % 256);
      noise.SetPixelAt(x, y, RGB(k, 255 - k, (k * 7) & 0xFF));
    }
  for (int y = 0; y < 768; ++y)
    for (int x = 0; x < 1024; ++x) bands.SetPixelAt(x, y, RGB((x / 64) * 16, (y / 48) * 16, 128));
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) icon.SetPixelAt(x, y, (x + y) % 5 == 0 ? RGB(0, 0, 0) : RGB(255, 255, 255));
  Measure("256 colours at random", noise, false);
  Measure("256 colours at random, interlaced", noise, true);
  Measure("256 colour bands", bands, false);
  Measure("two-colour icon", icon, false);
}
