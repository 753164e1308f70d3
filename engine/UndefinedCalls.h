// Calls that no function answers. A call finds its function by name when
// it first runs, so a rule or deffunction may call one defined after it;
// once a whole file is read, a name still unknown is most likely a typo.
#pragma once

#include <string>
#include <vector>

namespace ie {

class TInferenceEngine;

struct TUndefinedCall {
  std::string Construct;  // "defrule" or "deffunction"
  std::string Name;
  std::string Function;
};

// Every rule (patterns and actions) and deffunction calling a function the
// engine does not know, once per name called, sorted by construct and name.
std::vector<TUndefinedCall> FindUndefinedCalls(TInferenceEngine& Engine);

}  // namespace ie
