// The tab strip on the headless backend: its lists over the tab window's messages, the style
// rules, owner drawing of inactive and vertical tabs, hints, shifting and accelerators.
#include <gtest/gtest.h>

#include "controls/tab_strip.h"
#include "tests/platform/headless/headless_form_test.h"

namespace {

using namespace HeadlessInput;

class TabStripTest : public HeadlessFormTest {
protected:
  TabStripTest() { Strip = Make<TTabStripControl>(0, 0, 300, 150); }
  TRect TabRect(int i) {
    TRect r;
    Strip->Perform(TCM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
    return r;
  }
  TRecordingPainter& Recorder() { return HeadlessPeer(*Strip)->Recorder(); }
  TTabStripControl* Strip;
};

TEST_F(TabStripTest, ListsGoThroughTheWindow) {
  EXPECT_EQ(Strip->Width(), 300);
  EXPECT_EQ(Strip->TabIndex(), -1);  // empty strip
  for (const char* s : {"Doc One", "Doc Two", "Doc Three"}) Strip->Tabs().Add(s);
  EXPECT_EQ(Strip->Perform(TCM_GETITEMCOUNT), 3);
  EXPECT_EQ(Strip->Tabs().Strings(1), "Doc Two");
  Strip->Tabs().SetStrings(1, "Two");
  EXPECT_EQ(Strip->TabText(1), "Two");
  Strip->Tabs().Delete(0);
  EXPECT_EQ(Strip->Tabs().Count(), 2);
  try {
    Strip->Tabs().Strings(7);
    ADD_FAILURE() << "no error";
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "Tab control access error\r\nViolation occured in TTabStrings.Get");
  }
  EXPECT_THROW(Strip->Tabs().Delete(9), EListError);
  Strip->SetTabIndex(1);
  EXPECT_EQ(Strip->TabIndex(), 1);
}

TEST_F(TabStripTest, ImageIndexesStoreNumbersAndMinusOneForNegatives) {
  for (const char* s : {"a", "b", "c"}) Strip->Tabs().Add(s);
  Strip->ImageIndexes().Add("2");
  Strip->ImageIndexes().Add("-5");
  EXPECT_EQ(Strip->ImageIndexes().Strings(0), "2");
  EXPECT_EQ(Strip->ImageIndexes().Strings(1), "-1");
  EXPECT_EQ(Strip->ImageIndexes().Strings(2), "-1");
  Strip->ImageIndexes().Add("1");
  Strip->ImageIndexes().Add("4");  // past the tabs: dropped
  EXPECT_EQ(Strip->TabImage(2), 1);
  TStringList l;
  l.Add("0");
  Strip->ImageIndexes().Assign(&l);
  EXPECT_EQ(Strip->TabImage(0), 0);
  EXPECT_EQ(Strip->TabImage(1), -1);
  TPersistent notAList;
  EXPECT_THROW(Strip->ImageIndexes().Assign(&notAList), Exception);
}

TEST_F(TabStripTest, StyleRules) {
  Strip->SetScrollOpposite(true);
  EXPECT_TRUE(Strip->MultiLine());
  EXPECT_TRUE(Strip->Style() & TCS_MULTILINE);
  Strip->SetMultiLine(false);
  EXPECT_FALSE(Strip->ScrollOpposite());
  EXPECT_TRUE(Strip->Style() & TCS_OWNERDRAWFIXED);
  EXPECT_TRUE(Strip->FlatSeperators());
  Strip->SetVerticalTabs(true);
  Strip->SetTabPosition(tpBottomRight);
  Strip->SetButtonStyle(true);  // buttons reset position and vertical tabs
  EXPECT_FALSE(Strip->VerticalTabs());
  EXPECT_EQ(Strip->TabPosition(), tpTopLeft);
  try {
    Strip->SetVerticalTabs(true);
    ADD_FAILURE() << "no error";
  } catch (const EInvalidOperation& e) {
    EXPECT_STREQ(e.what(), "Buttons are only supported when aligned along the top");
  }
  EXPECT_THROW(Strip->SetTabWidth(-1), EPropertyError);
  Strip->SetTabWidth(60);
  EXPECT_TRUE(Strip->Style() & TCS_FIXEDWIDTH);
  Strip->SetFlatSeperators(false);
  EXPECT_FALSE(Strip->FlatSeperators());
}

TEST_F(TabStripTest, InactiveTabsTakeTheirColourAndFont) {
  for (const char* s : {"One", "Two"}) Strip->Tabs().Add(s);
  Strip->SetTabIndex(0);
  Strip->SetColor(clWhite);
  Strip->TabInactiveFont().SetColor(clRed);
  Recorder().Clear();
  Strip->Repaint();
  COLORREF inactiveFill = 0, activeFill = 0;
  bool sawInactive = false, sawActive = false;
  TRect one = TabRect(0), two = TabRect(1);
  for (const TPaintCall& c : Recorder().Calls()) {
    if (c.Kind == TPaintKind::FillRect && c.Rect.Left >= two.Left && c.Rect.Right <= two.Right && c.Rect.Top >= two.Top) {
      inactiveFill = c.Brush.Color;
      sawInactive = true;
    }
    TPoint mid{(one.Left + one.Right) / 2, (one.Top + one.Bottom) / 2};
    if (c.Kind == TPaintKind::FillRect && PtInRect(c.Rect, mid) && c.Rect.Width() < one.Width() + 8) {
      activeFill = c.Brush.Color;
      sawActive = true;
    }
  }
  EXPECT_TRUE(sawInactive && sawActive);
  EXPECT_EQ(inactiveFill, RGB(160, 160, 164));
  EXPECT_EQ(activeFill, RGB(255, 255, 255));
  const TPaintCall* twoText = nullptr;
  for (const auto* c : Recorder().TextCalls())
    if (c->Text == "Two") twoText = c;
  ASSERT_NE(twoText, nullptr);
  EXPECT_EQ(twoText->Color, RGB(255, 0, 0));
}

TEST_F(TabStripTest, VerticalTabsDrawTheirTextTurned) {
  Strip->SetVerticalTabs(true);
  Strip->SetTextRotation(trVertical);
  Strip->Tabs().Add("Left");
  Recorder().Clear();
  Strip->Repaint();
  const TPaintCall* t = nullptr;
  for (const auto* c : Recorder().TextCalls())
    if (c->Text == "Left") t = c;
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->Font.Orientation, 900);
  Strip->SetTabPosition(tpBottomRight);
  Recorder().Clear();
  Strip->Repaint();
  t = nullptr;
  for (const auto* c : Recorder().TextCalls())
    if (c->Text == "Left") t = c;
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->Font.Orientation, 2700);
}

