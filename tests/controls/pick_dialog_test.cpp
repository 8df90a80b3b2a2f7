// The pick list: the window it builds, what comes back after OK, Cancel and double clicks, and
// the layouts of its buttons.
#include <gtest/gtest.h>

#include "controls/pick_dialog.h"
#include "platform/ui/screen.h"
#include "platform/headless/headless_peer.h"
#include "../platform/headless/modal_script_check.h"

namespace {

class PickDialogTest : public ::testing::Test {
protected:
  PickDialogTest() { InstallHeadlessBackend(); }
  TModalResult Run(std::function<void(TSelectForm&)> drive) {
    TCheckedModalScript script;
    script.ExpectForm("", [&](TCustomForm& f) { drive(dynamic_cast<TSelectForm&>(f)); });
    return Pick.Execute();
  }
  TPickDialog Pick;
};

TEST_F(PickDialogTest, SizesBelowTheMinimumAreIgnored) {
  EXPECT_EQ(Pick.Width(), 280);
  Pick.SetWidth(150);
  EXPECT_EQ(Pick.Width(), 280);
  Pick.SetWidth(400);
  Pick.SetHeight(181);
  EXPECT_EQ(Pick.Width(), 400);
  EXPECT_EQ(Pick.Height(), 181);
}

TEST_F(PickDialogTest, EmptyListGivesNoChoice) {
  EXPECT_EQ(Run([](TSelectForm& f) {
              EXPECT_EQ(f.SelectList->Count(), 0);
              f.okbtn->Click();
            }),
            mrOk);
  EXPECT_EQ(Pick.ItemIndex, -1);
  EXPECT_EQ(Pick.SelectedText(), "");
}

TEST_F(PickDialogTest, TheChosenEntryAndItsDataComeBack) {
  TObject marker;
  Pick.PickItems().Add("Alpha");
  Pick.PickItems().AddObject("Beta", &marker);
  Pick.PickItems().Add("Gamma");
  Pick.Caption = "Display Record";
  Pick.OkCaption = "Display";
  Pick.CancelCaption = "Close";
  EXPECT_EQ(Run([](TSelectForm& f) {
              EXPECT_EQ(f.Caption(), "Display Record");
              EXPECT_EQ(f.okbtn->Caption(), "Display");
              EXPECT_EQ(f.cancelbtn->Caption(), "Close");
              EXPECT_EQ(f.SelectList->ItemIndex(), 0);  // the first when none is preselected
              f.SelectList->SetItemIndex(1);
              f.okbtn->Click();
            }),
            mrOk);
  EXPECT_EQ(Pick.ItemIndex, 1);
  EXPECT_EQ(Pick.SelectedText(), "Beta");
  EXPECT_EQ(Pick.SelectedData(), &marker);
  // Cancel still reports the list's selection; the preselection is the last choice.
  EXPECT_EQ(Run([](TSelectForm& f) {
              EXPECT_EQ(f.SelectList->ItemIndex(), 1);
              f.SelectList->SetItemIndex(2);
              f.cancelbtn->Click();
            }),
            mrCancel);
  EXPECT_EQ(Pick.SelectedText(), "Gamma");
}

TEST_F(PickDialogTest, MultipleSelectionInListOrderAndSorting) {
  for (const char* s : {"d", "b", "a", "c"}) Pick.PickItems().Add(s);
  Pick.MultiSel = true;
  Pick.Sort = true;
  Run([](TSelectForm& f) {
    EXPECT_EQ(f.SelectList->Items().Strings(0), "a");
    f.SelectList->SetSelected(0, false);
    f.SelectList->SetSelected(3, true);
    f.SelectList->SetSelected(1, true);
    f.SelectList->SetSelected(2, true);
    f.okbtn->Click();
  });
  ASSERT_EQ(Pick.SelectedItems().Count(), 3);
  EXPECT_EQ(Pick.SelectedItems().Strings(0), "b");
  EXPECT_EQ(Pick.SelectedItems().Strings(1), "c");
  EXPECT_EQ(Pick.SelectedItems().Strings(2), "d");
}

TEST_F(PickDialogTest, DoubleClickConfirmsOnlyWhenAccepted) {
  Pick.PickItems().Add("x");
  Pick.PickItems().Add("y");
  std::vector<std::string> events;
  Pick.OnClickItem = [&](TObject*, int i, const std::string& t) { events.push_back("click " + std::to_string(i) + t); };
  Pick.OnDblClickItem = [&](TObject*, int i, const std::string& t) { events.push_back("dbl " + std::to_string(i) + t); };
  Pick.AcceptDblClick = true;
  EXPECT_EQ(Run([](TSelectForm& f) {
              TRect r = f.SelectList->ItemRect(1);
              HeadlessInput::DoubleClick(*f.SelectList, r.Left + 3, r.Top + 3);
            }),
            mrOk);
  EXPECT_EQ(Pick.SelectedText(), "y");
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.front(), "click 1y");
  EXPECT_EQ(events.back(), "dbl 1y");
}

