#include "server/engine/cgi_std_engine.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/rtl/file_io.h"
#include "platform/rtl/invariant.h"
#include "platform/rtl/string_list.h"
#include "platform/sys/files.h"
#include "platform/sys/process.h"
#include "platform/sys/single_instance.h"
#include "platform/sys/threads.h"
#include "platform/ui/application.h"
#include "platform/ui/timer.h"
#include "platform/sys/event_loop.h"
#include "server/engine/cgi_handover.h"
#include "server/engine/http_text.h"

using namespace HandoverLimits;

namespace {

// Process-wide state of the hand-over.
bool gResident = false;
bool gStartupDone = false;
bool gQueueCreated = true;
bool gOwnsQueue = false;
TCGIStdEngine* gStdEngine = nullptr;
std::unique_ptr<THandoverFolder> gHandover;
std::unique_ptr<TSingleInstanceToken> gToken;
std::string gRequestFile;  // the CGI process's own request file
TBellLine gRequestBell;  // its line to the resident's doorbell desk, called once the entry is queued
bool gQueuedAlone = false;  // its record was the queue's only one: the resident runs it next
std::string gFailureReply;  // the program's answer to a request that could not be handed over
int gReplyWaitMs = ReplyWaitSeconds * 1000;  // the longest a CGI process waits for its reply

// Per-thread request channel.
struct TCGIThreadState {
  int Input = -1;
  int Output = -1;
  long long InputLeft = -1;  // -1: up to the end of the input
  bool OutputFailed = false;  // a write of the reply failed (a full disk)
  bool Gather = false;        // the reply goes to a file: gathered and written in one piece
  std::string Gathered;
  // A reply the resident keeps whole in memory (no output yet): the file it goes to once it
  // outgrows a piece, and that file's descriptor once opened, which the caller closes.
  std::string SpillFile;
  int Spilled = -1;
  bool HasVariables = false;
  std::vector<std::string> Variables;
  std::string FieldText;
  TThread* RequestThread = nullptr;
};
thread_local TCGIThreadState tCGI;

bool EnvSet(const char* Name) { return !GetEnvVar(Name).empty(); }
bool WindowsCGI() { return ContainsNoCase(GetEnvVar("CGI_VERSION"), "WIN"); }

THandoverFolder& Files() { return ProcessHandover(); }
bool ResidentAlive() { return ResidentInstanceAlive(); }
void StartResident() { StartResidentInstance({"START_SERVER"}); }

// The engine's last step: the resident instance removes the queue it owns.
void HandoverEnd() {
  // Replies still being put in place reach their owners before the resident goes.
  if (gStdEngine) gStdEngine->StopPlacing();
  if (gResident && gHandover) {
    if (gHandover->Folder() == gHandover->ProgramFolder())
      DeleteMatchingFiles(gHandover->ProgramFolder() + "/" + gHandover->ProgramFileName() + "_*");
    if (gOwnsQueue) DeleteFile(gHandover->QueueFile());
    gOwnsQueue = false;
  }
  // The doorbell desk's and the token's socket files go with their owner, the token last: a CGI
  // process that finds no resident then finds no queue of this one either.
  gRequestBell.Close();
  if (gStdEngine) gStdEngine->CloseBell();
  if (gToken) gToken->Release();
}

long long ContentLengthOfEnvironment() {
  std::string text = TrimBlanks(GetEnvVar("CONTENT_LENGTH"));
  char* end = nullptr;
  long long n = std::strtoll(text.c_str(), &end, 10);
  return text.empty() || *end != '\0' || n < 0 ? 0 : n;
}

// A CGI process whose request could not be handed over, or whose reply could not be had, answers
// with the program's error reply (when it has one) rather than leave the web server without one.
void ReplyHandoverFailure(int Output = STDOUT_FILENO) {
  if (gFailureReply.empty()) return;
  const std::string body = gFailureReply + "\r\n";
  std::string reply = ServerWantsStatusLine(GetEnvVar("SERVER_SOFTWARE")) ? "HTTP/1.1 200 OK\r\n" : "";
  reply += "content-type:text/html\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
  WriteAll(Output, reply.data(), reply.size());
}

[[noreturn]] void EndWithFailureReply() {
  ReplyHandoverFailure();
  TerminateServer();
}

// Writes the CGI process's request file once.  On failure (a full disk) the reason is logged and
// the process ends with the error reply.
void EnsureRequestFile() {
  if (!gRequestFile.empty()) return;
  std::string error;
  switch (Handover::WriteRequestFile(Files(), GetEnvironmentStrings(), STDIN_FILENO,
                           ContentLengthOfEnvironment(), gRequestFile, error)) {
    case Handover::rfWritten:
      return;
    case Handover::rfNameTooLong:
    case Handover::rfShortInput:
    case Handover::rfFailed:
      WriteLogLine(error);
      gRequestFile.clear();
      EndWithFailureReply();
  }
}

// Appends the own entry to the queue; false when the queue is missing or stays locked.  A queue
// that cannot be written to ends the process with the error reply.  *Heard: the resident's
// doorbell desk answered (the resident lives).
bool AppendOwnEntry(bool* Heard = nullptr) {
  bool writeFailed = false;
  if (Handover::Append(Files(), gRequestFile, &writeFailed, &gRequestBell, Heard, &gQueuedAlone)) return true;
  if (!writeFailed) return false;
  WriteLogLine("Cannot append to the queue file " + Files().QueueFile());
  DeleteFile(gRequestFile);
  EndWithFailureReply();
}

}  // namespace

