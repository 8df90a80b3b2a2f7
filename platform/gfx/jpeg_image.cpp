#include "platform/gfx/jpeg_image.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>
#include <jerror.h>

#include "platform/gfx/bitmap.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"

namespace {

// libjpeg reports failures through its error manager. Ours jumps back to the guarded call
// with the message, and takes the warnings that mean damaged data as failures too (libjpeg
// would otherwise fill the rest of a truncated or corrupt image with grey).
struct TJpegError {
  jpeg_error_mgr Manager;
  std::jmp_buf Jump;
  char Message[JMSG_LENGTH_MAX];
};

extern "C" void JpegErrorExit(j_common_ptr info) {
  auto* error = reinterpret_cast<TJpegError*>(info->err);
  (*info->err->format_message)(info, error->Message);
  std::longjmp(error->Jump, 1);
}

extern "C" void JpegEmitMessage(j_common_ptr info, int level) {
  if (level != -1) return;
  switch (info->err->msg_code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_BOGUS_PROGRESSION:
    case JWRN_NOT_SEQUENTIAL:
      JpegErrorExit(info);
      break;
    default:
      ++info->err->num_warnings;
      break;
  }
}

void InitError(TJpegError& error) {
  jpeg_std_error(&error.Manager);
  error.Manager.error_exit = JpegErrorExit;
  error.Manager.emit_message = JpegEmitMessage;
  error.Message[0] = 0;
}

// Runs `step` (libjpeg calls and plain loops only: nothing with a destructor may live in it,
// for the error exit jumps over it) and tells whether it finished.
template <typename F>
bool Guarded(TJpegError& error, F&& step) {
  if (setjmp(error.Jump)) return false;
  step();
  return true;
}

[[noreturn]] void Fail(const TJpegError& error) {
  throw EInvalidGraphic(std::string("JPEG error: ") + (error.Message[0] ? error.Message : "invalid data"));
}

struct TDecompressor {
  jpeg_decompress_struct Info{};
  bool Created = false;
  ~TDecompressor() {
    if (Created) jpeg_destroy_decompress(&Info);
  }
};

struct TCompressor {
  jpeg_compress_struct Info{};
  bool Created = false;
  unsigned char* Buffer = nullptr;
  unsigned long Length = 0;
  ~TCompressor() {
    if (Created) jpeg_destroy_compress(&Info);
    std::free(Buffer);
  }
};

int ScaleDenominator(TJPEGScale scale) {
  switch (scale) {
    case jsHalf: return 2;
    case jsQuarter: return 4;
    case jsEighth: return 8;
    default: return 1;
  }
}

std::unique_ptr<TBitmap> DecodeJpeg(const std::vector<BYTE>& data, TJPEGScale scale, bool grayscale, bool quantize) {
  if (data.empty()) throw EInvalidGraphic("JPEG error: no data");
  TJpegError error;
  InitError(error);
  TDecompressor d;
  jpeg_decompress_struct& info = d.Info;
  info.err = &error.Manager;
  if (!Guarded(error, [&] { jpeg_create_decompress(&info); })) Fail(error);
  d.Created = true;
  // What libjpeg may take for a picture (a progressive one keeps all its coefficients): past
  // this it fails instead of using the disk.
  info.mem->max_memory_to_use = static_cast<long>(2 * kMaxPictureBytes);
  if (!Guarded(error, [&] {
        jpeg_mem_src(&info, data.data(), static_cast<unsigned long>(data.size()));
        jpeg_read_header(&info, TRUE);
      }))
    Fail(error);
  CheckPictureSize(info.image_width, info.image_height);

  bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  info.scale_num = 1;
  info.scale_denom = static_cast<unsigned>(ScaleDenominator(scale));
  if (grayscale) info.out_color_space = JCS_GRAYSCALE;
  else if (cmyk) info.out_color_space = JCS_CMYK;
  else info.out_color_space = quantize ? JCS_RGB : JCS_EXT_BGR;
  if (quantize && !cmyk) {
    info.quantize_colors = TRUE;
    info.desired_number_of_colors = 256;
    info.two_pass_quantize = TRUE;
  }
  if (!Guarded(error, [&] { jpeg_start_decompress(&info); })) Fail(error);
  CheckPictureSize(info.output_width, info.output_height);

  auto image = std::make_unique<TBitmap>(static_cast<int>(info.output_width), static_cast<int>(info.output_height), pf24bit);
  BYTE* bits = image->Bits();
  const std::size_t stride = static_cast<std::size_t>(image->BytesPerLine());
  const std::size_t width = info.output_width;
  const bool direct = info.out_color_space == JCS_EXT_BGR && !info.quantize_colors;
  std::vector<BYTE> row(direct ? 0 : width * static_cast<std::size_t>(info.output_components));
  BYTE* rowData = row.data();
  const bool adobe = info.saw_Adobe_marker != 0;
  if (!Guarded(error, [&] {
        while (info.output_scanline < info.output_height) {
          BYTE* out = bits + stride * info.output_scanline;
          JSAMPROW target = direct ? out : rowData;
          if (jpeg_read_scanlines(&info, &target, 1) != 1) break;
          if (direct) continue;
          for (std::size_t x = 0; x < width; ++x, out += 3) {
            if (info.quantize_colors) {
              int index = rowData[x];
              if (info.out_color_components == 1) {
                out[0] = out[1] = out[2] = info.colormap[0][index];
              } else {
                out[2] = info.colormap[0][index];
                out[1] = info.colormap[1][index];
                out[0] = info.colormap[2][index];
              }
            } else if (info.out_color_space == JCS_GRAYSCALE) {
              out[0] = out[1] = out[2] = rowData[x];
            } else {  // CMYK, inverted in files with an Adobe marker
              const BYTE* p = rowData + 4 * x;
              unsigned k = adobe ? p[3] : 255u - p[3];
              for (int c = 0; c < 3; ++c) {
                unsigned v = adobe ? p[c] : 255u - p[c];
                out[2 - c] = static_cast<BYTE>((v * k + 127) / 255);
              }
            }
          }
        }
        jpeg_finish_decompress(&info);
      }))
    Fail(error);
  return image;
}

std::vector<BYTE> EncodeJpeg(const TBitmap& bitmap, int quality, bool progressive, bool grayscale) {
  if (bitmap.Empty()) throw EInvalidGraphic("JPEG error: the bitmap is empty");
  TJpegError error;
  InitError(error);
  TCompressor c;
  jpeg_compress_struct& info = c.Info;
  info.err = &error.Manager;
  if (!Guarded(error, [&] { jpeg_create_compress(&info); })) Fail(error);
  c.Created = true;
  const BYTE* bits = bitmap.Bits();
  const std::size_t stride = static_cast<std::size_t>(bitmap.BytesPerLine());
  const bool bgrx = bitmap.PixelFormat() == pf32bit;
  if (!Guarded(error, [&] {
        jpeg_mem_dest(&info, &c.Buffer, &c.Length);
        info.image_width = static_cast<JDIMENSION>(bitmap.Width());
        info.image_height = static_cast<JDIMENSION>(bitmap.Height());
        info.input_components = bgrx ? 4 : 3;
        info.in_color_space = bgrx ? JCS_EXT_BGRX : JCS_EXT_BGR;
        jpeg_set_defaults(&info);
        jpeg_set_quality(&info, quality, TRUE);
        if (grayscale) jpeg_set_colorspace(&info, JCS_GRAYSCALE);
        if (progressive) jpeg_simple_progression(&info);
        jpeg_start_compress(&info, TRUE);
        while (info.next_scanline < info.image_height) {
          JSAMPROW rowPointer = const_cast<BYTE*>(bits + stride * info.next_scanline);
          jpeg_write_scanlines(&info, &rowPointer, 1);
        }
        jpeg_finish_compress(&info);
      }))
    Fail(error);
  return std::vector<BYTE>(c.Buffer, c.Buffer + c.Length);
}

}  // namespace

