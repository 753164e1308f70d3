#include "core/IEFacts.h"

#include <array>
#include <charconv>
#include <cmath>
#include <memory>
#include <utility>

#include "core/IEFactPrinter.h"
#include "runtime/Conversions.h"
#include "runtime/Format.h"

namespace ie {

namespace {

void CheckName(const std::string& Name) {
  const size_t Position = Name.find_first_of(SForbiddenNameCharacters);
  if (Position != std::string::npos) {
    throw EIEException(Format(SUnexpectedCharacter, Name, std::string(1, Name[Position])));
  }
}

bool Accepts(TIETypes Types, TIEType Kind) {
  return Types.Contains(Kind) || IEAlwaysValidTypes.Contains(Kind);
}

// The text a multislot error shows: the value as a string where it reads
// as one, else its printed form.
std::string DefaultText(const TIEValue& Value) {
  return IEStringTypes.Contains(Value.GetDType()) ? Value.GetText() : Value.GetToString();
}

// The hash of two decimal digits as text: '0' + N / 10, then '0' + N % 10.
constexpr std::array<uint32_t, 100> DigitPairHashes = [] {
  std::array<uint32_t, 100> Table{};
  for (uint32_t N = 0; N < 100; ++N) Table[N] = ('0' + N / 10) * 31u + ('0' + N % 10);
  return Table;
}();

// h = h * 31 + character, fed piece by piece, so a fact hashes its value
// texts without building them into one string. The hash of a text is a
// polynomial in 31, so a piece's own hash shifted by 31 to its length
// extends the hash of what came before it.
class THashFeed {
 public:
  void Add(char C) { FHash = FHash * 31u + static_cast<unsigned char>(C); }
  void Add(std::string_view Text) {
    size_t I = 0;
    // Four characters at a time, as one piece: the products do not wait
    // for each other.
    for (; I + 4 <= Text.size(); I += 4) {
      const auto C = [&](size_t K) {
        return static_cast<uint32_t>(static_cast<unsigned char>(Text[I + K]));
      };
      FHash = FHash * (31u * 31u * 31u * 31u) + C(0) * (31u * 31u * 31u) + C(1) * (31u * 31u) +
              C(2) * 31u + C(3);
    }
    for (; I < Text.size(); ++I) Add(Text[I]);
  }
  // The decimal text of Value, as an integer value writes it, hashed from
  // its last digits up, two at a time.
  void AddInteger(int32_t Value) {
    uint32_t Rest = Value < 0 ? 0u - static_cast<uint32_t>(Value) : static_cast<uint32_t>(Value);
    uint32_t Piece = 0;
    uint32_t Scale = 1;
    for (; Rest >= 100; Rest /= 100) {
      Piece += DigitPairHashes[Rest % 100] * Scale;
      Scale *= 31u * 31u;
    }
    if (Rest >= 10) {
      Piece += DigitPairHashes[Rest] * Scale;
      Scale *= 31u * 31u;
    } else {
      Piece += ('0' + Rest) * Scale;
      Scale *= 31u;
    }
    if (Value < 0) {
      Piece += static_cast<uint32_t>('-') * Scale;
      Scale *= 31u;
    }
    FHash = FHash * Scale + Piece;
  }
  uint32_t GetHash() const { return FHash; }

