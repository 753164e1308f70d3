#include "runtime/Persistent.h"

#include "runtime/Exceptions.h"
#include "runtime/Format.h"
#include "runtime/RuntimeConsts.h"

namespace ie {

void TPersistent::Assign(TPersistent* Source) {
  if (Source == nullptr) AssignError(nullptr);
  Source->AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* Dest) { Dest->AssignError(this); }

void TPersistent::DefineProperties(TFiler*) {}

void TPersistent::AssignError(const TPersistent* Source) const {
  const char* SourceName = Source != nullptr ? Source->ClassName() : "nil";
  throw EConvertError(Format(SAssignError, SourceName, ClassName()));
}

}  // namespace ie
