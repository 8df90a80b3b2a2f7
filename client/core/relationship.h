// The relationship diagram: the records and their relational values as the server lists them,
// and the boxes and links of the diagram around a centre record, parents above and children
// below, to a chosen depth.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

class TRecordWindow;

struct TRelateData {
  std::vector<std::string> Codes, Names;
  // List k holds, for every record in order, the code of its k-th relational value.
  std::array<std::vector<std::string>, 10> Relations;
  int RelationCount = 0;  // lists in use
  int Find(const std::string& Code) const;
};
// The lines of a "RelateRecords" reply (line 0 the page start, line 1 the list's start).
TRelateData ParseRelateReply(const std::vector<std::string>& Lines);
// A relational value's record code: the text after its first ":" and the blank after it.
std::string RelationCode(const std::string& Value);

struct TDiagramBox {
  std::string Caption;  // the record's name
  std::string Name;     // its code
  int Left = 0, Top = 0, Width = 75, Height = 50;
};
struct TDiagramLink {
  std::string Begin, End;  // box names
};
struct TDiagramModel {
  std::vector<TDiagramBox> Boxes;
  std::vector<TDiagramLink> Links;
  int Width = 0, Height = 0;  // the diagram's size after the boxes were placed
  const TDiagramBox* Box(const std::string& Name) const;
};

// The layout's spacing: the margin round the boxes, the room between two boxes of a row and
// between two rows, and the widest box (a longer name is cut short in its box).
constexpr int kDiagramMargin = 16, kDiagramGap = 30, kDiagramRowGap = 40, kDiagramMaxBoxWidth = 220;

// The diagram around Code (an empty one when Code is not in the list): a row a level, the
// records Code refers to in the rows above, those referring to it in the rows below, no two
// boxes overlapping, the rows centred in Width (or in the widest row) from the top margin.
// CaptionWidth gives the room a box needs for its record's name (75 pixels when not given).
TDiagramModel GenerateDiagram(const TRelateData& Data, const std::string& Code, int Depth, int Width,
                              int Height, const std::function<int(const std::string&)>& CaptionWidth = {});

// The menu command: saves, asks the server for the list, shows the window (ShowWindow returns
// the code to load, "" to load none) and loads the record it returns.
void RelationshipDiagram(TRecordWindow& Window,
                         const std::function<std::string(const TRelateData& Data)>& ShowWindow);
