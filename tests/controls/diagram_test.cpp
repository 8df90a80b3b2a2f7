// The diagram control on the headless backend: items and their names, free places, links and
// their drawings, hit tests, selection and scrolling.
#include <gtest/gtest.h>

#include "controls/diagram.h"
#include "platform/ui/scroll_bars.h"
#include "tests/platform/headless/headless_form_test.h"

namespace {

using namespace HeadlessInput;

class DiagramTest : public HeadlessFormTest {
protected:
  DiagramTest() : HeadlessFormTest(800, 600) {
    D = Make<TDgDiagram>(0, 0, 400, 300);
    D->HandleNeeded();
    D->OnChangeSelection = [this](TObject*) { ++SelectionChanges; };
  }
  TDgDiagramItem* Item(int left, int top) {
    TDgDiagramItem* i = D->Items().Add();
    i->SetBounds(left, top, 89, 89);
    return i;
  }
  TDgDiagramLink* Link(const std::string& a, const std::string& b) {
    TDgDiagramLink* l = D->Links().Add();
    l->SetBeginItemName(a);
    l->SetEndItemName(b);
    return l;
  }
  TRecordingPainter& Recorder() { return HeadlessPeer(*D)->Recorder(); }
  TDgDiagram* D;
  int SelectionChanges = 0;
};

TEST_F(DiagramTest, NewDiagramDefaults) {
  TDgDiagram fresh(nullptr);
  EXPECT_EQ(fresh.DiagramWidth(), 1000);
  EXPECT_EQ(fresh.DiagramHeight(), 1000);
  EXPECT_EQ(fresh.ScrollBars(), ssBoth);
  EXPECT_EQ(fresh.Width(), 185);
  EXPECT_EQ(fresh.Height(), 89);
}

TEST_F(DiagramTest, ItemsGetNamesAndFreePlacesThatDoNotTouch) {
  TDgDiagramItem* a = D->Items().Add();
  TDgDiagramItem* b = D->Items().Add();
  TDgDiagramItem* c = D->Items().Add();
  EXPECT_EQ(a->Name(), "Item1");
  EXPECT_EQ(b->Name(), "Item2");
  EXPECT_EQ(c->Name(), "Item3");
  EXPECT_EQ(a->Caption(), "Item1");
  for (TDgDiagramItem* i : {a, b, c}) {
    EXPECT_EQ(i->Left() % 20, 0);
    EXPECT_EQ(i->Top() % 20, 0);
    ASSERT_NE(i->Panel(), nullptr);
  }
  EXPECT_EQ(a->Left(), 0);
  EXPECT_EQ(b->Left(), 100);  // 89 wide: 80 would touch, 100 is the first free step
  EXPECT_EQ(c->Left(), 200);
  EXPECT_EQ(b->Panel()->Left(), 100);
}

TEST_F(DiagramTest, FreePlaceTreatsTouchingAsOverlapping) {
  D->AutoItemPos = false;
  Item(0, 0);
  EXPECT_EQ(D->FindFreePlace(89, 89).X, 100);
  TDgDiagramItem* touching = Item(89, 0);
  (void)touching;
  EXPECT_EQ(D->FindFreePlace(89, 89).X, 180);  // 100 meets the item at 89 .. 178
}

TEST_F(DiagramTest, RenamingChecksAndCaptions) {
  TDgDiagramItem* a = D->Items().Add();
  TDgDiagramItem* b = D->Items().Add();
  b->SetCaption("Own caption");
  a->SetName("ITEM1");  // its own name in another case passes
  EXPECT_EQ(a->Name(), "ITEM1");
  EXPECT_EQ(a->Caption(), "ITEM1");  // the caption followed the old name
  try {
    a->SetName("item2");
    ADD_FAILURE() << "a taken name passed";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Item item2 already exist");
  }
  try {
    a->SetName("1 bad");
    ADD_FAILURE() << "a bad name passed";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Invalid item name: 1 bad");
  }
  EXPECT_EQ(a->Name(), "ITEM1");
  b->SetName("Parent");
  EXPECT_EQ(b->Caption(), "Own caption");
  EXPECT_EQ(D->Items().FindItem("parent"), b);
}

TEST_F(DiagramTest, LinkGeometryAndItsDrawing) {
  D->AutoItemPos = false;
  TDgDiagramItem* a = Item(10, 20);
  TDgDiagramItem* b = Item(200, 100);
  a->SetName("A");
  b->SetName("B");
  Recorder().Clear();
  TDgDiagramLink* l = Link("A", "B");
  ASSERT_NE(D->LinkDrawCache(), nullptr);
  ASSERT_EQ(D->LinkDrawCache()->size(), 1u);
  auto* info = dynamic_cast<TDgStdLinkDrawInfo*>((*D->LinkDrawCache())[0].DrawInfo.get());
  ASSERT_NE(info, nullptr);
  EXPECT_TRUE(info->LeftToRight);
  const int lift = 1 + 15 / 2;  // border and half the small caption
  EXPECT_EQ(info->BeginPoint, (TPoint{99, 20 + lift}));
  EXPECT_EQ(info->EndPoint, (TPoint{200, 100 + lift}));
  EXPECT_EQ(info->BeginBend, (TPoint{113, 20 + lift}));
  EXPECT_EQ(info->EndBend, (TPoint{186, 100 + lift}));
  EXPECT_EQ(l->DrawIndex(), 0);
  // The drawing: a line between the bends and two 3-pixel bars to the items.
  bool line = false, bar = false;
  for (const TPaintCall& c : Recorder().Calls()) {
    if (c.Kind == TPaintKind::Polyline && c.Points.size() == 2 && c.Points[0] == info->BeginBend &&
        c.Points[1] == info->EndBend)
      line = true;
    if (c.Kind == TPaintKind::FillRect && c.Rect == Rect(99, 20 + lift - 1, 113, 20 + lift + 2)) bar = true;
  }
  EXPECT_TRUE(line);
  EXPECT_TRUE(bar);
}

TEST_F(DiagramTest, ItemsOneAboveTheOtherAreJoinedTopToBottom) {
  // A child below its parent, a little to the right: the side bars would run inside the items
  // and the line behind them, so the link joins the facing edges' middles instead.
  D->AutoItemPos = false;
  Item(100, 10)->SetName("P");
  Item(120, 150)->SetName("C");
  Recorder().Clear();
  Link("C", "P");
  auto* info = dynamic_cast<TDgStdLinkDrawInfo*>((*D->LinkDrawCache())[0].DrawInfo.get());
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->BeginPoint, (TPoint{120 + 44, 150}));
  EXPECT_EQ(info->BeginBend, (TPoint{120 + 44, 150 - 14}));
  EXPECT_EQ(info->EndPoint, (TPoint{100 + 44, 10 + 89}));
  EXPECT_EQ(info->EndBend, (TPoint{100 + 44, 10 + 89 + 14}));
  // The bars run down from the edges, outside both items.
  bool down = false, across = false;
  for (const TPaintCall& c : Recorder().Calls()) {
    if (c.Kind != TPaintKind::FillRect) continue;
    down = down || c.Rect == Rect(163, 136, 166, 150);
    across = across || (c.Rect.Bottom - c.Rect.Top == 3 && c.Rect.Right - c.Rect.Left == 14);
  }
  EXPECT_TRUE(down);
  EXPECT_FALSE(across);
  EXPECT_NE(D->Links().LinkAt(154, 125), nullptr);
}

