// The system's string hash: h = h * 31 + character, in 32-bit wrap-around
// arithmetic, over a sample of the characters. Long texts are sampled so that
// hashing stays cheap on the match path; equal texts always hash alike.
#pragma once

#include <cstdint>
#include <string_view>

namespace ie {

// Every Step-th character from the first (a Step below 1 counts as 1).
constexpr int32_t HashStringStep(std::string_view Text, int32_t Step) {
  const size_t Stride = Step < 1 ? 1 : static_cast<size_t>(Step);
  uint32_t Hash = 0;
  for (size_t I = 0; I < Text.size(); I += Stride) {
    Hash = Hash * 31u + static_cast<unsigned char>(Text[I]);
  }
  return static_cast<int32_t>(Hash);
}

// Every character of a text shorter than 16; beyond that every
// (length div 8)-th, about eight samples.
constexpr int32_t HashString(std::string_view Text) {
  const size_t Length = Text.size();
  return HashStringStep(Text, Length < 16 ? 1 : static_cast<int32_t>(Length / 8));
}

}  // namespace ie
