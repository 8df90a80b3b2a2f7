// The program's resource cursors as bitmaps for the screen's cursor table.
#pragma once

#include <memory>
#include <string>

#include "platform/gfx/bitmap.h"

// The cursor resource of that name ("#1003" for a number) as a 32-bit bitmap whose fourth
// byte is the pixel's alpha, with its hot spot; nullptr when there is no such resource.
std::shared_ptr<TBitmap> CursorResourceBitmap(const std::string& name, TPoint& hotSpot);