// "/dev/null", opened while the process waits for its reply (see WaitForReply), so that the end
// of the output that follows the reply's copy is one call.
static int gNothing = -1;

// Ends what goes to Output: the descriptor goes to nothing, so that a later write has no effect
// and no file opened later takes its number.
static void EndOutput(int Output) {
  const int nothing = gNothing >= 0 ? gNothing : ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (nothing < 0) return;
  ::dup2(nothing, Output);
  if (nothing != gNothing) ::close(nothing);
}

bool TakeReply(const std::string& RequestFile, int Output) {
  // No reply file, or one that went before it could be read (the orphan sweep of a stalled
  // process): the resident could not write it, or it is lost; either way the error reply.
  const std::string reply = THandoverFolder::ReplyFileName(RequestFile);
  int fd = Handover::OpenOwnFile(reply, O_RDWR);
  if (fd < 0 && errno == EACCES) fd = Handover::OpenOwnFile(reply, O_RDONLY);
  if (fd < 0) {
    ReplyHandoverFailure(Output);
    return false;
  }
  // Once open, the reply is had whole, whoever removes its name.  Copied, it is kept as a spare
  // for a later request file (or deleted), after the output is ended: the web server finishes
  // the reply at the end of its input, not at the end of this process.
  const bool copied = Handover::CopyReply(fd, Output);
  EndOutput(Output);
  Handover::ReleaseReply(reply, fd);
  ::close(fd);
  return copied;
}

namespace {

// Waits for the own entry to be finished and copies the reply to standard output.
[[noreturn]] void WaitForReply() {
  // Opened now, while the resident runs the request, rather than after the reply's copy.
  gNothing = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  // A request that the resident runs next is answered soon: its ring is looked for awake first.
  switch (WaitForQueueEntry(gRequestFile, &gRequestBell, gQueuedAlone ? LoneReplySpinUs : 0)) {
    case ewFinished:
      TakeReply(gRequestFile, STDOUT_FILENO);
      break;
    case ewAborted:
      WriteLogLine("CGI server aborted");
      ReplyHandoverFailure();
      break;
    case ewQuit:  // the web server gave up on us: a request not yet taken is never run
      Handover::GiveUpRequest(Files(), gRequestFile);
      break;
    case ewServerGone:  // the resident instance died with our request
    case ewStale:
      Handover::GiveUpRequest(Files(), gRequestFile);
      ReplyHandoverFailure();
      break;
    case ewTimedOut:  // its client is told it failed: a request not yet taken is never run
      Handover::GiveUpRequest(Files(), gRequestFile);
      ReplyHandoverFailure();
      break;
  }
  TerminateServer();
}

// Queues the request; when no resident instance holds the token, one is started.  A resident
// that heard the ring lives: its token is not knocked at (which would wake it once more).
bool QueueRequest() {
  EnsureRequestFile();
  bool heard = false;
  if (!AppendOwnEntry(&heard)) return false;
  if (!heard && !ResidentAlive()) StartResident();
  return true;
}

}  // namespace

bool IsResidentInstance() { return gResident; }

void SetHandoverErrorReply(const std::string& Body) { gFailureReply = Body; }

void SetHandoverReplyWait(int Milliseconds) { gReplyWaitMs = Milliseconds; }

THandoverFolder& ProcessHandover() {
  if (!gHandover) gHandover = std::make_unique<THandoverFolder>(GetModuleName());
  return *gHandover;
}

bool HandoverFolderUsable() {
  const THandoverFolder& folder = Files();
  if (!folder.Mended().empty()) WriteLogLine(folder.Mended());
  if (!folder.Refusal().empty()) WriteLogLine(folder.Refusal());
  return folder.Refusal().empty();
}

bool ResidentInstanceAlive() {
  return TSingleInstanceToken::Exists(Files().TokenTitle(), Files().Folder());
}

void StartResidentInstance(const std::vector<std::string>& Args) { StartProcessDetached(GetModuleName(), Args); }

