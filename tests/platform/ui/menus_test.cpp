// Menus built at run time, the Win32 menu calls, pop-up menus answered by the modal script.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/headless/event_loop_poll.h"
#include "platform/headless/headless_peer.h"
#include "platform/headless/modal_script_check.h"
#include "platform/ui/application.h"
#include "platform/ui/menus.h"
#include "tests/platform/headless/headless_application.h"

namespace {

class MenusTest : public ::testing::Test {
protected:
  void SetUp() override {
    NewHeadlessApplication(App);
  }
  void TearDown() override { delete App; }
  TApplication* App = nullptr;
};

TMenuItem* Item(const std::string& caption, std::vector<std::string>* log = nullptr) {
  auto* i = new TMenuItem(nullptr);
  i->SetCaption(caption);
  if (log) i->OnClick = [log, caption](TObject*) { log->push_back(caption); };
  return i;
}

}  // namespace

TEST_F(MenusTest, ItemsAreInsertedAtAnyPlaceNestedAndFreedWithTheirParent) {
  TPopupMenu menu(nullptr);
  TMenuItem* root = menu.Items();
  root->Add(Item("B"));
  root->Insert(0, Item("A"));
  root->Insert(root->Count(), Item("-"));
  TMenuItem* sub = Item("&Sub");
  root->Insert(1, sub);
  sub->Add(Item("X"));
  sub->Items(0)->Insert(0, Item("Deep"));
  ASSERT_EQ(root->Count(), 4);
  EXPECT_EQ(root->Items(0)->Caption(), "A");
  EXPECT_EQ(root->Items(1), sub);
  EXPECT_TRUE(root->Items(3)->IsLine());
  EXPECT_EQ(sub->Items(0)->Items(0)->GetParentMenu(), &menu);
  EXPECT_EQ(root->Find("sub"), sub);
  EXPECT_THROW(root->Insert(0, sub), EMenuError);     // has a parent already
  EXPECT_THROW(root->Insert(9, Item("Z")), EMenuError);
  EXPECT_THROW(root->Items(4), EMenuError);
  root->Delete(1);  // the sub-menu goes with its children
  EXPECT_EQ(root->Count(), 3);
  root->Clear();
  EXPECT_EQ(root->Count(), 0);
}

// A menu rebuilt from the click of one of its items: the item is freed while its handler runs,
// and what the handler holds stays alive until it returns.
TEST_F(MenusTest, AnItemsHandlerMayRebuildTheMenuThatHoldsIt) {
  TPopupMenu menu(nullptr);
  auto held = std::make_shared<std::string>("field");
  std::weak_ptr<std::string> watch = held;
  bool aliveAfterRebuild = false;
  std::string seen;
  TMenuItem* item = Item("Name");
  item->OnClick = [&menu, held, &watch, &aliveAfterRebuild, &seen](TObject*) {
    menu.Items()->Clear();  // frees this item
    menu.Items()->Add(Item("Name again"));
    aliveAfterRebuild = !watch.expired();
    seen = *held;
  };
  menu.Items()->Add(item);
  held.reset();
  menu.Items()->Items(0)->Click();
  EXPECT_TRUE(aliveAfterRebuild);
  EXPECT_EQ(seen, "field");
  EXPECT_TRUE(watch.expired());  // freed once the handler returned
  ASSERT_EQ(menu.Items()->Count(), 1);
  EXPECT_EQ(menu.Items()->Items(0)->Caption(), "Name again");
}

TEST_F(MenusTest, CaptionsMarkAcceleratorsAndShortCutsHaveTheirTexts) {
  EXPECT_EQ(StripHotkey("&File"), "File");
  EXPECT_EQ(StripHotkey("Save && &Close"), "Save & Close");
  EXPECT_EQ(GetHotkey("Save && &close"), 'C');
  EXPECT_EQ(GetHotkey("A && B"), 0);
  TShortCut s = ShortCut('S', TShiftState{ssCtrl});
  EXPECT_EQ(ShortCutToText(s), "Ctrl+S");
  EXPECT_EQ(TextToShortCut("Ctrl+S"), s);
  EXPECT_EQ(TextToShortCut("shift+del"), ShortCut(VK_DELETE, TShiftState{ssShift}));
  EXPECT_EQ(ShortCutToText(ShortCut(VK_F5, {})), "F5");
}

TEST_F(MenusTest, RadioItemsOfAGroupCheckOneAtATime) {
  TMainMenu menu(nullptr);
  TMenuItem* a = Item("A");
  TMenuItem* b = Item("B");
  TMenuItem* other = Item("C");
  for (TMenuItem* i : {a, b, other}) {
    i->SetRadioItem(true);
    menu.Items()->Add(i);
  }
  other->SetGroupIndex(2);
  a->SetChecked(true);
  other->SetChecked(true);
  b->SetChecked(true);
  EXPECT_FALSE(a->Checked());
  EXPECT_TRUE(b->Checked());
  EXPECT_TRUE(other->Checked());
}

