#include "print/barcode_checksum.h"

int Modulo10CheckDigit(const std::string& digits) {
  int sum = 0;
  int weight = 3;
  for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
    if (*it < '0' || *it > '9') continue;
    sum += (*it - '0') * weight;
    weight = 4 - weight;
  }
  return (10 - sum % 10) % 10;
}

std::string CheckSumAppend(const std::string& digits, TCheckSumMethod method) {
  if (method == csmNone) return digits;
  return digits + static_cast<char>('0' + Modulo10CheckDigit(digits));
}
