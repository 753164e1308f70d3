// TPersistent: an object that can be assigned from another. Assign asks the
// source to AssignTo this object when this class does not know the source;
// when neither side knows the other, the runtime's assignment error is
// raised (EConvertError "Cannot assign a %s to a %s").
//
// DefineProperties names the data an object keeps in a component stream
// (runtime/Filer.h); by default it keeps none.
#pragma once

#include "runtime/Object.h"

namespace ie {

class TFiler;

class TPersistent : public TObject {
  IE_CLASS(TPersistent, TObject)

 public:
  virtual void Assign(TPersistent* Source);
  virtual void AssignTo(TPersistent* Dest);
  virtual void DefineProperties(TFiler* Filer);

 protected:
  // Raises the assignment error for Source (nil prints as "nil") into this.
  [[noreturn]] void AssignError(const TPersistent* Source) const;
};

}  // namespace ie
