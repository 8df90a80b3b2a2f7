// The record server: one open database, and the dispatcher that answers every client request
// from the command in its User-Agent header.
// Invariant: a request that changes the database answers success only once the change is
// stored durably (journal synced or file replaced); a database that failed to load is never saved.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/classes.h"
#include "server/database_journal.h"
#include "server/database_store.h"
#include "server/grid_line_updates.h"
#include "server/server_request.h"

class TGeneralHttpEngine;

// The reply to a request that failed on its way (an exception in the dispatcher, or a request
// that could not be handed over to the resident instance).
inline constexpr char kErrorLocalModeReply[] = "<HTML>Error Local Mode in Request</HTML>";

class TQNServerForm : public TComponent {
public:
  // ProgramFolder: the folder every server file lies in (a trailing "/" is added when missing).
  explicit TQNServerForm(std::string ProgramFolder, TComponent* AOwner = nullptr);
  ~TQNServerForm() override;
  TQNServerForm(const TQNServerForm&) = delete;
  TQNServerForm& operator=(const TQNServerForm&) = delete;

  // The request engine; created and owned by the form in the program (null in tests).
  TGeneralHttpEngine* ESStaff = nullptr;

  // The engine's events (bound by the program to its engine component).
  void ESStaffFirstExecRequest(TObject* Sender);
  void ESStaffExecRequest(TObject* Sender);
  void ESStaffLastExecRequest(TObject* Sender);
  // Saves the open database when it has changed and closes it.
  void FormClose();
  // Between requests (after each, and on the resident instance's idle timer): takes the result
  // of a whole write of the open database that has ended, and starts one on a thread of its own
  // when the journal has passed its share of the file.
  void Idle();
  // Starts a whole write of the open database's file now, when its journal holds changes (for
  // benchmarks and tests; Idle finishes it).
  void StartFold();
  // A whole write of the open database's file is under way.
  bool Folding() const { return FFile && FFile->Folding(); }

  // Answers one request: the dispatcher.
  void ExecRequest(TServerRequest& Request);

  const std::string& AppDirectory() const { return FProgramFolder; }
  const std::string& CurrentDatabasePath() const { return FCurrentPath; }
  // The open database, or null when none is open.
  TDatabase* Database() { return FDatabase.get(); }
  int CurrentRecordIndex() const { return FCurrentIndex; }
  // For tests: fixed record codes.
  void SeedRecordCodes(std::uint64_t Seed) { FCodes = TRecordCodeGenerator(Seed); }

  // Largest request body taken.
  static constexpr int MaxBodySize = 64 * 1024 * 1024;

private:
  struct TRequestScope;

  // Database switching.
  bool ReturnDBFilePath(std::string& Path);
  void StartUp(const std::string& Path);
  // How a closing database's journal is folded into its file: not at all (it is replayed at the
  // next load), on a thread of its own (the next database opens meanwhile), or before the
  // database closes (the program ends).
  enum class TCloseFold { None, Background, Now };
  // Closes the open database; never raises.
  void ShutDown(TCloseFold Fold);
  // Rolls back what the open database holds in memory and no save stored.
  void DropUnsavedChanges();
  void SaveDatabase();
  void LoadDatabase();
  void LogLine(const std::string& Text);

  // Record commands.
  int GetDataNumber(const std::string& Code);
  void SendRecord(const std::string& Command);
  void SendRecordAt(int Index, const std::string& Command);
  void SaveRecord();
  void DeleteRecord();
  void SendAddressPrintStream();

  // Configuration and database creation.
  void SendClientConfiguration();
  void SaveClientConfiguration();
  void CreateNewDatabase(const std::string& Name, const std::string& Configuration);
  void UpdateDefinitionTable();

  // Files of the program folder.
  void SaveDataFile(const std::string& Name);
  void SendDataFile(const std::string& Name);

  // The table and function commands: their handlers work on this context.
  THandlerContext Context();

  // Commands whose handlers are not part of this server yet.
  void LoadSearch();
  void BuildSearchIndex();
  void SendSearchDisplay();

  // Request helpers.
  void Reply(const std::string& Text);
  void ReplyBytes(const std::string& Bytes);
  void ReplyInvalidRequest();
  // The whole body; raises when it is longer than MaxBodySize or shorter than announced.
  std::string ReadBody();
  std::string Field(const std::string& Name);

  std::string FProgramFolder;
  std::string FCurrentPath;
  std::string FRequestedPath;
  std::string FUserAgent;
  char FCommandLetter = 0;
  bool FBrowserMode = false;
  std::string FUserListFile = "userlist.dat";
  int FCurrentIndex = 0;
  std::unique_ptr<TDatabase> FDatabase;
  std::unique_ptr<TDatabaseFile> FFile;
  // Closed databases whose whole write is under way.
  std::vector<std::unique_ptr<TDatabaseFile>> FClosing;
  TRecordCodeGenerator FCodes;
  std::string FBuffer;
  TServerRequest* FRequest = nullptr;
  // The reply table ("1" sends it again) and the grid line commands with their line IDs.
  std::unique_ptr<TQnStringGrid> FResultGrid;
  TGridLineUpdates FGridLines;
};
