#include "net/mail_message.h"

#include <unistd.h>

#include "net/mail_decoder.h"
#include "net/mail_encoder.h"
#include "net/net_errors.h"
#include "net/net_text.h"
#include "platform/rtl/typed_stream.h"
#include "platform/sys/mime_types.h"

std::string GetContentTypeOfFile(const std::string& fileName) {
  std::string base = fileName;
  if (const auto slash = base.find_last_of("/\\"); slash != std::string::npos) base = base.substr(slash + 1);
  const auto dot = base.rfind('.');
  if (dot == std::string::npos) return "application/octet-stream";
  return MimeTypeOfExtension(base.substr(dot));
}

// ---- addresses -------------------------------------------------------------------------------

void TNetMailAddress::SetName(const std::string& Value) { FName = Cut255(Value); }
void TNetMailAddress::SetAddress(const std::string& Value) { FAddress = Cut255(Value); }

void TNetMailAddress::Assign(const TPersistent* Source) {
  if (const auto* a = dynamic_cast<const TNetMailAddress*>(Source)) {
    FName = a->FName;
    FAddress = a->FAddress;
    return;
  }
  TPersistent::Assign(Source);
}

void ParseMailAddress(const std::string& text, TNetMailAddress& address) {
  const auto lt = text.find('<');
  if (lt != std::string::npos) {
    const auto gt = text.find('>', lt);
    if (gt == std::string::npos) throw Exception("Unable to parse email address");
    address.SetAddress(StripQuotes(text.substr(lt + 1, gt - lt - 1)));
    address.SetName(StripQuotes(text.substr(0, lt) + text.substr(gt + 1)));
    return;
  }
  const auto paren = text.find('(');
  if (paren != std::string::npos) {
    const std::string inner = text.size() > paren + 1 ? text.substr(paren + 1, text.size() - paren - 2) : std::string();
    address.SetName(StripQuotes(inner));
    address.SetAddress(StripQuotes(text.substr(0, paren)));
    return;
  }
  address.SetAddress(StripQuotes(text));
  address.SetName("");
}

void TNetAddressList::Add(TNetMailAddress* Address) { FItems.emplace_back(Address); }

TNetMailAddress* TNetAddressList::Items(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError::OutOfBounds(Index);
  return FItems[static_cast<std::size_t>(Index)].get();
}

void TNetAddressList::Assign(const TPersistent* Source) {
  if (const auto* list = dynamic_cast<const TNetAddressList*>(Source)) {
    if (list == this) return;
    Clear();
    for (const auto& item : list->FItems) {
      auto* copy = new TNetMailAddress;
      copy->Assign(item.get());
      Add(copy);
    }
    return;
  }
  TPersistent::Assign(Source);
}

// ---- attachments -----------------------------------------------------------------------------

void TNetAttItem::SetFileName(const std::string& Value) {
  FFileName = Cut255(Value);
  if (FFileName.empty()) return;
  FContentType = Cut255(GetContentTypeOfFile(FFileName));
  const std::string upper = UpperCaseAscii(FContentType);
  if (upper == "TEXT/PLAIN" || upper == "TEXT/RTF" || upper == "TEXT/HTML")
    FKind = akText;
  else if (upper == "MESSAGE/RFC822")
    FKind = akEmbedded;
  else
    FKind = akBinary;
}

void TNetAttItem::SetContentType(const std::string& Value) { FContentType = Cut255(Value); }

void TNetAttItem::Assign(const TPersistent* Source) {
  if (const auto* a = dynamic_cast<const TNetAttItem*>(Source)) {
    if (a == this) return;
    FData->Clear();
    if (a->FData->Size() > 0) FData->WriteBuffer(a->FData->Memory(), static_cast<long>(a->FData->Size()));
    FData->SetPosition(0);
    FContentType = a->FContentType;
    FKind = a->FKind;
    FFileName = a->FFileName;
    return;
  }
  TPersistent::Assign(Source);
}

void TNetAttList::Add(TNetAttItem* Item) { FItems.emplace_back(Item); }

TNetAttItem* TNetAttList::Items(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError::OutOfBounds(Index);
  return FItems[static_cast<std::size_t>(Index)].get();
}

