#include "platform/sys/workbook/sheet_cells.h"

#include <charconv>

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

bool IsPlainNumber(const std::string& text, std::string& xmlValue) {
  if (text.empty() || text.size() > 24) return false;
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
  auto [end, ec] = std::from_chars(first, last, value);
  if (ec != std::errc() || end != last || first == last)
    throw EOleException("The workbook part " + partName + " holds a bad number: " + stored);
  return FloatToStr(value);
}

namespace {

// Collects the text of <t> elements below a string item, leaving out phonetic runs.
class TStringCollector {
public:
  void Start(const std::string& local) {
    if (local == "rPh") ++FPhonetic;
    if (local == "t" && FPhonetic == 0) FInT = true;
  }
  void End(const std::string& local) {
    if (local == "rPh") --FPhonetic;
    if (local == "t") FInT = false;
  }
  void Text(const std::string& t) {
    if (FInT) FText += t;
  }
  std::string Take() {
    std::string s = XmlUnescapeCellText(FText);
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
    std::string local = e.LocalName();
    if (depth == 1 && local == "si") FInItem = true;
    else if (FInItem) FCollector.Start(local);
  }
  void EndElement(const TXmlElement& e, std::size_t, int depth) override {
    std::string local = e.LocalName();
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
  TSheetReader(const std::string& xml, const std::string& part, const std::vector<std::string>& shared,
               std::map<TCellKey, TSheetCell>& cells)
      : FXml(xml), FPart(part), FShared(shared), FCells(cells) {}

  std::size_t DataBegin = std::string::npos, DataEnd = std::string::npos;
  std::size_t DimBegin = std::string::npos, DimEnd = std::string::npos;
  std::string Ns;
  std::size_t RootEndTag = std::string::npos;

  void StartElement(const TXmlElement& e, int depth) override {
    std::string local = e.LocalName();
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
    std::string local = e.LocalName();
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
      cell.Text = NumberText(FValue, FPart);
    }
    cell.Raw = FXml.substr(FCellBegin, end - FCellBegin);
    cell.Style = FStyle;
    if (static_cast<long long>(FCells.size()) >= kMaxSheetCells) Bad("sheet size (too many cells)");
    FCells[{FRow, FCol}] = std::move(cell);
  }

  const std::string& FXml;
  const std::string& FPart;
  const std::vector<std::string>& FShared;
  std::map<TCellKey, TSheetCell>& FCells;
  bool FInData = false, FInV = false, FInIs = false;
  int FRow = 0, FCol = 0;
  std::size_t FCellBegin = 0;
  std::string FType, FStyle, FValue;
  TStringCollector FInline;
};

// The cell's XML has an <f> element (texts cannot hold a raw "<").
bool HoldsFormula(const std::string& raw) {
  for (std::size_t at = raw.find('<'); at != std::string::npos; at = raw.find('<', at + 1)) {
    std::size_t end = raw.find_first_of(" />", at + 1);
    if (end == std::string::npos) break;
    std::string name = raw.substr(at + 1, end - at - 1);
    std::size_t colon = name.find(':');
    if ((colon == std::string::npos ? name : name.substr(colon + 1)) == "f") return true;
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
                       const std::vector<std::string>& shared) {
  std::map<TCellKey, TSheetCell> cells;
  TSheetReader reader(xml, partName, shared, cells);
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
  FSuffix = xml.substr(end);
  FNs = reader.Ns;
  FCells = std::move(cells);
  FChanged = false;
  FFormulaReplaced = false;
}

void TSheetCells::Set(int row, int col, const std::string& text) {
  auto it = FCells.find({row, col});
  auto hasFormula = [&] { return HoldsFormula(it->second.Raw); };
  if (text.empty()) {
    if (it != FCells.end()) {
      if (hasFormula()) FFormulaReplaced = true;
      FCells.erase(it);
      FChanged = true;
    }
    return;
  }
  if (it != FCells.end()) {
    if (it->second.Text == text && !it->second.Raw.empty()) return;
    if (hasFormula()) FFormulaReplaced = true;
    it->second.Text = text;
    it->second.Raw.clear();
  } else {
    if (static_cast<long long>(FCells.size()) >= kMaxSheetCells)
      throw EOleException("The sheet cannot hold more cells");
    FCells[{row, col}].Text = text;
  }
  FChanged = true;
}

const std::string& TSheetCells::Get(int row, int col) const {
  static const std::string empty;
  auto it = FCells.find({row, col});
  return it == FCells.end() ? empty : it->second.Text;
}

bool TSheetCells::Bounds(int& top, int& left, int& bottom, int& right) const {
  bool any = false;
  for (const auto& [key, cell] : FCells) {
    if (cell.Text.empty()) continue;
    if (!any) {
      top = bottom = key.first;
      left = right = key.second;
      any = true;
    }
    bottom = std::max(bottom, key.first);
    left = std::min(left, key.second);
    right = std::max(right, key.second);
  }
  return any;
}

std::string TSheetCells::Save() const {
  std::string out = FPrefix;
  int top = 1, left = 1, bottom = 1, right = 1;
  std::string ref = "A1";
  if (!FCells.empty()) {
    top = FCells.begin()->first.first;
    bottom = FCells.rbegin()->first.first;
    left = right = FCells.begin()->first.second;
    for (const auto& entry : FCells) {
      left = std::min(left, entry.first.second);
      right = std::max(right, entry.first.second);
    }
    ref = ColumnLetters(left) + std::to_string(top);
    if (top != bottom || left != right) ref += ":" + ColumnLetters(right) + std::to_string(bottom);
  }
  std::string dimension = "<" + FNs + "dimension ref=\"" + ref + "\"/>";
  std::string data = "<" + FNs + "sheetData>";
  int row = 0;
  for (const auto& [key, cell] : FCells) {
    if (key.first != row) {
      if (row) data += "</" + FNs + "row>";
      row = key.first;
      data += "<" + FNs + "row r=\"" + std::to_string(row) + "\">";
    }
    if (!cell.Raw.empty()) {
      data += cell.Raw;
      continue;
    }
    std::string name = ColumnLetters(key.second) + std::to_string(key.first);
    std::string style = cell.Style.empty() ? std::string() : " s=\"" + XmlEscape(cell.Style) + "\"";
    std::string number;
    if (IsPlainNumber(cell.Text, number)) {
      data += "<" + FNs + "c r=\"" + name + "\"" + style + "><" + FNs + "v>" + number + "</" + FNs + "v></" +
              FNs + "c>";
    } else {
      data += "<" + FNs + "c r=\"" + name + "\"" + style + " t=\"inlineStr\"><" + FNs + "is><" + FNs +
              "t xml:space=\"preserve\">" + XmlEscape(cell.Text, true) + "</" + FNs + "t></" + FNs + "is></" +
              FNs + "c>";
    }
  }
  if (row) data += "</" + FNs + "row>";
  data += "</" + FNs + "sheetData>";
  if (FDimensionAt != std::string::npos) out.insert(FDimensionAt, dimension);
  out += data;
  out += FSuffix;
  return out;
}
