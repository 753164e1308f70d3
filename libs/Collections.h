// The containers the system builds on: the cloneable-object interface,
// checked interface lists and string-keyed hash tables with a stable order.
//
// TIList<T> holds counted references; every index outside 0..Count-1
// raises EListError, never undefined behaviour. TStringHashTable<V> finds
// keys by hashing and iterates them in the order they were first put, so
// listings never depend on memory layout. Keys compare case-sensitively.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "runtime/Exceptions.h"
#include "runtime/Format.h"
#include "runtime/Interfaced.h"
#include "runtime/RuntimeConsts.h"
#include "runtime/ScopeGuard.h"

namespace ie {

// Raised by the tables on a bad position or an empty table.
class EGHashtableError : public Exception {
 public:
  using Exception::Exception;
};

// What every cloneable data object offers. Assign(IInterface) copies from an
// object known only by interface; CloneInterface is the untyped clone (each
// class also has a typed Clone).
class ICloneable : public TInterfacedObject {
  IE_CLASS(ICloneable, TInterfacedObject)

 public:
  using TPersistent::Assign;
  virtual void Assign(const IInterface& Source) = 0;
  virtual IInterface CloneInterface() const = 0;
  virtual bool Equals(const IInterface& Other) const = 0;
  virtual int32_t GetTag() const = 0;
  virtual void SetTag(int32_t Tag) = 0;
};

[[noreturn]] inline void ListIndexError(int64_t Index) {
  throw EListError(Format(SListIndexError, Index));
}

// Storage is a vector by default; a deque suits lists that shrink at the
// front as well as the back.
template <class T, class TStorage = std::vector<TRef<T>>>
class TIList {
 public:
  using TItem = TRef<T>;

  int32_t GetCount() const { return static_cast<int32_t>(FItems.size()); }
  const TItem& Get(int32_t Index) const {
    CheckIndex(Index);
    return FItems[Index];
  }
  void Put(int32_t Index, TItem Item) {
    CheckIndex(Index);
    FItems[Index] = std::move(Item);
  }
  int32_t Add(TItem Item) {
    FItems.push_back(std::move(Item));
    return GetCount() - 1;
  }
  // Index may be Count, which appends.
  void Insert(int32_t Index, TItem Item) {
    if (Index < 0 || Index > GetCount()) ListIndexError(Index);
    FItems.insert(FItems.begin() + Index, std::move(Item));
  }
  void Delete(int32_t Index) {
    CheckIndex(Index);
    FItems.erase(FItems.begin() + Index);
  }
  void Exchange(int32_t Index1, int32_t Index2) {
    CheckIndex(Index1);
    CheckIndex(Index2);
    std::swap(FItems[Index1], FItems[Index2]);
  }
  void Clear() { FItems.clear(); }
  const TItem& First() const { return Get(0); }
  const TItem& Last() const { return Get(GetCount() - 1); }
  // Position of the very object, or -1.
  int32_t IndexOf(const T* Item) const {
    for (size_t I = 0; I < FItems.size(); ++I) {
      if (FItems[I].Get() == Item) return static_cast<int32_t>(I);
    }
    return -1;
  }
  // Removes the first occurrence of the very object; its former position or -1.
  int32_t Remove(const T* Item) {
    const int32_t Index = IndexOf(Item);
    if (Index >= 0) Delete(Index);
    return Index;
  }
  void Reserve(int32_t Capacity) { FItems.reserve(Capacity > 0 ? Capacity : 0); }

  auto begin() const { return FItems.begin(); }
  auto end() const { return FItems.end(); }

 private:
  void CheckIndex(int32_t Index) const {
    if (Index < 0 || Index >= GetCount()) ListIndexError(Index);
  }

  TStorage FItems;
};

template <class V>
class TStringHashTable {
 public:
  struct TEntry {
    std::string Key;
    V Value;
  };

  int32_t GetCount() const { return static_cast<int32_t>(FEntries.size()); }
  bool IsEmpty() const { return FEntries.empty(); }

  // Stores Value under Key; returns the value it replaced (empty if none).
  V Put(std::string_view Key, V Value) {
    auto It = FIndex.find(Key);
    if (It != FIndex.end()) return std::exchange(FEntries[It->second].Value, std::move(Value));
    // The entry goes in before its index, so that a failed allocation
    // leaves no index to a missing entry.
    FEntries.push_back(TEntry{std::string(Key), std::move(Value)});
    TScopeGuard Undo([&] { FEntries.pop_back(); });
    FIndex.emplace(std::string(Key), FEntries.size() - 1);
    Undo.Dismiss();
    return V();
  }
  // Moves Key's entry to the end of the iteration order; needs no memory.
  void MoveLast(std::string_view Key) {
    auto It = FIndex.find(Key);
    if (It == FIndex.end()) return;
    const size_t Position = It->second;
    std::rotate(FEntries.begin() + Position, FEntries.begin() + Position + 1, FEntries.end());
    for (auto& [_, Index] : FIndex) {
      if (Index > Position) --Index;
    }
    It->second = FEntries.size() - 1;
  }
  // The value under Key, or an empty value.
  V Get(std::string_view Key) const {
    const TEntry* Entry = Find(Key);
    return Entry != nullptr ? Entry->Value : V();
  }
  bool ContainsKey(std::string_view Key) const { return FIndex.find(Key) != FIndex.end(); }
  bool ContainsKey(std::string_view Key, V& Value) const {
    const TEntry* Entry = Find(Key);
    if (Entry == nullptr) return false;
    Value = Entry->Value;
    return true;
  }
  const TEntry* Find(std::string_view Key) const {
    auto It = FIndex.find(Key);
    return It != FIndex.end() ? &FEntries[It->second] : nullptr;
  }
  // Removes Key; returns its value (empty if absent). Later entries keep
  // their relative order.
  V Remove(std::string_view Key) {
    auto It = FIndex.find(Key);
    if (It == FIndex.end()) return V();
    const size_t Position = It->second;
    FIndex.erase(It);
    V Removed = std::move(FEntries[Position].Value);
    FEntries.erase(FEntries.begin() + Position);
    // Only entries after it move; the last one leaves in constant time,
    // so a table emptied from its end empties in linear time.
    if (Position < FEntries.size()) {
      for (auto& [_, Index] : FIndex) {
        if (Index > Position) --Index;
      }
    }
    return Removed;
  }
  void Clear() {
    FIndex.clear();
    FEntries.clear();
  }
  // The entry at a position of the iteration order.
  const TEntry& GetEntry(int32_t Position) const {
    if (FEntries.empty()) throw EGHashtableError(SHashtableEmpty);
    if (Position < 0 || Position >= GetCount()) {
      throw EGHashtableError(Format(SHashtableIndexError, Position));
    }
    return FEntries[Position];
  }

  auto begin() const { return FEntries.begin(); }
  auto end() const { return FEntries.end(); }

 private:
  struct THash {
    using is_transparent = void;
    size_t operator()(std::string_view Key) const { return std::hash<std::string_view>{}(Key); }
  };

  std::vector<TEntry> FEntries;
  std::unordered_map<std::string, size_t, THash, std::equal_to<>> FIndex;
};

}  // namespace ie
