#include "platform/rtl/ini_files.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>

#include <cstdlib>
#include <filesystem>

#include "platform/rtl/file_io.h"
#include "rtl_temp_folder.h"

namespace {

// Points the user's configuration folder at a temporary folder for one test.
class IniTest : public ::testing::Test {
protected:
  void SetUp() override {
    const char* old = std::getenv("XDG_CONFIG_HOME");
    FHadOld = old != nullptr;
    if (old) FOld = old;
    FConfig = FDir.File("config");
    setenv("XDG_CONFIG_HOME", FConfig.c_str(), 1);
  }
  void TearDown() override {
    if (FHadOld)
      setenv("XDG_CONFIG_HOME", FOld.c_str(), 1);
    else
      unsetenv("XDG_CONFIG_HOME");
  }
  TTempFolder FDir;
  std::string FConfig;
  bool FHadOld = false;
  std::string FOld;
};

}  // namespace

TEST_F(IniTest, MissingFileReadsAsDefaults) {
  TIniFile ini(FDir.File("none.ini"));
  EXPECT_EQ(ini.ReadString("S", "k", "dflt"), "dflt");
  EXPECT_EQ(ini.ReadInteger("S", "k", 42), 42);
  EXPECT_TRUE(ini.ReadBool("S", "k", true));
  EXPECT_DOUBLE_EQ(ini.ReadFloat("S", "k", 1.5), 1.5);
  EXPECT_FALSE(ini.SectionExists("S"));
  EXPECT_FALSE(std::filesystem::exists(FDir.File("none.ini")));
}

TEST_F(IniTest, ValuesAreTrimmedUnquotedAndNamesMatchWithoutCase) {
  const std::string name = FDir.File("a.ini");
  AtomicWriteFile(name,
                  "; comment\r\n[SearchW:]\r\n  Key1 =  spaced value  \r\nQ=\"quoted \"\r\n"
                  "SEARCHCOL:3=7\r\nhex=$1F\r\nhex2=0x10\r\nbad=12abc\r\nneg=-5\r\n"
                  "[Other]\nflag=0\nf=2.25\n");
  TIniFile ini(name);
  EXPECT_EQ(ini.ReadString("searchw:", "KEY1", ""), "spaced value");
  EXPECT_EQ(ini.ReadString("SearchW:", "q", ""), "quoted ");
  EXPECT_EQ(ini.ReadInteger("SearchW:", "searchcol:3", 0), 7);
  EXPECT_EQ(ini.ReadInteger("SearchW:", "hex", 0), 31);
  EXPECT_EQ(ini.ReadInteger("SearchW:", "hex2", 0), 16);
  EXPECT_EQ(ini.ReadInteger("SearchW:", "bad", -1), -1);
  EXPECT_EQ(ini.ReadInteger("SearchW:", "neg", 0), -5);
  EXPECT_FALSE(ini.ReadBool("Other", "flag", true));
  EXPECT_DOUBLE_EQ(ini.ReadFloat("Other", "f", 0), 2.25);
  TStringList keys;
  ini.ReadSection("SEARCHW:", keys);
  EXPECT_EQ(keys.ToVector(),
            (std::vector<std::string>{"Key1", "Q", "SEARCHCOL:3", "hex", "hex2", "bad", "neg"}));
  TStringList sections;
  ini.ReadSections(sections);
  EXPECT_EQ(sections.ToVector(), (std::vector<std::string>{"SearchW:", "Other"}));
  TStringList values;
  ini.ReadSectionValues("other", values);
  EXPECT_EQ(values.ToVector(), (std::vector<std::string>{"flag=0", "f=2.25"}));
  EXPECT_TRUE(ini.ValueExists("other", "F"));
  EXPECT_FALSE(ini.ValueExists("other", "g"));
}

TEST_F(IniTest, IniFileWritesAtOnceAndKeepsTheRest) {
  const std::string name = FDir.File("w.ini");
  AtomicWriteFile(name, "; keep this comment\r\n[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n");
  TIniFile ini(name);
  ini.WriteString("a", "X", "10");
  ini.WriteBool("C", "on", true);
  ini.WriteInteger("B", "z", -3);
  EXPECT_EQ(ReadFileBytes(name),
            "; keep this comment\r\n[A]\r\nx=10\r\n\r\n[B]\r\ny=2\r\nz=-3\r\n\r\n[C]\r\non=1\r\n");
  ini.DeleteKey("B", "Y");
  ini.EraseSection("a");
  TIniFile again(name);
  EXPECT_EQ(again.ReadString("A", "x", "gone"), "gone");
  EXPECT_EQ(again.ReadString("B", "y", "gone"), "gone");
  EXPECT_EQ(again.ReadInteger("B", "z", 0), -3);
  EXPECT_TRUE(again.ReadBool("c", "ON", false));
}