TEST_F(DiagramTest, HitTestsOnADiagonalLink) {
  D->AutoItemPos = false;
  Item(0, 0)->SetName("A");
  Item(217, 100)->SetName("B");
  Link("A", "B");
  auto* info = dynamic_cast<TDgStdLinkDrawInfo*>((*D->LinkDrawCache())[0].DrawInfo.get());
  ASSERT_NE(info, nullptr);
  // The bends run at 45 degrees from (103, 8) to (203, 108): the line y = x - 95.
  EXPECT_EQ(info->BeginBend, (TPoint{103, 8}));
  EXPECT_EQ(info->EndBend, (TPoint{203, 108}));
  EXPECT_NE(D->Links().LinkAt(150, 55), nullptr);
  EXPECT_TRUE(D->IsOnLink(info, 150, 59));    // 4 below: 2.8 pixels off the line
  EXPECT_TRUE(D->IsOnLink(info, 154, 55));    // 4 beside: 2.8 off
  EXPECT_FALSE(D->IsOnLink(info, 150, 61));   // 6 below: 4.2 off
  EXPECT_FALSE(D->IsOnLink(info, 144, 55));   // 6 beside: 4.2 off
  EXPECT_FALSE(D->IsOnLink(info, 250, 150));  // on the line's extension, past its box
  EXPECT_EQ(D->Links().LinkAt(5, 250), nullptr);
}

TEST_F(DiagramTest, DeletedItemsLeaveTheirLinksUndrawn) {
  D->AutoItemPos = false;
  Item(0, 0)->SetName("A");
  Item(200, 0)->SetName("B");
  TDgDiagramLink* l = Link("A", "B");
  EXPECT_EQ(l->DrawIndex(), 0);
  D->Items().Delete(1);
  EXPECT_EQ(D->Links().Count(), 1);
  EXPECT_EQ(l->EndItem(), nullptr);
  EXPECT_EQ(l->DrawIndex(), -1);
  EXPECT_TRUE(D->LinkDrawCache()->empty());
  EXPECT_EQ(l->DisplayName(), "{A}-{B}");
  EXPECT_EQ(D->Links().LinkAt(150, 8), nullptr);
}

