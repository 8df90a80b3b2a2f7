// Two small streams of the library: a temporary file that deletes itself, and a line reader
// over a memory stream.
#pragma once

#include <string>
#include <vector>

#include "platform/rtl/streams.h"

// A new file in the temporary folder, named "ms" and unique characters; freeing the stream
// closes and deletes it.
class TNetTempFileStream : public TFileStream {
public:
  TNetTempFileStream();
  ~TNetTempFileStream() override;
  const std::string& TempFileName() const { return FTempName; }

private:
  explicit TNetTempFileStream(std::string name);
  std::string FTempName;
};

// Reads the lines of its own contents, a block of 16384 bytes at a time.  Lines end at CR LF,
// CR or LF.
class TLineStream : public TMemoryStream {
public:
  static constexpr long BlockSize = 16384;
  void Reset();
  void ReadLine(std::string& Text);
  bool EndOfData() const { return FEndOfData; }

private:
  void ReadBlock();
  std::vector<std::string> FLines;
  int FIndex = -1;
  bool FEndOfData = false;
  bool FLastBlock = false;
};
