// A fixture for the tests of one built-in package: calls of its functions
// built from values, run without an engine in a root context through the
// uniform entry that wraps failures as "%s error: %s".
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

template <class TPackage>
class TPackageTest : public ::testing::Test {
 protected:
  ~TPackageTest() override {
    Ctx->Free();
    Package->Free();
  }

  IFunCall Make(const std::string& Name, const TArgs& Args) {
    IFunCall Call = new TFunctionCall(nullptr, Name);
    Call->SetUserFunction(Package->GetFunctions().Get(Package->IndexOf(Name)));
    for (const IIEValue& Arg : Args) Call->AddArgument(Arg);
    return Call;
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

  TIEContext* Ctx = Create<TIEContext>(nullptr, nullptr);
  TPackage* Package = Create<TPackage>(nullptr);
};

}  // namespace ie::packagetest
