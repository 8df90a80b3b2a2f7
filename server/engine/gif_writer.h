// GIF89a pictures: the writer turns bitmaps into single or multi-frame GIF files, and
// SendBitmapAsGif streams one bitmap as the GIF reply of the current request.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "platform/gfx/colors.h"
#include "platform/rtl/streams.h"

class TBitmap;

// How one frame is placed and shown.
struct TGifFrameOptions {
  const TBitmap* Bitmap = nullptr;  // not owned
  int Left = -1;                    // -1: 0
  int Top = -1;
  int DelayMs = 1000;
  bool Interlaced = false;
  bool Transparent = false;
  COLORREF TransparentColor = 0xFFFFFF;
  int Disposal = 0;  // 0 none, 1 keep, 2 restore background, 3 restore previous
  std::string Comment;
};

struct TGifImageList {
  std::vector<TGifFrameOptions> Frames;
  bool GlobalPalette = false;
  unsigned short LoopCount = 0;  // 0: for ever
};

// Process-wide state of the writer; a refused frame leaves gsTooManyColors until the next write.
enum TGifWriterStatus { gsDone = 0, gsWriting = 2, gsTooManyColors = 4, gsBuildingPalette = 6 };
extern std::atomic<int> GifWriterStatus;

// Writes the image list as one GIF file; false when a frame has more than 256 colours (then
// nothing is written).
bool WriteGifToStream(TStream& Stream, const TGifImageList& ImageList);

// A memory stream whose writes go straight into the current request's reply.
class THttpStream : public TMemoryStream {
public:
  long Write(const void* Buffer, long Count) override;
};

// Sets the picture kind to GIF and writes the bitmap as a one-frame GIF into the reply; a
// bitmap that cannot be converted leaves the reply with its header only.
void SendBitmapAsGif(const TBitmap& Bitmap);
