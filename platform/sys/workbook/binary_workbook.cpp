#include "platform/sys/workbook/binary_workbook.h"

#include <freexl.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/rtl/date_time.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/sysutils.h"

namespace {

// Closes the FreeXL handle on every path.
class TXlsHandle {
public:
  ~TXlsHandle() {
    if (FHandle) freexl_close(FHandle);
  }
  const void* FHandle = nullptr;
};

[[noreturn]] void Unreadable(const std::string& fileName, int code) {
  std::string why;
  switch (code) {
    case FREEXL_FILE_NOT_FOUND: throw EOleException("Cannot open the workbook file " + fileName);
    case FREEXL_INSUFFICIENT_MEMORY: why = "it is too large"; break;
    case FREEXL_BIFF_WORKBOOK_NOT_FOUND: why = "it holds no workbook"; break;
    default: why = "it is damaged (" + std::to_string(code) + ")"; break;
  }
  throw EOleException("The workbook file " + fileName + " cannot be read: " + why);
}

// "YYYY-MM-DD", "YYYY-MM-DD HH:MM:SS" or "HH:MM:SS" as FreeXL gives dates and times.
bool ReadStamp(const char* text, unsigned char type, double& value) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  TDateTime date = 0, time = 0;
  bool ok = false;
  if (type == FREEXL_CELL_DATE)
    ok = std::sscanf(text, "%d-%d-%d", &y, &mo, &d) == 3 && TryEncodeDate(y, mo, d, date);
  else if (type == FREEXL_CELL_DATETIME)
    ok = std::sscanf(text, "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s) == 6 && TryEncodeDate(y, mo, d, date) &&
         TryEncodeTime(h, mi, s, 0, time);
  else
    ok = std::sscanf(text, "%d:%d:%d", &h, &mi, &s) == 3 && TryEncodeTime(h, mi, s, 0, time);
  if (ok) value = ComposeDateTime(date, time);
  return ok;
}

}  // namespace

bool IsBinaryWorkbookFile(const std::string& fileName) {
  static const unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(fileName.c_str(), "rb"), &std::fclose);
  unsigned char head[8] = {};
  return f && std::fread(head, 1, 8, f.get()) == 8 && std::memcmp(head, kSignature, 8) == 0;
}

void ReadBinaryWorkbook(const std::string& fileName, TBinaryWorkbookReader& reader) {
  TXlsHandle xls;
  int rc = freexl_open(fileName.c_str(), &xls.FHandle);
  if (rc != FREEXL_OK) Unreadable(fileName, rc);
  unsigned int info = 0;
  if (freexl_get_info(xls.FHandle, FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK && info == FREEXL_BIFF_OBFUSCATED)
    throw EOleException("The workbook file " + fileName + " is protected by a password");
  unsigned int sheets = 0;
  rc = freexl_get_info(xls.FHandle, FREEXL_BIFF_SHEET_COUNT, &sheets);
  if (rc != FREEXL_OK) Unreadable(fileName, rc);
  if (sheets == 0) throw EOleException("The workbook file " + fileName + " holds no worksheet");
  for (unsigned int index = 0; index < sheets && index <= 0xFFFF; ++index) {
    const auto sheet = static_cast<unsigned short>(index);
    const char* name = nullptr;
    rc = freexl_get_worksheet_name(xls.FHandle, sheet, &name);
    if (rc == FREEXL_OK) rc = freexl_select_active_worksheet(xls.FHandle, sheet);
    unsigned int rows = 0;
    unsigned short cols = 0;
    if (rc == FREEXL_OK) rc = freexl_worksheet_dimensions(xls.FHandle, &rows, &cols);
    if (rc != FREEXL_OK) Unreadable(fileName, rc);
    reader.Sheet(name ? name : "Sheet" + std::to_string(index + 1));
    for (unsigned int r = 0; r < rows; ++r)
      for (unsigned short c = 0; c < cols; ++c) {
        FreeXL_CellValue value;
        rc = freexl_get_cell_value(xls.FHandle, r, c, &value);
        if (rc != FREEXL_OK) Unreadable(fileName, rc);
        TBinaryCell cell;
        cell.Row = static_cast<int>(r) + 1;
        cell.Col = c + 1;
        switch (value.type) {
          case FREEXL_CELL_INT:
            cell.Type = TVarType::Number;
            cell.Value = value.value.int_value;
            cell.Text = std::to_string(value.value.int_value);
            break;
          case FREEXL_CELL_DOUBLE:
            cell.Type = TVarType::Number;
            cell.Value = value.value.double_value;
            cell.Text = FloatToStr(cell.Value);
            break;
          case FREEXL_CELL_TEXT:
          case FREEXL_CELL_SST_TEXT:
            cell.Text = value.value.text_value ? value.value.text_value : "";
            break;
          case FREEXL_CELL_DATE:
          case FREEXL_CELL_DATETIME:
          case FREEXL_CELL_TIME:
            if (!value.value.text_value) break;
            if (ReadStamp(value.value.text_value, value.type, cell.Value)) {
              cell.Type = TVarType::Date;
              cell.Text = value.type == FREEXL_CELL_DATE   ? DateToStr(cell.Value)
                          : value.type == FREEXL_CELL_TIME ? TimeToStr(cell.Value)
                                                           : DateTimeToStr(cell.Value);
            } else {
              cell.Text = value.value.text_value;
            }
            break;
          default: break;
        }
        if (!cell.Text.empty()) reader.Cell(cell);
      }
  }
}