// An INI file keeps what it parsed between calls: every change of the file, by this object,
// another one or another program, and in place or by replacement, is still seen at the next read.
TEST_F(IniTest, IniFileReadsSeeEveryChangeOfTheFile) {
  const std::string name = FDir.File("kept.ini");
  AtomicWriteFile(name, "[S]\nk=1\nn=7\n");
  TIniFile ini(name);
  ASSERT_EQ(ini.ReadString("S", "k", ""), "1");

  TIniFile other(name);  // another writer: the file is replaced
  other.WriteString("S", "k", "2");
  EXPECT_EQ(ini.ReadString("S", "k", ""), "2");

  ini.WriteString("S", "k", "3");  // its own write, then another's over it
  EXPECT_EQ(ini.ReadInteger("S", "k", 0), 3);
  other.WriteString("S", "n", "8");
  EXPECT_EQ(ini.ReadInteger("S", "n", 0), 8);
  EXPECT_EQ(ini.ReadInteger("S", "k", 0), 3);
  TStringList keys;
  other.WriteString("S", "new", "x");
  ini.ReadSection("S", keys);
  EXPECT_EQ(keys.Count(), 3);

  // Rewritten in place, the same length, with its modification time put back.
  struct stat before;
  ASSERT_EQ(stat(name.c_str(), &before), 0);
  std::string text = ReadFileBytes(name);
  const auto at = text.find("k=3");
  ASSERT_NE(at, std::string::npos);
  text[at + 2] = '4';
  {
    FILE* f = std::fopen(name.c_str(), "r+");
    ASSERT_NE(f, nullptr);
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
  }
  const struct timespec times[2] = {before.st_atim, before.st_mtim};
  ASSERT_EQ(utimensat(AT_FDCWD, name.c_str(), times, 0), 0);
  EXPECT_EQ(ini.ReadInteger("S", "k", 0), 4);

  // Gone, then back.
  std::filesystem::remove(name);
  EXPECT_EQ(ini.ReadString("S", "k", "gone"), "gone");
  EXPECT_FALSE(ini.SectionExists("S"));
  TMemIniFile mem(name);
  mem.WriteString("S", "k", "5");
  mem.UpdateFile();
  EXPECT_EQ(ini.ReadInteger("S", "k", 0), 5);
}

// Several values written at once give the file that writing them one by one gives: new keys
// in order after the section's others, changed keys in place, the rest of the file kept; a
// registry key writes them into its own section.
TEST_F(IniTest, ValuesWrittenTogetherGiveTheFileOfSingleWrites) {
  const std::string text = "; head\n[Other]\nk=1\n[S]\nb=old\nkeep=yes\n";
  const std::string together = FDir.File("together.ini"), single = FDir.File("single.ini");
  AtomicWriteFile(together, text);
  AtomicWriteFile(single, text);
  const TCustomIniFile::TValues values = {{"a", "1"}, {"B", "new"}, {"c", "line\nbreak"}, {"a", "2"}, {"keep", "yes"}};
  TIniFile one(together), other(single);
  one.WriteStrings("s", values);
  for (const auto& [key, value] : values) other.WriteString("s", key, value);
  EXPECT_EQ(ReadFileBytes(together), ReadFileBytes(single));
  EXPECT_EQ(one.ReadString("S", "b", ""), "new");
  EXPECT_EQ(one.ReadInteger("S", "a", 0), 2);
  one.WriteStrings("New", {});
  EXPECT_FALSE(one.SectionExists("New"));

  TRegIniFile reg("Quillon\\Client");
  reg.WriteStrings("Sizes", {{"W", "10"}, {"H", "20"}});
  reg.WriteString("Sizes", "D", "30");
  std::string file, section;
  RegistryKeyToIni("Quillon\\Client", file, section);
  EXPECT_EQ(ReadFileBytes(file), "[Client\\Sizes]\r\nW=10\r\nH=20\r\nD=30\r\n");
}

