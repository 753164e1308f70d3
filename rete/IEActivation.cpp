#include "rete/IEActivation.h"

#include <algorithm>
#include <functional>

#include "rete/IERule.h"
#include "rete/ReteNetwork.h"
#include "runtime/Format.h"
#include "runtime/FreeList.h"

namespace ie {

void* TActivation::operator new(size_t Size) {
  return TFreeList<sizeof(TActivation)>::Allocate(Size);
}

void TActivation::operator delete(void* Block, size_t Size) noexcept {
  TFreeList<sizeof(TActivation)>::Release(Block, Size);
}

TActivation::TActivation(TRule* Rule, IReteToken Token, TPatternMatchTerminalNode* Node,
                         float Strength)
    : FRule(Rule), FToken(std::move(Token)), FNode(Node), FStrength(0.0f) {
  SetStrength(Strength);
}

TActivation::~TActivation() {
  if (FInNode) FNode->Deactivate(this);
}

void TActivation::SetStrength(float Value) {
  if (Value == FStrength) return;
  FStrength = Value < 0.0f ? 0.0f : (Value > 1.0f ? 1.0f : Value);
}

void TActivation::Assign(TPersistent* Source) {
  const auto* Other = dynamic_cast<const TActivation*>(Source);
  if (Other == nullptr) {
    TPersistent::Assign(Source);
    return;
  }
  FRule = Other->FRule;
  FToken = Other->FToken;
  FNode = Other->FNode;
  FStrength = Other->FStrength;
  FFactIds.clear();
  FFirstFactId = -1;
  FFactIdsMade = false;
}

TActivation* TActivation::Clone() const {
  auto* Copy = Create<TActivation>(FRule, FToken, FNode, FStrength);
  Copy->FNetwork = FNetwork;
  return Copy;
}

bool TActivation::Fire() {
  FRule->Fire(FToken);
  // The rule's actions may have withdrawn this activation from its node.
  if (FInNode) {
    FNode->RuleFired(this);
  } else if (FNetwork != nullptr) {
    FNetwork->RuleFired(this);
  }
  return true;
}

std::string TActivation::GetToString() const {
  return Format("%d %s : %s (%.4f)", FRule->GetSalience(), FRule->GetRuleName(),
                FToken ? FToken->GetToFactsString() : std::string(), FStrength);
}

const std::vector<int32_t>& TActivation::GetFactIds() const {
  if (!FFactIdsMade) MakeFactIds();
  return FFactIds;
}

int32_t TActivation::GetFirstFactId() const {
  if (!FFactIdsMade) MakeFactIds();
  return FFirstFactId;
}

void TActivation::MakeFactIds() const {
  TCustomRuleEngine* Engine = FRule != nullptr ? FRule->GetEngine() : nullptr;
  const TFact* NullFact = Engine != nullptr ? Engine->GetNullFact().Get() : nullptr;
  FFactIds.clear();
  FFactIds.reserve(FToken ? static_cast<size_t>(FToken->GetCount()) : 0);
  for (const TIEToken* Link = FToken.Get(); Link != nullptr; Link = Link->GetParent().Get()) {
    const TFact* Fact = Link->GetFact().Get();
    if (Fact == nullptr || Fact == NullFact) continue;
    FFactIds.push_back(Fact->GetID());
    // The chain's root link matched the first pattern.
    if (Link->GetCount() == 1) FFirstFactId = Fact->GetID();
  }
  std::sort(FFactIds.begin(), FFactIds.end(), std::greater<>());
  FFactIdsMade = true;
}

}  // namespace ie
