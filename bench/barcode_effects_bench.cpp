// Figures of the barcodes and the picture effects: 10,000 symbols of mixed types encoded and
// drawn into an image (target 0.5 s), and every per-pixel and area effect on a 1920 x 1080
// picture (targets 40 ms per per-pixel effect, 150 ms per area effect).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "controls/picture_effects.h"
#include "platform/gfx/bitmap.h"
#include "print/barcode.h"

namespace {

constexpr int kWidth = 1920, kHeight = 1080;

double Ms(const std::function<void()>& work) {
  auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// Median of five runs.
double Median(const std::function<void()>& work) {
  std::vector<double> t;
  for (int i = 0; i < 5; ++i) t.push_back(Ms(work));
  std::sort(t.begin(), t.end());
  return t[2];
}

void Picture(TBitmap& b) {
  b.SetPixelFormat(pf24bit);
  b.SetSize(kWidth, kHeight);
  for (int y = 0; y < kHeight; ++y) {
    BYTE* p = b.ScanLine(y);
    for (int x = 0; x < kWidth; ++x, p += 3) {
      p[0] = static_cast<BYTE>(x * 255 / kWidth);
      p[1] = static_cast<BYTE>(y * 255 / kHeight);
      p[2] = static_cast<BYTE>((x / 40 + y / 40) % 2 ? 220 : 30);
    }
  }
}

}  // namespace

int main() {
  struct Symbol {
    TBarcodeType type;
    const char* text;
  };
  const Symbol symbols[] = {
      {bcCodeEAN13, "400638133393"}, {bcCodeEAN8, "1234567"},      {bcCodeUPC_A, "03600029145"},
      {bcCodeUPC_E0, "123456"},      {bcCode128B, "Hello 128"},    {bcCode128C, "12345678"},
      {bcCodeEAN128C, "0101234567"}, {bcCode93, "CODE 93"},        {bcCode39, "CODE39"},
      {bcCodeCodabar, "40156"},      {bcCode_2_5_interleaved, "12345670"}, {bcCodeMSI, "1234"},
      {bcCodePostNet, "12345"},      {bcCode_2_5_industrial, "1234"}, {bcCodeUPC_Supp5, "52495"},
  };
  TBitmap image(600, 200);
  const int count = 10000;
  double symbolsMs = Ms([&] {
    for (int i = 0; i < count; ++i) {
      TBarcodeSymbol bc;
      const Symbol& s = symbols[i % (sizeof symbols / sizeof symbols[0])];
      bc.SetTyp(s.type);
      bc.SetText(s.text);
      bc.SetChecksum(true);
      bc.SetModul(2);
      bc.SetHeight(60);
      bc.SetLeft(10);
      bc.SetTop(10);
      bc.SetAngle(i % 2 ? 90 : 0);
      bc.DrawOnCanvas(image.Canvas());
    }
  });
  std::printf("%-30s %8.1f ms for %d symbols (target 500 ms)\n", "barcodes encoded and drawn", symbolsMs, count);

  TBitmap source, target, work;
  Picture(source);
  struct Pixel {
    const char* name;
    TPixelEffects e;
  };
  auto with = [](auto set) {
    TPixelEffects e;
    set(e);
    return e;
  };
  const Pixel pixels[] = {
      {"none", TPixelEffects{}},
      {"posterize 40", with([](TPixelEffects& e) { e.Posterize = 40; })},
      {"solarize 100", with([](TPixelEffects& e) { e.Solorize = 100; })},
      {"brightness 40", with([](TPixelEffects& e) { e.Brightness = 40; })},
      {"contrast 80", with([](TPixelEffects& e) { e.Contrast = 80; })},
      {"lightness 60", with([](TPixelEffects& e) { e.Lightness = 60; })},
      {"darkness 60", with([](TPixelEffects& e) { e.Darkness = 60; })},
      {"split light 10", with([](TPixelEffects& e) { e.Splitlight = 10; })},
      {"grey scale", with([](TPixelEffects& e) { e.GrayScale = true; })},
      {"saturation 100", with([](TPixelEffects& e) { e.Saturation = 100; })},
      {"invert", with([](TPixelEffects& e) { e.Invert = true; })},
  };
  for (const Pixel& p : pixels) {
    double ms = Median([&] { ApplyPixelEffects(source, nullptr, p.e, target); });
    std::printf("per-pixel %-20s %8.2f ms (target 40 ms)\n", p.name, ms);
  }
  TBitmap noise;
  double noiseMs = Median([&] { FillNoise(noise, kWidth, kHeight, 40, false); });
  std::printf("per-pixel %-20s %8.2f ms to build, ", "colour noise 40", noiseMs);
  std::printf("%8.2f ms to apply (target 40 ms)\n", Median([&] { ApplyPixelEffects(source, &noise, TPixelEffects{}, target); }));

  struct Area {
    const char* name;
    std::function<void(TBitmap&)> run;
  };
  const Area areas[] = {
      {"emboss", [](TBitmap& b) { EmbossBitmap(b); }},
      {"mosaic 8", [](TBitmap& b) { MosaicBitmap(b, 8); }},
      {"split blur 4", [](TBitmap& b) { SplitBlurBitmap(b, 4); }},
      {"gaussian blur 0", [](TBitmap& b) { GaussianBlurBitmap(b, 0); }},
      {"gaussian blur 5", [](TBitmap& b) { GaussianBlurBitmap(b, 5); }},
      {"gaussian blur 50 (most)", [](TBitmap& b) { GaussianBlurBitmap(b, 50); }},
      {"split blur 255 (most)", [](TBitmap& b) { SplitBlurBitmap(b, 255); }},
      {"anti-alias 1", [](TBitmap& b) { AntiAliasBitmap(b, 1); }},
      {"anti-alias 5", [](TBitmap& b) { AntiAliasBitmap(b, 5); }},
      {"anti-alias 50 (most)", [](TBitmap& b) { AntiAliasBitmap(b, 50); }},
      {"trace 1", [](TBitmap& b) { TraceBitmap(b, 1); }},
      {"trace 3", [](TBitmap& b) { TraceBitmap(b, 3); }},
      {"trace 10 (most)", [](TBitmap& b) { TraceBitmap(b, 10); }},
      {"tile 4", [&](TBitmap& b) { int t = 4; TileBitmap(b, source, t); }},
      {"tile 192 (10-pixel tiles)", [&](TBitmap& b) { int t = 192; TileBitmap(b, source, t); }},
  };
  for (const Area& a : areas) {
    double ms = Median([&] {
      work.Assign(source);
      a.run(work);
    });
    std::printf("area %-25s %8.2f ms (target 150 ms, copy of the source included)\n", a.name, ms);
  }
  return 0;
}
