// The PDF writer read back by poppler: pages and their sizes, the document title, text that
// extracts, embedded font subsets, clips, turned and underlined text, images.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "platform/gfx/bitmap.h"
#include "platform/gfx/paths.h"
#include "platform/gfx/pdf/pdf_painter.h"
#include "platform/gfx/raster_painter.h"
#include "tests/outside_programs.h"
#include "tests/temp_path.h"

namespace {

const char* kSans = "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf";

// The face of the test font; its printable ASCII glyphs are in the standard Macintosh order.
std::shared_ptr<TPdfFace> SansFace() {
  return std::make_shared<TPdfFace>("LiberationSans", ReadWholeFile(kSans), [](char32_t cp) -> std::uint32_t {
    return cp >= 0x20 && cp < 0x7F ? cp - 29 : 0;
  });
}

class TOneFace : public TPdfFontSource {
public:
  explicit TOneFace(std::shared_ptr<TPdfFace> face) : FFace(std::move(face)) {}
  std::shared_ptr<TPdfFace> Face(const TPaintFont&) override { return FFace; }

private:
  std::shared_ptr<TPdfFace> FFace;
};

// A page's pixels at 72 dots per inch (one pixel a point), read from pdftoppm's PPM.
struct TPagePixels {
  int Width = 0, Height = 0;
  std::string Data;
  COLORREF At(int x, int y) const {
    const std::size_t i = (static_cast<std::size_t>(y) * Width + x) * 3;
    return RGB(static_cast<unsigned char>(Data[i]), static_cast<unsigned char>(Data[i + 1]),
               static_cast<unsigned char>(Data[i + 2]));
  }
};

TPagePixels Render(const std::string& pdf, int page) {
  const std::string base = pdf + "-render";
  CaptureCommand("pdftoppm -r 72 -f " + std::to_string(page) + " -l " + std::to_string(page) +
                 " -singlefile -aa no -aaVector no '" + pdf + "' '" + base + "'");
  std::string ppm = ReadWholeFile(base + ".ppm");
  std::filesystem::remove(base + ".ppm");
  TPagePixels p;
  std::istringstream header(ppm);
  std::string magic;
  int maxValue = 0;
  header >> magic >> p.Width >> p.Height >> maxValue;
  if (magic != "P6") return TPagePixels{};
  p.Data = ppm.substr(static_cast<std::size_t>(header.tellg()) + 1);
  if (p.Data.size() < static_cast<std::size_t>(p.Width) * p.Height * 3) return TPagePixels{};
  return p;
}

class PdfWriterTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(HaveProgram("pdftoppm")) << "the checker pdftoppm is missing: scripts/setup installs the package poppler-utils";
    ASSERT_TRUE(std::filesystem::exists(kSans)) << kSans << " is missing: scripts/setup installs the package fonts-liberation2";
    File = (std::filesystem::temp_directory_path() / ("pdf-writer-" + std::to_string(getpid()) + ".pdf")).string();
  }
  void TearDown() override { std::filesystem::remove(File); }
  // A4 portrait (or landscape) at 300 dots per inch.
  static TPrinterCaps A4(bool landscape = false) {
    return landscape ? PaperCaps(297, 210, 300, 0, 0, 0, 0) : PaperCaps(210, 297, 300, 0, 0, 0, 0);
  }
  std::string File;
  TRasterPainter Metrics{nullptr, 2480, 3508, 300};
};

TPaintFont Sans(int height, TFontStyles style = {}, int orientation = 0) {
  TPaintFont f;
  f.Name = "Liberation Sans";
  f.Height = height;
  f.Style = style;
  f.Orientation = orientation;
  return f;
}

