#include "runtime/Object.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "runtime/Exceptions.h"
#include "runtime/Format.h"
#include "runtime/RuntimeConsts.h"

namespace ie {

namespace {

// Looked up by address only; the order of the watchers of one object is
// the order they came.
struct TFreeWatches {
  std::mutex Lock;
  std::unordered_map<TObject*, std::vector<TFreeWatcher*>> Watchers;
  std::atomic<size_t> Count{0};
};

TFreeWatches& FreeWatches() {
  static TFreeWatches Instance;
  return Instance;
}

void NotifyFreeWatchers(TObject* Obj) {
  TFreeWatches& W = FreeWatches();
  std::vector<TFreeWatcher*> Told;
  {
    const std::lock_guard Guard(W.Lock);
    const auto Found = W.Watchers.find(Obj);
    if (Found == W.Watchers.end()) return;
    Told = std::move(Found->second);
    W.Watchers.erase(Found);
    W.Count.fetch_sub(Told.size(), std::memory_order_relaxed);
  }
  for (TFreeWatcher* Watcher : Told) Watcher->ObjectFreed(Obj);
}

}  // namespace

void WatchFree(TObject* Obj, TFreeWatcher* Watcher) {
  TFreeWatches& W = FreeWatches();
  const std::lock_guard Guard(W.Lock);
  W.Watchers[Obj].push_back(Watcher);
  W.Count.fetch_add(1, std::memory_order_relaxed);
}

void UnwatchFree(TObject* Obj, TFreeWatcher* Watcher) {
  TFreeWatches& W = FreeWatches();
  const std::lock_guard Guard(W.Lock);
  const auto Found = W.Watchers.find(Obj);
  if (Found == W.Watchers.end()) return;
  auto& List = Found->second;
  const auto It = std::find(List.begin(), List.end(), Watcher);
  if (It == List.end()) return;
  List.erase(It);
  W.Count.fetch_sub(1, std::memory_order_relaxed);
  if (List.empty()) W.Watchers.erase(Found);
}

bool TMetaClass::InheritsFrom(TClass Ancestor) const {
  for (TClass C = this; C != nullptr; C = C->FParent) {
    if (C == Ancestor) return true;
  }
  return false;
}

TObject* TMetaClass::NewInstance(TComponent* Owner) const {
  if (FFactory == nullptr) throw EInvalidOperation(Format(SNotConstructible, FName));
  return FFactory(Owner);
}

TClass TObject::StaticClass() {
  static const TMetaClass Meta("TObject", nullptr, ClassFactoryOf<TObject>());
  return &Meta;
}

void TObject::Free() {
  if (FreeWatches().Count.load(std::memory_order_relaxed) != 0) NotifyFreeWatchers(this);
  BeforeDestruction();
  delete this;
}

int32_t TObject::GetHashCode() const {
  return static_cast<int32_t>(reinterpret_cast<uintptr_t>(this));
}

}  // namespace ie
