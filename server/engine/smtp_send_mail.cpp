#include "server/engine/smtp_send_mail.h"

#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "platform/rtl/base64.h"
#include "platform/rtl/path_text.h"
#include "platform/rtl/string_list.h"
#include "platform/rtl/sysutils.h"

namespace {

const char* const kDefaultHeader[] = {
    "From: %MAILFROM%",   "To: %MAILTO%",      "CC: %MAILCC%",
    "BCC: %MAILBCC%",     "Subject: %SUBJECT% ", "Mime-Version: 1.0",
    "Content-Type: text/plain; charset=iso-8859-1"};

bool HasLineBreak(const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; }

// Header values stay on their line: CR and LF become blanks.
std::string OneLine(std::string s) {
  std::replace(s.begin(), s.end(), '\r', ' ');
  std::replace(s.begin(), s.end(), '\n', ' ');
  return s;
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

void ReplaceFirst(std::string& Text, const std::string& Token, const std::string& Value) {
  const std::size_t at = Text.find(Token);
  if (at != std::string::npos) Text.replace(at, Token.size(), Value);
}

// Doubles the dot that begins a line, so that no line of the data can end it early.
std::string DotStuffed(const std::string& Text) {
  std::string out;
  out.reserve(Text.size() + 16);
  bool lineStart = true;
  for (char c : Text) {
    if (lineStart && c == '.') out += '.';
    out += c;
    lineStart = c == '\n';
  }
  return out;
}

// An attachment entry: a path, or a name followed by the path in angle brackets.
bool ReadAttachment(const std::string& Entry, TMailAttachment& Result) {
  const std::string entry = Trim(Entry);
  const std::size_t open = entry.rfind('<');
  if (open != std::string::npos && entry.back() == '>') {
    Result.Path = Trim(entry.substr(open + 1, entry.size() - open - 2));
    Result.Name = Trim(entry.substr(0, open));
  } else {
    Result.Path = entry;
  }
  if (Result.Name.empty()) Result.Name = ExtractFileName(Result.Path);
  Result.Name.erase(std::remove_if(Result.Name.begin(), Result.Name.end(),
                                   [](char c) { return c == '"' || c == '\r' || c == '\n'; }),
                    Result.Name.end());
  std::ifstream in(Result.Path, std::ios::binary);
  if (!in) return false;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  if (in.bad()) return false;
  Result.Data = bytes.str();
  return true;
}

}  // namespace

std::vector<TMailAddress> ParseAddressList(const std::string& List) {
  const char separator = List.find(',') != std::string::npos ? ',' : ';';
  std::vector<TMailAddress> result;
  std::size_t start = 0;
  while (start <= List.size()) {
    std::size_t end = List.find(separator, start);
    if (end == std::string::npos) end = List.size();
    const std::string entry = Trim(List.substr(start, end - start));
    start = end + 1;
    if (entry.empty()) continue;
    TMailAddress item;
    const std::size_t cut = entry.find_last_of(" <");
    std::string address = entry;
    if (cut != std::string::npos && cut > 0) {
      item.Name = Trim(entry.substr(0, cut));
      address = entry.substr(cut);
    }
    address.erase(std::remove_if(address.begin(), address.end(),
                                 [](char c) { return c == '<' || c == '>' || c == ','; }),
                  address.end());
    item.Address = Trim(address);
    if (!item.Address.empty()) result.push_back(item);
  }
  return result;
}

std::string EnvelopeForm(const std::vector<TMailAddress>& List) {
  std::string text;
  for (const auto& item : List) text += (text.empty() ? "<" : ",<") + item.Address + ">";
  return text;
}

std::string HeaderForm(const std::vector<TMailAddress>& List) {
  std::string text;
  for (const auto& item : List) {
    if (!text.empty()) text += ',';
    if (!item.Name.empty()) text += OneLine(item.Name) + ' ';
    text += '<' + item.Address + '>';
  }
  return text;
}

std::string Base64Lines(const std::string& Data) { return Base64EncodeLines(Data, 60, "\r\n"); }

TSmtpSendMail::TSmtpSendMail(TComponent* AOwner)
    : TTCPClient(AOwner),
      FMailBody(std::make_unique<TStringList>()),
      FMailHeader(std::make_unique<TStringList>()),
      FAttachments(std::make_unique<TStringList>()) {
  RemoteHost = "mail";
  RemotePort = "25";
  for (const char* line : kDefaultHeader) FMailHeader->Add(line);
}

TSmtpSendMail::~TSmtpSendMail() = default;

void TSmtpSendMail::SetMailBody(const TStringList& Value) { FMailBody->Assign(&Value); }
void TSmtpSendMail::SetMailHeader(const TStringList& Value) { FMailHeader->Assign(&Value); }
void TSmtpSendMail::SetAttachments(const TStringList& Value) { FAttachments->Assign(&Value); }

bool TSmtpSendMail::Send(int TimeoutSeconds) {
  FDeadline = std::chrono::steady_clock::now() + std::chrono::seconds(TimeoutSeconds);
  FReplyCode = -1;
  FReplyText.clear();
  FPending.clear();
  FPeerClosed = false;
  if (SendSteps()) {
    const bool quit = Command("QUIT", 221);
    Disconnect();
    return quit;
  }
  Disconnect();
  return false;
}

bool TSmtpSendMail::Fail(const std::string& Reason) {
  if (!Reason.empty()) FReplyText = Reason;
  return false;
}

int TSmtpSendMail::ReadReply() {
  FReplyText.clear();
  FLastError = 0;
  FReplyCode = -1;
  for (;;) {
    // Whole lines: "nnn-" lines continue the reply, the line without the dash ends it.
    std::size_t end;
    while ((end = FPending.find("\r\n")) != std::string::npos) {
      const std::string line = FPending.substr(0, end);
      FPending.erase(0, end + 2);
      if (line.size() >= 4 && line[3] == '-') continue;
      FReplyText = line;
      const bool number = line.size() >= 3 && std::all_of(line.begin(), line.begin() + 3, ::isdigit);
      FReplyCode = number ? std::stoi(line.substr(0, 3)) : -1;
      return FReplyCode;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now >= FDeadline || FPeerClosed || FSocket == winsock::INVALID_SOCKET) break;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(FDeadline - now).count();
    WaitForSocket(static_cast<int>(std::min<long long>(left, 100)) + 1);
    FPending += ReceiveText();
  }
  FReplyText = FPeerClosed ? "Connection closed by the mail server" : "SendMessage timeout";
  return -1;
}

bool TSmtpSendMail::Command(const std::string& Line, int Expected, int Alternative) {
  if (!SendText(Line + "\r\n")) return Fail("Send failed: " + ErrorText());
  const int code = ReadReply();
  return code == Expected || (Alternative >= 0 && code == Alternative);
}

bool TSmtpSendMail::ConnectAndGreet() {
  Connect();
  const auto connectLimit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (FState == ssConnecting && std::chrono::steady_clock::now() < std::min(connectLimit, FDeadline))
    WaitForSocket(100);
  if (FState != ssConnected)
    return Fail(FLastError ? "Connect failed: " + ErrorText() : "SendMessage timeout");
  ReadReply();
  char host[257] = {};
  if (::gethostname(host, 256) != 0) return Fail("Local host name unknown");
  if (Command(std::string("HELO ") + host, 250)) return true;
  return Command("HELO", 250);
}

std::string TSmtpSendMail::BodyText() {
  std::string body;
  for (int i = 0; i < FMailBody->Count(); ++i) {
    const std::string line = FMailBody->Strings(i);
    if (!OnBodyEntry) {
      body += line;
    } else {
      // %NAME% without a blank inside is replaced by what the handler writes.
      std::size_t at = 0;
      while (at < line.size()) {
        const std::size_t open = line.find('%', at);
        const std::size_t close = open == std::string::npos ? open : line.find('%', open + 1);
        if (close == std::string::npos) {
          body.append(line, at, std::string::npos);
          break;
        }
        const std::string name = line.substr(open + 1, close - open - 1);
        if (name.empty() || name.find(' ') != std::string::npos) {
          body.append(line, at, close - at);
          at = close;
          continue;
        }
        body.append(line, at, open - at);
        std::string text;
        OnBodyEntry(this, name, text);
        body += text;
        at = close + 1;
      }
    }
    body += "\r\n";
  }
  return DotStuffed(body);
}

bool TSmtpSendMail::SendMessageText(const std::vector<TMailAttachment>& Attachments) {
  const bool multipart = !Attachments.empty();

  std::string header, partHeader;
  for (int i = 0; i < FMailHeader->Count(); ++i) {
    const std::string line = Trim(FMailHeader->Strings(i));
    if (line.empty()) continue;
    // Blind copies go in the envelope only; a copy line without copies is left out.
    if (line.find("%MAILBCC%") != std::string::npos) continue;
    if (line.find("%MAILCC%") != std::string::npos && Trim(MailCC).empty()) continue;
    const std::string upper = Upper(line);
    if (multipart && upper.rfind("CONTENT", 0) == 0) {
      partHeader += line + "\r\n";
      continue;
    }
    if (multipart && upper.rfind("MIME-VERSION", 0) == 0) continue;  // the multipart one follows
    header += line + "\r\n";
  }
  ReplaceFirst(header, "%MAILTO%", HeaderForm(ParseAddressList(MailTo)));
  ReplaceFirst(header, "%MAILCC%", HeaderForm(ParseAddressList(MailCC)));
  ReplaceFirst(header, "%MAILFROM%", HeaderForm(ParseAddressList(MailFrom)));
  ReplaceFirst(header, "%MAILSUBJECT%", OneLine(MailSubject));
  ReplaceFirst(header, "%SUBJECT%", OneLine(MailSubject));
  header = DotStuffed(header);

  std::string text = header;
  const std::string boundary = Boundary;
  if (multipart)
    text += "Mime-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"" + boundary +
            "\"\r\n\r\nThis is a multipart message in MIME format\r\n\r\n--" + boundary + "\r\n" +
            partHeader;
  text += "\r\n" + BodyText();
  for (const TMailAttachment& a : Attachments)
    text += "--" + boundary + "\r\nContent-Type: application/octet-stream; name=\"" + a.Name +
            "\"\r\nContent-Transfer-Encoding: Base64\r\nContent-Disposition: attachment; filename=\"" +
            a.Name + "\"\r\n\r\n" + Base64Lines(a.Data) + "\r\n";
  if (multipart) text += "\r\n--" + boundary + "--\r\n";
  text += "\r\n.\r\n";
  if (!SendText(text)) return Fail("Send failed: " + ErrorText());
  return ReadReply() == 250;
}

bool TSmtpSendMail::SendSteps() {
  for (const std::string* list : {&MailFrom, &MailTo, &MailCC, &MailBCC})
    if (HasLineBreak(*list)) return Fail("Line break in a mail address");
  // Every attachment is read before the dialogue starts: a missing file sends nothing.
  std::vector<TMailAttachment> attachments(FAttachments->Count());
  for (int i = 0; i < FAttachments->Count(); ++i)
    if (!ReadAttachment(FAttachments->Strings(i), attachments[i]))
      return Fail("Cannot read attachment " + attachments[i].Path);
  if (!ConnectAndGreet()) return false;
  if (!Command("MAIL FROM:" + EnvelopeForm(ParseAddressList(MailFrom)), 250)) return false;
  for (const std::string* list : {&MailTo, &MailCC, &MailBCC})
    for (const TMailAddress& to : ParseAddressList(*list))
      if (!Command("RCPT TO:<" + to.Address + ">", 250, 251)) return false;
  if (!Command("DATA", 354)) return false;
  return SendMessageText(attachments);
}
