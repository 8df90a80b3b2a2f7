// INI files and the current user's registry (INI files in the user's configuration folder).
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/rtl/classes.h"
#include "platform/rtl/string_list.h"

// Section and key names match without ASCII case and are kept byte for byte.  Values read back
// trimmed, without one pair of surrounding quotes.  Integers are decimal or "$"/"0x" hexadecimal;
// anything else gives the default.  Booleans are written 0/1 and read as integer != 0.  A missing
// file reads as defaults.
class TCustomIniFile : public TObject {
public:
  explicit TCustomIniFile(std::string FileName) : FFileName(std::move(FileName)) {}
  ~TCustomIniFile() override = default;

  const std::string& FileName() const { return FFileName; }

  virtual std::string ReadString(const std::string& Section, const std::string& Ident,
                                 const std::string& Default) = 0;
  virtual void WriteString(const std::string& Section, const std::string& Ident,
                           const std::string& Value) = 0;
  // Several values of a section, in order, as WriteString would write them one by one (a file
  // written at once is written once for all of them).
  using TValues = std::vector<std::pair<std::string, std::string>>;
  virtual void WriteStrings(const std::string& Section, const TValues& Values);
  int ReadInteger(const std::string& Section, const std::string& Ident, int Default);
  void WriteInteger(const std::string& Section, const std::string& Ident, int Value);
  bool ReadBool(const std::string& Section, const std::string& Ident, bool Default);
  void WriteBool(const std::string& Section, const std::string& Ident, bool Value);
  // Reads with the format settings' decimal separator; the default on failure.
  double ReadFloat(const std::string& Section, const std::string& Ident, double Default);
  void WriteFloat(const std::string& Section, const std::string& Ident, double Value);

  // The keys of a section, in file order.
  virtual void ReadSection(const std::string& Section, TStrings& Strings) = 0;
  virtual void ReadSections(TStrings& Strings) = 0;
  // "key=value" lines of a section.
  virtual void ReadSectionValues(const std::string& Section, TStrings& Strings) = 0;
  virtual void EraseSection(const std::string& Section) = 0;
  virtual void DeleteKey(const std::string& Section, const std::string& Ident) = 0;
  virtual bool SectionExists(const std::string& Section);
  virtual bool ValueExists(const std::string& Section, const std::string& Ident);
  virtual void UpdateFile() = 0;

private:
  std::string FFileName;
};

// The parsed contents of an INI file, kept in file order.
class TIniSections {
public:
  struct Entry {
    std::string Key;    // empty for a line that is not "key=value" (kept as Raw)
    std::string Value;  // as written after "=", untrimmed
    std::string Raw;
  };
  struct Section {
    std::string Name;
    std::vector<Entry> Entries;
  };

  void Parse(const std::string& Text);
  std::string Text() const;
  void Clear() { FLeading.clear(); FSections.clear(); }

  Section* FindSection(const std::string& Name);
  Section& AddSection(const std::string& Name);
  Entry* FindKey(const std::string& Section, const std::string& Key);
  bool SetValue(const std::string& Section, const std::string& Key, const std::string& Value);
  bool EraseSection(const std::string& Name);
  bool DeleteKey(const std::string& Section, const std::string& Key);
  const std::vector<Section>& Sections() const { return FSections; }

  // The value as the readers give it: trimmed, one pair of surrounding quotes taken off.
  static std::string CleanValue(const std::string& Raw);

private:
  std::vector<std::string> FLeading;  // lines before the first section
  std::vector<Section> FSections;
};

// An INI file that sees the file as it is at every call and writes at once: each write reads,
// changes and atomically replaces the file under an flock on "<file>.lock".  The parsed contents
// are kept between calls while the file is the same one (device, inode, size and both times), so
// many reads in a row cost one parse; any write, of this program or another, is seen.
class TIniFile : public TCustomIniFile {
public:
  // A name without a folder, or a drive-rooted name of the Windows build ("c:\labels.ini"),
  // names a file in the user's configuration folder.
  explicit TIniFile(const std::string& FileName);

