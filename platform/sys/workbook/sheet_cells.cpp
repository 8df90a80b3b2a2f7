#include "platform/sys/workbook/sheet_cells.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "platform/rtl/date_time.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/format_settings.h"
#include "platform/rtl/sysutils.h"
#include "platform/sys/workbook/xml_text.h"

bool ParseCellName(const std::string& name, int& row, int& col) {
  std::size_t i = 0;
  if (i < name.size() && name[i] == '$') ++i;
  long long c = 0;
  std::size_t letters = 0;
  while (i < name.size() && std::isalpha(static_cast<unsigned char>(name[i]))) {
    c = c * 26 + (std::toupper(static_cast<unsigned char>(name[i])) - 'A' + 1);
    if (++letters > 3) return false;
    ++i;
  }
  if (letters == 0) return false;
  if (i < name.size() && name[i] == '$') ++i;
  long long r = 0;
  std::size_t digits = 0;
  while (i < name.size() && std::isdigit(static_cast<unsigned char>(name[i]))) {
    r = r * 10 + (name[i] - '0');
    if (++digits > 7) return false;
    ++i;
  }
  if (digits == 0 || i != name.size() || r < 1 || r > kMaxSheetRows || c > kMaxSheetColumns) return false;
  row = static_cast<int>(r);
  col = static_cast<int>(c);
  return true;
}

std::string ColumnLetters(int col) {
  std::string s;
  while (col > 0) {
    int d = (col - 1) % 26;
    s.insert(s.begin(), static_cast<char>('A' + d));
    col = (col - 1) / 26;
  }
  return s;
}

namespace {

// A whole number of at most 15 digits without leading zeros ("0", "-12", not "-0" or "007"):
// its float text is itself.
bool IsShortWholeNumber(const char* first, const char* last) {
  const bool negative = first < last && *first == '-';
  if (negative) ++first;
  const std::ptrdiff_t digits = last - first;
  if (digits < 1 || digits > 15 || (*first == '0' && (digits > 1 || negative))) return false;
  for (const char* p = first; p < last; ++p)
    if (*p < '0' || *p > '9') return false;
  return true;
}

}  // namespace

bool IsPlainNumber(const std::string& text, std::string& xmlValue) {
  if (text.empty() || text.size() > 24) return false;
  if (IsShortWholeNumber(text.data(), text.data() + text.size())) {
    xmlValue = text;
    return true;
  }
  char sep = FormatSettings.DecimalSeparator;
  for (char c : text)
    if (!std::isdigit(static_cast<unsigned char>(c)) && c != '-' && c != sep) return false;
  double value = 0;
  if (!TryStrToFloat(text, value) || FloatToStr(value) != text) return false;
  xmlValue = text;
  for (char& c : xmlValue)
    if (c == sep) c = '.';
  return true;
}

std::string NumberText(const std::string& stored, const std::string& partName) {
  double value = 0;
  const char* first = stored.data();
  const char* last = first + stored.size();
  while (first < last && *first == ' ') ++first;
  if (first < last && *first == '+') ++first;
  if (IsShortWholeNumber(first, last)) return std::string(first, last);
  auto [end, ec] = std::from_chars(first, last, value);
  if (ec != std::errc() || end != last || first == last)
    throw EOleException("The workbook part " + partName + " holds a bad number: " + stored);
  return FloatToStr(value);
}

bool TCellStyles::IsDate(const std::string& style) const {
  if (style.empty() || DateStyles.empty()) return false;
  int index = -1;
  return TryStrToInt(style, index) && index >= 0 && static_cast<std::size_t>(index) < DateStyles.size() &&
         DateStyles[static_cast<std::size_t>(index)];
}

namespace {

// The 1900 date system counts a 29 February 1900 that never was: its serials below 61 are one
// day behind the calendar, and 60 is no date at all.
constexpr double kLastSerial = 2958466;  // 1 January 10000
constexpr double kDays1904 = 1462;       // 1 January 1904 in the 1900 system

}  // namespace

bool DateSerial(double dateTime, bool date1904, double& serial) {
  if (date1904) serial = dateTime - kDays1904;
  else if (dateTime >= 61 || dateTime < 1) serial = dateTime;
  else if (dateTime >= 2) serial = dateTime - 1;
  else return false;
  return serial >= 0 && serial < kLastSerial;
}

