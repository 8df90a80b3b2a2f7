// The image report printed to the "PDF" printer of the Qt backend (offscreen) in all four
// layouts, read back with poppler and PIL: a JPEG, a GIF and a PCX picture (written by PIL, read
// through the picture library) each at the place the layout gives it, and the record's texts in
// the text area.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <unistd.h>

#include "client/reports/image_report_form.h"
#include "client/reports/report_windows.h"
#include "platform/gfx/printer.h"
#include "platform/qt/qt_window_peer.h"
#include "platform/ui/edits.h"
#include "platform/ui/list_controls.h"
#include "platform/ui/spin_edit.h"
#include "platform/ui/std_buttons.h"
#include "platform/ui/std_painted.h"
#include "print/preview.h"
#include "tests/print/print_to_pdf.h"

namespace fs = std::filesystem;

namespace {

class QtEnvironment : public ::testing::Environment {
public:
  void SetUp() override {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "image_report_qt_test";
    static char* argv[] = {name, nullptr};
    app = new QApplication(argc, argv);
    InstallQtBackend();
  }
  void TearDown() override { delete app; }
  QApplication* app = nullptr;
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

std::string Capture(const std::string& Command) {
  std::string Out;
  if (FILE* P = popen(Command.c_str(), "r")) {
    char B[4096];
    for (std::size_t n; (n = fread(B, 1, sizeof B, P)) > 0;) Out.append(B, n);
    pclose(P);
  }
  return Out;
}

struct TBox {
  double Left = 0, Top = 0, Right = 0, Bottom = 0;  // inches
};

// The bounding boxes (inches) of the red, green and blue pixels of the rendered page.
std::vector<TBox> ColourBoxes(const std::string& Png, int Dpi) {
  const std::string Script =
      "import sys\n"
      "from PIL import Image\n"
      "im = Image.open(sys.argv[1]).convert('RGB'); px = im.load(); w, h = im.size\n"
      "want = [(255, 0, 0), (0, 160, 0), (0, 0, 255)]\n"
      "for c in want:\n"
      "  xs = []; ys = []\n"
      "  for y in range(h):\n"
      "    for x in range(w):\n"
      "      p = px[x, y]\n"
      "      if all(abs(p[i] - c[i]) < 60 for i in range(3)): xs.append(x); ys.append(y)\n"
      "  print(min(xs), min(ys), max(xs) + 1, max(ys) + 1) if xs else print(-1, -1, -1, -1)\n";
  const std::string ScriptFile = Png + ".py";
  FILE* F = fopen(ScriptFile.c_str(), "w");
  fputs(Script.c_str(), F);
  fclose(F);
  std::istringstream In(Capture("/usr/bin/python3 '" + ScriptFile + "' '" + Png + "'"));
  std::vector<TBox> Out;
  for (int i = 0; i < 3; ++i) {
    double L, T, R, B;
    In >> L >> T >> R >> B;
    Out.push_back({L / Dpi, T / Dpi, R / Dpi, B / Dpi});
  }
  return Out;
}

// The picture of W x H fitted at the top-left of the part, keeping its aspect ratio.
TBox Fit(double W, double H, const TBox& P) {
  const double PW = P.Right - P.Left, PH = P.Bottom - P.Top;
  const double S = std::min(PW / W, PH / H);
  return {P.Left, P.Top, P.Left + W * S, P.Top + H * S};
}

class ImageReportPdf : public ::testing::Test {
protected:
  void SetUp() override {
    Dir = fs::temp_directory_path() / ("qn_image_report_" + std::to_string(getpid()));
    fs::create_directories(Dir);
    // Solid pictures in the three formats of the picture library, of different shapes.
    const std::string Make =
        "/usr/bin/python3 -c \"from PIL import Image; import sys; d = sys.argv[1]; "
        "Image.new('RGB', (240, 120), (255, 0, 0)).save(d + '/wide.jpg', quality=95); "
        "Image.new('RGB', (100, 100), (0, 160, 0)).convert('P').save(d + '/square.gif'); "
        "Image.new('RGB', (60, 180), (0, 0, 255)).save(d + '/tall.pcx')\" '" +
        Dir.string() + "'";
    ASSERT_EQ(std::system(Make.c_str()), 0);
  }
  void TearDown() override {
    if (!getenv("QN_KEEP")) fs::remove_all(Dir);
  }


