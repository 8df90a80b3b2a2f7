// Older binary workbooks (.xls, the compound file format) read through FreeXL: the name and the
// cells of each worksheet. Reading only: this system writes workbooks as .xlsx.
#pragma once

#include <string>

#include "platform/sys/workbook/workbook.h"

// A cell of a binary worksheet: its place (1-based), its text as a range value gives it (numbers
// in the format settings' float text, dates in the short date format) and its type.
struct TBinaryCell {
  int Row = 0, Col = 0;
  std::string Text;
  TVarType Type = TVarType::Text;
  double Value = 0;  // the number, or the date-time
};

class TBinaryWorkbookReader {
public:
  virtual ~TBinaryWorkbookReader() = default;
  // A worksheet begins; its cells follow row by row.
  virtual void Sheet(const std::string& name) = 0;
  virtual void Cell(const TBinaryCell& cell) = 0;
};

// True when the file starts with the compound file signature, whatever its name.
bool IsBinaryWorkbookFile(const std::string& fileName);
// Reads every worksheet of the file into `reader`. A file that is missing, damaged, protected by
// a password or holds no worksheet raises EOleException.
void ReadBinaryWorkbook(const std::string& fileName, TBinaryWorkbookReader& reader);