TJPEGImage::TJPEGImage() = default;
TJPEGImage::~TJPEGImage() = default;

void TJPEGImage::Decoded(std::unique_ptr<TBitmap> bitmap) const { FBitmap = std::move(bitmap); }

void TJPEGImage::Assign(const TPersistent* source) {
  if (source == this) return;
  if (auto* jpeg = dynamic_cast<const TJPEGImage*>(source)) {
    FData = jpeg->FData;
    FBitmap.reset();
    if (jpeg->FBitmap) {
      FBitmap = std::make_unique<TBitmap>();
      FBitmap->Assign(*jpeg->FBitmap);
    }
    FQuality = jpeg->FQuality;
    FProgressive = jpeg->FProgressive;
    FGrayscale = jpeg->FGrayscale;
    FScale = jpeg->FScale;
    FPixelFormat = jpeg->FPixelFormat;
    Changed();
    return;
  }
  if (auto* graphic = dynamic_cast<const TGraphic*>(source)) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->Assign(graphic);
    FBitmap = std::move(bitmap);
    FData.clear();
    Changed();
    return;
  }
  TGraphic::Assign(source);
}

void TJPEGImage::AssignTo(TPersistent* dest) const {
  if (auto* bmp = dynamic_cast<TBitmap*>(dest)) {
    bmp->Assign(Bitmap());
    return;
  }
  TGraphic::AssignTo(dest);
}

