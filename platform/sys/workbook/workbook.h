// Our workbook application in place of the automation server "excel.application": workbooks
// of .xlsx files with their sheets, used ranges and range values, late-bound members as plain
// C++ members. Every failure raises an EOle... exception, as the automation server's would.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/sys/workbook/sheet_cells.h"
#include "platform/sys/workbook/zip_parts.h"

class TWorkbook;
class TWorksheet;

// What an item of a range value holds for a range assignment besides its text: nothing (a
// text, which a plain number's text is written as the number of), a number shown with a number
// of decimals and perhaps grouped thousands, a date-time shown in the short date format (with
// the long time format when it has a time), or a text that stays a text (a code of digits).
enum class TVarType : unsigned char { Text, Number, Date, KeptText };
struct TVarTyped {
  TVarType Type = TVarType::Text;
  double Value = 0;
  int Decimals = 0;
  bool Grouped = false;
};

// A range value: a two-dimensional array of texts with bounds 1..Rows and 1..Cols, as the
// variant array of a range value.
class TVarArray {
public:
  TVarArray() = default;
  TVarArray(int rows, int cols);
  int Rows() const { return FRows; }
  int Cols() const { return FCols; }
  // VarArrayLowBound/VarArrayHighBound of dimension 1 (rows) or 2 (columns).
  int LowBound(int) const { return 1; }
  int HighBound(int dim) const { return dim == 1 ? FRows : FCols; }
  std::string& operator()(int row, int col);
  const std::string& operator()(int row, int col) const;
  // The items row by row, Cols() to a row.
  std::string* Data() { return FItems.data(); }
  const std::string* Data() const { return FItems.data(); }
  // Makes the item a number or a date-time (its text stays what the value shows).
  void SetNumber(int row, int col, double value, int decimals, bool grouped);
  void SetDate(int row, int col, double dateTime);
  // Keeps the item a text in the sheet, digits and leading zeros as they are.
  void KeepText(int row, int col);
  // The typed items row by row; null when every item is a text.
  const TVarTyped* Typed() const { return FTyped.empty() ? nullptr : FTyped.data(); }

private:
  TVarTyped& TypedItem(int row, int col);
  int FRows = 0;
  int FCols = 0;
  std::vector<std::string> FItems;
  std::vector<TVarTyped> FTyped;
};

// A rectangle of one sheet.
class TRange {
public:
  TRange(TWorksheet& sheet, int top, int left, int bottom, int right);
  // "$B$2:$C$4"; a single cell "$B$2".
  std::string Address() const;
  TVarArray Value() const;
  // Writes the array from the range's top left corner, as far as both reach; an empty text
  // empties its cell.
  void SetValue(const TVarArray& value);
  int Row() const { return FTop; }
  int Column() const { return FLeft; }
  int RowsCount() const { return FBottom - FTop + 1; }
  int ColumnsCount() const { return FRight - FLeft + 1; }

private:
  TWorksheet& FSheet;
  int FTop, FLeft, FBottom, FRight;
};

class TWorksheet {
public:
  const std::string& Name() const { return FName; }
  // Names are 1-31 characters without : \ / ? * [ ], unique in the workbook (ignoring case).
  void SetName(const std::string& name);
  // The cells holding text ("$A$1" for an empty sheet).
  TRange UsedRange();
  // "A1:AD5", "$B$2:$C$4" or "B2".
  TRange Range(const std::string& address);
  void Activate();
  TWorkbook& Parent() const { return FBook; }
  TSheetCells& Cells() { return FCells; }

private:
  friend class TWorkbook;
  TWorksheet(TWorkbook& book, std::string name) : FBook(book), FName(std::move(name)) {}
  TWorkbook& FBook;
  std::string FName;
  TSheetCells FCells;
  std::string FPart;  // "xl/worksheets/sheet1.xml"
  bool FRenamed = false;
  bool FAdded = false;
};

// The workbook's worksheets, numbered from 1 (Sheets and WorkSheets are the same list here:
// chart sheets are kept in the file but not listed).
class TSheets {
public:
  explicit TSheets(TWorkbook& book) : FBook(book) {}
  int Count() const;
  TWorksheet& Item(int index);
  TWorksheet& Item(const std::string& name);
  // A new empty sheet "SheetN" at the end, made the active sheet.
  TWorksheet& Add();

private:
  TWorkbook& FBook;
};

