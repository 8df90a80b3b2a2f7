// The typed value stream: TWriter writes tagged values into a stream, TReader reads them back,
// both through the one codec over memory (value_codec.h): the writer encodes into its pending
// bytes, the reader decodes each value once it stands whole in its buffer.  The component
// streams (component_stream.cpp) are built on the same classes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/rtl/classes.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/value_codec.h"

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
  std::size_t FBufPos = 0;
  std::size_t FBufEnd = 0;
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
  // The values go through the codec into the pending bytes, which reach the stream when they
  // pass the buffer's size.
  TValueEncoder Codec() { return TValueEncoder(FPending); }
  void Pending();
  std::string FPending;
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
  // The values, each read through the codec and accepting what TValueDecoder accepts.
  int ReadInteger();
  std::int64_t ReadInt64();
  bool ReadBoolean();
  std::string ReadString();
  char ReadChar();
  double ReadFloat();
  float ReadSingle();
  double ReadCurrency();
  double ReadDate();
  std::string ReadIdent();
  std::vector<std::string> ReadSet();
  std::string ReadBinary();
  std::vector<std::string> ReadStrings();
  void SkipValue();
  std::string ReadStr();
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
  // Makes Count bytes stand in the buffer from the position (fewer only at the stream's end).
  void Fill(std::size_t Count);
  // The bytes of the next value of its own length (tag, length, data), from its head.
  std::uint64_t NextValueBytes();
  // Work decodes one value through the codec from the buffer, which holds Bytes of it.
  template <class F>
  auto Decode(std::uint64_t Bytes, F&& Work);
  template <class F>
  auto DecodeValue(F&& Work);
  // Consumes Count bytes without keeping them.
  void SkipBytes(std::uint64_t Count);
  // Checks that Count more bytes can be there before they are allocated.
  void CheckLength(std::uint64_t Count);
  [[noreturn]] static void PropValueError();
  void SkipProperty();
  void ReadPropValue(TPersistent* Instance, const TPropInfo& Prop);
  void ReadPrefix();
  void ReadComponentBody(TComponent* Component);

  std::string FPropName;
  bool FCanHandleExcepts = false;
  bool FPropHandled = false;
  std::vector<TComponent*> FLoaded;
};
