#include "net/mail_encoder.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <random>

#include "net/mail_coders.h"
#include "net/net_errors.h"
#include "net/net_pump.h"
#include "net/net_text.h"

namespace {

constexpr char kQ = '"';

std::string Pad10(const std::string& s) { return s.size() >= 10 ? s : s + std::string(10 - s.size(), ' '); }

std::string BaseName(const std::string& name) {
  const auto slash = name.find_last_of("/\\");
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

// Eight digits 0 to 8, as the readers of our mail expect.
std::string NewBoundary() {
  thread_local std::mt19937 random{std::random_device{}()};
  std::uniform_int_distribution<int> digit(0, 8);
  std::string b;
  for (int i = 0; i < 8; ++i) b += static_cast<char>('0' + digit(random));
  NetPumpMessages();
  return b;
}

const char* CodingName(BYTE kind) {
  switch (kind) {
    case akEmbedded: return "7 bit";
    case akBinary: return "Base64";
    default: return "Quoted-Printable";
  }
}

bool IsBodyFile(const TNetAttItem& item) {
  return item.FileName() == "_htmbody.htm" || item.FileName() == "_rtfbody.rtf";
}

bool IsAlternativeName(const std::string& name) { return LowerCaseAscii(BaseName(name)).rfind("_alt.", 0) == 0; }

bool HasHighBytes(const std::string& s) {
  for (unsigned char c : s)
    if (c >= 128) return true;
  return false;
}

// Text whose bytes beyond ASCII all form well-made UTF-8 sequences (the program's own text).
bool IsUtf8Text(const std::string& s) {
  for (std::size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    const int more = c < 0x80                             ? 0
                     : (c & 0xE0) == 0xC0 && c >= 0xC2       ? 1
                     : (c & 0xF0) == 0xE0                    ? 2
                     : (c & 0xF8) == 0xF0 && c <= 0xF4       ? 3
                                                             : -1;
    if (more < 0 || i + more >= s.size()) return false;
    for (int k = 1; k <= more; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    i += 1 + more;
  }
  return true;
}

// The charset a body of text is declared in: a body beyond ASCII that is UTF-8 is declared as
// such, whatever the message's charset says, so that every reader decodes it as written.
const char* BodyCharset(TNetCharSet charset, const std::string& body) {
  if (charset != csISO2022jp && HasHighBytes(body) && IsUtf8Text(body)) return "utf-8";
  return charset == csISO8859 ? "iso-8859-1" : charset == csISO2022jp ? "iso-2022-jp" : "us-ascii";
}

// A domain name of letters, digits, "-" and ".", as the right side of a message identifier.
bool IsDomainName(const std::string& s) {
  if (s.empty() || s.size() > 253 || s.front() == '.' || s.back() == '.' || s.find("..") != std::string::npos) return false;
  for (unsigned char c : s)
    if (!std::isalnum(c) && c != '-' && c != '.') return false;
  return true;
}

}  // namespace

std::string MailDateText(TDateTime local, int bias) {
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  WORD year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, ms = 0;
  DecodeDate(local, year, month, day);
  DecodeTime(local, hour, minute, second, ms);
  const int offset = -bias;  // minutes east of UTC
  const int a = offset < 0 ? -offset : offset;
  char text[64];
  std::snprintf(text, sizeof text, "%s, %02u %s %04u %02u:%02u:%02u %c%02d%02d", kDays[DayOfWeek(local) - 1], day,
                kMonths[(month + 11) % 12], year, hour, minute, second, offset < 0 ? '-' : '+', a / 60, a % 60);
  return text;
}

std::string NewMessageId(const std::string& senderAddress) {
  static std::atomic<unsigned> counter{0};
  thread_local std::mt19937_64 random{std::random_device{}()};
  std::string domain;
  const auto at = senderAddress.rfind('@');
  if (at != std::string::npos) domain = senderAddress.substr(at + 1);
  if (!IsDomainName(domain)) {
    char host[256] = {};
    domain = ::gethostname(host, sizeof host - 1) == 0 ? host : "";
    if (!IsDomainName(domain)) domain = "localhost";
  }
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  char left[96];
  std::snprintf(left, sizeof left, "%llx.%x.%x.%016llx",
                static_cast<unsigned long long>(std::chrono::duration_cast<std::chrono::microseconds>(now).count()),
                static_cast<unsigned>(::getpid()), counter.fetch_add(1), static_cast<unsigned long long>(random()));
  return "<" + std::string(left) + "@" + domain + ">";
}

void CheckMailAddress(const std::string& address) {
  for (unsigned char c : address)
    if (c < 32 || c == 127) throw ENetError("Invalid character in the mail address " + OneLine(address));
}

TNetCustomEncoder::TNetCustomEncoder(TNetCustomMessage& Message) : FMessage(Message) {
  const TStringList& body = Message.Body();
  for (int i = 0; i < body.Count(); ++i)
    if (body.Strings(i).size() >= 256) FQuotedPrintable = true;
}

std::string TNetCustomEncoder::FormatAddress(const TNetMailAddress& address) const {
  CheckMailAddress(address.Address());
  std::string name = OneLine(address.Name());
  if (FMessage.Encoding == meMIME && (FMessage.CharSet == csISO2022jp || HasHighBytes(name))) {
    name = EncodeHeaderWord(name);
  } else if (name.find('.') != std::string::npos && name.find('"') == std::string::npos) {
    name = kQ + name + kQ;
  }
  return name + " <" + address.Address() + ">";
}

void TNetCustomEncoder::WriteExtraHeaders(std::initializer_list<const char*> removed) {
  TNetHeaders& headers = FMessage.Headers();
  for (const char* field : removed) {
    // Every copy of the field goes, not only the first.
    for (int before = headers.Count() + 1; headers.Count() < before;) {
      before = headers.Count();
      headers.RemoveField(field);
    }
  }
  for (int i = 0; i < headers.Count(); ++i) {
    std::string line = headers.Strings(i);
    if (line.find_first_of("\r\n") != std::string::npos) line = OneLine(line);
    Line(line);
  }
}

std::string TNetCustomEncoder::BodyText() const {
  std::string text;
  const TStringList& body = FMessage.Body();
  for (int i = 0; i < body.Count(); ++i) text += body.Strings(i) + "\r\n";
  return text;
}

void TNetCustomEncoder::WriteQuotedPrintable(const std::string& data) {
  for (const std::string& line : TQuotedPrintable::EncodeText(data)) Line(line);
  NetPumpMessages();
}

void TNetCustomEncoder::WriteTextPart(bool forceQuoted) {
  const std::string text = BodyText();
  const char* charset = BodyCharset(FMessage.CharSet, text);
  // Bytes beyond ASCII never go out as 7 bit.
  const bool quoted = FMessage.CharSet == csISO8859 || forceQuoted || FQuotedPrintable ||
                      (FMessage.CharSet != csISO2022jp && HasHighBytes(text));
  Line(std::string("Content-Type: text/plain; charset=") + kQ + charset + kQ);
  Line(quoted ? "Content-Transfer-Encoding: quoted-printable" : "Content-Transfer-Encoding: 7bit");
  Line("");
  if (quoted) {
    WriteQuotedPrintable(text);
  } else {
    const TStringList& body = FMessage.Body();
    for (int i = 0; i < body.Count(); ++i) Line(body.Strings(i));
  }
}

void TNetCustomEncoder::WriteAttachmentData(TNetAttItem& item) {
  TMemoryStream& data = item.Data();
  const std::string bytes = ReadWholeStream(data);
  data.SetPosition(0);
  switch (item.Kind()) {
    case akBinary: {
      std::size_t pos = 0;
      for (;;) {
        const std::string block = bytes.substr(pos, 57);
        Line(EncodeBase64Data(block));
        pos += block.size();
        if (block.size() < 57) break;
      }
      break;
    }
    case akText:
      WriteQuotedPrintable(bytes);
      break;
    default: {
      // Text lines written as they stand.
      std::size_t start = 0;
      while (start < bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string::npos) end = bytes.size();
        Line(bytes.substr(start, end - start));
        start = end;
        if (start < bytes.size() && bytes[start] == '\r') ++start;
        if (start < bytes.size() && bytes[start] == '\n') ++start;
      }
      break;
    }
  }
}

void TNetCustomEncoder::WriteSingleAttachment(TNetAttItem& item) {
  const std::string name = OneLine(BaseName(item.FileName()));
  if (item.FileName() == "_htmbody.htm")
    Line("Content-Type: text/html");
  else if (item.FileName() == "_rtfbody.rtf")
    Line("Content-Type: text/rtf");
  else
    Line("Content-Type: " + OneLine(item.ContentType()) + "; name=" + kQ + name + kQ);
  Line(std::string("Content-Transfer-Encoding: ") + CodingName(item.Kind()));
  if (!IsBodyFile(item)) Line(std::string("Content-Disposition: attachment; filename=") + kQ + name + kQ);
  Line("");
  WriteAttachmentData(item);
}

void TNetCustomEncoder::WriteMultipart(const std::string& type) {
  const bool mixed = type == "multipart/mixed";
  const std::string outer = NewBoundary();
  std::string boundary = outer;
  Line("Content-Type: " + type + "; boundary=" + kQ + outer + kQ);
  Line("");
  Line("This is a multipart message in MIME format");
  Line("");
  Line("--" + outer);
  TNetAttList& atts = FMessage.Attachments();
  bool nested = false;
  if (mixed && atts.Count() > 0 && IsAlternativeName(atts.Items(0)->FileName())) {
    std::string inner = NewBoundary();
    while (inner == outer) inner = NewBoundary();
    Line(std::string("Content-Type:  multipart/alternative; boundary=") + kQ + inner + kQ);
    Line("Content-Transfer-Encoding: 7bit");
    Line("");
    Line("--" + inner);
    boundary = inner;
    nested = true;
  }
  if (FMessage.Body().Count() > 0) {
    WriteTextPart(false);
    Line("");
    Line("--" + boundary);
  }
  bool bodyFiles = false;
  for (int i = 0; i < atts.Count(); ++i) bodyFiles = bodyFiles || IsBodyFile(*atts.Items(i));
  for (int i = 0; i < atts.Count(); ++i) {
    TNetAttItem& item = *atts.Items(i);
    // The empty line after the previous part's data is the delimiter's own line end.
    if (i > 0) Line("--" + boundary);
    const std::string name = OneLine(BaseName(item.FileName()));
    std::string contentType = "Content-Type: " + OneLine(item.ContentType());
    if (mixed && !name.empty()) contentType += std::string("; name=") + kQ + name + kQ;
    Line(contentType);
    Line(std::string("Content-Transfer-Encoding: ") + CodingName(item.Kind()));
    if (mixed && !nested && !bodyFiles)
      Line(std::string("Content-Disposition: attachment; filename=") + kQ + name + kQ);
    Line("");
    WriteAttachmentData(item);
    Line("");
    if (nested) {
      const bool nextAlternative = i + 1 < atts.Count() && IsAlternativeName(atts.Items(i + 1)->FileName());
      if (!nextAlternative) {
        Line("--" + boundary + "--");
        boundary = outer;
        nested = false;
      }
    }
  }
  Line("--" + boundary + "--");
}

void TNetCustomEncoder::WriteBody() {
  TNetAttList& atts = FMessage.Attachments();
  if (FMessage.Encoding == meUU) {
    Line("");
    const TStringList& body = FMessage.Body();
    for (int i = 0; i < body.Count(); ++i) Line(body.Strings(i));
    for (int i = 0; i < atts.Count(); ++i) {
      TNetAttItem& item = *atts.Items(i);
      Line("");
      Line("begin 600 " + OneLine(BaseName(item.FileName())));
      const std::string bytes = ReadWholeStream(item.Data());
      item.Data().SetPosition(0);
      std::size_t pos = 0;
      for (;;) {
        const std::string block = bytes.substr(pos, 45);
        Line(UuEncodeLine(block));
        pos += block.size();
        if (block.size() < 45) break;
      }
      Line("`");
      Line("end");
    }
    return;
  }
  const std::string type = FMessage.ContentType();
  const std::string lower = LowerCaseAscii(type);
  if (lower.rfind("multipart/", 0) == 0) {
    WriteMultipart(lower);
  } else if (atts.Count() == 0 && (lower == "text/html" || lower == "text/rtf")) {
    std::string header = "Content-Type: " + lower;
    const std::string text = BodyText();
    const std::string charset = BodyCharset(FMessage.CharSet, text);
    if (charset == "utf-8" || FMessage.CharSet != csUSASCII) header += std::string("; charset=") + kQ + (charset == "utf-8" ? charset : "iso-8859-1") + kQ;
    Line(header);
    Line("Content-Transfer-Encoding: quoted-printable");
    Line("");
    WriteQuotedPrintable(text);
  } else if (atts.Count() == 0) {
    WriteTextPart(false);
  } else {
    WriteSingleAttachment(*atts.Items(0));
  }
}

void TNetCustomEncoder::SaveToStream(TStream& Stream) {
  const std::string text = Text();
  Stream.SetPosition(0);
  Stream.SetSize(0);
  if (!text.empty()) Stream.WriteBuffer(text.data(), static_cast<long>(text.size()));
}

std::string TNetCustomEncoder::Text() {
  FOut.clear();
  WriteKindHeaders();
  if (!FMessage.Subject().empty()) {
    std::string subject = OneLine(FMessage.Subject());
    if (FMessage.Encoding == meMIME && (FMessage.CharSet == csISO2022jp || HasHighBytes(subject)))
      subject = EncodeHeaderWord(subject);
    Line(FSubjectHeader + subject);
  }
  if (FMessage.Encoding == meMIME) Line("Mime-Version: 1.0");
  WriteBody();
  return FOut;
}

void TNetMessageEncoder::WriteAddressList(const char* header, const TNetAddressList& list) {
  for (int i = 0; i < list.Count(); ++i) {
    std::string line = (i == 0 ? Pad10(header) : std::string(10, ' ')) + FormatAddress(*list.Items(i));
    if (i + 1 < list.Count()) line += ",";
    Line(line);
  }
}

void TNetMessageEncoder::WriteKindHeaders() {
  Line(Pad10("From:") + FormatAddress(FMsg.Sender()));
  WriteAddressList("To:", FMsg.Recipients());
  WriteAddressList("CC:", FMsg.CC());
  for (int i = 0; i < FMsg.BCC().Count(); ++i) CheckMailAddress(FMsg.BCC().Items(i)->Address());
  if (FMsg.ReturnReceipt) Line("Return-Receipt-To: <" + FMsg.Sender().Address() + ">");
  if (FMsg.Priority == ptLow) Line("X-Priority: 5");
  if (FMsg.Priority == ptHigh) Line("X-Priority: 1");
  // Every message is dated when it is written and named anew.
  const TDateTime now = Now();
  Line("Date: " + MailDateText(now, LocalTimeZoneBiasAt(now)));
  Line("Message-ID: " + NewMessageId(FMsg.Sender().Address()));
  WriteExtraHeaders({"From", "To", "CC", "BCC", "Return-Receipt-To", "X-Priority", "Date", "Message-ID", "Subject",
                     "Mime-Version", "Content-Type", "X-Encoding", "Content-Transfer-Encoding"});
}

void TNetArticleEncoder::WriteKindHeaders() {
  Line("From: " + FormatAddress(FArticle.Sender()));
  Line("Newsgroups: " + OneLine(FArticle.NewsGroups));
  WriteExtraHeaders({"From", "Newsgroups", "Subject", "Mime-Version", "Content-Type", "X-Encoding",
                     "Content-Transfer-Encoding"});
}