std::string DateCellText(const std::string& stored, bool date1904, const std::string& partName,
                         const std::string& dateFormat) {
  double serial = 0;
  const char* first = stored.data();
  const char* last = first + stored.size();
  while (first < last && *first == ' ') ++first;
  auto [end, ec] = std::from_chars(first, last, serial);
  if (ec != std::errc() || end != last || first == last)
    throw EOleException("The workbook part " + partName + " holds a bad number: " + stored);
  if (serial < 0 || serial >= kLastSerial || (!date1904 && serial >= 60 && serial < 61)) return NumberText(stored, partName);
  // Whole milliseconds, as a date-time holds them.
  const double day = std::floor(serial);
  const double ms = std::round((serial - day) * 86400000.0);
  double value = day + ms / 86400000.0;
  if (date1904) value += kDays1904;
  else if (serial >= 1 && serial < 60) value += 1;
  if (serial < 1) return TimeToStr(value);
  if (dateFormat.empty()) return ms == 0 ? DateToStr(value) : DateTimeToStr(value);
  TFormatSettings slash = FormatSettings;
  slash.DateSeparator = '/';
  const std::string date = FormatDateTime(dateFormat, value, slash);
  return ms == 0 ? date : date + " " + TimeToStr(value);
}

bool IsDateFormat(int numFmtId, const std::string& code) {
  if (code.empty())
    return (numFmtId >= 14 && numFmtId <= 22) || (numFmtId >= 27 && numFmtId <= 36) ||
           (numFmtId >= 45 && numFmtId <= 47) || (numFmtId >= 50 && numFmtId <= 58) ||
           (numFmtId >= 71 && numFmtId <= 81);
  for (std::size_t i = 0; i < code.size(); ++i) {
    const char c = code[i];
    if (c == '"') {
      const std::size_t close = code.find('"', i + 1);
      if (close == std::string::npos) return false;
      i = close;
    } else if (c == '\\' || c == '_' || c == '*') {
      ++i;  // an escaped, spacing or fill character
    } else if (c == '[') {
      const std::size_t close = code.find(']', i + 1);
      if (close == std::string::npos) return false;
      // [h], [mm], [ss]: elapsed time; colours and conditions are no part of the value.
      const std::string inner = code.substr(i + 1, close - i - 1);
      if (!inner.empty() && inner.find_first_not_of("hHmMsS") == std::string::npos) return true;
      i = close;
    } else if (std::strchr("dDmMyYhHsS", c) && c != 0) {
      return true;
    }
  }
  return false;
}

namespace {

// Collects the text of <t> elements below a string item, leaving out phonetic runs.
class TStringCollector {
public:
  void Start(std::string_view local) {
    if (local == "rPh") ++FPhonetic;
    if (local == "t" && FPhonetic == 0) FInT = true;
  }
  void End(std::string_view local) {
    if (local == "rPh") --FPhonetic;
    if (local == "t") FInT = false;
  }
  void Text(const std::string& t) {
    if (FInT) FText += t;
  }
  std::string Take() {
    std::string s = FText.find("_x") == std::string::npos ? std::move(FText) : XmlUnescapeCellText(FText);
    FText.clear();
    FPhonetic = 0;
    FInT = false;
    return s;
  }

private:
  std::string FText;
  int FPhonetic = 0;
  bool FInT = false;
};

class TSharedStringsReader : public TXmlHandler {
public:
  std::vector<std::string> Strings;
  void StartElement(const TXmlElement& e, int depth) override {
    const std::string_view local = e.LocalName();
    if (depth == 1 && local == "si") FInItem = true;
    else if (FInItem) FCollector.Start(local);
  }
  void EndElement(const TXmlElement& e, std::size_t, int depth) override {
    const std::string_view local = e.LocalName();
    if (depth == 1 && local == "si") {
      FInItem = false;
      Strings.push_back(FCollector.Take());
    } else if (FInItem) {
      FCollector.End(local);
    }
  }
  void Text(const std::string& t) override {
    if (FInItem) FCollector.Text(t);
  }

private:
  bool FInItem = false;
  TStringCollector FCollector;
};

std::string PrefixOf(const std::string& qname) {
  std::size_t colon = qname.find(':');
  return colon == std::string::npos ? std::string() : qname.substr(0, colon + 1);
}

class TSheetReader : public TXmlHandler {
public:
  TSheetReader(const std::string& part, const std::vector<std::string>& shared, const TCellStyles& styles,
               TSheetRows& rows, std::size_t& count)
      : FPart(part), FShared(shared), FStyles(styles), FRows(rows), FCount(count) {}

