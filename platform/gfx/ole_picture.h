// The OLE picture: picture bytes (BMP, JPEG, GIF or ICO) read into an object that knows its size
// in HIMETRIC units (hundredths of a millimetre at 96 pixels per inch) and renders itself
// stretched into a device rectangle.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/gfx/picture.h"

// The data is not a picture of a known kind, or it is damaged (S_OK and the common codes are
// in win_types.h).
inline constexpr HRESULT CTL_E_INVALIDPICTURE = static_cast<HRESULT>(0x800A017C);

using OLE_XSIZE_HIMETRIC = std::int32_t;
using OLE_YSIZE_HIMETRIC = std::int32_t;
enum : short { PICTYPE_NONE = 0, PICTYPE_BITMAP = 1, PICTYPE_ICON = 3 };

// Pixels to HIMETRIC at 96 dpi (× 2540 / 96) and back.
int PixelsToHimetric(int pixels);
int HimetricToPixels(int himetric);

class IPicture {
public:
  explicit IPicture(std::unique_ptr<TGraphic> graphic);
  HRESULT get_Width(OLE_XSIZE_HIMETRIC* width) const;
  HRESULT get_Height(OLE_YSIZE_HIMETRIC* height) const;
  HRESULT get_Type(short* type) const;
  // Draws the source part (HIMETRIC, measured up from the picture's bottom edge: the whole
  // picture is 0, 0, width, height) into the device rectangle x, y, cx, cy of `dc`. A negative
  // cy counts up from y, so the usual call from the bottom edge with the whole picture as
  // source draws it upright; a negative cySrc takes the source from its top edge down.
  HRESULT Render(HDC dc, int x, int y, int cx, int cy, OLE_XSIZE_HIMETRIC xSrc, OLE_YSIZE_HIMETRIC ySrc,
                 OLE_XSIZE_HIMETRIC cxSrc, OLE_YSIZE_HIMETRIC cySrc, const TRect* bounds = nullptr) const;
  const TGraphic& Graphic() const { return *FGraphic; }

private:
  std::unique_ptr<TGraphic> FGraphic;
};
using IPicturePtr = std::unique_ptr<IPicture>;

// Reads `size` bytes (0: to the end) of `stream` from its position as a picture. S_OK with the
// picture; E_POINTER without a stream; E_INVALIDARG for a negative size or one past the end;
// CTL_E_INVALIDPICTURE for data that is no picture or is damaged; E_OUTOFMEMORY above the
// picture ceilings.
HRESULT OleLoadPicture(TStream* stream, std::int32_t size, bool runMode, IPicturePtr& picture);
