#include "rete/IEActivation.h"

#include "rete/IERule.h"
#include "rete/ReteNetwork.h"
#include "runtime/Format.h"

namespace ie {

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

}  // namespace ie
