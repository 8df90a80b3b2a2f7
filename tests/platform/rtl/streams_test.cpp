#include "platform/rtl/streams.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "platform/rtl/file_io.h"
#include "platform/rtl/text_file.h"
#include "rtl_temp_folder.h"

TEST(MemoryStream, ReadWriteSeekAndSize) {
  TMemoryStream m;
  m.WriteString("hello");
  EXPECT_EQ(m.Position(), 5);
  EXPECT_EQ(m.Seek(-2, soFromCurrent), 3);
  char buf[8] = {};
  EXPECT_EQ(m.Read(buf, 8), 2);
  EXPECT_STREQ(buf, "lo");
  EXPECT_EQ(m.Read(buf, 8), 0);
  EXPECT_EQ(m.Seek(-100, soFromBeginning), 0);  // never before the start
  m.Seek(2, soFromEnd);  // past the end: a write there fills the gap with zeros
  m.WriteString("!");
  EXPECT_EQ(m.DataString(), std::string("hello\0\0!", 8));
  m.SetSize(3);
  EXPECT_EQ(m.Position(), 3);
  EXPECT_EQ(m.DataString(), "hel");
  m.SetSize(5);
  EXPECT_EQ(std::memcmp(m.Memory(), "hel\0\0", 5), 0);
  m.Clear();
  EXPECT_EQ(m.Size(), 0);
  EXPECT_EQ(m.Position(), 0);
}

TEST(MemoryStream, ReadBufferRaisesOnAShortStream) {
  TMemoryStream m;
  m.WriteString("abc");
  m.SetPosition(1);
  char buf[4];
  try {
    m.ReadBuffer(buf, 3);
    FAIL();
  } catch (const EReadError& e) {
    EXPECT_STREQ(e.what(), "Stream read error");
  }
}

TEST(MemoryStream, CopyFromWholeAndPart) {
  TMemoryStream source;
  source.WriteString("0123456789");
  TMemoryStream dest;
  EXPECT_EQ(dest.CopyFrom(source, 0), 10);  // 0: the whole stream from its start
  EXPECT_EQ(dest.DataString(), "0123456789");
  source.SetPosition(4);
  TStringStream part;
  EXPECT_EQ(part.CopyFrom(source, 3), 3);
  EXPECT_EQ(part.DataString(), "456");
  source.SetPosition(8);
  EXPECT_THROW(part.CopyFrom(source, 5), EReadError);
}

TEST(MemoryStream, FilesLoadAndSave) {
  TTempFolder dir;
  TMemoryStream m;
  std::string big(100000, 'x');
  big[500] = '\0';
  m.WriteString(big);
  m.SaveToFile(dir.File("m.bin"));
  TMemoryStream back;
  back.LoadFromFile(dir.File("m.bin"));
  EXPECT_EQ(back.DataString(), big);
  EXPECT_EQ(back.Position(), 0);
  try {
    back.LoadFromFile(dir.File("none"));
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open file " + dir.File("none"));
  }
  TMemoryStream copy;
  copy.LoadFromStream(back);
  EXPECT_EQ(copy.Size(), back.Size());
}

TEST(StringStream, DataStringAndOverwrite) {
  TStringStream s("abcdef");
  EXPECT_EQ(s.ReadString(2), "ab");
  s.WriteString("XY");
  EXPECT_EQ(s.DataString(), "abXYef");
  s.Seek(0, soFromEnd);
  s.WriteString("g");
  EXPECT_EQ(s.DataString(), "abXYefg");
  s.SetSize(2);
  EXPECT_EQ(s.DataString(), "ab");
}

TEST(HandleStream, FinishesWritesOverAPipe) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  THandleStream writer(fds[1]);
  THandleStream reader(fds[0]);
  writer.WriteString("through");
  close(fds[1]);
  char buf[16] = {};
  reader.ReadBuffer(buf, 7);
  EXPECT_STREQ(buf, "through");
  EXPECT_EQ(reader.Read(buf, 4), 0);
  close(fds[0]);
}

