// What the function classes of the built-in packages share: how a function
// describes itself (name, help text, argument text, limits) and how it
// reads its arguments.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "core/IEConsts.h"
#include "functions/IEUserFunction.h"
#include "runtime/Format.h"
#include "runtime/Math.h"

namespace ie {

class TInferenceEngine;

// Sets the name, the help text (through CommentFormat), the argument text
// and the limits, the maximum before the minimum as the limits are coupled.
void Describe(TIEUserFunction& Function, const char* Name, const char* Help, const char* Arguments,
              int32_t Min, int32_t Max = UnlimitedArguments);

// Text order regardless of case; texts that differ only in case keep a
// fixed order too. Listings sort names by it.
bool TextLess(const std::string& A, const std::string& B);

// Argument Index of FunCall evaluated in Context; nil when a function
// returned nothing.
IIEValue Evaluate(const IFunCall& FunCall, int32_t Index, TIEContext* Context);
// Argument Index of FunCall evaluated in Context. A function may return
// nothing; that reads as a value of no kind, so that converting it fails
// with the getter's error like any other unfit value.
IIEValue Operand(const IFunCall& FunCall, int32_t Index, TIEContext* Context);
// Value (an argument or a list element) evaluated in Context, never nil:
// nothing reads as a value of no kind, as with Operand.
IIEValue Resolved(const IIEValue& Value, TIEContext* Context);

// The inference engine of the calling context; the runtime's invalid
// type-cast error without a context or when its engine is of another kind.
TInferenceEngine& EngineOf(TIEContext* Context);
// Argument Index of FunCall as a file name, inside the sandbox of the
// calling context's engine (TInferenceEngine::SandboxedPath).
std::string FileOperand(const IFunCall& FunCall, int32_t Index, TIEContext* Context);

// A function of one number with a float result: Formula of the argument's
// AsNumeric. The runtime's routines raise its floating-point errors; the
// result is checked once more, so no NaN or infinity is ever returned.
template <double (*Formula)(double)>
class TUnaryFloatFunction : public TIEUserFunction {
 protected:
  ~TUnaryFloatFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    Result = new TIEValue(CheckFloat(Formula(Operand(FunCall, 0, Context)->GetAsNumeric())));
  }
};

// What selecting one function of a class sets.
struct TFunctionEntry {
  const char* Name;
  const char* Comment;
  const char* Arguments;
  int32_t MinArguments;
  int32_t MaxArguments;
};

// A function class standing for the functions of Entries, one per member
// of TKind in order.
template <class TKind>
class TSelectableFunction : public TIEUserFunction {
 public:
  TKind GetFunctionType() const { return FKind; }
  void SetFunctionType(TKind Kind) {
    const TFunctionEntry& Entry = FEntries[Kind];
    FKind = Kind;
    TIEUserFunction::SetFunctionName(Entry.Name);
    SetComment(Format(CommentFormat, Entry.Comment));
    SetArgumentString(Entry.Arguments);
    SetMaxArgumentCount(Entry.MaxArguments);
    SetMinArgumentCount(Entry.MinArguments);
  }
  // One of the class's names selects its function; any other name is
  // only a new name.
  void SetFunctionName(const std::string& Name) override {
    for (size_t I = 0; I < FEntries.size(); ++I) {
      if (Name == FEntries[I].Name) {
        SetFunctionType(static_cast<TKind>(I));
        return;
      }
    }
    TIEUserFunction::SetFunctionName(Name);
  }

 protected:
  TSelectableFunction(std::span<const TFunctionEntry> Entries, TKind Kind)
      : FEntries(Entries), FKind(Kind) {
    SetFunctionType(Kind);
  }
  ~TSelectableFunction() override = default;

 private:
  std::span<const TFunctionEntry> FEntries;
  TKind FKind;
};

}  // namespace ie