  std::size_t DataBegin = std::string::npos, DataEnd = std::string::npos;
  std::size_t DimBegin = std::string::npos, DimEnd = std::string::npos;
  std::string Ns;
  std::size_t RootEndTag = std::string::npos;

  void StartElement(const TXmlElement& e, int depth) override {
    const std::string_view local = e.LocalName();
    if (depth == 0) Ns = PrefixOf(e.Name);
    if (depth == 1 && local == "sheetData") {
      DataBegin = e.Begin;
      FInData = true;
    } else if (depth == 1 && local == "dimension") {
      DimBegin = e.Begin;
    } else if (FInData && depth == 2 && local == "row") {
      int r = FRow + 1;
      if (const std::string* a = e.Find("r")) {
        if (!TryStrToInt(*a, r) || r < 1 || r > kMaxSheetRows) Bad("row number " + *a);
      }
      FRow = r;
      FCol = 0;
    } else if (FInData && depth == 3 && local == "c") {
      FCellBegin = e.Begin;
      FType = e.Value("t");
      FStyle = e.Value("s");
      int row = FRow, col = FCol + 1;
      if (const std::string* a = e.Find("r")) {
        if (!ParseCellName(*a, row, col)) Bad("cell reference " + *a);
        if (row != FRow) Bad("cell reference " + *a + " outside its row");
      }
      if (row < 1 || col > kMaxSheetColumns) Bad("cell position");
      FCol = col;
      FValue.clear();
      FInline.Take();
      FInV = FInIs = false;
    } else if (FInData && depth == 4 && local == "v") {
      FInV = true;
    } else if (FInData && depth == 4 && local == "is") {
      FInIs = true;
    } else if (FInIs) {
      FInline.Start(local);
    }
  }

  void EndElement(const TXmlElement& e, std::size_t end, int depth) override {
    const std::string_view local = e.LocalName();
    if (depth == 1 && local == "sheetData") {
      DataEnd = end;
      FInData = false;
    } else if (depth == 1 && local == "dimension") {
      DimEnd = end;
    } else if (FInData && depth == 4 && local == "v") {
      FInV = false;
    } else if (FInData && depth == 4 && local == "is") {
      FInIs = false;
    } else if (FInIs) {
      FInline.End(local);
    } else if (FInData && depth == 3 && local == "c") {
      FinishCell(end);
    }
  }

  void Text(const std::string& t) override {
    if (FInV) FValue += t;
    else if (FInIs) FInline.Text(t);
  }

private:
  [[noreturn]] void Bad(const std::string& what) {
    throw EOleException("The workbook part " + FPart + " holds a bad " + what);
  }

  void FinishCell(std::size_t end) {
    TSheetCell cell;
    if (FType == "s") {
      int index = -1;
      if (!TryStrToInt(FValue, index) || index < 0 || static_cast<std::size_t>(index) >= FShared.size())
        Bad("shared string index " + FValue);
      cell.Text = FShared[static_cast<std::size_t>(index)];
    } else if (FType == "inlineStr") {
      cell.Text = FInline.Take();
    } else if (FType == "str" || FType == "e" || FType == "d") {
      cell.Text = XmlUnescapeCellText(FValue);
    } else if (FType == "b") {
      cell.Text = FValue == "1" ? "TRUE" : "FALSE";
    } else if (!FValue.empty()) {
      cell.Numeric = true;
      cell.Date = FStyles.IsDate(FStyle);
      cell.Text = cell.Date ? DateCellText(FValue, FStyles.Date1904, FPart, FStyles.DateFormat) : NumberText(FValue, FPart);
    }
    // The cell's XML is kept as its place in the cell table (which the cells keep a copy of).
    cell.RawAt = static_cast<std::uint32_t>(FCellBegin - DataBegin);
    cell.RawLength = static_cast<std::uint32_t>(end - FCellBegin);
    cell.Style = FStyle;
    if (static_cast<long long>(FCount) >= kMaxSheetCells) Bad("sheet size (too many cells)");
    // Rows and cells mostly come in order, so most go straight to the end of the last row; a
    // repeated cell replaces the earlier one.
    if (!FLastRow || FLastRowNumber != FRow) {
      auto it = !FRows.empty() && FRows.rbegin()->first < FRow ? FRows.emplace_hint(FRows.end(), FRow, TSheetRow())
                                                               : FRows.try_emplace(FRow).first;
      FLastRow = &it->second;
      FLastRowNumber = FRow;
    }
    TSheetRow& row = *FLastRow;
    if (row.empty() || row.back().Col < FCol) {
      row.push_back({FCol, std::move(cell)});
      ++FCount;
      return;
    }
    auto at = std::lower_bound(row.begin(), row.end(), FCol, [](const TRowCell& c, int col) { return c.Col < col; });
    if (at->Col == FCol) {
      at->Cell = std::move(cell);
    } else {
      row.insert(at, {FCol, std::move(cell)});
      ++FCount;
    }
  }

