// The standard CGI front end.  A CGI process started by the web server writes its request into
// a file, queues it and waits; one resident instance of the same program (started on demand
// with the argument "START_SERVER") runs the queued requests one after another through the
// engine and writes each reply into a file, which the waiting CGI process copies to its
// standard output.  In NormalMode the CGI process runs the request itself.
#pragma once

#include <sys/stat.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "server/engine/channel_engine.h"

class TTimer;
class TBellLine;
class TBellDesk;
class THandoverFolder;

// The process's start: call it first thing in main.  Decides whether this process is the
// resident instance ("START_SERVER", or started by hand without arguments and without a web
// server) and prepares the hand-over.  A CGI process whose request can be queued at once waits
// for the reply here and ends with it; otherwise it returns and the engine component's Loaded
// finishes the work.  A resident instance that finds another one running ends at once.
void CGIStdEngineStartup(int argc, char** argv);
// This process is the resident instance.
bool IsResidentInstance();
// The reply body (text/html) of a request that could not be handed over to the resident instance
// or whose reply could not be had (a full disk, a resident that died).  Without one such a CGI
// process ends without output.  Call it before CGIStdEngineStartup.
void SetHandoverErrorReply(const std::string& Body);
// The longest a CGI process waits for its reply (HandoverLimits::ReplyWaitSeconds unless set, as
// a test program may).  A request not yet taken when the wait ends is withdrawn: it never runs
// after its client was told it failed.
void SetHandoverReplyWait(int Milliseconds);

// The hand-over as both CGI front ends use it.
THandoverFolder& ProcessHandover();
// The folder may be used; what was mended in it, or why it is refused, goes to the log.
bool HandoverFolderUsable();
// A resident instance holds the program's single-instance token.
bool ResidentInstanceAlive();
// Starts the program itself, detached, with the given arguments.
void StartResidentInstance(const std::vector<std::string>& Args);
// How the wait of a CGI process for its queue entry ended.
enum TEntryWait {
  ewFinished,    // the resident finished the entry
  ewAborted,     // the queue file vanished, and no resident runs
  ewQuit,        // the web server asked this process to end
  ewServerGone,  // the resident instance seen before is gone
  ewStale,       // no resident, and the queue's heartbeat is older than 30 s (queue deleted)
  ewTimedOut,    // the wait's time passed (180 s; see SetHandoverReplyWait)
};
// A CGI process's last step with a finished request: copies its reply file to Output, points
// Output at nothing (the web server has the whole reply then) and keeps the reply as a spare or
// deletes it.  A reply that cannot be opened (there is none, or it went before it could be) gets
// the error reply instead.  True when the reply was copied.
bool TakeReply(const std::string& RequestFile, int Output);
// Waits until the entry of EntryFile leaves the queue or, for a request file, until its reply
// is in place (a queue held locked by another process, or gone while the resident lives, is
// waited out); woken by the entry's doorbell (request files) or the folder's writes (profiles),
// and looking at least every 100 ms.  Bell: the line to the resident's doorbell desk that the
// append called (the desk keeps a ring that comes before the line names itself, so none is
// missed): the first look at the queue then waits for a ring or the first liveness round.
// Without one the wait calls the desk itself and looks at once.  FirstSpinUs: the first wait for
// the ring looks this long without sleeping (see TBellLine::Wait).
TEntryWait WaitForQueueEntry(const std::string& EntryFile, TBellLine* Bell = nullptr, int FirstSpinUs = 0);


class TCGIStdEngine : public TChannelEngine {
public:
  TCGIStdEngine(TComponent* AOwner, const TCGIEngineSettings& Settings);
  ~TCGIStdEngine() override;

  bool AutoTerminate = true;

  // Serves this process when the engine is active: the resident instance starts its 50 ms poll
  // timer; a CGI process runs its request at once and ends.
  void Start();

  // Runs a request whose input and output are given as descriptors, with the variables either
  // from a request variable list (resident instance) or, when Variables is null, from the
  // environment.  The descriptors stay open.  Used by the resident loop and by tests.
  void RunOn(int Input, int Output, const std::vector<std::string>* Variables,
             long long InputLimit = -1);

  void RunRequest() override;
  void FinishRequest() override;
  TThread* GetRequestThread() override;
  int ReadBytes(void* Buffer, int Count) override;
  void GetVariable(const std::string& Name, std::string& Value) override;
  void GetField(const std::string& Name, const std::string& Default, std::string& Value) override;
  std::unique_ptr<TStringList> GetFieldNames() override;
  bool IsActive() override;

  // One round of the resident loop: takes the next queued entry and runs it (Served says
  // whether there was one).  Returns false when the queue file is gone (the resident instance
  // then ends).
  bool ServeNextEntry(bool* Served = nullptr);
  // Runs one queued request file, which then becomes the reply (or goes, when a reply cannot be
  // written), and finishes its queue entry.
  void RunAndFinishRequest(const std::string& RequestFile, const std::string& UpperName);
  // The same, but an entry whose reply is in place is left in the queue for the next take to
  // drop (true); one without a reply is finished at once (false).
  bool RunRequestLeavingEntry(const std::string& RequestFile, const std::string& UpperName);
  // Stops listening at the resident's doorbell (its socket file goes).
  void CloseBell();
  // Puts the replies still waiting in place and ends the thread that does it.
  void StopPlacing();
  // Called on the placing thread before each reply it places (its entry's name); tests hold a
  // placing with it.
  std::function<void(const std::string& UpperName)> BeforePlacingInBackground;

protected:
  void WriteChannel(const char* Data, size_t Count) override;

private:
  void ReadInput();
  // Writes what a reply to a file gathered so far.
  static void WriteGathered();
  void ResidentTick();
  void FinishEntry(const std::string& UpperName);
  // A request run into its file, its reply not yet in place.
  struct TReplyPlacing {
    std::string RequestFile, UpperName, ReplyTemp;
    std::string ReplyFrom;  // the file that becomes the reply
    int Input = -1;         // the request file as opened, held open until the reply is placed
    struct stat Opened {};
    bool Replied = false;
  };
  TReplyPlacing RunIntoFile(const std::string& RequestFile, const std::string& UpperName);
  // Renames the reply into place when the request file is still the one opened, and rings its
  // owner; a request without a reply is finished at once.  True when the reply is in place.
  bool PlaceReply(TReplyPlacing& Placing);
  // The same on the placing thread; a placed reply's entry is then handed to TakeServed.
  void PlaceInBackground(TReplyPlacing Placing);
  void WaitForPlacing();
  void TakeServed(std::vector<std::string>& Served);
  void RunCGIRequest();

  bool FFirstRequest = true;
  bool FInTick = false;
  std::unique_ptr<TTimer> FTimer;
  std::unique_ptr<TBellDesk> FDesk;
  std::vector<std::string> FServed;  // entries served, whose records leave with the next take
  struct {
    std::mutex Mutex;
    std::condition_variable Changed;
    std::deque<TReplyPlacing> Waiting;
    std::vector<std::string> Served;
    bool Busy = false, Stop = false;
    std::thread Thread;
  } FPlacer;
};

// Parses the header section of a request file: the lines up to the first empty line.  Returns
// the offset of the first body byte, or -1 when the section does not end.
long long ParseRequestHeader(const std::string& Bytes, std::vector<std::string>& Lines);
