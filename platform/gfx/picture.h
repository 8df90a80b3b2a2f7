// Graphics and the picture that holds one: TGraphic is the base of the bitmap, the JPEG image
// and the icon; TPicture loads and saves by file extension and keeps whichever graphic it read.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/graphics.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/win_types.h"

class TBitmap;
class TIcon;
class TStream;

// Ceilings for pictures read from files and streams (record pictures come from the server):
// no side above 16384 pixels, no image above 256 MiB at four bytes a pixel, no file above 256 MiB.
inline constexpr int kMaxPictureSide = 16384;
inline constexpr std::size_t kMaxPictureBytes = std::size_t{256} * 1024 * 1024;

// Raises EInvalidGraphic when a picture of that size may not be made: "Picture size is not
// valid" for an empty size, "Picture is too large" above the ceiling.
void CheckPictureSize(long long width, long long height);
// The bytes of a picture file (EFOpenError when it cannot be opened, EInvalidGraphic above the
// ceiling).
std::vector<BYTE> ReadPictureFile(const std::string& fileName);
// The bytes of a stream from its position to its end, under the same ceiling.
std::vector<BYTE> ReadPictureStream(TStream& stream);
// Writes bytes as a file (the old file stays when writing fails).
void WritePictureFile(const std::string& fileName, const std::vector<BYTE>& data);

// Kinds of picture data, told by their first bytes.
enum class TPictureFormat { Unknown, Bmp, Jpeg, Gif, Pcx, Ico, Metafile };
TPictureFormat SniffPictureFormat(const BYTE* data, std::size_t size);

class TGraphic : public TPersistent {
public:
  // Draws the whole graphic stretched into `rect`.
  virtual void Draw(TCanvas& canvas, const TRect& rect) const = 0;
  virtual bool Empty() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void SetWidth(int) {}
  virtual void SetHeight(int) {}
  // A graphic that fails to read raises EInvalidGraphic and keeps what it held.
  virtual void LoadFromStream(TStream& stream) = 0;
  virtual void SaveToStream(TStream& stream) const = 0;
  virtual void LoadFromFile(const std::string& fileName);
  virtual void SaveToFile(const std::string& fileName) const;
  virtual bool Transparent() const { return FTransparent; }
  virtual void SetTransparent(bool value);
  // A new graphic of the same class holding a copy of this one.
  virtual std::unique_ptr<TGraphic> Clone() const = 0;
  bool Modified() const { return FModified; }
  void SetModified(bool value) { FModified = value; }

  TNotifyEvent OnChange;

protected:
  // Marks the graphic modified and fires OnChange.
  virtual void Changed();
  // The graphic's own data in a stream of a component (the picture property).
  virtual void ReadData(TStream& stream) { LoadFromStream(stream); }
  virtual void WriteData(TStream& stream) const { SaveToStream(stream); }

private:
  bool FTransparent = false;
  bool FModified = false;
};

class TPicture : public TPersistent {
public:
  TPicture();
  ~TPicture() override;

  // The graphic held, or nullptr.
  TGraphic* Graphic() const { return FGraphic.get(); }
  // Holds a copy of `value` (nullptr: none).
  void SetGraphic(const TGraphic* value);
  void SetGraphic(std::unique_ptr<TGraphic> value);
  // The graphic as a bitmap (icon); another kind of graphic is replaced by an empty one.
  TBitmap& Bitmap();
  TIcon& Icon();
  int Width() const;
  int Height() const;

  // By extension: .bmp, .jpg/.jpeg, .gif, .pcx, .ico; any other raises EInvalidGraphic
  // "Unknown picture file extension (.xyz)". A file that fails to read leaves the picture as
  // it was.
  void LoadFromFile(const std::string& fileName);
  // Writes the graphic in its own format; nothing is written for an empty picture.
  void SaveToFile(const std::string& fileName) const;
  // By the data's first bytes (the same formats, and a metafile's own stream).
  void LoadFromStream(TStream& stream);
  void SaveToStream(TStream& stream) const;

  void Assign(const TPersistent* source) override;

  TNotifyEvent OnChange;

private:
  void Take(std::unique_ptr<TGraphic> graphic);
  template <typename T>
  T& As();
  void Changed();
  std::unique_ptr<TGraphic> FGraphic;
};

// Reads picture data of a known format into a new graphic (a bitmap for BMP, GIF and PCX, a
// TJPEGImage, a TIcon); EInvalidGraphic when it is not valid.
std::unique_ptr<TGraphic> ReadGraphic(TPictureFormat format, const std::vector<BYTE>& data);

// The picture library's load: a new bitmap owned by the caller for a .jpg/.jpeg, .gif, .pcx or
// .bmp file; nullptr when the file cannot be read or is not such a picture. The flag is the
// progress flag of the library's interface and is ignored.
std::unique_ptr<TBitmap> PicLibLoad(const std::string& fileName, int progress = 0);
