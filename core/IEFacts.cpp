#include "core/IEFacts.h"

#include <utility>

#include "core/FactInternals.h"
#include "core/IEFactPrinter.h"
#include "runtime/Conversions.h"
#include "runtime/Format.h"

namespace ie {

using fact_internals::THashFeed;

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
