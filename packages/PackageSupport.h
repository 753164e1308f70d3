// What the built-in packages share: the rows that describe their functions
// (name, work, limits, argument text, help), how a function reads its
// arguments, and the shared TRUE and FALSE.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "core/IEConsts.h"
#include "functions/IEPackages.h"
#include "functions/IEUserFunction.h"
#include "runtime/Format.h"
#include "runtime/Math.h"

namespace ie {

class TInferenceEngine;

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
void CallUnaryFloat(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  Result = new TIEValue(CheckFloat(Formula(Operand(FunCall, 0, Context)->GetAsNumeric())));
}

// TRUE or FALSE, the shared atoms.
inline IIEValue Truth(bool Value) { return Value ? FCTrue : FCFalse; }

// The work of a function described by a row: evaluate the arguments it
// needs and store the result (empty on entry).
using TCallRoutine = void (*)(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result);

// One function of a package: its name, its work, the limits of its
// argument count, the argument text shown after the name and the help
// text. A function with a class of its own (one that keeps state or
// streams more) has no Call; its class gives the work.
struct TFunctionRow {
  const char* Name;
  TCallRoutine Call;
  int32_t MinArguments;
  int32_t MaxArguments;
  const char* Arguments;
  const char* Help;
};

// A function made from a row. It streams the row's name after what every
// function streams, so that it reads back with the same work even when it
// was renamed; the row is found among the tables added so far.
class TTableFunction : public TIEUserFunction {
  IE_CLASS(TTableFunction, TIEUserFunction)

 public:
  TTableFunction() = default;
  explicit TTableFunction(const TFunctionRow& Row);

  // Nil for a function read from no stream yet.
  const TFunctionRow* GetRow() const { return FRow; }

  // From another table function: the row and its argument text, then
  // what every function copies.
  void Assign(TPersistent* Source) override;
  void WriteData(TWriter* Writer) override;
  // Raises "Function is unimplemented or unassigned: %s" for a row that no
  // table added so far holds.
  void ReadData(TReader* Reader) override;

 protected:
  ~TTableFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override;

 private:
  const TFunctionRow* FRow = nullptr;
};

// Adds a function for each row of Rows, in order.
void AddRows(TUserFunctionList& Functions, std::span<const TFunctionRow> Rows);

// A function class standing for the functions of Rows (which have no
// Call), one per member of TKind in order.
template <class TKind>
class TSelectableFunction : public TIEUserFunction {
 public:
  TKind GetFunctionType() const { return FKind; }
  void SetFunctionType(TKind Kind) {
    const TFunctionRow& Row = FRows[Kind];
    FKind = Kind;
    TIEUserFunction::SetFunctionName(Row.Name);
    SetComment(Format(CommentFormat, Row.Help));
    SetArgumentString(Row.Arguments);
    SetMaxArgumentCount(Row.MaxArguments);
    SetMinArgumentCount(Row.MinArguments);
  }
  // One of the class's names selects its function; any other name is
  // only a new name.
  void SetFunctionName(const std::string& Name) override {
    for (size_t I = 0; I < FRows.size(); ++I) {
      if (Name == FRows[I].Name) {
        SetFunctionType(static_cast<TKind>(I));
        return;
      }
    }
    TIEUserFunction::SetFunctionName(Name);
  }

 protected:
  TSelectableFunction(std::span<const TFunctionRow> Rows, TKind Kind)
      : FRows(Rows), FKind(Kind) {
    SetFunctionType(Kind);
  }
  ~TSelectableFunction() override = default;

 private:
  std::span<const TFunctionRow> FRows;
  TKind FKind;
};

}  // namespace ie
