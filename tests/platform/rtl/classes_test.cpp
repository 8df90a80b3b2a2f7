#include "platform/rtl/classes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/rtl/component_stream.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/string_list.h"

namespace {

std::vector<std::string>* gLog = nullptr;

class TLogged : public TComponent {
public:
  explicit TLogged(TComponent* AOwner, std::string tag = {}) : TComponent(AOwner), FTag(std::move(tag)) {}
  ~TLogged() override {
    if (gLog) gLog->push_back("free " + FTag);
  }
  std::vector<std::pair<TComponent*, TOperation>> Notices;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    Notices.emplace_back(AComponent, Operation);
  }

private:
  std::string FTag;
};

class TPoint3 : public TPersistent {
public:
  int X = 0;
  void Assign(const TPersistent* Source) override {
    if (auto* p = dynamic_cast<const TPoint3*>(Source)) {
      X = p->X;
      return;
    }
    TPersistent::Assign(Source);
  }
};

class TOther : public TPersistent {};

}  // namespace

TEST(ObjectModel, ClassNameAndAssignError) {
  TPoint3 a, b;
  TOther other;
  EXPECT_EQ(a.ClassName(), "TPoint3");
  b.X = 7;
  a.Assign(&b);
  EXPECT_EQ(a.X, 7);
  try {
    a.Assign(&other);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a TOther to a TPoint3");
  }
}

TEST(ObjectModel, OwnerFreesOwnedLastFirstAndFreedComponentLeavesOwner) {
  std::vector<std::string> log;
  gLog = &log;
  {
    TLogged owner(nullptr, "owner");
    new TLogged(&owner, "a");
    auto* b = new TLogged(&owner, "b");
    new TLogged(&owner, "c");
    ASSERT_EQ(owner.ComponentCount(), 3);
    delete b;
    EXPECT_EQ(owner.ComponentCount(), 2);
    EXPECT_EQ(owner.Notices.back().second, opRemove);
    EXPECT_EQ(owner.Notices.back().first, b);
    log.clear();
  }
  gLog = nullptr;
  EXPECT_EQ(log, (std::vector<std::string>{"free owner", "free c", "free a"}));
}

TEST(ObjectModel, NamesAreUniqueWithoutCaseAndFoundWithoutCase) {
  TComponent owner;
  auto* a = new TComponent(&owner);
  a->SetName("Button1");
  auto* b = new TComponent(&owner);
  EXPECT_THROW(b->SetName("BUTTON1"), EComponentError);
  EXPECT_THROW(b->SetName("1abc"), EComponentError);
  b->SetName("Edit_2");
  EXPECT_EQ(owner.FindComponent("button1"), a);
  EXPECT_EQ(owner.FindComponent("edit_2"), b);
  EXPECT_EQ(owner.FindComponent("none"), nullptr);
  EXPECT_EQ(b->ComponentIndex(), 1);
  EXPECT_THROW(owner.Components(2), EListError);
}

TEST(ObjectModel, FreeNotificationWorksBothWays) {
  TComponent root;
  auto* watcher = new TLogged(nullptr, "w");
  {
    auto* watched = new TComponent(&root);
    watched->FreeNotification(watcher);
    delete watched;
    ASSERT_FALSE(watcher->Notices.empty());
    EXPECT_EQ(watcher->Notices.back().first, watched);
    EXPECT_EQ(watcher->Notices.back().second, opRemove);
  }
  // Freeing the subscriber first must not leave a dangling entry behind.
  auto* watched2 = new TComponent(&root);
  watched2->FreeNotification(watcher);
  delete watcher;
  delete watched2;  // would touch freed memory if the entry stayed
  EXPECT_EQ(root.ComponentCount(), 0);
}

namespace {

// Frees the given siblings when it hears of an insert.
class TFreeing : public TComponent {
public:
  using TComponent::TComponent;
  std::vector<TComponent*> Victims;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    if (Operation != opInsert) return;
    for (TComponent* v : Victims) delete v;
    Victims.clear();
  }
};

}  // namespace

