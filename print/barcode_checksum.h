// Check digits of the barcodes: the modulo-10 digit of the retail and GS1 codes.
#pragma once

#include <string>

enum TCheckSumMethod { csmNone, csmModulo10 };

// The modulo-10 check digit of a digit string: digits weighted 3 and 1 alternately, the
// rightmost weighted 3; the digit is (10 - sum mod 10) mod 10. Bytes that are not digits count
// nothing and take no weight.
int Modulo10CheckDigit(const std::string& digits);
// The string with its check digit appended (csmModulo10), or unchanged (csmNone).
std::string CheckSumAppend(const std::string& digits, TCheckSumMethod method = csmModulo10);
