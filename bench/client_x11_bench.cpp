// The installed client on an X server, driven as a person drives it (the pointer and its clicks
// through the X server's test extension), each step timed from the click (or the program's start)
// to its window painted, found by reading the screen's pixels:
//   start    the program's start to the login window painted, beside login_reference, a plain
//            program of the toolkit showing a "Login" dialog (the two alternate, one run each)
//   login    Login to the first record's code shown (the server's load of the database included)
//   next     Next to the next record's code, name and second detail painted, beside its
//            requests' round trips to a CGI program that does nothing (null_cgi below a web
//            server of the same kind, three GETs of a record's size one after another), one
//            such triple after each Next
//   search   the main window's Search button to the search window painted
//   report   the quick report setup's Generate (five columns over every record of a database of
//            1,006 records) to the report window painted
// Each step prints "FIGURE <step> <median ms> <reference median ms or -> <ratio or ->", and the
// machine's load before and after ("LOAD" lines).
//
//   client_x11_bench [RUNS]            installs the client into a scratch folder, makes the
//                                      databases and runs itself under xvfb-run -a (RUNS: 10)
//   client_x11_bench --inner R RUNS    the runs themselves, on the display of $DISPLAY
//
// QN_BENCH_SHOTS=FOLDER keeps screenshots (PPM) of the windows of the last run there (and of
// each page of the record window after the first login: page1.ppm to page7.ppm);
// QN_BENCH_CLIENT=PROGRAM runs another build's client program on the same installation;
// QN_BENCH_NEXTS=N clicks Next N times a run (5);
// QN_BENCH_STEPS=start times the start alone (the client ended as soon as its login window shows).
// (The project's headers come first: the X headers' macros would change their names.)
#include "bench/bench_client.h"

#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using qn_bench::Clock;
using qn_bench::Median;
using qn_bench::MsSince;

namespace {

constexpr int kBenchRecords = 20000, kReportRecords = 1006;
// The size of a record's reply, about that of the bench's records (see handover_bench).
constexpr std::size_t kRecordReplyBytes = 5469;

// ---- The X server: windows by title, pixels, and input through the test extension ----------

struct TBox {
  int X = 0, Y = 0, W = 0, H = 0;
};

class TScreen {
public:
  TScreen() {
    FDisplay = XOpenDisplay(nullptr);
    if (!FDisplay) throw std::runtime_error("no X display");
    FRoot = DefaultRootWindow(FDisplay);
    // A window may go between its listing and a look at it: such a failed request is no failure.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    // The test extension's library is opened at run time: the build needs no headers of it.
    void* Lib = dlopen("libXtst.so.6", RTLD_NOW);
    if (!Lib) throw std::runtime_error("no libXtst.so.6");
    FMotion = reinterpret_cast<decltype(FMotion)>(dlsym(Lib, "XTestFakeMotionEvent"));
    FButton = reinterpret_cast<decltype(FButton)>(dlsym(Lib, "XTestFakeButtonEvent"));
    if (!FMotion || !FButton) throw std::runtime_error("the test extension's library lacks its calls");
    FNetName = XInternAtom(FDisplay, "_NET_WM_NAME", False);
  }
  ~TScreen() { XCloseDisplay(FDisplay); }

