// The rich-text format buttons over a rich edit without a window, clicked as a person does.
#include <gtest/gtest.h>

#include "controls/rich_format_buttons.h"
#include "platform/gfx/resources.h"
#include "platform/headless/headless_peer.h"
#include "platform/ui/std_painted.h"

namespace {

class FormatButtons : public ::testing::Test {
protected:
  FormatButtons() : Panel(nullptr), Edit(&Panel) {
    InstallHeadlessBackend();
    Panel.SetBounds(0, 0, 300, 200);
    Panel.HandleNeeded();
    Edit.SetParent(&Panel);
    Edit.SetBounds(0, 40, 300, 160);
    Edit.SetText("abcdef");
  }
  template <class T>
  T* Button(int left) {
    auto* b = new T(&Panel);
    b->SetParent(&Panel);
    b->SetBounds(left, 0, 23, 22);
    b->SetRichEdit(&Edit);
    return b;
  }
  void ClickOn(TControl* b) { HeadlessInput::Click(Panel, b->Left() + 5, b->Top() + 5); }
  void Select(int start, int length) {
    Edit.SetSelStart(start);
    Edit.SetSelLength(length);
  }
  TFontStyles StyleAt(int p) {
    Select(p, 1);
    return Edit.SelAttributes().Style();
  }
  TPanel Panel;
  TRichEdit Edit;
};

TEST_F(FormatButtons, GroupIndexesCountUpOnTheirParent) {
  auto* bold = Button<TBoldButton>(0);
  auto* italic = Button<TItalicButton>(25);
  EXPECT_EQ(bold->GroupIndex(), 1);
  EXPECT_EQ(italic->GroupIndex(), 2);
  EXPECT_TRUE(bold->AllowAllUp());
  EXPECT_FALSE(bold->Glyph().Empty());
  EXPECT_NE(FindBitmapResource("ALIGNCENTER"), nullptr);
}

TEST_F(FormatButtons, BoldOnThreeCharactersKeepsTheirItalic) {
  auto* bold = Button<TBoldButton>(0);
  Select(1, 1);
  Edit.SelAttributes().SetStyle({fsItalic});
  Select(0, 3);
  bold->UpdateState();
  EXPECT_FALSE(bold->Mixed());
  EXPECT_FALSE(bold->Down());
  ClickOn(bold);
  EXPECT_TRUE(bold->Down());
  EXPECT_EQ(Edit.SelStart(), 0);  // the selection is given back
  EXPECT_EQ(Edit.SelLength(), 3);
  EXPECT_EQ(StyleAt(0), TFontStyles{fsBold});
  EXPECT_EQ(StyleAt(1), (TFontStyles{fsBold, fsItalic}));
  EXPECT_EQ(StyleAt(2), TFontStyles{fsBold});
  EXPECT_EQ(StyleAt(3), TFontStyles{});
}

TEST_F(FormatButtons, MixedSelectionShowsMixedAndAClickRemovesTheStyle) {
  auto* bold = Button<TBoldButton>(0);
  Select(0, 2);
  Edit.SelAttributes().SetStyle({fsBold});
  Select(0, 4);
  bold->UpdateState();
  EXPECT_TRUE(bold->Mixed());
  ClickOn(bold);
  EXPECT_FALSE(bold->Mixed());
  EXPECT_FALSE(bold->Down());
  for (int p = 0; p < 4; ++p) EXPECT_FALSE(StyleAt(p).Contains(fsBold)) << p;
}

TEST_F(FormatButtons, BoldWithoutSelectionAppliesToTypedText) {
  auto* bold = Button<TBoldButton>(0);
  Edit.HandleNeeded();
  Select(6, 0);
  ClickOn(bold);
  Edit.SetSelText("X");
  EXPECT_TRUE(StyleAt(6).Contains(fsBold));
  Select(7, 0);
  ClickOn(bold);  // up again: typed text is plain
  EXPECT_FALSE(bold->Down());
  Edit.SetSelText("Y");
  EXPECT_FALSE(StyleAt(7).Contains(fsBold));
}

TEST_F(FormatButtons, AlignmentAndBullets) {
  auto* left = Button<TAlignLeftButton>(0);
  auto* centre = Button<TAlignCenterButton>(25);
  auto* bullet = Button<TBulletButton>(50);
  Select(2, 0);
  ClickOn(centre);
  EXPECT_EQ(Edit.Paragraph().Alignment(), taCenter);
  left->UpdateState();
  EXPECT_FALSE(left->Down());
  ClickOn(left);
  EXPECT_TRUE(left->Down());
  ClickOn(left);  // already down: still sets left alignment
  EXPECT_EQ(Edit.Paragraph().Alignment(), taLeftJustify);
  ClickOn(bullet);
  EXPECT_EQ(Edit.Paragraph().Numbering(), nsBullet);
  ClickOn(bullet);
  EXPECT_EQ(Edit.Paragraph().Numbering(), nsNone);
}

// One alignment replaces another: the button of the old one comes up with the click, before the
// caret moves.
TEST_F(FormatButtons, AnAlignmentClickRaisesTheOtherAlignments) {
  auto* left = Button<TAlignLeftButton>(0);
  auto* centre = Button<TAlignCenterButton>(25);
  auto* right = Button<TAlignRightButton>(50);
  auto* bold = Button<TBoldButton>(75);
  Select(2, 0);
  EXPECT_TRUE(left->Down());
  ClickOn(centre);
  EXPECT_TRUE(centre->Down());
  EXPECT_FALSE(left->Down());
  EXPECT_FALSE(right->Down());
  ClickOn(right);
  EXPECT_TRUE(right->Down());
  EXPECT_FALSE(centre->Down());
  EXPECT_FALSE(bold->Down());  // a style button keeps its own state
}

TEST_F(FormatButtons, WithoutAnEditOnlyToggleAndWithoutParentPaintRaises) {
  TBoldButton lone(nullptr);
  lone.SetGroupIndex(9);
  lone.SetAllowAllUp(true);
  EXPECT_NO_THROW(lone.Click());
  TRecordingPainter p(nullptr, 50, 50);
  try {
    lone.PaintOnParent(p);
    ADD_FAILURE() << "painted without a parent";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "TCustomRichButton.Paint() Parent is not assigned.");
  }
  auto* bold = Button<TBoldButton>(0);
  auto* other = new TRichEdit(nullptr);
  bold->SetRichEdit(other);
  delete other;  // the edit going away leaves the button without one
  EXPECT_EQ(bold->RichEdit(), nullptr);
}

}  // namespace

