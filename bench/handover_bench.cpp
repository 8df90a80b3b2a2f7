// The server program below the local web server (bin/hmserv) on loopback, beside a CGI program that
// does nothing (null_cgi, linked as the server program is, answering with a body of the size of a
// record) below a second web server of the same kind, on the same machine in one run: "G" of a
// record, one request at a time end to end, and requests per second with 100 and 300 clients in
// parallel.  The two are measured in turns for several rounds (the order changes every round);
// each figure is the median of its rounds, and the resident instance's CPU time a request is taken
// at 10, 100 and 300 clients, with its page faults.  Then 200 CGI processes of each program
// started by the benchmark itself, in turns, without the web server: their page faults and
// processor time by their own account (getrusage).  The machine's load average is printed before
// and after; the chief figures again as "FIGURE <what> <server> <do-nothing> <ratio>" lines.
//
//   handover_bench [ROUNDS] [SECONDS] [RECORDS]
//     ROUNDS: rounds of measuring (5); SECONDS: the length of each parallel run (3; 0: no
//     parallel runs, the "G" rounds alone, for many rounds of them in little time);
//     RECORDS: records of about 5 KB in the database (20000).
//   QN_BENCH_SERVER=PROGRAM measures another build's server program in place of this build's, so
//   that two builds compare on one machine (run them in turns).
//   QN_BENCH_COMPARE=PROGRAM runs only the "G" rounds, with this build's server program, PROGRAM and
//   the do-nothing program side by side, their requests interleaved one by one, or QN_BENCH_BLOCK
//   at a time (two builds compared in one run, whatever else the machine does falling on each
//   alike).
//   QN_BENCH_HOLD=SECONDS keeps the two web servers (their folders and ports printed) that long
//   before measuring, for a profiler to look at single requests.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_client.h"
#include "server/database_store.h"

namespace fs = std::filesystem;
using namespace qn_bench;

