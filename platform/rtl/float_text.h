// The decimal form of a double that the float-to-text routines share.
#pragma once

#include <string>

struct TFloatRec {
  enum TSpecial { fsNormal, fsNaN, fsInf };
  TSpecial Special = fsNormal;
  bool Negative = false;
  // value = 0.Digits x 10^Exponent; no trailing zeros; empty for zero.
  int Exponent = 0;
  std::string Digits;
};

// At most precision (1..15) significant digits and, unless decimals is 9999, at most decimals
// digits after the decimal point, rounded half away from zero. A value that rounds to zero is
// positive zero.
TFloatRec FloatToDecimal(double value, int precision, int decimals);
