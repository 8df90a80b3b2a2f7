#include "platform/gfx/ole_picture.h"

#include <algorithm>
#include <cstdlib>

#include "platform/gfx/bitmap.h"
#include "platform/gfx/icon.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"

int PixelsToHimetric(int pixels) { return MulDiv(pixels, 2540, 96); }
int HimetricToPixels(int himetric) { return MulDiv(himetric, 96, 2540); }

IPicture::IPicture(std::unique_ptr<TGraphic> graphic) : FGraphic(std::move(graphic)) {}

HRESULT IPicture::get_Width(OLE_XSIZE_HIMETRIC* width) const {
  if (!width) return E_POINTER;
  *width = PixelsToHimetric(FGraphic->Width());
  return S_OK;
}

HRESULT IPicture::get_Height(OLE_YSIZE_HIMETRIC* height) const {
  if (!height) return E_POINTER;
  *height = PixelsToHimetric(FGraphic->Height());
  return S_OK;
}

HRESULT IPicture::get_Type(short* type) const {
  if (!type) return E_POINTER;
  *type = dynamic_cast<const TIcon*>(FGraphic.get()) ? PICTYPE_ICON : PICTYPE_BITMAP;
  return S_OK;
}

HRESULT IPicture::Render(HDC dc, int x, int y, int cx, int cy, OLE_XSIZE_HIMETRIC xSrc, OLE_YSIZE_HIMETRIC ySrc,
                         OLE_XSIZE_HIMETRIC cxSrc, OLE_YSIZE_HIMETRIC cySrc, const TRect*) const {
  if (!dc) return E_POINTER;
  if (cx == 0 || cy == 0 || cxSrc == 0 || cySrc == 0) return E_INVALIDARG;
  int w = FGraphic->Width(), h = FGraphic->Height();
  int hmW = PixelsToHimetric(w), hmH = PixelsToHimetric(h);
  if (w <= 0 || h <= 0 || hmW <= 0 || hmH <= 0) return S_OK;

  // The device rectangle, and whether its rows run upwards.
  TRect dest = Rect(std::min(x, x + cx), std::min(y, y + cy), std::max(x, x + cx), std::max(y, y + cy));
  bool mirrorX = (cx < 0) != (cxSrc < 0);
  // Source y runs up the picture; device y runs down: upright when the two run opposite ways.
  bool flipY = (cy < 0) == (cySrc < 0);

  // The source part in pixels (rows top-down).
  long long srcLeft = std::min<long long>(xSrc, static_cast<long long>(xSrc) + cxSrc);
  long long srcRight = std::max<long long>(xSrc, static_cast<long long>(xSrc) + cxSrc);
  long long srcLow = std::min<long long>(ySrc, static_cast<long long>(ySrc) + cySrc);
  long long srcHigh = std::max<long long>(ySrc, static_cast<long long>(ySrc) + cySrc);
  int left = static_cast<int>(std::clamp<long long>(srcLeft * w / hmW, 0, w));
  int right = static_cast<int>(std::clamp<long long>(srcRight * w / hmW, 0, w));
  int top = static_cast<int>(std::clamp<long long>((hmH - srcHigh) * h / hmH, 0, h));
  int bottom = static_cast<int>(std::clamp<long long>((hmH - srcLow) * h / hmH, 0, h));
  if (right <= left || bottom <= top) return S_OK;

  if (!mirrorX && !flipY && left == 0 && top == 0 && right == w && bottom == h) {
    FGraphic->Draw(*dc, dest);
    return S_OK;
  }
  // A part, or mirrored: through a bitmap of the picture (icons over white).
  TBitmap whole;
  whole.Assign(FGraphic.get());
  TBitmap part(right - left, bottom - top, pf24bit);
  for (int py = 0; py < part.Height(); ++py)
    for (int px = 0; px < part.Width(); ++px) {
      int sx = mirrorX ? right - 1 - px : left + px;
      int sy = flipY ? bottom - 1 - py : top + py;
      part.SetPixelAt(px, py, whole.PixelAt(sx, sy));
    }
  dc->StretchDraw(dest, part);
  return S_OK;
}

HRESULT OleLoadPicture(TStream* stream, std::int32_t size, bool, IPicturePtr& picture) {
  picture.reset();
  if (!stream) return E_POINTER;
  try {
    std::int64_t left = stream->Size() - stream->Position();
    if (size < 0 || left < 0 || size > left) return E_INVALIDARG;
    std::int64_t count = size == 0 ? left : size;
    if (static_cast<unsigned long long>(count) > kMaxPictureBytes) return E_OUTOFMEMORY;
    std::vector<BYTE> data(static_cast<std::size_t>(count));
    if (count > 0) stream->ReadBuffer(data.data(), static_cast<long>(count));
    TPictureFormat format = SniffPictureFormat(data.data(), data.size());
    if (format == TPictureFormat::Unknown || format == TPictureFormat::Pcx) return CTL_E_INVALIDPICTURE;
    picture = std::make_unique<IPicture>(ReadGraphic(format, data));
    return S_OK;
  } catch (const EInvalidGraphic& e) {
    // The ceilings' refusals (CheckPictureSize, ReadPictureStream) are the memory failures.
    const std::string& why = e.Message();
    bool ceiling = why == "Picture is too large" || why == "Picture file is too large";
    return ceiling ? E_OUTOFMEMORY : CTL_E_INVALIDPICTURE;
  } catch (const EReadError&) {
    return E_INVALIDARG;
  } catch (const Exception&) {
    return E_FAIL;
  }
}
