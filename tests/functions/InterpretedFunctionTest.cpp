#include "functions/IEInterpretedFunction.h"

#include <gtest/gtest.h>

#include "functions/FunctionTestSupport.h"
#include "rete/IEContext.h"

namespace ie {
namespace {

using namespace functiontest;

IUserFunction Fail() {
  return Lambda("fail", [](auto&, auto*, auto&) { throw EIEException("boom"); });
}
IUserFunction Minus() {
  return Arithmetic("-", [](int32_t A, int32_t B) { return Int(A - B); });
}

IIEValue Invoke(const IUserFunction& Function, std::initializer_list<IIEValue> Arguments,
                TIEContext* Context) {
  return CallOf(Function, Arguments)->Execute(Context);
}

TEST(InterpretedFunction, ParametersGiveTheLimitsAndTakeTheArguments) {
  IInterpretedFunction F = new TInterpretedFunction("f");
  F->AddArgument("a", dtVariable);
  F->AddArgument("rest", dtMultiVariable);
  EXPECT_EQ(F->GetMinArgumentCount(), 2);
  EXPECT_EQ(F->GetMaxArgumentCount(), UnlimitedArguments);
  EXPECT_EQ(ErrorOf([&] { F->AddArgument("s", dtString); }),
            "Invalid argument type for deffunction: \"dtString\".  Expected Atom, Variable, "
            "MultiVariable");
  F->AddStatement(Var("rest"));
  TIEContext Root(nullptr, nullptr);
  EXPECT_EQ(ErrorOf([&] { Invoke(F, {Int(1)}, &Root); }), "Too few arguments for f");
  IIEValue Rest = Invoke(F, {Int(1), Value(CallOf(Minus(), {Int(5), Int(3)})), Atom("x")}, &Root);
  EXPECT_EQ(Rest->GetDType(), dtList);
  EXPECT_EQ(Rest->GetToString(), "2 x ");

  // An atom parameter takes its argument's place unevaluated and reads nil.
  IInterpretedFunction G = new TInterpretedFunction("g");
  G->AddArgument("flag", dtAtom);
  G->AddStatement(Var("flag"));
  EXPECT_EQ(G->GetMaxArgumentCount(), 1);
  EXPECT_TRUE(Invoke(G, {Value(CallOf(Fail(), {}))}, &Root) == FCNil);
  EXPECT_EQ(Root.GetBindings().GetCount(), 0);
  // Without a caller's context the call makes its own.
  EXPECT_EQ(F->Execute(CallOf(F, {Int(9), Int(2)}), nullptr)->GetToString(), "2 ");
}

}  // namespace
}  // namespace ie