TEST_F(PdfWriterTest, PagesTitleFontsAndTextAsPopplerReadsThem) {
  TOneFace fonts(SansFace());
  TPdfDocument doc;
  ASSERT_TRUE(doc.Open(File, "Sums (2026) \\ caf\xC3\xA9", "quillon"));
  doc.BeginPage(595, 842);
  {
    TPdfPainter page(doc, fonts, Metrics, A4());
    page.TextRun(250, 300, "First page (with parentheses)", Sans(-50), 0, false, 0);
    page.TextRun(250, 500, "Second line", Sans(-50), RGB(200, 0, 0), false, 0);
  }
  doc.EndPage();
  doc.BeginPage(842, 595);
  {
    TPdfPainter page(doc, fonts, Metrics, A4(true));
    page.TextRun(250, 300, "Landscape page", Sans(-50), 0, false, 0);
  }
  doc.EndPage();
  ASSERT_TRUE(doc.Close());

  const std::string info = CaptureCommand("pdfinfo -f 1 -l 2 '" + File + "'");
  EXPECT_NE(info.find("Pages:           2"), std::string::npos) << info;
  EXPECT_NE(info.find("Title:           Sums (2026) \\ caf\xC3\xA9"), std::string::npos) << info;
  auto size = [&info](int page) {
    const std::size_t at = info.find("Page    " + std::to_string(page) + " size:");
    if (at == std::string::npos) return std::string();
    const std::size_t start = info.find_first_not_of(' ', at + 15);
    return info.substr(start, info.find(" pts", start) - start);
  };
  EXPECT_EQ(size(1), "595 x 842");
  EXPECT_EQ(size(2), "842 x 595");
  const std::string first = CaptureCommand("pdftotext -f 1 -l 1 '" + File + "' -");
  EXPECT_NE(first.find("First page (with parentheses)"), std::string::npos) << first;
  EXPECT_NE(first.find("Second line"), std::string::npos) << first;
  EXPECT_EQ(CaptureCommand("pdftotext -f 2 -l 2 '" + File + "' -").find("Landscape page"), 0u);
  // One font, embedded as a subset, with its text.
  const std::string fontList = CaptureCommand("pdffonts '" + File + "'");
  EXPECT_NE(fontList.find("CID TrueType      Identity-H       yes yes yes"), std::string::npos) << fontList;
  // The text starts where it was put: 250 pixels at 300 dpi from the left edge.
  const std::string bbox = CaptureCommand("pdftotext -bbox -f 1 -l 1 '" + File + "' - | grep -m1 '>First<'");
  ASSERT_NE(bbox.find("xMin=\""), std::string::npos) << bbox;
  EXPECT_NEAR(std::stod(bbox.substr(bbox.find("xMin=\"") + 6)), 250 * 72 / 300.0, 1.0);
  // And is drawn: dark pixels in the first line, the second line red.
  const TPagePixels px = Render(File, 1);
  ASSERT_EQ(px.Width, 595);
  int dark = 0, red = 0;
  for (int y = 72; y < 84; ++y)
    for (int x = 60; x < 200; ++x) dark += px.At(x, y) == 0;
  for (int y = 120; y < 132; ++y)
    for (int x = 60; x < 150; ++x) red += px.At(x, y) == RGB(200, 0, 0);
  EXPECT_GT(dark, 100);
  EXPECT_GT(red, 50);
}

TEST_F(PdfWriterTest, SubsetKeepsTheGlyphIndexesAndOnlyTheOutlinesUsed) {
  auto face = SansFace();
  ASSERT_TRUE(face->Embeddable());
  std::vector<bool> used(static_cast<std::size_t>(face->NumGlyphs()), false);
  used[face->Glyph('A')] = true;
  const std::string subset = face->Subset(used);
  TPdfFace small("subset", subset, nullptr);
  ASSERT_TRUE(small.Embeddable());
  EXPECT_EQ(small.NumGlyphs(), face->NumGlyphs());
  EXPECT_EQ(small.Advance(36), face->Advance(36));
  EXPECT_EQ(small.UnitsPerEm(), 2048);
  EXPECT_LT(subset.size() * 4, ReadWholeFile(kSans).size());
  // Tables cut short or missing: no embedding, no read past the data.
  EXPECT_FALSE(TPdfFace("broken", ReadWholeFile(kSans).substr(0, 300), nullptr).Embeddable());
  EXPECT_FALSE(TPdfFace("empty", "", nullptr).Embeddable());
}

