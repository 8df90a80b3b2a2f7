// A small set of enumeration values, the way the class library's set types are used:
// Style << fsBold, Style.Contains(fsItalic), Options + goEditing.
#pragma once

#include <cstdint>
#include <initializer_list>

template <typename E>
class TSet {
public:
  constexpr TSet() = default;
  constexpr TSet(E value) : FBits(Bit(value)) {}
  constexpr TSet(std::initializer_list<E> values) {
    for (E v : values) FBits |= Bit(v);
  }

  static constexpr TSet FromBits(std::uint64_t bits) {
    TSet s;
    s.FBits = bits;
    return s;
  }
  constexpr std::uint64_t Bits() const { return FBits; }

  constexpr bool Contains(E value) const { return (FBits & Bit(value)) != 0; }
  constexpr bool Empty() const { return FBits == 0; }
  constexpr TSet& Include(E value) { FBits |= Bit(value); return *this; }
  constexpr TSet& Exclude(E value) { FBits &= ~Bit(value); return *this; }
  constexpr TSet& operator<<(E value) { return Include(value); }
  constexpr TSet& operator>>(E value) { return Exclude(value); }

  friend constexpr TSet operator+(TSet a, TSet b) { return FromBits(a.FBits | b.FBits); }
  friend constexpr TSet operator-(TSet a, TSet b) { return FromBits(a.FBits & ~b.FBits); }
  friend constexpr TSet operator*(TSet a, TSet b) { return FromBits(a.FBits & b.FBits); }
  constexpr TSet& operator+=(TSet b) { FBits |= b.FBits; return *this; }
  constexpr TSet& operator-=(TSet b) { FBits &= ~b.FBits; return *this; }
  constexpr TSet& operator*=(TSet b) { FBits &= b.FBits; return *this; }
  friend constexpr bool operator==(TSet a, TSet b) = default;

private:
  static constexpr std::uint64_t Bit(E value) {
    return std::uint64_t{1} << static_cast<unsigned>(value);
  }
  std::uint64_t FBits = 0;
};
