#include "server/data_import.h"

#include <algorithm>
#include <unordered_set>

#include "platform/rtl/sysutils.h"

namespace {


// The longest prefix of Text of at most Limit bytes that does not end inside a UTF-8 sequence.
std::string CutAtCharacter(const std::string& Text, std::size_t Limit) {
  if (Text.size() <= Limit) return Text;
  std::size_t End = Limit;
  // Step back over continuation bytes so the cut falls before the lead byte of a sequence.
  while (End > 0 && (static_cast<unsigned char>(Text[End]) & 0xC0) == 0x80) --End;
  return Text.substr(0, End);
}

// The field an import code fills, or nullptr for a column that is not imported.
std::string* ImportField(ItemRecord& Record, int Code, int& Description) {
  Description = -1;
  if (Code < 0 || Code % 10 != 0) return nullptr;
  const int n = Code / 10;
  const auto At = [](int Index) { return static_cast<std::size_t>(Index); };
  if (n <= 9) {
    Description = n;
    return &Record.Descriptions[At(n)];
  }
  if (n >= 10 && n <= 19) return &Record.Details[At(n - 10)];
  if (n == 21) return &Record.Name;
  if (n >= 30 && n <= 35) return &Record.Others[At(n - 30)];
  return nullptr;
}

// The top-level lines of the ten description trees, for the look-ups of an import.
class TTreeLines {
public:
  explicit TTreeLines(TConfiguration& Config) : FConfig(Config) {
    for (std::size_t d = 0; d < FLines.size(); ++d)
      for (const TDescriptionNode& Node : Config.DescriptionTrees[d].Nodes) FLines[d].insert(Node.Text);
  }

  // Adds Value (without its leading blanks, cut to a tree line's length) as a new last top-level
  // line of the description's tree when it is not empty and not there yet.
  void Add(int Description, const std::string& Value) {
    std::string Line = CutAtCharacter(TrimLeft(Value), MaxTreeLineLength);
    if (Line.empty()) return;
    const auto d = static_cast<std::size_t>(Description);
    if (!FLines[d].insert(Line).second) return;
    TDescriptionNode Node;
    Node.Text = std::move(Line);
    FConfig.DescriptionTrees[d].Nodes.push_back(std::move(Node));
  }

private:
  TConfiguration& FConfig;
  std::array<std::unordered_set<std::string>, 10> FLines;
};

}  // namespace

int PerformImport(TDatabase& Database, TRecordCodeGenerator& Codes, const TQnStringGrid& Grid,
                  const std::array<std::int32_t, ImportCodeCount>& ColumnCodes) {
  TTreeLines Trees(Database.Config);
  const int Cols = std::min(Grid.ColCount(), ImportCodeCount);
  std::array<bool, 10> Stored{};
  int Created = 0;
  for (int Row = 1; Row < Grid.RowCount(); ++Row) {
    ItemRecord& Record = Database.Record(Database.NewRecord(Codes));
    ++Created;
    for (int Col = 0; Col < Cols; ++Col) {
      int Description;
      std::string* Field = ImportField(Record, ColumnCodes[static_cast<std::size_t>(Col)], Description);
      if (!Field) continue;
      *Field = Grid.Cells(Col, Row);
      if (Description < 0) continue;
      Trees.Add(Description, *Field);
      Stored[static_cast<std::size_t>(Description)] = true;
    }
  }
  // As with a record save, a stored description brings its distinct-values text up to date.
  for (int d = 0; d < 10; ++d)
    if (Stored[static_cast<std::size_t>(d)]) Database.RecomputeDistinctValues(d);
  return Created;
}

void ImportData(const THandlerContext& Context, TRecordCodeGenerator& Codes) {
  TDatabase& D = Context.Database;
  D.CheckWritable();
  Context.Reply("<HTML>");
  TQnStringGrid BufferGrid(nullptr);
  std::array<std::int32_t, ImportCodeCount> ColumnCodes{};
  ReadGridPayload(Context, BufferGrid, [&](TValueReader& Reader) {
    for (auto& Code : ColumnCodes) Code = Reader.ReadInteger();
  });

  PerformImport(D, Codes, BufferGrid, ColumnCodes);
  Context.Reply("Data has been imported.");
  Context.SaveDatabase();
}
