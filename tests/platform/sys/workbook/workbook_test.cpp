// Workbook files through our workbook application, checked against an outside reader and
// writer of the format (python3-openpyxl).
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "platform/rtl/date_time.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/format_settings.h"
#include "platform/sys/workbook/binary_workbook.h"
#include "platform/sys/workbook/workbook.h"
#include "platform/sys/workbook/xml_text.h"
#include "platform/sys/sys_test_util.h"

namespace {

// Runs a Python script with openpyxl; gives what it prints.
std::string Python(const TScratchDir& dir, const std::string& script, const std::string& arg) {
  dir.Write("script.py", script);
  std::string cmd = "/usr/bin/python3 " + dir / "script.py" + " '" + arg + "' 2>&1";
  std::unique_ptr<FILE, int (*)(FILE*)> p(popen(cmd.c_str(), "r"), &pclose);
  std::string out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p.get())) > 0) out.append(buf, n);
  return out;
}

const char kDumpScript[] = R"(import sys, openpyxl
wb = openpyxl.load_workbook(open(sys.argv[1], 'rb'))
for ws in wb.worksheets:
    print('sheet', ws.title)
    for row in ws.iter_rows():
        for c in row:
            if c.value is not None:
                print(c.coordinate, type(c.value).__name__, repr(c.value))
)";

// The dump, with each cell's number format.
const char kTypedDumpScript[] = R"(import sys, openpyxl
wb = openpyxl.load_workbook(open(sys.argv[1], 'rb'))
for ws in wb.worksheets:
    for row in ws.iter_rows():
        for c in row:
            if c.value is not None:
                print(c.coordinate, type(c.value).__name__, repr(c.value), c.number_format)
)";

// The texts of the format settings these tests read and write dates in, whatever the machine.
TFormatSettings UsSettings() {
  TFormatSettings s = DefaultFormatSettings();
  s.DateSeparator = '/';
  s.ShortDateFormat = "m/d/yyyy";
  s.TimeSeparator = ':';
  s.LongTimeFormat = "hh:nn:ss";
  s.DecimalSeparator = '.';
  s.ThousandSeparator = ',';
  return s;
}

TEST(Workbook, CreatesOnlyTheWorkbookApplication) {
  EXPECT_NO_THROW(CreateOleObject("Excel.Application"));
  try {
    CreateOleObject("word.application");
    FAIL();
  } catch (const EOleSysError& e) {
    EXPECT_EQ(e.Message(), "Invalid class string");
  }
}

TEST(Workbook, WrittenCellsReadByTheOutsideReader) {
  TScratchDir dir;
  auto app = CreateOleObject("excel.application");
  TWorkbook& book = app->WorkBooks().Add();
  TWorksheet& sheet = book.Sheets().Add();
  sheet.SetName("Data & more");
  EXPECT_EQ(book.Sheets().Count(), 2);
  TVarArray v(2, 4);
  v(1, 1) = "Name"; v(1, 2) = "42"; v(1, 3) = "007"; v(1, 4) = "3.5";
  v(2, 1) = "a<b&c \"q\""; v(2, 2) = "1.50"; v(2, 3) = "-12"; v(2, 4) = "x\x01y";
  sheet.Range("A1:D2").SetValue(v);
  book.SaveAs(dir / "out.XLS");
  app->Quit();
  std::string dump = Python(dir, kDumpScript, dir / "out.XLS");
  EXPECT_EQ(dump,
            "sheet Sheet1\n"
            "sheet Data & more\n"
            "A1 str 'Name'\nB1 int 42\nC1 str '007'\nD1 float 3.5\n"
            "A2 str 'a<b&c \"q\"'\nB2 str '1.50'\nC2 int -12\nD2 str 'x_x0001_y'\n");  // the format's escape, which it leaves as written
  // And we read back what we wrote, the escaped control character too.
  auto again = CreateOleObject("excel.application");
  TWorkbook& read = again->WorkBooks().Open(dir / "out.XLS");
  TWorksheet& data = read.Sheets().Item("data & MORE");
  EXPECT_EQ(data.UsedRange().Address(), "$A$1:$D$2");
  TVarArray back = data.Range("A1:D2").Value();
  for (int r = 1; r <= 2; ++r)
    for (int c = 1; c <= 4; ++c) EXPECT_EQ(back(r, c), v(r, c)) << r << "," << c;
}

