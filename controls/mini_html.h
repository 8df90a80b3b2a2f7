// The HTML label's mini-HTML: pictures held as raw bytes (TWebPicture) in a cache searched by
// address, and the renderer DrawMiniHTML that measures, draws and hit-tests the text. The
// layout engine is the cell markup's; this dialect has no hiding tag, ends entity decoding at a
// stray ampersand and takes its pictures from the cache, the image list and the system icons.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "controls/grid/markup.h"
#include "platform/gfx/graphics.h"
#include "platform/gfx/image_list.h"
#include "platform/gfx/ole_picture.h"
#include "platform/gfx/picture.h"
#include "platform/rtl/streams.h"

// A picture kept as the bytes it was read from and shown through the OLE picture object.
class TWebPicture : public TGraphic {
public:
  TWebPicture();
  ~TWebPicture() override;

  void Assign(const TPersistent* source) override;
  void Draw(TCanvas& canvas, const TRect& rect) const override;
  bool Empty() const override { return FEmpty; }
  int Width() const override;
  int Height() const override;
  void SetWidth(int) override {}
  void SetHeight(int) override {}
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) const override;
  void LoadFromFile(const std::string& fileName) override;
  std::unique_ptr<TGraphic> Clone() const override;

  // Loads an RCDATA resource of the program; nothing when there is none.
  void LoadFromResourceName(const std::string& name);
  // "RES://name" and "FILE://path" load at once (the ID becomes the address); other
  // addresses load nothing: a synchronous picture takes the address as URL and ID, an
  // asynchronous one notes the URL and that its download was asked for, once.
  void LoadFromURL(const std::string& url);

  const std::string& URL() const { return FURL; }
  const std::string& ID() const { return FID; }
  bool Asynchronous() const { return FAsynchronous; }
  void SetAsynchronous(bool value) { FAsynchronous = value; }
  bool DownloadStarted() const { return FDownloadStarted; }

protected:
  void ReadData(TStream& stream) override;

private:
  // Takes the bytes and reads them as a picture; raises the picture's errors.
  void LoadBytes(TStream& stream, bool notify);

  mutable TMemoryStream FData;
  bool FEmpty = true;
  IPicturePtr FPicture;
  std::string FURL;
  std::string FID;
  bool FAsynchronous = true;
  bool FDownloadStarted = false;
};

class TWebPictureCache {
public:
  TWebPicture* AddPicture();
  // The first picture whose ID equals `id` exactly; null when none.
  TWebPicture* FindPicture(const std::string& id) const;
  int Count() const { return static_cast<int>(FItems.size()); }
  TWebPicture* Items(int index) const { return FItems.at(static_cast<std::size_t>(index)).get(); }
  void Clear() { FItems.clear(); }

private:
  std::vector<std::unique_ptr<TWebPicture>> FItems;
};

struct TMiniHTMLParams {
  TWebPictureCache* Cache = nullptr;
  // The text's layout kept between calls (a label's measure, draw and hit test); none: each
  // call lays the text out.
  TMarkupLayout* Layout = nullptr;
  TImageList* Images = nullptr;
  TPoint Mouse{-1, -1};
  int HoverLink = -1;  // the hovered anchor, counting from 1
  int FocusLink = -1;  // the anchor with a focus rectangle, counting from 0
  int ShadowOffset = 2;
  TColor ShadowColor = clGray;
  TColor HoverColor = clNone;
  TColor HoverFontColor = clNone;
  TColor URLColor = clBlue;
  bool Hover = false;
  bool Blink = true;
  bool Selected = false;
  bool Printing = false;
  double Scale = 1.0;
  // Measuring: lay out and hit-test, draw nothing.
  bool Measuring = false;
  // The measure-only gate: no second pass and no stop at the rectangle's bottom.
  bool MeasureOnly = false;
};

struct TMiniHTMLResult {
  int XSize = 0;
  int YSize = 0;
  int HyperLinks = 0;
  std::string AnchorVal;   // the anchor under the mouse point
  int MouseLink = -1;      // its number, counting from 1
  TRect HoverRect;         // its rectangle
  std::string FocusAnchor;
  std::string StripVal;    // the text laid out, without tags
};

// True when the mouse point lies on an anchor.
bool DrawMiniHTML(TCanvas& canvas, const std::string& html, const TRect& rect,
                  const TMiniHTMLParams& params, TMiniHTMLResult& result);

// The anchors a label may hand to the shell's "open": http, https and mailto addresses. Other
// schemes (file://, res:// and the like, which may come from record data) never reach it.
bool IsShellAnchor(const std::string& href);
