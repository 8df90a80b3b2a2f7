#include "platform/gfx/picture.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/gfx/bitmap.h"
#include "platform/gfx/gif_image.h"
#include "platform/gfx/icon.h"
#include "platform/gfx/jpeg_image.h"
#include "platform/gfx/metafile.h"
#include "platform/gfx/pcx_image.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/file_io.h"
#include "platform/rtl/path_text.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"

// ---- Limits and bytes -----------------------------------------------------------------------

void CheckPictureSize(long long width, long long height) {
  if (width <= 0 || height <= 0) throw EInvalidGraphic("Picture size is not valid");
  if (width > kMaxPictureSide || height > kMaxPictureSide || width * height * 4 > static_cast<long long>(kMaxPictureBytes))
    throw EInvalidGraphic("Picture is too large");
}

std::vector<BYTE> ReadPictureFile(const std::string& fileName) {
  int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw EFOpenError::ForFile(fileName);
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    throw EFOpenError::ForFile(fileName);
  }
  if (static_cast<unsigned long long>(st.st_size) > kMaxPictureBytes) {
    ::close(fd);
    throw EInvalidGraphic("Picture file is too large");
  }
  std::vector<BYTE> data(static_cast<std::size_t>(st.st_size));
  std::size_t got = 0;
  while (got < data.size()) {
    long n = ReadRetry(fd, data.data() + got, data.size() - got);
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  data.resize(got);
  return data;
}

std::vector<BYTE> ReadPictureStream(TStream& stream) {
  std::int64_t position = stream.Position();
  std::int64_t size = stream.Size();
  std::int64_t left = size >= position ? size - position : 0;
  if (static_cast<unsigned long long>(left) > kMaxPictureBytes) throw EInvalidGraphic("Picture file is too large");
  std::vector<BYTE> data(static_cast<std::size_t>(left));
  if (left > 0) stream.ReadBuffer(data.data(), static_cast<long>(left));
  return data;
}

