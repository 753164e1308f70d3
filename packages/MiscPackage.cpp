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

namespace ie {
namespace {

IIEValue Truth(bool Value) { return Value ? FCTrue : FCFalse; }

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

class TAgendaFunction : public TIEUserFunction {
  IE_CLASS(TAgendaFunction, TIEUserFunction)

 public:
  TAgendaFunction() {
    Describe(*this, "agenda",
             "Prints the activations of the agenda in the order they fire, then their number.", "",
             0, 0);
  }

 protected:
  ~TAgendaFunction() override = default;

  void Call(const IFunCall&, TIEContext* Context, IIEValue&) override {
    TInferenceEngine& Engine = EngineOf(Context);
    std::vector<std::string> Lines;
    for (int32_t I = 0; I < Engine.GetAgendaCount(); ++I) {
      Lines.push_back(Engine.GetActivation(I)->GetToString());
    }
    PrintListing(Engine, Lines, LowerTotal, " activations.");
  }
};

// The names of one table of the engine, sorted, then their number.
template <class TNames>
class TListNamesFunction : public TIEUserFunction {
 public:
  TListNamesFunction(const char* Name, const char* Help, int32_t Max, const char* Word)
      : FWord(Word) {
    Describe(*this, Name, Help, "", 0, Max);
  }

 protected:
  ~TListNamesFunction() override = default;

  void Call(const IFunCall&, TIEContext* Context, IIEValue&) override {
    TInferenceEngine& Engine = EngineOf(Context);
    std::vector<std::string> Names = TNames()(Engine);
    std::sort(Names.begin(), Names.end(), TextLess);
    PrintListing(Engine, Names, LowerTotal, FWord);
  }

 private:
  const char* FWord;
};

template <class TTable>
std::vector<std::string> KeysOf(const TTable& Table) {
  std::vector<std::string> Names;
  for (const auto& Entry : Table) Names.push_back(Entry.Key);
  return Names;
}

struct TRuleNames {
  std::vector<std::string> operator()(TInferenceEngine& E) const { return KeysOf(E.GetRules()); }
};
struct TTemplateNames {
  std::vector<std::string> operator()(TInferenceEngine& E) const {
    return KeysOf(E.GetFactTemplates());
  }
};
struct TFactSetNames {
  std::vector<std::string> operator()(TInferenceEngine& E) const {
    std::vector<std::string> Names;
    for (const TFactSet* Set : E.GetFactSets()) Names.push_back(Set->GetFactSetName());
    return Names;
  }
};
struct TFunctionNames {
  std::vector<std::string> operator()(TInferenceEngine& E) const {
    return KeysOf(E.GetUserFunctions());
  }
};
struct TDefTypeNames {
  std::vector<std::string> operator()(TInferenceEngine& E) const {
    return KeysOf(E.GetDefinedTypes());
  }
};

class TListRulesFunction : public TListNamesFunction<TRuleNames> {
  IE_CLASS(TListRulesFunction, TIEUserFunction)

 public:
  TListRulesFunction()
      : TListNamesFunction("list-defrules", "Prints the names of the rules, then their number.", 0,
                           " rules.") {}

 protected:
  ~TListRulesFunction() override = default;
};

class TListTemplatesFunction : public TListNamesFunction<TTemplateNames> {
  IE_CLASS(TListTemplatesFunction, TIEUserFunction)

 public:
  TListTemplatesFunction()
      : TListNamesFunction("list-deftemplates",
                           "Prints the names of the fact templates, then their number.", 0,
                           " deftemplates.") {}

 protected:
  ~TListTemplatesFunction() override = default;
};

class TListFactSetsFunction : public TListNamesFunction<TFactSetNames> {
  IE_CLASS(TListFactSetsFunction, TIEUserFunction)

 public:
  TListFactSetsFunction()
      : TListNamesFunction("list-deffacts", "Prints the names of the fact sets, then their number.",
                           0, " deffacts.") {}

 protected:
  ~TListFactSetsFunction() override = default;
};

class TListFunctionsFunction : public TListNamesFunction<TFunctionNames> {
  IE_CLASS(TListFunctionsFunction, TIEUserFunction)

