// The printer, metafiles, font families and the chart control on the headless backend.
#include <gtest/gtest.h>

#include "platform/gfx/bitmap.h"
#include "platform/gfx/fonts.h"
#include "platform/gfx/metafile.h"
#include "platform/gfx/picture.h"
#include "platform/gfx/printer.h"
#include "platform/headless/headless_modal.h"
#include "platform/headless/headless_peer.h"
#include "platform/headless/headless_printing.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "platform/ui/chart.h"

namespace {

class PrinterTest : public ::testing::Test {
protected:
  void SetUp() override {
    InstallHeadlessBackend();
    RemovePrintDevices();
  }
  void TearDown() override { RemovePrintDevices(); }
};

TEST_F(PrinterTest, WithNoPrinterBeginDocDoesNothing) {
  TPrinter& p = Printer();
  EXPECT_TRUE(p.Printers().empty());
  EXPECT_EQ(p.PrinterIndex(), -1);
  p.BeginDoc();
  EXPECT_FALSE(p.Printing());
  EXPECT_EQ(p.PageNumber(), 0);
  EXPECT_THROW(p.NewPage(), EPrinter);
  EXPECT_THROW(p.EndDoc(), EPrinter);
  EXPECT_THROW(p.Canvas().Handle(), EPrinter);
}

TEST_F(PrinterTest, PagesAreRecordedWithTheirCapsAndDeviceMode) {
  TRecordingPrinter& rec = InstallRecordingPrinter();
  TPrinter& p = Printer();
  ASSERT_EQ(p.Printers(), std::vector<std::string>{"Recording Printer"});
  EXPECT_EQ(p.PrinterIndex(), 0);
  // Outside a job the handle measures at the printer's caps.
  HDC dc = p.Handle();
  EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), 300);
  EXPECT_EQ(GetDeviceCaps(dc, PHYSICALWIDTH), 2481);
  EXPECT_EQ(GetDeviceCaps(dc, PHYSICALHEIGHT), 3507);
  EXPECT_EQ(GetDeviceCaps(dc, PHYSICALOFFSETX), 65);
  EXPECT_EQ(GetDeviceCaps(dc, PHYSICALOFFSETY), 50);
  EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 2358);
  EXPECT_EQ(GetDeviceCaps(dc, VERTRES), 3407);
  EXPECT_EQ(GetDeviceCaps(dc, HORZSIZE), 200);
  EXPECT_EQ(p.Canvas().ClassName(), "TPrinterCanvas");
  EXPECT_EQ(DeviceCapabilities("Recording Printer", DC_ORIENTATION), 90);

  p.SetTitle("Job");
  p.SetCopies(2);
  p.BeginDoc();
  ASSERT_TRUE(p.Printing());
  EXPECT_THROW(p.BeginDoc(), EPrinter);
  EXPECT_THROW(p.SetPrinterIndex(0), EPrinter);
  p.Canvas().Font().SetSize(10);
  EXPECT_EQ(p.Canvas().Font().Height(), -42);  // points at the printer's resolution
  p.Canvas().TextOut(100, 100, "page one");
  // A change of orientation during the job applies from the next page on.
  p.SetOrientation(poLandscape);
  EXPECT_EQ(p.PageWidth(), 2358);
  p.Canvas().TextOut(100, 200, "still portrait");
  p.NewPage();
  EXPECT_EQ(p.PageNumber(), 2);
  EXPECT_EQ(p.PageWidth(), 3407);
  EXPECT_EQ(GetDeviceCaps(p.Handle(), PHYSICALOFFSETX), 50);
  // The mapping starts again on each page; the font stays.
  SetMapMode(p.Handle(), MM_LOMETRIC);
  p.Canvas().TextOut(254, -254, "page two");
  p.NewPage();
  EXPECT_EQ(GetMapMode(p.Handle()), MM_TEXT);
  p.EndDoc();
  EXPECT_FALSE(p.Printing());

  ASSERT_EQ(rec.Jobs().size(), 1u);
  const TRecordedJob& job = rec.Jobs()[0];
  EXPECT_EQ(job.Title, "Job");
  EXPECT_EQ(job.Mode.dmCopies, 2);
  EXPECT_TRUE(job.Ended);
  ASSERT_EQ(job.Pages.size(), 3u);
  EXPECT_EQ(job.Pages[0].Caps.Width, 2358);
  EXPECT_EQ(job.Pages[0].Mode.dmOrientation, DMORIENT_PORTRAIT);
  EXPECT_EQ(job.Pages[1].Caps.Width, 3407);
  EXPECT_EQ(job.Pages[1].Caps.PhysicalWidth, 3507);
  EXPECT_EQ(job.Pages[1].Mode.dmOrientation, DMORIENT_LANDSCAPE);
  ASSERT_EQ(job.Pages[0].Calls.size(), 2u);
  EXPECT_EQ(job.Pages[0].Calls[1].Text, "still portrait");
  ASSERT_EQ(job.Pages[1].Calls.size(), 1u);
  EXPECT_EQ(job.Pages[1].Calls[0].Rect.Left, 300);
  EXPECT_EQ(job.Pages[1].Calls[0].Font.Height, -50);  // 42 tenths of a millimetre
  EXPECT_TRUE(job.Pages[2].Calls.empty());
}