namespace {

std::string NameOf(const std::string& Path) {
  const size_t slash = Path.rfind('/');
  return slash == std::string::npos ? Path : Path.substr(slash + 1);
}

}  // namespace

TEntryWait WaitForQueueEntry(const std::string& EntryFile, TBellLine* Bell, int FirstSpinUs) {
  THandoverFolder& folder = Files();
  const auto start = std::chrono::steady_clock::now();
  bool seenServer = false;
  auto lastStart = start;
  const std::string reply = THandoverFolder::ReplyFileName(EntryFile);
  const std::string replyName = NameOf(reply);
  const std::string queueName = NameOf(folder.QueueFile());
  // A request file's reply is renamed into place whole before its entry leaves the queue, so
  // its arrival ends the wait.  The resident rings the entry's line when it is there, which
  // wakes this process alone; the queue and the token are looked at every kLivenessRounds-th
  // round only, which keeps a crowd of waiters off the queue lock the resident needs.  A
  // profile's reply goes elsewhere: its waiter wakes on the folder's writes and looks at the
  // queue every round.  Without a line or a watch every round looks.  A line the append called
  // hears every ring (the desk keeps one that comes before the line's name): the look of the
  // first round (a shared lock of the queue and a knock at the resident's token, with a crowd of
  // CGI processes arriving) is left to a ring or to the first liveness round.  A line whose desk
  // went (the resident ended) wakes the wait to look, and calls the next resident's desk.
  const bool byReply = Handover::EntryKind(AsciiUpper(EntryFile)) == ekRequestFile;
  std::unique_ptr<TBellLine> ownBell;
  std::unique_ptr<TFolderWatch> watch;
  TBellLine* bell = byReply ? Bell : nullptr;
  if (byReply && !bell) {
    ownBell = std::make_unique<TBellLine>();
    ownBell->Call(folder.ResidentBell(), AsciiUpper(EntryFile));
    bell = ownBell.get();
  }
  if (!byReply) watch = std::make_unique<TFolderWatch>(folder.Folder(), fwWritten | fwArrived);
  const long firstRound = byReply && bell->Connected() && !ownBell ? 1 : 0;
  std::vector<std::string> names;
  bool rung = false;
  for (long round = firstRound;
       std::chrono::steady_clock::now() - start < std::chrono::milliseconds(gReplyWaitMs); ++round) {
    if (QuitSignalled()) return ewQuit;
    if (byReply && FileExists(reply)) return ewFinished;
    // A ring without a reply: the resident finished the entry without one.  A line that is not
    // connected (no desk answered yet) wakes nobody: every round looks.
    const bool woken = byReply ? bell->Connected() : watch->Active();
    if (!byReply || !woken || round % LivenessRounds == 0 || rung) {
      // The status before the token: an entry taken by a resident that no longer holds the
      // token died with it.  A queue that another process holds locked tells nothing this round
      // (one try: the next round looks again).
      const TEntryState status = Handover::EntryState(folder, EntryFile, 1);
      const bool alive = ResidentAlive();
      if (status == TEntryState::Finished) return ewFinished;
      // A missing queue: the resident ends at its next tick, after the request it runs, whose
      // reply is still placed.  Without a resident nothing more comes.
      if (status == TEntryState::QueueMissing && !alive) return byReply && FileExists(reply) ? ewFinished : ewAborted;
      if (status != TEntryState::QueueLocked && !seenServer && !alive &&
          FileModifiedAgeSeconds(folder.QueueFile()) > StaleQueueSeconds) {
        DeleteFile(folder.QueueFile());
        return ewStale;
      }
      if (!alive && status == TEntryState::Waiting) {
        // No resident runs the queue (it died, or was killed before it took this entry): start
        // one, which adopts the waiting entries.  A second one started meanwhile ends at once.
        if (std::chrono::steady_clock::now() - lastStart > std::chrono::seconds(ResidentRestartSeconds)) {
          StartResident();
          lastStart = std::chrono::steady_clock::now();
        }
      } else if (!alive && (seenServer || status == TEntryState::Taken)) {
        // It died, running this entry or before it; a reply renamed just before is still good.
        return byReply && FileExists(reply) ? ewFinished : ewServerGone;
      }
      seenServer = seenServer || alive;
    }
    if (byReply) {
      rung = bell->Wait(EntryPollMs, std::exchange(FirstSpinUs, 0));
      continue;
    }
    bool replySeen = FileExists(reply);
    const auto due = std::chrono::steady_clock::now() + std::chrono::milliseconds(EntryPollMs);
    for (;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            due - std::chrono::steady_clock::now()).count();
      if (left <= 0) break;
      names.clear();
      if (!watch->Wait(static_cast<int>(left), &names)) continue;
      bool look = QuitSignalled();
      for (const std::string& name : names) {
        if (name == replyName) replySeen = true;
        if (name.empty() || name == replyName || (replySeen && name == queueName)) look = true;
      }
      if (look) break;
    }
  }
  return ewTimedOut;
}

