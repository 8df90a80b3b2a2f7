// The cell markup: a small tag language for mixed fonts, colours, links, bullets, pictures and
// line breaks in grid cells and list items. One routine lays it out, draws, measures and
// hit-tests it on a canvas.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/gfx/bitmap.h"
#include "platform/gfx/image_list.h"
#include "platform/gfx/graphics.h"

// A text's layout kept from one call to the next (a label measured, then drawn): a call with
// the same text, canvas, font, rectangle and line-shaping options takes its lines from here
// instead of laying them out again; any other call lays out anew and keeps that.
class TMarkupLayout {
public:
  TMarkupLayout();
  ~TMarkupLayout();
  TMarkupLayout(const TMarkupLayout&) = delete;
  TMarkupLayout& operator=(const TMarkupLayout&) = delete;
  // Forgets the layout (the next call lays out anew).
  void Clear();

  struct TData;
  std::unique_ptr<TData> Data;
};

struct TMarkupOptions {
  TImageList* Images = nullptr;
  // Where the layout is kept between calls; none: every call lays out.
  TMarkupLayout* Layout = nullptr;
  // The point of the hit test.
  int XPos = -1;
  int YPos = -1;
  // The anchor that gets a focus rectangle, counting from 0; -1 for none.
  int FocusLink = -1;
  // The anchor under the mouse, counting from 1; -1 for none.
  int HoverLink = -1;
  int ShadowOffset = 1;
  // Only hit-test in the second pass; draw nothing.
  bool CheckHotSpot = false;
  // Measure every line (also past the rectangle's bottom) and draw nothing.
  bool MeasureOnly = false;
  // Pictures scaled by ResFactor (printer canvases).
  bool Print = false;
  // Markup colours ignored, so the selection colours stay.
  bool Selected = false;
  // The visible phase of blinking text.
  bool Blink = true;
  // Only the anchor HoverLink is underlined and coloured.
  bool HoverStyle = false;
  double ResFactor = 1.0;
  TColor URLColor = clBlue;
  TColor HoverColor = clNone;
  TColor HoverFontColor = clNone;
  TColor ShadowColor = 0x808080;

  // The cell dialect by default. The HTML label's dialect turns these: no hiding tag, an
  // ampersand that starts no entity ends the decoding of its word, and its own pictures.
  bool HiddenTags = true;
  bool StrayAmpersandEndsEntities = false;
  // Words drawn without clipping to their rectangle (DT_NOCLIP).
  bool NoClip = false;
  // When set, every IMG source but "idx:" is asked here: false when it gives no picture; else
  // Width and Height are its room and Graphic (may be null) is drawn stretched into it.
  struct TPicture {
    const TGraphic* Graphic = nullptr;
    int Width = 0;
    int Height = 0;
  };
  std::function<bool(const std::string& Source, int AttrWidth, int AttrHeight, TPicture& Picture)> PictureSource;
  // When set, the BODY tag's background is asked here (null: none) and tiled.
  std::function<const TGraphic*(const std::string& Source)> BackgroundSource;
};

struct TMarkupResult {
  // The href under the point; left unchanged when the point is on no anchor.
  std::string AnchorVal;
  // The text without tags.
  std::string StripVal;
  // The href of the anchor FocusLink.
  std::string FocusAnchor;
  int XSize = 0;   // the widest line
  int YSize = 0;   // the summed line heights
  int HyperLinks = 0;
  // The anchor under the point, counting from 1 (to pass back as HoverLink); -1 for none.
  int MouseLink = -1;
  TRect HoverRect;
};

// Lays out `text` in `rect` on `canvas`; true when the point lies on an anchor. The canvas's
// font, pen and brush are as before when it returns.
bool RenderMarkup(TCanvas& canvas, const std::string& text, const TRect& rect,
                  const TMarkupOptions& options, TMarkupResult& result);

// The grid's entry.
bool RenderCellMarkup(TCanvas& canvas, const std::string& text, const TRect& rect, TImageList* images,
                      int XPos, int YPos, bool CheckHotSpot, bool MeasureOnly, bool Print,
                      bool Selected, bool Blink, double ResFactor, TColor URLColor,
                      std::string& AnchorVal, std::string& StripVal, int& XSize, int& YSize);

// The text without its tags: "<BR>" and "<HR>" become CR LF. Entities stay as they are.
std::string StripMarkup(const std::string& text);

// A lower-case colour name ("clred", "clbtnface") to its colour; unknown names give black.
TColor ColorFromName(const std::string& name);
// "#RRGGBB" to 0x00BBGGRR.
TColor ColorFromHex(const std::string& text);
// The value between the first pair of double quotes after the attribute `name` of a tag
// (matched without regard to case); empty when there is none.
std::string MarkupAttribute(const std::string& tag, const std::string& name, bool* found = nullptr);

// The high 32 bits of a file's fixed version (major * 65536 + minor), or -1 when the file has
// no version resource.
int QueryFileVersion(const std::string& fileName);
