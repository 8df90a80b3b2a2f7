#include "client/core/record_streams.h"

#include <cfenv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "controls/grid/grid_utils.h"
#include "controls/grid/qn_grid.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/plain_numbers.h"
#include "platform/rtl/sysutils.h"

// ---- Record and configuration streams ----------------------------------------------------------

std::string WriteRecordStream(const TChangeMask& Mask, const ItemRecord& Record) {
  std::string Buffer;
  Buffer.reserve(4096 + Record.Grid3.size() * 2 + Record.Grid4.size() * 2 +
                 Record.RichText.size() * 2);
  TValueWriter W(Buffer);
  Mask.Write(W);
  WriteItemRecord(W, Record, TRecordForm::Stream);
  return Buffer;
}

bool ReadRecordStream(const std::string& Reply, ItemRecord& Record) {
  ItemRecord Scratch;
  try {
    TValueReader R(Reply);
    ReadItemRecord(R, Scratch, TRecordForm::Stream);
  } catch (const Exception&) {
    return false;
  }
  if (Scratch.Code.size() > 8) Scratch.Code.resize(8);
  Record = std::move(Scratch);
  return true;
}

std::string WriteConfigurationStream(const TChangeMask& Mask, const TConfiguration& C) {
  // The server's writer, with the client's leading pair in place of its two empty strings and
  // the record count as the configuration holds it.
  std::string Stream;
  TValueWriter SW(Stream);
  WriteConfiguration(SW, C, std::atoi(C.DatabaseInfo[diRecords].c_str()));
  std::string Buffer;
  TValueWriter W(Buffer);
  Mask.Write(W);
  W.WriteString("1.05");
  W.WriteString("Quillon");
  TValueReader Lead(Stream);
  Lead.SkipString();
  Lead.SkipString();
  Buffer.append(Stream, Lead.Position());
  return Buffer;
}

bool ReadConfigurationStream(const std::string& Reply, TConfiguration& Config) {
  TChangeMask Everything;
  Everything.SetAll(true);
  TConfiguration Scratch = Config;
  try {
    TValueReader R(Reply);
    MergeConfiguration(R, Everything, Scratch);
  } catch (const Exception&) {
    return false;
  }
  if (Scratch.DateFormat.empty()) Scratch.DateFormat = "mm/dd/yyyy";
  Config = std::move(Scratch);
  return true;
}

void SetDefaultFieldNames(TConfiguration& C) {
  for (int i = 0; i < 10; ++i) {
    C.DetailNames[i] = "Detail " + std::to_string(i + 1);
    C.DescriptionNames[i] = "Description " + std::to_string(i);
  }
  for (int i = 0; i < 6; ++i) C.OtherNames[i] = "Other " + std::to_string(i + 1);
  for (int i = 0; i < 100; ++i) C.ItemNames[i] = "Feature " + std::to_string(i + 1);
}

ItemRecord EmptyRecord() { return ItemRecord{}; }

// ---- Grid stream wrapper -------------------------------------------------------------------

std::string GridToStream(int ColCount, int RowCount, const std::string& Text) {
  std::string Buffer;
  TValueWriter W(Buffer);
  W.WriteInteger(ColCount);
  W.WriteInteger(RowCount);
  W.WriteChars(Text);
  return Buffer;
}

std::string GridText(TQnStringGrid& Grid) {
  TMemoryStream S;
  Grid.SaveToStream(S);
  return S.DataString();
}

std::string GridToStream(TQnStringGrid& Grid) {
  return GridToStream(Grid.ColCount(), Grid.RowCount(), GridText(Grid));
}

// ---- Address entries -------------------------------------------------------------------------

std::vector<std::string> SplitFields(const std::string& Text) {
  std::vector<std::string> Pieces;
  std::string Piece;
  for (char C : Text) {
    if (C == '\r' || C == '\t') {
      Pieces.push_back(std::move(Piece));
      Piece.clear();
    } else {
      Piece += C;
    }
  }
  if (!Piece.empty()) Pieces.push_back(std::move(Piece));
  return Pieces;
}

