#include "functions/IEPackages.h"

#include "core/IEConsts.h"
#include "functions/IEHelperFunctions.h"
#include "runtime/ClassRegistry.h"
#include "runtime/Exceptions.h"
#include "runtime/Filer.h"
#include "runtime/Format.h"

namespace ie {

namespace {

IReasoner* ReasonerOf(TComponent* Component) {
  if (Component == nullptr) return nullptr;
  auto* Reasoner = dynamic_cast<IReasoner*>(Component);
  if (Reasoner == nullptr) throw EInvalidCast(SInvalidCast);
  return Reasoner;
}

}  // namespace

// TIEFunctionNexus and TIEInnerFunction

void TIEFunctionNexus::Notification(TComponent* Component, TOperation Operation) {
  TComponent::Notification(Component, Operation);
  FInner->Notification(Component, Operation);
}

TIEInnerFunction::TIEInnerFunction(TObject* Outer)
    : FOuter(Outer), FNexus(Create<TIEFunctionNexus>(this)) {
  if (auto* Component = dynamic_cast<TComponent*>(Outer)) Component->FreeNotification(FNexus);
}

TIEInnerFunction::~TIEInnerFunction() { FNexus->Free(); }

void TIEInnerFunction::Notification(TComponent* Component, TOperation Operation) {
  if (Operation == opRemove && Component == FOuter) FOuter = nullptr;
}

void TIEInnerFunction::Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  if (FOuter == nullptr) throw EIEException(Format(SFunctionUnassigned, GetFunctionName()));
  if (auto* Outer = dynamic_cast<TCustomUserFunction*>(FOuter)) {
    Outer->Call(FunCall, Context, Result);
  } else if (FOnCall) {
    FOnCall(this, FunCall, Context, Result);
  }
}

// TCustomUserFunction

TCustomUserFunction::TCustomUserFunction(TComponent* Owner)
    : TComponent(Owner), FInner(new TIEInnerFunction(this)) {
  FInner->SetFunctionName(GetName());
}

TCustomUserFunction::TCustomUserFunction(TComponent* Owner, const std::string& FunctionName)
    : TCustomUserFunction(Owner) {
  SetFunctionName(FunctionName);
}

void TCustomUserFunction::BeforeDestruction() {
  SetEngine(nullptr);
  TComponent::BeforeDestruction();
}

void TCustomUserFunction::SetMaxArgumentCount(int32_t Value) {
  FInner->SetMaxArgumentCount(Value);
  RebuildArgumentString();
}

void TCustomUserFunction::SetMinArgumentCount(int32_t Value) {
  FInner->SetMinArgumentCount(Value);
  RebuildArgumentString();
}

void TCustomUserFunction::RebuildArgumentString() {
  FInner->SetArgumentString(CreateArgumentExpressions(FInner->GetArgumentString(),
                                                      FInner->GetMinArgumentCount(),
                                                      FInner->GetMaxArgumentCount(), 10));
}

void TCustomUserFunction::SetEngine(TComponent* Engine) {
  if (Engine == FEngine) return;
  IReasoner* Reasoner = ReasonerOf(Engine);
  if (FEngine != nullptr) {
    FEngine->RemoveFreeNotification(this);
    // Deleting the reasoner unregisters the function from it.
    FInner->DeleteReasoner(FReasoner);
  }
  FEngine = Engine;
  FReasoner = Reasoner;
  if (FEngine != nullptr) {
    // As a reasoner of the function the engine follows its renaming.
    FInner->AddReasoner(FReasoner);
    FEngine->FreeNotification(this);
  }
}

void TCustomUserFunction::Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  Result = FCNil;
  if (!GetComponentState().Contains(csDesigning) && FOnCall) {
    FOnCall(this, FunCall, Context, Result);
  }
}

void TCustomUserFunction::Assign(TPersistent* Source) {
  auto* Other = dynamic_cast<TCustomUserFunction*>(Source);
  if (Other == nullptr) {
    TComponent::Assign(Source);
    return;
  }
  SetComment(Other->GetComment());
  SetFunctionName(Other->GetFunctionName());
  SetMaxArgumentCount(Other->GetMaxArgumentCount());
  SetMinArgumentCount(Other->GetMinArgumentCount());
}

void TCustomUserFunction::Notification(TComponent* Component, TOperation Operation) {
  TComponent::Notification(Component, Operation);
  if (Operation == opRemove && Component == FEngine) SetEngine(nullptr);
}

// TUserFunctionList

const IUserFunction& TUserFunctionList::Get(int32_t Index) const {
  if (Index < 0 || Index >= GetCount()) ListIndexError(Index);
  return FItems[Index];
}

