// TComponent: an object with an owner. The owner frees the components it
// owns when it is destroyed; a component may also ask another to tell it,
// through Notification(..., opRemove), when that other one is destroyed
// (FreeNotification), so that it can drop its plain reference in time.
//
// Components are created with Create<T>(Owner) and freed with Free(). A
// destructor of a descendant runs before the base class gives up its owned
// components and tells the components that asked to be notified.
//
// An owner hears when a component joins or leaves it; the components it
// owns do not (an engine owns a rule per defrule, and telling each of them
// of every other made loading a large rule base quadratic). A component
// that keeps a pointer to another asks for a free notification instead.
#pragma once

#include <string>
#include <unordered_set>
#include <vector>

#include "runtime/Persistent.h"
#include "runtime/Sets.h"

namespace ie {

enum TOperation : uint8_t { opInsert, opRemove };

enum TComponentStateItem : uint8_t {
  csLoading,
  csReading,
  csWriting,
  csDestroying,
  csDesigning,
  csUpdating
};
using TComponentState = TSet<TComponentStateItem, csUpdating>;

class TComponent : public TPersistent {
  IE_CLASS(TComponent, TPersistent)

 public:
  explicit TComponent(TComponent* Owner);
  ~TComponent() override;

  void BeforeDestruction() override;

  TComponent* GetOwner() const { return FOwner; }
  const std::string& GetName() const { return FName; }
  // Names are empty or identifiers, unique among the owner's components
  // (compared without regard to case).
  virtual void SetName(const std::string& Name);
  int32_t GetTag() const { return FTag; }
  void SetTag(int32_t Tag) { FTag = Tag; }

  int32_t GetComponentCount() const { return static_cast<int32_t>(FComponents.size()); }
  TComponent* GetComponent(int32_t Index) const;
  int32_t GetComponentIndex() const;
  TComponent* FindComponent(const std::string& Name) const;
  void InsertComponent(TComponent* Component);
  void RemoveComponent(TComponent* Component);
  // Frees every owned component, the last first.
  void DestroyComponents();

  TComponentState GetComponentState() const { return FComponentState; }
  void SetDesigning(bool Value);
  // Sets csDestroying here and on every owned component.
  void Destroying();
  // Called once reading a component ends; clears csLoading.
  virtual void Loaded();
  void BeginLoading() { FComponentState.Include(csLoading); }

  // Asks Component to call this component's Notification when it is freed.
  void FreeNotification(TComponent* Component);
  void RemoveFreeNotification(TComponent* Component);

 protected:
  virtual void Notification(TComponent* Component, TOperation Operation);
  void ValidateRename(TComponent* Component, const std::string& CurName,
                      const std::string& NewName) const;

 private:
  void Insert(TComponent* Component);
  void Remove(TComponent* Component);
  void NotifyFreeNotifies();
  bool HasFreeNotify(TComponent* Component) const;
  void AddFreeNotify(TComponent* Component);
  void DropFreeNotify(TComponent* Component);

  TComponent* FOwner = nullptr;
  std::string FName;
  int32_t FTag = 0;
  TComponentState FComponentState;
  std::vector<TComponent*> FComponents;
  // The components to tell when this one goes, in the order they asked,
  // with a set beside them once they are many, so that asking stays cheap.
  std::vector<TComponent*> FFreeNotifies;
  std::unordered_set<TComponent*> FFreeNotifySet;
};

}  // namespace ie
