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

IIEValue Truth(bool Value) { return Value ? FCTrue : FCFalse; }

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

class TAssertFunction : public TIEUserFunction {
  IE_CLASS(TAssertFunction, TIEUserFunction)

 public:
  TAssertFunction() {
    Describe(*this, "assert",
             "Adds each fact to the fact list. Returns the fact-index of the last fact asserted, "
             "or FALSE when there was none or it was a duplicate that is not allowed.",
             " <fact>*", 0);
  }

 protected:
  ~TAssertFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
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
};

class TAssertStringFunction : public TIEUserFunction {
  IE_CLASS(TAssertStringFunction, TIEUserFunction)

 public:
  TAssertStringFunction() {
    Describe(*this, "assert-string",
             "Reads each string as a fact and adds it to the fact list. Returns the fact-index "
             "of the last fact, -1 when it was a duplicate that is not allowed.",
             " <string-expression>*", 1);
  }

 protected:
  ~TAssertStringFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    TInferenceEngine& Engine = EngineOf(Context);
    int32_t ID = -1;
    for (int32_t I = 0; I < FunCall->GetArgumentCount(); ++I) {
      ID = Engine.Assert(Operand(FunCall, I, Context)->GetAsString());
    }
    Result = FactIdValue(ID);
  }
};

class TRetractFunction : public TIEUserFunction {
  IE_CLASS(TRetractFunction, TIEUserFunction)

 public:
  TRetractFunction() {
    Describe(*this, "retract",
             "Removes the facts with the given fact-indices from the fact list; * removes every "
             "fact. An index that is not in the fact list is skipped. Returns TRUE.",
             " *|<fact-index>*", 1);
  }

 protected:
  ~TRetractFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
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
};

class TRetractStringFunction : public TIEUserFunction {
  IE_CLASS(TRetractStringFunction, TIEUserFunction)

 public:
  TRetractStringFunction() {
    Describe(*this, "retract-string",
             "Reads each string as a fact and removes the equal fact from the fact list, when "
             "there is one. Returns TRUE.",
             " <fact-string>", 0);
  }

 protected:
  ~TRetractStringFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    TInferenceEngine& Engine = EngineOf(Context);
    for (int32_t I = 0; I < FunCall->GetArgumentCount(); ++I) {
      Engine.Retract(Operand(FunCall, I, Context)->GetAsString());
    }
    Result = FCTrue;
  }
};

class TModifyFunction : public TIEUserFunction {
  IE_CLASS(TModifyFunction, TIEUserFunction)

 public:
  TModifyFunction() {
    Describe(*this, "modify",
             "Changes the given slots of the fact: it is retracted and asserted again with the "
             "new values. Returns the fact-index of the changed fact.",
             " <fact-index> (<slot-name> <expression>)+", 1);
  }

 protected:
  ~TModifyFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
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
};

class TDuplicateFunction : public TIEUserFunction {
  IE_CLASS(TDuplicateFunction, TIEUserFunction)

 public:
  TDuplicateFunction() {
    Describe(*this, "duplicate",
             "Asserts a copy of the fact with the given slots changed; the fact itself stays. "
             "Returns the fact-index of the copy, -1 when it was a duplicate that is not "
             "allowed.",
             " <fact-index> (<slot-name> <expression>)*", 2);
  }

 protected:
  ~TDuplicateFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    TInferenceEngine& Engine = EngineOf(Context);
    const IFact Copy = FactOf(Engine, FunCall, Context)->Clone();
    for (int32_t I = 1; I < FunCall->GetArgumentCount(); ++I) {
      ChangeSlot(Engine, Copy, FunCall, I, Context, false);
    }
    Result = FactIdValue(Engine.Assert(Copy, false));
  }
};

class TGetSlotValueFunction : public TIEUserFunction {
  IE_CLASS(TGetSlotValueFunction, TIEUserFunction)

 public:
  TGetSlotValueFunction() {
    Describe(*this, "get-slot-value",
             "Returns a copy of the value of the slot of the fact, given by its fact-index or as "
             "a fact; without a slot name, the fields of an ordered fact.",
             " <fact-id-expression>|<fact-expression> [<slot-name-expression> ]", 1, 2);
  }

 protected:
  ~TGetSlotValueFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
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
};

// The rule language's switch is the other way round from the property:
// TRUE means duplicates are refused.
class TGetFactDuplicationFunction : public TIEUserFunction {
  IE_CLASS(TGetFactDuplicationFunction, TIEUserFunction)

