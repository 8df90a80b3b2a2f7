#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <thread>

#include "engine_fixture.h"
#include "platform/rtl/file_io.h"
#include "platform/rtl/random.h"
#include "server/engine/cgi_handover.h"
#include "platform/sys/files.h"
#include "platform/sys/single_instance.h"
#include "server/engine/http_text.h"

namespace {

class HandoverTest : public EngineFixture {
protected:
  void SetUp() override {
    EngineFixture::SetUp();
    Handover = std::make_unique<THandoverFolder>(Folder + "/qnserver.exe");
    ASSERT_TRUE(CreateQueueFile(Handover->QueueFile()));
  }
  std::vector<TQueueRecord> Queue() { return DecodeQueueRecords(ReadWholeFile(Handover->QueueFile())); }
  std::string NewRequest(const std::string& Id) {
    std::string file = Handover->RequestFileName(Id);
    WriteWholeFile(file, "x");
    return file;
  }
  std::unique_ptr<THandoverFolder> Handover;
};

TEST_F(HandoverTest, FolderAndNames) {
  EXPECT_EQ(Handover->Folder(), Folder + "/Temp");
  struct stat info {};
  ASSERT_EQ(::stat(Handover->Folder().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  EXPECT_EQ(Handover->QueueFile(), Folder + "/Temp/qnserver.exe_S");
  EXPECT_EQ(Handover->TokenTitle(), "qnserver.exe_S");
  EXPECT_EQ(THandoverFolder::ReplyFileName(Handover->RequestFileName("00AF")),
            Folder + "/Temp/qnserver.exe_C_00AF_out");
}

TEST_F(HandoverTest, RecordLayout) {
  const std::string bytes = EncodeQueueRecord({qsTaken, "/A/B_REQ"});
  ASSERT_EQ(bytes.size(), 268u);
  EXPECT_EQ(bytes[0], 1);
  EXPECT_EQ(bytes.substr(12, 9), std::string("/A/B_REQ\0", 9));
  auto records = DecodeQueueRecords(bytes + bytes.substr(0, 100));
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].Name, "/A/B_REQ");
  EXPECT_EQ(EncodeQueueRecord({0, std::string(300, 'N')}).substr(12 + 255, 1), std::string(1, '\0'));
}

TEST_F(HandoverTest, EntriesAreServedInQueueOrderAndFinished) {
  const std::string first = NewRequest("0001"), second = NewRequest("0002");
  ASSERT_TRUE(AppendQueueRecord(*Handover, first));
  ASSERT_TRUE(AppendQueueRecord(*Handover, second));
  EXPECT_EQ(EntryStatus(*Handover, first), qsWaiting);
  std::string taken;
  ASSERT_TRUE(TakeNextEntry(*Handover, ekRequestFile, taken));
  EXPECT_EQ(taken, AsciiUpper(first));
  EXPECT_EQ(Handover->RealRequestFile(taken), first);
  EXPECT_EQ(EntryStatus(*Handover, first), qsTaken);
  ASSERT_TRUE(FinishQueueEntry(*Handover, taken));
  EXPECT_EQ(EntryStatus(*Handover, first), qsFinished);
  ASSERT_TRUE(TakeNextEntry(*Handover, ekRequestFile, taken));
  EXPECT_EQ(taken, AsciiUpper(second));
  FinishQueueEntry(*Handover, taken);
  EXPECT_FALSE(TakeNextEntry(*Handover, ekRequestFile, taken));
  EXPECT_EQ(FileSize(Handover->QueueFile()), 0);
}

// The resident drops the entry it served in the same hold of the queue that takes the next one,
// and every append rings its doorbell.
TEST_F(HandoverTest, ServedEntryLeavesAsTheNextIsTakenAndAppendsRing) {
  TDoorbell bell(ResidentBellName(*Handover));
  ASSERT_TRUE(bell.Active());
  const std::string first = NewRequest("0001"), second = NewRequest("0002");
  ASSERT_TRUE(AppendQueueRecord(*Handover, first));
  EXPECT_TRUE(bell.Wait(0));
  EXPECT_FALSE(bell.Wait(0));
  ASSERT_TRUE(AppendQueueRecord(*Handover, second));
  EXPECT_TRUE(bell.Wait(0));
  std::string taken, served;
  ASSERT_TRUE(TakeNextEntry(*Handover, ekRequestFile, taken, &served));
  EXPECT_EQ(taken, AsciiUpper(first));
  served = taken;
  ASSERT_TRUE(TakeNextEntry(*Handover, ekRequestFile, taken, &served));
  EXPECT_EQ(taken, AsciiUpper(second));
  EXPECT_TRUE(served.empty());
  std::vector<TQueueRecord> queue = Queue();
  ASSERT_EQ(queue.size(), 1u);
  EXPECT_EQ(queue[0].Name, AsciiUpper(second));
  EXPECT_EQ(queue[0].Status, qsTaken);
  served = taken;
  EXPECT_FALSE(TakeNextEntry(*Handover, ekRequestFile, taken, &served));
  EXPECT_TRUE(served.empty());
  EXPECT_EQ(FileSize(Handover->QueueFile()), 0);
}

// A reply takes its request's place, so once its CGI process has it a new request may queue the
// same name before the served record leaves: only the served (taken) record goes.
TEST_F(HandoverTest, ServedRecordLeavesWhileANewRequestOfItsNameWaits) {
  const std::string name = NewRequest("0001");
  ASSERT_TRUE(AppendQueueRecord(*Handover, name));
  std::string taken, served;
  ASSERT_TRUE(TakeNextEntry(*Handover, ekRequestFile, taken, &served));
  ASSERT_TRUE(AppendQueueRecord(*Handover, name));
  served = taken;
  ASSERT_TRUE(TakeNextEntry(*Handover, ekRequestFile, taken, &served));
  EXPECT_EQ(taken, AsciiUpper(name));
  ASSERT_EQ(Queue().size(), 1u);
  EXPECT_EQ(Queue()[0].Status, qsTaken);

  ASSERT_TRUE(AppendQueueRecord(*Handover, name));
  ASSERT_TRUE(FinishQueueEntry(*Handover, taken));
  ASSERT_EQ(Queue().size(), 1u);
  EXPECT_EQ(Queue()[0].Status, qsWaiting);
  EXPECT_EQ(EntryStatus(*Handover, name), qsWaiting);
}

// Request files and profile files share one queue; each front end takes only its own kind and
// leaves the other waiting, and a waiting CGI process can withdraw its entry.
TEST_F(HandoverTest, EachKindIsTakenOnlyByItsOwnFrontEnd) {
  const std::string profile = Folder + "/Win/Request.ini";
  ASSERT_EQ(::mkdir((Folder + "/Win").c_str(), 0700), 0);
  WriteWholeFile(profile, "[System]\r\n");
  ASSERT_TRUE(AppendQueueRecord(*Handover, profile));
  const std::string request = NewRequest("0003");
  ASSERT_TRUE(AppendQueueRecord(*Handover, request));
  const std::string other = Folder + "/Win/Other.ini";
  WriteWholeFile(other, "");
  ASSERT_TRUE(AppendQueueRecord(*Handover, other));

  std::string taken;
  ASSERT_TRUE(TakeNextEntry(*Handover, ekRequestFile, taken));
  EXPECT_EQ(taken, AsciiUpper(request));
  EXPECT_FALSE(TakeNextEntry(*Handover, ekRequestFile, taken));
  ASSERT_TRUE(TakeNextEntry(*Handover, ekProfile, taken));
  EXPECT_EQ(taken, AsciiUpper(profile));
  EXPECT_EQ(QueuedFile(*Handover, taken), profile);  // the real spelling of the upper-cased name
  ASSERT_EQ(Queue().size(), 3u);
  EXPECT_EQ(Queue()[0].Status, qsTaken);
  EXPECT_EQ(Queue()[1].Status, qsTaken);
  EXPECT_EQ(Queue()[2].Status, qsWaiting);

  EXPECT_FALSE(WithdrawQueueEntry(*Handover, AsciiUpper(profile)));  // taken: it runs
  EXPECT_TRUE(WithdrawQueueEntry(*Handover, AsciiUpper(other)));
  EXPECT_EQ(EntryStatus(*Handover, other), qsFinished);
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
  EXPECT_EQ(Handover->RealRequestFile(AsciiUpper(Folder + "/Temp/qnserver.exe_C_0004_REQ")),
            Handover->RequestFileName("0004"));
  EXPECT_EQ(Handover->RealRequestFile("/ETC/PASSWD"), "");
  EXPECT_EQ(Handover->RealRequestFile(AsciiUpper(Folder + "/Temp/..")), "");
  EXPECT_EQ(Handover->RealRequestFile(AsciiUpper(Folder + "/Temp/qnserver.exe_C_9999_REQ")), "");
}

TEST_F(HandoverTest, AdoptedQueueKeepsWaitingRequestsThatExist) {
  const std::string live = NewRequest("0005");
  AppendQueueRecord(*Handover, live);
  AppendQueueRecord(*Handover, Handover->RequestFileName("0006"));  // no file
  {
    TQueueLock lock;
    ASSERT_TRUE(lock.Open(Handover->QueueFile()));
    lock.Append({qsTaken, AsciiUpper(NewRequest("0007"))});  // taken by a resident that died
  }
  WriteWholeFile(Folder + "/Profile.ini", "");
  AppendQueueRecord(*Handover, Folder + "/Profile.ini");
  AppendQueueRecord(*Handover, Folder + "/Gone.ini");
  ASSERT_TRUE(AdoptQueue(*Handover));
  ASSERT_EQ(Queue().size(), 2u);
  EXPECT_EQ(Queue()[0].Name, AsciiUpper(live));
  EXPECT_EQ(Queue()[1].Name, AsciiUpper(Folder + "/Profile.ini"));
}

TEST_F(HandoverTest, LockedQueueRefusesAndDeletedQueueIsSeen) {
  TQueueLock holder;
  ASSERT_TRUE(holder.Open(Handover->QueueFile()));
  TQueueLock other;
  EXPECT_FALSE(other.Open(Handover->QueueFile()));
  EXPECT_FALSE(other.Open(Handover->QueueFile(), false));
  holder.Close();
  ASSERT_TRUE(DeleteFile(Handover->QueueFile()));
  EXPECT_EQ(EntryStatus(*Handover, "/X_REQ"), qsQueueMissing);
  EXPECT_FALSE(AppendQueueRecord(*Handover, "/X_REQ"));
}

TEST_F(HandoverTest, ParallelAppendsAreNeverLost) {
  constexpr int kProcesses = 8, kEach = 15;
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    pid_t pid = fork();
    if (pid == 0) {
      int ok = 0;
      for (int i = 0; i < kEach; ++i)
        ok += AppendQueueRecord(*Handover, Handover->RequestFileName(std::to_string(p * 100 + i)));
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
}

// Readers that hold shared locks back to back, as a crowd of waiting CGI processes does, do not
// make the resident's finish fail.
TEST_F(HandoverTest, FinishingWaitsOutACrowdOfReaders) {
  const std::string first = NewRequest("0001"), second = NewRequest("0002");
  ASSERT_TRUE(AppendQueueRecord(*Handover, first));
  ASSERT_TRUE(AppendQueueRecord(*Handover, second));
  std::vector<pid_t> readers;
  for (int p = 0; p < 6; ++p) {
    pid_t pid = fork();
    if (pid == 0) {
      const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(600);
      while (std::chrono::steady_clock::now() < end) {
        TQueueLock lock;
        if (lock.Open(Handover->QueueFile(), false, false, 50)) {
          lock.Read();
          usleep(200);
        }
      }
      _exit(0);
    }
    readers.push_back(pid);
  }
  usleep(50000);
  EXPECT_TRUE(FinishQueueEntry(*Handover, AsciiUpper(first)));
  for (pid_t pid : readers) waitpid(pid, nullptr, 0);
  ASSERT_EQ(Queue().size(), 1u);
  EXPECT_EQ(Queue()[0].Name, AsciiUpper(second));
}

// A rewrite whose write fails at any call leaves the old queue; one that goes through, the new.
TEST_F(HandoverTest, QueueRewriteLeavesTheOldQueueOrTheNew) {
  for (int N = 1; N <= 3; ++N) {
    ASSERT_TRUE(DeleteFile(Handover->QueueFile()));
    ASSERT_TRUE(CreateQueueFile(Handover->QueueFile()));
    for (const char* id : {"0001", "0002", "0003"}) ASSERT_TRUE(AppendQueueRecord(*Handover, NewRequest(id)));
    const auto before = Queue();
    FailFileStepAt(TFileStep::Write, N);
    const bool finished = FinishQueueEntry(*Handover, before[0].Name);
    const int calls = FileStepCount(TFileStep::Write);
    FailFileStepAt(TFileStep::Write, 0);
    const auto after = Queue();
    if (finished) {
      ASSERT_EQ(after.size(), 2u);
      EXPECT_EQ(after[0].Name, before[1].Name);
      EXPECT_EQ(after[1].Name, before[2].Name);
      EXPECT_EQ(ReadWholeFile(Handover->QueueFile()).size(), 2 * kQueueRecordSize);
    } else {
      EXPECT_EQ(after.size(), 3u);
    }
    if (finished && calls < N) break;
  }
  // A rewrite cut after its write and before the cut leaves zeroed records, which say nothing.
  std::string bytes = EncodeQueueRecord({qsWaiting, "/A_REQ"}) + std::string(2 * kQueueRecordSize, '\0');
  const auto records = DecodeQueueRecords(bytes);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].Name, "/A_REQ");
}

