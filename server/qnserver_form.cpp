#include "server/qnserver_form.h"

#include <utility>

#include "server/data_import.h"
#include "server/definition_table.h"
#include "platform/rtl/file_io.h"
#include "platform/sys/files.h"
#include "server/report_data.h"
#include "server/search_index.h"
#include "server/searches.h"
#include "server/server_functions.h"
#include "records/server_names.h"

namespace {

const char* const InvalidRequest = "<HTML>Invalid Request</HTML>";
const char* const ErrorLocalMode = kErrorLocalModeReply;

bool StartsWith(const std::string& Text, const char* Prefix) { return Text.rfind(Prefix, 0) == 0; }

std::string Part(const std::string& Text, std::size_t From, std::size_t Count) {
  return From < Text.size() ? Text.substr(From, Count) : std::string();
}

// False when a command that uses its record code (or image slot) as a file name carries one
// that is not a plain code.
bool FileCommandIsSafe(const std::string& UA) {
  if (StartsWith(UA, "RS") || StartsWith(UA, "RR")) return IsSafeRecordCode(Part(UA, 2, 8));
  if (StartsWith(UA, "IS") || StartsWith(UA, "IR"))
    return UA.size() > 2 && UA[2] >= '1' && UA[2] <= '6' && IsSafeRecordCode(Part(UA, 3, 8));
  if (StartsWith(UA, "D")) return IsSafeRecordCode(Part(UA, 1, 8));
  return true;
}

}  // namespace

// However the request ends: what it changed and did not store is dropped (the client was told
// it failed), and the request pointer is cleared.
struct TQNServerForm::TRequestScope {
  TQNServerForm& Form;
  TRequestScope(TQNServerForm& F, TServerRequest& Request) : Form(F) { Form.FRequest = &Request; }
  ~TRequestScope() {
    Form.DropUnsavedChanges();
    Form.Idle();
    Form.FRequest = nullptr;
  }
};

TQNServerForm::TQNServerForm(std::string ProgramFolder, TComponent* AOwner)
    : TComponent(AOwner), FProgramFolder(std::move(ProgramFolder)) {
  if (FProgramFolder.empty() || FProgramFolder.back() != '/') FProgramFolder += '/';
}

TQNServerForm::~TQNServerForm() {
  try {
    FormClose();
  } catch (const Exception&) {
    // Nothing is left to report to: the file keeps its last saved state.
  }
}

void TQNServerForm::ESStaffFirstExecRequest(TObject*) {
  FCurrentPath.clear();
  FRequestedPath.clear();
  FBuffer.clear();
}

void TQNServerForm::ESStaffLastExecRequest(TObject*) { ShutDown(TCloseFold::None); }

void TQNServerForm::FormClose() {
  ShutDown(TCloseFold::Now);
  for (auto& File : FClosing) File->FinishFold(nullptr, true);
  FClosing.clear();
}

void TQNServerForm::DropUnsavedChanges() {
  if (!FDatabase || !FDatabase->HasUnsavedChanges()) return;
  try {
    FDatabase->Rollback();
    LogLine("Changes to " + FCurrentPath + " that were not stored are dropped");
  } catch (const std::exception&) {
    // Rollback reads back bytes it wrote itself; nothing is left to report to.
  }
}

void TQNServerForm::Idle() {
  std::string Error;
  for (auto It = FClosing.begin(); It != FClosing.end();) {
    if ((*It)->FinishFold(nullptr, false, &Error)) {
      if (!Error.empty()) LogLine("Cannot write " + (*It)->FileName() + " whole: " + Error);
      It = FClosing.erase(It);
    } else {
      ++It;
    }
  }
  if (!FDatabase || !FFile) return;
  Error.clear();
  if (FFile->FinishFold(FDatabase.get(), false, &Error) && !Error.empty())
    LogLine("Cannot write " + FCurrentPath + " whole: " + Error);
  if (FDatabase->Writable() && !FDatabase->HasUnsavedChanges() && FFile->FoldDue())
    FFile->StartFold(*FDatabase);
}