TEST(Workbook, ReadsWhatTheOutsideWriterWrites) {
  TScratchDir dir;
  Python(dir, R"(import sys, openpyxl
wb = openpyxl.Workbook()
wb.active.title = 'First'
wb.active['A1'] = 'one'
ws = wb.create_sheet('Second')
ws['B2'] = 'text'; ws['C2'] = 17; ws['B3'] = 2.25; ws['C4'] = 'text'
ws['B4'] = 'äö €'
wb.create_sheet('Third')['B2'] = 1
wb.active = 1
wb.save(sys.argv[1])
)", dir / "in.xlsx");
  auto app = CreateOleObject("excel.application");
  TWorkbook& book = app->WorkBooks().Open(dir / "in.xlsx");
  ASSERT_EQ(book.WorkSheets().Count(), 3);
  EXPECT_EQ(book.Sheets().Item(1).Name(), "First");
  EXPECT_EQ(book.ActiveSheet().Name(), "Second");
  EXPECT_EQ(book.Sheets().Item(3).UsedRange().Address(), "$B$2");
  TWorksheet& s = book.Sheets().Item(2);
  TRange used = s.UsedRange();
  EXPECT_EQ(used.Address(), "$B$2:$C$4");
  TVarArray v = s.Range(used.Address()).Value();
  ASSERT_EQ(v.HighBound(1), 3);
  ASSERT_EQ(v.HighBound(2), 2);
  EXPECT_EQ(v(1, 1), "text");
  EXPECT_EQ(v(1, 2), "17");
  EXPECT_EQ(v(2, 1), "2.25");
  EXPECT_EQ(v(2, 2), "");
  EXPECT_EQ(v(3, 1), "äö €");
  EXPECT_EQ(v(3, 2), "text");
  {
    TFormatSettings settings = DefaultFormatSettings();
    settings.DecimalSeparator = ',';
    TFormatSettingsScope scope(settings);
    EXPECT_EQ(app->WorkBooks().Open(dir / "in.xlsx").Sheets().Item(2).Range("B3").Value()(1, 1), "2,25");
  }
  book.Close(false);
  EXPECT_EQ(app->WorkBooks().Count(), 1);
  EXPECT_THROW(book.Sheets().Count(), EOleException);
}

TEST(Workbook, SaveKeepsTheOtherPartsByteForByte) {
  TScratchDir dir;
  Python(dir, R"(import sys, openpyxl
wb = openpyxl.Workbook()
wb.active.title = 'Keep'
wb.active['A1'] = 'kept'
wb.active['A2'] = '=1+2'
wb.create_sheet('Change')['A1'] = 'old'
wb.save(sys.argv[1])
)", dir / "book.xlsx");
  TZipParts before = ReadZipParts(dir / "book.xlsx");
  auto app = CreateOleObject("excel.application");
  TWorkbook& book = app->WorkBooks().Open(dir / "book.xlsx");
  TVarArray v(1, 2);
  v(1, 1) = "new";
  v(1, 2) = "5";
  book.Sheets().Item("Change").Range("A1:B1").SetValue(v);
  book.Sheets().Add().SetName("Added");
  book.Save();
  book.Close();
  TZipParts after = ReadZipParts(dir / "book.xlsx");
  int same = 0;
  for (const TZipPart& p : before) {
    auto it = std::find_if(after.begin(), after.end(), [&](const TZipPart& q) { return q.Name == p.Name; });
    ASSERT_NE(it, after.end()) << p.Name;
    bool rewritten = p.Name == "xl/worksheets/sheet2.xml" || p.Name == "xl/workbook.xml" ||
                     p.Name == "[Content_Types].xml" || p.Name == "xl/_rels/workbook.xml.rels";
    if (!rewritten) {
      EXPECT_EQ(it->Bytes, p.Bytes) << p.Name;
      ++same;
    } else {
      EXPECT_NE(it->Bytes, p.Bytes) << p.Name;
    }
  }
  EXPECT_GT(same, 3);
  EXPECT_EQ(Python(dir, kDumpScript, dir / "book.xlsx"),
            "sheet Keep\nA1 str 'kept'\nA2 str '=1+2'\nsheet Change\nA1 str 'new'\nB1 int 5\nsheet Added\n");
}

