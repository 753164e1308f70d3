// Functions as components: TUserFunction, a host function whose OnCall
// event does the work, and TUserPackage, a component holding a list of
// functions that it registers with each of its reasoners (engines).
//
// The registration chain: a package's reasoner list and function list tell
// the package of every change; the package then adds or deletes each of its
// reasoners in each function's own reasoner list, and a function registers
// or unregisters itself with a reasoner as it enters or leaves that list.
// So every function of a package is known to every reasoner of the package
// under its current name, and to no other through the package.
//
// Ownership: components are owned by their owner; their functions are
// counted. A TIEInnerFunction stands for a component inside the function
// tables and forgets the component, through a small nexus component that
// asks for its free notification, when the component goes first.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "functions/IEUserFunction.h"
#include "runtime/Component.h"
#include "runtime/StringList.h"

namespace ie {

class TUserPackage;
class TCustomReasonerOwner;

using TCallEvent = std::function<void(TObject* Sender, const IFunCall& FunCall, TIEContext* Context,
                                      IIEValue& Result)>;

enum TListNotification : uint8_t { lnAdded, lnExtracted, lnDeleted };

class TIEInnerFunction;

// Forwards the free notification of the inner function's outer component.
class TIEFunctionNexus : public TComponent {
  IE_CLASS(TIEFunctionNexus, TComponent)

 public:
  explicit TIEFunctionNexus(TIEInnerFunction* Inner) : TComponent(nullptr), FInner(Inner) {}

 protected:
  void Notification(TComponent* Component, TOperation Operation) override;

 private:
  TIEInnerFunction* FInner;
};

// The function that stands for a component (normally a TCustomUserFunction)
// in function tables.
class TIEInnerFunction : public TIEUserFunction {
  IE_CLASS(TIEInnerFunction, TIEUserFunction)

 public:
  explicit TIEInnerFunction(TObject* Outer);

  // Nil once the outer component is gone.
  TObject* GetOuter() const { return FOuter; }
  const TCallEvent& GetOnCall() const { return FOnCall; }
  void SetOnCall(TCallEvent Handler) { FOnCall = std::move(Handler); }

  // Forgets the outer object when it is being removed.
  virtual void Notification(TComponent* Component, TOperation Operation);

 protected:
  ~TIEInnerFunction() override;

  // To the outer component's Call, else to the own OnCall. Raises
  // "Function is unimplemented or unassigned: %s" once the outer is gone.
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override;

 private:
  TObject* FOuter;
  TIEFunctionNexus* FNexus;
  TCallEvent FOnCall;
};

class TCustomUserFunction : public TComponent {
  IE_CLASS(TCustomUserFunction, TComponent)

 public:
  explicit TCustomUserFunction(TComponent* Owner);
  TCustomUserFunction(TComponent* Owner, const std::string& FunctionName);

  void BeforeDestruction() override;

  // The function object the engine's tables hold for this component.
  const IUserFunction& GetInner() const { return FInner; }

  const std::string& GetArgumentString() const { return FInner->GetArgumentString(); }
  void SetArgumentString(const std::string& Value) { FInner->SetArgumentString(Value); }
  const std::string& GetComment() const { return FInner->GetComment(); }
  void SetComment(const std::string& Value) { FInner->SetComment(Value); }
  const std::string& GetFunctionName() const { return FInner->GetFunctionName(); }
  void SetFunctionName(const std::string& Value) { FInner->SetFunctionName(Value); }
  // Setting a limit also rebuilds the argument text from the limits.
  int32_t GetMaxArgumentCount() const { return FInner->GetMaxArgumentCount(); }
  void SetMaxArgumentCount(int32_t Value);
  int32_t GetMinArgumentCount() const { return FInner->GetMinArgumentCount(); }
  void SetMinArgumentCount(int32_t Value);

  // The engine (any component that is a reasoner) that knows the function;
  // EInvalidCast for a component that is not one.
  TComponent* GetEngine() const { return FEngine; }
  void SetEngine(TComponent* Engine);

  const TCallEvent& GetOnCall() const { return FOnCall; }
  void SetOnCall(TCallEvent Handler) { FOnCall = std::move(Handler); }

  // Result is nil unless OnCall, outside design mode, stores another.
  virtual void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result);

  void Assign(TPersistent* Source) override;

 protected:
  void Notification(TComponent* Component, TOperation Operation) override;

 private:
  void RebuildArgumentString();

  TCallEvent FOnCall;
  TComponent* FEngine = nullptr;
  IReasoner* FReasoner = nullptr;
  IUserFunction FInner;
};

class TUserFunction : public TCustomUserFunction {
  IE_CLASS(TUserFunction, TCustomUserFunction)

 public:
  using TCustomUserFunction::TCustomUserFunction;
};

// The functions of a package, each added once. Every change is told to
// the package before it happens to the list's readers.
class TUserFunctionList {
 public:
  explicit TUserFunctionList(TUserPackage* Package) : FPackage(Package) { FItems.reserve(100); }
  TUserFunctionList(const TUserFunctionList&) = delete;
  TUserFunctionList& operator=(const TUserFunctionList&) = delete;

