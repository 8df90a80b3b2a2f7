// The local web server that hosts the server program: R/bin/hmserv R/Data <port> started with a
// kept handle when the record window is created, and stopped when it closes.  The stop also
// empties the hand-over folder beside the server program, which ends the server's resident
// instance.
#pragma once

#include <memory>
#include <string>
#include <vector>

class TProcessHandle;

class TLocalServer {
public:
  TLocalServer();
  ~TLocalServer();
  TLocalServer(const TLocalServer&) = delete;
  TLocalServer& operator=(const TLocalServer&) = delete;

  // The port: QN_PORT when it holds a number from 1 to 65535, else 6777.
  static int PortFromEnvironment();
  // "http://127.0.0.1:" + port + "/database/qnserver.exe".
  static std::string ServerURL(int Port);
  // The server address the login window offers: the remembered one when it names another machine,
  // else (none remembered, or this machine's loopback address, whose port may have changed)
  // LocalURL, the local web server's.
  static std::string LoginAddress(const std::string& Remembered, const std::string& LocalURL);

  // Makes the hand-over folder exist and starts ProgramFolder + "bin/hmserv" with the data folder
  // ProgramFolder + "Data" and the port.  False when the program could not be started (not
  // reported: the login then cannot reach the server).
  bool Start(const std::string& ProgramFolder, int Port);
  bool Running() const;
  // Before a request to URL: the first request to the web server this object started waits
  // until it listens (while it runs).  When the web server this object started has ended since (its web
  // server program went away) and URL goes to its port on this machine where nothing answers, it
  // is started again and waited for.  A stopped server stays stopped; another program answering
  // on the port (a second client's web server) is used as it is.  True when it was started again
  // and answers.
  bool Revive(const std::string& URL, int TimeoutMs = 20000);
  // True when URL is "http://127.0.0.1:Port/..." or "http://localhost:Port/...".
  static bool LocalURL(const std::string& URL, int Port);
  // True when something accepts connections on the loopback address at Port.
  static bool Answers(int Port);
  // Waits up to TimeoutMs for Port to answer.
  static bool WaitUntilAnswering(int Port, int TimeoutMs);
  int Port() const { return FPort; }

  // Ends the web server and deletes every plain file of the hand-over folders: the folders
  // beside the server program whose name is "temp" without regard to case.  Safe to call twice.
  void Stop();

  // The running instances of the installation's server program (ProgramFolder +
  // "Data/database/qnserver.exe"), found by their command lines.
  static int ServerProgramInstances(const std::string& ProgramFolder);
  // Waits up to TimeoutMs until none is left; true when none is.
  static bool WaitForServerProgramEnd(const std::string& ProgramFolder, int TimeoutMs);

  // The hand-over folders of an installation (existing folders only).
  static std::vector<std::string> HandOverFolders(const std::string& ProgramFolder);
  // Deletes the plain files of those folders; returns the number deleted.
  static int EmptyHandOverFolders(const std::string& ProgramFolder);

private:
  std::string FFolder;
  int FPort = 0;
  bool FOwned = false;      // started and not stopped since
  bool FWaitedFor = false;  // a request has waited for it to listen since its start
  std::unique_ptr<TProcessHandle> FProcess;
  bool Launch();
  // Waits up to TimeoutMs while the web server runs until it answers; true when it does.
  bool WaitWhileRunning(int TimeoutMs);
};
