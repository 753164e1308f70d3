// The functions an engine knows, grouped by where they come from: each
// package in the order the engine holds them, then the deffunctions, then
// the functions a host registered outside any package. help and the
// manual's function table both read it, so neither can drift from the
// engine's own tables.
#pragma once

#include <string>
#include <vector>

#include "engine/InferenceEngine.h"
#include "functions/IEUserFunction.h"

namespace ie {

inline constexpr const char* SDeffunctionsGroup = "deffunctions";
inline constexpr const char* SHostFunctionsGroup = "host functions";

struct TFunctionGroup {
  // "standard", "fuzzy logic" (a package's component name when it has
  // one), SDeffunctionsGroup or SHostFunctionsGroup.
  std::string Name;
  // Sorted by name regardless of case.
  std::vector<IUserFunction> Functions;
};

// Every function of Engine's table in exactly one group; empty groups are
// left out.
std::vector<TFunctionGroup> FunctionGroups(TInferenceEngine& Engine);
// The name of the group Function belongs to.
std::string FunctionGroupName(TInferenceEngine& Engine, const IUserFunction& Function);
// How a call is written: "(name <argument text>)", for a deffunction
// "(name ?a $?b)".
std::string FunctionSyntax(TInferenceEngine& Engine, const IUserFunction& Function);

}  // namespace ie
