#include "net/net_streams.h"

#include <unistd.h>

#include "platform/sys/files.h"

namespace {

std::string NewTempName() {
  TTempFile file("ms");
  file.CloseHandle();
  return file.Release();
}

}  // namespace

TNetTempFileStream::TNetTempFileStream() : TNetTempFileStream(NewTempName()) {}

TNetTempFileStream::TNetTempFileStream(std::string name)
    : TFileStream(name, fmOpenReadWrite | fmShareExclusive), FTempName(std::move(name)) {}

TNetTempFileStream::~TNetTempFileStream() { ::unlink(FTempName.c_str()); }

void TLineStream::Reset() {
  FLines.clear();
  FIndex = -1;
  FEndOfData = false;
  FLastBlock = false;
  SetPosition(0);
}

void TLineStream::ReadBlock() {
  std::string buffer(static_cast<std::size_t>(BlockSize), '\0');
  const long got = Read(buffer.data(), BlockSize);
  buffer.resize(static_cast<std::size_t>(got > 0 ? got : 0));
  FLastBlock = got < BlockSize;
  if (!FLastBlock) {
    // Keep the last, perhaps incomplete, line for the next block.  A block without any line
    // end is taken whole.
    std::size_t cut = buffer.find_last_of('\n');
    if (cut == std::string::npos) cut = buffer.find_last_of('\r');
    if (cut != std::string::npos) {
      Seek(static_cast<std::int64_t>(cut + 1) - static_cast<std::int64_t>(buffer.size()), soCurrent);
      buffer.resize(cut + 1);
    }
  }
  FLines.clear();
  std::size_t start = 0;
  while (start < buffer.size()) {
    const std::size_t end = buffer.find_first_of("\r\n", start);
    if (end == std::string::npos) {
      FLines.push_back(buffer.substr(start));
      break;
    }
    FLines.push_back(buffer.substr(start, end - start));
    start = end + 1;
    if (buffer[end] == '\r' && start < buffer.size() && buffer[start] == '\n') ++start;
  }
}

void TLineStream::ReadLine(std::string& Text) {
  ++FIndex;
  if (FIndex >= 0 && FIndex < static_cast<int>(FLines.size())) {
    Text = FLines[static_cast<std::size_t>(FIndex)];
    return;
  }
  Text.clear();
  if (FLastBlock) {
    FEndOfData = true;
    return;
  }
  ReadBlock();
  FIndex = 0;
  if (FLines.empty()) {
    FEndOfData = true;
    return;
  }
  Text = FLines[0];
}
