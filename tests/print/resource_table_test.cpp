// The shared resource table: counting, equality, drawing records, and its blocks.
#include <gtest/gtest.h>

#include "platform/gfx/bitmap.h"
#include "platform/gfx/metafile.h"
#include "platform/rtl/streams.h"
#include "print/page_objects.h"
#include "print/resource_table.h"
#include "print_test_support.h"

namespace {

TEST_F(PrintTest, EqualRecordsAreStoredOnceAndCounted) {
  TPgResourceTable t;
  TPgBrush red;
  red.Color = clRed;
  red.Style = bsSolid;
  TPgBrush* a = t.Brushes.AddBrush(red);
  TPgBrush* b = t.Brushes.AddBrush(red);
  EXPECT_EQ(a, b);
  EXPECT_EQ(t.Brushes.RefCount(0), 2);
  t.ReleaseResource(a);
  EXPECT_EQ(t.Brushes.Count(), 1);
  t.ReleaseResource(a);
  EXPECT_EQ(t.Brushes.Count(), 0);
  EXPECT_EQ(t.Brushes.GetBrush(-1), nullptr);

  TPgFont f;
  f.Name = "Arial";
  TPgFont turned = f;
  turned.Angle = 90;
  t.Fonts.AddFont(f);
  t.Fonts.AddFont(turned);
  EXPECT_EQ(t.Fonts.Count(), 2);

  // Width 4 quarter points: one point.
  TPgPen pen;
  pen.Width = 4;
  TBitmap bmp(4, 4);
  pen.AssignToCanvas(bmp.Canvas(), 288);
  EXPECT_EQ(bmp.Canvas().Pen().Width(), 4);
  pen.AssignToCanvas(bmp.Canvas(), 96);
  EXPECT_EQ(bmp.Canvas().Pen().Width(), 1);
  pen.Color = clNone;
  pen.AssignToCanvas(bmp.Canvas(), 96);
  EXPECT_EQ(bmp.Canvas().Pen().Style(), psClear);
}

TEST_F(PrintTest, GraphicsCompareByTheirBytes) {
  TPgResourceTable t;
  TBitmap bmp(3, 2);
  bmp.SetPixelAt(1, 1, 0x0000FF);
  TBitmap same(3, 2);
  same.SetPixelAt(1, 1, 0x0000FF);
  EXPECT_EQ(t.Graphics.AddGraphic(bmp), t.Graphics.AddGraphic(same));
  EXPECT_EQ(t.Graphics.RefCount(0), 2);
  t.Graphics.CompareGraphics = false;
  t.Graphics.AddGraphic(bmp);
  EXPECT_EQ(t.Graphics.Count(), 2);
}

// A graphic of a kind the table does not keep.
class TOddGraphic : public TGraphic {
public:
  void Draw(TCanvas& canvas, const TRect& rect) const override {
    canvas.Brush().SetColor(clRed);
    canvas.FillRect(rect);
  }
  bool Empty() const override { return false; }
  int Width() const override { return 8; }
  int Height() const override { return 6; }
  void LoadFromStream(TStream&) override {}
  void SaveToStream(TStream&) const override {}
  std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TOddGraphic>(); }
};

TEST_F(PrintTest, PicturesOfOtherKindsAreKeptAsJpeg) {
  TPgResourceTable t;
  EXPECT_EQ(t.Graphics.AddGraphic(TOddGraphic()), nullptr);
  TPgGraphicObject o(&t);
  o.SetGraphic(TOddGraphic());
  ASSERT_NE(o.Graphic(), nullptr);
  EXPECT_EQ(o.Graphic()->Kind, 0);
  EXPECT_EQ(o.Graphic()->Width(), 8);
  TBitmap bmp(4, 4);
  o.SetGraphic(bmp);
  EXPECT_EQ(o.Graphic()->Kind, 2);
  EXPECT_EQ(t.Graphics.Count(), 1) << "the JPEG was released when the bitmap took its place";
}

TEST_F(PrintTest, ObjectsThatLoadAnEntryCountIt) {
  TPgResourceTable t;
  TPgBrush blue;
  blue.Color = clBlue;
  blue.Style = bsSolid;
  t.Brushes.AddBrush(blue);  // as a loaded table holds it: count 1
  TPgValueList v;
  v.SetText("ID=2\r\nP=-1\r\nB=0\r\nXY=0,0,1000,1000\r\n");
  auto first = std::make_unique<TPgRectangleShape>(&t);
  auto second = std::make_unique<TPgRectangleShape>(&t);
  first->LoadFromValueList(v);
  second->LoadFromValueList(v);
  EXPECT_EQ(t.Brushes.RefCount(0), 3);
  // The first object going away must not free the entry the second one draws with.
  first.reset();
  ASSERT_EQ(t.Brushes.Count(), 1);
  EXPECT_EQ(second->Brush(), t.Brushes.GetBrush(0));
  EXPECT_EQ(second->Brush()->Color, clBlue);
  // An index that is not in the table is refused and leaves the object as it was.
  TPgValueList bad;
  bad.SetText("ID=2\r\nB=5\r\nXY=9000,9000,9500,9500\r\n");
  EXPECT_THROW(second->LoadFromValueList(bad), EPgStreamError);
  EXPECT_EQ(second->Bounds().Right, 1);
  EXPECT_EQ(t.Brushes.RefCount(0), 2);
}

