// Text files read and written line by line.
#pragma once

#include <cstdio>
#include <string>

// A text file variable.  Lines are written with CR LF and read up to CR LF, CR or LF.  Failures
// raise EInOutError with the class library's codes (2 file not found, 5 access denied, 100 read
// beyond end, 101 disk write error, 103 file not open, 104 not open for input, 105 not open for
// output, 102 file not assigned).
struct TextFile {
  TextFile() = default;
  TextFile(const TextFile&) = delete;
  TextFile& operator=(const TextFile&) = delete;
  ~TextFile();

  std::string Name;
  std::FILE* Handle = nullptr;
  bool Assigned = false;
  bool Output = false;
};

void AssignFile(TextFile& F, const std::string& FileName);
// Opens for reading.
void Reset(TextFile& F);
// Creates or empties the file and opens it for writing.
void Rewrite(TextFile& F);
// Opens for writing at the end (creates the file when missing).
void Append(TextFile& F);
// Reads one line without its end; at the end of the file gives "".
void ReadLn(TextFile& F, std::string& Line);
void ReadLn(TextFile& F);
void Write(TextFile& F, const std::string& Text);
void WriteLn(TextFile& F, const std::string& Line);
void WriteLn(TextFile& F);
bool Eof(TextFile& F);
void CloseFile(TextFile& F);
