#include "core/IEFacts.h"

#include <utility>

#include "core/FactInternals.h"
#include "core/IEFactPrinter.h"
#include "runtime/Format.h"

namespace ie {

using fact_internals::CheckName;
using fact_internals::THashFeed;

namespace {

// The text a multislot error shows: the value as a string where it reads
// as one, else its printed form.
std::string DefaultText(const TIEValue& Value) {
  return IEStringTypes.Contains(Value.GetDType()) ? Value.GetText() : Value.GetToString();
}

}  // namespace

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

}  // namespace ie
