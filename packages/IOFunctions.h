// The standard package's text input and output: printout and format write
// to a logical name, read and readline read a token or a line from one,
// open and close manage the engine's file streams under logical names,
// remove and rename act on files, batch executes a command file, and
// dribble-on and dribble-off send the standard output to a file. "t" (or
// no name) is the host's own output and input.
//
// Each function works on the engine of the calling context, reached
// through its PrintOut, ReadLine, ReadToken, Batch, capture and IOStreams;
// a context without an inference engine raises the runtime's invalid
// type-cast error.
#pragma once

#include "functions/IEPackages.h"

namespace ie {

// Adds one instance of each I/O function, in the package's order.
void AddIOFunctions(TUserFunctionList& Functions);

}  // namespace ie
