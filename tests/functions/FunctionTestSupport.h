// Stand-ins for the function tests: a function whose work is a lambda, a
// reasoner component that files functions by name, and call builders.
#pragma once

#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>

#include "TestSupport.h"
#include "core/FactTestSupport.h"
#include "functions/IEFunctionPrinter.h"
#include "functions/IEPackages.h"
#include "rete/IEContext.h"

namespace ie::functiontest {

using TBody = std::function<void(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result)>;

class TLambdaFunction : public TIEUserFunction {
  IE_CLASS(TLambdaFunction, TIEUserFunction)

 public:
  TLambdaFunction(const std::string& Name, TBody Body)
      : TIEUserFunction(Name), FBody(std::move(Body)) {}

 protected:
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    FBody(FunCall, Context, Result);
  }

 private:
  TBody FBody;
};

inline IUserFunction Lambda(
    const std::string& Name, TBody Body = [](auto&, auto*, auto&) {}) {
  return new TLambdaFunction(Name, std::move(Body));
}

inline IUserFunction Returns(const std::string& Name, int32_t Value) {
  return Lambda(Name, [Value](auto&, auto*, auto& Result) { Result = Int(Value); });
}

// Argument Index of FunCall evaluated in Context.
inline IIEValue Arg(const IFunCall& FunCall, int32_t Index, TIEContext* Context) {
  return FunCall->GetArgument(Index)->Resolve(Context);
}

// A function of two integer arguments.
inline IUserFunction Arithmetic(const std::string& Name,
                                std::function<IIEValue(int32_t, int32_t)> Operation) {
  return Lambda(Name, [Operation](auto& Call, auto* Context, auto& Result) {
    Result =
        Operation(Arg(Call, 0, Context)->GetAsInteger(), Arg(Call, 1, Context)->GetAsInteger());
  });
}

inline IFunCall CallOf(const IUserFunction& Function, std::initializer_list<IIEValue> Arguments) {
  IFunCall Call = new TFunctionCall();
  Call->SetUserFunction(Function);
  for (const IIEValue& Argument : Arguments) Call->AddArgument(Argument);
  return Call;
}

inline IIEValue Value(const IFunCall& Call) { return new TIEValue(Call); }

class TTestReasoner : public TComponent, public IReasoner {
  IE_CLASS(TTestReasoner, TComponent)

 public:
  using TComponent::TComponent;
  ~TTestReasoner() override {
    if (Trace != nullptr) *Trace += "gone";
  }

  std::map<std::string, IUserFunction, std::less<>> Table;
  // Where removals and the destruction are written down, if anywhere.
  std::string* Trace = nullptr;

  // The filed names, in name order.
  std::string Names() const {
    std::string Text;
    for (const auto& [Name, Function] : Table) Text += (Text.empty() ? "" : " ") + Name;
    return Text;
  }

  std::string PrettyPrint(const IFunCall& FunCall) override {
    return "reasoner " + ie::PrettyPrint(FunCall, false);
  }
  std::string PrettyPrint(const IUserFunction& Function) override {
    return ie::PrettyPrint(Function, Function->GetArgumentString());
  }
  std::string PrettyPrint(const IInterpretedFunction&) override { return ""; }
  std::string PrettyPrint(const IFact&) override { return ""; }
  std::string PrettyPrint(const IIEDefinedType&) override { return ""; }
  bool AddUserFunction(const IUserFunction& Function) override {
    Table[Function->GetFunctionName()] = Function;
    return true;
  }
  void RemoveUserFunction(const IUserFunction& Function) override {
    if (Trace != nullptr) *Trace += "-" + Function->GetFunctionName() + " ";
    if (GetUserFunction(Function->GetFunctionName()) == Function) {
      Table.erase(Function->GetFunctionName());
    }
  }
  bool ContainsUserFunction(std::string_view Name) override { return Table.contains(Name); }
  bool ContainsUserFunction(std::string_view Name, IUserFunction& Function) override {
    return bool(Function = GetUserFunction(Name));
  }
  IUserFunction GetUserFunction(std::string_view Name) override {
    auto It = Table.find(Name);
    return It == Table.end() ? nullptr : It->second;
  }
  void SetUserFunction(std::string_view Name, const IUserFunction& Function) override {
    Table[std::string(Name)] = Function;
  }
};

}  // namespace ie::functiontest