TEST_F(IniTest, LineBreaksInValuesCannotAddKeys) {
  const std::string name = FDir.File("inject.ini");
  TIniFile ini(name);
  ini.WriteString("S", "name", "evil\r\n[S]\r\nadmin=1");
  EXPECT_EQ(ini.ReadString("S", "admin", "none"), "none");
  TStringList keys;
  ini.ReadSection("S", keys);
  EXPECT_EQ(keys.Count(), 1);
}

TEST_F(IniTest, MemIniFileWritesOnUpdateFile) {
  const std::string name = FDir.File("mem.ini");
  TMemIniFile mem(name);
  mem.WriteString("Grid", "col0", "64");
  EXPECT_EQ(mem.ReadInteger("grid", "COL0", 0), 64);
  EXPECT_FALSE(std::filesystem::exists(name));
  mem.UpdateFile();
  TIniFile disk(name);
  EXPECT_EQ(disk.ReadInteger("Grid", "col0", 0), 64);
  disk.WriteString("Grid", "col1", "9");
  EXPECT_EQ(mem.ReadString("Grid", "col1", "stale"), "stale");  // read once, when created
  mem.Rename(name, true);
  EXPECT_EQ(mem.ReadString("Grid", "col1", ""), "9");
}

TEST_F(IniTest, SettingsKeyLivesInTheConfigurationFolder) {
  TRegIniFile reg(SettingsKeyName);
  EXPECT_EQ(reg.ReadString(SettingsSection, "ServerURL", "none"), "none");
  reg.WriteString(SettingsSection, "ServerURL", "http://127.0.0.1:6777/");
  const std::string file = FConfig + "/QuillonClient.ini";
  ASSERT_TRUE(std::filesystem::exists(file));  // the folder was created on first write
  struct stat st {};
  ASSERT_EQ(stat(FConfig.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(ReadFileBytes(file), "[SETTINGS]\r\nServerURL=http://127.0.0.1:6777/\r\n");
  TIniFile same(file);
  EXPECT_EQ(same.ReadString("settings", "serverurl", ""), "http://127.0.0.1:6777/");
}

TEST_F(IniTest, RegistryKeysMapToFilesAndSections) {
  std::string file, section;
  RegistryKeyToIni("Software\\Quillon\\Grid\\Widths", file, section);
  EXPECT_EQ(file, FConfig + "/Quillon.ini");
  EXPECT_EQ(section, "Grid\\Widths");
  RegistryKeyToIni("QuillonClient.ini", file, section);
  EXPECT_EQ(file, FConfig + "/QuillonClient.ini");
  EXPECT_EQ(section, "");
  RegistryKeyToIni("..\\x", file, section);
  EXPECT_EQ(file.find(".."), file.find("..") == std::string::npos ? std::string::npos : file.size());
  EXPECT_EQ(std::filesystem::path(file).parent_path(), std::filesystem::path(FConfig));
  TRegIniFile reg("Software\\Quillon\\Grid");
  reg.WriteInteger("Sizes", "col0", 80);
  TIniFile ini(FConfig + "/Quillon.ini");
  EXPECT_EQ(ini.ReadInteger("Grid\\Sizes", "col0", 0), 80);
  EXPECT_EQ(IniFilePath("c:\\labels.ini"), FConfig + "/labels.ini");
  EXPECT_EQ(IniFilePath("print.ini"), FConfig + "/print.ini");
  EXPECT_EQ(IniFilePath("/abs/p.ini"), "/abs/p.ini");
}

TEST(UserConfigFolder, FallsBackWithoutXdgOrHome) {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  std::string oldXdg = xdg ? xdg : "", oldHome = home ? home : "";
  unsetenv("XDG_CONFIG_HOME");
  setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(UserConfigFolder(), "/home/someone/.config");
  setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
  EXPECT_EQ(UserConfigFolder(), "/home/someone/.config");
  unsetenv("XDG_CONFIG_HOME");
  unsetenv("HOME");
  std::string fallback = UserConfigFolder();
  EXPECT_EQ(fallback.substr(fallback.size() - 8), "/.config");
  EXPECT_EQ(fallback[0], '/');
  if (xdg) setenv("XDG_CONFIG_HOME", oldXdg.c_str(), 1);
  if (home) setenv("HOME", oldHome.c_str(), 1);
}
