// CSV export and import of TQnStringGrid.
#include <cmath>

#include "controls/grid/grid_utils.h"
#include "controls/grid/qn_grid.h"
#include "platform/rtl/streams.h"
#include "controls/grid/grid_io.h"

namespace {

const char kCandidates[] = {',', ';', '#', '\t', '|'};

// A file that would need more cells than this is refused before the grid grows past it.
constexpr long long kMaxCsvCells = 10000000;

// A field that holds a quote, the delimiter, CR or LF goes in quotes with its inner quotes
// doubled; line breaks travel as a bare LF inside the quotes.  An empty field is "".
std::string CsvField(const std::string& text, char delimiter) {
  if (text.empty()) return "\"\"";
  if (text.find_first_of(std::string{'"', '\r', '\n', delimiter}) == std::string::npos) return text;
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') {
      out += "\"\"";
    } else if (c == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += c;
    }
  }
  out += '"';
  return out;
}

// The line with each quoted part standing as one placeholder character, for counting
// delimiters: a delimiter beside a quoted field stays a lone one.
std::string OutsideQuotes(const std::string& line) {
  std::string out;
  bool quoted = false;
  for (char c : line) {
    if (c == '"') {
      if (!quoted) out += '\x1f';
      quoted = !quoted;
      continue;
    }
    if (!quoted) out += c;
  }
  return out;
}

char DetectDelimiter(const std::string& line1, const std::string& line2) {
  const std::string a = OutsideQuotes(line1), b = OutsideQuotes(line2);
  char best = '\0';
  int bestCount = 0;
  for (char candidate : kCandidates) {
    const int n1 = CountSingleChar(candidate, a), n2 = CountSingleChar(candidate, b);
    if (n1 == n2 && n1 > bestCount) {
      best = candidate;
      bestCount = n1;
    }
  }
  return best;
}

// Splits lines at CR; the byte after a CR (the LF) is skipped; a bare LF stays in its line.
std::vector<std::string> SplitCsvLines(const std::string& data) {
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos < data.size()) {
    const std::size_t cr = data.find('\r', pos);
    if (cr == std::string::npos) {
      lines.push_back(data.substr(pos));
      break;
    }
    lines.push_back(data.substr(pos, cr - pos));
    pos = cr + 1;
    if (pos < data.size() && data[pos] == '\n') ++pos;
  }
  return lines;
}

// The text after a line's last delimiter (or the whole line when there is no delimiter):
// one quote at each end goes and quote runs collapse to one quote.
std::string LastField(const std::string& text) {
  // A quoted field as a writer makes it: each doubled quote inside is one quote (collapsing the
  // run would lose a quote of every doubled quote in the text).
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
    std::string field;
    bool wellFormed = true;
    for (std::size_t i = 1; i + 1 < text.size(); ++i) {
      if (text[i] == '"') {
        if (i + 2 < text.size() && text[i + 1] == '"') {
          field += '"';
          ++i;
          continue;
        }
        wellFormed = false;
        break;
      }
      field += text[i];
    }
    if (wellFormed) return field;
  }
  std::string field = text;
  if (!field.empty() && field.front() == '"') field.erase(0, 1);
  if (!field.empty() && field.back() == '"') field.pop_back();
  return UnquoteField('"', field);
}

