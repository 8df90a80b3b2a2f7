// The grid's text stream and its CSV files.  The first byte picks the form ('s' stream, 'c' CSV
// with the delimiter found, ';' ',' '\t' CSV with that delimiter); the rest is the input.  What a
// grid writes reads back to a grid that writes the same.
#include <unistd.h>


#include "controls/grid/qn_grid.h"
#include "fuzz_support.h"
#include "platform/rtl/streams.h"

namespace {

std::string StreamText(TQnStringGrid& G) {
  TStringStream S;
  G.SaveToStream(S);
  return S.DataString();
}

void Fill(TQnStringGrid& G) {
  G.SetColCount(4);
  G.SetRowCount(3);
  G.SetCells(0, 0, "a,b");
  G.SetCells(1, 0, "say \"hi\"");
  G.SetCells(2, 1, "two\r\nlines");
  G.SetCells(3, 2, "x;y\tz");
}

const std::string& CsvPath() {
  static const std::string Path = fuzz::PrivateFolder() + "grid.csv";
  return Path;
}

}  // namespace

std::vector<std::string> FuzzSeeds() {
  TQnStringGrid G(nullptr);
  Fill(G);
  std::vector<std::string> Seeds{"s" + StreamText(G)};
  for (char Delimiter : {',', ';', '\t'}) {
    G.FieldDelimiter = Delimiter;
    G.SaveToCSV(CsvPath());
    Seeds.push_back(std::string(1, Delimiter) + ReadWholeFile(CsvPath()));
    if (Delimiter == ',') Seeds.push_back("c" + ReadWholeFile(CsvPath()));
  }
  ::unlink(CsvPath().c_str());
  Seeds.push_back("ca,\"b\",c\r\nd,e,f\r\n");
  return Seeds;
}

QN_FUZZ_SEEDS_FROM_ARGUMENTS

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  if (Size == 0) return 0;
  const char Form = static_cast<char>(Data[0]);
  const std::string_view Bytes = fuzz::AsView(Data + 1, Size - 1);
  try {
    TQnStringGrid G(nullptr);
    if (Form == 's') {
      TStringStream In{std::string(Bytes)};
      G.LoadFromStream(In);
      const std::string Out = StreamText(G);
      TQnStringGrid Back(nullptr);
      TStringStream Again(Out);
      Back.LoadFromStream(Again);
      if (StreamText(Back) != Out) __builtin_trap();
    } else if (Form == 'c' || Form == ',' || Form == ';' || Form == '\t') {
      G.FieldDelimiter = Form == 'c' ? '\0' : Form;
      WriteWholeFile(CsvPath(), Bytes);
      G.LoadFromCSV(CsvPath());
      // Every text the grid holds comes back from its own file (a wholly empty last column
      // may not: the file has no text for it).
      TQnStringGrid Back(nullptr);
      Back.FieldDelimiter = G.FieldDelimiter ? G.FieldDelimiter : ',';  // what the save uses
      G.SaveToCSV(CsvPath());
      Back.LoadFromCSV(CsvPath());
      for (int Row = 0; Row < G.RowCount(); ++Row)
        for (int Col = 0; Col < G.ColCount(); ++Col) {
          const std::string& Text = G.Cells(Col, Row);
          if (Text.find('\r') != std::string::npos) continue;  // a lone CR comes back as CR LF
          const bool Inside = Col < Back.ColCount() && Row < Back.RowCount();
          if (Inside ? Back.Cells(Col, Row) != Text : !Text.empty()) __builtin_trap();
        }
    }
  } catch (const Exception&) {
  }
  return 0;
}
