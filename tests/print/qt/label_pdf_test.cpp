// A label sheet printed to the "PDF" printer and rendered by pdftoppm: ink only inside the
// labels drawn (the contents are clipped to each label), and the outlines, seen in the preview,
// are not printed.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/gfx/printer.h"
#include "print/label_printer.h"

namespace {

// The Qt application of this test program is made by the environment of print_pdf_test.cpp.

// A binary PPM file as rows of RGB bytes.
struct TPpm {
  int Width = 0, Height = 0;
  std::vector<unsigned char> Data;
  int Grey(int x, int y) const {
    const unsigned char* p = &Data[(static_cast<std::size_t>(y) * Width + x) * 3];
    return (p[0] + p[1] + p[2]) / 3;
  }
};

bool ReadPpm(const std::string& file, TPpm& ppm) {
  std::ifstream in(file, std::ios::binary);
  std::string magic;
  int maxValue = 0;
  in >> magic >> ppm.Width >> ppm.Height >> maxValue;
  in.get();
  if (magic != "P6" || maxValue != 255) return false;
  ppm.Data.resize(static_cast<std::size_t>(ppm.Width) * ppm.Height * 3);
  in.read(reinterpret_cast<char*>(ppm.Data.data()), static_cast<std::streamsize>(ppm.Data.size()));
  return static_cast<bool>(in);
}

TEST(LabelPdf, InkOnlyInsideTheDrawnLabels) {
  auto names = Printer().Printers();
  ASSERT_FALSE(names.empty());
  ASSERT_EQ(names.back(), "PDF");
  const std::string base = (std::filesystem::temp_directory_path() / ("labels-" + std::to_string(getpid()))).string();
  const std::string pdf = base + ".pdf";

  TPgPreview preview(nullptr);
  TPgLabelPrinter labels(nullptr);
  labels.SetPreview(&preview);
  labels.SetTemplate(L7162_Address);  // 2 x 8 labels of 3.9 x 1.33 inches
  labels.StartLabel = 2;
  std::vector<TPgRectExt> drawn;
  labels.OnDrawLabel = [&](TObject*, int n, TPgValueRect& r, TPgCanvas& c) {
    TPgRectExt e = r.GetRectExt();
    drawn.push_back(e);
    if (n == 2) return;  // left empty: its outline must not print
    // Larger than the label on every side: the clip keeps it inside.
    c.Brush().SetColor(clBlack);
    c.Pen().SetColor(clBlack);
    c.Rectangle(e.Left - 0.3, e.Top - 0.3, e.Right + 0.3, e.Bottom + 0.3, gmInches);
  };
  labels.DrawLabels(4);
  ASSERT_EQ(drawn.size(), 4u);
  ASSERT_EQ(preview.NumPages(), 1);

  preview.PgPrinter().ShowPrintDialog = false;
  preview.SetPrinterIndex(static_cast<int>(names.size()) - 1);
  Printer().SetOutputFile(pdf);
  preview.Print();
  Printer().SetOutputFile("");
  ASSERT_TRUE(std::filesystem::exists(pdf));

  const int dpi = 36;
  ASSERT_EQ(std::system(("pdftoppm -r " + std::to_string(dpi) + " -f 1 -l 1 -singlefile '" + pdf + "' '" + base + "'").c_str()), 0);
  TPpm page;
  ASSERT_TRUE(ReadPpm(base + ".ppm", page));
  EXPECT_NEAR(page.Width, 8.26 * dpi, 2);

  auto inside = [&](const TPgRectExt& r, int x, int y, double slack) {
    double px = (x + 0.5) / dpi, py = (y + 0.5) / dpi;
    return px >= r.Left - slack && px <= r.Right + slack && py >= r.Top - slack && py <= r.Bottom + slack;
  };
  int stray = 0, ink = 0;
  for (int y = 0; y < page.Height; ++y)
    for (int x = 0; x < page.Width; ++x) {
      if (page.Grey(x, y) > 128) continue;
      ++ink;
      bool ok = false;
      for (std::size_t i = 0; i < drawn.size(); ++i)
        if (i != 1 && inside(drawn[i], x, y, 1.5 / dpi)) ok = true;
      if (!ok) ++stray;
    }
  EXPECT_EQ(stray, 0);
  EXPECT_GT(ink, 3 * 3.9 * 1.33 * dpi * dpi * 0.8);
  // The filled labels are dark inside; the empty one has neither fill nor outline.
  for (std::size_t i : {0u, 2u, 3u}) {
    const TPgRectExt& r = drawn[i];
    EXPECT_LT(page.Grey(static_cast<int>((r.Left + r.Right) / 2 * dpi), static_cast<int>((r.Top + r.Bottom) / 2 * dpi)), 60) << i;
  }
  const TPgRectExt& empty = drawn[1];
  // (Its lower edge touches the next row's label.)
  for (int y = static_cast<int>(empty.Top * dpi) - 1; y < static_cast<int>(empty.Bottom * dpi) - 1; ++y)
    for (int x = static_cast<int>(empty.Left * dpi) - 1; x <= static_cast<int>(empty.Right * dpi) + 1; ++x)
      ASSERT_GT(page.Grey(x, y), 250) << x << "," << y;
  std::filesystem::remove(pdf);
  std::filesystem::remove(base + ".ppm");
}

}  // namespace