void CGIStdEngineStartup(int argc, char** argv) {
  if (gStartupDone) return;
  gStartupDone = true;
  InitProcess(argc, argv);
  gResident = (!EnvSet("SERVER_SOFTWARE") && ParamCount() == 0) || ParamStr(1) == "START_SERVER";
  if (gResident && ParamCount() > 0 && !EnvSet("SERVER_SOFTWARE") && !WindowsCGI()) {
    // No front end would serve the queue (the standard one needs the web server's environment),
    // yet the token would tell every CGI process that a resident runs: each would wait for its
    // whole time.  Such a start is refused before the token is taken.
    const std::string text = NameOf(GetModuleName()) +
                             " START_SERVER is started by a CGI process of the web server and needs its "
                             "environment (SERVER_SOFTWARE is not set); to run the resident instance by hand, "
                             "start the program without arguments";
    std::fprintf(stderr, "%s\n", text.c_str());
    WriteLogLine(text);
    ExitProcess(2);
  }
  SetEngineEndStep(&HandoverEnd);
  // A resident instance serves the queue even below a Windows CGI server, whose environment it
  // inherits; CGI processes of that kind hand over through their own front end.
  if (!gResident && (WindowsCGI() || !EnvSet("SERVER_SOFTWARE"))) return;
  THandoverFolder& folder = Files();
  if (!HandoverFolderUsable()) {
    // Nothing of a request goes into another user's folder, and no resident serves from it.
    if (gResident) ExitProcess(1);
    EndWithFailureReply();
  }
  InstallQuitSignals();

  if (gResident) {
    gToken = std::make_unique<TSingleInstanceToken>(folder.TokenTitle(), folder.Folder());
    if (!gToken->Acquire()) ExitProcess(0);  // another resident instance serves the queue
    gQueueCreated = Handover::AdoptQueue(folder);
    if (!gQueueCreated)
      WriteLogLine("Can not create file " + folder.QueueFile());
    else
      gOwnsQueue = true;
    // The previous resident is gone (we hold the token): its unfinished replies go at once.
    Handover::RemoveOrphanedFiles(folder, OrphanReplySeconds, OrphanRequestSeconds);
    Handover::RemoveStaleFiles(folder, StaleFileSeconds);
    return;
  }

  // The queue's age (negative when there is none) is looked at once.
  double queueAge = FileModifiedAgeSeconds(folder.QueueFile());
  if (queueAge > StaleQueueSeconds && !ResidentAlive()) {
    DeleteFile(folder.QueueFile());
    Sleep(StaleQueuePauseMs);
    queueAge = FileExists(folder.QueueFile()) ? 0 : -1;
  }
  if (queueAge >= 0 && QueueRequest()) WaitForReply();
}

// ---- The engine ---------------------------------------------------------------------------------

TCGIStdEngine::TCGIStdEngine(TComponent* AOwner, const TCGIEngineSettings& Settings)
    : TChannelEngine(AOwner, Settings) {
  AutoTerminate = Settings.AutoTerminate;
  gStdEngine = this;
}

TCGIStdEngine::~TCGIStdEngine() {
  StopPlacing();
  if (FDesk) FDesk->Close();
  if (gStdEngine == this) gStdEngine = nullptr;
}

void TCGIStdEngine::Start() {
  if (IsLibrary() || WindowsCGI() || !(EnvSet("SERVER_SOFTWARE") || gResident)) return;
  MakeCurrent();
  if (gResident) {
    GetApplication().SetTitle(Files().TokenTitle());
    FTimer = std::make_unique<TTimer>();
    FTimer->SetInterval(ResidentPollMs);
    FTimer->OnTimer = [this](TObject*) { ResidentTick(); };
    FTimer->SetEnabled(true);
    // A CGI process calls the resident's doorbell desk once its entry is queued, which wakes
    // the resident at once; the timer stays as the longest wait.
    FDesk = std::make_unique<TBellDesk>(Files().ResidentBell());
    if (FDesk->Active() && CurrentEventLoop()) FDesk->AttachLoop(CurrentEventLoop(), [this] { ResidentTick(); });
  } else {
    RunCGIRequest();
  }
}

void TCGIStdEngine::RunCGIRequest() {
  try {
    if (CGIMode == NormalMode) {
      RunOn(STDIN_FILENO, STDOUT_FILENO, nullptr, ContentLengthOfEnvironment());
      TerminateServer();
    }
    EnsureRequestFile();
    Handover::CreateQueue(Files().QueueFile());
    StartResident();
    for (int attempt = 0; attempt < StartAttempts; ++attempt) {
      Sleep(StartPauseMs);
      if (AppendOwnEntry()) WaitForReply();
    }
    WriteLogLine("CGI server aborted");
    DeleteFile(gRequestFile);  // never queued
  } catch (std::exception& error) {
    WriteLogLine(error.what());
  }
  EndWithFailureReply();
}

