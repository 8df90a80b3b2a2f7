#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <set>
#include <thread>

#include "engine_fixture.h"
#include "platform/rtl/file_io.h"
#include "platform/rtl/random.h"
#include "platform/rtl/sysutils.h"
#include "server/engine/cgi_handover.h"
#include "platform/sys/files.h"
#include "platform/sys/single_instance.h"
#include "server/engine/http_text.h"

namespace {

class HandoverTest : public EngineFixture {
protected:
  void SetUp() override {
    EngineFixture::SetUp();
    Files = std::make_unique<THandoverFolder>(Folder + "/qnserver.exe");
    ASSERT_TRUE(Handover::CreateQueue(Files->QueueFile()));
  }
  // The queue's live records: those still waiting or taken.
  std::vector<TQueueRecord> Queue() {
    std::vector<TQueueRecord> records = DecodeQueueRecords(ReadWholeFile(Files->QueueFile()));
    std::erase_if(records, [](const TQueueRecord& Record) { return Record.Status == TRecordStatus::Finished; });
    return records;
  }
  std::string NewRequest(const std::string& Id) {
    std::string file = Files->RequestFileName(Id);
    WriteWholeFile(file, "x");
    return file;
  }
  std::unique_ptr<THandoverFolder> Files;
};

TEST_F(HandoverTest, FolderAndNames) {
  EXPECT_EQ(Files->Folder(), Folder + "/Temp");
  struct stat info {};
  ASSERT_EQ(::stat(Files->Folder().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  EXPECT_EQ(Files->QueueFile(), Folder + "/Temp/qnserver.exe_S");
  EXPECT_EQ(Files->TokenTitle(), "qnserver.exe_S");
  EXPECT_EQ(THandoverFolder::ReplyFileName(Files->RequestFileName("00AF")),
            Folder + "/Temp/qnserver.exe_C_00AF_out");
}

TEST_F(HandoverTest, RecordLayout) {
  const std::string bytes = EncodeQueueRecord({TRecordStatus::Taken, "/A/B_REQ"});
  ASSERT_EQ(bytes.size(), 268u);
  EXPECT_EQ(bytes[0], 1);
  EXPECT_EQ(bytes.substr(12, 9), std::string("/A/B_REQ\0", 9));
  auto records = DecodeQueueRecords(bytes + bytes.substr(0, 100));
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].Name, "/A/B_REQ");
  EXPECT_EQ(EncodeQueueRecord({TRecordStatus::Waiting, std::string(300, 'N')}).substr(12 + 255, 1), std::string(1, '\0'));
}

TEST_F(HandoverTest, EntriesAreServedInQueueOrderAndFinished) {
  const std::string first = NewRequest("0001"), second = NewRequest("0002");
  ASSERT_TRUE(Handover::Append(*Files, first));
  ASSERT_TRUE(Handover::Append(*Files, second));
  EXPECT_EQ(Handover::EntryState(*Files, first), TEntryState::Waiting);
  std::string taken;
  ASSERT_TRUE(Handover::TakeNext(*Files, ekRequestFile, taken));
  EXPECT_EQ(taken, AsciiUpper(first));
  EXPECT_EQ(Files->RealRequestFile(taken), first);
  EXPECT_EQ(Handover::EntryState(*Files, first), TEntryState::Taken);
  ASSERT_TRUE(Handover::Finish(*Files, taken));
  EXPECT_EQ(Handover::EntryState(*Files, first), TEntryState::Finished);
  ASSERT_TRUE(Handover::TakeNext(*Files, ekRequestFile, taken));
  EXPECT_EQ(taken, AsciiUpper(second));
  Handover::Finish(*Files, taken);
  EXPECT_FALSE(Handover::TakeNext(*Files, ekRequestFile, taken));
  EXPECT_EQ(FileSize(Files->QueueFile()), 0);
}

// An append says whether another request waits before it (its owner then looks for the ring
// awake first): taken records, running or served, do not count; a long queue counts as a crowd.
TEST_F(HandoverTest, AnAppendSaysWhetherAnotherRequestWaits) {
  const std::string first = NewRequest("0001"), second = NewRequest("0002"), third = NewRequest("0003");
  bool alone = false;
  ASSERT_TRUE(Handover::Append(*Files, first, nullptr, nullptr, nullptr, &alone));
  EXPECT_TRUE(alone);
  ASSERT_TRUE(Handover::Append(*Files, second, nullptr, nullptr, nullptr, &alone));
  EXPECT_FALSE(alone);  // the first one waits
  std::string taken;
  ASSERT_TRUE(Handover::TakeNext(*Files, ekRequestFile, taken));
  ASSERT_TRUE(Handover::Append(*Files, third, nullptr, nullptr, nullptr, &alone));
  EXPECT_FALSE(alone);  // the second one still waits, behind the one that runs
  ASSERT_TRUE(Handover::TakeNext(*Files, ekRequestFile, taken));
  ASSERT_TRUE(Handover::TakeNext(*Files, ekRequestFile, taken));
  const std::string fourth = NewRequest("0004");
  ASSERT_TRUE(Handover::Append(*Files, fourth, nullptr, nullptr, nullptr, &alone));
  EXPECT_TRUE(alone);  // three taken, none waits
  // Seventeen records before it, all taken: more than are read, so taken for a crowd.
  for (int i = 0; i < 13; ++i) ASSERT_TRUE(Handover::Append(*Files, NewRequest("01" + std::to_string(10 + i))));
  for (int i = 0; i < 14; ++i) ASSERT_TRUE(Handover::TakeNext(*Files, ekRequestFile, taken));
  ASSERT_TRUE(Handover::Append(*Files, NewRequest("0200"), nullptr, nullptr, nullptr, &alone));
  EXPECT_FALSE(alone);
}

// The resident drops the entry it served in the same hold of the queue that takes the next one,
// and every append calls its doorbell desk, on the line that then hears the entry's ring.
TEST_F(HandoverTest, ServedEntryLeavesAsTheNextIsTakenAndAppendsRing) {
  TBellDesk desk(Files->ResidentBell());
  ASSERT_TRUE(desk.Active());
  const std::string first = NewRequest("0001"), second = NewRequest("0002");
  TBellLine line;
  bool heard = false;
  ASSERT_TRUE(Handover::Append(*Files, first, nullptr, &line, &heard));
  EXPECT_TRUE(heard);
  EXPECT_TRUE(desk.Accept());
  EXPECT_FALSE(desk.Accept());
  ASSERT_TRUE(Handover::Append(*Files, second));  // on a line of its own, which goes at once
  EXPECT_TRUE(desk.Accept());
  desk.Sweep(5);  // the line that went
  EXPECT_EQ(desk.Callers(), 1u);
  EXPECT_TRUE(desk.Ring(AsciiUpper(first)));
  EXPECT_TRUE(line.Wait(1000));
  std::string taken;
  std::vector<std::string> served;
  ASSERT_TRUE(Handover::TakeNext(*Files, ekRequestFile, taken, &served));
  EXPECT_EQ(taken, AsciiUpper(first));
  served = {taken};
  ASSERT_TRUE(Handover::TakeNext(*Files, ekRequestFile, taken, &served));
  EXPECT_EQ(taken, AsciiUpper(second));
  EXPECT_TRUE(served.empty());
  std::vector<TQueueRecord> queue = Queue();
  ASSERT_EQ(queue.size(), 1u);
  EXPECT_EQ(queue[0].Name, AsciiUpper(second));
  EXPECT_EQ(queue[0].Status, TRecordStatus::Taken);
  served = {taken};
  EXPECT_FALSE(Handover::TakeNext(*Files, ekRequestFile, taken, &served));
  EXPECT_TRUE(served.empty());
  EXPECT_EQ(FileSize(Files->QueueFile()), 0);
}

// Replies are put in place beside the next request, so several served entries may leave in one
// take; each leaves once, and the next waiting one is taken.

// Requests that come one at a time, each queued while the one before runs: a finish marks its
// record, and the queue is cut only every few requests (a cut costs the file system more than a
// status byte) without ever holding more than that many finished records; a take that finds
// nothing waiting leaves the queue empty.
TEST_F(HandoverTest, ServedRecordsAreDroppedEveryFewRequestsAndWhenNothingWaits) {
  constexpr size_t kRequests = 3 * HandoverLimits::CompactAtFinished + 2;
  std::vector<std::string> served;
  std::string previous;
  size_t sinceCut = 0, cuts = 0;
  off_t size = FileSize(Files->QueueFile());
  for (size_t i = 0; i < kRequests; ++i) {
    const std::string request = NewRequest(IntToHex(static_cast<int>(i + 1), 4));
    bool alone = false;
    ASSERT_TRUE(Handover::Append(*Files, request, nullptr, nullptr, nullptr, &alone));
    EXPECT_TRUE(alone) << i;  // finished records do not count as waiting
    std::string taken;
    ASSERT_TRUE(Handover::TakeNext(*Files, ekRequestFile, taken, &served)) << i;
    EXPECT_EQ(taken, AsciiUpper(request));
    if (!previous.empty()) EXPECT_EQ(Handover::EntryState(*Files, previous), TEntryState::Finished) << i;
    EXPECT_EQ(Handover::EntryState(*Files, request), TEntryState::Taken) << i;
    const off_t now = FileSize(Files->QueueFile());
    if (now < size) {
      EXPECT_GE(sinceCut + 1, HandoverLimits::CompactAtFinished) << "cut after " << sinceCut << " takes, at " << i;
      ++cuts;
      sinceCut = 0;
    } else if (i > 0) {
      ++sinceCut;
    }
    EXPECT_LE(now, static_cast<off_t>((HandoverLimits::CompactAtFinished + 1) * kQueueRecordSize)) << i;
    size = now;
    served = {taken};
    previous = request;
  }
  EXPECT_GE(cuts, 3u);
  std::string none;
  EXPECT_FALSE(Handover::TakeNext(*Files, ekRequestFile, none, &served));
  EXPECT_EQ(FileSize(Files->QueueFile()), 0);
}
TEST_F(HandoverTest, SeveralServedEntriesLeaveInOneTake) {
  const std::string a = NewRequest("000A"), b = NewRequest("000B"), c = NewRequest("000C");
  for (const std::string& name : {a, b, c}) ASSERT_TRUE(Handover::Append(*Files, name));
  std::string first, second, third;
  bool more = false;
  ASSERT_TRUE(Handover::TakeNext(*Files, ekRequestFile, first, nullptr, &more));
  EXPECT_TRUE(more);
  ASSERT_TRUE(Handover::TakeNext(*Files, ekRequestFile, second, nullptr, &more));
  EXPECT_TRUE(more);
  std::vector<std::string> served = {first, second, first};
  ASSERT_TRUE(Handover::TakeNext(*Files, ekRequestFile, third, &served, &more));
  EXPECT_FALSE(more);  // the last one
  EXPECT_EQ(third, AsciiUpper(c));
  EXPECT_TRUE(served.empty());
  EXPECT_EQ(Handover::EntryState(*Files, a), TEntryState::Finished);
  EXPECT_EQ(Handover::EntryState(*Files, b), TEntryState::Finished);
  EXPECT_EQ(Handover::EntryState(*Files, c), TEntryState::Taken);
  // The finished records went in one rewrite: only the taken one is left.
  ASSERT_EQ(Queue().size(), 1u);
  EXPECT_EQ(Queue()[0].Name, AsciiUpper(c));
}

// A reply takes its request's place, so once its CGI process has it a new request may queue the
// same name before the served record leaves: only the served (taken) record goes.
TEST_F(HandoverTest, ServedRecordLeavesWhileANewRequestOfItsNameWaits) {
  const std::string name = NewRequest("0001");
  ASSERT_TRUE(Handover::Append(*Files, name));
  std::string taken;
  std::vector<std::string> served;
  ASSERT_TRUE(Handover::TakeNext(*Files, ekRequestFile, taken, &served));
  ASSERT_TRUE(Handover::Append(*Files, name));
  served = {taken};
  ASSERT_TRUE(Handover::TakeNext(*Files, ekRequestFile, taken, &served));
  EXPECT_EQ(taken, AsciiUpper(name));
  ASSERT_EQ(Queue().size(), 1u);
  EXPECT_EQ(Queue()[0].Status, TRecordStatus::Taken);

  ASSERT_TRUE(Handover::Append(*Files, name));
  ASSERT_TRUE(Handover::Finish(*Files, taken));
  ASSERT_EQ(Queue().size(), 1u);
  EXPECT_EQ(Queue()[0].Status, TRecordStatus::Waiting);
  EXPECT_EQ(Handover::EntryState(*Files, name), TEntryState::Waiting);
}

// Request files and profile files share one queue; each front end takes only its own kind and
// leaves the other waiting, and a waiting CGI process can withdraw its entry.
TEST_F(HandoverTest, EachKindIsTakenOnlyByItsOwnFrontEnd) {
  const std::string profile = Folder + "/Win/Request.ini";
  ASSERT_EQ(::mkdir((Folder + "/Win").c_str(), 0700), 0);
  WriteWholeFile(profile, "[System]\r\n");
  ASSERT_TRUE(Handover::Append(*Files, profile));
  const std::string request = NewRequest("0003");
  ASSERT_TRUE(Handover::Append(*Files, request));
  const std::string other = Folder + "/Win/Other.ini";
  WriteWholeFile(other, "");
  ASSERT_TRUE(Handover::Append(*Files, other));

  std::string taken;
  ASSERT_TRUE(Handover::TakeNext(*Files, ekRequestFile, taken));
  EXPECT_EQ(taken, AsciiUpper(request));
  EXPECT_FALSE(Handover::TakeNext(*Files, ekRequestFile, taken));
  ASSERT_TRUE(Handover::TakeNext(*Files, ekProfile, taken));
  EXPECT_EQ(taken, AsciiUpper(profile));
  EXPECT_EQ(Handover::QueuedFile(*Files, taken), profile);  // the real spelling of the upper-cased name
  ASSERT_EQ(Queue().size(), 3u);
  EXPECT_EQ(Queue()[0].Status, TRecordStatus::Taken);
  EXPECT_EQ(Queue()[1].Status, TRecordStatus::Taken);
  EXPECT_EQ(Queue()[2].Status, TRecordStatus::Waiting);

  EXPECT_FALSE(Handover::Withdraw(*Files, AsciiUpper(profile)));  // taken: it runs
  EXPECT_TRUE(Handover::Withdraw(*Files, AsciiUpper(other)));
  EXPECT_EQ(Handover::EntryState(*Files, other), TEntryState::Finished);
  EXPECT_TRUE(FileExists(other));  // nothing of the web server's is deleted
  EXPECT_EQ(Queue().size(), 2u);
}

TEST_F(HandoverTest, PathsAreFoundWithoutCaseButOnlyAsTheyStand) {
  ASSERT_EQ(::mkdir((Folder + "/Mixed").c_str(), 0700), 0);
  WriteWholeFile(Folder + "/Mixed/Profile.Ini", "");
  EXPECT_EQ(FindPathNoCase(AsciiUpper(Folder + "/Mixed/Profile.Ini")), Folder + "/Mixed/Profile.Ini");
  EXPECT_EQ(FindPathNoCase(AsciiUpper(Folder + "/Mixed/../Mixed/Profile.Ini")), "");
  EXPECT_EQ(FindPathNoCase(AsciiUpper(Folder + "/Mixed")), "");  // a folder is no profile
  EXPECT_EQ(FindPathNoCase("MIXED/PROFILE.INI"), "");
  EXPECT_EQ(FindPathNoCase(AsciiUpper(Folder + "/Mixed/None.ini")), "");
}

TEST_F(HandoverTest, RealRequestFileStaysInsideTheFolder) {
  NewRequest("0004");
  EXPECT_EQ(Files->RealRequestFile(AsciiUpper(Folder + "/Temp/qnserver.exe_C_0004_REQ")),
            Files->RequestFileName("0004"));
  EXPECT_EQ(Files->RealRequestFile("/ETC/PASSWD"), "");
  EXPECT_EQ(Files->RealRequestFile(AsciiUpper(Folder + "/Temp/..")), "");
  EXPECT_EQ(Files->RealRequestFile(AsciiUpper(Folder + "/Temp/qnserver.exe_C_9999_REQ")), "");
}

TEST_F(HandoverTest, AdoptedQueueKeepsWaitingRequestsThatExist) {
  const std::string live = NewRequest("0005");
  Handover::Append(*Files, live);
  Handover::Append(*Files, Files->RequestFileName("0006"));  // no file
  {
    TQueueLock lock;
    ASSERT_TRUE(lock.Open(Files->QueueFile()));
    lock.Append({TRecordStatus::Taken, AsciiUpper(NewRequest("0007"))});  // taken by a resident that died
  }
  WriteWholeFile(Folder + "/Profile.ini", "");
  Handover::Append(*Files, Folder + "/Profile.ini");
  Handover::Append(*Files, Folder + "/Gone.ini");
  ASSERT_TRUE(Handover::AdoptQueue(*Files));
  ASSERT_EQ(Queue().size(), 2u);
  EXPECT_EQ(Queue()[0].Name, AsciiUpper(live));
  EXPECT_EQ(Queue()[1].Name, AsciiUpper(Folder + "/Profile.ini"));
}

TEST_F(HandoverTest, LockedQueueRefusesAndDeletedQueueIsSeen) {
  TQueueLock holder;
  ASSERT_TRUE(holder.Open(Files->QueueFile()));
  TQueueLock other;
  EXPECT_FALSE(other.Open(Files->QueueFile()));
  EXPECT_FALSE(other.Open(Files->QueueFile(), false));
  holder.Close();
  ASSERT_TRUE(DeleteFile(Files->QueueFile()));
  EXPECT_EQ(Handover::EntryState(*Files, "/X_REQ"), TEntryState::QueueMissing);
  EXPECT_FALSE(Handover::Append(*Files, "/X_REQ"));
}

TEST_F(HandoverTest, ParallelAppendsAreNeverLost) {
  constexpr int kProcesses = 8, kEach = 15;
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    pid_t pid = fork();
    if (pid == 0) {
      int ok = 0;
      for (int i = 0; i < kEach; ++i)
        ok += Handover::Append(*Files, Files->RequestFileName(std::to_string(p * 100 + i)));
      _exit(ok == kEach ? 0 : 1);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  EXPECT_EQ(Queue().size(), static_cast<size_t>(kProcesses * kEach));
  // The queue, many pieces long by now, reads whole through its lock, in the order it was written;
  // a rewrite to no record leaves it empty.
  TQueueLock lock;
  ASSERT_TRUE(lock.Open(Files->QueueFile()));
  const std::vector<TQueueRecord> read = lock.Read();
  const std::vector<TQueueRecord> written = Queue();
  ASSERT_EQ(read.size(), written.size());
  for (size_t i = 0; i < read.size(); ++i) EXPECT_EQ(read[i].Name, written[i].Name) << i;
  ASSERT_TRUE(lock.Rewrite({}));
  EXPECT_TRUE(lock.Read().empty());
  lock.Close();
  EXPECT_EQ(ReadWholeFile(Files->QueueFile()), "");
}

// Readers that hold shared locks back to back, as a crowd of waiting CGI processes does, do not
// make the resident's finish fail: it waits them out.  The finish starts once every reader has
// read the queue, and each reader reads on 200 more times after that.
TEST_F(HandoverTest, FinishingWaitsOutACrowdOfReaders) {
  const std::string first = NewRequest("0001"), second = NewRequest("0002");
  ASSERT_TRUE(Handover::Append(*Files, first));
  ASSERT_TRUE(Handover::Append(*Files, second));
  constexpr int kReaders = 6;
  int reading[2], started[2];  // a byte from each reader once it has read; closed when the finish starts
  ASSERT_EQ(pipe(reading), 0);
  ASSERT_EQ(pipe(started), 0);
  std::vector<pid_t> readers;
  for (int p = 0; p < kReaders; ++p) {
    pid_t pid = fork();
    if (pid == 0) {
      close(reading[0]);
      close(started[1]);
      bool told = false;
      for (int after = 0; after < 200;) {
        TQueueLock lock;
        if (lock.Open(Files->QueueFile(), false, false, 50)) {
          lock.Read();
          if (!told) told = write(reading[1], "r", 1) == 1;
          usleep(200);
        }
        // Nothing is written to the pipe: readable means closed.
        pollfd finishing{started[0], POLLIN, 0};
        if (poll(&finishing, 1, 0) == 1) ++after;
      }
      _exit(0);
    }
    readers.push_back(pid);
  }
  close(reading[1]);
  close(started[0]);
  int read = 0;
  char mark = 0;
  for (pollfd ready{reading[0], POLLIN, 0}; read < kReaders && poll(&ready, 1, 60000) == 1 && ::read(reading[0], &mark, 1) == 1;)
    ++read;
  EXPECT_EQ(read, kReaders) << "not every reader came to read the queue";
  close(started[1]);
  EXPECT_TRUE(Handover::Finish(*Files, AsciiUpper(first)));
  for (pid_t pid : readers) waitpid(pid, nullptr, 0);
  close(reading[0]);
  ASSERT_EQ(Queue().size(), 1u);
  EXPECT_EQ(Queue()[0].Name, AsciiUpper(second));
}

// A rewrite whose write fails at any call leaves the old queue; one that goes through, the new.
TEST_F(HandoverTest, QueueRewriteLeavesTheOldQueueOrTheNew) {
  for (int N = 1; N <= 3; ++N) {
    ASSERT_TRUE(DeleteFile(Files->QueueFile()));
    ASSERT_TRUE(Handover::CreateQueue(Files->QueueFile()));
    for (const char* id : {"0001", "0002", "0003"}) ASSERT_TRUE(Handover::Append(*Files, NewRequest(id)));
    const auto before = Queue();
    TQueueLock lock;
    ASSERT_TRUE(lock.Open(Files->QueueFile()));
    FailFileStepAt(TFileStep::Write, N);
    const bool rewritten = lock.Rewrite({before[1], before[2]});
    const int calls = FileStepCount(TFileStep::Write);
    FailFileStepAt(TFileStep::Write, 0);
    lock.Close();
    const auto after = Queue();
    if (rewritten) {
      ASSERT_EQ(after.size(), 2u);
      EXPECT_EQ(after[0].Name, before[1].Name);
      EXPECT_EQ(after[1].Name, before[2].Name);
      EXPECT_EQ(ReadWholeFile(Files->QueueFile()).size(), 2 * kQueueRecordSize);
    } else {
      ASSERT_EQ(after.size(), 3u);
      EXPECT_EQ(after[0].Name, before[0].Name);
    }
    if (rewritten && calls < N) break;
  }
  // A rewrite cut after its write and before the cut leaves zeroed records, which say nothing.
  std::string bytes = EncodeQueueRecord({TRecordStatus::Waiting, "/A_REQ"}) + std::string(2 * kQueueRecordSize, '\0');
  const auto records = DecodeQueueRecords(bytes);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].Name, "/A_REQ");
}

