// Damaged pictures: truncated, oversized and corrupt files (bad LZW codes, bad run lengths,
// lying headers) raise EInvalidGraphic, never anything else, and leave the target as it was.
// Run under AddressSanitizer too (-DQN_SANITIZE=address).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>

#include "picture_samples.h"
#include "platform/gfx/bitmap.h"
#include "platform/gfx/gif_image.h"
#include "platform/gfx/icon.h"
#include "platform/gfx/jpeg_image.h"
#include "platform/gfx/ole_picture.h"
#include "platform/gfx/pcx_image.h"
#include "platform/gfx/picture.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"

namespace {

using namespace picture_samples;
using TBytes = std::vector<BYTE>;

TBytes Sample(const std::string& name) {
  std::vector<unsigned char> b = FileBytes(Path(name));
  return TBytes(b.begin(), b.end());
}

// Reads `data` as a picture of its kind; true when it was read. Any failure but
// EInvalidGraphic fails the test.
bool Reads(const TBytes& data) {
  TPictureFormat format = SniffPictureFormat(data.data(), data.size());
  if (format == TPictureFormat::Unknown) return false;
  try {
    std::unique_ptr<TGraphic> g = ReadGraphic(format, data);
    return g->Width() > 0 && g->Height() > 0;
  } catch (const EInvalidGraphic&) {
    return false;
  }
}

const char* const kSamples[] = {"plain.gif", "interlaced.gif", "transparent.gif", "mono.pcx", "nibbles.pcx",
                                "planes.pcx", "palette.pcx",    "rgb.pcx",         "mono.bmp", "palette.bmp",
                                "rgb.bmp",    "bmp.ico",        "baseline.jpg",    "progressive.jpg"};

TEST(PictureDamage, TruncatedFilesAreRefused) {
  for (const char* name : kSamples) {
    SCOPED_TRACE(name);
    TBytes whole = Sample(name);
    ASSERT_TRUE(Reads(whole));
    // Cut inside the image data (a PCX palette sits at the end: cut before it).
    for (double part : {0.1, 0.5, 0.7}) {
      TBytes cut(whole.begin(), whole.begin() + static_cast<long>(whole.size() * part));
      EXPECT_FALSE(Reads(cut)) << "cut at " << cut.size() << " of " << whole.size();
    }
    for (std::size_t n = 0; n < std::min<std::size_t>(whole.size(), 200); ++n)
      Reads(TBytes(whole.begin(), whole.begin() + static_cast<long>(n)));
  }
}

// QN_DAMAGE_ROUNDS=n runs more rounds (a longer search under AddressSanitizer).
TEST(PictureDamage, RandomDamageNeverEscapesAsAnythingElse) {
  const char* more = std::getenv("QN_DAMAGE_ROUNDS");
  const int rounds = more ? std::max(1, std::atoi(more)) : 150;
  std::mt19937 random(12345);
  for (const char* name : kSamples) {
    SCOPED_TRACE(name);
    TBytes whole = Sample(name);
    for (int round = 0; round < rounds; ++round) {
      TBytes d = whole;
      int flips = 1 + static_cast<int>(random() % 8);
      for (int i = 0; i < flips; ++i) d[random() % d.size()] = static_cast<BYTE>(random());
      if (round % 3 == 0) d.resize(random() % d.size());
      Reads(d);
    }
  }
}

void PutWord(TBytes& d, std::size_t at, int v) {
  d[at] = static_cast<BYTE>(v);
  d[at + 1] = static_cast<BYTE>(v >> 8);
}

TEST(PictureDamage, GifWithBadCodesOrLyingSizes) {
  // A 2 × 2 frame whose first code after the clear code is the end of the table (6 > next).
  TBytes gif = {'G', 'I', 'F', '8', '9', 'a', 2, 0, 2, 0, 0x80, 0, 0, 0, 0, 0, 255, 255, 255,
                0x2C, 0, 0, 0, 0, 2, 0, 2, 0, 0, 2, 2, 0x44 | (6 << 3) >> 3, 0x01, 0, 0x3B};
  TBitmap bmp(3, 3);
  try {
    LoadGifBitmap(gif.data(), gif.size(), bmp);
    FAIL() << "read";
  } catch (const EInvalidGraphic& e) {
    EXPECT_NE(std::string(e.Message()).find("LZW"), std::string::npos) << e.Message();
  }
  EXPECT_EQ(bmp.Width(), 3);  // kept

  TBytes good = Sample("plain.gif");
  TBytes huge = good;
  PutWord(huge, 6, 60000);  // logical screen wider than the ceiling
  EXPECT_FALSE(Reads(huge));
  // Frame larger than its data: the LZW data ends before the pixels do.
  TBytes tall = good;
  std::size_t at = 13 + 3 * (2u << (good[10] & 7));
  while (tall[at] == 0x21) {
    at += 2;
    while (tall[at]) at += tall[at] + 1u;
    ++at;
  }
  ASSERT_EQ(tall[at], 0x2C);
  PutWord(tall, at + 7, 4000);
  PutWord(tall, 8, 4000);
  EXPECT_FALSE(Reads(tall));
}

TEST(PictureDamage, PcxWithBadRunsOrLyingHeaders) {
  TBytes pcx = Sample("rgb.pcx");
  // A run of 63 bytes at the very end of the image data runs past it.
  TBytes over = pcx;
  over.push_back(0xFF);
  over.push_back(0x00);
  std::size_t last = over.size() - 3;
  over[last - 1] = 0xFF;  // turn the last literal or run into a long run
  over[last] = 0x11;
  Reads(over);  // either kind of ending, but never a crash
  TBytes runPast = {0x0A, 5, 1, 8};
  runPast.resize(128, 0);
  PutWord(runPast, 8, 1);  // 2 × 1 pixels, one plane, 2 bytes a line
  runPast[65] = 1;
  PutWord(runPast, 66, 2);
  runPast.push_back(0xC5);  // a run of 5 where 2 bytes are left
  runPast.push_back(7);
  try {
    TBitmap bmp;
    LoadPcxBitmap(runPast.data(), runPast.size(), bmp);
    FAIL() << "read";
  } catch (const EInvalidGraphic& e) {
    EXPECT_NE(std::string(e.Message()).find("run"), std::string::npos) << e.Message();
  }
  TBytes lying = pcx;
  PutWord(lying, 8, 16000);  // 16001 × 23 pixels from a few hundred bytes
  PutWord(lying, 66, 16002);
  EXPECT_FALSE(Reads(lying));
  TBytes narrow = pcx;
  PutWord(narrow, 66, 2);  // fewer bytes a line than the width needs
  EXPECT_FALSE(Reads(narrow));
  TBytes wide = pcx;
  PutWord(wide, 8, 20000);  // wider than the ceiling
  EXPECT_FALSE(Reads(wide));
}

TEST(PictureDamage, BmpIcoAndJpegWithLyingHeaders) {
  TBytes bmp = Sample("rgb.bmp");
  TBytes wide = bmp;
  wide[18] = 0xFF;
  wide[19] = 0xFF;
  wide[20] = 0x00;  // 65535 pixels wide
  EXPECT_FALSE(Reads(wide));

  TBytes ico = Sample("bmp.ico");
  TBytes outside = ico;
  outside[6 + 16 + 12] = 0xF0;  // the 32-pixel image starts past the end of the file
  outside[6 + 16 + 15] = 0x7F;
  EXPECT_FALSE(Reads(outside));
  TBytes count = ico;
  count[4] = 0xFF;  // 255 entries in a file that holds two
  EXPECT_FALSE(Reads(count));

  TBytes jpeg = Sample("baseline.jpg");
  TBytes garbage = jpeg;
  for (std::size_t i = 4; i < 40; ++i) garbage[i] = 0x5A;
  EXPECT_FALSE(Reads(garbage));
  // Height field of the frame header beyond the ceiling.
  TBytes tall = jpeg;
  for (std::size_t i = 2; i + 8 < tall.size(); ++i)
    if (tall[i] == 0xFF && tall[i + 1] == 0xC0) {
      tall[i + 5] = 0xFF;
      tall[i + 6] = 0xF0;
      break;
    }
  EXPECT_FALSE(Reads(tall));
}

TEST(PictureDamage, AFailedLoadKeepsWhatWasThere) {
  std::string bad = Path("bad.jpg");
  TBytes jpeg = Sample("progressive.jpg");
  jpeg.resize(jpeg.size() / 2);
  {
    FILE* f = std::fopen(bad.c_str(), "wb");
    std::fwrite(jpeg.data(), 1, jpeg.size(), f);
    std::fclose(f);
  }
  TPicture picture;
  picture.LoadFromFile(Path("rgb.bmp"));
  int changes = 0;
  picture.OnChange = [&](TObject*) { ++changes; };
  EXPECT_THROW(picture.LoadFromFile(bad), EInvalidGraphic);
  EXPECT_EQ(picture.Width(), 37);
  EXPECT_EQ(changes, 0);

  TJPEGImage image;
  image.LoadFromFile(Path("baseline.jpg"));
  EXPECT_THROW(image.LoadFromFile(bad), EInvalidGraphic);
  EXPECT_EQ(image.Width(), 64);
  EXPECT_EQ(PicLibLoad(bad), nullptr);

  // The OLE picture reports failures as codes.
  IPicturePtr ole;
  TMemoryStream stream;
  stream.WriteBuffer(jpeg.data(), static_cast<long>(jpeg.size()));
  stream.SetPosition(0);
  EXPECT_EQ(OleLoadPicture(&stream, 0, false, ole), CTL_E_INVALIDPICTURE);
  EXPECT_EQ(ole, nullptr);
  stream.SetPosition(0);
  EXPECT_EQ(OleLoadPicture(&stream, static_cast<std::int32_t>(jpeg.size()) + 1, false, ole), E_INVALIDARG);
  EXPECT_EQ(OleLoadPicture(nullptr, 0, false, ole), E_POINTER);
}

}  // namespace
