#include "platform/sys/workbook/binary_workbook.h"

#include <freexl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
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

namespace {

void ReadWithFreeXL(const std::string& fileName, TBinaryWorkbookReader& reader) {
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

// ---- The reading in a process of its own --------------------------------------------------
// FreeXL reads past its buffers on some damaged files; it runs in a child process that hands
// the sheets and cells over a pipe, so that a damaged file costs that process, not this one.

// The records on the pipe: 'S' a sheet's name, 'C' a cell, 'E' the message of a refusal; each
// a letter, then the fields (numbers in this machine's byte order).
class TPipeWriter : public TBinaryWorkbookReader {
public:
  explicit TPipeWriter(int fd) : FFd(fd) {}
  ~TPipeWriter() override { Flush(); }
  void Sheet(const std::string& name) override {
    FBuffer += 'S';
    Text(name);
  }
  void Cell(const TBinaryCell& cell) override {
    FBuffer += 'C';
    Put(cell.Row);
    Put(cell.Col);
    Put(static_cast<int>(cell.Type));
    Put(cell.Value);
    Text(cell.Text);
  }
  void Refusal(const std::string& message) {
    FBuffer += 'E';
    Text(message);
  }
  void Flush() {
    std::size_t done = 0;
    while (done < FBuffer.size()) {
      ssize_t n = ::write(FFd, FBuffer.data() + done, FBuffer.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    FBuffer.clear();
  }

private:
  template <class T>
  void Put(T value) {
    FBuffer.append(reinterpret_cast<const char*>(&value), sizeof value);
    if (FBuffer.size() > 65536) Flush();
  }
  void Text(const std::string& text) {
    Put(static_cast<std::uint32_t>(text.size()));
    FBuffer += text;
    if (FBuffer.size() > 65536) Flush();
  }
  int FFd;
  std::string FBuffer;
};

// Reads the records as they come; false when a record is cut short (the child died).
class TPipeReader {
public:
  explicit TPipeReader(TBinaryWorkbookReader& reader) : FReader(reader) {}
  void Take(const char* data, std::size_t size) {
    FPending.append(data, size);
    std::size_t at = 0;
    while (Record(at)) {
    }
    FPending.erase(0, at);
  }
  bool Whole() const { return FPending.empty(); }
  const std::string& Refused() const { return FRefused; }
  bool HasRefusal() const { return FHasRefusal; }

private:
  template <class T>
  bool Get(std::size_t& at, T& value) const {
    if (FPending.size() - at < sizeof value) return false;
    std::memcpy(&value, FPending.data() + at, sizeof value);
    at += sizeof value;
    return true;
  }
  bool GetText(std::size_t& at, std::string& text) const {
    std::uint32_t size = 0;
    if (!Get(at, size) || FPending.size() - at < size) return false;
    text.assign(FPending, at, size);
    at += size;
    return true;
  }
  // Hands one whole record to the reader and moves past it.
  bool Record(std::size_t& start) {
    std::size_t at = start;
    if (at >= FPending.size()) return false;
    const char kind = FPending[at++];
    std::string text;
    if (kind == 'S' || kind == 'E') {
      if (!GetText(at, text)) return false;
      if (kind == 'S') {
        FReader.Sheet(text);
      } else {
        FRefused = text;
        FHasRefusal = true;
      }
    } else if (kind == 'C') {
      TBinaryCell cell;
      int type = 0;
      if (!Get(at, cell.Row) || !Get(at, cell.Col) || !Get(at, type) || !Get(at, cell.Value) || !GetText(at, cell.Text))
        return false;
      cell.Type = static_cast<TVarType>(type);
      FReader.Cell(cell);
    } else {
      throw EOleException("The workbook reader sent an unknown record");
    }
    start = at;
    return true;
  }

  TBinaryWorkbookReader& FReader;
  std::string FPending;
  std::string FRefused;
  bool FHasRefusal = false;
};

// Waits for the child; true when it ended normally.
bool Reap(pid_t child) {
  int status = 0;
  while (::waitpid(child, &status, 0) < 0)
    if (errno != EINTR) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

void ReadBinaryWorkbook(const std::string& fileName, TBinaryWorkbookReader& reader) {
  // The file's absence is told plainly, as the reader in the child would.
  if (::access(fileName.c_str(), R_OK) != 0) Unreadable(fileName, FREEXL_FILE_NOT_FOUND);
  int fds[2];
  if (::pipe(fds) != 0) throw EOleException("The workbook file " + fileName + " cannot be read: no pipe");
  const pid_t child = ::fork();
  if (child < 0) {
    ::close(fds[0]);
    ::close(fds[1]);
    throw EOleException("The workbook file " + fileName + " cannot be read: no process");
  }
  if (child == 0) {
    ::close(fds[0]);
    int code = 0;
    {
      TPipeWriter out(fds[1]);
      try {
        ReadWithFreeXL(fileName, out);
      } catch (const Exception& e) {
        out.Refusal(e.Message());
      } catch (...) {
        code = 1;
      }
    }
    ::_exit(code);
  }
  ::close(fds[1]);
  TPipeReader in(reader);
  // A reader that stops handing anything over for a minute is taken as hung.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  bool hung = false;
  char buffer[65536];
  try {
    for (;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
      if (left <= 0) {
        hung = true;
        break;
      }
      pollfd p{fds[0], POLLIN, 0};
      const int ready = ::poll(&p, 1, static_cast<int>(left));
      if (ready < 0 && errno == EINTR) continue;
      if (ready <= 0) continue;
      const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      in.Take(buffer, static_cast<std::size_t>(n));
    }
  } catch (...) {
    ::close(fds[0]);
    ::kill(child, SIGKILL);
    Reap(child);
    throw;
  }
  ::close(fds[0]);
  if (hung) ::kill(child, SIGKILL);
  const bool ended = Reap(child);
  if (in.HasRefusal()) throw EOleException(in.Refused());
  if (hung || !ended || !in.Whole())
    throw EOleException("The workbook file " + fileName + " cannot be read: it is damaged");
}