 public:
  TGetFactDuplicationFunction() {
    Describe(*this, "get-fact-duplication",
             "Returns TRUE when facts equal to one in the fact list are ignored.  If this "
             "function returns FALSE, duplicate facts may be asserted into the fact list.",
             "", 0, 0);
  }

 protected:
  ~TGetFactDuplicationFunction() override = default;

  void Call(const IFunCall&, TIEContext* Context, IIEValue& Result) override {
    Result = Truth(!EngineOf(Context).GetFactDuplication());
  }
};

class TSetFactDuplicationFunction : public TIEUserFunction {
  IE_CLASS(TSetFactDuplicationFunction, TIEUserFunction)

 public:
  TSetFactDuplicationFunction() {
    Describe(*this, "set-fact-duplication",
             "With FALSE, duplicate facts may be asserted into the fact list; with anything else "
             "they are ignored. Returns the previous setting as get-fact-duplication gives it.",
             " <boolean-expression>", 1, 1);
  }

 protected:
  ~TSetFactDuplicationFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    TInferenceEngine& Engine = EngineOf(Context);
    Result = Truth(!Engine.GetFactDuplication());
    Engine.SetFactDuplication(FCFalse->Equals(Operand(FunCall, 0, Context)));
  }
};

class TGetStrategyFunction : public TIEUserFunction {
  IE_CLASS(TGetStrategyFunction, TIEUserFunction)

 public:
  TGetStrategyFunction() {
    Describe(*this, "get-strategy",
             "Returns the name of the strategy that orders activations of equal salience: depth, "
             "breadth, lex or mea.",
             "", 0, 0);
  }

 protected:
  ~TGetStrategyFunction() override = default;

  void Call(const IFunCall&, TIEContext* Context, IIEValue& Result) override {
    Result = new TIEValue(StrategyNames[EngineOf(Context).GetStrategy()], dtAtom);
  }
};

class TSetStrategyFunction : public TIEUserFunction {
  IE_CLASS(TSetStrategyFunction, TIEUserFunction)

 public:
  TSetStrategyFunction() {
    Describe(*this, "set-strategy",
             "Orders activations of equal salience by the strategy and re-sorts the agenda: "
             "depth puts the newest activation first, breadth the oldest, lex the one with the "
             "newest facts, mea the one whose first pattern matched the newest fact, then as "
             "lex. Returns the name of the previous strategy.",
             " depth|breadth|lex|mea", 1, 1);
  }

 protected:
  ~TSetStrategyFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    TInferenceEngine& Engine = EngineOf(Context);
    const std::string Name = Operand(FunCall, 0, Context)->GetAsString();
    const auto Found = std::find(std::begin(StrategyNames), std::end(StrategyNames), Name);
    if (Found == std::end(StrategyNames)) throw EIEException(Format(SInvalidStrategy, Name));
    Result = new TIEValue(StrategyNames[Engine.GetStrategy()], dtAtom);
    Engine.SetStrategy(static_cast<TSearchStrategy>(Found - std::begin(StrategyNames)));
  }
};

// The engine

class TResetFunction : public TIEUserFunction {
  IE_CLASS(TResetFunction, TIEUserFunction)

 public:
  TResetFunction() {
    Describe(*this, "reset",
             "Removes every fact and activation, asserts (Initial-Fact), restores the global "
             "variables and asserts the deffacts. Returns TRUE.",
             "", 0, 0);
  }

 protected:
  ~TResetFunction() override = default;

  void Call(const IFunCall&, TIEContext* Context, IIEValue& Result) override {
    EngineOf(Context).Reset();
    Result = FCTrue;
  }
};

class TRunFunction : public TIEUserFunction {
  IE_CLASS(TRunFunction, TIEUserFunction)

 public:
  TRunFunction() {
    Describe(*this, "run",
             "Fires the rules on the agenda until it is empty, halt is called or the given "
             "number of rules fired. Returns the number of rules fired.",
             " [<integer-expression>]", 0, 1);
  }

 protected:
  ~TRunFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    TInferenceEngine& Engine = EngineOf(Context);
    // The count is read as written: a literal number.
    const int32_t Limit = FunCall->GetArgumentCount() > 0 ? FunCall->GetArgument(0)->GetAsInteger()
                                                          : TInferenceEngine::UnlimitedSteps;
    Result = new TIEValue(Engine.Run(Limit), dtInteger);
  }
};