int32_t TUserFunctionList::IndexOf(const TIEUserFunction* Function) const {
  for (size_t I = 0; I < FItems.size(); ++I) {
    if (FItems[I].Get() == Function) return static_cast<int32_t>(I);
  }
  return -1;
}

int32_t TUserFunctionList::Add(const IUserFunction& Function) {
  const int32_t Existing = IndexOf(Function.Get());
  if (Existing >= 0) return Existing;
  FItems.push_back(Function);
  FPackage->FunctionNotification(Function, lnAdded);
  return GetCount() - 1;
}

void TUserFunctionList::Take(int32_t Index, TListNotification Notification) {
  if (Index < 0 || Index >= GetCount()) ListIndexError(Index);
  const IUserFunction Function = FItems[Index];
  FPackage->FunctionNotification(Function, Notification);
  FItems.erase(FItems.begin() + Index);
}

void TUserFunctionList::Delete(int32_t Index) { Take(Index, lnDeleted); }

int32_t TUserFunctionList::Extract(const TIEUserFunction* Function) {
  const int32_t Index = IndexOf(Function);
  if (Index >= 0) Take(Index, lnExtracted);
  return Index;
}

int32_t TUserFunctionList::Remove(const TIEUserFunction* Function) {
  const int32_t Index = IndexOf(Function);
  if (Index >= 0) Take(Index, lnDeleted);
  return Index;
}

void TUserFunctionList::Clear() {
  while (!FItems.empty()) Take(GetCount() - 1, lnDeleted);
}

void TUserFunctionList::Assign(const TUserFunctionList& Source) {
  if (&Source == this) return;
  Clear();
  for (const IUserFunction& Function : Source) Add(Function);
}

// TReasonerList

IReasoner* TReasonerList::Get(int32_t Index) const {
  if (Index < 0 || Index >= GetCount()) ListIndexError(Index);
  return FItems[Index];
}

int32_t TReasonerList::IndexOf(const IReasoner* Reasoner) const {
  for (size_t I = 0; I < FItems.size(); ++I) {
    if (FItems[I] == Reasoner) return static_cast<int32_t>(I);
  }
  return -1;
}

int32_t TReasonerList::Add(IReasoner* Reasoner) {
  const int32_t Existing = IndexOf(Reasoner);
  if (Existing >= 0) return Existing;
  FItems.push_back(Reasoner);
  FOwner->ReasonerNotification(Reasoner, lnAdded);
  return GetCount() - 1;
}

void TReasonerList::Delete(int32_t Index) {
  IReasoner* Reasoner = Get(Index);
  FItems.erase(FItems.begin() + Index);
  FOwner->ReasonerNotification(Reasoner, lnDeleted);
}

int32_t TReasonerList::Remove(const IReasoner* Reasoner) {
  const int32_t Index = IndexOf(Reasoner);
  if (Index >= 0) Delete(Index);
  return Index;
}

void TReasonerList::Clear() {
  while (!FItems.empty()) Delete(GetCount() - 1);
}

void TCustomReasonerOwner::ReasonerNotification(IReasoner*, TListNotification) {}

// TUserPackage

TUserPackage::TUserPackage(TComponent* Owner) : TCustomReasonerOwner(Owner), FFunctions(this) {
  if (auto* Reasoner = dynamic_cast<IReasoner*>(Owner)) GetReasoners().Add(Reasoner);
}

// A package's class and its functions' classes are registered as they
// appear, so that a stream written with them can name them. A class whose
// name another class holds is left out; writing its functions fails.
void TUserPackage::AfterConstruction() {
  TCustomReasonerOwner::AfterConstruction();
  TryRegisterClass(ClassType());
  CreateFunctions();
}

void TUserPackage::BeforeDestruction() {
  GetReasoners().Clear();
  FFunctions.Clear();
  SetEngine(nullptr);
  TCustomReasonerOwner::BeforeDestruction();
}

void TUserPackage::SetEngine(TComponent* Engine) {
  if (Engine == FEngine) return;
  IReasoner* Reasoner = ReasonerOf(Engine);
  const bool Designing = GetComponentState().Contains(csDesigning);
  TComponent* Old = FEngine;
  FEngine = Engine;
  if (Old != nullptr) {
    IReasoner* OldReasoner = ReasonerOf(Old);
    if (!Designing) GetReasoners().Remove(OldReasoner);
    // A reasoner of the package stays watched.
    if (GetReasoners().IndexOf(OldReasoner) < 0) RemoveFreeNotification(Old);
  }
  if (Reasoner != nullptr && !Designing) GetReasoners().Add(Reasoner);
  if (FEngine != nullptr) FreeNotification(FEngine);
}

void TUserPackage::SetReset(bool Value) {
  if (!Value) return;
  FFunctions.Clear();
  CreateFunctions();
}

