// A small web-server host of our own: it loads the extension library with dlopen, fills
// control blocks and filter contexts, and checks what comes back through WriteClient and
// ServerSupportFunction.  The replies are compared with the CGI path running the same handler.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <mutex>
#include <thread>

#include "server/engine/engine_fixture.h"
#include "server/engine/isapi.h"
#include "server/engine/isapi/echo_handler.h"

namespace {

struct TExports {
  decltype(&GetExtensionVersion) ExtensionVersion;
  decltype(&HttpExtensionProc) ExtensionProc;
  decltype(&TerminateExtension) Terminate;
  decltype(&GetFilterVersion) FilterVersion;
  decltype(&HttpFilterProc) FilterProc;
};

// One request as the host sees it.
struct THostRequest {
  std::map<std::string, std::string> Variables;
  std::string Body;
  std::size_t Available = 0;  // bytes handed over in the control block
  std::size_t ReadOffset = 0;
  std::size_t LargestRead = 0;
  std::string Written;
  std::string Redirect;
  std::string Query, Method = "GET", ContentType;
  EXTENSION_CONTROL_BLOCK Block{};
};

THostRequest& Of(HCONN Conn) { return *static_cast<THostRequest*>(Conn); }

ISAPI_BOOL HostGetServerVariable(HCONN Conn, char* Name, void* Buffer, ISAPI_DWORD* Size) {
  auto found = Of(Conn).Variables.find(Name);
  if (found == Of(Conn).Variables.end() || found->second.size() + 1 > *Size) return 0;
  std::memcpy(Buffer, found->second.c_str(), found->second.size() + 1);
  *Size = static_cast<ISAPI_DWORD>(found->second.size() + 1);
  return 1;
}

ISAPI_BOOL HostWriteClient(HCONN Conn, void* Buffer, ISAPI_DWORD* Bytes, ISAPI_DWORD) {
  Of(Conn).Written.append(static_cast<const char*>(Buffer), *Bytes);
  return 1;
}

ISAPI_BOOL HostReadClient(HCONN Conn, void* Buffer, ISAPI_DWORD* Size) {
  THostRequest& r = Of(Conn);
  const std::size_t n = std::min<std::size_t>({*Size, r.Body.size() - r.ReadOffset, 1000});  // short reads
  r.LargestRead = std::max<std::size_t>(r.LargestRead, *Size);
  std::memcpy(Buffer, r.Body.data() + r.ReadOffset, n);
  r.ReadOffset += n;
  *Size = static_cast<ISAPI_DWORD>(n);
  return n > 0;
}

ISAPI_BOOL HostSupport(HCONN Conn, ISAPI_DWORD Request, void* Buffer, ISAPI_DWORD* Size, ISAPI_DWORD*) {
  if (Request != HSE_REQ_SEND_URL_REDIRECT_RESP) return 0;
  Of(Conn).Redirect.assign(static_cast<const char*>(Buffer), *Size);
  return 1;
}

void Prepare(THostRequest& r) {
  r.ReadOffset = std::min(r.Available, r.Body.size());
  EXTENSION_CONTROL_BLOCK& b = r.Block;
  b.cbSize = sizeof b;
  b.dwVersion = 0x20000;
  b.ConnID = &r;
  b.lpszMethod = r.Method.data();
  b.lpszQueryString = r.Query.data();
  b.lpszPathInfo = const_cast<char*>("");
  b.lpszPathTranslated = const_cast<char*>("");
  b.cbTotalBytes = static_cast<ISAPI_DWORD>(r.Body.size());
  b.cbAvailable = static_cast<ISAPI_DWORD>(r.ReadOffset);
  b.lpbData = reinterpret_cast<unsigned char*>(r.Body.data());
  b.lpszContentType = r.ContentType.data();
  b.GetServerVariable = HostGetServerVariable;
  b.WriteClient = HostWriteClient;
  b.ReadClient = HostReadClient;
  b.ServerSupportFunction = HostSupport;
  r.Variables["REQUEST_METHOD"] = r.Method;
  r.Variables["SERVER_SOFTWARE"] = "test host/1.0";
  r.Variables["CONTENT_LENGTH"] = std::to_string(r.Body.size());
  if (!r.ContentType.empty()) r.Variables["CONTENT_TYPE"] = r.ContentType;
}

class IsapiHostTest : public EngineFixture {
protected:
  static void SetUpTestSuite() {
    Library = dlopen(ISAPI_ECHO_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(Library, nullptr) << dlerror();
    Exports.ExtensionVersion = reinterpret_cast<decltype(&GetExtensionVersion)>(dlsym(Library, "GetExtensionVersion"));
    Exports.ExtensionProc = reinterpret_cast<decltype(&HttpExtensionProc)>(dlsym(Library, "HttpExtensionProc"));
    Exports.Terminate = reinterpret_cast<decltype(&TerminateExtension)>(dlsym(Library, "TerminateExtension"));
    Exports.FilterVersion = reinterpret_cast<decltype(&GetFilterVersion)>(dlsym(Library, "GetFilterVersion"));
    Exports.FilterProc = reinterpret_cast<decltype(&HttpFilterProc)>(dlsym(Library, "HttpFilterProc"));
  }

  void SetUp() override {
    EngineFixture::SetUp();
    ASSERT_TRUE(Exports.ExtensionVersion && Exports.ExtensionProc && Exports.Terminate && Exports.FilterVersion &&
                Exports.FilterProc);
  }

  // The reply of the CGI path for the same request.
  std::string ThroughCGI(const THostRequest& r) {
    TCGIEngineSettings settings;
    settings.CGIMode = ServerMode;
    settings.AutoReadInput = false;
    settings.AutoContentType = "application/octet-stream";
    settings.OnExecRequest = EchoRequest;
    TCGIStdEngine engine(nullptr, settings);
    std::vector<std::string> variables = {"QUERY_STRING=" + r.Query};
    for (const auto& [name, value] : r.Variables) variables.push_back(name + "=" + value);
    return Run(engine, variables, r.Body);
  }

  static void* Library;
  static TExports Exports;
};
void* IsapiHostTest::Library = nullptr;
TExports IsapiHostTest::Exports{};

TEST_F(IsapiHostTest, VersionAndDescription) {
  HSE_VERSION_INFO info{};
  EXPECT_EQ(Exports.ExtensionVersion(&info), 1);
  EXPECT_EQ(info.dwExtensionVersion, 0x20000u);
  EXPECT_STREQ(info.lpszExtensionDesc, "VORANTH 4.0.1");
}

TEST_F(IsapiHostTest, GetAndPostAnswerAsTheCGIPathDoes) {
  THostRequest get;
  get.Query = "id=42&x=%41";
  get.Variables["HTTP_USER_AGENT"] = "QN_LIST";
  Prepare(get);
  EXPECT_EQ(Exports.ExtensionProc(&get.Block), static_cast<ISAPI_DWORD>(HSE_STATUS_SUCCESS));
  EXPECT_NE(get.Written.find("ID=42"), std::string::npos);
  EXPECT_EQ(get.Written, ThroughCGI(get));

  // A body larger than what the block holds: the rest comes through ReadClient in pieces.
  THostRequest post;
  post.Method = "POST";  // without a query: the CGI path reads no query fields for a body
  post.ContentType = "application/octet-stream";
  post.Variables["HTTP_USER_AGENT"] = "QN_SAVE";
  for (int i = 0; i < 100000; ++i) post.Body += static_cast<char>((i * 131) & 0xFF);
  post.Available = 4096;
  Prepare(post);
  EXPECT_EQ(Exports.ExtensionProc(&post.Block), static_cast<ISAPI_DWORD>(HSE_STATUS_SUCCESS));
  EXPECT_EQ(post.ReadOffset, post.Body.size());
  EXPECT_LE(post.LargestRead, 32386u);
  EXPECT_NE(post.Written.find("LEN=100000\r\n" + post.Body), std::string::npos);
  EXPECT_TRUE(post.Written == ThroughCGI(post)) << post.Written.substr(0, 200);
}

TEST_F(IsapiHostTest, RequestsFromManyThreadsRunOneAtATime) {
  std::vector<THostRequest> requests(6);
  for (auto& r : requests) {
    r.Variables["HTTP_USER_AGENT"] = "slow";
    r.Body = "body";
    r.Method = "POST";
    r.Available = 4;
    Prepare(r);
  }
  std::vector<std::thread> threads;
  for (auto& r : requests) threads.emplace_back([&r] { Exports.ExtensionProc(&r.Block); });
  for (auto& t : threads) t.join();
  for (const auto& r : requests) {
    // Each thread got its own content length and body.
    EXPECT_NE(r.Written.find("LEN=4\r\nbody"), std::string::npos) << r.Written;
    EXPECT_NE(r.Written.find("MOST=1\r\n"), std::string::npos) << r.Written;
  }
}

TEST_F(IsapiHostTest, LongLocationGoesWholeToTheServer) {
  THostRequest r;
  const std::string target = "http://example.org/" + std::string(3000, 'p');
  r.Query = "to=" + target;
  r.Variables["HTTP_USER_AGENT"] = "location";
  Prepare(r);
  EXPECT_EQ(Exports.ExtensionProc(&r.Block), static_cast<ISAPI_DWORD>(HSE_STATUS_SUCCESS));
  EXPECT_EQ(r.Redirect, target);
  EXPECT_EQ(r.Written.find("Location"), std::string::npos);
}

TEST_F(IsapiHostTest, AFailingRequestIsLoggedAndSendsNothingOfIt) {
  THostRequest r;
  r.Variables["HTTP_USER_AGENT"] = "fail";
  Prepare(r);
  Exports.ExtensionProc(&r.Block);
  EXPECT_EQ(r.Written.find("boom"), std::string::npos);
  EXPECT_NE(Log().find("Unhandled exception : boom"), std::string::npos);
}

// The filter side: the raw request gives the fields, the header notification the cookie.
std::string gFilterWritten;
ISAPI_BOOL FilterWriteClient(HTTP_FILTER_CONTEXT*, void* Buffer, ISAPI_DWORD* Bytes, ISAPI_DWORD) {
  gFilterWritten.append(static_cast<const char*>(Buffer), *Bytes);
  return 1;
}
ISAPI_BOOL FilterNoVariable(HTTP_FILTER_CONTEXT*, char*, void*, ISAPI_DWORD*) { return 0; }

TEST_F(IsapiHostTest, FilterReadsTheRawRequest) {
  HTTP_FILTER_VERSION version{};
  version.dwServerFilterVersion = 0x60000;
  EXPECT_EQ(Exports.FilterVersion(&version), 1);
  EXPECT_EQ(version.dwFilterVersion, 0x20000u);
  EXPECT_STREQ(version.lpszFilterDesc, "echo filter");
  EXPECT_EQ(version.dwFlags, static_cast<ISAPI_DWORD>(SF_NOTIFY_READ_RAW_DATA | SF_NOTIFY_PREPROC_HEADERS));

  HTTP_FILTER_CONTEXT context{};
  context.cbSize = sizeof context;
  context.WriteClient = FilterWriteClient;
  context.GetServerVariable = FilterNoVariable;
  std::string raw =
      "POST /cgi/qnserver.dll?a=1 HTTP/1.1\r\nHost: x\r\nContent-Type: application/x-www-form-urlencoded\r\n"
      "Cookie: session=abc\r\n\r\n b=2 \r\n";
  HTTP_FILTER_RAW_DATA data{raw.data(), static_cast<ISAPI_DWORD>(raw.size()), 0, 0};
  gFilterWritten.clear();
  EXPECT_EQ(Exports.FilterProc(&context, SF_NOTIFY_READ_RAW_DATA, &data),
            static_cast<ISAPI_DWORD>(SF_STATUS_REQ_HANDLED_NOTIFICATION));
  EXPECT_EQ(gFilterWritten, "A=1;B=2;");
  gFilterWritten.clear();
  EXPECT_EQ(Exports.FilterProc(&context, SF_NOTIFY_PREPROC_HEADERS, nullptr),
            static_cast<ISAPI_DWORD>(SF_STATUS_REQ_NEXT_NOTIFICATION));
  EXPECT_EQ(gFilterWritten, "COOKIE=session=abc;");

  // A GET: the body is not read as fields.
  raw = "GET /x?b=9 HTTP/1.1\r\n\r\na=5";
  data = {raw.data(), static_cast<ISAPI_DWORD>(raw.size()), 0, 0};
  gFilterWritten.clear();
  Exports.FilterProc(&context, SF_NOTIFY_READ_RAW_DATA, &data);
  EXPECT_EQ(gFilterWritten, "A=-;B=9;");
}

// Runs last in the suite: ends the library's work.
TEST_F(IsapiHostTest, ZzTerminateSavesAndCloses) {
  const std::string mark = Folder + "/mark";
  setenv("ISAPI_ECHO_MARK", mark.c_str(), 1);
  EXPECT_EQ(Exports.Terminate(0), 0);
  EXPECT_EQ(ReadWholeFile(mark), "saved and closed\n");
  unsetenv("ISAPI_ECHO_MARK");
}

}  // namespace

#ifdef QNSERVER_LIBRARY
namespace {
TEST(QNServerLibraryTest, ExportsTheFiveEntryPoints) {
  void* library = dlopen(QNSERVER_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  for (const char* name :
       {"GetExtensionVersion", "HttpExtensionProc", "TerminateExtension", "GetFilterVersion", "HttpFilterProc"})
    EXPECT_NE(dlsym(library, name), nullptr) << name;
  EXPECT_EQ(dlsym(library, "LibraryMain"), nullptr);  // nothing else leaks out
  dlclose(library);
}
}  // namespace
#endif
