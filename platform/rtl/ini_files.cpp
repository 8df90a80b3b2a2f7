#include "platform/rtl/ini_files.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/rtl/ascii_text.h"
#include "platform/rtl/file_io.h"
#include "platform/rtl/sysutils.h"

namespace {

using qn_ascii::SameText;
using qn_ascii::Trim;

// A line break inside a name or value would start a new line of the file: keep it on one line.
std::string OneLine(const std::string& s) {
  std::string r(s);
  for (char& c : r)
    if (c == '\r' || c == '\n') c = ' ';
  return r;
}

std::string LoadText(const std::string& FileName) {
  try {
    return ReadFileBytes(FileName);
  } catch (const EFOpenError&) {
    return {};  // a missing (or unreadable) file reads as defaults
  }
}

bool IsDriveRooted(const std::string& name) {
  return name.size() >= 3 && ((name[0] >= 'a' && name[0] <= 'z') || (name[0] >= 'A' && name[0] <= 'Z')) &&
         name[1] == ':' && (name[2] == '\\' || name[2] == '/');
}

std::string LastPathPart(const std::string& name) {
  std::size_t p = name.find_last_of("\\/");
  return p == std::string::npos ? name : name.substr(p + 1);
}

std::string MapDriveRooted(const std::string& FileName) {
  if (IsDriveRooted(FileName)) return UserConfigFolder() + "/" + LastPathPart(FileName);
  return FileName;
}

std::string ParentFolder(const std::string& path) {
  std::size_t p = path.rfind('/');
  return p == std::string::npos ? std::string(".") : p == 0 ? std::string("/") : path.substr(0, p);
}

// Makes the user's configuration folder when a file is about to be written into it.
void PrepareFolderFor(const std::string& path) {
  std::string folder = ParentFolder(path);
  if (folder == UserConfigFolder()) ForceConfigFolder(folder);
}

void WriteSections(const std::string& path, const TIniSections& sections) {
  PrepareFolderFor(path);
  AtomicWriteFile(path, sections.Text());
}

}  // namespace

// ---- TCustomIniFile ----

int TCustomIniFile::ReadInteger(const std::string& Section, const std::string& Ident, int Default) {
  int v;
  return TryStrToInt(ReadString(Section, Ident, ""), v) ? v : Default;
}

void TCustomIniFile::WriteInteger(const std::string& Section, const std::string& Ident, int Value) {
  WriteString(Section, Ident, std::to_string(Value));
}

void TCustomIniFile::WriteStrings(const std::string& Section, const TValues& Values) {
  for (const auto& [Ident, Value] : Values) WriteString(Section, Ident, Value);
}

bool TCustomIniFile::ReadBool(const std::string& Section, const std::string& Ident, bool Default) {
  return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const std::string& Section, const std::string& Ident, bool Value) {
  WriteString(Section, Ident, Value ? "1" : "0");
}

double TCustomIniFile::ReadFloat(const std::string& Section, const std::string& Ident,
                                 double Default) {
  double v;
  return TryStrToFloat(ReadString(Section, Ident, ""), v) ? v : Default;
}

void TCustomIniFile::WriteFloat(const std::string& Section, const std::string& Ident,
                                double Value) {
  WriteString(Section, Ident, FloatToStr(Value));
}

bool TCustomIniFile::SectionExists(const std::string& Section) {
  TStringList keys;
  ReadSection(Section, keys);
  if (keys.Count() > 0) return true;
  TStringList sections;
  ReadSections(sections);
  for (int i = 0; i < sections.Count(); ++i)
    if (SameText(sections[i], Section)) return true;
  return false;
}

bool TCustomIniFile::ValueExists(const std::string& Section, const std::string& Ident) {
  TStringList keys;
  ReadSection(Section, keys);
  for (int i = 0; i < keys.Count(); ++i)
    if (SameText(keys[i], Ident)) return true;
  return false;
}

// ---- TIniSections ----

void TIniSections::Parse(const std::string& Text) {
  Clear();
  Section* current = nullptr;
  std::size_t start = 0;
  while (start < Text.size()) {
    std::size_t end = Text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = Text.size();
    std::string line = Text.substr(start, end - start);
    start = end;
    if (start < Text.size()) start += (Text[start] == '\r' && start + 1 < Text.size() && Text[start + 1] == '\n') ? 2 : 1;

    std::string trimmed = Trim(line);
    if (trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.find(']') != std::string::npos) {
      std::string name = trimmed.substr(1, trimmed.find(']') - 1);
      // A repeated section header continues the first section of that name.
      current = FindSection(name);
      if (!current) {
        FSections.push_back(Section{name, {}});
        current = &FSections.back();
      }
      continue;
    }
    Entry e;
    e.Raw = line;
    std::size_t eq = line.find('=');
    if (eq != std::string::npos && trimmed[0] != ';') {
      e.Key = Trim(line.substr(0, eq));
      e.Value = line.substr(eq + 1);
    }
    if (current) {
      if (!trimmed.empty()) current->Entries.push_back(std::move(e));
    } else if (!trimmed.empty()) {
      FLeading.push_back(line);
    }
  }
}

