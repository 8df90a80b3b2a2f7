#include "client/core/local_server.h"

#include <sys/stat.h>

#include <cstdlib>
#include <vector>

#include "platform/sys/files.h"
#include "platform/sys/process.h"

TLocalServer::TLocalServer() = default;
TLocalServer::~TLocalServer() = default;

int TLocalServer::PortFromEnvironment() {
  const std::string Text = GetEnvironmentVariable("QN_PORT");
  if (Text.empty() || Text.size() > 5 || Text.find_first_not_of("0123456789") != std::string::npos)
    return 6777;
  const int Port = std::atoi(Text.c_str());
  return Port >= 1 && Port <= 65535 ? Port : 6777;
}

std::string TLocalServer::ServerURL(int Port) {
  return "http://127.0.0.1:" + std::to_string(Port) + "/database/qnserver.exe";
}

static std::string DatabaseFolder(const std::string& ProgramFolder) {
  return ProgramFolder + "Data/database/";
}

std::vector<std::string> TLocalServer::HandOverFolders(const std::string& ProgramFolder) {
  std::vector<std::string> Folders;
  for (const std::string& Path : FindFiles(DatabaseFolder(ProgramFolder) + "temp", faDirectory)) {
    if (DirectoryExists(Path)) Folders.push_back(Path);
  }
  return Folders;
}

int TLocalServer::EmptyHandOverFolders(const std::string& ProgramFolder) {
  int Deleted = 0;
  for (const std::string& Folder : HandOverFolders(ProgramFolder)) {
    for (const std::string& File : FindFiles(Folder + "/*")) {
      struct stat St {};
      if (::lstat(File.c_str(), &St) == 0 && S_ISREG(St.st_mode) && DeleteFile(File)) ++Deleted;
    }
  }
  return Deleted;
}

bool TLocalServer::Start(const std::string& ProgramFolder, int Port) {
  Stop();
  FFolder = ProgramFolder;
  FPort = Port;
  // The hand-over folder as the server program names it, unless one of another case is there.
  if (HandOverFolders(ProgramFolder).empty())
    ForceDirectories(DatabaseFolder(ProgramFolder) + "Temp");
  FProcess = StartProcess(ProgramFolder + "bin/hmserv", {ProgramFolder + "Data", std::to_string(Port)});
  return FProcess != nullptr;
}

bool TLocalServer::Running() const { return FProcess && FProcess->Running(); }

void TLocalServer::Stop() {
  if (FProcess) {
    TerminateProcess(*FProcess, 0);
    FProcess.reset();
  }
  if (!FFolder.empty()) EmptyHandOverFolders(FFolder);
}