TEST(Workbook, OverwrittenFormulaTakesTheCalculationChainAlong) {
  TScratchDir dir;
  auto app = CreateOleObject("excel.application");
  app->WorkBooks().Add().SaveAs(dir / "f.xlsx");
  TZipParts parts = ReadZipParts(dir / "f.xlsx");
  auto part = [&](const std::string& name) -> std::string& {
    for (TZipPart& p : parts)
      if (p.Name == name) return p.Bytes;
    parts.push_back({name, ""});
    return parts.back().Bytes;
  };
  std::string& sheet = part("xl/worksheets/sheet1.xml");
  sheet.replace(sheet.find("<sheetData/>"), 12,
                "<sheetData><row r=\"1\"><c r=\"A1\"><v>2</v></c><c r=\"B1\"><f>A1*2</f><v>4</v></c></row></sheetData>");
  part("xl/calcChain.xml") = "<calcChain xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><c r=\"B1\" i=\"1\"/></calcChain>";
  std::string& rels = part("xl/_rels/workbook.xml.rels");
  rels.insert(rels.find("</Relationships>"),
              "<Relationship Id=\"rId9\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/calcChain\" Target=\"calcChain.xml\"/>");
  std::string& types = part("[Content_Types].xml");
  types.insert(types.find("</Types>"),
               "<Override PartName=\"/xl/calcChain.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.calcChain+xml\"/>");
  WriteZipParts(dir / "f.xlsx", parts);

  // Changing another cell keeps the chain; overwriting the formula cell drops it.
  TWorkbook& book = app->WorkBooks().Open(dir / "f.xlsx");
  TVarArray v(1, 1);
  v(1, 1) = "3";
  book.ActiveSheet().Range("A1").SetValue(v);
  book.Save();
  auto names = [&] {
    std::string all;
    for (const TZipPart& p : ReadZipParts(dir / "f.xlsx")) all += p.Name + ";";
    return all;
  };
  EXPECT_NE(names().find("calcChain"), std::string::npos);
  EXPECT_EQ(book.ActiveSheet().Range("B1").Value()(1, 1), "4");
  v(1, 1) = "fixed";
  book.ActiveSheet().Range("B1").SetValue(v);
  book.Save();
  EXPECT_EQ(names().find("calcChain"), std::string::npos);
  std::string saved;
  for (const TZipPart& p : ReadZipParts(dir / "f.xlsx"))
    if (p.Name == "xl/_rels/workbook.xml.rels" || p.Name == "[Content_Types].xml") saved += p.Bytes;
  EXPECT_EQ(saved.find("calcChain"), std::string::npos);
  EXPECT_EQ(Python(dir, kDumpScript, dir / "f.xlsx"), "sheet Sheet1\nA1 int 3\nB1 str 'fixed'\n");
}

TEST(Workbook, BadFilesRaiseOleExceptions) {
  TScratchDir dir;
  auto app = CreateOleObject("excel.application");
  EXPECT_THROW(app->WorkBooks().Open(dir / "missing.xlsx"), EOleException);
  dir.Write("text.xls", "Name,Value\r\n");
  EXPECT_THROW(app->WorkBooks().Open(dir / "text.xls"), EOleException);
  dir.Write("cut.xlsx", std::string("PK\x03\x04", 4) + "garbage");
  EXPECT_THROW(app->WorkBooks().Open(dir / "cut.xlsx"), EOleException);

  // A sound zip whose parts are damaged in several ways.
  TZipParts good = [&] {
    TWorkbook& b = app->WorkBooks().Add();
    b.SaveAs(dir / "good.xlsx");
    return ReadZipParts(dir / "good.xlsx");
  }();
  auto damaged = [&](const std::string& part, const std::string& bytes) {
    TZipParts parts = good;
    for (TZipPart& p : parts)
      if (p.Name == part) p.Bytes = bytes;
    WriteZipParts(dir / "bad.xlsx", parts);
    EXPECT_THROW(app->WorkBooks().Open(dir / "bad.xlsx"), EOleException) << bytes;
  };
  damaged("xl/workbook.xml", "<workbook><sheets><sheet name='S'");
  damaged("xl/worksheets/sheet1.xml", "<worksheet><sheetData><row r='1'><c r='A1' t='s'><v>0</v></c></row></sheetData></worksheet>");
  damaged("xl/worksheets/sheet1.xml", "<worksheet><sheetData><row r='1'><c r='ZZZZ1'><v>1</v></c></row></sheetData></worksheet>");
  damaged("xl/worksheets/sheet1.xml", "<worksheet><sheetData><row r='1'><c r='A1'><v>1x</v></c></row></sheetData></worksheet>");
  damaged("xl/_rels/workbook.xml.rels",
          "<Relationships xmlns='http://schemas.openxmlformats.org/package/2006/relationships'>"
          "<Relationship Id='rId1' Type='http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet' "
          "Target='../../../etc/passwd'/></Relationships>");
  // An empty part is no XML either (it used to raise std::bad_alloc).
  damaged("xl/worksheets/sheet1.xml", "");
  damaged("xl/workbook.xml", "");
  EXPECT_THROW(ReadSharedStrings("", "xl/sharedStrings.xml"), EOleException);
  EXPECT_EQ(app->WorkBooks().Count(), 1);  // only the sound one
}