void TQNServerForm::StartFold() {
  if (FDatabase && FFile && FDatabase->Writable() && FFile->HasJournal()) FFile->StartFold(*FDatabase);
}

void TQNServerForm::LogLine(const std::string& Text) {
  if (FRequest) FRequest->WriteLogLine(Text);
}

// ---------------------------------------------------------------------------------------------
// Dispatcher

void TQNServerForm::ExecRequest(TServerRequest& Request) {
  TRequestScope Scope(*this, Request);
  Request.SetContentType("text/html");
  Request.WriteLogLines("Quick:" + Field("QuickSearch"), "Database:" + Field("Database"));
  FUserAgent = Request.GetUserAgent();
  const std::string& UA = FUserAgent;

  if (StartsWith(UA, "CreateDB")) {
    const auto Colon = UA.find(':');
    const auto Semicolon = Colon == std::string::npos ? Colon : UA.find(';', Colon + 1);
    if (Semicolon == std::string::npos) return ReplyInvalidRequest();
    const std::string Name = UA.substr(Colon + 1, Semicolon - Colon - 1);
    const std::string Configuration = UA.substr(Semicolon + 1);
    if (!IsSafeDatabaseName(Name) || !IsSafeDatabaseName(Configuration))
      return ReplyInvalidRequest();
    ShutDown(TCloseFold::Background);
    StartUp(std::string());
    CreateNewDatabase(Name, Configuration);
    return;
  }

  std::string Path;
  if (!ReturnDBFilePath(Path) || !FileCommandIsSafe(UA)) return ReplyInvalidRequest();
  FRequestedPath = Path;

  try {
    if (FCurrentPath != FRequestedPath || !FDatabase) {
      ShutDown(TCloseFold::Background);
      StartUp(FRequestedPath);
    }
    FCommandLetter = UA[0];
    if (FBrowserMode) {
      Field("IM");  // pictures for browsers are not served: the reply stays empty
      return;
    }
    const std::string Command = UA.substr(0, 9);
    switch (FCommandLetter) {
      case 'G':
      case 'F':
      case 'N':
      case 'P':
        return SendRecord(Command);
      case 'E':
      case 'J':
        FDatabase->CheckWritable();
        FCurrentIndex = FDatabase->NewRecord(FCodes);
        SaveDatabase();
        return SendRecordAt(FCurrentIndex, Command);
      case 'D':
        FDatabase->CheckWritable();
        return DeleteRecord();
      case 'Z':
        return ::ProcessHTMLRequest(Context());
      case 'S':
        FDatabase->CheckWritable();
        return SaveRecord();
      case '1':
        return ::ReturnData(Context());
      case '2':
        return LoadSearch();
      case 'X':
        return FGridLines.UpdateGrid(Context());
      case 'B':
        return FGridLines.GenerateGridSummary(Context(), UA);
      case '3':
        return ::GenerateReport(Context());
      case '4':
        return ::SendGraphData(Context());
      case 'A':
        return SendAddressPrintStream();
      case 'Y':
        return BuildSearchIndex();
      case 'H':
        return Reply(FileExists(FRequestedPath) ? "<HTML>database found</HTML>"
                                                      : "<HTML>database not found</HTML>");
      case 'U':
        return SendDataFile(FUserListFile);
      case '5':
        return SendSearchDisplay();
      case 'R':
        if (StartsWith(UA, "RS")) return SaveDataFile(Part(UA, 2, 8) + ".res");
        if (StartsWith(UA, "RR")) return SendDataFile(Part(UA, 2, 8) + ".res");
        return;
      case 'I':
        if (StartsWith(UA, "IS")) return SaveDataFile(Part(UA, 3, 8) + ".im" + UA[2]);
        if (StartsWith(UA, "IR")) return SendDataFile(Part(UA, 3, 8) + ".im" + UA[2]);
        return;
      case 'C':
        if (StartsWith(UA, "CL")) return SendClientConfiguration();
        if (StartsWith(UA, "CS")) {
          FDatabase->CheckWritable();
          return SaveClientConfiguration();
        }
        return;
      case 'M':
        return ::ImportData(Context(), FCodes);
      default:
        return ReplyInvalidRequest();
    }
  } catch (const std::exception& E) {
    Request.WriteLogLine(std::string("Request ") + UA.substr(0, 9) + " failed: " + E.what());
    Reply(ErrorLocalMode);
  }
}

