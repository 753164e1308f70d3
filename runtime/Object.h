// TObject, the root of every class of the library, and its metaclass.
//
// A class names itself with IE_CLASS(Name, Parent) inside its body; that
// gives it a TMetaClass carrying the class name, the parent and, for
// classes that can be built without arguments (or with an owner, for
// components), a factory. The metaclass is what the rule language sees as a
// class reference and what duplicates an owned object.
//
// Objects are made with Create<T>(...) and destroyed with Free(), so that
// AfterConstruction and BeforeDestruction run with the full virtual table.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>

#include "runtime/Exceptions.h"
#include "runtime/RuntimeConsts.h"

namespace ie {

class TObject;
class TComponent;
class TMetaClass;
using TClass = const TMetaClass*;

class TMetaClass {
 public:
  using TFactory = TObject* (*)(TComponent* Owner);

  TMetaClass(const char* Name, TClass Parent, TFactory Factory)
      : FName(Name), FParent(Parent), FFactory(Factory) {}
  TMetaClass(const TMetaClass&) = delete;
  TMetaClass& operator=(const TMetaClass&) = delete;

  const char* ClassName() const { return FName; }
  TClass ClassParent() const { return FParent; }
  bool InheritsFrom(TClass Ancestor) const;
  bool IsConstructible() const { return FFactory != nullptr; }
  // A new instance made by the class's own constructor (components receive
  // Owner). Raises EInvalidOperation for a class without a factory.
  TObject* NewInstance(TComponent* Owner) const;

 private:
  const char* FName;
  TClass FParent;
  TFactory FFactory;
};

template <class T, class... Args>
T* Create(Args&&... Arguments);

// Whether T can be made with an owner or without arguments. Asked of the
// new-expression rather than of std::is_constructible, which also wants the
// destructor that counted classes keep protected.
template <class T>
concept OwnerConstructible = requires(TComponent* Owner) {
  new T(Owner);
};
template <class T>
concept DefaultConstructible = requires {
  new T();
};

// The factory a metaclass gets: components take their owner, other classes
// must have a default constructor; anything else cannot be duplicated.
template <class T>
TObject* DefaultClassFactory(TComponent* Owner) {
  if constexpr (std::is_abstract_v<T>) {
    return nullptr;
  } else if constexpr (OwnerConstructible<T>) {
    return Create<T>(Owner);
  } else if constexpr (DefaultConstructible<T>) {
    return Create<T>();
  } else {
    return nullptr;
  }
}

template <class T>
constexpr TMetaClass::TFactory ClassFactoryOf() {
  if constexpr (std::is_abstract_v<T> || !(OwnerConstructible<T> || DefaultConstructible<T>)) {
    return nullptr;
  } else {
    return &DefaultClassFactory<T>;
  }
}

#define IE_CLASS(Name, Parent)                                        \
 public:                                                              \
  static ::ie::TClass StaticClass() {                                 \
    static const ::ie::TMetaClass Meta(#Name, Parent::StaticClass(),  \
                                       ::ie::ClassFactoryOf<Name>()); \
    return &Meta;                                                     \
  }                                                                   \
  ::ie::TClass ClassType() const override { return StaticClass(); }   \
                                                                      \
 private:

class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;

  static TClass StaticClass();
  virtual TClass ClassType() const { return StaticClass(); }
  const char* ClassName() const { return ClassType()->ClassName(); }
  bool InheritsFrom(TClass Ancestor) const { return ClassType()->InheritsFrom(Ancestor); }

  virtual void AfterConstruction() {}
  virtual void BeforeDestruction() {}
  // Tells the free watchers, then BeforeDestruction, then delete. Only for
  // objects made with Create and not reference counted.
  void Free();

  // The object's own text and hash: the class name and the address.
  virtual std::string GetToString() const { return ClassName(); }
  virtual int32_t GetHashCode() const;
};

template <class T, class... Args>
T* Create(Args&&... Arguments) {
  T* Obj = new T(std::forward<Args>(Arguments)...);
  try {
    Obj->AfterConstruction();
  } catch (...) {
    // Through the root, whose destructor every class can reach: a counted
    // class hides its own.
    delete static_cast<TObject*>(Obj);
    throw;
  }
  return Obj;
}

// Obj as a T when it is one (T or a descendant), else nil: a walk up the
// class chain, which unlike dynamic_cast compares no type names. For
// classes declared with IE_CLASS and single inheritance down from U.
template <class T, class U>
T* ObjectAs(U* Obj) {
  return Obj != nullptr && Obj->InheritsFrom(T::StaticClass()) ? static_cast<T*>(Obj) : nullptr;
}

// Obj as a T; nil stays nil, an object of another class raises
// EInvalidCast "Invalid class typecast".
template <class T, class U>
T* CastObject(U* Obj) {
  if (Obj != nullptr && !Obj->InheritsFrom(T::StaticClass())) throw EInvalidCast(SInvalidCast);
  return static_cast<T*>(Obj);
}

// Hears that a watched object is being freed with Free(), while it still
// stands. Holders of plain pointers that must not dangle (values that
// refer to a host's object) watch the object and forget it when told.
class TFreeWatcher {
 public:
  virtual void ObjectFreed(TObject* Obj) = 0;

 protected:
  ~TFreeWatcher() = default;
};

// Watching is process-wide, as objects may pass between engines, and
// guarded by a lock; Free() looks at it only while something is watched.
// Each watcher is told once and then forgotten.
void WatchFree(TObject* Obj, TFreeWatcher* Watcher);
void UnwatchFree(TObject* Obj, TFreeWatcher* Watcher);

template <class T>
void FreeAndNil(T*& Obj) {
  T* Temp = Obj;
  Obj = nullptr;
  if (Temp != nullptr) Temp->Free();
}

}  // namespace ie