// A sibling freed while the owner tells its components is not told; every other one is told
// once, whether it stood before or after the freed ones.
TEST(ObjectModel, SiblingsFreedDuringANoticeAreSkipped) {
  TComponent owner;
  auto* a = new TLogged(&owner, "a");
  auto* b = new TLogged(&owner, "b");
  auto* freeing = new TFreeing(&owner);
  auto* c = new TLogged(&owner, "c");
  auto* d = new TLogged(&owner, "d");
  auto* e = new TLogged(&owner, "e");
  for (TLogged* l : {a, b, c, d, e}) l->Notices.clear();
  freeing->Victims = {a, d};  // one told already, one not yet
  auto* added = new TLogged(nullptr, "added");
  owner.InsertComponent(added);
  EXPECT_EQ(owner.ComponentCount(), 5);
  auto Inserts = [](const TLogged* l) {
    std::vector<TComponent*> heard;
    for (const auto& [who, op] : l->Notices)
      if (op == opInsert) heard.push_back(who);
    return heard;
  };
  for (TLogged* l : {b, c, e}) EXPECT_EQ(Inserts(l), std::vector<TComponent*>{added});
  // The others heard of the two going.
  EXPECT_EQ(c->Notices.size(), 3u);
  EXPECT_EQ(Inserts(added), std::vector<TComponent*>{added});  // the new one hears of itself
}

TEST(ObjectModel, InsertNoticeReachesOwnerAndSiblings) {
  TLogged owner(nullptr);
  auto* first = new TLogged(&owner);
  auto* second = new TLogged(&owner);
  ASSERT_FALSE(first->Notices.empty());
  EXPECT_EQ(first->Notices.back().first, second);
  EXPECT_EQ(first->Notices.back().second, opInsert);
}

TEST(Lists, TListIndexErrorsAndOperations) {
  TList list;
  int a = 1, b = 2, c = 3;
  list.Add(&c);
  list.Add(&a);
  list.Add(nullptr);
  list.Add(&b);
  try {
    list.Items(4);
    FAIL();
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (4)");
  }
  list.Pack();
  ASSERT_EQ(list.Count(), 3);
  list.Sort([](void* x, void* y) { return *static_cast<int*>(x) - *static_cast<int*>(y); });
  EXPECT_EQ(list[0], &a);
  EXPECT_EQ(list[2], &c);
  list.Move(0, 2);
  EXPECT_EQ(list.IndexOf(&a), 2);
  EXPECT_EQ(list.Remove(&b), 0);
  EXPECT_EQ(list.Remove(&b), -1);
  EXPECT_THROW(list.Insert(5, &a), EListError);
  EXPECT_THROW(list.SetCapacity(0), EListError);
}

TEST(Lists, ObjectListFreesWhatItOwns) {
  std::vector<std::string> log;
  gLog = &log;
  {
    TObjectList list;
    list.Add(new TLogged(nullptr, "1"));
    auto* kept = new TLogged(nullptr, "2");
    list.Add(kept);
    list.Add(new TLogged(nullptr, "3"));
    list.Delete(0);
    EXPECT_EQ(log, std::vector<std::string>{"free 1"});
    EXPECT_EQ(list.Extract(kept), kept);
    delete kept;
  }
  gLog = nullptr;
  EXPECT_EQ(log, (std::vector<std::string>{"free 1", "free 2", "free 3"}));
}

TEST(Lists, IntegerListCallsOnChangeOncePerUpdate) {
  TIntegerList list;
  int changes = 0;
  list.OnChange = [&](TObject* sender) {
    EXPECT_EQ(sender, &list);
    ++changes;
  };
  list.Add(3);
  list.Add(1);
  EXPECT_EQ(changes, 2);
  list.BeginUpdate();
  list.Add(2);
  list.Sort();
  list.EndUpdate();
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(list[0], 1);
  EXPECT_EQ(list[2], 3);
  EXPECT_THROW(list.Items(3), EListError);
}

namespace {

class TNamedItem : public TCollectionItem {
public:
  using TCollectionItem::TCollectionItem;
  std::string Caption;
  int Width = 0;
  void Assign(const TPersistent* Source) override {
    auto* s = dynamic_cast<const TNamedItem*>(Source);
    if (!s) return TCollectionItem::Assign(Source);
    Caption = s->Caption;
    Width = s->Width;
  }
  const std::string& GetCaption() const { return Caption; }
  void SetCaption(const std::string& v) { Caption = v; }
  int GetWidth() const { return Width; }
  void SetWidth(int v) { Width = v; }
};

class TCountingCollection : public TCollection {
public:
  TCountingCollection() : TCollection(ItemClassOf<TNamedItem>()) {}
  int Updates = 0;
  void Update(TCollectionItem*) override { ++Updates; }
};

}  // namespace