TEST_F(PickDialogTest, ButtonLayouts) {
  Pick.SetWidth(400);
  Pick.SetHeight(270);
  Pick.ShowTitle = true;
  Pick.Title = "Records";
  Run([](TSelectForm& f) {
    int cw = f.ClientWidth(), ch = f.ClientHeight();
    EXPECT_EQ(f.cancelbtn->Left(), cw - 75 - 8);
    EXPECT_EQ(f.cancelbtn->Top(), ch - 25 - 8);
    EXPECT_EQ(f.okbtn->Left(), cw - 2 * 75 - 16);
    EXPECT_EQ(f.SelectList->Width(), cw - 16);
    EXPECT_EQ(f.SelectList->Top(), 25);
    EXPECT_EQ(f.SelectList->Height(), ch - 25 - 16 - 25);
    EXPECT_TRUE(f.title->Visible());
    f.okbtn->Click();
  });
  Pick.ShowTitle = false;
  Pick.ButtonPosition = bpRight;
  Run([](TSelectForm& f) {
    int cw = f.ClientWidth(), ch = f.ClientHeight();
    EXPECT_FALSE(f.title->Visible());
    EXPECT_EQ(f.SelectList->Top(), 8);  // moved up by the label's height and 4
    EXPECT_EQ(f.SelectList->Width(), cw - 75 - 24);
    EXPECT_EQ(f.okbtn->Top(), ch - 25 - 8);
    EXPECT_EQ(f.cancelbtn->Top(), ch - 2 * 25 - 16);
    f.okbtn->Click();
  });
  Pick.ButtonPosition = bpNone;
  Run([](TSelectForm& f) {
    EXPECT_FALSE(f.okbtn->Visible());
    EXPECT_FALSE(f.cancelbtn->Visible());
    f.SetModalResult(mrOk);
  });
}

// The size grip: a press there sizes the window from its bottom-right corner, so the form
// answers WM_NCHITTEST with HTBOTTOMRIGHT over the grip, and only when it can be sized.
TEST_F(PickDialogTest, TheGripAloneAnswersAsTheBottomRightBorder) {
  auto hit = [](TSelectForm& f, int x, int y) {
    TPoint s = f.ClientToScreen({x, y});
    return f.Perform(WM_NCHITTEST, 0, MAKELPARAM(s.X, s.Y));
  };
  Pick.Sizeable = true;
  Run([&](TSelectForm& f) {
    int w = GetSystemMetrics(SM_CXVSCROLL), h = GetSystemMetrics(SM_CYHSCROLL);
    int cw = f.ClientWidth(), ch = f.ClientHeight();
    EXPECT_EQ(f.GripRect(), Rect(cw - w, ch - h, cw, ch));
    EXPECT_EQ(hit(f, cw - 1, ch - 1), HTBOTTOMRIGHT);
    EXPECT_EQ(hit(f, cw - w, ch - h), HTBOTTOMRIGHT);
    EXPECT_NE(hit(f, cw - w - 1, ch - 1), HTBOTTOMRIGHT);
    EXPECT_NE(hit(f, cw - 1, ch - h - 1), HTBOTTOMRIGHT);
    EXPECT_NE(hit(f, cw / 2, ch / 2), HTBOTTOMRIGHT);
    // After the window grew the grip is in the new corner.
    f.SetBounds(f.Left(), f.Top(), f.Width() + 50, f.Height() + 30);
    EXPECT_EQ(hit(f, cw + 49, ch + 29), HTBOTTOMRIGHT);
    EXPECT_NE(hit(f, cw - 1, ch - 1), HTBOTTOMRIGHT);
    f.cancelbtn->Click();
  });
  for (bool tool : {false, true}) {
    Pick.Sizeable = false;
    Pick.ToolWindow = tool;
    Run([&](TSelectForm& f) {
      EXPECT_TRUE(IsRectEmpty(f.GripRect()));
      EXPECT_NE(hit(f, f.ClientWidth() - 1, f.ClientHeight() - 1), HTBOTTOMRIGHT);
      f.cancelbtn->Click();
    });
  }
}

}  // namespace
