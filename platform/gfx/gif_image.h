// GIF pictures: the reader of GIF87a and GIF89a files (the first frame, its transparency,
// interlaced rows), and the row order of interlaced frames that the GIF writer shares.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/rtl/win_types.h"

class TBitmap;

// The rows of a frame in the order a file stores them: top-down, or the four interlace passes
// (every 8th row from 0, every 8th from 4, every 4th from 2, every 2nd from 1).
std::vector<int> GifRowOrder(int height, bool interlaced);

// Decodes the first frame of a GIF file into `dest` (pf24bit, the size of the logical screen;
// what the frame does not cover shows the background colour). A transparent colour index makes
// the bitmap Transparent with a key colour that no visible pixel has. Invalid data raises
// EInvalidGraphic and leaves `dest` as it was.
void LoadGifBitmap(const BYTE* data, std::size_t size, TBitmap& dest);