  fs::path Dir;
  TReportHost Host;
};

TEST_F(ImageReportPdf, PicturesSitWhereEachLayoutPutsThemAndTheTextBeside) {
  Host.Captions.DetailNames[0] = "Height";
  TReportWindows Windows(Host);
  const double Pictures[3][2] = {{240, 120}, {100, 100}, {60, 180}};
  for (int L = 0; L < 4; ++L) {
    SCOPED_TRACE("layout " + std::to_string(L + 1));
    TImageReportForm Form(Windows);
    Form.ProgramFolder = Dir.string() + "/";
    Form.ImageSlots[0] = {"wide.jpg", "Front"};
    Form.ImageSlots[1] = {"square.gif", ""};
    Form.ImageSlots[4] = {"tall.pcx", ""};
    Form.Record.Name = "Blue vase";
    Form.Record.Values[110] = {"Thirty centimetres"};
    Form.FormActivate();
    Form.Layout->SetItemIndex(L);
    Form.Image[0]->SetItemIndex(1);
    Form.Image[1]->SetItemIndex(2);
    Form.Image[2]->SetItemIndex(5);
    Form.ImageSpace->SetValue(60);
    Form.ImageOrientation->SetItemIndex(L % 2);  // One and Three side by side, Two and Four stacked
    Form.IncludeRecordNameBtn->SetChecked(true);
    Form.IncludeFieldNamesBtn->SetChecked(true);
    Form.AddReportItemClick(110);
    Form.PreviewBtnClick();
    ASSERT_EQ(Form.ImagesDrawn(), 3);
    const std::string Pdf = (Dir / ("layout" + std::to_string(L) + ".pdf")).string();
    PrintPreviewToPdf(*Form.PrintPreview, Pdf);

    // The cell: from the margins (0.5 inch, no header shown, no spacing), the preview's usable
    // page in size.
    const TBox Cell{0.5, 0.5, 0.5 + Form.PrintPreview->AvailablePageWidth(gmInches),
                    0.5 + Form.PrintPreview->AvailablePageHeight(gmInches)};
    const double CW = Cell.Right - Cell.Left, CH = Cell.Bottom - Cell.Top, F = 0.6;
    TBox Images = Cell, Text = Cell;
    if (L == 0) Images.Bottom = Text.Top = Cell.Top + CH * F;
    if (L == 1) Images.Top = Text.Bottom = Cell.Bottom - CH * F;
    if (L == 2) Images.Left = Text.Right = Cell.Right - CW * F;
    if (L == 3) Images.Right = Text.Left = Cell.Left + CW * F;
    const bool Horizontal = L % 2 == 0;

    const int Dpi = 40;
    const std::string Png = Pdf + "-page";
    Capture("pdftoppm -r " + std::to_string(Dpi) + " -png -singlefile '" + Pdf + "' '" + Png + "'");
    const std::vector<TBox> Found = ColourBoxes(Png + ".png", Dpi);
    for (int k = 0; k < 3; ++k) {
      TBox Part = Images;
      if (Horizontal) {
        Part.Left = Images.Left + (Images.Right - Images.Left) * k / 3;
        Part.Right = Images.Left + (Images.Right - Images.Left) * (k + 1) / 3;
      } else {
        Part.Top = Images.Top + (Images.Bottom - Images.Top) * k / 3;
        Part.Bottom = Images.Top + (Images.Bottom - Images.Top) * (k + 1) / 3;
      }
      const TBox Want = Fit(Pictures[k][0], Pictures[k][1], Part);
      const TBox& Got = Found[static_cast<std::size_t>(k)];
      const double Tol = 2.5 / Dpi;
      EXPECT_NEAR(Got.Left, Want.Left, Tol) << "picture " << k;
      EXPECT_NEAR(Got.Top, Want.Top, Tol) << "picture " << k;
      EXPECT_NEAR(Got.Right, Want.Right, Tol) << "picture " << k;
      EXPECT_NEAR(Got.Bottom, Want.Bottom, Tol) << "picture " << k;
    }

    // The texts: the record name first, then the field's name and value, inside the text area.
    const std::string Words = Capture("pdftotext -bbox '" + Pdf + "' -");
    auto Where = [&Words](const std::string& Word, double& X, double& Y) {
      const std::size_t At = Words.find(">" + Word + "<");
      if (At == std::string::npos) return false;
      const std::size_t Start = Words.rfind("<word", At);
      std::sscanf(Words.c_str() + Start, "<word xMin=\"%lf\" yMin=\"%lf\"", &X, &Y);
      X /= 72;
      Y /= 72;
      return true;
    };
    double X = 0, Y = 0;
    ASSERT_TRUE(Where("Blue", X, Y)) << Words;
    EXPECT_NEAR(X, Text.Left, 0.1);
    EXPECT_NEAR(Y, Text.Top, 0.1);
    double NX = 0, NY = 0, VX = 0, VY = 0;
    ASSERT_TRUE(Where("Height:", NX, NY)) << Words;
    ASSERT_TRUE(Where("Thirty", VX, VY)) << Words;
    EXPECT_GT(NY, Y);
    EXPECT_NEAR(NY, VY, 0.05);
    EXPECT_NEAR(VX, Text.Left + (Text.Right - Text.Left) / 2, 0.1);  // values from the middle
    EXPECT_FALSE(Where("Front", X, Y));  // image titles were not asked for
  }
}

}  // namespace
