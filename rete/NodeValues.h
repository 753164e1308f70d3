// The values nodes hold, as the network's units see them: calls and
// binding addresses told apart from plain values, and the comparison that
// decides whether two rules' nodes test the same thing.
#pragma once

#include <cstdint>
#include <string>

#include "core/IEValue.h"
#include "rete/IEContext.h"

namespace ie {

inline bool IsFunCall(const IIEValue& Value) { return Value && Value->GetDType() == dtFunCall; }

inline ICustomFunCall AsCall(const IIEValue& Value) {
  return Value->GetAsFunCall<TCustomFunctionCall>();
}

inline IIEValue CallValue(const ICustomFunCall& Call) { return new TIEValue(Call); }

inline bool SameValue(const TIEValue& A, const TIEValue& B) {
  return &A == &B || A.Equals(IIEValue(const_cast<TIEValue*>(&B)));
}

// The binding address Value holds; nil for any other value.
const TBindingInfo* AddressOf(const IIEValue& Value);
// A value holding the network's address of a slot of fact FactIndex.
IIEValue AddressValue(int32_t FactIndex, const std::string& Slot, int32_t SubIndex);
// Node values compare as values, except that calls compare argument by
// argument, binding addresses by the address, and fuzzy values point for
// point: sets that merely overlap would grade matches alike.
bool SameNodeValue(const IIEValue& A, const IIEValue& B);
// A copy of Call whose binding addresses, through nested calls, all name
// fact 0: the one fact of a token inside a pattern's chain.
ICustomFunCall Rebased(const TCustomFunctionCall& Call);

}  // namespace ie
