#include "platform/ui/header_control.h"

#include <gtest/gtest.h>

#include "platform/headless/event_loop_poll.h"
#include "platform/headless/headless_peer.h"

namespace {

// A parent that records the header's notifications and may answer some of them.
class TRecordingParent : public TCustomControl {
public:
  using TCustomControl::TCustomControl;
  std::vector<std::pair<UINT, int>> Log;  // code, item
  UINT Refuse = 0;                       // a code to answer non-zero
  int Answer = 0;

protected:
  void WndProc(TMessage& m) override {
    if (m.Msg == WM_NOTIFY) {
      auto* h = reinterpret_cast<NMHDR*>(m.LParam);
      int item = h->code == NM_RCLICK ? -1 : reinterpret_cast<NMHEADER*>(h)->iItem;
      Log.emplace_back(h->code, item);
      if (h->code == Refuse) {
        m.Result = Answer;
        return;
      }
    }
    TCustomControl::WndProc(m);
  }
};

class HeaderControlTest : public ::testing::Test {
protected:
  void SetUp() override {
    InstallHeadlessBackend();
    FLoop.UseFakeClock();
    FSaved = CurrentEventLoop();
    SetCurrentEventLoop(&FLoop);
    Parent.SetBounds(0, 0, 400, 200);
    Header.SetParent(&Parent);
    Header.SetBounds(0, 0, 300, 40);
    Header.AddSection("Name", 100);
    Header.AddSection("Date", 80);
  }
  void TearDown() override { SetCurrentEventLoop(FSaved); }

  int Count(UINT code) const {
    int n = 0;
    for (auto& e : Parent.Log) n += e.first == code;
    return n;
  }

