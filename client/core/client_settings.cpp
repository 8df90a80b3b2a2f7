#include "client/core/client_settings.h"

#include <algorithm>

#include "platform/rtl/ini_files.h"

static const std::string Section = SettingsSection;

std::unique_ptr<TCustomIniFile> OpenSettingsKey() {
  return std::make_unique<TRegIniFile>(SettingsKeyName);
}

void LoadSettings(TCustomIniFile& Key, TClientSettings& S) {
  S.LastFile = Key.ReadString(Section, "LAST FILE", "");
  S.Server = Key.ReadString(Section, "SERVER", "");
  S.Database = Key.ReadString(Section, "DATABASE", "");
  S.ServerName = Key.ReadString(Section, "SERVERNAME", "");
  for (int n = 0; n <= 50; ++n)
    S.SearchColumns[n] = Key.ReadInteger(Section, "SEARCHCOL:" + std::to_string(n), S.SearchColumns[n]);
  for (int n = 0; n <= 50; ++n)
    S.SpreadsheetSizes[n] = Key.ReadInteger(Section, "SPREADSHEET SIZE:" + std::to_string(n), 136);
  S.ShortDescriptionValues = Key.ReadBool(Section, "DESCSTATE", false);
  S.EditIdle = std::clamp(Key.ReadInteger(Section, "IDLE SECONDS", 120), 30, 720);
}

void SaveSettings(TCustomIniFile& Key, const TClientSettings& S) {
  // One write of the file for all of them.
  TCustomIniFile::TValues V = {{"LAST FILE", S.LastFile},
                               {"SERVER", S.Server},
                               {"DATABASE", S.Database},
                               {"SERVERNAME", S.ServerName},
                               {"ViewW:", std::to_string(S.ViewW)},
                               {"ViewH:", std::to_string(S.ViewH)},
                               {"DESCSTATE", S.ShortDescriptionValues ? "1" : "0"}};
  for (int n = 0; n <= 50; ++n) V.emplace_back("SEARCHCOL:" + std::to_string(n), std::to_string(S.SearchColumns[n]));
  for (int n = 0; n <= 50; ++n)
    V.emplace_back("SPREADSHEET SIZE:" + std::to_string(n), std::to_string(S.SpreadsheetSizes[n]));
  V.emplace_back("IDLE SECONDS", std::to_string(S.EditIdle));
  Key.WriteStrings(Section, V);
}

void ReadFormSize(TCustomIniFile& Key, const std::string& Prefix, int DefaultW, int DefaultH,
                  int& Width, int& Height) {
  Width = Key.ReadInteger(Section, Prefix + "W:", DefaultW);
  Height = Key.ReadInteger(Section, Prefix + "H:", DefaultH);
}

void WriteFormSize(TCustomIniFile& Key, const std::string& Prefix, int Width, int Height) {
  Key.WriteInteger(Section, Prefix + "W:", Width);
  Key.WriteInteger(Section, Prefix + "H:", Height);
}

void ReadWindowSize(TCustomIniFile& Key, int& Width, int& Height) {
  ReadFormSize(Key, "View", 634, 482, Width, Height);
}

void ResetSettings(TCustomIniFile& Key, TClientSettings& S, const TResetSizes& Sizes) {
  // The settings the login read stay; what the reset restores goes back to its defaults.
  const TClientSettings Kept = S;
  S = TClientSettings{};
  S.LastFile = Kept.LastFile;
  S.Server = Kept.Server;
  S.Database = Kept.Database;
  S.ServerName = Kept.ServerName;
  S.EditIdle = Kept.EditIdle;
  S.ViewW = Sizes.ViewW;
  S.ViewH = Sizes.ViewH;
  WriteFormSize(Key, "View", Sizes.ViewW, Sizes.ViewH);
  Key.WriteInteger(Section, "SpreadsheetW:", Sizes.SpreadsheetW);
  Key.WriteInteger(Section, "SpreadSheetH:", Sizes.SpreadsheetH);
  Key.WriteInteger(Section, "SpreadSheetS:", Sizes.SpreadsheetS);
  WriteFormSize(Key, "Search", 581, 454);
  WriteFormSize(Key, "Album", 518, 437);
  WriteFormSize(Key, "Graph", 611, 414);
  WriteFormSize(Key, "Report", 599, 481);
  for (int n = 0; n <= 50; ++n) {
    Key.WriteInteger(Section, "SEARCHCOL:" + std::to_string(n), -1);
    Key.WriteInteger(Section, "SPREADSHEET SIZE:" + std::to_string(n), 136);
  }
  Key.WriteBool(Section, "DESCSTATE", false);
}

std::string LastFileQuestion(const TClientSettings& S) {
  if (S.LastFile.empty()) return "";
  return "Would you like to open the file " + S.LastFile + " ?";
}
