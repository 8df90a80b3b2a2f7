#include "platform/ui/tree_view.h"

#include <gtest/gtest.h>

#include "platform/headless/headless_peer.h"
#include "platform/rtl/component_stream.h"
#include "platform/ui/forms.h"
#include "platform/ui/scroll_bars.h"

namespace {

std::string LE32(std::int32_t v) {
  std::string s;
  for (int i = 0; i < 4; ++i) s += static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF);
  return s;
}

std::string NodeRecord(const std::string& text, int image, int selected, int state, int overlay, int data,
                       int children) {
  return LE32(25 + static_cast<int>(text.size())) + LE32(image) + LE32(selected) + LE32(state) +
         LE32(overlay) + LE32(data) + LE32(children) + static_cast<char>(text.size()) + text;
}

// Texts with their depth, depth first: "A,.B,..C".
std::string Shape(const TTreeView& tv) {
  std::string s;
  for (TTreeNode* n = tv.Items().GetFirstNode(); n; n = n->GetNext()) {
    if (!s.empty()) s += ",";
    s += std::string(static_cast<std::size_t>(n->Level()), '.') + n->Text();
  }
  return s;
}

class TreeViewTest : public ::testing::Test {
protected:
  void SetUp() override { InstallHeadlessBackend(); }

  // A: {B: {C}}, D with values set on A.
  void Fill(TTreeView& tv) {
    TTreeNode* a = tv.Items().Add(nullptr, "A");
    a->SetImageIndex(1);
    a->SetSelectedIndex(2);
    a->SetStateIndex(3);
    a->SetOverlayIndex(-1);
    a->SetData(reinterpret_cast<void*>(std::intptr_t{7}));
    TTreeNode* b = tv.Items().AddChild(a, "B");
    tv.Items().AddChild(b, "C");
    tv.Items().Add(a, "D");
  }
};

TEST_F(TreeViewTest, ItemsDataIsWrittenByteForByteAndReadBack) {
  TTreeView tv(nullptr);
  tv.SetName("DescriptionTree");
  Fill(tv);
  std::string payload = LE32(2) + NodeRecord("A", 1, 2, 3, -1, 7, 1) + NodeRecord("B", 0, 0, -1, -1, 0, 1) +
                        NodeRecord("C", 0, 0, -1, -1, 0, 0) + NodeRecord("D", 0, 0, -1, -1, 0, 0);
  std::string expected = std::string("TPF0") + "\x09" "TTreeView" + "\x0F" "DescriptionTree" + "\x0A" "Items.Data" +
                         "\x0A" + LE32(static_cast<int>(payload.size())) + payload + std::string(2, '\0');
  EXPECT_EQ(ComponentToBytes(&tv), expected);

  TTreeView back(nullptr);
  back.Items().Add(nullptr, "old");
  ComponentFromBytes(expected, &back);
  EXPECT_EQ(Shape(back), "A,.B,..C,D");
  TTreeNode* a = back.Items().GetFirstNode();
  EXPECT_EQ(a->ImageIndex(), 1);
  EXPECT_EQ(a->SelectedIndex(), 2);
  EXPECT_EQ(a->StateIndex(), 3);
  EXPECT_EQ(a->OverlayIndex(), -1);
  EXPECT_EQ(reinterpret_cast<std::intptr_t>(a->Data()), 7);
  EXPECT_EQ(back.Items().Count(), 4);
}

TEST_F(TreeViewTest, EmptyTreeWritesNoItemsDataAndLongTextsAreCutAtACharacter) {
  TTreeView tv(nullptr);
  tv.SetName("T");
  EXPECT_EQ(ComponentToBytes(&tv), std::string("TPF0") + "\x09" "TTreeView" + "\x01" "T" + std::string(2, '\0'));
  // 254 ASCII bytes and a two-byte letter: the letter does not fit and is left out whole.
  tv.Items().Add(nullptr, std::string(254, 'x') + "\xC3\xA9");
  TMemoryStream data;
  tv.Items().WriteData(data);
  data.SetPosition(0);
  TTreeView back(nullptr);
  back.Items().ReadData(data);
  EXPECT_EQ(back.Items().GetFirstNode()->Text(), std::string(254, 'x'));
}