// Both lists: indexes of their entries, changes held back until the outermost update ends, and
// Clear deleting everything (the selection and the links' ends with it).
TEST_F(DiagramTest, ListsIndexGatherChangesInAnUpdateAndClear) {
  D->AutoItemPos = false;
  TDgDiagramItem* a = Item(0, 0);
  TDgDiagramItem* b = Item(200, 0);
  TDgDiagramLink* l = Link(a->Name(), b->Name());
  EXPECT_EQ(D->Items().IndexOf(b), 1);
  EXPECT_EQ(D->Items().IndexOf(nullptr), -1);
  EXPECT_EQ(D->Links().IndexOf(l), 0);

  D->Items().BeginUpdate();
  D->Items().BeginUpdate();
  a->SetBounds(40, 50, 89, 89);
  D->Items().EndUpdate();
  EXPECT_TRUE(D->Items().Updating());
  EXPECT_EQ(a->Panel()->Left(), 0) << "moved inside the update";
  D->Items().EndUpdate();
  EXPECT_FALSE(D->Items().Updating());
  EXPECT_EQ(a->Panel()->Left(), 40);
  EXPECT_EQ(a->Panel()->Top(), 50);

  D->SetSelectedItem(b);
  D->Items().Clear();
  EXPECT_EQ(D->Items().Count(), 0);
  EXPECT_EQ(D->SelectedItem(), nullptr);
  EXPECT_EQ(l->BeginItem(), nullptr);
  EXPECT_EQ(l->EndItem(), nullptr);
  D->Links().Clear();
  EXPECT_EQ(D->Links().Count(), 0);
  EXPECT_TRUE(D->LinkDrawCache()->empty());
}

TEST_F(DiagramTest, SelectingALinkDeselectsTheItemAndEachChangeFiresOnce) {
  D->AutoItemPos = false;
  TDgDiagramItem* a = Item(0, 0);
  a->SetName("A");
  Item(200, 0)->SetName("B");
  TDgDiagramLink* l = Link("A", "B");
  D->SetSelectedItem(a);
  EXPECT_EQ(SelectionChanges, 1);
  D->SetSelectedLink(l);
  EXPECT_EQ(D->SelectedItem(), nullptr);
  EXPECT_EQ(SelectionChanges, 2);
  auto* info = dynamic_cast<TDgStdLinkDrawInfo*>((*D->LinkDrawCache())[0].DrawInfo.get());
  EXPECT_TRUE(info->Selected);
  D->SetSelectedItem(a);
  EXPECT_EQ(D->SelectedLink(), nullptr);
  EXPECT_EQ(SelectionChanges, 3);
  D->SetSelectedItem(a);  // no change: no event
  EXPECT_EQ(SelectionChanges, 3);
  a->SetVisible(false);
  EXPECT_EQ(D->SelectedItem(), nullptr);
  EXPECT_THROW(D->SetSelectedItem(a), EDgDiagram);
  l->SetVisible(false);
  try {
    D->SetSelectedLink(l);
    ADD_FAILURE();
  } catch (const EDgDiagram& e) {
    EXPECT_STREQ(e.what(), "Can not select invisible link");
  }
}

TEST_F(DiagramTest, ClicksSelectLinksAndItems) {
  D->AutoItemPos = false;
  TDgDiagramItem* a = Item(0, 0);
  a->SetName("A");
  Item(200, 0)->SetName("B");
  TDgDiagramLink* l = Link("A", "B");
  Click(*D, 150, 8);
  EXPECT_EQ(D->SelectedLink(), l);
  Click(*a->Panel(), 40, 50);
  EXPECT_EQ(D->SelectedItem(), a);
  EXPECT_EQ(D->SelectedLink(), nullptr);
  Click(*D, 150, 250);
  EXPECT_EQ(D->SelectedItem(), nullptr);
}

TEST_F(DiagramTest, DraggingACaptionMovesTheItemAndItsLink) {
  D->AutoItemPos = false;
  TDgDiagramItem* a = Item(0, 0);
  a->SetName("A");
  Item(200, 0)->SetName("B");
  Link("A", "B");
  int changes = 0;
  D->OnChange = [&](TObject*) { ++changes; };
  TDgDiagramItemPanel* p = a->Panel();
  MouseDown(*p, 30, 5);
  MouseMove(*p, 60, 45, {ssLeft});
  MouseUp(*p, 60, 45);
  EXPECT_EQ(a->Left(), 30);
  EXPECT_EQ(a->Top(), 40);
  EXPECT_GT(changes, 0);
  auto* info = dynamic_cast<TDgStdLinkDrawInfo*>((*D->LinkDrawCache())[0].DrawInfo.get());
  EXPECT_EQ(info->BeginPoint, (TPoint{30 + 89, 40 + 8}));
  // The frame's corner resizes.
  MouseDown(*p, 86, 86);
  MouseMove(*p, 106, 96, {ssLeft});
  MouseUp(*p, 106, 96);
  EXPECT_EQ(a->Width(), 109);
  EXPECT_EQ(a->Height(), 99);
}