static std::string LinesText(const std::vector<std::string>& Lines) {
  std::string Text;
  for (const auto& L : Lines) Text += L + "\r\n";
  return Text;
}

static std::vector<std::string> TextLines(const std::string& Text) {
  std::vector<std::string> Lines;
  std::string Line;
  for (std::size_t i = 0; i < Text.size(); ++i) {
    const char C = Text[i];
    if (C == '\r' || C == '\n') {
      if (C == '\r' && i + 1 < Text.size() && Text[i + 1] == '\n') ++i;
      Lines.push_back(std::move(Line));
      Line.clear();
    } else {
      Line += C;
    }
  }
  if (!Line.empty()) Lines.push_back(std::move(Line));
  return Lines;
}

void BuildAddressList(int NameColumn, int AddressColumn, TEntryList& List, TQnStringGrid& Grid,
                      int Row) {
  for (int r = 1; r <= Grid.RowCount() - 2; ++r) {
    if (Row != -1 && Row != r) continue;
    auto Entry = std::make_unique<PrintRecord>();
    Entry->Key = Grid.Cells(0, r);
    Entry->Title = Grid.Cells(NameColumn, r);
    const std::vector<std::string> Pieces = SplitFields(Grid.Cells(AddressColumn, r));
    Entry->Data = LinesText(Pieces);
    Entry->Fields.push_back(Entry->Title);
    Entry->Fields.insert(Entry->Fields.end(), Pieces.begin(), Pieces.end());
    List.push_back(std::move(Entry));
  }
}

void ReadEntryList(const std::string& Stream, TEntryList& List) {
  TValueReader R(Stream);
  const std::int32_t Count = R.ReadInteger();
  for (std::int32_t i = 0; i < Count; ++i) {
    auto Entry = std::make_unique<PrintRecord>();
    Entry->Key = R.ReadString();
    Entry->Title = R.ReadString();
    Entry->Data = R.ReadChars();
    Entry->Fields = TextLines(Entry->Data);
    Entry->Fields.insert(Entry->Fields.begin(), Entry->Title);
    List.push_back(std::move(Entry));
  }
}

// ---- Number texts --------------------------------------------------------------------------

std::string NumberTextOf(const std::string& Text) {
  std::string Kept;
  bool Point = false;
  for (auto it = Text.rbegin(); it != Text.rend(); ++it) {
    const char C = *it;
    if ((C >= '0' && C <= '9') || C == '-') {
      Kept.insert(Kept.begin(), C);
    } else if (C == '.' && !Point) {
      Point = true;
      Kept.insert(Kept.begin(), C);
    }
  }
  return Kept.empty() ? "0" : Kept;
}

// Number texts are read and written in the plain form, whatever the desktop's locale.
static bool ReadNumber(const std::string& Text, double& Value) { return ReadPlainNumber(Text, Value); }

static double NumberOf(const std::string& Text) {
  double Value = 0;
  return ReadNumber(NumberTextOf(Text), Value) ? Value : 0.0;
}

