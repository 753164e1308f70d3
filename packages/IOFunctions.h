// The standard package's text input and output: printout and format write
// to a logical name, readline reads a line from one, open and close manage
// the engine's file streams under logical names, remove and rename act on
// files. "t" (or no name) is the host's own output and input.
//
// Each function works on the engine of the calling context, reached
// through its PrintOut, ReadLine and IOStreams; a context without an
// inference engine raises the runtime's invalid type-cast error.
#pragma once

#include "functions/IEPackages.h"

namespace ie {

// Adds one instance of each I/O function, in the package's order.
void AddIOFunctions(TUserFunctionList& Functions);

}  // namespace ie
