// The image report's format file: every value back after a round trip, and the refusal (with
// nothing changed) of cut, forged and out-of-range files; and its report items, chosen once each.
#include "client/reports/image_report_format.h"
#include "client/reports/image_report_items.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>

#include "platform/headless/headless_peer.h"
#include "platform/rtl/file_io.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/typed_stream.h"
#include "tests/client/core/client_fixture.h"
#include "tests/platform/headless/modal_script_check.h"

namespace {

using namespace image_report;

TImageReportFormat SampleFormat() {
  TImageReportFormat F;
  F.Fields = {{"Name", 500}, {"Colour", 30}, {"Notes", 610}, {"Items", 700}};
  F.IncludeRecordName = true;
  F.Layout = 3;
  F.ItemHeight = 7.5;
  F.CellSpacing = 0.25;
  F.PageFrame = 1;
  F.CellBorder = 2;
  F.BorderColor = 0x123456;
  F.LeftMargin = 1;
  F.RightMargin = 1.5;
  F.TopMargin = 0.75;
  F.BottomMargin = 4;
  F.Header = {1, "Left", "Centre", "Right", true, 0.6, 2, 3};
  F.Footer = {0, "", "Page", std::string(300, 'x'), false, 1.25, 1, 0};
  F.Images = {1, 6, 0, 2, 0, 3};
  F.IncludeImageTitle = true;
  F.ImageOrientation = 1;
  F.ImageSpace = 35;
  for (int k = 0; k < kReportFonts; ++k) {
    F.Fonts[k].SetName("Font " + std::to_string(k));
    F.Fonts[k].SetHeight(-(8 + k));
    F.Fonts[k].SetColor(0x10101 * k);
    F.Fonts[k].SetStyle(k % 2 ? TFontStyles{fsBold, fsUnderline} : TFontStyles{});
  }
  return F;
}

std::string Encode(const TImageReportFormat& F) {
  TMemoryStream S;
  WriteImageReportFormat(S, F);
  return std::string(static_cast<const char*>(S.Memory()), static_cast<std::size_t>(S.Size()));
}

bool Decode(const std::string& Bytes, TImageReportFormat& F) {
  TMemoryStream S;
  S.WriteBuffer(Bytes.data(), static_cast<long>(Bytes.size()));
  S.SetPosition(0);
  return ReadImageReportFormat(S, F);
}

void ExpectSame(const TImageReportFormat& A, const TImageReportFormat& B) {
  EXPECT_EQ(A.Fields, B.Fields);
  EXPECT_EQ(A.IncludeRecordName, B.IncludeRecordName);
  EXPECT_EQ(A.IncludeFieldNames, B.IncludeFieldNames);
  EXPECT_EQ(A.Layout, B.Layout);
  EXPECT_DOUBLE_EQ(A.ItemHeight, B.ItemHeight);
  EXPECT_DOUBLE_EQ(A.CellSpacing, B.CellSpacing);
  EXPECT_EQ(A.PageFrame, B.PageFrame);
  EXPECT_EQ(A.CellBorder, B.CellBorder);
  EXPECT_EQ(A.BorderColor, B.BorderColor);
  EXPECT_DOUBLE_EQ(A.LeftMargin, B.LeftMargin);
  EXPECT_DOUBLE_EQ(A.RightMargin, B.RightMargin);
  EXPECT_DOUBLE_EQ(A.TopMargin, B.TopMargin);
  EXPECT_DOUBLE_EQ(A.BottomMargin, B.BottomMargin);
  EXPECT_EQ(A.Header, B.Header);
  EXPECT_EQ(A.Footer, B.Footer);
  EXPECT_EQ(A.Images, B.Images);
  EXPECT_EQ(A.IncludeImageTitle, B.IncludeImageTitle);
  EXPECT_EQ(A.ImageOrientation, B.ImageOrientation);
  EXPECT_EQ(A.ImageSpace, B.ImageSpace);
  for (int k = 0; k < kReportFonts; ++k) {
    EXPECT_EQ(A.Fonts[k].Name(), B.Fonts[k].Name()) << k;
    EXPECT_EQ(A.Fonts[k].Height(), B.Fonts[k].Height()) << k;
    EXPECT_EQ(A.Fonts[k].Color(), B.Fonts[k].Color()) << k;
    EXPECT_EQ(A.Fonts[k].Style(), B.Fonts[k].Style()) << k;
  }
}

TEST(ImageReportFormat, EveryValueComesBackInOrder) {
  const TImageReportFormat F = SampleFormat();
  const std::string Bytes = Encode(F);
  TImageReportFormat G;
  ASSERT_TRUE(Decode(Bytes, G));
  ExpectSame(F, G);
  // The stream's head: the item list with its captions and codes, then the two Booleans.
  TMemoryStream S;
  S.WriteBuffer(Bytes.data(), static_cast<long>(Bytes.size()));
  S.SetPosition(0);
  TReader R(S, 64);
  R.ReadListBegin();
  EXPECT_EQ(R.ReadString(), "Name");
  EXPECT_EQ(R.ReadInteger(), 500);
  // The border colour is a colour dialog's root component stream.
  EXPECT_NE(Bytes.find("TColorDialog"), std::string::npos);
  EXPECT_NE(Bytes.find("TFontDialog"), std::string::npos);
}

TEST(ImageReportFormat, CutFilesAreRefusedAndChangeNothing) {
  const std::string Bytes = Encode(SampleFormat());
  const TImageReportFormat Before;  // defaults
  for (std::size_t Cut = 0; Cut < Bytes.size(); Cut += (Cut < 64 ? 1 : 7)) {
    TImageReportFormat G;
    EXPECT_FALSE(Decode(Bytes.substr(0, Cut), G)) << Cut;
    ExpectSame(G, Before);
    if (::testing::Test::HasFailure()) break;
  }
  TImageReportFormat G;
  EXPECT_FALSE(Decode(Bytes + std::string(1, '\0'), G)) << "trailing byte";
  EXPECT_TRUE(G.Fields.empty());
}

// A file written by hand: the sample's values, with one changed by Forge before writing.
std::string Forged(const std::function<void(TImageReportFormat&)>& Forge) {
  TImageReportFormat F = SampleFormat();
  Forge(F);
  return Encode(F);
}

TEST(ImageReportFormat, IndexesOutsideTheirCombosAndUnknownItemsAreRefused) {
  const std::vector<std::pair<const char*, std::function<void(TImageReportFormat&)>>> Cases = {
      {"layout 4", [](auto& F) { F.Layout = 4; }},
      {"layout -1", [](auto& F) { F.Layout = -1; }},
      {"page frame 2", [](auto& F) { F.PageFrame = 2; }},
      {"cell border 4", [](auto& F) { F.CellBorder = 4; }},
      {"header visible 2", [](auto& F) { F.Header.Visible = 2; }},
      {"header page 4", [](auto& F) { F.Header.PageNumber = 4; }},
      {"footer date -1", [](auto& F) { F.Footer.Date = -1; }},
      {"image 7", [](auto& F) { F.Images[5] = 7; }},
      {"orientation 2", [](auto& F) { F.ImageOrientation = 2; }},
      {"image space 101", [](auto& F) { F.ImageSpace = 101; }},
      {"item code 15", [](auto& F) { F.Fields.push_back({"Odd", 15}); }},
      {"item code twice", [](auto& F) { F.Fields.push_back({"Again", 30}); }},
      {"margin 5", [](auto& F) { F.LeftMargin = 5; }},
      {"margin NaN", [](auto& F) { F.TopMargin = std::nan(""); }},
      {"font height 0", [](auto& F) { F.Fonts[19].SetHeight(0); }},
  };
  for (const auto& [Name, Forge] : Cases) {
    TImageReportFormat G;
    G.Layout = 2;
    EXPECT_FALSE(Decode(Forged(Forge), G)) << Name;
    EXPECT_EQ(G.Layout, 2) << Name;
    EXPECT_TRUE(G.Fields.empty()) << Name;
  }
  // The edges of every range are accepted.
  TImageReportFormat G;
  EXPECT_TRUE(Decode(Forged([](auto& F) {
                       F.Layout = 0;
                       F.Images = {6, 6, 6, 0, 0, 0};
                       F.ImageSpace = 100;
                       F.Fields.clear();
                       for (int Code : ReportItemCodes()) F.Fields.push_back({"x", Code});
                     }),
                     G));
  EXPECT_EQ(G.Fields.size(), 32u);
}

TEST(ImageReportFormat, LengthsLargerThanTheFileAreRefused) {
  std::string Bytes = Encode(SampleFormat());
  // The first caption "Name" is a short string: list tag, string tag 6, its length byte.
  ASSERT_EQ(Bytes[1], '\x06');
  ASSERT_EQ(Bytes[2], '\x04');
  Bytes[2] = '\xFF';
  TImageReportFormat G;
  EXPECT_FALSE(Decode(Bytes, G));
  // A long string claiming four gigabytes in a file of a few hundred bytes.
  TMemoryStream S;
  {
    TWriter W(S);
    W.WriteListBegin();
    W.WriteValue(vaLString);
    const std::uint32_t Huge = 0xFFFFFFF0u;
    W.Write(&Huge, 4);
  }
  const std::string Head(static_cast<const char*>(S.Memory()), static_cast<std::size_t>(S.Size()));
  EXPECT_FALSE(Decode(Head + Bytes.substr(7), G));
  EXPECT_TRUE(G.Fields.empty());
}

TEST(ImageReportFormat, SavingAsksBeforeOverwritingAndLoadingSaysWhatHappened) {
  InstallHeadlessBackend();
  const fs::path Root = TestFolder("image_report_format");
  fs::create_directories(Root);
  const std::string File = (Root / "layout.irp").string();
  const TImageReportFormat F = SampleFormat();
  {
    TCheckedModalScript Script;
    Script.ExpectSaveFile("Save Report Format", File);
    Script.ExpectMessage(std::string(kSavedText) + File, mrOk);
    EXPECT_TRUE(SaveImageReport(2, F, Root.string()));
  }
  {
    // It exists: No asks for another name, which is cancelled; nothing is written.
    AtomicWriteFile(File, "kept");
    TCheckedModalScript Script;
    Script.ExpectSaveFile("", File);
    Script.ExpectMessage(File + kOverwriteText, mrNo);
    Script.ExpectCancel(mkSaveFile, "");
    EXPECT_FALSE(SaveImageReport(2, F, Root.string()));
    EXPECT_EQ(ReadFileBytes(File), "kept");
  }
  {
    TCheckedModalScript Script;
    Script.ExpectOpenFile("", File);
    Script.ExpectMessage(kInvalidText, mrOk);
    TImageReportFormat G;
    EXPECT_FALSE(LoadReportFormat(2, G));
    EXPECT_EQ(G.Layout, 1);
  }
  // On close, without a message.
  ASSERT_TRUE(SaveImageReport(1, F, Root.string()));
  {
    TCheckedModalScript Script;
    Script.ExpectOpenFile("", (Root / kLastReportFile).string());
    Script.ExpectMessage(kLoadedText, mrOk);
    TImageReportFormat G;
    EXPECT_TRUE(LoadReportFormat(2, G));
    ExpectSame(F, G);
  }
  fs::remove_all(Root);
}

TEST(ImageReportItems, AnItemIsChosenOnceAndALoadedListDisablesItsEntries) {
  TFieldCaptions C;
  C.RecordTitle = "Record Name";
  for (int i = 0; i < 10; ++i) C.DescriptionNames[i] = "Desc " + std::to_string(i + 1);
  for (int i = 0; i < 10; ++i) C.DetailNames[i] = "Detail " + std::to_string(i + 1);
  for (int i = 0; i < 6; ++i) C.OtherNames[i] = "Other " + std::to_string(i + 1);
  C.NotesTitles = {"Notes One", "Notes Two", "Notes Three"};
  for (int i = 0; i < 8; ++i) C.PageCaptions[i] = "Page " + std::to_string(i);
  TReportItems Items;
  Items.Rebuild(C);
  // The menu's codes are the ones a format file may hold, in the same order.
  std::vector<int> Codes;
  for (const auto& E : Items.Menu) Codes.push_back(E.Code);
  EXPECT_EQ(Codes, ReportItemCodes());
  EXPECT_EQ(Items.FieldTitle(610), "Notes Three");
  EXPECT_EQ(Items.FieldTitle(620), "Notes Two");
  // The checked items under the item list page's title, the rich text under its page's.
  EXPECT_EQ(Items.FieldTitle(700), "Page 1");
  EXPECT_EQ(Items.FieldTitle(800), "Page 5");
  EXPECT_EQ(Items.FieldTitle(120), "Detail 2");
  EXPECT_EQ(Items.FieldTitle(270), "");
  EXPECT_FALSE(Items.RemoveEnabled);
  EXPECT_TRUE(Items.Add(260));
  EXPECT_TRUE(Items.Add(10));
  EXPECT_FALSE(Items.Add(260));
  EXPECT_FALSE(Items.Add(270));
  EXPECT_TRUE(Items.RemoveEnabled);
  Items.MoveUp(1);
  EXPECT_EQ(Items.Fields, (std::vector<TReportItem>{{"Desc 1", 10}, {"Other 6", 260}}));
  Items.MoveDown(1);  // already last
  Items.Remove(1);
  EXPECT_TRUE(Items.Add(260));
  // A loaded list: its entries disabled, the others enabled again, kept over a rebuild.
  Items.Assign({{"Memo", 610}, {"Name", 500}});
  Items.Rebuild(C);
  EXPECT_FALSE(Items.Add(610));
  EXPECT_TRUE(Items.Add(10));
  EXPECT_EQ(Items.Fields.size(), 3u);
}

}  // namespace
