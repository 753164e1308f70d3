#include "core/IEValue.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <limits>

#include "core/IEFuzzyLogic.h"
#include "libs/Hashing.h"
#include "runtime/Conversions.h"
#include "runtime/Format.h"
#include "runtime/Owned.h"
#include "runtime/RuntimeConsts.h"
#include "runtime/ScopeGuard.h"

namespace ie {

// A value is made for every datum: its size is the engine's memory.
static_assert(sizeof(TIEValue) <= 64);

namespace {

// Truncation toward zero of a double that fits in 32 bits.
bool TruncToInteger(double Value, int32_t& Result) {
  const double Truncated = std::trunc(Value);
  if (!(Truncated >= std::numeric_limits<int32_t>::min() &&
        Truncated <= std::numeric_limits<int32_t>::max())) {
    return false;
  }
  Result = static_cast<int32_t>(Truncated);
  return true;
}

TObject* DuplicateOwnedObject(TObject* Obj) {
  TPersistent* Source = dynamic_cast<TPersistent*>(Obj);
  if (Source == nullptr || !Obj->ClassType()->IsConstructible()) {
    throw EIEException(Format(SUncloneableValue, Obj->ClassName()));
  }
  auto* Component = dynamic_cast<TComponent*>(Obj);
  TOwned<TObject> Copy(
      Obj->ClassType()->NewInstance(Component != nullptr ? Component->GetOwner() : nullptr));
  static_cast<TPersistent*>(Copy.get())->Assign(Source);
  return Copy.release();
}

void FreeOwnedObject(TObject* Obj) {
  auto* Component = dynamic_cast<TComponent*>(Obj);
  if (Component != nullptr && Component->GetComponentState().Contains(csDestroying)) return;
  Obj->Free();
}

TIEValue* MakeConstant(TIEValue* Value) {
  Value->_AddRef();  // never released: the constants live as long as the process
  return Value;
}

}  // namespace

TNumberText::TNumberText(int64_t Value) {
  FLength = std::to_chars(FBuffer, FBuffer + sizeof FBuffer, Value).ptr - FBuffer;
}

TNumberText::TNumberText(double Value) {
  std::string_view Special;
  if (std::isnan(Value)) {
    Special = "NAN";
  } else if (std::isinf(Value)) {
    Special = Value < 0 ? "-INF" : "INF";
  } else {
    FLength = WriteFloatText(Value, FBuffer);
    return;
  }
  FLength = Special.copy(FBuffer, Special.size());
}

void TIEValueNexus::Notification(TComponent* Component, TOperation Operation) {
  TComponent::Notification(Component, Operation);
  // The value may free this nexus; nothing of it is touched afterwards.
  FValue->Notification(Component, Operation);
}

// A value that refers to an object it does not own, or owns one that is
// not a component, watches it, so that freeing the object elsewhere
// (free-object) leaves the value holding no object rather than a dangling
// pointer that a later call would follow or free again. Owned components
// are watched by the nexus.
class TIEValue::TObjectWatch final : public TFreeWatcher {
 public:
  TObjectWatch(TIEValue* Value, TObject* Obj) : FValue(Value), FObject(Obj) {
    WatchFree(Obj, this);
  }
  TObjectWatch(const TObjectWatch&) = delete;
  TObjectWatch& operator=(const TObjectWatch&) = delete;
  ~TObjectWatch() {
    if (FObject != nullptr) UnwatchFree(FObject, this);
  }

  void ObjectFreed(TObject*) override {
    FObject = nullptr;
    FValue->FData.Object = nullptr;
    FValue->FExtra->Owned = false;
  }

