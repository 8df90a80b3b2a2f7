#include "platform/gfx/pdf/pdf_writer.h"

#include <sys/stat.h>
#include <zlib.h>

#include <cerrno>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <functional>

#include "platform/rtl/utf8_text.h"

namespace {

// Objects 1 to 4 are known from the start; the rest are numbered as they come.
constexpr int kCatalog = 1, kPageTree = 2, kInfo = 3, kResources = 4;
// Images kept for reuse up to this many bytes of pixels each, and this many in all (a job of
// many different pictures keeps the first ones only).
constexpr std::size_t kReusedImage = 256 * 1024, kReusedImages = 32 * 1024 * 1024;

std::string Deflate(const std::string& data, int level) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
                static_cast<uLong>(data.size()), level) != Z_OK)
    return std::string();
  out.resize(size);
  return out;
}

// The size the pixels pack to without loss, estimated at the fastest level from 16 bands of
// 4 rows spread over the picture (packing a photograph whole costs more than encoding it).
std::size_t PackedEstimate(const std::string& rgb, int width, int height) {
  if (height <= 64) return Deflate(rgb, 1).size();
  const std::size_t row = static_cast<std::size_t>(width) * 3;
  std::string sample;
  sample.reserve(row * 64);
  for (int k = 0; k < 16; ++k) sample.append(rgb, static_cast<std::size_t>(height * k / 16) * row, row * 4);
  return Deflate(sample, 1).size() * static_cast<std::size_t>(height) / 64;
}

void AppendHex4(std::string& out, std::uint32_t v) {
  static const char digits[] = "0123456789ABCDEF";
  out.push_back(digits[v >> 12 & 0xF]);
  out.push_back(digits[v >> 8 & 0xF]);
  out.push_back(digits[v >> 4 & 0xF]);
  out.push_back(digits[v & 0xF]);
}

// UTF-16 code units of a code point, as hex.
void AppendUtf16Hex(std::string& out, char32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
  if (cp >= 0x10000) {
    cp -= 0x10000;
    AppendHex4(out, 0xD800 + (cp >> 10));
    AppendHex4(out, 0xDC00 + (cp & 0x3FF));
  } else {
    AppendHex4(out, cp);
  }
}

std::string Ref(int number) { return std::to_string(number) + " 0 R"; }

// A subset's name: six capitals drawn from the font's index, then the face's name.
std::string SubsetName(const TPdfFontUse& use) {
  std::string tag = "AAAAAA+";
  int n = use.Index;
  for (int i = 5; i >= 0 && n > 0; --i, n /= 26) tag[static_cast<std::size_t>(i)] = static_cast<char>('A' + n % 26);
  std::string name;
  for (char c : use.Face->Name())
    if (c > ' ' && c < 127 && c != '/' && c != '(' && c != ')' && c != '<' && c != '>' && c != '[' && c != ']' &&
        c != '{' && c != '}' && c != '%' && c != '#')
      name.push_back(c);
  return tag + (name.empty() ? std::string("Font") : name);
}

}  // namespace

void AppendPdfInt(std::string& out, long long v) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, r.ptr);
}

void AppendPdfNumber(std::string& out, double v) {
  if (v == static_cast<double>(static_cast<long long>(v)) && std::abs(v) < 1e15) {
    AppendPdfInt(out, static_cast<long long>(v));
    return;
  }
  const long long scaled = std::llround(v * 1000.0);
  if (scaled % 1000 == 0) {
    AppendPdfInt(out, scaled / 1000);
    return;
  }
  if (scaled < 0) out.push_back('-');
  const long long a = scaled < 0 ? -scaled : scaled;
  AppendPdfInt(out, a / 1000);
  out.push_back('.');
  long long frac = a % 1000;
  char digits[3] = {static_cast<char>('0' + frac / 100), static_cast<char>('0' + frac / 10 % 10),
                    static_cast<char>('0' + frac % 10)};
  int n = 3;
  while (n > 1 && digits[n - 1] == '0') --n;
  out.append(digits, static_cast<std::size_t>(n));
}

