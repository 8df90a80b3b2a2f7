// Sends one mail, with optional file attachments, over SMTP in a single blocking call.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "server/engine/tcp_client.h"

class TStringList;

// A file to attach: the name the mail shows, its path and its bytes.
struct TMailAttachment {
  std::string Name, Path, Data;
};

// Called for each %NAME% of the body; the handler writes the text that replaces it.
using TBodyEntryEvent = std::function<void(TObject* Sender, const std::string& Name, std::string& Text)>;

class TSmtpSendMail : public TTCPClient {
public:
  explicit TSmtpSendMail(TComponent* AOwner);
  ~TSmtpSendMail() override;

  std::string MailFrom, MailTo, MailCC, MailBCC, MailSubject;
  const TStringList& MailBody() const { return *FMailBody; }
  const TStringList& MailHeader() const { return *FMailHeader; }
  const TStringList& Attachments() const { return *FAttachments; }
  // The setters copy the list.
  void SetMailBody(const TStringList& Value);
  void SetMailHeader(const TStringList& Value);
  void SetAttachments(const TStringList& Value);
  TStringList& MailBodyLines() { return *FMailBody; }
  TStringList& AttachmentLines() { return *FAttachments; }

  TBodyEntryEvent OnBodyEntry;

  // Sends the mail; true when the server took it and answered QUIT.  After a failure the
  // connection is closed and ReplyText says why.
  bool Send(int TimeoutSeconds);

  int ReplyCode() const { return FReplyCode; }
  const std::string& ReplyText() const { return FReplyText; }

  static constexpr const char* Boundary = "64fd12hzzZ146r703k319Ap";

private:
  bool SendSteps();
  bool Fail(const std::string& Reason);
  // Reads one whole reply (continuation lines skipped); its code, or -1.
  int ReadReply();
  bool Command(const std::string& Line, int Expected, int Alternative = -1);
  bool ConnectAndGreet();
  bool SendMessageText(const std::vector<TMailAttachment>& Attachments);
  std::string BodyText();

  std::unique_ptr<TStringList> FMailBody, FMailHeader, FAttachments;
  std::chrono::steady_clock::time_point FDeadline;
  int FReplyCode = -1;
  std::string FReplyText;
  std::string FPending;  // received bytes not yet read as lines
};

// Splits an address list at "," (else ";") into its entries, trimmed and without empty ones.
struct TMailAddress {
  std::string Name, Address;
};
std::vector<TMailAddress> ParseAddressList(const std::string& List);
// "<a>,<b>" for the envelope; "Name <a>,<b>" for the header.
std::string EnvelopeForm(const std::vector<TMailAddress>& List);
std::string HeaderForm(const std::vector<TMailAddress>& List);
// Standard base64 in lines of 60 characters, each with CR LF.
std::string Base64Lines(const std::string& Data);
