// JPEG pictures through libjpeg: baseline and progressive files decode into a pf24bit bitmap
// (optionally in grey, scaled down by 2, 4 or 8, or quantised to 256 colours); a bitmap is
// compressed with a quality of 1 to 100, optionally progressive.
#pragma once

#include <memory>
#include <vector>

#include "platform/gfx/picture.h"

enum TJPEGScale { jsFullSize, jsHalf, jsQuarter, jsEighth };
enum TJPEGPixelFormat { jf24Bit, jf8Bit };

class TJPEGImage : public TGraphic {
public:
  TJPEGImage();
  ~TJPEGImage() override;

  // A JPEG image copies the data; a bitmap (or any graphic drawn into one) becomes the image to
  // compress.
  void Assign(const TPersistent* source) override;
  void Draw(TCanvas& canvas, const TRect& rect) const override;
  bool Empty() const override;
  // The size of the decoded image (after Scale).
  int Width() const override;
  int Height() const override;
  // Reading decodes at once: a corrupt or truncated file raises EInvalidGraphic and the image
  // stays as it was.
  void LoadFromStream(TStream& stream) override;
  void LoadFromBytes(const std::vector<BYTE>& data);
  // Writes the JPEG data, compressing the bitmap first when the image came from one.
  void SaveToStream(TStream& stream) const override;
  std::unique_ptr<TGraphic> Clone() const override;

  // Compression settings: they apply when a bitmap is compressed (Compress, or saving an image
  // assigned from a bitmap); the data of a file read is written as it was.
  int CompressionQuality() const { return FQuality; }
  void SetCompressionQuality(int value);
  bool ProgressiveEncoding() const { return FProgressive; }
  void SetProgressiveEncoding(bool value) { FProgressive = value; }
  // Decoding settings: changing one decodes the data again.
  bool Grayscale() const { return FGrayscale; }
  void SetGrayscale(bool value);
  TJPEGScale Scale() const { return FScale; }
  void SetScale(TJPEGScale value);
  TJPEGPixelFormat PixelFormat() const { return FPixelFormat; }
  void SetPixelFormat(TJPEGPixelFormat value);

  // The decoded image; an empty bitmap for an empty image.
  const TBitmap& Bitmap() const;
  void DIBNeeded() const { Bitmap(); }
  // Compresses the bitmap with the settings now (the data of a file read is replaced).
  void Compress();
  void JPEGNeeded() const;
  const std::vector<BYTE>& Data() const;

protected:
  void AssignTo(TPersistent* dest) const override;

private:
  void Decoded(std::unique_ptr<TBitmap> bitmap) const;
  void Redecode();

  mutable std::vector<BYTE> FData;          // compressed data, empty while only a bitmap exists
  mutable std::unique_ptr<TBitmap> FBitmap;  // decoded (or assigned) image
  int FQuality = 90;
  bool FProgressive = false;
  bool FGrayscale = false;
  TJPEGScale FScale = jsFullSize;
  TJPEGPixelFormat FPixelFormat = jf24Bit;
};
