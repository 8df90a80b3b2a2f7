// One argument of Format: a small variant that an initializer list builds from plain values,
// so that calls read Format("%d of %s", {5, name}).
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

class TVarRec {
public:
  enum TVType { vtInteger, vtUnsigned, vtExtended, vtString, vtChar, vtPointer, vtBoolean };

  TVarRec(int v) : FType(vtInteger), FInt(v) {}
  TVarRec(long v) : FType(vtInteger), FInt(v) {}
  TVarRec(long long v) : FType(vtInteger), FInt(v) {}
  TVarRec(unsigned v) : FType(vtUnsigned), FUInt(v) {}
  TVarRec(unsigned long v) : FType(vtUnsigned), FUInt(v) {}
  TVarRec(unsigned long long v) : FType(vtUnsigned), FUInt(v) {}
  TVarRec(short v) : FType(vtInteger), FInt(v) {}
  TVarRec(unsigned short v) : FType(vtUnsigned), FUInt(v) {}
  TVarRec(unsigned char v) : FType(vtUnsigned), FUInt(v) {}
  TVarRec(double v) : FType(vtExtended), FFloat(v) {}
  TVarRec(float v) : FType(vtExtended), FFloat(v) {}
  TVarRec(long double v) : FType(vtExtended), FFloat(static_cast<double>(v)) {}
  TVarRec(bool v) : FType(vtBoolean), FInt(v ? 1 : 0) {}
  TVarRec(char v) : FType(vtChar), FStr(1, v) {}
  TVarRec(const char* v) : FType(vtString), FStr(v ? v : "") {}
  TVarRec(std::string v) : FType(vtString), FStr(std::move(v)) {}
  TVarRec(const void* v) : FType(vtPointer), FPtr(v) {}

  TVType VType() const { return FType; }
  bool IsInteger() const { return FType == vtInteger || FType == vtUnsigned || FType == vtBoolean; }
  long long AsInt64() const { return FType == vtUnsigned ? static_cast<long long>(FUInt) : FInt; }
  unsigned long long AsUInt64() const {
    return FType == vtUnsigned ? FUInt : static_cast<unsigned long long>(FInt);
  }
  double AsFloat() const { return FFloat; }
  const std::string& AsString() const { return FStr; }
  const void* AsPointer() const { return FPtr; }

private:
  TVType FType;
  long long FInt = 0;
  unsigned long long FUInt = 0;
  double FFloat = 0;
  const void* FPtr = nullptr;
  std::string FStr;
};
