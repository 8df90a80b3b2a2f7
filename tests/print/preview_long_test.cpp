// A preview of two thousand pages, each with its header and forty lines of text, made and walked
// page by page in processor time that grows with the number of pages: 8 times the pages take
// about 8 times as long, where a pass over every page (or every object) for each page added or
// shown takes 64 times as long.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "print/preview.h"
#include "print_test_support.h"
#include "tests/linear_time.h"

namespace {

// Makes a preview of that many pages and walks it; checks what it holds and returns the
// processor seconds of the making and the walk.
double MakeAndWalk(int pages) {
  TPgPreview p(nullptr);
  int headers = 0;
  p.OnDrawHeader = [&](TObject*, TPgValueRect& r, TPgCanvas& c) {
    ++headers;
    c.TextOut(r.Left().AsInches(), r.Top().AsInches(), "Report page " + std::to_string(headers), gmInches);
  };
  int shown = 0;
  const double seconds = ThreadCpuSeconds([&] {
    for (int page = 1; page <= pages; ++page) {
      if (page > 1) p.NewPage();
      for (int line = 0; line < 40; ++line)
        p.Canvas().TextOut(1.0, 1.0 + line * 0.2, "Page " + std::to_string(page) + " line " + std::to_string(line), gmInches);
    }
    for (int page = 1; page <= p.NumPages(); ++page) {
      p.SetCurrentPage(page);
      shown += p.CurrentPage() == page ? 1 : 0;
    }
    p.LastPage();
    p.FirstPage();
  });
  EXPECT_EQ(p.NumPages(), pages);
  EXPECT_EQ(shown, pages);
  // The first page was there before the header handler.
  EXPECT_EQ(headers, pages - 1);
  EXPECT_EQ(p.GetPage(1)->ObjectCount(), 40);
  EXPECT_EQ(p.GetPage(pages)->ObjectCount(), 41);
  EXPECT_EQ(p.GetPage(pages / 2)->ObjectCount(), 41);
  EXPECT_EQ(p.CurrentPage(), 1);
  return seconds;
}

TEST_F(PrintTest, ATwoThousandPagePreviewIsMadeAndWalkedInLinearTime) {
  const double growth = Growth(MakeAndWalk, 250, 8);
  std::printf("250 to 2000 pages: %.1f times the processor time\n", growth);
  EXPECT_LT(growth, LinearGrowthBound(8));
}

}  // namespace
