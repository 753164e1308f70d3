// Run-time type information of an enumeration: its name and the names of
// its members in ordinal order, so that values and sets of it can be
// written and read as text.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace ie {

struct TEnumTypeInfo {
  std::string_view Name;
  std::span<const std::string_view> MemberNames;
};

// The ordinal of the member named Name, compared without regard to case,
// or -1.
inline int32_t GetEnumValue(const TEnumTypeInfo& TypeInfo, std::string_view Name) {
  const auto Lower = [](char C) { return C >= 'A' && C <= 'Z' ? static_cast<char>(C + 32) : C; };
  for (size_t I = 0; I < TypeInfo.MemberNames.size(); ++I) {
    const std::string_view Member = TypeInfo.MemberNames[I];
    if (Member.size() != Name.size()) continue;
    bool Same = true;
    for (size_t J = 0; J < Name.size() && Same; ++J) Same = Lower(Member[J]) == Lower(Name[J]);
    if (Same) return static_cast<int32_t>(I);
  }
  return -1;
}

}  // namespace ie