void TCGIStdEngine::ResidentTick() {
  if (FInTick) return;  // a request that runs the loop itself does not start another round
  FInTick = true;
  FTimer->SetEnabled(false);
  if (!gQueueCreated) TerminateServer();
  if (QuitSignalled()) TerminateServer();
  bool queueLeft = true;
  try {
    // Now and then, the files of requests whose CGI process went away.
    static auto lastSweep = std::chrono::steady_clock::time_point();
    if (std::chrono::steady_clock::now() - lastSweep > std::chrono::seconds(SweepEverySeconds)) {
      lastSweep = std::chrono::steady_clock::now();
      WaitForPlacing();  // a ".part" file waiting for its rename is not an orphan
      Handover::RemoveOrphanedFiles(Files(), OrphanReplySeconds, OrphanRequestSeconds,
                                    CGIMode != ServerThreadMode);
      Handover::RemoveStaleFiles(Files(), StaleFileSeconds);
      if (FDesk) FDesk->Sweep(OrphanReplySeconds);
    }
    // Every entry that waits, not one a round.
    bool served = true;
    while (queueLeft && served && !QuitSignalled()) queueLeft = ServeNextEntry(&served);
  } catch (...) {
    // A failing round is dropped; the next tick tries again.
  }
  FInTick = false;
  if (!queueLeft || !FileExists(Files().QueueFile())) TerminateServer();
  FTimer->SetEnabled(true);
}

namespace {

class TCGIRequestThread : public TThread {
public:
  TCGIRequestThread(std::string RequestFile, std::string UpperName)
      : TThread(true), FRequestFile(std::move(RequestFile)), FUpperName(std::move(UpperName)) {
    SetFreeOnTerminate(true);
  }

protected:
  void Execute() override {
    tCGI.RequestThread = this;
    if (gStdEngine) gStdEngine->RunAndFinishRequest(FRequestFile, FUpperName);
  }

private:
  std::string FRequestFile, FUpperName;
};

}  // namespace

bool TCGIStdEngine::ServeNextEntry(bool* Served) {
  THandoverFolder& folder = Files();
  if (Served) *Served = false;
  std::string upperName;
  // The entry served last leaves the queue as the next one is taken: one hold of the queue a
  // request.  (Its waiting CGI process looks for its reply, not at the queue; the reply's name
  // keeps its id taken until that process has it.)
  TakeServed(FServed);
  const size_t callsBefore = FDesk ? FDesk->Calls() : 0;
  bool moreWaiting = false;
  const bool taken = Handover::TakeNext(folder, ekRequestFile, upperName, &FServed, &moreWaiting);
  // Only a queue that could not be opened is looked for; one that went away after this entry was
  // taken is found missing by the next round.
  if (!taken) return FileExists(folder.QueueFile());
  if (Served) *Served = true;
  const std::string requestFile = folder.RealRequestFile(upperName);
  if (requestFile.empty()) {
    FinishEntry(upperName);
  } else if (CGIMode == ServerThreadMode) {
    (new TCGIRequestThread(requestFile, upperName))->Start();
  } else if (moreWaiting) {
    // The reply is put in place (renamed, its owner rung) beside the next request: the rename
    // waits for the hand-over folder, which the CGI processes change all the time.  Its entry
    // leaves the queue with a take after that.
    PlaceInBackground(RunIntoFile(requestFile, upperName));
  } else {
    // Nothing else waits: placing it here spares its owner the other thread's wake-up.
    TReplyPlacing placing = RunIntoFile(requestFile, upperName);
    if (PlaceReply(placing)) {
      FServed.push_back(upperName);
      // Nobody called meanwhile: the served entry leaves the queue with the next take (the next
      // caller's, or the timer's), not now.  Its owner, rung, often runs on this processor (its
      // call woke the resident here), and copies its reply first.  A caller that comes later
      // wakes the resident through its desk.
      if (Served && FDesk && FDesk->Calls() == callsBefore) *Served = false;
    }
  }
  return true;
}

long long ParseRequestHeader(const std::string& Bytes, std::vector<std::string>& Lines) {
  std::string line;
  int breaks = 0;
  for (size_t i = 0; i < Bytes.size(); ++i) {
    const char c = Bytes[i];
    if (c == '\r' || c == '\n') {
      ++breaks;
      if (breaks == 2) {
        Lines.push_back(line);
        line.clear();
      } else if (breaks == 4) {
        return static_cast<long long>(i + 1);
      }
    } else {
      breaks = 0;
      line += c;
    }
  }
  return -1;
}

