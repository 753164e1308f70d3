#include "packages/MiscPackage.h"

#include <algorithm>
#include <array>
#include <climits>
#include <string>
#include <vector>

#include "core/IEConsts.h"
#include "core/IEFacts.h"
#include "core/IEValue.h"
#include "engine/ActivationAgenda.h"
#include "engine/InferenceEngine.h"
#include "packages/DateTimeFunctions.h"
#include "packages/DialogFunctions.h"
#include "packages/ExplanationFunctions.h"
#include "packages/HelpFunction.h"
#include "rete/IEContext.h"
#include "rete/IERule.h"
#include "runtime/Conversions.h"
#include "runtime/Exceptions.h"
#include "runtime/Format.h"
#include "runtime/ScopeGuard.h"

namespace ie {
namespace {

bool IsTrue(const IIEValue& Value) { return FCTrue->Equals(Value); }

std::string NameOf(const IFunCall& FunCall, TIEContext* Context) {
  return Operand(FunCall, 0, Context)->GetAsString();
}

// Lines one per line, then Total, the count and Word on a line of their
// own, printed at once on the standard output.
void PrintListing(TInferenceEngine& Engine, const std::vector<std::string>& Lines,
                  const char* Total, const char* Word) {
  std::string Text;
  for (const std::string& Line : Lines) Text += Line + NewLineString;
  Text += Total + IntToStr(static_cast<int64_t>(Lines.size())) + Word + NewLineString;
  Engine.PrintOut("", Text);
}

constexpr const char* LowerTotal = "for a total of ";
constexpr const char* UpperTotal = "For a total of ";

// Listings

void CallAgenda(const IFunCall&, TIEContext* Context, IIEValue&) {
  TInferenceEngine& Engine = EngineOf(Context);
  std::vector<std::string> Lines;
  for (int32_t I = 0; I < Engine.GetAgendaCount(); ++I) {
    Lines.push_back(Engine.GetActivation(I)->GetToString());
  }
  PrintListing(Engine, Lines, LowerTotal, " activations.");
}

// The names of one table of the engine, sorted, then their number
// followed by TNames::Word.
template <class TNames>
void CallListNames(const IFunCall&, TIEContext* Context, IIEValue&) {
  TInferenceEngine& Engine = EngineOf(Context);
  std::vector<std::string> Names = TNames()(Engine);
  std::sort(Names.begin(), Names.end(), TextLess);
  PrintListing(Engine, Names, LowerTotal, TNames::Word);
}

template <class TTable>
std::vector<std::string> KeysOf(const TTable& Table) {
  std::vector<std::string> Names;
  for (const auto& Entry : Table) Names.push_back(Entry.Key);
  return Names;
}

struct TRuleNames {
  static constexpr const char* Word = " rules.";
  std::vector<std::string> operator()(TInferenceEngine& E) const { return KeysOf(E.GetRules()); }
};
struct TTemplateNames {
  static constexpr const char* Word = " deftemplates.";
  std::vector<std::string> operator()(TInferenceEngine& E) const {
    return KeysOf(E.GetFactTemplates());
  }
};
struct TFactSetNames {
  static constexpr const char* Word = " deffacts.";
  std::vector<std::string> operator()(TInferenceEngine& E) const {
    std::vector<std::string> Names;
    for (const TFactSet* Set : E.GetFactSets()) Names.push_back(Set->GetFactSetName());
    return Names;
  }
};
struct TFunctionNames {
  static constexpr const char* Word = " deffunctions.";
  std::vector<std::string> operator()(TInferenceEngine& E) const {
    return KeysOf(E.GetUserFunctions());
  }
};
struct TDefTypeNames {
  static constexpr const char* Word = " deftypes.";
  std::vector<std::string> operator()(TInferenceEngine& E) const {
    return KeysOf(E.GetDefinedTypes());
  }
};

// The limits are literal numbers, read as they were written.
void CallShowFacts(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TInferenceEngine& Engine = EngineOf(Context);
  const int32_t Count = FunCall->GetArgumentCount();
  const auto Literal = [&](int32_t Index, int32_t Default) {
    return Index < Count ? FunCall->GetArgument(Index)->GetAsInteger() : Default;
  };
  const int32_t Start = Literal(0, INT32_MIN);
  const int32_t End = Literal(1, INT32_MAX);
  const int32_t Max = Literal(2, Engine.GetFacts().GetCount());
  std::vector<std::string> Lines;
  for (const IFact& Fact : Engine.GetFacts()) {
    if (static_cast<int32_t>(Lines.size()) >= Max) break;
    if (Fact->GetID() >= Start && Fact->GetID() <= End) Lines.push_back(Fact->GetToIDString());
  }
  std::sort(Lines.begin(), Lines.end(), TextLess);
  PrintListing(Engine, Lines, UpperTotal, " facts.");
  Result = FCTrue;
}

void CallShowRules(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TInferenceEngine& Engine = EngineOf(Context);
  const std::string Name = FunCall->GetArgumentCount() > 0 ? NameOf(FunCall, Context) : "";
  // A rule's text ends without a line end.
  for (const auto& Entry : Engine.GetRules()) {
    Engine.PrintOut(Name, Entry.Value->GetToString() + NewLineString);
  }
  Engine.PrintOut(Name,
                  UpperTotal + IntToStr(Engine.GetRules().GetCount()) + " rules." + NewLineString);
  Result = FCTrue;
}

// Printing one construct

constexpr std::array<TFunctionRow, 5> PrettyPrintRows = {{
    {"ppdeffacts", nullptr, 1, 1, " <fact-set-name>", "Returns the text of the fact set."},
    {"ppdeffunction", nullptr, 1, 1, " <function-name>", "Returns the text of the function."},
    {"ppdeftemplate", nullptr, 1, 1, " <fact-template-name>",
     "Returns the text of the fact template."},
    {"ppdefrule", nullptr, 1, 1, " <rulename>", "Returns the text of the rule."},
    {"ppdeftype", nullptr, 1, 1, " <type-name>", "Returns the text of the defined type."},
}};

constexpr const char* ConstructWords[] = {"fact set", "user function", "fact template", "rule",
                                          "defined type"};

// The text of the construct of that kind and name; false when there is
// none.
bool ConstructText(TInferenceEngine& Engine, TPrettyPrintFunctionType Kind, const std::string& Name,
                   std::string& Text) {
  switch (Kind) {
    case ppfFactSet: {
      const int32_t Index = Engine.GetFactSets().IndexOf(Name);
      if (Index >= 0) Text = Engine.GetFactSets().Get(Index)->GetToString();
      return Index >= 0;
    }
    case ppfUserFunction: {
      const IUserFunction Function = Engine.GetUserFunctions().Get(Name);
      if (Function) Text = Function->GetToString(&Engine);
      return static_cast<bool>(Function);
    }
    case ppfFactTemplate: {
      const IFactTemplate Template = Engine.GetFactTemplates().Get(Name);
      if (Template) Text = Template->GetToString();
      return static_cast<bool>(Template);
    }
    case ppfRule: {
      const TRule* Rule = Engine.GetRules().Get(Name);
      if (Rule != nullptr) Text = Rule->GetToString();
      return Rule != nullptr;
    }
    case ppfDefType: {
      const IIEDefinedType Type = Engine.GetDefinedTypes().Get(Name);
      if (Type) Text = Type->GetToString();
      return static_cast<bool>(Type);
    }
  }
  return false;
}

// Removing one construct

// Takes the named construct out of Engine; whether it was there.
using TRemover = bool (*)(TInferenceEngine& Engine, const std::string& Name);

template <TRemover Remove>
void CallUnDef(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  Result = Truth(Remove(EngineOf(Context), NameOf(FunCall, Context)));
}

bool RemoveRule(TInferenceEngine& Engine, const std::string& Name) {
  if (!Engine.GetRules().ContainsKey(Name)) return false;
  Engine.GetRules().Remove(Name);
  return true;
}

// A set the engine owns goes with it; a host's set is only detached.
bool RemoveFactSet(TInferenceEngine& Engine, const std::string& Name) {
  const int32_t Index = Engine.GetFactSets().IndexOf(Name);
  if (Index < 0) return false;
  TFactSet* Set = Engine.GetFactSets().Get(Index);
  Engine.GetFactSets().Remove(Set);
  if (Set->GetOwner() == &Engine) Set->Free();
  return true;
}

bool RemoveFunction(TInferenceEngine& Engine, const std::string& Name) {
  return static_cast<bool>(Engine.GetUserFunctions().Remove(Name));
}

bool RemoveTemplate(TInferenceEngine& Engine, const std::string& Name) {
  return static_cast<bool>(Engine.GetFactTemplates().Remove(Name));
}

bool RemoveDefType(TInferenceEngine& Engine, const std::string& Name) {
  return static_cast<bool>(Engine.GetDefinedTypes().Remove(Name));
}

// Settings

void CallResetGlobals(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TInferenceEngine& Engine = EngineOf(Context);
  if (FunCall->GetArgumentCount() == 0) {
    Result = Truth(Engine.GetResetGlobals());
    return;
  }
  Result = Operand(FunCall, 0, Context);
  Engine.SetResetGlobals(IsTrue(Result));
}

void CallSetGen(const IFunCall& FunCall, TIEContext* Context, IIEValue&) {
  EngineOf(Context).SetSymbolIndex(Operand(FunCall, 0, Context)->GetAsInteger());
}

// get- and set-static- and dynamic-constraint-checking; the setters return
// the state before the change.
template <TTypeCheck Check, bool Set>
void CallConstraintCheck(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TInferenceEngine& Engine = EngineOf(Context);
  TTypeChecks Checks = Engine.GetTypeChecks();
  Result = Truth(Checks.Contains(Check));
  if (!Set) return;
  if (IsTrue(Operand(FunCall, 0, Context))) {
    Checks.Include(Check);
  } else {
    Checks.Exclude(Check);
  }
  Engine.SetTypeChecks(Checks);
}

// Run-time parsing and guarding

// The silent abort of exit still ends everything in progress.
void CallIEParse(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TInferenceEngine& Engine = EngineOf(Context);
  const std::string Text = Operand(FunCall, 0, Context)->GetAsString();
  try {
    Engine.Parse(Text, true);
    Result = FCTrue;
  } catch (const EAbort&) {
    throw;
  } catch (const std::exception&) {
    Result = FCFalse;
  }
}

// The rule is enabled again also when an argument raises: a rule left
// disabled would never fire again.
void CallGuard(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TInferenceEngine& Engine = EngineOf(Context);
  TActivation* Firing = Engine.GetCurrentActivation();
  const bool Enabled = Firing != nullptr && Firing->GetRule()->GetEnabled();
  if (Firing != nullptr) Firing->GetRule()->SetEnabled(false);
  const TScopeGuard Restore([&] {
    if (Firing != nullptr && Engine.GetCurrentActivation() != nullptr) {
      Engine.GetCurrentActivation()->GetRule()->SetEnabled(Enabled);
    }
  });
  for (int32_t I = 0; I < FunCall->GetArgumentCount(); ++I) {
    Result = Evaluate(FunCall, I, Context);
  }
}

constexpr TFunctionRow MiscRows[] = {
    {"agenda", CallAgenda, 0, 0, "",
     "Prints the activations of the agenda in the order they fire, then their number."},
    {"facts", CallShowFacts, 0, 3,
     " [<start-integer-expression> [<end-integer-expression> [<max-integer-expression>]]]",
     "Prints the facts, all of them or those whose IDs lie from start to end, at most max of them, "
     "sorted as text, then their number. Returns TRUE."},
    {"rules", CallShowRules, 0, 1, "[<logical-name>]",
     "Prints every rule on the logical name (the standard output without one), then their number. "
     "Returns TRUE."},
    {"set-reset-globals", CallResetGlobals, 0, 1, " [<boolean-expression>]",
     "With an argument, global variables are restored by reset exactly when it is TRUE, and the "
     "argument is returned; without one, returns whether they are."},
    {"setgen", CallSetGen, 1, 1, " <integer-expression>",
     "Sets the index of the next generated symbol when it is higher than the current one; "
     "otherwise the index advances by one."},
    {"parse", CallIEParse, 1, 1, "<string-expression>",
     "Reads the text as rule-language source, defining its constructs and running its calls. "
     "Returns TRUE, or FALSE when that fails."},
    {"guard", CallGuard, 1, UnlimitedArguments, "<function-call-argument>+",
     "Evaluates its arguments in order while the rule that fires cannot be activated again; "
     "returns the last value."},
    {"list-defrules", CallListNames<TRuleNames>, 0, 0, "",
     "Prints the names of the rules, then their number."},
    {"list-deftemplates", CallListNames<TTemplateNames>, 0, 0, "",
     "Prints the names of the fact templates, then their number."},
    {"list-deffacts", CallListNames<TFactSetNames>, 0, 0, "",
     "Prints the names of the fact sets, then their number."},
    // The argument is accepted and not used.
    {"list-deffunctions", CallListNames<TFunctionNames>, 0, 1, "",
     "Prints the names of every function the engine knows, then their number."},
    {"list-deftypes", CallListNames<TDefTypeNames>, 0, 0, "",
     "Prints the names of the defined types, then their number."},
    {"undefrule", CallUnDef<RemoveRule>, 1, 1, " <rule-name>",
     "Removes the rule of that name. Returns TRUE, or FALSE when there is none."},
    {"undeffacts", CallUnDef<RemoveFactSet>, 1, 1, " <fact-set-name>",
     "Removes the fact set of that name. Returns TRUE, or FALSE when there is none."},
    {"undeffunction", CallUnDef<RemoveFunction>, 1, 1, " <function-name>",
     "Removes the function of that name. Returns TRUE, or FALSE when there is none."},
    {"undeftemplate", CallUnDef<RemoveTemplate>, 1, 1, " <fact-template-name>",
     "Removes the fact template of that name. Returns TRUE, or FALSE when there is none."},
    {"undeftype", CallUnDef<RemoveDefType>, 1, 1, "<defined-type-name-expression>",
     "Removes the defined type of that name. Returns TRUE, or FALSE when there is none."},
    {"get-static-constraint-checking", CallConstraintCheck<tcStatic, false>, 0, 0, "",
     "Returns TRUE when values are checked against their slots' types as the text is read."},
    {"set-static-constraint-checking", CallConstraintCheck<tcStatic, true>, 1, 1,
     " <boolean-expression>",
     "Checks values against their slots' types as the text is read exactly when the argument is "
     "TRUE. Returns the former setting."},
    {"get-dynamic-constraint-checking", CallConstraintCheck<tcDynamic, false>, 0, 0, "",
     "Returns TRUE when values are checked against their slots' types as facts are made at run "
     "time."},
    {"set-dynamic-constraint-checking", CallConstraintCheck<tcDynamic, true>, 1, 1,
     " <boolean-expression>",
     "Checks values against their slots' types as facts are made at run time exactly when the "
     "argument is TRUE. Returns the former setting."},
};

}  // namespace

// TPrettyPrintFunction

TPrettyPrintFunction::TPrettyPrintFunction(TPrettyPrintFunctionType Kind)
    : TSelectableFunction(PrettyPrintRows, Kind) {}

void TPrettyPrintFunction::Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  const std::string Name = NameOf(FunCall, Context);
  std::string Text;
  if (!ConstructText(EngineOf(Context), GetPrettyPrint(), Name, Text)) {
    throw EIEException(Format(SUnknownName, ConstructWords[GetPrettyPrint()], Name));
  }
  Result = new TIEValue(std::move(Text), dtAtom);
}

// TMiscPackage

void TMiscPackage::CreateFunctions() {
  TUserPackage::CreateFunctions();
  TUserFunctionList& Functions = GetFunctions();
  AddRows(Functions, MiscRows);
  for (auto Kind : {ppfFactSet, ppfUserFunction, ppfFactTemplate, ppfRule, ppfDefType}) {
    Functions.Add(new TPrettyPrintFunction(Kind));
  }
  AddDateTimeFunctions(Functions);
  AddDialogFunctions(Functions);
  AddHelpFunction(Functions);
  AddExplanationFunctions(Functions);
}

}  // namespace ie
