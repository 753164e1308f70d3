// A rule: its patterns (the left-hand side), its actions (calls run in
// order when it fires), its salience and the bindings of its variables.
// The match network compiles it; when the agenda picks one of its
// activations, the rule fires in a child of the engine's root context.
//
// Ownership: a rule is a component owned by its owner (often the engine).
// It owns its patterns and its bindings and counts its actions; it points
// to its engine without owning it and asks to hear of the engine's end.
// Every change of patterns, actions, name or salience is reported to the
// engine (which recompiles the rule) unless an update is in progress.
// Everything runs on the engine's thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/IEInterfaces.h"
#include "core/IERuleEngine.h"
#include "rete/IEContext.h"
#include "rete/IEToken.h"
#include "runtime/Component.h"
#include "runtime/StringList.h"

namespace ie {

class TIEPattern;
class TRule;
class TReteNetwork;

using TRuleFireEvent = std::function<void(TObject* Sender, TIEContext* Context)>;

// The patterns of a rule, in order. The list owns them and tells its rule
// of every pattern put in or taken out; a pattern the rule refuses (Add
// and Insert raise) stays with the caller.
class TRulePatternList {
 public:
  explicit TRulePatternList(TRule* Rule) : FRule(Rule) {}
  TRulePatternList(const TRulePatternList&) = delete;
  TRulePatternList& operator=(const TRulePatternList&) = delete;
  // Frees the patterns without telling the rule: it is going too.
  ~TRulePatternList();

  int32_t GetCount() const { return static_cast<int32_t>(FItems.size()); }
  // Raises EListError outside 0..Count-1.
  TIEPattern* Get(int32_t Index) const;
  int32_t Add(TIEPattern* Pattern);
  void Insert(int32_t Index, TIEPattern* Pattern);
  // Frees the pattern at Index.
  void Delete(int32_t Index);
  // Frees Pattern; its former position or -1.
  int32_t Remove(TIEPattern* Pattern);
  int32_t IndexOf(const TIEPattern* Pattern) const;
  // The first pattern on Template, or -1.
  int32_t IndexOf(const IFactTemplate& Template) const;
  void Clear();

  auto begin() const { return FItems.begin(); }
  auto end() const { return FItems.end(); }

 private:
  friend class TRule;

  TRule* FRule;
  std::vector<TIEPattern*> FItems;
};

// The actions of a rule, in order; the rule hears of every change.
class TRuleActionList {
 public:
  explicit TRuleActionList(TRule* Rule) : FRule(Rule) {}
  TRuleActionList(const TRuleActionList&) = delete;
  TRuleActionList& operator=(const TRuleActionList&) = delete;

  int32_t GetCount() const { return FItems.GetCount(); }
  const ICustomFunCall& Get(int32_t Index) const { return FItems.Get(Index); }
  int32_t Add(const ICustomFunCall& Action);
  void Insert(int32_t Index, const ICustomFunCall& Action);
  void Delete(int32_t Index);
  int32_t Remove(const TCustomFunctionCall* Action);
  int32_t IndexOf(const TCustomFunctionCall* Action) const { return FItems.IndexOf(Action); }
  void Clear();

  auto begin() const { return FItems.begin(); }
  auto end() const { return FItems.end(); }

 private:
  TRule* FRule;
  TIList<TCustomFunctionCall> FItems;
};

class TRule : public TComponent {
  IE_CLASS(TRule, TComponent)

 public:
  // An owner that is an engine becomes the rule's engine and gives it its
  // identifier; the rule is filed in the engine's table only by SetEngine
  // or by the engine itself.
  explicit TRule(TComponent* Owner);
  ~TRule() override;

  void AfterConstruction() override;
  // Leaves the engine's rule table (and so the network) while the rule
  // still stands.
  void BeforeDestruction() override;

  int32_t GetRuleId() const { return FRuleId; }
  // "Rule_" followed by the identifier until a name is set.
  const std::string& GetRuleName() const { return FRuleName; }
  // Raises "%s contains unexpected character" for a name holding one of
  // the characters a construct name may not hold; the engine re-files the
  // rule first.
  virtual void SetRuleName(const std::string& Name);
  const std::string& GetComment() const { return FComment; }
  void SetComment(std::string Value) { FComment = std::move(Value); }

  // The evaluated salience; higher fires first.
  int32_t GetSalience() const { return FSalience; }
  const IIEValue& GetSalienceExpression() const { return FSalienceExpression; }
  // Stores the expression (an integer, a global variable or a call) and
  // evaluates it.
  virtual void SetSalience(const IIEValue& Expression);
  // Evaluates the expression in a fresh context of the engine (a constant
  // needs none) and stores the integer; returns it.
  virtual int32_t EvaluateSalience();
  // Stores Value as the salience; a constant expression takes it too.
  void SetSalienceInteger(int32_t Value);

  bool GetOneShot() const { return FOneShot; }
  void SetOneShot(bool Value) { FOneShot = Value; }
  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool Value) { FEnabled = Value; }
  // Set by Fire, cleared by Reset: a one-shot rule that fired gets no new
  // activations.
  bool GetFired() const { return FFired; }
  // Rearms the rule; the engine calls it on reset.
  virtual void Reset() { FFired = false; }