class THaltFunction : public TIEUserFunction {
  IE_CLASS(THaltFunction, TIEUserFunction)

 public:
  THaltFunction() {
    Describe(*this, "halt", "Stops the run once the rule now firing has finished. Returns TRUE.",
             "", 0, 0);
  }

 protected:
  ~THaltFunction() override = default;

  void Call(const IFunCall&, TIEContext* Context, IIEValue& Result) override {
    EngineOf(Context).Halt();
    Result = FCTrue;
  }
};

class TClearFunction : public TIEUserFunction {
  IE_CLASS(TClearFunction, TIEUserFunction)

 public:
  TClearFunction() {
    Describe(*this, "clear",
             "Removes every construct, fact and activation, leaving an empty knowledge base. "
             "Returns TRUE.",
             "", 0, 0);
  }

 protected:
  ~TClearFunction() override = default;

  void Call(const IFunCall&, TIEContext* Context, IIEValue& Result) override {
    EngineOf(Context).Clear();
    Result = FCTrue;
  }
};

class TExitFunction : public TIEUserFunction {
  IE_CLASS(TExitFunction, TIEUserFunction)

 public:
  TExitFunction() {
    Describe(*this, "exit",
             "Silently stops every evaluation in progress, try included; the engine's caller "
             "decides what follows.",
             "", 0, 0);
  }

 protected:
  ~TExitFunction() override = default;

  void Call(const IFunCall&, TIEContext*, IIEValue&) override { throw EAbort(SOperationAborted); }
};

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

class TWatchFunction : public TIEUserFunction {
  IE_CLASS(TWatchFunction, TIEUserFunction)

 public:
  TWatchFunction() : TWatchFunction(true) {}

 protected:
  explicit TWatchFunction(bool On) : FOn(On) {
    Describe(*this, On ? "watch" : "unwatch",
             On ? "Switches on the trace lines of rules fired, facts asserted and retracted, "
                  "activations, rule compilations or run statistics. Returns TRUE."
                : "Switches off the trace lines of rules fired, facts asserted and retracted, "
                  "activations, rule compilations or run statistics. Returns TRUE.",
             " all|rules|facts|activations|compilations|statistics", 1, 1);
  }
  ~TWatchFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    TInferenceEngine& Engine = EngineOf(Context);
    const std::string Word = Operand(FunCall, 0, Context)->GetAsString();
    TConstructWatches Members;
    if (!WatchMembers(Word, Members)) {
      throw EIEException(Format(FOn ? SCannotWatch : SCannotUnwatch, Word));
    }
    Engine.SetWatch(FOn ? Engine.GetWatch() + Members : Engine.GetWatch() - Members);
    Result = FCTrue;
  }

 private:
  bool FOn;
};

class TUnwatchFunction : public TWatchFunction {
  IE_CLASS(TUnwatchFunction, TWatchFunction)

 public:
  TUnwatchFunction() : TWatchFunction(false) {}

 protected:
  ~TUnwatchFunction() override = default;
};

// Storage

class TStoreFunction : public TIEUserFunction {
  IE_CLASS(TStoreFunction, TIEUserFunction)

 public:
  TStoreFunction() {
    Describe(*this, "store",
             "Keeps the value under the name in the engine's storage and returns it; nil is kept "
             "as an empty entry.",
             " <variable-name> <value>", 2, 2);
  }

 protected:
  ~TStoreFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    TInferenceEngine& Engine = EngineOf(Context);
    Result = Evaluate(FunCall, 1, Context);
    if (Result == FCNil) Result = nullptr;
    Engine.GetEngineVariables()->Put(Operand(FunCall, 0, Context)->GetAsString(), Result);
  }
};

class TFetchFunction : public TIEUserFunction {
  IE_CLASS(TFetchFunction, TIEUserFunction)

 public:
  TFetchFunction() {
    Describe(*this, "fetch",
             "Returns the value kept under the name in the engine's storage, or nil when there "
             "is none.",
             " <lexeme-expression>", 1, 1);
  }

 protected:
  ~TFetchFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    TInferenceEngine& Engine = EngineOf(Context);
    if (!Engine.GetEngineVariables()->ContainsKey(Operand(FunCall, 0, Context)->GetAsString(),
                                                  Result)) {
      Result = FCNil;
    }
  }
};

