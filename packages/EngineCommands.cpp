#include "packages/EngineCommands.h"

#include <algorithm>
#include <iterator>
#include <string>

#include "core/IEConsts.h"
#include "core/IEFacts.h"
#include "core/IEValue.h"
#include "engine/InferenceEngine.h"
#include "functions/IEHelperFunctions.h"
#include "packages/PackageSupport.h"
#include "rete/IEContext.h"
#include "runtime/Conversions.h"
#include "runtime/Exceptions.h"
#include "runtime/Format.h"
#include "runtime/RuntimeConsts.h"

namespace ie {
namespace {

IIEValue FactIdValue(int32_t ID) { return new TIEValue(ID, dtFactId); }

// The fact whose ID argument Index gives; "No Such Fact..." when there is
// none.
IFact FactOf(TInferenceEngine& Engine, const IFunCall& FunCall, TIEContext* Context) {
  const int32_t ID = Operand(FunCall, 0, Context)->GetAsFactId();
  IFact Fact = Engine.GetFacts().GetFactByID(ID);
  if (!Fact) throw EIEException(Format(SNoSuchFactID, IntToStr(ID)));
  return Fact;
}

// Applies the slot change written as argument Index, (name value...), to
// Fact. With Fuzzy, the value of a fuzzy slot is read as a fuzzy
// expression over the slot's variable.
void ChangeSlot(TInferenceEngine& Engine, const IFact& Fact, const IFunCall& FunCall, int32_t Index,
                TIEContext* Context, bool Fuzzy) {
  IValueVector SlotChange = Operand(FunCall, Index, Context)->GetAsList();
  const std::string Name = SlotChange->Get(0)->GetAsString();
  const IFactSlot Slot = Fact->GetTemplate()->GetSlot(Name);
  const TIETypes Types = Slot->GetSlotType();
  if (Fuzzy && Types.Contains(dtFuzzy) && SlotChange->GetCount() > 1 &&
      Slot->GetExtendedTypeInfo()) {
    // The written expression stays as it is.
    SlotChange = SlotChange->Clone();
    const IFuzzyVariable& Variable = Slot->GetExtendedTypeInfo()->GetFuzzyType();
    const IIEValue Second = SlotChange->Get(1);
    if (Second->GetDType() == dtList) {
      SlotChange->Put(1, Engine.EvalFuzzyExpression(Variable, Second->GetAsList(), Context));
    } else if (Second->GetDType() != dtFuzzy) {
      SlotChange->Put(1, Engine.EvalFuzzyExpression(Variable, Second, Context));
    }
  }
  if (Types.Contains(dtMultiSlot) &&
      (SlotChange->GetCount() < 2 || SlotChange->Get(1)->GetDType() != dtList)) {
    // (slot a b c), and (slot) which empties the multislot.
    IValueVector List = new TValueVector();
    List->Reserve(SlotChange->GetCount() - 1);
    for (int32_t I = 1; I < SlotChange->GetCount(); ++I)
      List->Add(Resolved(SlotChange->Get(I), Context));
    Fact->GetValue(Name)->SetAsList(List);
  } else {
    Fact->SetValue(Name, Resolved(SlotChange->Get(1), Context));
  }
}

// Facts

void CallAssert(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TInferenceEngine& Engine = EngineOf(Context);
  int32_t ID = -1;
  for (int32_t I = 0; I < FunCall->GetArgumentCount(); ++I) {
    // The written fact stays unchanged.
    const IFact Fact = Operand(FunCall, I, Context)->GetAsFact()->Clone();
    Context->Resolve(Fact);
    ID = Engine.Assert(Fact, false);
  }
  Result = ID >= 0 ? FactIdValue(ID) : IIEValue(FCFalse);
}

void CallAssertString(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TInferenceEngine& Engine = EngineOf(Context);
  int32_t ID = -1;
  for (int32_t I = 0; I < FunCall->GetArgumentCount(); ++I) {
    ID = Engine.Assert(Operand(FunCall, I, Context)->GetAsString());
  }
  Result = FactIdValue(ID);
}

void CallRetract(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TInferenceEngine& Engine = EngineOf(Context);
  Result = FCTrue;
  const IIEValue First = Operand(FunCall, 0, Context);
  if (First->GetDType() == dtAtom && First->GetText() == "*") {
    Engine.GetFacts().Clear();
    return;
  }
  // Each argument is evaluated once: (retract (assert ...)) asserts once.
  for (int32_t I = 0; I < FunCall->GetArgumentCount(); ++I) {
    const IIEValue Index = I == 0 ? First : Operand(FunCall, I, Context);
    const IFact Fact = Engine.GetFacts().GetFactByID(Index->GetAsFactId());
    if (Fact) Engine.RetractFact(Fact);
  }
}

void CallRetractString(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TInferenceEngine& Engine = EngineOf(Context);
  for (int32_t I = 0; I < FunCall->GetArgumentCount(); ++I) {
    Engine.Retract(Operand(FunCall, I, Context)->GetAsString());
  }
  Result = FCTrue;
}

void CallModify(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TInferenceEngine& Engine = EngineOf(Context);
  const IFact Fact = FactOf(Engine, FunCall, Context);
  // The fact goes back in with the changes made so far, also when one
  // fails or a rule's condition fails on the fact's retraction.
  TDeferredError Failure;
  Failure.Run([&] { Engine.BeginFactModify(Fact); });
  try {
    for (int32_t I = 1; I < FunCall->GetArgumentCount(); ++I) {
      ChangeSlot(Engine, Fact, FunCall, I, Context, true);
    }
    Context->Resolve(Fact);
  } catch (...) {
    Result = FactIdValue(Engine.EndFactModify(Fact));
    throw;
  }
  Result = FactIdValue(Engine.EndFactModify(Fact));
  Failure.Raise();
}

void CallDuplicate(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TInferenceEngine& Engine = EngineOf(Context);
  const IFact Copy = FactOf(Engine, FunCall, Context)->Clone();
  for (int32_t I = 1; I < FunCall->GetArgumentCount(); ++I) {
    ChangeSlot(Engine, Copy, FunCall, I, Context, false);
  }
  Result = FactIdValue(Engine.Assert(Copy, false));
}

void CallGetSlotValue(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TInferenceEngine& Engine = EngineOf(Context);
  const IIEValue First = Operand(FunCall, 0, Context);
  IFact Fact;
  switch (First->GetDType()) {
    case dtInteger:
    case dtFactId:
      Fact = Engine.GetFacts().GetFactByID(First->GetAsFactId());
      break;
    case dtFact:
      Fact = First->GetAsFact();
      break;
    default:
      throw EIEException(Format(SInvalidDeffunctionArgument, IETypeName(First->GetDType()),
                                SetToString(TIETypes{dtFactId, dtFact}, ", ", false)));
  }
  if (!Fact) throw EIEException(Format(SNoSuchFactID, First->GetAsString()));
  const std::string Name = FunCall->GetArgumentCount() > 1
                               ? Operand(FunCall, 1, Context)->GetAsString()
                               : std::string(SDefaultSlotName);
  Result = Fact->GetValue(Name)->Clone();
}

// The rule language's switch is the other way round from the property:
// TRUE means duplicates are refused.
void CallGetFactDuplication(const IFunCall&, TIEContext* Context, IIEValue& Result) {
  Result = Truth(!EngineOf(Context).GetFactDuplication());
}

void CallSetFactDuplication(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TInferenceEngine& Engine = EngineOf(Context);
  Result = Truth(!Engine.GetFactDuplication());
  Engine.SetFactDuplication(FCFalse->Equals(Operand(FunCall, 0, Context)));
}

void CallGetStrategy(const IFunCall&, TIEContext* Context, IIEValue& Result) {
  Result = new TIEValue(StrategyNames[EngineOf(Context).GetStrategy()], dtAtom);
}

void CallSetStrategy(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TInferenceEngine& Engine = EngineOf(Context);
  const std::string Name = Operand(FunCall, 0, Context)->GetAsString();
  const auto Found = std::find(std::begin(StrategyNames), std::end(StrategyNames), Name);
  if (Found == std::end(StrategyNames)) throw EIEException(Format(SInvalidStrategy, Name));
  Result = new TIEValue(StrategyNames[Engine.GetStrategy()], dtAtom);
  Engine.SetStrategy(static_cast<TSearchStrategy>(Found - std::begin(StrategyNames)));
}

// The engine

void CallReset(const IFunCall&, TIEContext* Context, IIEValue& Result) {
  EngineOf(Context).Reset();
  Result = FCTrue;
}

void CallRun(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TInferenceEngine& Engine = EngineOf(Context);
  // The count is read as written: a literal number.
  const int32_t Limit = FunCall->GetArgumentCount() > 0 ? FunCall->GetArgument(0)->GetAsInteger()
                                                        : TInferenceEngine::UnlimitedSteps;
  Result = new TIEValue(Engine.Run(Limit), dtInteger);
}

void CallHalt(const IFunCall&, TIEContext* Context, IIEValue& Result) {
  EngineOf(Context).Halt();
  Result = FCTrue;
}

void CallClear(const IFunCall&, TIEContext* Context, IIEValue& Result) {
  EngineOf(Context).Clear();
  Result = FCTrue;
}

void CallExit(const IFunCall&, TIEContext*, IIEValue&) { throw EAbort(SOperationAborted); }

// Watch words and the members they stand for; "all" is every member.
bool WatchMembers(const std::string& Word, TConstructWatches& Members) {
  if (Word == "all") {
    Members = {cwActivation, cwFact, cwRule, cwCompilation, cwStatistics};
  } else if (Word == "rules") {
    Members = {cwRule};
  } else if (Word == "facts") {
    Members = {cwFact};
  } else if (Word == "activations") {
    Members = {cwActivation};
  } else if (Word == "compilations") {
    Members = {cwCompilation};
  } else if (Word == "statistics") {
    Members = {cwStatistics};
  } else {
    return false;
  }
  return true;
}

// watch (On) and unwatch.
template <bool On>
void CallWatch(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TInferenceEngine& Engine = EngineOf(Context);
  const std::string Word = Operand(FunCall, 0, Context)->GetAsString();
  TConstructWatches Members;
  if (!WatchMembers(Word, Members)) {
    throw EIEException(Format(On ? SCannotWatch : SCannotUnwatch, Word));
  }
  Engine.SetWatch(On ? Engine.GetWatch() + Members : Engine.GetWatch() - Members);
  Result = FCTrue;
}

// Storage

void CallStore(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TInferenceEngine& Engine = EngineOf(Context);
  Result = Evaluate(FunCall, 1, Context);
  if (Result == FCNil) Result = nullptr;
  Engine.GetEngineVariables()->Put(Operand(FunCall, 0, Context)->GetAsString(), Result);
}

void CallFetch(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TInferenceEngine& Engine = EngineOf(Context);
  if (!Engine.GetEngineVariables()->ContainsKey(Operand(FunCall, 0, Context)->GetAsString(),
                                                Result)) {
    Result = FCNil;
  }
}

void CallClearStorage(const IFunCall&, TIEContext* Context, IIEValue&) {
  EngineOf(Context).GetEngineVariables()->Clear();
}

// Symbols, version, goals and variables

void CallGenSymStar(const IFunCall&, TIEContext* Context, IIEValue& Result) {
  Result = new TIEValue(EngineOf(Context).GenerateSymbol(SGenSymPrefix), dtAtom);
}

void CallVersion(const IFunCall&, TIEContext* Context, IIEValue& Result) {
  Result = new TIEValue(static_cast<double>(EngineOf(Context).GetVersion()));
}

void CallDoBackwardChaining(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TInferenceEngine& Engine = EngineOf(Context);
  for (int32_t I = 0; I < FunCall->GetArgumentCount(); ++I) {
    const std::string Name = Operand(FunCall, I, Context)->GetAsString();
    if (Name == STestCE || Name == SNotCE) throw EIEException(Format(SCannotBackchain, Name));
    IFactTemplate Template;
    if (!Engine.FindFactTemplate(Name, Template)) Template = Engine.CreateFactTemplate(Name);
    Template->SetBackwardChaining(true);
    const IFactTemplate Goal =
        new TFactTemplate(&Engine, SBackChainPrefix + Name, SGoalComment + Name, Template);
    Goal->SetParent(nullptr);
    Engine.GetFactTemplates().Add(Goal);
  }
  Result = FCTrue;
}

void CallExtractGlobal(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  const TIEType Kind = FunCall->GetArgument(0)->GetDType();
  if (Kind == dtVariable || Kind == dtMultiVariable) {
    Result = Evaluate(FunCall, 0, Context);
    return;
  }
  const std::string Name = Operand(FunCall, 0, Context)->GetAsString();
  Result = Context != nullptr ? Context->FindBindingValue(Name) : nullptr;
  if (!Result) Result = FCNil;
}

constexpr TFunctionRow EngineCommandRows[] = {
    {"assert", CallAssert, 0, UnlimitedArguments, " <fact>*",
     "Adds each fact to the fact list. Returns the fact-index of the last fact asserted, or FALSE "
     "when there was none or it was a duplicate that is not allowed."},
    {"assert-string", CallAssertString, 1, UnlimitedArguments, " <string-expression>*",
     "Reads each string as a fact and adds it to the fact list. Returns the fact-index of the last "
     "fact, -1 when it was a duplicate that is not allowed."},
    {"retract", CallRetract, 1, UnlimitedArguments, " *|<fact-index>*",
     "Removes the facts with the given fact-indices from the fact list; * removes every fact. An "
     "index that is not in the fact list is skipped. Returns TRUE."},
    {"retract-string", CallRetractString, 0, UnlimitedArguments, " <fact-string>",
     "Reads each string as a fact and removes the equal fact from the fact list, when there is "
     "one. Returns TRUE."},
    {"modify", CallModify, 1, UnlimitedArguments, " <fact-index> (<slot-name> <expression>)+",
     "Changes the given slots of the fact: it is retracted and asserted again with the new values. "
     "Returns the fact-index of the changed fact."},
    {"duplicate", CallDuplicate, 2, UnlimitedArguments, " <fact-index> (<slot-name> <expression>)*",
     "Asserts a copy of the fact with the given slots changed; the fact itself stays. Returns the "
     "fact-index of the copy, -1 when it was a duplicate that is not allowed."},
    {"get-slot-value", CallGetSlotValue, 1, 2,
     " <fact-id-expression>|<fact-expression> [<slot-name-expression> ]",
     "Returns a copy of the value of the slot of the fact, given by its fact-index or as a fact; "
     "without a slot name, the fields of an ordered fact."},
    {"get-fact-duplication", CallGetFactDuplication, 0, 0, "",
     "Returns TRUE when facts equal to one in the fact list are ignored.  If this function returns "
     "FALSE, duplicate facts may be asserted into the fact list."},
    {"set-fact-duplication", CallSetFactDuplication, 1, 1, " <boolean-expression>",
     "With FALSE, duplicate facts may be asserted into the fact list; with anything else they are "
     "ignored. Returns the previous setting as get-fact-duplication gives it."},
    {"get-strategy", CallGetStrategy, 0, 0, "",
     "Returns the name of the strategy that orders activations of equal salience: depth, breadth, "
     "lex or mea."},
    {"set-strategy", CallSetStrategy, 1, 1, " depth|breadth|lex|mea",
     "Orders activations of equal salience by the strategy and re-sorts the agenda: depth puts the "
     "newest activation first, breadth the oldest, lex the one with the newest facts, mea the one "
     "whose first pattern matched the newest fact, then as lex. Returns the name of the previous "
     "strategy."},
    {"reset", CallReset, 0, 0, "",
     "Removes every fact and activation, asserts (Initial-Fact), restores the global variables and "
     "asserts the deffacts. Returns TRUE."},
    {"run", CallRun, 0, 1, " [<integer-expression>]",
     "Fires the rules on the agenda until it is empty, halt is called or the given number of rules "
     "fired. Returns the number of rules fired."},
    {"halt", CallHalt, 0, 0, "",
     "Stops the run once the rule now firing has finished. Returns TRUE."},
    {"clear", CallClear, 0, 0, "",
     "Removes every construct, fact and activation, leaving an empty knowledge base. Returns "
     "TRUE."},
    {"exit", CallExit, 0, 0, "",
     "Silently stops every evaluation in progress, try included; the engine's caller decides what "
     "follows."},
    {"store", CallStore, 2, 2, " <variable-name> <value>",
     "Keeps the value under the name in the engine's storage and returns it; nil is kept as an "
     "empty entry."},
    {"fetch", CallFetch, 1, 1, " <lexeme-expression>",
     "Returns the value kept under the name in the engine's storage, or nil when there is none."},
    {"clear-storage", CallClearStorage, 0, 0, "", "Removes every value from the engine's storage."},
    {"gensym*", CallGenSymStar, 0, 0, "",
     "Returns a new symbol: gen followed by a number that no earlier call returned."},
    {"version", CallVersion, 0, 0, "", "Returns the version of the expert system as a float."},
    {"do-backward-chaining", CallDoBackwardChaining, 0, UnlimitedArguments,
     " <fact-template-name>*",
     "Marks the fact templates for backward chaining, making each when it does not exist, and adds "
     "the goal template need-<name> of each. Returns TRUE."},
    {"__get-var", CallExtractGlobal, 1, 1, " <variable-name>",
     "Returns the value of the variable, or of the variable whose name the expression gives; nil "
     "when no such variable is bound."},
    {"watch", CallWatch<true>, 1, 1, " all|rules|facts|activations|compilations|statistics",
     "Switches on the trace lines of rules fired, facts asserted and retracted, activations, rule "
     "compilations or run statistics. Returns TRUE."},
    {"unwatch", CallWatch<false>, 1, 1, " all|rules|facts|activations|compilations|statistics",
     "Switches off the trace lines of rules fired, facts asserted and retracted, activations, "
     "rule compilations or run statistics. Returns TRUE."},
};

}  // namespace

void AddEngineCommands(TUserFunctionList& Functions) { AddRows(Functions, EngineCommandRows); }

}  // namespace ie