  TPollEventLoop FLoop{false};
  TEventLoop* FSaved = nullptr;
  TRecordingParent Parent{nullptr};
  THeaderControl Header{nullptr};
};

TEST_F(HeaderControlTest, FilterChangeIsToldOnceTheTimeOutPassesWithoutTyping) {
  Header.SetFilterBar(true);
  Header.SetBounds(0, 0, 300, Header.PreferredHeight());
  EXPECT_EQ(Header.Perform(HDM_SETFILTERCHANGETIMEOUT, 0, 300), 1000);
  const int filterY = Header.PreferredHeight() - 3;
  UINT flags = 0;
  EXPECT_EQ(Header.HitTest(130, filterY, &flags), 1);
  EXPECT_EQ(flags, UINT{HHT_ONFILTER});
  HeadlessInput::Click(Header, 130, filterY);
  ASSERT_NE(Header.FilterEdit(), nullptr);
  EXPECT_EQ(Header.EditingFilter(), 1);

  HeadlessInput::Type(*Header.FilterEdit(), "ab");
  EXPECT_EQ(HeadlessPeer(Header)->Timers().at(0x1216), 300u);
  FLoop.AdvanceClock(299);
  EXPECT_EQ(Count(HDN_FILTERCHANGE), 0);
  HeadlessInput::Type(*Header.FilterEdit(), "c");  // starts the wait again
  FLoop.AdvanceClock(299);
  EXPECT_EQ(Count(HDN_FILTERCHANGE), 0);
  FLoop.AdvanceClock(1);
  ASSERT_EQ(Count(HDN_FILTERCHANGE), 1);
  EXPECT_EQ(Parent.Log.back(), std::make_pair(UINT{HDN_FILTERCHANGE}, 1));
  FLoop.AdvanceClock(1000);
  EXPECT_EQ(Count(HDN_FILTERCHANGE), 1);  // once

  char text[3];
  HDTEXTFILTER filter{text, sizeof text};
  HDITEM item;
  item.mask = HDI_FILTER;
  item.pvFilter = &filter;
  EXPECT_EQ(Header.Perform(HDM_GETITEM, 1, reinterpret_cast<LPARAM>(&item)), TRUE);
  EXPECT_STREQ(text, "ab");  // cut to the buffer
  EXPECT_EQ(Header.Sections(1)->FilterText(), "abc");

  // Escape puts the text back as it was when the edit began, and tells it.
  HeadlessInput::Type(*Header.FilterEdit(), "d");
  HeadlessInput::Key(*Header.FilterEdit(), VK_ESCAPE);
  EXPECT_EQ(Header.Sections(1)->FilterText(), "");
  EXPECT_EQ(Count(HDN_FILTERCHANGE), 2);
  EXPECT_EQ(Header.EditingFilter(), -1);
  FLoop.AdvanceClock(1000);
  EXPECT_EQ(Count(HDN_FILTERCHANGE), 2);
}

TEST_F(HeaderControlTest, FilterButtonAsksAndAYesTellsTheChange) {
  Header.SetFilterBar(true);
  Header.SetBounds(0, 0, 300, Header.PreferredHeight());
  TRect button = Header.FilterButtonRect(0);
  ASSERT_FALSE(IsRectEmpty(button));
  HeadlessInput::Click(Header, button.Left + 2, button.Top + 2);
  EXPECT_EQ(Count(HDN_FILTERBTNCLICK), 1);
  EXPECT_EQ(Count(HDN_FILTERCHANGE), 0);
  Parent.Refuse = HDN_FILTERBTNCLICK;
  Parent.Answer = 1;
  HeadlessInput::Click(Header, button.Left + 2, button.Top + 2);
  EXPECT_EQ(Count(HDN_FILTERCHANGE), 1);
  Header.ClearFilter(-1);
  EXPECT_EQ(Parent.Log.back(), std::make_pair(UINT{HDN_FILTERCHANGE}, -1));
}

TEST_F(HeaderControlTest, TrackingDragsTheDividerWithinTheLimitsUnlessRefused) {
  Header.Sections(0)->SetMinWidth(60);
  std::vector<TSectionTrackState> states;
  Header.OnSectionTrack = [&](THeaderControl*, THeaderSection*, int, TSectionTrackState s) { states.push_back(s); };
  int resized = 0;
  Header.OnSectionResize = [&](THeaderControl*, THeaderSection*) { ++resized; };
  HeadlessInput::MouseDown(Header, 100, 5);  // on the divider after "Name"
  HeadlessInput::MouseMove(Header, 120, 5, {ssLeft});
  EXPECT_EQ(Header.Sections(0)->Width(), 120);
  EXPECT_EQ(Header.Sections(1)->Left(), 120);
  HeadlessInput::MouseMove(Header, 10, 5, {ssLeft});
  EXPECT_EQ(Header.Sections(0)->Width(), 60);
  HeadlessInput::MouseUp(Header, 10, 5);
  EXPECT_EQ(states, (std::vector<TSectionTrackState>{tsTrackBegin, tsTrackMove, tsTrackMove, tsTrackEnd}));
  EXPECT_EQ(resized, 1);

  Parent.Refuse = HDN_BEGINTRACK;
  Parent.Answer = 1;
  HeadlessInput::MouseDown(Header, 60, 5);
  HeadlessInput::MouseMove(Header, 90, 5, {ssLeft});
  HeadlessInput::MouseUp(Header, 90, 5);
  EXPECT_EQ(Header.Sections(0)->Width(), 60);
}

TEST_F(HeaderControlTest, ClicksDragsAndRightClicksAreTold) {
  std::vector<std::string> clicked;
  Header.OnSectionClick = [&](THeaderControl*, THeaderSection* s) { clicked.push_back(s->Text()); };
  HeadlessInput::Click(Header, 140, 5);
  EXPECT_EQ(clicked, std::vector<std::string>{"Date"});

  // Without the drag style a press and move is no drag.
  HeadlessInput::MouseDown(Header, 20, 5);
  HeadlessInput::MouseMove(Header, 170, 5, {ssLeft});
  HeadlessInput::MouseUp(Header, 170, 5);
  EXPECT_EQ(Header.Order(), (std::vector<int>{0, 1}));

  Header.SetDragReorder(true);
  HeadlessInput::MouseDown(Header, 20, 5);
  HeadlessInput::MouseMove(Header, 170, 5, {ssLeft});
  HeadlessInput::MouseUp(Header, 170, 5);
  EXPECT_EQ(Header.Order(), (std::vector<int>{1, 0}));
  EXPECT_EQ(Count(HDN_BEGINDRAG), 1);
  EXPECT_EQ(Count(HDN_ENDDRAG), 1);
  EXPECT_EQ(Header.Sections(0)->Left(), 80);
  EXPECT_EQ(Header.HitTest(10, 5), 1);

  HeadlessInput::MouseDown(Header, 20, 5, mbRight);
  HeadlessInput::MouseUp(Header, 20, 5, mbRight);
  EXPECT_EQ(Parent.Log.back().first, NM_RCLICK);
}

TEST_F(HeaderControlTest, ItemMessagesAndOwnerDrawnSections) {
  char name[] = "Amount";
  HDITEM item;
  item.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT | HDI_ORDER;
  item.pszText = name;
  item.cxy = 70;
  item.fmt = HDF_STRING | HDF_RIGHT | HDF_OWNERDRAW;
  item.iOrder = 0;
  EXPECT_EQ(Header.Perform(HDM_INSERTITEM, 9, reinterpret_cast<LPARAM>(&item)), 2);
  EXPECT_EQ(Header.Perform(HDM_GETITEMCOUNT), 3);
  EXPECT_EQ(Header.Order(), (std::vector<int>{2, 0, 1}));
  EXPECT_EQ(Header.Sections(2)->Alignment(), taRightJustify);
  EXPECT_EQ(Header.OrderToIndex(0), 2);
  int order[3];
  EXPECT_EQ(Header.Perform(HDM_GETORDERARRAY, 3, reinterpret_cast<LPARAM>(order)), TRUE);
  EXPECT_EQ(order[0], 2);
  int bad[3] = {0, 0, 1};
  EXPECT_EQ(Header.Perform(HDM_SETORDERARRAY, 3, reinterpret_cast<LPARAM>(bad)), FALSE);

  HDHITTESTINFO hit;
  hit.pt = {70, 5};  // the divider after "Amount"
  EXPECT_EQ(Header.Perform(HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)), 2);
  EXPECT_EQ(hit.flags, UINT{HHT_ONDIVIDER});
  hit.pt = {500, 5};
  EXPECT_EQ(Header.Perform(HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)), -1);
  EXPECT_EQ(hit.flags, UINT{HHT_TORIGHT});

  std::vector<std::string> drawn;
  Header.OnDrawSection = [&](THeaderControl*, THeaderSection* s, const TRect& r, bool) {
    drawn.push_back(s->Text() + "@" + std::to_string(r.Left));
  };
  Header.Repaint();
  EXPECT_EQ(drawn, std::vector<std::string>{"Amount@0"});
}

}  // namespace
