// Fact sets: named lists of facts asserted at every reset of the engine
// they belong to. A set keeps each fact as a line of rule-language text
// with the fact read from it, so a host can fill one without an engine
// and the lines are read once one is attached.
//
// Ownership: a TFactSet is a component, owned by its owner; the engine's
// TFactSets list only refers to the sets registered with it and detaches
// them when it is cleared. Parsed facts belong to the engine's templates
// and are dropped when the set leaves its engine.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/IEFacts.h"
#include "runtime/Component.h"

namespace ie {

class TInferenceEngine;
class TFactSet;

// The lines of a fact set, each with the fact read from it (nil until
// read).
class TFactSetFacts {
 public:
  explicit TFactSetFacts(TFactSet* Owner) : FOwner(Owner) {}
  TFactSetFacts(const TFactSetFacts&) = delete;
  TFactSetFacts& operator=(const TFactSetFacts&) = delete;

  TFactSet* GetOwner() const { return FOwner; }
  int32_t GetCount() const { return static_cast<int32_t>(FLines.size()); }
  const std::string& GetString(int32_t Index) const;
  const IFact& GetData(int32_t Index) const;
  void PutData(int32_t Index, const IFact& Fact);
  int32_t Add(const std::string& Text, const IFact& Fact);
  void Delete(int32_t Index);
  void Clear() { FLines.clear(); }
  // The line whose data is that very fact, or -1.
  int32_t IndexOf(const TFact* Fact) const;

 private:
  struct TLine {
    std::string Text;
    IFact Fact;
  };

  void CheckIndex(int32_t Index) const;

  TFactSet* FOwner;
  std::vector<TLine> FLines;
};

class TFactSet : public TComponent {
  IE_CLASS(TFactSet, TComponent)

 public:
  // Named "FactSet"; an engine owner becomes the set's engine.
  explicit TFactSet(TComponent* Owner);

  void BeforeDestruction() override;
  // Read from a stream at run time, the set asserts its facts at once.
  void Loaded() override;

  const std::string& GetComment() const { return FComment; }
  void SetComment(const std::string& Value) { FComment = Value; }
  const std::string& GetFactSetName() const { return FFactSetName; }
  void SetFactSetName(const std::string& Value) { FFactSetName = Value; }
  TInferenceEngine* GetEngine() const { return FEngine; }
  // Leaves the old engine's fact sets, joins the new one's and reads every
  // line anew with it (or forgets every parsed fact without one).
  void SetEngine(TInferenceEngine* Engine);
  // Only the reference and its free notification; no list, no parsing.
  void SetEngineNoParse(TInferenceEngine* Engine);

  TFactSetFacts& GetFacts() { return FFacts; }
  const TFactSetFacts& GetFacts() const { return FFacts; }
  // Takes over Lines; with an engine each line is read at once.
  void SetFacts(const std::vector<std::string>& Lines);
  int32_t GetFactCount() const { return FFacts.GetCount(); }
  // The line's fact, read with the engine on first use; nil without one.
  IFact GetFact(int32_t Index);
  void SetFact(int32_t Index, const IFact& Fact) { FFacts.PutData(Index, Fact); }
  // Appends a line holding Fact's text, with Fact; its index.
  virtual int32_t AddFact(const IFact& Fact);
  int32_t IndexOf(const IFact& Fact) const { return FFacts.IndexOf(Fact.Get()); }
  void Remove(const IFact& Fact);

  // Asserts a resolved clone of every fact into the engine; a line that
  // cannot be read or cloned is skipped. A fact that fails to resolve or
  // to assert keeps no other one out: the first error is raised at the end.
  virtual void Reset();

  // The deffacts construct, through the engine's printer when there is an
  // engine.
  std::string GetToString() const override;
  // Comment, name and the facts: re-read by an owning engine, cloned
  // otherwise.
  void Assign(TPersistent* Source) override;
  TFactSet* Clone(TComponent* Owner) const;

 protected:
  void Notification(TComponent* Component, TOperation Operation) override;

 private:
  void ParseAll();

  std::string FComment;
  TInferenceEngine* FEngine = nullptr;
  std::string FFactSetName = "FactSet";
  TFactSetFacts FFacts{this};
};

// The fact sets registered with an engine, in the order they came.
class TFactSets {
 public:
  explicit TFactSets(TInferenceEngine* Engine) : FEngine(Engine) {}
  TFactSets(const TFactSets&) = delete;
  TFactSets& operator=(const TFactSets&) = delete;

  int32_t GetCount() const { return static_cast<int32_t>(FItems.size()); }
  TFactSet* Get(int32_t Index) const;
  int32_t IndexOf(const TFactSet* FactSet) const;
  // The first set of that name, or -1.
  int32_t IndexOf(const std::string& Name) const;
  // Registers FactSet with the engine; a set of the same name that is
  // already registered is detached first. The existing index for a set
  // already there.
  int32_t Add(TFactSet* FactSet);
  // Detaches FactSet from the engine; its former index or -1.
  int32_t Remove(TFactSet* FactSet);
  // Detaches every set.
  void Clear();

  auto begin() const { return FItems.begin(); }
  auto end() const { return FItems.end(); }

 private:
  friend class TFactSet;

  TInferenceEngine* FEngine;
  std::vector<TFactSet*> FItems;
};

}  // namespace ie