TEST_F(PrinterTest, PaperSizesGiveCustomSheetsAndAbortEndsTheJob) {
  ASSERT_EQ(PaperSizes().size(), 17u);
  double w = 0, h = 0;
  TDeviceMode mode;
  mode.dmPaperSize = DMPAPER_LEDGER;
  PaperSizeMM(mode, w, h);
  EXPECT_DOUBLE_EQ(w, 17 * 25.4);
  EXPECT_DOUBLE_EQ(h, 11 * 25.4);
  TRecordingPrinter& rec = InstallRecordingPrinter();
  TPrinter& p = Printer();
  p.DevMode().dmPaperSize = DMPAPER_LETTER;
  TPrinterCaps caps = p.Caps();
  EXPECT_EQ(caps.PhysicalWidth, 2550);
  EXPECT_EQ(caps.PhysicalHeight, 3300);
  EXPECT_EQ(caps.Width, 2550 - 123);  // the printer's margins stay
  p.BeginDoc();
  p.Abort();
  EXPECT_TRUE(p.Aborted());
  EXPECT_FALSE(p.Printing());
  EXPECT_TRUE(rec.Jobs().back().Aborted);
  EXPECT_TRUE(rec.Jobs().back().Pages.empty());
  // A new selection starts from the printer's own device mode.
  p.SetPrinterIndex(-1);
  EXPECT_EQ(p.DevMode().dmPaperSize, DMPAPER_A4);
  EXPECT_THROW(p.SetPrinterIndex(1), EPrinter);
}

// A device that could not deliver the job's output makes EndDoc raise its text; the printer is
// left ready for the next job.
class TFailingPrinter : public TRecordingPrinter {
public:
  TFailingPrinter() : TRecordingPrinter("Failing", TPrinterCaps{}) {}
  bool Fail = true;
  bool EndJob() override { return TRecordingPrinter::EndJob() && !Fail; }
  std::string JobError() const override { return "Cannot write the file /out/job.pdf."; }
};

TEST_F(PrinterTest, EndDocRaisesWhenTheDeviceCouldNotDeliverTheJob) {
  auto owned = std::make_unique<TFailingPrinter>();
  TFailingPrinter& dev = *owned;
  InstallPrintDevice(std::move(owned));
  TPrinter& p = Printer();
  p.SetPrinterIndex(0);
  p.BeginDoc();
  ASSERT_TRUE(p.Printing());
  p.Canvas().TextOut(10, 10, "lost");
  try {
    p.EndDoc();
    ADD_FAILURE() << "the failed job ended as printed";
  } catch (const EPrinter& e) {
    EXPECT_EQ(e.Message(), "Cannot write the file /out/job.pdf.");
  }
  EXPECT_FALSE(p.Printing());
  EXPECT_EQ(p.PageNumber(), 0);
  // The text lines job raises it too, without an abort of a job already ended.
  EXPECT_THROW(PrintTextLines(p, "Lines", {"one", "two"}), EPrinter);
  EXPECT_FALSE(p.Printing());
  EXPECT_FALSE(dev.Jobs().back().Aborted);
  dev.Fail = false;
  EXPECT_TRUE(PrintTextLines(p, "Lines", {"one"}));
  EXPECT_TRUE(dev.Jobs().back().Ended);
  EXPECT_EQ(dev.Jobs().size(), 3u);
}