TEST_F(TabStripTest, HintsTrackingAndShifting) {
  for (const char* s : {"A", "B", "C"}) Strip->Tabs().Add(s);
  Strip->TabHints().Add(" first ");
  Strip->TabHints().Add("second");
  std::vector<int> tracked;
  Strip->OnTabTrack = [&](TObject*, int i) { tracked.push_back(i); };
  int shifted = 0;
  Strip->OnTabShift = [&](TObject*) { ++shifted; };
  TRect a = TabRect(0), c = TabRect(2);
  MouseMove(*Strip, a.Left + 3, a.Top + 3);
  EXPECT_EQ(Strip->Hint(), "first");
  MouseMove(*Strip, c.Left + 3, c.Top + 3);
  EXPECT_EQ(tracked, (std::vector<int>{0, 2}));
  Strip->SetAllowTabShifting(true);
  Strip->SetTabIndex(0);
  MouseDown(*Strip, a.Left + 3, a.Top + 3);
  MouseMove(*Strip, c.Left + 3, c.Top + 3, {ssLeft});
  EXPECT_EQ(Strip->Cursor(), crDrag);
  MouseUp(*Strip, c.Left + 3, c.Top + 3);
  EXPECT_EQ(shifted, 1);
  EXPECT_EQ(Strip->Tabs().Strings(2), "A");
  EXPECT_EQ(Strip->Tabs().Strings(0), "B");
  EXPECT_EQ(Strip->Cursor(), crDefault);
}

TEST_F(TabStripTest, AcceleratorSelectsItsTab) {
  for (const char* s : {"&First", "&Second"}) Strip->Tabs().Add(s);
  int changes = 0;
  Strip->OnChange = [&](TObject*) { ++changes; };
  Strip->SetTabIndex(0);
  Strip->Perform(CM_DIALOGCHAR, 's');
  EXPECT_EQ(Strip->TabIndex(), 1);
  EXPECT_EQ(changes, 1);
}

}  // namespace
