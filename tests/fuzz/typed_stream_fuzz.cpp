// The run-time library's typed value stream: TReader over arbitrary bytes, value by value and as
// a component stream.
#include "fuzz_support.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/typed_stream.h"

namespace {

template <class F>
std::string Written(F&& Write) {
  TStringStream S;
  {
    TWriter W(S);
    Write(W);
  }
  return S.DataString();
}

// Reads every value as what its tag says it is.
void ReadValues(TReader& R) {
  while (R.BytesLeft() != 0) {
    switch (R.NextValue()) {
      case vaInt8:
      case vaInt16:
      case vaInt32:
      case vaInt64:
        R.ReadInt64();
        break;
      case vaString:
      case vaLString:
      case vaWString:
      case vaUTF8String:
        R.ReadString();
        break;
      case vaExtended:
        R.ReadFloat();
        break;
      case vaSingle:
        R.ReadSingle();
        break;
      case vaCurrency:
        R.ReadCurrency();
        break;
      case vaDate:
        R.ReadDate();
        break;
      case vaSet:
        R.ReadSet();
        break;
      case vaBinary:
        R.ReadBinary();
        break;
      case vaList:
      case vaCollection:
        R.SkipValue();
        break;
      default:
        R.ReadIdent();
        break;
    }
  }
}

}  // namespace

std::vector<std::string> FuzzSeeds() {
  std::vector<std::string> Seeds;
  Seeds.push_back(Written([](TWriter& W) {
    W.WriteInteger(7);
    W.WriteInteger(-40000);
    W.WriteInt64(std::int64_t(1) << 40);
    W.WriteBoolean(true);
    W.WriteString("short");
    W.WriteString(std::string(300, 'x'));
    W.WriteUTF8Str("\xc3\xa9t\xc3\xa9");
    W.WriteWideString("wide \xe2\x82\xac");
    W.WriteFloat(3.25);
    W.WriteSingle(1.5f);
    W.WriteCurrency(12.3456);
    W.WriteDate(46000.5);
    W.WriteIdent("alNone");
    W.WriteIdent("nil");
    W.WriteSet({"fsBold", "fsItalic"});
    W.WriteBinary("\0\1\2\3", 4);
    W.WriteStrings({"one", "", "three"});
    W.WriteListBegin();
    W.WriteListBegin();
    W.WriteInteger(1);
    W.WriteListEnd();
    W.WriteListEnd();
  }));
  TComponent Root(nullptr);
  Root.SetName("Root");
  TComponent* Child = new TComponent(&Root);
  Child->SetName("Child");
  Seeds.push_back(Written([&](TWriter& W) { W.WriteRootComponent(&Root); }));
  return Seeds;
}

QN_FUZZ_SEEDS_FROM_ARGUMENTS

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string Bytes(fuzz::AsView(Data, Size));
  try {
    TStringStream S(Bytes);
    TReader R(S, 64);
    ReadValues(R);
  } catch (const Exception&) {
  }
  try {
    TStringStream S(Bytes);
    TReader R(S);
    TComponent Root(nullptr);
    R.ReadRootComponent(&Root);
  } catch (const Exception&) {
  }
  return 0;
}