// The system's printers are asked for when printing first needs them, once; devices removed
// before that are never asked for.
TEST_F(PrinterTest, PrintDeviceSourceRunsWhenThePrintersAreFirstNeeded) {
  int Asked = 0;
  SetPrintDeviceSource([&] {
    ++Asked;
    InstallPrintDevice(std::make_unique<TFailingPrinter>());
    InstallPrintDevice(std::make_unique<TFailingPrinter>());
    SetDefaultPrintDevice(1);
  });
  EXPECT_EQ(Asked, 0);
  TPrinter& p = Printer();
  EXPECT_EQ(p.Printers().size(), 2u);
  EXPECT_EQ(p.PrinterIndex(), 1);
  EXPECT_EQ(p.Printers().size(), 2u);
  EXPECT_EQ(Asked, 1);
  SetPrintDeviceSource([&] { ++Asked; });
  RemovePrintDevices();
  EXPECT_TRUE(p.Printers().empty());
  EXPECT_EQ(Asked, 1);
}

TEST_F(PrinterTest, MetafilesReplayScaledAndCopiesShareTheList) {
  TMetafile mf;
  {
    TMetafileCanvas mc(mf, nullptr);
    mc.Brush().SetColor(clRed);
    mc.Rectangle(10, 10, 50, 30);
    mc.Font().SetHeight(-12);
    mc.Brush().SetStyle(bsClear);
    mc.TextOut(5, 40, "metafile");
    mc.IntersectClipRect(0, 0, 40, 100);
    mc.MoveTo(0, 0);
    mc.LineTo(60, 0);
  }
  // Unset, the size is the drawing's extent from (0, 0).
  EXPECT_EQ(mf.Width(), 61);
  EXPECT_EQ(mf.Height(), 40 + 14);
  EXPECT_EQ(mf.MMWidth(), 61 * 2540 / 96 + 1);
  TMetafile copy(mf);
  EXPECT_TRUE(copy.SharesWith(mf));

  TRecordingPainter target(nullptr, 1000, 1000, 96);
  TCanvas c;
  c.SetPainter(&target);
  c.IntersectClipRect(0, 0, 500, 500);
  c.StretchDraw(Rect(100, 200, 100 + 122, 200 + 108), copy);
  const auto& calls = target.Calls();
  ASSERT_EQ(calls.size(), 3u);  // the clip records go to the painter's clip
  EXPECT_EQ(calls[0].Rect, Rect(120, 220, 200, 260));
  EXPECT_EQ(calls[1].Text, "metafile");
  EXPECT_EQ(calls[1].Font.Height, -24);
  EXPECT_EQ(calls[1].Rect.Left, 110);
  // The recorded clip applies inside the canvas's clip.
  EXPECT_EQ(calls[2].Points, (std::vector<TPoint>{{100, 200}, {220, 200}}));
  EXPECT_EQ(TRegion::FromRects(calls[2].Clip).Bounds(), Rect(100, 200, 180, 400));
  // The canvas's own clip is back after the replay.
  EXPECT_EQ(c.ClipRegion().Bounds(), Rect(0, 0, 500, 500));

  // Recording again replaces the list of that metafile only.
  { TMetafileCanvas mc(mf, nullptr); mc.FillRect(Rect(0, 0, 5, 5)); }
  EXPECT_FALSE(copy.SharesWith(mf));
  EXPECT_EQ(copy.Records().size(), 5u);  // the starting clip, three shapes, one clip
  EXPECT_EQ(mf.Width(), 5);
}