std::string TIniSections::Text() const {
  std::string out;
  for (const std::string& l : FLeading) out += l + "\r\n";
  bool first = true;
  for (const Section& s : FSections) {
    if (!first) out += "\r\n";
    first = false;
    out += "[" + s.Name + "]\r\n";
    for (const Entry& e : s.Entries) {
      if (e.Key.empty())
        out += e.Raw + "\r\n";
      else
        out += e.Key + "=" + e.Value + "\r\n";
    }
  }
  return out;
}

TIniSections::Section* TIniSections::FindSection(const std::string& Name) {
  for (Section& s : FSections)
    if (SameText(s.Name, Name)) return &s;
  return nullptr;
}

TIniSections::Section& TIniSections::AddSection(const std::string& Name) {
  if (Section* s = FindSection(Name)) return *s;
  FSections.push_back(Section{OneLine(Name), {}});
  return FSections.back();
}

TIniSections::Entry* TIniSections::FindKey(const std::string& SectionName, const std::string& Key) {
  Section* s = FindSection(SectionName);
  if (!s) return nullptr;
  for (Entry& e : s->Entries)
    if (!e.Key.empty() && SameText(e.Key, Key)) return &e;
  return nullptr;
}

bool TIniSections::SetValue(const std::string& SectionName, const std::string& Key,
                            const std::string& Value) {
  std::string value = OneLine(Value);
  if (Entry* e = FindKey(SectionName, Key)) {
    if (e->Value == value) return false;
    e->Value = value;
    return true;
  }
  Entry e;
  e.Key = Trim(OneLine(Key));
  e.Value = value;
  e.Raw = e.Key + "=" + e.Value;
  AddSection(SectionName).Entries.push_back(std::move(e));
  return true;
}

bool TIniSections::EraseSection(const std::string& Name) {
  for (auto it = FSections.begin(); it != FSections.end(); ++it)
    if (SameText(it->Name, Name)) {
      FSections.erase(it);
      return true;
    }
  return false;
}

bool TIniSections::DeleteKey(const std::string& SectionName, const std::string& Key) {
  Section* s = FindSection(SectionName);
  if (!s) return false;
  for (auto it = s->Entries.begin(); it != s->Entries.end(); ++it)
    if (!it->Key.empty() && SameText(it->Key, Key)) {
      s->Entries.erase(it);
      return true;
    }
  return false;
}

std::string TIniSections::CleanValue(const std::string& Raw) {
  std::string v = Trim(Raw);
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    v = v.substr(1, v.size() - 2);
  return v;
}

namespace {

void SectionKeys(TIniSections& sections, const std::string& Section, TStrings& Strings) {
  TUpdateScope<TStrings> update(Strings);
  Strings.Clear();
  if (TIniSections::Section* s = sections.FindSection(Section))
    for (const auto& e : s->Entries)
      if (!e.Key.empty()) Strings.Add(e.Key);
}

void SectionNames(const TIniSections& sections, TStrings& Strings) {
  TUpdateScope<TStrings> update(Strings);
  Strings.Clear();
  for (const auto& s : sections.Sections()) Strings.Add(s.Name);
}

void SectionValues(TIniSections& sections, const std::string& Section, TStrings& Strings) {
  TUpdateScope<TStrings> update(Strings);
  Strings.Clear();
  if (TIniSections::Section* s = sections.FindSection(Section))
    for (const auto& e : s->Entries)
      if (!e.Key.empty()) Strings.Add(e.Key + "=" + TIniSections::CleanValue(e.Value));
}

std::string ValueOf(TIniSections& sections, const std::string& Section, const std::string& Ident,
                    const std::string& Default) {
  TIniSections::Entry* e = sections.FindKey(Section, Ident);
  return e ? TIniSections::CleanValue(e->Value) : Default;
}

}  // namespace

// ---- TIniFile ----

TIniFile::TIniFile(const std::string& FileName) : TCustomIniFile(IniFilePath(FileName)) {}