TEST_F(PdfWriterTest, ClipsReplaceEachOtherAndColoursAreSetAgainAfterThem) {
  TOneFace fonts(SansFace());
  TPdfDocument doc;
  ASSERT_TRUE(doc.Open(File, "Clips", "quillon"));
  doc.BeginPage(595, 842);
  {
    TPdfPainter page(doc, fonts, Metrics, A4());
    const TPaintBrush red{RGB(255, 0, 0), bsSolid, nullptr}, blue{RGB(0, 0, 255), bsSolid, nullptr};
    // Two rectangles: their union is the clip.
    page.SetClip({TRect{0, 0, 500, 500}, TRect{1000, 0, 1500, 500}}, true);
    page.FillRect(TRect{0, 0, 2480, 3508}, red);
    // A new clip replaces the old one, it does not narrow it.
    page.SetClip({TRect{0, 1000, 500, 1500}}, true);
    page.FillRect(TRect{0, 0, 2480, 3508}, blue);
    page.SetClip({}, false);
    // Blue again after the clip: the colour set inside it is gone with it, so it is set anew.
    page.FillRect(TRect{2000, 2000, 2400, 2400}, blue);
    // An empty clip list with clipping on hides everything.
    page.SetClip({}, true);
    page.FillRect(TRect{0, 0, 2480, 3508}, blue);
  }
  doc.EndPage();
  ASSERT_TRUE(doc.Close());
  const TPagePixels px = Render(File, 1);
  ASSERT_EQ(px.Width, 595);
  auto at = [&](int x, int y) { return px.At(x * 72 / 300, y * 72 / 300); };
  EXPECT_EQ(at(250, 250), RGB(255, 0, 0));
  EXPECT_EQ(at(1250, 250), RGB(255, 0, 0));
  EXPECT_EQ(at(750, 250), RGB(255, 255, 255));
  EXPECT_EQ(at(250, 1250), RGB(0, 0, 255));
  EXPECT_EQ(at(1250, 1250), RGB(255, 255, 255));
  EXPECT_EQ(at(2200, 2200), RGB(0, 0, 255));
  EXPECT_EQ(at(1800, 3000), RGB(255, 255, 255));
}

TEST_F(PdfWriterTest, TurnedAndUnderlinedTextShapesAndImages) {
  TOneFace fonts(SansFace());
  TPdfDocument doc;
  ASSERT_TRUE(doc.Open(File, "Shapes", "quillon"));
  doc.BeginPage(595, 842);
  {
    TPdfPainter page(doc, fonts, Metrics, A4());
    // Turned a quarter counter-clockwise about its top-left corner: it runs upwards from (400, 2000).
    page.TextRun(400, 2000, "Upwards", Sans(-80, {}, 900), 0, false, 0);
    page.TextRun(1000, 400, "Underlined", Sans(-80, TFontStyles() << fsUnderline), 0, true, RGB(255, 255, 0));
    TBitmap bmp(2, 2);
    bmp.SetPixelAt(0, 0, RGB(255, 0, 0));
    bmp.SetPixelAt(1, 0, RGB(0, 255, 0));
    bmp.SetPixelAt(0, 1, RGB(0, 0, 255));
    bmp.SetPixelAt(1, 1, RGB(0, 0, 0));
    page.Blit(TRect{1000, 1000, 1400, 1400}, bmp, TRect{0, 0, 2, 2}, SRCCOPY);
    // The same pixels again are the same image object.
    page.Blit(TRect{1500, 1000, 1700, 1200}, bmp, TRect{0, 0, 2, 2}, SRCCOPY);
    page.Ellipse(TRect{1000, 2000, 1400, 2400}, TPaintPen{0, psClear, 1, pmCopy}, TPaintBrush{RGB(0, 128, 0), bsSolid, nullptr});
    page.Rectangle(TRect{1600, 2000, 2000, 2400}, TPaintPen{RGB(0, 0, 255), psSolid, 12, pmCopy},
                   TPaintBrush{0, bsClear, nullptr});
  }
  doc.EndPage();
  ASSERT_TRUE(doc.Close());
  const std::string bbox = CaptureCommand("pdftotext -bbox '" + File + "' - | grep -m1 '>Upwards<'");
  ASSERT_NE(bbox.find("yMin=\""), std::string::npos) << bbox;
  const double xMin = std::stod(bbox.substr(bbox.find("xMin=\"") + 6)), xMax = std::stod(bbox.substr(bbox.find("xMax=\"") + 6));
  const double yMin = std::stod(bbox.substr(bbox.find("yMin=\"") + 6)), yMax = std::stod(bbox.substr(bbox.find("yMax=\"") + 6));
  EXPECT_GT(yMax - yMin, 2 * (xMax - xMin)) << bbox;
  EXPECT_NEAR(yMax, 2000 * 72 / 300.0, 2.0) << bbox;
  // The glyphs' tops face left: the run's top edge is the start point's x.
  EXPECT_NEAR(xMin, 400 * 72 / 300.0, 3.0) << bbox;

  const TPagePixels px = Render(File, 1);
  ASSERT_EQ(px.Width, 595);
  auto at = [&](int x, int y) { return px.At(x * 72 / 300, y * 72 / 300); };
  EXPECT_EQ(at(1100, 1100), RGB(255, 0, 0));
  EXPECT_EQ(at(1300, 1100), RGB(0, 255, 0));
  EXPECT_EQ(at(1100, 1300), RGB(0, 0, 255));
  EXPECT_EQ(at(1300, 1300), RGB(0, 0, 0));
  EXPECT_EQ(at(1550, 1050), RGB(255, 0, 0));
  EXPECT_EQ(at(1200, 2200), RGB(0, 128, 0));
  EXPECT_EQ(at(1010, 2010), RGB(255, 255, 255)) << "outside the ellipse, inside its box";
  EXPECT_EQ(at(1800, 2200), RGB(255, 255, 255)) << "an outline only";
  EXPECT_EQ(at(1604, 2200), RGB(0, 0, 255));
  EXPECT_EQ(at(1010, 420), RGB(255, 255, 0)) << "the opaque run's background";
  // The underline: a row below the baseline dark across most of the word.
  int best = 0;
  for (int y = 400 * 72 / 300 + 14; y < 400 * 72 / 300 + 26; ++y) {
    int dark = 0;
    for (int x = 1000 * 72 / 300; x < 1000 * 72 / 300 + 80; ++x) dark += px.At(x, y) == 0;
    best = std::max(best, dark);
  }
  EXPECT_GT(best, 70);
  // Two uses of one image object (the column before the last).
  EXPECT_EQ(CaptureCommand("pdfimages -list '" + File + "' | tail -n +3 | awk '{print $(NF-1)}' | sort -u | wc -l"), "1\n");
}

