// The writer that turns a message into Internet mail text.
#pragma once

#include <string>
#include <vector>

#include "net/mail_message.h"
#include "platform/rtl/date_time.h"

class TNetCustomEncoder {
public:
  explicit TNetCustomEncoder(TNetCustomMessage& Message);
  virtual ~TNetCustomEncoder() = default;
  // Writes the whole text into the stream from position 0.
  void SaveToStream(TStream& Stream);
  // The whole text.
  std::string Text();

protected:
  // The header lines of the message kind, up to the subject.
  virtual void WriteKindHeaders() = 0;
  void Line(const std::string& s) { FOut += s; FOut += "\r\n"; }
  // name + " <" + address + ">", the name quoted or encoded as the charset asks.
  std::string FormatAddress(const TNetMailAddress& address) const;
  void WriteExtraHeaders(std::initializer_list<const char*> removed);

  TNetCustomMessage& FMessage;
  // News articles write their subject header with two blanks.
  std::string FSubjectHeader = "Subject: ";

private:
  void WriteBody();
  void WriteTextPart(bool forceQuoted);
  void WriteAttachmentData(TNetAttItem& item);
  void WriteSingleAttachment(TNetAttItem& item);
  void WriteMultipart(const std::string& type);
  std::string BodyText() const;
  void WriteQuotedPrintable(const std::string& data);

  std::string FOut;
  bool FQuotedPrintable = false;
};

class TNetMessageEncoder : public TNetCustomEncoder {
public:
  explicit TNetMessageEncoder(TNetMessage& Message) : TNetCustomEncoder(Message), FMsg(Message) {}

protected:
  void WriteKindHeaders() override;

private:
  void WriteAddressList(const char* header, const TNetAddressList& list);
  TNetMessage& FMsg;
};

class TNetArticleEncoder : public TNetCustomEncoder {
public:
  explicit TNetArticleEncoder(TNetArticle& Article) : TNetCustomEncoder(Article), FArticle(Article) {
    FSubjectHeader = "Subject:  ";
  }

protected:
  void WriteKindHeaders() override;

private:
  TNetArticle& FArticle;
};

// The date of a message as Internet mail writes it: "Wed, 09 Dec 2026 23:00:14 +0100", with the
// English day and month names whatever the format settings say. `bias` is the time zone's
// (UTC = local + bias minutes).
std::string MailDateText(TDateTime local, int bias);
// A new message identifier, unique to this message: "<left@domain>", the domain that of the
// sender's address when it has a usable one, else this host's name.
std::string NewMessageId(const std::string& senderAddress);

// Raises ENetError when an address holds a CR, an LF or a character that would break the
// envelope or header it is written into.
void CheckMailAddress(const std::string& address);