void TNetAttList::Assign(const TPersistent* Source) {
  if (const auto* list = dynamic_cast<const TNetAttList*>(Source)) {
    if (list == this) return;
    Clear();
    for (const auto& item : list->FItems) {
      auto* copy = new TNetAttItem;
      copy->Assign(item.get());
      Add(copy);
    }
    return;
  }
  TPersistent::Assign(Source);
}

// ---- messages --------------------------------------------------------------------------------

TNetCustomMessage::TNetCustomMessage(TComponent* AOwner) : TComponent(AOwner) {}

TNetCustomMessage::~TNetCustomMessage() {
  for (const std::string& name : FTempFiles) ::unlink(name.c_str());
}

void TNetCustomMessage::SetAttachments(const TNetAttList& Value) {
  FAttachments->Assign(&Value);
  FStoredContentType = FAttachments->Count() == 0 ? "text/plain" : "multipart/mixed";
}

void TNetCustomMessage::SetSubject(const std::string& Value) { FSubject = Cut255(Value); }

std::string TNetCustomMessage::ContentType() const {
  if (Encoding == meUU) return {};
  const int n = FAttachments->Count();
  if (n > 0) {
    bool allAlternative = true;
    for (int i = 0; i < n; ++i) {
      std::string name = LowerCaseAscii(FAttachments->Items(i)->FileName());
      if (const auto slash = name.find_last_of("/\\"); slash != std::string::npos) name = name.substr(slash + 1);
      if (name.rfind("_alt.", 0) != 0) allAlternative = false;
    }
    if (allAlternative) return "multipart/alternative";
  }
  if (n == 1 && FBody->Count() == 0) {
    const TNetAttItem* item = FAttachments->Items(0);
    if (item->FileName() == "_rtfbody.rtf") return "text/rtf";
    if (item->FileName() == "_htmbody.htm") return "text/html";
    return item->ContentType();
  }
  if (FBody->Count() > 0 && n == 0) return FStoredContentType.empty() ? "text/plain" : FStoredContentType;
  return "multipart/mixed";
}

void TNetCustomMessage::AssignCommon(const TNetCustomMessage& Source) {
  FSender->Assign(Source.FSender.get());
  FSubject = Source.FSubject;
  Encoding = Source.Encoding;
  CharSet = Source.CharSet;
  FHeaders->Assign(Source.FHeaders.get());
  FBody->Assign(Source.FBody.get());
  FAttachments->Assign(Source.FAttachments.get());
  SetTag(Source.Tag());
  FStoredContentType = Source.ContentType();
}

void TNetCustomMessage::Assign(const TPersistent* Source) {
  if (const auto* m = dynamic_cast<const TNetCustomMessage*>(Source)) {
    if (m != this) AssignCommon(*m);
    return;
  }
  TComponent::Assign(Source);
}

void TNetCustomMessage::Loaded() {
  TComponent::Loaded();
  for (int i = 0; i < FAttachments->Count(); ++i) {
    TNetAttItem* item = FAttachments->Items(i);
    if (item->FileName().empty()) continue;
    item->Data().LoadFromFile(item->FileName());
  }
}

void TNetCustomMessage::Clear() {
  FBody->Clear();
  FAttachments->Clear();
  FSender->SetName("");
  FSender->SetAddress("");
  FHeaders->Clear();
  FSubject.clear();
  Encoding = meMIME;
  CharSet = csUSASCII;
  FStoredContentType.clear();
}

void TNetMessage::Assign(const TPersistent* Source) {
  if (const auto* m = dynamic_cast<const TNetMessage*>(Source)) {
    if (m == this) return;
    FRecipients->Assign(m->FRecipients.get());
    FCC->Assign(m->FCC.get());
    FBCC->Assign(m->FBCC.get());
    ReturnReceipt = m->ReturnReceipt;
    Priority = m->Priority;
  }
  TNetCustomMessage::Assign(Source);
}