void WritePictureFile(const std::string& fileName, const std::vector<BYTE>& data) {
  AtomicWriteFile(fileName, std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
}

TPictureFormat SniffPictureFormat(const BYTE* d, std::size_t n) {
  if (n >= 2 && d[0] == 'B' && d[1] == 'M') return TPictureFormat::Bmp;
  if (n >= 3 && d[0] == 0xFF && d[1] == 0xD8 && d[2] == 0xFF) return TPictureFormat::Jpeg;
  if (n >= 6 && std::memcmp(d, "GIF8", 4) == 0 && (d[4] == '7' || d[4] == '9') && d[5] == 'a')
    return TPictureFormat::Gif;
  if (n >= 4 && d[0] == 0 && d[1] == 0 && d[2] == 1 && d[3] == 0) return TPictureFormat::Ico;
  if (n >= 128 && d[0] == 0x0A && d[2] == 1) return TPictureFormat::Pcx;
  if (n >= 4 && std::memcmp(d, "QNMF", 4) == 0) return TPictureFormat::Metafile;
  return TPictureFormat::Unknown;
}

std::unique_ptr<TGraphic> ReadGraphic(TPictureFormat format, const std::vector<BYTE>& data) {
  switch (format) {
    case TPictureFormat::Bmp: {
      auto bmp = std::make_unique<TBitmap>();
      bmp->LoadFromBmp(data);
      return bmp;
    }
    case TPictureFormat::Gif: {
      auto bmp = std::make_unique<TBitmap>();
      LoadGifBitmap(data.data(), data.size(), *bmp);
      return bmp;
    }
    case TPictureFormat::Pcx: {
      auto bmp = std::make_unique<TBitmap>();
      LoadPcxBitmap(data.data(), data.size(), *bmp);
      return bmp;
    }
    case TPictureFormat::Jpeg: {
      auto jpeg = std::make_unique<TJPEGImage>();
      jpeg->LoadFromBytes(data);
      return jpeg;
    }
    case TPictureFormat::Ico: {
      auto icon = std::make_unique<TIcon>();
      icon->LoadFromBytes(data);
      return icon;
    }
    case TPictureFormat::Metafile: {
      auto metafile = std::make_unique<TMetafile>();
      TMemoryStream m;
      if (!data.empty()) m.WriteBuffer(data.data(), static_cast<long>(data.size()));
      m.SetPosition(0);
      metafile->LoadFromStream(m);
      return metafile;
    }
    case TPictureFormat::Unknown: break;
  }
  throw EInvalidGraphic("Unknown picture format");
}

namespace {

// The format a file extension names; Unknown for any other.
TPictureFormat FormatOfExtension(const std::string& ext) {
  if (ext == ".bmp") return TPictureFormat::Bmp;
  if (ext == ".jpg" || ext == ".jpeg") return TPictureFormat::Jpeg;
  if (ext == ".gif") return TPictureFormat::Gif;
  if (ext == ".pcx") return TPictureFormat::Pcx;
  if (ext == ".ico") return TPictureFormat::Ico;
  return TPictureFormat::Unknown;
}

std::string LowerExtension(const std::string& fileName) { return LowerCase(ExtractFileExt(fileName)); }

}  // namespace

// ---- TGraphic -------------------------------------------------------------------------------

void TGraphic::LoadFromFile(const std::string& fileName) {
  std::vector<BYTE> data = ReadPictureFile(fileName);
  TMemoryStream stream;
  if (!data.empty()) stream.WriteBuffer(data.data(), static_cast<long>(data.size()));
  stream.SetPosition(0);
  LoadFromStream(stream);
}

void TGraphic::SaveToFile(const std::string& fileName) const {
  TMemoryStream stream;
  SaveToStream(stream);
  stream.SaveToFile(fileName);
}

void TGraphic::SetTransparent(bool value) {
  if (value == FTransparent) return;
  FTransparent = value;
  Changed();
}

void TGraphic::Changed() {
  FModified = true;
  if (OnChange) OnChange(this);
}

// ---- TPicture -------------------------------------------------------------------------------

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::Take(std::unique_ptr<TGraphic> graphic) {
  FGraphic = std::move(graphic);
  if (FGraphic) FGraphic->OnChange = [this](TObject*) { Changed(); };
  Changed();
}

void TPicture::Changed() {
  if (OnChange) OnChange(this);
}

void TPicture::SetGraphic(const TGraphic* value) {
  if (value == FGraphic.get()) return;
  Take(value ? value->Clone() : nullptr);
}

void TPicture::SetGraphic(std::unique_ptr<TGraphic> value) { Take(std::move(value)); }

template <typename T>
T& TPicture::As() {
  auto* graphic = dynamic_cast<T*>(FGraphic.get());
  if (!graphic) {
    auto fresh = std::make_unique<T>();
    graphic = fresh.get();
    Take(std::move(fresh));
  }
  return *graphic;
}

TBitmap& TPicture::Bitmap() { return As<TBitmap>(); }
TIcon& TPicture::Icon() { return As<TIcon>(); }

int TPicture::Width() const { return FGraphic ? FGraphic->Width() : 0; }
int TPicture::Height() const { return FGraphic ? FGraphic->Height() : 0; }

void TPicture::LoadFromFile(const std::string& fileName) {
  std::string ext = LowerExtension(fileName);
  TPictureFormat format = FormatOfExtension(ext);
  if (format == TPictureFormat::Unknown)
    throw EInvalidGraphic("Unknown picture file extension (." + (ext.empty() ? std::string() : ext.substr(1)) + ")");
  Take(ReadGraphic(format, ReadPictureFile(fileName)));
}

void TPicture::SaveToFile(const std::string& fileName) const {
  if (FGraphic) FGraphic->SaveToFile(fileName);
}

void TPicture::LoadFromStream(TStream& stream) {
  std::vector<BYTE> data = ReadPictureStream(stream);
  TPictureFormat format = SniffPictureFormat(data.data(), data.size());
  if (format == TPictureFormat::Unknown) throw EInvalidGraphic("Unknown picture format");
  Take(ReadGraphic(format, data));
}

void TPicture::SaveToStream(TStream& stream) const {
  if (FGraphic) FGraphic->SaveToStream(stream);
}

void TPicture::Assign(const TPersistent* source) {
  if (!source) {
    Take(nullptr);
    return;
  }
  if (auto* picture = dynamic_cast<const TPicture*>(source)) {
    SetGraphic(picture->Graphic());
    return;
  }
  if (auto* graphic = dynamic_cast<const TGraphic*>(source)) {
    SetGraphic(graphic);
    return;
  }
  TPersistent::Assign(source);
}

// ---- The picture library --------------------------------------------------------------------

std::unique_ptr<TBitmap> PicLibLoad(const std::string& fileName, int /*progress*/) {
  try {
    std::string ext = LowerExtension(fileName);
    TPictureFormat format = FormatOfExtension(ext);
    if (format == TPictureFormat::Unknown || format == TPictureFormat::Ico) return nullptr;
    std::unique_ptr<TGraphic> graphic = ReadGraphic(format, ReadPictureFile(fileName));
    if (auto* bmp = dynamic_cast<TBitmap*>(graphic.get())) {
      graphic.release();
      return std::unique_ptr<TBitmap>(bmp);
    }
    auto bmp = std::make_unique<TBitmap>();
    bmp->Assign(graphic.get());
    return bmp;
  } catch (const Exception&) {
    return nullptr;
  }
}