TEST(Collections, ItemsIdsIndexAndFreeing) {
  TCountingCollection c;
  auto* a = static_cast<TNamedItem*>(c.Add());
  auto* b = static_cast<TNamedItem*>(c.Add());
  auto* d = static_cast<TNamedItem*>(c.Insert(0));
  EXPECT_EQ(c.Count(), 3);
  EXPECT_EQ(d->Index(), 0);
  EXPECT_EQ(a->ID(), 0);
  EXPECT_EQ(b->ID(), 1);
  EXPECT_EQ(d->ID(), 2);
  b->SetIndex(0);
  EXPECT_EQ(c.Items(0), b);
  delete a;  // freeing an item removes it
  EXPECT_EQ(c.Count(), 2);
  EXPECT_EQ(c.FindItemID(0), nullptr);
  EXPECT_EQ(c.FindItemID(2), d);
  auto* e = c.Add();
  EXPECT_EQ(e->ID(), 3);  // IDs are never reused
  EXPECT_THROW(c.Items(5), EListError);
  c.Delete(0);
  EXPECT_EQ(c.Count(), 2);
}

TEST(Collections, BeginUpdateBatchesUpdates) {
  TCountingCollection c;
  c.Updates = 0;
  c.BeginUpdate();
  c.Add();
  c.Add();
  c.Delete(0);
  EXPECT_EQ(c.Updates, 0);
  c.EndUpdate();
  EXPECT_EQ(c.Updates, 1);
}

TEST(Collections, AssignCopiesItems) {
  TCountingCollection a, b;
  static_cast<TNamedItem*>(a.Add())->Caption = "x";
  static_cast<TNamedItem*>(a.Add())->Caption = "y";
  b.Add();
  b.Assign(&a);
  ASSERT_EQ(b.Count(), 2);
  EXPECT_EQ(static_cast<TNamedItem*>(b.Items(1))->Caption, "y");
}

// ---- component streams ----

namespace {

class TTestFont : public TPersistent {
public:
  std::string Name = "Arial";
  int Size = 8;
  std::int64_t Style = 0;
  const std::string& GetName() const { return Name; }
  void SetName(const std::string& v) { Name = v; }
  int GetSize() const { return Size; }
  void SetSize(int v) { Size = v; }
  std::int64_t GetStyle() const { return Style; }
  void SetStyle(std::int64_t v) { Style = v; }
  // A binary property of a nested object, as a tree view's "Items.Data".
  std::string Glyphs;
  void DefineProperties(TFiler& Filer) override {
    Filer.DefineBinaryProperty(
        "Glyphs", [this](TStream& s) { Glyphs = static_cast<TMemoryStream&>(s).DataString(); },
        [this](TStream& s) { s.WriteString(Glyphs); }, !Glyphs.empty());
  }
};

enum TAlign { alNone, alTop, alClient };

class TTestWidget : public TComponent {
public:
  explicit TTestWidget(TComponent* AOwner) : TComponent(AOwner), Columns(TCollection::ItemClassOf<TNamedItem>()) {}
  int Width = 0;
  bool Visible = true;
  TAlign Align = alNone;
  double Ratio = 0;
  std::string Caption;
  TTestFont Font;
  TStringList Lines;
  TCollection Columns;
  std::string Data;  // binary property "Font.Data" is not it: "Data" on the widget itself
  int LoadedCalls = 0;
  bool LoadingSeenInLoaded = false;

  int GetWidth() const { return Width; }
  void SetWidth(int v) { Width = v; }
  bool GetVisible() const { return Visible; }
  void SetVisible(bool v) { Visible = v; }
  TAlign GetAlign() const { return Align; }
  void SetAlign(TAlign v) { Align = v; }
  double GetRatio() const { return Ratio; }
  void SetRatio(double v) { Ratio = v; }
  const std::string& GetCaption() const { return Caption; }
  void SetCaption(const std::string& v) { Caption = v; }