void TCGIStdEngine::RunAndFinishRequest(const std::string& RequestFile, const std::string& UpperName) {
  TReplyPlacing placing = RunIntoFile(RequestFile, UpperName);
  if (PlaceReply(placing)) FinishEntry(UpperName);
}

bool TCGIStdEngine::RunRequestLeavingEntry(const std::string& RequestFile, const std::string& UpperName) {
  TReplyPlacing placing = RunIntoFile(RequestFile, UpperName);
  return PlaceReply(placing);
}

TCGIStdEngine::TReplyPlacing TCGIStdEngine::RunIntoFile(const std::string& RequestFile,
                                                        const std::string& UpperName) {
  TReplyPlacing placing;
  placing.RequestFile = RequestFile;
  placing.UpperName = UpperName;
  placing.ReplyTemp = THandoverFolder::ReplyFileName(RequestFile) + ".part";
  // A reply is gathered while the request runs and then written over the request file, which
  // becomes the reply by its rename: a request costs the file system one new file, not two.  A
  // reply that outgrows a piece goes to a file of its own as it comes (the request may not be
  // read to its end yet), and the request file goes once that reply is in place.  Either way the
  // reply's name keeps the request's id taken until its CGI process has the reply.
  const int input = Handover::OpenOwnFile(RequestFile, O_RDWR, &placing.Opened);
  if (input < 0) {
    // Finished without a reply; what stands under the name is left to the sweeps.
    if (errno == ELOOP || errno == EPERM)
      WriteLogLine("The request file " + RequestFile + " is not a file of this server's own; it is not run");
    return placing;
  }
  placing.Input = input;
  // The header section: read in pieces until its end, then stand at the first body byte.
  std::string head;
  std::vector<std::string> variables;
  long long bodyStart = -1;
  char piece[65536];
  while (bodyStart < 0 && head.size() < (16u << 20)) {
    long got = ReadRetry(input, piece, sizeof piece);
    if (got <= 0) break;
    head.append(piece, static_cast<size_t>(got));
    variables.clear();
    bodyStart = ParseRequestHeader(head, variables);
  }
  if (bodyStart < 0) bodyStart = static_cast<long long>(head.size());
  ::lseek(input, static_cast<off_t>(bodyStart), SEEK_SET);
  {
    TRequestHeartbeat heartbeat(Files().QueueFile());
    tCGI.SpillFile = placing.ReplyTemp;
    RunOn(input, -1, &variables);
    tCGI.SpillFile.clear();
  }
  // A reply that could not be written whole (a full disk) is not handed on: its waiting CGI
  // process finds the entry finished without a reply and answers with the error reply.
  const int spilled = std::exchange(tCGI.Spilled, -1);
  if (spilled >= 0) {
    placing.Replied = !tCGI.OutputFailed;
    if (::close(spilled) != 0) placing.Replied = false;
    placing.ReplyFrom = placing.ReplyTemp;
  } else {
    // The reply says its length, so that its CGI process hands the file on as it stands.
    Handover::InsertContentLength(tCGI.Gathered, static_cast<long long>(tCGI.Gathered.size()));
    // Cut only a request longer than its reply: a cut costs the file system more than a look.
    const off_t size = static_cast<off_t>(tCGI.Gathered.size());
    placing.Replied = !tCGI.OutputFailed && WriteAllAt(input, tCGI.Gathered.data(), tCGI.Gathered.size(), 0) &&
                      (placing.Opened.st_size <= size || ::ftruncate(input, size) == 0);
    placing.ReplyFrom = RequestFile;
  }
  tCGI.Gathered.clear();
  tCGI.OutputFailed = false;
  return placing;
}

bool TCGIStdEngine::PlaceReply(TReplyPlacing& Placing) {
  const std::string& requestFile = Placing.RequestFile;
  const std::string reply = THandoverFolder::ReplyFileName(requestFile);
  const int input = Placing.Input;
  // The request file's name still names the file opened above.  Only the resident removes a taken
  // request file, but should anyone else have (and a new request of the same id stand under the
  // name now), that request's file and the reply name it waits for are not this request's.
  auto stillOurs = [&] {
    struct stat now {};
    return input >= 0 && ::lstat(requestFile.c_str(), &now) == 0 && now.st_dev == Placing.Opened.st_dev &&
           now.st_ino == Placing.Opened.st_ino;
  };
  // The owner's line to the resident's doorbell desk carries the ring.
  auto ring = [this, &Placing] {
    if (FDesk) FDesk->Ring(Placing.UpperName);
  };
  const bool ours = stillOurs();
  if (!ours && input >= 0) WriteLogLine("The request file " + requestFile + " was replaced while it ran; its reply is dropped");
  bool inPlace = false;
  // The reply goes in place while its entry is still taken (this resident finishes it only after
  // this step): a waiter whose entry has left the queue looks for its reply once and then answers
  // without one.
  if (Placing.Replied && ours && RenameFile(Placing.ReplyFrom, reply)) {
    inPlace = true;
    if (Placing.ReplyFrom != requestFile && stillOurs()) DeleteFile(requestFile);
  }
  // Held open until here, the request file's inode cannot pass to a new file meanwhile.
  if (input >= 0) ::close(input);
  Placing.Input = -1;
  if (inPlace) {
    ring();
    return true;
  }
  if (Placing.ReplyFrom == Placing.ReplyTemp) DeleteFile(Placing.ReplyTemp);
  FinishEntry(Placing.UpperName);
  if (ours) DeleteFile(requestFile);
  if (ours || input < 0) ring();
  return false;
}

