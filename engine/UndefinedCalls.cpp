#include "engine/UndefinedCalls.h"

#include <algorithm>
#include <set>
#include <tuple>

#include "engine/InferenceEngine.h"
#include "functions/IEInterpretedFunction.h"
#include "rete/IEPattern.h"
#include "rete/IERule.h"
#include "rete/IESlotTest.h"

namespace ie {

namespace {

class TCallScan {
 public:
  TCallScan(TInferenceEngine& Engine, std::vector<TUndefinedCall>& Found)
      : FEngine(Engine), FFound(Found) {}

  void Start(const char* Construct, const std::string& Name) {
    FConstruct = Construct;
    FName = Name;
    FSeen.clear();
  }

  void Value(const IIEValue& Value) {
    if (!Value) return;
    if (Value->GetDType() == dtFunCall) {
      if (const ICustomFunCall Call = Value->GetAsFunCall<TCustomFunctionCall>()) this->Call(*Call);
    } else if (Value->GetDType() == dtList) {
      if (const IValueVector List = Value->GetAsList()) {
        for (const IIEValue& Element : *List) this->Value(Element);
      }
    }
  }

  void Call(const TCustomFunctionCall& Call) {
    const std::string& Function = Call.GetName();
    if (!FEngine.ContainsUserFunction(Function) && FSeen.insert(Function).second) {
      FFound.push_back({FConstruct, FName, Function});
    }
    for (int32_t I = 0; I < Call.GetArgumentCount(); ++I) Value(Call.GetArgument(I));
  }

 private:
  TInferenceEngine& FEngine;
  std::vector<TUndefinedCall>& FFound;
  std::string FConstruct;
  std::string FName;
  std::set<std::string> FSeen;
};

}  // namespace

std::vector<TUndefinedCall> FindUndefinedCalls(TInferenceEngine& Engine) {
  std::vector<TUndefinedCall> Found;
  TCallScan Scan(Engine, Found);
  for (const auto& Entry : Engine.GetUserFunctions()) {
    const TRef<TInterpretedFunction> Function = Entry.Value.TryAs<TInterpretedFunction>();
    if (!Function) continue;
    Scan.Start("deffunction", Function->GetFunctionName());
    for (int32_t I = 0; I < Function->GetStatementCount(); ++I) Scan.Value(Function->GetStatement(I));
  }
  for (const auto& Entry : Engine.GetRules()) {
    const TRule& Rule = *Entry.Value;
    Scan.Start("defrule", Rule.GetRuleName());
    for (const TIEPattern* Pattern : Rule.GetPatterns()) {
      for (int32_t Slot = 0; Slot < Pattern->GetSlotCount(); ++Slot) {
        for (int32_t I = 0; I < Pattern->GetSlotTestCount(Slot); ++I) {
          Scan.Value(Pattern->GetSlotTest(Slot, I)->GetSlotValue());
        }
      }
    }
    for (const ICustomFunCall& Action : Rule.GetActions()) Scan.Call(*Action);
  }
  std::sort(Found.begin(), Found.end(), [](const TUndefinedCall& A, const TUndefinedCall& B) {
    return std::tie(A.Construct, A.Name, A.Function) < std::tie(B.Construct, B.Name, B.Function);
  });
  return Found;
}

}  // namespace ie
