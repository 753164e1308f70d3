// Rete tokens: a TIEToken is a partial match flowing through the match
// network, an ordered chain of facts (one per pattern matched so far) with
// the change it carries, a match strength for fuzzy reasoning and, in
// negated joins, the number of facts that block it. A TIETokenTree is the
// memory of a join node: tokens filed in hash buckets by a join value, so
// that a join looks at one bucket instead of the whole memory. A tree grows
// its bucket count with the number of tokens it holds, so a bucket keeps
// a join value or two however large the memory gets.
//
// Ownership: tokens are reference counted (IReteToken). A child token holds
// one counted reference to its parent and to its newest fact and copies
// nothing else, so extending a match allocates exactly one token; the facts
// of older patterns are reached through the parent chain. A token is
// immutable once passed on, except for its negated count. A tree is a
// persistent object owned by its join node (Create/Free) and holds counted
// references to the tokens it stores.
//
// Single-threaded: tokens and trees belong to the engine's thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/IEFacts.h"
#include "libs/Collections.h"
#include "runtime/TypeInfo.h"

namespace ie {

enum TTokenAction : uint8_t { taClear, taAdd, taRemove, taUpdate };

inline constexpr std::string_view TokenActionNames[] = {"taClear", "taAdd", "taRemove", "taUpdate"};
static_assert(std::size(TokenActionNames) == taUpdate + 1);
inline constexpr TEnumTypeInfo TTokenActionInfo{"TTokenAction", TokenActionNames};

class TIEToken;
using IReteToken = TRef<TIEToken>;

class TIEToken : public TInterfacedObject {
  IE_CLASS(TIEToken, TInterfacedObject)

 public:
  // An empty token: no fact, count 0, strength 1.0, tag taClear.
  TIEToken() = default;
  // A one-fact token; its sort code is the fact's ID.
  TIEToken(TTokenAction Action, const IFact& Fact);
  // A one-fact token with its own sort code, for one of several tokens
  // made of one fact (the ways a multislot splits), which must not be
  // equal to each other.
  TIEToken(TTokenAction Action, const IFact& Fact, int32_t SortCode);
  // A copy of Token (not nil) sharing its parent and fact, with negated
  // count 0.
  explicit TIEToken(const IReteToken& Token);
  // Parent extended by Fact, taking the parent's tag and strength. A nil
  // Parent counts as the empty token.
  TIEToken(const IReteToken& Parent, const IFact& Fact);

  // Tokens are made and dropped by the hundred thousand in a search: they
  // come from a free list.
  static void* operator new(size_t Size);
  static void operator delete(void* Block, size_t Size) noexcept;

  int32_t GetCount() const { return FCount; }
  int32_t GetNegatedCount() const { return FNegatedCount; }
  // A negative count is stored as 0.
  void SetNegatedCount(int32_t Value) { FNegatedCount = Value < 0 ? 0 : Value; }
  // The newest fact.
  const IFact& GetFact() const { return FFact; }
  // Fact Index of the chain, 0 being the oldest; walks Count-1-Index parents.
  // Raises EListError outside 0..Count-1.
  const IFact& GetFacts(int32_t Index) const;
  const IReteToken& GetParent() const { return FParent; }
  int32_t GetSortCode() const { return FSortCode; }
  // A hash of the whole chain: equal tokens (Equals) have equal
  // identities, and unequal ones rarely do.
  uint32_t GetIdentity() const { return FIdentity; }
  TTokenAction GetTag() const { return FTag; }
  // Raises "Invalid Token Action" for any action but taClear on a token
  // without a fact.
  void SetTag(TTokenAction Action);
  float GetStrength() const { return FStrength; }
  // A negative strength is stored as 0.
  void SetStrength(float Value) { FStrength = Value < 0 ? 0.0f : Value; }

  // The same object, or link by link the same sort code, the same ID of
  // the newest fact (or no fact on both) and the same strength, down to
  // the same parent object or to no parent on both. Tags and negated
  // counts do not count, so a removal finds the stored addition.
  bool Equals(const IReteToken& Other) const;

  // "taAdd cnt=2 negcnt=0", then a line end and the fact's text for this
  // token and each ancestor, newest first.
  std::string GetToString() const override;
  // "f-3, f-7": the facts' IDs from the oldest; "nil" where a link has no
  // fact.
  std::string GetToFactsString() const;

