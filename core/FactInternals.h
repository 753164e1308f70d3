// What the units of the fact classes share: the check of a name and the
// hash of value texts fed piece by piece.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/IEConsts.h"
#include "runtime/Format.h"

namespace ie::fact_internals {

inline void CheckName(const std::string& Name) {
  const size_t Position = Name.find_first_of(SForbiddenNameCharacters);
  if (Position != std::string::npos) {
    throw EIEException(Format(SUnexpectedCharacter, Name, std::string(1, Name[Position])));
  }
}

// The hash of two decimal digits as text: '0' + N / 10, then '0' + N % 10.
inline constexpr std::array<uint32_t, 100> DigitPairHashes = [] {
  std::array<uint32_t, 100> Table{};
  for (uint32_t N = 0; N < 100; ++N) Table[N] = ('0' + N / 10) * 31u + ('0' + N % 10);
  return Table;
}();

// h = h * 31 + character, fed piece by piece, so a fact hashes its value
// texts without building them into one string. The hash of a text is a
// polynomial in 31, so a piece's own hash shifted by 31 to its length
// extends the hash of what came before it.
class THashFeed {
 public:
  void Add(char C) { FHash = FHash * 31u + static_cast<unsigned char>(C); }
  void Add(std::string_view Text) {
    size_t I = 0;
    // Four characters at a time, as one piece: the products do not wait
    // for each other.
    for (; I + 4 <= Text.size(); I += 4) {
      const auto C = [&](size_t K) {
        return static_cast<uint32_t>(static_cast<unsigned char>(Text[I + K]));
      };
      FHash = FHash * (31u * 31u * 31u * 31u) + C(0) * (31u * 31u * 31u) + C(1) * (31u * 31u) +
              C(2) * 31u + C(3);
    }
    for (; I < Text.size(); ++I) Add(Text[I]);
  }
  // The decimal text of Value, as an integer value writes it, hashed from
  // its last digits up, two at a time.
  void AddInteger(int32_t Value) {
    uint32_t Rest = Value < 0 ? 0u - static_cast<uint32_t>(Value) : static_cast<uint32_t>(Value);
    uint32_t Piece = 0;
    uint32_t Scale = 1;
    for (; Rest >= 100; Rest /= 100) {
      Piece += DigitPairHashes[Rest % 100] * Scale;
      Scale *= 31u * 31u;
    }
    if (Rest >= 10) {
      Piece += DigitPairHashes[Rest] * Scale;
      Scale *= 31u * 31u;
    } else {
      Piece += ('0' + Rest) * Scale;
      Scale *= 31u;
    }
    if (Value < 0) {
      Piece += static_cast<uint32_t>('-') * Scale;
      Scale *= 31u;
    }
    FHash = FHash * Scale + Piece;
  }
  uint32_t GetHash() const { return FHash; }

 private:
  uint32_t FHash = 0;
};

}  // namespace ie::fact_internals