TEST_F(HandoverTest, FilesWhoseOwnersAreGoneAreSwept) {
  const std::string queued = NewRequest("0001"), lost = NewRequest("0002"), fresh = NewRequest("0003");
  ASSERT_TRUE(AppendQueueRecord(*Handover, queued));
  const std::string lostReply = THandoverFolder::ReplyFileName(lost);
  const std::string queuedReply = THandoverFolder::ReplyFileName(queued);
  const std::string part = THandoverFolder::ReplyFileName(fresh) + ".part";
  for (const std::string& file : {lostReply, queuedReply, part}) WriteWholeFile(file, "reply");
  const double old = 60;
  for (const std::string& file : {lost, lostReply, queuedReply})
    ASSERT_EQ(FileSetDate(file, static_cast<std::int64_t>(std::time(nullptr) - old)), 0);
  // While requests run on threads a ".part" may be one being written.
  EXPECT_EQ(RemoveOrphanedHandoverFiles(*Handover, 5, 30, false), 2);
  EXPECT_TRUE(FileExists(part));
  EXPECT_EQ(RemoveOrphanedHandoverFiles(*Handover, 5, 30), 1);
  EXPECT_FALSE(FileExists(lost));
  EXPECT_FALSE(FileExists(lostReply));
  EXPECT_FALSE(FileExists(part));
  // Queued, or too young to judge: kept.
  EXPECT_TRUE(FileExists(queued));
  EXPECT_TRUE(FileExists(queuedReply));
  EXPECT_TRUE(FileExists(fresh));
}

