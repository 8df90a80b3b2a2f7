#include "platform/sys/workbook/workbook.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/format_settings.h"
#include "platform/rtl/sysutils.h"
#include "platform/sys/workbook/binary_workbook.h"
#include "platform/sys/workbook/xml_text.h"

namespace {

const char kXmlDecl[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";
const char kRelNs[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
const char kMainNs[] = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const char kPackageRelNs[] = "http://schemas.openxmlformats.org/package/2006/relationships";
const char kContentTypesNs[] = "http://schemas.openxmlformats.org/package/2006/content-types";
const char kWorksheetRel[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet";
const char kWorksheetType[] = "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml";
const char kContentTypesPart[] = "[Content_Types].xml";
const char kStylesRel[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles";
const char kStylesType[] = "application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml";
// Custom number formats are numbered from here; below are the built-in ones.
constexpr int kFirstCustomFormat = 164;

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

[[noreturn]] void Malformed(const std::string& what) {
  throw EOleException("The workbook is damaged: " + what);
}

std::string FolderOf(const std::string& part) {
  std::size_t slash = part.rfind('/');
  return slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
}

// A relationship target as a part name: relative to `folder`, "/" from the package root.
std::string ResolveTarget(const std::string& folder, const std::string& target) {
  std::string path = !target.empty() && target[0] == '/' ? target.substr(1) : folder + target;
  std::vector<std::string> segments;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t slash = path.find('/', start);
    std::string seg = path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    if (seg == "..") {
      if (segments.empty()) Malformed("relationship target " + target);
      segments.pop_back();
    } else if (!seg.empty() && seg != ".") {
      segments.push_back(seg);
    }
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  std::string out;
  for (const std::string& s : segments) out += (out.empty() ? "" : "/") + s;
  return out;
}

// Collects the elements at depth 1 of a relationships or content-types part.
class TListReader : public TXmlHandler {
public:
  std::vector<TXmlElement> Items;
  void StartElement(const TXmlElement& e, int depth) override {
    if (depth == 1) Items.push_back(e);
  }
  void EndElement(const TXmlElement&, std::size_t, int) override {}
};

class TWorkbookReader : public TXmlHandler {
public:
  std::vector<TXmlElement> Sheets;
  std::size_t SheetsBegin = std::string::npos, SheetsEnd = std::string::npos;
  std::string SheetsTag, RelPrefix;
  int ActiveTab = 0;
  bool HasRelPrefix = false;
  bool Date1904 = false;
  void StartElement(const TXmlElement& e, int depth) override {
    const std::string_view local = e.LocalName();
    if (depth == 0) {
      for (const TXmlAttribute& a : e.Attributes)
        if (a.Value == kRelNs && a.Name.rfind("xmlns:", 0) == 0) {
          RelPrefix = a.Name.substr(6);
          HasRelPrefix = true;
        }
    } else if (depth == 1 && local == "sheets") {
      SheetsBegin = e.Begin;
      SheetsTag = e.Name;
    } else if (depth == 2 && local == "sheet" && SheetsEnd == std::string::npos &&
               SheetsBegin != std::string::npos) {
      Sheets.push_back(e);
    } else if (depth == 2 && local == "workbookView") {
      TryStrToInt(e.Value("activeTab"), ActiveTab);
    } else if (depth == 1 && local == "workbookPr") {
      const std::string v = e.Value("date1904");
      Date1904 = v == "1" || v == "true";
    }
  }
  void EndElement(const TXmlElement& e, std::size_t end, int depth) override {
    if (depth == 1 && e.LocalName() == "sheets") SheetsEnd = end;
  }
};

// The number formats and cell styles of a styles part, with the places of their elements.
class TStylesReader : public TXmlHandler {
public:
  struct TSpan {
    std::string Name;  // as written
    std::size_t Begin = std::string::npos, StartEnd = 0, End = 0;
    bool Found() const { return Begin != std::string::npos; }
  };
  std::vector<std::pair<int, std::string>> Formats;
  std::vector<int> CellFormats;  // the number format of each cell style
  std::string Prefix;
  std::size_t RootStartEnd = 0;
  TSpan NumFmts, CellXfs;
  std::size_t LastBeforeXfs = 0;  // the end of the last element that goes before the cell styles
  void StartElement(const TXmlElement& e, int depth) override {
    const std::string_view local = e.LocalName();
    if (depth == 0) {
      RootStartEnd = e.StartEnd;
      std::size_t colon = e.Name.find(':');
      if (colon != std::string::npos) Prefix = e.Name.substr(0, colon + 1);
      LastBeforeXfs = RootStartEnd;
    } else if (depth == 1 && (local == "numFmts" || local == "cellXfs")) {
      TSpan& span = local == "numFmts" ? NumFmts : CellXfs;
      span.Name = e.Name;
      span.Begin = e.Begin;
      span.StartEnd = e.StartEnd;
    } else if (depth == 2 && FIn == "numFmts" && local == "numFmt") {
      int id = -1;
      if (TryStrToInt(e.Value("numFmtId"), id)) Formats.emplace_back(id, e.Value("formatCode"));
    } else if (depth == 2 && FIn == "cellXfs" && local == "xf") {
      CellFormats.push_back(StrToIntDef(e.Value("numFmtId"), 0));
    }
    if (depth == 1) FIn = std::string(local);
  }
  void EndElement(const TXmlElement& e, std::size_t end, int depth) override {
    if (depth != 1) return;
    const std::string_view local = e.LocalName();
    if (local == "numFmts") NumFmts.End = end;
    if (local == "cellXfs") CellXfs.End = end;
    if (local == "numFmts" || local == "fonts" || local == "fills" || local == "borders" || local == "cellStyleXfs")
      LastBeforeXfs = end;
    FIn.clear();
  }

private:
  std::string FIn;
};

// A styles part's element with `added` appended to its children and its count made right.
std::string WithChildren(const std::string& xml, const TStylesReader::TSpan& span, const std::string& name,
                         int count, const std::string& added) {
  std::string inner;
  if (span.Found() && span.End > span.StartEnd) {
    const std::size_t close = xml.rfind('<', span.End - 1);
    inner = xml.substr(span.StartEnd, close - span.StartEnd);
  }
  return "<" + name + " count=\"" + std::to_string(count) + "\">" + inner + added + "</" + name + ">";
}

std::string ShortestNumber(double value) {
  char text[32];
  auto [end, ec] = std::to_chars(text, text + sizeof text, value);
  return ec == std::errc() ? std::string(text, end) : std::string("0");
}

std::string Attributes(const std::vector<TXmlAttribute>& attrs) {
  std::string s;
  for (const TXmlAttribute& a : attrs) s += " " + a.Name + "=\"" + XmlEscape(a.Value) + "\"";
  return s;
}

std::size_t CodePoints(const std::string& s) {
  return static_cast<std::size_t>(std::count_if(s.begin(), s.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

// The styles of a new workbook: one font, the two fills every workbook has, one border, and the
// default cell style.
std::string NewStylesPart() {
  return std::string(kXmlDecl) + "<styleSheet xmlns=\"" + kMainNs + "\">"
         "<fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Calibri\"/></font></fonts>"
         "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
         "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
         "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
         "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>"
         "<cellXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/></cellXfs>"
         "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
         "</styleSheet>";
}

// The parts of a new workbook of one empty sheet.
TZipParts NewWorkbookParts() {
  std::string d = kXmlDecl;
  return {
      {kContentTypesPart,
       d + "<Types xmlns=\"" + kContentTypesNs + "\">"
           "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
           "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
           "<Override PartName=\"/xl/workbook.xml\" "
           "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
           "<Override PartName=\"/xl/worksheets/sheet1.xml\" ContentType=\"" + kWorksheetType + "\"/>"
           "<Override PartName=\"/xl/styles.xml\" "
           "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>"
           "</Types>"},
      {"_rels/.rels",
       d + "<Relationships xmlns=\"" + kPackageRelNs + "\">"
           "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
           "relationships/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
      {"xl/workbook.xml",
       d + "<workbook xmlns=\"" + kMainNs + "\" xmlns:r=\"" + kRelNs + "\">"
           "<bookViews><workbookView activeTab=\"0\"/></bookViews>"
           "<sheets><sheet name=\"Sheet1\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
      {"xl/_rels/workbook.xml.rels",
       d + "<Relationships xmlns=\"" + kPackageRelNs + "\">"
           "<Relationship Id=\"rId1\" Type=\"" + kWorksheetRel + "\" Target=\"worksheets/sheet1.xml\"/>"
           "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
           "relationships/styles\" Target=\"styles.xml\"/></Relationships>"},
      {"xl/styles.xml", NewStylesPart()},
      {"xl/worksheets/sheet1.xml", d + "<worksheet xmlns=\"" + kMainNs + "\"><dimension ref=\"A1\"/><sheetData/></worksheet>"},
  };
}

}  // namespace

struct TWorkbook::TSheetEntry {
  std::string Tag;  // the element's name as written
  std::vector<TXmlAttribute> Attributes;
  TWorksheet* Sheet = nullptr;  // null for a chart or dialog sheet
};

// ---- TVarArray ------------------------------------------------------------------------------

TVarArray::TVarArray(int rows, int cols) : FRows(std::max(rows, 0)), FCols(std::max(cols, 0)) {
  if (static_cast<long long>(FRows) * FCols > kMaxSheetCells) throw EOleException("The range is too large");
  FItems.resize(static_cast<std::size_t>(FRows) * static_cast<std::size_t>(FCols));
}

std::string& TVarArray::operator()(int row, int col) {
  if (row < 1 || row > FRows || col < 1 || col > FCols) throw EOleException("Variant array index out of bounds");
  return FItems[static_cast<std::size_t>(row - 1) * static_cast<std::size_t>(FCols) + static_cast<std::size_t>(col - 1)];
}

const std::string& TVarArray::operator()(int row, int col) const {
  return const_cast<TVarArray&>(*this)(row, col);
}

TVarTyped& TVarArray::TypedItem(int row, int col) {
  const std::size_t at = static_cast<std::size_t>(&(*this)(row, col) - FItems.data());
  if (FTyped.empty()) FTyped.resize(FItems.size());
  return FTyped[at];
}

void TVarArray::SetNumber(int row, int col, double value, int decimals, bool grouped) {
  TVarTyped& t = TypedItem(row, col);
  t.Type = TVarType::Number;
  t.Value = value;
  t.Decimals = std::clamp(decimals, 0, 30);
  t.Grouped = grouped;
}

void TVarArray::KeepText(int row, int col) { TypedItem(row, col).Type = TVarType::KeptText; }

void TVarArray::SetDate(int row, int col, double dateTime) {
  TVarTyped& t = TypedItem(row, col);
  t.Type = TVarType::Date;
  t.Value = dateTime;
}

// ---- TRange ---------------------------------------------------------------------------------

TRange::TRange(TWorksheet& sheet, int top, int left, int bottom, int right)
    : FSheet(sheet), FTop(std::min(top, bottom)), FLeft(std::min(left, right)),
      FBottom(std::max(top, bottom)), FRight(std::max(left, right)) {}

std::string TRange::Address() const {
  std::string a = "$" + ColumnLetters(FLeft) + "$" + std::to_string(FTop);
  if (FTop != FBottom || FLeft != FRight) a += ":$" + ColumnLetters(FRight) + "$" + std::to_string(FBottom);
  return a;
}

TVarArray TRange::Value() const {
  FSheet.Parent().CheckOpen();
  TVarArray v(RowsCount(), ColumnsCount());
  FSheet.Cells().GetBlock(FTop, FLeft, v.Rows(), v.Cols(), v.Data(), static_cast<std::size_t>(v.Cols()));
  return v;
}

void TRange::SetValue(const TVarArray& value) {
  FSheet.Parent().CheckOpen();
  int rows = std::min(RowsCount(), value.Rows());
  int cols = std::min(ColumnsCount(), value.Cols());
  std::vector<TCellNumber> numbers;
  if (const TVarTyped* typed = value.Typed()) {
    // Numbers and dates go in as numbers, each with the cell style that shows it as the text did.
    TWorkbook& book = FSheet.Parent();
    numbers.resize(static_cast<std::size_t>(value.Rows()) * static_cast<std::size_t>(value.Cols()));
    const std::string dateStyle = DateFormatCode(FormatSettings.ShortDateFormat);
    const std::string dateTimeStyle = DateFormatCode(FormatSettings.ShortDateFormat + " " + FormatSettings.LongTimeFormat);
    for (std::size_t i = 0; i < numbers.size(); ++i) {
      const TVarTyped& t = typed[i];
      TCellNumber& n = numbers[i];
      if (t.Type == TVarType::KeptText) {
        n.Text = true;
      } else if (t.Type == TVarType::Number) {
        // A whole number without grouping shows as written in the general format.
        std::string code = t.Grouped ? "#,##0" : t.Decimals > 0 ? "0" : "General";
        if (t.Decimals > 0) code += "." + std::string(static_cast<std::size_t>(t.Decimals), '0');
        n.Value = ShortestNumber(t.Value);
        n.Style = book.NumberStyle(code);
      } else if (t.Type == TVarType::Date) {
        double serial = 0;
        if (!DateSerial(t.Value, book.Date1904(), serial)) continue;  // no date of the workbook: a text
        n.Value = ShortestNumber(serial);
        n.Date = true;
        n.Style = book.NumberStyle(serial == std::floor(serial) ? dateStyle : dateTimeStyle);
      }
    }
  }
  FSheet.Cells().SetBlock(FTop, FLeft, rows, cols, value.Data(), static_cast<std::size_t>(value.Cols()),
                          numbers.empty() ? nullptr : numbers.data());
}

// ---- TWorksheet -----------------------------------------------------------------------------

void TWorksheet::SetName(const std::string& name) {
  FBook.CheckOpen();
  if (name == FName) return;
  if (name.empty() || CodePoints(name) > 31 || name.find_first_of(":\\/?*[]") != std::string::npos ||
      name.front() == '\'' || name.back() == '\'')
    throw EOleException("The sheet name \"" + name + "\" is not valid");
  for (const auto& s : FBook.FSheets)
    if (s.get() != this && AnsiSameText(s->FName, name))
      throw EOleException("The sheet name \"" + name + "\" is already taken");
  for (const auto& e : FBook.FEntries)
    if (!e.Sheet)
      for (const TXmlAttribute& a : e.Attributes)
        if (a.Name == "name" && AnsiSameText(a.Value, name))
          throw EOleException("The sheet name \"" + name + "\" is already taken");
  FName = name;
  FRenamed = true;
}

TRange TWorksheet::UsedRange() {
  FBook.CheckOpen();
  int top = 1, left = 1, bottom = 1, right = 1;
  FCells.Bounds(top, left, bottom, right);
  return TRange(*this, top, left, bottom, right);
}

TRange TWorksheet::Range(const std::string& address) {
  FBook.CheckOpen();
  std::size_t colon = address.find(':');
  int top, left, bottom, right;
  bool ok = ParseCellName(address.substr(0, colon), top, left);
  if (colon == std::string::npos) {
    bottom = top;
    right = left;
  } else {
    ok = ok && ParseCellName(address.substr(colon + 1), bottom, right);
  }
  if (!ok) throw EOleException("\"" + address + "\" is no range address");
  return TRange(*this, top, left, bottom, right);
}

void TWorksheet::Activate() {
  FBook.CheckOpen();
  for (std::size_t i = 0; i < FBook.FSheets.size(); ++i)
    if (FBook.FSheets[i].get() == this) FBook.FActive = static_cast<int>(i);
}

// ---- TSheets --------------------------------------------------------------------------------

int TSheets::Count() const {
  FBook.CheckOpen();
  return static_cast<int>(FBook.FSheets.size());
}

TWorksheet& TSheets::Item(int index) {
  FBook.CheckOpen();
  if (index < 1 || index > Count()) throw EOleException("Sheet index " + std::to_string(index) + " out of range");
  return *FBook.FSheets[static_cast<std::size_t>(index - 1)];
}

TWorksheet& TSheets::Item(const std::string& name) {
  FBook.CheckOpen();
  for (const auto& s : FBook.FSheets)
    if (AnsiSameText(s->Name(), name)) return *s;
  throw EOleException("The workbook holds no sheet \"" + name + "\"");
}

TWorksheet& TSheets::Add() {
  FBook.CheckOpen();
  return FBook.AddSheet();
}

// ---- TWorkbook ------------------------------------------------------------------------------

TWorkbook::TWorkbook() : FSheetList(*this) {}
TWorkbook::~TWorkbook() = default;

void TWorkbook::CheckOpen() const {
  if (FClosed) throw EOleException("The workbook is closed");
}

TZipPart* TWorkbook::FindPart(const std::string& name) {
  for (TZipPart& p : FParts)
    if (p.Name == name) return &p;
  return nullptr;
}

void TWorkbook::Load(TZipParts parts, std::vector<std::unique_ptr<TWorksheet>> saved) {
  FParts = std::move(parts);
  FSheets.clear();
  FEntries.clear();
  FRels.clear();
  FContentTypes.clear();
  FStructureChanged = false;

  TZipPart* types = FindPart(kContentTypesPart);
  if (!types) Malformed("it has no content types");
  TListReader typeList;
  ParseXml(types->Bytes, types->Name, typeList);
  for (const TXmlElement& e : typeList.Items) {
    if (e.LocalName() == "Default") FContentTypes.push_back({true, e.Value("Extension"), e.Value("ContentType")});
    else if (e.LocalName() == "Override") FContentTypes.push_back({false, e.Value("PartName"), e.Value("ContentType")});
  }

  TZipPart* rootRels = FindPart("_rels/.rels");
  if (!rootRels) Malformed("it has no package relationships");
  TListReader rootList;
  ParseXml(rootRels->Bytes, rootRels->Name, rootList);
  FWorkbookPart.clear();
  for (const TXmlElement& e : rootList.Items)
    if (EndsWith(e.Value("Type"), "/officeDocument")) FWorkbookPart = ResolveTarget("", e.Value("Target"));
  TZipPart* book = FWorkbookPart.empty() ? nullptr : FindPart(FWorkbookPart);
  if (!book) Malformed("it has no workbook part");

  std::string folder = FolderOf(FWorkbookPart);
  FRelsPart = folder + "_rels/" + FWorkbookPart.substr(folder.size()) + ".rels";
  if (TZipPart* rels = FindPart(FRelsPart)) {
    TListReader relList;
    ParseXml(rels->Bytes, rels->Name, relList);
    for (const TXmlElement& e : relList.Items)
      if (e.LocalName() == "Relationship")
        FRels.push_back({e.Value("Id"), e.Value("Type"), e.Value("Target"), e.Value("TargetMode")});
  }
  auto relTarget = [&](const std::string& id, std::string& type) -> std::string {
    for (const TRelationship& r : FRels)
      if (r.Id == id && r.TargetMode != "External") {
        type = r.Type;
        return ResolveTarget(folder, r.Target);
      }
    return {};
  };

  FCellStyles.Date1904 = false;
  LoadStyles(folder);

  // The shared strings are read when the first sheet is.
  std::vector<std::string> shared;
  std::vector<const TZipPart*> sharedParts;
  for (const TRelationship& r : FRels)
    if (EndsWith(r.Type, "/sharedStrings") && r.TargetMode != "External") {
      TZipPart* p = FindPart(ResolveTarget(folder, r.Target));
      if (!p) Malformed("its shared strings are missing");
      sharedParts.push_back(p);
    }
  auto sharedStrings = [&]() -> const std::vector<std::string>& {
    for (const TZipPart* p : sharedParts) shared = ReadSharedStrings(p->Bytes, p->Name);
    sharedParts.clear();
    return shared;
  };

  TWorkbookReader reader;
  ParseXml(book->Bytes, book->Name, reader);
  if (reader.SheetsBegin == std::string::npos || reader.SheetsEnd == std::string::npos)
    Malformed("its workbook part lists no sheets");
  FSheetsBegin = reader.SheetsBegin;
  FSheetsEnd = reader.SheetsEnd;
  FSheetsTag = reader.SheetsTag;
  FCellStyles.Date1904 = reader.Date1904;
  FRelPrefix = reader.HasRelPrefix ? reader.RelPrefix : std::string();
  for (const TXmlElement& e : reader.Sheets) {
    TSheetEntry entry;
    entry.Tag = e.Name;
    entry.Attributes = e.Attributes;
    std::string type;
    std::string target = relTarget(e.Value("id"), type);
    if (EndsWith(type, "/worksheet")) {
      TZipPart* p = FindPart(target);
      if (!p) Malformed("its sheet part " + target + " is missing");
      // A sheet just written stays the same object (references to it stay good) with its cells.
      std::unique_ptr<TWorksheet> sheet;
      auto kept = std::find_if(saved.begin(), saved.end(), [&](const auto& s) { return s && s->FPart == target; });
      if (kept != saved.end()) {
        sheet = std::move(*kept);
        sheet->FName = e.Value("name");
        sheet->FRenamed = sheet->FAdded = false;
        sheet->FCells.Saved();
      } else {
        sheet.reset(new TWorksheet(*this, e.Value("name")));
        sheet->FPart = target;
        sheet->FCells.Load(p->Bytes, p->Name, sharedStrings(), FCellStyles);
      }
      entry.Sheet = sheet.get();
      FSheets.push_back(std::move(sheet));
    }
    FEntries.push_back(std::move(entry));
  }
  if (FSheets.empty()) Malformed("it holds no worksheet");
  int active = 0, index = 0;
  for (const TSheetEntry& e : FEntries) {
    if (index == reader.ActiveTab && e.Sheet) {
      for (std::size_t i = 0; i < FSheets.size(); ++i)
        if (FSheets[i].get() == e.Sheet) active = static_cast<int>(i);
    }
    ++index;
  }
  FActive = active;
}

void TWorkbook::LoadStyles(const std::string& folder) {
  FStylesPart.clear();
  FNumberFormats.clear();
  FNewStyles.clear();
  FCellStyles.DateStyles.clear();
  for (const TRelationship& r : FRels)
    if (EndsWith(r.Type, "/styles") && r.TargetMode != "External") FStylesPart = ResolveTarget(folder, r.Target);
  const TZipPart* part = FStylesPart.empty() ? nullptr : FindPart(FStylesPart);
  if (!part) {
    FStylesPart.clear();
    return;
  }
  TStylesReader reader;
  ParseXml(part->Bytes, part->Name, reader);
  FNumberFormats = std::move(reader.Formats);
  for (int id : reader.CellFormats) {
    std::string code;
    for (const auto& [formatId, formatCode] : FNumberFormats)
      if (formatId == id) code = formatCode;
    FCellStyles.DateStyles.push_back(IsDateFormat(id, code));
  }
}

std::string TWorkbook::NumberStyle(const std::string& code) {
  CheckOpen();
  static const char* const kBuiltIn[] = {"General", "0", "0.00", "#,##0", "#,##0.00"};
  int id = -1;
  for (int i = 0; i < 5; ++i)
    if (code == kBuiltIn[i]) id = i;
  if (id == 0) return std::string();
  const std::size_t existing = std::max<std::size_t>(FCellStyles.DateStyles.size(), 1);
  for (std::size_t i = 0; i < FNewStyles.size(); ++i)
    if (id >= 0 ? FNewStyles[i].NumFmtId == id : FNewStyles[i].Code == code) return std::to_string(existing + i);
  if (id < 0) {
    id = kFirstCustomFormat;
    for (const auto& f : FNumberFormats) id = std::max(id, f.first + 1);
    for (const TNewStyle& n : FNewStyles) id = std::max(id, n.NumFmtId + 1);
  }
  FNewStyles.push_back({id, id >= kFirstCustomFormat ? code : std::string()});
  return std::to_string(existing + FNewStyles.size() - 1);
}

void TWorkbook::StoreNewStyles() {
  if (FNewStyles.empty()) return;
  if (FStylesPart.empty()) {
    // A workbook without styles gets the default ones, to which the new styles are added.
    const std::string folder = FolderOf(FWorkbookPart);
    FStylesPart = folder + "styles.xml";
    while (FindPart(FStylesPart)) FStylesPart = folder + "styles" + std::to_string(FRels.size()) + ".xml";
    FParts.push_back({FStylesPart, NewStylesPart()});
    int relNumber = 1;
    auto relUsed = [&](const std::string& id) {
      return std::any_of(FRels.begin(), FRels.end(), [&](const TRelationship& r) { return r.Id == id; });
    };
    while (relUsed("rId" + std::to_string(relNumber))) ++relNumber;
    FRels.push_back({"rId" + std::to_string(relNumber), kStylesRel, FStylesPart.substr(folder.size()), ""});
    FContentTypes.push_back({false, "/" + FStylesPart, kStylesType});
    FStructureChanged = true;
  }
  TZipPart& part = *FindPart(FStylesPart);
  TStylesReader reader;
  ParseXml(part.Bytes, part.Name, reader);
  const std::string& p = reader.Prefix;
  std::string formats, xfs;
  int newFormats = 0;
  // A styles part without cell styles first gets the default one, which unstyled cells use.
  if (reader.CellFormats.empty())
    xfs += "<" + p + "xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>";
  for (const TNewStyle& n : FNewStyles) {
    if (!n.Code.empty()) {
      formats += "<" + p + "numFmt numFmtId=\"" + std::to_string(n.NumFmtId) + "\" formatCode=\"" + XmlEscape(n.Code) + "\"/>";
      ++newFormats;
    }
    xfs += "<" + p + "xf numFmtId=\"" + std::to_string(n.NumFmtId) +
           "\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\"/>";
  }
  const std::string& xml = part.Bytes;
  const int xfCount = static_cast<int>(std::max<std::size_t>(reader.CellFormats.size(), 1) + FNewStyles.size());
  const std::string cellXfs = WithChildren(xml, reader.CellXfs, p + "cellXfs", xfCount, xfs);
  std::string out;
  // The number formats come first in the part, the cell styles after the borders.
  const std::size_t formatsAt = reader.NumFmts.Found() ? reader.NumFmts.Begin : reader.RootStartEnd;
  const std::size_t formatsEnd = reader.NumFmts.Found() ? reader.NumFmts.End : reader.RootStartEnd;
  const std::size_t xfsAt = reader.CellXfs.Found() ? reader.CellXfs.Begin : reader.LastBeforeXfs;
  const std::size_t xfsEnd = reader.CellXfs.Found() ? reader.CellXfs.End : reader.LastBeforeXfs;
  out = xml.substr(0, formatsAt);
  if (newFormats > 0 || reader.NumFmts.Found())
    out += WithChildren(xml, reader.NumFmts, p + "numFmts", static_cast<int>(FNumberFormats.size()) + newFormats, formats);
  out += xml.substr(formatsEnd, xfsAt - formatsEnd);
  out += cellXfs;
  out += xml.substr(xfsEnd);
  part.Bytes = std::move(out);
  LoadStyles(FolderOf(FWorkbookPart));
}

TWorksheet& TWorkbook::ActiveSheet() {
  CheckOpen();
  return *FSheets.at(static_cast<std::size_t>(FActive));
}

TWorksheet& TWorkbook::AddSheet() {
  int number = 1;
  auto used = [&](const std::string& name) {
    for (const auto& s : FSheets)
      if (AnsiSameText(s->Name(), name)) return true;
    return false;
  };
  while (used("Sheet" + std::to_string(number))) ++number;
  std::string folder = FolderOf(FWorkbookPart);
  int partNumber = 1;
  while (FindPart(folder + "worksheets/sheet" + std::to_string(partNumber) + ".xml")) ++partNumber;
  std::string target = "worksheets/sheet" + std::to_string(partNumber) + ".xml";

  int relNumber = 1, sheetId = 0;
  auto relUsed = [&](const std::string& id) {
    return std::any_of(FRels.begin(), FRels.end(), [&](const TRelationship& r) { return r.Id == id; });
  };
  while (relUsed("rId" + std::to_string(relNumber))) ++relNumber;
  for (const TSheetEntry& e : FEntries) sheetId = std::max(sheetId, StrToIntDef(TXmlElement{"", e.Attributes, 0, 0}.Value("sheetId"), 0));

  std::unique_ptr<TWorksheet> sheet(new TWorksheet(*this, "Sheet" + std::to_string(number)));
  sheet->FPart = folder + target;
  sheet->FAdded = true;
  std::string xml = std::string(kXmlDecl) + "<worksheet xmlns=\"" + kMainNs + "\"><dimension ref=\"A1\"/><sheetData/></worksheet>";
  sheet->FCells.Load(xml, sheet->FPart, {}, FCellStyles);
  FParts.push_back({sheet->FPart, xml});

  std::string relId = "rId" + std::to_string(relNumber);
  FRels.push_back({relId, kWorksheetRel, target, ""});
  FContentTypes.push_back({false, "/" + sheet->FPart, kWorksheetType});
  TSheetEntry entry;
  std::string prefix = FSheetsTag.find(':') == std::string::npos ? "" : FSheetsTag.substr(0, FSheetsTag.find(':') + 1);
  entry.Tag = prefix + "sheet";
  entry.Attributes = {{"name", sheet->Name()}, {"sheetId", std::to_string(sheetId + 1)}};
  if (FRelPrefix.empty()) {
    entry.Attributes.push_back({"xmlns:r", kRelNs});
    entry.Attributes.push_back({"r:id", relId});
  } else {
    entry.Attributes.push_back({FRelPrefix + ":id", relId});
  }
  entry.Sheet = sheet.get();
  FEntries.push_back(std::move(entry));
  FSheets.push_back(std::move(sheet));
  FActive = static_cast<int>(FSheets.size()) - 1;
  FStructureChanged = true;
  return *FSheets.back();
}

std::string TWorkbook::BuildWorkbookPart() const {
  const std::string& xml = const_cast<TWorkbook*>(this)->FindPart(FWorkbookPart)->Bytes;
  std::string out = xml.substr(0, FSheetsBegin);
  out += "<" + FSheetsTag + ">";
  for (const TSheetEntry& e : FEntries) {
    std::vector<TXmlAttribute> attrs = e.Attributes;
    if (e.Sheet)
      for (TXmlAttribute& a : attrs)
        if (a.Name == "name") a.Value = e.Sheet->Name();
    out += "<" + e.Tag + Attributes(attrs) + "/>";
  }
  out += "</" + FSheetsTag + ">";
  out += xml.substr(FSheetsEnd);
  return out;
}

std::string TWorkbook::BuildRelationships() const {
  std::string out = std::string(kXmlDecl) + "<Relationships xmlns=\"" + kPackageRelNs + "\">";
  for (const TRelationship& r : FRels) {
    std::vector<TXmlAttribute> attrs = {{"Id", r.Id}, {"Type", r.Type}, {"Target", r.Target}};
    if (!r.TargetMode.empty()) attrs.push_back({"TargetMode", r.TargetMode});
    out += "<Relationship" + Attributes(attrs) + "/>";
  }
  return out + "</Relationships>";
}

std::string TWorkbook::BuildContentTypes() const {
  std::string out = std::string(kXmlDecl) + "<Types xmlns=\"" + kContentTypesNs + "\">";
  for (const TContentType& t : FContentTypes) {
    if (t.Default) out += "<Default" + Attributes({{"Extension", t.Key}, {"ContentType", t.Type}}) + "/>";
    else out += "<Override" + Attributes({{"PartName", t.Key}, {"ContentType", t.Type}}) + "/>";
  }
  return out + "</Types>";
}

void TWorkbook::Write(const std::string& fileName) {
  StoreNewStyles();
  bool renamed = std::any_of(FSheets.begin(), FSheets.end(), [](const auto& s) { return s->FRenamed; });
  // The calculation chain lists the formula cells; one that lost its formula would make the
  // chain name a cell without one, so the chain goes (it is rebuilt by whoever calculates).
  std::string dropped;
  bool formulasGone = std::any_of(FSheets.begin(), FSheets.end(), [](const auto& s) { return s->FCells.FormulaReplaced(); });
  if (formulasGone) {
    std::string folder = FolderOf(FWorkbookPart);
    for (auto it = FRels.begin(); it != FRels.end(); ++it)
      if (EndsWith(it->Type, "/calcChain") && it->TargetMode != "External") {
        dropped = ResolveTarget(folder, it->Target);
        FRels.erase(it);
        break;
      }
    if (!dropped.empty()) {
      FContentTypes.erase(std::remove_if(FContentTypes.begin(), FContentTypes.end(),
                                         [&](const TContentType& t) { return !t.Default && t.Key == "/" + dropped; }),
                          FContentTypes.end());
      FStructureChanged = true;
    }
  }
  TZipParts out = FParts;
  if (!dropped.empty())
    out.erase(std::remove_if(out.begin(), out.end(), [&](const TZipPart& p) { return p.Name == dropped; }), out.end());
  for (TZipPart& p : out) {
    if (p.Name == FWorkbookPart && (renamed || FStructureChanged)) {
      p.Bytes = BuildWorkbookPart();
    } else if (p.Name == FRelsPart && FStructureChanged) {
      p.Bytes = BuildRelationships();
    } else if (p.Name == kContentTypesPart && FStructureChanged) {
      p.Bytes = BuildContentTypes();
    } else {
      for (const auto& s : FSheets)
        if (s->FPart == p.Name && (s->FCells.Changed() || s->FAdded)) p.Bytes = s->FCells.Save();
    }
  }
  if (FStructureChanged && !FindPart(FRelsPart)) out.push_back({FRelsPart, BuildRelationships()});
  WriteZipParts(fileName, out);
  // The saved parts are the workbook now. The sheets' cells are those just written: they are
  // taken over rather than read back, the rest of the structure is read again.
  int active = FActive;
  Load(std::move(out), std::move(FSheets));
  FActive = std::min(active, static_cast<int>(FSheets.size()) - 1);
  FFileName = fileName;
  FBinary = false;
}

void TWorkbook::Save() {
  CheckOpen();
  if (FBinary)
    throw EOleException("The workbook " + FFileName +
                        " is an older binary workbook, which is read only here: save it with SaveAs as a new file");
  if (FFileName.empty()) throw EOleException("The workbook has no file name yet: save it with SaveAs");
  Write(FFileName);
}

void TWorkbook::SaveAs(const std::string& fileName) {
  CheckOpen();
  if (fileName.empty()) throw EOleException("No file name given for the workbook");
  Write(fileName);
}

void TWorkbook::Close(bool SaveChanges) {
  if (FClosed) return;
  if (SaveChanges) Save();
  FClosed = true;
  FSheets.clear();
  FEntries.clear();
  FParts.clear();
}

// ---- TWorkbooks, the application ------------------------------------------------------------

int TWorkbooks::Count() const {
  return static_cast<int>(std::count_if(FBooks.begin(), FBooks.end(), [](const auto& b) { return !b->Closed(); }));
}

TWorkbook& TWorkbooks::Item(int index) {
  int n = 0;
  for (const auto& b : FBooks)
    if (!b->Closed() && ++n == index) return *b;
  throw EOleException("Workbook index " + std::to_string(index) + " out of range");
}

void TWorkbook::LoadBinary(const std::string& fileName) {
  // The binary workbook's sheets become the sheets of a new workbook, its numbers and dates
  // numbers of the same styles.
  class TReader : public TBinaryWorkbookReader {
  public:
    explicit TReader(TWorkbook& book) : FBook(book) {}
    void Sheet(const std::string& name) override {
      FSheet = FFirst ? &FBook.ActiveSheet() : &FBook.AddSheet();
      FFirst = false;
      FSheet->FName = name;
      FBook.FStructureChanged = true;
      FSheet->FRenamed = true;
    }
    void Cell(const TBinaryCell& cell) override {
      TCellNumber number;
      const std::string* text = &cell.Text;
      if (cell.Type == TVarType::Number) {
        number.Value = ShortestNumber(cell.Value);
      } else if (cell.Type == TVarType::Date && DateSerial(cell.Value, FBook.Date1904(), FSerial)) {
        number.Value = ShortestNumber(FSerial);
        number.Date = true;
        // The date's text as a date cell of a zip package reads, in the form the opener asked for.
        FText = DateCellText(number.Value, FBook.Date1904(), "", FBook.FCellStyles.DateFormat);
        text = &FText;
        number.Style = FBook.NumberStyle(DateFormatCode(
            FSerial == std::floor(FSerial) ? FormatSettings.ShortDateFormat
            : FSerial < 1                  ? FormatSettings.LongTimeFormat
                                           : FormatSettings.ShortDateFormat + " " + FormatSettings.LongTimeFormat));
      }
      FSheet->FCells.SetBlock(cell.Row, cell.Col, 1, 1, text, 1, &number);
    }

  private:
    TWorkbook& FBook;
    TWorksheet* FSheet = nullptr;
    bool FFirst = true;
    double FSerial = 0;
    std::string FText;
  } reader(*this);
  Load(NewWorkbookParts());
  ReadBinaryWorkbook(fileName, reader);
  FActive = 0;
  FBinary = true;
}

TWorkbook& TWorkbooks::Open(const std::string& fileName, const std::string& dateFormat) {
  std::unique_ptr<TWorkbook> book(new TWorkbook());
  book->FCellStyles.DateFormat = dateFormat;
  if (IsBinaryWorkbookFile(fileName)) {
    book->LoadBinary(fileName);
    book->FFileName = fileName;
    FBooks.push_back(std::move(book));
    return *FBooks.back();
  }
  book->Load(ReadZipParts(fileName));
  book->FFileName = fileName;
  FBooks.push_back(std::move(book));
  return *FBooks.back();
}

TWorkbook& TWorkbooks::Add() {
  std::unique_ptr<TWorkbook> book(new TWorkbook());
  book->Load(NewWorkbookParts());
  FBooks.push_back(std::move(book));
  return *FBooks.back();
}

void TWorkbooks::CloseAll() {
  for (const auto& b : FBooks) b->Close(false);
}

TWorksheet& TWorkbookApplication::ActiveSheet() {
  for (auto i = FBooks.Count(); i >= 1; --i) return FBooks.Item(i).ActiveSheet();
  throw EOleException("No workbook is open");
}

std::string DateFormatCode(const std::string& dateFormat) {
  // The date and time parts keep their letters ("n", minutes, becomes "m"); the separators
  // become the format settings' own; quoted texts stay texts; every other character is escaped.
  std::string code;
  for (std::size_t i = 0; i < dateFormat.size(); ++i) {
    const char c = dateFormat[i];
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::string rest = LowerCase(dateFormat.substr(i, 5));
    if (rest.rfind("am/pm", 0) == 0 || rest.rfind("ampm", 0) == 0 || rest.rfind("a/p", 0) == 0) {
      code += rest.rfind("a/p", 0) == 0 ? "A/P" : "AM/PM";
      i += rest.rfind("am/pm", 0) == 0 ? 4 : rest.rfind("ampm", 0) == 0 ? 3 : 2;
    } else if (lower == 'd' || lower == 'm' || lower == 'y' || lower == 'h' || lower == 's') {
      code += lower;
    } else if (lower == 'n') {
      code += 'm';
    } else if (lower == 'z') {
      // milliseconds are not shown
    } else if (c == '"' || c == '\'') {
      const std::size_t close = dateFormat.find(c, i + 1);
      const std::string text = dateFormat.substr(i + 1, close == std::string::npos ? std::string::npos : close - i - 1);
      std::string quoted;
      for (char t : text) quoted += t == '"' ? std::string("\\\"") : std::string(1, t);
      if (!text.empty()) code += "\"" + quoted + "\"";
      if (close == std::string::npos) break;
      i = close;
    } else {
      const char shown = c == '/' ? FormatSettings.DateSeparator : c == ':' ? FormatSettings.TimeSeparator : c;
      if (shown == ' ') code += ' ';
      else (code += '\\') += shown;
    }
  }
  return code;
}

std::unique_ptr<TWorkbookApplication> CreateOleObject(const std::string& className) {
  if (!SameText(className, "excel.application")) throw EOleSysError("Invalid class string");
  return std::make_unique<TWorkbookApplication>();
}
