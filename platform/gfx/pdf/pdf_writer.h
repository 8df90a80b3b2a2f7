// A PDF file written page by page: each page's content stream is compressed and written when
// the page ends; the fonts (TrueType, embedded as subsets with their widths and the text they
// stand for) and the page tree when the document closes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/gfx/pdf/pdf_font.h"

// The glyphs one document uses of a face.
struct TPdfFontUse {
  int Index = 0;  // the resource name is "/F<Index>"
  std::shared_ptr<TPdfFace> Face;
  std::vector<bool> Used;
  std::vector<char32_t> Text;  // the character each used glyph stands for
  void Mark(std::uint16_t glyph, char32_t cp) {
    if (glyph >= Used.size()) return;
    if (!Used[glyph]) {
      Used[glyph] = true;
      Text[glyph] = cp;
    }
  }
};

class TPdfDocument {
public:
  TPdfDocument() = default;
  TPdfDocument(const TPdfDocument&) = delete;
  TPdfDocument& operator=(const TPdfDocument&) = delete;
  ~TPdfDocument();

  // Creates the file; false (with nothing created) when it cannot be written.
  bool Open(const std::string& file, const std::string& title, const std::string& creator);
  // A new page of this size in points; the content stream is empty.
  void BeginPage(int widthPt, int heightPt);
  // The current page's content stream, appended to by the page's painter.
  std::string& Content() { return FContent; }
  void EndPage();
  // The fonts of this document: one resource per face.
  TPdfFontUse& Font(const std::shared_ptr<TPdfFace>& face);
  // An RGB image (3 bytes a pixel, rows top down) as an XObject; returns its resource number
  // ("/Im<n>"). The same pixels give the same object. `jpeg`, when given, makes the picture's
  // JPEG data: they are written instead when the pixels pack poorly without loss (a photograph)
  // and the JPEG data take less than half of that.
  int Image(int width, int height, const std::string& rgb,
            const std::function<std::vector<unsigned char>()>& jpeg = {});
  // Writes the fonts, the page tree and the cross-reference table; false when some write, the
  // final flush or the close failed, and then the file is deleted (Error() says why).
  bool Close();
  // Closes and deletes the file.
  void Abort();
  bool IsOpen() const { return FFile != nullptr; }
  // The errno of the first failed write, flush or close; 0 while all went well.
  int Error() const { return FError; }

private:
  int NewObject();
  void BeginObject(int number);
  void Write(const std::string& s) { Write(s.data(), s.size()); }
  void Write(const char* data, std::size_t size);
  void WriteStream(int number, const std::string& dict, const std::string& data, int level);
  // A stream of data already encoded (`dict` names the filter).
  void WriteEncoded(int number, const std::string& dict, const char* data, std::size_t size);
  void WriteFont(const TPdfFontUse& use, int number);
  void Fail(int error);
  // Deletes the file written, when it is a file of its own (never a device such as /dev/null).
  void RemoveFile();

  std::FILE* FFile = nullptr;
  std::string FPath;
  std::vector<char> FBuffer;
  int FError = 0;
  long long FOffset = 0;
  std::vector<long long> FOffsets{0};  // by object number; 0 is the free head
  std::vector<int> FPages;
  int FPageObject = 0;
  int FPageWidth = 0, FPageHeight = 0;
  std::string FContent;
  std::string FPacked;
  std::vector<std::unique_ptr<TPdfFontUse>> FFonts;
  std::unordered_map<const TPdfFace*, TPdfFontUse*> FFontOf;
  std::vector<int> FImages;  // object numbers by resource number
  std::unordered_map<std::string, int> FImageOf;  // by their size and pixels
  std::size_t FImageKeyBytes = 0;
};

// A PDF string literal (parentheses and backslashes escaped); text beyond ASCII as UTF-16BE.
std::string PdfTextString(const std::string& utf8);
// Appends a number with at most three decimals, without trailing zeros.
void AppendPdfNumber(std::string& out, double v);
void AppendPdfInt(std::string& out, long long v);
