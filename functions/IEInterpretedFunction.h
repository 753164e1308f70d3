// Deffunctions: functions written in the rule language. A
// TInterpretedFunction holds its parameters and body as values; calling it
// evaluates the arguments in the caller's context, binds them to the
// parameters in a fresh child of it and evaluates the body there, so the
// body sees its parameters first and, through the parent chain, whatever
// the caller sees.
//
// Reference counted like every function; owns its two value lists.
#pragma once

#include <cstdint>
#include <string>

#include "core/IEValue.h"
#include "functions/IEUserFunction.h"

namespace ie {

class TInterpretedFunction : public TIEUserFunction {
  IE_CLASS(TInterpretedFunction, TIEUserFunction)

 public:
  TInterpretedFunction() = default;
  explicit TInterpretedFunction(const std::string& Name) : TIEUserFunction(Name) {}

  // A parameter: dtVariable takes one argument, dtMultiVariable all the
  // remaining ones as a list, dtAtom is bound to nil. Name is without "?"
  // or "$?". Any other kind raises "Invalid argument type for
  // deffunction...".
  virtual void AddArgument(const std::string& Name, TIEType ArgType);
  virtual void AddStatement(const IFunCall& FunCall);
  virtual void AddStatement(const IIEValue& Value);
  const IIEValue& GetArgument(int32_t Index) const { return FArguments->Get(Index); }
  int32_t GetArgumentCount() const { return FArguments->GetCount(); }
  const IIEValue& GetStatement(int32_t Index) const { return FStatements->Get(Index); }
  int32_t GetStatementCount() const { return FStatements->GetCount(); }
  // Set and read by the engine that holds the function.
  int32_t GetOrder() const { return FOrder; }
  void SetOrder(int32_t Value) { FOrder = Value; }

  // Derived from the parameters: one argument each, as many as wanted for
  // a trailing multifield parameter.
  int32_t GetMinArgumentCount() const override;
  int32_t GetMaxArgumentCount() const override;

  // Unbinds every call of the body from the function it found (see
  // TFunctionCall::Unbind), so that a function that calls itself, or a
  // circle of functions, is freed once nothing else holds it.
  void ReleaseCalls();

  // The call with its result as the function value.
  virtual IIEValue Execute(const IFunCall& FunCall, TIEContext* Context);

 protected:
  ~TInterpretedFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override;

 private:
  // Arguments are evaluated in Caller, the body in Local.
  void Run(const IFunCall& FunCall, TIEContext* Caller, TIEContext* Local, IIEValue& Result);

  IValueVector FArguments = new TValueVector();
  IValueVector FStatements = new TValueVector();
  int32_t FOrder = 0;
};

}  // namespace ie
