// The terminal node: the end of one rule, where complete matches become
// activations for the engine's agenda.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "rete/IEActivation.h"
#include "rete/ReteNode.h"

namespace ie {

class TRule;

// The end of a rule: turns complete matches into activations and keeps the
// live ones, hashed by token so a withdrawal finds its activation at once.
class TPatternMatchTerminalNode : public TReteNode {
  IE_CLASS(TPatternMatchTerminalNode, TReteNode)

 public:
  TPatternMatchTerminalNode(TReteNetwork* Rete, TRule* Rule) : TReteNode(Rete), FRule(Rule) {}
  // Withdraws every live activation first.
  ~TPatternMatchTerminalNode() override;

  TRule* GetRule() const { return FRule; }
  bool GetInitialized() const { return FInitialized; }
  void SetInitialized(bool Value) { FInitialized = Value; }
  int32_t GetActivationCount() const { return FCount; }
  // Calls Visit with each live activation, oldest first.
  template <class TVisit>
  void ForEachActivation(TVisit&& Visit) const {
    for (const TActivation* Activation = FFirst; Activation != nullptr;
         Activation = Activation->FNodeNext) {
      Visit(*Activation);
    }
  }

  bool CallNode(const IReteToken& Token, TCallType CallType) override;
  // A new activation of Token for the engine, unless the rule is disabled
  // or a one-shot rule that fired, or Token is an update reaching a
  // primed node; nil then.
  TActivation* AddActivation(const IReteToken& Token);
  // Forgets Activation without telling the engine (the activation is
  // going).
  void Deactivate(TActivation* Activation);
  // Forgets Activation, whose rule fired, and tells the network.
  void RuleFired(TActivation* Activation);
  // Withdraws every activation, newest first.
  void StandDown();
  // Withdraws the first activation whose token equals Token.
  void StandDown(const IReteToken& Token);

  // Adds " Rule: " and the rule's name.
  std::string GetToString() const override;

 protected:
  void CollectOutputs(const TTokenSink&) override {}

 private:
  void Link(TActivation* Activation);
  void Unlink(TActivation* Activation);
  size_t BucketOf(const TIEToken& Token) const;
  void Grow();

  bool FInitialized = false;
  TRule* FRule;
  // Live activations, oldest first, linked through the activations.
  TActivation* FFirst = nullptr;
  TActivation* FLast = nullptr;
  int32_t FCount = 0;
  // Chains of activations by token sort code.
  std::vector<TActivation*> FBuckets;
};

}  // namespace ie