TEST_F(HandoverTest, FilesWhoseOwnersAreGoneAreSwept) {
  const std::string queued = NewRequest("0001"), lost = NewRequest("0002"), fresh = NewRequest("0003");
  ASSERT_TRUE(Handover::Append(*Files, queued));
  const std::string lostReply = THandoverFolder::ReplyFileName(lost);
  const std::string queuedReply = THandoverFolder::ReplyFileName(queued);
  const std::string part = THandoverFolder::ReplyFileName(fresh) + ".part";
  for (const std::string& file : {lostReply, queuedReply, part}) WriteWholeFile(file, "reply");
  const double old = 60;
  for (const std::string& file : {lost, lostReply, queuedReply})
    ASSERT_EQ(FileSetDate(file, static_cast<std::int64_t>(std::time(nullptr) - old)), 0);
  // While requests run on threads a ".part" may be one being written.
  EXPECT_EQ(Handover::RemoveOrphanedFiles(*Files, 5, 30, false), 2);
  EXPECT_TRUE(FileExists(part));
  EXPECT_EQ(Handover::RemoveOrphanedFiles(*Files, 5, 30), 1);
  EXPECT_FALSE(FileExists(lost));
  EXPECT_FALSE(FileExists(lostReply));
  EXPECT_FALSE(FileExists(part));
  // Queued, or too young to judge: kept.
  EXPECT_TRUE(FileExists(queued));
  EXPECT_TRUE(FileExists(queuedReply));
  EXPECT_TRUE(FileExists(fresh));
}

