#include "platform/rtl/text_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/file_io.h"

namespace {

[[noreturn]] void InOutError(int code) {
  const char* text;
  switch (code) {
    case 2: text = "File not found"; break;
    case 3: text = "Invalid filename"; break;
    case 4: text = "Too many open files"; break;
    case 5: text = "File access denied"; break;
    case 100: text = "Read beyond end of file"; break;
    case 101: text = "Disk full"; break;
    case 102: text = "File not assigned"; break;
    case 103: text = "File not open"; break;
    case 104: text = "File not open for input"; break;
    case 105: text = "File not open for output"; break;
    default: throw EInOutError("I/O error " + std::to_string(code), code);
  }
  throw EInOutError(text, code);
}

int CodeOfErrno(int err) {
  switch (err) {
    case ENOENT: return 2;
    case ENOTDIR:
    case ENAMETOOLONG: return 3;
    case EMFILE:
    case ENFILE: return 4;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return 5;
    case ENOSPC: return 101;
    default: return err;
  }
}

void Open(TextFile& F, const char* mode, bool output) {
  if (!F.Assigned) InOutError(102);
  if (F.Handle) {
    std::fclose(F.Handle);
    F.Handle = nullptr;
  }
  if (output) {
    // Made as the process's file access says.
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (mode[0] == 'a' ? O_APPEND : O_TRUNC);
    const int fd = OpenFileHandle(F.Name, flags);
    if (fd < 0) InOutError(CodeOfErrno(errno));
    F.Handle = ::fdopen(fd, mode);
    if (!F.Handle) {
      const int err = errno;
      ::close(fd);
      InOutError(CodeOfErrno(err));
    }
  } else {
    F.Handle = std::fopen(F.Name.c_str(), mode);
  }
  if (!F.Handle) InOutError(CodeOfErrno(errno));
  F.Output = output;
}

void CheckInput(TextFile& F) {
  if (!F.Handle) InOutError(103);
  if (F.Output) InOutError(104);
}

void CheckOutput(TextFile& F) {
  if (!F.Handle) InOutError(103);
  if (!F.Output) InOutError(105);
}

}  // namespace

TextFile::~TextFile() {
  if (Handle) std::fclose(Handle);
}

void AssignFile(TextFile& F, const std::string& FileName) {
  if (F.Handle) {
    std::fclose(F.Handle);
    F.Handle = nullptr;
  }
  F.Name = FileName;
  F.Assigned = true;
  F.Output = false;
}

void Reset(TextFile& F) { Open(F, "rb", false); }
void Rewrite(TextFile& F) { Open(F, "wb", true); }
void Append(TextFile& F) { Open(F, "ab", true); }

void ReadLn(TextFile& F, std::string& Line) {
  CheckInput(F);
  Line.clear();
  for (;;) {
    int c = std::getc(F.Handle);
    if (c == EOF) break;
    if (c == '\n') break;
    if (c == '\r') {
      int next = std::getc(F.Handle);
      if (next != '\n' && next != EOF) std::ungetc(next, F.Handle);
      break;
    }
    Line += static_cast<char>(c);
  }
  if (std::ferror(F.Handle)) InOutError(100);
}

void ReadLn(TextFile& F) {
  std::string ignored;
  ReadLn(F, ignored);
}

void Write(TextFile& F, const std::string& Text) {
  CheckOutput(F);
  if (!Text.empty() && std::fwrite(Text.data(), 1, Text.size(), F.Handle) != Text.size())
    InOutError(101);
}

void WriteLn(TextFile& F, const std::string& Line) {
  Write(F, Line);
  Write(F, "\r\n");
}

void WriteLn(TextFile& F) { Write(F, "\r\n"); }

bool Eof(TextFile& F) {
  if (!F.Handle) InOutError(103);
  if (F.Output) return true;
  int c = std::getc(F.Handle);
  if (c == EOF) return true;
  std::ungetc(c, F.Handle);
  return false;
}

void CloseFile(TextFile& F) {
  if (!F.Handle) InOutError(103);
  std::FILE* h = F.Handle;
  F.Handle = nullptr;
  bool failed = std::fflush(h) != 0;
  failed = std::fclose(h) != 0 || failed;
  if (failed && F.Output) InOutError(101);
}
