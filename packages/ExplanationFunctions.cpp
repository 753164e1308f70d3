#include "packages/ExplanationFunctions.h"

#include <string>

#include "engine/Explanation.h"
#include "engine/InferenceEngine.h"
#include "packages/PackageSupport.h"
#include "rete/IEContext.h"
#include "rete/RuleMatches.h"

namespace ie {
namespace {

using TExplain = std::string (*)(TInferenceEngine& Engine, const IIEValue& Argument);

std::string Why(TInferenceEngine& Engine, const IIEValue& Argument) {
  return WhyText(Engine.Why(Argument->GetAsFactId()));
}

std::string Matches(TInferenceEngine& Engine, const IIEValue& Argument) {
  return MatchesText(Engine.Matches(Argument->GetAsString()));
}

// Prints what Explain makes of its one argument.
template <TExplain Explain>
void CallExplain(const IFunCall& FunCall, TIEContext* Context, IIEValue&) {
  TInferenceEngine& Engine = EngineOf(Context);
  Engine.PrintOut("", Explain(Engine, Operand(FunCall, 0, Context)));
}

constexpr TFunctionRow ExplanationRows[] = {
    {"why", CallExplain<Why>, 1, 1, " <fact-index>",
     "Prints the fact with the given fact-index and what asserted it: the rule and the facts of "
     "the firing, the fact set, the top level or the host."},
    {"matches", CallExplain<Matches>, 1, 1, " <rule-name>",
     "Prints for each pattern of the rule the facts matching it, for each join the partial "
     "matches, and the rule's activations waiting on the agenda."},
};

}  // namespace

void AddExplanationFunctions(TUserFunctionList& Functions) { AddRows(Functions, ExplanationRows); }

}  // namespace ie
