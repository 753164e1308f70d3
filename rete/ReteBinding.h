// How the network reads facts: a slot found by name once per template
// layout, the binding addresses the compiler makes (fact and slot of a
// partial match), and the context that resolves them against the token a
// node is testing.
#pragma once

#include <cstdint>
#include <string>

#include "core/IEFacts.h"
#include "core/IEValue.h"
#include "rete/IEContext.h"

namespace ie {

// A slot of a fact, or one element of a multislot, found by name once per
// template layout.
class TSlotReader {
 public:
  TSlotReader() = default;
  TSlotReader(std::string Name, int32_t SubIndex) : FName(std::move(Name)), FSubIndex(SubIndex) {}

  const std::string& GetName() const { return FName; }
  int32_t GetSubIndex() const { return FSubIndex; }
  // The whole slot value of Fact (nil stands for an unset slot), held by
  // the fact. Raises the fact's "No such slot name" for a name its
  // template lacks and it holds no value under.
  const TIEValue* ReadSlot(TFact& Fact);
  // The slot, or its element SubIndex; nil when the slot holds no list or
  // the list no such element.
  const TIEValue* Read(TFact& Fact);
  // Read for a slot of Fact's template layout; false, reading nothing,
  // for a name the layout lacks.
  bool TryRead(TFact& Fact, const TIEValue*& Value);

 private:
  std::string FName;
  int32_t FSubIndex = NoSubIndex;
  ISlotLayout FLayout;
  int32_t FPosition = -1;
};

// A binding address the network made: it remembers the slot's position in
// the layout last seen, so that tests inside the network read slots without
// looking their names up.
class TReteBindingInfo : public TBindingInfo {
  IE_CLASS(TReteBindingInfo, TBindingInfo)

 public:
  explicit TReteBindingInfo(int32_t FactIndex = LocalBindingIndex,
                            std::string SlotIndex = SLocalBinding, int32_t SubIndex = NoSubIndex)
      : TBindingInfo(FactIndex, SlotIndex, SubIndex),
        FWholeFact(SlotIndex == SPatternBinding),
        FReader(std::move(SlotIndex), SubIndex) {}

  // The value at this address in Fact.
  IIEValue ReadFrom(TFact& Fact) const;
  // From another address: its fields, read through a fresh cache.
  void Assign(TPersistent* Source) override;

 private:
  // The address names the fact itself, not a slot.
  bool FWholeFact;
  mutable TSlotReader FReader;
  // The identifier value handed out last: a test that reads a fact address
  // for every token of one fact makes it once.
  mutable IIEValue FLastFactId;
};

// The context a node evaluates its tests in; its parent is the engine's root
// context, so global variables resolve.
class TReteContext : public TIEContext {
  IE_CLASS(TReteContext, TIEContext)

 public:
  using TIEContext::TIEContext;

  IIEValue ResolveBindingAddress(const TCustomBindingInfo& Address) const override;
};

}  // namespace ie