TEST_F(HandoverTest, FolderWatchWakesOnWritesAndArrivals) {
  TFolderWatch watch(Files->Folder(), fwWritten | fwArrived);
  ASSERT_TRUE(watch.Active());
  std::vector<std::string> names;
  EXPECT_FALSE(watch.Wait(20, &names));
  const auto start = std::chrono::steady_clock::now();
  std::thread writer([&] {
    usleep(30000);
    WriteWholeFile(Files->Folder() + "/x.part", "reply");
    RenameFile(Files->Folder() + "/x.part", Files->Folder() + "/x_out");
  });
  bool arrived = false;
  while (!arrived && std::chrono::steady_clock::now() - start < std::chrono::seconds(5)) {
    names.clear();
    watch.Wait(1000, &names);
    for (const std::string& name : names) arrived = arrived || name == "x_out";
  }
  writer.join();
  EXPECT_TRUE(arrived);
  // Only the chosen kinds: a touch is not a write.
  watch.Drain();
  FileTouch(Files->QueueFile());
  EXPECT_FALSE(watch.Wait(30, &names));
}

TEST_F(HandoverTest, RequestFileLayout) {
  int pipeFds[2];
  ASSERT_EQ(pipe(pipeFds), 0);
  ASSERT_EQ(write(pipeFds[1], "body!", 5), 5);
  close(pipeFds[1]);
  std::string file, error;
  ASSERT_EQ(Handover::WriteRequestFile(*Files, {"A=1", "QUERY_STRING=x"}, pipeFds[0], 5, file, error), Handover::rfWritten);
  close(pipeFds[0]);
  EXPECT_EQ(ReadWholeFile(file), "A=1\r\nQUERY_STRING=x\r\nOSTREL_CGI_DEBUG=true\r\n\r\nbody!");
  std::string empty;
  ASSERT_EQ(Handover::WriteRequestFile(*Files, {"A=1"}, -1, 0, empty, error), Handover::rfWritten);
  EXPECT_NE(empty, file);
  const std::string bytes = ReadWholeFile(empty);
  EXPECT_EQ(bytes.substr(bytes.size() - 25), "OSTREL_CGI_DEBUG=true\r\n\r\n");
  std::vector<std::string> lines;
  EXPECT_EQ(ParseRequestHeader(ReadWholeFile(file), lines), 46);
  EXPECT_EQ(lines, (std::vector<std::string>{"A=1", "QUERY_STRING=x", "OSTREL_CGI_DEBUG=true"}));
}

