// The SMTP client: one message over one connection (greeting, HELO, envelope, data, QUIT).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "net/mail_message.h"
#include "net/net_socket.h"
#include "net/net_streams.h"

using TNetAddressRejectEvent = std::function<void(TObject* Sender, const std::string& TheAddress,
                                                  const std::string& ServerReply, bool& Proceed)>;

class TNetSMTPClient : public TNetClientSocket {
public:
  explicit TNetSMTPClient(TComponent* AOwner = nullptr);
  ~TNetSMTPClient() override;

  TNetMessage* MailMessage() const { return FMailMessage; }
  void SetMailMessage(TNetMessage* Value);

  TNetNotifyEvent OnPreparing;
  TNetNotifyEvent OnSending;
  TNetNotifyEvent OnSent;
  TNetAddressRejectEvent OnAddressRejected;

  // Replaces the sender's address in MAIL FROM when not empty.
  std::string FromAddress;
  // Replaces the message's recipients in RCPT TO when it holds entries.
  TStringList& RecipientList() { return *FRecipientList; }
  // Sent as the message text instead of the encoded message when set (not owned).
  TStream* DataStream = nullptr;
  // The name sent with HELO; the local host name when empty.
  std::string HeloName;
  int RejectedCount() const { return FRejected; }

  void Send();
  void Login();
  void SendMessage();
  void Logout();
  int GetReplyCode(const std::string& Line) override;
  void Connect() override;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  // Without a message, FromAddress and RecipientList must say who sends to whom.
  void CheckEnvelope() const;
  // Sends a command line and reads the whole reply.
  int Command(const std::string& line);
  [[noreturn]] void RaiseServerError() { throw ENetServerError(FLastReply); }
  void SendData(TStream& stream);

  TNetMessage* FMailMessage = nullptr;
  std::unique_ptr<TStringList> FRecipientList = std::make_unique<TStringList>();
  int FRejected = 0;
  std::unique_ptr<TNetTempFileStream> FTempStream;
};
