#include "platform/rtl/streams.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "platform/rtl/file_io.h"

// ---- TStream ----

void TStream::ReadBuffer(void* Buffer, long Count) {
  if (Count < 0) throw EReadError();
  char* p = static_cast<char*>(Buffer);
  while (Count > 0) {
    long n = Read(p, Count);
    if (n <= 0) throw EReadError();
    p += n;
    Count -= n;
  }
}

void TStream::WriteBuffer(const void* Buffer, long Count) {
  if (Count < 0) throw EWriteError();
  const char* p = static_cast<const char*>(Buffer);
  while (Count > 0) {
    long n = Write(p, Count);
    if (n <= 0) throw EWriteError();
    p += n;
    Count -= n;
  }
}

std::int64_t TStream::Size() {
  std::int64_t pos = Seek(0, soCurrent);
  std::int64_t size = Seek(0, soEnd);
  Seek(pos, soBeginning);
  return size;
}

void TStream::SetSize(std::int64_t) {}

std::int64_t TStream::CopyFrom(TStream& Source, std::int64_t Count) {
  if (Count == 0) {
    Source.SetPosition(0);
    Count = Source.Size();
  }
  if (Count < 0) throw EReadError();
  const std::int64_t total = Count;
  std::vector<char> buffer(static_cast<std::size_t>(std::min<std::int64_t>(Count, 0xF000)) + 1);
  while (Count > 0) {
    long n = static_cast<long>(std::min<std::int64_t>(Count, static_cast<std::int64_t>(buffer.size())));
    Source.ReadBuffer(buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    Count -= n;
  }
  return total;
}

// ---- TMemoryStream ----

void TMemoryStream::SetCapacity(std::size_t NewCapacity) {
  if (NewCapacity <= FData.size()) return;
  // Grow by a quarter at least, in 8 KiB steps, so appending is amortised.
  std::size_t grown = std::max(NewCapacity, FData.size() + FData.size() / 4);
  grown = (grown + 0x1FFF) & ~static_cast<std::size_t>(0x1FFF);
  FData.resize(grown);
}

long TMemoryStream::Read(void* Buffer, long Count) {
  if (Count <= 0 || FPosition >= FSize) return 0;
  std::size_t n = std::min(static_cast<std::size_t>(Count), FSize - FPosition);
  std::memcpy(Buffer, FData.data() + FPosition, n);
  FPosition += n;
  return static_cast<long>(n);
}

long TMemoryStream::Write(const void* Buffer, long Count) {
  if (Count <= 0) return 0;
  std::size_t end = FPosition + static_cast<std::size_t>(Count);
  if (end > FData.size()) SetCapacity(end);
  if (FPosition > FSize) std::memset(FData.data() + FSize, 0, FPosition - FSize);
  std::memcpy(FData.data() + FPosition, Buffer, static_cast<std::size_t>(Count));
  FPosition = end;
  if (end > FSize) FSize = end;
  return Count;
}

std::int64_t TMemoryStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  std::int64_t base = 0;
  if (Origin == soCurrent) base = static_cast<std::int64_t>(FPosition);
  if (Origin == soEnd) base = static_cast<std::int64_t>(FSize);
  std::int64_t pos = base + Offset;
  if (pos < 0) pos = 0;  // never before the start
  FPosition = static_cast<std::size_t>(pos);
  return pos;
}

void TMemoryStream::SetSize(std::int64_t NewSize) {
  if (NewSize < 0) NewSize = 0;
  std::size_t size = static_cast<std::size_t>(NewSize);
  if (size > FData.size()) SetCapacity(size);
  if (size > FSize) std::memset(FData.data() + FSize, 0, size - FSize);
  FSize = size;
  if (FPosition > FSize) FPosition = FSize;
}

void TMemoryStream::Clear() {
  FData.clear();
  FData.shrink_to_fit();
  FSize = 0;
  FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream& Stream) {
  Stream.SetPosition(0);
  std::int64_t count = Stream.Size();
  if (count < 0) throw EReadError();
  SetSize(count);
  if (count > 0) Stream.ReadBuffer(FData.data(), static_cast<long>(count));
  FPosition = 0;
}

void TMemoryStream::LoadFromFile(const std::string& FileName) {
  std::string data = ReadFileBytes(FileName);
  SetSize(static_cast<std::int64_t>(data.size()));
  if (!data.empty()) std::memcpy(FData.data(), data.data(), data.size());
  FPosition = 0;
}

void TMemoryStream::SaveToStream(TStream& Stream) const {
  if (FSize > 0) Stream.WriteBuffer(FData.data(), static_cast<long>(FSize));
}

