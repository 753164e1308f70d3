#include "runtime/Object.h"

#include "runtime/Exceptions.h"
#include "runtime/Format.h"
#include "runtime/RuntimeConsts.h"

namespace ie {

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
  BeforeDestruction();
  delete this;
}

int32_t TObject::GetHashCode() const {
  return static_cast<int32_t>(reinterpret_cast<uintptr_t>(this));
}

}  // namespace ie
