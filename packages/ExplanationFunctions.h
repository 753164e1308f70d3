// The miscellaneous package's explanation functions: why prints where a
// fact came from (the rule firing and its facts, a fact set, the top level
// or the host), matches what a rule's patterns, joins and activations hold
// now. Both print on the standard output and return nil; the host gets the
// same as structures from the engine's Why and Matches.
#pragma once

#include "functions/IEPackages.h"

namespace ie {

// Adds why and matches.
void AddExplanationFunctions(TUserFunctionList& Functions);

}  // namespace ie
