#include "controls/mini_html.h"

#include <cctype>
#include <deque>

#include "controls/grid/markup.h"
#include "platform/gfx/icon.h"
#include "platform/gfx/resources.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/sysutils.h"
#include "platform/sys/files.h"

namespace {

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

bool StartsWithNoCase(const std::string& s, const char* prefix) {
  return Upper(s).rfind(Upper(prefix), 0) == 0;
}

}  // namespace

// ---- TWebPicture ----------------------------------------------------------------------------

TWebPicture::TWebPicture() = default;
TWebPicture::~TWebPicture() = default;

void TWebPicture::Assign(const TPersistent* source) {
  FEmpty = true;
  FPicture.reset();
  if (!source) {
    FData.Clear();
    return;
  }
  if (const auto* other = dynamic_cast<const TWebPicture*>(source)) {
    TMemoryStream copy;
    copy.Write(other->FData.Memory(), static_cast<long>(other->FData.Size()));
    copy.SetPosition(0);
    LoadBytes(copy, true);
    return;
  }
  TGraphic::Assign(source);
}

void TWebPicture::Draw(TCanvas& canvas, const TRect& rect) const {
  if (FEmpty || !FPicture) return;
  OLE_XSIZE_HIMETRIC w = 0;
  OLE_YSIZE_HIMETRIC h = 0;
  FPicture->get_Width(&w);
  FPicture->get_Height(&h);
  FPicture->Render(canvas.Handle(), rect.Left, rect.Bottom, rect.Right - rect.Left, -(rect.Bottom - rect.Top),
                   0, 0, w, h, &rect);
}

int TWebPicture::Width() const {
  OLE_XSIZE_HIMETRIC w = 0;
  if (!FPicture || FPicture->get_Width(&w) != S_OK) return 0;
  return MulDiv(w, 96, 2540);
}

int TWebPicture::Height() const {
  OLE_YSIZE_HIMETRIC h = 0;
  if (!FPicture || FPicture->get_Height(&h) != S_OK) return 0;
  return MulDiv(h, 96, 2540);
}

void TWebPicture::LoadBytes(TStream& stream, bool notify) {
  std::vector<BYTE> bytes = ReadPictureStream(stream);
  if (bytes.empty()) throw Exception("Empty image stream created");
  TMemoryStream data;
  data.Write(bytes.data(), static_cast<long>(bytes.size()));
  data.SetPosition(0);
  IPicturePtr picture;
  HRESULT hr = OleLoadPicture(&data, static_cast<std::int32_t>(bytes.size()), false, picture);
  if (hr == E_OUTOFMEMORY) throw Exception("Could not allocate memory for image");
  if (hr != S_OK) throw Exception("Could not load image. Invalid format");
  if (!picture) throw Exception("Could not load image");
  // Only a picture that loaded replaces what was held.
  FData.Clear();
  FData.Write(bytes.data(), static_cast<long>(bytes.size()));
  FPicture = std::move(picture);
  FEmpty = false;
  if (notify) Changed();
}

void TWebPicture::ReadData(TStream& stream) { LoadBytes(stream, false); }

void TWebPicture::LoadFromStream(TStream& stream) { LoadBytes(stream, true); }

void TWebPicture::LoadFromFile(const std::string& fileName) {
  std::vector<BYTE> bytes = ReadPictureFile(fileName);
  TMemoryStream data;
  data.Write(bytes.data(), static_cast<long>(bytes.size()));
  data.SetPosition(0);
  LoadBytes(data, true);
}

void TWebPicture::SaveToStream(TStream& stream) const {
  if (FData.Size() > 0) stream.WriteBuffer(FData.Memory(), static_cast<long>(FData.Size()));
}

std::unique_ptr<TGraphic> TWebPicture::Clone() const {
  auto copy = std::make_unique<TWebPicture>();
  if (!FEmpty) copy->Assign(this);
  copy->FURL = FURL;
  copy->FID = FID;
  return copy;
}

void TWebPicture::LoadFromResourceName(const std::string& name) {
  const std::vector<BYTE>* data = FindDataResource(name);
  if (!data) return;
  TMemoryStream stream;
  stream.Write(data->data(), static_cast<long>(data->size()));
  stream.SetPosition(0);
  LoadBytes(stream, true);
}

void TWebPicture::LoadFromURL(const std::string& url) {
  if (StartsWithNoCase(url, "RES://")) {
    FID = url;
    std::string name = url.substr(6);
    if (!name.empty()) LoadFromResourceName(name);
  } else if (StartsWithNoCase(url, "FILE://")) {
    FID = url;
    std::string name = url.substr(7);
    if (!name.empty()) LoadFromFile(name);
  } else if (!FAsynchronous) {
    FURL = url;
    FID = url;
  } else if (!FDownloadStarted) {
    // Nothing downloads pictures from web addresses: the request is only noted.
    FURL = url;
    FDownloadStarted = true;
  }
}

// ---- TWebPictureCache -----------------------------------------------------------------------

