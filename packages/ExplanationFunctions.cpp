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

// Prints what Explain makes of its one argument.
class TExplainFunction : public TIEUserFunction {
  IE_CLASS(TExplainFunction, TIEUserFunction)

 public:
  TExplainFunction(const char* Name, const char* Help, const char* Arguments, TExplain Explain)
      : FExplain(Explain) {
    Describe(*this, Name, Help, Arguments, 1, 1);
  }

 protected:
  ~TExplainFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue&) override {
    TInferenceEngine& Engine = EngineOf(Context);
    Engine.PrintOut("", FExplain(Engine, Operand(FunCall, 0, Context)));
  }

 private:
  TExplain FExplain;
};

std::string Why(TInferenceEngine& Engine, const IIEValue& Argument) {
  return WhyText(Engine.Why(Argument->GetAsFactId()));
}

std::string Matches(TInferenceEngine& Engine, const IIEValue& Argument) {
  return MatchesText(Engine.Matches(Argument->GetAsString()));
}

}  // namespace

void AddExplanationFunctions(TUserFunctionList& Functions) {
  Functions.Add(new TExplainFunction(
      "why",
      "Prints the fact with the given fact-index and what asserted it: the rule and the facts "
      "of the firing, the fact set, the top level or the host.",
      " <fact-index>", Why));
  Functions.Add(new TExplainFunction(
      "matches",
      "Prints for each pattern of the rule the facts matching it, for each join the partial "
      "matches, and the rule's activations waiting on the agenda.",
      " <rule-name>", Matches));
}

}  // namespace ie
