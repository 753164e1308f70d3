#include "packages/ObjectPackage.h"

#include <mutex>
#include <string>

#include "core/IEConsts.h"
#include "core/IEValue.h"
#include "engine/InferenceEngine.h"
#include "packages/PackageSupport.h"
#include "rete/IERule.h"
#include "runtime/ClassRegistry.h"
#include "runtime/Controls.h"
#include "runtime/Format.h"
#include "runtime/Properties.h"
#include "runtime/Owned.h"

namespace ie {
namespace {

constexpr const char* SObject = " <TObject-expression>";

TObject* ObjectOf(const IFunCall& FunCall, int32_t Index, TIEContext* Context) {
  return Operand(FunCall, Index, Context)->GetAsObject();
}

std::string TextOf(const IFunCall& FunCall, int32_t Index, TIEContext* Context) {
  return Operand(FunCall, Index, Context)->GetAsString();
}

// The form or container that owns the engine of the calling context.
TComponent* EngineOwner(TIEContext* Context) { return EngineOf(Context).GetOwner(); }

TComponent* OwnerToSearch(TComponent* Owner, const std::string& FunctionName) {
  if (Owner == nullptr) throw EIEException(Format(SExpectedComponent, FunctionName));
  return Owner;
}

// True when Inner is Outer or is owned by it, however deeply.
bool Within(const TComponent* Inner, const TComponent* Outer) {
  for (const TComponent* C = Inner; C != nullptr; C = C->GetOwner()) {
    if (C == Outer) return true;
  }
  return false;
}

// A class that is not a component's is refused before anything is made;
// a component whose parent cannot be set is freed again.
void CallCreateComponent(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TComponent* Owner = CastObject<TComponent>(ObjectOf(FunCall, 1, Context));
  TClass Class = Operand(FunCall, 0, Context)->GetAsClass();
  if (Class == nullptr || !Class->InheritsFrom(TComponent::StaticClass())) {
    throw EIEException(Format(SNotComponentClass, Class != nullptr ? Class->ClassName() : ""));
  }
  TOwned<TComponent> Component(static_cast<TComponent*>(Class->NewInstance(Owner)));
  if (FunCall->GetArgumentCount() > 2) {
    auto* Parent = CastObject<TWinControl>(ObjectOf(FunCall, 2, Context));
    CastObject<TControl>(Component.get())->SetParent(Parent);
  }
  // The value's memory is taken before the handle lets go.
  Result = new TIEValue(Component.release(), false);
}

// A counted object lives only while something holds it, and a value
// does not hold what this makes: counted classes are refused.
void CallCreateObject(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TClass Class = Operand(FunCall, 0, Context)->GetAsClass();
  if (Class == nullptr) throw EInvalidCast(SInvalidCast);
  if (Class->InheritsFrom(TInterfacedObject::StaticClass())) {
    throw EInvalidOperation(Format(SNotConstructible, Class->ClassName()));
  }
  Result = new TIEValue(Class->NewInstance(nullptr), false);
}

void CallExecuteAction(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  auto* Action = CastObject<TBasicAction>(ObjectOf(FunCall, 0, Context));
  Result = Truth(Action != nullptr && Action->Execute());
}

// A counted object belongs to its holders; the engine running the call,
// whatever it owns (packages, rules, functions) and whatever owns it
// must outlive the call.
void CheckFreeable(TObject* Obj, TIEContext* Context) {
  auto* Counted = ObjectAs<TInterfacedObject>(Obj);
  if (Counted != nullptr && Counted->GetRefCount() > 0) {
    throw EIEException(SInvalidDestruction);
  }
  auto* Component = ObjectAs<TComponent>(Obj);
  auto* Engine = Context != nullptr ? ObjectAs<TComponent>(Context->GetEngine()) : nullptr;
  if (Component != nullptr && Engine != nullptr &&
      (Within(Component, Engine) || Within(Engine, Component))) {
    throw EIEException(Format(SEngineDependsOn, Obj->ClassName()));
  }
}

void CallFreeObject(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  for (int32_t I = 0; I < FunCall->GetArgumentCount(); ++I) {
    TObject* Obj = ObjectOf(FunCall, I, Context);
    if (Obj == nullptr) continue;
    CheckFreeable(Obj, Context);
    Obj->Free();
  }
  Result = FCTrue;
}

void CallGetComponent(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TComponent* Found = nullptr;
  switch (FunCall->GetArgumentCount()) {
    case 0:
      Found = EngineOwner(Context);
      break;
    case 1: {
      TComponent* Owner = EngineOwner(Context);
      const std::string Name = TextOf(FunCall, 0, Context);
      Found = OwnerToSearch(Owner, FunCall->GetName())->FindComponent(Name);
      break;
    }
    default: {
      TComponent* Owner = CastObject<TComponent>(ObjectOf(FunCall, 0, Context));
      const std::string Name = TextOf(FunCall, 1, Context);
      Found = OwnerToSearch(Owner, FunCall->GetName())->FindComponent(Name);
      break;
    }
  }
  Result = Found != nullptr ? IIEValue(new TIEValue(Found, false)) : IIEValue(FCFalse);
}

void CallGetComponents(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TComponent* Owner = FunCall->GetArgumentCount() > 0
                          ? CastObject<TComponent>(ObjectOf(FunCall, 0, Context))
                          : EngineOwner(Context);
  OwnerToSearch(Owner, FunCall->GetName());
  IValueVector List = new TValueVector();
  for (int32_t I = 0; I < Owner->GetComponentCount(); ++I) {
    List->Add(new TIEValue(Owner->GetComponent(I), false));
  }
  Result = new TIEValue(List);
}

IIEValue PropertyValue(TObject* Obj, const TPropInfo& Prop) {
  switch (Prop.Kind) {
    case tkInteger:
    case tkInt64:
      return new TIEValue(static_cast<int32_t>(GetOrdProp(Obj, Prop)), dtInteger);
    case tkChar:
    case tkString:
      return new TIEValue(GetStrProp(Obj, Prop), dtString);
    case tkEnumeration:
      return new TIEValue(GetEnumProp(Obj, Prop), dtAtom);
    case tkFloat:
      return new TIEValue(GetFloatProp(Obj, Prop));
    case tkSet:
      return new TIEValue(GetSetProp(Obj, Prop), dtString);
    case tkClass:
      return new TIEValue(GetObjectProp(Obj, Prop), false);
    default:  // events and the kinds without a general accessor
      break;
  }
  InvalidPropertyType(Prop);
}

void CallGetProperty(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TObject* Obj = ObjectOf(FunCall, 0, Context);
  const std::string Name = TextOf(FunCall, 1, Context);
  if (Obj == nullptr || !HasPropInfo(Obj->ClassType())) {
    Result = FCFalse;
    return;
  }
  const TPropInfo* Prop = GetPropInfo(Obj, Name);
  Result = Prop != nullptr ? PropertyValue(Obj, *Prop) : IIEValue(FCNil);
}

void CallGetProperties(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TObject* Obj = ObjectOf(FunCall, 0, Context);
  if (Obj == nullptr || !HasPropInfo(Obj->ClassType())) {
    Result = FCFalse;
    return;
  }
  IValueVector List = new TValueVector();
  for (const TPropInfo* Prop : GetPropList(Obj->ClassType())) {
    List->Add(new TIEValue(Prop->Name, dtAtom));
  }
  Result = new TIEValue(List);
}

// The value is evaluated only once the property is known to exist.
void CallSetProperty(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  Result = FCFalse;
  TObject* Obj = ObjectOf(FunCall, 0, Context);
  if (Obj == nullptr || !HasPropInfo(Obj->ClassType())) return;
  const TPropInfo* Prop = GetPropInfo(Obj, TextOf(FunCall, 1, Context));
  if (Prop == nullptr) return;
  switch (Prop->Kind) {
    case tkInteger:
    case tkInt64:
      SetPropValue(Obj, *Prop, int64_t{Operand(FunCall, 2, Context)->GetAsInteger()});
      break;
    case tkChar:
    case tkEnumeration:
    case tkString:
    case tkSet:
      SetPropValue(Obj, *Prop, std::string_view(TextOf(FunCall, 2, Context)));
      break;
    case tkFloat:
      SetPropValue(Obj, *Prop, Operand(FunCall, 2, Context)->GetAsFloat());
      break;
    case tkClass:
      SetObjectProp(Obj, *Prop, ObjectOf(FunCall, 2, Context));
      break;
    case tkMethod:
      break;
    case tkUnknown:
    case tkVariant:
    case tkArray:
    case tkRecord:
    case tkInterface:
      InvalidPropertyType(*Prop);
  }
  Result = FCTrue;
}

void CallGetClass(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  Result = new TIEValue(FindClass(TextOf(FunCall, 0, Context)));
}

void CallIsClass(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TObject* Obj = ObjectOf(FunCall, 0, Context);
  TClass Class = Operand(FunCall, 1, Context)->GetAsClass();
  Result = Truth(Obj != nullptr && Obj->InheritsFrom(Class));
}

// The member names of the engine's enumerations, in ordinal order.
constexpr std::string_view DuplicateConstructsNames[] = {"dcOverwrite", "dcIgnore", "dcError"};
constexpr std::string_view ErrorHandlingNames[] = {"ehRaiseImmediate", "ehRaiseAllAtEnd"};
constexpr std::string_view SearchStrategyNames[] = {"ssDepthFirst", "ssBreadthFirst", "ssLex",
                                                    "ssMea"};
constexpr std::string_view FunctionPackageNames[] = {"pStandard",      "pPredicate", "pMath",
                                                     "pMiscellaneous", "pString",    "pObject",
                                                     "pTrigonometry",  "pBusiness",  "pFuzzyLogic"};
constexpr std::string_view ConstructWatchNames[] = {"cwActivation", "cwFact", "cwRule",
                                                    "cwCompilation", "cwStatistics"};
constexpr std::string_view TypeCheckNames[] = {"tcStatic", "tcDynamic"};
constexpr std::string_view FuzzyCorrelationNames[] = {"fcmMinimum", "fcmProduct"};
constexpr std::string_view FuzzyInferenceNames[] = {"fimMinMax", "fimSum", "fimMean", "fimProduct",
                                                    "fimBoundedSum"};

constexpr TEnumTypeInfo DuplicateConstructsInfo{"TDuplicateConstructs", DuplicateConstructsNames};
constexpr TEnumTypeInfo ErrorHandlingInfo{"TErrorHandling", ErrorHandlingNames};
constexpr TEnumTypeInfo SearchStrategyInfo{"TSearchStrategy", SearchStrategyNames};
constexpr TEnumTypeInfo FunctionPackageInfo{"TFunctionPackage", FunctionPackageNames};
constexpr TEnumTypeInfo ConstructWatchInfo{"TConstructWatch", ConstructWatchNames};
constexpr TEnumTypeInfo TypeCheckInfo{"TTypeCheck", TypeCheckNames};
constexpr TEnumTypeInfo FuzzyCorrelationInfo{"TFuzzyCorrelationMethod", FuzzyCorrelationNames};
constexpr TEnumTypeInfo FuzzyInferenceInfo{"TFuzzyInferenceMethod", FuzzyInferenceNames};

void PublishClasses() {
  RegisterClasses({TComponent::StaticClass(), TBasicAction::StaticClass(), TControl::StaticClass(),
                   TWinControl::StaticClass(), TInferenceEngine::StaticClass(),
                   TUserFunction::StaticClass(), TUserPackage::StaticClass(),
                   TRule::StaticClass()});
  PublishProperties<TComponent>()
      .String("Name", &TComponent::GetName, &TComponent::SetName)
      .Integer("Tag", &TComponent::GetTag, &TComponent::SetTag);
  PublishProperties<TBasicAction>().Event("OnExecute");
  PublishProperties<TControl>().Object<TWinControl>("Parent", &TControl::GetParent,
                                                    &TControl::SetParent);
  using E = TInferenceEngine;
  PublishProperties<E>()
      .Enumeration<TDuplicateConstructs>("DuplicateConstructs", DuplicateConstructsInfo,
                                         &E::GetDuplicateConstructs, &E::SetDuplicateConstructs)
      .Set<TFunctionPackages>("Packages", FunctionPackageInfo, &E::GetPackages, &E::SetPackages)
      .Boolean("FactDuplication", &E::GetFactDuplication, &E::SetFactDuplication)
      .Boolean("FuzzyAutoTerms", &E::GetFuzzyAutoTerms, &E::SetFuzzyAutoTerms)
      .Enumeration<TFuzzyCorrelationMethod>("FuzzyCorrelationMethod", FuzzyCorrelationInfo,
                                            &E::GetFuzzyCorrelationMethod,
                                            &E::SetFuzzyCorrelationMethod)
      .Enumeration<TFuzzyInferenceMethod>("FuzzyInferenceMethod", FuzzyInferenceInfo,
                                          &E::GetFuzzyInferenceMethod, &E::SetFuzzyInferenceMethod)
      .Float("FuzzyEqualsThreshold", &E::GetFuzzyEqualsThreshold, &E::SetFuzzyEqualsThreshold)
      .Float("MinActivationStrength", &E::GetMinActivationStrength, &E::SetMinActivationStrength)
      .Enumeration<TErrorHandling>("ParserErrorHandling", ErrorHandlingInfo,
                                   &E::GetParserErrorHandling, &E::SetParserErrorHandling)
      .Integer("ParserMaxErrors", &E::GetParserMaxErrors, &E::SetParserMaxErrors)
      .Boolean("ResetGlobals", &E::GetResetGlobals, &E::SetResetGlobals)
      .Enumeration<TSearchStrategy>("Strategy", SearchStrategyInfo, &E::GetStrategy,
                                    &E::SetStrategy)
      .Integer("SymbolIndex", &E::GetSymbolIndex, &E::SetSymbolIndex)
      .Set<TTypeChecks>("TypeChecks", TypeCheckInfo, &E::GetTypeChecks, &E::SetTypeChecks)
      .Set<TConstructWatches>("Watch", ConstructWatchInfo, &E::GetWatch, &E::SetWatch);
  for (const char* Event : {"OnAddActivation",
                            "OnAddDefaultPackages",
                            "OnAddDefinedType",
                            "OnAddRule",
                            "OnAddUserFunction",
                            "OnAssertion",
                            "OnClear",
                            "OnClearDefinedTypes",
                            "OnClearFacts",
                            "OnClearFactTemplates",
                            "OnClearRules",
                            "OnEndInference",
                            "OnFuzzyCorrelation",
                            "OnFuzzyInference",
                            "OnNewFactTemplate",
                            "OnPrintOut",
                            "OnReadLine",
                            "OnReadToken",
                            "OnRemoveActivation",
                            "OnRemoveDefinedType",
                            "OnRemoveFactTemplate",
                            "OnRemoveRule",
                            "OnRemoveUserFunction",
                            "OnReset",
                            "OnRetraction",
                            "OnRuleFired",
                            "OnStartInference"}) {
    PublishProperties<E>().Event(Event);
  }
  using F = TCustomUserFunction;
  PublishProperties<TUserFunction>()
      .String("ArgumentString", &F::GetArgumentString, &F::SetArgumentString)
      .String("Comment", &F::GetComment, &F::SetComment)
      .String("FunctionName", &F::GetFunctionName, &F::SetFunctionName)
      .Integer("MaxArgumentCount", &F::GetMaxArgumentCount, &F::SetMaxArgumentCount)
      .Integer("MinArgumentCount", &F::GetMinArgumentCount, &F::SetMinArgumentCount)
      .Object<TComponent>("Engine", &F::GetEngine, &F::SetEngine)
      .Event("OnCall");
  PublishProperties<TUserPackage>()
      .Object<TComponent>("Engine", &TUserPackage::GetEngine, &TUserPackage::SetEngine)
      .Boolean("Reset", &TUserPackage::GetReset, &TUserPackage::SetReset)
      .Event("OnCreateFunctions");
  PublishProperties<TRule>()
      .String("Comment", &TRule::GetComment, &TRule::SetComment)
      .Boolean("Enabled", &TRule::GetEnabled, &TRule::SetEnabled)
      .Boolean("OneShot", &TRule::GetOneShot, &TRule::SetOneShot)
      .String("RuleName", &TRule::GetRuleName, nullptr)
      .Integer("Salience", &TRule::GetSalience, &TRule::SetSalienceInteger);
}

constexpr TFunctionRow ObjectRows[] = {
    {"create-component", CallCreateComponent, 2, 3,
     " <TComponentClass-expression> <TComponent-expression> [<TWinControl-expression>]",
     "Creates a component of the given class owned by the given component (which may hold no "
     "object), optionally placed in a parent control, and returns it"},
    {"create-object", CallCreateObject, 1, 1, " <TClass-expression>",
     "Creates an object of the given class and returns it; rules free it with free-object"},
    {"execute-action", CallExecuteAction, 1, 1, " <TBasicAction-expression>",
     "Executes the given action; returns TRUE if the action did something, FALSE otherwise"},
    {"get-component", CallGetComponent, 0, 2,
     " [<component-name>] | \r\n [<TComponent-expression> <component-name>]",
     "Returns the engine's owner without arguments, else the component of the given name owned by "
     "the engine's owner or by the given component; FALSE when there is none"},
    {"get-components", CallGetComponents, 0, 1, " [<TComponent-expression>]",
     "Returns a multifield of the components owned by the given component, or by the engine's "
     "owner"},
    {"get-properties", CallGetProperties, 1, 1, SObject,
     "Returns a multifield of the names of the object's published properties, events left out, in "
     "alphabetical order; FALSE when the object publishes nothing"},
    {"set-property", CallSetProperty, 3, 3, " <TObject-expression> <property-name> <expression>",
     "Sets the named published property of the object to the value; returns TRUE, or FALSE when "
     "the object publishes no such property"},
    {"get-class", CallGetClass, 1, 1, " <class-name>",
     "Returns the registered class of the given name"},
    {"is-class", CallIsClass, 2, 2, " <TObject-expression> <TClass-expression>",
     "Returns TRUE if the object is an instance of the class or of a class derived from it, FALSE "
     "otherwise"},
    {"free-object", CallFreeObject, 1, UnlimitedArguments, " <TObject-expression>*",
     "Frees each of the given objects; values that refer to one of them hold no object afterwards. "
     "Returns TRUE"},
    {"get-property", CallGetProperty, 2, 2, " <TObject-expression> <property-name>",
     "Returns the value of the named published property of the object; FALSE when the object "
     "publishes nothing, nil when it has no such property"},
};

}  // namespace

void PublishEngineClasses() {
  static std::once_flag Once;
  std::call_once(Once, PublishClasses);
}

TObjectPackage::TObjectPackage(TComponent* Owner) : TUserPackage(Owner) { PublishEngineClasses(); }

void TObjectPackage::CreateFunctions() {
  TUserPackage::CreateFunctions();
  AddRows(GetFunctions(), ObjectRows);
}

}  // namespace ie
