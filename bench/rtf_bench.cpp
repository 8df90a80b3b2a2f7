// Figures of the RTF reader and writer on a document of about 1 MB: paragraphs of mixed runs
// (fonts, sizes, colours, styles), Windows-1252 and other characters, bullets and alignment.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "platform/ui/rtf_reader.h"
#include "platform/ui/rtf_writer.h"

namespace {

double Millis(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

TRichContent Document(std::size_t bytes) {
  const char* const fonts[] = {"Arial", "Times New Roman", "Courier New"};
  const TColor colors[] = {clWindowText, clRed, clBlue, static_cast<TColor>(RGB(0, 128, 0))};
  TRichContent c;
  c.Paragraphs.clear();
  std::size_t written = 0;
  for (int p = 0; written < bytes; ++p) {
    TRichParagraph para;
    para.Format.Alignment = static_cast<TRichAlignment>(p % 4);
    para.Format.Bullet = p % 5 == 0;
    para.Format.LeftIndent = (p % 3) * 360;
    for (int r = 0; r < 6; ++r) {
      TRichRun run;
      run.Format.Name = fonts[(p + r) % 3];
      run.Format.HalfPoints = 16 + 2 * ((p + r) % 8);
      run.Format.Color = colors[(p * 7 + r) % 4];
      if (r % 2) run.Format.Style.Include(fsBold);
      if (r % 3 == 0) run.Format.Style.Include(fsItalic);
      run.Text = "Record " + std::to_string(p) + " part " + std::to_string(r) +
                 (r == 4 ? " caf\xC3\xA9 \xE2\x82\xAC na\xC3\xAFve \xE4\xB8\xAD\xE6\x96\x87 " : " plain words here ");
      para.Runs.push_back(run);
    }
    written += 400;  // about what a paragraph takes as RTF
    c.Paragraphs.push_back(para);
  }
  return c;
}

}  // namespace

int main() {
  TRichContent doc = Document(1u << 20);
  std::string rtf = WriteRtf(doc);
  const int rounds = 5;
  double write = 1e9, read = 1e9;
  std::size_t check = 0;
  for (int i = 0; i < rounds; ++i) {
    auto start = std::chrono::steady_clock::now();
    std::string out = WriteRtf(doc);
    write = std::min(write, Millis(start));
    check += out.size();
    start = std::chrono::steady_clock::now();
    TRichContent back = ReadRtf(out);
    read = std::min(read, Millis(start));
    check += back.Paragraphs.size();
  }
  std::printf("rtf document: %.2f MB, %zu paragraphs (check %zu)\n", static_cast<double>(rtf.size()) / 1e6,
              doc.Paragraphs.size(), check);
  std::printf("rtf read:  %7.1f ms  (target <= 50 ms)\n", read);
  std::printf("rtf write: %7.1f ms  (target <= 30 ms)\n", write);
  return 0;
}
