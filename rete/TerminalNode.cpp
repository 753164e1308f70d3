#include "rete/TerminalNode.h"

#include "rete/ReteNetwork.h"
#include "runtime/ScopeGuard.h"

namespace ie {

TPatternMatchTerminalNode::~TPatternMatchTerminalNode() {
  // The network stands down a node it frees; this only keeps activations
  // still around from pointing at a node that is gone.
  while (FFirst != nullptr) {
    TActivation* Activation = FFirst;
    Unlink(Activation);
    Activation->FNode = nullptr;
  }
}

size_t TPatternMatchTerminalNode::BucketOf(const TIEToken& Token) const {
  return Token.GetIdentity() & (FBuckets.size() - 1);
}

void TPatternMatchTerminalNode::Grow() {
  std::vector<TActivation*> Old(FBuckets.empty() ? 16 : FBuckets.size() * 4, nullptr);
  Old.swap(FBuckets);
  // Rechained oldest first, so that each chain keeps newest first.
  for (TActivation* Activation = FFirst; Activation != nullptr;
       Activation = Activation->FNodeNext) {
    TActivation*& Head = FBuckets[BucketOf(*Activation->GetToken())];
    Activation->FHashNext = Head;
    Head = Activation;
  }
}

void TPatternMatchTerminalNode::Link(TActivation* Activation) {
  // The buckets grow first: an allocation that fails leaves the node as it
  // was.
  if (FCount + 1 > static_cast<int32_t>(FBuckets.size())) Grow();
  Activation->FNodePrev = FLast;
  Activation->FNodeNext = nullptr;
  (FLast != nullptr ? FLast->FNodeNext : FFirst) = Activation;
  FLast = Activation;
  Activation->FInNode = true;
  ++FCount;
  TActivation*& Head = FBuckets[BucketOf(*Activation->GetToken())];
  Activation->FHashNext = Head;
  Head = Activation;
}

void TPatternMatchTerminalNode::Unlink(TActivation* Activation) {
  if (!Activation->FInNode) return;
  (Activation->FNodePrev != nullptr ? Activation->FNodePrev->FNodeNext : FFirst) =
      Activation->FNodeNext;
  (Activation->FNodeNext != nullptr ? Activation->FNodeNext->FNodePrev : FLast) =
      Activation->FNodePrev;
  for (TActivation** Link = &FBuckets[BucketOf(*Activation->GetToken())]; *Link != nullptr;
       Link = &(*Link)->FHashNext) {
    if (*Link == Activation) {
      *Link = Activation->FHashNext;
      break;
    }
  }
  Activation->FNodePrev = Activation->FNodeNext = Activation->FHashNext = nullptr;
  Activation->FInNode = false;
  --FCount;
}

bool TPatternMatchTerminalNode::CallNode(const IReteToken& Token, TCallType) {
  switch (Token->GetTag()) {
    case taAdd:
    case taUpdate:
      return AddActivation(Token) != nullptr;
    case taRemove:
      StandDown(Token);
      return true;
    case taClear:
      StandDown();
      return true;
  }
  return false;
}

TActivation* TPatternMatchTerminalNode::AddActivation(const IReteToken& Token) {
  if (!FRule->GetEnabled()) return nullptr;
  if (Token->GetTag() == taAdd && FRule->GetOneShot() && FRule->GetFired()) return nullptr;
  if (Token->GetTag() == taUpdate && FInitialized) return nullptr;
  auto* Activation = Create<TActivation>(FRule, Token, this, Token->GetStrength());
  Activation->FNetwork = FRete;
  TScopeGuard Withdraw([&] {
    Unlink(Activation);
    Activation->Free();
  });
  Link(Activation);
  FRete->Activate(Activation);
  Withdraw.Dismiss();
  return Activation;
}

void TPatternMatchTerminalNode::Deactivate(TActivation* Activation) { Unlink(Activation); }

void TPatternMatchTerminalNode::RuleFired(TActivation* Activation) {
  Unlink(Activation);
  FRete->RuleFired(Activation);
}

void TPatternMatchTerminalNode::StandDown() {
  while (FLast != nullptr) {
    TActivation* Activation = FLast;
    Unlink(Activation);
    FRete->Deactivate(Activation);
  }
}

void TPatternMatchTerminalNode::StandDown(const IReteToken& Token) {
  if (FCount == 0) return;
  // Chains run newest first: the last equal one met is the oldest.
  TActivation* Found = nullptr;
  for (TActivation* Activation = FBuckets[BucketOf(*Token)]; Activation != nullptr;
       Activation = Activation->FHashNext) {
    if (Activation->GetToken()->Equals(Token)) Found = Activation;
  }
  if (Found == nullptr) return;
  Unlink(Found);
  FRete->Deactivate(Found);
}

std::string TPatternMatchTerminalNode::GetToString() const {
  return TReteNode::GetToString() + " Rule: " + FRule->GetRuleName();
}

}  // namespace ie
