// Metafiles: a recorded list of canvas calls in the logical units of the recording canvas,
// with a reference device whose resolution and text metrics the recording used. A metafile
// replays onto any canvas at any position and scale; copies share the recorded list. It is a
// graphic: a picture holds it, a canvas draws it, and it streams in a format of our own.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/graphics.h"
#include "platform/gfx/picture.h"

enum class TMetaKind { Polyline, Polygon, Rectangle, RoundRect, Ellipse, FillRect, FocusRect, Text, Blit, Pixel, Path, Clip };

struct TMetaRecord {
  TMetaKind Kind;
  TRect Rect;                  // shapes, fills, text extent, blit destination
  std::vector<TPoint> Points;  // polylines and polygons
  TPath Path;
  std::vector<TRect> Clip;     // the clip set by a Clip record
  bool Clipped = false;
  std::string Text;
  TPaintFont Font;
  COLORREF Color = 0;
  bool Opaque = false;
  COLORREF Background = 0;
  TPaintPen Pen;
  TPaintBrush Brush;
  TFillMode FillMode = fmAlternate;
  int EllipseWidth = 0;
  int EllipseHeight = 0;
  std::shared_ptr<const TBitmap> Bitmap;   // a copy of the drawn bitmap
  std::shared_ptr<const TBitmap> Pattern;  // a copy of the brush's pattern
  TRect SourceRect;
  DWORD Rop = SRCCOPY;
};

class TMetafile : public TGraphic {
public:
  TMetafile();
  TMetafile(const TMetafile& other) : TGraphic(), FData(other.FData) {}  // shares the list
  TMetafile& operator=(const TMetafile& other);
  void Assign(const TMetafile& source) { *this = source; }
  // Another metafile is shared; anything else as TPersistent does.
  void Assign(const TPersistent* Source) override;
  std::string ClassName() const override { return "TMetafile"; }

  bool Empty() const override { return FData->Records.empty(); }
  void Clear();
  // Size in the units it was recorded in; unless it was set, the extent of the drawing from
  // (0, 0). Clear empties the list and forgets the size.
  int Width() const override { return FData->Width; }
  int Height() const override { return FData->Height; }
  void SetWidth(int value) override;
  void SetHeight(int value) override;
  // Size in hundredths of a millimetre at the reference resolution.
  int MMWidth() const;
  int MMHeight() const;
  void SetMMWidth(int value);
  void SetMMHeight(int value);
  int ReferenceDpiX() const { return FData->DpiX; }
  int ReferenceDpiY() const { return FData->DpiY; }
  const std::vector<TMetaRecord>& Records() const { return FData->Records; }
  // Copies of one metafile share their list until one of them is recorded into or resized.
  bool SharesWith(const TMetafile& other) const { return FData == other.FData; }

  // Replays onto `canvas` stretched into `dest` (logical units of that canvas), inside the
  // canvas's clip; the canvas's own state is kept.
  void Draw(TCanvas& canvas, const TRect& dest) const override;

  // "QNMF", a version, the length of what follows, then the size, the reference resolution
  // and the records (bitmaps as BMP data). Reading checks every length and count against the
  // bytes left; bad data raises EInvalidGraphic and leaves the metafile as it was.
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) const override;
  std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TMetafile>(*this); }

private:
  friend class TMetafileCanvas;
  struct TData {
    std::vector<TMetaRecord> Records;
    int Width = 0;
    int Height = 0;
    int DpiX = 96;
    int DpiY = 96;
    bool SizeSet = false;
  };
  void Unshare();
  std::shared_ptr<TData> FData;
};

// A canvas that records into a metafile. Text is measured on the reference canvas (the
// screen's resolution and a backend's bitmap metrics without one). The recording replaces the
// metafile's contents when the canvas is freed or Finish is called.
class TMetafileCanvas : public TCanvas {
public:
  TMetafileCanvas(TMetafile& metafile, TCanvas* reference);
  ~TMetafileCanvas() override;
  void Finish();
  std::string ClassName() const override { return "TMetafileCanvas"; }

private:
  class TRecorder;
  TMetafile& FMetafile;
  std::unique_ptr<TRecorder> FRecorder;
  bool FFinished = false;
};
