// Command "Y": the search index file, one row per record with its code and its index words,
// kept beside the database file (database file name + ".sea").
#pragma once

#include <string>

#include "server/handler_context.h"

// The record's index words, each followed by a blank: the words of its name, descriptions,
// details and others, lower-cased, without short words, common words and link fragments, and
// without a word that the list already holds as part of another.
std::string IndexWords(const ItemRecord& Record);

// Fills the index table (3 columns, 1 fixed column; column 1 the code, column 2 the words; one
// empty row ends it) and saves it as delimited text to FileName.  Raises when the file cannot
// be written.
void BuildSearchIndex(const THandlerContext& Context, const std::string& FileName);