namespace {

// One program below its web server, and what a good reply of it looks like.
struct TTarget {
  const char* Name;
  TBenchStack& Stack;
  std::string Path;
  std::vector<std::string> Agents;  // taken in turn
  size_t BodySize = 0;              // a good reply's body has this size (0: any)
  bool Good(int Status, const std::string& Body) const {
    return Status == 200 && (BodySize == 0 || Body.size() == BodySize) && Body.rfind("<HTML>", 0) != 0;
  }
};

struct TRun {
  double Median = 0, P99 = 0, Rate = 0;
  int Done = 0, Failed = 0;
  double ResidentUsPerRequest = 0;  // the resident instance's CPU (user and system) a request
  double ResidentFaultsPerRequest = 0;  // and its page faults a request
};

// What the resident instance of Program has used: its CPU time (user and system) in
// microseconds and its page faults; CpuUs -1 when none runs.
struct TResidentUsage {
  double CpuUs = -1, Faults = 0;
};
TResidentUsage ResidentUsage(const fs::path& Program) {
  const std::string Wanted = Program.string() + std::string("\0START_SERVER\0", 14);
  for (const auto& Entry : fs::directory_iterator("/proc")) {
    const std::string Pid = Entry.path().filename().string();
    if (Pid.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream Cmdline(Entry.path() / "cmdline", std::ios::binary);
    const std::string Line((std::istreambuf_iterator<char>(Cmdline)), std::istreambuf_iterator<char>());
    if (Line != Wanted) continue;
    std::ifstream Stat(Entry.path() / "stat");
    std::string Text((std::istreambuf_iterator<char>(Stat)), std::istreambuf_iterator<char>());
    // The fields after the command's closing parenthesis: state is field 3, minflt 10, majflt 12,
    // utime 14, stime 15.
    std::istringstream Fields(Text.substr(Text.rfind(')') + 2));
    std::string Field;
    TResidentUsage Usage;
    double Ticks = 0;
    for (int Number = 3; Number <= 15 && Fields >> Field; ++Number) {
      if (Number == 10 || Number == 12) Usage.Faults += std::atof(Field.c_str());
      if (Number >= 14) Ticks += std::atof(Field.c_str());
    }
    Usage.CpuUs = Ticks * 1e6 / static_cast<double>(::sysconf(_SC_CLK_TCK));
    return Usage;
  }
  return {};
}

TRun Sequential(const TTarget& T, int Count) {
  std::vector<double> Times;
  TRun R;
  std::string Body;
  for (int i = 0; i < Count; ++i) {
    const auto Start = Clock::now();
    const int Status = HttpGet(T.Stack.Port, T.Path, T.Agents[static_cast<size_t>(i) % T.Agents.size()], Body);
    Times.push_back(MsSince(Start));
    R.Failed += !T.Good(Status, Body);
  }
  R.Done = Count;
  R.Median = Percentile(Times, 0.5);
  R.P99 = Percentile(Times, 0.99);
  return R;
}

// Count GETs of each target, one after another, the targets taken in turn every Block requests
// (so that whatever else the machine does falls on each alike, while a target keeps warm for a
// few requests as it does in a row), the order turning each time: one run a target.
std::vector<TRun> Interleaved(const std::vector<const TTarget*>& Targets, int Count, int Block) {
  std::vector<std::vector<double>> Times(Targets.size());
  std::vector<TRun> Runs(Targets.size());
  std::string Body;
  for (int From = 0, Turn = 0; From < Count; From += Block, ++Turn)
    for (size_t t = 0; t < Targets.size(); ++t) {
      const size_t Index = (t + static_cast<size_t>(Turn)) % Targets.size();
      const TTarget& T = *Targets[Index];
      for (int i = From; i < std::min(Count, From + Block); ++i) {
        const auto Start = Clock::now();
        const int Status = HttpGet(T.Stack.Port, T.Path, T.Agents[static_cast<size_t>(i) % T.Agents.size()], Body);
        Times[Index].push_back(MsSince(Start));
        Runs[Index].Failed += !T.Good(Status, Body);
      }
    }
  for (size_t t = 0; t < Targets.size(); ++t) {
    Runs[t].Done = Count;
    Runs[t].Median = Percentile(Times[t], 0.5);
    Runs[t].P99 = Percentile(Times[t], 0.99);
  }
  return Runs;
}

TRun Parallel(const TTarget& T, int Clients, double Seconds, const fs::path& Program = {}) {
  const TResidentUsage Before = Program.empty() ? TResidentUsage() : ResidentUsage(Program);
  std::mutex Lock;
  std::vector<double> Times;
  std::atomic<int> Failed{0};
  const auto Start = Clock::now();
  const auto End = Start + std::chrono::duration<double>(Seconds);
  std::vector<std::thread> Threads;
  for (int c = 0; c < Clients; ++c)
    Threads.emplace_back([&, c] {
      std::vector<double> Mine;
      std::string Body;
      for (size_t i = static_cast<size_t>(c); Clock::now() < End; i += static_cast<size_t>(Clients)) {
        const auto T0 = Clock::now();
        const int Status = HttpGet(T.Stack.Port, T.Path, T.Agents[i % T.Agents.size()], Body);
        Mine.push_back(MsSince(T0));
        if (!T.Good(Status, Body)) ++Failed;
      }
      std::lock_guard<std::mutex> G(Lock);
      Times.insert(Times.end(), Mine.begin(), Mine.end());
    });
  for (std::thread& Thread : Threads) Thread.join();
  TRun R;
  R.Done = static_cast<int>(Times.size());
  R.Rate = R.Done / SecondsSince(Start);
  R.Median = Percentile(Times, 0.5);
  R.P99 = Percentile(Times, 0.99);
  R.Failed = Failed;
  const TResidentUsage After = Program.empty() ? TResidentUsage() : ResidentUsage(Program);
  if (Before.CpuUs >= 0 && After.CpuUs >= 0 && R.Done > 0) {
    R.ResidentUsPerRequest = (After.CpuUs - Before.CpuUs) / R.Done;
    R.ResidentFaultsPerRequest = (After.Faults - Before.Faults) / R.Done;
  }
  return R;
}

// What one CGI process cost by its own account (getrusage of the ended child): its page faults
// (every one a page first touched by it: the minor faults, no major ones on a warm machine) and
// its processor time, user and system, in microseconds.  Good: its reply began with a 200 status.
struct TProcessCost {
  double Faults = 0, CpuUs = 0;
  bool Good = false;
};

// One CGI process of Program started as the web server starts it for a GET with the user agent
// Agent and the query Query (the variables of such a request, its input empty, its output a
// pipe read to the end), without the web server's own work around it.
TProcessCost CgiProcess(const fs::path& Program, int Port, const std::string& Agent, const std::string& Query) {
  const std::vector<std::string> Variables = {
      "GATEWAY_INTERFACE=CGI/1.1", "SERVER_SOFTWARE=lighttpd", "SERVER_PROTOCOL=HTTP/1.0",
      "SERVER_NAME=127.0.0.1", "SERVER_ADDR=127.0.0.1", "SERVER_PORT=" + std::to_string(Port),
      "REQUEST_METHOD=GET", "REQUEST_URI=/database/qnserver.exe" + (Query.empty() ? "" : "?" + Query),
      "QUERY_STRING=" + Query, "SCRIPT_NAME=/database/qnserver.exe", "SCRIPT_FILENAME=" + Program.string(),
      "DOCUMENT_ROOT=" + Program.parent_path().parent_path().string(), "REMOTE_ADDR=127.0.0.1",
      "REMOTE_PORT=40000", "HTTP_HOST=127.0.0.1", "HTTP_USER_AGENT=" + Agent, "REDIRECT_STATUS=200",
      "PATH=/usr/bin:/bin"};
  std::vector<char*> Env;
  for (const std::string& V : Variables) Env.push_back(const_cast<char*>(V.c_str()));
  Env.push_back(nullptr);
  int Pipe[2];
  TProcessCost Cost;
  if (::pipe2(Pipe, O_CLOEXEC) != 0) return Cost;
  posix_spawn_file_actions_t Actions;
  posix_spawn_file_actions_init(&Actions);
  posix_spawn_file_actions_addopen(&Actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&Actions, Pipe[1], STDOUT_FILENO);
  const std::string Path = Program.string();
  char* Argv[] = {const_cast<char*>(Path.c_str()), nullptr};
  pid_t Pid = -1;
  const bool Started = posix_spawn(&Pid, Path.c_str(), &Actions, nullptr, Argv, Env.data()) == 0;
  posix_spawn_file_actions_destroy(&Actions);
  ::close(Pipe[1]);
  std::string Reply;
  char Buffer[65536];
  for (ssize_t Got; Started && (Got = ::read(Pipe[0], Buffer, sizeof Buffer)) > 0;) Reply.append(Buffer, static_cast<size_t>(Got));
  ::close(Pipe[0]);
  int Status = 0;
  rusage Usage{};
  if (!Started || ::wait4(Pid, &Status, 0, &Usage) != Pid) return Cost;
  Cost.Faults = static_cast<double>(Usage.ru_minflt + Usage.ru_majflt);
  Cost.CpuUs = static_cast<double>(Usage.ru_utime.tv_sec + Usage.ru_stime.tv_sec) * 1e6 +
               static_cast<double>(Usage.ru_utime.tv_usec + Usage.ru_stime.tv_usec);
  Cost.Good = WIFEXITED(Status) && Reply.rfind("HTTP/1.1 200", 0) == 0;
  return Cost;
}

// Count CGI processes of each program in turn (the order turning each time); the medians of
// their faults and processor times, and how many failed.
struct TProcessFigures {
  double Faults = 0, CpuUs = 0;
  int Failed = 0;
};
std::vector<TProcessFigures> CgiProcesses(const std::vector<fs::path>& Programs, int Port,
                                          const std::vector<std::string>& Agents,
                                          const std::vector<std::string>& Queries, int Count) {
  std::vector<std::vector<double>> Faults(Programs.size()), Cpu(Programs.size());
  std::vector<TProcessFigures> Figures(Programs.size());
  for (int i = 0; i < Count; ++i)
    for (size_t t = 0; t < Programs.size(); ++t) {
      const size_t p = (t + static_cast<size_t>(i)) % Programs.size();
      const TProcessCost C = CgiProcess(Programs[p], Port, Agents[p], Queries[p]);
      Faults[p].push_back(C.Faults);
      Cpu[p].push_back(C.CpuUs);
      Figures[p].Failed += !C.Good;
    }
  for (size_t p = 0; p < Programs.size(); ++p) {
    Figures[p].Faults = Median(Faults[p]);
    Figures[p].CpuUs = Median(Cpu[p]);
  }
  return Figures;
}

// The median over the rounds of one figure of one kind of run.
double MedianOf(const std::vector<TRun>& Runs, double TRun::*Figure) {
  std::vector<double> Values;
  for (const TRun& R : Runs) Values.push_back(R.*Figure);
  return Median(Values);
}

int FailedIn(const std::vector<TRun>& Runs) {
  int Failed = 0;
  for (const TRun& R : Runs) Failed += R.Failed;
  return Failed;
}

// QN_BENCH_COMPARE: this build's server program and another one, each below a web server of its
// own, and the do-nothing program, their "G" requests interleaved one by one.
int Compare(const fs::path& Program, const std::string& Bytes, const TTarget& ServerTarget,
            const TTarget& NullTarget, int Rounds) {
  TBenchStack Other("handover_bench_other", Bytes);
  Other.InstallProgram(Program);
  if (!Other.Start()) return 1;
  const TTarget OtherTarget{"other", Other, ServerTarget.Path, ServerTarget.Agents, ServerTarget.BodySize};
  const std::vector<const TTarget*> Targets = {&ServerTarget, &OtherTarget, &NullTarget};
  std::vector<std::vector<TRun>> Runs(Targets.size());
  const char* BlockText = std::getenv("QN_BENCH_BLOCK");
  const int Block = BlockText ? std::max(1, std::atoi(BlockText)) : 1;
  for (int Round = 0; Round < Rounds; ++Round) {
    Interleaved(Targets, 10, 10);  // warm
    const std::vector<TRun> Got = Interleaved(Targets, 200, Block);
    for (size_t t = 0; t < Targets.size(); ++t) Runs[t].push_back(Got[t]);
  }
  const double Server = MedianOf(Runs[0], &TRun::Median), Again = MedianOf(Runs[1], &TRun::Median),
               Null = MedianOf(Runs[2], &TRun::Median);
  std::printf("\"G\" interleaved by %d, %d rounds: this build %.3f ms (%.3f x), %s %.3f ms (%.3f x), nothing %.3f ms;"
              " this build / the other %.3f\n",
              Block, Rounds, Server, Server / Null, Program.filename().c_str(), Again, Again / Null, Null, Server / Again);
  // One CGI process of each, in turns, started by the benchmark itself.
  const std::vector<fs::path> Programs = {ServerTarget.Stack.InstalledProgram(), Other.InstalledProgram(),
                                          NullTarget.Stack.InstalledProgram()};
  const std::vector<std::string> Agents = {ServerTarget.Agents[0], ServerTarget.Agents[0], "G:Bench"},
                                 Queries = {"", "", std::to_string(NullTarget.BodySize)};
  CgiProcesses(Programs, ServerTarget.Stack.Port, Agents, Queries, 10);  // warm
  const std::vector<TProcessFigures> Processes = CgiProcesses(Programs, ServerTarget.Stack.Port, Agents, Queries, 200);
  std::printf("CGI process, median of 200 each, in turns: this build %.0f page faults %.0f us CPU, the other %.0f"
              " page faults %.0f us CPU, nothing %.0f page faults %.0f us CPU\n",
              Processes[0].Faults, Processes[0].CpuUs, Processes[1].Faults, Processes[1].CpuUs, Processes[2].Faults,
              Processes[2].CpuUs);
  std::printf("failed requests: %d %d %d\n", FailedIn(Runs[0]) + Processes[0].Failed,
              FailedIn(Runs[1]) + Processes[1].Failed, FailedIn(Runs[2]) + Processes[2].Failed);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const int Rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const double Seconds = argc > 2 ? std::atof(argv[2]) > 0 ? std::max(0.5, std::atof(argv[2])) : 0.0 : 3.0;
  const int Records = argc > 3 ? std::max(100, std::atoi(argv[3])) : 20000;
  THeadlessRun Headless;
  std::printf("load average before: %s\n", LoadAverage().c_str());

  const std::string Bytes = FilledShippedDatabase(Records);
  TDatabase Database;
  Database.LoadFromBytes(Bytes);
  TBenchStack Server("handover_bench", Bytes);
  TBenchStack Nothing("handover_bench_null", "");
  const fs::path NullProgram = Nothing.InstallProgram(QN_NULL_CGI);
  if (const char* Other = std::getenv("QN_BENCH_SERVER")) {
    Server.InstallProgram(Other);
    std::printf("server program: %s\n", Other);
  }
  if (!Server.Start() || !Nothing.Start()) return 1;

  const std::string Url = "/database/qnserver.exe";
  TTarget ServerTarget{"server", Server, Url, {}, 0};
  for (int i = 0; i < 64; ++i)
    ServerTarget.Agents.push_back("G" + Database.Record(i * (Records / 64)).Code + ":Bench");
  std::string Body;
  if (HttpGet(Server.Port, Url, ServerTarget.Agents[0], Body) != 200 || Body.find("Record 0") == std::string::npos) {
    std::fprintf(stderr, "handover_bench: the server does not answer \"G\": %.200s\n", Body.c_str());
    return 1;
  }
  // The bodies of the records differ in length by a few bytes: the do-nothing program answers with
  // the first one's size, and the server's replies are judged by status and content only.
  TTarget NullTarget{"nothing", Nothing, Url + "?" + std::to_string(Body.size()), {"G:Bench"}, Body.size()};
  if (const char* Hold = std::getenv("QN_BENCH_HOLD")) {
    std::printf("server: %s port %d user agent %s\nnothing: %s port %d path %s\n", Server.Root.c_str(), Server.Port,
                ServerTarget.Agents[0].c_str(), Nothing.Root.c_str(), Nothing.Port, NullTarget.Path.c_str());
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::duration<double>(std::atof(Hold)));
  }

  if (const char* Program = std::getenv("QN_BENCH_COMPARE")) return Compare(Program, Bytes, ServerTarget, NullTarget, Rounds);

  std::vector<TRun> OneServer, OneNull, P10Server, P100Server, P100Null, P300Server, P300Null;
  const fs::path ServerProgram = Server.InstalledProgram();
  for (int Round = 0; Round < Rounds; ++Round) {
    const bool ServerFirst = Round % 2 == 0;
    for (int Turn = 0; Turn < 2; ++Turn) {
      const bool IsServer = (Turn == 0) == ServerFirst;
      const TTarget& T = IsServer ? ServerTarget : NullTarget;
      Sequential(T, 10);  // warm
      (IsServer ? OneServer : OneNull).push_back(Sequential(T, 200));
    }
    if (Seconds <= 0) continue;
    // The resident's own work a request, with few clients waiting: the base of its growth.
    P10Server.push_back(Parallel(ServerTarget, 10, Seconds, ServerProgram));
    for (int Clients : {100, 300})
      for (int Turn = 0; Turn < 2; ++Turn) {
        const bool IsServer = (Turn == 0) == ServerFirst;
        const TTarget& T = IsServer ? ServerTarget : NullTarget;
        std::vector<TRun>& Runs = Clients == 100 ? (IsServer ? P100Server : P100Null) : (IsServer ? P300Server : P300Null);
        Runs.push_back(Parallel(T, Clients, Seconds, IsServer ? ServerProgram : fs::path()));
      }
    std::fprintf(stderr, "round %d of %d done\n", Round + 1, Rounds);
  }

  // One CGI process of each, started by the benchmark itself: what the process alone costs.
  CgiProcesses({ServerProgram, NullProgram}, Server.Port, {ServerTarget.Agents[0], "G:Bench"},
               {"", std::to_string(Body.size())}, 10);  // warm
  const std::vector<TProcessFigures> Processes =
      CgiProcesses({ServerProgram, NullProgram}, Server.Port, {ServerTarget.Agents[0], "G:Bench"},
                   {"", std::to_string(Body.size())}, 200);

  const double GServer = MedianOf(OneServer, &TRun::Median), GNull = MedianOf(OneNull, &TRun::Median);
  std::printf("%d records, a \"G\" reply of %zu bytes; %d rounds, parallel runs of %.1f s\n", Records,
              Body.size(), Rounds, Seconds);
  std::printf("\"G\" end to end:        server median %6.2f ms p99 %6.2f   nothing median %6.2f ms p99 %6.2f"
              "   = %.2f x   (target <= 1.15 x)\n",
              GServer, MedianOf(OneServer, &TRun::P99), GNull, MedianOf(OneNull, &TRun::P99), GServer / GNull);
  for (int Clients : {100, 300}) {
    if (Seconds <= 0) break;
    const std::vector<TRun>& S = Clients == 100 ? P100Server : P300Server;
    const std::vector<TRun>& N = Clients == 100 ? P100Null : P300Null;
    const double RS = MedianOf(S, &TRun::Rate), RN = MedianOf(N, &TRun::Rate);
    std::printf("%d clients in parallel: server %6.0f/s p50 %6.1f ms p99 %6.1f   nothing %6.0f/s p50 %6.1f ms"
                " p99 %6.1f   = %.2f x   (target >= 0.9 x%s)\n",
                Clients, RS, MedianOf(S, &TRun::Median), MedianOf(S, &TRun::P99), RN, MedianOf(N, &TRun::Median),
                MedianOf(N, &TRun::P99), RS / RN, Clients == 100 ? ", server p99 <= 100 ms" : "");
  }
  if (Seconds > 0) {
    const double Cpu10 = MedianOf(P10Server, &TRun::ResidentUsPerRequest);
    const double Cpu100 = MedianOf(P100Server, &TRun::ResidentUsPerRequest);
    const double Cpu300 = MedianOf(P300Server, &TRun::ResidentUsPerRequest);
    std::printf("resident CPU a request at 10 | 100 | 300 clients: %.0f | %.0f | %.0f us   300/10 = %.2f x"
                "   (target <= 1.2 x)\n",
                Cpu10, Cpu100, Cpu300, Cpu10 > 0 ? Cpu300 / Cpu10 : 0.0);
    std::printf("resident page faults a request at 10 | 100 | 300 clients: %.2f | %.2f | %.2f\n",
                MedianOf(P10Server, &TRun::ResidentFaultsPerRequest),
                MedianOf(P100Server, &TRun::ResidentFaultsPerRequest),
                MedianOf(P300Server, &TRun::ResidentFaultsPerRequest));
  }
  std::printf("per round, G median server/nothing:");
  for (int Round = 0; Round < Rounds; ++Round)
    std::printf(" %.2f", OneServer[static_cast<size_t>(Round)].Median / OneNull[static_cast<size_t>(Round)].Median);
  if (Seconds > 0) {
    std::printf("\nper round, requests/s server/nothing at 100 | 300:");
    for (int Round = 0; Round < Rounds; ++Round)
      std::printf(" %.2f", P100Server[static_cast<size_t>(Round)].Rate / P100Null[static_cast<size_t>(Round)].Rate);
    std::printf(" |");
    for (int Round = 0; Round < Rounds; ++Round)
      std::printf(" %.2f", P300Server[static_cast<size_t>(Round)].Rate / P300Null[static_cast<size_t>(Round)].Rate);
  }
  std::printf("\nCGI process, median of 200 each, in turns: server %.0f page faults %.0f us CPU   nothing %.0f page"
              " faults %.0f us CPU\n",
              Processes[0].Faults, Processes[0].CpuUs, Processes[1].Faults, Processes[1].CpuUs);
  // The figures in the benchmarks' form: FIGURE <what> <server> <the do-nothing program> <ratio>.
  auto Figure = [](const char* What, double Ours, double Nothing) {
    std::printf("FIGURE %s %.3f %.3f %.2f\n", What, Ours, Nothing, Nothing > 0 ? Ours / Nothing : 0.0);
  };
  Figure("cgi-process-page-faults", Processes[0].Faults, Processes[1].Faults);
  Figure("cgi-process-cpu-us", Processes[0].CpuUs, Processes[1].CpuUs);
  Figure("handover-G-ms", GServer, GNull);
  if (Seconds > 0) {
    Figure("handover-100-clients-per-s", MedianOf(P100Server, &TRun::Rate), MedianOf(P100Null, &TRun::Rate));
    Figure("handover-300-clients-per-s", MedianOf(P300Server, &TRun::Rate), MedianOf(P300Null, &TRun::Rate));
    // (Its reference: the resident's CPU a request at 10 clients.)
    Figure("resident-cpu-us-300-clients", MedianOf(P300Server, &TRun::ResidentUsPerRequest),
           MedianOf(P10Server, &TRun::ResidentUsPerRequest));
  }
  const int Failed = FailedIn(OneServer) + FailedIn(P10Server) + FailedIn(P100Server) + FailedIn(P300Server) +
                     Processes[0].Failed;
  const int NullFailed = FailedIn(OneNull) + FailedIn(P100Null) + FailedIn(P300Null) + Processes[1].Failed;
  std::printf("failed requests: server %d, nothing %d\n", Failed, NullFailed);
  std::printf("load average after: %s\n", LoadAverage().c_str());
  return Failed > 0 ? 2 : 0;
}
