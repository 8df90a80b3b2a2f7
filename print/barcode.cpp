#include "print/barcode.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "platform/rtl/sysutils.h"

namespace {

const TBCdata kTypes[kBarcodeTypeCount] = {
    {"2_5_interleaved", true}, {"2_5_industrial", true}, {"2_5_matrix", true},
    {"Code39", false},         {"Code39 Extended", false}, {"Code128A", false},
    {"Code128B", false},       {"Code128C", true},         {"Code93", false},
    {"Code93 Extended", false}, {"MSI", true},             {"PostNet", true},
    {"Codebar", false},        {"EAN8", true},             {"EAN13", true},
    {"UPC_A", true},           {"UPC_E0", true},           {"UPC_E1", true},
    {"UPC Supp2", true},       {"UPC Supp5", true},        {"EAN128A", false},
    {"EAN128B", false},        {"EAN128C", true},
};

// ---- 2 of 5: narrow (0) and wide (1) of the five elements of each digit -----------------
const char* const kTwoOfFive[10] = {"00110", "10001", "01001", "11000", "00101",
                                    "10100", "01100", "00011", "10010", "01010"};

// ---- Code 39: the nine elements (bar first) narrow (0) or wide (1); the value is the index ---
const char kCode39Chars[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";
const char* const kCode39[44] = {
    "000110100", "100100001", "001100001", "101100000", "000110001", "100110000", "001110000",
    "000100101", "100100100", "001100100", "100001001", "001001001", "101001000", "000011001",
    "100011000", "001011000", "000001101", "100001100", "001001100", "000011100", "100000011",
    "001000011", "101000010", "000010011", "100010010", "001010010", "000000111", "100000110",
    "001000110", "000010110", "110000001", "011000001", "111000000", "010010001", "110010000",
    "011010000", "010000101", "110000100", "011000100", "010101000", "010100010", "010001010",
    "000101010",
    "010010100",  // "*", start and stop
};

// Full ASCII: the pair (or single character) that stands for each of the 128 codes; Code 39
// spells the shifts "$", "%", "/", "+", Code 93 uses its own four shift characters for them.
std::string FullAsciiPair(unsigned char c) {
  auto two = [](char shift, char letter) { return std::string{shift, letter}; };
  if (c == 0) return two('%', 'U');
  if (c <= 26) return two('$', static_cast<char>('A' + c - 1));
  if (c <= 31) return two('%', static_cast<char>('A' + c - 27));
  if (c == ' ' || c == '-' || c == '.' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'))
    return std::string(1, static_cast<char>(c));
  if (c >= 33 && c <= 44) return two('/', static_cast<char>('A' + c - 33));
  if (c == '/') return two('/', 'O');
  if (c == ':') return two('/', 'Z');
  if (c >= 59 && c <= 63) return two('%', static_cast<char>('F' + c - 59));
  if (c == '@') return two('%', 'V');
  if (c >= 91 && c <= 95) return two('%', static_cast<char>('K' + c - 91));
  if (c == '`') return two('%', 'W');
  if (c >= 'a' && c <= 'z') return two('+', static_cast<char>('A' + c - 'a'));
  if (c >= 123 && c <= 127) return two('%', static_cast<char>('P' + c - 123));
  return {};
}

// ---- Code 128: element widths in modules of the values 0..106 -----------------------------
const char* const kCode128[107] = {
    "212222", "222122", "222221", "121223", "121322", "131222", "122213", "122312", "132212",
    "221213", "221312", "231212", "112232", "122132", "122231", "113222", "123122", "123221",
    "223211", "221132", "221231", "213212", "223112", "312131", "311222", "321122", "321221",
    "312212", "322112", "322211", "212123", "212321", "232121", "111323", "131123", "131321",
    "112313", "132113", "132311", "211313", "231113", "231311", "112133", "112331", "132131",
    "113123", "113321", "133121", "313121", "211331", "231131", "213113", "213311", "213131",
    "311123", "311321", "331121", "312113", "312311", "332111", "314111", "221411", "431111",
    "111224", "111422", "121124", "121421", "141122", "141221", "112214", "112412", "122114",
    "122411", "142112", "142211", "241211", "221114", "413111", "241112", "134111", "111242",
    "121142", "121241", "114212", "124112", "124211", "411212", "421112", "421211", "212141",
    "214121", "412121", "111143", "111341", "131141", "114113", "114311", "411113", "411311",
    "113141", "114131", "311141", "411131", "211412", "211214", "211232", "2331112",
};
constexpr int kCode128FNC1 = 102;

// ---- Code 93: widths of the values 0..46; 43..46 are the shifts ($) (%) (/) (+) -----------
const char kCode93Chars[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";
const char* const kCode93[47] = {
    "131112", "111213", "111312", "111411", "121113", "121212", "121311", "111114", "131211",
    "141111", "211113", "211212", "211311", "221112", "221211", "231111", "112113", "112212",
    "112311", "122112", "132111", "111123", "111222", "111321", "121122", "131121", "212112",
    "212211", "211122", "211221", "221121", "222111", "112122", "112221", "122121", "123111",
    "121131", "311112", "311211", "321111", "112131", "113121", "211131", "121221", "312111",
    "311121", "122211",
};

// ---- Codabar: seven elements (bar first) narrow (0) or wide (1) ---------------------------
const char kCodabarChars[] = "0123456789-$:/.+ABCD";
const char* const kCodabar[20] = {
    "0000011", "0000110", "0001001", "1100000", "0010010", "1000010", "0100001",
    "0100100", "0110000", "1001000", "0001100", "0011000", "1000101", "1010001",
    "1010100", "0010101", "0011010", "0101001", "0001011", "0001110",
};

// ---- EAN / UPC: the seven modules of set A (odd parity, "L"); 1 is a bar ----------------
const char* const kEanA[10] = {"0001101", "0011001", "0010011", "0111101", "0100011",
                               "0110001", "0101111", "0111011", "0110111", "0001011"};
// EAN-13: the sets (A or B) of digits 2..7 by the first digit.
const char* const kEan13Parity[10] = {"AAAAAA", "AABABB", "AABBAB", "AABBBA", "ABAABB",
                                      "ABBAAB", "ABBBAA", "ABABAB", "ABABBA", "ABBABA"};
// UPC-E, number system 0: the sets of the six digits by the check digit ("B" even parity).
const char* const kUpcEParity[10] = {"BBBAAA", "BBABAA", "BBAABA", "BBAAAB", "BABBAA",
                                     "BAABBA", "BAAABB", "BABABA", "BABAAB", "BAABAB"};
// The five-digit supplement: the sets by its check value.
const char* const kSupp5Parity[10] = {"BBAAA", "BABAA", "BAABA", "BAAAB", "ABBAA",
                                      "AABBA", "AAABB", "ABABA", "ABAAB", "AABAB"};

// The modules of one digit in set A, B (even parity: set C reversed) or C (set A inverted);
// each module is one bar character of module width 0.
std::string EanDigit(char digit, char set) {
  std::string a = kEanA[digit - '0'];
  std::string out;
  out.reserve(7);
  if (set == 'A') {
    for (char m : a) out += m == '1' ? '5' : '0';
  } else if (set == 'C') {
    for (char m : a) out += m == '1' ? '0' : '5';
  } else {
    for (auto it = a.rbegin(); it != a.rend(); ++it) out += *it == '1' ? '0' : '5';
  }
  return out;
}

// Guard, the left digits in the sets given (one letter each), centre guard, the right digits
// in set C, guard.
std::string EanSymbol(const std::string& left, const std::string& sets, const std::string& right) {
  std::string out = "505";
  for (std::size_t i = 0; i < left.size(); ++i) out += EanDigit(left[i], sets[i]);
  out += "05050";
  for (char c : right) out += EanDigit(c, 'C');
  return out + "505";
}

std::string PadLeft(const std::string& s, std::size_t length) {
  return s.size() < length ? std::string(length - s.size(), '0') + s : s;
}

// Widths in modules (digits "1".."4", bar first) to bar characters.
void AppendWidths(std::string& out, const char* widths) {
  for (std::size_t i = 0; widths[i]; ++i) {
    int d = widths[i] - '1';
    out += static_cast<char>((i % 2 == 0 ? '5' : '0') + d);
  }
}

// Narrow/wide flags (bar first) to bar characters of module widths 0 and 1.
void AppendNarrowWide(std::string& out, const char* flags, bool barFirst = true) {
  for (std::size_t i = 0; flags[i]; ++i) {
    bool bar = (i % 2 == 0) == barFirst;
    out += static_cast<char>((bar ? '5' : '0') + (flags[i] == '1' ? 1 : 0));
  }
}

int IndexIn(const char* table, char c) {
  if (c == 0) return -1;
  const char* p = std::strchr(table, c);
  return p ? static_cast<int>(p - table) : -1;
}

bool IsShortBar(char c) { return c >= 'A' && c <= 'D'; }
bool IsBar(char c) { return (c >= '5' && c <= '8') || IsShortBar(c); }

}  // namespace

const TBCdata& BarcodeTypeData(TBarcodeType type) {
  int i = static_cast<int>(type);
  if (i < 0 || i >= kBarcodeTypeCount) throw EBarcodeError("TBarcodeSymbol: wrong BarcodeType");
  return kTypes[i];
}

// ---- TBarcodeSymbol ---------------------------------------------------------------------
TBarcodeSymbol::TBarcodeSymbol(TComponent* AOwner) : TComponent(AOwner) {}
TBarcodeSymbol::~TBarcodeSymbol() = default;

void TBarcodeSymbol::DoChange() {
  if (OnChange) OnChange(this);
}

void TBarcodeSymbol::Assign(const TPersistent* Source) {
  auto* other = dynamic_cast<const TBarcodeSymbol*>(Source);
  if (!other) {
    TComponent::Assign(Source);
    return;
  }
  FHeight = other->FHeight;
  FText = other->FText;
  FTop = other->FTop;
  FLeft = other->FLeft;
  FModul = other->FModul;
  FRatio = other->FRatio;
  FTyp = other->FTyp;
  FCheckSum = other->FCheckSum;
  FCheckSumMethod = other->FCheckSumMethod;
  FAngle = other->FAngle;
  FShowText = other->FShowText;
  FShowTextFont.Assign(other->FShowTextFont);
  FShowTextPosition = other->FShowTextPosition;
  FColor = other->FColor;
  FColorBar = other->FColorBar;
  FCheckedText = other->FCheckedText;
  FHasCheckedText = other->FHasCheckedText;
  DoChange();
}

void TBarcodeSymbol::SetHeight(int value) { FHeight = value; DoChange(); }
void TBarcodeSymbol::SetText(const std::string& value) { FText = value; DoChange(); }
void TBarcodeSymbol::SetTop(int value) { FTop = value; DoChange(); }
void TBarcodeSymbol::SetLeft(int value) { FLeft = value; DoChange(); }
void TBarcodeSymbol::SetModul(int value) {
  if (value < 1 || value > 49) return;
  FModul = value;
  DoChange();
}
void TBarcodeSymbol::SetRatio(double value) {
  if (value == FRatio) return;
  FRatio = value;
  DoChange();
}
void TBarcodeSymbol::SetTyp(TBarcodeType value) { FTyp = value; DoChange(); }
void TBarcodeSymbol::SetChecksum(bool value) { FCheckSum = value; DoChange(); }
void TBarcodeSymbol::SetCheckSumMethod(TCheckSumMethod value) { FCheckSumMethod = value; DoChange(); }
void TBarcodeSymbol::SetAngle(double value) {
  if (value == FAngle) return;
  FAngle = value;
  DoChange();
}
void TBarcodeSymbol::SetShowText(TBarcodeOption value) { FShowText = value; DoChange(); }
void TBarcodeSymbol::SetShowTextFont(const TFont& value) { FShowTextFont.Assign(value); DoChange(); }
void TBarcodeSymbol::SetShowTextPosition(TShowTextPosition value) { FShowTextPosition = value; DoChange(); }
void TBarcodeSymbol::SetColor(TColor value) { FColor = value; DoChange(); }
void TBarcodeSymbol::SetColorBar(TColor value) { FColorBar = value; DoChange(); }

double TBarcodeSymbol::EffectiveRatio() const {
  double low = 0, high = 0;
  switch (FTyp) {
    case bcCode_2_5_interleaved:
    case bcCode_2_5_industrial:
    case bcCode39:
    case bcCode39Extended:
    case bcCodeCodabar:
    case bcCodeEAN8:
    case bcCodeEAN13:
    case bcCodeUPC_A:
    case bcCodeUPC_E0:
    case bcCodeUPC_E1:
    case bcCodeUPC_Supp2:
    case bcCodeUPC_Supp5:
      low = 2.0;
      high = 3.0;
      break;
    case bcCode_2_5_matrix:
      low = 2.25;
      high = 3.0;
      break;
    default:
      return FRatio;
  }
  if (FRatio < low) return low;
  if (FRatio > high) return high;
  return FRatio;
}

void TBarcodeSymbol::MakeModules() {
  FModules[0] = FModul;
  FModules[1] = static_cast<int>(Round(FModul * EffectiveRatio()));
  FModules[2] = FModules[1] * 3 / 2;
  FModules[3] = FModules[1] * 2;
}

void TBarcodeSymbol::InternalError() const { throw EBarcodeError(ClassName() + ": internal Error"); }

std::string TBarcodeSymbol::BarData() { return MakeData(); }

std::string TBarcodeSymbol::MakeData() {
  MakeModules();
  int type = static_cast<int>(FTyp);
  if (type < 0 || type >= kBarcodeTypeCount) throw EBarcodeError(ClassName() + ": wrong BarcodeType");
  if (kTypes[type].Num) {
    FText = Trim(FText);
    for (char c : FText)
      if (c < '0' || c > '9') throw EBarcodeError("Barcode must be numeric");
  }

  std::string out;
  switch (FTyp) {
    case bcCode_2_5_interleaved: {
      out = "5050";
      for (std::size_t i = 0; i + 1 < FText.size(); i += 2) {
        const char* bars = kTwoOfFive[FText[i] - '0'];
        const char* spaces = kTwoOfFive[FText[i + 1] - '0'];
        for (int j = 0; j < 5; ++j) {
          out += bars[j] == '1' ? '6' : '5';
          out += spaces[j] == '1' ? '1' : '0';
        }
      }
      out += "605";
      break;
    }
    case bcCode_2_5_industrial:
      out = "606050";
      for (char c : FText)
        for (int j = 0; j < 5; ++j) out += kTwoOfFive[c - '0'][j] == '1' ? "60" : "50";
      out += "605060";
      break;
    case bcCode_2_5_matrix:
      out = "705050";
      for (char c : FText) {
        AppendNarrowWide(out, kTwoOfFive[c - '0']);
        out += '0';
      }
      out += "70505";
      break;
    case bcCode39:
      out = Code39(false);
      break;
    case bcCode39Extended:
      out = Code39(true);
      break;
    case bcCode128A:
    case bcCode128B:
    case bcCode128C:
    case bcCodeEAN128A:
    case bcCodeEAN128B:
    case bcCodeEAN128C:
      out = Code128();
      break;
    case bcCode93:
      out = Code93(false);
      break;
    case bcCode93Extended:
      out = Code93(true);
      break;
    case bcCodeMSI: {
      // Each digit as four bits, the most significant first: 1 a wide bar and a narrow
      // space, 0 a narrow bar and a wide space; the check digit is the Luhn digit of the
      // data; the stop is a narrow bar, a wide space and a narrow bar.
      std::string digits = FText;
      int sum = 0;
      bool doubled = true;
      for (auto it = digits.rbegin(); it != digits.rend(); ++it, doubled = !doubled) {
        int d = (*it - '0') * (doubled ? 2 : 1);
        sum += d / 10 + d % 10;
      }
      digits += static_cast<char>('0' + (10 - sum % 10) % 10);
      out = "60";
      for (char c : digits) {
        int v = c - '0';
        for (int bit = 3; bit >= 0; --bit) out += (v >> bit) & 1 ? "60" : "51";
      }
      out += "515";
      break;
    }
    case bcCodePostNet: {
      // Five bars a digit, two of them full; the check digit makes the digit sum a multiple
      // of ten.
      static const char* const kPostNet[10] = {"11000", "00011", "00101", "00110", "01001",
                                               "01010", "01100", "10001", "10010", "10100"};
      int sum = 0;
      for (char c : FText) sum += c - '0';
      std::string digits = FText + static_cast<char>('0' + (10 - sum % 10) % 10);
      out = "51";
      for (char c : digits)
        for (int j = 0; j < 5; ++j) out += kPostNet[c - '0'][j] == '1' ? "51" : "A1";
      out += "5";
      break;
    }
    case bcCodeCodabar: {
      auto add = [&](int index) {
        AppendNarrowWide(out, kCodabar[index]);
        out += '0';
      };
      add(IndexIn(kCodabarChars, 'A'));
      for (char c : FText) {
        int i = IndexIn(kCodabarChars, c);
        if (i >= 0) add(i);
      }
      AppendNarrowWide(out, kCodabar[IndexIn(kCodabarChars, 'B')]);
      break;
    }
    case bcCodeEAN8:
      out = CodeEAN8();
      break;
    case bcCodeEAN13:
      out = CodeEAN13();
      break;
    case bcCodeUPC_A:
      out = CodeUPC_A();
      break;
    case bcCodeUPC_E0:
      out = CodeUPC_E(0);
      break;
    case bcCodeUPC_E1:
      out = CodeUPC_E(1);
      break;
    case bcCodeUPC_Supp2: {
      std::string t = PadLeft(FText, 2);
      if (t.size() != 2) throw EBarcodeError("Invalid Text len (UPC Supp2)");
      int value = (t[0] - '0') * 10 + (t[1] - '0');
      const char* parity[4] = {"AA", "AB", "BA", "BB"};
      out = "5055";
      out += EanDigit(t[0], parity[value % 4][0]);
      out += "05";
      out += EanDigit(t[1], parity[value % 4][1]);
      break;
    }
    case bcCodeUPC_Supp5: {
      std::string t = PadLeft(FText, 5);
      if (t.size() != 5) throw EBarcodeError("Invalid Text len (UPC Supp5)");
      int check = (3 * ((t[0] - '0') + (t[2] - '0') + (t[4] - '0')) + 9 * ((t[1] - '0') + (t[3] - '0'))) % 10;
      out = "5055";
      for (int i = 0; i < 5; ++i) {
        if (i > 0) out += "05";
        out += EanDigit(t[static_cast<std::size_t>(i)], kSupp5Parity[check][i]);
      }
      break;
    }
  }
  return out;
}

std::string TBarcodeSymbol::CodeEAN8() {
  std::string t;
  if (FCheckSum) {
    t = PadLeft(FText, 7);
    t = CheckSumAppend(t.substr(t.size() - 7), csmModulo10);
  } else {
    t = PadLeft(FText, 8);
  }
  if (t.size() != 8) throw EBarcodeError("Invalid Text len (EAN8)");
  return EanSymbol(t.substr(0, 4), "AAAA", t.substr(4));
}

std::string TBarcodeSymbol::CodeEAN13() {
  std::string t = FCheckSum ? CheckSumAppend(PadLeft(FText, 12), csmModulo10) : PadLeft(FText, 13);
  if (t.size() != 13) throw EBarcodeError("Invalid Text len (EAN13)");
  return EanSymbol(t.substr(1, 6), kEan13Parity[t[0] - '0'], t.substr(7));
}

std::string TBarcodeSymbol::CodeUPC_A() {
  std::string t = FCheckSum ? CheckSumAppend(PadLeft(FText, 11), csmModulo10) : PadLeft(FText, 12);
  if (t.size() != 12) throw EBarcodeError("Invalid Text len (UPC_A)");
  return EanSymbol(t.substr(0, 6), "AAAAAA", t.substr(6));
}

// The six digits of the zero-suppressed code; the check digit of its UPC-A expansion chooses
// the parities. A seventh digit given without Checksum is taken as that check digit.
std::string TBarcodeSymbol::CodeUPC_E(int numberSystem) {
  std::string t = FText;
  if (t.size() > (FCheckSum ? 6u : 7u))
    throw EBarcodeError(numberSystem == 0 ? "Invalid Text len (UPC_E0)" : "Invalid Text len (UPC_E1)");
  int check = -1;
  if (t.size() == 7) {
    check = t[6] - '0';
    t.resize(6);
  }
  t = PadLeft(t, 6);
  if (check < 0) {
    std::string a(1, static_cast<char>('0' + numberSystem));
    char last = t[5];
    if (last <= '2') a += t.substr(0, 2) + last + "0000" + t.substr(2, 3);
    else if (last == '3') a += t.substr(0, 3) + "00000" + t.substr(3, 2);
    else if (last == '4') a += t.substr(0, 4) + "00000" + t.substr(4, 1);
    else a += t.substr(0, 5) + "0000" + last;
    check = Modulo10CheckDigit(a);
  }
  const char* parity = kUpcEParity[check];
  std::string out = "505";
  for (int i = 0; i < 6; ++i) {
    char set = parity[i];
    if (numberSystem == 1) set = set == 'A' ? 'B' : 'A';
    out += EanDigit(t[static_cast<std::size_t>(i)], set);
  }
  out += "050505";
  return out;
}

void TBarcodeSymbol::AppendGS1Check() {
  if (FHasCheckedText && FText == FCheckedText) return;
  FText = CheckSumAppend(FText, FCheckSumMethod);
}

std::string TBarcodeSymbol::Code128() {
  int start;
  char set;
  bool gs1 = false;
  switch (FTyp) {
    case bcCode128A: start = 103; set = 'A'; break;
    case bcCode128B: start = 104; set = 'B'; break;
    case bcCode128C: start = 105; set = 'C'; break;
    case bcCodeEAN128A: start = 103; set = 'A'; gs1 = true; break;
    case bcCodeEAN128B: start = 104; set = 'B'; gs1 = true; break;
    case bcCodeEAN128C: start = 105; set = 'C'; gs1 = true; break;
    default: throw EBarcodeError(ClassName() + ": wrong BarcodeType in Code_128");
  }
  if (gs1 && FCheckSum) AppendGS1Check();
  if (set == 'C' && FText.size() % 2 == 1) FText = "0" + FText;
  if (gs1 && FCheckSum) {
    FCheckedText = FText;
    FHasCheckedText = true;
  }

  std::vector<int> values;
  if (gs1) values.push_back(kCode128FNC1);
  if (set == 'C') {
    for (std::size_t i = 0; i + 1 < FText.size(); i += 2) {
      char a = FText[i], b = FText[i + 1];
      bool ok = a >= '0' && a <= '9' && b >= '0' && b <= '9';
      values.push_back(ok ? (a - '0') * 10 + (b - '0') : 0);
    }
  } else {
    for (unsigned char c : FText) {
      int v = 0;  // a character the set lacks is a blank
      if (set == 'A') {
        if (c >= 32 && c <= 95) v = c - 32;
        else if (c < 32) v = c + 64;
      } else if (c >= 32 && c <= 127) {
        v = c - 32;
      }
      values.push_back(v);
    }
  }

  std::string out;
  AppendWidths(out, kCode128[start]);
  long long sum = start;
  int weight = 1;
  for (int v : values) {
    AppendWidths(out, kCode128[v]);
    sum += static_cast<long long>(v) * weight++;
  }
  AppendWidths(out, kCode128[sum % 103]);
  AppendWidths(out, kCode128[106]);
  return out;
}

std::string TBarcodeSymbol::Code93(bool extended) {
  std::vector<int> values;
  for (unsigned char c : FText) {
    if (!extended) {
      int i = IndexIn(kCode93Chars, static_cast<char>(c));
      if (i < 0) throw EBarcodeError(ClassName() + ":Code93 bad Data <" + FText + ">");
      values.push_back(i);
      continue;
    }
    std::string pair = c < 128 ? FullAsciiPair(c) : std::string();
    if (pair.empty()) throw EBarcodeError(ClassName() + ":Code93 bad Data <" + FText + ">");
    if (pair.size() == 2) {
      // The shift characters ($) (%) (/) (+) are values 43..46.
      static const char kShifts[] = "$%/+";
      values.push_back(43 + IndexIn(kShifts, pair[0]));
      values.push_back(IndexIn(kCode93Chars, pair[1]));
    } else {
      values.push_back(IndexIn(kCode93Chars, pair[0]));
    }
  }
  auto check = [&](int maxWeight) {
    long long sum = 0;
    int weight = 1;
    for (auto it = values.rbegin(); it != values.rend(); ++it) {
      sum += static_cast<long long>(*it) * weight;
      weight = weight == maxWeight ? 1 : weight + 1;
    }
    return static_cast<int>(sum % 47);
  };
  values.push_back(check(20));
  values.push_back(check(15));

  std::string out;
  AppendWidths(out, "111141");
  for (int v : values) AppendWidths(out, kCode93[v]);
  AppendWidths(out, "1111411");
  return out;
}

std::string TBarcodeSymbol::Code39(bool extended) {
  std::string text;
  if (extended) {
    for (unsigned char c : FText)
      if (c < 128) text += FullAsciiPair(c);
  } else {
    text = FText;
  }
  std::string out;
  auto add = [&](int index) {
    AppendNarrowWide(out, kCode39[index]);
    out += '0';
  };
  add(43);
  int sum = 0;
  for (char c : text) {
    int i = IndexIn(kCode39Chars, c);
    if (i < 0) continue;
    add(i);
    sum += i;
  }
  if (FCheckSum) add(sum % 43);
  AppendNarrowWide(out, kCode39[43]);
  return out;
}

int TBarcodeSymbol::Width() {
  std::string data = MakeData();
  int w = 0;
  for (char c : data) {
    if (c >= '0' && c <= '3') w += FModules[static_cast<std::size_t>(c - '0')];
    else if (c >= '5' && c <= '8') w += FModules[static_cast<std::size_t>(c - '5')];
    else if (c >= 'A' && c <= 'D') w += FModules[static_cast<std::size_t>(c - 'A')];
    else InternalError();
  }
  return w;
}

void TBarcodeSymbol::SetWidth(int value) {
  int current = Width();
  if (current > 0) SetModul(FModul * value / current);
}

void TBarcodeSymbol::DrawOnCanvas(TCanvas& canvas) {
  TFont oldFont(canvas.Font());
  TPen oldPen;
  oldPen.Assign(canvas.Pen());
  TBrush oldBrush;
  oldBrush.Assign(canvas.Brush());
  struct Restore {
    TCanvas& c;
    TFont& f;
    TPen& p;
    TBrush& b;
    ~Restore() {
      c.Font().Assign(f);
      c.Pen().Assign(p);
      c.Brush().Assign(b);
    }
  } restore{canvas, oldFont, oldPen, oldBrush};

  std::string data = MakeData();
  const int w = Width();
  const int h = FHeight;
  const double a = FAngle / 180.0 * std::numbers::pi;
  const double s = std::sin(a), c = std::cos(a);
  int dx, dy;
  if (s >= 0 && c >= 0) {
    dx = 0;
    dy = static_cast<int>(Round(w * s));
  } else if (s >= 0) {
    dx = static_cast<int>(-Round(w * c));
    dy = static_cast<int>(Round(w * s - h * c));
  } else if (c >= 0) {
    dx = static_cast<int>(-Round(h * s));
    dy = 0;
  } else {
    dx = static_cast<int>(-Round(w * c) - Round(h * s));
    dy = static_cast<int>(-Round(h * c));
  }
  const int ox = FLeft + dx, oy = FTop + dy;
  auto turn = [&](int x, int y) {
    return TPoint{ox + static_cast<int>(Round(x * c + y * s)), oy + static_cast<int>(Round(-x * s + y * c))};
  };

  const bool upright = std::fmod(FAngle, 90.0) == 0.0;
  canvas.Pen().SetWidth(1);
  canvas.Pen().SetStyle(psSolid);
  canvas.Brush().SetStyle(bsSolid);
  int x = 0;
  for (char ch : data) {
    int index;
    if (ch >= '0' && ch <= '3') index = ch - '0';
    else if (ch >= '5' && ch <= '8') index = ch - '5';
    else if (ch >= 'A' && ch <= 'D') index = ch - 'A';
    else InternalError();
    const int ew = FModules[static_cast<std::size_t>(index)];
    const TColor color = IsBar(ch) ? FColorBar : FColor;
    canvas.Pen().SetColor(color);
    canvas.Brush().SetColor(color);
    // Short bars stand on the baseline of the full bars, as the postal readers expect.
    int top = 0, bottom = h;
    if (IsShortBar(ch)) top = h - h * 2 / 5;
    const TPoint corners[4] = {turn(x, top), turn(x, bottom), turn(x + ew - 1, bottom), turn(x + ew - 1, top)};
    if (upright) {
      // Turned by a multiple of 90 degrees the element is an upright rectangle: filled with
      // its outline's pixels at once.
      int l = corners[0].X, t = corners[0].Y, r = l, b = t;
      for (const TPoint& p : corners) {
        l = std::min(l, p.X); r = std::max(r, p.X);
        t = std::min(t, p.Y); b = std::max(b, p.Y);
      }
      canvas.FillRect(Rect(l, t, r + 1, b + 1));
    } else {
      canvas.Polygon({corners[0], corners[1], corners[2], corners[3]});
    }
    x += ew;
  }

  if (FShowText == bcoNone) return;
  canvas.Font().Assign(FShowTextFont);
  canvas.Pen().SetColor(FShowTextFont.Color());
  canvas.Brush().SetColor(clWhite);
  canvas.Brush().SetStyle(bsSolid);
  if (FShowText == bcoCode || FShowText == bcoBoth) {
    const int tw = canvas.TextWidth(FText), th = canvas.TextHeight(FText);
    int tx = FLeft, ty = FTop;
    switch (FShowTextPosition) {
      case stpTopLeft: case stpBottomLeft: tx = FLeft; break;
      case stpTopRight: case stpBottomRight: tx = FLeft + w - tw; break;
      case stpTopCenter: case stpBottomCenter: tx = FLeft + (w - tw) / 2; break;
    }
    if (FShowTextPosition >= stpBottomLeft) ty = FTop + h - th;
    canvas.TextOut(tx, ty, FText);
  }
  if (FShowText == bcoTyp || FShowText == bcoBoth)
    canvas.TextOut(FLeft, FTop + static_cast<int>(Round(std::abs(FShowTextFont.Height()) * 2.5)),
                   kTypes[static_cast<int>(FTyp)].Name);
}