TEST_F(TreeViewTest, LyingItemsDataRaisesAReadErrorAndKeepsTheTree) {
  const std::string good = LE32(1) + NodeRecord("A", 0, 0, -1, -1, 0, 1) + NodeRecord("B", 0, 0, -1, -1, 0, 0);
  struct TCase {
    const char* What;
    std::string Bytes;
  };
  std::string sizeLie = good;
  sizeLie[4] = 40;  // record size no longer matches the text length
  std::string lengthLie = good;
  lengthLie[4] = 125;  // size and length byte agree, and run past the end
  lengthLie[4 + 28] = 100;
  std::string deep = LE32(1);  // 300 levels, each node one child: deeper than a stream may nest
  for (int i = 0; i < 300; ++i) deep += NodeRecord("A", 0, 0, -1, -1, 0, i < 299 ? 1 : 0);
  const TCase cases[] = {
      {"nesting", deep},
      {"top count", LE32(1000000) + NodeRecord("A", 0, 0, -1, -1, 0, 0)},
      {"negative count", LE32(-1)},
      {"child count", LE32(1) + NodeRecord("A", 0, 0, -1, -1, 0, 5) + NodeRecord("B", 0, 0, -1, -1, 0, 0)},
      {"record size", sizeLie},
      {"text length", lengthLie},
      {"cut short", good.substr(0, good.size() - 1)},
      {"no count", std::string("\x01\x00", 2)},
  };
  for (const TCase& c : cases) {
    TTreeView tv(nullptr);
    tv.SetName("T");
    Fill(tv);
    TMemoryStream data;
    data.WriteString(c.Bytes);
    data.SetPosition(0);
    EXPECT_THROW(tv.Items().ReadData(data), EReadError) << c.What;
    EXPECT_EQ(Shape(tv), "A,.B,..C,D") << c.What;
    // The same through the component stream.
    std::string stream = std::string("TPF0") + "\x09" "TTreeView" + "\x01" "T" + "\x0A" "Items.Data" + "\x0A" +
                         LE32(static_cast<int>(c.Bytes.size())) + c.Bytes + std::string(2, '\0');
    EXPECT_THROW(ComponentFromBytes(stream, &tv), EReadError) << c.What;
    EXPECT_EQ(Shape(tv), "A,.B,..C,D") << c.What;
  }
}

TEST_F(TreeViewTest, TabIndentedTextBothWays) {
  TTreeView tv(nullptr);
  Fill(tv);
  TMemoryStream out;
  tv.SaveToStream(out);
  EXPECT_EQ(out.DataString(), "A\r\n\tB\r\n\t\tC\r\nD\r\n");

  TTreeView back(nullptr);
  TStringStream in("one\n\ttwo\n\t\tthree\n\tfour\nfive\r\n");
  back.LoadFromStream(in);
  EXPECT_EQ(Shape(back), "one,.two,..three,.four,five");

  // A line two levels deeper than the one before is refused; nothing changes.
  TStringStream bad("x\n\t\ty\n");
  try {
    back.LoadFromStream(bad);
    FAIL() << "expected a tree view error";
  } catch (const ETreeViewError& e) {
    EXPECT_STREQ(e.what(), "Invalid level (2) for item \"y\"");
  }
  EXPECT_EQ(Shape(back), "one,.two,..three,.four,five");
}

TEST_F(TreeViewTest, NodesAddInsertMoveAndDelete) {
  TTreeView tv(nullptr);
  TTreeNodes& items = tv.Items();
  TTreeNode* b = items.Add(nullptr, "b");
  TTreeNode* a = items.AddFirst(b, "a");
  TTreeNode* c = items.Insert(nullptr, "c");
  TTreeNode* b2 = items.AddChildFirst(b, "b2");
  items.AddChildFirst(b, "b1");
  items.Insert(b2, "b1.5");
  EXPECT_EQ(Shape(tv), "a,b,.b1,.b1.5,.b2,c");
  EXPECT_EQ(items.Count(), 6);
  EXPECT_EQ(items.Item(3)->Text(), "b1.5");
  EXPECT_EQ(b->Count(), 3);
  EXPECT_EQ(b->Item(2), b2);
  EXPECT_EQ(b2->AbsoluteIndex(), 4);
  EXPECT_THROW(b->Item(3), EListError);

  EXPECT_THROW(b->MoveTo(b2, naAddChild), ETreeViewError);  // into its own child
  b->MoveTo(a, naAddChild);
  EXPECT_EQ(Shape(tv), "a,.b,..b1,..b1.5,..b2,c");
  c->MoveTo(a, naInsert);
  EXPECT_EQ(Shape(tv), "c,a,.b,..b1,..b1.5,..b2");

  std::vector<std::string> deleted;
  tv.OnDeletion = [&](TObject*, TTreeNode* n) { deleted.push_back(n->Text()); };
  tv.SetSelected(b2);
  EXPECT_TRUE(a->Expanded());  // selecting shows the node
  items.Delete(b);
  EXPECT_EQ(deleted, (std::vector<std::string>{"b2", "b1.5", "b1", "b"}));
  EXPECT_EQ(tv.Selected(), nullptr);
  EXPECT_EQ(items.Count(), 2);
  EXPECT_FALSE(a->HasChildren());
}

