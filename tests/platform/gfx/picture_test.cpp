// The picture readers against PIL: every sample PIL writes reads pixel for pixel (JPEG within a
// small tolerance), and PIL reads the JPEG and BMP files we write.
#include <gtest/gtest.h>

#include <set>

#include "picture_samples.h"
#include "platform/gfx/bitmap.h"
#include "platform/gfx/icon.h"
#include "platform/gfx/jpeg_image.h"
#include "platform/gfx/picture.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"

namespace {

using namespace picture_samples;

TEST(PictureFiles, GifFramesReadPixelForPixel) {
  for (const char* name : {"plain.gif", "interlaced.gif", "transparent.gif"}) {
    SCOPED_TRACE(name);
    TPicture picture;
    picture.LoadFromFile(Path(name));
    TBitmap& bmp = picture.Bitmap();
    TReference ref = ReadReference(Path(name) + ".rgb", 4);
    ASSERT_EQ(bmp.Width(), ref.Width);
    ASSERT_EQ(bmp.Height(), ref.Height);
    bool anyClear = false;
    COLORREF key = bmp.Transparent() ? ColorToRGB(bmp.TransparentColor()) : 0xFFFFFFFF;
    for (int y = 0; y < ref.Height; ++y)
      for (int x = 0; x < ref.Width; ++x) {
        const unsigned char* p = ref.At(x, y);
        COLORREF c = bmp.PixelAt(x, y);
        if (p[3] == 0) {
          anyClear = true;
          ASSERT_EQ(c, key) << x << "," << y;
        } else {
          ASSERT_EQ(c, RGB(p[0], p[1], p[2])) << x << "," << y;
          ASSERT_NE(c, key) << "a visible pixel has the key colour";
        }
      }
    EXPECT_EQ(bmp.Transparent(), anyClear);
  }
}

TEST(PictureFiles, PcxAtEveryDepthReadsPixelForPixel) {
  for (const char* name : {"mono.pcx", "nibbles.pcx", "planes.pcx", "palette.pcx", "grey.pcx", "rgb.pcx"}) {
    SCOPED_TRACE(name);
    std::unique_ptr<TBitmap> bmp = PicLibLoad(Path(name), 0);
    ASSERT_TRUE(bmp);
    EXPECT_EQ(MaxDifference(*bmp, ReadReference(Path(name) + ".rgb")), 0);
  }
}

TEST(PictureFiles, BmpAtEveryDepthReadsPixelForPixel) {
  for (const char* name : {"mono.bmp", "palette.bmp", "rgb.bmp"}) {
    SCOPED_TRACE(name);
    TPicture picture;
    picture.LoadFromFile(Path(name));
    ASSERT_TRUE(dynamic_cast<TBitmap*>(picture.Graphic()));
    EXPECT_EQ(MaxDifference(picture.Bitmap(), ReadReference(Path(name) + ".rgb")), 0);
  }
}

TEST(PictureFiles, IconTakesTheLargestBmpImageAndRefusesPng) {
  TPicture picture;
  picture.LoadFromFile(Path("bmp.ico"));
  auto* icon = dynamic_cast<TIcon*>(picture.Graphic());
  ASSERT_TRUE(icon);
  TReference ref = ReadReference(Path("bmp.ico.rgb"), 4);
  ASSERT_EQ(icon->Width(), 32);
  ASSERT_EQ(icon->Height(), 32);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      const unsigned char* p = ref.At(x, y);
      std::uint32_t argb = icon->PixelAt(x, y);
      ASSERT_EQ(argb >> 24, p[3]) << x << "," << y;
      if (p[3]) {
        ASSERT_EQ(argb & 0xFFFFFF, (std::uint32_t{p[0]} << 16) | (p[1] << 8) | p[2]) << x << "," << y;
      }
    }
  // Over a background colour: clear pixels show it, opaque ones their own colour.
  TBitmap over;
  icon->ToBitmap(over, clBlue);
  EXPECT_EQ(over.PixelAt(0, 0), ColorToRGB(clBlue));
  EXPECT_EQ(over.PixelAt(16, 16), RGB(ref.At(16, 16)[0], ref.At(16, 16)[1], ref.At(16, 16)[2]));

  TPicture png;
  try {
    png.LoadFromFile(Path("png.ico"));
    FAIL() << "a PNG icon was read";
  } catch (const EInvalidGraphic& e) {
    EXPECT_NE(std::string(e.Message()).find("PNG"), std::string::npos) << e.Message();
  }
  EXPECT_EQ(png.Graphic(), nullptr);
}

TEST(PictureFiles, JpegBaselineAndProgressiveDecodeLikePil) {
  for (const char* name : {"baseline.jpg", "progressive.jpg"}) {
    SCOPED_TRACE(name);
    TPicture picture;
    picture.LoadFromFile(Path(name));
    auto* jpeg = dynamic_cast<TJPEGImage*>(picture.Graphic());
    ASSERT_TRUE(jpeg);
    EXPECT_EQ(jpeg->Bitmap().PixelFormat(), pf24bit);
    int diff = MaxDifference(jpeg->Bitmap(), ReadReference(Path(name) + ".rgb"));
    EXPECT_GE(diff, 0);
    EXPECT_LE(diff, 4);
  }
}

