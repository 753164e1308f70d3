#include "runtime/Controls.h"

#include <algorithm>

#include "runtime/Exceptions.h"
#include "runtime/Format.h"
#include "runtime/RuntimeConsts.h"

namespace ie {

bool TBasicAction::Execute() {
  if (!FOnExecute) return false;
  FOnExecute(this);
  return true;
}

void TControl::BeforeDestruction() {
  SetParent(nullptr);
  TComponent::BeforeDestruction();
}

void TControl::SetParent(TWinControl* Parent) {
  if (Parent == FParent) return;
  if (FParent != nullptr) FParent->RemoveControl(this);
  FParent = Parent;
  if (FParent != nullptr) FParent->InsertControl(this);
}

void TWinControl::BeforeDestruction() {
  // Children outlive the parent that only lists them.
  while (!FControls.empty()) FControls.back()->SetParent(nullptr);
  TControl::BeforeDestruction();
}

TControl* TWinControl::GetControl(int32_t Index) const {
  if (Index < 0 || Index >= GetControlCount()) throw EListError(Format(SListIndexError, Index));
  return FControls[Index];
}

void TWinControl::InsertControl(TControl* Control) {
  if (std::find(FControls.begin(), FControls.end(), Control) == FControls.end()) {
    FControls.push_back(Control);
  }
}

void TWinControl::RemoveControl(TControl* Control) {
  const auto It = std::find(FControls.begin(), FControls.end(), Control);
  if (It != FControls.end()) FControls.erase(It);
}

}  // namespace ie