TEST_F(MenusTest, TrackPopupMenuReturnsTheChosenCommandOrZero) {
  HMENU menu = CreatePopupMenu();
  AppendMenu(menu, MF_STRING, 1, "&Open");
  AppendMenu(menu, MF_SEPARATOR, 0, "");
  HMENU sub = CreatePopupMenu();
  AppendMenu(sub, MF_STRING, 3, "Deep");
  AppendMenu(menu, MF_POPUP, reinterpret_cast<std::uintptr_t>(sub), "More");
  InsertMenu(menu, 0, MF_BYPOSITION | MF_GRAYED, 2, "First");
  EXPECT_EQ(GetMenuItemCount(menu), 4);
  EXPECT_EQ(GetMenuItemID(menu, 0), 2u);
  TCheckedModalScript script;
  script.ExpectMenu("Open", "More|Deep").ExpectMenu("", "Open").Expect(mkPopupMenu, "", TModalAnswer{});
  EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, 10, 20, 0, nullptr, nullptr), 3);
  EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD, 10, 20, 0, nullptr, nullptr), 1);
  EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD, 10, 20, 0, nullptr, nullptr), 0);
  DestroyMenu(menu);
}

TEST_F(MenusTest, ADisabledItemCannotBeChosen) {
  HMENU menu = CreatePopupMenu();
  AppendMenu(menu, MF_STRING | MF_GRAYED, 7, "Gone");
  std::vector<std::string> failures;
  {
    THeadlessModalScript script;
    script.OnFailure = [&](const std::string& m) { failures.push_back(m); };
    script.ExpectMenu("", "Gone");
    EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD, 0, 0, 0, nullptr, nullptr), 0);
  }
  EXPECT_EQ(failures.size(), 1u);
  DestroyMenu(menu);
}

TEST_F(MenusTest, PopupRunsOnPopupReturnsAndClicksTheChoiceFromTheLoop) {
  std::vector<std::string> log;
  TPopupMenu menu(nullptr);
  menu.SetName("DescMenu");
  menu.OnPopup = [&](TObject*) {
    // Rebuilt each time it pops up.
    menu.Items()->Clear();
    menu.Items()->Insert(0, Item("Second", &log));
    menu.Items()->Insert(0, Item("First", &log));
    log.push_back("popup");
  };
  TCheckedModalScript script;
  script.ExpectMenu("DescMenu", "Second");
  menu.Popup(100, 200);
  EXPECT_EQ(log, std::vector<std::string>{"popup"});
  App->ProcessMessages();
  EXPECT_EQ(log, (std::vector<std::string>{"popup", "Second"}));
  EXPECT_EQ(menu.PopupPoint(), (TPoint{100, 200}));
}

TEST_F(MenusTest, ARightClickShowsTheControlsPopupMenu) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 200, 200);
  TPopupMenu menu(nullptr);
  std::vector<std::string> log;
  menu.Items()->Add(Item("Clear", &log));
  auto* panel = new TCustomControl(&form);
  panel->SetParent(&form);
  panel->SetBounds(10, 10, 50, 50);
  panel->SetPopupMenu(&menu);
  form.Show();
  TCheckedModalScript script;
  script.ExpectMenu("", "Clear");
  HeadlessInput::MouseDown(*panel, 5, 5, mbRight);
  HeadlessInput::MouseUp(*panel, 5, 5, mbRight);
  App->ProcessMessages();
  EXPECT_EQ(log, std::vector<std::string>{"Clear"});
  EXPECT_EQ(menu.PopupComponent(), panel);
  EXPECT_EQ(menu.PopupPoint(), (TPoint{15, 15}));
}

TEST_F(MenusTest, MainMenuShortCutsClickTheirItemsFromAnyControlOfTheForm) {
  TForm form(nullptr);
  TMainMenu menu(&form);
  std::vector<std::string> log;
  TMenuItem* file = Item("&File");
  menu.Items()->Add(file);
  TMenuItem* save = Item("&Save", &log);
  save->SetShortCut(ShortCut('S', TShiftState{ssCtrl}));
  file->Add(save);
  form.SetMenu(&menu);
  auto* edit = new TCustomControl(&form);
  edit->SetParent(&form);
  edit->SetTabStop(true);
  form.Show();
  HeadlessInput::Key(*edit, 'S', TShiftState{ssCtrl});
  EXPECT_EQ(log, std::vector<std::string>{"&Save"});
  file->SetEnabled(false);
  HeadlessInput::Key(*edit, 'S', TShiftState{ssCtrl});
  EXPECT_EQ(log.size(), 1u);
  EXPECT_TRUE(menu.DispatchCommand(save->Command()));
}
