// The definition table "dbdefinition.dat": one row per database of more than 14 records, with its
// FileCode, the group of its type, its name and its descriptions with their distinct values.
#pragma once

#include <string>

#include "records/configuration.h"

// "auto" -> "Transportation", "baseball" -> "Sports", ...; any other type unchanged.
std::string TypeGroup(const std::string& Type);
// "origin" or any name containing "country" -> "Country"; "year" -> "Year"; "city" -> "City".
std::string ProcessedDescriptionName(const std::string& Name);

// Loads the table file when it exists, updates (or adds) the row of this database's FileCode and
// writes the file back through an atomic replace.
void UpdateDefinitionTable(const std::string& FileName, const TConfiguration& Config);
