// Field kinds, quantities through the server's "Add", label renames, the six record images
// (upload limits, show, fit, the downloaded copy removed) and the attachment, against the real
// dispatcher in-process.
#include "client/core/record_fields.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/gfx/bitmap.h"
#include "platform/headless/headless_peer.h"
#include "platform/rtl/file_io.h"
#include "platform/ui/shell.h"
#include "tests/client/core/client_fixture.h"

namespace {

// Writes pictures with the outside imaging library.
bool WritePicture(const fs::path& File, int W, int H) {
  const std::string Cmd = "/usr/bin/python3 -c \"from PIL import Image; im = Image.new('RGB', (" + std::to_string(W) +
                          "," + std::to_string(H) + "), (200, 40, 40)); im.save('" + File.string() + "')\" 2>&1";
  return std::system(Cmd.c_str()) == 0;
}

void WriteBytes(const fs::path& File, std::size_t N) {
  std::ofstream F(File, std::ios::binary);
  F << std::string(N, 'x');
}

}  // namespace

TEST(FieldKinds, KindsAndNames) {
  TConfiguration C;
  SetDefaultFieldNames(C);
  C.DetailKinds[2] = "Reminder Date";
  C.DetailKinds[3] = "web URL";
  C.OtherKinds[0] = "Stock Quantity";
  C.OtherKinds[5] = "Record Counter";
  C.DetailKinds[9] = "Barcode";
  EXPECT_EQ(GetFieldType(C, "Detail2"), "Reminder Date");
  EXPECT_EQ(GetFieldType(C, "Other1"), "Stock Quantity");
  EXPECT_EQ(GetFieldType(C, "Other6"), "Record Counter");
  EXPECT_EQ(GetFieldType(C, "Other0"), "");
  EXPECT_EQ(GetFieldType(C, "Detail10"), "");
  EXPECT_EQ(GetFieldType(C, "RecordName"), "");
  EXPECT_EQ(FieldClickOf("Reminder Date"), TFieldClick::Date);
  // A field the window makes read-only as a date field opens the date menu in any case: the
  // shipped definition writes "date".
  EXPECT_EQ(FieldClickOf("date"), TFieldClick::Date);
  EXPECT_EQ(FieldClickOf("web URL"), TFieldClick::URL);
  EXPECT_EQ(FieldClickOf("Barcode"), TFieldClick::Barcode);
  EXPECT_EQ(FieldClickOf("Stock Quantity"), TFieldClick::Quantity);
  EXPECT_EQ(FieldClickOf("Record Counter"), TFieldClick::RecordCounter);
  // Moving over the numbering skips 10-20 both ways.
  EXPECT_EQ(ReturnFieldName(C, 9, 1), C.OtherNames[0]);
  EXPECT_EQ(ReturnFieldName(C, 21, -1), C.DetailNames[9]);
  EXPECT_EQ(ReturnFieldName(C, 26, 1), "");
  EXPECT_EQ(ReturnFieldName(C, 15, 0), "");
}

TEST(PictureFit, KeepsTheRatioAndRefusesEmptyPictures) {
  const TPictureFit Wide = FitPicture(800, 400, 400, 300);
  EXPECT_TRUE(Wide.Valid);
  EXPECT_EQ(Wide.Width, 400);
  EXPECT_EQ(Wide.Height, 200);
  const TPictureFit Tall = FitPicture(100, 300, 400, 300);
  EXPECT_EQ(Tall.Width, 100);
  EXPECT_EQ(Tall.Height, 300);
  // Too high when fitted to the width: the panel's height wins.
  const TPictureFit Flat = FitPicture(1000, 900, 400, 300);
  EXPECT_EQ(Flat.Height, 300);
  EXPECT_EQ(Flat.Width, 333);
  EXPECT_FALSE(FitPicture(0, 100, 400, 300).Valid);
  EXPECT_FALSE(FitPicture(100, 0, 400, 300).Valid);
}

