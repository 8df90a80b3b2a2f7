#include "server/engine/multipart_reader.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/rtl/random.h"
#include "server/engine/http_text.h"
#include "server/engine/request_api.h"

namespace {

constexpr size_t kBufferSize = 131072;
constexpr size_t kMaxBoundary = 254;
constexpr size_t kMaxHeaderBlock = 16384;

class TUploadFile {
public:
  ~TUploadFile() { Close(); }
  bool Create(const std::string& Path) {
    FHandle = ::open(Path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    return FHandle >= 0;
  }
  bool IsOpen() const { return FHandle >= 0; }
  bool Write(const char* Data, size_t Count) {
    while (Count > 0) {
      ssize_t written = ::write(FHandle, Data, Count);
      if (written < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      Data += written;
      Count -= static_cast<size_t>(written);
    }
    return true;
  }
  void Close() {
    if (FHandle >= 0) ::close(FHandle);
    FHandle = -1;
  }

private:
  int FHandle = -1;
};

// The text between Key and the next double quote, from a header line.
bool QuotedValue(const std::string& Line, size_t At, std::string& Value) {
  size_t end = Line.find('"', At);
  if (end == std::string::npos) return false;
  Value = TrimBlanks(Line.substr(At, end - At));
  return true;
}

class TMultipartReader {
public:
  TMultipartReader(std::string& FieldText, const std::string& TempDir,
                   std::vector<std::string>& UploadList)
      : FFieldText(FieldText), FTempDir(TempDir), FUploadList(UploadList) {}

  void Run() {
    std::string length;
    HttpHooks.GetVariable("CONTENT_LENGTH", length);
    char* end = nullptr;
    long long n = std::strtoll(length.c_str(), &end, 10);
    FRemaining = (end && *end == '\0' && n > 0) ? n : 0;

    // The boundary is the body's first line.
    size_t lineEnd;
    while ((lineEnd = FirstControl()) == std::string::npos && FBuffer.size() <= kMaxBoundary + 2 &&
           Fill()) {
    }
    if (FError) return Fail();
    if (lineEnd == std::string::npos) lineEnd = FBuffer.size();
    FBoundary = FBuffer.substr(0, std::min(lineEnd, kMaxBoundary));
    if (FBoundary.empty()) return Fail();
    FBuffer.erase(0, lineEnd);
    while (ReadPartHeaders()) {
      if (!ReadPartData()) break;
    }
    // Whatever follows the last boundary is read too: a body shorter than its length is bad.
    while (!FError && FRemaining > 0) {
      FBuffer.clear();
      Fill();
    }
    FFile.Close();
    if (FError) Fail();
  }

private:
  size_t FirstControl() const {
    for (size_t i = 0; i < FBuffer.size(); ++i)
      if (static_cast<unsigned char>(FBuffer[i]) < ' ') return i;
    return std::string::npos;
  }

  // Reads more body bytes; false when no more can come.
  bool Fill() {
    if (FRemaining <= 0 || FError) return false;
    size_t room = FBuffer.size() < kBufferSize ? kBufferSize - FBuffer.size() : kBufferSize / 2;
    size_t want = static_cast<size_t>(std::min<long long>(FRemaining, static_cast<long long>(room)));
    size_t old = FBuffer.size();
    FBuffer.resize(old + want);
    int got = HttpHooks.ReadBytes(&FBuffer[old], static_cast<int>(want));
    if (got <= 0) {
      FBuffer.resize(old);
      FError = true;  // the body ended before its length
      return false;
    }
    FBuffer.resize(old + static_cast<size_t>(got));
    FRemaining -= got;
    return true;
  }

  void Fail() {
    FFile.Close();
    FFieldText.clear();
  }

  // After a boundary: "--" ends the body, else the part's header lines follow.
  bool ReadPartHeaders() {
    while (FBuffer.size() < 2 && Fill()) {
    }
    if (FBuffer.size() >= 2 && FBuffer.compare(0, 2, "--") == 0) return false;
    size_t blank;
    while ((blank = FBuffer.find("\r\n\r\n")) == std::string::npos) {
      if (FBuffer.size() > kMaxHeaderBlock || !Fill()) {
        FError = FError || FBuffer.size() > kMaxHeaderBlock;
        return false;
      }
    }
    FName.clear();
    FClientName.clear();
    FContentType.clear();
    bool hasFile = false;
    size_t pos = 0;
    while (pos < blank + 2) {
      size_t eol = FBuffer.find("\r\n", pos);
      std::string line = FBuffer.substr(pos, eol - pos);
      pos = eol + 2;
      std::string upper = AsciiUpper(line);
      for (size_t at = upper.find("NAME=\""); at != std::string::npos;
           at = upper.find("NAME=\"", at + 1)) {
        bool isFile = at >= 4 && upper.compare(at - 4, 4, "FILE") == 0;
        if (isFile) {
          hasFile = QuotedValue(line, at + 6, FClientName) || hasFile;
        } else if (FName.empty()) {
          QuotedValue(line, at + 6, FName);
        }
      }
      size_t ct = upper.find("CONTENT-TYPE:");
      if (ct != std::string::npos) {
        size_t from = ct + 13, to = from;
        while (to < line.size() && line[to] != ';' && static_cast<unsigned char>(line[to]) >= ' ') ++to;
        FContentType = TrimBlanks(line.substr(from, to - from));
        FFieldText += FName + "_CONTENT_TYPE=" + UrlEncode(FContentType) + "&";
      }
    }
    FBuffer.erase(0, blank + 4);
    if (hasFile) {
      if (FContentType.empty()) FContentType = "unknown";
      FFieldText += FName + "=" + UrlEncode(FClientName) + "&";
      std::string path;
      if (!CreateUploadFile(path)) {
        FError = true;
        return false;
      }
      FFieldText += FName + "_FILENAME=" + UrlEncode(path) + "&";
      FUploadList.push_back(path);
    }
    return true;
  }

  bool CreateUploadFile(std::string& Path) {
    const std::string base = SafeUploadName(FClientName);
    for (int attempt = 0; attempt < 100; ++attempt) {
      BuildFilePath(GetModuleName(), FTempDir, false, Path, "tmp", false,
                    std::to_string(Random(9000000)) + base);
      if (FFile.Create(Path)) return true;
      if (errno != EEXIST) return false;
    }
    return false;
  }

  // The data of the open part, up to the line break before the next boundary.
  bool ReadPartData() {
    const std::string delimiter = "\n" + FBoundary;
    size_t scanned = 0;
    for (;;) {
      size_t at = FBuffer.find(delimiter, scanned);
      if (at != std::string::npos) {
        size_t dataEnd = at > 0 && FBuffer[at - 1] == '\r' ? at - 1 : at;
        EndPart(dataEnd);
        FBuffer.erase(0, at + delimiter.size());
        return true;
      }
      // Keep enough bytes to find a boundary that is split between two reads.
      size_t keep = delimiter.size() + 4;
      if (FFile.IsOpen() && FBuffer.size() > keep) {
        size_t flush = FBuffer.size() - keep;
        if (!FFile.Write(FBuffer.data(), flush)) {
          FError = true;
          return false;
        }
        FBuffer.erase(0, flush);
      }
      scanned = FBuffer.size() > keep ? FBuffer.size() - keep : 0;
      if (!Fill()) {
        // No closing boundary: the part ends with the body.
        EndPart(FBuffer.size());
        FBuffer.clear();
        return false;
      }
    }
  }

  void EndPart(size_t DataEnd) {
    if (FFile.IsOpen()) {
      if (!FFile.Write(FBuffer.data(), DataEnd)) FError = true;
      FFile.Close();
    } else {
      FFieldText += FName + "=" + UrlEncode(FBuffer.substr(0, DataEnd)) + "&";
    }
  }

  std::string& FFieldText;
  const std::string& FTempDir;
  std::vector<std::string>& FUploadList;
  std::string FBuffer;
  long long FRemaining = 0;
  std::string FBoundary;
  std::string FName, FClientName, FContentType;
  TUploadFile FFile;
  bool FError = false;
};

}  // namespace

std::string SafeUploadName(const std::string& ClientName) {
  size_t slash = ClientName.find_last_of("/\\:");
  std::string name = slash == std::string::npos ? ClientName : ClientName.substr(slash + 1);
  std::string result;
  for (unsigned char c : name)
    if (c >= ' ' && c != 0x7F) result += static_cast<char>(c);
  for (size_t at; (at = result.find("..")) != std::string::npos;) result.erase(at, 2);
  return result;
}

void ReadMultipartBody(std::string& FieldText, const std::string& TempDir,
                       std::vector<std::string>& UploadList) {
  TMultipartReader(FieldText, TempDir, UploadList).Run();
}