TEST_F(HandoverTest, ShortInputQueuesNothing) {
  int pipeFds[2];
  ASSERT_EQ(pipe(pipeFds), 0);
  ASSERT_EQ(write(pipeFds[1], "abc", 3), 3);
  close(pipeFds[1]);
  std::string file, error;
  EXPECT_EQ(Handover::WriteRequestFile(*Files, {}, pipeFds[0], 10, file, error), Handover::rfShortInput);
  close(pipeFds[0]);
  EXPECT_FALSE(FileExists(file));
  EXPECT_NE(error.find("7 bytes"), std::string::npos);
}

TEST_F(HandoverTest, OverlongFolderIsRefused) {
  std::string deep = Folder;
  while (deep.size() < 260) {
    deep += "/dddddddddddddddddddddddddddddd";
    ASSERT_EQ(mkdir(deep.c_str(), 0700), 0);
  }
  THandoverFolder folder(deep + "/qnserver.exe");
  std::string file, error;
  EXPECT_EQ(Handover::WriteRequestFile(folder, {}, -1, 0, file, error), Handover::rfNameTooLong);
}

class ReplyCopyTest : public EngineFixture {
protected:
  std::string Copy(const std::string& Reply) {
    WriteWholeFile(Folder + "/reply", Reply);
    const std::string out = Folder + "/copied";
    int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int in = ::open((Folder + "/reply").c_str(), O_RDONLY);
    EXPECT_TRUE(Handover::CopyReply(in, fd));
    ::close(in);
    ::close(fd);
    return ReadWholeFile(out);
  }
};

