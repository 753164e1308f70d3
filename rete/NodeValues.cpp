#include "rete/NodeValues.h"

#include "rete/ReteBinding.h"

namespace ie {

const TBindingInfo* AddressOf(const IIEValue& Value) {
  if (!Value || Value->GetDType() != dtObject) return nullptr;
  return dynamic_cast<const TBindingInfo*>(Value->GetAsObject());
}

IIEValue AddressValue(int32_t FactIndex, const std::string& Slot, int32_t SubIndex) {
  return new TIEValue(new TReteBindingInfo(FactIndex, Slot, SubIndex), true);
}

namespace {

bool SameCall(const TCustomFunctionCall& A, const TCustomFunctionCall& B) {
  if (A.GetName() != B.GetName() || A.GetArgumentCount() != B.GetArgumentCount()) return false;
  for (int32_t I = 0; I < A.GetArgumentCount(); ++I) {
    if (!SameNodeValue(A.GetArgument(I), B.GetArgument(I))) return false;
  }
  return true;
}

}  // namespace

bool SameNodeValue(const IIEValue& A, const IIEValue& B) {
  if (!A || !B) return !A && !B;
  if (IsFunCall(A) && IsFunCall(B)) return SameCall(*AsCall(A), *AsCall(B));
  if (A->GetDType() == dtFuzzy || B->GetDType() == dtFuzzy) {
    if (A->GetDType() != B->GetDType()) return false;
    const IFuzzySet SetA = A->GetAsFuzzy();
    const IFuzzySet SetB = B->GetAsFuzzy();
    return SetA == SetB || (SetA && SetB && SetA->TIFuzzySet::Equals(IInterface(SetB)));
  }
  const TBindingInfo* AddressA = AddressOf(A);
  const TBindingInfo* AddressB = AddressOf(B);
  if (AddressA != nullptr || AddressB != nullptr) {
    return AddressA != nullptr && AddressB != nullptr && AddressA->Equals(AddressB);
  }
  return SameValue(*A, *B);
}

ICustomFunCall Rebased(const TCustomFunctionCall& Call) {
  ICustomFunCall Copy = Call.CloneInterface().As<TCustomFunctionCall>();
  for (int32_t I = 0; I < Copy->GetArgumentCount(); ++I) {
    const IIEValue& Argument = Copy->GetArgument(I);
    if (IsFunCall(Argument)) {
      Copy->SetArgument(I, CallValue(Rebased(*AsCall(Argument))));
    } else if (const TBindingInfo* Address = AddressOf(Argument)) {
      Copy->SetArgument(I, AddressValue(0, Address->GetSlotIndex(), Address->GetSubIndex()));
    }
  }
  return Copy;
}

}  // namespace ie
