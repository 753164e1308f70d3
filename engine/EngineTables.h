// The engine's tables of named constructs: templates, defined types,
// functions, rules and variables by name. Filing under a taken name
// follows the engine's DuplicateConstructs, and the engine hears of every
// change, so that what depends on an item goes or is rebuilt with it.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/IEDefinedType.h"
#include "core/IEFacts.h"
#include "core/IEValue.h"
#include "functions/IEUserFunction.h"
#include "libs/Collections.h"

namespace ie {

class TInferenceEngine;
class TRule;

// Named constructs of one engine. Putting under a taken name follows the
// engine's DuplicateConstructs; the engine hears of every change.
template <class T>
class TEngineTable {
 public:
  using TItem = TRef<T>;

  TEngineTable(TInferenceEngine* Engine, const char* DuplicateMessage)
      : FEngine(Engine), FDuplicateMessage(DuplicateMessage) {}
  TEngineTable(const TEngineTable&) = delete;
  TEngineTable& operator=(const TEngineTable&) = delete;

  int32_t GetCount() const { return FTable.GetCount(); }
  TItem Get(std::string_view Name) const { return FTable.Get(Name); }
  bool ContainsKey(std::string_view Name) const { return FTable.ContainsKey(Name); }
  bool ContainsKey(std::string_view Name, TItem& Item) const {
    return FTable.ContainsKey(Name, Item);
  }

  // Stores Item under Name unless the engine's policy keeps the old one;
  // the engine hears of the item replaced and the item stored.
  void Put(std::string_view Name, const TItem& Item);
  // Removes and announces the item; nil when there was none.
  TItem Remove(std::string_view Name);
  void Clear();

  auto begin() const { return FTable.begin(); }
  auto end() const { return FTable.end(); }

 protected:
  // Whether Item may be filed under Name by the engine's policy, the item
  // to overwrite in Replaced; raises the duplicate message under dcError.
  bool Admits(std::string_view Name, const TItem& Item, TItem& Replaced) const;
  // Put without announcing the stored item: true when stored, the old item
  // in Replaced.
  bool PutChecked(std::string_view Name, const TItem& Item, TItem& Replaced);

  TInferenceEngine* FEngine;
  const char* FDuplicateMessage;
  TStringHashTable<TItem> FTable;
};

// Templates by name. Whatever depends on a template (facts, pending facts,
// fact-set entries, rules) never outlives it: removing a template removes
// them, and replacing one rebuilds them against the new definition.
class TFactTemplates : public TEngineTable<TFactTemplate> {
 public:
  explicit TFactTemplates(TInferenceEngine* Engine);

  // A template that overwrites another of its name replaces it (Replace).
  void Put(std::string_view Name, const IFactTemplate& Template);
  // A template without slots becomes an implied one first: its facts keep
  // their fields in the multislot "__Data", an empty list by default.
  void Add(const IFactTemplate& Template);
  // Old (when given) leaves the table, New is filed under its own name,
  // then the engine rebuilds Old's dependents (ReplaceTemplate). A third
  // template filed under New's name is removed. Under Old's own name the
  // replacement is whole or fails leaving Old in place. Returns New.
  IFactTemplate Replace(const IFactTemplate& Old, const IFactTemplate& New);
  // Announces the template and removes its dependents before it leaves;
  // nil when there was none.
  IFactTemplate Remove(std::string_view Name);
  // Removes every dependent of every template, then empties the table.
  void Clear();

 private:
  friend class TInferenceEngine;
  // Removes the template known as OldName (announced, its dependents go)
  // and files it under NewName.
  void Rename(const std::string& OldName, const std::string& NewName);
};

// Defined types by name. Removing a type removes the templates that use
// it (with their dependents); replacing one rebuilds those templates on
// the new type.
class TIEDefinedTypes : public TEngineTable<TCustomDefinedType> {
 public:
  explicit TIEDefinedTypes(TInferenceEngine* Engine);

  // A type that overwrites another of its name replaces it (Replace).
  void Put(std::string_view Name, const IIEDefinedType& DefinedType);
  void Add(const IIEDefinedType& DefinedType) { Put(DefinedType->GetName(), DefinedType); }
  // Old (when given) leaves the table, New is filed under its own name,
  // then the engine moves Old's templates to New (ReplaceDefinedType).
  IIEDefinedType Replace(const IIEDefinedType& Old, const IIEDefinedType& New);
  // Announces the type and removes the templates that use it; nil when
  // there was none.
  IIEDefinedType Remove(std::string_view Name);
  // Removes the templates that use any of the types, then empties the
  // table.
  void Clear();
};

// Values the engine keeps by name for its functions.
class TEngineVariables : public TValueHashTable {
  IE_CLASS(TEngineVariables, TValueHashTable)

 public:
  explicit TEngineVariables(TInferenceEngine* Engine) : FEngine(Engine) {}
  TInferenceEngine* GetEngine() const { return FEngine; }

 private:
  TInferenceEngine* FEngine;
};

// Every callable function by name. A function is filed under its own
// name only.
class TUserFunctions : public TEngineTable<TIEUserFunction> {
 public:
  explicit TUserFunctions(TInferenceEngine* Engine);

  // Raises "Function names do not match: %s and %s" when Name is not the
  // function's name, before anything else.
  void Put(std::string_view Name, const IUserFunction& Function);
  void Add(const IUserFunction& Function) { Put(Function->GetFunctionName(), Function); }
  // How many deffunctions are filed.
  int32_t GetInterpretedCount() const { return FInterpretedCount; }

 private:
  template <class T>
  friend struct TTableHooks;

  int32_t FInterpretedCount = 0;
};

// The rules of an engine by name. Storing a rule compiles it into the
// match network; removing one takes it out and frees it when the engine
// owns it.
class TRules {
 public:
  explicit TRules(TInferenceEngine* Engine) : FEngine(Engine) {}
  TRules(const TRules&) = delete;
  TRules& operator=(const TRules&) = delete;

  int32_t GetCount() const { return FTable.GetCount(); }
  TRule* Get(std::string_view Name) const { return FTable.Get(Name); }
  bool ContainsKey(std::string_view Name) const { return FTable.ContainsKey(Name); }
  // Stores Rule under Name, the engine's DuplicateConstructs deciding about
  // a name that another rule holds.
  void Put(std::string_view Name, TRule* Rule);
  void Add(TRule* Rule);
  // Removes the rule under Name (only when it is Rule, in the second form).
  void Remove(std::string_view Name);
  void Remove(std::string_view Name, TRule* Rule);
  // Removes every rule, then fires the engine's OnClearRules.
  void Clear();

  auto begin() const { return FTable.begin(); }
  auto end() const { return FTable.end(); }

 private:
  friend class TInferenceEngine;

  TInferenceEngine* FEngine;
  TStringHashTable<TRule*> FTable;
};

// The global variables by name without "?". Each value put is bound at once
// in the engine's root context; clearing the table clears that context.
class TGlobalVariables : public TEngineVariables {
  IE_CLASS(TGlobalVariables, TEngineVariables)

 public:
  using TEngineVariables::TEngineVariables;

  IIEValue Put(std::string_view Name, IIEValue Value) override;
  void Clear() override;
};

}  // namespace ie
