#include "runtime/Component.h"

#include <algorithm>
#include <cctype>

#include "runtime/Exceptions.h"
#include "runtime/Format.h"
#include "runtime/RuntimeConsts.h"

namespace ie {

namespace {

bool IsValidIdent(const std::string& Name) {
  if (Name.empty()) return false;
  const auto IsStart = [](unsigned char C) { return std::isalpha(C) || C == '_'; };
  if (!IsStart(static_cast<unsigned char>(Name[0]))) return false;
  return std::all_of(Name.begin() + 1, Name.end(),
                     [](unsigned char C) { return std::isalnum(C) || C == '_'; });
}

bool SameText(const std::string& A, const std::string& B) {
  return A.size() == B.size() && std::equal(A.begin(), A.end(), B.begin(), [](char X, char Y) {
           return std::tolower(static_cast<unsigned char>(X)) ==
                  std::tolower(static_cast<unsigned char>(Y));
         });
}

// Searched from the back: components mostly go in the reverse order they
// came, so the one sought is at or near the end.
void EraseOne(std::vector<TComponent*>& List, TComponent* Item) {
  auto It = std::find(List.rbegin(), List.rend(), Item);
  if (It != List.rend()) List.erase(std::next(It).base());
}

// Below this many entries a search of the list beats a hash set.
constexpr size_t FreeNotifySetThreshold = 16;

}  // namespace

TComponent::TComponent(TComponent* Owner) {
  if (Owner != nullptr) Owner->InsertComponent(this);
}

TComponent::~TComponent() {
  FComponentState.Include(csDestroying);
  NotifyFreeNotifies();
  DestroyComponents();
  if (FOwner != nullptr) FOwner->RemoveComponent(this);
}

// Free() tells the watchers while the whole object still stands, so that
// they may call back into it; a plain delete tells them in the destructor.
void TComponent::BeforeDestruction() {
  if (!FComponentState.Contains(csDestroying)) Destroying();
  NotifyFreeNotifies();
}

void TComponent::NotifyFreeNotifies() {
  // Taken one at a time: a notified component may free others of the list.
  while (!FFreeNotifies.empty()) {
    TComponent* Other = FFreeNotifies.back();
    DropFreeNotify(Other);
    Other->DropFreeNotify(this);
    Other->Notification(this, opRemove);
  }
}

void TComponent::Destroying() {
  if (FComponentState.Contains(csDestroying)) return;
  FComponentState.Include(csDestroying);
  for (TComponent* Component : FComponents) Component->Destroying();
}

void TComponent::SetName(const std::string& Name) {
  if (Name == FName) return;
  if (!Name.empty() && !IsValidIdent(Name)) throw EComponentError(Format(SInvalidName, Name));
  if (FOwner != nullptr) FOwner->ValidateRename(this, FName, Name);
  FName = Name;
}

void TComponent::ValidateRename(TComponent* Component, const std::string& CurName,
                                const std::string& NewName) const {
  if (NewName.empty() || SameText(CurName, NewName)) return;
  TComponent* Existing = FindComponent(NewName);
  if (Existing != nullptr && Existing != Component) {
    throw EComponentError(Format(SDuplicateName, NewName));
  }
}

TComponent* TComponent::GetComponent(int32_t Index) const {
  if (Index < 0 || Index >= GetComponentCount()) throw EListError(Format(SListIndexError, Index));
  return FComponents[Index];
}

int32_t TComponent::GetComponentIndex() const {
  if (FOwner == nullptr) return -1;
  const auto& List = FOwner->FComponents;
  return static_cast<int32_t>(std::find(List.begin(), List.end(), this) - List.begin());
}

TComponent* TComponent::FindComponent(const std::string& Name) const {
  if (Name.empty()) return nullptr;
  for (TComponent* Component : FComponents) {
    if (SameText(Component->FName, Name)) return Component;
  }
  return nullptr;
}

void TComponent::InsertComponent(TComponent* Component) {
  ValidateRename(Component, "", Component->FName);
  if (Component->FOwner != nullptr) Component->FOwner->RemoveComponent(Component);
  Insert(Component);
  Notification(Component, opInsert);
}

void TComponent::RemoveComponent(TComponent* Component) {
  Notification(Component, opRemove);
  Remove(Component);
}

void TComponent::Insert(TComponent* Component) {
  FComponents.push_back(Component);
  Component->FOwner = this;
}

void TComponent::Remove(TComponent* Component) {
  EraseOne(FComponents, Component);
  Component->FOwner = nullptr;
}

void TComponent::DestroyComponents() {
  while (!FComponents.empty()) {
    TComponent* Component = FComponents.back();
    Remove(Component);
    Component->Free();
  }
}

void TComponent::SetDesigning(bool Value) {
  if (Value) {
    FComponentState.Include(csDesigning);
  } else {
    FComponentState.Exclude(csDesigning);
  }
  for (TComponent* Component : FComponents) Component->SetDesigning(Value);
}

void TComponent::Loaded() { FComponentState.Exclude(csLoading); }

void TComponent::FreeNotification(TComponent* Component) {
  if (Component == nullptr || Component == this) return;
  Component->AddFreeNotify(this);
  AddFreeNotify(Component);
}

void TComponent::RemoveFreeNotification(TComponent* Component) {
  if (Component == nullptr) return;
  DropFreeNotify(Component);
  Component->DropFreeNotify(this);
}

bool TComponent::HasFreeNotify(TComponent* Component) const {
  if (FFreeNotifies.size() < FreeNotifySetThreshold) {
    return std::find(FFreeNotifies.begin(), FFreeNotifies.end(), Component) !=
           FFreeNotifies.end();
  }
  return FFreeNotifySet.contains(Component);
}

void TComponent::AddFreeNotify(TComponent* Component) {
  if (HasFreeNotify(Component)) return;
  FFreeNotifies.push_back(Component);
  if (FFreeNotifies.size() > FreeNotifySetThreshold) {
    FFreeNotifySet.insert(Component);
  } else if (FFreeNotifies.size() == FreeNotifySetThreshold) {
    FFreeNotifySet.insert(FFreeNotifies.begin(), FFreeNotifies.end());
  }
}

void TComponent::DropFreeNotify(TComponent* Component) {
  if (!HasFreeNotify(Component)) return;
  EraseOne(FFreeNotifies, Component);
  if (FFreeNotifies.size() < FreeNotifySetThreshold) {
    FFreeNotifySet.clear();
  } else {
    FFreeNotifySet.erase(Component);
  }
}

void TComponent::Notification(TComponent* Component, TOperation Operation) {
  if (Operation == opRemove && Component != nullptr) RemoveFreeNotification(Component);
}

}  // namespace ie
