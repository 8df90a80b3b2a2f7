// The whole dispatcher, as the web engine drives it: a User-Agent, form fields and a body, on a
// server folder holding a definition and a database.  Input: the User-Agent up to a LF, then
// "name=value" field lines up to an empty one, then the body.  Whatever the request, no file
// appears outside the server's folder.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>

#include "fuzz_support.h"
#include "server/data_import.h"
#include "server/qnserver_form.h"

namespace fs = std::filesystem;

namespace {

// Root/a/b/srv is the server's folder; the fuzzer runs in Root/a, so a relative path that
// escapes lands where the check below sees it.
struct TServerFolder {
  fs::path Root, Server;
  std::map<std::string, std::string> Pristine;  // file name -> bytes, restored before each input
  std::map<std::string, mode_t> Modes;          // file name -> its permissions
  std::vector<std::string> Codes;               // the database's record codes
};

std::string Exec(TQNServerForm& Form, const std::string& UA, const std::string& Body = {},
                 std::map<std::string, std::string> Fields = {}) {
  TMemoryRequest Request(UA, Body);
  Request.Fields = std::move(Fields);
  Form.ExecRequest(Request);
  return Request.Reply;
}

std::unique_ptr<TQNServerForm> OpenForm(const TServerFolder& F) {
  auto Form = std::make_unique<TQNServerForm>(F.Server.string());
  Form->SeedRecordCodes(42);
  Form->ESStaffFirstExecRequest(nullptr);
  return Form;
}

TServerFolder& Folder() {
  static TServerFolder F = [] {
    TServerFolder S;
    S.Root = fs::path(fuzz::PrivateFolder()) / "dispatcher";
    S.Server = S.Root / "a" / "b" / "srv";
    fs::remove_all(S.Root);
    fs::create_directories(S.Server);
    fs::current_path(S.Root / "a");
    TConfiguration C;
    C.DetailNames[0] = "Number";
    C.DetailKinds[0] = "Record Counter";
    C.DescriptionNames[0] = "Country";
    C.StatusWord = "Active";
    std::string Set, Atr;
    TValueWriter W(Set);
    WriteConfiguration(W, C, 0);
    TValueWriter WA(Atr);
    WriteAttributes(WA, TAttributes{});
    std::ofstream(S.Server / "General.set", std::ios::binary) << Set;
    std::ofstream(S.Server / "General.atr", std::ios::binary) << Atr;
    {
      auto Form = OpenForm(S);
      Exec(*Form, "CreateDB:books;General", {}, {{"Name", "books"}, {"FileCode", "FCbooks"}});
      for (int i = 0; i < 3; ++i) Exec(*Form, "E:books");
      for (int i = 0; i < Form->Database()->Count(); ++i)
        S.Codes.push_back(Form->Database()->Record(i).Code);
      Form->FormClose();
    }
    for (const auto& Entry : fs::directory_iterator(S.Server)) {
      const std::string Name = Entry.path().filename().string();
      struct stat Info {};
      if (::stat(Entry.path().c_str(), &Info) != 0) std::abort();
      S.Pristine[Name] = ReadWholeFile(Entry.path());
      S.Modes[Name] = Info.st_mode & 07777;
    }
    return S;
  }();
  return F;
}

// Puts the server's folder back as it was made: what a request added goes, and what it changed
// or removed is written again.  Most inputs change nothing, and a look at the folder costs far
// less than writing it anew.
void Restore(const TServerFolder& F) {
  std::error_code Ignored;
  fs::create_directories(F.Server, Ignored);
  std::set<std::string> Intact;
  for (const auto& Entry : fs::directory_iterator(F.Server)) {
    const std::string Name = Entry.path().filename().string();
    const auto Found = F.Pristine.find(Name);
    if (Found == F.Pristine.end() || !Entry.is_regular_file(Ignored) || Entry.is_symlink(Ignored)) {
      fs::remove_all(Entry.path(), Ignored);
      continue;
    }
    struct stat Info {};
    if (::stat(Entry.path().c_str(), &Info) == 0 && (Info.st_mode & 07777) == F.Modes.at(Name) &&
        static_cast<std::size_t>(Info.st_size) == Found->second.size() && ReadWholeFile(Entry.path()) == Found->second)
      Intact.insert(Name);
  }
  for (const auto& [Name, Bytes] : F.Pristine) {
    if (Intact.count(Name)) continue;
    const fs::path Path = F.Server / Name;
    fs::remove_all(Path, Ignored);
    WriteWholeFile(Path, Bytes);
    ::chmod(Path.c_str(), F.Modes.at(Name));
  }
}

// Only the way down to the server's folder may be above it.
void CheckNothingOutside(const TServerFolder& F) {
  const std::pair<fs::path, const char*> Levels[] = {{F.Root, "a"}, {F.Root / "a", "b"}, {F.Root / "a" / "b", "srv"}};
  for (const auto& [Level, Only] : Levels)
    if (!fuzz::FolderHoldsOnly(Level.string(), Only)) __builtin_trap();
}

std::string Request(const std::string& UA, const std::map<std::string, std::string>& Fields,
                    const std::string& Body) {
  std::string Out = UA + "\n";
  for (const auto& [Name, Value] : Fields) Out += Name + "=" + Value + "\n";
  return Out + "\n" + Body;
}

}  // namespace