 protected:
  ~TIEToken() override = default;

 private:
  // Laid out to pack behind the reference count: 56 bytes in all.
  int32_t FCount = 0;
  IFact FFact;
  IReteToken FParent;
  int32_t FNegatedCount = 0;
  int32_t FSortCode = 0;
  uint32_t FIdentity = 0;
  float FStrength = 1.0f;
  TTokenAction FTag = taClear;
};

// The tokens of one bucket, in the order they were added, each with the
// hash it was filed under: a join skips a token whose hash differs from
// the one it looks for without testing it, and growing needs no hashing.
// The entries live in one pool owned by the tree, chained per bucket, so
// filing a token and growing the tree allocate nothing per token.
class TTokenBucket {
 public:
  struct TEntry {
    IReteToken Token;
    int32_t Hash;
    // The next entry of the bucket, or of the free list; -1 ends either.
    int32_t Next : 31;
    // The join value was an integer, whose hash is the integer itself: two
    // such entries of one hash hold equal values.
    uint32_t Exact : 1;
    // The entry before in the bucket; -1 for the first.
    int32_t Prev;
    // The neighbours in the order the tree's tokens were stored, across
    // buckets; -1 ends the chain.
    int32_t Older;
    int32_t Newer;
    // The next entry of the same identity chain; -1 ends it.
    int32_t SameNext;
  };
  // Walks the entries.
  class TIterator {
   public:
    TIterator(const std::vector<TEntry>* Pool, int32_t At) : FPool(Pool), FAt(At) {}
    const TEntry& operator*() const { return (*FPool)[FAt]; }
    TIterator& operator++() {
      FAt = (*FPool)[FAt].Next;
      return *this;
    }
    bool operator==(const TIterator& Other) const { return FAt == Other.FAt; }

   private:
    const std::vector<TEntry>* FPool;
    int32_t FAt;
  };

  int32_t GetCount() const { return FCount; }
  // The oldest token; raises EListError when the bucket is empty.
  const IReteToken& First() const {
    if (FCount == 0) ListIndexError(0);
    return (*FPool)[FFirst].Token;
  }
  TIterator begin() const { return TIterator(FPool, FFirst); }
  TIterator end() const { return TIterator(FPool, -1); }

 private:
  friend class TIETokenTree;

  const std::vector<TEntry>* FPool = nullptr;
  int32_t FFirst = -1;
  int32_t FLast = -1;
  int32_t FCount = 0;
  // A bucket never made looks up as nil.
  bool FMade = false;
};

class TIETokenTree : public TPersistent {
  IE_CLASS(TIETokenTree, TPersistent)

 public:
  // Buckets below 1 count as 1; the count grows fourfold whenever the tree
  // holds more than two tokens per bucket. With UseSortCode the token's sort code is
  // hashed; otherwise fact FactIndex of the token: the fact itself when
  // SlotName is empty, else its value in SlotName, or the element SubIndex
  // of that list value when SubIndex is not NoSubIndex.
  TIETokenTree(int32_t Buckets, bool UseSortCode, std::string SlotName, int32_t FactIndex,
               int32_t SubIndex);

  int32_t GetBucketCount() const { return static_cast<int32_t>(FBuckets.size()); }
  bool GetUseSortCode() const { return FUseSortCode; }
  const std::string& GetSlotName() const { return FKeys[0].SlotName; }
  int32_t GetFactIndex() const { return FKeys[0].FactIndex; }
  int32_t GetSubIndex() const { return FKeys[0].SubIndex; }
  // Hashes another join value with the first (a slot, or an element of
  // one, of fact FactIndex), so that a join with several equalities looks
  // only at tokens that agree on all of them. Add keys before any token.
  void AddKey(std::string SlotName, int32_t FactIndex, int32_t SubIndex);
  bool GetAllowNilBucket() const { return FAllowNilBucket; }
  void SetAllowNilBucket(bool Value) { FAllowNilBucket = Value; }
  // The number of tokens stored.
  int32_t GetTokenCount() const { return FTokenCount; }
  bool IsEmpty() const { return FTokenCount == 0; }
  // Bounds of the buckets a token was ever added to since the last Clear:
  // a full scan runs from low to high. With none, low is bucket count + 1
  // and high is -1.
  int32_t GetLowBucket() const { return FLowBucket; }
  int32_t GetHighBucket() const { return FHighBucket; }