void TCGIStdEngine::PlaceInBackground(TReplyPlacing Placing) {
  std::unique_lock<std::mutex> lock(FPlacer.Mutex);
  if (!FPlacer.Thread.joinable()) {
    FPlacer.Thread = std::thread([this] {
      std::unique_lock<std::mutex> held(FPlacer.Mutex);
      for (;;) {
        FPlacer.Changed.wait(held, [this] { return FPlacer.Stop || !FPlacer.Waiting.empty(); });
        if (FPlacer.Waiting.empty()) return;  // stopped with nothing left
        TReplyPlacing next = std::move(FPlacer.Waiting.front());
        FPlacer.Waiting.pop_front();
        FPlacer.Busy = true;
        held.unlock();
        if (BeforePlacingInBackground) BeforePlacingInBackground(next.UpperName);
        const bool placed = PlaceReply(next);
        held.lock();
        if (placed) FPlacer.Served.push_back(next.UpperName);
        FPlacer.Busy = false;
        FPlacer.Changed.notify_all();
      }
    });
  }
  FPlacer.Waiting.push_back(std::move(Placing));
  FPlacer.Changed.notify_all();
}

void TCGIStdEngine::WaitForPlacing() {
  std::unique_lock<std::mutex> lock(FPlacer.Mutex);
  FPlacer.Changed.wait(lock, [this] { return FPlacer.Waiting.empty() && !FPlacer.Busy; });
}

void TCGIStdEngine::StopPlacing() {
  {
    std::lock_guard<std::mutex> lock(FPlacer.Mutex);
    FPlacer.Stop = true;
    FPlacer.Changed.notify_all();
  }
  if (FPlacer.Thread.joinable() && FPlacer.Thread.get_id() != std::this_thread::get_id()) FPlacer.Thread.join();
}

void TCGIStdEngine::TakeServed(std::vector<std::string>& Served) {
  std::lock_guard<std::mutex> lock(FPlacer.Mutex);
  for (std::string& name : FPlacer.Served) Served.push_back(std::move(name));
  FPlacer.Served.clear();
}

void TCGIStdEngine::FinishEntry(const std::string& UpperName) {
  // A waiting CGI process depends on this: a crowd of readers that keeps the queue locked is
  // waited out, and a failure is logged and tried again while the queue exists.
  THandoverFolder& folder = Files();
  for (int attempt = 1; !Handover::Finish(folder, UpperName); ++attempt) {
    if (!FileExists(folder.QueueFile())) return;
    WriteLogLine("Cannot finish the queue entry " + UpperName + " (attempt " +
                 std::to_string(attempt) + "); trying again");
    if (attempt >= FinishAttempts) return;
  }
}

void TCGIStdEngine::RunOn(int Input, int Output, const std::vector<std::string>* Variables,
                          long long InputLimit) {
  tCGI.Input = Input;
  tCGI.Output = Output;
  tCGI.InputLeft = InputLimit;
  tCGI.OutputFailed = false;
  tCGI.HasVariables = Variables != nullptr;
  tCGI.Variables = Variables ? *Variables : std::vector<std::string>();
  tCGI.FieldText.clear();
  // A reply to a file (the resident's) is written when the request is done; one to standard
  // output as it comes, since the request may end the process.
  tCGI.Gather = Output != STDOUT_FILENO;
  ExecuteRequest();
  // A reply kept whole in memory stays gathered for the caller.
  if (tCGI.Output >= 0) WriteGathered();
  tCGI.Gather = false;
  tCGI.Input = tCGI.Output = -1;
  tCGI.HasVariables = false;
  tCGI.Variables.clear();
}

