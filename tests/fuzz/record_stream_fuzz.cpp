// The server's record, configuration and attribute streams, and the merges that store what a
// client's change mask flags.  The first byte picks the stream; the rest is the stream.
#include "tests/sample_records.h"
#include "fuzz_support.h"
#include "records/configuration.h"
#include "records/item_record.h"

namespace {

enum TKind : char { kRecordSave = 'r', kRecordFile = 'f', kConfiguration = 'c', kAttributes = 'a' };

TChangeMask FullMask() {
  TChangeMask M;
  M.SetAll(true);
  return M;
}

}  // namespace

std::vector<std::string> FuzzSeeds() {
  std::vector<std::string> Seeds;
  {
    std::string S(1, kRecordSave);
    TValueWriter W(S);
    FullMask().Write(W);
    WriteItemRecord(W, samples::SampleRecord(), TRecordForm::Stream);
    Seeds.push_back(S);
  }
  {
    std::string S(1, kRecordFile);
    TValueWriter W(S);
    WriteItemRecord(W, samples::SampleRecord(), TRecordForm::File);
    Seeds.push_back(S);
  }
  {
    std::string S(1, kConfiguration);
    TValueWriter W(S);
    FullMask().Write(W);
    WriteConfiguration(W, samples::SampleConfiguration(), 3);
    Seeds.push_back(S);
  }
  {
    std::string S(1, kAttributes);
    TValueWriter W(S);
    TAttributes A;
    A.Grid3Columns = 5;
    A.First[0] = "first";
    WriteAttributes(W, A);
    Seeds.push_back(S);
  }
  return Seeds;
}

QN_FUZZ_SEEDS_FROM_ARGUMENTS

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  if (Size == 0) return 0;
  const char Kind = static_cast<char>(Data[0]);
  const std::string Bytes(fuzz::AsView(Data + 1, Size - 1));
  try {
    TValueReader R(Bytes);
    switch (Kind) {
      case kRecordSave: {
        TChangeMask Mask;
        Mask.Read(R);
        ItemRecord In;
        ReadItemRecord(R, In, TRecordForm::Stream);
        ItemRecord Stored = samples::SampleRecord();
        MergeItemRecord(std::move(In), Mask, Stored);
        // What was stored is written and read back the same.
        std::string Out;
        TValueWriter W(Out);
        WriteItemRecord(W, Stored, TRecordForm::Stream);
        TValueReader Back(Out);
        ItemRecord Again;
        ReadItemRecord(Back, Again, TRecordForm::Stream);
        if (!Back.AtEnd()) __builtin_trap();
        std::string Twice;
        TValueWriter W2(Twice);
        WriteItemRecord(W2, Again, TRecordForm::Stream);
        if (Twice != Out) __builtin_trap();
        break;
      }
      case kRecordFile: {
        ItemRecord In;
        ReadItemRecord(R, In, TRecordForm::File);
        break;
      }
      case kConfiguration: {
        TChangeMask Mask;
        Mask.Read(R);
        TConfiguration C = samples::SampleConfiguration();
        MergeConfiguration(R, Mask, C);
        std::string Out;
        TValueWriter W(Out);
        WriteConfiguration(W, C, 1);
        TValueReader Back(Out);
        TConfiguration Again;
        MergeConfiguration(Back, FullMask(), Again);
        break;
      }
      case kAttributes: {
        TConfiguration C;
        LoadAttributes(Bytes, C);
        break;
      }
      default:
        break;
    }
  } catch (const Exception&) {
  }
  return 0;
}