TEST_F(TreeViewTest, AssignCopiesTheNodesWithTheirWholeData) {
  TTreeView from(nullptr), to(nullptr);
  Fill(from);
  int marker = 0;
  from.Items().Item(2)->SetData(&marker);  // a real pointer, wider than the stream's 32 bits
  to.Items().Add(nullptr, "old");
  to.SetItems(from.Items());
  EXPECT_EQ(Shape(to), "A,.B,..C,D");
  EXPECT_EQ(to.Items().Item(2)->Data(), &marker);
  EXPECT_EQ(to.Items().GetFirstNode()->StateIndex(), 3);
}

TEST_F(TreeViewTest, SortingKeepsTextOrderAndCustomOrders) {
  TTreeView tv(nullptr);
  tv.SetSortType(stText);
  TTreeNode* m = tv.Items().Add(nullptr, "mango");
  tv.Items().Add(nullptr, "Apple");
  tv.Items().Add(nullptr, "banana");
  tv.Items().AddChild(m, "z");
  tv.Items().AddChild(m, "k");
  EXPECT_EQ(Shape(tv), "Apple,banana,mango,.k,.z");
  m->SetText("aardvark");
  EXPECT_EQ(Shape(tv), "aardvark,.k,.z,Apple,banana");

  tv.SetSortType(stNone);
  tv.CustomSort([](TTreeNode* x, TTreeNode* y, LPARAM) {
    return static_cast<int>(y->Text().size()) - static_cast<int>(x->Text().size());
  }, 0, false);
  EXPECT_EQ(Shape(tv), "aardvark,.k,.z,banana,Apple");
}

TEST_F(TreeViewTest, ClicksSelectThroughOnChangingAndButtonsExpand) {
  TTreeView tv(nullptr);
  tv.SetBounds(0, 0, 200, 200);
  Fill(tv);
  const int h = tv.ItemHeight();
  TTreeNode* a = tv.Items().GetFirstNode();
  TTreeNode* d = a->getNextSibling();
  EXPECT_EQ(tv.GetNodeAt(50, h + 1), d);  // A is collapsed: D is the second row
  bool allow = false;
  std::vector<std::string> changes;
  tv.OnChanging = [&](TObject*, TTreeNode*, bool& ok) { ok = allow; };
  tv.OnChange = [&](TObject*, TTreeNode* n) { changes.push_back(n->Text()); };
  HeadlessInput::Click(tv, 50, h + 1);
  EXPECT_EQ(tv.Selected(), nullptr);
  allow = true;
  HeadlessInput::Click(tv, 50, h + 1);
  EXPECT_EQ(tv.Selected(), d);
  EXPECT_EQ(changes, std::vector<std::string>{"D"});

  // The button left of A expands it: B takes the second row.
  HeadlessInput::Click(tv, tv.Indent() / 2, h / 2);
  EXPECT_TRUE(a->Expanded());
  EXPECT_EQ(tv.GetNodeAt(50, h + 1)->Text(), "B");
  WORD key = VK_UP;
  tv.Perform(WM_KEYDOWN, key, 0);
  EXPECT_EQ(tv.Selected()->Text(), "B");  // the row above D
  tv.Perform(WM_KEYDOWN, VK_LEFT, 0);
  EXPECT_EQ(tv.Selected(), a);
  tv.Perform(WM_KEYDOWN, VK_LEFT, 0);
  EXPECT_FALSE(a->Expanded());
}

