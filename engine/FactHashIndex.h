// The fact base's index from hash codes to fact IDs.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace ie {

// Fact IDs by hash code in one open-addressed array of 8-byte slots: a
// duplicate check costs one probe run over adjacent slots instead of a walk
// through separately allocated nodes, and the fact base finds the fact by
// its ID. Different facts may share a code, so a code may file several
// IDs, all in the probe run from its home slot. A fact whose ID is the
// empty slots' marker is kept aside.
class TFactHashIndex {
 public:
  // Marks empty slots.
  static constexpr int32_t NoID = INT32_MIN;

  // Calls Accept(ID) for each fact filed under Hash until one returns
  // true; whether one did.
  template <class TAccept>
  bool FindIf(int32_t Hash, TAccept&& Accept) const {
    if (FMarkerFiled && FMarkerHash == Hash && Accept(NoID)) return true;
    if (FCount == 0) return false;
    const size_t Mask = FSlots.size() - 1;
    for (size_t I = Home(Hash); FSlots[I].ID != NoID; I = (I + 1) & Mask) {
      if (FSlots[I].Hash == Hash && Accept(FSlots[I].ID)) return true;
    }
    return false;
  }
  // Files the fact ID under Hash; each fact is filed once.
  void Insert(int32_t Hash, int32_t ID);
  // Drops the fact ID, looked for under Hash first and then everywhere (the
  // fact may have changed since it was filed).
  void Erase(int32_t Hash, int32_t ID);
  void Clear();
  void Reserve(size_t Count);

 private:
  struct TSlot {
    int32_t Hash;
    int32_t ID;
  };
  size_t Home(int32_t Hash) const;
  void EraseAt(size_t Index);
  void Resize(size_t Capacity);

  // Empty slots hold NoID; the size is a power of two, at most half full.
  std::vector<TSlot> FSlots;
  size_t FCount = 0;
  // Filed with the marker's ID: whether there is one, and its hash.
  bool FMarkerFiled = false;
  int32_t FMarkerHash = 0;
};

}  // namespace ie