class RecordFieldsTest : public ::testing::Test {
protected:
  void SetUp() override {
    InstallHeadlessBackend();
    Root = TestFolder("fields");
    Served = std::make_unique<TServedDatabase>(Root);
    Window = std::make_unique<TRecordWindow>(Served->Session, View);
    ASSERT_TRUE(Window->OpenDatabase(nullptr));
    Fields = std::make_unique<TRecordFields>(*Window);
  }
  void TearDown() override {
    SetShellHandler(nullptr);
    Fields.reset();
    Window.reset();
    Served.reset();
    fs::remove_all(Root);
  }
  ItemRecord Stored() {
    TServerSession S(Served->Server);
    S.DatabaseName = Served->Session.DatabaseName;
    ItemRecord R;
    EXPECT_TRUE(ReadRecordStream(S.Get("G" + Window->Number()), R));
    return R;
  }
  fs::path Root;
  std::unique_ptr<TServedDatabase> Served;
  TModelView View;
  std::unique_ptr<TRecordWindow> Window;
  std::unique_ptr<TRecordFields> Fields;
};

TEST_F(RecordFieldsTest, QuantityAddsOnTheServerAndAFailureKeepsTheField) {
  View.Editors.Details[3] = "10";
  Window->Detail8Change(3);
  ASSERT_TRUE(Window->SaveRecord(Window->Buffers.Current, true));
  EXPECT_TRUE(Fields->AddQuantity(3, 5));
  EXPECT_EQ(View.Editors.Details[3], "15");
  EXPECT_EQ(Stored().Details[3], "15");
  // What was typed in another field is stored before the amount goes and survives the reload.
  View.Editors.Details[1] = "typed before the amount";
  Window->Detail8Change(1);
  View.Editors.Name = "renamed before the amount";
  Window->RecordChange();
  Served->Recorder.Clear();
  EXPECT_TRUE(Fields->AddQuantity(3, -2));
  const std::vector<std::string> Verbs = Served->Recorder.Verbs();
  ASSERT_EQ(Verbs.size(), 4u);
  EXPECT_EQ(Verbs[0], "S" + Window->Number());
  EXPECT_EQ(Verbs[1].substr(0, 1), "Z");
  EXPECT_EQ(Verbs[2], "CL");
  EXPECT_EQ(Verbs[3], "G" + Window->Number());
  EXPECT_EQ(View.Editors.Details[1], "typed before the amount");
  EXPECT_EQ(View.Editors.Name, "renamed before the amount");
  EXPECT_EQ(View.Editors.Details[3], "13");
  EXPECT_EQ(Stored().Details[1], "typed before the amount");
  EXPECT_EQ(Stored().Details[3], "13");
  // The server is gone: the message shows, the field and the mask stay as they were, so the
  // next save cannot overwrite the stored quantity.
  Served->Recorder.Fail = true;
  {
    TCheckedModalScript Script;
    Script.ExpectMessage(TRecordWindow::RequestProblemText, mrOk);
    EXPECT_FALSE(Fields->AddQuantity(3, 7));
  }
  EXPECT_EQ(View.Editors.Details[3], "13");
  EXPECT_FALSE(Window->Buffers.RecordMask.Get(RecordMask::Details, 3));
  Served->Recorder.Fail = false;
  EXPECT_EQ(Stored().Details[3], "13");
}

TEST_F(RecordFieldsTest, LabelRenamesFlagTheConfiguration) {
  {
    TCheckedModalScript Script;
    Script.ExpectInput("Please enter a new Field Name:", "Colour");
    EXPECT_TRUE(Fields->CustomizeLabels(22, "Other 3"));
  }
  Window->LoadServerConfiguration();
  EXPECT_EQ(Window->Buffers.Configuration.OtherNames[2], "Colour");
  EXPECT_TRUE(Fields->CustomizeDetailLabel(13, "Weight", "quantity"));
  Window->LoadServerConfiguration();
  EXPECT_EQ(Window->Buffers.Configuration.DetailNames[3], "Weight");
  EXPECT_EQ(Window->Buffers.Configuration.DetailKinds[3], "quantity");
  EXPECT_FALSE(Fields->CustomizeLabels(15, "x"));  // a detail label goes through the field editor
}

