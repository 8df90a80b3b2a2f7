// Request bodies through the standard CGI engine: multipart/form-data with its uploads, and
// URL-encoded fields.  Input: a first byte ('m' multipart, 'u' URL-encoded), then for multipart
// the boundary up to a LF, then the body.  Upload files never land outside the upload folder.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "fuzz_support.h"
#include "server/engine/cgi_std_engine.h"
#include "server/engine/http_text.h"
#include "server/engine/multipart_reader.h"
#include "server/engine/request_api.h"

namespace fs = std::filesystem;

namespace {

std::string Part(const std::string& Boundary, const std::string& Headers, const std::string& Data) {
  return "--" + Boundary + "\r\n" + Headers + "\r\n\r\n" + Data + "\r\n";
}

// The parent holds only the upload folder and the request's input and output files.
const fs::path& Parent() {
  static const fs::path Path = [] {
    const fs::path P = fs::path(fuzz::PrivateFolder()) / "form";
    fs::remove_all(P);
    fs::create_directories(P / "up");
    ::setenv("CGI_LOG_DIR", P.c_str(), 1);
    ::setenv("SERVER_SOFTWARE", "lighttpd/1.4", 1);
    return P;
  }();
  return Path;
}

void CheckNothingOutsideTheUploadFolder() {
  for (const auto& Entry : fs::directory_iterator(Parent())) {
    const std::string Name = Entry.path().filename().string();
    if (Name != "up" && Name != "in" && Name != "out" && Name.find(".log") == std::string::npos)
      __builtin_trap();
  }
}

void RunRequest(const std::vector<std::string>& Variables, std::string_view Body, bool ReadInput,
                const std::function<void()>& Handler) {
  const std::string In = (Parent() / "in").string(), Out = (Parent() / "out").string();
  std::ofstream(In, std::ios::binary | std::ios::trunc).write(Body.data(), static_cast<std::streamsize>(Body.size()));
  TCGIEngineSettings Settings;
  Settings.CGIMode = ServerMode;
  Settings.AutoReadInput = ReadInput;
  Settings.OnExecRequest = [&](TObject*) { Handler(); };
  TCGIStdEngine Engine(nullptr, Settings);
  const int Input = ::open(In.c_str(), O_RDONLY);
  const int Output = ::open(Out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<std::string> Vars = Variables;
  Engine.RunOn(Input, Output, &Vars);
  ::close(Input);
  ::close(Output);
}

}  // namespace

std::vector<std::string> FuzzSeeds() {
  return {
      "mb1\n" + Part("b1", "Content-Disposition: form-data; name=\"x\"", "hi") +
          Part("b1", "Content-Disposition: form-data; name=\"f\"; filename=\"../p.jpg\"\r\nContent-Type: image/jpeg",
               std::string("\xff\xd8\0\r\n", 5)) +
          "--b1--\r\n",
      "mq\n" + Part("q", "Content-Disposition: form-data; name=\"a\"", "--q") + "--q--",
      "uName=" + UrlEncode("a b&c=d%") + "&Database=books&Name=second&x=%4",
  };
}

QN_FUZZ_SEEDS_FROM_ARGUMENTS

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  if (Size == 0) return 0;
  std::string_view Input = fuzz::AsView(Data + 1, Size - 1);
  const fs::path Uploads = Parent() / "up";
  try {
    if (Data[0] == 'm') {
      const std::string Boundary(fuzz::Take(Input, '\n'));
      std::string Fields;
      std::vector<std::string> Files;
      RunRequest({"CONTENT_LENGTH=" + std::to_string(Input.size()),
                  "CONTENT_TYPE=multipart/form-data; boundary=" + Boundary},
                 Input, false, [&] { ReadMultipartBody(Fields, Uploads.string(), Files); });
      for (const std::string& File : Files) {
        const fs::path P = fs::weakly_canonical(File);
        if (P.parent_path() != fs::weakly_canonical(Uploads)) __builtin_trap();
      }
      GetUrlEncodedField("x", Fields, "");
    } else if (Data[0] == 'u') {
      const std::string Text(Input);
      if (UrlDecode(UrlEncode(Text)) != Text) __builtin_trap();
      UrlDecode(Text);
      GetUrlEncodedField("Name", Text, "none");
      std::string Value;
      RunRequest({"CONTENT_LENGTH=" + std::to_string(Input.size()),
                  "CONTENT_TYPE=application/x-www-form-urlencoded", "QUERY_STRING=" + Text},
                 Input, true, [&] {
                   GetField("Name", "", Value);
                   GetField("Database", "", Value);
                 });
    }
  } catch (const Exception&) {
  }
  CheckNothingOutsideTheUploadFolder();
  fs::remove_all(Uploads);
  fs::create_directories(Uploads);
  return 0;
}