TEST_F(PrinterTest, MetafileMeasuresOnItsReferenceDevice) {
  InstallRecordingPrinter();
  TMetafile mf;
  TMetafileCanvas mc(mf, &Printer().Canvas());
  EXPECT_EQ(GetDeviceCaps(&mc, LOGPIXELSY), 300);
  mc.Font().SetSize(10);
  EXPECT_EQ(mc.Font().Height(), -42);
  EXPECT_EQ(mc.TextHeight("gh"), 42 + 42 / 5);
}

TEST_F(PrinterTest, FontFamiliesOfTheHeadlessBackend) {
  TFontFamily f;
  ASSERT_TRUE(FindFontFamily("courier new", &f));
  EXPECT_TRUE(f.TrueType);
  EXPECT_TRUE(f.FixedPitch);
  ASSERT_TRUE(FindFontFamily("Raster Sans", &f));
  EXPECT_FALSE(f.TrueType);
  EXPECT_EQ(f.RasterSizes, (std::vector<int>{8, 10, 12}));
  ASSERT_TRUE(FindFontFamily("Symbol", &f));
  EXPECT_EQ(f.Charset, SYMBOL_CHARSET);
  EXPECT_EQ(FontNames(), (std::vector<std::string>{"Arial", "Courier New", "Raster Sans", "Symbol", "Times New Roman"}));
  int seen = 0;
  EXPECT_EQ(EnumFontFamilies("", [&](const TFontFamily&, int type) { ++seen; return type == TRUETYPE_FONTTYPE ? 1 : 0; }), 0);
  EXPECT_EQ(seen, 3);  // stops at the raster font
  // A test may replace the list.
  SetFontFamilySource([] { return std::vector<TFontFamily>{{"Only", true, false, ANSI_CHARSET, {}}}; });
  EXPECT_EQ(FontNames(), std::vector<std::string>{"Only"});
  InstallHeadlessBackend();
}

TEST_F(PrinterTest, ChartRecordsItsCallsAndPrintsOnePage) {
  TChartfx chart(nullptr);
  chart.SetBounds(0, 0, 400, 200);
  chart.OpenData(1, 1, 3);
  chart.SetIndexedValue(1, 50);
  chart.SetShortProperty(1, 0);
  const char* names[] = {"alpha", "beta", "gamma"};
  for (short k = 0; k < 3; ++k) {
    chart.SetValue(k, 10.0 * (k + 1));
    chart.SetLegend(k, names[k]);
  }
  chart.CloseData(1);
  EXPECT_THROW(chart.SetValue(3, 1), EInvalidOperation);
  EXPECT_THROW(chart.OpenData(1, 1, -1), EInvalidOperation);
  EXPECT_EQ(chart.ScaleMaximum(), 50);
  EXPECT_EQ(chart.ShortProperty(1), 0);
  EXPECT_EQ(chart.Value(2), 30);
  EXPECT_EQ(chart.Calls()[0], (TChartCall{64, {1, 1, 3}, {}}));
  EXPECT_EQ(chart.Calls()[1], (TChartCall{88, {1, 50}, {}}));
  EXPECT_EQ(chart.Calls()[4], (TChartCall{92, {0}, "alpha"}));

  chart.PrintChart();  // no printer: nothing, but recorded
  EXPECT_EQ(chart.Calls().back().DispId, 70);
  TRecordingPrinter& rec = InstallRecordingPrinter();
  chart.PrintChart();
  ASSERT_EQ(rec.Jobs().size(), 1u);
  ASSERT_EQ(rec.Jobs()[0].Pages.size(), 1u);
  std::vector<std::string> texts;
  std::vector<TRect> bars;
  for (const auto& call : rec.Jobs()[0].Pages[0].Calls) {
    if (call.Kind == TPaintKind::Text) texts.push_back(call.Text);
    if (call.Kind == TPaintKind::Rectangle && call.Rect.Width() > 100) bars.push_back(call.Rect);
  }
  for (const char* n : names) EXPECT_NE(std::find(texts.begin(), texts.end(), n), texts.end()) << n;
  EXPECT_NE(std::find(texts.begin(), texts.end(), "50"), texts.end());
  // Bars grow with their values: 10, 20 and 30 of a scale of 50.
  ASSERT_EQ(bars.size(), 3u);
  EXPECT_NEAR(double(bars[1].Height() - 1) / (bars[0].Height() - 1), 2.0, 0.02);
  EXPECT_NEAR(double(bars[2].Height() - 1) / (bars[0].Height() - 1), 3.0, 0.02);
  EXPECT_EQ(bars[2].Bottom, bars[0].Bottom);
}

}  // namespace

