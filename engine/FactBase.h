// The fact base TFacts keeps facts in ascending ID order (TFactList, where
// retracting moves nothing) and, while hash codes are cached, an index
// from each fact's hash code to the facts of that code, so duplicate
// detection is one lookup and a comparison. Facts that the host adds to
// TFacts directly are asserted through the engine, with events and watch
// lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <vector>

#include "core/IEFacts.h"
#include "engine/FactHashIndex.h"

namespace ie {

class TInferenceEngine;

// The facts of a fact base by position, in ascending ID order. A deleted
// fact leaves a hole that keeps its ID, so deleting moves nothing; the
// holes are squeezed out once they outnumber the facts. Positions count
// facts only: while there are holes, a bit per place marks the facts and
// a Fenwick tree sums the bits of each 64 places, so a place becomes a
// position and back in logarithmic time; without holes a place is its
// position, and neither is kept.
class TFactList {
 public:
  // Walks the facts, skipping the holes.
  class TIterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = IFact;
    using difference_type = std::ptrdiff_t;
    using pointer = const IFact*;
    using reference = const IFact&;

    TIterator() = default;
    TIterator(const IFact* Place, const IFact* End) : FPlace(Place), FEnd(End) { Skip(); }
    const IFact& operator*() const { return *FPlace; }
    const IFact* operator->() const { return FPlace; }
    TIterator& operator++() {
      ++FPlace;
      Skip();
      return *this;
    }
    TIterator operator++(int) {
      TIterator Old = *this;
      ++*this;
      return Old;
    }
    bool operator==(const TIterator& Other) const { return FPlace == Other.FPlace; }

   private:
    void Skip() {
      while (FPlace != FEnd && !*FPlace) ++FPlace;
    }
    const IFact* FPlace = nullptr;
    const IFact* FEnd = nullptr;
  };

  TFactList() = default;
  TFactList(const TFactList&) = delete;
  TFactList& operator=(const TFactList&) = delete;
  ~TFactList() { Clear(); }

  int32_t GetCount() const { return FCount; }
  // Raises the list-index error outside 0..Count-1.
  const IFact& Get(int32_t Position) const;
  // The position of the fact with that ID, or -1.
  int32_t Find(int32_t ID) const;
  // The fact with that ID, or nil, without working out its position.
  TFact* Lookup(int32_t ID) const;
  // The position of this very fact, or -1.
  int32_t IndexOf(const TFact* Fact) const;
  // After every fact of a lower or the same ID.
  void Add(const IFact& Fact);
  // At Position (0..Count), whatever its ID. IDs out of order are looked
  // up one by one, until squeezing out the holes finds them in order.
  void Insert(int32_t Position, const IFact& Fact);
  void Delete(int32_t Position);
  // Deletes this very fact; whether it was there.
  bool Remove(const TFact* Fact);
  void Clear();

  TIterator begin() const { return TIterator(FFacts.data(), FFacts.data() + FFacts.size()); }
  TIterator end() const {
    const IFact* End = FFacts.data() + FFacts.size();
    return TIterator(End, End);
  }

 private:
  static constexpr int32_t BlockBits = 6;

  int32_t GetPlaceCount() const { return static_cast<int32_t>(FFacts.size()); }
  bool HasHoles() const { return FCount != GetPlaceCount(); }
  int32_t PlaceOf(int32_t Position) const;
  int32_t PositionOf(int32_t Place) const;
  // The place of the fact with that ID, or -1.
  int32_t FindPlace(int32_t ID) const;
  int32_t PlaceOfFact(const TFact* Fact) const;
  void DeletePlace(int32_t Place);
  void InsertAt(int32_t Place, const IFact& Fact);
  void Append(const IFact& Fact);
  void AddToTree(int32_t Block, int32_t Delta);
  // Room for one more place in both vectors, so that adding one cannot
  // leave them of different lengths.
  void ReserveOneMore();
  // Builds the bits and the tree again from the places; when an allocation
  // fails they stay as they were.
  void Recount();
  void Compact();

  // Nil for a hole; FIDs holds the ID of every place, holes included.
  std::vector<IFact> FFacts;
  std::vector<int32_t> FIDs;
  // Empty while there are no holes.
  std::vector<uint64_t> FBits;
  // FTree[B] sums blocks B - (B & -B) .. B - 1; FTree[0] is unused.
  std::vector<int32_t> FTree;
  int32_t FCount = 0;
  bool FOrdered = true;
};

class TFacts {
 public:
  explicit TFacts(TInferenceEngine* Engine);
  TFacts(const TFacts&) = delete;
  TFacts& operator=(const TFacts&) = delete;

  int32_t GetCount() const { return FList.GetCount(); }
  const IFact& Get(int32_t Index) const { return FList.Get(Index); }
  TFactList::TIterator begin() const { return FList.begin(); }
  TFactList::TIterator end() const { return FList.end(); }

  // The index of the fact with that ID, or -1.
  int32_t FindFact(int32_t ID) const;
  // The index of a fact equal to Fact (while hash codes are cached, among
  // the facts of its hash code), or -1.
  int32_t FindFact(const IFact& Fact) const;
  IFact GetFactByID(int32_t ID) const;
  int32_t IndexOf(const IFact& Fact) const;

  // By the host: asserts Fact through the engine and returns Count - 1.
  int32_t Add(const IFact& Fact);
  void Insert(int32_t Index, const IFact& Fact);
  // By the host: retracts the fact at Index through the engine.
  void Delete(int32_t Index);
  // Empties the fact base and tells the engine (RetractFacts).
  void Clear();
  // Replaces the facts by copies of Source's, asserted into this engine.
  void Assign(const TFacts& Source);

  bool GetPreserveIDs() const { return FPreserveIDs; }
  void SetPreserveIDs(bool Value) { FPreserveIDs = Value; }
  bool GetCacheHashCodes() const { return FCacheHashCodes; }
  void SetCacheHashCodes(bool Value);
  int32_t GetHighestID() const { return FHighestID; }

 private:
  friend class TInferenceEngine;

  // FindFact with the fact's hash code already computed.
  int32_t FindEqual(const IFact& Fact, int32_t HashCode) const;
  void AppendIndexed(const IFact& Fact, int32_t HashCode);
  void DeleteIndexed(int32_t Index);
  // Deletes this very fact, wherever it is by now; nothing if it is gone.
  void DeleteIndexed(const IFact& Fact);
  void Index(TFact* Fact, int32_t HashCode);
  void Unindex(TFact* Fact);
  void CreateCache();
  void FreeCache();

  TInferenceEngine* FEngine;
  TFactList FList;
  bool FEngineUpdating = false;
  bool FPreserveIDs = false;
  bool FCacheHashCodes = false;
  int32_t FHighestID = 0;
  TFactHashIndex FHashIndex;
  std::vector<TFact*> FFuzzyFacts;
};

}  // namespace ie