  // The join value's hash of Token by the tree's rule; a link without a
  // fact hashes as 0. Raises EListError
  // when the token has no fact FactIndex or the list no element SubIndex,
  // and the fact's error for an unknown slot.
  int32_t GetTokenHash(const TIEToken& Token) const;
  // The same, except that a list without element SubIndex hashes as 0:
  // the hash a join files and probes with, where such a token simply
  // matches nothing.
  int32_t GetJoinHash(const TIEToken& Token) const;
  // The same, and whether the join value is an integer (see TEntry::Exact).
  int32_t GetJoinHash(const TIEToken& Token, bool& Exact) const;
  // The bucket of a hash value: |Hash mod bucket count|.
  int32_t BucketOf(int32_t Hash) const;
  // The bucket at Index, nil until a token was put there (or it was looked
  // up with AllowNilBucket off). Raises EListError outside the buckets.
  const TTokenBucket* GetBucket(int32_t Index) const;
  // The bucket of a hash value. An empty bucket yields nil while
  // AllowNilBucket is set; otherwise it is created when missing.
  const TTokenBucket* GetTokens(int32_t Hash);

  // Calls Visit with every stored token, oldest first, until it returns
  // false.
  template <class TVisit>
  void ForEach(TVisit&& Visit) const {
    for (int32_t At = FOldest; At >= 0; At = FEntries[At].Newer) {
      if (!Visit(FEntries[At].Token)) return;
    }
  }

  // Files Token unless an equal token is stored; whether it was added.
  virtual bool Add(const IReteToken& Token);
  // The same for a caller that has GetJoinHash(Token, Exact) at hand
  // already.
  bool Add(const IReteToken& Token, int32_t Hash, bool Exact = false);
  // Drops the stored token equal to Token; whether there was one.
  virtual bool Remove(const IReteToken& Token);
  // Takes the stored token equal to Token (whose join hash is Hash) out and
  // returns it; nil when there is none. Finding it costs the same however
  // many stored tokens share its join value.
  IReteToken Extract(const IReteToken& Token, int32_t Hash);
  // Drops every token and bucket.
  virtual void Clear();

  // Each stored token's text followed by a line end, in scan order.
  std::string GetToString() const override;
  virtual std::string GetToFactsString() const;

 private:
  template <class TText>
  std::string Listing(TText Text) const;
  int32_t Hash(const TIEToken& Token, bool Strict, bool* Exact) const;
  // The entry holding a token equal to Token, or -1; Link is left at the
  // link that points to it (to the chain's end when there is none).
  int32_t FindEqual(const IReteToken& Token, int32_t*& Link);
  // Files Token under Hash and first in its identity chain; the bounds
  // follow.
  void Put(int32_t Hash, bool Exact, const IReteToken& Token);
  // Links entry At at the end of the bucket of its hash; the bounds follow.
  void Link(int32_t At);
  // Empty, unmade buckets, Count of them, over the same pool.
  void ResetBuckets(size_t Count);
  void Grow();
  void GrowIdentity();

  // A join value: where it lies, and the position of the slot in the
  // layout last seen, so that hashing looks the name up once per template
  // layout, not once per token.
  struct TKey {
    std::string SlotName;
    int32_t FactIndex;
    int32_t SubIndex;
    mutable ISlotLayout SeenLayout;
    mutable int32_t SeenPosition;
  };
  // The hash of one join value; with several keys the tree combines them.
  static int32_t KeyHash(const TKey& Key, const TIEToken& Token, bool Strict, bool* Exact);

  std::vector<TKey> FKeys;
  std::vector<TTokenBucket> FBuckets;
  std::vector<TTokenBucket::TEntry> FEntries;
  // The first entry free for reuse, -1 when none.
  int32_t FFree = -1;
  // Both ends of the chain of stored entries in storing order.
  int32_t FOldest = -1;
  int32_t FNewest = -1;
  // Heads of chains of entries by their token's identity (a power of two of them, at
  // least one per token), so that finding a token's equal does not walk a
  // bucket whose tokens all share one join value.
  static constexpr size_t InitialIdentitySize = 8;
  std::vector<int32_t> FIdentity;
  int32_t FTokenCount = 0;
  int32_t FLowBucket;
  int32_t FHighBucket = -1;
  bool FUseSortCode;
  bool FAllowNilBucket = true;
};

}  // namespace ie
