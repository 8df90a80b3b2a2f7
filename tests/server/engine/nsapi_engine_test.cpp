// The NSAPI front end driven as a host would drive it, against a server library of our own
// registered under one of the names the engine looks for.
#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "engine_fixture.h"
#include "platform/sys/libraries.h"
#include "server/engine/nsapi_engine.h"
#include "server/engine/request_api.h"

struct pblock {
  std::map<std::string, std::string> Values;
};

namespace {

// The fake server library.
std::string gOut, gRest, gEvents;
int gFreed = 0;

int FakeNetWrite(SYS_NETFD, char* buf, int sz) {
  gOut.append(buf, static_cast<size_t>(sz));
  return sz;
}
int FakeNetbufNext(netbuf*, int) {
  if (gRest.empty()) return 0;
  const int c = static_cast<unsigned char>(gRest[0]);
  gRest.erase(0, 1);
  return c;
}
void FakeParamFree(pb_param* p) {
  ++gFreed;
  std::free(p->name);
  std::free(p->value);
  delete p;
}
pb_param* FakePblockFr(char* name, pblock* pb, int remove) {
  auto found = pb->Values.find(name);
  if (found == pb->Values.end()) return nullptr;
  auto* p = new pb_param{strdup(found->first.c_str()), strdup(found->second.c_str())};
  if (remove) pb->Values.erase(found);
  return p;
}
char* FakeFindval(char* name, pblock* pb) {
  auto found = pb->Values.find(name);
  return found == pb->Values.end() ? nullptr : found->second.data();
}
pb_param* FakeNvinsert(char* name, char* value, pblock* pb) {
  pb->Values[name] = value;
  return nullptr;
}
int FakeRequestHeader(char* name, char** value, Session*, Request* rq) {
  *value = FakeFindval(name, rq->headers);
  return *value ? 0 : -1;
}
int FakeHttpStatus(Session*, Request*, int n, char*) {
  gEvents += "status " + std::to_string(n) + ";";
  return 0;
}
int FakeStartResponse(Session*, Request* rq) {
  for (const auto& [name, value] : rq->srvhdrs->Values) gEvents += name + "=" + value + ";";
  return 0;
}
int gCritical = 0;
CRITICAL FakeCritInit() { return &gCritical; }
void FakeCritEnter(CRITICAL c) { ++*static_cast<int*>(c); }
void FakeCritExit(CRITICAL c) { --*static_cast<int*>(c); }
void FakeCritTerminate(CRITICAL) { gEvents += "terminated;"; }

class NSAPIEngineTest : public EngineFixture {
protected:
  void SetUp() override {
    EngineFixture::SetUp();
    gOut.clear();
    gRest.clear();
    gEvents.clear();
    gFreed = 0;
    SetNSAPIActive(true);
  }
  void TearDown() override {
    SetNSAPIActive(false);
    EngineFixture::TearDown();
  }
  static void RegisterServerLibrary() {
    // The names the engine binds, two of them in their other spellings.
    RegisterBuiltinModule("ns-httpd40.dll",
                          {{"net_write", reinterpret_cast<FARPROC>(FakeNetWrite)},
                           {"netbuf_next", reinterpret_cast<FARPROC>(FakeNetbufNext)},
                           {"param_free", reinterpret_cast<FARPROC>(FakeParamFree)},
                           {"_pblock_fr", reinterpret_cast<FARPROC>(FakePblockFr)},
                           {"INTpblock_findval", reinterpret_cast<FARPROC>(FakeFindval)},
                           {"pblock_nvinsert", reinterpret_cast<FARPROC>(FakeNvinsert)},
                           {"request_header", reinterpret_cast<FARPROC>(FakeRequestHeader)},
                           {"http_status", reinterpret_cast<FARPROC>(FakeHttpStatus)},
                           {"http_start_response", reinterpret_cast<FARPROC>(FakeStartResponse)},
                           {"crit_init", reinterpret_cast<FARPROC>(FakeCritInit)},
                           {"crit_enter", reinterpret_cast<FARPROC>(FakeCritEnter)},
                           {"crit_exit", reinterpret_cast<FARPROC>(FakeCritExit)},
                           {"crit_terminate", reinterpret_cast<FARPROC>(FakeCritTerminate)}});
  }

