#include "packages/StandardPackage.h"

#include <exception>
#include <functional>
#include <string>

#include "core/IEConsts.h"
#include "core/IEValue.h"
#include "engine/InferenceEngine.h"
#include "packages/EngineCommands.h"
#include "packages/IOFunctions.h"
#include "packages/MultifieldFunctions.h"
#include "packages/PackageSupport.h"
#include "packages/PersistenceFunctions.h"
#include "rete/IEContext.h"
#include "runtime/Exceptions.h"
#include "runtime/Format.h"

namespace ie {
namespace {

// The variable a caught error's message is bound to.
constexpr const char* SErrorVariable = "__ERROR";

double Number(const IFunCall& FunCall, int32_t Index, TIEContext* Context) {
  return Operand(FunCall, Index, Context)->GetAsNumeric();
}

// Strict equality with one of the shared atoms; nil equals none of them.
bool Is(const IIEValue& Value, const TIEValue* Atom) { return Atom->Equals(Value); }


bool Returned(const TIEContext* Context) { return Context != nullptr && Context->GetReturnFlag(); }

// Binding a variable or storing a return value needs a context, which a
// host calling a function directly may not give.
TIEContext& Require(TIEContext* Context, TIEType Kind) {
  if (Context == nullptr) throw EIEException(Format(SNoContext, IETypeName(Kind)));
  return *Context;
}

// Evaluates the arguments First..Last-1 in order, each value becoming
// Result. Once one sets the return flag it stops with the return value
// (leaving the flag set for the enclosing bodies) and answers true.
bool RunBody(const IFunCall& FunCall, int32_t First, int32_t Last, TIEContext* Context,
             IIEValue& Result) {
  for (int32_t I = First; I < Last; ++I) {
    Result = Evaluate(FunCall, I, Context);
    if (Returned(Context)) {
      Result = Context->GetReturnValue();
      return true;
    }
  }
  return false;
}

// A loop's round boundary, where an interrupt from another thread stops it.
void StopWhenInterrupted(TIEContext* Context) {
  if (Context == nullptr) return;
  if (auto* Engine = ObjectAs<TInferenceEngine>(Context->GetEngine())) Engine->CheckInterrupt();
}

// The index of the first argument from First on that Matches accepts,
// unevaluated, or -1.
int32_t FindArgument(const IFunCall& FunCall, int32_t First,
                     const std::function<bool(const IIEValue&)>& Matches) {
  for (int32_t I = First; I < FunCall->GetArgumentCount(); ++I) {
    if (Matches(FunCall->GetArgument(I))) return I;
  }
  return -1;
}

// Logic and control

void CallAnd(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  for (int32_t I = 0; I < FunCall->GetArgumentCount(); ++I) {
    if (Is(Evaluate(FunCall, I, Context), FCFalse)) {
      Result = FCFalse;
      return;
    }
  }
  Result = FCTrue;
}

void CallOr(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  for (int32_t I = 0; I < FunCall->GetArgumentCount(); ++I) {
    if (Is(Evaluate(FunCall, I, Context), FCTrue)) {
      Result = FCTrue;
      return;
    }
  }
  Result = FCFalse;
}

void CallNot(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  Result = Truth(Is(Evaluate(FunCall, 0, Context), FCFalse));
}

void CallIf(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  const int32_t Count = FunCall->GetArgumentCount();
  if (!Is(FunCall->GetArgument(1), FCThen)) {
    throw EIEException(Format(SSyntaxError, SMissingThen));
  }
  Result = FCFalse;
  if (!Is(Evaluate(FunCall, 0, Context), FCFalse)) {
    for (int32_t I = 2; I < Count; ++I) {
      IIEValue Value = Evaluate(FunCall, I, Context);
      if (Is(Value, FCElse)) return;
      if (Returned(Context)) {
        Result = Context->GetReturnValue();
        return;
      }
      Result = std::move(Value);
    }
    return;
  }
  // The third argument always belongs to the then part.
  const int32_t Else = FindArgument(FunCall, 3, [](const IIEValue& A) { return Is(A, FCElse); });
  if (Else >= 0) RunBody(FunCall, Else + 1, Count, Context, Result);
}

void CallWhile(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  const int32_t Body = Is(FunCall->GetArgument(1), FCDo) ? 2 : 1;
  const int32_t Count = FunCall->GetArgumentCount();
  for (Result = Evaluate(FunCall, 0, Context); !Is(Result, FCFalse);
       Result = Evaluate(FunCall, 0, Context)) {
    StopWhenInterrupted(Context);
    if (RunBody(FunCall, Body, Count, Context, Result)) return;
  }
}

void CallForEach(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  const std::string Variable = Operand(FunCall, 0, Context)->GetAsString();
  const IValueVector List = Operand(FunCall, 1, Context)->GetAsList();
  const int32_t Count = FunCall->GetArgumentCount();
  Result = FCNil;
  // The count is read each round: the body may change the list.
  for (int32_t I = 0; List && I < List->GetCount(); ++I) {
    StopWhenInterrupted(Context);
    Require(Context, dtVariable).SetVariable(Variable, List->Get(I)->Resolve(Context));
    if (RunBody(FunCall, 2, Count, Context, Result)) return;
  }
}

void CallTry(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  const int32_t Count = FunCall->GetArgumentCount();
  const int32_t Finally =
      FindArgument(FunCall, 0, [](const IIEValue& A) { return Is(A, FCFinally); });
  const int32_t Catch = FindArgument(
      FunCall, Finally + 1, [](const IIEValue& A) { return Is(A, FCCatch) || Is(A, FCExcept); });
  if (Finally < 0 && Catch < 0) throw EIEException(SMissingCatchOrFinally);

  std::exception_ptr Error;
  std::string Message;
  bool Aborted = false;
  const auto Guarded = [&](int32_t First, int32_t Last) {
    try {
      RunBody(FunCall, First, Last, Context, Result);
    } catch (const std::exception& E) {
      // An error in the finally part replaces the body's.
      Error = std::current_exception();
      Message = E.what();
      Aborted = dynamic_cast<const EAbort*>(&E) != nullptr;
    }
  };
  Guarded(0, Finally >= 0 ? Finally : Catch);
  if (Finally >= 0) Guarded(Finally + 1, Catch >= 0 ? Catch : Count);
  if (!Error) return;

  Result = FCFalse;
  // The silent abort must reach whoever stops the run.
  if (Aborted) std::rethrow_exception(Error);
  Require(Context, dtVariable).SetVariable(SErrorVariable, new TIEValue(Message, dtString));
  if (Catch >= 0) RunBody(FunCall, Catch + 1, Count, Context, Result);
}

void CallThrow(const IFunCall& FunCall, TIEContext* Context, IIEValue&) {
  throw Exception(Operand(FunCall, 0, Context)->GetAsString());
}

// Unevaluated: the deffunction that stops resolves it in its own context.
void CallReturn(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  Result = FunCall->GetArgument(0);
  Require(Context, Result->GetDType()).SetReturnValue(Result);
}

void CallBind(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  Result = Evaluate(FunCall, 1, Context);
  Require(Context, dtVariable).SetVariable(FunCall->GetArgument(0)->GetAsString(), Result);
}

// Comparison

void CallEq(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  const IIEValue First = Operand(FunCall, 0, Context);
  for (int32_t I = 1; I < FunCall->GetArgumentCount(); ++I) {
    if (!First->Equals(Operand(FunCall, I, Context))) {
      Result = FCFalse;
      return;
    }
  }
  Result = FCTrue;
}

// Every argument is evaluated, even after a match.
void CallNeq(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  const IIEValue First = Operand(FunCall, 0, Context);
  Result = FCTrue;
  for (int32_t I = 1; I < FunCall->GetArgumentCount(); ++I) {
    if (First->Equals(Operand(FunCall, I, Context))) Result = FCFalse;
  }
}

void CallEqStar(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  const IIEValue First = Operand(FunCall, 0, Context);
  for (int32_t I = 1; I < FunCall->GetArgumentCount(); ++I) {
    if (!First->EqualsStar(Operand(FunCall, I, Context))) {
      Result = FCFalse;
      return;
    }
  }
  Result = FCTrue;
}

void CallEquals(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  Result = FCFalse;
  const double First = Number(FunCall, 0, Context);
  for (int32_t I = 1; I < FunCall->GetArgumentCount(); ++I) {
    if (Number(FunCall, I, Context) != First) return;
  }
  Result = FCTrue;
}

// Every argument is evaluated, even after a match.
void CallNotEquals(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  const double First = Number(FunCall, 0, Context);
  Result = FCTrue;
  for (int32_t I = 1; I < FunCall->GetArgumentCount(); ++I) {
    if (Number(FunCall, I, Context) == First) Result = FCFalse;
  }
}

// >, >=, <, <=: TRUE when Relation holds between every number and the
// next; stops at the first pair where it does not.
template <class TRelation>
void CallOrder(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  double Previous = Number(FunCall, 0, Context);
  for (int32_t I = 1; I < FunCall->GetArgumentCount(); ++I) {
    const double Current = Number(FunCall, I, Context);
    if (!TRelation()(Previous, Current)) {
      Result = FCFalse;
      return;
    }
    Previous = Current;
  }
  Result = FCTrue;
}

constexpr const char* SOrderArguments = " <numeric-expression> <numeric-expression>+";

void CallMember(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  const IIEValue Wanted = Operand(FunCall, 0, Context);
  for (int32_t I = 1; I < FunCall->GetArgumentCount(); ++I) {
    if (Wanted->Equals(Operand(FunCall, I, Context))) {
      Result = new TIEValue(I - 1, dtInteger);
      return;
    }
  }
  Result = FCFalse;
}

constexpr TFunctionRow StandardRows[] = {
    {"and", CallAnd, 0, UnlimitedArguments, " <expression>*",
     "Evaluates its arguments from left to right and returns FALSE at the first that is FALSE, "
     "without evaluating the rest; otherwise TRUE."},
    {"or", CallOr, 0, UnlimitedArguments, " <expression>*",
     "Evaluates its arguments from left to right and returns TRUE at the first that is TRUE, "
     "without evaluating the rest; otherwise FALSE."},
    {"not", CallNot, 1, 1, " <expression>",
     "Returns TRUE when its argument is FALSE, and FALSE otherwise."},
    {"if", CallIf, 2, UnlimitedArguments,
     " <predicate-expression> then <expression>+ [else <expression>+]",
     "Evaluates the then-expressions when the predicate is not FALSE and the else-expressions when "
     "it is; returns the last value evaluated, or FALSE."},
    {"while", CallWhile, 2, UnlimitedArguments, " <boolean-expression> [do] <expression>*",
     "Evaluates the body for as long as the condition, tested before each round, is not FALSE; do "
     "only marks where the body begins."},
    {"foreach", CallForEach, 2, UnlimitedArguments,
     " <variable-name> <list-expression> <expression>*",
     "Binds the variable, named without ?, to each element of the list in turn and evaluates the "
     "body for each; returns the last value evaluated, nil for an empty list."},
    {"try", CallTry, 1, UnlimitedArguments,
     " [<expression>*] [finally [<expression>*>] [catch|except [<expression>*]]",
     "Evaluates the body, then the finally-expressions whether or not the body failed; an error is "
     "not passed on but bound to ?__ERROR for the catch-expressions."},
    {"throw", CallThrow, 1, 1, " <lexeme-expression>",
     "Raises an error whose message is the text of its argument."},
    {"return", CallReturn, 1, 1, " <expression>",
     "Stops the enclosing deffunction or rule actions; the deffunction's value is the expression, "
     "evaluated where the deffunction runs."},
    {"bind", CallBind, 2, 2, " <variable> <expression>",
     "Sets the variable to the value of the expression, where it is already bound or else in the "
     "current context, and returns that value."},
    {"eq", CallEq, 1, UnlimitedArguments, " <expression> <expression>+",
     "Returns TRUE when every further argument has the kind and value of the first; stops at the "
     "first that differs."},
    {"neq", CallNeq, 1, UnlimitedArguments, " <expression> <expression>*",
     "Returns TRUE when no further argument has the kind and value of the first."},
    {"eq*", CallEqStar, 1, UnlimitedArguments, " <expression> <expression>+",
     "Returns TRUE when every further argument, read as a value of the first's kind, equals the "
     "first, so that 3 and 3.0 are equal."},
    {"=", CallEquals, 1, UnlimitedArguments, " <numeric-expression> <numeric-expression>+",
     "Returns TRUE when every further number equals the first exactly; stops at the first that "
     "differs."},
    {"<>", CallNotEquals, 1, UnlimitedArguments, " <numeric-expression> <numeric-expression>*",
     "Returns TRUE when no further number equals the first."},
    {">", CallOrder<std::greater<double>>, 2, UnlimitedArguments, SOrderArguments,
     "Returns TRUE when each number is greater than the one after it."},
    {">=", CallOrder<std::greater_equal<double>>, 2, UnlimitedArguments, SOrderArguments,
     "Returns TRUE when each number is greater than or equal to the one after it."},
    {"<", CallOrder<std::less<double>>, 2, UnlimitedArguments, SOrderArguments,
     "Returns TRUE when each number is less than the one after it."},
    {"<=", CallOrder<std::less_equal<double>>, 2, UnlimitedArguments, SOrderArguments,
     "Returns TRUE when each number is less than or equal to the one after it."},
    {"member", CallMember, 2, UnlimitedArguments, " <to-find-expression> <expression>+",
     "Returns the position, counted from 0, of the first further argument equal in kind and value "
     "to the first, or FALSE when there is none."},
};

}  // namespace

// TStandardPackage

void TStandardPackage::CreateFunctions() {
  TUserPackage::CreateFunctions();
  TUserFunctionList& Functions = GetFunctions();
  AddRows(Functions, StandardRows);
  AddEngineCommands(Functions);
  AddMultifieldFunctions(Functions);
  AddIOFunctions(Functions);
  AddPersistenceFunctions(Functions);
}

}  // namespace ie
