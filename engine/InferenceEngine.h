// TInferenceEngine: the component a host creates to hold a knowledge base
// and reason with it. It owns its collections (fact templates, defined
// types, engine variables and the fact base) and everything in them, fires
// the host's events on the caller's thread and writes every line it prints
// through PrintOut.
//
// Functions are filed in TUserFunctions by name; the engine is the
// reasoner through which packages, host functions and deffunctions register
// and calls find them. The engine's root context holds the globals.
//
// The fact base, the tables of named constructs and the events have units
// of their own (FactBase, EngineTables, EngineEvents); docs/architecture.md
// lists where each part of the engine lives.
//
// One thread at a time uses an engine; Lock/Unlock is the one lock, for
// hosts that change the fact base from another thread between cycles.
// Interrupt alone may be called from any thread at any time.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <iterator>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/IEConsts.h"
#include "core/IEFactOwner.h"
#include "core/IEFacts.h"
#include "core/IEFuzzyLogic.h"
#include "core/IERuleEngine.h"
#include "core/IEValue.h"
#include "engine/AgendaOwner.h"
#include "engine/EngineEvents.h"
#include "engine/EngineTables.h"
#include "engine/FactBase.h"
#include "engine/FactSets.h"
#include "engine/IOStreams.h"
#include "functions/IEPackages.h"
#include "functions/IEUserFunction.h"
#include "libs/Collections.h"
#include "runtime/Component.h"
#include "runtime/Dialogs.h"
#include "runtime/Filer.h"
#include "runtime/Owned.h"
#include "runtime/Sets.h"
#include "runtime/Streams.h"
#include "runtime/StringList.h"

