// The typed value stream: TWriter writes tagged values into a stream, TReader reads them back.
// Each value is one tag byte followed by its data, little-endian.  The component streams
// (component_stream.cpp) are built on the same classes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/rtl/classes.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/streams.h"

enum TValueType : std::uint8_t {
  vaNull = 0,        // list end
  vaList = 1,        // list begin
  vaInt8 = 2,
  vaInt16 = 3,
  vaInt32 = 4,
  vaExtended = 5,    // 10-byte x87 extended, held as double
  vaString = 6,      // length byte, bytes
  vaIdent = 7,       // length byte, bytes
  vaFalse = 8,
  vaTrue = 9,
  vaBinary = 10,     // 4-byte length, bytes
  vaSet = 11,        // identifiers (length byte, bytes) until an empty one
  vaLString = 12,    // 4-byte length, bytes
  vaNil = 13,
  vaCollection = 14, // items (optional Integer index, list begin, properties, list end), list end
  vaSingle = 15,     // 4-byte float
  vaCurrency = 16,   // int64 scaled by 10000
  vaDate = 17,       // 8-byte double
  vaWString = 18,    // 4-byte count of UTF-16 units, the units
  vaInt64 = 19,
  vaUTF8String = 20, // 4-byte length, bytes
};
inline constexpr std::uint8_t vaLast = vaUTF8String;

inline bool IsIntegerValue(TValueType t) {
  return t == vaInt8 || t == vaInt16 || t == vaInt32 || t == vaInt64;
}

// The component stream's signature.
inline constexpr char FilerSignature[4] = {'T', 'P', 'F', '0'};

class TReader;
class TWriter;

using TReaderProc = std::function<void(TReader& Reader)>;
using TWriterProc = std::function<void(TWriter& Writer)>;
using TStreamProc = std::function<void(TStream& Stream)>;

// Common base of reader and writer: the stream, the buffer, and the definition of custom
// properties that TPersistent::DefineProperties makes.
class TFiler : public TObject {
public:
  TFiler(TStream& Stream, int BufSize);
  ~TFiler() override = default;

  TStream& Stream() const { return FStream; }
  TComponent* Root() const { return FRoot; }
  void SetRoot(TComponent* Value) { FRoot = Value; }

  // A property written and read by the given procedures (one typed value).  The writer writes it
  // when HasData; the reader calls ReadData when the property's name comes up.
  virtual void DefineProperty(const std::string& Name, const TReaderProc& ReadData,
                              const TWriterProc& WriteData, bool HasData) = 0;
  // A property whose value is a binary block (tag 10): WriteData fills a memory stream, ReadData
  // gets one positioned at 0.
  virtual void DefineBinaryProperty(const std::string& Name, const TStreamProc& ReadData,
                                    const TStreamProc& WriteData, bool HasData) = 0;

protected:
  TStream& FStream;
  std::vector<char> FBuffer;
  int FBufPos = 0;
  int FBufEnd = 0;
  TComponent* FRoot = nullptr;
};

// Writes typed values.  Output is buffered: it reaches the stream on FlushBuffer or when the
// writer is destroyed.
class TWriter : public TFiler {
public:
  explicit TWriter(TStream& Stream, int BufSize = 4096);
  ~TWriter() override;

  void FlushBuffer();
  // The stream position of the next value.
  std::int64_t Position() const;

  void WriteValue(TValueType Value);
  void WriteListBegin() { WriteValue(vaList); }
  void WriteListEnd() { WriteValue(vaNull); }
  // The smallest of the 1-, 2-, 4- and 8-byte forms.
  void WriteInteger(std::int64_t Value);
  void WriteInteger(int Value) { WriteInteger(static_cast<std::int64_t>(Value)); }
  void WriteInt64(std::int64_t Value) { WriteInteger(Value); }
  void WriteBoolean(bool Value) { WriteValue(Value ? vaTrue : vaFalse); }
  // A short string (tag 6) below 256 bytes, else a long string (tag 12).
  void WriteString(const std::string& Value);
  // A string of length 1.
  void WriteChar(char Value) { WriteString(std::string(1, Value)); }
  // Tag 20 with a 4-byte length.
  void WriteUTF8Str(const std::string& Value);
  // Tag 18: the UTF-8 text as UTF-16 units.
  void WriteWideString(const std::string& Value);
  void WriteFloat(double Value);  // extended
  void WriteSingle(float Value);
  // Value × 10000, rounded, as an 8-byte integer.
  void WriteCurrency(double Value);
  void WriteDate(double Value);
  // An identifier; "False", "True", "nil" and "Null" take their own tags.
  void WriteIdent(const std::string& Ident);
  void WriteSet(const std::vector<std::string>& Idents);
  void WriteBinary(const void* Data, std::uint32_t Count);
  void WriteStrings(const std::vector<std::string>& Lines);

