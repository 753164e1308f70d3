// What rules and the match network ask of the engine they belong to. The
// inference engine derives from TCustomRuleEngine; the rule layer knows it
// only through this face, so it depends on nothing above it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/IEFactOwner.h"
#include "core/IEFacts.h"

namespace ie {

class TRule;
class TActivation;
class TIEContext;
class TIEPattern;
class TReteNetwork;

class TCustomRuleEngine : public TCustomFactEngine {
  IE_CLASS(TCustomRuleEngine, TCustomFactEngine)

 public:
  using TCustomFactEngine::TCustomFactEngine;

  // The root execution context; its bindings are the globals. It is also
  // where slot defaults are evaluated.
  virtual TIEContext* GetContext() = 0;
  virtual TReteNetwork* GetReteNetwork() const = 0;

  // Rules. A rule given an engine takes an identifier from it and is filed
  // in its rule table under its name (which compiles it into the network);
  // a rule leaving the engine is taken out of the table (and the network)
  // when the table holds that very rule under its name.
  virtual int32_t NewRuleId() = 0;
  virtual void RegisterRule(TRule* Rule) = 0;
  virtual void UnregisterRule(TRule* Rule) = 0;
  // Re-files Rule under NewName; called before the rule stores the name.
  virtual void RenameRule(TRule* Rule, const std::string& NewName) = 0;
  // Recompiles Rule when the table holds it under its name.
  virtual void RuleChange(TRule* Rule) = 0;
  // The pattern of "(Initial-Fact)" that rules starting with a negated or
  // test pattern, and rules without patterns, get in front.
  virtual TIEPattern* GetInitialFactPattern() const = 0;

  // Activations, from the network's terminal nodes.
  virtual void AddActivation(TActivation* Activation) = 0;
  virtual void RemoveActivation(TActivation* Activation) = 0;
  // After the activation's rule fired: the agenda lets go of it without
  // freeing it.
  virtual void RuleFired(TActivation* Activation) = 0;

  // Facts, for joins and priming.
  virtual int32_t Assert(const IFact& Fact, bool Flag) = 0;
  // The placeholder fact that stands for a negated or test pattern in a
  // token.
  virtual const IFact& GetNullFact() const = 0;
  // The facts now in the fact base, in ID order.
  virtual std::vector<IFact> ListFacts() const = 0;
  // The fact with that ID in the fact base, or nil.
  virtual IFact GetFactByID(int32_t ID) const = 0;

  // The texts of patterns and rules whose engine this is.
  using TCustomFactEngine::PrettyPrint;
  virtual std::string PrettyPrint(const TIEPattern& Pattern) = 0;
  virtual std::string PrettyPrint(const TRule& Rule) = 0;
};

}  // namespace ie
