// The bitmaps of the controls' own buttons and lists, drawn for this program: the font kinds
// of the font list ("TTF_FONT", "FIX_FONT", "PRN_FONT").
#pragma once

#include <string>

class TBitmap;

// The program's bitmap resource of that name, the controls' own registered first; null when none.
const TBitmap* ControlGlyph(const std::string& name);