  std::string ReadString(const std::string& Section, const std::string& Ident,
                         const std::string& Default) override;
  void WriteString(const std::string& Section, const std::string& Ident,
                   const std::string& Value) override;
  void WriteStrings(const std::string& Section, const TValues& Values) override;
  void ReadSection(const std::string& Section, TStrings& Strings) override;
  void ReadSections(TStrings& Strings) override;
  void ReadSectionValues(const std::string& Section, TStrings& Strings) override;
  void EraseSection(const std::string& Section) override;
  void DeleteKey(const std::string& Section, const std::string& Ident) override;
  // Nothing to do: every write is already in the file.
  void UpdateFile() override {}

private:
  // The file's identity as the kept contents were read from it.
  struct TFileStamp {
    bool Exists = false;
    unsigned long long Device = 0, Inode = 0;
    long long Size = 0, ModifiedNs = 0, ChangedNs = 0;
    bool operator==(const TFileStamp&) const = default;
  };
  TFileStamp Stamp() const;
  TIniSections& Load();
  template <class Change>
  void Modify(Change change);

  bool FKept = false;
  TFileStamp FKeptStamp;
  TIniSections FKeptSections;
};

// An INI file held in memory: read once when created, written by UpdateFile.  Only drive-rooted
// names are moved into the configuration folder; other names stay as given.
class TMemIniFile : public TCustomIniFile {
public:
  explicit TMemIniFile(const std::string& FileName);

  std::string ReadString(const std::string& Section, const std::string& Ident,
                         const std::string& Default) override;
  void WriteString(const std::string& Section, const std::string& Ident,
                   const std::string& Value) override;
  void ReadSection(const std::string& Section, TStrings& Strings) override;
  void ReadSections(TStrings& Strings) override;
  void ReadSectionValues(const std::string& Section, TStrings& Strings) override;
  void EraseSection(const std::string& Section) override;
  void DeleteKey(const std::string& Section, const std::string& Ident) override;
  // Writes the contents atomically under the file's lock.
  void UpdateFile() override;

  void Clear() { FSections.Clear(); }
  void GetStrings(TStrings& List) const;
  void SetStrings(const TStrings& List);
  // Reads the file again, dropping changes not yet written.
  void Rename(const std::string& FileName, bool Reload);

private:
  std::string FMemFileName;
  TIniSections FSections;
};

// The user's configuration folder: $XDG_CONFIG_HOME, else $HOME/.config, else .config under the
// home folder of the user database.  Not created here.
std::string UserConfigFolder();
// Makes sure the folder exists (mode 0700 for new folders); raises EFCreateError when it cannot.
void ForceConfigFolder(const std::string& Folder);
// Where an INI file name of the Windows build lives: a bare or drive-rooted name goes into the
// user's configuration folder, any other path stays as it is.
std::string IniFilePath(const std::string& FileName);
// The registry key path "A\B\C" as INI file and section: file A (".ini" added unless it ends so,
// a leading "Software\" dropped) in the configuration folder, section "B\C" (empty for "A").
void RegistryKeyToIni(const std::string& KeyPath, std::string& FilePath, std::string& Section);

// The current user's registry key KeyName as an INI file: ReadString(Section, ...) reads section
// "<rest of the key>\<Section>" (just Section for a one-level key) of the key's file.
// TRegIniFile("QuillonClient.ini").ReadString("SETTINGS", ...) reads
// $XDG_CONFIG_HOME/QuillonClient.ini [SETTINGS].
class TRegIniFile : public TCustomIniFile {
public:
  explicit TRegIniFile(const std::string& KeyName);

  std::string ReadString(const std::string& Section, const std::string& Ident,
                         const std::string& Default) override;
  void WriteString(const std::string& Section, const std::string& Ident,
                   const std::string& Value) override;
  void WriteStrings(const std::string& Section, const TValues& Values) override;
  void ReadSection(const std::string& Section, TStrings& Strings) override;
  void ReadSections(TStrings& Strings) override;
  void ReadSectionValues(const std::string& Section, TStrings& Strings) override;
  void EraseSection(const std::string& Section) override;
  void DeleteKey(const std::string& Section, const std::string& Ident) override;
  void UpdateFile() override {}

private:
  std::string SectionName(const std::string& Section) const;
  std::string FSectionPrefix;
  std::unique_ptr<TIniFile> FIni;
};

// The settings key of the client: key "QuillonClient.ini", section "SETTINGS".
inline constexpr const char* SettingsKeyName = "QuillonClient.ini";
inline constexpr const char* SettingsSection = "SETTINGS";