TEST_F(PdfWriterTest, APhotographIsWrittenAsJpegAndFlatPicturesStayExact) {
  // A photograph-like picture (gradients under noise) and a barcode-like one of two colours.
  TBitmap photo(600, 400);
  unsigned seed = 7;
  for (int y = 0; y < photo.Height(); ++y)
    for (int x = 0; x < photo.Width(); ++x) {
      seed = seed * 1103515245u + 12345u;
      const int n = static_cast<int>(seed >> 16 & 31) - 16;
      photo.SetPixelAt(x, y, RGB(std::clamp(x * 255 / 600 + n, 0, 255), std::clamp(y * 255 / 400 + n, 0, 255), 128));
    }
  TBitmap bars(60, 10);
  for (int y = 0; y < bars.Height(); ++y)
    for (int x = 0; x < bars.Width(); ++x) bars.SetPixelAt(x, y, x % 3 == 0 ? RGB(0, 0, 0) : RGB(255, 255, 255));
  TOneFace fonts(SansFace());
  TPdfDocument doc;
  ASSERT_TRUE(doc.Open(File, "Pictures", "quillon"));
  doc.BeginPage(595, 842);
  {
    TPdfPainter page(doc, fonts, Metrics, A4());
    page.Blit(TRect{300, 300, 1500, 1100}, photo, TRect{0, 0, 600, 400}, SRCCOPY);
    page.Blit(TRect{300, 1500, 1800, 1750}, bars, TRect{0, 0, 60, 10}, SRCCOPY);
    // The lower right quarter of the photograph alone.
    page.Blit(TRect{300, 2000, 900, 2400}, photo, TRect{300, 200, 600, 400}, SRCCOPY);
  }
  doc.EndPage();
  ASSERT_TRUE(doc.Close());
  const std::string kinds = CaptureCommand("pdfimages -list '" + File + "' | tail -n +3 | awk '{print $9}'");
  EXPECT_EQ(kinds, "jpeg\nimage\njpeg\n");
  // 720,000 bytes of pixels: lossless they would take about half of that.
  EXPECT_LT(std::filesystem::file_size(File), 250000u);
  const TPagePixels px = Render(File, 1);
  ASSERT_EQ(px.Width, 595);
  auto near = [](COLORREF a, COLORREF b) {
    return std::abs(GetRValue(a) - GetRValue(b)) < 30 && std::abs(GetGValue(a) - GetGValue(b)) < 30 &&
           std::abs(GetBValue(a) - GetBValue(b)) < 30;
  };
  EXPECT_TRUE(near(px.At(900 * 72 / 300, 700 * 72 / 300), RGB(127, 127, 128)));
  EXPECT_TRUE(near(px.At(1450 * 72 / 300, 1050 * 72 / 300), RGB(246, 246, 128)));
  EXPECT_TRUE(near(px.At(320 * 72 / 300, 2020 * 72 / 300), RGB(128, 128, 128)));
  EXPECT_TRUE(near(px.At(880 * 72 / 300, 2380 * 72 / 300), RGB(250, 250, 128)));
  // The bars, 25 device pixels (6 points) a pixel: exact black and white at each pixel's centre.
  int wrong = 0;
  for (int i = 0; i < 60; ++i)
    wrong += px.At((300 + 25 * i + 12) * 72 / 300, 1600 * 72 / 300) != (i % 3 == 0 ? RGB(0, 0, 0) : RGB(255, 255, 255));
  EXPECT_EQ(wrong, 0);
}

