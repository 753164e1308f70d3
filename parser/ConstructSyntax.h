// The definition constructs of the rule language: the keyword that opens
// each, what the parser makes of it, its syntax and what it does. The
// parser recognises constructs by this table, and help prints it, so the
// two cannot disagree about which constructs exist.
#pragma once

#include <span>
#include <string_view>

#include "engine/InferenceEngine.h"

namespace ie {

struct TConstructSyntax {
  const char* Keyword;
  TParsedType Kind;
  // Lines joined by "\n"; the first is the construct's outline.
  const char* Syntax;
  const char* Help;
};

std::span<const TConstructSyntax> ConstructSyntaxes();
// The construct opened by Keyword (case-sensitive), or nil.
const TConstructSyntax* FindConstructSyntax(std::string_view Keyword);

}  // namespace ie