TEST(Workbook, RangesAndSheetNames) {
  auto app = CreateOleObject("excel.application");
  TWorkbook& book = app->WorkBooks().Add();
  TWorksheet& s = book.ActiveSheet();
  EXPECT_EQ(s.UsedRange().Address(), "$A$1");
  EXPECT_EQ(s.Range("$C$4:B2").Address(), "$B$2:$C$4");
  EXPECT_EQ(s.Range("A1:AD7").ColumnsCount(), 30);
  EXPECT_THROW(s.Range("A0"), EOleException);
  EXPECT_THROW(s.Range("XFE1"), EOleException);
  EXPECT_THROW(s.Range("A1:"), EOleException);
  EXPECT_THROW(s.Range("A1:XFD1048576").Value(), EOleException);  // over the ceiling
  EXPECT_THROW(s.SetName("a/b"), EOleException);
  EXPECT_THROW(s.SetName(std::string(32, 'x')), EOleException);
  TWorksheet& other = book.Sheets().Add();
  EXPECT_EQ(other.Name(), "Sheet2");
  EXPECT_THROW(other.SetName("SHEET1"), EOleException);
  EXPECT_THROW(book.Save(), EOleException);  // a new workbook has no file yet
  TVarArray v(1, 1);
  v(1, 1) = "x";
  s.Range("C3").SetValue(v);
  v(1, 1) = "";
  s.Range("C3:D4").SetValue(v);  // writes only where the array reaches, emptying C3
  EXPECT_EQ(s.UsedRange().Address(), "$A$1");
}

// White space, numbers at the edge of the short number form, and texts that only look like
// numbers, as the outside reader finds them and as we read them back.
TEST(Workbook, WhiteSpaceAndNumberFormsSurviveTheOutsideReader) {
  TScratchDir dir;
  auto app = CreateOleObject("excel.application");
  TWorkbook& book = app->WorkBooks().Add();
  const std::vector<std::string> texts = {" lead", "trail ", "two  spaces", "line\nbreak", "tab\there", "a b",
                                          "123456789012345", "-987654321", "0", "-0", "1234567890123456", "0012"};
  TVarArray v(1, static_cast<int>(texts.size()));
  for (std::size_t i = 0; i < texts.size(); ++i) v(1, static_cast<int>(i) + 1) = texts[i];
  book.ActiveSheet().Range("A1:L1").SetValue(v);
  book.SaveAs(dir / "ws.xlsx");
  EXPECT_EQ(Python(dir, kDumpScript, dir / "ws.xlsx"),
            "sheet Sheet1\n"
            "A1 str ' lead'\nB1 str 'trail '\nC1 str 'two  spaces'\nD1 str 'line\\nbreak'\nE1 str 'tab\\there'\n"
            "F1 str 'a b'\nG1 int 123456789012345\nH1 int -987654321\nI1 int 0\nJ1 str '-0'\n"
            "K1 str '1234567890123456'\nL1 str '0012'\n");
  auto again = CreateOleObject("excel.application");
  TVarArray back = again->WorkBooks().Open(dir / "ws.xlsx").ActiveSheet().Range("A1:L1").Value();
  for (int c = 1; c <= v.Cols(); ++c) EXPECT_EQ(back(1, c), v(1, c)) << c;
}