int32_t TUserPackage::IndexOf(const std::string& Name) const {
  for (int32_t I = 0; I < FFunctions.GetCount(); ++I) {
    if (FFunctions.Get(I)->GetFunctionName() == Name) return I;
  }
  return -1;
}

// A reasoner that is a component is watched while it belongs to the
// package, so that when it is freed it leaves (and its functions are
// unregistered) while it still stands; an owner frees its packages only
// after its own destructor has run.
void TUserPackage::ReasonerNotification(IReasoner* Reasoner, TListNotification Action) {
  auto* Component = dynamic_cast<TComponent*>(Reasoner);
  if (Action == lnAdded) {
    AddFunctions(Reasoner);
    FreeNotification(Component);
    return;
  }
  RemoveFunctions(Reasoner);
  if (Component != nullptr && Component == FEngine) FEngine = nullptr;
  RemoveFreeNotification(Component);
}

void TUserPackage::FunctionNotification(const IUserFunction& Function, TListNotification Action) {
  if (Action == lnAdded) TryRegisterClass(Function->ClassType());
  if (GetReasoners().GetCount() == 0) return;
  if (Action == lnAdded) {
    AddReasoners(Function);
  } else {
    RemoveReasoners(Function);
  }
}

void TUserPackage::Assign(TPersistent* Source) {
  if (auto* Other = dynamic_cast<TUserPackage*>(Source)) {
    FFunctions.Assign(Other->FFunctions);
  } else {
    TCustomReasonerOwner::Assign(Source);
  }
}

void TUserPackage::DefineProperties(TFiler* Filer) {
  TCustomReasonerOwner::DefineProperties(Filer);
  Filer->DefineProperty(
      "PackageFunctions", [this](TReader* Reader) { ReadFunctions(Reader); },
      [this](TWriter* Writer) { WriteFunctions(Writer); }, true);
}

// A function whose class name the registry gives to another class would
// read back as that class: it is refused before anything is written.
void TUserPackage::WriteFunctions(TWriter* Writer) {
  for (const IUserFunction& Function : FFunctions) {
    const TClass Registered = GetClass(Function->GetClassName());
    if (Registered != nullptr && Registered != Function->ClassType()) {
      throw EInvalidOperation(Format(SDuplicateClass, Function->GetClassName()));
    }
  }
  Writer->WriteListBegin();
  for (const IUserFunction& Function : FFunctions) {
    Writer->WriteString(Function->GetClassName());
    Function->WriteData(Writer);
  }
  Writer->WriteListEnd();
}

// The whole list is read before it replaces the functions, so that a
// stream that fails leaves the package as it was.
void TUserPackage::ReadFunctions(TReader* Reader) {
  std::vector<IUserFunction> Read;
  Reader->ReadListBegin();
  while (!Reader->EndOfList()) {
    TClass Class = FindClass(Reader->ReadString());
    if (!Class->InheritsFrom(TIEUserFunction::StaticClass())) throw EInvalidCast(SInvalidCast);
    Read.emplace_back(static_cast<TIEUserFunction*>(Class->NewInstance(nullptr)));
    Read.back()->ReadData(Reader);
  }
  Reader->ReadListEnd();
  FFunctions.Clear();
  for (const IUserFunction& Function : Read) FFunctions.Add(Function);
}

void TUserPackage::CreateFunctions() {
  if (FOnCreateFunctions) FOnCreateFunctions(this);
}

void TUserPackage::AddFunctions(IReasoner* Reasoner) {
  for (const IUserFunction& Function : FFunctions) Function->AddReasoner(Reasoner);
}

void TUserPackage::AddReasoners(const IUserFunction& Function) {
  for (IReasoner* Reasoner : GetReasoners()) Function->AddReasoner(Reasoner);
}

void TUserPackage::RemoveReasoners(const IUserFunction& Function) {
  for (IReasoner* Reasoner : GetReasoners()) Function->DeleteReasoner(Reasoner);
}

void TUserPackage::RemoveFunctions(IReasoner* Reasoner) {
  for (const IUserFunction& Function : FFunctions) {
    const int32_t Index = Function->IndexOfReasoner(Reasoner);
    if (Index >= 0) Function->DeleteReasoner(Index);
  }
}

void TUserPackage::Notification(TComponent* Component, TOperation Operation) {
  TCustomReasonerOwner::Notification(Component, Operation);
  if (Operation != opRemove) return;
  if (Component == FEngine) SetEngine(nullptr);
  // At design time the engine may still be among the reasoners.
  if (auto* Reasoner = dynamic_cast<IReasoner*>(Component)) GetReasoners().Remove(Reasoner);
}

}  // namespace ie
