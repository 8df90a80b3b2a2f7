#include "client/reports/image_report.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/gfx/bitmap.h"
#include "platform/gfx/picture.h"
#include "platform/headless/headless_peer.h"
#include "platform/rtl/file_io.h"
#include "print/preview.h"
#include "tests/client/core/client_fixture.h"

namespace {

using namespace image_report;

TEST(ImageReport, ShareLayoutsAndParts) {
  EXPECT_DOUBLE_EQ(ImageShare(100), 0.8);
  EXPECT_DOUBLE_EQ(ImageShare(0), 0.2);
  EXPECT_DOUBLE_EQ(ImageShare(50), 0.5);
  const TRect Cell{0, 0, 1000, 2000};
  TAreas A = SplitCell(LayoutOne, Cell, 0.5);
  EXPECT_EQ(A.Image, (TRect{0, 0, 1000, 1000}));
  EXPECT_EQ(A.Text, (TRect{0, 1000, 1000, 2000}));
  A = SplitCell(LayoutTwo, Cell, 0.25);
  EXPECT_EQ(A.Image, (TRect{0, 1500, 1000, 2000}));
  A = SplitCell(LayoutThree, Cell, 0.8);
  EXPECT_EQ(A.Image, (TRect{200, 0, 1000, 2000}));
  EXPECT_EQ(A.Text, (TRect{0, 0, 200, 2000}));
  A = SplitCell(LayoutFour, Cell, 0.8);
  EXPECT_EQ(A.Image, (TRect{0, 0, 800, 2000}));
  // Three images arranged vertically: three parts of equal height.
  const auto Parts = ImageRects(TRect{0, 0, 900, 900}, 3, false);
  ASSERT_EQ(Parts.size(), 3u);
  EXPECT_EQ(Parts[1], (TRect{0, 300, 900, 600}));
  EXPECT_EQ(ImageRects(TRect{0, 0, 900, 900}, 3, true)[2], (TRect{600, 0, 900, 900}));
}

TEST(ImageReport, OnlyPlainFileNamesAndHeaderPieces) {
  EXPECT_TRUE(IsPlainFileName("vase.jpg"));
  for (const char* Bad : {"", "../secret.jpg", "a/b.jpg", "a\\b.gif", "x..y", "c:pic.bmp", "new\nline.jpg"})
    EXPECT_FALSE(IsPlainFileName(Bad)) << Bad;
  const auto C = HeaderCaptions({"L", "Middle", "R"}, "Center", "Center", "2026/12/09");
  EXPECT_EQ(C[1], "Middle  {PAGE} 2026/12/09");
  EXPECT_EQ(C[0], "L ");
  EXPECT_EQ(C[2], "R ");
}

TEST(ImageReport, PicturesThatCannotBeShownLeaveTheirPartEmpty) {
  InstallHeadlessBackend();
  const fs::path Root = TestFolder("image_report");
  fs::create_directories(Root);
  {
    TBitmap B(40, 20);
    B.Canvas().Brush().SetColor(clRed);
    B.Canvas().FillRect(TRect{0, 0, 40, 20});
    TPicture P;
    P.SetGraphic(&B);
    P.SaveToFile((Root / "wide.bmp").string());
  }
  AtomicWriteFile((Root / "broken.jpg").string(), "not a picture");
  AtomicWriteFile((Root / "empty.bmp").string(), "");
  std::array<TImageSlot, 6> Slots;
  Slots[0] = {"wide.bmp", "Front"};
  Slots[1] = {"broken.jpg", ""};
  Slots[2] = {"missing.gif", ""};
  Slots[3] = {"../wide.bmp", ""};
  Slots[4] = {"empty.bmp", ""};
  TPgPreview Preview(nullptr);
  Preview.NewPage();
  EXPECT_EQ(DrawImages(Preview.Canvas(), TRect{0, 0, 6000, 3000}, {0, 1, 2, 3, 4, 5}, Slots, Root.string() + "/", true, true), 1);
  fs::remove_all(Root);
}

}  // namespace
