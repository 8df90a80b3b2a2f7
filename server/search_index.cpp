#include "server/search_index.h"

#include <array>
#include <string_view>

#include "platform/rtl/sysutils.h"

namespace {

constexpr std::array<std::string_view, 8> CommonWords = {"the", "or", "if", "at", "an", "to", "too", "and"};
constexpr std::array<std::string_view, 4> LinkParts = {"<a", "a>", "href", "//"};

bool Kept(std::string_view Word) {
  if (Word.size() < 2) return false;
  for (std::string_view Common : CommonWords)
    if (Word == Common) return false;
  for (std::string_view Part : LinkParts)
    if (Word.find(Part) != std::string_view::npos) return false;
  return true;
}

void AddWords(const std::string& Field, std::string& Words) {
  const std::string Lower = LowerCase(Field);
  std::size_t From = 0;
  while (From <= Lower.size()) {
    std::size_t End = Lower.find_first_of(" ,:;", From);
    if (End == std::string::npos) End = Lower.size();
    const std::string_view Word(Lower.data() + From, End - From);
    if (Kept(Word) && Words.find(Word) == std::string::npos) {
      Words += Word;
      Words += ' ';
    }
    From = End + 1;
  }
}

}  // namespace

std::string IndexWords(const ItemRecord& Record) {
  std::string Words;
  AddWords(Record.Name, Words);
  for (const std::string& Field : Record.Descriptions) AddWords(Field, Words);
  for (const std::string& Field : Record.Details) AddWords(Field, Words);
  for (const std::string& Field : Record.Others) AddWords(Field, Words);
  return Words;
}

void BuildSearchIndex(const THandlerContext& Context, const std::string& FileName) {
  const TDatabase& D = Context.Database;
  TQnStringGrid SearchIndex(nullptr);
  ClearGrid(SearchIndex, 3, D.Count() + 1);
  SearchIndex.SetFixedCols(1);
  SearchIndex.SetFixedRows(0);
  SearchIndex.FieldDelimiter = ',';
  for (int i = 0; i < D.Count(); ++i) {
    const ItemRecord& R = D.Record(i);
    SearchIndex.SetCells(1, i, R.Code);
    SearchIndex.SetCells(2, i, IndexWords(R));
  }
  SearchIndex.SaveToCSV(FileName);
}
