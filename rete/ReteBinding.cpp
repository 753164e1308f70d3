#include "rete/ReteBinding.h"

#include "rete/IEToken.h"
#include "runtime/Format.h"

namespace ie {

const TIEValue* TSlotReader::ReadSlot(TFact& Fact) {
  const ISlotLayout& Layout = Fact.GetTemplate()->GetLayout();
  if (Layout != FLayout) {
    FLayout = Layout;
    FPosition = Layout->IndexOf(FName);
  }
  if (FPosition >= 0) {
    const TIEValue* Value = Fact.PeekValue(FPosition).Get();
    return Value != nullptr ? Value : FCNil;
  }
  // A value kept under a name the template has since dropped; the fact
  // holds it.
  return Fact.GetValue(FName).Get();
}

bool TSlotReader::TryRead(TFact& Fact, const TIEValue*& Value) {
  const ISlotLayout& Layout = Fact.GetTemplate()->GetLayout();
  if (Layout != FLayout) {
    FLayout = Layout;
    FPosition = Layout->IndexOf(FName);
  }
  if (FPosition < 0) return false;
  Value = Read(Fact);
  return true;
}

const TIEValue* TSlotReader::Read(TFact& Fact) {
  const TIEValue* Value = ReadSlot(Fact);
  if (FSubIndex == NoSubIndex) return Value;
  if (Value->GetDType() != dtList) return nullptr;
  const IValueVector List = Value->GetAsList();
  if (!List || FSubIndex < 0 || FSubIndex >= List->GetCount()) return nullptr;
  return List->Get(FSubIndex).Get();
}

void TReteBindingInfo::Assign(TPersistent* Source) {
  TBindingInfo::Assign(Source);
  FWholeFact = GetSlotIndex() == SPatternBinding;
  FReader = TSlotReader(GetSlotIndex(), GetSubIndex());
}

IIEValue TReteBindingInfo::ReadFrom(TFact& Fact) const {
  if (FWholeFact) {
    if (!FLastFactId || FLastFactId->GetAsFactId() != Fact.GetID()) {
      FLastFactId = new TIEValue(Fact.GetID(), dtFactId);
    }
    return FLastFactId;
  }
  const TIEValue* Value = FReader.Read(Fact);
  if (Value == nullptr) ListIndexError(GetSubIndex());
  // A binding may be changed by its user: the fact's own copy, not the
  // default its facts share.
  if (Value->IsFrozen()) return Fact.GetValue(GetSlotIndex());
  return IIEValue(const_cast<TIEValue*>(Value));
}

IIEValue TReteContext::ResolveBindingAddress(const TCustomBindingInfo& Address) const {
  if (Address.ClassType() != TReteBindingInfo::StaticClass()) {
    return TIEContext::ResolveBindingAddress(Address);
  }
  const auto& Info = static_cast<const TReteBindingInfo&>(Address);
  const int32_t Index = Info.GetFactIndex();
  const IReteToken& Token = GetToken();
  const int32_t Count = Token ? Token->GetCount() : 0;
  TFact* Fact = nullptr;
  if (Index == Count && GetFact()) {
    Fact = GetFact().Get();
  } else if (Index >= 0 && Index < Count) {
    Fact = Token->GetFacts(Index).Get();
  }
  if (Fact == nullptr) throw EIEException(Format(SBindingWithoutFact, Info.GetToString()));
  return Info.ReadFrom(*Fact);
}

}  // namespace ie