namespace ie {

class TInferenceEngine;
// The match network, its rules, patterns and activations, the agenda and
// the execution context are the engine's insides: a host meets them only
// through pointers and events.
class TReteNetwork;
class TRule;
class TIEPattern;
class TIEAgenda;
class TIEContext;
struct TFactExplanation;
struct TRuleMatches;
enum TRuleConstruct : uint8_t;
enum TFactSource : uint8_t;
// The parser layer defines these; the engine owns one parser and lends it
// a tokenizer per parse call (parser/EngineParsing.cpp).
class TIEParser;
class TTracer;
class TIETokenizerStream;

// Class references of the parser and the tokenizer: a function making an
// instance. Nil stands for the rule language's own, TIERuleParser and
// TIERuleStream.
using TIEParserClass = TIEParser* (*)(TInferenceEngine* Engine, TIETokenizerStream* Stream);
using TIETokenizerClass = TIETokenizerStream* (*)(TStream* Stream, bool OwnsStream);

// What the parser read, for its events. The events live in the parser; the
// engine's setters hand them on.
enum TParsedType : uint8_t {
  ptNone,
  ptValue,
  ptFunCall,
  ptRule,
  ptFactSet,
  ptFactTemplate,
  ptFunction,
  ptGlobals,
  ptDefType,
  ptEOF
};

using TParseEvent = std::function<void(TObject* Sender, TParsedType ParsedType, TObject* AObject,
                                       const IInterface& AInterface)>;
using TParseFactEvent = std::function<void(TObject* Sender, const IFact& Fact)>;
using TParseFactSetEvent = std::function<void(TObject* Sender, TFactSet* FactSet)>;
using TParseFactTemplateEvent =
    std::function<void(TObject* Sender, const IFactTemplate& FactTemplate)>;
using TParseFunCallEvent = std::function<void(TObject* Sender, const IFunCall& FunCall)>;
using TParseFunctionEvent = std::function<void(TObject* Sender, const IUserFunction& AFunction)>;
using TParseVariableEvent =
    std::function<void(TObject* Sender, const std::string& VarName, const IIEValue& Value)>;
using TParsePatternEvent = std::function<void(TObject* Sender, TIEPattern* Pattern)>;
using TParseRuleEvent = std::function<void(TObject* Sender, TRule* Rule)>;
using TParseDefinedTypeEvent =
    std::function<void(TObject* Sender, const IIEDefinedType& DefinedType)>;
using TParseFuzzySetEvent = std::function<void(TObject* Sender, const IFuzzySet& FuzzySet)>;
using TParseFuzzyVariableEvent =
    std::function<void(TObject* Sender, const IFuzzyVariable& FuzzyVariable)>;
using TParseSingletonsEvent =
    std::function<void(TObject* Sender, const ISingletonsVector& Singletons)>;

enum TDuplicateConstructs : uint8_t { dcOverwrite, dcIgnore, dcError };

enum TConstructWatch : uint8_t { cwActivation, cwFact, cwRule, cwCompilation, cwStatistics };
using TConstructWatches = TSet<TConstructWatch, cwStatistics>;

enum TFunctionPackage : uint8_t {
  pStandard,
  pPredicate,
  pMath,
  pMiscellaneous,
  pString,
  pObject,
  pTrigonometry,
  pBusiness,
  pFuzzyLogic
};
using TFunctionPackages = TSet<TFunctionPackage, pFuzzyLogic>;
inline constexpr TFunctionPackages AllFunctionPackages{pStandard,      pPredicate, pMath,
                                                       pMiscellaneous, pString,    pObject,
                                                       pTrigonometry,  pBusiness,  pFuzzyLogic};

enum TSalience : uint8_t { sActivate, sEveryTime };
enum TErrorHandling : uint8_t { ehRaiseImmediate, ehRaiseAllAtEnd };

struct TFiringFailure {
  std::string RuleName;
  std::string Action;
  std::exception_ptr Error;
};

// The built-in package of that member, made with Engine as its owner (so
// it registers its functions there); nil for a package this library does
// not offer. The packages layer defines it: the engine names the packages
// it makes by default without depending on their code.
TUserPackage* CreateFunctionPackage(TFunctionPackage Package, TInferenceEngine* Engine);

class TInferenceEngine : public TCustomRuleEngine,
                         public IReasoner,
                         public IAgendaOwner,
                         public ISingletonsParser {
  IE_CLASS(TInferenceEngine, TCustomRuleEngine)

 public:
  explicit TInferenceEngine(TComponent* Owner);
  ~TInferenceEngine() override;

  // Adds the packages and asserts "(Initial-Fact)", which gets ID 0.
  void AfterConstruction() override;
  // Detaches every event, then clears the engine.
  void BeforeDestruction() override;

  // Makes one package component per member of Packages, then fires
  // OnAddDefaultPackages.
  virtual void AddDefaultPackages();
  // Back to an empty knowledge base: facts, templates, defined types,
  // variables and deffunctions go; properties and packages stay; no
  // initial fact. A rule's action may clear: its own actions still end.
  virtual void Clear();

  // Binds Name in the root context to Value, or to the result of Value
  // when it is a function call (evaluated in a child of the root).
  virtual void ResetGlobalVariable(const std::string& Name, IIEValue Value);
  // While a knowledge base loads, a global whose value cannot be computed
  // yet (it calls a deffunction saved after it) is computed once the whole
  // text is read: true when Name is put off so. Replaced is the definition
  // that comes back if the value cannot be computed then either.
  bool DeferGlobal(const std::string& Name, const IIEValue& Replaced);
  // Back to the starting state of a run: the facts go, rules are rearmed,
  // "(Initial-Fact)" is asserted as ID 0, globals are restored (while
  // ResetGlobals is set) and every fact set is asserted. An error raised
  // while asserting is raised once all that is done.
  virtual void Reset();

  // The inference cycle: fires the first activation of the agenda until
  // the agenda is empty, halt is called or MaxSteps rules fired; the
  // number fired. A rule that raises ends the run with its exception; the
  // rest of the agenda stays. Called while a rule fires, it fires nothing.
  int32_t Run(int32_t MaxSteps = UnlimitedSteps);
  static constexpr int32_t UnlimitedSteps = 2147483647;
  virtual void BeginInference();
  virtual void EndInference();
  // Stops the run after the rule now firing.
  void Halt() { FHalted = true; }
  bool GetHalted() const { return FHalted; }
  // Asks, from any thread or a signal handler, that what runs stop: a run
  // halts before its next firing, and a while or foreach loop raises EAbort
  // at its next round (out of the rule and the run). The request is kept
  // until one of them takes it, so one made between two runs stops the
  // next; ClearInterrupt drops it.
  void Interrupt() noexcept { FInterruptRequested.store(true, std::memory_order_relaxed); }
  void ClearInterrupt() noexcept { FInterruptRequested.store(false, std::memory_order_relaxed); }
  // Raises EAbort when an interrupt is pending, taking it; loops call it
  // each round.
  void CheckInterrupt();
  // The rule whose firing began last, kept after the run: the one an
  // interrupt or an error stopped, or the last one fired.
  const std::string& GetLastRuleName() const { return FLastRuleName; }
  // Where the error that ended a firing was raised: the rule, and the
  // text of its action (empty when the error came before the actions).
  // Error is the exception raised, so that a caller can tell whether the one it
  // caught is that one. Empty until a firing fails; a run clears it.
  const TFiringFailure& GetFiringFailure() const { return FFiringFailure; }
  int32_t GetRulesFired() const { return FRulesFired; }
  // The activation being fired, or nil.
  TActivation* GetCurrentActivation() const { return FCurrentActivation; }

  // Explanation (see Explanation.h). Why the fact with that ID is in the
  // fact base; raises "No Such Fact with ID=%s exists" for another ID.
  TFactExplanation Why(int32_t FactID) const;
  // What the rule's patterns and joins hold now, and its waiting
  // activations; raises "Unknown rule name: %s".
  TRuleMatches Matches(const std::string& RuleName);
  // Facts asserted outside a firing while a scope lives come from Source
  // (a fact set of that name, or the top level) instead of the host.
  class TOriginScope {
   public:
    TOriginScope(TInferenceEngine* Engine, TFactSource Source, const std::string& Name = "");
    TOriginScope(const TOriginScope&) = delete;
    TOriginScope& operator=(const TOriginScope&) = delete;
    ~TOriginScope() { FEngine->FOrigin = std::move(FOuter); }

   private:
    TInferenceEngine* FEngine;
    IInterface FOuter;
  };

  // The agenda.
  void AddActivation(TActivation* Activation) override;
  virtual void RemoveActivation(int32_t Index);
  void RemoveActivation(TActivation* Activation) override;
  void RuleFired(TActivation* Activation) override;
  int32_t SearchInsertion(TActivation& Activation) override;
  // Empties the agenda and places Source's activations on it again, each
  // through AddActivation (its salience evaluated anew); the engine's
  // agenda takes them over from Source.
  void SetAgenda(TIEAgenda* Source);
  TIEAgenda* GetAgenda() const { return FAgenda.get(); }
  TActivation* GetActivation(int32_t Index) const;
  int32_t GetAgendaCount() const;
  // Templates.
  virtual IFactTemplate CreateFactTemplate(const std::string& Name) override;
  bool FindFactTemplate(const std::string& Name, IFactTemplate& Template) override;

  // The fact base. Assert returns the new ID, or -1 for a rejected
  // duplicate (no ID consumed, nothing printed, no event). When a rule's
  // condition raises on the fact, the assertion (or retraction) still
  // completes, events included, and then raises that error.
  int32_t Assert(const IFact& Fact, bool Flag) override;
  int32_t Assert(const IFact& Fact) { return Assert(Fact, false); }
  // Asserts under the inference method Method, restored afterwards. Flag
  // makes an equal fuzzy fact merge by intersection instead of union.
  int32_t Assert(const IFact& Fact, TFuzzyInferenceMethod Method, bool Flag);
  // Text is read as one fact (parser/EngineParsing.cpp), resolved in the
  // root context, then asserted.
  int32_t Assert(const std::string& Text);
  // Retracting an absent ID or fact returns a negative value.
  int32_t Retract(int32_t ID);
  int32_t Retract(const IFact& Fact);
  // The fact equal to Text, read and resolved as by Assert; a template the
  // text names for the first time is not kept.
  int32_t Retract(const std::string& Text);
  virtual void RetractFact(int32_t Index);
  void RetractFact(const IFact& Fact) { RetractFact(FFacts.IndexOf(Fact)); }
  virtual void RetractFacts();
  // Queues a fact for the end of the current assertion or retraction.
  virtual void AddPendingFact(const IFact& Fact, bool Assertion);
  const IFact& GetFactPendingAssertions(int32_t Index) const {
    return FPendingAssertions.Get(Index);
  }
  const IFact& GetFactPendingRetractions(int32_t Index) const {
    return FPendingRetractions.Get(Index);
  }
  virtual void BeginFactModify(const IFact& Fact);
  // Asserts the fact again; its new ID, or -1 for a rejected duplicate.
  virtual int32_t EndFactModify(const IFact& Fact);
  bool IsModifying() const { return FModifying; }

  int32_t NewFactId() { return FNextFactId++; }
  int32_t NewRuleId() override { return FNextRuleId++; }
  int32_t GetNextFactId() const override { return FNextFactId; }
  // Prefix followed by the symbol index, which then advances.
  std::string GenerateSymbol(const std::string& Prefix) override;
  ICustomFunCall NewFunctionCall(const std::string& Name) override;

  // Text output and input (defined in engine/IOStreams.cpp). "t" and ""
  // name the standard stream: output goes to the capture stream while one
  // is open, else to OnPrintOut; input comes from the running batch, echoed
  // to the standard output, else from OnReadLine. Any other name is a
  // logical stream of IOStreams. Printing to a name that is not there
  // raises "Function is unimplemented or unassigned: printout" without
  // OnPrintOut and is dropped with it.
  void PrintOut(const std::string& Text) { PrintOut("", Text); }
  virtual void PrintOut(const std::string& OutID, const std::string& Text);
  // The next line of the stream, without its line end; "" at the end of a
  // logical stream. Without a logical stream or OnReadLine it raises
  // "The readline event has not been implemented or unassigned. ...".
  virtual std::string ReadLine(const std::string& InID);
  // The next token, the rest of its line dropped, as ReadLine reads a line
  // (the batch echoes the token's text); OnReadToken answers for the host.
  // Without either it raises "The read event has not been implemented or
  // unassigned. ...". Defined by the parser layer (parser/EngineInput.cpp).
  virtual IStreamToken ReadToken(const std::string& InID);
  // For a host answering OnReadToken: the first token of Text into Token,
  // as read takes it; false, Token left as it was, when Text holds none.
  // Defined by the parser layer.
  bool FirstToken(const std::string& Text, IStreamToken& Token);
  // Parses and executes Stream (the caller's) or the file one line at a
  // time, each line on its own; meanwhile the standard input reads from
  // the same lines. Batches nest. A line that raises ends the batch with
  // its exception. Defined by the parser layer.
  virtual bool Batch(TStream* Stream);
  bool Batch(const std::string& FileName);
  // The input of the innermost running batch, or nil.
  TGTextStream* GetBatchInput() const { return FBatchInput; }
  // The engine takes Stream over: it receives the standard output until
  // StopCapture frees it. A capture already open is freed first.
  virtual bool StartCapture(TStream* Stream);
  // Captures into a new (or emptied) file; the runtime's file error when
  // it cannot be created.
  bool StartCapture(const std::string& FileName);
  bool StopCapture();
  TStream* GetCaptureStream() const { return FCaptureStream; }
  TIOStreams& GetIOStreams() { return FIOStreams; }

  // Fuzzy reasoning. Correlation adjusts every fuzzy slot of a fuzzy fact
  // to Strength by the correlation method (a strength of 1 changes
  // nothing); raises "Fact is not a fuzzy fact".
  virtual void FuzzyCorrelation(const IFact& Fact, float Strength);
  // OnFuzzyInference, else the union of the two facts into Fact1.
  void FuzzyInference(const IFact& Fact1, const IFact& Fact2);
  // Every fuzzy slot of Fact1 becomes the union (or intersection) with
  // Fact2's under the operation of FuzzyInferenceMethod. Raises "Cannot
  // union two facts with different fact templates: %s and %s" and "Fact is
  // not a fuzzy fact".
  virtual void FuzzyOperation(const IFact& Fact1, const IFact& Fact2, bool Union);
  // New fuzzy values; both arguments must be fuzzy values.
  virtual IIEValue FuzzyUnion(const IIEValue& Value1, const IIEValue& Value2,
                              TFuzzyOperation Operation);
  virtual IIEValue FuzzyIntersection(const IIEValue& Value1, const IIEValue& Value2,
                                     TFuzzyOperation Operation);
  // The fuzzy value (or list of them) that Expression stands for over
  // Variable, evaluated in Context (the root context when nil); see
  // core/IEFuzzyLogic.h. Reading an expression from text needs the parser.
  IIEValue EvalFuzzyExpression(const IFuzzyVariable& Variable, const IValueVector& Expression,
                               TIEContext* Context);
  IIEValue EvalFuzzyExpression(const IFuzzyVariable& Variable, const IIEValue& Expression,
                               TIEContext* Context);
  // Text read as ParseValue reads it, all of it; text left after the
  // values raises "Invalid item in fuzzy expression: %s".
  IIEValue EvalFuzzyExpression(const IFuzzyVariable& Variable, const std::string& Expression,
                               TIEContext* Context);
  // Prints a plot of the fuzzy values of Values (or of the one Value) over
  // Low..High to OutID, one PrintOut per line of the plot, without line
  // ends (engine/FuzzyReasoning.h has the layout).
  void PlotFuzzySet(const std::string& OutID, const IValueVector& Values,
                    const std::string& PlotChars, double Low, double High);
  void PlotFuzzySet(const std::string& OutID, const IIEValue& Value, const std::string& PlotChars,
                    double Low, double High);

  void Lock();
  void Unlock();

  // Component streaming (engine/EngineStreaming.cpp): the knowledge base
  // as lists of construct texts. "FactsList" (the facts, asserted again
  // when read) and "FactSets" are written only when not empty; the
  // collections file theirs as "DefinedTypes.DefTypes",
  // "FactTemplates.Templates", "GlobalVariables.Variables",
  // "EngineVariables.Variables" and "Rules.Rules". Reading templates or
  // defined types replaces those there.
  void DefineProperties(TFiler* Filer) override;

  // Collections.
  TFacts& GetFacts() { return FFacts; }
  TFactTemplates& GetFactTemplates() { return FFactTemplates; }
  TIEDefinedTypes& GetDefinedTypes() { return FDefinedTypes; }
  TEngineVariables* GetEngineVariables() const { return FEngineVariables.get(); }
  TGlobalVariables* GetGlobalVariables() const { return FGlobalVariables.get(); }
  TFactSets& GetFactSets() { return FFactSets; }
  TUserFunctions& GetUserFunctions() { return FUserFunctions; }
  TRules& GetRules() { return FRules; }
  TReteNetwork* GetReteNetwork() const override { return FReteNetwork; }
  TIEPattern* GetInitialFactPattern() const override { return FInitialFactPattern; }
  // The root execution context: its bindings are the globals.
  TIEContext* GetContext() override { return FContext.get(); }
  TObject* GetDefaultsContext() override;
  const IFact& GetNullFact() const override { return FNullFact; }
  std::vector<IFact> ListFacts() const override;
  IFact GetFactByID(int32_t ID) const override { return FFacts.GetFactByID(ID); }

  // Properties.
  TDuplicateConstructs GetDuplicateConstructs() const { return FDuplicateConstructs; }
  void SetDuplicateConstructs(TDuplicateConstructs Value) { FDuplicateConstructs = Value; }
  TFunctionPackages GetPackages() const { return FPackages; }
  void SetPackages(TFunctionPackages Value);
  bool GetFactDuplication() const { return FFactDuplication; }
  void SetFactDuplication(bool Value);
  bool GetFuzzyAutoTerms() const { return FFuzzyAutoTerms; }
  void SetFuzzyAutoTerms(bool Value) { FFuzzyAutoTerms = Value; }
  TFuzzyCorrelationMethod GetFuzzyCorrelationMethod() const { return FFuzzyCorrelationMethod; }
  void SetFuzzyCorrelationMethod(TFuzzyCorrelationMethod Value) { FFuzzyCorrelationMethod = Value; }
  TFuzzyInferenceMethod GetFuzzyInferenceMethod() const { return FFuzzyInferenceMethod; }
  void SetFuzzyInferenceMethod(TFuzzyInferenceMethod Value) { FFuzzyInferenceMethod = Value; }
  float GetFuzzyEqualsThreshold() const { return FFuzzyEqualsThreshold; }
  // Clamped to 0..1 and passed to the fuzzy variable of every fuzzy
  // defined type, whose sets compare with numbers by it.
  void SetFuzzyEqualsThreshold(float Value);
  float GetMinActivationStrength() const { return FMinActivationStrength; }
  // Clamped to 0..1.
  void SetMinActivationStrength(float Value);
  TErrorHandling GetParserErrorHandling() const { return FParserErrorHandling; }
  // These two and SetTypeChecks copy the setting into the parser.
  void SetParserErrorHandling(TErrorHandling Value);
  int32_t GetParserMaxErrors() const { return FParserMaxErrors; }
  void SetParserMaxErrors(int32_t Value);
  // Whether LoadFromFile collects parse errors as ehRaiseAllAtEnd does,
  // whatever ParserErrorHandling says: a load then goes on past a broken
  // construct. Off by default; the shell turns it on.
  bool GetCollectLoadErrors() const { return FCollectLoadErrors; }
  void SetCollectLoadErrors(bool Value) { FCollectLoadErrors = Value; }
  bool GetResetGlobals() const { return FResetGlobals; }
  void SetResetGlobals(bool Value) { FResetGlobals = Value; }
  TSearchStrategy GetStrategy() const { return FStrategy; }
  // Re-sorts the agenda for the new strategy.
  virtual void SetStrategy(TSearchStrategy Value);
  TSalience GetSalienceEvaluation() const { return FSalienceEvaluation; }
  void SetSalienceEvaluation(TSalience Value) { FSalienceEvaluation = Value; }
  int32_t GetSymbolIndex() const { return FSymbolIndex; }
  // A larger value becomes the index; any other advances it by one, so a
  // symbol is never generated twice.
  void SetSymbolIndex(int32_t Value);
  TTypeChecks GetTypeChecks() const override { return FTypeChecks; }
  void SetTypeChecks(TTypeChecks Value);
  TConstructWatches GetWatch() const { return FWatch; }
  void SetWatch(TConstructWatches Value) { FWatch = Value; }
  float GetVersion() const { return 2.0f; }
  // The folder that the file functions (open, load, save, load-facts,
  // save-facts, batch, dribble-on, remove, rename) are confined to; empty,
  // the default, confines nothing. Setting it resolves the folder, which
  // must exist.
  const std::string& GetSandbox() const { return FSandbox; }
  void SetSandbox(const std::string& Folder);
  // The path a file function uses for FileName: FileName itself without a
  // sandbox; inside one, FileName resolved against the sandbox with its
  // links followed, and an EIEException when that lies outside it.
  std::string SandboxedPath(const std::string& FileName) const;

  // Events.
  void SetOnAddDefaultPackages(TNotifyEvent Handler) {
    FEvents.OnAddDefaultPackages = std::move(Handler);
  }
  void SetOnAddDefinedType(TIEDefinedTypeEvent Handler) {
    FEvents.OnAddDefinedType = std::move(Handler);
  }
  void SetOnAddUserFunction(TUserFunctionEvent Handler) {
    FEvents.OnAddUserFunction = std::move(Handler);
  }
  void SetOnRemoveUserFunction(TUserFunctionEvent Handler) {
    FEvents.OnRemoveUserFunction = std::move(Handler);
  }
  void SetOnAssertion(TFactEvent Handler) { FEvents.OnAssertion = std::move(Handler); }
  void SetOnClear(TNotifyEvent Handler) { FEvents.OnClear = std::move(Handler); }
  void SetOnClearDefinedTypes(TNotifyEvent Handler) {
    FEvents.OnClearDefinedTypes = std::move(Handler);
  }
  void SetOnClearFacts(TNotifyEvent Handler) { FEvents.OnClearFacts = std::move(Handler); }
  void SetOnClearFactTemplates(TNotifyEvent Handler) {
    FEvents.OnClearFactTemplates = std::move(Handler);
  }
  void SetOnNewFactTemplate(TFactTemplateEvent Handler) {
    FEvents.OnNewFactTemplate = std::move(Handler);
  }
  void SetOnPrintOut(TPrintOutEvent Handler) { FEvents.OnPrintOut = std::move(Handler); }
  void SetOnReadLine(TReadLineEvent Handler) { FEvents.OnReadLine = std::move(Handler); }
  void SetOnReadToken(TReadTokenEvent Handler) { FEvents.OnReadToken = std::move(Handler); }
  void SetOnRemoveDefinedType(TIEDefinedTypeEvent Handler) {
    FEvents.OnRemoveDefinedType = std::move(Handler);
  }
  void SetOnRemoveFactTemplate(TFactTemplateEvent Handler) {
    FEvents.OnRemoveFactTemplate = std::move(Handler);
  }
  void SetOnRetraction(TFactEvent Handler) { FEvents.OnRetraction = std::move(Handler); }
  void SetOnReset(TNotifyEvent Handler) { FEvents.OnReset = std::move(Handler); }
  void SetOnAddRule(TRuleEvent Handler) { FEvents.OnAddRule = std::move(Handler); }
  void SetOnRemoveRule(TRuleEvent Handler) { FEvents.OnRemoveRule = std::move(Handler); }
  void SetOnClearRules(TNotifyEvent Handler) { FEvents.OnClearRules = std::move(Handler); }
  void SetOnRuleFired(TRuleEvent Handler) { FEvents.OnRuleFired = std::move(Handler); }
  void SetOnAddActivation(TAgendaEvent Handler) { FEvents.OnAddActivation = std::move(Handler); }
  void SetOnRemoveActivation(TAgendaEvent Handler) {
    FEvents.OnRemoveActivation = std::move(Handler);
  }
  void SetOnStartInference(TNotifyEvent Handler) { FEvents.OnStartInference = std::move(Handler); }
  void SetOnEndInference(TInferenceEvent Handler) { FEvents.OnEndInference = std::move(Handler); }
  void SetOnFuzzyCorrelation(TFuzzyCorrelationEvent Handler) {
    FEvents.OnFuzzyCorrelation = std::move(Handler);
  }
  void SetOnFuzzyInference(TFuzzyInferenceEvent Handler) {
    FEvents.OnFuzzyInference = std::move(Handler);
  }
  // The handlers of the events a trace chains to.
  const TFactEvent& GetOnAssertion() const { return FEvents.OnAssertion; }
  const TFactEvent& GetOnRetraction() const { return FEvents.OnRetraction; }
  const TRuleEvent& GetOnRuleFired() const { return FEvents.OnRuleFired; }
  const TAgendaEvent& GetOnAddActivation() const { return FEvents.OnAddActivation; }
  const TAgendaEvent& GetOnRemoveActivation() const { return FEvents.OnRemoveActivation; }
  const TNotifyEvent& GetOnStartInference() const { return FEvents.OnStartInference; }
  const TInferenceEvent& GetOnEndInference() const { return FEvents.OnEndInference; }
  // Writes a trace of the engine's work to Stream, one JSON object a line
  // (see Tracer.h), until called again; nil stops it. The stream must
  // outlive the trace. The handlers set on the traced events before the
  // call are still called; ones set after it replace the trace.
  void SetTrace(std::ostream* Stream);
  const TPrintOutEvent& GetOnPrintOut() const { return FEvents.OnPrintOut; }
  // Without a handler the miscellaneous package answers its dialogs
  // through PrintOut and ReadLine (docs/misc-package.md).
  const TInputBoxEvent& GetOnInputBox() const { return FEvents.OnInputBox; }
  void SetOnInputBox(TInputBoxEvent Handler) { FEvents.OnInputBox = std::move(Handler); }
  const TInputQueryEvent& GetOnInputQuery() const { return FEvents.OnInputQuery; }
  void SetOnInputQuery(TInputQueryEvent Handler) { FEvents.OnInputQuery = std::move(Handler); }
  const TMessageDlgEvent& GetOnMessageDlg() const { return FEvents.OnMessageDlg; }
  void SetOnMessageDlg(TMessageDlgEvent Handler) { FEvents.OnMessageDlg = std::move(Handler); }
  const TShowMessageEvent& GetOnShowMessage() const { return FEvents.OnShowMessage; }
  void SetOnShowMessage(TShowMessageEvent Handler) { FEvents.OnShowMessage = std::move(Handler); }

  // Hooks through which the collections announce their changes.
  virtual void AddFactTemplate(const IFactTemplate& Template);
  virtual void RemoveFactTemplate(const IFactTemplate& Template);
  virtual void ClearFactTemplates();
  virtual void AddDefinedType(const IIEDefinedType& DefinedType);
  virtual void RemoveDefinedType(const IIEDefinedType& DefinedType);
  virtual void ClearDefinedTypes();
  virtual void AddRule(TRule* Rule);
  // Fires OnRemoveRule, takes the rule out of the network and frees it
  // when the engine owns it.
  virtual void RemoveRule(TRule* Rule);
  virtual void ClearRules();
  void RegisterRule(TRule* Rule) override { FRules.Add(Rule); }
  void UnregisterRule(TRule* Rule) override;
  // Files the rule under NewName; "Duplicate Rules..." when it is taken.
  void RenameRule(TRule* Rule, const std::string& NewName) override;
  void RuleChange(TRule* Rule) override;
  virtual void AddFunction(const IUserFunction& Function);
  virtual void RemoveFunction(const IUserFunction& Function);

  // The engine as the registry of callable functions.
  bool AddUserFunction(const IUserFunction& Function) override;
  // Drops the entry under Function's name when it is Function itself, so
  // that a package letting go of a function never drops another function
  // that has since taken the name.
  void RemoveUserFunction(const IUserFunction& Function) override;
  bool ContainsUserFunction(std::string_view Name) override;
  bool ContainsUserFunction(std::string_view Name, IUserFunction& Function) override;
  IUserFunction GetUserFunction(std::string_view Name) override;
  void SetUserFunction(std::string_view Name, const IUserFunction& Function) override;
  // A call of "modify" or "duplicate" prints its slot specifications in
  // parentheses.
  std::string PrettyPrint(const IFunCall& FunCall) override;
  std::string PrettyPrint(const IUserFunction& Function) override;
  std::string PrettyPrint(const IInterpretedFunction& Function) override;
  std::string PrettyPrint(const IIEDefinedType& DefinedType) override;
  // A built-in or host function as comment lines closed by Syntax.
  virtual std::string PrettyPrint(const IUserFunction& Function, const std::string& Syntax);

  // Redefinition (engine/Redefinition.cpp). The dependents of a template
  // are the pending facts, facts and fact-set entries of it and the rules
  // with a pattern on it; a rule whose actions only make facts of it is
  // rebuilt from its text when it goes.
  //
  // Empties the pending lists, the network, the fact base and the rules,
  // and forgets the facts read for the fact sets.
  virtual void RemoveDependencies();
  virtual void RemoveDependencies(const IFactTemplate& Template);
  // Removes every template that uses the type, the last one first.
  virtual void RemoveDependencies(const IIEDefinedType& DefinedType);
  // After New was filed: under another name Old's dependents go; under the
  // same name its facts and the rules that depend on it are read again
  // from their texts against New. What no longer reads is dropped; any
  // other failure files Old again with its facts and rules.
  virtual void ReplaceTemplate(const IFactTemplate& Old, const IFactTemplate& New);
  // Under another name Old's templates go; under the same name each is
  // replaced by a copy whose slots use New where they used Old.
  virtual void ReplaceDefinedType(const IIEDefinedType& Old, const IIEDefinedType& New);
  // The text of a fact or rule taken out by a redefinition, with the fact
  // (nil for a rule).
  struct TRebuildItem {
    std::string Text;
    IFact Fact;
  };
  using TRebuildList = std::vector<TRebuildItem>;
  // Reads each item again. An item whose text no longer reads is dropped;
  // a rule's condition that fails on a fact read again goes to Failure;
  // any other error is raised.
  virtual void UpdateDependencies(const TRebuildList& List, TDeferredError& Failure);
  // Puts back the facts and rules of List that a failed redefinition took
  // out, each fact under its own ID.
  void RestoreDependencies(const TRebuildList& List);
  // Asserts New, the fact read again for Old.
  virtual void UpdateDependentFact(const IFact& Old, const IFact& New);
  // A pattern or an action of the rule refers to Template.
  bool IsDependent(const TRule& Rule, const IFactTemplate& Template) const;
  // An argument refers to Template.
  bool IsDependent(const TCustomFunctionCall& FunCall, const IFactTemplate& Template) const;
  // A fact of Template, or a call or list that holds one.
  bool IsDependent(const IIEValue& Value, const IFactTemplate& Template) const;

  // What templates and facts ask of their engine. A template filed under
  // OldName is removed (with its dependents) and filed under NewName.
  void ChangeFactTemplateName(const std::string& OldName, const std::string& NewName) override;
  std::string PrettyPrint(const IFactSlot& Slot) override;
  std::string PrettyPrint(const IFactTemplate& Template) override;
  std::string PrettyPrint(const IFact& Fact) override;
  virtual std::string PrettyPrint(const IFact& Fact, const std::string& SlotName);
  virtual std::string PrettyPrint(const IFact& Fact, const std::string& SlotName,
                                  const IIEValue& Value);
  virtual std::string PrettyPrint(const IFact& Fact, const std::string& SlotName,
                                  const std::string& ValueText);
  // Texts of the other constructs; each printer unit lays its items out.
  std::string PrettyPrint(const TIEPattern& Pattern) override;
  std::string PrettyPrint(const TRule& Rule) override;
  virtual std::string PrettyPrint(const TRule& Rule, TRuleConstruct Construct);
  virtual std::string PrettyPrint(const TFactSet& FactSet);
  virtual std::string PrettyPrint(const IFuzzyVariable& FuzzyVariable);
  virtual std::string PrettyPrint(const IFuzzySet& FuzzySet, bool AsTerm);
  std::string PrettyPrint(const ISingletonsVector& Singletons) override;
  virtual std::string PrettyPrint(const TValueHashTable& Variables);
  virtual std::string PrettyPrint(const std::string& Name, const IIEValue& Value);
  // The global variables as one defglobal construct.
  std::string PrettyPrintGlobalVariables();

  // Reading text (defined by the parser layer, parser/EngineParsing.cpp).
  // Each entry point lends the parser a new tokenizer on the text and gives
  // it back its former stream afterwards, also when parsing raises, so
  // parse calls nest. Parse errors are EIEParseException.
  //
  // The parser, made on first use.
  TIEParser* GetParser();
  // Assigns Parser's settings and stream to the engine's parser.
  void SetParser(TIEParser* Parser);
  TIEParserClass GetParserType() const { return FParserClass; }
  // A new class replaces the parser by one of that class.
  void SetParserType(TIEParserClass Class);
  TIETokenizerClass GetTokenizerType() const { return FTokenizerClass; }
  // A new class detaches the parser from its stream.
  void SetTokenizerType(TIETokenizerClass Class);
  // A parser of the parser class for Stream, with the engine's settings.
  virtual TIEParser* NewParser(TIETokenizerStream* Stream);
  // A tokenizer of the tokenizer class on Stream (the caller's unless
  // OwnsStream) or on a copy of Text, reading for this engine. The caller
  // frees it.
  TIETokenizerStream* NewTokenizer(TStream* Stream) { return NewTokenizer(Stream, false); }
  virtual TIETokenizerStream* NewTokenizer(TStream* Stream, bool OwnsStream);
  virtual TIETokenizerStream* NewTokenizer(const std::string& Text);

  // The parser's events: the engine stores none of them, so a new parser
  // class starts without them.
  void SetOnParse(TParseEvent Handler);
  void SetOnParseDefinedType(TParseDefinedTypeEvent Handler);
  void SetOnParseFact(TParseFactEvent Handler);
  void SetOnParseFactSet(TParseFactSetEvent Handler);
  void SetOnParseFactTemplate(TParseFactTemplateEvent Handler);
  void SetOnParseFunction(TParseFunctionEvent Handler);
  void SetOnParseFunCall(TParseFunCallEvent Handler);
  void SetOnParseFuzzySet(TParseFuzzySetEvent Handler);
  void SetOnParseFuzzyVariable(TParseFuzzyVariableEvent Handler);
  void SetOnParseSingletons(TParseSingletonsEvent Handler);
  void SetOnParseVariable(TParseVariableEvent Handler);
  void SetOnParsePattern(TParsePatternEvent Handler);
  void SetOnParseRule(TParseRuleEvent Handler);

  // Defines the constructs of Text and, with Execute, runs its top-level
  // calls (always, while errors are collected).
  void Parse(const std::string& Text, bool Execute);
  // The same for a piece of a larger source whose first line is line
  // FirstLine there, so that errors name the source's lines.
  void Parse(const std::string& Text, bool Execute, int32_t FirstLine);
  // A value of ValueType read from plain text.
  virtual IIEValue Parse(const std::string& Text, TIEType ValueType);
  IIEDefinedType ParseDefinedType(const std::string& Text);
  IFact ParseFact(const std::string& Text) override;
  // Reads one slot part into Fact; the value stored.
  IIEValue ParseFactSlot(const IFact& Fact, const std::string& Text);
  // The set is the caller's; it is not among the engine's fact sets.
  TFactSet* ParseFactSet(const std::string& Text);
  IFactTemplate ParseFactTemplate(const std::string& Text);
  IFactSlot ParseFactTemplateSlot(const std::string& Text) override;
  IUserFunction ParseFunction(const std::string& Text);
  IFunCall ParseFunCall(const std::string& Text);
  // Runs the call in the root context; its result.
  IIEValue ParseNExecuteFunCall(const std::string& Text);
  // The one fuzzy set that the expression Text stands for over Variable,
  // evaluated in the root context; none or several raise "Invalid Fuzzy
  // Expression: %s".
  IFuzzySet ParseFuzzyExpression(const IFuzzyVariable& Variable, const std::string& Text);
  IFuzzySet ParseFuzzySet(const IFuzzyVariable& Variable, const std::string& Text);
  IFuzzyVariable ParseFuzzyVariable(const std::string& Text);
  void ParseGlobalVariables(const std::string& Text);
  IValueVector ParseList(const std::string& Text);
  TRule* ParseRule(const std::string& Text);
  void ParseRulePatterns(TRule* Rule, TStringList* Variables, const std::string& Text);
  void ParseRuleActions(TRule* Rule, TStringList* Variables, const std::string& Text);
  ISingletonsVector ParseSingletons(const std::string& Text) override;
  // Nil when Text holds no value.
  IIEValue ParseValue(const std::string& Text);
  IIEValue ParseValue(const std::string& Text, const IFactSlot& Slot);
  IIEValue ParseValue(const std::string& Text, TIETypes Types, const IIEDefinedType& DefinedType);
  // Name gets the variable's name with its asterisks.
  IIEValue ParseVariable(const std::string& Text, std::string& Name);

  // The knowledge base as text (engine/KnowledgeBase.cpp; the file-name
  // forms of loading and LoadFacts(Stream) in parser/EngineParsing.cpp).
  // Loading adds to what is there and runs the text's commands. A file
  // that cannot be opened or created raises the runtime's file error before
  // anything changes; a parse error while loading a file names the file.
  // Every file-name form that writes replaces the file whole or not at all
  // (TSafeFileStream): a failed write leaves the former file as it was.
  void LoadFromFile(const std::string& FileName);
  virtual void LoadFromStream(TStream* Stream);
  void SaveToFile(const std::string& FileName);
  // The bytes of GetExpertSystem.
  virtual void SaveToStream(TStream* Stream);
  // A header of comment lines, then every kind of construct and one
  // assert call holding the facts, in the order loading needs them.
  virtual std::string GetExpertSystem();
  // Clears, loads Text and resets.
  virtual void SetExpertSystem(const std::string& Text);
  // Asserts every fact of the stream.
  virtual void LoadFacts(TStream* Stream);
  void LoadFacts(const std::string& FileName);
  // Each fact's text and CR LF; the second form only the facts of the
  // template named TemplateName.
  virtual void SaveFacts(TStream* Stream);
  virtual void SaveFacts(TStream* Stream, const std::string& TemplateName);
  void SaveFacts(const std::string& FileName);
  // The facts of each template named, template after template.
  void SaveFacts(const std::string& FileName, const std::vector<std::string>& TemplateNames);
  // Each clears its collection first, then loads.
  virtual void LoadRules(TStream* Stream);
  void LoadRules(const std::string& FileName);
  virtual void LoadFactTemplates(TStream* Stream);
  void LoadFactTemplates(const std::string& FileName);
  virtual void LoadDefinedTypes(TStream* Stream);
  void LoadDefinedTypes(const std::string& FileName);
  // Each item's text and CR LF, in table order.
  virtual void SaveRules(TStream* Stream);
  void SaveRules(const std::string& FileName);
  virtual void SaveFactTemplates(TStream* Stream);
  void SaveFactTemplates(const std::string& FileName);
  virtual void SaveDefinedTypes(TStream* Stream);
  void SaveDefinedTypes(const std::string& FileName);
  // From another engine: clears, copies its settings, then its defined
  // types, templates, deffunctions, rules, globals, facts and fact sets.
  void Assign(TPersistent* Source) override;

 protected:
  void Notification(TComponent* Component, TOperation Operation) override;

 private:
  friend class TFacts;

  void FreeParser();
  void TakeOutDependents(const IFactTemplate& Template, TRebuildList* Rebuild,
                         TDeferredError& Failure);
  void ProcessPendingFacts();
  void WatchFact(const char* Arrow, const IFact& Fact);
  // The initial-fact template and the null fact on its own template.
  void MakeInternalTemplates();
  void DetachEvents();
  void WatchActivation(const char* Arrow, const TActivation* Activation);
  void FireCurrent();
  // True when an interrupt was pending; takes it.
  bool TakeInterrupt();
  // Frees the activation fired and a rule removed while it fired.
  void EndFiring();
  void NoteFiringFailure(const TRule& Rule, std::exception_ptr Error);
  // Places every activation again, through the scratch agenda.
  void Resort(TIEAgenda* Scratch);
  void PrintStatistics();
  void RemoveInterpretedFunctions();

  TFacts FFacts;
  // What asserted facts share of their values.
  TSharedValues FSharedValues;
  TFactTemplates FFactTemplates;
  TIEDefinedTypes FDefinedTypes;
  TOwned<TEngineVariables> FEngineVariables;
  TOwned<TGlobalVariables> FGlobalVariables;
  TFactSets FFactSets;
  TOwned<TIEAgenda> FAgenda;
  TReteNetwork* FReteNetwork;
  TRules FRules;
  TIEPattern* FInitialFactPattern = nullptr;

  // The run.
  bool FHalted = false;
  std::atomic<bool> FInterruptRequested = false;
  std::string FLastRuleName;
  TFiringFailure FFiringFailure;
  TActivation* FCurrentActivation = nullptr;
  // Removed while its actions ran; freed when they end.
  TRule* FRetiredRule = nullptr;
  // The origin of the facts the firing asserts, made with the first one.
  IInterface FFiringOrigin;
  // The origin of facts asserted outside a firing; nil for the host.
  IInterface FOrigin;
  int32_t FRulesFired = 0;
  std::chrono::steady_clock::time_point FStartTime;
  double FRunTime = 0;
  int32_t FMaxFacts = 0;
  double FFactsSum = 0;
  int32_t FMaxActivations = 0;
  double FActivationsSum = 0;
  TUserFunctions FUserFunctions;
  TOwned<TIEContext> FContext;
  TIList<TFact> FPendingAssertions;
  TIList<TFact> FPendingRetractions;
  IFact FNullFact;

  int32_t FNextFactId = 0;
  int32_t FNextRuleId = 0;
  int32_t FSymbolIndex = 1;
  bool FModifying = false;
  std::unique_ptr<std::recursive_mutex> FLock;

  TDuplicateConstructs FDuplicateConstructs = dcOverwrite;
  TFunctionPackages FPackages = AllFunctionPackages;
  bool FFactDuplication = false;
  bool FFuzzyAutoTerms = true;
  TFuzzyCorrelationMethod FFuzzyCorrelationMethod = fcmMinimum;
  TFuzzyInferenceMethod FFuzzyInferenceMethod = fimMinMax;
  float FFuzzyEqualsThreshold = 0.01f;
  float FMinActivationStrength = 0.0f;
  TErrorHandling FParserErrorHandling = ehRaiseImmediate;
  int32_t FParserMaxErrors = 10;
  bool FCollectLoadErrors = false;
  // The globals put off by the load under way, with the definitions they
  // replaced, or null.
  using TDeferredGlobals = std::vector<std::pair<std::string, IIEValue>>;
  TDeferredGlobals* FDeferredGlobals = nullptr;
  bool FResetGlobals = true;
  TSearchStrategy FStrategy = ssDepthFirst;
  TSalience FSalienceEvaluation = sActivate;
  TTypeChecks FTypeChecks{tcStatic};
  TConstructWatches FWatch;
  std::string FSandbox;
  TIEParser* FParser = nullptr;
  TIEParserClass FParserClass = nullptr;
  TIETokenizerClass FTokenizerClass = nullptr;

  TEngineEvents FEvents;
  std::unique_ptr<TTracer> FTracer;

  // Text I/O.
  TIOStreams FIOStreams{this};
  TStream* FCaptureStream = nullptr;
  // A tokenizer made by NewTokenizer while a batch runs.
  TGTextStream* FBatchInput = nullptr;
};

// A new engine, with its packages and initial fact, freed with the handle.
inline TOwned<TInferenceEngine> MakeEngine() { return MakeOwned<TInferenceEngine>(nullptr); }

}  // namespace ie
