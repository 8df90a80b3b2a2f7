// Label templates and the label printer over preview pages: positions, start label, draw order,
// full sheets without a trailing page, the millimetre sheet, custom templates in the user's
// configuration folder, and the outline and clip objects of each label.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/rtl/ini_files.h"
#include "print/label_printer.h"
#include "print_test_support.h"

namespace {

class LabelTest : public PrintTest {
protected:
  void SetUp() override {
    PrintTest::SetUp();
    printer.SetPreview(&preview);
    printer.OnDrawLabel = [this](TObject*, int n, TPgValueRect& r, TPgCanvas& c) {
      numbers.push_back(n);
      rects.push_back(r.GetRectExt());
      pages.push_back(preview.CurrentPage());
      c.TextOut(r.Left().AsInches() + 0.1, r.Top().AsInches() + 0.1, "L" + std::to_string(n), gmInches);
    };
  }
  TPgPreview preview{nullptr};
  TPgLabelPrinter printer{nullptr};
  std::vector<int> numbers;
  std::vector<TPgRectExt> rects;
  std::vector<int> pages;
};

TEST_F(LabelTest, BuiltInTemplates) {
  TPgLabelTemplateList& list = printer.Templates();
  ASSERT_EQ(list.Count(), 19);
  EXPECT_EQ(list.GetTemplate(0)->Id, L7159_Address);
  EXPECT_EQ(list.GetTemplate(-1), nullptr);
  EXPECT_EQ(list.GetTemplate(19), nullptr);
  EXPECT_EQ(list.FindByName("l7160_address"), list.FindById(L7160_Address));
  const TPgLabelTemplateInfo* parcel = list.FindById(L7169_Parcel);
  EXPECT_EQ(parcel->Orientation, gmLandscape);
  EXPECT_DOUBLE_EQ(parcel->LabelHeight, 3.9);
  EXPECT_DOUBLE_EQ(parcel->VertPitch, 4.0);
  EXPECT_DOUBLE_EQ(parcel->CornerRadius, 0.15);
  EXPECT_EQ(list.FindById(Avery_5160_Address)->PaperSize, Letter);
  EXPECT_DOUBLE_EQ(list.FindById(Avery_5160_Address)->PaperWidth, GetPaperDimensions(Letter).Width);
  // The 2 x 16 sheet: millimetres, its own id, the other template's name.
  EXPECT_EQ(list.FindById(Avery_8160_Address), nullptr);
  const TPgLabelTemplateInfo* sheet = list.FindById(Herma_4209);
  ASSERT_NE(sheet, nullptr);
  EXPECT_EQ(sheet->Name, "Avery_8160_Address");
  EXPECT_NEAR(sheet->LabelWidth, 96 / 25.4, 1e-12);
  EXPECT_NEAR(sheet->TopOffset + 16 * sheet->VertPitch, (12 + 16 * 16.9) / 25.4, 1e-12);
  EXPECT_LT(sheet->LeftOffset + 2 * sheet->HorzPitch, GetPaperDimensions(A4).Width);
  EXPECT_EQ(list.FindByName("avery_8160_address"), sheet);
  TStringList names;
  names.Add("old");
  list.GetTemplateNames(names);
  ASSERT_EQ(names.Count(), 19);
  EXPECT_EQ(names[0], "L7159_Address");
  EXPECT_EQ(names[18], "Avery_8160_Address");
}

TEST_F(LabelTest, StartLabelLeavesThePositionsBeforeItEmpty) {
  printer.StartLabel = 4;
  printer.DrawLabels(5);
  EXPECT_EQ(numbers, (std::vector<int>{1, 2, 3, 4, 5}));
  ASSERT_EQ(rects.size(), 5u);
  // Position 4 is the first of the second row; 8 the second of the third.
  EXPECT_DOUBLE_EQ(rects[0].Left, 0.25);
  EXPECT_DOUBLE_EQ(rects[0].Top, 0.54 + 1.33);
  EXPECT_DOUBLE_EQ(rects[0].Right, 0.25 + 2.52);
  EXPECT_DOUBLE_EQ(rects[2].Left, 0.25 + 2 * 2.63);
  EXPECT_DOUBLE_EQ(rects[4].Left, 0.25 + 2.63);
  EXPECT_DOUBLE_EQ(rects[4].Top, 0.54 + 2 * 1.33);
  EXPECT_EQ(preview.NumPages(), 1);
  EXPECT_EQ(printer.LabelsPerPage(), 24);
}

TEST_F(LabelTest, FullSheetsAddNoTrailingPage) {
  printer.DrawLabels(24);
  EXPECT_EQ(preview.NumPages(), 1);
  EXPECT_EQ(numbers.size(), 24u);
  EXPECT_DOUBLE_EQ(rects.back().Top, 0.54 + 7 * 1.33);
  numbers.clear();
  pages.clear();
  preview.Clear();
  printer.DrawLabels(25);
  EXPECT_EQ(preview.NumPages(), 2);
  EXPECT_EQ(pages[23], 1);
  EXPECT_EQ(pages[24], 2);
  EXPECT_DOUBLE_EQ(rects.back().Left, 0.25);
  EXPECT_DOUBLE_EQ(rects.back().Top, 0.54);
  preview.Clear();
  printer.DrawLabels(48);
  EXPECT_EQ(preview.NumPages(), 2);
}

TEST_F(LabelTest, ColumnsOrderAndLabelHeights) {
  printer.SetTemplate(L7162_Address);  // 2 x 8
  printer.DrawOrder = gmColumns;
  std::vector<std::pair<int, int>> asked;
  printer.OnGetLabelHeight = [&](TObject*, int n, int col, int row, TPgValue& h, TPgValue& s) {
    asked.push_back({col, row});
    EXPECT_EQ(n, static_cast<int>(asked.size()));
    if (n == 2) {
      h.SetAsInches(0.5);
      s.SetAsInches(0.75);
    }
  };
  printer.DrawLabels(10);
  ASSERT_EQ(rects.size(), 10u);
  EXPECT_DOUBLE_EQ(rects[0].Left, 0.18);
  EXPECT_DOUBLE_EQ(rects[1].Left, 0.18);
  EXPECT_DOUBLE_EQ(rects[1].Bottom - rects[1].Top, 0.5);
  EXPECT_DOUBLE_EQ(rects[2].Top, 0.54 + 1.33 + 0.75);
  EXPECT_DOUBLE_EQ(rects[8].Left, 0.18 + 4.0);  // the ninth label starts the second column
  EXPECT_DOUBLE_EQ(rects[8].Top, 0.54);
  EXPECT_EQ(asked[8], (std::pair<int, int>{2, 1}));
}

TEST_F(LabelTest, EachLabelIsAnInvisibleOutlineAClipAndItsContents) {
  printer.SetTemplate(L7165_Parcel);
  printer.DrawLabels(1);
  TPgPage& page = *preview.GetPage(1);
  std::vector<int> ids;
  for (int i = 0; i < page.ObjectCount(); ++i) ids.push_back(page.Objects(i)->GetObjectID());
  // Remove-clip first, then outline, clip, the label's text, remove-clip.
  EXPECT_EQ(ids, (std::vector<int>{kPgRemoveClipID, kPgRoundRectID, kPgClipRoundRectID, kPgTextObjectID, kPgRemoveClipID}));
  auto* outline = dynamic_cast<TPgRoundRectShape*>(page.Objects(1));
  ASSERT_NE(outline, nullptr);
  EXPECT_FALSE(outline->Visible());
  EXPECT_EQ(outline->Brush()->Color, static_cast<TColor>(0xEFEFEF));
  EXPECT_DOUBLE_EQ(outline->Third().X, 0.3);
  EXPECT_TRUE(page.Objects(3)->Visible());
  EXPECT_EQ(preview.PaperSize(), A4);
  // The canvas's own brush is back.
  EXPECT_NE(preview.Canvas().Brush().Color(), static_cast<TColor>(0xEFEFEF));

  preview.Clear();
  printer.ClipLabels = false;
  printer.SetTemplate(L7169_Parcel);
  printer.DrawLabels(1);
  EXPECT_EQ(preview.Orientation(), gmLandscape);
  EXPECT_EQ(preview.GetPage(1)->ObjectCount(), 4);
}

TEST_F(LabelTest, NoTemplateOrNoPreviewDrawsNothing) {
  printer.SetTemplate(Avery_8160_Address);
  EXPECT_EQ(printer.CurrentTemplate(), nullptr);
  EXPECT_EQ(printer.LabelsPerPage(), 0);
  printer.DrawLabels(3);
  EXPECT_TRUE(numbers.empty());
  EXPECT_EQ(preview.GetPage(1)->ObjectCount(), 0);

  TPrintTestScript script;
  script.ExpectMessage("TPgLabelPrinter Error!\r\rThe \"Preview\" property must be set to a TPgPreview component", mrOk);
  TPgLabelPrinter alone(nullptr);
  alone.DrawLabels(2);
  EXPECT_EQ(script.Remaining(), 0);
  {
    TPgPreview shortLived(nullptr);
    alone.SetPreview(&shortLived);
  }
  EXPECT_EQ(alone.Preview(), nullptr);
}

TEST_F(LabelTest, CustomTemplatesGoToTheConfigurationFolder) {
  std::string folder = std::filesystem::temp_directory_path() / ("qn_labels_" + std::to_string(getpid()));
  std::filesystem::remove_all(folder);
  const char* old = std::getenv("XDG_CONFIG_HOME");
  std::string saved = old ? old : "";
  setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
  {
    // A new list has nothing custom and writes nothing.
    TPgLabelTemplateList list;
    list.SaveToIniFile(kLabelTemplateFile);
    EXPECT_FALSE(std::filesystem::exists(folder));
    auto* custom = list.AddTemplate(Custom_Template, "Badges", gmMillimeters, lsEllipse, gmPortrait, Custom,
                                    {100, 150}, 10, 5, 50, 40, 45, 35, 3, 2);
    EXPECT_NEAR(custom->PaperWidth, 100 / 25.4, 1e-12);
    list.SaveToIniFile("c:\\labels.ini");
    std::string file = folder + "/labels.ini";
    ASSERT_TRUE(std::filesystem::exists(file));
    TMemIniFile ini(file);
    EXPECT_EQ(ini.ReadInteger("Badges", "nh", 0), 2);
    EXPECT_EQ(ini.ReadInteger("Badges", "nv", 0), 3);
    EXPECT_NEAR(ini.ReadFloat("Badges", "lw", 0), 45 / 25.4, 1e-9);
    EXPECT_NEAR(ini.ReadFloat("Badges", "oy", 0), 10 / 25.4, 1e-9);
    EXPECT_NEAR(ini.ReadFloat("Badges", "ph", 0), 150 / 25.4, 1e-9);
    EXPECT_EQ(ini.ReadString("Badges", "ps", ""), PaperSizeToString(Custom));
    EXPECT_EQ(ini.ReadInteger("Badges", "ls", -1), 2);
    EXPECT_FALSE(ini.SectionExists("L7159_Address"));
    // The printer sets the custom paper.
    printer.Templates().AddTemplate(Custom_Template, "Badges", gmMillimeters, lsEllipse, gmPortrait, Custom,
                                    {100, 150}, 10, 5, 50, 40, 45, 35, 3, 2);
    printer.SetTemplate(Custom_Template);
    printer.DrawLabels(1);
    EXPECT_EQ(preview.PaperSize(), Custom);
    EXPECT_NEAR(preview.GetPage(1)->Height, 150 / 25.4, 1e-9);
    EXPECT_EQ(preview.GetPage(1)->Objects(1)->GetObjectID(), kPgEllipseID);
  }
  if (old) setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  else unsetenv("XDG_CONFIG_HOME");
  std::filesystem::remove_all(folder);
}

}  // namespace
