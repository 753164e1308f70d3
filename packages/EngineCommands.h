// The standard package's functions that act on the inference engine of the
// calling context: assert, assert-string, retract, retract-string, modify,
// duplicate, get-slot-value, get-fact-duplication, set-fact-duplication,
// get-strategy, set-strategy, reset, run, halt, clear, exit, watch,
// unwatch, store, fetch, clear-storage, gensym*, version,
// do-backward-chaining and __get-var.
//
// A context without an inference engine raises the runtime's invalid
// type-cast error. exit raises the runtime's silent abort, which unwinds
// every evaluation in progress, try included.
#pragma once

#include "functions/IEPackages.h"

namespace ie {

// Adds one instance of each engine command, in the package's order.
void AddEngineCommands(TUserFunctionList& Functions);

}  // namespace ie
