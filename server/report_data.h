// Command "3", the quick report (one row per record, the columns the client names), and command
// "4", the record counts per value of one description for the client's graph.
#pragma once

#include <string>

#include "server/handler_context.h"

// The value of a report column code for a record: 10-100 descriptions 1-10 up to their first
// ":", 110-200 details 1-10, 210 the first line of memo 1, 220 the code, 230 the name, 240-290
// others 1-6; any other code is empty.
std::string ReportValue(const ItemRecord& Record, int Code);

// "3": the body is a grid text stream whose row 0 holds the captions and row 1 the column codes.
void GenerateReport(const THandlerContext& Context);
// "4": the body is a grid text stream: (0, 0) the description's caption, (0, 1) its number, then
// the categories in column 0.
void SendGraphData(const THandlerContext& Context);
