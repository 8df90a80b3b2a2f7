#include "net/smtp_client.h"

#include "net/mail_encoder.h"
#include "net/net_text.h"

TNetSMTPClient::TNetSMTPClient(TComponent* AOwner) : TNetClientSocket(AOwner) {
  FDefaultPort = 25;
  FPort = 25;
}

TNetSMTPClient::~TNetSMTPClient() { SetMailMessage(nullptr); }

void TNetSMTPClient::SetMailMessage(TNetMessage* Value) {
  if (FMailMessage == Value) return;
  if (FMailMessage) FMailMessage->RemoveFreeNotification(this);
  FMailMessage = Value;
  if (FMailMessage) FMailMessage->FreeNotification(this);
}

void TNetSMTPClient::Notification(TComponent* AComponent, TOperation Operation) {
  TNetClientSocket::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FMailMessage) FMailMessage = nullptr;
}

int TNetSMTPClient::GetReplyCode(const std::string& Line) {
  std::int64_t code = 0;
  if (Line.size() < 3 || !ParseDecimalNumber(Line.substr(0, 3), code)) return -1;
  return static_cast<int>(code);
}

void TNetSMTPClient::Connect() {
  if (FHost.empty()) throw ENetError("Host property must be assigned");
  TNetClientSocket::Connect();
}

int TNetSMTPClient::Command(const std::string& line) {
  SendLine(line);
  return ReadFullReply();
}

void TNetSMTPClient::Login() {
  Connect();
  if (ReadFullReply() != 220) RaiseServerError();
  const std::string name = HeloName.empty() ? NetWinsock().LocalHostName() : OneLine(HeloName);
  if (Command("HELO " + name) != 250) {
    const int code = Command("HELO");
    if (code < 200 || code > 300) RaiseServerError();
  }
}

void TNetSMTPClient::SendData(TStream& stream) {
  // Transparency: a line that begins with "." gets one more, which the server takes away.
  const std::string text = ReadWholeStream(stream);
  std::string stuffed;
  stuffed.reserve(text.size() + text.size() / 64 + 16);
  bool lineStart = true;
  for (char c : text) {
    if (lineStart && c == '.') stuffed += '.';
    stuffed += c;
    lineStart = c == '\n';
  }
  TStringStream data(std::move(stuffed));
  SendStream(data, 0);
}

void TNetSMTPClient::CheckEnvelope() const {
  if (FMailMessage) return;
  if (FromAddress.empty()) throw EMessageError("The address of sender is required");
  if (FRecipientList->Count() == 0) throw EMessageError("At least one Recipient, CC or BCC must be entered");
}

void TNetSMTPClient::SendMessage() {
  CheckEnvelope();
  FTempStream = std::make_unique<TNetTempFileStream>();
  struct TDropTemp {
    std::unique_ptr<TNetTempFileStream>& Stream;
    ~TDropTemp() { Stream.reset(); }
  } dropTemp{FTempStream};
  if (FMailMessage) {
    if (OnPreparing) OnPreparing(this);
    FMailMessage->SaveToStream(*FTempStream);
  }
  if (OnSending) OnSending(this);
  FRejected = 0;
  const std::string from = !FromAddress.empty() ? FromAddress : FMailMessage->Sender().Address();
  CheckMailAddress(from);
  if (Command("MAIL FROM:<" + from + ">") != 250) RaiseServerError();

  std::vector<std::string> recipients;
  if (FRecipientList->Count() > 0) {
    for (int i = 0; i < FRecipientList->Count(); ++i) recipients.push_back(FRecipientList->Strings(i));
  } else {
    for (const TNetAddressList* list : {&FMailMessage->Recipients(), &FMailMessage->CC(), &FMailMessage->BCC()})
      for (int i = 0; i < list->Count(); ++i) recipients.push_back(list->Items(i)->Address());
  }
  for (const std::string& address : recipients) {
    CheckMailAddress(address);
    const int code = Command("RCPT TO:<" + address + ">");
    if (code == 250 || code == 251) continue;
    ++FRejected;
    bool proceed = false;
    if (OnAddressRejected) OnAddressRejected(this, address, FLastReply, proceed);
    if (!proceed) RaiseServerError();
  }
  if (static_cast<int>(recipients.size()) > FRejected) {
    if (Command("DATA") != 354) RaiseServerError();
    SendData(DataStream ? *DataStream : static_cast<TStream&>(*FTempStream));
    SendLine("");
    if (Command(".") != 250) RaiseServerError();
    if (OnSent) OnSent(this);
  }
}

void TNetSMTPClient::Logout() {
  if (Command("QUIT") != 221) RaiseServerError();
  Disconnect();
}

void TNetSMTPClient::Send() {
  if (FHost.empty()) throw ENetError("Host property must be assigned");
  CheckEnvelope();  // before any connection is made
  try {
    Login();
    try {
      SendMessage();
    } catch (const ENetServerError&) {
      // Say goodbye before the error goes on; a failing QUIT changes nothing.
      try {
        Logout();
      } catch (const Exception&) {
      }
      throw;
    }
    Logout();
  } catch (...) {
    Disconnect();
    throw;
  }
}
