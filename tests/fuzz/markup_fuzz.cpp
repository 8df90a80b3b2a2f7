// The cell markup, the HTML label's mini-HTML and the entity and colour converters.  The first
// byte picks the target: 'c' cell markup and 'h' mini-HTML (each measured, drawn on a small
// bitmap and hit-tested), 'e' the entity table both ways and the colour texts.  The converters'
// own output (an HTML page of a rich edit, entities of a text) makes the seeds.
#include "controls/grid/markup.h"
#include "controls/html_convert.h"
#include "controls/mini_html.h"
#include "fuzz_support.h"
#include "platform/gfx/bitmap.h"
#include "platform/gfx/image_list.h"
#include "platform/headless/headless_peer.h"
#include "platform/rtl/string_list.h"
#include "platform/ui/rich_edit.h"

namespace {

TImageList& Images() {
  static TImageList* List = [] {
    auto* L = new TImageList(8, 8);
    TBitmap Strip(16, 8);
    Strip.Canvas().Brush().SetColor(clRed);
    Strip.Canvas().FillRect(TRect{0, 0, 8, 8});
    Strip.ReleaseCanvas();
    L->AddMasked(Strip, clWhite);
    return L;
  }();
  return *List;
}

std::string ConvertedPage() {
  TRichEdit Edit(nullptr);
  Edit.SetText("a <b> & \xC3\xA9 line\r\nsecond");
  Edit.SetSelStart(2);
  Edit.SetSelLength(5);
  Edit.SelAttributes().SetStyle({fsBold, fsUnderline});
  Edit.SelAttributes().SetColor(clRed);
  Edit.Paragraph().SetAlignment(taRightJustify);
  TVcRichEditToHtml Converter(nullptr);
  Converter.SetTitle("page");
  TStringList Lines;
  Converter.ConvertToHtmlStrings(Edit, Lines);
  std::string Page;
  for (int i = 0; i < Lines.Count(); ++i) Page += Lines.Strings(i);
  return Page;
}

void Cell(const std::string& Text) {
  TBitmap Target(120, 60);
  TCanvas& Canvas = Target.Canvas();
  TMarkupOptions Options;
  Options.Images = &Images();
  TMarkupLayout Layout;
  Options.Layout = &Layout;
  TMarkupResult Result;
  Options.MeasureOnly = true;
  RenderMarkup(Canvas, Text, TRect{0, 0, 120, 60}, Options, Result);
  Options.MeasureOnly = false;
  Options.XPos = 10;
  Options.YPos = 6;
  Options.FocusLink = 0;
  Options.HoverLink = 1;
  RenderMarkup(Canvas, Text, TRect{2, 2, 118, 58}, Options, Result);
  Options.CheckHotSpot = true;
  Options.HoverStyle = true;
  Options.Print = true;
  Options.ResFactor = 2.5;
  RenderMarkup(Canvas, Text, TRect{0, 0, 60, 30}, Options, Result);
  std::string Anchor, Strip;
  int X = 0, Y = 0;
  RenderCellMarkup(Canvas, Text, TRect{0, 0, 120, 60}, &Images(), 3, 3, false, false, false, true, true,
                   1.0, clBlue, Anchor, Strip, X, Y);
  StripMarkup(Text);
  Target.ReleaseCanvas();
}

void MiniHtml(const std::string& Text) {
  TBitmap Target(120, 60);
  TMarkupLayout Layout;
  TMiniHTMLParams Params;
  Params.Images = &Images();
  Params.Layout = &Layout;
  Params.Measuring = true;
  Params.MeasureOnly = true;
  TMiniHTMLResult Result;
  DrawMiniHTML(Target.Canvas(), Text, TRect{0, 0, 120, 60}, Params, Result);
  Params.Measuring = false;
  Params.MeasureOnly = false;
  Params.Mouse = {12, 5};
  Params.HoverLink = 1;
  Params.FocusLink = 0;
  Params.Hover = true;
  DrawMiniHTML(Target.Canvas(), Text, TRect{0, 0, 120, 60}, Params, Result);
  IsShellAnchor(Result.AnchorVal);
  Target.ReleaseCanvas();
}

void Entities(const std::string& Text) {
  TVcStrToHtml Strings;
  const std::string Html = Strings.HtmlToText(Text);
  Strings.TextToHtml(Text);
  Strings.TextToHtml(Html);
  TVcRgbToHtml Colour;
  Colour.SetHtmlColor(Text.substr(0, 6));
  ColorFromHex(Text);
  ColorFromName(Text);
  MarkupAttribute(Text, "href");
}

void SetUp() { InstallHeadlessBackend(); }

}  // namespace

std::vector<std::string> FuzzSeeds() {
  const std::string Page = ConvertedPage();
  TVcStrToHtml Strings;
  return {"h" + Page,
          "c" + Page,
          "e" + Strings.HtmlToText("a<b> \"c\" & \xC3\xA9t\xC3\xA9 \xC2\xA3 ^~"),
          "c<B>bold</B> <I>it</I><BR><FONT face=\"Courier New\" size=\"12\" color=\"clred\" "
          "bgcolor=\"#00FF00\">f</FONT><A href=\"http://x\">link</A><UL><LI>a<LI>b<UL><LI>c</UL></UL>"
          "<IMG src=\"idx:0\" align=\"top\"><R a=\"90\">turned</R><P align=\"right\">r</P><HR>"
          "<SHAD>s</SHAD><BLINK>b</BLINK><HI>hidden</HI>&lt;&amp;&#233;",
          "h<BODY bgcolor=\"#FFFF00\"><P align=\"center\"><A href=\"mailto:a@b\">mail</A></P>"
          "<IMG src=\"SSYS:1\"><IMG src=\"idx:1\" width=\"20\" height=\"4\">a &amp b &x; &#65;"};
}

QN_FUZZ_SET_UP_THEN_SEEDS(SetUp)

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  if (Size == 0) return 0;
  const std::string Text(fuzz::AsView(Data + 1, Size - 1));
  try {
    switch (Data[0]) {
      case 'c':
        Cell(Text);
        break;
      case 'h':
        MiniHtml(Text);
        break;
      case 'e':
        Entities(Text);
        break;
      default:
        break;
    }
  } catch (const Exception&) {
  }
  return 0;
}