TEST_F(TreeViewTest, AutomaticDragFollowsTheDropTargetAndDrops) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 500, 300);
  TTreeView tv(nullptr), other(nullptr);
  tv.SetParent(&form);
  other.SetParent(&form);
  tv.SetBounds(0, 0, 200, 200);
  other.SetBounds(250, 0, 200, 200);
  form.Show();
  Fill(tv);
  other.Items().Add(nullptr, "X");
  tv.SetDragMode(dmAutomatic);
  const int h = tv.ItemHeight();
  TTreeNode* a = tv.Items().GetFirstNode();
  TTreeNode* d = a->getNextSibling();
  std::vector<std::string> targets, ended;
  tv.OnDragOver = [&](TObject*, TObject* source, int, int, TDragState, bool& accept) {
    accept = source == &tv && tv.DropTarget() && tv.DropTarget() != tv.Selected();
    if (tv.DropTarget()) targets.push_back(tv.DropTarget()->Text());
  };
  tv.OnDragDrop = [&](TObject*, TObject*, int, int) { tv.Selected()->MoveTo(tv.DropTarget(), naAddChild); };
  tv.OnEndDrag = [&](TObject*, TObject* target, int, int) { ended.push_back(target ? "dropped" : "none"); };
  HeadlessInput::MouseDown(tv, 40, h + 2);  // on D
  EXPECT_EQ(tv.Selected(), d);
  HeadlessInput::MouseMove(tv, 40, h / 2, {ssLeft});
  EXPECT_TRUE(tv.Dragging());
  EXPECT_EQ(tv.DropTarget(), a);
  HeadlessInput::MouseUp(tv, 40, h / 2);
  EXPECT_FALSE(tv.Dragging());
  EXPECT_EQ(tv.DropTarget(), nullptr);
  EXPECT_EQ(targets.front(), "A");
  EXPECT_EQ(Shape(tv), "A,.B,..C,.D");
  EXPECT_EQ(ended, std::vector<std::string>{"dropped"});

  // The same drag reaches the other tree, whose drop target follows; Escape cancels it there.
  bool asked = false;
  other.OnDragOver = [&](TObject*, TObject* source, int, int, TDragState, bool& accept) {
    asked = source == &tv;
    accept = true;
  };
  HeadlessInput::MouseDown(tv, 40, 2);
  HeadlessInput::MouseMove(tv, 40, 20, {ssLeft});
  HeadlessInput::MouseMove(tv, 260, 2, {ssLeft});  // over the other tree's X
  EXPECT_TRUE(asked);
  EXPECT_EQ(other.DropTarget(), other.Items().GetFirstNode());
  HeadlessInput::Key(tv, VK_ESCAPE);
  EXPECT_FALSE(tv.Dragging());
  EXPECT_EQ(other.DropTarget(), nullptr);
  EXPECT_EQ(ended.back(), "none");
  HeadlessInput::MouseUp(tv, 260, 2);
  EXPECT_EQ(Shape(other), "X");
}

TEST_F(TreeViewTest, TheVerticalScrollBarShowsTheRowsAndScrollsThem) {
  TTreeView tv(nullptr);
  const int h = tv.ItemHeight();
  tv.SetBounds(0, 0, 200, h * 4);
  for (int i = 0; i < 10; ++i) tv.Items().Add(nullptr, "N" + std::to_string(i));
  SCROLLINFO si;
  si.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(&tv, SB_VERT, &si));
  EXPECT_EQ(si.nMax, 9);
  EXPECT_EQ(si.nPage, 4u);
  EXPECT_EQ(si.nPos, 0);
  EXPECT_TRUE(tv.ScrollBarState(SB_VERT).Visible);
  SendScrollAction(&tv, SB_VERT, SB_LINEDOWN);
  EXPECT_EQ(tv.TopItem()->Text(), "N1");
  SendScrollAction(&tv, SB_VERT, SB_PAGEDOWN);
  EXPECT_EQ(tv.TopItem()->Text(), "N5");
  SendScrollAction(&tv, SB_VERT, SB_THUMBTRACK, 3);
  EXPECT_EQ(tv.TopItem()->Text(), "N3");
  EXPECT_EQ(GetScrollPos(&tv, SB_VERT), 3);
  SendScrollAction(&tv, SB_VERT, SB_BOTTOM);
  EXPECT_EQ(tv.TopItem()->Text(), "N6");  // the last full page
  SendScrollAction(&tv, SB_VERT, SB_TOP);
  EXPECT_EQ(tv.TopItem()->Text(), "N0");
  // Selecting a node below the page scrolls to it, and the bar follows.
  tv.Items().Item(8)->MakeVisible();
  EXPECT_EQ(GetScrollPos(&tv, SB_VERT), 5);
  // When everything fits the bar goes away.
  tv.SetBounds(0, 0, 200, h * 12);
  EXPECT_FALSE(tv.ScrollBarState(SB_VERT).Visible);
}

// A hidden tree on a form being built (the client keeps one for its description lists) fills
// and scrolls its rows without a native window: none for itself, none for its form.
TEST_F(TreeViewTest, HiddenTreeOnAFormBeingBuiltMakesNoWindow) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 400, 300);
  auto* tv = new TTreeView(&form);
  tv->SetParent(&form);
  tv->SetBounds(0, 0, 100, 60);
  tv->SetVisible(false);
  TTreeNode* first = tv->Items().Add(nullptr, "First");
  for (int i = 0; i < 20; ++i) tv->Items().Add(nullptr, "Row " + std::to_string(i));
  const int h = tv->ItemHeight();
  const TRect text = first->DisplayRect(true);
  EXPECT_FALSE(tv->HandleAllocated());
  EXPECT_FALSE(form.HandleAllocated());
  EXPECT_GT(h, 4);
  EXPECT_EQ(text.Height(), h);
  EXPECT_GT(text.Width(), 4);
  // Measured on its own window, the same.
  tv->HandleNeeded();
  EXPECT_EQ(tv->ItemHeight(), h);
  EXPECT_EQ(first->DisplayRect(true), text);
}

}  // namespace
