// List and combo boxes hand their peer only what changed in their items: a long list filled item
// by item costs the peer each item once, and the peer's items stay those of the control through
// additions, insertions, deletions and whole-list changes.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/headless/headless_peer.h"
#include "platform/ui/list_controls.h"
#include "platform/ui/null_peer.h"
#include "tests/linear_time.h"

namespace {

// What a native list or combo widget holds, and how many item texts it was handed.
struct TMirror {
  std::vector<std::string> Items;
  long long Handed = 0;
  int Calls = 0;
  int ItemIndex = -1;
  void Set(const std::vector<std::string>& items) {
    Items = items;
    Handed += static_cast<long long>(items.size());
    ++Calls;
  }
  void Insert(int index, const std::vector<std::string>& items) {
    ASSERT_GE(index, 0);
    ASSERT_LE(index, static_cast<int>(Items.size()));
    Items.insert(Items.begin() + index, items.begin(), items.end());
    Handed += static_cast<long long>(items.size());
    ++Calls;
  }
  void Delete(int index, int count) {
    ASSERT_GE(index, 0);
    ASSERT_LE(index + count, static_cast<int>(Items.size()));
    Items.erase(Items.begin() + index, Items.begin() + index + count);
    ++Calls;
  }
};

TMirror* gMirror = nullptr;

// The items of either kind of peer go into the mirror.
template <class P>
class TMirrorPeer : public TNullPeer, public P {
public:
  using TNullPeer::TNullPeer;
  void SetFont(const TFont&) override {}
  void SetColor(TColor) override {}
  void SetItems(const std::vector<std::string>& items) override { gMirror->Set(items); }
  void InsertItems(int index, const std::vector<std::string>& items) override { gMirror->Insert(index, items); }
  void DeleteItems(int index, int count) override { gMirror->Delete(index, count); }
  void SetItemIndex(int index) override { gMirror->ItemIndex = index; }
};

class TMirrorListPeer : public TMirrorPeer<TListPeer> {
public:
  using TMirrorPeer::TMirrorPeer;
  void SetMultiSelect(bool) override {}
  void SetSelected(const std::vector<bool>& selected) override { gMirror->Handed += static_cast<long long>(selected.size()); }
  void SetOwnerDraw(bool, int) override {}
  void SetTopIndex(int) override {}
  int TopIndex() const override { return 0; }
  int ItemAtPos(TPoint) const override { return -1; }
  TRect ItemRect(int) const override { return {}; }
};

class TMirrorComboPeer : public TMirrorPeer<TComboPeer> {
public:
  using TMirrorPeer::TMirrorPeer;
  void SetEditText(const std::string&) override {}
  void SetSelection(int, int) override {}
  void SetStyle(int, int) override {}
  void SetDropDownCount(int) override {}
  void SetDroppedWidth(int) override {}
  void SetDroppedDown(bool) override {}
};

class ListItems : public ::testing::Test {
protected:
  void SetUp() override {
    InstallHeadlessBackend();
    gMirror = &mirror;
    RegisterWindowClass("LISTBOX", [](TWinControl& c) { return std::make_unique<TMirrorListPeer>(c); });
    RegisterWindowClass("COMBOBOX", [](TWinControl& c) { return std::make_unique<TMirrorComboPeer>(c); });
  }
  void TearDown() override {
    ClearWindowClasses();
    InstallHeadlessBackend();
    gMirror = nullptr;
  }
  static std::vector<std::string> Texts(TStrings& items) { return items.ToVector(); }
  TMirror mirror;
};

// The 100,000 items of a list box and of a combo box, added one by one and read back: the peer
// is handed each item once (passing the whole list for each item handed it five billion), and
// the control's processor time grows with the number of items, not with its square.
TEST_F(ListItems, AHundredThousandItemsGoInAndComeBackInLinearTime) {
  const auto FillList = [&](long n) {
    gMirror = &(mirror = TMirror{});
    TListBox list(nullptr);
    list.HandleNeeded();
    EXPECT_NE(dynamic_cast<TListPeer*>(list.Handle()), nullptr);
    std::vector<std::string> read;
    const double seconds = ThreadCpuSeconds([&] {
      for (long i = 0; i < n; ++i) list.Items().Add("item " + std::to_string(i));
      for (int i = 0; i < list.Items().Count(); ++i) read.push_back(list.Items()[i]);
    });
    EXPECT_LE(mirror.Handed, 2 * n);
    EXPECT_EQ(read.size(), static_cast<std::size_t>(n));
    EXPECT_EQ(read[7654], "item 7654");
    EXPECT_EQ(mirror.Items, read);
    EXPECT_EQ(list.Perform(LB_GETCOUNT), n);
    return seconds;
  };
  const double listGrowth = Growth(FillList, 12500, 8);
  std::printf("list box, 12,500 to 100,000 items: %.1f times the processor time\n", listGrowth);
  EXPECT_LT(listGrowth, LinearGrowthBound(8));

  const auto FillCombo = [&](long n) {
    gMirror = &(mirror = TMirror{});
    TComboBox combo(nullptr);
    combo.HandleNeeded();
    std::vector<std::string> read;
    const double seconds = ThreadCpuSeconds([&] {
      for (long i = 0; i < n; ++i) combo.Perform(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(("entry " + std::to_string(i)).c_str()));
      for (int i = 0; i < combo.Items().Count(); ++i) read.push_back(combo.Items()[i]);
    });
    EXPECT_LE(mirror.Handed, 2 * n);
    EXPECT_EQ(read.size(), static_cast<std::size_t>(n));
    EXPECT_EQ(read.back(), "entry " + std::to_string(n - 1));
    EXPECT_EQ(mirror.Items, read);
    EXPECT_EQ(mirror.ItemIndex, -1) << "adding items chooses none";
    return seconds;
  };
  const double comboGrowth = Growth(FillCombo, 12500, 8);
  std::printf("combo box, 12,500 to 100,000 items: %.1f times the processor time\n", comboGrowth);
  EXPECT_LT(comboGrowth, LinearGrowthBound(8));
}

// Items added in one update reach the peer in one call; every other kind of change leaves the
// peer holding exactly the control's items.
TEST_F(ListItems, ThePeerFollowsEveryKindOfChange) {
  TListBox list(nullptr);
  list.HandleNeeded();
  mirror.Calls = 0;
  list.Items().BeginUpdate();
  for (int i = 0; i < 1000; ++i) list.Items().Add(std::to_string(i));
  list.Items().EndUpdate();
  EXPECT_EQ(mirror.Calls, 1);
  EXPECT_EQ(mirror.Items.size(), 1000u);

  list.Items().Insert(0, "first");
  list.Items().Insert(500, "middle");
  list.Items().Delete(3);
  list.Items().Move(10, 2);
  list.Items().Exchange(0, 1);
  list.Items().SetStrings(5, "five");
  EXPECT_EQ(mirror.Items, Texts(list.Items()));

  list.Items().BeginUpdate();
  list.Items().Delete(0);
  list.Items().Delete(0);
  list.Items().Add("end");
  list.Items().Insert(1, "one");
  list.Items().Insert(2, "two");
  list.Items().EndUpdate();
  EXPECT_EQ(mirror.Items, Texts(list.Items()));

  TStringList other;
  other.Add("b");
  other.Add("a");
  list.SetItems(other);
  EXPECT_EQ(mirror.Items, (std::vector<std::string>{"b", "a"}));
  list.SetSorted(true);
  EXPECT_EQ(mirror.Items, (std::vector<std::string>{"a", "b"}));
  list.Items().Add("aa");
  EXPECT_EQ(mirror.Items, (std::vector<std::string>{"a", "aa", "b"}));
  list.Clear();
  EXPECT_TRUE(mirror.Items.empty());

  // A failed change leaves the peer as it was.
  list.Items().Add("x");
  EXPECT_ANY_THROW(list.Items().Insert(0, "not in a sorted list"));
  EXPECT_EQ(mirror.Items, Texts(list.Items()));

  gMirror = &(mirror = TMirror{});
  TComboBox combo(nullptr);
  combo.HandleNeeded();
  combo.Items().SetText("x\r\ny\r\nz\r\n");
  combo.Items().Delete(1);
  combo.Items().Insert(0, "w");
  combo.SetItemIndex(2);
  combo.Items().Add("last");
  EXPECT_EQ(mirror.Items, Texts(combo.Items()));
  EXPECT_EQ(mirror.ItemIndex, 2);
  EXPECT_EQ(combo.Text(), "z");
}

// The chosen items of a multiple-selection list stay with their items when others go in or out
// before them.
TEST_F(ListItems, TheSelectionMovesWithItsItems) {
  TListBox list(nullptr);
  list.SetMultiSelect(true);
  for (const char* s : {"a", "b", "c", "d"}) list.Items().Add(s);
  list.SetSelected(2, true);
  list.Items().Insert(0, "new");
  EXPECT_TRUE(list.Selected(3));
  EXPECT_FALSE(list.Selected(2));
  list.Items().Delete(1);
  EXPECT_TRUE(list.Selected(2));
  EXPECT_EQ(list.Items()[2], "c");
  EXPECT_EQ(list.SelCount(), 1);
}

}  // namespace