// After a save the workbook goes on with the same sheets, whose cells read as the file now
// holds them, and a block written into cells read from a file replaces, empties and adds cells
// in their order.
TEST(Workbook, SavedSheetsStayAndReadAsTheFileHoldsThem) {
  TScratchDir dir;
  auto app = CreateOleObject("excel.application");
  TWorkbook& book = app->WorkBooks().Add();
  TWorksheet& first = book.ActiveSheet();
  TWorksheet& second = book.Sheets().Add();
  second.SetName("Second");
  TVarArray v(3, 3);
  for (int r = 1; r <= 3; ++r)
    for (int c = 1; c <= 3; ++c) v(r, c) = std::to_string(r * 10 + c);
  v(1, 1) = "cr\r\nlf\rend";
  v(1, 2) = "bad \xFF byte";
  first.Range("B2:D4").SetValue(v);
  book.SaveAs(dir / "s.xlsx");
  // The references taken before the save are still the workbook's sheets.
  EXPECT_EQ(&book.Sheets().Item(1), &first);
  EXPECT_EQ(&book.Sheets().Item("second"), &second);
  EXPECT_EQ(second.Name(), "Second");
  auto reader = CreateOleObject("excel.application");
  TWorksheet& reopened = reader->WorkBooks().Open(dir / "s.xlsx").Sheets().Item(1);
  TVarArray mine = first.UsedRange().Value(), theirs = reopened.UsedRange().Value();
  EXPECT_EQ(first.UsedRange().Address(), "$B$2:$D$4");
  EXPECT_EQ(mine(1, 1), "cr\nlf\nend");
  EXPECT_EQ(mine(1, 2), "bad \xEF\xBF\xBD byte");
  for (int r = 1; r <= 3; ++r)
    for (int c = 1; c <= 3; ++c) EXPECT_EQ(mine(r, c), theirs(r, c)) << r << "," << c;

  // Into the cells read from the file, the block A2:E3: its empty items empty B2, C2, D2 and D3,
  // C3 is replaced, A3 and E3 are added around an unchanged B3; row 4 stays.
  TVarArray block(2, 5);
  block(2, 1) = "a3";
  block(2, 2) = "21";
  block(2, 3) = "c3";
  block(2, 5) = "e3";
  reopened.Range("A2:E3").SetValue(block);
  TVarArray after = reopened.Range("A2:E4").Value();
  const char* expected[3][5] = {{"", "", "", "", ""}, {"a3", "21", "c3", "", "e3"}, {"", "31", "32", "33", ""}};
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 5; ++c) EXPECT_EQ(after(r + 1, c + 1), expected[r][c]) << r << "," << c;
  // A block narrower than the rows' cells skips those left and right of it.
  TVarArray inner = reopened.Range("B3:C4").Value();
  EXPECT_EQ(inner(1, 1) + "|" + inner(1, 2) + "|" + inner(2, 1) + "|" + inner(2, 2), "21|c3|31|32");
  TWorkbook& changed = reader->WorkBooks().Item(1);
  changed.Save();
  EXPECT_EQ(Python(dir, kDumpScript, dir / "s.xlsx"),
            "sheet Sheet1\nA3 str 'a3'\nB3 int 21\nC3 str 'c3'\nE3 str 'e3'\n"
            "B4 int 31\nC4 int 32\nD4 int 33\nsheet Second\n");
}

// A sheet of megabytes is read in pieces: texts with multi-byte characters come back
// whole wherever a piece ends, and cells kept as read are written back right after another cell
// changed.
TEST(Workbook, ALargeSheetReadsWholeAndKeepsItsCellsOnSave) {
  TScratchDir dir;
  const int rows = 4000, cols = 10;
  TVarArray v(rows, cols);
  for (int r = 1; r <= rows; ++r)
    for (int c = 1; c <= cols; ++c)
      v(r, c) = c % 3 == 0 ? std::to_string(r * 100 + c) : "Zeile \xC3\xA4\xE2\x82\xAC " + std::to_string(r) + "-" + std::to_string(c);
  {
    auto app = CreateOleObject("excel.application");
    TWorkbook& book = app->WorkBooks().Add();
    book.ActiveSheet().Range("A1:J4000").SetValue(v);
    book.SaveAs(dir / "large.xlsx");
  }
  for (const TZipPart& p : ReadZipParts(dir / "large.xlsx"))
    if (p.Name == "xl/worksheets/sheet1.xml") {
      ASSERT_GT(p.Bytes.size(), 2u << 20);  // more than one piece of the parser's
    }
  auto app = CreateOleObject("excel.application");
  TWorkbook& book = app->WorkBooks().Open(dir / "large.xlsx");
  TWorksheet& sheet = book.ActiveSheet();
  EXPECT_EQ(sheet.UsedRange().Address(), "$A$1:$J$4000");
  TVarArray back = sheet.UsedRange().Value();
  int differ = 0;
  for (int r = 1; r <= rows; ++r)
    for (int c = 1; c <= cols; ++c) differ += back(r, c) != v(r, c);
  EXPECT_EQ(differ, 0);
  TVarArray one(1, 1);
  one(1, 1) = "changed";
  sheet.Range("E2000").SetValue(one);
  book.Save();
  v(2000, 5) = "changed";
  auto again = CreateOleObject("excel.application");
  back = again->WorkBooks().Open(dir / "large.xlsx").ActiveSheet().UsedRange().Value();
  for (int r = 1; r <= rows; ++r)
    for (int c = 1; c <= cols; ++c) differ += back(r, c) != v(r, c);
  EXPECT_EQ(differ, 0);
  EXPECT_EQ(Python(dir, R"(import sys, openpyxl
ws = openpyxl.load_workbook(open(sys.argv[1], 'rb')).active
print(ws.max_row, ws.max_column, ws['E2000'].value, ws['J4000'].value, ws['C3999'].value, ws['A4000'].value)
)", dir / "large.xlsx"),
            "4000 10 changed Zeile \xC3\xA4\xE2\x82\xAC 4000-10 399903 Zeile \xC3\xA4\xE2\x82\xAC 4000-1\n");
}