// The fields of one line.  A quoted field ends at a quote that is not doubled; doubled quotes
// inside it are one quote; text after its closing quote up to the delimiter is kept.  A quoted
// field whose closing quote never comes is empty, and the line goes on after the next
// delimiter.  The text after the last delimiter is a field only when it is not empty (an empty
// last field, "" included, leaves its cell as it was).
std::vector<std::string> SplitCsvFields(const std::string& line, char delimiter) {
  std::vector<std::string> fields;
  const std::size_t n = line.size();
  std::size_t i = 0;
  while (delimiter != '\0' && line.find(delimiter, i) != std::string::npos) {
    std::string field;
    if (line[i] == '"') {
      std::size_t j = i + 1;
      bool closed = false;
      while (j < n) {
        if (line[j] == '"') {
          if (j + 1 < n && line[j + 1] == '"') {
            field += '"';
            j += 2;
            continue;
          }
          ++j;
          closed = true;
          break;
        }
        field += line[j++];
      }
      if (closed) {
        while (j < n && line[j] != delimiter) field += line[j++];
      } else {
        field.clear();
        j = line.find(delimiter, i + 1);
      }
      i = j;
    } else {
      const std::size_t d = line.find(delimiter, i);
      field = line.substr(i, d - i);
      i = d;
    }
    fields.push_back(std::move(field));
    if (i >= n) return fields;  // a quoted field ran to the end of the line
    ++i;                        // the delimiter
  }
  if (std::string last = LastField(line.substr(i)); !last.empty()) fields.push_back(std::move(last));
  return fields;
}

}  // namespace

void TQnStringGrid::SaveToCSV(const std::string& FileName) {
  const char delimiter = FieldDelimiter == '\0' ? ',' : FieldDelimiter;
  const int firstRow = StoreFixedCells ? 0 : TStringGrid::FixedRows();
  const int firstCol = StoreFixedCells ? 0 : TStringGrid::FixedCols();
  const int lastCol = ColCount() - 1 + (StoreHiddenCells ? FNumHidden : 0);
  TMemoryStream out;
  std::string record;
  int last = -1;
  for (int r = firstRow; r < RowCount(); ++r) {
    record.clear();
    for (int c = firstCol; c <= lastCol; ++c) {
      if (c > firstCol) record += delimiter;
      std::string text = Cells(StoreHiddenCells ? c : RealColIndex(c), r);
      if (OemConvert) text = AnsiToOemString(text);
      record += CsvField(text, delimiter);
    }
    record += "\r\n";
    out.WriteBuffer(record.data(), static_cast<long>(record.size()));
    ReportProgress(r, RowCount() - 1, last);
    HandleGridMessages();
  }
  WriteGridFile(out, FileName, "Cannot create file " + FileName);
}

void TQnStringGrid::LoadFromCSV(const std::string& FileName) {
  const int firstRow = StoreFixedCells ? 0 : TStringGrid::FixedRows();
  const int firstCol = StoreFixedCells ? 0 : TStringGrid::FixedCols();
  std::string data = ReadGridFile(FileName);
  const std::vector<std::string> lines = SplitCsvLines(data);
  char delimiter = FieldDelimiter;
  if (delimiter == '\0')
    delimiter = DetectDelimiter(lines.empty() ? std::string() : lines[0],
                                lines.size() < 2 ? std::string() : lines[1]);
  const int total = static_cast<int>(lines.size());
  const std::string corrupt = "File contains no data or corrupt file " + FileName;
  if (static_cast<long long>(firstRow) + total > kMaxCsvCells) throw EQnGridError(corrupt);
  BeginUpdate();
  try {
    SetRowCount(firstRow + total);
    int last = -1;
    for (int l = 0; l < total; ++l) {
      std::string line = lines[static_cast<std::size_t>(l)];
      if (OemConvert) line = OemToAnsiString(line);
      const std::vector<std::string> fields = SplitCsvFields(line, delimiter);
      for (std::size_t i = 0; i < fields.size(); ++i) {
        const int col = firstCol + static_cast<int>(i);
        if (ColCount() < col + 1) {
          if (static_cast<long long>(col + 1) * RowCount() > kMaxCsvCells) throw EQnGridError(corrupt);
          SetColCount(col + 1);
        }
        std::string text = fields[i];
        LFToCRLF(text);
        SetCells(col, firstRow + l, text);
      }
      if (OnFileProgress) ReportProgress(l + 1, total, last);
      HandleGridMessages();
      if (RowCount() < firstRow + l + 1) SetRowCount(firstRow + l + 1);
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}
