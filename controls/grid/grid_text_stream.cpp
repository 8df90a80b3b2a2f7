// The grid text stream (SaveToStream/LoadFromStream) and the grid text file with its column
// width lines (SaveToFile/LoadFromFile) of TQnStringGrid.
#include <cmath>
#include <utility>

#include "controls/grid/grid_utils.h"
#include "controls/grid/qn_grid.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"
#include "controls/grid/grid_io.h"

namespace {

// No stream may size a grid beyond this many cells: request bodies come from outside.
constexpr long long kMaxGridCells = 2000000;

const char kCRLF[2] = {'\r', '\n'};

// A lone CR becomes CR LF, so that the coding (CR 9, LF 8) brings it back as a line break.
std::string CodeCellText(const std::string& text) {
  if (text.find('\r') == std::string::npos) return text;
  std::string out;
  out.reserve(text.size() + 4);
  for (std::size_t i = 0; i < text.size(); ++i) {
    out += text[i];
    if (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')) out += '\n';
  }
  return EncodeLineBreaks(out);
}


// Lines of a byte block: each ends at a CR, and the byte after the CR is dropped.
class TLineReader {
public:
  explicit TLineReader(std::string data) : FData(std::move(data)) {}
  bool AtEnd() const { return FPos >= FData.size(); }
  std::string Next() {
    const std::size_t cr = FData.find('\r', FPos);
    std::string line;
    if (cr == std::string::npos) {
      line = FData.substr(FPos);
      FPos = FData.size();
    } else {
      line = FData.substr(FPos, cr - FPos);
      FPos = cr + 2;  // the CR and the byte after it
    }
    return line;
  }

private:
  std::string FData;
  std::size_t FPos = 0;
};

std::string ReadRest(TStream& stream) {
  const std::int64_t pos = stream.Position(), size = stream.Size();
  if (size <= pos) return {};
  std::string data(static_cast<std::size_t>(size - pos), '\0');
  stream.ReadBuffer(data.data(), static_cast<long>(data.size()));
  return data;
}

// The integer before the first comma (removed with the comma), read strictly.
int TakeInt(std::string& line) {
  const auto p = line.find(',');
  const std::string field = p == std::string::npos ? line : line.substr(0, p);
  const int value = StrToInt(field);  // raises EConvertError
  if (p == std::string::npos)
    line.clear();
  else
    line.erase(0, p + 1);
  return value;
}

void CheckGridSize(long long cols, long long rows) {
  if (cols < 0 || rows < 0 || cols > kMaxGridCells || rows > kMaxGridCells || cols * rows > kMaxGridCells)
  {
    std::string message(1, '\'');
    message.append(std::to_string(cols)).append(1, ',').append(std::to_string(rows));
    message.append("' is not a valid grid size");
    throw EConvertError(message);
  }
}

struct TCellLine {
  int Col;
  int Row;
  std::string Text;
};

}  // namespace

void WriteStreamLine(TStream& Stream, const std::string& Text) {
  Stream.WriteBuffer(Text.data(), static_cast<long>(Text.size()));
  Stream.WriteBuffer(kCRLF, 2);
}

std::string ReadStreamLine(TStream& Stream) {
  std::string line;
  char c = 0;
  while (Stream.Position() < Stream.Size() && Stream.Read(&c, 1) == 1) {
    if (c == '\r') {
      Stream.Read(&c, 1);  // the LF
      break;
    }
    line += c;
  }
  return line;
}

void TQnStringGrid::ReportProgress(int Row, int Total, int& Last) {
  if (!OnFileProgress) return;
  const int percent = static_cast<int>(std::lround(100.0 * Row / std::max(1, Total)));
  if (percent == Last) return;
  Last = percent;
  OnFileProgress(this, percent);
}

void TQnStringGrid::SaveToStream(TStream& Stream) {
  // Every real column is written, hidden ones included, so that nothing is lost.
  const int cols = StoreColCount();
  WriteStreamLine(Stream, std::to_string(cols) + "," + std::to_string(RowCount()));
  std::string line;
  for (int r = 0; r < RowCount(); ++r) {
    for (int c = 0; c < cols; ++c) {
      const std::string& text = Cells(c, r);
      if (text.empty()) continue;
      line = std::to_string(c);
      line += ',';
      line += std::to_string(r);
      line += ',';
      line += CodeCellText(text);
      WriteStreamLine(Stream, line);
    }
  }
}

void TQnStringGrid::LoadFromStream(TStream& Stream) {
  TLineReader reader(ReadRest(Stream));
  if (reader.AtEnd()) return;
  // Everything is read and checked first: a malformed stream changes nothing.
  bool sized = false;
  int cols = 0, rows = 0;
  std::string first = reader.Next();
  if (!first.empty()) {
    const auto comma = first.find(',');
    const std::string colText = comma == std::string::npos ? first : first.substr(0, comma);
    const std::string rowText = comma == std::string::npos ? std::string() : first.substr(comma + 1);
    const long long c = StrToInt64(colText), r = StrToInt64(rowText);
    CheckGridSize(c, r);
    cols = static_cast<int>(c);
    rows = static_cast<int>(r);
    sized = true;
  }
  std::vector<TCellLine> cells;
  while (!reader.AtEnd()) {
    std::string line = reader.Next();
    const int c = TakeInt(line);
    const int r = TakeInt(line);
    cells.push_back({c, r, DecodeLineBreaks(line, Multilinecells)});
  }
  BeginUpdate();
  try {
    if (sized) {
      SetColCount(cols);
      SetRowCount(rows);
    }
    for (const TCellLine& cell : cells)
      if (cell.Col >= 0 && cell.Row >= 0 && cell.Col < StoreColCount() && cell.Row < RowCount())
        SetCells(cell.Col, cell.Row, cell.Text);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TQnStringGrid::SaveToFile(const std::string& FileName) {
  const int cols = ColCount() + FNumHidden;
  TMemoryStream out;
  WriteStreamLine(out, std::to_string(StoreHiddenCells ? cols : ColCount()) + "," + std::to_string(RowCount()));
  const int widthCols = StoreHiddenCells ? cols : ColCount();
  for (int c = 0; c < widthCols; ++c)
    WriteStreamLine(out, "cw " + std::to_string(c) + "," + std::to_string(ColWidths(c)));
  int last = -1;
  for (int r = 0; r < RowCount(); ++r) {
    for (int c = 0; c < cols; ++c) {
      const std::string& text = Cells(c, r);
      if (!text.empty()) WriteStreamLine(out, std::to_string(c) + "," + std::to_string(r) + "," + CodeCellText(text));
    }
    ReportProgress(r, RowCount() - 1, last);
    HandleGridMessages();
  }
  WriteGridFile(out, FileName, "Cannot create " + FileName);
}

void TQnStringGrid::LoadFromFile(const std::string& FileName) {
  std::string data = ReadGridFile(FileName);
  TLineReader reader(std::move(data));
  const std::string corrupt = "File contains no data or corrupt file " + FileName;
  std::string first = reader.AtEnd() ? std::string() : reader.Next();
  if (!first.empty()) {
    const auto comma = first.find(',');
    const long long c = StrToInt64Def(Trim(first.substr(0, comma)), 0);
    const long long r = comma == std::string::npos ? 0 : StrToInt64Def(Trim(first.substr(comma + 1)), 0);
    if (c <= 0 || r <= 0 || c > kMaxGridCells || r > kMaxGridCells || c * r > kMaxGridCells)
      throw EQnGridError(corrupt);
    SetColCount(static_cast<int>(c));
    SetRowCount(static_cast<int>(r));
  }
  if (ColCount() <= 0 || RowCount() <= 0) throw EQnGridError(corrupt);
  int last = -1;
  BeginUpdate();
  try {
    while (!reader.AtEnd()) {
      std::string line = reader.Next();
      if (line.rfind("cw", 0) == 0) {
        const auto comma = line.find(',');
        if (comma == std::string::npos) continue;
        const int c = StrToIntDef(Trim(line.substr(3, comma - 3)), -1);
        const int w = StrToIntDef(Trim(line.substr(comma + 1)), -1);
        if (c >= 0 && c < ColCount() && w >= 0) SetColWidths(c, w);
        continue;
      }
      const auto c1 = line.find(',');
      if (c1 == std::string::npos) continue;
      const auto c2 = line.find(',', c1 + 1);
      if (c2 == std::string::npos) continue;
      const int c = StrToIntDef(line.substr(0, c1), -1);
      const int r = StrToIntDef(line.substr(c1 + 1, c2 - c1 - 1), -1);
      if (c >= 0 && r >= 0 && c < ColCount() && r < RowCount())
        SetCells(c, r, DecodeLineBreaks(line.substr(c2 + 1), Multilinecells));
      if (r >= 0) ReportProgress(r, RowCount() - 1, last);
      HandleGridMessages();
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}