TEST_F(ReplyCopyTest, InsertsTheBodyLength) {
  EXPECT_EQ(Copy("HTTP/1.1 200 OK\r\ncontent-type:text/html\r\n\r\nabc"),
            "HTTP/1.1 200 OK\r\ncontent-type:text/html\r\nContent-Length: 3\r\n\r\nabc");
  std::string body(5000, 'b');
  EXPECT_EQ(Copy("A:1\r\n\r\n" + body), "A:1\r\nContent-Length: 5000\r\n\r\n" + body);
}

TEST_F(ReplyCopyTest, LateBlankLineOrExistingLengthLeavesItAlone) {
  const std::string late = "X:" + std::string(1100, 'x') + "\r\n\r\nbody";
  EXPECT_EQ(Copy(late), late);
  const std::string own = "HTTP/1.1 200 OK\r\ncontent-length:4\r\n\r\nbody";
  EXPECT_EQ(Copy(own), own);
  EXPECT_EQ(Copy(""), "");
}

TEST_F(ReplyCopyTest, RepliesAroundAndAboveAMegabyteArriveWhole) {
  // The file is read in pieces of at most a megabyte, each sized to what is left: every size at
  // a piece's edge comes through byte for byte, with its length inserted once.
  const std::string head = "A:1\r\n\r\n";
  for (size_t size : {(1u << 20) - head.size() - 1, (1u << 20) - head.size(), (1u << 20) - head.size() + 1,
                      size_t{(5u << 19) + 7}}) {
    std::string body(size, '\0');
    for (size_t i = 0; i < size; ++i) body[i] = static_cast<char>('a' + i % 23);
    const std::string copied = Copy(head + body);
    EXPECT_EQ(copied, "A:1\r\nContent-Length: " + std::to_string(size) + "\r\n\r\n" + body) << size;
  }
}

}  // namespace

