// Resources, image lists, the system icon lists, the OLE picture and the image control.
#include <gtest/gtest.h>

#include <set>
#include <unistd.h>

#include "picture_samples.h"
#include "platform/gfx/bitmap.h"
#include "platform/gfx/icon.h"
#include "platform/gfx/image_list.h"
#include "platform/gfx/ole_picture.h"
#include "platform/gfx/raster_painter.h"
#include "platform/gfx/resources.h"
#include "platform/rtl/streams.h"
#include "platform/ui/image.h"

namespace {

using namespace picture_samples;

bool Opaque(const TCursorImage& c, int x, int y) { return (c.PixelAt(x, y) >> 24) != 0; }

TEST(Resources, CursorsByNumberAndNameHaveAnImageAndAHotSpotOnIt) {
  std::vector<std::string> names = {"UPDOWNCURSOR", "uponlycursor", "DOWNONLYCURSOR", "ZoomIn", "ZoomOut"};
  for (int id : {8000, 8001, 8002, 8003, 8004, 8005, 8006, 8007, 8008, 8010, 8011, 8012, 8019, 1003, 1006})
    names.push_back(ResourceNumber(id));
  std::set<std::vector<std::uint32_t>> images;
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    HCURSOR c = LoadCursor(nullptr, name);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c, LoadCursor(nullptr, name));  // one object per resource
    EXPECT_GT(c->Width, 0);
    EXPECT_LE(c->Width, 32);
    EXPECT_LE(c->Height, 32);
    EXPECT_TRUE(Opaque(*c, c->HotSpot.X, c->HotSpot.Y) || Opaque(*c, c->HotSpot.X, c->HotSpot.Y + 1));
    EXPECT_TRUE(images.insert(c->Pixels).second) << "drawn like another cursor";
  }
  EXPECT_EQ(LoadCursor(nullptr, 8000), LoadCursor(nullptr, "#8000"));
  EXPECT_EQ(LoadCursor(nullptr, 9999), nullptr);

  // Each pan direction points its own way: the arrow of "up" lies above the middle.
  HCURSOR up = LoadCursor(nullptr, 8004), down = LoadCursor(nullptr, 8001);
  EXPECT_TRUE(Opaque(*up, 15, 5));
  EXPECT_FALSE(Opaque(*up, 15, 25));
  EXPECT_TRUE(Opaque(*down, 15, 25));
}

TEST(Resources, BitmapsHaveTheirSizesAndShapes) {
  for (const char* name : {"INTLI1", "INTLI2", "INTLI3"}) {
    const TBitmap* b = FindBitmapResource(name);
    ASSERT_NE(b, nullptr) << name;
    EXPECT_EQ(b->Width(), 32);
    EXPECT_EQ(b->Height(), 32);
  }
  // Horizontal pan mark: arrows left and right, none above.
  const TBitmap* horizontal = FindBitmapResource("intli2");
  COLORREF back = horizontal->PixelAt(0, 0);
  EXPECT_NE(horizontal->PixelAt(5, 15), back);
  EXPECT_EQ(horizontal->PixelAt(15, 5), back);

  for (const char* name : {"CellSpinUp", "CellSpinDown", "QnSpinUp", "QnSpinDown"}) {
    SCOPED_TRACE(name);
    TBitmap glyph;
    glyph.LoadFromResourceName(nullptr, name);
    ASSERT_EQ(glyph.Width(), 9);
    ASSERT_EQ(glyph.Height(), 6);
    COLORREF bg = glyph.PixelAt(0, 0);
    for (int x = 0; x < 9; ++x) EXPECT_EQ(glyph.PixelAt(x, 0), bg);  // a pixel clear of each edge
    bool up = std::string(name).find("Up") != std::string::npos;
    EXPECT_EQ(glyph.PixelAt(4, up ? 1 : 4), 0u);  // the point
    EXPECT_EQ(glyph.PixelAt(1, up ? 4 : 1), 0u);  // the wide side
    EXPECT_EQ(glyph.PixelAt(1, up ? 1 : 4), bg);
  }
  for (int id : {1001, 1002, 1005}) {
    TBitmap b;
    b.LoadFromResourceID(nullptr, id);
    EXPECT_FALSE(b.Empty()) << id;
  }
  TBitmap missing(2, 2);
  EXPECT_THROW(missing.LoadFromResourceName(nullptr, "NOSUCH"), EResNotFound);
  EXPECT_EQ(missing.Width(), 2);

  RegisterDataResource("LOGO", {1, 2, 3});
  TResourceStream stream(nullptr, "logo");
  EXPECT_EQ(stream.Size(), 3);
  EXPECT_THROW(TResourceStream(nullptr, "NONE"), EResNotFound);
}