TEST_F(HandoverTest, FolderWatchWakesOnWritesAndArrivals) {
  TFolderWatch watch(Handover->Folder(), fwWritten | fwArrived);
  ASSERT_TRUE(watch.Active());
  std::vector<std::string> names;
  EXPECT_FALSE(watch.Wait(20, &names));
  const auto start = std::chrono::steady_clock::now();
  std::thread writer([&] {
    usleep(30000);
    WriteWholeFile(Handover->Folder() + "/x.part", "reply");
    RenameFile(Handover->Folder() + "/x.part", Handover->Folder() + "/x_out");
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
  FileTouch(Handover->QueueFile());
  EXPECT_FALSE(watch.Wait(30, &names));
}

TEST_F(HandoverTest, RequestFileLayout) {
  int pipeFds[2];
  ASSERT_EQ(pipe(pipeFds), 0);
  ASSERT_EQ(write(pipeFds[1], "body!", 5), 5);
  close(pipeFds[1]);
  std::string file, error;
  ASSERT_EQ(WriteRequestFile(*Handover, {"A=1", "QUERY_STRING=x"}, pipeFds[0], 5, file, error), rfWritten);
  close(pipeFds[0]);
  EXPECT_EQ(ReadWholeFile(file), "A=1\r\nQUERY_STRING=x\r\nOSTREL_CGI_DEBUG=true\r\n\r\nbody!");
  std::string empty;
  ASSERT_EQ(WriteRequestFile(*Handover, {"A=1"}, -1, 0, empty, error), rfWritten);
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
  EXPECT_EQ(WriteRequestFile(*Handover, {}, pipeFds[0], 10, file, error), rfShortInput);
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
  EXPECT_EQ(WriteRequestFile(folder, {}, -1, 0, file, error), rfNameTooLong);
}

class ReplyCopyTest : public EngineFixture {
protected:
  std::string Copy(const std::string& Reply) {
    WriteWholeFile(Folder + "/reply", Reply);
    const std::string out = Folder + "/copied";
    int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    EXPECT_TRUE(CopyReply(Folder + "/reply", fd));
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

TEST_F(HandoverTest, FirstRequestNameIsTheProcessIdsAndATakenOneIsPassedOver) {
  char own[8];
  std::snprintf(own, sizeof own, "%04X", static_cast<unsigned>(getpid()) & 0xFFFFu);
  std::string first, second, error;
  ASSERT_EQ(WriteRequestFile(*Handover, {"A=1"}, -1, 0, first, error), rfWritten);
  EXPECT_EQ(first, Handover->RequestFileName(own));
  ASSERT_EQ(WriteRequestFile(*Handover, {"B=2"}, -1, 0, second, error), rfWritten);
  EXPECT_NE(second, first);
  EXPECT_EQ(ReadWholeFile(first).substr(0, 5), "A=1\r\n");
  EXPECT_EQ(ReadWholeFile(second).substr(0, 5), "B=2\r\n");
}

TEST_F(HandoverTest, RequestIdStaysTakenWhileItsReplyWaits) {
  // The resident has removed the request file, but its owner has not taken the reply yet: a new
  // request of the same id would have its reply taken for the other's, or the other's for its.
  std::string first, second, error;
  RandSeed(4242);
  ASSERT_EQ(WriteRequestFile(*Handover, {"A=1"}, -1, 0, first, error), rfWritten);
  ASSERT_TRUE(DeleteFile(first));
  const std::string reply = THandoverFolder::ReplyFileName(first);
  WriteWholeFile(reply, "HTTP/1.0 200 OK\r\n\r\nsomeone else's");
  RandSeed(4242);
  ASSERT_EQ(WriteRequestFile(*Handover, {"A=1"}, -1, 0, second, error), rfWritten);
  EXPECT_NE(second, first);
  EXPECT_FALSE(FileExists(first));
  EXPECT_EQ(ReadWholeFile(reply), "HTTP/1.0 200 OK\r\n\r\nsomeone else's");
  // Once the reply is taken the id is free again.
  ASSERT_TRUE(DeleteFile(reply));
  ASSERT_TRUE(DeleteFile(second));
  RandSeed(4242);
  ASSERT_EQ(WriteRequestFile(*Handover, {"A=1"}, -1, 0, second, error), rfWritten);
  EXPECT_EQ(second, first);
}