// Numbers and dates given as such are numbers of the outside reader, shown as the texts were:
// with their decimals and grouping, dates in the short date format. In a new workbook, in one
// of the outside writer's with number formats of its own, and in one without any styles.
TEST(Workbook, TypedItemsAreNumbersAndDatesOfTheOutsideReader) {
  TFormatSettingsScope scope(UsSettings());
  TScratchDir dir;
  TVarArray v(1, 6);
  v(1, 1) = "1,234.50";
  v.SetNumber(1, 1, 1234.5, 2, true);
  v(1, 2) = "12.125";
  v.SetNumber(1, 2, 12.125, 3, false);
  v(1, 3) = "3/15/2024";
  v.SetDate(1, 3, EncodeDate(2024, 3, 15));
  v(1, 4) = "3/16/2024 14:30:00";
  v.SetDate(1, 4, EncodeDate(2024, 3, 16) + EncodeTime(14, 30, 0, 0));
  v(1, 5) = "2/28/1900";  // before the 1900 system's day that never was
  v.SetDate(1, 5, EncodeDate(1900, 2, 28));
  v(1, 6) = "12.50";  // a text stays a text
  const std::string expected =
      "A1 float 1234.5 #,##0.00\nB1 float 12.125 0.000\nC1 datetime datetime.datetime(2024, 3, 15, 0, 0) m\\/d\\/yyyy\n"
      "D1 datetime datetime.datetime(2024, 3, 16, 14, 30) m\\/d\\/yyyy hh\\:mm\\:ss\n"
      "E1 datetime datetime.datetime(1900, 2, 28, 0, 0) m\\/d\\/yyyy\nF1 str '12.50' General\n";
  auto check = [&](const std::string& file) {
    auto app = CreateOleObject("excel.application");
    const bool existing = std::filesystem::exists(file);
    TWorkbook& book = existing ? app->WorkBooks().Open(file) : app->WorkBooks().Add();
    book.ActiveSheet().Range("A1:F1").SetValue(v);
    if (existing) book.Save();
    else book.SaveAs(file);
    // What the workbook reads of the cells now is what it reads from the file.
    auto reader = CreateOleObject("excel.application");
    TVarArray mine = book.ActiveSheet().Range("A1:F1").Value();
    TVarArray theirs = reader->WorkBooks().Open(file).ActiveSheet().Range("A1:F1").Value();
    EXPECT_EQ(mine(1, 1) + "|" + mine(1, 3) + "|" + mine(1, 4) + "|" + mine(1, 5), "1234.5|3/15/2024|3/16/2024 14:30:00|2/28/1900");
    for (int c = 1; c <= 6; ++c) EXPECT_EQ(mine(1, c), theirs(1, c)) << c;
    return Python(dir, kTypedDumpScript, file);
  };
  EXPECT_EQ(check(dir / "new.xlsx"), expected);
  ASSERT_EQ(Python(dir, R"(import sys, openpyxl
wb = openpyxl.Workbook()
ws = wb.active
ws['A2'] = 7.25; ws['A2'].number_format = '0.0000'
ws['B2'] = 'kept'
wb.save(sys.argv[1])
print('ok')
)", dir / "theirs.xlsx"), "ok\n");
  EXPECT_EQ(check(dir / "theirs.xlsx"), expected + "A2 float 7.25 0.0000\nB2 str 'kept' General\n");
  // The outside writer's file without its styles part.
  ASSERT_EQ(Python(dir, R"(import sys, zipfile, re
src = zipfile.ZipFile(sys.argv[1])
out = zipfile.ZipFile(sys.argv[1].replace('theirs', 'bare'), 'w')
for i in src.infolist():
    data = src.read(i.filename)
    if i.filename == 'xl/styles.xml': continue
    if i.filename in ('xl/_rels/workbook.xml.rels', '[Content_Types].xml'):
        data = re.sub(rb'<(Relationship|Override)[^>]*styles[^>]*/>', b'', data)
    if i.filename.startswith('xl/worksheets/'):
        data = re.sub(rb' s="\d+"', b'', data)
    out.writestr(i, data)
out.close()
print('ok')
)", dir / "theirs.xlsx"), "ok\n");
  EXPECT_EQ(check(dir / "bare.xlsx"), expected + "A2 float 7.25 General\nB2 str 'kept' General\n");
}

// Numbers under date formats read as dates in the short date format (times in the long time
// format), in both date systems; other numbers stay numbers.
TEST(Workbook, DatesOfTheOutsideWriterReadAsDates) {
  TFormatSettingsScope scope(UsSettings());
  TScratchDir dir;
  for (const char* epoch : {"", "wb.epoch = CALENDAR_MAC_1904\n"}) {
    ASSERT_EQ(Python(dir, std::string(R"(import sys, datetime, openpyxl
from openpyxl.utils.datetime import CALENDAR_MAC_1904
wb = openpyxl.Workbook()
)") + epoch + R"(ws = wb.active
ws['A1'] = datetime.date(2024, 3, 15)
ws['B1'] = datetime.datetime(2001, 12, 31, 8, 5, 9)
ws['C1'] = datetime.time(17, 45)
ws['D1'] = 45366; ws['D1'].number_format = 'dd.mm.yyyy'
ws['E1'] = 45366; ws['E1'].number_format = '"day" 0'
ws['F1'] = 3.5; ws['F1'].number_format = '[Red]0.00'
wb.save(sys.argv[1])
print('ok')
)", dir / "dates.xlsx"), "ok\n") << epoch;
    auto app = CreateOleObject("excel.application");
    TVarArray v = app->WorkBooks().Open(dir / "dates.xlsx").ActiveSheet().Range("A1:F1").Value();
    const bool mac = *epoch != 0;
    EXPECT_EQ(v(1, 1), "3/15/2024") << epoch;
    EXPECT_EQ(v(1, 2), "12/31/2001 08:05:09") << epoch;
    EXPECT_EQ(v(1, 3), "17:45:00");
    EXPECT_EQ(v(1, 4), mac ? "3/16/2028" : "3/15/2024");
    EXPECT_EQ(v(1, 5), "45366");
    EXPECT_EQ(v(1, 6), "3.5");
  }
}

TEST(Workbook, DateFormatsAndCodes) {
  EXPECT_TRUE(IsDateFormat(14, ""));
  EXPECT_TRUE(IsDateFormat(22, ""));
  EXPECT_FALSE(IsDateFormat(2, ""));
  EXPECT_FALSE(IsDateFormat(49, ""));
  EXPECT_TRUE(IsDateFormat(164, "yyyy-mm-dd"));
  EXPECT_TRUE(IsDateFormat(164, "[h]:mm"));
  EXPECT_TRUE(IsDateFormat(164, "[$-409]d-mmm"));
  EXPECT_FALSE(IsDateFormat(164, "[Red]#,##0.00"));
  EXPECT_FALSE(IsDateFormat(164, "\"days\" 0"));
  EXPECT_FALSE(IsDateFormat(164, "0\\m"));
  EXPECT_FALSE(IsDateFormat(164, "General"));
  TFormatSettings s = UsSettings();
  s.DateSeparator = '.';
  TFormatSettingsScope scope(s);
  EXPECT_EQ(DateFormatCode("dd/mm/yyyy"), "dd\\.mm\\.yyyy");
  EXPECT_EQ(DateFormatCode("h:nn:ss AMPM"), "h\\:mm\\:ss AM/PM");
  EXPECT_EQ(DateFormatCode("d 'of' mmmm"), "d \"of\" mmmm");
  double serial = 0;
  ASSERT_TRUE(DateSerial(EncodeDate(1900, 3, 1), false, serial));
  EXPECT_EQ(serial, 61);
  ASSERT_TRUE(DateSerial(EncodeDate(1900, 1, 1), false, serial));
  EXPECT_EQ(serial, 1);
  EXPECT_FALSE(DateSerial(EncodeDate(1899, 12, 31), false, serial));
  EXPECT_FALSE(DateSerial(EncodeDate(1903, 12, 31), true, serial));
}

// A binary workbook whose strings make the reading library run past its buffers is refused
// plainly, and this process lives on: the reading runs in a process of its own.
TEST(Workbook, ADamagedBinaryWorkbookIsRefusedWithoutHarm) {
  const std::string damaged = std::string(QN_SOURCE_DIR) + "/tests/platform/sys/workbook/damaged_strings.xls";
  ASSERT_TRUE(IsBinaryWorkbookFile(damaged));
  auto app = CreateOleObject("excel.application");
  try {
    app->WorkBooks().Open(damaged);
    ADD_FAILURE() << "a damaged workbook opened";
  } catch (const EOleException& e) {
    EXPECT_NE(e.Message().find("damaged_strings.xls cannot be read"), std::string::npos) << e.Message();
  }
  TScratchDir dir;
  EXPECT_THROW(app->WorkBooks().Open(dir / "missing.xls"), EOleException);
}

// An older binary workbook, as python3-xlwt writes one, reads through the workbook application:
// its sheets, texts, numbers and dates; it saves only as a new .xlsx file.
TEST(Workbook, OlderBinaryWorkbooksRead) {
  ASSERT_EQ(Python(TScratchDir(), "import xlwt\nprint('ok')\n", ""), "ok\n")
      << "the workbook writer xlwt is missing: scripts/setup installs the package python3-xlwt";
  TFormatSettingsScope scope(UsSettings());
  TScratchDir dir;
  ASSERT_EQ(Python(dir, R"(import sys, datetime, xlwt
wb = xlwt.Workbook(encoding='utf-8')
ws = wb.add_sheet('Items')
ws.write(0, 0, 'Name'); ws.write(0, 1, 'Price'); ws.write(0, 2, 'Bought')
ws.write(1, 0, 'Lamp ä€'); ws.write(1, 1, 12.5)
ws.write(1, 2, datetime.date(2024, 3, 15), xlwt.easyxf(num_format_str='dd/mm/yyyy'))
ws.write(2, 0, 'Desk'); ws.write(2, 1, 1234)
ws.write(2, 2, datetime.datetime(2024, 3, 16, 14, 30), xlwt.easyxf(num_format_str='yyyy-mm-dd hh:mm'))
wb.add_sheet('Other').write(3, 4, 'far')
wb.save(sys.argv[1])
print('ok')
)", dir / "old.xls"), "ok\n");
  EXPECT_TRUE(IsBinaryWorkbookFile(dir / "old.xls"));
  EXPECT_FALSE(IsZipFile(dir / "old.xls"));
  auto app = CreateOleObject("excel.application");
  TWorkbook& book = app->WorkBooks().Open(dir / "old.xls");
  EXPECT_TRUE(book.Binary());
  ASSERT_EQ(book.Sheets().Count(), 2);
  EXPECT_EQ(book.ActiveSheet().Name(), "Items");
  EXPECT_EQ(book.Sheets().Item(2).UsedRange().Address(), "$E$4");
  TRange used = book.ActiveSheet().UsedRange();
  EXPECT_EQ(used.Address(), "$A$1:$C$3");
  TVarArray v = used.Value();
  EXPECT_EQ(v(2, 1), "Lamp \u00e4\u20ac");
  EXPECT_EQ(v(2, 2), "12.5");
  EXPECT_EQ(v(2, 3), "3/15/2024");
  EXPECT_EQ(v(3, 2), "1234");
  EXPECT_EQ(v(3, 3), "3/16/2024 14:30:00");
  EXPECT_THROW(book.Save(), EOleException);
  book.SaveAs(dir / "new.xlsx");
  EXPECT_EQ(Python(dir, kTypedDumpScript, dir / "new.xlsx"),
            "A1 str 'Name' General\nB1 str 'Price' General\nC1 str 'Bought' General\n"
            "A2 str 'Lamp \u00e4\u20ac' General\nB2 float 12.5 General\n"
            "C2 datetime datetime.datetime(2024, 3, 15, 0, 0) m\\/d\\/yyyy\n"
            "A3 str 'Desk' General\nB3 int 1234 General\n"
            "C3 datetime datetime.datetime(2024, 3, 16, 14, 30) m\\/d\\/yyyy hh\\:mm\\:ss\n"
            "E4 str 'far' General\n");
  // A file with the signature and nothing readable after it is refused plainly.
  dir.Write("broken.xls", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(600, 'x'));
  EXPECT_THROW(app->WorkBooks().Open(dir / "broken.xls"), EOleException);
}

TEST(WorkbookXml, EscapesForTextAndCells) {
  EXPECT_EQ(XmlEscape("a&<>\"_x0041_"), "a&amp;&lt;&gt;&quot;_x0041_");
  EXPECT_EQ(XmlEscape("_x0041_\x02", true), "_x005F_x0041__x0002_");
  EXPECT_EQ(XmlUnescapeCellText("_x005F_x0041__x0002_"), "_x0041_\x02");
  EXPECT_EQ(XmlEscape("\xFF" "a\x02"), "\xEF\xBF\xBD" "a\xEF\xBF\xBD");
}

}  // namespace
