// A fixture for the tests of one built-in package: calls of its functions
// built from values, run without an engine in a root context through the
// uniform entry that wraps failures as "%s error: %s", and tables of cases
// whose expected text is either the result's text or that message.
//
// A result's text tells its kind: integers print bare (3), floats with four
// decimals (3.0000), strings in double quotes, atoms bare.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "ValueSupport.h"
#include "functions/IEPackages.h"
#include "rete/IEContext.h"

namespace ie::packagetest {

using TArgs = std::vector<IIEValue>;

// A call and what it gives: the result's text or the error's message.
struct TCase {
  std::string Name;
  TArgs Args;
  std::string Expected;
};

template <class TPackage>
class TPackageTest : public ::testing::Test {
 protected:
  ~TPackageTest() override {
    Ctx->Free();
    Package->Free();
  }

  IUserFunction Function(const std::string& Name) {
    const int32_t Index = Package->IndexOf(Name);
    return Index >= 0 ? Package->GetFunctions().Get(Index) : IUserFunction();
  }
  IFunCall Make(const std::string& Name, const TArgs& Args) {
    IFunCall Call = new TFunctionCall(nullptr, Name);
    Call->SetUserFunction(Function(Name));
    for (const IIEValue& Arg : Args) Call->AddArgument(Arg);
    return Call;
  }
  // A nested call, as an argument.
  IIEValue C(const std::string& Name, const TArgs& Args = {}) {
    return new TIEValue(Make(Name, Args));
  }
  IIEValue Eval(const std::string& Name, const TArgs& Args = {}) {
    return Make(Name, Args)->SimpleExecute(Ctx);
  }
  std::string Run(const std::string& Name, const TArgs& Args = {}) {
    try {
      return Text(Eval(Name, Args));
    } catch (const Exception& Error) {
      return Error.GetMessage();
    }
  }
  // The message of the TError that the unwrapped call raises.
  template <class TError>
  std::string Raises(const std::string& Name, const TArgs& Args) {
    return ErrorOf<TError>([&] { Make(Name, Args)->Execute(Ctx); });
  }

  void Check(const std::vector<TCase>& Cases) {
    for (const TCase& Case : Cases) {
      std::string Call = "(" + Case.Name;
      for (const IIEValue& Arg : Case.Args) Call += " " + Text(Arg);
      EXPECT_EQ(Run(Case.Name, Case.Args), Case.Expected) << Call << ")";
    }
  }

  TIEContext* Ctx = Create<TIEContext>(nullptr, nullptr);
  TPackage* Package = Create<TPackage>(nullptr);
};

}  // namespace ie::packagetest