class TClearStorageFunction : public TIEUserFunction {
  IE_CLASS(TClearStorageFunction, TIEUserFunction)

 public:
  TClearStorageFunction() {
    Describe(*this, "clear-storage", "Removes every value from the engine's storage.", "", 0, 0);
  }

 protected:
  ~TClearStorageFunction() override = default;

  void Call(const IFunCall&, TIEContext* Context, IIEValue&) override {
    EngineOf(Context).GetEngineVariables()->Clear();
  }
};

// Symbols, version, goals and variables

class TGenSymStarFunction : public TIEUserFunction {
  IE_CLASS(TGenSymStarFunction, TIEUserFunction)

 public:
  TGenSymStarFunction() {
    Describe(*this, "gensym*",
             "Returns a new symbol: gen followed by a number that no earlier call returned.", "", 0,
             0);
  }

 protected:
  ~TGenSymStarFunction() override = default;

  void Call(const IFunCall&, TIEContext* Context, IIEValue& Result) override {
    Result = new TIEValue(EngineOf(Context).GenerateSymbol(SGenSymPrefix), dtAtom);
  }
};

class TVersionFunction : public TIEUserFunction {
  IE_CLASS(TVersionFunction, TIEUserFunction)

 public:
  TVersionFunction() {
    Describe(*this, "version", "Returns the version of the expert system as a float.", "", 0, 0);
  }

 protected:
  ~TVersionFunction() override = default;

  void Call(const IFunCall&, TIEContext* Context, IIEValue& Result) override {
    Result = new TIEValue(static_cast<double>(EngineOf(Context).GetVersion()));
  }
};

class TDoBackwardChainingFunction : public TIEUserFunction {
  IE_CLASS(TDoBackwardChainingFunction, TIEUserFunction)

 public:
  TDoBackwardChainingFunction() {
    Describe(*this, "do-backward-chaining",
             "Marks the fact templates for backward chaining, making each when it does not "
             "exist, and adds the goal template need-<name> of each. Returns TRUE.",
             " <fact-template-name>*", 0);
  }

 protected:
  ~TDoBackwardChainingFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
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
};

class TExtractGlobalFunction : public TIEUserFunction {
  IE_CLASS(TExtractGlobalFunction, TIEUserFunction)

 public:
  TExtractGlobalFunction() {
    Describe(*this, "__get-var",
             "Returns the value of the variable, or of the variable whose name the expression "
             "gives; nil when no such variable is bound.",
             " <variable-name>", 1, 1);
  }

 protected:
  ~TExtractGlobalFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    const TIEType Kind = FunCall->GetArgument(0)->GetDType();
    if (Kind == dtVariable || Kind == dtMultiVariable) {
      Result = Evaluate(FunCall, 0, Context);
      return;
    }
    const std::string Name = Operand(FunCall, 0, Context)->GetAsString();
    Result = Context != nullptr ? Context->FindBindingValue(Name) : nullptr;
    if (!Result) Result = FCNil;
  }
};

}  // namespace

void AddEngineCommands(TUserFunctionList& Functions) {
  Functions.Add(new TAssertFunction());
  Functions.Add(new TAssertStringFunction());
  Functions.Add(new TRetractFunction());
  Functions.Add(new TRetractStringFunction());
  Functions.Add(new TModifyFunction());
  Functions.Add(new TDuplicateFunction());
  Functions.Add(new TGetSlotValueFunction());
  Functions.Add(new TGetFactDuplicationFunction());
  Functions.Add(new TSetFactDuplicationFunction());
  Functions.Add(new TGetStrategyFunction());
  Functions.Add(new TSetStrategyFunction());
  Functions.Add(new TResetFunction());
  Functions.Add(new TRunFunction());
  Functions.Add(new THaltFunction());
  Functions.Add(new TClearFunction());
  Functions.Add(new TExitFunction());
  Functions.Add(new TWatchFunction());
  Functions.Add(new TUnwatchFunction());
  Functions.Add(new TStoreFunction());
  Functions.Add(new TFetchFunction());
  Functions.Add(new TClearStorageFunction());
  Functions.Add(new TGenSymStarFunction());
  Functions.Add(new TVersionFunction());
  Functions.Add(new TDoBackwardChainingFunction());
  Functions.Add(new TExtractGlobalFunction());
}

}  // namespace ie