 private:
  TIEValue* FValue;
  TObject* FObject;
};

TIEValue::TExtra::TExtra() = default;
TIEValue::TExtra::~TExtra() = default;

// Construction

TIEValue::TIEValue() = default;

TIEValue::TIEValue(int32_t Value, TIEType DType) {
  if (!IEIntegerTypes.Contains(DType)) throw EIEException(SValueTypeMismatch);
  FDType = DType;
  FData.Integer = Value;
}

TIEValue::TIEValue(std::string Value, TIEType DType) {
  if (!IEStringTypes.Contains(DType)) throw EIEException(SValueTypeMismatch);
  FDType = DType;
  FText = std::move(Value);
}

TIEValue::TIEValue(double Value) {
  FDType = dtFloat;
  FData.Float = Value;
}

TIEValue::TIEValue(const IFuzzySet& Set) { StoreShared(dtFuzzy, Set.Get()); }

IIEValue TIEValue::Integer(int32_t Value) { return new TIEValue(Value, dtInteger); }

IIEValue TIEValue::Float(double Value) { return new TIEValue(Value); }

IIEValue TIEValue::Atom(std::string Name) { return new TIEValue(std::move(Name), dtAtom); }

IIEValue TIEValue::String(std::string Text) { return new TIEValue(std::move(Text), dtString); }

IIEValue TIEValue::List(std::initializer_list<IIEValue> Values) {
  IValueVector Vector = new TValueVector();
  for (const IIEValue& Value : Values) Vector->Add(Value);
  return List(Vector);
}

IIEValue TIEValue::List(const IValueVector& Values) { return new TIEValue(Values); }

TIEValue::TIEValue(const IIEValue& Source) { Assign(IInterface(Source)); }

TIEValue::TIEValue(TObject* Obj, bool Owned) {
  if (Owned) {
    StoreOwnedObject(Obj);
  } else {
    StoreObject(Obj);
  }
}

TIEValue::TIEValue(void* Address) {
  FDType = dtExternalAddress;
  FData.Pointer = Address;
}

TIEValue::TIEValue(TClass Class) {
  FDType = dtClass;
  FData.Class = Class;
}

TIEValue::~TIEValue() { ReleaseContent(); }

void TIEValue::BeforeDestruction() {
  if (FExtra) FExtra->OnChange = nullptr;
  Reset();
  if (FExtra && FExtra->Nexus != nullptr) FreeAndNil(FExtra->Nexus);
  ICloneable::BeforeDestruction();
}

TIEValue::TExtra& TIEValue::Extra() {
  if (!FExtra) FExtra = std::make_unique<TExtra>();
  return *FExtra;
}

// Change tracking

void TIEValue::ReleaseContent() {
  if (FDType == dtObject && FExtra && FExtra->Watch) FExtra->Watch.reset();
  if (FDType == dtObject && FExtra && FExtra->Owned) {
    if (FExtra->Nexus != nullptr) FreeAndNil(FExtra->Nexus);
    FExtra->Owned = false;
    TObject* Obj = FData.Object;
    FData.Object = nullptr;
    FDType = dtNone;
    if (Obj != nullptr) FreeOwnedObject(Obj);
  }
  if (IESharedTypes.Contains(FDType)) {
    ICloneable* Shared = FData.Shared;
    FData.Shared = nullptr;
    FDType = dtNone;
    if (Shared != nullptr) Shared->_Release();
  }
}

void TIEValue::Changing(TIEType) { ReleaseContent(); }

void TIEValue::Changed() {
  if (FExtra && FExtra->OnChange) FExtra->OnChange(this);
}

void TIEValue::Reset() {
  Changing(dtNone);
  FData = {};
  FText.clear();
  FDType = dtNone;
}

void TIEValue::Notification(TComponent* Component, TOperation Operation) {
  if (Operation == opRemove && IsOwningObject() && Component == FData.Object) {
    Reset();
  }
}

// Setters

void TIEValue::SetText(TIEType DType, std::string Value) {
  Changing(DType);
  FData = {};
  FText = std::move(Value);
  FDType = DType;
  Changed();
}

void TIEValue::SetInteger(TIEType DType, int32_t Value) {
  Changing(DType);
  FData.Integer = Value;
  FDType = DType;
  Changed();
}

void TIEValue::SetAsFloat(double Value) {
  Changing(dtFloat);
  FData.Float = Value;
  FDType = dtFloat;
  Changed();
}

void TIEValue::SetAsExternalAddress(void* Value) {
  Changing(dtExternalAddress);
  FData.Pointer = Value;
  FDType = dtExternalAddress;
  Changed();
}

void TIEValue::SetAsObject(TObject* Value) {
  Changing(dtObject);
  StoreObject(Value);
  Changed();
}

void TIEValue::SetAsOwnedObject(TObject* Value) {
  Changing(dtObject);
  StoreOwnedObject(Value);
  Changed();
}

void TIEValue::SetAsClass(TClass Value) {
  Changing(dtClass);
  FData.Class = Value;
  FDType = dtClass;
  Changed();
}

void TIEValue::SetAsList(const IValueVector& Value) { SetShared(dtList, Value.Get()); }

void TIEValue::SetAsSingletons(const ISingletonsVector& Value) {
  SetShared(dtSingletons, Value.Get());
}

void TIEValue::SetShared(TIEType DType, ICloneable* Shared) {
  // Held before the old content goes: the new object may be reachable only
  // through the old one.
  if (Shared != nullptr) Shared->_AddRef();
  Changing(DType);
  FData.Shared = Shared;
  FDType = DType;
  Changed();
}

void TIEValue::StoreShared(TIEType DType, ICloneable* Shared) {
  if (Shared != nullptr) Shared->_AddRef();
  FData.Shared = Shared;
  FDType = DType;
}

void TIEValue::StoreOwnedObject(TObject* Obj) {
  FData.Object = Obj;
  FDType = dtObject;
  if (Obj == nullptr) return;
  // Owned from the call on: an object the value cannot watch is freed.
  TScopeGuard Release([&] {
    if (FExtra) {
      ReleaseContent();
      return;
    }
    FData.Object = nullptr;
    FDType = dtNone;
    FreeOwnedObject(Obj);
  });
  Extra().Owned = true;
  if (auto* Component = dynamic_cast<TComponent*>(Obj)) {
    FExtra->Nexus = Create<TIEValueNexus>(nullptr, this);
    Component->FreeNotification(FExtra->Nexus);
  } else {
    FExtra->Watch = std::make_unique<TObjectWatch>(this, Obj);
  }
  Release.Dismiss();
}

void TIEValue::StoreObject(TObject* Obj) {
  FData.Object = Obj;
  FDType = dtObject;
  if (Obj != nullptr) Extra().Watch = std::make_unique<TObjectWatch>(this, Obj);
}

bool TIEValue::IsOwningObject() const { return FDType == dtObject && FExtra && FExtra->Owned; }

int32_t TIEValue::GetTag() const { return FExtra ? FExtra->Tag : 0; }

void TIEValue::SetTag(int32_t Tag) {
  if (Tag != 0 || FExtra) Extra().Tag = Tag;
}

const TIEValueChangeEvent& TIEValue::GetOnChange() const {
  static const TIEValueChangeEvent None;
  return FExtra ? FExtra->OnChange : None;
}

void TIEValue::SetOnChange(TIEValueChangeEvent Handler) {
  if (Handler || FExtra) Extra().OnChange = std::move(Handler);
}

// Getters

void TIEValue::RaiseNotA(const char* Word) const {
  throw EIEException(Format(SNotAType, Word, GetToString(), IETypeName(FDType)));
}

std::string TIEValue::GetAsText() const {
  switch (FDType) {
    case dtAtom:
    case dtString:
    case dtVariable:
    case dtMultiVariable:
    case dtSlot:
    case dtMultiSlot:
      return FText;
    case dtInteger:
      return IntToStr(FData.Integer);
    case dtFloat:
      return std::string(TNumberText(FData.Float).Get());
    case dtFuzzy:
      return FData.Shared != nullptr ? FData.Shared->GetToString() : std::string();
    case dtNone:
    case dtFactId:
    case dtFunCall:
    case dtFact:
    case dtList:
    case dtDescriptor:
    case dtObject:
    case dtClass:
    case dtExternalAddress:
    case dtSingletons:
      break;
  }
  RaiseNotA(SStringWord);
}

int32_t TIEValue::GetAsInteger() const {
  int32_t Result = 0;
  switch (FDType) {
    case dtInteger:
    case dtFactId:
    case dtDescriptor:
      return FData.Integer;
    case dtExternalAddress:
      return static_cast<int32_t>(reinterpret_cast<intptr_t>(FData.Pointer));
    case dtFloat:
      if (TruncToInteger(FData.Float, Result)) return Result;
      break;
    case dtAtom:
    case dtString: {
      double Number = 0;
      if (TryStrToInt(FText, Result)) return Result;
      if (TryStrToFloat(FText, Number) && TruncToInteger(Number, Result)) return Result;
      break;
    }
    case dtFuzzy: {
      // Halves round to the even neighbour in the default rounding mode.
      const double Rounded =
          std::nearbyint(static_cast<const TIFuzzySet*>(FData.Shared)->GetNumericValue());
      if (TruncToInteger(Rounded, Result)) return Result;
      break;
    }
    case dtNone:
    case dtVariable:
    case dtFunCall:
    case dtFact:
    case dtList:
    case dtObject:
    case dtClass:
    case dtSingletons:
    case dtMultiVariable:
    case dtSlot:
    case dtMultiSlot:
      break;
  }
  RaiseNotA(SIntegerWord);
}

int32_t TIEValue::GetAsFactId() const {
  if (!IEFactTypes.Contains(FDType)) RaiseNotA(SFactIdWord);
  if (FDType != dtFloat) return FData.Integer;
  int32_t Result = 0;
  if (!TruncToInteger(FData.Float, Result)) RaiseNotA(SFactIdWord);
  return Result;
}

int32_t TIEValue::GetAsDescriptor() const {
  if (FDType != dtDescriptor) RaiseNotA(SDescriptorWord);
  return FData.Integer;
}

double TIEValue::GetAsFloat() const {
  switch (FDType) {
    case dtInteger:
    case dtFactId:
    case dtDescriptor:
      return FData.Integer;
    case dtFloat:
      return FData.Float;
    case dtAtom:
    case dtString: {
      if (this == FCNil) return 0.0;
      double Number = 0;
      if (TryStrToFloat(FText, Number)) return Number;
      break;
    }
    case dtFuzzy:
      return static_cast<const TIFuzzySet*>(FData.Shared)->GetNumericValue();
    case dtNone:
    case dtVariable:
    case dtFunCall:
    case dtFact:
    case dtList:
    case dtObject:
    case dtClass:
    case dtExternalAddress:
    case dtSingletons:
    case dtMultiVariable:
    case dtSlot:
    case dtMultiSlot:
      break;
  }
  RaiseNotA(SNumericWord);
}

void* TIEValue::GetAsExternalAddress() const {
  if (FDType == dtObject) return FData.Object;
  if (FDType != dtExternalAddress) RaiseNotA(SExternalAddressWord);
  return FData.Pointer;
}

TObject* TIEValue::GetAsObject() const {
  if (FDType != dtObject) RaiseNotA(SObjectWord);
  return FData.Object;
}

TClass TIEValue::GetAsClass() const {
  if (FDType != dtClass) RaiseNotA(SClassWord);
  return FData.Class;
}

ICloneable* TIEValue::GetShared(TIEType DType, const char* Word) const {
  if (FDType != DType) RaiseNotA(Word);
  return FData.Shared;
}

IValueVector TIEValue::GetAsList() const {
  return IValueVector(static_cast<TValueVector*>(GetShared(dtList, SListWord)));
}

ISingletonsVector TIEValue::GetAsSingletons() const {
  return ISingletonsVector(
      static_cast<TSingletonsVector*>(GetShared(dtSingletons, SSingletonsWord)));
}

IFuzzySet TIEValue::GetAsFuzzy() const {
  return IFuzzySet(static_cast<TIFuzzySet*>(GetShared(dtFuzzy, SFuzzyValueWord)));
}

// Copies

IIEValue TIEValue::Clone() const {
  IIEValue Copy = new TIEValue();
  Copy->Assign(const_cast<TIEValue*>(this));
  return Copy;
}

IInterface TIEValue::CloneInterface() const { return Clone(); }

void TIEValue::Assign(TPersistent* Source) {
  auto* Value = dynamic_cast<TIEValue*>(Source);
  if (Value == nullptr) {
    ICloneable::Assign(Source);
    return;
  }
  if (Value == this) return;
  Reset();
  if (Value->IsOwningObject()) {
    StoreOwnedObject(DuplicateOwnedObject(Value->FData.Object));
  } else {
    FText = Value->FText;
    FData = Value->FData;
    FDType = Value->FDType;
    if (IESharedTypes.Contains(FDType) && FData.Shared != nullptr) FData.Shared->_AddRef();
    if (FDType == dtObject) StoreObject(FData.Object);
  }
  SetTag(Value->GetTag());
  Changed();
}

void TIEValue::Assign(const IInterface& Source) {
  const IIEValue Value = Source.TryAs<TIEValue>();
  if (!Value) AssignError(Source.Get());
  if (Value == this) return;
  Reset();
  SetTag(Value->GetTag());
  switch (Value->FDType) {
    case dtNone:
      break;
    case dtAtom:
    case dtString:
    case dtVariable:
    case dtMultiVariable:
    case dtSlot:
    case dtMultiSlot:
      FText = Value->FText;
      break;
    case dtInteger:
    case dtFactId:
    case dtDescriptor:
      FData.Integer = Value->FData.Integer;
      break;
    case dtFloat:
      FData.Float = Value->FData.Float;
      break;
    case dtExternalAddress:
      FData.Pointer = Value->FData.Pointer;
      break;
    case dtClass:
      FData.Class = Value->FData.Class;
      break;
    case dtFunCall:
    case dtFact:
    case dtSingletons:
    case dtFuzzy:
      StoreShared(Value->FDType, Value->FData.Shared);
      break;
    case dtList: {
      const IValueVector Source = Value->GetAsList();
      const IValueVector Copy = Source ? Source->Clone() : IValueVector();
      StoreShared(dtList, Copy.Get());
      break;
    }
    case dtObject:
      if (Value->IsOwningObject()) {
        StoreOwnedObject(DuplicateOwnedObject(Value->FData.Object));
      } else {
        StoreObject(Value->FData.Object);
      }
      break;
  }
  FDType = Value->FDType;
  Changed();
}

void TIEValue::AssignTo(TPersistent* Dest) {
  auto* Value = dynamic_cast<TIEValue*>(Dest);
  if (Value == nullptr) {
    ICloneable::AssignTo(Dest);
    return;
  }
  TIEValue& Target = *Value;
  switch (FDType) {
    case dtNone:
      Target.Reset();
      break;
    case dtAtom:
      Target.SetAsAtom(FText);
      break;
    case dtString:
      Target.SetAsString(FText);
      break;
    case dtVariable:
      Target.SetAsVariable(FText);
      break;
    case dtMultiVariable:
      Target.SetAsMultiVariable(FText);
      break;
    case dtSlot:
      Target.SetAsSlot(FText);
      break;
    case dtMultiSlot:
      Target.SetAsMultiSlot(FText);
      break;
    case dtInteger:
      Target.SetAsInteger(FData.Integer);
      break;
    case dtFactId:
      Target.SetAsFactId(FData.Integer);
      break;
    case dtDescriptor:
      Target.SetAsDescriptor(FData.Integer);
      break;
    case dtFloat:
      Target.SetAsFloat(FData.Float);
      break;
    case dtExternalAddress:
      Target.SetAsExternalAddress(FData.Pointer);
      break;
    case dtClass:
      Target.SetAsClass(FData.Class);
      break;
    case dtFunCall:
    case dtFact:
      Target.SetShared(FDType, FData.Shared);
      break;
    case dtList:
      Target.SetAsList(FData.Shared != nullptr ? GetAsList()->Clone() : IValueVector());
      break;
    case dtSingletons:
      Target.SetAsSingletons(GetAsSingletons());
      break;
    case dtFuzzy:
      Target.SetAsFuzzy(GetAsFuzzy());
      break;
    case dtObject:
      if (IsOwningObject()) {
        Target.SetAsOwnedObject(DuplicateOwnedObject(FData.Object));
      } else {
        Target.SetAsObject(FData.Object);
      }
      break;
  }
}

// Comparison

bool TIEValue::CompareByKind(const TIEValue& Other) const {
  switch (FDType) {
    case dtNone:
      return true;
    case dtAtom:
    case dtString:
    case dtVariable:
    case dtMultiVariable:
    case dtSlot:
    case dtMultiSlot:
      if (IEStringTypes.Contains(Other.FDType)) return FText == Other.FText;
      return FText == Other.GetAsText();
    case dtInteger:
    case dtFactId:
    case dtDescriptor:
      return Other.GetAsInteger() == FData.Integer;
    case dtFloat:
      return Other.GetAsFloat() == FData.Float;
    case dtFunCall:
    case dtFact:
    case dtList:
    case dtSingletons: {
      const char* Word = FDType == dtFact      ? SFactWord
                         : FDType == dtFunCall ? SFunctionCallWord
                         : FDType == dtList    ? SListWord
                                               : SSingletonsWord;
      ICloneable* Theirs = Other.GetShared(FDType, Word);
      // A kind without its object equals only another such value.
      if (FData.Shared == nullptr || Theirs == nullptr) return FData.Shared == Theirs;
      return FData.Shared->Equals(IInterface(Theirs));
    }
    case dtObject:
      return Other.GetAsObject() == FData.Object;
    case dtExternalAddress:
      return Other.GetAsExternalAddress() == FData.Pointer;
    case dtClass:
      return Other.GetAsClass() == FData.Class;
    case dtFuzzy:
      if (FData.Shared == nullptr) return Other.FDType == dtFuzzy && Other.FData.Shared == nullptr;
      return FData.Shared->Equals(IInterface(const_cast<TIEValue*>(&Other)));
  }
  return false;
}

bool TIEValue::Equals(const IIEValue& Other) const {
  if (Other == this) return true;
  if (!Other) return false;
  if (Other->FDType != FDType && FDType != dtFuzzy) {
    return Other->FDType == dtFuzzy && Other->Equals(IIEValue(const_cast<TIEValue*>(this)));
  }
  return CompareByKind(*Other);
}

bool TIEValue::Equals(const IInterface& Other) const {
  const IIEValue Value = Other.TryAs<TIEValue>();
  return Value && Equals(Value);
}

bool TIEValue::EqualsStar(const IIEValue& Other) const {
  if (Other == this) return true;
  if (!Other) return false;
  if (FDType == dtFunCall && Other->FDType != dtFunCall) return false;
  if (FDType != dtFuzzy && Other->FDType == dtFuzzy) {
    return Other->EqualsStar(IIEValue(const_cast<TIEValue*>(this)));
  }
  return CompareByKind(*Other);
}

int32_t TIEValue::GetHashCode() const {
  switch (FDType) {
    case dtNone:
      return 0;
    case dtAtom:
    case dtString:
    case dtVariable:
    case dtMultiVariable:
    case dtSlot:
    case dtMultiSlot:
      return HashString(FText);
    case dtFuzzy:
      return HashString(GetAsText());
    case dtInteger:
    case dtFactId:
    case dtDescriptor:
      return FData.Integer;
    case dtFloat: {
      // Its truncation, as AsInteger reads it; numbers beyond 32 bits
      // hash by their bits so that hashing never fails.
      int32_t Truncated = 0;
      if (TruncToInteger(FData.Float, Truncated)) return Truncated;
      const auto Bits = std::bit_cast<uint64_t>(FData.Float);
      return static_cast<int32_t>(Bits ^ (Bits >> 32));
    }
    case dtExternalAddress:
      return static_cast<int32_t>(reinterpret_cast<intptr_t>(FData.Pointer));
    case dtFunCall:
    case dtFact:
    case dtList:
    case dtSingletons:
      return FData.Shared != nullptr ? FData.Shared->GetHashCode() : 0;
    case dtObject:
      return static_cast<int32_t>(reinterpret_cast<intptr_t>(FData.Object));
    case dtClass:
      return static_cast<int32_t>(reinterpret_cast<intptr_t>(FData.Class));
  }
  return 0;
}

std::string TIEValue::GetToString() const {
  TStringSink Sink;
  WriteText(Sink);
  return std::move(Sink.Text);
}

std::string WordText(std::string_view Word) {
  if (!TExactText::Active() || Word.empty()) return std::string(Word);
  TStringSink Sink;
  TIEValue::WriteWord(Sink, Word);
  return std::move(Sink.Text);
}

std::string TIEValue::ObjectText() const {
  switch (FDType) {
    case dtFuzzy:
      // A term by its name, which is read back as a word.
      if (FData.Shared != nullptr) {
        const std::string& Name = static_cast<const TIFuzzySet*>(FData.Shared)->GetName();
        if (!Name.empty()) return WordText(Name);
      }
      [[fallthrough]];
    case dtFunCall:
    case dtFact:
    case dtSingletons:
      return FData.Shared != nullptr ? FData.Shared->GetToString() : std::string();
    case dtObject:
      if (FData.Object == nullptr) return "";
      if (dynamic_cast<const TCustomBindingInfo*>(FData.Object) != nullptr) {
        return std::string("<") + FData.Object->ClassName() + ": " + FData.Object->GetToString() +
               ">";
      }
      return std::string("<Object: ") + FData.Object->ClassName() + ">";
    case dtClass:
      return FData.Class != nullptr ? FData.Class->ClassName() : "";
    case dtExternalAddress:
      return "<External-Address: " +
             std::string(TNumberText(int64_t{reinterpret_cast<intptr_t>(FData.Pointer)}).Get()) +
             ">";
    case dtNone:
    case dtAtom:
    case dtString:
    case dtInteger:
    case dtVariable:
    case dtFactId:
    case dtFloat:
    case dtList:
    case dtDescriptor:
    case dtMultiVariable:
    case dtSlot:
    case dtMultiSlot:
      break;
  }
  return GetToString();
}

// Resolution

IIEValue TCustomContext::FindVariableValue(TIEValue& Variable) const {
  return FindBindingValue(Variable.GetText());
}

IIEValue TIEValue::Resolve(TObject* Context) {
  switch (FDType) {
    case dtVariable:
    case dtMultiVariable: {
      const auto* Ctx = ObjectAs<const TCustomContext>(Context);
      if (Ctx == nullptr) throw EIEException(Format(SNoContext, IETypeName(FDType)));
      IIEValue Bound = Ctx->FindVariableValue(*this);
      if (!Bound) throw EIEException(Format(SCorruptedBinding, FText));
      return Bound;
    }
    case dtFunCall:
      return static_cast<TCustomFunctionCall*>(FData.Shared)->Execute(Context);
    case dtObject: {
      const auto* Address = ObjectAs<const TCustomBindingInfo>(FData.Object);
      if (Address == nullptr) break;
      const auto* Ctx = ObjectAs<const TCustomContext>(Context);
      if (Ctx == nullptr) throw EIEException(Format(SNoContext, IETypeName(FDType)));
      return Ctx->ResolveBindingAddress(*Address);
    }
    case dtSingletons: {
      const ISingletonsVector Points = GetAsSingletons();
      IFuzzySet Set = new TIEFuzzySet();
      for (int32_t I = Points ? Points->GetCount() - 1 : -1; I >= 0; --I) {
        const double X = Points->GetXValues(I)->Resolve(Context)->GetAsNumeric();
        const double Y = Points->GetYValues(I)->Resolve(Context)->GetAsNumeric();
        Set->AddPoint(X, Y);
      }
      Set->Recompute();
      return new TIEValue(Set);
    }
    case dtNone:
    case dtAtom:
    case dtString:
    case dtInteger:
    case dtFactId:
    case dtFloat:
    case dtFact:
    case dtList:
    case dtDescriptor:
    case dtClass:
    case dtExternalAddress:
    case dtFuzzy:
    case dtSlot:
    case dtMultiSlot:
      break;
  }
  return IIEValue(this);
}

// Shared constants

TIEValue* const FCTrue = MakeConstant(new TIEValue("TRUE", dtAtom));
TIEValue* const FCFalse = MakeConstant(new TIEValue("FALSE", dtAtom));
TIEValue* const FCEmptyString = MakeConstant(new TIEValue("", dtAtom));
TIEValue* const FCNil = MakeConstant(new TIEValue("", dtAtom));
TIEValue* const FCNilList = MakeConstant(new TIEValue(IValueVector(new TValueVector())));
TIEValue* const FCCatch = MakeConstant(new TIEValue("catch", dtAtom));
TIEValue* const FCFinally = MakeConstant(new TIEValue("finally", dtAtom));
TIEValue* const FCExcept = MakeConstant(new TIEValue("except", dtAtom));
TIEValue* const FCElse = MakeConstant(new TIEValue("else", dtAtom));
TIEValue* const FCDo = MakeConstant(new TIEValue("do", dtAtom));
TIEValue* const FCEOF = MakeConstant(new TIEValue("EOF", dtAtom));
TIEValue* const FCThen = MakeConstant(new TIEValue("then", dtAtom));
TIEValue* const FCPI = MakeConstant(new TIEValue(std::bit_cast<double>(0x400921FB54442D18ull)));
TIEValue* const FCZero = MakeConstant(new TIEValue(0.0));

bool IsValueConstant(const TIEValue* Value) {
  if (Value == nullptr) return false;
  for (const TIEValue* Constant :
       {FCTrue, FCFalse, FCEmptyString, FCNil, FCNilList, FCCatch, FCFinally, FCExcept, FCElse,
        FCDo, FCEOF, FCThen, FCPI, FCZero}) {
    if (Value == Constant) return true;
  }
  return false;
}

}  // namespace ie