bool TQNServerForm::ReturnDBFilePath(std::string& Path) {
  std::string Name = Field("Database");
  if (!Name.empty()) {
    FBrowserMode = true;
  } else {
    FBrowserMode = false;
    const auto Colon = FUserAgent.find(':');
    if (Colon == std::string::npos) return false;
    Name = FUserAgent.substr(Colon + 1);
    FUserListFile = "userlist.dat";
  }
  if (!IsSafeDatabaseName(Name)) return false;
  Path = FProgramFolder + Name + ".qnd";
  return true;
}

// ---------------------------------------------------------------------------------------------
// Opening and closing databases

void TQNServerForm::StartUp(const std::string& Path) {
  FDatabase = std::make_unique<TDatabase>();
  FFile.reset();
  FCurrentPath = Path;
  FCurrentIndex = 0;
  FBuffer.clear();
  if (Path.empty()) return;
  // A whole write of this database that its last close began ends first.
  for (auto It = FClosing.begin(); It != FClosing.end();) {
    if ((*It)->FileName() == Path) {
      (*It)->FinishFold(nullptr, true);
      It = FClosing.erase(It);
    } else {
      ++It;
    }
  }
  FFile = std::make_unique<TDatabaseFile>(Path);
  FFile->RemoveStaleTemporaries();
  if (FileExists(Path)) LoadDatabase();
  FDatabase->Baseline();
}

void TQNServerForm::ShutDown(TCloseFold Fold) {
  if (!FDatabase) return;
  // Changes are stored when they are made: a database is closed with what is stored, and its
  // journal is folded into the file as Fold says.  A failure here is this database's alone: it
  // is logged, and the database closes all the same.
  if (FDatabase->Writable() && !FCurrentPath.empty()) {
    try {
      if (!FFile) FFile = std::make_unique<TDatabaseFile>(FCurrentPath);
      if (Fold != TCloseFold::Background) FFile->FinishFold(FDatabase.get(), true);
      if (FDatabase->Changed) FFile->Save(*FDatabase);
      if (Fold == TCloseFold::Now && FFile->HasJournal()) FFile->Fold(*FDatabase);
      if (Fold == TCloseFold::Background && !FFile->Folding() && FFile->HasJournal()) FFile->StartFold(*FDatabase);
    } catch (const std::exception& E) {
      LogLine("Cannot save " + FCurrentPath + ": " + E.what());
    }
  }
  // A whole write under way goes on without the database (its records are shared with it).
  if (FFile && FFile->Folding()) FClosing.push_back(std::move(FFile));
  FDatabase.reset();
  FFile.reset();
  FCurrentPath.clear();
  FBuffer.clear();
}

void TQNServerForm::SaveDatabase() {
  FDatabase->CheckWritable();
  if (FCurrentPath.empty()) throw Exception("No database is open");
  try {
    if (!FFile || FFile->FileName() != FCurrentPath)
      FFile = std::make_unique<TDatabaseFile>(FCurrentPath);
    FFile->Save(*FDatabase);
  } catch (const std::exception& E) {
    // What could not be stored is not kept either: the request reports the failure, and a later
    // save must not store it behind the client's back.
    LogLine("Cannot save " + FCurrentPath + ": " + E.what());
    FDatabase->Rollback();
    throw;
  }
}

