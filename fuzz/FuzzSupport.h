// What the fuzz targets share: an engine bounded for untrusted text, and the
// check that what an engine holds, saved and loaded again, is what it held.
// A target's input may do anything the rule language allows; the library's
// own exceptions are its answers to bad text, and anything else (a crash, a
// leak, undefined behaviour, a foreign exception, a saved file that does not
// load back the same) is a finding.
#pragma once

#include <string>

#include "engine/InferenceEngine.h"

namespace ie {

// A fresh engine: output dropped, parse errors collected, function calls
// bounded, files confined to a scratch folder emptied for each engine
// made, and no input from a user.
TInferenceEngine* NewFuzzEngine();

// Fires at most a bounded number of rules; the library's errors are answers.
void RunBounded(TInferenceEngine* Engine);

// Saves Engine into the scratch folder, loads the file into a fresh engine
// and saves that: loading must raise nothing and the two files must be the
// same but for their date line. A finding aborts with both texts.
void CheckRoundTrip(TInferenceEngine* Engine);

}  // namespace ie
