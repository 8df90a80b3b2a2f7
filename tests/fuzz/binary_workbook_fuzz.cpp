// The reader of older binary workbooks (.xls): the bytes as a file, read cell by cell, and opened
// through the workbook application (its sheets' used ranges read, the book saved as .xlsx).  The
// seeds are workbooks as python3-xlwt writes them: several sheets, texts long and short (the
// shared string table and its continuations), numbers, whole numbers, dates, times, formulas,
// and cells far from the first.
#include <pthread.h>
#include <sanitizer/common_interface_defs.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>

#include "fuzz_support.h"
#include "platform/rtl/exceptions.h"
#include "platform/sys/workbook/binary_workbook.h"
#include "platform/sys/workbook/workbook.h"

namespace {

constexpr const char* kSeedScript = R"(import sys, datetime, xlwt
out = sys.argv[1]
wb = xlwt.Workbook(encoding='utf-8')
ws = wb.add_sheet('Items')
ws.write(0, 0, 'Name'); ws.write(0, 1, 'Price'); ws.write(0, 2, 'Bought'); ws.write(0, 3, 'At')
ws.write(1, 0, 'Lamp \u00e4\u20ac'); ws.write(1, 1, 12.5); ws.write(1, 4, 7)
ws.write(1, 2, datetime.date(2024, 3, 15), xlwt.easyxf(num_format_str='dd/mm/yyyy'))
ws.write(1, 3, datetime.time(9, 45, 10), xlwt.easyxf(num_format_str='hh:mm:ss'))
ws.write(2, 0, 'Desk'); ws.write(2, 1, -1234)
ws.write(2, 2, datetime.datetime(2024, 3, 16, 14, 30), xlwt.easyxf(num_format_str='yyyy-mm-dd hh:mm'))
ws.write(3, 1, xlwt.Formula('B2*2'))
ws.write(4, 0, True)
wb.add_sheet('Other').write(40, 20, 'far')
wb.save(out + '0.xls')
wb = xlwt.Workbook(encoding='utf-8')
ws = wb.add_sheet('Long')
for r in range(24):
    ws.write(r, 0, 'row %d ' % r + 'x' * (r * 110))
    ws.write(r, 1, r * 1.25)
wb.save(out + '1.xls')
wb = xlwt.Workbook()
wb.add_sheet('Empty')
wb.save(out + '2.xls')
print('ok')
)";

// The reader runs in a child process, which a damaged file may crash: that is the reader's
// refusal, told by the parent, not a crash of the target, so the child dies without writing a
// crash of its own.
void QuietChild() {
  __sanitizer_set_death_callback(nullptr);
  for (int Signal : {SIGSEGV, SIGBUS, SIGABRT, SIGILL, SIGFPE}) ::signal(Signal, SIG_DFL);
}

// Every cell read, as the workbook application takes them.
class TCells : public TBinaryWorkbookReader {
public:
  void Sheet(const std::string& Name) override { Count += Name.size(); }
  void Cell(const TBinaryCell& C) override {
    if (C.Row < 1 || C.Col < 1 || C.Text.empty()) __builtin_trap();
    Count += C.Text.size();
  }
  std::size_t Count = 0;
};

}  // namespace

std::vector<std::string> FuzzSeeds() {
  const std::string Base = fuzz::PrivateFolder() + "seed";
  const std::string Script = fuzz::PrivateFolder() + "seeds.py";
  WriteWholeFile(Script, kSeedScript);
  std::vector<std::string> Seeds;
  const std::string Command = "/usr/bin/python3 '" + Script + "' '" + Base + "' >/dev/null 2>&1";
  if (std::system(Command.c_str()) == 0) {
    for (int i = 0; i < 3; ++i) {
      const std::string Path = Base + std::to_string(i) + ".xls";
      Seeds.push_back(ReadWholeFile(Path));
      ::unlink(Path.c_str());
    }
  }
  ::unlink(Script.c_str());
  return Seeds;
}

namespace {
void QuietChildren() { ::pthread_atfork(nullptr, nullptr, QuietChild); }
}  // namespace

// Every read forks this process, and a fork costs in proportion to the memory the process has
// touched: the address sanitizer's quarantine of freed blocks (256 MB by default) is most of it.
// A smaller one still catches a use after free of the blocks an input freed.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=16"; }

// FreeXL, built without the sanitizer, hands iconv the name of a compound file's directory
// entry with the length the file gives, unchecked: a damaged entry has it read past the entry
// (which is why it runs in a child process).  The sanitizer's check of that range ends the child
// with a report, which costs the run far more than the read, where the reader itself goes on as
// it does outside the fuzz build; what FreeXL reads is not this system's to check.
extern "C" const char* __asan_default_suppressions() { return "interceptor_via_lib:libfreexl.so\n"; }

QN_FUZZ_SET_UP_THEN_SEEDS(QuietChildren)

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string Path = fuzz::PrivateFolder() + "input.xls";
  const std::string Saved = fuzz::PrivateFolder() + "saved.xlsx";
  WriteWholeFile(Path, fuzz::AsView(Data, Size));
  try {
    TCells Cells;
    ReadBinaryWorkbook(Path, Cells);
  } catch (const Exception&) {
  }
  if (IsBinaryWorkbookFile(Path)) {
    try {
      auto App = CreateOleObject("excel.application");
      TWorkbook& Book = App->WorkBooks().Open(Path);
      for (int i = 1; i <= Book.Sheets().Count(); ++i) {
        TRange Used = Book.Sheets().Item(i).UsedRange();
        Used.Address();
        if (static_cast<long long>(Used.RowsCount()) * Used.ColumnsCount() <= 10000) Used.Value();
      }
      Book.SaveAs(Saved);
      App->Quit();
    } catch (const Exception&) {
    }
  }
  ::unlink(Path.c_str());
  ::unlink(Saved.c_str());
  return 0;
}