void TMemoryStream::SaveToFile(const std::string& FileName) const {
  AtomicWriteFile(FileName, std::string_view(FData.data(), FSize));
}

// ---- TStringStream ----

long TStringStream::Read(void* Buffer, long Count) {
  if (Count <= 0 || FPosition >= FDataString.size()) return 0;
  std::size_t n = std::min(static_cast<std::size_t>(Count), FDataString.size() - FPosition);
  std::memcpy(Buffer, FDataString.data() + FPosition, n);
  FPosition += n;
  return static_cast<long>(n);
}

long TStringStream::Write(const void* Buffer, long Count) {
  if (Count <= 0) return 0;
  std::size_t end = FPosition + static_cast<std::size_t>(Count);
  if (end > FDataString.size()) FDataString.resize(end, '\0');
  std::memcpy(FDataString.data() + FPosition, Buffer, static_cast<std::size_t>(Count));
  FPosition = end;
  return Count;
}

std::int64_t TStringStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  std::int64_t base = 0;
  if (Origin == soCurrent) base = static_cast<std::int64_t>(FPosition);
  if (Origin == soEnd) base = static_cast<std::int64_t>(FDataString.size());
  std::int64_t pos = std::clamp<std::int64_t>(base + Offset, 0,
                                              static_cast<std::int64_t>(FDataString.size()));
  FPosition = static_cast<std::size_t>(pos);
  return pos;
}

void TStringStream::SetSize(std::int64_t NewSize) {
  FDataString.resize(static_cast<std::size_t>(std::max<std::int64_t>(NewSize, 0)), '\0');
  if (FPosition > FDataString.size()) FPosition = FDataString.size();
}

std::string TStringStream::ReadString(long Count) {
  if (Count <= 0 || FPosition >= FDataString.size()) return {};
  std::size_t n = std::min(static_cast<std::size_t>(Count), FDataString.size() - FPosition);
  std::string s = FDataString.substr(FPosition, n);
  FPosition += n;
  return s;
}

// ---- THandleStream ----

long THandleStream::Read(void* Buffer, long Count) {
  if (Count <= 0) return 0;
  long n = ReadRetry(FHandle, Buffer, static_cast<std::size_t>(Count));
  return n < 0 ? 0 : n;
}

long THandleStream::Write(const void* Buffer, long Count) {
  if (Count <= 0) return 0;
  return WriteAll(FHandle, Buffer, static_cast<std::size_t>(Count)) ? Count : 0;
}

std::int64_t THandleStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  int whence = Origin == soCurrent ? SEEK_CUR : Origin == soEnd ? SEEK_END : SEEK_SET;
  return static_cast<std::int64_t>(::lseek(FHandle, static_cast<off_t>(Offset), whence));
}

void THandleStream::SetSize(std::int64_t NewSize) {
  std::int64_t pos = Position();
  if (::ftruncate(FHandle, static_cast<off_t>(NewSize)) != 0) throw EWriteError();
  if (pos > NewSize) Seek(NewSize, soBeginning);
}

// ---- TFileStream ----

TFileStream::TFileStream(const std::string& FileName, std::uint16_t Mode)
    : THandleStream(-1), FFileName(FileName) {
  const bool create = (Mode & fmCreate) == fmCreate;
  int flags = O_CLOEXEC;
  if (create) {
    flags |= O_RDWR | O_CREAT;  // no O_TRUNC: empty the file only once it is locked
  } else {
    switch (Mode & 0x0003) {
      case fmOpenWrite: flags |= O_WRONLY; break;
      case fmOpenReadWrite: flags |= O_RDWR; break;
      default: flags |= O_RDONLY; break;
    }
  }
  int fd = OpenFileHandle(FileName, flags);
  if (fd < 0) {
    if (create) throw EFCreateError::ForFile(FileName);
    throw EFOpenError::ForFile(FileName);
  }
  const std::uint16_t share = create ? static_cast<std::uint16_t>(Mode & 0x00F0) : Mode;
  if (!LockForShareMode(fd, share)) {
    close(fd);
    if (create) throw EFCreateError::ForFile(FileName);
    throw EFOpenError::ForFile(FileName);
  }
  if (create) {
    struct stat st {};
    // The file may have been deleted (or replaced) between the open and the lock.
    if (fstat(fd, &st) != 0 || st.st_nlink == 0 || ::ftruncate(fd, 0) != 0) {
      close(fd);
      throw EFCreateError::ForFile(FileName);
    }
  }
  FHandle = fd;
}

TFileStream::~TFileStream() {
  if (FHandle >= 0) close(FHandle);  // closing drops the flock
}