TEST(FileStream, ModesAndErrors) {
  TTempFolder dir;
  const std::string name = dir.File("f.dat");
  EXPECT_THROW(TFileStream(name, fmOpenRead), EFOpenError);
  {
    TFileStream f(name, fmCreate);
    f.WriteString("0123456789");
  }
  {
    TFileStream f(name, fmOpenReadWrite);
    EXPECT_EQ(f.Size(), 10);
    f.Seek(5, soFromBeginning);
    f.WriteString("ab");
  }
  {
    TFileStream f(name, fmOpenRead);
    char buf[11] = {};
    f.ReadBuffer(buf, 10);
    EXPECT_STREQ(buf, "01234ab789");
    EXPECT_THROW(f.WriteBuffer("x", 1), EWriteError);
  }
  {
    TFileStream f(name, fmCreate);  // empties the file once it holds the lock
    EXPECT_EQ(f.Size(), 0);
  }
  EXPECT_THROW(TFileStream(dir.File("no/such/file"), fmCreate), EFCreateError);
}

TEST(FileStream, ShareModesBecomeLocks) {
  TTempFolder dir;
  const std::string name = dir.File("shared.dat");
  { TFileStream create(name, fmCreate); }
  {
    TFileStream a(name, fmOpenRead | fmShareDenyWrite);
    TFileStream b(name, fmOpenRead | fmShareDenyWrite);  // two shared locks live together
    EXPECT_THROW(TFileStream(name, fmOpenReadWrite | fmShareExclusive), EFOpenError);
    TFileStream none(name, fmOpenRead | fmShareDenyNone);  // no lock at all
  }
  {
    TFileStream exclusive(name, fmOpenReadWrite | fmShareExclusive);
    EXPECT_THROW(TFileStream(name, fmOpenRead | fmShareDenyWrite), EFOpenError);
    EXPECT_THROW(TFileStream(name, fmCreate), EFCreateError);
    // The refused create did not empty the locked file.
  }
  TFileStream again(name, fmOpenReadWrite | fmShareExclusive);  // released with the stream
}

TEST(FileStream, CreateDoesNotEmptyALockedFile) {
  TTempFolder dir;
  const std::string name = dir.File("queue.dat");
  {
    TFileStream f(name, fmCreate);
    f.WriteString("keep me");
  }
  TFileStream holder(name, fmOpenReadWrite | fmShareExclusive);
  EXPECT_THROW(TFileStream(name, fmCreate), EFCreateError);
  EXPECT_EQ(holder.Size(), 7);
}

TEST(TextFiles, CrLfWrittenAnyLineEndRead) {
  TTempFolder dir;
  const std::string name = dir.File("t.txt");
  TextFile f;
  AssignFile(f, name);
  Rewrite(f);
  WriteLn(f, "first");
  Write(f, "sec");
  WriteLn(f, "ond");
  CloseFile(f);
  EXPECT_EQ(ReadFileBytes(name), "first\r\nsecond\r\n");
  Append(f);
  Write(f, "a\rb\nc");
  CloseFile(f);
  Reset(f);
  std::vector<std::string> lines;
  std::string line;
  for (int guard = 0; guard < 100 && !Eof(f); ++guard) {
    ReadLn(f, line);
    lines.push_back(line);
  }
  CloseFile(f);
  EXPECT_EQ(lines, (std::vector<std::string>{"first", "second", "a", "b", "c"}));
}

TEST(TextFiles, ErrorsCarryCodes) {
  TTempFolder dir;
  TextFile f;
  try {
    ReadLn(f);
    FAIL();
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.ErrorCode, 103);
  }
  AssignFile(f, dir.File("missing.txt"));
  try {
    Reset(f);
    FAIL();
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.ErrorCode, 2);
    EXPECT_STREQ(e.what(), "File not found");
  }
  AssignFile(f, dir.File("w.txt"));
  Rewrite(f);
  EXPECT_THROW(ReadLn(f), EInOutError);
  CloseFile(f);
}
