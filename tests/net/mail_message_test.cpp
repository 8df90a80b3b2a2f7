#include "net/mail_message.h"

#include <gtest/gtest.h>

#include "net/mail_coders.h"
#include "net/mail_encoder.h"
#include "net/net_streams.h"
#include "net/net_errors.h"
#include "net_test_support.h"
#include "platform/rtl/date_time.h"
#include "platform/rtl/format_settings.h"
#include "platform/sys/mime_types.h"

using namespace nettest;

namespace {

class MailMessage : public ::testing::Test {
protected:
  void SetUp() override { SetMimeTypeTable({{".txt", "text/plain"}, {".zip", "application/zip"}, {".htm", "text/html"}}, ""); }
  void TearDown() override { ResetMimeTypeTable(); }

  static TNetMailAddress* Address(const std::string& name, const std::string& address) {
    auto* a = new TNetMailAddress;
    a->SetName(name);
    a->SetAddress(address);
    return a;
  }
  static TNetAttItem* Attachment(const std::string& name, const std::string& data) {
    auto* item = new TNetAttItem;
    item->SetFileName(name);
    item->Data().WriteBuffer(data.data(), static_cast<long>(data.size()));
    return item;
  }
  static std::string Write(TNetMessage& m) {
    TMemoryStream s;
    m.SaveToStream(s);
    return s.DataString();
  }
  static void Read(TNetMessage& m, const std::string& text) {
    TStringStream s(text);
    m.LoadFromStream(s);
  }
  static std::string DataOf(TNetAttItem& item) { return item.Data().DataString(); }
  static std::vector<std::string> BodyOf(const TNetMessage& m) { return m.Body().ToVector(); }

  void Fill(TNetMessage& m) {
    m.Sender().SetName("Ann Smith");
    m.Sender().SetAddress("ann@example.com");
    m.Recipients().Add(Address("Bob", "bob@example.com"));
    m.Recipients().Add(Address("Mr. C", "c@example.com"));
    m.CC().Add(Address("", "cc@example.com"));
    m.BCC().Add(Address("", "hidden@example.com"));
    m.SetSubject("Greetings");
    m.Body().Add("First line");
    m.Body().Add(".");
    m.Body().Add(".starts with a dot");
    m.Body().Add("");
    m.Body().Add("last");
  }
};

}  // namespace

TEST_F(MailMessage, ParsesAddressForms) {
  TNetMailAddress a;
  ParseMailAddress("John Doe <john@example.com>", a);
  EXPECT_EQ(a.Name(), "John Doe");
  EXPECT_EQ(a.Address(), "john@example.com");
  ParseMailAddress("john@example.com (John Doe)", a);
  EXPECT_EQ(a.Name(), "John Doe");
  EXPECT_EQ(a.Address(), "john@example.com");
  ParseMailAddress("john_doe@example.com", a);
  EXPECT_EQ(a.Name(), "");
  EXPECT_EQ(a.Address(), "john_doe@example.com");
  ParseMailAddress("\"Doe, John\" <j@x.org>", a);
  EXPECT_EQ(a.Name(), "Doe, John");
  try {
    ParseMailAddress("John <john@example.com", a);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Unable to parse email address");
  }
}

TEST_F(MailMessage, ContentTypeFollowsBodyAndAttachments) {
  TNetMessage m;
  m.Body().Add("text");
  EXPECT_EQ(m.ContentType(), "text/plain");
  m.SetContentType("text/html");
  EXPECT_EQ(m.ContentType(), "text/html");
  m.Attachments().Add(Attachment("x.zip", "zip"));
  EXPECT_EQ(m.ContentType(), "multipart/mixed");
  m.Body().Clear();
  EXPECT_EQ(m.ContentType(), "application/zip");
  m.Attachments().Items(0)->SetFileName("_htmbody.htm");
  EXPECT_EQ(m.ContentType(), "text/html");
  m.Attachments().Add(Attachment("_alt.1", "x"));
  m.Attachments().Items(0)->SetFileName("_ALT.0");
  EXPECT_EQ(m.ContentType(), "multipart/alternative");
  m.Encoding = meUU;
  EXPECT_EQ(m.ContentType(), "");
  EXPECT_EQ(GetContentTypeOfFile("file.unknownext"), "application/octet-stream");
}

