// The database definition template: the client's copy of one definition (name + ".set", the
// configuration stream without mask, and name + ".atr", the attribute file), found in the
// installation folder, used to fit the record window and to create a database on the server.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "records/configuration.h"

class TServerSession;

// The first definition found: Folder + "Data/database/" + stem for every "*.set" there, then
// Folder + stem for every "*.set" in Folder itself (stem: the name up to its first "."); "" when
// there is none.  Folder ends with "/".
std::string GetDatabaseFileName(const std::string& Folder);

class TTemplateData {
public:
  // Loads BaseName + ".atr" and BaseName + ".set" when BaseName is not empty.
  explicit TTemplateData(std::string BaseName);

  const std::string& BaseName() const { return FBaseName; }
  // The name of the definition without folder (what "CreateDB" names).
  std::string DefinitionName() const;

  // Attribute strings A and B, numbered 1-100 ("" outside): A 1 = database type, 2-8 the
  // captions of the record notebook's pages 1-7, 9-11 memo titles, 12 the image word, 13-15 the
  // item list's column captions, 16 the quantity word.
  std::string AttributeA(int Number) const;
  std::string AttributeB(int Number) const;
  // Column counts (0 without an attribute file; at most 100) and the four strings of each of the
  // ten columns (caption, then three column attributes).
  int Grid3ColumnCount() const { return FGrid3Count; }
  int Grid4ColumnCount() const { return FGrid4Count; }
  const std::array<std::array<std::string, 4>, 10>& Grid3Columns() const { return FAttributes.Grid3Texts; }
  const std::array<std::array<std::string, 4>, 10>& Grid4Columns() const { return FAttributes.Grid4Texts; }
  const std::array<std::string, 3>& CheckBoxCaptions() const { return FAttributes.Last; }

  // The configuration of the ".set": names, kinds, item names, trees; description kinds
  // "Drop Down" where empty, status word "Status" where empty, date format "mm/dd/yyyy" where
  // empty.  Without a ".set" all of it is empty.
  const TConfiguration& Configuration() const { return FConfig; }

  // Reads the two files again.  False when a file that is present cannot be read (its fields
  // are then empty).
  bool Load();

  // "CreateDB:" + name + ";" + definition, to BaseURL with the query Author, Name, Type,
  // Description, CDate, UDate, FileCode.  0 "database created", 1 "configuration not",
  // 2 "database already", 3 anything else, a failed transfer or a name the server cannot take.
  int CreateDatabaseOnServer(TServerSession& Session, const std::string& Name,
                             const std::string& Type, const std::string& FileCode,
                             const std::string& UpdateDate, const std::string& CreationDate,
                             const std::string& Description, const std::string& Author,
                             const std::string& Definition, const std::string& BaseURL);

private:
  std::string FBaseName;
  TAttributes FAttributes;
  int FGrid3Count = 0;
  int FGrid4Count = 0;
  TConfiguration FConfig;
};

// Ten characters, each "A"-"Z" or "0"-"9", from draws of 0-35 (0-25 letters, 26-35 digits).
// Draw(range) gives 0 <= value < range.
std::string NewFileCode(const std::function<int(int)>& Draw);
