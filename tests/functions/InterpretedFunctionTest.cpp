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

TEST(InterpretedFunction, ReturnStopsTheBodyAndIsReadWhileTheParametersStand) {
  // Hands its expression back unevaluated, as the language's return does.
  IUserFunction Return = Lambda("return", [](auto& Call, auto* Context, auto&) {
    Context->SetReturnValue(Call->GetArgument(0));
  });
  IInterpretedFunction F = new TInterpretedFunction("f");
  F->AddArgument("x", dtVariable);
  F->AddStatement(CallOf(Return, {Var("x")}));
  F->AddStatement(CallOf(Fail(), {}));
  TIEContext Root(nullptr, nullptr);
  Root.AddLocalBinding("x", Int(5));
  IIEValue Result = Invoke(F, {Int(7)}, &Root);
  EXPECT_EQ(Result->GetDType(), dtInteger);
  EXPECT_EQ(Result->GetAsInteger(), 7);
  EXPECT_FALSE(Root.GetReturnFlag());
}

TEST(InterpretedFunction, BodyBindingsAndFailuresStayInTheCall) {
  IUserFunction Bind = Lambda("bind", [](auto& Call, auto* Context, auto& Result) {
    Result = Arg(Call, 1, Context);
    Context->AddBinding(Call->GetArgument(0)->GetText(), Result);
  });
  IInterpretedFunction F = new TInterpretedFunction("f");
  F->AddStatement(CallOf(Bind, {Atom("z"), Int(1)}));
  F->AddStatement(Var("z"));
  TIEContext Root(nullptr, nullptr);
  EXPECT_EQ(Invoke(F, {}, &Root)->GetAsInteger(), 1);
  EXPECT_EQ(Root.FindBinding("z"), nullptr);

  // A failure pops and frees the call's context on its way out.
  F->AddStatement(CallOf(Fail(), {}));
  EXPECT_EQ(ErrorOf([&] { Invoke(F, {}, &Root); }), "boom");
  EXPECT_EQ(Root.FindBinding("z"), nullptr);
  F->AddArgument("a", dtVariable);
  EXPECT_EQ(ErrorOf([&] { Invoke(F, {Value(CallOf(Fail(), {}))}, &Root); }), "boom");

  EXPECT_FALSE(Invoke(new TInterpretedFunction("empty"), {}, &Root));
}

}  // namespace
}  // namespace ie