TIniFile::TFileStamp TIniFile::Stamp() const {
  TFileStamp stamp;
  struct stat st;
  if (stat(FileName().c_str(), &st) != 0) return stamp;
  stamp.Exists = true;
  stamp.Device = st.st_dev;
  stamp.Inode = st.st_ino;
  stamp.Size = st.st_size;
  stamp.ModifiedNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
  stamp.ChangedNs = static_cast<long long>(st.st_ctim.tv_sec) * 1000000000LL + st.st_ctim.tv_nsec;
  return stamp;
}

TIniSections& TIniFile::Load() {
  const TFileStamp now = Stamp();
  if (!FKept || !(now == FKeptStamp)) {
    FKept = false;  // stays so should the read fail
    FKeptSections.Clear();
    FKeptSections.Parse(LoadText(FileName()));
    // A file changed while it was read is read again at the next call.
    FKept = Stamp() == now;
    FKeptStamp = now;
  }
  return FKeptSections;
}

template <class Change>
void TIniFile::Modify(Change change) {
  PrepareFolderFor(FileName());
  TLockFileScope lock(FileName());
  TIniSections sections = Load();
  if (!change(sections)) return;
  FKept = false;
  WriteSections(FileName(), sections);
  // The file now holds these contents, under the lock nobody else has changed it since.
  FKeptSections = std::move(sections);
  FKeptStamp = Stamp();
  FKept = FKeptStamp.Exists;
}

std::string TIniFile::ReadString(const std::string& Section, const std::string& Ident,
                                 const std::string& Default) {
  return ValueOf(Load(), Section, Ident, Default);
}

void TIniFile::WriteString(const std::string& Section, const std::string& Ident,
                           const std::string& Value) {
  Modify([&](TIniSections& s) { return s.SetValue(Section, Ident, Value); });
}

void TIniFile::WriteStrings(const std::string& Section, const TValues& Values) {
  Modify([&](TIniSections& s) {
    bool changed = false;
    for (const auto& [Ident, Value] : Values) changed = s.SetValue(Section, Ident, Value) || changed;
    return changed;
  });
}

void TIniFile::ReadSection(const std::string& Section, TStrings& Strings) {
  SectionKeys(Load(), Section, Strings);
}

void TIniFile::ReadSections(TStrings& Strings) { SectionNames(Load(), Strings); }

void TIniFile::ReadSectionValues(const std::string& Section, TStrings& Strings) {
  SectionValues(Load(), Section, Strings);
}

void TIniFile::EraseSection(const std::string& Section) {
  Modify([&](TIniSections& s) { return s.EraseSection(Section); });
}

void TIniFile::DeleteKey(const std::string& Section, const std::string& Ident) {
  Modify([&](TIniSections& s) { return s.DeleteKey(Section, Ident); });
}

// ---- TMemIniFile ----

TMemIniFile::TMemIniFile(const std::string& FileName) : TCustomIniFile(MapDriveRooted(FileName)) {
  FMemFileName = this->FileName();
  FSections.Parse(LoadText(FMemFileName));
}

std::string TMemIniFile::ReadString(const std::string& Section, const std::string& Ident,
                                    const std::string& Default) {
  return ValueOf(FSections, Section, Ident, Default);
}

void TMemIniFile::WriteString(const std::string& Section, const std::string& Ident,
                              const std::string& Value) {
  FSections.SetValue(Section, Ident, Value);
}

void TMemIniFile::ReadSection(const std::string& Section, TStrings& Strings) {
  SectionKeys(FSections, Section, Strings);
}

void TMemIniFile::ReadSections(TStrings& Strings) { SectionNames(FSections, Strings); }

void TMemIniFile::ReadSectionValues(const std::string& Section, TStrings& Strings) {
  SectionValues(FSections, Section, Strings);
}

void TMemIniFile::EraseSection(const std::string& Section) { FSections.EraseSection(Section); }

void TMemIniFile::DeleteKey(const std::string& Section, const std::string& Ident) {
  FSections.DeleteKey(Section, Ident);
}

void TMemIniFile::UpdateFile() {
  PrepareFolderFor(FMemFileName);
  TLockFileScope lock(FMemFileName);
  WriteSections(FMemFileName, FSections);
}

void TMemIniFile::GetStrings(TStrings& List) const {
  TStringList lines;
  lines.SetText(FSections.Text());
  List.Assign(&lines);
}

void TMemIniFile::SetStrings(const TStrings& List) { FSections.Parse(List.Text()); }

