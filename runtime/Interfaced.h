// Reference counting: TInterfacedObject carries an atomic count and TRef<T>
// is the intrusive handle that holds one reference. A new object starts at
// count 0; the first TRef takes it and the last release destroys it
// (BeforeDestruction, then delete). Reference-counted objects are never
// owned by a component and never freed with Free().
//
// IInterface is the handle of any reference-counted object. As<U>() is the
// checked downcast (EInvalidCast), TryAs<U>() the one that yields nil.
#pragma once

#include <atomic>
#include <cstddef>
#include <type_traits>

#include "runtime/Exceptions.h"
#include "runtime/Persistent.h"
#include "runtime/RuntimeConsts.h"

namespace ie {

class TInterfacedObject : public TPersistent {
  IE_CLASS(TInterfacedObject, TPersistent)

 public:
  TInterfacedObject() = default;

  int32_t _AddRef() noexcept { return FRefCount.fetch_add(1, std::memory_order_relaxed) + 1; }
  int32_t _Release() {
    const int32_t Count = FRefCount.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (Count == 0) {
      BeforeDestruction();
      delete this;
    }
    return Count;
  }
  int32_t GetRefCount() const noexcept { return FRefCount.load(std::memory_order_relaxed); }

 protected:
  // Only the last release destroys a counted object.
  ~TInterfacedObject() override = default;

 private:
  std::atomic<int32_t> FRefCount{0};
};

template <class T>
class TRef {
 public:
  TRef() noexcept = default;
  TRef(std::nullptr_t) noexcept {}
  TRef(T* Obj) noexcept : FPtr(Obj) { AddRef(); }
  TRef(const TRef& Other) noexcept : FPtr(Other.FPtr) { AddRef(); }
  TRef(TRef&& Other) noexcept : FPtr(Other.FPtr) { Other.FPtr = nullptr; }
  template <class U>
  requires std::is_convertible_v<U*, T*> TRef(const TRef<U>& Other)
  noexcept : FPtr(Other.Get()) { AddRef(); }
  ~TRef() { Release(); }

  TRef& operator=(const TRef& Other) {
    TRef(Other).Swap(*this);
    return *this;
  }
  TRef& operator=(TRef&& Other) noexcept {
    TRef(std::move(Other)).Swap(*this);
    return *this;
  }
  TRef& operator=(T* Obj) {
    TRef(Obj).Swap(*this);
    return *this;
  }
  TRef& operator=(std::nullptr_t) {
    TRef().Swap(*this);
    return *this;
  }

  T* Get() const noexcept { return FPtr; }
  T* operator->() const noexcept { return FPtr; }
  T& operator*() const noexcept { return *FPtr; }
  explicit operator bool() const noexcept { return FPtr != nullptr; }
  void Swap(TRef& Other) noexcept { std::swap(FPtr, Other.FPtr); }

  template <class U>
  TRef<U> TryAs() const {
    return TRef<U>(dynamic_cast<U*>(FPtr));
  }
  template <class U>
  TRef<U> As() const {
    if (FPtr == nullptr) return TRef<U>();
    U* Cast = dynamic_cast<U*>(FPtr);
    if (Cast == nullptr) throw EInvalidCast(SInvalidCast);
    return TRef<U>(Cast);
  }

 private:
  void AddRef() noexcept {
    if (FPtr != nullptr) FPtr->_AddRef();
  }
  void Release() {
    if (FPtr != nullptr) FPtr->_Release();
  }

  T* FPtr = nullptr;
};

template <class T, class U>
bool operator==(const TRef<T>& A, const TRef<U>& B) noexcept {
  return A.Get() == B.Get();
}
template <class T, class U>
bool operator==(const TRef<T>& A, const U* B) noexcept {
  return A.Get() == B;
}
template <class T>
bool operator==(const TRef<T>& A, std::nullptr_t) noexcept {
  return A.Get() == nullptr;
}

using IInterface = TRef<TInterfacedObject>;

}  // namespace ie