 private:
  uint32_t FHash = 0;
};

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

// TFactTemplate

TFactTemplate::TFactTemplate(TComponent* Owner) : FOwner(Owner), FEngine(FactEngineOf(Owner)) {
  FSlotNames.SetDuplicates(dupAccept);
  FSlotNames.SetSorted(true);
}

TFactTemplate::TFactTemplate(TComponent* Owner, const std::string& Name) : TFactTemplate(Owner) {
  SetTemplateName(Name);
}

TFactTemplate::TFactTemplate(TComponent* Owner, const std::string& Name, const std::string& Comment,
                             const IFactTemplate& Source)
    : TFactTemplate(Owner) {
  if (Source) Assign(IInterface(Source));
  // Not through the engine: the engine would re-file Source, whose name
  // this template took over while copying.
  CheckName(Name);
  FTemplateName = Name;
  FHashValid = false;
  FComment = Comment;
  if (Source && Source->FOwner == Owner) FParent = Source;
}

void TFactTemplate::BeforeDestruction() {
  for (const auto& Entry : FSlots) Entry.Value->FTemplate = nullptr;
  ICloneable::BeforeDestruction();
}

void TFactTemplate::SetTemplateName(const std::string& Name) {
  if (Name == FTemplateName) return;
  CheckName(Name);
  if (FEngine != nullptr) FEngine->ChangeFactTemplateName(FTemplateName, Name);
  FTemplateName = Name;
  FHashValid = false;
}

bool TFactTemplate::IsFuzzy() const {
  if (!FFuzzyValid) {
    FFuzzy = false;
    for (const auto& Entry : FSlots) FFuzzy = FFuzzy || Entry.Value->IsFuzzy();
    FFuzzyValid = true;
  }
  return FFuzzy;
}

void TFactTemplate::SlotsChanged() {
  FHashValid = false;
  FFuzzyValid = false;
  FLayout = nullptr;
}

void TFactTemplate::UpdateOrdered() {
  FOrdered = FSlots.GetCount() < 2 && FSlots.ContainsKey(SDefaultSlotName);
}

// Names that differ only in case are different slots, so the sorted list
// keeps both and the exact one is searched among its equals.
void TFactTemplate::RemoveSlotName(const std::string& Name) {
  FSlots.Remove(Name);
  int32_t Index = 0;
  FSlotNames.Find(Name, Index);
  for (; Index < FSlotNames.GetCount(); ++Index) {
    if (FSlotNames.Get(Index) == Name) {
      FSlotNames.Delete(Index);
      return;
    }
  }
}

void TFactTemplate::NewSlotName(TFactSlot* Slot, std::string& NewName) {
  const IFactSlot Keep(Slot);
  if (!Slot->FName.empty() && FSlots.Get(Slot->FName) == Slot) RemoveSlotName(Slot->FName);
  const IFactSlot Replaced = FSlots.Put(NewName, Keep);
  if (Replaced) {
    if (Replaced != Slot) Replaced->FTemplate = nullptr;
  } else {
    FSlotNames.Add(NewName);
  }
  SlotsChanged();
  UpdateOrdered();
}

void TFactTemplate::NewSlotDefault(TFactSlot*, IIEValue& NewDefault) {
  // A function-call default is evaluated per fact; the slot keeps its own
  // call so that nobody else's changes reach it.
  if (NewDefault && NewDefault->GetDType() == dtFunCall) {
    const auto Call = NewDefault->GetAsFunCall<TCustomFunctionCall>();
    if (Call) {
      NewDefault = new TIEValue(Call->CloneInterface().As<TCustomFunctionCall>());
    }
  }
}

void TFactTemplate::NewSlotType(TFactSlot*, TIETypes&) { FFuzzyValid = false; }

IFactSlot TFactTemplate::NewOwnSlot() { return new TFactSlot(this); }

void TFactTemplate::AddSlot(const std::string& Name, const IIEValue& Default) {
  if (!Default) throw EIEException(SBadSlotType);
  if (Default->GetDType() == dtList) {
    throw EIEException(Format(SInvalidDefaultSlotValue, Default->GetToString()));
  }
  IFactSlot Existing;
  if (FSlots.ContainsKey(Name, Existing)) {
    if (Existing->FSlotDefault && Existing->FSlotDefault->GetDType() == dtList) {
      throw EIEException(SMultiSlotIsNotSlot);
    }
    Existing->SetSlotDefault(Default);
  } else {
    const IFactSlot Slot = NewOwnSlot();
    Slot->SetSlotType(IESlotTypes);
    Slot->SetSlotDefault(Default);
    Slot->SetName(Name);
  }
  UpdateOrdered();
}

void TFactTemplate::AddMultiSlot(const std::string& Name, const IIEValue& Default) {
  if (!Default) throw EIEException(SBadSlotType);
  if (Default->GetDType() != dtList) {
    throw EIEException(Format(SInvalidMultiSlotDefault, DefaultText(*Default)));
  }
  if (Name.find_first_not_of(' ') == std::string::npos) {
    throw EIEException(Format(SBadSlotName, Name));
  }
  IFactSlot Existing;
  if (FSlots.ContainsKey(Name, Existing)) {
    if (Existing->FSlotDefault && Existing->FSlotDefault->GetDType() != dtList) {
      throw EIEException(SSlotIsNotMultiSlot);
    }
    Existing->SetSlotDefault(Default);
  } else {
    const IFactSlot Slot = NewOwnSlot();
    Slot->SetSlotType(IESlotTypes + IEMultiSlotTypes);
    Slot->SetSlotDefault(Default);
    Slot->SetName(Name);
  }
  UpdateOrdered();
}

void TFactTemplate::AddSlot(const IFactSlot& Slot) {
  if (!Slot) throw EIEException(SBadSlotType);
  const IFactSlot Copy = NewOwnSlot();
  Copy->AssignFrom(*Slot);
  UpdateOrdered();
}

void TFactTemplate::SetSlot(const std::string& Name, const IFactSlot& Slot) {
  if (!Slot || Slot->FName != Name) {
    throw EIEException(Format(SSlotNameMismatch, Name, Slot ? Slot->FName : std::string()));
  }
  const IFactSlot Replaced = FSlots.Put(Name, Slot);
  if (!Replaced) FSlotNames.Add(Name);
  SlotsChanged();
  UpdateOrdered();
}

void TFactTemplate::RemoveSlot(const std::string& Name) {
  const IFactSlot Slot = GetSlot(Name);
  if (Slot->FTemplate == this) Slot->FTemplate = nullptr;
  RemoveSlotName(Name);
  SlotsChanged();
  UpdateOrdered();
}

void TFactTemplate::ClearSlots() {
  for (const auto& Entry : FSlots) {
    if (Entry.Value->FTemplate == this) Entry.Value->FTemplate = nullptr;
  }
  FSlots.Clear();
  FSlotNames.Clear();
  SlotsChanged();
  UpdateOrdered();
}

IFactSlot TFactTemplate::GetSlot(std::string_view Name) const {
  IFactSlot Slot;
  if (!FSlots.ContainsKey(Name, Slot)) throw EIEException(Format(SNoSuchSlot, Name));
  return Slot;
}

bool TFactTemplate::ContainsType(const IIEDefinedType& DefinedType, IFactSlot& Slot) const {
  for (const auto& Entry : FSlots) {
    if (Entry.Value->FExtendedTypeInfo == DefinedType) {
      Slot = Entry.Value;
      return true;
    }
  }
  return false;
}

const ISlotLayout& TFactTemplate::BuildLayout() const {
  ISlotLayout Layout = new TSlotLayout();
  const int32_t Count = FSlotNames.GetCount();
  Layout->FNames.reserve(Count);
  Layout->FSlots.reserve(Count);
  for (int32_t Index = 0; Index < Count; ++Index) {
    std::string Name = FSlotNames.Get(Index);
    Layout->FIndex.Put(Name, Index);
    Layout->FSlots.push_back(FSlots.Get(Name));
    Layout->FNames.push_back(std::move(Name));
  }
  FLayout = std::move(Layout);
  return FLayout;
}

int32_t TFactTemplate::GetHashCode() const {
  if (!FHashValid) {
    THashFeed Hash;
    Hash.Add(FTemplateName);
    const ISlotLayout& Layout = GetLayout();
    for (int32_t Index = 0; Index < Layout->GetCount(); ++Index) {
      Hash.Add(Layout->GetName(Index));
      Hash.Add(NewLineString);
    }
    FHashCode = static_cast<int32_t>(Hash.GetHash());
    FHashValid = true;
  }
  return FHashCode;
}

std::string TFactTemplate::GetToString() const {
  if (FEngine != nullptr)
    return FEngine->PrettyPrint(IFactTemplate(const_cast<TFactTemplate*>(this)));
  return PrettyPrint(*this);
}

std::string TFactTemplate::SlotToString(const TFactSlot& Slot) const {
  if (FEngine != nullptr) return FEngine->PrettyPrint(IFactSlot(const_cast<TFactSlot*>(&Slot)));
  return PrettyPrint(Slot);
}

IFact TFactTemplate::NewFact() {
  IFact Fact = new TFact(IFactTemplate(this));
  FillFactWithDefaults(Fact);
  return Fact;
}

void TFactTemplate::FillFactWithDefaults(const IFact& Fact) {
  if (!Fact || !Fact->FTemplate) throw EIEException(SFactTemplateMissing);
  if (Fact->FTemplate != this) {
    throw EIEException(Format(SDifferentTemplates, Fact->FTemplate->FTemplateName, FTemplateName));
  }
  Fact->EnsureLayout();
  const ISlotLayout& Layout = GetLayout();
  const bool Checked = Fact->DynamicChecks();
  for (int32_t Index = 0; Index < Layout->GetCount(); ++Index) {
    const TFactSlot* Slot = Layout->GetSlot(Index);
    // Shared rather than copied: most defaults are never changed in a
    // fact, and a copy per slot is most of a small fact's memory. A default
    // the checks would convert is stored the old way.
    if (Slot->FSlotDefault && !(Slot->FDefaultDynamic && FEngine != nullptr) &&
        (!Checked || Slot->IsValid(Slot->FSlotDefault))) {
      Fact->FValues.SetItemByIndex(Index, Slot->GetFrozenDefault());
      continue;
    }
    IIEValue Value;
    if (Slot->FSlotDefault) {
      Value = Slot->FSlotDefault->Clone();
      if (Slot->FDefaultDynamic && FEngine != nullptr) {
        Value = Value->Resolve(FEngine->GetDefaultsContext());
      }
    }
    Fact->StoreChecked(Index, std::move(Value));
  }
}

IFactTemplate TFactTemplate::Clone() const { return Clone(FOwner); }

// The copy is made without a name and takes this one's through Assign: a
// provisional name such as "NAME Copy" would hold a forbidden blank.
IFactTemplate TFactTemplate::Clone(TComponent* Owner) const {
  IFactTemplate Copy = new TFactTemplate(Owner);
  Copy->Assign(static_cast<TPersistent*>(const_cast<TFactTemplate*>(this)));
  return Copy;
}

void TFactTemplate::CopySettings(const TFactTemplate& Source) {
  FBackwardChaining = Source.FBackwardChaining;
  FComment = Source.FComment;
  // A parent in another engine cannot be shared.
  const bool ForeignParent = Source.FParent && Source.FParent->FOwner != Source.FOwner;
  FParent = ForeignParent ? IFactTemplate() : Source.FParent;
}

void TFactTemplate::Assign(TPersistent* Source) {
  auto* Template = dynamic_cast<TFactTemplate*>(Source);
  if (Template == nullptr) {
    ICloneable::Assign(Source);
    return;
  }
  if (Template == this) return;
  CopySettings(*Template);
  SetTemplateName(Template->FTemplateName);
  for (const auto& Entry : Template->FSlots) AddSlot(Entry.Value);
  FOrdered = Template->FOrdered;
}

void TFactTemplate::Assign(const IInterface& Source) {
  const IFactTemplate Template = Source.TryAs<TFactTemplate>();
  if (!Template) AssignError(Source.Get());
  if (Template == this) return;
  CopySettings(*Template);
  FTemplateName = Template->FTemplateName;
  AssignSlots(Template);
  FFuzzy = Template->IsFuzzy();
  FFuzzyValid = true;
  FHashCode = Template->GetHashCode();
  FHashValid = true;
  FOrdered = Template->FOrdered;
}

void TFactTemplate::AssignSlots(const IFactTemplate& Source) {
  if (!Source || Source == this) return;
  ClearSlots();
  for (const auto& Entry : Source->FSlots) {
    if (FEngine != nullptr) {
      AddSlot(FEngine->ParseFactTemplateSlot(Entry.Value->GetToString()));
    } else {
      AddSlot(Entry.Value);
    }
  }
}

bool TFactTemplate::Equals(const IFactTemplate& Other) const {
  if (Other == this) return true;
  if (!Other) return false;
  if (FOrdered != Other->FOrdered || FTemplateName != Other->FTemplateName) return false;
  for (const auto& Entry : FSlots) {
    IFactSlot OtherSlot;
    if (!Other->FSlots.ContainsKey(Entry.Key, OtherSlot)) return false;
    if (!Entry.Value->Equals(OtherSlot)) return false;
  }
  return true;
}

bool TFactTemplate::Equals(const IInterface& Other) const {
  const IFactTemplate Template = Other.TryAs<TFactTemplate>();
  return Template && Equals(Template);
}

// TFactValues

namespace {

// Count nil values in one block; nil for none.
IIEValue* NewValues(int32_t Count) {
  if (Count <= 0) return nullptr;
  auto* Values = static_cast<IIEValue*>(::operator new(sizeof(IIEValue) * Count));
  std::uninitialized_value_construct_n(Values, Count);
  return Values;
}

void DeleteValues(IIEValue* Values, int32_t Count) {
  if (Values == nullptr) return;
  std::destroy_n(Values, Count);
  ::operator delete(Values);
}

// A block of values freed on the way out unless taken.
class TNewValues {
 public:
  explicit TNewValues(int32_t Count) : FValues(NewValues(Count)), FCount(Count) {}
  ~TNewValues() { DeleteValues(FValues, FCount); }
  TNewValues(const TNewValues&) = delete;
  TNewValues& operator=(const TNewValues&) = delete;
  IIEValue& operator[](int32_t Index) { return FValues[Index]; }
  IIEValue* Take() { return std::exchange(FValues, nullptr); }

