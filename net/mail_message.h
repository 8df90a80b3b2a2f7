// The mail message model: addresses, address lists, attachments and the message components.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "net/net_headers.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/string_list.h"
#include "platform/rtl/win_types.h"

// The content type of a file's extension; "application/octet-stream" when it has none.
std::string GetContentTypeOfFile(const std::string& fileName);

class TNetMailAddress : public TPersistent {
public:
  const std::string& Name() const { return FName; }
  void SetName(const std::string& Value);
  const std::string& Address() const { return FAddress; }
  void SetAddress(const std::string& Value);
  void Assign(const TPersistent* Source) override;
  // Edits a copy in the address dialog (TMailAddressDlg) and takes it back when the dialog ends
  // with OK; true then.
  virtual bool Edit();

private:
  std::string FName;
  std::string FAddress;
};

// "Name <address>", "address (Name)" or a bare address; raises "Unable to parse email address"
// for a "<" without ">".
void ParseMailAddress(const std::string& text, TNetMailAddress& address);

class TNetAddressList : public TPersistent {
public:
  // Takes ownership.
  void Add(TNetMailAddress* Address);
  void Clear() { FItems.clear(); }
  int Count() const { return static_cast<int>(FItems.size()); }
  TNetMailAddress* Items(int Index) const;
  void Assign(const TPersistent* Source) override;
  // "Items": a list of (name, address) strings, written only when the list is not empty.
  void DefineProperties(TFiler& Filer) override;

private:
  std::vector<std::unique_ptr<TNetMailAddress>> FItems;
};

enum : BYTE { akEmbedded = 0, akBinary = 1, akText = 2 };

class TNetAttItem : public TPersistent {
public:
  TMemoryStream& Data() { return *FData; }
  const TMemoryStream& Data() const { return *FData; }
  const std::string& FileName() const { return FFileName; }
  // A non-empty name looks up the content type of its extension and sets the kind from it.
  void SetFileName(const std::string& Value);
  const std::string& ContentType() const { return FContentType; }
  void SetContentType(const std::string& Value);
  BYTE Kind() const { return FKind; }
  void SetKind(BYTE Value) { FKind = Value; }
  // Copies data, content type, kind and file name.
  void Assign(const TPersistent* Source) override;

private:
  std::unique_ptr<TMemoryStream> FData = std::make_unique<TMemoryStream>();
  std::string FFileName;
  std::string FContentType;
  BYTE FKind = akBinary;
};

class TNetAttList : public TPersistent {
public:
  void Add(TNetAttItem* Item);
  void Clear() { FItems.clear(); }
  int Count() const { return static_cast<int>(FItems.size()); }
  TNetAttItem* Items(int Index) const;
  // Copies every item of the source, data included; the two lists never share an item.
  void Assign(const TPersistent* Source) override;
  // "Items": a list of (file name, content type, kind); the data is not stored.
  void DefineProperties(TFiler& Filer) override;

private:
  std::vector<std::unique_ptr<TNetAttItem>> FItems;
};

enum TNetMsgEncoding { meMIME = 0, meUU = 1 };
enum TNetCharSet { csUSASCII = 0, csISO8859 = 1, csISO2022jp = 2 };
enum TNetPriority { ptLow = 0, ptNormal = 1, ptHigh = 2 };

class TNetCustomMessage : public TComponent {
public:
  explicit TNetCustomMessage(TComponent* AOwner = nullptr);
  ~TNetCustomMessage() override;

  TNetAttList& Attachments() { return *FAttachments; }
  const TNetAttList& Attachments() const { return *FAttachments; }
  void SetAttachments(const TNetAttList& Value);
  // The type the message is written as (see the writer); "" with meUU.
  std::string ContentType() const;
  void SetContentType(const std::string& Value) { FStoredContentType = Value; }
  TNetMsgEncoding Encoding = meMIME;
  TNetCharSet CharSet = csUSASCII;
  TNetMailAddress& Sender() { return *FSender; }
  const TNetMailAddress& Sender() const { return *FSender; }
  const std::string& Subject() const { return FSubject; }
  void SetSubject(const std::string& Value);
  TNetHeaders& Headers() { return *FHeaders; }
  const TNetHeaders& Headers() const { return *FHeaders; }
  void SetHeaders(const TStrings& Value) { FHeaders->Assign(&Value); }
  TStringList& Body() { return *FBody; }
  const TStringList& Body() const { return *FBody; }
  void SetBody(const TStrings& Value) { FBody->Assign(&Value); }
  std::string Version() const { return "2.02"; }
  void SetVersion(const std::string&) {}
  // Files deleted when the message is freed.
  std::vector<std::string>& TempFiles() { return FTempFiles; }

  void Assign(const TPersistent* Source) override;
  // Reads each attachment's data from the file its name gives.
  void Loaded() override;

  virtual void SaveToStream(TStream& Stream) = 0;
  virtual void LoadFromStream(TStream& Stream) = 0;
  virtual void Clear();

protected:
  void AssignCommon(const TNetCustomMessage& Source);

  std::unique_ptr<TNetAttList> FAttachments = std::make_unique<TNetAttList>();
  std::unique_ptr<TNetMailAddress> FSender = std::make_unique<TNetMailAddress>();
  std::unique_ptr<TNetHeaders> FHeaders = std::make_unique<TNetHeaders>();
  std::unique_ptr<TStringList> FBody = std::make_unique<TStringList>();
  std::string FSubject;
  std::string FStoredContentType = "text/plain";
  std::vector<std::string> FTempFiles;
};

class TNetMessage : public TNetCustomMessage {
public:
  explicit TNetMessage(TComponent* AOwner = nullptr) : TNetCustomMessage(AOwner) {}

  TNetAddressList& Recipients() { return *FRecipients; }
  const TNetAddressList& Recipients() const { return *FRecipients; }
  TNetAddressList& CC() { return *FCC; }
  const TNetAddressList& CC() const { return *FCC; }
  TNetAddressList& BCC() { return *FBCC; }
  const TNetAddressList& BCC() const { return *FBCC; }
  bool ReturnReceipt = false;
  TNetPriority Priority = ptNormal;

  void Assign(const TPersistent* Source) override;
  // Fills the model from a decoded header block (addresses are added to the lists).
  void ReadHeaders(const TNetHeaders& headers);
  void SaveToStream(TStream& Stream) override;
  void LoadFromStream(TStream& Stream) override;
  void Clear() override;
  // Raises EMessageError when the sender or every recipient is missing.
  void Validate() const;

private:
  std::unique_ptr<TNetAddressList> FRecipients = std::make_unique<TNetAddressList>();
  std::unique_ptr<TNetAddressList> FCC = std::make_unique<TNetAddressList>();
  std::unique_ptr<TNetAddressList> FBCC = std::make_unique<TNetAddressList>();
};

class TNetArticle : public TNetCustomMessage {
public:
  explicit TNetArticle(TComponent* AOwner = nullptr) : TNetCustomMessage(AOwner) {}

  std::string NewsGroups;
  std::string MessageID;
  std::string Path;

  void ReadHeaders(const TNetHeaders& headers);
  void SaveToStream(TStream& Stream) override;
  void LoadFromStream(TStream& Stream) override;
  void Clear() override;
  void Validate() const;
};

// Registers the message classes and their published properties for the component streams
// (once; later calls do nothing).
void RegisterMailMessageClasses();
