// Workbook import and export of TQnStringGrid through the workbook application.
#include <cctype>

#include "controls/grid/grid_utils.h"
#include "controls/grid/qn_grid.h"
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
  TWorkbook& book = app->WorkBooks().Open(FileName);
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
    for (int r = 0; r < rows; ++r)
      for (int c = 0; c < cols; ++c) {
        const int gc = firstCol + c;
        value(r + 1, c + 1) = RemoveCR(Cells(StoreHiddenCells ? gc : RealColIndex(gc), firstRow + r));
      }
    sheet->Range("A1:" + RangeColumnLetters(cols) + std::to_string(rows)).SetValue(value);
  }
  if (existing)
    book.Save();
  else
    book.SaveAs(FileName);
}