TEST_F(MailMessage, AttachmentKindsFromTheirTypes) {
  TNetAttItem item;
  item.SetFileName("notes.TXT");
  EXPECT_EQ(item.ContentType(), "text/plain");
  EXPECT_EQ(item.Kind(), akText);
  item.SetFileName("a.zip");
  EXPECT_EQ(item.Kind(), akBinary);
}

TEST_F(MailMessage, AssigningAttachmentsCopiesTheItems) {
  TNetMessage a, b;
  a.Attachments().Add(Attachment("x.zip", "payload"));
  b.SetAttachments(a.Attachments());
  ASSERT_EQ(b.Attachments().Count(), 1);
  EXPECT_NE(a.Attachments().Items(0), b.Attachments().Items(0));
  EXPECT_EQ(DataOf(*b.Attachments().Items(0)), "payload");
  a.Attachments().Clear();
  EXPECT_EQ(DataOf(*b.Attachments().Items(0)), "payload");
  EXPECT_EQ(b.ContentType(), "application/zip");

  TNetMessage c;
  Fill(c);
  c.Assign(&b);
  EXPECT_EQ(c.Attachments().Count(), 1);
  EXPECT_EQ(c.Recipients().Count(), 0);
}

TEST_F(MailMessage, ValidateNamesWhatIsMissing) {
  TNetMessage m;
  try {
    m.Validate();
    FAIL();
  } catch (const EMessageError& e) {
    EXPECT_EQ(e.Message(), "The address of sender is required");
  }
  m.Sender().SetAddress("a@b.c");
  m.BCC().Add(Address("x", ""));
  try {
    m.Validate();
    FAIL();
  } catch (const EMessageError& e) {
    EXPECT_EQ(e.Message(), "At least one Recipient, CC or BCC must be entered");
  }
  m.BCC().Add(Address("", "z@b.c"));
  EXPECT_NO_THROW(m.Validate());
}

TEST_F(MailMessage, WritesHeadersInOrder) {
  TNetMessage m;
  Fill(m);
  m.Priority = ptHigh;
  m.ReturnReceipt = true;
  m.Headers().Add("X-Mailer: test");
  m.Headers().Add("Subject: stale");
  m.Headers().Add("Date: Mon, 01 Jan 2001 00:00:00 +0000");
  m.Headers().Add("Message-ID: <stale@example.com>");
  // A Saturday evening in summer, an hour and a half east of UTC; format settings of another
  // language do not change the header's names.
  TFixedClock clock(EncodeDate(2026, 7, 4) + EncodeTime(21, 5, 9, 0), -90);
  TFormatSettings german = DefaultFormatSettings();
  german.ShortDayNames = {"So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"};
  german.ShortMonthNames = {"Jan", "Feb", "M\xC3\xA4r", "Apr", "Mai", "Jun", "Jul", "Aug", "Sep", "Okt", "Nov", "Dez"};
  TFormatSettingsScope scope(german);
  std::string text = Write(m);
  const std::size_t id = text.find("Message-ID: <");
  ASSERT_NE(id, std::string::npos) << text;
  const std::size_t idEnd = text.find(">\r\n", id);
  ASSERT_NE(idEnd, std::string::npos);
  const std::string identifier = text.substr(id + 13, idEnd - id - 13);
  EXPECT_EQ(identifier.substr(identifier.find('@')), "@example.com");
  EXPECT_GT(identifier.find('@'), 0u);
  text.replace(id + 13, idEnd - id - 13, "ID");
  EXPECT_EQ(text.rfind("From:     Ann Smith <ann@example.com>\r\n"
                       "To:       Bob <bob@example.com>,\r\n"
                       "          \"Mr. C\" <c@example.com>\r\n"
                       "CC:        <cc@example.com>\r\n"
                       "Return-Receipt-To: <ann@example.com>\r\n"
                       "X-Priority: 1\r\n"
                       "Date: Sat, 04 Jul 2026 21:05:09 +0130\r\n"
                       "Message-ID: <ID>\r\n"
                       "X-Mailer: test\r\n"
                       "Subject: Greetings\r\n"
                       "Mime-Version: 1.0\r\n"
                       "Content-Type: text/plain; charset=\"us-ascii\"\r\n"
                       "Content-Transfer-Encoding: 7bit\r\n\r\n"
                       "First line\r\n.\r\n.starts with a dot\r\n\r\nlast\r\n",
                       0),
            0u)
      << text;
  EXPECT_EQ(text.find("hidden@example.com"), std::string::npos);
  EXPECT_EQ(text.find("stale"), std::string::npos);
  EXPECT_EQ(text.find("2001"), std::string::npos);
  // Every message written gets an identifier of its own.
  EXPECT_EQ(Write(m).find(identifier), std::string::npos);
}