TEST_F(DiagramTest, ScrollingClampsAndMovesThePanels) {
  D->SetScrollBars(ssNone);
  TDgDiagramItem* a = D->Items().Add();
  a->SetBounds(300, 300, 89, 89);
  int cw = D->ClientWidth(), ch = D->ClientHeight();
  D->ScrollDiagram(-50, -50);
  EXPECT_EQ(D->HorzPos(), 0);
  D->ScrollDiagram(5000, 5000);
  EXPECT_EQ(D->HorzPos(), 1000 - cw);
  EXPECT_EQ(D->VertPos(), 1000 - ch);
  EXPECT_EQ(a->Panel()->Left(), 300 - D->HorzPos());
  EXPECT_EQ(a->Left(), 300);  // the item keeps its diagram place
  // Smaller than the window: never a negative offset.
  D->SetDiagramWidth(100);
  D->SetDiagramHeight(100);
  D->ScrollDiagram(-10000, -10000);
  D->ScrollDiagram(50, 50);
  EXPECT_EQ(D->HorzPos(), 0);
  EXPECT_EQ(D->VertPos(), 0);
  D->SetDiagramWidth(1000);
  D->SetDiagramHeight(1000);
  D->ThumbTrack = false;
  D->Perform(WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 200));
  EXPECT_EQ(D->HorzPos(), 0);
  D->Perform(WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 200));
  EXPECT_EQ(D->HorzPos(), 200);
  D->Perform(WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0));
  EXPECT_EQ(D->VertPos(), 10);
  D->ScrollInView(a);
  EXPECT_EQ(D->HorzPos(), 200);  // already in view across
  D->Items().Add()->SetBounds(900, 900, 89, 89);
  D->ScrollInView(D->Items().Items(1));
  EXPECT_EQ(D->HorzPos(), 989 - cw);
}

TEST_F(DiagramTest, TabWalksTheVisibleItems) {
  D->AutoItemPos = true;
  TDgDiagramItem* a = D->Items().Add();
  TDgDiagramItem* b = D->Items().Add();
  TDgDiagramItem* c = D->Items().Add();
  b->SetVisible(false);
  WORD key = VK_TAB;
  D->Perform(WM_KEYDOWN, key);
  EXPECT_EQ(D->SelectedItem(), a);
  D->Perform(WM_KEYDOWN, key);
  EXPECT_EQ(D->SelectedItem(), c);
  D->Perform(WM_KEYDOWN, key);
  EXPECT_EQ(D->SelectedItem(), a);  // wrapped
  SetKeyboardShiftState({ssShift});
  D->Perform(WM_KEYDOWN, key);
  SetKeyboardShiftState({});
  EXPECT_EQ(D->SelectedItem(), c);
}

TEST_F(DiagramTest, AssigningItemsAndLinksCopiesThem) {
  D->AutoItemPos = false;
  Item(0, 0)->SetName("A");
  Item(200, 0)->SetName("B");
  D->Items().Items(1)->SetCaption("Bee");
  Link("A", "B")->SetColor(clRed);
  TDgDiagram copy(&Form);
  copy.SetParent(&Form);
  copy.SetBounds(0, 300, 400, 300);
  copy.SetItems(D->Items());
  copy.SetLinks(D->Links());
  ASSERT_EQ(copy.Items().Count(), 2);
  EXPECT_EQ(copy.Items().Items(1)->Name(), "B");
  EXPECT_EQ(copy.Items().Items(1)->Caption(), "Bee");
  EXPECT_EQ(copy.Items().Items(1)->Left(), 200);
  ASSERT_EQ(copy.Links().Count(), 1);
  EXPECT_EQ(copy.Links().Items(0)->BeginItem(), copy.Items().Items(0));
  EXPECT_EQ(copy.Links().Items(0)->Color(), clRed);
}

TEST_F(DiagramTest, APressInAnItemDragsTheDiagramWhenItDragsItself) {
  TDgDiagramItem* a = D->Items().Add();
  D->SetDragMode(dmAutomatic);
  MouseDown(*a->Panel(), 40, 50);
  MouseMove(*a->Panel(), 80, 90, {ssLeft});
  EXPECT_TRUE(D->Dragging());
  MouseUp(*a->Panel(), 80, 90);
  EXPECT_FALSE(D->Dragging());
  EXPECT_EQ(a->Left(), 0);  // the item stayed
}

}  // namespace