 private:
  IIEValue* FValues;
  int32_t FCount;
};

}  // namespace

void TFactValues::FreeItems() {
  DeleteValues(FItems, GetCount());
  FItems = nullptr;
}

void TFactValues::Replace(const ISlotLayout& Layout, IIEValue* Items) {
  FreeItems();
  FLayout = Layout;
  FItems = Items;
}

const std::vector<TFactValues::TOrphan>& TFactValues::GetOrphans() const {
  static const std::vector<TOrphan> None;
  return FOrphans ? *FOrphans : None;
}

TFactValues::TOrphan* TFactValues::FindOrphan(std::string_view Name) {
  if (!FOrphans) return nullptr;
  for (TOrphan& Orphan : *FOrphans) {
    if (Orphan.Name == Name) return &Orphan;
  }
  return nullptr;
}

void TFactValues::LayOut(const ISlotLayout& Layout) {
  if (FLayout == Layout) return;
  TNewValues Values(Layout->GetCount());
  std::vector<TOrphan> Orphans;
  if (FLayout) {
    for (int32_t Index = 0; Index < FLayout->GetCount(); ++Index) {
      if (!FItems[Index]) continue;
      const std::string& Name = FLayout->GetName(Index);
      const int32_t NewIndex = Layout->IndexOf(Name);
      if (NewIndex >= 0) {
        Values[NewIndex] = std::move(FItems[Index]);
      } else {
        Orphans.push_back(TOrphan{Name, std::move(FItems[Index])});
      }
    }
  }
  if (FOrphans) {
    for (TOrphan& Orphan : *FOrphans) {
      const int32_t NewIndex = Layout->IndexOf(Orphan.Name);
      if (NewIndex >= 0) {
        Values[NewIndex] = std::move(Orphan.Value);
      } else {
        Orphans.push_back(std::move(Orphan));
      }
    }
  }
  Replace(Layout, Values.Take());
  if (Orphans.empty()) {
    FOrphans.reset();
  } else {
    FOrphans = std::make_unique<std::vector<TOrphan>>(std::move(Orphans));
  }
}

void TFactValues::Rebind(const ISlotLayout& Layout) {
  LayOut(Layout);
  FOrphans.reset();
}

void TFactValues::CopyFrom(const TFactValues& Source) {
  if (&Source == this) return;
  TNewValues Values(Source.GetCount());
  for (int32_t Index = 0; Index < Source.GetCount(); ++Index) {
    if (Source.FItems[Index]) Values[Index] = Source.FItems[Index]->Clone();
  }
  std::unique_ptr<std::vector<TOrphan>> Orphans;
  if (Source.FOrphans) {
    Orphans = std::make_unique<std::vector<TOrphan>>();
    for (const TOrphan& Orphan : *Source.FOrphans) {
      Orphans->push_back(TOrphan{Orphan.Name, Orphan.Value ? Orphan.Value->Clone() : IIEValue()});
    }
  }
  Replace(Source.FLayout, Values.Take());
  FOrphans = std::move(Orphans);
}

void TFactValues::Clear() {
  Replace(nullptr, nullptr);
  FOrphans.reset();
}

// TFact

TFact::TFact(const IFactTemplate& Template, const IFact& Fact) : FTemplate(Template) {
  if (Fact) Assign(IInterface(Fact));
}

const TFactTemplate& TFact::RequireTemplate() const {
  if (!FTemplate) throw EIEException(SFactTemplateMissing);
  return *FTemplate;
}

bool TFact::DynamicChecks() const {
  const TCustomFactEngine* Engine = FTemplate->GetEngine();
  return Engine != nullptr && Engine->GetTypeChecks().Contains(tcDynamic);
}

void TFact::SetTemplate(const IFactTemplate& Template) {
  if (Template == FTemplate) return;
  if (Template && FTemplate) {
    EnsureLayout();
    FValues.Rebind(Template->GetLayout());
  } else {
    FValues.Clear();
  }
  FTemplate = Template;
  if (!FTemplate) return;
  EnsureLayout();
  const ISlotLayout& Layout = FValues.GetLayout();
  for (int32_t Index = 0; Index < Layout->GetCount(); ++Index) {
    if (FValues.GetItemByIndex(Index)) continue;
    const IIEValue& Default = Layout->GetSlot(Index)->GetSlotDefault();
    FValues.SetItemByIndex(Index, Default ? Default->Clone() : IIEValue(FCNil));
  }
}

IIEValue TFact::GetValue(std::string_view Name) {
  EnsureLayout();
  const ISlotLayout& Layout = FValues.GetLayout();
  const int32_t Index = Layout->IndexOf(Name);
  if (Index < 0) {
    if (TFactValues::TOrphan* Orphan = FValues.FindOrphan(Name)) {
      if (Orphan->Value && Orphan->Value->IsFrozen()) Orphan->Value = Orphan->Value->Clone();
      return Orphan->Value;
    }
    throw EIEException(Format(SNoSuchSlot, Name));
  }
  const IIEValue& Value = FValues.GetItemByIndex(Index);
  if (Value && !Value->IsFrozen()) return Value;
  const IIEValue& Default = Value ? Value : Layout->GetSlot(Index)->GetSlotDefault();
  IIEValue Copy = Default ? Default->Clone() : IIEValue(FCNil);
  FValues.SetItemByIndex(Index, Copy);
  return Copy;
}

void TFact::SetValue(std::string_view Name, IIEValue Value) {
  EnsureLayout();
  const int32_t Index = FValues.GetLayout()->IndexOf(Name);
  if (Index < 0) {
    // A value kept under a name the template has since dropped may still
    // be replaced, but not checked against a slot that is gone.
    TFactValues::TOrphan* Orphan = FValues.FindOrphan(Name);
    if (Orphan == nullptr || DynamicChecks()) throw EIEException(Format(SNoSuchSlot, Name));
    Orphan->Value = Value ? std::move(Value) : IIEValue(FCNil);
    return;
  }
  StoreChecked(Index, std::move(Value));
}

void TFact::StoreChecked(int32_t Index, IIEValue Value) {
  if (!Value) Value = FCNil;
  const TFactSlot* Slot = FValues.GetLayout()->GetSlot(Index);
  // A text in a fuzzy slot that names a term of the slot's variable
  // becomes that term, even where the type would keep the text to be
  // resolved later. The value changes in place, as the caller's object; a
  // shared constant or frozen value is copied first since it must never
  // change.
  const TIEType Kind = Value->GetDType();
  const auto Own = [&] {
    if (IsValueConstant(Value) || Value->IsFrozen()) Value = Value->Clone();
  };
  if (Slot->IsFuzzy() && (Kind == dtAtom || Kind == dtString) && Slot->GetExtendedTypeInfo()) {
    if (const IFuzzySet Set = Slot->GetExtendedTypeInfo()->TextToFuzzySet(Value->GetText())) {
      Own();
      Value->SetAsFuzzy(Set);
    }
  }
  if (DynamicChecks() && !Slot->IsValid(Value)) {
    // An integer becomes a float only when the float itself is valid (an
    // 11 stays refused by a range of 1..10).
    const bool ToFloat = Kind == dtInteger && Slot->GetSlotType().Contains(dtFloat) &&
                         Slot->IsValid(new TIEValue(static_cast<double>(Value->GetAsInteger())));
    if (!ToFloat) throw EIEException(Slot->GetInvalidValueString(Value));
    Own();
    Value->SetAsFloat(Value->GetAsInteger());
  }
  FValues.SetItemByIndex(Index, std::move(Value));
}

bool TFact::ContainsKey(std::string_view Name, IIEValue& Value) {
  EnsureLayout();
  if (FValues.GetLayout()->IndexOf(Name) < 0) return false;
  Value = GetValue(Name);
  return true;
}

std::vector<std::string> TFact::GetSlotNames() const {
  std::vector<std::string> Names;
  if (!FTemplate) return Names;
  EnsureLayout();
  const ISlotLayout& Layout = FValues.GetLayout();
  for (int32_t Index = 0; Index < Layout->GetCount(); ++Index) {
    if (FValues.GetItemByIndex(Index)) Names.push_back(Layout->GetName(Index));
  }
  for (const auto& Orphan : FValues.GetOrphans()) Names.push_back(Orphan.Name);
  return Names;
}

std::vector<IIEValue> TFact::GetSlotValues() const {
  std::vector<IIEValue> Values;
  if (!FTemplate) return Values;
  EnsureLayout();
  const ISlotLayout& Layout = FValues.GetLayout();
  for (int32_t Index = 0; Index < FValues.GetCount(); ++Index) {
    // The caller may change what it gets: a frozen default becomes the
    // fact's own copy first.
    if (FValues.GetItemByIndex(Index)) {
      Values.push_back(const_cast<TFact*>(this)->GetValue(Layout->GetName(Index)));
    }
  }
  for (const auto& Orphan : FValues.GetOrphans()) {
    Values.push_back(Orphan.Value && Orphan.Value->IsFrozen()
                         ? const_cast<TFact*>(this)->GetValue(Orphan.Name)
                         : Orphan.Value);
  }
  return Values;
}

const IIEValue& TFact::PeekValue(int32_t Index) const {
  EnsureLayout();
  const IIEValue& Value = FValues.GetItemByIndex(Index);
  return Value ? Value : FValues.GetLayout()->GetSlot(Index)->GetSlotDefault();
}

void TFact::AssignValues(const IFact& Source) {
  if (!FTemplate || !Source || !Source->FTemplate) throw EIEException(SFactTemplateMissing);
  if (FTemplate != Source->FTemplate) {
    throw EIEException(Format(SDifferentTemplates, FTemplate->GetTemplateName(),
                              Source->FTemplate->GetTemplateName()));
  }
  if (Source == this) return;
  Source->EnsureLayout();
  FValues.CopyFrom(Source->FValues);
}

void TFact::ShareValues(TSharedValues& Shared) {
  if (!FTemplate) return;
  EnsureLayout();
  const ISlotLayout& Layout = FValues.GetLayout();
  const bool Fuzzy = FTemplate->IsFuzzy();
  for (int32_t Index = 0; Index < Layout->GetCount(); ++Index) {
    IIEValue& Value = FValues.GetItemByIndex(Index);
    if (Value && !(Fuzzy && Layout->GetSlot(Index)->IsFuzzy())) Shared.Share(Value);
  }
}

IFact TFact::Clone() const {
  IFact Copy = new TFact(FTemplate);
  Copy->Assign(static_cast<TPersistent*>(const_cast<TFact*>(this)));
  return Copy;
}

// Facts of two engines meet only through text: this engine re-reads the
// other's fact against its own template of the same name.
bool TFact::MoveAcrossEngines(const TFact& Source) {
  if (!FTemplate || !Source.FTemplate || FTemplate == Source.FTemplate ||
      FTemplate->GetOwner() == Source.FTemplate->GetOwner()) {
    return false;
  }
  TCustomFactEngine* Engine = FTemplate->GetEngine();
  if (Engine == nullptr) return false;
  const std::string& Name = Source.FTemplate->GetTemplateName();
  IFactTemplate Template;
  if (!Engine->FindFactTemplate(Name, Template)) {
    Template = Engine->CreateFactTemplate(Name);
    Template->Assign(IInterface(Source.FTemplate));
  }
  SetTemplate(Template);
  AssignValues(Engine->ParseFact(Source.GetToString()));
  FID = Source.FID;
  FTag = Source.FTag;
  return true;
}

void TFact::Assign(TPersistent* Source) {
  auto* Fact = dynamic_cast<TFact*>(Source);
  if (Fact == nullptr) {
    ICloneable::Assign(Source);
    return;
  }
  if (Fact == this || MoveAcrossEngines(*Fact)) return;
  FTemplate = Fact->FTemplate;
  FValues.Clear();
  if (FTemplate) {
    Fact->EnsureLayout();
    EnsureLayout();
    for (int32_t Index = 0; Index < Fact->FValues.GetCount(); ++Index) {
      const IIEValue& Value = Fact->FValues.GetItemByIndex(Index);
      if (Value) StoreChecked(Index, Value->Clone());
    }
  }
  FID = Fact->FID;
  FTag = Fact->FTag;
}

void TFact::Assign(const IInterface& Source) {
  const IFact Fact = Source.TryAs<TFact>();
  if (!Fact) AssignError(Source.Get());
  if (Fact == this || MoveAcrossEngines(*Fact)) return;
  FTemplate = Fact->FTemplate;
  FValues.Clear();
  if (FTemplate) AssignValues(Fact);
  FID = Fact->FID;
  FTag = Fact->FTag;
}

bool TFact::Equals(const IFact& Other) const {
  if (Other == this) return true;
  if (!Other || !FTemplate || FTemplate != Other->FTemplate) return false;
  EnsureLayout();
  Other->EnsureLayout();
  const ISlotLayout& Layout = FValues.GetLayout();
  for (int32_t Index = 0; Index < Layout->GetCount(); ++Index) {
    if (Layout->GetSlot(Index)->IsFuzzy()) continue;
    const IIEValue& Mine = PeekValue(Index);
    const IIEValue& Theirs = Other->PeekValue(Index);
    if (Mine == Theirs) continue;
    if (!Mine || !Mine->Equals(Theirs)) return false;
  }
  return true;
}

bool TFact::Equals(const IInterface& Other) const {
  const IFact Fact = Other.TryAs<TFact>();
  return Fact && Equals(Fact);
}

int32_t TFact::GetHashCode() const {
  const TFactTemplate& Template = RequireTemplate();
  EnsureLayout();
  // Laid out once here rather than once per value through PeekValue.
  const ISlotLayout& Layout = FValues.GetLayout();
  THashFeed Hash;
  for (int32_t Index = 0; Index < FValues.GetCount(); ++Index) {
    const IIEValue& Stored = FValues.GetItemByIndex(Index);
    const IIEValue& Value = Stored ? Stored : Layout->GetSlot(Index)->GetSlotDefault();
    if (!Value) continue;
    // The commonest kinds without the general writer.
    const TIEType Kind = Value->GetDType();
    if (Kind == dtInteger) {
      Hash.AddInteger(Value->GetAsInteger());
    } else if (Kind == dtAtom) {
      Hash.Add(std::string_view(Value->GetText()));
    } else {
      Value->WriteText(Hash);
    }
  }
  return static_cast<int32_t>(static_cast<uint32_t>(Template.GetHashCode()) * 31u + Hash.GetHash());
}

std::string TFact::GetToString() const {
  if (FTemplate && FTemplate->GetEngine() != nullptr) {
    return FTemplate->GetEngine()->PrettyPrint(IFact(const_cast<TFact*>(this)));
  }
  return PrettyPrint(*this);
}

std::string TFact::GetToIDString() const {
  const std::string Text = GetToString();
  const TCustomFactEngine* Engine = FTemplate ? FTemplate->GetEngine() : nullptr;
  if (Engine == nullptr) return "f-" + IntToStr(FID) + " " + Text;
  const std::string Digits =
      IntToStr(static_cast<int64_t>(IntToStr(Engine->GetNextFactId()).size()));
  return Format("%s%" + Digits + "." + Digits + "d %s", "f-", FID, Text);
}

}  // namespace ie
