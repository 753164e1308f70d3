#include "engine/EnginePrinter.h"

#include "core/IEDefinedTypePrinter.h"
#include "core/IEFactPrinter.h"
#include "core/IEFuzzyPrinter.h"
#include "engine/InferenceEngine.h"
#include "functions/IEFunctionPrinter.h"
#include "functions/IEInterpretedFunction.h"
#include "rete/IERulePrinter.h"

namespace ie {

namespace {

std::string ValueText(const IIEValue& Value) {
  return Value ? Value->GetToString() : std::string();
}

}  // namespace

std::string PrettyPrint(const TFactSet& FactSet) {
  std::string Text = "(deffacts " + WordText(FactSet.GetFactSetName());
  if (!FactSet.GetComment().empty()) Text += " " + QuotedText(FactSet.GetComment());
  Text += NewLineString;
  const TFactSetFacts& Facts = FactSet.GetFacts();
  for (int32_t Index = 0; Index < Facts.GetCount(); ++Index) {
    const IFact& Fact = Facts.GetData(Index);
    Text += IndentString + (Fact ? Fact->GetToString() : Facts.GetString(Index)) + NewLineString;
  }
  return Text + ")";
}

std::string PrettyPrint(const TValueHashTable& Variables) {
  std::string Text = "(defglobal";
  for (const auto& Entry : Variables) {
    Text += " " + WordText("?" + Entry.Key) + " = " + ValueText(Entry.Value);
  }
  return Text + ")";
}

std::string PrettyPrint(const std::string& Name, const IIEValue& Value) {
  if (Name.empty()) return std::string();
  return WordText(Name.front() == '?' ? Name : "?" + Name) + " = " + ValueText(Value);
}

// The engine's printer: each construct's text comes from its own printer.

std::string TInferenceEngine::PrettyPrint(const IFunCall& FunCall) {
  const std::string& Name = FunCall->GetName();
  return ie::PrettyPrint(FunCall, Name == "modify" || Name == "duplicate");
}

std::string TInferenceEngine::PrettyPrint(const IUserFunction& Function) {
  if (const IInterpretedFunction Interpreted = Function.TryAs<TInterpretedFunction>()) {
    return PrettyPrint(Interpreted);
  }
  return PrettyPrint(Function, Format(RuleSyntaxFormat,
                                      Function->GetFunctionName() + Function->GetArgumentString()));
}

std::string TInferenceEngine::PrettyPrint(const IInterpretedFunction& Function) {
  return ie::PrettyPrint(Function);
}

std::string TInferenceEngine::PrettyPrint(const IIEDefinedType& DefinedType) {
  return ie::PrettyPrint(DefinedType);
}

std::string TInferenceEngine::PrettyPrint(const IUserFunction& Function,
                                          const std::string& Syntax) {
  return ie::PrettyPrint(Function, Syntax);
}

std::string TInferenceEngine::PrettyPrint(const IFactSlot& Slot) { return ie::PrettyPrint(Slot); }

std::string TInferenceEngine::PrettyPrint(const IFactTemplate& Template) {
  return ie::PrettyPrint(Template);
}

std::string TInferenceEngine::PrettyPrint(const IFact& Fact) { return ie::PrettyPrint(Fact); }

std::string TInferenceEngine::PrettyPrint(const IFact& Fact, const std::string& SlotName) {
  return ie::PrettyPrint(Fact, SlotName);
}

std::string TInferenceEngine::PrettyPrint(const IFact& Fact, const std::string& SlotName,
                                          const IIEValue& Value) {
  return ie::PrettyPrint(Fact, SlotName, Value);
}

std::string TInferenceEngine::PrettyPrint(const IFact& Fact, const std::string& SlotName,
                                          const std::string& ValueText) {
  return ie::PrettyPrint(Fact, SlotName, ValueText);
}

std::string TInferenceEngine::PrettyPrint(const TIEPattern& Pattern) {
  return ie::PrettyPrint(Pattern);
}

std::string TInferenceEngine::PrettyPrint(const TRule& Rule) { return ie::PrettyPrint(Rule); }

std::string TInferenceEngine::PrettyPrint(const TRule& Rule, TRuleConstruct Construct) {
  return ie::PrettyPrint(Rule, Construct);
}

std::string TInferenceEngine::PrettyPrint(const TFactSet& FactSet) {
  return ie::PrettyPrint(FactSet);
}

std::string TInferenceEngine::PrettyPrint(const IFuzzyVariable& FuzzyVariable) {
  return ie::PrettyPrint(FuzzyVariable);
}

std::string TInferenceEngine::PrettyPrint(const IFuzzySet& FuzzySet, bool AsTerm) {
  return ie::PrettyPrint(FuzzySet, AsTerm);
}

std::string TInferenceEngine::PrettyPrint(const ISingletonsVector& Singletons) {
  return ie::PrettyPrint(Singletons);
}

std::string TInferenceEngine::PrettyPrint(const TValueHashTable& Variables) {
  return ie::PrettyPrint(Variables);
}

std::string TInferenceEngine::PrettyPrint(const std::string& Name, const IIEValue& Value) {
  return ie::PrettyPrint(Name, Value);
}

std::string TInferenceEngine::PrettyPrintGlobalVariables() {
  return PrettyPrint(*FGlobalVariables);
}

}  // namespace ie
