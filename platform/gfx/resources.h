// The program's resources: bitmaps and cursors drawn for this program and compiled in, and raw
// data blocks (RCDATA), found by name (without ASCII case) or by number. Each library may add
// its own; this one brings the pan, header, link, start-up and spin pictures.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/win_types.h"
#include "platform/sys/libraries.h"

class TBitmap;

QN_DECLARE_EXCEPTION(EResNotFound, Exception);

// A cursor: a small image (0xAARRGGBB, rows top-down; alpha 0 is clear) with its hot spot, or,
// with no pixels, one of the system's standard shapes named by its cursor id. The backend turns
// it into a real cursor.
struct TCursorImage {
  int Standard = 0;  // the standard shape's id when the cursor has no image
  int Width = 0;
  int Height = 0;
  TPoint HotSpot;
  std::vector<std::uint32_t> Pixels;
  bool HasImage() const { return Width > 0 && Height > 0; }
  std::uint32_t PixelAt(int x, int y) const {
    return x < 0 || y < 0 || x >= Width || y >= Height ? 0 : Pixels[static_cast<std::size_t>(y) * Width + x];
  }
};
using HCURSOR = const TCursorImage*;

// Pixel art: one text row per pixel row, one character per pixel; `colors` maps characters
// to colours as "X=000000 o=FFFFFF" (RRGGBB). For cursors '.' is clear; for bitmaps every
// character must be mapped.
struct TPixelArt {
  std::string Colors;
  std::vector<std::string> Rows;
};
// The image of pixel art (0xAARRGGBB per pixel) of Rows[0].size() × Rows.size().
TCursorImage PaintPixelArt(const TPixelArt& art, TPoint hotSpot = {});

// Registration. A later registration of the same name replaces the earlier one. A numbered
// resource is registered under "#<number>".
void RegisterBitmapResource(const std::string& name, std::function<void(TBitmap&)> paint);
void RegisterCursorResource(const std::string& name, std::function<TCursorImage()> paint);
void RegisterDataResource(const std::string& name, std::vector<BYTE> data);
std::string ResourceNumber(int id);

// Look-up. The module handle is accepted for the callers' sake: every resource belongs to the
// program. Missing resources give nullptr.
const TBitmap* FindBitmapResource(const std::string& name);
const TBitmap* FindBitmapResource(int id);
const std::vector<BYTE>* FindDataResource(const std::string& name);
HCURSOR LoadCursor(HINSTANCE instance, const std::string& name);
HCURSOR LoadCursor(HINSTANCE instance, int id);
inline bool DestroyCursor(HCURSOR) { return true; }

// An RCDATA resource as a stream; EResNotFound "Resource <name> not found" when there is none.
class TResourceStream : public TMemoryStream {
public:
  TResourceStream(HINSTANCE instance, const std::string& name);
};