  TUserPackage* GetPackage() const { return FPackage; }
  int32_t GetCount() const { return static_cast<int32_t>(FItems.size()); }
  const IUserFunction& Get(int32_t Index) const;
  int32_t IndexOf(const TIEUserFunction* Function) const;
  // The index of Function, which is appended when not yet present.
  int32_t Add(const IUserFunction& Function);
  void Delete(int32_t Index);
  // Takes Function out without freeing it; its former index or -1.
  int32_t Extract(const TIEUserFunction* Function);
  int32_t Remove(const TIEUserFunction* Function);
  // Deletes every function, each one told.
  void Clear();
  // Replaces the contents by Source's functions (the same objects).
  void Assign(const TUserFunctionList& Source);

  auto begin() const { return FItems.begin(); }
  auto end() const { return FItems.end(); }

 private:
  void Take(int32_t Index, TListNotification Notification);

  TUserPackage* FPackage;
  std::vector<IUserFunction> FItems;
};

// The reasoners of a TCustomReasonerOwner, each added once; every change
// is told to the owner.
class TReasonerList {
 public:
  explicit TReasonerList(TCustomReasonerOwner* Owner) : FOwner(Owner) {}
  TReasonerList(const TReasonerList&) = delete;
  TReasonerList& operator=(const TReasonerList&) = delete;

  TCustomReasonerOwner* GetOwner() const { return FOwner; }
  int32_t GetCount() const { return static_cast<int32_t>(FItems.size()); }
  IReasoner* Get(int32_t Index) const;
  int32_t IndexOf(const IReasoner* Reasoner) const;
  int32_t Add(IReasoner* Reasoner);
  void Delete(int32_t Index);
  int32_t Remove(const IReasoner* Reasoner);
  void Clear();

  auto begin() const { return FItems.begin(); }
  auto end() const { return FItems.end(); }

 private:
  TCustomReasonerOwner* FOwner;
  std::vector<IReasoner*> FItems;
};

class TCustomReasonerOwner : public TComponent {
  IE_CLASS(TCustomReasonerOwner, TComponent)

 public:
  explicit TCustomReasonerOwner(TComponent* Owner) : TComponent(Owner), FReasoners(this) {}

  TReasonerList& GetReasoners() { return FReasoners; }

  // Hears of every change of the reasoner list.
  virtual void ReasonerNotification(IReasoner* Reasoner, TListNotification Action);

 private:
  TReasonerList FReasoners;
};

class TUserPackage : public TCustomReasonerOwner {
  IE_CLASS(TUserPackage, TCustomReasonerOwner)

 public:
  // Joins Owner's functions when Owner is a reasoner (an engine is);
  // Engine stays unset.
  explicit TUserPackage(TComponent* Owner);

  // Makes the functions.
  void AfterConstruction() override;
  // Unregisters every function from every reasoner.
  void BeforeDestruction() override;

  TUserFunctionList& GetFunctions() { return FFunctions; }
  void SetFunctions(const TUserFunctionList& Value) { FFunctions.Assign(Value); }
  // The engine (any component that is a reasoner) whose reasoner joins the
  // package; EInvalidCast for a component that is not one.
  TComponent* GetEngine() const { return FEngine; }
  void SetEngine(TComponent* Engine);
  const TNotifyEvent& GetOnCreateFunctions() const { return FOnCreateFunctions; }
  void SetOnCreateFunctions(TNotifyEvent Handler) { FOnCreateFunctions = std::move(Handler); }
  // Always false; writing true makes the functions anew.
  bool GetReset() const { return false; }
  void SetReset(bool Value);

  // The index of the first function of that name (case-sensitive), or -1.
  int32_t IndexOf(const std::string& Name) const;

  void ReasonerNotification(IReasoner* Reasoner, TListNotification Action) override;
  virtual void FunctionNotification(const IUserFunction& Function, TListNotification Action);
  // Shares Source's functions.
  void Assign(TPersistent* Source) override;
  // Files the functions as "PackageFunctions": each one's class name and
  // data. Reading replaces the functions by new instances of the classes
  // named, found in the class registry (EClassNotFound for a name that is
  // not registered).
  void DefineProperties(TFiler* Filer) override;

 protected:
  // Fires OnCreateFunctions; a built-in package then adds its functions.
  virtual void CreateFunctions();
  virtual void AddFunctions(IReasoner* Reasoner);
  virtual void AddReasoners(const IUserFunction& Function);
  virtual void RemoveReasoners(const IUserFunction& Function);
  virtual void RemoveFunctions(IReasoner* Reasoner);
  void Notification(TComponent* Component, TOperation Operation) override;

 private:
  void ReadFunctions(TReader* Reader);
  void WriteFunctions(TWriter* Writer);

  TUserFunctionList FFunctions;
  TComponent* FEngine = nullptr;
  TNotifyEvent FOnCreateFunctions;
};

}  // namespace ie