  const std::string& FPart;
  const std::vector<std::string>& FShared;
  const TCellStyles& FStyles;
  TSheetRows& FRows;
  std::size_t& FCount;
  TSheetRow* FLastRow = nullptr;  // the row the last cell went into
  int FLastRowNumber = 0;
  bool FInData = false, FInV = false, FInIs = false;
  int FRow = 0, FCol = 0;
  std::size_t FCellBegin = 0;
  std::string FType, FStyle, FValue;
  TStringCollector FInline;
};

// The cell's XML has an <f> element (texts cannot hold a raw "<").
bool HoldsFormula(std::string_view raw) {
  for (std::size_t at = raw.find('<'); at != std::string_view::npos; at = raw.find('<', at + 1)) {
    std::size_t end = raw.find_first_of(" />", at + 1);
    if (end == std::string_view::npos) break;
    std::string_view name = raw.substr(at + 1, end - at - 1);
    std::size_t colon = name.find(':');
    if ((colon == std::string_view::npos ? name : name.substr(colon + 1)) == "f") return true;
  }
  return false;
}

// Markup around an element name, which carries the part's prefix.
void AppendTag(std::string& out, const char* before, const std::string& ns, const char* name) {
  out += before;
  out += ns;
  out += name;
}

// Whether a cell text needs xml:space="preserve" to keep its white space: white space at an
// end, or any but single spaces inside.
bool NeedsPreserve(const std::string& text) {
  if (text.empty()) return false;
  auto white = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  if (white(text.front()) || white(text.back())) return true;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\t' || c == '\n' || c == '\r' || (c == ' ' && text[i + 1] == ' ')) return true;
  }
  return false;
}

}  // namespace

std::vector<std::string> ReadSharedStrings(const std::string& xml, const std::string& partName) {
  TSharedStringsReader reader;
  ParseXml(xml, partName, reader);
  return std::move(reader.Strings);
}

void TSheetCells::Load(const std::string& xml, const std::string& partName,
                       const std::vector<std::string>& shared, const TCellStyles& styles) {
  TSheetRows rows;
  std::size_t count = 0;
  TSheetReader reader(partName, shared, styles, rows, count);
  ParseXml(xml, partName, reader);
  std::size_t begin = reader.DataBegin, end = reader.DataEnd;
  if (begin == std::string::npos) {
    // No cell table at all: it goes before the end tag of the worksheet.
    std::size_t close = xml.rfind("</");
    if (close == std::string::npos) throw EOleException("The workbook part " + partName + " is no worksheet");
    begin = end = close;
  }
  FPrefix = xml.substr(0, begin);
  FDimensionAt = std::string::npos;
  if (reader.DimBegin != std::string::npos && reader.DimEnd <= begin) {
    FPrefix.erase(reader.DimBegin, reader.DimEnd - reader.DimBegin);
    FDimensionAt = reader.DimBegin;
  }
  FSource = xml.substr(begin, end - begin);
  FSuffix = xml.substr(end);
  FNs = reader.Ns;
  FRows = std::move(rows);
  FCount = count;
  FChanged = false;
  FFormulaReplaced = false;
  FDate1904 = styles.Date1904;
  FDateFormat = styles.DateFormat;
}

namespace {

TSheetRow::iterator FirstFrom(TSheetRow& row, int col) {
  return std::lower_bound(row.begin(), row.end(), col, [](const TRowCell& c, int k) { return c.Col < k; });
}

TSheetRow::const_iterator FirstFrom(const TSheetRow& row, int col) {
  return std::lower_bound(row.begin(), row.end(), col, [](const TRowCell& c, int k) { return c.Col < k; });
}

}  // namespace

void TSheetCells::Set(int row, int col, const std::string& text) { SetBlock(row, col, 1, 1, &text, 1); }

namespace {

// Gives a cell the text, and the number of a typed item.
void Assign(TSheetCell& cell, const std::string& text, const TCellNumber* number) {
  cell.Text = text;
  cell.RawLength = 0;
  cell.KeptText = number && number->Text;
  if (number && number->Text) {
    cell.Number.clear();
    cell.Numeric = cell.Date = false;
  } else if (number) {
    cell.Number = number->Value;
    cell.Style = number->Style;
    cell.Numeric = true;
    cell.Date = number->Date;
  } else {
    cell.Number.clear();
    cell.Numeric = cell.Date = false;
  }
}

}  // namespace