TEST_F(PrintTest, TableBlocksRoundTripAndBadOnesChangeNothing) {
  TPgResourceTable t;
  TPgBrush b;
  b.Color = 0x123456;
  b.Style = bsSolid;
  t.Brushes.AddBrush(b);
  TPgFont f;
  f.Name = "Times New Roman";
  f.Size = 14;
  f.Style = TFontStyles{fsBold, fsItalic};
  f.Angle = 45;
  t.Fonts.AddFont(f);
  TPgPen p;
  p.Width = 8;
  p.Color = clRed;
  t.Pens.AddPen(p);
  TBitmap bmp(5, 4);
  bmp.SetPixelAt(2, 2, 0x00FF00);
  t.Graphics.AddGraphic(bmp);
  TRichEdit memo(nullptr);
  memo.SetText("Hello rich text");
  t.Memos.AddMemo(&memo);
  TMemoryStream s;
  t.SaveToStream(s);

  s.SetPosition(0);
  TPgResourceTable back;
  ASSERT_TRUE(back.LoadFromStream(s));
  EXPECT_EQ(s.Position(), s.Size());
  EXPECT_EQ(*back.Brushes.GetBrush(0), b);
  EXPECT_EQ(*back.Fonts.GetFont(0), f);
  EXPECT_EQ(*back.Pens.GetPen(0), p);
  ASSERT_EQ(back.Graphics.Count(), 1);
  EXPECT_EQ(back.Graphics.GetGraphic(0)->Width(), 5);
  ASSERT_EQ(back.Memos.Count(), 1);
  EXPECT_NE(back.Memos.GetMemo(0)->Text().find("Hello rich text"), std::string::npos);

  // A font size far out of range: the engine's error, and nothing of the table changes.
  std::string bytes = s.DataString();
  std::size_t at = bytes.find("SZ=14");
  ASSERT_NE(at, std::string::npos);
  bytes.replace(at, 5, "SZ=99");
  bytes.insert(at + 5, "999");
  // The font block's length grew by three: patch it (its 4 bytes precede "CL=").
  std::size_t block = bytes.rfind("CL=", at) - 4;
  bytes[block] = static_cast<char>(bytes[block] + 3);
  TStringStream damaged(bytes);
  TPgResourceTable target;
  target.Brushes.AddBrush(b);
  TPrintTestScript script;
  script.ExpectMessage("Invalid value", mrOk);
  EXPECT_FALSE(target.LoadFromStream(damaged));
  EXPECT_EQ(damaged.Position(), 0);
  EXPECT_EQ(target.Brushes.Count(), 1);
  EXPECT_EQ(target.Fonts.Count(), 0);

  // A count larger than the bytes left.
  TMemoryStream huge;
  TPgWriter(huge).WriteInteger(50000);
  huge.SetPosition(0);
  script.ExpectMessage("Invalid count", mrOk);
  EXPECT_FALSE(target.LoadFromStream(huge));
  EXPECT_EQ(script.Remaining(), 0);
}

TEST_F(PrintTest, MetafilesAreKeptAsRecordingsAndStreamed) {
  TMetafile mf;
  mf.SetWidth(100);
  mf.SetHeight(50);
  {
    TMetafileCanvas mc(mf, nullptr);
    mc.Brush().SetColor(clRed);
    mc.Rectangle(10, 10, 90, 40);
  }
  TPgResourceTable t;
  TPgPicture* a = t.Graphics.AddGraphic(mf);
  TMetafile copy(mf);
  EXPECT_EQ(t.Graphics.AddGraphic(copy), a) << "a copy shares the recording";
  ASSERT_EQ(a->Kind, 1);
  TPgGraphicObject o(&t);
  o.SetGraphic(mf);
  EXPECT_EQ(o.Graphic()->Kind, 1) << "a metafile is not turned into a JPEG";
  TMemoryStream s;
  t.Graphics.SaveToStream(s);
  s.SetPosition(0);
  TPgGraphicList back;
  back.LoadFromStream(s);
  ASSERT_EQ(back.Count(), 1);
  EXPECT_EQ(back.GetGraphic(0)->Kind, 1);
  auto* loaded = dynamic_cast<const TMetafile*>(back.GetGraphic(0)->Graphic.get());
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->Width(), 100);
  EXPECT_EQ(loaded->Records().size(), mf.Records().size());
}

TEST_F(PrintTest, UnknownGraphicKindIsSkippedByItsEndPosition) {
  TMemoryStream s;
  TPgWriter w(s);
  w.WriteInteger(2);
  w.WriteByte(7);  // no picture has kind 7
  w.WriteInteger(4 + 1 + 4 + 3);
  s.WriteString("xyz");
  TBitmap bmp(2, 2);
  std::vector<BYTE> data = bmp.SaveToBmp();
  w.WriteByte(2);
  w.WriteInteger(static_cast<std::int32_t>(s.Position() + 4 + data.size()));
  s.WriteBuffer(data.data(), static_cast<long>(data.size()));
  s.SetPosition(0);
  TPgGraphicList list;
  list.LoadFromStream(s);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.GetGraphic(0)->Kind, 2);
  EXPECT_EQ(s.Position(), s.Size());
}

}  // namespace