// A request id is drawn anew for every request: an id that has just been freed is not the next
// request's as a rule (a process's successor would otherwise meet what its request left behind).
TEST_F(HandoverTest, EachRequestDrawsItsIdAnew) {
  std::set<std::string> names;
  for (int i = 0; i < 64; ++i) {
    std::string file, error;
    ASSERT_EQ(Handover::WriteRequestFile(*Files, {"A=1"}, -1, 0, file, error), Handover::rfWritten);
    names.insert(file);
    ASSERT_TRUE(DeleteFile(file));
  }
  EXPECT_GE(names.size(), 60u);
}

TEST_F(HandoverTest, RequestIdStaysTakenWhileItsRequestOrReplyExists) {
  // Draws 0x00A1, then 0x00B2, and so on.
  auto drawing = [](std::vector<std::uint16_t> Ids) {
    return [Ids, next = size_t{0}]() mutable { return Ids[next++ % Ids.size()]; };
  };
  std::string first, second, error;
  ASSERT_EQ(Handover::WriteRequestFile(*Files, {"A=1"}, -1, 0, first, error, drawing({0xA1})), Handover::rfWritten);
  EXPECT_EQ(first, Files->RequestFileName("00A1"));
  // A request file of the id exists: passed over.
  ASSERT_EQ(Handover::WriteRequestFile(*Files, {"B=2"}, -1, 0, second, error, drawing({0xA1, 0xB2})),
            Handover::rfWritten);
  EXPECT_EQ(second, Files->RequestFileName("00B2"));
  EXPECT_EQ(ReadWholeFile(first).substr(0, 5), "A=1\r\n");
  // The resident has replaced the request file by its reply, which its owner has not taken yet:
  // a new request of the id would have its reply taken for the other's, or the other's for its.
  const std::string reply = THandoverFolder::ReplyFileName(first);
  ASSERT_TRUE(RenameFile(first, reply));
  ASSERT_TRUE(DeleteFile(second));
  ASSERT_EQ(Handover::WriteRequestFile(*Files, {"C=3"}, -1, 0, second, error, drawing({0xA1, 0xB2})),
            Handover::rfWritten);
  EXPECT_EQ(second, Files->RequestFileName("00B2"));
  EXPECT_FALSE(FileExists(first));
  EXPECT_EQ(ReadWholeFile(reply).substr(0, 5), "A=1\r\n");
  // Once the reply is taken the id is free again.
  ASSERT_TRUE(DeleteFile(reply));
  ASSERT_EQ(Handover::WriteRequestFile(*Files, {"D=4"}, -1, 0, second, error, drawing({0xA1})), Handover::rfWritten);
  EXPECT_EQ(second, first);
}

