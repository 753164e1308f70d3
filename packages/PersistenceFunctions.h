// The standard package's functions that read and write the knowledge base
// as files: load and save (every construct and the facts), load-facts and
// save-facts (facts only). Each works on the engine of the calling context
// and passes the engine's own errors on: the runtime's file errors for a
// file that cannot be opened or created, parse errors naming the file.
#pragma once

#include "functions/IEPackages.h"

namespace ie {

// Adds one instance of each function, in the package's order.
void AddPersistenceFunctions(TUserFunctionList& Functions);

}  // namespace ie
