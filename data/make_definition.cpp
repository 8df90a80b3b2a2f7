// Writes a database definition (".set" and ".atr") from its readable description.
//
//   qn_make_definition DESCRIPTION OUTPUT_BASE
//
// The description is a text of "key: value" lines ("#" starts a comment).  Keys:
//   type, page 1-7, memo 1-3, image word, item column 1-3, quantity word, check 1-3,
//   status, date format, detail 1-10, other 1-6, description 1-10 ("name | kind" for the three),
//   item 1-100, grid3 column 1-10 / grid4 column 1-10 ("caption | a2 | a3 | a4"),
//   grid3 columns / grid4 columns (the counts; by default the number of columns named).
// Lines "  - text" below a description are its values; two more blanks nest a value deeper.
#include <fstream>
#include <iostream>
#include <sstream>

#include "records/configuration.h"

namespace {

std::string Trim(const std::string& Text) {
  const auto First = Text.find_first_not_of(" \t\r");
  if (First == std::string::npos) return {};
  const auto Last = Text.find_last_not_of(" \t\r");
  return Text.substr(First, Last - First + 1);
}

std::vector<std::string> SplitBar(const std::string& Text) {
  std::vector<std::string> Parts;
  std::stringstream In(Text);
  std::string Part;
  while (std::getline(In, Part, '|')) Parts.push_back(Trim(Part));
  return Parts;
}

// "detail 3" -> ("detail", 3); a key without a number gives 0.
std::pair<std::string, int> SplitKey(const std::string& Key) {
  const auto Blank = Key.find_last_of(' ');
  if (Blank != std::string::npos && Key.find_first_not_of("0123456789", Blank + 1) == std::string::npos &&
      Blank + 1 < Key.size())
    return {Key.substr(0, Blank), std::stoi(Key.substr(Blank + 1))};
  return {Key, 0};
}

[[noreturn]] void Fail(int Line, const std::string& Why) {
  std::cerr << "line " << Line << ": " << Why << "\n";
  std::exit(1);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: qn_make_definition DESCRIPTION OUTPUT_BASE\n";
    return 2;
  }
  std::ifstream In(argv[1]);
  if (!In) {
    std::cerr << "cannot read " << argv[1] << "\n";
    return 1;
  }
  TConfiguration C;
  TAttributes& A = C.Attributes;
  int Grid3Named = 0, Grid4Named = 0, Grid3Count = -1, Grid4Count = -1;
  TDescriptionTree* Tree = nullptr;
  std::string Line;
  for (int Number = 1; std::getline(In, Line); ++Number) {
    if (Trim(Line).empty() || Trim(Line)[0] == '#') continue;
    if (Line[0] == ' ' && Trim(Line).rfind("- ", 0) == 0) {
      if (!Tree) Fail(Number, "a value outside a description");
      const std::size_t Depth = (Line.find_first_not_of(' ') - 2) / 2;
      std::vector<TDescriptionNode>* Level = &Tree->Nodes;
      for (std::size_t d = 0; d < Depth; ++d) {
        if (Level->empty()) Fail(Number, "a value nested below nothing");
        Level = &Level->back().Children;
      }
      Level->push_back({Trim(Trim(Line).substr(2)), 0, 0, -1, -1, 0, {}});
      continue;
    }
    Tree = nullptr;
    const auto Colon = Line.find(':');
    if (Colon == std::string::npos) Fail(Number, "expected \"key: value\"");
    const auto [Key, Index] = SplitKey(Trim(Line.substr(0, Colon)));
    const std::string Value = Trim(Line.substr(Colon + 1));
    const auto Parts = SplitBar(Value);
    const std::string Kind = Parts.size() > 1 ? Parts[1] : std::string();
    auto In1 = [&, Index = Index](int Count) {
      if (Index < 1 || Index > Count) Fail(Number, "number out of range");
      return Index - 1;
    };
    if (Key == "type") A.First[0] = Value;
    else if (Key == "page") A.First[1 + In1(7)] = Value;
    else if (Key == "memo") A.First[8 + In1(3)] = Value;
    else if (Key == "image word") A.First[11] = Value;
    else if (Key == "item column") A.First[12 + In1(3)] = Value;
    else if (Key == "quantity word") A.First[15] = Value;
    else if (Key == "check") A.Last[In1(3)] = Value;
    else if (Key == "status") C.StatusWord = Value;
    else if (Key == "date format") C.DateFormat = Value;
    else if (Key == "detail") {
      C.DetailNames[In1(10)] = Parts[0];
      C.DetailKinds[Index - 1] = Kind;
    } else if (Key == "other") {
      C.OtherNames[In1(6)] = Parts[0];
      C.OtherKinds[Index - 1] = Kind;
    } else if (Key == "description") {
      C.DescriptionNames[In1(10)] = Parts[0];
      C.DescriptionKinds[Index - 1] = Kind;
      Tree = &C.DescriptionTrees[Index - 1];
    } else if (Key == "item") C.ItemNames[In1(100)] = Value;
    else if (Key == "grid3 column" || Key == "grid4 column") {
      auto& Column = (Key[4] == '3' ? A.Grid3Texts : A.Grid4Texts)[In1(10)];
      for (std::size_t i = 0; i < 4 && i < Parts.size(); ++i) Column[i] = Parts[i];
      int& Named = Key[4] == '3' ? Grid3Named : Grid4Named;
      Named = std::max(Named, Index);
    } else if (Key == "grid3 columns") Grid3Count = std::stoi(Value);
    else if (Key == "grid4 columns") Grid4Count = std::stoi(Value);
    else Fail(Number, "unknown key \"" + Key + "\"");
  }
  A.Grid3Columns = Grid3Count >= 0 ? Grid3Count : (Grid3Named ? Grid3Named : 10);
  A.Grid4Columns = Grid4Count >= 0 ? Grid4Count : (Grid4Named ? Grid4Named : 10);

  const std::string Base = argv[2];
  std::string Set, Atr;
  TValueWriter SetWriter(Set);
  WriteConfiguration(SetWriter, C, 0);
  TValueWriter AtrWriter(Atr);
  WriteAttributes(AtrWriter, A);
  std::ofstream(Base + ".set", std::ios::binary) << Set;
  std::ofstream(Base + ".atr", std::ios::binary) << Atr;
  return 0;
}