void TQNServerForm::LoadDatabase() {
  TDatabase& D = *FDatabase;
  try {
    FFile->Load(D);
  } catch (const Exception& E) {
    LogLine("Cannot load " + FCurrentPath + ": " + E.Message());
    D.MarkLoadFailed();
    return;
  }
  if (!D.Loaded()) {
    LogLine("Cannot load " + FCurrentPath + ": the file does not hold a database; it is not changed");
    return;
  }
  const std::string& Attributes = D.HeaderStrings[1];
  std::string AttributeBytes;
  if (IsSafeDatabaseName(Attributes) && FileExists(FProgramFolder + Attributes)) {
    try {
      AttributeBytes = ReadFileBytes(FProgramFolder + Attributes);
    } catch (const Exception&) {
      AttributeBytes.clear();
    }
  }
  LoadAttributes(AttributeBytes, D.Config);
  if (D.Count() > 14) {
    for (int i = 0; i < 10; ++i) D.RecomputeDistinctValues(i);
    UpdateDefinitionTable();
  }
}

void TQNServerForm::UpdateDefinitionTable() {
  try {
    ::UpdateDefinitionTable(FProgramFolder + "dbdefinition.dat", FDatabase->Config);
  } catch (const Exception& E) {
    if (FRequest) FRequest->WriteLogLine("dbdefinition.dat: " + E.Message());
  }
}

// ---------------------------------------------------------------------------------------------
// Records

int TQNServerForm::GetDataNumber(const std::string& Code) {
  TDatabase& D = *FDatabase;
  int Index = D.FindRecordIndex(Code);
  if (FCommandLetter == 'N' && Index < D.Count() - 1) ++Index;
  if (FCommandLetter == 'P' && Index > 0) --Index;
  if (Index == -1 && FCommandLetter != '5') Index = 0;
  return Index;
}

void TQNServerForm::SendRecord(const std::string& Command) {
  const int Index = Command[0] == 'F' ? 0 : GetDataNumber(Part(Command, 1, 8));
  SendRecordAt(Index, Command);
}

void TQNServerForm::SendRecordAt(int Index, const std::string& Command) {
  FCurrentIndex = Index;
  try {
    FBuffer.clear();
    TValueWriter W(FBuffer);
    WriteItemRecord(W, std::as_const(*FDatabase).Record(Index), TRecordForm::Stream);
    ReplyBytes(FBuffer);
  } catch (const std::exception&) {
    Reply("<HTML>Error in Request" + Command + " : " + std::to_string(FCurrentIndex) + " : " +
          std::to_string(FDatabase->Count()) + "</HTML>");
  }
}

void TQNServerForm::SaveRecord() {
  // The whole body is read and checked before anything is stored.
  TChangeMask Mask;
  ItemRecord In;
  try {
    FBuffer = ReadBody();
    TValueReader R(FBuffer);
    Mask.Read(R);
    ReadItemRecord(R, In, TRecordForm::Stream);
  } catch (const std::exception&) {
    return Reply("<HTML>Load Error" + std::to_string(FRequest->GetContentLength()) + "<HTML>");
  }
  TDatabase& D = *FDatabase;
  // A record that is gone (another client deleted it) is not made again from the few fields
  // this save flags: the client is told, and asks its user what becomes of what is shown.
  const std::string Code = Part(FUserAgent, 1, 8);
  if (D.FindRecordIndex(Code) < 0) {
    FCurrentIndex = 0;
    return Reply("<HTML>Error in record save.</HTML>");
  }
  try {
    FCurrentIndex = GetDataNumber(Code);
    // Merged into a copy first: a save that changes nothing writes nothing.
    const ItemRecord& Old = std::as_const(D).Record(FCurrentIndex);
    ItemRecord Merged = Old;
    const std::vector<int> Descriptions = MergeItemRecord(std::move(In), Mask, Merged);
    const bool CodeChanged = Merged.Code != Old.Code;
    // A record keeps a code of the server's form that no other record has.
    if (CodeChanged && (!IsRecordCode(Merged.Code) || D.FindRecordIndex(Merged.Code) >= 0))
      throw EConvertError("Record code taken or malformed: " + Merged.Code);
    if (!(Merged == Old)) {
      D.Record(FCurrentIndex) = std::move(Merged);
      for (int Description : Descriptions) D.RecomputeDistinctValues(Description);
      if (CodeChanged) D.CodeChanged();
      D.Changed = true;
    }
  } catch (const std::exception&) {
    return Reply("<HTML>Error in record save.</HTML>");
  }
  if (D.Changed) SaveDatabase();
  Reply("<HTML>" + std::to_string(FCurrentIndex) + "</HTML>");
}

