// The mail and news decoder and the text coders.  The first byte picks the target: 'm' a mail
// message, 'n' a news article (both decoded, then written again), 'b' base64, 'q'
// quoted-printable, 'h' header encoded words, 'u' a uuencoded line.  The coders' encodings
// decode back to their input.
#include "fuzz_support.h"
#include "net/mail_coders.h"
#include "net/mail_message.h"
#include "platform/rtl/base64.h"
#include "platform/rtl/streams.h"

namespace {

template <class M>
void DecodeAndWrite(const std::string& Text) {
  M Message;
  TStringStream In(Text);
  Message.LoadFromStream(In);
  TMemoryStream Out;
  Message.SaveToStream(Out);
}

std::string MessageText() {
  TNetMessage M;
  M.Sender().SetName("Ann Smith");
  M.Sender().SetAddress("ann@example.com");
  auto* To = new TNetMailAddress;
  To->SetName("B\xc3\xb6");
  To->SetAddress("bob@example.com");
  M.Recipients().Add(To);
  M.SetSubject("Gr\xc3\xbc\xc3\x9f" "e");
  M.Body().Add("First line");
  M.Body().Add(".dot");
  M.Body().Add("caf\xc3\xa9 = 1");
  auto* Item = new TNetAttItem;
  Item->SetFileName("../data.bin");
  const std::string Data("\0\1\2\xff payload", 12);
  Item->Data().WriteBuffer(Data.data(), static_cast<long>(Data.size()));
  M.Attachments().Add(Item);
  TMemoryStream S;
  M.SaveToStream(S);
  return S.DataString();
}

std::string ArticleText() {
  TNetArticle A;
  A.Sender().SetAddress("ann@example.com");
  A.NewsGroups = "comp.test";
  A.SetSubject("Hello");
  A.Body().Add("text");
  TMemoryStream S;
  A.SaveToStream(S);
  return S.DataString();
}

}  // namespace

std::vector<std::string> FuzzSeeds() {
  return {"m" + MessageText(),
          "n" + ArticleText(),
          "b" + EncodeBase64Data(std::string("\0\1binary\xfe\xff", 10)),
          "qline one\r\ncaf\xc3\xa9=3D\r\n" + std::string(80, 'x'),
          "h=?utf-8?Q?caf=C3=A9_au_lait?= and =?iso-8859-1?B?Y2Fm6Q==?=",
          "u" + UuEncodeLine(std::string("uuencoded block\0\xff", 17))};
}

QN_FUZZ_SEEDS_FROM_ARGUMENTS

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  if (Size == 0) return 0;
  const std::string Text(fuzz::AsView(Data + 1, Size - 1));
  try {
    switch (Data[0]) {
      case 'm':
        DecodeAndWrite<TNetMessage>(Text);
        break;
      case 'n':
        DecodeAndWrite<TNetArticle>(Text);
        break;
      case 'b': {
        std::string Out;
        Base64Decode(Text, Out);
        if (!Base64Decode(Base64Encode(Text), Out) || Out != Text) __builtin_trap();
        if (DecodeBase64(EncodeBase64Data(Text)) != Text) __builtin_trap();
        if (Base64EncodeLines(Text, 76, "\r\n").size() < Base64Encode(Text).size()) __builtin_trap();
        DecodeBase64(Text);
        break;
      }
      case 'q': {
        const std::vector<std::string> Lines = TQuotedPrintable::EncodeText(Text);
        TQuotedPrintable::DecodeLines(Lines);
        TQuotedPrintable::DecodeLines({Text});
        DecodeQuotedPrintableText(Text);
        break;
      }
      case 'h':
        DecodeHeaderText(Text);
        DecodeHeaderText(EncodeHeaderWord(Text));
        break;
      case 'u': {
        UuDecodeLine(Text);
        const std::string Block = Text.substr(0, 45);
        if (UuDecodeLine(UuEncodeLine(Block)) != Block) __builtin_trap();
        IsUUBeginLine(Text);
        GetUUFileName(Text);
        SafeAttachmentName(Text);
        break;
      }
      default:
        break;
    }
  } catch (const Exception&) {
  }
  return 0;
}