// A body beyond ASCII is declared as UTF-8 and coded so that any reader gets it back exactly:
// alone, beside an attachment and as an HTML body; an ASCII body stays 7 bit US-ASCII.
TEST_F(MailMessage, BodiesBeyondAsciiReadBackExactlyInPython) {
  const std::string line = "Second line with \xC3\xBCmlaut, \xE2\x82\xAC 5 and \xE6\x97\xA5.";
  std::vector<std::string> paths;
  for (int kind = 0; kind < 3; ++kind) {
    TNetMessage m;
    Fill(m);
    m.Body().Add(line);
    if (kind == 1) m.Attachments().Add(Attachment("notes.txt", "plain notes\r\n"));
    if (kind == 2) m.SetContentType("text/html");
    if (kind == 1) m.SetContentType("multipart/mixed");
    const std::string text = Write(m);
    EXPECT_EQ(text.find("charset=\"us-ascii\""), std::string::npos) << text;
    EXPECT_NE(text.find("charset=\"utf-8\""), std::string::npos) << text;
    for (unsigned char c : text) ASSERT_LT(c, 128) << text;  // nothing goes out as 8 bit
    paths.push_back(TempPath("body" + std::to_string(kind) + ".eml"));
    WriteWholeFile(paths.back(), text);
  }
  const std::string want = TempPath("want.txt");
  WriteWholeFile(want, line);
  int status = 0;
  const std::string out = RunPython(
      "import email, email.policy\n"
      "want = open('" + want + "', 'rb').read().decode('utf-8')\n"
      "for name in ['" + paths[0] + "', '" + paths[1] + "', '" + paths[2] + "']:\n"
      "    m = email.message_from_bytes(open(name, 'rb').read(), policy=email.policy.default)\n"
      "    body = m.get_body(preferencelist=('plain', 'html'))\n"
      "    text = body.get_content()\n"
      "    print(name[-9:], want in text, 'First line' in text, body.get_content_charset())\n",
      status);
  ASSERT_EQ(status, 0) << out;
  EXPECT_EQ(out, "body0.eml True True utf-8\nbody1.eml True True utf-8\nbody2.eml True True utf-8\n");
  // The ASCII body keeps its plain form.
  TNetMessage plain;
  Fill(plain);
  EXPECT_NE(Write(plain).find("charset=\"us-ascii\"\r\nContent-Transfer-Encoding: 7bit\r\n"), std::string::npos);
}

TEST_F(MailMessage, DatesAndIdentifiersAsInternetMailWritesThem) {
  EXPECT_EQ(MailDateText(EncodeDate(2026, 12, 9) + EncodeTime(8, 0, 0, 0), 300), "Wed, 09 Dec 2026 08:00:00 -0500");
  EXPECT_EQ(MailDateText(EncodeDate(2000, 2, 29), 0), "Tue, 29 Feb 2000 00:00:00 +0000");
  EXPECT_EQ(MailDateText(EncodeDate(2026, 3, 1) + EncodeTime(23, 59, 59, 0), -345), "Sun, 01 Mar 2026 23:59:59 +0545");
  // A sender without a usable domain: the identifier still has one.
  for (const char* sender : {"", "nobody", "x@bad domain", "x@[1.2.3.4]"}) {
    const std::string id = NewMessageId(sender);
    ASSERT_GE(id.size(), 5u) << sender;
    EXPECT_EQ(id.front(), '<');
    EXPECT_EQ(id.back(), '>');
    const std::size_t at = id.find('@');
    ASSERT_NE(at, std::string::npos) << id;
    EXPECT_GT(at, 1u);
    EXPECT_EQ(id.find_first_of(" []", at), std::string::npos) << id;
  }
  EXPECT_NE(NewMessageId("a@b.c"), NewMessageId("a@b.c"));
}