TEST(PictureFiles, JpegDecodingOptionsReachLibjpeg) {
  TJPEGImage jpeg;
  jpeg.LoadFromFile(Path("baseline.jpg"));
  TReference ref = ReadReference(Path("baseline.jpg.rgb"));
  jpeg.SetScale(jsHalf);
  EXPECT_EQ(jpeg.Width(), 32);
  EXPECT_EQ(jpeg.Height(), 24);
  jpeg.SetScale(jsEighth);
  EXPECT_EQ(jpeg.Width(), 8);
  jpeg.SetScale(jsFullSize);

  jpeg.SetGrayscale(true);
  COLORREF c = jpeg.Bitmap().PixelAt(40, 10);
  EXPECT_EQ(GetRValue(c), GetGValue(c));
  EXPECT_EQ(GetGValue(c), GetBValue(c));
  jpeg.SetGrayscale(false);

  // A smooth picture of many colours quantised to at most 256, still close to the original.
  jpeg.SetPixelFormat(jf8Bit);
  std::set<COLORREF> colors;
  for (int y = 0; y < jpeg.Height(); ++y)
    for (int x = 0; x < jpeg.Width(); ++x) colors.insert(jpeg.Bitmap().PixelAt(x, y));
  EXPECT_LE(colors.size(), 256u);
  EXPECT_GT(colors.size(), 16u);
  EXPECT_LE(MaxDifference(jpeg.Bitmap(), ref), 48);
}

TEST(PictureFiles, PilReadsTheJpegAndBmpFilesWeWrite) {
  TPicture source;
  source.LoadFromFile(Path("rgb.bmp"));
  const TBitmap& bmp = source.Bitmap();

  std::string bmpFile = Path("ours.bmp");
  bmp.SaveToFile(bmpFile);
  EXPECT_EQ(MaxDifference(bmp, PilRead(bmpFile)), 0);

  TJPEGImage smooth;
  smooth.LoadFromFile(Path("baseline.jpg"));
  TJPEGImage jpeg;
  jpeg.Assign(&smooth.Bitmap());
  std::size_t sizes[2] = {};
  for (bool progressive : {false, true}) {
    SCOPED_TRACE(progressive);
    jpeg.SetProgressiveEncoding(progressive);
    jpeg.SetCompressionQuality(95);
    jpeg.Compress();
    std::string file = Path(progressive ? "ours_progressive.jpg" : "ours.jpg");
    jpeg.SaveToFile(file);
    std::vector<unsigned char> bytes = FileBytes(file);
    // Start of frame: baseline (FFC0) or progressive (FFC2).
    std::string data(bytes.begin(), bytes.end());
    EXPECT_NE(data.find(progressive ? "\xFF\xC2" : "\xFF\xC0"), std::string::npos);
    EXPECT_LE(MaxDifference(smooth.Bitmap(), PilRead(file)), 10);
    sizes[progressive] = bytes.size();
  }
  jpeg.SetProgressiveEncoding(false);
  jpeg.SetCompressionQuality(5);
  jpeg.Compress();
  EXPECT_LT(jpeg.Data().size(), sizes[0]);
  jpeg.SetCompressionQuality(500);
  EXPECT_EQ(jpeg.CompressionQuality(), 100);

  // Grey encoding: one component.
  jpeg.SetGrayscale(true);
  jpeg.Compress();
  std::string file = Path("ours_grey.jpg");
  jpeg.SaveToFile(file);
  TReference grey = PilRead(file);
  const unsigned char* p = grey.At(30, 20);
  EXPECT_EQ(p[0], p[1]);
  EXPECT_EQ(p[1], p[2]);
}

TEST(Picture, ExtensionsPickTheGraphicAndUnknownOnesAreRefused) {
  TPicture picture;
  int changes = 0;
  picture.OnChange = [&](TObject*) { ++changes; };
  picture.LoadFromFile(Path("rgb.pcx"));
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(picture.Width(), 37);
  EXPECT_EQ(picture.Height(), 23);
  try {
    picture.LoadFromFile(Path("rgb.XYZ"));
    FAIL();
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), "Unknown picture file extension (.xyz)");
  }
  EXPECT_THROW(picture.LoadFromFile(Path("missing.bmp")), EFOpenError);
  EXPECT_EQ(picture.Width(), 37);  // kept

  // A stream is told by its first bytes; the copy is independent of its source.
  TMemoryStream stream;
  stream.LoadFromFile(Path("baseline.jpg"));
  picture.LoadFromStream(stream);
  EXPECT_TRUE(dynamic_cast<TJPEGImage*>(picture.Graphic()));
  TPicture copy;
  copy.Assign(&picture);
  picture.SetGraphic(nullptr);
  EXPECT_EQ(copy.Width(), 64);
  // Asking for a bitmap of a JPEG picture replaces it with an empty bitmap.
  EXPECT_TRUE(copy.Bitmap().Empty());
}

}  // namespace