void TSheetCells::SetBlock(int top, int left, int rows, int cols, const std::string* texts, std::size_t stride,
                           const TCellNumber* numbers) {
  auto roomForOneMore = [this] {
    if (static_cast<long long>(FCount) >= kMaxSheetCells) throw EOleException("The sheet cannot hold more cells");
  };
  for (int r = 0; r < rows; ++r) {
    const int number = top + r;
    const std::string* line = texts + static_cast<std::size_t>(r) * stride;
    const TCellNumber* typedLine = numbers ? numbers + static_cast<std::size_t>(r) * stride : nullptr;
    auto typed = [typedLine](int c) -> const TCellNumber* {
      return typedLine && (!typedLine[c].Value.empty() || typedLine[c].Text) ? &typedLine[c] : nullptr;
    };
    auto rowIt = FRows.lower_bound(number);
    if (rowIt == FRows.end() || rowIt->first != number) {
      if (std::all_of(line, line + cols, [](const std::string& t) { return t.empty(); })) continue;
      rowIt = FRows.emplace_hint(rowIt, number, TSheetRow());
    }
    TSheetRow& row = rowIt->second;
    auto from = FirstFrom(row, left);
    if (from == row.end()) {
      // Nothing at or right of the block in this row (a new row, or a row written further):
      // the block's texts go on at the end.
      for (int c = 0; c < cols; ++c) {
        if (line[c].empty()) continue;
        roomForOneMore();
        TSheetCell cell;
        Assign(cell, line[c], typed(c));
        row.push_back({left + c, std::move(cell)});
        ++FCount;
        FChanged = true;
      }
    } else {
      // The row's cells and the block's texts merged in column order, in one pass.
      TSheetRow merged;
      merged.reserve(row.size() + static_cast<std::size_t>(cols));
      auto src = row.begin();
      for (; src != from; ++src) merged.push_back(std::move(*src));
      for (int c = 0; c < cols; ++c) {
        const int col = left + c;
        const std::string& text = line[c];
        const TCellNumber* num = typed(c);
        if (src != row.end() && src->Col == col) {
          TSheetCell& cell = src->Cell;
          if (text.empty()) {
            if (HoldsFormula(Raw(cell))) FFormulaReplaced = true;
            --FCount;
            FChanged = true;
            ++src;
            continue;
          }
          const bool same = cell.HasRaw() && cell.Text == text &&
                            (!num || (!num->Text && cell.Numeric && cell.Date == num->Date && cell.Style == num->Style));
          if (!same) {
            if (HoldsFormula(Raw(cell))) FFormulaReplaced = true;
            Assign(cell, text, num);
            FChanged = true;
          }
          merged.push_back(std::move(*src++));
        } else if (!text.empty()) {
          roomForOneMore();
          TSheetCell cell;
          Assign(cell, text, num);
          merged.push_back({col, std::move(cell)});
          ++FCount;
          FChanged = true;
        }
      }
      for (; src != row.end(); ++src) merged.push_back(std::move(*src));
      row = std::move(merged);
    }
    if (row.empty()) FRows.erase(rowIt);
  }
}

void TSheetCells::GetBlock(int top, int left, int rows, int cols, std::string* texts, std::size_t stride) const {
  if (rows <= 0 || cols <= 0) return;
  const int bottom = top + rows - 1, right = left + cols - 1;
  for (auto rowIt = FRows.lower_bound(top); rowIt != FRows.end() && rowIt->first <= bottom; ++rowIt) {
    std::string* line = texts + static_cast<std::size_t>(rowIt->first - top) * stride;
    const TSheetRow& row = rowIt->second;
    for (auto it = FirstFrom(row, left); it != row.end() && it->Col <= right; ++it) line[it->Col - left] = it->Cell.Text;
  }
}

const std::string& TSheetCells::Get(int row, int col) const {
  static const std::string empty;
  auto rowIt = FRows.find(row);
  if (rowIt == FRows.end()) return empty;
  auto it = FirstFrom(rowIt->second, col);
  return it == rowIt->second.end() || it->Col != col ? empty : it->Cell.Text;
}

