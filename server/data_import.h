// Command "M": a table from the client's import window becomes new records.  The body is the grid
// stream wrapper (column count, row count, Chars block of a grid text stream) followed by 100
// import field codes, one per grid column; row 0 of the grid is the header and is not imported.
#pragma once

#include <array>
#include <cstdint>

#include "server/handler_context.h"

// Import field codes: 0, 10, ..., 90 descriptions 1-10 (and their value trees); 100, 110, ..., 190
// details 1-10; 210 the record name; 300, 310, ..., 350 others 1-6; any other code: the column is
// not imported.
constexpr int ImportCodeCount = 100;

// A value tree line is at most this long; longer description values are cut (at a character
// boundary) before they become a line.
constexpr std::size_t MaxTreeLineLength = 255;

// Creates one record per data row of Grid, the columns stored by ColumnCodes (column i has ColumnCodes[i];
// columns from ImportCodeCount on are not imported), adds the new description values to their
// trees and recomputes the distinct-values texts of the descriptions it filled.  Returns the
// number of records created.
int PerformImport(TDatabase& Database, TRecordCodeGenerator& Codes, const TQnStringGrid& Grid,
                  const std::array<std::int32_t, ImportCodeCount>& ColumnCodes);

// "M": replies "<HTML>", "Stream Read", "Cols" C, "Rows" R, "Grid Loaded", "Buffer Grid Loaded"
// and "Data has been imported.", then saves the database.  A short, forged or oversized body
// raises (EReadError, EConvertError) before any record is created, for the dispatcher's error
// reply.
void ImportData(const THandlerContext& Context, TRecordCodeGenerator& Codes);