bool ReadAmountText(const std::string& Text, double& Value) {
  auto IsDigit = [](char C) { return C >= '0' && C <= '9'; };
  // The sign may stand before or after a currency sign: "-$5", "$-5".
  std::size_t First = Text.find_first_of("0123456789.,-");
  std::size_t Last = Text.find_last_of("0123456789.,");
  if (First == std::string::npos || Last == std::string::npos || Last < First) return false;
  std::string Core = Text.substr(First, Last - First + 1);
  bool Negative = false;
  if (!Core.empty() && Core[0] == '-') {
    Negative = true;
    Core.erase(0, 1);
    const std::size_t Start = Core.find_first_of("0123456789.,-");
    if (Start == std::string::npos) return false;
    Core.erase(0, Start);
    if (!Core.empty() && Core[0] == '-') return false;
  }
  const std::size_t Point = Core.find('.');
  const std::string Whole = Core.substr(0, Point);
  const std::string Fraction = Point == std::string::npos ? "" : Core.substr(Point + 1);
  for (char C : Fraction)
    if (!IsDigit(C)) return false;
  // The whole part: plain digits, or groups of three after a first group of one to three.
  std::string Digits;
  if (Whole.find(',') == std::string::npos) {
    for (char C : Whole)
      if (!IsDigit(C)) return false;
    Digits = Whole;
  } else {
    std::size_t Group = 0;
    bool FirstGroup = true;
    for (std::size_t i = 0; i <= Whole.size(); ++i) {
      if (i == Whole.size() || Whole[i] == ',') {
        if (FirstGroup ? (Group < 1 || Group > 3) : Group != 3) return false;
        FirstGroup = false;
        Group = 0;
      } else if (IsDigit(Whole[i])) {
        Digits += Whole[i];
        ++Group;
      } else {
        return false;
      }
    }
  }
  if (Digits.empty() && Fraction.empty()) return false;
  double Read = 0;
  if (!ReadNumber((Digits.empty() ? "0" : Digits) + (Fraction.empty() ? "" : "." + Fraction), Read)) return false;
  Value = Negative ? -Read : Read;
  return true;
}

std::string AmountRefusal(const std::string& Text, const std::string& FieldName) {
  double Value = 0;
  if (Text.find_first_not_of(' ') == std::string::npos || ReadAmountText(Text, Value)) return "";
  return "The value \"" + Text + "\" of " + FieldName +
         " is not an amount as this program reads numbers: write it as 1234.50 or 1,234.50.";
}

bool IsMoneyKind(const std::string& Kind) { return LowerCase(Kind) == "money"; }

std::string TypedAmountRefusal(const TConfiguration& Config, const ItemRecord& Record,
                               const std::array<std::string, 10>& DetailsBefore,
                               const std::array<std::string, 6>& OthersBefore) {
  for (std::size_t i = 0; i < 10; ++i)
    if (IsMoneyKind(Config.DetailKinds[i]) && Record.Details[i] != DetailsBefore[i])
      if (std::string Refusal = AmountRefusal(Record.Details[i], Config.DetailNames[i]); !Refusal.empty())
        return Refusal;
  for (std::size_t i = 0; i < 6; ++i)
    if (IsMoneyKind(Config.OtherKinds[i]) && Record.Others[i] != OthersBefore[i])
      if (std::string Refusal = AmountRefusal(Record.Others[i], Config.OtherNames[i]); !Refusal.empty())
        return Refusal;
  return "";
}

static std::string TwoDecimals(double Value) { return FixedPointText(Value, 2); }

std::string RoundNumberText(const std::string& Text) {
  double Value = 0;
  if (!ReadNumber(Text, Value)) Value = 0;
  const int Old = std::fegetround();
  std::fesetround(FE_TONEAREST);
  const double Rounded = std::nearbyint(Value);
  std::fesetround(Old);
  return FixedPointText(Rounded == 0 ? 0.0 : Rounded, 0);
}

std::string AddNumberText(const std::string& A, const std::string& B) {
  return TwoDecimals(NumberOf(A) + NumberOf(B));
}
std::string SubtractNumberText(const std::string& A, const std::string& B) {
  return TwoDecimals(NumberOf(A) - NumberOf(B));
}
std::string MaxNumberText(const std::string& A, const std::string& B) {
  return TwoDecimals(std::max(NumberOf(A), NumberOf(B)));
}
std::string MinNumberText(const std::string& A, const std::string& B) {
  return TwoDecimals(std::min(NumberOf(A), NumberOf(B)));
}
std::string DivideNumberText(const std::string& A, const std::string& B) {
  const double D = NumberOf(B);
  if (D == 0) return "NA";
  return TwoDecimals(NumberOf(A) / D);
}

std::string SumNumberList(const std::vector<std::string>& List) {
  double Sum = 0;
  for (const auto& Line : List) {
    double Value = 0;
    if (ReadNumber(NumberTextOf(Line), Value)) Sum += Value;
  }
  return TwoDecimals(Sum);
}
