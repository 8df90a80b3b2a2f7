// Command "Z": the server functions named by the query field "Function" (quantity changes,
// barcode lookups, lists for the client's reports, bulk changes, grid line moves), and the record
// field codes they and the grid line commands use.
#pragma once

#include <string>

#include "server/handler_context.h"

// Record field codes: 0-9 details, 21-26 others, 27 name, 31-33 extra strings, 34-36 extra
// integers, 40 detail 10, 41-50 descriptions; any other code reads empty.
std::string ReturnValue(const ItemRecord& Record, int Code);
// As ReturnValue, and also 28 the record code and 91-96 the image file names.
std::string PutFieldValue(const ItemRecord& Record, int Code);
// Writes a field by its record field code (40-42: check boxes 1-3 from "On"/"Off"); other codes
// change nothing.  Extra integers take decimal text and raise EConvertError on anything else.
void UpdateValue(ItemRecord& Record, int Code, const std::string& Text);
// Writes "AT ADD " + Current; the result is Current + Amount when Current is an integer, else
// Amount alone.
std::string AddAmount(const THandlerContext& Context, const std::string& Current, int Amount);

// The grid line functions: the line LineID of the record's grid (GridID "3": grid 3, else
// grid 4) removed, or moved one row up or down.  When the line exists the grid is stored back and
// the database saved; false when no record has the code (nothing changes).
enum class TGridLineMove { Remove, Up, Down };
bool MoveGridItem(const THandlerContext& Context, const std::string& RecordCode,
                  const std::string& GridID, const std::string& LineID, TGridLineMove Move);

// The whole "Z" command.
void ProcessHTMLRequest(const THandlerContext& Context);