std::string PdfTextString(const std::string& utf8) {
  bool ascii = true;
  for (unsigned char c : utf8) ascii = ascii && c >= 0x20 && c < 0x7F;
  if (ascii) {
    std::string out = "(";
    for (char c : utf8) {
      if (c == '(' || c == ')' || c == '\\') out.push_back('\\');
      out.push_back(c);
    }
    return out + ")";
  }
  std::string out = "<FEFF";
  for (std::size_t i = 0; i < utf8.size();) AppendUtf16Hex(out, Utf8Decode(utf8, i));
  return out + ">";
}

TPdfDocument::~TPdfDocument() {
  if (FFile) Abort();
}

bool TPdfDocument::Open(const std::string& file, const std::string& title, const std::string& creator) {
  FFile = std::fopen(file.c_str(), "wb");
  if (!FFile) return false;
  FPath = file;
  FError = 0;
  FBuffer.resize(1 << 20);
  std::setvbuf(FFile, FBuffer.data(), _IOFBF, FBuffer.size());
  Write("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
  FOffsets.assign(kResources + 1, 0);
  BeginObject(kCatalog);
  Write("<</Type/Catalog/Pages " + Ref(kPageTree) + ">>\nendobj\n");
  BeginObject(kInfo);
  Write("<</Title " + PdfTextString(title) + "/Creator " + PdfTextString(creator) + "/Producer " +
        PdfTextString(creator) + ">>\nendobj\n");
  return true;
}

int TPdfDocument::NewObject() {
  FOffsets.push_back(0);
  return static_cast<int>(FOffsets.size()) - 1;
}

void TPdfDocument::BeginObject(int number) {
  FOffsets[static_cast<std::size_t>(number)] = FOffset;
  Write(std::to_string(number) + " 0 obj\n");
}

void TPdfDocument::Write(const char* data, std::size_t size) {
  if (!FFile || size == 0) return;
  if (FError) return;  // the file is lost already; its offsets no longer matter
  errno = 0;
  if (std::fwrite(data, 1, size, FFile) != size) Fail(errno);
  FOffset += static_cast<long long>(size);
}

void TPdfDocument::WriteStream(int number, const std::string& dict, const std::string& data, int level) {
  FPacked = Deflate(data, level);
  WriteEncoded(number, dict + "/Filter/FlateDecode", FPacked.data(), FPacked.size());
}

void TPdfDocument::WriteEncoded(int number, const std::string& dict, const char* data, std::size_t size) {
  BeginObject(number);
  Write("<<" + dict + "/Length " + std::to_string(size) + ">>\nstream\n");
  Write(data, size);
  Write("\nendstream\nendobj\n");
}

void TPdfDocument::BeginPage(int widthPt, int heightPt) {
  FContent.clear();
  FPageWidth = std::max(1, widthPt);
  FPageHeight = std::max(1, heightPt);
  FPageObject = NewObject();
}

void TPdfDocument::EndPage() {
  if (!FPageObject) return;
  const int content = NewObject();
  // Text compresses well at the fastest level; a page of cells is mostly text.
  WriteStream(content, "", FContent, 1);
  BeginObject(FPageObject);
  Write("<</Type/Page/Parent " + Ref(kPageTree) + "/MediaBox[0 0 " + std::to_string(FPageWidth) + " " +
        std::to_string(FPageHeight) + "]/Resources " + Ref(kResources) + "/Contents " + Ref(content) +
        ">>\nendobj\n");
  FPages.push_back(FPageObject);
  FPageObject = 0;
  FContent.clear();
}

TPdfFontUse& TPdfDocument::Font(const std::shared_ptr<TPdfFace>& face) {
  auto it = FFontOf.find(face.get());
  if (it != FFontOf.end()) return *it->second;
  auto use = std::make_unique<TPdfFontUse>();
  use->Index = static_cast<int>(FFonts.size());
  use->Face = face;
  use->Used.assign(static_cast<std::size_t>(face->NumGlyphs()), false);
  use->Text.assign(static_cast<std::size_t>(face->NumGlyphs()), 0);
  FFonts.push_back(std::move(use));
  FFontOf[face.get()] = FFonts.back().get();
  return *FFonts.back();
}

int TPdfDocument::Image(int width, int height, const std::string& rgb,
                        const std::function<std::vector<unsigned char>()>& jpeg) {
  std::string key;
  if (rgb.size() <= kReusedImage) {
    key = std::to_string(width) + "x" + std::to_string(height) + ":" + rgb;
    auto it = FImageOf.find(key);
    if (it != FImageOf.end()) return it->second;
  }
  const int number = NewObject();
  const std::string dict = "/Type/XObject/Subtype/Image/Width " + std::to_string(width) + "/Height " +
                           std::to_string(height) + "/ColorSpace/DeviceRGB/BitsPerComponent 8";
  std::vector<unsigned char> lossy;
  if (jpeg && static_cast<long long>(width) * height >= 64 * 64) {
    const std::size_t packed = PackedEstimate(rgb, width, height);
    if (packed > rgb.size() / 4) {
      lossy = jpeg();
      if (lossy.size() >= packed / 2) lossy.clear();
    }
  }
  if (!lossy.empty()) {
    WriteEncoded(number, dict + "/Filter/DCTDecode", reinterpret_cast<const char*>(lossy.data()), lossy.size());
  } else {
    FPacked = Deflate(rgb, 6);
    WriteEncoded(number, dict + "/Filter/FlateDecode", FPacked.data(), FPacked.size());
  }
  FImages.push_back(number);
  const int index = static_cast<int>(FImages.size()) - 1;
  if (!key.empty() && FImageKeyBytes + key.size() <= kReusedImages) {
    FImageKeyBytes += key.size();
    FImageOf.emplace(std::move(key), index);
  }
  return index;
}

void TPdfDocument::WriteFont(const TPdfFontUse& use, int type0) {
  const TPdfFace& face = *use.Face;
  const double scale = 1000.0 / face.UnitsPerEm();
  const std::string name = SubsetName(use);
  const int cid = NewObject(), descriptor = NewObject(), program = NewObject(), unicode = NewObject();

  BeginObject(type0);
  Write("<</Type/Font/Subtype/Type0/BaseFont/" + name + "/Encoding/Identity-H/DescendantFonts[" + Ref(cid) +
        "]/ToUnicode " + Ref(unicode) + ">>\nendobj\n");

  std::string widths = "[";
  int runStart = -1;
  for (int g = 0; g <= static_cast<int>(use.Used.size()); ++g) {
    const bool used = g < static_cast<int>(use.Used.size()) && use.Used[static_cast<std::size_t>(g)];
    if (used && runStart < 0) {
      runStart = g;
      AppendPdfInt(widths, g);
      widths += "[";
    }
    if (used) {
      AppendPdfInt(widths, std::lround(face.Advance(static_cast<std::uint16_t>(g)) * scale));
      widths += " ";
    } else if (runStart >= 0) {
      widths.back() = ']';
      runStart = -1;
    }
  }
  widths += "]";
  BeginObject(cid);
  Write("<</Type/Font/Subtype/CIDFontType2/BaseFont/" + name +
        "/CIDSystemInfo<</Registry(Adobe)/Ordering(Identity)/Supplement 0>>/FontDescriptor " + Ref(descriptor) +
        "/DW 0/W" + widths + "/CIDToGIDMap/Identity>>\nendobj\n");

  std::string d = "<</Type/FontDescriptor/FontName/" + name + "/Flags ";
  AppendPdfInt(d, (face.FixedPitch() ? 1 : 0) | 32 | (face.ItalicAngle() != 0 ? 64 : 0));
  d += "/FontBBox[";
  for (int i = 0; i < 4; ++i) {
    AppendPdfInt(d, std::lround(face.BBox()[static_cast<std::size_t>(i)] * scale));
    d += i < 3 ? " " : "]";
  }
  d += "/ItalicAngle ";
  AppendPdfNumber(d, face.ItalicAngle());
  d += "/Ascent ";
  AppendPdfInt(d, std::lround(face.Ascent() * scale));
  d += "/Descent ";
  AppendPdfInt(d, std::lround(face.Descent() * scale));
  d += "/CapHeight ";
  AppendPdfInt(d, std::lround(face.CapHeight() * scale));
  d += "/StemV 80/FontFile2 " + Ref(program) + ">>\nendobj\n";
  BeginObject(descriptor);
  Write(d);

  const std::string subset = face.Subset(use.Used);
  WriteStream(program, "/Length1 " + std::to_string(subset.size()), subset, 6);

  std::string cmap =
      "/CIDInit/ProcSet findresource begin\n12 dict begin\nbegincmap\n"
      "/CIDSystemInfo<</Registry(Adobe)/Ordering(UCS)/Supplement 0>>def\n/CMapName/Adobe-Identity-UCS def\n"
      "/CMapType 2 def\n1 begincodespacerange\n<0000><FFFF>\nendcodespacerange\n";
  std::vector<int> mapped;
  for (std::size_t g = 0; g < use.Used.size(); ++g)
    if (use.Used[g] && use.Text[g] != 0) mapped.push_back(static_cast<int>(g));
  for (std::size_t i = 0; i < mapped.size(); i += 100) {
    const std::size_t n = std::min<std::size_t>(100, mapped.size() - i);
    AppendPdfInt(cmap, static_cast<long long>(n));
    cmap += " beginbfchar\n";
    for (std::size_t k = i; k < i + n; ++k) {
      cmap += "<";
      AppendHex4(cmap, static_cast<std::uint32_t>(mapped[k]));
      cmap += "><";
      AppendUtf16Hex(cmap, use.Text[static_cast<std::size_t>(mapped[k])]);
      cmap += ">\n";
    }
    cmap += "endbfchar\n";
  }
  cmap += "endcmap\nCMapName currentdict/CMap defineresource pop\nend\nend\n";
  WriteStream(unicode, "", cmap, 6);
}

bool TPdfDocument::Close() {
  if (!FFile) return false;
  if (FPageObject) EndPage();
  std::string resources = "<</ProcSet[/PDF/Text/ImageC]";
  if (!FFonts.empty()) {
    resources += "/Font<<";
    for (const auto& use : FFonts) {
      const int number = NewObject();
      WriteFont(*use, number);
      resources += "/F" + std::to_string(use->Index) + " " + Ref(number);
    }
    resources += ">>";
  }
  if (!FImages.empty()) {
    resources += "/XObject<<";
    for (std::size_t i = 0; i < FImages.size(); ++i) resources += "/Im" + std::to_string(i) + " " + Ref(FImages[i]);
    resources += ">>";
  }
  BeginObject(kResources);
  Write(resources + ">>\nendobj\n");
  std::string kids;
  for (int p : FPages) kids += Ref(p) + " ";
  BeginObject(kPageTree);
  Write("<</Type/Pages/Kids[" + kids + "]/Count " + std::to_string(FPages.size()) + ">>\nendobj\n");
  const long long xref = FOffset;
  std::string table = "xref\n0 " + std::to_string(FOffsets.size()) + "\n0000000000 65535 f \n";
  char entry[32];
  for (std::size_t i = 1; i < FOffsets.size(); ++i) {
    std::snprintf(entry, sizeof entry, "%010lld 00000 n \n", FOffsets[i]);
    table += entry;
  }
  table += "trailer\n<</Size " + std::to_string(FOffsets.size()) + "/Root " + Ref(kCatalog) + "/Info " +
           Ref(kInfo) + ">>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  Write(table);
  errno = 0;
  if (std::fflush(FFile) != 0 || std::ferror(FFile)) Fail(errno);
  errno = 0;
  if (std::fclose(FFile) != 0) Fail(errno);
  FFile = nullptr;
  const bool ok = FError == 0;
  if (!ok) RemoveFile();
  FFonts.clear();
  FFontOf.clear();
  FImages.clear();
  FImageOf.clear();
  FImageKeyBytes = 0;
  return ok;
}

void TPdfDocument::Abort() {
  if (FFile) std::fclose(FFile);
  FFile = nullptr;
  RemoveFile();
}

void TPdfDocument::Fail(int error) {
  if (!FError) FError = error ? error : EIO;
}

void TPdfDocument::RemoveFile() {
  struct stat st {};
  if (!FPath.empty() && ::lstat(FPath.c_str(), &st) == 0 && S_ISREG(st.st_mode)) std::remove(FPath.c_str());
}