void TNetMessage::ReadHeaders(const TNetHeaders& headers) {
  ParseMailAddress(headers.GetFieldBody("FROM"), *FSender);
  auto readList = [&headers](const char* name, TNetAddressList& list) {
    TStringList pieces;
    headers.GetFieldList(name, pieces);
    for (int i = 0; i < pieces.Count(); ++i) {
      auto address = std::make_unique<TNetMailAddress>();
      ParseMailAddress(pieces.Strings(i), *address);
      list.Add(address.release());
    }
  };
  readList("TO", *FRecipients);
  readList("CC", *FCC);
  readList("BCC", *FBCC);
  if (const std::string subject = headers.GetFieldBody("Subject"); !subject.empty()) SetSubject(subject);
  const std::string priority = headers.GetFieldBody("X-Priority");
  Priority = priority == "1" ? ptHigh : priority == "5" ? ptLow : ptNormal;
  ReturnReceipt = !headers.GetFieldBody("Return-receipt-to").empty();
  FHeaders->Assign(&headers);
}

void TNetMessage::SaveToStream(TStream& Stream) {
  TNetMessageEncoder encoder(*this);
  encoder.SaveToStream(Stream);
}

void TNetMessage::LoadFromStream(TStream& Stream) {
  TNetMessageDecoder decoder(Stream);
  decoder.Message = this;
  decoder.Decode();
}

void TNetMessage::Clear() {
  TNetCustomMessage::Clear();
  FRecipients->Clear();
  FCC->Clear();
  FBCC->Clear();
}

void TNetMessage::Validate() const {
  if (FSender->Address().empty()) throw EMessageError("The address of sender is required");
  for (const TNetAddressList* list : {FRecipients.get(), FCC.get(), FBCC.get()})
    for (int i = 0; i < list->Count(); ++i)
      if (!list->Items(i)->Address().empty()) return;
  throw EMessageError("At least one Recipient, CC or BCC must be entered");
}

void TNetArticle::ReadHeaders(const TNetHeaders& headers) {
  ParseMailAddress(headers.GetFieldBody("FROM"), *FSender);
  Path = headers.GetFieldBody("PATH");
  NewsGroups = headers.GetFieldBody("NEWSGROUPS");
  MessageID = headers.GetFieldBody("MESSAGE-ID");
  if (const std::string subject = headers.GetFieldBody("Subject"); !subject.empty()) SetSubject(subject);
  FHeaders->Assign(&headers);
}

void TNetArticle::SaveToStream(TStream& Stream) {
  TNetArticleEncoder encoder(*this);
  encoder.SaveToStream(Stream);
}

void TNetArticle::LoadFromStream(TStream& Stream) {
  TNetArticleDecoder decoder(Stream);
  decoder.Message = this;
  decoder.Decode();
}

void TNetArticle::Clear() {
  TNetCustomMessage::Clear();
  NewsGroups.clear();
  MessageID.clear();
  Path.clear();
}

void TNetArticle::Validate() const {
  if (FSender->Address().empty()) throw EMessageError("The address of sender is required");
  if (NewsGroups.empty()) throw EMessageError("Newsgroup header is required");
  if (FSubject.empty()) throw EMessageError("Subject header is required");
}

// ---- stored forms ----------------------------------------------------------------------------

namespace {

// A stored list property: a list of items, each written and read as a fixed row of values.
template <class List, class ReadItem, class WriteItems>
void DefineItemList(TFiler& Filer, List& list, ReadItem readItem, WriteItems writeItems) {
  Filer.DefineProperty(
      "Items",
      [&list, readItem](TReader& reader) {
        list.Clear();
        reader.ReadListBegin();
        // Bounded by the stream: every round reads one row or ends at the list end.
        while (!reader.EndOfList()) readItem(reader);
        reader.ReadListEnd();
      },
      [writeItems](TWriter& writer) {
        writer.WriteListBegin();
        writeItems(writer);
        writer.WriteListEnd();
      },
      list.Count() > 0);
}

}  // namespace

void TNetAddressList::DefineProperties(TFiler& Filer) {
  DefineItemList(
      Filer, *this,
      [this](TReader& reader) {
        auto address = std::make_unique<TNetMailAddress>();
        address->SetName(reader.ReadString());
        address->SetAddress(reader.ReadString());
        Add(address.release());
      },
      [this](TWriter& writer) {
        for (const auto& item : FItems) {
          writer.WriteString(item->Name());
          writer.WriteString(item->Address());
        }
      });
}