  // Untagged pieces: a length byte and at most 255 bytes (longer raises EWriteError), the
  // signature, raw bytes.
  void WriteStr(const std::string& Value);
  void WriteSignature();
  void Write(const void* Data, long Count);

  // ---- components (component_stream.cpp) ----
  void WriteRootComponent(TComponent* Root);
  // Class name, name, properties, list end, children, list end.
  void WriteComponent(TComponent* Component);
  // The published properties of Instance, then its defined properties.
  void WriteProperties(TPersistent* Instance);
  void WriteCollection(TCollection* Value);
  void WritePropName(const std::string& PropName);

  void DefineProperty(const std::string& Name, const TReaderProc& ReadData,
                      const TWriterProc& WriteData, bool HasData) override;
  void DefineBinaryProperty(const std::string& Name, const TStreamProc& ReadData,
                            const TStreamProc& WriteData, bool HasData) override;

private:
  void WriteProperty(TPersistent* Instance, const TPropInfo& Prop);
  void WriteLE(std::uint64_t Value, int Bytes);
  std::string FPropPath;
};

// Reads typed values.  Input is buffered; when the reader is destroyed (or FlushBuffer is called)
// the stream is set back to stand right after the last value read.  A wrong tag raises EReadError
// "Invalid property value"; a stream that ends early, and any length or count larger than the
// bytes left, raise EReadError before anything is allocated.
class TReader : public TFiler {
public:
  explicit TReader(TStream& Stream, int BufSize = 4096);
  ~TReader() override;

  void FlushBuffer();
  // The stream position of the next value.
  std::int64_t Position() const;
  // Bytes left after the position; -1 when the stream cannot tell.
  std::int64_t BytesLeft() const;

  TValueType ReadValue();
  // The tag of the next value, not consumed.
  TValueType NextValue();
  bool EndOfList() { return NextValue() == vaNull; }
  void ReadListBegin();
  void ReadListEnd();
  // Tags 2, 3, 4 (and 19 when the value fits 32 bits).
  int ReadInteger();
  // Tags 2, 3, 4, 19.
  std::int64_t ReadInt64();
  bool ReadBoolean();
  // Tags 6, 12, 18 (converted to UTF-8), 20.
  std::string ReadString();
  // A string of length 1.
  char ReadChar();
  // Extended (5), or any integer form.
  double ReadFloat();
  // Single (15), or any integer form.
  float ReadSingle();
  // Currency (16) as a decimal value, or any integer form.
  double ReadCurrency();
  // Date (17), or any integer form.
  double ReadDate();
  // Tags 7, 8 ("False"), 9 ("True"), 13 ("nil"), 0 ("Null").
  std::string ReadIdent();
  std::vector<std::string> ReadSet();
  // The bytes of a binary value (tag 10).
  std::string ReadBinary();
  std::vector<std::string> ReadStrings();
  // Skips one value of any form.
  void SkipValue();

  // Untagged pieces.
  std::string ReadStr();
  // Raises EReadError "Invalid stream format" unless the next 4 bytes are the signature.
  void ReadSignature();
  void Read(void* Data, long Count);

  // ---- components (component_stream.cpp) ----
  // Reads a root component into Root, or creates it through the class registry (no owner) when
  // Root is nullptr.  Loaded is called on every component read once all of them are in.
  TComponent* ReadRootComponent(TComponent* Root);
  // Reads one component (class, name, properties, children) into Component, or, when it is
  // nullptr, into the root's child of that name, or into a new one of the streamed class owned by
  // the root's child owner.
  TComponent* ReadComponent(TComponent* Component);
  // One "name value" pair; unknown names are skipped.
  void ReadProperty(TPersistent* Instance);
  void ReadCollection(TCollection* Collection);

  void DefineProperty(const std::string& Name, const TReaderProc& ReadData,
                      const TWriterProc& WriteData, bool HasData) override;
  void DefineBinaryProperty(const std::string& Name, const TStreamProc& ReadData,
                            const TStreamProc& WriteData, bool HasData) override;

private:
  void ReadBuffer();
  // Consumes Count bytes without keeping them.
  void SkipBytes(std::uint64_t Count);
  // Checks that Count more bytes can be there before they are allocated.
  void CheckLength(std::uint64_t Count);
  std::uint64_t ReadLE(int Bytes);
  std::int64_t ReadIntegerOfType(TValueType Type);
  [[noreturn]] static void PropValueError();
  void SkipSetBody();
  void SkipProperty();
  void ReadPropValue(TPersistent* Instance, const TPropInfo& Prop);
  void ReadPrefix();
  void ReadComponentBody(TComponent* Component);

  std::string FPropName;
  bool FCanHandleExcepts = false;
  bool FPropHandled = false;
  std::vector<TComponent*> FLoaded;
};