  void DefineProperties(TFiler& Filer) override {
    TComponent::DefineProperties(Filer);
    Filer.DefineBinaryProperty(
        "Data", [this](TStream& s) { Data = std::string(static_cast<std::size_t>(s.Size()), '\0');
                                     s.ReadBuffer(Data.data(), static_cast<long>(Data.size())); },
        [this](TStream& s) { s.WriteString(Data); }, !Data.empty());
  }
  void Loaded() override {
    LoadingSeenInLoaded = HasState(csLoading);
    TComponent::Loaded();
    ++LoadedCalls;
  }
  void GetChildren(const std::function<void(TComponent*)>& Proc, TComponent* Root) override {
    if (Root == this)
      for (int i = 0; i < ComponentCount(); ++i) Proc(Components(i));
  }
};

// The font name is stored only when it is not the usual one.
TPropInfo FontNameProperty() {
  TPropInfo p = StringProperty<TTestFont>("Name", &TTestFont::GetName, &TTestFont::SetName);
  p.Stored = [](TPersistent& o) { return static_cast<TTestFont&>(o).Name != "Arial"; };
  return p;
}

void RegisterTestClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterPersistentClass<TTestFont>(
      "TTestFont", "TPersistent",
      {FontNameProperty(),
       IntProperty<TTestFont>("Size", &TTestFont::GetSize, &TTestFont::SetSize, 8),
       SetProperty<TTestFont>("Style", {"fsBold", "fsItalic", "fsUnderline"}, &TTestFont::GetStyle,
                              &TTestFont::SetStyle)});
  RegisterPersistentClass<TNamedItem>(
      "TNamedItem", "TPersistent",
      {StringProperty<TNamedItem>("Caption", &TNamedItem::GetCaption, &TNamedItem::SetCaption),
       IntProperty<TNamedItem>("Width", &TNamedItem::GetWidth, &TNamedItem::SetWidth)});
  RegisterPersistentClass<TTestWidget>(
      "TTestWidget", "TComponent",
      {IntProperty<TTestWidget>("Width", &TTestWidget::GetWidth, &TTestWidget::SetWidth),
       BoolProperty<TTestWidget>("Visible", &TTestWidget::GetVisible, &TTestWidget::SetVisible, true),
       EnumProperty<TTestWidget>("Align", {"alNone", "alTop", "alClient"}, &TTestWidget::GetAlign,
                                 &TTestWidget::SetAlign),
       FloatProperty<TTestWidget>("Ratio", &TTestWidget::GetRatio, &TTestWidget::SetRatio),
       StringProperty<TTestWidget>("Caption", &TTestWidget::GetCaption, &TTestWidget::SetCaption),
       ObjectProperty<TTestWidget>("Font", [](TTestWidget& w) { return &w.Font; }),
       ObjectProperty<TTestWidget>("Lines", [](TTestWidget& w) { return &w.Lines; }),
       ObjectProperty<TTestWidget>("Columns", [](TTestWidget& w) { return &w.Columns; })});
}

}  // namespace

TEST(ComponentStream, LayoutOfARootWithOnlyDefaults) {
  RegisterTestClasses();
  TTestWidget w(nullptr);
  w.SetName("Tree");
  std::string bytes = ComponentToBytes(&w);
  std::string expected = std::string("TPF0") + '\x0B' + "TTestWidget" + '\x04' + "Tree" + '\0' + '\0';
  EXPECT_EQ(bytes, expected);
}

TEST(ComponentStream, RoundTripOfEveryPropertyKindAndChildren) {
  RegisterTestClasses();
  TTestWidget w(nullptr);
  w.SetName("Main");
  w.Width = 300;
  w.Visible = false;
  w.Align = alClient;
  w.Ratio = 0.5;
  w.Caption = "Hello";
  w.Font.Name = "Courier";
  w.Font.Style = 5;
  w.Font.Glyphs = std::string(300, '\x01');
  w.Lines.SetText("one\r\ntwo\r\n");
  static_cast<TNamedItem*>(w.Columns.Add())->Caption = "c1";
  static_cast<TNamedItem*>(w.Columns.Add())->Width = 40;
  w.Data = std::string("\0\xFF\x10", 3);
  auto* child = new TTestWidget(&w);
  child->SetName("Child");
  child->Width = -7;

  std::string bytes = ComponentToBytes(&w);
  std::unique_ptr<TComponent> back(ComponentFromBytes(bytes, nullptr));
  auto* r = dynamic_cast<TTestWidget*>(back.get());
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->Name(), "Main");
  EXPECT_EQ(r->Width, 300);
  EXPECT_FALSE(r->Visible);
  EXPECT_EQ(r->Align, alClient);
  EXPECT_DOUBLE_EQ(r->Ratio, 0.5);
  EXPECT_EQ(r->Caption, "Hello");
  EXPECT_EQ(r->Font.Name, "Courier");
  EXPECT_EQ(r->Font.Size, 8);
  EXPECT_EQ(r->Font.Style, 5);
  EXPECT_EQ(r->Font.Glyphs, std::string(300, '\x01'));
  EXPECT_EQ(r->Lines.Text(), "one\r\ntwo\r\n");
  ASSERT_EQ(r->Columns.Count(), 2);
  EXPECT_EQ(static_cast<TNamedItem*>(r->Columns.Items(0))->Caption, "c1");
  EXPECT_EQ(static_cast<TNamedItem*>(r->Columns.Items(1))->Width, 40);
  EXPECT_EQ(r->Data, std::string("\0\xFF\x10", 3));
  ASSERT_EQ(r->ComponentCount(), 1);
  auto* rc = dynamic_cast<TTestWidget*>(r->FindComponent("Child"));
  ASSERT_NE(rc, nullptr);
  EXPECT_EQ(rc->Width, -7);
  EXPECT_EQ(r->LoadedCalls, 1);
  EXPECT_EQ(rc->LoadedCalls, 1);
  EXPECT_TRUE(r->LoadingSeenInLoaded);
  EXPECT_FALSE(r->HasState(csLoading | csReading));
  // The nested property travels under its path.
  EXPECT_NE(bytes.find("\x09" "Font.Name"), std::string::npos);
  EXPECT_NE(bytes.find("\x0D" "Lines.Strings"), std::string::npos);
  EXPECT_NE(bytes.find(std::string("\x0B" "Font.Glyphs\x0A\x2C\x01\0\0", 17)), std::string::npos);
}

