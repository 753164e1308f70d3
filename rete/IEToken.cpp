#include "rete/IEToken.h"

#include "core/IEConsts.h"
#include "runtime/Conversions.h"
#include "runtime/FreeList.h"

namespace ie {

namespace {

static_assert(sizeof(TTokenBucket::TEntry) == 32);
static_assert(sizeof(TIEToken) <= 56);

// Sort codes grow by a factor of 8 per pattern and wrap around in 32 bits.
int32_t ChildSortCode(int32_t ParentCode, const IFact& Fact) {
  const uint32_t ID = Fact ? static_cast<uint32_t>(Fact->GetID()) : 0u;
  return static_cast<int32_t>(static_cast<uint32_t>(ParentCode) * 8u + ID);
}

// Mixes a link into the identity of the chain below it. Sort codes alone
// collide as soon as IDs pass 8 (p*8+16 = (p+1)*8+8); this does not.
uint32_t LinkIdentity(uint32_t Below, int32_t SortCode, const IFact& Fact) {
  const uint32_t ID = Fact ? static_cast<uint32_t>(Fact->GetID()) : 0u;
  uint64_t Mixed = (static_cast<uint64_t>(Below) << 32 | ID) ^
                   static_cast<uint64_t>(static_cast<uint32_t>(SortCode)) * 0xC2B2AE3D27D4EB4Full;
  Mixed *= 0x9E3779B97F4A7C15ull;
  return static_cast<uint32_t>(Mixed >> 32);
}

}  // namespace

// TIEToken

void* TIEToken::operator new(size_t Size) { return TFreeList<sizeof(TIEToken)>::Allocate(Size); }

void TIEToken::operator delete(void* Block, size_t Size) noexcept {
  TFreeList<sizeof(TIEToken)>::Release(Block, Size);
}

TIEToken::TIEToken(TTokenAction Action, const IFact& Fact)
    : FCount(1), FFact(Fact), FSortCode(Fact ? Fact->GetID() : 0) {
  FIdentity = LinkIdentity(0, FSortCode, FFact);
  SetTag(Action);
}

TIEToken::TIEToken(TTokenAction Action, const IFact& Fact, int32_t SortCode)
    : FCount(1), FFact(Fact), FSortCode(SortCode) {
  FIdentity = LinkIdentity(0, FSortCode, FFact);
  SetTag(Action);
}

TIEToken::TIEToken(const IReteToken& Token)
    : FCount(Token->FCount),
      FFact(Token->FFact),
      FParent(Token->FParent),
      FSortCode(Token->FSortCode),
      FIdentity(Token->FIdentity),
      FStrength(Token->FStrength),
      FTag(Token->FTag) {}

TIEToken::TIEToken(const IReteToken& Parent, const IFact& Fact)
    : FCount(Parent ? Parent->FCount + 1 : 1),
      FFact(Fact),
      FParent(Parent),
      FSortCode(ChildSortCode(Parent ? Parent->FSortCode : 0, Fact)),
      FIdentity(LinkIdentity(Parent ? Parent->FIdentity : 0, FSortCode, Fact)),
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
    // Unequal identities settle it without walking further.
    if (A->FIdentity != B->FIdentity || A->FSortCode != B->FSortCode ||
        A->FStrength != B->FStrength) {
      return false;
    }
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
    : FKeys{TKey{std::move(SlotName), FactIndex, SubIndex, nullptr, -1}},
      FUseSortCode(UseSortCode) {
  ResetBuckets(Buckets < 1 ? 1 : Buckets);
  FIdentity.assign(InitialIdentitySize, -1);
}

void TIETokenTree::ResetBuckets(size_t Count) {
  TTokenBucket Empty;
  Empty.FPool = &FEntries;
  FBuckets.assign(Count, Empty);
  FLowBucket = GetBucketCount() + 1;
  FHighBucket = -1;
}

int32_t TIETokenTree::GetTokenHash(const TIEToken& Token) const {
  return Hash(Token, true, nullptr);
}

int32_t TIETokenTree::GetJoinHash(const TIEToken& Token) const {
  return Hash(Token, false, nullptr);
}

int32_t TIETokenTree::GetJoinHash(const TIEToken& Token, bool& Exact) const {
  return Hash(Token, false, &Exact);
}

int32_t TIETokenTree::Hash(const TIEToken& Token, bool Strict, bool* Exact) const {
  if (Exact != nullptr) *Exact = false;
  if (FUseSortCode) return Token.GetSortCode();
  if (FKeys.size() == 1) return KeyHash(FKeys[0], Token, Strict, Exact);
  // Equal join values give equal parts, whatever else the parts hold.
  uint32_t Combined = 0;
  for (const TKey& Key : FKeys) {
    Combined = Combined * 0x01000193u + static_cast<uint32_t>(KeyHash(Key, Token, Strict, nullptr));
  }
  return static_cast<int32_t>(Combined);
}

int32_t TIETokenTree::KeyHash(const TKey& Key, const TIEToken& Token, bool Strict, bool* Exact) {
  const IFact& Fact = Token.GetFacts(Key.FactIndex);
  if (!Fact) return 0;
  if (Key.SlotName.empty()) return Fact->GetHashCode();
  const TIEValue* Value = nullptr;
  IIEValue Orphan;
  if (const IFactTemplate& Template = Fact->GetTemplate()) {
    const ISlotLayout& Layout = Template->GetLayout();
    if (Layout != Key.SeenLayout) {
      Key.SeenLayout = Layout;
      Key.SeenPosition = Layout->IndexOf(Key.SlotName);
    }
    if (Key.SeenPosition >= 0) {
      Value = Fact->PeekValue(Key.SeenPosition).Get();
      if (Value == nullptr) Value = FCNil;
    }
  }
  // A slot the layout lacks may still hold an orphaned value; otherwise the
  // fact raises its own error.
  if (Value == nullptr) {
    Orphan = Fact->GetValue(Key.SlotName);
    Value = Orphan.Get();
  }
  if (Key.SubIndex == NoSubIndex) {
    if (Exact != nullptr) *Exact = Value->GetDType() == dtInteger;
    return Value->GetHashCode();
  }
  if (!Strict && Value->GetDType() != dtList) return 0;
  const IValueVector List = Value->GetAsList();
  if (!Strict && (!List || Key.SubIndex < 0 || Key.SubIndex >= List->GetCount())) return 0;
  const IIEValue& Element = List->Get(Key.SubIndex);
  if (!Element) return 0;
  if (Exact != nullptr) *Exact = Element->GetDType() == dtInteger;
  return Element->GetHashCode();
}

void TIETokenTree::AddKey(std::string SlotName, int32_t FactIndex, int32_t SubIndex) {
  FKeys.push_back(TKey{std::move(SlotName), FactIndex, SubIndex, nullptr, -1});
}

int32_t TIETokenTree::BucketOf(int32_t Hash) const {
  // C++ division truncates, so |Hash mod n| equals |Hash| mod n without
  // overflowing on the lowest integer.
  const int32_t Remainder = Hash % GetBucketCount();
  return Remainder < 0 ? -Remainder : Remainder;
}

const TTokenBucket* TIETokenTree::GetBucket(int32_t Index) const {
  if (Index < 0 || Index >= GetBucketCount()) ListIndexError(Index);
  return FBuckets[Index].FMade ? &FBuckets[Index] : nullptr;
}

const TTokenBucket* TIETokenTree::GetTokens(int32_t Hash) {
  TTokenBucket& Bucket = FBuckets[BucketOf(Hash)];
  if (FAllowNilBucket) return Bucket.FCount > 0 ? &Bucket : nullptr;
  Bucket.FMade = true;
  return &Bucket;
}

int32_t TIETokenTree::FindEqual(const IReteToken& Token, int32_t*& Link) {
  Link = &FIdentity[Token->GetIdentity() & (FIdentity.size() - 1)];
  for (; *Link >= 0; Link = &FEntries[*Link].SameNext) {
    if (FEntries[*Link].Token->Equals(Token)) return *Link;
  }
  return -1;
}

void TIETokenTree::Put(int32_t Hash, bool Exact, const IReteToken& Token) {
  int32_t At = FFree;
  if (At >= 0) {
    FFree = FEntries[At].Next;
    TTokenBucket::TEntry& Entry = FEntries[At];
    Entry.Token = Token;
    Entry.Hash = Hash;
    Entry.Exact = Exact;
  } else {
    At = static_cast<int32_t>(FEntries.size());
    FEntries.push_back(TTokenBucket::TEntry{Token, Hash, -1, Exact, -1, -1, -1, -1});
  }
  TTokenBucket::TEntry& Entry = FEntries[At];
  Entry.Older = FNewest;
  Entry.Newer = -1;
  if (FNewest >= 0) {
    FEntries[FNewest].Newer = At;
  } else {
    FOldest = At;
  }
  FNewest = At;
  int32_t& Head = FIdentity[Token->GetIdentity() & (FIdentity.size() - 1)];
  Entry.SameNext = Head;
  Head = At;
  Link(At);
}

void TIETokenTree::Link(int32_t At) {
  TTokenBucket::TEntry& Entry = FEntries[At];
  Entry.Next = -1;
  const int32_t Index = BucketOf(Entry.Hash);
  TTokenBucket& Bucket = FBuckets[Index];
  Entry.Prev = Bucket.FLast;
  if (Bucket.FLast >= 0) {
    FEntries[Bucket.FLast].Next = At;
  } else {
    Bucket.FFirst = At;
  }
  Bucket.FLast = At;
  ++Bucket.FCount;
  Bucket.FMade = true;
  if (Index < FLowBucket) FLowBucket = Index;
  if (Index > FHighBucket) FHighBucket = Index;
}

bool TIETokenTree::Add(const IReteToken& Token) { return Add(Token, GetJoinHash(*Token)); }

bool TIETokenTree::Add(const IReteToken& Token, int32_t Hash, bool Exact) {
  int32_t* IdentityLink = nullptr;
  if (FindEqual(Token, IdentityLink) >= 0) return false;
  Put(Hash, Exact, Token);
  ++FTokenCount;
  if (FTokenCount > 2 * GetBucketCount()) Grow();
  if (static_cast<size_t>(FTokenCount) > FIdentity.size()) GrowIdentity();
  return true;
}

void TIETokenTree::Grow() {
  // Four times as many buckets: a bucket holds half a token to two on
  // average, and a large memory is rehashed only a few times. Relinking in
  // storing order keeps each new bucket in that order too.
  ResetBuckets(FBuckets.size() * 4 + 1);
  for (int32_t At = FOldest; At >= 0; At = FEntries[At].Newer) Link(At);
}

void TIETokenTree::GrowIdentity() {
  FIdentity.assign(FIdentity.size() * 2, -1);
  const size_t Mask = FIdentity.size() - 1;
  for (int32_t At = FOldest; At >= 0; At = FEntries[At].Newer) {
    int32_t& Head = FIdentity[FEntries[At].Token->GetIdentity() & Mask];
    FEntries[At].SameNext = Head;
    Head = At;
  }
}

bool TIETokenTree::Remove(const IReteToken& Token) {
  return Extract(Token, GetJoinHash(*Token)) != nullptr;
}

IReteToken TIETokenTree::Extract(const IReteToken& Token, int32_t /*Hash*/) {
  int32_t* IdentityLink = nullptr;
  const int32_t At = FindEqual(Token, IdentityLink);
  if (At < 0) return nullptr;
  TTokenBucket::TEntry& Entry = FEntries[At];
  *IdentityLink = Entry.SameNext;
  TTokenBucket& Bucket = FBuckets[BucketOf(Entry.Hash)];
  if (Entry.Prev >= 0) {
    FEntries[Entry.Prev].Next = Entry.Next;
  } else {
    Bucket.FFirst = Entry.Next;
  }
  if (Entry.Next >= 0) {
    FEntries[Entry.Next].Prev = Entry.Prev;
  } else {
    Bucket.FLast = Entry.Prev;
  }
  --Bucket.FCount;
  if (Entry.Older >= 0) {
    FEntries[Entry.Older].Newer = Entry.Newer;
  } else {
    FOldest = Entry.Newer;
  }
  if (Entry.Newer >= 0) {
    FEntries[Entry.Newer].Older = Entry.Older;
  } else {
    FNewest = Entry.Older;
  }
  IReteToken Stored = std::move(Entry.Token);
  Entry.Next = FFree;
  FFree = At;
  --FTokenCount;
  return Stored;
}

void TIETokenTree::Clear() {
  FEntries.clear();
  FFree = -1;
  FOldest = -1;
  FNewest = -1;
  FTokenCount = 0;
  ResetBuckets(FBuckets.size());
  FIdentity.assign(FIdentity.size(), -1);
}

template <class TText>
std::string TIETokenTree::Listing(TText Text) const {
  std::string Result;
  ForEach([&](const IReteToken& Token) {
    Result += Text(*Token);
    Result += NewLineString;
    return true;
  });
  return Result;
}

std::string TIETokenTree::GetToString() const {
  return Listing([](const TIEToken& Token) { return Token.GetToString(); });
}

std::string TIETokenTree::GetToFactsString() const {
  return Listing([](const TIEToken& Token) { return Token.GetToFactsString(); });
}

}  // namespace ie