TEST_F(PrinterTest, APrintFileIsChosenInTheScriptedSaveDialog) {
  std::vector<std::string> failures;
  {
    THeadlessModalScript script;
    script.OnFailure = [&](const std::string& m) { failures.push_back(m); };
    script.ExpectSaveFile("Print to File - Orders", "/tmp/orders").ExpectCancel(mkSaveFile, "Print to File");
    std::string name;
    ASSERT_TRUE(ChoosePrintFile("Orders", name));
    EXPECT_EQ(name, "/tmp/orders.pdf");
    name.clear();
    EXPECT_FALSE(ChoosePrintFile("Orders", name));
    EXPECT_TRUE(name.empty());
    // A job that asks without a script line fails the test and does not start.
    EXPECT_FALSE(ChoosePrintFile("Labels", name));
    ASSERT_EQ(script.Asked().size(), 3u);
    EXPECT_EQ(script.Asked()[0].Text, "PDF files (*.pdf)|*.pdf");
  }
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_NE(failures[0].find("unscripted save file \"Print to File - Labels\""), std::string::npos);
}

namespace {

// A metafile with one record of each kind that carries extra data: a patterned fill, a bitmap
// copy, text, a path and a clip.
void RecordSample(TMetafile& mf) {
  TBitmap pattern(8, 8, pf24bit);
  pattern.Canvas().Brush().SetColor(clBlue);
  pattern.Canvas().FillRect(Rect(0, 0, 8, 8));
  TBitmap picture(4, 3, pf24bit);
  picture.Canvas().Brush().SetColor(clLime);
  picture.Canvas().FillRect(Rect(0, 0, 4, 3));
  TMetafileCanvas mc(mf, nullptr);
  mc.Brush().SetColor(clRed);
  mc.FillRect(Rect(0, 0, 20, 10));
  mc.Brush().SetBitmap(&pattern);
  mc.Rectangle(20, 0, 40, 10);
  mc.Brush().SetBitmap(nullptr);
  mc.Draw(0, 10, picture);
  mc.Font().SetStyle({fsBold, fsUnderline});
  mc.TextOut(5, 15, "caf\xC3\xA9");
  mc.BeginPath();
  mc.MoveTo(0, 0);
  mc.LineTo(30, 20);
  mc.EndPath();
  mc.StrokePath();
  mc.IntersectClipRect(0, 0, 30, 30);
  mc.SetPixel(1, 1, clYellow);
}

std::string Saved(const TGraphic& g) {
  TMemoryStream m;
  g.SaveToStream(m);
  return std::string(m.Memory(), static_cast<std::size_t>(m.Size()));
}

}  // namespace