TEST_F(PdfWriterTest, AFaceWithoutOutlinesIsDrawnAsTheTextsPath) {
  // The measuring painter's path of a text: a box for each character.
  TOneFace fonts(std::make_shared<TPdfFace>("NoOutlines", std::string(), nullptr));
  TPdfDocument doc;
  ASSERT_TRUE(doc.Open(File, "Paths", "quillon"));
  doc.BeginPage(595, 842);
  {
    TPdfPainter page(doc, fonts, Metrics, A4());
    page.TextRun(400, 400, "MMMM", Sans(-80), 0, false, 0);
  }
  doc.EndPage();
  ASSERT_TRUE(doc.Close());
  EXPECT_EQ(CaptureCommand("pdffonts '" + File + "' | tail -n +3 | wc -l"), "0\n");
  const TPagePixels px = Render(File, 1);
  ASSERT_EQ(px.Width, 595);
  EXPECT_EQ(px.At(400 * 72 / 300 + 5, 400 * 72 / 300 + 5), RGB(0, 0, 0));
}

TEST_F(PdfWriterTest, AFileThatCannotBeWrittenDoesNotOpen) {
  TPdfDocument doc;
  EXPECT_FALSE(doc.Open("/nonexistent-folder/out.pdf", "x", "quillon"));
  EXPECT_FALSE(doc.IsOpen());
}

// Writes that fail after the file opened: the close reports them with their errno and deletes
// the half-written file, but never a device it was written to.
TEST_F(PdfWriterTest, AFailedWriteOrCloseIsReportedAndLeavesNoFile) {
  // A file larger than the limit fails its writes with EFBIG (the signal ignored).
  std::string noise(300 * 1024, '\0');
  unsigned state = 12345;
  for (char& c : noise) c = static_cast<char>((state = state * 1103515245 + 12345) >> 16);
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 64 * 1024;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  bool closed = true;
  int error = 0;
  {
    TPdfDocument doc;
    ASSERT_TRUE(doc.Open(File, "Too big", "quillon"));
    for (int page = 0; page < 8; ++page) {
      doc.BeginPage(595, 842);
      doc.Content() = noise;
      doc.EndPage();
    }
    closed = doc.Close();
    error = doc.Error();
  }
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(closed);
  EXPECT_EQ(error, EFBIG);
  EXPECT_FALSE(std::filesystem::exists(File)) << "a truncated PDF is left behind";

  // The device takes the open; the data fail when flushed at the close.
  TPdfDocument full;
  ASSERT_TRUE(full.Open("/dev/full", "Full", "quillon"));
  full.BeginPage(595, 842);
  full.Content() = "0 0 m 10 10 l S";
  EXPECT_FALSE(full.Close());
  EXPECT_EQ(full.Error(), ENOSPC);
  EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));
  TPdfDocument aborted;
  ASSERT_TRUE(aborted.Open("/dev/full", "Full", "quillon"));
  aborted.Abort();
  EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));

  // A job that fits is written whole and reports no error.
  TPdfDocument fine;
  ASSERT_TRUE(fine.Open(File, "Fits", "quillon"));
  fine.BeginPage(595, 842);
  fine.Content() = "0 0 m 10 10 l S";
  EXPECT_TRUE(fine.Close());
  EXPECT_EQ(fine.Error(), 0);
  EXPECT_EQ(CaptureCommand("pdfinfo '" + File + "' | grep -c '^Pages: *1$'"), "1\n");
}

}  // namespace
