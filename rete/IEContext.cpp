#include "rete/IEContext.h"

#include <algorithm>
#include <atomic>
#include <new>

#include "core/IEFuzzyLogic.h"
#include "runtime/Format.h"

namespace ie {

// TBindingInfo

void TBindingInfo::Assign(TPersistent* Source) {
  const auto* Info = dynamic_cast<const TBindingInfo*>(Source);
  if (Info == nullptr) {
    TCustomBindingInfo::Assign(Source);
    return;
  }
  FSubIndex = Info->FSubIndex;
  FFactIndex = Info->FFactIndex;
  FSlotIndex = Info->FSlotIndex;
}

bool TBindingInfo::Equals(const TObject* Other) const {
  const auto* Info = dynamic_cast<const TBindingInfo*>(Other);
  return Info != nullptr && FFactIndex == Info->FFactIndex && FSlotIndex == Info->FSlotIndex &&
         FSubIndex == Info->FSubIndex;
}

std::string TBindingInfo::GetToString() const {
  std::string Text = Format("FactIdx=%d SlotIdx=%s", FFactIndex, FSlotIndex);
  if (FSubIndex != NoSubIndex) Text += Format(" SubIdx=%d", FSubIndex);
  return Text;
}

// TBinding

void TBinding::Assign(TPersistent* Source) {
  if (const auto* Binding = dynamic_cast<const TBinding*>(Source)) {
    FName = Binding->FName;
    FValue = Binding->FValue;
  }
  TBindingInfo::Assign(Source);
}

bool TBinding::Equals(const TObject* Other) const {
  if (!TBindingInfo::Equals(Other)) return false;
  const auto* Binding = dynamic_cast<const TBinding*>(Other);
  if (Binding == nullptr || FName != Binding->FName) return false;
  return FValue == Binding->FValue || (FValue && FValue->Equals(Binding->FValue));
}

std::string TBinding::GetToString() const {
  std::string Text = "name=" + FName;
  if (FValue) Text += " value=" + FValue->GetToString();
  return Text + " " + TBindingInfo::GetToString();
}

// TBindings

TBinding* TBindings::Find(std::string_view Name) const {
  if (FIndex) {
    auto It = FIndex->find(Name);
    return It != FIndex->end() ? It->second : nullptr;
  }
  for (const TOwned<TBinding>& Item : FItems) {
    if (Item->GetName() == Name) return Item.get();
  }
  return nullptr;
}

TBinding* TBindings::Add(TBinding* Binding) {
  TOwned<TBinding> Owned(Binding);
  const std::string_view Name = Binding->GetName();
  if (Find(Name) == nullptr) {
    FItems.push_back(std::move(Owned));
  } else {
    // The index key views the old binding's name: drop it before that
    // binding is freed.
    if (FIndex) FIndex->erase(Name);
    *Position(Name) = std::move(Owned);
  }
  if (FIndex) {
    FIndex->emplace(Name, Binding);
  } else if (FItems.size() >= IndexThreshold) {
    BuildIndex();
  }
  Notify(tnAdded);
  return Binding;
}

bool TBindings::Remove(std::string_view Name) {
  if (Find(Name) == nullptr) return false;
  if (FIndex) FIndex->erase(Name);
  const auto It = Position(Name);
  // Freed only after the owner heard of it, as the binding may be in use.
  TOwned<TBinding> Removed = std::move(*It);
  FItems.erase(It);
  Notify(tnDeleted);
  return true;
}

std::vector<TOwned<TBinding>>::iterator TBindings::Position(std::string_view Name) {
  return std::find_if(FItems.begin(), FItems.end(),
                      [Name](const TOwned<TBinding>& Item) { return Item->GetName() == Name; });
}

void TBindings::Clear() {
  FIndex.reset();
  FItems.clear();
  Notify(tnCleared);
}

void TBindings::Notify(TTableNotification Notification) {
  if (FOwner != nullptr) FOwner->Notify(Notification);
}

void TBindings::BuildIndex() {
  FIndex = std::make_unique<std::unordered_map<std::string_view, TBinding*>>();
  FIndex->reserve(FItems.size() * 2);
  for (const TOwned<TBinding>& Item : FItems) FIndex->emplace(Item->GetName(), Item.get());
}

// TBindingFrame

int32_t TBindingFrame::IndexOf(std::string_view Name) const {
  for (size_t I = 0; I < FNames.size(); ++I) {
    if (FNames[I] == Name) return static_cast<int32_t>(I);
  }
  return -1;
}

int32_t TBindingFrame::Add(std::string_view Name) {
  const int32_t Index = IndexOf(Name);
  if (Index >= 0) return Index;
  FNames.emplace_back(Name);
  return GetCount() - 1;
}

void TBindingFrame::Clear() {
  FNames.clear();
  FKey = NewKey();
}

uint32_t TBindingFrame::NewKey() {
  // Frames of every engine draw from one counter, so a variable value never
  // mistakes one frame for another; 0 stays "found nowhere".
  static std::atomic<uint32_t> LastKey{0};
  uint32_t Key = ++LastKey;
  while (Key == 0) Key = ++LastKey;
  return Key;
}

// TIEContext

TIEContext::TIEContext(TIEContext* Parent, TCustomFactEngine* Engine)
    : FEngine(Engine), FBindings(this), FParent(Parent) {}

TIEContext::~TIEContext() {
  for (TIEContext* Spare : FSpares) Spare->Free();
}

void TIEContext::SetReturnValue(IIEValue Value) {
  FReturnValue = std::move(Value);
  FReturnFlag = true;
}

void TIEContext::ClearReturnValue() {
  FReturnFlag = false;
  FReturnValue = nullptr;
}

void TIEContext::Assign(const TIEContext& Source) {
  FReturnFlag = Source.FReturnFlag;
  FReturnValue = Source.FReturnValue ? Source.FReturnValue->Clone() : nullptr;
}

void TIEContext::Notify(TTableNotification Notification) {
  switch (Notification) {
    case tnAdded:
    case tnDeleted:
      return;
    case tnCleared:
      ClearReturnValue();
      return;
  }
}

TBinding* TIEContext::FindBinding(std::string_view Name) const {
  for (const TIEContext* Context = this; Context != nullptr; Context = Context->FParent) {
    if (TBinding* Binding = Context->FBindings.Find(Name)) return Binding;
  }
  return nullptr;
}

TBinding* TIEContext::FindGlobalBinding(std::string_view Name) const {
  const TIEContext* Root = this;
  while (Root->FParent != nullptr) Root = Root->FParent;
  return Root->FBindings.Find(Name);
}

TIEContext* TIEContext::GetRoot() {
  TIEContext* Root = this;
  while (Root->FParent != nullptr) Root = Root->FParent;
  return Root;
}

IIEValue TIEContext::GetVariable(std::string_view Name) const {
  const IIEValue* Value = Lookup(Name);
  if (Value == nullptr) throw EIEException(Format(SUnknownVariable, Name));
  return *Value;
}

void TIEContext::SetVariable(std::string_view Name, IIEValue Value) {
  // Looking in the own table first and then outwards is exactly the lookup
  // of AddBinding.
  AddBinding(Name, std::move(Value));
}

TBinding* TIEContext::AddGlobalBinding(std::string_view Name, IIEValue Value) {
  TIEContext* Root = GetRoot();
  if (TBinding* Binding = Root->FBindings.Find(Name)) {
    Binding->SetValue(std::move(Value));
    return Binding;
  }
  return Root->FBindings.Add(Create<TBinding>(std::string(Name), std::move(Value)));
}

TBinding* TIEContext::AddLocalBinding(std::string_view Name, IIEValue Value) {
  return FBindings.Add(Create<TBinding>(std::string(Name), std::move(Value)));
}

TBinding* TIEContext::AddBinding(std::string_view Name, int32_t FactIndex,
                                 std::string_view SlotIndex, int32_t SubIndex) {
  return FBindings.Add(
      Create<TBinding>(std::string(Name), FactIndex, std::string(SlotIndex), SubIndex));
}

TBinding* TIEContext::AddBinding(std::string_view Name, IIEValue Value) {
  for (TIEContext* Context = this; Context != nullptr; Context = Context->FParent) {
    if (TBinding* Binding = Context->FBindings.Find(Name)) {
      Binding->SetValue(std::move(Value));
      return Binding;
    }
    const int32_t Index = Context->BoundFrameIndex(Name);
    if (Index >= 0) {
      Context->FFrameValues[Index] = std::move(Value);
      return nullptr;
    }
  }
  return AddLocalBinding(Name, std::move(Value));
}

void TIEContext::SetFrame(const TBindingFrame* Frame) {
  FFrame = Frame;
  FFrameKey = Frame != nullptr ? Frame->GetKey() : 0;
  FFrameValues.assign(Frame != nullptr ? Frame->GetCount() : 0, nullptr);
}

int32_t TIEContext::BoundFrameIndex(std::string_view Name) const {
  // A frame whose names changed after it was bound here binds nothing.
  if (FFrame == nullptr || FFrame->GetKey() != FFrameKey) return -1;
  const int32_t Index = FFrame->IndexOf(Name);
  return Index >= 0 && FFrameValues[Index] ? Index : -1;
}

void TIEContext::Clear() {
  FBindings.Clear();
  SetFrame(nullptr);
  ClearReturnValue();
}

TIEContext* TIEContext::Push() {
  TIEContext* Root = GetRoot();
  if (Root->FSpares.empty()) return Create<TIEContext>(this, FEngine);
  TIEContext* Child = Root->FSpares.back();
  Root->FSpares.pop_back();
  Child->FParent = this;
  Child->FEngine = FEngine;
  return Child;
}

void TIEContext::Recycle() {
  // As many as calls nest at most; more would only hold memory.
  constexpr size_t MaxSpares = 64;
  TIEContext* Root = FParent != nullptr ? GetRoot() : nullptr;
  if (Root == nullptr || Root->FSpares.size() >= MaxSpares || ClassType() != StaticClass()) {
    Free();
    return;
  }
  Clear();
  FFact = nullptr;
  FToken = nullptr;
  // Called from destructors: with no room to keep it, it is freed.
  try {
    Root->FSpares.push_back(this);
  } catch (const std::bad_alloc&) {
    Free();
  }
}

TIEContext* TIEContext::Pop() {
  if (FParent == nullptr) return this;
  FParent->FReturnFlag = FReturnFlag;
  FParent->FReturnValue = FReturnValue;
  return FParent;
}

// Lists and facts

IValueVector TIEContext::ExpandList(const IValueVector& List) {
  IValueVector Result = new TValueVector();
  if (List) ExpandInto(*List, *Result);
  return Result;
}

void TIEContext::ExpandInto(const TValueVector& List, TValueVector& Result) {
  for (const IIEValue& Element : List) {
    IIEValue Resolved = Element ? Element->Resolve(this) : Element;
    if (Resolved && Resolved->GetDType() == dtList) {
      if (const IValueVector Nested = Resolved->GetAsList()) ExpandInto(*Nested, Result);
    } else {
      Result.Add(std::move(Resolved));
    }
  }
}

IValueVector TIEContext::FlattenList(const IValueVector& List) {
  IValueVector Result = new TValueVector();
  if (List) FlattenInto(*List, *Result);
  return Result;
}

void TIEContext::FlattenInto(const TValueVector& List, TValueVector& Result) {
  for (const IIEValue& Element : List) {
    if (Element && Element->GetDType() == dtList) {
      if (const IValueVector Nested = Element->GetAsList()) FlattenInto(*Nested, Result);
    } else {
      Result.Add(Element);
    }
  }
}

IFact TIEContext::Resolve(const IFact& Fact) {
  const IFactTemplate& Template = Fact->GetTemplate();
  // The layout is held: resolving may run functions that change the
  // template's slots.
  const ISlotLayout Layout = Template->GetLayout();
  const bool Fuzzy = Template->IsFuzzy();
  for (int32_t I = 0; I < Layout->GetCount(); ++I) {
    const std::string& Name = Layout->GetName(I);
    const IIEValue Current = Fact->GetValue(Name);
    IIEValue Value = Current->Resolve(this);
    if (Fuzzy) {
      Value = ResolveFuzzy(*Layout->GetSlot(I), std::move(Value));
    } else if (Value && Value->GetDType() == dtList) {
      Value = new TIEValue(ExpandList(Value->GetAsList()));
    }
    if (Value != Current) Fact->SetValue(Name, std::move(Value));
  }
  return Fact;
}

IIEValue TIEContext::ResolveFuzzy(const TFactSlot& Slot, IIEValue Value) {
  if (!Value) return Value;
  const IIEDefinedType& Type = Slot.GetExtendedTypeInfo();
  const IFuzzyVariable NoVariable;
  const IFuzzyVariable& Variable = Type ? Type->GetFuzzyType() : NoVariable;
  const auto IsFuzzy = [](const IIEValue& V) { return V && V->GetDType() == dtFuzzy; };
  const bool HeldInList = Value->GetDType() == dtList && Value->GetAsList() &&
                          Value->GetAsList()->GetCount() == 1 &&
                          IsFuzzy(Value->GetAsList()->Get(0));
  if (Slot.IsFuzzy() && !IsFuzzy(Value) && !HeldInList) {
    // A crisp value, a term, or an expression over the slot's variable.
    IIEValue Result = EvalFuzzyExpression(Variable, Value, this);
    if (!Result) return Value;
    if (Slot.GetSlotType().Contains(dtList) && Result->GetDType() != dtList) {
      IValueVector List = new TValueVector();
      List->Add(Result);
      Result = new TIEValue(List);
    }
    return Result;
  }
  if (IsFuzzy(Value) && Variable) {
    const IFuzzySet Set = Value->GetAsFuzzy();
    if (Set && Set->GetVariable() == nullptr) Set->SetVariable(Variable.Get());
  }
  return Value;
}

// Resolving for values

IIEValue TIEContext::FindBindingValue(std::string_view Name) const {
  const IIEValue* Value = Lookup(Name);
  return Value != nullptr ? *Value : nullptr;
}

const IIEValue* TIEContext::Lookup(std::string_view Name) const {
  for (const TIEContext* Context = this; Context != nullptr; Context = Context->FParent) {
    if (const TBinding* Binding = Context->FBindings.Find(Name)) return &Binding->GetValue();
    const int32_t Index = Context->BoundFrameIndex(Name);
    if (Index >= 0) return &Context->FFrameValues[Index];
  }
  return nullptr;
}

IIEValue TIEContext::FindVariableValue(TIEValue& Variable) const {
  for (const TIEContext* Context = this; Context != nullptr; Context = Context->FParent) {
    if (Context->FBindings.GetCount() > 0) {
      if (const TBinding* Binding = Context->FBindings.Find(Variable.GetText())) {
        return Binding->GetValue();
      }
    }
    if (Context->FFrame == nullptr) continue;
    if (Variable.GetFrameKey() == Context->FFrameKey) {
      if (const IIEValue& Value = Context->FFrameValues[Variable.GetFrameIndex()]) return Value;
      continue;
    }
    const int32_t Index = Context->BoundFrameIndex(Variable.GetText());
    if (Index < 0) continue;
    Variable.SetFrameSlot(Context->FFrameKey, Index);
    return Context->FFrameValues[Index];
  }
  return nullptr;
}

IIEValue TIEContext::ResolveBindingAddress(const TCustomBindingInfo& Address) const {
  // TBindingInfo is the only binding address there is.
  const auto& Info = static_cast<const TBindingInfo&>(Address);
  const int32_t Index = Info.GetFactIndex();
  const int32_t Count = FToken ? FToken->GetCount() : 0;
  TFact* Fact = nullptr;
  if (Index == Count && FFact) {
    Fact = FFact.Get();
  } else if (Index >= 0 && Index < Count) {
    Fact = FToken->GetFacts(Index).Get();
  }
  if (Fact == nullptr) throw EIEException(Format(SBindingWithoutFact, Info.GetToString()));
  if (Info.GetSlotIndex() == SPatternBinding) return new TIEValue(Fact->GetID(), dtFactId);
  IIEValue Value = Fact->GetValue(Info.GetSlotIndex());
  if (Info.GetSubIndex() == NoSubIndex) return Value;
  return Value->GetAsList()->Get(Info.GetSubIndex());
}

}  // namespace ie