void TSheetCells::Saved() {
  for (auto& [number, row] : FRows)
    for (TRowCell& c : row) {
      TSheetCell& cell = c.Cell;
      if (cell.HasRaw()) continue;
      if (cell.Number.empty()) cell.Text = XmlCellTextAsRead(cell.Text);
      else cell.Text = cell.Date ? DateCellText(cell.Number, FDate1904, "", FDateFormat) : NumberText(cell.Number, "");
    }
  FChanged = false;
  FFormulaReplaced = false;
}

bool TSheetCells::Bounds(int& top, int& left, int& bottom, int& right) const {
  bool any = false;
  for (const auto& [number, row] : FRows) {
    auto first = std::find_if(row.begin(), row.end(), [](const TRowCell& c) { return !c.Cell.Text.empty(); });
    if (first == row.end()) continue;
    auto last = std::find_if(row.rbegin(), row.rend(), [](const TRowCell& c) { return !c.Cell.Text.empty(); });
    if (!any) {
      top = number;
      left = first->Col;
      right = last->Col;
      any = true;
    }
    bottom = number;
    left = std::min(left, first->Col);
    right = std::max(right, last->Col);
  }
  return any;
}

std::string TSheetCells::Save() const {
  int top = 1, left = 1, bottom = 1, right = 1;
  std::string ref = "A1";
  std::size_t rawBytes = 0;
  if (!FRows.empty()) {
    top = FRows.begin()->first;
    bottom = FRows.rbegin()->first;
    left = FRows.begin()->second.front().Col;
    right = FRows.begin()->second.back().Col;
    for (const auto& [number, row] : FRows) {
      left = std::min(left, row.front().Col);
      right = std::max(right, row.back().Col);
      for (const TRowCell& c : row) rawBytes += c.Cell.RawLength;
    }
    ref = ColumnLetters(left) + std::to_string(top);
    if (top != bottom || left != right) ref += ":" + ColumnLetters(right) + std::to_string(bottom);
  }
  const std::string& ns = FNs;
  std::string out;
  out.reserve(FPrefix.size() + FSuffix.size() + rawBytes + FCount * (48 + 6 * ns.size()) + 256);
  if (FDimensionAt != std::string::npos) {
    out.append(FPrefix, 0, FDimensionAt);
    out += "<" + ns + "dimension ref=\"" + ref + "\"/>";
    out.append(FPrefix, FDimensionAt, std::string::npos);
  } else {
    out += FPrefix;
  }
  AppendTag(out, "<", ns, "sheetData>");
  // Column letters are made once per column, row numbers once per row.
  std::vector<std::string> letters;
  auto columnLetters = [&letters](int col) -> const std::string& {
    if (static_cast<std::size_t>(col) >= letters.size()) letters.resize(static_cast<std::size_t>(col) + 1);
    std::string& l = letters[static_cast<std::size_t>(col)];
    if (l.empty()) l = ColumnLetters(col);
    return l;
  };
  char rowText[16];
  std::string number;
  for (const auto& [rowNumber, row] : FRows) {
    const auto rowLength =
        static_cast<std::size_t>(std::to_chars(rowText, rowText + sizeof rowText, rowNumber).ptr - rowText);
    AppendTag(out, "<", ns, "row r=\"");
    out.append(rowText, rowLength);
    out += "\">";
    for (const TRowCell& rc : row) {
      const TSheetCell& cell = rc.Cell;
      if (cell.HasRaw()) {
        out += Raw(cell);
        continue;
      }
      AppendTag(out, "<", ns, "c r=\"");
      out += columnLetters(rc.Col);
      out.append(rowText, rowLength);
      out += '"';
      if (!cell.Style.empty()) {
        out += " s=\"";
        AppendXmlEscaped(out, cell.Style);
        out += '"';
      }
      if (!cell.Number.empty() || (!cell.KeptText && IsPlainNumber(cell.Text, number))) {
        AppendTag(out, "><", ns, "v>");
        out += cell.Number.empty() ? number : cell.Number;
        AppendTag(out, "</", ns, "v>");
      } else {
        out += " t=\"inlineStr\"";
        AppendTag(out, "><", ns, "is>");
        AppendTag(out, "<", ns, NeedsPreserve(cell.Text) ? "t xml:space=\"preserve\">" : "t>");
        AppendXmlEscaped(out, cell.Text, true);
        AppendTag(out, "</", ns, "t>");
        AppendTag(out, "</", ns, "is>");
      }
      AppendTag(out, "</", ns, "c>");
    }
    AppendTag(out, "</", ns, "row>");
  }
  AppendTag(out, "</", ns, "sheetData>");
  out += FSuffix;
  return out;
}
