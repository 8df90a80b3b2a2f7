// The cells of one worksheet part: read from its XML, changed by range assignments, and written
// back around the parts of the sheet we do not model (views, columns, margins, merged cells).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

inline constexpr int kMaxSheetRows = 1048576;
inline constexpr int kMaxSheetColumns = 16384;
// Ceiling of the cells one sheet may hold, and of one range value.
inline constexpr long long kMaxSheetCells = 4000000;

// A cell's text as the range value gives it. A cell read from the part and not changed since
// keeps the place of its XML there, so it is written back as it was (its formula and style
// too); a changed cell has none and is written from its text.
struct TSheetCell {
  std::string Text;
  std::string Style;  // the "s" attribute, kept when the value changes
  std::string Number;  // a number set by a range assignment, as the part writes it ("." point)
  std::uint32_t RawAt = 0, RawLength = 0;  // in the cell table as read
  bool Numeric = false;  // the cell holds a number (read or set)
  bool Date = false;     // ... shown as a date or time by its style
  bool KeptText = false;  // set as a text that stays one, though it reads as a number
  bool HasRaw() const { return RawLength != 0; }
};

// A typed item of a range assignment: a number (or date serial) and the style that shows it.
// An empty value leaves the item a text; Text keeps it a text even when it reads as a number.
struct TCellNumber {
  std::string Value;  // as the part writes it
  std::string Style;  // the cell style's index
  bool Date = false;
  bool Text = false;
};

// What the cells of a part need of the workbook's styles: which cell styles show a date or
// time, and the date system; and the reader's choice of the form a date cell's text takes.
struct TCellStyles {
  std::vector<bool> DateStyles;  // by cell style index
  bool Date1904 = false;
  std::string DateFormat;  // see DateCellText
  bool IsDate(const std::string& style) const;
};

// A cell of a row with its column (1-based).
struct TRowCell {
  int Col;
  TSheetCell Cell;
};
// A row's cells by column; the rows of a sheet by their number (1-based). A row holds at least
// one cell.
using TSheetRow = std::vector<TRowCell>;
using TSheetRows = std::map<int, TSheetRow>;

class TSheetCells {
public:
  // Reads a worksheet part; `shared` are the workbook's shared strings. Malformed XML, a bad
  // cell reference or a shared string index out of range raises EOleException.
  // A number under a date style reads as a date text (see DateCellText).
  void Load(const std::string& xml, const std::string& partName, const std::vector<std::string>& shared,
            const TCellStyles& styles = {});
  // The part with the current cells.
  std::string Save() const;

  bool Changed() const { return FChanged; }
  // A cell that held a formula was overwritten or emptied (the calculation chain names it).
  bool FormulaReplaced() const { return FFormulaReplaced; }
  std::size_t Count() const { return FCount; }
  // An empty text removes the cell.
  void Set(int row, int col, const std::string& text);
  // Sets the block of `rows` x `cols` cells from (top, left): row r, column c takes
  // texts[r * stride + c], as Set would, in one ordered pass over the cells. With `numbers`,
  // an item whose numbers[r * stride + c] has a value is written as that number.
  void SetBlock(int top, int left, int rows, int cols, const std::string* texts, std::size_t stride,
                const TCellNumber* numbers = nullptr);
  // Copies the texts of the block into texts[r * stride + c]; cells without text leave theirs.
  void GetBlock(int top, int left, int rows, int cols, std::string* texts, std::size_t stride) const;
  const std::string& Get(int row, int col) const;
  // The workbook wrote the part from these cells: they are unchanged again, and the texts of
  // changed cells become what a reader of the part now finds (line breaks as LF, bytes that are
  // no UTF-8 as U+FFFD), as if the part were read back.
  void Saved();
  // Bounds of the cells with text: false when there is none.
  bool Bounds(int& top, int& left, int& bottom, int& right) const;

private:
  std::string_view Raw(const TSheetCell& cell) const {
    return std::string_view(FSource).substr(cell.RawAt, cell.RawLength);
  }
  TSheetRows FRows;
  std::size_t FCount = 0;  // cells in all rows
  std::string FSource;  // the cell table of the part as read, which raw cells point into
  std::string FPrefix;  // the part up to <sheetData>, without its dimension element
  std::string FSuffix;  // the part after </sheetData>
  std::string FNs;      // the element prefix the part uses ("" or "x:")
  std::size_t FDimensionAt = std::string::npos;  // where the dimension element goes in FPrefix
  bool FChanged = false;
  bool FFormulaReplaced = false;
  bool FDate1904 = false;
  std::string FDateFormat;
};

// The workbook's shared string table.
std::vector<std::string> ReadSharedStrings(const std::string& xml, const std::string& partName);

// "B2" -> row 2, column 2 ("$" signs allowed); false when it is no cell of a sheet.
bool ParseCellName(const std::string& name, int& row, int& col);
// Column letters: 1 -> "A", 27 -> "AA".
std::string ColumnLetters(int col);
// A text that reads back as the same number: no leading zeros, no trailing decimal zeros, no
// exponent; the decimal separator of the format settings. `xmlValue` gets it with ".".
bool IsPlainNumber(const std::string& text, std::string& xmlValue);
// A stored number as the range value gives it (the format settings' float text).
std::string NumberText(const std::string& stored, const std::string& partName);
// A stored number under a date style as the range value gives it: the date, the time (long time
// format), or both, of the serial in the workbook's date system; a serial no date can have reads
// as a number. The date is written in `dateFormat` ("mm/dd/yyyy", "dd/mm/yyyy", "yyyy/mm/dd":
// a "/" is written as it stands, whatever the format settings' date separator), or in the short
// date format when that is empty.
std::string DateCellText(const std::string& stored, bool date1904, const std::string& partName,
                         const std::string& dateFormat = {});
// The serial of a date-time in the workbook's date system; false when it has none.
bool DateSerial(double dateTime, bool date1904, double& serial);
// Whether a number format shows a date or time: the built-in formats of dates and times, and
// codes with day, month, year, hour or second parts outside quotes, escapes and colours.
bool IsDateFormat(int numFmtId, const std::string& code);