TEST_F(MailMessage, LineBreaksCannotInjectHeaders) {
  TNetMessage m;
  Fill(m);
  m.SetSubject("Hi\r\nBcc: victim@example.com");
  m.Sender().SetName("Ann\nX-Evil: 1");
  const std::string text = Write(m);
  EXPECT_NE(text.find("Subject: Hi  Bcc: victim@example.com\r\n"), std::string::npos);
  EXPECT_NE(text.find("From:     Ann X-Evil: 1 <"), std::string::npos);
  m.Recipients().Items(0)->SetAddress("bob@example.com\r\nRCPT TO:<x@y>");
  EXPECT_THROW(Write(m), ENetError);
}

TEST_F(MailMessage, PlainMessageReadsBack) {
  TNetMessage m;
  Fill(m);
  m.Priority = ptLow;
  TNetMessage r;
  Read(r, Write(m));
  EXPECT_EQ(r.Sender().Name(), "Ann Smith");
  EXPECT_EQ(r.Sender().Address(), "ann@example.com");
  ASSERT_EQ(r.Recipients().Count(), 2);
  EXPECT_EQ(r.Recipients().Items(1)->Name(), "Mr. C");
  EXPECT_EQ(r.Recipients().Items(1)->Address(), "c@example.com");
  ASSERT_EQ(r.CC().Count(), 1);
  EXPECT_EQ(r.BCC().Count(), 0);
  EXPECT_EQ(r.Subject(), "Greetings");
  EXPECT_EQ(r.Priority, ptLow);
  EXPECT_EQ(BodyOf(r), BodyOf(m));
}

TEST_F(MailMessage, QuotedPrintableBodyAndEightBitSubjectReadBack) {
  TNetMessage m;
  Fill(m);
  m.CharSet = csISO8859;
  m.SetSubject("Caf\xC3\xA9 \xE2\x82\xAC 100");
  m.Body().Add(std::string(300, 'q') + " = tail");
  TNetMessage r;
  const std::string text = Write(m);
  EXPECT_NE(text.find("Content-Transfer-Encoding: quoted-printable"), std::string::npos);
  Read(r, text);
  EXPECT_EQ(r.Subject(), m.Subject());
  EXPECT_EQ(r.CharSet, csISO8859);
  EXPECT_EQ(BodyOf(r), BodyOf(m));
}

TEST_F(MailMessage, MultipartWithAttachmentsReadsBack) {
  TNetMessage m;
  Fill(m);
  const std::string binary = RandomBytes(1000, 3) + std::string(57, '\0');
  const std::string notes = "note one\r\n.\r\nnote = three\r\n";
  m.Attachments().Add(Attachment("data.zip", binary));
  m.Attachments().Add(Attachment("notes.txt", notes));
  m.Attachments().Add(Attachment("exact.zip", std::string(114, 'z')));
  TNetMessage r;
  Read(r, Write(m));
  EXPECT_EQ(BodyOf(r), BodyOf(m));
  ASSERT_EQ(r.Attachments().Count(), 3);
  EXPECT_EQ(r.Attachments().Items(0)->FileName(), "data.zip");
  EXPECT_EQ(r.Attachments().Items(0)->Kind(), akBinary);
  EXPECT_EQ(DataOf(*r.Attachments().Items(0)), binary);
  EXPECT_EQ(r.Attachments().Items(1)->FileName(), "notes.txt");
  EXPECT_EQ(r.Attachments().Items(1)->Kind(), akText);
  EXPECT_EQ(DataOf(*r.Attachments().Items(1)), notes);
  EXPECT_EQ(DataOf(*r.Attachments().Items(2)), std::string(114, 'z'));
  EXPECT_EQ(r.ContentType(), "multipart/mixed");
}