 public:
  // The argument is accepted and not used.
  TListFunctionsFunction()
      : TListNamesFunction("list-deffunctions",
                           "Prints the names of every function the engine knows, then their "
                           "number.",
                           1, " deffunctions.") {}

 protected:
  ~TListFunctionsFunction() override = default;
};

class TListDefTypesFunction : public TListNamesFunction<TDefTypeNames> {
  IE_CLASS(TListDefTypesFunction, TIEUserFunction)

 public:
  TListDefTypesFunction()
      : TListNamesFunction("list-deftypes",
                           "Prints the names of the defined types, then their number.", 0,
                           " deftypes.") {}

 protected:
  ~TListDefTypesFunction() override = default;
};

class TShowFactsFunction : public TIEUserFunction {
  IE_CLASS(TShowFactsFunction, TIEUserFunction)

 public:
  TShowFactsFunction() {
    Describe(*this, "facts",
             "Prints the facts, all of them or those whose IDs lie from start to end, at most max "
             "of them, sorted as text, then their number. Returns TRUE.",
             " [<start-integer-expression> [<end-integer-expression> [<max-integer-expression>]]]",
             0, 3);
  }

 protected:
  ~TShowFactsFunction() override = default;

  // The limits are literal numbers, read as they were written.
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
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
};

class TShowRulesFunction : public TIEUserFunction {
  IE_CLASS(TShowRulesFunction, TIEUserFunction)

 public:
  TShowRulesFunction() {
    Describe(*this, "rules",
             "Prints every rule on the logical name (the standard output without one), then "
             "their number. Returns TRUE.",
             "[<logical-name>]", 0, 1);
  }

 protected:
  ~TShowRulesFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    TInferenceEngine& Engine = EngineOf(Context);
    const std::string Name = FunCall->GetArgumentCount() > 0 ? NameOf(FunCall, Context) : "";
    // A rule's text ends without a line end.
    for (const auto& Entry : Engine.GetRules()) {
      Engine.PrintOut(Name, Entry.Value->GetToString() + NewLineString);
    }
    Engine.PrintOut(
        Name, UpperTotal + IntToStr(Engine.GetRules().GetCount()) + " rules." + NewLineString);
    Result = FCTrue;
  }
};

// Printing one construct

constexpr std::array<TFunctionEntry, 5> PrettyPrintEntries = {{
    {"ppdeffacts", "Returns the text of the fact set.", " <fact-set-name>", 1, 1},
    {"ppdeffunction", "Returns the text of the function.", " <function-name>", 1, 1},
    {"ppdeftemplate", "Returns the text of the fact template.", " <fact-template-name>", 1, 1},
    {"ppdefrule", "Returns the text of the rule.", " <rulename>", 1, 1},
    {"ppdeftype", "Returns the text of the defined type.", " <type-name>", 1, 1},
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
class TUnDefFunction : public TIEUserFunction {
 protected:
  TUnDefFunction(const char* Name, const char* What, const char* Arguments) {
    Describe(*this, Name,
             Format("Removes the %s of that name. Returns TRUE, or FALSE when there is none.", What)
                 .c_str(),
             Arguments, 1, 1);
  }
  ~TUnDefFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    Result = Truth(Remove(EngineOf(Context), NameOf(FunCall, Context)));
  }
};

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

class TUnDefRuleFunction : public TUnDefFunction<RemoveRule> {
  IE_CLASS(TUnDefRuleFunction, TIEUserFunction)

 public:
  TUnDefRuleFunction() : TUnDefFunction("undefrule", "rule", " <rule-name>") {}

 protected:
  ~TUnDefRuleFunction() override = default;
};

class TUnDefFactsFunction : public TUnDefFunction<RemoveFactSet> {
  IE_CLASS(TUnDefFactsFunction, TIEUserFunction)

 public:
  TUnDefFactsFunction() : TUnDefFunction("undeffacts", "fact set", " <fact-set-name>") {}

 protected:
  ~TUnDefFactsFunction() override = default;
};

class TUnDefFunctionFunction : public TUnDefFunction<RemoveFunction> {
  IE_CLASS(TUnDefFunctionFunction, TIEUserFunction)

 public:
  TUnDefFunctionFunction() : TUnDefFunction("undeffunction", "function", " <function-name>") {}

 protected:
  ~TUnDefFunctionFunction() override = default;
};

class TUnDefTemplateFunction : public TUnDefFunction<RemoveTemplate> {
  IE_CLASS(TUnDefTemplateFunction, TIEUserFunction)

 public:
  TUnDefTemplateFunction()
      : TUnDefFunction("undeftemplate", "fact template", " <fact-template-name>") {}

 protected:
  ~TUnDefTemplateFunction() override = default;
};

class TUnDefTypeFunction : public TUnDefFunction<RemoveDefType> {
  IE_CLASS(TUnDefTypeFunction, TIEUserFunction)

 public:
  TUnDefTypeFunction()
      : TUnDefFunction("undeftype", "defined type", "<defined-type-name-expression>") {}

 protected:
  ~TUnDefTypeFunction() override = default;
};

// Settings

class TResetGlobalsFunction : public TIEUserFunction {
  IE_CLASS(TResetGlobalsFunction, TIEUserFunction)

 public:
  TResetGlobalsFunction() {
    Describe(*this, "set-reset-globals",
             "With an argument, global variables are restored by reset exactly when it is TRUE, "
             "and the argument is returned; without one, returns whether they are.",
             " [<boolean-expression>]", 0, 1);
  }

 protected:
  ~TResetGlobalsFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    TInferenceEngine& Engine = EngineOf(Context);
    if (FunCall->GetArgumentCount() == 0) {
      Result = Truth(Engine.GetResetGlobals());
      return;
    }
    Result = Operand(FunCall, 0, Context);
    Engine.SetResetGlobals(IsTrue(Result));
  }
};

class TSetGenFunction : public TIEUserFunction {
  IE_CLASS(TSetGenFunction, TIEUserFunction)