TEST(ComponentStream, ReadsIntoAGivenRootAndSkipsUnknownProperties) {
  RegisterTestClasses();
  TMemoryStream s;
  {
    TWriter w(s, 100);
    w.WriteSignature();
    w.WriteStr("TTestWidget");
    w.WriteStr("X");
    w.WriteStr("Bogus");
    w.WriteStrings({"a", "b"});
    w.WriteStr("Font.Unknown");
    w.WriteInteger(4);
    w.WriteStr("Nothing.Here");
    w.WriteBinary("zz", 2);
    w.WriteStr("Width");
    w.WriteInteger(12);
    w.WriteListEnd();
    w.WriteListEnd();
    w.WriteInteger(99);  // what follows the component
  }
  s.SetPosition(0);
  TTestWidget target(nullptr);
  target.SetName("Target");
  EXPECT_EQ(s.ReadComponent(&target), &target);
  EXPECT_EQ(target.Width, 12);
  EXPECT_EQ(target.Name(), "Target");
  TReader after(s);
  EXPECT_EQ(after.ReadInteger(), 99);
}

TEST(ComponentStream, BadInputRaisesAndLeaksNothing) {
  RegisterTestClasses();
  TTestWidget w(nullptr);
  w.Caption = "abc";
  std::string good = ComponentToBytes(&w);
  for (std::size_t cut = 0; cut < good.size(); ++cut) {
    TTestWidget target(nullptr);
    EXPECT_THROW(ComponentFromBytes(good.substr(0, cut), &target), EFilerError) << cut;
  }
  EXPECT_THROW(ComponentFromBytes("TPF1", nullptr), EReadError);
  std::string unknown = std::string("TPF0") + '\x07' + "TNoSuch" + '\x00' + '\0' + '\0';
  EXPECT_THROW(ComponentFromBytes(unknown, nullptr), EClassNotFound);
  // A wrong value type for a known property.
  TMemoryStream s;
  {
    TWriter wr(s);
    wr.WriteSignature();
    wr.WriteStr("TTestWidget");
    wr.WriteStr("");
    wr.WriteStr("Align");
    wr.WriteIdent("alSideways");
    wr.WriteListEnd();
    wr.WriteListEnd();
  }
  s.SetPosition(0);
  EXPECT_THROW(s.ReadComponent(nullptr), EReadError);
}

TEST(ClassRegistry, FindClassAndPropertiesOfAncestors) {
  RegisterTestClasses();
  EXPECT_EQ(GetClass("TNoSuchClass"), nullptr);
  try {
    FindClass("TNoSuchClass");
    FAIL();
  } catch (const EClassNotFound& e) {
    EXPECT_STREQ(e.what(), "Class TNoSuchClass not found");
  }
  EXPECT_EQ(FindClass("ttestwidget").ClassName, "TTestWidget");
  auto props = GetPropList("TTestWidget");
  ASSERT_FALSE(props.empty());
  EXPECT_EQ(props.front()->Name, "Tag");  // the ancestor's property comes first
  EXPECT_NE(GetPropInfo("TTestWidget", "caption"), nullptr);
}
