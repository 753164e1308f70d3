// Removing, renaming and redefining templates and defined types together
// with what depends on them, so that no fact, fact-set entry or rule is
// left on a definition the engine no longer holds.
#include <string>
#include <vector>

#include "core/IEParseException.h"
#include "engine/InferenceEngine.h"
#include "rete/IEPattern.h"
#include "rete/IERule.h"
#include "rete/ReteNetwork.h"
#include "runtime/Format.h"
#include "runtime/ScopeGuard.h"

namespace ie {

namespace {

// The facts of the fact base on Template, in ID order.
std::vector<IFact> FactsOf(const TFacts& Facts, const IFactTemplate& Template) {
  std::vector<IFact> Found;
  for (const IFact& Fact : Facts) {
    if (Fact->GetTemplate() == Template) Found.push_back(Fact);
  }
  return Found;
}

void DropPending(TIList<TFact>& Pending, const IFactTemplate& Template) {
  for (int32_t I = Pending.GetCount() - 1; I >= 0; --I) {
    if (Pending.Get(I)->GetTemplate() == Template) Pending.Delete(I);
  }
}

// Fact-set entries on Template (or on any template) are read again from
// their texts when next asserted.
void ForgetSetFacts(const TFactSets& Sets, const IFactTemplate& Template) {
  for (TFactSet* Set : Sets) {
    TFactSetFacts& Lines = Set->GetFacts();
    for (int32_t I = 0; I < Lines.GetCount(); ++I) {
      const IFact& Fact = Lines.GetData(I);
      if (Fact && (!Template || Fact->GetTemplate() == Template)) Lines.PutData(I, nullptr);
    }
  }
}

struct TSetLine {
  TFactSet* Set;
  int32_t Index;
};

std::vector<TSetLine> SetLinesOn(const TFactSets& Sets, const IFactTemplate& Template) {
  std::vector<TSetLine> Found;
  for (TFactSet* Set : Sets) {
    const TFactSetFacts& Lines = Set->GetFacts();
    for (int32_t I = 0; I < Lines.GetCount(); ++I) {
      const IFact& Fact = Lines.GetData(I);
      if (Fact && Fact->GetTemplate() == Template) Found.push_back({Set, I});
    }
  }
  return Found;
}

// Fact-set entries read against the old definition read against the new one
// at once, so that they print as they will be asserted. An entry that no
// longer reads goes, as facts and rules that no longer read do: a set that
// kept its text could not be saved and loaded. Any other failure is raised
// with the template already replaced; the entries not yet read are read
// when asserted.
void RereadSetLines(TInferenceEngine& Engine, const std::vector<TSetLine>& Lines) {
  const TErrorHandling Handling = Engine.GetParserErrorHandling();
  Engine.SetParserErrorHandling(ehRaiseImmediate);
  const TScopeGuard Restore([&] { Engine.SetParserErrorHandling(Handling); });
  // Last first, so that taking an entry out moves none still to be read.
  for (auto Line = Lines.rbegin(); Line != Lines.rend(); ++Line) {
    try {
      Line->Set->GetFact(Line->Index);
    } catch (const EIEParseException&) {
      Line->Set->GetFacts().Delete(Line->Index);
    }
  }
}

bool HasPatternOn(const TRule& Rule, const IFactTemplate& Template) {
  const TRulePatternList& Patterns = Rule.GetPatterns();
  for (int32_t I = 0; I < Patterns.GetCount(); ++I) {
    if (Patterns.Get(I)->GetFactTemplate() == Template) return true;
  }
  return false;
}

}  // namespace

// TFactTemplates

TFactTemplates::TFactTemplates(TInferenceEngine* Engine)
    : TEngineTable(Engine, SDuplicateFactTemplate) {}

void TFactTemplates::Put(std::string_view Name, const IFactTemplate& Template) {
  IFactTemplate Replaced;
  if (!Admits(Name, Template, Replaced)) return;
  if (Replaced) {
    Replace(Replaced, Template);
    return;
  }
  FTable.Put(Name, Template);
  FEngine->AddFactTemplate(Template);
}

void TFactTemplates::Add(const IFactTemplate& Template) {
  if (Template->GetSlotCount() == 0) Template->AddMultiSlot(SDefaultSlotName, FCNilList);
  Put(Template->GetTemplateName(), Template);
}

IFactTemplate TFactTemplates::Replace(const IFactTemplate& Old, const IFactTemplate& New) {
  if (New->GetSlotCount() == 0) New->AddMultiSlot(SDefaultSlotName, FCNilList);
  const std::string& Name = New->GetTemplateName();
  if (Old && Old->GetTemplateName() == Name && FTable.Get(Name) == Old) {
    // Defined again: whole or not at all. New takes Old's entry, which
    // needs no memory, until the dependents are read again.
    FEngine->RemoveFactTemplate(Old);
    FTable.Put(Name, New);
    bool Announced = false;
    TScopeGuard Refile([&] {
      FTable.Put(Name, Old);
      if (Announced) FEngine->RemoveFactTemplate(New);
      FEngine->AddFactTemplate(Old);
    });
    FEngine->AddFactTemplate(New);
    Announced = true;
    FEngine->ReplaceTemplate(Old, New);
    Refile.Dismiss();
    FTable.MoveLast(Name);
    return New;
  }
  if (Old) {
    FEngine->RemoveFactTemplate(Old);
    if (FTable.Get(Old->GetTemplateName()) == Old) FTable.Remove(Old->GetTemplateName());
  }
  const IFactTemplate Other = FTable.Get(Name);
  if (Other && Other != New) Remove(Name);
  FTable.Put(Name, New);
  FEngine->AddFactTemplate(New);
  if (Old) FEngine->ReplaceTemplate(Old, New);
  return New;
}

IFactTemplate TFactTemplates::Remove(std::string_view Name) {
  const IFactTemplate Template = FTable.Get(Name);
  if (!Template) return nullptr;
  FEngine->RemoveFactTemplate(Template);
  FEngine->RemoveDependencies(Template);
  // A handler may have filed another template meanwhile.
  if (FTable.Get(Name) == Template) FTable.Remove(Name);
  return Template;
}

void TFactTemplates::Clear() {
  FEngine->RemoveDependencies();
  TEngineTable::Clear();
}

void TFactTemplates::Rename(const std::string& OldName, const std::string& NewName) {
  const IFactTemplate Template = FTable.Get(OldName);
  if (!Template) return;  // a template of this engine that was never filed
  // The policy decides before anything goes.
  IFactTemplate Replaced;
  if (!Admits(NewName, Template, Replaced)) return;
  if (Replaced) Remove(NewName);
  Remove(OldName);
  // Not announced: the template does not hold its new name yet.
  FTable.Put(NewName, Template);
}

// TIEDefinedTypes

TIEDefinedTypes::TIEDefinedTypes(TInferenceEngine* Engine)
    : TEngineTable(Engine, SDuplicateDefinedType) {}

void TIEDefinedTypes::Put(std::string_view Name, const IIEDefinedType& DefinedType) {
  IIEDefinedType Replaced;
  if (!Admits(Name, DefinedType, Replaced)) return;
  if (Replaced) {
    Replace(Replaced, DefinedType);
    return;
  }
  FTable.Put(Name, DefinedType);
  FEngine->AddDefinedType(DefinedType);
}

IIEDefinedType TIEDefinedTypes::Replace(const IIEDefinedType& Old, const IIEDefinedType& New) {
  if (Old) {
    FEngine->RemoveDefinedType(Old);
    if (FTable.Get(Old->GetName()) == Old) FTable.Remove(Old->GetName());
  }
  const std::string Name = New->GetName();
  const IIEDefinedType Other = FTable.Get(Name);
  if (Other && Other != New) Remove(Name);
  FTable.Put(Name, New);
  FEngine->AddDefinedType(New);
  if (Old) FEngine->ReplaceDefinedType(Old, New);
  return New;
}

IIEDefinedType TIEDefinedTypes::Remove(std::string_view Name) {
  const IIEDefinedType DefinedType = FTable.Get(Name);
  if (!DefinedType) return nullptr;
  FEngine->RemoveDefinedType(DefinedType);
  FEngine->RemoveDependencies(DefinedType);
  if (FTable.Get(Name) == DefinedType) FTable.Remove(Name);
  return DefinedType;
}

void TIEDefinedTypes::Clear() {
  std::vector<IIEDefinedType> Types;
  for (const auto& Entry : FTable) Types.push_back(Entry.Value);
  for (auto It = Types.rbegin(); It != Types.rend(); ++It) FEngine->RemoveDependencies(*It);
  TEngineTable::Clear();
}

// TInferenceEngine

void TInferenceEngine::RemoveDependencies() {
  FPendingAssertions.Clear();
  FPendingRetractions.Clear();
  FReteNetwork->Clear();
  // Only what is there is cleared, so that clearing an engine announces
  // each collection once.
  if (FFacts.GetCount() > 0) FFacts.Clear();
  ForgetSetFacts(FFactSets, nullptr);
  if (FRules.GetCount() > 0) FRules.Clear();
}

// The pending facts, facts and fact-set entries of Template and the rules
// that depend on it go; with Rebuild, the texts of the facts and rules in
// the order to read them again. A rule that only makes facts of Template
// goes too: none may keep a template that the engine no longer holds.
void TInferenceEngine::TakeOutDependents(const IFactTemplate& Template, TRebuildList* Rebuild,
                                         TDeferredError& Failure) {
  DropPending(FPendingAssertions, Template);
  DropPending(FPendingRetractions, Template);
  const std::vector<IFact> Facts = FactsOf(FFacts, Template);
  if (Rebuild != nullptr) {
    for (const IFact& Fact : Facts) Rebuild->push_back({Fact->GetToString(), Fact});
  }
  // Each retraction runs fully (event, network, watch line); a rule's
  // condition that fails on one keeps no other fact in.
  for (auto It = Facts.rbegin(); It != Facts.rend(); ++It) {
    Failure.Run([&] {
      const int32_t Index = FFacts.IndexOf(*It);
      if (Index >= 0) RetractFact(Index);
    });
  }
  ForgetSetFacts(FFactSets, Template);
  std::vector<std::pair<std::string, std::string>> Dependent;
  for (const auto& Entry : FRules) {
    if (!IsDependent(*Entry.Value, Template)) continue;
    Dependent.emplace_back(Entry.Key, Rebuild != nullptr ? Entry.Value->GetToString() : "");
  }
  if (Rebuild != nullptr) Rebuild->reserve(Rebuild->size() + Dependent.size());
  // A rule's text is kept once it is gone: one still there is not read again.
  for (auto& [Name, Text] : Dependent) {
    FRules.Remove(Name);
    if (Rebuild != nullptr) Rebuild->push_back({std::move(Text), nullptr});
  }
}

void TInferenceEngine::RemoveDependencies(const IFactTemplate& Template) {
  TDeferredError Failure;
  TakeOutDependents(Template, nullptr, Failure);
  Failure.Raise();
}

void TInferenceEngine::RemoveDependencies(const IIEDefinedType& DefinedType) {
  std::vector<std::string> Names;
  IFactSlot Slot;
  for (const auto& Entry : FFactTemplates) {
    if (Entry.Value->ContainsType(DefinedType, Slot)) Names.push_back(Entry.Key);
  }
  for (auto It = Names.rbegin(); It != Names.rend(); ++It) FFactTemplates.Remove(*It);
}

void TInferenceEngine::ReplaceTemplate(const IFactTemplate& Old, const IFactTemplate& New) {
  if (Old->GetTemplateName() != New->GetTemplateName()) {
    RemoveDependencies(Old);
    return;
  }
  // The facts come back in the order they had, before the rules. Only a
  // fact or rule that no longer reads against New is dropped; any other
  // failure puts Old and its dependents back as they were.
  std::vector<std::string> RuleOrder;
  RuleOrder.reserve(FRules.GetCount());
  for (const auto& Entry : FRules) RuleOrder.push_back(Entry.Key);
  TRebuildList Rebuild;
  TDeferredError Failure;
  const std::vector<TSetLine> SetLines = SetLinesOn(FFactSets, Old);
  TScopeGuard Undo([&] {
    TDeferredError Ignored;
    TakeOutDependents(New, nullptr, Ignored);
    FFactTemplates.FTable.Put(Old->GetTemplateName(), Old);
    RestoreDependencies(Rebuild);
    for (const std::string& Name : RuleOrder) FRules.FTable.MoveLast(Name);
  });
  TakeOutDependents(Old, &Rebuild, Failure);
  UpdateDependencies(Rebuild, Failure);
  Undo.Dismiss();
  RereadSetLines(*this, SetLines);
  Failure.Raise();
}

void TInferenceEngine::ReplaceDefinedType(const IIEDefinedType& Old, const IIEDefinedType& New) {
  if (Old->GetName() != New->GetName()) {
    RemoveDependencies(Old);
    return;
  }
  std::vector<IFactTemplate> Templates;
  IFactSlot Slot;
  for (const auto& Entry : FFactTemplates) {
    if (Entry.Value->ContainsType(Old, Slot)) Templates.push_back(Entry.Value);
  }
  // A copy takes the new type's kinds, and a default the new type refuses
  // gives way to a valid one, as when the template's text is read again.
  for (const IFactTemplate& Template : Templates) {
    const IFactTemplate Copy = Template->Clone();
    for (const auto& Entry : Copy->GetSlots()) {
      if (Entry.Value->GetExtendedTypeInfo() == Old) Entry.Value->SetExtendedTypeInfo(New);
    }
    FFactTemplates.Replace(Template, Copy);
  }
}

void TInferenceEngine::UpdateDependencies(const TRebuildList& List, TDeferredError& Failure) {
  const TErrorHandling Handling = FParserErrorHandling;
  SetParserErrorHandling(ehRaiseImmediate);
  const TScopeGuard Restore([&] { SetParserErrorHandling(Handling); });
  for (const TRebuildItem& Item : List) {
    if (!Item.Fact) {
      try {
        Parse(Item.Text, true);
      } catch (const EIEParseException&) {
        // It no longer reads against the new definition: dropped.
      }
      continue;
    }
    IFact Fact;
    try {
      Fact = ParseFact(Item.Text);
    } catch (const EIEParseException&) {
      continue;  // as for a rule
    }
    try {
      UpdateDependentFact(Item.Fact, Fact);
    } catch (const EAbort&) {
      throw;
    } catch (const Exception&) {
      // A rule's condition that fails on the fact once it is in.
      if (FFacts.IndexOf(Fact) < 0) throw;
      Failure.Keep(std::current_exception());
    }
  }
}

void TInferenceEngine::RestoreDependencies(const TRebuildList& List) {
  const TErrorHandling Handling = FParserErrorHandling;
  SetParserErrorHandling(ehRaiseImmediate);
  const TScopeGuard Restore([&] { SetParserErrorHandling(Handling); });
  const int32_t Next = FNextFactId;
  const TScopeGuard RestoreId([&] { FNextFactId = Next; });
  for (const TRebuildItem& Item : List) {
    if (!Item.Fact) {
      Parse(Item.Text, true);
    } else if (FFacts.IndexOf(Item.Fact) < 0) {
      // Under its own ID, so in its own place, with its own origin.
      const IInterface Origin = Item.Fact->GetOrigin();
      FNextFactId = Item.Fact->GetID();
      Assert(Item.Fact, false);
      Item.Fact->SetOrigin(Origin);
    }
  }
}

void TInferenceEngine::UpdateDependentFact(const IFact&, const IFact& New) { Assert(New, false); }

bool TInferenceEngine::IsDependent(const TRule& Rule, const IFactTemplate& Template) const {
  if (HasPatternOn(Rule, Template)) return true;
  const TRuleActionList& Actions = Rule.GetActions();
  for (int32_t I = 0; I < Actions.GetCount(); ++I) {
    if (IsDependent(*Actions.Get(I), Template)) return true;
  }
  return false;
}

bool TInferenceEngine::IsDependent(const TCustomFunctionCall& FunCall,
                                   const IFactTemplate& Template) const {
  for (int32_t I = 0; I < FunCall.GetArgumentCount(); ++I) {
    if (IsDependent(FunCall.GetArgument(I), Template)) return true;
  }
  return false;
}

bool TInferenceEngine::IsDependent(const IIEValue& Value, const IFactTemplate& Template) const {
  if (!Value) return false;
  switch (Value->GetDType()) {
    case dtFunCall: {
      const ICustomFunCall Call = Value->GetAsFunCall<TCustomFunctionCall>();
      return Call && IsDependent(*Call, Template);
    }
    case dtFact: {
      const IFact Fact = Value->GetAsFact();
      return Fact && Fact->GetTemplate() == Template;
    }
    case dtList:
      for (const IIEValue& Element : *Value->GetAsList()) {
        if (IsDependent(Element, Template)) return true;
      }
      return false;
    default:
      return false;
  }
}

void TInferenceEngine::ChangeFactTemplateName(const std::string& OldName,
                                              const std::string& NewName) {
  if (!OldName.empty()) FFactTemplates.Rename(OldName, NewName);
}

}  // namespace ie