TEST_F(MailMessage, NestedAlternativeReadsBack) {
  TNetMessage m;
  Fill(m);
  m.Attachments().Add(Attachment("_alt.0", "<p>html</p>\r\n"));
  m.Attachments().Items(0)->SetContentType("text/html");
  m.Attachments().Items(0)->SetKind(akText);
  m.Attachments().Add(Attachment("data.zip", "zipdata"));
  const std::string text = Write(m);
  EXPECT_NE(text.find("Content-Type:  multipart/alternative; boundary="), std::string::npos);
  TNetMessage r;
  Read(r, text);
  EXPECT_EQ(BodyOf(r), BodyOf(m));
  ASSERT_EQ(r.Attachments().Count(), 2);
  EXPECT_EQ(r.Attachments().Items(0)->FileName(), "_alt.0");
  EXPECT_EQ(DataOf(*r.Attachments().Items(0)), "<p>html</p>\r\n");
  EXPECT_EQ(DataOf(*r.Attachments().Items(1)), "zipdata");
}

TEST_F(MailMessage, SingleAttachmentMessageReadsBack) {
  TNetMessage m;
  m.Sender().SetAddress("a@b.c");
  m.Attachments().Add(Attachment("only.zip", RandomBytes(200, 9)));
  TNetMessage r;
  Read(r, Write(m));
  ASSERT_EQ(r.Attachments().Count(), 1);
  EXPECT_EQ(r.Attachments().Items(0)->FileName(), "only.zip");
  EXPECT_EQ(DataOf(*r.Attachments().Items(0)), DataOf(*m.Attachments().Items(0)));
}

TEST_F(MailMessage, UuencodedMessageReadsBack) {
  TNetMessage m;
  Fill(m);
  m.Encoding = meUU;
  m.Attachments().Add(Attachment("one.zip", RandomBytes(100, 1)));
  m.Attachments().Add(Attachment("two.zip", std::string(90, 'x')));
  const std::string text = Write(m);
  EXPECT_EQ(text.find("Mime-Version"), std::string::npos);
  TNetMessage r;
  Read(r, text);
  EXPECT_EQ(r.Encoding, meUU);
  EXPECT_EQ(BodyOf(r), BodyOf(m));
  ASSERT_EQ(r.Attachments().Count(), 2);
  EXPECT_EQ(r.Attachments().Items(0)->FileName(), "one.zip");
  EXPECT_EQ(DataOf(*r.Attachments().Items(0)), DataOf(*m.Attachments().Items(0)));
  EXPECT_EQ(DataOf(*r.Attachments().Items(1)), std::string(90, 'x'));
}

TEST_F(MailMessage, UuencodeInsideATextMessageKeepsEachAddressOnce) {
  const std::string text =
      "From: a@b.c\r\nTo: x@y.z, w@y.z\r\nMime-Version: 1.0\r\nContent-Type: text/plain\r\n\r\n"
      "Hello\r\nbegin 600 ../../evil.txt\r\n" + UuEncodeLine("Cat") + "\r\n`\r\nend\r\ntrailer\r\n";
  TNetMessage r;
  Read(r, text);
  EXPECT_EQ(r.Recipients().Count(), 2);
  EXPECT_EQ(BodyOf(r), std::vector<std::string>{"Hello"});
  ASSERT_EQ(r.Attachments().Count(), 1);
  EXPECT_EQ(r.Attachments().Items(0)->FileName(), "evil.txt");
  EXPECT_EQ(DataOf(*r.Attachments().Items(0)), "Cat");
}

