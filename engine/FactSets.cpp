#include "engine/FactSets.h"

#include <algorithm>

#include "core/IEConsts.h"
#include "engine/EnginePrinter.h"
#include "engine/Explanation.h"
#include "engine/InferenceEngine.h"
#include "functions/IEHelperFunctions.h"
#include "rete/IEContext.h"

namespace ie {

// TFactSetFacts

void TFactSetFacts::CheckIndex(int32_t Index) const {
  if (Index < 0 || Index >= GetCount()) ListIndexError(Index);
}

const std::string& TFactSetFacts::GetString(int32_t Index) const {
  CheckIndex(Index);
  return FLines[Index].Text;
}

const IFact& TFactSetFacts::GetData(int32_t Index) const {
  CheckIndex(Index);
  return FLines[Index].Fact;
}

void TFactSetFacts::PutData(int32_t Index, const IFact& Fact) {
  CheckIndex(Index);
  FLines[Index].Fact = Fact;
}

int32_t TFactSetFacts::Add(const std::string& Text, const IFact& Fact) {
  FLines.push_back(TLine{Text, Fact});
  return GetCount() - 1;
}

void TFactSetFacts::Delete(int32_t Index) {
  CheckIndex(Index);
  FLines.erase(FLines.begin() + Index);
}

int32_t TFactSetFacts::IndexOf(const TFact* Fact) const {
  for (size_t I = 0; I < FLines.size(); ++I) {
    if (FLines[I].Fact.Get() == Fact) return static_cast<int32_t>(I);
  }
  return -1;
}

// TFactSet

TFactSet::TFactSet(TComponent* Owner) : TComponent(Owner) {
  if (auto* Engine = dynamic_cast<TInferenceEngine*>(Owner)) {
    SetEngine(Engine);
  } else if (Owner != nullptr && GetComponentState().Contains(csDesigning)) {
    SetEngine(
        static_cast<TInferenceEngine*>(FindComponentType(Owner, TInferenceEngine::StaticClass())));
  }
}

void TFactSet::BeforeDestruction() {
  SetEngine(nullptr);
  TComponent::BeforeDestruction();
}

void TFactSet::Loaded() {
  TComponent::Loaded();
  if (!GetComponentState().Contains(csDesigning)) Reset();
}

void TFactSet::SetEngineNoParse(TInferenceEngine* Engine) {
  if (Engine == FEngine) return;
  if (FEngine != nullptr) RemoveFreeNotification(FEngine);
  FEngine = Engine;
  if (FEngine != nullptr) FreeNotification(FEngine);
}

void TFactSet::SetEngine(TInferenceEngine* Engine) {
  if (Engine == FEngine) return;
  if (TInferenceEngine* Old = FEngine) {
    SetEngineNoParse(nullptr);
    Old->GetFactSets().Remove(this);
  }
  SetEngineNoParse(Engine);
  if (FEngine != nullptr) {
    FEngine->GetFactSets().Add(this);
    ParseAll();
  } else {
    for (int32_t I = 0; I < FFacts.GetCount(); ++I) FFacts.PutData(I, nullptr);
  }
}

// Lines read by another engine, or not yet read, are read with this one,
// so the facts stand on this engine's templates.
void TFactSet::ParseAll() {
  for (int32_t I = 0; I < FFacts.GetCount(); ++I) {
    const IFact& Fact = FFacts.GetData(I);
    if (Fact && Fact->GetTemplate()->GetEngine() == FEngine) continue;
    FFacts.PutData(I, FEngine->ParseFact(FFacts.GetString(I) + NewLineString));
  }
}

void TFactSet::SetFacts(const std::vector<std::string>& Lines) {
  FFacts.Clear();
  for (const std::string& Line : Lines) FFacts.Add(Line, nullptr);
  if (FEngine != nullptr) ParseAll();
}

IFact TFactSet::GetFact(int32_t Index) {
  const IFact& Fact = FFacts.GetData(Index);
  if (Fact || FEngine == nullptr) return Fact;
  IFact Parsed = FEngine->ParseFact(FFacts.GetString(Index));
  FFacts.PutData(Index, Parsed);
  return Parsed;
}

int32_t TFactSet::AddFact(const IFact& Fact) { return FFacts.Add(Fact->GetToString(), Fact); }

void TFactSet::Remove(const IFact& Fact) {
  const int32_t Index = IndexOf(Fact);
  if (Index >= 0) FFacts.Delete(Index);
}

void TFactSet::Reset() {
  if (FEngine == nullptr) return;
  const TInferenceEngine::TOriginScope Origin(FEngine, fsFactSet, GetFactSetName());
  TDeferredError Failure;
  for (int32_t I = 0; I < FFacts.GetCount(); ++I) {
    IFact Copy;
    try {
      const IFact Fact = GetFact(I);
      if (!Fact) continue;
      Copy = Fact->Clone();
    } catch (const EIEException&) {
      continue;  // a line that cannot be read leaves the others asserted
    }
    Failure.Run([&] {
      FEngine->GetContext()->Resolve(Copy);
      FEngine->Assert(Copy, false);
    });
  }
  Failure.Raise();
}

std::string TFactSet::GetToString() const {
  return FEngine != nullptr ? FEngine->PrettyPrint(*this) : PrettyPrint(*this);
}

void TFactSet::Assign(TPersistent* Source) {
  auto* Other = dynamic_cast<TFactSet*>(Source);
  if (Other == nullptr) {
    TComponent::Assign(Source);
    return;
  }
  FComment = Other->FComment;
  FFacts.Clear();
  FFactSetName = Other->FFactSetName;
  auto* OwningEngine = dynamic_cast<TInferenceEngine*>(GetOwner());
  for (int32_t I = 0; I < Other->GetFactCount(); ++I) {
    const IFact Fact = Other->GetFact(I);
    if (!Fact) continue;
    AddFact(OwningEngine != nullptr ? OwningEngine->ParseFact(Fact->GetToString()) : Fact->Clone());
  }
}

TFactSet* TFactSet::Clone(TComponent* Owner) const {
  TFactSet* Copy = Create<TFactSet>(Owner);
  Copy->Assign(const_cast<TFactSet*>(this));
  return Copy;
}

void TFactSet::Notification(TComponent* Component, TOperation Operation) {
  TComponent::Notification(Component, Operation);
  if (Operation == opRemove && Component == FEngine) SetEngine(nullptr);
}

// TFactSets

TFactSet* TFactSets::Get(int32_t Index) const {
  if (Index < 0 || Index >= GetCount()) ListIndexError(Index);
  return FItems[Index];
}

int32_t TFactSets::IndexOf(const TFactSet* FactSet) const {
  const auto It = std::find(FItems.begin(), FItems.end(), FactSet);
  return It == FItems.end() ? -1 : static_cast<int32_t>(It - FItems.begin());
}

int32_t TFactSets::IndexOf(const std::string& Name) const {
  for (size_t I = 0; I < FItems.size(); ++I) {
    if (FItems[I]->GetFactSetName() == Name) return static_cast<int32_t>(I);
  }
  return -1;
}

int32_t TFactSets::Add(TFactSet* FactSet) {
  const int32_t Existing = IndexOf(FactSet);
  if (Existing >= 0) return Existing;
  const int32_t Namesake = IndexOf(FactSet->GetFactSetName());
  if (Namesake >= 0) Get(Namesake)->SetEngine(nullptr);
  FItems.push_back(FactSet);
  FactSet->SetEngine(FEngine);
  return IndexOf(FactSet);
}

int32_t TFactSets::Remove(TFactSet* FactSet) {
  const int32_t Index = IndexOf(FactSet);
  if (Index < 0) return Index;
  FItems.erase(FItems.begin() + Index);
  FactSet->SetEngine(nullptr);
  return Index;
}

void TFactSets::Clear() {
  while (!FItems.empty()) Remove(FItems.back());
}

}  // namespace ie