  // The shown top-level window of that title at least MinWidth wide.
  std::optional<Window> Find(const std::string& Title, int MinWidth = 0) {
    Window RootOut, ParentOut, *Children = nullptr;
    unsigned Count = 0;
    std::optional<Window> Found;
    if (!XQueryTree(FDisplay, FRoot, &RootOut, &ParentOut, &Children, &Count)) return Found;
    for (unsigned i = Count; i-- > 0 && !Found;) {
      XWindowAttributes A;
      if (!XGetWindowAttributes(FDisplay, Children[i], &A) || A.map_state != IsViewable || A.width < MinWidth) continue;
      if (Name(Children[i]) == Title) Found = Children[i];
    }
    if (Children) XFree(Children);
    return Found;
  }
  // The shown top-level windows at least MinWidth wide.
  std::vector<Window> Shown(int MinWidth = 0) {
    Window RootOut, ParentOut, *Children = nullptr;
    unsigned Count = 0;
    std::vector<Window> Out;
    if (!XQueryTree(FDisplay, FRoot, &RootOut, &ParentOut, &Children, &Count)) return Out;
    for (unsigned i = 0; i < Count; ++i) {
      XWindowAttributes A;
      if (XGetWindowAttributes(FDisplay, Children[i], &A) && A.map_state == IsViewable && A.width >= MinWidth)
        Out.push_back(Children[i]);
    }
    if (Children) XFree(Children);
    return Out;
  }
  TBox Geometry(Window W) {
    XWindowAttributes A{};
    XGetWindowAttributes(FDisplay, W, &A);
    int X = 0, Y = 0;
    Window Child;
    XTranslateCoordinates(FDisplay, W, FRoot, 0, 0, &X, &Y, &Child);
    return {X, Y, A.width, A.height};
  }
  // The pixels of a rectangle of the screen (0x00RRGGBB).
  std::vector<unsigned> Grab(const TBox& B) {
    std::vector<unsigned> Out;
    XImage* I = XGetImage(FDisplay, FRoot, B.X, B.Y, static_cast<unsigned>(B.W), static_cast<unsigned>(B.H), AllPlanes, ZPixmap);
    if (!I) return Out;
    Out.reserve(static_cast<std::size_t>(B.W) * static_cast<std::size_t>(B.H));
    for (int y = 0; y < B.H; ++y)
      for (int x = 0; x < B.W; ++x) Out.push_back(static_cast<unsigned>(XGetPixel(I, x, y)) & 0xFFFFFFu);
    XDestroyImage(I);
    return Out;
  }
  // Whether a rectangle shows a painted background (more than half of it light: a window not
  // painted yet is black) with more than Least dark pixels on it (text, frames).
  bool Painted(const TBox& B, int Least) {
    int Dark = 0, Light = 0;
    const auto Pixels = Grab(B);
    for (unsigned P : Pixels) {
      const unsigned Sum = ((P >> 16) & 255) + ((P >> 8) & 255) + (P & 255);
      Dark += Sum < 300;
      Light += Sum >= 450;
    }
    return Light * 2 > static_cast<int>(Pixels.size()) && Dark > Least;
  }
  // A click at X Y with the pointer over the place a while first, as a person's is; the time of
  // the press.
  Clock::time_point Click(int X, int Y) {
    Move(X, Y);
    std::this_thread::sleep_for(std::chrono::milliseconds(80));
    const auto Pressed = Clock::now();
    FButton(FDisplay, 1, True, 0);
    FButton(FDisplay, 1, False, 0);
    XFlush(FDisplay);
    return Pressed;
  }
  void Move(int X, int Y) {
    FMotion(FDisplay, -1, X, Y, 0);
    XFlush(FDisplay);
  }
  void SavePpm(const std::string& File, const TBox& B) {
    std::ofstream Out(File, std::ios::binary);
    Out << "P6\n" << B.W << " " << B.H << "\n255\n";
    for (unsigned P : Grab(B)) Out.put(static_cast<char>(P >> 16)).put(static_cast<char>(P >> 8)).put(static_cast<char>(P));
  }

private:
  std::string Name(Window W) {
    for (Atom A : {FNetName, static_cast<Atom>(XA_WM_NAME)}) {
      Atom Type;
      int Format;
      unsigned long Items, After;
      unsigned char* Data = nullptr;
      if (XGetWindowProperty(FDisplay, W, A, 0, 256, False, AnyPropertyType, &Type, &Format, &Items, &After, &Data) == Success &&
          Data) {
        std::string S(reinterpret_cast<char*>(Data), Items);
        XFree(Data);
        if (!S.empty()) return S;
      }
    }
    return {};
  }

  Display* FDisplay;
  Window FRoot;
  Atom FNetName;
  int (*FMotion)(Display*, int, int, int, unsigned long) = nullptr;
  int (*FButton)(Display*, unsigned, Bool, unsigned long) = nullptr;
};

// Polls Ready about every half millisecond until it holds; false after Seconds.
bool WaitUntil(const std::function<bool()>& Ready, double Seconds) {
  const auto Start = Clock::now();
  while (!Ready()) {
    if (qn_bench::SecondsSince(Start) > Seconds) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(500));
  }
  return true;
}

struct TStepFailed : std::runtime_error {
  using std::runtime_error::runtime_error;
};
void Must(bool Done, const std::string& What) {
  if (!Done) throw TStepFailed(What);
}