void TQNServerForm::DeleteRecord() {
  TDatabase& D = *FDatabase;
  const std::string Code = Part(FUserAgent, 1, 8);
  if (D.FindRecordIndex(Code) < 0) return Reply("<HTML>Error in Delete</HTML>");
  try {
    int Index = GetDataNumber(Code);
    DeleteFile(FProgramFolder + Code + ".res");
    for (char Slot = '1'; Slot <= '6'; ++Slot) DeleteFile(FProgramFolder + Code + ".im" + Slot);
    D.DeleteRecord(Index);
    if (Index == D.Count()) --Index;
    std::string Command;
    if (D.Count() == 0) {
      Index = D.NewRecord(FCodes);
      Command = "E";
    } else {
      Command = "G" + std::as_const(D).Record(Index).Code;
    }
    SaveDatabase();
    SendRecordAt(Index, Command);
  } catch (const std::exception&) {
    Reply("<HTML>Error in Delete</HTML>");
  }
}

void TQNServerForm::SendAddressPrintStream() {
  const TDatabase& D = *FDatabase;
  FBuffer.clear();
  TValueWriter W(FBuffer);
  W.WriteInteger(D.Count());
  std::string Memo;
  for (int i = 0; i < D.Count(); ++i) {
    const ItemRecord& R = D.Record(i);
    W.WriteString(R.Code);
    W.WriteString(R.Memos[0].empty() ? std::string() : R.Memos[0][0]);
    Memo.clear();
    for (const auto& Line : R.Memos[2]) Memo += Line + "\r\n";
    W.WriteChars(Memo);
  }
  ReplyBytes(FBuffer);
}

// ---------------------------------------------------------------------------------------------
// Configuration and database creation

void TQNServerForm::SendClientConfiguration() {
  try {
    FBuffer.clear();
    TValueWriter W(FBuffer);
    WriteConfiguration(W, FDatabase->Config, FDatabase->Count());
    ReplyBytes(FBuffer);
  } catch (const std::exception&) {
    Reply("<HTML>Error in Send Configuration Request</HTML>");
  }
}

void TQNServerForm::SaveClientConfiguration() {
  try {
    FBuffer = ReadBody();
    TValueReader R(FBuffer);
    TChangeMask Mask;
    Mask.Read(R);
    MergeConfiguration(R, Mask, FDatabase->Config);
  } catch (const std::exception&) {
    return Reply("<HTML>Error in Configuration Load</HTML>");
  }
  FDatabase->Changed = true;
  try {
    SaveDatabase();
  } catch (const std::exception&) {
    Reply("<HTML>Error in Configuration Save</HTML>");
  }
}

