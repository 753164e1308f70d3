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

void EraseOne(std::vector<TComponent*>& List, TComponent* Item) {
  auto It = std::find(List.begin(), List.end(), Item);
  if (It != List.end()) List.erase(It);
}

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
    FFreeNotifies.pop_back();
    EraseOne(Other->FFreeNotifies, this);
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
  const auto Add = [](std::vector<TComponent*>& List, TComponent* Item) {
    if (std::find(List.begin(), List.end(), Item) == List.end()) List.push_back(Item);
  };
  Add(Component->FFreeNotifies, this);
  Add(FFreeNotifies, Component);
}

void TComponent::RemoveFreeNotification(TComponent* Component) {
  if (Component == nullptr) return;
  EraseOne(FFreeNotifies, Component);
  EraseOne(Component->FFreeNotifies, this);
}

void TComponent::Notification(TComponent* Component, TOperation Operation) {
  if (Operation == opRemove && Component != nullptr) RemoveFreeNotification(Component);
  // Owned components hear of it too, so parts of a whole can drop references.
  for (int32_t I = GetComponentCount() - 1; I >= 0; --I) {
    if (I < GetComponentCount()) FComponents[I]->Notification(Component, Operation);
  }
}

}  // namespace ie
