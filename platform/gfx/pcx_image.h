// PCX pictures: the reader of run-length encoded PCX files at 1 bit (black and white, or up to
// four planes of 16 colours), 4 bits (16 colours), 8 bits (a 256-colour palette, or grey) and
// 24 bits (three planes of 8).
#pragma once

#include <cstddef>

#include "platform/rtl/win_types.h"

class TBitmap;

// Decodes a PCX file into `dest` (pf24bit). Invalid data (a lying header, a run past the image,
// data that ends early) raises EInvalidGraphic and leaves `dest` as it was.
void LoadPcxBitmap(const BYTE* data, std::size_t size, TBitmap& dest);
