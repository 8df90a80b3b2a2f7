#include "controls/startup_cursors.h"

#include "platform/gfx/resources.h"

std::shared_ptr<TBitmap> CursorResourceBitmap(const std::string& name, TPoint& hotSpot) {
  HCURSOR cursor = LoadCursor(nullptr, name);
  if (!cursor || cursor->Width <= 0 || cursor->Height <= 0) return nullptr;
  auto bitmap = std::make_shared<TBitmap>(cursor->Width, cursor->Height, pf32bit);
  for (int y = 0; y < cursor->Height; ++y) {
    BYTE* row = bitmap->ScanLine(y);
    for (int x = 0; x < cursor->Width; ++x) {
      std::uint32_t argb = cursor->PixelAt(x, y);
      row[4 * x] = static_cast<BYTE>(argb);
      row[4 * x + 1] = static_cast<BYTE>(argb >> 8);
      row[4 * x + 2] = static_cast<BYTE>(argb >> 16);
      row[4 * x + 3] = static_cast<BYTE>(argb >> 24);
    }
  }
  hotSpot = cursor->HotSpot;
  return bitmap;
}