TWebPicture* TWebPictureCache::AddPicture() {
  FItems.push_back(std::make_unique<TWebPicture>());
  return FItems.back().get();
}

TWebPicture* TWebPictureCache::FindPicture(const std::string& id) const {
  for (const auto& p : FItems)
    if (p->ID() == id) return p.get();
  return nullptr;
}

// ---- The renderer ---------------------------------------------------------------------------

namespace {

// The pictures of one call: cached web pictures and the system icons it drew.
class TMiniHTMLPictures {
public:
  TMiniHTMLPictures(const TMiniHTMLParams& params) : FParams(params) {}

  // A "://" address from the cache, entered and loaded on first use; null when it is empty
  // or failed to load (a broken picture takes no room and raises nothing while painting).
  const TWebPicture* Web(const std::string& address) {
    if (!FParams.Cache) return nullptr;
    TWebPicture* p = FParams.Cache->FindPicture(address);
    if (!p) {
      p = FParams.Cache->AddPicture();
      p->SetAsynchronous(false);
      try {
        p->LoadFromURL(address);
      } catch (const Exception&) {
        // Stays empty; the address keeps it from being read again until the text changes.
      }
    }
    return p->Empty() ? nullptr : p;
  }

  bool Picture(const std::string& src, int attrW, int attrH, TMarkupOptions::TPicture& out) {
    std::string up = Upper(src);
    if (up.rfind("SSYS:", 0) == 0 || up.rfind("LSYS:", 0) == 0) return SystemIcon(src, up[0] == 'S', out);
    if (src.find("://") == std::string::npos) return false;
    const TWebPicture* p = Web(src);
    if (!p) return false;
    out.Graphic = p;
    if (attrW > 0 && attrH > 0) {
      out.Width = attrW;
      out.Height = attrH;
    } else {
      out.Width = p->Width();
      out.Height = p->Height();
    }
    return true;
  }

private:
  bool SystemIcon(const std::string& src, bool small, TMarkupOptions::TPicture& out) {
    std::string name = src.substr(5);
    int index = -1;
    if (!TryStrToInt(name, index)) {
      SHFILEINFO info;
      UINT flags = SHGFI_SYSICONINDEX | (small ? SHGFI_SMALLICON : SHGFI_LARGEICON);
      if (!FileExists(name) && !DirectoryExists(name)) flags |= SHGFI_USEFILEATTRIBUTES;
      if (!SHGetFileInfo(name, FILE_ATTRIBUTE_NORMAL, &info, sizeof(info), flags)) return false;
      index = info.iIcon;
    }
    TImageList& list = SystemImageList(small);
    out.Width = list.Width();
    out.Height = list.Height();
    FIcons.emplace_back();
    if (index >= 0 && list.GetIcon(index, FIcons.back())) out.Graphic = &FIcons.back();
    return true;
  }

  const TMiniHTMLParams& FParams;
  std::deque<TIcon> FIcons;
};

}  // namespace

bool DrawMiniHTML(TCanvas& canvas, const std::string& html, const TRect& rect,
                  const TMiniHTMLParams& params, TMiniHTMLResult& result) {
  TMiniHTMLPictures pictures(params);
  TMarkupOptions o;
  o.Images = params.Images;
  o.Layout = params.Layout;
  o.XPos = params.Mouse.X;
  o.YPos = params.Mouse.Y;
  o.FocusLink = params.FocusLink;
  o.HoverLink = params.HoverLink;
  o.ShadowOffset = params.ShadowOffset;
  o.CheckHotSpot = params.Measuring;
  o.MeasureOnly = params.MeasureOnly;
  o.Print = params.Printing;
  o.Selected = params.Selected;
  o.Blink = params.Blink;
  o.HoverStyle = params.Hover;
  o.ResFactor = params.Scale;
  o.URLColor = params.URLColor;
  o.HoverColor = params.HoverColor;
  o.HoverFontColor = params.HoverFontColor;
  o.ShadowColor = params.ShadowColor;
  o.HiddenTags = false;
  o.StrayAmpersandEndsEntities = true;
  o.NoClip = true;
  o.PictureSource = [&](const std::string& src, int w, int h, TMarkupOptions::TPicture& p) {
    return pictures.Picture(src, w, h, p);
  };
  o.BackgroundSource = [&](const std::string& src) -> const TGraphic* {
    return src.find("://") == std::string::npos ? nullptr : pictures.Web(src);
  };
  TMarkupResult r;
  bool hit = RenderMarkup(canvas, html, rect, o, r);
  result.XSize = r.XSize;
  result.YSize = r.YSize;
  result.HyperLinks = r.HyperLinks;
  result.AnchorVal = r.AnchorVal;
  result.MouseLink = r.MouseLink;
  result.HoverRect = r.HoverRect;
  result.FocusAnchor = r.FocusAnchor;
  result.StripVal = r.StripVal;
  return hit;
}

bool IsShellAnchor(const std::string& href) {
  std::string s = Trim(href);
  return StartsWithNoCase(s, "http://") || StartsWithNoCase(s, "https://") || StartsWithNoCase(s, "mailto:");
}