  TRulePatternList& GetPatterns() { return FPatterns; }
  const TRulePatternList& GetPatterns() const { return FPatterns; }
  TRuleActionList& GetActions() { return FActions; }
  const TRuleActionList& GetActions() const { return FActions; }
  // The position of Pattern among the rule's patterns, or -1.
  int32_t IndexOfPattern(const TIEPattern* Pattern) const { return FPatterns.IndexOf(Pattern); }

  // The engine the rule belongs to, or nil.
  TCustomRuleEngine* GetEngine() const { return FEngine; }
  // Leaves the old engine's table, takes a new identifier from Engine and
  // is filed there. While loading only the reference is stored.
  virtual void SetEngine(TCustomRuleEngine* Engine);

  // The bindings of the rule's variables, owned by the rule.
  int32_t GetBindingCount() const { return static_cast<int32_t>(FBindings.size()); }
  TBinding* GetBinding(int32_t Index) const;
  // The first binding of Name, or nil.
  TBinding* GetBindingByName(std::string_view Name) const;
  int32_t IndexOfBinding(std::string_view Name) const;
  // The binding equal to the new one when there is one, else the new one
  // appended.
  virtual TBinding* AddBinding(const std::string& Name, int32_t FactIndex,
                               const std::string& SlotIndex, int32_t SubIndex);

  // Nested; no change is reported while an update is open, and the end of
  // the outermost one reports one.
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();
  // Tells the engine that the rule changed (it recompiles it) unless
  // updates are suspended, then fires OnChange. Sender is the pattern or
  // list that changed, or nil.
  virtual void Change(TObject* Sender = nullptr);

  // Binds every pattern variable from Token into Context's frame, then
  // "__RULE" to the rule's name.
  virtual void Prepare(const IReteToken& Token, TIEContext* Context);
  // Runs the actions in a child of the engine's root context, after
  // OnFire, until one sets a return value. Raises "Unknown/Undefined
  // Inference Engine" without an engine; an action's error propagates.
  virtual void Fire(const IReteToken& Token);
  // The action whose error ended the last firing, or nil when none did
  // (or the error came before the actions).
  const ICustomFunCall& GetFailedAction() const { return FFailedAction; }

  const TRuleFireEvent& GetOnFire() const { return FOnFire; }
  void SetOnFire(TRuleFireEvent Handler) { FOnFire = std::move(Handler); }
  const TNotifyEvent& GetOnChange() const { return FOnChange; }
  void SetOnChange(TNotifyEvent Handler) { FOnChange = std::move(Handler); }

  // What the network reports of the last compilation: "r1: +1+1+2+t".
  const std::string& GetCompileTrace() const { return FCompileTrace; }

  // The defrule construct, through the engine's printer when there is an
  // engine.
  std::string GetToString() const override;

 protected:
  void Notification(TComponent* Component, TOperation Operation) override;

  // Registers what Pattern, just put at Index, binds; puts the engine's
  // initial-fact pattern before a negated, "exists" or test pattern that
  // would come first. Raises "Unknown/Undefined Inference Engine" without an engine
  // and "First Use of Variable is negated" for a variable whose first use
  // is negated.
  virtual void AddPattern(TIEPattern* Pattern, int32_t Index);
  virtual void PatternNotification(TIEPattern* Pattern, int32_t Index, bool Added);
  virtual void ActionNotification();

 private:
  friend class TRulePatternList;
  friend class TRuleActionList;
  friend class TReteNetwork;
  friend class TReteCompiler;

  // What a binding addresses, and where its slot lies in the layout last
  // seen, so that firing looks a slot name up once per template layout.
  struct TSlotCache {
    bool Local = false;
    bool WholeFact = false;
    ISlotLayout Layout;
    int32_t Position = -1;
  };

  void InsertInitialPattern();
  void FreeBindings();
  // Moves the bindings of facts at From and above by Delta; a removed
  // pattern's own bindings go first.
  void ShiftBindings(int32_t From, int32_t Delta);
  IIEValue BindingValue(TBinding& Binding, TSlotCache& Cache, TFact& Fact) const;
  // Files every binding's name in the frame, once after the bindings
  // changed.
  void BuildFrame();

  int32_t FRuleId = 0;
  int32_t FSalience = 0;
  std::string FComment;
  std::string FRuleName;
  // The name as a string value, shared by every firing's "__RULE".
  IIEValue FRuleNameValue;
  IIEValue FSalienceExpression;
  TRuleActionList FActions;
  ICustomFunCall FFailedAction;
  TRulePatternList FPatterns;
  std::vector<TBinding*> FBindings;
  std::vector<TSlotCache> FBindingSlots;
  // The names bound per firing: each binding's position in the frame,
  // and the rule name's.
  TBindingFrame FFrame;
  std::vector<int32_t> FFramePositions;
  int32_t FRuleNamePosition = -1;
  bool FFrameStale = true;
  // The facts of the token being prepared, kept to reuse its storage.
  std::vector<TFact*> FTokenFacts;
  TCustomRuleEngine* FEngine = nullptr;
  TRuleFireEvent FOnFire;
  std::string FCompileTrace;
  TNotifyEvent FOnChange;
  int32_t FUpdateCount = 0;
  // Set by the network while it compiles: patterns it adds and rewrites
  // report no change.
  bool FCompiling = false;
  bool FNamed = false;
  bool FOneShot = false;
  bool FFired = false;
  bool FEnabled = true;
};

}  // namespace ie