TEST_F(RecordFieldsTest, ImagesUploadShowFitAndLeaveNoCopy) {
  const fs::path Pics = Root / "pics";
  fs::create_directories(Pics);
  ASSERT_TRUE(WritePicture(Pics / "wide.jpg", 800, 400));
  ASSERT_TRUE(WritePicture(Pics / "wide.gif", 80, 40));
  ASSERT_TRUE(WritePicture(Pics / "tall.pcx", 30, 60));
  EXPECT_TRUE(Fields->SelectPicture(1, (Pics / "wide.jpg").string()));
  EXPECT_TRUE(Fields->SelectPicture(2, (Pics / "wide.gif").string()));
  EXPECT_TRUE(Fields->SelectPicture(3, (Pics / "tall.pcx").string()));
  EXPECT_EQ(Stored().Images[0].FileName, "wide.jpg");
  for (int Slot : {1, 2}) {
    TPictureShow S = Fields->DisplayPicture(Slot, true, 400, 300);
    ASSERT_EQ(S.State, TPictureShow::Shown) << Slot;
    EXPECT_EQ(S.Bitmap->Width(), 400);
    EXPECT_EQ(S.Bitmap->Height(), 200);
  }
  TPictureShow Own = Fields->DisplayPicture(3, false, 400, 300);
  ASSERT_EQ(Own.State, TPictureShow::Shown);
  EXPECT_EQ(Own.Bitmap->Width(), 30);
  EXPECT_EQ(Own.Bitmap->Height(), 60);
  // The downloads are gone; the user's own files are not.
  EXPECT_FALSE(fs::exists(Served->Session.DownloadPath("wide.jpg")));
  EXPECT_TRUE(fs::exists(Pics / "wide.jpg"));
  // An empty slot, and a file that does not decode.
  EXPECT_EQ(Fields->DisplayPicture(4, true, 400, 300).StatusText, "No Image File Selected");
  WriteBytes(Pics / "broken.jpg", 100);
  EXPECT_TRUE(Fields->SelectPicture(5, (Pics / "broken.jpg").string()));
  TPictureShow Broken = Fields->DisplayPicture(5, true, 400, 300);
  EXPECT_EQ(Broken.State, TPictureShow::Invalid);
  EXPECT_EQ(Broken.StatusText, "Image File is Not Valid");
  // Clearing empties the name and flags it.
  Fields->ClearPicture(1);
  EXPECT_TRUE(Window->Buffers.RecordMask.Get(RecordMask::Images, 1));
  ASSERT_TRUE(Window->SaveRecord(Window->Buffers.Current, true));
  EXPECT_EQ(Stored().Images[0].FileName, "");
}

