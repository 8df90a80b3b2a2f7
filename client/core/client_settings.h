// The settings key "QuillonClient.ini", section "SETTINGS": the values the record window reads at
// the login step and writes after it and at close, and the defaults of the reset command.
#pragma once

#include <array>
#include <memory>
#include <string>

class TCustomIniFile;

struct TClientSettings {
  int ViewW = 634;
  int ViewH = 482;
  std::string LastFile;
  std::string Server;      // ServerURL
  std::string Database;    // DatabaseName
  std::string ServerName;  // the display name of the chosen server
  std::array<int, 51> SearchColumns;
  std::array<int, 51> SpreadsheetSizes;
  bool ShortDescriptionValues = false;  // "DESCSTATE"
  int EditIdle = 120;                   // "IDLE SECONDS": idle seconds before the refresh, 30 to 720

  TClientSettings() {
    SearchColumns.fill(-1);
    SpreadsheetSizes.fill(136);
  }
};

// The key as an INI file: $XDG_CONFIG_HOME (else ~/.config) + "/QuillonClient.ini".
std::unique_ptr<TCustomIniFile> OpenSettingsKey();

// Reads "LAST FILE", "SERVER", "DATABASE", "SERVERNAME", the search columns (the values held as
// defaults) and widths (default 136), "DESCSTATE", "IDLE SECONDS" (120 when missing, kept within
// 30 to 720).  The window size is read by ReadWindowSize.
void LoadSettings(TCustomIniFile& Key, TClientSettings& Settings);
// Writes them in the key's order, with the window size.
void SaveSettings(TCustomIniFile& Key, const TClientSettings& Settings);
// "ViewW:" and "ViewH:" (634 x 482 when missing).
void ReadWindowSize(TCustomIniFile& Key, int& Width, int& Height);
// A window's own size values ("SearchW:"/"SearchH:" ...).
void ReadFormSize(TCustomIniFile& Key, const std::string& Prefix, int DefaultW, int DefaultH,
                  int& Width, int& Height);
void WriteFormSize(TCustomIniFile& Key, const std::string& Prefix, int Width, int Height);
// The sizes the reset command writes that depend on the windows it resized.
struct TResetSizes {
  int ViewW = 634, ViewH = 482;                // the record window
  int SpreadsheetW = 640, SpreadsheetH = 475;  // the search results window
  int SpreadsheetS = 0;                        // a panel of the search results window
};
// The reset command: the window sizes, search columns -1, widths 136 and "DESCSTATE" false (the
// idle seconds stay).
void ResetSettings(TCustomIniFile& Key, TClientSettings& Settings, const TResetSizes& Sizes = {});
// "Would you like to open the file " + name + " ?" when the last-file name is set.
std::string LastFileQuestion(const TClientSettings& Settings);
