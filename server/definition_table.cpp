#include "server/definition_table.h"

#include <unistd.h>

#include <algorithm>
#include <utility>

#include "controls/grid/qn_grid.h"
#include "platform/rtl/file_io.h"
#include "platform/sys/files.h"

namespace {

std::string Lower(std::string Text) {
  std::transform(Text.begin(), Text.end(), Text.begin(), [](unsigned char C) {
    return static_cast<char>(C >= 'A' && C <= 'Z' ? C + 32 : C);
  });
  return Text;
}

}  // namespace

std::string TypeGroup(const std::string& Type) {
  static const std::pair<const char*, const char*> Groups[] = {
      {"auto", "Transportation"},  {"2007cars", "Transportation"}, {"modeltrains", "Hobby"},
      {"diecast", "Hobby"},        {"tradingcards", "Hobby"},      {"figurines", "Collectibles"},
      {"memorabilia", "Collectibles"}, {"dolls", "Collectibles"},  {"nutrition", "Health"},
      {"fitness", "Health"},       {"baseball", "Sports"},         {"beer", "Food"},
      {"plants", "Science"},       {"animals", "Science"},         {"astronomy", "Science"}};
  const std::string Key = Lower(Type);
  for (const auto& [Name, Group] : Groups)
    if (Key == Name) return Group;
  return Type;
}

std::string ProcessedDescriptionName(const std::string& Name) {
  const std::string Key = Lower(Name);
  std::string Result = Name;
  if (Key == "origin") Result = "Country";
  if (Key.find("country") != std::string::npos) Result = "Country";
  if (Key.find("year") != std::string::npos) Result = "Year";
  if (Key.find("city") != std::string::npos) Result = "City";
  return Result;
}

void UpdateDefinitionTable(const std::string& FileName, const TConfiguration& Config) {
  TQnStringGrid DBDefinition(nullptr);
  DBDefinition.SetColCount(16);
  DBDefinition.SetRowCount(2);
  DBDefinition.SetFixedRows(1);
  DBDefinition.SetFixedCols(0);
  if (FileExists(FileName)) DBDefinition.LoadFromFile(FileName);

  const std::string& FileCode = Config.DatabaseInfo[diFileCode];
  int Row = -1;
  for (int r = 1; r < DBDefinition.RowCount(); ++r)
    if (DBDefinition.Cells(0, r) == FileCode) Row = r;
  if (Row < 0) {
    DBDefinition.SetRowCount(DBDefinition.RowCount() + 1);
    Row = DBDefinition.RowCount() - 1;
  }
  DBDefinition.SetCells(0, Row, FileCode);
  DBDefinition.SetCells(1, Row, TypeGroup(Config.DatabaseInfo[diType]));
  DBDefinition.SetCells(13, Row, Config.DatabaseInfo[diName]);
  for (int i = 0; i < 10; ++i)
    DBDefinition.SetCells(2 + i, Row,
                          ProcessedDescriptionName(Config.DescriptionNames[i]) + ":" +
                              Config.DistinctValues[i]);

  // The grid writes its text file in place; the table reaches its name only through an atomic
  // replace, so a failed write leaves the previous table.  Only the resident instance writes the
  // table: the scratch copies and temporaries beside it are those of a write that was killed.
  DeleteMatchingFiles(FileName + ".new*");
  DeleteMatchingFiles(FileName + ".tmp??????????");
  const std::string Scratch = FileName + ".new" + std::to_string(::getpid());
  try {
    DBDefinition.SaveToFile(Scratch);
    const std::string Bytes = ReadFileBytes(Scratch);
    DeleteFile(Scratch);
    AtomicWriteFile(FileName, Bytes);
  } catch (...) {
    DeleteFile(Scratch);
    throw;
  }
}
