// A preview of 1,000 pages, each with its header and forty lines of text, made and walked page by
// page in processor time that grows with the number of pages: a bound far above the linear path
// and far below a path that goes over every page (or every object) for each page added or shown.
#include <gtest/gtest.h>

#include <string>

#include "print/preview.h"
#include "print_test_support.h"
#include "tests/linear_time.h"

namespace {

TEST_F(PrintTest, AThousandPagePreviewIsMadeAndWalkedInLinearTime) {
  const int pages = 1000;
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
  EXPECT_LT(seconds, 60.0);
  EXPECT_EQ(p.NumPages(), pages);
  EXPECT_EQ(shown, pages);
  // The first page was there before the header handler.
  EXPECT_EQ(headers, pages - 1);
  EXPECT_EQ(p.GetPage(1)->ObjectCount(), 40);
  EXPECT_EQ(p.GetPage(pages)->ObjectCount(), 41);
  EXPECT_EQ(p.GetPage(500)->ObjectCount(), 41);
  EXPECT_EQ(p.CurrentPage(), 1);
}

}  // namespace
