#include "engine/FactHashIndex.h"

#include <algorithm>

namespace ie {

// TFactHashIndex

size_t TFactHashIndex::Home(int32_t Hash) const {
  // Fibonacci hashing spreads codes that differ in the low bits only.
  return (static_cast<uint32_t>(Hash) * 0x9E3779B1u) & (FSlots.size() - 1);
}

void TFactHashIndex::Insert(int32_t Hash, int32_t ID) {
  if (ID == NoID) {
    FMarkerFiled = true;
    FMarkerHash = Hash;
    return;
  }
  if ((FCount + 1) * 2 > FSlots.size()) Resize(std::max<size_t>(FSlots.size() * 2, 16));
  size_t I = Home(Hash);
  while (FSlots[I].ID != NoID) I = (I + 1) & (FSlots.size() - 1);
  FSlots[I] = TSlot{Hash, ID};
  ++FCount;
}

void TFactHashIndex::Erase(int32_t Hash, int32_t ID) {
  if (ID == NoID) {
    FMarkerFiled = false;
    return;
  }
  if (FCount == 0) return;
  for (size_t I = Home(Hash); FSlots[I].ID != NoID; I = (I + 1) & (FSlots.size() - 1)) {
    if (FSlots[I].ID == ID) return EraseAt(I);
  }
  for (size_t I = 0; I < FSlots.size(); ++I) {
    if (FSlots[I].ID == ID) return EraseAt(I);
  }
}

void TFactHashIndex::EraseAt(size_t Index) {
  // Later slots of the run move back into the hole when their home allows,
  // so lookups never need markers for erased slots.
  const size_t Mask = FSlots.size() - 1;
  size_t Hole = Index;
  for (size_t I = (Hole + 1) & Mask; FSlots[I].ID != NoID; I = (I + 1) & Mask) {
    const size_t HomeOfI = Home(FSlots[I].Hash);
    if (((I - HomeOfI) & Mask) >= ((I - Hole) & Mask)) {
      FSlots[Hole] = FSlots[I];
      Hole = I;
    }
  }
  FSlots[Hole] = TSlot{0, NoID};
  --FCount;
}

void TFactHashIndex::Clear() {
  FSlots.clear();
  FCount = 0;
  FMarkerFiled = false;
}

void TFactHashIndex::Reserve(size_t Count) {
  size_t Capacity = 16;
  while (Capacity < Count * 2) Capacity *= 2;
  if (Capacity > FSlots.size()) Resize(Capacity);
}

void TFactHashIndex::Resize(size_t Capacity) {
  std::vector<TSlot> Old(Capacity, TSlot{0, NoID});
  Old.swap(FSlots);
  FCount = 0;
  for (const TSlot& Slot : Old) {
    if (Slot.ID != NoID) Insert(Slot.Hash, Slot.ID);
  }
}

}  // namespace ie