// The glyphs as drawn: 16 × 16, black on the key colour, each row where its drawing puts it.
TEST(RichToolGlyphs, AreTheirDrawingsRowForRow) {
  const COLORREF black = RGB(0, 0, 0), key = RGB(0xFF, 0, 0xFF);
  for (const char* name : {"BOLD", "ITALIC", "UNDERLINE", "STRIKEOUT", "ALIGNLEFT", "ALIGNCENTER", "ALIGNRIGHT",
                           "COPYTEXT", "PASTETEXT", "BULLET"}) {
    const TBitmap* glyph = RichToolGlyph(name);
    ASSERT_NE(glyph, nullptr) << name;
    EXPECT_EQ(glyph->Width(), 16) << name;
    EXPECT_EQ(glyph->Height(), 16) << name;
    EXPECT_EQ(glyph->PixelAt(0, 0), key) << name;
    for (int x = 0; x < 16; ++x) EXPECT_EQ(glyph->PixelAt(x, 15), key) << name << " " << x;
  }
  EXPECT_EQ(RichToolGlyph("NOSUCHGLYPH"), nullptr);
  const TBitmap& bold = *RichToolGlyph("BOLD");
  EXPECT_EQ(bold.PixelAt(3, 2), black);
  EXPECT_EQ(bold.PixelAt(2, 2), key);
  EXPECT_EQ(bold.PixelAt(3, 1), key);
  EXPECT_EQ(bold.PixelAt(3, 11), black);
  EXPECT_EQ(bold.PixelAt(3, 12), key);
  // The strike-out's bar across row 6; the underline's line on row 12 under a blank row 11.
  const TBitmap& strike = *RichToolGlyph("STRIKEOUT");
  for (int x = 0; x < 16; ++x) EXPECT_EQ(strike.PixelAt(x, 6), x >= 2 && x <= 13 ? black : key) << x;
  const TBitmap& underline = *RichToolGlyph("UNDERLINE");
  for (int x = 0; x < 16; ++x) {
    EXPECT_EQ(underline.PixelAt(x, 11), key) << x;
    EXPECT_EQ(underline.PixelAt(x, 12), x >= 3 && x <= 12 ? black : key) << x;
  }
}