void TNetAttList::DefineProperties(TFiler& Filer) {
  DefineItemList(
      Filer, *this,
      [this](TReader& reader) {
        auto item = std::make_unique<TNetAttItem>();
        item->SetFileName(reader.ReadString());
        item->SetContentType(reader.ReadString());
        const int kind = reader.ReadInteger();
        item->SetKind(kind >= akEmbedded && kind <= akText ? static_cast<BYTE>(kind) : static_cast<BYTE>(akBinary));
        Add(item.release());
      },
      [this](TWriter& writer) {
        for (const auto& item : FItems) {
          writer.WriteString(item->FileName());
          writer.WriteString(item->ContentType());
          writer.WriteInteger(static_cast<int>(item->Kind()));
        }
      });
}

void RegisterMailMessageClasses() {
  static const bool registered = [] {
    RegisterPersistentClass<TNetMailAddress>(
        "TNetMailAddress", "TPersistent",
        {StringProperty<TNetMailAddress>("Name", &TNetMailAddress::Name, &TNetMailAddress::SetName),
         StringProperty<TNetMailAddress>("Address", &TNetMailAddress::Address, &TNetMailAddress::SetAddress)});
    RegisterPersistentClass<TNetAddressList>("TNetAddressList", "TPersistent");
    RegisterPersistentClass<TNetAttList>("TNetAttList", "TPersistent");
    RegisterPersistentClass<TNetCustomMessage>(
        "TNetCustomMessage", "TComponent",
        {ObjectProperty<TNetCustomMessage>("Attachments", [](TNetCustomMessage& m) { return &m.Attachments(); }),
         StringProperty<TNetCustomMessage>(
             "ContentType", [](TNetCustomMessage& m) { return m.ContentType(); },
             [](TNetCustomMessage& m, const std::string& v) { m.SetContentType(v); }),
         EnumProperty<TNetCustomMessage>(
             "Encoding", {"meMIME", "meUU"}, [](TNetCustomMessage& m) { return static_cast<int>(m.Encoding); },
             [](TNetCustomMessage& m, int v) { m.Encoding = v == meUU ? meUU : meMIME; }),
         ObjectProperty<TNetCustomMessage>("Sender", [](TNetCustomMessage& m) { return &m.Sender(); }),
         StringProperty<TNetCustomMessage>("Subject", &TNetCustomMessage::Subject, &TNetCustomMessage::SetSubject),
         EnumProperty<TNetCustomMessage>(
             "CharSet", {"csUSASCII", "csISO8859", "csISO2022jp"},
             [](TNetCustomMessage& m) { return static_cast<int>(m.CharSet); },
             [](TNetCustomMessage& m, int v) { m.CharSet = v >= 0 && v <= 2 ? static_cast<TNetCharSet>(v) : csUSASCII; }),
         ObjectProperty<TNetCustomMessage>("Headers", [](TNetCustomMessage& m) { return &m.Headers(); }),
         ObjectProperty<TNetCustomMessage>("Body", [](TNetCustomMessage& m) { return &m.Body(); })});
    RegisterPersistentClass<TNetMessage>(
        "TNetMessage", "TNetCustomMessage",
        {ObjectProperty<TNetMessage>("Recipients", [](TNetMessage& m) { return &m.Recipients(); }),
         ObjectProperty<TNetMessage>("CC", [](TNetMessage& m) { return &m.CC(); }),
         ObjectProperty<TNetMessage>("BCC", [](TNetMessage& m) { return &m.BCC(); }),
         BoolProperty<TNetMessage>(
             "ReturnReceipt", [](TNetMessage& m) { return m.ReturnReceipt; },
             [](TNetMessage& m, bool v) { m.ReturnReceipt = v; }),
         EnumProperty<TNetMessage>(
             "Priority", {"ptLow", "ptNormal", "ptHigh"}, [](TNetMessage& m) { return static_cast<int>(m.Priority); },
             [](TNetMessage& m, int v) { m.Priority = v >= 0 && v <= 2 ? static_cast<TNetPriority>(v) : ptNormal; },
             std::int64_t{ptNormal})});
    RegisterPersistentClass<TNetArticle>(
        "TNetArticle", "TNetCustomMessage",
        {StringProperty<TNetArticle>(
            "NewsGroups", [](TNetArticle& a) { return a.NewsGroups; },
            [](TNetArticle& a, const std::string& v) { a.NewsGroups = v; })});
    return true;
  }();
  (void)registered;
}