TEST_F(MailMessage, PartsWithoutNamesGetGeneratedOnes) {
  const std::string text =
      "From: a@b.c\r\nMime-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"XX\"\r\n\r\n"
      "--XX\r\nContent-Type: text/plain\r\n\r\nbody\r\n\r\n"
      "--XX\r\nContent-Type: application/pdf\r\n\r\nraw line\r\n"
      "--XX\r\nContent-Type: application/zip; name=\"sub/dir/../a.zip\"\r\nContent-Transfer-Encoding: base64\r\n\r\nYWJj\r\n"
      "--XX--\r\n";
  TNetMessage r;
  Read(r, text);
  EXPECT_EQ(BodyOf(r), std::vector<std::string>{"body"});
  ASSERT_EQ(r.Attachments().Count(), 2);
  EXPECT_EQ(r.Attachments().Items(0)->FileName(), "att.0");
  EXPECT_EQ(r.Attachments().Items(0)->ContentType(), "application/pdf");
  EXPECT_EQ(r.Attachments().Items(0)->Kind(), akEmbedded);
  EXPECT_EQ(DataOf(*r.Attachments().Items(0)), "raw line\r\n");
  EXPECT_EQ(r.Attachments().Items(1)->FileName(), "a.zip");
  EXPECT_EQ(DataOf(*r.Attachments().Items(1)), "abc");
}

TEST_F(MailMessage, MissingDelimiterKeepsTheWholeTextAsAttachment) {
  const std::string text =
      "From: a@b.c\r\nMime-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"XX\"\r\n\r\nno parts here\r\n";
  TNetMessage r;
  Read(r, text);
  ASSERT_EQ(r.Body().Count(), 3);
  EXPECT_EQ(r.Body().Strings(1), "Cannot find boundary");
  ASSERT_EQ(r.Attachments().Count(), 1);
  EXPECT_EQ(r.Attachments().Items(0)->FileName(), "original.eml");
  EXPECT_EQ(r.Attachments().Items(0)->ContentType(), "message/rfc822");
  EXPECT_EQ(DataOf(*r.Attachments().Items(0)), text);
}

TEST_F(MailMessage, HeaderFieldsJoinContinuationsAndRemoveWithThem) {
  TNetHeaders h;
  h.Add("Subject: first");
  h.Add("  second");
  h.Add("To: a@b.c,");
  h.Add("  \"Doe, J\" <j@d.e>");
  h.Add("Content-Type: text/plain; name=\"=?x?Q?y?=\"");
  EXPECT_EQ(h.GetFieldBody("subject"), "first second");
  EXPECT_EQ(h.GetFieldBody("Content-Type"), "text/plain; name=\"=?x?Q?y?=\"");
  TStringList list;
  h.GetFieldList("to", list);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Strings(1), "\"Doe, J\" <j@d.e>");
  h.RemoveField("SUBJECT");
  EXPECT_EQ(h.Count(), 3);
  EXPECT_EQ(h.GetFieldBody("Subject"), "");
}

TEST_F(MailMessage, ComponentStreamKeepsTheMessageAndReadsAttachmentFiles) {
  RegisterMailMessageClasses();
  const std::string file = TempPath("attached.zip");
  WriteWholeFile(file, "zip bytes");
  TNetMessage m;
  Fill(m);
  m.Priority = ptHigh;
  m.ReturnReceipt = true;
  m.CharSet = csISO8859;
  m.Attachments().Add(Attachment(file, ""));
  m.Attachments().Items(0)->SetContentType("application/x-special");
  TMemoryStream stream;
  stream.WriteComponent(&m);
  stream.SetPosition(0);
  TNetMessage r;
  stream.ReadComponent(&r);
  EXPECT_EQ(r.Sender().Name(), "Ann Smith");
  EXPECT_EQ(r.Sender().Address(), "ann@example.com");
  ASSERT_EQ(r.Recipients().Count(), 2);
  EXPECT_EQ(r.Recipients().Items(1)->Name(), "Mr. C");
  EXPECT_EQ(r.BCC().Count(), 1);
  EXPECT_EQ(r.Subject(), "Greetings");
  EXPECT_EQ(BodyOf(r), BodyOf(m));
  EXPECT_EQ(r.Priority, ptHigh);
  EXPECT_TRUE(r.ReturnReceipt);
  EXPECT_EQ(r.CharSet, csISO8859);
  ASSERT_EQ(r.Attachments().Count(), 1);
  EXPECT_EQ(r.Attachments().Items(0)->ContentType(), "application/x-special");
  EXPECT_EQ(DataOf(*r.Attachments().Items(0)), "zip bytes");
  ::unlink(file.c_str());
}

