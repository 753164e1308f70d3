// The standard package's list functions: create$, nth$, member$, subseq$,
// subsetp, delete$, insert$, replace$, first$, rest$, length$, explode$
// and implode$. Positions count from 0.
//
// A result list never shares element objects with its source: every
// element copied into it is evaluated and cloned, and the argument's own
// list is never changed. nth$ alone hands back the element itself.
#pragma once

#include "functions/IEPackages.h"

namespace ie {

// Adds one instance of each list function, in the package's order.
void AddMultifieldFunctions(TUserFunctionList& Functions);

}  // namespace ie
