#include "rete/IEToken.h"

#include "core/IEConsts.h"
#include "runtime/Conversions.h"

namespace ie {

namespace {

// Sort codes grow by a factor of 8 per pattern and wrap around in 32 bits.
int32_t ChildSortCode(int32_t ParentCode, const IFact& Fact) {
  const uint32_t ID = Fact ? static_cast<uint32_t>(Fact->GetID()) : 0u;
  return static_cast<int32_t>(static_cast<uint32_t>(ParentCode) * 8u + ID);
}

}  // namespace

// TIEToken

TIEToken::TIEToken(TTokenAction Action, const IFact& Fact)
    : FCount(1), FFact(Fact), FSortCode(Fact ? Fact->GetID() : 0) {
  SetTag(Action);
}

TIEToken::TIEToken(const IReteToken& Token)
    : FCount(Token->FCount),
      FFact(Token->FFact),
      FParent(Token->FParent),
      FSortCode(Token->FSortCode),
      FStrength(Token->FStrength),
      FTag(Token->FTag) {}

TIEToken::TIEToken(const IReteToken& Parent, const IFact& Fact)
    : FCount(Parent ? Parent->FCount + 1 : 1),
      FFact(Fact),
      FParent(Parent),
      FSortCode(ChildSortCode(Parent ? Parent->FSortCode : 0, Fact)),
      FStrength(Parent ? Parent->FStrength : 1.0f),
      FTag(Parent ? Parent->FTag : taClear) {}

const IFact& TIEToken::GetFacts(int32_t Index) const {
  if (Index < 0 || Index >= FCount) ListIndexError(Index);
  const TIEToken* Link = this;
  for (int32_t Steps = FCount - 1 - Index; Steps > 0; --Steps) Link = Link->FParent.Get();
  return Link->FFact;
}

void TIEToken::SetTag(TTokenAction Action) {
  if (Action != taClear && !FFact) throw EIEException(SInvalidTokenAction);
  FTag = Action;
}

bool TIEToken::Equals(const IReteToken& Other) const {
  const TIEToken* A = this;
  const TIEToken* B = Other.Get();
  // Walks both chains together; meeting the same object (or both ends)
  // settles the rest.
  while (A != B) {
    if (A == nullptr || B == nullptr) return false;
    if (A->FSortCode != B->FSortCode || A->FStrength != B->FStrength) return false;
    const TFact* FactA = A->FFact.Get();
    const TFact* FactB = B->FFact.Get();
    if ((FactA == nullptr) != (FactB == nullptr)) return false;
    if (FactA != nullptr && FactA->GetID() != FactB->GetID()) return false;
    A = A->FParent.Get();
    B = B->FParent.Get();
  }
  return true;
}

std::string TIEToken::GetToString() const {
  std::string Text(TokenActionNames[FTag]);
  Text += " cnt=";
  Text += IntToStr(FCount);
  Text += " negcnt=";
  Text += IntToStr(FNegatedCount);
  for (const TIEToken* Link = this; Link != nullptr; Link = Link->FParent.Get()) {
    Text += NewLineString;
    if (Link->FFact) Text += Link->FFact->GetToString();
  }
  return Text;
}

std::string TIEToken::GetToFactsString() const {
  std::vector<const TFact*> Facts(FCount > 0 ? FCount : 0);
  const TIEToken* Link = this;
  for (auto It = Facts.rbegin(); It != Facts.rend(); ++It, Link = Link->FParent.Get()) {
    *It = Link->FFact.Get();
  }
  std::string Text;
  for (const TFact* Fact : Facts) {
    if (!Text.empty()) Text += ", ";
    Text += Fact != nullptr ? "f-" + IntToStr(Fact->GetID()) : std::string("nil");
  }
  return Text;
}

// TIETokenTree

TIETokenTree::TIETokenTree(int32_t Buckets, bool UseSortCode, std::string SlotName,
                           int32_t FactIndex, int32_t SubIndex)
    : FSlotName(std::move(SlotName)),
      FBuckets(Buckets < 1 ? 1 : Buckets),
      FFactIndex(FactIndex),
      FSubIndex(SubIndex),
      FLowBucket(GetBucketCount() + 1),
      FUseSortCode(UseSortCode) {}

int32_t TIETokenTree::GetTokenHash(const TIEToken& Token) const {
  if (FUseSortCode) return Token.GetSortCode();
  const IFact& Fact = Token.GetFacts(FFactIndex);
  if (!Fact) return 0;
  if (FSlotName.empty()) return Fact->GetHashCode();
  IIEValue Value;
  if (const IFactTemplate& Template = Fact->GetTemplate()) {
    const ISlotLayout& Layout = Template->GetLayout();
    if (Layout != FSeenLayout) {
      FSeenLayout = Layout;
      FSeenPosition = Layout->IndexOf(FSlotName);
    }
    if (FSeenPosition >= 0) {
      Value = Fact->PeekValue(FSeenPosition);
      if (!Value) Value = FCNil;
    }
  }
  // A slot the layout lacks may still hold an orphaned value; otherwise the
  // fact raises its own error.
  if (!Value) Value = Fact->GetValue(FSlotName);
  if (FSubIndex == NoSubIndex) return Value->GetHashCode();
  const IIEValue& Element = Value->GetAsList()->Get(FSubIndex);
  return Element ? Element->GetHashCode() : 0;
}

int32_t TIETokenTree::BucketOf(int32_t Hash) const {
  // C++ division truncates, so |Hash mod n| equals |Hash| mod n without
  // overflowing on the lowest integer.
  const int32_t Remainder = Hash % GetBucketCount();
  return Remainder < 0 ? -Remainder : Remainder;
}

const TTokenBucket* TIETokenTree::GetBucket(int32_t Index) const {
  if (Index < 0 || Index >= GetBucketCount()) ListIndexError(Index);
  return FBuckets[Index].get();
}

const TTokenBucket* TIETokenTree::GetTokens(int32_t Hash) {
  std::unique_ptr<TTokenBucket>& Bucket = FBuckets[BucketOf(Hash)];
  if (FAllowNilBucket) return Bucket && Bucket->GetCount() > 0 ? Bucket.get() : nullptr;
  if (!Bucket) Bucket = std::make_unique<TTokenBucket>();
  return Bucket.get();
}

bool TIETokenTree::Add(const IReteToken& Token) {
  const int32_t Index = BucketOf(GetTokenHash(*Token));
  std::unique_ptr<TTokenBucket>& Bucket = FBuckets[Index];
  if (!Bucket) {
    Bucket = std::make_unique<TTokenBucket>();
  } else {
    for (const IReteToken& Stored : *Bucket) {
      if (Stored->Equals(Token)) return false;
    }
  }
  Bucket->Add(Token);
  ++FTokenCount;
  if (Index < FLowBucket) FLowBucket = Index;
  if (Index > FHighBucket) FHighBucket = Index;
  return true;
}

bool TIETokenTree::Remove(const IReteToken& Token) {
  TTokenBucket* Bucket = FBuckets[BucketOf(GetTokenHash(*Token))].get();
  if (Bucket == nullptr) return false;
  for (int32_t Index = 0; Index < Bucket->GetCount(); ++Index) {
    if (Bucket->Get(Index)->Equals(Token)) {
      Bucket->Delete(Index);
      --FTokenCount;
      return true;
    }
  }
  return false;
}

void TIETokenTree::Clear() {
  for (std::unique_ptr<TTokenBucket>& Bucket : FBuckets) Bucket.reset();
  FTokenCount = 0;
  FLowBucket = GetBucketCount() + 1;
  FHighBucket = -1;
}

template <class TText>
std::string TIETokenTree::Listing(TText Text) const {
  std::string Result;
  for (int32_t Index = FLowBucket; Index <= FHighBucket; ++Index) {
    if (!FBuckets[Index]) continue;
    for (const IReteToken& Token : *FBuckets[Index]) {
      Result += Text(*Token);
      Result += NewLineString;
    }
  }
  return Result;
}

std::string TIETokenTree::GetToString() const {
  return Listing([](const TIEToken& Token) { return Token.GetToString(); });
}

std::string TIETokenTree::GetToFactsString() const {
  return Listing([](const TIEToken& Token) { return Token.GetToFactsString(); });
}

}  // namespace ie