  pblock Client, Vars, ReqPb, Headers, SrvHdrs, Parameters;
  netbuf In{nullptr, 0, 0};
  Session Sn{&Client, 3, &In};
  Request Rq{&Vars, &ReqPb, &Headers, &SrvHdrs};
};

// Runs first: until a server library is registered, none is found.
TEST_F(NSAPIEngineTest, AWithoutServerLibraryNoneIsBoundAndTheRequestFails) {
  EXPECT_FALSE(BindNSAPILibrary());
  TCGIEngineSettings settings;
  settings.OnExecRequest = [](TObject*) { WriteString("<p>never"); };
  TNSAPIEngine engine(nullptr, settings);
  EXPECT_TRUE(engine.IsActive());
  engine.ServeCall(&Parameters, &Sn, &Rq);
  EXPECT_EQ(gOut, "");
  EXPECT_NE(Log().find("Unhandled exception : No NSAPI server library could be loaded"), std::string::npos);
}

TEST_F(NSAPIEngineTest, GetRequestThroughTheServerLibrary) {
  RegisterServerLibrary();
  ASSERT_TRUE(BindNSAPILibrary());
  ReqPb.Values = {{"method", "GET"}, {"query", "id=5&x=y"}, {"uri", "/cgi/qn"}, {"protocol", "HTTP/1.0"}};
  Headers.Values = {{"user-agent", "QN_LIST"}, {"cookie", "s=1"}, {"x-extra", "from headers"}};
  Client.Values = {{"ip", "10.0.0.9"}};
  Parameters.Values = {{"fn", "qn-service"}};
  TCGIEngineSettings settings;
  settings.OnExecRequest = [](TObject*) {
    std::string id, agent, path, cookie, address, extra, fn;
    GetField("id", "-", id);
    GetUserAgent(agent);
    GetExecutablePath(path);
    GetCookie(cookie);
    GetRemoteAddr(address);
    GetVariable("x-extra", extra);
    GetVariable("fn", fn);
    AddHeader("X-Test", "1");
    AddHeader("X-Test", "2");  // replaces the first
    WriteString("<p>" + id + "|" + agent + "|" + path + "|" + cookie + "|" + address + "|" + extra + "|" + fn);
  };
  TNSAPIEngine engine(nullptr, settings);
  engine.ServeCall(&Parameters, &Sn, &Rq);
  EXPECT_EQ(gOut, "<p>5|QN_LIST|/cgi/qn|s=1|10.0.0.9|from headers|qn-service\r\n");
  EXPECT_EQ(gEvents, "status 200;X-Test=2;content-type=text/html;");
  EXPECT_EQ(gFreed, 1);

  // The server's critical sections serve as the engine's locks.
  TCriticalSection* lock = engine.CreateLock();
  EXPECT_EQ(static_cast<void*>(lock), &gCritical);
  engine.Lock(lock);
  EXPECT_EQ(gCritical, 1);
  engine.Unlock(lock);
  EXPECT_EQ(gCritical, 0);
  engine.FreeLock(lock);
  EXPECT_NE(gEvents.find("terminated;"), std::string::npos);
}

TEST_F(NSAPIEngineTest, PostBodyFromTheBufferAndThenByteByByte) {
  RegisterServerLibrary();
  ASSERT_TRUE(BindNSAPILibrary());
  unsigned char held[] = {'a', '=', '1', '&'};
  In = {held, 0, 4};
  gRest = std::string("b=\0" "2", 4);  // from the server, a zero marks the end of the input
  ReqPb.Values = {{"method", "POST"}};
  Headers.Values = {{"content-length", "9"}};
  SrvHdrs.Values = {{"content-type", "application/x-www-form-urlencoded"}};
  std::string a, b;
  int length = 0;
  TCGIEngineSettings settings;
  settings.OnExecRequest = [&](TObject*) {
    GetField("a", "-", a);
    GetField("b", "-", b);
    length = GetContentLength();
  };
  TNSAPIEngine engine(nullptr, settings);
  engine.ServeCall(&Parameters, &Sn, &Rq);
  EXPECT_EQ(length, 9);
  EXPECT_EQ(a, "1");
  EXPECT_EQ(b, "");
  EXPECT_EQ(gRest, "2");  // the read stopped at the end mark

  // Above the read limit nothing is read.
  In = {held, 0, 4};
  Headers.Values = {{"content-length", "20000"}};
  engine.ServeCall(&Parameters, &Sn, &Rq);
  EXPECT_EQ(a, "-");
  EXPECT_EQ(In.pos, 0);
  EXPECT_NE(Log().find("Content length exceeds AutoReadLimit"), std::string::npos);
}

TEST_F(NSAPIEngineTest, InactiveWithoutTheProcessSwitch) {
  SetNSAPIActive(false);
  TNSAPIEngine engine(nullptr, TCGIEngineSettings());
  EXPECT_FALSE(engine.IsActive());
}

}  // namespace