std::unique_ptr<TGraphic> TJPEGImage::Clone() const {
  auto copy = std::make_unique<TJPEGImage>();
  copy->Assign(this);
  return copy;
}

bool TJPEGImage::Empty() const { return FData.empty() && (!FBitmap || FBitmap->Empty()); }
int TJPEGImage::Width() const { return Empty() ? 0 : Bitmap().Width(); }
int TJPEGImage::Height() const { return Empty() ? 0 : Bitmap().Height(); }

void TJPEGImage::Draw(TCanvas& canvas, const TRect& rect) const {
  if (!Empty()) canvas.StretchDraw(rect, Bitmap());
}

void TJPEGImage::LoadFromStream(TStream& stream) { LoadFromBytes(ReadPictureStream(stream)); }

void TJPEGImage::LoadFromBytes(const std::vector<BYTE>& data) {
  std::unique_ptr<TBitmap> image = DecodeJpeg(data, FScale, FGrayscale, FPixelFormat == jf8Bit);
  FData = data;
  FBitmap = std::move(image);
  Changed();
}

void TJPEGImage::SaveToStream(TStream& stream) const {
  JPEGNeeded();
  if (!FData.empty()) stream.WriteBuffer(FData.data(), static_cast<long>(FData.size()));
}

const TBitmap& TJPEGImage::Bitmap() const {
  if (!FBitmap) {
    if (FData.empty()) FBitmap = std::make_unique<TBitmap>();
    else Decoded(DecodeJpeg(FData, FScale, FGrayscale, FPixelFormat == jf8Bit));
  }
  return *FBitmap;
}

void TJPEGImage::Compress() {
  const TBitmap& source = Bitmap();
  if (source.Empty()) return;
  std::vector<BYTE> data = EncodeJpeg(source, FQuality, FProgressive, FGrayscale);
  FData = std::move(data);
  Changed();
}

void TJPEGImage::JPEGNeeded() const {
  if (FData.empty() && FBitmap && !FBitmap->Empty())
    FData = EncodeJpeg(*FBitmap, FQuality, FProgressive, FGrayscale);
}

const std::vector<BYTE>& TJPEGImage::Data() const {
  JPEGNeeded();
  return FData;
}

void TJPEGImage::SetCompressionQuality(int value) { FQuality = std::clamp(value, 1, 100); }

void TJPEGImage::Redecode() {
  if (!FData.empty()) FBitmap.reset();
  Changed();
}

void TJPEGImage::SetGrayscale(bool value) {
  if (value == FGrayscale) return;
  FGrayscale = value;
  Redecode();
}

void TJPEGImage::SetScale(TJPEGScale value) {
  if (value == FScale) return;
  FScale = value;
  Redecode();
}

void TJPEGImage::SetPixelFormat(TJPEGPixelFormat value) {
  if (value == FPixelFormat) return;
  FPixelFormat = value;
  Redecode();
}