// Waits until the window of that title shows painted with more than Least dark pixels.
Window WaitPainted(TScreen& S, const std::string& Title, int MinWidth, int Least, double Seconds = 20) {
  Window W = 0;
  Must(WaitUntil(
           [&] {
             const auto Found = S.Find(Title, MinWidth);
             if (!Found) return false;
             W = *Found;
             return S.Painted(S.Geometry(W), Least);
           },
           Seconds),
       "no window '" + Title + "' painted");
  return W;
}

// Waits until the rectangle has shown the same pixels for Quiet milliseconds (a window drawn
// whole after its late changes); false after Seconds.
bool Settled(TScreen& S, const TBox& B, double Quiet = 400, double Seconds = 15) {
  auto Last = S.Grab(B);
  auto Since = Clock::now();
  const auto Start = Clock::now();
  while (MsSince(Since) < Quiet) {
    if (qn_bench::SecondsSince(Start) > Seconds) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    auto Now = S.Grab(B);
    if (Now != Last) {
      Last = std::move(Now);
      Since = Clock::now();
    }
  }
  return true;
}

// ---- Programs -----------------------------------------------------------------------------

pid_t Spawn(const std::vector<std::string>& Argv, const std::map<std::string, std::string>& Env, const std::string& Log) {
  const pid_t Pid = fork();
  if (Pid == 0) {
    for (const auto& [K, V] : Env) setenv(K.c_str(), V.c_str(), 1);
    const int Fd = open(Log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (Fd >= 0) {
      dup2(Fd, 1);
      dup2(Fd, 2);
    }
    std::vector<char*> Args;
    for (const auto& A : Argv) Args.push_back(const_cast<char*>(A.c_str()));
    Args.push_back(nullptr);
    execv(Args[0], Args.data());
    _exit(127);
  }
  return Pid;
}

// Ends the program (SIGTERM: the client saves and stops its servers) and waits for it.
void Stop(pid_t Pid) {
  kill(Pid, SIGTERM);
  int ExitStatus = 0;
  const bool Ended = WaitUntil([&] { return waitpid(Pid, &ExitStatus, WNOHANG) == Pid; }, 60);
  if (!Ended) {
    kill(Pid, SIGKILL);
    waitpid(Pid, &ExitStatus, 0);
  }
}

// True while a process runs whose command line holds the text (the client's web server or the
// server's resident instance).
bool ProgramsOf(const std::string& Text) {
  std::error_code Ignored;
  for (const auto& E : fs::directory_iterator("/proc", Ignored)) {
    const std::string N = E.path().filename().string();
    if (N.find_first_not_of("0123456789") != std::string::npos) continue;
    // (A process may end while it is read.)
    const int Fd = open((E.path() / "cmdline").c_str(), O_RDONLY);
    if (Fd < 0) continue;
    char Buffer[4096];
    const ssize_t Got = read(Fd, Buffer, sizeof Buffer);
    close(Fd);
    if (Got > 0 && std::string(Buffer, static_cast<std::size_t>(Got)).find(Text) != std::string::npos) return true;
  }
  return false;
}

// ---- The runs -----------------------------------------------------------------------------

struct TFigures {
  std::map<std::string, std::vector<double>> Project, Reference;
};

class TRuns {
public:
  TRuns(const fs::path& Root, const std::string& Reference) : R(Root), FReference(Reference) {
    if (const char* Shots = std::getenv("QN_BENCH_SHOTS")) FShots = Shots;
  }

  void ReferenceStart() {
    const auto T0 = Clock::now();
    const pid_t Pid = Spawn({FReference}, {{"QT_QPA_PLATFORM", "xcb"}}, (R / "reference.log").string());
    WaitPainted(S, "Login", 0, 150);
    F.Reference["start"].push_back(MsSince(T0));
    Stop(Pid);
    Must(WaitUntil([&] { return !S.Find("Login"); }, 10), "the reference's window stayed");
  }

  // One session of the client on the database: start, login, then Work(main window's box).
  void Session(const std::string& Database, bool TimeStart, const std::function<void(const TBox&)>& Work) {
    const fs::path Config = R / "config";
    fs::create_directories(Config);
    std::ofstream(Config / "QuillonClient.ini", std::ios::binary) << "[SETTINGS]\r\nDATABASE=" << Database << "\r\n";
    const int Port = FreeLoopbackPort();
    const auto T0 = Clock::now();
    const pid_t Pid = Spawn({(R / "qnclient").string()},
                            {{"QN_PORT", std::to_string(Port)}, {"XDG_CONFIG_HOME", Config.string()},
                             {"XDG_RUNTIME_DIR", (R / "run").string()}, {"QT_QPA_PLATFORM", "xcb"}},
                            (R / "client.log").string());
    try {
      const Window Login = WaitPainted(S, "Login", 0, 150);
      if (TimeStart) F.Project["start"].push_back(MsSince(T0));
      const TBox L = S.Geometry(Login);
      Shot("login", L);
      if (!Work) {
        // The start alone: the main window under the login window, then the program ended.
        // (The main window's title names the server once the login has begun.)
        auto Main = S.Find("Quillon Client", 600);
        if (!Main) Main = S.Find("Quillon Server", 600);
        if (Main && !FShots.empty()) {
          const TBox M = S.Geometry(*Main);
          Settled(S, M, 300);
          Shot("start", M);
        }
      } else {
        LoginAndWork(L, TimeStart, Work);
      }
    } catch (...) {
      if (!FShots.empty()) S.SavePpm(FShots + "/failure.ppm", {0, 0, 1600, 1200});
      Stop(Pid);
      throw;
    }
    Stop(Pid);
    const std::string Server = (R / "Data" / "database" / "qnserver.exe").string(),
                      Web = "hmserv-" + std::to_string(getuid()) + "-" + std::to_string(Port) + "/";
    Must(WaitUntil([&] { return !ProgramsOf(Server) && !ProgramsOf(Web); }, 60), "the client's servers did not stop");
  }

  // Login, then Work(main window's box) once the main window holds still.
  void LoginAndWork(const TBox& L, bool TimeStart, const std::function<void(const TBox&)>& Work) {
    // Login, to the first record's code shown in the main window.
    const auto T1 = S.Click(L.X + 226, L.Y + 132);
    Window Main = 0;
    Must(WaitUntil(
             [&] {
               const auto Found = S.Find("Quillon Server", 600);
               if (!Found) return false;
               Main = *Found;
               const TBox M = S.Geometry(Main);
               return S.Painted({M.X + 63, M.Y + 53, 74, 18}, 20);
             },
             60),
         "no record shown after Login");
    if (TimeStart) F.Project["login"].push_back(MsSince(T1));
    Must(WaitUntil([&] { return !S.Find("Login"); }, 10), "the login window stayed");
    // The window is fitted to the database once it shows: the work starts when it holds still.
    TBox M = S.Geometry(Main);
    Settled(S, M);
    M = S.Geometry(Main);
    Shot("record", M);
    PageShots(M);
    Work(M);
  }

  // With screenshots kept: each page of the record window (its tabs clicked in turn), then the
  // first page again.
  void PageShots(const TBox& M) {
    if (FShots.empty() || FPagesShot) return;
    FPagesShot = true;
    const int Tabs[] = {30, 75, 117, 159, 199, 236, 278};
    for (std::size_t t = 0; t < std::size(Tabs); ++t) {
      S.Click(M.X + Tabs[t], M.Y + 92);
      Settled(S, M, 300);
      Shot("page" + std::to_string(t + 1), M);
    }
    S.Click(M.X + Tabs[0], M.Y + 92);
    Settled(S, M, 300);
  }

  // The reference of Next: its three requests' round trips, each to the do-nothing program.
  void NextReference() {
    if (!FNothing) return;
    std::string Body;
    const auto T0 = Clock::now();
    for (int i = 0; i < 3; ++i)
      Must(HttpGet(FNothing->Port, "/database/qnserver.exe?" + std::to_string(kRecordReplyBytes), "G:Bench", Body) == 200 &&
               Body.size() == kRecordReplyBytes,
           "the do-nothing program did not answer");
    F.Reference["next"].push_back(MsSince(T0));
  }

  void Nexts(const TBox& M, int Count) {
    const TBox Parts[] = {{M.X + 63, M.Y + 53, 74, 18}, {M.X + 186, M.Y + 53, 160, 18}, {M.X + 118, M.Y + 132, 180, 17}};
    for (int i = 0; i < Count; ++i) {
      std::vector<std::vector<unsigned>> Before;
      for (const TBox& B : Parts) Before.push_back(S.Grab(B));
      const auto T0 = S.Click(M.X + 59, M.Y + 32);
      Must(WaitUntil(
               [&] {
                 for (std::size_t p = 0; p < std::size(Parts); ++p)
                   if (S.Grab(Parts[p]) == Before[p]) return false;
                 return true;
               },
               20),
           "Next " + std::to_string(i + 1) + " showed no other record");
      F.Project["next"].push_back(MsSince(T0));
      Settled(S, M, 300);
      NextReference();
    }
    Shot("next", M);
  }

  // The search window from the main window's Search button; its box.
  TBox Search(const TBox& M) {
    const auto T0 = S.Click(M.X + 241, M.Y + 32);
    const Window W = WaitPainted(S, "Search", 400, 150);
    F.Project["search"].push_back(MsSince(T0));
    const TBox B = S.Geometry(W);
    Settled(S, B, 300);
    Shot("search", B);
    return B;
  }

  // From the search window: the quick report setup, five items from its Add menu, Generate.
  void Report(const TBox& Search) {
    S.Click(Search.X + 140, Search.Y + 14);
    const Window Setup = WaitPainted(S, "Report Setup", 300, 150);
    const TBox U = S.Geometry(Setup);
    Settled(S, U, 300);
    for (int Item : {23, 1, 2, 3, 4}) {
      auto Before = S.Grab({U.X + 8, U.Y + 28, 250, 240});
      // The pop-up menu: a window shown since the click.
      const auto Old = S.Shown();
      S.Click(U.X + 335, U.Y + 40);
      Window Menu = 0;
      Must(WaitUntil(
               [&] {
                 for (Window W : S.Shown(60))
                   if (std::find(Old.begin(), Old.end(), W) == Old.end()) return (Menu = W) != 0;
                 return false;
               },
               10),
           "the Add menu did not open");
      const TBox P = S.Geometry(Menu);
      Settled(S, P, 150);
      S.Click(P.X + 40, P.Y + 10 + 22 * (Item - 1));
      Must(WaitUntil([&] { return S.Grab({U.X + 8, U.Y + 28, 250, 240}) != Before; }, 10), "no report item added");
      Settled(S, U, 200);
    }
    Shot("setup", U);
    const auto T0 = S.Click(U.X + 280, U.Y + 323);
    const Window Report = WaitPainted(S, "Report", 600, 150, 60);
    // The report's rows painted in its grid, right of the list of its items.
    const TBox B = S.Geometry(Report);
    Must(WaitUntil([&] { return S.Painted({B.X + 316, B.Y + 46, 320, 430}, 1500); }, 60), "the report shows no rows");
    F.Project["report"].push_back(MsSince(T0));
    Settled(S, B, 300);
    Shot("report", B);
  }

  TScreen S;
  TFigures F;
  // The do-nothing program below a web server of its own (null: none could be started).
  std::unique_ptr<TBenchStack> FNothing;

private:
  void Shot(const std::string& Name, const TBox& B) {
    if (!FShots.empty()) S.SavePpm(FShots + "/" + Name + ".ppm", B);
  }
  fs::path R;
  std::string FReference, FShots;
  bool FPagesShot = false;
};

void PrintFigure(const char* Step, const std::vector<double>& P, const std::vector<double>* Ref) {
  if (P.empty()) return;
  const double Mp = Median(P);
  std::printf("FIGURE %s %.1f ", Step, Mp);
  if (Ref && !Ref->empty()) std::printf("%.1f %.2f", Median(*Ref), Mp / Median(*Ref));
  else std::printf("- -");
  std::printf("   (n=%zu, %.1f..%.1f)\n", P.size(), *std::min_element(P.begin(), P.end()), *std::max_element(P.begin(), P.end()));
}

int Inner(const fs::path& R, int Runs) {
  // More Nexts a run (QN_BENCH_NEXTS) make a profile of the client mostly the Next step's.
  const char* Nexts = std::getenv("QN_BENCH_NEXTS");
  const int NextsPerRun = Nexts ? std::max(1, std::atoi(Nexts)) : 5;
  TRuns Bench(R, (fs::path(QN_BINARY_DIR) / "bench" / "login_reference").string());
  THeadlessRun Headless;
  Bench.FNothing = std::make_unique<TBenchStack>("client_x11_bench_null", "");
  Bench.FNothing->InstallProgram(QN_NULL_CGI);
  if (!Bench.FNothing->Start()) return 1;
  const char* Steps = std::getenv("QN_BENCH_STEPS");
  const bool StartOnly = Steps && std::string(Steps) == "start";
  std::printf("LOAD before %s\n", qn_bench::LoadAverage().c_str());
  for (int Run = 0; Run < Runs; ++Run) {
    try {
      if (StartOnly) {
        if (Run % 2 == 0) Bench.ReferenceStart();
        Bench.Session("Bench", true, nullptr);
        if (Run % 2 == 1) Bench.ReferenceStart();
        std::fprintf(stderr, "run %d done\n", Run + 1);
        continue;
      }
      if (Run % 2 == 0) Bench.ReferenceStart();
      Bench.Session("Bench", true, [&](const TBox& M) {
        Bench.Nexts(M, NextsPerRun);
        Bench.Search(M);
      });
      if (Run % 2 == 1) Bench.ReferenceStart();
      Bench.Session("Report", false, [&](const TBox& M) { Bench.Report(Bench.Search(M)); });
    } catch (const TStepFailed& E) {
      std::fprintf(stderr, "client_x11_bench: run %d: %s\n", Run + 1, E.what());
      std::ifstream Log(R / "client.log");
      std::fprintf(stderr, "%s", std::string((std::istreambuf_iterator<char>(Log)), std::istreambuf_iterator<char>()).c_str());
      return 1;
    }
    std::fprintf(stderr, "run %d done\n", Run + 1);
  }
  const auto& P = Bench.F.Project;
  auto Of = [&](const char* K) { return P.count(K) ? P.at(K) : std::vector<double>{}; };
  const auto RefStart = Bench.F.Reference["start"];
  PrintFigure("start", Of("start"), &RefStart);
  PrintFigure("login", Of("login"), nullptr);
  const auto RefNext = Bench.F.Reference["next"];
  PrintFigure("next", Of("next"), &RefNext);
  PrintFigure("search", Of("search"), nullptr);
  PrintFigure("report", Of("report"), nullptr);
  std::printf("LOAD after %s\n", qn_bench::LoadAverage().c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 4 && std::string(argv[1]) == "--inner") return Inner(argv[2], std::max(1, std::atoi(argv[3])));
  const int Runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
  qn_bench::TScratchFolder Scratch("qn_client_x11_bench");
  const fs::path R = Scratch / "R";
  // The installation as a person makes it (scripts/run, which stops where it needs a display).
  const std::string Install = "env -u DISPLAY -u WAYLAND_DISPLAY QN_SKIP_BUILD=1 BUILD_DIR='" + std::string(QN_BINARY_DIR) +
                              "' QN_HOME='" + R.string() + "' XDG_DATA_HOME='" + (Scratch / "xdg").string() + "' bash '" +
                              std::string(QN_SOURCE_DIR) + "/scripts/run' > '" + (Scratch / "install.log").string() + "' 2>&1";
  (void)std::system(Install.c_str());
  if (!fs::exists(R / "qnclient")) {
    std::fprintf(stderr, "client_x11_bench: the client was not installed (see %s)\n", (Scratch / "install.log").c_str());
    return 1;
  }
  // Another build's client in place of this build's: two builds compared on one installation.
  if (const char* Other = std::getenv("QN_BENCH_CLIENT"))
    fs::copy_file(Other, R / "qnclient", fs::copy_options::overwrite_existing);
  AtomicWriteFile((R / "Data" / "database" / "Bench.qnd").string(), FilledShippedDatabase(kBenchRecords));
  AtomicWriteFile((R / "Data" / "database" / "Report.qnd").string(), FilledShippedDatabase(kReportRecords));
  fs::create_directories(R / "run");
  ::chmod((R / "run").c_str(), 0700);
  std::fflush(stdout);
  // A display of its own, and a bound on the whole run.
  const std::string Run = "timeout 1200 xvfb-run -a -s '-screen 0 1600x1200x24 -nolisten tcp' '" + std::string(argv[0]) +
                          "' --inner '" + R.string() + "' " + std::to_string(Runs);
  const int Rc = std::system(Run.c_str());
  return Rc == 0 ? 0 : 1;
}
