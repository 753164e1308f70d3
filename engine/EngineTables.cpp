#include "engine/EngineTables.h"

#include "engine/InferenceEngine.h"
#include "functions/IEInterpretedFunction.h"
#include "rete/IERule.h"
#include "rete/ReteNetwork.h"
#include "runtime/Format.h"

namespace ie {

// TEngineTable

// How each table announces its changes to the engine.
template <class T>
struct TTableHooks;

template <>
struct TTableHooks<TFactTemplate> {
  static void Added(TInferenceEngine* E, const IFactTemplate& T) { E->AddFactTemplate(T); }
  static void Removed(TInferenceEngine* E, const IFactTemplate& T) { E->RemoveFactTemplate(T); }
  static void Cleared(TInferenceEngine* E) { E->ClearFactTemplates(); }
};

template <>
struct TTableHooks<TCustomDefinedType> {
  static void Added(TInferenceEngine* E, const IIEDefinedType& T) { E->AddDefinedType(T); }
  static void Removed(TInferenceEngine* E, const IIEDefinedType& T) { E->RemoveDefinedType(T); }
  static void Cleared(TInferenceEngine* E) { E->ClearDefinedTypes(); }
};

template <>
struct TTableHooks<TIEUserFunction> {
  static void Added(TInferenceEngine* E, const IUserFunction& F) {
    if (F.TryAs<TInterpretedFunction>()) ++E->GetUserFunctions().FInterpretedCount;
    E->AddFunction(F);
  }
  static void Removed(TInferenceEngine* E, const IUserFunction& F) {
    if (const IInterpretedFunction Interpreted = F.TryAs<TInterpretedFunction>()) {
      --E->GetUserFunctions().FInterpretedCount;
      Interpreted->ReleaseCalls();
    }
    E->RemoveFunction(F);
  }
  static void Cleared(TInferenceEngine* E) { E->GetUserFunctions().FInterpretedCount = 0; }
};

template <class T>
bool TEngineTable<T>::Admits(std::string_view Name, const TItem& Item, TItem& Replaced) const {
  TItem Existing;
  if (!FTable.ContainsKey(Name, Existing)) return true;
  if (Existing == Item) return false;
  switch (FEngine->GetDuplicateConstructs()) {
    case dcOverwrite:
      Replaced = Existing;
      return true;
    case dcIgnore:
      return false;
    case dcError:
      break;
  }
  throw EIEException(Format(FDuplicateMessage, Name));
}

template <class T>
bool TEngineTable<T>::PutChecked(std::string_view Name, const TItem& Item, TItem& Replaced) {
  if (!Admits(Name, Item, Replaced)) return false;
  FTable.Put(Name, Item);
  return true;
}

template <class T>
void TEngineTable<T>::Put(std::string_view Name, const TItem& Item) {
  TItem Replaced;
  if (!PutChecked(Name, Item, Replaced)) return;
  if (Replaced) TTableHooks<T>::Removed(FEngine, Replaced);
  TTableHooks<T>::Added(FEngine, Item);
}

template <class T>
typename TEngineTable<T>::TItem TEngineTable<T>::Remove(std::string_view Name) {
  TItem Removed = FTable.Remove(Name);
  if (Removed) TTableHooks<T>::Removed(FEngine, Removed);
  return Removed;
}

template <class T>
void TEngineTable<T>::Clear() {
  FTable.Clear();
  TTableHooks<T>::Cleared(FEngine);
}

template class TEngineTable<TFactTemplate>;
template class TEngineTable<TCustomDefinedType>;
template class TEngineTable<TIEUserFunction>;

// TUserFunctions

TUserFunctions::TUserFunctions(TInferenceEngine* Engine)
    : TEngineTable(Engine, SDuplicateFunction) {}

void TUserFunctions::Put(std::string_view Name, const IUserFunction& Function) {
  if (Function && Name != Function->GetFunctionName()) {
    throw EIEException(Format(SFunctionNamesMismatch, Name, Function->GetFunctionName()));
  }
  TEngineTable::Put(Name, Function);
}

// TGlobalVariables

// A definition whose value cannot be computed is not kept (unless a load
// computes it again at its end): the former definition stays.
IIEValue TGlobalVariables::Put(std::string_view Name, IIEValue Value) {
  IIEValue Replaced = TEngineVariables::Put(Name, Value);
  const std::string Key(Name);
  try {
    GetEngine()->ResetGlobalVariable(Key, std::move(Value));
  } catch (const EAbort&) {
    throw;
  } catch (const Exception&) {
    if (GetEngine()->DeferGlobal(Key, Replaced)) return Replaced;
    if (Replaced) {
      TEngineVariables::Put(Key, Replaced);
    } else {
      Remove(Key);
    }
    throw;
  }
  return Replaced;
}

void TGlobalVariables::Clear() {
  TEngineVariables::Clear();
  GetEngine()->GetContext()->Clear();
}

// TRules

void TRules::Add(TRule* Rule) { Put(Rule->GetRuleName(), Rule); }

void TRules::Put(std::string_view Name, TRule* Rule) {
  TRule* Existing = FTable.Get(Name);
  if (Existing == Rule) return;
  if (Existing != nullptr) {
    switch (FEngine->GetDuplicateConstructs()) {
      case dcOverwrite:
        break;
      case dcIgnore:
        return;
      case dcError:
        throw EIEException(Format(SDuplicateRule, Name));
    }
  }
  // Compiled before the old rule goes, so a rule that does not compile
  // leaves the one it was to replace in place.
  FEngine->GetReteNetwork()->AddRule(Rule);
  if (Existing != nullptr) Remove(Name);
  FTable.Put(Name, Rule);
  if (FEngine->GetWatch().Contains(cwCompilation) && FEngine->GetOnPrintOut()) {
    FEngine->PrintOut("", Rule->GetCompileTrace() + NewLineString);
  }
  FEngine->AddRule(Rule);
}

void TRules::Remove(std::string_view Name) {
  if (TRule* Rule = FTable.Remove(Name)) FEngine->RemoveRule(Rule);
}

void TRules::Remove(std::string_view Name, TRule* Rule) {
  if (Rule != nullptr && FTable.Get(Name) == Rule) Remove(Name);
}

void TRules::Clear() {
  while (!FTable.IsEmpty()) Remove(FTable.GetEntry(FTable.GetCount() - 1).Key);
  FEngine->ClearRules();
}

}  // namespace ie