// A copied reply becomes a spare, and a spare becomes the next request file: a request creates and
// frees no file.  A spare never replaces a file, and its old bytes never reach a request.
TEST_F(HandoverTest, CopiedRepliesCarryLaterRequests) {
  auto spares = [&] { return FindFiles(Files->Base() + "_F_*"); };
  auto inode = [](const std::string& File) {
    struct stat info {};
    return ::stat(File.c_str(), &info) == 0 ? info.st_ino : ino_t{0};
  };
  auto release = [](const std::string& Reply) {
    const int fd = ::open(Reply.c_str(), O_RDONLY | O_CLOEXEC);
    EXPECT_GE(fd, 0);
    Handover::ReleaseReply(Reply, fd);
    ::close(fd);
  };
  std::string first, error;
  ASSERT_EQ(Handover::WriteRequestFile(*Files, {"A=1"}, -1, 0, first, error), Handover::rfWritten);
  const std::string reply = THandoverFolder::ReplyFileName(first);
  ASSERT_TRUE(RenameFile(first, reply));
  const std::string replyBytes = "HTTP/1.1 200 OK\r\n\r\n" + std::string(5000, 'r');
  WriteWholeFile(reply, replyBytes);
  const ino_t recycled = inode(reply);
  release(reply);
  EXPECT_FALSE(FileExists(reply));
  ASSERT_EQ(spares().size(), 1u);
  EXPECT_EQ(inode(spares()[0]), recycled);

  // Taken for a request: its bytes are the request's alone, and an old spare's time is not the
  // request file's (the sweeps leave a request file that is not queued yet alone while it is young).
  ASSERT_EQ(FileSetDate(spares()[0], static_cast<std::int64_t>(std::time(nullptr) - 600)), 0);
  std::string second;
  ASSERT_EQ(Handover::WriteRequestFile(*Files, {"B=2"}, -1, 0, second, error), Handover::rfWritten);
  EXPECT_TRUE(spares().empty());
  EXPECT_EQ(inode(second), recycled);
  EXPECT_EQ(ReadWholeFile(second), "B=2\r\nOSTREL_CGI_DEBUG=true\r\n\r\n");
  EXPECT_EQ(Handover::RemoveOrphanedFiles(*Files, 5, 30), 0);
  EXPECT_EQ(Handover::RemoveStaleFiles(*Files, 180), 0);
  EXPECT_TRUE(FileExists(second));

  // An id whose request file exists is passed over, never renamed over.
  const std::string third = THandoverFolder::ReplyFileName(second);
  WriteWholeFile(third, replyBytes);
  release(third);
  ASSERT_EQ(spares().size(), 1u);
  const std::uint16_t secondId = static_cast<std::uint16_t>(std::stoul(second.substr(second.size() - 8, 4), nullptr, 16));
  std::vector<std::uint16_t> ids{secondId, static_cast<std::uint16_t>(secondId ^ 1)};
  std::string fourth;
  ASSERT_EQ(Handover::WriteRequestFile(*Files, {"C=3"}, -1, 0, fourth, error,
                                       [&, next = size_t{0}]() mutable { return ids[next++ % 2]; }),
            Handover::rfWritten);
  EXPECT_NE(fourth, second);
  EXPECT_EQ(ReadWholeFile(second), "B=2\r\nOSTREL_CGI_DEBUG=true\r\n\r\n");
  EXPECT_EQ(ReadWholeFile(fourth), "C=3\r\nOSTREL_CGI_DEBUG=true\r\n\r\n");
  EXPECT_TRUE(spares().empty());

  // A reply whose name went meanwhile to another file (swept, and another request's reply now)
  // is left alone; with every slot full a reply goes, and no spare is written over.
  const std::string otherReply = THandoverFolder::ReplyFileName(fourth);
  WriteWholeFile(otherReply, "mine");
  const int stale = ::open(otherReply.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_TRUE(DeleteFile(otherReply));
  WriteWholeFile(otherReply, "someone else's");
  Handover::ReleaseReply(otherReply, stale);
  ::close(stale);
  EXPECT_EQ(ReadWholeFile(otherReply), "someone else's");
  EXPECT_TRUE(spares().empty());
  for (int slot = 0; slot < HandoverLimits::SpareSlots; ++slot) WriteWholeFile(Files->SpareFileName(slot), "spare");
  release(otherReply);
  EXPECT_FALSE(FileExists(otherReply));
  ASSERT_EQ(spares().size(), static_cast<size_t>(HandoverLimits::SpareSlots));
  for (const std::string& spare : spares()) EXPECT_EQ(ReadWholeFile(spare), "spare") << spare;
}

namespace {

// The bytes and the modification time of a file, as a planted link's target must keep them.
struct TFileState {
  std::string Bytes;
  std::int64_t Age = -1;
  bool operator==(const TFileState&) const = default;
};
TFileState StateOf(const std::string& File) { return {ReadWholeFile(File), FileAge(File)}; }

constexpr uid_t kOtherUser = 65534;  // "nobody": a file of another user, where this one may chown

// A hand-over folder found open to others is made private and rid of what others put in it; a
// folder of another user is refused (nothing of a request goes there).
TEST_F(HandoverTest, OpenHandOverFolderIsMadePrivateAndAForeignOneRefused) {
  const mode_t umaskBefore = ::umask(002);
  const std::string program = Folder + "/open/qnserver.exe", temp = Folder + "/open/Temp";
  ASSERT_EQ(::mkdir((Folder + "/open").c_str(), 0777), 0);
  ASSERT_EQ(::mkdir(temp.c_str(), 0777), 0);  // 0775 under this umask
  WriteWholeFile(temp + "/qnserver.exe_F_00", "own spare");
  const bool root = ::geteuid() == 0;
  if (root) {
    WriteWholeFile(temp + "/planted", "theirs");
    ASSERT_EQ(::chown((temp + "/planted").c_str(), kOtherUser, kOtherUser), 0);
  }
  THandoverFolder mended(program);
  struct stat info {};
  ASSERT_EQ(::lstat(temp.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0700u);
  EXPECT_TRUE(mended.Refusal().empty()) << mended.Refusal();
  EXPECT_EQ(mended.Folder(), temp);
  EXPECT_NE(mended.Mended().find("0775"), std::string::npos) << mended.Mended();
  EXPECT_EQ(ReadWholeFile(temp + "/qnserver.exe_F_00"), "own spare");
  EXPECT_FALSE(root && ::lstat((temp + "/planted").c_str(), &info) == 0) << "another user's file stays";
  // Private already: nothing to mend.
  EXPECT_TRUE(THandoverFolder(program).Mended().empty());

  // A link to a private folder of this user's stands for it.
  ASSERT_EQ(::mkdir((Folder + "/linked").c_str(), 0700), 0);
  ASSERT_EQ(::symlink(temp.c_str(), (Folder + "/linked/Temp").c_str()), 0);
  EXPECT_TRUE(THandoverFolder(Folder + "/linked/qnserver.exe").Refusal().empty());
  if (root) {
    ASSERT_EQ(::mkdir((Folder + "/foreign").c_str(), 0700), 0);
    ASSERT_EQ(::mkdir((Folder + "/foreign/Temp").c_str(), 0700), 0);
    ASSERT_EQ(::chown((Folder + "/foreign/Temp").c_str(), kOtherUser, kOtherUser), 0);
    THandoverFolder foreign(Folder + "/foreign/qnserver.exe");
    EXPECT_NE(foreign.Refusal().find("not a folder of this server's user"), std::string::npos) << foreign.Refusal();
    ASSERT_EQ(::lstat((Folder + "/foreign/Temp").c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, kOtherUser);  // left as it stands
  }
  ::umask(umaskBefore);
}

// The spares are taken by a rename, which moves a link as it stands: a spare that is a link (to a
// file of this user's, here), a second name of another file, or another user's file is removed,
// and the request goes into a new file; nothing is written through them, nor their times changed.
TEST_F(HandoverTest, SparesThatAreNotFilesOfOurOwnAreRemovedUnused) {
  const std::string target = Folder + "/target", twin = Folder + "/twin";
  WriteWholeFile(target, "the test's own bytes");
  WriteWholeFile(twin, "a file with two names");
  ASSERT_EQ(FileSetDate(target, 1000000000), 0);
  ASSERT_EQ(FileSetDate(twin, 1000000000), 0);
  const TFileState targetBefore = StateOf(target), twinBefore = StateOf(twin);
  ASSERT_EQ(::symlink(target.c_str(), Files->SpareFileName(0).c_str()), 0);
  ASSERT_EQ(::link(twin.c_str(), Files->SpareFileName(1).c_str()), 0);
  ASSERT_EQ(::symlink((Folder + "/nothing").c_str(), Files->SpareFileName(2).c_str()), 0);  // dangling
  if (::geteuid() == 0) {
    WriteWholeFile(Files->SpareFileName(3), "theirs");
    ASSERT_EQ(::chown(Files->SpareFileName(3).c_str(), kOtherUser, kOtherUser), 0);
  }
  std::string request, error;
  ASSERT_EQ(Handover::WriteRequestFile(*Files, {"A=1"}, -1, 0, request, error), Handover::rfWritten) << error;
  EXPECT_EQ(ReadWholeFile(request), "A=1\r\nOSTREL_CGI_DEBUG=true\r\n\r\n");
  struct stat info {};
  ASSERT_EQ(::lstat(request.c_str(), &info), 0);
  EXPECT_TRUE(S_ISREG(info.st_mode) && info.st_nlink == 1u);
  EXPECT_EQ(StateOf(target), targetBefore);
  EXPECT_EQ(StateOf(twin), twinBefore);
  EXPECT_FALSE(FileExists(Folder + "/nothing"));
  EXPECT_TRUE(FindFiles(Files->Base() + "_F_*").empty());
  for (const std::string& file : FindFiles(Files->Base() + "_C_*")) EXPECT_EQ(file, request);
}

// A reply that is a link (to a file of this user's), or a second name of another file, is not
// copied, nor cut or kept as a spare: its CGI process answers without it.
TEST_F(HandoverTest, ReplyThatIsNotAFileOfOurOwnIsNotCopied) {
  const std::string target = Folder + "/secret";
  WriteWholeFile(target, "HTTP/1.1 200 OK\r\n\r\nsomeone else's reply");
  const TFileState before = StateOf(target);
  const std::string out = Folder + "/copied";
  auto take = [&](const std::string& Request) {
    const int output = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    EXPECT_FALSE(TakeReply(Request, output));
    ::close(output);
    return ReadWholeFile(out);
  };
  const std::string linked = Files->RequestFileName("0A01"), twin = Files->RequestFileName("0A02");
  ASSERT_EQ(::symlink(target.c_str(), THandoverFolder::ReplyFileName(linked).c_str()), 0);
  ASSERT_EQ(::link(target.c_str(), THandoverFolder::ReplyFileName(twin).c_str()), 0);
  EXPECT_EQ(take(linked), "");
  EXPECT_EQ(take(twin), "");
  EXPECT_EQ(StateOf(target).Bytes, before.Bytes);
  EXPECT_TRUE(FindFiles(Files->Base() + "_F_*").empty());
  // A reply of our own is copied as ever.
  const std::string own = Files->RequestFileName("0A03");
  WriteWholeFile(THandoverFolder::ReplyFileName(own), "HTTP/1.1 200 OK\r\n\r\nmine");
  const int output = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  EXPECT_TRUE(TakeReply(own, output));
  ::close(output);
  EXPECT_EQ(ReadWholeFile(out), "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nmine");
}

// A queue that is a link, or a second name of another file, is neither read nor written.
TEST_F(HandoverTest, QueueThatIsNotAFileOfOurOwnIsNotUsed) {
  const std::string target = Folder + "/records";
  const std::string record = EncodeQueueRecord({TRecordStatus::Waiting, AsciiUpper(NewRequest("0B01"))});
  WriteWholeFile(target, record);
  ASSERT_TRUE(DeleteFile(Files->QueueFile()));
  ASSERT_EQ(::symlink(target.c_str(), Files->QueueFile().c_str()), 0);
  std::string taken;
  EXPECT_FALSE(Handover::TakeNext(*Files, ekRequestFile, taken));
  EXPECT_FALSE(Handover::Append(*Files, NewRequest("0B02")));
  EXPECT_FALSE(Handover::CreateQueue(Files->QueueFile()));
  ASSERT_TRUE(DeleteFile(Files->QueueFile()));
  ASSERT_EQ(::link(target.c_str(), Files->QueueFile().c_str()), 0);
  EXPECT_FALSE(Handover::TakeNext(*Files, ekRequestFile, taken));
  EXPECT_EQ(ReadWholeFile(target), record);
}

// What another process may do to the queue is an outcome, not a broken invariant: a served entry
// whose taken record went (the queue made anew) leaves a new request of its name waiting, and a
// queue cut short under a record refuses the record's change instead of writing past its end.
TEST_F(HandoverTest, QueueChangedBehindTheResidentsBackIsAnOutcome) {
  const std::string request = NewRequest("0C01");
  ASSERT_TRUE(Handover::Append(*Files, request));
  std::string taken;
  ASSERT_TRUE(Handover::TakeNext(*Files, ekRequestFile, taken));
  // The queue is made anew, and a new request of the same name waits in it.
  WriteWholeFile(Files->QueueFile(), EncodeQueueRecord({TRecordStatus::Waiting, taken}));
  std::vector<std::string> served{taken};
  std::string next;
  ASSERT_TRUE(Handover::TakeNext(*Files, ekRequestFile, next, &served));
  EXPECT_EQ(next, taken);  // the new request is taken, not dropped as the served one
  TQueueLock lock;
  ASSERT_TRUE(lock.Open(Files->QueueFile()));
  ASSERT_EQ(::truncate(Files->QueueFile().c_str(), 0), 0);
  EXPECT_FALSE(lock.SetStatus(0, TRecordStatus::Finished));
  EXPECT_EQ(FileSize(Files->QueueFile()), 0);
}

}  // namespace
