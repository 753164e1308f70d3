// TSet<E, Last>: a set of the members of an enumeration, as a bit set.
// Members are the values 0..Last; enumerations with up to 64 members.
#pragma once

#include <cstdint>
#include <initializer_list>

namespace ie {

template <class E, E Last>
class TSet {
  static_assert(static_cast<unsigned>(Last) < 64, "a set holds at most 64 members");

 public:
  using TElement = E;
  static constexpr E LastMember = Last;

  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> Members) {
    for (E Member : Members) FBits |= Bit(Member);
  }
  static constexpr TSet FromBits(uint64_t Bits) {
    TSet Result;
    Result.FBits = Bits & AllBits();
    return Result;
  }

  constexpr bool Contains(E Member) const { return (FBits & Bit(Member)) != 0; }
  constexpr void Include(E Member) { FBits |= Bit(Member); }
  constexpr void Exclude(E Member) { FBits &= ~Bit(Member); }
  constexpr bool IsEmpty() const { return FBits == 0; }
  constexpr uint64_t GetBits() const { return FBits; }

  friend constexpr TSet operator+(TSet A, TSet B) { return FromBits(A.FBits | B.FBits); }
  friend constexpr TSet operator-(TSet A, TSet B) { return FromBits(A.FBits & ~B.FBits); }
  friend constexpr TSet operator*(TSet A, TSet B) { return FromBits(A.FBits & B.FBits); }
  friend constexpr bool operator==(TSet A, TSet B) { return A.FBits == B.FBits; }
  // Subset and superset, as the set operators <= and >= read.
  friend constexpr bool operator<=(TSet A, TSet B) { return (A.FBits & ~B.FBits) == 0; }
  friend constexpr bool operator>=(TSet A, TSet B) { return B <= A; }

 private:
  static constexpr uint64_t Bit(E Member) { return uint64_t{1} << static_cast<unsigned>(Member); }
  static constexpr uint64_t AllBits() {
    return static_cast<unsigned>(Last) == 63
               ? ~uint64_t{0}
               : (uint64_t{1} << (static_cast<unsigned>(Last) + 1)) - 1;
  }

  uint64_t FBits = 0;
};

}  // namespace ie