void TQNServerForm::CreateNewDatabase(const std::string& Name, const std::string& Configuration) {
  const std::string DatabasePath = FProgramFolder + Name + ".qnd";
  const std::string SetPath = FProgramFolder + Configuration + ".set";
  const std::string AttributeName = Configuration + ".atr";
  if (!FileExists(SetPath)) return Reply("<HTML>configuration not found</html>");
  if (FileExists(DatabasePath)) return Reply("<HTML>database already exists</html>");
  try {
    TDatabase& D = *FDatabase;
    const std::string SetBytes = ReadFileBytes(SetPath);
    TValueReader R(SetBytes);
    TChangeMask All;
    All.SetAll(true);
    MergeConfiguration(R, All, D.Config);
    const std::string AttributePath = FProgramFolder + AttributeName;
    LoadAttributes(FileExists(AttributePath) ? ReadFileBytes(AttributePath) : std::string(),
                   D.Config);
    D.HeaderStrings[1] = AttributeName;
    FCurrentIndex = D.NewRecord(FCodes);
    FCurrentPath = DatabasePath;
    D.RecordCounter = "1";
    static const std::pair<const char*, int> InfoFields[] = {
        {"Name", diName},   {"Author", diAuthor},       {"Type", diType},        {"CDate", diCDate},
        {"UDate", diUDate}, {"Description", diDescription}, {"FileCode", diFileCode}};
    for (const auto& [FieldName, Info] : InfoFields) D.Config.DatabaseInfo[Info] = Field(FieldName);
    SaveDatabase();
    Reply("<HTML>database created</html>");
  } catch (const std::exception&) {
    // Nothing was written: leave no half-made database open under the new name.
    FDatabase = std::make_unique<TDatabase>();
    FCurrentPath.clear();
    Reply("<HTML>other error</html>");
  }
}

// ---------------------------------------------------------------------------------------------
// Files of the program folder

void TQNServerForm::SaveDataFile(const std::string& Name) {
  try {
    FBuffer = ReadBody();
    AtomicWriteFile(FProgramFolder + Name, FBuffer);
    Reply("<HTML>Resume" + Name + std::to_string(FCurrentIndex) + "</HTML>");
  } catch (const std::exception&) {
    Reply("<HTML>Error in data save." + Name + "</HTML>");
  }
}

void TQNServerForm::SendDataFile(const std::string& Name) {
  try {
    FBuffer = ReadFileBytes(FProgramFolder + Name);
    ReplyBytes(FBuffer);
  } catch (const std::exception&) {
    Reply("<HTML>Error in file retreive for " + Name + "</HTML>");
  }
}

// ---------------------------------------------------------------------------------------------
// Commands whose handlers this server does not hold yet: server functions, searches, grid line
// updates, reports, graphs, the search index and data import.

void TQNServerForm::LoadSearch() { ::LoadSearch(Context()); }
void TQNServerForm::BuildSearchIndex() { ::BuildSearchIndex(Context(), FCurrentPath + ".sea"); }
void TQNServerForm::SendSearchDisplay() { ::SendSearchDisplay(Context()); }

THandlerContext TQNServerForm::Context() {
  if (!FResultGrid) {
    FResultGrid = std::make_unique<TQnStringGrid>(nullptr);
    PrepareWorkGrid(*FResultGrid);
  }
  return THandlerContext{*FDatabase, *FRequest, *FResultGrid, [this] { return ReadBody(); },
                         [this] { SaveDatabase(); }};
}

// ---------------------------------------------------------------------------------------------
// Request helpers

void TQNServerForm::Reply(const std::string& Text) { FRequest->WriteString(Text); }

void TQNServerForm::ReplyBytes(const std::string& Bytes) {
  constexpr std::size_t Chunk = 1 << 20;
  for (std::size_t At = 0; At < Bytes.size(); At += Chunk) {
    const std::size_t Count = std::min(Chunk, Bytes.size() - At);
    FRequest->WriteBytes(Bytes.data() + At, static_cast<int>(Count));
  }
}

void TQNServerForm::ReplyInvalidRequest() { Reply(InvalidRequest); }

std::string TQNServerForm::Field(const std::string& Name) { return FRequest->GetField(Name); }

std::string TQNServerForm::ReadBody() {
  const int Length = FRequest->GetContentLength();
  if (Length < 0 || Length > MaxBodySize) throw EReadError("Request body too large");
  std::string Body(static_cast<std::size_t>(Length), '\0');
  std::size_t Done = 0;
  while (Done < Body.size()) {
    const int Got = FRequest->ReadBytes(Body.data() + Done, static_cast<int>(Body.size() - Done));
    if (Got <= 0) throw EReadError();
    Done += static_cast<std::size_t>(Got);
  }
  return Body;
}
