// What the units of the standard package share: how a function class
// describes itself and how arguments are evaluated. Internal to the
// packages layer; hosts use TStandardPackage.
#pragma once

#include <cstdint>

#include "core/IEValue.h"
#include "functions/IEUserFunction.h"
#include "rete/IEContext.h"
#include "runtime/Format.h"

namespace ie {

// What a function's constructor sets: the maximum before the minimum, as
// the limits are coupled.
inline void Describe(TIEUserFunction& Function, const char* Name, const char* Help,
                     const char* Arguments, int32_t Min, int32_t Max = UnlimitedArguments) {
  Function.SetFunctionName(Name);
  Function.SetComment(Format(CommentFormat, Help, Name));
  Function.SetArgumentString(Arguments);
  Function.SetMaxArgumentCount(Max);
  Function.SetMinArgumentCount(Min);
}

inline IIEValue Evaluate(const IFunCall& FunCall, int32_t Index, TIEContext* Context) {
  return FunCall->GetArgument(Index)->Resolve(Context);
}

// An argument read as a datum. A function may return nothing; that reads
// as a value of no kind, so comparing or converting it behaves (or fails)
// like any other value instead of touching nil.
inline IIEValue Operand(const IFunCall& FunCall, int32_t Index, TIEContext* Context) {
  IIEValue Value = Evaluate(FunCall, Index, Context);
  return Value ? Value : IIEValue(new TIEValue());
}

}  // namespace ie
