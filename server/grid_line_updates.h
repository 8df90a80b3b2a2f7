// Command "X", a batch of line commands on the records' grids and fields, and commands "B3" and
// "B4", the lines of grid 3 or grid 4 of many records in one table.
#pragma once

#include <functional>
#include <random>
#include <string>

#include "server/handler_context.h"

// A line ID below 100000 that no line (rows 1 to RowCount - 1, column 0) of the grid has.
// Raises when every ID is taken.
std::string NewLineID(const TQnStringGrid& Grid, std::mt19937& Random);
// The same with the taken IDs known by a test.
std::string NewLineID(const std::function<bool(const std::string& ID)>& Taken, std::mt19937& Random);

// The most line commands one "X" request may carry (rows of its grid); a larger batch is refused.
constexpr int MaxLineCommands = 20000;

class TGridLineUpdates {
public:
  // The random generator of the new line IDs is seeded once, here.
  TGridLineUpdates() : FRandom(std::random_device{}()) {}
  explicit TGridLineUpdates(std::mt19937::result_type Seed) : FRandom(Seed) {}

  // "X": the body is a grid stream wrapper of line command rows, answered a line each.  A row
  // that fails ends the batch with "Error in Grid Save": the rows before it, answered as done,
  // are saved all the same (and dropped with the rest when that save fails).
  void UpdateGrid(const THandlerContext& Context);
  // "B3" or "B4": the body holds record codes, one a line, or "All".  Command is the User-Agent;
  // its second character picks grid 3 ("3") or grid 4 (anything else).
  void GenerateGridSummary(const THandlerContext& Context, const std::string& Command);

private:
  std::mt19937 FRandom;
};
