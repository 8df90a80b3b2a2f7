// Workbook import and export of TQnStringGrid through the workbook application.
#include <cctype>
#include <charconv>

#include "controls/grid/grid_sort.h"
#include "controls/grid/grid_utils.h"
#include "controls/grid/qn_grid.h"
#include "platform/rtl/date_time.h"
#include "platform/rtl/format_settings.h"
#include "platform/sys/files.h"
#include "platform/sys/workbook/workbook.h"
#include "platform/ui/screen.h"

namespace {

// The hourglass while a workbook is read or written; the previous cursor comes back.
class THourGlass {
public:
  THourGlass() : FSaved(Screen().Cursor()) { Screen().SetCursor(crHourGlass); }
  ~THourGlass() { Screen().SetCursor(FSaved); }

private:
  TCursor FSaved;
};

std::unique_ptr<TWorkbookApplication> CreateWorkbookApplication() {
  try {
    return CreateOleObject("excel.application");
  } catch (const EOleError&) {
    throw EQnGridError("Excel OLE server not found");
  }
}

// Closes the workbooks and quits the application on every path.
class TApplicationGuard {
public:
  explicit TApplicationGuard(TWorkbookApplication& app) : FApp(app) {}
  ~TApplicationGuard() { FApp.Quit(); }

private:
  TWorkbookApplication& FApp;
};

// A number text as the grid shows it (prefix and suffix taken off, thousands grouped or not,
// the decimal separator of the format settings), read without loss: a leading zero ("007"),
// more digits than a number holds, or any other character leaves it a text.
bool ReadShownNumber(std::string text, const std::string& prefix, const std::string& suffix, double& value,
                     int& decimals, bool& grouped) {
  if (!suffix.empty())
    if (auto p = text.find(suffix); p != std::string::npos) text.erase(p, suffix.size());
  if (!prefix.empty())
    if (auto p = text.find(prefix); p != std::string::npos) text.erase(p, prefix.size());
  if (text.empty() || IsNumericText(text) > 1) return false;
  grouped = text.find(FormatSettings.ThousandSeparator) != std::string::npos;
  const std::string plain = NormalizeNumber(text);
  std::size_t i = plain[0] == '-' ? 1 : 0;
  const std::size_t intStart = i;
  while (i < plain.size() && std::isdigit(static_cast<unsigned char>(plain[i]))) ++i;
  const std::size_t intDigits = i - intStart;
  decimals = 0;
  if (i < plain.size() && plain[i] == '.') {
    ++i;
    while (i < plain.size() && std::isdigit(static_cast<unsigned char>(plain[i]))) ++i, ++decimals;
    if (decimals == 0) return false;
  }
  if (i != plain.size() || intDigits == 0 || (intDigits > 1 && plain[intStart] == '0')) return false;
  const std::size_t significant = plain.find_first_not_of("-0.");
  if (significant == std::string::npos) return plain[0] != '-';  // zero; "-0" stays as shown
  std::size_t digits = 0;
  for (std::size_t k = significant; k < plain.size(); ++k) digits += plain[k] != '.';
  if (digits > 15) return false;
  auto [end, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
  return ec == std::errc() && end == plain.data() + plain.size();
}

// Makes the item a number or a date when the grid takes the cell for one, as its sorting does:
// under the column's style, an automatic style decided by the cell's own text; under the text
// style a text that stays one.
void TypeItem(TVarArray& value, int row, int col, const std::string& text, TSortStyle style,
              const std::string& prefix, const std::string& suffix) {
  // A column the grid is told holds text (codes of digits) stays text.
  if (style == sortText) return value.KeepText(row, col);
  if (style == sortAuto) style = AutoSortStyle(text);
  double number = 0;
  int decimals = 0;
  bool grouped = false;
  TDateTime date = 0;
  switch (style) {
    case sortNumber:
    case sortNumberGrouped:
      if (ReadShownNumber(text, prefix, suffix, number, decimals, grouped))
        value.SetNumber(row, col, number, decimals, grouped);
      break;
    case sortDateTime:
      if (TryStrToDateTime(text, date)) value.SetDate(row, col, date);
      break;
    case sortDateDMY:
    case sortDateMDY:
      date = ReadGridDate(text, style == sortDateDMY);
      if (date != 0) value.SetDate(row, col, date);
      break;
    default: break;
  }
}

}  // namespace

bool ParseRangeCorner(const std::string& Text, int& Col, int& Row) {
  std::string letters, digits;
  for (char c : Text) {
    if (c == '$') continue;
    if (std::isalpha(static_cast<unsigned char>(c)) && digits.empty())
      letters += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    else if (std::isdigit(static_cast<unsigned char>(c)))
      digits += c;
    else
      return false;
  }
  if (letters.empty() || letters.size() > 2 || digits.empty() || digits.size() > 7) return false;
  Col = letters.size() == 1 ? letters[0] - 'A' + 1 : (letters[0] - 'A' + 1) * 26 + (letters[1] - 'A' + 1);
  Row = std::stoi(digits);
  return Row > 0;
}

std::string RangeColumnLetters(int Col) {
  if (Col <= 26) return std::string(1, static_cast<char>('A' + Col - 1));
  return std::string(1, static_cast<char>('A' + (Col - 1) / 26 - 1)) +
         static_cast<char>('A' + (Col - 1) % 26);
}

void TQnStringGrid::LoadFromXLS(const std::string& FileName, const std::string& SheetName) {
  THourGlass hourglass;
  auto app = CreateWorkbookApplication();
  TApplicationGuard guard(*app);
  TWorkbook& book = app->WorkBooks().Open(FileName, WorkbookDateFormat);
  TWorksheet* sheet = nullptr;
  if (!SheetName.empty()) {
    for (int i = 1; i <= book.Sheets().Count() && !sheet; ++i)
      if (book.Sheets().Item(i).Name() == SheetName) sheet = &book.Sheets().Item(i);
    if (!sheet) throw EQnGridError("Excel worksheet " + SheetName + " not found");
  } else {
    sheet = &book.ActiveSheet();
  }
  TRange used = sheet->UsedRange();
  const std::string address = used.Address();
  const std::size_t colon = address.find(':');
  // A single cell stands for a range whose two corners are that cell.
  const std::string a = address.substr(0, colon);
  const std::string b = colon == std::string::npos ? a : address.substr(colon + 1);
  int c1 = 0, r1 = 0, c2 = 0, r2 = 0;
  if (ParseRangeCorner(a, c1, r1) && ParseRangeCorner(b, c2, r2)) {
    SetColCount(c2 - c1 + 1 + TStringGrid::FixedCols());
    SetRowCount(r2 - r1 + 1 + TStringGrid::FixedRows());
  }
  const TVarArray value = used.Value();
  const int fc = TStringGrid::FixedCols(), fr = TStringGrid::FixedRows();
  BeginUpdate();
  for (int r = 1; r <= value.Rows(); ++r)
    for (int c = 1; c <= value.Cols(); ++c) {
      const int gc = c - 1 + fc, gr = r - 1 + fr;
      if (gc < ColCount() && gr < RowCount()) SetCells(RealColIndex(gc), gr, value(r, c));
    }
  EndUpdate();
  book.Close(false);
}

void TQnStringGrid::SaveToXLS(const std::string& FileName, const std::string& SheetName) {
  THourGlass hourglass;
  auto app = CreateWorkbookApplication();
  TApplicationGuard guard(*app);
  const bool existing = FileExists(FileName);
  TWorkbook& book = existing ? app->WorkBooks().Open(FileName) : app->WorkBooks().Add();
  TWorksheet* sheet = nullptr;
  if (SheetName.empty()) {
    sheet = &book.ActiveSheet();
  } else {
    for (int i = 1; i <= book.Sheets().Count() && !sheet; ++i)
      if (book.Sheets().Item(i).Name() == SheetName) sheet = &book.Sheets().Item(i);
    if (!sheet) {
      // A new workbook's one empty sheet takes the name rather than standing beside it empty.
      sheet = existing ? &book.Sheets().Add() : &book.ActiveSheet();
      sheet->SetName(SheetName);
    }
  }
  const int firstRow = StoreFixedCells ? 0 : TStringGrid::FixedRows();
  const int firstCol = StoreFixedCells ? 0 : TStringGrid::FixedCols();
  const int lastCol = ColCount() - 1 + (StoreHiddenCells ? FNumHidden : 0);
  const int rows = RowCount() - firstRow, cols = lastCol - firstCol + 1;
  if (rows > 0 && cols > 0) {
    TVarArray value(rows, cols);
    const int fixedRows = TStringGrid::FixedRows(), fixedCols = TStringGrid::FixedCols();
    for (int c = 0; c < cols; ++c) {
      const int gc = firstCol + c;
      const int real = StoreHiddenCells ? gc : RealColIndex(gc);
      // Each column's style as the sorting asks for it.
      TSortStyle style = sortAuto;
      std::string prefix, suffix;
      if (gc >= fixedCols) GetCellFormat(real, style, prefix, suffix);
      for (int r = 0; r < rows; ++r) {
        std::string& item = value(r + 1, c + 1);
        item = RemoveCR(Cells(real, firstRow + r));
        if (gc >= fixedCols && firstRow + r >= fixedRows && !item.empty())
          TypeItem(value, r + 1, c + 1, item, style, prefix, suffix);
      }
    }
    sheet->Range("A1:" + RangeColumnLetters(cols) + std::to_string(rows)).SetValue(value);
  }
  if (existing)
    book.Save();
  else
    book.SaveAs(FileName);
}
