// An activation: a rule whose patterns are all matched, with the token of
// the matched facts, waiting on the agenda to fire. The terminal node of
// the rule in the match network makes it and keeps the list of its live
// activations; the agenda owns it until it fires or is withdrawn.
//
// Freeing an activation tells its node, so the node's list never keeps a
// freed one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "rete/IEToken.h"
#include "runtime/Persistent.h"

namespace ie {

class TRule;
class TPatternMatchTerminalNode;
class TReteNetwork;
class TActivationAgenda;
struct TAgendaChunk;

class TActivation : public TPersistent {
  IE_CLASS(TActivation, TPersistent)

 public:
  TActivation(TRule* Rule, IReteToken Token, TPatternMatchTerminalNode* Node, float Strength);
  // Tells the node (Deactivate), when there still is one.
  ~TActivation() override;

  // Activations come and go with every firing: they come from a free list.
  static void* operator new(size_t Size);
  static void operator delete(void* Block, size_t Size) noexcept;

  TRule* GetRule() const { return FRule; }
  const IReteToken& GetToken() const { return FToken; }
  TPatternMatchTerminalNode* GetNode() const { return FNode; }
  float GetStrength() const { return FStrength; }
  // Clamped to 0..1.
  void SetStrength(float Value);

  // From another activation: rule, token, node and strength.
  void Assign(TPersistent* Source) override;
  // A new activation of the same rule, token, node and strength; the
  // caller owns it.
  virtual TActivation* Clone() const;
  // Fires the rule with the token, then tells the node (or, when the rule's
  // actions withdrew the activation, the network); true.
  virtual bool Fire();
  // "0 r1 : f-1, f-2 (1.0000)": salience, rule name, facts, strength.
  std::string GetToString() const override;

  // The IDs of the token's facts, highest (newest) first; the links of
  // negated and test patterns hold the engine's null fact and give none.
  // Made on the first call and kept, for the agenda's recency strategies.
  const std::vector<int32_t>& GetFactIds() const;
  // The ID of the fact matching the rule's first pattern, -1 without a
  // token; made with GetFactIds.
  int32_t GetFirstFactId() const;

 private:
  friend class TPatternMatchTerminalNode;
  friend class TActivationAgenda;

  void MakeFactIds() const;

  TRule* FRule;
  IReteToken FToken;
  TPatternMatchTerminalNode* FNode;
  float FStrength;
  // The node's bookkeeping: its list of live activations, oldest first,
  // and its hash chain by token.
  TActivation* FNodePrev = nullptr;
  TActivation* FNodeNext = nullptr;
  TActivation* FHashNext = nullptr;
  bool FInNode = false;
  // The network to report a firing to once the node let go of it.
  TReteNetwork* FNetwork = nullptr;
  // The agenda's bookkeeping: where the agenda keeps the activation.
  TAgendaChunk* FAgendaPlace = nullptr;
  // GetFactIds' and GetFirstFactId's answers, once made.
  mutable std::vector<int32_t> FFactIds;
  mutable int32_t FFirstFactId = -1;
  mutable bool FFactIdsMade = false;
};

}  // namespace ie
