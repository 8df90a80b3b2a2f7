#include "net/mail_decoder.h"

#include "net/mail_coders.h"
#include "net/net_errors.h"
#include "net/net_pump.h"
#include "net/net_text.h"

namespace {

const std::string kFourBytes(4, static_cast<char>(0xFF));

std::string Short(const std::string& s) { return s.size() > 255 ? s.substr(0, 255) : s; }

bool Contains(const std::string& s, const char* part) { return s.find(part) != std::string::npos; }

bool StartsWith(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

// The line end before a delimiter line belongs to the delimiter: a part's last empty line is not
// part of its content.
void DropDelimiterLineEnd(std::vector<std::string>& lines, bool endedAtDelimiter) {
  if (endedAtDelimiter && !lines.empty() && lines.back().empty()) lines.pop_back();
}

// The attachment kind of a transfer encoding; "x-uue..." is binary too, and uuencoded.
BYTE KindOfEncoding(const std::string& encoding, bool& uuencoded) {
  const std::string e = LowerCaseAscii(encoding);
  uuencoded = e.rfind("x-uue", 0) == 0;
  if (e == "base64" || uuencoded) return akBinary;
  if (e == "quoted-printable") return akText;
  return akEmbedded;
}

// One line of base64 or uuencoded data; empty lines and the uuencode frame lines add nothing.
void AppendBinaryLine(TMemoryStream& data, const std::string& line, bool uuencoded) {
  if (line.empty()) return;
  std::string bytes;
  if (uuencoded) {
    if (IsUUBeginLine(line) || line == "`" || line == "end") return;
    bytes = UuDecodeLine(line);
  } else {
    bytes = DecodeBase64(line);
  }
  if (!bytes.empty()) data.WriteBuffer(bytes.data(), static_cast<long>(bytes.size()));
}

}  // namespace

TNetCustomDecoder::TNetCustomDecoder(TStream& Stream) {
  Lines->LoadFromStream(Stream);
  Lines->Reset();
}

bool TNetCustomDecoder::ReadLine(std::string& line) {
  Lines->ReadLine(line);
  return !Lines->EndOfData();
}

std::string TNetCustomDecoder::PartFileName(const std::string& raw) { return SafeAttachmentName(raw); }

std::string TNetCustomDecoder::NewName(const char* prefix) const {
  return prefix + std::to_string(Message->Attachments().Count());
}

void TNetCustomDecoder::ReadHeaderBlock(TNetHeaders& list) {
  list.Clear();
  std::string line;
  for (;;) {
    const bool more = ReadLine(line);
    if (!more || line.empty() || line == kFourBytes) break;
    list.Add(line);
  }
  if (line == kFourBytes && !Lines->EndOfData()) throw EMessageParserError("Unable to retrieve headers");
}

void TNetCustomDecoder::LoadBody(const std::string& data) {
  Message->Body().Clear();
  Message->Body().SetText(data);
}

void TNetCustomDecoder::Decode() {
  ReadHeaderBlock(*MessageHeaders);
  ReadKindHeaders();
  try {
    if (Contains(MessageHeaders->GetFieldBody("MIME-VERSION"), "1.0"))
      MimeDispatch();
    else
      ReadPlain();
  } catch (const EMessageParserError& e) {
    Fallback(e.Message());
  }
  TStringList& body = Message->Body();
  if (body.Count() > 0 && body.Strings(body.Count() - 1) == ".") body.Delete(body.Count() - 1);
}

void TNetCustomDecoder::Fallback(const std::string& message) {
  TStringList& body = Message->Body();
  body.Add("The following error has been occured while processing the message:");
  body.Add(message);
  body.Add("The original message will be stored as an attachment");
  auto item = std::make_unique<TNetAttItem>();
  item->SetFileName("original.eml");
  item->SetKind(akEmbedded);
  item->SetContentType("message/rfc822");
  item->Data().WriteBuffer(Lines->Memory(), static_cast<long>(Lines->Size()));
  item->Data().SetPosition(0);
  Message->Attachments().Add(item.release());
}

void TNetCustomDecoder::MimeDispatch() {
  if (MessageHeaders->GetFieldBody("X-Mailer") == "V Mailsystem R #0001") MessageHeaders->RemoveField("Content-Type");
  const std::string t = MessageHeaders->GetFieldBody("Content-Type");
  const std::string lower = LowerCaseAscii(t);
  if (Contains(lower, "multipart/alternative")) {
    AlternativeMessage = true;
    MultipartWalk();
  } else if (Contains(lower, "multipart")) {
    MultipartWalk();
  } else if (!t.empty() && !Contains(lower, "text/")) {
    ReadAttachmentMessage();
  } else if (const std::string name = GetHeaderParameter(t, "name"); !name.empty() && name != "cc:Mail") {
    ReadAttachmentMessage();
  } else {
    ReadTextMessage();
  }
}

void TNetCustomDecoder::MultipartWalk() {
  Boundary = "--" + GetHeaderParameter(MessageHeaders->GetFieldBody("Content-Type"), "Boundary");
  std::string line;
  for (;;) {
    if (!ReadLine(line)) throw EMessageParserError("Cannot find boundary");
    if (line == Boundary) break;
  }
  bool usePartHeaders = false;
  bool ended = false;
  ReadFirstPart(usePartHeaders, ended);
  if (!ended) ReadFurtherParts(usePartHeaders);
}

void TNetCustomDecoder::ReadFirstPart(bool& usePartHeaders, bool& ended) {
  ReadHeaderBlock(*PartHeaders);
  std::string p = PartHeaders->GetFieldBody("Content-Type");
  if (LowerCaseAscii(GetHeaderParameter(p, "CharSet")) == "iso-2022-jp") Message->CharSet = csISO2022jp;
  if (Contains(LowerCaseAscii(p), "multipart/alternative")) {
    InAlternative = true;
    OuterBoundary = Boundary;
    Boundary = "--" + GetHeaderParameter(p, "boundary");
    std::string line;
    for (;;) {
      if (!ReadLine(line)) throw EMessageParserError("Cannot find boundary");
      if (line == Boundary) break;
    }
    ReadHeaderBlock(*PartHeaders);
    p = PartHeaders->GetFieldBody("Content-Type");
  }
  const std::string e = LowerCaseAscii(PartHeaders->GetFieldBody("Content-Transfer-Encoding"));
  if (e == "base64" && Message->CharSet != csISO2022jp) {
    usePartHeaders = true;
    return;
  }
  TStringList& body = Message->Body();
  body.Clear();
  if (e == "quoted-printable") Message->CharSet = csISO8859;
  std::string line;
  bool more = true;
  if (e != "base64") {
    std::vector<std::string> lines;
    for (;;) {
      more = ReadLine(line);
      if (!more || line == Boundary || line == Boundary + "--") break;
      lines.push_back(line);
    }
    DropDelimiterLineEnd(lines, more);
    if (e == "quoted-printable") {
      LoadBody(TQuotedPrintable::DecodeLines(lines));
    } else {
      for (const std::string& l : lines) body.Add(l);
    }
    if (body.Count() == 0) body.Add("");
  } else {
    std::string data;
    for (;;) {
      more = ReadLine(line);
      if (!more || StartsWith(line, Boundary)) break;
      if (!line.empty()) data += DecodeBase64(line);
    }
    LoadBody(data);
  }
  if (more && line == Boundary + "--") {
    Message->SetContentType(FirstWord(p));
    while (ReadLine(line)) {
    }
    ended = true;
    return;
  }
  if (!more) throw EMessageParserError("Cannot find boundary");
}

void TNetCustomDecoder::ReadFurtherParts(bool usePartHeaders) {
  std::string line;
  // Bounded by the text itself: every round reads at least the part's header block.
  while (!Lines->EndOfData()) {
    NetPumpMessages();
    if (!usePartHeaders) ReadHeaderBlock(*PartHeaders);
    usePartHeaders = false;
    if (Lines->EndOfData()) break;
    auto item = std::make_unique<TNetAttItem>();
    std::string p = Short(PartHeaders->GetFieldBody("Content-Type"));
    if (p.empty()) p = "text/plain";
    item->SetContentType(FirstWord(p));
    item->SetFileName(PartFileName(GetHeaderParameter(p, "name")));
    bool uuencoded = false;
    const BYTE kind = KindOfEncoding(PartHeaders->GetFieldBody("Content-Transfer-Encoding"), uuencoded);
    if (item->FileName().empty()) {
      const std::string type = item->ContentType();
      item->SetFileName(PartFileName(GetHeaderParameter(PartHeaders->GetFieldBody("Content-Disposition"), "filename")));
      if (item->FileName().empty()) {
        item->SetFileName(NewName(InAlternative || AlternativeMessage ? "_alt." : "att."));
        item->SetContentType(type);
      }
    }
    item->SetKind(kind);
    std::vector<std::string> lines;
    bool more = true;
    for (;;) {
      more = ReadLine(line);
      if (!more || StartsWith(line, Boundary)) break;
      lines.push_back(line);
    }
    DropDelimiterLineEnd(lines, more);
    TMemoryStream& data = item->Data();
    if (kind == akBinary) {
      for (const std::string& l : lines) AppendBinaryLine(data, l, uuencoded);
    } else if (kind == akText) {
      const std::string bytes = TQuotedPrintable::DecodeLines(lines);
      if (!bytes.empty()) data.WriteBuffer(bytes.data(), static_cast<long>(bytes.size()));
    } else {
      for (const std::string& l : lines) {
        const std::string text = l + "\r\n";
        data.WriteBuffer(text.data(), static_cast<long>(text.size()));
      }
    }
    data.SetPosition(0);
    Message->Attachments().Add(item.release());
    const bool done = !more || line == Boundary + "--";
    if (!done) continue;
    if (!InAlternative || !more) break;
    InAlternative = false;
    Boundary = OuterBoundary;
    for (;;) {
      if (!ReadLine(line)) throw EMessageParserError("Cannot find closing boundary");
      if (StartsWith(line, Boundary)) break;
    }
    if (line == Boundary + "--") break;
  }
}

void TNetCustomDecoder::ReadAttachmentMessage() {
  auto item = std::make_unique<TNetAttItem>();
  const std::string t = MessageHeaders->GetFieldBody("Content-Type");
  item->SetContentType(FirstWord(t));
  item->SetFileName(PartFileName(GetHeaderParameter(t, "name")));
  item->SetContentType(FirstWord(t));
  bool uuencoded = false;
  const BYTE kind = KindOfEncoding(MessageHeaders->GetFieldBody("Content-Transfer-Encoding"), uuencoded);
  if (item->FileName().empty()) {
    item->SetFileName(PartFileName(GetHeaderParameter(MessageHeaders->GetFieldBody("Content-Disposition"), "filename")));
    if (item->FileName().empty()) item->SetFileName(NewName("att."));
    item->SetContentType(FirstWord(t));
  }
  item->SetKind(kind);
  TMemoryStream& data = item->Data();
  std::string line;
  if (kind == akBinary) {
    while (ReadLine(line) && line != ".") AppendBinaryLine(data, line, uuencoded);
  } else {
    std::vector<std::string> lines;
    while (ReadLine(line)) lines.push_back(line);
    std::string bytes;
    if (kind == akText) {
      bytes = TQuotedPrintable::DecodeLines(lines);
    } else {
      for (const std::string& l : lines) bytes += l + "\r\n";
    }
    if (!bytes.empty()) data.WriteBuffer(bytes.data(), static_cast<long>(bytes.size()));
  }
  data.SetPosition(0);
  Message->Attachments().Add(item.release());
}

void TNetCustomDecoder::ReadTextMessage() {
  const std::string t = MessageHeaders->GetFieldBody("Content-Type");
  const std::string first = LowerCaseAscii(FirstWord(t));
  if (first == "text/html") Message->SetContentType("text/html");
  if (first == "text/rtf") Message->SetContentType("text/rtf");
  Message->Body().Clear();
  const std::string e = LowerCaseAscii(MessageHeaders->GetFieldBody("Content-Transfer-Encoding"));
  const bool quoted = e == "quoted-printable" || Contains(MessageHeaders->GetFieldBody("X-MIME-Autoconverted"), "quoted-printable");
  const bool base64 = e == "base64";
  if (LowerCaseAscii(GetHeaderParameter(t, "CharSet")) == "iso-2022-jp") Message->CharSet = csISO2022jp;
  if (quoted) Message->CharSet = csISO8859;
  std::string line;
  if (!base64) {
    std::vector<std::string> lines;
    while (ReadLine(line)) {
      if (IsUUBeginLine(line)) {
        // A uuencoded message inside a text one: read it again as such.
        Lines->Reset();
        Message->Body().Clear();
        MessageHeaders->Clear();
        ReadHeaderBlock(*MessageHeaders);
        ClearKindHeaders();
        ReadKindHeaders();
        ReadPlain();
        return;
      }
      lines.push_back(line);
    }
    if (quoted) {
      LoadBody(TQuotedPrintable::DecodeLines(lines));
    } else {
      for (const std::string& l : lines) Message->Body().Add(l);
    }
  } else {
    std::string data;
    while (ReadLine(line))
      if (!line.empty()) data += DecodeBase64(line);
    LoadBody(data);
  }
}

void TNetCustomDecoder::ReadPlain() {
  std::string line;
  TStringList& body = Message->Body();
  bool more = false;
  while ((more = ReadLine(line))) {
    if (IsUUBeginLine(line)) break;
    body.Add(line);
  }
  if (!more) return;
  // The writer puts one empty line before each block.
  if (body.Count() > 0 && body.Strings(body.Count() - 1).empty()) body.Delete(body.Count() - 1);
  Message->Encoding = meUU;
  while (more) {
    auto item = std::make_unique<TNetAttItem>();
    std::string name = PartFileName(GetUUFileName(line));
    item->SetFileName(name.empty() ? NewName("att.") : name);
    item->SetKind(akBinary);
    TMemoryStream& data = item->Data();
    while ((more = ReadLine(line))) {
      if (line == "`" || UpperCaseAscii(line) == "END") break;
      if (line.empty()) continue;
      const std::string bytes = UuDecodeLine(line);
      if (!bytes.empty()) data.WriteBuffer(bytes.data(), static_cast<long>(bytes.size()));
    }
    data.SetPosition(0);
    Message->Attachments().Add(item.release());
    while (more && (more = ReadLine(line)))
      if (IsUUBeginLine(line)) break;
  }
}

void TNetMessageDecoder::ReadKindHeaders() {
  auto* message = dynamic_cast<TNetMessage*>(Message);
  if (!message) throw EInvalidCast("Invalid class typecast");
  message->ReadHeaders(*MessageHeaders);
}

void TNetMessageDecoder::ClearKindHeaders() {
  // The addresses of the first reading would otherwise be held twice.
  if (auto* message = dynamic_cast<TNetMessage*>(Message)) {
    message->Recipients().Clear();
    message->CC().Clear();
    message->BCC().Clear();
  }
}

void TNetArticleDecoder::ReadKindHeaders() {
  auto* article = dynamic_cast<TNetArticle*>(Message);
  if (!article) throw EInvalidCast("Invalid class typecast");
  article->ReadHeaders(*MessageHeaders);
}
