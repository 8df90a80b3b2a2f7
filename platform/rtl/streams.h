// Byte streams: TStream and the memory, string, handle and file streams.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/rtl/classes.h"
#include <cstdint>

enum TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };
inline constexpr TSeekOrigin soFromBeginning = soBeginning;
inline constexpr TSeekOrigin soFromCurrent = soCurrent;
inline constexpr TSeekOrigin soFromEnd = soEnd;

// File modes of TFileStream: one access mode or fmCreate, or-ed with one share mode.
enum : std::uint16_t {
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmShareCompat = 0x0000,
  fmShareExclusive = 0x0010,
  fmShareDenyWrite = 0x0020,
  fmShareDenyRead = 0x0030,
  fmShareDenyNone = 0x0040,
  fmCreate = 0xFF00,
};

// An abstract sequence of bytes with a position.
class TStream : public TObject {
public:
  // Reads up to Count bytes at the position; returns how many were read (0 at the end).
  virtual long Read(void* Buffer, long Count) = 0;
  // Writes up to Count bytes at the position; returns how many were written.
  virtual long Write(const void* Buffer, long Count) = 0;
  // Moves the position; returns the new position, or -1 when the stream cannot seek.
  virtual std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) = 0;

  // Reads exactly Count bytes (several Reads if needed) or raises EReadError.
  void ReadBuffer(void* Buffer, long Count);
  // Writes exactly Count bytes or raises EWriteError.
  void WriteBuffer(const void* Buffer, long Count);
  void WriteString(const std::string& S) { WriteBuffer(S.data(), static_cast<long>(S.size())); }

  std::int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(std::int64_t Pos) { Seek(Pos, soBeginning); }
  virtual std::int64_t Size();
  virtual void SetSize(std::int64_t NewSize);

  // Copies Count bytes of Source from its position (Count 0: all of Source from its start);
  // returns the bytes copied.  A short source raises EReadError.
  std::int64_t CopyFrom(TStream& Source, std::int64_t Count);

  // The component streams (implemented with the typed value stream).
  void WriteComponent(TComponent* Instance);
  // Reads a root component into Instance, or creates one through the class registry when
  // Instance is nullptr; returns it.
  TComponent* ReadComponent(TComponent* Instance);
};

// A stream over a growable block of memory.
class TMemoryStream : public TStream {
public:
  TMemoryStream() = default;
  ~TMemoryStream() override = default;

  long Read(void* Buffer, long Count) override;
  long Write(const void* Buffer, long Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(FSize); }
  // Keeps the first bytes; new bytes are zero; the position is clamped to the size.
  void SetSize(std::int64_t NewSize) override;
  void Clear();

  char* Memory() { return FData.data(); }
  const char* Memory() const { return FData.data(); }
  // The whole contents as bytes.
  std::string DataString() const { return std::string(FData.data(), FSize); }

  // Replaces the contents with Stream from its start; the position becomes 0.
  void LoadFromStream(TStream& Stream);
  void LoadFromFile(const std::string& FileName);
  // Writes the whole contents (whatever the position).
  void SaveToStream(TStream& Stream) const;
  // Replaces the file atomically: the old one stays if writing fails.
  void SaveToFile(const std::string& FileName) const;

private:
  void SetCapacity(std::size_t NewCapacity);
  std::vector<char> FData;
  std::size_t FSize = 0;
  std::size_t FPosition = 0;
};

// A stream over a string of bytes.
class TStringStream : public TStream {
public:
  explicit TStringStream(std::string AString = {}) : FDataString(std::move(AString)) {}

  long Read(void* Buffer, long Count) override;
  long Write(const void* Buffer, long Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(FDataString.size()); }
  void SetSize(std::int64_t NewSize) override;

  // Up to Count bytes from the position.
  std::string ReadString(long Count);
  const std::string& DataString() const { return FDataString; }

private:
  std::string FDataString;
  std::size_t FPosition = 0;
};

// A stream over an open file descriptor; the stream does not close it.  Reads and writes retry on
// EINTR, and writes finish short writes.
class THandleStream : public TStream {
public:
  explicit THandleStream(int AHandle) : FHandle(AHandle) {}

  long Read(void* Buffer, long Count) override;
  long Write(const void* Buffer, long Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  void SetSize(std::int64_t NewSize) override;
  int Handle() const { return FHandle; }

protected:
  int FHandle;
};

// A file opened by name.  The share mode becomes an flock (see file_io.h); a refused lock raises
// EFOpenError like a sharing violation.  fmCreate creates or empties the file only after taking
// the lock, and fails when the file was deleted meanwhile.
class TFileStream : public THandleStream {
public:
  TFileStream(const std::string& FileName, std::uint16_t Mode);
  ~TFileStream() override;
  const std::string& FileName() const { return FFileName; }

private:
  std::string FFileName;
};