TEST_F(MailMessage, LargeMessagesReadBackAcrossLineBlocks) {
  TNetMessage m;
  Fill(m);
  for (int i = 0; i < 3000; ++i) m.Body().Add("body line " + std::to_string(i) + std::string(static_cast<std::size_t>(i % 37), '-'));
  const std::string big = RandomBytes(200000, 21);
  m.Attachments().Add(Attachment("big.zip", big));
  TNetMessage r;
  Read(r, Write(m));
  EXPECT_EQ(BodyOf(r), BodyOf(m));
  ASSERT_EQ(r.Attachments().Count(), 1);
  EXPECT_TRUE(DataOf(*r.Attachments().Items(0)) == big);
}

TEST_F(MailMessage, LineStreamKeepsLinesWholeAtBlockEnds) {
  TLineStream lines;
  std::string text;
  std::vector<std::string> expected;
  for (int i = 0; i < 2000; ++i) {
    expected.push_back(std::string(static_cast<std::size_t>(i % 50), 'a' + i % 26) + std::to_string(i));
    text += expected.back() + (i % 3 == 0 ? "\n" : i % 3 == 1 ? "\r\n" : "\r");
  }
  lines.WriteString(text);
  lines.Reset();
  std::vector<std::string> got;
  std::string line;
  for (int i = 0; i < 5000; ++i) {
    lines.ReadLine(line);
    if (lines.EndOfData()) break;
    got.push_back(line);
  }
  EXPECT_EQ(got, expected);
}

TEST_F(MailMessage, AlternativeMessagesAndTheirSpecialCases) {
  const std::string alternative =
      "From: a@b.c\r\nMime-Version: 1.0\r\nContent-Type: multipart/alternative; boundary=\"B\"\r\n\r\n"
      "--B\r\nContent-Type: text/plain\r\n\r\nplain\r\n\r\n--B\r\nContent-Type: text/html\r\n\r\n<b>html</b>\r\n\r\n--B--\r\n";
  TNetMessage r;
  Read(r, alternative);
  EXPECT_EQ(BodyOf(r), std::vector<std::string>{"plain"});
  ASSERT_EQ(r.Attachments().Count(), 1);
  EXPECT_EQ(r.Attachments().Items(0)->FileName(), "_alt.0");
  EXPECT_EQ(r.ContentType(), "multipart/alternative");

  const std::string onePart =
      "From: a@b.c\r\nMime-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"B\"\r\n\r\n"
      "--B\r\nContent-Type: text/html; charset=x\r\n\r\n<p>x</p>\r\n\r\n--B--\r\ntrailing text\r\n";
  TNetMessage one;
  Read(one, onePart);
  EXPECT_EQ(one.Attachments().Count(), 0);
  EXPECT_EQ(one.ContentType(), "text/html");

  const std::string ccMail =
      "From: a@b.c\r\nMime-Version: 1.0\r\nContent-Type: text/plain; name=\"cc:Mail\"\r\n\r\nhello\r\n.\r\n";
  TNetMessage text;
  Read(text, ccMail);
  EXPECT_EQ(text.Attachments().Count(), 0);
  EXPECT_EQ(BodyOf(text), std::vector<std::string>{"hello"});  // the last "." goes

  const std::string named =
      "From: a@b.c\r\nMime-Version: 1.0\r\nContent-Type: text/plain; name=\"notes.txt\"\r\n\r\nhello\r\n";
  TNetMessage attachment;
  Read(attachment, named);
  ASSERT_EQ(attachment.Attachments().Count(), 1);
  EXPECT_EQ(attachment.Attachments().Items(0)->FileName(), "notes.txt");
  EXPECT_EQ(DataOf(*attachment.Attachments().Items(0)), "hello\r\n");
}