TEST_F(PrinterTest, AMetafileIsAGraphicThatPicturesHoldAndStreamsKeep) {
  TMetafile mf;
  RecordSample(mf);
  ASSERT_FALSE(mf.Empty());
  // A picture holds a copy that shares the list; a canvas draws it as any graphic.
  TPicture picture;
  picture.Assign(&mf);
  auto* held = dynamic_cast<TMetafile*>(picture.Graphic());
  ASSERT_NE(held, nullptr);
  EXPECT_TRUE(held->SharesWith(mf));
  EXPECT_EQ(picture.Width(), mf.Width());
  TBitmap target(mf.Width() * 2, mf.Height() * 2, pf24bit);
  target.Canvas().StretchDraw(Rect(0, 0, mf.Width() * 2, mf.Height() * 2), *picture.Graphic());
  EXPECT_EQ(target.Canvas().Pixel(2, 18), clRed);  // the fill, twice as large
  EXPECT_EQ(target.Canvas().Pixel(38, 2), clRed);
  EXPECT_NE(target.Canvas().Pixel(41, 2), clRed);

  // Saved and read back, it saves the same bytes and draws the same calls.
  std::string bytes = Saved(mf);
  ASSERT_EQ(bytes.substr(0, 4), "QNMF");
  TMetafile back;
  int changes = 0;
  back.OnChange = [&](TObject*) { ++changes; };
  TMemoryStream in;
  in.WriteBuffer(bytes.data(), static_cast<long>(bytes.size()));
  in.WriteBuffer("tail", 4);  // what follows in the stream is not the metafile's
  in.SetPosition(0);
  back.LoadFromStream(in);
  EXPECT_EQ(in.Position(), static_cast<std::int64_t>(bytes.size()));
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(Saved(back), bytes);
  EXPECT_EQ(back.Width(), mf.Width());
  // A picture holding it saves those bytes, and a picture reads them back by their first ones.
  TMemoryStream pictureData;
  picture.SaveToStream(pictureData);
  pictureData.SetPosition(0);
  TPicture again;
  again.LoadFromStream(pictureData);
  ASSERT_NE(dynamic_cast<TMetafile*>(again.Graphic()), nullptr);
  EXPECT_EQ(Saved(*again.Graphic()), bytes);
  EXPECT_EQ(back.Records().size(), mf.Records().size());
  TRecordingPainter a(nullptr, 200, 200, 96), b(nullptr, 200, 200, 96);
  TCanvas ca, cb;
  ca.SetPainter(&a);
  cb.SetPainter(&b);
  ca.StretchDraw(Rect(0, 0, 80, 60), mf);
  cb.StretchDraw(Rect(0, 0, 80, 60), back);
  ASSERT_EQ(a.Calls().size(), b.Calls().size());
  for (std::size_t i = 0; i < a.Calls().size(); ++i) {
    EXPECT_EQ(a.Calls()[i].Kind, b.Calls()[i].Kind) << i;
    EXPECT_EQ(a.Calls()[i].Rect, b.Calls()[i].Rect) << i;
    EXPECT_EQ(a.Calls()[i].Text, b.Calls()[i].Text) << i;
    EXPECT_EQ(a.Calls()[i].Font, b.Calls()[i].Font) << i;
    EXPECT_EQ(a.Calls()[i].Brush.Bitmap != nullptr, b.Calls()[i].Brush.Bitmap != nullptr) << i;
  }
}

TEST_F(PrinterTest, BadMetafileDataRaisesAndKeepsWhatTheMetafileHeld) {
  TMetafile good;
  RecordSample(good);
  const std::string bytes = Saved(good);
  auto load = [](TMetafile& mf, const std::string& data) {
    TMemoryStream m;
    m.WriteBuffer(data.data(), static_cast<long>(data.size()));
    m.SetPosition(0);
    mf.LoadFromStream(m);
  };
  std::vector<std::string> bad;
  bad.push_back("QNMX" + bytes.substr(4));                 // not a metafile
  bad.push_back(bytes.substr(0, bytes.size() - 1));        // cut short
  bad.push_back(bytes.substr(0, 30));
  std::string lying = bytes;                               // a record count far beyond the data
  lying[12 + 17] = '\xFF', lying[12 + 18] = '\xFF', lying[12 + 19] = '\xFF', lying[12 + 20] = '\x7F';
  bad.push_back(lying);
  std::string kind = bytes;                                // an unknown record kind
  kind[12 + 21] = '\x40';
  bad.push_back(kind);
  std::string longer = bytes;                              // a length past the end of the stream
  longer[8] = '\xFF', longer[9] = '\xFF', longer[10] = '\xFF';
  bad.push_back(longer);
  for (std::size_t i = 0; i < bad.size(); ++i) {
    TMetafile mf;
    { TMetafileCanvas mc(mf, nullptr); mc.FillRect(Rect(0, 0, 7, 3)); }
    EXPECT_THROW(load(mf, bad[i]), EInvalidGraphic) << i;
    EXPECT_EQ(mf.Width(), 7) << i;
    EXPECT_EQ(mf.Records().size(), 2u) << i;  // the starting clip and the fill
  }
}