 public:
  TSetGenFunction() {
    Describe(*this, "setgen",
             "Sets the index of the next generated symbol when it is higher than the current "
             "one; otherwise the index advances by one.",
             " <integer-expression>", 1, 1);
  }

 protected:
  ~TSetGenFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue&) override {
    EngineOf(Context).SetSymbolIndex(Operand(FunCall, 0, Context)->GetAsInteger());
  }
};

// get- and set-static- and dynamic-constraint-checking.
template <TTypeCheck Check, bool Set>
class TConstraintCheckFunction : public TIEUserFunction {
 protected:
  TConstraintCheckFunction(const char* Name, const char* Help) {
    Describe(*this, Name, Help, Set ? " <boolean-expression>" : "", Set ? 1 : 0, Set ? 1 : 0);
  }
  ~TConstraintCheckFunction() override = default;

  // The setters return the state before the change.
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
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
};

class TGetStaticCheckFunction : public TConstraintCheckFunction<tcStatic, false> {
  IE_CLASS(TGetStaticCheckFunction, TIEUserFunction)

 public:
  TGetStaticCheckFunction()
      : TConstraintCheckFunction("get-static-constraint-checking",
                                 "Returns TRUE when values are checked against their slots' "
                                 "types as the text is read.") {}

 protected:
  ~TGetStaticCheckFunction() override = default;
};

class TSetStaticCheckFunction : public TConstraintCheckFunction<tcStatic, true> {
  IE_CLASS(TSetStaticCheckFunction, TIEUserFunction)

 public:
  TSetStaticCheckFunction()
      : TConstraintCheckFunction("set-static-constraint-checking",
                                 "Checks values against their slots' types as the text is read "
                                 "exactly when the argument is TRUE. Returns the former "
                                 "setting.") {}

 protected:
  ~TSetStaticCheckFunction() override = default;
};

class TGetDynamicCheckFunction : public TConstraintCheckFunction<tcDynamic, false> {
  IE_CLASS(TGetDynamicCheckFunction, TIEUserFunction)

 public:
  TGetDynamicCheckFunction()
      : TConstraintCheckFunction("get-dynamic-constraint-checking",
                                 "Returns TRUE when values are checked against their slots' "
                                 "types as facts are made at run time.") {}