TEST_F(RecordFieldsTest, LargeJpegsFitAtTheirShownSizeWithTheirColoursInPlace) {
  // Left half red, right half blue, a green band at the bottom; an odd size that no reduction
  // divides; a progressive one; and one cut after its frame header.
  const fs::path Pics = Root / "pics";
  fs::create_directories(Pics);
  const std::string Cmd =
      "/usr/bin/python3 -c \"from PIL import Image, ImageDraw\n"
      "for name, w, h, prog in (('big', 1920, 1080, False), ('odd', 1001, 333, False), ('prog', 1600, 1200, True)):\n"
      "  im = Image.new('RGB', (w, h), (220, 20, 20))\n  d = ImageDraw.Draw(im)\n"
      "  d.rectangle((w // 2, 0, w, h), fill=(20, 20, 220))\n  d.rectangle((0, h * 9 // 10, w, h), fill=(20, 200, 20))\n"
      "  im.save('" + Pics.string() + "/' + name + '.jpg', quality=90, progressive=prog)\n"
      "data = open('" + Pics.string() + "/big.jpg', 'rb').read()\n"
      "open('" + Pics.string() + "/cut.jpg', 'wb').write(data[:len(data) // 3])\"";
  ASSERT_EQ(std::system(Cmd.c_str()), 0);
  struct TCase {
    const char* Name;
    int PanelW, PanelH, W, H;
  };
  int Slot = 1;
  for (const TCase& C : {TCase{"big", 800, 450, 800, 450}, TCase{"big", 1920, 1080, 1920, 1080},
                         TCase{"odd", 250, 100, 250, 83}, TCase{"prog", 300, 300, 300, 225}}) {
    ASSERT_TRUE(Fields->SelectPicture(Slot, (Pics / (std::string(C.Name) + ".jpg")).string()));
    TPictureShow S = Fields->DisplayPicture(Slot, true, C.PanelW, C.PanelH);
    ASSERT_EQ(S.State, TPictureShow::Shown) << C.Name;
    ASSERT_EQ(S.Bitmap->Width(), C.W) << C.Name;
    ASSERT_EQ(S.Bitmap->Height(), C.H) << C.Name;
    auto Near = [](COLORREF P, int R, int G, int B) {
      return std::abs(GetRValue(P) - R) < 40 && std::abs(GetGValue(P) - G) < 40 && std::abs(GetBValue(P) - B) < 40;
    };
    const TBitmap& B = *S.Bitmap;
    EXPECT_TRUE(Near(B.PixelAt(C.W / 4, C.H / 3), 220, 20, 20)) << C.Name;
    EXPECT_TRUE(Near(B.PixelAt(C.W * 3 / 4, C.H / 3), 20, 20, 220)) << C.Name;
    EXPECT_TRUE(Near(B.PixelAt(C.W / 2, C.H - 2), 20, 200, 20)) << C.Name;
    EXPECT_FALSE(fs::exists(Served->Session.DownloadPath(std::string(C.Name) + ".jpg")));
    Slot = Slot % 6 + 1;
  }
  // Shown at its own size it is not reduced.
  TPictureShow Own = Fields->DisplayPicture(1, false, 800, 450);
  ASSERT_EQ(Own.State, TPictureShow::Shown);
  EXPECT_EQ(Own.Bitmap->Width(), 1920);
  // A cut file whose header still reads is not valid, fitted or not.
  ASSERT_TRUE(Fields->SelectPicture(6, (Pics / "cut.jpg").string()));
  EXPECT_EQ(Fields->DisplayPicture(6, true, 800, 450).State, TPictureShow::Invalid);
  EXPECT_EQ(Fields->DisplayPicture(6, false, 800, 450).State, TPictureShow::Invalid);
}

TEST_F(RecordFieldsTest, UploadLimitsAndCancel) {
  WriteBytes(Root / "exact.bin", 1000000);
  WriteBytes(Root / "over.bin", 1000001);
  EXPECT_TRUE(Fields->SelectPicture(6, (Root / "exact.bin").string()));
  {
    TCheckedModalScript Script;
    Script.ExpectMessage("Sorry, the selected image is too large.", mrOk);
    Script.ExpectMessage("Sorry, the selected Resume file is too large.", mrOk);
    Served->Recorder.Clear();
    EXPECT_FALSE(Fields->SelectPicture(6, (Root / "over.bin").string()));
    EXPECT_FALSE(Fields->SelectResume((Root / "over.bin").string(), "Resume"));
    EXPECT_TRUE(Served->Recorder.Requests.empty());
  }
  // A cancelled dialog sends nothing and shows nothing.
  EXPECT_FALSE(Fields->SelectPicture(6, ""));
  EXPECT_FALSE(Fields->SelectResume("", "Resume"));
  EXPECT_TRUE(Served->Recorder.Requests.empty());
  EXPECT_EQ(Stored().Images[5].FileName, "exact.bin");
}

TEST_F(RecordFieldsTest, AttachmentOpensThroughTheShell) {
  {
    TCheckedModalScript Script;
    Script.ExpectMessage("No Resume file is selected.", mrOk);
    EXPECT_FALSE(Fields->ViewResume("", false, "Resume"));
  }
  std::ofstream(Root / "cv.txt") << "my life";
  ASSERT_TRUE(Fields->SelectResume((Root / "cv.txt").string(), "Resume"));
  EXPECT_EQ(View.Editors.Memos[1], std::vector<std::string>{"cv.txt"});
  EXPECT_EQ(Stored().Memos[1], std::vector<std::string>{"cv.txt"});
  std::string Opened;
  SetShellHandler([&](const TShellRequest& R) {
    Opened = R.File;
    return std::intptr_t{42};
  });
  EXPECT_TRUE(Fields->ViewResume("cv.txt", true, "Resume"));
  EXPECT_EQ(Opened, Served->Session.DownloadPath("cv.txt"));
  std::ifstream In(Opened);
  std::string Text;
  std::getline(In, Text);
  EXPECT_EQ(Text, "my life");
  // A record whose attachment the server does not hold.
  Window->NewRecordClick();
  TCheckedModalScript Script;
  Script.ExpectMessage("Sorry, the file is not available.", mrOk);
  EXPECT_FALSE(Fields->ViewResume("cv.txt", true, "Resume"));
}