std::vector<std::string> FuzzSeeds() {
  const TServerFolder& F = Folder();
  const std::string& Code = F.Codes.at(0);
  ItemRecord R;
  R.Code = Code;
  R.Name = "Saved";
  R.Descriptions[0] = "France";
  R.Grid3 = "2,2\r\n1,1,cell\r\n";
  TChangeMask Mask;
  Mask.SetAll(true);
  std::string Save;
  TValueWriter W(Save);
  Mask.Write(W);
  WriteItemRecord(W, R, TRecordForm::Stream);
  std::string ConfigSave;
  TValueWriter WC(ConfigSave);
  Mask.Write(WC);
  TConfiguration C;
  C.DescriptionNames[0] = "Land";
  WriteConfiguration(WC, C, 3);
  std::string Import;
  TValueWriter WI(Import);
  WI.WriteInteger(2);
  WI.WriteInteger(2);
  WI.WriteChars("3,2\r\n0,0,Name\r\n1,0,Colour\r\n0,1,Chair\r\n1,1,Red\r\n");
  for (int i = 0; i < ImportCodeCount; ++i) WI.WriteInteger(i == 0 ? 0 : 200);  // 200: not imported
  const std::string Search = "11,1\r\n3,0,210\r\n4,0,1\r\n5,0,chair\r\n10,0,0\r\n";
  return {
      Request("F:books", {}, ""),
      Request("E:books", {}, ""),
      Request("G" + Code + ":books", {}, ""),
      Request("S" + Code + ":books", {}, Save),
      Request("D" + Code + ":books", {}, ""),
      Request("CL:books", {}, ""),
      Request("CS:books", {}, ConfigSave),
      Request("CreateDB:more;General", {{"Name", "more"}, {"FileCode", "X"}}, ""),
      Request("M:books", {}, Import),
      Request("2:books", {}, Search),
      Request("1:books", {}, ""),
      Request("Y:books", {}, ""),
      Request("X:books", {}, "2,1\r\n0,0," + Code + "\r\n1,0,Name\r\n"),
      Request("RS" + Code + ":books", {}, "report bytes"),
      Request("RR" + Code + ":books", {}, ""),
      Request("IS1" + Code + ":books", {}, "image bytes"),
      Request("IR1" + Code + ":books", {}, ""),
      Request("A:books", {}, ""),
      Request("3:books", {}, ""),
      Request("4:books", {}, ""),
      Request("5:books", {}, ""),
      Request("Bx:books", {}, ""),
      Request("H:books", {}, ""),
      Request("Z:books", {}, ""),
      Request("U:books", {}, ""),
      Request("browser", {{"Database", "books"}, {"QuickSearch", "chair"}, {"IM", "1"}}, ""),
  };
}

QN_FUZZ_SEEDS_FROM_ARGUMENTS

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  TServerFolder& F = Folder();
  std::string_view Input = fuzz::AsView(Data, Size);
  const std::string UA(fuzz::Take(Input, '\n'));
  std::map<std::string, std::string> Fields;
  while (!Input.empty()) {
    const std::string_view Line = fuzz::Take(Input, '\n');
    if (Line.empty()) break;
    const std::size_t Eq = Line.find('=');
    Fields[std::string(Line.substr(0, Eq))] = Eq == std::string_view::npos ? "" : std::string(Line.substr(Eq + 1));
  }
  Restore(F);
  {
    auto Form = OpenForm(F);
    try {
      Exec(*Form, UA, std::string(Input), Fields);
      // A second request on the same form reads back what the first one left.
      Exec(*Form, "F:books");
      Form->ESStaffLastExecRequest(nullptr);
    } catch (const Exception&) {
    }
  }
  CheckNothingOutside(F);
  return 0;
}