void HalfClearIcon(int size, COLORREF color, TIcon& icon) {
  std::vector<std::uint32_t> p(static_cast<std::size_t>(size) * size, 0);
  for (int y = 0; y < size; ++y)
    for (int x = size / 2; x < size; ++x)
      p[static_cast<std::size_t>(y) * size + x] = 0xFF000000u | (GetRValue(color) << 16) | (GetGValue(color) << 8) | GetBValue(color);
  p[0] = 0x80000000u;  // half black
  icon.SetImage(size, size, p);
}

TEST(ImageList, IconsKeepTheirTransparencyAndComeBack) {
  TImageList list(16, 16);
  TIcon icon;
  HalfClearIcon(32, RGB(200, 0, 0), icon);
  EXPECT_EQ(list.AddIcon(icon), 0);  // scaled down
  TBitmap dst(16, 16);
  dst.Canvas().Brush().SetColor(clWhite);
  dst.Canvas().FillRect(Rect(0, 0, 16, 16));
  list.Draw(dst.Canvas(), 0, 0, 0);
  EXPECT_EQ(dst.PixelAt(3, 3), RGB(255, 255, 255));
  EXPECT_EQ(dst.PixelAt(12, 3), RGB(200, 0, 0));
  EXPECT_EQ(dst.PixelAt(0, 0), RGB(127, 127, 127));  // blended
  TIcon back;
  ASSERT_TRUE(list.GetIcon(0, back));
  EXPECT_EQ(back.Width(), 16);
  EXPECT_EQ(back.PixelAt(3, 3) >> 24, 0u);

  int changes = 0;
  TChangeLink link;
  link.OnChange = [&](TObject*) { ++changes; };
  list.RegisterChanges(&link);
  list.Clear();
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(list.Count(), 0);
}