class TWorkbook {
public:
  ~TWorkbook();
  TSheets& Sheets() { return FSheetList; }
  TSheets& WorkSheets() { return FSheetList; }
  TWorksheet& ActiveSheet();
  // The file's path; empty for a workbook never saved.
  const std::string& FullName() const { return FFileName; }
  // Saves to the workbook's file. A new workbook has none: that raises EOleException.
  void Save();
  // Writes the workbook to `fileName`, which it then belongs to.
  void SaveAs(const std::string& fileName);
  // Closes the workbook (saving it first when asked); it leaves the application's list, and
  // every later call on it raises EOleException.
  void Close(bool SaveChanges = false);
  bool Closed() const { return FClosed; }
  // Read from an older binary workbook (.xls): it can be saved only with SaveAs, as a new file.
  bool Binary() const { return FBinary; }
  // The date system counts from 1904.
  bool Date1904() const { return FCellStyles.Date1904; }
  // The index of a cell style showing numbers in the number format `code`, added to the
  // workbook's styles when it has none of its own yet.
  std::string NumberStyle(const std::string& code);

private:
  friend class TWorkbooks;
  friend class TSheets;
  friend class TWorksheet;
  friend class TRange;
  struct TSheetEntry;
  TWorkbook();
  // Reads the parts. The cell tables of `saved` (the sheets just written into these parts)
  // are taken over instead of being read again.
  void Load(TZipParts parts, std::vector<std::unique_ptr<TWorksheet>> saved = {});
  void CheckOpen() const;
  TZipPart* FindPart(const std::string& name);
  std::string BuildWorkbookPart() const;
  std::string BuildRelationships() const;
  std::string BuildContentTypes() const;
  TWorksheet& AddSheet();
  void Write(const std::string& fileName);
  void LoadStyles(const std::string& folder);
  // Writes the cell styles added since the workbook was read into its styles part.
  void StoreNewStyles();
  void LoadBinary(const std::string& fileName);

  TSheets FSheetList;
  std::vector<std::unique_ptr<TWorksheet>> FSheets;
  std::vector<TSheetEntry> FEntries;  // the <sheet> elements, worksheets or not, in order
  TZipParts FParts;
  std::string FFileName;
  std::string FWorkbookPart;  // "xl/workbook.xml"
  std::string FRelsPart;      // "xl/_rels/workbook.xml.rels"
  std::size_t FSheetsBegin = 0, FSheetsEnd = 0;  // the <sheets> element in the workbook part
  std::string FSheetsTag;                       // its name as written ("sheets", "x:sheets")
  std::string FRelPrefix;                       // prefix bound to the relationships namespace
  struct TRelationship {
    std::string Id, Type, Target, TargetMode;
  };
  std::vector<TRelationship> FRels;
  struct TContentType {
    bool Default;
    std::string Key, Type;  // extension or part name
  };
  std::vector<TContentType> FContentTypes;
  int FActive = 0;  // index into FSheets
  bool FStructureChanged = false;
  bool FClosed = false;
  bool FBinary = false;
  // The cell styles: which show dates, and those added since the workbook was read.
  std::string FStylesPart;
  TCellStyles FCellStyles;
  std::vector<std::pair<int, std::string>> FNumberFormats;  // custom formats: id, code
  struct TNewStyle {
    int NumFmtId;
    std::string Code;  // empty for a built-in format
  };
  std::vector<TNewStyle> FNewStyles;
};

class TWorkbooks {
public:
  int Count() const;
  TWorkbook& Item(int index);
  // Reads a workbook file, recognised by its signature whatever its extension: a zip package
  // (.xlsx) or an older binary workbook (.xls). Its date cells read as dates in `dateFormat`
  // (as DateCellText writes them), in the short date format when that is empty.
  TWorkbook& Open(const std::string& fileName, const std::string& dateFormat = {});
  // A new workbook of one empty sheet "Sheet1".
  TWorkbook& Add();
  void CloseAll();

private:
  std::vector<std::unique_ptr<TWorkbook>> FBooks;
};

class TWorkbookApplication {
public:
  TWorkbooks& WorkBooks() { return FBooks; }
  // The active sheet of the last workbook opened or added.
  TWorksheet& ActiveSheet();
  // Closes every workbook without saving.
  void Quit() { FBooks.CloseAll(); }

private:
  TWorkbooks FBooks;
};

// A short date format (and long time format) of the format settings as a number format code.
std::string DateFormatCode(const std::string& dateFormat);

// The automation objects this system can create: "excel.application" (any case) gives our
// workbook application; any other class name raises EOleSysError "Invalid class string".
std::unique_ptr<TWorkbookApplication> CreateOleObject(const std::string& className);
