// The font, size and colour combo boxes: their lists from the headless font families, names
// of colours, type-ahead, the pixel limit and the registry choice.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <fstream>
#include <unistd.h>

#include "controls/font_combos.h"
#include "platform/gfx/fonts.h"
#include "platform/headless/headless_peer.h"
#include "platform/rtl/ini_files.h"
#include "platform/ui/application.h"
#include "platform/ui/screen.h"
#include "../platform/headless/modal_script_check.h"

namespace {

std::vector<std::string> ItemsOf(TCustomComboBox& c) {
  std::vector<std::string> v;
  for (int i = 0; i < c.Items().Count(); ++i) v.push_back(c.Items().Strings(i));
  return v;
}

class Combos : public ::testing::Test {
protected:
  Combos() { InstallHeadlessBackend(); }
};

TEST_F(Combos, SizesFollowTheFont) {
  TFontSizeComboBox sizes(nullptr);
  sizes.SetFontName("Arial");
  EXPECT_EQ(ItemsOf(sizes), (std::vector<std::string>{"8", "9", "10", "11", "12", "14", "16", "18", "20", "22", "24",
                                                       "26", "28", "36", "48", "72"}));
  sizes.SetFontName("");
  EXPECT_TRUE(ItemsOf(sizes).empty());
  // A face that is not installed is drawn in a scalable stand-in: its sizes, the text kept.
  sizes.SetText("12");
  sizes.SetFontName("No Such Face");
  EXPECT_EQ(sizes.Items().Count(), 16);
  EXPECT_EQ(sizes.Text(), "12");
  std::vector<TFontFamily> saved = FontFamilies();
  TFontFamily raster{"Odd Raster", false, true, ANSI_CHARSET, {10, 8, 10}};
  SetFontFamilySource([raster] { return std::vector<TFontFamily>{raster}; });
  sizes.SetText("10");
  int changes = 0;
  sizes.OnChange = [&](TObject*) { ++changes; };
  sizes.SetFontName("Odd Raster");
  SetFontFamilySource([saved] { return saved; });
  EXPECT_EQ(ItemsOf(sizes), (std::vector<std::string>{"8", "10"}));
  EXPECT_EQ(sizes.ItemIndex(), 1);  // the current text stays chosen
  EXPECT_EQ(changes, 1);
}

TEST_F(Combos, FontListFiltersAndUnknownNames) {
  TVcFontComboBox fonts(nullptr);
  fonts.GetFonts();
  std::vector<std::string> all = ItemsOf(fonts);
  EXPECT_NE(std::find(all.begin(), all.end(), "Raster Sans"), all.end());
  fonts.SetOptions({foTrueTypeOnly});
  std::vector<std::string> tt = ItemsOf(fonts);
  EXPECT_EQ(std::find(tt.begin(), tt.end(), "Raster Sans"), tt.end());
  fonts.SetOptions({foFixedPitchOnly});
  EXPECT_EQ(ItemsOf(fonts), (std::vector<std::string>{"Courier New"}));
  EXPECT_EQ(fonts.ItemFontType(0) & TRUETYPE_FONTTYPE, TRUETYPE_FONTTYPE);
  fonts.SetOptions({});
  fonts.SetFontName("Times New Roman");
  EXPECT_EQ(fonts.FontName(), "Times New Roman");
  fonts.SetFontName("No Such Face");
  EXPECT_EQ(fonts.ItemIndex(), -1);
  fonts.SetOptions({foDisableVerify});
  fonts.SetFontName("No Such Face");
  EXPECT_EQ(fonts.FontName(), "No Such Face");
}

TEST_F(Combos, ColourNamesFromTheMap) {
  TVcColorComboBox colours(nullptr);
  FillColorNameMap(colours.ColorNameMap());
  EXPECT_EQ(colours.ColorNameMap().Count(), 54);
  EXPECT_EQ(colours.DisplayName(0, clMoneyGreen), "Money Green");
  colours.ColorNameMap().Delete(colours.ColorNameMap().IndexOfName("clHotLight"));
  EXPECT_EQ(colours.DisplayName(0, SysColor(26)), "HotLight");
  EXPECT_EQ(colours.DisplayName(0, static_cast<TColor>(0x123456)), "$00123456");
  colours.SetOptions({coText, coSysColors});
  colours.GetColors();
  EXPECT_EQ(colours.Items().Count(), 20 + 25);
  EXPECT_EQ(colours.Items().Strings(1), "Maroon");
  EXPECT_EQ(colours.Items().Strings(20), "ScrollBar");
}

TEST_F(Combos, AColourNotInTheListIsAddedAndChosen) {
  TVcColorComboBox colours(nullptr);
  FillColorNameMap(colours.ColorNameMap());
  colours.GetColors();
  colours.SetColorValue(clRed);
  EXPECT_EQ(colours.Text(), "Red");
  colours.SetColorValue(static_cast<TColor>(RGB(1, 2, 3)));
  ASSERT_EQ(colours.Items().Count(), 21);
  EXPECT_EQ(colours.Items().Strings(20), "Custom");
  EXPECT_EQ(colours.ItemIndex(), 20);
  EXPECT_EQ(colours.ColorValue(), static_cast<TColor>(RGB(1, 2, 3)));
  colours.OnNewColor = [](TObject*, TColor, std::string&, bool& allow) { allow = false; };
  colours.SetColorValue(static_cast<TColor>(RGB(9, 9, 9)));  // refused: nothing changes
  EXPECT_EQ(colours.Items().Count(), 21);
  EXPECT_EQ(colours.ColorValue(), static_cast<TColor>(RGB(1, 2, 3)));
}

TEST_F(Combos, TheCustomEntryAsksTheColourDialog) {
  TVcColorComboBox colours(nullptr);
  colours.SetColorDialogText("Custom...");
  colours.SetOptions({coText, coCustomColors});
  colours.GetColors();
  ASSERT_EQ(colours.Items().Strings(colours.CustomIndex()), "Custom...");
  TCheckedModalScript script;
  TModalAnswer answer;
  answer.Color = static_cast<TColor>(RGB(10, 20, 30));
  script.Expect(mkColor, "", answer);
  colours.PeerItemChosen(colours.CustomIndex());
  EXPECT_EQ(colours.ColorValue(), static_cast<TColor>(RGB(10, 20, 30)));
  EXPECT_EQ(colours.Items().Strings(colours.ItemIndex()), "Custom");
  EXPECT_EQ(colours.CustomIndex(), colours.Items().Count() - 1);
}

TEST_F(Combos, TypeAheadInADropDownListAndItsPause) {
  TVcCustomComboBox box(nullptr);
  box.SetStyle(csDropDownList);
  for (const char* s : {"Beige", "Blue", "Brown", "Lime"}) box.Items().Add(s);
  DWORD now = 1000;
  box.Clock = [&] { return now; };
  box.HandleNeeded();
  HeadlessInput::Type(box, "b");
  EXPECT_EQ(box.Text(), "Beige");
  now += 300;
  HeadlessInput::Type(box, "l");
  EXPECT_EQ(box.Text(), "Blue");
  now += 300;
  HeadlessInput::Type(box, "r");  // "blr" matches nothing: stays
  EXPECT_EQ(box.Text(), "Blue");
  now += 500;
  HeadlessInput::Type(box, "l");  // a pause of 500 ms starts over
  EXPECT_EQ(box.Text(), "Lime");
}

TEST_F(Combos, TypedTextPastThePixelLimitBeepsAndIsCut) {
  TVcCustomComboBox box(nullptr);
  box.SetStyle(csDropDown);
  box.MaxPixel().Length = 50;  // 7 characters of 7 pixels
  box.HandleNeeded();
  int beeps = ScreenService().Beeps();
  HeadlessInput::Type(box, "abcdefghij");
  EXPECT_EQ(box.Text(), "abcdefg");
  EXPECT_GT(ScreenService().Beeps(), beeps);
}

TEST_F(Combos, ReadOnlyBoxesTakeNoKeysAndTheHintColourFollowsTheMouse) {
  TVcCustomComboBox box(nullptr);
  box.SetStyle(csDropDown);
  for (const char* s : {"one", "two"}) box.Items().Add(s);
  box.HandleNeeded();
  box.SetItemIndex(0);
  box.SetReadOnly(true);
  HeadlessInput::Type(box, "tw");
  HeadlessInput::Key(box, VK_DOWN);
  EXPECT_EQ(box.ItemIndex(), 0);
  EXPECT_EQ(box.Text(), "one");
  box.SetReadOnly(false);
  HeadlessInput::Key(box, VK_DOWN);
  EXPECT_EQ(box.ItemIndex(), 1);
  std::unique_ptr<TApplication> own;
  if (!Application) own = std::make_unique<TApplication>();
  TApplication* app = Application;
  app->SetHintColor(clYellow);
  box.HintColor = clAqua;
  box.Perform(CM_MOUSEENTER);
  EXPECT_EQ(app->HintColor(), clAqua);
  box.Perform(CM_MOUSELEAVE);
  EXPECT_EQ(app->HintColor(), clYellow);
}

TEST_F(Combos, RegistryValuesOfTheWrongKindReadAsNotFound) {
  std::string home = ::testing::TempDir() + "/combos_reg_" + std::to_string(getpid());
  std::string old = getenv("XDG_CONFIG_HOME") ? getenv("XDG_CONFIG_HOME") : "";
  setenv("XDG_CONFIG_HOME", home.c_str(), 1);
  TVcRegAutoSave reg;
  reg.Active = true;
  reg.Path = "Software\\Quillon\\Combos";
  reg.Key = "Colour";
  reg.SaveString("not a number");
  int value = 7;
  EXPECT_FALSE(reg.LoadInteger(value));  // no exception from a string where a number was meant
  EXPECT_EQ(value, 7);
  reg.SaveInteger(255);
  EXPECT_TRUE(reg.LoadInteger(value));
  EXPECT_EQ(value, 255);
  reg.Key = "Missing";
  std::string s;
  EXPECT_FALSE(reg.LoadString(s));
  TVcRegAutoSave inactive;
  inactive.Path = reg.Path;
  inactive.Key = "Colour";
  EXPECT_FALSE(inactive.LoadInteger(value));

  TVcColorComboBox colours(nullptr);
  colours.AutoSave().SetActive(true);
  colours.AutoSave().Registry().Path = reg.Path;
  colours.AutoSave().Registry().Key = "Colour";
  colours.Loaded();
  EXPECT_EQ(colours.ColorValue(), static_cast<TColor>(255));  // clRed, restored
  std::system(("rm -rf '" + home + "'").c_str());
  if (old.empty()) unsetenv("XDG_CONFIG_HOME");
  else setenv("XDG_CONFIG_HOME", old.c_str(), 1);
}

}  // namespace
