// Helpers shared by the grid tests: temporary files and small prepared grids.
#pragma once

#include <string>
#include <unistd.h>

#include <gtest/gtest.h>

#include "controls/grid/qn_grid.h"
#include "tests/temp_path.h"

inline std::string GridTempPath(const std::string& name, const std::string& ext = "") {
  return std::string(::testing::TempDir()) + "/" + name + std::to_string(::getpid()) + ext;
}

// One row without fixed rows: "a", "b", "c", with column 1 hidden.
inline void MakeRowWithHiddenMiddle(TQnStringGrid& g) {
  g.SetColCount(3);
  g.SetRowCount(1);
  g.SetFixedRows(0);
  g.SetCells(0, 0, "a");
  g.SetCells(1, 0, "b");
  g.SetCells(2, 0, "c");
  g.HideColumn(1);
}

// Prefix and number as one text ("r" and 3 give "r3").
inline std::string Numbered(const char* prefix, long long n) {
  std::string s(prefix);
  s += std::to_string(n);
  return s;
}
