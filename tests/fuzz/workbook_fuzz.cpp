// The workbook reader: a workbook file opened, its sheets' cells read, a cell changed and the
// file saved and opened again.  The first byte picks the form of the rest: 'f' the whole file,
// 'p' its parts (each a name, a LF and the part's bytes, the parts separated by a byte 0x01),
// which a fresh zip container carries, so the fuzzer works on the parts' XML itself; 's' one
// worksheet part alone (read, changed, written and read back), 't' a shared string table.
#include <unistd.h>

#include "fuzz_support.h"
#include "platform/rtl/exceptions.h"
#include "platform/sys/workbook/workbook.h"

namespace {

constexpr char kPartEnd = '\x01';

std::string WrittenWorkbook() {
  auto App = CreateOleObject("excel.application");
  TWorkbook& Book = App->WorkBooks().Add();
  TWorksheet& Second = Book.Sheets().Add();
  Second.SetName("Data & more");
  TVarArray V(2, 4);
  V(1, 1) = "Name";
  V(1, 2) = "42";
  V(1, 3) = "007";
  V(1, 4) = "3.5";
  V(2, 1) = "a<b&c \"q\"";
  V(2, 2) = "1.50";
  V(2, 3) = "-12";
  V(2, 4) = "x\x01y\r\nz";
  Second.Range("A1:D2").SetValue(V);
  Book.Sheets().Item(1).Range("B3").SetValue(V);
  const std::string Path = fuzz::PrivateFolder() + "seed.xlsx";
  Book.SaveAs(Path);
  App->Quit();
  std::string Bytes = ReadWholeFile(Path);
  ::unlink(Path.c_str());
  return Bytes;
}

std::string PartNamed(const std::string& Parts, const std::string& Name) {
  std::string_view Rest = Parts;
  while (!Rest.empty()) {
    std::string_view Part = fuzz::Take(Rest, kPartEnd);
    if (fuzz::Take(Part, '\n') == Name) return std::string(Part);
  }
  return {};
}

void Sheet(const std::string& Xml) {
  TSheetCells Cells;
  Cells.Load(Xml, "xl/worksheets/sheet1.xml", {"shared one", "shared two"});
  int Top, Left, Bottom, Right;
  Cells.Bounds(Top, Left, Bottom, Right);
  Cells.Set(2, 2, "changed");
  Cells.Set(1, 1, "");
  const std::string Written = Cells.Save();
  TSheetCells Back;
  Back.Load(Written, "xl/worksheets/sheet1.xml", {});
  if (Back.Get(2, 2) != "changed") __builtin_trap();
}

std::string PartsOf(const std::string& FileBytes) {
  const std::string Path = fuzz::PrivateFolder() + "parts.xlsx";
  WriteWholeFile(Path, FileBytes);
  std::string Out;
  for (const TZipPart& Part : ReadZipParts(Path)) {
    if (!Out.empty()) Out += kPartEnd;
    Out += Part.Name + "\n" + Part.Bytes;
  }
  ::unlink(Path.c_str());
  return Out;
}

void Exercise(const std::string& Path) {
  auto App = CreateOleObject("excel.application");
  TWorkbook& Book = App->WorkBooks().Open(Path);
  for (int i = 1; i <= Book.Sheets().Count(); ++i) {
    TWorksheet& Sheet = Book.Sheets().Item(i);
    TRange Used = Sheet.UsedRange();
    Used.Address();
    // A range value of a few cells (a lying sheet may claim a million rows).
    if (static_cast<long long>(Used.RowsCount()) * Used.ColumnsCount() <= 10000) Used.Value();
    Sheet.Range("A1:C3").Value();
  }
  TWorksheet& Active = App->ActiveSheet();
  TVarArray V(1, 2);
  V(1, 1) = "changed";
  V(1, 2) = "12.5";
  Active.Range("B2:C2").SetValue(V);
  const std::string ActiveName = Active.Name();
  const std::string Again = fuzz::PrivateFolder() + "again.xlsx";
  Book.SaveAs(Again);
  App->Quit();
  // What the workbook wrote opens again, with the cell changed.
  auto Back = CreateOleObject("excel.application");
  TWorkbook& Read = Back->WorkBooks().Open(Again);
  if (Read.Sheets().Count() != Book.Sheets().Count()) __builtin_trap();
  if (Read.Sheets().Item(ActiveName).Range("B2").Value()(1, 1) != "changed") __builtin_trap();
  Back->Quit();
  ::unlink(Again.c_str());
}

}  // namespace

std::vector<std::string> FuzzSeeds() {
  const std::string File = WrittenWorkbook();
  const std::string Parts = PartsOf(File);
  return {"f" + File, "p" + Parts, "s" + PartNamed(Parts, "xl/worksheets/sheet1.xml"),
          "s" + PartNamed(Parts, "xl/worksheets/sheet2.xml"), "t" + PartNamed(Parts, "xl/sharedStrings.xml")};
}

QN_FUZZ_SEEDS_FROM_ARGUMENTS

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  if (Size == 0) return 0;
  const std::string_view Bytes = fuzz::AsView(Data + 1, Size - 1);
  const std::string Path = fuzz::PrivateFolder() + "input.xlsx";
  try {
    if (Data[0] == 's') {
      Sheet(std::string(Bytes));
      return 0;
    }
    if (Data[0] == 't') {
      ReadSharedStrings(std::string(Bytes), "xl/sharedStrings.xml");
      return 0;
    }
    if (Data[0] == 'f') {
      WriteWholeFile(Path, Bytes);
    } else if (Data[0] == 'p') {
      TZipParts Parts;
      std::string_view Rest = Bytes;
      while (!Rest.empty()) {
        std::string_view Part = fuzz::Take(Rest, kPartEnd);
        const std::string_view Name = fuzz::Take(Part, '\n');
        Parts.push_back({std::string(Name), std::string(Part)});
      }
      WriteZipParts(Path, Parts);
    } else {
      return 0;
    }
    Exercise(Path);
  } catch (const Exception&) {
  }
  ::unlink(Path.c_str());
  return 0;
}