void TMemIniFile::Rename(const std::string& FileName, bool Reload) {
  FMemFileName = MapDriveRooted(FileName);
  if (Reload) FSections.Parse(LoadText(FMemFileName));
}

// ---- the user's configuration folder and registry ----

std::string UserConfigFolder() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') return xdg;
  const char* home = std::getenv("HOME");
  if (home && home[0] != '\0') return std::string(home) + "/.config";
  // CGI processes get no HOME: ask the user database.
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::string buf(static_cast<std::size_t>(size > 0 ? size : 16384), '\0');
  struct passwd pw {};
  struct passwd* result = nullptr;
  if (getpwuid_r(getuid(), &pw, buf.data(), buf.size(), &result) == 0 && result && pw.pw_dir &&
      pw.pw_dir[0] != '\0')
    return std::string(pw.pw_dir) + "/.config";
  return ".config";
}

void ForceConfigFolder(const std::string& Folder) {
  struct stat st {};
  if (::stat(Folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return;
  std::string path;
  std::size_t pos = 0;
  while (pos <= Folder.size()) {
    std::size_t slash = Folder.find('/', pos);
    if (slash == std::string::npos) slash = Folder.size();
    path = Folder.substr(0, slash);
    pos = slash + 1;
    if (path.empty()) continue;
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) throw EFCreateError::ForFile(Folder);
  }
  if (::stat(Folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) throw EFCreateError::ForFile(Folder);
}

std::string IniFilePath(const std::string& FileName) {
  if (IsDriveRooted(FileName)) return MapDriveRooted(FileName);
  if (FileName.find('/') == std::string::npos && FileName.find('\\') == std::string::npos)
    return UserConfigFolder() + "/" + FileName;
  return FileName;
}

void RegistryKeyToIni(const std::string& KeyPath, std::string& FilePath, std::string& Section) {
  std::string key = KeyPath;
  for (char& c : key)
    if (c == '/') c = '\\';
  while (!key.empty() && key.front() == '\\') key.erase(0, 1);
  while (!key.empty() && key.back() == '\\') key.pop_back();
  if (key.size() > 9 && SameText(key.substr(0, 9), "Software\\")) key.erase(0, 9);
  std::size_t sep = key.find('\\');
  std::string file = sep == std::string::npos ? key : key.substr(0, sep);
  Section = sep == std::string::npos ? std::string() : key.substr(sep + 1);
  // The file name is one path part: nothing may lead out of the configuration folder.
  if (file.empty() || file == "." || file == "..") file = "registry";
  if (file.size() < 4 || !SameText(file.substr(file.size() - 4), ".ini")) file += ".ini";
  FilePath = UserConfigFolder() + "/" + file;
}

// ---- TRegIniFile ----

namespace {
std::string RegistryFile(const std::string& KeyName) {
  std::string file, section;
  RegistryKeyToIni(KeyName, file, section);
  return file;
}
}  // namespace

TRegIniFile::TRegIniFile(const std::string& KeyName) : TCustomIniFile(RegistryFile(KeyName)) {
  std::string file;
  RegistryKeyToIni(KeyName, file, FSectionPrefix);
  FIni = std::make_unique<TIniFile>(file);
}

std::string TRegIniFile::SectionName(const std::string& Section) const {
  if (FSectionPrefix.empty()) return Section;
  if (Section.empty()) return FSectionPrefix;
  return FSectionPrefix + "\\" + Section;
}

std::string TRegIniFile::ReadString(const std::string& Section, const std::string& Ident,
                                    const std::string& Default) {
  return FIni->ReadString(SectionName(Section), Ident, Default);
}

void TRegIniFile::WriteString(const std::string& Section, const std::string& Ident,
                              const std::string& Value) {
  FIni->WriteString(SectionName(Section), Ident, Value);
}

void TRegIniFile::WriteStrings(const std::string& Section, const TValues& Values) {
  FIni->WriteStrings(SectionName(Section), Values);
}

void TRegIniFile::ReadSection(const std::string& Section, TStrings& Strings) {
  FIni->ReadSection(SectionName(Section), Strings);
}

void TRegIniFile::ReadSections(TStrings& Strings) { FIni->ReadSections(Strings); }

void TRegIniFile::ReadSectionValues(const std::string& Section, TStrings& Strings) {
  FIni->ReadSectionValues(SectionName(Section), Strings);
}

void TRegIniFile::EraseSection(const std::string& Section) {
  FIni->EraseSection(SectionName(Section));
}

void TRegIniFile::DeleteKey(const std::string& Section, const std::string& Ident) {
  FIni->DeleteKey(SectionName(Section), Ident);
}
