// The main window's quick print on the Qt backend: two record pictures uploaded from files of one
// name, fetched by the quick print, laid out by the image report and printed to the "PDF"
// printer; pdftoppm renders the page and each picture's colour is found where the layout puts
// it.  Only the client's own downloads are gone afterwards.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "client/core/record_fields.h"
#include "client/reports/image_report_form.h"
#include "client/reports/report_windows.h"
#include "platform/gfx/printer.h"
#include "platform/rtl/file_io.h"
#include "platform/ui/list_controls.h"
#include "print/preview.h"
#include "tests/client/core/client_fixture.h"
#include "tests/print/print_to_pdf.h"

namespace {

// A page rendered by pdftoppm as a binary PPM.
struct TPage {
  int Width = 0, Height = 0;
  std::string Pixels;  // R, G, B per pixel
  bool Read(const std::string& File) {
    const std::string Data = ReadFileBytes(File);
    int MaxValue = 0, Used = 0;
    if (std::sscanf(Data.c_str(), "P6 %d %d %d%n", &Width, &Height, &MaxValue, &Used) != 3 || MaxValue != 255) return false;
    Pixels = Data.substr(static_cast<std::size_t>(Used) + 1);
    return Pixels.size() >= static_cast<std::size_t>(Width) * Height * 3;
  }
  // The box of the pixels near R, G, B (Left > Right when there is none).
  TRect Find(int R, int G, int B) const {
    TRect Box{Width, Height, -1, -1};
    for (int y = 0; y < Height; ++y)
      for (int x = 0; x < Width; ++x) {
        const auto* P = reinterpret_cast<const unsigned char*>(Pixels.data()) + (static_cast<std::size_t>(y) * Width + x) * 3;
        if (std::abs(P[0] - R) < 40 && std::abs(P[1] - G) < 40 && std::abs(P[2] - B) < 40) {
          Box.Left = std::min(Box.Left, x);
          Box.Top = std::min(Box.Top, y);
          Box.Right = std::max(Box.Right, x);
          Box.Bottom = std::max(Box.Bottom, y);
        }
      }
    return Box;
  }
};

}  // namespace

TEST(QuickPrintPdf, PicturesOfOneNamePrintEachInItsPlaceAndOnlyTheDownloadsGo) {
  const fs::path Root = TestFolder("quick_print_pdf");
  TServedDatabase Db(Root);
  TModelView View;
  TRecordWindow Window(Db.Session, View);
  ASSERT_TRUE(Window.OpenDatabase(nullptr));
  // Slot 1 red, slot 2 blue, both uploaded as "photo.bmp" from two folders.
  fs::create_directories(Root / "a");
  fs::create_directories(Root / "b");
  const std::string Make = "/usr/bin/python3 -c \"from PIL import Image\n"
                           "Image.new('RGB', (400, 200), (220, 30, 30)).save('" + (Root / "a" / "photo.bmp").string() + "')\n"
                           "Image.new('RGB', (400, 200), (30, 30, 220)).save('" + (Root / "b" / "photo.bmp").string() + "')\"";
  ASSERT_EQ(std::system(Make.c_str()), 0);
  TRecordFields Fields(Window);
  ASSERT_TRUE(Fields.SelectPicture(1, (Root / "a" / "photo.bmp").string()));
  ASSERT_TRUE(Fields.SelectPicture(2, (Root / "b" / "photo.bmp").string()));

  TReportHost Host;
  Host.Session = &Db.Session;
  Host.Record = &Window;
  Host.Captions = CaptionsFromConfiguration(Window.Buffers.Configuration);
  TReportWindows Windows(Host);
  const std::string Pdf = (Root / "quick.pdf").string();
  std::string Folder;
  QuickPrintClick(Windows, Window.Buffers.Current, image_report::TReportRecord{}, [&](TImageReportForm& F) {
    Folder = F.ProgramFolder;
    F.FormActivate();
    F.Layout->SetItemIndex(0);  // pictures above the text
    F.Image[0]->SetItemIndex(1);
    F.Image[1]->SetItemIndex(2);
    F.ImageOrientation->SetItemIndex(0);  // side by side
    F.PreviewBtnClick();
    ASSERT_EQ(F.ImagesDrawn(), 2);
    PrintPreviewToPdf(*F.PrintPreview, Pdf);
  });
  ASSERT_TRUE(fs::exists(Pdf));
  ASSERT_EQ(std::system(("pdftoppm -r 30 -singlefile '" + Pdf + "' '" + (Root / "page").string() + "'").c_str()), 0);
  TPage Page;
  ASSERT_TRUE(Page.Read((Root / "page.ppm").string()));
  const TRect Red = Page.Find(220, 30, 30), Blue = Page.Find(30, 30, 220);
  ASSERT_LE(Red.Left, Red.Right) << "slot 1's red picture is not on the page";
  ASSERT_LE(Blue.Left, Blue.Right) << "slot 2's blue picture is not on the page";
  // Side by side in the upper part of the page, slot 1 on the left, each twice as wide as high.
  EXPECT_LT(Red.Right, Blue.Left);
  EXPECT_LT(Red.Bottom, Page.Height / 2);
  EXPECT_LT(Blue.Bottom, Page.Height / 2);
  EXPECT_NEAR(Red.Right - Red.Left, 2 * (Red.Bottom - Red.Top), 3);
  EXPECT_NEAR(Blue.Right - Blue.Left, 2 * (Blue.Bottom - Blue.Top), 3);
  // The downloads are gone; the files the user picked stay.
  ASSERT_FALSE(Folder.empty());
  for (const auto& E : fs::directory_iterator(Folder))
    EXPECT_EQ(E.path().extension(), ".htm") << E.path();  // nothing but a redirect page may stay
  EXPECT_TRUE(fs::exists(Root / "a" / "photo.bmp"));
  EXPECT_TRUE(fs::exists(Root / "b" / "photo.bmp"));
  fs::remove_all(Root);
}
