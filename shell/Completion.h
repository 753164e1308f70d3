// The words Tab completes at the prompt: the names of every function the
// engine can call (built-in, host and deffunctions), the names of the
// knowledge base's rules, templates, defined types and fact sets, and the
// rule language's keywords. Read from the engine at each Tab, so a
// construct defined a moment ago completes.
#pragma once

#include <string>
#include <vector>

#include <ie/ie.h>

namespace ie {

// The words that begin with Prefix, sorted, each once.
std::vector<std::string> CompletionsOf(TInferenceEngine& Engine, const std::string& Prefix);

}  // namespace ie