 protected:
  ~TGetDynamicCheckFunction() override = default;
};

class TSetDynamicCheckFunction : public TConstraintCheckFunction<tcDynamic, true> {
  IE_CLASS(TSetDynamicCheckFunction, TIEUserFunction)

 public:
  TSetDynamicCheckFunction()
      : TConstraintCheckFunction("set-dynamic-constraint-checking",
                                 "Checks values against their slots' types as facts are made at "
                                 "run time exactly when the argument is TRUE. Returns the former "
                                 "setting.") {}

 protected:
  ~TSetDynamicCheckFunction() override = default;
};

// Run-time parsing and guarding

class TIEParseFunction : public TIEUserFunction {
  IE_CLASS(TIEParseFunction, TIEUserFunction)

 public:
  TIEParseFunction() {
    Describe(*this, "parse",
             "Reads the text as rule-language source, defining its constructs and running its "
             "calls. Returns TRUE, or FALSE when that fails.",
             "<string-expression>", 1, 1);
  }

 protected:
  ~TIEParseFunction() override = default;

  // The silent abort of exit still ends everything in progress.
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
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
};

class TGuardFunction : public TIEUserFunction {
  IE_CLASS(TGuardFunction, TIEUserFunction)

 public:
  TGuardFunction() {
    Describe(*this, "guard",
             "Evaluates its arguments in order while the rule that fires cannot be activated "
             "again; returns the last value.",
             "<function-call-argument>+", 1);
  }

 protected:
  ~TGuardFunction() override = default;

  // The rule is enabled again also when an argument raises: a rule left
  // disabled would never fire again.
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    TInferenceEngine& Engine = EngineOf(Context);
    TActivation* Firing = Engine.GetCurrentActivation();
    const bool Enabled = Firing != nullptr && Firing->GetRule()->GetEnabled();
    if (Firing != nullptr) Firing->GetRule()->SetEnabled(false);
    const auto Restore = [&] {
      if (Firing != nullptr && Engine.GetCurrentActivation() != nullptr) {
        Engine.GetCurrentActivation()->GetRule()->SetEnabled(Enabled);
      }
    };
    try {
      for (int32_t I = 0; I < FunCall->GetArgumentCount(); ++I) {
        Result = Evaluate(FunCall, I, Context);
      }
    } catch (...) {
      Restore();
      throw;
    }
    Restore();
  }
};

}  // namespace

// TPrettyPrintFunction

TPrettyPrintFunction::TPrettyPrintFunction(TPrettyPrintFunctionType Kind)
    : TSelectableFunction(PrettyPrintEntries, Kind) {}

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
  Functions.Add(new TAgendaFunction());
  Functions.Add(new TListRulesFunction());
  Functions.Add(new TListTemplatesFunction());
  Functions.Add(new TListFactSetsFunction());
  Functions.Add(new TListFunctionsFunction());
  Functions.Add(new TListDefTypesFunction());
  Functions.Add(new TShowFactsFunction());
  Functions.Add(new TShowRulesFunction());
  for (auto Kind : {ppfFactSet, ppfUserFunction, ppfFactTemplate, ppfRule, ppfDefType}) {
    Functions.Add(new TPrettyPrintFunction(Kind));
  }
  Functions.Add(new TUnDefRuleFunction());
  Functions.Add(new TUnDefFactsFunction());
  Functions.Add(new TUnDefFunctionFunction());
  Functions.Add(new TUnDefTemplateFunction());
  Functions.Add(new TUnDefTypeFunction());
  Functions.Add(new TResetGlobalsFunction());
  Functions.Add(new TSetGenFunction());
  Functions.Add(new TGetStaticCheckFunction());
  Functions.Add(new TSetStaticCheckFunction());
  Functions.Add(new TGetDynamicCheckFunction());
  Functions.Add(new TSetDynamicCheckFunction());
  Functions.Add(new TIEParseFunction());
  Functions.Add(new TGuardFunction());
  AddDateTimeFunctions(Functions);
  AddDialogFunctions(Functions);
  AddHelpFunction(Functions);
  AddExplanationFunctions(Functions);
}

}  // namespace ie
