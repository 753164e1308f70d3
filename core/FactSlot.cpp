#include "core/IEFacts.h"

#include <utility>

#include "core/FactInternals.h"
#include "core/IEFactPrinter.h"
#include "runtime/Format.h"

namespace ie {

using fact_internals::CheckName;

namespace {

bool Accepts(TIETypes Types, TIEType Kind) {
  return Types.Contains(Kind) || IEAlwaysValidTypes.Contains(Kind);
}

}  // namespace

std::string KindsToString(TIETypes Types, std::string_view Separator) {
  std::string Text;
  for (int Kind = dtNone; Kind <= dtMultiSlot; ++Kind) {
    if (!Types.Contains(static_cast<TIEType>(Kind))) continue;
    if (!Text.empty()) Text += Separator;
    for (char C : IETypeName(static_cast<TIEType>(Kind)).substr(2)) {
      Text += static_cast<char>(C >= 'a' && C <= 'z' ? C - 'a' + 'A' : C);
    }
  }
  return Text;
}

// TFactSlot

void TFactSlot::BeforeDestruction() {
  FTemplate = nullptr;
  UnhookDefault();
  FSlotDefault = nullptr;
  ICloneable::BeforeDestruction();
}

bool TFactSlot::DynamicChecks() const {
  if (FTemplate == nullptr) return false;
  const TCustomFactEngine* Engine = FTemplate->GetEngine();
  return Engine != nullptr && Engine->GetTypeChecks().Contains(tcDynamic);
}

std::string TFactSlot::GetTemplateName() const {
  return FTemplate != nullptr ? FTemplate->GetTemplateName() : std::string();
}

void TFactSlot::SetName(const std::string& Name) {
  if (Name == FName) return;
  CheckName(Name);
  std::string NewName = Name;
  if (FTemplate != nullptr) FTemplate->NewSlotName(this, NewName);
  FName = std::move(NewName);
}

void TFactSlot::SetSlotType(TIETypes Types) {
  if (Types == FSlotType) return;
  if (Types.Contains(dtFuzzy) && !(Types - IEMultiSlotTypes == TIETypes{dtFuzzy})) {
    throw EIEException(SMixedFuzzyTypes);
  }
  if (FTemplate != nullptr) FTemplate->NewSlotType(this, Types);
  FSlotType = Types;
  // The multifield flags are the slot's, not the type's: a defined type
  // takes no list kinds and refuses fuzzy mixed with anything.
  if (FExtendedTypeInfo && FExtendedTypeInfo->IsImplicit()) {
    FExtendedTypeInfo->SetBaseTypes(Types - IEMultiSlotTypes);
  }
  if (!FSlotDefault || !IsValid(FSlotDefault)) {
    SetSlotDefault(CreateValidDefault(Types.Contains(dtMultiSlot)));
  }
}

void TFactSlot::SetSlotDefault(const IIEValue& Value) {
  if (Value && DynamicChecks() && !IsValid(Value)) {
    throw EIEException(Format(SInvalidDefaultSlotValue, Value->GetToString()));
  }
  UnhookDefault();
  // A copy, so that later changes to the caller's value do not reach the
  // slot; the shared constants are never changed, so they are kept.
  IIEValue NewDefault;
  if (Value) NewDefault = IsValueConstant(Value) ? Value : Value->Clone();
  if (FTemplate != nullptr) FTemplate->NewSlotDefault(this, NewDefault);
  FSlotDefault = std::move(NewDefault);
  FFrozenDefault = nullptr;
  HookDefault();
}

const IIEValue& TFactSlot::GetFrozenDefault() const {
  if (!FFrozenDefault && FSlotDefault) {
    FFrozenDefault = FSlotDefault->Clone();
    FFrozenDefault->Freeze();
  }
  return FFrozenDefault;
}

// Constants are shared by every slot and never change, so they carry no
// hook.
void TFactSlot::HookDefault() {
  if (FSlotDefault && !IsValueConstant(FSlotDefault)) {
    FSlotDefault->SetOnChange([this](TIEValue* Value) { ValueChanged(Value); });
  }
}

void TFactSlot::UnhookDefault() {
  if (FSlotDefault && !IsValueConstant(FSlotDefault)) FSlotDefault->SetOnChange(nullptr);
}

void TFactSlot::ValueChanged(TIEValue* Value) {
  // Facts made before keep the frozen copy of the old default, as they
  // would have kept a copy of their own.
  FFrozenDefault = nullptr;
  if (DynamicChecks() && !IsValid(IIEValue(Value))) {
    throw EIEException(Format(SInvalidValue, Value->GetToString(), FName));
  }
}

void TFactSlot::SetExtendedTypeInfo(const IIEDefinedType& DefinedType) {
  if (DefinedType == FExtendedTypeInfo) return;
  TIETypes Types = DefinedType ? DefinedType->GetBaseTypes() : TIETypes{};
  if (FTemplate != nullptr) FTemplate->NewSlotType(this, Types);
  FExtendedTypeInfo = DefinedType;
  if (FName == SDefaultSlotName) Types = Types + IEMultiSlotTypes;
  SetSlotType(Types);
}

bool TFactSlot::IsValid(const IIEValue& Value) const {
  if (!Value) return true;
  if (Value == FCNil && !FSlotType.Contains(dtList)) return true;
  if (Value == FCNilList && FSlotType.Contains(dtList)) return true;
  if (FExtendedTypeInfo) return FExtendedTypeInfo->IsValid(Value);
  if (!Accepts(FSlotType, Value->GetDType())) return false;
  if (Value->GetDType() == dtList) {
    for (const IIEValue& Element : *Value->GetAsList()) {
      if (Element && !Accepts(FSlotType, Element->GetDType())) return false;
    }
  }
  return true;
}

std::string TFactSlot::GetInvalidValueString(const IIEValue& Value) const {
  if (IsValid(Value)) return std::string();
  if (FExtendedTypeInfo) {
    const std::string Reason = FExtendedTypeInfo->GetInvalidValueString(Value);
    return Reason.empty() ? Reason : Format(SInvalidSlotValue, Reason, FName);
  }
  const TIEType Kind = Value->GetDType();
  if (!FSlotType.Contains(Kind) && !IEAlwaysValidTypes.Contains(Kind)) {
    return Format(
        SInvalidSlotValue,
        Format(SNotAType, KindsToString(FSlotType, ", "), Value->GetToString(), IETypeName(Kind)),
        FName);
  }
  if (Kind != dtList) return std::string();
  for (const IIEValue& Element : *Value->GetAsList()) {
    if (Element && !Accepts(FSlotType, Element->GetDType())) {
      const std::string ElementKind =
          std::string(IETypeName(Element->GetDType())) + " (" + Element->GetToString() + ")";
      return Format(
          SInvalidSlotValue,
          Format(SNotAType, KindsToString(FSlotType, ", "), Value->GetToString(), ElementKind),
          FName);
    }
  }
  return std::string();
}

IIEValue TFactSlot::CreateValidDefault(bool Multi) const {
  if (FExtendedTypeInfo) return FExtendedTypeInfo->CreateValidDefault(Multi);
  // A new empty list: the empty-list constant is never handed out to be
  // filled.
  if (Multi) return new TIEValue(IValueVector(new TValueVector()));
  if (FSlotType.Contains(dtAtom)) return new TIEValue(std::string(), dtAtom);
  if (FSlotType.Contains(dtString)) return new TIEValue(std::string(), dtString);
  if (FSlotType.Contains(dtInteger)) return new TIEValue(0, dtInteger);
  if (FSlotType.Contains(dtFloat)) return new TIEValue(0.0);
  if (FSlotType.Contains(dtObject)) return new TIEValue(static_cast<TObject*>(nullptr), false);
  if (FSlotType.Contains(dtExternalAddress)) return new TIEValue(static_cast<void*>(nullptr));
  if (FSlotType.Contains(dtFuzzy)) return FCNil;
  if (FSlotType.Contains(dtFactId)) return new TIEValue(0, dtFactId);
  if (FSlotType.Contains(dtFact)) {
    IIEValue Value = new TIEValue();
    Value->SetAsFact(IFact());
    return Value;
  }
  if (FSlotType.Contains(dtDescriptor)) return new TIEValue(0, dtDescriptor);
  if (FSlotType.Contains(dtClass)) return new TIEValue(TClass(nullptr));
  return new TIEValue();
}

std::string TFactSlot::GetToString() const {
  return FTemplate != nullptr ? FTemplate->SlotToString(*this) : PrettyPrint(*this);
}

// The copy is not filed in the template: filing it under the same name
// would push the original out.
IFactSlot TFactSlot::Clone() const {
  IFactSlot Copy = new TFactSlot(nullptr);
  Copy->AssignFrom(*this);
  Copy->FTemplate = FTemplate;
  return Copy;
}

IInterface TFactSlot::CloneInterface() const { return Clone(); }

void TFactSlot::AssignFrom(const TFactSlot& Source) {
  if (&Source == this) return;
  FDefaultDynamic = Source.FDefaultDynamic;
  FExtendedTypeInfo = Source.FExtendedTypeInfo;
  SetSlotType(Source.FSlotType);
  SetSlotDefault(Source.FSlotDefault);
  SetName(Source.FName);
  FTag = Source.FTag;
}

void TFactSlot::Assign(TPersistent* Source) {
  if (auto* Slot = dynamic_cast<TFactSlot*>(Source)) {
    AssignFrom(*Slot);
  } else {
    ICloneable::Assign(Source);
  }
}

void TFactSlot::Assign(const IInterface& Source) {
  const IFactSlot Slot = Source.TryAs<TFactSlot>();
  if (!Slot) AssignError(Source.Get());
  AssignFrom(*Slot);
}

bool TFactSlot::Equals(const IFactSlot& Other) const {
  if (Other == this) return true;
  if (!Other) return false;
  if (FName != Other->FName || !(FSlotType == Other->FSlotType)) return false;
  if (FExtendedTypeInfo != Other->FExtendedTypeInfo &&
      !(FExtendedTypeInfo && FExtendedTypeInfo->Equals(IInterface(Other->FExtendedTypeInfo)))) {
    return false;
  }
  if (FSlotDefault == Other->FSlotDefault) return true;
  if (!FSlotDefault) return false;
  // Fuzzy sets equal when they overlap, which the empty default never does
  // and two different terms may: a fuzzy default is the same when it reads
  // the same.
  const IIEValue& OtherDefault = Other->FSlotDefault;
  if (FSlotDefault->GetDType() == dtFuzzy ||
      (OtherDefault && OtherDefault->GetDType() == dtFuzzy)) {
    return OtherDefault && FSlotDefault->GetToString() == OtherDefault->GetToString();
  }
  // Loose comparison reads the other default through this one's getter;
  // a default that cannot be read so is simply different.
  try {
    return FSlotDefault->EqualsStar(Other->FSlotDefault);
  } catch (const EIEException&) {
    return false;
  }
}

bool TFactSlot::Equals(const IInterface& Other) const {
  const IFactSlot Slot = Other.TryAs<TFactSlot>();
  return Slot && Equals(Slot);
}

}  // namespace ie