void TCGIStdEngine::ReadInput() {
  if (tCGI.Input < 0) return;
  std::string text;
  GetVariable("CONTENT_LENGTH", text);
  text = TrimBlanks(text);
  long long n = 0;
  if (!text.empty()) {
    char* end = nullptr;
    n = std::strtoll(text.c_str(), &end, 10);
    if (*end != '\0') throw EConvertError("'" + text + "' is not a valid integer value");
  }
  if (n <= 0) {
    tCGI.FieldText = GetQueryString();
  } else if (n > AutoReadLimit) {
    WriteLogLine("Content length exceeds AutoReadLimit");
  } else if (AutoReadInput) {
    if (AsciiUpper(GetContentType()).find("MULTIPART/FORM-DATA;") == std::string::npos) {
      std::string body(static_cast<size_t>(n), '\0');
      int got = ReadBytes(body.data(), static_cast<int>(n));
      body.resize(static_cast<size_t>(got));
      size_t nul = body.find('\0');
      tCGI.FieldText = nul == std::string::npos ? body : body.substr(0, nul);
    } else {
      ReadMultipart(tCGI.FieldText);
    }
  }
}

void TCGIStdEngine::RunRequest() {
  ReadInput();
  FireRequestEvents(std::exchange(FFirstRequest, false), CGIMode == NormalMode);
}

void TCGIStdEngine::FinishRequest() {
  THttpEngine::FinishRequest();
  if (AutoTerminate && !gResident && tCGI.Output == STDOUT_FILENO) TerminateServer();
}

TThread* TCGIStdEngine::GetRequestThread() { return tCGI.RequestThread; }

void TCGIStdEngine::WriteChannel(const char* Data, size_t Count) {
  if ((tCGI.Output < 0 && tCGI.SpillFile.empty()) || Count == 0 || tCGI.OutputFailed) return;
  if (tCGI.Gather) {
    tCGI.Gathered.append(Data, Count);
    if (tCGI.Gathered.size() >= ReplyPiece) WriteGathered();
  } else if (!WriteAll(tCGI.Output, Data, Count)) {
    tCGI.OutputFailed = true;
  }
}

void TCGIStdEngine::WriteGathered() {
  if (tCGI.Output < 0 && !tCGI.Gathered.empty() && !tCGI.OutputFailed) {
    // A reply kept in memory has outgrown a piece: from here on it goes to its own file.
    // A new file of our own: whatever stands under the name (a link, another's file) is not
    // written through.
    ::unlink(tCGI.SpillFile.c_str());
    tCGI.Spilled = ::open(tCGI.SpillFile.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    tCGI.Output = tCGI.Spilled;
    if (tCGI.Output < 0) tCGI.OutputFailed = true;
  }
  if (!tCGI.Gathered.empty() && !tCGI.OutputFailed && !WriteAll(tCGI.Output, tCGI.Gathered.data(), tCGI.Gathered.size()))
    tCGI.OutputFailed = true;
  tCGI.Gathered.clear();
}

int TCGIStdEngine::ReadBytes(void* Buffer, int Count) {
  if (tCGI.Input < 0 || Count <= 0) return 0;
  size_t want = static_cast<size_t>(Count);
  if (tCGI.InputLeft >= 0) want = static_cast<size_t>(std::min<long long>(tCGI.InputLeft, Count));
  size_t done = 0;
  while (done < want) {
    long got = ReadRetry(tCGI.Input, static_cast<char*>(Buffer) + done, want - done);
    if (got <= 0) break;  // the input ended early: return what came
    done += static_cast<size_t>(got);
  }
  if (tCGI.InputLeft >= 0) tCGI.InputLeft -= static_cast<long long>(done);
  return static_cast<int>(done);
}

void TCGIStdEngine::GetVariable(const std::string& Name, std::string& Value) {
  std::string name = AsciiUpper(Name);
  for (char& c : name)
    if (c == ' ') c = '_';
  if (name == "EXECUTABLE_PATH") name = "SCRIPT_NAME";
  if (!tCGI.HasVariables) {
    Value = GetEnvVar(name);
    return;
  }
  Value.clear();
  const std::string prefix = name + "=";
  for (const std::string& line : tCGI.Variables) {
    if (line.size() >= prefix.size() && AsciiUpper(line.substr(0, prefix.size())) == prefix) {
      Value = line.substr(prefix.size());
      return;
    }
  }
}

void TCGIStdEngine::GetField(const std::string& Name, const std::string& Default, std::string& Value) {
  Value = GetUrlEncodedField(Name, tCGI.FieldText, Default);
}

std::unique_ptr<TStringList> TCGIStdEngine::GetFieldNames() { return ParseFields(tCGI.FieldText); }

bool TCGIStdEngine::IsActive() {
  return !IsLibrary() && (EnvSet("SERVER_SOFTWARE") || gResident) && !WindowsCGI();
}

void TCGIStdEngine::CloseBell() {
  if (FDesk) FDesk->Close();
}
