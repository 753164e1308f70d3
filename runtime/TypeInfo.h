// Run-time type information of an enumeration: its name and the names of
// its members in ordinal order, so that sets of it can be written and read
// as text.
#pragma once

#include <span>
#include <string_view>

namespace ie {

struct TEnumTypeInfo {
  std::string_view Name;
  std::span<const std::string_view> MemberNames;
};

}  // namespace ie