// Icons of one colour per kind: the test can tell which icon it got.
class TColourIcons : public TSystemIconSource {
public:
  int StandardCount() override { return 2; }
  bool StandardIcon(int index, int size, TIcon& icon) override { return Make(index ? RGB(0, 0, 255) : RGB(0, 255, 0), size, icon); }
  bool FileIcon(const std::string&, int size, TIcon& icon) override {
    ++FilesAsked;
    return Make(RGB(255, 0, 0), size, icon);
  }
  bool TypeIcon(const std::string& name, bool folder, int size, TIcon& icon) override {
    LastType = name;
    return Make(folder ? RGB(255, 255, 0) : RGB(0, 255, 255), size, icon);
  }
  static int FilesAsked;
  static std::string LastType;

private:
  static bool Make(COLORREF c, int size, TIcon& icon) {
    std::uint32_t argb = 0xFF000000u | (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    icon.SetImage(size, size, std::vector<std::uint32_t>(static_cast<std::size_t>(size) * size, argb));
    return true;
  }
};
int TColourIcons::FilesAsked = 0;
std::string TColourIcons::LastType;

TEST(SystemImageLists, IconsByIndexFileAndExtension) {
  SetSystemIconSource(std::make_unique<TColourIcons>());
  SHFILEINFO info;
  auto small = reinterpret_cast<HIMAGELIST>(SHGetFileInfo(Dir(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
  ASSERT_EQ(small, &SystemImageList(true));
  int cx = 0, cy = 0;
  ImageList_GetIconSize(small, &cx, &cy);
  EXPECT_EQ(cx, 16);
  EXPECT_EQ(cy, 16);
  int fileIndex = info.iIcon;
  EXPECT_EQ(fileIndex, 2);  // after the two fixed icons
  EXPECT_EQ(TColourIcons::FilesAsked, 2);  // an existing folder: its own icon, both sizes

  // By extension, without touching the disk: a name that exists is still asked by type.
  auto large = reinterpret_cast<HIMAGELIST>(SHGetFileInfo(Path("rgb.bmp"), FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                                                          SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES | SHGFI_ICON));
  EXPECT_EQ(large, &SystemImageList(false));
  EXPECT_EQ(TColourIcons::FilesAsked, 2);
  EXPECT_EQ(TColourIcons::LastType, Path("rgb.bmp"));
  int typeIndex = info.iIcon;
  ASSERT_NE(info.hIcon, nullptr);
  EXPECT_EQ(info.hIcon->Width(), 32);
  EXPECT_EQ(info.hIcon->PixelAt(5, 5), 0xFF00FFFFu);
  DestroyIcon(info.hIcon);
  // Another file of a kind shares its index; the lists hold each icon at both sizes.
  SHGetFileInfo("other.txt", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES);
  EXPECT_EQ(info.iIcon, typeIndex);
  EXPECT_EQ(SystemImageList(true).Count(), SystemImageList(false).Count());

  TBitmap dst(40, 20);
  EXPECT_TRUE(ImageList_Draw(small, 1, &dst.Canvas(), 2, 2, ILD_TRANSPARENT));
  EXPECT_EQ(dst.PixelAt(5, 5), RGB(0, 0, 255));
  EXPECT_TRUE(ImageList_Draw(small, typeIndex, &dst.Canvas(), 20, 2, ILD_TRANSPARENT));
  EXPECT_EQ(dst.PixelAt(25, 5), RGB(0, 255, 255));

  // Without a backend the icons are blank.
  SetSystemIconSource(nullptr);
  SHGetFileInfo("x.doc", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES | SHGFI_ICON);
  EXPECT_EQ(info.hIcon->PixelAt(8, 8) >> 24, 0u);
  DestroyIcon(info.hIcon);
}

TEST(OlePicture, SizeInHimetricAndRenderedUprightFromTheBottomEdge) {
  TMemoryStream stream;
  stream.LoadFromFile(Path("rgb.bmp"));
  IPicturePtr picture;
  ASSERT_EQ(OleLoadPicture(&stream, 0, false, picture), S_OK);
  OLE_XSIZE_HIMETRIC w = 0;
  OLE_YSIZE_HIMETRIC h = 0;
  picture->get_Width(&w);
  picture->get_Height(&h);
  EXPECT_EQ(w, MulDiv(37, 2540, 96));
  EXPECT_EQ(h, MulDiv(23, 2540, 96));

  const TBitmap& source = dynamic_cast<const TBitmap&>(picture->Graphic());
  TBitmap dst(74, 46);
  // As the web picture draws: from the bottom edge with a negative height, stretched twice.
  ASSERT_EQ(picture->Render(&dst.Canvas(), 0, 46, 74, -46, 0, 0, w, h), S_OK);
  EXPECT_EQ(dst.PixelAt(0, 0), source.PixelAt(0, 0));
  EXPECT_EQ(dst.PixelAt(73, 45), source.PixelAt(36, 22));
  // The other usual call, top down with the source from its top: the same picture.
  TBitmap again(74, 46);
  picture->Render(&again.Canvas(), 0, 0, 74, 46, 0, h, w, -h);
  EXPECT_EQ(again.PixelAt(73, 45), source.PixelAt(36, 22));
  EXPECT_EQ(again.PixelAt(10, 7), dst.PixelAt(10, 7));

  stream.SetPosition(0);
  stream.SetSize(10);
  EXPECT_EQ(OleLoadPicture(&stream, 0, false, picture), CTL_E_INVALIDPICTURE);
}

TEST(ImageControl, StretchCenterAutoSizeAndTransparency) {
  TImage image(nullptr);
  image.SetBounds(0, 0, 20, 10);
  TBitmap& pic = image.Picture().Bitmap();
  pic.SetSize(4, 2);
  pic.Canvas().Brush().SetColor(clRed);
  pic.Canvas().FillRect(Rect(0, 0, 4, 2));
  pic.SetPixelAt(0, 1, RGB(0, 255, 0));  // bottom left: the key colour of a transparent bitmap
  EXPECT_EQ(image.DestRect(), Rect(0, 0, 4, 2));
  image.SetCenter(true);
  EXPECT_EQ(image.DestRect(), Rect(8, 4, 12, 6));
  image.SetStretch(true);
  EXPECT_EQ(image.DestRect(), Rect(0, 0, 20, 10));

  image.SetStretch(false);
  image.SetTransparent(true);
  EXPECT_TRUE(pic.Transparent());
  TBitmap parent(20, 10);
  parent.Canvas().Brush().SetColor(clBlue);
  parent.Canvas().FillRect(Rect(0, 0, 20, 10));
  TRasterPainter painter(parent);
  image.PaintOnParent(painter);
  EXPECT_EQ(parent.PixelAt(9, 4), RGB(255, 0, 0));
  EXPECT_EQ(parent.PixelAt(8, 5), RGB(0, 0, 255));  // the key colour left out
  EXPECT_EQ(parent.PixelAt(2, 2), RGB(0, 0, 255));

  image.SetAutoSize(true);
  EXPECT_EQ(image.Width(), 4);
  image.Picture().LoadFromFile(Path("bmp.ico"));
  EXPECT_EQ(image.Width(), 32);
  EXPECT_EQ(image.Height(), 32);
}

}  // namespace