TEST_F(RecordFieldsTest, BarcodeEditTakesTheValueAndSendsChangedSettings) {
  auto SetDetail4 = [this](const std::string& Value) {
    View.Editors.Details[4] = Value;
    Window->Detail8Change(4);
  };
  // The editor is handed the field's value and the stored settings; it changes both.
  TBarcodeEditor Editor = [](const std::string& Value, TConfiguration& Config) {
    EXPECT_EQ(Value, "111");
    Config.ConfigString1 = "bcCode39";
    Config.ConfigString2 = "csmModulo10";
    Config.ConfigFlag = true;
    return TBarcodeEdit{"222", true};
  };
  View.Editors.Details[4] = "111";
  Window->Detail8Change(4);
  EXPECT_TRUE(Fields->EditBarcode("111", SetDetail4, Editor));
  EXPECT_EQ(Stored().Details[4], "222");
  ASSERT_TRUE(Window->LoadServerConfiguration());
  EXPECT_EQ(Window->Buffers.Configuration.ConfigString1, "bcCode39");
  EXPECT_EQ(Window->Buffers.Configuration.ConfigString2, "csmModulo10");
  EXPECT_TRUE(Window->Buffers.Configuration.ConfigFlag);
  // Unchanged: one save before the editor, the configuration fetched, nothing sent after.
  Served->Recorder.Clear();
  int Edits = 0;
  EXPECT_FALSE(Fields->EditBarcode("222", [&](const std::string&) { ++Edits; },
                                   [](const std::string& V, TConfiguration&) { return TBarcodeEdit{V, false}; }));
  EXPECT_EQ(Edits, 0);
  EXPECT_EQ(Served->Recorder.Verbs(), (std::vector<std::string>{"S" + Window->Number(), "CL"}));
  // A configuration that cannot be fetched opens no editor.
  Served->Recorder.Fail = true;
  {
    TCheckedModalScript Script;
    Script.ExpectMessage(TRecordWindow::RequestProblemText, mrOk);
    EXPECT_FALSE(Fields->EditBarcode("222", SetDetail4, [](const std::string&, TConfiguration&) {
      ADD_FAILURE() << "the editor opened";
      return TBarcodeEdit{};
    }));
  }
}

TEST_F(RecordFieldsTest, OnlyWebAndMailAddressesReachTheShell) {
  EXPECT_EQ(ShellURL(" https://example.org/a b "), "https://example.org/a%20b");
  EXPECT_EQ(ShellURL("mailto:ann@example.org"), "mailto:ann@example.org");
  EXPECT_EQ(ShellURL("HTTP://x.org/\"><script>"), "HTTP://x.org/%22%3E%3Cscript%3E");
  for (const char* Bad : {"javascript:alert(1)", "file:///etc/passwd", "example.org", "", "ftp://x.org"})
    EXPECT_EQ(ShellURL(Bad), "") << Bad;
  std::vector<std::string> Opened;
  SetShellHandler([&](const TShellRequest& R) {
    Opened.push_back(R.File);
    return std::intptr_t{33};
  });
  {
    TCheckedModalScript Script;
    Script.ExpectMessage(TRecordFields::URLRefusedText, mrOk);
    EXPECT_FALSE(Fields->JumpToURL("file:///etc/passwd"));
  }
  EXPECT_TRUE(Opened.empty());
  EXPECT_TRUE(Fields->JumpToURL("https://example.org/?q=\"x\""));
  ASSERT_EQ(Opened.size(), 1u);
  EXPECT_EQ(Opened[0], Served->Session.ScratchFolder + "go.htm");
  const std::string Page = ReadFileBytes(Opened[0]);
  EXPECT_NE(Page.find("URL=https://example.org/?q=%22x%22\">"), std::string::npos) << Page;
}
